// The ring overlay as properties on rings that touch: a ring meets itself in its own
// area, and the intersection does not depend on the order of the rings and never exceeds
// either ring.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "geometry/RingOverlay.hpp"
#include "geometry/modGISTools.hpp"
#include "tests/geometry/GeosOracle.hpp"
#include "tests/geometry/RandomRings.hpp"

namespace kelvarin {
namespace {

using testing::RandomRings;
using testing::RingKind;
using testing::ToArray;

double RingArea(const std::vector<cPoint>& ring) {
    cPolygon polygon;
    for (const cPoint& p : ring) polygon.Add(p.X, p.Y);
    return PolygonArea(polygon);
}

double OverlayArea(const PointArray& A, const PointArray& B) {
    PolygonArray pieces;
    const long count = OverlayClip(pieces, A, B);
    double area = 0.0;
    for (long k = 1; k <= count; ++k) area += PolygonArea(*pieces(k));
    return area;
}

TEST(OverlayClip, ARingMeetsItselfInItsOwnArea) {
    for (long i = 0; i < 300; ++i) {
        RandomRings random(31000 + i);
        const auto ring = random.Make(static_cast<RingKind>(i % 3), random.VertexCount(3, 150), 268000, 2652000,
                                      random.Uniform(5, 20000));
        const double area = RingArea(ring);
        EXPECT_NEAR(OverlayArea(ToArray(ring), ToArray(ring)), area, 1e-9 * area) << "seed " << 31000 + i;
    }
}

TEST(OverlayClip, TouchingRingsGiveTheSameAreaEitherWayAndNoMoreThanEither) {
    const testing::GeosOracle oracle;  // only to tell simple rings from the rest
    long judged = 0;
    for (long i = 0; i < 600; ++i) {
        RandomRings random(32000 + i);
        const double r = random.Uniform(10, 20000);
        const double step = r / static_cast<double>(random.Integer(2, 8));
        const auto a = random.OnGrid(random.VertexCount(3, 40), 268000, 2652000, r, step);
        const auto b =
            random.OnGrid(random.VertexCount(3, 40), 268000 + std::round(random.Uniform(-r, r) / step) * step, 2652000,
                          r * random.Uniform(0.3, 1.2), step);
        if (a.size() < 3 || b.size() < 3 || !oracle.IsValid(oracle.Polygon(a).get()) ||
            !oracle.IsValid(oracle.Polygon(b).get()))
            continue;
        ++judged;
        const auto A = ToArray(a), B = ToArray(b);
        const double ab = OverlayArea(A, B), ba = OverlayArea(B, A);
        const double smaller = std::min(RingArea(a), RingArea(b));
        const std::string seed = "seed " + std::to_string(32000 + i);
        // shoelace sums at a million map units round by about 1e-3 per vertex
        EXPECT_NEAR(ab, ba, 1e-9 * smaller + 0.1) << seed;
        EXPECT_LE(ab, smaller * (1 + 1e-9) + 0.1) << seed;
    }
    EXPECT_GT(judged, 250);
}

}  // namespace
}  // namespace kelvarin
