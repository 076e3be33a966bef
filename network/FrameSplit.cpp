// Splitting the frame by straight lines: one line for two stations, a row of parallel
// lines for stations on one straight line.

#include "network/FrameSplit.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "network/ExactArithmetic.hpp"
#include "network/NetworkTolerances.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// The side of the line a*x + b*y = c that P lies on: the sign of a*x + b*y - c, exact. The sum
// in doubles is off by less than 3 units of the last place of |a*x| + |b*y| + |c| (and a few
// subnormals where the products underflow): a larger sum has the exact sign; a smaller one is
// worked out again exactly.
int LineSide(double a, double b, double c, const cPoint& P) {
    const double ax = a * P.X, by = b * P.Y;
    const double f = ax + by - c;
    const double bound = 0x1p-50 * (std::fabs(ax) + std::fabs(by) + std::fabs(c)) + std::numeric_limits<double>::min();
    if (f > bound) return 1;
    if (f < -bound) return -1;
    return exact::ExactSign([&](auto zero) {
        using T = decltype(zero);
        return exact::Value<T>(a) * exact::Value<T>(P.X) + exact::Value<T>(b) * exact::Value<T>(P.Y) -
               exact::Value<T>(c);
    });
}

// P moved onto the box of the segment from A to B (a crossing found by rounding may lie a hair
// beyond it), an axis-parallel segment's coordinate taken exactly
void OntoSegment(cPoint& P, const cPoint& A, const cPoint& B) {
    IsPointInSegmentBox(P, A, B);
    P.X = std::clamp(P.X, std::min(A.X, B.X), std::max(A.X, B.X));
    P.Y = std::clamp(P.Y, std::min(A.Y, B.Y), std::max(A.Y, B.Y));
}

// appends a copy of P unless it repeats the ring's last or first vertex
void AppendDistinct(cPolygon& ring, const cPoint& P) {
    if (ring.Count() > 0) {
        const cPoint& last = *ring(ring.Count());
        const cPoint& first = *ring(1);
        if ((last.X == P.X && last.Y == P.Y) || (first.X == P.X && first.Y == P.Y)) return;
    }
    ring.Add(P.X, P.Y, P.z);
}

// The part of a convex ring where a*x + b*y <= c, as a new point list. Which side each corner
// lies on is decided exactly; only the crossings' coordinates are rounded.
std::vector<cPoint> CutConvex(const std::vector<cPoint>& ring, double a, double b, double c) {
    std::vector<cPoint> out;
    const std::size_t n = ring.size();
    std::vector<int> side(n);
    for (std::size_t i = 0; i < n; ++i) side[i] = LineSide(a, b, c, ring[i]);
    for (std::size_t i = 0; i < n; ++i) {
        const cPoint& P = ring[i];
        const cPoint& Q = ring[(i + 1) % n];
        const int sp = side[i], sq = side[(i + 1) % n];
        if (sp <= 0) out.push_back(P);
        if (sp * sq < 0) {
            const double fp = a * P.X + b * P.Y - c;
            const double fq = a * Q.X + b * Q.Y - c;
            const double s = std::clamp(fp / (fp - fq), 0.0, 1.0);
            cPoint X{P.X + s * (Q.X - P.X), P.Y + s * (Q.Y - P.Y), 0.0};
            if (!(std::isfinite(X.X) && std::isfinite(X.Y))) X = sp < 0 ? P : Q;
            OntoSegment(X, P, Q);
            out.push_back(X);
        }
    }
    return out;
}

}  // namespace

