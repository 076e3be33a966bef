#pragma once
// Tolerances of the station networks, in one place.

namespace kelvarin::network_tolerance {

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

// A hull triangle gives its hull edge a side, and the height-balance boundary line of the edge
// its direction (from the triangle's inner vertex through the edge's centre point), only where
// the inner vertex lies farther inside than this fraction of the edge's length from the edge's
// line. Closer, the direction is set by where the centre points fall and how they were rounded
// (a centre point may lie 1e-3 of its pair's distance off their line, and a row of gauges
// surveyed to the centimetre is a row of slivers), and the line leaves square to the edge.
constexpr double kThinSide = 1e-3;

}  // namespace kelvarin::network_tolerance
