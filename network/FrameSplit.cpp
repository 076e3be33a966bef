// Splitting the frame by straight lines: one line for two stations, a row of parallel
// lines for stations on one straight line.

#include "network/FrameSplit.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "network/NetworkTolerances.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// the crossing lies on the edge from A to B, ends included (after the snap onto the edge)
bool OnEdge(cPoint& P, const cPoint& A, const cPoint& B) {
    if (IsPointInSegmentBox(P, A, B)) return true;
    return P.X >= std::min(A.X, B.X) && P.X <= std::max(A.X, B.X) && P.Y >= std::min(A.Y, B.Y) &&
           P.Y <= std::max(A.Y, B.Y);
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

// the part of a convex ring where a*x + b*y <= c (a, b, c in line(1..3)), as a new point list
std::vector<cPoint> CutConvex(const std::vector<cPoint>& ring, double a, double b, double c) {
    std::vector<cPoint> out;
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        const cPoint& P = ring[i];
        const cPoint& Q = ring[(i + 1) % n];
        const double fp = a * P.X + b * P.Y - c;
        const double fq = a * Q.X + b * Q.Y - c;
        if (fp <= 0) out.push_back(P);
        if ((fp < 0 && fq > 0) || (fp > 0 && fq < 0)) {
            const double s = fp / (fp - fq);
            out.push_back(cPoint{P.X + s * (Q.X - P.X), P.Y + s * (Q.Y - P.Y), 0.0});
        }
    }
    return out;
}

}  // namespace

