#include "gis/SceneImport.hpp"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>

#include "geometry/BalanceCrossing.hpp"
#include "geometry/modGISTools.hpp"
#include "gis/GdalSupport.hpp"
#include "scene/SceneWriter.hpp"

namespace kelvarin::gis {

namespace {

// the path for messages
std::string Label(const std::filesystem::path& path) { return GdalPath(path); }

// lower-cased ASCII letters
std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// a table given as text: CSV, TSV or plain text with a header line
bool IsTextTable(const std::filesystem::path& path) {
    const std::string extension = Lower(path.extension().string());
    return extension == ".csv" || extension == ".tsv" || extension == ".txt";
}

// the path must name an existing file (or a folder, which GDAL may read as a data set)
void RequireExisting(const std::filesystem::path& path, const std::string& option) {
    std::error_code error;
    if (path.empty()) throw GisError(option + " names no file");
    if (!std::filesystem::exists(path, error)) throw GisError(option + " " + Label(path) + ": no such file");
}

// a vector data set; tables of text go to GDAL's CSV reader, which finds the separator itself
GDALDatasetUniquePtr OpenVector(const std::filesystem::path& path, const std::string& option) {
    RequireExisting(path, option);
    const bool table = IsTextTable(path);
    const std::string name = (table ? "CSV:" : "") + GdalPath(path);
    const char* const csvOnly[] = {"CSV", nullptr};
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, table ? csvOnly : nullptr));
    if (!dataset) {
        const std::string why = LastGdalError();
        throw GisError(option + " " + Label(path) + ": not a vector data set GDAL can read" +
                       (why.empty() ? "" : " (" + why + ")"));
    }
    return dataset;
}

// the names of every layer, for a message
std::string LayerNames(GDALDataset& dataset) {
    std::string names;
    for (OGRLayer* layer : dataset.GetLayers()) names += (names.empty() ? "" : ", ") + Quoted(layer->GetName());
    return names;
}

// the named layer, or the only one
OGRLayer& PickLayer(GDALDataset& dataset, const std::string& name, const std::filesystem::path& path,
                    const std::string& option) {
    if (!name.empty()) {
        OGRLayer* layer = dataset.GetLayerByName(name.c_str());
        if (!layer) {
            throw GisError("--layer " + Quoted(name) + ": " + Label(path) +
                           " has no such layer (its layers: " + LayerNames(dataset) + ")");
        }
        return *layer;
    }
    if (dataset.GetLayerCount() == 0) throw GisError(option + " " + Label(path) + " holds no layer");
    if (dataset.GetLayerCount() > 1) {
        throw GisError(option + " " + Label(path) + " holds " + std::to_string(dataset.GetLayerCount()) + " layers (" +
                       LayerNames(dataset) + "): choose one with --layer");
    }
    return *dataset.GetLayer(0);
}

// the field index of a column: the one the option names, else the first of the usual names
std::optional<int> FindField(OGRLayer& layer, const std::string& given, std::initializer_list<const char*> usual,
                             const std::string& option, const std::filesystem::path& path) {
    OGRFeatureDefn& definition = *layer.GetLayerDefn();
    if (!given.empty()) {
        const int index = definition.GetFieldIndex(given.c_str());
        if (index < 0) {
            std::string fields;
            for (int i = 0; i < definition.GetFieldCount(); ++i)
                fields += (i ? ", " : "") + Quoted(definition.GetFieldDefn(i)->GetNameRef());
            throw GisError(option + " " + Quoted(given) + ": " + Label(path) +
                           " has no such field (its fields: " + fields + ")");
        }
        return index;
    }
    for (const char* name : usual) {
        const int index = definition.GetFieldIndex(name);  // GDAL compares without regard to case
        if (index >= 0) return index;
    }
    return std::nullopt;
}

