#pragma once
// The Delaunay subdivision of distinct sites in O(n log n): divide and conquer over a
// quad-edge mesh, every decision taken by the exact predicates. Sites exactly on one
// empty circle make one face of the subdivision, however the mesh happened to cut it.

#include <array>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

struct DelaunaySubdivision {
    std::vector<std::array<long, 3>> triangles;  // faces of three sites, each triple ascending
    std::vector<bool> counterClockwise;          // for each triangle: its ascending sites run counter-clockwise
    std::vector<std::vector<long>> cocircular;   // faces of four or more sites on one circle, ascending
};

// The faces of the Delaunay subdivision of the sites P (indices into P; no two sites at the
// same X and Y; finite coordinates). Sites all on one line, or fewer than three, give no face.
DelaunaySubdivision DelaunayFaces(const std::vector<const cPoint*>& P);

}  // namespace kelvarin
