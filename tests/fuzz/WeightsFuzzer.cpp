// The whole weights computation on a scene decoded from the bytes: 3 to 40 gauges on a
// small integer grid plus optional tiny offsets (so ties, near-ties, collinear and
// coincident gauges are frequent), at the origin or at map coordinates, both methods, a
// fuzzed selection. A scene the loader's rules refuse is skipped; for every other one
// each construction must pass its own check: an InternalInconsistency, or any other
// exception, is a finding.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneChecks.hpp"

namespace {

using namespace kelvarin;

// bytes read one by one; zeros once they run out
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Signed() { return static_cast<std::int8_t>(Next()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// basins on the same grid: a square, an L, and a notched outline
const std::vector<std::vector<std::pair<int, int>>> kBasins = {
    {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}},
    {{-10, -10}, {10, -10}, {10, 0}, {0, 0}, {0, 10}, {-10, 10}},
    {{-10, -8}, {-2, -10}, {9, -9}, {10, 4}, {3, 1}, {6, 10}, {-7, 9}},
};

Scene Decode(Bytes& bytes, std::vector<long>& selection) {
    const std::uint8_t mode = bytes.Next();
    const double units[] = {1.0, 1000.0, 0.001, 37.5};
    const double unit = units[(mode >> 1) & 3];
    const bool tiny = mode & 8;
    const double ox = mode & 1 ? 255000.0 : 0.0, oy = mode & 1 ? 2655000.0 : 0.0;
    Scene scene;
    scene.BasinName = "Basin";
    scene.ShowMethod = ShowSetting::Both;
    for (const auto& [x, y] : kBasins[static_cast<std::size_t>((mode >> 4) % kBasins.size())])
        scene.Basin.push_back(cPoint{ox + x * unit, oy + y * unit, 0.0});
    const int n = 3 + bytes.Next() % 38;
    for (int i = 0; i < n; ++i) {
        double x = bytes.Signed() % 13, y = bytes.Signed() % 13;
        if (tiny) {
            const std::uint8_t scale = bytes.Next();
            x += bytes.Signed() * std::ldexp(1.0, -(10 + (scale & 31)));
            y += bytes.Signed() * std::ldexp(1.0, -(10 + (scale >> 3)));
        }
        SceneStation station;
        station.Name = "G" + std::to_string(i + 1);
        station.Point = cPoint{ox + x * unit, oy + y * unit, static_cast<double>(bytes.Next()) * 10.0};
        scene.Stations.push_back(station);
    }
    for (std::size_t a = 0; a < scene.Stations.size(); ++a) {
        for (std::size_t b = a + 1; b < scene.Stations.size(); ++b) {
            const cPoint& A = scene.Stations[a].Point;
            const cPoint& B = scene.Stations[b].Point;
            scene.CenterPoints.push_back(cPoint{A.X + (B.X - A.X) / 2, A.Y + (B.Y - A.Y) / 2, (A.z + B.z) / 2});
        }
    }
    for (int i = 0; i < n; ++i)
        if (bytes.Next() & 1) selection.push_back(i + 1);
    if (selection.empty()) selection.push_back(1 + bytes.Next() % n);
    return scene;
}

[[noreturn]] void Finding(const Scene& scene, const std::vector<long>& selection, const std::string& what) {
    std::fprintf(stderr, "fuzz_weights: %s\nstations:", what.c_str());
    for (const SceneStation& s : scene.Stations) std::fprintf(stderr, " (%.17g, %.17g)", s.Point.X, s.Point.Y);
    std::fprintf(stderr, "\nselection:");
    for (long s : selection) std::fprintf(stderr, " %ld", s);
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    std::vector<long> selection;
    const Scene scene = Decode(bytes, selection);
    if (!CheckSceneGeometry(ProfileFile{}, scene).empty()) return 0;  // refused, as the loader would
    for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
        try {
            const Construction c = BuildConstruction(method, MakeEngineScene(scene), selection);
            if (c.Stations.size() != selection.size()) Finding(scene, selection, "a station part is missing");
        } catch (const std::exception& e) {
            Finding(scene, selection,
                    std::string(method == Method::Thiessen ? "thiessen: " : "heightbalance: ") + e.what());
        }
    }
    return 0;
}
