// The map window's state, layers, placement of the map on the surface and redrawing.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "geometry/modGISTools.hpp"
#include "tests/view/ViewTestSupport.hpp"

namespace kelvarin {
namespace {

using testing::SquareBasin;
using testing::TestWindow;
using Kind = RecordingSurface::Kind;

// Map coordinates round-trip through a few subtractions; this is far below a millimetre.
constexpr double kMapTolerance = 1e-6;

TEST(picGIS, SevenLayersWithTheirNamesAndColours) {
    TestWindow w;
    const auto& layers = w.window.lyrLayer;
    ASSERT_EQ(layers.LBound(), 1);
    ASSERT_EQ(layers.UBound(), 7);
    const char* names[] = {"流域邊界", "三角網", "高程中點三角網", "徐昇多邊形網", "交集區域", "河川溪流", "其它"};
    const ColorRef colours[] = {0xFFFFFF, 0x00FFFF, 0x00FF00, 0xFF0000, 0xFF00FF, 0xFF0000, 0};
    for (long i = 1; i <= 7; ++i) {
        EXPECT_EQ(layers(i)->Name, names[i - 1]) << "layer " << i;
        EXPECT_EQ(layers(i)->Color, colours[i - 1]) << "layer " << i;
    }
    EXPECT_EQ(layers(1)->Point().Color, 0x008000u);
    EXPECT_EQ(w.window.StationSelectedColor, 0x0000FFu);
    EXPECT_EQ(w.window.StationColor, 0x008000u);
    EXPECT_EQ(w.window.ExitCount, 0);
    EXPECT_EQ(w.window.ShowMethod, ShowSetting::Thiessen);
    EXPECT_EQ(w.window.HasParent, 0);
}

TEST(picGIS, CreditTextHasThreeLinesNamingKelvarinAndItsVersion) {
    TestWindow w;
    const std::string& text = w.window.CreditText;
    std::size_t breaks = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++breaks;
    EXPECT_EQ(breaks, 2u);
    EXPECT_EQ(text.find("Kelvarin " + std::string(KelvarinVersion())), 0u);
    EXPECT_NE(text.find("README.md"), std::string::npos);
    EXPECT_EQ(text.find("http"), std::string::npos);
    // the build puts the README the label names beside the programs
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(KELVARIN_BINARY_DIR) / "README.md"));
}

TEST(picGIS, GridOriginRoundsDownToTenTimesThePowerOfTheExtent) {
    // the enlarged rectangles of the examples, corners counter-clockwise from upper right
    auto rect = [](double x0, double x1) {
        PointArray r(1, 4);
        r(1) = NewPoint(x1, 10);
        r(2) = NewPoint(x0, 10);
        r(3) = NewPoint(x0, 0);
        r(4) = NewPoint(x1, 0);
        return r;
    };
    EXPECT_EQ(GridOrigin(rect(180000, 230000))->X, 100000);
    EXPECT_EQ(GridOrigin(rect(12345, 21345))->X, 10000);
}

TEST(picGIS, LoadingFixesTheReferencePointFromTheTwiceEnlargedExtent) {
    // raw extents chosen so that two 1.05 enlargements give X 180000..230000 and 12345..21345
    struct Case {
        double x0, x1, origin;
    };
    for (const Case c : {Case{180000, 230000, 100000}, Case{12345, 21345, 10000}}) {
        const double centre = (c.x0 + c.x1) / 2, half = (c.x1 - c.x0) / 2 / 1.21;
        TestWindow w;
        w.Place({{centre - half, 0, 0}, {centre + half, 0, 0}, {centre + half, 100, 0}, {centre - half, 100, 0}},
                {{centre, 50, 0}});
        EXPECT_EQ(w.window.ReferancePoint->X, c.origin) << c.x0;
        // every layer shares the window's reference point, and the scene is map-local now
        for (long i = 1; i <= 7; ++i) EXPECT_EQ(w.window.lyrLayer(i)->ReferancePoint(), w.window.ReferancePoint);
        EXPECT_NEAR(w.window.Stations(1)->GageStation->Point->X, centre - c.origin, kMapTolerance);
        EXPECT_NEAR(w.window.MapExtent[0].X + c.origin, c.x0, 1e-6 * c.x1);
        EXPECT_NEAR(w.window.MapExtent[1].X + c.origin, c.x1, 1e-6 * c.x1);
    }
}

