#pragma once
// A ring that crosses or touches itself as the simple rings it is made of, and which way a
// ring runs.

#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

// +1 when the ring runs counter-clockwise, -1 clockwise, 0 when it encloses nothing. By
// the sign of its area where rounding cannot have made it (a ring that crosses itself by a
// hair runs the way most of its area does); a ring with too little area for that is
// judged by the turn at its lowest leftmost vertex, which is exact for simple rings.
int RingOrientation(const std::vector<cPoint>& ring);

// The counter-clockwise simple rings a ring that crosses or touches itself is made of: it is
// split where it meets itself into two rings, again and again; rings running clockwise (the
// parts it winds round the wrong way) are left out.
std::vector<std::vector<cPoint>> SimpleLoops(const std::vector<cPoint>& ring);

}  // namespace kelvarin
