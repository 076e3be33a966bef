// ClipPolygons on hand-made degenerate ring pairs, judged by GEOS: shared vertices,
// overlapping edges, vertices on edges, identical and touching rings.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/GeosOracle.hpp"

namespace kelvarin {
namespace {

using testing::GeosOracle;
using XY = std::vector<std::pair<double, double>>;

PointArray Ring(const XY& xy, double dx = 0, double dy = 0) {
    PointArray a(1, 0);
    for (auto [x, y] : xy) a.Append(NewPoint(x + dx, y + dy));
    return a;
}

XY Reversed(XY xy) {
    std::reverse(xy.begin(), xy.end());
    return xy;
}

XY Rotated(XY xy, long k) {
    std::rotate(xy.begin(), xy.begin() + k, xy.end());
    return xy;
}

const XY kSquare{{0, 0}, {4, 0}, {4, 4}, {0, 4}};

// judges A ∩ B and B ∩ A in every orientation, start vertex, and at map coordinates;
// returns the piece counts seen (all must agree)
class Degenerate : public ::testing::Test {
  protected:
    // nearVertices: see GeosOracle::Judge
    void Expect(const XY& a, const XY& b, long pieces, bool nearVertices = true) {
        for (const double shift : {0.0, 250000.0}) {
            for (int variant = 0; variant < 4; ++variant) {
                XY ra = variant & 1 ? Reversed(a) : a;
                XY rb = variant & 2 ? Reversed(b) : b;
                for (long ka = 0; ka < static_cast<long>(ra.size()); ++ka) {
                    for (long kb = 0; kb < static_cast<long>(rb.size()); ++kb) {
                        Check(Rotated(ra, ka), Rotated(rb, kb), shift, pieces, nearVertices);
                        Check(Rotated(rb, kb), Rotated(ra, ka), shift, pieces, nearVertices);
                    }
                }
            }
        }
    }

    void Check(const XY& a, const XY& b, double shift, long expectedPieces, bool nearVertices) {
        const auto A = Ring(a, shift, shift * 10);
        const auto B = Ring(b, shift, shift * 10);
        PolygonArray pieces;
        const long count = ClipPolygons(pieces, A, B);
        const std::string fault = oracle_.Judge(A, B, pieces, count, nearVertices);
        EXPECT_EQ(fault, "") << Describe(a, b, shift);
        EXPECT_EQ(count, expectedPieces) << Describe(a, b, shift);
    }

    static std::string Describe(const XY& a, const XY& b, double shift) {
        std::string text = "A:";
        for (auto [x, y] : a) text += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
        text += " B:";
        for (auto [x, y] : b) text += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
        return text + " shifted by " + std::to_string(shift);
    }

