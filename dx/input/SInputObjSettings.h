#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/SString.h"
#include "dx/input/SInputCommandIndex.h"
#include "dx/input/SInputStepIndex.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObject.h"

// Where configuration lines go: the configuration's text writer, which writes each text as
// it is given.
using SConfigTextWriter = std::function<void(const char* text)>;

// One input binding: the command text it runs (or, unnamed, its own list of steps), the label
// users see, the key, mouse button and joystick button that fire it (-1 for none), how it
// fires (1 hold: "+" on press, "-" on release; 2 latched; other values plain) and its run-time
// state. A value element of the settings' command array.
class SInputObjCommand : public CObject {
    DECLARE_DYNAMIC(SInputObjCommand)
public:
    SInputObjCommand() = default;
    SInputObjCommand(const SInputObjCommand&) = default;
    SInputObjCommand& operator=(const SInputObjCommand&) = default;
    ~SInputObjCommand() override = default;

    bool HasNoCode() const { return m_iKeyCode == -1 && m_iMouseCode == -1 && m_iJoyCode == -1; }
    // The steps joined by ";".
    SString GetStepsText() const;

    SString m_sName;
    SString m_sDisplayName;
    int32_t m_iKeyCode = -1;
    int32_t m_iMouseCode = -1;
    int32_t m_iJoyCode = -1;
    int32_t m_iType = 0;
    int32_t m_iPending = 0;
    std::vector<SString> m_Steps;
    int32_t m_iState = 0;
    int32_t m_iPrevState = 0;
};

// The data side of input: the bindings, the eleven "inp_" settings, the code-name tables, and
// the two stored forms (configuration lines and the archive). The input object contains the
// live one; the configuration keeps a pointer to it, the console's ALIAS, BIND, UNBOUND and
// LIST edit and show it.
class SInputObjSettings : public CObject {
    DECLARE_SERIAL(SInputObjSettings)
public:
    static constexpr int kAxisSlots = 8;
    // How many commands of a single step one resolution passes through.
    static constexpr int kLoopDepth = 10;

    SInputObjSettings();
    SInputObjSettings(const SInputObjSettings& other);
    // Copies the settings and the commands; the axis slots stay as they are.
    SInputObjSettings& operator=(const SInputObjSettings& other);
    ~SInputObjSettings() override;

    void Serialize(CArchive& ar) override;
    // The lines of "default.cfg", with display names as third values.
    virtual void WriteConfigPairs(const SConfigTextWriter& write) const;
    virtual void WriteConfig(const SConfigTextWriter& write) const;

    // --- Commands: an index out of range does nothing and answers 0, -1, "" or false. ---
    int GetCommandCount() const { return m_Commands.GetSize(); }
    // The record to change: its codes are looked at again before the next lookup by code, so
    // a pointer kept across a lookup must be taken again before it is written through. Its
    // name and steps change only through the settings.
    SInputObjCommand* GetCommand(int index);
    const SInputObjCommand* GetCommand(int index) const;
    int AddCommand(const char* name, const char* displayName, int type, int keyCode, int mouseCode, int joyCode);
    // Takes each given code (-1: none of that kind) from every command but `keep`; an unnamed
    // command left without any code goes. Answers where `keep` is afterwards (-1 for none).
    int UnbindCode(int keyCode, int mouseCode, int joyCode, int keep);
    // Appends the step unless it would lead back to the command (WouldLoop).
    bool AddAlias(int index, const char* step);
    // Whether the step, added to the command at `index`, would lead back to a command of its
    // name: by the step's whole text or its name without one leading "+" or "-", and on
    // through the steps of every command reached. Nothing else refuses a step.
    bool WouldLoop(int index, const char* step) const;
    SString GetAliasText(int index) const;
    int GetAliasCount(int index) const;
    SString GetAlias(int index, int n) const;
    void ClearAlias(int index);
    bool ResolveAlias(const char* step, SString& resolved) const;
    int FindCommand(const char* name) const;
    int FindCommandByCodes(int keyCode, int mouseCode, int joyCode) const;
    SString ListUnboundCommands() const;
    int SetAxisCommand(int slot, int index);
    int GetAxisCommand(int slot) const;
    void RemoveAllCommands() {
        m_Commands.RemoveAll();
        m_Index.Reset();
        m_StepIndex.Reset();
    }

    // --- The "inp_" variables. ---
    bool SetVariable(const char* name, const char* value);
    bool GetVariable(const char* name, SString& value) const;
    void ListVariables(CArray<SString>& names) const;

    // --- Code names. ---
    static const char* KeyCodeToDisplayName(int code);
    static const char* MouseCodeToDisplayName(int code);
    static const char* JoyCodeToDisplayName(int code);
    static const char* KeyIndexToConfigName(int index);
    static const char* MouseIndexToConfigName(int index);
    static const char* JoyIndexToConfigName(int index);
    static const char* KeyCodeToConfigName(int code);
    static const char* MouseCodeToConfigName(int code);
    static const char* JoyCodeToConfigName(int code);
    static int KeyConfigNameToCode(const char* name);
    static int MouseConfigNameToCode(const char* name);
    static int JoyConfigNameToCode(const char* name);
    static int KeyTableSize();

    int32_t m_iAiming = 1;        // inp_aiming: mouse aiming
    int32_t m_iJoyAiming = 1;     // set with inp_aiming: joystick aiming
    int32_t m_iAimingNLoad = 1;   // inp_aiming_nload
    int32_t m_iInvertX = 0;       // inp_invertx
    int32_t m_iInvertY = 1;       // inp_inverty
    int32_t m_iLightGun = 0;      // inp_lightgun
    int32_t m_iCalibrateLightGun = 0;  // inp_calibratelightgun
    int32_t m_iJoystick = 0;      // inp_joystick
    int32_t m_iFFeedback = 0;     // inp_ffeedback
    int32_t m_iMSmoothing = 1;    // inp_msmoothing
    uint8_t m_nMSensitivity = 127;  // inp_msensitivity, 1..255
    uint8_t m_nJSensitivity = 127;  // inp_jsensitivity, 1..255

private:
    void Write(const SConfigTextWriter& write, bool pairs) const;
    void Load(CArchive& ar);
    bool IsIndex(int index) const { return index >= 0 && index < m_Commands.GetSize(); }
    bool IsFirstOfName(int index) const { return FindCommand(m_Commands[index].m_sName.GetString()) == index; }

    CArray<SInputObjCommand, const SInputObjCommand&> m_Commands;
    // Lookups by name and code are asked for every script line; the index answers them.
    mutable SInputCommandIndex m_Index;
    // Who names whom among the steps, for the loop check of every step added.
    mutable SInputStepIndex m_StepIndex;
    int32_t m_AxisCommands[kAxisSlots] = {-1, -1, -1, -1, -1, -1, -1, -1};
};
