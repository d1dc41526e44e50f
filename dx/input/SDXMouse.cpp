#include "dx/input/SDXMouse.h"

#include <cstdlib>

#include "dx/input/SDXInput.h"

using namespace sys::input;

SDXMouse::SDXMouse() = default;

SDXMouse::~SDXMouse() { Release(); }

bool SDXMouse::Create(SDXInput* input) {
    m_pInput = input;
    DirectInput* di = input ? input->GetDirectInput() : nullptr;
    if (di == nullptr) {
        if (input) {
            input->ReportError("SDXMouse::Create", DIERR_NOTINITIALIZED);
        }
        return false;
    }
    HRESULT hr = di->CreateDevice(GUID_SysMouse, &m_pDevice, nullptr);
    if (Failed(hr)) {
        m_pDevice = nullptr;
        input->ReportError("SDXMouse::Create", hr);
        return false;
    }
    input->SetMouse(this);
    hr = m_pDevice->SetDataFormat(&c_dfDIMouse);
    if (Succeeded(hr)) {
        hr = m_pDevice->SetCooperativeLevel(input->GetWindow(), DISCL_EXCLUSIVE | DISCL_FOREGROUND);
    }
    if (Failed(hr)) {
        input->ReportError("SDXMouse::Create", hr);
        return false;
    }
    return SetEventNotification() && SetBufferedInput();
}

bool SDXMouse::SetEventNotification() {
    if (m_hEvent == nullptr) {
        m_hEvent = CreateNotificationEvent();
    }
    const HRESULT hr = m_pDevice ? m_pDevice->SetEventNotification(m_hEvent) : DIERR_NOTINITIALIZED;
    if (Failed(hr)) {
        m_pInput->ReportError("SDXMouse::SetEventNotification", hr);
        return false;
    }
    return true;
}

bool SDXMouse::SetBufferedInput() {
    DIPROPDWORD property;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = kBufferItems;
    const HRESULT hr = m_pDevice ? m_pDevice->SetProperty(Property::BufferSize, &property.diph) : DIERR_NOTINITIALIZED;
    if (Failed(hr)) {
        m_pInput->ReportError("SDXMouse::SetBufferedInput", hr);
        return false;
    }
    return true;
}

int32_t SDXMouse::Smoothed(int32_t value, int32_t movement) const {
    if (m_bSmoothing && std::abs(value) != 1) {
        return static_cast<int32_t>((static_cast<double>(value) + movement) * 0.5);
    }
    return value;
}

bool SDXMouse::Update() {
    if (!m_bSmoothing) {
        m_lX = 0;
        m_lY = 0;
    }
    // A click that goes down and up within one frame still shows on three frames.
    for (int b = 0; b < 3; ++b) {
        m_iPrevButton[b] = m_iButton[b];
        if (m_iButton[b] == kPressed) {
            m_iButton[b] = kHeld;
        } else if (!m_bRawDown[b]) {
            if (m_iButton[b] == kHeld) {
                m_iButton[b] = kReleased;
            } else if (m_iButton[b] == kReleased) {
                m_iButton[b] = kUp;
            }
        }
    }
    if (m_pDevice == nullptr) {
        return false;
    }
    bool sawX = false;
    bool sawY = false;
    bool reacquired = false;
    for (;;) {
        DIDEVICEOBJECTDATA item;
        uint32_t count = 1;
        const HRESULT hr = m_pDevice->GetDeviceData(sizeof(item), &item, &count, 0);
        if (hr == DIERR_INPUTLOST && !reacquired) {
            reacquired = true;
            Acquire();
            continue;
        }
        if (Failed(hr)) {
            m_pInput->ReportError("SDXMouse::Update", hr);
            return false;
        }
        if (count == 0) {
            break;
        }
        const auto value = static_cast<int32_t>(item.dwData);
        switch (item.dwOfs) {
        case DIMOFS_X:
            sawX = true;
            m_lX = Smoothed(value, m_lX);
            break;
        case DIMOFS_Y:
            sawY = true;
            m_lY = Smoothed(value, m_lY);
            break;
        case DIMOFS_BUTTON0:
        case DIMOFS_BUTTON1:
        case DIMOFS_BUTTON2: {
            const int b = static_cast<int>(item.dwOfs - DIMOFS_BUTTON0);
            if (item.dwData & 0x80) {
                m_bRawDown[b] = 1;
                if (m_iButton[b] == kUp || m_iButton[b] == kReleased) {
                    m_iButton[b] = kPressed;
                }
            } else {
                m_bRawDown[b] = 0;
            }
            break;
        }
        default:
            break;
        }
    }
    if (m_bSmoothing) {
        if (!sawX) {
            m_lX = static_cast<int32_t>(m_lX * 0.33333334);
        }
        if (!sawY) {
            m_lY = static_cast<int32_t>(m_lY * 0.33333334);
        }
    }
    return true;
}

void SDXMouse::ResetStates() {
    m_lX = m_lY = 0;
    for (int b = 0; b < 3; ++b) {
        m_iPrevButton[b] = m_iButton[b] = kUp;
        m_bRawDown[b] = 0;
    }
}

bool SDXMouse::Acquire() {
    ResetStates();
    if (m_pDevice == nullptr) {
        return false;
    }
    const HRESULT hr = m_pDevice->Acquire();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXMouse::Acquire", hr);
        return false;
    }
    m_bAcquired = 1;
    return true;
}

bool SDXMouse::Unacquire() {
    ResetStates();
    if (m_pDevice == nullptr) {
        return false;
    }
    const HRESULT hr = m_pDevice->Unacquire();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXMouse::Unacquire", hr);
        return false;
    }
    m_bAcquired = 0;
    return true;
}

void SDXMouse::Release() {
    if (m_pDevice != nullptr) {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    if (m_hEvent != nullptr) {
        CloseNotificationEvent(m_hEvent);
        m_hEvent = nullptr;
    }
    m_bAcquired = 0;
}
