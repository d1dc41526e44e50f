#include "app/CTarvexApp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "app/CMainFrame.h"
#include "app/SClientInfo.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SGameScreenLink.h"
#include "app/SHomeFolder.h"
#include "app/SGraphicsShell.h"
#include "app/SCommandDialog.h"
#include "app/SFrontEndHooks.h"
#include "app/SMsgHandler.h"
#include "app/SOfficerHooks.h"
#include "app/SRendererFactory.h"
#include "assets/AssetResourceKinds.h"
#include "core/SClock.h"
#include "core/SCommandInterpreter.h"
#include "core/SCommandLine.h"
#include "core/SObjectParser.h"
#include "core/STextUtil.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "dx/input/SInputs.h"
#include "dx/sound/SSound.h"
#include "dx/sound/SWave.h"
#include "sys/audio/playsound.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/dialogs.h"
#include "sys/fs/fs.h"
#include "sys/profile.h"
#include "sys/signals.h"
#include "sys/text.h"
#include "sys/rand.h"
#include "sys/time/time.h"
#include "sys/window/progress_dialog.h"
#include "sys/window/wait_cursor.h"
#include "sys/window/window.h"
#include "sys/window/window_dc.h"
#include "ui/SDIB.h"
#include "ui/SGraphicsHost.h"
#include "ui/SWindow.h"
#include "ui/UiResourceKinds.h"

int32_t g_iDesktopHeight = 0;
SDisplayCursor* g_pCursor = nullptr;

namespace {

constexpr const char* kNoDrivers =
    "Unable to locate valid DirectX graphics drivers. \n\t\t\t\t\t\tPress OK to Terminate this application.";
constexpr const char* kOutOfMemory = "Out of memory loading ZR";
constexpr const char* kHardwareAdvice =
    "Hardware Initialization may fail for many reasons.  To correct this you should try:\n 1.  Switch your desktop "
    "to 16-bit color depth.\n 2.  Run the game in Full Screen mode.";
constexpr const char* kFatalMode = "FATAL ERROR - Unable to set graphics mode ";
constexpr const char* kHardwareFoundCaption = "Hardware Acceleration Found";
constexpr const char* kHardwareFoundText =
    "Your system supports hardware accelerated rendering.\n\nIt is recommended that you use it: would you like "
    "to turn hardware acceleration on?\n\nYou can turn it off later by adding the line\n\tset gfx_software \"1\"\n"
    "at the end of \"default.cfg\".";
constexpr const char* kBenchmarkText =
    "The configuration program will now test your system to determine appropriate default settings.";
constexpr int kDesktopFullScreenLimit = 480;
constexpr const char* kSplashPicture = "splash.bmp";
constexpr const char* kSplashSound = "splash.wav";

void Message(const char* text) { sys::dialogs::MessageBox(text, CTarvexApp::kTitle, sys::MB_OK); }

void ReportLoadError(const CString& fileName) {
    char text[512];
    std::snprintf(text, sizeof(text), "Error loading file: %s", static_cast<const char*>(fileName));
    Message(text);
}

bool FileInWorkingDirectory(const char* name) {
    std::vector<sys::fs::FindEntry> found;
    return sys::fs::FindFiles(name, found) && !found.empty();
}

// The wait cursor for as long as the object lives.
struct WaitCursorShown {
    WaitCursorShown() { sys::window::BeginWaitCursor(); }
    ~WaitCursorShown() { sys::window::EndWaitCursor(); }
    WaitCursorShown(const WaitCursorShown&) = delete;
    WaitCursorShown& operator=(const WaitCursorShown&) = delete;
};

// The console's background picture is a surface of the display: it goes before the display
// is torn down and is made again afterwards.
class SConsoleSurfaces : public SSurfaceOwner {
public:
    explicit SConsoleSurfaces(SMsgHandler* handler) : m_pHandler(handler) {}
    void ReleaseSurfaces() override {
        if (SCommandDialog* console = m_pHandler->GetConsole())
            console->DeleteBackground();
    }
    int RestoreSurfaces(SGraphics* display) override {
        (void)display;
        if (SCommandDialog* console = m_pHandler->GetConsole())
            console->ReloadBackground();
        return 1;
    }

private:
    SMsgHandler* m_pHandler;
};

// The display manager asks the application for frame changes; the main frame makes them
// when it exists, so the frame's own idea of its style stays right.
class CTarvexShell : public SGraphicsShell {
public:
    CTarvexShell(SGameObjects* hub, SRendererFactory* factory, CMainFrame* frame, SMsgHandler* handler)
        : SGraphicsShell(hub, factory), m_pHub(hub), m_pFrame(frame), m_Console(handler), m_pHandler(handler) {}
    void SetFullScreen(int fullScreen) override {
        if (m_pFrame != nullptr && m_pFrame->GetSafeHwnd() != nullptr)
            m_pFrame->SetFullScreen(fullScreen != 0);
        else
            SGraphicsShell::SetFullScreen(fullScreen);
        // The pointer kept in the full-screen picture would be held in one corner of a window.
        if (fullScreen == 0)
            sys::window::ClipCursor(nullptr);
    }
    void SetClientSize(int width, int height) override {
        if (m_pFrame != nullptr && m_pFrame->GetSafeHwnd() != nullptr)
            m_pFrame->SetClientSize(width, height);
        else
            SGraphicsShell::SetClientSize(width, height);
    }
    SSurfaceOwner* GetConsoleWindow() override { return m_pHandler->GetConsole() != nullptr ? &m_Console : nullptr; }
    void ReleaseDeviceObjects() override { SFrontEndHooks::Installed().ReleaseDeviceObjects(m_pHub); }
    void RestoreDeviceObjects(SGraphics* display) override {
        SFrontEndHooks::Installed().RestoreDeviceObjects(m_pHub, display);
    }
    void SetInterfaceSurfaces() override { SFrontEndHooks::Installed().SetInterfaceSurfaces(m_pHub); }

private:
    SGameObjects* m_pHub;
    CMainFrame* m_pFrame;
    SConsoleSurfaces m_Console;
    SMsgHandler* m_pHandler;
};

}  // namespace

