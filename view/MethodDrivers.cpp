// The two method drivers of the map window: one animated Thiessen or height-balance
// analysis of the selected stations, ring by ring, with every station's area and weight.

#include <map>
#include <utility>

#include "geometry/modGISTools.hpp"
#include "heightbalance/TriangleNetwork.hpp"
#include "heightbalance/modHeightBalance.hpp"
#include "model/modGraphicBasic.hpp"
#include "thiessen/modThiessen.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

// Every frame around basin and stations is this much larger than their extent.
constexpr double kFrameFactor = 1.05;

// the frame: enclosing rectangle of the basin vertices followed by the station points
PointArray MakeFrame(const PointArray& basinPts, const PointArray& stationPts) {
    PointArray joined;
    for (const auto& p : basinPts) joined.Append(p);
    for (const auto& p : stationPts) joined.Append(p);
    PointArray frame;
    EnclosingRectangle(joined, frame, kFrameFactor);
    return frame;
}

// a new ring with the four frame corners
cPolygon FrameRing(const PointArray& frame) {
    cPolygon ring;
    for (long k = 1; k <= 4; ++k) ring.Add(frame(k)->X, frame(k)->Y, frame(k)->z);
    return ring;
}

}  // namespace

std::vector<StationRef> picGIS::Selection() const {
    std::vector<StationRef> selection;
    for (const auto& entry : Stations)
        if (entry->pSelect) selection.push_back(entry);
    return selection;
}

bool picGIS::Show(const cPolygon& ring, ColorRef color) {
    DrawRing(surface_, ring, color);
    surface_.Refresh();
    return IsExitAll();
}

bool picGIS::ShowTriangles(const Array2<PointRef>& tri, long T) {
    cLayer& triangles = *lyrLayer(LayerIndex::TriangleNetwork);
    for (long t = 1; t <= T; ++t) {
        const PolygonRef ring = triangles.Polygon().Add(nullptr);
        for (long r = 1; r <= 3; ++r) ring->AddPoint(*tri(r, t));
        if (Show(*ring, triangles.Color)) return true;
    }
    return false;
}

bool picGIS::ShowStationSegment(const PointArray& stationPts) {
    cLayer& triangles = *lyrLayer(LayerIndex::TriangleNetwork);
    const PolygonRef segment = triangles.Polygon().Add(nullptr);
    segment->AddPoint(*stationPts(1));
    segment->AddPoint(*stationPts(2));
    return Show(*segment, triangles.Color);
}

bool picGIS::ShowFrameRing(const PointArray& frame, PolygonArray& polygons) {
    cLayer& network = *lyrLayer(LayerIndex::PolygonNetwork);
    polygons(1) = std::make_shared<cPolygon>(FrameRing(frame));
    const PolygonRef ring = network.Polygon().Add(FrameRing(frame));
    return Show(*ring, network.Color);
}

bool picGIS::ShowPolygonNetwork(const PolygonArray& polygons) {
    cLayer& network = *lyrLayer(LayerIndex::PolygonNetwork);
    for (const PolygonRef& polygon : polygons) {
        const PolygonRef ring = network.Polygon().Add(polygon.get());
        if (Show(*ring, network.Color)) return true;
    }
    return false;
}

bool picGIS::ClipAndWeigh(const Array1<PolygonRef>& polygons, const std::vector<StationRef>& selection) {
    const cPolygon& basin = *lyrLayer(LayerIndex::Basin)->Polygon().Item(1);
    const PointArray basinPts = RingToArray(basin);
    const double basinArea = PolygonArea(basin);
    cLayer& intersection = *lyrLayer(LayerIndex::Intersection);

    // gauges at one position share their common ring: each gets an equal part of it
    std::map<std::pair<double, double>, long> atSite;
    for (const auto& entry : selection) ++atSite[{entry->GageStation->Point->X, entry->GageStation->Point->Y}];

    const long n = static_cast<long>(selection.size());
    for (long i = 1; i <= n; ++i) {
        const PolygonRef& ring = polygons(i);
        PolygonArray pieces;
        long m = 0;
        // a station left without a ring (fewer than three vertices) controls nothing
        if (ring && ring->Count() >= 3) m = ClipPolygons(pieces, RingToArray(*ring), basinPts);
        IntersectColor = intersection.Color;
        const PolygonSetRef parts = intersection.MutiPolygon().Add(nullptr);
        double area = 0.0;
        for (long k = 1; k <= m; ++k) {
            const cPolygon empty;
            const PolygonRef& piece = pieces(k);
            const PolygonRef added = parts->Add(piece ? *piece : empty);
            if (Show(*added, IntersectColor)) return false;
            area += PolygonArea(*added);
        }
        cGagingStation& station = *selection[static_cast<std::size_t>(i - 1)]->GageStation;
        station.Area = area / static_cast<double>(atSite[{station.Point->X, station.Point->Y}]);
        station.Weight = *station.Area / basinArea;
    }
    return true;
}

