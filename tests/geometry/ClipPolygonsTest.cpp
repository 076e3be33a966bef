// Hand-made cases of the ring intersection and its building blocks.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "geometry/modGISTools.hpp"

namespace kelvarin {
namespace {

PointArray Ring(std::vector<std::pair<double, double>> xy) {
    PointArray a(1, 0);
    for (auto [x, y] : xy) a.Append(NewPoint(x, y));
    return a;
}

PointArray Box(double x0, double y0, double x1, double y1) { return Ring({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}); }

double PiecesArea(const PolygonArray& pieces, long count) {
    double area = 0.0;
    for (long i = 1; i <= count; ++i) area += PolygonArea(*pieces(i));
    return area;
}

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

TEST(ClipPolygons, OverlappingSquares) {
    PolygonArray pieces;
    ASSERT_EQ(ClipPolygons(pieces, Box(0, 0, 2, 2), Box(1, 1, 3, 3)), 1);
    EXPECT_DOUBLE_EQ(PolygonArea(*pieces(1)), 1.0);
    EXPECT_EQ(pieces(1)->Count(), 4);
    for (const auto& v : *pieces(1)) {
        EXPECT_TRUE(v->X == 1.0 || v->X == 2.0);
        EXPECT_TRUE(v->Y == 1.0 || v->Y == 2.0);
    }
}

TEST(ClipPolygons, SquareInsideSquareEitherWay) {
    PolygonArray pieces;
    ASSERT_EQ(ClipPolygons(pieces, Box(0, 0, 10, 10), Box(2, 2, 4, 4)), 1);
    EXPECT_DOUBLE_EQ(PolygonArea(*pieces(1)), 4.0);
    ASSERT_EQ(ClipPolygons(pieces, Box(2, 2, 4, 4), Box(0, 0, 10, 10)), 1);
    EXPECT_DOUBLE_EQ(PolygonArea(*pieces(1)), 4.0);
}

TEST(ClipPolygons, FarApartLeavesPiecesUntouched) {
    PolygonArray pieces(1, 0);
    pieces.Append(std::make_shared<cPolygon>());
    pieces(1)->Name = "kept";
    EXPECT_EQ(ClipPolygons(pieces, Box(0, 0, 1, 1), Box(5, 5, 6, 6)), 0);
    ASSERT_EQ(pieces.Count(), 1);
    EXPECT_EQ(pieces(1)->Name, "kept");
    EXPECT_EQ(ClipPolygons(pieces, PointArray(), Box(5, 5, 6, 6)), 0);
}

TEST(ClipPolygons, CoordinatesThatAreNoNumbersAreRefused) {
    PolygonArray pieces;
    auto bad = Box(0, 0, 2, 2);
    bad(3)->X = std::nan("");
    EXPECT_THROW(ClipPolygons(pieces, bad, Box(1, 1, 3, 3)), std::invalid_argument);
    bad(3)->X = HUGE_VAL;
    EXPECT_THROW(ClipPolygons(pieces, Box(1, 1, 3, 3), bad), std::invalid_argument);
}

TEST(ClipPolygons, CrossShapedOverlapGivesOnePiece) {
    PolygonArray pieces;
    const long n = ClipPolygons(pieces, Box(0, 1, 3, 2), Box(1, 0, 2, 3));
    ASSERT_EQ(n, 1);
    EXPECT_DOUBLE_EQ(PiecesArea(pieces, n), 1.0);
}

TEST(ClipPolygons, ConcaveRingCutIntoSeveralPieces) {
    // a comb with three teeth pointing up, cut by a band across the teeth
    const auto comb =
        Ring({{0, 0}, {7, 0}, {7, 5}, {6, 5}, {6, 1}, {4, 1}, {4, 5}, {3, 5}, {3, 1}, {1, 1}, {1, 5}, {0, 5}});
    PolygonArray pieces;
    const long n = ClipPolygons(pieces, comb, Box(-1, 2, 8, 3));
    EXPECT_EQ(n, 3);
    EXPECT_DOUBLE_EQ(PiecesArea(pieces, n), 3.0);
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
