// GIS import and export on a basin of real size: a 2,000-vertex Shapefile basin, 60 gauges
// in a CSV table without heights, and a 1000 x 1000 GeoTIFF terrain model; the fixture is
// written with GDAL into a temporary folder first (with the basin cut into sub-basins as a
// GeoPackage beside it, for the README's picture).
// Run: build/<dir>/bin/gis_bench
//      build/<dir>/bin/gis_bench --fixture DIR   (only writes the fixture into DIR)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/Construction.hpp"
#include "gis/SceneExport.hpp"
#include "gis/SceneImport.hpp"
#include "scene/AtomicFile.hpp"
#include "scene/Scene.hpp"
#include "tests/engine/SubbasinSets.hpp"
#include "tests/gis/GisFixtures.hpp"

namespace {

namespace fs = std::filesystem;
using namespace kelvarin;
using namespace kelvarin::testing;

constexpr double kEast = 480000, kNorth = 4420000;  // centre of the fixture, UTM zone 13 north

// the terrain: a main divide in the north, valleys falling to the south-east, knolls
double Terrain(double x, double y) {
    const double u = (x - kEast) / 20000, v = (y - kNorth) / 20000;
    return 1400 + 600 * v + 250 * std::sin(3.1 * u + 0.7) * std::cos(2.3 * v) + 180 * std::cos(5.3 * u - 4.1 * v) +
           90 * std::sin(9.7 * u + 7.9 * v);
}

// subbasins.gpkg: the basin cut into named sub-basins (an enclave, a lake with an island),
// every part a feature of its own with a "name" field
void WriteSubbasins(const fs::path& dir) {
    SubbasinSetOptions options;
    options.CentreX = kEast;
    options.CentreY = kNorth;
    options.RimVertices = 2000;
    options.Sectors = 5;
    options.DivideVertices = 60;
    options.Seed = 2026;
    const SubbasinSet set = MakeSubbasinSet(options);
    std::vector<std::pair<std::string, std::unique_ptr<OGRGeometry>>> features;
    for (const SceneFileSubbasin& subbasin : set.Subbasins)
        for (const SceneFilePart& part : subbasin.Parts)
            features.emplace_back(subbasin.Name, PolygonGeometry(part.Shell, part.Holes));
    WriteNamedPolygons(dir / "subbasins.gpkg", "GPKG", 32613, features);
}

// basin.shp, subbasins.gpkg, gauges.csv and dem.tif in the folder
void WriteFixture(const fs::path& dir) {
    fs::create_directories(dir);
    Ring basin;
    constexpr int kVertices = 2000;
    for (int k = 0; k < kVertices; ++k) {
        const double t = 2 * M_PI * k / kVertices;
        const double r = 18000 * (1 + 0.22 * std::cos(2 * t - 0.5) + 0.12 * std::sin(3 * t + 1.0) +
                                  0.05 * std::cos(7 * t + 0.3) + 0.02 * std::sin(23 * t) + 0.008 * std::cos(61 * t));
        basin.push_back(cPoint{kEast + 1.25 * r * std::cos(t), kNorth + r * std::sin(t), 0});
    }
    std::vector<std::unique_ptr<OGRGeometry>> features;
    features.push_back(PolygonGeometry(basin));
    WritePolygons(dir / "basin.shp", "ESRI Shapefile", 32613, features);
    WriteSubbasins(dir);

    static const char* const kNames[] = {"霧溪口", "Hollowmere", "青松坪", "Cedar Fold", "石梯嶺", "Greyridge",
                                         "雲棲",   "Windgap",    "竹澗",   "Larkfield",  "鶴峰",   "Mistral Weir"};
    std::vector<FixtureGauge> gauges;
    FixtureRandom random(2026);
    for (int k = 0; gauges.size() < 60; ++k) {
        const double x = kEast + 52000 * (random.Next() - 0.5), y = kNorth + 42000 * (random.Next() - 0.5);
        gauges.push_back({std::string(kNames[k % 12]) + (k >= 12 ? "_" + std::to_string(k / 12 + 1) : ""),
                          "G" + std::to_string(k + 1), x, y, NAN});
    }
    WriteGaugeTable(dir / "gauges.csv", gauges, ",", false);

    FixtureDem dem;
    dem.Left = kEast - 30000;
    dem.Top = kNorth + 30000;
    dem.Cell = 60;
    dem.Columns = dem.Rows = 1000;
    dem.Epsg = 32613;
    dem.Height = Terrain;
    WriteDem(dir / "dem.tif", dem);
}

// the fixture folder, written once
const fs::path& Fixture() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("kelvarin-gis-bench-" + std::to_string(::getpid()));
        WriteFixture(d);
        return d;
    }();
    return dir;
}

gis::ImportOptions Options() {
    gis::ImportOptions options;
    options.Basin = Fixture() / "basin.shp";
    options.Gauges = Fixture() / "gauges.csv";
    options.Dem = Fixture() / "dem.tif";
    options.Out = Fixture() / "scene.ini";
    return options;
}

// reads all three inputs, samples 60 heights, places 1,770 centre points, writes the scene
void BM_Import(benchmark::State& state) {
    const gis::ImportOptions options = Options();
    for (auto _ : state) {
        std::ostringstream notes;
        const gis::ImportedScene scene = gis::ImportScene(options, notes);
        WriteFileAtomically(options.Out, gis::SceneText(scene));
    }
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

// the scene of the fixture, imported once
const Scene& ImportedScene() {
    static const Scene scene = [] {
        std::ostringstream notes;
        const gis::ImportOptions options = Options();
        WriteFileAtomically(options.Out, gis::SceneText(gis::ImportScene(options, notes)));
        return LoadScene(options.Out);
    }();
    return scene;
}

std::vector<long> AllStations() {
    std::vector<long> all;
    for (long i = 1; i <= static_cast<long>(ImportedScene().Stations.size()); ++i) all.push_back(i);
    return all;
}

// the construction of all 60 gauges
void BM_Construction(benchmark::State& state) {
    const EngineScene& engineScene = ImportedScene().Local;
    const Method method = state.range(0) ? Method::HeightBalance : Method::Thiessen;
    for (auto _ : state) benchmark::DoNotOptimize(BuildConstruction(method, engineScene, AllStations()));
    state.SetLabel(state.range(0) ? "heightbalance" : "thiessen");
}
BENCHMARK(BM_Construction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// writing the layers of the Thiessen construction of all 60 gauges
void BM_Export(benchmark::State& state) {
    static const char* const kFiles[] = {"layers.gpkg", "layers.geojson", "layers.shp"};
    const Construction construction = BuildConstruction(Method::Thiessen, ImportedScene().Local, AllStations());
    const fs::path out = Fixture() / kFiles[state.range(0)];
    for (auto _ : state) gis::ExportConstruction(ImportedScene(), construction, out);
    state.SetLabel(kFiles[state.range(0)]);
}
BENCHMARK(BM_Export)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--fixture") {
        WriteFixture(argv[2]);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(fs::temp_directory_path() / ("kelvarin-gis-bench-" + std::to_string(::getpid())), ignored);
    return 0;
}