CTarvexApp::CTarvexApp(SGameObjects* hub) : m_pHub(hub) {}

CTarvexApp::~CTarvexApp() {
    // Without ExitInstance the front end still lets go before the display it draws on.
    if (m_pHub != nullptr)
        SFrontEndHooks::Installed().Shutdown(m_pHub);
    if (m_pGraphics != nullptr)
        ReleaseDisplay();
    if (m_pHub != nullptr && m_pHub->m_pMsgHandler == m_pMsgHandler.get())
        m_pHub->m_pMsgHandler = nullptr;
    if (m_pHub != nullptr && m_pHub->m_pMainFrame == m_pFrame.get())
        m_pHub->m_pMainFrame = nullptr;
    m_pFrame.reset();
    m_pMsgHandler.reset();
}

bool CTarvexApp::InitInstance() {
    sys::Srand(static_cast<unsigned>(std::time(nullptr)));
    // The hub reads its paths from the profile, so the key must be in place before it exists.
    sys::profile::SetRegistryKey(kRegistryKey);
    if (m_pHub == nullptr)
        m_pHub = SGameObjects::Instance();
    if (!CheckHomeFolder())
        return false;
    // Every kind of resource is known before the catalog is read.
    RegisterSoundResourceKinds();
    RegisterUiResourceKinds();
    RegisterAssetResourceKinds();

    m_pMsgHandler = std::make_unique<SMsgHandler>(m_pHub);
    m_pMsgHandler->SetQuitHandler([this] { Quit(); });
    m_pHub->m_pMsgHandler = m_pMsgHandler.get();
    m_pFrame = std::make_unique<CMainFrame>(m_pHub);
    m_pHub->m_pMainFrame = m_pFrame.get();
    m_pMsgHandler->SetFrame(m_pFrame.get());
    if (!m_pFrame->Create(kTitle))
        return false;
    ShowSplash();
    if (!InitCom())
        return false;

    sys::window::BeginWaitCursor();
    try {
        if (!CheckDrivers()) {
            sys::window::EndWaitCursor();
            return false;
        }
        m_pHub->LoadGameDll();
        ExecStartupConfig();
        m_pHub->ExecDefaultBindings();
        // Asked to end while the scripts ran, which stop there: the start-up ends at once, and
        // writes nothing, since the settings were not all read.
        if (sys::signals::IsCloseRequested()) {
            sys::window::EndWaitCursor();
            return false;
        }
    } catch (const CUserException&) {
        sys::window::EndWaitCursor();
        return false;
    } catch (const CMemoryException&) {
        Message(kOutOfMemory);
    }
    sys::window::EndWaitCursor();

    g_iDesktopHeight = sys::window::GetSystemMetrics(sys::SM_CYSCREEN);
    if (g_iDesktopHeight <= kDesktopFullScreenLimit)
        m_pHub->m_pConfig->m_pSystem->m_bFullScreen = 1;
    m_bHardwareReady = InitHardware() ? 1 : 0;
    return m_bHardwareReady != 0;
}

