// The program on the demo Home folder as a player meets it, on the headless backend with the
// fake clock: the main menu is drawn as the reference picture shows it, every menu button leads
// where it should and back, and the quit button ends the program, which writes "default.cfg".

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/SFrontEndHooks.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/dialogs/SControlsDialog.h"
#include "frontend/dialogs/SGameOptionsDialog.h"
#include "frontend/dialogs/SPerformanceDialog.h"
#include "frontend/dialogs/SSoundDialog.h"
#include "frontend/dialogs/SVideoDialog.h"
#include "frontend/screens/SSettingsScreen.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SHelpScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "render/SD3D6Parser.h"
#include "sys/profile.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "tests/app/AppTestSupport.h"
#include "tests/frontend/WalkTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

namespace fs = std::filesystem;

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MenuWalkTest : public tarvex::test::DemoWalkTest {
protected:
    // The help page shows "help.sss" and its text has scrolled to the line.
    static Step HelpScrolledTo(int line) {
        return [line] {
            auto* help = dynamic_cast<SHelpScreen*>(Manager()->GetCurrentScreen());
            EXPECT_NE(help, nullptr);
            if (help != nullptr) {
                EXPECT_NE(std::string(help->GetText()).find("Tarvex"), std::string::npos);
                EXPECT_EQ(help->GetScrollPosition(), line);
            }
            return true;
        };
    }
    // The settings page shows an option dialog of the class, with its layout from the catalog.
    template <class T>
    static Step Shows() {
        return [] {
            auto* settings = dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen());
            EXPECT_NE(settings, nullptr);
            auto* dialog = settings != nullptr ? dynamic_cast<T*>(settings->GetDialog()) : nullptr;
            EXPECT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog != nullptr && dialog->GetLayout() != nullptr);
            return true;
        };
    }
    Step Capture(tarvex::test::Image& image) {
        return [&image] {
            const auto& frame = sys::video::headless::LastFrame();
            image = tarvex::test::Image{frame.width, frame.height, frame.pixels};
            return true;
        };
    }
};

TEST_F(MenuWalkTest, APlayerWalksThroughTheMenusAndQuits) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        tarvex::test::Image mainMenu;
        app.m_steps = {
            Reached(0), Capture(mainMenu),
            Click(40), Reached(6), Click(9021), Click(9021), Click(9019), HelpScrolledTo(1), Click(222), Reached(0),
            Click(50), Reached(9), Click(333), Reached(12), Click(222), Reached(9), Click(222), Reached(0),
            Click(30), Reached(7), Click(222), Reached(0),
            Click(60),
        };
        ASSERT_TRUE(app.InitInstance());
        fs::remove(Home() / "default.cfg");
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        EXPECT_TRUE(tarvex::test::MatchesReference(mainMenu, "frontend/main_menu.png", 4, 600));
        // The quit button closed the window and the shut-down saved the configuration.
        EXPECT_NE(ReadAll(Home() / "default.cfg").find("set cfg_sysprofile"), std::string::npos);
    });
}

TEST_F(MenuWalkTest, TheSettingsPageShowsEachOptionDialogFromTheDemoData) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        app.m_steps = {
            Reached(0),        Click(30),         Reached(7),           Shows<SGameOptionsDialog>(),
            Click(200),        Shows<SPerformanceDialog>(), Click(300), Shows<SControlsDialog>(),
            Click(400),        Shows<SVideoDialog>(),       Click(500), Shows<SSoundDialog>(),
            Click(100),        Shows<SGameOptionsDialog>(), Click(222), Reached(0),
            Click(60),
        };
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        // Nothing was changed, so nothing was asked.
        EXPECT_TRUE(sys::dialogs::headless::Shown().empty());
    });
}

}  // namespace

namespace {

TEST_F(MenuWalkTest, APlayerCreatesAnOfficerChoosesItAndSeesItsPage) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        const auto typeName = [] {
            SWindow* box = Manager()->GetCurrentScreen()->GetLayout()->FindChild(200);
            EXPECT_NE(box, nullptr);
            if (box != nullptr)
                box->SetText("Walker");
            return true;
        };
        const auto showsOfficer = [] {
            CString name;
            if (SWindow* text = Manager()->GetCurrentScreen()->GetLayout()->FindChild(200))
                text->GetText(name);
            EXPECT_EQ(std::string(name.GetString()), "Walker");
            return true;
        };
        app.m_steps = {
            Reached(0), Click(10), Reached(1), typeName, Click(111), Reached(3), showsOfficer,
            Click(222), Reached(2), showsOfficer, Click(111), Reached(3), showsOfficer,
            Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        fs::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        // The officer was written when it was made and is the one remembered.
        EXPECT_NE(ReadAll(Home() / "player.cfg").find("Walker"), std::string::npos);
        EXPECT_EQ(sys::profile::GetString(sys::profile::Kind::Application, "Settings", "LastPlayer", ""), "Walker");
    });
}

}  // namespace

