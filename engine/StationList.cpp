#include "engine/StationList.hpp"

#include <set>
#include <sstream>
#include <stdexcept>

namespace kelvarin {
namespace {

// a whole decimal number of the list, or an error naming the item
long ParseStationNumber(const std::string& text, const std::string& item) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        throw std::invalid_argument("\"" + item + "\" is not a station number or a range such as 5-8");
    return std::stol(text);
}

}  // namespace

std::vector<long> ParseStationList(const std::string& list, long stationCount) {
    std::vector<long> numbers;
    if (list == "all") {
        for (long i = 1; i <= stationCount; ++i) numbers.push_back(i);
        return numbers;
    }
    std::set<long> chosen;
    std::stringstream items(list);
    std::string item;
    bool any = false;
    while (std::getline(items, item, ',')) {
        any = true;
        const auto dash = item.find('-');
        const long first = ParseStationNumber(item.substr(0, dash), item);
        const long last = dash == std::string::npos ? first : ParseStationNumber(item.substr(dash + 1), item);
        if (last < first) throw std::invalid_argument("the range \"" + item + "\" runs backwards");
        if (first < 1 || last > stationCount)
            throw std::invalid_argument("station " + std::to_string(first < 1 ? first : last) +
                                        " is out of range: the scene has stations 1 to " +
                                        std::to_string(stationCount));
        for (long i = first; i <= last; ++i) chosen.insert(i);
    }
    if (!any || list.back() == ',') throw std::invalid_argument("\"" + list + "\" names no station");
    return {chosen.begin(), chosen.end()};
}

std::string StationListText(const std::vector<long>& selection) {
    std::string text;
    for (std::size_t i = 0; i < selection.size();) {
        std::size_t j = i;
        while (j + 1 < selection.size() && selection[j + 1] == selection[j] + 1) ++j;
        if (!text.empty()) text += ',';
        text += std::to_string(selection[i]);
        if (j > i) text += (j == i + 1 ? "," : "-") + std::to_string(selection[j]);
        i = j + 1;
    }
    return text;
}

}  // namespace kelvarin
