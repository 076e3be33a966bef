#include "geometry/Predicates.hpp"

#include <array>
#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "geometry/PredicateFilters.hpp"

namespace kelvarin {

namespace {

using boost::multiprecision::cpp_int;

// the error bounds of the double-precision determinants (Shewchuk's first-stage bounds)
using predicate_filter::kOrientBound;
constexpr double kDistanceBound = (6.0 + 64.0 * kUnitRoundoff) * kUnitRoundoff;

// true when every difference is 0 or of a magnitude the error bounds hold for
template <std::size_t N>
bool InFilterRange(const std::array<double, N>& differences) {
    for (const double d : differences) {
        if (!predicate_filter::InRange(d)) return false;
    }
    return true;
}

void RequireFinite(const cPoint& p) {
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
        throw std::domain_error("exact predicate: a coordinate is not finite");
    }
}

// The coordinates as integers of one common scale: each double is m * 2^e with an
// integer m of at most 53 bits, so shifting every one by its exponent less the
// smallest exponent makes all of them integers; signs of polynomials of the
// differences are unchanged by a common positive scale.
template <std::size_t N>
std::array<cpp_int, N> ScaledIntegers(const std::array<double, N>& values) {
    std::array<std::int64_t, N> mantissas{};
    std::array<int, N> exponents{};
    int lowest = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < N; ++i) {
        if (values[i] == 0.0) continue;
        int e = 0;
        const double fraction = std::frexp(values[i], &e);  // values[i] = fraction * 2^e, 0.5 <= |fraction| < 1
        mantissas[i] = static_cast<std::int64_t>(std::ldexp(fraction, 53));
        exponents[i] = e - 53;
        lowest = std::min(lowest, exponents[i]);
    }
    std::array<cpp_int, N> out;
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = mantissas[i];
        if (mantissas[i] != 0) out[i] <<= static_cast<unsigned>(exponents[i] - lowest);
    }
    return out;
}

int ExactOrient(const cPoint& a, const cPoint& b, const cPoint& c) {
    const auto v = ScaledIntegers(std::array<double, 6>{a.X, a.Y, b.X, b.Y, c.X, c.Y});
    const cpp_int det = (v[0] - v[4]) * (v[3] - v[5]) - (v[1] - v[5]) * (v[2] - v[4]);
    return det.sign();
}

int ExactInCircle(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    const auto v = ScaledIntegers(std::array<double, 8>{a.X, a.Y, b.X, b.Y, c.X, c.Y, d.X, d.Y});
    const cpp_int adx = v[0] - v[6], ady = v[1] - v[7];
    const cpp_int bdx = v[2] - v[6], bdy = v[3] - v[7];
    const cpp_int cdx = v[4] - v[6], cdy = v[5] - v[7];
    const cpp_int alift = adx * adx + ady * ady;
    const cpp_int blift = bdx * bdx + bdy * bdy;
    const cpp_int clift = cdx * cdx + cdy * cdy;
    const cpp_int det =
        alift * (bdx * cdy - cdx * bdy) + blift * (cdx * ady - adx * cdy) + clift * (adx * bdy - bdx * ady);
    return det.sign();
}

int ExactCrossSign(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    const auto v = ScaledIntegers(std::array<double, 8>{a.X, a.Y, b.X, b.Y, c.X, c.Y, d.X, d.Y});
    const cpp_int det = (v[2] - v[0]) * (v[7] - v[5]) - (v[3] - v[1]) * (v[6] - v[4]);
    return det.sign();
}

// (a - o) x (b - o) of points given as scaled integers at x, y
cpp_int Cross(const cpp_int& ox, const cpp_int& oy, const cpp_int& ax, const cpp_int& ay, const cpp_int& bx,
              const cpp_int& by) {
    return (ax - ox) * (by - oy) - (ay - oy) * (bx - ox);
}

// the crossing parameter as the quotient of exact integers, rounded to a double
SegmentCrossing ExactCrossingParameter(const cPoint& p, const cPoint& q, const cPoint& c, const cPoint& d) {
    const auto v = ScaledIntegers(std::array<double, 8>{p.X, p.Y, q.X, q.Y, c.X, c.Y, d.X, d.Y});
    // t = side(p) / (side(p) - side(q)), the sides being twice the areas of c, d, p and c, d, q
    const cpp_int sideP = Cross(v[0], v[1], v[4], v[5], v[6], v[7]);
    const cpp_int sideQ = Cross(v[2], v[3], v[4], v[5], v[6], v[7]);
    cpp_int num = abs(sideP);
    const cpp_int den = abs(sideP - sideQ);
    if (num == 0 || den == 0 || num >= den) return SegmentCrossing{num == 0 ? 0.0 : 1.0, 0.0};
    // about 60 significant bits of the quotient, then one rounding to a double
    const auto shift = static_cast<int>(msb(den)) - static_cast<int>(msb(num)) + 60;
    num <<= static_cast<unsigned>(shift);
    const cpp_int quotient = num / den;
    return SegmentCrossing{std::ldexp(quotient.convert_to<double>(), -shift), std::ldexp(1.0, -50)};
}

int ExactCloserTo(const cPoint& p, const cPoint& a, const cPoint& b) {
    const auto v = ScaledIntegers(std::array<double, 6>{p.X, p.Y, a.X, a.Y, b.X, b.Y});
    const cpp_int ax = v[2] - v[0], ay = v[3] - v[1], bx = v[4] - v[0], by = v[5] - v[1];
    const cpp_int difference = (bx * bx + by * by) - (ax * ax + ay * ay);
    return difference.sign();
}

}  // namespace

