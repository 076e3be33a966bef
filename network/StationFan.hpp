#pragma once
// The triangles that meet at one station, in counter-clockwise order, and where they open.

#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

struct StationFan {
    Array1<long> fan;  // 1..count: triangle columns with the station as a corner
    Array1<long> vtx;  // 1..count: the row (1..3) of the station in that triangle
    long count = 0;
    long j0 = 0;  // the fan position after which the fan opens; 0 for a closed fan
};

// number of filled triangle columns of a table (0 for the single empty column)
long TriangleCount(const Array2<PointRef>& tri);

// The fan of the station at S (corners equal to S in X, Y and z), sorted by the direction
// from S to the corner following it, and its first gap.
StationFan FindStationFan(const cPoint& S, const Array2<PointRef>& tri);

}  // namespace kelvarin
