// kelvarin-cli check: reads a scene file and prints its summary, or every problem
// that makes it unusable.

#include <iostream>
#include <memory>

#include "cli/Commands.hpp"
#include "cli/SceneOptions.hpp"
#include "cli/SceneSummary.hpp"
#include "scene/ProgramFolder.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// adds `check [--scene FILE] [--method M]`
void AddCheckCommand(CLI::App& app) {
    auto scene = std::make_shared<std::string>();
    auto method = std::make_shared<std::string>();
    CLI::App* check = app.add_subcommand("check", "Read a scene file and print its summary");
    check->add_option("--scene", *scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    check->add_option("--method", *method,
                      "check for thiessen or heightbalance in place of the scene's own Show (heightbalance reads "
                      "and checks the centre points)");
    check->callback([scene, method] {
        const std::optional<Method> asked = MethodOption(*method);
        const std::filesystem::path file = scene->empty() ? DefaultScenePath() : std::filesystem::path(*scene);
        PrintSceneSummary(SummariseScene(LoadSceneFor(file, asked)), std::cout);
    });
}

}  // namespace kelvarin