    GeosOracle oracle_;
};

TEST_F(Degenerate, OverlappingSquares) { Expect(kSquare, {{2, 2}, {6, 2}, {6, 6}, {2, 6}}, 1); }

TEST_F(Degenerate, IdenticalRings) { Expect(kSquare, kSquare, 1); }

TEST_F(Degenerate, IdenticalConcaveRings) {
    Expect({{0, 0}, {6, 0}, {6, 5}, {4, 5}, {4, 2}, {2, 2}, {2, 5}, {0, 5}},
           {{0, 0}, {6, 0}, {6, 5}, {4, 5}, {4, 2}, {2, 2}, {2, 5}, {0, 5}}, 1);
}

TEST_F(Degenerate, HalfOfTheSquareSharingThreeVertices) { Expect(kSquare, {{0, 0}, {4, 4}, {0, 4}}, 1); }

TEST_F(Degenerate, SharedCornerOnlyFromOutside) { Expect(kSquare, {{4, 4}, {8, 5}, {5, 8}}, 0); }

TEST_F(Degenerate, SharedCornerOverlapping) { Expect(kSquare, {{4, 4}, {1, 3}, {-2, -2}, {3, 1}}, 1); }

TEST_F(Degenerate, CollinearOverlappingEdges) { Expect(kSquare, {{2, 0}, {6, 0}, {6, 4}, {2, 4}}, 1); }

TEST_F(Degenerate, BandSharingBothSides) { Expect(kSquare, {{0, 1}, {4, 1}, {4, 3}, {0, 3}}, 1); }

TEST_F(Degenerate, BandWiderThanTheSquare) { Expect(kSquare, {{-1, 1}, {5, 1}, {5, 3}, {-1, 3}}, 1); }

TEST_F(Degenerate, EdgeOnEdgePartlyFromOutside) { Expect(kSquare, {{1, 4}, {3, 4}, {3, 6}, {1, 6}}, 0); }

TEST_F(Degenerate, VertexOnEdgePointingIn) { Expect(kSquare, {{2, 0}, {3, 2}, {1, 2}}, 1); }

TEST_F(Degenerate, VertexOnEdgePointingOut) { Expect(kSquare, {{2, 0}, {3, -2}, {1, -2}}, 0); }

TEST_F(Degenerate, VertexOnEdgeCrossingThrough) { Expect(kSquare, {{2, 0}, {6, 2}, {2, 6}, {-2, 2}}, 1); }

TEST_F(Degenerate, DiamondWithVerticesOnEveryEdge) { Expect(kSquare, {{2, 0}, {4, 2}, {2, 4}, {0, 2}}, 1); }

TEST_F(Degenerate, InsideTouchingAlongAnEdge) { Expect(kSquare, {{0, 1}, {2, 1}, {2, 3}, {0, 3}}, 1); }

TEST_F(Degenerate, InsideTouchingAtAVertex) { Expect(kSquare, {{0, 2}, {2, 1}, {3, 3}}, 1); }

TEST_F(Degenerate, InsideTouchingAtACorner) { Expect(kSquare, {{0, 0}, {2, 1}, {1, 2}}, 1); }

TEST_F(Degenerate, DisjointWithTouchingBoundingBoxes) {
    Expect({{0, 0}, {4, 0}, {0, 4}}, {{4, 3}, {8, 3}, {8, 8}}, 0);
    Expect({{0, 0}, {4, 0}, {0, 4}}, {{4, 4}, {2, 4}, {4, 2}}, 0);
}

// an edge that leans from vertical by less than one part in 10^9 of its X, running towards
// smaller X: its crossings snap onto its first end, which its box leaves out
TEST_F(Degenerate, AlmostVerticalEdgeRunningWest) {
    Expect(kSquare, {{1, -5}, {3, -5}, {3 - 1e-4, 9}, {1, 9}}, 1);
    Expect(kSquare, {{1, -5}, {3, -5}, {3 - 1e-4, 15}, {1, 15}}, 1);
}

// the same lean on a horizontal edge running south
TEST_F(Degenerate, AlmostHorizontalEdgeRunningSouth) { Expect(kSquare, {{-5, 1}, {-5, 3}, {9, 3 - 1e-4}, {9, 1}}, 1); }

// a vertex of B just beyond an edge of A: two crossings closer together than the points
// IsSamePoint tells apart at map coordinates, or closer than the meeting tolerance; the
// true intersection has vertices that close, so only exact repeats are faults here
TEST_F(Degenerate, VertexPokingThroughAnEdgeByAHair) {
    for (const double h : {1e-3, 5e-5, 1e-7}) {
        Expect(kSquare, {{-1, -1}, {5, -1}, {5, 2}, {2, 4 + h}, {-1, 2}}, 1, false);
        Expect(kSquare, {{-1, -1}, {5, -1}, {5, 2}, {2, 4 - h}, {-1, 2}}, 1, false);
    }
}

// a ring that repeats a vertex (a zero-length edge) gives pieces without the repeat
TEST_F(Degenerate, RingRepeatingAVertex) {
    Expect({{0, 0}, {4, 0}, {4, 4}, {4, 4}, {0, 4}}, {{2, 2}, {6, 2}, {6, 6}, {2, 6}}, 1);
    Expect({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 4}}, {{-1, 3}, {1, 3}, {1, 5}, {-1, 5}}, 1);
}

TEST_F(Degenerate, BasinCutByARectangleIntoSeveralPieces) {
    // a basin-like ring with three arms reaching up, cut by a band across the arms
    const XY basin{{0, 0}, {7, 0}, {7, 5}, {6, 5}, {6, 1}, {4, 1}, {4, 5}, {3, 5}, {3, 1}, {1, 1}, {1, 5}, {0, 5}};
    Expect(basin, {{-1, 2}, {8, 2}, {8, 3}, {-1, 3}}, 3);
    // the band's edges run through vertices of the basin
    Expect(basin, {{-1, 1}, {8, 1}, {8, 3}, {-1, 3}}, 3);
    Expect(basin, {{0.5, 2}, {6.5, 2}, {6.5, 5}, {0.5, 5}}, 3);
}

}  // namespace
}  // namespace kelvarin
