// The built program itself, started as a user would on a machine without display or sound
// (SDL's dummy drivers), in a scratch folder whose Home holds an empty catalog and our
// game-logic stand-in, then stopped with SIGTERM. It must shut down cleanly: status 0 and a
// "default.cfg" with the first run's detail level.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/SCatalog.h"
#include "platform/sys/classlib/CArchive.h"
#include "platform/sys/classlib/CFile.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteEmptyCatalog(const fs::path& path) {
    SCatalog catalog;
    CFile file;
    ASSERT_TRUE(file.Open(path.string().c_str(), CFile::modeCreate | CFile::modeWrite));
    CArchive ar(&file, CArchive::store);
    catalog.Serialize(ar);
    ar.Close();
    file.Close();
}

// Starts the program in the background through the shell, which keeps its process id in
// "pid.txt" and its exit status in "status.txt" once it ends.
void Start(const fs::path& folder) {
    const std::string program = std::string(TARVEX_TEST_BINARY_DIR) + "/../tarvex";
    const std::string f = folder.string();
    const std::string command = "( cd '" + f + "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME='" + f +
                                "/config' '" + program + "' 2>stderr.txt >/dev/null & echo $! > '" + f +
                                "/pid.txt'; wait $!; echo $? > '" + f + "/status.tmp'; mv '" + f + "/status.tmp' '" +
                                f + "/status.txt' ) &";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// Waits up to the limit for the program to end; its exit status, or -1 while it runs.
int WaitFor(const fs::path& folder, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        if (fs::exists(folder / "status.txt"))
            return std::stoi(ReadAll(folder / "status.txt"));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return -1;
}

void Signal(const fs::path& folder, const char* signal) {
    const std::string command = std::string("kill -") + signal + " $(cat '" + (folder / "pid.txt").string() + "')";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

class ProcessTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = tarvex::test::MakeScratchFolder("Process");
        fs::create_directories(m_folder / "Home");
        fs::copy_file(std::string(TARVEX_TEST_BINARY_DIR) + "/../game/VQ9Game.so", m_folder / "Home" / "VQ9Game.so");
    }
    fs::path m_folder;
};

TEST_F(ProcessTest, SigtermClosesTheWindowAndSavesTheConfiguration) {
    WriteEmptyCatalog(m_folder / "Home" / "Tarvex.cat");
    Start(m_folder);
    // Running means past start-up: the first "default.cfg" exists and the loop is turning.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(m_folder / "Home" / "default.cfg") && std::chrono::steady_clock::now() < end)
        ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(20)), -1) << ReadAll(m_folder / "stderr.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(WaitFor(m_folder, std::chrono::milliseconds(0)), -1) << ReadAll(m_folder / "stderr.txt");
    fs::remove(m_folder / "Home" / "default.cfg");
    Signal(m_folder, "TERM");
    const int status = WaitFor(m_folder, std::chrono::seconds(20));
    if (status == -1)
        Signal(m_folder, "KILL");
    EXPECT_EQ(status, 0) << ReadAll(m_folder / "stderr.txt");
    // Written again by the shut-down, in text mode, with the level the first run chose.
    const std::string text = ReadAll(m_folder / "Home" / "default.cfg");
    EXPECT_NE(text.find("set cfg_sysprofile \"3\""), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n"), std::string::npos);
}

TEST_F(ProcessTest, AFatalStartEndsWithAFailureStatus) {
    // No catalog: start-up reports the file and gives up.
    Start(m_folder);
    const int status = WaitFor(m_folder, std::chrono::seconds(20));
    if (status == -1)
        Signal(m_folder, "KILL");
    EXPECT_GT(status, 0);
    EXPECT_NE(ReadAll(m_folder / "stderr.txt").find("Error loading file: Tarvex.cat"), std::string::npos);
}

}  // namespace
