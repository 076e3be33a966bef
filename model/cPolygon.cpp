#include "model/cPolygon.hpp"

#include <stdexcept>
#include <string>

#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

// the whole text, blanks around it allowed, must be one number
double NumberFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    double value = 0.0;
    auto [end, error] = ReadDouble(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw std::invalid_argument("\"" + std::string(text) + "\" is not a number");
    return value;
}

}  // namespace

void cPolygon::AddHandlePoint(const PointRef& hPoint, std::string_view sKey) { vertices_.Append(hPoint, sKey); }

PointRef cPolygon::Add(double X, double Y, double z, std::string_view sKey) {
    auto point = NewPoint(X, Y, z);
    vertices_.Append(point, sKey);
    return point;
}

PointRef cPolygon::Add(std::string_view X, std::string_view Y, std::string_view z, std::string_view sKey) {
    return Add(NumberFromText(X), NumberFromText(Y), NumberFromText(z), sKey);
}

PointRef cPolygon::AddPoint(const cPoint& source, std::string_view sKey) {
    return Add(source.X, source.Y, source.z, sKey);
}

}  // namespace kelvarin
