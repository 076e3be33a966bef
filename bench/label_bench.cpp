// The gauge labels' placement against the construction it labels, on generated scenes of 100
// and 1,000 gauges over the sample basin (tools/make_sample_scene --gauges N), every gauge
// selected: one Thiessen construction of the selection, and the map window's showing of all
// the labels (measuring, placing, drawing) on the recording surface, whose drawing costs
// nothing and whose measuring is an estimate, so it times the placement; and on the Cairo
// surface, with Pango's measuring and drawing. Then Pango's measuring of 1,000 texts alone,
// and the whole figure `render` draws of 1,000 gauges. Last, in one run, the placement alone
// against one construction and against the whole figure, as ratios.
// Run: build/<dir>/bin/label_bench
//   (cmake --build build/<dir> --target label_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "render/CairoSurface.hpp"
#include "render/RecordingSurface.hpp"
#include "scene/Scene.hpp"
#include "tools/SampleScene.hpp"
#include "view/Figure.hpp"
#include "view/LabelPlacement.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace {

using namespace kelvarin;

// the generated scene of so many gauges, written to a temporary file once and read as a
// scene file is
std::shared_ptr<const Scene> GeneratedScene(long gauges) {
    static std::map<long, std::shared_ptr<const Scene>> scenes;
    auto& scene = scenes[gauges];
    if (!scene) {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() / ("kelvarin-label-bench-" + std::to_string(::getpid()) + ".ini");
        std::ofstream(file, std::ios::binary) << sample::LargeSceneText({gauges, false, 1});
        scene = std::make_shared<const Scene>(LoadScene(file));
        std::filesystem::remove(file);
    }
    return scene;
}

std::vector<long> EveryGauge(long gauges) {
    std::vector<long> all(static_cast<std::size_t>(gauges));
    std::iota(all.begin(), all.end(), 1L);
    return all;
}

// every gauge of the map window's scene selected, each with an equal weight
void SelectAndWeighEvery(picGIS& gis) {
    for (auto& entry : gis.Stations) {
        entry->pSelect = true;
        entry->GageStation->Weight = 1.0 / static_cast<double>(gis.Stations.Count());
    }
}

// the field the map window gives the placement on the surface, every gauge of the scene labelled
LabelField EveryGaugeLabelField(Surface& surface, std::shared_ptr<const Scene> scene) {
    ScriptedWindowSystem windowSystem;
    picGIS gis(surface, windowSystem);
    gis.OpenScene(std::move(scene));
    SelectAndWeighEvery(gis);
    std::vector<long> labelled;
    std::vector<std::string> texts;
    return gis.GaugeLabelField(labelled, texts);
}

