// kelvarin: the screen saver on X11. It draws into a window of its own, into the
// window XScreenSaver gives it (or the root window), or into another program's
// preview window, and runs the demonstration there until the exit rules end it.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "host/x11/SaverOptions.hpp"
#include "host/x11/X11WindowSystem.hpp"
#include "render/CairoSurface.hpp"
#include "scene/ProgramFolder.hpp"
#include "view/SaverRun.hpp"

// the bundled scene of an installation, relative to the installed program's folder
#ifndef KELVARIN_INSTALLED_SCENE
#define KELVARIN_INSTALLED_SCENE "../../share/kelvarin/Kelvarin.ini"
#endif

namespace kelvarin {
namespace {

// a window of its own that is not full screen takes this much of the screen at most
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 640;

// An X error handler must not return into Xlib once the connection is gone.
extern "C" int OnXConnectionLost(Display* /*display*/) {
    static const char kText[] = "kelvarin: lost the connection to the X server\n";
    [[maybe_unused]] const ssize_t written = ::write(2, kText, sizeof kText - 1);
    _exit(1);
}

// a cursor that shows nothing, for a window that covers the screen
Cursor BlankCursor(Display* display, Window window) {
    static const char kNoBits[8] = {};
    const Pixmap bits = XCreateBitmapFromData(display, window, kNoBits, 8, 8);
    XColor black = {};
    const Cursor cursor = XCreatePixmapCursor(display, bits, bits, &black, &black, 0, 0);
    XFreePixmap(display, bits);
    return cursor;
}

// a top-level window named Kelvarin that a window manager may close; full screen on request
Window CreateOwnWindow(Display* display, bool fullScreen) {
    const int screen = DefaultScreen(display);
    const int screenWidth = DisplayWidth(display, screen), screenHeight = DisplayHeight(display, screen);
    const int width = fullScreen ? screenWidth : std::min(kWindowWidth, screenWidth);
    const int height = fullScreen ? screenHeight : std::min(kWindowHeight, screenHeight);
    XSetWindowAttributes attributes = {};
    attributes.background_pixmap = None;  // no flash of a background colour before the first frame
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixmap, &attributes);
    XStoreName(display, window, "Kelvarin");
    XClassHint classHint = {const_cast<char*>("kelvarin"), const_cast<char*>("Kelvarin")};
    XSetClassHint(display, window, &classHint);
    XWMHints wmHints = {};
    wmHints.flags = InputHint;
    wmHints.input = True;
    XSetWMHints(display, window, &wmHints);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    if (fullScreen) {
        XSizeHints sizeHints = {};
        sizeHints.flags = PPosition | PSize;
        sizeHints.width = width;
        sizeHints.height = height;
        XSetWMNormalHints(display, window, &sizeHints);
        const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
        Atom full = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&full),
                        1);
        const Cursor cursor = BlankCursor(display, window);
        XDefineCursor(display, window, cursor);
        XFreeCursor(display, cursor);
    }
    return window;
}

int Run(const SaverOptions& options) {
    // from the start, a stop signal ends the run cleanly instead of killing it
    X11WindowSystem::InstallStopSignals();
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "kelvarin: cannot open the display \"%s\"\n", name != nullptr ? name : "");
        return 1;
    }
    XSetIOErrorHandler(OnXConnectionLost);
    X11WindowSystem::InstallErrorHandler();  // a wrong window id is told below, not by Xlib's exit

    Window window = options.WindowId;
    if (options.Target == SaverTarget::OwnWindow) window = CreateOwnWindow(display, options.FullScreen);
    if (options.Target == SaverTarget::SaverWindow && window == 0) window = DefaultRootWindow(display);
    XWindowAttributes attributes = {};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        std::fprintf(stderr, "kelvarin: there is no window 0x%lx to draw in\n", window);
        XCloseDisplay(display);
        return 1;
    }
    const int width = std::clamp(attributes.width, 1, CairoSurface::kMaxSide);
    const int height = std::clamp(attributes.height, 1, CairoSurface::kMaxSide);
    {
        CairoSurface surface(width, height);
        X11WindowSystem::Rules rules;
        rules.CountInput = options.Target != SaverTarget::SaverWindow;
        rules.EndOnFocusLoss = options.Target == SaverTarget::OwnWindow;
        X11WindowSystem windowSystem(display, window, attributes, rules, surface);
        SaverSettings settings;
        if (options.Delay) settings.Pace.StepSeconds = *options.Delay;
        if (options.Method) settings.Method = static_cast<ShowSetting>(*options.Method);
        // in the daemon's window and in a preview, input is not ours to count
        settings.Parent = options.Target == SaverTarget::OwnWindow ? 0 : static_cast<std::int64_t>(window);
        const std::filesystem::path folder = ProgramFolder();
        const std::filesystem::path installed =
            folder.empty() ? std::filesystem::path() : (folder / KELVARIN_INSTALLED_SCENE).lexically_normal();
        settings.Scenes = options.Scene
                              ? std::vector<std::filesystem::path>{*options.Scene}
                              : SceneCandidates(folder, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), installed);
        if (options.Target == SaverTarget::OwnWindow) XMapRaised(display, window);

        SaverRun run(surface, windowSystem, settings);
        run.Run();
        std::fputs(run.UnplacedLabelsNote().c_str(), stderr);
        if (options.Target == SaverTarget::OwnWindow && !windowSystem.WindowGone()) XDestroyWindow(display, window);
        XSync(display, False);  // the last errors of a vanished window land in the handler above
    }
    XCloseDisplay(display);
    return 0;
}

}  // namespace
}  // namespace kelvarin

int main(int argc, char** argv) {
    using namespace kelvarin;
    SaverOptions options;
    try {
        options =
            ParseSaverOptions(std::vector<std::string>(argv + 1, argv + argc), std::getenv("XSCREENSAVER_WINDOW"));
    } catch (const UsageError& e) {
        if (*e.what() == '\0') {
            std::fprintf(stderr, "%s\n", kSaverUsage);
        } else {
            std::fprintf(stderr, "kelvarin: %s; %s\n", e.what(), kSaverUsage);
        }
        return 2;
    }
    try {
        return Run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvarin: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "kelvarin: stopped by an unknown failure\n");
    }
    return 1;
}
