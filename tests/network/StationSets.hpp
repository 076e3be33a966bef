#pragma once
// Station sets and independent measures for the station-network tests: random sets in
// general position, grids full of co-circular ties, and GEOS as the oracle for areas,
// unions and Voronoi cells.

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "model/BoundedArray.hpp"
#include "model/cPoint.hpp"
#include "model/cPolygon.hpp"
#include "tests/engine/HalfPlaneCells.hpp"

namespace kelvarin::testing {

// stations 1..n from coordinates
inline PointArray Stations(const std::vector<cPoint>& pts) {
    PointArray a(1, static_cast<long>(pts.size()));
    for (long i = 1; i <= a.UBound(); ++i) a(i) = NewPoint(pts[i - 1].X, pts[i - 1].Y, pts[i - 1].z);
    return a;
}

// n stations uniformly in a 1000 x 700 box away from the origin, elevations 0..500
inline PointArray RandomStations(std::mt19937& rng, long n) {
    std::uniform_real_distribution<double> x(2000, 3000), y(-500, 200), z(0, 500);
    std::vector<cPoint> pts;
    for (long i = 0; i < n; ++i) pts.push_back(cPoint{x(rng), y(rng), z(rng)});
    return Stations(pts);
}

// n distinct stations on a regular grid of spacing `step` (ties everywhere), shuffled
inline PointArray GridStations(std::mt19937& rng, long n, double step) {
    const long side = static_cast<long>(std::ceil(std::sqrt(static_cast<double>(n)))) + 1;
    std::vector<cPoint> all;
    for (long i = 0; i < side; ++i)
        for (long j = 0; j < side; ++j) all.push_back(cPoint{100 + i * step, 50 + j * step, double(i + j)});
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(static_cast<std::size_t>(n));
    return Stations(all);
}

// the frame of the stations: their enclosing rectangle enlarged by the frame factor
inline PointArray FrameOf(const PointArray& stations) {
    PointArray frame;
    EnclosingRectangle(stations, frame, kFrameFactor);
    return frame;
}

// One GEOS context for the test program.
class Geos {
  public:
    Geos() : ctx_(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(ctx_); }
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    GEOSContextHandle_t ctx() const { return ctx_; }

    // owned geometry
    struct Deleter {
        GEOSContextHandle_t ctx;
        void operator()(GEOSGeometry* g) const {
            if (g) GEOSGeom_destroy_r(ctx, g);
        }
    };
    using Geom = std::unique_ptr<GEOSGeometry, Deleter>;
    Geom Own(GEOSGeometry* g) const { return Geom(g, Deleter{ctx_}); }

    // polygon from ring vertices (closed here); empty polygon for fewer than 3 vertices
    Geom Polygon(const std::vector<cPoint>& ring) const {
        if (ring.size() < 3) return Own(GEOSGeom_createEmptyPolygon_r(ctx_));
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx_, static_cast<unsigned>(ring.size() + 1), 2);
        for (std::size_t i = 0; i <= ring.size(); ++i) {
            const cPoint& P = ring[i % ring.size()];
            GEOSCoordSeq_setX_r(ctx_, seq, static_cast<unsigned>(i), P.X);
            GEOSCoordSeq_setY_r(ctx_, seq, static_cast<unsigned>(i), P.Y);
        }
        GEOSGeometry* shell = GEOSGeom_createLinearRing_r(ctx_, seq);
        return Own(GEOSGeom_createPolygon_r(ctx_, shell, nullptr, 0));
    }
    Geom Polygon(const cPolygon& ring) const { return Polygon(Vertices(ring)); }
    Geom Polygon(const PointArray& pts) const {
        std::vector<cPoint> v;
        for (const PointRef& P : pts) v.push_back(*P);
        return Polygon(v);
    }

    Geom MultiPoint(const PointArray& pts) const {
        std::vector<GEOSGeometry*> parts;
        for (const PointRef& P : pts) parts.push_back(GEOSGeom_createPointFromXY_r(ctx_, P->X, P->Y));
        return Own(
            GEOSGeom_createCollection_r(ctx_, GEOS_MULTIPOINT, parts.data(), static_cast<unsigned>(parts.size())));
    }

