#pragma once
// Height-balance polygons: every triangle edge is split at the pair's centre point from the
// scene, every triangle gets an inner vertex, and each station's polygon runs through them.

#include <cstdint>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"
#include "network/FrameSplit.hpp"
#include "network/StationFan.hpp"

namespace kelvarin {

// The scene's centre points found by the positions of a pair's two stations. Station number s
// is the first station equal to a position in X, Y and z; the pair (a, b), a < b, of n
// stations has its centre point at (b - a) + (a - 1) * (2n - a) / 2 of the list. The table
// holds references to both lists, which must outlive it; finding a station costs log n.
class CenterPointTable {
  public:
    // stations allStations(1..n), centre points CenterPoints(1..)
    CenterPointTable(const PointArray& allStations, const PointArray& CenterPoints);
    // stations 1..n and centre points 1.. at positions 0.. of the vectors
    CenterPointTable(const std::vector<cPoint>& allStations, const std::vector<cPoint>& CenterPoints);

    // a new copy of the centre point of the station pair at A and B (in either order); throws
    // std::invalid_argument when A or B is no station or the centre-point list is too short
    PointRef Get(const cPoint& A, const cPoint& B) const;
    // the position in the list of that centre point (throws as Get does), and the centre point
    // at such a position
    long Index(const cPoint& A, const cPoint& B) const;
    const cPoint& At(long index) const;
    // the number of the first station at P (X, Y and z), 0 for none; and Index with the numbers
    // of A and B found already
    long StationNumber(const cPoint& P) const;
    long Index(const cPoint& A, const cPoint& B, long a, long b) const;

  private:
    // a position by the bits of its coordinates (-0 taken as 0, so that equal positions match)
    struct Position {
        std::uint64_t X, Y, z;
        bool operator==(const Position&) const = default;
    };
    struct PositionHash {
        std::size_t operator()(const Position& p) const;
    };
    struct Slot {
        Position position{};
        long number = 0;
        bool used = false;
    };
    static Position PositionOf(const cPoint& P);
    void Reserve(std::size_t count);
    void Add(const cPoint& P, long number);
    const cPoint* Centre(long index) const;

    // the first station at each position: open addressing, a power-of-two number of slots
    std::vector<Slot> slots_;
    long n_ = 0;
    const PointArray* arrayCentres_ = nullptr;
    const std::vector<cPoint>* vectorCentres_ = nullptr;
};

// hbTri (rows 0..3 by the triangles of tri, sized by the caller): rows 1..3 the centre points
// of the edges corner v -> corner v+1, row 0 the incentre of those three; returns hbTri's
// upper triangle index
long BuildCenterPointNetwork(const Array2<PointRef>& tri, const PointArray& allStations, const PointArray& CenterPoints,
                             Array2<PointRef>& hbTri);
long BuildCenterPointNetwork(const Array2<PointRef>& tri, const CenterPointTable& centres, Array2<PointRef>& hbTri);

// a new copy of the centre point of the station pair at A and B (in either order); throws
// std::invalid_argument when A or B is no station or the centre-point list is too short
PointRef GetCenterPoint(const cPoint& A, const cPoint& B, const PointArray& allStations,
                        const PointArray& CenterPoints);

// incentre of M1, M2, M3 into centre (the middle one of three points on one line) and 0;
// -2 with centre untouched when all three coincide
long GetIncentre(cPoint& centre, const cPoint& M1, const cPoint& M2, const cPoint& M3);

// polygons(i) (bounds of stations, dimensioned by the caller) receives the height-balance
// polygon of every selected station, clipped to the frame and repaired. Handles the
// degenerate cases itself: no triangle (strips for collinear stations, the frame for one
// site), coincident stations (copies of their site's polygon), a station in no triangle
// (an empty ring).
void BuildHeightBalancePolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                                const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& allStations,
                                const PointArray& CenterPoints);
void BuildHeightBalancePolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                                const Array2<PointRef>& hbTri, const PointArray& frame,
                                const CenterPointTable& centres);

// closes the open fan of a station (gap after fan position j0) along the outer frame into
// polygon, its boundary lines checked against the network's boundary where one is given;
// returns the polygon's vertex count
long BuildOpenHeightBalancePolygon(long j0, cPolygon& polygon, const Array1<long>& vtx, const Array1<long>& fan,
                                   const Array2<PointRef>& tri, const Array2<PointRef>& hbTri,
                                   const PointArray& outerFrame, const NetworkBoundary& boundary = {});

// The fan in tri of every station that is the first of its site (site as SiteIndex gives it),
// by position from stations.LBound(); the other stations get an empty fan.
std::vector<StationFan> SiteFans(const PointArray& stations, const Array2<PointRef>& tri, const Array1<long>& site);

// The boundary of the network the height-balance lines leave, from the fans of its stations
// (fans as SiteFans gives them): the edge after each station with an open fan.
// Empty where the boundary turns left at every station (a convex network, which no line
// leaving it outwards can meet again).
NetworkBoundary HeightBalanceBoundary(const PointArray& stations, const Array2<PointRef>& tri,
                                      const std::vector<StationFan>& fans);

// removes self-crossings from the polygons, keeping neighbours consistent along shared edges;
// outerFrame is the frame enlarged once more, where open fans are closed
void RepairCrossedPolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                           const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& outerFrame);
// the same with the fans already found (as SiteFans gives them) and the network's boundary
// they give
void RepairCrossedPolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                           const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& outerFrame,
                           const std::vector<StationFan>& fans, const NetworkBoundary& boundary);

// two selected stations: the frame split by the line through the pair's centre point,
// perpendicular to the pair; polygons has the bounds of stations
void HeightBalanceTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                              const PointArray& allStations, const PointArray& CenterPoints);
void HeightBalanceTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                              const CenterPointTable& centres);

}  // namespace kelvarin
