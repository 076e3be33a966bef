#pragma once
// What the commands that build constructions share: the method of --method, the scene
// read once with the centre points that method needs, and the selection of --stations.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// "thiessen" or "heightbalance"; empty: none asked for (the scene's own); throws UsageError
std::optional<Method> MethodOption(const std::string& name);

// Reads the scene for a command that builds the given method (none: the scene's own), with
// the centre points height-balance needs; throws SceneError when it cannot be used. A scene
// whose coordinates look like degrees is read with a warning on stderr.
Scene LoadSceneFor(const std::filesystem::path& file, std::optional<Method> method);
// the same for the method shown in place of the scene's own "Show" (none: its own)
Scene LoadSceneShowing(const std::filesystem::path& file, std::optional<ShowSetting> show);

// the method a command builds: the one asked for, else the scene's own (Thiessen when it shows both)
Method MethodFor(std::optional<Method> asked, const Scene& scene);

// "thiessen" or "heightbalance"
std::string MethodName(Method method);

// the stations of --stations ("all", or 1-based numbers with ranges); throws UsageError
std::vector<long> StationsOption(const std::string& list, long stationCount);

}  // namespace kelvarin
