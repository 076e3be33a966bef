// Scenes the weights fuzzer found, and every committed seed of the weights fuzzer (its
// findings among them) replayed the fuzzer's way, each built with both methods: every
// construction must pass its own check (weights finite, within [0, 1], adding up to 1).

#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneChecks.hpp"
#include "tests/fuzz/WeightsCase.hpp"

namespace kelvarin {
namespace {

struct Finding {
    const char* what;
    std::vector<std::pair<double, double>> basin, stations;
    std::vector<long> selection;
};

Scene SceneOf(const Finding& f) {
    Scene scene;
    scene.BasinName = "Basin";
    for (const auto& [x, y] : f.basin) scene.Basin.push_back(cPoint{x, y, 0.0});
    for (const auto& [x, y] : f.stations) scene.Stations.push_back(SceneStation{"G", "N", cPoint{x, y, 10.0}});
    for (std::size_t a = 0; a < f.stations.size(); ++a)
        for (std::size_t b = a + 1; b < f.stations.size(); ++b)
            scene.CenterPoints.push_back(cPoint{(f.stations[a].first + f.stations[b].first) / 2,
                                                (f.stations[a].second + f.stations[b].second) / 2, 10.0});
    return scene;
}

TEST(ConstructionFuzzFindings, EveryConstructionPassesItsCheck) {
    const std::vector<std::pair<double, double>> square = {
        {-10000, -10000}, {10000, -10000}, {10000, 10000}, {-10000, 10000}};
    const std::vector<Finding> findings = {
        // two gauges on an almost vertical line: the split line runs almost along the frame's
        // top and bottom, and its crossings with the frame edges were lost
        {"two gauges almost one above the other",
         square,
         {{-9000, -9000.0000000090949},
          {5000, -9000},
          {-7.8125, 20.5078125},
          {4000.0000000022737, 2.2737367544323206e-09},
          {3000.0000069849193, 3000.0035762786865},
          {3000.000000007276, -9000.0000000004547}},
         {5, 6}},
    };
    for (const Finding& f : findings) {
        const EngineScene local = PlacedOnMap(SceneOf(f)).Local;
        for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
            EXPECT_NO_THROW(BuildConstruction(method, local, f.selection)) << f.what;
        }
    }
}

// a seed's scene that the loader's rules refuse is skipped, as the fuzzer skips it
TEST(ConstructionFuzzSeeds, EverySeedPassesItsCheck) {
    long seeds = 0, built = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVARIN_SOURCE_DIR "/tests/fuzz/corpus/weights")) {
        const auto bytes = fuzz::ReadSeed(entry.path().string());
        const fuzz::WeightsCase c = fuzz::DecodeWeightsCase(bytes.data(), bytes.size());
        ++seeds;
        if (!CheckSceneGeometry(ProfileFile{}, c.scene).empty()) continue;
        const EngineScene local = PlacedOnMap(c.scene).Local;
        for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
            try {
                const Construction construction = BuildConstruction(method, local, c.selection);
                EXPECT_EQ(construction.Stations.size(), c.selection.size()) << entry.path().filename().string();
                ++built;
            } catch (const std::exception& e) {
                ADD_FAILURE() << entry.path().filename().string()
                              << (method == Method::Thiessen ? " thiessen: " : " heightbalance: ") << e.what();
            }
        }
    }
    EXPECT_GE(seeds, 6);
    EXPECT_GE(built, 2 * 4);
}

}  // namespace
}  // namespace kelvarin
