#include "frontend/dialogs/SControlsDialog.h"

#include <algorithm>
#include <string>

#include "app/CConfigData.h"
#include "app/CSystemData.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "frontend/dialogs/SOptionDialogs.h"
#include "frontend/screens/SButtonSlide1.h"
#include "sys/classlib/CStringArray.h"
#include "sys/signals.h"
#include "sys/time/time.h"
#include "sys/window/window.h"
#include "ui/widgets/SListCtrl.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/SSlider.h"

IMPLEMENT_DYNAMIC(SControlsDialog, STransparantDialog)

int SControlsDialog::s_aiRowCommand[kMaxRows];
int SControlsDialog::s_aiRowKind[kMaxRows];
SControlsDialog* SControlsDialog::s_pCurrent = nullptr;

namespace {

constexpr int kDeviceKeys = 0;
constexpr int kDeviceMouse = 1;
constexpr int kDeviceJoystick = 2;
constexpr int kKeyCodes = 255;  // scan codes 0..254
constexpr int kJoystickButtons = 32;
constexpr const char* kDefaultCommands = "defcmds.cfg";

// Tick counts compare by their difference, so a deadline across the counter's wrap still
// comes.
bool Reached(uint32_t dwNow, uint32_t dwDeadline) { return static_cast<int32_t>(dwNow - dwDeadline) >= 0; }

// The blink deadline keeps 0 for "not blinking".
uint32_t Deadline(uint32_t dwFromNow) {
    const uint32_t dwDeadline = sys::time::TickCount() + dwFromNow;
    return dwDeadline != 0 ? dwDeadline : 1;
}

int32_t& CodeOf(SInputObjCommand& command, SControlsDialog::RowKind eKind) {
    switch (eKind) {
    case SControlsDialog::kKey:
        return command.m_iKeyCode;
    case SControlsDialog::kMouseButton:
        return command.m_iMouseCode;
    default:
        return command.m_iJoyCode;
    }
}

}  // namespace

SControlsDialog::SControlsDialog() : STransparantDialog(option_dialogs::kLayoutGroup, "OMC") {
    // The slide shows every control it moves; the waiting notice stays hidden until a row waits.
    if (GetSlide() != nullptr)
        GetSlide()->AddExcludedId(kWaitingWindow);
    std::fill(std::begin(s_aiRowCommand), std::end(s_aiRowCommand), -1);
    std::fill(std::begin(s_aiRowKind), std::end(s_aiRowKind), static_cast<int>(kNone));
}

