// kelvarin-cli import end to end on fixtures GDAL writes: outlines and areas kept through
// reprojection, parts and holes, heights and centre points from a terrain of known shape,
// Thiessen weights of the imported scene against GEOS's Voronoi cells, and every refusal,
// said by the library about an input and by kelvarin-cli with that input's flag.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../cli/CliRun.hpp"
#include "../cli/ProgramTest.hpp"
#include "../geometry/GeosOracle.hpp"
#include "GisFixtures.hpp"
#include "gis/SceneImport.hpp"
#include "scene/Scene.hpp"

namespace kelvarin::testing {
namespace {

namespace fs = std::filesystem;

using ImportTest = ProgramTest;

// the scene's basin area (positive when counter-clockwise)
double SceneArea(const Scene& scene) { return RingArea(scene.Basin); }

TEST_F(ImportTest, ProjectedAndLonLatBasinsKeepTheirOutlineAndArea) {
    Ring basin = StarBasin(500000, 4450000, 8000, 150, 11);
    const double area = RingArea(basin);
    const std::vector<FixtureGauge> gauges = {{"Alpha", "A1", 497000, 4449000, 1200},
                                              {"Beta", "A2", 503000, 4452000, 1500},
                                              {"Gamma", "A3", 500500, 4446000, 900}};

    // projected, written clockwise as a Shapefile
    Ring clockwise(basin.rbegin(), basin.rend());
    std::vector<std::unique_ptr<OGRGeometry>> features;
    features.push_back(PolygonGeometry(clockwise));
    WritePolygons(At("basin.shp"), "ESRI Shapefile", 32613, features);
    WriteGaugeTable(At("gauges.csv"), gauges, ",", false);
    CliRun run = RunCli("import --basin " + Q(At("basin.shp")) + " --gauges " + Q(At("gauges.csv")) + " --out " +
                        Q(At("projected.ini")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    Scene scene = LoadScene(At("projected.ini"));
    EXPECT_EQ(scene.CRS, "EPSG:32613");
    EXPECT_EQ(scene.Basin.size(), 150u);
    EXPECT_GT(SceneArea(scene), 0.0) << "the outline must be counter-clockwise";
    EXPECT_NEAR(SceneArea(scene), area, 1e-6 * area);
    ASSERT_EQ(scene.Stations.size(), 3u);
    for (std::size_t k = 0; k < gauges.size(); ++k) {
        EXPECT_EQ(scene.Stations[k].Point.X, gauges[k].X);
        EXPECT_EQ(scene.Stations[k].Point.Y, gauges[k].Y);
        EXPECT_EQ(scene.Stations[k].Point.z, gauges[k].Height);
    }
    EXPECT_EQ(RunCli("check --scene " + Q(At("projected.ini"))).Status, 0);

    // the same basin and gauges in longitude/latitude: projected into the UTM zone of the centroid
    features.clear();
    features.push_back(PolygonGeometry(Reprojected(basin, 32613, 4326)));
    WritePolygons(At("basin.geojson"), "GeoJSON", 4326, features);
    std::vector<FixtureGauge> lonLat = gauges;
    for (FixtureGauge& g : lonLat) {
        const Ring moved = Reprojected({cPoint{g.X, g.Y, 0}}, 32613, 4326);
        g.X = moved[0].X;
        g.Y = moved[0].Y;
    }
    WriteGaugeTable(At("gauges.tsv"), lonLat, "\t", true);
    run = RunCli("import --basin " + Q(At("basin.geojson")) + " --gauges " + Q(At("gauges.tsv")) + " --out " +
                 Q(At("lonlat.ini")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    scene = LoadScene(At("lonlat.ini"));
    EXPECT_EQ(scene.CRS, "EPSG:32613");
    EXPECT_EQ(scene.Basin.size(), 150u);
    EXPECT_NEAR(SceneArea(scene), area, 1e-4 * area);
    for (std::size_t k = 0; k < gauges.size(); ++k) {
        EXPECT_NEAR(scene.Stations[k].Point.X, gauges[k].X, 1e-3);
        EXPECT_NEAR(scene.Stations[k].Point.Y, gauges[k].Y, 1e-3);
    }
    EXPECT_EQ(RunCli("check --scene " + Q(At("lonlat.ini"))).Status, 0);
}

TEST_F(ImportTest, FeaturesAreDissolvedTheLargestPartKeptAndHolesDropped) {
    const double x0 = 500000, y0 = 4400000;
    auto square = [&](double left, double bottom, double size) {
        return Ring{{x0 + left, y0 + bottom, 0},
                    {x0 + left + size, y0 + bottom, 0},
                    {x0 + left + size, y0 + bottom + size, 0},
                    {x0 + left, y0 + bottom + size, 0}};
    };
    std::vector<std::unique_ptr<OGRGeometry>> features;
    features.push_back(PolygonGeometry(square(0, 0, 1000), {square(200, 200, 300)}));  // with a hole
    features.push_back(PolygonGeometry(square(1000, 0, 1000)));                        // beside it
    features.push_back(PolygonGeometry(square(5000, 0, 200)));                         // apart
    WritePolygons(At("parts.gpkg"), "GPKG", 32613, features, "catchments");
    WriteGaugeTable(At("g.csv"), {{"One", "1", x0 + 500, y0 + 800, 100}}, ";", false);

    CliRun run =
        RunCli("import --basin " + Q(At("parts.gpkg")) + " --gauges " + Q(At("g.csv")) + " --out " + Q(At("all.ini")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    Scene scene = LoadScene(At("all.ini"));
    EXPECT_NEAR(SceneArea(scene), 2e6, 1e-6);  // two squares, the hole filled, the small part gone
    EXPECT_NE(run.Err.find("2 separate parts; kept the largest"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("dropped 1 hole"), std::string::npos) << run.Err;
    EXPECT_EQ(scene.BasinName, "catchments");

    run = RunCli("import --basin " + Q(At("parts.gpkg")) + " --layer catchments --where 'id = 3' --gauges " +
                 Q(At("g.csv")) + " --out " + Q(At("one.ini")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    scene = LoadScene(At("one.ini"));
    EXPECT_EQ(scene.Basin.size(), 4u);
    EXPECT_NEAR(SceneArea(scene), 200.0 * 200.0, 1e-6);
    EXPECT_EQ(run.Err.find("parts"), std::string::npos) << run.Err;
}

// the terrain of the fixture: a north-south ridge at x = ridge, rising to the north
struct RidgeTerrain {
    double Ridge = 0, Base = 0;
    double operator()(double x, double y) const { return 2000 - 0.5 * std::abs(x - Ridge) + 0.1 * (y - Base); }
    // where the height along a -> b equals the mean of a.z and b.z, nearest the midpoint
    // within 10%..90% of the way (the terrain is linear on either side of the ridge)
    std::optional<double> Crossing(const cPoint& a, const cPoint& b) const {
        const double mean = (a.z + b.z) / 2, dx = b.X - a.X, dy = b.Y - a.Y;
        std::optional<double> best;
        for (double side : {-1.0, 1.0}) {
            const double slope = -0.5 * side * dx + 0.1 * dy;
            if (slope == 0) continue;
            const double t = -(2000 - 0.5 * side * (a.X - Ridge) + 0.1 * (a.Y - Base) - mean) / slope;
            if (side * (a.X + t * dx - Ridge) < 0 || t <= 0.1 + 1e-4 || t >= 0.9 - 1e-4) continue;
            if (!best || std::abs(t - 0.5) < std::abs(*best - 0.5)) best = t;
        }
        return best;
    }
};

TEST_F(ImportTest, HeightsAndCentrePointsFollowTheTerrain) {
    FixtureDem dem;
    dem.Left = 499000;
    dem.Top = 4452000;
    dem.Cell = 10;
    dem.Columns = 300;
    dem.Rows = 200;
    dem.Epsg = 32613;
    // the ridge on a column of cell centres, so that bilinear sampling gives the formula exactly
    const RidgeTerrain terrain{dem.CentreX(150), 4451000};
    dem.Height = terrain;
    WriteDem(At("dem.tif"), dem);

    const std::vector<std::string> names = {"霧溪 口", "青松坪", "石梯嶺", "雲棲", "竹澗", "鶴峰", "楓林坑"};
    std::vector<FixtureGauge> gauges;
    FixtureRandom random(42);
    for (std::size_t k = 0; k < names.size(); ++k)
        gauges.push_back({names[k], "G" + std::to_string(k + 1), 499200 + 2600 * random.Next(),
                          4450200 + 1600 * random.Next(), NAN});
    WriteGaugeTable(At("gauges.csv"), gauges, ";", false);
    std::vector<std::unique_ptr<OGRGeometry>> features;
    features.push_back(PolygonGeometry(StarBasin(500500, 4451000, 900, 40, 3)));
    WritePolygons(At("basin.gpkg"), "GPKG", 32613, features);

    const CliRun run = RunCli("import --basin " + Q(At("basin.gpkg")) + " --gauges " + Q(At("gauges.csv")) + " --dem " +
                              Q(At("dem.tif")) + " --out " + Q(At("scene.ini")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("1 gauge's name or number held blanks"), std::string::npos) << run.Err;
    const Scene scene = LoadScene(At("scene.ini"));
    ASSERT_EQ(scene.Stations.size(), gauges.size());
    EXPECT_EQ(scene.Stations[0].Name, "霧溪_口");
    for (std::size_t k = 1; k < names.size(); ++k) EXPECT_EQ(scene.Stations[k].Name, names[k]);
    for (const SceneStation& s : scene.Stations) EXPECT_NEAR(s.Point.z, terrain(s.Point.X, s.Point.Y), 1e-9);

    ASSERT_EQ(scene.Local.CenterPoints.size(), gauges.size() * (gauges.size() - 1) / 2);
    const cPoint& origin = scene.Local.ReferancePoint;
    long crossings = 0;
    std::size_t pair = 0;
    for (std::size_t a = 0; a < gauges.size(); ++a) {
        for (std::size_t b = a + 1; b < gauges.size(); ++b, ++pair) {
            const cPoint& p = scene.Stations[a].Point;
            const cPoint& q = scene.Stations[b].Point;
            const std::optional<double> t = terrain.Crossing(p, q);
            crossings += t ? 1 : 0;
            const double f = t.value_or(0.5);
            const cPoint& local = scene.Local.CenterPoints[pair];
            const cPoint c{local.X + origin.X, local.Y + origin.Y, local.z};
            EXPECT_NEAR(c.X, p.X + f * (q.X - p.X), 1e-6) << "pair " << a + 1 << "," << b + 1;
            EXPECT_NEAR(c.Y, p.Y + f * (q.Y - p.Y), 1e-6) << "pair " << a + 1 << "," << b + 1;
            EXPECT_EQ(c.z, (p.z + q.z) / 2);
            if (t) {
                EXPECT_NEAR(terrain(c.X, c.Y), c.z, 1e-6);
            }
        }
    }
    EXPECT_GT(crossings, 0);
    EXPECT_NE(run.Err.find("centre points: " + std::to_string(crossings) + " of " + std::to_string(pair)),
              std::string::npos)
        << run.Err;
}

// the area column of `weights --format csv`, by station
std::vector<double> CsvAreas(const std::string& csv) {
    std::vector<double> areas;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        const std::size_t weight = line.rfind(',');
        const std::size_t area = line.rfind(',', weight - 1);
        areas.push_back(std::strtod(line.substr(area + 1, weight - area - 1).c_str(), nullptr));
    }
    return areas;
}

TEST_F(ImportTest, ImportedThiessenWeightsAreTheVoronoiCellsClippedToTheBasin) {
    const GeosOracle oracle;
    for (int seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const double cx = 600000, cy = 4500000, radius = 10000;
        std::vector<std::unique_ptr<OGRGeometry>> features;
        features.push_back(
            PolygonGeometry(StarBasin(cx, cy, radius, 40 + 20 * seed, static_cast<std::uint64_t>(seed))));
        WritePolygons(At("basin.gpkg"), "GPKG", 32613, features);
        FixtureRandom random(static_cast<std::uint64_t>(100 + seed));
        const int count = 3 + 2 * seed;
        std::vector<FixtureGauge> gauges;
        gauges.reserve(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k)
            gauges.push_back({"g" + std::to_string(k), std::to_string(k), cx + radius * (2.2 * random.Next() - 1.1),
                              cy + radius * (2.2 * random.Next() - 1.1), 100.0 * k});
        // gauges from a table on odd seeds, from a point layer on even ones
        const fs::path source = seed % 2 ? At("gauges.csv") : At("gauges.gpkg");
        if (seed % 2) {
            WriteGaugeTable(source, gauges, ",", false);
        } else {
            WriteGaugePoints(source, "GPKG", 32613, gauges);
        }
        const CliRun made =
            RunCli("import --basin " + Q(At("basin.gpkg")) + " --gauges " + Q(source) + " --out " + Q(At("scene.ini")));
        ASSERT_EQ(made.Status, 0) << made.Err;
        const CliRun weights =
            RunCli("weights --scene " + Q(At("scene.ini")) + " --method thiessen --stations all --format csv");
        ASSERT_EQ(weights.Status, 0) << weights.Err;
        const std::vector<double> areas = CsvAreas(weights.Out);

        const Scene scene = LoadScene(At("scene.ini"));
        std::vector<cPoint> sites;
        for (const SceneStation& s : scene.Stations) sites.push_back(s.Point);
        ASSERT_EQ(areas.size(), sites.size());
        const auto basin = oracle.Polygon(scene.Basin);
        const double basinArea = oracle.Area(basin.get());
        const auto cells = oracle.VoronoiCells(sites, basin.get());
        for (std::size_t k = 0; k < sites.size(); ++k) {
            const double expected = oracle.Area(oracle.Intersection(cells[k].get(), basin.get()).get());
            EXPECT_NEAR(areas[k], expected, 1e-8 * basinArea) << "gauge " << k + 1;
        }
    }
}

// the command line of an import: each option that is set, its value quoted
std::string ImportArguments(const gis::ImportOptions& o) {
    const std::pair<const char*, std::string> options[] = {{"--basin", o.Basin.string()},
                                                           {"--layer", o.Layer},
                                                           {"--where", o.Where},
                                                           {"--gauges", o.Gauges.string()},
                                                           {"--dem", o.Dem.string()},
                                                           {"--crs", o.Crs},
                                                           {"--name-field", o.NameField},
                                                           {"--number-field", o.NumberField},
                                                           {"--height-field", o.HeightField},
                                                           {"--show", o.Show},
                                                           {"--out", o.Out.string()}};
    std::string line = "import";
    for (const auto& [flag, value] : options)
        if (!value.empty()) line += std::string(" ") + flag + " '" + value + "'";
    return line;
}

// A refused import: what gis/ says it is about, and the flags kelvarin-cli puts in front
// of the message and (for a remedy) behind it.
struct ImportRefusal {
    std::string What;
    std::function<void(gis::ImportOptions&)> Change;
    gis::GisInput Input;
    std::string Flag;        // empty: the message names what it is about itself
    std::string RemedyFlag;  // empty: no remedy
};

TEST_F(ImportTest, EveryRefusalNamesItsInputInItsOwnWordsAndTheCliNamesItsFlag) {
    const double x0 = 500000, y0 = 4400000;
    std::vector<std::unique_ptr<OGRGeometry>> features;
    features.push_back(PolygonGeometry(StarBasin(x0, y0, 1000, 20, 1)));
    WritePolygons(At("basin.gpkg"), "GPKG", 32613, features);
    WritePolygons(At("nosystem.shp"), "ESRI Shapefile", 0, features);
    WritePolygons(At("two.gpkg"), "GPKG", 32613, features, "first");
    {
        GDALDatasetUniquePtr two(GDALDataset::Open(At("two.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
        two->CreateLayer("second", Epsg(32613).get(), wkbPolygon, nullptr);
    }
    features.clear();
    features.push_back(PolygonGeometry({{x0, y0, 0}, {x0 + 100, y0 + 100, 0}, {x0 + 200, y0 + 200, 0}}));
    WritePolygons(At("line.geojson"), "GeoJSON", 32613, features);
    WriteGaugeTable(At("good.csv"), {{"A", "1", x0, y0, 10}, {"B", "2", x0 + 300, y0, 20}}, ",", false);
    WriteGaugeTable(At("empty.csv"), {}, ",", false);
    WriteGaugeTable(At("noheight.csv"), {{"A", "1", x0, y0, NAN}, {"B", "2", x0 + 300, y0, NAN}}, ",", false);
    WriteGaugeTable(At("far.csv"), {{"A", "1", x0, y0, NAN}, {"Far_away", "2", x0 + 9000, y0, NAN}}, ",", false);
    WriteGaugeTable(At("bracket.csv"), {{"A(1)", "1", x0, y0, 10}}, ",", false);
    std::ofstream(At("station.csv")) << "station,number,x,y,height\nA,1,500000,4400000,10\n";
    std::ofstream(At("high.csv")) << "name,number,x,y,height\nA,1,500000,4400000,high\n";
    std::ofstream(At("text.tif")) << "no raster\n";
    FixtureDem dem;
    dem.Left = x0 - 2000;
    dem.Top = y0 + 2000;
    dem.Cell = 100;
    dem.Columns = dem.Rows = 40;
    dem.Epsg = 32613;
    dem.NoData = -9999;
    dem.Height = [&](double x, double) { return x > x0 + 200 ? -9999.0 : 500.0; };
    WriteDem(At("dem.tif"), dem);

    using gis::GisInput;
    using O = gis::ImportOptions;
    const std::vector<ImportRefusal> cases = {
        {"missing basin file", [&](O& o) { o.Basin = At("nosuch.shp"); }, GisInput::Basin, "--basin", ""},
        {"missing gauge file", [&](O& o) { o.Gauges = At("nosuch.csv"); }, GisInput::Gauges, "--gauges", ""},
        {"missing terrain file", [&](O& o) { o.Dem = At("nosuch.tif"); }, GisInput::Dem, "--dem", ""},
        {"unreadable terrain file", [&](O& o) { o.Dem = At("text.tif"); }, GisInput::Dem, "--dem", ""},
        {"unknown layer", [](O& o) { o.Layer = "rivers"; }, GisInput::Layer, "--layer", ""},
        {"two layers", [&](O& o) { o.Basin = At("two.gpkg"); }, GisInput::Basin, "--basin", "--layer"},
        {"unknown field", [](O& o) { o.NameField = "station"; }, GisInput::NameField, "--name-field", ""},
        {"no name column", [&](O& o) { o.Gauges = At("station.csv"); }, GisInput::Gauges, "--gauges", "--name-field"},
        {"empty selection", [](O& o) { o.Where = "id = 99"; }, GisInput::Where, "--where", ""},
        {"unreadable filter", [](O& o) { o.Where = "id = = ("; }, GisInput::Where, "--where", ""},
        {"unreadable filter of OGR's own SQL",
         [&](O& o) {
             o.Basin = At("line.geojson");
             o.Where = "id = = (";
         },
         GisInput::Where, "--where", ""},
        {"no gauge", [&](O& o) { o.Gauges = At("empty.csv"); }, GisInput::Gauges, "--gauges", ""},
        {"degenerate basin", [&](O& o) { o.Basin = At("line.geojson"); }, GisInput::Basin, "--basin", ""},
        {"basin without a system", [&](O& o) { o.Basin = At("nosystem.shp"); }, GisInput::Basin, "--basin", "--crs"},
        {"geographic target", [](O& o) { o.Crs = "EPSG:4326"; }, GisInput::Crs, "--crs", ""},
        {"unknown target", [](O& o) { o.Crs = "EPSG:999999"; }, GisInput::Crs, "--crs", ""},
        {"no height, no terrain", [&](O& o) { o.Gauges = At("noheight.csv"); }, GisInput::None, "", "--dem"},
        {"gauge outside the terrain",
         [&](O& o) {
             o.Gauges = At("far.csv");
             o.Dem = At("dem.tif");
         },
         GisInput::Dem, "--dem", ""},
        {"gauge on no-data",
         [&](O& o) {
             o.Gauges = At("noheight.csv");
             o.Dem = At("dem.tif");
         },
         GisInput::Dem, "--dem", ""},
        {"bracket in a name", [&](O& o) { o.Gauges = At("bracket.csv"); }, GisInput::Gauges, "--gauges", ""},
        {"height no number", [&](O& o) { o.Gauges = At("high.csv"); }, GisInput::Gauges, "--gauges", ""},
        {"unknown show", [](O& o) { o.Show = "none"; }, GisInput::Show, "--show", ""},
    };
    const auto before = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
    for (const ImportRefusal& refusal : cases) {
        const std::string& what = refusal.What;
        gis::ImportOptions options;
        options.Basin = At("basin.gpkg");
        options.Gauges = At("good.csv");
        options.Out = At("out.ini");
        refusal.Change(options);

        // the library: its message about the input, without a flag
        std::string message;
        try {
            std::ostringstream notes;
            gis::ImportScene(options, notes);
            ADD_FAILURE() << what << ": imported";
            continue;
        } catch (const gis::GisError& e) {
            message = e.what();
            EXPECT_EQ(e.Input(), refusal.Input) << what << ": " << message;
            EXPECT_EQ(e.Remedy() != GisInput::None, !refusal.RemedyFlag.empty()) << what << ": " << message;
        }
        EXPECT_EQ(message.find("--"), std::string::npos) << what << ": " << message;
        EXPECT_GT(message.size(), 10u) << what;

        // the command line: that message, the input's flag in front, one line, status 2, no file
        const CliRun run = RunCli(ImportArguments(options));
        const std::string line = "kelvarin-cli: " + (refusal.Flag.empty() ? "" : refusal.Flag + " ") + message +
                                 (refusal.RemedyFlag.empty() ? "" : " with " + refusal.RemedyFlag) + "\n";
        EXPECT_EQ(run.Status, 2) << what;
        EXPECT_EQ(run.Err, line) << what;
        EXPECT_FALSE(fs::exists(At("out.ini"))) << what;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), before) << what;
    }
    // the gauge's own name is in the message
    EXPECT_NE(RunCli("import --basin " + Q(At("basin.gpkg")) + " --gauges " + Q(At("far.csv")) + " --dem " +
                     Q(At("dem.tif")) + " --out " + Q(At("out.ini")))
                  .Err.find("\"Far_away\""),
              std::string::npos);
    const CliRun folder = RunCli("import --basin " + Q(At("basin.gpkg")) + " --gauges " + Q(At("good.csv")) +
                                 " --out " + Q(At("no/such/folder/out.ini")));
    EXPECT_EQ(folder.Status, 2);
    EXPECT_EQ(std::count(folder.Err.begin(), folder.Err.end(), '\n'), 1) << folder.Err;
}

}  // namespace
}  // namespace kelvarin::testing
