#pragma once
// Gauge networks as survey data holds them, generated: gauges on a ring around a lake (with
// or without one in the middle), square and triangular grids at any rotation, clusters of
// gauges metres apart, gauges along a road almost on one line, a tiny plot, and a network at
// large UTM coordinates; every coordinate rounded to the survey's precision. Each scene has
// a basin around its gauges and a centre point for every pair somewhere between 15% and 85%
// of the way. Shared by the tests and the weights fuzzer, which draws the parameters from its
// bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/Scene.hpp"

namespace kelvarin::testing {

enum class SurveyFamily { Ring, SquareGrid, TriangularGrid, Clusters, Road, TinyPlot, LargeUtm };
inline constexpr int kSurveyFamilies = 7;

inline const char* SurveyFamilyName(SurveyFamily family) {
    switch (family) {
        case SurveyFamily::Ring:
            return "ring";
        case SurveyFamily::SquareGrid:
            return "square grid";
        case SurveyFamily::TriangularGrid:
            return "triangular grid";
        case SurveyFamily::Clusters:
            return "clusters";
        case SurveyFamily::Road:
            return "road";
        case SurveyFamily::TinyPlot:
            return "tiny plot";
        case SurveyFamily::LargeUtm:
            return "large UTM";
    }
    return "?";
}

// A source of numbers in [0, 1): a seeded generator in the tests, the fuzzer's bytes there.
using Uniform = std::function<double()>;

namespace survey {

constexpr double kPi = 3.14159265358979323846;

// the value rounded to a whole number of steps, as the decimal a survey writes (a step of a
// metre or less: the division by the steps in a metre gives the double nearest that decimal)
inline double RoundTo(double value, double step) {
    if (step >= 1.0) return std::round(value / step) * step;
    const double perMetre = std::round(1.0 / step);
    return std::round(value * perMetre) / perMetre;
}

inline double Between(const Uniform& u, double lo, double hi) { return lo + (hi - lo) * u(); }

inline int Count(const Uniform& u, int lo, int hi) { return std::min(hi, lo + static_cast<int>(u() * (hi - lo + 1))); }

// one of the survey precisions from a metre down to a micrometre
inline double Precision(const Uniform& u) {
    static const double kSteps[] = {1.0, 0.1, 0.01, 1e-3, 1e-4, 1e-5, 1e-6};
    return kSteps[static_cast<std::size_t>(Count(u, 0, 6))];
}

// gauges on a circle around (cx, cy), with noise, and one in the middle when asked
inline std::vector<cPoint> Ring(const Uniform& u, double cx, double cy, double& spread) {
    const int n = Count(u, 5, 32);
    const double radius = Between(u, 50.0, 5000.0), phase = Between(u, 0.0, 2 * kPi);
    const double noise = u() < 0.5 ? 0.0 : radius * std::pow(10.0, -Between(u, 5.0, 11.0));
    std::vector<cPoint> gauges;
    for (int k = 0; k < n; ++k) {
        const double a = phase + 2 * kPi * k / n;
        gauges.push_back(cPoint{cx + radius * std::cos(a) + noise * (2 * u() - 1),
                                cy + radius * std::sin(a) + noise * (2 * u() - 1), 0.0});
    }
    if (u() < 0.5) gauges.push_back(cPoint{cx, cy, 0.0});
    spread = radius;
    return gauges;
}

// a k x k square grid, or a triangular one, turned by any angle (often a round one)
inline std::vector<cPoint> Grid(const Uniform& u, double cx, double cy, bool triangular, double& spread) {
    const int k = Count(u, 3, 8);
    const double step = Between(u, 100.0, 2000.0);
    static const double kRound[] = {0.0, 15.0, 30.0, 45.0, 60.0, 90.0};
    const double degrees = u() < 0.5 ? kRound[static_cast<std::size_t>(Count(u, 0, 5))] : Between(u, 0.0, 180.0);
    const double c = std::cos(degrees * kPi / 180.0), s = std::sin(degrees * kPi / 180.0);
    std::vector<cPoint> gauges;
    for (int i = 0; i < k; ++i) {
        for (int j = 0; j < k; ++j) {
            const double x = (triangular ? i + 0.5 * (j % 2) : i) * step - (k - 1) * step / 2;
            const double y = (triangular ? j * std::sqrt(3.0) / 2 : j) * step - (k - 1) * step / 2;
            gauges.push_back(cPoint{cx + c * x - s * y, cy + s * x + c * y, 0.0});
        }
    }
    spread = k * step / 1.4;
    return gauges;
}

// two to four clusters a few kilometres apart, each of three to six gauges metres apart
inline std::vector<cPoint> Clusters(const Uniform& u, double cx, double cy, double& spread) {
    const int clusters = Count(u, 2, 4);
    std::vector<cPoint> gauges;
    spread = 3000.0;
    for (int c = 0; c < clusters; ++c) {
        const double a = 2 * kPi * c / clusters + Between(u, 0.0, 1.0);
        const double x0 = cx + 2500.0 * std::cos(a), y0 = cy + 2500.0 * std::sin(a);
        const int n = Count(u, 3, 6);
        const std::size_t first = gauges.size();
        for (int tries = 0; static_cast<int>(gauges.size() - first) < n && tries < 100; ++tries) {
            const cPoint p{x0 + Between(u, -5.0, 5.0), y0 + Between(u, -5.0, 5.0), 0.0};
            // metres apart: never so close that they are one site
            bool apart = true;
            for (std::size_t k = first; k < gauges.size(); ++k)
                apart = apart && std::hypot(gauges[k].X - p.X, gauges[k].Y - p.Y) > 0.5;
            if (apart) gauges.push_back(p);
        }
    }
    return gauges;
}

// gauges every few hundred metres along a road, each a hair off its straight line
inline std::vector<cPoint> Road(const Uniform& u, double cx, double cy, double& spread) {
    const int n = Count(u, 5, 20);
    const double step = Between(u, 200.0, 2000.0), a = Between(u, 0.0, kPi);
    const double wobble = std::pow(10.0, -Between(u, 0.0, 6.0));
    std::vector<cPoint> gauges;
    for (int i = 0; i < n; ++i) {
        const double along = (i - (n - 1) / 2.0) * step, off = wobble * (2 * u() - 1);
        gauges.push_back(
            cPoint{cx + along * std::cos(a) - off * std::sin(a), cy + along * std::sin(a) + off * std::cos(a), 0.0});
    }
    spread = n * step / 2;
    return gauges;
}

// a plot some 300 metres across with gauges about ten metres apart
inline std::vector<cPoint> TinyPlot(const Uniform& u, double cx, double cy, double& spread) {
    std::vector<cPoint> gauges;
    const int k = Count(u, 3, 6);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
            gauges.push_back(cPoint{cx + 10.0 * i + Between(u, -2.0, 2.0), cy + 10.0 * j + Between(u, -2.0, 2.0), 0.0});
    spread = 150.0;
    return gauges;
}

// gauges anywhere over a network 40 km across
inline std::vector<cPoint> Scattered(const Uniform& u, double cx, double cy, double& spread) {
    const int n = Count(u, 5, 40);
    std::vector<cPoint> gauges;
    for (int i = 0; i < n; ++i) gauges.push_back(cPoint{cx + Between(u, -2e4, 2e4), cy + Between(u, -2e4, 2e4), 0.0});
    spread = 2e4;
    return gauges;
}

// a basin of 24 vertices around the gauges' middle, wavy, reaching a little past most gauges
inline std::vector<cPoint> BasinAround(const Uniform& u, const std::vector<cPoint>& gauges, double spread,
                                       double precision) {
    double mx = 0, my = 0;
    for (const cPoint& g : gauges) mx += g.X, my += g.Y;
    mx /= static_cast<double>(gauges.size());
    my /= static_cast<double>(gauges.size());
    double reach = 0;
    for (const cPoint& g : gauges) reach = std::max(reach, std::hypot(g.X - mx, g.Y - my));
    reach = std::max(reach, spread) * Between(u, 0.8, 1.3);
    std::vector<cPoint> basin;
    const double phase = Between(u, 0.0, 2 * kPi);
    for (int k = 0; k < 24; ++k) {
        const double a = phase + 2 * kPi * k / 24, r = reach * Between(u, 0.85, 1.15);
        basin.push_back(cPoint{RoundTo(mx + r * std::cos(a), precision), RoundTo(my + r * std::sin(a), precision), 0});
    }
    return basin;
}

}  // namespace survey

struct SurveyScene {
    std::string What;  // the family and its precision, for messages
    Scene Data;        // in the file's coordinates, not yet placed on the map
};

// the scene of surveyed gauges: a basin around them, every coordinate rounded to the survey's
// precision, and a centre point for every pair
inline SurveyScene SurveySceneOf(const std::string& family, const std::vector<cPoint>& gauges, double spread,
                                 double precision, const Uniform& u) {
    using namespace survey;
    SurveyScene made;
    made.What = family + " of " + std::to_string(gauges.size()) + " gauges to " + std::to_string(precision) + " m";
    Scene& scene = made.Data;
    scene.BasinName = "Basin";
    scene.ShowMethod = ShowSetting::Both;
    scene.Basin = BasinAround(u, gauges, spread, precision);
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        const cPoint p{RoundTo(gauges[i].X, precision), RoundTo(gauges[i].Y, precision),
                       RoundTo(Between(u, 50.0, 3000.0), 0.1)};
        scene.Stations.push_back({"G" + std::to_string(i + 1), std::to_string(1000 + i), p});
    }
    // centre points between 15% and 85% of each pair, to the survey's precision but never
    // coarser than a millimetre, nor than a thousandth of the pair's distance in a power of ten
    // (a pair a metre apart must keep its point on its line)
    for (std::size_t a = 0; a < scene.Stations.size(); ++a) {
        for (std::size_t b = a + 1; b < scene.Stations.size(); ++b) {
            const cPoint& A = scene.Stations[a].Point;
            const cPoint& B = scene.Stations[b].Point;
            const double pairStep = std::pow(10.0, std::floor(std::log10(1e-3 * std::hypot(B.X - A.X, B.Y - A.Y))));
            const double centreStep = std::min({precision, 0.001, pairStep});
            const double t = Between(u, 0.15, 0.85);
            scene.CenterPoints.push_back(cPoint{RoundTo(A.X + t * (B.X - A.X), centreStep),
                                                RoundTo(A.Y + t * (B.Y - A.Y), centreStep), (A.z + B.z) / 2});
        }
    }
    return made;
}

