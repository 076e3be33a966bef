#pragma once
// The double-precision stage of the exact predicates: each determinant evaluated in doubles
// with Shewchuk's first-stage bound on its rounding error, and whether that settles its
// sign. Inline, so that the triangulation's inner loops decide almost every case without a
// call; what is not settled here goes to the exact predicates (geometry/Predicates.hpp).

#include <cmath>

#include "geometry/Predicates.hpp"
#include "model/cPoint.hpp"

namespace kelvarin::predicate_filter {

// relative error bounds of the double-precision determinants
constexpr double kOrientBound = (3.0 + 16.0 * kUnitRoundoff) * kUnitRoundoff;
constexpr double kInCircleBound = (10.0 + 96.0 * kUnitRoundoff) * kUnitRoundoff;

// The bounds hold only while no product overflows or loses digits to underflow. Coordinate
// differences between these magnitudes keep every product of up to four of them inside the
// normal range of doubles; anything else goes to exact arithmetic.
constexpr double kSmallestDifference = 1e-60;
constexpr double kLargestDifference = 1e60;

// true when a difference is 0 or of a magnitude the error bounds hold for (false for NaN and
// infinities)
inline bool InRange(double d) {
    const double m = std::abs(d);
    return m <= kLargestDifference && (m == 0.0 || m >= kSmallestDifference);
}

// The sign of Orient2D(a, b, c) from doubles; certain tells whether the bound settles it.
inline int Orientation(const cPoint& a, const cPoint& b, const cPoint& c, bool& certain) {
    const double acx = a.X - c.X, bcy = b.Y - c.Y, acy = a.Y - c.Y, bcx = b.X - c.X;
    certain = false;
    if (!(InRange(acx) && InRange(bcy) && InRange(acy) && InRange(bcx))) return 0;
    const double left = acx * bcy, right = acy * bcx;
    const double det = left - right;
    const double bound = kOrientBound * (std::abs(left) + std::abs(right));
    if (det > bound || -det > bound) {
        certain = true;
        return (det > 0.0) - (det < 0.0);
    }
    if (left == 0.0 && right == 0.0) {  // no rounding at all: an exact zero
        certain = true;
        return 0;
    }
    return 0;
}

// The sign of the in-circle determinant of a, b, c and d from doubles (+1 when d lies inside
// the circle for a, b, c counter-clockwise); certain tells whether the bound settles it.
inline int InCircleDeterminant(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d, bool& certain) {
    const double adx = a.X - d.X, ady = a.Y - d.Y, bdx = b.X - d.X, bdy = b.Y - d.Y, cdx = c.X - d.X, cdy = c.Y - d.Y;
    certain = false;
    if (!(InRange(adx) && InRange(ady) && InRange(bdx) && InRange(bdy) && InRange(cdx) && InRange(cdy))) return 0;
    const double bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
    const double cdxady = cdx * ady, adxcdy = adx * cdy;
    const double adxbdy = adx * bdy, bdxady = bdx * ady;
    const double alift = adx * adx + ady * ady;
    const double blift = bdx * bdx + bdy * bdy;
    const double clift = cdx * cdx + cdy * cdy;
    const double det = alift * (bdxcdy - cdxbdy) + blift * (cdxady - adxcdy) + clift * (adxbdy - bdxady);
    const double permanent = (std::abs(bdxcdy) + std::abs(cdxbdy)) * alift +
                             (std::abs(cdxady) + std::abs(adxcdy)) * blift +
                             (std::abs(adxbdy) + std::abs(bdxady)) * clift;
    const double bound = kInCircleBound * permanent;
    if (det > bound || -det > bound) {
        certain = true;
        return (det > 0.0) - (det < 0.0);
    }
    return 0;
}

}  // namespace kelvarin::predicate_filter
