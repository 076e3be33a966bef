#pragma once
// The error of the GIS import and export. It says what is wrong in the library's own
// words and names the input it is about, so that a program can name that input its own
// way: kelvarin-cli puts the input's flag in front of the message.

#include <stdexcept>
#include <string>

namespace kelvarin::gis {

// the inputs of an import (ImportOptions) and of an export (its output file)
enum class GisInput { None, Basin, Layer, Where, Gauges, Dem, Crs, NameField, NumberField, HeightField, Show, Out };

// A failure the user can mend: one line naming the file, layer, field or value, never an
// option as a program spells it ("basin.shp: no such file", about the basin). When the
// mend is to give another input, Remedy names it and the message ends where it would
// be named ("basin.gpkg holds 2 layers ("a", "b"): choose one", the remedy the layer).
class GisError : public std::runtime_error {
  public:
    GisError(GisInput input, const std::string& message, GisInput remedy = GisInput::None)
        : std::runtime_error(message), input_(input), remedy_(remedy) {}

    // the input the message is about; None when it names what it is about itself
    GisInput Input() const { return input_; }
    // the input that would mend the problem, or None
    GisInput Remedy() const { return remedy_; }

  private:
    GisInput input_;
    GisInput remedy_;
};

}  // namespace kelvarin::gis
