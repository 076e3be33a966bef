// Hand-made cases of the crossing walk's building blocks.

#include <gtest/gtest.h>

#include <memory>

#include "geometry/ReferenceClipWalk.hpp"
#include "tests/geometry/RingBuilders.hpp"

namespace kelvarin {
namespace {

using testing::Box;

TEST(FindCrossings, LoopOrderAndEdgeIndices) {
    const auto a = Box(0, 0, 2, 2);
    const auto b = Box(1, 1, 3, 3);
    PointArray x;
    Array1<long> idxA, idxB;
    ASSERT_EQ(FindCrossings(a, b, x, idxA, idxB), 2);
    EXPECT_EQ(idxA(1), 2);  // A's right edge meets B's bottom edge at (2, 1)
    EXPECT_EQ(idxB(1), 1);
    EXPECT_EQ(x(1)->X, 2.0);
    EXPECT_EQ(x(1)->Y, 1.0);
    EXPECT_EQ(idxA(2), 3);
    EXPECT_EQ(idxB(2), 4);
    EXPECT_EQ(x(2)->X, 1.0);
    EXPECT_EQ(x(2)->Y, 2.0);
}

TEST(JoinChain, ForwardAndReversed) {
    PolygonArray chains(1, 0);
    auto c1 = std::make_shared<cPolygon>();
    c1->Add(5, 5);
    c1->Add(6, 6);
    c1->Add(0, 0);
    chains.Append(c1);
    cPolygon ring;
    ring.Add(0, 0);
    const cPoint start{0, 0, 0};
    PointRef end = NewPoint(5, 5);
    long n = 1;
    EXPECT_TRUE(JoinChain(n, start, end, chains, ring));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ring.Count(), 3);  // the chain's last vertex is the ring's start and is not repeated

    auto c2 = std::make_shared<cPolygon>();
    c2->Add(0, 0);
    c2->Add(6, 6);
    c2->Add(5, 5);
    chains(1) = c2;
    cPolygon ring2;
    ring2.Add(0, 0);
    end = NewPoint(5, 5);
    n = 1;
    EXPECT_TRUE(JoinChain(n, start, end, chains, ring2));
    EXPECT_EQ(ring2.Count(), 3);
    EXPECT_EQ(ring2(3)->X, 6.0);
    n = 0;
    EXPECT_FALSE(JoinChain(n, start, end, chains, ring2));
}

}  // namespace
}  // namespace kelvarin
