// kelvarin-cli check: reads a scene file and prints its summary, or every problem
// that makes it unusable.

#include <iostream>
#include <memory>

#include "cli/Commands.hpp"
#include "cli/ProgramFolder.hpp"
#include "cli/SceneSummary.hpp"
#include "scene/Scene.hpp"

namespace kelvarin {

// adds `check [--scene FILE]`
void AddCheckCommand(CLI::App& app) {
    auto scene = std::make_shared<std::string>();
    CLI::App* check = app.add_subcommand("check", "Read a scene file and print its summary");
    check->add_option("--scene", *scene, "Scene file (default: Kelvarin.ini beside kelvarin-cli)");
    check->callback([scene] {
        const std::filesystem::path file = scene->empty() ? DefaultScenePath() : std::filesystem::path(*scene);
        PrintSceneSummary(SummariseScene(LoadScene(file)), std::cout);
    });
}

}  // namespace kelvarin
