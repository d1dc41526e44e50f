#pragma once

#include <vector>

#include "core/SConsoleHost.h"

class SD3D6Parser;
class SGameObjects;
class SInputObj;

// The console's view of the running program: answers the console interpreter's questions from
// the hub's members as they are at the moment of the call (the game-logic bridge, the game
// items, the input object, the configuration, the variable store and the display switches), so
// members that come and go (the library, a scratch input object during the default-binding
// merge) are always the current ones. The hub owns it next to the interpreter; it owns nothing.
//
// The renderer is the game items' current one; the screen manager is not part of the program
// yet: until it is, the operations that need it answer "absent", which every console command
// handles.
class SConsoleHostImpl : public SConsoleHost {
public:
    explicit SConsoleHostImpl(SGameObjects& hub);
    ~SConsoleHostImpl() override;
    SConsoleHostImpl(const SConsoleHostImpl&) = delete;
    SConsoleHostImpl& operator=(const SConsoleHostImpl&) = delete;

    bool HasGameLibrary() override;
    bool IsObjectBlockOpen() override;
    int ObjectParse(const char* line) override;
    int GetGameState() override;
    int DoCommand(int index, int state, const char* arguments) override;
    bool ParseCommand(const char* line) override;

    SDataCollection* GetGameCommands() override;
    SDataCollection* GetGameSettings() override;
    bool AreObjectCommandsEnabled() override;

    bool HasInput() override;
    int GetInputCommandCount() override;
    const char* GetInputCommandName(int index) override;
    const char* GetInputCommandDisplayName(int index) override;
    int GetInputAliasCount(int index) override;
    void ExecuteInputCommand(int index) override;
    void NoteInputLine(const char* word) override;
    int FindInputCommand(const char* name) override;
    int FindInputCommandByCodes(int keyCode, int mouseCode, int joyCode) override;
    int AddInputCommand(const char* name, const char* displayName, int type, int keyCode, int mouseCode,
                        int joyCode) override;
    bool AddInputAlias(int index, const char* step) override;
    void ClearInputAlias(int index) override;
    SString GetInputAliasText(int index) override;
    SString ListUnboundInputCommands() override;
    const char* GetInputConfigName(InputClass inputClass, int row) override;
    int InputConfigNameToCode(InputClass inputClass, const char* name) override;
    bool GetLightGunPoint(int& x, int& y) override;

    bool HasConfig() override;
    bool SetConfigVariable(const char* name, const char* value) override;
    bool GetConfigVariable(const char* name, SString& value) override;
    void ListConfigVariables(std::vector<SString>& names) override;
    SDataCollection* GetVariableStore() override;
    void SetDisplayFlags(bool showFps, bool showInput, bool showLayout, int clientValue) override;
    bool GetSoundStatsOverlay() override;
    void SetSoundStatsOverlay(bool show) override;

    bool HasRenderer() override;
    bool GetViewport(int rect[4]) override;
    bool GetViewRay(int x, int y, float eye[3], float direction[3]) override;
    void RendererStatusLog() override;
    void RendererOverheadShot(int viewDistance, float height, int fogStart, int fogEnd) override;
    void SaveScreenShot() override;
    void NotifyGunCalibrateScreen() override;
    bool IsGameScreenCurrent() override;
    void EndGame() override;

    // Says a line that is no command's reply: on standard error, and in the console window
    // once there is one.
    void Say(const char* text);

private:
    SInputObj* Input() const;
    SD3D6Parser* Renderer() const;

    SGameObjects& m_hub;
};
