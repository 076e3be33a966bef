#include "cli/HmsGageWeights.hpp"

#include <cstdio>
#include <string>

namespace kelvarin {

namespace {

std::string Weight(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", kHmsWeightDecimals, value);
    return text;
}

}  // namespace

void WriteHmsGageWeights(const std::vector<SubbasinWeights>& tables, std::ostream& out) {
    bool first = true;
    for (const SubbasinWeights& table : tables) {
        if (table.Subbasin == "*") continue;
        if (!first) out << '\n';
        first = false;
        out << "Subbasin: " << table.Subbasin << '\n';
        for (const WeightsRow& row : table.Rows) {
            // a gauge whose cell misses the sub-basin has no part in it
            if (!row.Weight || !(*row.Weight > 0.0)) continue;
            out << "     Depth Weight " << row.Name << ": " << Weight(*row.Weight) << '\n';
            out << "     Time Weight " << row.Name << ": " << Weight(*row.Weight) << '\n';
        }
        out << "End:\n";
    }
}

}  // namespace kelvarin
