// ClipPolygons against GEOS on thousands of seeded random ring pairs.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/GeosOracle.hpp"
#include "tests/geometry/RandomRings.hpp"

// cases per scenario; sanitizer builds pass a smaller number
#ifndef KELVARIN_ORACLE_CASES
#define KELVARIN_ORACLE_CASES 1000
#endif

namespace kelvarin {
namespace {

using testing::GeosOracle;
using testing::RandomRings;
using testing::RingKind;

struct Scenario {
    const char* name;
    double centreX, centreY;  // where the rings lie
    double sizeLo, sizeHi;    // radius of the larger ring
};

// map-sized coordinates (a basin in metres, far from the origin) and rings around the origin
constexpr Scenario kMap{"map", 268000.0, 2652000.0, 2000.0, 40000.0};
constexpr Scenario kOrigin{"origin", 0.0, 0.0, 0.5, 80.0};

struct Tally {
    long cases = 0;
    long failures = 0;
    std::string firstFaults;
};

// one random pair: A of kindA, B of kindB overlapping it in a random way
void RunCase(const GeosOracle& oracle, const Scenario& where, RingKind kindA, RingKind kindB, unsigned long long seed,
             Tally& tally) {
    RandomRings random(seed);
    const double rA = random.Uniform(where.sizeLo, where.sizeHi);
    const double cx = where.centreX + random.Uniform(-rA, rA);
    const double cy = where.centreY + random.Uniform(-rA, rA);
    const double rB = rA * random.Uniform(0.05, 1.5);
    const double angle = random.Uniform(0, 2 * M_PI);
    const double offset = random.Uniform(0, rA + rB);
    const long nA = random.VertexCount(3, 200);
    const long nB = random.VertexCount(3, 200);
    const auto a = random.Make(kindA, nA, cx, cy, rA);
    const auto b = random.Make(kindB, nB, cx + offset * std::cos(angle), cy + offset * std::sin(angle), rB);
    // only simple rings are meant; a generator's rare failure is skipped, not judged
    if (a.size() < 3 || b.size() < 3 || !oracle.IsValid(oracle.Polygon(a).get()) ||
        !oracle.IsValid(oracle.Polygon(b).get()))
        return;

    const auto A = testing::ToArray(a);
    const auto B = testing::ToArray(b);
    PolygonArray pieces;
    std::string fault;
    try {
        const long count = ClipPolygons(pieces, A, B);
        fault = oracle.Judge(A, B, pieces, count);
    } catch (const std::exception& error) {
        fault = std::string("threw: ") + error.what();
    }
    tally.cases += 1;
    if (!fault.empty()) {
        tally.failures += 1;
        if (tally.failures <= 5) {
            std::ostringstream line;
            line << where.name << " seed " << seed << " (" << nA << " x " << nB << " vertices): " << fault << "\n";
            tally.firstFaults += line.str();
        }
    }
}

void RunScenario(const Scenario& where, RingKind kindA, RingKind kindB, unsigned long long seedBase) {
    GeosOracle oracle;
    Tally tally;
    for (long i = 0; i < KELVARIN_ORACLE_CASES; ++i) RunCase(oracle, where, kindA, kindB, seedBase + i, tally);
    EXPECT_GT(tally.cases, KELVARIN_ORACLE_CASES * 9 / 10);
    EXPECT_EQ(tally.failures, 0) << tally.cases << " cases, first faults:\n" << tally.firstFaults;
    ::testing::Test::RecordProperty("cases", std::to_string(tally.cases));
    std::printf("%s: %ld cases judged\n", where.name, tally.cases);
}

TEST(ClipOracle, ConvexRingsAtMapCoordinates) { RunScenario(kMap, RingKind::Convex, RingKind::Convex, 1000000); }
TEST(ClipOracle, StarRingsAtMapCoordinates) { RunScenario(kMap, RingKind::Star, RingKind::Star, 2000000); }
TEST(ClipOracle, WalkRingsAtMapCoordinates) { RunScenario(kMap, RingKind::Walk, RingKind::Convex, 3000000); }
TEST(ClipOracle, WalkAgainstStarAtMapCoordinates) { RunScenario(kMap, RingKind::Star, RingKind::Walk, 4000000); }
TEST(ClipOracle, ConvexRingsNearTheOrigin) { RunScenario(kOrigin, RingKind::Convex, RingKind::Star, 5000000); }
TEST(ClipOracle, WalkRingsNearTheOrigin) { RunScenario(kOrigin, RingKind::Walk, RingKind::Walk, 6000000); }

}  // namespace
}  // namespace kelvarin
