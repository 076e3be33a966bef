#pragma once
// Exact planar decisions: on which side of a line, and inside which circle, a point
// lies, decided exactly for the double coordinates given.
//
// Each test first evaluates its determinant in double precision with a bound on the
// rounding error; only when the value lies within that bound (a near-tie, an exact tie,
// or magnitudes where the bound does not hold) is the determinant evaluated again in
// exact integer arithmetic. The answer is therefore the sign of the determinant of the
// real numbers the doubles stand for, never a rounding artefact. Only X and Y are read.

#include "model/cPoint.hpp"

namespace kelvarin {

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

// How many decisions of this thread fell back to exact arithmetic (for tests and benchmarks).
long ExactFallbackCount();

}  // namespace kelvarin
