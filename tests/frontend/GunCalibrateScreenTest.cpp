// The light-gun calibration page through the screen manager on the fake clock, with a gun on a
// headless joystick and the stand-in gun library recording its calls: the target points, the
// button positions and texts, the shots with their hold, and where Done and Back lead.

#include "frontend/screens/SGunCalibrateScreen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSystemData.h"
#include "app/SConsoleHostImpl.h"
#include "app/SFrontEndHooks.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SDXActLabsGS.h"
#include "dx/input/SInputObj.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/hud/SAppLayout.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/input/headless/headless_input.h"
#include "sys/library.h"
#include "sys/profile.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "sys/window/shell.h"
#include "tests/dx/display/GraphicsTestSupport.h"
#include "tests/dx/input/InputTestSupport.h"
#include "tests/frontend/ScreenTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "ui/SDC.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SButton.h"

namespace {

namespace fs = std::filesystem;

class GunCalibrateScreenTest : public tarvex::test::InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        m_previous = fs::current_path();
        const std::string folder = tarvex::test::MakeScratchFolder("GunCalibrate");
        sys::profile::SetFile(folder + "/profile.ini");
        sys::window::ClearShellRequests();
        SWindow::SetResourceCatalog(&m_catalog);
        SDisplayHost::SetInstance(&m_host);
        sys::video::headless::Reset();
        m_savedGraphics = m_pHub->m_pGraphics;
        m_pHub->m_pGraphics = &m_graphics;
        m_graphics.GetDrivers().Enumerate();
        m_graphics.SetShell(&m_shell);
        AddLayout();
        m_setup.CreateScreens(m_pHub);
        m_pManager = m_pHub->m_pScreenManager;
        m_pManager->SetSurfaces(&m_context, nullptr);
        m_pManager->SetScreenFactory(2, &screentest::MakeRecordingScreen<2>);
        m_pManager->SetScreenFactory(11, &screentest::MakeRecordingScreen<11>);
    }
    void TearDown() override {
        m_pManager->DeleteAllScreens();
        delete m_pManager;
        m_pHub->m_pScreenManager = nullptr;
        m_pHub->m_pInput->Cleanup();
        m_pHub->m_pInput->GetSettings().m_iLightGun = 0;
        m_pHub->m_pGraphics = m_savedGraphics;
        m_graphics.ReleaseSurfaces();
        sys::video::headless::Reset();
        sys::library::Unload(m_library);
        SDisplayHost::SetInstance(nullptr);
        SWindow::SetResourceCatalog(nullptr);
        sys::profile::SetFile("");
        fs::current_path(m_previous);
        InputTest::TearDown();
    }

    // The page's layout: Done and Back buttons 100 x 30 and the instruction text.
    void AddLayout() {
        auto* layout = new SScreen;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
        (new SButton)->CreateButton("", 0, sys::RECT{0, 0, 100, 30}, layout, SGunCalibrateScreen::kDoneButton);
        (new SButton)->CreateButton("", 0, sys::RECT{0, 40, 100, 70}, layout, SGunCalibrateScreen::kBackButton);
        (new SWindow)->Create(nullptr, "", 0, sys::RECT{100, 100, 500, 300}, layout,
                              SGunCalibrateScreen::kInstructionText, nullptr);
        auto* item = new SCatalogItem(kKindScreen, "GunCalibrate", "MiscScreens", "");
        item->SetResource(layout);
        m_catalog.AddItem(item);
    }
    // The input object with light-gun input; with `attached` a gun on the joystick port, whose
    // library is the stand-in.
    void MakeInput(bool attached) {
        fs::current_path(std::string(TARVEX_TEST_BINARY_DIR) + "/dx/input/lightgun");
        m_library = sys::library::Load("ActGSDev.dll");
        ASSERT_NE(m_library, nullptr);
        if (attached) {
            sys::input::headless::Joystick gun;
            gun.name = "Gun";
            gun.axes = 8;
            gun.buttons = 12;
            sys::input::headless::AttachJoystick(gun);
        }
        SInputObjSettings settings = m_pHub->m_pInput->GetSettings();
        settings.m_iLightGun = 1;
        settings.m_iCalibrateLightGun = 1;
        ASSERT_TRUE(m_pHub->m_pInput->Create(settings));
        GunLog();
    }
    // The gun library's calls since the last look.
    std::string GunLog() {
        auto log = reinterpret_cast<const char* (*)()>(sys::library::Symbol(m_library, "TvGunCallLog"));
        auto clear = reinterpret_cast<void (*)()>(sys::library::Symbol(m_library, "TvGunClearLog"));
        const std::string text = log != nullptr ? log() : "";
        if (clear != nullptr)
            clear();
        return text;
    }
    // The display brought up in the mode, then the page entered.
    SGunCalibrateScreen* Enter(bool fullScreen) {
        m_graphics.ReleaseSurfaces();
        m_graphics.SetDisplayOptions(1, fullScreen ? 1 : 0);
        EXPECT_NE(m_graphics.ResetDisplayMode(), 0);
        EXPECT_EQ(m_pManager->SwitchTo(SGunCalibrateScreen::kScreenId) != 0, true);
        return dynamic_cast<SGunCalibrateScreen*>(m_pManager->GetCurrentScreen());
    }
    SWindow* Control(SGunCalibrateScreen* page, uint32_t id) { return page->GetLayout()->FindChild(id); }
    void At(uint32_t now) { sys::time::SetFakeTicks(now); }
    std::string Text(SGunCalibrateScreen* page) {
        CString text;
        return std::string(Control(page, SGunCalibrateScreen::kInstructionText)->GetText(text));
    }

    fs::path m_previous;
    SGameObjects* m_pHub = SGameObjects::Instance();
    SGraphics* m_savedGraphics = nullptr;
    sys::library::Handle m_library = nullptr;
    SCatalog m_catalog;
    SDC m_context;
    SFrontEndSetup m_setup;
    tarvex::test::CallLog m_displayLog;
    tarvex::test::RecordingShell m_shell{m_displayLog};
    SGraphics m_graphics;
    SGraphicsHost m_host{&m_graphics};
    SScreenManager* m_pManager = nullptr;
};

