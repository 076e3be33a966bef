#pragma once
// The columns of a layer and the numbers in its features: a column the user names or one
// found under its usual names, numbers from numeric fields or from text cells.

#include <ogrsf_frmts.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include "gis/GisError.hpp"

namespace kelvarin::gis {

// The field index of a column: the one `given` names (GisError about `input` when the
// layer, read from path, has no such field), else the first of the `usual` names (GDAL
// compares them without regard to case); nothing when the layer has none of them.
std::optional<int> FindField(OGRLayer& layer, const std::string& given, std::initializer_list<const char*> usual,
                             GisInput input, const std::filesystem::path& path);

// A number from a field: numeric fields as they are stored, text read as a decimal number
// (blanks around it and a leading "+" allowed). Nothing when the field is unset or blank;
// GisError about `input`, naming `what`, when it holds no finite number.
std::optional<double> FieldNumber(const OGRFeature& feature, int index, GisInput input, const std::string& what);

}  // namespace kelvarin::gis
