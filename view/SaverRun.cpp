#include "view/SaverRun.hpp"

#include "view/PacedSurface.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {

void RunSaver(Surface& surface, WindowSystem& windowSystem, const std::filesystem::path& programFolder,
              std::int64_t parent) {
    PacedSurface paced(surface, windowSystem);
    picGIS window(paced, windowSystem);
    window.Load(programFolder);
    window.HasParent = parent;
    window.RunUntilExit();
}

}  // namespace kelvarin
