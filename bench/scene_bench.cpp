// The scene loader on large generated scenes (tools/make_sample_scene): 1,000 gauges with
// every pair's centre point (15 MB, 499,500 centre points), 10,000 and 20,000 gauges, and
// 20,000 small polygon sections; each loaded and checked as `kelvarin-cli check` does.
// Run: build/<dir>/bin/scene_bench
//   (cmake --build build/<dir> --target scene_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>

#include "scene/Scene.hpp"
#include "tools/SampleScene.hpp"

namespace {

using namespace kelvarin;

// a generated scene written once to a temporary file, removed at exit
class SceneFile {
  public:
    explicit SceneFile(const sample::LargeSceneOptions& options) {
        path_ = std::filesystem::temp_directory_path() /
                ("kelvarin-scene-bench-" + std::to_string(::getpid()) + "-" + std::to_string(options.Gauges) + "-" +
                 std::to_string(options.CenterPoints) + "-" + std::to_string(options.Sections) + ".ini");
        std::ofstream(path_, std::ios::binary) << sample::LargeSceneText(options);
    }
    SceneFile(const SceneFile&) = delete;
    SceneFile& operator=(const SceneFile&) = delete;
    ~SceneFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

const std::filesystem::path& Scene(long gauges, bool centrePoints, long sections) {
    static std::map<std::tuple<long, bool, long>, SceneFile> files;
    const auto key = std::tuple{gauges, centrePoints, sections};
    auto found = files.find(key);
    if (found == files.end())
        found = files.try_emplace(key, sample::LargeSceneOptions{gauges, centrePoints, sections}).first;
    return found->second.Path();
}

void Load(benchmark::State& state, long gauges, bool centrePoints, long sections) {
    const std::filesystem::path& file = Scene(gauges, centrePoints, sections);
    std::size_t points = 0;
    for (auto _ : state) {
        const kelvarin::Scene scene = LoadScene(file);
        points = scene.CenterPoints.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["centre_points"] = static_cast<double>(points);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(file)));
}

BENCHMARK_CAPTURE(Load, gauges_1000_centre_points, 1000, true, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, gauges_10000, 10000, false, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, gauges_20000, 20000, false, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, polygon_sections_20000, 20, false, 20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
