// Repair of height-balance polygons whose outer boundary lines cross.
//
// Outside the triangle network every hull edge carries one boundary line: from the edge's
// centre point M away from the inner vertex I of its triangle. Two neighbouring lines may
// meet at a point X before they reach the frame; the station between them then owns only
// the triangle-like piece up to X, and beyond X its two neighbours meet along the bisector
// of the two lines' continuations (the direction from X to the incentre of X and the two
// lines' far points). The repair processes such meetings one at a time, always one that is
// the nearest meeting on both of its lines (and of those, the one nearest the hull), and
// rebuilds the polygons of the stations whose boundary changed; untouched stations keep the
// polygon built before. Whether two lines meet, which of two meetings on a line comes first,
// which lies nearer the hull, whether several meetings are one point, and where the lines
// leave the outer frame are all decided exactly (network/OuterRays.hpp): a line beyond a
// meeting starts at the exact meeting point, and only the polygons' vertices are rounded.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "heightbalance/modHeightBalance.hpp"
#include "network/FrameSplit.hpp"
#include "network/OuterRays.hpp"
#include "network/StationFan.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

namespace {

// one station on the network's hull and its outer boundary chains
struct HullRegion {
    long station = 0;
    StationFan fan;
    cPoint M1, M2;               // centre points of the hull edges before and after the station
    std::vector<cPoint> chain1;  // points after M1 along the boundary with the previous region
    std::vector<cPoint> chain2;  // points after M2 along the boundary with the next region
    bool open = true;
    bool changed = false;
};

// unit vector, or false for a zero vector
bool Normalise(double& x, double& y) {
    const double length = std::hypot(x, y);
    if (!(length > 0)) return false;
    x /= length;
    y /= length;
    return true;
}

// the polygon of a hull station from its chains, the outer frame and its fan
PolygonRef RebuildRegion(const HullRegion& r, const OuterRays& rays, OuterRays::Id before, OuterRays::Id after,
                         const Array2<PointRef>& hbTri, const PointArray& outer) {
    auto polygon = std::make_shared<cPolygon>();
    polygon->AddPoint(r.M1);
    for (const cPoint& P : r.chain1) polygon->AddPoint(P);
    std::size_t skip = 0;
    if (r.open) {
        AppendOuterStretch(*polygon, rays, before, after, outer);
    } else {
        skip = 1;  // both chains end at the meeting point: take it once
    }
    for (std::size_t q = r.chain2.size() - skip; q > 0; --q) polygon->AddPoint(r.chain2[q - 1]);
    const StationFan& f = r.fan;
    const long j1 = RingSuccessor(f.j0, 1, f.count);
    long t = j1;
    do {
        polygon->AddPoint(*hbTri(f.vtx(t), f.fan(t)));
        polygon->AddPoint(*hbTri(0, f.fan(t)));
        t = RingSuccessor(t, 1, f.count);
    } while (t != j1);
    return polygon;
}

// the stations on the network's hull (first of each site) with their open fans; fans as
// SiteFans gives them, so a station that is not the first of its site has an empty fan
std::vector<HullRegion> HullRegions(const PointArray& stations, const Array2<PointRef>& hbTri,
                                    const std::vector<StationFan>& fans) {
    std::vector<HullRegion> hull;
    for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
        const StationFan& f = fans[static_cast<std::size_t>(i - stations.LBound())];
        if (f.count == 0 || f.j0 == 0) continue;
        HullRegion r;
        r.station = i;
        const long j1 = RingSuccessor(f.j0, 1, f.count);
        r.M1 = *hbTri(RowBefore(f.vtx(f.j0)), f.fan(f.j0));
        r.M2 = *hbTri(f.vtx(j1), f.fan(j1));
        r.fan = f;
        hull.push_back(std::move(r));
    }
    return hull;
}

