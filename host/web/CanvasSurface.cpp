#include "host/web/CanvasSurface.hpp"

#include <emscripten.h>

#include <cmath>
#include <stdexcept>

// The painter's side of every call: site/painter.js registers each canvas's painter in
// Module.kelvarinPainters. Target 0 is the persistent image, 1 the shown canvas.
// clang-format off
EM_JS(double, kelvarin_canvas_width, (int painter), { return Module.kelvarinPainters[painter].width(); });
EM_JS(double, kelvarin_canvas_height, (int painter), { return Module.kelvarinPainters[painter].height(); });
EM_JS(void, kelvarin_canvas_line, (int painter, int target, double x1, double y1, double x2, double y2, unsigned color), {
    Module.kelvarinPainters[painter].line(target, x1, y1, x2, y2, color);
});
EM_JS(void, kelvarin_canvas_circle, (int painter, int target, double x, double y, double r, unsigned color), {
    Module.kelvarinPainters[painter].circle(target, x, y, r, color);
});
EM_JS(void, kelvarin_canvas_dot, (int painter, int target, double x, double y, unsigned color), {
    Module.kelvarinPainters[painter].dot(target, x, y, color);
});
EM_JS(double, kelvarin_canvas_text, (int painter, int target, double x, double y, int align, const char* text, int length, unsigned color), {
    return Module.kelvarinPainters[painter].text(target, x, y, align, UTF8ToString(text, length), color);
});
EM_JS(void, kelvarin_canvas_clear, (int painter, int target), { Module.kelvarinPainters[painter].clear(target); });
EM_JS(void, kelvarin_canvas_present, (int painter), { Module.kelvarinPainters[painter].present(); });
EM_JS(void, kelvarin_canvas_label, (int painter, const char* text, int length, double x, double y, unsigned color, int visible), {
    Module.kelvarinPainters[painter].setLabel(UTF8ToString(text, length), x, y, color, visible !== 0);
});
EM_JS(double, kelvarin_canvas_label_width, (int painter), { return Module.kelvarinPainters[painter].labelExtent()[0]; });
EM_JS(double, kelvarin_canvas_label_height, (int painter), { return Module.kelvarinPainters[painter].labelExtent()[1]; });
// clang-format on

namespace kelvarin {

CanvasSurface::CanvasSurface(int painter) : painter_(painter) {
    TakeCanvasSize();
    scale_ = {0.0, 0.0, width_, height_};
}

void CanvasSurface::TakeCanvasSize() {
    width_ = std::max(1.0, kelvarin_canvas_width(painter_));
    height_ = std::max(1.0, kelvarin_canvas_height(painter_));
    // the label is placed in map units: it follows the new size
    SetLabel(label_);
}

void CanvasSurface::Line(double x1, double y1, double x2, double y2, ColorRef color) {
    kelvarin_canvas_line(painter_, autoRedraw_ ? 0 : 1, DeviceX(x1), DeviceY(y1), DeviceX(x2), DeviceY(y2), color);
}

void CanvasSurface::Circle(double x, double y, double radius, ColorRef color) {
    const double r = std::abs(radius / scale_.Width() * width_);
    kelvarin_canvas_circle(painter_, autoRedraw_ ? 0 : 1, DeviceX(x), DeviceY(y), r, color);
}

void CanvasSurface::Dot(double x, double y, ColorRef color) {
    kelvarin_canvas_dot(painter_, autoRedraw_ ? 0 : 1, DeviceX(x), DeviceY(y), color);
}

void CanvasSurface::MoveTo(double x, double y) {
    currentX_ = x;
    currentY_ = y;
}

void CanvasSurface::Print(std::string_view text) {
    const double x0 = DeviceX(currentX_);
    const double width = kelvarin_canvas_text(painter_, autoRedraw_ ? 0 : 1, x0, DeviceY(currentY_), textAlign_,
                                              text.data(), static_cast<int>(text.size()), 0xEBEBEB);
    // with the update flag the position moves on along the text, as a device context does
    if ((textAlign_ & TextAlign::UpdateCurrentPosition) == 0) return;
    double x = x0;
    if ((textAlign_ & TextAlign::Center) == TextAlign::Left) x = x0 + width;
    if ((textAlign_ & TextAlign::Center) == TextAlign::Right) x = x0 - width;
    currentX_ = scale_.Left + x / width_ * scale_.Width();
}

void CanvasSurface::Clear() {
    kelvarin_canvas_clear(painter_, autoRedraw_ ? 0 : 1);
    currentX_ = 0.0;
    currentY_ = 0.0;
}

void CanvasSurface::Refresh() { kelvarin_canvas_present(painter_); }

void CanvasSurface::SetScale(const ScaleRect& scale) {
    if (!std::isfinite(scale.Left) || !std::isfinite(scale.Top) || !std::isfinite(scale.Right) ||
        !std::isfinite(scale.Bottom) || scale.Width() == 0.0 || scale.Height() == 0.0)
        throw std::invalid_argument("surface scale needs a finite rectangle of non-zero width and height");
    scale_ = scale;
    SetLabel(label_);
}

void CanvasSurface::SetLabel(const CreditLabel& label) {
    label_ = label;
    kelvarin_canvas_label(painter_, label_.Caption.data(), static_cast<int>(label_.Caption.size()),
                          DeviceX(label_.Left), DeviceY(label_.Top), label_.ForeColor, label_.Visible ? 1 : 0);
}

std::pair<double, double> CanvasSurface::LabelExtent() const {
    return {kelvarin_canvas_label_width(painter_), kelvarin_canvas_label_height(painter_)};
}

}  // namespace kelvarin
