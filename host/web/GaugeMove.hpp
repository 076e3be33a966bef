#pragma once
// A gauge dragged on the web page's map: the scene with one gauge at a new place. Each of
// its pairs' centre points keeps its fraction along the pair's segment and its share of
// the segment's length off the line, so a height-balance construction follows the gauge
// as the terrain between the two would.

#include <memory>

#include "scene/Scene.hpp"

namespace kelvarin {

// the 0-based place of pair (a, b), a < b (1-based gauges of n), in the centre-point list
// (1,2), (1,3), ..., (1,n), (2,3), ..., (n-1,n)
std::size_t CenterPointIndex(long a, long b, long n);

// the scene with gauge `station` (1-based) at map-local (x, y), its file coordinates moved
// with it; the scene itself when that is where the gauge stands
std::shared_ptr<const Scene> MovedGauge(const std::shared_ptr<const Scene>& scene, long station, double x, double y);

}  // namespace kelvarin
