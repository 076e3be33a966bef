#pragma once
// Numeric helpers: the linear solver behind every line crossing, logarithms and
// powers of ten, binary digits, exchanges.

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "model/BoundedArray.hpp"

namespace kelvarin {

// Result codes of SolveLinearSystem.
namespace SolveCode {
constexpr int WrongShape = -1;  // lower bounds not 1, or columns != rows + 1
constexpr int NoSolution = 0;
constexpr int Unique = 1;  // unknown k stands in m(k, n + 1)
constexpr int Infinite = 2;
constexpr int NoPivot = 3;  // parallel or coincident lines end here
}  // namespace SolveCode

// Gauss-Jordan on the augmented matrix m (rows 1..n, columns 1..n+1), in place.
int SolveLinearSystem(Array2<double>& m);

// base-10 logarithm; throws std::domain_error for x <= 0
double Log10(double x);
// 10 to a whole power, exact as far as a double holds it: the C library's pow is not
// correctly rounded everywhere (10^-2 comes out one unit too large on Windows)
double TenToThe(double wholeExponent);
// 10 ^ floor(Log10(x)); viaText rounds the exponent through its shortest decimal text first
double PowerOfTen(double x, bool viaText);

// binary digits, most significant first ("101" for 5, "0" for 0)
std::string ToBinaryString(long long value);
// text up to "F" is read as a hexadecimal number, anything else as 0
std::string ToBinaryString(std::string_view text);

template <class T>
void SwapValues(T& a, T& b) {
    T temporary = std::move(a);
    a = std::move(b);
    b = std::move(temporary);
}

template <class T>
void SwapObjects(std::shared_ptr<T>& a, std::shared_ptr<T>& b) {
    a.swap(b);
}

}  // namespace kelvarin
