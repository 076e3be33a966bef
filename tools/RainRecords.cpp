#include "tools/RainRecords.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

namespace kelvarin::sample {
namespace {

// a value in [0, 1) from the raw generator output (the standard's distributions differ between libraries)
double Uniform(std::mt19937_64& random) { return static_cast<double>(random() >> 11U) * 0x1.0p-53; }

// "YYYY-MM-DD HH:00" of the given hour after the start of the year
std::string TimeStamp(int startYear, long hour) {
    using namespace std::chrono;
    const sys_days day = sys_days{year{startYear} / January / 1} + days{hour / 24};
    const year_month_day date{day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:00", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), hour % 24);
    return text;
}

}  // namespace

std::string RainRecordsText(const std::vector<Gauge>& gauges, const RainSettings& settings) {
    std::mt19937_64 random(settings.Seed);
    // a storm goes on with a high chance and starts with a low one; daily steps are wetter
    const bool daily = settings.StepHours >= 24;
    const double keepWet = daily ? 0.55 : 0.8, startWet = daily ? 0.3 : 0.06;
    const double meanDepth = daily ? 9.0 : 2.5;  // millimetres in a wet step at a mid-height gauge

    std::string text = "time";
    for (const Gauge& gauge : gauges) text += "," + gauge.Number;
    text += "\n";
    bool wet = settings.StartInStorm;
    // runs of missing records: a run of 1 to N steps (mean (N + 1) / 2) starts with the chance
    // that leaves MissingShare of the cells missing
    std::vector<int> away(gauges.size(), 0);
    const double meanRun = (settings.MissingRunSteps + 1) / 2.0;
    const double runStart =
        settings.MissingShare >= 1 ? 1.0 : settings.MissingShare / ((1 - settings.MissingShare) * meanRun);
    for (int row = 0; row < settings.Rows; ++row) {
        const double chance = Uniform(random);
        if (row > 0 || !settings.StartInStorm) wet = chance < (wet ? keepWet : startWet);
        const double storm = wet ? -std::log(1.0 - Uniform(random)) * meanDepth : 0.0;
        text += TimeStamp(settings.StartYear, static_cast<long>(row) * settings.StepHours);
        for (std::size_t g = 0; g < gauges.size(); ++g) {
            const Gauge& gauge = gauges[g];
            text += ',';
            const double missing = Uniform(random), local = Uniform(random), mark = Uniform(random);
            bool gone = missing < settings.MissingShare;
            if (settings.MissingRunSteps > 0) {
                if (away[g] == 0 && missing < runStart)
                    away[g] = 1 + static_cast<int>(Uniform(random) * settings.MissingRunSteps);
                gone = away[g] > 0;
                away[g] = std::max(0, away[g] - 1);
            }
            if (gone) {
                text += settings.MissingMarks[static_cast<std::size_t>(mark * settings.MissingMarks.size())];
                continue;
            }
            // more rain on higher ground, and each gauge a little different
            const double depth = storm * (0.6 + 0.8 * gauge.Point.z / 3000.0) * (0.7 + 0.6 * local);
            char value[32];
            std::snprintf(value, sizeof value, "%.1f", depth);
            text += value;
        }
        text += "\n";
    }
    return text;
}

RainSettings ExampleRainSettings() {
    RainSettings settings;
    settings.Rows = 12;
    settings.MissingShare = 0.1;
    settings.MissingMarks = {"", "NA"};
    settings.StartInStorm = true;
    settings.Seed = 2;
    return settings;
}

SampleScene SceneWithGauges(int count, std::uint64_t seed) {
    SampleScene scene = MakeSampleScene();
    double minX = scene.Boundary[0].X, maxX = minX, minY = scene.Boundary[0].Y, maxY = minY;
    for (const cPoint& p : scene.Boundary) {
        minX = std::min(minX, p.X);
        maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    // a band of a tenth of the extent around the basin, so some gauges lie outside it
    const double bandX = 0.1 * (maxX - minX), bandY = 0.1 * (maxY - minY);
    std::mt19937_64 random(seed);
    scene.Gauges.clear();
    for (int i = 0; i < count; ++i) {
        Gauge gauge;
        char number[16];
        std::snprintf(number, sizeof number, "G%03d", i + 1);
        gauge.Name = "Gauge_" + std::to_string(i + 1);
        gauge.Number = number;
        gauge.Point.X = std::round(minX - bandX + (maxX - minX + 2 * bandX) * Uniform(random));
        gauge.Point.Y = std::round(minY - bandY + (maxY - minY + 2 * bandY) * Uniform(random));
        gauge.Point.z = std::round(TerrainHeight(gauge.Point.X, gauge.Point.Y) * 10.0) / 10.0;
        scene.Gauges.push_back(gauge);
    }
    scene.CenterPoints.clear();
    for (std::size_t a = 0; a < scene.Gauges.size(); ++a)
        for (std::size_t b = a + 1; b < scene.Gauges.size(); ++b)
            scene.CenterPoints.push_back(BalancePoint(scene.Gauges[a].Point, scene.Gauges[b].Point));
    return scene;
}

}  // namespace kelvarin::sample
