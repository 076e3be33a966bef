#pragma once
// The triangles that meet at one station, in counter-clockwise order, and where they open.

#include <vector>

#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

struct StationFan {
    Array1<long> fan;  // 1..count: triangle columns with the station as a corner
    Array1<long> vtx;  // 1..count: the row (1..3) of the station in that triangle
    long count = 0;
    long j0 = 0;  // the fan position after which the fan opens; 0 for a closed fan
};

// The row (1..3) of the corner after and before the corner in `row`, going counter-clockwise
// round a triangle of a table. (A centre-point table holds in each row the centre point of
// the edge from that row's corner to the corner after it.)
inline long RowAfter(long row) { return row % 3 + 1; }
inline long RowBefore(long row) { return (row + 1) % 3 + 1; }

// number of filled triangle columns of a table (0 for the single empty column)
long TriangleCount(const Array2<PointRef>& tri);

// The fan of the station at S (corners equal to S in X, Y and z), sorted by the direction
// from S to the corner following it, and its first gap.
StationFan FindStationFan(const cPoint& S, const Array2<PointRef>& tri);

// The fans of every station of one table: the corners sorted once by position, so that each
// fan costs its own size, not a pass over the table. Holds a reference to the table, which
// must outlive it and stay unchanged.
class StationFanIndex {
  public:
    explicit StationFanIndex(const Array2<PointRef>& tri);
    // the same fan as FindStationFan(S, tri)
    StationFan Fan(const cPoint& S) const;

  private:
    struct Corner {
        double X, Y, z;
        long t, v;
    };
    const Array2<PointRef>& tri_;
    std::vector<Corner> corners_;  // by X, Y, z; each position's triangles in table order
};

}  // namespace kelvarin
