// The station triangle network: exhaustive empty-circumcircle search over the stations'
// distinct sites, accepting no triangle that overlaps one accepted before it.

#include "network/TriangleNetwork.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "network/Delaunay.hpp"
#include "network/NetworkTolerances.hpp"
#include "network/StationFan.hpp"

namespace kelvarin {

namespace {

// planar distance (z takes no part)
double PlaneDistance(const cPoint& P, const cPoint& Q) {
    const double dx = P.X - Q.X;
    const double dy = P.Y - Q.Y;
    return std::sqrt(dx * dx + dy * dy);
}

struct Corners {
    cPoint P[3];
};

// true when some edge line of t separates u from t's interior (u on the outer side or on it);
// decided exactly, so triangles of tied or almost tied groups are told apart correctly
bool SeparatedByEdgeOf(const Corners& t, const Corners& u) {
    const int sign = Orient2D(t.P[0], t.P[1], t.P[2]);
    for (int e = 0; e < 3; ++e) {
        const cPoint& A = t.P[e];
        const cPoint& B = t.P[(e + 1) % 3];
        bool outside = true;
        for (int v = 0; v < 3 && outside; ++v) {
            if (sign * Orient2D(A, B, u.P[v]) > 0) outside = false;
        }
        if (outside) return true;
    }
    return false;
}

// the interiors of two triangles have a common point
bool TrianglesOverlap(const Corners& t, const Corners& u) {
    return !SeparatedByEdgeOf(t, u) && !SeparatedByEdgeOf(u, t);
}

// A quick circle through three sites, good enough to see a site clearly inside it.
struct QuickCircle {
    bool usable = false;  // false for triangles too flat to trust the quick centre
    double cx = 0, cy = 0, r2 = 0;
};

// the circumcircle of A, B, C from the closed formula, when every angle is wide enough
QuickCircle QuickCircumCircle(const cPoint& A, const cPoint& B, const cPoint& C) {
    QuickCircle q;
    const double bx = B.X - A.X, by = B.Y - A.Y, cx = C.X - A.X, cy = C.Y - A.Y;
    const double cross = bx * cy - by * cx;
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double dx = C.X - B.X, dy = C.Y - B.Y;
    const double d2 = dx * dx + dy * dy;
    // the smallest sine of the three angles, squared: cross^2 / (product of its two sides)^2
    const double widest = std::max({b2 * c2, b2 * d2, c2 * d2});
    if (!(cross * cross >= network_tolerance::kQuickSine * network_tolerance::kQuickSine * widest)) return q;
    const double ux = (cy * b2 - by * c2) / (2 * cross);
    const double uy = (bx * c2 - cx * b2) / (2 * cross);
    q.usable = true;
    q.cx = A.X + ux;
    q.cy = A.Y + uy;
    q.r2 = ux * ux + uy * uy;
    return q;
}

// a site clearly inside the quick circle, by squared distances
bool ClearlyInside(const QuickCircle& q, const cPoint& P) {
    const double dx = P.X - q.cx, dy = P.Y - q.cy;
    const double shrink = 1 - network_tolerance::kQuickInside;
    return dx * dx + dy * dy < q.r2 * shrink * shrink;
}

// False only when no circle through sites i and j can be empty: a site on the left of i->j
// and one on its right bound the centres of empty circles from both sides, and the bounds
// cross by a clear margin. Circles through i and j have centres mid + t * (left normal of
// i->j); a left site m keeps t <= hi(m), a right one t >= lo(m). Sites almost on the line
// through i and j bound t only loosely and are left out, so the answer errs towards true.
bool MayBeDelaunayEdge(long i, long j, const std::vector<const cPoint*>& P, const std::vector<long>& order) {
    const cPoint& A = *P[static_cast<std::size_t>(i)];
    const cPoint& B = *P[static_cast<std::size_t>(j)];
    const double mx = (A.X + B.X) / 2, my = (A.Y + B.Y) / 2;
    const double nx = -(B.Y - A.Y), ny = B.X - A.X;  // left normal, as long as the edge
    const double L2 = nx * nx + ny * ny;
    bool haveHi = false, haveLo = false;
    double hi = 0, lo = 0;
    for (long m : order) {
        if (m == j) continue;
        const cPoint& M = *P[static_cast<std::size_t>(m)];
        const double dx = M.X - mx, dy = M.Y - my;
        const double a = dx * nx + dy * ny;
        if (std::fabs(a) < network_tolerance::kEdgeSide * L2) continue;
        const double t = (dx * dx + dy * dy - L2 / 4) / (2 * a);
        if (a > 0) {
            if (!haveHi || t < hi) hi = t;
            haveHi = true;
        } else {
            if (!haveLo || t > lo) lo = t;
            haveLo = true;
        }
        if (haveHi && haveLo && lo - hi > network_tolerance::kEdgeMargin * (1 + lo * lo + hi * hi)) return false;
    }
    return true;
}

}  // namespace

// b1 * c2 - b2 * c1 to within about one unit of its last bit, whatever the cancellation:
// the rounding error of one product is recovered exactly with a fused multiply-add
double AccurateCross(double b1, double c2, double b2, double c1) {
    const double w = b2 * c1;
    const double error = std::fma(b2, c1, -w);
    return std::fma(b1, c2, -w) - error;
}

// circumcentre of three points and the mean distance of the points from it
double GetCircumCircle(cPoint& centre, const cPoint& P1, const cPoint& P2, const cPoint& P3) {
    if (P2.X == P1.X && P2.Y == P1.Y && P3.X == P1.X && P3.Y == P1.Y) return -2;
    if (Orient2D(P1, P2, P3) == 0) return -1;
    // measured from P1; the differences of nearby coordinates are exact, and the cross
    // product of a nearly flat triangle keeps its digits, so even a centre very far away
    // lies on the right bisectors
    const double bx = P2.X - P1.X, by = P2.Y - P1.Y, cx = P3.X - P1.X, cy = P3.Y - P1.Y;
    const double d = 2.0 * AccurateCross(bx, cy, by, cx);
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = AccurateCross(cy, b2, by, c2) / d;
    const double uy = AccurateCross(bx, c2, cx, b2) / d;
    if (!std::isfinite(ux) || !std::isfinite(uy)) return -1;
    centre.X = P1.X + ux;
    centre.Y = P1.Y + uy;
    return (PlaneDistance(P1, centre) + PlaneDistance(P2, centre) + PlaneDistance(P3, centre)) / 3;
}

// index of the first station at the same X and Y, for every station: the stations sorted by
// position (stable, so each run of equal positions starts with its first station)
Array1<long> SiteIndex(const PointArray& stations) {
    Array1<long> site(stations.LBound(), stations.UBound());
    std::vector<long> order;
    order.reserve(static_cast<std::size_t>(stations.Count()));
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        site(i) = i;
        // a coordinate that is not a number equals nothing: such a station is a site of its own
        if (!std::isnan(stations(i)->X) && !std::isnan(stations(i)->Y)) order.push_back(i);
    }
    auto before = [&](long a, long b) {
        const cPoint& A = *stations(a);
        const cPoint& B = *stations(b);
        return A.X < B.X || (A.X == B.X && A.Y < B.Y);
    };
    std::stable_sort(order.begin(), order.end(), before);
    for (std::size_t k = 1; k < order.size(); ++k) {
        const cPoint& A = *stations(order[k - 1]);
        const cPoint& B = *stations(order[k]);
        if (A.X == B.X && A.Y == B.Y) site(order[k]) = site(order[k - 1]);
    }
    return site;
}

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
    cPoint hi, lo;
    BoundingBox(outer, hi, lo);
    // Round by round, every kept triangle whose circumcentre lies outside the box and that has
    // an edge used by no other kept triangle (counted at the start of the round) is dropped.
    std::vector<std::size_t> outside;
    for (long t = 1; t <= T; ++t) {
        const cPoint& c = *triangles(0, t);
        if (!(c.X >= lo.X && c.X <= hi.X && c.Y >= lo.Y && c.Y <= hi.Y))
            outside.push_back(static_cast<std::size_t>(t - 1));
    }
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

