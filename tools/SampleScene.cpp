#include "tools/SampleScene.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

#include "geometry/BalanceCrossing.hpp"
#include "scene/SceneWriter.hpp"

namespace kelvarin::sample {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Placement of the basin in projected metres: its centre, its radius north-south,
// and how much wider it is east-west.
constexpr double kCentreEast = 251340.0;
constexpr double kCentreNorth = 2649820.0;
constexpr double kRadius = 15000.0;
constexpr double kStretchEast = 1.3;

constexpr int kBoundaryVertices = 156;
constexpr int kInsideGauges = 15;
constexpr double kOutletAngle = -kPi / 2;  // the basin drains to the south

// A point in basin units: u east, v north, 1 = kRadius (u also divided by kStretchEast).
struct Unit {
    double u, v;
};

Unit operator+(Unit a, Unit b) { return {a.u + b.u, a.v + b.v}; }
Unit operator-(Unit a, Unit b) { return {a.u - b.u, a.v - b.v}; }
Unit operator*(double s, Unit a) { return {s * a.u, s * a.v}; }

// the small wiggles of the divide: fixed random phases of a few higher harmonics
struct Wiggles {
    std::array<double, 6> phase{};
    Wiggles() {
        Random random(20261208);
        for (double& p : phase) p = 2 * kPi * random.Next();
    }
};

const Wiggles& DivideWiggles() {
    static const Wiggles wiggles;
    return wiggles;
}

// distance from the centre to the divide in direction theta, in basin units
double DivideRadius(double theta) {
    const Wiggles& w = DivideWiggles();
    double r = 1.0 + 0.18 * std::cos(2 * theta - 0.6) + 0.10 * std::sin(3 * theta + 1.1) +
               0.06 * std::cos(5 * theta + 0.4) + 0.03 * std::sin(8 * theta + 2.0);
    for (std::size_t k = 0; k < w.phase.size(); ++k) {
        r += 0.012 * std::sin(static_cast<double>(11 + k) * theta + w.phase[k]);
    }
    // the basin narrows towards its outlet
    double d = std::remainder(theta - kOutletAngle, 2 * kPi);
    r -= 0.33 * std::exp(-(d / 0.16) * (d / 0.16));
    return r;
}

// the divide point in direction theta, at fraction f of the way out
Unit OnDivide(double theta, double f) {
    const double r = f * DivideRadius(theta);
    return {r * std::cos(theta), r * std::sin(theta)};
}

Unit ToUnit(double x, double y) { return {(x - kCentreEast) / (kRadius * kStretchEast), (y - kCentreNorth) / kRadius}; }

cPoint ToMetres(Unit p) {
    return cPoint{kCentreEast + p.u * kRadius * kStretchEast, kCentreNorth + p.v * kRadius, 0.0};
}

// distance in basin units from p to the segment a-b
double SegmentDistance(Unit p, Unit a, Unit b) {
    const Unit ab = b - a, ap = p - a;
    const double length2 = ab.u * ab.u + ab.v * ab.v;
    double t = length2 > 0 ? (ap.u * ab.u + ap.v * ab.v) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const Unit q = a + t * ab;
    return std::hypot(p.u - q.u, p.v - q.v);
}

// The river network: the main river from below the outlet to the north, three tributaries.
struct Rivers {
    Unit outlet;
    std::vector<std::vector<Unit>> lines;
    Rivers() {
        outlet = OnDivide(kOutletAngle, 1.0);
        const Unit below{outlet.u, outlet.v - 0.6};
        const Unit fork1{-0.12, -0.25}, fork2{0.02, 0.20};
        lines.push_back({below, outlet, fork1, fork2, {0.20, 0.55}, OnDivide(1.45, 0.85)});
        lines.push_back({fork1, {-0.55, -0.05}, OnDivide(2.95, 0.8)});
        lines.push_back({fork2, {0.50, 0.05}, OnDivide(0.25, 0.8)});
        lines.push_back({fork2, {-0.30, 0.55}, OnDivide(2.2, 0.75)});
    }
};

const Rivers& RiverNetwork() {
    static const Rivers rivers;
    return rivers;
}

// smooth step from 0 at a to 1 at b
double SmoothStep(double a, double b, double x) {
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// height of the terrain at a point in basin units
double HeightAt(Unit p) {
    const Rivers& rivers = RiverNetwork();
    double river = std::numeric_limits<double>::max();
    for (const std::vector<Unit>& line : rivers.lines) {
        for (std::size_t i = 0; i + 1 < line.size(); ++i)
            river = std::min(river, SegmentDistance(p, line[i], line[i + 1]));
    }
    const double theta = std::atan2(p.v, p.u);
    const double rho = std::hypot(p.u, p.v) / DivideRadius(theta);  // 1 on the divide
    const double valley = 1.0 - std::exp(-(river / 0.16) * (river / 0.16));
    // the valley floor climbs from the outlet upstream
    const double floor = 70.0 + 620.0 * SmoothStep(0.0, 1.9, std::hypot(p.u - rivers.outlet.u, p.v - rivers.outlet.v));
    // mountains rise towards the divide and fall away beyond it
    double relief = 450.0 + 1350.0 * SmoothStep(0.1, 1.0, rho);
    if (rho > 1.0) relief *= std::exp(-((rho - 1.0) / 0.45) * ((rho - 1.0) / 0.45));
    // side ridges between the tributaries, fading out towards the middle of the basin
    const double ridges = 280.0 * (0.5 + 0.5 * std::cos(7 * theta + 5 * rho)) * SmoothStep(0.25, 0.75, rho);
    struct Peak {
        double u, v, height, width;
    };
    static constexpr std::array<Peak, 4> peaks{
        {{0.45, 0.75, 650, 0.14}, {-0.75, 0.45, 520, 0.16}, {0.85, -0.35, 420, 0.15}, {-0.40, -0.70, 300, 0.12}}};
    double bumps = 0.0;
    for (const Peak& k : peaks) {
        const double d2 = ((p.u - k.u) * (p.u - k.u) + (p.v - k.v) * (p.v - k.v)) / (k.width * k.width);
        bumps += k.height * std::exp(-d2);
    }
    double h = floor + (relief + ridges + bumps) * valley;
    // the highest summits flatten out below 3000 m
    if (h > 2600.0) h = 2600.0 + 395.0 * (1.0 - std::exp(-(h - 2600.0) / 395.0));
    return std::max(h, 50.0);
}

// value rounded to the given number of decimals
double Round(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// even-odd test of a point against a ring
bool Inside(const std::vector<Unit>& ring, Unit p) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Unit a = ring[i], b = ring[j];
        if ((a.v > p.v) != (b.v > p.v) && p.u < (b.u - a.u) * (p.v - a.v) / (b.v - a.v) + a.u) inside = !inside;
    }
    return inside;
}

// distance in metres between two points given in basin units
double MetresBetween(Unit a, Unit b) { return std::hypot((a.u - b.u) * kRadius * kStretchEast, (a.v - b.v) * kRadius); }

// distance in metres from a point to the ring
double MetresToRing(const std::vector<Unit>& ring, Unit p) {
    double best = std::numeric_limits<double>::max();
    const Unit scale{kRadius * kStretchEast, kRadius};
    const Unit q{p.u * scale.u, p.v * scale.v};
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Unit a = ring[i], b = ring[(i + 1) % ring.size()];
        best = std::min(best, SegmentDistance(q, {a.u * scale.u, a.v * scale.v}, {b.u * scale.u, b.v * scale.v}));
    }
    return best;
}

