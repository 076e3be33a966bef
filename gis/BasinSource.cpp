#include "gis/BasinSource.hpp"

#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>

#include "geometry/modGISTools.hpp"
#include "gis/InputFiles.hpp"

namespace kelvarin::gis {

namespace {

// the named layer, or the only one
OGRLayer& PickLayer(GDALDataset& dataset, const std::string& name, const std::string& file) {
    if (!name.empty()) {
        OGRLayer* layer = dataset.GetLayerByName(name.c_str());
        if (!layer) {
            throw GisError(GisInput::Layer,
                           Quoted(name) + ": " + file + " has no such layer (its layers: " + LayerNames(dataset) + ")");
        }
        return *layer;
    }
    if (dataset.GetLayerCount() == 0) throw GisError(GisInput::Basin, file + " holds no layer");
    if (dataset.GetLayerCount() > 1) {
        throw GisError(GisInput::Basin,
                       file + " holds " + std::to_string(dataset.GetLayerCount()) + " layers (" + LayerNames(dataset) +
                           "): choose one",
                       GisInput::Layer);
    }
    return *dataset.GetLayer(0);
}

// the polygons of every feature the layer's filter lets through, flat and without curves;
// counts the features
OGRGeometryCollection CollectPolygons(OGRLayer& layer, const std::string& file, long& features) {
    OGRGeometryCollection parts;
    for (const OGRFeatureUniquePtr& feature : layer) {
        ++features;
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (!geometry || geometry->IsEmpty()) continue;
        std::unique_ptr<OGRGeometry> linear(geometry->hasCurveGeometry() ? geometry->getLinearGeometry()
                                                                         : geometry->clone());
        const OGRwkbGeometryType type = wkbFlatten(linear->getGeometryType());
        if (type != wkbPolygon && type != wkbMultiPolygon) {
            throw GisError(GisInput::Basin, file + ": feature " + std::to_string(feature->GetFID()) + " of layer " +
                                                Quoted(layer.GetName()) + " is a " +
                                                OGRGeometryTypeToName(linear->getGeometryType()) + ", not a polygon");
        }
        linear->flattenTo2D();
        parts.addGeometryDirectly(linear.release());
    }
    return parts;
}

// the name of a feature's sub-basin: its field's text, blanks around it trimmed
std::string SubbasinName(const OGRFeature& feature, int field, const std::string& fieldName, const std::string& file) {
    std::string name = feature.IsFieldSetAndNotNull(field) ? feature.GetFieldAsString(field) : "";
    const auto first = name.find_first_not_of(" \t");
    name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(" \t") - first + 1);
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos)
        throw GisError(GisInput::SubbasinField, file + ": feature " + std::to_string(feature.GetFID()) +
                                                    (name.empty() ? " has no name in field "
                                                                  : " has a name of several "
                                                                    "lines in field ") +
                                                    Quoted(fieldName));
    return name;
}

// the polygons of each sub-basin name, in the order of the name's first feature
std::vector<std::pair<std::string, OGRGeometryCollection>> CollectSubbasins(OGRLayer& layer, const std::string& field,
                                                                            const std::string& file) {
    const int index = layer.GetLayerDefn()->GetFieldIndex(field.c_str());
    if (index < 0)
        throw GisError(GisInput::SubbasinField,
                       Quoted(field) + ": layer " + Quoted(layer.GetName()) + " of " + file + " has no such field");
    std::vector<std::pair<std::string, OGRGeometryCollection>> groups;
    layer.ResetReading();
    for (const OGRFeatureUniquePtr& feature : layer) {
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (!geometry || geometry->IsEmpty()) continue;
        const std::string name = SubbasinName(*feature, index, field, file);
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == name; });
        if (group == groups.end()) group = groups.insert(groups.end(), {name, OGRGeometryCollection()});
        std::unique_ptr<OGRGeometry> linear(geometry->hasCurveGeometry() ? geometry->getLinearGeometry()
                                                                         : geometry->clone());
        linear->flattenTo2D();
        group->second.addGeometryDirectly(linear.release());
    }
    return groups;
}

