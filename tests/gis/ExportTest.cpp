// kelvarin-cli export end to end: the layers read back with GDAL hold every gauge's
// pieces with exactly the area and weight `weights` prints, each piece a valid polygon
// by GEOS's judgement, the scene's coordinate system, and refusals leave nothing behind.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../cli/CliRun.hpp"
#include "../cli/ProgramTest.hpp"
#include "../geometry/GeosOracle.hpp"
#include "GisFixtures.hpp"

namespace kelvarin::testing {
namespace {

namespace fs = std::filesystem;

// the fixture folder, and GDAL to read back what was written
class ExportTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        RegisterGdal();
    }
};

// one row of `weights --format csv`
struct WeightRow {
    std::string Name;
    bool Selected = false;
    double Area = 0, Weight = 0;
};

std::map<long, WeightRow> ReadWeights(const std::string& csv) {
    std::map<long, WeightRow> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
        if (line.back() == ',') fields.push_back("");
        WeightRow row;
        row.Name = fields.at(1);
        row.Selected = fields.at(6) == "1";
        if (row.Selected) {
            row.Area = std::strtod(fields.at(7).c_str(), nullptr);
            row.Weight = std::strtod(fields.at(8).c_str(), nullptr);
        }
        rows[std::stol(fields.at(0))] = row;
    }
    return rows;
}

// the layer of an export: the one file's named layer, or the layer of its own file
struct OpenLayer {
    GDALDatasetUniquePtr Dataset;
    OGRLayer* Layer = nullptr;
};