SControlsDialog::~SControlsDialog() {
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

int SControlsDialog::GetRowCommand(int nRow) { return nRow >= 0 && nRow < kMaxRows ? s_aiRowCommand[nRow] : -1; }

int SControlsDialog::GetRowKind(int nRow) { return nRow >= 0 && nRow < kMaxRows ? s_aiRowKind[nRow] : kNone; }

SInputObj* SControlsDialog::Input() const { return GetHub()->m_pInput; }

SListCtrl* SControlsDialog::List() { return dynamic_cast<SListCtrl*>(FindControl(kList)); }

SScrollBar* SControlsDialog::ScrollBar() { return dynamic_cast<SScrollBar*>(FindControl(kScrollBar)); }

void SControlsDialog::SetHighlight(bool bOn) {
    m_byHighlight = bOn ? 1 : 0;
    if (SListCtrl* list = List())
        list->SetHighlight(bOn);
}

void SControlsDialog::OnScroll(int) {
    if (s_pCurrent != nullptr)
        s_pCurrent->RefreshList();
}

// ---- showing ----------------------------------------------------------------------------------

void SControlsDialog::Activate() {
    STransparantDialog::Activate();
    s_pCurrent = this;
    if (SScrollBar* bar = ScrollBar()) {
        bar->SetChangeCallback(&SControlsDialog::OnScroll);
        bar->SetPaintBackground(0);
    }
    m_dwBlinkDeadline = 0;
    m_iLastRow = -1;
    RefreshList();

    CConfigData* config = GetConfig();
    SInputObj* input = Input();
    if (config != nullptr && input != nullptr) {
        const SInputObjSettings& settings = input->GetSettings();
        const CSystemData* system = config->m_pSystem;
        SetCheck(kAimingCheck, settings.m_iAiming != 0 ? 1 : 0);
        SetCheck(kWalkWobbleCheck, system->m_bWalkWobble != 0 ? 1 : 0);
        SetCheck(kFootstepsCheck, system->m_bFootsteps != 0 ? 1 : 0);
        SetCheck(kJoystickCheck, settings.m_iJoystick != 0 ? 1 : 0);
        SetCheck(kAutoRunCheck, system->m_bAutoRun != 0 ? 1 : 0);
        SetCheck(kInvertXCheck, settings.m_iInvertX != 0 ? 1 : 0);
        SetCheck(kInvertYCheck, settings.m_iInvertY != 0 ? 1 : 0);
        const struct {
            uint32_t nID;
            int nPos;
        } sliders[] = {{kMouseSlider, settings.m_nMSensitivity}, {kJoystickSlider, settings.m_nJSensitivity}};
        for (const auto& entry : sliders)
            if (auto* slider = dynamic_cast<SSlider*>(FindControl(entry.nID))) {
                slider->SetPos(entry.nPos);
                slider->SetPaintBackground(0);
                slider->SetMin(1);
            }
    }
    if (SWindow* waiting = FindControl(kWaitingWindow))
        waiting->SetVisible(false);
    if (SListCtrl* list = List()) {
        list->SetRowHeight(kRowHeight);
        SetHighlight(false);
    }
    if (SWindow* control = FindControl(kJoystickControl)) {
        SDXJoystick* device = input != nullptr ? input->GetJoystick() : nullptr;
        control->SetNotifyParent(device != nullptr && device->GetDevice() != nullptr);
    }
}

void SControlsDialog::RefreshList() {
    SInputObj* input = Input();
    const int nCommands = input != nullptr ? input->GetSettings().GetCommandCount() : 0;
    SScrollBar* bar = ScrollBar();
    if (bar != nullptr)
        bar->SetRange(0, std::max(nCommands - kVisibleRows, 0));
    SListCtrl* list = List();
    if (list != nullptr) {
        list->SetItemCount(0);
        list->SetColumnCount(2);
        list->SetTopRow(bar != nullptr ? bar->GetPos() : 0);
    }
    std::fill(std::begin(s_aiRowCommand), std::end(s_aiRowCommand), -1);
    std::fill(std::begin(s_aiRowKind), std::end(s_aiRowKind), static_cast<int>(kNone));
    if (input == nullptr)
        return;

    SInputObjSettings& settings = input->GetSettings();
    const bool bJoystick = settings.m_iJoystick != 0;
    int nRow = 0;
    // Rows past the tables' end are not listed: they could be neither bound nor unbound.
    auto addRow = [&](int nCommand, const SInputObjCommand& command, const char* inputName, RowKind eKind) {
        if (nRow >= kMaxRows)
            return;
        CStringArray cells;
        cells.Add(CString(command.m_sDisplayName.GetString()));
        cells.Add(CString(inputName != nullptr ? inputName : ""));
        if (list != nullptr)
            list->AddItem(cells);
        s_aiRowCommand[nRow] = nCommand;
        s_aiRowKind[nRow] = eKind;
        ++nRow;
    };
    for (int i = 0; i < nCommands; ++i) {
        SInputObjCommand& command = *settings.GetCommand(i);
        if (command.m_sDisplayName.IsEmpty())
            command.m_sDisplayName = kUnnamedText;
        if (m_iDeviceMode == kDeviceKeys && command.m_iKeyCode != -1)
            addRow(i, command, SInputObjSettings::KeyCodeToDisplayName(command.m_iKeyCode), kKey);
        if (m_bMouseRows != 0 && command.m_iMouseCode != -1)
            addRow(i, command, SInputObjSettings::MouseCodeToDisplayName(command.m_iMouseCode), kMouseButton);
        if (bJoystick && command.m_iJoyCode != -1)
            addRow(i, command, SInputObjSettings::JoyCodeToDisplayName(command.m_iJoyCode), kJoystickButton);
        if (command.HasNoCode())
            addRow(i, command, SInputObjSettings::JoyCodeToDisplayName(-1), kNone);
    }
}

int SControlsDialog::Draw(SDC* pDC) {
    if (List() != nullptr && m_dwBlinkDeadline != 0 && Reached(sys::time::TickCount(), m_dwBlinkDeadline)) {
        SetHighlight(m_byHighlight == 0);
        m_dwBlinkDeadline = Deadline(kBlinkMs);
    }
    return STransparantDialog::Draw(pDC);
}

// ---- binding ----------------------------------------------------------------------------------

void SControlsDialog::Bind(SInputObjSettings& settings, int nCommand, RowKind eKind, int nCode) {
    // An input fires one command only.
    for (int i = 0; i < settings.GetCommandCount(); ++i) {
        int32_t& code = CodeOf(*settings.GetCommand(i), eKind);
        if (i != nCommand && code == nCode)
            code = -1;
    }
    CodeOf(*settings.GetCommand(nCommand), eKind) = nCode;
}

bool SControlsDialog::TakeMessages(int nCommand, bool& rbQuit) {
    SInputObj* input = Input();
    SInputObjSettings& settings = input->GetSettings();
    sys::MSG msg;
    while (sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_REMOVE)) {
        switch (msg.message) {
        case sys::WM_QUIT:
            // Closing the program while a row waits ends the wait; the main loop still has to
            // see the quit.
            sys::window::PostQuitMessage(static_cast<int>(msg.wParam));
            rbQuit = true;
            return true;
        case sys::WM_KEYDOWN:
        case sys::WM_SYSKEYDOWN:
            if (m_iDeviceMode != kDeviceKeys)
                break;
            // A key tapped and let go before this read still shows down on it.
            input->GetKeyboard().Update();
            for (int code = 0; code < kKeyCodes; ++code)
                if (input->GetKeyboard().IsKeyDown(code))
                    Bind(settings, nCommand, kKey, code);
            m_bChanged = 1;
            return true;
        case sys::WM_LBUTTONDOWN:
        case sys::WM_RBUTTONDOWN:
        case sys::WM_MBUTTONDOWN:
            if (m_iDeviceMode != kDeviceMouse && m_bMouseRows == 0)
                break;
            Bind(settings, nCommand, kMouseButton,
                 msg.message == sys::WM_LBUTTONDOWN ? 0 : (msg.message == sys::WM_RBUTTONDOWN ? 1 : 2));
            m_bChanged = 1;
            return true;
        default:
            break;
        }
    }
    return false;
}