// There is no component system to start on this platform; the check stays so that start-up
// keeps its shape where one exists.
bool CTarvexApp::InitCom() { return true; }

void CTarvexApp::ShowSplash() {
    const sys::HWND window = m_pFrame != nullptr ? m_pFrame->GetSafeHwnd() : nullptr;
    if (window == nullptr)
        return;
    const sys::HDC dc = sys::window::GetDC(window);
    SDIB splash;
    CFile file;
    const bool shown = file.Open(kSplashPicture, CFile::modeRead) && splash.LoadFromCFile(&file);
    sys::window::ShowWindow(window, sys::SW_SHOW);
    sys::window::UpdateWindow(window);
    if (shown && dc != nullptr)
        splash.DrawToDC(dc, 0, 0, sys::SRCCOPY);
    // Giving the context back is what puts the picture on the screen here, so it goes before
    // the sound that start-up waits for.
    if (dc != nullptr)
        sys::window::ReleaseDC(window, dc);
    if (shown)
        sys::audio::PlaySound(kSplashSound, nullptr,
                              sys::audio::SND_FILENAME | sys::audio::SND_NODEFAULT | sys::audio::SND_NOWAIT);
}

bool CTarvexApp::CheckHomeFolder() {
    const std::string home = std::string(m_pHub->m_sStartDir.GetString()) + "/" + SGameObjects::kHomeFolder;
    if (m_pHub->m_bInHome == 0) {
        Message(("The folder \"" + home + "\"\nthat holds the game's files does not exist.").c_str());
        return false;
    }
    if (!SHomeFolder::IsWritable()) {
        m_pHub->m_bHomeReadOnly = 1;
        Message(SHomeFolder::ReadOnlyNotice(home).c_str());
    }
    return true;
}

void CTarvexApp::CheckDefaultConfig() {
    const CConfigData::TextState state = CConfigData::CheckText(kDefaultConfig);
    // One too long for a start is told as a run that went past the bound would be.
    const std::string overrun =
        state == CConfigData::kTextTooLong ? SCommandInterpreter::RunCutText(kDefaultConfig) : std::string();
    if (state != CConfigData::kTextReadable)
        ReportUnreadableDefaultConfig(state != CConfigData::kTextUnreadable, overrun);
}

void CTarvexApp::ReportUnreadableDefaultConfig(bool damaged, const std::string& overrun) {
    const SHomeFolder::SUnreadableFile settings{kDefaultConfig, "settings file", "with its default settings",
                                                "no settings"};
    if (SHomeFolder::ReportUnreadable(settings, damaged, m_pHub->m_bHomeReadOnly == 0, overrun))
        m_bSkipDefaultConfig = 1;
}

bool CTarvexApp::IsKnownCommand(const char* word) const {
    const SCommandInterpreter* interpreter = m_pHub->m_pInterpreter;
    if (interpreter == nullptr)
        return false;
    // The interpreter's own commands answer to a leading "+" or "-" too.
    const char* bare = WithoutMark(word);
    for (const SInterpreterCommand* row = interpreter->GetCommandTable(); row->name != nullptr; ++row) {
        if (CompareTextNoCase(row->name, bare) == 0)
            return true;
    }
    int index = -1;
    int state = 0;
    int kind = 0;
    return interpreter->FindGameCommand(word, index, state, kind) || interpreter->FindInputAlias(word) >= 0;
}

bool CTarvexApp::CheckDrivers() {
    CGraphicsData* graphics = m_pHub->m_pConfig->m_pGraphics;
    graphics->EnumerateDrivers();
    if (graphics->GetUsableDriverCount() == 0) {
        Message(kNoDrivers);
        return false;
    }
    if (SGraphics::IsDirectDrawInstalled() == 0)
        return false;
    if (FileInWorkingDirectory(kDefaultConfig))
        CheckDefaultConfig();
    const bool missing = !FileInWorkingDirectory(kDefaultConfig);
    if (m_bSkipDefaultConfig != 0 || (missing && m_pHub->m_bHomeReadOnly != 0)) {
        // What the written file would have set, straight into the live configuration.
        FillDefaultConfig(*m_pHub->m_pConfig);
    } else if (missing) {
        CConfigData config;
        WriteDefaultConfig(config);
    }
    return true;
}

