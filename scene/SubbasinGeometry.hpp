#pragma once
// Sub-basins as the clip cuts them: every ring held once as the clip's points with its box
// and area, and the area two regions of parts and holes have in common, each ring pair cut
// by the exact clip. A region is its parts less their holes: a hole lies inside its part's
// outer ring, and neither parts nor holes overlap, so the area of a region inside another
// ring is the sum over parts of (part ∩ ring) less the sum over holes of (hole ∩ ring).

#include <vector>

#include "geometry/modGISTools.hpp"
#include "scene/MapLocal.hpp"

namespace kelvarin {

// a ring ready to be cut
struct PreparedRing {
    PointArray Points;
    Box Bounds;
    double Area = 0.0;
};

PreparedRing PrepareRing(const std::vector<cPoint>& ring);

// one part ready to be cut: its outer ring and its holes
struct PreparedPart {
    PreparedRing Shell;
    std::vector<PreparedRing> Holes;
};

// a region of parts with holes ready to be cut
struct PreparedRegion {
    std::vector<PreparedPart> Parts;
    Box Bounds;
    double Area = 0.0;  // its parts' areas less their holes'
};

PreparedRegion PrepareRegion(const std::vector<LocalPart>& parts);

// A ∩ B as pieces 1..count (none, pieces untouched, when their boxes are apart)
long CutRings(PolygonArray& pieces, const PreparedRing& a, const PreparedRing& b);

// the area of A ∩ B
double CommonArea(const PreparedRing& a, const PreparedRing& b);
// the area a region has inside a ring
double CommonArea(const PreparedRegion& region, const PreparedRing& ring);
// the area two regions have in common
double CommonArea(const PreparedRegion& a, const PreparedRegion& b);

}  // namespace kelvarin
