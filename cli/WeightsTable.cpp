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

namespace {

// one row's fields from the index on
void WriteCsvFields(const WeightsRow& r, std::ostream& out) {
    out << r.Index << ',' << CsvField(r.Name) << ',' << CsvField(r.Number) << ',' << Number17(r.X) << ','
        << Number17(r.Y) << ',' << Number17(r.z) << ',' << (r.Selected ? 1 : 0) << ','
        << (r.Area ? Number17(*r.Area) : "") << ',' << (r.Weight ? Number17(*r.Weight) : "") << '\n';
}

}  // namespace

void WriteWeightsCsv(const std::vector<WeightsRow>& rows, std::ostream& out) {
    out << "index,name,number,x,y,z,selected,area,weight\n";
    for (const WeightsRow& r : rows) WriteCsvFields(r, out);
}

double SubbasinWeights::WeightSum() const {
    double sum = 0.0;
    for (const WeightsRow& r : Rows)
        if (r.Weight) sum += *r.Weight;
    return sum;
}

std::vector<SubbasinWeights> SubbasinWeightsTables(const Scene& scene, const Construction& construction) {
    std::vector<SubbasinWeights> tables;
    const std::vector<WeightsRow> whole = WeightsRows(scene, construction);
    for (std::size_t s = 0; s < scene.Subbasins.size(); ++s) {
        SubbasinWeights& table = tables.emplace_back();
        table.Subbasin = scene.Subbasins[s].Name;
        table.Area = scene.Local.Subbasins.at(s).Area;
        table.Rows = whole;
        for (const StationPart& part : construction.Stations) {
            WeightsRow& row = table.Rows[static_cast<std::size_t>(part.Station - 1)];
            row.Area = part.Subbasins.at(s).Area;
            row.Weight = part.Subbasins.at(s).Weight;
        }
    }
    tables.push_back(SubbasinWeights{"*", scene.Local.BasinArea, whole});
    return tables;
}

void WriteSubbasinWeightsCsv(const std::vector<SubbasinWeights>& tables, std::ostream& out) {
    out << "subbasin,index,name,number,x,y,z,selected,area,weight\n";
    for (const SubbasinWeights& table : tables) {
        for (const WeightsRow& r : table.Rows) {
            out << CsvField(table.Subbasin) << ',';
            WriteCsvFields(r, out);
        }
    }
}

}  // namespace kelvarin
