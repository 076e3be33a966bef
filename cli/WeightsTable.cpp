#include "cli/WeightsTable.hpp"

#include <cstdio>

#include "cli/TextColumns.hpp"

namespace kelvarin {

std::string Number17(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::vector<WeightsRow> WeightsRows(const Scene& scene, const Construction& construction) {
    std::vector<WeightsRow> rows;
    rows.reserve(scene.Stations.size());
    for (std::size_t i = 0; i < scene.Stations.size(); ++i) {
        const SceneStation& source = scene.Stations[i];
        WeightsRow row;
        row.Index = static_cast<long>(i + 1);
        row.Name = source.Name;
        row.Number = source.Number;
        row.X = source.Point.X;
        row.Y = source.Point.Y;
        row.z = source.Point.z;
        rows.push_back(std::move(row));
    }
    for (const StationPart& part : construction.Stations) {
        WeightsRow& row = rows[static_cast<std::size_t>(part.Station - 1)];
        row.Selected = true;
        row.Area = part.Area;
        row.Weight = part.Weight;
    }
    return rows;
}

void WriteWeightsCsv(const std::vector<WeightsRow>& rows, std::ostream& out) {
    out << "index,name,number,x,y,z,selected,area,weight\n";
    for (const WeightsRow& r : rows) {
        out << r.Index << ',' << CsvField(r.Name) << ',' << CsvField(r.Number) << ',' << Number17(r.X) << ','
            << Number17(r.Y) << ',' << Number17(r.z) << ',' << (r.Selected ? 1 : 0) << ','
            << (r.Area ? Number17(*r.Area) : "") << ',' << (r.Weight ? Number17(*r.Weight) : "") << '\n';
    }
}

}  // namespace kelvarin
