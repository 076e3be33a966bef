#pragma once
// The flags of `import` and `export` for the inputs gis/ names in its errors, and the line
// kelvarin-cli prints for such an error: "--basin basin.shp: no such file".

#include <string>

#include "gis/GisError.hpp"

namespace kelvarin {

// the flag that gives an input ("--basin"); empty for None
std::string FlagOf(gis::GisInput input);

// the error's message with the flag of its input in front and, when it has a remedy,
// " with " and the remedy's flag behind
std::string FlagLine(const gis::GisError& error);

}  // namespace kelvarin
