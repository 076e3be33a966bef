#pragma once
// The weights of one construction as a table of every station in file order, and that
// table as the CSV of `kelvarin-cli weights --format csv`, which the web page's download
// gives too: header index,name,number,x,y,z,selected,area,weight, numbers to 17 digits.
// With --per-subbasin, one such table per sub-basin and one for the whole basin ("*"), as
// one CSV whose first column names the sub-basin.

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

// the stations' areas and weights in one sub-basin, or in the whole basin
struct SubbasinWeights {
    std::string Subbasin;  // its name; "*" for the whole basin
    double Area = 0.0;     // its area, squared map units
    std::vector<WeightsRow> Rows;
    double WeightSum() const;
};

// every sub-basin in file order, then the whole basin as "*"
std::vector<SubbasinWeights> SubbasinWeightsTables(const Scene& scene, const Construction& construction);

// header subbasin,index,name,number,x,y,z,selected,area,weight and one line per sub-basin and station
void WriteSubbasinWeightsCsv(const std::vector<SubbasinWeights>& tables, std::ostream& out);

// full double precision, as the CSV promises
std::string Number17(double value);

// the header line and one line per row
void WriteWeightsCsv(const std::vector<WeightsRow>& rows, std::ostream& out);

}  // namespace kelvarin
