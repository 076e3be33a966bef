// kelvarin-cli export: one construction of a selection of gauges written as GIS layers
// (GeoPackage, GeoJSON or Shapefile), with each gauge's area and weight exactly as
// `weights` prints them. A problem with the output file is said with --out in front
// (cli/GisFlags).

#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "cli/Commands.hpp"
#include "cli/GisFlags.hpp"
#include "cli/SceneOptions.hpp"
#include "cli/UsageError.hpp"
#include "engine/Construction.hpp"
#include "gis/SceneExport.hpp"
#include "scene/ProgramFolder.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {
namespace {

struct ExportOptions {
    std::filesystem::path Scene;
    std::string Method;  // thiessen, heightbalance, or empty: the scene's own
    std::string Stations = "all";
    std::filesystem::path Out;
};

// builds the construction and writes its layers; prints the files written
void RunExport(const ExportOptions& options, std::ostream& out) {
    const std::optional<Method> asked = MethodOption(options.Method);
    const Scene scene = LoadSceneFor(options.Scene, asked);
    const std::vector<long> selection = StationsOption(options.Stations, static_cast<long>(scene.Stations.size()));
    const Construction construction = BuildConstruction(MethodFor(asked, scene), scene.Local, selection);
    std::vector<std::filesystem::path> written;
    try {
        written = gis::ExportConstruction(scene, construction, options.Out);
    } catch (const gis::GisError& e) {
        throw std::runtime_error(FlagLine(e));
    }
    for (const std::filesystem::path& file : written) out << file.string() << '\n';
}

}  // namespace

// adds `export [--scene FILE] [--method M] [--stations LIST] --out FILE`
void AddExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* exporter =
        app.add_subcommand("export",
                           "Write one construction's basin, gauges, network, polygons and pieces as GIS "
                           "layers");
    exporter->add_option("--scene", options->Scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    exporter->add_option("--method", options->Method,
                         "thiessen or heightbalance (default: the scene's own; thiessen when it shows both)");
    exporter->add_option("--stations", options->Stations,
                         "all, or station numbers in file order from 1 with ranges, such as 1,3,5-8 (default: all)");
    exporter
        ->add_option(FlagOf(gis::GisInput::Out), options->Out,
                     "FILE.gpkg (one file), FILE.geojson or FILE.shp (one file per layer)")
        ->required();
    exporter->callback([options] {
        ExportOptions run = *options;
        if (run.Scene.empty()) run.Scene = DefaultScenePath();
        RunExport(run, std::cout);
    });
}

}  // namespace kelvarin
