// ClipPolygons on two rings decoded from the bytes, judged by GEOS: the pieces must be
// the intersection (areas within one part in 10^9, the same region, simple pieces).
// Rings GEOS calls invalid are skipped. Coordinates sit on a small integer grid, with
// optional offsets of a few units of 2^-30, so shared vertices, edges running along
// each other and near-misses are frequent; at the origin or at map coordinates.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "geometry/modGISTools.hpp"
#include "tests/geometry/GeosOracle.hpp"
#include "tests/geometry/RandomRings.hpp"

namespace {

using namespace kelvarin;

// bytes read one by one; zeros once they run out
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Signed() { return static_cast<std::int8_t>(Next()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::vector<cPoint> DecodeRing(Bytes& bytes, double originX, double originY, double unit, bool nudges) {
    const int n = 3 + bytes.Next() % 14;
    std::vector<cPoint> ring;
    for (int i = 0; i < n; ++i) {
        double x = bytes.Signed() % 16, y = bytes.Signed() % 16;
        if (nudges) {
            x += bytes.Signed() * 0x1p-30;
            y += bytes.Signed() * 0x1p-30;
        }
        ring.push_back(cPoint{originX + x * unit, originY + y * unit, 0.0});
    }
    return ring;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testing::GeosOracle oracle;
    Bytes bytes(data, size);
    const std::uint8_t mode = bytes.Next();
    const bool map = mode & 1;
    const double units[] = {1.0, 1e-3, 250.0, 7.3};
    const double unit = units[(mode >> 1) & 3];
    const bool nudges = mode & 8;
    const double originX = map ? 255000.0 : 0.0, originY = map ? 2655000.0 : 0.0;
    const std::vector<cPoint> a = DecodeRing(bytes, originX, originY, unit, nudges);
    const std::vector<cPoint> b = DecodeRing(bytes, originX, originY, unit, nudges);
    if (!oracle.IsValid(oracle.Polygon(a).get()) || !oracle.IsValid(oracle.Polygon(b).get())) return 0;
    const PointArray A = testing::ToArray(a), B = testing::ToArray(b);
    PolygonArray pieces;
    std::string fault;
    try {
        const long count = ClipPolygons(pieces, A, B);
        fault = oracle.Judge(A, B, pieces, count, false);
    } catch (const std::exception& e) {
        fault = std::string("threw: ") + e.what();
    }
    if (!fault.empty()) {
        std::fprintf(stderr, "fuzz_clip: %s\n", fault.c_str());
        for (const auto* ring : {&a, &b}) {
            std::fprintf(stderr, "ring:");
            for (const cPoint& p : *ring) std::fprintf(stderr, " (%.17g, %.17g)", p.X, p.Y);
            std::fprintf(stderr, "\n");
        }
        std::abort();
    }
    return 0;
}