bool SControlsDialog::TakeJoystickButtons(int nCommand) {
    SInputObj* input = Input();
    if (m_iDeviceMode != kDeviceJoystick && input->GetSettings().m_iJoystick == 0)
        return false;
    m_bChanged = 1;
    SDXJoystick* device = input->GetJoystick();
    if (device == nullptr || device->GetDevice() == nullptr || !device->Acquire() || !device->Update())
        return false;
    bool bTaken = false;
    for (int button = 0; button < kJoystickButtons; ++button)
        if (device->IsButtonDown(button) != 0) {
            Bind(input->GetSettings(), nCommand, kJoystickButton, button);
            bTaken = true;
        }
    device->Unacquire();
    return bTaken;
}

void SControlsDialog::CaptureInput(int nRow) {
    SInputObj* input = Input();
    const int nCommand = GetRowCommand(nRow);
    const int nCommands = input != nullptr ? input->GetSettings().GetCommandCount() : 0;
    if (nCommand < 0 || nCommand >= nCommands - 1) {
        SetHighlight(true);
        m_dwBlinkDeadline = 0;
        return;
    }
    SWindow* waiting = FindControl(kWaitingWindow);
    if (waiting != nullptr)
        waiting->SetVisible(true);
    m_dwBlinkDeadline = Deadline(kBlinkMs);
    SInputObjCommand& command = *input->GetSettings().GetCommand(nCommand);
    const SInputObjCommand before = command;

    bool bQuit = false;
    bool bTaken = false;
    while (!bTaken) {
        // A termination request ends the wait with nothing bound; it stays pending for the
        // message pump, which closes the game as at any other moment.
        if (sys::signals::IsCloseRequested())
            break;
        if (SGraphics* display = GetHub()->m_pGraphics)
            display->RenderFrame();
        bTaken = TakeMessages(nCommand, bQuit);
        if (!bQuit)
            bTaken = TakeJoystickButtons(nCommand) || bTaken;
    }

    ReplaceRowBinding(command, static_cast<RowKind>(GetRowKind(nRow)), before);
    if (waiting != nullptr)
        waiting->SetVisible(false);
    RefreshList();
    SetHighlight(true);
    m_dwBlinkDeadline = 0;
}

