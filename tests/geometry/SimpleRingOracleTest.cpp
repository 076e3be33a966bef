// FindRingCrossing against GEOS's validity test on random rings over a small grid, where
// touching vertices, overlapping edges and folds are frequent, at the origin and at map
// coordinates.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "geometry/SimpleRing.hpp"
#include "tests/geometry/GeosOracle.hpp"

namespace kelvarin {
namespace {

using testing::GeosOracle;

TEST(SimpleRingOracle, CrossingFoundExactlyWhenGeosCallsTheRingInvalid) {
    GeosOracle geos;
    std::mt19937_64 random(41);
    std::uniform_int_distribution<int> grid(0, 4);
    std::uniform_int_distribution<int> size(4, 9);
    int simple = 0, crossing = 0;
    for (const double offset : {0.0, 2655000.0}) {
        for (int i = 0; i < 6000; ++i) {
            std::vector<cPoint> ring;
            const int n = size(random);
            for (int k = 0; k < n; ++k) {
                const cPoint p{offset + grid(random) * 0.75, offset + grid(random) * 1.25};
                if (!ring.empty() && ring.back().X == p.X && ring.back().Y == p.Y) continue;
                ring.push_back(p);
            }
            while (ring.size() > 1 && ring.back().X == ring.front().X && ring.back().Y == ring.front().Y)
                ring.pop_back();
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

}  // namespace
}  // namespace kelvarin
