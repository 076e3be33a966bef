#pragma once
// The scene's geometry in map-local coordinates: a round reference point is taken off
// every coordinate once, when the scene is placed on the map, and the constructions, the
// map window and every command compute with these numbers from then on.

#include <array>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

struct Scene;

// One part of a sub-basin on the map: its outer ring and its holes, each open and
// counter-clockwise, map-local.
struct LocalPart {
    std::vector<cPoint> Shell;
    std::vector<std::vector<cPoint>> Holes;
};

// One sub-basin on the map, in the scene's order.
struct LocalSubbasin {
    std::vector<LocalPart> Parts;
    double Area = 0.0;  // its parts' areas less their holes', squared map units
};

// What the constructions take: the basin, the stations and the centre points of one
// scene, map-local. Every number equals the one the saver computes with.
struct EngineScene {
    cPoint ReferancePoint;      // added back to get the scene file's coordinates
    std::vector<cPoint> Basin;  // the basin ring, open, counter-clockwise, map-local
    // the whole basin's area, squared map units (> 0): the basin ring's, or with sub-basins
    // the sum of theirs (the area of their union, holes left out)
    double BasinArea = 0.0;
    std::vector<LocalSubbasin> Subbasins;  // empty: the basin ring is the whole basin
    std::vector<cPoint> Stations;          // every station in file order, map-local; z = height
    std::vector<cPoint> CenterPoints;      // one per station pair (1,2), (1,3), ..., (n-1,n); may be empty
    // the map the saver shows: corner 0 top-left (min X, max Y), corner 1 bottom-right
    // (max X, min Y) of the basin and stations' box enlarged twice by 1.05
    std::array<cPoint, 2> MapExtent{cPoint{0.0, 1.0, 0.0}, cPoint{1.0, 0.0, 0.0}};
};

// Places a scene on the map: fixes the reference point (a round point below the lower-left
// corner of the basin and stations' box enlarged twice), turns the basin and every
// sub-basin ring counter-clockwise and fills scene.Local from the basin, the sub-basins, the
// stations and the centre points. The centre
// points are moved, not copied: scene.CenterPoints is left empty and the one list is
// scene.Local.CenterPoints. Throws SceneError for a basin of fewer than three vertices or
// no area (a scene that did not come through LoadScene, which refuses such basins itself).
void PlaceOnMap(Scene& scene);

// the scene placed on the map, for scenes made in memory
Scene PlacedOnMap(Scene scene);

}  // namespace kelvarin
