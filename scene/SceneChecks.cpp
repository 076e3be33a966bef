#include "scene/SceneChecks.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "geometry/Predicates.hpp"
#include "geometry/SimpleRing.hpp"
#include "geometry/Tolerances.hpp"
#include "geometry/modGISTools.hpp"
#include "scene/CentrePointLines.hpp"
#include "scene/CheckMessages.hpp"
#include "scene/SceneRules.hpp"

namespace kelvarin {

namespace {

using namespace scene_rules;
using namespace check_messages;

// the bounding box of points
Box BoxOf(const std::vector<cPoint>& points) {
    Box box;
    for (const cPoint& p : points) box.Add(p);
    return box;
}

// a value beyond the coordinate range (or not finite)
bool OutOfRange(double v) { return !(std::abs(v) <= kMaxCoordinate); }

// the station's table line: stations stand on consecutive lines after the heading line
long StationLine(const ProfileFile& profile, std::size_t index) {
    const std::optional<long> header = profile.FindLine("[rainstation]");
    return header ? *header + 2 + static_cast<long>(index) : 0;
}

std::string StationText(const Scene& scene, std::size_t index) {
    return "station " + std::to_string(index + 1) + " " + Quoted(scene.Stations[index].Name);
}

class Checker {
  public:
    Checker(const ProfileFile& profile, const Scene& scene) : profile_(profile), scene_(scene) {}

    std::vector<SceneProblem> Run() {
        if (scene_.Basin.size() < 3) return problems_;
        if (CheckBasin() && CheckStations() && !scene_.CenterPoints.empty()) CheckCentrePoints();
        return std::move(problems_);
    }

  private:
    void Add(long line, std::string message) {
        problems_.push_back(SceneProblem{{}, static_cast<int>(line), std::move(message)});
    }

    long BasinLine() const { return profile_.FindLine("[" + scene_.BasinName + "]").value_or(0); }

    // range, extent, area and simplicity of the basin; false when the gauges cannot be judged against it
    bool CheckBasin() {
        const std::vector<cPoint>& basin = scene_.Basin;
        const std::string name = "the basin " + Quoted(scene_.BasinName);
        for (std::size_t i = 0; i < basin.size(); ++i) {
            if (OutOfRange(basin[i].X) || OutOfRange(basin[i].Y)) {
                Add(BasinLine(), name + ": vertex " + std::to_string(i + 1) + " " + PointText(basin[i]) +
                                     " lies beyond " + Num(kMaxCoordinate) +
                                     ", the largest coordinate a scene may hold");
                return false;
            }
        }
        const Box box = BoxOf(basin);
        extent_ = std::max(box.maxX - box.minX, box.maxY - box.minY);
        box_ = box;
        if (OnOneLine(basin)) {
            Add(BasinLine(), name + " has zero area (its vertices lie on one line)");
            return false;
        }
        double magnitude = 1.0;
        for (const cPoint& p : basin) magnitude = std::max({magnitude, std::abs(p.X), std::abs(p.Y)});
        const double area = std::abs(TwiceSignedArea(basin)) / 2.0;
        const double width = area / extent_;  // the basin's mean width across its extent
        if (!FindRingCrossing(basin) && width < kMinBasinWidthShare * magnitude) {
            Add(BasinLine(), name + " is on average " + Num(width) +
                                 " map units wide (area / extent), too narrow for coordinates of " + Num(magnitude) +
                                 ": a basin must be at least " + Num(kMinBasinWidthShare) +
                                 " of its largest coordinate (and of one map unit) wide, here " +
                                 Num(kMinBasinWidthShare * magnitude));
            return false;
        }
        if (const std::optional<RingCrossing> c = FindRingCrossing(basin)) {
            Add(BasinLine(), name + " crosses itself: its edge " + std::to_string(c->First) + "-" +
                                 std::to_string(c->FirstEnd) + " meets its edge " + std::to_string(c->Second) + "-" +
                                 std::to_string(c->SecondEnd) + " (edges named by their vertices, 1 = first)");
            return false;
        }
        if (area <= kZeroAreaShare * (box.maxX - box.minX) * (box.maxY - box.minY)) {
            Add(BasinLine(), name + " has zero area (below " + Num(kZeroAreaShare) + " of its bounding box)");
            return false;
        }
        return true;
    }

    // every vertex on the line through the first two distinct ones (or all the same)
    static bool OnOneLine(const std::vector<cPoint>& ring) {
        const cPoint& a = ring.front();
        const cPoint* b = nullptr;
        for (const cPoint& p : ring) {
            if (p.X == a.X && p.Y == a.Y) continue;
            if (!b) {
                b = &p;
            } else if (Orient2D(a, *b, p) != 0) {
                return false;
            }
        }
        return true;
    }

    // distance of a point from the basin's bounding box (0 inside it)
    double DistanceFromBasin(const cPoint& p) const {
        const double dx = std::max({box_.minX - p.X, 0.0, p.X - box_.maxX});
        const double dy = std::max({box_.minY - p.Y, 0.0, p.Y - box_.maxY});
        return std::max(dx, dy);
    }

