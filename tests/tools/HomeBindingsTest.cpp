// The demo's "defcmds.cfg" against the Controls page: it names every command the page lists on
// a first start with the input the command has there, so that Default Keys sets every command
// back; and a command that lost its input (so that "default.cfg" no longer names it) comes back,
// unbound, at the next start.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/CConfigData.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "dx/input/SInputObj.h"
#include "dx/input/SInputs.h"
#include "sys/profile.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeTexts.h"

namespace {

namespace fs = std::filesystem;

class HomeBindingsTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = tarvex::test::MakeScratchFolder("HomeBindings");
        sys::profile::SetFile(m_folder + "/profile.ini");
        fs::create_directory(m_folder + "/Home");
        std::ofstream(m_folder + "/Home/defcmds.cfg", std::ios::binary) << home_texts::kDefaultCommands;
        fs::current_path(m_folder);
    }

    static void Run(SGameObjects& hub, const char* line) {
        SString response;
        hub.m_pInterpreter->ExecuteLine(SString(line), response);
    }
    // What a first start gives the Controls page: the written default settings, then the merge.
    static void FirstStart(SGameObjects& hub) {
        SInputs::SetDefaultBindings(hub.m_pInput->GetSettings(), 2);
        hub.ExecDefaultBindings();
    }

    tarvex::test::TestEnvironmentGuard m_guard;
    std::string m_folder;
};

TEST_F(HomeBindingsTest, TheScriptNamesEveryControlsRowWithItsFirstInput) {
    SGameObjects hub;
    FirstStart(hub);
    const SInputObjSettings firstStart = hub.m_pInput->GetSettings();
    // Default Keys on settings the player has emptied.
    hub.m_pInput->GetSettings().RemoveAllCommands();
    Run(hub, "exec defcmds.cfg");
    const SInputObjSettings& script = hub.m_pInput->GetSettings();
    EXPECT_EQ(firstStart.GetCommandCount(), script.GetCommandCount());
    for (int i = 0; i < firstStart.GetCommandCount(); ++i) {
        const SInputObjCommand& row = *firstStart.GetCommand(i);
        const SInputObjCommand* named = script.GetCommand(script.FindCommand(row.m_sName.GetString()));
        ASSERT_NE(nullptr, named) << row.m_sName.GetString();
        EXPECT_EQ(row.m_iKeyCode, named->m_iKeyCode) << row.m_sName.GetString();
        EXPECT_EQ(row.m_iMouseCode, named->m_iMouseCode) << row.m_sName.GetString();
        EXPECT_STREQ(row.m_sDisplayName.GetString(), named->m_sDisplayName.GetString());
    }
}

TEST_F(HomeBindingsTest, ACommandLeftUnboundComesBackAfterARestart) {
    {
        SGameObjects hub;
        FirstStart(hub);
        // Walk Backward takes End, which Step Right had; Step Right is then not saved.
        Run(hub, "bind end \"back\"");
        hub.m_pConfig->SaveToFile("default.cfg");
    }
    SGameObjects hub;
    Run(hub, "exec default.cfg");
    hub.ExecDefaultBindings();
    const SInputObjSettings& settings = hub.m_pInput->GetSettings();
    const SInputObjCommand* right = settings.GetCommand(settings.FindCommand("right"));
    ASSERT_NE(nullptr, right);
    EXPECT_TRUE(right->HasNoCode());
    EXPECT_STREQ("Step Right", right->m_sDisplayName.GetString());
    EXPECT_EQ(settings.FindCommand("back"), settings.FindCommandByCodes(SInputObjSettings::KeyConfigNameToCode("end"), -1, -1));
}

}  // namespace
