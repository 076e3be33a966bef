#pragma once
// An independent judge of a gauge's share of each sub-basin: its Thiessen cell as the frame
// cut by the bisector half-plane of every other gauge (long double arithmetic), and that
// cell's area inside the sub-basin, a polygon with holes and parts, computed by GEOS.

#include <geos_c.h>

#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model/cPoint.hpp"
#include "scene/MapLocal.hpp"
#include "tests/engine/HalfPlaneCells.hpp"

namespace kelvarin::testing {

class SubbasinOracle {
  public:
    SubbasinOracle() : context_(GEOS_init_r()) {}
    ~SubbasinOracle() {
        for (GEOSGeometry* g : regions_) GEOSGeom_destroy_r(context_, g);
        if (union_) GEOSGeom_destroy_r(context_, union_);
        GEOS_finish_r(context_);
    }
    SubbasinOracle(const SubbasinOracle&) = delete;
    SubbasinOracle& operator=(const SubbasinOracle&) = delete;

    // holds every sub-basin as a GEOS multi-polygon, and their union
    void SetSubbasins(const std::vector<LocalSubbasin>& subbasins) {
        for (const LocalSubbasin& subbasin : subbasins) {
            std::vector<GEOSGeometry*> polygons;
            for (const LocalPart& part : subbasin.Parts) {
                std::vector<GEOSGeometry*> holes;
                for (const auto& hole : part.Holes) holes.push_back(Ring(hole));
                polygons.push_back(GEOSGeom_createPolygon_r(context_, Ring(part.Shell), holes.data(),
                                                            static_cast<unsigned>(holes.size())));
            }
            regions_.push_back(GEOSGeom_createCollection_r(context_, GEOS_MULTIPOLYGON, polygons.data(),
                                                           static_cast<unsigned>(polygons.size())));
            if (GEOSisValid_r(context_, regions_.back()) != 1)
                throw std::runtime_error("sub-basin " + std::to_string(regions_.size()) + " is no valid polygon");
        }
        std::vector<GEOSGeometry*> copies;
        for (GEOSGeometry* g : regions_) copies.push_back(GEOSGeom_clone_r(context_, g));
        GEOSGeometry* all = GEOSGeom_createCollection_r(context_, GEOS_GEOMETRYCOLLECTION, copies.data(),
                                                        static_cast<unsigned>(copies.size()));
        union_ = GEOSUnaryUnion_r(context_, all);
        GEOSGeom_destroy_r(context_, all);
    }

    double SubbasinArea(std::size_t s) const { return Area(regions_.at(s)); }
    double UnionArea() const { return Area(union_); }

    // the area of site i's Thiessen cell (within `frame`, a box around everything) inside
    // sub-basin s, or inside their union when s is the count of sub-basins
    double CellArea(const std::vector<cPoint>& sites, std::size_t i, std::size_t s,
                    const std::array<double, 4>& frame) const {
        const std::vector<cPoint> box = {
            {frame[0], frame[1], 0}, {frame[2], frame[1], 0}, {frame[2], frame[3], 0}, {frame[0], frame[3], 0}};
        GEOSGeometry* cell = Polygon(HalfPlaneCellInFrame(sites, i, box));
        GEOSGeometry* common = GEOSIntersection_r(context_, cell, s < regions_.size() ? regions_[s] : union_);
        const double area = Area(common);
        GEOSGeom_destroy_r(context_, common);
        GEOSGeom_destroy_r(context_, cell);
        return area;
    }

  private:
    GEOSGeometry* Ring(const std::vector<cPoint>& ring) const {
        const auto n = static_cast<unsigned>(ring.size());
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(context_, n + 1, 2);
        for (unsigned k = 0; k <= n; ++k) GEOSCoordSeq_setXY_r(context_, seq, k, ring[k % n].X, ring[k % n].Y);
        return GEOSGeom_createLinearRing_r(context_, seq);
    }
    GEOSGeometry* Polygon(const std::vector<cPoint>& ring) const {
        return GEOSGeom_createPolygon_r(context_, Ring(ring), nullptr, 0);
    }
    double Area(const GEOSGeometry* g) const {
        double area = 0.0;
        if (!GEOSArea_r(context_, g, &area)) throw std::runtime_error("GEOS area failed");
        return area;
    }

    GEOSContextHandle_t context_;
    std::vector<GEOSGeometry*> regions_;
    GEOSGeometry* union_ = nullptr;
};

}  // namespace kelvarin::testing
