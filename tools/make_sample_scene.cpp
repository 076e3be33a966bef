// Writes the bundled sample scene, or a large scene for benchmarks.
// Usage: make_sample_scene [--gauges N [--center-points] [--sections K]] <output file>
// Without options it writes the bundled scene (the committed file is data/Kelvarin.ini;
// "cmake --build <dir> --target sample-scene" remakes it). With --gauges it writes N gauges
// over the sample basin, every pair's centre point with --center-points, and K polygon
// sections (K - 1 small blocks before the basin's own) with --sections.

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "scene/AtomicFile.hpp"
#include "tools/CommandLine.hpp"
#include "tools/SampleScene.hpp"

namespace {

// reads the command line and writes the scene; returns the exit status
int Run(int argc, char** argv) {
    using namespace kelvarin::sample;
    using namespace kelvarin::tools;
    CLI::App app(
        "Writes the bundled sample scene (data/Kelvarin.ini), or with --gauges a large scene for "
        "benchmarks (see bench/README.md).",
        "make_sample_scene");
    LargeSceneOptions large;
    std::filesystem::path out;
    CLI::Option* gauges =
        app.add_option("--gauges", large.Gauges, "N gauges over the sample basin")->check(WholeAtLeast(1));
    app.add_flag("--center-points", large.CenterPoints, "Show=all and every pair's centre point")->needs(gauges);
    app.add_option("--sections", large.Sections, "K polygon sections, the basin's last")
        ->check(WholeAtLeast(1))
        ->needs(gauges);
    app.add_option("OUT", out, "Scene file to write")->required();
    if (const std::optional<int> status = ParseCommandLine(app, argc, argv)) return *status;

    const std::string text = gauges->count() > 0 ? LargeSceneText(large) : SampleSceneText(MakeSampleScene());
    kelvarin::WriteFileAtomically(out, text);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {  // a file that cannot be written
        std::cerr << "make_sample_scene: " << e.what() << "\n";
        return 2;
    }
}