namespace {

// the other sites of each site, nearest first: a small circle through a site holds the
// site's near neighbours if any, and a large one holds many sites
std::vector<std::vector<long>> NearestFirst(const std::vector<const cPoint*>& P) {
    const long n = static_cast<long>(P.size());
    std::vector<std::vector<long>> nearest(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
        std::vector<long>& list = nearest[static_cast<std::size_t>(i)];
        for (long m = 0; m < n; ++m) {
            if (m != i) list.push_back(m);
        }
        std::vector<double> d2(static_cast<std::size_t>(n));
        for (long m = 0; m < n; ++m) {
            const double dx = P[m]->X - P[i]->X, dy = P[m]->Y - P[i]->Y;
            d2[static_cast<std::size_t>(m)] = dx * dx + dy * dy;
        }
        std::sort(list.begin(), list.end(),
                  [&](long a, long b) { return d2[static_cast<std::size_t>(a)] < d2[static_cast<std::size_t>(b)]; });
    }
    return nearest;
}

// pairs of sites that may be an edge of the triangulation; a triple with any other pair as a
// side has a site inside its circumcircle and is never accepted
std::vector<std::vector<char>> PossibleEdges(const std::vector<const cPoint*>& P,
                                             const std::vector<std::vector<long>>& nearest) {
    const auto n = static_cast<long>(P.size());
    std::vector<std::vector<char>> edge(static_cast<std::size_t>(n), std::vector<char>(static_cast<std::size_t>(n), 1));
    for (long i = 0; i < n; ++i) {
        for (long j = i + 1; j < n; ++j) {
            const char may = MayBeDelaunayEdge(i, j, P, nearest[static_cast<std::size_t>(i)]) ? 1 : 0;
            edge[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = may;
            edge[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = may;
        }
    }
    return edge;
}

// column T: the circumcentre, then new copies of the corners counter-clockwise (the first
// corner stays in row 1)
void FillColumn(Array2<PointRef>& triangles, long T, const cPoint& centre, const Corners& corners, int turn = 0) {
    triangles(0, T) = NewPoint(centre.X, centre.Y, 0.0);
    for (long row = 1; row <= 3; ++row) triangles(row, T) = NewPoint();
    for (long row = 1; row <= 3; ++row) CopyPoint(*triangles(row, T), corners.P[row - 1]);
    // turn: the corners' orientation when it is known already (0 when not)
    if (turn == 0) turn = Orient2D(*triangles(1, T), *triangles(2, T), *triangles(3, T));
    if (turn < 0) {
        SwapObjects(triangles(2, T), triangles(3, T));
    }
}

// The triangle search over the sites: every triple whose circle no other site lies in and
// that overlaps no triangle accepted before.
class TriangleSearch {
  public:
    explicit TriangleSearch(std::vector<const cPoint*> sites)
        : P(std::move(sites)), nearest(NearestFirst(P)), edge(PossibleEdges(P, nearest)) {}

    // fills the table (rows 0..3 by columns 1..T) and returns T
    long Run(Array2<PointRef>& triangles) {
        const long n = static_cast<long>(P.size());
        for (long i = 0; i < n - 2; ++i) {
            const std::vector<char>& fromI = edge[static_cast<std::size_t>(i)];
            for (long j = i + 1; j < n - 1; ++j) {
                if (!fromI[static_cast<std::size_t>(j)]) continue;
                const std::vector<char>& fromJ = edge[static_cast<std::size_t>(j)];
                for (long k = j + 1; k < n; ++k) {
                    if (!fromI[static_cast<std::size_t>(k)] || !fromJ[static_cast<std::size_t>(k)]) continue;
                    cPoint centre;
                    if (QuicklyRejected(i, j, k) || !EmptyCircle(i, j, k, centre)) continue;
                    const Corners candidate{{*P[i], *P[j], *P[k]}};
                    if (!Acceptable(candidate)) continue;
                    accepted.push_back(candidate);
                    const long T = static_cast<long>(accepted.size());
                    triangles.ReDimPreserve(T);
                    FillColumn(triangles, T, centre, candidate);
                }
            }
        }
        return static_cast<long>(accepted.size());
    }

  private:
    // A site clearly inside the quick circle rejects the triple before the full test; the
    // full test alone decides every triple that is kept.
    bool QuicklyRejected(long i, long j, long k) {
        const QuickCircle quick = QuickCircumCircle(*P[i], *P[j], *P[k]);
        if (!quick.usable) return false;
        // the site that rejected the previous triple rejects many more
        if (lastInside >= 0 && lastInside != i && lastInside != j && lastInside != k &&
            Rejects(quick, i, j, k, lastInside))
            return true;
        for (const long m : nearest[static_cast<std::size_t>(i)]) {
            if (m == j || m == k) continue;
            if (Rejects(quick, i, j, k, m)) {
                lastInside = m;
                return true;
            }
        }
        return false;
    }

    // site m clearly inside the quick circle and, decided exactly, inside the triple's circle
    bool Rejects(const QuickCircle& quick, long i, long j, long k, long m) const {
        return ClearlyInside(quick, *P[m]) && InCircle(*P[i], *P[j], *P[k], *P[m]) > 0;
    }

    // the full test: three sites not exactly on one line (any other triple has a circle,
    // however far away), none of the others strictly inside it (decided exactly); its centre
    // into centre
    bool EmptyCircle(long i, long j, long k, cPoint& centre) const {
        if (Orient2D(*P[i], *P[j], *P[k]) == 0) return false;
        for (long m = 0; m < static_cast<long>(P.size()); ++m) {
            if (m == i || m == j || m == k) continue;
            if (InCircle(*P[i], *P[j], *P[k], *P[m]) > 0) return false;
        }
        return GetCircumCircle(centre, *P[i], *P[j], *P[k]) > 0;
    }

    // no overlap with an accepted triangle
    bool Acceptable(const Corners& candidate) const {
        return std::none_of(accepted.begin(), accepted.end(),
                            [&](const Corners& t) { return TrianglesOverlap(t, candidate); });
    }

    std::vector<const cPoint*> P;  // one point per distinct site, in station order
    std::vector<std::vector<long>> nearest;
    std::vector<std::vector<char>> edge;
    std::vector<Corners> accepted;
    long lastInside = -1;
};

// A triangle found for the table: its sites (ascending) and circumcentre.
struct FoundTriangle {
    std::array<long, 3> sites;
    cPoint centre;
    int turn = 0;  // +1 when the sites in this order run counter-clockwise, -1 clockwise, 0 not known
};

// The sites of one face of the subdivision all lie on one empty circle, so every triple of
// them passes the search's circle test; the search takes them in lexicographic order, each
// unless it overlaps one taken before. Triangles of other faces never overlap these, so the
// search over the face alone gives the same triangles.
//
// Corners on one circle are in convex position, where two triangles overlap exactly when the
// corners of one do not all lie on one arc of the circle between two corners of the other. The
// triangles taken so far therefore leave free cells, each the sites of one arc between taken
// chords, and a triple is taken exactly when one free cell holds all three of its sites; taking
// it splits that cell into the three arcs between its corners. m - 2 triangles fill the face.
void SearchOnCircle(const std::vector<long>& face, const std::vector<const cPoint*>& P,
                    std::vector<FoundTriangle>& found) {
    const std::size_t m = face.size();
    auto site = [&](std::size_t k) -> const cPoint& { return *P[static_cast<std::size_t>(face[k])]; };
    // the sites counter-clockwise from the lowest of the leftmost: seen from it, every other site
    // lies within a half-turn, and no two of them lie on one line with it
    std::vector<std::size_t> around(m);
    std::iota(around.begin(), around.end(), std::size_t{0});
    const auto lowest = std::min_element(around.begin(), around.end(), [&](std::size_t a, std::size_t b) {
        return site(a).X < site(b).X || (site(a).X == site(b).X && site(a).Y < site(b).Y);
    });
    std::iter_swap(around.begin(), lowest);
    const cPoint& origin = site(around[0]);
    std::sort(around.begin() + 1, around.end(),
              [&](std::size_t a, std::size_t b) { return Orient2D(origin, site(a), site(b)) > 0; });
    std::vector<std::size_t> position(m);
    for (std::size_t k = 0; k < m; ++k) position[around[k]] = k;

    std::vector<std::vector<std::size_t>> cells;  // positions around the circle, ascending
    std::vector<bool> free;
    std::vector<std::vector<std::size_t>> cellsAt(m);  // the cells each position has belonged to
    auto addCell = [&](std::vector<std::size_t> cell) {
        if (cell.size() < 3) return;
        for (const std::size_t q : cell) cellsAt[q].push_back(cells.size());
        cells.push_back(std::move(cell));
        free.push_back(true);
    };
    std::vector<std::size_t> all(m);
    std::iota(all.begin(), all.end(), std::size_t{0});
    addCell(all);
    auto holds = [&](std::size_t c, std::size_t q) { return std::binary_search(cells[c].begin(), cells[c].end(), q); };

    std::size_t taken = 0;
    for (std::size_t a = 0; a + 2 < m; ++a) {
        for (std::size_t b = a + 1; b + 1 < m; ++b) {
            for (std::size_t c = b + 1; c < m; ++c) {
                if (taken + 2 == m) return;
                std::array<std::size_t, 3> q{position[a], position[b], position[c]};
                std::size_t cell = cells.size();
                for (const std::size_t k : cellsAt[q[0]]) {
                    if (free[k] && holds(k, q[1]) && holds(k, q[2])) {
                        cell = k;
                        break;
                    }
                }
                if (cell == cells.size()) continue;
                const cPoint &A = site(a), &B = site(b), &C = site(c);
                cPoint centre;
                if (Orient2D(A, B, C) == 0 || GetCircumCircle(centre, A, B, C) <= 0) continue;
                ++taken;
                found.push_back(FoundTriangle{{face[a], face[b], face[c]}, centre});
                // the cell split into the arcs between the corners
                std::sort(q.begin(), q.end());
                free[cell] = false;
                const std::vector<std::size_t> split = cells[cell];
                std::vector<std::size_t> first, second, third;
                for (const std::size_t r : split) {
                    if (r >= q[0] && r <= q[1]) first.push_back(r);
                    if (r >= q[1] && r <= q[2]) second.push_back(r);
                    if (r >= q[2] || r <= q[0]) third.push_back(r);
                }
                std::sort(third.begin(), third.end());
                addCell(std::move(first));
                addCell(std::move(second));
                addCell(std::move(third));
            }
        }
    }
}

// the stations' distinct sites, first station of each, in station order
std::vector<const cPoint*> DistinctSites(const PointArray& stations) {
    const Array1<long> site = SiteIndex(stations);
    std::vector<const cPoint*> P;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        if (site(i) == i) P.push_back(stations(i).get());
    }
    return P;
}

}  // namespace

// Delaunay triangle table of the stations' distinct sites: the faces of the Delaunay
// subdivision, the sites on one circle searched among themselves, sorted into the table order
long BuildTriangleNetwork(const PointArray& stations, Array2<PointRef>& triangles) {
    triangles.ReDim(0, 3, 1, 1);
    const std::vector<const cPoint*> P = DistinctSites(stations);
    const bool finite =
        std::all_of(P.begin(), P.end(), [](const cPoint* p) { return std::isfinite(p->X) && std::isfinite(p->Y); });
    // coordinates that are not finite are refused by the exact predicates, as the search refuses them
    if (!finite) return TriangleSearch(P).Run(triangles);
    const DelaunaySubdivision faces = DelaunayFaces(P);
    std::vector<FoundTriangle> found;
    found.reserve(faces.triangles.size() + 2 * faces.cocircular.size());
    for (std::size_t k = 0; k < faces.triangles.size(); ++k) {
        const std::array<long, 3>& t = faces.triangles[k];
        const cPoint& A = *P[static_cast<std::size_t>(t[0])];
        const cPoint& B = *P[static_cast<std::size_t>(t[1])];
        const cPoint& C = *P[static_cast<std::size_t>(t[2])];
        cPoint centre;
        if (GetCircumCircle(centre, A, B, C) > 0)
            found.push_back(FoundTriangle{t, centre, faces.counterClockwise[k] ? 1 : -1});
    }
    for (const std::vector<long>& face : faces.cocircular) SearchOnCircle(face, P, found);
    std::sort(found.begin(), found.end(),
              [](const FoundTriangle& a, const FoundTriangle& b) { return a.sites < b.sites; });
    const auto T = static_cast<long>(found.size());
    if (T == 0) return 0;
    triangles.ReDim(0, 3, 1, T);
    for (long t = 1; t <= T; ++t) {
        const FoundTriangle& f = found[static_cast<std::size_t>(t - 1)];
        const Corners corners{{*P[static_cast<std::size_t>(f.sites[0])], *P[static_cast<std::size_t>(f.sites[1])],
                               *P[static_cast<std::size_t>(f.sites[2])]}};
        FillColumn(triangles, t, f.centre, corners, f.turn);
    }
    return T;
}

// the same table by the exhaustive search over all triples of sites
long BuildTriangleNetworkExhaustive(const PointArray& stations, Array2<PointRef>& triangles) {
    triangles.ReDim(0, 3, 1, 1);
    return TriangleSearch(DistinctSites(stations)).Run(triangles);
}

}  // namespace kelvarin
