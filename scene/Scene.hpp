#pragma once
// The one scene of a run: the scene file read into memory (basin boundary, stations, show
// setting, all in the file's own coordinates) and its geometry placed once on the map in
// map-local coordinates, the numbers every construction computes with.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/cPoint.hpp"
#include "scene/MapLocal.hpp"

namespace kelvarin {

struct SceneStation {
    std::string Name;
    std::string Number;
    cPoint Point;  // X, Y, and the station height z (0 when the file gives none)
};

// One ring of a sub-basin as the file gives it: the vertex block it was read from and its
// vertices in file order (a last vertex repeating the first is left out).
struct SceneRing {
    std::string Block;
    long Line = 0;  // the vertex block's header line; 0 for a ring made in memory
    std::vector<cPoint> Vertices;
};

// One part of a sub-basin: its outer ring and the holes inside it.
struct SceneSubbasinPart {
    SceneRing Shell;
    std::vector<SceneRing> Holes;
};

// A named sub-basin: one or more parts, each with its holes. Its area is its parts' less
// their holes'.
struct SceneSubbasin {
    std::string Name;
    long Line = 0;  // its section's header line; 0 for a sub-basin made in memory
    std::vector<SceneSubbasinPart> Parts;
};

// The scene's "Show" setting: which method the demonstration builds.
enum class ShowSetting : int { Thiessen = 0, HeightBalance = 1, Both = -1 };

struct Scene {
    std::filesystem::path Path;
    std::string BasinName;      // the vertex block that became the basin boundary
    std::string CRS;            // the basin polygon section's "CRS" key: the coordinate system, or empty
    std::vector<cPoint> Basin;  // its vertices in file order
    std::vector<SceneStation> Stations;
    ShowSetting ShowMethod = ShowSetting::Thiessen;
    // one per station pair (1,2), (1,3), ..., (n-1,n), in the file's coordinates, until
    // PlaceOnMap moves them into Local; read only when the height-balance method can be shown
    std::vector<cPoint> CenterPoints;
    // the [Subbasin1], [Subbasin2], ... sections in file order; empty: the basin is the one
    // ring above. With sub-basins the whole basin is their union, holes and all.
    std::vector<SceneSubbasin> Subbasins;
    // the geometry on the map (PlaceOnMap): what the constructions and the map window use
    EngineScene Local;
};

// One problem with a scene file, located where possible.
struct SceneProblem {
    std::filesystem::path File;
    int Line = 0;  // 1-based; 0 when the problem has no single line
    std::string Message;
    std::string ToString() const;  // "file:line: message" or "file: message"
};

// Thrown when a scene cannot be used; what() lists every problem, one per line.
class SceneError : public std::runtime_error {
  public:
    explicit SceneError(std::vector<SceneProblem> problems);
    const std::vector<SceneProblem>& Problems() const { return problems_; }

  private:
    std::vector<SceneProblem> problems_;
};

// Reads and checks the whole scene and places it on the map; throws SceneError when it
// cannot be used. show, when given, is the method the caller shows in place of the
// scene's own "Show" (it becomes ShowMethod). The centre points are read, and checked,
// when the method shown can be height-balance.
Scene LoadScene(const std::filesystem::path& file, std::optional<ShowSetting> show = std::nullopt);

// The same for the text of a scene file held in memory (UTF-8 or Big5, as a file's bytes);
// `name` names it in the problems.
Scene LoadSceneText(std::string bytes, const std::filesystem::path& name,
                    std::optional<ShowSetting> show = std::nullopt);

}  // namespace kelvarin
