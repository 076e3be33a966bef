#pragma once
// GIS fixtures made with GDAL itself: polygon and point layers in any vector format,
// gauge tables, and terrain models whose heights are a known formula.

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/cPoint.hpp"
#include "tools/SampleScene.hpp"

namespace kelvarin::testing {

using Ring = std::vector<cPoint>;

// a deterministic random source in [0, 1), the sample scenes' own
using FixtureRandom = sample::Random;

// a star-shaped (hence simple) ring around a centre, counter-clockwise
inline Ring StarBasin(double cx, double cy, double radius, int vertices, std::uint64_t seed) {
    FixtureRandom random(seed);
    Ring ring;
    for (int k = 0; k < vertices; ++k) {
        const double theta = 2 * M_PI * k / vertices;
        const double r = radius * (0.75 + 0.2 * std::sin(3 * theta) + 0.1 * random.Next());
        ring.push_back(cPoint{cx + r * std::cos(theta), cy + r * std::sin(theta), 0.0});
    }
    return ring;
}

// signed area of an open ring (shoelace about its first vertex)
inline double RingArea(const Ring& ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const cPoint& a = ring[i];
        const cPoint& b = ring[(i + 1) % ring.size()];
        sum += (a.X - ring[0].X) * (b.Y - ring[0].Y) - (b.X - ring[0].X) * (a.Y - ring[0].Y);
    }
    return sum / 2;
}

inline void RegisterGdal() {
    static const bool registered = [] {
        GDALAllRegister();
        return true;
    }();
    (void)registered;
}

