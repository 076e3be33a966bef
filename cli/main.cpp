// kelvarin-cli: the engine of the Kelvarin screen saver as a command-line tool.
// Each sub-command adds itself (cli/Commands.hpp); this file only runs them and
// turns failures into messages on stderr and exit status 2.

#include <iostream>
#include <string>

#include "cli/Commands.hpp"
#include "engine/Construction.hpp"
#include "scene/Scene.hpp"

namespace {

// the commands' names in the order of --help: "check, weights, ..."
std::string CommandNames(CLI::App& app) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) names += (names.empty() ? "" : ", ") + command->get_name();
    return names;
}

// Says what is wrong when the first argument names no command (or there is none);
// options such as --help are left to the parser. False when the line starts well.
bool ReportMissingCommand(CLI::App& app, int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]).starts_with("-")) return false;
    if (argc >= 2)
        for (const CLI::App* command : app.get_subcommands({}))
            if (command->check_name(argv[1])) return false;
    std::cerr << "kelvarin-cli: "
              << (argc < 2 ? "a command is required" : "unknown command '" + std::string(argv[1]) + "'")
              << "; the commands are: " << CommandNames(app) << " (kelvarin-cli --help tells more)\n";
    return true;
}

int Run(int argc, char** argv) {
    CLI::App app("Kelvarin: Thiessen and height-balance polygons of rain-gauge networks", "kelvarin-cli");
    app.require_subcommand(1);
    kelvarin::AddCheckCommand(app);
    kelvarin::AddWeightsCommand(app);
#if defined(KELVARIN_WITH_CAIRO)  // the picture commands draw with Cairo
    kelvarin::AddRenderCommand(app);
    kelvarin::AddDemoCommand(app);
#endif
    kelvarin::AddArealCommand(app);
#ifdef KELVARIN_WITH_GIS
    kelvarin::AddImportCommand(app);
    kelvarin::AddExportCommand(app);
#endif
    if (ReportMissingCommand(app, argc, argv)) return 2;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        std::cerr << "kelvarin-cli: " << e.what() << "\n";
        return 2;
    } catch (const kelvarin::InternalInconsistency& e) {
        // a fault of the program, never of the data: no numbers, a status of its own
        std::cerr << "kelvarin-cli: " << e.what() << "\n";
        return 3;
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
