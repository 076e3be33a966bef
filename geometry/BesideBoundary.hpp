#pragma once
// Rings whose vertices lie beside the other ring's boundary, closer than the winding-angle
// test can resolve: seen from such a vertex, an edge's two ends lie within a hair of
// opposite directions, so the vertex counts as on the edge although it is not, and the
// crossing-and-chain clip would take a vertex outside the other ring for one inside it.

#include "geometry/modGISTools.hpp"

namespace kelvarin {

// The angle (radians) by which a vertex must see an edge of the other ring short of a
// straight line for the clip to rely on angle sums; a thousand times the angle at which
// the winding-angle test takes a point for one on an edge, so rounding of the angles
// themselves cannot bring a vertex across.
constexpr double kBesideBoundaryAngle = 1e-6;

// true when a vertex of A or B sees an edge of the other ring within kBesideBoundaryAngle
// of a straight line without lying on that edge's ends
bool VertexBesideBoundary(const PointArray& A, const PointArray& B);

}  // namespace kelvarin
