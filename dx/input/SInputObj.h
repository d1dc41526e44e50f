#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/SString.h"
#include "dx/input/SDXEffect.h"
#include "dx/input/SDXInput.h"
#include "dx/input/SDXJoystick.h"
#include "dx/input/SDXKeyboard.h"
#include "dx/input/SDXMouse.h"
#include "dx/input/SInputObjSettings.h"
#include "sys/classlib/CList.h"
#include "sys/classlib/CObject.h"
#include "sys/window/window.h"

// Where every user action enters the system. Once a frame it reads the keyboard, the mouse
// and the joystick or light gun, turns each binding whose input goes down into command text
// ("+" in front for hold commands) and each hold binding whose input comes up into its "-"
// text, runs queued alias steps (with "wait" pauses), lets a joystick move the system pointer
// and hands the two aiming axes (yaw, pitch) on. The hub owns the one live input object and
// plugs in the command executor (the console) and the axis sink.
class SDXActLabsGS;

class SInputObj : public CObject {
    DECLARE_DYNAMIC(SInputObj)
public:
    // Runs one console line.
    using CommandExecutor = std::function<void(const char* text)>;
    // Tells the player something the input object had to do on its own (one line of text).
    using Reporter = std::function<void(const char* text)>;
    // Takes the aiming axes of this frame.
    using AxisSink = std::function<void(int32_t yaw, int32_t pitch)>;

    static constexpr int kAxisFullScale = JOYSTICK_AXIS_FULLSCALE;
    static constexpr int kScaleQuotient = kAxisFullScale / 10;
    // Steps one frame may run; the rest wait for the next frame, so an alias that queues
    // itself cannot hold the main loop.
    static constexpr int kMaxStepsPerUpdate = 256;
    // Steps the queue holds. A hand-made alias waits behind at most a few hundred steps (a
    // console line holds about five hundred one-letter steps), so this is reached by steps that
    // queue more of themselves each time they run, past which memory would grow for as long as
    // the game runs, or by thousands of lists queued at once. A run that grows is ended there;
    // a list queued whole never is, and a command whose steps find no room is not run.
    static constexpr int kMaxQueuedSteps = 4096;
    // The bytes of step text the queue holds, by the same rule: a step may be as long as a
    // whole line of a command file, and a few thousand of those would hold hundreds of megabytes.
    static constexpr size_t kMaxQueuedBytes = size_t{4} << 20;
    // A notice the queue gives (a command not run, a run stopped) fits one row of the console
    // at 640 x 480; a long name is cut to make it fit.
    static constexpr size_t kNoticeWidth = 48;
    // The same notice is said again only after this many milliseconds, whatever loop reaches it.
    static constexpr uint32_t kNoticeRepeatMs = 1000;
    // The pause of a "wait" step without a usable count, in milliseconds.
    static constexpr uint32_t kDefaultWait = 100;

    explicit SInputObj(CommandExecutor executor = nullptr, AxisSink axisSink = nullptr);
    ~SInputObj() override;
    SInputObj(const SInputObj&) = delete;
    SInputObj& operator=(const SInputObj&) = delete;

    void SetCommandExecutor(CommandExecutor executor) { m_Executor = std::move(executor); }
    void SetAxisSink(AxisSink sink) { m_AxisSink = std::move(sink); }
    void SetReporter(Reporter reporter) { m_Reporter = std::move(reporter); }

    bool Create(const SInputObjSettings& settings);
    bool Cleanup();
    void Update();
    void ResetState();

    void ExecuteCommand(int index);
    void ReleaseCommand(int index);
    void ReleaseCommandByName(const char* name);
    void RunCommandLine(const char* step);
    // A console line about to run, whoever runs it: what a "+" line presses while a step of a run
    // runs (a line of a command file the step exec'd) is that run's to let go, and a "-" line
    // lets go whatever held its word.
    void NoteLine(const char* line);

    void EnableMouse(bool keepUnacquired = false);
    void DisableMouse();
    // While a text line (the console) runs, keys and mouse buttons are the line's: the keyboard
    // and the mouse are let go, so nothing typed or clicked meanwhile reaches a binding and
    // the pointer is free over the line's window. The end takes back what the game held, read
    // afresh: the keys when they were on, the mouse when it was acquired (or was enabled
    // meanwhile). Nested runs end with the outermost.
    void BeginTextInput();
    void EndTextInput();
    bool IsTextInput() const { return m_iTextInput > 0; }
    sys::LRESULT OnWindowMessage(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam);
    bool GetCursorPosition(sys::POINT& point) const;

    SInputObjCommand* GetCommand(int index) { return m_Settings.GetCommand(index); }
    SInputObjCommand* GetCommandByName(const char* name) { return m_Settings.GetCommand(m_Settings.FindCommand(name)); }
    bool IsCommandActive(int index);
    bool IsCommandActive(const char* name) { return IsCommandActive(m_Settings.FindCommand(name)); }
    bool WasCommandActive(int index);
    bool WasCommandActive(const char* name) { return WasCommandActive(m_Settings.FindCommand(name)); }