TEST_F(GunCalibrateScreenTest, InFullScreenTheGunCalibratesAndThePageIsLaidOutForTheMode) {
    MakeInput(true);
    SGunCalibrateScreen* page = Enter(true);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetTargetPoint(0), (sys::POINT{160, 360}));
    EXPECT_EQ(page->GetTargetPoint(1), (sys::POINT{480, 120}));
    EXPECT_EQ(page->GetTargetIndex(), 0);
    EXPECT_EQ(Control(page, SGunCalibrateScreen::kBackButton)->GetWindowRect(), (sys::RECT{20, 430, 120, 460}));
    EXPECT_EQ(Control(page, SGunCalibrateScreen::kDoneButton)->GetWindowRect(), (sys::RECT{512, 430, 612, 460}));
    EXPECT_EQ(Text(page), SGunCalibrateScreen::kFullScreenText);
    EXPECT_EQ(Control(page, SGunCalibrateScreen::kDoneButton)->GetModalParent(), 1);
    EXPECT_TRUE(m_pHub->m_pInput->IsMouseInput());
    // The placement gives the gun the screen's range (in full screen the mode's), then the page
    // starts the calibration.
    EXPECT_EQ(GunLog(), "GS_UnlockResolution()\nGS_SetResolutionRange(640,480)\nGS_SetCalibrationMode(32,0)\n");
    EXPECT_TRUE(sys::window::ShellRequests().empty());
    ASSERT_NE(page->GetBackground(), nullptr);
    EXPECT_EQ(page->GetLayout()->GetChildren()->GetHead(), static_cast<SWindow*>(page->GetBackground()));
}

TEST_F(GunCalibrateScreenTest, AtTheGameResolutionTheTargetsFollowTheModeAndBackRestoresTheMenus) {
    MakeInput(true);
    CConfigData* config = m_pHub->m_pConfig;
    const int savedFullScreen = config->m_pSystem->m_bFullScreen;
    config->m_pSystem->m_bFullScreen = 1;
    const int savedSoftware = config->m_pGraphics->m_bSoftware;
    config->m_pGraphics->m_bSoftware = 0;
    config->m_pGraphics->m_iWidth = 800;
    config->m_pGraphics->m_iHeight = 600;
    SGunCalibrateScreen* page = Enter(true);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(m_graphics.GetWidth(), 800);
    EXPECT_EQ(m_graphics.GetHeight(), 600);
    EXPECT_EQ(page->GetTargetPoint(0), (sys::POINT{200, 450}));
    EXPECT_EQ(page->GetTargetPoint(1), (sys::POINT{600, 150}));
    EXPECT_EQ(page->GetLayout()->GetWindowRect(), (sys::RECT{0, 0, 800, 600}));
    EXPECT_EQ(Control(page, SGunCalibrateScreen::kDoneButton)->GetWindowRect(), (sys::RECT{672, 550, 772, 580}));
    page->OnNotify(SGunCalibrateScreen::kBackButton, SWindow::kNotifyClick);
    EXPECT_EQ(m_graphics.GetWidth(), 640);
    EXPECT_EQ(m_graphics.GetHeight(), 480);
    EXPECT_NE(m_graphics.GetPrimary(), nullptr) << "the display is built again for the menus";
    config->m_pSystem->m_bFullScreen = savedFullScreen;
    config->m_pGraphics->m_bSoftware = savedSoftware;
    config->m_pGraphics->m_iWidth = 640;
    config->m_pGraphics->m_iHeight = 480;
}

