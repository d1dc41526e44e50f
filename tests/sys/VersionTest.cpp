// The program's file version: the text from the build and its four numbers.

#include <gtest/gtest.h>

#include <array>

#include "sys/version.h"

namespace {

using Numbers = std::array<int, 4>;

TEST(VersionTest, BuildGivesTheFourPartVersionText) {
    EXPECT_EQ(sys::version::FileVersion(), "1, 0, 0, 0");
    EXPECT_EQ(sys::version::FileVersionNumbers(), (Numbers{1, 0, 0, 0}));
}

TEST(VersionTest, PartsAreSplitAtCommas) {
    EXPECT_EQ(sys::version::ParseVersionNumbers("1, 2, 0, 0"), (Numbers{1, 2, 0, 0}));
    EXPECT_EQ(sys::version::ParseVersionNumbers("1, 2, 3, 4"), (Numbers{1, 2, 3, 4}));
    EXPECT_EQ(sys::version::ParseVersionNumbers("10,20,30,40"), (Numbers{10, 20, 30, 40}));
}

TEST(VersionTest, MissingOrUnreadablePartsAreZero) {
    EXPECT_EQ(sys::version::ParseVersionNumbers(""), (Numbers{0, 0, 0, 0}));
    EXPECT_EQ(sys::version::ParseVersionNumbers("1, 2"), (Numbers{1, 2, 0, 0}));
    EXPECT_EQ(sys::version::ParseVersionNumbers("x, 7, , 3"), (Numbers{0, 7, 0, 3}));
    EXPECT_EQ(sys::version::ParseVersionNumbers("1, 2, 3, 4, 5"), (Numbers{1, 2, 3, 4}));
}

TEST(VersionTest, HugePartIsClampedNotOverflowed) {
    EXPECT_EQ(sys::version::ParseVersionNumbers("99999999999999999999, 1"), (Numbers{2147483647, 1, 0, 0}));
}

}  // namespace
