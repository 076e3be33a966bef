#include <gtest/gtest.h>

#include <stdexcept>

#include "model/BoundedArray.hpp"

namespace kelvarin {
namespace {

TEST(Array1, KeepsItsBoundsAndChecksEveryAccess) {
    Array1<int> a(1, 3);
    a(1) = 10;
    a(3) = 30;
    EXPECT_EQ(a.LBound(), 1);
    EXPECT_EQ(a.UBound(), 3);
    EXPECT_THROW(a(0), std::out_of_range);
    EXPECT_THROW(a(4), std::out_of_range);
    a.ReDimPreserve(5);
    EXPECT_EQ(a(3), 30);
    EXPECT_EQ(a(5), 0);
    a.Append(60);
    EXPECT_EQ(a.UBound(), 6);
    a.ReDim(0, -1);
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(a.UBound(), -1);
}

TEST(Array2, RowZeroTablesStoreTheFirstDimensionFastest) {
    Array2<int> t(0, 3, 1, 2);
    t(0, 1) = 1;
    t(3, 1) = 4;
    t(0, 2) = 5;
    EXPECT_EQ(t.Values()[0], 1);
    EXPECT_EQ(t.Values()[3], 4);
    EXPECT_EQ(t.Values()[4], 5);
    EXPECT_THROW(t(4, 1), std::out_of_range);
    EXPECT_THROW(t(0, 3), std::out_of_range);
    t.ReDimPreserve(3);
    EXPECT_EQ(t(3, 1), 4);
    EXPECT_EQ(t(0, 2), 5);
    EXPECT_EQ(t.UBound(2), 3);
}

}  // namespace
}  // namespace kelvarin
