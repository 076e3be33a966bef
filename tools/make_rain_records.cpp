// Writes synthetic gauge records for `kelvarin-cli areal`.
//   make_rain_records <out.csv>
//       the README's example: twelve hours of a storm over the bundled scene (data/rain_example.csv)
//   make_rain_records <out.csv> <rows> <step hours> <missing share> [<gauges> <scene out.ini>]
//       larger files; with <gauges>, also a scene of that many gauges on the sample basin

#include <exception>
#include <filesystem>
#include <iostream>

#include "scene/AtomicFile.hpp"
#include "tools/CommandLine.hpp"
#include "tools/RainRecords.hpp"

namespace {

// reads the command line and writes the records (and the scene); returns the exit status
int Run(int argc, char** argv) {
    using namespace kelvarin::sample;
    using namespace kelvarin::tools;
    CLI::App app(
        "Synthetic gauge records for kelvarin-cli areal. Given only OUT, the README's example "
        "(data/rain_example.csv); given ROWS STEP-HOURS MISSING-SHARE, records of the bundled "
        "scene's gauges, or with GAUGES SCENE of a scene of that many gauges, written too.",
        "make_rain_records");
    std::filesystem::path out, sceneOut;
    RainSettings settings;
    int gauges = 0;
    app.add_option("OUT", out, "Records file to write (CSV)")->required();
    CLI::Option* rows = app.add_option("ROWS", settings.Rows, "Time steps")->check(WholeAtLeast(1));
    CLI::Option* step = app.add_option("STEP-HOURS", settings.StepHours, "Hours between time steps (24: daily)")
                            ->check(WholeAtLeast(1));
    CLI::Option* missing =
        app.add_option("MISSING-SHARE", settings.MissingShare, "Chance that a cell has no record, 0 to 1")
            ->check(RealBetween(0, 1));
    CLI::Option* many =
        app.add_option("GAUGES", gauges, "Gauges of a scene on the sample basin")->check(WholeAtLeast(1));
    CLI::Option* scene = app.add_option("SCENE", sceneOut, "Scene file of those gauges to write");
    rows->needs(step);
    step->needs(missing);
    many->needs(scene);
    if (const std::optional<int> status = ParseCommandLine(app, argc, argv)) return *status;

    SampleScene sample = MakeSampleScene();
    if (many->count() > 0) {
        sample = SceneWithGauges(gauges, 41);
        kelvarin::WriteFileAtomically(sceneOut, SampleSceneText(sample));
    }
    kelvarin::WriteFileAtomically(out,
                                  RainRecordsText(sample.Gauges, rows->count() > 0 ? settings : ExampleRainSettings()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {  // a file that cannot be written
        std::cerr << "make_rain_records: " << e.what() << "\n";
        return 2;
    }
}
