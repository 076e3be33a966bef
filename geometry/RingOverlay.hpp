#pragma once
// The ring intersection, for rings in any position: crossing, touching (shared vertices,
// overlapping edges, vertices lying on the other ring's edges) or apart. Both boundaries
// are cut at every point where they meet, each stretch is kept or dropped by where it
// lies, and the kept stretches are walked into rings; every one of these decisions is
// exact for the coordinates given. A ring that is not simple is first split into the simple
// rings it is made of (geometry/RingLoops).

#include "geometry/modGISTools.hpp"

namespace kelvarin {

// the distance below which two corners of a piece of A ∩ B count as one: a tiny part of the
// extent both rings' boxes cover (where the pieces lie), and never below the rounding of the
// coordinates there; 0 when the boxes do not meet
double MeetingTolerance(const PointArray& A, const PointArray& B);

// A ∩ B as pieces 1..count (new open rings running like A); pieces untouched when count is 0
long OverlayClip(PolygonArray& pieces, const PointArray& A, const PointArray& B);

}  // namespace kelvarin
