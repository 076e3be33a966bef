// kelvarin-cli: the engine of the Kelvarin screen saver as a command-line tool.
// Each sub-command adds itself (cli/Commands.hpp); this file only runs them and
// turns failures into messages on stderr and exit status 2.

#include <iostream>

#include "cli/Commands.hpp"
#include "scene/Scene.hpp"

namespace {

int Run(int argc, char** argv) {
    CLI::App app("Kelvarin: Thiessen and height-balance polygons of rain-gauge networks", "kelvarin-cli");
    app.require_subcommand(1);
    kelvarin::AddCheckCommand(app);
    kelvarin::AddWeightsCommand(app);
#if defined(KELVARIN_WITH_CAIRO)  // the picture commands draw with Cairo
    kelvarin::AddRenderCommand(app);
    kelvarin::AddDemoCommand(app);
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        std::cerr << "kelvarin-cli: " << e.what() << "\n";
        return 2;
    } catch (const kelvarin::SceneError& e) {
        for (const kelvarin::SceneProblem& problem : e.Problems()) std::cerr << problem.ToString() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kelvarin-cli: " << e.what() << "\n";
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (...) {
        return 2;  // even reporting failed
    }
}
