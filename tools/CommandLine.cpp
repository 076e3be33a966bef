#include "tools/CommandLine.hpp"

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace kelvarin::tools {

namespace {

// a number as people write it: "0.05", "1", "1e+06"
std::string Shortest(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace

// --help and refusals as kelvarin-cli answers them
std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        // the parser checks what is missing before what is left over: "--rows 24" would
        // read as a value missing after 24, so the unknown option is named first
        const std::vector<std::string> extras = app.remaining();
        std::cerr << app.get_name() << ": " << (extras.empty() ? e.what() : CLI::ExtrasError(extras).what()) << "\n";
        return 2;
    }
    return std::nullopt;
}

// the whole text must be a whole number, at least `least`
CLI::Validator WholeAtLeast(long least) {
    return CLI::Validator(
        [least](std::string& input) -> std::string {
            long value = 0;
            if (!CLI::detail::lexical_cast(input, value)) return input + " is not a whole number";
            if (value < least) return input + " is less than " + std::to_string(least);
            return {};
        },
        std::to_string(least) + " or more");
}

// the whole text must be a finite number in [low, high]
CLI::Validator RealBetween(double low, double high) {
    return CLI::Validator(
        [low, high](std::string& input) -> std::string {
            double value = 0;
            if (!CLI::detail::lexical_cast(input, value) || !std::isfinite(value)) return input + " is not a number";
            if (value < low) return input + " is less than " + Shortest(low);
            if (value > high) return input + " is more than " + Shortest(high);
            return {};
        },
        Shortest(low) + (std::isinf(high) ? " or more" : " to " + Shortest(high)));
}

}  // namespace kelvarin::tools
