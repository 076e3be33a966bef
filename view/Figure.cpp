#include "view/Figure.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "model/DrawingSizes.hpp"
#include "view/PieceLabels.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

// the figure's caption colour: the label of a slide stays in one calm colour
constexpr ColorRef kCaptionColor = 0xFFFFFF;

// the map window's results for its selected stations
FigureReport Report(const picGIS& gis, std::optional<Method> built) {
    FigureReport report;
    report.Built = built;
    report.SceneGauges = gis.Stations.Count();
    if (!built) return report;
    for (long i = gis.Stations.LBound(); i <= gis.Stations.UBound(); ++i) {
        const cTypeGagingStation& entry = *gis.Stations(i);
        if (!entry.pSelect) continue;
        const cGagingStation& s = *entry.GageStation;
        report.Gauges.push_back({i, s.Name, s.Number, s.Area.value_or(0.0), s.Weight.value_or(0.0)});
    }
    return report;
}

// Puts the caption into the corner of the picture where it hides the fewest basin vertices
// and gauges (top-left first when corners tie).
void PlaceCaption(picGIS& gis, Surface& surface) {
    const auto [w, h] = surface.LabelExtent();
    const double W = surface.DeviceWidth(), H = surface.DeviceHeight();
    const ScaleRect view = surface.Scale();
    auto deviceX = [&](double x) { return (x - view.Left) / view.Width() * W; };
    auto deviceY = [&](double y) { return (y - view.Top) / view.Height() * H; };
    std::vector<std::pair<double, double>> points;
    for (const cPoint& vertex : gis.LoadedScene().Local.Basin)
        points.emplace_back(deviceX(vertex.X), deviceY(vertex.Y));
    for (const auto& entry : gis.Stations)
        points.emplace_back(deviceX(entry->GageStation->Point->X), deviceY(entry->GageStation->Point->Y));
    // gauge marks and names reach a little beyond their point: the gauge names' text size
    const double margin = DrawingSizesFor(static_cast<int>(W), static_cast<int>(H)).Text;
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
    gis.labMarkTarvo.Left = view.Left + std::max(0.0, bestX) / W * view.Width();
    gis.labMarkTarvo.Top = view.Top + std::max(0.0, bestY) / H * view.Height();
    surface.SetLabel(gis.labMarkTarvo);
}

// the map window showing a scene as window loading leaves it: the map fitted, the credits
// in the label at a random place
void OpenForPicture(picGIS& gis, std::shared_ptr<const Scene> scene) {
    gis.OpenScene(std::move(scene));
    gis.CreditText = MakeCreditText();
    gis.labMarkTarvo.Caption = gis.CreditText;
    gis.PlaceCreditLabel();
}

}  // namespace

FigureReport DrawFigure(Surface& surface, std::shared_ptr<const Scene> scene, Method method,
                        const std::vector<long>& selection, bool pieceLabels) {
    ScriptedWindowSystem windowSystem;
    picGIS gis(surface, windowSystem);
    OpenForPicture(gis, std::move(scene));
    gis.DisableStationSelect();
    for (long i : selection) gis.Stations(i)->pSelect = true;

    // the selection as the cycle shows it, and the method's caption in the emptiest corner
    gis.DrawStations(gis.StationColor, true);
    gis.labMarkTarvo.Caption =
        gis.MethodCaption(method == Method::HeightBalance ? ShowSetting::HeightBalance : ShowSetting::Thiessen);
    gis.labMarkTarvo.ForeColor = kCaptionColor;
    gis.labMarkTarvo.Visible = true;
    surface.SetLabel(gis.labMarkTarvo);
    PlaceCaption(gis, surface);

    const Construction construction = BuildConstruction(method, gis.LoadedScene().Local, gis.SelectedStations());
    if (!gis.ShowConstruction(construction)) throw std::runtime_error("the construction was interrupted");
    const long unplaced = gis.ShowStationWeights();
    if (pieceLabels) DrawPieceLabels(surface, construction, gis.LoadedScene().Local);
    FigureReport report = Report(gis, method);
    report.UnplacedLabels = unplaced;
    return report;
}

struct Demonstration::Parts {
    ScriptedWindowSystem windowSystem;
    picGIS gis;
    Parts(Surface& surface, std::uint64_t seed) : windowSystem(seed), gis(surface, windowSystem) {}
};

Demonstration::Demonstration(Surface& surface, std::shared_ptr<const Scene> scene, std::uint64_t seed)
    : parts_(std::make_unique<Parts>(surface, seed)) {
    parts_->windowSystem.SetClock(0.0);  // the seed alone decides the run
    OpenForPicture(parts_->gis, std::move(scene));
}

Demonstration::~Demonstration() = default;

long Demonstration::Run(long cycles, const std::function<void(long cycle, const FigureReport&)>& onCycle) {
    ScriptedWindowSystem& windowSystem = parts_->windowSystem;
    picGIS& gis = parts_->gis;
    windowSystem.EndAfterCycles(windowSystem.Cycles() + cycles);
    gis.OnCycleShown = [&](const CycleReport& report) {
        std::optional<Method> built;
        if (report.Stations > 0)
            built = report.Method == ShowSetting::HeightBalance ? Method::HeightBalance : Method::Thiessen;
        FigureReport shown = Report(gis, built);
        shown.UnplacedLabels = report.UnplacedLabels;
        onCycle(windowSystem.Cycles() + 1, shown);
    };
    const long before = windowSystem.Cycles();
    gis.RunAnalysisAll();
    gis.OnCycleShown = nullptr;
    return windowSystem.Cycles() - before;
}

}  // namespace kelvarin
