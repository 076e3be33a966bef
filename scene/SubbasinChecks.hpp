#pragma once
// The rules a scene's sub-basins must keep, checked once the scene is on the map: every ring
// within the coordinate range, with area, and simple; the rings of one sub-basin crossing
// none of the others; each hole inside its part's outer ring; and no overlap, between the
// parts and holes of one sub-basin, between two sub-basins, or beyond the basin outline, of
// more than the overlap share of their area. Each problem is one line naming the sub-basin(s),
// the ring and a vertex.

#include <vector>

#include "scene/Scene.hpp"

namespace kelvarin {

// every problem of the scene's sub-basins, each with its line (File is left empty)
std::vector<SceneProblem> CheckSubbasins(const Scene& scene);

}  // namespace kelvarin