void CTarvexApp::WriteDefaultConfig(CConfigData& config) {
    FillDefaultConfig(config);
    SaveConfig(config);
}

void CTarvexApp::FillDefaultConfig(CConfigData& config) {
    config.m_pInputSettings = &m_pHub->m_pInput->GetSettings();
    // What a settings file run only in part had set goes as well: the run then uses, and saves
    // at its end, the defaults alone, as a first run does.
    config.ResetSettings();
    config.SetProfile(3);
    SInputs::SetDefaultBindings(*config.m_pInputSettings, 2);
    // A first run shows the game with the hardware driver, as answering Yes would.
    config.m_pGraphics->EnumerateDrivers();
    if (config.m_pGraphics->GetUsableDriverCount() > 0)
        config.m_pGraphics->SelectDriver(1);
}

bool CTarvexApp::SaveConfig(const CConfigData& config, const char* fileName) {
    const WaitCursorShown busy;
    // The next start reads no more than one run of command files does and sets a longer file
    // aside, with every setting in it: the file already there is better kept.
    const uint64_t size = config.SavedSize();
    if (size > SCommandInterpreter::kMaxExecBytes) {
        const std::string text = std::string("Could not save to ") + fileName + ": the settings come to " +
                                 sys::text::Grouped(size) + " bytes,\nmore than the " +
                                 sys::text::Grouped(SCommandInterpreter::kMaxExecBytes) +
                                 " that one start reads, so the file is left as it was.";
        Message(text.c_str());
        return false;
    }
    try {
        config.SaveToFile(fileName);
        return true;
    } catch (const CFileException& e) {
        char text[512];
        std::snprintf(text, sizeof(text), "Could not save to %s  [%d]",
                      e.m_strFileName.IsEmpty() ? fileName : static_cast<const char*>(e.m_strFileName), e.m_cause);
        Message(text);
        return false;
    }
}

void CTarvexApp::ExecDefaultConfig() {
    SCommandInterpreter* interpreter = m_pHub->m_pInterpreter;
    SString response;
    SHeldScriptErrors overrun;
    bool whole = false;
    {
        // Held here rather than by the run, so that what a run cut at its bound told goes into
        // the one box that also says what became of the file.
        const SScriptErrorHold hold(kDefaultConfig);
        whole = interpreter->ExecFile(SString(kDefaultConfig), response, false) || sys::signals::IsCloseRequested();
        if (!whole && interpreter->WasRunCut())
            overrun.Take(*SScriptErrorHold::Held());
    }
    if (whole)
        return;
    // Not read to its end (a file it runs passed the run's bound, or reading failed): the save
    // at exit would lose the settings after the stop, so the file is kept.
    ReportUnreadableDefaultConfig(true, overrun.Text(kDefaultConfig));
    FillDefaultConfig(*m_pHub->m_pConfig);
}

void CTarvexApp::ExecStartupConfig() {
    CConfigData* config = m_pHub->m_pConfig;
    if (m_pHub->m_pInterpreter != nullptr) {
        // Text of which the program knows no command sets nothing (the library's commands are
        // known from here on): it is damaged, and what it holds is kept, not written over.
        if (m_bSkipDefaultConfig == 0 &&
            CConfigData::HoldsNoKnownCommand(kDefaultConfig, [this](const char* word) { return IsKnownCommand(word); })) {
            ReportUnreadableDefaultConfig(true);
            FillDefaultConfig(*config);
        }
        if (m_bSkipDefaultConfig == 0 && FileInWorkingDirectory(kDefaultConfig))
            ExecDefaultConfig();
        SString response;
        m_pHub->m_pInterpreter->ExecFile(SString("startup.cfg"), response, false);
    }
    if (sys::signals::IsCloseRequested())
        return;  // no question or benchmark for a start-up that is about to end
    CGraphicsData* graphics = config->m_pGraphics;
    graphics->EnumerateDrivers();
    const bool anyDriver = graphics->GetUsableDriverCount() > 0;
    if (config->m_iSysProfile < 0) {
        if (anyDriver) {
            const int answer =
                sys::dialogs::MessageBox(kHardwareFoundText, kHardwareFoundCaption, sys::MB_YESNO | sys::MB_ICONQUESTION);
            graphics->SelectDriver(answer == sys::IDYES ? 1 : 0);
            if (!CanSelectedDriverRenderWindowed())
                config->m_pSystem->m_bFullScreen = 1;
        }
        const sys::window::HPROGRESSDLG dialog = sys::window::CreateProgressDialog(
            m_pFrame != nullptr ? m_pFrame->GetSafeHwnd() : nullptr, kTitle, kBenchmarkText);
        if (dialog != nullptr)
            sys::window::SendProgressMessage(dialog, sys::window::PBM_SETRANGE, 0, sys::MAKELPARAM(0, 100));
        auto progress = std::make_unique<SProgress>(dialog);
        int level = RunBenchmark(*config, *progress);
        if (anyDriver && graphics->m_bSoftware == 0) {
            level = std::max(level, 4);
            graphics->SetTextureQualityFromMemory();
        } else {
            level = std::min(level, 3);
        }
        config->SetProfile(level);
        progress.reset();
    }
    if (!anyDriver)
        graphics->m_bSoftware = 1;
}

