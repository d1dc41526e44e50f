#pragma once

// A recording console host for the console tests and the console benchmark: a game library
// that logs every call it receives, a game-command list and a settings list, a small input
// object with name tables and command records, a configuration of named values, a variable
// store and the display switches. Every service can be switched off to test its absence.

#include <cstdio>
#include <string>
#include <vector>

#include "core/SConsoleHost.h"
#include "core/SDataCollection.h"
#include "core/SString.h"

namespace consoletest {

struct FakeInputCommand {
    std::string name;
    std::string display;
    int key = -1;
    int mouse = -1;
    int joy = -1;
    std::vector<std::string> steps;
};

class FakeConsoleHost : public SConsoleHost {
public:
    // Switches for the services.
    bool library = true;
    bool input = true;
    bool config = true;
    bool renderer = true;
    bool objectBlock = false;
    bool objectCommands = true;
    bool lightGun = true;
    bool gameScreen = false;
    int gameState = 0;
    int lightGunX = 0;
    int lightGunY = 0;
    int viewport[4] = {0, 0, 640, 480};
    float eye[3] = {0.0f, 0.0f, 0.0f};
    float direction[3] = {0.0f, 0.0f, 1.0f};

    // What the host has seen, one entry per call that reached a service.
    std::vector<std::string> log;

    SDataCollection gameCommands;
    SDataCollection gameSettings;
    SDataCollection variables;
    bool withGameCommands = true;
    bool withGameSettings = true;
    bool withVariables = true;

    std::vector<FakeInputCommand> commands;
    std::vector<std::pair<std::string, std::string>> configValues;
    std::vector<SString> configNames;

    bool soundStats = false;
    bool showFps = false;
    bool showInput = false;
    bool showLayout = false;
    int clientValue = -1;

    std::vector<std::string> keyNames{"a", "b", "space", "enter"};
    std::vector<std::string> mouseNames{"mouse1", "mouse2", "mouse3"};
    std::vector<std::string> joyNames{"joy1", "joy2"};

    void AddGameCommand(const char* word, const char* kind) { gameCommands.SetOrAppend(word, kind, 0); }
    int AddAliasCommand(const char* name, std::vector<std::string> steps) {
        FakeInputCommand command;
        command.name = name;
        command.steps = std::move(steps);
        commands.push_back(command);
        return static_cast<int>(commands.size()) - 1;
    }
    // The log joined with " | ", easy to compare in one line.
    std::string Log() const {
        std::string joined;
        for (const std::string& entry : log) {
            if (!joined.empty())
                joined += " | ";
            joined += entry;
        }
        return joined;
    }

    // --- Game-logic library ---
    bool HasGameLibrary() override { return library; }
    bool IsObjectBlockOpen() override { return library && objectBlock; }
    int ObjectParse(const char* line) override {
        log.push_back(std::string("ObjectParse ") + line);
        return 1;
    }
    int GetGameState() override { return library ? gameState : 0; }
    int DoCommand(int index, int state, const char* arguments) override {
        log.push_back("DoCommand " + std::to_string(index) + " " + std::to_string(state) + " [" + arguments + "]");
        return 1;
    }
    bool ParseCommand(const char* line) override {
        if (!library)
            return false;
        log.push_back(std::string("ParseCommand ") + line);
        return true;
    }

    // --- Game items ---
    SDataCollection* GetGameCommands() override { return withGameCommands ? &gameCommands : nullptr; }
    SDataCollection* GetGameSettings() override { return withGameSettings ? &gameSettings : nullptr; }
    bool AreObjectCommandsEnabled() override { return objectCommands; }

