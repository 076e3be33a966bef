#pragma once
// Building map windows for the view tests without a scene file: a basin ring and
// stations in scene coordinates, placed by the window's own loading steps.

#include <memory>
#include <utility>
#include <vector>

#include "model/cPoint.hpp"
#include "render/RecordingSurface.hpp"
#include "view/PacedSurface.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin::testing {

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

// A map window over a recording surface and a scripted window system.
// loads the basin and the stations (scene coordinates) into the window as the scene loader would
inline void PlaceScene(picGIS& window, const std::vector<cPoint>& basin, const std::vector<cPoint>& stations) {
    cPolygon ring;
    for (const cPoint& p : basin) ring.Add(p.X, p.Y, p.z);
    window.lyrLayer(LayerIndex::Basin)->Polygon().Add(ring);
    window.Stations.ReDim(1, static_cast<long>(stations.size()));
    for (long i = 1; i <= window.Stations.UBound(); ++i) {
        auto station = std::make_shared<cGagingStation>();
        station->Name = "S" + std::to_string(i);
        station->Number = std::to_string(1000 + i);
        const cPoint& p = stations[static_cast<std::size_t>(i - 1)];
        station->Point = NewPoint(p.X, p.Y, p.z);
        auto entry = std::make_shared<cTypeGagingStation>();
        entry->GageStation = std::move(station);
        window.Stations(i) = std::move(entry);
    }
    window.SetWindowMargineMap(false, false);
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

    // loads the basin and the stations (scene coordinates) as the scene loader would
    void Place(const std::vector<cPoint>& basin, const std::vector<cPoint>& stations) {
        PlaceScene(window, basin, stations);
    }

    // centre points at the midpoints of every station pair (map-local), as the scene would give them
    void MidpointCenterPoints() {
        const long n = window.Stations.Count();
        window.CenterPoints.ReDim(1, n * (n - 1) / 2);
        long k = 0;
        for (long i = 1; i <= n; ++i)
            for (long j = i + 1; j <= n; ++j) {
                const cPoint& a = *window.Stations(i)->GageStation->Point;
                const cPoint& b = *window.Stations(j)->GageStation->Point;
                window.CenterPoints(++k) = NewPoint((a.X + b.X) / 2, (a.Y + b.Y) / 2, (a.z + b.z) / 2);
            }
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
