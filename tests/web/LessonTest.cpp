// The web page's lesson against the map window and the engine it is built on: its steps
// are the drivers' repaints, a dragged gauge's centre points keep their place between the
// pair, and the page's answers carry the engine's weights.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "engine/Construction.hpp"
#include "host/web/GaugeMove.hpp"
#include "host/web/JsonText.hpp"
#include "host/web/LessonView.hpp"
#include "host/web/Page.hpp"
#include "render/RecordingSurface.hpp"
#include "scene/Scene.hpp"
#include "view/ScriptedWindowSystem.hpp"
#include "view/picGIS.hpp"

namespace kelvarin {
namespace {

std::shared_ptr<const Scene> Bundled() {
    static const auto scene =
        std::make_shared<const Scene>(LoadScene(KELVARIN_SOURCE_DIR "/data/Kelvarin.ini", ShowSetting::Both));
    return scene;
}

const std::vector<std::vector<long>> kSelections = {{}, {4}, {2, 9}, {1, 5, 11}, {1, 3, 5, 6, 7, 8, 12, 17}};

// repaints the map window makes to show a construction
long DriverRepaints(const Construction& construction) {
    RecordingSurface surface;
    ScriptedWindowSystem windowSystem;
    picGIS gis(surface, windowSystem);
    gis.OpenScene(Bundled());
    surface.Forget();
    EXPECT_TRUE(gis.ShowConstruction(construction).has_value());
    return surface.CountOf(RecordingSurface::Kind::Refresh);
}

TEST(Lesson, EachStepIsOneRepaintOfTheDriversAndWeightsFillInToOne) {
    for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
        for (const auto& selection : kSelections) {
            const Construction built = BuildConstruction(method, Bundled()->Local, selection);
            const long steps = static_cast<long>(LessonSteps(built).size());
            EXPECT_EQ(steps, DriverRepaints(built)) << selection.size() << " gauges";

            RecordingSurface surface;
            LessonView view(surface, method);
            view.Open(Bundled());
            ASSERT_FALSE(view.Build(selection).has_value());
            ASSERT_EQ(view.StepCount(), steps);
            long lines = -1;
            std::size_t known = 0;
            for (long k = 0; k <= steps; ++k) {
                surface.Forget();
                view.Draw(k);
                EXPECT_EQ(surface.CountOf(RecordingSurface::Kind::Refresh), 1) << "one presentation per drawing";
                const long drawn = surface.CountOf(RecordingSurface::Kind::Line);
                EXPECT_GE(drawn, lines) << "step " << k;
                lines = drawn;
                EXPECT_GE(view.WeightsAfter(k).size(), known);
                known = view.WeightsAfter(k).size();
            }
            double sum = 0.0;
            for (const LessonWeight& w : view.WeightsAfter(steps)) sum += w.Weight;
            EXPECT_EQ(known, selection.size());
            if (!selection.empty()) {
                EXPECT_NEAR(sum, 1.0, 1e-9);
            }
        }
    }
}

TEST(Lesson, ADraggedGaugesCentrePointsKeepTheirPlaceAlongEachPair) {
    const auto scene = Bundled();
    const long n = static_cast<long>(scene->Stations.size());
    std::mt19937 random(3);
    std::uniform_real_distribution<double> shift(-3000.0, 3000.0);
    for (long station = 1; station <= n; station += 4) {
        const cPoint from = scene->Local.Stations[static_cast<std::size_t>(station - 1)];
        EXPECT_EQ(MovedGauge(scene, station, from.X, from.Y), scene) << "a gauge left in place is the same scene";
        const auto moved = MovedGauge(scene, station, from.X + shift(random), from.Y + shift(random));
        EXPECT_NEAR(moved->Stations[static_cast<std::size_t>(station - 1)].Point.X - moved->Local.ReferancePoint.X,
                    moved->Local.Stations[static_cast<std::size_t>(station - 1)].X, 1e-6);
        for (long other = 1; other <= n; ++other) {
            if (other == station) continue;
            const long a = std::min(station, other), b = std::max(station, other);
            // the centre point's fraction along the pair and share off its line, before and after
            auto place = [&](const Scene& s) {
                const cPoint& A = s.Local.Stations[static_cast<std::size_t>(a - 1)];
                const cPoint& B = s.Local.Stations[static_cast<std::size_t>(b - 1)];
                const cPoint& c = s.Local.CenterPoints[CenterPointIndex(a, b, n)];
                const double dx = B.X - A.X, dy = B.Y - A.Y, d2 = dx * dx + dy * dy;
                return std::pair{((c.X - A.X) * dx + (c.Y - A.Y) * dy) / d2,
                                 ((c.X - A.X) * dy - (c.Y - A.Y) * dx) / d2};
            };
            const auto [t0, s0] = place(*scene);
            const auto [t1, s1] = place(*moved);
            EXPECT_NEAR(t1, t0, 1e-9) << "pair " << a << "," << b;
            EXPECT_NEAR(s1, s0, 1e-9) << "pair " << a << "," << b;
        }
        EXPECT_NO_THROW(BuildConstruction(Method::HeightBalance, moved->Local, {1, 2, 3, 5, 8, 13}));
    }
}

TEST(Lesson, ThePagesAnswersCarryTheEnginesWeightsAndKeepNamesAsText) {
    RecordingSurface first, second;
    Page page;
    page.Attach(0, &first);
    page.Attach(1, &second);
    const auto opened = nlohmann::json::parse(page.Open(KELVARIN_SOURCE_DIR "/data/Kelvarin.ini"));
    ASSERT_TRUE(opened["ok"]);
    ASSERT_TRUE(nlohmann::json::parse(page.SetMethod("both"))["ok"]);
    const auto state = nlohmann::json::parse(page.Select("1,3,5-8"));
    ASSERT_EQ(state["views"].size(), 2u);
    for (const Method method : {Method::Thiessen, Method::HeightBalance}) {
        const Construction built = BuildConstruction(method, Bundled()->Local, {1, 3, 5, 6, 7, 8});
        const char* key = method == Method::Thiessen ? "thiessen" : "heightbalance";
        for (const StationPart& part : built.Stations) {
            const auto& row = state["rows"][static_cast<std::size_t>(part.Station - 1)];
            EXPECT_EQ(row[key]["weight"].get<double>(), part.Weight) << key << " gauge " << part.Station;
            EXPECT_EQ(row[key]["area"].get<double>(), part.Area);
        }
    }
    EXPECT_FALSE(state["rows"][1]["selected"]);
    EXPECT_FALSE(nlohmann::json::parse(page.Select("3-1"))["ok"]) << "a range that runs backwards";
    EXPECT_EQ(nlohmann::json::parse(JsonString("a\"b\\c\n<u>x</u>\x01")).get<std::string>(), "a\"b\\c\n<u>x</u>\x01");
    EXPECT_EQ(std::stod(JsonNumber(0.1 + 0.2)), 0.1 + 0.2);
}

}  // namespace
}  // namespace kelvarin
