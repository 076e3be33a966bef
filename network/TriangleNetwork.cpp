// The station triangle network: exhaustive empty-circumcircle search over the stations'
// distinct sites, accepting no triangle that overlaps one accepted before it.

#include "network/TriangleNetwork.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "network/NetworkTolerances.hpp"

namespace kelvarin {

namespace {

// planar distance (z takes no part)
double PlaneDistance(const cPoint& P, const cPoint& Q) {
    const double dx = P.X - Q.X;
    const double dy = P.Y - Q.Y;
    return std::sqrt(dx * dx + dy * dy);
}

// cross product of A->B and A->P, and whether it is zero within rounding
double Orientation(const cPoint& A, const cPoint& B, const cPoint& P, bool& nearZero) {
    const double abx = B.X - A.X, aby = B.Y - A.Y, apx = P.X - A.X, apy = P.Y - A.Y;
    const double cross = abx * apy - aby * apx;
    const double scale2 = (abx * abx + aby * aby) * (apx * apx + apy * apy);
    nearZero = cross * cross <= network_tolerance::kOrientation * network_tolerance::kOrientation * scale2;
    return cross;
}

struct Corners {
    cPoint P[3];
};

// true when some edge line of t separates u from t's interior (u on the outer side or on it)
bool SeparatedByEdgeOf(const Corners& t, const Corners& u) {
    bool zero = false;
    const double sign = Orientation(t.P[0], t.P[1], t.P[2], zero) > 0 ? 1.0 : -1.0;
    for (int e = 0; e < 3; ++e) {
        const cPoint& A = t.P[e];
        const cPoint& B = t.P[(e + 1) % 3];
        bool outside = true;
        for (int v = 0; v < 3 && outside; ++v) {
            const double o = sign * Orientation(A, B, u.P[v], zero);
            if (o > 0 && !zero) outside = false;
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

// circumcentre of three points and the mean distance of the points from it
double GetCircumCircle(cPoint& centre, const cPoint& P1, const cPoint& P2, const cPoint& P3) {
    if (P2.X == P1.X && P2.Y == P1.Y && P3.X == P1.X && P3.Y == P1.Y) return -2;
    Array2<double> m(1, 2, 1, 3);
    const cPoint* others[2] = {&P2, &P3};
    for (long row = 1; row <= 2; ++row) {
        const cPoint& Pi = *others[row - 1];
        m(row, 1) = Pi.X - P1.X;
        m(row, 2) = Pi.Y - P1.Y;
        m(row, 3) = (P1.X + Pi.X) * (Pi.X - P1.X) / 2 + (P1.Y + Pi.Y) * (Pi.Y - P1.Y) / 2;
    }
    if (SolveLinearSystem(m) != SolveCode::Unique) return -1;
    centre.X = m(1, 3);
    centre.Y = m(2, 3);
    return (PlaneDistance(P1, centre) + PlaneDistance(P2, centre) + PlaneDistance(P3, centre)) / 3;
}

// index of the first station at the same X and Y, for every station
Array1<long> SiteIndex(const PointArray& stations) {
    Array1<long> site(stations.LBound(), stations.UBound());
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        site(i) = i;
        for (long s = stations.LBound(); s < i; ++s) {
            if (stations(s)->X == stations(i)->X && stations(s)->Y == stations(i)->Y) {
                site(i) = site(s);
                break;
            }
        }
    }
    return site;
}

// Delaunay triangle table of the stations' distinct sites
long BuildTriangleNetwork(const PointArray& stations, Array2<PointRef>& triangles) {
    long T = 0;
    triangles.ReDim(0, 3, 1, 1);
    const Array1<long> site = SiteIndex(stations);
    std::vector<const cPoint*> P;  // one point per distinct site, in station order
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        if (site(i) == i) P.push_back(stations(i).get());
    }
    const long n = static_cast<long>(P.size());
    std::vector<Corners> accepted;
    cPoint centre;
    long lastInside = -1;  // the site that rejected the previous triple rejects many more
    // the other sites of each site, nearest first: a small circle through a site holds the
    // site's near neighbours if any, and a large one holds many sites
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
    // pairs of sites that may be an edge of the triangulation; a triple with any other
    // pair as a side has a site inside its circumcircle and is never accepted
    std::vector<std::vector<char>> edge(static_cast<std::size_t>(n), std::vector<char>(static_cast<std::size_t>(n), 1));
    for (long i = 0; i < n; ++i) {
        for (long j = i + 1; j < n; ++j) {
            const char may = MayBeDelaunayEdge(i, j, P, nearest[static_cast<std::size_t>(i)]) ? 1 : 0;
            edge[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = may;
            edge[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = may;
        }
    }
    for (long i = 0; i < n - 2; ++i) {
        const std::vector<char>& fromI = edge[static_cast<std::size_t>(i)];
        for (long j = i + 1; j < n - 1; ++j) {
            if (!fromI[static_cast<std::size_t>(j)]) continue;
            const std::vector<char>& fromJ = edge[static_cast<std::size_t>(j)];
            for (long k = j + 1; k < n; ++k) {
                if (!fromI[static_cast<std::size_t>(k)] || !fromJ[static_cast<std::size_t>(k)]) continue;
                // A site clearly inside the quick circle rejects the triple before the full
                // test; the full test alone decides every triple that is kept.
                const QuickCircle quick = QuickCircumCircle(*P[i], *P[j], *P[k]);
                if (quick.usable) {
                    bool rejected = false;
                    if (lastInside >= 0 && lastInside != i && lastInside != j && lastInside != k) {
                        rejected = ClearlyInside(quick, *P[lastInside]);
                    }
                    for (std::size_t q = 0; q < nearest[static_cast<std::size_t>(i)].size() && !rejected; ++q) {
                        const long m = nearest[static_cast<std::size_t>(i)][q];
                        if (m == j || m == k) continue;
                        if (ClearlyInside(quick, *P[m])) {
                            rejected = true;
                            lastInside = m;
                        }
                    }
                    if (rejected) continue;
                }
                double r = GetCircumCircle(centre, *P[i], *P[j], *P[k]);
                if (r <= 0) continue;
                const double inside = r * (1 - network_tolerance::kInCircle);
                for (long m = 0; m < n; ++m) {
                    if (m == i || m == j || m == k) continue;
                    if (PlaneDistance(*P[m], centre) < inside) {
                        r = -r;
                        break;
                    }
                }
                if (r <= 0) continue;
                const Corners candidate{{*P[i], *P[j], *P[k]}};
                // three stations on one line up to rounding have only an artefact of a circle
                bool flat = false;
                Orientation(*P[i], *P[j], *P[k], flat);
                if (flat) continue;
                bool overlaps = false;
                for (const Corners& t : accepted) {
                    if (TrianglesOverlap(t, candidate)) {
                        overlaps = true;
                        break;
                    }
                }
                if (overlaps) continue;
                accepted.push_back(candidate);
                ++T;
                triangles.ReDimPreserve(T);
                triangles(0, T) = NewPoint(centre.X, centre.Y, 0.0);
                for (long row = 1; row <= 3; ++row) triangles(row, T) = NewPoint();
                CopyPoint(*triangles(1, T), *P[i]);
                CopyPoint(*triangles(2, T), *P[j]);
                CopyPoint(*triangles(3, T), *P[k]);
                if (SweepAngle(*triangles(1, T), *triangles(2, T), *triangles(3, T)) < 0) {
                    SwapObjects(triangles(2, T), triangles(3, T));
                }
            }
        }
    }
    return T;
}

}  // namespace kelvarin
