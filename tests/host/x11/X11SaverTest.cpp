// The X11 saver end to end on a real X server: what it draws where, and which
// events end it. The pictures are judged against the map window drawn by the
// library itself at the same size (basin edge and gauge marks, or the failure text),
// so a blank, black, misplaced or wrongly scaled picture fails.

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "XTestSession.hpp"
#include "render/CairoSurface.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin::testing {
namespace {

// Expectation of a picture: pixels where a colour must show, with the colours accepted there.
struct Expectation {
    std::vector<std::pair<int, int>> Places;
    std::vector<std::uint32_t> Accepted;
};

// 0x00RRGGBB of a ColorRef (0x00BBGGRR)
constexpr std::uint32_t Rgb(ColorRef color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

// How the library draws the scene in sceneFolder (or its failure) on a window of this size,
// before any cycle: the basin edge (white) and the gauge marks (green), or the failure text.
struct Reference {
    Expectation BasinEdge, GaugeMarks, FailureText;

    Reference(const std::filesystem::path& sceneFolder, int width, int height) {
        CairoSurface surface(width, height);
        ScriptedWindowSystem windowSystem;
        picGIS map(surface, windowSystem);
        map.Load(sceneFolder);
        CreditLabel hidden = map.labMarkTarvo;
        hidden.Visible = false;
        surface.SetLabel(hidden);
        const auto* data = cairo_image_surface_get_data(surface.Image());
        const int stride = cairo_image_surface_get_stride(surface.Image());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, 4);
                pixel &= 0xFFFFFFu;
                if (Near(pixel, Rgb(MapColor::White), 20)) BasinEdge.Places.emplace_back(x, y);
                if (Near(pixel, Rgb(MapColor::Green), 20)) GaugeMarks.Places.emplace_back(x, y);
                if (Near(pixel, Rgb(CairoSurface::kDefaultForeColor), 30)) FailureText.Places.emplace_back(x, y);
            }
        }
        // a construction draws its pieces (magenta) over the basin edge and marks the chosen gauges red
        BasinEdge.Accepted = {Rgb(MapColor::White), Rgb(MapColor::Magenta)};
        GaugeMarks.Accepted = {Rgb(MapColor::Green), Rgb(MapColor::Red)};
        FailureText.Accepted = {Rgb(CairoSurface::kDefaultForeColor)};
    }
};

// the share of the expected places that show one of the accepted colours
double Match(const Picture& shot, const Expectation& expected, int offsetX = 0, int offsetY = 0) {
    if (expected.Places.empty() || shot.Pixels.empty()) return 0.0;
    std::size_t hits = 0;
    for (const auto& [x, y] : expected.Places) {
        const int sx = x + offsetX, sy = y + offsetY;
        if (sx < 0 || sy < 0 || sx >= shot.Width || sy >= shot.Height) continue;
        for (std::uint32_t colour : expected.Accepted) {
            if (Near(shot.At(sx, sy), colour, 60)) {
                ++hits;
                break;
            }
        }
    }
    return static_cast<double>(hits) / static_cast<double>(expected.Places.size());
}

// Most of the edge and the marks must show: the label, the lines of a construction and
// the weights' text cover some of them at any moment, never most.
constexpr double kShownShare = 0.6;

const std::filesystem::path kBundledFolder = KELVARIN_BINARY_DIR;

// How long a test waits for an event before it says what did not come: generous, as a
// loaded machine delays events and a fault never brings them. The times themselves are
// printed, and measured by X11SaverFigures, never asserted.
constexpr double kEventLimit = 60.0;

// waits until the window shows the bundled map
bool ShowsMap(const XvfbServer& server, Window window, const Reference& reference, double seconds) {
    return WaitFor(
        seconds,
        [&] {
            const Picture shot = server.Shot(window);
            return Match(shot, reference.BasinEdge) > kShownShare && Match(shot, reference.GaugeMarks) > kShownShare;
        },
        0.1);
}

// the saver's own window once it is mapped and has the keyboard focus
Window SaverWindowWithFocus(const XvfbServer& server) {
    Window window = 0;
    WaitFor(kEventLimit, [&] { return (window = server.FindWindow("Kelvarin")) != 0; });
    if (window == 0) return 0;
    WaitFor(kEventLimit, [&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(server.Connection(), &focus, &revert);
        return focus == window;
    });
    return window;
}

// waits for the run to end after what was done to it, and prints how long that took
void ExpectRunEnds(SaverProcess& saver, const std::string& after) {
    const auto start = Clock::now();
    const bool ended = saver.WaitExit(kEventLimit).has_value();
    if (ended) std::printf("%s to exit: %.1f ms\n", after.c_str(), SecondsSince(start) * 1000.0);
    EXPECT_TRUE(ended) << "the run did not end within " << kEventLimit << " s of " << after;
}

