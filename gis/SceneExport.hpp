#pragma once
// One finished construction written as GIS layers: the basin, every gauge (with whether
// it was selected), the method's network as lines, each selected gauge's polygon in the
// frame, and each selected gauge's piece(s) inside the basin with its area and weight.
// Coordinates are the scene file's own; the layers carry the scene's coordinate system
// when it names one.

#include <filesystem>
#include <vector>

#include "engine/Construction.hpp"
#include "gis/GisError.hpp"

namespace kelvarin {
struct Scene;
}

namespace kelvarin::gis {

// the layers, in the order they are written
inline constexpr const char* kExportLayers[] = {"basin", "gauges", "network", "polygons", "pieces"};

// Writes the layers to `out`: a GeoPackage (.gpkg) holds them all; GeoJSON (.geojson,
// .json) and Shapefile (.shp) get one file per layer, named after `out` with the layer's
// name as a suffix ("weights_pieces.geojson"). Everything is written beside `out` under
// temporary names first, so a failure leaves none of the files behind. Returns the files
// written (for a Shapefile: its .shp files). Throws GisError.
std::vector<std::filesystem::path> ExportConstruction(const Scene& scene, const Construction& construction,
                                                      const std::filesystem::path& out);

}  // namespace kelvarin::gis