// The frame cut into two rings by a line, the first ring on the side of `first`. Which side of
// the line each corner lies on is decided exactly: the line crosses an edge whose ends lie on
// opposite sides, and passes through a corner that lies on it (counted once, on the edge that
// starts there).
bool SplitFrameByLine(const PointArray& frame, const cPoint& first, const LineCoefficients& line, cPolygon& firstRing,
                      cPolygon& secondRing) {
    const long lo = frame.LBound();
    const long hi = frame.UBound();
    const long n = frame.Count();
    if (n < 3) return false;
    std::vector<int> side(static_cast<std::size_t>(n));
    bool below = false, above = false;
    for (long e = lo; e <= hi; ++e) {
        const int s = LineSide(line(1), line(2), line(3), *frame(e));
        side[static_cast<std::size_t>(e - lo)] = s;
        below = below || s < 0;
        above = above || s > 0;
    }
    // a line that misses the frame, touches it at a corner or runs along an edge splits nothing
    if (!below || !above) return false;
    PointRef hit[2];
    long edge[2] = {0, 0};
    long k = 0;
    LineCoefficients coef(1, 3);
    Array2<double> m(1, 2, 1, 3);
    for (long e = lo; e <= hi && k < 2; ++e) {
        const cPoint& A = *frame(e);
        const cPoint& B = *frame(RingSuccessor(e, lo, n));
        const int sa = side[static_cast<std::size_t>(e - lo)];
        const int sb = side[static_cast<std::size_t>(RingSuccessor(e, lo, n) - lo)];
        if (sa == 0) {
            hit[k] = NewPoint(A.X, A.Y);
        } else if (sa * sb < 0) {
            // the crossing inside the edge, by the solve of the two lines
            PointRef Q = NewPoint(0.5 * A.X + 0.5 * B.X, 0.5 * A.Y + 0.5 * B.Y);
            LineEquation(A, B, coef);
            m(1, 1) = line(1);
            m(1, 2) = line(2);
            m(1, 3) = line(3);
            m(2, 1) = coef(1);
            m(2, 2) = coef(2);
            m(2, 3) = coef(3);
            if (SolveLinearSystem(m) == SolveCode::Unique) {
                Q->X = m(1, 3);
                Q->Y = m(2, 3);
            }
            OntoSegment(*Q, A, B);
            hit[k] = Q;
        } else {
            continue;
        }
        edge[k] = e;
        ++k;
    }
    if (k < 2) return false;
    if (Orient2D(first, *hit[0], *hit[1]) < 0) {
        SwapObjects(hit[0], hit[1]);
        SwapValues(edge[0], edge[1]);
    }
    for (int p = 0; p < 2; ++p) {
        cPolygon& ring = p == 0 ? firstRing : secondRing;
        AppendDistinct(ring, *hit[p]);
        AppendDistinct(ring, *hit[1 - p]);
        const long own = edge[p];
        const long other = edge[1 - p];
        for (long v = 1; v <= n; ++v) {
            const long cidx = lo + ((other - lo + v) % n);
            AppendDistinct(ring, *frame(cidx));
            if (cidx == own) break;
        }
    }
    return true;
}

namespace {

// The inner vertex O lies inside its triangle far enough from the boundary edge S-E to give the
// edge a side: on the network's side of the edge's line (sign as for OuterLineDirection), at
// least kThinSide of the edge's length from it. Decided exactly.
bool GivesTheEdgeASide(const cPoint& S, const cPoint& O, const cPoint& E, double sign) {
    // -sign (E - S) x (O - S) >= kThinSide |E - S|^2
    return exact::ExactSign([&](auto zero) {
               using T = decltype(zero);
               const T sx = exact::Value<T>(S.X), sy = exact::Value<T>(S.Y);
               const T ex = exact::Value<T>(E.X) - sx, ey = exact::Value<T>(E.Y) - sy;
               const T ox = exact::Value<T>(O.X) - sx, oy = exact::Value<T>(O.Y) - sy;
               const T inside = exact::Value<T>(-sign) * (ex * oy - ey * ox);
               return inside - exact::Value<T>(network_tolerance::kThinSide) * (ex * ex + ey * ey);
           }) >= 0;
}

// The direction (dx, dy) leaves the boundary edge S-E outwards (sign as for
// OuterLineDirection) at an angle whose sine is at least kThinSide. Decided exactly.
bool LeavesSteeply(const cPoint& S, const cPoint& E, double dx, double dy, double sign) {
    // sign (E - S) x d >= kThinSide |E - S| |d|: both sides positive, so compared squared
    return exact::ExactSign([&](auto zero) {
               using T = decltype(zero);
               const T ex = exact::Value<T>(E.X) - exact::Value<T>(S.X);
               const T ey = exact::Value<T>(E.Y) - exact::Value<T>(S.Y);
               const T ux = exact::Value<T>(dx), uy = exact::Value<T>(dy);
               return exact::Value<T>(sign) * (ex * uy - ey * ux);
           }) > 0 &&
           exact::ExactSign([&](auto zero) {
               using T = decltype(zero);
               const T ex = exact::Value<T>(E.X) - exact::Value<T>(S.X);
               const T ey = exact::Value<T>(E.Y) - exact::Value<T>(S.Y);
               const T ux = exact::Value<T>(dx), uy = exact::Value<T>(dy);
               const T cross = ex * uy - ey * ux;
               const T share = exact::Value<T>(network_tolerance::kThinSide);
               return cross * cross - share * share * (ex * ex + ey * ey) * (ux * ux + uy * uy);
           }) >= 0;
}

}  // namespace