inline std::unique_ptr<OGRSpatialReference> Epsg(int code) {
    auto srs = std::make_unique<OGRSpatialReference>();
    srs->importFromEPSG(code);
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

// a closed OGR ring
inline OGRLinearRing LinearRing(const Ring& ring) {
    OGRLinearRing linear;
    for (const cPoint& p : ring) linear.addPoint(p.X, p.Y);
    linear.closeRings();
    return linear;
}

// a polygon with holes
inline std::unique_ptr<OGRGeometry> PolygonGeometry(const Ring& outer, const std::vector<Ring>& holes = {}) {
    auto polygon = std::make_unique<OGRPolygon>();
    OGRLinearRing shell = LinearRing(outer);
    polygon->addRing(&shell);
    for (const Ring& hole : holes) {
        OGRLinearRing inner = LinearRing(hole);
        polygon->addRing(&inner);
    }
    return polygon;
}

// the ring moved from one EPSG system to another
inline Ring Reprojected(const Ring& ring, int from, int to) {
    const auto source = Epsg(from), target = Epsg(to);
    std::unique_ptr<OGRCoordinateTransformation> transform(
        OGRCreateCoordinateTransformation(source.get(), target.get()));
    Ring moved = ring;
    for (cPoint& p : moved)
        if (!transform->Transform(1, &p.X, &p.Y)) throw std::runtime_error("fixture transform failed");
    return moved;
}

// a layer of polygon features with an integer "id" (1, 2, ...); epsg 0 writes no system
inline void WritePolygons(const std::filesystem::path& file, const char* driver, int epsg,
                          const std::vector<std::unique_ptr<OGRGeometry>>& features, const char* layerName = "basin") {
    RegisterGdal();
    std::filesystem::remove(file);
    GDALDatasetUniquePtr dataset(
        GetGDALDriverManager()->GetDriverByName(driver)->Create(file.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!dataset) throw std::runtime_error("cannot create " + file.string());
    const auto srs = epsg ? Epsg(epsg) : nullptr;
    OGRLayer* layer = dataset->CreateLayer(layerName, srs.get(), wkbUnknown, nullptr);
    OGRFieldDefn id("id", OFTInteger);
    layer->CreateField(&id);
    int n = 0;
    for (const auto& geometry : features) {
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField("id", ++n);
        feature.SetGeometry(geometry.get());
        if (layer->CreateFeature(&feature) != OGRERR_NONE) throw std::runtime_error("cannot write a polygon");
    }
}

// a layer of polygon features with a text field giving each its name
inline void WriteNamedPolygons(const std::filesystem::path& file, const char* driver, int epsg,
                               const std::vector<std::pair<std::string, std::unique_ptr<OGRGeometry>>>& features,
                               const char* field = "name") {
    RegisterGdal();
    std::filesystem::remove(file);
    GDALDatasetUniquePtr dataset(
        GetGDALDriverManager()->GetDriverByName(driver)->Create(file.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!dataset) throw std::runtime_error("cannot create " + file.string());
    const auto srs = Epsg(epsg);
    OGRLayer* layer = dataset->CreateLayer("subbasins", srs.get(), wkbPolygon, nullptr);
    OGRFieldDefn name(field, OFTString);
    layer->CreateField(&name);
    for (const auto& [text, geometry] : features) {
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField(field, text.c_str());
        feature.SetGeometry(geometry.get());
        if (layer->CreateFeature(&feature) != OGRERR_NONE) throw std::runtime_error("cannot write a polygon");
    }
}

struct FixtureGauge {
    std::string Name, Number;
    double X = 0, Y = 0;
    double Height = NAN;  // NaN: none given
};

// a gauge table; columns "x"/"y" or "lon"/"lat" after name and number, "height" when any has one
inline void WriteGaugeTable(const std::filesystem::path& file, const std::vector<FixtureGauge>& gauges,
                            const std::string& separator, bool lonLat) {
    bool heights = false;
    for (const FixtureGauge& g : gauges) heights = heights || !std::isnan(g.Height);
    std::ofstream out(file, std::ios::binary);
    out << "name" << separator << "number" << separator << (lonLat ? "lon" : "x") << separator << (lonLat ? "lat" : "y")
        << (heights ? separator + "height" : "") << "\n";
    char x[64], y[64], h[64];
    for (const FixtureGauge& g : gauges) {
        std::snprintf(x, sizeof x, "%.17g", g.X);
        std::snprintf(y, sizeof y, "%.17g", g.Y);
        std::snprintf(h, sizeof h, "%.17g", g.Height);
        out << g.Name << separator << g.Number << separator << x << separator << y
            << (heights ? separator + (std::isnan(g.Height) ? std::string() : std::string(h)) : "") << "\n";
    }
}

// a point layer of gauges with name, number and height fields
inline void WriteGaugePoints(const std::filesystem::path& file, const char* driver, int epsg,
                             const std::vector<FixtureGauge>& gauges) {
    RegisterGdal();
    std::filesystem::remove(file);
    GDALDatasetUniquePtr dataset(
        GetGDALDriverManager()->GetDriverByName(driver)->Create(file.string().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    const auto srs = Epsg(epsg);
    OGRLayer* layer = dataset->CreateLayer("gauges", srs.get(), wkbPoint, nullptr);
    OGRFieldDefn name("name", OFTString), number("number", OFTString), height("height", OFTReal);
    layer->CreateField(&name);
    layer->CreateField(&number);
    layer->CreateField(&height);
    for (const FixtureGauge& g : gauges) {
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField("name", g.Name.c_str());
        feature.SetField("number", g.Number.c_str());
        if (!std::isnan(g.Height)) feature.SetField("height", g.Height);
        OGRPoint point(g.X, g.Y);
        feature.SetGeometry(&point);
        if (layer->CreateFeature(&feature) != OGRERR_NONE) throw std::runtime_error("cannot write a gauge");
    }
}

// A north-up GeoTIFF terrain model whose cell (i, j) holds height(x, y) at its centre.
struct FixtureDem {
    double Left = 0, Top = 0, Cell = 1;
    int Columns = 1, Rows = 1;
    int Epsg = 0;
    std::function<double(double, double)> Height;
    double NoData = NAN;  // NaN: none
    double CentreX(int i) const { return Left + (i + 0.5) * Cell; }
    double CentreY(int j) const { return Top - (j + 0.5) * Cell; }
};

inline void WriteDem(const std::filesystem::path& file, const FixtureDem& dem) {
    RegisterGdal();
    GDALDatasetUniquePtr dataset(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        file.string().c_str(), dem.Columns, dem.Rows, 1, GDT_Float32, nullptr));
    double transform[6] = {dem.Left, dem.Cell, 0, dem.Top, 0, -dem.Cell};
    dataset->SetGeoTransform(transform);
    if (dem.Epsg) {
        const auto srs = Epsg(dem.Epsg);
        dataset->SetSpatialRef(srs.get());
    }
    std::vector<float> cells(static_cast<std::size_t>(dem.Columns) * static_cast<std::size_t>(dem.Rows));
    for (int j = 0; j < dem.Rows; ++j)
        for (int i = 0; i < dem.Columns; ++i)
            cells[static_cast<std::size_t>(j) * static_cast<std::size_t>(dem.Columns) + static_cast<std::size_t>(i)] =
                static_cast<float>(dem.Height(dem.CentreX(i), dem.CentreY(j)));
    GDALRasterBand* band = dataset->GetRasterBand(1);
    if (!std::isnan(dem.NoData)) band->SetNoDataValue(dem.NoData);
    if (band->RasterIO(GF_Write, 0, 0, dem.Columns, dem.Rows, cells.data(), dem.Columns, dem.Rows, GDT_Float32, 0, 0) !=
        CE_None)
        throw std::runtime_error("cannot write the terrain model");
}

}  // namespace kelvarin::testing
