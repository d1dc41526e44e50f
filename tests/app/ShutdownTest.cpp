// The main loop and shut-down: closing the window ends the loop in the pass the quit message
// arrives, "default.cfg" is written with what changed during the run, the hub lets go of its
// catalog and the display, a failed start-up writes nothing, and the frame-rate rule.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "app/CConfigData.h"
#include "app/CSystemData.h"
#include "core/SCommandInterpreter.h"
#include "dx/input/SInputObj.h"
#include "sys/window/dialogs.h"
#include "tests/app/AppTestSupport.h"

namespace {

using tarvex::test::AppTest;
using tarvex::test::ReadWholeFile;
namespace headless_dialogs = sys::dialogs::headless;

class ShutdownTest : public AppTest {};

TEST_F(ShutdownTest, ClosingTheWindowEndsTheLoopAndSavesTheConfiguration) {
    ASSERT_TRUE(MakeApp().InitInstance());
    m_hub->m_pConfig->m_pSystem->m_iViewSize = 2;
    sys::window::headless::InjectClose();
    EXPECT_EQ(m_app->Run(), 0);
    EXPECT_EQ(m_app->m_bRunning, 0);
    EXPECT_EQ(m_app->m_iRunState, CTarvexApp::kRunQuitting);
    EXPECT_NE(ReadWholeFile((Home() / "default.cfg").string()).find("set game_viewsize \"2\""), std::string::npos);
    EXPECT_EQ(m_hub->m_pCatalog, nullptr);
    EXPECT_EQ(m_hub->m_pGraphics, nullptr);
    EXPECT_EQ(g_pCursor, nullptr);
}

TEST_F(ShutdownTest, AFailedStartUpWritesNoConfiguration) {
    std::filesystem::remove(Home() / "Tarvex.cat");
    ASSERT_FALSE(MakeApp().InitInstance());
    std::filesystem::remove(Home() / "default.cfg");
    m_app->ExitInstance();
    EXPECT_FALSE(std::filesystem::exists(Home() / "default.cfg"));
}

// Where Home cannot be written to (the player was told at start-up), shut-down neither writes
// "default.cfg" nor says it could not.
TEST_F(ShutdownTest, AHomeThatCannotBeWrittenIsLeftAsItWasWithoutAWord) {
    const std::string mine = "set cfg_sysprofile \"2\"\r\n";
    tarvex::test::WriteWholeFile((Home() / "default.cfg").string(), mine);
    ASSERT_TRUE(MakeApp().InitInstance());
    m_hub->m_bHomeReadOnly = 1;
    m_hub->m_pConfig->m_pSystem->m_iViewSize = 2;
    sys::window::headless::InjectClose();
    EXPECT_EQ(m_app->Run(), 0);
    EXPECT_EQ(ReadWholeFile((Home() / "default.cfg").string()), mine);
    EXPECT_TRUE(headless_dialogs::Shown().empty());
}

TEST_F(ShutdownTest, AConfigurationThatCannotBeSavedIsReported) {
    MakeApp();
    EXPECT_FALSE(CTarvexApp::SaveConfig(*m_hub->m_pConfig, "missing\\folder\\default.cfg"));
    const auto shown = headless_dialogs::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("Could not save to ", 0), 0u) << shown[0].text;

    // Settings that come to what one start reads are saved; a byte more, and the file is kept.
    CConfigData& config = *m_hub->m_pConfig;
    SInputObjSettings& input = m_hub->m_pInput->GetSettings();
    config.m_pInputSettings = &input;
    SInputObjCommand* pad = input.GetCommand(input.AddCommand("pad", "", 1, 49, -1, -1));
    pad->m_sDisplayName = std::string(SCommandInterpreter::kMaxExecBytes - config.SavedSize(), 'x').c_str();
    const std::string file = (Home() / "default.cfg").string();
    EXPECT_TRUE(CTarvexApp::SaveConfig(config, file.c_str()));
    pad->m_sDisplayName += 'x';
    EXPECT_FALSE(CTarvexApp::SaveConfig(config, file.c_str()));
    EXPECT_EQ(std::filesystem::file_size(file), SCommandInterpreter::kMaxExecBytes);
    const auto told = headless_dialogs::Shown();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[1].text.find(file + ": the settings come to 524,289 bytes"), std::string::npos) << told[1].text;
}

TEST(FrameRateTest, FirstPassIsInfiniteAndSlowPassesStopAtATenth) {
    EXPECT_EQ(CTarvexApp::FrameRate(0.0, 5.0), std::numeric_limits<float>::infinity());
    EXPECT_FLOAT_EQ(CTarvexApp::FrameRate(1.0, 21.0), 0.1f);
    EXPECT_FLOAT_EQ(CTarvexApp::FrameRate(2.0, 2.02), 50.0f);
    EXPECT_TRUE(std::isnan(CTarvexApp::FrameRate(std::nan(""), 1.0)));
}

}  // namespace
