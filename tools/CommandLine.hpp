#pragma once
// The command lines of the tools and the soak program, read the way kelvarin-cli reads
// its own: --help prints the usage on stdout, and a bad number, an unknown option or a
// missing argument is one line on stderr that names it.

#include <CLI/CLI.hpp>
#include <optional>

namespace kelvarin::tools {

// Parses the arguments into the app's options. Returns the status to exit with when the
// program is done (0 after --help, 2 after the line on stderr, which starts with the
// app's name), nothing when it should go on and run.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv);

// a check for counts: whole numbers of at least `least` ("ROWS: 0 is less than 1")
CLI::Validator WholeAtLeast(long least);

// a check for finite numbers from `low` to `high` (high may be infinity)
CLI::Validator RealBetween(double low, double high);

}  // namespace kelvarin::tools
