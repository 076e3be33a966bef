#pragma once
// The station triangle table by the search that defines it: every triple of sites in
// lexicographic order, taken when no site lies strictly inside its circumcircle and it overlaps
// no triangle taken before. Time grows with the cube of the number of sites; BuildTriangleNetwork
// gives the same table from the Delaunay subdivision, and the tests hold it to this one.

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

// the table of BuildTriangleNetwork, by the exhaustive search; throws std::domain_error for
// three sites or more when a coordinate is not finite
long BuildTriangleNetworkExhaustive(const PointArray& stations, Array2<PointRef>& triangles);

}  // namespace kelvarin
