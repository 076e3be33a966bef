#include "gis/SceneImport.hpp"

#include <optional>

#include "gis/BasinSource.hpp"
#include "gis/GaugeSource.hpp"
#include "gis/GdalSupport.hpp"
#include "gis/Terrain.hpp"
#include "scene/SceneWriter.hpp"

namespace kelvarin::gis {

// reads, transforms and places everything the scene needs
ImportedScene ImportScene(const ImportOptions& options, std::ostream& notes) {
    const GdalSession session;
    const std::string show = LowerAscii(options.Show);
    if (show != "all" && show != "thiessen" && show != "heightbalance")
        throw GisError(GisInput::Show, Quoted(options.Show) + " is none of all, thiessen, heightbalance");
    if (options.Out.empty()) throw GisError(GisInput::Out, "names no file");

    ImportedScene scene;
    scene.Show = show;
    BasinSource basin = ReadBasin(options);
    const SpatialReference target = TargetSystem(options, basin);
    scene.Crs = DefinitionOf(*target);
    MoveBasin(basin, *target, scene.Crs, options.Basin);
    scene.Basin = BasinOutline(*basin.Geometry, GdalPath(options.Basin), notes);
    scene.BasinName = BlockName(basin.LayerName);

    GaugeSource gauges = ReadGauges(options, basin.System.get(), *target);
    if (gauges.Mended > 0) {
        notes << "gauges: " << gauges.Mended << (gauges.Mended == 1 ? " gauge's" : " gauges'")
              << " name or number held blanks; they are written with underscores\n";
    }

    std::optional<Terrain> terrain;
    if (!options.Dem.empty()) {
        std::vector<cPoint> sites;
        sites.reserve(gauges.Gauges.size());
        for (const ImportedGauge& g : gauges.Gauges) sites.push_back(g.Point);
        terrain.emplace(options.Dem, *target, sites);
    }
    AssignHeights(gauges.Gauges, terrain, show);
    scene.Gauges = std::move(gauges.Gauges);

    PlaceCenterPoints(scene.Gauges, terrain, show, scene.CenterPoints, notes);

    scene.Sources = "basin " + options.Basin.filename().string() + " (layer " + basin.LayerName + "), gauges " +
                    options.Gauges.filename().string() +
                    (options.Dem.empty() ? "" : ", terrain " + options.Dem.filename().string());
    return scene;
}

// the scene file text
std::string SceneText(const ImportedScene& scene) {
    SceneFile file;
    file.Comments = {"Kelvarin scene imported from GIS data by kelvarin-cli import", "from " + scene.Sources};
    file.Polygons = {{scene.BasinName, scene.Basin}};
    file.Show = scene.Show;
    file.CRS = scene.Crs;
    for (const ImportedGauge& g : scene.Gauges) file.Stations.push_back({g.Name, g.Number, g.Point});
    file.CentrePoints = scene.CenterPoints;
    return SceneFileText(file);
}

}  // namespace kelvarin::gis
