#pragma once

#include <cstdint>

#include "frontend/dialogs/STransparantDialog.h"

class SInputObj;
class SInputObjCommand;
class SInputObjSettings;
class SListCtrl;
class SScrollBar;

// The controls page of the settings: one list row per binding of each game command, where a
// second click on a row waits for the key or mouse button to bind and a right click unbinds,
// a button to reset the bindings to the defaults, and the aiming, inversion, joystick,
// sensitivity, footsteps, walk wobble and auto-run options. Bindings change in the input
// object's live command table at once; the options are written on a confirmed save. The
// settings page owns it while it is shown.
class SControlsDialog : public STransparantDialog {
    DECLARE_DYNAMIC(SControlsDialog)

public:
    static constexpr uint32_t kList = 200;
    static constexpr uint32_t kScrollBar = 250;
    static constexpr uint32_t kScrollUp = 3600;
    static constexpr uint32_t kScrollDown = 3601;
    static constexpr uint32_t kAimingCheck = 3300;
    static constexpr uint32_t kInvertXCheck = 3530;
    static constexpr uint32_t kInvertYCheck = 3540;
    static constexpr uint32_t kWalkWobbleCheck = 3560;
    static constexpr uint32_t kFootstepsCheck = 3570;
    static constexpr uint32_t kAutoRunCheck = 3580;
    static constexpr uint32_t kJoystickCheck = 3590;
    static constexpr uint32_t kJoystickControl = 3520;
    static constexpr uint32_t kWaitingWindow = 3700;
    static constexpr uint32_t kMouseSlider = 3710;
    static constexpr uint32_t kMouseDown = 3709;
    static constexpr uint32_t kMouseUp = 3711;
    static constexpr uint32_t kJoystickSlider = 3720;
    static constexpr uint32_t kJoystickDown = 3719;
    static constexpr uint32_t kJoystickUp = 3721;
    static constexpr uint32_t kResetButton = 3750;
    static constexpr int kRowHeight = 16;
    static constexpr int kVisibleRows = 6;
    static constexpr int kMaxRows = 256;
    static constexpr int kSliderStep = 5;
    static constexpr uint32_t kBlinkMs = 256;
    static constexpr const char* kUnnamedText = "????";
    static constexpr const char* kResetText = "reset key config to default values";
    static constexpr const char* kResetFailedText = "The default key config could not be read: ";

    // What a list row shows of its command.
    enum RowKind { kNone = -1, kKey = 1, kMouseButton = 2, kJoystickButton = 3 };

    SControlsDialog();
    ~SControlsDialog() override;

    void Activate() override;
    // Asks whether to save a change; in every case the input object is built again from its
    // settings, so that it reads what the dialog bound.
    void Deactivate() override;
    // Blinks the row that waits for an input.
    int Draw(SDC* pDC) override;
    // Reached after the control under the point took the press: a second left click on a row
    // waits for an input to bind to its command, a second right click unbinds what it shows.
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnRButtonDown(uint32_t nFlags, int x, int y) override;
    void OnNotify(uint32_t nID, int32_t nCode) override;
    void Save() override;

    // Rebuilds the list from the command table.
    void RefreshList();
    // Waits for a key or mouse button (or joystick button) and binds it to the command of the
    // row; the last command of the table is never rebound.
    void CaptureInput(int nRow);
    // After a capture from a row of one kind took an input of another kind, the row's own
    // binding goes: the new input replaces it.
    static void ReplaceRowBinding(SInputObjCommand& command, RowKind eRowKind, const SInputObjCommand& before);
    // Unbinds what the row shows.
    void UnbindRow(int nRow);

    bool IsChanged() const { return m_bChanged != 0; }
    int GetLastRow() const { return m_iLastRow; }
    uint32_t GetBlinkDeadline() const { return m_dwBlinkDeadline; }
    static int GetRowCommand(int nRow);
    static int GetRowKind(int nRow);

private:
    SInputObj* Input() const;
    SListCtrl* List();
    SScrollBar* ScrollBar();
    bool InList(int x, int y);
    // Binds the input of the kind to the command and takes it from every other command.
    void Bind(SInputObjSettings& settings, int nCommand, RowKind eKind, int nCode);
    // One pass over the pending messages; true once an input was bound or the program is to
    // quit.
    bool TakeMessages(int nCommand, bool& rbQuit);
    bool TakeJoystickButtons(int nCommand);
    void ResetBindings();
    void SetHighlight(bool bOn);
    static void OnScroll(int nPosition);

    int32_t m_bChanged = 0;
    int32_t m_iLastRow = -1;
    int32_t m_iDeviceMode = 0;
    uint32_t m_dwBlinkDeadline = 0;
    int32_t m_bMouseRows = 1;
    uint8_t m_byHighlight = 0;  // what the list was last told

    static int s_aiRowCommand[kMaxRows];
    static int s_aiRowKind[kMaxRows];
    static SControlsDialog* s_pCurrent;
};
