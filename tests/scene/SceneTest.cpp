#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "TempFile.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {
namespace {

using testing::TempFile;

std::filesystem::path Data(const std::string& name) { return std::filesystem::path(KELVARIN_TEST_DATA) / name; }

// the problems LoadScene reports for a file; fails the test when it loads
std::vector<SceneProblem> ProblemsOf(const std::filesystem::path& file) {
    try {
        LoadScene(file);
    } catch (const SceneError& e) {
        return e.Problems();
    }
    ADD_FAILURE() << file << " loaded without problems";
    return {};
}

// one problem expected: its line and a piece of its message; the file is always named
void ExpectOneProblem(const std::string& name, int line, const std::string& words) {
    const std::vector<SceneProblem> problems = ProblemsOf(Data(name));
    ASSERT_EQ(problems.size(), 1u) << name;
    EXPECT_EQ(problems[0].File, Data(name));
    EXPECT_EQ(problems[0].Line, line) << problems[0].ToString();
    EXPECT_NE(problems[0].Message.find(words), std::string::npos) << problems[0].ToString();
}

void ExpectPoint(const cPoint& p, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(p.X, x);
    EXPECT_DOUBLE_EQ(p.Y, y);
    EXPECT_DOUBLE_EQ(p.z, z);
}

// the centre points in the file's coordinates: the loader keeps them map-local only
std::vector<cPoint> FileCentres(const Scene& scene) {
    std::vector<cPoint> points;
    const cPoint& origin = scene.Local.ReferancePoint;
    for (const cPoint& p : scene.Local.CenterPoints) points.push_back(cPoint{p.X + origin.X, p.Y + origin.Y, p.z});
    return points;
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

TEST(LoadScene, ReadsBasinStationsShowAndCentrePoints) {
    const Scene scene = LoadScene(Data("scene_minimal.ini"));
    EXPECT_EQ(scene.BasinName, "Square");
    ASSERT_EQ(scene.Basin.size(), 4u);
    ExpectPoint(scene.Basin[0], 1000, 2000, 0);
    ExpectPoint(scene.Basin[2], 1100, 2100, 0);
    EXPECT_EQ(scene.ShowMethod, ShowSetting::Both);  // "ALL" in any case
    ASSERT_EQ(scene.Stations.size(), 4u);
    EXPECT_EQ(scene.Local.CenterPoints.size(), 6u);
}

TEST(LoadScene, StationLinesFollowTheLeadingNumberRule) {
    const Scene scene = LoadScene(Data("scene_minimal.ini"));
    ASSERT_EQ(scene.Stations.size(), 4u);
    // A001, two blanks, 12345, (1000.5, 2000, 35)
    EXPECT_EQ(scene.Stations[0].Name, "A001");
    EXPECT_EQ(scene.Stations[0].Number, "12345");
    ExpectPoint(scene.Stations[0].Point, 1000.5, 2000, 35);
    // only two coordinates: z stays 0
    EXPECT_EQ(scene.Stations[1].Number, "B-2");
    ExpectPoint(scene.Stations[1].Point, 1050, 2050, 0);
    // blanks inside the numbers are ignored; names pass as UTF-8
    EXPECT_EQ(scene.Stations[2].Name, "溪口");
    EXPECT_EQ(scene.Stations[2].Number, "C3");
    ExpectPoint(scene.Stations[2].Point, 1090, 2010, 120.25);
    // a line that begins with a blank has an empty name
    EXPECT_EQ(scene.Stations[3].Name, "");
    ExpectPoint(scene.Stations[3].Point, 1020, 2090, 7);
}

TEST(LoadScene, CentrePointsKeepTheirPairOrder) {
    // comment and blank lines stand between the pairs; the points must stay in pair order
    const Scene scene = LoadScene(Data("scene_minimal.ini"));
    const std::vector<cPoint> centres = FileCentres(scene);
    ASSERT_EQ(centres.size(), 6u);
    ExpectPoint(centres[0], 1025.25, 2025, 35);  // (1,2)
    ExpectPoint(centres[1], 1045, 2005, 77.6);   // (1,3)
    ExpectPoint(centres[2], 1010.25, 2045, 21);  // (1,4)
    ExpectPoint(centres[3], 1070, 2030, 60.1);   // (2,3)
    ExpectPoint(centres[4], 1035, 2070, 3.5);    // (2,4)
    ExpectPoint(centres[5], 1055, 2050, 63.6);   // (3,4)
    // every point in this file lies between its two stations
    const auto& s = scene.Stations;
    std::size_t k = 0;
    for (std::size_t a = 0; a < s.size(); ++a) {
        for (std::size_t b = a + 1; b < s.size(); ++b, ++k) {
            const cPoint& c = centres[k];
            EXPECT_GE(c.X, std::min(s[a].Point.X, s[b].Point.X)) << "pair " << a + 1 << "," << b + 1;
            EXPECT_LE(c.X, std::max(s[a].Point.X, s[b].Point.X)) << "pair " << a + 1 << "," << b + 1;
        }
    }
}

TEST(LoadScene, LastPolygonBecomesTheBasinAndDecidesShow) {
    const Scene scene = LoadScene(Data("scene_two_polygons.ini"));
    EXPECT_EQ(scene.BasinName, "Inner");
    ASSERT_EQ(scene.Basin.size(), 5u);
    ExpectPoint(scene.Basin[3], 200, 150, 0);
    EXPECT_EQ(scene.ShowMethod, ShowSetting::HeightBalance);
    EXPECT_EQ(scene.Local.CenterPoints.size(), 3u);
}

TEST(LoadScene, UnknownShowLeavesTheEarlierValue) {
    const Scene scene = LoadScene(Data("scene_show_unknown.ini"));
    EXPECT_EQ(scene.BasinName, "Second");
    EXPECT_EQ(scene.ShowMethod, ShowSetting::HeightBalance);
    EXPECT_EQ(scene.Local.CenterPoints.size(), 1u);
}

TEST(LoadScene, ThiessenOnlyNeverReadsCentrePoints) {
    // the section holds one line for three pairs; with Show=thiessen that is no problem
    const Scene scene = LoadScene(Data("scene_thiessen_only.ini"));
    EXPECT_EQ(scene.ShowMethod, ShowSetting::Thiessen);
    EXPECT_TRUE(scene.Local.CenterPoints.empty());
    EXPECT_EQ(scene.Stations.size(), 3u);
}

TEST(LoadScene, Big5AndByteOrderMarkScenes) {
    const Scene big5 = LoadScene(Data("scene_big5.ini"));
    EXPECT_EQ(big5.BasinName, "雲嶺");
    ASSERT_EQ(big5.Stations.size(), 2u);
    EXPECT_EQ(big5.Stations[0].Name, "青松坪");
    EXPECT_EQ(big5.Stations[1].Name, "白石潭");
    EXPECT_EQ(big5.Stations[1].Number, "02");
    ExpectPoint(big5.Stations[1].Point, 40, 20, 450);
    EXPECT_EQ(big5.ShowMethod, ShowSetting::Thiessen);  // "Thiessen"

    const Scene bom = LoadScene(Data("scene_utf8_bom.ini"));
    EXPECT_EQ(bom.Basin.size(), 3u);
    ASSERT_EQ(bom.Stations.size(), 2u);
    EXPECT_EQ(bom.Stations[0].Name, "楓林坑");
    EXPECT_EQ(bom.Stations[1].Name, "Redstone_Ford");
}

TEST(LoadScene, CrLfLineEndsReadTheSame) {
    std::string text = ReadBytes(Data("scene_minimal.ini"));
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    TempFile file(crlf);
    const Scene a = LoadScene(Data("scene_minimal.ini"));
    const Scene b = LoadScene(file.Path());
    ASSERT_EQ(a.Stations.size(), b.Stations.size());
    for (std::size_t i = 0; i < a.Stations.size(); ++i) EXPECT_EQ(a.Stations[i].Number, b.Stations[i].Number);
    ASSERT_EQ(a.Local.CenterPoints.size(), b.Local.CenterPoints.size());
    for (std::size_t i = 0; i < a.Local.CenterPoints.size(); ++i)
        EXPECT_EQ(a.Local.CenterPoints[i].z, b.Local.CenterPoints[i].z);
}

// The vertex block is a stream of values taken in pairs: however commas and line ends
// share the eight values of the square, the basin reads the same; one value short is an error.
TEST(LoadScene, VertexValuesMaySpreadOverLinesInAnyWay) {
    const std::string text = ReadBytes(Data("scene_minimal.ini"));
    const std::string block = "1000,2000\n1100,2000\n1100,2100\n1000,2100\n";
    ASSERT_NE(text.find(block), std::string::npos);
    const std::vector<std::string> values = {"1000", "2000", "1100", "2000", "1100", "2100", "1000", "2100"};
    const Scene expected = LoadScene(Data("scene_minimal.ini"));
    std::mt19937 random(5);
    for (int layout = 0; layout < 40; ++layout) {
        std::string spread;
        for (std::size_t v = 0; v < values.size(); ++v) {
            spread += values[v];
            if (v + 1 == values.size()) break;
            const int how = static_cast<int>(random() % 4);  // comma, line end, comma and line end, blank line
            spread += how == 0 ? "," : how == 1 ? "\n" : how == 2 ? " ,\n" : "\n\n";
        }
        std::string changed = text;
        changed.replace(changed.find(block), block.size(), spread + "\n");
        TempFile file(changed);
        const Scene scene = LoadScene(file.Path());
        ASSERT_EQ(scene.Basin.size(), 4u) << spread;
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(scene.Basin[k].X, expected.Basin[k].X) << spread;
            EXPECT_EQ(scene.Basin[k].Y, expected.Basin[k].Y) << spread;
        }
        std::string shorter = text;
        shorter.replace(shorter.find(block), block.size(), spread.substr(0, spread.rfind(values.back())) + "\n");
        TempFile shortFile(shorter);
        EXPECT_THROW(LoadScene(shortFile.Path()), SceneError) << spread;
    }
}

TEST(LoadScene, UnreadableNumbersReadAsZero) {
    TempFile file(
        "[Polygon1]\nName=B\nNumber=3\n[B]\n0,0\n10,0\n0,10\n[rainstation]\nh\n"
        "S1 1 (abc,5,x)\nS2 2 no parentheses\n");
    const Scene scene = LoadScene(file.Path());
    ASSERT_EQ(scene.Stations.size(), 2u);
    ExpectPoint(scene.Stations[0].Point, 0, 5, 0);
    ExpectPoint(scene.Stations[1].Point, 0, 0, 0);
}

TEST(LoadScene, ThirtyStationsNeedAllTheirCentrePoints) {
    // 435 centre-point lines: far more text than a 16384-character buffer
    std::ostringstream text;
    text << "[Polygon1]\nName=B\nNumber=3\nShow=all\n[B]\n0,0\n1000,0\n0,1000\n[rainstation]\nName Number (X,Y,Z)\n";
    for (int i = 1; i <= 30; ++i) text << "S" << i << " " << i << " (" << i * 10 << "," << i * 7 << "," << i << ")\n";
    text << "\n[CenterPoint]\n";
    for (int a = 1; a <= 30; ++a) {
        // the midpoint of the pair (a, b)
        for (int b = a + 1; b <= 30; ++b) text << "(" << (a + b) * 5 << "," << (a + b) * 3.5 << "," << a + b << ".5)\n";
    }
    TempFile file(text.str());
    const Scene scene = LoadScene(file.Path());
    const std::vector<cPoint> centres = FileCentres(scene);
    ASSERT_EQ(centres.size(), 435u);
    std::size_t k = 0;
    for (int a = 1; a <= 30; ++a) {
        for (int b = a + 1; b <= 30; ++b, ++k) ExpectPoint(centres[k], (a + b) * 5, (a + b) * 3.5, a + b + 0.5);
    }
}

// The centre points are read when the method shown can be height-balance: the scene's own
// "Show", or the method a caller shows in its place; and only then are their lines counted.
TEST(LoadScene, CentrePointsAreReadForTheMethodShown) {
    const std::filesystem::path minimal = Data("scene_minimal.ini");  // Show=ALL, 4 stations, 6 lines
    EXPECT_EQ(LoadScene(minimal).Local.CenterPoints.size(), 6u);
    EXPECT_TRUE(LoadScene(minimal, ShowSetting::Thiessen).Local.CenterPoints.empty());
    EXPECT_EQ(LoadScene(minimal, ShowSetting::Thiessen).ShowMethod, ShowSetting::Thiessen);
    const Scene heightBalance = LoadScene(minimal, ShowSetting::HeightBalance);
    EXPECT_EQ(heightBalance.ShowMethod, ShowSetting::HeightBalance);
    EXPECT_EQ(FileCentres(heightBalance).size(), 6u);

    const std::filesystem::path thiessen = Data("scene_thiessen_only.ini");  // 3 stations, 1 line
    EXPECT_TRUE(LoadScene(thiessen).Local.CenterPoints.empty());
    try {
        LoadScene(thiessen, ShowSetting::Both);
        ADD_FAILURE() << "a height-balance scene with too few centre-point lines was read";
    } catch (const SceneError& e) {
        EXPECT_NE(std::string(e.what()).find("3 stations need 3 centre-point lines"), std::string::npos) << e.what();
    }
    EXPECT_THROW(LoadScene(Data("no-such-scene.ini"), ShowSetting::HeightBalance), SceneError);
}

TEST(SceneErrors, FileMissingOrAFolder) {
    ExpectOneProblem("no-such-scene.ini", 0, "no such file");
    const std::vector<SceneProblem> folder = ProblemsOf(Data(""));
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_NE(folder[0].Message.find("folder"), std::string::npos);
}

TEST(SceneErrors, FileWithoutReadPermission) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no POSIX file modes to take the read permission away";
#else
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser can read any file";
#endif
    TempFile file(ReadBytes(Data("scene_minimal.ini")));
    std::filesystem::permissions(file.Path(), std::filesystem::perms::none);
    const std::vector<SceneProblem> problems = ProblemsOf(file.Path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].Message.find("cannot be opened"), std::string::npos) << problems[0].ToString();
}

