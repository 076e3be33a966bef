// The gauge labels' placement on generated pictures, measured by the recording surface: every
// layout judged by the brute-force rules, and the labels the map window draws read back.

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "render/RecordingSurface.hpp"
#include "tests/view/BruteForceLabelRules.hpp"
#include "tests/view/LabelScenes.hpp"
#include "view/LabelIndex.hpp"

namespace kelvarin {
namespace {

using testing::LabelCase;

// the places of a field of hand-placed marks, each with a label 100 x 20 pixels (baseline 16)
LabelLayout PlaceOnField(const std::vector<MarkPoint>& marks, std::size_t labels, double width = 800.0) {
    LabelField field;
    field.Width = width;
    field.Height = 600.0;
    field.MarkRadius = 8.0;
    field.Offset = 12.0;
    field.Gap = 1.0;
    field.Marks = marks;
    for (std::size_t i = 0; i < labels; ++i) field.Labels.push_back({i, TextExtent{100.0, 20.0, 16.0}});
    return PlaceLabels(field);
}

TEST(LabelPlacement, TakesTheFirstFreePlaceInTheClassicOrder) {
    // alone: right of the mark, baseline at its height
    const LabelSpot alone = PlaceOnField({{300, 300}}, 1).Spots[0];
    EXPECT_EQ(alone.Place, LabelPlace::Right);
    EXPECT_DOUBLE_EQ(alone.X, 312.0);
    EXPECT_DOUBLE_EQ(alone.Y, 300.0);
    EXPECT_DOUBLE_EQ(alone.Box.Top, 284.0);
    // another gauge's mark on the right, a little low: upper right
    EXPECT_EQ(PlaceOnField({{300, 300}, {360, 310}}, 1).Spots[0].Place, LabelPlace::UpperRight);
    // at the picture's right edge, nothing on the right fits: upper left
    EXPECT_EQ(PlaceOnField({{760, 300}}, 1).Spots[0].Place, LabelPlace::UpperLeft);
    // at the right edge with a mark above on the left, which takes upper left: left
    EXPECT_EQ(PlaceOnField({{760, 300}, {700, 270}}, 1).Spots[0].Place, LabelPlace::Left);
    // two gauges side by side: the second cannot go right of its mark over the first's label
    const LabelLayout pair = PlaceOnField({{300, 300}, {330, 300}}, 2);
    EXPECT_EQ(pair.Unplaced, 0);
    EXPECT_NE(pair.Spots[0].Place, pair.Spots[1].Place);
}

TEST(LabelPlacement, KeepsEveryRuleOnGeneratedPictures) {
    long leaders = 0, unplaced = 0, labels = 0;
    for (const LabelCase& c : testing::PropertyCases()) {
        SCOPED_TRACE(c.Describe());
        RecordingSurface surface(c.Width, c.Height);
        const LabelField field = testing::MakeLabelField(surface, c);
        const LabelLayout layout = PlaceLabels(field);
        const std::vector<std::string> broken = testing::BrokenLabelRules(field, layout);
        EXPECT_TRUE(broken.empty()) << broken.size() << " broken rules, the first: " << broken.front();
        for (const LabelSpot& spot : layout.Spots) leaders += spot.Place == LabelPlace::Leader ? 1 : 0;
        unplaced += layout.Unplaced;
        labels += static_cast<long>(layout.Spots.size());
    }
    // the cases reach every branch: leaders, and labels with no free place at all
    EXPECT_GT(leaders, 0);
    EXPECT_GT(unplaced, 0);
    std::printf("%ld labels: %ld led, %ld unplaced\n", labels, leaders, unplaced);
}

// The raster of covered cells only ever speaks for a box that a mark other than its own
// reaches, judged the plain way, and it does speak for most boxes the marks block. The
// pictures put marks and box edges on multiples of a quarter of the reach, where cell
// boundaries fall, and at exactly the reach from a box (which does not block it), and give
// some boxes only their own mark nearby.
TEST(MarkCover, SpeaksOnlyForBoxesAnotherMarkReaches) {
    std::mt19937_64 random(26);
    long blocked = 0, spoken = 0;
    for (int picture = 0; picture < 300; ++picture) {
        LabelField field;
        field.Width = std::uniform_real_distribution<double>(40.0, 900.0)(random);
        field.Height = std::uniform_real_distribution<double>(40.0, 700.0)(random);
        field.MarkRadius = std::uniform_real_distribution<double>(1.0, 12.0)(random);
        field.Gap = picture % 3 == 0 ? 0.0 : std::uniform_real_distribution<double>(0.0, 3.0)(random);
        const double reach = field.MarkRadius + field.Gap, quarter = reach / 4.0;
        const auto on = [&](double extent) {  // a multiple of a quarter of the reach, or anywhere
            const double at = std::uniform_real_distribution<double>(0.0, extent)(random);
            return random() % 2 == 0 ? std::floor(at / quarter) * quarter : at;
        };
        const auto marks = std::uniform_int_distribution<int>(1, 60)(random);
        for (int m = 0; m < marks; ++m) field.Marks.push_back({on(field.Width), on(field.Height)});
        const labels::MarkCover cover(field);
        for (int trial = 0; trial < 200; ++trial) {
            const double left = on(field.Width), top = on(field.Height);
            const LabelBox box{left, top, std::min(field.Width, left + on(field.Width / 3.0)),
                               std::min(field.Height, top + on(field.Height / 4.0))};
            const std::size_t own = random() % field.Marks.size();
            if (trial % 4 == 0) {  // another mark just the reach from the box, on its right
                field.Marks.push_back({box.Right + reach, (box.Top + box.Bottom) / 2.0});
            }
            bool reached = false;
            for (std::size_t m = 0; m < field.Marks.size(); ++m)
                reached = reached || (m != own && testing::BoxDistance(box, field.Marks[m]) < reach);
            std::optional<labels::MarkCover> withNeighbour;
            if (trial % 4 == 0) withNeighbour.emplace(field);
            const bool blocks = (withNeighbour ? *withNeighbour : cover).Blocks(box, field.Marks[own]);
            if (trial % 4 == 0) field.Marks.pop_back();
            EXPECT_FALSE(blocks && !reached) << "picture " << picture << ", box " << box.Left << " " << box.Top << " "
                                             << box.Right << " " << box.Bottom << ", own mark " << own;
            blocked += reached ? 1 : 0;
            spoken += blocks ? 1 : 0;
        }
    }
    std::printf("%ld boxes blocked by another mark, %ld of them known from the raster\n", blocked, spoken);
    EXPECT_GT(spoken * 3, blocked);
}

TEST(GaugeLabels, TheMapWindowDrawsThemWhereTheRulesPutThem) {
    for (int gauges : {10, 60, 300})
        for (testing::Spread layout : {testing::Spread::Even, testing::Spread::Clustered})
            for (testing::Names naming : {testing::Names::Latin, testing::Names::Chinese}) {
                const LabelCase c{1280, 720, gauges, layout, naming, false, static_cast<std::uint64_t>(gauges)};
                SCOPED_TRACE(c.Describe());
                RecordingSurface surface(c.Width, c.Height, false);
                testing::LabelledWindow window(surface, c);
                const std::vector<std::string> problems = testing::DrawnLabelProblems(window);
                EXPECT_TRUE(problems.empty()) << problems.size() << " problems, the first: " << problems.front();
                EXPECT_EQ(window.Map.UnplacedLabels(), window.Unplaced);
                if (gauges == 10) {
                    EXPECT_EQ(window.Unplaced, 0);
                }
            }
}

}  // namespace
}  // namespace kelvarin
