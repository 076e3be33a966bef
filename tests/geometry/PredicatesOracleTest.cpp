// The exact predicates against GMP's rational arithmetic on generated near-ties: points
// a few units of the last bit off a line, a circle or a bisector, exact ties on integer
// grids, at map coordinates, near the origin and at extreme magnitudes.

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <string>

#include "geometry/Predicates.hpp"

namespace kelvarin {
namespace {

int Sign(const mpq_class& v) { return sgn(v); }
mpq_class Q(double v) { return mpq_class(v); }  // exact: every double is a rational

int OracleOrient(const cPoint& a, const cPoint& b, const cPoint& c) {
    return Sign((Q(a.X) - Q(c.X)) * (Q(b.Y) - Q(c.Y)) - (Q(a.Y) - Q(c.Y)) * (Q(b.X) - Q(c.X)));
}

int OracleInCircle(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    // |d - centre|^2 - r^2 < 0 inside; with the lifted determinant and the orientation
    const mpq_class adx = Q(a.X) - Q(d.X), ady = Q(a.Y) - Q(d.Y);
    const mpq_class bdx = Q(b.X) - Q(d.X), bdy = Q(b.Y) - Q(d.Y);
    const mpq_class cdx = Q(c.X) - Q(d.X), cdy = Q(c.Y) - Q(d.Y);
    const mpq_class det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                          (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                          (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    return Sign(det) * OracleOrient(a, b, c);
}

int OracleCloserTo(const cPoint& p, const cPoint& a, const cPoint& b) {
    const mpq_class ax = Q(a.X) - Q(p.X), ay = Q(a.Y) - Q(p.Y), bx = Q(b.X) - Q(p.X), by = Q(b.Y) - Q(p.Y);
    return Sign((bx * bx + by * by) - (ax * ax + ay * ay));
}

// the naive double evaluations, to show that the cases are hard
int NaiveOrient(const cPoint& a, const cPoint& b, const cPoint& c) {
    const double det = (a.X - c.X) * (b.Y - c.Y) - (a.Y - c.Y) * (b.X - c.X);
    return (det > 0) - (det < 0);
}

// x moved by k units of its last bit
double Ulps(double x, int k) {
    for (; k > 0; --k) x = std::nextafter(x, INFINITY);
    for (; k < 0; ++k) x = std::nextafter(x, -INFINITY);
    return x;
}

struct Place {
    const char* name;
    double x, y, size;
};
constexpr Place kPlaces[] = {
    {"origin", 0.0, 0.0, 10.0},     {"map", 255000.0, 2655000.0, 12000.0}, {"map-small", 255000.0, 2655000.0, 1e-3},
    {"huge", 3e200, -2e200, 1e199}, {"tiny", 1e-200, 3e-200, 1e-201},
};

struct PredicateTally {
    long cases = 0, zeros = 0, naiveWrong = 0;
};

TEST(PredicatesOracle, OrientationMatchesRationalArithmeticOnNearCollinearPoints) {
    std::mt19937_64 random(17);
    PredicateTally total;
    for (const Place& place : kPlaces) {
        std::uniform_real_distribution<double> coordinate(-place.size, place.size);
        std::uniform_real_distribution<double> along(-1.5, 2.5);
        std::uniform_int_distribution<int> ulps(-3, 3);
        PredicateTally tally;
        for (int i = 0; i < 4000; ++i) {
            const cPoint a{place.x + coordinate(random), place.y + coordinate(random)};
            cPoint b{place.x + coordinate(random), place.y + coordinate(random)};
            if (i % 4 == 0) b.Y = a.Y;  // axis-parallel lines give many exact ties
            const double t = i % 8 == 1 ? 0.5 : along(random);
            cPoint c{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)};
            c.X = Ulps(c.X, ulps(random));
            c.Y = Ulps(c.Y, ulps(random));
            for (const auto& [p, q, r] : {std::array{a, b, c}, std::array{b, c, a}, std::array{c, b, a}}) {
                const int expected = OracleOrient(p, q, r);
                ASSERT_EQ(Orient2D(p, q, r), expected)
                    << place.name << " case " << i << ": (" << p.X << "," << p.Y << ") (" << q.X << "," << q.Y << ") ("
                    << r.X << "," << r.Y << ")";
                ++tally.cases;
                tally.zeros += expected == 0;
                tally.naiveWrong += NaiveOrient(p, q, r) != expected;
            }
        }
        // every place holds exact ties
        EXPECT_GT(tally.zeros, tally.cases / 50) << place.name;
        total.cases += tally.cases;
        total.naiveWrong += tally.naiveWrong;
    }
    // and the family holds many cases plain double evaluation gets wrong
    EXPECT_GT(total.naiveWrong, total.cases / 100);
}

TEST(PredicatesOracle, InCircleMatchesRationalArithmeticOnNearCocircularPoints) {
    std::mt19937_64 random(23);
    long exactTies = 0, strict = 0;
    for (const Place& place : kPlaces) {
        std::uniform_real_distribution<double> angle(0.0, 6.283185307179586);
        std::uniform_real_distribution<double> radius(place.size * 1e-3, place.size);
        std::uniform_int_distribution<int> ulps(-4, 4);
        for (int i = 0; i < 3000; ++i) {
            cPoint p[4];
            if (i % 3 == 0) {
                // corners of a rectangle and its mirror points on an integer grid: exact ties
                const double unit = place.size / 64.0;
                std::uniform_int_distribution<int> step(-64, 64);
                const double x0 = place.x + unit * step(random), y0 = place.y + unit * step(random);
                const double w = unit * (1 + std::abs(step(random))), h = unit * (1 + std::abs(step(random)));
                p[0] = {x0, y0};
                p[1] = {x0 + w, y0};
                p[2] = {x0 + w, y0 + h};
                p[3] = {x0, Ulps(y0 + h, i % 2 ? ulps(random) : 0)};
            } else {
                const double r = radius(random);
                for (cPoint& q : p) {
                    const double phi = angle(random);
                    q = {Ulps(place.x + r * std::cos(phi), ulps(random)),
                         Ulps(place.y + r * std::sin(phi), ulps(random))};
                }
            }
            if (OracleOrient(p[0], p[1], p[2]) == 0) {
                EXPECT_THROW(InCircle(p[0], p[1], p[2], p[3]), std::invalid_argument);
                continue;
            }
            const int expected = OracleInCircle(p[0], p[1], p[2], p[3]);
            ASSERT_EQ(InCircle(p[0], p[1], p[2], p[3]), expected) << place.name << " case " << i;
            ASSERT_EQ(InCircle(p[2], p[1], p[0], p[3]), expected) << place.name << " case " << i << " (clockwise)";
            exactTies += expected == 0;
            strict += expected != 0;
        }
    }
    EXPECT_GT(exactTies, 1000);
    EXPECT_GT(strict, 1000);
}

TEST(PredicatesOracle, CloserToMatchesRationalArithmeticOnNearBisectorPoints) {
    std::mt19937_64 random(29);
    long ties = 0;
    for (const Place& place : kPlaces) {
        std::uniform_real_distribution<double> coordinate(-place.size, place.size);
        std::uniform_int_distribution<int> ulps(-2, 2);
        for (int i = 0; i < 3000; ++i) {
            const cPoint a{place.x + coordinate(random), place.y + coordinate(random)};
            cPoint b = i % 2 ? cPoint{2 * place.x - a.X, a.Y} : cPoint{place.x + coordinate(random), place.y};
            const double s = coordinate(random) / place.size;
            // a point on (or a few bits off) the bisector of a and b
            const double mx = (a.X + b.X) / 2, my = (a.Y + b.Y) / 2;
            const cPoint p{Ulps(mx - s * (b.Y - a.Y), ulps(random)), Ulps(my + s * (b.X - a.X), ulps(random))};
            const int expected = OracleCloserTo(p, a, b);
            ASSERT_EQ(CloserTo(p, a, b), expected) << place.name << " case " << i;
            ASSERT_EQ(CloserTo(p, b, a), -expected) << place.name << " case " << i;
            ties += expected == 0;
        }
    }
    EXPECT_GT(ties, 100);
}

// the crossing parameter of the line c-d on the segment p->q
mpq_class OracleCrossing(const cPoint& p, const cPoint& q, const cPoint& c, const cPoint& d) {
    const auto side = [&](const cPoint& x) -> mpq_class {
        return (Q(c.X) - Q(x.X)) * (Q(d.Y) - Q(x.Y)) - (Q(c.Y) - Q(x.Y)) * (Q(d.X) - Q(x.X));
    };
    return side(p) / (side(p) - side(q));
}

// Two lines through (or a few bits off) one point of a segment, their directions equal up to
// a few bits or unrelated: which crosses first, where, and which way the second turns from
// the first, against rational arithmetic.
TEST(PredicatesOracle, SegmentCrossingsMatchRationalArithmetic) {
    std::mt19937_64 random(31);
    long cases = 0, sameplace = 0, parallel = 0;
    for (const Place& place : kPlaces) {
        std::uniform_real_distribution<double> coordinate(-place.size, place.size);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        std::uniform_int_distribution<int> ulps(-3, 3);
        std::uniform_int_distribution<int> step(-32, 32);
        const double grid = place.size / 64.0;
        for (int i = 0; i < 3000; ++i) {
            cPoint p{place.x + coordinate(random), place.y + coordinate(random)};
            cPoint q{place.x + coordinate(random), place.y + coordinate(random)};
            const double s = 0.5 + unit(random) * 0.45;
            cPoint m{p.X + s * (q.X - p.X), p.Y + s * (q.Y - p.Y)};
            double dx = coordinate(random), dy = coordinate(random);
            if (i % 4 == 3) {
                // on a grid, both lines through the segment's middle: an exact tie
                const double mx = place.x + grid * step(random), my = place.y + grid * step(random);
                const double hx = grid * step(random), hy = grid * step(random);
                p = {mx - hx, my - hy};
                q = {mx + hx, my + hy};
                m = {mx, my};
                dx = grid * step(random);
                dy = grid * step(random);
            }
            const cPoint c1{m.X - dx, m.Y - dy}, d1{m.X + dx, m.Y + dy};
            // the second line through the same point, or a few bits beside it; along the
            // first one's direction up to a few bits, or any direction
            const bool near = i % 2 == 0;
            const double ex = near ? dx : (i % 4 == 3 ? grid * step(random) : coordinate(random));
            const double ey = near ? dy : (i % 4 == 3 ? grid * step(random) : coordinate(random));
            const bool beside = i % 4 != 3 && i % 3 != 0;
            const cPoint m2{Ulps(m.X, beside ? ulps(random) : 0), Ulps(m.Y, beside ? ulps(random) : 0)};
            const cPoint c2{Ulps(m2.X - ex, i % 4 == 3 ? 0 : ulps(random)),
                            Ulps(m2.Y - ey, i % 4 == 3 ? 0 : ulps(random))};
            const cPoint d2{m2.X + ex, m2.Y + ey};
            const int turn =
                Sign((Q(d1.X) - Q(c1.X)) * (Q(d2.Y) - Q(c2.Y)) - (Q(d1.Y) - Q(c1.Y)) * (Q(d2.X) - Q(c2.X)));
            ASSERT_EQ(CrossSign(c1, d1, c2, d2), turn) << place.name << " case " << i;
            ASSERT_EQ(CrossSign(c2, d2, c1, d1), -turn) << place.name << " case " << i;
            parallel += turn == 0;
            // both lines must cross the segment away from its ends
            if (OracleOrient(c1, d1, p) * OracleOrient(c1, d1, q) >= 0 ||
                OracleOrient(c2, d2, p) * OracleOrient(c2, d2, q) >= 0)
                continue;
            const mpq_class t1 = OracleCrossing(p, q, c1, d1), t2 = OracleCrossing(p, q, c2, d2);
            const int order = Sign(t1 - t2);
            ASSERT_EQ(CompareCrossings(p, q, c1, d1, c2, d2), order) << place.name << " case " << i;
            ASSERT_EQ(CompareCrossings(p, q, c2, d2, c1, d1), -order) << place.name << " case " << i;
            const SegmentCrossing found = CrossingParameter(p, q, c2, d2);
            ASSERT_LE(abs(Q(found.t) - t2), Q(found.error)) << place.name << " case " << i;
            ASSERT_LE(found.error, 1e-12);
            sameplace += order == 0;
            ++cases;
        }
    }
    EXPECT_GT(cases, 10000);
    EXPECT_GT(sameplace, 500);  // the same rounded point: the crossings coincide exactly
    EXPECT_GT(parallel, 100);
}

TEST(PredicatesOracle, NonFiniteCoordinatesAreRefused) {
    const cPoint a{0, 0}, b{1, 0}, c{0, 1}, bad{NAN, 0};
    EXPECT_THROW(Orient2D(a, b, bad), std::domain_error);
    EXPECT_THROW(InCircle(a, b, c, cPoint{0, INFINITY}), std::domain_error);
    EXPECT_THROW(CloserTo(bad, a, b), std::domain_error);
    // far apart but finite: exact, not overflowing
    EXPECT_EQ(Orient2D(cPoint{-1.7e308, -1.7e308}, cPoint{1.7e308, 1.7e308}, cPoint{0, 1e-300}), 1);
}

}  // namespace
}  // namespace kelvarin