// the hull regions in counter-clockwise order: the region after r is the first unused one
// whose M1 is r's M2 (the same hull edge); false when the hull does not close
bool OrderAroundHull(std::vector<HullRegion>& hull) {
    const std::size_t h = hull.size();
    // the regions by the position of M1 (regions of one position in ascending order)
    std::vector<std::size_t> byM1;
    for (std::size_t q = 0; q < h; ++q) {
        // a position that is not a number follows no region
        if (!std::isnan(hull[q].M1.X) && !std::isnan(hull[q].M1.Y)) byM1.push_back(q);
    }
    auto below = [](const cPoint& a, const cPoint& b) { return a.X < b.X || (a.X == b.X && a.Y < b.Y); };
    std::stable_sort(byM1.begin(), byM1.end(),
                     [&](std::size_t a, std::size_t b) { return below(hull[a].M1, hull[b].M1); });
    std::vector<std::size_t> order{0};
    std::vector<bool> used(h, false);
    used[0] = true;
    while (order.size() < h) {
        const cPoint& M2 = hull[order.back()].M2;
        std::size_t found = h;
        auto q = std::lower_bound(byM1.begin(), byM1.end(), M2,
                                  [&](std::size_t r, const cPoint& P) { return below(hull[r].M1, P); });
        for (; q != byM1.end() && hull[*q].M1.X == M2.X && hull[*q].M1.Y == M2.Y; ++q) {
            if (!used[*q]) {
                found = *q;
                break;
            }
        }
        if (found == h) return false;
        used[found] = true;
        order.push_back(found);
    }
    std::vector<HullRegion> ordered;
    ordered.reserve(h);
    for (std::size_t q : order) ordered.push_back(std::move(hull[q]));
    hull = std::move(ordered);
    return true;
}

// ray[q]: the boundary line between region q and the next one, from M2 away from the inner
// vertex of its triangle, as the polygons were built with it; false when a line has no direction
bool BoundaryRays(const std::vector<HullRegion>& region, const PointArray& stations, const Array2<PointRef>& tri,
                  const Array2<PointRef>& hbTri, const NetworkBoundary& boundary, OuterRays& rays,
                  std::vector<OuterRays::Id>& ray) {
    ray.assign(region.size(), 0);
    for (std::size_t q = 0; q < region.size(); ++q) {
        const HullRegion& r = region[q];
        const StationFan& f = r.fan;
        const long j1 = RingSuccessor(f.j0, 1, f.count);
        const cPoint& inner = *hbTri(0, f.fan(j1));
        const cPoint& after = *tri(RowAfter(f.vtx(j1)), f.fan(j1));
        double dx = 0, dy = 0;
        OuterLineDirection(*stations(r.station), inner, r.M2, after, -1.0, LineThrough::InnerVertex, dx, dy, boundary);
        if (!(std::hypot(dx, dy) > 0)) return false;
        // the direction as the polygons were built with it, not rounded again to unit length
        ray[q] = rays.Add(r.M2, dx, dy);
    }
    return true;
}

// where the boundary lines around the open regions still meet, and the meeting to take
struct Meetings {
    const OuterRays& rays;
    const std::vector<OuterRays::Id>& ray;
    const std::vector<std::size_t>& openList;
    std::vector<bool> meets;  // the line before and the line after open region p meet

    OuterRays::Id Before(std::size_t p) const { return ray[openList[(p + openList.size() - 1) % openList.size()]]; }
    OuterRays::Id After(std::size_t p) const { return ray[openList[p]]; }
    cPoint Point(std::size_t p) const { return rays.MeetingPoint(Before(p), After(p)); }
    // the meetings of open regions p and p + 1 are one point (on the line between them)
    bool SamePoint(std::size_t p) const {
        const std::size_t next = (p + 1) % openList.size();
        return rays.CompareMeetings(After(p), Before(p), After(next)) == 0;
    }
};

