// kelvarin-cli import: a scene file from a basin polygon layer, a gauge table or point
// layer and, optionally, a terrain model. Notes on what was changed on the way go to
// stderr after the scene file is written; it appears only when everything succeeded.
// A problem with an input is said with that input's flag in front (cli/GisFlags).

#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "cli/Commands.hpp"
#include "cli/GisFlags.hpp"
#include "gis/SceneImport.hpp"
#include "scene/AtomicFile.hpp"

namespace kelvarin {

// adds `import --basin FILE ... --out FILE`
void AddImportCommand(CLI::App& app) {
    using gis::GisInput;
    auto options = std::make_shared<gis::ImportOptions>();
    CLI::App* command = app.add_subcommand("import", "Make a scene file from GIS data (basin, gauges, terrain)");
    command->add_option(FlagOf(GisInput::Basin), options->Basin, "Basin polygon(s): any vector file GDAL reads")
        ->required();
    command->add_option(FlagOf(GisInput::Layer), options->Layer, "Layer of the basin file (default: its only layer)");
    command->add_option(FlagOf(GisInput::Where), options->Where,
                        "Attribute filter picking the basin feature(s), such as \"ID = 7\"");
    command
        ->add_option(FlagOf(GisInput::Gauges), options->Gauges,
                     "Gauges: a CSV table (name, number, x/y or lon/lat, height) or a point layer")
        ->required();
    command->add_option(FlagOf(GisInput::Dem), options->Dem,
                        "Terrain model (any raster GDAL reads) for heights and centre points");
    command->add_option(FlagOf(GisInput::Crs), options->Crs,
                        "Projected coordinate system of the scene, such as EPSG:32613 (default: the basin's own "
                        "when projected, else the UTM zone of its centroid)");
    command->add_option(FlagOf(GisInput::NameField), options->NameField, "Gauge name column (default: name)");
    command->add_option(FlagOf(GisInput::NumberField), options->NumberField, "Gauge number column (default: number)");
    command->add_option(FlagOf(GisInput::HeightField), options->HeightField, "Gauge height column (default: height)");
    command->add_option(FlagOf(GisInput::Show), options->Show, "all, thiessen or heightbalance (default: all)");
    command->add_option(FlagOf(GisInput::Out), options->Out, "Scene file to write")->required();
    command->callback([options] {
        // notes are printed only when the import succeeds: a failure is one line
        std::ostringstream notes;
        gis::ImportedScene scene;
        try {
            scene = gis::ImportScene(*options, notes);
        } catch (const gis::GisError& e) {
            throw std::runtime_error(FlagLine(e));
        }
        WriteFileAtomically(options->Out, gis::SceneText(scene));
        std::cerr << notes.str() << "wrote " << options->Out.string() << ": basin of " << scene.Basin.size()
                  << " vertices, " << scene.Gauges.size() << " gauges, " << scene.CenterPoints.size()
                  << " centre points, " << (scene.Crs.size() <= 40 ? scene.Crs : "its CRS= coordinate system") << "\n";
    });
}

}  // namespace kelvarin
