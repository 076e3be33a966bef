#include "view/Lesson.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <sstream>
#include <utility>

#include "model/ForwardingSurface.hpp"
#include "model/modGraphicBasic.hpp"
#include "view/WindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

// A mark can be picked this many pixels from its centre at least, so that a finger finds it.
constexpr double kMinPickPixels = 12.0;
// ... and up to this many times its drawn radius.
constexpr double kPickPerRadius = 1.6;
// Lines of a failure text: this many fit on the height of the map.
constexpr double kFailureLinesPerMap = 30.0;

}  // namespace

// The lesson's own surface and window system; LessonView::Parts holds them, so they cannot
// live in an unnamed namespace.
namespace lesson {

// Swallows the map window's repaints, counting them: a drawing is presented once, at its end.
class CountingSurface : public ForwardingSurface {
  public:
    using ForwardingSurface::ForwardingSurface;
    void Refresh() override { ++refreshes_; }
    void Present() { Inner().Refresh(); }
    long Refreshes() const { return refreshes_; }
    void Restart() { refreshes_ = 0; }

  private:
    long refreshes_ = 0;
};

// The map window's window system in the lesson: no input, no waits; the drivers stop once
// the surface has counted the steps asked for.
class StepWindowSystem : public WindowSystem {
  public:
    explicit StepWindowSystem(const CountingSurface& counter) : counter_(counter) {}
    void StopAfter(long steps) { limit_ = steps; }
    void DoEvents() override {
        if (counter_.Refreshes() >= limit_) Deliver(WindowEvent::CloseRequested);
    }
    void Wait(double /*seconds*/) override { DoEvents(); }
    double Timer() override { return 0.0; }
    void Randomize(double /*seed*/) override {}
    double Rnd() override { return 0.0; }
    void MessageBox(std::string_view /*text*/, std::string_view /*title*/, MessageIcon /*icon*/) override {}
    bool VerifyPassword() override { return true; }

  private:
    const CountingSurface& counter_;
    long limit_ = LessonView::kAllSteps;
};

}  // namespace lesson

std::vector<LessonStep> LessonSteps(const Construction& construction) {
    std::vector<LessonStep> steps;
    const std::size_t n = construction.Stations.size();
    if (n == 0) return steps;
    if (n >= 3) {
        steps.insert(steps.end(), construction.Triangles.size(), LessonStep{StepKind::Triangle, 0});
        if (construction.Used == Method::HeightBalance)
            steps.insert(steps.end(), construction.CenterNetwork.size(), LessonStep{StepKind::CenterTriangle, 0});
    } else if (n == 2) {
        steps.push_back({StepKind::Segment, 0});
    }
    for (const StationPart& part : construction.Stations) steps.push_back({StepKind::Ring, part.Station});
    for (const StationPart& part : construction.Stations)
        steps.insert(steps.end(), part.Pieces.size(), LessonStep{StepKind::Piece, part.Station});
    return steps;
}

struct LessonView::Parts {
    Surface& surface;
    lesson::CountingSurface counter;
    lesson::StepWindowSystem windowSystem;
    picGIS gis;
    std::string failure;
    explicit Parts(Surface& target)
        : surface(target), counter(target), windowSystem(counter), gis(counter, windowSystem) {}
};

LessonView::LessonView(Surface& surface, Method method) : parts_(std::make_unique<Parts>(surface)), method_(method) {
    // the lesson names its method beside the map, not in a floating label
    parts_->gis.labMarkTarvo.Visible = false;
    surface.SetLabel(parts_->gis.labMarkTarvo);
}

LessonView::~LessonView() = default;

void LessonView::Open(std::shared_ptr<const Scene> scene) {
    built_.reset();
    steps_.clear();
    parts_->failure.clear();
    parts_->gis.OpenScene(std::move(scene));
}

