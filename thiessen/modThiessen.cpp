// Thiessen rings from the triangle network: circumcentres around each station, open fans
// closed along an outer frame, every ring clipped to the frame.

#include "thiessen/modThiessen.hpp"

#include <memory>
#include <numeric>
#include <optional>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Predicates.hpp"
#include "network/FarHullTriangles.hpp"
#include "network/FrameSplit.hpp"
#include "network/StationFan.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// Appends a copy of P unless it is the ring's last vertex exactly (triangles of stations on
// one circle share their circumcentre). Circumcentres a hair apart are kept apart: every
// cell around them has the same tiny edge, so the cells still tile the frame.
void AddVertex(cPolygon& ring, const cPoint& P) {
    if (ring.Count() > 0 && SamePlace(*ring(ring.Count()), P)) return;
    ring.Add(P.X, P.Y, P.z);
}

// the other corners of a station's triangles: its neighbours in the network
std::vector<cPoint> FanNeighbours(const StationFan& f, const Array2<PointRef>& triangles) {
    std::vector<cPoint> neighbours;
    for (long j = 1; j <= f.count; ++j) {
        for (long r = 1; r <= 3; ++r) {
            if (r != f.vtx(j)) neighbours.push_back(*triangles(r, f.fan(j)));
        }
    }
    return neighbours;
}

// The table with one circumcentre for every group of neighbouring triangles whose corners lie
// exactly on one circle (decided by the exact in-circle test): that of the group's first
// triangle. Computed from different corners, their centres can differ in the last bits, and
// a ring through both would fold back on itself around the one true vertex. Nothing when no
// two neighbouring triangles share their circle.
std::optional<Array2<PointRef>> SharedCircumcentres(const Array2<PointRef>& triangles, const PointArray& stations,
                                                    const std::vector<StationFan>& fans) {
    const long T = TriangleCount(triangles);
    std::vector<long> group(static_cast<std::size_t>(T + 1));
    std::iota(group.begin(), group.end(), 0L);
    auto first = [&group](long t) {
        while (group[static_cast<std::size_t>(t)] != t)
            t = group[static_cast<std::size_t>(t)] = group[group[static_cast<std::size_t>(t)]];
        return t;
    };
    bool shared = false;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        const StationFan& f = fans[static_cast<std::size_t>(i - stations.LBound())];
        for (long j = 1; j <= f.count; ++j) {
            if (j == f.j0 || f.count < 2) continue;  // the fan's gap parts no triangles
            const long next = j % f.count + 1;
            const long t = f.fan(j), u = f.fan(next);
            // t = (S, a, b) and u = (S, b, c), counter-clockwise
            const cPoint& a = *triangles(1 + (f.vtx(j) % 3), t);
            const cPoint& b = *triangles(1 + ((f.vtx(j) + 1) % 3), t);
            const cPoint& c = *triangles(1 + ((f.vtx(next) + 1) % 3), u);
            if (InCircle(*stations(i), a, b, c) != 0) continue;
            const long ft = first(t), fu = first(u);
            if (ft == fu) continue;
            group[static_cast<std::size_t>(std::max(ft, fu))] = std::min(ft, fu);
            shared = true;
        }
    }
    if (!shared) return std::nullopt;
    Array2<PointRef> centred = triangles;
    for (long t = 1; t <= T; ++t) centred(0, t) = triangles(0, first(t));
    return centred;
}

}  // namespace

// the frame halves on either side of the two stations' perpendicular bisector
void ThiessenTwoStations(PolygonArray& polygons, const PointArray& stations, const PointArray& frame) {
    TwoStationSplit(polygons, stations, frame, [](const cPoint& A, const cPoint& B) {
        return cPoint{(A.X + B.X) / 2, (A.Y + B.Y) / 2, 0.0};
    });
}