TEST_F(GunCalibrateScreenTest, ShotsAreHeldHalfASecondAndTheTargetThenAlternates) {
    MakeInput(true);
    At(10000);
    SGunCalibrateScreen* page = Enter(true);
    // The gun points elsewhere than the system pointer; the hole follows the gun.
    sys::window::headless::InjectMouseMove(300, 200);
    sys::input::headless::SetJoystickAxis(0, 6, 400);
    sys::input::headless::SetJoystickAxis(0, 7, 250);
    sys::input::headless::SetJoystickPov(0, 0, 4);
    SDXActLabsGS* gun = m_pHub->m_pInput->GetLightGun();
    ASSERT_NE(gun, nullptr);
    ASSERT_TRUE(gun->Update());
    sys::POINT aim{gun->GetX(), gun->GetY()};
    sys::window::ScreenToClient(sys::window::GetMainWindow(), aim);
    ASSERT_NE(aim, (sys::POINT{300, 200}));
    const std::vector<sys::POINT> none;
    const std::vector<sys::POINT> first{{160, 360}};
    const std::vector<sys::POINT> hit{aim};
    struct Step {
        uint32_t now;
        bool shoot;  // else draw
        int shots;
        int target;
        const std::vector<sys::POINT>* holes;
        uint8_t doneFlag;
    };
    const Step steps[] = {
        {10000, true, 1, 0, &first, 1},   // the first shot always marks the first target point
        {10300, true, 1, 0, &first, 1},   // within the hold: the same shot
        {10499, false, 1, 0, &first, 1},  // still shown
        {10500, false, 1, 1, &none, 1},   // hold over: the target moves
        {10600, true, 2, 1, &hit, 1},     // now the real hit point
        {11100, false, 2, 0, &none, 1},
        {11200, true, 3, 0, &hit, 0},     // the third shot frees Done
    };
    for (const Step& s : steps) {
        At(s.now);
        if (s.shoot)
            page->OnShot();
        else
            page->Draw(&m_context);
        EXPECT_EQ(page->GetShotCount(), s.shots) << s.now;
        EXPECT_EQ(page->GetTargetIndex(), s.target) << s.now;
        EXPECT_EQ(page->GetHoles(), *s.holes) << s.now;
        EXPECT_EQ(Control(page, SGunCalibrateScreen::kDoneButton)->GetModalParent(), s.doneFlag) << s.now;
    }
}

TEST_F(GunCalibrateScreenTest, InAWindowOrWithoutAGunThePageSendsThePlayerToTheControllerSettings) {
    for (const bool attached : {true, false}) {
        sys::window::ClearShellRequests();
        MakeInput(attached);
        SGunCalibrateScreen* page = Enter(!attached);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(Text(page), SGunCalibrateScreen::kWindowedText) << attached;
        const auto requests = sys::window::ShellRequests();
        ASSERT_EQ(requests.size(), 1u) << attached;
        EXPECT_EQ(requests[0].operation, "open");
        EXPECT_EQ(requests[0].file, "control.exe");
        EXPECT_EQ(requests[0].parameters, "joy.cpl");
        EXPECT_EQ(Control(page, SGunCalibrateScreen::kDoneButton)->GetModalParent(), 0) << attached;
        EXPECT_EQ(GunLog().find("GS_SetCalibrationMode"), std::string::npos) << attached;
        m_pManager->SwitchTo(2);
        m_pHub->m_pInput->Cleanup();
        sys::input::headless::Reset();
    }
}

TEST_F(GunCalibrateScreenTest, DoneEntersTheGameAndBackReturnsToTheOfficerChoice) {
    struct Case {
        uint32_t button;
        const char* calls;
        int screen;
        int32_t calibrate;
        bool present;
    };
    const Case cases[] = {
        {SGunCalibrateScreen::kDoneButton, "GS_SetCalibrationMode(16,0)\n", 11, 0, false},
        {SGunCalibrateScreen::kBackButton, "GS_SetCalibrationMode(0,0)\nGS_UnlockResolution()\n", 2, 1, true},
    };
    for (const Case& c : cases) {
        MakeInput(true);
        SGunCalibrateScreen* page = Enter(true);
        ASSERT_NE(page, nullptr);
        GunLog();
        page->OnNotify(c.button, SWindow::kNotifyClick);
        EXPECT_EQ(GunLog(), c.calls) << c.button;
        EXPECT_EQ(m_pManager->GetCurrentId(), c.screen) << c.button;
        EXPECT_EQ(m_pHub->m_pInput->GetSettings().m_iCalibrateLightGun, c.calibrate) << c.button;
        EXPECT_EQ(m_pHub->m_pInput->IsLightGunPresent(), c.present) << c.button;
        EXPECT_FALSE(m_pHub->m_pInput->IsMouseInput()) << c.button;  // released on leaving
        m_pHub->m_pInput->Cleanup();
        sys::input::headless::Reset();
    }
}

TEST_F(GunCalibrateScreenTest, AFiredTriggerBindingIsAShotOnlyOnThisPage) {
    MakeInput(true);
    At(20000);
    SFrontEndHooks::Install(&m_setup);
    SConsoleHostImpl console(*m_pHub);
    SGunCalibrateScreen* page = Enter(true);
    ASSERT_NE(page, nullptr);
    console.NotifyGunCalibrateScreen();
    EXPECT_EQ(page->GetShotCount(), 1);
    // Elsewhere a fired binding leaves the page alone.
    At(21000);
    m_pManager->SwitchTo(11);
    console.NotifyGunCalibrateScreen();
    EXPECT_EQ(page->GetShotCount(), 1);
    SFrontEndHooks::Install(nullptr);
}

}  // namespace
