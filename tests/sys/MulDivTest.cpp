#include <gtest/gtest.h>

#include <climits>

#include "sys/muldiv.h"

namespace {

TEST(MulDivTest, RoundsToNearestWithHalvesAwayFromZero) {
    EXPECT_EQ(sys::MulDiv(10, 1, 3), 3);    // 3.33
    EXPECT_EQ(sys::MulDiv(10, 2, 3), 7);    // 6.67
    EXPECT_EQ(sys::MulDiv(5, 1, 2), 3);     // 2.5
    EXPECT_EQ(sys::MulDiv(-5, 1, 2), -3);   // -2.5
    EXPECT_EQ(sys::MulDiv(7, -1, 2), -4);   // -3.5
    EXPECT_EQ(sys::MulDiv(-7, -1, 2), 4);   // 3.5
    EXPECT_EQ(sys::MulDiv(200, 128, 255), 100);  // 100.39
}

TEST(MulDivTest, KeepsTheProductInSixtyFourBits) {
    EXPECT_EQ(sys::MulDiv(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(sys::MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
}

TEST(MulDivTest, ZeroDivisorAndOverflowGiveMinusOne) {
    EXPECT_EQ(sys::MulDiv(5, 3, 0), -1);
    EXPECT_EQ(sys::MulDiv(0, 0, 0), -1);
    EXPECT_EQ(sys::MulDiv(INT_MAX, 2, 1), -1);
}

}  // namespace
