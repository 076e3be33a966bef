// Writes synthetic gauge records for `kelvarin-cli areal`.
//   make_rain_records <out.csv>
//       the README's example: twelve hours of a storm over the bundled scene (data/rain_example.csv)
//   make_rain_records <out.csv> <rows> <step hours> <missing share> [<gauges> <scene out.ini>]
//       [--gauges-of SCENE] [--missing-runs N]
//       larger files; with <gauges>, also a scene of that many gauges on the sample basin; with
//       --gauges-of, records of that scene's gauges; with --missing-runs, gauges missing for runs
//       of 1 to N steps

#include <exception>
#include <filesystem>
#include <iostream>

#include "scene/AtomicFile.hpp"
#include "scene/Scene.hpp"
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
    std::filesystem::path gaugesOf;
    CLI::Option* of = app.add_option("--gauges-of", gaugesOf, "Records of the gauges of this scene file instead");
    app.add_option("--missing-runs", settings.MissingRunSteps,
                   "Gauges go missing for runs of 1 to N steps (MISSING-SHARE of the cells in all) "
                   "instead of cell by cell")
        ->check(WholeAtLeast(1));
    rows->needs(step);
    step->needs(missing);
    many->needs(scene);
    of->excludes(many);
    if (const std::optional<int> status = ParseCommandLine(app, argc, argv)) return *status;

    SampleScene sample = MakeSampleScene();
    if (of->count() > 0) {
        sample.Gauges.clear();
        for (const kelvarin::SceneStation& station : kelvarin::LoadScene(gaugesOf).Stations)
            sample.Gauges.push_back(Gauge{station.Name, station.Number, station.Point});
    }
    if (many->count() > 0) {
        sample = SceneWithGauges(gauges, 41);
        kelvarin::WriteFileAtomically(sceneOut, SampleSceneText(sample));
    }
    kelvarin::WriteFileAtomically(out,
                                  RainRecordsText(sample.Gauges, rows->count() > 0 ? settings : ExampleRainSettings()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return kelvarin::tools::RunReportingFailure("make_rain_records", Run, argc, argv); }
