#pragma once
// A surface that paces the animation: it passes every call to the surface it wraps
// and, after each repaint, waits one animation step while window messages are
// handled, so input still ends the run at once. Hosts that present on a real
// screen wrap their surface in it; tests and the command line use theirs bare.

#include "model/ForwardingSurface.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin {

class PacedSurface : public ForwardingSurface {
  public:
    PacedSurface(Surface& inner, WindowSystem& windowSystem) : ForwardingSurface(inner), windowSystem_(windowSystem) {}

    // shows the drawing, then waits one animation step
    void Refresh() override {
        ForwardingSurface::Refresh();
        const double step = windowSystem_.GetPacing().StepSeconds;
        if (step > 0.0) windowSystem_.Wait(step);
    }

  private:
    WindowSystem& windowSystem_;
};

}  // namespace kelvarin
