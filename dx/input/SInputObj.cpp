#include "dx/input/SInputObj.h"

#include <algorithm>
#include <cmath>

#include "dx/input/SDXActLabsGS.h"
#include "sys/time/time.h"

IMPLEMENT_DYNAMIC(SInputObj, CObject)

namespace {

constexpr int32_t F = SInputObj::kAxisFullScale;
constexpr double Q = SInputObj::kScaleQuotient;

int32_t Clamp(int32_t value) { return std::clamp(value, -F, F); }

// One value of the aiming curve: v x |Q x v / F| x sensitivity x factor.
double Curve(double v, double sensitivity, double factor) { return v * std::fabs(Q * v / F) * sensitivity * factor; }

}  // namespace

SInputObj::SInputObj(CommandExecutor executor, AxisSink axisSink)
    : m_Executor(std::move(executor)), m_AxisSink(std::move(axisSink)) {
    m_Mouse.SetSmoothing(true);
    m_dwWaitStart = 0;
    m_dwWaitDelay = 0;
    ResetState();
}

SInputObj::~SInputObj() {
    delete m_pJoystick;
    m_pJoystick = nullptr;
}

void SInputObj::ResetState() {
    m_bInputEnabled = 1;
    m_dJoyCursorX = m_dJoyCursorY = 0.0;
    m_iJoyClick[0] = m_iJoyClick[1] = m_iJoyClick[2] = 0;
    m_bMouseInput = 0;
    m_bMouseAcquired = 0;
    m_iPitch = m_iYaw = 0;
}

bool SInputObj::Create(const SInputObjSettings& settings) {
    Cleanup();
    if (&settings != &m_Settings) {
        m_Settings = settings;
    }
    if (!m_Input.Create(nullptr, sys::window::GetMainWindow()) || !m_Keyboard.Create(&m_Input) ||
        !m_Mouse.Create(&m_Input)) {
        return false;
    }
    // The light gun goes first; with it in place, joystick input makes no second device.
    if (m_Settings.m_iLightGun) {
        m_Input.EnumAttachedJoysticks();
        if (m_Input.JoystickFound()) {
            auto* gun = new SDXActLabsGS;
            if (gun->Create(&m_Input)) {
                m_pJoystick = gun;
                m_bLightGunPresent = 1;
            } else {
                delete gun;
                m_Settings.m_iLightGun = 0;
            }
        } else {
            m_Settings.m_iLightGun = 0;
        }
    }
    if (!m_Settings.m_iLightGun) {
        m_Settings.m_iCalibrateLightGun = 0;
    }
    if (m_Settings.m_iJoystick) {
        if (m_Settings.m_iFFeedback && m_pJoystick == nullptr) {
            m_Input.EnumAttachedFFJoysticks();
            if (m_Input.FFJoystickFound()) {
                auto* joystick = new SDXJoystick;
                if (joystick->CreateFF(&m_Input)) {
                    m_pJoystick = joystick;
                } else {
                    delete joystick;
                    m_Settings.m_iFFeedback = 0;
                }
            } else {
                m_Settings.m_iFFeedback = 0;
            }
        }
        if (m_pJoystick == nullptr) {
            m_Input.EnumAttachedJoysticks();
            if (m_Input.JoystickFound()) {
                auto* joystick = new SDXJoystick;
                if (joystick->Create(&m_Input)) {
                    m_pJoystick = joystick;
                    return true;
                }
                delete joystick;
            }
        }
        if (m_pJoystick == nullptr) {
            m_Settings.m_iJoystick = 0;
        }
    }
    return true;
}

bool SInputObj::Cleanup() {
    m_bLightGunPresent = 0;
    if (m_pJoystick != nullptr) {
        m_pJoystick->ReleaseDevice();
        delete m_pJoystick;
        m_pJoystick = nullptr;
    }
    m_Mouse.Release();
    m_Keyboard.Release();
    m_Input.Release();
    return true;
}

void SInputObj::Update() {
    m_iPitch = 0;
    m_iYaw = 0;
    m_Keyboard.Update();
    if (m_bMouseAcquired && m_Mouse.IsAcquired()) {
        m_Mouse.Update();
    }
    if (!m_bInputEnabled) {
        return;
    }
    if (m_pJoystick != nullptr) {
        m_pJoystick->Update();
        if (m_Settings.m_iJoystick) {
            UpdateJoystickCursor();
        }
    }
    RunBindings();
    RunQueue();
    UpdateAxes();
    if (m_AxisSink) {
        m_AxisSink(m_iYaw, m_iPitch);
    }
}

