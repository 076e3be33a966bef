// Constructions at ties, generated over many placements, turns and scales; every one must
// pass its own check (weights finite, within [0, 1], adding up to 1).
//
// Gauges strung along a line, a network a few sites wide, from 0.1 m down to a few units of
// the last bit to either side, some with a gauge or two well off the line: taking out the hull
// triangles whose circumcentres lie far out can part the network, where Thiessen cells are
// cut from the frame by the bisectors with every neighbour; height-balance keeps the thin
// triangles, and its boundary lines run along their hull edges.
//
// Gauges on a small integer grid: gauges in a row along the hull, and three or more boundary
// lines through one point outside the network, where the height-balance repair closes
// several regions at once.
//
// Three gauges a few millimetres apart and almost on one line, on the hull of the network:
// the sliver triangle they form keeps its circumcentre within reach of the frame, and its
// height-balance inner vertex lies within rounding of the hull edge. The outer boundary line
// there has to leave the network the same way when the rings are built and when crossed lines
// are repaired, or a ring takes in the far side of the frame.

#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/INIProFile.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneChecks.hpp"

namespace kelvarin {
namespace {

// the centre point of every pair of the scene's stations at the pair's middle
void AddMidpointCentres(Scene& scene) {
    for (std::size_t i = 0; i < scene.Stations.size(); ++i) {
        for (std::size_t j = i + 1; j < scene.Stations.size(); ++j) {
            const cPoint& a = scene.Stations[i].Point;
            const cPoint& b = scene.Stations[j].Point;
            scene.CenterPoints.push_back(cPoint{a.X + (b.X - a.X) / 2, a.Y + (b.Y - a.Y) / 2, (a.z + b.z) / 2});
        }
    }
}

// how many of the two methods' constructions of the selection pass their check; a failure
// names the case
int BuildBothMethods(const Scene& scene, const std::vector<long>& selection, const std::string& what) {
    const EngineScene local = PlacedOnMap(scene).Local;
    int built = 0;
    for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
        try {
            BuildConstruction(method, local, selection);
            ++built;
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << (method == Method::Thiessen ? ", Thiessen: " : ", height-balance: ") << e.what();
        }
    }
    return built;
}

// every station of a scene
std::vector<long> AllStations(const Scene& scene) {
    std::vector<long> all;
    for (std::size_t i = 1; i <= scene.Stations.size(); ++i) all.push_back(static_cast<long>(i));
    return all;
}

struct SliverCase {
    Scene scene;
    std::string what;
};

SliverCase MakeCase(std::mt19937_64& random, int index) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const bool mapCoordinates = index % 2 == 1;
    const double ox = mapCoordinates ? 255000.0 : 0.0, oy = mapCoordinates ? 2655000.0 : 0.0;
    const double half = 500.0;  // the basin's half width; the same-site rule is then 1 mm
    SliverCase c;
    Scene& scene = c.scene;
    scene.BasinName = "Basin";
    for (const auto& [x, y] : {std::pair{-half, -half}, {half, -half}, {half, half}, {-half, half}})
        scene.Basin.push_back(cPoint{ox + x, oy + y, 0.0});
    std::vector<cPoint> gauges;
    const int inner = 4 + index % 5;
    for (int i = 0; i < inner; ++i)
        gauges.push_back(cPoint{ox + (unit(random) - 0.5) * 1.6 * half, oy + (unit(random) - 0.5) * 1.6 * half, 0.0});
    // the sliver: its edge faces outwards at a random or an axis-parallel turn
    double phi = unit(random) * 6.283185307179586;
    if (index % 3 == 0) phi = 1.5707963267948966 * (index / 3 % 4);
    const double nx = std::cos(phi), ny = std::sin(phi);  // outward
    const double ux = -ny, uy = nx;                       // along the edge
    const double reach = (1.2 + 0.5 * unit(random)) * half;
    const double px = ox + reach * nx, py = oy + reach * ny;
    // sides of a few millimetres, or (every other pair of cases) of a few tens of metres
    const double scale = index % 4 >= 2 ? 1e4 : 1.0;
    const double a = (0.002 + 0.008 * unit(random)) * scale, b = (0.002 + 0.008 * unit(random)) * scale;
    // how far the middle gauge lies inside, or (two cases in five) outside: its circumradius
    // between 10 m and 100 km for the short sides, up to 1e12 m for the long ones
    const double radius = std::pow(10.0, 1.0 + (scale > 1 ? 11.0 : 4.0) * unit(random));
    const double off = (index % 5 < 2 ? -1.0 : 1.0) * a * b / (2.0 * radius);
    gauges.push_back(cPoint{px - a * ux, py - a * uy, 0.0});
    gauges.push_back(cPoint{px - off * nx, py - off * ny, 0.0});
    gauges.push_back(cPoint{px + b * ux, py + b * uy, 0.0});
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        gauges[i].z = 10.0 * static_cast<double>(random() % 200);
        scene.Stations.push_back(SceneStation{"G" + std::to_string(i + 1), "N", gauges[i]});
    }
    AddMidpointCentres(scene);
    char text[160];
    std::snprintf(text, sizeof text, "case %d: turn %.17g, sides %.3g and %.3g m, middle %.3g m inside%s", index, phi,
                  a, b, off, mapCoordinates ? ", map coordinates" : "");
    c.what = text;
    return c;
}