bool CTarvexApp::CanSelectedDriverRenderWindowed() const {
    const CGraphicsData* graphics = m_pHub->m_pConfig->m_pGraphics;
    return graphics->m_bSoftware != 0 || graphics->m_bCanRenderWindowed != 0;
}

int CTarvexApp::RunBenchmark(const CConfigData& config, SUpdatableObject& progress) {
    uint32_t start = sys::time::TickCount();
    double acc = 0.0;
    int counter = 0;
    for (double k = 0.1; k < 100.0; k += 0.1) {
        for (double j = 0.01; j < 25.0; j += 0.01) {
            const double value = static_cast<double>(sys::Rand()) * j * k * 0.01 + acc;
            const auto bits = static_cast<uint32_t>(static_cast<int64_t>(value));
            acc = static_cast<double>(bits >> 4);
        }
        if (counter % 10 == 0) {
            // Drawing the progress is not part of what is measured.
            const uint32_t before = sys::time::TickCount();
            progress.Update((counter + 1) / 10);
            start += sys::time::TickCount() - before;
        }
        ++counter;
    }
    const uint32_t elapsed = sys::time::TickCount() - start;
    if (config.m_pGraphics->m_bSoftware != 0) {
        if (elapsed < 1000)
            return 3;
        return elapsed < 1200 ? 2 : 1;
    }
    return elapsed < 1000 ? 5 : 4;
}

void CTarvexApp::InstallDisplay() {
    m_pGraphics = new SGraphics;
    m_pHub->m_pGraphics = m_pGraphics;
    m_pFactory = std::make_unique<SRendererFactory>(m_pHub->m_pGameItems);
    m_pShell = std::make_unique<CTarvexShell>(m_pHub, m_pFactory.get(), m_pFrame.get(), m_pMsgHandler.get());
    m_pShell->Install(m_pGraphics);
    m_pGraphicsHost = std::make_unique<SGraphicsHost>(m_pGraphics);
    m_pGraphicsHost->Install();
}

void CTarvexApp::ReleaseDisplay() {
    if (m_pGraphics != nullptr)
        m_pGraphics->SetCursorObject(nullptr);
    if (m_pGraphicsHost != nullptr) {
        m_pGraphicsHost->SetDefaultFont(CString(""), 0);
        m_pGraphicsHost->Uninstall();
    }
    m_pGraphicsHost.reset();
    if (m_pHub != nullptr && m_pHub->m_pGraphics == m_pGraphics)
        m_pHub->m_pGraphics = nullptr;
    delete m_pGraphics;
    m_pGraphics = nullptr;
    m_pShell.reset();
    m_pFactory.reset();
}

