// The synthetic gauge records and the many-gauge scene the areal examples and
// benchmarks use.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "scene/Scene.hpp"
#include "tests/scene/TempFile.hpp"
#include "tools/RainRecords.hpp"

namespace kelvarin {
namespace {

const std::filesystem::path kExample = std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / "rain_example.csv";

TEST(RainRecords, CommittedExampleIsWhatTheGeneratorMakes) {
    std::ifstream stream(kExample, std::ios::binary);
    const std::string committed((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    const std::string made = sample::RainRecordsText(sample::MakeSampleScene().Gauges, sample::ExampleRainSettings());
    EXPECT_TRUE(made == committed) << "data/rain_example.csv is stale: remake it with the rain-example target";
}

TEST(RainRecords, ShareOfMissingCellsAndTheManyGaugeSceneLoads) {
    const sample::SampleScene scene = sample::SceneWithGauges(41, 41);
    const testing::TempFile file(sample::SampleSceneText(scene), "many.ini");
    const Scene loaded = LoadScene(file.Path());
    EXPECT_EQ(loaded.Stations.size(), 41u);
    EXPECT_EQ(loaded.Local.CenterPoints.size(), 41u * 40u / 2u);

    sample::RainSettings settings;
    settings.Rows = 2000;
    settings.StepHours = 24;
    settings.MissingShare = 0.05;
    settings.MissingMarks = {"NA"};
    std::istringstream text(sample::RainRecordsText(scene.Gauges, settings));
    std::string line;
    long rows = 0, missing = 0, cells = 0;
    std::getline(text, line);
    while (std::getline(text, line)) {
        ++rows;
        for (std::size_t at = line.find(','); at != std::string::npos; at = line.find(',', at + 1)) {
            ++cells;
            missing += line.compare(at + 1, 2, "NA") == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(rows, settings.Rows);
    EXPECT_EQ(cells, 41L * settings.Rows);
    // 82,000 cells at 5%: the count stays within a few standard deviations (62)
    EXPECT_NEAR(static_cast<double>(missing), 0.05 * cells, 300.0);
}

// Gauges missing in runs: every run lasts 1 to 72 steps, and the runs leave about the
// asked share of the cells missing.
TEST(RainRecords, MissingRunsLastOneToTheLongestStepsAndKeepTheShare) {
    sample::RainSettings settings;
    settings.Rows = 8760;
    settings.MissingShare = 0.05;
    settings.MissingRunSteps = 72;
    const std::vector<sample::Gauge> gauges = sample::MakeSampleScene().Gauges;
    std::istringstream text(sample::RainRecordsText(gauges, settings));
    std::string line;
    std::getline(text, line);
    std::vector<int> run(gauges.size(), 0);
    std::vector<int> longest(gauges.size(), 0);
    long missing = 0, cells = 0, runs = 0;
    while (std::getline(text, line)) {
        std::istringstream fields(line);
        std::string cell;
        std::getline(fields, cell, ',');  // the time
        for (std::size_t g = 0; std::getline(fields, cell, ',') || g < gauges.size(); ++g) {
            ++cells;
            if (cell.empty()) {
                ++missing;
                runs += run[g] == 0 ? 1 : 0;
                longest[g] = std::max(longest[g], ++run[g]);
            } else {
                run[g] = 0;
            }
            cell.clear();
        }
    }
    EXPECT_NEAR(static_cast<double>(missing) / static_cast<double>(cells), 0.05, 0.01);
    EXPECT_GT(runs, 100);
    // runs back to back may join, so a gap is at most twice the longest run
    EXPECT_LE(*std::max_element(longest.begin(), longest.end()), 144);
    EXPECT_GT(static_cast<double>(missing) / static_cast<double>(runs), 20.0) << "runs, not single cells";
}

}  // namespace
}  // namespace kelvarin
