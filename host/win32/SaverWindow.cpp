#include "host/win32/SaverWindow.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <utility>

#include "host/win32/WindowSurface.hpp"

namespace kelvarin::win32 {

namespace {

constexpr const wchar_t* kClassName = L"KelvarinSaverWindow";
// how often a waiting preview looks whether its parent window still exists
constexpr DWORD kParentCheckMilliseconds = 250;

// registers the window class once
void RegisterClassOnce(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kClassName, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;  // replaced once the window knows its object
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = nullptr;        // hidden over a full-screen run; the preview sets its own
    wc.hbrBackground = nullptr;  // the kept frame paints everything
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) throw std::runtime_error("cannot register the saver's window class");
}

}  // namespace

SaverWindow::SaverWindow(HINSTANCE instance, HWND parent) : parent_(parent) {
    RegisterClassOnce(instance);
    if (parent_) {
        RECT client{};
        GetClientRect(parent_, &client);
        window_ = CreateWindowExW(0, kClassName, kApplicationTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  client.right, client.bottom, parent_, nullptr, instance, nullptr);
    } else {
        // every monitor: the virtual screen may start left of or above the primary one
        const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kApplicationTitle, WS_POPUP, x, y, width, height,
                                  nullptr, nullptr, instance, nullptr);
    }
    if (!window_) throw std::runtime_error("cannot create the saver's window");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SaverWindow::Procedure));
    if (parent_) SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
}

SaverWindow::~SaverWindow() {
    SetEventSink(nullptr);
    surface_ = nullptr;
    if (window_ && !closed_) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        DestroyWindow(window_);
    }
}

void SaverWindow::EnterSaverMode() {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, TRUE, nullptr, 0);
    SetForegroundWindow(window_);
    SetFocus(window_);
}

void SaverWindow::LeaveSaverMode() {
    SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0);
}

LRESULT CALLBACK SaverWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the window keeps its object's address
    auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    // an exception must not unwind through the system's frames: it is raised again
    // once the message has been dispatched
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        if (!self->failure_) self->failure_ = std::current_exception();
        return 0;
    }
}

LRESULT SaverWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            Deliver(WindowEvent::KeyPressed);
            return 0;
        case WM_MOUSEMOVE:
            if (pointer_.Moved(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))))
                Deliver(WindowEvent::MouseMoved);
            return 0;
        case WM_ACTIVATEAPP:
            if (!wParam && !IsPreview()) Deliver(WindowEvent::FocusLost);
            return 0;
        case WM_CLOSE:
            Deliver(WindowEvent::CloseRequested);
            return 0;  // the run ends by the exit rules; the window goes when it has
        case WM_DESTROY:
            // a preview's parent took its children with it
            closed_ = true;
            Deliver(WindowEvent::CloseRequested);
            return 0;
        case WM_SIZE:
            if (surface_ && wParam != SIZE_MINIMIZED) {
                try {
                    surface_->Resize(LOWORD(lParam), HIWORD(lParam));
                } catch (const std::exception&) {
                    return 0;  // no pictures of the new size: the old ones stay, and so does the map
                }
                pointer_.Reset();
                Deliver(WindowEvent::Resized);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            if (surface_) surface_->Paint(dc);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the kept frame covers the whole window
        case WM_SETCURSOR:
            if (!IsPreview()) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        case WM_SYSCOMMAND:
            // no second saver and no power-off of the screen from the system while one runs
            if (!IsPreview() && ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER)) return 0;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void SaverWindow::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            Deliver(WindowEvent::CloseRequested);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    if (IsPreview() && !closed_ && !IsWindow(parent_)) Deliver(WindowEvent::CloseRequested);
}

void SaverWindow::DoEvents() { Pump(); }

void SaverWindow::Wait(double seconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(std::max(0.0, seconds)));
    Pump();
    while (!ExitRequested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        DWORD timeout = static_cast<DWORD>(left);
        if (IsPreview()) timeout = std::min(timeout, kParentCheckMilliseconds);
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        Pump();
    }
}

double SaverWindow::Timer() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

void SaverWindow::Randomize(double seed) { random_.seed(std::bit_cast<std::uint64_t>(seed)); }

double SaverWindow::Rnd() { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }

void SaverWindow::MessageBox(std::string_view text, std::string_view title, MessageIcon icon) {
    UINT style = MB_OK;
    switch (icon) {
        case MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case MessageIcon::Warning:
            style |= MB_ICONWARNING;
            break;
        case MessageIcon::Error:
            style |= MB_ICONSTOP;
            break;
    }
    MessageBoxW(window_, Widen(text).c_str(), Widen(title).c_str(), style);
}

bool SaverWindow::VerifyPassword() {
    // the password dialog of older systems; newer ones check at the lock screen themselves
    HMODULE library = LoadLibraryW(L"password.cpl");
    if (!library) return true;
    using VerifyFunction = BOOL(WINAPI*)(HWND);
    const auto verify = reinterpret_cast<VerifyFunction>(  // NOLINT: the library's own entry point
        reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    const bool mayLeave = verify == nullptr || verify(window_) != FALSE;
    FreeLibrary(library);
    return mayLeave;
}

}  // namespace kelvarin::win32
