#include "network/ExhaustiveTriangleSearch.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "geometry/Predicates.hpp"
#include "network/NetworkTolerances.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// the three corners of a triangle
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
                    FillTriangleColumn(triangles, T, centre, candidate.P[0], candidate.P[1], candidate.P[2]);
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

}  // namespace

// the table by the exhaustive search over all triples of sites
long BuildTriangleNetworkExhaustive(const PointArray& stations, Array2<PointRef>& triangles) {
    triangles.ReDim(0, 3, 1, 1);
    return TriangleSearch(DistinctSites(stations)).Run(triangles);
}

}  // namespace kelvarin
