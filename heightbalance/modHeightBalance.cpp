// Height-balance polygons: the centre-point network over the triangle network, one polygon
// per station through the centre points and inner vertices around it, open fans closed
// along an outer frame.

#include "heightbalance/modHeightBalance.hpp"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "geometry/ModMathTools.hpp"
#include "network/FrameSplit.hpp"
#include "network/StationFan.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// position of the first station equal (X, Y and z) to P, or 0
long StationNumber(const cPoint& P, const PointArray& allStations) {
    for (long s = allStations.LBound(); s <= allStations.UBound(); ++s) {
        if (allStations(s) && IsSamePoint(*allStations(s), P, true)) return s;
    }
    return 0;
}

// a point as "(X, Y, z)" for error messages
std::string Describe(const cPoint& P) {
    return "(" + std::to_string(P.X) + ", " + std::to_string(P.Y) + ", " + std::to_string(P.z) + ")";
}

}  // namespace

// centre point of a station pair
PointRef GetCenterPoint(const cPoint& A, const cPoint& B, const PointArray& allStations,
                        const PointArray& CenterPoints) {
    long a = StationNumber(A, allStations);
    long b = StationNumber(B, allStations);
    if (a == 0 || b == 0) {
        throw std::invalid_argument("GetCenterPoint: no station at " + Describe(a == 0 ? A : B));
    }
    if (a == b) throw std::invalid_argument("GetCenterPoint: both corners are station " + std::to_string(a));
    if (a > b) SwapValues(a, b);
    const long n = allStations.UBound();
    const long index = (b - a) + (a - 1) * (2 * n - a) / 2;
    if (index < CenterPoints.LBound() || index > CenterPoints.UBound() || !CenterPoints(index)) {
        throw std::invalid_argument("GetCenterPoint: no centre point " + std::to_string(index) + " for stations " +
                                    std::to_string(a) + " and " + std::to_string(b) + " (the list holds " +
                                    std::to_string(CenterPoints.Count()) + ")");
    }
    const cPoint& P = *CenterPoints(index);
    return NewPoint(P.X, P.Y, P.z);
}

// incentre of three points through two angle bisectors. The bisector lines are met directly,
// measured from M1: as two rows of a linear system solved without pivoting, a bisector that is
// almost horizontal (a first coefficient of rounding size) sent the crossing far off.
long GetIncentre(cPoint& centre, const cPoint& M1, const cPoint& M2, const cPoint& M3) {
    if (M2.X == M1.X && M2.Y == M1.Y && M3.X == M1.X && M3.Y == M1.Y) return -2;
    const cPoint* M[3] = {&M1, &M2, &M3};
    double dx[2], dy[2];
    for (int i = 0; i < 2; ++i) {
        const cPoint& Mi = *M[i];
        const double w = (DirectionAngle(Mi, *M[(i + 1) % 3]) + DirectionAngle(Mi, *M[(i + 2) % 3])) / 2;
        dx[i] = std::cos(w);
        dy[i] = std::sin(w);
    }
    // M1 + s * d0 = M2 + u * d1
    const double cross = dx[0] * dy[1] - dy[0] * dx[1];
    const double wx = M2.X - M1.X, wy = M2.Y - M1.Y;
    const double s = (wx * dy[1] - wy * dx[1]) / cross;
    // parallel bisectors (and the same line twice) have no single crossing
    if (cross == 0.0 || !std::isfinite(s)) return -1;
    centre.X = M1.X + s * dx[0];
    centre.Y = M1.Y + s * dy[0];
    return 0;
}

