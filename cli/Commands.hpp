#pragma once
// The sub-commands of kelvarin-cli. Each one adds itself, with its options and the
// action it runs, to the application; main.cpp calls them in the order of --help.
//
// An action reports failure by throwing: SceneError prints each of its problems on a
// line of its own, any other exception prints its message; the exit status is then 2.

#include <CLI/CLI.hpp>

namespace kelvarin {

// `check [--scene FILE] [--method M]`: reads a scene and prints its summary
void AddCheckCommand(CLI::App& app);

// `render [--scene FILE] [--method M] [--stations all|LIST] [--size WxH] --out FILE`:
// one finished construction as a figure
void AddRenderCommand(CLI::App& app);

// `demo [--scene FILE] [--cycles N] [--seed S] [--size WxH] [--every K] --out DIR`:
// the demonstration cycle into frames, a poster and a weights table
void AddDemoCommand(CLI::App& app);

// `weights [--scene FILE] [--method M] [--stations all|LIST] [--format table|csv|json]`:
// every station's area and weight for a selection of gauges
void AddWeightsCommand(CLI::App& app);

// `areal [--scene FILE] [--method M] --rain FILE [--missing V]... [--min-gauges N] [--out FILE]
// [--weights-out FILE] [--stats]`: the basin's rainfall per time step from gauge records
void AddArealCommand(CLI::App& app);
#ifdef KELVARIN_WITH_GIS
// `import --basin FILE [--layer L] [--where EXPR] --gauges FILE [--dem FILE] [--crs CRS] ... --out FILE`:
// a scene file from GIS data
void AddImportCommand(CLI::App& app);

// `export [--scene FILE] [--method M] [--stations all|LIST] --out FILE.geojson|FILE.gpkg|FILE.shp`:
// one construction's basin, gauges, network, polygons and pieces as GIS layers
void AddExportCommand(CLI::App& app);
#endif

}  // namespace kelvarin
