#pragma once
// Where the terrain between two gauges reaches the mean of their heights: the search
// behind every generated centre point, whether the terrain is a formula (the sample
// scene's generator) or a digital elevation model (the GIS import).

#include <functional>
#include <optional>

#include "model/cPoint.hpp"

namespace kelvarin {

// terrain height at a planar position; NaN where the terrain is unknown (outside a
// model, no-data)
using TerrainFunction = std::function<double(double x, double y)>;

// The fraction t of the way from a to b (a + t (b - a)) at which the terrain crosses
// the mean of a.z and b.z, taking of all crossings strictly between 10% and 90% of the
// way the one nearest the midpoint; nothing when there is none. The line is scanned in
// small steps and each sign change refined by bisection; steps that touch unknown
// terrain are passed over.
std::optional<double> BalanceCrossing(const cPoint& a, const cPoint& b, const TerrainFunction& terrain);

}  // namespace kelvarin
