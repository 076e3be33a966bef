#include "host/web/GaugeMove.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace kelvarin {
namespace {

// the point at fraction t along a to b and share s of its length to the right of it
cPoint AlongPair(const cPoint& a, const cPoint& b, double t, double s, double z) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    return cPoint{a.X + t * dx + s * dy, a.Y + t * dy - s * dx, z};
}

}  // namespace

std::size_t CenterPointIndex(long a, long b, long n) {
    return static_cast<std::size_t>((b - a) + (a - 1) * (2 * n - a) / 2 - 1);
}

std::shared_ptr<const Scene> MovedGauge(const std::shared_ptr<const Scene>& scene, long station, double x, double y) {
    const long n = static_cast<long>(scene->Local.Stations.size());
    if (station < 1 || station > n) throw std::out_of_range("there is no gauge " + std::to_string(station));
    const auto at = static_cast<std::size_t>(station - 1);
    const cPoint old = scene->Local.Stations[at];
    if (old.X == x && old.Y == y) return scene;

    auto moved = std::make_shared<Scene>(*scene);
    EngineScene& local = moved->Local;
    local.Stations[at] = cPoint{x, y, old.z};
    SceneStation& entry = moved->Stations[at];
    entry.Point.X = x + local.ReferancePoint.X;
    entry.Point.Y = y + local.ReferancePoint.Y;
    const bool centres = local.CenterPoints.size() == static_cast<std::size_t>(n * (n - 1) / 2);
    for (long other = 1; centres && other <= n; ++other) {
        if (other == station) continue;
        const long a = std::min(station, other), b = std::max(station, other);
        cPoint& centre = local.CenterPoints[CenterPointIndex(a, b, n)];
        const cPoint& oldA = scene->Local.Stations[static_cast<std::size_t>(a - 1)];
        const cPoint& oldB = scene->Local.Stations[static_cast<std::size_t>(b - 1)];
        const double dx = oldB.X - oldA.X, dy = oldB.Y - oldA.Y;
        const double length2 = dx * dx + dy * dy;
        if (length2 == 0.0) continue;
        const double ux = centre.X - oldA.X, uy = centre.Y - oldA.Y;
        const double t = (ux * dx + uy * dy) / length2;
        const double s = (ux * dy - uy * dx) / length2;
        centre = AlongPair(local.Stations[static_cast<std::size_t>(a - 1)],
                           local.Stations[static_cast<std::size_t>(b - 1)], t, s, centre.z);
    }
    return moved;
}

}  // namespace kelvarin
