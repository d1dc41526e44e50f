// Start-up as the player sees it on the headless platform: the splash picture drawn into the
// bare window and its sound waited for, missing splash files, the wait cursor, and the
// first-run benchmark's progress dialog.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sys/audio/headless/headless_playsound.h"
#include "sys/time/time.h"
#include "sys/window/headless/headless_paint.h"
#include "sys/window/wait_cursor.h"
#include "tests/app/AppTestSupport.h"
#include "tests/dx/sound/WaveWriter.h"
#include "tests/support/ReferenceImage.h"

namespace {

using tarvex::test::AppTest;
using tarvex::test::WriteWholeFile;
namespace paint = sys::window::headless;
namespace player = sys::audio::headless;

class StartupSplashTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        player::ResetPlaySound();
        sys::time::SetFakeTicks(20000);
        std::filesystem::create_directories(Home());
    }
    void TearDown() override {
        player::ResetPlaySound();
        AppTest::TearDown();
    }
    void WriteSplash(bool picture, bool sound) {
        // An 8 x 4 picture of one colour.
        if (picture)
            tarvex::test::WriteBmp((Home() / "splash.bmp").string(),
                                   tarvex::test::Image{8, 4, std::vector<uint32_t>(32, 0x00C86432u)});
        if (sound) {
            tarvex::test::WaveSpec spec;
            spec.data = tarvex::test::Samples16(std::vector<int16_t>(5512, 3000));  // 250 ms
            tarvex::test::WriteBytes((Home() / "splash.wav").string(), tarvex::test::MakeWave(spec));
        }
    }
};

TEST_F(StartupSplashTest, TheSplashIsDrawnIntoTheBareWindowAndItsSoundIsWaitedFor) {
    WriteSplash(true, true);
    ASSERT_TRUE(MakeApp().InitInstance());
    const auto shown = paint::PicturesShown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].tick, 20000u);  // first of all, before the sound and the display
    EXPECT_EQ(shown[0].width, 640);
    const auto picture = paint::ShownPicture();
    ASSERT_EQ(picture.size(), 640u * 480u);
    EXPECT_EQ(picture[0], 0x00C86432u);
    EXPECT_EQ(picture[3 * 640 + 7], 0x00C86432u);
    EXPECT_EQ(picture[8], 0u);

    const auto calls = player::PlaySoundCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "splash.wav");
    EXPECT_EQ(calls[0].flags, 0x00022002u);  // file name, no default sound, no wait for a busy device
    EXPECT_TRUE(calls[0].played);
    EXPECT_EQ(calls[0].startTick, 20000u);
    EXPECT_GE(calls[0].endTick - calls[0].startTick, 250u);
    // The display came after; the window's picture waits under its frames.
    EXPECT_NE(m_hub->m_pGraphics, nullptr);
}

TEST_F(StartupSplashTest, MissingSplashFilesAreNoError) {
    struct Case {
        bool picture;
        bool sound;
        size_t soundCalls;
    };
    // The sound is only tried after the picture was read.
    for (const Case& c : {Case{false, false, 0}, Case{true, false, 1}, Case{false, true, 0}}) {
        TearDown();
        SetUp();
        WriteSplash(c.picture, c.sound);
        ASSERT_TRUE(MakeApp().InitInstance()) << c.picture << c.sound;
        EXPECT_TRUE(sys::dialogs::headless::Shown().empty());
        EXPECT_TRUE(sys::window::IsWindowVisible(sys::window::GetMainWindow()));
        const auto calls = player::PlaySoundCalls();
        ASSERT_EQ(calls.size(), c.soundCalls);
        for (const auto& call : calls)
            EXPECT_FALSE(call.played);
    }
}

TEST_F(StartupSplashTest, TheWaitCursorCoversTheConfigurationAndTheHardwareStartUp) {
    ASSERT_TRUE(MakeApp().InitInstance());
    const sys::HCURSOR wait = sys::window::WaitCursor();
    const sys::HCURSOR arrow = sys::window::ArrowCursor();
    EXPECT_EQ(paint::PointerShapes(), (std::vector<sys::HCURSOR>{wait, arrow, wait, arrow}));
    EXPECT_EQ(sys::window::WaitCursorDepth(), 0);
}

TEST_F(StartupSplashTest, TheFirstRunBenchmarkShowsItsProgressDialogFromStartToEnd) {
    WriteWholeFile((Home() / "default.cfg").string(), "set game_viewsize \"3\"\r\n");
    sys::dialogs::headless::ScriptAnswer(sys::IDYES);
    ASSERT_TRUE(MakeApp().InitInstance());
    const auto dialogs = paint::ProgressDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Tarvex");
    EXPECT_EQ(dialogs[0].text,
              "The configuration program will now test your system to determine appropriate default settings.");
    EXPECT_EQ(dialogs[0].low, 0);
    EXPECT_EQ(dialogs[0].high, 100);
    // One step every tenth of the 999 passes: (0 + 1) / 10 = 0 up to (990 + 1) / 10 = 99.
    std::vector<int> expected;
    for (int position = 0; position <= 99; ++position)
        expected.push_back(position);
    EXPECT_EQ(dialogs[0].positions, expected);
    EXPECT_FALSE(dialogs[0].open);
    // Taken away again: the window shows what was under it.
    const auto picture = paint::ShownPicture();
    ASSERT_EQ(picture.size(), 640u * 480u);
    EXPECT_EQ(picture[240 * 640 + 320], 0u);
}

}  // namespace
