#pragma once
// The scene file read into memory: basin boundary, stations, show setting and
// station-pair centre points, all in the scene file's own coordinates.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/cPoint.hpp"

namespace kelvarin {

struct SceneStation {
    std::string Name;
    std::string Number;
    cPoint Point;  // X, Y, and the station height z (0 when the file gives none)
};

// The scene's "Show" setting: which method the demonstration builds.
enum class ShowSetting : int { Thiessen = 0, HeightBalance = 1, Both = -1 };

struct Scene {
    std::filesystem::path Path;
    std::string BasinName;      // the vertex block that became the basin boundary
    std::vector<cPoint> Basin;  // its vertices in file order
    std::vector<SceneStation> Stations;
    ShowSetting ShowMethod = ShowSetting::Thiessen;
    // one per station pair (1,2), (1,3), ..., (n-1,n); read only when the height-balance method can be shown
    std::vector<cPoint> CenterPoints;
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

// Reads and checks the whole scene; throws SceneError when it cannot be used.
Scene LoadScene(const std::filesystem::path& file);

// Reads the centre-point lines for stationCount stations (stationCount*(stationCount-1)/2
// points, scene coordinates); throws SceneError when the section holds fewer lines.
std::vector<cPoint> ReadCenterPoints(const std::filesystem::path& file, long stationCount);

}  // namespace kelvarin
