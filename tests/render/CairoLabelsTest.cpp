// The gauge labels on the Cairo surface: its text boxes (Pango's, Chinese names included)
// hold what it prints, the placement keeps every rule with them, and the map window's
// labels on it are read back legible.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "model/modGraphicBasic.hpp"
#include "render/CairoSurface.hpp"
#include "render/RecordingSurface.hpp"
#include "scene/Scene.hpp"
#include "tests/view/BruteForceLabelRules.hpp"
#include "tests/view/LabelScenes.hpp"
#include "view/Figure.hpp"

namespace kelvarin {
namespace {

using testing::LabelCase;
using testing::Names;

// whether a pixel differs from the background
bool Inked(const CairoSurface& s, int x, int y) {
    const ColorRef c = s.PixelAt(x, y), b = CairoSurface::kBackground;
    return std::abs(int(RedOf(c)) - int(RedOf(b))) + std::abs(int(GreenOf(c)) - int(GreenOf(b))) +
               std::abs(int(BlueOf(c)) - int(BlueOf(b))) >
           24;
}

TEST(CairoLabels, TheMeasuredBoxHoldsWhatPrintDraws) {
    for (const std::string& text :
         {testing::GaugeLabelText(Names::Latin, 7), testing::GaugeLabelText(Names::Chinese, 8)}) {
        SCOPED_TRACE(text);
        CairoSurface surface(1280, 720);
        surface.SetAutoRedraw(true);
        const TextExtent box = surface.MeasureText(text);
        const double x = 200.0, y = 300.0;  // the identity scale: map units are pixels
        DrawText(surface, x, y, text, TextAlign::Left | TextAlign::Baseline);
        // ink beyond the box is the dark outline's only: it fades into the background
        const double halo = surface.TextSize() * 0.18;
        int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
        for (int py = 0; py < 720; ++py)
            for (int px = 0; px < 1280; ++px)
                if (Inked(surface, px, py)) {
                    left = std::min(left, px), right = std::max(right, px);
                    top = std::min(top, py), bottom = std::max(bottom, py);
                }
        ASSERT_GE(right, 0) << "nothing was drawn";
        EXPECT_GE(left, x - halo - 1);
        EXPECT_LE(right, x + box.Width + halo + 1);
        EXPECT_GE(top, y - box.Baseline - halo - 1);
        EXPECT_LE(bottom, y - box.Baseline + box.Height + halo + 1);
        // and the text fills the box's width: no room wasted at its ends
        EXPECT_LT(left, x + 0.1 * surface.TextSize());
        EXPECT_GT(right, x + box.Width - 0.3 * surface.TextSize());
    }
}

TEST(CairoLabels, TheRecordingSurfacesEstimateIsNearPangosBoxes) {
    CairoSurface cairo(1920, 1080);
    RecordingSurface recording(1920, 1080);
    for (Names naming : {Names::Latin, Names::Chinese})
        for (int i = 0; i < 5; ++i) {
            const std::string text = testing::GaugeLabelText(naming, i);
            const TextExtent real = cairo.MeasureText(text), estimate = recording.MeasureText(text);
            EXPECT_NEAR(estimate.Width / real.Width, 1.0, 0.35) << text;
            EXPECT_NEAR(estimate.Height / real.Height, 1.0, 0.35) << text;
        }
}

TEST(CairoLabels, KeepEveryRuleWithPangosBoxes) {
    long unplaced = 0;
    std::unique_ptr<CairoSurface> surface;  // one per picture size: only its text is measured
    for (const LabelCase& c : testing::PropertyCases()) {
        SCOPED_TRACE(c.Describe());
        if (!surface || surface->DeviceWidth() != c.Width || surface->DeviceHeight() != c.Height)
            surface = std::make_unique<CairoSurface>(c.Width, c.Height);
        const LabelField field = testing::MakeLabelField(*surface, c);
        const LabelLayout layout = PlaceLabels(field);
        const std::vector<std::string> broken = testing::BrokenLabelRules(field, layout);
        EXPECT_TRUE(broken.empty()) << broken.size() << " broken rules, the first: " << broken.front();
        unplaced += layout.Unplaced;
    }
    EXPECT_GT(unplaced, 0);  // the oracle's search for free places ran
}

TEST(CairoLabels, TheMapWindowDrawsThemWhereTheRulesPutThem) {
    for (int gauges : {10, 100})
        for (Names naming : {Names::Latin, Names::Chinese, Names::Mixed}) {
            const LabelCase c{1920, 1080, gauges, testing::Spread::Clustered, naming, false, 5};
            SCOPED_TRACE(c.Describe());
            CairoSurface surface(c.Width, c.Height);
            surface.SetAutoRedraw(true);
            testing::LabelledWindow window(surface, c);
            const std::vector<std::string> problems = testing::DrawnLabelProblems(window);
            EXPECT_TRUE(problems.empty()) << problems.size() << " problems, the first: " << problems.front();
        }
}

// The bundled scene's labels never collided: on its figures every label stays exactly where
// the map window always printed it (right of the mark, baseline at its height; a label there
// that was placed has no leader), so its pictures stay byte for byte what they were.
TEST(CairoLabels, OnTheBundledSceneEveryLabelKeepsItsOldPlace) {
    const auto scene =
        std::make_shared<const Scene>(LoadScene(std::filesystem::path(KELVARIN_BINARY_DIR) / "Kelvarin.ini"));
    const long gauges = static_cast<long>(scene->Stations.size());
    std::mt19937_64 random(26);
    long labels = 0;
    for (const auto& [w, h] : {std::pair{1920, 1080}, {1440, 810}})
        for (Method method : {Method::Thiessen, Method::HeightBalance})
            for (int round = 0; round < 12; ++round) {
                std::vector<long> selection;  // every gauge first, then each with probability one half
                for (long i = 1; i <= gauges; ++i)
                    if (round == 0 || (random() & 1)) selection.push_back(i);
                if (selection.size() < 3) continue;
                CairoSurface cairo(w, h);
                cairo.SetAutoRedraw(true);
                testing::LabelTrace trace(cairo);
                const FigureReport report = DrawFigure(trace, scene, method, selection);
                EXPECT_EQ(report.UnplacedLabels, 0);
                const ScaleRect view = trace.Scale();
                const double markSize = std::min(std::abs(view.Height()), std::abs(view.Width())) / 40.0;
                for (const GaugeResult& gauge : report.Gauges) {
                    char percent[32];
                    std::snprintf(percent, sizeof percent, " %.1f%%", gauge.Weight * 100.0);
                    const std::string text = gauge.Name + percent;
                    const cPoint& at = scene->Local.Stations[static_cast<std::size_t>(gauge.Station - 1)];
                    const auto& drawn = trace.Labels();
                    const auto label = std::find_if(drawn.begin(), drawn.end(),
                                                    [&](const testing::DrawnLabel& d) { return d.Text == text; });
                    ASSERT_NE(label, drawn.end()) << text;
                    EXPECT_EQ(label->X, at.X + markSize * 0.75) << text;
                    EXPECT_EQ(label->Y, at.Y) << text;
                    ++labels;
                }
            }
    EXPECT_GT(labels, 100);
}

}  // namespace
}  // namespace kelvarin
