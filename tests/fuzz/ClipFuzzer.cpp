// ClipPolygons on two rings decoded from the bytes (tests/fuzz/ClipCase.hpp), judged by
// GEOS and, where GEOS's rounding shows, by the exact area. Rings GEOS calls invalid are
// skipped.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tests/fuzz/ClipCase.hpp"
#include "tests/geometry/RandomRings.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    static const testing::GeosOracle oracle;
    const fuzz::ClipCase c = fuzz::DecodeClipCase(data, size);
    if (!oracle.IsValid(oracle.Polygon(c.a).get()) || !oracle.IsValid(oracle.Polygon(c.b).get())) return 0;
    const PointArray A = testing::ToArray(c.a), B = testing::ToArray(c.b);
    PolygonArray pieces;
    std::string fault;
    try {
        const long count = ClipPolygons(pieces, A, B);
        fault = fuzz::AreaFault(oracle, c.a, c.b, pieces, count);
    } catch (const std::exception& e) {
        fault = std::string("threw: ") + e.what();
    }
    if (!fault.empty()) {
        std::fprintf(stderr, "fuzz_clip: %s\n%s", fault.c_str(), fuzz::Describe(c).c_str());
        std::abort();
    }
    return 0;
}
