#include "scene/MapLocal.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "geometry/modGISTools.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

namespace {

// a ring moved onto the map, counter-clockwise
std::vector<cPoint> LocalRing(const std::vector<cPoint>& ring, const cPoint& origin) {
    std::vector<cPoint> local;
    local.reserve(ring.size());
    for (const cPoint& p : ring) local.push_back(cPoint{p.X - origin.X, p.Y - origin.Y, 0.0});
    if (TwiceSignedArea(local) < 0.0) std::reverse(local.begin(), local.end());
    return local;
}

// the area of a ring of points
double RingArea(const std::vector<cPoint>& ring) { return std::abs(TwiceSignedArea(ring)) / 2.0; }

}  // namespace

void PlaceOnMap(Scene& scene) {
    cPolygon basin;
    for (const cPoint& p : scene.Basin) basin.Add(p.X, p.Y, p.z);
    if (basin.Count() < 3 || PolygonArea(basin) == 0.0)
        throw SceneError(
            {SceneProblem{scene.Path, 0, "the basin boundary \"" + scene.BasinName + "\" encloses no area"}});
    cPoint inner;
    if (InteriorPoint(basin, inner) < 0.0) ReverseRing(basin);

    // the ring's vertices, then every station, replaced by the corners of their box enlarged twice
    PointArray gathered = RingToArray(basin);
    for (const SceneStation& s : scene.Stations) gathered.Append(NewPoint(s.Point.X, s.Point.Y, s.Point.z));
    ExpandRectangleTwice(gathered);
    const cPoint origin = *GridOrigin(gathered);

    EngineScene& local = scene.Local;
    local = EngineScene{};
    local.ReferancePoint = origin;
    auto toLocal = [&origin](const cPoint& p) { return cPoint{p.X - origin.X, p.Y - origin.Y, p.z}; };
    local.Basin.reserve(static_cast<std::size_t>(basin.Count()));
    for (const auto& vertex : basin) local.Basin.push_back(toLocal(*vertex));
    local.Stations.reserve(scene.Stations.size());
    for (const SceneStation& s : scene.Stations) local.Stations.push_back(toLocal(s.Point));
    // in place: a scene of 1,000 gauges carries 499,500 of them
    local.CenterPoints = std::move(scene.CenterPoints);
    scene.CenterPoints.clear();
    for (cPoint& p : local.CenterPoints) p = toLocal(p);
    local.MapExtent = {toLocal(*gathered(2)), toLocal(*gathered(4))};

    cPolygon localBasin;
    for (const cPoint& p : local.Basin) localBasin.Add(p.X, p.Y, p.z);
    local.BasinArea = PolygonArea(localBasin);
    if (scene.Subbasins.empty()) return;
    local.BasinArea = 0.0;
    for (const SceneSubbasin& subbasin : scene.Subbasins) {
        LocalSubbasin& placed = local.Subbasins.emplace_back();
        for (const SceneSubbasinPart& part : subbasin.Parts) {
            LocalPart& localPart = placed.Parts.emplace_back();
            localPart.Shell = LocalRing(part.Shell.Vertices, origin);
            placed.Area += RingArea(localPart.Shell);
            for (const SceneRing& hole : part.Holes) {
                localPart.Holes.push_back(LocalRing(hole.Vertices, origin));
                placed.Area -= RingArea(localPart.Holes.back());
            }
        }
        local.BasinArea += placed.Area;
    }
}

Scene PlacedOnMap(Scene scene) {
    PlaceOnMap(scene);
    return scene;
}

}  // namespace kelvarin
