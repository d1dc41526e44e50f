#include "dx/input/SDXJoystick.h"

#include "dx/input/SDXInput.h"

using namespace sys::input;

SDXJoystick::SDXJoystick() = default;

SDXJoystick::~SDXJoystick() {
    if (m_pDevice != nullptr) {
        SDXJoystick::ReleaseDevice();
    }
}

SDXJoystick& SDXJoystick::Unused() {
    static SDXJoystick joystick;
    return joystick;
}

bool SDXJoystick::CreateFromEntry(int entry, const char* operation) {
    DirectInput* di = m_pInput->GetDirectInput();
    if (di == nullptr) {
        m_pInput->ReportError(operation, DIERR_NOTINITIALIZED);
        return false;
    }
    Device* temporary = nullptr;
    HRESULT hr = di->CreateDevice(m_pInput->GetDevice(entry).guidInstance, &temporary, nullptr);
    if (Failed(hr)) {
        m_pInput->ReportError(operation, hr);
        return false;
    }
    hr = temporary->QueryDevice2(&m_pDevice);
    temporary->Release();
    if (Failed(hr)) {
        m_pDevice = nullptr;
        m_pInput->ReportError(operation, hr);
        return false;
    }
    return SetProperties();
}

bool SDXJoystick::Create(SDXInput* input) { return CreateOfSubType(input, -1); }

// A subtype of -1 takes any joystick.
bool SDXJoystick::CreateOfSubType(SDXInput* input, int subtype) {
    m_pInput = input;
    if (input == nullptr || input->GetLastIndex() < 0) {
        if (input) {
            input->ReportError("SDXJoystick::Create", DIERR_NOTFOUND);
        }
        return false;
    }
    for (int i = 0; i <= input->GetLastIndex(); ++i) {
        const uint32_t type = input->GetDevice(i).dwDevType;
        if ((type & 0xF) != DIDEVTYPE_JOYSTICK) {
            continue;
        }
        if (subtype >= 0 && static_cast<int>((type >> 4) & 0xF) != subtype) {
            continue;
        }
        return CreateFromEntry(i, "SDXJoystick::Create");
    }
    input->ReportError("SDXJoystick::Create", DIERR_NOTFOUND);
    return false;
}

bool SDXJoystick::CreateFF(SDXInput* input) {
    if (!Create(input)) {
        return false;
    }
    m_bFF = 1;
    return SetFFProperties();
}

void SDXJoystick::ReleaseDevice() {
    if (m_pDevice != nullptr) {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    m_bAcquired = 0;
}

bool SDXJoystick::FailProperties(const char* operation, HRESULT hr) {
    m_pInput->ReportError(operation, hr);
    ReleaseDevice();
    return false;
}

bool SDXJoystick::SetAxisRanges(const char* operation) {
    for (const uint32_t axis : {DIJOFS_X, DIJOFS_Y}) {
        DIPROPRANGE range;
        range.diph.dwObj = axis;
        range.diph.dwHow = DIPH_BYOFFSET;
        range.lMin = -1000;
        range.lMax = 1000;
        const HRESULT hr = m_pDevice->SetProperty(Property::Range, &range.diph);
        if (Failed(hr)) {
            return FailProperties(operation, hr);
        }
    }
    return true;
}

bool SDXJoystick::SetProperties() {
    if (m_pDevice == nullptr) {
        return false;
    }
    HRESULT hr = m_pDevice->SetDataFormat(&c_dfDIJoystick);
    if (hr != DI_OK) {
        return FailProperties("SDXJoystick::SetProperties", hr);
    }
    hr = m_pDevice->SetCooperativeLevel(m_pInput->GetWindow(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    if (hr != DI_OK) {
        return FailProperties("SDXJoystick::SetProperties", hr);
    }
    return SetAxisRanges("SDXJoystick::SetProperties");
}

// Force feedback needs exclusive access, so the cooperative level comes first.
bool SDXJoystick::SetFFProperties() {
    if (m_pDevice == nullptr) {
        return false;
    }
    HRESULT hr = m_pDevice->SetCooperativeLevel(m_pInput->GetWindow(), DISCL_EXCLUSIVE | DISCL_FOREGROUND);
    if (hr != DI_OK) {
        return FailProperties("SDXJoystick::SetFFProperties", hr);
    }
    hr = m_pDevice->SetDataFormat(&c_dfDIJoystick);
    if (hr != DI_OK) {
        return FailProperties("SDXJoystick::SetFFProperties", hr);
    }
    return SetAxisRanges("SDXJoystick::SetFFProperties");
}

bool SDXJoystick::SetAutoCenter(bool on) {
    if (m_pDevice == nullptr) {
        return false;
    }
    DIPROPDWORD property;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = on ? DIPROPAUTOCENTER_ON : DIPROPAUTOCENTER_OFF;
    const HRESULT hr = m_pDevice->SetProperty(Property::AutoCenter, &property.diph);
    if (Failed(hr)) {
        m_pInput->ReportError("SDXJoystick::SetAutoCenter", hr);
        return false;
    }
    return true;
}

bool SDXJoystick::Acquire() {
    if (m_pDevice == nullptr) {
        return false;
    }
    const HRESULT hr = m_pDevice->Acquire();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXJoystick::Acquire", hr);
        return false;
    }
    m_bAcquired = 1;
    return true;
}

bool SDXJoystick::Unacquire() {
    if (m_pDevice == nullptr) {
        return false;
    }
    const HRESULT hr = m_pDevice->Unacquire();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXJoystick::Unacquire", hr);
        return false;
    }
    m_bAcquired = 0;
    return true;
}

bool SDXJoystick::Update() {
    if (!Acquire()) {
        return false;
    }
    m_PrevState = m_State;
    HRESULT hr = m_pDevice->Poll();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXJoystick::Update", hr);
        return false;
    }
    hr = m_pDevice->GetDeviceState(sizeof(m_State), &m_State);
    if (hr != DIERR_INPUTLOST) {
        return true;
    }
    if (!Acquire()) {
        m_pInput->ReportError("SDXJoystick::Update", m_pInput->GetLastResult());
        return false;
    }
    hr = m_pDevice->GetDeviceState(sizeof(m_State), &m_State);
    if (Failed(hr)) {
        m_pInput->ReportError("SDXJoystick::Update", hr);
        return false;
    }
    return true;
}

int SDXJoystick::IsButtonDown(int n) {
    if (n < 0 || n > 31) {
        return 0;
    }
    return m_State.rgbButtons[n] & 0x80;
}

int SDXJoystick::WasButtonDown(int n) {
    if (n < 0 || n > 31) {
        return 0;
    }
    return m_PrevState.rgbButtons[n] & 0x80;
}
