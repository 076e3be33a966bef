#pragma once
// Whether a ring is simple: no edge meets another except where neighbours share a vertex.
// The one finder of the places where a ring meets itself, for the scene checks, the
// overlay's splitting of rings that are not simple and the tests of the polygons built.

#include <cstddef>
#include <optional>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

// Two edges of a ring that meet where they must not. Edge k runs from vertex k to
// vertex k + 1 (the last edge back to vertex 1); numbers are 1-based, as in the file.
struct RingCrossing {
    std::size_t First = 0;                    // the edge with the lower number
    std::size_t Second = 0;                   // the other edge
    std::size_t FirstEnd = 0, SecondEnd = 0;  // the vertex each edge runs to
};

// Both finders below skip repeated consecutive vertices and a last vertex repeating the
// first (they add no edge), find the pairs of edges that share a point by one sweep along X,
// and decide exactly for the given doubles.

// Where a ring is not simple: the first neighbours (in ring order) that fold back over each
// other, else the first pair of other edges that cross, touch or overlap as the sweep comes
// to them (the pair whose later left end lies furthest left); nullopt for a simple ring.
std::optional<RingCrossing> FindRingCrossing(const std::vector<cPoint>& ring);

// The lowest-numbered pair of edges that are not neighbours and cross, touch or overlap (the
// lowest First, then the lowest Second); nullopt when there is none. Neighbours that fold
// back over each other are not looked at.
std::optional<RingCrossing> FindEdgeMeeting(const std::vector<cPoint>& ring);

}  // namespace kelvarin
