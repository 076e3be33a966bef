// kelvarin-cli areal's whole road for a file of gauge records: read the CSV, build the
// weights once per distinct selection of reporting gauges, write the areal rainfall.
//   - one year of hourly records for the bundled scene's 18 gauges, about 5% of the
//     cells missing at random (hundreds of distinct selections);
//   - thirty years of daily records for 41 gauges on the sample basin, 5% missing
//     (nearly every day its own selection).
// Both methods, and the plain mean for comparison. Each iteration starts with an empty
// cache. Run: build/<dir>/bin/areal_bench
//   (cmake --build build/<dir> --target areal_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/ArealRainfall.hpp"
#include "cli/SelectionWeights.hpp"
#include "scene/Scene.hpp"
#include "tools/RainRecords.hpp"

namespace {

using namespace kelvarin;

constexpr double kMissingShare = 0.05;

struct RainCase {
    Scene Gauges;
    std::string Rain;
};

// a year of hourly records for the bundled scene
const RainCase& HourlyYear() {
    static const RainCase hourly = [] {
        RainCase c;
        c.Gauges = LoadScene(std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini");
        sample::RainSettings settings;
        settings.Rows = 8760;
        settings.MissingShare = kMissingShare;
        std::vector<sample::Gauge> gauges;
        for (const SceneStation& s : c.Gauges.Stations) gauges.push_back({s.Name, s.Number, s.Point});
        c.Rain = sample::RainRecordsText(gauges, settings);
        return c;
    }();
    return hourly;
}

// thirty years of daily records for 41 gauges on the sample basin
const RainCase& DailyThirtyYears() {
    static const RainCase daily = [] {
        RainCase c;
        const sample::SampleScene scene = sample::SceneWithGauges(41, 41);
        const auto file =
            std::filesystem::temp_directory_path() / ("kelvarin-areal-bench-" + std::to_string(::getpid()) + ".ini");
        std::ofstream(file, std::ios::binary) << sample::SampleSceneText(scene);
        c.Gauges = LoadScene(file);
        c.Gauges.Path.clear();
        std::filesystem::remove(file);
        sample::RainSettings settings;
        settings.Rows = 30 * 365 + 8;  // 1 January 2024 to 31 December 2053
        settings.StepHours = 24;
        settings.MissingShare = kMissingShare;
        c.Rain = sample::RainRecordsText(scene.Gauges, settings);
        return c;
    }();
    return daily;
}

void Areal(benchmark::State& state, const RainCase& (*rainCase)(), ArealMethod method) {
    const RainCase& c = rainCase();
    ArealCounts counts;
    std::size_t written = 0;
    for (auto _ : state) {
        std::istringstream in(c.Rain);
        RainCsvReader reader(in, "bench.csv");
        SelectionWeights selectionWeights(c.Gauges, method);
        std::ostringstream out;
        counts = WriteArealRainfallCsv(reader, c.Gauges.Stations, {}, ArealSettings{}, selectionWeights, out, nullptr);
        written = out.str().size();
        benchmark::DoNotOptimize(written);
    }
    state.counters["rows"] = static_cast<double>(counts.Rows);
    state.counters["selections"] = static_cast<double>(counts.Selections);
    state.counters["bytes_in"] = static_cast<double>(c.Rain.size());
}

BENCHMARK_CAPTURE(Areal, hourly_18_thiessen, HourlyYear, ArealMethod::Thiessen)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Areal, hourly_18_heightbalance, HourlyYear, ArealMethod::HeightBalance)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Areal, hourly_18_mean, HourlyYear, ArealMethod::Mean)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Areal, daily30y_41_thiessen, DailyThirtyYears, ArealMethod::Thiessen)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Areal, daily30y_41_heightbalance, DailyThirtyYears, ArealMethod::HeightBalance)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Areal, daily30y_41_mean, DailyThirtyYears, ArealMethod::Mean)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
