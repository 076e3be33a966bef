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

struct Scene {
    std::filesystem::path Path;
    std::string BasinName;      // the vertex block that became the basin boundary
    std::string CRS;            // the basin polygon section's "CRS" key: the coordinate system, or empty
    std::vector<cPoint> Basin;  // its vertices in file order
    std::vector<SceneStation> Stations;
    int ShowMethod = 0;  // 0 Thiessen only, 1 height-balance only, -1 either
    std::vector<cPoint>
        CenterPoints;  // one per station pair (1,2), (1,3), ..., (n-1,n); read only when ShowMethod != 0
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
