#pragma once
// The saver's one window and the window system around it: full screen over every
// monitor or a child of the preview window, its messages turned into the map window's
// events, and waits that sleep in MsgWaitForMultipleObjects until a message arrives or
// the time is up, so the saver uses no processor between repaints and still answers
// input at once.

#include <chrono>
#include <cstdint>
#include <exception>
#include <random>

#include "host/PointerJitter.hpp"
#include "host/win32/Win32.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin::win32 {

class WindowSurface;

// The window's title, also the application's.
inline constexpr const wchar_t* kApplicationTitle = L"Kelvarin";

class SaverWindow final : public WindowSystem {
  public:
    // a full-screen window over the virtual screen (parent nullptr), or a child sized to
    // the parent's client area; throws std::runtime_error when it cannot be created
    SaverWindow(HINSTANCE instance, HWND parent);
    ~SaverWindow() override;
    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;

    HWND Handle() const { return window_; }
    bool IsPreview() const { return parent_ != nullptr; }
    // the surface that WM_PAINT and WM_SIZE go to
    void SetSurface(WindowSurface* surface) { surface_ = surface; }

    // top-most, and the system told that a screen saver runs; undone by LeaveSaverMode
    void EnterSaverMode();
    void LeaveSaverMode();

    void DoEvents() override;
    void Wait(double seconds) override;
    double Timer() override;
    void Randomize(double seed) override;
    double Rnd() override;
    void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    bool VerifyPassword() override;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // handles every pending message; a preview whose parent is gone is asked to close
    void Pump();

    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    WindowSurface* surface_ = nullptr;
    PointerJitter pointer_;
    bool closed_ = false;         // the window was destroyed from outside (its parent went away)
    std::exception_ptr failure_;  // raised while a message was handled, passed on by Pump
    std::mt19937_64 random_{1};
};

}  // namespace kelvarin::win32