// the union of the parts: cascaded when GEOS can, else one part at a time
std::unique_ptr<OGRGeometry> Dissolve(const OGRGeometryCollection& parts, const std::string& file) {
    if (parts.getNumGeometries() == 1) return std::unique_ptr<OGRGeometry>(parts.getGeometryRef(0)->clone());
    std::unique_ptr<OGRGeometry> dissolved(parts.UnionCascaded());
    if (!dissolved) {
        dissolved.reset(parts.getGeometryRef(0)->clone());
        for (int i = 1; i < parts.getNumGeometries() && dissolved; ++i)
            dissolved.reset(dissolved->Union(parts.getGeometryRef(i)));
    }
    if (!dissolved) {
        throw GisError(GisInput::Basin, file + ": its " + std::to_string(parts.getNumGeometries()) +
                                            " polygons cannot be dissolved (" + LastGdalError() + ")");
    }
    return dissolved;
}

// Nothing to make a basin of (`what`: "feature" or "polygon"): the filter's fault when the
// options give one, else the layer's.
GisError NothingSelected(const ImportOptions& options, const std::string& layer, const std::string& what) {
    const std::string file = GdalPath(options.Basin);
    if (!options.Where.empty()) {
        return GisError(GisInput::Where,
                        Quoted(options.Where) + " selects no " + what + " of layer " + Quoted(layer) + " in " + file);
    }
    return GisError(GisInput::Basin, file + ": layer " + Quoted(layer) +
                                         (what == "feature" ? " selects no feature" : " holds no polygon"));
}

// the UTM zone of a longitude/latitude position, WGS 84
SpatialReference UtmSystem(double longitude, double latitude) {
    const int zone = std::clamp(static_cast<int>(std::floor((longitude + 180.0) / 6.0)) + 1, 1, 60);
    auto srs = std::make_unique<OGRSpatialReference>();
    srs->importFromEPSG((latitude >= 0 ? 32600 : 32700) + zone);
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

}  // namespace

// the polygons the options pick, dissolved into one geometry
BasinSource ReadBasin(const ImportOptions& options) {
    const std::string file = GdalPath(options.Basin);
    GDALDatasetUniquePtr dataset = OpenVector(options.Basin, GisInput::Basin);
    OGRLayer& layer = PickLayer(*dataset, options.Layer, file);
    if (!options.Where.empty() && layer.SetAttributeFilter(options.Where.c_str()) != OGRERR_NONE) {
        throw GisError(GisInput::Where, Quoted(options.Where) + ": not a filter layer " + Quoted(layer.GetName()) +
                                            " understands (" + LastGdalError() + ")");
    }
    BasinSource source;
    source.LayerName = layer.GetName();
    if (const OGRSpatialReference* srs = layer.GetSpatialRef()) source.System = TraditionalCopy(*srs);

    long features = 0;
    const OGRGeometryCollection parts = CollectPolygons(layer, file, features);
    if (features == 0) throw NothingSelected(options, source.LayerName, "feature");
    if (parts.getNumGeometries() == 0) throw NothingSelected(options, source.LayerName, "polygon");
    source.Geometry = Dissolve(parts, file);
    if (options.SubbasinField.empty()) return source;
    for (auto& [name, group] : CollectSubbasins(layer, options.SubbasinField, file))
        source.Subbasins.emplace_back(name, Dissolve(group, file));
    return source;
}

// the projected system everything is moved into
SpatialReference TargetSystem(const ImportOptions& options, const BasinSource& basin) {
    if (!options.Crs.empty()) {
        SpatialReference target = SpatialReferenceFrom(options.Crs);
        if (!target) throw GisError(GisInput::Crs, Quoted(options.Crs) + ": not a coordinate system PROJ knows");
        if (target->IsGeographic() || target->IsGeocentric()) {
            throw GisError(
                GisInput::Crs,
                Quoted(options.Crs) + " is a longitude/latitude system; areas need a projected system in metres");
        }
        return target;
    }
    const std::string file = GdalPath(options.Basin);
    if (!basin.System) {
        throw GisError(GisInput::Basin,
                       file + ": layer " + Quoted(basin.LayerName) + " has no coordinate system; name the one it is in",
                       GisInput::Crs);
    }
    if (basin.System->IsProjected()) return TraditionalCopy(*basin.System);
    if (basin.System->IsGeographic()) {
        OGRPoint centroid;
        if (basin.Geometry->Centroid(&centroid) != OGRERR_NONE)
            throw GisError(GisInput::Basin, file + ": the basin has no centroid");
        return UtmSystem(centroid.getX(), centroid.getY());
    }
    throw GisError(GisInput::Basin,
                   file + ": its coordinate system is neither projected nor longitude/latitude; give a projected one",
                   GisInput::Crs);
}

