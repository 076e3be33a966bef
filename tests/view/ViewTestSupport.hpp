#pragma once
// Building map windows for the view tests without a scene file: a basin ring and
// stations in scene coordinates, placed by the window's own loading steps.

#include <memory>
#include <utility>
#include <vector>

#include "model/cPoint.hpp"
#include "render/RecordingSurface.hpp"
#include "scene/Scene.hpp"
#include "view/PacedSurface.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin::testing {

// Weights are sums of a few dozen clipped areas of magnitude 1e8 map units; their
// rounding stays many orders below this.
constexpr double kWeightSumTolerance = 1e-9;

// twice the signed area of a ring: positive when it runs counter-clockwise
inline double SignedArea2(const cPolygon& ring) {
    double sum = 0.0;
    const long n = ring.Count();
    for (long i = 1; i <= n; ++i) {
        const cPoint& a = *ring(i);
        const cPoint& b = *ring(i == n ? 1 : i + 1);
        sum += a.X * b.Y - b.X * a.Y;
    }
    return sum;
}

// A scene of the basin and the stations (scene coordinates) placed on the map as the scene
// loader places it; with midpointCentres, every station pair's centre point at its midpoint
inline std::shared_ptr<const Scene> MakeScene(const std::vector<cPoint>& basin, const std::vector<cPoint>& stations,
                                              bool midpointCentres = false) {
    Scene scene;
    scene.BasinName = "Basin";
    scene.Basin = basin;
    for (std::size_t i = 0; i < stations.size(); ++i)
        scene.Stations.push_back({"S" + std::to_string(i + 1), std::to_string(1001 + i), stations[i]});
    if (midpointCentres) {
        for (std::size_t i = 0; i < stations.size(); ++i)
            for (std::size_t j = i + 1; j < stations.size(); ++j) {
                const cPoint& a = stations[i];
                const cPoint& b = stations[j];
                scene.CenterPoints.push_back(cPoint{(a.X + b.X) / 2, (a.Y + b.Y) / 2, (a.z + b.z) / 2});
            }
    }
    PlaceOnMap(scene);
    return std::make_shared<const Scene>(std::move(scene));
}

// loads the basin and the stations (scene coordinates) into the window as the scene loader would
inline void PlaceScene(picGIS& window, const std::vector<cPoint>& basin, const std::vector<cPoint>& stations,
                       bool midpointCentres = false) {
    window.OpenScene(MakeScene(basin, stations, midpointCentres));
}

// With paced, the window draws through a PacedSurface at the presenting pace.
struct TestWindow {
    RecordingSurface surface;
    ScriptedWindowSystem windowSystem;
    PacedSurface paced;
    picGIS window;

    explicit TestWindow(double width = 800.0, double height = 600.0, std::uint64_t seed = 1, bool pace = false)
        : surface(width, height),
          windowSystem(seed),
          paced(surface, windowSystem),
          window(pace ? static_cast<Surface&>(paced) : surface, windowSystem) {
        if (pace) windowSystem.SetPacing(Pacing::Presenting());
    }

    // loads the basin and the stations (scene coordinates) as the scene loader would; with
    // midpointCentres, every station pair's centre point at its midpoint
    void Place(const std::vector<cPoint>& basin, const std::vector<cPoint>& stations, bool midpointCentres = false) {
        PlaceScene(window, basin, stations, midpointCentres);
    }

    void Select(const std::vector<long>& indices) {
        window.DisableStationSelect();
        for (long i : indices) window.Stations(i)->pSelect = true;
    }
};

// a square basin of the given side with its lower-left corner at (x0, y0), counter-clockwise
inline std::vector<cPoint> SquareBasin(double x0, double y0, double side) {
    return {{x0, y0, 0}, {x0 + side, y0, 0}, {x0 + side, y0 + side, 0}, {x0, y0 + side, 0}};
}

}  // namespace kelvarin::testing
