#pragma once
// Dividing the frame by straight split lines: the two-station split of both methods and
// the strips given to stations that all lie on one straight line.

#include <functional>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"
#include "network/OuterRays.hpp"

namespace kelvarin {

// The frame (counter-clockwise corners) cut by the line a*x + b*y = c (line(1..3)) into two
// counter-clockwise rings of new points: firstRing on the side that `first` lies on (the
// crossings ordered counter-clockwise as seen from `first`), secondRing on the other side.
// Returns false and leaves both rings empty when the line does not cross the frame twice.
bool SplitFrameByLine(const PointArray& frame, const cPoint& first, const LineCoefficients& line, cPolygon& firstRing,
                      cPolygon& secondRing);

// The edge k of the axis-parallel frame F that the ray from origin (strictly inside F) in
// direction (dx, dy) leaves by, decided exactly, and the exit point; an exit through a corner is
// by the edge that starts there. 0 when the origin is not inside or F not such a rectangle.
long RayFrameExit(const cPoint& origin, double dx, double dy, const PointArray& F, cPoint& exitPoint);

// What the outer boundary line of a hull edge passes through besides the point M on the
// edge: the circumcentre of the edge's triangle (a Thiessen perpendicular bisector) or the
// inner vertex of its triangle of centre points (height-balance).
enum class LineThrough { Circumcentre, InnerVertex };

// Crossing of a station's outer boundary line, through O and M (the point on the boundary
// edge from the station S to its neighbour E), with the outer frame F: returns the frame edge
// (0 when none) and the crossing in Q. sign +1 takes the crossing counter-clockwise of the
// boundary edge as seen from S, -1 the clockwise one. A line through a circumcentre is cut
// with each frame edge in turn; where no edge qualifies (a crossing exactly at a corner) or O
// lies on M, and always for a line through an inner vertex, the crossing is where the ray from
// M in the direction OuterLineDirection gives leaves the frame. Cutting a line with a frame
// edge far away loses the tilt of a line that runs almost along an axis; the ray keeps it.
long OuterFrameCrossing(const cPoint& S, const cPoint& O, const cPoint& M, const cPoint& E, const PointArray& F,
                        double sign, LineThrough through, PointRef& Q);

// The edges of a station network that belong to one triangle only, each from a station to the
// next one counter-clockwise around the network.
struct BoundaryEdge {
    cPoint From, To;
};
using NetworkBoundary = std::vector<BoundaryEdge>;

// whether the ray from origin in direction (dx, dy) meets the segment P-Q, its origin included;
// decided exactly
bool RayMeetsSegment(const cPoint& origin, double dx, double dy, const cPoint& P, const cPoint& Q);

// The direction (not of unit length) in which the outer boundary line through O and M leaves
// the network across the boundary edge from S to E (sign as for OuterFrameCrossing). A line
// through a circumcentre is the edge's perpendicular bisector: the edge's outward normal,
// whichever side of the edge the circumcentre lies on. A line through an inner vertex runs from
// O towards M where O lies on the network's side of the edge, at least kThinSide of the edge's
// length from its line, and that direction leaves across the edge (both decided exactly);
// otherwise (a triangle too thin to give its hull edge a side, or a centre point off the edge
// by more than the triangle is wide) it is the edge's outward normal as well. The rings and
// their later repair both follow it, so that they agree.
//
// Where hull triangles too thin to keep were left out, the network's boundary has pockets, and
// a line through an inner vertex that leaves its edge at a shallow angle can run across a pocket
// and back into the network over another boundary edge. Given the network's boundary, such a line
// (one that meets any boundary edge but its own, decided exactly) leaves square to its edge too.
void OuterLineDirection(const cPoint& S, const cPoint& O, const cPoint& M, const cPoint& E, double sign,
                        LineThrough through, double& dx, double& dy, const NetworkBoundary& boundary = {});

// Appends copies of the corners of the outer frame F met when walking counter-clockwise
// along it from a crossing on edge k1 (from F(k1) to its successor) to a crossing on edge k2.
// With both crossings on one edge the walk takes no corner, or all four (once around) when the
// second lies behind the first.
void AppendFrameCorners(cPolygon& ring, const PointArray& F, long k1, long k2, bool secondBehindFirst);

// The part of the convex frame nearer to S than to each of the other sites, cut bisector by
// bisector (measured from S); an empty ring when nothing is left.
PolygonRef NearestSiteCell(const cPoint& S, const std::vector<cPoint>& others, const PointArray& frame);

// the ring cut by the frame when that leaves exactly one piece (an empty ring when the piece
// is missing); otherwise the ring as it is
PolygonRef ClipToFrame(const PolygonRef& ring, const PointArray& frame);

// every station that shares its site with an earlier one (site(i) != i) gets a copy of that
// station's ring
void CopySiteRings(PolygonArray& polygons, const Array1<long>& site);

// Appends the outer stretch of an open fan at station S: the crossing of the first boundary
// line (from M1, away from O1, at the edge to E1) with the outer frame F, the corners walked to
// the crossing of the second boundary line (M2, O2, E2), and that crossing. Appends nothing
// when either line finds no crossing. The lines pass through circumcentres or inner vertices
// (with the network's boundary, as OuterLineDirection takes it).
void AppendOuterStretch(cPolygon& ring, const cPoint& S, const cPoint& O1, const cPoint& M1, const cPoint& E1,
                        const cPoint& O2, const cPoint& M2, const cPoint& E2, const PointArray& F, LineThrough through,
                        const NetworkBoundary& boundary = {});
// the same for two rays of a table: where the first leaves F, the corners walked to where the
// second leaves it, and that exit; nothing when either finds no exit
void AppendOuterStretch(cPolygon& ring, const OuterRays& rays, OuterRays::Id first, OuterRays::Id second,
                        const PointArray& F);

// the point the split line between two neighbouring stations passes through
using SplitPointFunction = std::function<cPoint(const cPoint& A, const cPoint& B)>;

// Two stations: the frame split by the line through splitPoint(S1, S2), perpendicular to the
// pair; polygons(lo) gets the half on the first station's side, polygons(hi) the other half
// (both empty rings when the line misses the frame). Two stations at one place are one site:
// each gets a copy of the whole frame (the caller shares the area between them), and
// splitPoint is not asked.
void TwoStationSplit(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                     const SplitPointFunction& splitPoint);

// a new ring with copies of the corners
PolygonRef RingOf(const PointArray& corners);

// Stations whose distinct sites all lie on one straight line (or are fewer than three):
// polygons(i) (same bounds as stations) receives station i's strip of the frame, bounded by
// the split lines (perpendicular to the stations' line, through splitPoint of each pair of
// neighbouring sites). Stations at one site get copies of the same strip; a single site gets
// the whole frame. Every entry receives a new ring (an empty one where no strip remains).
void BuildCollinearStrips(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                          const SplitPointFunction& splitPoint);

}  // namespace kelvarin