TEST(X11Saver, OwnWindowShowsTheMapAndEndsOnTheSecondKeyOnly) {
    XvfbServer server(1280, 800);
    SaverProcess saver(server, {"-window"});
    const Window window = SaverWindowWithFocus(server);
    ASSERT_NE(window, 0u) << saver.Err();
    const Picture first = server.Shot(window);
    const Reference reference(kBundledFolder, first.Width, first.Height);
    ASSERT_TRUE(ShowsMap(server, window, reference, kEventLimit)) << "the window never showed the basin and its gauges";

    ASSERT_TRUE(server.XDoTool("key a"));
    EXPECT_FALSE(saver.WaitExit(1.0)) << "one key press ended the run";
    // the time counts from xdotool's start, so it includes xdotool's own start-up
    std::thread second([&] { server.XDoTool("key b"); });
    ExpectRunEnds(saver, "the second key (from xdotool's start)");
    second.join();
    EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
    EXPECT_EQ(saver.Err(), "");
}

TEST(X11Saver, SmallPointerMovesAreNotInputButLargeOnesAre) {
    XvfbServer server(800, 600);
    SaverProcess saver(server, {"-window", "-fullscreen"});
    const Window window = SaverWindowWithFocus(server);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitFor(
        kEventLimit,
        [&] { return Match(server.Shot(window), Reference(kBundledFolder, 800, 600).GaugeMarks) > kShownShare; }, 0.2))
        << "the gauges were not on the window within " << kEventLimit << " s";
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned buttons = 0;
    XQueryPointer(server.Connection(), server.Root(), &root, &child, &x, &y, &wx, &wy, &buttons);
    // a sensitive mouse trembling around where the pointer was
    std::string tremble;
    for (int i = 0; i < 10; ++i)
        tremble += " mousemove " + std::to_string(x + 3 - i % 7) + " " + std::to_string(y - 3 + i % 7);
    ASSERT_TRUE(server.XDoTool(tremble));
    EXPECT_FALSE(saver.WaitExit(1.0)) << "pointer moves of 3 pixels ended the run";
    ASSERT_TRUE(server.XDoTool("mousemove " + std::to_string(x + 40) + " " + std::to_string(y)));
    EXPECT_FALSE(saver.WaitExit(0.5)) << "one movement ended the run";
    ASSERT_TRUE(server.XDoTool("mousemove " + std::to_string(x + 80) + " " + std::to_string(y + 40)));
    ExpectRunEnds(saver, "the second large movement");
    EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
    EXPECT_EQ(saver.Err(), "");
}

TEST(X11Saver, FocusLossAndCloseRequestEachEndTheRun) {
    XvfbServer server(1024, 768);
    {
        SaverProcess saver(server, {"-window"});
        const Window window = SaverWindowWithFocus(server);
        ASSERT_NE(window, 0u);
        const Window other = server.MakeWindow(10, 10, 100, 100, 0xFFFFFF);
        XSetInputFocus(server.Connection(), other, RevertToParent, CurrentTime);
        XSync(server.Connection(), False);
        ExpectRunEnds(saver, "the focus moving to another window");
        EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
        EXPECT_EQ(saver.Err(), "");
        XDestroyWindow(server.Connection(), other);
    }
    {
        SaverProcess saver(server, {"-window"});
        const Window window = SaverWindowWithFocus(server);
        ASSERT_NE(window, 0u);
        // what a window manager sends when the user closes the window
        XEvent close = {};
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = XInternAtom(server.Connection(), "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(server.Connection(), "WM_DELETE_WINDOW", False));
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(server.Connection(), window, False, NoEventMask, &close);
        XSync(server.Connection(), False);
        ExpectRunEnds(saver, "the close request");
        EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
        EXPECT_EQ(saver.Err(), "");
    }
}

TEST(X11Saver, PreviewDrawsOnlyInsideItsWindowIgnoresInputAndEndsWithIt) {
    XvfbServer server(640, 480);
    const int left = 100, top = 80, width = 320, height = 200;
    const Window parent = server.MakeWindow(left, top, width, height, 0xFFFFFF);
    const Picture before = server.Shot(server.Root());
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", parent);
    SaverProcess saver(server, {"-window-id", id});
    const Reference reference(kBundledFolder, width, height);
    ASSERT_TRUE(ShowsMap(server, parent, reference, kEventLimit)) << saver.Err();

    // input over the preview: the pointer goes there and keys are typed
    std::string input;
    for (int i = 0; i < 20; ++i)
        input += " mousemove " + std::to_string(left + 20 + 13 * i) + " " + std::to_string(top + 20 + 7 * i) + " key x";
    ASSERT_TRUE(server.XDoTool(input));
    EXPECT_FALSE(saver.WaitExit(1.0)) << "input ended a preview";

    const Picture after = server.Shot(server.Root());
    long outsideChanged = 0;
    for (int y = 0; y < after.Height; ++y)
        for (int x = 0; x < after.Width; ++x) {
            const bool inside = x >= left && x < left + width && y >= top && y < top + height;
            if (!inside && after.At(x, y) != before.At(x, y)) ++outsideChanged;
        }
    long insideWhite = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) insideWhite += after.At(x, y) == 0xFFFFFFu ? 1 : 0;
    EXPECT_EQ(outsideChanged, 0) << "the preview drew outside its window";
    EXPECT_LT(insideWhite, width * height / 100) << "the preview does not cover its window";

    XDestroyWindow(server.Connection(), parent);
    XSync(server.Connection(), False);
    ExpectRunEnds(saver, "the preview's window going");
    EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
    EXPECT_EQ(saver.Err(), "");
}

