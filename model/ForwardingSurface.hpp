#pragma once
// A surface that passes every call to another one: the base of surfaces that change one
// thing about the one they wrap (pacing, watching what is drawn) and pass the rest through.

#include <string_view>
#include <utility>

#include "model/Surface.hpp"

namespace kelvarin {

class ForwardingSurface : public Surface {
  public:
    explicit ForwardingSurface(Surface& inner) : inner_(inner) {}

    void Line(double x1, double y1, double x2, double y2, ColorRef color) override {
        inner_.Line(x1, y1, x2, y2, color);
    }
    void Circle(double x, double y, double radius, ColorRef color) override { inner_.Circle(x, y, radius, color); }
    void Dot(double x, double y, ColorRef color) override { inner_.Dot(x, y, color); }
    void MoveTo(double x, double y) override { inner_.MoveTo(x, y); }
    void SetTextAlign(int flags) override { inner_.SetTextAlign(flags); }
    void Print(std::string_view text) override { inner_.Print(text); }
    TextExtent MeasureText(std::string_view text) const override { return inner_.MeasureText(text); }
    void Clear() override { inner_.Clear(); }
    void Refresh() override { inner_.Refresh(); }
    bool AutoRedraw() const override { return inner_.AutoRedraw(); }
    void SetAutoRedraw(bool on) override { inner_.SetAutoRedraw(on); }
    void SetScale(const ScaleRect& scale) override { inner_.SetScale(scale); }
    ScaleRect Scale() const override { return inner_.Scale(); }
    double DeviceWidth() const override { return inner_.DeviceWidth(); }
    double DeviceHeight() const override { return inner_.DeviceHeight(); }
    void SetLabel(const CreditLabel& label) override { inner_.SetLabel(label); }
    std::pair<double, double> LabelExtent() const override { return inner_.LabelExtent(); }

  protected:
    Surface& Inner() { return inner_; }

  private:
    Surface& inner_;
};

}  // namespace kelvarin
