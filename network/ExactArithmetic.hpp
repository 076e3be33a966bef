#pragma once
// The arithmetic of the exact decisions on boundary lines: intervals that hold the exact value
// of a computation on doubles, and dyadic numbers (an integer times a power of two) that are
// that value. Sums, differences and products of doubles are dyadic; a quotient is carried as a
// numerator and a denominator. A decision first works its expression out on intervals; only
// when the interval holds both signs (a near-tie or an exact one) does it work it out again
// exactly. Used by the network's .cpp files only.

#include <algorithm>
#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kelvarin::exact {

// m * 2^e: the exact value of sums, differences and products of doubles
struct Dyadic {
    boost::multiprecision::cpp_int m;
    int e = 0;
};

// the value of a finite double
inline Dyadic ToDyadic(double value) {
    if (value == 0.0) return Dyadic{};
    int e = 0;
    const double fraction = std::frexp(value, &e);  // value = fraction * 2^e, 0.5 <= |fraction| < 1
    return Dyadic{boost::multiprecision::cpp_int(static_cast<std::int64_t>(std::ldexp(fraction, 53))), e - 53};
}

inline Dyadic operator*(const Dyadic& a, const Dyadic& b) { return Dyadic{a.m * b.m, a.e + b.e}; }

inline Dyadic operator+(const Dyadic& a, const Dyadic& b) {
    if (a.m.is_zero()) return b;
    if (b.m.is_zero()) return a;
    if (a.e == b.e) return Dyadic{a.m + b.m, a.e};
    if (a.e < b.e) return Dyadic{a.m + (b.m << static_cast<unsigned>(b.e - a.e)), a.e};
    return Dyadic{(a.m << static_cast<unsigned>(a.e - b.e)) + b.m, b.e};
}

inline Dyadic operator-(const Dyadic& a) { return Dyadic{-a.m, a.e}; }

inline Dyadic operator-(const Dyadic& a, const Dyadic& b) { return a + (-b); }

// A closed interval that holds the exact value of the computation that gave it. Every operation
// widens its rounded ends by more than their rounding error (a unit in the last place, and the
// smallest subnormal for results that underflow); a result that is an exact 0 stays exact.
struct Interval {
    double lo = 0.0, hi = 0.0;

    static Interval Point(double value) { return Interval{value, value}; }
    bool IsPoint() const { return lo == hi; }
};

inline double Below(double x) {
    return std::isfinite(x) ? x - (std::fabs(x) * 0x1p-52 + std::numeric_limits<double>::denorm_min()) : x;
}
inline double Above(double x) {
    return std::isfinite(x) ? x + (std::fabs(x) * 0x1p-52 + std::numeric_limits<double>::denorm_min()) : x;
}

// the whole line: what an interval holds after an undefined step (infinity times 0)
inline Interval Everything() {
    return Interval{-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
}

// the interval from the rounded ends, widened
inline Interval Widened(double lo, double hi) {
    if (std::isnan(lo) || std::isnan(hi)) return Everything();
    return Interval{Below(lo), Above(hi)};
}

inline Interval operator+(const Interval& a, const Interval& b) {
    if (a.IsPoint() && b.IsPoint() && a.lo + b.lo == 0.0) return Interval{};  // sums that round to 0 are 0
    return Widened(a.lo + b.lo, a.hi + b.hi);
}

inline Interval operator-(const Interval& a) { return Interval{-a.hi, -a.lo}; }

inline Interval operator-(const Interval& a, const Interval& b) { return a + (-b); }

inline Interval operator*(const Interval& a, const Interval& b) {
    if ((a.lo == 0.0 && a.hi == 0.0) || (b.lo == 0.0 && b.hi == 0.0)) return Interval{};
    if (b.lo == 1.0 && b.hi == 1.0) return a;
    if (a.lo == 1.0 && a.hi == 1.0) return b;
    const double p1 = a.lo * b.lo, p2 = a.lo * b.hi, p3 = a.hi * b.lo, p4 = a.hi * b.hi;
    if (std::isnan(p1) || std::isnan(p2) || std::isnan(p3) || std::isnan(p4)) return Everything();
    return Widened(std::min({p1, p2, p3, p4}), std::max({p1, p2, p3, p4}));
}

// a / b for b away from 0; everything when b may be 0
inline Interval operator/(const Interval& a, const Interval& b) {
    if (!(b.lo > 0.0 || b.hi < 0.0)) return Everything();
    if (a.lo == 0.0 && a.hi == 0.0) return Interval{};
    const double q1 = a.lo / b.lo, q2 = a.lo / b.hi, q3 = a.hi / b.lo, q4 = a.hi / b.hi;
    if (std::isnan(q1) || std::isnan(q2) || std::isnan(q3) || std::isnan(q4)) return Everything();
    return Widened(std::min({q1, q2, q3, q4}), std::max({q1, q2, q3, q4}));
}

// the smallest interval that holds both
inline Interval Hull(const Interval& a, const Interval& b) {
    return Interval{std::min(a.lo, b.lo), std::max(a.hi, b.hi)};
}

inline Interval Min(const Interval& a, const Interval& b) {
    return Interval{std::min(a.lo, b.lo), std::min(a.hi, b.hi)};
}

// +1 or -1 when every value of the interval has that sign, 0 for an exact 0, and 2 when the
// interval cannot tell
constexpr int kUnknown = 2;
inline int SignOf(const Interval& v) {
    if (v.lo > 0.0) return 1;
    if (v.hi < 0.0) return -1;
    if (v.lo == 0.0 && v.hi == 0.0) return 0;
    return kUnknown;
}

inline int SignOf(const Dyadic& v) { return v.m.sign(); }

// a double as the number type of an evaluation
template <class T>
T Value(double value);
template <>
inline Interval Value<Interval>(double value) {
    return Interval::Point(value);
}
template <>
inline Dyadic Value<Dyadic>(double value) {
    return ToDyadic(value);
}

// The sign of an expression of doubles, written once as a generic callable of the number
// type: on intervals first, exactly when the interval cannot tell.
template <class Expression>
int ExactSign(const Expression& expression) {
    const int sign = SignOf(expression(Interval{}));
    return sign != kUnknown ? sign : SignOf(expression(Dyadic{}));
}

}  // namespace kelvarin::exact