// The joystick drives the system pointer while the mouse is not in game use, and its first
// three buttons click the left button.
void SInputObj::UpdateJoystickCursor() {
    m_dJoyCursorX += m_pJoystick->GetX() * static_cast<double>(m_Settings.m_nJSensitivity) * 0.001;
    m_dJoyCursorY += m_pJoystick->GetY() * static_cast<double>(m_Settings.m_nJSensitivity) * 0.001;
    if (!m_bMouseInput) {
        sys::window::mouse_event(sys::MOUSEEVENTF_MOVE, static_cast<int>(m_dJoyCursorX),
                                 static_cast<int>(m_dJoyCursorY), 0);
    }
    if (std::fabs(m_dJoyCursorX) > 1.0) {
        m_dJoyCursorX = 0.0;
    }
    if (std::fabs(m_dJoyCursorY) > 1.0) {
        m_dJoyCursorY = 0.0;
    }
    for (int button = 0; button < 3; ++button) {
        const bool down = m_pJoystick->IsButtonDown(button) != 0;
        if (m_iJoyClick[button] && !down) {
            m_iJoyClick[button] = 0;
            sys::window::mouse_event(sys::MOUSEEVENTF_LEFTUP, 0, 0, 0);
        } else if (!m_iJoyClick[button] && down) {
            m_iJoyClick[button] = 1;
            sys::window::mouse_event(sys::MOUSEEVENTF_LEFTDOWN, 0, 0, 0);
        }
    }
}

bool SInputObj::IsDown(int code, InputKind kind) {
    switch (kind) {
    case InputKind::Key:
        // Codes outside the key table (a damaged file) are as good as unbound.
        return code >= 0 && code < 256 && m_Keyboard.IsKeyDown(code);
    case InputKind::Mouse:
        return m_bMouseAcquired && code >= 0 && code <= 2 && m_Mouse.GetButtonState(code) != SDXMouse::kUp;
    case InputKind::Joystick:
        return m_pJoystick != nullptr && m_bMouseInput && m_pJoystick->IsButtonDown(code) != 0;
    }
    return false;
}

// Commands are fetched again after every hand-over: the console may rebind while a command
// runs, and the array may move.
void SInputObj::RunBindings() {
    for (int i = 0; i < m_Settings.GetCommandCount(); ++i) {
        SInputObjCommand* command = m_Settings.GetCommand(i);
        const bool down = IsDown(command->m_iKeyCode, InputKind::Key) ||
                          IsDown(command->m_iMouseCode, InputKind::Mouse) ||
                          IsDown(command->m_iJoyCode, InputKind::Joystick);
        command->m_iPrevState = command->m_iState;
        if (command->m_iType == 2) {
            if (down && command->m_iState == 0) {
                command->m_iState = 2;
            } else if (!down && command->m_iState == 1) {
                command->m_iState = 0;
            }
        } else {
            command->m_iState = down ? 2 : 0;
        }
        if (command->m_iState == 2 && command->m_iPrevState == 0) {
            ExecuteCommand(i);
        } else if (command->m_iState == 0 && command->m_iPrevState > 0) {
            ReleaseCommand(i);
        }
    }
}

int32_t SInputObj::AxisSteps(int positiveSlot, int negativeSlot, InputKind kind) {
    int32_t total = 0;
    const int slots[2] = {positiveSlot, negativeSlot};
    for (int n = 0; n < 2; ++n) {
        const SInputObjCommand* command = m_Settings.GetCommand(m_Settings.GetAxisCommand(slots[n]));
        if (command == nullptr) {
            continue;
        }
        const int code = kind == InputKind::Key     ? command->m_iKeyCode
                         : kind == InputKind::Mouse ? command->m_iMouseCode
                                                    : command->m_iJoyCode;
        if (IsDown(code, kind)) {
            total += n == 0 ? F : -F;
        }
    }
    return total;
}

double SInputObj::KeyTurnAxis() {
    const SInputObjCommand* right = m_Settings.GetCommand(m_Settings.GetAxisCommand(6));
    const SInputObjCommand* left = m_Settings.GetCommand(m_Settings.GetAxisCommand(7));
    const bool rightDown = right != nullptr && IsDown(right->m_iKeyCode, InputKind::Key);
    const bool leftDown = left != nullptr && IsDown(left->m_iKeyCode, InputKind::Key);
    if (rightDown) {
        m_iTurnAccel = m_iTurnAccel < 0 ? 0 : m_iTurnAccel + 2;
    }
    if (leftDown) {
        m_iTurnAccel = m_iTurnAccel > 0 ? 0 : m_iTurnAccel - 2;
    }
    if (!rightDown && !leftDown) {
        m_iTurnVelocity /= 15;
        m_iTurnPosition /= 15;
        m_iTurnAccel = 0;
    }
    if (m_iTurnPosition < -F) {
        m_iTurnPosition = -F;
        m_iTurnVelocity = 0;
        m_iTurnAccel = 0;
    } else if (m_iTurnPosition > F) {
        m_iTurnPosition = F;
        m_iTurnVelocity = 0;
        m_iTurnAccel = 0;
    }
    m_iTurnVelocity += m_iTurnAccel;
    m_iTurnPosition += m_iTurnVelocity;
    return Curve(m_iTurnPosition, m_Settings.m_nMSensitivity, 0.45);
}

double SInputObj::ScaleMouseAxis(int32_t v) const { return Curve(v, m_Settings.m_nMSensitivity, 0.45); }

double SInputObj::ScaleJoystickAxis(int32_t v) const { return Curve(v, m_Settings.m_nJSensitivity, 0.0035); }

