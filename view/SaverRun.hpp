#pragma once
// The one run path of the screen saver, the same on every window system: start (the map
// window on the host's surface, the scene read and shown at once), run (the demonstration,
// paced for watching, until the exit rules end it) and stop (the map window lets go of the
// host's window system when the run is destroyed). A host creates its window, surface and
// window system, runs a SaverRun, and takes its window down afterwards.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/Surface.hpp"
#include "scene/Scene.hpp"
#include "view/PacedSurface.hpp"
#include "view/WindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {

struct SaverSettings {
    // the scene files to try, in order: the first that exists is read. A single file is
    // read even when it is missing, so that its own error shows.
    std::vector<std::filesystem::path> Scenes;
    // the method shown in place of the scene's own "Show"
    std::optional<ShowSetting> Method;
    // the preview's parent window (or the window another program gave), 0 for a run of
    // the saver's own window: input counts only then
    std::int64_t Parent = 0;
    // the pace of the run; loading is never paced
    Pacing Pace = Pacing::Presenting();
};

class SaverRun {
  public:
    // start: the map window on the host's surface, the scene loaded and shown (or its error,
    // and the run still ends by the exit rules), the credit label placed
    SaverRun(Surface& surface, WindowSystem& windowSystem, const SaverSettings& settings);
    SaverRun(const SaverRun&) = delete;
    SaverRun& operator=(const SaverRun&) = delete;

    // run: the demonstration at the settings' pace until the exit rules end it; a failure is
    // shown on the surface, which then stays until they do
    void Run();

    picGIS& Map() { return map_; }

    // What the host says on stderr when the run has ended: how many gauge labels of the
    // finished constructions could not be placed free of others; empty when none.
    std::string UnplacedLabelsNote() const;

  private:
    PacedSurface paced_;
    picGIS map_;
};

// the scene file a list of candidates names: the first that exists, or the only one given;
// empty when several are given and none exists
std::filesystem::path ChooseSceneFile(const std::vector<std::filesystem::path>& candidates);

}  // namespace kelvarin
