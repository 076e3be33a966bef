#include "network/FarHullTriangles.hpp"

#include <algorithm>
#include <array>

#include "geometry/Predicates.hpp"
#include "network/NetworkTolerances.hpp"
#include "network/StationFan.hpp"

namespace kelvarin {

namespace {

// an edge by its two corners' coordinates, in a fixed order
using EdgeKey = std::array<double, 4>;
EdgeKey KeyOf(const cPoint& a, const cPoint& b) {
    return (a.X < b.X || (a.X == b.X && a.Y < b.Y)) ? EdgeKey{a.X, a.Y, b.X, b.Y} : EdgeKey{b.X, b.Y, a.X, a.Y};
}

// the outer frame: the frame and every circumcentre within kFarCentre frame extents of it, enlarged
void OuterFrameOf(const Array2<PointRef>& triangles, long T, const PointArray& frame, PointArray& outer) {
    cPoint hi, lo;
    BoundingBox(frame, hi, lo);
    const double reach = network_tolerance::kFarCentre * std::max(hi.X - lo.X, hi.Y - lo.Y);
    PointArray corners(1, 0);
    for (const PointRef& P : frame) corners.Append(P);
    for (long t = 1; t <= T; ++t) {
        const cPoint& c = *triangles(0, t);
        if (c.X >= lo.X - reach && c.X <= hi.X + reach && c.Y >= lo.Y - reach && c.Y <= hi.Y + reach)
            corners.Append(triangles(0, t));
    }
    EnclosingRectangle(corners, outer, kFrameFactor);
}

// How many triangles of the table use each edge of the given triangles: for each of them the
// numbers of its three edges (corner r to r + 1; edges with the same two end positions are
// one), and in uses the count of each number over the whole table.
std::vector<std::array<std::size_t, 3>> EdgeUses(const Array2<PointRef>& triangles, long T,
                                                 const std::vector<std::size_t>& some, std::vector<int>& uses) {
    std::vector<EdgeKey> keys;
    keys.reserve(3 * some.size());
    for (const std::size_t t : some) {
        for (long r = 1; r <= 3; ++r) {
            keys.push_back(
                KeyOf(*triangles(r, static_cast<long>(t) + 1), *triangles(1 + r % 3, static_cast<long>(t) + 1)));
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end(), [](const EdgeKey& a, const EdgeKey& b) { return !(a < b); }),
               keys.end());
    auto number = [&](const EdgeKey& key) {
        const auto k = std::lower_bound(keys.begin(), keys.end(), key);
        return k != keys.end() && !(key < *k) ? static_cast<std::size_t>(k - keys.begin()) : keys.size();
    };
    uses.assign(keys.size(), 0);
    for (long t = 1; t <= T; ++t) {
        for (long r = 1; r <= 3; ++r) {
            const std::size_t k = number(KeyOf(*triangles(r, t), *triangles(1 + r % 3, t)));
            if (k < keys.size()) ++uses[k];
        }
    }
    std::vector<std::array<std::size_t, 3>> edges;
    edges.reserve(some.size());
    for (const std::size_t t : some) {
        std::array<std::size_t, 3> e{};
        for (long r = 1; r <= 3; ++r) {
            e[static_cast<std::size_t>(r - 1)] =
                number(KeyOf(*triangles(r, static_cast<long>(t) + 1), *triangles(1 + r % 3, static_cast<long>(t) + 1)));
        }
        edges.push_back(e);
    }
    return edges;
}

// the edge from corner r to corner r + 1 of triangle t (0-based) is longer than the other two,
// decided exactly
bool LongestSide(const Array2<PointRef>& triangles, std::size_t t, long r) {
    const long column = static_cast<long>(t) + 1;
    const cPoint& A = *triangles(r, column);
    const cPoint& C = *triangles(1 + r % 3, column);
    const cPoint& B = *triangles(1 + (r + 1) % 3, column);
    // |AB| < |AC| and |CB| < |CA|
    return CloserTo(A, B, C) > 0 && CloserTo(C, B, A) > 0;
}

// the position of corner r of triangle t (0-based)
std::array<double, 2> CornerAt(const Array2<PointRef>& triangles, std::size_t t, long r) {
    const cPoint& P = *triangles(r, static_cast<long>(t) + 1);
    return std::array{P.X, P.Y};
}

// The triangles (0-based) with a corner where one of the given triangles has one: all the edges
// that meet at such a corner belong to them. slot[t] is t's place in that list (T when absent).
std::vector<std::size_t> TrianglesAtCorners(const Array2<PointRef>& triangles, long T,
                                            const std::vector<std::size_t>& some, std::vector<std::size_t>& slot) {
    std::vector<std::array<double, 2>> corners;
    for (const std::size_t t : some)
        for (long r = 1; r <= 3; ++r) corners.push_back(CornerAt(triangles, t, r));
    std::sort(corners.begin(), corners.end());
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    std::vector<std::size_t> found;
    slot.assign(static_cast<std::size_t>(T), static_cast<std::size_t>(T));
    for (std::size_t t = 0; t < static_cast<std::size_t>(T); ++t) {
        bool touches = false;
        for (long r = 1; r <= 3; ++r)
            touches = touches || std::binary_search(corners.begin(), corners.end(), CornerAt(triangles, t, r));
        if (!touches) continue;
        slot[t] = found.size();
        found.push_back(t);
    }
    return found;
}

// the triangles (0-based) whose circumcentre lies outside the box of the outer frame
std::vector<std::size_t> CentresOutside(const Array2<PointRef>& triangles, long T, const PointArray& outer) {
    cPoint hi, lo;
    BoundingBox(outer, hi, lo);
    std::vector<std::size_t> outside;
    for (long t = 1; t <= T; ++t) {
        const cPoint& c = *triangles(0, t);
        if (!(c.X >= lo.X && c.X <= hi.X && c.Y >= lo.Y && c.Y <= hi.Y))
            outside.push_back(static_cast<std::size_t>(t - 1));
    }
    return outside;
}

}  // namespace

// the outer frame and the table without hull triangles whose circumcentre lies beyond it
long DropFarHullTriangles(Array2<PointRef>& triangles, const PointArray& frame, PointArray& outer) {
    std::vector<bool> kept;
    FarHullTriangles(triangles, frame, outer, kept);
    return DropTriangles(triangles, kept);
}

// the outer frame and which triangles stay
long FarHullTriangles(const Array2<PointRef>& triangles, const PointArray& frame, PointArray& outer,
                      std::vector<bool>& kept) {
    const long T = TriangleCount(triangles);
    OuterFrameOf(triangles, T, frame, outer);
    // Round by round, every kept triangle whose circumcentre lies outside the box and that has
    // an edge used by no other kept triangle (counted at the start of the round) is dropped.
    const std::vector<std::size_t> outside = CentresOutside(triangles, T, outer);
    kept.assign(static_cast<std::size_t>(T), true);
    if (!outside.empty()) {
        std::vector<int> uses;
        const std::vector<std::array<std::size_t, 3>> edges = EdgeUses(triangles, T, outside, uses);
        std::vector<std::size_t> dropped;  // positions in outside
        do {
            dropped.clear();
            for (std::size_t q = 0; q < outside.size(); ++q) {
                if (!kept[outside[q]]) continue;
                const auto& e = edges[q];
                if (uses[e[0]] == 1 || uses[e[1]] == 1 || uses[e[2]] == 1) dropped.push_back(q);
            }
            for (const std::size_t q : dropped) {
                kept[outside[q]] = false;
                for (const std::size_t k : edges[q]) --uses[k];
            }
        } while (!dropped.empty());
    }
    return static_cast<long>(std::count(kept.begin(), kept.end(), true));
}

// far hull triangles that go one by one while what stays is one piece
long FarHullTrianglesKeepingOnePiece(const Array2<PointRef>& triangles, const PointArray& frame,
                                     std::vector<bool>& kept) {
    const long T = TriangleCount(triangles);
    kept.assign(static_cast<std::size_t>(T), true);
    PointArray outer;
    OuterFrameOf(triangles, T, frame, outer);
    const std::vector<std::size_t> outside = CentresOutside(triangles, T, outer);
    if (outside.empty()) return T;
    auto at = [&](std::size_t t, long r) { return CornerAt(triangles, t, r); };
    std::vector<std::size_t> slot;
    const std::vector<std::size_t> near = TrianglesAtCorners(triangles, T, outside, slot);
    std::vector<int> uses;
    const std::vector<std::array<std::size_t, 3>> edges = EdgeUses(triangles, T, near, uses);
    // the corners of those triangles by position, and how many boundary edges (used once) meet
    // at each (in full at the far triangles' corners)
    std::vector<std::array<double, 2>> positions;
    for (const std::size_t t : near)
        for (long r = 1; r <= 3; ++r) positions.push_back(at(t, r));
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    auto corner = [&](std::size_t t, long r) {
        return static_cast<std::size_t>(std::lower_bound(positions.begin(), positions.end(), at(t, r)) -
                                        positions.begin());
    };
    std::vector<int> boundary(positions.size(), 0);
    auto addEdge = [&](std::size_t t, long r, int change) {
        boundary[corner(t, r)] += change;
        boundary[corner(t, 1 + r % 3)] += change;
    };
    for (const std::size_t t : near)
        for (long r = 1; r <= 3; ++r)
            if (uses[edges[slot[t]][static_cast<std::size_t>(r - 1)]] == 1) addEdge(t, r, 1);
    // Round by round, a far triangle goes when exactly one of its edges is on the boundary, that
    // edge is its longest, and its third corner is not on the boundary: the boundary then runs
    // over that corner instead, which lies beside the edge (the angle there is obtuse) and turns
    // it only by about the edge's length over twice the circumradius, a few thousandths at most.
    bool dropped = true;
    while (dropped) {
        dropped = false;
        for (const std::size_t t : outside) {
            if (!kept[t]) continue;
            const auto& e = edges[slot[t]];
            long onBoundary = 0, open = 0;
            for (long r = 1; r <= 3; ++r) {
                if (uses[e[static_cast<std::size_t>(r - 1)]] == 1) {
                    ++open;
                    onBoundary = r;
                }
            }
            const long opposite = 1 + (onBoundary + 1) % 3;
            if (open != 1 || boundary[corner(t, opposite)] != 0 || !LongestSide(triangles, t, onBoundary)) continue;
            kept[t] = false;
            dropped = true;
            for (long r = 1; r <= 3; ++r) {
                const std::size_t k = e[static_cast<std::size_t>(r - 1)];
                addEdge(t, r, uses[k] == 1 ? -1 : 1);
                --uses[k];
            }
        }
    }
    return static_cast<long>(std::count(kept.begin(), kept.end(), true));
}

// the table without the triangles not kept
long DropTriangles(Array2<PointRef>& triangles, const std::vector<bool>& kept) {
    const auto T = static_cast<long>(kept.size());
    long count = 0;
    for (long t = 1; t <= T; ++t) {
        if (!kept[static_cast<std::size_t>(t - 1)]) continue;
        ++count;
        for (long r = 0; r <= 3; ++r) triangles(r, count) = triangles(r, t);
    }
    if (count == T) return T;
    if (count == 0) {
        triangles.ReDim(0, 3, 1, 1);
        return 0;
    }
    triangles.ReDimPreserve(count);
    return count;
}

}  // namespace kelvarin