void SControlsDialog::ReplaceRowBinding(SInputObjCommand& command, RowKind eRowKind, const SInputObjCommand& before) {
    if (eRowKind == kNone)
        return;
    SInputObjCommand old = before;
    // The row asked for a new input: one of another kind takes the row's place instead of
    // joining it.
    bool bOtherTaken = false;
    for (RowKind eKind : {kKey, kMouseButton, kJoystickButton}) {
        const int32_t nCode = CodeOf(command, eKind);
        if (eKind != eRowKind && nCode != -1 && nCode != CodeOf(old, eKind))
            bOtherTaken = true;
    }
    if (bOtherTaken && CodeOf(command, eRowKind) == CodeOf(old, eRowKind))
        CodeOf(command, eRowKind) = -1;
}

void SControlsDialog::UnbindRow(int nRow) {
    SInputObj* input = Input();
    const int nCommand = GetRowCommand(nRow);
    const int eKind = GetRowKind(nRow);
    SInputObjCommand* command = input != nullptr ? input->GetSettings().GetCommand(nCommand) : nullptr;
    if (command != nullptr && eKind != kNone)
        CodeOf(*command, static_cast<RowKind>(eKind)) = -1;
    RefreshList();
}

bool SControlsDialog::InList(int x, int y) {
    SListCtrl* list = List();
    if (list == nullptr)
        return false;
    const sys::RECT rc = list->GetWindowRect();
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

void SControlsDialog::OnLButtonDown(uint32_t, int x, int y) {
    SListCtrl* list = List();
    if (list == nullptr)
        return;
    if (InList(x, y) && list->GetCurSel() == m_iLastRow)
        CaptureInput(list->GetCurSel());
    SetHighlight(true);
    m_iLastRow = list->GetCurSel();
}

void SControlsDialog::OnRButtonDown(uint32_t, int x, int y) {
    SListCtrl* list = List();
    if (list == nullptr)
        return;
    if (InList(x, y) && list->GetCurSel() >= 0 && list->GetCurSel() == m_iLastRow)
        UnbindRow(list->GetCurSel());
    SetHighlight(true);
    m_iLastRow = list->GetCurSel();
}

// ---- clicks -----------------------------------------------------------------------------------

void SControlsDialog::ResetBindings() {
    SWindow* parent = GetParent();
    SetParent(nullptr);
    SString response;
    SCommandInterpreter* console = GetHub()->m_pInterpreter;
    const bool bDone = console != nullptr && console->ExecFile(kDefaultCommands, response, false);
    // Only a script that ran may say the bindings are the defaults again.
    option_dialogs::ShowMessage(*this,
                                bDone ? kResetText : (std::string(kResetFailedText) + response.GetString()).c_str());
    SetParent(parent);
}

void SControlsDialog::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode == kNotifyClick) {
        SScrollBar* bar = ScrollBar();
        int nMin = 0;
        int nMax = 0;
        if (bar != nullptr)
            bar->GetRange(nMin, nMax);
        switch (nID) {
        case kScrollUp:
            if (bar != nullptr && bar->GetPos() > nMin)
                bar->SetPos(bar->GetPos() - 1);
            m_bChanged = 1;
            break;
        case kScrollDown:
            if (bar != nullptr && bar->GetPos() < nMax)
                bar->SetPos(bar->GetPos() + 1);
            m_bChanged = 1;
            break;
        case kMouseDown:
        case kMouseUp:
            option_dialogs::StepSlider(*this, kMouseSlider, nID == kMouseUp ? kSliderStep : -kSliderStep);
            m_bChanged = 1;
            break;
        case kJoystickDown:
        case kJoystickUp:
            option_dialogs::StepSlider(*this, kJoystickSlider, nID == kJoystickUp ? kSliderStep : -kSliderStep);
            m_bChanged = 1;
            break;
        case kMouseSlider:
        case kJoystickSlider:
        case kScrollBar:
        case kAimingCheck:
        case kInvertXCheck:
        case kInvertYCheck:
        case kWalkWobbleCheck:
        case kFootstepsCheck:
        case kAutoRunCheck:
            m_bChanged = 1;
            break;
        case kJoystickCheck:
            if (option_dialogs::GetCheck(*this, kJoystickCheck) != 0) {
                SetCheck(kInvertXCheck, 0);
                SetCheck(kInvertYCheck, 0);
            } else {
                SetCheck(kInvertYCheck, 1);
            }
            m_bChanged = 1;
            break;
        case kResetButton:
            ResetBindings();
            m_bChanged = 1;
            break;
        default:
            break;
        }
    }
    RefreshList();
    option_dialogs::EndOnButton(*this, nID, nCode);
}

