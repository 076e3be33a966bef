// A stand-in for the display-settings dialog: a small window at a known place that
// starts "Kelvarin.scr /p <its handle>" and reports what happened, for the preview
// test script. Usage: preview_parent SCR STATE [hidden]
//   hidden       the window is never shown, so it takes the focus from nobody
//   STATE.ready  written once the saver's window is a child of ours: "x y width height"
//                of our client area on the screen, and the child's client size
//   STATE.close  when the script creates it, the parent window goes away
//   STATE.result "alive_at_close=0|1 ended=0|1 exit=N ms=M": whether the saver still ran
//                when asked to close, whether it ended after the parent went, how long that took
// Exit status 0 when the saver ran until the parent went and then ended; 1 otherwise.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/win32/Win32.hpp"

namespace {

constexpr int kLeft = 100, kTop = 80, kWidth = 320, kHeight = 240;
constexpr COLORREF kParentColor = 0x00808000;  // teal, never drawn by the saver

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(kParentColor);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

void Write(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path partial = file.string() + ".part";
    std::ofstream(partial) << text << "\n";
    std::filesystem::rename(partial, file);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) return 2;
    const bool hidden = argc == 4 && std::wstring(argv[3]) == L"hidden";
    const std::filesystem::path scr = argv[1], state = argv[2];
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.lpszClassName = L"KelvarinPreviewParent";
    RegisterClassW(&wc);
    HWND parent =
        CreateWindowExW(0, wc.lpszClassName, L"Kelvarin preview parent", hidden ? WS_POPUP : WS_POPUP | WS_VISIBLE,
                        kLeft, kTop, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!parent) return 2;
    Pump();

    std::wstring command = L"\"" + scr.wstring() + L"\" /p " +
                           std::to_wstring(static_cast<long long>(reinterpret_cast<std::intptr_t>(parent)));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 2;

    using Clock = std::chrono::steady_clock;
    // the saver's window appears as our child, or the saver ends without one
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    HWND child = nullptr;
    while (!child && Clock::now() < giveUp) {
        Pump();
        child = FindWindowExW(parent, nullptr, L"KelvarinSaverWindow", nullptr);
        if (!child && WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
    }
    if (child) {
        RECT client;
        GetClientRect(child, &client);
        Write(state.string() + ".ready", std::to_string(kLeft) + " " + std::to_string(kTop) + " " +
                                             std::to_string(kWidth) + " " + std::to_string(kHeight) + " " +
                                             std::to_string(client.right) + " " + std::to_string(client.bottom));
        // keep the dialog's part until the script asks the parent to go
        const std::filesystem::path close = state.string() + ".close";
        while (!std::filesystem::exists(close) && Clock::now() < giveUp + std::chrono::seconds(60)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
        }
    }
    const bool aliveAtClose = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
    const auto closed = Clock::now();
    DestroyWindow(parent);
    Pump();
    const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - closed).count();
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (!ended) TerminateProcess(process.hProcess, 1);
    Write(state.string() + ".result", "alive_at_close=" + std::to_string(aliveAtClose ? 1 : 0) +
                                          " ended=" + std::to_string(ended ? 1 : 0) +
                                          " exit=" + std::to_string(exitCode) + " ms=" + std::to_string(ms));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return child && aliveAtClose && ended ? 0 : 1;
}
