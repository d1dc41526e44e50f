// Start-up on the headless platform with the recording game library: the first run's
// "default.cfg", an existing one executed, the first-run benchmark and its question, the small
// desktop, the fatal messages, and the multiplayer branches of the command line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSystemData.h"
#include "app/SGameDLL.h"
#include "dx/display/SGraphics.h"
#include "sys/process.h"
#include "sys/window/dialogs.h"
#include "sys/time/time.h"
#include "tests/app/AppTestSupport.h"

namespace {

using tarvex::test::AppTest;
using tarvex::test::ReadWholeFile;
using tarvex::test::WriteWholeFile;
namespace headless_dialogs = sys::dialogs::headless;

class StartupTest : public AppTest {
protected:
    std::string DefaultCfg() const { return (Home() / "default.cfg").string(); }
};

TEST_F(StartupTest, AFirstRunWritesDefaultCfgWithLevelThreeAndAsksNothing) {
    ASSERT_TRUE(MakeApp().InitInstance());
    EXPECT_TRUE(m_app->m_bHardwareReady);
    const std::string text = ReadWholeFile(DefaultCfg());
    EXPECT_NE(text.find("set cfg_sysprofile \"3\""), std::string::npos);
    EXPECT_NE(text.find("set gfx_software \"0\""), std::string::npos);  // the hardware driver
    EXPECT_TRUE(headless_dialogs::Shown().empty());
    EXPECT_EQ(m_hub->m_pConfig->m_iSysProfile, 3);
    // The library was handed the items and, on a plain start, let go of its multiplayer state.
    const std::string log = LibraryLog();
    EXPECT_NE(log.find("Initialize(items)"), std::string::npos) << log;
    EXPECT_NE(log.find("ReleaseMultiplayer"), std::string::npos) << log;
    EXPECT_NE(m_hub->m_pCatalog, nullptr);
}

TEST_F(StartupTest, AnExistingDefaultCfgIsExecutedAndNotRewritten) {
    // A built-in command with a leading mark is still one the program knows.
    for (const char* mark : {"", "+"}) {
        SCOPED_TRACE(mark);
        const std::string m = mark;
        const std::string mine = m + "set cfg_sysprofile \"2\"\r\n" + m + "set gfx_software \"0\"\r\n" + m +
                                 "set game_viewsize \"2\"\r\n";
        WriteWholeFile(DefaultCfg(), mine);
        ASSERT_TRUE(MakeApp().InitInstance());
        EXPECT_EQ(m_hub->m_pConfig->m_iSysProfile, 2);
        EXPECT_EQ(m_hub->m_pConfig->m_pSystem->m_iViewSize, 2);
        EXPECT_EQ(ReadWholeFile(DefaultCfg()), mine);
        EXPECT_FALSE(std::filesystem::exists(DefaultCfg() + ".bad"));
        EXPECT_TRUE(headless_dialogs::Shown().empty());
    }
}

// A window size below the menus' own, typed into "default.cfg" by hand, is neither used nor
// saved again: the size stays 640 x 480.
TEST_F(StartupTest, AHandEditedWindowSizeBelow640By480IsNotTaken) {
    for (const char* size : {"0 0", "-640 -480", "abc", "1 1", "320 200"}) {
        SCOPED_TRACE(size);
        WriteWholeFile(DefaultCfg(), std::string("set cfg_sysprofile \"3\"\r\nset gfx_software \"0\"\r\n") +
                                         "set gfx_res \"" + size + "\"\r\n");
        ASSERT_TRUE(MakeApp().InitInstance());
        EXPECT_EQ(m_hub->m_pConfig->m_pGraphics->m_iWidth, 640);
        EXPECT_EQ(m_hub->m_pConfig->m_pGraphics->m_iHeight, 480);
        m_app->ExitInstance();
        EXPECT_NE(ReadWholeFile(DefaultCfg()).find("set gfx_res \"640 480\"\r\n"), std::string::npos);
    }
}

TEST_F(StartupTest, WithoutALevelTheBenchmarkAsksAboutHardwareAndNoMeansSoftware) {
    WriteWholeFile(DefaultCfg(), "set game_viewsize \"3\"\r\n");
    headless_dialogs::ScriptAnswer(sys::IDNO);
    ASSERT_TRUE(MakeApp().InitInstance());
    const auto shown = headless_dialogs::Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].caption, "Hardware Acceleration Found");
    EXPECT_EQ(shown[0].type & 0xF, sys::MB_YESNO);
    EXPECT_NE(shown[0].text.find("set gfx_software \"1\""), std::string::npos);
    // Software rendering caps the level at 3, which a fast machine reaches.
    EXPECT_EQ(m_hub->m_pConfig->m_pGraphics->m_bSoftware, 1);
    EXPECT_GE(m_hub->m_pConfig->m_iSysProfile, 1);
    EXPECT_LE(m_hub->m_pConfig->m_iSysProfile, 3);
}