// ---- leaving ----------------------------------------------------------------------------------

void SControlsDialog::Deactivate() {
    option_dialogs::SaveIfAgreed(*this, m_bChanged);
    if (SInputObj* input = Input())
        input->Create(input->GetSettings());
}

void SControlsDialog::Save() {
    CConfigData* config = GetConfig();
    SInputObj* input = Input();
    if (config == nullptr || input == nullptr)
        return;
    SInputObjSettings& settings = input->GetSettings();
    CSystemData* system = config->m_pSystem;
    system->m_bAutoRun = option_dialogs::GetCheck(*this, kAutoRunCheck);
    settings.m_iCalibrateLightGun = settings.m_iCalibrateLightGun != 0 && settings.m_iLightGun != 0 ? 1 : 0;
    settings.m_iAiming = option_dialogs::GetCheck(*this, kAimingCheck);
    settings.m_iJoyAiming = settings.m_iAiming;
    settings.m_iInvertX = option_dialogs::GetCheck(*this, kInvertXCheck);
    settings.m_iInvertY = option_dialogs::GetCheck(*this, kInvertYCheck);
    system->m_bFootsteps = option_dialogs::GetCheck(*this, kFootstepsCheck);
    system->m_bWalkWobble = option_dialogs::GetCheck(*this, kWalkWobbleCheck);
    settings.m_iJoystick = option_dialogs::GetCheck(*this, kJoystickCheck);
    for (const auto& entry : {std::pair<uint32_t, uint8_t*>{kMouseSlider, &settings.m_nMSensitivity},
                              std::pair<uint32_t, uint8_t*>{kJoystickSlider, &settings.m_nJSensitivity}})
        if (auto* slider = dynamic_cast<SSlider*>(FindControl(entry.first)))
            *entry.second = static_cast<uint8_t>(std::clamp(slider->GetPos(), 1, 255));
    input->Create(settings);
}
