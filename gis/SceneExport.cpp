#include "gis/SceneExport.hpp"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <set>
#include <string>
#include <system_error>

#include "gis/GdalSupport.hpp"
#include "scene/Scene.hpp"

namespace kelvarin::gis {

namespace {

// how one output format is written
struct Format {
    const char* Driver;
    bool OneFilePerLayer;
};

// the format of an output file, from its extension
Format FormatOf(const std::filesystem::path& out) {
    const std::string extension = LowerAscii(out.extension().string());
    if (extension == ".gpkg") return {"GPKG", false};
    if (extension == ".geojson" || extension == ".json") return {"GeoJSON", true};
    if (extension == ".shp") return {"ESRI Shapefile", true};
    throw GisError(GisInput::Out, GdalPath(out) + ": the name must end in .gpkg, .geojson, .json or .shp");
}

// the file that holds one layer
std::filesystem::path LayerFile(const std::filesystem::path& out, const Format& format, const std::string& layer) {
    if (!format.OneFilePerLayer) return out;
    std::filesystem::path file = out.parent_path() / out.stem();
    file += "_" + layer;
    file += out.extension();
    return file;
}

// a ring as a closed linear ring in scene coordinates
OGRLinearRing SceneRing(const cPolygon& ring, const cPoint& origin) {
    OGRLinearRing linear;
    for (const auto& p : ring) linear.addPoint(p->X + origin.X, p->Y + origin.Y);
    linear.closeRings();
    return linear;
}

// a polygon of one ring in scene coordinates
OGRPolygon ScenePolygon(const cPolygon& ring, const cPoint& origin) {
    OGRPolygon polygon;
    OGRLinearRing linear = SceneRing(ring, origin);
    polygon.addRing(&linear);
    return polygon;
}

// a ring of map-local points
cPolygon RingOf(const std::vector<cPoint>& points) {
    cPolygon ring;
    for (const cPoint& p : points) ring.Add(p.X, p.Y, p.z);
    return ring;
}

// A folder beside the output that holds the files until all of them are written.
class StagingFolder {
  public:
    explicit StagingFolder(const std::filesystem::path& out) : out_(out) {
        const std::filesystem::path parent = out.parent_path().empty() ? "." : out.parent_path();
        std::error_code error;
        if (!std::filesystem::is_directory(parent, error))
            throw GisError(GisInput::Out, GdalPath(out) + ": the folder " + GdalPath(parent) + " does not exist");
        folder_ = parent / (".kelvarin-export-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_, error);
        if (!std::filesystem::create_directory(folder_, error))
            throw GisError(GisInput::Out, GdalPath(out) + ": cannot write in " + GdalPath(parent));
    }
    ~StagingFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& Path() const { return folder_; }

    // moves every staged file to the output's folder
    void Publish(const std::filesystem::path& destination) const {
        std::vector<std::filesystem::path> staged;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) staged.push_back(entry.path());
        for (const auto& file : staged) {
            std::error_code error;
            std::filesystem::rename(file, destination / file.filename(), error);
            if (error)
                throw GisError(GisInput::Out, GdalPath(out_) + ": cannot move " + GdalPath(file.filename()) + " into " +
                                                  GdalPath(destination) + " (" + error.message() + ")");
        }
    }

  private:
    std::filesystem::path out_;  // the output the files are staged for, for messages
    std::filesystem::path folder_;
};

// The data sets being written: one for all layers, or one per layer.
class LayerWriter {
  public:
    LayerWriter(const std::filesystem::path& stagedOut, const Format& format, OGRSpatialReference* system)
        : out_(stagedOut), format_(format), system_(system) {
        driver_ = GetGDALDriverManager()->GetDriverByName(format.Driver);
        if (!driver_) throw GisError(GisInput::None, std::string("GDAL has no ") + format.Driver + " driver");
    }

