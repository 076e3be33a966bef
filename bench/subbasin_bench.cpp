// One construction of 100 gauges over 50 sub-basins against the same construction over their
// union alone (the outline they tile): the cost of cutting every cell by the sub-basins.
// Run: build/<dir>/bin/subbasin_bench
//   (cmake --build build/<dir> --target subbasin_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneWriter.hpp"
#include "tests/engine/SubbasinSets.hpp"

namespace {

using namespace kelvarin;

constexpr int kGauges = 100;

// 10 sectors of 5 bands over a 2,000-vertex outline, and 100 gauges over it, at UTM coordinates
const Scene& FiftySubbasins() {
    static const Scene scene = [] {
        testing::SubbasinSetOptions options;
        options.RimVertices = 2000;
        options.Sectors = 10;
        options.MaxBands = 5;
        options.AllBands = true;
        options.DivideVertices = 40;
        options.Enclave = options.Lake = false;
        testing::GaugeSpread gauges;
        gauges.Count = kGauges;
        gauges.Seed = 100;
        gauges.HalfWidth = 28000;
        gauges.HalfHeight = 22000;
        const SceneFile file = testing::SubbasinSceneFile(testing::MakeSubbasinSet(options), options, gauges);
        return LoadSceneText(SceneFileText(file), "fifty-subbasins.ini");
    }();
    return scene;
}

// the same scene with the union of its sub-basins, the outline, as the one basin
const EngineScene& UnionAlone() {
    static const EngineScene scene = [] {
        EngineScene outline = FiftySubbasins().Local;
        outline.Subbasins.clear();
        double twice = 0.0;
        for (std::size_t i = 0; i < outline.Basin.size(); ++i) {
            const cPoint& a = outline.Basin[i];
            const cPoint& b = outline.Basin[(i + 1) % outline.Basin.size()];
            twice += a.X * b.Y - b.X * a.Y;
        }
        outline.BasinArea = std::abs(twice) / 2;
        return outline;
    }();
    return scene;
}

std::vector<long> AllGauges() {
    std::vector<long> all;
    for (long k = 1; k <= kGauges; ++k) all.push_back(k);
    return all;
}

void Construction(benchmark::State& state, const EngineScene& scene, const char* label) {
    const Method method = state.range(0) ? Method::HeightBalance : Method::Thiessen;
    const std::vector<long> selection = AllGauges();
    for (auto _ : state) benchmark::DoNotOptimize(BuildConstruction(method, scene, selection));
    state.SetLabel(std::string(label) + (state.range(0) ? ", heightbalance" : ", thiessen"));
}

void BM_UnionAlone(benchmark::State& state) { Construction(state, UnionAlone(), "100 gauges, the union alone"); }
void BM_FiftySubbasins(benchmark::State& state) {
    Construction(state, FiftySubbasins().Local, "100 gauges, 50 sub-basins");
}
BENCHMARK(BM_UnionAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FiftySubbasins)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
