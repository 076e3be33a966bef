#include "netcdf/StationSeries.hpp"

#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include "cli/ArealRainfall.hpp"
#include "model/DecimalReader.hpp"
#include "netcdf/CfTime.hpp"
#include "scene/SceneRules.hpp"

namespace kelvarin {
namespace {

// time steps read from the file at once
constexpr std::size_t kBlockSteps = 1024;

// an open file, closed when it goes
class NcFile {
  public:
    NcFile(const std::filesystem::path& file, std::string name) : name_(std::move(name)) {
        Check(nc_open(file.string().c_str(), NC_NOWRITE, &id_), "cannot be read as NetCDF");
    }
    ~NcFile() { nc_close(id_); }
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;
    int Id() const { return id_; }
    const std::string& Name() const { return name_; }
    void Check(int status, const std::string& what) const {
        if (status != NC_NOERR) throw RainFileError(name_ + ": " + what + " (" + nc_strerror(status) + ")");
    }

  private:
    std::string name_;
    int id_ = -1;
};

// a text attribute (char or string), empty when there is none
std::string TextAttribute(int nc, int var, const char* name) {
    nc_type type = NC_NAT;
    std::size_t length = 0;
    if (nc_inq_att(nc, var, name, &type, &length) != NC_NOERR) return {};
    if (type == NC_CHAR) {
        std::string text(length, '\0');
        if (nc_get_att_text(nc, var, name, text.data()) != NC_NOERR) return {};
        while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
        return text;
    }
    if (type == NC_STRING && length == 1) {
        char* text = nullptr;
        if (nc_get_att_string(nc, var, name, &text) != NC_NOERR) return {};
        std::string copy = text ? text : "";
        nc_free_string(1, &text);
        return copy;
    }
    return {};
}

// a numeric attribute's first value
std::optional<double> NumberAttribute(int nc, int var, const char* name) {
    nc_type type = NC_NAT;
    std::size_t length = 0;
    if (nc_inq_att(nc, var, name, &type, &length) != NC_NOERR || length == 0 || type == NC_CHAR || type == NC_STRING)
        return std::nullopt;
    std::vector<double> values(length);
    if (nc_get_att_double(nc, var, name, values.data()) != NC_NOERR) return std::nullopt;
    return values[0];
}

std::vector<int> Dimensions(int nc, int var) {
    int count = 0;
    nc_inq_varndims(nc, var, &count);
    std::vector<int> dims(static_cast<std::size_t>(count));
    if (count > 0) nc_inq_vardimid(nc, var, dims.data());
    return dims;
}

std::string VariableName(int nc, int var) {
    char name[NC_MAX_NAME + 1] = {};
    nc_inq_varname(nc, var, name);
    return name;
}

// where the parts of a station time series are
struct Layout {
    int TimeVar = -1, RainVar = -1, NameVar = -1, XVar = -1, YVar = -1;
    int TimeDim = -1, StationDim = -1;
    bool TimeFirst = true;  // the records are (time, station)
    std::size_t Times = 0, Stations = 0;
};

// the time variable: one dimension, CF units with "since"; one named or marked as time first
int FindTimeVariable(int nc, int variables) {
    int found = -1;
    for (int v = 0; v < variables; ++v) {
        if (Dimensions(nc, v).size() != 1) continue;
        if (TextAttribute(nc, v, "units").find(" since ") == std::string::npos) continue;
        const bool marked = VariableName(nc, v) == "time" || TextAttribute(nc, v, "axis") == "T" ||
                            TextAttribute(nc, v, "standard_name") == "time";
        if (found < 0 || marked) found = v;
        if (marked) break;
    }
    return found;
}

// the coordinate of the stations along one axis: by standard name, axis or name
int FindCoordinate(int nc, int variables, int stationDim, const char* projected, const char* axis, const char* name,
                   const char* geographic) {
    int found = -1;
    for (int v = 0; v < variables && found < 0; ++v) {
        const std::vector<int> dims = Dimensions(nc, v);
        if (dims.size() != 1 || dims[0] != stationDim) continue;
        const std::string standard = TextAttribute(nc, v, "standard_name");
        if (standard == projected || TextAttribute(nc, v, "axis") == axis || VariableName(nc, v) == name ||
            standard == geographic)
            found = v;
    }
    return found;
}

// the precipitation variable over time and stations: the one whose standard name speaks of
// precipitation, or the only one over both dimensions
void FindRainVariable(const NcFile& file, int variables, Layout& layout) {
    std::vector<int> candidates, precipitation;
    for (int v = 0; v < variables; ++v) {
        const std::vector<int> dims = Dimensions(file.Id(), v);
        if (dims.size() != 2 || v == layout.NameVar) continue;
        const bool timeFirst = dims[0] == layout.TimeDim;
        const int other = timeFirst ? dims[1] : dims[0];
        if ((dims[0] != layout.TimeDim && dims[1] != layout.TimeDim) || other == layout.TimeDim) continue;
        if (layout.StationDim >= 0 && other != layout.StationDim) continue;
        candidates.push_back(v);
        if (TextAttribute(file.Id(), v, "standard_name").find("precipitation") != std::string::npos)
            precipitation.push_back(v);
    }
    const std::vector<int>& chosen = precipitation.size() == 1 ? precipitation : candidates;
    if (chosen.size() != 1) {
        std::string names;
        for (int v : candidates) names += (names.empty() ? "" : ", ") + VariableName(file.Id(), v);
        throw RainFileError(file.Name() + ": " +
                            (candidates.empty() ? std::string("no variable over time and stations holds records")
                                                : "several variables over time and stations (" + names +
                                                      "), none alone with a precipitation standard_name"));
    }
    layout.RainVar = chosen[0];
    const std::vector<int> dims = Dimensions(file.Id(), layout.RainVar);
    layout.TimeFirst = dims[0] == layout.TimeDim;
    layout.StationDim = layout.TimeFirst ? dims[1] : dims[0];
}

Layout FindLayout(const NcFile& file) {
    const int nc = file.Id();
    int variables = 0;
    file.Check(nc_inq_nvars(nc, &variables), "cannot list its variables");
    Layout layout;
    layout.TimeVar = FindTimeVariable(nc, variables);
    if (layout.TimeVar < 0)
        throw RainFileError(file.Name() +
                            ": no time variable (one dimension, CF units such as \"hours since "
                            "2024-01-01 00:00:00\")");
    layout.TimeDim = Dimensions(nc, layout.TimeVar)[0];
    for (int v = 0; v < variables && layout.NameVar < 0; ++v) {
        if (TextAttribute(nc, v, "cf_role") != "timeseries_id") continue;
        layout.NameVar = v;
        layout.StationDim = Dimensions(nc, v).at(0);
    }
    FindRainVariable(file, variables, layout);
    layout.XVar = FindCoordinate(nc, variables, layout.StationDim, "projection_x_coordinate", "X", "x", "longitude");
    layout.YVar = FindCoordinate(nc, variables, layout.StationDim, "projection_y_coordinate", "Y", "y", "latitude");
    file.Check(nc_inq_dimlen(nc, layout.TimeDim, &layout.Times), "cannot read the time dimension");
    file.Check(nc_inq_dimlen(nc, layout.StationDim, &layout.Stations), "cannot read the station dimension");
    return layout;
}

// the stations' names: characters, strings or numbers; "station N" without a name variable
std::vector<std::string> StationNames(const NcFile& file, const Layout& layout) {
    std::vector<std::string> names(layout.Stations);
    const int nc = file.Id();
    if (layout.NameVar < 0) {
        for (std::size_t s = 0; s < names.size(); ++s) names[s] = "station " + std::to_string(s + 1);
        return names;
    }
    nc_type type = NC_NAT;
    nc_inq_vartype(nc, layout.NameVar, &type);
    const std::vector<int> dims = Dimensions(nc, layout.NameVar);
    if (type == NC_CHAR && dims.size() == 2) {
        std::size_t length = 0;
        nc_inq_dimlen(nc, dims[1], &length);
        std::vector<char> text(length * names.size() + 1, '\0');
        file.Check(nc_get_var_text(nc, layout.NameVar, text.data()), "cannot read the station names");
        for (std::size_t s = 0; s < names.size(); ++s) {
            names[s].assign(text.data() + s * length, strnlen(text.data() + s * length, length));
            while (!names[s].empty() && names[s].back() == ' ') names[s].pop_back();
        }
    } else if (type == NC_STRING) {
        std::vector<char*> text(names.size(), nullptr);
        file.Check(nc_get_var_string(nc, layout.NameVar, text.data()), "cannot read the station names");
        for (std::size_t s = 0; s < names.size(); ++s) names[s] = text[s] ? text[s] : "";
        nc_free_string(text.size(), text.data());
    } else {
        std::vector<long long> numbers(names.size());
        file.Check(nc_get_var_longlong(nc, layout.NameVar, numbers.data()), "cannot read the station numbers");
        for (std::size_t s = 0; s < names.size(); ++s) names[s] = std::to_string(numbers[s]);
    }
    return names;
}

class StationSeriesSource : public RainSource {
  public:
    StationSeriesSource(const std::filesystem::path& path, const std::vector<std::string>& declaredMissing)
        : file_(path, path.string()), layout_(FindLayout(file_)), names_(StationNames(file_, layout_)) {
        const int nc = file_.Id();
        units_ = TextAttribute(nc, layout_.TimeVar, "units");
        calendar_ = TextAttribute(nc, layout_.TimeVar, "calendar");
        timeUnits_ = ReadCfTimeUnits(units_, calendar_);
        fill_ = NumberAttribute(nc, layout_.RainVar, "_FillValue");
        missingValue_ = NumberAttribute(nc, layout_.RainVar, "missing_value");
        scale_ = NumberAttribute(nc, layout_.RainVar, "scale_factor").value_or(1.0);
        offset_ = NumberAttribute(nc, layout_.RainVar, "add_offset").value_or(0.0);
        for (const std::string& text : declaredMissing) {
            double value = 0.0;
            const auto [end, error] = ReadDouble(text.data(), text.data() + text.size(), value);
            if (error == std::errc() && end == text.data() + text.size()) declared_.push_back(value);
        }
        for (const auto& [var, values] : {std::pair{layout_.XVar, &x_}, std::pair{layout_.YVar, &y_}}) {
            if (var < 0 || layout_.XVar < 0 || layout_.YVar < 0) continue;
            values->resize(layout_.Stations);
            file_.Check(nc_get_var_double(nc, var, values->data()), "cannot read the station coordinates");
        }
    }