TEST(X11Saver, DaemonWindowIgnoresInputAndEndsOnSigtermLeavingThePicture) {
    XvfbServer server(800, 600);
    const Window window = server.MakeWindow(0, 0, 800, 600, 0xFFFFFF);
    char id[48];
    std::snprintf(id, sizeof id, "XSCREENSAVER_WINDOW=%lu", window);
    SaverProcess saver(server, {"-root"}, {id});
    const Reference reference(kBundledFolder, 800, 600);
    ASSERT_TRUE(ShowsMap(server, window, reference, kEventLimit)) << saver.Err();
    ASSERT_TRUE(server.XDoTool("mousemove 100 100 key a mousemove 300 300 key b mousemove 500 200 key c"));
    EXPECT_FALSE(saver.WaitExit(1.0)) << "input ended a run in the daemon's window";

    ::kill(saver.Pid(), SIGTERM);
    ExpectRunEnds(saver, "SIGTERM");
    EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
    EXPECT_EQ(saver.Err(), "");
    // the daemon's window keeps the last picture
    EXPECT_GT(Match(server.Shot(window), reference.GaugeMarks), kShownShare);
}

TEST(X11Saver, RootWindowShowsTheMapAndEndsOnSigterm) {
    XvfbServer server(1024, 600);
    SaverProcess saver(server, {"-root", "-method", "all", "-delay", "0.05"});
    const Reference reference(kBundledFolder, 1024, 600);
    ASSERT_TRUE(ShowsMap(server, server.Root(), reference, kEventLimit)) << saver.Err();
    ::kill(saver.Pid(), SIGTERM);
    ExpectRunEnds(saver, "SIGTERM");
    EXPECT_TRUE(ExitedWith(saver.WaitExit(0.0), 0));
    EXPECT_EQ(saver.Err(), "");
}

TEST(X11Saver, UnreadableScenesAreShownAsTextUntilStopped) {
    XvfbServer server(1024, 640);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kelvarin-x11-scenes-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "missing");
    std::filesystem::create_directories(folder / "malformed");
    std::filesystem::copy_file(std::filesystem::path(KELVARIN_TEST_DATA) / "error_many.ini",
                               folder / "malformed" / "Kelvarin.ini",
                               std::filesystem::copy_options::overwrite_existing);
    for (const char* kind : {"missing", "malformed"}) {
        SCOPED_TRACE(kind);
        const std::filesystem::path scene = folder / kind / "Kelvarin.ini";
        SaverProcess saver(server, {"-window", "-scene", scene.string()});
        const Window window = SaverWindowWithFocus(server);
        ASSERT_NE(window, 0u);
        const Reference reference(folder / kind, 1024, 640);
        ASSERT_GT(reference.FailureText.Places.size(), 100u);
        // the label moves every few seconds, so it cannot hide the text for long
        EXPECT_TRUE(WaitFor(
            kEventLimit, [&] { return Match(server.Shot(window), reference.FailureText) > 0.8; }, 0.2))
            << "the failure text was not on the window (four fifths of it uncovered) within " << kEventLimit << " s";
        EXPECT_FALSE(saver.WaitExit(1.0)) << "an unreadable scene ended the run";
        ::kill(saver.Pid(), SIGTERM);
        ExpectRunEnds(saver, "SIGTERM");
        EXPECT_EQ(saver.Err(), "");
    }
    std::filesystem::remove_all(folder);
}

