// Height-balance polygons: the centre-point network over the triangle network, one polygon
// per station through the centre points and inner vertices around it, open fans closed
// along an outer frame.

#include "heightbalance/modHeightBalance.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "model/BitsOf.hpp"
#include "network/FrameSplit.hpp"
#include "network/StationFan.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// a point as "(X, Y, z)" for error messages
std::string Describe(const cPoint& P) {
    return "(" + std::to_string(P.X) + ", " + std::to_string(P.Y) + ", " + std::to_string(P.z) + ")";
}

// a coordinate that is not a number: such a station equals no position
bool HasNaN(const cPoint& P) { return std::isnan(P.X) || std::isnan(P.Y) || std::isnan(P.z); }

}  // namespace

std::size_t CenterPointTable::PositionHash::operator()(const Position& p) const {
    std::uint64_t h = p.X * 0x9E3779B97F4A7C15ULL;
    h = (h ^ (h >> 29) ^ p.Y) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ (h >> 31) ^ p.z) * 0x94D049BB133111EBULL;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

CenterPointTable::Position CenterPointTable::PositionOf(const cPoint& P) {
    return Position{BitsOf(P.X + 0.0), BitsOf(P.Y + 0.0), BitsOf(P.z + 0.0)};
}

// slots for twice as many stations
void CenterPointTable::Reserve(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    slots_.assign(size, Slot{});
}

// station number for its position unless an earlier station holds it
void CenterPointTable::Add(const cPoint& P, long number) {
    if (HasNaN(P)) return;
    const Position position = PositionOf(P);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = PositionHash{}(position)&mask;; k = (k + 1) & mask) {
        Slot& slot = slots_[k];
        if (!slot.used) {
            slot = Slot{position, number, true};
            return;
        }
        if (slot.position == position) return;
    }
}

CenterPointTable::CenterPointTable(const PointArray& allStations, const PointArray& CenterPoints)
    : n_(allStations.UBound()), arrayCentres_(&CenterPoints) {
    Reserve(static_cast<std::size_t>(allStations.Count()));
    for (long s = allStations.LBound(); s <= allStations.UBound(); ++s) {
        if (allStations(s)) Add(*allStations(s), s);
    }
}

CenterPointTable::CenterPointTable(const std::vector<cPoint>& allStations, const std::vector<cPoint>& CenterPoints)
    : n_(static_cast<long>(allStations.size())), vectorCentres_(&CenterPoints) {
    Reserve(allStations.size());
    for (std::size_t s = 0; s < allStations.size(); ++s) Add(allStations[s], static_cast<long>(s) + 1);
}

// number of the first station equal (X, Y and z) to P, or 0
long CenterPointTable::StationNumber(const cPoint& P) const {
    if (HasNaN(P)) return 0;
    const Position position = PositionOf(P);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = PositionHash{}(position)&mask;; k = (k + 1) & mask) {
        const Slot& slot = slots_[k];
        if (!slot.used) return 0;
        if (slot.position == position) return slot.number;
    }
}

// the centre point at a position of the list, or null when there is none
const cPoint* CenterPointTable::Centre(long index) const {
    if (arrayCentres_) {
        const PointArray& list = *arrayCentres_;
        if (index < list.LBound() || index > list.UBound() || !list(index)) return nullptr;
        return list(index).get();
    }
    if (index < 1 || index > static_cast<long>(vectorCentres_->size())) return nullptr;
    return &(*vectorCentres_)[static_cast<std::size_t>(index - 1)];
}

// centre point of a station pair
PointRef CenterPointTable::Get(const cPoint& A, const cPoint& B) const {
    const cPoint& P = At(Index(A, B));
    return NewPoint(P.X, P.Y, P.z);
}

const cPoint& CenterPointTable::At(long index) const { return *Centre(index); }

// position of the pair's centre point in the list
long CenterPointTable::Index(const cPoint& A, const cPoint& B) const {
    return Index(A, B, StationNumber(A), StationNumber(B));
}