    const std::string& FileName() const override { return file_.Name(); }
    std::string TimeName() const override { return VariableName(file_.Id(), layout_.TimeVar); }
    std::string TimeUnits() const override { return units_; }
    std::string Calendar() const override { return calendar_; }
    const std::vector<std::string>& GaugeNames() const override { return names_; }
    std::uintmax_t Done() const override { return next_; }
    std::uintmax_t Size() const override { return layout_.Times; }
    std::vector<long> MatchStations(const std::vector<SceneStation>& stations) const override;
    bool Next(RainRow& row) override;
    bool Skip() override {
        if (next_ >= layout_.Times) return false;
        ++next_;
        return true;
    }

  private:
    long StationAt(std::size_t s, const std::vector<SceneStation>& stations) const;
    void ReadBlock();
    bool Missing(double value) const {
        return std::isnan(value) || (fill_ && value == *fill_) || (missingValue_ && value == *missingValue_) ||
               std::find(declared_.begin(), declared_.end(), value) != declared_.end();
    }

    NcFile file_;
    Layout layout_;
    std::vector<std::string> names_;
    std::string units_, calendar_;
    std::optional<CfTimeUnits> timeUnits_;
    std::optional<double> fill_, missingValue_;
    double scale_ = 1.0, offset_ = 0.0;
    std::vector<double> declared_, x_, y_;
    std::size_t next_ = 0;        // the next time step
    std::size_t blockStart_ = 0;  // the block read: its first step, records and times
    std::vector<double> block_, blockTimes_;
};

// the scene station of that number, else of that name; 0 for none, -1 for several
long StationNamed(const std::string& name, const std::vector<SceneStation>& stations) {
    for (auto field : {&SceneStation::Number, &SceneStation::Name}) {
        long found = 0;
        for (std::size_t i = 0; i < stations.size(); ++i) {
            if (stations[i].*field != name) continue;
            if (found != 0) return -1;
            found = static_cast<long>(i + 1);
        }
        if (found != 0) return found;
    }
    return 0;
}

// the scene station at the file's station s: by number, by name, or by position
long StationSeriesSource::StationAt(std::size_t s, const std::vector<SceneStation>& stations) const {
    const long byName = StationNamed(names_[s], stations);
    if (byName != 0 || x_.empty()) return byName;
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const SceneStation& station : stations) {
        minX = std::min(minX, station.Point.X), maxX = std::max(maxX, station.Point.X);
        minY = std::min(minY, station.Point.Y), maxY = std::max(maxY, station.Point.Y);
    }
    const double near = scene_rules::kSameSiteShare * std::max(maxX - minX, maxY - minY);
    long found = 0;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        if (std::hypot(stations[i].Point.X - x_[s], stations[i].Point.Y - y_[s]) > near) continue;
        if (found != 0) return -1;
        found = static_cast<long>(i + 1);
    }
    return found;
}