std::optional<std::string> LessonView::Build(const std::vector<long>& selection) {
    selection_ = selection;
    built_.reset();
    steps_.clear();
    parts_->failure.clear();
    try {
        built_ = BuildConstruction(method_, parts_->gis.LoadedScene().Local, selection);
        steps_ = LessonSteps(*built_);
    } catch (const std::exception& e) {
        parts_->failure = e.what();
    }
    if (parts_->failure.empty()) return std::nullopt;
    return parts_->failure;
}

void LessonView::Refit() {
    picGIS& gis = parts_->gis;
    picGIS::SetMapWindow(parts_->counter, gis.MapExtent[0].X, gis.MapExtent[0].Y, gis.MapExtent[1].X,
                         gis.MapExtent[1].Y, true);
}

void LessonView::Draw(long steps) {
    picGIS& gis = parts_->gis;
    gis.ExitCount = 0;
    gis.UndoThiessen();
    for (long station : selection_)
        if (station >= gis.Stations.LBound() && station <= gis.Stations.UBound()) gis.Stations(station)->pSelect = true;
    gis.DrawStations(gis.StationColor, true);
    unplacedLabels_ = 0;
    if (built_ && steps > 0) {
        parts_->counter.Restart();
        parts_->windowSystem.StopAfter(steps);
        const bool finished = gis.ShowConstruction(*built_).has_value();
        parts_->windowSystem.StopAfter(kAllSteps);
        gis.ExitCount = 0;
        if (finished) unplacedLabels_ = gis.ShowStationWeights();
    }
    if (!parts_->failure.empty()) {
        const ScaleRect view = parts_->counter.Scale();
        const double step = view.Height() / kFailureLinesPerMap;
        double y = view.Top + step;
        std::istringstream lines(parts_->failure);
        for (std::string line; std::getline(lines, line); y += step)
            DrawText(parts_->counter, view.Left + view.Width() / kFailureLinesPerMap, y, line,
                     TextAlign::Left | TextAlign::Bottom);
    }
    parts_->counter.Present();
}

std::vector<LessonWeight> LessonView::WeightsAfter(long steps) const {
    std::vector<LessonWeight> known;
    if (!built_) return known;
    // a gauge's weight is known once every step up to its last piece is shown
    long end = 0;
    for (const LessonStep& step : steps_)
        if (step.Kind != StepKind::Piece) ++end;
    for (const StationPart& part : built_->Stations) {
        end += static_cast<long>(part.Pieces.size());
        if (steps >= end) known.push_back({part.Station, part.Area, part.Weight});
    }
    return known;
}

std::pair<double, double> LessonView::GaugePixel(long station) const {
    const ScaleRect view = parts_->counter.Scale();
    const cPoint& p = *parts_->gis.Stations(station)->GageStation->Point;
    return {(p.X - view.Left) / view.Width() * parts_->counter.DeviceWidth(),
            (p.Y - view.Top) / view.Height() * parts_->counter.DeviceHeight()};
}

long LessonView::GaugeAt(double x, double y) const {
    const picGIS& gis = parts_->gis;
    const ScaleRect view = parts_->counter.Scale();
    const double W = parts_->counter.DeviceWidth(), H = parts_->counter.DeviceHeight();
    const double radius = gis.StationMarkSize / 2.0 / std::abs(view.Width()) * W;
    const double reach = std::max(kMinPickPixels, radius * kPickPerRadius);
    long nearest = 0;
    double best = reach;
    for (long i = gis.Stations.LBound(); i <= gis.Stations.UBound(); ++i) {
        const cPoint& p = *gis.Stations(i)->GageStation->Point;
        const double px = (p.X - view.Left) / view.Width() * W, py = (p.Y - view.Top) / view.Height() * H;
        const double d = std::hypot(px - x, py - y);
        if (d <= best) {
            best = d;
            nearest = i;
        }
    }
    return nearest;
}

double LessonView::UnitsPerPixelX() const { return parts_->counter.Scale().Width() / parts_->counter.DeviceWidth(); }

double LessonView::UnitsPerPixelY() const { return parts_->counter.Scale().Height() / parts_->counter.DeviceHeight(); }

}  // namespace kelvarin
