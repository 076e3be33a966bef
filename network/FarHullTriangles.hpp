#pragma once
// Hull triangles of the station triangle network whose circumcentre lies far out: a triangle
// of three sites almost on one line has its circumcentre very far away, and the outer frame
// the open rings are closed along must not stretch out to it.

#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

// The outer frame for closing open rings: the frame and every circumcentre within
// kFarCentre frame extents of it, enlarged by kFrameFactor. Hull triangles whose circumcentre lies
// outside it are taken out of the table (repeatedly, as taking one out bares others), so
// that every remaining circumcentre lies inside it. Returns the new triangle count.
long DropFarHullTriangles(Array2<PointRef>& triangles, const PointArray& frame, PointArray& outer);
// The same in two steps: the outer frame and which triangles stay (kept[t - 1] for column t;
// returns how many), then the table without the others (returns the new triangle count).
long FarHullTriangles(const Array2<PointRef>& triangles, const PointArray& frame, PointArray& outer,
                      std::vector<bool>& kept);
long DropTriangles(Array2<PointRef>& triangles, const std::vector<bool>& kept);
// Which triangles stay when far hull triangles go only while what stays is one piece with no
// pinch: a far triangle (circumcentre beyond the outer frame found as above) goes when exactly
// one of its edges lies on the network's boundary, that edge is its longest (decided exactly)
// and its third corner lies inside, so that the boundary moves over that corner (repeatedly, as
// each one taken out bares others). Returns how many stay.
long FarHullTrianglesKeepingOnePiece(const Array2<PointRef>& triangles, const PointArray& frame,
                                     std::vector<bool>& kept);

}  // namespace kelvarin