    // a new layer with the given fields
    OGRLayer& Create(const std::string& name, OGRwkbGeometryType type,
                     const std::vector<std::pair<const char*, OGRFieldType>>& fields) {
        GDALDataset* dataset = nullptr;
        if (format_.OneFilePerLayer || datasets_.empty()) {
            const std::filesystem::path file = LayerFile(out_, format_, name);
            datasets_.emplace_back(driver_->Create(GdalPath(file).c_str(), 0, 0, 0, GDT_Unknown, nullptr));
            if (!datasets_.back())
                throw GisError(GisInput::None,
                               "cannot create " + GdalPath(file.filename()) + " (" + LastGdalError() + ")");
        }
        dataset = datasets_.back().get();
        CPLStringList options;
        if (std::string(format_.Driver) == "GeoJSON") options.SetNameValue("SIGNIFICANT_FIGURES", "17");
        if (std::string(format_.Driver) == "ESRI Shapefile") options.SetNameValue("ENCODING", "UTF-8");
        OGRLayer* layer = dataset->CreateLayer(name.c_str(), system_, type, options.List());
        if (!layer)
            throw GisError(GisInput::None, "cannot create layer " + Quoted(name) + " (" + LastGdalError() + ")");
        for (const auto& [field, kind] : fields) {
            OGRFieldDefn definition(field, kind);
            // a Shapefile keeps numbers as fixed-point text: enough digits to read back the same double
            if (kind == OFTReal) {
                definition.SetWidth(40);
                definition.SetPrecision(22);
            }
            if (layer->CreateField(&definition) != OGRERR_NONE)
                throw GisError(GisInput::None, "cannot create field " + Quoted(field) + " (" + LastGdalError() + ")");
        }
        return *layer;
    }

    // closes every data set, so that everything is on disk
    void Close() {
        for (GDALDatasetUniquePtr& dataset : datasets_) {
            CPLErrorReset();
            dataset.reset();
            if (CPLGetLastErrorType() >= CE_Failure)
                throw GisError(GisInput::None, "writing the layers failed (" + LastGdalError() + ")");
        }
    }

