#pragma once
// The ring intersection for rings that touch: shared vertices, overlapping edges,
// vertices lying on the other ring's edges. Both boundaries are cut at every point
// where they meet, each stretch is kept or dropped by where it lies, and the kept
// stretches are walked into rings.

#include "geometry/modGISTools.hpp"

namespace kelvarin {

// the distance below which two places of the rings A and B count as one: a tiny part of
// their extent, and never below the rounding of their coordinates
double MeetingTolerance(const PointArray& A, const PointArray& B);

// true when a vertex of either ring lies on the other ring's boundary (within tolerance)
bool RingsTouch(const PointArray& A, const PointArray& B, double tolerance);

// A ∩ B as pieces 1..count (new open rings running like A); pieces untouched when count is 0
long OverlayClip(PolygonArray& pieces, const PointArray& A, const PointArray& B);

}  // namespace kelvarin
