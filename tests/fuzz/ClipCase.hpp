#pragma once
// The clip fuzzer's case: two rings decoded from the bytes, and the judgement of
// ClipPolygons' pieces against GEOS's intersection (and, where GEOS's own rounding shows,
// against the exact area). Shared by the fuzz target and the test that replays its seeds.
//
// Coordinates sit on a small integer grid, with optional offsets of a few units of 2^-30,
// so shared vertices, edges running along each other and near-misses are frequent; at the
// origin or at map coordinates.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry/RingOverlay.hpp"
#include "geometry/modGISTools.hpp"
#include "tests/fuzz/FuzzBytes.hpp"
#include "tests/geometry/ExactClipArea.hpp"
#include "tests/geometry/GeosOracle.hpp"
#include "tests/geometry/RandomRings.hpp"

namespace kelvarin::fuzz {

struct ClipCase {
    std::vector<cPoint> a, b;
};

inline std::vector<cPoint> DecodeRing(Bytes& bytes, double originX, double originY, double unit, bool nudges) {
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

inline ClipCase DecodeClipCase(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    const std::uint8_t mode = bytes.Next();
    const bool map = mode & 1;
    const double units[] = {1.0, 1e-3, 250.0, 7.3};
    const double unit = units[(mode >> 1) & 3];
    const bool nudges = mode & 8;
    const double originX = map ? 255000.0 : 0.0, originY = map ? 2655000.0 : 0.0;
    ClipCase c;
    c.a = DecodeRing(bytes, originX, originY, unit, nudges);
    c.b = DecodeRing(bytes, originX, originY, unit, nudges);
    return c;
}

// area of a ring by the shoelace formula about its first vertex (no digits lost to the
// coordinates' magnitude)
inline double LocalArea(const cPolygon& ring) {
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

inline double Perimeter(const std::vector<cPoint>& ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const cPoint& p = ring[i];
        const cPoint& q = ring[(i + 1) % ring.size()];
        sum += std::hypot(q.X - p.X, q.Y - p.Y);
    }
    return sum;
}

// Empty when the pieces' areas add up to the area of A ∩ B, otherwise what is wrong.
// Allowed: one part in 10^9 of the larger ring, and what rounding every crossing to a few
// units of the last bit of the coordinates can move along the rings' edges (rings whose
// features are that small have no exact answer in doubles), and what the clip's own
// resolution leaves out along them: corners closer than its meeting tolerance are one, and
// pieces narrower than it are none. The area is GEOS's
// intersection's; where that differs, the exact area decides (GEOS rounds its own
// crossings, and loses or invents slivers of rings a few units of the last bit wide).
// geosOverruled counts those cases.
inline std::string AreaFault(const testing::GeosOracle& oracle, const std::vector<cPoint>& a,
                             const std::vector<cPoint>& b, const PolygonArray& pieces, long count,
                             long* geosOverruled = nullptr) {
    const auto ga = oracle.Polygon(a);
    const auto gb = oracle.Polygon(b);
    double magnitude = 0.0;
    for (const auto* ring : {&a, &b})
        for (const cPoint& p : *ring) magnitude = std::max({magnitude, std::abs(p.X), std::abs(p.Y)});
    const double ulp = magnitude * 0x1p-52;
    const double resolution = MeetingTolerance(testing::ToArray(a), testing::ToArray(b));
    const double tolerance = 1e-9 * std::max(oracle.Area(ga.get()), oracle.Area(gb.get())) +
                             (16.0 * ulp + resolution) * (Perimeter(a) + Perimeter(b));
    double sum = 0.0;
    for (long i = 1; i <= count; ++i) {
        if (!pieces(i) || pieces(i)->Count() < 3) return "piece " + std::to_string(i) + " has fewer than 3 vertices";
        sum += LocalArea(*pieces(i));
    }
    const double expected = oracle.Area(oracle.Intersection(ga.get(), gb.get()).get());
    if (std::fabs(sum - expected) <= tolerance) return "";
    const double exact = testing::ExactClipArea::Of(a, b);
    if (std::fabs(sum - exact) <= tolerance) {
        if (geosOverruled) ++*geosOverruled;
        return "";
    }
    char text[240];
    std::snprintf(text, sizeof text,
                  "pieces add up to %.17g but the intersection has area %.17g (GEOS %.17g, allowed %.3g)", sum, exact,
                  expected, tolerance);
    return text;
}

// the rings in full, for a report
inline std::string Describe(const ClipCase& c) {
    std::string text;
    char number[64];
    for (const auto* ring : {&c.a, &c.b}) {
        text += "ring:";
        for (const cPoint& p : *ring) {
            std::snprintf(number, sizeof number, " (%.17g, %.17g)", p.X, p.Y);
            text += number;
        }
        text += "\n";
    }
    return text;
}

}  // namespace kelvarin::fuzz
