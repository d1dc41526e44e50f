#pragma once

// A start-up on the headless platform: a scratch folder whose Home holds an empty catalog and
// the recording game library, a profile of its own, fresh window, video and message-box
// state, and a hub of the test's own. The application records its multiplayer starts.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/CTarvexApp.h"
#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCommandLine.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/app/GameLibraryTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace tarvex::test {

class RecordingApp : public CTarvexApp {
public:
    using CTarvexApp::CTarvexApp;
    std::string m_sConnected;
    int m_iConnects = 0;
    int m_iDedicatedStarts = 0;
    // Set: the starts also run as the program's do.
    bool m_bRunStarts = false;

protected:
    void Connect(SCommandLine& commandLine) override {
        commandLine.GetValue("connect", m_sConnected, false);
        ++m_iConnects;
        if (m_bRunStarts)
            CTarvexApp::Connect(commandLine);
    }
    void StartDedicated(SCommandLine& commandLine) override {
        ++m_iDedicatedStarts;
        if (m_bRunStarts)
            CTarvexApp::StartDedicated(commandLine);
    }
};

class AppTest : public testing::Test {
protected:
    void SetUp() override {
        sys::window::headless::Reset();
        sys::video::headless::Reset();
        sys::dialogs::headless::Reset();
        m_folder = MakeScratchFolder("App");
        sys::profile::SetFile(m_folder + "/profile.ini");
        PlaceGameLibrary(RecordGameLibrary(), Home());
        WriteEmptyCatalog(Home() / "Tarvex.cat");
        std::filesystem::current_path(m_folder);
    }
    void TearDown() override {
        m_app.reset();
        m_hub.reset();
        sys::dialogs::headless::Reset();
        sys::window::headless::Reset();
    }
    std::filesystem::path Home() const { return std::filesystem::path(m_folder) / "Home"; }

    static void WriteEmptyCatalog(const std::filesystem::path& path) {
        SCatalog catalog;
        CFile file;
        ASSERT_TRUE(file.Open(path.string().c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store);
        catalog.Serialize(ar);
        ar.Close();
        file.Close();
    }
    // The hub (which moves into Home) and the application with the command line.
    // An earlier application still points at the earlier hub, so it goes first.
    RecordingApp& MakeApp(const std::string& commandLine = "") {
        m_app.reset();
        // Each hub starts, as the program does, in the folder that holds "Home".
        std::filesystem::current_path(m_folder);
        m_hub = std::make_unique<SGameObjects>();
        m_app = std::make_unique<RecordingApp>(m_hub.get());
        m_app->SetCommandLine(commandLine);
        return *m_app;
    }
    std::string LibraryLog() const {
        const char* log = m_hub->m_pGameDLL != nullptr ? m_hub->m_pGameDLL->GetProperty("Log") : nullptr;
        return log != nullptr ? log : "";
    }

    TestEnvironmentGuard m_guard;
    std::string m_folder;
    std::unique_ptr<SGameObjects> m_hub;
    std::unique_ptr<RecordingApp> m_app;
};

}  // namespace tarvex::test
