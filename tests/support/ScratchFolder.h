#pragma once

// A fresh folder for the running test under the test binary folder, named after the test so
// that tests run in parallel never share one. Returned as a canonical path.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarvex::test {

inline std::string MakeScratchFolder(const char* group)
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path folder = std::filesystem::path(TARVEX_TEST_BINARY_DIR) / group /
                                   (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return std::filesystem::canonical(folder).string();
}

}  // namespace tarvex::test
