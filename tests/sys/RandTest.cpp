// The program's random generator: the classic C library sequence, so a seed reproduces the
// same values on every machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "sys/rand.h"

namespace {

std::vector<int> Draw(int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(sys::Rand());
    }
    return values;
}

TEST(RandTest, SeedOneGivesTheClassicSequence) {
    sys::Srand(1);
    EXPECT_EQ(Draw(10), (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}));
}

TEST(RandTest, OtherSeedsFollowTheSameRecurrence) {
    // state = state * 214013 + 2531011 (mod 2^32), value = bits 16..30 of the state.
    sys::Srand(0);
    EXPECT_EQ(Draw(3), (std::vector<int>{38, 7719, 21238}));
    sys::Srand(0xFFFFFFFFu);
    EXPECT_EQ(Draw(3), (std::vector<int>{35, 29739, 3374}));
}

TEST(RandTest, ReseedingRepeatsTheSequence) {
    sys::Srand(20260101u);
    const std::vector<int> first = Draw(50);
    sys::Srand(20260101u);
    EXPECT_EQ(Draw(50), first);
}

TEST(RandTest, ValuesStayWithinFifteenBitsAndReachBothEnds) {
    EXPECT_EQ(sys::kRandMax, 32767);
    sys::Srand(7);
    int low = sys::kRandMax;
    int high = 0;
    for (int i = 0; i < 200000; ++i) {
        const int value = sys::Rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, sys::kRandMax);
        low = std::min(low, value);
        high = std::max(high, value);
    }
    EXPECT_LT(low, 16);
    EXPECT_GT(high, sys::kRandMax - 16);
}

TEST(RandTest, UnseededGeneratorStartsFromSeedOne) {
    // Run in a freshly started copy of this program, where nothing has drawn a number yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool classic = sys::Rand() == 41 && sys::Rand() == 18467;
            std::exit(classic ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
