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

// A height-balance polygon whose first and last edges run back over each other a hair apart
// (so its ring crosses itself), cut by the basin: the pieces are the parts of its one loop
// inside the basin, whose area the exact boundary integral gives.
TEST(ClipFuzzFindings, ARingCrossingItselfByAHair) {
    const std::vector<cPoint> polygon{{0.10350000000000001, 0.10150000000000001},
                                      {0.111, 0.10149999999999999},
                                      {0.111, 0.111},
                                      {0.10509016994374958, 0.111},
                                      {0.10200000000000001, 0.10600000000000001},
                                      {0.10148261688327231, 0.10516285653192928},
                                      {0.10250000000000001, 0.10250000000000001},
                                      {0.10250000000000001, 0.10211803398874991},
                                      {0.10300000000000001, 0.10200000000000001},
                                      {0.10546875, 0.10149999999999999}};
    const std::vector<cPoint> basin{
        {0.090000000000000011, 0.091999999999999998}, {0.098000000000000004, 0.090000000000000011},
        {0.10900000000000001, 0.090999999999999998},  {0.11, 0.10400000000000001},
        {0.10300000000000001, 0.10100000000000001},   {0.10600000000000001, 0.11},
        {0.092999999999999999, 0.10900000000000001}};
    const double expected = testing::ExactClipArea::Of(polygon, basin);
    for (const bool swap : {false, true}) {
        PolygonArray pieces;
        const long count =
            ClipPolygons(pieces, testing::ToArray(swap ? basin : polygon), testing::ToArray(swap ? polygon : basin));
        double area = 0.0;
        for (long i = 1; i <= count; ++i) area += PolygonArea(*pieces(i));
        EXPECT_NEAR(area, expected, 1e-9 * expected) << (swap ? "basin first" : "polygon first");
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
