#pragma once
// Pictures of a scene drawn through the map window, for files and slides: one finished
// construction as the demonstration shows it at the end of a cycle, and the demonstration
// cycle itself run unpaced. Callers give a surface and a scene; the map window's fields
// stay its own.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "model/Surface.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// one selected gauge's share of the basin in a figure or a cycle
struct GaugeResult {
    long Station = 0;  // 1-based index in file order
    std::string Name, Number;
    double Area = 0.0;  // squared map units
    double Weight = 0.0;
};

// what a finished figure or cycle shows
struct FigureReport {
    std::optional<Method> Built;      // none when no gauge was selected
    std::vector<GaugeResult> Gauges;  // the selected gauges in station order
    long SceneGauges = 0;             // every gauge of the scene
    long UnplacedLabels = 0;          // gauge labels that found no place free of others
};

// Draws the finished construction of one method for the selection (ascending 1-based
// station numbers) as the demonstration shows it at the end of a cycle: the basin, every
// gauge, the networks, the rings, the pieces, each selected gauge's name and weight, and
// the method's caption in a calm colour in the corner where it hides the fewest basin
// vertices and gauges; the sub-basins' outlines, and with pieceLabels each piece's weight in
// its sub-basin; the gauges' labels each where they cover no other label and no other mark
// when such a place exists. Throws InternalInconsistency when the construction fails its
// check.
FigureReport DrawFigure(Surface& surface, std::shared_ptr<const Scene> scene, Method method,
                        const std::vector<long>& selection, bool pieceLabels = false);

// The demonstration cycle on a surface, unpaced, with seeded random numbers in place of the
// clock: the same scene, seed and surface size give the same frames.
class Demonstration {
  public:
    // loads the scene: the basin shows and the credit label is placed
    Demonstration(Surface& surface, std::shared_ptr<const Scene> scene, std::uint64_t seed);
    ~Demonstration();
    Demonstration(const Demonstration&) = delete;
    Demonstration& operator=(const Demonstration&) = delete;

    // runs the given number of cycles; onCycle is told each cycle's number (from 1) and
    // result while its finished construction (or its empty selection) is on the surface.
    // Returns the number of cycles run.
    long Run(long cycles, const std::function<void(long cycle, const FigureReport&)>& onCycle);

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace kelvarin
