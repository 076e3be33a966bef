#include "render/RecordingSurface.hpp"

#include <algorithm>
#include <utility>

namespace kelvarin {

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
