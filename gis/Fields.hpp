#pragma once
// The columns of a layer and the numbers in its features: a column the user names or one
// found under its usual names, numbers from numeric fields or from text cells.

#include <ogrsf_frmts.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

namespace kelvarin::gis {

// The field index of a column: the one `given` names (GisError when the layer has no such
// field; `option` and path name it in the message), else the first of the `usual` names
// (GDAL compares them without regard to case); nothing when the layer has none of them.
std::optional<int> FindField(OGRLayer& layer, const std::string& given, std::initializer_list<const char*> usual,
                             const std::string& option, const std::filesystem::path& path);

// A number from a field: numeric fields as they are stored, text read as a decimal number
// (blanks around it and a leading "+" allowed). Nothing when the field is unset or blank;
// GisError naming `what` when it holds no finite number.
std::optional<double> FieldNumber(const OGRFeature& feature, int index, const std::string& what);

}  // namespace kelvarin::gis
