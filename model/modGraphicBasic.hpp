#pragma once
// Drawing helpers shared by the layers, the map window and the method drivers.

#include <string_view>

#include "model/Color.hpp"
#include "model/Surface.hpp"
#include "model/cPolygon.hpp"

namespace kelvarin {

// prints text at (x, y) with the given alignment flags (TextAlign)
void DrawText(Surface& surface, double x, double y, std::string_view text, int alignment);

// draws a ring closed: one segment per edge, the last vertex joined to the first
void DrawRing(Surface& surface, const cPolygon& ring, ColorRef color);

}  // namespace kelvarin