bool RayMeetsSegment(const cPoint& origin, double dx, double dy, const cPoint& P, const cPoint& Q) {
    // the sides of the ray's line P and Q lie on: d x (P - origin), d x (Q - origin)
    auto side = [&](const cPoint& A) {
        return exact::ExactSign([&](auto zero) {
            using T = decltype(zero);
            const T ax = exact::Value<T>(A.X) - exact::Value<T>(origin.X);
            const T ay = exact::Value<T>(A.Y) - exact::Value<T>(origin.Y);
            return exact::Value<T>(dx) * ay - exact::Value<T>(dy) * ax;
        });
    };
    const int p = side(P), q = side(Q);
    if (p * q > 0) return false;
    if (p == 0 && q == 0) {
        // along the ray's line: they meet where an end lies ahead of the origin or the origin
        // lies on the segment
        auto ahead = [&](const cPoint& A) {
            return exact::ExactSign([&](auto zero) {
                using T = decltype(zero);
                const T ax = exact::Value<T>(A.X) - exact::Value<T>(origin.X);
                const T ay = exact::Value<T>(A.Y) - exact::Value<T>(origin.Y);
                return exact::Value<T>(dx) * ax + exact::Value<T>(dy) * ay;
            });
        };
        return ahead(P) >= 0 || ahead(Q) >= 0;
    }
    // the line crosses the segment; where, along the ray: t = ((P - origin) x (Q - P)) / (d x (Q - P)),
    // and the denominator is q - p, whose sign the sides give
    const int denominator = q != 0 ? q : -p;
    const int numerator = exact::ExactSign([&](auto zero) {
        using T = decltype(zero);
        const T px = exact::Value<T>(P.X) - exact::Value<T>(origin.X);
        const T py = exact::Value<T>(P.Y) - exact::Value<T>(origin.Y);
        const T ex = exact::Value<T>(Q.X) - exact::Value<T>(P.X);
        const T ey = exact::Value<T>(Q.Y) - exact::Value<T>(P.Y);
        return px * ey - py * ex;
    });
    return numerator * denominator >= 0;
}

