#include "gis/Terrain.hpp"

#include <gdal_priv.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/BalanceCrossing.hpp"
#include "gis/InputFiles.hpp"

namespace kelvarin::gis {

// opens the model and reads the cells the gauges need
Terrain::Terrain(const std::filesystem::path& path, const OGRSpatialReference& target,
                 const std::vector<cPoint>& sites) {
    RequireExisting(path, GisInput::Dem);
    GDALDatasetUniquePtr dataset(GDALDataset::Open(GdalPath(path).c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    file_ = GdalPath(path);
    if (!dataset || dataset->GetRasterCount() < 1)
        throw GisError(GisInput::Dem, file_ + ": not a raster GDAL can read");
    double transform[6];
    if (dataset->GetGeoTransform(transform) != CE_None || !GDALInvGeoTransform(transform, inverse_))
        throw GisError(GisInput::Dem, file_ + ": the raster is not placed on the ground (no geotransform)");
    if (const OGRSpatialReference* srs = dataset->GetSpatialRef()) {
        const SpatialReference own = TraditionalCopy(*srs);
        toModel_ = MakeTransform(target, *own, GisInput::Dem, file_);
    }
    width_ = dataset->GetRasterXSize();
    height_ = dataset->GetRasterYSize();
    ChooseWindow(sites);
    if (columns_ > 0) ReadCells(*dataset->GetRasterBand(1));
}

// the window of cells around the gauges: every line between two gauges lies in their
// bounding box (bent a little when the model has another system); none when no gauge
// lies on the model, so that every sample is unknown
void Terrain::ChooseWindow(const std::vector<cPoint>& sites) {
    double minX = width_, maxX = 0, minY = height_, maxY = 0;
    for (const cPoint& p : sites) {
        double column = 0, row = 0;
        if (!ToCell(p.X, p.Y, column, row)) continue;
        minX = std::min(minX, column);
        maxX = std::max(maxX, column);
        minY = std::min(minY, row);
        maxY = std::max(maxY, row);
    }
    if (minX > maxX) return;
    const double padX = 2 + 0.02 * (maxX - minX), padY = 2 + 0.02 * (maxY - minY);
    left_ = std::clamp(static_cast<int>(std::floor(minX - padX)), 0, width_ - 1);
    top_ = std::clamp(static_cast<int>(std::floor(minY - padY)), 0, height_ - 1);
    columns_ = std::clamp(static_cast<int>(std::ceil(maxX + padX)), left_ + 1, width_) - left_;
    rows_ = std::clamp(static_cast<int>(std::ceil(maxY + padY)), top_ + 1, height_) - top_;
}

// the window's heights, scaled and offset as the band says; no-data cells NaN
void Terrain::ReadCells(GDALRasterBand& band) {
    int hasNoData = 0;
    const double noData = band.GetNoDataValue(&hasNoData);
    int hasScale = 0, hasOffset = 0;
    const double scale = band.GetScale(&hasScale), offset = band.GetOffset(&hasOffset);
    cells_.resize(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
    if (band.RasterIO(GF_Read, left_, top_, columns_, rows_, cells_.data(), columns_, rows_, GDT_Float64, 0, 0) !=
        CE_None)
        throw GisError(GisInput::Dem, file_ + ": reading its cells failed (" + LastGdalError() + ")");
    for (double& v : cells_) {
        if ((hasNoData && (v == noData || (std::isnan(noData) && std::isnan(v)))) || !std::isfinite(v)) {
            v = std::numeric_limits<double>::quiet_NaN();
        } else {
            v = v * (hasScale ? scale : 1.0) + (hasOffset ? offset : 0.0);
        }
    }
}

// bilinear between the four cell centres around the position
double Terrain::operator()(double x, double y) const {
    double column = 0, row = 0;
    if (!ToCell(x, y, column, row) || cells_.empty()) return std::numeric_limits<double>::quiet_NaN();
    // cell centres lie at half-cell positions; the outer half cells take their edge value
    const double cx = std::clamp(column - 0.5, 0.0, width_ - 1.0) - left_;
    const double cy = std::clamp(row - 0.5, 0.0, height_ - 1.0) - top_;
    if (cx < 0 || cy < 0 || cx > columns_ - 1 || cy > rows_ - 1) return std::numeric_limits<double>::quiet_NaN();
    const int i0 = std::min(static_cast<int>(cx), columns_ - 1), j0 = std::min(static_cast<int>(cy), rows_ - 1);
    const int i1 = std::min(i0 + 1, columns_ - 1), j1 = std::min(j0 + 1, rows_ - 1);
    const double fx = cx - i0, fy = cy - j0;
    const double top = Cell(i0, j0) * (1 - fx) + Cell(i1, j0) * fx;
    const double bottom = Cell(i0, j1) * (1 - fx) + Cell(i1, j1) * fx;
    return top * (1 - fy) + bottom * fy;
}

// on the model, no-data or not
bool Terrain::Covers(double x, double y) const {
    double column = 0, row = 0;
    return ToCell(x, y, column, row);
}

// through the model's system and its inverse geotransform
bool Terrain::ToCell(double x, double y, double& column, double& row) const {
    if (toModel_ && !toModel_->Transform(1, &x, &y)) return false;
    column = inverse_[0] + x * inverse_[1] + y * inverse_[2];
    row = inverse_[3] + x * inverse_[4] + y * inverse_[5];
    return column >= 0 && row >= 0 && column <= width_ && row <= height_;
}

// each gauge without a height takes the terrain's; without a terrain only Thiessen can do without
void AssignHeights(std::vector<ImportedGauge>& gaugeList, const std::optional<Terrain>& terrain,
                   const std::string& show) {
    for (ImportedGauge& g : gaugeList) {
        if (!std::isnan(g.Point.z)) continue;
        if (!terrain) {
            if (show != "thiessen") {
                throw GisError(GisInput::None,
                               "gauge " + Quoted(g.Name) + " has no height: give a height column or a terrain model",
                               GisInput::Dem);
            }
            g.Point.z = 0.0;
            continue;
        }
        g.Point.z = (*terrain)(g.Point.X, g.Point.Y);
        if (std::isnan(g.Point.z)) {
            throw GisError(GisInput::Dem,
                           terrain->File() + ": gauge " + Quoted(g.Name) + " has no height and lies " +
                               (terrain->Covers(g.Point.X, g.Point.Y) ? "on no-data cells" : "outside the model"));
        }
    }
}

// one centre point per gauge pair, in the scene's pair order, where the terrain crosses the pair's mean height
void PlaceCenterPoints(const std::vector<ImportedGauge>& gauges, const std::optional<Terrain>& terrain,
                       const std::string& show, std::vector<cPoint>& centres, std::ostream& notes) {
    if (show != "thiessen") {
        const TerrainFunction height = [&terrain](double x, double y) { return (*terrain)(x, y); };
        long crossings = 0, pairs = 0;
        for (std::size_t a = 0; a < gauges.size(); ++a) {
            for (std::size_t b = a + 1; b < gauges.size(); ++b) {
                const cPoint& p = gauges[a].Point;
                const cPoint& q = gauges[b].Point;
                std::optional<double> t;
                if (terrain) t = BalanceCrossing(p, q, height);
                if (t) ++crossings;
                const double f = t.value_or(0.5);
                centres.push_back(cPoint{p.X + f * (q.X - p.X), p.Y + f * (q.Y - p.Y), (p.z + q.z) / 2});
                ++pairs;
            }
        }
        if (terrain) {
            notes << "centre points: " << crossings << " of " << pairs
                  << " gauge pairs cross their mean height between 10% and 90% of the way; the others take the "
                     "midpoint\n";
        } else if (pairs > 0) {
            notes << "centre points: no terrain model, so every pair's centre point is its midpoint at the mean "
                     "height\n";
        }
    }
}

}  // namespace kelvarin::gis