TEST(SceneErrors, EachMalformedSceneIsReportedWhereItIsWrong) {
    ExpectOneProblem("error_no_polygon.ini", 0, "no polygon section");
    ExpectOneProblem("error_missing_vertex_block.ini", 3, "vertex block \"[Basin]\"");
    ExpectOneProblem("error_missing_vertex_block.ini", 3, "differs from it by blanks");
    ExpectOneProblem("error_too_few_vertices.ini", 4, "at least 3");
    ExpectOneProblem("error_vertex_count_exceeds.ini", 6, "should hold 6 vertices");
    ExpectOneProblem("error_vertex_count_exceeds.ini", 6, "only 8 values follow");
    ExpectOneProblem("error_vertex_count_at_end.ini", 10, "only 6 values follow");
    ExpectOneProblem("error_zero_area.ini", 6, "zero area");
    ExpectOneProblem("error_no_rainstation.ini", 0, "no [rainstation] section");
    ExpectOneProblem("error_no_station_lines.ini", 11, "no station lines");
    ExpectOneProblem("error_few_center_points.ini", 19, "holds 5 lines, but 4 stations need 6");
}

TEST(SceneErrors, EveryProblemOfAFileIsReported) {
    const std::vector<SceneProblem> problems = ProblemsOf(Data("error_many.ini"));
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].Line, 4);   // Number=2
    EXPECT_EQ(problems[1].Line, 13);  // X 1e999
    EXPECT_NE(problems[1].Message.find("too large"), std::string::npos);
    EXPECT_NE(problems[2].Message.find("holds 1 line, but 3 stations need 3"), std::string::npos);
    // what() lists them one per line as "file:line: message"
    try {
        LoadScene(Data("error_many.ini"));
    } catch (const SceneError& e) {
        const std::string what = e.what();
        EXPECT_EQ(what, problems[0].ToString() + "\n" + problems[1].ToString() + "\n" + problems[2].ToString());
        EXPECT_EQ(problems[0].ToString().rfind(Data("error_many.ini").string() + ":4: ", 0), 0u);
    }
}

