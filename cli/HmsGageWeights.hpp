#pragma once
// The gauge-weights precipitation block of a HEC-HMS meteorologic model file (.met), as its
// "Gage Weights" method keeps it: one "Subbasin: NAME" block per sub-basin, in the scene's
// order, each listing the gauges that weigh in it by their names in the scene, with a depth
// weight (the gauge's share of the sub-basin) and a time weight (the share of its record in
// the sub-basin's time pattern, here the same), each to ten decimals, and closed by "End:":
//
//   Subbasin: Upper Creek
//        Depth Weight KV01: 0.6250000000
//        Time Weight KV01: 0.6250000000
//        ...
//   End:

#include <ostream>
#include <vector>

#include "cli/WeightsTable.hpp"

namespace kelvarin {

// decimals of every weight written
constexpr int kHmsWeightDecimals = 10;

// the blocks of the sub-basins' tables (the whole basin's, "*", is no sub-basin and left out)
void WriteHmsGageWeights(const std::vector<SubbasinWeights>& tables, std::ostream& out);

}  // namespace kelvarin
