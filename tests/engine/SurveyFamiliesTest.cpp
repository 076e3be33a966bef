// Networks as survey data holds them (gauges on a ring, rotated grids, clusters, a road, a
// tiny plot, large UTM coordinates) are all computed: the loader's rules accept them, both
// methods build every selection and pass their check, the Thiessen areas equal those of
// cells cut from the basin by bisector half-planes within 1e-9 of the basin's area, and the
// height-balance rings cover every sampled point of the frame exactly once (a check that
// weights adding up to 1 cannot give: rings that overlap where others leave a gap, or one
// that winds twice around part of the frame, add up too).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/Construction.hpp"
#include "scene/SceneChecks.hpp"
#include "tests/engine/HalfPlaneCells.hpp"
#include "tests/engine/SurveyFamilies.hpp"

namespace kelvarin {
namespace {

using testing::SurveyFamily;

constexpr int kScenesPerFamily = 1500;
constexpr int kCoverSamples = 64;    // points of the frame per height-balance construction
constexpr double kAreaShare = 1e-9;  // of the basin's area

// all gauges, then two random selections of at least two gauges
std::vector<std::vector<long>> Selections(std::mt19937_64& random, long n) {
    std::vector<std::vector<long>> selections(1);
    for (long i = 1; i <= n; ++i) selections[0].push_back(i);
    for (int k = 0; k < 2; ++k) {
        std::vector<long> some;
        while (some.size() < 2) {
            some.clear();
            for (long i = 1; i <= n; ++i)
                if (random() % 3 != 0) some.push_back(i);
        }
        selections.push_back(some);
    }
    return selections;
}

// the Thiessen areas of the oracle for a selection; the oracle's cells tile the basin
std::vector<double> OracleAreas(const EngineScene& local, const std::vector<long>& selection, const std::string& what) {
    std::vector<cPoint> gauges;
    for (long s : selection) gauges.push_back(local.Stations[static_cast<std::size_t>(s - 1)]);
    const std::vector<double> areas = testing::HalfPlaneCellAreas(local.Basin, gauges);
    double sum = 0;
    for (double a : areas) sum += a;
    EXPECT_NEAR(sum, local.BasinArea, 1e-11 * local.BasinArea) << what << ": the oracle's cells do not tile the basin";
    return areas;
}

// how many times the ring winds around P (0 outside it)
long Winding(const cPolygon& ring, double x, double y) {
    long w = 0;
    const long n = ring.Count();
    for (long v = 1; v <= n; ++v) {
        const cPoint& A = *ring(v);
        const cPoint& B = *ring(v % n + 1);
        const double side = (B.X - A.X) * (y - A.Y) - (x - A.X) * (B.Y - A.Y);
        if (A.Y <= y && B.Y > y && side > 0) ++w;
        if (A.Y > y && B.Y <= y && side < 0) --w;
    }
    return w;
}

// the rings before they are cut by the basin cover points spread over the frame once each
// (rings copied for gauges at one site counted once)
void ExpectRingsCoverTheFrameOnce(const Construction& built, const std::string& where, unsigned seed) {
    std::vector<const cPolygon*> rings;
    for (const StationPart& part : built.Stations) {
        bool copy = false;
        for (const cPolygon* other : rings) {
            copy = copy || (other->Count() == part.Ring.Count() && part.Ring.Count() > 0 &&
                            other->Item(1)->X == part.Ring.Item(1)->X && other->Item(1)->Y == part.Ring.Item(1)->Y);
        }
        if (!copy) rings.push_back(&part.Ring);
    }
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const cPoint& corner : built.Frame) {
        minX = std::min(minX, corner.X), maxX = std::max(maxX, corner.X);
        minY = std::min(minY, corner.Y), maxY = std::max(maxY, corner.Y);
    }
    std::mt19937_64 points(seed);
    std::uniform_real_distribution<double> ux(minX, maxX), uy(minY, maxY);
    for (int k = 0; k < kCoverSamples; ++k) {
        const double x = ux(points), y = uy(points);
        long cover = 0;
        for (const cPolygon* ring : rings) cover += Winding(*ring, x, y) != 0;
        if (cover != 1) {
            ADD_FAILURE() << where << ": height-balance rings hold (" << x << ", " << y << ") " << cover << " times";
            return;
        }
    }
}

void CheckScene(const testing::SurveyScene& made, std::mt19937_64& random) {
    const std::string& what = made.What;
    const std::vector<SceneProblem> problems = CheckSceneGeometry(ProfileFile{}, made.Data);
    ASSERT_TRUE(problems.empty()) << what << ": refused: " << problems.front().Message;
    const Scene scene = PlacedOnMap(made.Data);
    const EngineScene& local = scene.Local;
    for (const std::vector<long>& selection : Selections(random, static_cast<long>(scene.Stations.size()))) {
        const std::string where = what + ", selection of " + std::to_string(selection.size());
        for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
            Construction built;
            try {
                built = BuildConstruction(method, local, selection);
            } catch (const std::exception& e) {
                ADD_FAILURE() << where << ": " << e.what();
                continue;
            }
            if (method != Method::Thiessen) {
                ExpectRingsCoverTheFrameOnce(built, where, static_cast<unsigned>(selection.size()));
                continue;
            }
            const std::vector<double> oracle = OracleAreas(local, selection, where);
            for (std::size_t k = 0; k < selection.size(); ++k)
                EXPECT_NEAR(built.Stations[k].Area, oracle[k], kAreaShare * local.BasinArea)
                    << where << ", gauge " << selection[k];
        }
    }
}

