#include "scene/MapLocal.hpp"

#include <utility>

#include "geometry/modGISTools.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

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
}

Scene PlacedOnMap(Scene scene) {
    PlaceOnMap(scene);
    return scene;
}

}  // namespace kelvarin