    // false when a station is refused (its centre points cannot be judged then)
    bool CheckStations() {
        const std::size_t before = problems_.size();
        for (std::size_t i = 0; i < scene_.Stations.size(); ++i) {
            const cPoint& p = scene_.Stations[i].Point;
            const long line = StationLine(profile_, i);
            if (OutOfRange(p.X) || OutOfRange(p.Y) || OutOfRange(p.z)) {
                Add(line, StationText(scene_, i) + " at (" + Num(p.X) + ", " + Num(p.Y) + ", " + Num(p.z) +
                              ") has a value beyond " + Num(kMaxCoordinate) +
                              ", the largest a scene may hold; is a number mistyped?");
                continue;
            }
            const double distance = DistanceFromBasin(p);
            if (distance > kMaxGaugeDistance * extent_) {
                Add(line, StationText(scene_, i) + " at " + PointText(p) + " lies " + Num(distance) +
                              " map units from the basin, more than " + Num(kMaxGaugeDistance) + " basin extents (" +
                              Num(kMaxGaugeDistance * extent_) + "); is a coordinate mistyped?");
            }
        }
        return problems_.size() == before;
    }

    // the line of centre point k (0-based, ascending from call to call); 0 for a scene not
    // read from a file
    long CentreLine(std::size_t k) {
        if (!centreLines_) centreLines_.emplace(profile_);
        for (; centresPassed_ <= k; ++centresPassed_)
            if (!centreLines_->Next()) return 0;
        return centreLines_->Line();
    }

    void CheckCentrePoints() {
        const std::size_t n = scene_.Stations.size();
        std::size_t k = 0;
        int reported = 0;
        for (std::size_t a = 0; a < n; ++a) {
            for (std::size_t b = a + 1; b < n; ++b, ++k) {
                if (k >= scene_.CenterPoints.size()) return;
                const std::optional<std::string> fault = CentrePointFault(a, b, scene_.CenterPoints[k]);
                if (!fault) continue;
                if (++reported > kMostCentreProblems) {
                    Add(CentreLine(k), "more centre points are wrong; only the first " +
                                           std::to_string(kMostCentreProblems) + " are listed");
                    return;
                }
                Add(CentreLine(k), "centre point " + std::to_string(k + 1) + " " + PointText(scene_.CenterPoints[k]) +
                                       ", of " + StationText(scene_, a) + " and " + StationText(scene_, b) + ", " +
                                       *fault);
            }
        }
    }

    // why the centre point of stations a and b cannot be used, if it cannot
    std::optional<std::string> CentrePointFault(std::size_t a, std::size_t b, const cPoint& p) const {
        if (OutOfRange(p.X) || OutOfRange(p.Y) || OutOfRange(p.z)) {
            return "has a value beyond " + Num(kMaxCoordinate) + ", the largest a scene may hold";
        }
        const cPoint& A = scene_.Stations[a].Point;
        const cPoint& B = scene_.Stations[b].Point;
        const double dx = B.X - A.X, dy = B.Y - A.Y;
        const double length = std::hypot(dx, dy);
        if (length <= kSameSiteShare * extent_) return std::nullopt;  // one site: the pair has no boundary
        const double along = ((p.X - A.X) * dx + (p.Y - A.Y) * dy) / (length * length);
        const double off = std::abs((p.X - A.X) * dy - (p.Y - A.Y) * dx) / length;
        if (along < kCentreFromStation || along > 1.0 - kCentreFromStation || off > kCentreOffLine * length) {
            return "does not lie strictly inside the segment joining them (it must lie between them, at least " +
                   Num(kCentreFromStation) + " of their distance from each, and at most " + Num(kCentreOffLine) +
                   " of it off the line)";
        }
        return std::nullopt;
    }

    static constexpr int kMostCentreProblems = 20;

    const ProfileFile& profile_;
    const Scene& scene_;
    std::optional<CentrePointLines> centreLines_;  // read as far as the centre points checked
    std::size_t centresPassed_ = 0;
    std::vector<SceneProblem> problems_;
    double extent_ = 0.0;
    Box box_{};
};

}  // namespace

std::vector<SceneProblem> CheckSceneGeometry(const ProfileFile& profile, const Scene& scene) {
    return Checker(profile, scene).Run();
}

std::string DegreesWarning(const Scene& scene) {
    const double extent = BasinExtent(scene.Basin);
    if (scene.Basin.empty() || !(extent <= kDegreesBasin)) return {};
    auto degrees = [](const cPoint& p) { return std::abs(p.X) <= 180.0 && std::abs(p.Y) <= 90.0; };
    for (const cPoint& p : scene.Basin)
        if (!degrees(p)) return {};
    for (const SceneStation& s : scene.Stations)
        if (!degrees(s.Point)) return {};
    return "the coordinates look like longitude and latitude in degrees, and polygons built in degrees are not "
           "the polygons on the ground; kelvarin-cli import projects such data into metres";
}

double BasinExtent(const std::vector<cPoint>& basin) {
    if (basin.empty()) return 0.0;
    const Box box = BoxOf(basin);
    return std::max(box.maxX - box.minX, box.maxY - box.minY);
}

}  // namespace kelvarin
