#pragma once
// The part of a screen-saver run that no window system changes: the map window on
// the host's surface, paced for watching, loaded from the program's folder, then
// the demonstration cycle until the exit rules end it. A host creates its window,
// surface and window system, calls RunSaver, and tears its window down afterwards.

#include <cstdint>
#include <filesystem>

#include "model/Surface.hpp"
#include "view/WindowSystem.hpp"

namespace kelvarin {

// Runs the saver on the host's surface. parent is the preview parent window (0 for a
// full-screen run). The window system's pacing is used as it is; a host that presents
// on a real screen sets Pacing::Presenting() first. A scene that cannot be loaded is
// shown on the surface and the run still ends by the exit rules.
void RunSaver(Surface& surface, WindowSystem& windowSystem, const std::filesystem::path& programFolder,
              std::int64_t parent);

}  // namespace kelvarin
