#include "gis/GdalSupport.hpp"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <mutex>

namespace kelvarin::gis {

GdalSession::GdalSession() {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

GdalSession::~GdalSession() { CPLPopErrorHandler(); }

// GDAL's last error message, or empty
std::string LastGdalError() {
    const char* message = CPLGetLastErrorMsg();
    // some of GDAL's messages run over several lines; ours are one line each
    std::string text;
    for (const char* c = message ? message : ""; *c; ++c) {
        const bool blank = *c == '\n' || *c == '\r' || *c == '\t' || *c == ' ';
        if (!blank) {
            text += *c;
        } else if (!text.empty() && text.back() != ' ') {
            text += ' ';
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// the path as UTF-8 text
std::string GdalPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// text in double quotes
std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// ASCII capitals made small; other bytes (UTF-8 included) kept
std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// a copy with east/north axis order
SpatialReference TraditionalCopy(const OGRSpatialReference& srs) {
    SpatialReference copy(srs.Clone());
    copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return copy;
}

// a spatial reference from a user's definition
SpatialReference SpatialReferenceFrom(const std::string& definition) {
    auto srs = std::make_unique<OGRSpatialReference>();
    if (definition.empty() || srs->SetFromUserInput(definition.c_str()) != OGRERR_NONE) return nullptr;
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

// "AUTH:CODE" when the system has an authority code, else one-line WKT
std::string DefinitionOf(const OGRSpatialReference& srs) {
    const char* root = srs.IsProjected() ? "PROJCS" : (srs.IsGeographic() ? "GEOGCS" : nullptr);
    const char* authority = srs.GetAuthorityName(root);
    const char* code = srs.GetAuthorityCode(root);
    if (authority && code) return std::string(authority) + ":" + code;
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
    if (srs.exportToWkt(&wkt, options) != OGRERR_NONE || !wkt) {
        CPLFree(wkt);
        throw GisError(GisInput::None, "the coordinate system cannot be written as text: " + LastGdalError());
    }
    std::string text(wkt);
    CPLFree(wkt);
    return text;
}

void TransformDeleter::operator()(OGRCoordinateTransformation* transform) const {
    OGRCoordinateTransformation::DestroyCT(transform);
}

// the transformation from one system to another, or nothing when they are the same
Transform MakeTransform(const OGRSpatialReference& from, const OGRSpatialReference& to, GisInput input,
                        const std::string& file) {
    if (from.IsSame(&to)) return nullptr;
    Transform transform(OGRCreateCoordinateTransformation(&from, &to));
    if (!transform) {
        throw GisError(input, file + ": no transformation from " + DefinitionOf(from) + " to " + DefinitionOf(to) +
                                  " (" + LastGdalError() + ")");
    }
    return transform;
}

}  // namespace kelvarin::gis
