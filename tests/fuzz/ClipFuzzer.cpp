// ClipPolygons on two rings decoded from the bytes, judged by GEOS: the pieces' areas
// must add up to the intersection's.
// Rings GEOS calls invalid are skipped. Coordinates sit on a small integer grid, with
// optional offsets of a few units of 2^-30, so shared vertices, edges running along
// each other and near-misses are frequent; at the origin or at map coordinates.

#include <algorithm>
#include <cmath>
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

// area of a ring by the shoelace formula about its first vertex (no digits lost to the
// coordinates' magnitude)
double LocalArea(const cPolygon& ring) {
    const PointArray pts = RingToArray(ring);
    const cPoint& o = *pts(1);
    double twice = 0.0;
    for (long i = 1; i <= pts.UBound(); ++i) {
        const cPoint& p = *pts(i);
        const cPoint& q = *pts(i == pts.UBound() ? 1 : i + 1);
        twice += (p.X - o.X) * (q.Y - o.Y) - (q.X - o.X) * (p.Y - o.Y);
    }
    return std::fabs(twice) / 2.0;
}

double Perimeter(const std::vector<cPoint>& ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const cPoint& p = ring[i];
        const cPoint& q = ring[(i + 1) % ring.size()];
        sum += std::hypot(q.X - p.X, q.Y - p.Y);
    }
    return sum;
}

// Empty when the pieces' areas add up to GEOS's intersection area, otherwise what is
// wrong. Allowed: one part in 10^9 of the larger ring, and what rounding every crossing
// to a few units of the last bit of the coordinates can move along the rings' edges
// (rings whose features are that small have no exact answer in doubles).
std::string AreaFault(const testing::GeosOracle& oracle, const std::vector<cPoint>& a, const std::vector<cPoint>& b,
                      const PolygonArray& pieces, long count) {
    const auto ga = oracle.Polygon(a);
    const auto gb = oracle.Polygon(b);
    double magnitude = 0.0;
    for (const auto* ring : {&a, &b})
        for (const cPoint& p : *ring) magnitude = std::max({magnitude, std::abs(p.X), std::abs(p.Y)});
    const double ulp = magnitude * 0x1p-52;
    const double tolerance =
        1e-9 * std::max(oracle.Area(ga.get()), oracle.Area(gb.get())) + 16.0 * ulp * (Perimeter(a) + Perimeter(b));
    double sum = 0.0;
    for (long i = 1; i <= count; ++i) {
        if (!pieces(i) || pieces(i)->Count() < 3) return "piece " + std::to_string(i) + " has fewer than 3 vertices";
        sum += LocalArea(*pieces(i));
    }
    const double expected = oracle.Area(oracle.Intersection(ga.get(), gb.get()).get());
    if (std::fabs(sum - expected) <= tolerance) return "";
    // GEOS sometimes loses the intersection of rings whose edges almost coincide; its union
    // then still gives the area as area(A) + area(B) - area(A u B)
    std::vector<testing::GeosOracle::Geometry> both;
    both.push_back(oracle.Polygon(a));
    both.push_back(oracle.Polygon(b));
    const double identity =
        oracle.Area(ga.get()) + oracle.Area(gb.get()) - oracle.Area(oracle.Union(std::move(both)).get());
    if (std::fabs(sum - identity) <= tolerance) return "";
    char text[200];
    std::snprintf(text, sizeof text, "pieces add up to %.17g but the intersection has area %.17g (allowed %.3g)", sum,
                  expected, tolerance);
    return text;
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
        fault = AreaFault(oracle, a, b, pieces, count);
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
