#include "scene/Scene.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "geometry/Tolerances.hpp"
#include "geometry/modGISTools.hpp"
#include "geometry/modStrTools.hpp"
#include "scene/CentrePointLines.hpp"
#include "scene/INIProFile.hpp"
#include "scene/SceneChecks.hpp"
#include "scene/SceneReading.hpp"
#include "scene/SceneRules.hpp"
#include "scene/SubbasinChecks.hpp"
#include "scene/SubbasinSections.hpp"

namespace kelvarin {

namespace {

using scene_reading::ProblemList;
using scene_reading::Quoted;
using scene_reading::ReadCoordinate;
using scene_reading::ReadVertexValues;
using scene_reading::VertexBlock;

// a count with its noun, singular or plural ("1 line", "5 lines")
std::string Count(long long n, std::string_view singular, std::string_view plural) {
    return std::to_string(n) + " " + std::string(n == 1 ? singular : plural);
}

// reads the whole stream into bytes unless it holds more than limit bytes (a device such
// as /dev/zero never ends, so the size is not asked of the file system)
bool ReadAtMost(std::istream& stream, std::uintmax_t limit, std::string& bytes) {
    std::array<char, 65536> chunk{};
    while (stream.read(chunk.data(), chunk.size()) || stream.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(stream.gcount()));
        if (bytes.size() > limit) return false;
    }
    return true;
}

// the profile of a scene file; problems when it cannot be read
std::optional<ProfileFile> OpenScene(const std::filesystem::path& file, ProblemList& problems) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) {
        problems.Add(0, "cannot read the scene file: no such file");
        return std::nullopt;
    }
    if (std::filesystem::is_directory(status)) {
        problems.Add(0, "cannot read the scene file: it is a folder");
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        problems.Add(0, "cannot read the scene file: it cannot be opened (check its permissions)");
        return std::nullopt;
    }
    std::string bytes;
    // room for the whole of a regular file at once, so that reading it never copies what it has read
    const std::uintmax_t size = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(file, error) : 0;
    if (!error && size <= scene_rules::kMaxFileBytes) bytes.reserve(static_cast<std::size_t>(size) + 1);
    if (!ReadAtMost(stream, scene_rules::kMaxFileBytes, bytes)) {
        problems.Add(0, "the scene file is larger than " +
                            Count(static_cast<long long>(scene_rules::kMaxFileBytes >> 20), "MB", "MB") +
                            ", the most a scene may hold");
        return std::nullopt;
    }
    if (stream.bad()) {
        problems.Add(0, "cannot read the scene file: reading it failed");
        return std::nullopt;
    }
    try {
        return ProfileFile::FromBytes(std::move(bytes), file);
    } catch (const TextDecodeError& e) {
        problems.Add(e.Line(), e.Problem());
        return std::nullopt;
    }
}

// the section name of polygon i
std::string PolygonSection(long i) { return "Polygon" + std::to_string(i); }

// ShowMethod after a "Show" value: empty or thiessen, heightbalance, all; anything else leaves it unchanged
ShowSetting ApplyShow(const std::string& show, ShowSetting current) {
    const std::string lower = LowerAscii(show);
    if (lower.empty() || lower == "thiessen") return ShowSetting::Thiessen;
    if (lower == "heightbalance") return ShowSetting::HeightBalance;
    if (lower == "all") return ShowSetting::Both;
    return current;
}

// first line (from 1) whose text is the header, exactly but for ASCII case
std::optional<long> FindLine(const ProfileFile& profile, std::string_view header, long from = 1) {
    return profile.FindLine(header, from);
}

// the text between the first "(" and the first ")" after it, as TextBetween gives it
std::string_view TextBetweenView(std::string_view text) {
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos) return {};
    const std::size_t close = text.find(')', open + 1);
    if (close == std::string_view::npos) return {};
    return text.substr(open + 1, close - open - 1);
}

// One polygon section as read from the file.
struct PolygonRead {
    long Index = 0;
    long SectionLine = 0;
    std::string Name;
    long HeaderLine = 0;    // its vertex block's header
    bool Complete = false;  // its vertex block was found and held all its vertices
};

// the most values a polygon's vertex block may ask for
constexpr std::size_t kMostVertexValues = 2 * static_cast<std::size_t>(scene_rules::kMaxBasinVertices);

// the vertex block under a header line, read on first use
const VertexBlock& BlockAt(const ProfileFile& profile, long headerLine, std::unordered_map<long, VertexBlock>& blocks) {
    auto found = blocks.find(headerLine);
    if (found == blocks.end())
        found = blocks.emplace(headerLine, ReadVertexValues(profile, headerLine, kMostVertexValues)).first;
    return found->second;
}

