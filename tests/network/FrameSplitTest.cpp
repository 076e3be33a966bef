// The frame split as properties: the two halves and the collinear strips tile the frame,
// and every point of a station's part lies no nearer to another station.

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/Predicates.hpp"
#include "network/FrameSplit.hpp"
#include "network/NetworkTolerances.hpp"
#include "network/TriangleNetwork.hpp"
#include "tests/network/StationSets.hpp"

namespace kelvarin {
namespace {

using testing::FrameOf;
using testing::Stations;

// twice the signed area: positive counter-clockwise
double SignedArea2(const cPolygon& ring) {
    double sum = 0.0;
    for (long i = 1; i <= ring.Count(); ++i) {
        const cPoint& a = *ring(i);
        const cPoint& b = *ring(i % ring.Count() + 1);
        sum += a.X * b.Y - b.X * a.Y;
    }
    return sum;
}

double Distance2(const cPoint& a, const cPoint& b) { return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y); }

// every vertex of station i's ring is no nearer to any other station than to station i
void ExpectNearestToItsOwn(const PolygonArray& rings, const PointArray& stations, double tolerance) {
    for (long i = stations.LBound(); i <= stations.UBound(); ++i)
        for (const auto& v : *rings(i))
            for (long j = stations.LBound(); j <= stations.UBound(); ++j)
                EXPECT_LE(std::sqrt(Distance2(*v, *stations(i))), std::sqrt(Distance2(*v, *stations(j))) + tolerance)
                    << "vertex (" << v->X << ", " << v->Y << ") of station " << i << " is nearer to " << j;
}

cPoint Midpoint(const cPoint& A, const cPoint& B) { return cPoint{(A.X + B.X) / 2, (A.Y + B.Y) / 2, 0.0}; }

TEST(TwoStationSplit, HalvesTileTheFrameAndBelongToTheNearerStation) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coordinate(-3000.0, 5000.0);
    for (int c = 0; c < 400; ++c) {
        const PointArray stations =
            Stations({{coordinate(rng), coordinate(rng), 0}, {coordinate(rng), coordinate(rng), 0}});
        const PointArray frame = FrameOf(stations);
        PolygonArray halves(1, 2);
        TwoStationSplit(halves, stations, frame, Midpoint);
        const double frameArea = PolygonArea(*RingOf(frame));
        ASSERT_GE(halves(1)->Count(), 3) << "case " << c;
        ASSERT_GE(halves(2)->Count(), 3) << "case " << c;
        EXPECT_GT(SignedArea2(*halves(1)), 0.0);
        EXPECT_GT(SignedArea2(*halves(2)), 0.0);
        EXPECT_NEAR(PolygonArea(*halves(1)) + PolygonArea(*halves(2)), frameArea, 1e-9 * frameArea) << "case " << c;
        ExpectNearestToItsOwn(halves, stations, 1e-6);
        if (HasFailure()) return;
    }
    // one site: both get the whole frame, and the split point is not asked
    const PointArray same = Stations({{5, 5, 1}, {5, 5, 2}});
    PolygonArray both(1, 2);
    TwoStationSplit(both, same, FrameOf(Stations({{0, 0, 0}, {10, 10, 0}})),
                    [](const cPoint&, const cPoint&) -> cPoint {
                        throw std::logic_error("asked for the split point of one site");
                    });
    EXPECT_DOUBLE_EQ(PolygonArea(*both(1)), 11.0 * 11.0);
    EXPECT_EQ(PolygonArea(*both(2)), PolygonArea(*both(1)));
}

