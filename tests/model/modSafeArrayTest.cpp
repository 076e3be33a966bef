#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "model/modSafeArray.hpp"

namespace kelvarin {
namespace {

Array2<int> TwoByThree() {
    Array2<int> m(1, 2, 1, 3);
    int v = 1;
    for (long c = 1; c <= 3; ++c)
        for (long r = 1; r <= 2; ++r) m(r, c) = v++;  // storage order 1..6
    return m;
}

TEST(ArrayDims, CountsDimensions) {
    EXPECT_EQ(ArrayDims(TwoByThree()), 2);
    EXPECT_EQ(ArrayDims(Array1<double>(1, 4)), 1);
    EXPECT_EQ(ArrayDims(3.5), 0);
}

TEST(ArrayDescriptor, BoundsOfEveryDimension) {
    const Array2<int> table(0, 3, 1, 5);
    const auto bounds = ArrayDescriptor(table);
    ASSERT_EQ(bounds.Dims(), 2);
    EXPECT_EQ(bounds.dimensions[0], std::make_pair(0L, 3L));
    EXPECT_EQ(bounds.dimensions[1], std::make_pair(1L, 5L));
    EXPECT_EQ(ArrayDescriptor(7).Dims(), 0);
}

TEST(FlattenArray, StorageOrderFromOne) {
    const auto flat = FlattenArray(TwoByThree());
    ASSERT_EQ(flat.LBound(), 1);
    ASSERT_EQ(flat.Count(), 6);
    for (long i = 1; i <= 6; ++i) EXPECT_EQ(flat(i), i);
    Array1<int> zeroBased(0, {4, 5});
    const auto again = FlattenArray(zeroBased);
    EXPECT_EQ(again.LBound(), 1);
    EXPECT_EQ(again(2), 5);
}

TEST(MaxOfArray, FirstOfEqualMaxima) {
    const Array1<double> values(1, {3, 7, 7, 1});
    EXPECT_EQ(MaxOfArray(values), 7);
    EXPECT_THROW(MaxOfArray(Array1<double>()), std::out_of_range);
    // the first of equal maxima: -0.0 and 0.0 compare equal, the first one is kept
    const Array1<double> zeros(5, {-0.0, 0.0});
    EXPECT_TRUE(std::signbit(MaxOfArray(zeros)));
}

TEST(MaxOf, MixOfNumbersAndArrays) {
    EXPECT_EQ(MaxOf(3, Array1<int>(1, {7, 2})), 7);
    EXPECT_EQ(MaxOf(2.5, -1.0), 2.5);
    EXPECT_EQ(MaxOf(TwoByThree(), 4), 6);
    EXPECT_EQ(MaxOf(Array1<int>(), 9, Array1<int>(1, {11})), 11);
    EXPECT_THROW(MaxOf(Array1<int>()), std::out_of_range);
    EXPECT_TRUE(std::signbit(MaxOf(-0.0, 0.0)));
}

}  // namespace
}  // namespace kelvarin
