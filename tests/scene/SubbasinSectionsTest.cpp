// Sub-basin sections: generated sets written by the scene writer read back exactly, with
// their areas; hand-written sections read as documented; and every rule a set of sub-basins
// must keep refuses a scene with one line naming the sub-basin(s), the ring and a vertex.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene/Scene.hpp"
#include "scene/SceneWriter.hpp"
#include "tests/engine/SubbasinSets.hpp"

namespace kelvarin {
namespace {

using ::testing::HasSubstr;

// the area of an open ring
double Area(const std::vector<cPoint>& ring) {
    double twice = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const cPoint& a = ring[i];
        const cPoint& b = ring[(i + 1) % ring.size()];
        twice += (a.X - ring[0].X) * (b.Y - ring[0].Y) - (b.X - ring[0].X) * (a.Y - ring[0].Y);
    }
    return std::abs(twice) / 2.0;
}

std::string SceneText(const std::vector<cPoint>& outline, const std::vector<SceneFileSubbasin>& subbasins) {
    SceneFile file;
    file.Polygons = {{"Outline", outline}};
    file.Subbasins = subbasins;
    file.Stations = {{"A", "1", outline[0]}, {"B", "2", outline[outline.size() / 2]}};
    return SceneFileText(file);
}

TEST(SubbasinSections, GeneratedSetsReadBackExactlyWithTheirAreas) {
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        testing::SubbasinSetOptions options;
        options.Seed = seed;
        options.Sectors = 2 + static_cast<int>(seed % 5);
        options.MaxBands = 1 + static_cast<int>(seed % 2);
        const testing::SubbasinSet set = testing::MakeSubbasinSet(options);
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Scene scene = LoadSceneText(SceneText(set.Outline, set.Subbasins), "generated.ini");
        ASSERT_EQ(scene.Subbasins.size(), set.Subbasins.size());
        EXPECT_GE(scene.Subbasins.size(), 3U);
        EXPECT_LE(scene.Subbasins.size(), 12U);
        double expected = 0.0;
        for (std::size_t s = 0; s < set.Subbasins.size(); ++s) {
            const SceneSubbasin& read = scene.Subbasins[s];
            EXPECT_EQ(read.Name, set.Subbasins[s].Name);
            ASSERT_EQ(read.Parts.size(), set.Subbasins[s].Parts.size());
            for (std::size_t k = 0; k < read.Parts.size(); ++k) {
                const SceneFilePart& written = set.Subbasins[s].Parts[k];
                ASSERT_EQ(read.Parts[k].Shell.Vertices.size(), written.Shell.size());
                for (std::size_t v = 0; v < written.Shell.size(); ++v) {
                    EXPECT_EQ(read.Parts[k].Shell.Vertices[v].X, written.Shell[v].X);
                    EXPECT_EQ(read.Parts[k].Shell.Vertices[v].Y, written.Shell[v].Y);
                }
                ASSERT_EQ(read.Parts[k].Holes.size(), written.Holes.size());
                double area = Area(written.Shell);
                for (const auto& hole : written.Holes) area -= Area(hole);
                expected += area;
            }
            EXPECT_GT(scene.Local.Subbasins[s].Area, 0.0);
        }
        // the sub-basins tile the outline but for the lake, whose island is a sub-basin's again
        EXPECT_NEAR(scene.Local.BasinArea, expected, 1e-9 * expected);
        EXPECT_NEAR(scene.Local.BasinArea, Area(set.Outline) - Area(set.Lake) + Area(set.Island), 1e-9 * expected);
    }
}

// a square outline of 1000 map units and the sub-basin sections given
std::string Square(const std::string& sections) {
    return "[Polygon1]\nName=Outline\nNumber=4\n\n[Outline]\n0,0\n1000,0\n1000,1000\n0,1000\n\n" + sections +
           "\n[rainstation]\nname number (X,Y)\nA 1 (250,500)\nB 2 (750,500)\n";
}

const char* const kWestEast =
    "[Subbasin1]\nName=West\nPart1=West\n\n[Subbasin2]\nName=East\nPart1=East\n\n"
    "[West]\n0,0\n500,0\n500,1000\n0,1000\n0,0\n\n[East]\n500,0\n1000,0\n1000,1000\n500,1000\n";

TEST(SubbasinSections, HandWrittenSectionsReadAsDocumented) {
    const Scene scene = LoadSceneText(
        Square("[Subbasin1]\nName=Upper Creek\nPart1=Up\nPart1Holes= Lake , Quarry\n\n[Subbasin2]\nName=Lower\n"
               "Part1=Down\n\n[Up]\n0,500\n1000,500\n1000,1000\n0,1000\n0,500\n[Lake]\n100,600\n200,600\n200,700\n"
               "[Quarry]\n800,800\n900,800,900,900\n\n[Down]\n0,0\n1000,0\n1000,500\n0,500\n"),
        "hand.ini");
    ASSERT_EQ(scene.Subbasins.size(), 2U);
    EXPECT_EQ(scene.Subbasins[0].Name, "Upper Creek");
    EXPECT_EQ(scene.Subbasins[0].Parts[0].Shell.Vertices.size(), 4U);  // the closing vertex left out
    ASSERT_EQ(scene.Subbasins[0].Parts[0].Holes.size(), 2U);
    EXPECT_EQ(scene.Subbasins[0].Parts[0].Holes[1].Block, "Quarry");
    EXPECT_DOUBLE_EQ(scene.Local.Subbasins[0].Area, 500000.0 - 5000.0 - 5000.0);
    EXPECT_DOUBLE_EQ(scene.Local.BasinArea, 1000000.0 - 10000.0);
}

