#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/SProgress.h"
#include "core/SString.h"
#include "sys/video/video.h"

class CConfigData;
class CMainFrame;
class SCommandLine;
class SDisplayCursor;
class SGameObjects;
class SGraphics;
class SGraphicsHost;
class SGraphicsShell;
class SMsgHandler;
class SRendererFactory;

// Removes one leading and one trailing double quote when present.
void StripQuotes(std::string& text);

// The vertical resolution of the desktop, read once at start-up; screens compare it with 480.
extern int32_t g_iDesktopHeight;
// The software cursor, owned by the application; null until start-up makes it.
extern SDisplayCursor* g_pCursor;

// The application object: brings the whole system up in a fixed order on the main thread
// (InitInstance), runs the game loop, which waits only between the idle steps of a dedicated
// server (Run), and shuts down in order, saving "default.cfg" (ExitInstance). It owns the main
// frame, the message handler and the display manager with its installed helpers; the hub owns
// everything else. One per process.
class CTarvexApp {
public:
    static constexpr int kRunNormal = 1;
    static constexpr int kRunQuitting = 3;
    static constexpr const char* kTitle = "Tarvex";
    static constexpr const char* kRegistryKey = "Quellon Interactive";
    static constexpr const char* kDefaultConfig = "default.cfg";

    // hub null: the process's hub (made once the profile key is set).
    explicit CTarvexApp(SGameObjects* hub = nullptr);
    virtual ~CTarvexApp();
    CTarvexApp(const CTarvexApp&) = delete;
    CTarvexApp& operator=(const CTarvexApp&) = delete;

    // The program's arguments as one text (SCommandLine::JoinArguments).
    void SetCommandLine(std::string text) { m_sCommandLine = std::move(text); }

    // False ends the program; ExitInstance then only releases what start-up made.
    virtual bool InitInstance();
    // The game loop; answers ExitInstance's result, the process's exit code.
    virtual int Run();
    // Shuts down; answers the hub's exit status (0 unless something failed that the program
    // could not go on without).
    virtual int ExitInstance();
    void Quit();
    int SetRunState(int state);

    bool InitCom();
    void ShowSplash();
    bool CheckDrivers();
    // Defaults (detail level 3, keyboard layout 2, the first hardware driver) into the
    // configuration, written as "default.cfg".
    void WriteDefaultConfig(CConfigData& config);
    // The same defaults, not written; whatever the configuration and the input settings held
    // before is gone.
    void FillDefaultConfig(CConfigData& config);
    void ExecStartupConfig();
    bool InitHardware();
    // Writes the configuration; a failure is shown and answered false. So is a text longer than
    // the next start would read, which leaves the file as it was.
    static bool SaveConfig(const CConfigData& config, const char* fileName = kDefaultConfig);
    // Floating-point and random-number speed as a detail level 1 to 5.
    static int RunBenchmark(const CConfigData& config, SUpdatableObject& progress);
    // One pass's frame rate from the clock reading at its top and the clock now.
    static float FrameRate(double frameStart, double now);
    // How long an idle dedicated server sleeps after a pass that began at `frameStart`, so that
    // its passes come at most kIdleStepsPerSecond a second; 0 once the step is over. Nobody
    // watches its frames, so drawing them as fast as the display takes them would only keep a
    // processor core busy while nobody plays.
    static constexpr int kIdleStepsPerSecond = 5;
    static uint32_t IdleStepMilliseconds(double frameStart, double now);

    SGameObjects* GetHub() const { return m_pHub; }
    SMsgHandler* GetMsgHandler() const { return m_pMsgHandler.get(); }
    CMainFrame* GetMainFrame() const { return m_pFrame.get(); }
    SGraphicsHost* GetGraphicsHost() const { return m_pGraphicsHost.get(); }

    // Public: the video settings save, change and restore them while they switch the display.
    uint8_t m_bHardwareReady = 0;
    int32_t m_bRunning = 1;
    int32_t m_iRunState = kRunNormal;
    int32_t m_bDrawEnabled = 1;

protected:
    // The multiplayer starts at the end of InitHardware; "connect" wins over "dedicated". Both
    // hand the session's settings to the game-logic library and go to the in-game screen. A
    // dedicated server whose map is not there says so and ends start-up (CUserException).
    virtual void Connect(SCommandLine& commandLine);
    virtual void StartDedicated(SCommandLine& commandLine);
    // Play begins on the calibration page when the light gun is in use, else on the range.
    void EnterPlayScreen();
    // One frame of the current screen, through the front end; nothing while no screen exists.
    virtual void UpdateScreen();

private:
    // Start-up stops, saying so, without a "Home" folder; a Home that cannot be written to is
    // used as it is, nothing is saved there, and the player is told once.
    bool CheckHomeFolder();
    // A "default.cfg" that cannot be read is not executed and the player is told; the game
    // starts with the defaults. A damaged one is kept under a name of its own; one that stays
    // where it is (it cannot be opened, or moved) is never saved over.
    void CheckDefaultConfig();
    // Runs "default.cfg"; one not run to its end is told, kept, and replaced by the defaults.
    void ExecDefaultConfig();
    // Tells the player, and keeps the file aside when it is damaged and Home can be written;
    // `overrun` is what a run that went past the bound said (empty for a file not read).
    void ReportUnreadableDefaultConfig(bool damaged, const std::string& overrun = std::string());
    // A command word the console runs: one of its own, the library's, or an input alias.
    bool IsKnownCommand(const char* word) const;
    // A session still running when the game closes ends as leaving its screen ends it, and
    // what was played is saved.
    void EndRunningSession();
    bool SetDisplayMode();
    void InstallDisplay();
    void ReleaseDisplay();
    bool CanSelectedDriverRenderWindowed() const;
    // A dedicated server whose pass handled no message and whose library lists no client.
    bool IsIdleServer(bool handledMessages) const;

    SGameObjects* m_pHub;
    std::string m_sCommandLine;
    std::unique_ptr<SMsgHandler> m_pMsgHandler;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<SRendererFactory> m_pFactory;
    std::unique_ptr<SGraphicsShell> m_pShell;
    std::unique_ptr<SGraphicsHost> m_pGraphicsHost;
    SGraphics* m_pGraphics = nullptr;  // owned; the hub points at it
    sys::video::GUID m_DriverGuid{};
    uint8_t m_bSkipDefaultConfig = 0;  // "default.cfg" cannot be read and stays where it is
    uint8_t m_bDedicatedServer = 0;    // started as a dedicated server: idle steps are slept out
};
