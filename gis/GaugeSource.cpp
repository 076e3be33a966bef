#include "gis/GaugeSource.hpp"

#include <ogrsf_frmts.h>

#include <cmath>
#include <limits>
#include <optional>

#include "gis/Fields.hpp"
#include "gis/GdalSupport.hpp"
#include "gis/InputFiles.hpp"

namespace kelvarin::gis {

namespace {

// a name or number as the station table can carry it: blanks become underscores
std::string TableWord(std::string text, const std::string& what, bool& mended) {
    const std::size_t begin = text.find_first_not_of(" \t");
    const std::size_t end = text.find_last_not_of(" \t");
    text = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    if (text.empty()) throw GisError(GisInput::Gauges, what + " is empty");
    for (char& c : text) {
        if (c == ' ' || c == '\t') {
            c = '_';
            mended = true;
        }
        if (c == '(' || c == ')' || c == '\r' || c == '\n') {
            throw GisError(
                GisInput::Gauges,
                what + " " + Quoted(text) + " holds a bracket or a line break, which the station table cannot carry");
        }
    }
    if (text.front() == '[')
        throw GisError(GisInput::Gauges, what + " " + Quoted(text) + " begins with \"[\", which ends a table");
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
        throw GisError(GisInput::Gauges, GdalPath(path) + " holds " + std::to_string(dataset.GetLayerCount()) +
                                             " layers (" + LayerNames(dataset) +
                                             "), but not exactly one layer of points");
    }
    return *points;
}

// where a gauge file keeps what the scene needs
struct GaugeColumns {
    int Name = 0, Number = 0;
    std::optional<int> Height;
    bool Points = false;  // positions are the layer's points
    bool ByXY = false;    // else x/y columns, in the basin's system
    int X = 0, Y = 0;     // the position columns, x/y or lon/lat
};

// the columns of the gauge layer: names, numbers and heights where the options say or
// under their usual names; positions from points, x/y or lon/lat
GaugeColumns FindColumns(OGRLayer& layer, const ImportOptions& options) {
    const std::string file = GdalPath(options.Gauges);
    const std::optional<int> name = FindField(layer, options.NameField, {"name"}, GisInput::NameField, options.Gauges);
    const std::optional<int> number =
        FindField(layer, options.NumberField, {"number"}, GisInput::NumberField, options.Gauges);
    GaugeColumns columns;
    columns.Height = FindField(layer, options.HeightField, {"height"}, GisInput::HeightField, options.Gauges);
    if (!name) throw GisError(GisInput::Gauges, file + ": no \"name\" column; name another", GisInput::NameField);
    if (!number) throw GisError(GisInput::Gauges, file + ": no \"number\" column; name another", GisInput::NumberField);
    columns.Name = *name;
    columns.Number = *number;

    const std::optional<int> x = FindField(layer, "", {"x"}, GisInput::None, options.Gauges);
    const std::optional<int> y = FindField(layer, "", {"y"}, GisInput::None, options.Gauges);
    const std::optional<int> lon = FindField(layer, "", {"lon", "longitude"}, GisInput::None, options.Gauges);
    const std::optional<int> lat = FindField(layer, "", {"lat", "latitude"}, GisInput::None, options.Gauges);
    columns.Points = wkbFlatten(layer.GetGeomType()) == wkbPoint;
    columns.ByXY = !columns.Points && x && y;
    const bool byLonLat = !columns.Points && !columns.ByXY && lon && lat;
    if (!columns.Points && !columns.ByXY && !byLonLat)
        throw GisError(GisInput::Gauges, file + ": neither x and y nor lon and lat columns, and no point geometry");
    if (columns.ByXY) {
        columns.X = *x;
        columns.Y = *y;
    } else if (byLonLat) {
        columns.X = *lon;
        columns.Y = *lat;
    }
    return columns;
}

// the system the positions are in: WGS 84 for lon/lat, the points' own, else the basin's; nothing when unknown
SpatialReference PositionSystem(OGRLayer& layer, const GaugeColumns& columns, const OGRSpatialReference* basinSystem) {
    if (!columns.Points && !columns.ByXY) return SpatialReferenceFrom("EPSG:4326");
    if (columns.Points && layer.GetSpatialRef()) return TraditionalCopy(*layer.GetSpatialRef());
    if (basinSystem) return TraditionalCopy(*basinSystem);
    return nullptr;
}

// the position of one feature in its file's system; `which` names the gauge in messages
void FeaturePosition(const OGRFeature& feature, const GaugeColumns& columns, const std::string& which, double& px,
                     double& py) {
    if (columns.Points) {
        const OGRGeometry* geometry = feature.GetGeometryRef();
        if (!geometry || geometry->IsEmpty() || wkbFlatten(geometry->getGeometryType()) != wkbPoint)
            throw GisError(GisInput::Gauges, which + " has no point");
        px = geometry->toPoint()->getX();
        py = geometry->toPoint()->getY();
        return;
    }
    const std::optional<double> vx =
        FieldNumber(feature, columns.X, GisInput::Gauges, which + ": " + (columns.ByXY ? "x" : "lon"));
    const std::optional<double> vy =
        FieldNumber(feature, columns.Y, GisInput::Gauges, which + ": " + (columns.ByXY ? "y" : "lat"));
    if (!vx || !vy) throw GisError(GisInput::Gauges, which + " has no position");
    px = *vx;
    py = *vy;
}

// one gauge from one row: its name and number mended, its position in the target system
ImportedGauge ReadGauge(const OGRFeature& feature, const GaugeColumns& columns, OGRCoordinateTransformation* transform,
                        const std::string& where, bool& mended) {
    ImportedGauge gauge;
    gauge.Name = TableWord(feature.GetFieldAsString(columns.Name), where + ": the name", mended);
    const std::string which = where + " (gauge " + Quoted(gauge.Name) + ")";
    gauge.Number = TableWord(feature.GetFieldAsString(columns.Number), which + ": the number", mended);
    double px = 0.0, py = 0.0;
    FeaturePosition(feature, columns, which, px, py);
    if (transform && !transform->Transform(1, &px, &py))
        throw GisError(GisInput::Gauges, which + " cannot be moved into the target coordinate system");
    if (!std::isfinite(px) || !std::isfinite(py)) throw GisError(GisInput::Gauges, which + " has no finite position");
    gauge.Point = cPoint{px, py, std::numeric_limits<double>::quiet_NaN()};
    if (columns.Height) {
        if (std::optional<double> h = FieldNumber(feature, *columns.Height, GisInput::Gauges, which + ": height"))
            gauge.Point.z = *h;
    }
    return gauge;
}

}  // namespace

// reads every gauge into the target system
GaugeSource ReadGauges(const ImportOptions& options, const OGRSpatialReference* basinSystem,
                       const OGRSpatialReference& target) {
    GDALDatasetUniquePtr dataset = OpenVector(options.Gauges, GisInput::Gauges);
    const std::string file = GdalPath(options.Gauges);
    OGRLayer& layer = GaugeLayer(*dataset, options.Gauges);
    const GaugeColumns columns = FindColumns(layer, options);
    const SpatialReference source = PositionSystem(layer, columns, basinSystem);
    const Transform transform = source ? MakeTransform(*source, target, GisInput::Gauges, file) : Transform(nullptr);

    GaugeSource result;
    long row = 0;
    for (const OGRFeatureUniquePtr& feature : layer) {
        ++row;
        bool mended = false;
        result.Gauges.push_back(
            ReadGauge(*feature, columns, transform.get(), file + ": row " + std::to_string(row), mended));
        if (mended) ++result.Mended;
    }
    if (result.Gauges.empty()) throw GisError(GisInput::Gauges, file + " holds no gauge");
    return result;
}

}  // namespace kelvarin::gis
