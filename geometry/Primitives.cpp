// Planar predicates and measures: tolerant comparison, lines, boxes, segment
// crossings, angles and the winding angle of a point about a ring.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "geometry/ModMathTools.hpp"
#include "geometry/Tolerances.hpp"
#include "geometry/modGISTools.hpp"

namespace kelvarin {

// exactly equal, or within one part in 10^9 of the larger magnitude
bool IsAlmostEqual(double a, double b) {
    if (a == b) return true;
    const double r = std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
    // written so that a NaN ratio (infinite or NaN operands) is not almost equal
    return r <= kRelativeTolerance;
}

// the exact text of each verdict
std::string_view ToString(Verdict verdict) {
    switch (verdict) {
        case Verdict::L1Point:
            return "L1Point";
        case Verdict::L2Point:
            return "L2Point";
        case Verdict::lineError:
            return "lineError";
        case Verdict::NoAns:
            return "NoAns";
        case Verdict::In:
            return "In";
        case Verdict::Out:
            return "Out";
        case Verdict::NoLimit:
            return "NoLimit";
        case Verdict::UnKnown:
            return "UnKnown";
    }
    return "UnKnown";
}

// coefficients of the line through P1 and P2, scaled near 1; true (coef untouched) for one point
bool LineEquation(const cPoint& P1, const cPoint& P2, LineCoefficients& coef) {
    if (P1.X == P2.X && P1.Y == P2.Y && P1.z == P2.z) return true;
    double a = P2.Y - P1.Y;
    double b = P1.X - P2.X;
    double s = 0.0;
    bool scaled = true;
    if (a != 0.0 && b != 0.0) {
        s = TenToThe(std::floor((Log10(std::fabs(a)) + Log10(std::fabs(b))) / 2.0));
    } else if (a != 0.0) {
        s = TenToThe(std::floor(Log10(std::fabs(a))));
    } else if (b != 0.0) {
        s = TenToThe(std::floor(Log10(std::fabs(b))));
    } else {
        scaled = false;  // same X and Y, different z: no direction to scale
    }
    if (scaled) {
        a = a / s;
        b = b / s;
    }
    coef.ReDim(1, 3);
    coef(1) = a;
    coef(2) = b;
    coef(3) = a * P1.X + b * P1.Y;
    return false;
}

// P on the infinite line through A and B
bool IsPointOnLine(const cPoint& P, const cPoint& A, const cPoint& B) {
    LineCoefficients coef(1, 3);
    LineEquation(A, B, coef);
    const double a = coef(1), b = coef(2), c = coef(3);
    if (a == 0.0 && b == 0.0) {
        // A and B at one place: the "line" is that place
        return IsAlmostEqual(P.X, A.X) && IsAlmostEqual(P.Y, A.Y);
    }
    const double v = a * P.X + b * P.Y;
    if (c == 0.0) {
        // a line through the origin: the residual against the size of its own terms
        return std::fabs(v - c) <= kRelativeTolerance * (std::fabs(a * P.X) + std::fabs(b * P.Y));
    }
    return std::fabs(1.0 - v / c) <= kRelativeTolerance;
}

// closed range on an axis where A <= B, open range where A > B
bool IsPointInBox(const cPoint& P, const cPoint& A, const cPoint& B) {
    const bool inX = (P.X >= A.X) != (P.X > B.X);
    const bool inY = (P.Y >= A.Y) != (P.Y > B.Y);
    return inX && inY;
}

// snaps P onto a vertical or horizontal segment A-B when almost on it, then IsPointInBox
bool IsPointInSegmentBox(cPoint& P, const cPoint& A, const cPoint& B) {
    const bool snapX = IsAlmostEqual(A.X, B.X) && IsAlmostEqual(P.X, A.X);
    const bool snapY = IsAlmostEqual(A.Y, B.Y) && IsAlmostEqual(P.Y, A.Y);
    if (snapX) P.X = A.X;
    if (snapY) P.Y = A.Y;
    // a snapped coordinate lies on the segment by construction; the open range of a segment
    // running towards smaller values would otherwise leave out its own first end
    const bool inX = snapX || ((P.X >= A.X) != (P.X > B.X));
    const bool inY = snapY || ((P.Y >= A.Y) != (P.Y > B.Y));
    return inX && inY;
}

// crossing of the lines P1-P2 and P3-P4; ptOut is a new point for In and Out
Verdict SegmentIntersection(const cPoint& P1, const cPoint& P2, const cPoint& P3, const cPoint& P4, PointRef& ptOut) {
    LineCoefficients line1, line2;
    if (LineEquation(P1, P2, line1)) return Verdict::L1Point;
    if (LineEquation(P3, P4, line2)) return Verdict::L2Point;

    Array2<double> m(1, 2, 1, 3);
    for (long c = 1; c <= 3; ++c) {
        m(1, c) = line1(c);
        m(2, c) = line2(c);
    }
    switch (SolveLinearSystem(m)) {
        case SolveCode::WrongShape:
            return Verdict::lineError;
        case SolveCode::NoSolution:
            return Verdict::NoAns;
        case SolveCode::Infinite:
            return Verdict::NoLimit;
        case SolveCode::Unique:
            break;
        default:
            return Verdict::UnKnown;
    }

    ptOut = NewPoint(m(1, 3), m(2, 3));
    // a crossing with a vertical or horizontal segment takes that segment's exact coordinate
    if (P1.X != P2.X) {
        if (P3.X == P4.X) ptOut->X = P3.X;
    } else {
        ptOut->X = P1.X;
    }
    if (P1.Y != P2.Y) {
        if (P3.Y == P4.Y) ptOut->Y = P3.Y;
    } else {
        ptOut->Y = P1.Y;
    }
    if (IsPointInSegmentBox(*ptOut, P1, P2) && IsPointInSegmentBox(*ptOut, P3, P4)) return Verdict::In;
    return Verdict::Out;
}

// copies X, Y and z
void CopyPoint(cPoint& dst, const cPoint& src) {
    dst.X = src.X;
    dst.Y = src.Y;
    dst.z = src.z;
}

// distance counting the z difference too
double PointDistance(const cPoint& P, const cPoint& Q) {
    const double dx = P.X - Q.X, dy = P.Y - Q.Y, dz = P.z - Q.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// a*d - b*c
double Determinant2(double a, double b, double c, double d) { return a * d - b * c; }

// direction of P->Q in [0, 2*PI)
double DirectionAngle(const cPoint& P, const cPoint& Q) {
    const double dx = Q.X - P.X;
    const double dy = Q.Y - P.Y;
    double angle = 0.0;
    if (dx == 0.0) {
        angle = HALF_PI;
        if (dy < 0.0) angle = angle + PI;
    } else {
        angle = std::atan(dy / dx);
        if (dx < 0.0) {
            angle = angle + PI;
        } else if (dy < 0.0) {
            angle = angle + TWO_PI;
        }
    }
    return angle;
}

// signed turn from P->A to P->B in [-PI, PI]; positive is counter-clockwise
double SweepAngle(const cPoint& P, const cPoint& A, const cPoint& B) {
    double d = DirectionAngle(P, B) - DirectionAngle(P, A);
    if (d > PI) {
        d = d - TWO_PI;
    } else if (d < -PI) {
        d = d + TWO_PI;
    }
    return d;
}

// quadrant flags of V around P: 1 left, 2 below, 65536 same X, 131072 same Y
long QuadrantCode(const cPoint& P, const cPoint& V) {
    long code = 0;
    if (V.X < P.X) {
        code += 1;
    } else if (V.X == P.X) {
        code += 65536;
    }
    if (V.Y < P.Y) {
        code += 2;
    } else if (V.Y == P.Y) {
        code += 131072;
    }
    return code;
}

// 0 outside, +-2*PI inside (sign = ring orientation), another sum on the boundary; 0 for no vertices
double WindingAngle(const cPoint& P, const PointArray& pts) {
    if (pts.Empty()) return 0.0;
    const long lo = pts.LBound();
    const long hi = pts.UBound();
    const long n = hi - lo + 1;
    auto successor = [&](long i) { return lo + ((i - lo + 1) % n); };

    long anchor = lo;
    long anchorCode = QuadrantCode(P, *pts(lo));
    double sum = 0.0;
    for (long i = lo; i <= hi; ++i) {
        const long nxt = successor(i);
        const long code = QuadrantCode(P, *pts(nxt));
        if (code == anchorCode) {
            if (i == hi) sum += SweepAngle(P, *pts(anchor), *pts(nxt));
        } else {
            if (anchor != i) sum += SweepAngle(P, *pts(anchor), *pts(i));
            anchor = nxt;
            // an edge running through P turns by half a circle either way; it adds nothing, so a
            // point on the boundary sums to about +-PI whatever way the rounding fell
            const double step = SweepAngle(P, *pts(i), *pts(nxt));
            if (std::fabs(step) < PI - kOnEdgeAngle) sum += step;
            anchorCode = code;
        }
    }

    if (std::fabs(sum) < kWindingZero) return 0.0;
    if (std::fabs(sum) > kWindingFullTurnLow && std::fabs(sum) < kWindingFullTurnHigh)
        return sum > 0.0 ? TWO_PI : -TWO_PI;
    return sum;
}

}  // namespace kelvarin
