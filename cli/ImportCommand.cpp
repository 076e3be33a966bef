// kelvarin-cli import: a scene file from a basin polygon layer, a gauge table or point
// layer and, optionally, a terrain model. Notes on what was changed on the way go to
// stderr; the scene file appears only when everything succeeded.

#include <iostream>
#include <memory>

#include "cli/Commands.hpp"
#include "gis/SceneImport.hpp"

namespace kelvarin {

// adds `import --basin FILE ... --out FILE`
void AddImportCommand(CLI::App& app) {
    auto options = std::make_shared<gis::ImportOptions>();
    CLI::App* import = app.add_subcommand("import", "Make a scene file from GIS data (basin, gauges, terrain)");
    import->add_option("--basin", options->Basin, "Basin polygon(s): any vector file GDAL reads")->required();
    import->add_option("--layer", options->Layer, "Layer of the basin file (default: its only layer)");
    import->add_option("--where", options->Where, "Attribute filter picking the basin feature(s), such as \"ID = 7\"");
    import
        ->add_option("--gauges", options->Gauges,
                     "Gauges: a CSV table (name, number, x/y or lon/lat, height) "
                     "or a point layer")
        ->required();
    import->add_option("--dem", options->Dem, "Terrain model (any raster GDAL reads) for heights and centre points");
    import->add_option("--crs", options->Crs,
                       "Projected coordinate system of the scene, such as EPSG:32613 (default: the basin's own "
                       "when projected, else the UTM zone of its centroid)");
    import->add_option("--name-field", options->NameField, "Gauge name column (default: name)");
    import->add_option("--number-field", options->NumberField, "Gauge number column (default: number)");
    import->add_option("--height-field", options->HeightField, "Gauge height column (default: height)");
    import->add_option("--show", options->Show, "all, thiessen or heightbalance (default: all)");
    import->add_option("--out", options->Out, "Scene file to write")->required();
    import->callback([options] {
        const gis::ImportedScene scene = gis::ImportScene(*options, std::cerr);
    gis::WriteFileAtomically(options->Out, gis::SceneText(scene));
    std::cerr << "wrote " << options->Out.string() << ": basin of " << scene.Basin.size() << " vertices, "
              << scene.Gauges.size() << " gauges, " << scene.CenterPoints.size() << " centre points, " << scene.Crs
              << "\n";
});
}  // namespace kelvarin

}  // namespace kelvarin
