#include "scene/SceneWriter.hpp"

#include <charconv>
#include <cstdio>
#include <system_error>

#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

// a number with the given decimals, or the shortest fixed-point text of it
std::string Number(double value, int decimals) {
    char text[400];  // the longest fixed-point double has some 330 digits
    if (decimals == SceneFileNumbers::kShortest) {
#if defined(__cpp_lib_to_chars)
        const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
        return std::string(text, result.ptr);
#else
        // a library without floating-point to_chars: the fewest decimals that read back the same
        for (int places = 0; places < 340; ++places) {
            const int length = std::snprintf(text, sizeof text, "%.*f", places, value);
            double back = 0.0;
            if (ReadDouble(text, text + length, back).ec == std::errc() && back == value) break;
        }
        return text;
#endif
    }
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// a vertex block: its header, then one X,Y pair per line
void AppendVertexBlock(std::string& text, const std::string& name, const std::vector<cPoint>& vertices, int decimals) {
    text.append("\n[").append(name).append("]\n");
    for (const cPoint& p : vertices) {
        text.append(Number(p.X, decimals)).append(",");
        text.append(Number(p.Y, decimals)).append("\n");
    }
}

// one polygon section and its vertex block; the basin's carries Show and CRS
void AppendPolygon(std::string& text, const SceneFile& scene, std::size_t index) {
    const SceneFilePolygon& polygon = scene.Polygons[index];
    const bool basin = index + 1 == scene.Polygons.size();
    text.append("[Polygon").append(std::to_string(index + 1)).append("]\n");
    text.append("Name=").append(polygon.Name).append("\n");
    text.append("Number=").append(std::to_string(polygon.Vertices.size())).append("\n");
    if (basin && !scene.Show.empty()) text.append("Show=").append(scene.Show).append("\n");
    if (basin && !scene.CRS.empty()) text.append("CRS=").append(scene.CRS).append("\n");
    AppendVertexBlock(text, polygon.Name, polygon.Vertices, scene.Numbers.Vertices);
}

// sub-basin i's section and the vertex blocks of its rings
void AppendSubbasin(std::string& text, const SceneFile& scene, std::size_t index) {
    const SceneFileSubbasin& subbasin = scene.Subbasins[index];
    const std::string section = "Subbasin" + std::to_string(index + 1);
    text.append("\n[").append(section).append("]\n");
    text.append("Name=").append(subbasin.Name).append("\n");
    for (std::size_t k = 0; k < subbasin.Parts.size(); ++k) {
        const std::string part = "Part" + std::to_string(k + 1);
        text.append(part).append("=").append(section).append("_").append(part).append("\n");
        const std::size_t holes = subbasin.Parts[k].Holes.size();
        if (holes == 0) continue;
        text.append(part).append("Holes=");
        for (std::size_t h = 0; h < holes; ++h)
            text.append(h ? "," : "")
                .append(section)
                .append("_")
                .append(part)
                .append("_Hole")
                .append(std::to_string(h + 1));
        text.append("\n");
    }
    for (std::size_t k = 0; k < subbasin.Parts.size(); ++k) {
        const std::string part = section + "_Part" + std::to_string(k + 1);
        AppendVertexBlock(text, part, subbasin.Parts[k].Shell, scene.Numbers.Vertices);
        for (std::size_t h = 0; h < subbasin.Parts[k].Holes.size(); ++h)
            AppendVertexBlock(text, part + "_Hole" + std::to_string(h + 1), subbasin.Parts[k].Holes[h],
                              scene.Numbers.Vertices);
    }
}

}  // namespace

std::string SceneFileText(const SceneFile& scene) {
    const SceneFileNumbers& numbers = scene.Numbers;
    std::string text;
    for (const std::string& line : scene.Comments) text.append("; ").append(line).append("\n");
    for (std::size_t i = 0; i < scene.Polygons.size(); ++i) {
        if (i > 0) text += "\n";
        AppendPolygon(text, scene, i);
    }
    for (std::size_t i = 0; i < scene.Subbasins.size(); ++i) AppendSubbasin(text, scene, i);
    text += "\n[rainstation]\nName Number (X,Y,Z)\n";
    for (const SceneFileStation& s : scene.Stations) {
        text.append(s.Name).append(" ").append(s.Number).append(" (");
        text.append(Number(s.Point.X, numbers.StationXY)).append(",");
        text.append(Number(s.Point.Y, numbers.StationXY)).append(",");
        text.append(Number(s.Point.z, numbers.Heights)).append(")\n");
    }
    if (!scene.CentrePoints.empty()) {
        text += "\n[CenterPoint]\n";
        for (const cPoint& p : scene.CentrePoints) {
            text.append("(").append(Number(p.X, numbers.CentrePoints)).append(",");
            text.append(Number(p.Y, numbers.CentrePoints)).append(",");
            text.append(Number(p.z, numbers.CentrePoints)).append(")\n");
        }
    }
    return text;
}

}  // namespace kelvarin
