// Screenshots: numbered files in their folder, the first free number from 1 filling gaps, the
// whole picture written, a picture that cannot be written leaving no file, and in a window
// the window's own picture.

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

TEST_F(ScreenshotTest, AWindowedScreenshotIsThePictureInTheWindow) {
    ASSERT_EQ(Reset(0), 1);
    // In a window the primary is the desktop: mark a block inside the client area and one
    // just outside it, where a frame would be.
    sys::POINT origin{0, 0};
    ASSERT_TRUE(sys::window::ClientToScreen(window, origin));
    const sys::RECT inside{origin.x + 10, origin.y + 20, origin.x + 30, origin.y + 25};
    const sys::RECT outside{origin.x - 3, origin.y - 3, origin.x, origin.y};
    graphics.GetPrimary()->Clear(&outside, 0x0000FF);
    graphics.GetPrimary()->Clear(&inside, 0xFF0000);
    const auto& frame = sys::video::headless::LastFrame();
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);

    const fs::path previous = fs::current_path();
    fs::current_path(fs::path(folder).parent_path());
    graphics.SaveScreenShot();
    const auto bytes = Bytes(folder + "/ScreenShot1.bmp");
    fs::current_path(previous);
    ASSERT_EQ(bytes.size(), 54u + 640u * 3u * 480u);
    EXPECT_EQ(bytes[18] | (bytes[19] << 8), 640);
    EXPECT_EQ(bytes[22] | (bytes[23] << 8), 480);
    // Rows bottom first, blue, green, red: pixel for pixel what the window shows.
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const size_t at = 54u + static_cast<size_t>(479 - y) * 1920u + static_cast<size_t>(x) * 3u;
            const uint32_t pixel = bytes[at] | bytes[at + 1] << 8 | static_cast<uint32_t>(bytes[at + 2]) << 16;
            ASSERT_EQ(pixel, frame.At(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(frame.At(10, 20), 0xFF0000u);
    EXPECT_EQ(frame.At(0, 0), 0u);
}

}  // namespace
