// Both methods on the bundled scene, loaded from beside the binaries as the saver loads it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "tests/view/ViewTestSupport.hpp"

namespace kelvarin {
namespace {

using testing::kWeightSumTolerance;
using testing::TestWindow;

constexpr int kSubsets = 200;

std::unique_ptr<TestWindow> LoadBundled() {
    auto w = std::make_unique<TestWindow>(1024.0, 768.0, 11);
    w->window.Load(KELVARIN_BINARY_DIR);
    return w;
}

class BundledScene : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::filesystem::path(KELVARIN_BINARY_DIR) / kSceneFileName))
            GTEST_FAIL() << "the bundled scene is not beside the binaries in " << KELVARIN_BINARY_DIR;
        w = LoadBundled();
        ASSERT_EQ(w->window.LoadError(), "");
        ASSERT_GE(w->window.Stations.Count(), 3);
        ASSERT_FALSE(w->window.CenterPoints.Empty());  // the bundled scene shows both methods
    }

    // selects every station with probability one half, at least one
    std::vector<long> RandomSubset(std::mt19937_64& random) {
        std::vector<long> subset;
        while (subset.empty())
            for (long i = 1; i <= w->window.Stations.Count(); ++i)
                if (random() & 1) subset.push_back(i);
        return subset;
    }

    double WeightSum() const {
        double sum = 0.0;
        for (const auto& entry : w->window.Stations)
            if (entry->pSelect) sum += entry->GageStation->Weight.value();
        return sum;
    }

    std::unique_ptr<TestWindow> w;
};

TEST_F(BundledScene, ThiessenWeightsOfRandomSubsetsSumToOne) {
    std::mt19937_64 random(2024);
    for (int s = 0; s < kSubsets; ++s) {
        const auto subset = RandomSubset(random);
        w->Select(subset);
        ASSERT_EQ(w->window.AutoThiessen(), static_cast<long>(subset.size()));
        EXPECT_NEAR(WeightSum(), 1.0, kWeightSumTolerance) << "subset " << s << " of " << subset.size();
        for (long i : subset) EXPECT_GE(w->window.Stations(i)->GageStation->Weight.value(), 0.0);
        w->window.UndoThiessen();
    }
}

TEST_F(BundledScene, HeightBalanceWeightsOfRandomSubsetsSumToOne) {
    std::mt19937_64 random(2025);
    for (int s = 0; s < kSubsets; ++s) {
        const auto subset = RandomSubset(random);
        w->Select(subset);
        ASSERT_EQ(w->window.AutoHeightBalance(), static_cast<long>(subset.size()));
        EXPECT_NEAR(WeightSum(), 1.0, kWeightSumTolerance) << "subset " << s << " of " << subset.size();
        for (long i : subset) EXPECT_GE(w->window.Stations(i)->GageStation->Weight.value(), 0.0);
        w->window.UndoThiessen();
    }
}

TEST_F(BundledScene, TheDemonstrationRunsEndToEndWithBothMethods) {
    w->window.ShowMethod = ShowSetting::Both;
    w->windowSystem.EndAfterCycles(30);
    w->window.RunAnalysisAll();
    EXPECT_EQ(w->windowSystem.Cycles(), 30);
    long printed = 0;
    for (const auto& p : w->surface.Primitives()) printed += p.kind == RecordingSurface::Kind::Print;
    EXPECT_GT(printed, 30) << "weights were shown after the constructions";
}

}  // namespace
}  // namespace kelvarin
