// weights --per-subbasin (CSV, JSON, table and the HEC-HMS gauge-weights block) and areal's
// sub-basin columns, run end to end on a generated scene of sub-basins.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifdef KELVARIN_WITH_NETCDF
#include <netcdf.h>
#endif

#include "scene/Scene.hpp"
#include "scene/SceneWriter.hpp"
#include "tests/cli/CliRun.hpp"
#include "tests/cli/CsvText.hpp"
#include "tests/cli/ProgramTest.hpp"
#include "tests/engine/SubbasinSets.hpp"

namespace kelvarin {
namespace {

using testing::CliRun;
using testing::CsvRecords;
using ::testing::HasSubstr;
using testing::RunCli;
using testing::Value;

// Reads "     KEY GAUGE: 0.dddddddddd" (a gauge name without spaces, a weight to ten decimals);
// false for any other line.
bool ReadWeightLine(const std::string& line, const std::string& key, std::string& gauge, std::string& weight) {
    const std::string head = "     " + key + " ";
    if (line.compare(0, head.size(), head) != 0) return false;
    const std::size_t colon = line.find(": ", head.size());
    if (colon == std::string::npos || colon == head.size()) return false;
    gauge = line.substr(head.size(), colon - head.size());
    weight = line.substr(colon + 2);
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (gauge.find_first_of(" \t") != std::string::npos || weight.size() != 12 || !digit(weight[0]) || weight[1] != '.')
        return false;
    return std::all_of(weight.begin() + 2, weight.end(), digit);
}

class SubbasinCommands : public testing::ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        testing::SubbasinSetOptions options;
        options.Sectors = 4;
        options.Seed = 5;
        const testing::SubbasinSet set = testing::MakeSubbasinSet(options);
        testing::GaugeSpread gauges;
        gauges.Count = 14;
        gauges.Seed = 11;
        gauges.HalfWidth = 26000;
        gauges.HalfHeight = 20000;
        gauges.NamePrefix = "Gauge";
        gauges.NumberPrefix = "N";
        gauges.CentrePoints = false;
        gauges.Show = "thiessen";
        const SceneFile file = testing::SubbasinSceneFile(set, options, gauges);
        scene_ = At("subbasins.ini");
        std::ofstream(scene_, std::ios::binary) << SceneFileText(file);
        for (const SceneFileSubbasin& s : set.Subbasins) names_.push_back(s.Name);
    }
    CliRun Weights(const std::string& arguments) const {
        return RunCli("weights --scene " + Q(scene_) + " " + arguments);
    }

    std::filesystem::path scene_;
    std::vector<std::string> names_;
};

TEST_F(SubbasinCommands, CsvListsEverySubbasinThenTheWholeBasinAsWeightsDoes) {
    const CliRun run = Weights("--per-subbasin --format csv --stations 1-4,6,8-14");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto records = CsvRecords(run.Out);
    ASSERT_EQ(records.size(), 1 + (names_.size() + 1) * 14);
    EXPECT_EQ(records[0], (std::vector<std::string>{"subbasin", "index", "name", "number", "x", "y", "z", "selected",
                                                    "area", "weight"}));
    std::map<std::string, double> sums;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::size_t block = (r - 1) / 14;
        EXPECT_EQ(records[r][0], block < names_.size() ? names_[block] : "*") << "row " << r;
        EXPECT_EQ(records[r][1], std::to_string((r - 1) % 14 + 1));
        // a gauge left out of the selection has no weight
        if (!records[r][9].empty()) sums[records[r][0]] += Value(records[r][9]);
    }
    for (const auto& [name, sum] : sums) EXPECT_NEAR(sum, 1.0, 1e-9) << name;
    // the whole basin's rows are those of weights without --per-subbasin, field for field
    const auto whole = CsvRecords(Weights("--format csv --stations 1-4,6,8-14").Out);
    ASSERT_EQ(whole.size(), 15U);
    for (std::size_t k = 1; k < whole.size(); ++k) {
        std::vector<std::string> star = records[names_.size() * 14 + k];
        star.erase(star.begin());
        EXPECT_EQ(star, whole[k]);
    }
}

