// The two method drivers of the map window: one animated Thiessen or height-balance
// analysis of the selected stations. The engine builds the construction; the drivers
// show it ring by ring, with a repaint and an exit check after each ring, and store
// every station's area and weight as its pieces are shown.

#include "engine/Construction.hpp"
#include "geometry/modGISTools.hpp"
#include "model/modGraphicBasic.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

// layer 4's name while it holds each method's rings
constexpr const char* kThiessenNetworkName = "徐昇多邊形網";
constexpr const char* kHeightBalanceNetworkName = "高度平衡多邊形網";

// a ring of copies of the points
template <std::size_t N>
cPolygon RingOf(const std::array<cPoint, N>& points) {
    cPolygon ring;
    for (const cPoint& p : points) ring.AddPoint(p);
    return ring;
}

}  // namespace

std::vector<long> picGIS::SelectedStations() const {
    std::vector<long> selection;
    for (long i = Stations.LBound(); i <= Stations.UBound(); ++i)
        if (Stations(i)->pSelect) selection.push_back(i);
    return selection;
}

bool picGIS::Show(const cPolygon& ring, ColorRef color) {
    DrawRing(surface_, ring, color);
    surface_.Refresh();
    return IsExitAll();
}

bool picGIS::ShowTriangles(const Construction& construction) {
    cLayer& triangles = *lyrLayer(LayerIndex::TriangleNetwork);
    for (const NetworkTriangle& triangle : construction.Triangles) {
        const PolygonRef ring = triangles.Polygon().Add(RingOf(triangle.Corners));
        if (Show(*ring, triangles.Color)) return true;
    }
    return false;
}

bool picGIS::ShowCenterNetwork(const Construction& construction) {
    cLayer& centres = *lyrLayer(LayerIndex::CenterPointNetwork);
    for (const auto& corners : construction.CenterNetwork) {
        centres.Polygon().Add(RingOf(corners));
        centres.DrawLayerPolygon(centres.Polygon().Count(), surface_);
        surface_.Refresh();
        if (IsExitAll()) return true;
    }
    return false;
}

bool picGIS::ShowStationSegment(const Construction& construction) {
    cLayer& triangles = *lyrLayer(LayerIndex::TriangleNetwork);
    const PolygonRef segment = triangles.Polygon().Add(nullptr);
    for (const StationPart& part : construction.Stations)
        segment->AddPoint(*Stations(part.Station)->GageStation->Point);
    return Show(*segment, triangles.Color);
}

bool picGIS::ShowPolygonNetwork(const Construction& construction) {
    cLayer& network = *lyrLayer(LayerIndex::PolygonNetwork);
    for (const StationPart& part : construction.Stations) {
        const PolygonRef ring = network.Polygon().Add(part.Ring);
        if (Show(*ring, network.Color)) return true;
    }
    return false;
}

bool picGIS::ShowPiecesAndWeights(const Construction& construction) {
    cLayer& intersection = *lyrLayer(LayerIndex::Intersection);
    for (const StationPart& part : construction.Stations) {
        IntersectColor = intersection.Color;
        const PolygonSetRef parts = intersection.MutiPolygon().Add(nullptr);
        for (const cPolygon& piece : part.Pieces) {
            const PolygonRef added = parts->Add(piece);
            if (Show(*added, IntersectColor)) return false;
        }
        cGagingStation& station = *Stations(part.Station)->GageStation;
        station.Area = part.Area;
        station.Weight = part.Weight;
    }
    return true;
}

std::optional<long> picGIS::ShowConstruction(const Construction& construction) {
    const long n = static_cast<long>(construction.Stations.size());
    if (n == 0) return 0L;
    const bool saved = surface_.AutoRedraw();
    surface_.SetAutoRedraw(true);

    const bool heightBalance = construction.Used == Method::HeightBalance;
    if (!heightBalance) lyrLayer(LayerIndex::PolygonNetwork)->Name = kThiessenNetworkName;
    if (n >= 3) {
        if (ShowTriangles(construction)) return std::nullopt;
        if (heightBalance) {
            if (ShowCenterNetwork(construction)) return std::nullopt;
            lyrLayer(LayerIndex::PolygonNetwork)->Name = kHeightBalanceNetworkName;
        }
    } else if (n == 2) {
        if (ShowStationSegment(construction)) return std::nullopt;
    }
    if (ShowPolygonNetwork(construction)) return std::nullopt;
    if (!ShowPiecesAndWeights(construction)) return std::nullopt;

    surface_.SetAutoRedraw(saved);
    return n;
}

std::optional<long> picGIS::BuildAndShow(Method method) {
    const std::vector<long> selection = SelectedStations();
    if (selection.empty()) return 0L;
    std::optional<Construction> construction;
    try {
        construction = BuildConstruction(method, scene_->Local, selection);
    } catch (const InternalInconsistency& e) {
        failure_ = e.what();
        ReDrawBasin();
        surface_.Refresh();
        windowSystem_.Wait(windowSystem_.GetPacing().HoldSeconds);
        failure_.clear();
        return 0L;
    }
    return ShowConstruction(*construction);
}

std::optional<long> picGIS::AutoThiessen() { return BuildAndShow(Method::Thiessen); }

std::optional<long> picGIS::AutoHeightBalance() { return BuildAndShow(Method::HeightBalance); }

}  // namespace kelvarin
