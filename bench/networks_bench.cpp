// Station networks against GEOS: the triangle network, the Thiessen rings and the
// height-balance polygons of n random stations, and GEOS's Voronoi diagram of the same
// stations with every cell cut by the same frame (both sides do the same job: the cells of
// all stations, each clipped to the frame); and the engine's whole Thiessen construction
// (rings, pieces in a basin, weights) of a generated scene of n gauges.
// Run: build/<dir>/bin/networks_bench
//   (cmake --build build/<dir> --target networks_bench; a Release or RelWithDebInfo build)

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "engine/Construction.hpp"
#include "geometry/modGISTools.hpp"
#include "heightbalance/modHeightBalance.hpp"
#include "model/cPolygon.hpp"
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

// a centre point for every pair of the stations, somewhere inside the pair's segment; built
// once per size (at 10,000 stations these are 50 million points), outside the timed loop
const std::vector<cPoint>& CentrePoints(const PointArray& stations) {
    static std::map<long, std::vector<cPoint>> built;
    const long n = stations.Count();
    std::vector<cPoint>& centres = built[n];
    if (!centres.empty() || n < 2) return centres;
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> fraction(0.1, 0.9);
    centres.reserve(static_cast<std::size_t>(n * (n - 1) / 2));
    for (long a = 1; a < n; ++a) {
        for (long b = a + 1; b <= n; ++b) {
            const double t = fraction(rng);
            centres.push_back(cPoint{stations(a)->X + t * (stations(b)->X - stations(a)->X),
                                     stations(a)->Y + t * (stations(b)->Y - stations(a)->Y), 0.0});
        }
    }
    return centres;
}

void HeightBalancePolygons(benchmark::State& state) {
    const PointArray stations = RandomStations(state.range(0));
    const PointArray frame = FrameOf(stations);
    std::vector<cPoint> all;
    for (const PointRef& P : stations) all.push_back(*P);
    const std::vector<cPoint>& centres = CentrePoints(stations);
    for (auto _ : state) {
        const CenterPointTable table(all, centres);
        Array2<PointRef> tri;
        const long T = BuildTriangleNetwork(stations, tri);
        Array2<PointRef> hbTri(0, 3, 1, T);
        BuildCenterPointNetwork(tri, table, hbTri);
        PolygonArray polygons(stations.LBound(), stations.UBound());
        BuildHeightBalancePolygons(polygons, stations, tri, hbTri, frame, table);
        benchmark::DoNotOptimize(polygons);
    }
}

// the centre-point network alone: each triangle edge's centre point looked up in the list
void CenterPointNetwork(benchmark::State& state) {
    const PointArray stations = RandomStations(state.range(0));
    std::vector<cPoint> all;
    for (const PointRef& P : stations) all.push_back(*P);
    const std::vector<cPoint>& centres = CentrePoints(stations);
    const CenterPointTable table(all, centres);
    Array2<PointRef> tri;
    const long T = BuildTriangleNetwork(stations, tri);
    for (auto _ : state) {
        Array2<PointRef> hbTri(0, 3, 1, T);
        benchmark::DoNotOptimize(BuildCenterPointNetwork(tri, table, hbTri));
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

// A generated scene of n gauges: a wavy basin of 200 vertices about 30 km across at map-local
// coordinates, gauges at random over its enclosing box, no centre points.
EngineScene GeneratedScene(long n) {
    EngineScene scene;
    const double pi = std::acos(-1.0);
    for (int k = 0; k < 200; ++k) {
        const double a = 2 * pi * k / 200;
        const double r = 15000 * (1 + 0.2 * std::sin(5 * a) + 0.05 * std::cos(13 * a));
        scene.Basin.push_back(cPoint{40000 + r * std::cos(a), 30000 + r * std::sin(a), 0.0});
    }
    cPolygon ring;
    for (const cPoint& p : scene.Basin) ring.Add(p.X, p.Y, p.z);
    scene.BasinArea = PolygonArea(ring);
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> x(21000, 59000), y(11000, 49000), z(100, 900);
    for (long i = 0; i < n; ++i) scene.Stations.push_back(cPoint{x(rng), y(rng), z(rng)});
    return scene;
}

// the same scene with a centre point for every pair of gauges, somewhere inside the pair's segment
EngineScene GeneratedSceneWithCentres(long n) {
    EngineScene scene = GeneratedScene(n);
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> fraction(0.3, 0.7);
    scene.CenterPoints.reserve(static_cast<std::size_t>(n * (n - 1) / 2));
    for (std::size_t a = 0; a < scene.Stations.size(); ++a) {
        for (std::size_t b = a + 1; b < scene.Stations.size(); ++b) {
            const cPoint& A = scene.Stations[a];
            const cPoint& B = scene.Stations[b];
            const double t = fraction(rng);
            scene.CenterPoints.push_back(cPoint{A.X + t * (B.X - A.X), A.Y + t * (B.Y - A.Y), (A.z + B.z) / 2});
        }
    }
    return scene;
}

void EngineHeightBalance(benchmark::State& state) {
    const EngineScene scene = GeneratedSceneWithCentres(state.range(0));
    std::vector<long> all(scene.Stations.size());
    std::iota(all.begin(), all.end(), 1L);
    for (auto _ : state) benchmark::DoNotOptimize(BuildConstruction(Method::HeightBalance, scene, all));
}

void EngineThiessen(benchmark::State& state) {
    const EngineScene scene = GeneratedScene(state.range(0));
    std::vector<long> all(scene.Stations.size());
    std::iota(all.begin(), all.end(), 1L);
    for (auto _ : state) benchmark::DoNotOptimize(BuildConstruction(Method::Thiessen, scene, all));
}

BENCHMARK(TriangleNetwork)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
// the gauge counts of the comparison with GEOS
void GaugeCounts(benchmark::internal::Benchmark* b) {
    for (const long n : {10, 20, 50, 100, 300, 1000, 10000}) b->Arg(n);
}
BENCHMARK(ThiessenRings)->Apply(GaugeCounts)->Unit(benchmark::kMillisecond);
BENCHMARK(GeosVoronoi)->Apply(GaugeCounts)->Unit(benchmark::kMillisecond);
BENCHMARK(HeightBalancePolygons)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(CenterPointNetwork)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineThiessen)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineHeightBalance)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
