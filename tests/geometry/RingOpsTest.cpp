#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/RingBuilders.hpp"

namespace kelvarin {
namespace {

using testing::P;

cPolygon MakeRing(std::initializer_list<cPoint> points) {
    cPolygon ring;
    for (const auto& p : points) ring.AddPoint(p);
    return ring;
}

TEST(PolygonArea, EitherOrientation) {
    auto ring = MakeRing({P(0, 0), P(1, 0), P(1, 1), P(0, 1)});
    EXPECT_DOUBLE_EQ(PolygonArea(ring), 1.0);
    ReverseRing(ring);
    EXPECT_DOUBLE_EQ(PolygonArea(ring), 1.0);
    EXPECT_EQ(PolygonArea(cPolygon()), 0.0);
}

TEST(FindEdgeOfPoint, FirstEdgeWhoseLineHoldsThePoint) {
    const auto ring = MakeRing({P(0, 0), P(10, 0), P(10, 10), P(0, 10)});
    EXPECT_EQ(FindEdgeOfPoint(P(5, 0), ring), 1);
    EXPECT_EQ(FindEdgeOfPoint(P(10, 5), ring), 2);
    EXPECT_EQ(FindEdgeOfPoint(P(-3, 10), ring), 3);  // the infinite line, not the segment
    EXPECT_EQ(FindEdgeOfPoint(P(3, 4), ring), 0);
    PointArray frame(0, -1);
    for (const auto& v : ring) frame.Append(v);
    EXPECT_EQ(FindEdgeOfPointInArray(P(0, 5), frame), 3);  // closing edge, lower bound 0
    EXPECT_EQ(FindEdgeOfPointInArray(P(3, 4), frame), -1);
}

TEST(InteriorPoint, SignGivesOrientation) {
    cPoint pt;
    auto tri = MakeRing({P(0, 0), P(0, 3), P(3, 0)});  // clockwise
    EXPECT_EQ(InteriorPoint(tri, pt), -TWO_PI);
    EXPECT_DOUBLE_EQ(pt.X, 1.0);
    EXPECT_DOUBLE_EQ(pt.Y, 1.0);
    // a concave ring whose first diagonal midpoint lies outside
    auto ell = MakeRing({P(10, 2), P(2, 2), P(2, 10), P(0, 10), P(0, 0), P(10, 0)});
    EXPECT_EQ(InteriorPoint(ell, pt), TWO_PI);
    EXPECT_DOUBLE_EQ(pt.X, 1.0);  // the second diagonal's midpoint
    EXPECT_DOUBLE_EQ(pt.Y, 6.0);
    PointArray pts = RingToArray(ell);
    EXPECT_EQ(WindingAngle(pt, pts), TWO_PI);
    auto two = MakeRing({P(1, 1), P(2, 2)});
    EXPECT_EQ(InteriorPoint(two, pt), 0.0);
    EXPECT_EQ(pt.X, 0.0);
}

TEST(ReverseRing, MovesValuesNotObjects) {
    auto ring = MakeRing({P(1, 0, 1), P(2, 0, 2), P(3, 0, 3), P(4, 0, 4), P(5, 0, 5)});
    const cPoint* firstObject = ring(1).get();
    ReverseRing(ring);
    EXPECT_EQ(ring(1).get(), firstObject);
    EXPECT_EQ(ring(1)->X, 5.0);
    EXPECT_EQ(ring(1)->z, 5.0);
    EXPECT_EQ(ring(3)->X, 3.0);
    EXPECT_EQ(ring(5)->X, 1.0);
}

TEST(Rectangles, BoundingBoxEnclosingRectangleAndExpansion) {
    PointArray pts(1, 0);
    pts.Append(NewPoint(0, 50, 7));
    pts.Append(NewPoint(100, 0, -2));
    pts.Append(NewPoint(40, 20, 3));
    cPoint maxPt, minPt;
    BoundingBox(pts, maxPt, minPt);
    EXPECT_EQ(maxPt.X, 100.0);
    EXPECT_EQ(minPt.Y, 0.0);
    EXPECT_EQ(maxPt.z, 7.0);
    EXPECT_EQ(minPt.z, -2.0);

    PointArray rect;
    EnclosingRectangle(pts, rect, 1.05);
    ASSERT_EQ(rect.LBound(), 1);
    ASSERT_EQ(rect.UBound(), 4);
    EXPECT_NEAR(rect(1)->X, 105, 1e-12);
    EXPECT_NEAR(rect(1)->Y, 52.5, 1e-12);
    EXPECT_NEAR(rect(2)->X, -5, 1e-12);
    EXPECT_NEAR(rect(2)->Y, 52.5, 1e-12);
    EXPECT_NEAR(rect(3)->X, -5, 1e-12);
    EXPECT_NEAR(rect(3)->Y, -2.5, 1e-12);
    EXPECT_NEAR(rect(4)->X, 105, 1e-12);
    EXPECT_NEAR(rect(4)->Y, -2.5, 1e-12);

    ExpandRectangleTwice(pts);
    ASSERT_EQ(pts.Count(), 4);
    EXPECT_DOUBLE_EQ(pts(1)->X - pts(3)->X, 100 * 1.1 * 1.1);
    EXPECT_THROW(BoundingBox(PointArray(), maxPt, minPt), std::invalid_argument);
}

TEST(GridOrigin, RoundNumbersBelowTheLowerLeftCorner) {
    PointArray pts(1, 0);
    pts.Append(NewPoint(301234, 2712345));
    pts.Append(NewPoint(309999, 2700001));
    PointArray rect;
    EnclosingRectangle(pts, rect, 1.0);
    const auto origin = GridOrigin(rect);
    // X extent 8765 -> unit 10000; Y extent 12344 -> unit 100000
    EXPECT_EQ(origin->X, 300000.0);
    EXPECT_EQ(origin->Y, 2700000.0);
    EXPECT_LE(origin->X, rect(3)->X);
    EXPECT_LE(origin->Y, rect(3)->Y);
    // a rectangle without extent has no magnitude
    pts(2) = NewPoint(301234, 2712345);
    EnclosingRectangle(pts, rect, 1.0);
    EXPECT_THROW(GridOrigin(rect), std::domain_error);
}

TEST(LineByAngle, LineThroughPointInDirection) {
    LineCoefficients coef;
    EXPECT_FALSE(LineByAngle(P(2, 3), HALF_PI / 2, coef));
    EXPECT_NEAR(coef(1) * 5 + coef(2) * 6, coef(3), 1e-12);
}

TEST(IsSamePoint, ExactOrRelativeAndZCounts) {
    EXPECT_TRUE(IsSamePoint(P(1e6, 2e6, 0), P(1e6 + 0.0005, 2e6, 0), false));
    EXPECT_FALSE(IsSamePoint(P(1e6, 2e6, 0), P(1e6 + 0.0005, 2e6, 0), true));
    EXPECT_FALSE(IsSamePoint(P(1, 1, 0), P(1, 1, 1), false));
    EXPECT_TRUE(IsSamePoint(P(1, 1, 1), P(1, 1, 1), true));
}

}  // namespace
}  // namespace kelvarin
