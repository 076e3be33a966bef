#pragma once
// The gauges of an import: a table of text or a point layer, each gauge's name, number,
// position and, where the table gives one, height, all moved into the scene's system.

#include <ogr_spatialref.h>

#include <vector>

#include "gis/SceneImport.hpp"

namespace kelvarin::gis {

struct GaugeSource {
    std::vector<ImportedGauge> Gauges;  // target system; z NaN where the table gives no height
    long Mended = 0;                    // names or numbers whose blanks became underscores
};

// Every gauge of the options' gauge file, in file order, in the target system. Positions
// come from the layer's points, else from x/y columns in the basin's system, else from
// lon/lat columns. Throws GisError naming the file, row and gauge.
GaugeSource ReadGauges(const ImportOptions& options, const OGRSpatialReference* basinSystem,
                       const OGRSpatialReference& target);

}  // namespace kelvarin::gis