// a number from a table cell; nothing when the cell is empty; throws when it is no number
std::optional<double> CellNumber(const std::string& cell, const std::string& what) {
    std::size_t begin = cell.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::nullopt;
    const std::size_t end = cell.find_last_not_of(" \t") + 1;
    if (cell[begin] == '+') ++begin;
    double value = 0.0;
    const auto [at, error] = std::from_chars(cell.data() + begin, cell.data() + end, value);
    if (error != std::errc() || at != cell.data() + end || !std::isfinite(value))
        throw GisError(what + " " + Quoted(cell) + " is not a number");
    return value;
}

// a number from a field: numeric fields as they are stored, text by CellNumber; nothing when unset
std::optional<double> FieldNumber(const OGRFeature& feature, int index, const std::string& what) {
    if (!feature.IsFieldSetAndNotNull(index)) return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(index)->GetType();
    if (type == OFTReal || type == OFTInteger || type == OFTInteger64) {
        const double value = feature.GetFieldAsDouble(index);
        if (!std::isfinite(value)) throw GisError(what + " is not a finite number");
        return value;
    }
    return CellNumber(feature.GetFieldAsString(index), what);
}

// ---- the basin ----------------------------------------------------------------------

struct BasinSource {
    std::unique_ptr<OGRGeometry> Geometry;  // dissolved, in the layer's system
    SpatialReference System;                // the layer's, or nothing
    std::string LayerName;
};

// the polygons the options pick, dissolved into one geometry
BasinSource ReadBasin(const ImportOptions& options) {
    GDALDatasetUniquePtr dataset = OpenVector(options.Basin, "--basin");
    OGRLayer& layer = PickLayer(*dataset, options.Layer, options.Basin, "--basin");
    const std::string where = options.Where.empty() ? "" : " (--where " + Quoted(options.Where) + ")";
    if (!options.Where.empty() && layer.SetAttributeFilter(options.Where.c_str()) != OGRERR_NONE) {
        throw GisError("--where " + Quoted(options.Where) + ": not a filter layer " + Quoted(layer.GetName()) +
                       " understands (" + LastGdalError() + ")");
    }
    BasinSource source;
    source.LayerName = layer.GetName();
    if (const OGRSpatialReference* srs = layer.GetSpatialRef()) source.System = TraditionalCopy(*srs);

    OGRGeometryCollection parts;
    long features = 0;
    for (const OGRFeatureUniquePtr& feature : layer) {
        ++features;
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (!geometry || geometry->IsEmpty()) continue;
        std::unique_ptr<OGRGeometry> linear(geometry->hasCurveGeometry() ? geometry->getLinearGeometry()
                                                                         : geometry->clone());
        const OGRwkbGeometryType type = wkbFlatten(linear->getGeometryType());
        if (type != wkbPolygon && type != wkbMultiPolygon) {
            throw GisError("--basin " + Label(options.Basin) + ": feature " + std::to_string(feature->GetFID()) +
                           " of layer " + Quoted(source.LayerName) + " is a " +
                           OGRGeometryTypeToName(linear->getGeometryType()) + ", not a polygon");
        }
        linear->flattenTo2D();
        parts.addGeometryDirectly(linear.release());
    }
    if (features == 0) {
        throw GisError("--basin " + Label(options.Basin) + ": layer " + Quoted(source.LayerName) + where +
                       " selects no feature");
    }
    if (parts.getNumGeometries() == 0) {
        throw GisError("--basin " + Label(options.Basin) + ": layer " + Quoted(source.LayerName) + where +
                       " holds no polygon");
    }
    if (parts.getNumGeometries() == 1) {
        source.Geometry.reset(parts.getGeometryRef(0)->clone());
    } else {
        source.Geometry.reset(parts.UnionCascaded());
        if (!source.Geometry) {
            source.Geometry.reset(parts.getGeometryRef(0)->clone());
            for (int i = 1; i < parts.getNumGeometries() && source.Geometry; ++i)
                source.Geometry.reset(source.Geometry->Union(parts.getGeometryRef(i)));
        }
        if (!source.Geometry) {
            throw GisError("--basin " + Label(options.Basin) + ": its " + std::to_string(parts.getNumGeometries()) +
                           " polygons cannot be dissolved (" + LastGdalError() + ")");
        }
    }
    return source;
}

