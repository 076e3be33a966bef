#pragma once
// One map of the web page's lesson: a scene's basin and gauges on a surface, the
// construction of one method for the selected gauges, and that construction drawn up to
// any step, each step being one repaint of the map window's drivers (a triangle, a
// centre-point triangle, the segment of two gauges, a gauge's ring, a piece of a ring in
// the basin). Drawing goes through the map window, so the lesson shows the same layers
// and colours as the screen saver; the surface is presented once per drawing.

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/Construction.hpp"
#include "model/Surface.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

class picGIS;

// what one step shows
enum class StepKind { Triangle, CenterTriangle, Segment, Ring, Piece };

struct LessonStep {
    StepKind Kind = StepKind::Triangle;
    long Station = 0;  // Ring and Piece: the gauge (1-based, file order); 0 otherwise
};

// the steps in which the map window shows a construction, one per repaint
std::vector<LessonStep> LessonSteps(const Construction& construction);

// one selected gauge's result once its last piece is shown
struct LessonWeight {
    long Station = 0;
    double Area = 0.0;
    double Weight = 0.0;
};

class LessonView {
  public:
    static constexpr long kAllSteps = std::numeric_limits<long>::max();

    LessonView(Surface& surface, Method method);
    ~LessonView();
    LessonView(const LessonView&) = delete;
    LessonView& operator=(const LessonView&) = delete;

    Method Used() const { return method_; }
    // shows a scene (the map fitted to its extent) with nothing built
    void Open(std::shared_ptr<const Scene> scene);
    // builds the construction of the selection (ascending 1-based gauges); on failure the
    // construction is dropped, the map shows the reason and it is returned
    std::optional<std::string> Build(const std::vector<long>& selection);
    // the surface changed its size: the map is fitted again (call Draw next)
    void Refit();
    // draws the basin, every gauge, and the first `steps` steps of the construction; the
    // finished construction gets each gauge's name and weight. Presents once.
    void Draw(long steps);

    long StepCount() const { return static_cast<long>(steps_.size()); }
    const std::vector<LessonStep>& Steps() const { return steps_; }
    const Construction* Built() const { return built_ ? &*built_ : nullptr; }
    // the selected gauges whose weights are known after `steps` steps, in selection order
    std::vector<LessonWeight> WeightsAfter(long steps) const;
    // the gauge whose mark holds the device pixel (x, y), nearest first; 0 for none
    long GaugeAt(double x, double y) const;
    // where a gauge's mark stands on the surface, in device pixels
    std::pair<double, double> GaugePixel(long station) const;
    // map units per device pixel
    double UnitsPerPixelX() const;
    double UnitsPerPixelY() const;

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    Method method_;
    std::vector<long> selection_;
    std::optional<Construction> built_;
    std::vector<LessonStep> steps_;
};

}  // namespace kelvarin
