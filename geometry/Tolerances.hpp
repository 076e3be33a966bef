#pragma once
// Every tolerance of the geometry toolkit, in one place.

namespace kelvarin {

// Two numbers (or coordinates) are almost equal within one part in 10^9 of the larger
// magnitude: map coordinates of hundreds of thousands of metres keep about 7 significant
// digits below the metre, so 1e-9 absorbs the rounding of one line crossing without
// merging points that are a millimetre apart.
constexpr double kRelativeTolerance = 1e-9;

// A basin whose area is below this share of its bounding box's area is taken as
// having no area: vertices that are collinear up to rounding give such a sliver,
// while any real basin fills well over a tenth of its box.
constexpr double kZeroAreaShare = 1e-9;

// A winding-angle sum below this (radians) means the point is outside; angle sums are
// built from atan of rounded ratios, so a closed walk around an outside point leaves
// a residue far below 0.01.
constexpr double kWindingZero = 0.01;

// A sum strictly between these bounds (2*PI -+ 0.01, written as the decimals the angle
// constants use) is one full turn: the point is inside.
constexpr double kWindingFullTurnLow = 6.27318530717958;
constexpr double kWindingFullTurnHigh = 6.29318530717958;

// An edge whose ends are seen from a point within this angle (radians) of opposite directions
// runs through that point. Crossing points carry rounding errors of about 1e-16 of their
// coordinates; seen from a vertex a few centimetres away at map coordinates that is well
// below 1e-9 radians, while a point visibly off the edge turns the view by far more.
constexpr double kOnEdgeAngle = 1e-9;

// Two corners of a piece of a ring intersection closer than this part of the extent where
// the pieces lie are written as one. The intersection is decided exactly and only its
// crossing points are rounded, by a few units of the last bit, so 1e-12 leaves a wide
// margin; true corners that close (edges crossing at a hair's angle) are not worth a
// piece's edge, and moving a corner by so little changes its area by far less than one
// part in 10^9.
constexpr double kMeetingTolerance = 1e-12;

// ...but never below a few units of the last bit of the coordinates themselves: a point
// computed on an edge far from the map origin (a cell vertex on the frame) is off the edge
// by that much.
constexpr double kCoordinateRounding = 4.0 * 2.220446049250313e-16;

}  // namespace kelvarin