// centre points of every triangle edge and the inner vertex of every triangle
long BuildCenterPointNetwork(const Array2<PointRef>& tri, const PointArray& allStations, const PointArray& CenterPoints,
                             Array2<PointRef>& hbTri) {
    for (long t = hbTri.LBound(2); t <= hbTri.UBound(2); ++t) {
        if (!tri(1, t)) continue;  // the empty column of a table without triangles
        for (long v = 1; v <= 3; ++v) {
            hbTri(v, t) = GetCenterPoint(*tri((v % 3) + 1, t), *tri(v, t), allStations, CenterPoints);
        }
        hbTri(0, t) = NewPoint();
        const cPoint &M1 = *hbTri(1, t), &M2 = *hbTri(2, t), &M3 = *hbTri(3, t);
        if (GetIncentre(*hbTri(0, t), M1, M2, M3) != 0) {
            // centre points on one line (or one point): the mean of the three stays inside
            // the triangle they span instead of falling to the map origin
            hbTri(0, t)->X = (M1.X + M2.X + M3.X) / 3;
            hbTri(0, t)->Y = (M1.Y + M2.Y + M3.Y) / 3;
        }
    }
    return hbTri.UBound(2);
}

// the polygon of a station with an open fan, closed along the outer frame
long BuildOpenHeightBalancePolygon(long j0, cPolygon& polygon, const Array1<long>& vtx, const Array1<long>& fan,
                                   const Array2<PointRef>& tri, const Array2<PointRef>& hbTri,
                                   const PointArray& outerFrame) {
    const long lb = fan.LBound();
    const long n = fan.Count();
    auto next = [lb, n](long t) { return RingSuccessor(t, lb, n); };
    const long j1 = next(j0);
    const cPoint& S = *tri(vtx(j0), fan(j0));
    const cPoint& before = *tri(((vtx(j0) + 1) % 3) + 1, fan(j0));
    const cPoint& after = *tri((vtx(j1) % 3) + 1, fan(j1));
    const cPoint& M1 = *hbTri(((vtx(j0) + 1) % 3) + 1, fan(j0));
    const cPoint& M2 = *hbTri(vtx(j1), fan(j1));
    polygon.AddPoint(M1);
    AppendOuterStretch(polygon, S, *hbTri(0, fan(j0)), M1, before, *hbTri(0, fan(j1)), M2, after, outerFrame);
    long t = j1;
    do {
        polygon.AddPoint(*hbTri(vtx(t), fan(t)));
        const cPoint& O = *hbTri(0, fan(t));
        polygon.Add(O.X, O.Y, O.z);
        t = next(t);
    } while (t != j1);
    return polygon.Count();
}

// the height-balance polygon of every station, clipped to the frame and repaired
void BuildHeightBalancePolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                                const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& allStations,
                                const PointArray& CenterPoints) {
    if (TriangleCount(tri) == 0) {
        // no triangle: one site, or sites on one straight line
        BuildCollinearStrips(polygons, stations, frame, [&](const cPoint& A, const cPoint& B) {
            return *GetCenterPoint(A, B, allStations, CenterPoints);
        });
        return;
    }
    PointArray outer;
    EnclosingRectangle(frame, outer, kFrameFactor);
    const Array1<long> site = SiteIndex(stations);
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        polygons(i) = std::make_shared<cPolygon>();
        if (site(i) != i) continue;
        const StationFan f = FindStationFan(*stations(i), tri);
        if (f.count == 0) continue;  // a station in no triangle keeps an empty ring
        auto polygon = std::make_shared<cPolygon>();
        if (f.j0 == 0) {
            for (long k = 1; k <= f.count; ++k) {
                polygon->AddPoint(*hbTri(f.vtx(k), f.fan(k)));
                const cPoint& O = *hbTri(0, f.fan(k));
                polygon->Add(O.X, O.Y, O.z);
            }
        } else {
            BuildOpenHeightBalancePolygon(f.j0, *polygon, f.vtx, f.fan, tri, hbTri, outer);
        }
        polygons(i) = ClipToFrame(polygon, frame);
    }
    RepairCrossedPolygons(polygons, stations, tri, hbTri, frame, outer);
    CopySiteRings(polygons, site);
}

// the frame split by the line through the pair's centre point, perpendicular to the pair
void HeightBalanceTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                              const PointArray& allStations, const PointArray& CenterPoints) {
    TwoStationSplit(polygons, stations, frame,
                    [&](const cPoint& A, const cPoint& B) { return *GetCenterPoint(A, B, allStations, CenterPoints); });
}

}  // namespace kelvarin
