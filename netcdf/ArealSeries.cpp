// The areal rainfall as a NetCDF time series: one station per basin, the whole basin first,
// then each sub-basin.

#include <netcdf.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "netcdf/CfTime.hpp"
#include "netcdf/StationSeries.hpp"

namespace kelvarin {
namespace {

// rows kept before they are written together
constexpr std::size_t kBufferRows = 1024;
constexpr const char* kTextTimeUnits = "minutes since 1970-01-01 00:00:00";

class ArealSeriesSink : public ArealSink {
  public:
    ArealSeriesSink(const std::filesystem::path& path, std::string target, const RainSource& source,
                    std::vector<std::string> basinNames)
        : target_(std::move(target)),
          source_(source.FileName()),
          units_(source.TimeUnits()),
          names_(std::move(basinNames)) {
        Check(nc_create(path.string().c_str(), NC_CLOBBER | NC_NETCDF4, &id_), "cannot be created");
        Define(source);
    }
    ~ArealSeriesSink() override {
        if (id_ >= 0) nc_close(id_);
    }
    ArealSeriesSink(const ArealSeriesSink&) = delete;
    ArealSeriesSink& operator=(const ArealSeriesSink&) = delete;

    void Row(const RainRow& row, std::optional<double> value, const std::vector<double>& subbasins, long gauges,
             const std::string& selection) override {
        double time = row.TimeValue;
        if (units_.empty()) {
            const auto seconds = SecondsOfTimeStamp(row.Time);
            if (!seconds)
                throw RainFileError(source_ + ": data row " + std::to_string(written_ + times_.size() + 1) +
                                    ": the time \"" + row.Time +
                                    "\" is no date such as 2024-01-01 05:00, which a NetCDF output needs");
            time = static_cast<double>(*seconds) / 60.0;
        }
        times_.push_back(time);
        // every basin of a row shares its gauges and selection
        for (std::size_t b = 0; b < names_.size(); ++b) {
            values_.push_back(!value ? NC_FILL_DOUBLE : b == 0 ? *value : subbasins.at(b - 1));
            gauges_.push_back(static_cast<int>(gauges));
            selections_.push_back(selection);
        }
        if (times_.size() == kBufferRows) Flush();
    }

    void Finish() override {
        Flush();
        const int id = id_;
        id_ = -1;
        Check(nc_close(id), "cannot be written");
    }

  private:
    void Check(int status, const std::string& what) const {
        if (status != NC_NOERR) throw std::runtime_error(target_ + ": " + what + " (" + nc_strerror(status) + ")");
    }
    void Text(int var, const char* name, const std::string& text) {
        Check(nc_put_att_text(id_, var, name, text.size(), text.c_str()), "cannot be written");
    }

    void Define(const RainSource& source) {
        int timeDim = 0, basinDim = 0;
        Check(nc_def_dim(id_, "time", NC_UNLIMITED, &timeDim), "cannot be written");
        Check(nc_def_dim(id_, "basin", names_.size(), &basinDim), "cannot be written");
        Text(NC_GLOBAL, "Conventions", "CF-1.8");
        Text(NC_GLOBAL, "featureType", "timeSeries");
        Text(NC_GLOBAL, "title", "areal rainfall of " + names_.front());
        Text(NC_GLOBAL, "source", "kelvarin-cli areal from " + source.FileName());
        Check(nc_def_var(id_, "time", NC_DOUBLE, 1, &timeDim, &timeVar_), "cannot be written");
        Text(timeVar_, "standard_name", "time");
        Text(timeVar_, "axis", "T");
        Text(timeVar_, "units", units_.empty() ? kTextTimeUnits : units_);
        if (!source.Calendar().empty()) Text(timeVar_, "calendar", source.Calendar());
        Check(nc_def_var(id_, "basin_name", NC_STRING, 1, &basinDim, &nameVar_), "cannot be written");
        Text(nameVar_, "cf_role", "timeseries_id");
        const int dims[2] = {timeDim, basinDim};
        Check(nc_def_var(id_, "areal_rainfall", NC_DOUBLE, 2, dims, &valueVar_), "cannot be written");
        const double fill = NC_FILL_DOUBLE;
        Check(nc_put_att_double(id_, valueVar_, "_FillValue", NC_DOUBLE, 1, &fill), "cannot be written");
        Text(valueVar_, "long_name", "areal rainfall, weighted over the gauges that reported");
        Text(valueVar_, "coordinates", "time basin_name");
        Check(nc_def_var(id_, "gauges", NC_INT, 2, dims, &gaugesVar_), "cannot be written");
        Text(gaugesVar_, "long_name", "gauges that reported");
        Check(nc_def_var(id_, "selection", NC_STRING, 2, dims, &selectionVar_), "cannot be written");
        Text(selectionVar_, "long_name", "the gauges that reported, as scene station numbers such as 1,3,5-8");
        Check(nc_enddef(id_), "cannot be written");
        std::vector<const char*> names;
        for (const std::string& name : names_) names.push_back(name.c_str());
        const std::size_t first = 0, count = names.size();
        Check(nc_put_vara_string(id_, nameVar_, &first, &count, names.data()), "cannot be written");
    }

    void Flush() {
        if (times_.empty()) return;
        const std::size_t start[2] = {written_, 0}, count[2] = {times_.size(), names_.size()};
        std::vector<const char*> texts;
        for (const std::string& text : selections_) texts.push_back(text.c_str());
        Check(nc_put_vara_double(id_, timeVar_, start, count, times_.data()), "cannot be written");
        Check(nc_put_vara_double(id_, valueVar_, start, count, values_.data()), "cannot be written");
        Check(nc_put_vara_int(id_, gaugesVar_, start, count, gauges_.data()), "cannot be written");
        Check(nc_put_vara_string(id_, selectionVar_, start, count, texts.data()), "cannot be written");
        written_ += times_.size();
        times_.clear(), values_.clear(), gauges_.clear(), selections_.clear();
    }

    std::string target_, source_, units_;
    std::vector<std::string> names_;  // the whole basin's, then each sub-basin's
    int id_ = -1;
    int timeVar_ = 0, nameVar_ = 0, valueVar_ = 0, gaugesVar_ = 0, selectionVar_ = 0;
    std::size_t written_ = 0;
    std::vector<double> times_, values_;
    std::vector<int> gauges_;
    std::vector<std::string> selections_;
};

}  // namespace

std::unique_ptr<ArealSink> CreateArealSeries(const std::filesystem::path& path, const std::string& target,
                                             const RainSource& source, const std::string& basinName,
                                             const std::vector<std::string>& subbasins) {
    std::vector<std::string> names{basinName};
    names.insert(names.end(), subbasins.begin(), subbasins.end());
    return std::make_unique<ArealSeriesSink>(path, target, source, std::move(names));
}

}  // namespace kelvarin
