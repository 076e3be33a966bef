#pragma once
// Areal rainfall from gauge records: for every time step, the gauges that have a
// record form the selection, and the basin's rainfall is the sum of their records,
// each times its weight for exactly that selection. The weights of a selection are
// built once and kept (memory grows with the number of distinct selections, never
// with the number of rows); records stream through one row at a time.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/RainCsv.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// the weights of the selected stations (1-based, ascending), in selection order: in the whole
// basin, then, when the settings name sub-basins, in each of them in turn (selection-size
// weights per sub-basin)
using WeightsOfSelection = std::function<std::vector<double>(const std::vector<long>& selection)>;

struct ArealSettings {
    std::vector<std::string> Missing;    // texts that mean "no record", beside empty, NA and NaN
    long MinGauges = 1;                  // rows with fewer records give an empty value
    std::vector<std::string> Subbasins;  // one areal-rainfall column each, after the whole basin's
};

struct ArealCounts {
    long Rows = 0;        // time steps read
    long Selections = 0;  // distinct selections whose weights were needed
};

// The station (1-based index into stations) that each gauge column of the header
// names, for header columns 2, 3, ...: a column is matched by station number first,
// then by station name. Throws RainFileError naming the column when it matches no
// station or several, or when two columns name one station.
std::vector<long> GaugeColumns(const std::vector<std::string>& header, const std::vector<SceneStation>& stations,
                               const std::string& fileName);

// the shortest text that reads back as the same double
std::string ShortestNumber(double value);

// Reads every row of the rain file and writes, to out, one line per row: the time
// stamp as the file gives it, the areal rainfall (empty below MinGauges), then that of
// each sub-basin (headed by its name), the number of gauges used and the selection key. When weightsOut is given it
// receives, at the end, every distinct selection once with every gauge's weight in it. progress, when given, is called
// now and then with the bytes read and the rows done.
ArealCounts WriteArealRainfall(RainCsvReader& reader, const std::vector<SceneStation>& stations,
                               const ArealSettings& settings, const WeightsOfSelection& weights, std::ostream& out,
                               std::ostream* weightsOut,
                               const std::function<void(std::uintmax_t bytesRead, long rows)>& progress = nullptr);

}  // namespace kelvarin