std::vector<long> StationSeriesSource::MatchStations(const std::vector<SceneStation>& stations) const {
    std::vector<long> matched;
    std::vector<std::size_t> columnOf(stations.size() + 1, layout_.Stations);
    for (std::size_t s = 0; s < layout_.Stations; ++s) {
        const std::string where = file_.Name() + ": station " + std::to_string(s + 1) + " (" + names_[s] + ")";
        const long station = StationAt(s, stations);
        if (station < 0) throw RainFileError(where + ": several gauges of the scene share this name or place");
        if (station == 0) {
            std::string message = where + ": no gauge of the scene has this number or name";
            if (!x_.empty())
                message += ", nor stands at (" + ShortestNumber(x_[s]) + ", " + ShortestNumber(y_[s]) + ")";
            throw RainFileError(message);
        }
        std::size_t& earlier = columnOf[static_cast<std::size_t>(station)];
        if (earlier != layout_.Stations)
            throw RainFileError(where + ": station " + std::to_string(earlier + 1) + " (" + names_[earlier] +
                                ") already is gauge " + std::to_string(station) + " of the scene");
        earlier = s;
        matched.push_back(station);
    }
    return matched;
}

void StationSeriesSource::ReadBlock() {
    const std::size_t steps = std::min(kBlockSteps, layout_.Times - next_);
    const std::size_t n = layout_.Stations;
    block_.resize(steps * n);
    blockTimes_.resize(steps);
    blockStart_ = next_;
    const std::size_t start[2] = {layout_.TimeFirst ? next_ : 0, layout_.TimeFirst ? 0 : next_};
    const std::size_t count[2] = {layout_.TimeFirst ? steps : n, layout_.TimeFirst ? n : steps};
    if (n > 0)
        file_.Check(nc_get_vara_double(file_.Id(), layout_.RainVar, start, count, block_.data()),
                    "cannot read the records of time steps " + std::to_string(next_ + 1) + " to " +
                        std::to_string(next_ + steps));
    file_.Check(
        nc_get_vara_double(file_.Id(), layout_.TimeVar, &start[layout_.TimeFirst ? 0 : 1], &steps, blockTimes_.data()),
        "cannot read the time variable");
}