// finds the vertex block of a polygon and checks that it holds Number pairs X, Y before the next "[" line
PolygonRead ReadVertexBlock(const ProfileFile& profile, long i, const std::string& name, int number,
                            std::unordered_map<long, VertexBlock>& blocks, ProblemList& problems) {
    PolygonRead polygon;
    polygon.Index = i;
    polygon.Name = name;
    polygon.SectionLine = profile.FindSection(PolygonSection(i)).value_or(0);
    const std::string section = "[" + PolygonSection(i) + "]";
    const std::string header = "[" + name + "]";
    const std::optional<long> headerLine = FindLine(profile, header);
    if (!headerLine) {
        std::string message = "vertex block " + Quoted(header) + " named by " + section + " is missing";
        if (const std::optional<long> loose = profile.FindSection(name)) {
            message += " (line " + std::to_string(*loose) + " " + Quoted(profile.Line(*loose)) +
                       " differs from it by blanks; the header must be the whole line)";
        }
        problems.Add(profile.FindKey(PolygonSection(i), "Name").value_or(polygon.SectionLine), message);
        return polygon;
    }
    const std::size_t wanted = number > 0 ? 2 * static_cast<std::size_t>(number) : 0;
    const VertexBlock& block = BlockAt(profile, *headerLine, blocks);
    for (std::size_t k = 0; k < block.ProblemAt.size() && block.ProblemAt[k] < wanted; ++k)
        problems.Add(block.Problems[k].Line, block.Problems[k].Message);
    const std::size_t found = std::min(block.Values.size(), wanted);
    if (found < wanted) {
        problems.Add(*headerLine, "vertex block " + Quoted(header) + " should hold " + std::to_string(number) +
                                      " vertices (Number in " + section + ": " + std::to_string(wanted) +
                                      " values X, Y), but only " +
                                      Count(static_cast<long long>(found), "value follows", "values follow") + " it");
        return polygon;
    }
    polygon.HeaderLine = *headerLine;
    polygon.Complete = true;
    return polygon;
}

// false, with a problem, when a polygon's Number is above the vertex limit
bool VertexCountAllowed(const ProfileFile& profile, const std::string& section, int number, ProblemList& problems) {
    if (number <= scene_rules::kMaxBasinVertices) return true;
    problems.Add(profile.FindKey(section, "Number").value_or(profile.FindSection(section).value_or(0)),
                 "[" + section + "] gives " + std::to_string(number) + " vertices; a scene may hold at most " +
                     std::to_string(scene_rules::kMaxBasinVertices));
    return false;
}

// true when the first section of that name holds any entry
bool HasEntries(const ProfileFile& profile, std::string_view section) {
    const std::optional<std::pair<long, long>> lines = profile.SectionLines(section);
    if (!lines) return false;
    std::string scratch;
    for (long n = lines->first; n < lines->second; ++n) {
        if (!SectionEntry(profile.Line(n), scratch).empty()) return true;
    }
    return false;
}

// reads the polygon list; the last polygon becomes the basin boundary
void ReadPolygons(const ProfileFile& profile, Scene& scene, ProblemList& problems) {
    std::unordered_map<long, VertexBlock> blocks;  // by header line
    for (long i = 1;; ++i) {
        const std::string section = PolygonSection(i);
        const std::string name = ReadProfileString(section, "Name", "", profile);
        if (name.empty()) {
            if (i == 1) {
                const std::optional<long> line = profile.FindSection(section);
                problems.Add(line.value_or(0), line ? "[Polygon1] has no Name: the scene has no basin polygon"
                                                    : "no polygon section: [Polygon1] is missing");
            }
            return;
        }
        const int number = ReadProfileInt(section, "Number", 0, profile);
        scene.ShowMethod = ApplyShow(ReadProfileString(section, "Show", "", profile), scene.ShowMethod);
        if (!VertexCountAllowed(profile, section, number, problems)) return;
        const PolygonRead polygon = ReadVertexBlock(profile, i, name, number, blocks, problems);

        const std::string next = PolygonSection(i + 1);
        if (HasEntries(profile, next)) {
            if (ReadProfileString(next, "Name", "", profile).empty()) {
                problems.Add(profile.FindSection(next).value_or(0),
                             "[" + next + "] has no Name, so no polygon would become the basin boundary");
                return;
            }
            continue;  // a later polygon replaces this one
        }
        scene.BasinName = name;
        scene.CRS = ReadProfileString(section, "CRS", "", profile);
        if (!polygon.Complete) return;
        const long numberLine = profile.FindKey(section, "Number").value_or(polygon.SectionLine);
        if (number < 3) {
            problems.Add(numberLine, "[" + section + "] gives the basin " + std::to_string(number) +
                                         " vertices; a basin needs at least 3");
            return;
        }
        const std::vector<double>& values = blocks.at(polygon.HeaderLine).Values;
        scene.Basin.reserve(static_cast<std::size_t>(number));
        for (std::size_t k = 0; k + 1 < 2 * static_cast<std::size_t>(number); k += 2)
            scene.Basin.push_back(cPoint{values[k], values[k + 1], 0.0});
        return;
    }
}

