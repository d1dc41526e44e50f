#pragma once

// The walks run the whole program on the process's one hub, game library and screens, which
// keep what a walk did to them; another test in the same process (in any order) must not meet
// that. So a walk runs in a copy of this process, and its failures fail the test here.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "sys/process.h"

namespace tarvex::test {

inline void InCopyOfProcess(const std::function<void()>& walk) {
    const int child = sys::process::RunChild([&] {
        walk();
        // The copy ends without running exit handlers: what it printed must leave now.
        std::fflush(stdout);
        std::fflush(stderr);
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    ASSERT_GE(child, 0) << "no copy of the process could be started";
    EXPECT_EQ(sys::process::WaitChild(child), 0) << "the walk failed in its copy of the process (see above)";
}

}  // namespace tarvex::test