TEST(BuildCollinearStrips, StripsTileTheFrameAndBelongToTheNearestSite) {
    std::mt19937 rng(12);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int c = 0; c < 300; ++c) {
        // stations on a line through (x0, y0) in direction angle, some of them at one site
        const double x0 = 1000 * unit(rng), y0 = 1000 * unit(rng), angle = 2 * M_PI * unit(rng);
        const long n = 1 + static_cast<long>(rng() % 7);
        std::vector<cPoint> points;
        for (long k = 0; k < n; ++k) {
            if (k > 0 && unit(rng) < 0.2) {
                points.push_back(points[rng() % points.size()]);
                continue;
            }
            const double t = 2000 * unit(rng);
            points.push_back({x0 + t * std::cos(angle), y0 + t * std::sin(angle), 0});
        }
        const PointArray stations = Stations(points);
        const PointArray frame = FrameOf(Stations({{x0 - 100, y0 - 100, 0}, {x0 + 2100, y0 + 2100, 0}}));
        PolygonArray strips(1, n);
        BuildCollinearStrips(strips, stations, frame, Midpoint);
        double area = 0.0;
        const Array1<long> site = SiteIndex(stations);
        for (long i = 1; i <= n; ++i) {
            ASSERT_TRUE(strips(i)) << "case " << c;
            if (site(i) == i) {
                area += PolygonArea(*strips(i));
            } else {
                EXPECT_EQ(PolygonArea(*strips(i)), PolygonArea(*strips(site(i)))) << "case " << c;
            }
        }
        const double frameArea = PolygonArea(*RingOf(frame));
        EXPECT_NEAR(area, frameArea, 1e-9 * frameArea) << "case " << c << ", " << n << " stations";
        ExpectNearestToItsOwn(strips, stations, 1e-6);
        if (HasFailure()) return;
    }
}

