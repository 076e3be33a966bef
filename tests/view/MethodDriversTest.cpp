// Both method drivers on a recording surface: what is drawn, in which order, with a
// repaint and an exit check after every ring, and the areas and weights they store.

#include <gtest/gtest.h>

#include <numeric>

#include "engine/Construction.hpp"
#include "geometry/modGISTools.hpp"
#include "network/TriangleNetwork.hpp"
#include "tests/view/ViewTestSupport.hpp"

namespace kelvarin {
namespace {

using testing::kWeightSumTolerance;
using testing::SquareBasin;
using testing::TestWindow;
using Kind = RecordingSurface::Kind;

std::optional<long> RunDriver(TestWindow& w, Method method) {
    return method == Method::Thiessen ? w.window.AutoThiessen() : w.window.AutoHeightBalance();
}

// ten gauges in and around a 10 km square basin, no three on a line, no four on a circle
const std::vector<cPoint> kGauges = {
    {251200, 2651700, 120}, {258300, 2650900, 340},  {255100, 2656200, 800}, {249300, 2658800, 95},
    {261400, 2657300, 410}, {253700, 2661900, 1020}, {257900, 2654600, 560}, {252600, 2655300, 280},
    {259800, 2661200, 760}, {255900, 2648700, 60},
};

TestWindow& Window(std::unique_ptr<TestWindow>& holder, long stations) {
    holder = std::make_unique<TestWindow>();
    holder->Place(SquareBasin(250000, 2650000, 10000), std::vector<cPoint>(kGauges.begin(), kGauges.begin() + stations),
                  true);
    std::vector<long> all(static_cast<std::size_t>(stations));
    std::iota(all.begin(), all.end(), 1L);
    holder->Select(all);
    holder->surface.Forget();
    return *holder;
}

// the rings the driver has left in the layers, in drawing order, with the colour each is drawn in
std::vector<std::pair<PolygonRef, ColorRef>> RingsInDrawingOrder(picGIS& window) {
    std::vector<std::pair<PolygonRef, ColorRef>> rings;
    for (long layer : {2L, 3L, 4L})
        for (const auto& ring : window.lyrLayer(layer)->Polygon())
            rings.emplace_back(ring, window.lyrLayer(layer)->Color);
    for (const auto& set : window.lyrLayer(5)->MutiPolygon())
        for (const auto& ring : *set) rings.emplace_back(ring, window.lyrLayer(5)->Color);
    return rings;
}

// every ring was drawn edge by edge in its layer's colour, then repainted and followed by an exit check
void ExpectEveryRingShownOnce(TestWindow& w) {
    const auto rings = RingsInDrawingOrder(w.window);
    std::vector<std::vector<RecordingSurface::Primitive>> shown(1);
    for (const auto& p : w.surface.Primitives()) {
        if (p.kind == Kind::Line) shown.back().push_back(p);
        if (p.kind == Kind::Refresh) shown.emplace_back();
    }
    ASSERT_TRUE(shown.back().empty()) << "nothing is drawn after the last repaint";
    shown.pop_back();
    ASSERT_EQ(shown.size(), rings.size());
    EXPECT_EQ(w.window.ExitChecks(), static_cast<long>(rings.size()));
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const cPolygon& ring = *rings[r].first;
        ASSERT_EQ(static_cast<long>(shown[r].size()), ring.Count()) << "ring " << r;
        for (long i = 1; i <= ring.Count(); ++i) {
            const auto& line = shown[r][static_cast<std::size_t>(i - 1)];
            EXPECT_EQ(line.color, rings[r].second) << "ring " << r;
            EXPECT_EQ(line.x1, ring(i)->X);
            EXPECT_EQ(line.y1, ring(i)->Y);
            EXPECT_EQ(line.x2, ring(i == ring.Count() ? 1 : i + 1)->X);
        }
    }
}

double WeightSum(const picGIS& window) {
    double sum = 0.0;
    for (const auto& entry : window.Stations)
        if (entry->pSelect) sum += entry->GageStation->Weight.value();
    return sum;
}

struct Expected {
    long stations, triangleRings, centreRings;
};

class DriverCounts : public ::testing::TestWithParam<Method> {};

TEST_P(DriverCounts, NoStationSelectedDrawsNothingAndChangesNothing) {
    std::unique_ptr<TestWindow> holder;
    TestWindow& w = Window(holder, 4);
    w.window.DisableStationSelect();
    w.surface.SetAutoRedraw(false);
    w.surface.Forget();
    EXPECT_EQ(RunDriver(w, GetParam()), 0L);
    EXPECT_TRUE(w.surface.Primitives().empty());
    EXPECT_FALSE(w.surface.AutoRedraw());
    for (const auto& entry : w.window.Stations) EXPECT_FALSE(entry->GageStation->Weight.has_value());
}

TEST_P(DriverCounts, RingCountsAndOrderPerLayer) {
    const Method method = GetParam();
    for (long n : {1L, 2L, 3L, 10L}) {
        SCOPED_TRACE("stations " + std::to_string(n));
        std::unique_ptr<TestWindow> holder;
        TestWindow& w = Window(holder, n);
        w.surface.SetAutoRedraw(false);
        w.surface.Forget();
        ASSERT_EQ(RunDriver(w, method), n);
        ExpectEveryRingShownOnce(w);
        EXPECT_FALSE(w.surface.AutoRedraw()) << "restored after a complete run";

        long T = n == 2 ? 1 : 0;
        if (n >= 3) {
            PointArray pts(1, n);
            for (long i = 1; i <= n; ++i) pts(i) = w.window.Stations(i)->GageStation->Point;
            Array2<PointRef> tri;
            T = BuildTriangleNetwork(pts, tri);
            EXPECT_GE(T, n - 2);
        }
        EXPECT_EQ(w.window.lyrLayer(2)->Polygon().Count(), T);
        EXPECT_EQ(w.window.lyrLayer(3)->Polygon().Count(), method == Method::HeightBalance && n >= 3 ? T : 0);
        EXPECT_EQ(w.window.lyrLayer(4)->Polygon().Count(), n);
        EXPECT_EQ(w.window.lyrLayer(5)->MutiPolygon().Count(), n);
        if (n == 1) {
            EXPECT_EQ(w.window.lyrLayer(4)->Polygon().Item(1)->Count(), 4) << "the frame";
        }
        if (n == 2) {
            EXPECT_EQ(w.window.lyrLayer(2)->Polygon().Item(1)->Count(), 2) << "the connecting segment";
        }
        EXPECT_EQ(w.window.lyrLayer(4)->Name,
                  method == Method::Thiessen ? "徐昇多邊形網" : (n >= 3 ? "高度平衡多邊形網" : "徐昇多邊形網"));

        // every station's area is the sum of its drawn pieces, its weight the share of the basin
        const double basinArea = PolygonArea(*w.window.lyrLayer(1)->Polygon().Item(1));
        for (long i = 1; i <= n; ++i) {
            const auto& station = *w.window.Stations(i)->GageStation;
            double pieces = 0.0;
            for (const auto& ring : *w.window.lyrLayer(5)->MutiPolygon().Item(i)) pieces += PolygonArea(*ring);
            EXPECT_DOUBLE_EQ(station.Area.value(), pieces);
            EXPECT_DOUBLE_EQ(station.Weight.value(), pieces / basinArea);
        }
        if (method == Method::Thiessen) {
            EXPECT_NEAR(WeightSum(w.window), 1.0, kWeightSumTolerance);
        }
        if (n == 1) {
            EXPECT_NEAR(w.window.Stations(1)->GageStation->Weight.value(), 1.0, kWeightSumTolerance);
        }
    }
}

TEST_P(DriverCounts, UnselectedStationsKeepTheirValues) {
    std::unique_ptr<TestWindow> holder;
    TestWindow& w = Window(holder, 10);
    w.Select({2, 5, 7, 9});
    w.window.Stations(1)->GageStation->Weight = 0.25;
    ASSERT_EQ(RunDriver(w, GetParam()), 4L);
    EXPECT_EQ(w.window.Stations(1)->GageStation->Weight, 0.25);
    EXPECT_FALSE(w.window.Stations(3)->GageStation->Area.has_value());
    EXPECT_TRUE(w.window.Stations(9)->GageStation->Area.has_value());
}

TEST_P(DriverCounts, ExitRequestAtRingKStopsThereAndLeavesLaterStationsUntouched) {
    const Method method = GetParam();
    // a complete run tells how many rings come before the pieces and how many pieces each station has
    std::unique_ptr<TestWindow> holder;
    TestWindow& full = Window(holder, 10);
    ASSERT_EQ(RunDriver(full, method), 10L);
    const long before = full.window.lyrLayer(2)->Polygon().Count() + full.window.lyrLayer(3)->Polygon().Count() +
                        full.window.lyrLayer(4)->Polygon().Count();
    std::vector<long> pieces;
    for (const auto& set : full.window.lyrLayer(5)->MutiPolygon()) pieces.push_back(set->Count());
    const long total = before + std::accumulate(pieces.begin(), pieces.end(), 0L);

    // a station is stored once its last piece has been shown without an exit request
    auto storedBefore = [&](long k) {
        long stored = 0, shownRings = before;
        for (long m : pieces) {
            shownRings += m;
            if (shownRings < k) ++stored;
        }
        return stored;
    };
    for (long k : {1L, before, before + 1, before + pieces[0] + pieces[1] + pieces[2] + 1, total}) {
        SCOPED_TRACE("exit at ring " + std::to_string(k));
        std::unique_ptr<TestWindow> h;
        TestWindow& w = Window(h, 10);
        for (const auto& entry : w.window.Stations) entry->GageStation->Area = -1.0;
        w.surface.SetAutoRedraw(false);
        w.surface.Forget();
        w.windowSystem.AtDoEvents(k, WindowEvent::CloseRequested);
        EXPECT_EQ(RunDriver(w, method), std::nullopt);
        EXPECT_EQ(w.surface.CountOf(Kind::Refresh), k);
        EXPECT_EQ(w.window.ExitChecks(), k);
        EXPECT_EQ(static_cast<long>(RingsInDrawingOrder(w.window).size()), k) << "nothing beyond ring k";
        EXPECT_TRUE(w.surface.AutoRedraw()) << "left on when interrupted";
        long stored = 0;
        for (long i = 1; i <= 10; ++i) {
            const bool changed = w.window.Stations(i)->GageStation->Area != -1.0;
            stored += changed;
            // stations are stored in order: no later station before an earlier one
            if (changed) {
                EXPECT_EQ(stored, i);
            }
        }
        EXPECT_EQ(stored, storedBefore(k));
    }
}

TEST_P(DriverCounts, GaugesAtOnePlaceShareTheirRingEqually) {
    const Method method = GetParam();
    for (long n : {2L, 3L, 4L}) {
        SCOPED_TRACE("stations " + std::to_string(n));
        std::vector<cPoint> gauges = {
            {253000, 2653000, 100}, {253000, 2653000, 100}, {257000, 2656000, 300}, {252000, 2658000, 500}};
        gauges.resize(static_cast<std::size_t>(n));
        TestWindow w;
        w.Place(SquareBasin(250000, 2650000, 10000), gauges, true);
        std::vector<long> all(static_cast<std::size_t>(n));
        std::iota(all.begin(), all.end(), 1L);
        w.Select(all);
        ASSERT_EQ(RunDriver(w, method), n);
        const auto& a = *w.window.Stations(1)->GageStation;
        const auto& b = *w.window.Stations(2)->GageStation;
        EXPECT_GT(a.Weight.value(), 0.0);
        EXPECT_DOUBLE_EQ(a.Weight.value(), b.Weight.value());
        EXPECT_NEAR(WeightSum(w.window), 1.0, kWeightSumTolerance);
    }
}

TEST_P(DriverCounts, StationsOnOneLineOrAtOnePlaceDrawNoTrianglesAndStillShareTheBasin) {
    const Method method = GetParam();
    const std::vector<std::vector<cPoint>> cases = {
        {{251000, 2651000, 10}, {255000, 2655000, 20}, {259000, 2659000, 30}, {253000, 2653000, 40}},
        {{254000, 2654000, 10}, {254000, 2654000, 20}, {254000, 2654000, 30}},
    };
    for (const auto& gauges : cases) {
        SCOPED_TRACE(gauges.size());
        TestWindow w;
        w.Place(SquareBasin(250000, 2650000, 10000), gauges, true);
        std::vector<long> all(gauges.size());
        std::iota(all.begin(), all.end(), 1L);
        w.Select(all);
        w.surface.Forget();
        ASSERT_EQ(RunDriver(w, method), static_cast<long>(gauges.size()));
        ExpectEveryRingShownOnce(w);
        EXPECT_EQ(w.window.lyrLayer(2)->Polygon().Count(), 0);
        EXPECT_EQ(w.window.lyrLayer(3)->Polygon().Count(), 0);
        EXPECT_NEAR(WeightSum(w.window), 1.0, kWeightSumTolerance);
        for (const auto& entry : w.window.Stations) EXPECT_GT(entry->GageStation->Weight.value(), 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, DriverCounts, ::testing::Values(Method::Thiessen, Method::HeightBalance),
                         [](const ::testing::TestParamInfo<Method>& param) {
                             return param.param == Method::Thiessen ? std::string("Thiessen")
                                                                    : std::string("HeightBalance");
                         });

}  // namespace
}  // namespace kelvarin
