// Whole-ring operations: area, edges holding a point, an interior point,
// orientation fix, boxes and frames, the grid origin, same-point test.

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "geometry/ModMathTools.hpp"
#include "geometry/Tolerances.hpp"
#include "geometry/modGISTools.hpp"

namespace kelvarin {
namespace {

// |difference| relative to the larger magnitude, 0 when exactly equal
double RelativeDifference(double a, double b) {
    if (a == b) return 0.0;
    return std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
}

}  // namespace

// vertex references of a ring as an array 1..Count (the same point objects)
PointArray RingToArray(const cPolygon& ring) {
    PointArray pts(1, 0);
    for (const auto& vertex : ring) pts.Append(vertex);
    return pts;
}

// shoelace area, whatever the orientation
double PolygonArea(const cPolygon& ring) {
    const long n = ring.Count();
    double sum = 0.0;
    for (long i = 1; i <= n; ++i) {
        const long j = RingSuccessor(i, 1, n);
        const cPoint& pi = *ring(i);
        const cPoint& pj = *ring(j);
        sum += Determinant2(pi.X, pj.X, pi.Y, pj.Y);
    }
    return std::fabs(sum) / 2.0;
}

// index of the first edge whose line holds P; 0 when none
long FindEdgeOfPoint(const cPoint& P, const cPolygon& ring) {
    const long n = ring.Count();
    for (long i = 1; i <= n; ++i) {
        const long j = (i % n) + 1;
        if (IsPointOnLine(P, *ring(i), *ring(j))) return i;
    }
    return 0;
}

// index of the first edge whose line holds P; LBound - 1 when none
long FindEdgeOfPointInArray(const cPoint& P, const PointArray& pts) {
    const long lo = pts.LBound();
    const long n = pts.Count();
    for (long i = lo; i <= pts.UBound(); ++i) {
        const long j = lo + ((i - lo + 1) % n);
        if (IsPointOnLine(P, *pts(i), *pts(j))) return i;
    }
    return lo - 1;
}

// sets pt to a point inside the ring and returns its winding angle; 0 for fewer than 3 vertices
double InteriorPoint(const cPolygon& ring, cPoint& pt) {
    pt.X = 0.0;
    pt.Y = 0.0;
    const PointArray pts = RingToArray(ring);
    const long n = pts.Count();
    double w = 0.0;
    if (n > 3) {
        for (long i = 1; i <= n; ++i) {
            const long j = ((i + 1) % n) + 1;
            pt.X = (pts(j)->X + pts(i)->X) / 2.0;
            pt.Y = (pts(j)->Y + pts(i)->Y) / 2.0;
            w = WindingAngle(pt, pts);
            if (w != 0.0) break;
        }
    } else if (n == 3) {
        pt.X = (pts(1)->X + pts(2)->X + pts(3)->X) / 3.0;
        pt.Y = (pts(1)->Y + pts(2)->Y + pts(3)->Y) / 3.0;
        w = WindingAngle(pt, pts);
    }
    return w;
}

// reverses the vertex order by moving values; the point objects stay in place
void ReverseRing(cPolygon& ring) {
    const long n = ring.Count();
    cPoint temporary;
    for (long i = 1; i <= n / 2; ++i) {
        cPoint& front = *ring(i);
        cPoint& back = *ring(n + 1 - i);
        CopyPoint(temporary, front);
        CopyPoint(front, back);
        CopyPoint(back, temporary);
    }
}

// per-coordinate maximum and minimum (X, Y and z) of the points
void BoundingBox(const PointArray& pts, cPoint& maxPt, cPoint& minPt) {
    if (pts.Empty()) throw std::invalid_argument("BoundingBox: the point array is empty");
    CopyPoint(maxPt, *pts(pts.LBound()));
    CopyPoint(minPt, *pts(pts.LBound()));
    for (long i = pts.LBound() + 1; i <= pts.UBound(); ++i) {
        const cPoint& p = *pts(i);
        if (p.X > maxPt.X) {
            maxPt.X = p.X;
        } else if (p.X < minPt.X) {
            minPt.X = p.X;
        }
        if (p.Y > maxPt.Y) {
            maxPt.Y = p.Y;
        } else if (p.Y < minPt.Y) {
            minPt.Y = p.Y;
        }
        if (p.z > maxPt.z) {
            maxPt.z = p.z;
        } else if (p.z < minPt.z) {
            minPt.z = p.z;
        }
    }
}

// rectOut = 1..4 new corners of the bounding box widened by factor, counter-clockwise from upper right
void EnclosingRectangle(const PointArray& ptsIn, PointArray& rectOut, double factor) {
    cPoint maxPt, minPt;
    BoundingBox(ptsIn, maxPt, minPt);
    const double dX = (maxPt.X - minPt.X) * (factor - 1.0);
    const double dY = (maxPt.Y - minPt.Y) * (factor - 1.0);
    maxPt.X += dX;
    maxPt.Y += dY;
    minPt.X -= dX;
    minPt.Y -= dY;
    rectOut.ReDim(1, 4);
    rectOut(1) = NewPoint(maxPt.X, maxPt.Y);
    rectOut(2) = NewPoint(minPt.X, maxPt.Y);
    rectOut(3) = NewPoint(minPt.X, minPt.Y);
    rectOut(4) = NewPoint(maxPt.X, minPt.Y);
}

// the enclosing rectangle of the enclosing rectangle, both with the frame factor
void ExpandRectangleTwice(PointArray& pts) {
    PointArray once;
    EnclosingRectangle(pts, once, kFrameFactor);
    EnclosingRectangle(once, pts, kFrameFactor);
}

// a round-number point at or below the lower-left corner (3) of the rectangle
PointRef GridOrigin(const PointArray& rect) {
    // the size of the rectangle on each axis: corner 1 is the upper right, corner 3 the lower left
    const double extentX = std::fabs(rect(1)->X - rect(3)->X);
    const double extentY = std::fabs(rect(1)->Y - rect(3)->Y);
    const double unitX = 10.0 * PowerOfTen(extentX, true);
    const double unitY = 10.0 * PowerOfTen(extentY, true);
    return NewPoint(std::floor(rect(3)->X / unitX) * unitX, std::floor(rect(3)->Y / unitY) * unitY);
}

// the line through P in the direction angle
bool LineByAngle(const cPoint& P, double angle, LineCoefficients& coef) {
    const cPoint Q{P.X + std::cos(angle), P.Y + std::sin(angle), 0.0};
    return LineEquation(P, Q, coef);
}

// X, Y and z equal (exactly, or each within one part in 10^9)
bool IsSamePoint(const cPoint& A, const cPoint& B, bool exact) {
    const double rX = RelativeDifference(A.X, B.X);
    const double rY = RelativeDifference(A.Y, B.Y);
    const double rZ = RelativeDifference(A.z, B.z);
    if (exact) return rX == 0.0 && rY == 0.0 && rZ == 0.0;
    return rX <= kRelativeTolerance && rY <= kRelativeTolerance && rZ <= kRelativeTolerance;
}

}  // namespace kelvarin