TEST(picGIS, ClockwiseBasinIsStoredCounterClockwise) {
    TestWindow w;
    auto basin = SquareBasin(250000, 2650000, 10000);
    std::reverse(basin.begin(), basin.end());
    w.Place(basin, {{255000, 2655000, 0}});
    const cPolygon& ring = *w.window.lyrLayer(1)->Polygon().Item(1);
    EXPECT_GT(testing::SignedArea2(ring), 0.0);
    EXPECT_EQ(ring.Count(), 4);
}

// the shown rectangle has equal scales on both axes, north up, and holds MapExtent centred
void ExpectFittedAndCentred(const picGIS& window, const RecordingSurface& surface) {
    const ScaleRect s = surface.Scale();
    const auto& e = window.MapExtent;
    EXPECT_GT(s.Top, s.Bottom) << "north up";
    EXPECT_NEAR(s.Width() / surface.DeviceWidth(), -s.Height() / surface.DeviceHeight(), 1e-12 * std::abs(s.Width()))
        << "equal scales";
    EXPECT_NEAR(e[0].X - s.Left, s.Right - e[1].X, kMapTolerance) << "equal left and right margins";
    EXPECT_NEAR(s.Top - e[0].Y, e[1].Y - s.Bottom, kMapTolerance) << "equal top and bottom margins";
    EXPECT_LE(s.Left, e[0].X + kMapTolerance);
    EXPECT_GE(s.Top, e[0].Y - kMapTolerance);
}

TEST(picGIS, TallBasinOnAWideWindowGetsEqualSideMarginsAndTouchesTopAndBottom) {
    TestWindow w(1600, 900);
    w.Place({{0, 0, 0}, {2000, 0, 0}, {2000, 30000, 0}, {0, 30000, 0}}, {{1000, 15000, 0}});
    ExpectFittedAndCentred(w.window, w.surface);
    const ScaleRect s = w.surface.Scale();
    EXPECT_NEAR(s.Top, w.window.MapExtent[0].Y, kMapTolerance);
    EXPECT_NEAR(s.Bottom, w.window.MapExtent[1].Y, kMapTolerance);
    EXPECT_GT(w.window.MapExtent[0].X - s.Left, 1000.0);
}

TEST(picGIS, SetMapWindowWithoutKeepingAspectUsesTheRectangleUnchanged) {
    RecordingSurface surface(100, 50);
    picGIS::SetMapWindow(surface, 1, 9, 5, 2, false);
    EXPECT_EQ(surface.Scale().Left, 1);
    EXPECT_EQ(surface.Scale().Top, 9);
    EXPECT_EQ(surface.Scale().Right, 5);
    EXPECT_EQ(surface.Scale().Bottom, 2);
    // a window without size cannot be fitted and is not divided by
    RecordingSurface empty(0, 0);
    picGIS::SetMapWindow(empty, 1, 9, 5, 2, true);
    EXPECT_EQ(empty.Scale().Right, 5);
}

TEST(picGIS, ResizeKeepsTheMapCentredAndClearsTheInputCount) {
    TestWindow w(800, 600);
    w.Place(SquareBasin(250000, 2650000, 10000), {{255000, 2655000, 0}, {252000, 2651000, 0}});
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    ASSERT_EQ(w.window.ExitCount, 1);
    for (auto [width, height] : {std::pair{300.0, 900.0}, std::pair{1920.0, 200.0}}) {
        w.surface.Resize(width, height);
        w.surface.Forget();
        w.window.OnWindowEvent(WindowEvent::Resized);
        EXPECT_EQ(w.window.ExitCount, 0);
        ExpectFittedAndCentred(w.window, w.surface);
        // the basin and both stations are drawn again
        EXPECT_EQ(w.surface.CountOf(Kind::Clear), 1);
        EXPECT_EQ(w.surface.CountOf(Kind::Circle), 2);
        w.window.OnWindowEvent(WindowEvent::KeyPressed);
    }
}

