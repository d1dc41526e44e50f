#pragma once

#include <vector>

#include "core/SString.h"

class SDataCollection;

// Everything the console reaches outside the engine foundation: the game-logic library, the
// game items' command and settings lists, the input object's commands and name tables, the
// configuration, the hub's variable store and display switches, the sound statistics, the
// renderer, the display manager's screen shot and the current screen. The foundation cannot
// see those classes, so the application implements this on its hub and hands it to the
// interpreter, which does not own it.
//
// Every service may be missing (the library not loaded yet, no input object, no renderer
// between display modes): each operation then answers the value given beside it and does
// nothing, so the console can always tell "absent" from "present" without a null in sight.
class SConsoleHost {
public:
    // Input classes of the name tables and of a binding's code.
    enum InputClass { kInputKey = 0, kInputMouse = 1, kInputJoystick = 2 };

    virtual ~SConsoleHost() = default;

    // --- Game-logic library -------------------------------------------------------------------
    // Whether the library's bridge exists; the other calls of this group are ignored without it.
    virtual bool HasGameLibrary() = 0;
    // True while the library is inside an object block (false without the library).
    virtual bool IsObjectBlockOpen() = 0;
    virtual int ObjectParse(const char* line) = 0;
    // The library's state code; 0 without the library.
    virtual int GetGameState() = 0;
    virtual int DoCommand(int index, int state, const char* arguments) = 0;
    // Hands a line to the library's general parser; false only when there is no library.
    virtual bool ParseCommand(const char* line) = 0;

    // --- Game items ---------------------------------------------------------------------------
    // The words the library understands (value = kind as decimal text); null when absent.
    virtual SDataCollection* GetGameCommands() = 0;
    // The library's settings (LIST SETTINGS shows tag-0 names, SET reads values); null when absent.
    virtual SDataCollection* GetGameSettings() = 0;
    // Object definitions may be edited only until the game has been initialised.
    virtual bool AreObjectCommandsEnabled() = 0;

    // --- Input object -------------------------------------------------------------------------
    virtual bool HasInput() = 0;
    // The command records in index order; 0, "" and 0 without an input object. The texts stay
    // valid until the input commands change.
    virtual int GetInputCommandCount() = 0;
    virtual const char* GetInputCommandName(int index) = 0;
    virtual const char* GetInputCommandDisplayName(int index) = 0;
    virtual int GetInputAliasCount(int index) = 0;
    // Runs a command record the way a bound input would.
    virtual void ExecuteInputCommand(int index) = 0;
    // A line that presses ("+fire") or lets go ("-fire") a command of the library is about to
    // run: what a step's run pressed, also through a command file the step ran, is let go when
    // the run is ended.
    virtual void NoteInputLine(const char* word) = 0;
    // -1 when the name or the input object is missing.
    virtual int FindInputCommand(const char* name) = 0;
    virtual int FindInputCommandByCodes(int keyCode, int mouseCode, int joyCode) = 0;
    virtual int AddInputCommand(const char* name, const char* displayName, int type, int keyCode, int mouseCode,
                                int joyCode) = 0;
    // False when the step is refused (it would make the command call itself) or there is no
    // input object.
    virtual bool AddInputAlias(int index, const char* step) = 0;
    virtual void ClearInputAlias(int index) = 0;
    // The steps joined by ";".
    virtual SString GetInputAliasText(int index) = 0;
    // Names of the commands bound to no input, each followed by a blank.
    virtual SString ListUnboundInputCommands() = 0;
    // The configuration name of row `row` of a class's name table; "" past the end.
    virtual const char* GetInputConfigName(InputClass inputClass, int row) = 0;
    // The code of a configuration name in a class's table; -1 when the table lacks it.
    virtual int InputConfigNameToCode(InputClass inputClass, const char* name) = 0;
    // The light-gun pointer in client coordinates of the main window; false unless the input
    // object exists with light-gun input switched on.
    virtual bool GetLightGunPoint(int& x, int& y) = 0;

    // --- Configuration and variable store -----------------------------------------------------
    virtual bool HasConfig() = 0;
    // True when a configuration section took (knows) the name.
    virtual bool SetConfigVariable(const char* name, const char* value) = 0;
    virtual bool GetConfigVariable(const char* name, SString& value) = 0;
    virtual void ListConfigVariables(std::vector<SString>& names) = 0;
    // The hub's application variables ("APP_FPS" and the like); null when absent.
    virtual SDataCollection* GetVariableStore() = 0;
    // The overlay switches and client value the display manager reads each frame.
    virtual void SetDisplayFlags(bool showFps, bool showInput, bool showLayout, int clientValue) = 0;
    virtual bool GetSoundStatsOverlay() = 0;
    virtual void SetSoundStatsOverlay(bool show) = 0;

    // --- Renderer, display and screens --------------------------------------------------------
    virtual bool HasRenderer() = 0;
    // The 3D viewport on the screen (left, top, right, bottom); false without a renderer.
    virtual bool GetViewport(int rect[4]) = 0;
    // Eye position and ray direction through a screen point; false without a renderer.
    virtual bool GetViewRay(int x, int y, float eye[3], float direction[3]) = 0;
    virtual void RendererStatusLog() = 0;
    virtual void RendererOverheadShot(int viewDistance, float height, int fogStart, int fogEnd) = 0;
    // A numbered screen shot through the display manager; nothing without one.
    virtual void SaveScreenShot() = 0;
    // Tells the light-gun calibration screen, when it is current, that a bound input fired.
    virtual void NotifyGunCalibrateScreen() = 0;
    virtual bool IsGameScreenCurrent() = 0;
    // Ends the running game on the in-game screen.
    virtual void EndGame() = 0;
};
