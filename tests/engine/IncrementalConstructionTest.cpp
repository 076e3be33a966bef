// Weights from one construction of the base against the whole construction of each
// selection, on scenes that stress the sharing out of missing gauges' cells: the bundled
// scene, hundreds of gauges strewn over and around the sample basin, gauges on a square
// grid (four or more on one circle everywhere) and gauges at one place or a hair apart.
// Selections lack gauges at random, in runs as a gauge archive loses them, whole stretches
// of the network, the gauges at the edges (which move the frame) and all but a few.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "engine/IncrementalConstruction.hpp"
#include "engine/StationList.hpp"
#include "geometry/modGISTools.hpp"
#include "scene/Scene.hpp"
#include "tools/SampleScene.hpp"

namespace kelvarin {
namespace {

constexpr double kTolerance = 1e-12;

// a scene of the sample basin with the given gauges
Scene SampleBasinWith(const std::vector<cPoint>& gauges) {
    const sample::SampleScene sample = sample::MakeSampleScene();
    Scene scene;
    scene.BasinName = sample.BasinName;
    scene.Basin = sample.Boundary;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        scene.Stations.push_back(SceneStation{"g" + std::to_string(i + 1), std::to_string(i + 1), gauges[i]});
    return PlacedOnMap(scene);
}

// the sample basin's box: min X, min Y, max X, max Y
std::array<double, 4> BasinBox() {
    const sample::SampleScene sample = sample::MakeSampleScene();
    std::array<double, 4> box{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const cPoint& p : sample.Boundary) {
        box[0] = std::min(box[0], p.X), box[1] = std::min(box[1], p.Y);
        box[2] = std::max(box[2], p.X), box[3] = std::max(box[3], p.Y);
    }
    return box;
}

// gauges strewn at random over the basin's box and a band of a tenth around it, to a metre
std::vector<cPoint> StrewnGauges(int count, std::uint64_t seed) {
    const auto [minX, minY, maxX, maxY] = BasinBox();
    const double bandX = 0.1 * (maxX - minX), bandY = 0.1 * (maxY - minY);
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<cPoint> gauges;
    for (int i = 0; i < count; ++i)
        gauges.push_back(cPoint{std::round(minX - bandX + (maxX - minX + 2 * bandX) * uniform(random)),
                                std::round(minY - bandY + (maxY - minY + 2 * bandY) * uniform(random)), 100.0});
    return gauges;
}

// gauges on a square grid over the basin's box and a band around it
std::vector<cPoint> GridGauges(int across) {
    const auto [minX, minY, maxX, maxY] = BasinBox();
    const double step = std::round(std::max(maxX - minX, maxY - minY) / (across - 3));
    std::vector<cPoint> gauges;
    for (int i = 0; i < across; ++i)
        for (int j = 0; j < across; ++j)
            gauges.push_back(cPoint{std::round(minX) + (i - 1) * step, std::round(minY) + (j - 1) * step, 100.0});
    return gauges;
}

// random gauges with some pairs at one place and some a hair apart (one site to the construction)
std::vector<cPoint> GaugesSharingSites(std::mt19937_64& random) {
    std::vector<cPoint> gauges = StrewnGauges(120, 7);
    for (int k = 0; k < 20; ++k) {
        cPoint twin = gauges[random() % gauges.size()];
        if (k % 2) twin.X += 1e-4;
        gauges.push_back(twin);
    }
    return gauges;
}

struct Checked {
    long Selections = 0;
    long Incremental = 0;
    double Worst = 0.0;
};

// compares the weights of one selection, in the basin and in the extra region (when there is
// one), with the whole construction's
void Compare(const IncrementalConstruction& incremental, const EngineScene& local, const std::vector<long>& selection,
             const std::vector<cPoint>* region, Checked& checked) {
    const IncrementalResult result = incremental.Weigh(selection);
    const Construction whole = BuildConstruction(Method::Thiessen, local, selection);
    ASSERT_EQ(whole.Stations.size(), selection.size());
    ++checked.Selections;
    checked.Incremental += result.Whole ? 0 : 1;
    std::vector<double> expected;
    for (const StationPart& part : whole.Stations) expected.push_back(part.Weight);
    std::vector<std::vector<double>> wanted{expected};
    if (region) {
        // (scenes with a region have no two gauges at one site, which would share their area)
        cPolygon ring;
        for (const cPoint& p : *region) ring.Add(p.X, p.Y);
        const double regionArea = PolygonArea(ring);
        const PointArray cut = RingToArray(ring);
        std::vector<double> inRegion;
        for (const StationPart& part : whole.Stations) {
            double area = 0.0;
            PolygonArray pieces;
            const long m = part.Ring.Count() >= 3 ? ClipPolygons(pieces, RingToArray(part.Ring), cut) : 0;
            for (long k = 1; k <= m; ++k) area += PolygonArea(*pieces(k));
            inRegion.push_back(area / regionArea);
        }
        wanted.push_back(inRegion);
    }
    ASSERT_EQ(result.Weights.size(), wanted.size());
    for (std::size_t r = 0; r < wanted.size(); ++r) {
        for (std::size_t k = 0; k < selection.size(); ++k) {
            const double difference = std::abs(result.Weights[r][k] - wanted[r][k]);
            checked.Worst = std::max(checked.Worst, difference);
            ASSERT_LE(difference, kTolerance) << "region " << r << ", station " << selection[k] << " of selection "
                                              << StationListText(selection) << (result.Whole ? " (whole)" : "");
        }
    }
}

// selections of the base that lack gauges in the ways gauge archives do
std::vector<std::vector<long>> Selections(const std::vector<long>& base, const std::vector<cPoint>& points,
                                          std::mt19937_64& random, int count) {
    std::vector<std::vector<long>> selections;
    auto keep = [&](const std::vector<bool>& present) {
        std::vector<long> selection;
        for (std::size_t k = 0; k < base.size(); ++k)
            if (present[k]) selection.push_back(base[k]);
        if (!selection.empty()) selections.push_back(selection);
    };
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    // a few at random, a tenth, half
    for (int i = 0; i < count / 2; ++i) {
        const double share = i % 10 == 9 ? 0.5 : (i % 10 == 8 ? 0.1 : 0.05);
        std::vector<bool> present(base.size());
        for (std::size_t k = 0; k < base.size(); ++k) present[k] = uniform(random) >= share;
        keep(present);
    }
    // runs: each gauge goes missing for 1 to 72 steps now and then
    std::vector<int> away(base.size(), 0);
    for (int i = 0; i < count / 3; ++i) {
        std::vector<bool> present(base.size());
        for (std::size_t k = 0; k < base.size(); ++k) {
            if (away[k] == 0 && uniform(random) < 0.0015) away[k] = 1 + static_cast<int>(random() % 72);
            present[k] = away[k] == 0;
            away[k] = std::max(0, away[k] - 1);
        }
        keep(present);
    }
    // a stretch of the network: the gauges nearest a random point
    for (int i = 0; i < count / 12; ++i) {
        const cPoint& centre = points[random() % points.size()];
        std::vector<std::pair<double, std::size_t>> byDistance;
        for (std::size_t k = 0; k < base.size(); ++k) {
            const cPoint& p = points[static_cast<std::size_t>(base[k] - 1)];
            byDistance.emplace_back(std::hypot(p.X - centre.X, p.Y - centre.Y), k);
        }
        std::sort(byDistance.begin(), byDistance.end());
        std::vector<bool> present(base.size(), true);
        const std::size_t lost = 1 + random() % std::max<std::size_t>(1, base.size() / 8);
        for (std::size_t q = 0; q < lost && q < byDistance.size(); ++q) present[byDistance[q].second] = false;
        keep(present);
    }
    // the gauges at the edges of the network (the frame shrinks), and all but one, two or three
    std::vector<bool> inner(base.size(), true);
    auto extreme = [&](auto better) {
        std::size_t best = 0;
        for (std::size_t k = 1; k < base.size(); ++k)
            if (better(points[static_cast<std::size_t>(base[k] - 1)], points[static_cast<std::size_t>(base[best] - 1)]))
                best = k;
        inner[best] = false;
    };
    extreme([](const cPoint& a, const cPoint& b) { return a.X < b.X; });
    extreme([](const cPoint& a, const cPoint& b) { return a.X > b.X; });
    extreme([](const cPoint& a, const cPoint& b) { return a.Y < b.Y; });
    extreme([](const cPoint& a, const cPoint& b) { return a.Y > b.Y; });
    keep(inner);
    for (std::size_t few = 1; few <= 3 && few < base.size(); ++few) {
        std::vector<bool> present(base.size(), false);
        for (std::size_t q = 0; q < few; ++q) present[random() % base.size()] = true;
        keep(present);
    }
    return selections;
}

// a triangle in the middle of the basin: a region the cells are cut by besides the basin
std::vector<cPoint> InnerRegion(const EngineScene& local) {
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const cPoint& p : local.Basin) {
        minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    const double w = maxX - minX, h = maxY - minY;
    return {cPoint{minX + 0.3 * w, minY + 0.3 * h, 0.0}, cPoint{minX + 0.7 * w, minY + 0.35 * h, 0.0},
            cPoint{minX + 0.45 * w, minY + 0.7 * h, 0.0}};
}

void CheckScene(const Scene& scene, const std::vector<long>& base, int count, std::uint64_t seed, bool withRegion) {
    std::vector<cPoint> points;
    for (const SceneStation& station : scene.Stations) points.push_back(station.Point);
    std::mt19937_64 random(seed);
    IncrementalConstruction incremental(Method::Thiessen, scene.Local, base);
    const std::vector<cPoint> region = InnerRegion(scene.Local);
    if (withRegion) {
        ASSERT_EQ(incremental.AddRegion(region), 1u);
    }
    Checked checked;
    for (const auto& selection : Selections(base, points, random, count)) {
        Compare(incremental, scene.Local, selection, withRegion ? &region : nullptr, checked);
        if (::testing::Test::HasFatalFailure()) return;
    }
    ::testing::Test::RecordProperty("worst", std::to_string(checked.Worst));
    // the test means nothing if every selection took the whole construction
    EXPECT_GT(checked.Incremental, checked.Selections / 2) << checked.Incremental << " of " << checked.Selections;
}

std::vector<long> AllOf(const Scene& scene) {
    std::vector<long> all;
    for (std::size_t s = 1; s <= scene.Stations.size(); ++s) all.push_back(static_cast<long>(s));
    return all;
}

TEST(IncrementalConstruction, BundledSceneEqualsTheWholeConstruction) {
    const Scene scene = LoadScene(std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini");
    CheckScene(scene, AllOf(scene), 1200, 1, false);
    // a base that is itself a part of the scene's gauges
    std::vector<long> base = AllOf(scene);
    base.erase(base.begin() + 3);
    base.pop_back();
    CheckScene(scene, base, 600, 2, false);
}

TEST(IncrementalConstruction, StrewnGaugesEqualTheWholeConstructionInTheBasinAndInARegion) {
    const Scene scene = SampleBasinWith(StrewnGauges(250, 3));
    CheckScene(scene, AllOf(scene), 1500, 3, true);
}

TEST(IncrementalConstruction, GaugesOnAGridEqualTheWholeConstruction) {
    const Scene scene = SampleBasinWith(GridGauges(12));
    CheckScene(scene, AllOf(scene), 1200, 4, true);
}

TEST(IncrementalConstruction, GaugesSharingASiteEqualTheWholeConstruction) {
    std::mt19937_64 random(5);
    const Scene scene = SampleBasinWith(GaugesSharingSites(random));
    CheckScene(scene, AllOf(scene), 1200, 5, false);
}

// A thousand gauges, as a national network has: fewer selections, each lacking about fifty.
TEST(IncrementalConstruction, AThousandGaugesEqualTheWholeConstruction) {
    const Scene scene = SampleBasinWith(StrewnGauges(1000, 41));
    CheckScene(scene, AllOf(scene), 240, 6, false);
}

TEST(IncrementalConstruction, RefusesStationsOutsideTheBase) {
    const Scene scene = LoadScene(std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini");
    const IncrementalConstruction incremental(Method::Thiessen, scene.Local, {1, 2, 3, 5, 8});
    EXPECT_THROW(incremental.Weigh({1, 4}), std::invalid_argument);
    EXPECT_THROW(incremental.Weigh({3, 2}), std::invalid_argument);
    EXPECT_THROW(incremental.Weigh({}), std::invalid_argument);
    EXPECT_FALSE(incremental.Weigh({1, 2, 3, 5}).Whole);
    // height-balance takes the whole construction for every selection that lacks a gauge
    const Scene both =
        LoadScene(std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini", ShowSetting::HeightBalance);
    const IncrementalConstruction balance(Method::HeightBalance, both.Local, {1, 2, 3, 5, 8});
    const IncrementalResult result = balance.Weigh({1, 3, 5});
    EXPECT_TRUE(result.Whole);
    const Construction whole = BuildConstruction(Method::HeightBalance, both.Local, {1, 3, 5});
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(result.Weights[0][k], whole.Stations[k].Weight);
}

}  // namespace
}  // namespace kelvarin