TEST_F(StartupTest, YesToHardwareGivesAtLeastLevelFour) {
    WriteWholeFile(DefaultCfg(), "set cfg_sysprofile \"-1\"\r\n");
    headless_dialogs::ScriptAnswer(sys::IDYES);
    ASSERT_TRUE(MakeApp().InitInstance());
    EXPECT_EQ(m_hub->m_pConfig->m_pGraphics->m_bSoftware, 0);
    EXPECT_GE(m_hub->m_pConfig->m_iSysProfile, 4);
}

TEST_F(StartupTest, ADesktopOf480LinesForcesFullScreen) {
    sys::window::headless::SetDesktop(640, 480);
    ASSERT_TRUE(MakeApp().InitInstance());
    EXPECT_EQ(g_iDesktopHeight, 480);
    EXPECT_EQ(m_hub->m_pConfig->m_pSystem->m_bFullScreen, 1);
}

TEST_F(StartupTest, NoUsableDisplayDriverEndsStartUpWithItsMessage) {
    sys::video::headless::SetNoHardware(true);
    sys::video::headless::SetVideoMemory(0);
    EXPECT_FALSE(MakeApp().InitInstance());
    const auto shown = headless_dialogs::Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].text,
              "Unable to locate valid DirectX graphics drivers. \n\t\t\t\t\t\tPress OK to Terminate this application.");
    EXPECT_EQ(shown[0].caption, "Tarvex");
}

TEST_F(StartupTest, AMissingCatalogIsReportedAndFatal) {
    std::filesystem::remove(Home() / "Tarvex.cat");
    EXPECT_FALSE(MakeApp().InitInstance());
    EXPECT_FALSE(m_app->m_bHardwareReady);
    const auto shown = headless_dialogs::Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, "Error loading file: Tarvex.cat");
}

// Without "Home" start-up names the folder it looked for and writes nothing where it stands.
TEST_F(StartupTest, WithoutAHomeFolderStartUpSaysWhatIsMissingAndWritesNothing) {
    std::filesystem::remove_all(Home());
    std::filesystem::remove(std::filesystem::path(m_folder) / "profile.ini");
    EXPECT_FALSE(MakeApp().InitInstance());
    m_app->ExitInstance();
    const auto shown = headless_dialogs::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The folder \"" + m_folder + "/Home\"\nthat holds the game's files does not exist.");
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

// A "default.cfg" of bytes no configuration holds, or one whose run goes past what a start
// reads, is kept aside and replaced by the defaults; an earlier copy set aside stays too. One
// box says why, naming the file where a run stopped.
TEST_F(StartupTest, ADefaultCfgNotUsableWholeIsKeptAsideAndTheDefaultsWritten) {
    const std::string past(600 << 10, '\n');
    const std::string kept = ".\nIt has been kept as \"default.cfg.bad2\",\nand the game starts with its default settings.";
    const std::string cut = " not read to its end: more than 524,288 bytes in one run";
    const struct {
        const char* what;
        std::string settings;
        std::string huge;  // "huge.cfg" beside it, when not empty
        std::string told;
    } cases[] = {
        {"garbled", std::string("set game_viewsize \"2\"\r\n\x01\x02\0\xff", 25), "",
         "The settings file \"default.cfg\" could not be read" + kept},
        {"running a file past the bound", "set game_viewsize \"2\"\r\nexec huge.cfg\r\n", "set a 1\n" + past,
         "The settings file \"default.cfg\" runs past what one start reads" + kept + "\n\nhuge.cfg" + cut},
        {"itself past the bound", "set game_viewsize \"2\"\r\n" + past, "",
         "The settings file \"default.cfg\" runs past what one start reads" + kept + "\n\ndefault.cfg" + cut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteWholeFile(DefaultCfg(), c.settings);
        WriteWholeFile(DefaultCfg() + ".bad", "earlier");
        std::filesystem::remove(DefaultCfg() + ".bad2");
        if (!c.huge.empty())
            WriteWholeFile((Home() / "huge.cfg").string(), c.huge);
        headless_dialogs::Reset();
        ASSERT_TRUE(MakeApp().InitInstance());
        EXPECT_EQ(ReadWholeFile(DefaultCfg() + ".bad"), "earlier");
        EXPECT_TRUE(ReadWholeFile(DefaultCfg() + ".bad2") == c.settings);
        EXPECT_NE(m_hub->m_pConfig->m_pSystem->m_iViewSize, 2);
        m_app->ExitInstance();
        EXPECT_NE(ReadWholeFile(DefaultCfg()).find("set cfg_sysprofile \"3\""), std::string::npos);
        const auto shown = headless_dialogs::Shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.told);
        m_app.reset();
        m_hub.reset();
    }
}