    // Forwarded to the settings.
    int AddCommand(const char* name, const char* displayName, int type, int keyCode, int mouseCode, int joyCode) {
        return m_Settings.AddCommand(name, displayName, type, keyCode, mouseCode, joyCode);
    }
    bool AddAlias(int index, const char* step) { return m_Settings.AddAlias(index, step); }
    SString GetAliasText(int index) const { return m_Settings.GetAliasText(index); }
    void ClearAlias(int index) { m_Settings.ClearAlias(index); }
    int GetAliasCount(int index) const { return m_Settings.GetAliasCount(index); }
    SString GetAlias(int index, int n) const { return m_Settings.GetAlias(index, n); }
    bool ResolveAlias(const char* step, SString& resolved) const { return m_Settings.ResolveAlias(step, resolved); }
    SString ListUnboundCommands() const { return m_Settings.ListUnboundCommands(); }
    int FindCommand(const char* name) const { return m_Settings.FindCommand(name); }
    int FindCommandByCodes(int key, int mouse, int joy) const { return m_Settings.FindCommandByCodes(key, mouse, joy); }
    int UnbindCode(int key, int mouse, int joy, int keep) { return m_Settings.UnbindCode(key, mouse, joy, keep); }
    static const char* KeyCodeToDisplayName(int code) { return SInputObjSettings::KeyCodeToDisplayName(code); }
    static const char* MouseCodeToDisplayName(int code) { return SInputObjSettings::MouseCodeToDisplayName(code); }
    static const char* JoyCodeToDisplayName(int code) { return SInputObjSettings::JoyCodeToDisplayName(code); }
    static const char* KeyIndexToConfigName(int n) { return SInputObjSettings::KeyIndexToConfigName(n); }
    static const char* MouseIndexToConfigName(int n) { return SInputObjSettings::MouseIndexToConfigName(n); }
    static const char* JoyIndexToConfigName(int n) { return SInputObjSettings::JoyIndexToConfigName(n); }
    static const char* KeyCodeToConfigName(int code) { return SInputObjSettings::KeyCodeToConfigName(code); }
    static const char* MouseCodeToConfigName(int code) { return SInputObjSettings::MouseCodeToConfigName(code); }
    static const char* JoyCodeToConfigName(int code) { return SInputObjSettings::JoyCodeToConfigName(code); }
    static int KeyConfigNameToCode(const char* name) { return SInputObjSettings::KeyConfigNameToCode(name); }
    static int MouseConfigNameToCode(const char* name) { return SInputObjSettings::MouseConfigNameToCode(name); }
    static int JoyConfigNameToCode(const char* name) { return SInputObjSettings::JoyConfigNameToCode(name); }

    // The aiming curves: both grow with the square of the input and keep its sign.
    double ScaleMouseAxis(int32_t v) const;
    double ScaleJoystickAxis(int32_t v) const;

    SInputObjSettings& GetSettings() { return m_Settings; }
    const SInputObjSettings& GetSettings() const { return m_Settings; }
    SDXInput& GetInput() { return m_Input; }
    SDXKeyboard& GetKeyboard() { return m_Keyboard; }
    SDXMouse& GetMouse() { return m_Mouse; }
    SDXJoystick* GetJoystick() const { return m_pJoystick; }
    // The light gun, when the device was made; null otherwise.
    SDXActLabsGS* GetLightGun() const;
    // Set when the light gun's device is made; the calibration screen clears it once the gun
    // is calibrated, so later starts no longer send the player there.
    bool IsLightGunPresent() const { return m_bLightGunPresent != 0; }
    void SetLightGunPresent(bool present) { m_bLightGunPresent = present ? 1 : 0; }
    // Whether the main window holds the keyboard focus, as its focus messages said last.
    bool IsFocused() const { return m_bFocused != 0; }
    void SetFocused(bool focused) { m_bFocused = focused ? 1 : 0; }
    bool IsInputEnabled() const { return m_bInputEnabled != 0; }
    void SetInputEnabled(bool enabled) { m_bInputEnabled = enabled ? 1 : 0; }
    bool IsMouseInput() const { return m_bMouseInput != 0; }
    bool IsMouseAcquired() const { return m_bMouseAcquired != 0; }
    int32_t GetPitch() const { return m_iPitch; }
    int32_t GetYaw() const { return m_iYaw; }
    int32_t GetLastMouseX() const { return m_iLastMouseX; }
    int32_t GetLastMouseY() const { return m_iLastMouseY; }
    int GetQueuedStepCount() const { return m_Queue.GetCount(); }
    size_t GetQueuedBytes() const { return m_nQueuedBytes; }
    // Whether what is kept beside the queue (each run's steps waiting, the bytes waiting, what
    // each run holds pressed, the lists each step came from, each named once) is what the queue
    // itself says; for tests.
    bool RunsMatchQueue() const;

private:
    enum class InputKind { Key, Mouse, Joystick };

