// The endless demonstration cycle with a seeded window system.

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>

#include "tests/view/ViewTestSupport.hpp"

namespace kelvarin {
namespace {

using testing::SquareBasin;
using testing::TestWindow;
using Kind = RecordingSurface::Kind;

// gauges spread over and around a 10 km square basin by a fixed linear congruential sequence
std::vector<cPoint> Gauges(long count) {
    std::vector<cPoint> gauges;
    unsigned long long state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) * 0x1.0p-53;
    };
    for (long i = 0; i < count; ++i)
        gauges.push_back({249000 + 12000 * next(), 2649000 + 12000 * next(), 50 + 1500 * next()});
    return gauges;
}

std::unique_ptr<TestWindow> Window(long stations, int showMethod, std::uint64_t seed = 7, bool paced = false) {
    auto w = std::make_unique<TestWindow>(800.0, 600.0, seed, paced);
    w->Place(SquareBasin(250000, 2650000, 10000), Gauges(stations), true);
    w->window.ShowMethod = static_cast<ShowSetting>(showMethod);
    return w;
}

std::string Caption(const char* title, const picGIS& window) { return std::string(title) + "\r\n" + window.CreditText; }

// the captions the cycle wrote into the label, in order: the label changes its text in
// place, while every move takes it to a new random place
std::vector<std::string> MethodCaptions(const TestWindow& w) {
    std::vector<std::string> captions;
    double left = 0.0, top = 0.0;
    for (const auto& p : w.surface.Primitives()) {
        if (p.kind != Kind::Label) continue;
        if (p.x1 == left && p.y1 == top) captions.push_back(p.text);
        left = p.x1;
        top = p.y1;
    }
    return captions;
}

TEST(DemonstrationCycle, ThiessenOnlySceneNamesTheThiessenMethodEveryTime) {
    auto w = Window(10, 0);
    w->windowSystem.EndAfterCycles(25);
    w->window.RunAnalysisAll();
    EXPECT_EQ(w->windowSystem.Cycles(), 25);
    const auto captions = MethodCaptions(*w);
    ASSERT_GE(captions.size(), 20u);
    for (const auto& c : captions) EXPECT_EQ(c, Caption(kThiessenCaption, w->window));
}

TEST(DemonstrationCycle, EitherMethodSceneShowsBothCaptionsOverTime) {
    auto w = Window(10, -1);
    w->windowSystem.EndAfterCycles(40);
    w->window.RunAnalysisAll();
    long thiessen = 0, heightBalance = 0;
    for (const auto& c : MethodCaptions(*w)) {
        thiessen += c == Caption(kThiessenCaption, w->window);
        heightBalance += c == Caption(kHeightBalanceCaption, w->window);
    }
    EXPECT_GT(thiessen, 5);
    EXPECT_GT(heightBalance, 5);
    EXPECT_EQ(thiessen + heightBalance, static_cast<long>(MethodCaptions(*w).size()));
}

// A scene in degrees says so on the caption line of every construction; one in metres never.
TEST(DemonstrationCycle, ASceneInDegreesSaysSoOnTheCaptionLine) {
    TestWindow w;
    w.Place({{121.0, 23.0, 0}, {121.5, 23.0, 0}, {121.5, 23.6, 0}, {121.0, 23.6, 0}},
            {{121.1, 23.1, 10}, {121.4, 23.2, 20}, {121.2, 23.5, 30}, {121.3, 23.3, 40}});
    w.windowSystem.EndAfterCycles(10);
    w.window.RunAnalysisAll();
    const auto captions = MethodCaptions(w);
    ASSERT_GE(captions.size(), 3u);
    for (const auto& c : captions)
        EXPECT_EQ(c, std::string(kThiessenCaption) + " " + kDegreesCaption + "\r\n" + w.window.CreditText);
}

TEST(DemonstrationCycle, WithOneStationAboutHalfTheCyclesConstructNothing) {
    auto w = Window(1, 0);
    w->windowSystem.EndAfterCycles(400);
    w->window.RunAnalysisAll();
    const long constructed = static_cast<long>(MethodCaptions(*w).size());
    // binomial(400, 1/2): 200 +- 10 is one standard deviation
    EXPECT_GT(constructed, 150);
    EXPECT_LT(constructed, 250);
    // a constructing cycle repaints the frame ring, the basin piece and the shown weights; the others never
    EXPECT_EQ(w->surface.CountOf(Kind::Refresh) - 1, 3 * constructed);
    // every cycle moves the label once, constructing or not
    EXPECT_EQ(w->surface.CountOf(Kind::Label), 400 + constructed);
}

