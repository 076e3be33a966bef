// One construction over generated sub-basin sets (an enclave, a lake with an island that is a
// second part of another sub-basin, at UTM-sized coordinates): every sub-basin's Thiessen
// weights equal GEOS's area of each half-plane cell inside that sub-basin, and the whole
// basin's equal it inside their union; under both methods every sub-basin's weights sum to 1,
// every gauge's areas over the sub-basins add up to its area in the whole basin, and the
// network, rings and drawn pieces are those of the same scene without sub-basins.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "scene/Scene.hpp"
#include "scene/SceneWriter.hpp"
#include "tests/engine/SubbasinOracle.hpp"
#include "tests/engine/SubbasinSets.hpp"

namespace kelvarin {
namespace {

// the scene's geometry without its sub-basins: the outline is the whole basin
EngineScene WithoutSubbasins(const EngineScene& scene) {
    EngineScene outline = scene;
    outline.Subbasins.clear();
    double twice = 0.0;
    for (std::size_t i = 0; i < scene.Basin.size(); ++i) {
        const cPoint& a = scene.Basin[i];
        const cPoint& b = scene.Basin[(i + 1) % scene.Basin.size()];
        twice += a.X * b.Y - b.X * a.Y;
    }
    outline.BasinArea = std::abs(twice) / 2;
    return outline;
}

void ExpectSameRings(const cPolygon& a, const cPolygon& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (long v = 1; v <= a.Count(); ++v) {
        EXPECT_EQ(a(v)->X, b(v)->X);
        EXPECT_EQ(a(v)->Y, b(v)->Y);
    }
}

// sums over sub-basins and over gauges, and the drawn construction of the scene without them
void CheckShares(const Scene& scene, const Construction& c, Method method, const std::vector<long>& selection) {
    const EngineScene& local = scene.Local;
    const std::size_t n = local.Subbasins.size();
    std::vector<double> weightSum(n, 0.0), areaSum(n, 0.0);
    for (const StationPart& part : c.Stations) {
        ASSERT_EQ(part.Subbasins.size(), n);
        double area = 0.0;
        for (std::size_t s = 0; s < n; ++s) {
            area += part.Subbasins[s].Area;
            weightSum[s] += part.Subbasins[s].Weight;
            areaSum[s] += part.Subbasins[s].Area;
        }
        EXPECT_NEAR(area, part.Area, 1e-9 * local.BasinArea) << "station " << part.Station;
    }
    for (std::size_t s = 0; s < n; ++s) {
        EXPECT_NEAR(weightSum[s], 1.0, 1e-9) << scene.Subbasins[s].Name;
        EXPECT_NEAR(areaSum[s], local.Subbasins[s].Area, 1e-9 * local.Subbasins[s].Area) << scene.Subbasins[s].Name;
    }
    const Construction drawn = BuildConstruction(method, WithoutSubbasins(local), selection);
    ASSERT_EQ(drawn.Stations.size(), c.Stations.size());
    for (std::size_t k = 0; k < c.Stations.size(); ++k) {
        ExpectSameRings(c.Stations[k].Ring, drawn.Stations[k].Ring);
        ASSERT_EQ(c.Stations[k].Pieces.size(), drawn.Stations[k].Pieces.size());
        for (std::size_t p = 0; p < c.Stations[k].Pieces.size(); ++p)
            ExpectSameRings(c.Stations[k].Pieces[p], drawn.Stations[k].Pieces[p]);
    }
}

// each Thiessen weight against GEOS's area of the half-plane cell in the sub-basin and in the union
void CheckThiessenAgainstGeos(const Scene& scene, const Construction& c, const std::vector<long>& selection) {
    const EngineScene& local = scene.Local;
    testing::SubbasinOracle oracle;
    oracle.SetSubbasins(local.Subbasins);
    std::vector<cPoint> sites;
    for (long i : selection) sites.push_back(local.Stations[static_cast<std::size_t>(i - 1)]);
    const std::array<double, 4> frame{-1e7, -1e7, 1e7, 1e7};  // far beyond the basin and every gauge
    EXPECT_NEAR(oracle.UnionArea(), local.BasinArea, 1e-9 * local.BasinArea);
    for (std::size_t k = 0; k < c.Stations.size(); ++k) {
        const StationPart& part = c.Stations[k];
        for (std::size_t s = 0; s < local.Subbasins.size(); ++s) {
            const double expected = oracle.CellArea(sites, k, s, frame) / oracle.SubbasinArea(s);
            EXPECT_NEAR(part.Subbasins[s].Weight, expected, 1e-9)
                << "station " << part.Station << " in " << scene.Subbasins[s].Name;
        }
        const double whole = oracle.CellArea(sites, k, local.Subbasins.size(), frame) / oracle.UnionArea();
        EXPECT_NEAR(part.Weight, whole, 1e-9) << "station " << part.Station << " in the whole basin";
    }
}

TEST(SubbasinConstruction, WeightsPerSubbasinEqualGeosAndAddUpUnderBothMethods) {
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
        const Scene scene = testing::GeneratedSubbasinScene(seed, 5 + static_cast<int>(3 * seed));
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(scene.Subbasins.size()) + " sub-basins");
        std::mt19937_64 random(seed * 7);
        std::vector<long> all, some;
        for (long i = 1; i <= static_cast<long>(scene.Stations.size()); ++i) {
            all.push_back(i);
            if (random() % 3 != 0 || i <= 3) some.push_back(i);
        }
        for (const std::vector<long>* selection : {&all, &some}) {
            const Construction thiessen = BuildConstruction(Method::Thiessen, scene.Local, *selection);
            CheckShares(scene, thiessen, Method::Thiessen, *selection);
            CheckThiessenAgainstGeos(scene, thiessen, *selection);
            const Construction balance = BuildConstruction(Method::HeightBalance, scene.Local, *selection);
            CheckShares(scene, balance, Method::HeightBalance, *selection);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(SubbasinConstruction, AGaugeOutsideASubbasinHasNoShareOfItAndOneGaugeHasAllOfEach) {
    const Scene scene = testing::GeneratedSubbasinScene(3, 12);
    const Construction one = BuildConstruction(Method::Thiessen, scene.Local, {4});
    for (const SubbasinShare& share : one.Stations.front().Subbasins) EXPECT_NEAR(share.Weight, 1.0, 1e-12);
    const Construction all = BuildConstruction(Method::Thiessen, scene.Local, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    long zero = 0;
    for (const StationPart& part : all.Stations)
        for (const SubbasinShare& share : part.Subbasins)
            if (share.Area == 0.0) {
                ++zero;
                EXPECT_TRUE(share.Pieces.empty() && share.Holes.empty());
            }
    EXPECT_GT(zero, 0);  // twelve gauges over a dozen sub-basins: most cells miss most of them
}

}  // namespace
}  // namespace kelvarin
