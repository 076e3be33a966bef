// One construction of a selection of gauges as a value: the same steps, in the same
// order, as the map window takes them, with no surface in between.

#include "engine/Construction.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>

#include "engine/StationList.hpp"
#include "geometry/modGISTools.hpp"
#include "heightbalance/modHeightBalance.hpp"
#include "model/BoundedArray.hpp"
#include "network/FarHullTriangles.hpp"
#include "network/TriangleNetwork.hpp"
#include "scene/SceneRules.hpp"
#include "scene/SubbasinGeometry.hpp"
#include "thiessen/modThiessen.hpp"

namespace kelvarin {
namespace {

// new points 1..count with the coordinates of the given ones
PointArray NewPoints(const std::vector<cPoint>& points) {
    PointArray array(1, static_cast<long>(points.size()));
    for (long k = 1; k <= array.UBound(); ++k) {
        const cPoint& p = points[static_cast<std::size_t>(k - 1)];
        array(k) = NewPoint(p.X, p.Y, p.z);
    }
    return array;
}

// the frame: enclosing rectangle of the basin vertices followed by the station points
PointArray MakeFrame(const PointArray& basinPts, const PointArray& stationPts) {
    PointArray joined;
    for (const auto& p : basinPts) joined.Append(p);
    for (const auto& p : stationPts) joined.Append(p);
    PointArray frame;
    EnclosingRectangle(joined, frame, kFrameFactor);
    return frame;
}

// a ring of copies of the frame corners
cPolygon FrameRing(const PointArray& frame) {
    cPolygon ring;
    for (long k = 1; k <= 4; ++k) ring.Add(frame(k)->X, frame(k)->Y, frame(k)->z);
    return ring;
}

// a ring of new points with the same coordinates and name
cPolygon CopyRing(const cPolygon& ring) {
    cPolygon copy;
    copy.Name = ring.Name;
    for (const auto& p : ring) copy.Add(p->X, p->Y, p->z);
    return copy;
}

// throws unless the selection is ascending 1-based station numbers without repeats
void CheckSelection(const std::vector<long>& selection, std::size_t stationCount) {
    long previous = 0;
    for (long s : selection) {
        if (s < 1 || s > static_cast<long>(stationCount))
            throw std::invalid_argument("station " + std::to_string(s) + " is not one of the scene's " +
                                        std::to_string(stationCount) + " stations");
        if (s <= previous)
            throw std::invalid_argument("the selection must name stations in ascending order without repeats (" +
                                        std::to_string(s) + " after " + std::to_string(previous) + ")");
        previous = s;
    }
}

// throws unless the scene carries a centre point for every pair of its stations
void CheckCenterPoints(const EngineScene& scene) {
    const std::size_t n = scene.Stations.size();
    const std::size_t need = n * (n - 1) / 2;
    if (scene.CenterPoints.size() < need)
        throw std::invalid_argument("the height-balance method needs " + std::to_string(need) + " centre points for " +
                                    std::to_string(n) + " stations, the scene carries " +
                                    std::to_string(scene.CenterPoints.size()));
}

}  // namespace

std::vector<cPoint> SiteCoordinates(const EngineScene& scene) {
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const cPoint& p : scene.Basin) {
        minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    const double tolerance = scene_rules::kSameSiteShare * std::max(maxX - minX, maxY - minY);
    std::vector<cPoint> sites = scene.Stations;
    // the earlier site a station takes: the first one nearer than the tolerance
    auto near = [&](std::size_t i, std::size_t s) {
        return std::hypot(sites[i].X - sites[s].X, sites[i].Y - sites[s].Y) < tolerance;
    };
    // Sites of their own are kept in square cells of the tolerance's size: a nearer site lies in
    // a neighbouring cell (two cells around, so that rounding of the cell numbers cannot miss
    // it). Coordinates too large for cell numbers take the plain search over all sites.
    const double kLargestCell = 1e15;
    bool cells = tolerance > 0 && std::isfinite(tolerance);
    for (const cPoint& p : sites) {
        cells = cells && std::fabs(p.X / tolerance) < kLargestCell && std::fabs(p.Y / tolerance) < kLargestCell;
    }
    std::vector<std::size_t> firsts;  // stations that are sites of their own
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> cell;
    auto key = [](std::int64_t cx, std::int64_t cy) {
        return static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(cy);
    };
    for (std::size_t i = 0; i < sites.size(); ++i) {
        std::size_t shared = sites.size();
        if (cells) {
            const auto cx = static_cast<std::int64_t>(std::floor(sites[i].X / tolerance));
            const auto cy = static_cast<std::int64_t>(std::floor(sites[i].Y / tolerance));
            for (std::int64_t dx = -2; dx <= 2; ++dx) {
                for (std::int64_t dy = -2; dy <= 2; ++dy) {
                    const auto found = cell.find(key(cx + dx, cy + dy));
                    if (found == cell.end()) continue;
                    for (const std::size_t s : found->second) {
                        if (s < shared && near(i, s)) shared = s;
                    }
                }
            }
            if (shared == sites.size()) cell[key(cx, cy)].push_back(i);
        } else {
            for (const std::size_t s : firsts) {
                if (near(i, s)) {
                    shared = s;
                    break;
                }
            }
            if (shared == sites.size()) firsts.push_back(i);
        }
        if (shared < sites.size()) {
            sites[i].X = sites[shared].X;
            sites[i].Y = sites[shared].Y;
        }
    }
    return sites;
}

namespace {

// the selection as the check's message names it: "1,3,5-8", or "none"
std::string SelectionName(const std::vector<long>& selection) {
    const std::string text = StationListText(selection);
    return text.empty() ? "none" : text;
}

// what is wrong with the weights of the whole basin (subbasin 0) or of sub-basin s (1-based), if anything
std::string WeightsFault(const Construction& result, std::size_t subbasin) {
    const std::string where = subbasin ? " in sub-basin " + std::to_string(subbasin) : "";
    double sum = 0.0;
    for (const StationPart& part : result.Stations) {
        const double weight = subbasin ? part.Subbasins[subbasin - 1].Weight : part.Weight;
        if (!std::isfinite(weight) || weight < -kWeightTolerance || weight > 1.0 + kWeightTolerance)
            return "station " + std::to_string(part.Station) + " got the weight " + std::to_string(weight) + where;
        sum += weight;
    }
    if (std::abs(sum - 1.0) <= kWeightTolerance) return {};
    char text[64];
    std::snprintf(text, sizeof text, "the weights add up to %.12g, not 1", sum);
    return text + where;
}

// throws InternalInconsistency unless every weight is finite and within [0, 1] and they add
// up to 1, in the whole basin and in every sub-basin
void CheckWeights(const Construction& result, const std::vector<long>& selection) {
    if (result.Stations.empty()) return;
    std::string fault;
    for (std::size_t s = 0; s <= result.Stations.front().Subbasins.size() && fault.empty(); ++s)
        fault = WeightsFault(result, s);
    if (fault.empty()) return;
    throw InternalInconsistency(std::string("internal inconsistency: the ") +
                                (result.Used == Method::Thiessen ? "Thiessen" : "height-balance") +
                                " construction of stations " + SelectionName(selection) + " failed its check (" +
                                fault + "); no weights are given");
}

// the table's triangles: circumcentre, then the corners
std::vector<NetworkTriangle> Triangles(const Array2<PointRef>& tri, long T) {
    std::vector<NetworkTriangle> triangles;
    triangles.reserve(static_cast<std::size_t>(T));
    for (long t = 1; t <= T; ++t) {
        NetworkTriangle triangle;
        triangle.Circumcentre = *tri(0, t);
        for (long r = 1; r <= 3; ++r) triangle.Corners[static_cast<std::size_t>(r - 1)] = *tri(r, t);
        triangles.push_back(triangle);
    }
    return triangles;
}

// the station rings of one method, the selection's points given
struct Rings {
    PolygonArray polygons;
    Array2<PointRef> tri;
    Array2<PointRef> hbTri;
    long T = 0;
};

Rings ThiessenRings(const PointArray& stationPts, const PointArray& frame) {
    Rings rings;
    const long n = stationPts.Count();
    rings.polygons.ReDim(1, n);
    if (n >= 3) {
        // the table without far hull triangles, as shown; the rings are built from the whole
        // network, which leaves out the same triangles itself
        Array2<PointRef> whole;
        if (BuildTriangleNetwork(stationPts, whole) > 0) {
            rings.tri = whole;
            PointArray outer;
            rings.T = DropFarHullTriangles(rings.tri, frame, outer);
        }
        BuildThiessenPolygons(rings.polygons, stationPts, whole, frame);
    } else if (n == 2) {
        ThiessenTwoStations(rings.polygons, stationPts, frame);
    } else if (n == 1) {
        rings.polygons(1) = std::make_shared<cPolygon>(FrameRing(frame));
    }
    return rings;
}

// The station triangle network height-balance builds on. A hull triangle of three gauges almost
// in a row along the hull (circumcentre more than kFarCentre frame extents away: a gauge a hair
// inside the line of its two neighbours, as a row surveyed to the centimetre has) is left out
// where its third corner lies inside the network: that gauge then lies on the hull, as it would
// a hair farther out, and gets its own line of each of its two hull edges, instead of a sliver
// whose centre points fold over each other along the hull. Triangles whose taking out would
// pinch the network (a third corner on the hull already) stay. Sites almost on one line, where
// every triangle's circumcentre lies far beyond the frame (each goes when far hull triangles are
// taken out), get no triangle: their rings are the strips of sites on one line, as when they lie
// on it exactly. Boundary lines along the sides of so thin a network would part the gauges by
// rounding alone.
long HeightBalanceNetwork(const PointArray& stationPts, const PointArray& frame, Array2<PointRef>& tri) {
    const long T = BuildTriangleNetwork(stationPts, tri);
    if (T == 0) return 0;
    PointArray outer;
    std::vector<bool> kept;
    if (FarHullTriangles(tri, frame, outer, kept) == 0) {
        tri.ReDim(0, 3, 1, 1);
        return 0;
    }
    if (FarHullTrianglesKeepingOnePiece(tri, frame, kept) == T) return T;
    return DropTriangles(tri, kept);
}

Rings HeightBalanceRings(const PointArray& stationPts, const PointArray& frame, const CenterPointTable& centres) {
    Rings rings;
    const long n = stationPts.Count();
    rings.polygons.ReDim(1, n);
    if (n >= 3) {
        rings.T = HeightBalanceNetwork(stationPts, frame, rings.tri);
        rings.hbTri.ReDim(0, 3, 1, rings.T);
        if (rings.T > 0) BuildCenterPointNetwork(rings.tri, centres, rings.hbTri);
        BuildHeightBalancePolygons(rings.polygons, stationPts, rings.tri, rings.hbTri, frame, centres);
    } else if (n == 2) {
        HeightBalanceTwoStations(rings.polygons, stationPts, frame, centres);
    } else if (n == 1) {
        rings.polygons(1) = std::make_shared<cPolygon>(FrameRing(frame));
    }
    return rings;
}

// the pieces of a ring cut by one prepared ring
void CutInto(std::vector<cPolygon>& out, double& area, const PreparedRing& cell, const PreparedRing& ring) {
    PolygonArray pieces;
    const long m = CutRings(pieces, cell, ring);
    for (long k = 1; k <= m; ++k) {
        out.push_back(pieces(k) ? CopyRing(*pieces(k)) : cPolygon{});
        area += PolygonArea(out.back());
    }
}

// a station ring's share of every sub-basin its box meets
std::vector<SubbasinShare> SubbasinShares(const cPolygon& ring, const std::vector<PreparedRegion>& subbasins) {
    std::vector<SubbasinShare> shares(subbasins.size());
    if (ring.Count() < 3) return shares;
    PreparedRing cell;
    cell.Points = RingToArray(ring);
    for (const auto& p : cell.Points) cell.Bounds.Add(*p);
    for (std::size_t s = 0; s < subbasins.size(); ++s) {
        if (!subbasins[s].Bounds.Meets(cell.Bounds)) continue;
        SubbasinShare& share = shares[s];
        double pieces = 0.0, holes = 0.0;
        for (const PreparedPart& part : subbasins[s].Parts) {
            if (!part.Shell.Bounds.Meets(cell.Bounds)) continue;
            CutInto(share.Pieces, pieces, cell, part.Shell);
            for (const PreparedRing& hole : part.Holes) CutInto(share.Holes, holes, cell, hole);
        }
        share.Area = pieces - holes;
    }
    return shares;
}

// each station's ring cut by the basin, its area (shared equally by gauges at one place) and weight
void ClipAndWeigh(Construction& result, const PolygonArray& polygons, const PointArray& stationPts,
                  const EngineScene& scene) {
    cPolygon basin;
    for (const cPoint& p : scene.Basin) basin.Add(p.X, p.Y, p.z);
    const PointArray basinPts = RingToArray(basin);

    std::map<std::pair<double, double>, long> atSite;
    for (const auto& p : stationPts) ++atSite[{p->X, p->Y}];

    std::vector<PreparedRegion> subbasins;
    subbasins.reserve(scene.Subbasins.size());
    for (const LocalSubbasin& subbasin : scene.Subbasins) subbasins.push_back(PrepareRegion(subbasin.Parts));

    // the rings as they stand before any of them is cut
    for (long i = 1; i <= polygons.UBound(); ++i)
        if (polygons(i)) result.Stations[static_cast<std::size_t>(i - 1)].Ring = CopyRing(*polygons(i));

    for (long i = 1; i <= polygons.UBound(); ++i) {
        StationPart& part = result.Stations[static_cast<std::size_t>(i - 1)];
        const PolygonRef& ring = polygons(i);
        PolygonArray pieces;
        long m = 0;
        // a station left without a ring (fewer than three vertices) controls nothing
        if (ring && ring->Count() >= 3) m = ClipPolygons(pieces, RingToArray(*ring), basinPts);
        double area = 0.0;
        part.Pieces.reserve(static_cast<std::size_t>(m));
        for (long k = 1; k <= m; ++k) {
            part.Pieces.push_back(pieces(k) ? CopyRing(*pieces(k)) : cPolygon{});
            area += PolygonArea(part.Pieces.back());
        }
        const auto sharing = static_cast<double>(atSite[{stationPts(i)->X, stationPts(i)->Y}]);
        if (!subbasins.empty()) {
            part.Subbasins = SubbasinShares(ring && ring->Count() >= 3 ? *ring : cPolygon{}, subbasins);
            area = 0.0;
            for (std::size_t s = 0; s < subbasins.size(); ++s) {
                SubbasinShare& share = part.Subbasins[s];
                area += share.Area;
                share.Area /= sharing;
                share.Weight = share.Area / scene.Subbasins[s].Area;
            }
        }
        part.Area = area / sharing;
        part.Weight = part.Area / scene.BasinArea;
    }
}

}  // namespace

Construction BuildConstruction(Method method, const EngineScene& scene, const std::vector<long>& selection) {
    CheckSelection(selection, scene.Stations.size());
    const long n = static_cast<long>(selection.size());
    if (method == Method::HeightBalance && n >= 2) CheckCenterPoints(scene);

    const std::vector<cPoint> sites = SiteCoordinates(scene);
    PointArray stationPts(1, n);
    for (long k = 1; k <= n; ++k) {
        const cPoint& p = sites[static_cast<std::size_t>(selection[static_cast<std::size_t>(k - 1)] - 1)];
        stationPts(k) = NewPoint(p.X, p.Y, p.z);
    }
    const PointArray frame = MakeFrame(NewPoints(scene.Basin), stationPts);

    Construction result;
    result.Used = method;
    for (std::size_t k = 0; k < 4; ++k) result.Frame[k] = *frame(static_cast<long>(k + 1));
    result.Stations.resize(selection.size());
    for (std::size_t k = 0; k < selection.size(); ++k) result.Stations[k].Station = selection[k];
    if (n == 0) return result;

    Rings rings;
    if (method == Method::Thiessen) {
        rings = ThiessenRings(stationPts, frame);
    } else {
        // the centre points are found in the scene's own list, never copied
        rings = HeightBalanceRings(stationPts, frame, CenterPointTable(sites, scene.CenterPoints));
        for (long t = 1; t <= rings.T; ++t) {
            std::array<cPoint, 3> centres;
            for (long r = 1; r <= 3; ++r) centres[static_cast<std::size_t>(r - 1)] = *rings.hbTri(r, t);
            result.CenterNetwork.push_back(centres);
        }
    }
    result.Triangles = Triangles(rings.tri, rings.T);
    ClipAndWeigh(result, rings.polygons, stationPts, scene);
    CheckWeights(result, selection);
    return result;
}

}  // namespace kelvarin
