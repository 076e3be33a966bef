#pragma once
// Whether two rings touch: a vertex of either lies on the other's boundary, within a tolerance.

#include "geometry/modGISTools.hpp"

namespace kelvarin {

// true when a vertex of either ring lies on the other ring's boundary (within tolerance)
bool RingsTouch(const PointArray& A, const PointArray& B, double tolerance);

}  // namespace kelvarin
