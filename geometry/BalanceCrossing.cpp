#include "geometry/BalanceCrossing.hpp"

#include <cmath>
#include <limits>

namespace kelvarin {

// the crossing of the mean height nearest the midpoint, between 10% and 90% of the way
std::optional<double> BalanceCrossing(const cPoint& a, const cPoint& b, const TerrainFunction& terrain) {
    const double target = (a.z + b.z) / 2;
    auto gap = [&](double t) { return terrain(a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)) - target; };
    // a crossing closer than this to 10% or 90% could leave that range once its point is
    // rounded to centimetres
    constexpr double kMargin = 1e-4;
    // steps along the line: on a basin of tens of kilometres a step of a few metres,
    // finer than any terrain model's cells
    constexpr int kSteps = 2000;
    constexpr int kBisections = 60;  // halves a step down to the last bit of a double
    const double first = 0.1 + kMargin, last = 0.9 - kMargin;
    std::optional<double> best;
    double bestDistance = std::numeric_limits<double>::max();
    double t0 = first, g0 = gap(t0);
    for (int i = 1; i <= kSteps; ++i) {
        const double t1 = first + (last - first) * i / kSteps;
        const double g1 = gap(t1);
        if (!std::isnan(g0) && !std::isnan(g1) && (g0 <= 0) != (g1 <= 0)) {
            double lo = t0, hi = t1, glo = g0;
            bool known = true;
            for (int k = 0; k < kBisections; ++k) {
                const double mid = (lo + hi) / 2;
                const double gm = gap(mid);
                if (std::isnan(gm)) {
                    known = false;
                    break;
                }
                if ((gm <= 0) == (glo <= 0)) {
                    lo = mid;
                    glo = gm;
                } else {
                    hi = mid;
                }
            }
            const double t = (lo + hi) / 2;
            if (known && std::abs(t - 0.5) < bestDistance) {
                bestDistance = std::abs(t - 0.5);
                best = t;
            }
        }
        t0 = t1;
        g0 = g1;
    }
    return best;
}

}  // namespace kelvarin
