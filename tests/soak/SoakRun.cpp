// kelvarin-soak: the saver's own run (RunSaver on a 1920x1080 Cairo surface, scripted
// window system, unpaced) for many cycles, sampling resident memory every few hundred
// cycles. It passes when every cycle completes without a failure shown on the screen
// and, after the settling cycles, resident memory grows by no more than the allowed
// amount.
//
//   kelvarin-soak [--scene bundled|gauges60] [--cycles N] [--every K] [--settle S] [--growth-mb M]

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/ForwardingSurface.hpp"
#include "render/CairoSurface.hpp"
#include "scene/AtomicFile.hpp"
#include "scene/ProgramFolder.hpp"
#include "scene/SceneWriter.hpp"
#include "tools/CommandLine.hpp"
#include "view/SaverRun.hpp"
#include "view/ScriptedWindowSystem.hpp"

namespace kelvarin {
namespace {

struct Options {
    std::string Scene = "bundled";
    long Cycles = 20000;
    long Every = 500;
    long Settle = 1000;
    double GrowthMb = 1.0;
};

// resident memory of this process, bytes
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Forwards to the Cairo surface and notices a failure text the saver puts on screen.
class WatchingSurface : public ForwardingSurface {
  public:
    explicit WatchingSurface(Surface& inner) : ForwardingSurface(inner) {}
    void Print(std::string_view text) override {
        if (failure_.empty() && (text.find("cannot show") != std::string_view::npos ||
                                 text.find("internal inconsistency") != std::string_view::npos ||
                                 text.find("stopped") != std::string_view::npos))
            failure_ = text;
        if (!failure_.empty() && failureDetail_.size() < 400 && text != failure_)
            failureDetail_ += std::string(text) + " ";
        Inner().Print(text);
    }

    const std::string& Failure() const { return failure_; }
    const std::string& FailureDetail() const { return failureDetail_; }

  private:
    std::string failure_, failureDetail_;
};

struct Sample {
    long Cycle;
    double Bytes;
};

// The scripted window system, ending the run after the wanted cycles (or when the run
// stops cycling) and sampling memory as cycles end.
class SoakWindowSystem : public ScriptedWindowSystem {
  public:
    SoakWindowSystem(long cycles, long every) : ScriptedWindowSystem(20240601), every_(every) {
        EndAfterCycles(cycles);
    }
    void CycleEnded() override {
        ScriptedWindowSystem::CycleEnded();
        idleWaits_ = 0;
        if (Cycles() % every_ == 0) {
            samples_.push_back({Cycles(), ResidentBytes()});
            std::printf("cycle %6ld  resident %8.2f MB\n", Cycles(), samples_.back().Bytes / 1048576.0);
            std::fflush(stdout);
        }
    }
    // a run that has stopped cycling (a failure on screen) only waits: end it
    void Wait(double seconds) override {
        ScriptedWindowSystem::Wait(seconds);
        if (++idleWaits_ > kMostIdleWaits && !stalled_) {
            stalled_ = true;
            Deliver(WindowEvent::CloseRequested);
        }
    }
    bool Stalled() const { return stalled_; }
    const std::vector<Sample>& Samples() const { return samples_; }

