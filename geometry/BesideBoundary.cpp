#include "geometry/BesideBoundary.hpp"

#include <algorithm>
#include <cmath>

namespace kelvarin {

namespace {

// a vertex of self beside an edge of other
bool AnyVertexBeside(const PointArray& self, const PointArray& other, double reach) {
    Box otherBox;
    for (const auto& p : other) otherBox.Add(*p);
    otherBox = otherBox.Widened(reach);
    const long lo = other.LBound(), n = other.Count();
    for (const auto& v : self) {
        const cPoint& P = *v;
        if (!otherBox.Holds(P)) continue;
        for (long j = lo; j <= other.UBound(); ++j) {
            const cPoint& a = *other(j);
            const cPoint& b = *other(lo + ((j - lo + 1) % n));
            if (!Box::Of(a, b).Widened(reach).Holds(P)) continue;
            // measured from P, so that map coordinates lose no digits
            const double ax = a.X - P.X, ay = a.Y - P.Y, bx = b.X - P.X, by = b.Y - P.Y;
            const double ra = std::hypot(ax, ay), rb = std::hypot(bx, by);
            if (ra == 0.0 || rb == 0.0) continue;  // P is an end: the clip handles shared vertices
            // P sees the edge short of a straight line by the angle between a-P and P-b
            const double cross = ax * by - ay * bx, dot = ax * bx + ay * by;
            if (dot < 0.0 && std::fabs(cross) <= kBesideBoundaryAngle * ra * rb) return true;
        }
    }
    return false;
}

}  // namespace

bool VertexBesideBoundary(const PointArray& A, const PointArray& B) {
    if (A.Empty() || B.Empty()) return false;
    Box both;
    for (const PointArray* ring : {&A, &B})
        for (const auto& p : *ring) both.Add(*p);
    // a vertex beside an edge lies within this distance of the edge's box
    const double reach = kBesideBoundaryAngle * std::max(both.maxX - both.minX, both.maxY - both.minY);
    return AnyVertexBeside(A, B, reach) || AnyVertexBeside(B, A, reach);
}

}  // namespace kelvarin