// A "default.cfg" that is there but cannot be opened (a folder of that name; a file of mode 000,
// which root opens all the same, so root runs that case as "nobody" in a folder of nobody's
// under the system's temporary folder) is not executed, is named once, and is never saved over.
TEST_F(StartupTest, ADefaultCfgThatCannotBeOpenedIsToldOnceAndKept) {
    namespace fs = std::filesystem;
    const std::string mine = "set game_viewsize \"2\"\r\n";
    const auto startAndExpectToldOnce = [&] {
        ASSERT_TRUE(MakeApp().InitInstance());
        EXPECT_EQ(m_hub->m_pConfig->m_iSysProfile, 3);
        EXPECT_NE(m_hub->m_pConfig->m_pSystem->m_iViewSize, 2);
        m_app->ExitInstance();
        const auto shown = headless_dialogs::Shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "The settings file \"default.cfg\" could not be opened.\nThe game starts with its "
                                 "default settings, and saves no settings until it is restarted,\nso that the file "
                                 "is kept.");
    };
    {
        SCOPED_TRACE("a folder");
        fs::create_directory(DefaultCfg());
        startAndExpectToldOnce();
        EXPECT_TRUE(fs::is_directory(DefaultCfg()));
        fs::remove_all(DefaultCfg());
    }
    SCOPED_TRACE("mode 000");
    headless_dialogs::Reset();
    const bool root = sys::process::IsRoot();
    std::unique_ptr<std::string, void (*)(std::string*)> shared(nullptr, [](std::string* folder) {
        std::error_code ignored;
        fs::remove_all(*folder, ignored);
        delete folder;
    });
    if (root) {
        const std::string name = (fs::temp_directory_path() /
                                  ("tarvex-startup-" + std::to_string(sys::process::CurrentId()))).string();
        fs::remove_all(name);
        ASSERT_TRUE(fs::create_directory(name));
        shared.reset(new std::string(name));
        m_folder = name;
        sys::profile::SetFile(m_folder + "/profile.ini");
        tarvex::test::PlaceGameLibrary(tarvex::test::RecordGameLibrary(), Home());
        WriteEmptyCatalog(Home() / "Tarvex.cat");
    }
    WriteWholeFile(DefaultCfg(), mine);
    fs::permissions(DefaultCfg(), fs::perms::none);
    if (root) {
        ASSERT_TRUE(sys::process::GiveToNobody(m_folder.c_str()));
        sys::process::ActAsNobody nobody;
        ASSERT_TRUE(nobody.Acting());
        ASSERT_FALSE(std::ifstream(DefaultCfg()).is_open());
        startAndExpectToldOnce();
        m_app.reset();
        m_hub.reset();
        EXPECT_TRUE(nobody.Leave()) << "the test could not become root again";
    } else {
        startAndExpectToldOnce();
    }
    fs::permissions(DefaultCfg(), fs::perms::owner_all);
    EXPECT_EQ(ReadWholeFile(DefaultCfg()), mine);
}

TEST_F(StartupTest, ConnectWinsOverDedicated) {
    ASSERT_TRUE(MakeApp("-connect:10.0.0.1 -dedicated").InitInstance());
    EXPECT_EQ(m_app->m_iConnects, 1);
    EXPECT_EQ(m_app->m_sConnected, "10.0.0.1");
    EXPECT_EQ(m_app->m_iDedicatedStarts, 0);
}

TEST_F(StartupTest, DedicatedAloneStartsTheServer) {
    ASSERT_TRUE(MakeApp("-dedicated").InitInstance());
    EXPECT_EQ(m_app->m_iConnects, 0);
    EXPECT_EQ(m_app->m_iDedicatedStarts, 1);
}

}  // namespace

