// Thiessen rings: the two-station split worked by hand, and every ring against GEOS's
// Voronoi cell on random and tied station sets, including the degenerate sets.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "network/TriangleNetwork.hpp"
#include "tests/network/StationSets.hpp"
#include "thiessen/modThiessen.hpp"

namespace kelvarin {
namespace {

using testing::FrameOf;
using testing::Geos;
using testing::GridStations;
using testing::RandomStations;
using testing::Stations;

// the frame of the worked example: corners (20,10), (-10,10), (-10,-10), (20,-10)
PointArray ExampleFrame() { return Stations({{20, 10}, {-10, 10}, {-10, -10}, {20, -10}}); }

// the ring has exactly these vertices, in this order
void ExpectRing(const cPolygon& ring, const std::vector<cPoint>& expected) {
    ASSERT_EQ(ring.Count(), static_cast<long>(expected.size()));
    for (long i = 1; i <= ring.Count(); ++i) {
        EXPECT_EQ(ring(i)->X, expected[static_cast<std::size_t>(i - 1)].X) << "vertex " << i;
        EXPECT_EQ(ring(i)->Y, expected[static_cast<std::size_t>(i - 1)].Y) << "vertex " << i;
    }
}

// the rings of the station set built as the drivers do, compared with GEOS's Voronoi cells
void ExpectVoronoiCells(const PointArray& s, const Geos& geos, const std::string& what,
                        const PointArray& basinFrame = PointArray()) {
    SCOPED_TRACE(what);
    const PointArray frame = basinFrame.Empty() ? FrameOf(s) : basinFrame;
    PolygonArray polygons(s.LBound(), s.UBound());
    if (s.Count() == 2) {
        ThiessenTwoStations(polygons, s, frame);
    } else {
        Array2<PointRef> tri;
        BuildTriangleNetwork(s, tri);
        BuildThiessenPolygons(polygons, s, tri, frame);
    }
    const Geos::Geom box = geos.Polygon(frame);
    const double frameArea = geos.Area(box.get());
    const std::vector<double> cells = geos.CellAreas(s, frame);
    const Array1<long> site = SiteIndex(s);
    std::vector<Geos::Geom> rings;
    double sum = 0;
    for (long i = s.LBound(); i <= s.UBound(); ++i) {
        ASSERT_TRUE(polygons(i)) << "station " << i << " has no ring";
        Geos::Geom ring = geos.Polygon(*polygons(i));
        EXPECT_TRUE(geos.IsValid(*polygons(i))) << "ring " << i << " is not simple";
        const double area = geos.Area(ring.get());
        EXPECT_NEAR(area, cells[static_cast<std::size_t>(i - s.LBound())], 1e-9 * frameArea) << "station " << i;
        EXPECT_NEAR(geos.Area(geos.Intersection(ring.get(), box.get()).get()), area, 1e-9 * frameArea)
            << "ring " << i << " reaches outside the frame";
        if (site(i) == i) {
            sum += area;
            rings.push_back(std::move(ring));
        }
    }
    EXPECT_NEAR(sum, frameArea, 1e-9 * frameArea) << "the rings do not add up to the frame";
    EXPECT_NEAR(geos.UnionArea(rings), frameArea, 1e-9 * frameArea) << "the rings overlap";
}

TEST(ThiessenTwoStations, WorkedExample) {
    PolygonArray polygons(1, 2);
    ThiessenTwoStations(polygons, Stations({{0, 0}, {10, 0}}), ExampleFrame());
    ExpectRing(*polygons(1), {{5, -10}, {5, 10}, {-10, 10}, {-10, -10}});
    ExpectRing(*polygons(2), {{5, 10}, {5, -10}, {20, -10}, {20, 10}});
}

TEST(ThiessenTwoStations, StationOrderOnlyDecidesWhoGetsWhichHalf) {
    PointArray s(3, 4);
    s(3) = NewPoint(10, 0);
    s(4) = NewPoint(0, 0);
    PolygonArray polygons(3, 4);
    ThiessenTwoStations(polygons, s, ExampleFrame());
    // the same two rings as in the worked example, handed out the other way round
    ExpectRing(*polygons(3), {{5, 10}, {5, -10}, {20, -10}, {20, 10}});
    ExpectRing(*polygons(4), {{5, -10}, {5, 10}, {-10, 10}, {-10, -10}});
}

TEST(ThiessenTwoStations, BisectorThroughTwoCornersCountsEachCornerOnce) {
    // stations mirrored about the frame diagonal from (-10,10) to (20,-10)... of a square frame
    const PointArray frame = Stations({{10, 10}, {-10, 10}, {-10, -10}, {10, -10}});
    Geos geos;
    for (const auto& pair : {std::vector<cPoint>{{-2, -2}, {2, 2}}, std::vector<cPoint>{{2, -2}, {-2, 2}}}) {
        PolygonArray polygons(1, 2);
        ThiessenTwoStations(polygons, Stations(pair), frame);
        for (long i = 1; i <= 2; ++i) {
            EXPECT_EQ(polygons(i)->Count(), 3);
            EXPECT_TRUE(geos.IsValid(*polygons(i)));
            EXPECT_DOUBLE_EQ(geos.Area(geos.Polygon(*polygons(i)).get()), 200);
        }
    }
}

TEST(ThiessenTwoStations, CoincidentStationsShareTheWholeFrame) {
    PolygonArray polygons(1, 2);
    ThiessenTwoStations(polygons, Stations({{3, 3, 1}, {3, 3, 2}}), ExampleFrame());
    Geos geos;
    for (long i = 1; i <= 2; ++i) EXPECT_DOUBLE_EQ(geos.Area(geos.Polygon(*polygons(i)).get()), 600);
}

TEST(BuildThiessenPolygons, RandomSetsMatchVoronoiCells) {
    std::mt19937 rng(4242);
    Geos geos;
    for (long n : {2, 3, 4, 5, 8, 12, 20, 30, 45, 60}) {
        for (int rep = 0; rep < 3; ++rep) {
            ExpectVoronoiCells(RandomStations(rng, n), geos,
                               "random set of " + std::to_string(n) + ", repetition " + std::to_string(rep));
        }
    }
}

TEST(BuildThiessenPolygons, LargeBasinFramesMatchVoronoiCells) {
    std::mt19937 rng(777);
    Geos geos;
    for (long n : {3, 4, 6, 10, 25}) {
        for (int rep = 0; rep < 3; ++rep) {
            const PointArray s = RandomStations(rng, n);
            PointArray frame;
            EnclosingRectangle(FrameOf(s), frame, 2.0 + rep);
            ExpectVoronoiCells(s, geos, std::to_string(n) + " stations in a large frame", frame);
        }
    }
}

TEST(BuildThiessenPolygons, TiedGridsMatchVoronoiCells) {
    std::mt19937 rng(99);
    Geos geos;
    for (double step : {1.0, 10.0, 0.1, 37.3}) {
        for (long n : {4, 6, 9, 16, 25, 40, 60}) {
            ExpectVoronoiCells(GridStations(rng, n, step), geos,
                               "grid step " + std::to_string(step) + ", " + std::to_string(n) + " stations");
        }
    }
}

// Every subset of three or more points of a 3 x 4 grid: right angles on hull edges put
// circumcentres on the edges, obtuse hull triangles put them outside, and outer lines run
// exactly through frame corners.
TEST(BuildThiessenPolygons, EverySubsetOfASmallGridMatchesVoronoiCells) {
    Geos geos;
    std::vector<cPoint> grid;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) grid.push_back(cPoint{100.0 + 10 * i, 50.0 + 10 * j});
    for (unsigned mask = 0; mask < (1u << grid.size()); ++mask) {
        std::vector<cPoint> pts;
        for (std::size_t k = 0; k < grid.size(); ++k) {
            if (mask & (1u << k)) pts.push_back(grid[k]);
        }
        if (pts.size() < 3 || mask % 5 != 0) continue;  // a fifth of the subsets keeps the test quick
        const PointArray s = Stations(pts);
        PointArray frame = FrameOf(s);
        if (mask % 2) {
            PointArray large;
            EnclosingRectangle(frame, large, 2.0);
            frame = large;
        }
        ExpectVoronoiCells(s, geos, "grid subset " + std::to_string(mask), frame);
    }
}

TEST(BuildThiessenPolygons, OuterLineThroughTwoFrameCorners) {
    // the bisector of (100,50) and (120,70) runs through two corners of the outer frame
    Geos geos;
    ExpectVoronoiCells(Stations({{100, 50}, {120, 50}, {120, 60}, {120, 70}}), geos, "diagonal outer line");
}

TEST(BuildThiessenPolygons, ClosedFanIsTheCircumcentresAroundTheStation) {
    // a centre station surrounded by four: its ring is the four circumcentres, inside the frame
    const PointArray s = Stations({{0, 0}, {10, 1}, {11, 11}, {-1, 10}, {5, 5}});
    Array2<PointRef> tri;
    const long T = BuildTriangleNetwork(s, tri);
    ASSERT_EQ(T, 4);
    PolygonArray polygons(1, 5);
    BuildThiessenPolygons(polygons, s, tri, FrameOf(s));
    ASSERT_EQ(polygons(5)->Count(), 4);
    for (const PointRef& P : *polygons(5)) {
        bool isCentre = false;
        for (long t = 1; t <= T; ++t) isCentre = isCentre || (P->X == tri(0, t)->X && P->Y == tri(0, t)->Y);
        EXPECT_TRUE(isCentre);
    }
}

TEST(BuildThiessenPolygons, RightAngleOppositeHullEdgeTakesTheEdgeDirection) {
    // the circumcentre of (0,0), (10,0), (0,10) is the midpoint of the hull edge (10,0)-(0,10)
    Geos geos;
    ExpectVoronoiCells(Stations({{0, 0}, {10, 0}, {0, 10}}), geos, "right triangle");
    ExpectVoronoiCells(Stations({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 4}}), geos, "square around a station");
}

