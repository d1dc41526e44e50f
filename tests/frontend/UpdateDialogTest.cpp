// The patch download against the tests' own HTTP and FTP servers on 127.0.0.1, one timer tick
// at a time: the information file's filtering, the servers tried in turn, the failures that
// move on to the next server, the progress texts, a completed download and a cancelled one.

#include "frontend/dialogs/SUpdateDlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "sys/profile.h"
#include "sys/time/time.h"
#include "sys/window/window.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "tests/sys/inet/LoopbackServers.h"
#include "tests/support/ScratchFolder.h"
#include "tests/ui/QuietDisplayHost.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"

namespace {

namespace fs = std::filesystem;
using tarvex::test::FtpTestServer;
using tarvex::test::HttpTestServer;

constexpr const char* kVersion = "V1.0a";
constexpr const char* kNotAvailable =
    "Tarvex patch not available.\nPlease check www.quelloninteractive.com for more information.";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class UpdateDialogTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        m_folder = tarvex::test::MakeScratchFolder("UpdateDialog");
        sys::profile::SetFile(m_folder + "/profile.ini");
        fs::create_directory(m_folder + "/Home");
        fs::current_path(m_folder);
        m_hub = new SGameObjects;
        m_hub->m_sBasePath = m_folder.c_str();
        // The catalog's "Generic" / "OK" layout with the status line.
        auto* layout = new SDialog;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, 300, 100}, nullptr, 0, nullptr);
        m_status.Create(nullptr, "", 0, sys::RECT{10, 10, 290, 40}, layout, SUpdateDlg::kStatusControl, nullptr);
        auto* item = new SCatalogItem(STransparantDialog::kDialogsKind, "Generic", "OK", "");
        item->SetResource(layout);
        m_catalog.AddItem(item);
        SWindow::SetResourceCatalog(&m_catalog);
    }
    void TearDown() override {
        SWindow::SetResourceCatalog(nullptr);
        delete m_hub;
        VideoTest::TearDown();
    }

    // A dialog set up as the game options dialog sets it up, started at index 0.
    void Begin(SUpdateDlg& dialog, std::vector<std::string> servers) {
        dialog.m_ServerList = std::move(servers);
        dialog.m_strTitle = "Tarvex";
        dialog.m_strFilePrefix = "QJB";
        dialog.m_strVersion = kVersion;
        dialog.m_iInstallKind = 0;
        dialog.m_iIndex = 0;
        dialog.StartRequest();
    }
    // Ticks until the dialog ends, gives up on every patch, or `stop` says so; at most 10 s.
    // Every status text shown is kept.
    template <typename Stop>
    void Run(SUpdateDlg& dialog, Stop stop) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!dialog.IsDone() && dialog.GetStatusText() != kNotAvailable && !stop() &&
               std::chrono::steady_clock::now() < end) {
            dialog.OnTimer(SUpdateDlg::kTimerId);
            m_statuses.insert(dialog.GetStatusText());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }
    void Run(SUpdateDlg& dialog) {
        Run(dialog, [] { return false; });
    }
    bool Shown(const std::string& status) const { return m_statuses.count(status) != 0; }
    std::string Leftovers() const {
        std::string names;
        for (const auto& entry : fs::directory_iterator(m_folder))
            if (entry.path().extension() == ".part" || entry.path().extension() == ".exe")
                names += entry.path().filename().string() + " ";
        return names;
    }

    tarvex::test::TestEnvironmentGuard m_guard;
    SCatalog m_catalog;
    SWindow m_status;
    std::string m_folder;
    SGameObjects* m_hub = nullptr;
    std::set<std::string> m_statuses;
};

