#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "geometry/ModMathTools.hpp"

namespace kelvarin {
namespace {

// a 2-by-3 augmented matrix from two rows
Array2<double> TwoRows(double a1, double b1, double c1, double a2, double b2, double c2) {
    Array2<double> m(1, 2, 1, 3);
    m(1, 1) = a1;
    m(1, 2) = b1;
    m(1, 3) = c1;
    m(2, 1) = a2;
    m(2, 2) = b2;
    m(2, 3) = c2;
    return m;
}

TEST(SolveLinearSystem, SolvesTwoEquations) {
    auto m = TwoRows(1, 1, 3, 1, -1, 1);
    EXPECT_EQ(SolveLinearSystem(m), SolveCode::Unique);
    EXPECT_DOUBLE_EQ(m(1, 3), 2.0);
    EXPECT_DOUBLE_EQ(m(2, 3), 1.0);
}

TEST(SolveLinearSystem, PivotOtherThanOneDividesTheWholeRow) {
    // 2x + 4y = 10, 3x - 6y = -3: x = 2, y = 1.5; every pivot differs from 1
    auto m = TwoRows(2, 4, 10, 3, -6, -3);
    EXPECT_EQ(SolveLinearSystem(m), SolveCode::Unique);
    EXPECT_DOUBLE_EQ(m(1, 3), 2.0);
    EXPECT_DOUBLE_EQ(m(2, 3), 1.5);
}

TEST(SolveLinearSystem, SolutionSatisfiesRandomSystems) {
    // three unknowns, answer checked against the original equations
    const double a[3][4] = {{3, -1, 2, 5}, {-2, 4, 1, 7}, {1, 1, -5, -3}};
    Array2<double> m(1, 3, 1, 4);
    for (long r = 1; r <= 3; ++r)
        for (long c = 1; c <= 4; ++c) m(r, c) = a[r - 1][c - 1];
    ASSERT_EQ(SolveLinearSystem(m), SolveCode::Unique);
    for (int r = 0; r < 3; ++r) {
        const double lhs = a[r][0] * m(1, 4) + a[r][1] * m(2, 4) + a[r][2] * m(3, 4);
        EXPECT_NEAR(lhs, a[r][3], 1e-12);
    }
}

TEST(SolveLinearSystem, ParallelAndWrongShapes) {
    auto parallel = TwoRows(1, 1, 1, 2, 2, 5);
    EXPECT_EQ(SolveLinearSystem(parallel), SolveCode::NoPivot);
    Array2<double> square(1, 2, 1, 2);
    EXPECT_EQ(SolveLinearSystem(square), SolveCode::WrongShape);
    Array2<double> rowZero(0, 1, 1, 3);
    EXPECT_EQ(SolveLinearSystem(rowZero), SolveCode::WrongShape);
    Array2<double> empty(1, 0, 1, 1);
    EXPECT_EQ(SolveLinearSystem(empty), SolveCode::WrongShape);
}

TEST(Log10, RatioOfNaturalLogarithmsAndItsDomain) {
    EXPECT_DOUBLE_EQ(Log10(100.0), 2.0);
    EXPECT_NEAR(Log10(1000.0), 3.0, 1e-15);
    EXPECT_THROW(Log10(0.0), std::domain_error);
    EXPECT_THROW(Log10(-5.0), std::domain_error);
}

TEST(PowerOfTen, WholePowersAreTheNearestDoubles) {
    // the decimal reader rounds correctly: "1e-7" is the double nearest to 10^-7
    for (int n = -22; n <= 22; ++n) {
        EXPECT_EQ(TenToThe(n), std::strtod(("1e" + std::to_string(n)).c_str(), nullptr)) << n;
    }
}

TEST(PowerOfTen, RoundsTheExponentThroughText) {
    EXPECT_EQ(PowerOfTen(1000.0, true), 1000.0);
    EXPECT_EQ(PowerOfTen(999.0, true), 100.0);
    EXPECT_EQ(PowerOfTen(0.05, true), 0.01);
    // without the text step the exponent of 1000 stays just below 3
    EXPECT_EQ(PowerOfTen(1000.0, false), 100.0);
    EXPECT_THROW(PowerOfTen(0.0, true), std::domain_error);
}

TEST(ToBinaryString, DigitsOfNumbersAndHexadecimalText) {
    EXPECT_EQ(ToBinaryString(6LL), "110");
    EXPECT_EQ(ToBinaryString(5LL), "101");
    EXPECT_EQ(ToBinaryString(0LL), "0");
    EXPECT_EQ(ToBinaryString(-5LL), "-101");
    EXPECT_EQ(ToBinaryString(std::string_view("F")), "1111");
    EXPECT_EQ(ToBinaryString(std::string_view("a")), "1010");
    EXPECT_EQ(ToBinaryString(std::string_view("10")), "10000");  // read as hexadecimal
    EXPECT_EQ(ToBinaryString(std::string_view("G")), "0");       // beyond "F": no number
    EXPECT_EQ(ToBinaryString(std::string_view("FF")), "0");      // "FF" sorts after "F"
    EXPECT_THROW(ToBinaryString(std::string_view("1Z")), std::invalid_argument);
    EXPECT_THROW(ToBinaryString(std::string_view("123456789")), std::overflow_error);
}

TEST(Swap, ValuesAndObjects) {
    double a = 1, b = 2;
    SwapValues(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
    auto p = std::make_shared<int>(1);
    auto q = std::make_shared<int>(2);
    const int* pp = p.get();
    SwapObjects(p, q);
    EXPECT_EQ(q.get(), pp);
    EXPECT_EQ(*p, 2);
}

}  // namespace
}  // namespace kelvarin
