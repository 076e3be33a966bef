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
#include "cli/ProgramFolder.hpp"
#include "cli/StationList.hpp"
#include "engine/Construction.hpp"
#include "render/CairoSurface.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

// the figure's caption colour: the label of a slide stays in one calm colour
constexpr ColorRef kCaptionColor = 0xFFFFFF;

// a positive decimal number without sign or fraction, or nothing
std::optional<int> ParseSide(std::string_view text) {
    int value = 0;
    if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Puts the caption into the corner of the picture where it hides the fewest basin
// vertices and gauges (top-left first when corners tie).
void PlaceCaption(picGIS& gis, CairoSurface& surface) {
    const auto [w, h] = surface.LabelExtent();
    const double W = surface.DeviceWidth(), H = surface.DeviceHeight();
    std::vector<std::pair<double, double>> points;
    for (const auto& vertex : *gis.lyrLayer(LayerIndex::Basin)->Polygon().Item(1))
        points.emplace_back(surface.DeviceX(vertex->X), surface.DeviceY(vertex->Y));
    for (const auto& entry : gis.Stations)
        points.emplace_back(surface.DeviceX(entry->GageStation->Point->X),
                            surface.DeviceY(entry->GageStation->Point->Y));
    const double margin = surface.TextSize();  // gauge marks and names reach a little beyond their point
    double bestX = 0.0, bestY = 0.0;
    long fewest = -1;
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {W - w, 0.0}, {0.0, H - h}, {W - w, H - h}}) {
        long hidden = 0;
        for (const auto& [px, py] : points)
            if (px > x - margin && px < x + w + margin && py > y - margin && py < y + h + margin) ++hidden;
        if (fewest < 0 || hidden < fewest) {
            fewest = hidden;
            bestX = x;
            bestY = y;
        }
    }
    const ScaleRect view = surface.Scale();
    gis.labMarkTarvo.Left = view.Left + std::max(0.0, bestX) / W * view.Width();
    gis.labMarkTarvo.Top = view.Top + std::max(0.0, bestY) / H * view.Height();
    surface.SetLabel(gis.labMarkTarvo);
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

void LoadSceneInto(picGIS& gis, const std::filesystem::path& scene) {
    if (!std::filesystem::is_regular_file(scene))
        throw UsageError("--scene '" + scene.string() + "' is not a readable file");
    gis.OpenThiessenFile(scene.string());
    gis.CreditText = MakeCreditText();
    gis.labMarkTarvo.Caption = gis.CreditText;
    gis.PlaceCreditLabel();
}

// marks the stations of the list ("all", or 1-based numbers with ranges) as selected
void SelectStations(picGIS& gis, const std::string& list) {
    gis.DisableStationSelect();
    for (long i : ParseStationList(list, gis.Stations.Count())) gis.Stations(i)->pSelect = true;
}

void RunRender(const RenderOptions& options, std::ostream& log) {
    if (options.Out.empty()) throw UsageError("--out FILE.png|FILE.svg|FILE.pdf is required");
    PictureFormat format;
    try {
        format = PictureFormatOf(options.Out);
    } catch (const std::invalid_argument& e) {
        throw UsageError(std::string("--out: ") + e.what());
    }
    if (!options.Method.empty() && options.Method != "thiessen" && options.Method != "heightbalance")
        throw UsageError("--method must be thiessen or heightbalance, not '" + options.Method + "'");
    const ImageSize size = ParseImageSize(options.Size);
    WarnWithoutCjkFont(std::cerr);

    CairoSurface surface(size.Width, size.Height);
    surface.SetKeepVector(format != PictureFormat::Png);
    surface.SetAutoRedraw(true);  // the window keeps what is drawn on it
    ScriptedWindowSystem windowSystem;
    picGIS gis(surface, windowSystem);
    LoadSceneInto(gis, options.Scene);
    SelectStations(gis, options.Stations);

    const bool heightBalance =
        options.Method.empty() ? gis.ShowMethod == ShowSetting::HeightBalance : options.Method == "heightbalance";
    if (heightBalance && gis.CenterPoints.Count() == 0) gis.ReadCenterPoint();

    // the selection as the cycle shows it, and the method's caption in the emptiest corner
    gis.DrawStations(gis.StationColor, true);
    gis.labMarkTarvo.Caption =
        std::string(heightBalance ? kHeightBalanceCaption : kThiessenCaption) + "\r\n" + gis.CreditText;
    gis.labMarkTarvo.ForeColor = kCaptionColor;
    gis.labMarkTarvo.Visible = true;
    surface.SetLabel(gis.labMarkTarvo);
    PlaceCaption(gis, surface);

    const Construction construction = BuildConstruction(heightBalance ? Method::HeightBalance : Method::Thiessen,
                                                        gis.LocalScene(), gis.SelectedStations());
    const std::optional<long> built = gis.ShowConstruction(construction);
    if (!built) throw std::runtime_error("the construction was interrupted");
    gis.ShowStationWeights();
    surface.WritePicture(options.Out);

    log << "wrote " << options.Out.string() << " (" << size.Width << "x" << size.Height
        << "): " << (heightBalance ? "height-balance" : "Thiessen") << " polygons of " << *built << " of "
        << gis.Stations.Count() << " gauges\n";
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