namespace {

TEST_F(StartupTest, SoftwareRenderingRunsOnTheDeviceWithoutAMessage) {
    WriteWholeFile(DefaultCfg(), "set cfg_sysprofile \"2\"\r\nset gfx_software \"1\"\r\n");
    ASSERT_TRUE(MakeApp().InitInstance());
    EXPECT_TRUE(headless_dialogs::Shown().empty());
    EXPECT_EQ(m_hub->m_pConfig->m_pGraphics->m_bSoftware, 1);
    ASSERT_NE(m_hub->m_pGraphics, nullptr);
    EXPECT_EQ(m_hub->m_pGraphics->IsReady(), 1);
    EXPECT_NE(m_hub->m_pGraphics->GetBack(), nullptr);
}

TEST_F(StartupTest, ADamagedCatalogIsReportedLikeAMissingOne) {
    // Cut short by a byte, and cut in its header: both are archive errors, not file errors.
    const std::string whole = ReadWholeFile((Home() / "Tarvex.cat").string());
    ASSERT_GT(whole.size(), 8u);
    for (const std::string& damaged : {whole.substr(0, whole.size() - 1), whole.substr(0, 8)}) {
        headless_dialogs::Reset();
        WriteWholeFile((Home() / "Tarvex.cat").string(), damaged);
        EXPECT_FALSE(MakeApp().InitInstance());
        EXPECT_FALSE(m_app->m_bHardwareReady);
        const auto shown = headless_dialogs::Shown();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().text, "Error loading file: Tarvex.cat");
        m_app->ExitInstance();
    }
}

}  // namespace

namespace {

// Takes 100 ms of the fake clock at every step, as a slow progress bar would.
class SlowProgress : public SUpdatableObject {
public:
    void Update(int position) override {
        m_iLast = position;
        ++m_iCalls;
        sys::time::AdvanceFake(100);
    }
    int m_iLast = -1;
    int m_iCalls = 0;
};

TEST(BenchmarkTest, DrawingTheProgressIsNotMeasured) {
    CConfigData config;
    SlowProgress progress;
    config.m_pGraphics->m_bSoftware = 0;
    EXPECT_EQ(CTarvexApp::RunBenchmark(config, progress), 5);
    // 999 passes of k from 0.1 to 99.9 (the last may fall either side of 100 in floating
    // point), one step every tenth pass.
    EXPECT_GE(progress.m_iCalls, 100);
    EXPECT_LE(progress.m_iCalls, 101);
    config.m_pGraphics->m_bSoftware = 1;
    EXPECT_EQ(CTarvexApp::RunBenchmark(config, progress), 3);
}

}  // namespace

namespace {

constexpr const char* kHardwareAdvice =
    "Hardware Initialization may fail for many reasons.  To correct this you should try:\n 1.  "
    "Switch your desktop to 16-bit color depth.\n 2.  Run the game in Full Screen mode.";

// A window the desktop cannot take (24 bits) is explained and set again without Direct3D, which
// fails the same way here; the game never moves itself to full screen behind the player's back.
TEST_F(StartupTest, AWindowThatCannotBeSetIsExplainedAndRetriedWithoutDirect3D) {
    WriteWholeFile(DefaultCfg(), "set cfg_sysprofile \"3\"\r\nset gfx_software \"0\"\r\n");
    sys::video::headless::ChangeDesktopMode(1024, 768, 24);
    EXPECT_FALSE(MakeApp().InitInstance());
    const auto shown = headless_dialogs::Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, kHardwareAdvice);
    EXPECT_EQ(shown[1].text, "FATAL ERROR - Unable to set graphics mode ");
    EXPECT_EQ(m_hub->m_pConfig->m_pSystem->m_bFullScreen, 0);
    EXPECT_EQ(m_hub->m_pGraphics->GetUseDirect3D(), 0);
}

// When the retry without Direct3D works, the game runs and from then on renders without it.
TEST_F(StartupTest, AModeThatWorksWithoutDirect3DTurnsSoftwareRenderingOn) {
    WriteWholeFile(DefaultCfg(), "set cfg_sysprofile \"3\"\r\nset gfx_software \"0\"\r\n");
    sys::video::headless::FailCooperativeLevels(1);
    ASSERT_TRUE(MakeApp().InitInstance());
    const auto shown = headless_dialogs::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kHardwareAdvice);
    EXPECT_EQ(m_hub->m_pConfig->m_pGraphics->m_bSoftware, 1);
    EXPECT_EQ(m_hub->m_pGraphics->GetUseDirect3D(), 0);
    EXPECT_EQ(m_hub->m_pGraphics->IsReady(), 1);
}

}  // namespace