TEST_F(SubbasinCommands, HmsBlockHasEverySubbasinsGaugesWithDepthAndTimeWeights) {
    const CliRun csv = Weights("--per-subbasin --format csv");
    const CliRun hms = Weights("--per-subbasin --format hms");
    ASSERT_EQ(hms.Status, 0) << hms.Err;
    std::map<std::pair<std::string, std::string>, double> expected;  // (sub-basin, gauge) -> weight
    for (const auto& record : CsvRecords(csv.Out))
        if (record[0] != "subbasin" && record[0] != "*") expected[{record[0], record[2]}] = Value(record[9]);
    // Subbasin: NAME, then per gauge "Depth Weight G: w" and "Time Weight G: w", then End:
    std::istringstream lines(hms.Out);
    std::string line;
    std::size_t block = 0;
    std::size_t listed = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(block, names_.size());
        EXPECT_EQ(line, "Subbasin: " + names_[block]);
        double sum = 0.0;
        while (std::getline(lines, line) && line != "End:") {
            std::string gauge, depth, timeGauge, time, next;
            ASSERT_TRUE(ReadWeightLine(line, "Depth Weight", gauge, depth)) << line;
            ASSERT_TRUE(std::getline(lines, next) && ReadWeightLine(next, "Time Weight", timeGauge, time)) << next;
            EXPECT_EQ(timeGauge, gauge);
            EXPECT_EQ(time, depth);  // the time pattern weighs the gauges as the depth does
            const double weight = Value(depth);
            EXPECT_NEAR(weight, expected.at({names_[block], gauge}), 5e-11) << line;
            EXPECT_GT(weight, 0.0);
            sum += weight;
            ++listed;
        }
        EXPECT_EQ(line, "End:");
        EXPECT_NEAR(sum, 1.0, 1e-9);
        ++block;
        if (std::getline(lines, line)) {
            EXPECT_EQ(line, "");  // blocks stand apart by one empty line
        }
    }
    EXPECT_EQ(block, names_.size());
    std::size_t positive = 0;
    for (const auto& [key, weight] : expected) positive += weight > 0.0 ? 1 : 0;
    EXPECT_EQ(listed, positive);  // every gauge with a share, and no other
}

TEST_F(SubbasinCommands, JsonAndTableSayTheSame) {
    const CliRun json = Weights("--per-subbasin --format json");
    ASSERT_EQ(json.Status, 0) << json.Err;
    const auto doc = nlohmann::json::parse(json.Out);
    ASSERT_EQ(doc["subbasins"].size(), names_.size() + 1);
    const auto csv = CsvRecords(Weights("--per-subbasin --format csv").Out);
    for (std::size_t s = 0; s <= names_.size(); ++s) {
        const auto& subbasin = doc["subbasins"][s];
        EXPECT_EQ(subbasin["subbasin"], s < names_.size() ? names_[s] : "*");
        EXPECT_NEAR(subbasin["weight_sum"].get<double>(), 1.0, 1e-9);
        for (std::size_t k = 0; k < 14; ++k)
            EXPECT_EQ(subbasin["stations"][k]["weight"].get<double>(), Value(csv[1 + s * 14 + k][9]));
    }
    const CliRun table = Weights("--per-subbasin");
    ASSERT_EQ(table.Status, 0) << table.Err;
    for (const std::string& name : names_) EXPECT_THAT(table.Out, HasSubstr("sub-basin: " + name + "\n"));
    EXPECT_THAT(table.Out, HasSubstr("sub-basin: *\n"));
}

TEST_F(SubbasinCommands, HmsNeedsPerSubbasinAndPerSubbasinNeedsSubbasins) {
    const CliRun hms = Weights("--format hms");
    EXPECT_EQ(hms.Status, 2);
    EXPECT_THAT(hms.Err, HasSubstr("--format hms gives each sub-basin's gauge weights: it needs --per-subbasin"));
    const CliRun none =
        RunCli("weights --per-subbasin --scene " + Q(std::filesystem::path(KELVARIN_TEST_DATA) / "scene_minimal.ini"));
    EXPECT_EQ(none.Status, 2);
    EXPECT_THAT(none.Err, HasSubstr("has no sub-basins"));
}

