// Boundary lines outside the network, decided exactly: pencils of rays through one point,
// some of them a unit in the last place off it, rays from the points where others meet, rays
// aimed at the frame's corners, rays leaving by one edge a hair apart, and meetings equally far
// from the hull, at small and at map coordinates. Every decision of OuterRays equals the one
// worked out in rational arithmetic (tests/network/RationalRays.hpp).

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "network/OuterRays.hpp"
#include "tests/network/RationalRays.hpp"
#include "tests/network/StationSets.hpp"

namespace kelvarin {
namespace {

using testing::RationalRay;

// the rays of one case, as OuterRays holds them and in rationals
struct Rays {
    OuterRays table;
    std::vector<RationalRay> exact;

    OuterRays::Id Add(const cPoint& origin, double dx, double dy) {
        exact.push_back(testing::RayOf(origin, dx, dy));
        return table.Add(origin, dx, dy);
    }
    OuterRays::Id AddFromMeeting(OuterRays::Id a, OuterRays::Id b, double dx, double dy) {
        exact.push_back(testing::FromMeeting(exact[a], exact[b], dx, dy));
        return table.AddFromMeeting(a, b, dx, dy);
    }
};

int Sign(const mpq_class& v) { return sgn(v); }

// A pencil of rays through one point P, each starting some steps back along its direction (so
// that P lies exactly on it), at map coordinates or near the origin, at a scale of a metre, a
// millimetre or a kilometre; a third of the origins and of the directions moved by a unit in
// the last place.
struct Pencil {
    cPoint P;
    std::vector<cPoint> origins;
    std::vector<std::pair<double, double>> directions;
};

Pencil MakePencil(std::mt19937_64& random, int index, const cPoint& P, double unit) {
    std::uniform_int_distribution<int> small(-7, 7), steps(1, 60), third(0, 2);
    Pencil pencil{P, {}, {}};
    const int count = 3 + index % 4;
    for (int k = 0; k < count; ++k) {
        int a = 0, b = 0;
        while (a == 0 && b == 0) a = small(random), b = small(random);
        const double t = steps(random) * unit / 16;
        cPoint O{P.X - t * a, P.Y - t * b, 0.0};
        double dx = a, dy = b;
        if (third(random) == 0) O.X = std::nextafter(O.X, third(random) == 0 ? -HUGE_VAL : HUGE_VAL);
        if (third(random) == 0) O.Y = std::nextafter(O.Y, third(random) == 0 ? -HUGE_VAL : HUGE_VAL);
        if (third(random) == 0) dx = std::nextafter(dx, HUGE_VAL);
        pencil.origins.push_back(O);
        pencil.directions.emplace_back(dx, dy);
    }
    return pencil;
}

// every pair's meeting and every triple's order of meetings as the rationals have them; returns
// how many of those orders are exact ties
int ExpectMeetingsAsExact(const Rays& rays, const std::string& what) {
    int ties = 0;
    const std::size_t n = rays.exact.size();
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = 0; b < n; ++b) {
            if (a == b) continue;
            const bool meets = testing::Meets(rays.exact[a], rays.exact[b]);
            EXPECT_EQ(rays.table.Meets(a, b), meets) << what << ", rays " << a << " and " << b;
            if (!meets) continue;
            for (std::size_t c = 0; c < n; ++c) {
                if (c == a || c == b || !testing::Meets(rays.exact[a], rays.exact[c])) continue;
                const int order =
                    Sign(testing::Along(rays.exact[a], rays.exact[b]) - testing::Along(rays.exact[a], rays.exact[c]));
                EXPECT_EQ(rays.table.CompareMeetings(a, b, c), order)
                    << what << ", along ray " << a << " the meetings with " << b << " and " << c;
                ties += order == 0;
            }
        }
    }
    return ties;
}