// the ring of a station with an open fan, closed along the outer frame
long BuildOpenThiessenPolygon(long j0, cPolygon& ring, const Array1<long>& vtx, const Array1<long>& fan,
                              const Array2<PointRef>& triangles, const PointArray& outerFrame) {
    const long n = fan.Count();
    auto next = [n](long j) { return RingSuccessor(j, 1, n); };
    const long j1 = next(j0);
    const cPoint& S = *triangles(vtx(j0), fan(j0));
    const cPoint& before = *triangles(1 + ((vtx(j0) + 1) % 3), fan(j0));
    const cPoint& after = *triangles(1 + (vtx(j1) % 3), fan(j1));
    const cPoint M1{(S.X + before.X) / 2, (S.Y + before.Y) / 2, (S.z + before.z) / 2};
    const cPoint M2{(S.X + after.X) / 2, (S.Y + after.Y) / 2, (S.z + after.z) / 2};

    AppendOuterStretch(ring, S, *triangles(0, fan(j0)), M1, before, *triangles(0, fan(j1)), M2, after, outerFrame,
                       LineThrough::Circumcentre);
    long t = j1;
    do {
        AddVertex(ring, *triangles(0, fan(t)));
        t = next(t);
    } while (t != j1);
    if (ring.Count() > 1 && SamePlace(*ring(ring.Count()), *ring(1))) ring.Remove(ring.Count());
    return ring.Count();
}

// the Thiessen ring of every station, clipped to the frame
void BuildThiessenPolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& triangles,
                           const PointArray& frame) {
    const long T = TriangleCount(triangles);
    if (T == 0) {
        // no triangle: one site, or sites on one straight line
        BuildCollinearStrips(polygons, stations, frame, [](const cPoint& A, const cPoint& B) {
            return cPoint{(A.X + B.X) / 2, (A.Y + B.Y) / 2, (A.z + B.z) / 2};
        });
        return;
    }
    // The outer frame encloses the frame and every circumcentre: the circumcentre of an
    // obtuse triangle on the hull can lie far outside the frame, and a ring through a vertex
    // outside the outer frame would cross itself where it comes back in. Hull triangles of
    // sites almost on one line, whose circumcentres lie very far out, are left out instead.
    PointArray outer;
    std::vector<bool> kept;
    const long stay = FarHullTriangles(triangles, frame, outer, kept);
    if (stay == 0) {
        BuildCollinearStrips(polygons, stations, frame, [](const cPoint& A, const cPoint& B) {
            return cPoint{(A.X + B.X) / 2, (A.Y + B.Y) / 2, (A.z + B.z) / 2};
        });
        return;
    }
    // Where triangles were left out the sites lie almost on one line: the far circumcentres
    // are too far away to carry the cells' edges, and taking their triangles out can part a
    // network only a few sites wide. Each cell is then the frame cut by the bisectors with
    // its neighbours in the whole network (measured from the site, so those circumcentres
    // play no part).
    const bool cut = stay < T;
    const Array1<long> site = SiteIndex(stations);
    // each site's fan, worked out once for the shared circumcentres and the cells
    const StationFanIndex index(triangles);
    std::vector<StationFan> fans;
    fans.reserve(static_cast<std::size_t>(stations.Count()));
    for (long i = stations.LBound(); i <= stations.UBound(); ++i)
        fans.push_back(site(i) == i ? index.Fan(*stations(i)) : StationFan{});
    const std::optional<Array2<PointRef>> shared = cut ? std::nullopt : SharedCircumcentres(triangles, stations, fans);
    const Array2<PointRef>& centred = shared ? *shared : triangles;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        const StationFan& f = fans[static_cast<std::size_t>(i - stations.LBound())];
        if (f.count == 0) {
            // a station that shares an earlier site (copied below) or is in no triangle: an empty ring
            polygons(i) = std::make_shared<cPolygon>();
            continue;
        }
        if (cut) {
            polygons(i) = NearestSiteCell(*stations(i), FanNeighbours(f, triangles), frame);
            continue;
        }
        auto ring = std::make_shared<cPolygon>();
        if (f.j0 == 0) {
            for (long j = 1; j <= f.count; ++j) AddVertex(*ring, *centred(0, f.fan(j)));
            if (ring->Count() > 1 && SamePlace(*ring->Item(ring->Count()), *ring->Item(1))) {
                ring->Remove(ring->Count());
            }
        } else {
            BuildOpenThiessenPolygon(f.j0, *ring, f.vtx, f.fan, centred, outer);
        }
        polygons(i) = ClipToFrame(ring, frame);
    }
    CopySiteRings(polygons, site);
}

}  // namespace kelvarin