TEST_F(SubbasinCommands, ArealHasAColumnPerSubbasinWeightedOverTheGaugesThatReported) {
    std::ofstream rain(At("rain.csv"), std::ios::binary);
    rain << "time";
    for (int k = 1; k <= 14; ++k) rain << ",N" << k;
    rain << "\n";
    std::mt19937_64 random(3);
    for (int t = 0; t < 6; ++t) {
        rain << "2024-01-01 0" << t << ":00";
        for (int k = 1; k <= 14; ++k) rain << "," << ((random() % 4 == 0) ? std::string() : std::to_string(k + t));
        rain << "\n";
    }
    rain.close();
    const CliRun areal = RunCli("areal --scene " + Q(scene_) + " --rain " + Q(At("rain.csv")));
    ASSERT_EQ(areal.Status, 0) << areal.Err;
    const auto rows = CsvRecords(areal.Out);
    std::vector<std::string> header = {"time", "areal_rainfall"};
    header.insert(header.end(), names_.begin(), names_.end());
    header.insert(header.end(), {"gauges", "selection"});
    ASSERT_EQ(rows[0], header);
    const auto records = CsvRecords(testing::ReadText(At("rain.csv")));
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const std::string selection = rows[r].back();
        const auto weights = CsvRecords(Weights("--per-subbasin --format csv --stations " + selection).Out);
        for (std::size_t s = 0; s <= names_.size(); ++s) {
            double sum = 0.0;
            for (std::size_t k = 0; k < 14; ++k) {
                const std::string& cell = records[r][k + 1];
                const std::string& weight = weights[1 + s * 14 + k][9];
                if (!cell.empty()) sum += Value(cell) * Value(weight);
            }
            const std::size_t column = s < names_.size() ? 2 + s : 1;
            EXPECT_NEAR(Value(rows[r][column]), sum, 1e-12 * std::abs(sum)) << "row " << r << " column " << column;
        }
    }
#ifdef KELVARIN_WITH_NETCDF
    // as a NetCDF time series: the whole basin, then each sub-basin, the same numbers
    const CliRun series =
        RunCli("areal --scene " + Q(scene_) + " --rain " + Q(At("rain.csv")) + " --out " + Q(At("areal.nc")));
    ASSERT_EQ(series.Status, 0) << series.Err;
    int nc = 0, var = 0, dim = 0;
    ASSERT_EQ(nc_open(At("areal.nc").c_str(), NC_NOWRITE, &nc), NC_NOERR);
    std::size_t basins = 0;
    ASSERT_EQ(nc_inq_dimid(nc, "basin", &dim), NC_NOERR);
    ASSERT_EQ(nc_inq_dimlen(nc, dim, &basins), NC_NOERR);
    ASSERT_EQ(basins, 1 + names_.size());
    std::vector<char*> basinNames(basins);
    ASSERT_EQ(nc_inq_varid(nc, "basin_name", &var), NC_NOERR);
    ASSERT_EQ(nc_get_var_string(nc, var, basinNames.data()), NC_NOERR);
    EXPECT_EQ(std::string(basinNames[0]), "Outline");
    for (std::size_t s = 0; s < names_.size(); ++s) EXPECT_EQ(std::string(basinNames[s + 1]), names_[s]);
    nc_free_string(basinNames.size(), basinNames.data());
    std::vector<double> values((rows.size() - 1) * basins);
    ASSERT_EQ(nc_inq_varid(nc, "areal_rainfall", &var), NC_NOERR);
    ASSERT_EQ(nc_get_var_double(nc, var, values.data()), NC_NOERR);
    nc_close(nc);
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t b = 0; b < basins; ++b)
            EXPECT_EQ(values[(r - 1) * basins + b], Value(rows[r][1 + b])) << "row " << r << " basin " << b;
#endif
}

}  // namespace
}  // namespace kelvarin
