#pragma once
// The pen width and text sizes of the map's pictures, in pixels, for a device size. They grow
// with the shorter side of the device, so that 320x240 stays legible and 3840x2160 is not
// thin, and have a floor for tiny previews. Every surface that draws the map takes its sizes
// from here, so the saver's frames and the command line's pictures look alike.

#include <algorithm>

namespace kelvarin {

// Sizes in pixels.
struct DrawingSizes {
    double Pen;       // width of lines and circles
    double Dot;       // radius of a dot: a little wider than a line
    double Text;      // gauge names
    double Label;     // the credit label's text
    double LabelPad;  // room around the label's text on its panel
};

// the sizes for a device of width x height pixels
constexpr DrawingSizes DrawingSizesFor(int width, int height) {
    constexpr double kPenPerShortSide = 1.0 / 540.0;  // 2 px at 1080, 4 px at 2160
    constexpr double kMinPen = 1.0;
    constexpr double kDotPerPen = 1.3;
    constexpr double kTextPerShortSide = 1.0 / 50.0;  // gauge names: 21.6 px at 1080
    constexpr double kMinText = 10.0;
    constexpr double kLabelPerShortSide = 1.0 / 56.0;  // credit label: 19 px at 1080
    constexpr double kMinLabel = 9.0;
    constexpr double kLabelPadPerText = 0.35;
    const double shortSide = std::min(width, height);
    const double pen = std::max(kMinPen, shortSide * kPenPerShortSide);
    const double label = std::max(kMinLabel, shortSide * kLabelPerShortSide);
    return DrawingSizes{pen, pen * kDotPerPen, std::max(kMinText, shortSide * kTextPerShortSide), label,
                        label * kLabelPadPerText};
}

}  // namespace kelvarin