const std::array<const char*, 18> kGaugeNames = {
    "霧溪口", "Hollowmere",   "青松坪", "Cedarfold",  "石梯嶺", "Greyridge",     "雲棲", "Windgap", "竹澗", "Larkfield",
    "鶴峰",   "Mistral_Weir", "楓林坑", "Tanglewood", "白石潭", "Redstone_Ford", "嵐谷", "Eastmoor"};

}  // namespace

// terrain height at a projected position
double TerrainHeight(double x, double y) { return HeightAt(ToUnit(x, y)); }

// the balance point of two gauges
cPoint BalancePoint(const cPoint& a, const cPoint& b) {
    const double best = BalanceCrossing(a, b, TerrainHeight).value_or(0.5);
    return cPoint{Round(a.X + best * (b.X - a.X), 2), Round(a.Y + best * (b.Y - a.Y), 2), Round((a.z + b.z) / 2, 2)};
}

// the whole sample scene
SampleScene MakeSampleScene() {
    SampleScene scene;
    scene.BasinName = "Cloudridge_Basin";

    // boundary: counter-clockwise from the outlet, rounded to decimetres
    std::vector<Unit> ring;
    for (int k = 0; k < kBoundaryVertices; ++k) {
        const double theta = kOutletAngle + 2 * kPi * k / kBoundaryVertices;
        cPoint p = ToMetres(OnDivide(theta, 1.0));
        p.X = Round(p.X, 1);
        p.Y = Round(p.Y, 1);
        scene.Boundary.push_back(p);
        ring.push_back(ToUnit(p.X, p.Y));
    }

    // inside gauges: one just above the outlet, then each new gauge the best of many
    // random candidates, the one farthest from the gauges already placed
    std::vector<Unit> inside;
    const Rivers& rivers = RiverNetwork();
    inside.push_back(rivers.outlet + 0.12 * (rivers.lines[0][2] - rivers.outlet));
    Random random(7331);
    double minU = ring[0].u, maxU = minU, minV = ring[0].v, maxV = minV;
    for (const Unit& p : ring) {
        minU = std::min(minU, p.u);
        maxU = std::max(maxU, p.u);
        minV = std::min(minV, p.v);
        maxV = std::max(maxV, p.v);
    }
    while (static_cast<int>(inside.size()) < kInsideGauges) {
        Unit best{0, 0};
        double bestDistance = -1.0;
        for (int candidate = 0; candidate < 60;) {
            const Unit p{minU + (maxU - minU) * random.Next(), minV + (maxV - minV) * random.Next()};
            if (!Inside(ring, p) || MetresToRing(ring, p) < 1200.0) continue;
            ++candidate;
            double nearest = std::numeric_limits<double>::max();
            for (const Unit& q : inside) nearest = std::min(nearest, MetresBetween(p, q));
            if (nearest > bestDistance) {
                bestDistance = nearest;
                best = p;
            }
        }
        inside.push_back(best);
    }

    // gauges outside the divide, a few kilometres beyond it
    std::vector<Unit> all = inside;
    for (double theta : {0.35, 2.35, 4.05})
        all.push_back(OnDivide(theta, 1.0) + 0.12 * Unit{std::cos(theta), std::sin(theta)});

    // gauges numbered around the basin, counter-clockwise from the outlet
    auto aroundFromOutlet = [](Unit p) {
        double a = std::atan2(p.v, p.u) - kOutletAngle;
        while (a < 0) a += 2 * kPi;
        return a;
    };
    std::stable_sort(all.begin() + 1, all.end(),
                     [&](Unit a, Unit b) { return aroundFromOutlet(a) < aroundFromOutlet(b); });
    for (std::size_t i = 0; i < all.size(); ++i) {
        Gauge gauge;
        gauge.Name = kGaugeNames[i % kGaugeNames.size()];
        char number[16];
        std::snprintf(number, sizeof number, "KV%02d", static_cast<int>(i + 1));
        gauge.Number = number;
        cPoint p = ToMetres(all[i]);
        p.X = Round(p.X, 0);
        p.Y = Round(p.Y, 0);
        p.z = Round(TerrainHeight(p.X, p.Y), 1);
        gauge.Point = p;
        scene.Gauges.push_back(gauge);
    }

    for (std::size_t a = 0; a < scene.Gauges.size(); ++a) {
        for (std::size_t b = a + 1; b < scene.Gauges.size(); ++b) {
            scene.CenterPoints.push_back(BalancePoint(scene.Gauges[a].Point, scene.Gauges[b].Point));
        }
    }
    return scene;
}

