#include "scene/SubbasinSections.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "scene/SceneRules.hpp"

namespace kelvarin {

namespace {

using scene_reading::ProblemList;
using scene_reading::Quoted;

// the most values a ring's vertex block is read for: one more pair than a ring may hold, so
// that a longer block is seen to be too long
constexpr std::size_t kMostRingValues = 2 * static_cast<std::size_t>(scene_rules::kMaxBasinVertices) + 2;

// the names in a comma-separated list, blanks around them trimmed, empty ones left out
std::vector<std::string> ListedNames(std::string_view list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string_view name = TrimBlanks(list.substr(start, comma - start));
        if (!name.empty()) names.emplace_back(name);
        start = comma + 1;
    }
    return names;
}

// One sub-basin section being read.
class SectionReader {
  public:
    SectionReader(const ProfileFile& profile, long index, ProblemList& problems)
        : profile_(profile), section_(SubbasinSection(index)), problems_(problems) {}

    // the ring of a vertex block named by `key` of the section
    bool ReadRing(const std::string& block, const std::string& key, SceneRing& ring) {
        const long keyLine = profile_.FindKey(section_, key).value_or(profile_.FindSection(section_).value_or(0));
        const std::string header = "[" + block + "]";
        const std::optional<long> headerLine = profile_.FindLine(header);
        if (!headerLine) {
            problems_.Add(keyLine,
                          "vertex block " + Quoted(header) + " named by " + key + " of [" + section_ + "] is missing");
            return false;
        }
        const scene_reading::VertexBlock values =
            scene_reading::ReadVertexValues(profile_, *headerLine, kMostRingValues);
        for (std::size_t k = 0; k < values.Problems.Size(); ++k)
            problems_.Add(values.Problems[k].Line, values.Problems[k].Message);
        if (!values.Problems.Empty()) return false;
        if (values.Values.size() % 2 != 0) {
            problems_.Add(*headerLine, "vertex block " + Quoted(header) + " holds " +
                                           std::to_string(values.Values.size()) + " values; a ring needs X, Y pairs");
            return false;
        }
        if (values.Values.size() / 2 > static_cast<std::size_t>(scene_rules::kMaxBasinVertices)) {
            problems_.Add(*headerLine, "vertex block " + Quoted(header) + " holds more than " +
                                           std::to_string(scene_rules::kMaxBasinVertices) +
                                           " vertices, the most a ring may hold");
            return false;
        }
        ring.Block = block;
        ring.Line = *headerLine;
        for (std::size_t k = 0; k + 1 < values.Values.size(); k += 2)
            ring.Vertices.push_back(cPoint{values.Values[k], values.Values[k + 1], 0.0});
        const std::vector<cPoint>& v = ring.Vertices;
        if (v.size() > 1 && v.front().X == v.back().X && v.front().Y == v.back().Y) ring.Vertices.pop_back();
        return true;
    }

    // the parts and holes of the section
    void ReadParts(SceneSubbasin& subbasin) {
        for (long k = 1;; ++k) {
            const std::string block = ReadProfileString(section_, PartKey(k), "", profile_);
            if (block.empty()) {
                if (k == 1)
                    problems_.Add(subbasin.Line, "[" + section_ + "] (sub-basin " + Quoted(subbasin.Name) +
                                                     ") names no part: Part1 is missing");
                return;
            }
            SceneSubbasinPart part;
            bool complete = ReadRing(block, PartKey(k), part.Shell);
            for (const std::string& hole : ListedNames(ReadProfileString(section_, HolesKey(k), "", profile_))) {
                SceneRing ring;
                complete = ReadRing(hole, HolesKey(k), ring) && complete;
                part.Holes.push_back(std::move(ring));
            }
            if (complete) subbasin.Parts.push_back(std::move(part));
        }
    }

    const std::string& Section() const { return section_; }

  private:
    const ProfileFile& profile_;
    std::string section_;
    ProblemList& problems_;
};

}  // namespace

std::string SubbasinSection(long i) { return "Subbasin" + std::to_string(i); }
std::string PartKey(long k) { return "Part" + std::to_string(k); }
std::string HolesKey(long k) { return "Part" + std::to_string(k) + "Holes"; }

void ReadSubbasins(const ProfileFile& profile, std::vector<SceneSubbasin>& subbasins, ProblemList& problems) {
    std::unordered_map<std::string, long> lineOfName;
    for (long i = 1;; ++i) {
        SectionReader reader(profile, i, problems);
        const std::optional<long> line = profile.FindSection(reader.Section());
        if (!line) return;
        SceneSubbasin subbasin;
        subbasin.Name = ReadProfileString(reader.Section(), "Name", "", profile);
        subbasin.Line = *line;
        if (subbasin.Name.empty()) {
            // a section of that name that names no part is no sub-basin (an older file's vertex block)
            if (!ReadProfileString(reader.Section(), PartKey(1), "", profile).empty())
                problems.Add(*line, "[" + reader.Section() + "] has no Name; every sub-basin needs one");
            return;
        }
        if (i > scene_rules::kMaxSubbasins) {
            problems.Add(*line,
                         "a scene may hold at most " + std::to_string(scene_rules::kMaxSubbasins) + " sub-basins");
            return;
        }
        const auto [earlier, fresh] = lineOfName.emplace(subbasin.Name, *line);
        if (!fresh)
            problems.Add(*line, "[" + reader.Section() + "] repeats the sub-basin name " + Quoted(subbasin.Name) +
                                    " of line " + std::to_string(earlier->second) + "; names must differ");
        reader.ReadParts(subbasin);
        subbasins.push_back(std::move(subbasin));
    }
}

}  // namespace kelvarin
