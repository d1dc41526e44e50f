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

// Copies the demo Home folder the build writes into `home`, leaving out the files a player's run
// of the game adds there (settings, officers, logs, files moved aside), so that playing the
// built game never changes what the tests start from.
inline void CopyDemoHome(const std::filesystem::path& home)
{
    namespace fs = std::filesystem;
    const fs::path demo = fs::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home";
    ASSERT_TRUE(fs::exists(demo / "Tarvex.cat")) << "the build writes the demo Home folder";
    const auto writtenByPlay = [](const fs::path& file) {
        const std::string name = file.filename().string();
        return name == "default.cfg" || name == "player.cfg" || name == "player.bak" || name == "~player.tmp" ||
               name == "Debug.log" || name.find(".bad") != std::string::npos;
    };
    fs::create_directories(home);
    for (const fs::directory_entry& entry : fs::directory_iterator(demo)) {
        if (entry.is_regular_file() && writtenByPlay(entry.path()))
            continue;
        fs::copy(entry.path(), home / entry.path().filename(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
}

}  // namespace tarvex::test
