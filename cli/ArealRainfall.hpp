#pragma once
// Areal rainfall from gauge records: for every time step, the gauges that have a
// record form the selection, and the basin's rainfall is the sum of their records,
// each times its weight for exactly that selection. Records stream through in blocks
// of rows; the distinct selections of a block that are not cached yet are weighed on
// every core given, and the rows are written in order, so that the output is the same
// byte for byte whatever the number of cores. The weights of at most a stated number
// of selections stay cached (the least recently used go first); the distinct
// selections themselves are remembered as one bit per gauge.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/RainCsv.hpp"
#include "cli/RainSource.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// the weights of the selected stations (1-based, ascending), in selection order: in the whole
// basin, then, for a scene with sub-basins, in each sub-basin in turn (a selection's worth
// each). Called from several threads at once, so it must give the same weights for the same
// selection.
using WeightsOfSelection = std::function<std::vector<double>(const std::vector<long>& selection)>;

struct ArealSettings {
    long MinGauges = 1;                // rows with fewer records give an empty value
    long From = 1;                     // the first data row written (1: the row after the header)
    long To = 0;                       // the last one (0: to the end)
    int Jobs = 1;                      // threads that weigh selections
    std::size_t CachedSelections = 0;  // the most selections whose weights stay cached (0: as many as fit kCacheBytes)
    std::size_t Subbasins = 0;         // sub-basins weighed beside the whole basin
};

// the memory the cached weights may take when no count is given
constexpr std::size_t kCacheBytes = std::size_t{32} << 20U;

struct ArealCounts {
    long Rows = 0;             // time steps written
    long Selections = 0;       // distinct selections whose weights were needed
    long Built = 0;            // weights built (cache misses)
    long Hits = 0;             // rows whose selection's weights were cached
    std::size_t CacheCap = 0;  // the most selections cached at once
};

// the shortest text that reads back as the same double
std::string ShortestNumber(double value);

// Reads the rows of the source (those from settings.From to settings.To) and gives the
// sink one areal value per row (and one per sub-basin); stationOfColumn is the scene station of each gauge column
// (the source's MatchStations). When weightsOut is given it receives, at the end, every
// distinct selection once with every gauge's weight in it. progress, when given, is called
// now and then with the source's progress and the rows done.
ArealCounts WriteArealRainfall(RainSource& source, const std::vector<long>& stationOfColumn,
                               const ArealSettings& settings, const WeightsOfSelection& weights, ArealSink& sink,
                               std::ostream* weightsOut,
                               const std::function<void(std::uintmax_t done, long rows)>& progress = nullptr);

class SelectionWeights;

// The whole road from a CSV reader to CSV text on one thread, as the web page takes it:
// the columns matched against the scene's stations, the weights' base set to them, the
// rows of settings written to out, with a column per sub-basin of the weights' scene.
ArealCounts WriteArealRainfallCsv(RainCsvReader& reader, const std::vector<SceneStation>& stations,
                                  const std::vector<std::string>& declaredMissing, const ArealSettings& settings,
                                  SelectionWeights& weights, std::ostream& out, std::ostream* weightsOut);

}  // namespace kelvarin