void OuterLineDirection(const cPoint& S, const cPoint& O, const cPoint& M, const cPoint& E, double sign,
                        LineThrough through, double& dx, double& dy, const NetworkBoundary& boundary) {
    // the edge's outward normal
    dx = -sign * (E.Y - S.Y);
    dy = sign * (E.X - S.X);
    // A Thiessen line is the edge's perpendicular bisector, and it leaves the network outwards
    // whichever side of the edge the circumcentre lies on: its direction is the edge's normal,
    // taken from the edge itself. The direction from the circumcentre to M would lose its
    // digits where the two almost meet (a right angle opposite the edge).
    if (through == LineThrough::Circumcentre) return;
    // A height-balance line continues the line from the inner vertex through M where the
    // triangle gives the edge a side: its inner vertex lies inside, farther than kThinSide of
    // the edge's length from the edge's line, and the line leaves the edge at an angle whose
    // sine is at least kThinSide. A triangle too thin for that (gauges almost in a row along
    // the hull, or strung along a road) cannot: there the direction from the inner vertex is
    // set by where the centre points fall and how they were rounded, and may run along the
    // hull over the neighbours' regions or back into the network. Such a line leaves square to
    // the edge, as the perpendicular bisector of the two gauges would.
    const double mx = M.X - O.X, my = M.Y - O.Y;
    if (!GivesTheEdgeASide(S, O, E, sign) || !LeavesSteeply(S, E, mx, my, sign)) return;
    const auto ownEdge = [&](const BoundaryEdge& e) {
        const auto same = [](const cPoint& a, const cPoint& b) { return a.X == b.X && a.Y == b.Y; };
        return (same(e.From, S) && same(e.To, E)) || (same(e.From, E) && same(e.To, S));
    };
    for (const BoundaryEdge& e : boundary)
        if (!ownEdge(e) && RayMeetsSegment(M, mx, my, e.From, e.To)) return;
    dx = mx;
    dy = my;
}

// crossing of a station's outer boundary line with the outer frame: where the ray from M in
// the line's outward direction leaves it (measured from M, so that a line running almost
// along an axis keeps its tilt, and the crossing is as exact as the line's direction)
long OuterFrameCrossing(const cPoint& S, const cPoint& O, const cPoint& M, const cPoint& E, const PointArray& F,
                        double sign, LineThrough through, PointRef& Q) {
    double dx = 0, dy = 0;
    OuterLineDirection(S, O, M, E, sign, through, dx, dy);
    cPoint exitPoint;
    const long k = RayFrameExit(M, dx, dy, F, exitPoint);
    if (k > 0) Q = NewPoint(exitPoint.X, exitPoint.Y, exitPoint.z);
    return k;
}

// where a ray from inside the frame leaves it
long RayFrameExit(const cPoint& origin, double dx, double dy, const PointArray& F, cPoint& exitPoint) {
    OuterRays rays;
    return rays.Exit(rays.Add(origin, dx, dy), F, exitPoint);
}

// corners of the outer frame between two crossings, counter-clockwise
void AppendFrameCorners(cPolygon& ring, const PointArray& F, long k1, long k2, bool secondBehindFirst) {
    const long lo = F.LBound();
    const long n = F.Count();
    auto succ = [lo, n](long k) { return lo + ((k - lo + 1) % n); };
    long c = succ(k1);
    if (k1 == k2) {
        if (!secondBehindFirst) return;
        for (long v = 0; v < n; ++v, c = succ(c)) ring.Add(F(c)->X, F(c)->Y, F(c)->z);
        return;
    }
    for (; c != succ(k2); c = succ(c)) ring.Add(F(c)->X, F(c)->Y, F(c)->z);
}

void AppendOuterStretch(cPolygon& ring, const OuterRays& rays, OuterRays::Id first, OuterRays::Id second,
                        const PointArray& F) {
    cPoint X1, X2;
    const long k1 = rays.Exit(first, F, X1);
    const long k2 = rays.Exit(second, F, X2);
    if (k1 <= 0 || k2 <= 0) return;
    ring.Add(X1.X, X1.Y, X1.z);
    AppendFrameCorners(ring, F, k1, k2, k1 == k2 && rays.CompareExits(first, second, F, k1) > 0);
    ring.Add(X2.X, X2.Y, X2.z);
}

