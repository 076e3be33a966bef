#pragma once
// The bundled sample scene: a synthetic mountain basin with its rain gauges,
// built deterministically so that the committed file can always be remade.

#include <cstdint>
#include <string>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin::sample {

// A small deterministic random source (splitmix64), the same on every platform: the sample
// scenes, and the GIS data the tests and benchmarks generate, come from it.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    // next value in [0, 1)
    double Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-53;
    }

  private:
    std::uint64_t state_;
};

// Height in metres of the synthetic terrain at a projected position (metres):
// a divide along the basin boundary, river valleys falling to the outlet in the
// south, side ridges and a few peaks; always within 50..3000.
double TerrainHeight(double x, double y);

// One gauge of the sample scene.
struct Gauge {
    std::string Name;
    std::string Number;
    cPoint Point;  // z: the terrain height at the gauge, rounded as written
};

// Everything the sample scene file holds.
struct SampleScene {
    std::string BasinName;
    std::vector<cPoint> Boundary;  // counter-clockwise, open
    std::vector<Gauge> Gauges;
    std::vector<cPoint> CenterPoints;  // pair order (1,2), (1,3), ..., (n-1,n)
};

// the point between two gauges where the terrain reaches the mean of their heights:
// the crossing nearest the midpoint strictly between 10% and 90% of the way, or the
// midpoint when there is none; z is that mean height
cPoint BalancePoint(const cPoint& a, const cPoint& b);

// the whole sample scene
SampleScene MakeSampleScene();

// the scene file text (UTF-8, line ends "\n")
std::string SampleSceneText(const SampleScene& scene);

// A scene of any size for benchmarks and tests of the loader: the sample basin with
// `Gauges` gauges spread over its bounding box (at most one in each cell of a grid
// fitted to their number, so no two stand closer than a third of a cell), the centre
// point of every pair when asked for, and `Sections - 1` small polygon sections before
// the basin's own. The same options always give the same text.
struct LargeSceneOptions {
    long Gauges = 1000;
    bool CenterPoints = false;  // "Show=all" with every pair's centre point; otherwise "Show=thiessen"
    long Sections = 1;          // polygon sections; the last is the basin
};

// the large scene's file text (UTF-8, line ends "\n")
std::string LargeSceneText(const LargeSceneOptions& options);

}  // namespace kelvarin::sample
