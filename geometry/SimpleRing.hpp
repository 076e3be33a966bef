#pragma once
// Whether a ring is simple: no edge meets another except where neighbours share a vertex.

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

// The first pair of edges (in order of the lower edge's left end) that cross, touch,
// or overlap, or neighbours that fold back over each other; nullopt for a simple
// ring. Repeated consecutive vertices and a last vertex repeating the first are
// skipped: they add no edge. Decisions are exact for the given doubles.
std::optional<RingCrossing> FindRingCrossing(const std::vector<cPoint>& ring);

}  // namespace kelvarin