// the problems of a scene that must be refused
std::vector<SceneProblem> Refusal(const std::string& text) {
    try {
        LoadSceneText(text, "refused.ini");
    } catch (const SceneError& e) {
        return e.Problems();
    }
    ADD_FAILURE() << "the scene was not refused";
    return {};
}

// the one line a scene is refused with
std::string OneProblem(const std::string& text) {
    const std::vector<SceneProblem> problems = Refusal(text);
    EXPECT_EQ(problems.size(), 1U);
    return problems.empty() ? "" : problems.front().ToString();
}

TEST(SubbasinSections, TwoSubbasinsOverlapping) {
    std::string sections = kWestEast;
    sections.replace(sections.find("[East]\n500,0"), 12, "[East]\n450,500\n500,0");
    const std::string line = OneProblem(Square(sections));
    EXPECT_THAT(line, HasSubstr("sub-basins \"West\" and \"East\" overlap by 25000 square map units"));
    EXPECT_THAT(line,
                HasSubstr("vertex 1 (450, 500) of \"East\"'s part 1 (vertex block \"[East]\") lies inside \"West\""));
}

TEST(SubbasinSections, ASubbasinReachingOutsideTheOutline) {
    std::string sections = kWestEast;
    sections.replace(sections.find("1000,0\n1000,1000"), 16, "1100,0\n1000,1000");
    const std::string line = OneProblem(Square(sections));
    EXPECT_THAT(line, HasSubstr("sub-basin \"East\" reaches outside the basin outline \"Outline\" by 50000"));
    EXPECT_THAT(line, HasSubstr("vertex 2 (1100, 0) of its part 1"));
}

TEST(SubbasinSections, AHoleOutsideItsShell) {
    const std::string line = OneProblem(Square(
        std::string(kWestEast).replace(std::string(kWestEast).find("Part1=West"), 10, "Part1=West\nPart1Holes=Pond") +
        "[Pond]\n600,100\n700,100\n700,200\n600,200\n"));
    EXPECT_THAT(line, HasSubstr("sub-basin \"West\": its hole 1 of part 1 (vertex block \"[Pond]\") reaches outside "
                                "the outer ring of part 1 by 10000 square map units"));
    EXPECT_THAT(line, HasSubstr("its vertex 1 (600, 100) lies outside that ring"));
}

TEST(SubbasinSections, RingsOfOneSubbasinCrossing) {
    const std::string line = OneProblem(Square(
        std::string(kWestEast).replace(std::string(kWestEast).find("Part1=West"), 10, "Part1=West\nPart1Holes=Pond") +
        "[Pond]\n400,100\n600,100\n600,200\n400,200\n"));
    EXPECT_THAT(line, HasSubstr("sub-basin \"West\": its part 1 (vertex block \"[West]\") and its hole 1 of part 1 "
                                "(vertex block \"[Pond]\") cross: edge 2-3 of the one meets edge 1-2 of the other"));
}

TEST(SubbasinSections, ARingCrossingItself) {
    std::string sections = kWestEast;
    sections.replace(sections.find("500,1000\n0,1000\n0,0"), 19, "100,1000\n500,1000");
    const std::string line = OneProblem(Square(sections));
    EXPECT_THAT(line, HasSubstr("sub-basin \"West\": its part 1 (vertex block \"[West]\") crosses itself"));
    EXPECT_THAT(line, HasSubstr("refused.ini:"));
}

TEST(SubbasinSections, SectionsThatCannotBeRead) {
    EXPECT_THAT(OneProblem(Square("[Subbasin1]\nName=West\nPart1=Nowhere\n")),
                HasSubstr("vertex block \"[Nowhere]\" named by Part1 of [Subbasin1] is missing"));
    EXPECT_THAT(OneProblem(Square("[Subbasin1]\nName=West\nPart1=W\n[W]\n0,0\n500,0\n500\n")),
                HasSubstr("vertex block \"[W]\" holds 5 values; a ring needs X, Y pairs"));
    EXPECT_THAT(OneProblem(Square("[Subbasin1]\nName=West\n")), HasSubstr("names no part: Part1 is missing"));
    EXPECT_THAT(OneProblem(Square("[Subbasin1]\nPart1=W\n")), HasSubstr("[Subbasin1] has no Name"));
    std::string twice = kWestEast;
    twice.replace(twice.find("Name=East"), 9, "Name=West");
    EXPECT_THAT(OneProblem(Square(twice)), HasSubstr("repeats the sub-basin name \"West\" of line 11"));
}

TEST(SubbasinSections, EveryProblemIsALineOfItsOwn) {
    std::string sections = kWestEast;
    sections.replace(sections.find("[East]\n500,0"), 12, "[East]\n450,500\n500,0");
    sections.replace(sections.find("1000,0\n1000,1000"), 16, "1100,0\n1000,1000");
    const std::vector<SceneProblem> problems = Refusal(Square(sections));
    ASSERT_EQ(problems.size(), 2U);
    EXPECT_THAT(problems[0].Message, HasSubstr("overlap by"));
    EXPECT_THAT(problems[1].Message, HasSubstr("reaches outside the basin outline"));
}

}  // namespace
}  // namespace kelvarin