bool CTarvexApp::SetDisplayMode() {
    CConfigData* config = m_pHub->m_pConfig;
    const int useDirect3D = config->m_pGraphics->m_bSoftware == 0 ? 1 : 0;
    const int fullScreen = config->m_pSystem->m_bFullScreen != 0 ? 1 : 0;
    m_pGraphics->SetDisplayOptions(useDirect3D, fullScreen);
    if (config->m_pGraphics->m_bPrimaryDriver != 0) {
        m_pGraphics->SetDriverGuid(nullptr);
    } else {
        std::memcpy(&m_DriverGuid, config->m_pGraphics->m_DriverGuid, sizeof(m_DriverGuid));
        m_pGraphics->SetDriverGuid(&m_DriverGuid);
    }
    if (m_pGraphics->ResetDisplayMode() != 0)
        return true;
    if (useDirect3D == 0)
        return true;  // not reported: start-up goes on without a display mode
    Message(kHardwareAdvice);
    m_pGraphics->ReleaseSurfaces();
    m_pGraphics->SetDriverGuid(nullptr);
    m_pGraphics->SetDisplayOptions(0, fullScreen);
    if (m_pGraphics->ResetDisplayMode() == 0) {
        Message(kFatalMode);
        ThrowUserException();
    }
    config->m_pGraphics->m_bSoftware = 1;
    return true;
}

bool CTarvexApp::InitHardware() {
    SCommandLine commandLine(m_sCommandLine.c_str());
    if (!m_sCommandLine.empty())
        commandLine.Parse();
    CConfigData* config = m_pHub->m_pConfig;
    try {
        // Also gone before an error message is shown, so the box does not look busy.
        const WaitCursorShown busy;
        m_pHub->m_pInput->Create(*config->m_pInputSettings);
        InstallDisplay();
        m_pGraphics->ResetState();
        SFrontEndHooks::Installed().CreateScreens(m_pHub);
        if (m_pGraphics->GetDrivers().Enumerate() == 0)
            return false;
        m_pHub->CreateCatalog();
        SWindow::SetResourceCatalog(m_pHub->m_pCatalog);
        SGameItems* items = m_pHub->m_pGameItems;
        if (items->m_pSound != nullptr)
            items->m_pSound->Initialize(m_pHub->m_pCatalog, config->m_pSound, items->m_pSoundNames);
        SetDisplayMode();

        bool dedicated = false;
        commandLine.GetFlag(dedicated, "dedicated", false);
        SFrontEndHooks::Installed().PreloadScreens(m_pHub, dedicated);
        bool lobby = false;
        if (m_pHub->m_pGameDLL != nullptr) {
            const char* launched = m_pHub->m_pGameDLL->GetProperty("LobbyLaunched");
            lobby = launched != nullptr && std::atoi(launched) == 1;
            if (!lobby)
                m_pHub->m_pGameDLL->ReleaseMultiplayer();
        }
        if (!lobby) {
            const std::string missing = SFrontEndHooks::Installed().ShowFirstScreen(m_pHub);
            if (!missing.empty()) {
                Message(missing.c_str());
                return false;
            }
        }
        if (config->m_pSystem->m_bFullScreen != 0) {
            const sys::RECT confine{0, 0, CMainFrame::kClientWidth, CMainFrame::kClientHeight};
            sys::window::ClipCursor(&confine);
        }
        SFrontEndHooks::Installed().CreateInterface(m_pHub, m_pGraphicsHost.get());
        m_pGraphicsHost->SetDefaultFont(CString("Master"), 1);
        m_pMsgHandler->CreateConsole();
        if (lobby) {
            // The lobby names the officer; an unknown name leaves none current.
            SHunterInfo* officer = nullptr;
            SHunterInfoList* officers = m_pHub->LoadPlayerList(false);
            const char* name = m_pHub->m_pGameDLL->GetProperty("Hunter");
            if (officers != nullptr && name != nullptr && SOfficerHooks::Installed() != nullptr)
                officer = SOfficerHooks::Installed()->FindOfficer(*officers, name);
            m_pHub->m_pGameDLL->SetProperty("ServerType", "TCP");
            m_pHub->SetCurrentPlayer(officer);
            m_pHub->SetGameType(3);
            EnterPlayScreen();
        }
        std::string address;
        if (commandLine.GetValue("connect", address, false))
            Connect(commandLine);
        else if (dedicated)
            StartDedicated(commandLine);
    } catch (const CFileException& e) {
        ReportLoadError(e.m_strFileName);
        return false;
    } catch (const CArchiveException& e) {
        // A damaged file is as fatal as a missing one, and the player is told which.
        ReportLoadError(e.m_strFileName);
        return false;
    } catch (const CUserException&) {
        return false;
    }
    return true;
}

