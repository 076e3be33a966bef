// The station triangle network: triangulation properties on random and tied station sets,
// and the small cases worked by hand.

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <stdexcept>
#include <utility>

#include "network/ExhaustiveTriangleSearch.hpp"
#include "network/TriangleNetwork.hpp"
#include "tests/network/StationSets.hpp"

namespace kelvarin {
namespace {

using testing::Geos;
using testing::GridStations;
using testing::RandomStations;
using testing::Stations;

// signed area of the triangle in column t
double SignedArea(const Array2<PointRef>& tri, long t) {
    const cPoint &A = *tri(1, t), &B = *tri(2, t), &C = *tri(3, t);
    return ((B.X - A.X) * (C.Y - A.Y) - (B.Y - A.Y) * (C.X - A.X)) / 2;
}

// station number of a corner (first station at the same X, Y)
long StationOf(const cPoint& P, const PointArray& stations) {
    for (long s = stations.LBound(); s <= stations.UBound(); ++s) {
        if (stations(s)->X == P.X && stations(s)->Y == P.Y) return s;
    }
    return 0;
}

// every property a triangle table of these stations must have
void ExpectTriangulation(const PointArray& stations, const Array2<PointRef>& tri, long T, const Geos& geos) {
    ASSERT_GT(T, 0);
    ASSERT_EQ(tri.UBound(2), T);
    std::vector<Geos::Geom> parts;
    double sum = 0;
    std::array<long, 3> previous{0, 0, 0};
    std::vector<bool> used(static_cast<std::size_t>(stations.UBound() + 1), false);
    for (long t = 1; t <= T; ++t) {
        const double area = SignedArea(tri, t);
        EXPECT_GT(area, 0) << "triangle " << t << " is not counter-clockwise";
        sum += area;
        std::vector<cPoint> corners{*tri(1, t), *tri(2, t), *tri(3, t)};
        parts.push_back(geos.Polygon(corners));
        // no station strictly inside the circumcircle (radius from the corners themselves)
        const cPoint& O = *tri(0, t);
        EXPECT_EQ(O.z, 0.0);
        const double r = std::hypot(corners[0].X - O.X, corners[0].Y - O.Y);
        for (const cPoint& C : corners) EXPECT_NEAR(std::hypot(C.X - O.X, C.Y - O.Y), r, 1e-9 * r);
        for (const PointRef& S : stations) {
            EXPECT_GE(std::hypot(S->X - O.X, S->Y - O.Y), r * (1 - 1e-9)) << "station inside triangle " << t;
        }
        // lexicographic order of the station triples; corners are copies, never the stations
        std::array<long, 3> triple{};
        for (int v = 0; v < 3; ++v) {
            triple[static_cast<std::size_t>(v)] = StationOf(corners[static_cast<std::size_t>(v)], stations);
            ASSERT_GT(triple[static_cast<std::size_t>(v)], 0);
            used[static_cast<std::size_t>(triple[static_cast<std::size_t>(v)])] = true;
            EXPECT_NE(tri(v + 1, t), stations(triple[static_cast<std::size_t>(v)]));
            EXPECT_EQ(tri(v + 1, t)->z, stations(triple[static_cast<std::size_t>(v)])->z);
        }
        std::sort(triple.begin(), triple.end());
        EXPECT_LT(previous, triple) << "triangle " << t << " out of order";
        previous = triple;
    }
    const double hull = geos.HullArea(stations);
    EXPECT_NEAR(sum, hull, 1e-9 * hull) << "triangles do not cover the hull once";
    EXPECT_NEAR(geos.UnionArea(parts), hull, 1e-9 * hull) << "triangles overlap";
    // a triangulation of a point set uses every site
    for (long s = stations.LBound(); s <= stations.UBound(); ++s) {
        if (StationOf(*stations(s), stations) == s) {
            EXPECT_TRUE(used[static_cast<std::size_t>(s)]) << "station " << s;
        }
    }
}

TEST(GetCircumCircle, RightTriangleAndDegenerateTriples) {
    cPoint centre{7, 7, 7};
    EXPECT_DOUBLE_EQ(GetCircumCircle(centre, cPoint{0, 0}, cPoint{4, 0}, cPoint{0, 3}), 2.5);
    EXPECT_DOUBLE_EQ(centre.X, 2);
    EXPECT_DOUBLE_EQ(centre.Y, 1.5);
    EXPECT_EQ(centre.z, 7);  // only X and Y are written
    EXPECT_EQ(GetCircumCircle(centre, cPoint{0, 0}, cPoint{1, 1}, cPoint{2, 2}), -1);
    EXPECT_EQ(GetCircumCircle(centre, cPoint{1, 1}, cPoint{1, 1}, cPoint{2, 2}), -1);
    EXPECT_EQ(GetCircumCircle(centre, cPoint{1, 1, 5}, cPoint{1, 1}, cPoint{1, 1, 3}), -2);
    EXPECT_DOUBLE_EQ(centre.X, 2);  // untouched by the failures
}

TEST(BuildTriangleNetwork, ThreeStationsGiveOneCounterClockwiseTriangle) {
    for (const auto& order :
         {std::vector<cPoint>{{0, 0, 1}, {4, 0, 2}, {0, 3, 3}}, std::vector<cPoint>{{0, 3, 3}, {4, 0, 2}, {0, 0, 1}}}) {
        const PointArray s = Stations(order);
        Array2<PointRef> tri;
        ASSERT_EQ(BuildTriangleNetwork(s, tri), 1);
        EXPECT_GT(SignedArea(tri, 1), 0);
        EXPECT_DOUBLE_EQ(tri(0, 1)->X, 2);
        EXPECT_DOUBLE_EQ(tri(0, 1)->Y, 1.5);
        EXPECT_EQ(tri(1, 1)->X, order[0].X);  // the first station stays in row 1
        EXPECT_EQ(tri(1, 1)->z, order[0].z);
    }
}

TEST(BuildTriangleNetwork, FewOrCollinearStationsGiveNoTriangle) {
    for (const auto& pts :
         {std::vector<cPoint>{}, std::vector<cPoint>{{1, 1}}, std::vector<cPoint>{{1, 1}, {2, 2}},
          std::vector<cPoint>{{0, 0}, {1, 2}, {2, 4}, {3, 6}}, std::vector<cPoint>{{5, 5}, {5, 5, 3}, {5, 5, 9}}}) {
        Array2<PointRef> tri;
        EXPECT_EQ(BuildTriangleNetwork(Stations(pts), tri), 0);
        EXPECT_EQ(tri.LBound(1), 0);
        EXPECT_EQ(tri.UBound(1), 3);
        EXPECT_EQ(tri.UBound(2), 1);  // the single empty column
        EXPECT_FALSE(tri(1, 1));
    }
}

TEST(BuildTriangleNetwork, ConvexQuadrilateralSplitsAlongTheDelaunayDiagonal) {
    // (0,0), (10,0), (10,4), (0,6): the circle of 1-2-3 holds no third station, 1-2-4's holds 3
    const PointArray s = Stations({{0, 0}, {10, 0}, {10, 4}, {0, 6}});
    Array2<PointRef> tri;
    ASSERT_EQ(BuildTriangleNetwork(s, tri), 2);
    Geos geos;
    ExpectTriangulation(s, tri, 2, geos);
    for (long t = 1; t <= 2; ++t) {
        long has1 = 0, has3 = 0;
        for (long v = 1; v <= 3; ++v) {
            has1 += StationOf(*tri(v, t), s) == 1;
            has3 += StationOf(*tri(v, t), s) == 3;
        }
        EXPECT_EQ(has1 + has3, 2) << "the diagonal runs from station 1 to station 3";
    }
}

TEST(BuildTriangleNetwork, CocircularRectangleGivesTwoTrianglesNotFour) {
    const PointArray s = Stations({{0, 0}, {10, 0}, {10, 6}, {0, 6}});
    Array2<PointRef> tri;
    const long T = BuildTriangleNetwork(s, tri);
    ASSERT_EQ(T, 2);
    Geos geos;
    ExpectTriangulation(s, tri, T, geos);
}

TEST(BuildTriangleNetwork, CoincidentStationsCountAsOneSite) {
    const PointArray s = Stations({{0, 0, 1}, {10, 0, 2}, {0, 0, 3}, {4, 8, 4}, {10, 0, 5}});
    Array2<PointRef> tri;
    ASSERT_EQ(BuildTriangleNetwork(s, tri), 1);
    for (long v = 1; v <= 3; ++v) {
        const long station = StationOf(*tri(v, 1), s);
        EXPECT_TRUE(station == 1 || station == 2 || station == 4);
        EXPECT_EQ(tri(v, 1)->z, s(station)->z);  // the first station of the site
    }
}

TEST(BuildTriangleNetwork, CornersAreCopiesAndElevationsDoNotMatter) {
    PointArray s = Stations({{0, 0, 0}, {10, 1, 0}, {4, 9, 0}, {6, 4, 0}});
    Array2<PointRef> flat;
    const long T = BuildTriangleNetwork(s, flat);
    for (long i = 1; i <= 4; ++i) s(i)->z = 100.0 * i;
    Array2<PointRef> raised;
    ASSERT_EQ(BuildTriangleNetwork(s, raised), T);
    for (long t = 1; t <= T; ++t) {
        for (long v = 1; v <= 3; ++v) {
            EXPECT_EQ(raised(v, t)->X, flat(v, t)->X);
            EXPECT_EQ(raised(v, t)->Y, flat(v, t)->Y);
            EXPECT_EQ(flat(v, t)->z, 0.0);  // the earlier table did not follow the stations
        }
    }
}

// sign of the orientation of a, b, c in exact rational arithmetic
int ExactTurn(const cPoint& a, const cPoint& b, const cPoint& c) {
    const mpq_class ax(a.X), ay(a.Y), bx(b.X), by(b.Y), cx(c.X), cy(c.Y);
    return sgn((bx - ax) * (cy - ay) - (by - ay) * (cx - ax));
}

// d strictly inside the circle through a, b, c, in exact rational arithmetic
bool ExactlyInside(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    const mpq_class adx = mpq_class(a.X) - d.X, ady = mpq_class(a.Y) - d.Y;
    const mpq_class bdx = mpq_class(b.X) - d.X, bdy = mpq_class(b.Y) - d.Y;
    const mpq_class cdx = mpq_class(c.X) - d.X, cdy = mpq_class(c.Y) - d.Y;
    const mpq_class det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                          (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                          (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    return sgn(det) * ExactTurn(a, b, c) > 0;
}

// The table of the plain exhaustive search: every triple in lexicographic order, rejected
// when its corners lie exactly on one line, when a site lies strictly inside its
// circumcircle (both decided in exact rational arithmetic), or when it overlaps (GEOS) a
// triangle taken before.
std::vector<std::array<long, 3>> ExhaustiveTriples(const PointArray& s, const Geos& geos) {
    std::vector<std::array<long, 3>> kept;
    std::vector<Geos::Geom> taken;
    const long lo = s.LBound(), hi = s.UBound();
    for (long i = lo; i <= hi - 2; ++i) {
        for (long j = i + 1; j <= hi - 1; ++j) {
            for (long k = j + 1; k <= hi; ++k) {
                if (ExactTurn(*s(i), *s(j), *s(k)) == 0) continue;
                bool empty = true;
                for (long m = lo; m <= hi && empty; ++m) {
                    if (m == i || m == j || m == k) continue;
                    empty = !ExactlyInside(*s(i), *s(j), *s(k), *s(m));
                }
                if (!empty) continue;
                const Geos::Geom t = geos.Polygon(std::vector<cPoint>{*s(i), *s(j), *s(k)});
                const double area = geos.Area(t.get());
                bool overlaps = false;
                for (const Geos::Geom& u : taken) {
                    overlaps = overlaps || geos.Area(geos.Intersection(t.get(), u.get()).get()) > 1e-9 * area;
                }
                if (overlaps) continue;
                kept.push_back({i, j, k});
                taken.push_back(geos.Polygon(std::vector<cPoint>{*s(i), *s(j), *s(k)}));
            }
        }
    }
    return kept;
}

TEST(BuildTriangleNetwork, SameTableAsThePlainExhaustiveSearch) {
    std::mt19937 rng(404);
    Geos geos;
    for (int rep = 0; rep < 12; ++rep) {
        const long n = 4 + 2 * rep;
        const PointArray s = rep % 3 == 2 ? GridStations(rng, n, rep % 2 ? 37.3 : 10.0) : RandomStations(rng, n);
        SCOPED_TRACE("set " + std::to_string(rep));
        Array2<PointRef> tri;
        const long T = BuildTriangleNetwork(s, tri);
        const std::vector<std::array<long, 3>> expected = ExhaustiveTriples(s, geos);
        ASSERT_EQ(T, static_cast<long>(expected.size()));
        for (long t = 1; t <= T; ++t) {
            const std::array<long, 3>& e = expected[static_cast<std::size_t>(t - 1)];
            // row 1 is the first station of the triple; rows 2, 3 the others, counter-clockwise
            EXPECT_EQ(StationOf(*tri(1, t), s), e[0]);
            const long second = StationOf(*tri(2, t), s), third = StationOf(*tri(3, t), s);
            EXPECT_TRUE((second == e[1] && third == e[2]) || (second == e[2] && third == e[1]));
            EXPECT_GT(SignedArea(tri, t), 0);
        }
    }
}

// the same double, bit for bit
bool SameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// Station sets of every kind the network meets: random, integer grids (whole and in part,
// full of exactly co-circular squares), sites on exact lattice circles, collinear runs,
// coincident gauges, and grids at map coordinates with and without tiny jitter.
PointArray GeneratedSet(std::mt19937& rng, int kind, long n) {
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> small(0, 7);
    std::vector<cPoint> pts;
    const auto z = [&] { return std::floor(unit(rng) * 500); };
    switch (kind) {
        case 0:  // random
            for (long i = 0; i < n; ++i) pts.push_back({2000 + 1000 * unit(rng), -500 + 700 * unit(rng), z()});
            break;
        case 1:  // integer grid points, some of them repeated
            for (long i = 0; i < n; ++i) pts.push_back({double(small(rng)), double(small(rng)), z()});
            break;
        case 2: {  // a lattice circle (x^2 + y^2 = 625 has 20 points); its centre and a few more or not
            const int circle[][2] = {{25, 0}, {24, 7}, {20, 15}, {15, 20}, {7, 24}};
            for (const auto& q : circle) {
                for (const int sx : {1, -1}) {
                    for (const int sy : {1, -1}) {
                        if (unit(rng) < 0.7) pts.push_back({double(sx * q[0]), double(sy * q[1]), z()});
                    }
                }
            }
            if (unit(rng) < 0.5) break;  // the circle alone: one face of up to 20 sites
            if (unit(rng) < 0.5) pts.push_back({0, 0, z()});
            for (long i = 0; i < n / 4; ++i) pts.push_back({-40 + 80 * unit(rng), -40 + 80 * unit(rng), z()});
            break;
        }
        case 3: {  // collinear runs crossed by a few other sites
            const double dx = 1 + small(rng), dy = small(rng) - 3;
            for (long i = 0; i < n; ++i) {
                const double t = double(i % 9);
                if (unit(rng) < 0.7)
                    pts.push_back({10 + t * dx, 20 + t * dy, z()});
                else
                    pts.push_back({double(small(rng) * 3), double(small(rng) * 3), z()});
            }
            break;
        }
        case 4: {  // a whole regular grid at map coordinates, shuffled, jittered or not
            const long side = std::max(2L, static_cast<long>(std::sqrt(double(n))));
            const double jitter = unit(rng) < 0.5 ? 0.0 : (unit(rng) < 0.5 ? 1e-9 : 1e-7);
            for (long i = 0; i < side; ++i)
                for (long j = 0; j < side; ++j)
                    pts.push_back({255000 + 250.0 * i + jitter * (unit(rng) - 0.5),
                                   2655000 + 250.0 * j + jitter * (unit(rng) - 0.5), z()});
            std::shuffle(pts.begin(), pts.end(), rng);
            break;
        }
        default:  // one site on one line, or all sites on one line
            for (long i = 0; i < n; ++i) pts.push_back({5.0 * (i % 3), 0.5 * (i % 3), z()});
            break;
    }
    return Stations(pts);
}

TEST(BuildTriangleNetwork, FastTableIsTheExhaustiveTableBitForBit) {
    std::mt19937 rng(15);
    long sets = 0, tiedTriangles = 0;
    for (int rep = 0; rep < 150; ++rep) {
        for (int kind = 0; kind <= 5; ++kind) {
            const long n = 3 + static_cast<long>(rng() % 58);
            const PointArray s = GeneratedSet(rng, kind, n);
            SCOPED_TRACE("kind " + std::to_string(kind) + ", repetition " + std::to_string(rep) + ", " +
                         std::to_string(s.Count()) + " stations");
            // each station's site: the first station at its X and Y
            const Array1<long> site = SiteIndex(s);
            for (long i = s.LBound(); i <= s.UBound(); ++i) ASSERT_EQ(site(i), StationOf(*s(i), s)) << "station " << i;
            Array2<PointRef> fast, reference;
            std::set<std::pair<double, double>> centres;
            const long T = BuildTriangleNetwork(s, fast);
            ASSERT_EQ(T, BuildTriangleNetworkExhaustive(s, reference));
            ASSERT_EQ(fast.LBound(2), reference.LBound(2));
            ASSERT_EQ(fast.UBound(2), reference.UBound(2));
            for (long t = 1; t <= T; ++t) {
                for (long r = 0; r <= 3; ++r) {
                    const cPoint &a = *fast(r, t), &b = *reference(r, t);
                    ASSERT_TRUE(SameBits(a.X, b.X) && SameBits(a.Y, b.Y) && SameBits(a.z, b.z))
                        << "triangle " << t << ", row " << r;
                    ASSERT_NE(fast(r, t), reference(r, t));
                }
                // two triangles with one circumcentre: four sites on one empty circle
                tiedTriangles += !centres.insert({fast(0, t)->X, fast(0, t)->Y}).second;
            }
            if (T == 0) {
                EXPECT_FALSE(fast(1, 1));
            }
            ++sets;
        }
    }
    EXPECT_EQ(sets, 900);
    EXPECT_GT(tiedTriangles, 0) << "the generated sets must hold exact ties";
}

// the triangle count a build gives, or -1 when it refuses the stations
template <class Build>
long Outcome(Build build, const PointArray& stations) {
    Array2<PointRef> tri;
    try {
        return build(stations, tri);
    } catch (const std::domain_error&) {
        return -1;
    }
}

TEST(BuildTriangleNetwork, CoordinatesThatAreNotFiniteAreRefusedAsByTheExhaustiveSearch) {
    std::mt19937 rng(29);
    const double bad[] = {std::nan(""), HUGE_VAL, -HUGE_VAL};
    std::uniform_real_distribution<double> unit(0, 1);
    long refused = 0, kept = 0;
    for (int rep = 0; rep < 120; ++rep) {
        // a few finite stations of every kind (none at all, too), then one or two that are not
        const PointArray some = GeneratedSet(rng, rep % 6, 3 + static_cast<long>(rng() % 10));
        std::vector<cPoint> pts;
        for (long i = 1; i <= std::min<long>(some.Count(), static_cast<long>(rng() % 7)); ++i) pts.push_back(*some(i));
        for (int k = 0; k <= rep % 2; ++k) {
            const double v = bad[rng() % 3];
            const cPoint P = rng() % 3 == 0 ? cPoint{v, unit(rng)} : rng() % 2 ? cPoint{unit(rng), v} : cPoint{v, v};
            pts.insert(pts.begin() + static_cast<long>(rng() % (pts.size() + 1)), P);
        }
        const PointArray s = Stations(pts);
        const Array1<long> site = SiteIndex(s);
        long sites = 0;
        for (long i = s.LBound(); i <= s.UBound(); ++i) sites += site(i) == i;
        SCOPED_TRACE("repetition " + std::to_string(rep) + ", " + std::to_string(sites) + " sites");
        const long fast = Outcome(BuildTriangleNetwork, s);
        EXPECT_EQ(fast, Outcome(BuildTriangleNetworkExhaustive, s));
        EXPECT_EQ(fast, sites >= 3 ? -1 : 0) << "three sites or more are refused, fewer make no triangle";
        (fast < 0 ? refused : kept) += 1;
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(kept, 0);
}

TEST(BuildTriangleNetwork, LargeTiedGridIsTriangulatedQuickly) {
    // 10,000 gauges on an integer grid: every square is an exact tie; a hang guard only
    std::vector<cPoint> pts;
    for (long i = 0; i < 100; ++i)
        for (long j = 0; j < 100; ++j) pts.push_back({double(i), double(j), 0.0});
    std::mt19937 rng(1);
    std::shuffle(pts.begin(), pts.end(), rng);
    const PointArray s = Stations(pts);
    Array2<PointRef> tri;
    const long T = BuildTriangleNetwork(s, tri);
    ASSERT_EQ(T, 2 * 99 * 99);
    double area = 0;
    for (long t = 1; t <= T; ++t) area += SignedArea(tri, t);
    EXPECT_EQ(area, 99.0 * 99.0);
}

TEST(BuildTriangleNetwork, RandomSetsAreDelaunayTriangulations) {
    std::mt19937 rng(20261208);
    Geos geos;
    for (long n : {3, 4, 5, 7, 10, 15, 20, 30, 45, 60}) {
        for (int rep = 0; rep < 3; ++rep) {
            SCOPED_TRACE("random set of " + std::to_string(n) + ", repetition " + std::to_string(rep));
            const PointArray s = RandomStations(rng, n);
            Array2<PointRef> tri;
            const long T = BuildTriangleNetwork(s, tri);
            ExpectTriangulation(s, tri, T, geos);
        }
    }
}

TEST(BuildTriangleNetwork, TiedGridsAreTriangulationsToo) {
    std::mt19937 rng(7);
    Geos geos;
    for (double step : {1.0, 10.0, 0.1, 37.3}) {
        for (long n : {4, 6, 9, 16, 25, 40, 60}) {
            SCOPED_TRACE("grid step " + std::to_string(step) + ", " + std::to_string(n) + " stations");
            const PointArray s = GridStations(rng, n, step);
            Array2<PointRef> tri;
            const long T = BuildTriangleNetwork(s, tri);
            // a grid subset may be all on one line; otherwise it must triangulate
            if (T == 0) continue;
            ExpectTriangulation(s, tri, T, geos);
        }
    }
}

}  // namespace
}  // namespace kelvarin