// the meeting of the line before and the line after each open region, inside the outer frame
// and ahead of both origins
Meetings FindMeetings(const OuterRays& rays, const std::vector<OuterRays::Id>& ray,
                      const std::vector<std::size_t>& openList, const PointArray& outer) {
    const std::size_t m = openList.size();
    Meetings found{rays, ray, openList, std::vector<bool>(m, false)};
    for (std::size_t p = 0; p < m; ++p) {
        const OuterRays::Id a = found.Before(p), b = found.After(p);
        found.meets[p] = rays.Meets(a, b) && rays.MeetsInside(a, b, outer);
    }
    return found;
}

// the meeting nearest the hull among those that are the nearest on both of their lines;
// openList.size() when there is none
std::size_t MeetingToTake(const Meetings& found, const std::vector<cPoint>& hullPoints) {
    const std::size_t m = found.openList.size();
    std::size_t best = m;
    for (std::size_t p = 0; p < m; ++p) {
        if (!found.meets[p]) continue;
        const std::size_t prev = (p + m - 1) % m;
        const std::size_t next = (p + 1) % m;
        // the line before p is also the line after prev: its meeting there must not come first
        if (found.meets[prev] && found.rays.CompareMeetings(found.Before(p), found.Before(prev), found.After(p)) < 0)
            continue;
        if (found.meets[next] && found.rays.CompareMeetings(found.After(p), found.After(next), found.Before(p)) < 0)
            continue;
        if (best == m || found.rays.CompareDistances(found.Before(p), found.After(p), found.Before(best),
                                                     found.After(best), hullPoints) < 0)
            best = p;
    }
    return best;
}

// the direction of the line beyond the meeting X of rays a and b: the bisector of their
// continuations
void MergedDirection(const cPoint& X, const OuterRays& rays, OuterRays::Id a, OuterRays::Id b, double& dx, double& dy) {
    double ax = rays.Dx(a), ay = rays.Dy(a), bx = rays.Dx(b), by = rays.Dy(b);
    Normalise(ax, ay);
    Normalise(bx, by);
    const cPoint U{X.X + ax, X.Y + ay, 0.0};
    const cPoint W{X.X + bx, X.Y + by, 0.0};
    cPoint V;
    if (GetIncentre(V, X, U, W) == 0) {
        dx = V.X - X.X;
        dy = V.Y - X.Y;
    } else {
        dx = ax + bx;
        dy = ay + by;
    }
    if (!Normalise(dx, dy)) {
        dx = ax;
        dy = ay;
    }
}

// The open regions, from openList[p] on, that close at one point: region p's meeting and every
// following region's meeting at exactly the same point (three or more boundary lines through
// one point, as gauges on a regular grid give). Returns how many; the first and last lines of
// the run are the ones that go on beyond the point. At least two regions stay open.
std::size_t RegionsMeetingAt(std::size_t p, const Meetings& found) {
    const std::size_t m = found.openList.size();
    std::size_t count = 1;
    while (count + 2 < m) {
        const std::size_t next = (p + count) % m;
        if (!found.meets[next] || !found.SamePoint((p + count - 1) % m)) break;
        ++count;
    }
    return count;
}

// closes the open regions p .. p + count - 1 at their meeting: their neighbours' chains end
// there too, and the line before them continues as the merged line of the line before the
// first and the line after the last
void CloseRegions(std::size_t p, std::size_t count, const Meetings& found, std::vector<HullRegion>& region,
                  OuterRays& rays, std::vector<OuterRays::Id>& ray, std::vector<std::size_t>& openList) {
    const std::size_t m = openList.size();
    const std::size_t prevQ = openList[(p + m - 1) % m];
    const std::size_t lastQ = openList[(p + count - 1) % m];
    const std::size_t nextQ = openList[(p + count) % m];
    const OuterRays::Id a = ray[prevQ];
    const OuterRays::Id b = ray[lastQ];
    const cPoint X = found.Point(p);
    for (std::size_t k = 0; k < count; ++k) {
        HullRegion& closed = region[openList[(p + k) % m]];
        closed.chain1.push_back(X);
        closed.chain2.push_back(X);
        closed.open = false;
        closed.changed = true;
    }
    region[prevQ].chain2.push_back(X);
    region[prevQ].changed = true;
    region[nextQ].chain1.push_back(X);
    region[nextQ].changed = true;
    double dx = 0, dy = 0;
    MergedDirection(X, rays, a, b, dx, dy);
    ray[prevQ] = rays.AddFromMeeting(found.Before(p), found.After(p), dx, dy);
    std::vector<bool> closing(m, false);
    for (std::size_t k = 0; k < count; ++k) closing[(p + k) % m] = true;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < m; ++k)
        if (!closing[k]) openList[kept++] = openList[k];
    openList.resize(kept);
}

