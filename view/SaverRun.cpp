#include "view/SaverRun.hpp"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kelvarin {

std::filesystem::path ChooseSceneFile(const std::vector<std::filesystem::path>& candidates) {
    if (candidates.size() == 1) return candidates.front();
    std::error_code error;
    for (const auto& candidate : candidates)
        if (std::filesystem::exists(candidate, error)) return candidate;
    return {};
}

SaverRun::SaverRun(Surface& surface, WindowSystem& windowSystem, const SaverSettings& settings)
    : paced_(surface, windowSystem), map_(paced_, windowSystem) {
    // loading is not animated: the basin (or the failure) shows at once
    windowSystem.SetPacing(Pacing{});
    map_.HasParent = settings.Parent;
    const std::filesystem::path file = ChooseSceneFile(settings.Scenes);
    map_.GISFile = file.string();
    try {
        if (file.empty()) {
            std::string text = "no scene file was found; looked for:";
            for (const auto& candidate : settings.Scenes) text += "\n  " + candidate.string();
            throw std::runtime_error(text);
        }
        map_.OpenScene(std::make_shared<const Scene>(LoadScene(file, settings.Method)));
    } catch (const std::exception& e) {
        map_.ShowLoadFailure(*e.what() != '\0' ? e.what() : "the scene " + file.string() + " could not be read");
    }
    map_.PlaceCreditLabel();
    surface.Refresh();
    windowSystem.SetPacing(settings.Pace);
}

void SaverRun::Run() { map_.RunUntilExit(); }

std::string SaverRun::UnplacedLabelsNote() const {
    const long unplaced = map_.UnplacedLabels();
    if (unplaced <= 0) return {};
    return "kelvarin: " + std::to_string(unplaced) +
           " gauge labels could not be placed free of others and printed over them\n";
}

}  // namespace kelvarin
