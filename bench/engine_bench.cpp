// The construction engine on the bundled scene: one selection's whole construction and
// weights, as `weights` and any caller that re-weights thousands of time steps builds it.
// Run: build/<dir>/bin/engine_bench
//   (cmake --build build/<dir> --target engine_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/Scene.hpp"

namespace {

using namespace kelvarin;

const EngineScene& Bundled() {
    static const EngineScene scene = LoadScene(std::filesystem::path(KELVARIN_SOURCE_DIR) / "data/Kelvarin.ini").Local;
    return scene;
}

// 64 random selections of the bundled scene's gauges, each gauge with probability one half
std::vector<std::vector<long>> Selections() {
    std::mt19937 rng(3);
    std::vector<std::vector<long>> selections;
    while (selections.size() < 64) {
        std::vector<long> s;
        for (long i = 1; i <= static_cast<long>(Bundled().Stations.size()); ++i)
            if (rng() & 1) s.push_back(i);
        if (!s.empty()) selections.push_back(s);
    }
    return selections;
}

void Construction(benchmark::State& state, Method method) {
    const std::vector<std::vector<long>> selections = Selections();
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildConstruction(method, Bundled(), selections[k]));
        k = (k + 1) % selections.size();
    }
    state.SetLabel("random selections of 18 gauges");
}

void ThiessenConstruction(benchmark::State& state) { Construction(state, Method::Thiessen); }
void HeightBalanceConstruction(benchmark::State& state) { Construction(state, Method::HeightBalance); }
BENCHMARK(ThiessenConstruction)->Unit(benchmark::kMicrosecond);
BENCHMARK(HeightBalanceConstruction)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