    // area; -1 for a geometry GEOS could not build
    double Area(const GEOSGeometry* g) const {
        double a = -1;
        if (g) GEOSArea_r(ctx_, g, &a);
        return a;
    }
    // common part; GEOS is asked again with the inputs made valid when it cannot overlay them
    Geom Intersection(const GEOSGeometry* a, const GEOSGeometry* b) const {
        Geom result = Own(GEOSIntersection_r(ctx_, a, b));
        if (!result) {
            Geom va = Own(GEOSMakeValid_r(ctx_, a));
            Geom vb = Own(GEOSMakeValid_r(ctx_, b));
            result = Own(GEOSIntersection_r(ctx_, va.get(), vb.get()));
        }
        return result;
    }
    // area of the union of the polygons
    double UnionArea(const std::vector<Geom>& polys) const {
        std::vector<GEOSGeometry*> parts;
        parts.reserve(polys.size());
        for (const Geom& g : polys) parts.push_back(GEOSGeom_clone_r(ctx_, g.get()));
        Geom all = Own(GEOSGeom_createCollection_r(ctx_, GEOS_GEOMETRYCOLLECTION, parts.data(),
                                                   static_cast<unsigned>(parts.size())));
        Geom u = Own(GEOSUnaryUnion_r(ctx_, all.get()));
        return Area(u.get());
    }
    double HullArea(const PointArray& pts) const {
        Geom mp = MultiPoint(pts);
        Geom hull = Own(GEOSConvexHull_r(ctx_, mp.get()));
        return Area(hull.get());
    }
    // the ring's boundary does not touch or cross itself
    bool IsValid(const cPolygon& ring) const {
        Geom g = Polygon(ring);
        return GEOSisValid_r(ctx_, g.get()) == 1;
    }
    // area of each station's Voronoi cell intersected with the frame (coincident stations
    // each get their site's cell)
    std::vector<double> VoronoiAreas(const PointArray& stations, const PointArray& frame) const {
        Geom sites = MultiPoint(stations);
        Geom box = Polygon(frame);
        Geom cells = Own(GEOSVoronoiDiagram_r(ctx_, sites.get(), box.get(), 0.0, 0));
        if (!cells) return std::vector<double>(static_cast<std::size_t>(stations.Count()), -1.0);
        std::vector<double> areas;
        const int nCells = GEOSGetNumGeometries_r(ctx_, cells.get());
        for (const PointRef& P : stations) {
            Geom pt = Own(GEOSGeom_createPointFromXY_r(ctx_, P->X, P->Y));
            double area = -1;
            for (int c = 0; c < nCells; ++c) {
                const GEOSGeometry* cell = GEOSGetGeometryN_r(ctx_, cells.get(), c);
                if (GEOSContains_r(ctx_, cell, pt.get()) == 1) {
                    area = Area(Intersection(cell, box.get()).get());
                    break;
                }
            }
            areas.push_back(area);
        }
        return areas;
    }

    // Area of each station's Voronoi cell within the frame: GEOS's diagram when its cells
    // tile the frame; otherwise (GEOS mis-builds some grids whose decimal coordinates tie
    // only up to rounding) each cell as the frame cut by every bisector half-plane.
    std::vector<double> CellAreas(const PointArray& stations, const PointArray& frame, bool* fromGeos = nullptr) const {
        std::vector<double> areas = VoronoiAreas(stations, frame);
        const double frameArea = Area(Polygon(frame).get());
        double sum = 0;
        bool complete = true;
        for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
            const double a = areas[static_cast<std::size_t>(i - stations.LBound())];
            complete = complete && a >= 0;
            bool first = true;  // coincident stations share one cell: count it once
            for (long j = stations.LBound(); j < i; ++j) {
                if (stations(j)->X == stations(i)->X && stations(j)->Y == stations(i)->Y) first = false;
            }
            if (first) sum += a;
        }
        const bool ok = complete && std::fabs(sum - frameArea) <= 1e-10 * frameArea;
        if (fromGeos) *fromGeos = ok;
        if (ok) return areas;
        for (long i = stations.LBound(); i <= stations.UBound(); ++i) {
            areas[static_cast<std::size_t>(i - stations.LBound())] = HalfPlaneCellArea(stations, i, frame);
        }
        return areas;
    }

    // the area of station i's cell: the frame cut by the bisector half-plane of every other site
    static double HalfPlaneCellArea(const PointArray& stations, long i, const PointArray& frame) {
        std::vector<cPoint> sites, box;
        for (const PointRef& P : stations) sites.push_back(*P);
        for (const PointRef& P : frame) box.push_back(*P);
        const std::vector<cPoint> cell =
            HalfPlaneCellInFrame(sites, static_cast<std::size_t>(i - stations.LBound()), box);
        if (cell.empty()) return 0.0;
        double twice = 0.0;  // taken about the first vertex, so that map coordinates keep their digits
        const cPoint& o = cell.front();
        for (std::size_t k = 0; k < cell.size(); ++k) {
            const cPoint& p = cell[k];
            const cPoint& q = cell[(k + 1) % cell.size()];
            twice += (p.X - o.X) * (q.Y - o.Y) - (q.X - o.X) * (p.Y - o.Y);
        }
        return std::fabs(twice) / 2.0;
    }

    static std::vector<cPoint> Vertices(const cPolygon& ring) {
        std::vector<cPoint> v;
        for (const PointRef& P : ring) v.push_back(*P);
        return v;
    }

  private:
    GEOSContextHandle_t ctx_;
};

// How well a set of polygons tiles the frame.
struct Tiling {
    double frameArea = 0;
    double sumArea = 0;    // sum of the polygons' areas
    double unionArea = 0;  // area of their union
    long invalid = 0;      // polygons whose boundary touches or crosses itself
    long selfCrossed = 0;  // polygons with two edges that are not neighbours meeting (FindEdgeMeeting)
    double outside = 0;    // area of the polygons outside the frame
    // overlaps and gaps, as fractions of the frame area
    double Overlap() const { return (sumArea - unionArea) / frameArea; }
    double Gap() const { return (frameArea - unionArea) / frameArea; }
};

}  // namespace kelvarin::testing
