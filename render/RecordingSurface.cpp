#include "render/RecordingSurface.hpp"

#include <algorithm>
#include <utility>

#include "model/DrawingSizes.hpp"

namespace kelvarin {
namespace {

// whether a code point is drawn full width: the CJK blocks, Hangul, full-width forms
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// the code point that starts at text[i] (UTF-8), moving i past it; a stray byte is one character
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t c = more == 0 ? lead : lead & (0x3F >> more);
    for (int k = 0; k < more && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    return c;
}

}  // namespace

RecordingSurface::RecordingSurface(double deviceWidth, double deviceHeight, bool record)
    : width_(deviceWidth), height_(deviceHeight), record_(record), scale_{0.0, 0.0, deviceWidth, deviceHeight} {}

void RecordingSurface::Record(Primitive p) {
    if (record_) primitives_.push_back(std::move(p));
}

void RecordingSurface::Line(double x1, double y1, double x2, double y2, ColorRef color) {
    Record({Kind::Line, x1, y1, x2, y2, color, 0, {}});
}
void RecordingSurface::Circle(double x, double y, double radius, ColorRef color) {
    Record({Kind::Circle, x, y, radius, 0.0, color, 0, {}});
}
void RecordingSurface::Dot(double x, double y, ColorRef color) { Record({Kind::Dot, x, y, 0.0, 0.0, color, 0, {}}); }
void RecordingSurface::MoveTo(double x, double y) { Record({Kind::MoveTo, x, y, 0.0, 0.0, 0, 0, {}}); }
void RecordingSurface::SetTextAlign(int flags) { Record({Kind::TextAlign, 0.0, 0.0, 0.0, 0.0, 0, flags, {}}); }
void RecordingSurface::Print(std::string_view text) {
    Record({Kind::Print, 0.0, 0.0, 0.0, 0.0, 0, 0, std::string(text)});
}
TextExtent RecordingSurface::MeasureText(std::string_view text) const {
    const double size = DrawingSizesFor(static_cast<int>(width_), static_cast<int>(height_)).Text;
    double widest = 0.0, line = 0.0;
    long lines = 1;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        if (c == '\r') continue;
        if (c == '\n') {
            ++lines;
            line = 0.0;
            continue;
        }
        line += IsWide(c) ? kWideWidth : kNarrowWidth;
        widest = std::max(widest, line);
    }
    return TextExtent{widest * size, static_cast<double>(lines) * kLineHeight * size, kBaseline * size};
}

void RecordingSurface::Clear() { Record({Kind::Clear, 0.0, 0.0, 0.0, 0.0, 0, 0, {}}); }
void RecordingSurface::Refresh() { Record({Kind::Refresh, 0.0, 0.0, 0.0, 0.0, 0, 0, {}}); }
void RecordingSurface::SetAutoRedraw(bool on) {
    autoRedraw_ = on;
    Record({Kind::AutoRedraw, 0.0, 0.0, 0.0, 0.0, 0, on ? 1 : 0, {}});
}
void RecordingSurface::SetScale(const ScaleRect& scale) {
    scale_ = scale;
    Record({Kind::Scale, scale.Left, scale.Top, scale.Right, scale.Bottom, 0, 0, {}});
}
void RecordingSurface::SetLabel(const CreditLabel& label) {
    label_ = label;
    Record({Kind::Label, label.Left, label.Top, 0.0, 0.0, label.ForeColor, label.Visible ? 1 : 0, label.Caption});
}

std::pair<double, double> RecordingSurface::LabelExtent() const {
    if (label_.Caption.empty()) return {0.0, 0.0};
    std::size_t longest = 0, lines = 0;
    for (std::size_t start = 0; start <= label_.Caption.size(); ++lines) {
        std::size_t end = label_.Caption.find('\n', start);
        if (end == std::string::npos) end = label_.Caption.size();
        std::size_t length = end - start;
        if (length > 0 && label_.Caption[end - 1] == '\r') --length;
        longest = std::max(longest, length);
        start = end + 1;
    }
    return {static_cast<double>(longest) * kLabelCharWidth, static_cast<double>(lines) * kLabelLineHeight};
}

void RecordingSurface::Resize(double deviceWidth, double deviceHeight) {
    width_ = deviceWidth;
    height_ = deviceHeight;
}

long RecordingSurface::CountOf(Kind kind) const {
    return static_cast<long>(
        std::count_if(primitives_.begin(), primitives_.end(), [kind](const Primitive& p) { return p.kind == kind; }));
}

}  // namespace kelvarin
