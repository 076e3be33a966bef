// Ring pairs the clip fuzzer found, judged by GEOS like every other clip case.

#include <gtest/gtest.h>

#include <vector>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/GeosOracle.hpp"
#include "tests/geometry/RandomRings.hpp"

namespace kelvarin {
namespace {

struct Finding {
    const char* what;
    std::vector<cPoint> a, b;
};

TEST(ClipFuzzFindings, PiecesAreTheIntersection) {
    constexpr double u = 0x1p-32;  // the fuzzer's nudges
    const std::vector<Finding> findings = {
        {"edges crossing at a tiny angle near a vertex",
         {{1000 * u, 250 + 8000 * u}, {1000 + 1000 * u, 1500}, {-1000 * u, 1000}},
         {{1000 * u, 0}, {1000, 0}, {4000 * u, 3250}}},
    };
    testing::GeosOracle oracle;
    for (const Finding& f : findings) {
        for (const bool swap : {false, true}) {
            const PointArray A = testing::ToArray(swap ? f.b : f.a), B = testing::ToArray(swap ? f.a : f.b);
            PolygonArray pieces;
            const long count = ClipPolygons(pieces, A, B);
            EXPECT_EQ(oracle.Judge(A, B, pieces, count, false), "") << f.what << (swap ? " (swapped)" : "");
        }
    }
}

}  // namespace
}  // namespace kelvarin