// A height-balance boundary line through an inner vertex O and the centre point M of a hull
// edge, at every tilt to the edge from a few units of the last bit to steep, along the axes and
// at any turn, O inside or a hair beyond the edge: where O lies inside by at least kThinSide of
// the edge's length, the crossing with the frame lies on the line through O and M, ahead of M
// (cutting the line with each frame edge instead loses a small tilt and can find the crossing
// behind M); closer, the triangle gives the edge no side and the crossing lies on the edge's
// normal through M, outwards.
TEST(OuterFrameCrossing, LinesThroughInnerVerticesLeaveOutwardsAheadOfTheirCentrePoint) {
    std::mt19937 rng(41);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int failures = 0, alongTheLine = 0, square = 0;
    for (int c = 0; c < 4000; ++c) {
        const double ox = c % 2 == 1 ? 255000.0 : 1000.0, oy = c % 2 == 1 ? 2655000.0 : 1000.0;
        double turn = unit(rng) * 2 * M_PI;
        if (c % 3 != 2) turn = M_PI / 2 * (c / 3 % 4);
        const double ux = std::cos(turn), uy = std::sin(turn);
        const double length = 5.0 + 200.0 * unit(rng);
        const cPoint S{ox, oy, 0.0};
        const cPoint E{ox + length * ux, oy + length * uy, 0.0};
        const cPoint M = Midpoint(S, E);
        // the network on the right of S->E (sign +1) or on its left (sign -1)
        const double sign = c % 4 < 2 ? 1.0 : -1.0;
        const double nx = -sign * uy, ny = sign * ux;  // outward
        const double along = (unit(rng) - 0.5) * length, tilt = std::pow(10.0, 1.0 - 16.0 * unit(rng));
        const double inside = c % 7 == 0 ? -1e-9 * length : std::fabs(along) * tilt;
        const cPoint O{M.X + along * ux - inside * nx, M.Y + along * uy - inside * ny, 0.0};
        // how far inside O lies, as a share of the edge: clear of kThinSide, or no case
        const double share = -sign * ((E.X - S.X) * (O.Y - S.Y) - (E.Y - S.Y) * (O.X - S.X)) / (length * length);
        if (std::fabs(share - network_tolerance::kThinSide) < 1e-6 * network_tolerance::kThinSide) continue;
        const bool sided = share >= network_tolerance::kThinSide;
        const PointArray frame =
            Stations({{ox + 800, oy + 700}, {ox - 900, oy + 700}, {ox - 900, oy - 600}, {ox + 800, oy - 600}});
        PointRef Q;
        const long k = OuterFrameCrossing(S, O, M, E, frame, sign, LineThrough::InnerVertex, Q);
        const double dx = sided ? M.X - O.X : nx, dy = sided ? M.Y - O.Y : ny;
        const double ahead = Q ? (Q->X - M.X) * dx + (Q->Y - M.Y) * dy : -1;
        const double aside = Q ? std::fabs((Q->X - M.X) * dy - (Q->Y - M.Y) * dx) / std::hypot(dx, dy) : 1;
        const double outwards = Q ? (Q->X - M.X) * nx + (Q->Y - M.Y) * ny : -1;
        (sided ? alongTheLine : square) += 1;
        if (k <= 0 || !(ahead > 0) || !(outwards > 0) || !(aside <= 1e-9 * 1700)) {
            if (++failures <= 5)
                ADD_FAILURE() << "case " << c << (sided ? " (through O)" : " (square)") << ": edge " << k << ", ahead "
                              << ahead << ", aside " << aside << ", outwards " << outwards;
        }
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(alongTheLine, 500);
    EXPECT_GT(square, 500);
}

// whether the ray from O along d meets the segment P-Q, in rationals: the crossing of their lines
// at a parameter t >= 0 along the ray and s in [0, 1] along the segment, or, for parallel lines,
// a common line and an end of the segment ahead of O or the segment's span holding O
bool RationalRayMeetsSegment(const cPoint& O, double dx, double dy, const cPoint& P, const cPoint& Q) {
    const mpq_class ox(O.X), oy(O.Y), ux(dx), uy(dy), px(P.X), py(P.Y), ex = mpq_class(Q.X) - px,
                                                                        ey = mpq_class(Q.Y) - py;
    const mpq_class wx = px - ox, wy = py - oy;
    const mpq_class cross = ux * ey - uy * ex;
    if (sgn(cross) == 0) {
        if (sgn(ux * wy - uy * wx) != 0) return false;
        const mpq_class tp = wx * ux + wy * uy, tq = (wx + ex) * ux + (wy + ey) * uy;
        return sgn(tp) >= 0 || sgn(tq) >= 0;
    }
    const mpq_class t = (wx * ey - wy * ex) / cross, s = (wx * uy - wy * ux) / cross;
    return sgn(t) >= 0 && sgn(s) >= 0 && s <= 1;
}

// Rays against segments at small and at map coordinates: ends on the ray's line, a unit in the
// last place to either side of it, at the ray's origin, behind it; segments along the ray's line
// ahead, behind and over the origin; crossings ahead and behind. Every answer is the rational one.
TEST(RayMeetsSegment, EqualsTheRationalAnswer) {
    std::mt19937_64 random(8);
    std::uniform_int_distribution<int> small(-6, 6), kind(0, 5), nudge(-1, 1);
    int meets = 0, misses = 0;
    for (int c = 0; c < 20000; ++c) {
        const double scale = c % 3 == 0 ? 1.0 : (c % 3 == 1 ? 0x1p-8 : 250.0);
        const cPoint O{(c % 2 == 1 ? 256000.0 : 0.0) + small(random) * scale,
                       (c % 2 == 1 ? 2655000.0 : 0.0) + small(random) * scale, 0.0};
        double dx = small(random), dy = small(random);
        if (dx == 0 && dy == 0) dx = 1;
        // an end: on the ray's line k steps along it (behind for k < 0), or anywhere near, each
        // coordinate maybe a unit in the last place off
        auto end = [&] {
            cPoint A = kind(random) < 3
                           ? cPoint{O.X + small(random) * dx * scale, O.Y + small(random) * dy * scale, 0.0}
                           : cPoint{O.X + small(random) * scale, O.Y + small(random) * scale, 0.0};
            const int x = nudge(random), y = nudge(random);
            if (x != 0) A.X = std::nextafter(A.X, x * HUGE_VAL);
            if (y != 0) A.Y = std::nextafter(A.Y, y * HUGE_VAL);
            return A;
        };
        const cPoint P = end(), Q = end();
        if (c % 11 == 0) {
            // through the direction nudged by a unit in the last place
            dx = std::nextafter(dx, HUGE_VAL);
        }
        const bool expected = RationalRayMeetsSegment(O, dx, dy, P, Q);
        EXPECT_EQ(RayMeetsSegment(O, dx, dy, P, Q), expected)
            << "case " << c << ": ray from (" << O.X << ", " << O.Y << ") along (" << dx << ", " << dy << "), segment ("
            << P.X << ", " << P.Y << ") - (" << Q.X << ", " << Q.Y << ")";
        (expected ? meets : misses) += 1;
    }
    EXPECT_GT(meets, 2000);
    EXPECT_GT(misses, 2000);
}

}  // namespace
}  // namespace kelvarin
