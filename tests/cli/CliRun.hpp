#pragma once
// Runs the real kelvarin-cli (or another program) built beside the tests and collects its
// status and output.

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelvarin::testing {

inline const std::filesystem::path kCli = std::filesystem::path(KELVARIN_BINARY_DIR) / "kelvarin-cli";

struct CliRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// the whole file as bytes
inline std::string ReadText(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

// Runs a program with the given arguments (already quoted for the shell), in `folder` when
// one is given; ctest may run several test programs at once, so every run gets files of
// its own for its output.
inline CliRun RunProgram(const std::filesystem::path& program, const std::string& arguments,
                         const std::filesystem::path& folder = {}) {
    static std::atomic<int> counter = 0;
    const std::string stem = (std::filesystem::temp_directory_path() / "kelvarin-cli-test-").string() +
                             std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const std::string out = stem + ".out", err = stem + ".err";
    const std::string command = (folder.empty() ? "" : "cd '" + folder.string() + "' && ") + "'" + program.string() +
                                "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    CliRun run;
    const int status = std::system(command.c_str());
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadText(out);
    run.Err = ReadText(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}

// runs kelvarin-cli
inline CliRun RunCli(const std::string& arguments) { return RunProgram(kCli, arguments); }

}  // namespace kelvarin::testing
