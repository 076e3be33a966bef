// Drawing speed of the Cairo surface on the bundled scene: one whole demonstration
// cycle at 1920x1080 (every frame composed, none written), and a full basin redraw at
// 1920x1080 and 3840x2160.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "render/CairoSurface.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

const std::filesystem::path kScene = std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / kSceneFileName;

// the map window on a Cairo surface of the given size, loaded with the bundled scene
struct Window {
    CairoSurface surface;
    ScriptedWindowSystem windowSystem;
    picGIS gis;
    Window(int width, int height, std::uint64_t seed)
        : surface(width, height), windowSystem(seed), gis(surface, windowSystem) {
        surface.SetAutoRedraw(true);  // the window keeps what is drawn on it
        gis.OpenThiessenFile(kScene.string());
        gis.CreditText = MakeCreditText();
        gis.labMarkTarvo.Caption = gis.CreditText;
        gis.PlaceCreditLabel();
    }
};

// one cycle of RunAnalysisAll: selection, one method's construction ring by ring with a
// presented frame after each, the weights, the undo and the label's move
void BM_DemonstrationCycle(benchmark::State& state) {
    std::uint64_t seed = 1;
    long frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window>(1920, 1080, seed++);
        window->windowSystem.EndAfterCycles(1);
        // every presented frame is composed, as a window host shows it
        window->surface.SetPresentHook([](const CairoSurface::Frame& f) { benchmark::DoNotOptimize(f.Owner.Image()); });
        state.ResumeTiming();
        window->gis.RunAnalysisAll();
        frames += window->surface.FramesPresented();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["frames/cycle"] = benchmark::Counter(static_cast<double>(frames) / state.iterations());
}
BENCHMARK(BM_DemonstrationCycle)->Unit(benchmark::kMillisecond);

// ReDrawBasin with a finished Thiessen construction of every gauge in the layers: clear,
// all seven layers and every gauge mark into the persistent image, then one presented frame
void BM_ReDrawBasin(benchmark::State& state) {
    Window window(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 1);
    for (auto& entry : window.gis.Stations) entry->pSelect = true;
    if (!window.gis.AutoThiessen()) state.SkipWithError("the construction did not finish");
    for (auto _ : state) {
        window.gis.ReDrawBasin();
        window.surface.Refresh();
        benchmark::DoNotOptimize(window.surface.Image());
    }
}
BENCHMARK(BM_ReDrawBasin)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// presenting alone: the persistent image copied to the frame and the label drawn over it
void BM_PresentFrame(benchmark::State& state) {
    Window window(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 1);
    for (auto _ : state) {
        window.surface.Refresh();
        benchmark::DoNotOptimize(window.surface.Image());
    }
}
BENCHMARK(BM_PresentFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvarin

BENCHMARK_MAIN();
