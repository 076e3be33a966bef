#include "view/picGIS.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <sstream>
#include <utility>

#include "geometry/modGISTools.hpp"
#include "model/DrawingSizes.hpp"
#include "model/modGraphicBasic.hpp"
#include "scene/SceneChecks.hpp"
#include "view/LabelPlacement.hpp"

#ifndef KELVARIN_VERSION
#define KELVARIN_VERSION "unknown"
#endif

namespace kelvarin {
namespace {

// A station mark is this many times smaller than the shorter side of the visible map.
constexpr double kMarkDivisor = 40.0;
// Lines of a failure text: this many fit on the height of the visible map.
constexpr double kErrorLinesPerScreen = 30.0;
// How long a window showing a failure waits between two exit checks.
constexpr double kIdleWaitSeconds = 0.25;
// A gauge's label starts this many mark diameters right of the mark's centre.
constexpr double kLabelOffsetPerMark = 0.75;
// The line that joins a label moved away from its gauge: a grey that stays behind the text.
constexpr ColorRef kLeaderColor = RGB(150, 150, 150);

// the sign of a number: -1, 0 or 1
double Sign(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

// splits text at line breaks ("\n", with or without "\r")
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct LayerSpec {
    const char* name;
    ColorRef color;
};

// the seven layers in creation order; layer 7 has no colour of its own
constexpr std::array<LayerSpec, 7> kLayers = {{
    {"流域邊界", MapColor::White},
    {"三角網", MapColor::Yellow},
    {"高程中點三角網", MapColor::BrightGreen},
    {"徐昇多邊形網", MapColor::Blue},
    {"交集區域", MapColor::Magenta},
    {"河川溪流", MapColor::Blue},
    {"其它", 0},
}};

// map units to a surface's device pixels and back
struct DeviceMapping {
    ScaleRect view;
    double width, height;
    double X(double x) const { return (x - view.Left) / view.Width() * width; }
    double Y(double y) const { return (y - view.Top) / view.Height() * height; }
    double MapX(double px) const { return view.Left + px / width * view.Width(); }
    double MapY(double py) const { return view.Top + py / height * view.Height(); }
};

// a selected gauge's label: its name and its weight in percent
std::string WeightLabel(const cGagingStation& station) {
    char percent[64];
    std::snprintf(percent, sizeof percent, "%.1f%%", *station.Weight * 100.0);
    return station.Name + " " + percent;
}

// a surface's mapping from map units to its pixels
DeviceMapping DeviceOf(const Surface& surface) {
    return DeviceMapping{surface.Scale(), surface.DeviceWidth(), surface.DeviceHeight()};
}

// picGIS::GaugeLabelField on the window's device mapping
LabelField LabelFieldOf(picGIS& gis, const DeviceMapping& device, std::vector<long>& labelled,
                        std::vector<std::string>& texts) {
    Surface& surface = gis.surface();
    const DrawingSizes sizes = DrawingSizesFor(static_cast<int>(device.width), static_cast<int>(device.height));
    const double pixelsPerUnit = device.width / std::abs(device.view.Width());
    LabelField field;
    field.Width = device.width;
    field.Height = device.height;
    field.MarkRadius = std::max(gis.StationMarkSize / 2.0 * pixelsPerUnit + sizes.Pen / 2.0, sizes.Dot);
    field.Offset = gis.StationMarkSize * kLabelOffsetPerMark * pixelsPerUnit;
    field.Gap = sizes.Pen;  // about the width of the dark outline round the text
    if (gis.labMarkTarvo.Visible && !gis.labMarkTarvo.Caption.empty()) {
        const auto [w, h] = surface.LabelExtent();
        const double x = device.X(gis.labMarkTarvo.Left), y = device.Y(gis.labMarkTarvo.Top);
        field.Covered.push_back({x, y, x + w, y + h});
    }
    for (long i = gis.Stations.LBound(); i <= gis.Stations.UBound(); ++i) {
        const cTypeGagingStation& entry = *gis.Stations(i);
        const cGagingStation& station = *entry.GageStation;
        field.Marks.push_back({device.X(station.Point->X), device.Y(station.Point->Y)});
        if (!entry.pSelect || !station.Weight) continue;
        labelled.push_back(i);
        texts.push_back(WeightLabel(station));
        field.Labels.push_back({field.Marks.size() - 1, surface.MeasureText(texts.back())});
    }
    return field;
}

// prints a gauge's label at its place, joined to the mark by its leader line if it has one
void DrawGaugeLabel(Surface& surface, const DeviceMapping& device, const cPoint& gauge, double markSize,
                    const LabelSpot& spot, const std::string& text) {
    // the preferred place in map units, exactly as the window has always put it
    double x = gauge.X + markSize * kLabelOffsetPerMark, y = gauge.Y;
    if (spot.Place != LabelPlace::Right && spot.Place != LabelPlace::Unplaced) {
        x = device.MapX(spot.X);
        y = device.MapY(spot.Y);
    }
    if (spot.Place == LabelPlace::Leader)
        surface.Line(device.MapX(spot.LeaderFrom.X), device.MapY(spot.LeaderFrom.Y), device.MapX(spot.LeaderTo.X),
                     device.MapY(spot.LeaderTo.Y), kLeaderColor);
    DrawText(surface, x, y, text, TextAlign::Left | TextAlign::Baseline);
}

}  // namespace

const char* KelvarinVersion() { return KELVARIN_VERSION; }

std::string MakeCreditText() {
    return std::string("Kelvarin ") + KelvarinVersion() + " - areal rainfall from rain-gauge weights\r\n" +
           "Each gauge's share of the basin by Thiessen or height-balance polygons\r\n" +
           "Read more in README.md beside the program";
}

picGIS::picGIS(Surface& surface, WindowSystem& windowSystem) : surface_(surface), windowSystem_(windowSystem) {
    lyrLayer.ReDim(1, LayerIndex::Count);
    for (long i = 1; i <= LayerIndex::Count; ++i) {
        auto layer = std::make_shared<cLayer>();
        layer->Name = kLayers[static_cast<std::size_t>(i - 1)].name;
        layer->Color = kLayers[static_cast<std::size_t>(i - 1)].color;
        lyrLayer(i) = std::move(layer);
    }
    lyrLayer(LayerIndex::Basin)->Point().Color = MapColor::Green;
    ReferancePoint = NewPoint();
    scene_ = std::make_shared<const Scene>();
    CreditText = MakeCreditText();
    labMarkTarvo.Caption = CreditText;
    // the window keeps what is drawn on it, so a repaint never loses a station mark
    surface_.SetAutoRedraw(true);
    windowSystem_.SetEventSink(this);
}

picGIS::~picGIS() {
    if (windowSystem_.EventSink() == this) windowSystem_.SetEventSink(nullptr);
}

// ---- loading ----

void picGIS::ClearScene() {
    for (auto& layer : lyrLayer) layer->ReSet();
    Stations.ReDim(1, 0);
    CenterPoints = ArrayView1<cPoint>();
    scene_ = std::make_shared<const Scene>();
    ShowMethod = ShowSetting::Thiessen;
}

void picGIS::Load(const std::filesystem::path& programFolder) {
    GISFile = (programFolder / kSceneFileName).string();
    loadError_.clear();
    failure_.clear();
    try {
        OpenThiessenFile(GISFile);
    } catch (const std::exception& e) {
        ShowLoadFailure(*e.what() != '\0' ? e.what() : "the scene " + GISFile + " could not be read");
    }
    CreditText = MakeCreditText();
    labMarkTarvo.Caption = CreditText;
    PlaceCreditLabel();
}

void picGIS::ShowLoadFailure(const std::string& text) {
    loadError_ = text;
    ClearScene();
    MapExtent = {cPoint{0.0, 1.0, 0.0}, cPoint{1.0, 0.0, 0.0}};
    SetMapWindow(surface_, 0.0, 1.0, 1.0, 0.0, true);
    ShowFailure(loadError_);
}

std::string picGIS::OpenThiessenFile(const std::string& file) {
    GISFile = file;
    ClearScene();
    surface_.Refresh();
    OpenScene(std::make_shared<const Scene>(LoadScene(file)));
    return file;
}

void picGIS::OpenScene(std::shared_ptr<const Scene> scene) {
    ClearScene();
    scene_ = std::move(scene);
    const EngineScene& local = scene_->Local;
    ShowMethod = scene_->ShowMethod;
    if (!local.Basin.empty()) {
        cPolygon basin;
        basin.Name = scene_->BasinName;
        for (const cPoint& p : local.Basin) basin.Add(p.X, p.Y, p.z);
        lyrLayer(LayerIndex::Basin)->Polygon().Add(basin);
    }
    AddSubbasinOutlines(local);
    Stations.ReDim(1, static_cast<long>(scene_->Stations.size()));
    for (long i = 1; i <= Stations.UBound(); ++i) {
        const SceneStation& source = scene_->Stations[static_cast<std::size_t>(i - 1)];
        const cPoint& p = local.Stations.at(static_cast<std::size_t>(i - 1));
        auto station = std::make_shared<cGagingStation>();
        station->Name = source.Name;
        station->Number = source.Number;
        station->Point = NewPoint(p.X, p.Y, p.z);
        auto entry = std::make_shared<cTypeGagingStation>();
        entry->GageStation = std::move(station);
        Stations(i) = std::move(entry);
    }
    CenterPoints = ArrayView1<cPoint>(local.CenterPoints);
    ReferancePoint = NewPoint(local.ReferancePoint.X, local.ReferancePoint.Y, local.ReferancePoint.z);
    for (auto& layer : lyrLayer) layer->SetReferancePoint(ReferancePoint);
    SetWindowMargineMap();
}

void picGIS::AddSubbasinOutlines(const EngineScene& local) {
    if (local.Subbasins.empty()) return;
    Polygon& outlines = lyrLayer(LayerIndex::Other)->Polygon();
    outlines.Color = kSubbasinColor;
    auto add = [&outlines](const std::vector<cPoint>& ring) {
        cPolygon outline;
        for (const cPoint& p : ring) outline.Add(p.X, p.Y, p.z);
        outlines.Add(outline);
    };
    for (const LocalSubbasin& subbasin : local.Subbasins) {
        for (const LocalPart& part : subbasin.Parts) {
            add(part.Shell);
            for (const std::vector<cPoint>& hole : part.Holes) add(hole);
        }
    }
}

// ---- map window ----

void picGIS::SetWindowMargineMap() {
    MapExtent = scene_->Local.MapExtent;
    SetMapWindow(surface_, MapExtent[0].X, MapExtent[0].Y, MapExtent[1].X, MapExtent[1].Y, true);
    DisableStationSelect();
    ReDrawBasin();
}

void picGIS::SetMapWindow(Surface& canvas, double X1, double Y1, double X2, double Y2, bool keepAspect) {
    const double W = canvas.DeviceWidth();
    const double H = canvas.DeviceHeight();
    // a window without size cannot be fitted; the rectangle is shown as given
    if (keepAspect && W > 0.0 && H > 0.0) {
        const double dx = X2 - X1;
        const double dy = Y2 - Y1;
        const double s = std::max(std::abs(dx) / W, std::abs(dy) / H);
        const double mx = Sign(dx) * (W * s - std::abs(dx)) / 2.0;
        const double my = Sign(dy) * (H * s - std::abs(dy)) / 2.0;
        X1 -= mx;
        X2 += mx;
        Y1 -= my;
        Y2 += my;
    }
    canvas.SetScale(ScaleRect{X1, Y1, X2, Y2});
    canvas.Refresh();
}

void picGIS::Resize() {
    SetMapWindow(surface_, MapExtent[0].X, MapExtent[0].Y, MapExtent[1].X, MapExtent[1].Y, true);
    ReDrawBasin();
    // the input that came with the resize is forgotten; a decided end (close request,
    // focus loss, accepted password) is not
    if (ExitCount < 2) ExitCount = 0;
}

void picGIS::ReDrawBasin() {
    const bool saved = surface_.AutoRedraw();
    surface_.SetAutoRedraw(true);
    surface_.Clear();
    for (auto& layer : lyrLayer) layer->ReDraw(surface_);
    DrawStations(StationColor, true);
    if (!failure_.empty()) DrawFailureText();
    surface_.SetAutoRedraw(saved);
}

void picGIS::ShowFailure(const std::string& text) {
    failure_ = text.empty() ? "unknown failure" : text;
    ReDrawBasin();
    surface_.Refresh();
}

// the failure text, line by line from the top-left corner of the visible map
void picGIS::DrawFailureText() {
    const ScaleRect view = surface_.Scale();
    const double lineStep = view.Height() / kErrorLinesPerScreen;
    const double x = view.Left + view.Width() / kErrorLinesPerScreen;
    double y = view.Top + lineStep;
    // a construction that failed its check is one cycle's failure, not the scene's
    const bool cycle = failure_.rfind("internal inconsistency", 0) == 0;
    std::vector<std::string> lines = {cycle ? "Kelvarin cannot show this construction:"
                                            : "Kelvarin cannot show its scene:"};
    for (auto& line : SplitLines(failure_)) lines.push_back("  " + line);
    for (const auto& line : lines) {
        DrawText(surface_, x, y, line, TextAlign::Left | TextAlign::Bottom);
        y += lineStep;
    }
}

void picGIS::DrawStations(ColorRef color, bool bySelection) {
    const ScaleRect view = surface_.Scale();
    StationMarkSize = std::min(std::abs(view.Height()) / kMarkDivisor, std::abs(view.Width()) / kMarkDivisor);
    for (const auto& entry : Stations) {
        const cPoint& p = *entry->GageStation->Point;
        if (!IsPointInBox(p, MapExtent[0], MapExtent[1])) continue;
        ColorRef markColor = color;
        if (bySelection) markColor = entry->pSelect ? StationSelectedColor : StationColor;
        DrawStationMark(surface_, p, StationMarkSize / 2.0, markColor);
    }
}

void picGIS::PlaceCreditLabel() {
    const ScaleRect view = surface_.Scale();
    labMarkTarvo.Top = windowSystem_.Rnd() * view.Height() + view.Top;
    labMarkTarvo.Left = windowSystem_.Rnd() * view.Width() + view.Left;
    // 1..0xFFFFFF: never black on the black background, never beyond the colour range
    const double colour = std::nearbyint(windowSystem_.Rnd() * 16777215.0 + 1.0);
    labMarkTarvo.ForeColor = static_cast<ColorRef>(std::clamp(colour, 1.0, 16777215.0));
    surface_.SetLabel(labMarkTarvo);
}

void picGIS::DrawStationMark(Surface& surface, const cPoint& point, double radius, ColorRef color) {
    surface.Circle(point.X, point.Y, radius, color);
    surface.Dot(point.X, point.Y, color);
}

// ---- demonstration ----

void picGIS::RunAnalysisAll() {
    windowSystem_.Randomize(static_cast<float>(windowSystem_.Timer() * 1000.0));
    for (;;) {
        if (IsExitAll()) return;

        if (SelectRandomStations()) {
            const ShowSetting method = ChooseMethod();
            const std::optional<long> result = RunMethod(method);
            // the lesson's result: every gauge's weight stays on screen for a while
            if (result && *result > 0) {
                const long unplaced = ShowStationWeights();
                if (OnCycleShown) OnCycleShown(CycleReport{method, *result, unplaced});
                windowSystem_.Wait(windowSystem_.GetPacing().HoldSeconds);
            }
        } else {
            // an empty cycle still lets the label rest before it moves on
            if (OnCycleShown) OnCycleShown(CycleReport{});
            windowSystem_.Wait(windowSystem_.GetPacing().HoldSeconds);
        }

        if (IsExitAll()) return;
        UndoThiessen();
        PlaceCreditLabel();
        // a window showing a failure draws nothing that would show the moved label
        if (!failure_.empty()) surface_.Refresh();
        windowSystem_.CycleEnded();
        windowSystem_.DoEvents();
    }
}

bool picGIS::SelectRandomStations() {
    bool any = false;
    for (auto& entry : Stations) {
        // a random number rounded to the nearest integer (0.5 rounds to 0) is 1
        entry->pSelect = windowSystem_.Rnd() > 0.5;
        if (entry->pSelect) {
            DrawStationMark(surface_, *entry->GageStation->Point, StationMarkSize / 2.0, StationSelectedColor);
            any = true;
        }
    }
    return any;
}

ShowSetting picGIS::ChooseMethod() {
    if (ShowMethod != ShowSetting::Both) return ShowMethod;
    return windowSystem_.Rnd() * 2.0 < 1.0 ? ShowSetting::Thiessen : ShowSetting::HeightBalance;
}

std::string picGIS::MethodCaption(ShowSetting method) const {
    std::string caption = method == ShowSetting::HeightBalance ? kHeightBalanceCaption : kThiessenCaption;
    if (!DegreesWarning(*scene_).empty()) caption += std::string(" ") + kDegreesCaption;
    return caption + "\r\n" + CreditText;
}

std::optional<long> picGIS::RunMethod(ShowSetting method) {
    const bool heightBalance = method == ShowSetting::HeightBalance;
    labMarkTarvo.Caption = MethodCaption(method);
    surface_.SetLabel(labMarkTarvo);
    return heightBalance ? AutoHeightBalance() : AutoThiessen();
}

void picGIS::RunUntilExit() {
    try {
        RunAnalysisAll();
        return;
    } catch (const std::exception& e) {
        ShowFailure(std::string("the demonstration stopped: ") + e.what());
    }
    while (!IsExitAll()) windowSystem_.Wait(kIdleWaitSeconds);
}

void picGIS::UndoThiessen() {
    DisableStationSelect();
    for (long i = LayerIndex::TriangleNetwork; i <= LayerIndex::Intersection; ++i) lyrLayer(i)->ReSet();
    ReDrawBasin();
}

void picGIS::DisableStationSelect() {
    for (auto& entry : Stations) entry->pSelect = false;
}

LabelField picGIS::GaugeLabelField(std::vector<long>& labelled, std::vector<std::string>& texts) {
    return LabelFieldOf(*this, DeviceOf(surface_), labelled, texts);
}

long picGIS::ShowStationWeights() {
    const bool saved = surface_.AutoRedraw();
    surface_.SetAutoRedraw(true);
    const DeviceMapping device = DeviceOf(surface_);
    std::vector<long> labelled;
    std::vector<std::string> texts;
    const LabelLayout layout = PlaceLabels(LabelFieldOf(*this, device, labelled, texts));
    for (std::size_t k = 0; k < labelled.size(); ++k)
        DrawGaugeLabel(surface_, device, *Stations(labelled[k])->GageStation->Point, StationMarkSize, layout.Spots[k],
                       texts[k]);
    surface_.Refresh();
    surface_.SetAutoRedraw(saved);
    unplacedLabels_ += layout.Unplaced;
    return layout.Unplaced;
}

// ---- exit rules ----

bool picGIS::IsExitAll() {
    ++exitChecks_;
    windowSystem_.DoEvents();
    return ExitCount >= 2;
}

void picGIS::CountUserInput() {
    if (HasParent > 0) {
        ExitCount = 0;
        return;
    }
    ExitCount = ExitCount + 1;
    if (ExitCount == 2 && !windowSystem_.VerifyPassword()) ExitCount = 0;
}

void picGIS::OnWindowEvent(WindowEvent event) {
    switch (event) {
        case WindowEvent::KeyPressed:
        case WindowEvent::MouseMoved:
            CountUserInput();
            break;
        case WindowEvent::FocusLost:
        case WindowEvent::CloseRequested:
            ExitCount = 3;
            break;
        case WindowEvent::Resized:
            Resize();
            break;
    }
}

}  // namespace kelvarin