OpenLayer ReadLayer(const fs::path& out, const std::string& name) {
    OpenLayer open;
    const bool one = out.extension() == ".gpkg";
    fs::path file = out;
    if (!one) file = out.parent_path() / (out.stem().string() + "_" + name + out.extension().string());
    open.Dataset.reset(GDALDataset::Open(file.string().c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!open.Dataset) return open;
    open.Layer = one ? open.Dataset->GetLayerByName(name.c_str()) : open.Dataset->GetLayer(0);
    return open;
}

// the rings of a polygon's exterior as points
std::vector<cPoint> Exterior(const OGRPolygon& polygon) {
    std::vector<cPoint> ring;
    const OGRLinearRing* linear = polygon.getExteriorRing();
    for (int i = 0; i + 1 < linear->getNumPoints(); ++i) ring.push_back(cPoint{linear->getX(i), linear->getY(i), 0});
    return ring;
}

// an imported scene with a coordinate system: a star basin and 14 gauges with heights from a terrain model
fs::path ImportedScene(const fs::path& dir, const std::function<std::string(const fs::path&)>& q) {
    std::vector<std::unique_ptr<OGRGeometry>> features;
    features.push_back(PolygonGeometry(StarBasin(500000, 4450000, 6000, 120, 5)));
    WritePolygons(dir / "basin.gpkg", "GPKG", 32613, features);
    FixtureDem dem;
    dem.Left = 490000;
    dem.Top = 4460000;
    dem.Cell = 50;
    dem.Columns = dem.Rows = 400;
    dem.Epsg = 32613;
    dem.Height = [](double x, double y) { return 1500 + 400 * std::sin(x / 2500) * std::cos(y / 3100); };
    WriteDem(dir / "dem.tif", dem);
    std::vector<FixtureGauge> gauges;
    gauges.reserve(14);
    FixtureRandom random(9);
    for (int k = 0; k < 14; ++k)
        gauges.push_back({"站" + std::to_string(k + 1), "N" + std::to_string(k + 1),
                          500000 + 13000 * (random.Next() - 0.5), 4450000 + 13000 * (random.Next() - 0.5), NAN});
    WriteGaugeTable(dir / "gauges.csv", gauges, ",", false);
    fs::path scene = dir / "imported.ini";
    const CliRun run = RunCli("import --basin " + q(dir / "basin.gpkg") + " --gauges " + q(dir / "gauges.csv") +
                              " --dem " + q(dir / "dem.tif") + " --out " + q(scene));
    if (run.Status != 0) throw std::runtime_error("the fixture import failed: " + run.Err);
    return scene;
}

TEST_F(ExportTest, LayersCarryTheWeightsToFullPrecisionAndValidPieces) {
    const GeosOracle oracle;
    const fs::path bundled = fs::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini";
    const fs::path imported = ImportedScene(dir_, Q);
    struct Case {
        fs::path Scene;
        std::string Stations;
        bool HasCrs;
    };
    const std::vector<Case> scenes = {{bundled, "1,2,4,6,7,9,11,13,14,16,17", false}, {imported, "all", true}};
    const auto utm = Epsg(32613);
    for (const Case& scene : scenes) {
        for (const std::string method : {"thiessen", "heightbalance"}) {
            const CliRun weights = RunCli("weights --scene " + Q(scene.Scene) + " --method " + method + " --stations " +
                                          scene.Stations + " --format csv");
            ASSERT_EQ(weights.Status, 0) << weights.Err;
            const std::map<long, WeightRow> rows = ReadWeights(weights.Out);
            for (const std::string extension : {".gpkg", ".geojson", ".shp"}) {
                SCOPED_TRACE(scene.Scene.filename().string().append(" ").append(method).append(" ").append(extension));
                const fs::path out = At("layers" + extension);
                const CliRun run = RunCli("export --scene " + Q(scene.Scene) + " --method " + method + " --stations " +
                                          scene.Stations + " --out " + Q(out));
                ASSERT_EQ(run.Status, 0) << run.Err;

                for (const char* name : {"basin", "gauges", "network", "polygons", "pieces"}) {
                    const OpenLayer layer = ReadLayer(out, name);
                    ASSERT_NE(layer.Layer, nullptr) << name;
                    const OGRSpatialReference* srs = layer.Layer->GetSpatialRef();
                    EXPECT_EQ(srs != nullptr && srs->IsSame(utm.get()), scene.HasCrs) << name;
                }
                const OpenLayer gauges = ReadLayer(out, "gauges");
                EXPECT_EQ(gauges.Layer->GetFeatureCount(), static_cast<GIntBig>(rows.size()));
                for (const OGRFeatureUniquePtr& feature : *gauges.Layer) {
                    const WeightRow& row = rows.at(feature->GetFieldAsInteger("index"));
                    EXPECT_EQ(feature->GetFieldAsString("name"), row.Name);
                    EXPECT_EQ(feature->GetFieldAsInteger("selected") == 1, row.Selected);
                }
                EXPECT_GT(ReadLayer(out, "network").Layer->GetFeatureCount(), 0);

                const OpenLayer pieces = ReadLayer(out, "pieces");
                long selected = 0;
                for (const auto& [index, row] : rows) selected += row.Selected ? 1 : 0;
                EXPECT_EQ(pieces.Layer->GetFeatureCount(), selected);
                for (const OGRFeatureUniquePtr& feature : *pieces.Layer) {
                    const long index = feature->GetFieldAsInteger("index");
                    const WeightRow& row = rows.at(index);
                    EXPECT_TRUE(row.Selected) << index;
                    EXPECT_EQ(feature->GetFieldAsString("name"), row.Name);
                    EXPECT_EQ(feature->GetFieldAsDouble("area"), row.Area) << index;
                    EXPECT_EQ(feature->GetFieldAsDouble("weight"), row.Weight) << index;
                    double sum = 0.0;
                    const OGRGeometry* geometry = feature->GetGeometryRef();
                    if (row.Area > 0) {
                        ASSERT_NE(geometry, nullptr) << index;
                    }
                    if (!geometry) continue;
                    std::vector<const OGRPolygon*> parts;
                    if (wkbFlatten(geometry->getGeometryType()) == wkbPolygon) {
                        parts.push_back(geometry->toPolygon());
                    } else {
                        for (const OGRPolygon* part : *geometry->toMultiPolygon()) parts.push_back(part);
                    }
                    for (const OGRPolygon* part : parts) {
                        const auto piece = oracle.Polygon(Exterior(*part));
                        EXPECT_TRUE(oracle.IsValid(piece.get())) << index << ": " << oracle.WhyInvalid(piece.get());
                        sum += oracle.Area(piece.get());
                    }
                    EXPECT_NEAR(sum, row.Area, 1e-9 * row.Area + 1e-6) << index;
                }
            }
        }
    }
}

TEST_F(ExportTest, RefusalsAreOneLineExitTwoAndLeaveNothing) {
    const fs::path bundled = fs::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini";
    // what the line starts with: the output's flag and file where the output is at fault
    struct Refusal {
        std::string What, Arguments, Start;
    };
    const std::vector<Refusal> cases = {
        {"unknown format", "--scene " + Q(bundled) + " --out " + Q(At("layers.txt")),
         "kelvarin-cli: --out " + At("layers.txt").string() + ": "},
        {"missing folder", "--scene " + Q(bundled) + " --out " + Q(At("no/such/layers.gpkg")),
         "kelvarin-cli: --out " + At("no/such/layers.gpkg").string() + ": "},
        {"unknown method", "--scene " + Q(bundled) + " --method kriging --out " + Q(At("layers.gpkg")), ""},
        {"bad selection", "--scene " + Q(bundled) + " --stations 99 --out " + Q(At("layers.gpkg")), ""},
        {"missing scene", "--scene " + Q(At("nosuch.ini")) + " --out " + Q(At("layers.gpkg")), ""},
    };
    for (const auto& [what, arguments, start] : cases) {
        const CliRun run = RunCli("export " + arguments);
        EXPECT_EQ(run.Status, 2) << what;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << what << ": " << run.Err;
        EXPECT_EQ(run.Err.rfind(start, 0), 0u) << what << ": " << run.Err;
        EXPECT_TRUE(fs::is_empty(dir_)) << what;
    }
}

}  // namespace
}  // namespace kelvarin::testing
