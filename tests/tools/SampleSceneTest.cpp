#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "scene/Scene.hpp"
#include "scene/SceneRules.hpp"
#include "tests/scene/TempFile.hpp"
#include "tools/SampleScene.hpp"

namespace kelvarin {
namespace {

const std::filesystem::path kBundled = std::filesystem::path(KELVARIN_SOURCE_DIR) / "data" / "Kelvarin.ini";

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

// even-odd test of a point against a ring
bool Inside(const std::vector<cPoint>& ring, const cPoint& p) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const cPoint& a = ring[i];
        const cPoint& b = ring[j];
        if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) + a.X) inside = !inside;
    }
    return inside;
}

double Cross(const cPoint& o, const cPoint& a, const cPoint& b) {
    return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// true when the open segments a-b and c-d cross
bool SegmentsCross(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    const double d1 = Cross(a, b, c), d2 = Cross(a, b, d), d3 = Cross(c, d, a), d4 = Cross(c, d, b);
    return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0));
}

double SignedArea(const std::vector<cPoint>& ring) {
    double sum = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) sum += Cross(ring[0], ring[i], ring[(i + 1) % ring.size()]);
    return sum / 2;
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

class BundledScene : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { scene_ = new Scene(LoadScene(kBundled)); }
    static void TearDownTestSuite() {
        delete scene_;
        scene_ = nullptr;
    }
    static Scene* scene_;
};
Scene* BundledScene::scene_ = nullptr;

// the points "(X,Y,Z)" at the ends of the lines after a header line, up to a blank line,
// as strtod reads them
std::vector<cPoint> PointsAfter(const std::string& text, const std::string& header, int skip) {
    std::istringstream lines(text.substr(text.find(header)));
    std::string line;
    for (int k = 0; k < skip + 1; ++k) std::getline(lines, line);
    std::vector<cPoint> points;
    while (std::getline(lines, line) && !line.empty()) {
        cPoint p;
        EXPECT_EQ(std::sscanf(line.c_str() + line.find('('), "(%lf,%lf,%lf)", &p.X, &p.Y, &p.z), 3) << line;
        points.push_back(p);
    }
    return points;
}

void ExpectSamePoints(const std::vector<cPoint>& got, const std::vector<cPoint>& want) {
    ASSERT_EQ(got.size(), want.size());
    std::size_t differ = 0;
    for (std::size_t i = 0; i < got.size(); ++i)
        differ += got[i].X != want[i].X || got[i].Y != want[i].Y || got[i].z != want[i].z ? 1 : 0;
    EXPECT_EQ(differ, 0u);
}

TEST(LargeScene, ScenesAsLargeAsTheRulesAllowLoadWithEveryNumberExact) {
    {  // the most stations a scene may hold
        const std::string text = sample::LargeSceneText({scene_rules::kMaxStations, false, 1});
        const Scene scene = LoadScene(testing::TempFile(text).Path());
        EXPECT_EQ(scene.ShowMethod, ShowSetting::Thiessen);
        EXPECT_TRUE(scene.Local.CenterPoints.empty());
        std::vector<cPoint> stations;
        for (const SceneStation& s : scene.Stations) stations.push_back(s.Point);
        ExpectSamePoints(stations, PointsAfter(text, "[rainstation]", 1));
        EXPECT_EQ(scene.Stations.back().Name, "Gauge_" + std::to_string(scene_rules::kMaxStations));
    }
    {  // 1,000 gauges with every pair's centre point
        const std::string text = sample::LargeSceneText({1000, true, 1});
        const Scene scene = LoadScene(testing::TempFile(text).Path());
        EXPECT_EQ(scene.ShowMethod, ShowSetting::Both);
        ASSERT_EQ(scene.Local.CenterPoints.size(), 499500u);
        // kept map-local: the file's numbers less the reference point, each exactly so
        std::vector<cPoint> written = PointsAfter(text, "[CenterPoint]", 0);
        for (cPoint& p : written)
            p = cPoint{p.X - scene.Local.ReferancePoint.X, p.Y - scene.Local.ReferancePoint.Y, p.z};
        ExpectSamePoints(scene.Local.CenterPoints, written);
    }
    {  // 20,000 polygon sections: the last is the basin
        const Scene scene = LoadScene(testing::TempFile(sample::LargeSceneText({20, false, 20000})).Path());
        const sample::SampleScene bundled = sample::MakeSampleScene();
        EXPECT_EQ(scene.BasinName, bundled.BasinName);
        ExpectSamePoints(scene.Basin, bundled.Boundary);
        EXPECT_EQ(scene.Stations.size(), 20u);
    }
}

