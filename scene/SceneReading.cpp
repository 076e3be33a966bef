#include "scene/SceneReading.hpp"

#include <cmath>

#include "geometry/modStrTools.hpp"

namespace kelvarin::scene_reading {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

double ReadCoordinate(std::string_view field, long line, std::string_view what, ProblemList& problems) {
    const double value = LeadingNumber(field);
    if (!std::isfinite(value)) {
        problems.Add(line, std::string(what) + " " + Quoted(TrimBlanks(field)) + " is too large");
        return 0.0;
    }
    return value;
}

VertexBlock ReadVertexValues(const ProfileFile& profile, long headerLine, std::size_t most) {
    VertexBlock block{{}, ProblemList(profile.Path()), {}};
    for (long n = headerLine + 1; n <= profile.LineCount() && block.Values.size() < most; ++n) {
        const std::string_view line = profile.Line(n);
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty()) continue;
        if (trimmed.front() == '[') break;
        for (std::size_t start = 0; start <= line.size() && block.Values.size() < most;) {
            std::size_t comma = line.find(',', start);
            if (comma == std::string_view::npos) comma = line.size();
            const std::string_view field = line.substr(start, comma - start);
            start = comma + 1;
            if (TrimBlanks(field).empty()) continue;  // blanks before a line end or between commas
            const bool isX = block.Values.size() % 2 == 0;
            const std::size_t before = block.Problems.Size();
            block.Values.push_back(ReadCoordinate(field, n, isX ? "X" : "Y", block.Problems));
            if (block.Problems.Size() > before) block.ProblemAt.push_back(block.Values.size() - 1);
        }
    }
    return block;
}

}  // namespace kelvarin::scene_reading
