#pragma once
// The weights of one construction as a table of every station in file order, and that
// table as the CSV of `kelvarin-cli weights --format csv`, which the web page's download
// gives too: header index,name,number,x,y,z,selected,area,weight, numbers to 17 digits.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// one station row of the result
struct WeightsRow {
    long Index = 0;  // 1-based, file order
    std::string Name, Number;
    double X = 0, Y = 0, z = 0;  // the file's coordinates
    bool Selected = false;
    std::optional<double> Area, Weight;  // selected stations only
};

// every station in file order, with the construction's area and weight for the selected ones
std::vector<WeightsRow> WeightsRows(const Scene& scene, const Construction& construction);

// full double precision, as the CSV promises
std::string Number17(double value);

// the header line and one line per row
void WriteWeightsCsv(const std::vector<WeightsRow>& rows, std::ostream& out);

}  // namespace kelvarin