  private:
    static constexpr long kMostIdleWaits = 1000;
    long every_;
    long idleWaits_ = 0;
    bool stalled_ = false;
    std::vector<Sample> samples_;
};

// A 60-gauge scene: an irregular 40-vertex basin at map coordinates, gauges in and around
// it, every pair's centre point on its segment, shown with both methods.
std::string SixtyGaugeScene() {
    std::mt19937_64 random(60);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    SceneFile file;
    file.Polygons = {{"Basin", {}}};
    const int vertices = 40;
    for (int i = 0; i < vertices; ++i) {
        const double angle = 6.283185307179586 * i / vertices;
        const double r = 9000.0 * (0.75 + 0.25 * unit(random));
        file.Polygons[0].Vertices.push_back(cPoint{255000.0 + r * std::cos(angle), 2655000.0 + r * std::sin(angle), 0});
    }
    file.Show = "all";
    for (int i = 0; i < 60; ++i) {
        const cPoint g{255000.0 + 22000.0 * (unit(random) - 0.5), 2655000.0 + 22000.0 * (unit(random) - 0.5),
                       100.0 + 1900.0 * unit(random)};
        file.Stations.push_back({"G" + std::to_string(i + 1), "N" + std::to_string(i + 1), g});
    }
    for (std::size_t a = 0; a < file.Stations.size(); ++a) {
        for (std::size_t b = a + 1; b < file.Stations.size(); ++b) {
            const cPoint& A = file.Stations[a].Point;
            const cPoint& B = file.Stations[b].Point;
            const double t = 0.3 + 0.4 * unit(random);
            file.CentrePoints.push_back(cPoint{A.X + t * (B.X - A.X), A.Y + t * (B.Y - A.Y), A.z + t * (B.z - A.z)});
        }
    }
    // numbers as people write them: centimetres
    file.Numbers = {.Vertices = 2, .StationXY = 2, .Heights = 2, .CentrePoints = 2};
    return SceneFileText(file);
}

int Run(const Options& options) {
    std::filesystem::path folder = ProgramFolder();
    if (folder.empty()) throw std::runtime_error("cannot find the program's own folder");
    std::filesystem::path scratch;
    if (options.Scene == "gauges60") {  // else the bundled scene beside the program
        scratch = std::filesystem::temp_directory_path() / ("kelvarin-soak-" + std::to_string(::getpid()));
        std::filesystem::create_directories(scratch);
        WriteFileAtomically(scratch / kSceneFileName, SixtyGaugeScene());
        folder = scratch;
    }
    CairoSurface cairo(1920, 1080);
    WatchingSurface surface(cairo);
    SoakWindowSystem windows(options.Cycles, options.Every);
    std::printf("soak: %s scene, %ld cycles, 1920x1080\n", options.Scene.c_str(), options.Cycles);
    SaverSettings settings;
    settings.Scenes = {folder / kSceneFileName};
    settings.Pace = Pacing{};  // as fast as it computes
    SaverRun(surface, windows, settings).Run();
    if (!scratch.empty()) std::filesystem::remove_all(scratch);

    bool pass = true;
    if (!surface.Failure().empty()) {
        std::printf("FAIL: the saver showed a failure: %s %s\n", surface.Failure().c_str(),
                    surface.FailureDetail().c_str());
        pass = false;
    }
    if (windows.Cycles() < options.Cycles) {
        std::printf("FAIL: only %ld of %ld cycles ran\n", windows.Cycles(), options.Cycles);
        pass = false;
    }
    const std::vector<Sample>& samples = windows.Samples();
    double base = -1.0, top = 0.0;
    for (const Sample& s : samples) {
        if (s.Cycle < options.Settle) continue;
        if (base < 0.0) base = s.Bytes;
        top = std::max(top, s.Bytes);
    }
    if (base >= 0.0) {
        const double growth = (top - base) / 1048576.0;
        std::printf("resident after %ld cycles %.2f MB, highest later %.2f MB: growth %.3f MB (allowed %.3f)\n",
                    options.Settle, base / 1048576.0, top / 1048576.0, growth, options.GrowthMb);
        if (growth > options.GrowthMb) pass = false;
    }
    std::printf("%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

// reads the command line and runs the soak; returns the exit status
int RunCommandLine(int argc, char** argv) {
    Options options;
    CLI::App app(
        "The saver's own run for many cycles on a 1920x1080 Cairo surface, resident memory sampled. "
        "Passes when every cycle completes and memory grows by no more than allowed after the "
        "settling cycles.",
        "kelvarin-soak");
    app.add_option("--scene", options.Scene, "bundled, or gauges60: a generated 60-gauge scene")
        ->check(CLI::IsMember({"bundled", "gauges60"}))
        ->capture_default_str();
    app.add_option("--cycles", options.Cycles, "Cycles to run")->check(tools::WholeAtLeast(1))->capture_default_str();
    app.add_option("--every", options.Every, "Sample resident memory every K cycles")
        ->check(tools::WholeAtLeast(1))
        ->capture_default_str();
    app.add_option("--settle", options.Settle, "Cycles before memory must stay put")
        ->check(tools::WholeAtLeast(0))
        ->capture_default_str();
    app.add_option("--growth-mb", options.GrowthMb, "Growth allowed after the settling cycles, MB")
        ->check(tools::RealBetween(0, std::numeric_limits<double>::infinity()))
        ->capture_default_str();
    if (const std::optional<int> status = tools::ParseCommandLine(app, argc, argv)) return *status;
    return Run(options);
}

}  // namespace
}  // namespace kelvarin

int main(int argc, char** argv) {
    try {
        return kelvarin::RunCommandLine(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvarin-soak: %s\n", e.what());
        return 1;
    }
}
