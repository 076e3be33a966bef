// FindRingCrossing against GEOS's validity test, and FindEdgeMeeting against trying every
// pair of edges in exact rational arithmetic, on random rings over a small grid, where
// touching vertices, overlapping edges and folds are frequent, at the origin and at map
// coordinates.

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "geometry/SimpleRing.hpp"
#include "tests/geometry/GeosOracle.hpp"

namespace kelvarin {
namespace {

using testing::GeosOracle;

// a ring of 4 to 9 grid points without repeated neighbours, nor a last point repeating the first
std::vector<cPoint> GridRing(std::mt19937_64& random, double offset) {
    std::uniform_int_distribution<int> grid(0, 4);
    std::uniform_int_distribution<int> size(4, 9);
    std::vector<cPoint> ring;
    const int n = size(random);
    for (int k = 0; k < n; ++k) {
        const cPoint p{offset + grid(random) * 0.75, offset + grid(random) * 1.25};
        if (!ring.empty() && ring.back().X == p.X && ring.back().Y == p.Y) continue;
        ring.push_back(p);
    }
    while (ring.size() > 1 && ring.back().X == ring.front().X && ring.back().Y == ring.front().Y) ring.pop_back();
    return ring;
}

TEST(SimpleRingOracle, CrossingFoundExactlyWhenGeosCallsTheRingInvalid) {
    GeosOracle geos;
    std::mt19937_64 random(41);
    int simple = 0, crossing = 0;
    for (const double offset : {0.0, 2655000.0}) {
        for (int i = 0; i < 6000; ++i) {
            const std::vector<cPoint> ring = GridRing(random, offset);
            if (ring.size() < 4) continue;
            const bool valid = geos.IsValid(geos.Polygon(ring).get());
            const std::optional<RingCrossing> found = FindRingCrossing(ring);
            ASSERT_EQ(!found, valid) << "case " << i << " offset " << offset
                                     << (found ? " crossing edges " + std::to_string(found->First) + " and " +
                                                     std::to_string(found->Second)
                                               : std::string(" simple"))
                                     << "; GEOS: " << geos.WhyInvalid(geos.Polygon(ring).get());
            (found ? crossing : simple) += 1;
            if (found) {
                ASSERT_LT(found->First, found->Second);
                ASSERT_LE(found->Second, ring.size());
            }
        }
    }
    EXPECT_GT(simple, 500);
    EXPECT_GT(crossing, 500);
}

// the side of c against the line a->b, in exact rational arithmetic
int ExactSide(const cPoint& a, const cPoint& b, const cPoint& c) {
    const mpq_class ax(a.X), ay(a.Y), bx(b.X), by(b.Y), cx(c.X), cy(c.Y);
    return sgn((bx - ax) * (cy - ay) - (by - ay) * (cx - ax));
}

// x on the closed segment p-q
bool OnSegment(const cPoint& x, const cPoint& p, const cPoint& q) {
    return ExactSide(p, q, x) == 0 && std::min(p.X, q.X) <= x.X && x.X <= std::max(p.X, q.X) &&
           std::min(p.Y, q.Y) <= x.Y && x.Y <= std::max(p.Y, q.Y);
}

// the closed segments p-q and c-d share a point
bool SegmentsShareAPoint(const cPoint& p, const cPoint& q, const cPoint& c, const cPoint& d) {
    if (ExactSide(p, q, c) * ExactSide(p, q, d) < 0 && ExactSide(c, d, p) * ExactSide(c, d, q) < 0) return true;
    return OnSegment(c, p, q) || OnSegment(d, p, q) || OnSegment(p, c, d) || OnSegment(q, c, d);
}

TEST(SimpleRingOracle, EdgeMeetingIsTheLowestPairOfEdgesThatShareAPoint) {
    std::mt19937_64 random(43);
    int meeting = 0, apart = 0;
    for (const double offset : {0.0, 2655000.0}) {
        for (int i = 0; i < 4000; ++i) {
            const std::vector<cPoint> distinct = GridRing(random, offset);
            const std::size_t n = distinct.size();
            if (n < 3) continue;
            // the same ring with some vertices repeated (they add no edge) and the first repeated at the end
            std::vector<cPoint> ring;
            std::vector<std::size_t> number;  // the number in ring of each vertex of distinct, 1 = first
            for (const cPoint& p : distinct) {
                number.push_back(ring.size() + 1);
                ring.push_back(p);
                if (random() % 4 == 0) ring.push_back(p);
            }
            if (random() % 2 == 0) ring.push_back(distinct.front());
            std::optional<RingCrossing> expected;
            for (std::size_t a = 0; a < n && !expected; ++a) {
                for (std::size_t b = a + 2; b < n && !expected; ++b) {
                    if (a == 0 && b == n - 1) continue;  // neighbours round the ring
                    if (SegmentsShareAPoint(distinct[a], distinct[(a + 1) % n], distinct[b], distinct[(b + 1) % n]))
                        expected = RingCrossing{number[a], number[b], number[(a + 1) % n], number[(b + 1) % n]};
                }
            }
            const std::optional<RingCrossing> found = FindEdgeMeeting(ring);
            const std::string label = "case " + std::to_string(i) + " offset " + std::to_string(offset);
            ASSERT_EQ(found.has_value(), expected.has_value()) << label;
            (found ? meeting : apart) += 1;
            if (!found) continue;
            EXPECT_EQ(found->First, expected->First) << label;
            EXPECT_EQ(found->Second, expected->Second) << label;
            EXPECT_EQ(found->FirstEnd, expected->FirstEnd) << label;
            EXPECT_EQ(found->SecondEnd, expected->SecondEnd) << label;
            // a ring whose edges meet is not simple
            EXPECT_TRUE(FindRingCrossing(ring).has_value()) << label;
        }
    }
    EXPECT_GT(meeting, 500);
    EXPECT_GT(apart, 500);
}

}  // namespace
}  // namespace kelvarin