// the scene file text
std::string SampleSceneText(const SampleScene& scene) {
    SceneFile file;
    file.Comments = {"Kelvarin sample scene: a synthetic mountain basin (projected metres, heights in metres).",
                     "Made by tools/make_sample_scene; remake it with: cmake --build build/default --target "
                     "sample-scene"};
    file.Polygons = {{scene.BasinName, scene.Boundary}};
    file.Show = "all";
    for (const Gauge& g : scene.Gauges) file.Stations.push_back({g.Name, g.Number, g.Point});
    file.CentrePoints = scene.CenterPoints;
    file.Numbers = {.Vertices = 1, .StationXY = 0, .Heights = 1, .CentrePoints = 2};
    return SceneFileText(file);
}

}  // namespace kelvarin::sample

namespace kelvarin::sample {

namespace {
// a stand-in for the balance point of a pair, cheap enough for millions of pairs: the
// fraction of the way from a to b follows their height difference (0.5 for equal
// heights, always between 0.25 and 0.75); z is their mean height
cPoint QuickCentrePoint(const cPoint& a, const cPoint& b) {
    const double rise = b.z - a.z;
    const double t = 0.5 + 0.25 * rise / (std::abs(rise) + 500.0);
    return cPoint{Round(a.X + t * (b.X - a.X), 2), Round(a.Y + t * (b.Y - a.Y), 2), Round((a.z + b.z) / 2, 2)};
}

// one gauge in each of `count` cells drawn at random from a grid over the box of the
// boundary, placed in the middle third of its cell
std::vector<cPoint> SpreadGauges(const std::vector<cPoint>& boundary, long count) {
    double minX = boundary[0].X, maxX = minX, minY = boundary[0].Y, maxY = minY;
    for (const cPoint& p : boundary) {
        minX = std::min(minX, p.X);
        maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    double cell = std::sqrt((maxX - minX) * (maxY - minY) / (1.25 * static_cast<double>(std::max(count, 1L))));
    long columns = 0, rows = 0;
    while (true) {
        columns = static_cast<long>(std::ceil((maxX - minX) / cell));
        rows = static_cast<long>(std::ceil((maxY - minY) / cell));
        if (columns * rows >= count) break;
        cell *= 0.99;
    }
    std::vector<long> cells(static_cast<std::size_t>(columns * rows));
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<long>(i);
    Random random(4242);
    for (std::size_t i = cells.size(); i > 1; --i) {
        const auto j = static_cast<std::size_t>(random.Next() * static_cast<double>(i));
        std::swap(cells[i - 1], cells[std::min(j, i - 1)]);
    }
    std::vector<cPoint> gauges;
    gauges.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
        const std::ldiv_t c = std::ldiv(cells[static_cast<std::size_t>(i)], columns);
        cPoint p;
        p.X = Round(minX + cell * (static_cast<double>(c.rem) + (1.0 + random.Next()) / 3.0), 1);
        p.Y = Round(minY + cell * (static_cast<double>(c.quot) + (1.0 + random.Next()) / 3.0), 1);
        p.z = Round(TerrainHeight(p.X, p.Y), 1);
        gauges.push_back(p);
    }
    return gauges;
}

// small square blocks south of the box's lower-left corner, a hundred to a row
std::vector<SceneFilePolygon> Blocks(const std::vector<cPoint>& boundary, long count) {
    double minX = boundary[0].X, minY = boundary[0].Y;
    for (const cPoint& p : boundary) {
        minX = std::min(minX, p.X);
        minY = std::min(minY, p.Y);
    }
    std::vector<SceneFilePolygon> blocks;
    for (long i = 1; i <= count; ++i) {
        const std::ldiv_t place = std::ldiv(i, 100);
        const double x = minX + 200.0 * static_cast<double>(place.rem);
        const double y = minY - 10000.0 - 200.0 * static_cast<double>(place.quot);
        SceneFilePolygon block{"Block_" + std::to_string(i), {}};
        for (const auto& [dx, dy] : {std::pair{0.0, 0.0}, {100.0, 0.0}, {100.0, 100.0}, {0.0, 100.0}})
            block.Vertices.push_back(cPoint{x + dx, y + dy, 0.0});
        blocks.push_back(std::move(block));
    }
    return blocks;
}

}  // namespace

// the large scene's text
std::string LargeSceneText(const LargeSceneOptions& options) {
    const SampleScene sample = MakeSampleScene();
    const long count = std::max(options.Gauges, 0L);
    const std::vector<cPoint> gauges = SpreadGauges(sample.Boundary, count);

    SceneFile file;
    file.Comments = {"Kelvarin large scene: " + std::to_string(count) + " gauges over the sample basin" +
                         (options.CenterPoints ? " with every pair's centre point" : "") + ", " +
                         std::to_string(std::max(options.Sections, 1L)) + " polygon sections.",
                     "Made by tools/make_sample_scene (see bench/README.md)."};
    file.Polygons = Blocks(sample.Boundary, options.Sections - 1);
    file.Polygons.push_back({sample.BasinName, sample.Boundary});
    file.Show = options.CenterPoints ? "all" : "thiessen";
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "LG%05d", static_cast<int>(i + 1));
        file.Stations.push_back({"Gauge_" + std::to_string(i + 1), number, gauges[i]});
    }
    if (options.CenterPoints) {
        for (std::size_t a = 0; a < gauges.size(); ++a)
            for (std::size_t b = a + 1; b < gauges.size(); ++b)
                file.CentrePoints.push_back(QuickCentrePoint(gauges[a], gauges[b]));
    }
    file.Numbers = {.Vertices = 1, .StationXY = 1, .Heights = 1, .CentrePoints = 2};
    return SceneFileText(file);
}

}  // namespace kelvarin::sample
