// Areal rainfall weighs a selection of a rain file's gauges from one construction of them
// all; with sub-basins, from that construction cut by every ring of every sub-basin. Over
// generated sub-basin sets (an enclave, a lake with an island that is a second part of
// another sub-basin) and hundreds of random selections, the weights so found equal those of
// a whole construction of each selection, in every sub-basin and in their union.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "cli/SelectionWeights.hpp"
#include "engine/Construction.hpp"
#include "tests/engine/SubbasinSets.hpp"

namespace kelvarin {
namespace {

constexpr double kSameWeight = 1e-12;
constexpr int kSelectionsPerScene = 120;

TEST(SubbasinArealWeights, FromTheBaseEqualAWholeConstructionInEverySubbasin) {
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        const Scene scene = testing::GeneratedSubbasinScene(seed, 20 + 10 * static_cast<int>(seed));
        const std::size_t gauges = scene.Stations.size(), subbasins = scene.Subbasins.size();
        ASSERT_GT(subbasins, 1u);
        std::vector<long> all(gauges);
        for (std::size_t k = 0; k < gauges; ++k) all[k] = static_cast<long>(k + 1);
        SelectionWeights weights(scene, ArealMethod::Thiessen);
        weights.SetBase(all);
        std::mt19937_64 random(seed);
        for (int trial = 0; trial < kSelectionsPerScene; ++trial) {
            // from one gauge missing to a quarter of them, as a storm's records have it
            const double missing = std::uniform_real_distribution<double>(0.01, 0.25)(random);
            std::vector<long> selection;
            for (long station : all)
                if (std::uniform_real_distribution<double>(0, 1)(random) >= missing) selection.push_back(station);
            if (selection.size() < 2) continue;
            const std::vector<double> found = weights(selection);
            const Construction whole = BuildConstruction(Method::Thiessen, scene.Local, selection);
            const std::size_t n = selection.size();
            ASSERT_EQ(found.size(), (1 + subbasins) * n);
            for (std::size_t k = 0; k < n; ++k) {
                const StationPart& part = whole.Stations[k];
                EXPECT_NEAR(found[k], part.Weight, kSameWeight) << "seed " << seed << " station " << selection[k];
                for (std::size_t s = 0; s < subbasins; ++s)
                    EXPECT_NEAR(found[(s + 1) * n + k], part.Subbasins[s].Weight, kSameWeight)
                        << "seed " << seed << " station " << selection[k] << " in " << scene.Subbasins[s].Name;
            }
        }
        EXPECT_GT(weights.Incremental(), kSelectionsPerScene / 2) << "seed " << seed;
    }
}

}  // namespace
}  // namespace kelvarin
