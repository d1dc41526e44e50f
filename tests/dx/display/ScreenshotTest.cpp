// Screenshots: numbered files in their folder, the first free number from 1 filling gaps, the
// whole picture written, and a picture that cannot be written leaving no file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "GraphicsTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace tarvex::test;

class ScreenshotTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        folder = MakeScratchFolder("ScreenshotTest") + "/ScreenShots";
        ASSERT_EQ(Reset(1), 1);  // full screen: the primary is the 640 x 480 picture
    }
    static void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
    static std::vector<unsigned char> Bytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string folder;
};

TEST_F(ScreenshotTest, NumbersStartAtOneAndFillTheFirstGap) {
    const sys::RECT rect{0, 0, 8, 4};
    ASSERT_TRUE(SGraphics::WriteScreenShotFile(graphics.GetPrimary(), &rect, folder.c_str(), "ScreenShot"));
    EXPECT_TRUE(fs::exists(folder + "/ScreenShot1.bmp"));

    Touch(folder + "/ScreenShot3.bmp");
    ASSERT_TRUE(SGraphics::WriteScreenShotFile(graphics.GetPrimary(), &rect, folder.c_str(), "ScreenShot"));
    EXPECT_TRUE(fs::exists(folder + "/ScreenShot2.bmp"));
    ASSERT_TRUE(SGraphics::WriteScreenShotFile(graphics.GetPrimary(), &rect, folder.c_str(), "ScreenShot"));
    EXPECT_TRUE(fs::exists(folder + "/ScreenShot4.bmp"));
    EXPECT_EQ(Bytes(folder + "/ScreenShot3.bmp").size(), 1u);  // never overwritten
}

TEST_F(ScreenshotTest, APictureThatCannotBeWrittenLeavesNoFile) {
    const sys::RECT empty{5, 5, 5, 5};
    EXPECT_FALSE(SGraphics::WriteScreenShotFile(graphics.GetPrimary(), &empty, folder.c_str(), "ScreenShot"));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_FALSE(SGraphics::WriteScreenShotFile(nullptr, &empty, folder.c_str(), "ScreenShot"));
    EXPECT_FALSE(SGraphics::WriteScreenShotFile(graphics.GetPrimary(), nullptr, folder.c_str(), "ScreenShot"));
}

TEST_F(ScreenshotTest, SaveScreenShotWritesTheWholeFullScreenPicture) {
    const fs::path previous = fs::current_path();
    fs::current_path(fs::path(folder).parent_path());
    graphics.SaveScreenShot();
    const auto bytes = Bytes(folder + "/ScreenShot1.bmp");
    fs::current_path(previous);
    ASSERT_EQ(bytes.size(), 54u + 640u * 3u * 480u);
    EXPECT_EQ(bytes[18] | (bytes[19] << 8), 640);
    EXPECT_EQ(bytes[22] | (bytes[23] << 8), 480);
}

}  // namespace
