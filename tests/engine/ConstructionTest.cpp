// The engine and the map window: for random selections of every usable test scene and of
// the bundled scene, the window loads the scene into the engine's coordinates, shows
// exactly the engine's rings and pieces, and stores its areas and weights; the weights of
// every construction sum to one.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "geometry/modGISTools.hpp"
#include "render/RecordingSurface.hpp"
#include "scene/Scene.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

constexpr int kSelections = 40;

// the scene with the centre points read even where the scene shows only Thiessen (none
// where the file lacks them)
Scene LoadWithCenterPoints(const std::filesystem::path& file) {
    try {
        return LoadScene(file, ShowSetting::Both);
    } catch (const SceneError&) {
        return LoadScene(file);
    }
}

std::vector<long> RandomSelection(std::mt19937_64& random, long n) {
    std::vector<long> selection;
    while (selection.empty())
        for (long i = 1; i <= n; ++i)
            if (random() & 1) selection.push_back(i);
    return selection;
}

void ExpectSameRing(const cPolygon& engine, const cPolygon& window, const std::string& where) {
    ASSERT_EQ(engine.Count(), window.Count()) << where;
    for (long v = 1; v <= engine.Count(); ++v) {
        EXPECT_EQ(engine(v)->X, window(v)->X) << where << " vertex " << v;
        EXPECT_EQ(engine(v)->Y, window(v)->Y) << where << " vertex " << v;
    }
}

void CompareWithWindow(const std::filesystem::path& file, std::uint64_t seed) {
    const Scene scene = LoadWithCenterPoints(file);
    const EngineScene& local = scene.Local;
    RecordingSurface surface(1024.0, 768.0, false);
    ScriptedWindowSystem windowSystem;
    picGIS window(surface, windowSystem);
    window.OpenScene(std::make_shared<const Scene>(LoadWithCenterPoints(file)));  // a reading of its own
    const bool heightBalance = !local.CenterPoints.empty();
    ASSERT_EQ(local.ReferancePoint.X, window.ReferancePoint->X);
    ASSERT_EQ(local.ReferancePoint.Y, window.ReferancePoint->Y);

    std::mt19937_64 random(seed);
    for (int s = 0; s < kSelections; ++s) {
        const std::vector<long> selection = RandomSelection(random, window.Stations.Count());
        const Method method = (s % 2) && heightBalance ? Method::HeightBalance : Method::Thiessen;
        const std::string where = file.filename().string() + " selection " + std::to_string(s);
        window.UndoThiessen();
        for (long i : selection) window.Stations(i)->pSelect = true;
        const auto shown = method == Method::Thiessen ? window.AutoThiessen() : window.AutoHeightBalance();
        ASSERT_EQ(shown, static_cast<long>(selection.size())) << where;

        const Construction c = BuildConstruction(method, local, selection);
        ASSERT_EQ(c.Stations.size(), selection.size()) << where;
        double weightSum = 0.0;
        for (const StationPart& part : c.Stations) weightSum += part.Weight;
        EXPECT_NEAR(weightSum, 1.0, 1e-9) << where;
        const auto& network = window.lyrLayer(LayerIndex::PolygonNetwork)->Polygon();
        for (std::size_t k = 0; k < selection.size(); ++k) {
            const StationPart& part = c.Stations[k];
            const cGagingStation& station = *window.Stations(selection[k])->GageStation;
            EXPECT_EQ(part.Station, selection[k]) << where;
            EXPECT_EQ(part.Area, station.Area.value()) << where << " station " << part.Station;
            EXPECT_EQ(part.Weight, station.Weight.value()) << where << " station " << part.Station;
            ExpectSameRing(part.Ring, *network.Item(static_cast<long>(k + 1)), where + " ring");
            const Polygon& pieces =
                *window.lyrLayer(LayerIndex::Intersection)->MutiPolygon().Item(static_cast<long>(k + 1));
            ASSERT_EQ(part.Pieces.size(), static_cast<std::size_t>(pieces.Count())) << where;
            for (std::size_t p = 0; p < part.Pieces.size(); ++p)
                ExpectSameRing(part.Pieces[p], *pieces.Item(static_cast<long>(p + 1)), where + " piece");
        }
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(Construction, TheWindowShowsItAndItsWeightsSumToOneForEveryUsableScene) {
    std::vector<std::filesystem::path> files = {std::filesystem::path(KELVARIN_BINARY_DIR) / kSceneFileName};
    for (const auto& entry : std::filesystem::directory_iterator(KELVARIN_TEST_DATA))
        if (entry.path().extension() == ".ini" && entry.path().filename().string().rfind("scene_", 0) == 0)
            files.push_back(entry.path());
    std::uint64_t seed = 7;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        CompareWithWindow(file, ++seed);
    }
}

TEST(Construction, RefusesSelectionsThatNameNoStationOrRepeatOne) {
    const EngineScene local =
        LoadWithCenterPoints(std::filesystem::path(KELVARIN_TEST_DATA) / "scene_minimal.ini").Local;
    for (const std::vector<long>& bad : {std::vector<long>{0}, {5}, {2, 2}, {3, 1}, {-1, 2}})
        EXPECT_THROW(BuildConstruction(Method::Thiessen, local, bad), std::invalid_argument);
    EngineScene noCentres = local;
    noCentres.CenterPoints.clear();
    EXPECT_THROW(BuildConstruction(Method::HeightBalance, noCentres, {1, 2}), std::invalid_argument);
    EXPECT_NO_THROW(BuildConstruction(Method::HeightBalance, noCentres, {3}));
    EXPECT_TRUE(BuildConstruction(Method::Thiessen, local, {}).Stations.empty());
}

}  // namespace
}  // namespace kelvarin
