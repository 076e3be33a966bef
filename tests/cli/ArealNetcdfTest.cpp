// kelvarin-cli areal on NetCDF station time series that the tests write with the netCDF
// library itself: the same areal rainfall as from the same records in CSV, the time taken
// from the time variable's CF units, missing records as _FillValue, stations matched by
// name, by number or by place, and the areal output read back as a NetCDF time series.

#include <gtest/gtest.h>
#include <netcdf.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/CliRun.hpp"
#include "tests/cli/ProgramTest.hpp"

namespace kelvarin {
namespace {

using testing::CliRun;
using testing::ReadText;
using testing::RunCli;

const std::filesystem::path kSquare = std::filesystem::path(KELVARIN_TEST_DATA) / "areal_square.ini";
constexpr double kFill = -999.0;

void Check(int status) { ASSERT_EQ(status, NC_NOERR) << nc_strerror(status); }

// A station time series: stations by name (chars), by number (ints) or unnamed, with x and y
// when given, records (time, station) or (station, time), _FillValue kFill.
struct Series {
    std::vector<std::string> Names;  // empty: no name variable
    std::vector<long long> Numbers;  // used where Names is empty and this is not
    std::vector<double> X, Y;
    std::vector<double> Times;
    std::string Units = "hours since 2024-01-01 00:00:00";
    std::vector<std::vector<double>> Rain;  // [time][station]
    bool StationFirst = false;
};

void Write(const Series& series, const std::filesystem::path& file) {
    int nc = 0, time = 0, station = 0, strlen = 0;
    Check(nc_create(file.c_str(), NC_CLOBBER | NC_NETCDF4, &nc));
    const std::size_t n = series.Rain.empty() ? 0 : series.Rain[0].size();
    Check(nc_def_dim(nc, "time", series.Times.size(), &time));
    Check(nc_def_dim(nc, "station", n, &station));
    Check(nc_put_att_text(nc, NC_GLOBAL, "featureType", 10, "timeSeries"));
    int timeVar = 0, nameVar = -1, xVar = -1, yVar = -1, rainVar = 0;
    Check(nc_def_var(nc, "time", NC_DOUBLE, 1, &time, &timeVar));
    Check(nc_put_att_text(nc, timeVar, "units", series.Units.size(), series.Units.c_str()));
    if (!series.Names.empty()) {
        Check(nc_def_dim(nc, "name_strlen", 8, &strlen));
        const int dims[2] = {station, strlen};
        Check(nc_def_var(nc, "station_name", NC_CHAR, 2, dims, &nameVar));
    } else if (!series.Numbers.empty()) {
        Check(nc_def_var(nc, "station_id", NC_INT64, 1, &station, &nameVar));
    }
    if (nameVar >= 0) Check(nc_put_att_text(nc, nameVar, "cf_role", 13, "timeseries_id"));
    if (!series.X.empty()) {
        Check(nc_def_var(nc, "x", NC_DOUBLE, 1, &station, &xVar));
        Check(nc_put_att_text(nc, xVar, "standard_name", 23, "projection_x_coordinate"));
        Check(nc_def_var(nc, "y", NC_DOUBLE, 1, &station, &yVar));
        Check(nc_put_att_text(nc, yVar, "standard_name", 23, "projection_y_coordinate"));
    }
    const int dims[2] = {series.StationFirst ? station : time, series.StationFirst ? time : station};
    Check(nc_def_var(nc, "precipitation", NC_DOUBLE, 2, dims, &rainVar));
    Check(nc_put_att_double(nc, rainVar, "_FillValue", NC_DOUBLE, 1, &kFill));
    Check(nc_put_att_text(nc, rainVar, "standard_name", 20, "precipitation_amount"));
    Check(nc_enddef(nc));
    Check(nc_put_var_double(nc, timeVar, series.Times.data()));
    if (!series.Names.empty()) {
        std::string text;
        for (const std::string& name : series.Names) text += name + std::string(8 - name.size(), '\0');
        Check(nc_put_var_text(nc, nameVar, text.data()));
    } else if (!series.Numbers.empty()) {
        Check(nc_put_var_longlong(nc, nameVar, series.Numbers.data()));
    }
    if (xVar >= 0) {
        Check(nc_put_var_double(nc, xVar, series.X.data()));
        Check(nc_put_var_double(nc, yVar, series.Y.data()));
    }
    std::vector<double> flat;
    for (std::size_t a = 0; a < (series.StationFirst ? n : series.Times.size()); ++a)
        for (std::size_t b = 0; b < (series.StationFirst ? series.Times.size() : n); ++b)
            flat.push_back(series.StationFirst ? series.Rain[b][a] : series.Rain[a][b]);
    Check(nc_put_var_double(nc, rainVar, flat.data()));
    Check(nc_close(nc));
}

// the same records as CSV, a missing record an empty cell
std::string Csv(const Series& series, const std::vector<std::string>& times, const std::vector<std::string>& names) {
    std::string text = "time";
    for (const std::string& name : names) text += "," + name;
    text += "\n";
    for (std::size_t t = 0; t < times.size(); ++t) {
        text += times[t];
        for (double value : series.Rain[t]) {
            char cell[32] = "";
            if (value != kFill) std::snprintf(cell, sizeof cell, "%.17g", value);
            text += std::string(",") + cell;
        }
        text += "\n";
    }
    return text;
}

// Three gauges of the hand-worked square, a day of hours with gaps and one row without any record.
Series SquareSeries() {
    Series series;
    series.Names = {"Cedar", "A", "Birch"};  // by name and by number, not in file order
    series.X = {1075, 1025, 1075};
    series.Y = {2075, 2050, 2025};
    series.Times = {0, 1, 2, 3, 4.5};
    series.Rain = {{40, 10, 20}, {40, kFill, 20}, {kFill, 10, kFill}, {kFill, kFill, kFill}, {1.25, 0, 7}};
    return series;
}

const std::vector<std::string> kSquareTimes = {"2024-01-01 00:00", "2024-01-01 01:00", "2024-01-01 02:00",
                                               "2024-01-01 03:00", "2024-01-01 04:30"};

class ArealNetcdf : public testing::ProgramTest {};

// The areal CSV from the NetCDF file equals, byte for byte, the one from the same records as
// CSV, whichever way the file lays out its records and names its stations.
TEST_F(ArealNetcdf, GivesTheSameRowsAsTheSameRecordsInCsv) {
    const Series named = SquareSeries();
    std::ofstream(At("rain.csv")) << Csv(named, kSquareTimes, named.Names);
    const CliRun fromCsv = RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("rain.csv")));
    ASSERT_EQ(fromCsv.Status, 0) << fromCsv.Err;
    EXPECT_NE(fromCsv.Out.find("2024-01-01 00:00,21.25,3,1-3\n"), std::string::npos) << fromCsv.Out;

