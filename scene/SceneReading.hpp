#pragma once
// What the readers of a scene file's sections share: the list of problems gathered so that
// all of them are reported at once, and the reading of a vertex block (a stream of numbers
// after its header line, up to the next "[" line).

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"

namespace kelvarin::scene_reading {

// Problems of one scene file, gathered so that all of them are reported at once.
class ProblemList {
  public:
    explicit ProblemList(std::filesystem::path file) : file_(std::move(file)) {}
    void Add(long line, std::string message) {
        problems_.push_back(SceneProblem{file_, static_cast<int>(line), std::move(message)});
    }
    bool Empty() const { return problems_.empty(); }
    std::size_t Size() const { return problems_.size(); }
    const SceneProblem& operator[](std::size_t i) const { return problems_[i]; }
    void ThrowIfAny() const {
        if (!problems_.empty()) throw SceneError(problems_);
    }

  private:
    std::filesystem::path file_;
    std::vector<SceneProblem> problems_;
};

// text in double quotes for a message
std::string Quoted(std::string_view text);

// a coordinate field read by the leading-number rule; a problem when it is too large to hold
double ReadCoordinate(std::string_view field, long line, std::string_view what, ProblemList& problems);

// The values of one vertex block: a stream of numbers after its header, separated by commas
// (a run of them counts as one) or line ends, up to the next "[" line or `most` values; and
// the problems met on the way, each with the count of values read before it.
struct VertexBlock {
    std::vector<double> Values;
    ProblemList Problems;
    std::vector<std::size_t> ProblemAt;
};
VertexBlock ReadVertexValues(const ProfileFile& profile, long headerLine, std::size_t most);

}  // namespace kelvarin::scene_reading
