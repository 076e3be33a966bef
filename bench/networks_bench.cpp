// Station networks against GEOS: the triangle network and the Thiessen rings of n random
// stations, and GEOS's Voronoi diagram of the same stations with every cell cut by the same
// frame. Run: build/<dir>/bin/networks_bench
//   (cmake --build build/<dir> --target networks_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <random>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "heightbalance/modHeightBalance.hpp"
#include "network/TriangleNetwork.hpp"
#include "thiessen/modThiessen.hpp"

namespace {

using namespace kelvarin;

// n stations spread at random over a 1000 x 700 box, the same set for every benchmark
PointArray RandomStations(long n) {
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> x(2000, 3000), y(-500, 200);
    PointArray stations(1, n);
    for (long i = 1; i <= n; ++i) stations(i) = NewPoint(x(rng), y(rng), 0.0);
    return stations;
}

PointArray FrameOf(const PointArray& stations) {
    PointArray frame;
    EnclosingRectangle(stations, frame, kFrameFactor);
    return frame;
}

void TriangleNetwork(benchmark::State& state) {
    const PointArray stations = RandomStations(state.range(0));
    for (auto _ : state) {
        Array2<PointRef> tri;
        benchmark::DoNotOptimize(BuildTriangleNetwork(stations, tri));
    }
}

void ThiessenRings(benchmark::State& state) {
    const PointArray stations = RandomStations(state.range(0));
    const PointArray frame = FrameOf(stations);
    for (auto _ : state) {
        Array2<PointRef> tri;
        BuildTriangleNetwork(stations, tri);
        PolygonArray polygons(stations.LBound(), stations.UBound());
        BuildThiessenPolygons(polygons, stations, tri, frame);
        benchmark::DoNotOptimize(polygons);
    }
}

void HeightBalancePolygons(benchmark::State& state) {
    const long n = state.range(0);
    const PointArray stations = RandomStations(n);
    const PointArray frame = FrameOf(stations);
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> fraction(0.1, 0.9);
    PointArray centres(1, n * (n - 1) / 2);
    for (long a = 1; a < n; ++a) {
        for (long b = a + 1; b <= n; ++b) {
            const double t = fraction(rng);
            centres((b - a) + (a - 1) * (2 * n - a) / 2) =
                NewPoint(stations(a)->X + t * (stations(b)->X - stations(a)->X),
                         stations(a)->Y + t * (stations(b)->Y - stations(a)->Y));
        }
    }
    for (auto _ : state) {
        Array2<PointRef> tri;
        const long T = BuildTriangleNetwork(stations, tri);
        Array2<PointRef> hbTri(0, 3, 1, T);
        BuildCenterPointNetwork(tri, stations, centres, hbTri);
        PolygonArray polygons(stations.LBound(), stations.UBound());
        BuildHeightBalancePolygons(polygons, stations, tri, hbTri, frame, stations, centres);
        benchmark::DoNotOptimize(polygons);
    }
}

// GEOS polygon from the four frame corners
GEOSGeometry* FramePolygon(GEOSContextHandle_t ctx, const PointArray& frame) {
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, 5, 2);
    for (unsigned i = 0; i < 5; ++i) {
        const cPoint& P = *frame(1 + static_cast<long>(i % 4));
        GEOSCoordSeq_setX_r(ctx, seq, i, P.X);
        GEOSCoordSeq_setY_r(ctx, seq, i, P.Y);
    }
    return GEOSGeom_createPolygon_r(ctx, GEOSGeom_createLinearRing_r(ctx, seq), nullptr, 0);
}

void GeosVoronoi(benchmark::State& state) {
    const PointArray stations = RandomStations(state.range(0));
    const PointArray frame = FrameOf(stations);
    GEOSContextHandle_t ctx = GEOS_init_r();
    GEOSGeometry* box = FramePolygon(ctx, frame);
    for (auto _ : state) {
        // the sites are built inside the loop, as the rings are built from the stations
        std::vector<GEOSGeometry*> points;
        for (const PointRef& P : stations) points.push_back(GEOSGeom_createPointFromXY_r(ctx, P->X, P->Y));
        GEOSGeometry* sites =
            GEOSGeom_createCollection_r(ctx, GEOS_MULTIPOINT, points.data(), static_cast<unsigned>(points.size()));
        GEOSGeometry* cells = GEOSVoronoiDiagram_r(ctx, sites, box, 0.0, 0);
        const int n = GEOSGetNumGeometries_r(ctx, cells);
        for (int c = 0; c < n; ++c) {
            GEOSGeometry* piece = GEOSIntersection_r(ctx, GEOSGetGeometryN_r(ctx, cells, c), box);
            benchmark::DoNotOptimize(piece);
            GEOSGeom_destroy_r(ctx, piece);
        }
        GEOSGeom_destroy_r(ctx, cells);
        GEOSGeom_destroy_r(ctx, sites);
    }
    GEOSGeom_destroy_r(ctx, box);
    GEOS_finish_r(ctx);
}

BENCHMARK(TriangleNetwork)->Arg(10)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(ThiessenRings)->Arg(10)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(HeightBalancePolygons)->Arg(10)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(GeosVoronoi)->Arg(10)->Arg(20)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
