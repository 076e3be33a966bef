// Sub-basins through GIS data: a generated set written as a GeoPackage and as a Shapefile in
// longitude/latitude (every part a feature of its own, named by a field), with gauges in
// longitude/latitude, imported with --subbasin-field; refused at import when they overlap;
// and the export's pieces and sub-basins layers read back with GDAL.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "scene/Scene.hpp"
#include "tests/cli/CliRun.hpp"
#include "tests/cli/CsvText.hpp"
#include "tests/cli/ProgramTest.hpp"
#include "tests/engine/SubbasinSets.hpp"
#include "tests/gis/GisFixtures.hpp"

namespace kelvarin::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using NamedFeatures = std::vector<std::pair<std::string, std::unique_ptr<OGRGeometry>>>;

// every part of every sub-basin a feature of its own, with the holes it has, moved by `move`
template <class Move>
NamedFeatures Features(const SubbasinSet& set, Move move) {
    NamedFeatures features;
    for (const SceneFileSubbasin& subbasin : set.Subbasins) {
        for (const SceneFilePart& part : subbasin.Parts) {
            std::vector<Ring> holes;
            for (const Ring& hole : part.Holes) holes.push_back(move(hole));
            features.emplace_back(subbasin.Name, PolygonGeometry(move(part.Shell), holes));
        }
    }
    return features;
}

double PartsArea(const SceneFileSubbasin& subbasin) {
    double area = 0.0;
    for (const SceneFilePart& part : subbasin.Parts) {
        area += std::abs(RingArea(part.Shell));
        for (const Ring& hole : part.Holes) area -= std::abs(RingArea(hole));
    }
    return area;
}

class SubbasinGis : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        SubbasinSetOptions options;
        options.Sectors = 4;
        options.MaxBands = 2;
        options.Seed = 7;
        set_ = MakeSubbasinSet(options);
        std::mt19937_64 random(21);
        std::uniform_real_distribution<double> x(options.CentreX - 25000, options.CentreX + 25000);
        std::uniform_real_distribution<double> y(options.CentreY - 20000, options.CentreY + 20000);
        for (int k = 1; k <= 12; ++k) {
            const Ring lonLat = Reprojected({cPoint{x(random), y(random), 0}}, 32613, 4326);
            gauges_.push_back({"Gauge" + std::to_string(k), "N" + std::to_string(k), lonLat[0].X, lonLat[0].Y, 1000});
        }
        WriteGaugeTable(At("gauges.csv"), gauges_, ",", true);
    }

    // imports the sub-basins of `basin` and checks every sub-basin's area against the generated one
    Scene Import(const fs::path& basin, double tolerance) {
        const CliRun run = RunCli("import --basin " + Q(basin) + " --subbasin-field name --gauges " +
                                  Q(At("gauges.csv")) + " --show thiessen --out " + Q(At("scene.ini")));
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_THAT(run.Err, HasSubstr(std::to_string(set_.Subbasins.size()) + " sub-basins"));
        Scene scene = LoadScene(At("scene.ini"));
        EXPECT_EQ(scene.CRS, "EPSG:32613");
        EXPECT_EQ(scene.Stations.size(), gauges_.size());
        EXPECT_EQ(scene.Subbasins.size(), set_.Subbasins.size());
        for (std::size_t s = 0; s < std::min(scene.Subbasins.size(), set_.Subbasins.size()); ++s) {
            const SceneFileSubbasin& made = set_.Subbasins[s];
            EXPECT_EQ(scene.Subbasins[s].Name, made.Name);  // in the order of their first feature
            EXPECT_EQ(scene.Subbasins[s].Parts.size(), made.Parts.size()) << made.Name;
            EXPECT_NEAR(scene.Local.Subbasins[s].Area, PartsArea(made), tolerance * PartsArea(made)) << made.Name;
        }
        const double outline = std::abs(RingArea(set_.Outline));
        EXPECT_NEAR(std::abs(RingArea(scene.Basin)), outline, tolerance * outline);
        return scene;
    }

    SubbasinSet set_;
    std::vector<FixtureGauge> gauges_;
};

TEST_F(SubbasinGis, AGeoPackageWithANameFieldImportsEverySubbasinWithItsPartsAndHoles) {
    WriteNamedPolygons(At("subbasins.gpkg"), "GPKG", 32613, Features(set_, [](const Ring& r) { return r; }));
    Import(At("subbasins.gpkg"), 1e-9);
    const CliRun weights = RunCli("weights --per-subbasin --format csv --scene " + Q(At("scene.ini")));
    ASSERT_EQ(weights.Status, 0) << weights.Err;
    std::map<std::string, double> sums;
    for (const auto& record : CsvRecords(weights.Out))
        if (record[0] != "subbasin") sums[record[0]] += std::strtod(record[9].c_str(), nullptr);
    EXPECT_EQ(sums.size(), set_.Subbasins.size() + 1);
    for (const auto& [name, sum] : sums) EXPECT_NEAR(sum, 1.0, 1e-9) << name;
}

