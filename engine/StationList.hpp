#pragma once
// A selection of stations as text: "all", or 1-based station numbers in file order with
// ranges, such as 1,3,5-8. The command line and the URLs of the web page read it; the
// areal-rainfall tables and the construction check's messages write it.

#include <string>
#include <vector>

namespace kelvarin {

// the chosen station numbers, ascending and without repeats; throws std::invalid_argument
// naming the item that is not a number, a range that runs backwards or a number out of range
std::vector<long> ParseStationList(const std::string& list, long stationCount);

// ascending station numbers as the list text, runs of three or more as ranges ("1-4,6,8,9"):
// ParseStationList reads it back; "" for an empty selection
std::string StationListText(const std::vector<long>& selection);

}  // namespace kelvarin
