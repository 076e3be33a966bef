#pragma once
// The picture commands of kelvarin-cli: `render` (one finished construction as a
// PNG, SVG or PDF figure) and `demo` (the demonstration cycle run unpaced into
// numbered frames, a poster and a weights table). Both draw through the figure
// interface of the map window on a Cairo surface.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/UsageError.hpp"

namespace kelvarin {

struct ImageSize {
    int Width = 0;
    int Height = 0;
};

// "WxH" with each side from kMinImageSide to kMaxImageSide; throws UsageError otherwise
ImageSize ParseImageSize(const std::string& text);
inline constexpr int kMinImageSide = 16;
inline constexpr int kMaxImageSide = 8192;

// says on err when Chinese text would be drawn as boxes for want of a CJK font
void WarnWithoutCjkFont(std::ostream& err);

struct RenderOptions {
    std::filesystem::path Scene;
    std::string Method;            // "thiessen", "heightbalance", or empty: the scene's own
    std::string Stations = "all";  // "all" or 1-based numbers in file order with ranges: 1,3,5-8
    std::string Size = "1920x1080";
    std::optional<std::string> LabelSize;  // the gauge labels' text in points; none: the picture size's own
    std::filesystem::path Out;             // .png, .svg or .pdf
    bool PieceLabels = false;              // each piece labelled with its weight in its sub-basin
};

// A point is 1/72 inch and a figure is taken to have 96 pixels to the inch, as screens and
// browsers do: a point is 4/3 pixel.
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;
// --label-size from kMinLabelPoints to kMaxLabelPoints: smaller cannot be read, larger
// than a few labels would cover a figure
inline constexpr double kMinLabelPoints = 4.0;
inline constexpr double kMaxLabelPoints = 144.0;

// the pixels of a --label-size in points; throws UsageError when it is not a number of points
// from kMinLabelPoints to kMaxLabelPoints
double ParseLabelSize(const std::string& text);

// says on err how many gauge labels could not be placed free of others, when any
void ReportUnplacedLabels(long unplaced, long labels, std::ostream& err);

// draws the finished construction and writes it; throws UsageError for bad options,
// SceneError or std::runtime_error when the scene or the file fails
void RunRender(const RenderOptions& options, std::ostream& log);

struct DemoOptions {
    std::filesystem::path Scene;
    long Cycles = 3;
    std::uint64_t Seed = 1;
    std::string Size = "1280x720";
    long Every = 1;                    // write every K-th presented frame
    std::filesystem::path Out;         // a folder, created when missing
    std::ostream* Progress = nullptr;  // where "cycle k of N" is kept up to date; nothing when null
};

// what a demonstration run left behind
struct DemoResult {
    long Cycles = 0;
    long FramesPresented = 0;
    long FramesWritten = 0;
    std::filesystem::path Poster;
    std::filesystem::path Weights;
    long UnplacedLabels = 0;  // gauge labels, over all the finished constructions, drawn over others
};

// runs the cycle unpaced for the given number of cycles and writes its files
DemoResult RunDemo(const DemoOptions& options, std::ostream& log);

}  // namespace kelvarin
