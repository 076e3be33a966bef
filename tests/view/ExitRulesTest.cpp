// The input counter and the events that end a run.

#include <gtest/gtest.h>

#include <string>

#include "scene/SceneWriter.hpp"
#include "tests/scene/TempFile.hpp"
#include "tests/view/ViewTestSupport.hpp"
#include "view/SaverRun.hpp"

namespace kelvarin {
namespace {

using testing::TestWindow;

TEST(ExitRules, FirstInputIsAbsorbedTheSecondAsksForThePassword) {
    TestWindow w;
    w.window.OnWindowEvent(WindowEvent::MouseMoved);
    EXPECT_FALSE(w.window.IsExitAll());
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 0);
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 1);
    EXPECT_TRUE(w.window.IsExitAll());
}

TEST(ExitRules, PreviewIgnoresAnyNumberOfInputs) {
    TestWindow w;
    w.window.HasParent = 0x1234;
    for (int i = 0; i < 1000; ++i) {
        w.window.OnWindowEvent(i % 2 ? WindowEvent::KeyPressed : WindowEvent::MouseMoved);
        ASSERT_FALSE(w.window.IsExitAll()) << "after input " << i;
    }
    EXPECT_EQ(w.window.ExitCount, 0);
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 0);
}

TEST(ExitRules, FocusLossAndCloseRequestsEndWithoutPasswordAlsoInPreview) {
    for (WindowEvent event : {WindowEvent::FocusLost, WindowEvent::CloseRequested}) {
        for (std::int64_t parent : {std::int64_t{0}, std::int64_t{99}}) {
            TestWindow w;
            w.window.HasParent = parent;
            w.windowSystem.QueuePasswordAnswer(false);
            w.window.OnWindowEvent(event);
            EXPECT_EQ(w.window.ExitCount, 3);
            EXPECT_TRUE(w.window.IsExitAll());
            EXPECT_EQ(w.windowSystem.PasswordChecks(), 0);
        }
    }
}

TEST(ExitRules, RefusedPasswordKeepsTheRunGoingAndTwoMoreInputsAskAgain) {
    TestWindow w;
    w.windowSystem.QueuePasswordAnswer(false);
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 1);
    EXPECT_EQ(w.window.ExitCount, 0);
    EXPECT_FALSE(w.window.IsExitAll());
    w.window.OnWindowEvent(WindowEvent::MouseMoved);
    EXPECT_FALSE(w.window.IsExitAll());
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 1);
    w.window.OnWindowEvent(WindowEvent::MouseMoved);
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 2);
    EXPECT_TRUE(w.window.IsExitAll());
}

TEST(ExitRules, EventsArriveOnlyWhileMessagesAreLetThrough) {
    TestWindow w;
    w.windowSystem.AtDoEvents(3, WindowEvent::FocusLost);
    EXPECT_FALSE(w.window.IsExitAll());
    EXPECT_FALSE(w.window.IsExitAll());
    EXPECT_TRUE(w.window.IsExitAll());
    EXPECT_EQ(w.window.ExitChecks(), 3);
}

TEST(ExitRules, ResizeForgetsEarlierInput) {
    TestWindow w;
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    w.window.OnWindowEvent(WindowEvent::Resized);
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    EXPECT_FALSE(w.window.IsExitAll());
    EXPECT_EQ(w.windowSystem.PasswordChecks(), 0);
}

TEST(ExitRules, ResizeDoesNotUndoADecidedEnd) {
    for (WindowEvent ending : {WindowEvent::CloseRequested, WindowEvent::FocusLost}) {
        TestWindow w;
        w.windowSystem.AtDoEvents(1, ending);
        w.windowSystem.AtDoEvents(1, WindowEvent::Resized);
        EXPECT_TRUE(w.window.IsExitAll());
    }
    TestWindow w;
    w.window.OnWindowEvent(WindowEvent::KeyPressed);
    w.window.OnWindowEvent(WindowEvent::KeyPressed);  // password accepted
    w.window.OnWindowEvent(WindowEvent::Resized);
    EXPECT_TRUE(w.window.IsExitAll());
}

