#pragma once
// What areal rainfall is computed from and written to: a source of gauge records row by
// row (a CSV file, a NetCDF station time series) and a sink of areal values (a CSV
// table, a NetCDF time series).

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Scene.hpp"

namespace kelvarin {

// A rain file that cannot be read; the message names the file, row and column.
class RainFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// one time step as a record source gives it
struct RainRow {
    std::string Time;           // the time as text, as the CSV output shows it
    double TimeValue = 0.0;     // the time variable's value (sources with time units)
    std::vector<double> Rain;   // per gauge column; 0 where there is no record
    std::vector<char> Present;  // per gauge column: 1 where there is a record
};

// Where the gauge records come from: a CSV file, or a NetCDF station time series.
class RainSource {
  public:
    virtual ~RainSource() = default;
    virtual const std::string& FileName() const = 0;
    // the name of the time column (the header's first field, or the time variable's name)
    virtual std::string TimeName() const = 0;
    // CF units and calendar of TimeValue, empty for a source whose time is text
    virtual std::string TimeUnits() const { return {}; }
    virtual std::string Calendar() const { return {}; }
    // the gauge columns' names as the file gives them
    virtual const std::vector<std::string>& GaugeNames() const = 0;
    // the scene station (1-based) of each gauge column; throws RainFileError naming a
    // gauge that matches no station or several, or two gauges that name one station
    virtual std::vector<long> MatchStations(const std::vector<SceneStation>& stations) const = 0;
    // the next row, false at the end; Skip passes over one without reading its records
    virtual bool Next(RainRow& row) = 0;
    virtual bool Skip() = 0;
    // how far the reading has come, of Size() (for progress)
    virtual std::uintmax_t Done() const = 0;
    virtual std::uintmax_t Size() const = 0;
};

// Where the areal rainfall goes: one call per row, in order.
class ArealSink {
  public:
    virtual ~ArealSink() = default;
    // value: empty below the least number of gauges; subbasins: the value of each sub-basin
    // of the scene, in its order (empty with value); selection: the "1,3,5-8" text
    virtual void Row(const RainRow& row, std::optional<double> value, const std::vector<double>& subbasins, long gauges,
                     const std::string& selection) = 0;
    // everything written; throws when it could not be
    virtual void Finish() = 0;
};

// The station (1-based index into stations) that each gauge (0-based) names, matched by
// station number first, then by station name. Throws RainFileError naming the file and
// the gauge (as label(gauge) says, such as "column 3 (KV02)") when it matches no station
// or several, or when two gauges name one station.
std::vector<long> MatchGaugeNames(const std::vector<std::string>& names, const std::vector<SceneStation>& stations,
                                  const std::string& fileName, const std::function<std::string(std::size_t)>& label);

}  // namespace kelvarin
