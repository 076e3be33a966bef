#pragma once
// Exact planar decisions: on which side of a line, and inside which circle, a point
// lies, decided exactly for the double coordinates given.
//
// Each test first evaluates its determinant in double precision with a bound on the
// rounding error; only when the value lies within that bound (a near-tie, an exact tie,
// or magnitudes where the bound does not hold) is the determinant evaluated again in
// exact integer arithmetic. The answer is therefore the sign of the determinant of the
// real numbers the doubles stand for, never a rounding artefact. Only X and Y are read.

#include <algorithm>
#include <limits>

#include "model/cPoint.hpp"

namespace kelvarin {

// unit roundoff of double arithmetic, for the error bounds of sums and products of doubles
constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2.0;

// -1, 0 or +1 as v is negative, zero or positive (0 for NaN); the difference of two doubles
// keeps its sign exactly, so comparing differences this way is exact too
inline int Sign(double v) { return (v > 0.0) - (v < 0.0); }

// a and b at the same place (z aside)
inline bool SamePlace(const cPoint& a, const cPoint& b) { return a.X == b.X && a.Y == b.Y; }

// x, known to lie on the line through p and q, lies on the closed segment p-q
inline bool WithinSegment(const cPoint& x, const cPoint& p, const cPoint& q) {
    return std::min(p.X, q.X) <= x.X && x.X <= std::max(p.X, q.X) && std::min(p.Y, q.Y) <= x.Y &&
           x.Y <= std::max(p.Y, q.Y);
}

// +1 when c lies to the left of the directed line a->b (a, b, c counter-clockwise),
// -1 to the right, 0 exactly on the line (or a and b the same point).
// Throws std::domain_error for a coordinate that is not finite.
int Orient2D(const cPoint& a, const cPoint& b, const cPoint& c);

// +1 when d lies strictly inside the circle through a, b and c, -1 strictly outside,
// 0 exactly on it, whatever the order of a, b and c. Throws std::invalid_argument when
// a, b and c lie on one line (they have no circle) and std::domain_error for a
// coordinate that is not finite.
int InCircle(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d);

// +1 when p is nearer to a than to b, -1 when nearer to b, 0 at exactly equal distances
// (p on the perpendicular bisector of a and b, or a and b the same point).
int CloserTo(const cPoint& p, const cPoint& a, const cPoint& b);

// +1 when the direction c->d turns counter-clockwise from the direction a->b (the cross
// product (b - a) x (d - c) is positive), -1 clockwise, 0 when they are parallel or one is
// a zero direction.
int CrossSign(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d);

// Where the line c-d crosses the segment p->q, as the parameter t of p + t (q - p), for a
// segment whose ends lie strictly on opposite sides of the line (so 0 < t < 1). error bounds
// |t - the exact parameter|; t is the exact parameter rounded when the floating-point value
// could be off by more than a few units of its last bit.
struct SegmentCrossing {
    double t;
    double error;
};
SegmentCrossing CrossingParameter(const cPoint& p, const cPoint& q, const cPoint& c, const cPoint& d);

// For two lines c1-d1 and c2-d2 that each cross the segment p->q as above: -1 when the
// first crossing lies nearer to p, +1 when the second does, 0 at the same place.
int CompareCrossings(const cPoint& p, const cPoint& q, const cPoint& c1, const cPoint& d1, const cPoint& c2,
                     const cPoint& d2);

}  // namespace kelvarin
