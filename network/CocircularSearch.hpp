#pragma once
// The triangles of sites that all lie on one empty circle (a face of four or more sites of
// the Delaunay subdivision), taken as the station triangle table takes them.

#include <array>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

// A triangle found for the table: its sites (ascending) and circumcentre.
struct FoundTriangle {
    std::array<long, 3> sites;
    cPoint centre;
    int turn = 0;  // +1 when the sites in this order run counter-clockwise, -1 clockwise, 0 not known
};

// Appends the triangles of one face of sites on one circle (indices into P, ascending): every
// triple of them in lexicographic order, unless it overlaps one taken before.
void SearchOnCircle(const std::vector<long>& face, const std::vector<const cPoint*>& P,
                    std::vector<FoundTriangle>& found);

}  // namespace kelvarin