bool StationSeriesSource::Next(RainRow& row) {
    if (next_ >= layout_.Times) return false;
    if (next_ < blockStart_ || next_ >= blockStart_ + blockTimes_.size()) ReadBlock();
    const std::size_t t = next_ - blockStart_, steps = blockTimes_.size(), n = layout_.Stations;
    row.TimeValue = blockTimes_[t];
    row.Time = timeUnits_ ? CfTimeText(row.TimeValue, *timeUnits_) : ShortestNumber(row.TimeValue);
    row.Rain.assign(n, 0.0);
    row.Present.assign(n, 0);
    for (std::size_t s = 0; s < n; ++s) {
        const double raw = layout_.TimeFirst ? block_[t * n + s] : block_[s * steps + t];
        if (Missing(raw)) continue;
        const double value = raw * scale_ + offset_;
        if (value < 0 || !std::isfinite(value))
            throw RainFileError(file_.Name() + ": time step " + std::to_string(next_ + 1) + " (" + row.Time +
                                "), station " + std::to_string(s + 1) + " (" + names_[s] +
                                "): " + ShortestNumber(value) +
                                " is negative; declare it with --missing if it means no record");
        row.Rain[s] = value;
        row.Present[s] = 1;
    }
    ++next_;
    return true;
}

}  // namespace

std::unique_ptr<RainSource> OpenStationSeries(const std::filesystem::path& file,
                                              const std::vector<std::string>& declaredMissing) {
    return std::make_unique<StationSeriesSource>(file, declaredMissing);
}

}  // namespace kelvarin