// the same with the stations' numbers found already
long CenterPointTable::Index(const cPoint& A, const cPoint& B, long a, long b) const {
    if (a == 0 || b == 0) {
        throw std::invalid_argument("GetCenterPoint: no station at " + Describe(a == 0 ? A : B));
    }
    if (a == b) throw std::invalid_argument("GetCenterPoint: both corners are station " + std::to_string(a));
    if (a > b) SwapValues(a, b);
    const long n = n_;
    const long index = (b - a) + (a - 1) * (2 * n - a) / 2;
    const cPoint* P = Centre(index);
    if (!P) {
        const long count = arrayCentres_ ? arrayCentres_->Count() : static_cast<long>(vectorCentres_->size());
        throw std::invalid_argument("GetCenterPoint: no centre point " + std::to_string(index) + " for stations " +
                                    std::to_string(a) + " and " + std::to_string(b) + " (the list holds " +
                                    std::to_string(count) + ")");
    }
    return index;
}

// centre point of a station pair
PointRef GetCenterPoint(const cPoint& A, const cPoint& B, const PointArray& allStations,
                        const PointArray& CenterPoints) {
    return CenterPointTable(allStations, CenterPoints).Get(A, B);
}

namespace {

// the direction of the bisector at corner i of M
void Bisector(const cPoint* const (&M)[3], int i, double& dx, double& dy) {
    const cPoint& Mi = *M[i];
    const double w = (DirectionAngle(Mi, *M[(i + 1) % 3]) + DirectionAngle(Mi, *M[(i + 2) % 3])) / 2;
    dx = std::cos(w);
    dy = std::sin(w);
}

// The incentre as the mean of the corners weighted by the opposite sides, measured from M1:
// a convex combination, so it stays inside the triangle however thin the triangle is.
cPoint WeightedIncentre(const cPoint& M1, const cPoint& M2, const cPoint& M3) {
    const double a = std::hypot(M3.X - M2.X, M3.Y - M2.Y);
    const double b = std::hypot(M1.X - M3.X, M1.Y - M3.Y);
    const double c = std::hypot(M2.X - M1.X, M2.Y - M1.Y);
    const double perimeter = a + b + c;
    return cPoint{M1.X + (b * (M2.X - M1.X) + c * (M3.X - M1.X)) / perimeter,
                  M1.Y + (b * (M2.Y - M1.Y) + c * (M3.Y - M1.Y)) / perimeter, 0.0};
}

}  // namespace

namespace {

// where the bisectors at M1 and M2 meet, by a linear solve; false when it has no unique solution
bool BisectorsMeet(const cPoint& M1, const cPoint& M2, const cPoint& M3, cPoint& solution) {
    const cPoint* M[3] = {&M1, &M2, &M3};
    Array2<double> m(1, 2, 1, 3);
    LineCoefficients coef(1, 3);
    for (int i = 0; i < 2; ++i) {
        double dx = 0, dy = 0;
        Bisector(M, i, dx, dy);
        const cPoint ahead{M[i]->X + dx, M[i]->Y + dy, 0.0};
        coef(1) = coef(2) = coef(3) = 0;
        LineEquation(*M[i], ahead, coef);
        m(i + 1, 1) = coef(1);
        m(i + 1, 2) = coef(2);
        m(i + 1, 3) = coef(3);
    }
    if (SolveLinearSystem(m) != SolveCode::Unique) return false;
    solution = cPoint{m(1, 3), m(2, 3), 0.0};
    return true;
}

}  // namespace

// Incentre of three points through two angle bisectors, met by a linear solve. The solve
// does not pivot: a bisector along an axis (a first coefficient of rounding size) can send
// its crossing far from the incentre, and on a thin triangle even a close crossing can fall
// outside it. The solve's point is kept only where it lies strictly inside the triangle and
// within a millionth of the triangle of the incentre found as a weighted mean of the corners;
// elsewhere that mean is the answer. Three points on one line (centre points rounded onto one
// line) get the mean too: the middle point, where the incentre of ever thinner triangles goes,
// and not the crossing of two bisectors that rounding alone keeps apart.
long GetIncentre(cPoint& centre, const cPoint& M1, const cPoint& M2, const cPoint& M3) {
    if (M2.X == M1.X && M2.Y == M1.Y && M3.X == M1.X && M3.Y == M1.Y) return -2;
    const cPoint mean = WeightedIncentre(M1, M2, M3);
    const int turn = Orient2D(M1, M2, M3);
    cPoint solution;
    const bool inside = turn != 0 && BisectorsMeet(M1, M2, M3, solution) && Orient2D(M1, M2, solution) == turn &&
                        Orient2D(M2, M3, solution) == turn && Orient2D(M3, M1, solution) == turn;
    // a millionth of the triangle, and a few units of the last bit of its coordinates
    const double size = std::max({std::hypot(M2.X - M1.X, M2.Y - M1.Y), std::hypot(M3.X - M2.X, M3.Y - M2.Y),
                                  std::hypot(M1.X - M3.X, M1.Y - M3.Y)});
    const double agree = 1e-6 * size + 8.0 * 0x1p-52 * (std::fabs(mean.X) + std::fabs(mean.Y));
    const bool keep = inside && std::hypot(solution.X - mean.X, solution.Y - mean.Y) <= agree;
    centre.X = keep ? solution.X : mean.X;
    centre.Y = keep ? solution.Y : mean.Y;
    return 0;
}

