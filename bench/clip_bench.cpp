// ClipPolygons against GEOS's intersection on the same rings: a 150-vertex basin at
// map coordinates cut by station-cell-sized rings of 10 to 1000 vertices.
//
// Run (from the repository root):
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build/bench --target clip_bench &&
//   build/bench/bin/clip_bench
//
// Each iteration clips the basin by every one of a fixed set of cells (some inside the
// basin, most across its boundary, a few outside). The "Touching" pair uses cells that
// share a run of the basin's vertices and edges. GEOS gets its geometries built
// beforehand, so its figures are the intersection alone; "GeosWithConversion" also counts
// turning the point arrays into GEOS geometries, as a caller holding rings would have to.

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/modGISTools.hpp"

namespace kelvarin {
namespace {

constexpr double kCentreX = 268000.0, kCentreY = 2652000.0;  // map coordinates, metres
constexpr double kBasinRadius = 20000.0;
constexpr double kCellRadius = 4000.0;
constexpr int kCells = 24;

// a concave basin-like ring: 150 vertices at even angles with a wandering radius
PointArray Basin() {
    std::mt19937_64 random(150);
    std::uniform_real_distribution<double> wobble(-0.08, 0.08);
    PointArray ring(1, 0);
    double radius = kBasinRadius;
    for (int i = 0; i < 150; ++i) {
        radius = std::clamp(radius * (1.0 + wobble(random)), 0.6 * kBasinRadius, 1.2 * kBasinRadius);
        const double angle = 2.0 * M_PI * i / 150.0;
        ring.Append(NewPoint(kCentreX + radius * std::cos(angle), kCentreY + radius * std::sin(angle)));
    }
    return ring;
}

// cells of n vertices (near-circles with a little noise) spread over and around the basin
std::vector<PointArray> Cells(int n) {
    std::mt19937_64 random(static_cast<unsigned long long>(n));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<PointArray> cells;
    for (int c = 0; c < kCells; ++c) {
        const double angle = 2.0 * M_PI * c / kCells;
        const double reach = kBasinRadius * (0.3 + 1.0 * unit(random));
        const double cx = kCentreX + reach * std::cos(angle), cy = kCentreY + reach * std::sin(angle);
        PointArray cell(1, 0);
        for (int i = 0; i < n; ++i) {
            const double a = 2.0 * M_PI * (i + 0.4 * unit(random)) / n;
            const double r = kCellRadius * (0.9 + 0.1 * unit(random));
            cell.Append(NewPoint(cx + r * std::cos(a), cy + r * std::sin(a)));
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

GEOSGeometry* ToGeos(GEOSContextHandle_t context, const PointArray& ring) {
    const auto n = static_cast<unsigned>(ring.Count());
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(context, n + 1, 2);
    for (unsigned i = 0; i <= n; ++i) {
        const cPoint& p = *ring(ring.LBound() + static_cast<long>(i % n));
        GEOSCoordSeq_setXY_r(context, seq, i, p.X, p.Y);
    }
    return GEOSGeom_createPolygon_r(context, GEOSGeom_createLinearRing_r(context, seq), nullptr, 0);
}

void ClipPolygonsBench(benchmark::State& state) {
    const auto basin = Basin();
    const auto cells = Cells(static_cast<int>(state.range(0)));
    long pieces = 0;
    for (auto _ : state) {
        for (const auto& cell : cells) {
            PolygonArray out;
            pieces += ClipPolygons(out, cell, basin);
            benchmark::DoNotOptimize(out);
        }
    }
    state.counters["pieces/iter"] = benchmark::Counter(static_cast<double>(pieces) / state.iterations());
}

void GeosBench(benchmark::State& state, bool convert) {
    GEOSContextHandle_t context = GEOS_init_r();
    const auto basin = Basin();
    const auto cells = Cells(static_cast<int>(state.range(0)));
    GEOSGeometry* geosBasin = ToGeos(context, basin);
    std::vector<GEOSGeometry*> geosCells;
    for (const auto& cell : cells) geosCells.push_back(ToGeos(context, cell));
    for (auto _ : state) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
            GEOSGeometry* a = convert ? ToGeos(context, cells[c]) : geosCells[c];
            GEOSGeometry* b = convert ? ToGeos(context, basin) : geosBasin;
            GEOSGeometry* common = GEOSIntersection_r(context, a, b);
            benchmark::DoNotOptimize(common);
            GEOSGeom_destroy_r(context, common);
            if (convert) {
                GEOSGeom_destroy_r(context, a);
                GEOSGeom_destroy_r(context, b);
            }
        }
    }
    for (GEOSGeometry* g : geosCells) GEOSGeom_destroy_r(context, g);
    GEOSGeom_destroy_r(context, geosBasin);
    GEOS_finish_r(context);
}

// cells along the basin boundary that share a run of the basin's vertices and edges (as a
// station cell built on the basin's own points would): the rings touch, so the clip cuts
// both boundaries where they meet
std::vector<PointArray> TouchingCells(const PointArray& basin, int n) {
    std::vector<PointArray> cells;
    const long m = basin.Count();
    for (int c = 0; c < kCells; ++c) {
        const long first = 1 + (c * m) / kCells;
        PointArray cell(1, 0);
        for (long k = 0; k < 6; ++k)
            cell.Append(NewPoint(basin(1 + (first - 1 + k) % m)->X, basin(1 + (first - 1 + k) % m)->Y));
        // an arc back from the last shared vertex to the first, bulging out of the basin
        const cPoint a = *cell(cell.UBound());
        const cPoint b = *cell(1);
        const double mx = (a.X + b.X) / 2, my = (a.Y + b.Y) / 2;
        const double ox = (mx - kCentreX) * 0.15, oy = (my - kCentreY) * 0.15;
        for (int i = 1; i < n - 5; ++i) {
            const double t = static_cast<double>(i) / (n - 5);
            const double bulge = 4.0 * t * (1.0 - t);
            cell.Append(NewPoint(a.X + t * (b.X - a.X) + bulge * ox, a.Y + t * (b.Y - a.Y) + bulge * oy));
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

void ClipPolygonsTouching(benchmark::State& state) {
    const auto basin = Basin();
    const auto cells = TouchingCells(basin, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const auto& cell : cells) {
            PolygonArray out;
            benchmark::DoNotOptimize(ClipPolygons(out, cell, basin));
        }
    }
}

void GeosTouching(benchmark::State& state) {
    GEOSContextHandle_t context = GEOS_init_r();
    const auto basin = Basin();
    GEOSGeometry* geosBasin = ToGeos(context, basin);
    std::vector<GEOSGeometry*> geosCells;
    for (const auto& cell : TouchingCells(basin, static_cast<int>(state.range(0))))
        geosCells.push_back(ToGeos(context, cell));
    for (auto _ : state) {
        for (GEOSGeometry* cell : geosCells) {
            GEOSGeometry* common = GEOSIntersection_r(context, cell, geosBasin);
            benchmark::DoNotOptimize(common);
            GEOSGeom_destroy_r(context, common);
        }
    }
    for (GEOSGeometry* g : geosCells) GEOSGeom_destroy_r(context, g);
    GEOSGeom_destroy_r(context, geosBasin);
    GEOS_finish_r(context);
}

void GeosIntersection(benchmark::State& state) { GeosBench(state, false); }
void GeosWithConversion(benchmark::State& state) { GeosBench(state, true); }

#define KELVARIN_CELL_SIZES Arg(10)->Arg(30)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond)
BENCHMARK(ClipPolygonsBench)->KELVARIN_CELL_SIZES;
BENCHMARK(GeosIntersection)->KELVARIN_CELL_SIZES;
BENCHMARK(GeosWithConversion)->KELVARIN_CELL_SIZES;
BENCHMARK(ClipPolygonsTouching)->KELVARIN_CELL_SIZES;
BENCHMARK(GeosTouching)->KELVARIN_CELL_SIZES;

}  // namespace
}  // namespace kelvarin

BENCHMARK_MAIN();