TEST(HullSlivers, EveryConstructionPassesItsCheck) {
    std::mt19937_64 random(20261209);
    int built = 0;
    for (int index = 0; index < 1500; ++index) {
        const SliverCase c = MakeCase(random, index);
        ASSERT_TRUE(CheckSceneGeometry(ProfileFile{}, c.scene).empty()) << c.what;
        built += BuildBothMethods(c.scene, AllStations(c.scene), c.what);
    }
    EXPECT_EQ(built, 2 * 1500);
}

// a selection of gauges on a grid of 13, 8 or 5 points a side
Scene GridScene(std::mt19937_64& random, int index, std::vector<long>& selection) {
    const double spacings[] = {0.001, 1.0, 37.5, 1000.0};
    const double spacing = spacings[index % 4];
    const bool mapCoordinates = index / 4 % 2 == 1;
    const double ox = mapCoordinates ? 255000.0 : 0.0, oy = mapCoordinates ? 2655000.0 : 0.0;
    Scene scene;
    scene.BasinName = "Basin";
    for (const auto& [x, y] : {std::pair{-1, -1}, {14, -2}, {15, 12}, {6, 9}, {-2, 14}})
        scene.Basin.push_back(cPoint{ox + x * spacing, oy + y * spacing, 0.0});
    const int count = 3 + static_cast<int>(random() % 38);
    const unsigned side = index % 3 == 0 ? 13 : (index % 3 == 1 ? 8 : 5);
    for (int i = 0; i < count; ++i) {
        const cPoint p{ox + static_cast<double>(random() % side) * spacing,
                       oy + static_cast<double>(random() % side) * spacing, 10.0 * static_cast<double>(random() % 200)};
        scene.Stations.push_back(SceneStation{"G" + std::to_string(i + 1), "N", p});
    }
    AddMidpointCentres(scene);
    selection.clear();
    for (int i = 1; i <= count; ++i)
        if (random() % 4 != 0) selection.push_back(i);
    if (selection.empty()) selection.push_back(1);
    return scene;
}

TEST(GridGauges, EveryConstructionPassesItsCheck) {
    std::mt19937_64 random(9);
    int built = 0, judged = 0;
    for (int index = 0; index < 3000; ++index) {
        std::vector<long> selection;
        const Scene scene = GridScene(random, index, selection);
        if (!CheckSceneGeometry(ProfileFile{}, scene).empty()) continue;  // coincident gauges only, and the like
        ++judged;
        built += BuildBothMethods(scene, selection, "case " + std::to_string(index));
    }
    EXPECT_GT(judged, 2000);
    EXPECT_EQ(built, 2 * judged);
}

// Gauges strung along a line a few hundred metres long, each a little to one side of it: a
// network a few sites wide, whose hull triangles reach across it with circumcentres far out.
// Every other scene has a gauge or two well off the line as well.
Scene NarrowScene(std::mt19937_64& random, int index) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const bool mapCoordinates = index % 2 == 1;
    const double ox = mapCoordinates ? 255000.0 : 0.0, oy = mapCoordinates ? 2655000.0 : 0.0;
    Scene scene;
    scene.BasinName = "Basin";
    for (const auto& [x, y] : {std::pair{-400.0, -400.0}, {400.0, -400.0}, {400.0, 400.0}, {-400.0, 400.0}})
        scene.Basin.push_back(cPoint{ox + x, oy + y, 0.0});
    double turn = unit(random) * 6.283185307179586;
    if (index % 3 == 0) turn = 1.5707963267948966 * (index / 3 % 4);
    const double ux = std::cos(turn), uy = std::sin(turn);
    const double width = std::pow(10.0, -1.0 - 11.0 * unit(random));  // metres to either side
    const int count = 4 + index % 5;
    for (int i = 0; i < count; ++i) {
        const double along = (unit(random) - 0.5) * 300.0, aside = (unit(random) - 0.5) * 2.0 * width;
        const cPoint p{ox + along * ux - aside * uy, oy + along * uy + aside * ux,
                       10.0 * static_cast<double>(random() % 200)};
        scene.Stations.push_back(SceneStation{"G" + std::to_string(i + 1), "N", p});
    }
    // in every other scene, a gauge or two well off the line
    for (int extra = index % 4 / 2 == 0 ? 0 : 1 + index % 2; extra > 0; --extra) {
        const cPoint p{ox + (unit(random) - 0.5) * 700.0, oy + (unit(random) - 0.5) * 700.0,
                       10.0 * static_cast<double>(random() % 200)};
        scene.Stations.push_back(SceneStation{"G" + std::to_string(scene.Stations.size() + 1), "N", p});
    }
    AddMidpointCentres(scene);
    return scene;
}

TEST(NarrowNetworks, EveryConstructionPassesItsCheck) {
    std::mt19937_64 random(17);
    int built = 0, judged = 0;
    for (int index = 0; index < 3000; ++index) {
        const Scene scene = NarrowScene(random, index);
        if (!CheckSceneGeometry(ProfileFile{}, scene).empty()) continue;  // a centre point off its pair's line
        ++judged;
        built += BuildBothMethods(scene, AllStations(scene), "case " + std::to_string(index));
    }
    EXPECT_GT(judged, 2500);
    EXPECT_EQ(built, 2 * judged);
}

}  // namespace
}  // namespace kelvarin