std::optional<long> picGIS::AutoThiessen() {
    const PointArray basinPts = RingToArray(*lyrLayer(LayerIndex::Basin)->Polygon().Item(1));
    const std::vector<StationRef> selection = Selection();
    const long n = static_cast<long>(selection.size());
    if (n == 0) return 0L;

    const bool saved = surface_.AutoRedraw();
    surface_.SetAutoRedraw(true);

    PointArray stationPts(1, n);
    for (long k = 1; k <= n; ++k) stationPts(k) = selection[static_cast<std::size_t>(k - 1)]->GageStation->Point;
    const PointArray frame = MakeFrame(basinPts, stationPts);

    lyrLayer(LayerIndex::PolygonNetwork)->Name = "徐昇多邊形網";
    PolygonArray polygons(1, n);

    if (n >= 3) {
        Array2<PointRef> tri;
        const long T = BuildTriangleNetwork(stationPts, tri);
        if (ShowTriangles(tri, T)) return std::nullopt;
        BuildThiessenPolygons(polygons, stationPts, tri, frame);
        if (ShowPolygonNetwork(polygons)) return std::nullopt;
    } else if (n == 1) {
        if (ShowFrameRing(frame, polygons)) return std::nullopt;
    } else {
        if (ShowStationSegment(stationPts)) return std::nullopt;
        ThiessenTwoStations(polygons, stationPts, frame);
        if (ShowPolygonNetwork(polygons)) return std::nullopt;
    }

    if (!ClipAndWeigh(polygons, selection)) return std::nullopt;
    surface_.SetAutoRedraw(saved);
    return n;
}

std::optional<long> picGIS::AutoHeightBalance() {
    const PointArray basinPts = RingToArray(*lyrLayer(LayerIndex::Basin)->Polygon().Item(1));
    const std::vector<StationRef> selection = Selection();
    PointArray allPts(Stations.LBound(), Stations.UBound());
    for (long s = Stations.LBound(); s <= Stations.UBound(); ++s) allPts(s) = Stations(s)->GageStation->Point;
    const long n = static_cast<long>(selection.size());
    if (n == 0) return 0L;

    const bool saved = surface_.AutoRedraw();
    surface_.SetAutoRedraw(true);

    PointArray selPts(1, n);
    for (long k = 1; k <= n; ++k) selPts(k) = selection[static_cast<std::size_t>(k - 1)]->GageStation->Point;
    const PointArray frame = MakeFrame(basinPts, selPts);

    cLayer& centres = *lyrLayer(LayerIndex::CenterPointNetwork);
    PolygonArray polygons(1, n);

    if (n >= 3) {
        Array2<PointRef> tri;
        const long T = BuildTriangleNetwork(selPts, tri);
        if (ShowTriangles(tri, T)) return std::nullopt;
        Array2<PointRef> hbTri(0, 3, 1, T);
        if (T > 0) BuildCenterPointNetwork(tri, allPts, CenterPoints, hbTri);
        for (long t = 1; t <= T; ++t) {
            const PolygonRef ring = centres.Polygon().Add(nullptr);
            for (long r = 1; r <= 3; ++r) ring->AddPoint(*hbTri(r, t));
            centres.DrawLayerPolygon(centres.Polygon().Count(), surface_);
            surface_.Refresh();
            if (IsExitAll()) return std::nullopt;
        }
        BuildHeightBalancePolygons(polygons, selPts, tri, hbTri, frame, allPts, CenterPoints);
        lyrLayer(LayerIndex::PolygonNetwork)->Name = "高度平衡多邊形網";
        if (ShowPolygonNetwork(polygons)) return std::nullopt;
    } else if (n == 1) {
        if (ShowFrameRing(frame, polygons)) return std::nullopt;
    } else {
        if (ShowStationSegment(selPts)) return std::nullopt;
        HeightBalanceTwoStations(polygons, selPts, frame, allPts, CenterPoints);
        if (ShowPolygonNetwork(polygons)) return std::nullopt;
    }

    if (!ClipAndWeigh(polygons, selection)) return std::nullopt;
    surface_.SetAutoRedraw(saved);
    return n;
}

}  // namespace kelvarin
