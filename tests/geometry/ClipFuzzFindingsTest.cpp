// Ring pairs the clip fuzzer found, judged by GEOS like every other clip case, and every
// committed seed of the clip fuzzer (its findings among them) replayed the fuzzer's way.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "tests/fuzz/ClipCase.hpp"
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

// Each seed in both orders of its rings: the pieces add up to the intersection's area (GEOS's,
// or the exact one where GEOS's rounding shows). Rings GEOS calls invalid are skipped, as
// the fuzzer skips them.
TEST(ClipFuzzSeeds, EverySeedClipsToTheIntersection) {
    const testing::GeosOracle oracle;
    long seeds = 0, judged = 0, overruled = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVARIN_SOURCE_DIR "/tests/fuzz/corpus/clip")) {
        const auto bytes = fuzz::ReadSeed(entry.path().string());
        const fuzz::ClipCase c = fuzz::DecodeClipCase(bytes.data(), bytes.size());
        ++seeds;
        if (!oracle.IsValid(oracle.Polygon(c.a).get()) || !oracle.IsValid(oracle.Polygon(c.b).get())) continue;
        for (const bool swap : {false, true}) {
            const auto& a = swap ? c.b : c.a;
            const auto& b = swap ? c.a : c.b;
            PolygonArray pieces;
            const long count = ClipPolygons(pieces, testing::ToArray(a), testing::ToArray(b));
            EXPECT_EQ(fuzz::AreaFault(oracle, a, b, pieces, count, &overruled), "")
                << entry.path().filename().string() << (swap ? " (swapped)\n" : "\n") << fuzz::Describe(c);
            ++judged;
        }
    }
    EXPECT_GE(seeds, 20);
    EXPECT_GE(judged, 2 * 16);
    std::printf("clip seeds: %ld, %ld clips judged, GEOS overruled by the exact area %ld times\n", seeds, judged,
                overruled);
}

}  // namespace
}  // namespace kelvarin
