#include "cli/ArealRainfall.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unordered_map>

#include "cli/TextColumns.hpp"
#include "engine/StationList.hpp"
#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

// how many rows pass between two progress calls
constexpr long kProgressEvery = 512;

std::string TrimmedText(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// the 1-based stations whose field equals the text
std::vector<long> StationsWith(const std::vector<SceneStation>& stations, const std::string& text,
                               std::string SceneStation::*field) {
    std::vector<long> found;
    for (std::size_t i = 0; i < stations.size(); ++i)
        if (stations[i].*field == text) found.push_back(static_cast<long>(i + 1));
    return found;
}

// one distinct selection: its weights by gauge column (0 where a gauge is not in it)
struct SelectionEntry {
    std::vector<double> ColumnWeights;
    std::vector<bool> InSelection;
    long Gauges = 0;
    std::string Key;
    long Rows = 0;
};

void WriteWeightsTable(const std::vector<SelectionEntry>& entries, const std::vector<std::string>& header,
                       std::ostream& out) {
    out << "selection,gauges,rows";
    for (std::size_t c = 1; c < header.size(); ++c) out << ',' << CsvField(header[c]);
    out << '\n';
    for (const SelectionEntry& entry : entries) {
        out << CsvField(entry.Key) << ',' << entry.Gauges << ',' << entry.Rows;
        for (std::size_t g = 0; g < entry.ColumnWeights.size(); ++g) {
            out << ',';
            if (entry.InSelection[g]) out << ShortestNumber(entry.ColumnWeights[g]);
        }
        out << '\n';
    }
}

}  // namespace

std::vector<long> GaugeColumns(const std::vector<std::string>& header, const std::vector<SceneStation>& stations,
                               const std::string& fileName) {
    std::vector<long> columns;
    std::unordered_map<long, std::size_t> columnOf;  // station -> header column
    for (std::size_t c = 1; c < header.size(); ++c) {
        const std::string name = TrimmedText(header[c]);
        const std::string where = fileName + ": column " + std::to_string(c + 1) + " (" + header[c] + ")";
        if (name.empty()) throw RainFileError(where + ": the header gives this column no gauge");
        std::vector<long> found = StationsWith(stations, name, &SceneStation::Number);
        const char* by = "number";
        if (found.empty()) {
            found = StationsWith(stations, name, &SceneStation::Name);
            by = "name";
        }
        if (found.empty()) throw RainFileError(where + ": no gauge of the scene has this number or name");
        if (found.size() > 1)
            throw RainFileError(where + ": stations " + std::to_string(found[0]) + " and " + std::to_string(found[1]) +
                                " of the scene share this " + by);
        const auto [earlier, fresh] = columnOf.emplace(found[0], c);
        if (!fresh)
            throw RainFileError(where + ": column " + std::to_string(earlier->second + 1) + " (" +
                                header[earlier->second] + ") already holds station " + std::to_string(found[0]));
        columns.push_back(found[0]);
    }
    return columns;
}

std::string ShortestNumber(double value) {
    char text[32];
#if defined(__cpp_lib_to_chars)
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
#else
    // a library without floating-point to_chars: the fewest digits that read back the same
    for (int digits = 1; digits <= 17; ++digits) {
        const int length = std::snprintf(text, sizeof text, "%.*g", digits, value);
        double back = 0.0;
        if (ReadDouble(text, text + length, back).ec == std::errc() && back == value) break;
    }
    return text;
#endif
}

ArealCounts WriteArealRainfall(RainCsvReader& reader, const std::vector<SceneStation>& stations,
                               const ArealSettings& settings, const WeightsOfSelection& weights, std::ostream& out,
                               std::ostream* weightsOut,
                               const std::function<void(std::uintmax_t bytesRead, long rows)>& progress) {
    const std::vector<std::string>& header = reader.Header();
    const std::vector<long> stationOfColumn = GaugeColumns(header, stations, reader.FileName());
    const std::size_t gauges = stationOfColumn.size();
    // the columns in ascending station order, so that a selection lists its stations ascending
    std::vector<std::size_t> byStation(gauges);
    for (std::size_t g = 0; g < gauges; ++g) byStation[g] = g;
    std::sort(byStation.begin(), byStation.end(),
              [&](std::size_t a, std::size_t b) { return stationOfColumn[a] < stationOfColumn[b]; });

    const RainCells cells(settings.Missing);
    std::vector<SelectionEntry> entries;
    std::unordered_map<std::string, std::size_t> entryOf;  // presence pattern ('0'/'1' per gauge column)

    out << CsvField(header[0]) << ",areal_rainfall,gauges,selection\n";
    ArealCounts counts;
    std::vector<std::string> fields;
    std::vector<double> rain(gauges, 0.0);
    std::string pattern(gauges, '0');
    std::vector<long> selection;
    selection.reserve(gauges);
    while (reader.Next(fields)) {
        ++counts.Rows;
        long reported = 0;
        for (std::size_t g = 0; g < gauges; ++g) {
            std::optional<double> value;
            try {
                value = cells.Read(fields[g + 1]);
            } catch (const RainFileError& e) {
                throw RainFileError(reader.Where(g + 1) + ": " + e.what());
            }
            pattern[g] = value ? '1' : '0';
            rain[g] = value.value_or(0.0);
            reported += value ? 1 : 0;
        }
        out << CsvField(fields[0]) << ',';
        auto found = entryOf.find(pattern);
        if (reported >= settings.MinGauges && found == entryOf.end()) {
            selection.clear();
            for (std::size_t g : byStation)
                if (pattern[g] == '1') selection.push_back(stationOfColumn[g]);
            const std::vector<double> selected = weights(selection);
            if (selected.size() != selection.size()) throw std::logic_error("the weights do not match the selection");
            SelectionEntry entry;
            entry.ColumnWeights.assign(gauges, 0.0);
            entry.InSelection.assign(gauges, false);
            for (std::size_t g = 0, k = 0; g < gauges; ++g) {
                const std::size_t column = byStation[g];
                if (pattern[column] == '1') {
                    entry.ColumnWeights[column] = selected[k++];
                    entry.InSelection[column] = true;
                }
            }
            entry.Gauges = reported;
            entry.Key = StationListText(selection);
            found = entryOf.emplace(pattern, entries.size()).first;
            entries.push_back(std::move(entry));
        }
        if (reported >= settings.MinGauges) {
            SelectionEntry& entry = entries[found->second];
            ++entry.Rows;
            double sum = 0.0;
            for (std::size_t g = 0; g < gauges; ++g) sum += entry.ColumnWeights[g] * rain[g];
            out << ShortestNumber(sum) << ',' << reported << ',' << CsvField(entry.Key) << '\n';
        } else {
            selection.clear();
            for (std::size_t g : byStation)
                if (pattern[g] == '1') selection.push_back(stationOfColumn[g]);
            out << ',' << reported << ',' << CsvField(StationListText(selection)) << '\n';
        }
        if (progress && counts.Rows % kProgressEvery == 0) progress(reader.BytesRead(), counts.Rows);
    }
    counts.Selections = static_cast<long>(entries.size());
    if (weightsOut) WriteWeightsTable(entries, header, *weightsOut);
    return counts;
}

}  // namespace kelvarin
