#pragma once
// The intersection of two rings by the crossing walk: the boundaries' crossings cut both
// rings into chains, the stretches of each boundary inside the other, and the chains are
// joined from crossing to crossing into pieces. Its crossings come from line equations
// (SegmentIntersection) and its joins from IsSamePoint, so it holds only for rings in general
// position: rings that touch or nearly touch defeat it. ClipPolygons cuts by the exact
// overlay (geometry/RingOverlay) instead; the walk is kept as the reference the tests judge.

#include <optional>

#include "geometry/modGISTools.hpp"

namespace kelvarin {

// every crossing ("In") of an edge of A with an edge of B, in the order A's edge, then B's
// edge: X the crossing points, idxA and idxB the edges (resized to 1..count); returns count
long FindCrossings(const PointArray& A, const PointArray& B, PointArray& X, Array1<long>& idxA, Array1<long>& idxB);
// the stretches of A's boundary inside B as chains 1..count, each from one crossing to the
// next; idx holds the crossings' edges of A; returns count
long ExtractInsideChains(const PointArray& A, const PointArray& B, PolygonArray& chains, const PointArray& X,
                         const Array1<long>& idx);
// appends to ring the chain of chains 1..n that continues it at endPt (forwards or reversed),
// moves that chain past n and moves endPt on; true when the ring is closed at startPt
bool JoinChain(long& n, const cPoint& startPt, PointRef& endPt, PolygonArray& chains, cPolygon& ring);

// A ∩ B by the crossing walk, for rings in general position: pieces 1..count (new open rings
// running like A), pieces untouched when count is 0. Empty (pieces untouched) when the
// crossings do not pair up.
std::optional<long> WalkClip(PolygonArray& pieces, const PointArray& A, const PointArray& B);

}  // namespace kelvarin