TEST(SceneErrors, NamelessLaterPolygonIsReported) {
    TempFile file(
        "[Polygon1]\nName=B\nNumber=3\n[Polygon2]\nShow=all\n[B]\n0,0\n1,0\n0,1\n[rainstation]\nh\nS 1 (0,0)\n");
    const std::vector<SceneProblem> problems = ProblemsOf(file.Path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Line, 4);
    EXPECT_NE(problems[0].Message.find("[Polygon2] has no Name"), std::string::npos);
}

TEST(SceneErrors, EveryPolygonNamingABlockReportsWhatItReadsThere) {
    // both polygons read the one block [B]: each reports the value it cannot hold, the first also
    // that it wants more vertices than the block holds
    TempFile file(
        "[Polygon1]\nName=B\nNumber=4\n[Polygon2]\nName=B\nNumber=3\n[B]\n0,0\n1,0\n0,1e999\n[rainstation]\nh\nS 1 "
        "(0.2,0.2)\n");
    const std::vector<SceneProblem> problems = ProblemsOf(file.Path());
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].ToString(), problems[2].ToString());
    EXPECT_EQ(problems[0].Line, 10);
    EXPECT_EQ(problems[0].Message, "Y \"1e999\" is too large");
    EXPECT_EQ(problems[1].Line, 7);
    EXPECT_NE(problems[1].Message.find("should hold 4 vertices"), std::string::npos);
}