TEST(DemonstrationCycle, SelectionIsCoinFlipsAndTheWeightsAreShownAndHeldAfterACompleteRun) {
    auto w = Window(15, 0);
    w->windowSystem.EndAfterCycles(1);
    w->window.RunAnalysisAll();
    // the run ended after the first cycle's undo: the weights printed, the hold waited once
    std::vector<std::string> printed;
    for (const auto& p : w->surface.Primitives())
        if (p.kind == Kind::Print) printed.push_back(p.text);
    ASSERT_FALSE(printed.empty());
    for (const auto& text : printed) {
        EXPECT_EQ(text.front(), 'S') << text;
        EXPECT_EQ(text.back(), '%') << text;
        EXPECT_NE(text.find('.'), std::string::npos) << "one decimal: " << text;
    }
    EXPECT_EQ(w->windowSystem.WaitCalls(), 1);
    for (const auto& entry : w->window.Stations) EXPECT_FALSE(entry->pSelect) << "undone";
    EXPECT_EQ(w->window.lyrLayer(4)->Polygon().Count(), 0);
}

TEST(DemonstrationCycle, ExitDuringTheHoldEndsTheRunAtOnce) {
    auto w = Window(15, 0);
    w->windowSystem.AtWait(1, WindowEvent::FocusLost);
    w->window.RunAnalysisAll();
    EXPECT_EQ(w->windowSystem.Cycles(), 0);
    EXPECT_GT(w->window.lyrLayer(4)->Polygon().Count(), 0) << "no undo after the exit";
    EXPECT_EQ(w->windowSystem.WaitCalls(), 1);
}

TEST(DemonstrationCycle, ExitDuringAConstructionEndsWithoutTheFinalUndo) {
    auto w = Window(15, 0);
    w->windowSystem.AtDoEvents(6, WindowEvent::KeyPressed);
    w->windowSystem.AtDoEvents(8, WindowEvent::KeyPressed);
    w->window.RunAnalysisAll();
    EXPECT_EQ(w->windowSystem.Cycles(), 0);
    EXPECT_EQ(w->window.ExitChecks(), 9) << "the driver's check after ring 7, then the cycle's own";
    EXPECT_EQ(w->windowSystem.WaitCalls(), 0) << "an interrupted construction is not held";
    long selected = 0;
    for (const auto& entry : w->window.Stations) selected += entry->pSelect;
    EXPECT_GT(selected, 0);
    EXPECT_GT(w->window.lyrLayer(2)->Polygon().Count(), 0);
}

TEST(DemonstrationCycle, TheSameSeedGivesTheSameRun) {
    auto a = Window(12, -1, 99);
    auto b = Window(12, -1, 99);
    auto c = Window(12, -1, 100);
    for (auto* w : {a.get(), b.get(), c.get()}) {
        w->windowSystem.EndAfterCycles(6);
        w->window.RunAnalysisAll();
    }
    EXPECT_EQ(MethodCaptions(*a), MethodCaptions(*b));
    EXPECT_EQ(a->surface.Primitives().size(), b->surface.Primitives().size());
    EXPECT_NE(a->surface.Primitives().size(), c->surface.Primitives().size());
}

TEST(DemonstrationCycle, PresentingPaceTakesFiveToTenSecondsForFifteenGauges) {
    for (int method : {0, 1}) {
        auto w = Window(15, method, 3, true);
        const double before = w->windowSystem.WaitedSeconds();
        const long cycles = 50;
        w->windowSystem.EndAfterCycles(cycles);
        w->window.RunAnalysisAll();
        const double perCycle = (w->windowSystem.WaitedSeconds() - before) / cycles;
        std::printf("[ figures  ] method %d: %.2f s of pacing per 15-gauge cycle\n", method, perCycle);
        EXPECT_GT(perCycle, 5.0);
        EXPECT_LT(perCycle, 10.0);
    }
}

}  // namespace
}  // namespace kelvarin