// the basin in the target system
void MoveBasin(BasinSource& basin, const OGRSpatialReference& target, const std::string& crs,
               const std::filesystem::path& file) {
    if (!basin.System) return;
    const Transform toTarget = MakeTransform(*basin.System, target, GisInput::Basin, GdalPath(file));
    if (toTarget && basin.Geometry->transform(toTarget.get()) != OGRERR_NONE)
        throw GisError(GisInput::Basin, GdalPath(file) + ": the basin cannot be moved into " + crs);
    for (auto& [name, geometry] : basin.Subbasins)
        if (toTarget && geometry->transform(toTarget.get()) != OGRERR_NONE)
            throw GisError(GisInput::Basin,
                           GdalPath(file) + ": sub-basin " + Quoted(name) + " cannot be moved into " + crs);
}

// the outer ring of the largest part, counter-clockwise, open, without repeated vertices
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
        throw GisError(GisInput::Basin, file + ": the basin has no outline");
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
            throw GisError(GisInput::Basin, file + ": vertex " + std::to_string(i + 1) + " has no finite coordinates");
        if (!outline.empty() && outline.back().X == p.X && outline.back().Y == p.Y) continue;
        outline.push_back(p);
    }
    while (outline.size() > 1 && outline.front().X == outline.back().X && outline.front().Y == outline.back().Y)
        outline.pop_back();
    if (outline.size() < 3 || TwiceSignedArea(outline) == 0.0) {
        throw GisError(GisInput::Basin, file + ": the basin is degenerate (" + std::to_string(outline.size()) +
                                            " distinct vertices, no area)");
    }
    if (TwiceSignedArea(outline) < 0) std::reverse(outline.begin(), outline.end());
    return outline;
}

namespace {

// an OGR ring open, without repeated vertices
std::vector<cPoint> OpenRing(const OGRLinearRing& ring, const std::string& what, const std::string& file) {
    std::vector<cPoint> points;
    for (int i = 0; i < ring.getNumPoints(); ++i) {
        const cPoint p{ring.getX(i), ring.getY(i), 0.0};
        if (!std::isfinite(p.X) || !std::isfinite(p.Y))
            throw GisError(GisInput::Basin, std::string(file).append(": ").append(what).append(
                                                " has a vertex without finite coordinates"));
        if (!points.empty() && points.back().X == p.X && points.back().Y == p.Y) continue;
        points.push_back(p);
    }
    while (points.size() > 1 && points.front().X == points.back().X && points.front().Y == points.back().Y)
        points.pop_back();
    return points;
}

}  // namespace

SceneFileSubbasin SubbasinOf(const std::string& name, const OGRGeometry& geometry, const std::string& file) {
    SceneFileSubbasin subbasin;
    subbasin.Name = name;
    std::vector<const OGRPolygon*> polygons;
    if (wkbFlatten(geometry.getGeometryType()) == wkbPolygon) polygons.push_back(geometry.toPolygon());
    if (wkbFlatten(geometry.getGeometryType()) == wkbMultiPolygon)
        for (const OGRPolygon* part : *geometry.toMultiPolygon()) polygons.push_back(part);
    const std::string what = "sub-basin " + Quoted(name);
    for (const OGRPolygon* polygon : polygons) {
        if (polygon->IsEmpty() || !polygon->getExteriorRing()) continue;
        SceneFilePart& part = subbasin.Parts.emplace_back();
        part.Shell = OpenRing(*polygon->getExteriorRing(), what, file);
        for (int h = 0; h < polygon->getNumInteriorRings(); ++h)
            part.Holes.push_back(OpenRing(*polygon->getInteriorRing(h), what, file));
    }
    if (subbasin.Parts.empty()) throw GisError(GisInput::Basin, file + ": " + what + " has no polygon");
    return subbasin;
}

// the layer name made fit to name a vertex block
std::string BlockName(const std::string& layer) {
    std::string name;
    for (char c : layer) name += (c == ' ' || c == '\t' || c == '[' || c == ']' || c == '=') ? '_' : c;
    if (name.empty()) return "Basin";
    const std::string lower = LowerAscii(name);
    if (lower == "rainstation" || lower == "centerpoint" || lower.rfind("polygon", 0) == 0 ||
        lower.rfind("subbasin", 0) == 0)
        return "Basin_" + name;
    return name;
}

}  // namespace kelvarin::gis
