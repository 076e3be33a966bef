#pragma once
// What the import and the export share around GDAL: registering the drivers once,
// keeping GDAL's own messages off the console, spatial references in the x = east /
// longitude, y = north / latitude order, and the bits of text their messages use.

#include <ogr_spatialref.h>

#include <filesystem>
#include <memory>
#include <string>

#include "gis/GisError.hpp"

class OGRCoordinateTransformation;

namespace kelvarin::gis {

// Registers GDAL's drivers (once) and silences GDAL's own error printing for the
// lifetime of the object; what GDAL last complained about is read with LastGdalError.
class GdalSession {
  public:
    GdalSession();
    ~GdalSession();
    GdalSession(const GdalSession&) = delete;
    GdalSession& operator=(const GdalSession&) = delete;
};

// GDAL's last error message on this thread as one line, or empty
std::string LastGdalError();

// a path as GDAL takes it (UTF-8)
std::string GdalPath(const std::filesystem::path& path);

// text in double quotes for a message
std::string Quoted(const std::string& text);

// the text with its ASCII capitals made small (file extensions, option values)
std::string LowerAscii(std::string text);

using SpatialReference = std::unique_ptr<OGRSpatialReference>;

// a copy of a spatial reference that orders axes east then north (longitude then latitude)
SpatialReference TraditionalCopy(const OGRSpatialReference& srs);

// a spatial reference from any definition PROJ understands ("EPSG:32613", WKT, PROJ
// strings); nothing when it is not one
SpatialReference SpatialReferenceFrom(const std::string& definition);

// the shortest text that names the system again: "EPSG:32613" when it has such a code,
// otherwise single-line WKT
std::string DefinitionOf(const OGRSpatialReference& srs);

struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* transform) const;
};
using Transform = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

// the transformation between two systems; nothing when they are the same system.
// Throws GisError about `input`, whose file is `file`, when PROJ has none.
Transform MakeTransform(const OGRSpatialReference& from, const OGRSpatialReference& to, GisInput input,
                        const std::string& file);

}  // namespace kelvarin::gis