namespace {

// The library's tally of the range, as it reports it by name.
std::string Tally(const char* name) {
    SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
    const char* value = library != nullptr ? library->GetProperty(name) : nullptr;
    return value != nullptr ? value : "(none)";
}

// The ground decals the renderer holds; -1 without a renderer.
int Decals() {
    const SD3D6Parser* scene = SGameObjects::Instance()->m_pGameItems->m_pParser;
    return scene != nullptr ? scene->m_iDecalCount : -1;
}

// A game command as the console sends it: pressed, or with its movement in degrees.
void Play(const char* command, const char* amount) {
    SGameObjects* hub = SGameObjects::Instance();
    const int index = hub->m_pGameItems->m_pCommands->FindByName(command);
    EXPECT_GE(index, 0) << command;
    hub->m_pGameDLL->DoCommand(index, amount != nullptr ? 2 : 0, amount);
}

TEST_F(MenuWalkTest, AnOfficerShootsOnTheTargetRangeAndComesBackToTheScenarioPage) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        const auto typeName = [] {
            if (SWindow* box = Manager()->GetCurrentScreen()->GetLayout()->FindChild(200))
                box->SetText("Ranger");
            return true;
        };
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        int wait = 0;
        const auto settle = [&wait] { return ++wait >= 10; };
        tarvex::test::Image frame;
        // The officer's eye is 1.7 m up, the boards 2 m tall 20 m ahead: level, the shot lands
        // 0.15 down the middle board, in its head region (5 points); 30 degrees down it meets the
        // ground short of the boards.
        int decals = -1;
        const auto shootTarget = [&decals] {
            decals = Decals();
            EXPECT_GE(decals, 0);
            Play("fire", nullptr);
            EXPECT_EQ(Decals(), decals);  // a board takes no mark
            EXPECT_EQ(Tally("Hits"), "1");
            EXPECT_EQ(Tally("LastRegion"), "Head");
            EXPECT_EQ(Tally("Score"), "5");
            return true;
        };
        const auto shootGround = [&decals] {
            Play("lookupdown", "-30");
            Play("fire", nullptr);
            EXPECT_EQ(Tally("Shots"), "2");
            EXPECT_EQ(Tally("Hits"), "1");
            EXPECT_EQ(Tally("LastRegion"), "");
            EXPECT_EQ(Decals(), decals + 1);
            // The hole lies where the shot met the ground, 1.7 / tan 30 = 2.944 m ahead of the
            // officer at the map's centre (4096 m), in scene units (x 8).
            SD3D6Parser* scene = SGameObjects::Instance()->m_pGameItems->m_pParser;
            if (scene != nullptr && decals >= 0) {
                const ActorDesc& hole = scene->m_pDecalRing[decals];
                EXPECT_NEAR(hole.m_vPosition.x, 32768.0f, 0.1f);
                EXPECT_NEAR(hole.m_vPosition.z, 32791.55f, 0.1f);
                char name[128] = {};
                scene->GetTextureName(hole.m_nModelIndex, name, sizeof name);
                EXPECT_NE(std::string(name).find("bullethole"), std::string::npos) << name;
            }
            return true;
        };
        const auto exitCommand = [] {
            SString output;
            SGameObjects::Instance()->m_pInterpreter->ExecuteLine(SString("EXIT"), output);
            return true;
        };
        app.m_steps = {
            Reached(0), Click(10), Reached(1), typeName, Click(111), Reached(3), Click(10), Reached(4), Click(111),
            playing, settle, Capture(frame), shootTarget, shootGround, exitCommand, exitCommand,
            Reached(4), Click(222), Reached(3), Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        fs::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        EXPECT_TRUE(tarvex::test::MatchesReference(frame, "frontend/range_frame.png", 4, 600));
    });
}

}  // namespace
