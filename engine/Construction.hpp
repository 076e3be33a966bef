#pragma once
// One construction of a selection of gauges with no window: the frame, the station
// triangle network, (height-balance) the centre-point network, every selected
// station's ring in the frame, its pieces inside the basin, its area and its weight.
// The map window's method drivers show such a value ring by ring; the command line
// and the GIS export use it directly. Weights are defined here and nowhere else.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"
#include "scene/MapLocal.hpp"

namespace kelvarin {

enum class Method { Thiessen, HeightBalance };

// one triangle of the station network: circumcentre, then the corners counter-clockwise
struct NetworkTriangle {
    cPoint Circumcentre;
    std::array<cPoint, 3> Corners;
};

// what a selected station's ring gives one sub-basin
struct SubbasinShare {
    std::vector<cPolygon> Pieces;  // the ring cut by the outer ring of each of the sub-basin's parts
    std::vector<cPolygon> Holes;   // the ring cut by each of its holes: taken out of the pieces
    double Area = 0.0;             // the pieces' area less the holes', shared as StationPart::Area is
    double Weight = 0.0;           // Area / the sub-basin's area
};

// what the construction gives one selected station
struct StationPart {
    long Station = 0;              // 1-based index into EngineScene::Stations
    cPolygon Ring;                 // its ring in the frame; fewer than 3 vertices: controls nothing
    std::vector<cPolygon> Pieces;  // the ring cut by the basin ring, in the order they are shown
    // squared map units (shared equally by gauges at one place): the pieces' area, or with
    // sub-basins the sum of its shares of them (their union's, holes left out)
    double Area = 0.0;
    double Weight = 0.0;                   // Area / BasinArea
    std::vector<SubbasinShare> Subbasins;  // one per sub-basin of the scene, in its order; empty without
};

struct Construction {
    Method Used = Method::Thiessen;
    std::array<cPoint, 4> Frame;                       // corners counter-clockwise from the top right
    std::vector<NetworkTriangle> Triangles;            // three or more gauges; table order
    std::vector<std::array<cPoint, 3>> CenterNetwork;  // height-balance: one per triangle, same order
    std::vector<StationPart> Stations;                 // in selection order (ascending station index)
};

// Thrown when a finished construction fails the check every construction must pass:
// each selected gauge's weight finite and within [0, 1], the weights adding up to 1 (the
// pieces tile the basin), in the whole basin and in every sub-basin. It means a fault of the program, never of the
// data; what() is one line naming the method and the selection, beginning "internal inconsistency".
class InternalInconsistency : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// How far the weights may stray: each may lie this much outside [0, 1], and their sum this
// much from 1. Areas of a few dozen pieces add rounding of about 1e-15 of the basin.
constexpr double kWeightTolerance = 1e-9;

// The stations as every construction uses them (scene.Stations' order): a station closer
// than the same-site share of the basin's extent to an earlier site takes that site's
// coordinates, so that the pair is one site everywhere (network, centre points, shared
// areas). It depends on the scene alone, never on the selection.
std::vector<cPoint> SiteCoordinates(const EngineScene& scene);

// Builds the whole construction of one method for the selected stations (1-based
// indices into scene.Stations, ascending, no repeats), exactly as the map window's
// drivers show it. An empty selection gives a construction without stations. Gauges
// closer together than the same-site share of the basin's extent (scene/SceneRules.hpp)
// form one site, the first one's, which they share as coincident gauges do. With
// sub-basins, each selected station's ring is cut by every sub-basin its box meets, once for
// all of them. Throws
// std::invalid_argument for a bad selection and for height-balance with two or more
// gauges when the scene carries fewer centre points than one per pair of its stations,
// and InternalInconsistency when the result fails its check.
Construction BuildConstruction(Method method, const EngineScene& scene, const std::vector<long>& selection);

}  // namespace kelvarin
