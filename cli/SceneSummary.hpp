#pragma once
// The short account of a scene that `kelvarin-cli check` prints.

#include <ostream>
#include <string>

#include "scene/Scene.hpp"

namespace kelvarin {

struct SceneSummary {
    std::filesystem::path Path;
    std::string BasinName;
    long BasinVertices = 0;
    double BasinArea = 0.0;  // square map units, always positive
    long Stations = 0;
    long Inside = 0;      // stations inside the basin boundary
    long OnBoundary = 0;  // stations on it
    long Outside = 0;
    ShowSetting ShowMethod = ShowSetting::Thiessen;
    long CenterPoints = 0;
    long Subbasins = 0;         // sub-basin sections
    double SubbasinArea = 0.0;  // the area of their union (the whole basin), square map units
};

// counts and measures of a loaded scene
SceneSummary SummariseScene(const Scene& scene);

// the summary, one labelled line per figure
void PrintSceneSummary(const SceneSummary& summary, std::ostream& out);

// the show setting as the scene file writes it, with what it means
std::string ShowText(int showMethod);

}  // namespace kelvarin
