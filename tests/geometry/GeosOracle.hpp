#pragma once
// An independent judge of ring intersections: GEOS computes A ∩ B, and every piece
// that ClipPolygons returns is checked against it (simple, no repeated vertex, no
// sliver, areas adding up, and covering the same region).

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/RingOverlay.hpp"
#include "geometry/modGISTools.hpp"

namespace kelvarin::testing {

class GeosOracle {
  public:
    struct Deleter {
        GEOSContextHandle_t context;
        void operator()(GEOSGeometry* g) const {
            if (g) GEOSGeom_destroy_r(context, g);
        }
    };
    using Geometry = std::unique_ptr<GEOSGeometry, Deleter>;

    GeosOracle() : context_(GEOS_init_r()) {
        GEOSContext_setErrorMessageHandler_r(context_, &GeosOracle::OnError, nullptr);
    }
    ~GeosOracle() { GEOS_finish_r(context_); }
    GeosOracle(const GeosOracle&) = delete;
    GeosOracle& operator=(const GeosOracle&) = delete;

    // a polygon from a ring stored open (any lower bound)
    Geometry Polygon(const std::vector<cPoint>& ring) const {
        const auto n = static_cast<unsigned>(ring.size());
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(context_, n + 1, 2);
        for (unsigned i = 0; i <= n; ++i) {
            const cPoint& p = ring[i % n];
            GEOSCoordSeq_setXY_r(context_, seq, i, p.X, p.Y);
        }
        GEOSGeometry* shell = GEOSGeom_createLinearRing_r(context_, seq);
        if (!shell) throw std::runtime_error("GEOS refused a ring of " + std::to_string(n) + " vertices");
        return Make(GEOSGeom_createPolygon_r(context_, shell, nullptr, 0));
    }
    Geometry Polygon(const PointArray& ring) const { return Polygon(Points(ring)); }
    Geometry Polygon(const cPolygon& ring) const { return Polygon(Points(RingToArray(ring))); }

    double Area(const GEOSGeometry* g) const {
        double area = 0.0;
        if (!GEOSArea_r(context_, g, &area)) throw std::runtime_error("GEOS area failed");
        return area;
    }
    bool IsValid(const GEOSGeometry* g) const { return GEOSisValid_r(context_, g) == 1; }
    std::string WhyInvalid(const GEOSGeometry* g) const {
        char* reason = GEOSisValidReason_r(context_, g);
        std::string text = reason ? reason : "";
        GEOSFree_r(context_, reason);
        return text;
    }
    Geometry Intersection(const GEOSGeometry* a, const GEOSGeometry* b) const {
        return Make(GEOSIntersection_r(context_, a, b));
    }
    Geometry SymDifference(const GEOSGeometry* a, const GEOSGeometry* b) const {
        return Make(GEOSSymDifference_r(context_, a, b));
    }
    // the union of several polygons
    Geometry Union(std::vector<Geometry> parts) const {
        std::vector<GEOSGeometry*> raw;
        for (auto& p : parts) raw.push_back(p.release());
        GEOSGeometry* collection = GEOSGeom_createCollection_r(context_, GEOS_GEOMETRYCOLLECTION, raw.data(),
                                                               static_cast<unsigned>(raw.size()));
        Geometry owned = Make(collection);
        return Make(GEOSUnaryUnion_r(context_, owned.get()));
    }

    // the Voronoi cells of the sites, together covering at least the envelope of `extent`;
    // cell k is the one that holds site k
    std::vector<Geometry> VoronoiCells(const std::vector<cPoint>& sites, const GEOSGeometry* extent) const {
        std::vector<GEOSGeometry*> points;
        for (const cPoint& p : sites) points.push_back(GEOSGeom_createPointFromXY_r(context_, p.X, p.Y));
        const Geometry all = Make(GEOSGeom_createCollection_r(context_, GEOS_MULTIPOINT, points.data(),
                                                              static_cast<unsigned>(points.size())));
        const Geometry diagram = Make(GEOSVoronoiDiagram_r(context_, all.get(), extent, 0.0, 0));
        std::vector<Geometry> cells(sites.size());
        for (int i = 0; i < GEOSGetNumGeometries_r(context_, diagram.get()); ++i) {
            const GEOSGeometry* cell = GEOSGetGeometryN_r(context_, diagram.get(), i);
            for (std::size_t k = 0; k < sites.size(); ++k) {
                const Geometry site = Make(GEOSGeom_createPointFromXY_r(context_, sites[k].X, sites[k].Y));
                if (!cells[k] && GEOSContains_r(context_, cell, site.get()) == 1)
                    cells[k] = Make(GEOSGeom_clone_r(context_, cell));
            }
        }
        for (std::size_t k = 0; k < sites.size(); ++k)
            if (!cells[k]) throw std::runtime_error("GEOS gave site " + std::to_string(k + 1) + " no Voronoi cell");
        return cells;
    }

