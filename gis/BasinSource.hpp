#pragma once
// The basin of an import: the polygons the options pick from a layer, dissolved into one
// geometry; the projected system everything is moved into; and the basin's outline in it.

#include <ogr_geometry.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gis/GdalSupport.hpp"
#include "gis/SceneImport.hpp"
#include "model/cPoint.hpp"

namespace kelvarin::gis {

struct BasinSource {
    std::unique_ptr<OGRGeometry> Geometry;  // dissolved; in the layer's system until MoveBasin
    SpatialReference System;                // the layer's, or nothing
    std::string LayerName;
};

// the polygons of the layer and filter the options pick, dissolved into one geometry
BasinSource ReadBasin(const ImportOptions& options);

// The projected system of the scene: the one the options name, else the basin's own when
// it is projected, else the UTM zone of the basin's centroid when it is longitude/latitude.
SpatialReference TargetSystem(const ImportOptions& options, const BasinSource& basin);

// moves the basin into the target system (a basin without a system is taken to be in it);
// `crs` names the target in the message
void MoveBasin(BasinSource& basin, const OGRSpatialReference& target, const std::string& crs,
               const std::filesystem::path& file);

// The outer ring of the basin: the largest part, holes dropped (both said in `notes`),
// counter-clockwise, without the closing vertex or repeated vertices.
std::vector<cPoint> BasinOutline(const OGRGeometry& geometry, const std::string& file, std::ostream& notes);

// the vertex-block name of the basin: its layer name without blanks and brackets, and
// never the name of another section of the scene file
std::string BlockName(const std::string& layer);

}  // namespace kelvarin::gis