// one Thiessen construction of every gauge; range(0) gauges
void ThiessenConstruction(benchmark::State& state) {
    const std::vector<long> all = EveryGauge(state.range(0));
    const auto scene = GeneratedScene(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(BuildConstruction(Method::Thiessen, scene->Local, all));
}
BENCHMARK(ThiessenConstruction)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// the map window on the surface with every gauge selected and weighed, its labels shown each
// round; range(0) gauges on a picture of range(1) x range(2) pixels
template <typename MakeSurface>
void ShowLabels(benchmark::State& state, MakeSurface make) {
    const long gauges = state.range(0);
    auto surface = make(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    ScriptedWindowSystem windowSystem;
    picGIS gis(*surface, windowSystem);
    gis.OpenScene(GeneratedScene(gauges));
    gis.PlaceCreditLabel();
    SelectAndWeighEvery(gis);
    long unplaced = 0;
    for (auto _ : state) unplaced = gis.ShowStationWeights();
    state.counters["unplaced"] = static_cast<double>(unplaced);
}

void PlaceLabelsRecording(benchmark::State& state) {
    ShowLabels(state, [](int w, int h) { return std::make_unique<RecordingSurface>(w, h, false); });
}
BENCHMARK(PlaceLabelsRecording)
    ->Args({100, 1920, 1080})
    ->Args({1000, 1920, 1080})
    ->Args({1000, 3840, 2160})
    ->Unit(benchmark::kMillisecond);

void PlaceLabelsCairo(benchmark::State& state) {
    ShowLabels(state, [](int w, int h) {
        auto surface = std::make_unique<CairoSurface>(w, h);
        surface->SetAutoRedraw(true);
        return surface;
    });
}
BENCHMARK(PlaceLabelsCairo)->Args({100, 1920, 1080})->Args({1000, 1920, 1080})->Unit(benchmark::kMillisecond);

// PlaceLabels alone, on the field the map window gives it of range(0) gauges all selected on
// the Cairo surface of range(1) x range(2) pixels
void PlaceLabelsAlone(benchmark::State& state) {
    CairoSurface surface(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    const LabelField field = EveryGaugeLabelField(surface, GeneratedScene(state.range(0)));
    long unplaced = 0;
    for (auto _ : state) unplaced = PlaceLabels(field).Unplaced;
    state.counters["unplaced"] = static_cast<double>(unplaced);
}
BENCHMARK(PlaceLabelsAlone)
    ->Args({100, 1920, 1080})
    ->Args({1000, 1920, 1080})
    ->Args({1000, 3840, 2160})
    ->Unit(benchmark::kMillisecond);

// measuring 1,000 labels' text with Pango, as the Cairo surface does before placing them (on
// a fresh surface each round: the surface keeps what it measured for printing)
void MeasureLabelsCairo(benchmark::State& state) {
    std::vector<std::string> texts;
    for (long i = 1; i <= 1000; ++i) texts.push_back("Gauge_" + std::to_string(i) + " 0.1%");
    for (auto _ : state) {
        state.PauseTiming();
        auto surface = std::make_unique<CairoSurface>(1920, 1080);
        state.ResumeTiming();
        for (const std::string& text : texts) benchmark::DoNotOptimize(surface->MeasureText(text));
        state.PauseTiming();
        surface.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(MeasureLabelsCairo)->Unit(benchmark::kMillisecond);

// the whole figure `render` draws of the construction, the labels included
void DrawFigureCairo(benchmark::State& state) {
    const std::vector<long> all = EveryGauge(1000);
    long unplaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto surface = std::make_unique<CairoSurface>(1920, 1080);
        surface->SetAutoRedraw(true);
        state.ResumeTiming();
        unplaced = DrawFigure(*surface, GeneratedScene(1000), Method::Thiessen, all).UnplacedLabels;
        state.PauseTiming();
        surface.reset();
        state.ResumeTiming();
    }
    state.counters["unplaced"] = static_cast<double>(unplaced);
}
BENCHMARK(DrawFigureCairo)->Unit(benchmark::kMillisecond);

// seconds since `start`
double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// In one run, range(0) gauges all selected, 1920 x 1080 on the Cairo surface: one Thiessen
// construction, the whole figure `render` draws (construction, drawing, measuring, placing
// and printing the labels), and PlaceLabels alone on the field the map window gives it.
// Counters: each in milliseconds, labels placed per second, and the placement's share of the
// construction and of the figure; the figure without placement takes (1 - that share) of it.
void PlacementAgainstConstructionAndFigure(benchmark::State& state) {
    const long gauges = state.range(0);
    const std::vector<long> all = EveryGauge(gauges);
    const auto scene = GeneratedScene(gauges);
    double construction = 0.0, figure = 0.0, placement = 0.0;
    long unplaced = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(BuildConstruction(Method::Thiessen, scene->Local, all));
        construction += Since(start);

        CairoSurface surface(1920, 1080);
        surface.SetAutoRedraw(true);
        start = std::chrono::steady_clock::now();
        unplaced = DrawFigure(surface, scene, Method::Thiessen, all).UnplacedLabels;
        figure += Since(start);

        // the same labels on a map window of the same surface, placed alone
        const LabelField field = EveryGaugeLabelField(surface, scene);
        start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(PlaceLabels(field));
        placement += Since(start);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["construction_ms"] = construction / runs * 1e3;
    state.counters["figure_ms"] = figure / runs * 1e3;
    state.counters["placement_ms"] = placement / runs * 1e3;
    state.counters["labels_per_s"] = static_cast<double>(gauges) * runs / placement;
    state.counters["placement/construction"] = placement / construction;
    state.counters["placement/figure"] = placement / figure;
    state.counters["unplaced"] = static_cast<double>(unplaced);
}
BENCHMARK(PlacementAgainstConstructionAndFigure)->Arg(100)->Arg(1000)->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
