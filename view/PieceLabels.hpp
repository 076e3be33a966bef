#pragma once
// The figure's labels of the pieces: each selected gauge's piece in each sub-basin shows the
// gauge's weight in that sub-basin, as a percentage, at a point inside the piece (in a scene
// without sub-basins, each piece shows the gauge's weight in the basin). Pieces too small to
// hold a label legibly are left without one.

#include "engine/Construction.hpp"
#include "model/Surface.hpp"
#include "scene/MapLocal.hpp"

namespace kelvarin {

// A piece gets a label when it covers at least this share of the map shown.
constexpr double kLabelledPieceShare = 2e-4;

// labels the pieces of a construction drawn on the surface, in the surface's text colour
void DrawPieceLabels(Surface& surface, const Construction& construction, const EngineScene& scene);

}  // namespace kelvarin