TEST(OuterRays, MeetingsAndTheirOrderAreTheExactOnes) {
    std::mt19937_64 random(2024);
    std::uniform_int_distribution<int> offset(-16000, 16000);
    int ties = 0;
    for (int index = 0; index < 300; ++index) {
        const double unit = index % 3 == 0 ? 1.0 : (index % 3 == 1 ? 0x1p-10 : 1024.0);
        const double ox = index % 2 == 1 ? 256000.0 : 0.0, oy = index % 2 == 1 ? 2655000.0 : 0.0;
        const cPoint P{ox + offset(random) * unit / 16, oy + offset(random) * unit / 16, 0.0};
        const Pencil pencil = MakePencil(random, index, P, unit);
        Rays rays;
        for (std::size_t k = 0; k < pencil.origins.size(); ++k)
            rays.Add(pencil.origins[k], pencil.directions[k].first, pencil.directions[k].second);
        // rays from the meetings of the first rays, in the direction of their sum
        const std::size_t first = rays.exact.size();
        for (std::size_t a = 0; a + 1 < first; ++a) {
            if (!rays.table.Meets(a, a + 1)) continue;
            rays.AddFromMeeting(a, a + 1, rays.table.Dx(a) + rays.table.Dx(a + 1),
                                rays.table.Dy(a) + rays.table.Dy(a + 1));
        }
        ties += ExpectMeetingsAsExact(rays, "pencil " + std::to_string(index));
        if (HasFailure()) return;
        // a rectangle with a side through P: meetings at P are not strictly inside
        const cPoint corner1{P.X, P.Y - 100 * unit, 0.0}, corner2{P.X + 100 * unit, P.Y + 100 * unit, 0.0};
        const PointArray F = testing::Stations(
            {{corner2.X, corner2.Y}, {corner1.X, corner2.Y}, {corner1.X, corner1.Y}, {corner2.X, corner1.Y}});
        const testing::RationalBox box{mpq_class(corner1.X), mpq_class(corner2.X), mpq_class(corner1.Y),
                                       mpq_class(corner2.Y)};
        for (std::size_t a = 0; a < rays.exact.size(); ++a) {
            for (std::size_t b = 0; b < rays.exact.size(); ++b) {
                if (a == b || !testing::Meets(rays.exact[a], rays.exact[b])) continue;
                EXPECT_EQ(rays.table.MeetsInside(a, b, F),
                          testing::StrictlyInside(testing::MeetingPoint(rays.exact[a], rays.exact[b]), box))
                    << "pencil " << index << ", rays " << a << " and " << b;
            }
        }
    }
    // the cases hold exact ties, which no rounded computation can tell from near ones
    EXPECT_GT(ties, 100);
}

// rays that leave a rectangle through its corners, a unit in the last place beside them, and
// by one edge a hair apart: the edge, the exit point and the order along the edge are the
// exact ones, and a ray through a corner leaves by the edge that starts there
TEST(OuterRays, ExitsFromTheFrameAndTheirOrderAreTheExactOnes) {
    std::mt19937_64 random(77);
    std::uniform_int_distribution<int> small(1, 9), steps(1, 40), third(0, 2), corner(0, 3);
    int cornerExits = 0;
    for (int index = 0; index < 400; ++index) {
        const double unit = index % 3 == 0 ? 1.0 : (index % 3 == 1 ? 0x1p-10 : 1024.0);
        const double ox = index % 2 == 1 ? 256000.0 : 0.0, oy = index % 2 == 1 ? 2655000.0 : 0.0;
        const double half = 64 * unit;
        const PointArray F = testing::Stations(
            {{ox + half, oy + half}, {ox - half, oy + half}, {ox - half, oy - half}, {ox + half, oy - half}});
        const testing::RationalBox box{mpq_class(ox - half), mpq_class(ox + half), mpq_class(oy - half),
                                       mpq_class(oy + half)};
        Rays rays;
        for (int k = 0; k < 6; ++k) {
            // aimed at a corner C from inside: C - t (a, b), (a, b) pointing out through C
            const cPoint& C = *F(1 + corner(random));
            const double a = (C.X > ox ? 1 : -1) * small(random), b = (C.Y > oy ? 1 : -1) * small(random);
            const double t = steps(random) * unit / 8;
            cPoint O{C.X - t * a, C.Y - t * b, 0.0};
            double dx = a, dy = b;
            if (third(random) == 0) O.X = std::nextafter(O.X, third(random) == 0 ? -HUGE_VAL : HUGE_VAL);
            if (third(random) == 0) dy = std::nextafter(dy, third(random) == 0 ? -HUGE_VAL : HUGE_VAL);
            rays.Add(O, dx, dy);
        }
        std::vector<long> edge(rays.exact.size());
        for (std::size_t r = 0; r < rays.exact.size(); ++r) {
            cPoint X;
            edge[r] = rays.table.Exit(r, F, X);
            const auto [ex, ey] = testing::ExitPoint(rays.exact[r], box);
            ASSERT_GT(edge[r], 0) << "case " << index << ", ray " << r;
            const cPoint& A = *F(edge[r]);
            const cPoint& B = *F(edge[r] % 4 + 1);
            const bool atCorner = (ex == box.minX || ex == box.maxX) && (ey == box.minY || ey == box.maxY);
            if (atCorner) {
                ++cornerExits;
                EXPECT_TRUE(ex == A.X && ey == A.Y) << "case " << index << ", ray " << r << " leaves by edge "
                                                    << edge[r] << ", not by the edge from the corner it passes";
                EXPECT_TRUE(X.X == A.X && X.Y == A.Y) << "case " << index << ", ray " << r;
            } else {
                // the exact exit lies inside the edge the ray is said to leave by
                const bool onEdge = A.X == B.X ? ex == A.X && ey > std::min(A.Y, B.Y) && ey < std::max(A.Y, B.Y)
                                               : ey == A.Y && ex > std::min(A.X, B.X) && ex < std::max(A.X, B.X);
                EXPECT_TRUE(onEdge) << "case " << index << ", ray " << r << " leaves by edge " << edge[r];
                // the exit point rounded: within a few units of the last place of map coordinates
                const double near = 1e-9 * half + 1e-15 * (std::fabs(ox) + std::fabs(oy));
                EXPECT_NEAR(X.X, ex.get_d(), near) << "case " << index << ", ray " << r;
                EXPECT_NEAR(X.Y, ey.get_d(), near) << "case " << index << ", ray " << r;
            }
        }
        // the order along an edge for every pair leaving by it
        for (std::size_t r1 = 0; r1 < edge.size(); ++r1) {
            for (std::size_t r2 = 0; r2 < edge.size(); ++r2) {
                if (r1 == r2 || edge[r1] != edge[r2]) continue;
                const cPoint& A = *F(edge[r1]);
                const cPoint& B = *F(edge[r1] % 4 + 1);
                const auto P1 = testing::ExitPoint(rays.exact[r1], box);
                const auto P2 = testing::ExitPoint(rays.exact[r2], box);
                const mpq_class along1 = (P1.first - A.X) * (B.X - A.X) + (P1.second - A.Y) * (B.Y - A.Y);
                const mpq_class along2 = (P2.first - A.X) * (B.X - A.X) + (P2.second - A.Y) * (B.Y - A.Y);
                EXPECT_EQ(rays.table.CompareExits(r1, r2, F, edge[r1]), Sign(along1 - along2))
                    << "case " << index << ", rays " << r1 << " and " << r2;
            }
        }
    }
    EXPECT_GT(cornerExits, 400);
}