class SurveyFamilies : public ::testing::TestWithParam<SurveyFamily> {};

TEST_P(SurveyFamilies, EveryNetworkIsComputedAndThiessenEqualsTheHalfPlaneCells) {
    std::mt19937_64 random(1000 + static_cast<int>(GetParam()));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const testing::Uniform u = [&] { return unit(random); };
    for (int k = 0; k < kScenesPerFamily; ++k) {
        SCOPED_TRACE("scene " + std::to_string(k));
        CheckScene(testing::MakeSurveyScene(GetParam(), u), random);
    }
}

INSTANTIATE_TEST_SUITE_P(Families, SurveyFamilies,
                         ::testing::Values(SurveyFamily::Ring, SurveyFamily::SquareGrid, SurveyFamily::TriangularGrid,
                                           SurveyFamily::Clusters, SurveyFamily::Road, SurveyFamily::TinyPlot,
                                           SurveyFamily::LargeUtm),
                         [](const ::testing::TestParamInfo<SurveyFamily>& family) {
                             std::string name = testing::SurveyFamilyName(family.param);
                             std::erase(name, ' ');
                             return name;
                         });

// Roads within a hundredth of a radian of an axis, gauges every 150 to 400 m rounded to the
// metre: the rounding zigzags the gauges about their line by up to a metre, some hull triangles
// are too thin to keep
// and leave pockets in the network's boundary, and a height-balance boundary line leaving its
// edge at a shallow angle could run across a pocket and back into the network.
TEST(SurveyRoads, AlongAnAxisAndRoundedToTheMetreAreComputed) {
    std::mt19937_64 random(77);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const testing::Uniform u = [&] { return unit(random); };
    for (int k = 0; k < 1000; ++k) {
        SCOPED_TRACE("road " + std::to_string(k));
        const int n = 5 + k % 16;
        const double step = testing::survey::Between(u, 150.0, 400.0);
        const double a = (k % 4) * testing::survey::kPi / 2 + testing::survey::Between(u, -0.01, 0.01);
        const double cx = 256000.0 + testing::survey::Between(u, -5000.0, 5000.0), cy = 2655000.0;
        std::vector<cPoint> gauges;
        for (int i = 0; i < n; ++i) {
            const double along = (i - (n - 1) / 2.0) * step, off = testing::survey::Between(u, -1.0, 1.0);
            gauges.push_back(cPoint{cx + along * std::cos(a) - off * std::sin(a),
                                    cy + along * std::sin(a) + off * std::cos(a), 0.0});
        }
        CheckScene(testing::SurveySceneOf("road along an axis", gauges, n * step / 2, 1.0, u), random);
    }
}

}  // namespace
}  // namespace kelvarin