    Series flipped = named;
    flipped.StationFirst = true;
    Series byPlace = named;  // no names: the coordinates find the gauges
    byPlace.Names.clear();
    Series days = named;  // the same times in days since the day before
    days.Units = "days since 2023-12-31";
    days.Times = {1, 1 + 1 / 24.0, 1 + 2 / 24.0, 1 + 3 / 24.0, 1 + 4.5 / 24.0};
    for (const Series* series : std::vector<const Series*>{&named, &flipped, &byPlace, &days}) {
        Write(*series, At("rain.nc"));
        const CliRun run = RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("rain.nc")));
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, fromCsv.Out);
    }
}

// a NetCDF output read back: its time copied with the input's units, the areal rainfall
// with _FillValue below the least number of gauges, the gauges and the selections
TEST_F(ArealNetcdf, WritesATimeSeriesPerBasinWithFillValues) {
    const Series series = SquareSeries();
    Write(series, At("rain.nc"));
    const CliRun run = RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("rain.nc")) + " --min-gauges 2 --out " +
                              Q(At("out.nc")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    int nc = 0, var = 0;
    Check(nc_open(At("out.nc").c_str(), NC_NOWRITE, &nc));
    std::size_t times = 0, basins = 0;
    int dim = 0;
    Check(nc_inq_dimid(nc, "time", &dim));
    Check(nc_inq_dimlen(nc, dim, &times));
    Check(nc_inq_dimid(nc, "basin", &dim));
    Check(nc_inq_dimlen(nc, dim, &basins));
    ASSERT_EQ(times, series.Times.size());
    ASSERT_EQ(basins, 1u);
    std::vector<double> time(times), areal(times), fill(1);
    std::vector<int> gauges(times);
    Check(nc_inq_varid(nc, "time", &var));
    Check(nc_get_var_double(nc, var, time.data()));
    char units[64] = {};
    Check(nc_get_att_text(nc, var, "units", units));
    EXPECT_EQ(std::string(units), series.Units);
    EXPECT_EQ(time, series.Times);
    Check(nc_inq_varid(nc, "areal_rainfall", &var));
    Check(nc_get_var_double(nc, var, areal.data()));
    Check(nc_get_att_double(nc, var, "_FillValue", fill.data()));
    Check(nc_inq_varid(nc, "gauges", &var));
    Check(nc_get_var_int(nc, var, gauges.data()));
    std::vector<char*> selection(times);
    Check(nc_inq_varid(nc, "selection", &var));
    Check(nc_get_var_string(nc, var, selection.data()));
    // A 0.4375, B 0.28125, C 0.28125; without A, B and C halve the square
    const std::vector<double> expected = {21.25, 30, fill[0], fill[0], 0.28125 * 1.25 + 0.28125 * 7};
    const std::vector<int> reported = {3, 2, 1, 0, 3};
    const std::vector<std::string> selections = {"1-3", "2,3", "1", "", "1-3"};
    for (std::size_t t = 0; t < times; ++t) {
        EXPECT_NEAR(areal[t], expected[t], 1e-12) << "time step " << t + 1;
        EXPECT_EQ(gauges[t], reported[t]);
        EXPECT_EQ(std::string(selection[t]), selections[t]);
    }
    nc_free_string(selection.size(), selection.data());
    char* basin = nullptr;
    Check(nc_inq_varid(nc, "basin_name", &var));
    Check(nc_get_var_string(nc, var, &basin));
    EXPECT_EQ(std::string(basin), "Square");
    nc_free_string(1, &basin);
    Check(nc_close(nc));

    // from CSV the time stamps are read as dates
    std::ofstream(At("rain.csv")) << Csv(series, kSquareTimes, series.Names);
    const CliRun fromCsv =
        RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("rain.csv")) + " --out " + Q(At("csv.nc")));
    ASSERT_EQ(fromCsv.Status, 0) << fromCsv.Err;
    Check(nc_open(At("csv.nc").c_str(), NC_NOWRITE, &nc));
    Check(nc_inq_varid(nc, "time", &var));
    Check(nc_get_var_double(nc, var, time.data()));
    Check(nc_close(nc));
    const double minutes = 19723.0 * 24 * 60;  // 2024-01-01 in minutes since 1970-01-01
    EXPECT_EQ(time, (std::vector<double>{minutes, minutes + 60, minutes + 120, minutes + 180, minutes + 270}));
}

