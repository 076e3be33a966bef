#pragma once
// A scene file made from GIS data: the basin from any polygon layer GDAL reads, the
// gauges from a CSV table or a point layer, the heights from their column or a terrain
// model, all moved into one projected coordinate system; the centre points placed where
// the terrain balances each gauge pair's heights.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "gis/GisError.hpp"
#include "model/cPoint.hpp"

namespace kelvarin::gis {

struct ImportOptions {
    std::filesystem::path Basin;                      // polygon layer(s)
    std::string Layer;                                // which layer of the basin file; empty: its only one
    std::string Where;                                // attribute filter picking the basin feature(s)
    std::filesystem::path Gauges;                     // CSV table or point layer
    std::filesystem::path Dem;                        // terrain model (raster); empty: none
    std::string Crs;                                  // target system; empty: the basin's own if projected, else UTM
    std::string NameField, NumberField, HeightField;  // empty: "name", "number", "height"
    std::string Show = "all";                         // all, thiessen or heightbalance
    std::filesystem::path Out;
};

struct ImportedGauge {
    std::string Name;    // blanks replaced by underscores
    std::string Number;  // likewise
    cPoint Point;        // target system; z the height
};

struct ImportedScene {
    std::string BasinName;      // name of the vertex block
    std::string Crs;            // the target system as the scene file names it
    std::vector<cPoint> Basin;  // counter-clockwise, open
    std::vector<ImportedGauge> Gauges;
    std::vector<cPoint> CenterPoints;  // pair order (1,2), (1,3), ..., (n-1,n); empty for thiessen
    std::string Show;
    std::string Sources;  // one comment line on where the data came from
};

// Reads and transforms everything; notes on what was changed on the way (parts and
// holes dropped, names mended, crossings found) go to `notes`. Throws GisError.
ImportedScene ImportScene(const ImportOptions& options, std::ostream& notes);

// the scene file text (UTF-8, "\n" line ends)
std::string SceneText(const ImportedScene& scene);

}  // namespace kelvarin::gis
