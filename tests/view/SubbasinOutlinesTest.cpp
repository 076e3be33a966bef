// The saver with sub-basins: their outlines, every part and hole, are drawn in layer 7 in the
// sub-basin grey, and nothing else of the demonstration changes: a scene whose sub-basins tile
// its outline runs frame for frame as the same scene without them, but for those outlines.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "render/RecordingSurface.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneWriter.hpp"
#include "tests/engine/SubbasinSets.hpp"
#include "view/Figure.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

using Primitive = RecordingSurface::Primitive;

// a generated scene whose sub-basins (an enclave, no lake) tile the outline; with or without them
std::shared_ptr<const Scene> TilingScene(bool withSubbasins) {
    testing::SubbasinSetOptions options;
    options.Seed = 9;
    options.Lake = false;
    const testing::SubbasinSet set = testing::MakeSubbasinSet(options);
    SceneFile file;
    file.Polygons = {{"Outline", set.Outline}};
    file.Show = "all";
    if (withSubbasins) file.Subbasins = set.Subbasins;
    std::mt19937_64 random(4);
    std::uniform_real_distribution<double> x(options.CentreX - 25000, options.CentreX + 25000);
    std::uniform_real_distribution<double> y(options.CentreY - 20000, options.CentreY + 20000);
    for (int k = 0; k < 10; ++k)
        file.Stations.push_back({"G" + std::to_string(k), std::to_string(k), cPoint{x(random), y(random), 0}});
    for (std::size_t a = 0; a < file.Stations.size(); ++a)
        for (std::size_t b = a + 1; b < file.Stations.size(); ++b)
            file.CentrePoints.push_back(cPoint{(file.Stations[a].Point.X + file.Stations[b].Point.X) / 2,
                                               (file.Stations[a].Point.Y + file.Stations[b].Point.Y) / 2, 0});
    return std::make_shared<const Scene>(LoadSceneText(SceneFileText(file), "tiling.ini"));
}

// every primitive of a seeded demonstration of six cycles
std::vector<Primitive> Frames(std::shared_ptr<const Scene> scene) {
    RecordingSurface surface(960, 540);
    Demonstration demonstration(surface, std::move(scene), 2024);
    demonstration.Run(6, [](long, const FigureReport&) {});
    return surface.Primitives();
}

bool Same(const Primitive& a, const Primitive& b) {
    return a.kind == b.kind && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.color == b.color &&
           a.flags == b.flags && a.text == b.text;
}

TEST(SubbasinOutlines, AreDrawnInLayerSevenAndChangeNothingElse) {
    const std::shared_ptr<const Scene> with = TilingScene(true);
    std::size_t rings = 0, edges = 0;
    for (const LocalSubbasin& subbasin : with->Local.Subbasins)
        for (const LocalPart& part : subbasin.Parts) {
            rings += 1 + part.Holes.size();
            edges += part.Shell.size();
            for (const auto& hole : part.Holes) edges += hole.size();
        }
    RecordingSurface surface(960, 540);
    ScriptedWindowSystem windowSystem;
    picGIS gis(surface, windowSystem);
    gis.OpenScene(with);
    EXPECT_EQ(gis.lyrLayer(LayerIndex::Other)->Polygon().Count(), static_cast<long>(rings));
    long grey = 0;
    for (const Primitive& p : surface.Primitives())
        grey += p.kind == RecordingSurface::Kind::Line && p.color == kSubbasinColor;
    EXPECT_EQ(grey, static_cast<long>(edges));  // every edge of every ring, once per drawing of the basin

    const std::vector<Primitive> without = Frames(TilingScene(false));
    std::vector<Primitive> others;
    for (const Primitive& p : Frames(with))
        if (!(p.kind == RecordingSurface::Kind::Line && p.color == kSubbasinColor)) others.push_back(p);
    ASSERT_EQ(others.size(), without.size());
    for (std::size_t k = 0; k < others.size(); ++k) ASSERT_TRUE(Same(others[k], without[k])) << "primitive " << k;
}

}  // namespace
}  // namespace kelvarin