TEST(BuildThiessenPolygons, CollinearStationsGetStrips) {
    Geos geos;
    ExpectVoronoiCells(Stations({{0, 0}, {10, 5}, {4, 2}, {30, 15}}), geos, "four on a slanted line");
    ExpectVoronoiCells(Stations({{0, 0}, {0, 10}, {0, 3}}), geos, "three on a vertical line");
}

TEST(BuildThiessenPolygons, CoincidentStationsGetTheirSiteRing) {
    Geos geos;
    ExpectVoronoiCells(Stations({{0, 0, 1}, {10, 0}, {0, 0, 2}, {4, 9}, {6, 3}}), geos, "a doubled station");
    // the frame of one site comes from the basin around it
    ExpectVoronoiCells(Stations({{2, 2, 1}, {2, 2, 2}, {2, 2, 3}}), geos, "one site", ExampleFrame());
    ExpectVoronoiCells(Stations({{2, 2, 1}, {2, 2, 2}, {8, 5}}), geos, "two sites, three stations");
    // each copy is a ring of its own
    const PointArray s = Stations({{0, 0, 1}, {10, 0}, {0, 0, 2}, {4, 9}});
    Array2<PointRef> tri;
    BuildTriangleNetwork(s, tri);
    PolygonArray polygons(1, 4);
    BuildThiessenPolygons(polygons, s, tri, FrameOf(s));
    EXPECT_NE(polygons(1), polygons(3));
    EXPECT_NE(polygons(1)->Item(1), polygons(3)->Item(1));
}

