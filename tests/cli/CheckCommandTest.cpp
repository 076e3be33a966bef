#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/SceneSummary.hpp"
#include "scene/ProgramFolder.hpp"
#include "scene/Scene.hpp"
#include "tests/cli/CliRun.hpp"

namespace kelvarin {
namespace {

std::filesystem::path Data(const std::string& name) { return std::filesystem::path(KELVARIN_TEST_DATA) / name; }

using testing::CliRun;
using testing::RunCli;

// the lines of a text
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

TEST(ProgramFolder, IsTheFolderOfTheRunningBinary) {
    EXPECT_EQ(std::filesystem::canonical(ProgramFolder()), std::filesystem::canonical(KELVARIN_BINARY_DIR));
    EXPECT_EQ(DefaultScenePath().filename(), "Kelvarin.ini");
}

TEST(SceneSummary, CountsStationsInsideOnAndOutsideTheBasin) {
    Scene scene;
    scene.Basin = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
    scene.Stations = {
        {"in", "1", {50, 50, 0}}, {"out", "2", {150, 50, 0}}, {"edge", "3", {100, 50, 0}}, {"out2", "4", {-1, -1, 0}}};
    const SceneSummary s = SummariseScene(scene);
    EXPECT_EQ(s.BasinVertices, 4);
    EXPECT_DOUBLE_EQ(s.BasinArea, 10000.0);
    EXPECT_EQ(s.Inside, 1);
    EXPECT_EQ(s.Outside, 2);
    EXPECT_EQ(s.OnBoundary, 1);
    EXPECT_EQ(s.Inside + s.Outside + s.OnBoundary, s.Stations);
}

TEST(SceneSummary, AreaDoesNotDependOnTheRingDirection) {
    Scene scene;
    scene.Basin = {{0, 0, 0}, {0, 30, 0}, {40, 0, 0}};
    const double clockwise = SummariseScene(scene).BasinArea;
    std::swap(scene.Basin[1], scene.Basin[2]);
    EXPECT_DOUBLE_EQ(clockwise, 600.0);
    EXPECT_DOUBLE_EQ(SummariseScene(scene).BasinArea, 600.0);
}

TEST(CheckCommand, SummarisesTheBundledSceneBesideTheBinary) {
    const CliRun run = RunCli("check");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const SceneSummary expected = SummariseScene(LoadScene(DefaultScenePath()));
    EXPECT_NE(run.Out.find(std::to_string(expected.BasinVertices) + " vertices"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(std::to_string(expected.Stations) + " (" + std::to_string(expected.Inside) + " inside"),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Out.find("show:           all"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(std::to_string(expected.CenterPoints) + " read"), std::string::npos) << run.Out;
    EXPECT_EQ(expected.CenterPoints, expected.Stations * (expected.Stations - 1) / 2);
}

TEST(CheckCommand, ThiessenSceneReadsNoCentrePoints) {
    const CliRun run = RunCli("check --scene '" + Data("scene_thiessen_only.ini").string() + "'");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("3 (3 inside the basin, 0 outside)"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("not read"), std::string::npos) << run.Out;
}

// A scene that passes `check` for a method is never refused later for its data: on every
// scene of the tests, `weights` with that method either computes or fails only as check did.
TEST(CheckCommand, ASceneThatPassesCheckForAMethodIsComputedWithIt) {
    long passed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVARIN_TEST_DATA)) {
        if (entry.path().extension() != ".ini") continue;
        for (const std::string method : {"thiessen", "heightbalance"}) {
            const std::string scene = " --scene '" + entry.path().string() + "' --method " + method;
            const CliRun check = RunCli("check" + scene);
            const CliRun weights = RunCli("weights --format csv" + scene);
            SCOPED_TRACE(entry.path().filename().string() + " " + method);
            if (check.Status == 0) {
                ++passed;
                EXPECT_EQ(weights.Status, 0) << weights.Err;
            } else {
                EXPECT_EQ(weights.Status, check.Status);
                EXPECT_EQ(weights.Err, check.Err) << "the same problems, named the same way";
            }
        }
    }
    EXPECT_GE(passed, 10);
    // a scene that shows only Thiessen keeps one centre-point line for three gauges
    const CliRun heightBalance =
        RunCli("check --method heightbalance --scene '" + Data("scene_thiessen_only.ini").string() + "'");
    EXPECT_EQ(heightBalance.Status, 2);
    EXPECT_NE(heightBalance.Err.find("3 stations need 3 centre-point lines"), std::string::npos) << heightBalance.Err;
}

// A scene in longitude and latitude is computed, and every command that reads it says once
// on stderr that its polygons are not those on the ground, naming the import that projects
// it; a scene in metres that happens to lie near the origin is not taken for degrees.
TEST(CheckCommand, CoordinatesInDegreesAreToldByEveryCommand) {
    const auto dir = std::filesystem::temp_directory_path() / ("kelvarin-degrees-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string degrees =
        "[Polygon1]\nName=B\nNumber=4\nShow=thiessen\n[B]\n121.0,23.0\n121.5,23.0\n121.5,23.6\n121.0,23.6\n"
        "[rainstation]\nName Number (X,Y,Z)\nA 1 (121.1,23.1,10)\nB 2 (121.4,23.2,20)\nC 3 (121.2,23.5,30)\n";
    std::ofstream(dir / "degrees.ini") << degrees;
    std::ofstream(dir / "rain.csv") << "time,1,2,3\nt1,1,2,3\n";
    const std::string scene = " --scene '" + (dir / "degrees.ini").string() + "'";
    const std::vector<std::string> commands = {
        "check" + scene, "weights" + scene, "areal" + scene + " --rain '" + (dir / "rain.csv").string() + "'",
        "render" + scene + " --size 64x48 --out '" + (dir / "figure.png").string() + "'",
        "export" + scene + " --out '" + (dir / "layers.geojson").string() + "'"};
    for (const std::string& command : commands) {
        const CliRun run = RunCli(command);
        EXPECT_EQ(run.Status, 0) << command << "\n" << run.Err;
        std::size_t warnings = 0;
        for (std::size_t at = run.Err.find("longitude and latitude"); at != std::string::npos;
             at = run.Err.find("longitude and latitude", at + 1))
            ++warnings;
        EXPECT_EQ(warnings, 1u) << command << "\n" << run.Err;
        EXPECT_NE(run.Err.find("kelvarin-cli import"), std::string::npos) << command;
    }
    // the area of a basin in degrees is read to six digits
    EXPECT_NE(RunCli("check" + scene).Out.find("area 0.300000 square map units"), std::string::npos);
    // metres near the origin: the same shape a thousand times larger
    std::string metres = degrees;
    for (const auto& [from, to] : {std::pair{"121.", "1210"}, {"23.", "230"}})
        for (std::size_t at = metres.find(from); at != std::string::npos; at = metres.find(from, at + 1))
            metres.replace(at, std::string(from).size(), to);
    std::ofstream(dir / "metres.ini") << metres;
    const CliRun run = RunCli("weights --scene '" + (dir / "metres.ini").string() + "'");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    std::filesystem::remove_all(dir);
}

TEST(CheckCommand, EveryProblemOnItsOwnLineAndExitTwo) {
    const std::filesystem::path file = Data("error_many.ini");
    const CliRun run = RunCli("check --scene '" + file.string() + "'");
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    const std::vector<std::string> lines = Lines(run.Err);
    ASSERT_EQ(lines.size(), 3u) << run.Err;
    for (const std::string& line : lines) EXPECT_EQ(line.rfind(file.string() + ":", 0), 0u) << line;
}

TEST(CheckCommand, MissingFileAndBadUsageExitTwo) {
    const CliRun missing = RunCli("check --scene '" + Data("no-such-scene.ini").string() + "'");
    EXPECT_EQ(missing.Status, 2);
    EXPECT_NE(missing.Err.find("no such file"), std::string::npos) << missing.Err;
    EXPECT_EQ(RunCli("check --no-such-option").Status, 2);
    EXPECT_EQ(RunCli("").Status, 2);
    EXPECT_EQ(RunCli("--help").Status, 0);
}

TEST(CommandLine, AnUnknownOrMissingCommandIsNamedAndTheCommandsListed) {
    for (const std::string& line : {std::string("rainfall --scene x.ini"), std::string("")}) {
        const CliRun run = RunCli(line);
        EXPECT_EQ(run.Status, 2) << line;
        EXPECT_EQ(run.Out, "") << line;
        EXPECT_NE(run.Err.find(line.empty() ? "a command is required" : "unknown command 'rainfall'"),
                  std::string::npos)
            << run.Err;
        for (const char* command : {"check", "weights", "render", "demo", "areal"})
            EXPECT_NE(run.Err.find(command), std::string::npos) << run.Err;
    }
}

}  // namespace
}  // namespace kelvarin
