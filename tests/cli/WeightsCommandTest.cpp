// kelvarin-cli weights, run end to end as a user runs it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scene/Scene.hpp"
#include "tests/cli/CliRun.hpp"
#include "tests/cli/CsvRecords.hpp"

namespace kelvarin {
namespace {

const std::filesystem::path kBundled = std::filesystem::path(KELVARIN_BINARY_DIR) / "Kelvarin.ini";

// weights sum over at most a few dozen stations; their rounding stays far below this
constexpr double kWeightSumTolerance = 1e-9;

using testing::CliRun;
using testing::CsvRecords;
using testing::RunCli;

// runs kelvarin-cli weights with the given arguments (already quoted for the shell)
CliRun RunWeights(const std::string& arguments) { return RunCli("weights " + arguments); }

// a full-precision number of the CSV
double Value(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    EXPECT_EQ(*end, '\0') << "not a number: " << text;
    return value;
}

// the area of the scene's basin ring by the shoelace formula
double BasinArea(const Scene& scene) {
    double sum = 0.0;
    const std::size_t n = scene.Basin.size();
    for (std::size_t i = 0; i < n; ++i) {
        const cPoint& a = scene.Basin[i];
        const cPoint& b = scene.Basin[(i + 1) % n];
        sum += a.X * b.Y - b.X * a.Y;
    }
    return std::abs(sum) / 2.0;
}

TEST(WeightsCommand, CsvOfTheBundledSceneHasEveryStationAndWeightsSummingToOne) {
    const Scene scene = LoadScene(kBundled);
    const double basinArea = BasinArea(scene);
    for (const char* method : {"thiessen", "heightbalance"}) {
        SCOPED_TRACE(method);
        const CliRun run = RunWeights(std::string("--format csv --method ") + method + " --stations 1,3,5-8,12");
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        const auto records = CsvRecords(run.Out);
        ASSERT_EQ(records.size(), scene.Stations.size() + 1);
        EXPECT_EQ(records[0],
                  (std::vector<std::string>{"index", "name", "number", "x", "y", "z", "selected", "area", "weight"}));
        const std::set<long> chosen = {1, 3, 5, 6, 7, 8, 12};
        double sum = 0.0, areaSum = 0.0;
        for (std::size_t r = 1; r < records.size(); ++r) {
            const auto& f = records[r];
            ASSERT_EQ(f.size(), 9u) << "row " << r;
            const SceneStation& station = scene.Stations[r - 1];
            EXPECT_EQ(f[0], std::to_string(r));
            EXPECT_EQ(f[1], station.Name);
            EXPECT_EQ(f[2], station.Number);
            // the scene file's coordinates, exactly
            EXPECT_EQ(Value(f[3]), station.Point.X);
            EXPECT_EQ(Value(f[4]), station.Point.Y);
            EXPECT_EQ(Value(f[5]), station.Point.z);
            const bool selected = chosen.count(static_cast<long>(r)) != 0;
            EXPECT_EQ(f[6], selected ? "1" : "0");
            if (selected) {
                EXPECT_GE(Value(f[7]), 0.0);
                EXPECT_NEAR(Value(f[8]), Value(f[7]) / basinArea, 1e-9);
                sum += Value(f[8]);
                areaSum += Value(f[7]);
            } else {
                EXPECT_EQ(f[7], "");
                EXPECT_EQ(f[8], "");
            }
        }
        EXPECT_NEAR(sum, 1.0, kWeightSumTolerance);
        // the areas add up to the basin area of the file (map-local shifts change only rounding)
        EXPECT_NEAR(areaSum, basinArea, 1e-9 * basinArea);
    }
}

TEST(WeightsCommand, JsonCarriesTheSameDataWithMethodAndBasinArea) {
    const CliRun run = RunWeights("--format json --method heightbalance --stations 2-4,9");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto doc = nlohmann::json::parse(run.Out);
    EXPECT_EQ(doc.at("method"), "heightbalance");
    const double basinArea = doc.at("basin_area").get<double>();
    EXPECT_GT(basinArea, 0.0);
    double sum = 0.0, areas = 0.0;
    for (const auto& s : doc.at("stations")) {
        const long index = s.at("index").get<long>();
        const bool selected = (index >= 2 && index <= 4) || index == 9;
        EXPECT_EQ(s.at("selected").get<bool>(), selected) << index;
        if (selected) {
            sum += s.at("weight").get<double>();
            areas += s.at("area").get<double>();
        } else {
            EXPECT_TRUE(s.at("weight").is_null());
            EXPECT_TRUE(s.at("area").is_null());
        }
    }
    EXPECT_NEAR(sum, 1.0, kWeightSumTolerance);
    EXPECT_NEAR(doc.at("weight_sum").get<double>(), sum, 1e-15);
    EXPECT_NEAR(areas, basinArea, 1e-9 * basinArea);
}

TEST(WeightsCommand, TableIsTheDefaultWithBasinAreaAndWeightSum) {
    const CliRun run = RunWeights("");
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("basin area: "), std::string::npos);
    EXPECT_NE(run.Out.find("sum of weights: 1.000000000000"), std::string::npos) << run.Out;
}

TEST(WeightsCommand, CsvQuotesNamesWithCommasAndQuotes) {
    const CliRun run =
        RunWeights("--format csv --scene '" + std::string(KELVARIN_TEST_DATA) + "/weights_quoted_names.ini'");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto records = CsvRecords(run.Out);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1][1], "North,East");
    EXPECT_EQ(records[2][1], "Say\"Hi\"");
    double sum = 0.0;
    for (std::size_t r = 1; r < records.size(); ++r) {
        ASSERT_EQ(records[r].size(), 9u);
        sum += Value(records[r][8]);
    }
    EXPECT_NEAR(sum, 1.0, kWeightSumTolerance);
}

TEST(WeightsCommand, BadArgumentsPrintOneLineAndExitTwo) {
    const char* bad[] = {"--method voronoi", "--stations 0",    "--stations 1-99",
                         "--stations 5-3",   "--stations 1,,2", "--stations x",
                         "--stations ''",    "--format xml",    "--scene /no/such/Kelvarin.ini",
                         "--stations 1,"};
    for (const char* arguments : bad) {
        SCOPED_TRACE(arguments);
        const CliRun run = RunWeights(arguments);
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Out, "");
        ASSERT_FALSE(run.Err.empty());
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << "one line: " << run.Err;
    }
}

}  // namespace
}  // namespace kelvarin
