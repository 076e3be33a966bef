#include "cli/SceneOptions.hpp"

#include <iostream>
#include <stdexcept>

#include "cli/UsageError.hpp"
#include "engine/StationList.hpp"
#include "scene/SceneChecks.hpp"

namespace kelvarin {

std::optional<Method> MethodOption(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name == "thiessen") return Method::Thiessen;
    if (name == "heightbalance") return Method::HeightBalance;
    throw UsageError("--method: \"" + name + "\" is neither thiessen nor heightbalance");
}

Scene LoadSceneShowing(const std::filesystem::path& file, std::optional<ShowSetting> show) {
    Scene scene = LoadScene(file, show);
    const std::string degrees = DegreesWarning(scene);
    if (!degrees.empty()) std::cerr << "kelvarin-cli: warning: " << file.string() << ": " << degrees << "\n";
    return scene;
}

Scene LoadSceneFor(const std::filesystem::path& file, std::optional<Method> method) {
    if (!method) return LoadSceneShowing(file, std::nullopt);
    return LoadSceneShowing(file,
                            *method == Method::HeightBalance ? ShowSetting::HeightBalance : ShowSetting::Thiessen);
}

Method MethodFor(std::optional<Method> asked, const Scene& scene) {
    if (asked) return *asked;
    return scene.ShowMethod == ShowSetting::HeightBalance ? Method::HeightBalance : Method::Thiessen;
}

std::string MethodName(Method method) { return method == Method::HeightBalance ? "heightbalance" : "thiessen"; }

std::vector<long> StationsOption(const std::string& list, long stationCount) {
    try {
        return ParseStationList(list, stationCount);
    } catch (const std::invalid_argument& e) {
        throw UsageError(std::string("--stations: ") + e.what());
    }
}

}  // namespace kelvarin