TEST(SceneErrors, StationHeaderWithBlanksIsPointedOut) {
    TempFile file("[Polygon1]\nName=B\nNumber=3\n[B]\n0,0\n1,0\n0,1\n  [RainStation] \nh\nS 1 (0,0)\n");
    const std::vector<SceneProblem> problems = ProblemsOf(file.Path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Line, 8);
    EXPECT_NE(problems[0].Message.find("differs from it by blanks"), std::string::npos);
}

TEST(SceneErrors, TwoStationTablesAreReported) {
    TempFile file(
        "[Polygon1]\nName=B\nNumber=3\n[B]\n0,0\n1,0\n0,1\n[rainstation]\nh\nS 1 (0,0)\n\n[RainStation]\nh\nT 2 "
        "(1,1)\n");
    const std::vector<SceneProblem> problems = ProblemsOf(file.Path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Line, 12);
}

TEST(SceneErrors, UndecodableTextIsReportedWithItsLine) {
    TempFile file("[Polygon1]\nName=B\xFF\xFF\n");
    const std::vector<SceneProblem> problems = ProblemsOf(file.Path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Line, 2);
}

TEST(SceneErrors, EveryTruncationLoadsOrReportsNeverCrashes) {
    // each prefix of a good scene, cut at any byte, either loads or gives SceneError
    const std::string text = ReadBytes(Data("scene_minimal.ini"));
    const std::size_t lastLine = text.rfind("(1055,2050,63.6)");
    ASSERT_NE(lastLine, std::string::npos);
    const std::size_t firstComplete = lastLine + std::string_view("(1055,2050,63.6)").size();
    int loneStation = 0, complete = 0;
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        TempFile file(text.substr(0, cut));
        try {
            const Scene scene = LoadScene(file.Path());
            EXPECT_EQ(scene.Basin.size(), 4u);
            ASSERT_FALSE(scene.Stations.empty());
            EXPECT_EQ(scene.Local.CenterPoints.size(), scene.Stations.size() * (scene.Stations.size() - 1) / 2);
            // one station needs no centre points; more need the whole sixth centre-point line:
            // a cut one reads as the point (0, 0), off its pair's segment
            if (scene.Stations.size() == 1) {
                ++loneStation;
            } else {
                EXPECT_GE(cut, firstComplete) << "cut at " << cut;
                ++complete;
            }
        } catch (const SceneError& e) {
            EXPECT_FALSE(e.Problems().empty());
        }
    }
    EXPECT_GT(loneStation, 0);
    EXPECT_EQ(static_cast<std::size_t>(complete), text.size() - firstComplete + 1);
}

TEST(SceneErrors, ScrambledBytesLoadOrReportNeverCrash) {
    const std::string text = ReadBytes(Data("scene_minimal.ini"));
    unsigned state = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string scrambled = text;
        for (int k = 0; k < 4; ++k) {
            state = state * 1103515245u + 12345u;
            const std::size_t at = (state >> 8) % scrambled.size();
            state = state * 1103515245u + 12345u;
            scrambled[at] = "[]()=,\n ;0r9"[(state >> 8) % 12];
        }
        TempFile file(scrambled);
        try {
            LoadScene(file.Path());
        } catch (const SceneError& e) {
            EXPECT_FALSE(e.Problems().empty());
        }
    }
}

}  // namespace
}  // namespace kelvarin