// strips of the frame between the split lines of stations on one straight line
void BuildCollinearStrips(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                          const SplitPointFunction& splitPoint) {
    const Array1<long> site = SiteIndex(stations);
    std::vector<long> sites;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        if (site(i) == i) sites.push_back(i);
    }
    std::vector<cPoint> whole;
    for (const PointRef& corner : frame) whole.push_back(*corner);
    Array1<std::vector<cPoint>> strip(stations.LBound(), stations.UBound());
    if (sites.size() == 1) {
        strip(sites[0]) = whole;
    } else if (sites.size() > 1) {
        // the stations' line runs from the first site towards the site farthest from it
        const cPoint& origin = *stations(sites[0]);
        cPoint far = origin;
        double farthest = -1;
        for (long s : sites) {
            const double d = std::hypot(stations(s)->X - origin.X, stations(s)->Y - origin.Y);
            if (d > farthest) {
                farthest = d;
                far = *stations(s);
            }
        }
        const double ux = far.X - origin.X;
        const double uy = far.Y - origin.Y;
        // site s comes before site t where (s - t).u < 0, decided exactly
        auto before = [&](long s, long t) {
            const cPoint& S = *stations(s);
            const cPoint& T = *stations(t);
            return exact::ExactSign([&](auto zero) {
                       using V = decltype(zero);
                       return (exact::Value<V>(S.X) - exact::Value<V>(T.X)) * exact::Value<V>(ux) +
                              (exact::Value<V>(S.Y) - exact::Value<V>(T.Y)) * exact::Value<V>(uy);
                   }) < 0;
        };
        std::stable_sort(sites.begin(), sites.end(), before);
        // split line p (between sites p and p + 1) runs through the pair's split point square
        // to the pair itself: nx(p)*x + ny(p)*y = c(p). Sites exactly on one line give
        // parallel lines; sites almost on one line (whose triangles' circumcentres lie far
        // beyond the frame) give lines that meet only out there, each the pair's own.
        bool onOneLine = true;
        for (long s : sites) onOneLine = onOneLine && Orient2D(origin, far, *stations(s)) == 0;
        std::vector<double> nx, ny, c;
        for (std::size_t p = 0; p + 1 < sites.size(); ++p) {
            const cPoint& A = *stations(sites[p]);
            const cPoint& B = *stations(sites[p + 1]);
            const cPoint Q = splitPoint(A, B);
            nx.push_back(onOneLine ? ux : B.X - A.X);
            ny.push_back(onOneLine ? uy : B.Y - A.Y);
            c.push_back(nx.back() * Q.X + ny.back() * Q.Y);
        }
        for (std::size_t p = 0; p < sites.size(); ++p) {
            std::vector<cPoint> part = whole;
            if (p > 0) part = CutConvex(part, -nx[p - 1], -ny[p - 1], -c[p - 1]);
            if (p + 1 < sites.size()) part = CutConvex(part, nx[p], ny[p], c[p]);
            strip(sites[p]) = part;
        }
    }
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        auto ring = std::make_shared<cPolygon>();
        const std::vector<cPoint>& part = strip(site(i));
        if (part.size() >= 3) {
            for (const cPoint& P : part) AppendDistinct(*ring, P);
        }
        if (ring->Count() < 3) ring = std::make_shared<cPolygon>();
        polygons(i) = ring;
    }
}

void AppendOuterStretch(cPolygon& ring, const cPoint& S, const cPoint& O1, const cPoint& M1, const cPoint& E1,
                        const cPoint& O2, const cPoint& M2, const cPoint& E2, const PointArray& F, LineThrough through,
                        const NetworkBoundary& boundary) {
    OuterRays rays;
    double dx = 0, dy = 0;
    OuterLineDirection(S, O1, M1, E1, 1.0, through, dx, dy, boundary);
    const OuterRays::Id first = rays.Add(M1, dx, dy);
    OuterLineDirection(S, O2, M2, E2, -1.0, through, dx, dy, boundary);
    const OuterRays::Id second = rays.Add(M2, dx, dy);
    AppendOuterStretch(ring, rays, first, second, F);
}

