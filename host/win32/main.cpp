// Kelvarin.scr: the entry procedure. The command line picks the mode; a full-screen
// run or a preview creates the window, its surface and its window system, runs the
// map window until the exit rules end it, and takes everything down again.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "host/win32/SaverWindow.hpp"
#include "host/win32/WindowSurface.hpp"
#include "host/win32/modStartUp.hpp"
#include "scene/ProgramFolder.hpp"
#include "view/SaverRun.hpp"

namespace {

using kelvarin::win32::Narrow;
using kelvarin::win32::Widen;

// Held by a full-screen run for its whole life: a second full-screen start and a
// preview start while it runs both end at once.
constexpr const wchar_t* kFullScreenMutex = L"Local\\Kelvarin.FullScreen";

// Direct2D where it starts, else GDI; KELVARIN_DRAWING=gdi asks for GDI outright
std::unique_ptr<kelvarin::win32::Painter> MakePainter() {
    wchar_t wanted[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"KELVARIN_DRAWING", wanted, 8);
    if (!(length == 3 && lstrcmpiW(wanted, L"gdi") == 0)) {
        if (auto painter = kelvarin::win32::MakeDirect2DPainter()) return painter;
    }
    return kelvarin::win32::MakeGdiPainter();
}

// the window the command text names, or nullptr when it names none that exists
HWND ParentOf(const std::string& commandText) {
    // window handles are 32-bit values, sign-extended in a 64-bit process
    const auto handle = static_cast<std::intptr_t>(kelvarin::ParseParentWindow(commandText));
    HWND window = reinterpret_cast<HWND>(handle);  // NOLINT(performance-no-int-to-ptr): a handle from text
    return handle != 0 && IsWindow(window) ? window : nullptr;
}

// a full-screen run or a preview inside parent, until the exit rules end it
int Run(HINSTANCE instance, HWND parent) {
    kelvarin::win32::SaverWindow window(instance, parent);
    std::unique_ptr<kelvarin::win32::WindowSurface> drawing;
    try {
        drawing = std::make_unique<kelvarin::win32::WindowSurface>(window.Handle(), MakePainter());
    } catch (const std::exception&) {
        // Direct2D started but cannot hold pictures of this size: GDI can
        drawing = std::make_unique<kelvarin::win32::WindowSurface>(window.Handle(), kelvarin::win32::MakeGdiPainter());
    }
    kelvarin::win32::WindowSurface& surface = *drawing;
    window.SetSurface(&surface);
    ShowWindow(window.Handle(), parent ? SW_SHOWNA : SW_SHOW);
    UpdateWindow(window.Handle());
    if (!parent) window.EnterSaverMode();
    try {
        kelvarin::SaverSettings settings;
        // the scene beside the program; without a folder the run shows that it found none
        const std::filesystem::path folder = kelvarin::ProgramFolder();
        if (!folder.empty()) settings.Scenes = {folder / kelvarin::kSceneFileName};
        settings.Parent = reinterpret_cast<std::intptr_t>(parent);
        kelvarin::SaverRun run(surface, window, settings);
        run.Run();
        // seen where the saver was started from a console or with its output redirected
        std::fputs(run.UnplacedLabelsNote().c_str(), stderr);
    } catch (...) {
        if (!parent) window.LeaveSaverMode();
        throw;
    }
    if (!parent) window.LeaveSaverMode();
    // the screen is the user's again at once; taking the drawing down may take longer
    ShowWindow(window.Handle(), SW_HIDE);
    window.SetSurface(nullptr);
    return 0;
}

int Main(HINSTANCE instance) {
    const std::string commandText = kelvarin::CommandText(kelvarin::ArgumentsOf(Narrow(GetCommandLineW())));
    switch (kelvarin::SelectMode(commandText)) {
        case kelvarin::SaverMode::Configure: {
            // "/c:HWND" names the settings dialog: the message belongs to it
            HWND owner = ParentOf(commandText);
            MessageBoxW(owner, Widen(kelvarin::kConfigureText).c_str(), Widen(kelvarin::kConfigureTitle).c_str(),
                        MB_OK | MB_ICONSTOP);
            return 0;
        }
        case kelvarin::SaverMode::None:
            return 0;
        case kelvarin::SaverMode::Preview: {
            HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, kFullScreenMutex);
            if (running) {
                CloseHandle(running);
                return 0;
            }
            HWND parent = ParentOf(commandText);
            if (!parent) return 0;  // nothing to show the preview in
            return Run(instance, parent);
        }
        case kelvarin::SaverMode::FullScreen: {
            HANDLE mutex = CreateMutexW(nullptr, TRUE, kFullScreenMutex);
            if (!mutex) return 0;
            if (GetLastError() == ERROR_ALREADY_EXISTS) {
                CloseHandle(mutex);
                return 0;
            }
            const int status = Run(instance, nullptr);
            ReleaseMutex(mutex);
            CloseHandle(mutex);
            return status;
        }
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    try {
        return Main(instance);
    } catch (const std::exception& e) {
        // the run could not even start its window: say why rather than vanish
        MessageBoxW(nullptr, Widen(e.what()).c_str(), kelvarin::win32::kApplicationTitle, MB_OK | MB_ICONSTOP);
        return 1;
    } catch (...) {
        return 1;
    }
}
