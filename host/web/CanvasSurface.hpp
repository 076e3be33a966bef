#pragma once
// The web page's drawing surface: an HTML canvas, drawn by the page's painter (site/
// painter.js) at the device's pixel ratio. Map coordinates become device pixels here; the
// painter keeps a persistent image beside the canvas, draws text through the browser's
// fonts (CJK names included) and shows the credit label as a panel above the drawing.

#include <string>
#include <string_view>
#include <utility>

#include "model/Surface.hpp"

namespace kelvarin {

class CanvasSurface : public Surface {
  public:
    // draws through the painter the page registered under this number
    explicit CanvasSurface(int painter);

    void Line(double x1, double y1, double x2, double y2, ColorRef color) override;
    void Circle(double x, double y, double radius, ColorRef color) override;
    void Dot(double x, double y, ColorRef color) override;
    void MoveTo(double x, double y) override;
    void SetTextAlign(int flags) override { textAlign_ = flags; }
    void Print(std::string_view text) override;
    void Clear() override;
    void Refresh() override;
    bool AutoRedraw() const override { return autoRedraw_; }
    void SetAutoRedraw(bool on) override { autoRedraw_ = on; }
    void SetScale(const ScaleRect& scale) override;
    ScaleRect Scale() const override { return scale_; }
    double DeviceWidth() const override { return width_; }
    double DeviceHeight() const override { return height_; }
    void SetLabel(const CreditLabel& label) override;
    std::pair<double, double> LabelExtent() const override;

    // takes the canvas's present size in device pixels, as a window resize does
    void TakeCanvasSize();
    int Painter() const { return painter_; }

  private:
    double DeviceX(double x) const { return (x - scale_.Left) / scale_.Width() * width_; }
    double DeviceY(double y) const { return (y - scale_.Top) / scale_.Height() * height_; }

    int painter_;
    double width_ = 1.0, height_ = 1.0;
    ScaleRect scale_;
    bool autoRedraw_ = false;
    int textAlign_ = 0;
    double currentX_ = 0.0, currentY_ = 0.0;
    CreditLabel label_;
};

}  // namespace kelvarin
