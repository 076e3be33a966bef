#pragma once
// Points and rings for the hand-made geometry cases.

#include "geometry/modGISTools.hpp"

namespace kelvarin::testing {

inline cPoint P(double x, double y, double z = 0.0) { return cPoint{x, y, z}; }

// the axis-parallel rectangle from (x0, y0) to (x1, y1), counter-clockwise when x0 < x1 and
// y0 < y1, as a PointArray from 1
inline PointArray Box(double x0, double y0, double x1, double y1) {
    PointArray a(1, 0);
    a.Append(NewPoint(x0, y0));
    a.Append(NewPoint(x1, y0));
    a.Append(NewPoint(x1, y1));
    a.Append(NewPoint(x0, y1));
    return a;
}

}  // namespace kelvarin::testing
