#pragma once
// Gauge records and areal rainfall as CF-conventions NetCDF station time series
// (featureType "timeSeries"): a station dimension whose stations are named by a variable
// with cf_role "timeseries_id" and placed by coordinate variables, a time dimension whose
// variable has CF units, and a precipitation variable over both, _FillValue where a
// record is missing. Only kelvarin-cli links this.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/RainSource.hpp"

namespace kelvarin {

// Opens a station time series as a source of gauge records; the rows are read in blocks
// of time steps. declaredMissing: numbers that also mean "no record" (texts that are no
// number are ignored: the file holds numbers only). Throws RainFileError naming the file
// and what is missing or unreadable.
std::unique_ptr<RainSource> OpenStationSeries(const std::filesystem::path& file,
                                              const std::vector<std::string>& declaredMissing);

// Creates the areal time series at path (written under that name; target names the file
// in messages): one station per basin, the first named basinName, then one per sub-basin
// (subbasins, in the scene's order), the time copied from the source
// (its values and units where it has them, else its time stamps read as dates), the areal
// rainfall with _FillValue where a row has too few gauges, the number of gauges and the
// selection of every row.
std::unique_ptr<ArealSink> CreateArealSeries(const std::filesystem::path& path, const std::string& target,
                                             const RainSource& source, const std::string& basinName,
                                             const std::vector<std::string>& subbasins = {});

}  // namespace kelvarin
