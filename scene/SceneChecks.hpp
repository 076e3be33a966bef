#pragma once
// The checks a scene read without errors must still pass before any method may run on
// it: numbers within range, a basin that is a simple ring wide enough for its
// coordinates, gauges near the basin, and centre points strictly inside their pairs'
// segments. `check` and every other command run them through the loader, so a scene
// that passes `check` is never refused later for its data.

#include <string>
#include <vector>

#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// every problem of a scene whose sections were read without errors, each with its line
// (File is left empty: the loader fills it in)
std::vector<SceneProblem> CheckSceneGeometry(const ProfileFile& profile, const Scene& scene);

// the larger side of the basin's bounding box (0 for no basin)
double BasinExtent(const std::vector<cPoint>& basin);

// A warning for a scene whose coordinates all look like longitude and latitude (every X
// within [-180, 180], every Y within [-90, 90], a basin at most kDegreesBasin across):
// polygons built in degrees are not the polygons on the ground. Empty for other scenes.
std::string DegreesWarning(const Scene& scene);
inline constexpr double kDegreesBasin = 10.0;

}  // namespace kelvarin
