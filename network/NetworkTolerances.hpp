#pragma once
// Tolerances of the station networks, in one place.

namespace kelvarin::network_tolerance {

// An outer boundary line is drawn through the inner vertex O of a hull triangle and the
// point M on the hull edge. When O lies within this fraction of the edge's length from M
// (a right angle opposite the edge puts the circumcentre on it), the direction O->M is
// rounding noise, and the edge's own normal is used instead. Real directions come from
// distances many orders of magnitude larger.
constexpr double kSamePoint = 1e-9;

// A ray that leaves the frame exactly through a corner gives a crossing a rounding error
// beyond either edge's end; positions along an edge within this fraction of its length
// past its ends still count as on it.
constexpr double kOnEdge = 1e-12;

// The exhaustive triangle search first rejects triples with a quick closed-form circumcircle. A triple
// counts as rejected there only when a site is nearer to the quick centre than (1 - 1e-6)
// times its radius, and only when every angle of the triangle has a sine of at least 1e-6:
// then the quick centre is within about 1e-10 of the radius of the full computation's, far
// inside that margin, so the quick look never rejects a triple the full test would keep.
constexpr double kQuickInside = 1e-6;
constexpr double kQuickSine = 1e-6;

// Pairs of sites that cannot be a triangle side are found from the range of circle centres
// along their bisector (parameter t, in units of the pair's distance) that other sites
// leave empty. A site within kEdgeSide (squared pair distance) of the pair's line is not
// used, since it bounds t only loosely; the ranges must miss each other by more than
// kEdgeMargin * (1 + t^2), far more than rounding can move them for the sites that are used.
constexpr double kEdgeSide = 1e-3;
constexpr double kEdgeMargin = 1e-6;

// A triangle of three sites almost on one line has its circumcentre very far away. The
// outer frame the open rings are closed along takes in only circumcentres within this many
// frame extents of the frame: farther ones would stretch it so far that crossings with it
// lose the digits the weights need. A hull triangle whose circumcentre lies beyond the
// outer frame so found is left out of the rings: its three cells meet only out there,
// and inside the outer frame they are bounded by the bisectors of its two short sides,
// which the open fans of its corners follow.
constexpr double kFarCentre = 100.0;

// The repair of crossed height-balance polygons meets outer boundary lines. A meeting counts as
// ahead of a line's origin only beyond this fraction of the outer frame's size: meetings closer
// than that are rounding noise at a shared origin.
constexpr double kAhead = 1e-12;

// Two boundary lines (unit directions) whose cross product is below this are parallel: the
// sine of their angle is then under 1e-14, where a meeting would lie beyond any frame.
constexpr double kParallel = 1e-14;

}  // namespace kelvarin::network_tolerance