// The processor the saver uses while it shows twenty changes of its picture: a paced run
// sleeps between repaints; a loop that spins uses a whole core.
TEST(X11Saver, PacedRunUsesLittleProcessor) {
    XvfbServer server(1024, 640);
    SaverProcess saver(server, {"-root"});
    ASSERT_TRUE(ShowsMap(server, server.Root(), Reference(kBundledFolder, 1024, 640), kEventLimit))
        << "the map was not on the screen within " << kEventLimit << " s";
    const double cpuBefore = saver.CpuSeconds();
    const auto start = Clock::now();
    Picture last = server.Shot(server.Root());
    int changes = 0;
    const bool changed = WaitFor(
        10 * kEventLimit,
        [&] {
            Picture shot = server.Shot(server.Root());
            if (shot.Pixels != last.Pixels) ++changes;
            last = std::move(shot);
            return changes >= 20;
        },
        0.05);
    ASSERT_TRUE(changed) << "the picture changed only " << changes << " times in " << 10 * kEventLimit << " s";
    const double share = (saver.CpuSeconds() - cpuBefore) / SecondsSince(start);
    std::printf("processor share over 20 changes at 1024x640: %.2f %% of one core\n", share * 100.0);
    // the target is far lower; this bound only catches a loop that spins
    EXPECT_LT(share, 0.10);
    ::kill(saver.Pid(), SIGTERM);
    ExpectRunEnds(saver, "SIGTERM");
}

TEST(X11Saver, ResizeRefitsTheMapAndExposedPartsShowTheKeptFrame) {
    XvfbServer server(1024, 768);
    // the longest pause between repaints, so what shows after an Expose is the copied frame
    SaverProcess saver(server, {"-window", "-delay", "10"});
    const Window window = SaverWindowWithFocus(server);
    ASSERT_NE(window, 0u);
    XResizeWindow(server.Connection(), window, 600, 700);
    XSync(server.Connection(), False);
    const Reference tall(kBundledFolder, 600, 700);
    ASSERT_TRUE(ShowsMap(server, window, tall, kEventLimit)) << "the map was not refitted to the new size";

    const Window cover = server.MakeWindow(0, 0, 600, 700, 0xFFFFFF);
    XRaiseWindow(server.Connection(), cover);
    XSync(server.Connection(), False);
    XDestroyWindow(server.Connection(), cover);
    XSync(server.Connection(), False);
    // well inside the ten seconds before the next repaint would draw it anew
    EXPECT_TRUE(WaitFor(5.0, [&] {
        const Picture shot = server.Shot(window);
        return Match(shot, tall.BasinEdge) > kShownShare && Match(shot, tall.GaugeMarks) > kShownShare;
    })) << "the uncovered window was not repainted from the kept frame";
    ::kill(saver.Pid(), SIGTERM);
    ExpectRunEnds(saver, "SIGTERM");
    EXPECT_EQ(saver.Err(), "");
}

TEST(X11Saver, BadCommandLinesAndWindowIdsGetOneLineAndAStatus) {
    XvfbServer server(320, 240);
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"-help"}, {"-bogus"}, {"-delay", "soon"}, {"-window-id", "0"}, {"-root", "-window"}}) {
        SaverProcess saver(server, arguments);
        EXPECT_TRUE(ExitedWith(saver.WaitExit(10.0), 2)) << arguments.front();
        const std::string err = saver.Err();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("usage: kelvarin"), std::string::npos) << err;
        EXPECT_EQ(server.FindWindow("Kelvarin"), 0u);
    }
    // a window id that names no window: one line and status 1, not Xlib's own report
    SaverProcess saver(server, {"-window-id", "0x7fffff0"});
    EXPECT_TRUE(ExitedWith(saver.WaitExit(10.0), 1));
    const std::string err = saver.Err();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("no window 0x7fffff0"), std::string::npos) << err;
}

