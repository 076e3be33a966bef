#include "scene/SubbasinGeometry.hpp"

#include <cmath>

namespace kelvarin {

PreparedRing PrepareRing(const std::vector<cPoint>& ring) {
    PreparedRing prepared;
    prepared.Points.ReDim(1, static_cast<long>(ring.size()));
    for (std::size_t k = 0; k < ring.size(); ++k) {
        prepared.Points(static_cast<long>(k + 1)) = NewPoint(ring[k].X, ring[k].Y, ring[k].z);
        prepared.Bounds.Add(ring[k]);
    }
    prepared.Area = std::abs(TwiceSignedArea(ring)) / 2.0;
    return prepared;
}

PreparedRegion PrepareRegion(const std::vector<LocalPart>& parts) {
    PreparedRegion region;
    for (const LocalPart& part : parts) {
        PreparedPart& prepared = region.Parts.emplace_back();
        prepared.Shell = PrepareRing(part.Shell);
        region.Bounds.Add(prepared.Shell.Bounds);
        region.Area += prepared.Shell.Area;
        for (const std::vector<cPoint>& hole : part.Holes) {
            prepared.Holes.push_back(PrepareRing(hole));
            region.Area -= prepared.Holes.back().Area;
        }
    }
    return region;
}

long CutRings(PolygonArray& pieces, const PreparedRing& a, const PreparedRing& b) {
    if (!a.Bounds.Meets(b.Bounds)) return 0;
    return ClipPolygons(pieces, a.Points, b.Points);
}

double CommonArea(const PreparedRing& a, const PreparedRing& b) {
    PolygonArray pieces;
    const long count = CutRings(pieces, a, b);
    double area = 0.0;
    for (long k = 1; k <= count; ++k)
        if (pieces(k)) area += PolygonArea(*pieces(k));
    return area;
}

double CommonArea(const PreparedRegion& region, const PreparedRing& ring) {
    double area = 0.0;
    if (!region.Bounds.Meets(ring.Bounds)) return area;
    for (const PreparedPart& part : region.Parts) {
        if (!part.Shell.Bounds.Meets(ring.Bounds)) continue;
        area += CommonArea(part.Shell, ring);
        for (const PreparedRing& hole : part.Holes) area -= CommonArea(hole, ring);
    }
    return area;
}

double CommonArea(const PreparedRegion& a, const PreparedRegion& b) {
    double area = 0.0;
    if (!a.Bounds.Meets(b.Bounds)) return area;
    for (const PreparedPart& part : a.Parts) {
        if (!part.Shell.Bounds.Meets(b.Bounds)) continue;
        area += CommonArea(b, part.Shell);
        for (const PreparedRing& hole : part.Holes) area -= CommonArea(b, hole);
    }
    return area;
}

}  // namespace kelvarin