TEST(ExitRules, TheWindowDetachesFromTheWindowSystemWhenItGoes) {
    RecordingSurface surface;
    ScriptedWindowSystem windowSystem;
    {
        picGIS window(surface, windowSystem);
        EXPECT_EQ(windowSystem.EventSink(), &window);
    }
    EXPECT_EQ(windowSystem.EventSink(), nullptr);
    windowSystem.AtDoEvents(1, WindowEvent::KeyPressed);
    windowSystem.DoEvents();  // nowhere to deliver: dropped, no crash
}

TEST(ExitRules, PacedSurfaceWaitsOneStepAfterEveryRepaintAndHandlesMessagesMeanwhile) {
    RecordingSurface inner;
    ScriptedWindowSystem windowSystem;
    windowSystem.SetPacing(Pacing::Presenting());
    PacedSurface paced(inner, windowSystem);
    picGIS window(paced, windowSystem);
    windowSystem.AtWait(2, WindowEvent::CloseRequested);
    paced.Refresh();
    EXPECT_FALSE(window.ExitRequested());
    paced.Refresh();
    EXPECT_TRUE(window.ExitRequested()) << "input during the wait reaches the window";
    EXPECT_EQ(windowSystem.WaitCalls(), 2);
    EXPECT_DOUBLE_EQ(windowSystem.WaitedSeconds(), 2 * Pacing::Presenting().StepSeconds);
    EXPECT_EQ(inner.CountOf(RecordingSurface::Kind::Refresh), 2);
}

TEST(ExitRules, SaverRunLoadsPacesAndEndsOnInput) {
    RecordingSurface surface;
    ScriptedWindowSystem windowSystem;
    windowSystem.AtDoEvents(4, WindowEvent::KeyPressed);
    windowSystem.AtDoEvents(5, WindowEvent::KeyPressed);
    SaverSettings settings;
    settings.Scenes = {std::filesystem::path(KELVARIN_BINARY_DIR) / kSceneFileName};
    long loadingRefreshes = 0;
    {
        SaverRun run(surface, windowSystem, settings);
        EXPECT_EQ(windowSystem.WaitCalls(), 0) << "loading is not paced";
        loadingRefreshes = surface.CountOf(RecordingSurface::Kind::Refresh);
        run.Run();
    }
    EXPECT_EQ(windowSystem.PasswordChecks(), 1);
    EXPECT_EQ(windowSystem.EventSink(), nullptr) << "the window is gone";
    // every repaint after loading was followed by one animation step
    EXPECT_GE(windowSystem.WaitCalls(), surface.CountOf(RecordingSurface::Kind::Refresh) - loadingRefreshes);
    EXPECT_GT(surface.CountOf(RecordingSurface::Kind::Circle), 0) << "the bundled scene's gauges are drawn";
}

// a window system whose user presses a key on every wait once the window shows a failure
class KeyAfterFailure : public ScriptedWindowSystem {
  public:
    const picGIS* window = nullptr;
    void Wait(double seconds) override {
        ScriptedWindowSystem::Wait(seconds);
        if (window != nullptr && !window->ShownFailure().empty()) Deliver(WindowEvent::KeyPressed);
    }
};

TEST(ExitRules, AFailingCycleIsShownAndTheRunStillEndsByTheExitRules) {
    RecordingSurface surface;
    KeyAfterFailure windowSystem;
    picGIS window(surface, windowSystem);
    windowSystem.window = &window;
    testing::PlaceScene(window, testing::SquareBasin(0, 0, 1000),
                        {{100, 100, 0}, {900, 200, 0}, {500, 800, 0}, {300, 600, 0}});
    window.ShowMethod = ShowSetting::HeightBalance;  // height-balance without centre points cannot be built
    window.RunUntilExit();
    EXPECT_NE(window.ShownFailure().find("the demonstration stopped"), std::string::npos);
    long printed = 0;
    for (const auto& p : surface.Primitives())
        printed += p.kind == RecordingSurface::Kind::Print && p.text.find("stopped") != std::string::npos;
    EXPECT_EQ(printed, 1) << "the failure is on the window";
    EXPECT_EQ(window.ExitCount, 2);
    EXPECT_EQ(windowSystem.PasswordChecks(), 1);
}