// the UTM zone of a longitude/latitude position, WGS 84
SpatialReference UtmSystem(double longitude, double latitude) {
    const int zone = std::clamp(static_cast<int>(std::floor((longitude + 180.0) / 6.0)) + 1, 1, 60);
    auto srs = std::make_unique<OGRSpatialReference>();
    srs->importFromEPSG((latitude >= 0 ? 32600 : 32700) + zone);
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

// the projected system everything is moved into
SpatialReference TargetSystem(const ImportOptions& options, const BasinSource& basin) {
    if (!options.Crs.empty()) {
        SpatialReference target = SpatialReferenceFrom(options.Crs);
        if (!target) throw GisError("--crs " + Quoted(options.Crs) + ": not a coordinate system PROJ knows");
        if (target->IsGeographic() || target->IsGeocentric()) {
            throw GisError("--crs " + Quoted(options.Crs) +
                           " is a longitude/latitude system; areas need a projected system in metres");
        }
        return target;
    }
    if (!basin.System) {
        throw GisError("--basin " + Label(options.Basin) + ": layer " + Quoted(basin.LayerName) +
                       " has no coordinate system; name the one it is in with --crs");
    }
    if (basin.System->IsProjected()) return TraditionalCopy(*basin.System);
    if (basin.System->IsGeographic()) {
        OGRPoint centroid;
        if (basin.Geometry->Centroid(&centroid) != OGRERR_NONE)
            throw GisError("--basin " + Label(options.Basin) + ": the basin has no centroid");
        return UtmSystem(centroid.getX(), centroid.getY());
    }
    throw GisError("--basin " + Label(options.Basin) + ": its coordinate system is neither projected nor " +
                   "longitude/latitude; give a projected one with --crs");
}

// the outer ring of the basin in the target system: the largest part, holes dropped,
// counter-clockwise, without the closing vertex or repeated vertices
std::vector<cPoint> BasinOutline(const OGRGeometry& geometry, const std::string& file, std::ostream& notes) {
    const OGRPolygon* polygon = nullptr;
    if (wkbFlatten(geometry.getGeometryType()) == wkbMultiPolygon) {
        const auto& parts = *geometry.toMultiPolygon();
        double total = 0.0, largest = -1.0;
        for (const OGRPolygon* part : parts) {
            const double area = part->get_Area();
            total += area;
            if (area > largest) {
                largest = area;
                polygon = part;
            }
        }
        if (parts.getNumGeometries() > 1) {
            notes << "basin: " << parts.getNumGeometries() << " separate parts; kept the largest (" << largest << " of "
                  << total << " square units)\n";
        }
    } else if (wkbFlatten(geometry.getGeometryType()) == wkbPolygon) {
        polygon = geometry.toPolygon();
    }
    if (!polygon || !polygon->getExteriorRing() || polygon->IsEmpty())
        throw GisError("--basin " + file + ": the basin has no outline");
    if (polygon->getNumInteriorRings() > 0) {
        notes << "basin: dropped " << polygon->getNumInteriorRings()
              << (polygon->getNumInteriorRings() == 1 ? " hole" : " holes")
              << " (a scene's basin is one ring, holes included)\n";
    }
    const OGRLinearRing& ring = *polygon->getExteriorRing();
    std::vector<cPoint> outline;
    for (int i = 0; i < ring.getNumPoints(); ++i) {
        const cPoint p{ring.getX(i), ring.getY(i), 0.0};
        if (!std::isfinite(p.X) || !std::isfinite(p.Y))
            throw GisError("--basin " + file + ": vertex " + std::to_string(i + 1) + " has no finite coordinates");
        if (!outline.empty() && outline.back().X == p.X && outline.back().Y == p.Y) continue;
        outline.push_back(p);
    }
    while (outline.size() > 1 && outline.front().X == outline.back().X && outline.front().Y == outline.back().Y)
        outline.pop_back();
    if (outline.size() < 3 || TwiceSignedArea(outline) == 0.0) {
        throw GisError("--basin " + file + ": the basin is degenerate (" + std::to_string(outline.size()) +
                       " distinct vertices, no area)");
    }
    if (TwiceSignedArea(outline) < 0) std::reverse(outline.begin(), outline.end());
    return outline;
}

// ---- the gauges ----------------------------------------------------------------------

// a name or number as the station table can carry it: blanks become underscores
std::string TableWord(std::string text, const std::string& what, bool& mended) {
    const std::size_t begin = text.find_first_not_of(" \t");
    const std::size_t end = text.find_last_not_of(" \t");
    text = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    if (text.empty()) throw GisError(what + " is empty");
    for (char& c : text) {
        if (c == ' ' || c == '\t') {
            c = '_';
            mended = true;
        }
        if (c == '(' || c == ')' || c == '\r' || c == '\n') {
            throw GisError(what + " " + Quoted(text) +
                           " holds a bracket or a line break, which the station table cannot carry");
        }
    }
    if (text.front() == '[') throw GisError(what + " " + Quoted(text) + " begins with \"[\", which ends a table");
    return text;
}

// the layer of a gauge file: its only layer, or its only layer of points
OGRLayer& GaugeLayer(GDALDataset& dataset, const std::filesystem::path& path) {
    if (dataset.GetLayerCount() == 1) return *dataset.GetLayer(0);
    OGRLayer* points = nullptr;
    int count = 0;
    for (OGRLayer* layer : dataset.GetLayers()) {
        if (wkbFlatten(layer->GetGeomType()) == wkbPoint) {
            points = layer;
            ++count;
        }
    }
    if (count != 1) {
        throw GisError("--gauges " + Label(path) + " holds " + std::to_string(dataset.GetLayerCount()) + " layers (" +
                       LayerNames(dataset) + "), but not exactly one layer of points");
    }
    return *points;
}

struct GaugeSource {
    std::vector<ImportedGauge> Gauges;  // target system; z NaN where the table gives no height
    long Mended = 0;                    // names or numbers whose blanks became underscores
};

// reads every gauge into the target system
GaugeSource ReadGauges(const ImportOptions& options, const OGRSpatialReference* basinSystem,
                       const OGRSpatialReference& target) {
    GDALDatasetUniquePtr dataset = OpenVector(options.Gauges, "--gauges");
    const std::string file = Label(options.Gauges);
    OGRLayer& layer = GaugeLayer(*dataset, options.Gauges);
    const std::optional<int> name = FindField(layer, options.NameField, {"name"}, "--name-field", options.Gauges);
    const std::optional<int> number =
        FindField(layer, options.NumberField, {"number"}, "--number-field", options.Gauges);
    const std::optional<int> height =
        FindField(layer, options.HeightField, {"height"}, "--height-field", options.Gauges);
    if (!name) throw GisError("--gauges " + file + ": no \"name\" column (name another with --name-field)");
    if (!number) throw GisError("--gauges " + file + ": no \"number\" column (name another with --number-field)");

    // positions: the layer's points, else x/y columns in the basin's system, else lon/lat columns
    const std::optional<int> x = FindField(layer, "", {"x"}, "", options.Gauges);
    const std::optional<int> y = FindField(layer, "", {"y"}, "", options.Gauges);
    const std::optional<int> lon = FindField(layer, "", {"lon", "longitude"}, "", options.Gauges);
    const std::optional<int> lat = FindField(layer, "", {"lat", "latitude"}, "", options.Gauges);
    const bool points = wkbFlatten(layer.GetGeomType()) == wkbPoint;
    const bool byXY = !points && x && y;
    const bool byLonLat = !points && !byXY && lon && lat;
    if (!points && !byXY && !byLonLat)
        throw GisError("--gauges " + file + ": neither x and y nor lon and lat columns, and no point geometry");

    SpatialReference source;
    if (byLonLat) {
        source = SpatialReferenceFrom("EPSG:4326");
    } else if (points && layer.GetSpatialRef()) {
        source = TraditionalCopy(*layer.GetSpatialRef());
    } else if (basinSystem) {
        source = TraditionalCopy(*basinSystem);
    }
    const Transform transform = source ? MakeTransform(*source, target, "--gauges " + file) : Transform(nullptr);

    GaugeSource result;
    long row = 0;
    for (const OGRFeatureUniquePtr& feature : layer) {
        ++row;
        const std::string where = "--gauges " + file + ": row " + std::to_string(row);
        bool mended = false;
        ImportedGauge gauge;
        gauge.Name = TableWord(feature->GetFieldAsString(*name), where + ": the name", mended);
        const std::string which = where + " (gauge " + Quoted(gauge.Name) + ")";
        gauge.Number = TableWord(feature->GetFieldAsString(*number), which + ": the number", mended);
        if (mended) ++result.Mended;
        double px = 0.0, py = 0.0;
        if (points) {
            const OGRGeometry* geometry = feature->GetGeometryRef();
            if (!geometry || geometry->IsEmpty() || wkbFlatten(geometry->getGeometryType()) != wkbPoint)
                throw GisError(which + " has no point");
            px = geometry->toPoint()->getX();
            py = geometry->toPoint()->getY();
        } else {
            const int fx = byXY ? *x : *lon, fy = byXY ? *y : *lat;
            const std::optional<double> vx = FieldNumber(*feature, fx, which + ": " + (byXY ? "x" : "lon"));
            const std::optional<double> vy = FieldNumber(*feature, fy, which + ": " + (byXY ? "y" : "lat"));
            if (!vx || !vy) throw GisError(which + " has no position");
            px = *vx;
            py = *vy;
        }
        if (transform && !transform->Transform(1, &px, &py))
            throw GisError(which + " cannot be moved into the target coordinate system");
        if (!std::isfinite(px) || !std::isfinite(py)) throw GisError(which + " has no finite position");
        gauge.Point = cPoint{px, py, std::numeric_limits<double>::quiet_NaN()};
        if (height) {
            if (std::optional<double> h = FieldNumber(*feature, *height, which + ": height")) gauge.Point.z = *h;
        }
        result.Gauges.push_back(std::move(gauge));
    }
    if (result.Gauges.empty()) throw GisError("--gauges " + file + " holds no gauge");
    return result;
}

// ---- the terrain ---------------------------------------------------------------------

// A terrain model read into memory over the part the gauges need, sampled bilinearly
// between cell centres; NaN outside the model and next to no-data cells.
class Terrain {
  public:
    Terrain(const std::filesystem::path& path, const OGRSpatialReference& target, const std::vector<cPoint>& sites) {
        RequireExisting(path, "--dem");
        GDALDatasetUniquePtr dataset(GDALDataset::Open(GdalPath(path).c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
        file_ = Label(path);
        if (!dataset || dataset->GetRasterCount() < 1)
            throw GisError("--dem " + file_ + ": not a raster GDAL can read");
        double transform[6];
        if (dataset->GetGeoTransform(transform) != CE_None || !GDALInvGeoTransform(transform, inverse_))
            throw GisError("--dem " + file_ + ": the raster is not placed on the ground (no geotransform)");
        if (const OGRSpatialReference* srs = dataset->GetSpatialRef()) {
            const SpatialReference own = TraditionalCopy(*srs);
            toModel_ = MakeTransform(target, *own, "--dem " + file_);
        }
        width_ = dataset->GetRasterXSize();
        height_ = dataset->GetRasterYSize();
        GDALRasterBand& band = *dataset->GetRasterBand(1);
        int hasNoData = 0;
        const double noData = band.GetNoDataValue(&hasNoData);
        int hasScale = 0, hasOffset = 0;
        const double scale = band.GetScale(&hasScale), offset = band.GetOffset(&hasOffset);

        // the window of cells around the gauges: every line between two gauges lies in
        // their bounding box (bent a little when the model has another system)
        double minX = width_, maxX = 0, minY = height_, maxY = 0;
        for (const cPoint& p : sites) {
            double column = 0, row = 0;
            if (!ToCell(p.X, p.Y, column, row)) continue;
            minX = std::min(minX, column);
            maxX = std::max(maxX, column);
            minY = std::min(minY, row);
            maxY = std::max(maxY, row);
        }
        if (minX > maxX) return;  // no gauge on the model: every sample is unknown
        const double padX = 2 + 0.02 * (maxX - minX), padY = 2 + 0.02 * (maxY - minY);
        left_ = std::clamp(static_cast<int>(std::floor(minX - padX)), 0, width_ - 1);
        top_ = std::clamp(static_cast<int>(std::floor(minY - padY)), 0, height_ - 1);
        columns_ = std::clamp(static_cast<int>(std::ceil(maxX + padX)), left_ + 1, width_) - left_;
        rows_ = std::clamp(static_cast<int>(std::ceil(maxY + padY)), top_ + 1, height_) - top_;
        cells_.resize(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
        if (band.RasterIO(GF_Read, left_, top_, columns_, rows_, cells_.data(), columns_, rows_, GDT_Float64, 0, 0) !=
            CE_None)
            throw GisError("--dem " + file_ + ": reading its cells failed (" + LastGdalError() + ")");
        for (double& v : cells_) {
            if ((hasNoData && (v == noData || (std::isnan(noData) && std::isnan(v)))) || !std::isfinite(v)) {
                v = std::numeric_limits<double>::quiet_NaN();
            } else {
                v = v * (hasScale ? scale : 1.0) + (hasOffset ? offset : 0.0);
            }
        }
    }

    // the height at a position of the target system, NaN where unknown
    double operator()(double x, double y) const {
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

    // true when the position lies on the model
    bool Covers(double x, double y) const {
        double column = 0, row = 0;
        return ToCell(x, y, column, row);
    }

    const std::string& File() const { return file_; }

  private:
    // the cell position (column, row from the model's top left) of a target position
    bool ToCell(double x, double y, double& column, double& row) const {
        if (toModel_ && !toModel_->Transform(1, &x, &y)) return false;
        column = inverse_[0] + x * inverse_[1] + y * inverse_[2];
        row = inverse_[3] + x * inverse_[4] + y * inverse_[5];
        return column >= 0 && row >= 0 && column <= width_ && row <= height_;
    }
    double Cell(int i, int j) const {
        return cells_[static_cast<std::size_t>(j) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(i)];
    }

    std::string file_;
    double inverse_[6] = {};
    Transform toModel_;
    int width_ = 0, height_ = 0;
    int left_ = 0, top_ = 0, columns_ = 0, rows_ = 0;
    std::vector<double> cells_;  // rows_ x columns_, NaN for no-data
};

// the vertex-block name of the basin: its layer name without blanks and brackets, and
// never the name of another section of the scene file
std::string BlockName(const std::string& layer) {
    std::string name;
    for (char c : layer) name += (c == ' ' || c == '\t' || c == '[' || c == ']' || c == '=') ? '_' : c;
    if (name.empty()) return "Basin";
    const std::string lower = Lower(name);
    if (lower == "rainstation" || lower == "centerpoint" || lower.rfind("polygon", 0) == 0) return "Basin_" + name;
    return name;
}

// each gauge without a height takes the terrain's; without a terrain only Thiessen can do without
void AssignHeights(std::vector<ImportedGauge>& gaugeList, const std::optional<Terrain>& terrain,
                   const std::string& show) {
    for (ImportedGauge& g : gaugeList) {
        if (!std::isnan(g.Point.z)) continue;
        if (!terrain) {
            if (show != "thiessen") {
                throw GisError("gauge " + Quoted(g.Name) +
                               " has no height: give a height column or a terrain model with --dem");
            }
            g.Point.z = 0.0;
            continue;
        }
        g.Point.z = (*terrain)(g.Point.X, g.Point.Y);
        if (std::isnan(g.Point.z)) {
            throw GisError("gauge " + Quoted(g.Name) + " has no height and lies " +
                           (terrain->Covers(g.Point.X, g.Point.Y) ? "on no-data cells of " : "outside ") + "--dem " +
                           terrain->File());
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
            notes << "centre points: no --dem, so every pair's centre point is its midpoint at the mean height\n";
        }
    }
}

}  // namespace

// reads, transforms and places everything the scene needs
ImportedScene ImportScene(const ImportOptions& options, std::ostream& notes) {
    const GdalSession session;
    const std::string show = Lower(options.Show);
    if (show != "all" && show != "thiessen" && show != "heightbalance")
        throw GisError("--show: " + Quoted(options.Show) + " is none of all, thiessen, heightbalance");
    if (options.Out.empty()) throw GisError("--out names no file");

    ImportedScene scene;
    scene.Show = show;
    BasinSource basin = ReadBasin(options);
    const SpatialReference target = TargetSystem(options, basin);
    scene.Crs = DefinitionOf(*target);
    if (basin.System) {
        const Transform toTarget = MakeTransform(*basin.System, *target, "--basin " + Label(options.Basin));
        if (toTarget && basin.Geometry->transform(toTarget.get()) != OGRERR_NONE)
            throw GisError("--basin " + Label(options.Basin) + ": the basin cannot be moved into " + scene.Crs);
    }
    scene.Basin = BasinOutline(*basin.Geometry, Label(options.Basin), notes);
    scene.BasinName = BlockName(basin.LayerName);

    GaugeSource gauges = ReadGauges(options, basin.System.get(), *target);
    if (gauges.Mended > 0) {
        notes << "gauges: " << gauges.Mended << (gauges.Mended == 1 ? " gauge's" : " gauges'")
              << " name or number held blanks; they are written with underscores\n";
    }

    std::optional<Terrain> terrain;
    if (!options.Dem.empty()) {
        std::vector<cPoint> sites;
        sites.reserve(gauges.Gauges.size());
        for (const ImportedGauge& g : gauges.Gauges) sites.push_back(g.Point);
        terrain.emplace(options.Dem, *target, sites);
    }
    AssignHeights(gauges.Gauges, terrain, show);
    scene.Gauges = std::move(gauges.Gauges);

    PlaceCenterPoints(scene.Gauges, terrain, show, scene.CenterPoints, notes);

    scene.Sources = "basin " + options.Basin.filename().string() + " (layer " + basin.LayerName + "), gauges " +
                    options.Gauges.filename().string() +
                    (options.Dem.empty() ? "" : ", terrain " + options.Dem.filename().string());
    return scene;
}

// the scene file text
std::string SceneText(const ImportedScene& scene) {
    SceneFile file;
    file.Comments = {"Kelvarin scene imported from GIS data by kelvarin-cli import", "from " + scene.Sources};
    file.Polygons = {{scene.BasinName, scene.Basin}};
    file.Show = scene.Show;
    file.CRS = scene.Crs;
    for (const ImportedGauge& g : scene.Gauges) file.Stations.push_back({g.Name, g.Number, g.Point});
    file.CentrePoints = scene.CenterPoints;
    return SceneFileText(file);
}

}  // namespace kelvarin::gis
