// The generators in tools/ and the soak program as a user runs them: --help prints the
// usage and writes nothing; a bad number, an unknown option or a missing argument is one
// line on stderr naming it, status 2, and writes nothing; a good run writes exactly what
// the generators make (the committed data files for the bundled scene and the example).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../cli/CliRun.hpp"
#include "../cli/ProgramTest.hpp"
#include "tools/RainRecords.hpp"
#include "tools/SampleScene.hpp"

namespace kelvarin::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kBin = KELVARIN_BINARY_DIR;
const fs::path kData = fs::path(KELVARIN_SOURCE_DIR) / "data";

// A refused command line and a word the message must name.
struct Refusal {
    std::string Arguments;
    std::string Named;
};

// each program runs in a fresh, empty folder
class ToolProgram : public ProgramTest {
  protected:
    CliRun Run(const std::string& program, const std::string& arguments) const {
        return RunProgram(kBin / program, arguments, dir_);
    }

    // --help: the usage on stdout, status 0, nothing written
    void ExpectHelp(const std::string& program) const {
        const CliRun run = Run(program, "--help");
        EXPECT_EQ(run.Status, 0) << program << ": " << run.Err;
        EXPECT_NE(run.Out.find("Usage: " + program), std::string::npos) << run.Out;
        EXPECT_TRUE(run.Err.empty()) << run.Err;
        EXPECT_TRUE(fs::is_empty(dir_)) << program << " --help wrote " << fs::directory_iterator(dir_)->path();
    }

    // every refusal: one line "<program>: ..." naming the culprit, status 2, nothing written
    void ExpectRefusals(const std::string& program, const std::vector<Refusal>& refusals) const {
        for (const auto& [arguments, named] : refusals) {
            const CliRun run = Run(program, arguments);
            const std::string what = std::string(program).append(" ").append(arguments);
            EXPECT_EQ(run.Status, 2) << what;
            EXPECT_EQ(run.Err.rfind(program + ": ", 0), 0u) << what << ": " << run.Err;
            EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << what << ": " << run.Err;
            EXPECT_NE(run.Err.find(named), std::string::npos) << what << " does not name " << named << ": " << run.Err;
            EXPECT_TRUE(fs::is_empty(dir_)) << what << " wrote " << fs::directory_iterator(dir_)->path();
            fs::remove_all(dir_);
            fs::create_directories(dir_);
        }
    }

    // runs a good command line and returns the bytes of the file it wrote
    std::string Written(const std::string& program, const std::string& arguments, const std::string& file) const {
        const CliRun run = Run(program, arguments);
        EXPECT_EQ(run.Status, 0) << program << " " << arguments << ": " << run.Err;
        return ReadText(dir_ / file);
    }
};

using RainRecordsProgram = ToolProgram;
using SampleSceneProgram = ToolProgram;

TEST_F(RainRecordsProgram, AnswersHelpAndRefusesBadNumbersNamingThem) {
    ExpectHelp("make_rain_records");
    ExpectRefusals("make_rain_records", {
                                            {"out.csv ten 1 0.05", "ten"},
                                            {"out.csv 24 hourly 0.05", "hourly"},
                                            {"out.csv 24 1 some", "some"},
                                            {"out.csv 24 1 1.5", "1.5"},
                                            {"out.csv 0 1 0.05", "ROWS"},
                                            {"out.csv -5 1 0.05", "-5"},
                                            {"out.csv 24 1 0.05 many scene.ini", "many"},
                                            {"out.csv 24", "STEP-HOURS"},
                                            {"out.csv 24 1 0.05 41", "SCENE"},
                                            {"out.csv 24 1 0.05 41 scene.ini extra", "extra"},
                                            {"out.csv --rows 24", "--rows"},
                                            {"", "OUT"},
                                        });
}

TEST_F(RainRecordsProgram, WritesTheExampleAndTheLargerFilesAsTheGeneratorMakesThem) {
    EXPECT_TRUE(Written("make_rain_records", "rain.csv", "rain.csv") == ReadText(kData / "rain_example.csv"))
        << "make_rain_records OUT no longer writes data/rain_example.csv";

    sample::RainSettings daily;
    daily.Rows = 200;
    daily.StepHours = 24;
    daily.MissingShare = 0.25;
    EXPECT_TRUE(Written("make_rain_records", "daily.csv 200 24 0.25", "daily.csv") ==
                sample::RainRecordsText(sample::MakeSampleScene().Gauges, daily));

    const sample::SampleScene many = sample::SceneWithGauges(41, 41);
    sample::RainSettings hourly;
    hourly.Rows = 48;
    hourly.MissingShare = 0;
    EXPECT_TRUE(Written("make_rain_records", "hourly.csv 48 1 0 41 many.ini", "hourly.csv") ==
                sample::RainRecordsText(many.Gauges, hourly));
    EXPECT_TRUE(ReadText(dir_ / "many.ini") == sample::SampleSceneText(many));
}

TEST_F(SampleSceneProgram, AnswersHelpAndRefusesBadNumbersNamingThem) {
    ExpectHelp("make_sample_scene");
    ExpectRefusals("make_sample_scene", {
                                            {"--gauges many big.ini", "many"},
                                            {"--gauges 0 big.ini", "--gauges"},
                                            {"--gauges 100 --sections 2.5 big.ini", "2.5"},
                                            {"--center-points big.ini", "--gauges"},
                                            {"--sections 3 big.ini", "--gauges"},
                                            {"--colour big.ini", "--colour"},
                                            {"one.ini two.ini", "two.ini"},
                                            {"", "OUT"},
                                        });
}

TEST_F(SampleSceneProgram, WritesTheBundledSceneAndLargeScenesAsTheGeneratorMakesThem) {
    EXPECT_TRUE(Written("make_sample_scene", "Kelvarin.ini", "Kelvarin.ini") == ReadText(kData / "Kelvarin.ini"))
        << "make_sample_scene OUT no longer writes data/Kelvarin.ini";
    // options may come before and after the file
    const sample::LargeSceneOptions large{.Gauges = 150, .CenterPoints = true, .Sections = 3};
    EXPECT_TRUE(Written("make_sample_scene", "--gauges 150 big.ini --center-points --sections 3", "big.ini") ==
                sample::LargeSceneText(large));
}

#ifdef KELVARIN_WITH_SOAK
using SoakProgram = ToolProgram;

// the soak program runs for minutes when it runs: only its command line here
TEST_F(SoakProgram, AnswersHelpAndRefusesBadNumbersNamingThem) {
    ExpectHelp("kelvarin-soak");
    ExpectRefusals("kelvarin-soak", {
                                        {"--cycles lots", "lots"},
                                        {"--cycles 0", "--cycles"},
                                        {"--every 0", "--every"},
                                        {"--settle soon", "soon"},
                                        {"--growth-mb 1MB", "1MB"},
                                        {"--scene moon", "moon"},
                                        {"--colour red", "--colour"},
                                        {"--cycles", "--cycles"},
                                    });
}
#endif

}  // namespace
}  // namespace kelvarin::testing