TEST(ExitRules, PreviewSaverRunIgnoresInputButEndsOnClose) {
    RecordingSurface surface;
    ScriptedWindowSystem windowSystem;
    for (long call = 1; call <= 30; ++call) windowSystem.AtDoEvents(call, WindowEvent::MouseMoved);
    windowSystem.AtDoEvents(31, WindowEvent::CloseRequested);
    SaverSettings settings;
    settings.Scenes = {std::filesystem::path(KELVARIN_BINARY_DIR) / kSceneFileName};
    settings.Parent = 4242;
    settings.Pace = Pacing{};
    SaverRun(surface, windowSystem, settings).Run();
    // the close request ends the run at the first exit check that follows it
    EXPECT_GE(windowSystem.DoEventsCalls(), 31);
    EXPECT_LE(windowSystem.DoEventsCalls(), 32);
    EXPECT_EQ(windowSystem.PasswordChecks(), 0);
}

// The scene files a run may read are tried in order; when none is there, the window says
// which were looked for and the run still ends by the exit rules.
TEST(ExitRules, SaverRunShowsWhichSceneFilesItLookedFor) {
    const std::filesystem::path bundled = std::filesystem::path(KELVARIN_BINARY_DIR) / kSceneFileName;
    const std::filesystem::path missing = std::filesystem::path(KELVARIN_BINARY_DIR) / "no-such-scene.ini";
    EXPECT_EQ(ChooseSceneFile({missing, bundled}), bundled);
    EXPECT_EQ(ChooseSceneFile({missing}), missing) << "a single file is read even when missing";
    EXPECT_EQ(ChooseSceneFile({missing, missing.string() + "2"}), std::filesystem::path());

    RecordingSurface surface;
    ScriptedWindowSystem windowSystem;
    windowSystem.AtDoEvents(3, WindowEvent::CloseRequested);
    SaverSettings settings;
    settings.Scenes = {missing, missing.string() + "2"};
    SaverRun run(surface, windowSystem, settings);
    EXPECT_NE(run.Map().LoadError().find("no scene file was found"), std::string::npos);
    EXPECT_NE(run.Map().LoadError().find(missing.string() + "2"), std::string::npos);
    run.Run();
    EXPECT_EQ(run.Map().ExitCount, 3);
}

// A run whose finished constructions printed labels over others says how many when it ends,
// the same on every host; a run without any says nothing.
TEST(ExitRules, SaverRunSaysHowManyGaugeLabelsPrintedOverOthers) {
    SceneFile scene;
    scene.Polygons = {{"Basin", {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}}}};
    scene.Show = "thiessen";
    for (int i = 0; i < 144; ++i)  // a 12 x 12 grid, far too dense for its labels on a small screen
        scene.Stations.push_back({"GAUGE_WITH_A_LONG_NAME_" + std::to_string(i),
                                  std::to_string(i),
                                  {40.0 + 80.0 * (i % 12) + (i % 5), 40.0 + 80.0 * static_cast<double>(i / 12), 0.0}});
    const testing::TempFile file(SceneFileText(scene));
    for (const bool dense : {true, false}) {
        SCOPED_TRACE(dense ? "144 gauges on 320 x 240" : "the bundled scene on 1920 x 1080");
        RecordingSurface surface(dense ? 320 : 1920, dense ? 240 : 1080, false);
        ScriptedWindowSystem windowSystem;
        windowSystem.EndAfterCycles(2);
        SaverSettings settings;
        settings.Scenes = {dense ? file.Path() : std::filesystem::path(KELVARIN_BINARY_DIR) / kSceneFileName};
        settings.Pace = Pacing{};
        SaverRun run(surface, windowSystem, settings);
        ASSERT_EQ(run.Map().LoadError(), "");
        long shown = 0;
        run.Map().OnCycleShown = [&](const CycleReport& report) { shown += report.UnplacedLabels; };
        run.Run();
        EXPECT_EQ(run.Map().UnplacedLabels(), shown);
        if (dense) {
            EXPECT_GT(shown, 0);
            EXPECT_EQ(run.UnplacedLabelsNote(), "kelvarin: " + std::to_string(shown) +
                                                    " gauge labels could not be placed free of others and "
                                                    "printed over them\n");
        } else {
            EXPECT_EQ(shown, 0);
            EXPECT_EQ(run.UnplacedLabelsNote(), "");
        }
    }
}

}  // namespace
}  // namespace kelvarin
