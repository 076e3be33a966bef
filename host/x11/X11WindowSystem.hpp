#pragma once
// The window system of the X11 saver: X events become the map window's events,
// waits sleep in poll() on the X connection and on a self-pipe that SIGTERM and
// SIGINT write to, so a key press or a stop signal is answered at once and an idle
// saver uses no processor. Each presented frame is copied to the window, only the
// rectangle that changed; Expose is answered by copying the kept frame; a new window
// size resizes the surface and is handed on as Resized.

#include <X11/Xlib.h>

#include <random>
#include <string>
#include <vector>

#include "host/PointerJitter.hpp"
#include "render/CairoSurface.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin {

class X11WindowSystem final : public WindowSystem {
  public:
    // which events of the window count as input and as the end of the run
    struct Rules {
        bool CountInput = false;      // key presses and pointer motion reach the map window
        bool EndOnFocusLoss = false;  // losing the keyboard focus ends the run
    };

    // the window must exist, with these attributes; every frame the surface presents is copied to it
    X11WindowSystem(Display* display, Window window, const XWindowAttributes& attributes, Rules rules,
                    CairoSurface& surface);
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    // SIGTERM and SIGINT end the run from now on (the handlers write to a self-pipe)
    static void InstallStopSignals();
    // true once SIGTERM or SIGINT arrived
    static bool StopSignalled();
    // X errors go to the window system that watches them, which reports them (or drops
    // them, for a window that has gone); they never end the process
    static void InstallErrorHandler();

    void DoEvents() override;
    void Wait(double seconds) override;
    double Timer() override;
    void Randomize(double seed) override;
    double Rnd() override;
    void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    // X11 has no screen-saver password check of its own; locking is the daemon's job
    bool VerifyPassword() override { return true; }

    // the window has gone (destroyed, or X refused to draw on it)
    bool WindowGone() const { return gone_; }

    // copies a rectangle of the surface's presented frame to the window
    void Present(int x, int y, int width, int height);

  private:
    void Handle(XEvent& event);
    void ApplySize(int width, int height);
    void ReportErrors();
    static int OnXError(Display* display, XErrorEvent* error);

    Display* display_;
    Window window_;
    Rules rules_;
    CairoSurface& surface_;
    Visual* visual_;
    int depth_;
    GC gc_;
    bool putImage_ = false;                // the frame's pixels are the window's: sent as they are
    cairo_surface_t* fallback_ = nullptr;  // else cairo converts them, a whole frame at a time
    Atom wmProtocols_, wmDeleteWindow_;
    PointerJitter jitter_;
    bool focused_ = false;
    bool gone_ = false;
    bool stopDelivered_ = false;
    int width_ = 0, height_ = 0;
    std::vector<std::string> errors_;  // X errors not yet reported
    std::mt19937_64 random_;
};

}  // namespace kelvarin