// centre points of every triangle edge and the inner vertex of every triangle
long BuildCenterPointNetwork(const Array2<PointRef>& tri, const PointArray& allStations, const PointArray& CenterPoints,
                             Array2<PointRef>& hbTri) {
    return BuildCenterPointNetwork(tri, CenterPointTable(allStations, CenterPoints), hbTri);
}

long BuildCenterPointNetwork(const Array2<PointRef>& tri, const CenterPointTable& centres, Array2<PointRef>& hbTri) {
    // every edge's place in the list first (a missing station or centre point throws here),
    // then the centre points
    std::vector<long> index;
    for (long t = hbTri.LBound(2); t <= hbTri.UBound(2); ++t) {
        if (!tri(1, t)) continue;  // the empty column of a table without triangles
        const long number[4] = {0, centres.StationNumber(*tri(1, t)), centres.StationNumber(*tri(2, t)),
                                centres.StationNumber(*tri(3, t))};
        for (long v = 1; v <= 3; ++v) {
            const long w = RowAfter(v);
            index.push_back(centres.Index(*tri(w, t), *tri(v, t), number[w], number[v]));
        }
    }
    // the reads from the list in one tight loop, so that they overlap
    std::vector<cPoint> value(index.size());
    for (std::size_t k = 0; k < index.size(); ++k) value[k] = centres.At(index[k]);
    std::size_t k = 0;
    for (long t = hbTri.LBound(2); t <= hbTri.UBound(2); ++t) {
        if (!tri(1, t)) continue;
        for (long v = 1; v <= 3; ++v, ++k) hbTri(v, t) = NewPoint(value[k].X, value[k].Y, value[k].z);
        hbTri(0, t) = NewPoint();
        const cPoint &M1 = *hbTri(1, t), &M2 = *hbTri(2, t), &M3 = *hbTri(3, t);
        if (GetIncentre(*hbTri(0, t), M1, M2, M3) != 0) {
            // the three centre points at one place: the inner vertex is that place, not the
            // map origin
            hbTri(0, t)->X = (M1.X + M2.X + M3.X) / 3;
            hbTri(0, t)->Y = (M1.Y + M2.Y + M3.Y) / 3;
        }
    }
    return hbTri.UBound(2);
}

// the polygon of a station with an open fan, closed along the outer frame
long BuildOpenHeightBalancePolygon(long j0, cPolygon& polygon, const Array1<long>& vtx, const Array1<long>& fan,
                                   const Array2<PointRef>& tri, const Array2<PointRef>& hbTri,
                                   const PointArray& outerFrame, const NetworkBoundary& boundary) {
    const long lb = fan.LBound();
    const long n = fan.Count();
    auto next = [lb, n](long t) { return RingSuccessor(t, lb, n); };
    const long j1 = next(j0);
    const cPoint& S = *tri(vtx(j0), fan(j0));
    const cPoint& before = *tri(RowBefore(vtx(j0)), fan(j0));
    const cPoint& after = *tri(RowAfter(vtx(j1)), fan(j1));
    const cPoint& M1 = *hbTri(RowBefore(vtx(j0)), fan(j0));
    const cPoint& M2 = *hbTri(vtx(j1), fan(j1));
    polygon.AddPoint(M1);
    AppendOuterStretch(polygon, S, *hbTri(0, fan(j0)), M1, before, *hbTri(0, fan(j1)), M2, after, outerFrame,
                       LineThrough::InnerVertex, boundary);
    long t = j1;
    do {
        polygon.AddPoint(*hbTri(vtx(t), fan(t)));
        const cPoint& O = *hbTri(0, fan(t));
        polygon.Add(O.X, O.Y, O.z);
        t = next(t);
    } while (t != j1);
    return polygon.Count();
}