TEST_F(UpdateDialogTest, TheServersAreTriedInTurnAndTheFirstMatchingPatchThatArrivesIsKept) {
    const std::string patch(2048, 'P');
    HttpTestServer first;
    FtpTestServer second;
    HttpTestServer third;
    const std::string host = third.Host();
    // Only lines of this version (in any case) and installation kind count, and only patch
    // names that stay inside the base folder.
    third.Add("/quellon_upgrade/QJB_autoupdate.dat", {"V0.9:0:" + host + "/patches/old.exe\r\n"
                                                      "v1.0A:1:" + host + "/patches/cd.exe\r\n"
                                                      "v1.0A:0:" + host + "/patches/..\\..\\evil.exe\r\n"
                                                      "v1.0A:0:" + host + "/patches/C:evil.exe\r\n"
                                                      "v1.0A:0:" + host + "/patches/..\r\n"
                                                      "garbage line\r\n"
                                                      "v1.0A:0:" + host + "/patches/missing.exe\r\n"
                                                      "V1.0A:0:" + host + "/patches/QJB_patch.exe\r\n"});
    third.Add("/patches/QJB_patch.exe", {patch});

    SUpdateDlg dialog(m_hub);
    Begin(dialog, {first.Host() + "/update", "ftp.localhost:" + std::to_string(second.Port()) + "/quellon_upgrade",
                   host + "/quellon_upgrade"});
    EXPECT_EQ(dialog.GetStatusText(), "Requesting Patch Information");
    CString shown;
    EXPECT_STREQ(m_status.GetText(shown), "Requesting Patch Information");
    Run(dialog);

    EXPECT_EQ(first.Requests(), std::vector<std::string>{"/update/QJB_autoupdate.dat"});
    EXPECT_TRUE(second.Requests().empty());  // it had no file to send
    EXPECT_EQ(third.Requests(), (std::vector<std::string>{"/quellon_upgrade/QJB_autoupdate.dat",
                                                           "/patches/missing.exe", "/patches/QJB_patch.exe"}));
    EXPECT_EQ(dialog.GetPatchList(),
              (std::vector<std::string>{host + "/patches/missing.exe", host + "/patches/QJB_patch.exe"}));
    EXPECT_TRUE(Shown("Patch not available, trying another server..."));
    EXPECT_TRUE(Shown("Connecting to server: " + host));
    EXPECT_TRUE(Shown("Recieved: 2.00Kb of 2.00Kb"));

    ASSERT_TRUE(dialog.IsDone());
    EXPECT_EQ(dialog.GetResult(), SUpdateDlg::kResultDownloaded);
    EXPECT_EQ(ReadAll(fs::path(m_folder) / "QJB_patch.exe"), patch);
    EXPECT_EQ(Leftovers(), "QJB_patch.exe ");
    EXPECT_EQ(SUpdateDlg::ResultMessage(dialog.GetResult(), dialog.GetFileName()),
              "Update download successful\nExit and install QJB_patch.exe");
}

TEST_F(UpdateDialogTest, FailedTransfersMoveOnAndLeaveNoPartialFile) {
    struct Case {
        const char* name;
        HttpTestServer::File file;
        uint32_t error;
    };
    const Case cases[] = {
        {"notfound.exe", {"", 404}, 12003},
        {"nolength.exe", {std::string(500, 'n'), 200, false}, 12150},
        {"cut.exe", {std::string(200000, 'c'), 200, true, 70000}, 12030},
    };
    for (const Case& c : cases) {
        HttpTestServer server;
        server.Add("/u/QJB_autoupdate.dat", {std::string(kVersion) + ":0:" + server.Host() + "/p/" + c.name + "\n"});
        server.Add(std::string("/p/") + c.name, c.file);
        SUpdateDlg dialog(m_hub);
        Begin(dialog, {server.Host() + "/u"});
        Run(dialog);
        EXPECT_EQ(server.Requests().size(), 2u) << c.name;
        EXPECT_EQ(dialog.GetStatusText(), kNotAvailable) << c.name;
        EXPECT_EQ(dialog.GetLastError(), c.error) << c.name;
        EXPECT_FALSE(dialog.IsDone()) << c.name;  // it stays open for the player
        EXPECT_TRUE(dialog.GetDestination().empty()) << c.name;
        EXPECT_EQ(Leftovers(), "") << c.name;
    }
}

