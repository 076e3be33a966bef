#pragma once
// The drawing surface of the map window, as layers and the map window use it.
// Coordinates are map-local; the surface's scale maps them to its device.

#include <string>
#include <string_view>
#include <utility>

#include "model/Color.hpp"

namespace kelvarin {

// Text alignment flags, with the values of the Windows text-alignment flags.
namespace TextAlign {
constexpr int Left = 0;
constexpr int UpdateCurrentPosition = 1;
constexpr int Right = 2;
constexpr int Center = 6;
constexpr int Top = 0;
constexpr int Bottom = 8;
constexpr int Baseline = 24;
}  // namespace TextAlign

// The map rectangle shown: (Left, Top) is the client area's top-left corner in map
// units, (Right, Bottom) its bottom-right. With north up Top > Bottom.
struct ScaleRect {
    double Left = 0.0;
    double Top = 0.0;
    double Right = 1.0;
    double Bottom = 1.0;
    double Width() const { return Right - Left; }
    double Height() const { return Bottom - Top; }
};

// The floating credit label: drawn above the persistent drawing, never into it.
struct CreditLabel {
    std::string Caption;  // lines separated by "\r\n"
    double Left = 0.0;    // top-left corner in map units
    double Top = 0.0;
    ColorRef ForeColor = 0xFFFFFF;
    bool Visible = true;
};

// The box of a text as Print draws it, in device pixels.
struct TextExtent {
    double Width = 0.0;
    double Height = 0.0;    // every line, from the top of the first to the bottom of the last
    double Baseline = 0.0;  // from the top of the box to the first line's baseline
};

class Surface {
  public:
    virtual ~Surface() = default;

    // straight line from (x1, y1) to (x2, y2)
    virtual void Line(double x1, double y1, double x2, double y2, ColorRef color) = 0;
    // circle outline; the radius is in map units
    virtual void Circle(double x, double y, double radius, ColorRef color) = 0;
    // a single dot
    virtual void Dot(double x, double y, ColorRef color) = 0;

    // current drawing position, alignment, and text printed there
    virtual void MoveTo(double x, double y) = 0;
    virtual void SetTextAlign(int flags) = 0;
    virtual void Print(std::string_view text) = 0;
    // the box Print would give the text, measured with the surface's own font
    virtual TextExtent MeasureText(std::string_view text) const = 0;

    // wipes the drawing to the background
    virtual void Clear() = 0;
    // shows what has been drawn; a presenting surface may pace the animation here
    virtual void Refresh() = 0;

    // persistent drawing: drawing goes into the kept image that survives repaints
    virtual bool AutoRedraw() const = 0;
    virtual void SetAutoRedraw(bool on) = 0;

    // the map rectangle shown, and the device size it is shown on
    virtual void SetScale(const ScaleRect& scale) = 0;
    virtual ScaleRect Scale() const = 0;
    virtual double DeviceWidth() const = 0;
    virtual double DeviceHeight() const = 0;

    virtual void SetLabel(const CreditLabel& label) = 0;
    // the label's panel for the caption it holds now: width and height in device pixels
    virtual std::pair<double, double> LabelExtent() const = 0;
};

}  // namespace kelvarin