TEST(SampleScene, CommittedFileIsWhatTheGeneratorMakes) {
    const std::string made = sample::SampleSceneText(sample::MakeSampleScene());
    EXPECT_EQ(made, sample::SampleSceneText(sample::MakeSampleScene()));  // deterministic
    EXPECT_TRUE(made == ReadBytes(kBundled)) << "data/Kelvarin.ini is stale: remake it with the sample-scene target";
}

TEST(SampleScene, CopyBesideTheBinariesIsTheCommittedFile) {
    const std::filesystem::path copy = std::filesystem::path(KELVARIN_BINARY_DIR) / "Kelvarin.ini";
    ASSERT_TRUE(std::filesystem::exists(copy)) << copy;
    EXPECT_TRUE(ReadBytes(copy) == ReadBytes(kBundled));
}

TEST(SampleScene, TerrainStaysWithinItsRange) {
    double low = 1e9, high = -1e9;
    for (double x = 200000; x <= 300000; x += 500) {
        for (double y = 2610000; y <= 2690000; y += 500) {
            const double h = sample::TerrainHeight(x, y);
            low = std::min(low, h);
            high = std::max(high, h);
        }
    }
    EXPECT_GE(low, 50.0);
    EXPECT_LE(high, 3000.0);
    EXPECT_GT(high - low, 2000.0);  // valleys and ridges, not a plain
}

TEST_F(BundledScene, BoundaryIsASimpleConcaveRingInProjectedMetres) {
    const std::vector<cPoint>& ring = scene_->Basin;
    EXPECT_GE(ring.size(), 100u);
    EXPECT_LE(ring.size(), 200u);
    for (const cPoint& p : ring) {
        EXPECT_NEAR(p.X, 250000, 40000);
        EXPECT_NEAR(p.Y, 2650000, 40000);
    }
    const double area = SignedArea(ring);
    EXPECT_GT(area, 0.0);  // counter-clockwise
    // a mountain basin of some hundreds of square kilometres
    EXPECT_GT(area, 300e6);
    EXPECT_LT(area, 3000e6);
    int reflex = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        if (Cross(ring[i], ring[(i + 1) % ring.size()], ring[(i + 2) % ring.size()]) < 0) ++reflex;
    }
    EXPECT_GT(reflex, 5);
    for (std::size_t i = 0; i < ring.size(); ++i) {
        for (std::size_t j = i + 2; j < ring.size(); ++j) {
            if (i == 0 && j == ring.size() - 1) continue;
            EXPECT_FALSE(SegmentsCross(ring[i], ring[i + 1], ring[j], ring[(j + 1) % ring.size()]))
                << "edges " << i + 1 << " and " << j + 1;
        }
    }
}

TEST_F(BundledScene, GaugesLieInsideAndAroundTheBasin) {
    const std::vector<SceneStation>& gauges = scene_->Stations;
    EXPECT_GE(gauges.size(), 15u);
    EXPECT_LE(gauges.size(), 20u);
    int outside = 0;
    double closest = 1e18;
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        if (!Inside(scene_->Basin, gauges[i].Point)) ++outside;
        for (std::size_t j = i + 1; j < gauges.size(); ++j) {
            closest = std::min(
                closest, std::hypot(gauges[i].Point.X - gauges[j].Point.X, gauges[i].Point.Y - gauges[j].Point.Y));
        }
    }
    EXPECT_GE(outside, 3);
    EXPECT_LE(outside, static_cast<int>(gauges.size()) / 3);
    EXPECT_GT(closest, 2500.0);  // spread out, so every Thiessen cell can be seen
}

