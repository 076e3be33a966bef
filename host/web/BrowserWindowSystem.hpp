#pragma once
// The screen saver's window system in a browser tab. The page queues its input (a key or
// a click leaves the saver for the lesson; a new window size) and the saver takes it when
// it lets messages through. Waits sleep (Asyncify gives the browser its turn meanwhile),
// so the unchanged demonstration loop runs here as on a desktop and never keeps the tab busy.

#include <random>
#include <string_view>

#include "host/web/CanvasSurface.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin {

class BrowserWindowSystem : public WindowSystem {
  public:
    explicit BrowserWindowSystem(CanvasSurface& surface);

    void DoEvents() override;
    void Wait(double seconds) override;
    double Timer() override;
    void Randomize(double seed) override { random_.seed(static_cast<std::mt19937_64::result_type>(seed)); }
    double Rnd() override { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }
    void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) override;
    // a browser has no screen lock to ask: leaving the saver leads to the lesson, not to the desktop
    bool VerifyPassword() override { return true; }

  private:
    CanvasSurface& surface_;
    std::mt19937_64 random_;
    double lastYield_ = 0.0;  // performance clock, milliseconds
};

}  // namespace kelvarin