    static std::vector<cPoint> Points(const PointArray& ring) {
        std::vector<cPoint> points;
        for (const auto& p : ring) points.push_back(*p);
        return points;
    }

    // empty when the pieces are the intersection of A and B, otherwise what is wrong
    // nearVertices: also reject neighbouring vertices that IsSamePoint takes for one (only
    // fair when the true intersection has no features that small)
    std::string Judge(const PointArray& A, const PointArray& B, const PolygonArray& pieces, long count,
                      bool nearVertices = true) const {
        std::ostringstream fault;
        const auto a = Polygon(A);
        const auto b = Polygon(B);
        const double tolerance = 1e-9 * std::max(Area(a.get()), Area(b.get()));
        const auto common = Intersection(a.get(), b.get());
        const double expected = Area(common.get());

        std::vector<Geometry> parts;
        double sum = 0.0;
        for (long i = 1; i <= count; ++i) {
            const cPolygon& piece = *pieces(i);
            const long n = piece.Count();
            if (n < 3) {
                fault << "piece " << i << " has " << n << " vertices; ";
                continue;
            }
            for (long v = 1; v <= n; ++v) {
                const cPoint& p = *piece(v);
                const cPoint& q = *piece(v % n + 1);
                if (IsSamePoint(p, q, !nearVertices)) fault << "piece " << i << " repeats vertex " << v << "; ";
                if (!nearVertices && std::hypot(p.X - q.X, p.Y - q.Y) <= MeetingTolerance(A, B))
                    fault << "piece " << i << " has a zero-length edge after vertex " << v << "; ";
            }
            auto g = Polygon(piece);
            if (!IsValid(g.get())) fault << "piece " << i << " is not simple (" << WhyInvalid(g.get()) << "); ";
            // a tiny piece is fine when it is a tiny part of the intersection, spurious otherwise
            const double area = Area(g.get());
            if (area == 0.0 || (area <= tolerance && Area(Intersection(g.get(), common.get()).get()) < area / 2))
                fault << "piece " << i << " is a spurious sliver of area " << area << "; ";
            sum += area;
            parts.push_back(std::move(g));
        }
        bool intersectionTrusted = true;
        if (std::fabs(sum - expected) > tolerance) {
            // GEOS sometimes loses the intersection of rings whose edges almost coincide; its
            // union then still gives the area as area(A) + area(B) - area(A ∪ B)
            std::vector<Geometry> both;
            both.push_back(Polygon(A));
            both.push_back(Polygon(B));
            const double identity = Area(a.get()) + Area(b.get()) - Area(Union(std::move(both)).get());
            if (std::fabs(sum - identity) > tolerance) {
                fault << "pieces add up to " << sum << " but the intersection has area " << expected << "; ";
            } else {
                intersectionTrusted = false;
                ++geosDisagreements_;
            }
        }
        if (fault.str().empty() && !parts.empty() && intersectionTrusted) {
            const auto together = Union(std::move(parts));
            const double apart = Area(SymDifference(together.get(), common.get()).get());
            if (apart > tolerance) fault << "pieces and intersection differ by area " << apart << "; ";
        }
        return fault.str();
    }

    // cases where GEOS's intersection disagreed with its own union and the union was believed
    long GeosDisagreements() const { return geosDisagreements_; }

  private:
    Geometry Make(GEOSGeometry* g) const {
        if (!g) throw std::runtime_error("GEOS operation failed: " + lastError_);
        return Geometry(g, Deleter{context_});
    }
    static void OnError(const char* message, void*) { lastError_ = message ? message : ""; }

    GEOSContextHandle_t context_;
    mutable long geosDisagreements_ = 0;
    static inline thread_local std::string lastError_;
};

}  // namespace kelvarin::testing
