#pragma once
// A surface that draws nothing and remembers every call, in order, so drawing
// can be checked exactly. Also the "draws nothing" surface of the command line.

#include <string>
#include <vector>

#include "model/Surface.hpp"

namespace kelvarin {

class RecordingSurface : public Surface {
  public:
    enum class Kind { Line, Circle, Dot, MoveTo, TextAlign, Print, Clear, Refresh, AutoRedraw, Scale, Label };

    struct Primitive {
        Kind kind;
        double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;  // Circle: x1, y1 centre and x2 radius
        ColorRef color = 0;
        int flags = 0;     // TextAlign: the flags; AutoRedraw: 1 on, 0 off
        std::string text;  // Print, Label
    };

    // device size in pixels; the scale starts as the identity on that size
    explicit RecordingSurface(double deviceWidth = 800.0, double deviceHeight = 600.0, bool record = true);

    void Line(double x1, double y1, double x2, double y2, ColorRef color) override;
    void Circle(double x, double y, double radius, ColorRef color) override;
    void Dot(double x, double y, ColorRef color) override;
    void MoveTo(double x, double y) override;
    void SetTextAlign(int flags) override;
    void Print(std::string_view text) override;
    // An estimate, the same on every machine: a recording has no font. Per pixel of the text
    // size the device's size gives, a character is kNarrowWidth wide, or kWideWidth for the
    // full-width characters of Chinese, Japanese and Korean, and a line kLineHeight high with
    // its baseline kBaseline from its top.
    TextExtent MeasureText(std::string_view text) const override;
    static constexpr double kNarrowWidth = 0.6;
    static constexpr double kWideWidth = 1.0;
    static constexpr double kLineHeight = 1.25;
    static constexpr double kBaseline = 1.0;
    void Clear() override;
    void Refresh() override;
    bool AutoRedraw() const override { return autoRedraw_; }
    void SetAutoRedraw(bool on) override;
    void SetScale(const ScaleRect& scale) override;
    ScaleRect Scale() const override { return scale_; }
    double DeviceWidth() const override { return width_; }
    double DeviceHeight() const override { return height_; }
    void SetLabel(const CreditLabel& label) override;
    // a panel of kLabelCharWidth by kLabelLineHeight pixels per character of the longest
    // line and per line: a recording has no font
    std::pair<double, double> LabelExtent() const override;
    static constexpr double kLabelCharWidth = 8.0;
    static constexpr double kLabelLineHeight = 16.0;

    // changes the device size, as a window resize would
    void Resize(double deviceWidth, double deviceHeight);

    const std::vector<Primitive>& Primitives() const { return primitives_; }
    const CreditLabel& Label() const { return label_; }
    long CountOf(Kind kind) const;
    void Forget() { primitives_.clear(); }

  private:
    void Record(Primitive p);

    double width_, height_;
    bool record_;
    bool autoRedraw_ = false;
    ScaleRect scale_;
    CreditLabel label_;
    std::vector<Primitive> primitives_;
};

}  // namespace kelvarin
