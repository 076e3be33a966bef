#include "cli/GisFlags.hpp"

namespace kelvarin {

// the options of import (and export's --out)
std::string FlagOf(gis::GisInput input) {
    switch (input) {
        case gis::GisInput::Basin:
            return "--basin";
        case gis::GisInput::Layer:
            return "--layer";
        case gis::GisInput::Where:
            return "--where";
        case gis::GisInput::Gauges:
            return "--gauges";
        case gis::GisInput::Dem:
            return "--dem";
        case gis::GisInput::Crs:
            return "--crs";
        case gis::GisInput::NameField:
            return "--name-field";
        case gis::GisInput::NumberField:
            return "--number-field";
        case gis::GisInput::HeightField:
            return "--height-field";
        case gis::GisInput::Show:
            return "--show";
        case gis::GisInput::Out:
            return "--out";
        case gis::GisInput::None:
            break;
    }
    return "";
}

// "--flag message with --remedy"
std::string FlagLine(const gis::GisError& error) {
    const std::string flag = FlagOf(error.Input());
    std::string line = flag.empty() ? error.what() : flag + " " + error.what();
    if (error.Remedy() != gis::GisInput::None) line += " with " + FlagOf(error.Remedy());
    return line;
}

}  // namespace kelvarin