TEST(BuildThiessenPolygons, StationInNoTriangleGetsAnEmptyRing) {
    // a table that leaves station 4 out (as a caller's older table would)
    const PointArray s = Stations({{0, 0}, {10, 0}, {4, 9}, {30, 30}});
    Array2<PointRef> tri;
    ASSERT_EQ(BuildTriangleNetwork(Stations({{0, 0}, {10, 0}, {4, 9}}), tri), 1);
    PolygonArray polygons(1, 4);
    BuildThiessenPolygons(polygons, s, tri, FrameOf(s));
    ASSERT_TRUE(polygons(4));
    EXPECT_EQ(polygons(4)->Count(), 0);
    for (long i = 1; i <= 3; ++i) EXPECT_GE(polygons(i)->Count(), 3);
}

TEST(BuildOpenThiessenPolygon, OneTriangleStationReachesTheOuterFrame) {
    const PointArray s = Stations({{0, 0}, {10, 0}, {4, 6}});
    Array2<PointRef> tri;
    ASSERT_EQ(BuildTriangleNetwork(s, tri), 1);
    PointArray outer;
    EnclosingRectangle(FrameOf(s), outer, kFrameFactor);
    Array1<long> fan(1, {1}), vtx(1, {1});
    cPolygon ring;
    const long count = BuildOpenThiessenPolygon(1, ring, vtx, fan, tri, outer);
    EXPECT_EQ(count, ring.Count());
    // first crossing, the corners between, second crossing, the circumcentre
    EXPECT_EQ(ring(count)->X, tri(0, 1)->X);
    EXPECT_EQ(ring(count)->Y, tri(0, 1)->Y);
    for (long k : {1L, count - 1}) {
        const cPoint& Q = *ring(k);
        const bool onOuter = Q.X == outer(1)->X || Q.X == outer(3)->X || Q.Y == outer(1)->Y || Q.Y == outer(3)->Y;
        EXPECT_TRUE(onOuter) << "vertex " << k;
    }
    Geos geos;
    EXPECT_TRUE(geos.IsValid(ring));
}

}  // namespace
}  // namespace kelvarin