// the polygons of the regions whose boundary changed, cut by the frame
void RebuildChanged(PolygonArray& polygons, const std::vector<HullRegion>& region, const OuterRays& rays,
                    const std::vector<OuterRays::Id>& ray, const std::vector<std::size_t>& openList,
                    const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& outer) {
    const std::size_t m = openList.size();
    std::vector<OuterRays::Id> before(region.size(), 0), after(region.size(), 0);
    for (std::size_t p = 0; p < m; ++p) {
        before[openList[p]] = ray[openList[(p + m - 1) % m]];
        after[openList[p]] = ray[openList[p]];
    }
    for (std::size_t q = 0; q < region.size(); ++q) {
        const HullRegion& r = region[q];
        if (!r.changed) continue;
        PolygonRef polygon = RebuildRegion(r, rays, before[q], after[q], hbTri, outer);
        PolygonArray pieces;
        if (ClipPolygons(pieces, RingToArray(*polygon), frame) == 1 && pieces(pieces.LBound())) {
            polygon = pieces(pieces.LBound());
        }
        polygons(r.station) = polygon;
    }
}

}  // namespace

// merges crossing outer boundary lines and rebuilds the polygons they bound
void RepairCrossedPolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                           const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& outerFrame) {
    if (TriangleCount(tri) == 0) return;
    const std::vector<StationFan> fans = SiteFans(stations, tri, SiteIndex(stations));
    RepairCrossedPolygons(polygons, stations, tri, hbTri, frame, outerFrame, fans,
                          HeightBalanceBoundary(stations, tri, fans));
}

void RepairCrossedPolygons(PolygonArray& polygons, const PointArray& stations, const Array2<PointRef>& tri,
                           const Array2<PointRef>& hbTri, const PointArray& frame, const PointArray& outerFrame,
                           const std::vector<StationFan>& fans, const NetworkBoundary& boundary) {
    if (TriangleCount(tri) == 0) return;
    std::vector<HullRegion> region = HullRegions(stations, hbTri, fans);
    // a hull that does not close leaves the polygons as built
    if (region.size() < 3 || !OrderAroundHull(region)) return;
    std::vector<cPoint> hullPoints;
    hullPoints.reserve(region.size());
    for (const HullRegion& r : region) hullPoints.push_back(*stations(r.station));
    OuterRays rays;
    std::vector<OuterRays::Id> ray;
    if (!BoundaryRays(region, stations, tri, hbTri, boundary, rays, ray)) return;
    std::vector<std::size_t> openList(region.size());
    for (std::size_t q = 0; q < region.size(); ++q) openList[q] = q;

    // meet the lines one meeting at a time
    for (std::size_t guard = 0; guard < region.size() && openList.size() > 2; ++guard) {
        const Meetings found = FindMeetings(rays, ray, openList, outerFrame);
        std::size_t p = MeetingToTake(found, hullPoints);
        if (p == openList.size()) break;
        // regions before p that close at the same point join it
        const std::size_t m = openList.size();
        for (std::size_t back = 0; back + 3 < m; ++back) {
            const std::size_t prev = (p + m - 1) % m;
            if (!found.meets[prev] || RegionsMeetingAt(prev, found) < 2) break;
            p = prev;
        }
        CloseRegions(p, RegionsMeetingAt(p, found), found, region, rays, ray, openList);
    }
    RebuildChanged(polygons, region, rays, ray, openList, hbTri, frame, outerFrame);
}

}  // namespace kelvarin