    // --- Input object ---
    bool Valid(int index) const { return input && index >= 0 && index < static_cast<int>(commands.size()); }
    bool HasInput() override { return input; }
    int GetInputCommandCount() override { return input ? static_cast<int>(commands.size()) : 0; }
    const char* GetInputCommandName(int index) override { return Valid(index) ? commands[index].name.c_str() : ""; }
    const char* GetInputCommandDisplayName(int index) override {
        return Valid(index) ? commands[index].display.c_str() : "";
    }
    int GetInputAliasCount(int index) override {
        return Valid(index) ? static_cast<int>(commands[index].steps.size()) : 0;
    }
    void ExecuteInputCommand(int index) override { log.push_back("ExecuteInputCommand " + std::to_string(index)); }
    void NoteInputLine(const char*) override {}
    int FindInputCommand(const char* name) override {
        if (!input || name == nullptr || *name == '\0')
            return -1;
        for (size_t i = 0; i < commands.size(); ++i) {
            if (CompareTextNoCase(commands[i].name.c_str(), name) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
    int FindInputCommandByCodes(int key, int mouse, int joy) override {
        for (size_t i = 0; input && i < commands.size(); ++i) {
            const FakeInputCommand& c = commands[i];
            if ((key != -1 && c.key == key) || (mouse != -1 && c.mouse == mouse) || (joy != -1 && c.joy == joy))
                return static_cast<int>(i);
        }
        return -1;
    }
    int AddInputCommand(const char* name, const char* display, int type, int key, int mouse, int joy) override {
        log.push_back(std::string("AddInputCommand ") + name + " [" + display + "] " + std::to_string(type) + " " +
                      std::to_string(key) + " " + std::to_string(mouse) + " " + std::to_string(joy));
        int index = FindInputCommand(name);
        if (index < 0) {
            commands.emplace_back();
            index = static_cast<int>(commands.size()) - 1;
        }
        FakeInputCommand& c = commands[index];
        c.name = name;
        if (display != nullptr && *display != '\0')
            c.display = display;
        if (key != -1)
            c.key = key;
        if (mouse >= 0)
            c.mouse = mouse;
        if (joy >= 0)
            c.joy = joy;
        return index;
    }
    // Refuses a step that names the command itself, the simplest loop there is.
    bool AddInputAlias(int index, const char* step) override {
        if (!Valid(index) || CompareTextNoCase(commands[index].name.c_str(), step) == 0)
            return false;
        commands[index].steps.emplace_back(step);
        return true;
    }
    void ClearInputAlias(int index) override {
        if (Valid(index))
            commands[index].steps.clear();
    }
    SString GetInputAliasText(int index) override {
        std::string text;
        for (size_t i = 0; Valid(index) && i < commands[index].steps.size(); ++i)
            text += (i > 0 ? ";" : "") + commands[index].steps[i];
        return SString(text.c_str());
    }
    SString ListUnboundInputCommands() override {
        std::string text;
        for (const FakeInputCommand& c : commands) {
            if (!c.name.empty() && c.key == -1 && c.mouse == -1 && c.joy == -1)
                text += c.name + " ";
        }
        return SString(text.c_str());
    }
    const std::vector<std::string>& Names(InputClass inputClass) const {
        return inputClass == kInputKey ? keyNames : inputClass == kInputMouse ? mouseNames : joyNames;
    }
    const char* GetInputConfigName(InputClass inputClass, int row) override {
        const std::vector<std::string>& names = Names(inputClass);
        return row >= 0 && row < static_cast<int>(names.size()) ? names[row].c_str() : "";
    }
    int InputConfigNameToCode(InputClass inputClass, const char* name) override {
        const std::vector<std::string>& names = Names(inputClass);
        for (size_t i = 0; i < names.size(); ++i) {
            if (CompareTextNoCase(names[i].c_str(), name) == 0)
                return static_cast<int>(i) + (inputClass == kInputKey ? 30 : 0);
        }
        return -1;
    }
    bool GetLightGunPoint(int& x, int& y) override {
        if (!input || !lightGun)
            return false;
        x = lightGunX;
        y = lightGunY;
        return true;
    }

    // --- Configuration and variable store ---
    bool HasConfig() override { return config; }
    bool SetConfigVariable(const char* name, const char* value) override {
        for (auto& entry : configValues) {
            if (CompareTextNoCase(entry.first.c_str(), name) == 0) {
                entry.second = value;
                log.push_back(std::string("SetConfigVariable ") + name + " [" + value + "]");
                return true;
            }
        }
        return false;
    }
    bool GetConfigVariable(const char* name, SString& value) override {
        for (const auto& entry : configValues) {
            if (CompareTextNoCase(entry.first.c_str(), name) == 0) {
                value = entry.second.c_str();
                return true;
            }
        }
        return false;
    }
    void ListConfigVariables(std::vector<SString>& names) override { names = configNames; }
    SDataCollection* GetVariableStore() override { return withVariables ? &variables : nullptr; }
    void SetDisplayFlags(bool fps, bool inputOverlay, bool layout, int client) override {
        showFps = fps;
        showInput = inputOverlay;
        showLayout = layout;
        clientValue = client;
    }
    bool GetSoundStatsOverlay() override { return soundStats; }
    void SetSoundStatsOverlay(bool show) override { soundStats = show; }

    // --- Renderer, display and screens ---
    bool HasRenderer() override { return renderer; }
    bool GetViewport(int rect[4]) override {
        if (!renderer)
            return false;
        for (int i = 0; i < 4; ++i)
            rect[i] = viewport[i];
        return true;
    }
    bool GetViewRay(int x, int y, float eyeOut[3], float directionOut[3]) override {
        if (!renderer)
            return false;
        log.push_back("GetViewRay " + std::to_string(x) + " " + std::to_string(y));
        for (int i = 0; i < 3; ++i) {
            eyeOut[i] = eye[i];
            directionOut[i] = direction[i];
        }
        return true;
    }
    void RendererStatusLog() override { log.push_back("RendererStatusLog"); }
    void RendererOverheadShot(int viewDistance, float height, int fogStart, int fogEnd) override {
        char text[128];
        std::snprintf(text, sizeof(text), "RendererOverheadShot %d %.1f %d %d", viewDistance,
                      static_cast<double>(height), fogStart, fogEnd);
        log.push_back(text);
    }
    void SaveScreenShot() override { log.push_back("SaveScreenShot"); }
    void NotifyGunCalibrateScreen() override { log.push_back("NotifyGunCalibrateScreen"); }
    bool IsGameScreenCurrent() override { return gameScreen; }
    void EndGame() override { log.push_back("EndGame"); }
};

}  // namespace consoletest