// a station line with every tab turned into a blank: tabs separate the fields as blanks do
std::string TabsAsBlanks(std::string_view text) {
    std::string line(text);
    std::replace(line.begin(), line.end(), '\t', ' ');
    return line;
}

// reads the station table under the one "[rainstation]" line
void ReadStations(const ProfileFile& profile, Scene& scene, ProblemList& problems) {
    const std::optional<long> header = FindLine(profile, "[rainstation]");
    if (!header) {
        if (const std::optional<long> loose = profile.FindSection("rainstation")) {
            problems.Add(*loose, "no [rainstation] section: " + Quoted(profile.Line(*loose)) +
                                     " differs from it by blanks or other text; the header must be the whole line");
        } else {
            problems.Add(0, "no [rainstation] section: the scene has no stations");
        }
        return;
    }
    if (const std::optional<long> second = FindLine(profile, "[rainstation]", *header + 1)) {
        problems.Add(*second,
                     "a second [rainstation] section; the stations must stand in one table (the first is at line " +
                         std::to_string(*header) + ")");
        return;
    }
    // the table runs to an empty line, a line starting with "[", or the end of the file
    long end = *header + 1;
    while (end <= profile.LineCount()) {
        const std::string_view line = profile.Line(end);
        if (TrimBlanks(line).empty() || line.front() == '[') break;
        ++end;
    }
    const long count = end - *header - 2;  // less the heading line
    if (count < 1) {
        problems.Add(*header,
                     "the [rainstation] section holds no station lines (its first line is the column heading)");
        return;
    }
    if (count > scene_rules::kMaxStations) {
        problems.Add(*header, "the [rainstation] section holds " + std::to_string(count) +
                                  " stations; a scene may hold at most " + std::to_string(scene_rules::kMaxStations));
        return;
    }
    for (long n = *header + 2; n < end; ++n) {
        const std::string line = TabsAsBlanks(profile.Line(n));
        SceneStation station;
        station.Name = GetToken(line, " ", 1, false);
        station.Number = GetToken(line, " ", 2, true);
        const std::string_view coordinates = TextBetweenView(line);
        station.Point.X = ReadCoordinate(TokenView(coordinates, ',', 1, true), n, "X", problems);
        station.Point.Y = ReadCoordinate(TokenView(coordinates, ',', 2, true), n, "Y", problems);
        station.Point.z = ReadCoordinate(TokenView(coordinates, ',', 3, true), n, "z", problems);
        scene.Stations.push_back(std::move(station));
    }
}

// number of station pairs of n stations
long long PairCount(long long n) { return n * (n - 1) / 2; }

// whether a field starts with a number (blanks and a sign aside): a digit, or a point and a digit
bool StartsWithNumber(std::string_view field) {
    field = TrimBlanks(field);
    if (!field.empty() && (field.front() == '+' || field.front() == '-')) field.remove_prefix(1);
    if (!field.empty() && field.front() == '.') field.remove_prefix(1);
    return !field.empty() && field.front() >= '0' && field.front() <= '9';
}

// One centre-point line read: its point, or a problem on its own line when it holds no
// "(X, Y, z)" (the height may be left out) whose X and Y are numbers.
cPoint ReadCentrePoint(std::string_view line, long lineNumber, long long index, ProblemList& problems) {
    const std::string_view text = TextBetweenView(line);
    const std::string_view x = TokenView(text, ',', 1, true), y = TokenView(text, ',', 2, true);
    if (line.find('(') == std::string_view::npos || !StartsWithNumber(x) || !StartsWithNumber(y)) {
        problems.Add(lineNumber, "centre point " + std::to_string(index) + " " + Quoted(TrimBlanks(line)) +
                                     " is unreadable: a centre point is written (X, Y, height)");
        return cPoint{};
    }
    cPoint p;
    p.X = ReadCoordinate(x, lineNumber, "centre-point X", problems);
    p.Y = ReadCoordinate(y, lineNumber, "centre-point Y", problems);
    p.z = ReadCoordinate(TokenView(text, ',', 3, true), lineNumber, "centre-point z", problems);
    return p;
}

