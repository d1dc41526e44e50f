// Mapping the data's paths to this machine: backslashes, letter case of every component, drive
// prefixes and roots, "." and "..", and components that do not exist yet.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/ScratchFolder.h"
#include "sys/fs/fs.h"

namespace {

namespace fsys = std::filesystem;

// A fresh folder per test under the test binary folder, made the working directory for the
// length of the test and removed afterwards.
class PathResolutionTest : public testing::Test {
protected:
    void SetUp() override {
        m_root = tarvex::test::MakeScratchFolder("sysfs-scratch");
        m_previous = fsys::current_path();
        fsys::current_path(m_root);
    }
    void TearDown() override {
        fsys::current_path(m_previous);
        fsys::remove_all(m_root);
    }
    void MakeFile(const std::string& relative) {
        fsys::path path = fsys::path(m_root) / relative;
        fsys::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }

    std::string m_root;
    fsys::path m_previous;
};

TEST_F(PathResolutionTest, EveryComponentMatchesWithoutRegardToCase) {
    MakeFile("Data/Images/Sky.bmp");
    EXPECT_EQ(sys::fs::NativePath(m_root + "\\DATA\\images\\SKY.BMP"), m_root + "/Data/Images/Sky.bmp");
    EXPECT_EQ(sys::fs::NativePath(m_root + "/data/IMAGES/sky.bmp"), m_root + "/Data/Images/Sky.bmp");
    EXPECT_EQ(sys::fs::NativePath("data\\images\\sky.BMP"), "Data/Images/Sky.bmp");
}

TEST_F(PathResolutionTest, ExactCaseWinsThenByteOrder) {
    MakeFile("readme.txt");
    MakeFile("README.txt");
    MakeFile("ReadMe.txt");
    EXPECT_EQ(sys::fs::NativePath("readme.txt"), "readme.txt");
    EXPECT_EQ(sys::fs::NativePath("ReadMe.txt"), "ReadMe.txt");
    // No exact entry: "README.txt" < "ReadMe.txt" < "readme.txt" in byte order.
    EXPECT_EQ(sys::fs::NativePath("READme.TXT"), "README.txt");
}

TEST_F(PathResolutionTest, MissingComponentsAreKeptAsWritten) {
    MakeFile("data/old.txt");
    EXPECT_EQ(sys::fs::NativePath(m_root + "\\DATA\\NewDir\\File.TXT"), m_root + "/data/NewDir/File.TXT");
    // Below a missing folder nothing is matched, even a name that exists elsewhere.
    EXPECT_EQ(sys::fs::NativePath("Missing\\DATA"), "Missing/DATA");
    EXPECT_EQ(sys::fs::NativePath("DATA\\OLD.TXT\\x"), "data/old.txt/x");
}

TEST_F(PathResolutionTest, DriveAndDataRootsMeanTheWorkingDirectory) {
    MakeFile("Home/Tarvex.cat");
    EXPECT_EQ(sys::fs::NativePath("C:\\home\\TARVEX.CAT"), "Home/Tarvex.cat");
    EXPECT_EQ(sys::fs::NativePath("c:home\\tarvex.cat"), "Home/Tarvex.cat");
    // An empty base path joined with "\Resources" must find the folder here.
    EXPECT_EQ(sys::fs::NativePath("\\HOME"), "Home");
    EXPECT_EQ(sys::fs::NativePath(""), ".");
    EXPECT_EQ(sys::fs::NativePath("C:"), ".");
    EXPECT_EQ(sys::fs::NativePath("C:\\"), ".");
    EXPECT_EQ(sys::fs::NativePath("\\"), ".");
}

TEST_F(PathResolutionTest, SlashRootIsTheFileSystemRoot) {
    MakeFile("Home/a.txt");
    EXPECT_EQ(sys::fs::NativePath(m_root), m_root);
    EXPECT_EQ(sys::fs::NativePath(m_root + "/home/A.TXT"), m_root + "/Home/a.txt");
    EXPECT_EQ(sys::fs::NativePath("/"), "/");
    EXPECT_EQ(sys::fs::NativePath("/.."), "/");
}

TEST_F(PathResolutionTest, DotsAndSeparatorsAreApplied) {
    MakeFile("Data/x.txt");
    EXPECT_EQ(sys::fs::NativePath(m_root + "\\Data\\.\\..\\DATA\\X.txt"), m_root + "/Data/x.txt");
    EXPECT_EQ(sys::fs::NativePath(m_root + "\\\\data\\\\"), m_root + "/Data");
    EXPECT_EQ(sys::fs::NativePath(".\\data\\.\\"), "Data");
    EXPECT_EQ(sys::fs::NativePath("a\\..\\..\\b"), "../b");
    EXPECT_EQ(sys::fs::NativePath("data\\.."), ".");
}

TEST_F(PathResolutionTest, ParentOfARelativePathIsResolvedToo) {
    MakeFile("Data/Sub/f.txt");
    fsys::current_path(fsys::path(m_root) / "Data" / "Sub");
    EXPECT_EQ(sys::fs::NativePath("..\\SUB\\F.TXT"), "../Sub/f.txt");
    EXPECT_EQ(sys::fs::FullPath("..\\SUB\\F.TXT"), m_root + "/Data/Sub/f.txt");
    EXPECT_EQ(sys::fs::FullPath("..\\..\\data"), m_root + "/Data");
}

TEST_F(PathResolutionTest, FullPathIsAbsolute) {
    MakeFile("Data/x.txt");
    EXPECT_EQ(sys::fs::FullPath(""), m_root);
    EXPECT_EQ(sys::fs::FullPath("\\data\\X.TXT"), m_root + "/Data/x.txt");
    EXPECT_EQ(sys::fs::FullPath(m_root + "\\DATA"), m_root + "/Data");
}

TEST_F(PathResolutionTest, ANulByteIsRefused) {
    EXPECT_EQ(sys::fs::NativePath(std::string("a\0b", 3)), "");
}

}  // namespace