std::vector<StationFan> SiteFans(const PointArray& stations, const Array2<PointRef>& tri, const Array1<long>& site) {
    const StationFanIndex index(tri);
    std::vector<StationFan> fans(static_cast<std::size_t>(stations.Count()));
    for (long i = stations.LBound(); i <= stations.UBound(); ++i)
        if (site(i) == i) fans[static_cast<std::size_t>(i - stations.LBound())] = index.Fan(*stations(i));
    return fans;
}

NetworkBoundary HeightBalanceBoundary(const PointArray& stations, const Array2<PointRef>& tri,
                                      const std::vector<StationFan>& fans) {
    NetworkBoundary boundary;
    bool convex = true;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        const StationFan& f = fans[static_cast<std::size_t>(i - stations.LBound())];
        if (f.count == 0 || f.j0 == 0) continue;
        const long j1 = RingSuccessor(f.j0, 1, f.count);
        const cPoint& S = *stations(i);
        const cPoint& before = *tri(RowBefore(f.vtx(f.j0)), f.fan(f.j0));
        const cPoint& after = *tri(RowAfter(f.vtx(j1)), f.fan(j1));
        convex = convex && Orient2D(before, S, after) > 0;
        boundary.push_back(BoundaryEdge{S, after});
    }
    if (convex) boundary.clear();
    return boundary;
}

// the height-balance polygon of every station, clipped to the frame and repaired
void BuildHeightBalancePolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                                const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& allStations,
                                const PointArray& CenterPoints) {
    BuildHeightBalancePolygons(polygons, stations, tri, hbTri, frame, CenterPointTable(allStations, CenterPoints));
}

void BuildHeightBalancePolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                                const Array2<PointRef>& hbTri, const PointArray& frame,
                                const CenterPointTable& centres) {
    if (TriangleCount(tri) == 0) {
        // no triangle: one site, or sites on one straight line
        BuildCollinearStrips(polygons, stations, frame,
                             [&](const cPoint& A, const cPoint& B) { return *centres.Get(A, B); });
        return;
    }
    PointArray outer;
    EnclosingRectangle(frame, outer, kFrameFactor);
    const Array1<long> site = SiteIndex(stations);
    const std::vector<StationFan> fans = SiteFans(stations, tri, site);
    const NetworkBoundary boundary = HeightBalanceBoundary(stations, tri, fans);
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        const StationFan& f = fans[static_cast<std::size_t>(i - stations.LBound())];
        if (f.count == 0) {
            // a station that shares an earlier site (copied below) or is in no triangle: an empty ring
            polygons(i) = std::make_shared<cPolygon>();
            continue;
        }
        auto polygon = std::make_shared<cPolygon>();
        if (f.j0 == 0) {
            for (long k = 1; k <= f.count; ++k) {
                polygon->AddPoint(*hbTri(f.vtx(k), f.fan(k)));
                const cPoint& O = *hbTri(0, f.fan(k));
                polygon->Add(O.X, O.Y, O.z);
            }
        } else {
            BuildOpenHeightBalancePolygon(f.j0, *polygon, f.vtx, f.fan, tri, hbTri, outer, boundary);
        }
        polygons(i) = ClipToFrame(polygon, frame);
    }
    RepairCrossedPolygons(polygons, stations, tri, hbTri, frame, outer, fans, boundary);
    CopySiteRings(polygons, site);
}

// the frame split by the line through the pair's centre point, perpendicular to the pair
void HeightBalanceTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                              const PointArray& allStations, const PointArray& CenterPoints) {
    HeightBalanceTwoStations(polygons, stations, frame, CenterPointTable(allStations, CenterPoints));
}

void HeightBalanceTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame,
                              const CenterPointTable& centres) {
    TwoStationSplit(polygons, stations, frame, [&](const cPoint& A, const cPoint& B) { return *centres.Get(A, B); });
}

}  // namespace kelvarin
