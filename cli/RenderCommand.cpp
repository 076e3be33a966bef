// kelvarin-cli render: the finished construction of one method for one selection
// of gauges, as a figure.

#include <algorithm>
#include <charconv>
#include <iostream>
#include <memory>
#include <sstream>
#include <string_view>

#include "cli/Commands.hpp"
#include "cli/ImageCommands.hpp"
#include "cli/SceneOptions.hpp"
#include "render/CairoSurface.hpp"
#include "render/FontCheck.hpp"
#include "scene/ProgramFolder.hpp"
#include "view/Figure.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

// a positive decimal number without sign or fraction, or nothing
std::optional<int> ParseSide(std::string_view text) {
    int value = 0;
    if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

ImageSize ParseImageSize(const std::string& text) {
    const auto x = text.find_first_of("xX");
    std::optional<int> w, h;
    if (x != std::string::npos) {
        w = ParseSide(std::string_view(text).substr(0, x));
        h = ParseSide(std::string_view(text).substr(x + 1));
    }
    if (!w || !h || *w < kMinImageSide || *h < kMinImageSide || *w > kMaxImageSide || *h > kMaxImageSide)
        throw UsageError("--size must be WxH with each side from " + std::to_string(kMinImageSide) + " to " +
                         std::to_string(kMaxImageSide) + ", not '" + text + "'");
    return {*w, *h};
}

void WarnWithoutCjkFont(std::ostream& err) {
    const FontCheck font = CheckTextFont(kThiessenCaption);
    if (font.Ok()) return;
    err << "kelvarin-cli: warning: no CJK font draws the Chinese captions (found '" << font.Family << "', "
        << font.UnknownGlyphs << " characters without a glyph); install fonts-wqy-zenhei\n";
}

void RunRender(const RenderOptions& options, std::ostream& log) {
    if (options.Out.empty()) throw UsageError("--out FILE.png|FILE.svg|FILE.pdf is required");
    PictureFormat format;
    try {
        format = PictureFormatOf(options.Out);
    } catch (const std::invalid_argument& e) {
        throw UsageError(std::string("--out: ") + e.what());
    }
    const ImageSize size = ParseImageSize(options.Size);
    WarnWithoutCjkFont(std::cerr);

    const std::optional<Method> asked = MethodOption(options.Method);
    auto scene = std::make_shared<const Scene>(LoadSceneFor(options.Scene, asked));
    const Method method = MethodFor(asked, *scene);
    const std::vector<long> selection = StationsOption(options.Stations, static_cast<long>(scene->Stations.size()));

    CairoSurface surface(size.Width, size.Height);
    surface.SetKeepVector(format != PictureFormat::Png);
    surface.SetAutoRedraw(true);  // the window keeps what is drawn on it
    const FigureReport report = DrawFigure(surface, scene, method, selection);
    surface.WritePicture(options.Out);

    log << "wrote " << options.Out.string() << " (" << size.Width << "x" << size.Height
        << "): " << (method == Method::HeightBalance ? "height-balance" : "Thiessen") << " polygons of "
        << report.Gauges.size() << " of " << report.SceneGauges << " gauges\n";
}

// adds `render [--scene FILE] [--method M] [--stations all|LIST] [--size WxH] --out FILE`
void AddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    auto scene = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    CLI::App* render = app.add_subcommand("render", "Draw one finished construction as a PNG, SVG or PDF figure");
    render->add_option("--scene", *scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    render->add_option("--method", options->Method, "thiessen or heightbalance (default: the scene's own method)");
    render
        ->add_option("--stations", options->Stations,
                     "all, or 1-based station numbers in file order with ranges: 1,3,5-8")
        ->capture_default_str();
    render->add_option("--size", options->Size, "picture size WxH in pixels")->capture_default_str();
    render->add_option("--out", *out, "the figure: FILE.png, FILE.svg or FILE.pdf");
    render->callback([options, scene, out] {
        options->Scene = scene->empty() ? DefaultScenePath() : std::filesystem::path(*scene);
        options->Out = *out;
        RunRender(*options, std::cout);
    });
}

}  // namespace kelvarin