// Meetings mirrored across an axis of a symmetric hull lie exactly as far from it; moved by a
// unit in the last place, the nearer one is the exact one.
TEST(OuterRays, DistancesOfMeetingsFromTheHullAreComparedExactly) {
    std::mt19937_64 random(5);
    std::uniform_int_distribution<int> offset(1, 4000), third(0, 2);
    int ties = 0;
    for (int index = 0; index < 300; ++index) {
        const double ox = index % 2 == 1 ? 256000.0 : 0.0, oy = index % 2 == 1 ? 2655000.0 : 0.0;
        const std::vector<cPoint> hull{
            {ox - 100, oy - 60, 0.0}, {ox + 100, oy - 60, 0.0}, {ox + 100, oy + 60, 0.0}, {ox - 100, oy + 60, 0.0}};
        // two rays meeting at P outside the hull, and their mirror images across x = ox
        const cPoint P{ox + 0.25 * offset(random), oy + 60 + 0.25 * offset(random), 0.0};
        const cPoint Q{2 * ox - P.X, P.Y, 0.0};
        Rays rays;
        rays.Add(cPoint{P.X - 3, P.Y - 5, 0.0}, 3, 5);
        rays.Add(cPoint{P.X + 2, P.Y - 7, 0.0}, -2, 7);
        cPoint mirrored{Q.X + 3, Q.Y - 5, 0.0};
        if (third(random) == 0) mirrored.X = std::nextafter(mirrored.X, third(random) == 0 ? -HUGE_VAL : HUGE_VAL);
        rays.Add(mirrored, -3, 5);
        rays.Add(cPoint{Q.X - 2, Q.Y - 7, 0.0}, 2, 7);
        const mpq_class d1 = testing::Distance2(testing::MeetingPoint(rays.exact[0], rays.exact[1]), hull);
        const mpq_class d2 = testing::Distance2(testing::MeetingPoint(rays.exact[2], rays.exact[3]), hull);
        ties += d1 == d2;
        EXPECT_EQ(rays.table.CompareDistances(0, 1, 2, 3, hull), Sign(d1 - d2)) << "case " << index;
        EXPECT_EQ(rays.table.CompareDistances(2, 3, 0, 1, hull), Sign(d2 - d1)) << "case " << index;
    }
    EXPECT_GT(ties, 100);
}

}  // namespace
}  // namespace kelvarin
