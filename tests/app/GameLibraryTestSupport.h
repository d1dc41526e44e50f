#pragma once

// Helpers for tests that load a game-logic library: where the three libraries of the build
// are (our stand-in, one that exports nothing, one that records its calls), a private copy of
// one in a scratch folder (a fresh copy is a fresh library with fresh state), a profile file
// of the test's own, and the working directory put back afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "sys/window/dialogs.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/profile.h"
#include "tests/support/ScratchFolder.h"

namespace tarvex::test {

inline std::string StandInGameLibrary() { return std::string(TARVEX_TEST_BINARY_DIR) + "/../game/VQ9Game.so"; }
inline std::string EmptyGameLibrary() { return std::string(TARVEX_TEST_BINARY_DIR) + "/app/emptygame/VQ9Game.so"; }
inline std::string RecordGameLibrary() { return std::string(TARVEX_TEST_BINARY_DIR) + "/app/recordgame/VQ9Game.so"; }

// Copies a library into the folder under the name the loader looks for; answers the path to
// hand to the bridge, written the program's way.
inline std::string PlaceGameLibrary(const std::string& library, const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(library, folder / "VQ9Game.so", std::filesystem::copy_options::overwrite_existing);
    return (folder / "VQ9Game.dll").string();
}

// A scratch folder, a profile file inside it, no message box left over, and the working
// directory as it was when the test ends.
class GameLibraryTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedDirectory = std::filesystem::current_path();
        m_folder = MakeScratchFolder("GameLibrary");
        sys::profile::SetFile(m_folder + "/profile.ini");
        sys::dialogs::headless::Reset();
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_savedDirectory);
        sys::profile::SetFile("");
        sys::dialogs::headless::Reset();
    }

    static void SetSwitch(const char* name, int value)
    {
        ASSERT_TRUE(sys::profile::WriteInt(sys::profile::Kind::Application, "Settings", name, value));
    }

    std::filesystem::path m_savedDirectory;
    std::string m_folder;
};

}  // namespace tarvex::test
