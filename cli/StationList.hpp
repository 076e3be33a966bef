#pragma once
// The --stations argument shared by the commands: "all", or 1-based station numbers
// in file order with ranges, such as 1,3,5-8.

#include <stdexcept>
#include <string>
#include <vector>

namespace kelvarin {

class StationListError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// the chosen station numbers, ascending and without repeats; throws StationListError
std::vector<long> ParseStationList(const std::string& list, long stationCount);

}  // namespace kelvarin