TEST_F(BundledScene, GaugeHeightsComeFromTheTerrain) {
    double low = 1e9, high = -1e9;
    for (const SceneStation& g : scene_->Stations) {
        EXPECT_NEAR(g.Point.z, sample::TerrainHeight(g.Point.X, g.Point.Y), 0.05) << g.Name;
        EXPECT_GE(g.Point.z, 50.0);
        EXPECT_LE(g.Point.z, 3000.0);
        low = std::min(low, g.Point.z);
        high = std::max(high, g.Point.z);
    }
    EXPECT_GT(high - low, 1500.0);
}

TEST_F(BundledScene, NamesAreChineseAndLatinAndNumbersUnique) {
    int chinese = 0, latin = 0;
    std::set<std::string> names, numbers;
    for (const SceneStation& g : scene_->Stations) {
        EXPECT_FALSE(g.Name.empty());
        EXPECT_EQ(g.Name.find(' '), std::string::npos);
        (IsAscii(g.Name) ? latin : chinese) += 1;
        names.insert(g.Name);
        numbers.insert(g.Number);
    }
    EXPECT_GE(chinese, 3);
    EXPECT_GE(latin, 3);
    EXPECT_EQ(names.size(), scene_->Stations.size());
    EXPECT_EQ(numbers.size(), scene_->Stations.size());
    EXPECT_EQ(scene_->ShowMethod, ShowSetting::Both);
}

TEST_F(BundledScene, CentrePointsBalanceTheHeightsOfTheirPair) {
    const std::vector<SceneStation>& g = scene_->Stations;
    const std::size_t n = g.size();
    ASSERT_EQ(scene_->Local.CenterPoints.size(), n * (n - 1) / 2);
    const cPoint& origin = scene_->Local.ReferancePoint;
    std::size_t k = 0, crossings = 0;
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = a + 1; b < n; ++b, ++k) {
            const cPoint& A = g[a].Point;
            const cPoint& B = g[b].Point;
            const cPoint& local = scene_->Local.CenterPoints[k];
            const cPoint c{local.X + origin.X, local.Y + origin.Y, local.z};
            const double target = (A.z + B.z) / 2;
            const double dx = B.X - A.X, dy = B.Y - A.Y, length = std::hypot(dx, dy);
            const double t = ((c.X - A.X) * dx + (c.Y - A.Y) * dy) / (length * length);
            const double offLine = std::abs((c.X - A.X) * dy - (c.Y - A.Y) * dx) / length;
            SCOPED_TRACE("pair " + std::to_string(a + 1) + "," + std::to_string(b + 1));
            EXPECT_LT(offLine, 0.02);
            EXPECT_GT(t, 0.1);
            EXPECT_LT(t, 0.9);
            EXPECT_NEAR(c.z, target, 0.006);
            // an independent scan of the profile: where it crosses the mean height between
            // 10% and 90%, the point is the crossing nearest the midpoint; else the midpoint
            double nearest = 2.0;
            double previous = sample::TerrainHeight(A.X + 0.1 * dx, A.Y + 0.1 * dy) - target;
            for (int s = 1; s <= 800; ++s) {
                const double u = 0.1 + 0.8 * s / 800;
                const double now = sample::TerrainHeight(A.X + u * dx, A.Y + u * dy) - target;
                if ((previous <= 0) != (now <= 0)) nearest = std::min(nearest, std::abs(u - 0.5));
                previous = now;
            }
            if (nearest > 1.0) {
                EXPECT_NEAR(t, 0.5, 1e-6);
            } else {
                ++crossings;
                EXPECT_NEAR(sample::TerrainHeight(c.X, c.Y), target, 0.05);
                EXPECT_LE(std::abs(t - 0.5), nearest + 0.8 / 800 + 1e-6);
            }
        }
    }
    EXPECT_GT(crossings, k / 2);
}

}  // namespace
}  // namespace kelvarin
