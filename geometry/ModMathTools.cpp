#include "geometry/ModMathTools.hpp"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace kelvarin {
namespace {

// exchanges two whole rows of m
void SwapRows(Array2<double>& m, long r1, long r2) {
    for (long c = m.LBound(2); c <= m.UBound(2); ++c) SwapValues(m(r1, c), m(r2, c));
}

std::string NumberText(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}

}  // namespace

// Gauss-Jordan on the augmented matrix m (rows 1..n, columns 1..n+1), in place.
int SolveLinearSystem(Array2<double>& m) {
    if (m.LBound(1) != 1 || m.LBound(2) != 1) return SolveCode::WrongShape;
    const long n = m.UBound(1);
    // an empty system has no last pivot to judge
    if (n < 1 || m.UBound(2) - n != 1) return SolveCode::WrongShape;

    // rows in ascending order of their first entry
    for (long i = 2; i <= n; ++i) {
        for (long j = 1; j <= i - 1; ++j) {
            if (m(i, 1) < m(j, 1)) SwapRows(m, i, j);
        }
    }

    for (long i = 1; i <= n; ++i) {
        if (m(i, i) == 0.0) {
            for (long j = i + 1; j <= n; ++j) {
                if (m(j, i) != 0.0) SwapRows(m, i, j);
            }
        }
        if (m(i, i) == 0.0) return SolveCode::NoPivot;
        // the pivot is read once: dividing m(i, i) first must not change the divisor of the rest
        const double pivot = m(i, i);
        for (long c = i; c <= n + 1; ++c) m(i, c) = m(i, c) / pivot;
        for (long r = 1; r <= n; ++r) {
            if (r == i) continue;
            const double f = -m(r, i);
            for (long c = i; c <= n + 1; ++c) m(r, c) = m(r, c) + f * m(i, c);
        }
    }

    if (m(n, n) != 0.0) return SolveCode::Unique;
    if (m(n, n + 1) == 0.0) return SolveCode::Infinite;
    return SolveCode::NoSolution;
}

// base-10 logarithm as the ratio of natural logarithms
double Log10(double x) {
    if (!(x > 0.0)) throw std::domain_error("Log10: the logarithm of " + NumberText(x) + " is undefined");
    return std::log(x) / std::log(10.0);
}

// 10 ^ floor(Log10(x)); viaText rounds the exponent to 15 significant digits first
double TenToThe(double wholeExponent) {
    // 10^0 .. 10^22 are exact doubles; their quotients of 1 are correctly rounded
    constexpr double kExact = 22.0;
    if (std::abs(wholeExponent) <= kExact) {
        double power = 1.0;
        for (int i = 0; i < static_cast<int>(std::abs(wholeExponent)); ++i) power *= 10.0;
        return wholeExponent < 0.0 ? 1.0 / power : power;
    }
    return std::pow(10.0, wholeExponent);
}

double PowerOfTen(double x, bool viaText) {
    double e = Log10(x);
    if (viaText) {
        // fifteen significant digits turn 2.9999999999999996 (Log10 of 1000) into 3
        char text[40];
        std::snprintf(text, sizeof text, "%.15g", e);
        e = std::strtod(text, nullptr);
    }
    const double result = TenToThe(std::floor(e));
    if (!std::isfinite(result))
        throw std::overflow_error("PowerOfTen: 10 ^ Int(Log10(" + NumberText(x) + ")) overflows");
    return result;
}

// binary digits, most significant first; a negative value gets a minus sign before its magnitude's digits
std::string ToBinaryString(long long value) {
    const bool negative = value < 0;
    unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 2));
        magnitude /= 2;
    } while (magnitude > 0);
    return negative ? "-" + digits : digits;
}

// text up to "F" is read as a hexadecimal 32-bit number, anything else as 0
std::string ToBinaryString(std::string_view text) {
    std::string upper(text);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (!(upper <= std::string("F"))) return ToBinaryString(0LL);

    if (upper.empty()) throw std::invalid_argument("ToBinaryString: empty text is no hexadecimal number");
    std::uint64_t bits = 0;
    for (char ch : upper) {
        int digit = 0;
        if (ch >= '0' && ch <= '9') {
            digit = ch - '0';
        } else if (ch >= 'A' && ch <= 'F') {
            digit = ch - 'A' + 10;
        } else {
            throw std::invalid_argument("ToBinaryString: \"" + std::string(text) + "\" is no hexadecimal number");
        }
        bits = bits * 16 + static_cast<std::uint64_t>(digit);
        if (bits > 0xFFFFFFFFULL)
            throw std::overflow_error("ToBinaryString: \"" + std::string(text) + "\" overflows a 32-bit integer");
    }
    // eight hexadecimal digits are the bits of a signed 32-bit integer
    const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
    return ToBinaryString(static_cast<long long>(value));
}

}  // namespace kelvarin