TEST(X11Saver, InstallGivesTheSaverItsSettingsManPagesAndScene) {
    const std::filesystem::path destdir =
        std::filesystem::temp_directory_path() / ("kelvarin-install-" + std::to_string(::getpid()));
    std::filesystem::remove_all(destdir);
    const std::string install =
        "DESTDIR='" + destdir.string() + "' cmake --install '" KELVARIN_BUILD_DIR "' --prefix /usr >/dev/null 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << install;
    const std::filesystem::path usr = destdir / "usr";
    for (const char* file :
         {"libexec/xscreensaver/kelvarin", "bin/kelvarin-cli", "share/xscreensaver/config/kelvarin.xml",
          "share/kelvarin/Kelvarin.ini", "share/man/man6/kelvarin.6", "share/man/man1/kelvarin-cli.1"})
        EXPECT_TRUE(std::filesystem::is_regular_file(usr / file)) << file;
    const std::string lint = "xmllint --noout '" + (usr / "share/xscreensaver/config/kelvarin.xml").string() + "' 2>&1";
    EXPECT_EQ(std::system(lint.c_str()), 0);
    for (const char* page : {"share/man/man6/kelvarin.6", "share/man/man1/kelvarin-cli.1"}) {
        // groff prints a warning for every malformed request
        const std::string check = "groff -man -ww -z '" + (usr / page).string() + "' 2>&1";
        FILE* output = ::popen(check.c_str(), "r");
        ASSERT_NE(output, nullptr);
        char line[256];
        EXPECT_EQ(std::fgets(line, sizeof line, output), nullptr) << page << ": " << line;
        ::pclose(output);
    }

    // the installed saver, with no scene beside it and none of the user's, shows the installed one
    const std::filesystem::path home = destdir / "home";
    std::filesystem::create_directories(home);
    XvfbServer server(640, 400);
    {
        const std::string installedSaver = (usr / "libexec/xscreensaver/kelvarin").string();
        const std::string command = "env -u XDG_CONFIG_HOME HOME='" + home.string() + "' DISPLAY=" + server.Name() +
                                    " '" + installedSaver + "' -root 2>/dev/null & echo $! ";
        FILE* started = ::popen(command.c_str(), "r");
        ASSERT_NE(started, nullptr);
        long pid = 0;
        ASSERT_EQ(std::fscanf(started, "%ld", &pid), 1);
        ::pclose(started);
        const bool shown = ShowsMap(server, server.Root(), Reference(kBundledFolder, 640, 400), 20.0);
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        EXPECT_TRUE(shown) << "the installed saver did not find the installed scene";
    }
    std::filesystem::remove_all(destdir);
}

// Not a test: the figures of the report (first frame, exit latency, processor and
// memory at full-HD and 4K). Run with --gtest_also_run_disabled_tests.
TEST(X11SaverFigures, DISABLED_Measure) {
    const double seconds =
        std::getenv("KELVARIN_MEASURE_SECONDS") ? std::atof(std::getenv("KELVARIN_MEASURE_SECONDS")) : 60.0;
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1920, 1080}, {3840, 2160}}) {
        XvfbServer server(width, height);
        const Reference reference(kBundledFolder, width, height);
        // start to the first frame with the map, SIGTERM to exit, five times
        for (int run = 0; run < 5; ++run) {
            // the root keeps the last run's picture: clear it first
            XClearWindow(server.Connection(), server.Root());
            XSync(server.Connection(), False);
            SaverProcess saver(server, {"-root"});
            double before = 0.0, seen = 0.0;
            WaitFor(
                30.0,
                [&] {
                    const double shotAt = SecondsSince(saver.Started);
                    const Picture shot = server.Shot(server.Root());
                    if (Match(shot, reference.BasinEdge) > kShownShare &&
                        Match(shot, reference.GaugeMarks) > kShownShare) {
                        seen = shotAt;
                        return true;
                    }
                    before = shotAt;
                    return false;
                },
                0.001);
            std::this_thread::sleep_for(std::chrono::milliseconds(700 + 300 * run));
            const auto stop = Clock::now();
            ::kill(saver.Pid(), SIGTERM);
            saver.WaitExit(5.0);
            std::printf(
                "%dx%d run %d: first map frame between %.0f and %.0f ms after the start; SIGTERM to exit %.1f ms\n",
                width, height, run, before * 1000.0, seen * 1000.0, SecondsSince(stop) * 1000.0);
        }
        SaverProcess saver(server, {"-root"});
        ShowsMap(server, server.Root(), reference, kEventLimit);
        const double cpu = saver.CpuSeconds();
        const auto start = Clock::now();
        double peakShare = 0.0, last = cpu;
        auto lastAt = start;
        while (SecondsSince(start) < seconds) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const double now = saver.CpuSeconds();
            peakShare = std::max(peakShare, (now - last) / SecondsSince(lastAt));
            last = now;
            lastAt = Clock::now();
        }
        std::printf(
            "%dx%d paced for %.0f s: processor %.2f %% of one core on average, %.1f %% in the busiest second; "
            "peak resident memory %ld kB\n",
            width, height, seconds, (saver.CpuSeconds() - cpu) / SecondsSince(start) * 100.0, peakShare * 100.0,
            saver.StatusKilobytes("VmHWM"));
        ::kill(saver.Pid(), SIGTERM);
        saver.WaitExit(5.0);
    }
}

}  // namespace
}  // namespace kelvarin::testing