TEST_F(SubbasinGis, ALonLatShapefileImportsIntoTheUtmZone) {
    WriteNamedPolygons(At("subbasins.shp"), "ESRI Shapefile", 4326,
                       Features(set_, [](const Ring& r) { return Reprojected(r, 32613, 4326); }));
    Import(At("subbasins.shp"), 1e-6);
}

TEST_F(SubbasinGis, OverlappingSubbasinsAreRefusedAtImportAndNothingIsWritten) {
    const Ring west = {{470000, 4410000, 0}, {480500, 4410000, 0}, {480500, 4430000, 0}, {470000, 4430000, 0}};
    const Ring east = {{480000, 4410000, 0}, {490000, 4410000, 0}, {490000, 4430000, 0}, {480000, 4430000, 0}};
    NamedFeatures features;
    features.emplace_back("West", PolygonGeometry(west));
    features.emplace_back("East", PolygonGeometry(east));
    WriteNamedPolygons(At("overlap.gpkg"), "GPKG", 32613, features);
    const CliRun run = RunCli("import --basin " + Q(At("overlap.gpkg")) + " --subbasin-field name --gauges " +
                              Q(At("gauges.csv")) + " --out " + Q(At("scene.ini")));
    EXPECT_EQ(run.Status, 2);
    EXPECT_THAT(run.Err, HasSubstr("--basin " + At("overlap.gpkg").string() +
                                   ": sub-basins \"West\" and \"East\" overlap by 10000000 square map units"));
    EXPECT_FALSE(fs::exists(At("scene.ini")));
    const CliRun field = RunCli("import --basin " + Q(At("overlap.gpkg")) + " --subbasin-field basin_name --gauges " +
                                Q(At("gauges.csv")) + " --out " + Q(At("scene.ini")));
    EXPECT_EQ(field.Status, 2);
    EXPECT_THAT(field.Err, HasSubstr("--subbasin-field \"basin_name\": layer \"subbasins\""));
    EXPECT_THAT(field.Err, HasSubstr("has no such field"));
    EXPECT_FALSE(fs::exists(At("scene.ini")));
}

TEST_F(SubbasinGis, ExportedPiecesCarryTheirSubbasinAndTheOutlinesAreALayerOfTheirOwn) {
    WriteNamedPolygons(At("subbasins.gpkg"), "GPKG", 32613, Features(set_, [](const Ring& r) { return r; }));
    const Scene scene = Import(At("subbasins.gpkg"), 1e-9);
    const CliRun run = RunCli("export --scene " + Q(At("scene.ini")) + " --out " + Q(At("layers.gpkg")));
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::map<std::pair<std::string, std::string>, double> expected;  // (sub-basin, gauge) -> weight
    for (const auto& r : CsvRecords(RunCli("weights --per-subbasin --format csv --scene " + Q(At("scene.ini"))).Out))
        if (r[0] != "subbasin" && r[0] != "*") expected[{r[0], r[2]}] = std::strtod(r[9].c_str(), nullptr);

    GDALDatasetUniquePtr layers(GDALDataset::Open(At("layers.gpkg").string().c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(layers);
    OGRLayer* pieces = layers->GetLayerByName("pieces");
    ASSERT_NE(pieces, nullptr);
    std::map<std::string, double> sums;
    for (const OGRFeatureUniquePtr& feature : *pieces) {
        const std::string subbasin = feature->GetFieldAsString("subbasin");
        const double weight = feature->GetFieldAsDouble("weight");
        EXPECT_EQ(weight, expected.at({subbasin, feature->GetFieldAsString("name")}));
        const double area = feature->GetFieldAsDouble("area");
        EXPECT_NEAR(feature->GetGeometryRef()->toMultiPolygon()->get_Area(), area, 1e-6 * area + 1e-3);
        sums[subbasin] += weight;
    }
    EXPECT_EQ(sums.size(), set_.Subbasins.size());
    for (const auto& [name, sum] : sums) EXPECT_NEAR(sum, 1.0, 1e-9) << name;

    OGRLayer* outlines = layers->GetLayerByName("subbasins");
    ASSERT_NE(outlines, nullptr);
    ASSERT_EQ(outlines->GetFeatureCount(), static_cast<GIntBig>(set_.Subbasins.size()));
    std::size_t s = 0;
    for (const OGRFeatureUniquePtr& feature : *outlines) {
        EXPECT_EQ(feature->GetFieldAsString("name"), set_.Subbasins[s].Name);
        const double area = feature->GetFieldAsDouble("area");
        EXPECT_NEAR(area, scene.Local.Subbasins[s].Area, 1e-9 * area);
        EXPECT_NEAR(feature->GetGeometryRef()->toMultiPolygon()->get_Area(), area, 1e-9 * area);
        ++s;
    }
    ASSERT_EQ(RunCli("export --scene " + Q(At("scene.ini")) + " --out " + Q(At("layers.geojson"))).Status, 0);
    EXPECT_TRUE(fs::exists(At("layers_subbasins.geojson")));
}

}  // namespace
}  // namespace kelvarin::testing
