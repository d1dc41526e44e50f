#include <gtest/gtest.h>

#include <cmath>

#include "app/CTarvexApp.h"

namespace {

// What an idle dedicated server sleeps after a pass, from the clock at the pass's top and now:
// the rest of a fifth of a second to the nearest millisecond. Clock readings are sums of
// milliseconds that doubles hold only nearly, so a rest of 100 ms may come out as 99.9999...
TEST(IdleStepTest, SleepsTheRestOfTheStepToTheNearestMillisecond) {
    const struct {
        double frameStart, now;
        uint32_t expected;
    } cases[] = {
        {1.0, 1.0, 200},
        {0.7, 0.8, 100},     // the difference is a hair over a tenth
        {1.0, 1.0123, 188},  // 187.7 ms left
        {2.0, 2.0004, 200},  // 199.6 ms left
        {1.0, 1.25, 0},      // the step is over
        {5.0, 4.0, 200},     // a clock that went backwards: one step at most
        {1.0, std::nan(""), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CTarvexApp::IdleStepMilliseconds(c.frameStart, c.now), c.expected) << c.frameStart << " to " << c.now;
}

}  // namespace
