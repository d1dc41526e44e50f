// The log writer: truncating, appending to a file found in any letter case and folder, and
// never failing.

#include <gtest/gtest.h>

#include "tests/support/ScratchFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/SLog.h"

namespace {

namespace fs = std::filesystem;

class LogWriter : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = tarvex::test::MakeScratchFolder("core-scratch");
        fs::create_directories(folder_ / "Logs");
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& relative) const { return (folder_ / relative).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static size_t FileCount(const fs::path& folder) {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
            ++count;
        return count;
    }

    fs::path folder_;
};

}  // namespace

TEST_F(LogWriter, TruncateLeavesOnlyTheNewLine) {
    const std::string log = Path("Debug.log");
    std::ofstream(log, std::ios::binary) << "old line\r\n";
    EXPECT_TRUE(WriteLog("Frame 1", true, log.c_str()));
    EXPECT_EQ(Read(log), "Frame 1\r\n");
}

TEST_F(LogWriter, LinesAppendAfterEarlierOnes) {
    const std::string log = Path("Debug.log");
    EXPECT_TRUE(WriteLog("first", false, log.c_str()));  // created when missing
    EXPECT_TRUE(WriteLog("second", false, log.c_str()));
    EXPECT_TRUE(WriteLog("", false, log.c_str()));
    EXPECT_EQ(Read(log), "first\r\nsecond\r\n\r\n");
}

TEST_F(LogWriter, AppendsToTheFileWhateverTheCaseOfItsName) {
    const std::string log = Path("Logs/Debug.log");
    std::ofstream(log, std::ios::binary) << "kept\r\n";
    // The folder written the data's way and every component in another case.
    const std::string otherCase = folder_.string() + "\\LOGS\\DEBUG.LOG";
    EXPECT_TRUE(WriteLog("added", false, otherCase.c_str()));
    EXPECT_EQ(Read(log), "kept\r\nadded\r\n");
    EXPECT_EQ(FileCount(folder_ / "Logs"), 1u);
}

TEST_F(LogWriter, UnwritableFilesStillAnswerTrue) {
    const std::string missingFolder = Path("NoSuchFolder/Debug.log");
    EXPECT_TRUE(WriteLog("lost", false, missingFolder.c_str()));
    EXPECT_TRUE(WriteLog("lost", true, missingFolder.c_str()));
    EXPECT_FALSE(fs::exists(folder_ / "NoSuchFolder"));
    // A folder where the file should be.
    EXPECT_TRUE(WriteLog("lost", false, Path("Logs").c_str()));
    EXPECT_TRUE(fs::is_directory(folder_ / "Logs"));
    EXPECT_TRUE(WriteLog("lost", false, ""));
}