PolygonRef NearestSiteCell(const cPoint& S, const std::vector<cPoint>& others, const PointArray& frame) {
    std::vector<cPoint> cell;
    for (const PointRef& corner : frame) cell.push_back(cPoint{corner->X - S.X, corner->Y - S.Y, 0.0});
    for (std::size_t k = 0; k < others.size(); ++k) {
        const cPoint& T = others[k];
        const double dx = T.X - S.X, dy = T.Y - S.Y;
        if (dx == 0 && dy == 0) continue;  // the same site
        // a neighbour listed again (by each of its two triangles in a fan) cuts nothing more
        const auto same = [&T](const cPoint& U) { return U.X == T.X && U.Y == T.Y; };
        if (std::any_of(others.begin(), others.begin() + static_cast<std::ptrdiff_t>(k), same)) continue;
        cell = CutConvex(cell, dx, dy, (dx * dx + dy * dy) / 2);
    }
    auto ring = std::make_shared<cPolygon>();
    for (const cPoint& P : cell) AppendDistinct(*ring, cPoint{P.X + S.X, P.Y + S.Y, 0.0});
    if (ring->Count() < 3) ring = std::make_shared<cPolygon>();
    return ring;
}

PolygonRef ClipToFrame(const PolygonRef& ring, const PointArray& frame) {
    // a ring strictly inside the frame's box is its own piece (most rings of a large network)
    Box box;
    for (const PointRef& P : frame) box.Add(*P);
    bool inside = true;
    for (const PointRef& P : *ring)
        inside = inside && P->X > box.minX && P->X < box.maxX && P->Y > box.minY && P->Y < box.maxY;
    if (inside && ring->Count() >= 3) return ring;
    PolygonArray pieces;
    if (ClipPolygons(pieces, RingToArray(*ring), frame) != 1) return ring;
    const PolygonRef& piece = pieces(pieces.LBound());
    return piece ? piece : std::make_shared<cPolygon>();
}

void CopySiteRings(PolygonArray& polygons, const Array1<long>& site) {
    for (long i = site.LBound(); i <= site.UBound(); ++i) {
        if (site(i) == i) continue;
        auto copy = std::make_shared<cPolygon>();
        for (const PointRef& P : *polygons(site(i))) copy->AddPoint(*P);
        polygons(i) = copy;
    }
}

// a new ring with copies of the corners
PolygonRef RingOf(const PointArray& corners) {
    auto ring = std::make_shared<cPolygon>();
    for (const PointRef& P : corners) ring->Add(P->X, P->Y, P->z);
    return ring;
}

// the frame halves on either side of the split line through the pair's split point
void TwoStationSplit(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                     const SplitPointFunction& splitPoint) {
    const long lo = stations.LBound();
    const long hi = stations.UBound();
    const cPoint& S1 = *stations(lo);
    const cPoint& S2 = *stations(hi);
    if (S1.X == S2.X && S1.Y == S2.Y) {
        polygons(lo) = RingOf(frame);
        polygons(hi) = RingOf(frame);
        return;
    }
    const cPoint P = splitPoint(S1, S2);
    LineCoefficients line(1, 3);
    line(1) = S1.X - S2.X;
    line(2) = S1.Y - S2.Y;
    line(3) = line(1) * P.X + line(2) * P.Y;
    auto first = std::make_shared<cPolygon>();
    auto second = std::make_shared<cPolygon>();
    if (!SplitFrameByLine(frame, S1, line, *first, *second)) {
        // the line's crossings with the frame edges were not both found (a line almost
        // parallel to an edge, crossing near a corner): cut the frame by the two half-planes
        std::vector<cPoint> whole;
        for (const PointRef& corner : frame) whole.push_back(*corner);
        first = std::make_shared<cPolygon>();
        second = std::make_shared<cPolygon>();
        for (const cPoint& V : CutConvex(whole, -line(1), -line(2), -line(3))) AppendDistinct(*first, V);
        for (const cPoint& V : CutConvex(whole, line(1), line(2), line(3))) AppendDistinct(*second, V);
        if (first->Count() < 3) first = std::make_shared<cPolygon>();
        if (second->Count() < 3) second = std::make_shared<cPolygon>();
    }
    polygons(lo) = first;
    polygons(hi) = second;
}

}  // namespace kelvarin
