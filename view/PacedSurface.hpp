#pragma once
// A surface that paces the animation: it passes every call to the surface it wraps
// and, after each repaint, waits one animation step while window messages are
// handled, so input still ends the run at once. Hosts that present on a real
// screen wrap their surface in it; tests and the command line use theirs bare.

#include "model/Surface.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin {

class PacedSurface : public Surface {
  public:
    PacedSurface(Surface& inner, WindowSystem& windowSystem) : inner_(inner), windowSystem_(windowSystem) {}

    void Line(double x1, double y1, double x2, double y2, ColorRef color) override {
        inner_.Line(x1, y1, x2, y2, color);
    }
    void Circle(double x, double y, double radius, ColorRef color) override { inner_.Circle(x, y, radius, color); }
    void Dot(double x, double y, ColorRef color) override { inner_.Dot(x, y, color); }
    void MoveTo(double x, double y) override { inner_.MoveTo(x, y); }
    void SetTextAlign(int flags) override { inner_.SetTextAlign(flags); }
    void Print(std::string_view text) override { inner_.Print(text); }
    void Clear() override { inner_.Clear(); }
    // shows the drawing, then waits one animation step
    void Refresh() override {
        inner_.Refresh();
        const double step = windowSystem_.GetPacing().StepSeconds;
        if (step > 0.0) windowSystem_.Wait(step);
    }
    bool AutoRedraw() const override { return inner_.AutoRedraw(); }
    void SetAutoRedraw(bool on) override { inner_.SetAutoRedraw(on); }
    void SetScale(const ScaleRect& scale) override { inner_.SetScale(scale); }
    ScaleRect Scale() const override { return inner_.Scale(); }
    double DeviceWidth() const override { return inner_.DeviceWidth(); }
    double DeviceHeight() const override { return inner_.DeviceHeight(); }
    void SetLabel(const CreditLabel& label) override { inner_.SetLabel(label); }

  private:
    Surface& inner_;
    WindowSystem& windowSystem_;
};

}  // namespace kelvarin
