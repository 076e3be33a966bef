#pragma once
// The --stations argument shared by the commands: "all", or 1-based station numbers
// in file order with ranges, such as 1,3,5-8.

#include <string>
#include <vector>

#include "cli/UsageError.hpp"

namespace kelvarin {

// the chosen station numbers, ascending and without repeats; throws UsageError
std::vector<long> ParseStationList(const std::string& list, long stationCount);

}  // namespace kelvarin