// refusals name the file and the station; nothing is written
TEST_F(ArealNetcdf, AStationNotInTheSceneIsAnErrorNamingIt) {
    Series series = SquareSeries();
    series.Names[2] = "Elm";
    series.Y[2] = 2099;
    Write(series, At("rain.nc"));
    const CliRun run =
        RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("rain.nc")) + " --out " + Q(At("out.csv")));
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find(At("rain.nc").string() + ": station 3 (Elm): no gauge of the scene has this number or "
                                                    "name, nor stands at (1075, 2099)"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(std::filesystem::exists(At("out.csv")));

    // numbers as names: 7 is no gauge of the scene (its gauges are A, B and C); a negative record is refused
    Series numbered = SquareSeries();
    numbered.Names.clear();
    numbered.X.clear();
    numbered.Y.clear();
    numbered.Numbers = {7, 1, 3};
    Write(numbered, At("numbers.nc"));
    const CliRun numbers = RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("numbers.nc")));
    EXPECT_EQ(numbers.Status, 2);
    EXPECT_NE(numbers.Err.find("station 1 (7): no gauge of the scene"), std::string::npos) << numbers.Err;
    Series negative = SquareSeries();
    negative.Rain[1][2] = -3;
    Write(negative, At("negative.nc"));
    const CliRun bad = RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("negative.nc")));
    EXPECT_EQ(bad.Status, 2);
    EXPECT_NE(bad.Err.find("time step 2 (2024-01-01 01:00), station 3 (Birch): -3 is negative"), std::string::npos)
        << bad.Err;
    std::ofstream(At("text.nc")) << "time,A\n1,2\n";
    const CliRun text = RunCli("areal --scene " + Q(kSquare) + " --rain " + Q(At("text.nc")));
    EXPECT_EQ(text.Status, 2);
    EXPECT_NE(text.Err.find("cannot be read as NetCDF"), std::string::npos) << text.Err;
}

}  // namespace
}  // namespace kelvarin