int CTarvexApp::Run() {
    static double s_dFrameStart = 0.0;
    while (m_bRunning != 0) {
        s_dFrameStart = SecondsSinceStart();
        bool didWork = false;
        if (!m_pMsgHandler->PumpMessages(didWork))
            return ExitInstance();
        const bool idle = IsIdleServer(didWork);
        if (m_pHub->m_pInput != nullptr)
            m_pHub->m_pInput->Update();
        if (m_iRunState != kRunQuitting) {
            UpdateScreen();
            if (m_bDrawEnabled != 0 && m_pGraphics != nullptr)
                m_pGraphics->RenderFrame();
            if (m_pHub->m_pGameItems->m_pSound != nullptr)
                m_pHub->m_pGameItems->m_pSound->Update();
        }
        m_pHub->m_fFrameRate = FrameRate(s_dFrameStart, SecondsSinceStart());
        if (idle && m_bRunning != 0) {
            if (const uint32_t rest = IdleStepMilliseconds(s_dFrameStart, SecondsSinceStart()))
                sys::time::Sleep(rest);
        }
    }
    return ExitInstance();
}

bool CTarvexApp::IsIdleServer(bool handledMessages) const {
    if (m_bDedicatedServer == 0 || handledMessages)
        return false;
    SGameDLL* library = m_pHub->m_pGameDLL;
    CObList* clients = library != nullptr ? library->GetClientList() : nullptr;
    return clients == nullptr || SClientInfo::GetCount(clients) == 0;
}

uint32_t CTarvexApp::IdleStepMilliseconds(double frameStart, double now) {
    const double step = 1.0 / kIdleStepsPerSecond;
    const double left = step - (now - frameStart);
    // A step already over (or a clock reading that makes no sense) leaves nothing to sleep; one
    // that went backwards, at most one step.
    if (!(left > 0.0))
        return 0;
    // Rounded, not cut: the clock's seconds are sums of milliseconds that doubles cannot hold
    // exactly, and a whole step must not come out a millisecond short.
    return static_cast<uint32_t>(std::lround(std::min(left, step) * 1000.0));
}

float CTarvexApp::FrameRate(double frameStart, double now) {
    // The very first pass reads 0.0 at its top and so reports an infinite rate.
    double rate = frameStart == 0.0 ? 1.0 / frameStart : 1.0 / (now - frameStart);
    if (0.1 > rate)
        rate = 0.1;
    return static_cast<float>(rate);
}

void CTarvexApp::Quit() {
    SetRunState(kRunQuitting);
    m_bRunning = 0;
}

int CTarvexApp::SetRunState(int state) {
    const int previous = m_iRunState;
    m_iRunState = state;
    return previous;
}

void CTarvexApp::UpdateScreen() { SFrontEndHooks::Installed().UpdateScreen(m_pHub); }

void CTarvexApp::EndRunningSession() {
    if (SGameScreenLink* screen = SGameScreenLink::Current())
        screen->EndGame();
    SOfficerHooks* records = SOfficerHooks::Installed();
    if (records != nullptr && m_pHub->m_pPlayerList != nullptr)
        records->SaveList(*m_pHub->m_pPlayerList);
}

int CTarvexApp::ExitInstance() {
    sys::window::ClipCursor(nullptr);
    // Nothing is torn down under a live session: it ends first, and its results are kept.
    if (m_bHardwareReady != 0)
        EndRunningSession();
    // The screens and the cursor hold catalog layouts and display surfaces, so they go while
    // both still exist; this also runs after a failed start-up.
    SFrontEndHooks::Installed().Shutdown(m_pHub);
    if (m_bHardwareReady != 0) {
        if (m_pHub->m_bHomeReadOnly == 0 && m_bSkipDefaultConfig == 0)
            SaveConfig(*m_pHub->m_pConfig);
        // The display draws the cursor on every frame: it lets go before the cursor is deleted.
        if (m_pGraphics != nullptr && m_pGraphics->GetCursor() == g_pCursor)
            m_pGraphics->SetCursorObject(nullptr);
        delete g_pCursor;
        g_pCursor = nullptr;
        // The interface font comes from the catalog, so it goes before the hub drops that.
        if (m_pGraphicsHost != nullptr)
            m_pGraphicsHost->SetDefaultFont(CString(""), 0);
        m_pHub->Shutdown();
        SWindow::SetResourceCatalog(nullptr);
        m_bHardwareReady = 0;
    }
    // The console holds surfaces of the display, so it goes before the display does.
    if (m_pMsgHandler != nullptr)
        m_pMsgHandler->DeleteConsole();
    ReleaseDisplay();
    return m_pHub->m_iExitStatus;
}
