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
    std::filesystem::path Out;  // .png, .svg or .pdf
    bool PieceLabels = false;   // each piece labelled with its weight in its sub-basin
};

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
};

// runs the cycle unpaced for the given number of cycles and writes its files
DemoResult RunDemo(const DemoOptions& options, std::ostream& log);

}  // namespace kelvarin
