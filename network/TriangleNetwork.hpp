#pragma once
// The station triangle network both weighting methods start from: the Delaunay
// triangulation of the station positions by the empty-circumcircle test.

#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
// the table's users take its far hull triangles out with these

namespace kelvarin {

// circumcentre of P1, P2, P3 into centre (X, Y); radius > 0, -1 when there is no unique
// centre (collinear, two points coincide), -2 when all three coincide (centre untouched)
double GetCircumCircle(cPoint& centre, const cPoint& P1, const cPoint& P2, const cPoint& P3);

// Triangle table: rows 0..3 by columns 1..T; row 0 the circumcentre (z = 0), rows 1..3 new
// copies of the corner stations, counter-clockwise; triangles in lexicographic order of their
// station index triples. With no triangle the table has one empty column and T = 0.
// Stations at the same X and Y count as one site (the first of them is used). A candidate
// that overlaps an accepted triangle (stations exactly on one circle) is not accepted, so the
// table is always a triangulation of the sites' convex hull.
// The triangles are found from the Delaunay subdivision in O(n log n); sites exactly on one
// circle are searched among themselves (network/CocircularSearch). The table is the one the
// exhaustive search of network/ExhaustiveTriangleSearch defines. Three sites or more with a
// coordinate that is not finite are refused with std::domain_error.
long BuildTriangleNetwork(const PointArray& stations, Array2<PointRef>& triangles);

// for each station (same bounds) the index of the first station at the same X and Y
Array1<long> SiteIndex(const PointArray& stations);

// the stations' distinct sites: the first station of each, in station order
std::vector<const cPoint*> DistinctSites(const PointArray& stations);

// Column t of a table: the circumcentre (z = 0), then new copies of the corners
// counter-clockwise, the first corner in row 1. turn is the corners' orientation in the
// order given when it is known already (+1 counter-clockwise, -1 clockwise), 0 when not.
void FillTriangleColumn(Array2<PointRef>& triangles, long t, const cPoint& centre, const cPoint& first,
                        const cPoint& second, const cPoint& third, int turn = 0);

}  // namespace kelvarin
