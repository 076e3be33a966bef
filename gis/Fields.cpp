#include "gis/Fields.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

#include "gis/GdalSupport.hpp"
#include "model/DecimalReader.hpp"

namespace kelvarin::gis {

namespace {

// a number from a table cell; nothing when the cell is empty; throws when it is no number
std::optional<double> CellNumber(const std::string& cell, GisInput input, const std::string& what) {
    std::size_t begin = cell.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::nullopt;
    const std::size_t end = cell.find_last_not_of(" \t") + 1;
    if (cell[begin] == '+') ++begin;
    double value = 0.0;
    const auto [at, error] = ReadDouble(cell.data() + begin, cell.data() + end, value);
    if (error != std::errc() || at != cell.data() + end || !std::isfinite(value))
        throw GisError(input, what + " " + Quoted(cell) + " is not a number");
    return value;
}

}  // namespace

// the field index of a column: the one given, else the first of the usual names
std::optional<int> FindField(OGRLayer& layer, const std::string& given, std::initializer_list<const char*> usual,
                             GisInput input, const std::filesystem::path& path) {
    OGRFeatureDefn& definition = *layer.GetLayerDefn();
    if (!given.empty()) {
        const int index = definition.GetFieldIndex(given.c_str());
        if (index < 0) {
            std::string fields;
            for (int i = 0; i < definition.GetFieldCount(); ++i)
                fields += (i ? ", " : "") + Quoted(definition.GetFieldDefn(i)->GetNameRef());
            throw GisError(input,
                           Quoted(given) + ": " + GdalPath(path) + " has no such field (its fields: " + fields + ")");
        }
        return index;
    }
    for (const char* name : usual) {
        const int index = definition.GetFieldIndex(name);  // GDAL compares without regard to case
        if (index >= 0) return index;
    }
    return std::nullopt;
}

// a number from a field: numeric fields as they are stored, text by CellNumber; nothing when unset
std::optional<double> FieldNumber(const OGRFeature& feature, int index, GisInput input, const std::string& what) {
    if (!feature.IsFieldSetAndNotNull(index)) return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(index)->GetType();
    if (type == OFTReal || type == OFTInteger || type == OFTInteger64) {
        const double value = feature.GetFieldAsDouble(index);
        if (!std::isfinite(value)) throw GisError(input, what + " is not a finite number");
        return value;
    }
    return CellNumber(feature.GetFieldAsString(index), input, what);
}

}  // namespace kelvarin::gis