    bool IsDown(int code, InputKind kind);
    // +F while the positive slot's input of that kind is down, -F for the negative slot.
    int32_t AxisSteps(int positiveSlot, int negativeSlot, InputKind kind);
    double KeyTurnAxis();
    void UpdateJoystickCursor();
    void RunBindings();
    void RunQueue();
    void UpdateAxes();
    bool QueueDue() const;
    void Execute(const SString& text);
    // The lists a queued step came from: the command run from outside the queue first, then each
    // list a step of it ran, newest last. A list already among them is not added again, so what
    // is kept of a list that repeats never grows.
    struct Lineage {
        Lineage(std::string name, std::shared_ptr<Lineage> outer) : name(std::move(name)), outer(std::move(outer)) {}
        // Lets go of a long line of lists one by one, not by a call for each.
        ~Lineage();
        Lineage(const Lineage&) = delete;
        Lineage& operator=(const Lineage&) = delete;
        bool Holds(const std::string& folded) const;
        std::string name;
        std::shared_ptr<Lineage> outer;
    };
    using LineagePtr = std::shared_ptr<Lineage>;
    // A run is what one command queued from outside the queue (a key, a console or script line)
    // together with every step queued while a step of it runs.
    struct QueuedStep {
        SString step;
        uint32_t run = 0;
        LineagePtr from;
    };
    // What the queue keeps of a run while a step of it waits or runs.
    struct RunState {
        size_t waiting = 0;  // its steps in the queue
        size_t first = 0;    // the steps its first command queued
        // A step of it ran a list it came from, and the run then held more than its first
        // command queued: it keeps queueing itself, and may be ended at the bound.
        bool grows = false;
        SString name;  // the list that queued itself, as the player would name it
    };
    // What steps and bindings hold pressed and have not let go, by folded word: the word as it
    // was written and who pressed it, runs by their number and 0 for the player's own input.
    struct HeldWord {
        std::string word;
        std::set<uint32_t> by;
    };
    uint32_t BeginRun();
    // The command as the notice names it: by its name or by its input, in quotes, cut so that a
    // notice of `room` more bytes fits a row of the console.
    std::string NameOf(int index, size_t room) const;
    // Makes room for `count` more steps of `bytes` bytes for `run`, queued by the command at
    // `index`, by ending the runs that grow, the one with the most steps waiting first; false
    // when the steps are not to be queued: `run` itself was ended, or nothing that grows stands
    // in their way.
    bool MakeRoom(uint32_t run, size_t count, size_t bytes, int index);
    void EndRun(uint32_t run);
    // A run none of whose steps waits or runs any more.
    void ForgetRun(uint32_t run);
    // Takes the run from among those holding each word; the words nobody holds any more.
    std::vector<std::string> DropHolder(uint32_t run);
    // Says the text unless the same was said within kNoticeRepeatMs.
    void Say(const std::string& text);
    // Keeps track of what a step, a line or an input pressed ("+left") and what was let go since.
    void NotePressed(const char* text, uint32_t by);
    void NoteLetGo(const char* text);

    uint8_t m_bInputEnabled = 1;
    double m_dJoyCursorX = 0.0;
    double m_dJoyCursorY = 0.0;
    int32_t m_iLastMouseX = 0;
    int32_t m_iLastMouseY = 0;
    int32_t m_iJoyClick[3] = {};
    SDXInput m_Input;
    SDXKeyboard m_Keyboard;
    SDXMouse m_Mouse;
    SDXJoystick* m_pJoystick = nullptr;
    SDXEffect m_Effect;
    uint8_t m_bMouseInput = 0;
    uint8_t m_bMouseAcquired = 0;
    uint8_t m_bLightGunPresent = 0;
    uint8_t m_bFocused = 0;
    int32_t m_iPitch = 0;
    int32_t m_iYaw = 0;
    SInputObjSettings m_Settings;
    CList<QueuedStep, const QueuedStep&> m_Queue{10};
    // Queued steps wait until the tick count is m_dwWaitDelay past m_dwWaitStart.
    uint32_t m_dwWaitStart = 0;
    uint32_t m_dwWaitDelay = 0;
    // The run of the step running now (0 outside the queue) and the last run begun.
    uint32_t m_dwRun = 0;
    uint32_t m_dwLastRun = 0;
    // The lists the step running now came from (none outside the queue).
    LineagePtr m_pFrom;
    size_t m_nQueuedBytes = 0;
    // Each run with a step waiting or running. One the bound ends goes at once, so a step still
    // running in a run that is not here any more queues nothing more of it.
    std::map<uint32_t, RunState> m_Runs;
    // A run the bound ends lets go what it alone pressed, so nothing it pressed stays held for
    // good and nothing another run or the player holds is cut.
    std::map<std::string, HeldWord> m_Held;
    // When each notice was last said, so that none is said more than once a second.
    std::map<std::string, uint32_t> m_Said;
    CommandExecutor m_Executor;
    AxisSink m_AxisSink;
    Reporter m_Reporter;
    // The keyboard turn's acceleration, velocity and position, kept across frames.
    int32_t m_iTurnAccel = 0;
    int32_t m_iTurnVelocity = 0;
    int32_t m_iTurnPosition = 0;
    // Text-line runs open, and what the game held when the first began.
    int m_iTextInput = 0;
    bool m_bTextKeys = false;
    bool m_bTextMouse = false;
};