// the centre points, one per station pair
std::vector<cPoint> ReadCenterPoint(const ProfileFile& profile, long stationCount, ProblemList& problems) {
    std::vector<cPoint> points;
    if (stationCount < 0) {
        problems.Add(0, "a station count of " + std::to_string(stationCount) + " cannot have centre points");
        return points;
    }
    const long long count = PairCount(stationCount);
    if (count == 0) return points;
    const std::string need = std::to_string(stationCount) + " stations need " + std::to_string(count) +
                             " centre-point lines, one per station pair";
    const std::optional<long> section = profile.FindSection("CenterPoint");
    if (!section) {
        problems.Add(0, "no [CenterPoint] section, but " + need);
        return points;
    }
    // one pass: the points are read as the lines are counted, and given up when too few
    // lines follow; the section's length bounds what is set aside for them
    CentrePointLines reading(profile);
    points.reserve(static_cast<std::size_t>(std::min<long long>(count, reading.SectionSize())));
    ProblemList pointProblems(profile.Path());
    long long usable = 0;
    for (std::optional<std::string_view> line; usable < count && (line = reading.Next()); ++usable)
        points.push_back(ReadCentrePoint(*line, reading.Line(), usable + 1, pointProblems));
    if (usable < count) {
        problems.Add(*section, "the [CenterPoint] section holds " + Count(usable, "line", "lines") + ", but " + need);
        return {};
    }
    // a whole section of wrong lines is told by its first lines
    constexpr std::size_t kMostListed = 20;
    for (std::size_t k = 0; k < pointProblems.Size() && k < kMostListed; ++k)
        problems.Add(pointProblems[k].Line, pointProblems[k].Message);
    if (pointProblems.Size() > kMostListed)
        problems.Add(pointProblems[kMostListed].Line, std::to_string(pointProblems.Size() - kMostListed) +
                                                          " more centre-point problems follow; only the first " +
                                                          std::to_string(kMostListed) + " are listed");
    return points;
}

}  // namespace

// "file:line: message" or "file: message"
std::string SceneProblem::ToString() const {
    std::string text = File.string();
    if (Line > 0) text += ":" + std::to_string(Line);
    return text + ": " + Message;
}

namespace {
// every problem on its own line
std::string JoinProblems(const std::vector<SceneProblem>& problems) {
    std::string text;
    for (const SceneProblem& p : problems) {
        if (!text.empty()) text += '\n';
        text += p.ToString();
    }
    return text;
}
}  // namespace

SceneError::SceneError(std::vector<SceneProblem> problems)
    : std::runtime_error(JoinProblems(problems)), problems_(std::move(problems)) {}

namespace {

// reads and checks a whole scene from its profile, and places it on the map
Scene SceneFromProfile(const ProfileFile& profile, const std::filesystem::path& file, std::optional<ShowSetting> show,
                       ProblemList& problems) {
    Scene scene;
    scene.Path = file;
    ReadPolygons(profile, scene, problems);
    ReadSubbasins(profile, scene.Subbasins, problems);
    ReadStations(profile, scene, problems);
    if (show) scene.ShowMethod = *show;
    if (scene.ShowMethod != ShowSetting::Thiessen && !scene.Stations.empty()) {
        scene.CenterPoints = ReadCenterPoint(profile, static_cast<long>(scene.Stations.size()), problems);
    }
    if (problems.Empty()) {
        for (SceneProblem& p : CheckSceneGeometry(profile, scene)) problems.Add(p.Line, std::move(p.Message));
    }
    problems.ThrowIfAny();
    PlaceOnMap(scene);
    for (SceneProblem& p : CheckSubbasins(scene)) problems.Add(p.Line, std::move(p.Message));
    problems.ThrowIfAny();
    return scene;
}

}  // namespace

// reads and checks a whole scene file
Scene LoadScene(const std::filesystem::path& file, std::optional<ShowSetting> show) {
    ProblemList problems(file);
    const std::optional<ProfileFile> profile = OpenScene(file, problems);
    problems.ThrowIfAny();
    return SceneFromProfile(*profile, file, show, problems);
}

Scene LoadSceneText(std::string bytes, const std::filesystem::path& name, std::optional<ShowSetting> show) {
    ProblemList problems(name);
    if (bytes.size() > scene_rules::kMaxFileBytes) {
        problems.Add(0, "the scene is larger than " +
                            Count(static_cast<long long>(scene_rules::kMaxFileBytes >> 20), "MB", "MB") +
                            ", the most a scene may hold");
        problems.ThrowIfAny();
    }
    try {
        return SceneFromProfile(ProfileFile::FromBytes(std::move(bytes), name), name, show, problems);
    } catch (const TextDecodeError& e) {
        problems.Add(e.Line(), e.Problem());
        problems.ThrowIfAny();
    }
    return {};
}

}  // namespace kelvarin
