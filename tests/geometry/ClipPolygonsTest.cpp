// Hand-made cases of the ring intersection.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/RingBuilders.hpp"

namespace kelvarin {
namespace {

using testing::Box;

PointArray RingXY(const std::vector<std::pair<double, double>>& xy) {
    PointArray a(1, 0);
    for (auto [x, y] : xy) a.Append(NewPoint(x, y));
    return a;
}

double PiecesArea(const PolygonArray& pieces, long count) {
    double area = 0.0;
    for (long i = 1; i <= count; ++i) area += PolygonArea(*pieces(i));
    return area;
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
        RingXY({{0, 0}, {7, 0}, {7, 5}, {6, 5}, {6, 1}, {4, 1}, {4, 5}, {3, 5}, {3, 1}, {1, 1}, {1, 5}, {0, 5}});
    PolygonArray pieces;
    const long n = ClipPolygons(pieces, comb, Box(-1, 2, 8, 3));
    EXPECT_EQ(n, 3);
    EXPECT_DOUBLE_EQ(PiecesArea(pieces, n), 3.0);
}

}  // namespace
}  // namespace kelvarin
