#pragma once
// The station triangle network both weighting methods start from: the Delaunay
// triangulation of the station positions by the empty-circumcircle test.

#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"

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
// circle are searched among themselves as below.
long BuildTriangleNetwork(const PointArray& stations, Array2<PointRef>& triangles);

// The same table by the search that defines it: every triple of sites in lexicographic order,
// taken when no site lies strictly inside its circumcircle and it overlaps no triangle taken
// before. Time grows with the cube of the number of sites; the reference for the tests.
long BuildTriangleNetworkExhaustive(const PointArray& stations, Array2<PointRef>& triangles);

// The outer frame for closing open rings: the frame and every circumcentre within
// kFarCentre frame extents of it, enlarged by kFrameFactor. Hull triangles whose circumcentre lies
// outside it are taken out of the table (repeatedly, as taking one out bares others), so
// that every remaining circumcentre lies inside it. Returns the new triangle count.
long DropFarHullTriangles(Array2<PointRef>& triangles, const PointArray& frame, PointArray& outer);
// The same in two steps: the outer frame and which triangles stay (kept[t - 1] for column t;
// returns how many), then the table without the others (returns the new triangle count).
long FarHullTriangles(const Array2<PointRef>& triangles, const PointArray& frame, PointArray& outer,
                      std::vector<bool>& kept);
long DropTriangles(Array2<PointRef>& triangles, const std::vector<bool>& kept);

// for each station (same bounds) the index of the first station at the same X and Y
Array1<long> SiteIndex(const PointArray& stations);

}  // namespace kelvarin