// one scene of the family, its parameters drawn from u
inline SurveyScene MakeSurveyScene(SurveyFamily family, const Uniform& u) {
    using namespace survey;
    const bool utm = family == SurveyFamily::LargeUtm;
    const double cx = (utm ? 500000.0 : 256000.0) + Between(u, -5000.0, 5000.0);
    const double cy = (utm ? 5200000.0 : 2655000.0) + Between(u, -5000.0, 5000.0);
    double precision = Precision(u), spread = 0.0;
    std::vector<cPoint> gauges;
    switch (family) {
        case SurveyFamily::Ring:
            gauges = Ring(u, cx, cy, spread);
            break;
        case SurveyFamily::SquareGrid:
        case SurveyFamily::TriangularGrid:
            precision = u() < 0.5 ? 0.01 : 0.001;
            gauges = Grid(u, cx, cy, family == SurveyFamily::TriangularGrid, spread);
            break;
        case SurveyFamily::Clusters:
            precision = std::min(precision, 0.01);
            gauges = Clusters(u, cx, cy, spread);
            break;
        case SurveyFamily::Road:
            gauges = Road(u, cx, cy, spread);
            break;
        case SurveyFamily::TinyPlot:
            precision = std::min(precision, 0.001);
            gauges = TinyPlot(u, cx, cy, spread);
            break;
        case SurveyFamily::LargeUtm:
            precision = std::min(precision, 0.01);
            gauges = Scattered(u, cx, cy, spread);
            break;
    }
    return SurveySceneOf(SurveyFamilyName(family), gauges, spread, precision, u);
}

}  // namespace kelvarin::testing