TEST(picGIS, ReDrawBasinDrawsLayersThenStationsByTheirSelection) {
    TestWindow w;
    w.Place(SquareBasin(0, 0, 1000), {{100, 100, 0}, {900, 900, 0}, {500, 500, 0}});
    w.window.Stations(2)->pSelect = true;
    w.surface.SetAutoRedraw(false);
    w.surface.Forget();
    w.window.ReDrawBasin();
    const auto& p = w.surface.Primitives();
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(p[0].kind, Kind::AutoRedraw);
    EXPECT_EQ(p[0].flags, 1) << "drawn into the persistent image";
    EXPECT_EQ(p[1].kind, Kind::Clear);
    long lines = 0;
    std::vector<ColorRef> circles;
    for (const auto& q : p) {
        if (q.kind == Kind::Line) {
            ++lines;
            EXPECT_TRUE(circles.empty()) << "the basin is drawn before the stations";
            EXPECT_EQ(q.color, 0xFFFFFFu);
        }
        if (q.kind == Kind::Circle) {
            circles.push_back(q.color);
            EXPECT_DOUBLE_EQ(q.x2, w.window.StationMarkSize / 2);
        }
    }
    EXPECT_EQ(lines, 4);
    EXPECT_EQ(circles, (std::vector<ColorRef>{0x008000, 0x0000FF, 0x008000}));
    EXPECT_EQ(w.surface.CountOf(Kind::Dot), 3);
    EXPECT_FALSE(w.surface.AutoRedraw()) << "the persistent-drawing setting is restored";
    const ScaleRect s = w.surface.Scale();
    EXPECT_DOUBLE_EQ(w.window.StationMarkSize, std::min(std::abs(s.Height()), std::abs(s.Width())) / 40);
}

TEST(picGIS, CreditLabelLandsInsideTheVisibleMapWithAColour) {
    TestWindow w;
    w.Place(SquareBasin(0, 0, 1000), {{100, 100, 0}});
    for (int i = 0; i < 200; ++i) {
        w.window.PlaceCreditLabel();
        const CreditLabel& label = w.surface.Label();
        const ScaleRect s = w.surface.Scale();
        EXPECT_GE(label.Left, s.Left);
        EXPECT_LT(label.Left, s.Right);
        EXPECT_LE(label.Top, s.Top);
        EXPECT_GT(label.Top, s.Bottom);
        EXPECT_GE(label.ForeColor, 1u);
        EXPECT_LE(label.ForeColor, 0xFFFFFFu);
    }
}

// a window system whose random numbers are all one value
class FixedRandom : public ScriptedWindowSystem {
  public:
    explicit FixedRandom(double value) : value_(value) {}
    double Rnd() override { return value_; }

  private:
    double value_;
};

TEST(picGIS, CreditLabelColourStaysInTheColourRangeAtTheEndsOfTheRandomRange) {
    for (double value : {0.0, 0.5, 0.99999999999999989}) {
        RecordingSurface surface;
        FixedRandom windowSystem(value);
        picGIS window(surface, windowSystem);
        window.PlaceCreditLabel();
        EXPECT_GE(surface.Label().ForeColor, 1u) << value;
        EXPECT_LE(surface.Label().ForeColor, 0xFFFFFFu) << value;
    }
}

TEST(picGIS, UnusableSceneIsShownAndTheRunStillEndsByTheExitRules) {
    TestWindow w;
    w.window.Load(KELVARIN_TEST_DATA "/no_such_folder");
    EXPECT_FALSE(w.window.LoadError().empty());
    EXPECT_EQ(w.window.Stations.Count(), 0);
    bool shown = false;
    for (const auto& p : w.surface.Primitives())
        if (p.kind == Kind::Print && p.text.find("Kelvarin.ini") != std::string::npos) shown = true;
    EXPECT_TRUE(shown) << "the error names the scene file on the screen";
    w.windowSystem.AtDoEvents(5, WindowEvent::KeyPressed);
    w.windowSystem.AtDoEvents(7, WindowEvent::MouseMoved);
    w.window.RunAnalysisAll();
    EXPECT_EQ(w.window.ExitCount, 2);
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 1);
}

TEST(picGIS, UnusableSceneMovesItsLabelOnTheScreenEveryCycle) {
    TestWindow w;
    w.window.Load(KELVARIN_TEST_DATA "/no_such_folder");
    w.surface.Refresh();  // the host shows the loaded window
    w.windowSystem.EndAfterCycles(6);
    w.window.RunAnalysisAll();
    // each move of the label is shown before the next one, or it would hide part of the text for good
    long moves = 0, pendingMove = 0;
    for (const auto& p : w.surface.Primitives()) {
        if (p.kind == Kind::Label) {
            EXPECT_EQ(pendingMove, 0) << "a label move was never shown";
            pendingMove = 1;
            ++moves;
        }
        if (p.kind == Kind::Refresh) pendingMove = 0;
    }
    EXPECT_EQ(moves, 1 + 6);
    EXPECT_EQ(pendingMove, 0);
}

}  // namespace
}  // namespace kelvarin