void SInputObj::UpdateAxes() {
    const bool haveCommands = m_Settings.GetCommandCount() > 0;
    const bool aimingInput = (m_bMouseAcquired || m_bMouseInput) && haveCommands;
    const bool joystickAims = m_pJoystick != nullptr && m_bMouseInput;
    double yaw = 0;
    if (aimingInput) {
        if (m_bMouseAcquired) {
            yaw = std::trunc(yaw + ScaleMouseAxis(m_Mouse.GetX()));
            yaw += AxisSteps(6, 7, InputKind::Mouse);
        }
        if (joystickAims) {
            yaw = std::trunc(yaw + ScaleJoystickAxis(m_pJoystick->GetX()));
            yaw += AxisSteps(6, 7, InputKind::Joystick);
        }
        if (m_Settings.m_iInvertX) {
            yaw = -yaw;
        }
    }
    if (haveCommands) {
        yaw = std::trunc(yaw + KeyTurnAxis());
    }
    double pitch = 0;
    if (aimingInput) {
        if (m_bMouseAcquired) {
            pitch += AxisSteps(4, 5, InputKind::Mouse);
        }
        if (joystickAims) {
            pitch += AxisSteps(4, 5, InputKind::Joystick);
        }
        if (m_Settings.m_iAiming) {
            pitch = std::trunc(pitch + ScaleMouseAxis(m_Mouse.GetY()));
        }
        if (m_pJoystick != nullptr && m_Settings.m_iJoyAiming) {
            pitch = std::trunc(pitch + ScaleJoystickAxis(m_pJoystick->GetY()));
        }
        if ((m_Settings.m_iAiming || m_Settings.m_iJoyAiming) && m_Settings.m_iInvertY) {
            pitch = -pitch;
        }
    }
    if (haveCommands) {
        pitch += AxisSteps(4, 5, InputKind::Key);
    }
    // Clamped as doubles first: the curves can run far past what 32 bits hold.
    m_iYaw = Clamp(static_cast<int32_t>(std::clamp<double>(yaw, -F, F)));
    m_iPitch = Clamp(static_cast<int32_t>(std::clamp<double>(pitch, -F, F)));
}

void SInputObj::EnableMouse(bool keepUnacquired) {
    m_bMouseInput = 1;
    if (IsTextInput()) {
        // Taken when the text line is done with the buttons.
        m_bTextMouse = m_bTextMouse || !keepUnacquired;
    } else if (!keepUnacquired) {
        m_bMouseAcquired = m_Mouse.Acquire() ? 1 : 0;
    }
}

void SInputObj::DisableMouse() {
    if (m_bMouseAcquired) {
        m_Mouse.Unacquire();
        m_bMouseAcquired = 0;
    }
    m_bMouseInput = 0;
    m_bTextMouse = false;
}

void SInputObj::BeginTextInput() {
    if (m_iTextInput++ > 0) {
        return;
    }
    m_bTextKeys = m_Keyboard.IsEnabled();
    m_Keyboard.Enable(false);
    m_bTextMouse = m_bMouseAcquired != 0;
    if (m_bMouseAcquired) {
        m_Mouse.Unacquire();
        m_bMouseAcquired = 0;
    }
}

void SInputObj::EndTextInput() {
    if (m_iTextInput == 0 || --m_iTextInput > 0) {
        return;
    }
    if (m_bTextKeys) {
        m_Keyboard.Enable(true);
    }
    if (m_bTextMouse && m_bMouseInput) {
        m_bMouseAcquired = m_Mouse.Acquire() ? 1 : 0;
    }
    m_bTextKeys = m_bTextMouse = false;
}

// Client coordinates are signed: a captured pointer left of or above the window is negative.
sys::LRESULT SInputObj::OnWindowMessage(sys::UINT message, sys::WPARAM /*wParam*/, sys::LPARAM lParam) {
    if (message == sys::WM_MOUSEMOVE) {
        m_iLastMouseX = sys::GET_X_LPARAM(lParam);
        m_iLastMouseY = sys::GET_Y_LPARAM(lParam);
    }
    return 0;
}

SDXActLabsGS* SInputObj::GetLightGun() const { return dynamic_cast<SDXActLabsGS*>(m_pJoystick); }

bool SInputObj::GetCursorPosition(sys::POINT& point) const {
    sys::window::GetCursorPos(point);
    const sys::HWND window = sys::window::GetMainWindow();
    if (sys::window::IsWindow(window)) {
        sys::window::ScreenToClient(window, point);
    }
    return true;
}

bool SInputObj::IsCommandActive(int index) {
    SInputObjCommand* command = m_Settings.GetCommand(index);
    if (command == nullptr) {
        return false;
    }
    if (command->m_iType == 2) {
        if (command->m_iState == 2) {
            command->m_iState = 1;
            return true;
        }
        return false;
    }
    return command->m_iState != 0;
}

bool SInputObj::WasCommandActive(int index) {
    const SInputObjCommand* command = m_Settings.GetCommand(index);
    return command != nullptr && command->m_iPrevState != 0;
}