TEST_F(UpdateDialogTest, WhenEveryServerLacksTheInformationFileNoPatchIsAvailable) {
    HttpTestServer a, b, c;
    SUpdateDlg dialog(m_hub);
    Begin(dialog, {a.Host() + "/update", b.Host() + "/x", c.Host() + "/y"});
    Run(dialog);
    EXPECT_EQ(dialog.GetStatusText(), kNotAvailable);
    EXPECT_TRUE(dialog.IsInformationMode());
    EXPECT_EQ(dialog.m_iIndex, 3);
    EXPECT_EQ(dialog.GetErrorText(), "Cannot get file length\nHTTP/1.1 404 Not Found");
    EXPECT_FALSE(dialog.IsTimerArmed());
    EXPECT_EQ(c.Requests(), std::vector<std::string>{"/y/QJB_autoupdate.dat"});
}

TEST_F(UpdateDialogTest, FtpTransfersShowProgressWithoutATotal) {
    const std::string patch(3072, 'F');
    FtpTestServer server;
    const std::string port = std::to_string(server.Port());
    // Server bases starting with "ftp" in any case use FTP.
    server.Add("quellon_upgrade/QJB_autoupdate.dat", "V1.0a:0:FTP.localhost:" + port + "/quellon_upgrade/QJB_p.exe\n");
    server.Add("quellon_upgrade/QJB_p.exe", patch);
    SUpdateDlg dialog(m_hub);
    Begin(dialog, {"ftp.localhost:" + port + "/quellon_upgrade"});
    Run(dialog);
    ASSERT_TRUE(dialog.IsDone()) << dialog.GetStatusText();
    EXPECT_EQ(dialog.GetResult(), SUpdateDlg::kResultDownloaded);
    EXPECT_TRUE(Shown("Recieved: 3.00Kb of ???"));
    EXPECT_EQ(ReadAll(fs::path(m_folder) / "QJB_p.exe"), patch);
}

TEST_F(UpdateDialogTest, LeavingDuringTheDownloadClosesItAndDeletesThePartialFile) {
    HttpTestServer server;
    server.Add("/u/QJB_autoupdate.dat", {std::string(kVersion) + ":0:" + server.Host() + "/p/big.exe\n"});
    server.Add("/p/big.exe", {std::string(300000, 'b')});
    SUpdateDlg dialog(m_hub);
    Begin(dialog, {server.Host() + "/u"});
    const fs::path partial = fs::path(m_folder) / "big.exe.part";
    Run(dialog, [&] { return fs::exists(partial); });
    ASSERT_TRUE(fs::exists(partial));

    // The player presses Escape (Cancel) while the patch is still coming in.
    sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, sys::VK_ESCAPE, 0);
    SDC dc;
    const int result = dialog.DoModal(&dc);
    EXPECT_EQ(result, SUpdateDlg::kResultCanceled);
    EXPECT_EQ(SUpdateDlg::ResultMessage(result, dialog.GetFileName()), "Update Canceled!");
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_FALSE(fs::exists(fs::path(m_folder) / "big.exe"));
    EXPECT_TRUE(dialog.GetDestination().empty());
    EXPECT_FALSE(dialog.IsTimerArmed());
}

// The display manager's side, counting the frames the modal loop hands it.
class FrameCountingHost : public tarvex::test::QuietDisplayHost {
public:
    int DialogIdle() override {
        ++m_nFrames;
        return 0;
    }
    int m_nFrames = 0;
};

TEST_F(UpdateDialogTest, TheModalRunShowsItsFramesThroughTheDisplay) {
    FrameCountingHost host;
    SDisplayHost::SetInstance(&host);
    SUpdateDlg dialog(m_hub);
    Begin(dialog, {"127.0.0.1:9/update"});
    SDialog::SetLastIdleTick(sys::time::TickCount() - 100);
    sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, sys::VK_ESCAPE, 0);
    SDC dc;
    EXPECT_EQ(dialog.DoModal(&dc), SUpdateDlg::kResultCanceled);
    SDisplayHost::SetInstance(nullptr);
    EXPECT_GE(host.m_nFrames, 1);
}

}  // namespace