// the frame cut into two rings by a line, the first ring on the side of `first`
bool SplitFrameByLine(const PointArray& frame, const cPoint& first, const LineCoefficients& line, cPolygon& firstRing,
                      cPolygon& secondRing) {
    const long lo = frame.LBound();
    const long hi = frame.UBound();
    const long n = frame.Count();
    if (n < 3) return false;
    PointRef hit[2];
    long edge[2] = {0, 0};
    long k = 0;
    LineCoefficients coef(1, 3);
    Array2<double> m(1, 2, 1, 3);
    for (long e = lo; e <= hi && k < 2; ++e) {
        const cPoint& A = *frame(e);
        const cPoint& B = *frame(RingSuccessor(e, lo, n));
        if (LineEquation(A, B, coef)) continue;  // a corner given twice: no edge
        m(1, 1) = line(1);
        m(1, 2) = line(2);
        m(1, 3) = line(3);
        m(2, 1) = coef(1);
        m(2, 2) = coef(2);
        m(2, 3) = coef(3);
        if (SolveLinearSystem(m) != SolveCode::Unique) continue;
        PointRef Q = NewPoint(m(1, 3), m(2, 3));
        if (!OnEdge(*Q, A, B)) continue;
        // a line through a corner meets both edges there: count that crossing once
        if (k == 1 && IsSamePoint(*Q, *hit[0], false)) continue;
        hit[k] = Q;
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

// O lies on M: the line through them has no direction of its own
bool IsOnBoundaryEdge(const cPoint& S, const cPoint& O, const cPoint& M, const cPoint& E) {
    return std::hypot(O.X - M.X, O.Y - M.Y) <= network_tolerance::kSamePoint * std::hypot(E.X - S.X, E.Y - S.Y);
}

}  // namespace

void OuterLineDirection(const cPoint& S, const cPoint& O, const cPoint& M, const cPoint& E, double sign,
                        LineThrough through, double& dx, double& dy) {
    const double nx = -sign * (E.Y - S.Y);
    const double ny = sign * (E.X - S.X);
    dx = nx;
    dy = ny;
    // A Thiessen line is the edge's perpendicular bisector, and it leaves the network outwards
    // whichever side of the edge the circumcentre lies on: its direction is the edge's normal,
    // taken from the edge itself. The direction from the circumcentre to M would lose its
    // digits where the two almost meet (a right angle opposite the edge).
    if (through == LineThrough::Circumcentre || IsOnBoundaryEdge(S, O, M, E)) return;
    dx = M.X - O.X;
    dy = M.Y - O.Y;
    const double outward = dx * nx + dy * ny;
    if (outward >= 0) return;
    // An inner vertex lies inside its triangle, beyond the edge's line only by rounding on a
    // triangle so thin that the line runs along the edge, or where the edge's centre point lies
    // off it (gauges a hair apart moved onto one site): the part of the line across the edge
    // is turned round and its part along the edge kept, so that it leaves the way it points.
    const double n2 = nx * nx + ny * ny;
    dx -= 2 * outward / n2 * nx;
    dy -= 2 * outward / n2 * ny;
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
    const long lo = F.LBound();
    const long n = F.Count();
    long best = 0;
    double bestS = 0;
    for (long k = lo; k <= F.UBound(); ++k) {
        const cPoint& A = *F(k);
        const cPoint& B = *F(lo + ((k - lo + 1) % n));
        const double ex = B.X - A.X, ey = B.Y - A.Y;
        const double cross = dx * ey - dy * ex;
        if (cross == 0) continue;
        const double wx = A.X - origin.X, wy = A.Y - origin.Y;
        const double s = (wx * ey - wy * ex) / cross;
        const double e = (wx * dy - wy * dx) / cross;
        if (s <= 0 || e < -network_tolerance::kOnEdge || e > 1 + network_tolerance::kOnEdge) continue;
        if (best == 0 || s < bestS) {
            best = k;
            bestS = s;
        }
    }
    if (best > 0) {
        exitPoint = cPoint{origin.X + bestS * dx, origin.Y + bestS * dy, 0.0};
        // on a vertical or horizontal edge the exit takes the edge's exact coordinate
        const cPoint& A = *F(best);
        const cPoint& B = *F(lo + ((best - lo + 1) % n));
        if (A.X == B.X) exitPoint.X = A.X;
        if (A.Y == B.Y) exitPoint.Y = A.Y;
    }
    return best;
}

// corners of the outer frame between two crossings, counter-clockwise
void AppendFrameCorners(cPolygon& ring, const PointArray& F, long k1, const cPoint& X1, long k2, const cPoint& X2) {
    const long lo = F.LBound();
    const long n = F.Count();
    auto succ = [lo, n](long k) { return lo + ((k - lo + 1) % n); };
    long c = succ(k1);
    if (k1 == k2) {
        const cPoint& A = *F(k1);
        const cPoint& B = *F(succ(k1));
        const double ahead = (X2.X - X1.X) * (B.X - A.X) + (X2.Y - X1.Y) * (B.Y - A.Y);
        if (ahead >= 0) return;
        for (long v = 0; v < n; ++v, c = succ(c)) ring.Add(F(c)->X, F(c)->Y, F(c)->z);
        return;
    }
    for (; c != succ(k2); c = succ(c)) ring.Add(F(c)->X, F(c)->Y, F(c)->z);
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
        auto along = [&](long s) { return (stations(s)->X - origin.X) * ux + (stations(s)->Y - origin.Y) * uy; };
        std::stable_sort(sites.begin(), sites.end(), [&](long s, long t) { return along(s) < along(t); });
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
                        const cPoint& O2, const cPoint& M2, const cPoint& E2, const PointArray& F,
                        LineThrough through) {
    PointRef X1, X2;
    const long k1 = OuterFrameCrossing(S, O1, M1, E1, F, 1.0, through, X1);
    const long k2 = OuterFrameCrossing(S, O2, M2, E2, F, -1.0, through, X2);
    if (k1 <= 0 || k2 <= 0) return;
    ring.Add(X1->X, X1->Y, X1->z);
    AppendFrameCorners(ring, F, k1, *X1, k2, *X2);
    ring.Add(X2->X, X2->Y, X2->z);
}

PolygonRef NearestSiteCell(const cPoint& S, const std::vector<cPoint>& others, const PointArray& frame) {
    std::vector<cPoint> cell;
    for (const PointRef& corner : frame) cell.push_back(cPoint{corner->X - S.X, corner->Y - S.Y, 0.0});
    for (const cPoint& T : others) {
        const double dx = T.X - S.X, dy = T.Y - S.Y;
        if (dx == 0 && dy == 0) continue;  // the same site
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
