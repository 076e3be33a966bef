// The touch test finds a vertex put on the other ring's edge, and nothing across a gap.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/RingOverlay.hpp"
#include "geometry/RingTouch.hpp"
#include "tests/geometry/RandomRings.hpp"

namespace kelvarin {
namespace {

using testing::RandomRings;
using testing::RingKind;
using testing::ToArray;

TEST(RingsTouch, FindsAVertexPutOnTheOtherRingsEdgeAndNothingAcrossAGap) {
    for (long i = 0; i < 500; ++i) {
        RandomRings random(33000 + i);
        const double r = random.Uniform(1, 20000);
        const auto a = random.Make(static_cast<RingKind>(i % 3), random.VertexCount(3, 100), 268000, 2652000, r);
        auto b =
            random.Make(static_cast<RingKind>((i + 1) % 3), random.VertexCount(3, 100), 268000 + 3 * r, 2652000, r);
        const std::string seed = "seed " + std::to_string(33000 + i);
        EXPECT_FALSE(RingsTouch(ToArray(a), ToArray(b), MeetingTolerance(ToArray(a), ToArray(b)))) << seed;

        // one vertex of b moved onto an edge of a (the ring may now cross a; it still touches)
        const std::size_t e = static_cast<std::size_t>(random.Integer(0, static_cast<long>(a.size()) - 1));
        const cPoint &p = a[e], &q = a[(e + 1) % a.size()];
        const double t = random.Uniform(0.1, 0.9);
        b[static_cast<std::size_t>(random.Integer(0, static_cast<long>(b.size()) - 1))] =
            cPoint{p.X + t * (q.X - p.X), p.Y + t * (q.Y - p.Y), 0};
        const auto A = ToArray(a), B = ToArray(b);
        EXPECT_TRUE(RingsTouch(A, B, MeetingTolerance(A, B))) << seed;
        EXPECT_TRUE(RingsTouch(B, A, MeetingTolerance(B, A))) << seed;
    }
}

}  // namespace
}  // namespace kelvarin
