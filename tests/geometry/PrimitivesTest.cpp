#include <gtest/gtest.h>

#include <cmath>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/RingBuilders.hpp"

namespace kelvarin {
namespace {

using testing::P;

PointArray Ring(std::initializer_list<cPoint> points, long lower = 1) {
    PointArray a(lower, lower - 1);
    for (const auto& p : points) a.Append(NewPoint(p.X, p.Y, p.z));
    return a;
}

TEST(IsAlmostEqual, RelativeToTheLargerMagnitude) {
    EXPECT_TRUE(IsAlmostEqual(1e6, 1e6 + 0.0005));
    EXPECT_FALSE(IsAlmostEqual(1e6, 1e6 + 0.01));
    EXPECT_FALSE(IsAlmostEqual(0.0, 1e-12));
    EXPECT_TRUE(IsAlmostEqual(0.0, 0.0));
    EXPECT_FALSE(IsAlmostEqual(1.0, NAN));
    EXPECT_FALSE(IsAlmostEqual(1.0, INFINITY));
}

TEST(Verdict, TextFormsAreExact) {
    EXPECT_EQ(ToString(Verdict::L1Point), "L1Point");
    EXPECT_EQ(ToString(Verdict::L2Point), "L2Point");
    EXPECT_EQ(ToString(Verdict::lineError), "lineError");
    EXPECT_EQ(ToString(Verdict::NoAns), "NoAns");
    EXPECT_EQ(ToString(Verdict::In), "In");
    EXPECT_EQ(ToString(Verdict::Out), "Out");
    EXPECT_EQ(ToString(Verdict::NoLimit), "NoLimit");
    EXPECT_EQ(ToString(Verdict::UnKnown), "UnKnown");
}

TEST(LineEquation, ScalesCoefficientsNearOne) {
    LineCoefficients coef;
    EXPECT_FALSE(LineEquation(P(0, 0), P(10, 0), coef));
    EXPECT_EQ(coef(1), 0.0);
    EXPECT_EQ(coef(2), -1.0);
    EXPECT_EQ(coef(3), 0.0);
    // both points satisfy the equation of a slanted map-sized line
    EXPECT_FALSE(LineEquation(P(250000, 2700000), P(251234, 2701000), coef));
    EXPECT_NEAR(coef(1) * 251234 + coef(2) * 2701000, coef(3), 1e-9 * std::fabs(coef(3)));
}

TEST(LineEquation, SamePointLeavesTheCoefficientsAlone) {
    LineCoefficients coef(1, {7.0, 8.0, 9.0});
    EXPECT_TRUE(LineEquation(P(1, 2, 3), P(1, 2, 3), coef));
    EXPECT_EQ(coef(1), 7.0);
    EXPECT_EQ(coef(3), 9.0);
    // a z difference alone is no coincidence: no direction, no scaling
    EXPECT_FALSE(LineEquation(P(1, 2, 3), P(1, 2, 4), coef));
    EXPECT_EQ(coef(1), 0.0);
    EXPECT_EQ(coef(2), 0.0);
}

TEST(IsPointOnLine, InfiniteLineIncludingLinesThroughTheOrigin) {
    EXPECT_FALSE(IsPointOnLine(P(20, 20.001), P(0, 10), P(10, 15)));
    EXPECT_TRUE(IsPointOnLine(P(20, 20), P(0, 10), P(10, 15)));
    // c = 0: the line y = x through the origin
    EXPECT_TRUE(IsPointOnLine(P(-7, -7), P(1, 1), P(3, 3)));
    EXPECT_TRUE(IsPointOnLine(P(0, 0), P(1, 1), P(3, 3)));
    EXPECT_FALSE(IsPointOnLine(P(-7, -7.001), P(1, 1), P(3, 3)));
    EXPECT_FALSE(IsPointOnLine(P(1e-20, 0), P(1, 1), P(3, 3)));
    // a line given by one point twice holds only that point
    EXPECT_TRUE(IsPointOnLine(P(4, 5), P(4, 5), P(4, 5)));
    EXPECT_FALSE(IsPointOnLine(P(4, 6), P(4, 5), P(4, 5)));
}

TEST(IsPointInBox, FirstCornerDecidesClosedOrOpen) {
    EXPECT_TRUE(IsPointInBox(P(10, 10), P(0, 0), P(10, 10)));
    EXPECT_TRUE(IsPointInBox(P(0, 0), P(0, 0), P(10, 10)));
    EXPECT_FALSE(IsPointInBox(P(10, 10), P(10, 10), P(0, 0)));
    EXPECT_FALSE(IsPointInBox(P(0, 0), P(10, 10), P(0, 0)));
    EXPECT_TRUE(IsPointInBox(P(5, 5), P(10, 10), P(0, 0)));
    EXPECT_FALSE(IsPointInBox(P(11, 5), P(0, 0), P(10, 10)));
}

TEST(IsPointInSegmentBox, SnapsOntoVerticalAndHorizontalSegments) {
    cPoint p = P(300000.0000001, 5);
    EXPECT_TRUE(IsPointInSegmentBox(p, P(300000, 0), P(300000, 10)));
    EXPECT_EQ(p.X, 300000.0);
    cPoint q = P(5, 200000.0000001);
    EXPECT_TRUE(IsPointInSegmentBox(q, P(0, 200000), P(10, 200000)));
    EXPECT_EQ(q.Y, 200000.0);
    cPoint r = P(5.0001, 5);  // too far to snap
    EXPECT_FALSE(IsPointInSegmentBox(r, P(5, 0), P(5, 10)));
    EXPECT_EQ(r.X, 5.0001);
}

TEST(SegmentIntersection, VerdictsAndCrossingPoints) {
    PointRef out;
    EXPECT_EQ(SegmentIntersection(P(0, 0), P(10, 10), P(0, 10), P(10, 0), out), Verdict::In);
    ASSERT_TRUE(out);
    EXPECT_NEAR(out->X, 5, 1e-12);
    EXPECT_NEAR(out->Y, 5, 1e-12);

    out.reset();
    EXPECT_EQ(SegmentIntersection(P(0, 0), P(1, 1), P(5, 0), P(6, -1), out), Verdict::Out);
    ASSERT_TRUE(out);
    EXPECT_NEAR(out->X, 2.5, 1e-12);
    EXPECT_NEAR(out->Y, 2.5, 1e-12);

    EXPECT_EQ(SegmentIntersection(P(3, 0), P(3, 10), P(0, 5), P(10, 5), out), Verdict::In);
    EXPECT_EQ(out->X, 3.0);
    EXPECT_EQ(out->Y, 5.0);
    EXPECT_EQ(SegmentIntersection(P(0, 5), P(10, 5), P(3, 0), P(3, 10), out), Verdict::In);
    EXPECT_EQ(out->X, 3.0);
    EXPECT_EQ(out->Y, 5.0);

    PointRef untouched = NewPoint(-1, -1);
    const cPoint* before = untouched.get();
    EXPECT_EQ(SegmentIntersection(P(0, 0), P(10, 0), P(0, 1), P(10, 1), untouched), Verdict::UnKnown);
    EXPECT_EQ(SegmentIntersection(P(0, 0), P(10, 0), P(2, 0), P(5, 0), untouched), Verdict::UnKnown);
    EXPECT_EQ(SegmentIntersection(P(1, 1), P(1, 1), P(0, 1), P(10, 1), untouched), Verdict::L1Point);
    EXPECT_EQ(SegmentIntersection(P(0, 1), P(10, 1), P(1, 1), P(1, 1), untouched), Verdict::L2Point);
    EXPECT_EQ(untouched.get(), before);
    EXPECT_EQ(untouched->X, -1.0);
}

TEST(IsPointInSegmentBox, SnappedPointOnASegmentRunningWestIsInside) {
    // the segment leans from vertical by 1e-4 over 14 units at X = 250003: almost vertical
    cPoint p = P(250002.99995, 5);
    EXPECT_TRUE(IsPointInSegmentBox(p, P(250003, -5), P(250002.9999, 9)));
    EXPECT_EQ(p.X, 250003.0);
    cPoint q = P(5, 250002.99995);
    EXPECT_TRUE(IsPointInSegmentBox(q, P(-5, 250003), P(9, 250002.9999)));
    // the other coordinate still has to lie within the segment
    cPoint r = P(250002.99995, 10);
    EXPECT_FALSE(IsPointInSegmentBox(r, P(250003, -5), P(250002.9999, 9)));
}

TEST(SegmentIntersection, AlmostVerticalSegmentRunningWestIsCrossed) {
    PointRef out;
    EXPECT_EQ(
        SegmentIntersection(P(250000, 2500000), P(250004, 2500000), P(250003, 2499995), P(250002.9999, 2500009), out),
        Verdict::In);
    EXPECT_EQ(out->Y, 2500000.0);
    EXPECT_NEAR(out->X, 250003.0, 1e-4);
}

TEST(SegmentIntersection, SharedEndPointCountsAsCrossing) {
    PointRef out;
    EXPECT_EQ(SegmentIntersection(P(0, 0), P(10, 0), P(10, 0), P(10, 10), out), Verdict::In);
    EXPECT_EQ(out->X, 10.0);
    EXPECT_EQ(out->Y, 0.0);
}

TEST(Distances, PointDistanceCountsZ) {
    EXPECT_DOUBLE_EQ(PointDistance(P(0, 0, 0), P(3, 4, 0)), 5.0);
    EXPECT_DOUBLE_EQ(PointDistance(P(0, 0, 0), P(2, 3, 6)), 7.0);
    EXPECT_EQ(Determinant2(1, 2, 3, 4), -2.0);
    cPoint d;
    CopyPoint(d, P(1, 2, 3));
    EXPECT_EQ(d.X, 1.0);
    EXPECT_EQ(d.z, 3.0);
}

TEST(DirectionAngle, QuadrantsAndAxes) {
    EXPECT_EQ(DirectionAngle(P(0, 0), P(0, -1)), 3 * HALF_PI);
    EXPECT_EQ(DirectionAngle(P(0, 0), P(-1, 0)), PI);
    EXPECT_NEAR(DirectionAngle(P(0, 0), P(1, -1)), 7 * PI / 4, 1e-12);
    EXPECT_EQ(DirectionAngle(P(0, 0), P(0, 0)), HALF_PI);
    EXPECT_EQ(DirectionAngle(P(0, 0), P(1, 0)), 0.0);
    for (int k = 0; k < 64; ++k) {
        const double a = DirectionAngle(P(0, 0), P(std::cos(k * 0.1), std::sin(k * 0.1)));
        EXPECT_GE(a, 0.0);
        EXPECT_LT(a, TWO_PI);
    }
}

TEST(SweepAngle, SignedTurn) {
    EXPECT_NEAR(SweepAngle(P(0, 0), P(1, 0), P(0, 1)), HALF_PI, 1e-12);
    EXPECT_NEAR(SweepAngle(P(0, 0), P(0, 1), P(1, 0)), -HALF_PI, 1e-12);
    // across the positive X axis the turn stays small
    EXPECT_NEAR(SweepAngle(P(0, 0), P(1, -0.1), P(1, 0.1)), 2 * std::atan(0.1), 1e-12);
}

TEST(QuadrantCode, Flags) {
    EXPECT_EQ(QuadrantCode(P(0, 0), P(1, 1)), 0);
    EXPECT_EQ(QuadrantCode(P(0, 0), P(-1, -1)), 3);
    EXPECT_EQ(QuadrantCode(P(0, 0), P(0, -1)), 65536 + 2);
    EXPECT_EQ(QuadrantCode(P(0, 0), P(0, 0)), 65536 + 131072);
}

TEST(WindingAngle, InsideOutsideAndOnEdge) {
    const auto ccw = Ring({P(0, 0), P(10, 0), P(10, 10), P(0, 10)});
    const auto cw = Ring({P(0, 0), P(0, 10), P(10, 10), P(10, 0)}, 0);
    EXPECT_EQ(WindingAngle(P(5, 5), ccw), TWO_PI);
    EXPECT_EQ(WindingAngle(P(5, 5), cw), -TWO_PI);
    EXPECT_EQ(WindingAngle(P(15, 5), ccw), 0.0);
    // a point on an edge is neither outside nor inside: about half a turn, signed by orientation
    for (const auto& onEdge : {P(5, 0), P(10, 5), P(5, 10), P(0, 5), P(2.5, 10)}) {
        EXPECT_NEAR(WindingAngle(onEdge, ccw), PI, 1e-9) << onEdge.X << " " << onEdge.Y;
        EXPECT_NEAR(WindingAngle(onEdge, cw), -PI, 1e-9) << onEdge.X << " " << onEdge.Y;
    }
    const auto slanted = Ring({P(300000, 2700000), P(300700, 2700300), P(300100, 2700900)});
    const cPoint mid = P((300000 + 300700) / 2.0, (2700000 + 2700300) / 2.0);
    EXPECT_NEAR(WindingAngle(mid, slanted), PI, 1e-6);
    EXPECT_EQ(WindingAngle(P(5, 5), PointArray()), 0.0);
    // a ring winding twice
    const auto twice =
        Ring({P(10, 0), P(0, 10), P(-10, 0), P(0, -10), P(10, 0.5), P(0, 10.5), P(-10, 0.5), P(0, -9.5)});
    EXPECT_NEAR(WindingAngle(P(0, 0), twice), 2 * TWO_PI, 1e-9);
}

}  // namespace
}  // namespace kelvarin