int Orient2D(const cPoint& a, const cPoint& b, const cPoint& c) {
    RequireFinite(a);
    RequireFinite(b);
    RequireFinite(c);
    bool certain = false;
    const int sign = predicate_filter::Orientation(a, b, c, certain);
    return certain ? sign : ExactOrient(a, b, c);
}

int InCircle(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    const int turn = Orient2D(a, b, c);
    if (turn == 0) throw std::invalid_argument("InCircle: the three points lie on one line and have no circle");
    RequireFinite(d);
    bool certain = false;
    const int sign = predicate_filter::InCircleDeterminant(a, b, c, d, certain);
    if (certain) return sign * turn;
    return ExactInCircle(a, b, c, d) * turn;
}

int CloserTo(const cPoint& p, const cPoint& a, const cPoint& b) {
    RequireFinite(p);
    RequireFinite(a);
    RequireFinite(b);
    if (a.X == b.X && a.Y == b.Y) return 0;
    const std::array<double, 4> v{a.X - p.X, a.Y - p.Y, b.X - p.X, b.Y - p.Y};
    if (InFilterRange(v)) {
        const double da = v[0] * v[0] + v[1] * v[1];
        const double db = v[2] * v[2] + v[3] * v[3];
        const double difference = db - da;
        const double bound = kDistanceBound * (da + db);
        if (difference > bound || -difference > bound) return Sign(difference);
    }
    return ExactCloserTo(p, a, b);
}

int CrossSign(const cPoint& a, const cPoint& b, const cPoint& c, const cPoint& d) {
    RequireFinite(a);
    RequireFinite(b);
    RequireFinite(c);
    RequireFinite(d);
    const std::array<double, 4> v{b.X - a.X, d.Y - c.Y, b.Y - a.Y, d.X - c.X};
    if (InFilterRange(v)) {
        const double left = v[0] * v[1];
        const double right = v[2] * v[3];
        const double det = left - right;
        const double bound = kOrientBound * (std::abs(left) + std::abs(right));
        if (det > bound || -det > bound) return Sign(det);
        if (left == 0.0 && right == 0.0) return 0;
    }
    return ExactCrossSign(a, b, c, d);
}

SegmentCrossing CrossingParameter(const cPoint& p, const cPoint& q, const cPoint& c, const cPoint& d) {
    RequireFinite(p);
    RequireFinite(q);
    RequireFinite(c);
    RequireFinite(d);
    const std::array<double, 8> v{c.X - p.X, d.Y - p.Y, c.Y - p.Y, d.X - p.X,
                                  c.X - q.X, d.Y - q.Y, c.Y - q.Y, d.X - q.X};
    if (InFilterRange(v)) {
        const double l1 = v[0] * v[1], r1 = v[2] * v[3];
        const double l2 = v[4] * v[5], r2 = v[6] * v[7];
        const double sideP = l1 - r1, sideQ = l2 - r2;
        const double errorP = kOrientBound * (std::abs(l1) + std::abs(r1));
        const double errorQ = kOrientBound * (std::abs(l2) + std::abs(r2));
        const double den = sideP - sideQ;
        // with the sides known to within errorP + errorQ, t = sideP / den moves by at most
        // (errorP + errorQ) / (|den| - errorP - errorQ), plus the rounding of den and of t
        if (std::abs(den) > 4.0 * (errorP + errorQ)) {
            const double t = sideP / den;
            const double error = 2.0 * (errorP + errorQ) / std::abs(den) + 4.0 * kUnitRoundoff;
            if (error <= 0x1p-40 && t > 0.0 && t < 1.0) return SegmentCrossing{t, error};
        }
    }
    return ExactCrossingParameter(p, q, c, d);
}

int CompareCrossings(const cPoint& p, const cPoint& q, const cPoint& c1, const cPoint& d1, const cPoint& c2,
                     const cPoint& d2) {
    const SegmentCrossing first = CrossingParameter(p, q, c1, d1);
    const SegmentCrossing second = CrossingParameter(p, q, c2, d2);
    if (first.t + first.error < second.t - second.error) return -1;
    if (second.t + second.error < first.t - first.error) return 1;
    const auto v =
        ScaledIntegers(std::array<double, 12>{p.X, p.Y, q.X, q.Y, c1.X, c1.Y, d1.X, d1.Y, c2.X, c2.Y, d2.X, d2.Y});
    // t1 - t2 = (sideP1 den2 - sideP2 den1) / (den1 den2), each den = sideP - sideQ
    const cpp_int sideP1 = Cross(v[0], v[1], v[4], v[5], v[6], v[7]);
    const cpp_int sideQ1 = Cross(v[2], v[3], v[4], v[5], v[6], v[7]);
    const cpp_int sideP2 = Cross(v[0], v[1], v[8], v[9], v[10], v[11]);
    const cpp_int sideQ2 = Cross(v[2], v[3], v[8], v[9], v[10], v[11]);
    const cpp_int den1 = sideP1 - sideQ1, den2 = sideP2 - sideQ2;
    return cpp_int(sideP1 * den2 - sideP2 * den1).sign() * den1.sign() * den2.sign();
}

}  // namespace kelvarin
