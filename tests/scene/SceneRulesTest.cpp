// The rules a scene must meet before any method runs on it: every refusal with the line
// it names and its words, generated from one good scene by single edits; line ends and
// separators; the limits, enforced before the work they bound.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "TempFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneRules.hpp"

namespace kelvarin {
namespace {

using testing::TempFile;

// A 12 km square basin at map coordinates with three gauges and their centre points;
// each line is one entry so that an edit can replace it.
std::vector<std::string> GoodScene() {
    return {"[Polygon1]",                          // 1
            "Name=Basin",                          // 2
            "Number=4",                            // 3
            "Show=all",                            // 4
            "[Basin]",                             // 5
            "250000,2650000",                      // 6
            "262000,2650000",                      // 7
            "262000,2661000",                      // 8
            "250000,2661000",                      // 9
            "",                                    // 10
            "[rainstation]",                       // 11
            "name number (X,Y,Z)",                 // 12
            "Alpha A001 (252000, 2652000, 120)",   // 13
            "Beta A002 (259000, 2653000, 640)",    // 14
            "Gamma A003 (255000, 2659000, 1480)",  // 15
            "",                                    // 16
            "[CenterPoint]",                       // 17
            "(255500,2652500,380)",                // 18
            "(253500,2655500,800)",                // 19
            "(257000,2656000,1060)"};              // 20
}

std::string Join(const std::vector<std::string>& lines, const std::string& end = "\n") {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

struct Edit {
    const char* what;
    std::vector<std::pair<int, std::string>> lines;  // line number (1-based) and its new text
    int line;                                        // the line the problem names
    std::vector<const char*> words;                  // pieces of its message
};

TEST(SceneRules, EachRefusalNamesItsLineAndCause) {
    const std::vector<Edit> edits = {
        {"bowtie basin", {{8, "250000,2661000"}, {9, "262000,2661000"}}, 5, {"crosses itself", "edge 2-3", "edge 4-1"}},
        {"figure eight through a vertex",
         {{3, "Number=6"}, {9, "256000,2650000\n256000,2661000\n250000,2661000"}},
         5,
         {"crosses itself"}},
        {"basin folding back on an edge", {{9, "256000,2650000"}}, 5, {"crosses itself", "edge 1-2", "edge 4-1"}},
        {"basin beyond the coordinate range", {{7, "2e300,2650000"}}, 5, {"vertex 2", "beyond 1e+12"}},
        {"basin at 1e154",
         {{6, "1e154,1e154"}, {7, "1.0000001e154,1e154"}, {8, "1e154,1.0000001e154"}, {9, "0,0"}},
         5,
         {"beyond 1e+12"}},
        {"basin 1.2e-8 wide",
         {{7, "250000.000000012,2650000"}, {8, "250000.000000012,2661000"}},
         5,
         {"map units wide", "too narrow"}},
        {"basin on one line", {{8, "274000,2650000"}, {9, "256000,2650000"}}, 5, {"zero area"}},
        {"gauge far away", {{14, "Beta A002 (2.5e16, 2653000, 640)"}}, 14, {"station 2 \"Beta\"", "beyond 1e+12"}},
        {"gauge beyond a hundred basin widths",
         {{14, "Beta A002 (1.5e6, 2653000, 640)"}},
         14,
         {"station 2 \"Beta\"", "basin extents"}},
        {"height beyond the range", {{15, "Gamma A003 (255000, 2659000, 1e14)"}}, 15, {"station 3 \"Gamma\""}},
        {"centre point on a station",
         {{18, "(252000,2652000,380)"}},
         18,
         {"centre point 1", "station 1 \"Alpha\"", "station 2 \"Beta\"", "strictly inside"}},
        {"centre point beyond the segment",
         {{19, "(258000,2666000,800)"}},
         19,
         {"centre point 2", "station 1 \"Alpha\"", "station 3 \"Gamma\""}},
        {"centre point off the line", {{20, "(257000,2656500,1060)"}}, 20, {"centre point 3"}},
        {"centre point after comments and a blank line",
         {{17, "[CenterPoint]\n; pairs in order\n"}, {20, "(257000,2656500,1060)"}},
         22,
         {"centre point 3"}},
        {"unreadable centre point", {{18, "(hello)"}}, 18, {"centre point 1", "\"(hello)\" is unreadable"}},
        {"centre point without parentheses", {{19, "hello"}}, 19, {"centre point 2", "\"hello\" is unreadable"}},
        {"empty centre point", {{19, "()"}}, 19, {"centre point 2", "unreadable"}},
        {"centre point without values", {{20, "(,,)"}}, 20, {"centre point 3", "unreadable"}},
    };
    for (const Edit& edit : edits) {
        std::vector<std::string> lines = GoodScene();
        for (const auto& [n, text] : edit.lines) lines[static_cast<std::size_t>(n - 1)] = text;
        TempFile file(Join(lines));
        try {
            LoadScene(file.Path());
            ADD_FAILURE() << edit.what << ": loaded";
        } catch (const SceneError& e) {
            ASSERT_EQ(e.Problems().size(), 1u) << edit.what << ":\n" << e.what();
            const SceneProblem& p = e.Problems()[0];
            EXPECT_EQ(p.Line, edit.line) << edit.what << ": " << p.ToString();
            for (const char* w : edit.words)
                EXPECT_NE(p.Message.find(w), std::string::npos) << edit.what << ": " << p.ToString();
            EXPECT_EQ(p.Message.find('\n'), std::string::npos) << edit.what;
        }
    }
    // the unedited scene loads, and a gauge just inside the distance rule too
    std::vector<std::string> lines = GoodScene();
    EXPECT_NO_THROW(LoadScene(TempFile(Join(lines)).Path()));
    lines[3] = "Show=thiessen";
    lines[13] = "Beta A002 (1.45e6, 2653000, 640)";  // 99 basin extents east of the basin
    EXPECT_NO_THROW(LoadScene(TempFile(Join(lines)).Path()));
}

TEST(SceneRules, LineEndsAndTabsReadAlike) {
    const Scene lf = LoadScene(TempFile(Join(GoodScene())).Path());
    std::vector<std::string> tabbed = GoodScene();
    tabbed[12] = "Alpha\tA001\t(252000,\t2652000,\t120)";
    tabbed[13] = "Beta\t\tA002 \t (259000, 2653000, 640)";
    for (const std::string& text : {Join(GoodScene(), "\r"), Join(GoodScene(), "\r\n"), Join(tabbed, "\r")}) {
        const Scene scene = LoadScene(TempFile(text).Path());
        ASSERT_EQ(scene.Stations.size(), lf.Stations.size());
        for (std::size_t i = 0; i < scene.Stations.size(); ++i) {
            EXPECT_EQ(scene.Stations[i].Name, lf.Stations[i].Name);
            EXPECT_EQ(scene.Stations[i].Number, lf.Stations[i].Number);
            EXPECT_EQ(scene.Stations[i].Point.X, lf.Stations[i].Point.X);
            EXPECT_EQ(scene.Stations[i].Point.z, lf.Stations[i].Point.z);
        }
        EXPECT_EQ(scene.Basin.size(), 4u);
        EXPECT_EQ(scene.Local.CenterPoints.size(), 3u);
    }
    // a problem on a CR-only file names the right line
    std::vector<std::string> bad = GoodScene();
    bad[14] = "Gamma A003 (255000, 2659000, 1e14)";
    try {
        LoadScene(TempFile(Join(bad, "\r")).Path());
        ADD_FAILURE() << "loaded";
    } catch (const SceneError& e) {
        EXPECT_EQ(e.Problems().at(0).Line, 15);
    }
}

TEST(SceneRules, LimitsAreEnforcedBeforeTheWork) {
    using namespace scene_rules;
    const auto start = std::chrono::steady_clock::now();
    auto refusal = [](const std::filesystem::path& file) {
        try {
            LoadScene(file);
        } catch (const SceneError& e) {
            return std::string(e.what());
        }
        return std::string("loaded");
    };
#ifndef _WIN32
    // a device that never ends
    EXPECT_NE(refusal("/dev/zero").find("larger than 64 MB"), std::string::npos);
#endif
    // one station more than allowed, no centre points needed
    std::vector<std::string> lines = GoodScene();
    lines[3] = "Show=thiessen";
    lines.resize(12);
    for (long i = 0; i <= kMaxStations; ++i)
        lines.push_back("S" + std::to_string(i) + " N (" + std::to_string(251000 + i) + ", 2655000)");
    EXPECT_NE(refusal(TempFile(Join(lines)).Path()).find("at most " + std::to_string(kMaxStations)), std::string::npos);
    lines.resize(static_cast<std::size_t>(12 + kMaxStations));
    EXPECT_EQ(refusal(TempFile(Join(lines)).Path()), "loaded");
    // a vertex count above the limit is refused without reading the block
    lines = GoodScene();
    lines[2] = "Number=" + std::to_string(kMaxBasinVertices + 1);
    EXPECT_NE(refusal(TempFile(Join(lines)).Path()).find("at most " + std::to_string(kMaxBasinVertices)),
              std::string::npos);
    // generous: only a hang or minutes of work would exceed it
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

}  // namespace
}  // namespace kelvarin