  private:
    std::filesystem::path out_;
    Format format_;
    OGRSpatialReference* system_;  // GDAL's CreateLayer takes it as mutable; it only clones it
    GDALDriver* driver_ = nullptr;
    std::vector<GDALDatasetUniquePtr> datasets_;
};

// adds a feature; throws when the layer refuses it
void Add(OGRLayer& layer, OGRFeature& feature) {
    if (layer.CreateFeature(&feature) != OGRERR_NONE)
        throw GisError(GisInput::None,
                       "cannot write a feature of layer " + Quoted(layer.GetName()) + " (" + LastGdalError() + ")");
}

// what every layer is written from
struct ExportSource {
    const Scene& SceneFile;
    const EngineScene& Local;
    const Construction& Built;
    const SceneStation& Station(long index) const { return SceneFile.Stations.at(static_cast<std::size_t>(index - 1)); }
};

// the basin, with its area
void WriteBasin(const ExportSource& source, LayerWriter& writer) {
    OGRLayer& layer = writer.Create("basin", wkbPolygon, {{"name", OFTString}, {"area", OFTReal}});
    OGRFeature feature(layer.GetLayerDefn());
    feature.SetField("name", source.SceneFile.BasinName.c_str());
    feature.SetField("area", source.Local.BasinArea);
    OGRPolygon polygon = ScenePolygon(RingOf(source.Local.Basin), source.Local.ReferancePoint);
    feature.SetGeometry(&polygon);
    Add(layer, feature);
}

// every gauge, as the scene file places it
void WriteGauges(const ExportSource& source, LayerWriter& writer) {
    std::set<long> selected;
    for (const StationPart& part : source.Built.Stations) selected.insert(part.Station);
    OGRLayer& layer = writer.Create("gauges", wkbPoint,
                                    {{"index", OFTInteger},
                                     {"name", OFTString},
                                     {"number", OFTString},
                                     {"height", OFTReal},
                                     {"selected", OFTInteger}});
    for (long i = 1; i <= static_cast<long>(source.SceneFile.Stations.size()); ++i) {
        const SceneStation& station = source.Station(i);
        OGRFeature feature(layer.GetLayerDefn());
        feature.SetField("index", static_cast<int>(i));
        feature.SetField("name", station.Name.c_str());
        feature.SetField("number", station.Number.c_str());
        feature.SetField("height", station.Point.z);
        feature.SetField("selected", selected.count(i) ? 1 : 0);
        OGRPoint point(station.Point.X, station.Point.Y);
        feature.SetGeometry(&point);
        Add(layer, feature);
    }
}

// the network: the station triangles (Thiessen) or the centre-point triangles, as closed lines
void WriteNetwork(const ExportSource& source, LayerWriter& writer) {
    const Construction& built = source.Built;
    const cPoint& origin = source.Local.ReferancePoint;
    OGRLayer& layer = writer.Create("network", wkbLineString, {{"triangle", OFTInteger}});
    const bool centres = built.Used == Method::HeightBalance;
    const std::size_t count = centres ? built.CenterNetwork.size() : built.Triangles.size();
    for (std::size_t t = 0; t < count; ++t) {
        const std::array<cPoint, 3>& corners = centres ? built.CenterNetwork[t] : built.Triangles[t].Corners;
        OGRLineString line;
        for (std::size_t k = 0; k <= 3; ++k) line.addPoint(corners[k % 3].X + origin.X, corners[k % 3].Y + origin.Y);
        OGRFeature feature(layer.GetLayerDefn());
        feature.SetField("triangle", static_cast<int>(t + 1));
        feature.SetGeometry(&line);
        Add(layer, feature);
    }
}

// each selected gauge's polygon in the frame
void WritePolygons(const ExportSource& source, LayerWriter& writer) {
    OGRLayer& layer =
        writer.Create("polygons", wkbPolygon, {{"index", OFTInteger}, {"name", OFTString}, {"number", OFTString}});
    for (const StationPart& part : source.Built.Stations) {
        if (part.Ring.Count() < 3) continue;  // a ring that controls nothing
        OGRFeature feature(layer.GetLayerDefn());
        feature.SetField("index", static_cast<int>(part.Station));
        feature.SetField("name", source.Station(part.Station).Name.c_str());
        feature.SetField("number", source.Station(part.Station).Number.c_str());
        OGRPolygon polygon = ScenePolygon(part.Ring, source.Local.ReferancePoint);
        feature.SetGeometry(&polygon);
        Add(layer, feature);
    }
}

// each selected gauge's pieces inside the basin, with its area and weight
void WritePieces(const ExportSource& source, LayerWriter& writer) {
    OGRLayer& layer = writer.Create(
        "pieces", wkbMultiPolygon,
        {{"index", OFTInteger}, {"name", OFTString}, {"number", OFTString}, {"area", OFTReal}, {"weight", OFTReal}});
    for (const StationPart& part : source.Built.Stations) {
        OGRFeature feature(layer.GetLayerDefn());
        feature.SetField("index", static_cast<int>(part.Station));
        feature.SetField("name", source.Station(part.Station).Name.c_str());
        feature.SetField("number", source.Station(part.Station).Number.c_str());
        feature.SetField("area", part.Area);
        feature.SetField("weight", part.Weight);
        OGRMultiPolygon pieces;
        for (const cPolygon& piece : part.Pieces) {
            if (piece.Count() < 3) continue;
            OGRPolygon polygon = ScenePolygon(piece, source.Local.ReferancePoint);
            pieces.addGeometry(&polygon);
        }
        feature.SetGeometry(&pieces);
        Add(layer, feature);
    }
}

}  // namespace

// writes the construction's layers
std::vector<std::filesystem::path> ExportConstruction(const Scene& scene, const Construction& construction,
                                                      const std::filesystem::path& out) {
    const GdalSession session;
    const Format format = FormatOf(out);
    SpatialReference system;
    if (!scene.CRS.empty()) {
        system = SpatialReferenceFrom(scene.CRS);
        if (!system)
            throw GisError(GisInput::None,
                           GdalPath(scene.Path) + ": CRS " + Quoted(scene.CRS) + " is not one PROJ knows");
    }
    const StagingFolder staging(out);
    LayerWriter writer(staging.Path() / out.filename(), format, system.get());
    const ExportSource source{scene, scene.Local, construction};
    WriteBasin(source, writer);
    WriteGauges(source, writer);
    WriteNetwork(source, writer);
    WritePolygons(source, writer);
    WritePieces(source, writer);
    writer.Close();

    const std::filesystem::path destination = out.parent_path().empty() ? "." : out.parent_path();
    staging.Publish(destination);
    std::vector<std::filesystem::path> written;
    if (format.OneFilePerLayer) {
        for (const char* layer : kExportLayers) written.push_back(LayerFile(out, format, layer));
    } else {
        written.push_back(out);
    }
    return written;
}

}  // namespace kelvarin::gis
