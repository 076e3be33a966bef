#include "cli/SceneSummary.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/modGISTools.hpp"

namespace kelvarin {

// counts and measures of a loaded scene
SceneSummary SummariseScene(const Scene& scene) {
    SceneSummary summary;
    summary.Path = scene.Path;
    summary.BasinName = scene.BasinName;
    summary.BasinVertices = static_cast<long>(scene.Basin.size());
    summary.Stations = static_cast<long>(scene.Stations.size());
    summary.ShowMethod = scene.ShowMethod;
    summary.CenterPoints = static_cast<long>(scene.Local.CenterPoints.size());
    summary.Subbasins = static_cast<long>(scene.Subbasins.size());
    if (summary.Subbasins > 0) summary.SubbasinArea = scene.Local.BasinArea;

    cPolygon ring;
    for (const cPoint& p : scene.Basin) ring.AddPoint(p);
    summary.BasinArea = std::abs(PolygonArea(ring));
    const PointArray vertices = RingToArray(ring);
    for (const SceneStation& station : scene.Stations) {
        const double turn = std::abs(WindingAngle(station.Point, vertices));
        if (turn == 0.0) {
            ++summary.Outside;
        } else if (turn == TWO_PI) {
            ++summary.Inside;
        } else {
            ++summary.OnBoundary;
        }
    }
    return summary;
}

// the show setting with its meaning
std::string ShowText(ShowSetting showMethod) {
    switch (showMethod) {
        case ShowSetting::Thiessen:
            return "thiessen (Thiessen polygons only)";
        case ShowSetting::HeightBalance:
            return "heightbalance (height-balance polygons only)";
        case ShowSetting::Both:
            break;
    }
    return "all (either method, chosen at random each cycle)";
}

// an area with six significant digits at least, in fixed notation: whole units from a
// million up, decimals below (a basin in degrees covers a fraction of a square unit)
std::string AreaText(double area) {
    const int magnitude = area > 0 ? static_cast<int>(std::floor(std::log10(area))) : 0;
    const int decimals = std::clamp(5 - magnitude, 0, 20);
    char text[128];
    std::snprintf(text, sizeof text, "%.*f", decimals, area);
    return text;
}

// the summary, one line per figure
void PrintSceneSummary(const SceneSummary& s, std::ostream& out) {
    const std::string area =
        AreaText(s.BasinArea) + " square map units (" + AreaText(s.BasinArea / 1e6) + " km² when the units are metres)";
    out << "scene:          " << s.Path.string() << "\n";
    out << "basin:          " << s.BasinName << ", " << s.BasinVertices << " vertices, area " << area << "\n";
    out << "stations:       " << s.Stations << " (" << s.Inside << " inside the basin, " << s.Outside << " outside";
    if (s.OnBoundary > 0) out << ", " << s.OnBoundary << " on its boundary";
    out << ")\n";
    if (s.Subbasins > 0) {
        out << "sub-basins:     " << s.Subbasins << ", the whole basin their union of " << AreaText(s.SubbasinArea)
            << " square map units (" << AreaText(s.SubbasinArea / 1e6) << " km² when the units are metres)\n";
    }
    out << "show:           " << ShowText(s.ShowMethod) << "\n";
    out << "centre points:  ";
    if (s.ShowMethod == ShowSetting::Thiessen) {
        out << "not read (the Thiessen method needs none)\n";
    } else {
        out << s.CenterPoints << " read, one per station pair\n";
    }
}

}  // namespace kelvarin
