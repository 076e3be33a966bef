// The station fan as properties over random and grid station sets: it holds exactly the
// triangles at the station, neighbours in the fan share an edge, and it opens once,
// exactly where the station lies on the hull (its angles fall short of a full turn).

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "network/StationFan.hpp"
#include "network/TriangleNetwork.hpp"
#include "tests/network/StationSets.hpp"

namespace kelvarin {
namespace {

bool Same(const cPoint& a, const cPoint& b) { return a.X == b.X && a.Y == b.Y && a.z == b.z; }

// the corner of triangle t that follows (step 1) or precedes (step 2) row r counter-clockwise
const cPoint& Corner(const Array2<PointRef>& tri, long t, long r, long step) { return *tri((r + step - 1) % 3 + 1, t); }

void ExpectFansOf(const PointArray& stations, const std::string& what) {
    Array2<PointRef> tri;
    const long T = BuildTriangleNetwork(stations, tri);
    const StationFanIndex fans(tri);
    for (long s = stations.LBound(); s <= stations.UBound(); ++s) {
        const cPoint& S = *stations(s);
        const StationFan f = FindStationFan(S, tri);
        // the index of all fans gives this fan; a point off every corner (z differs) has none
        const StationFan indexed = fans.Fan(S);
        ASSERT_EQ(indexed.count, f.count) << what << " station " << s;
        EXPECT_EQ(indexed.j0, f.j0) << what << " station " << s;
        EXPECT_EQ(indexed.fan.Values(), f.fan.Values()) << what << " station " << s;
        EXPECT_EQ(indexed.vtx.Values(), f.vtx.Values()) << what << " station " << s;
        EXPECT_EQ(fans.Fan(cPoint{S.X, S.Y, S.z + 0.5}).count, 0) << what << " station " << s;
        long expected = 0, hasS = 0;
        for (long t = 1; t <= T; ++t) {
            bool at = false;
            for (long r = 1; r <= 3; ++r) at = at || Same(*tri(r, t), S);
            expected += at ? 1 : 0;
        }
        for (long k = 1; k <= f.count; ++k) hasS += Same(*tri(f.vtx(k), f.fan(k)), S) ? 1 : 0;
        ASSERT_EQ(f.count, expected) << what << " station " << s;
        ASSERT_EQ(hasS, f.count) << what << " station " << s;
        if (f.count == 0) continue;

        // the turn the fan's angles make at S, and the places where neighbours share no edge
        double turn = 0.0;
        long gaps = 0, gapAt = 0;
        for (long k = 1; k <= f.count; ++k) {
            const long next = k % f.count + 1;
            const cPoint& A = Corner(tri, f.fan(k), f.vtx(k), 1);
            const cPoint& B = Corner(tri, f.fan(k), f.vtx(k), 2);
            turn += std::abs(SweepAngle(S, A, B));
            if (!Same(B, Corner(tri, f.fan(next), f.vtx(next), 1))) {
                ++gaps;
                gapAt = k;
            }
        }
        const bool fullTurn = std::abs(turn - 2 * M_PI) < 1e-9;
        EXPECT_EQ(f.j0 == 0, fullTurn) << what << " station " << s << " turns " << turn;
        EXPECT_EQ(gaps, f.j0 == 0 ? 0 : 1) << what << " station " << s;
        if (f.j0 != 0) {
            EXPECT_EQ(gapAt, f.j0) << what << " station " << s;
        }
    }
}

// Stations strung along a line, down to a few units of the last bit to either side: the
// triangles are so thin that the directions from a station to two of its neighbours differ
// below the angles' rounding.
PointArray NarrowStations(std::mt19937& rng, int c) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double ox = c % 2 == 1 ? 255000.0 : 0.0, oy = c % 2 == 1 ? 2655000.0 : 0.0;
    double turn = unit(rng) * 2 * M_PI;
    if (c % 3 == 0) turn = M_PI / 2 * (c / 3 % 4);
    const double width = std::pow(10.0, -1.0 - 11.0 * unit(rng));
    std::vector<cPoint> points;
    for (int i = 0; i < 4 + c % 9; ++i) {
        const double along = (unit(rng) - 0.5) * 300.0, aside = (unit(rng) - 0.5) * 2.0 * width;
        points.push_back(cPoint{ox + along * std::cos(turn) - aside * std::sin(turn),
                                oy + along * std::sin(turn) + aside * std::cos(turn), 0.0});
    }
    if (c % 4 == 0) points.push_back(cPoint{ox + (unit(rng) - 0.5) * 300.0, oy + (unit(rng) - 0.5) * 300.0, 0.0});
    return testing::Stations(points);
}

TEST(FindStationFan, HoldsTheStationsTrianglesInOrderAndOpensOnlyOnTheHullAndTheIndexAgrees) {
    std::mt19937 rng(21);
    for (int c = 0; c < 600; ++c) ExpectFansOf(NarrowStations(rng, c), "narrow set " + std::to_string(c));
    for (int c = 0; c < 60; ++c) {
        ExpectFansOf(testing::RandomStations(rng, 3 + c % 40), "random set " + std::to_string(c));
        ExpectFansOf(testing::GridStations(rng, 4 + c % 30, 100.0), "grid set " + std::to_string(c));
        PointArray repeated = testing::GridStations(rng, 4 + c % 30, 10.0);
        repeated.Append(NewPoint(repeated(1)->X, repeated(1)->Y, repeated(1)->z + 1));  // a second gauge at one site
        ExpectFansOf(repeated, "grid set with a repeated site " + std::to_string(c));
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace kelvarin
