#include "dx/input/SDXKeyboard.h"

#include <cstring>

#include "dx/input/SDXInput.h"

using namespace sys::input;

SDXKeyboard::SDXKeyboard() = default;

SDXKeyboard::~SDXKeyboard() { Release(); }

bool SDXKeyboard::Create(SDXInput* input) {
    m_pInput = input;
    DirectInput* di = input ? input->GetDirectInput() : nullptr;
    if (di == nullptr) {
        if (input) {
            input->ReportError("SDXKeyboard::Create", DIERR_NOTINITIALIZED);
        }
        return false;
    }
    HRESULT hr = di->CreateDevice(GUID_SysKeyboard, &m_pDevice, nullptr);
    if (Failed(hr)) {
        m_pDevice = nullptr;
        input->ReportError("SDXKeyboard::Create", hr);
        return false;
    }
    input->SetKeyboard(this);
    hr = m_pDevice->SetDataFormat(&c_dfDIKeyboard);
    if (Succeeded(hr)) {
        hr = m_pDevice->SetCooperativeLevel(input->GetWindow(), DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    }
    if (Failed(hr)) {
        input->ReportError("SDXKeyboard::Create", hr);
        return false;
    }
    return true;
}

bool SDXKeyboard::Update() {
    std::memcpy(m_PrevState, m_CurrentState, sizeof(m_PrevState));
    if (!m_bEnabled || m_pDevice == nullptr) {
        return false;
    }
    HRESULT hr = m_pDevice->GetDeviceState(sizeof(m_CurrentState), m_CurrentState);
    if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED) {
        if (Acquire()) {
            hr = m_pDevice->GetDeviceState(sizeof(m_CurrentState), m_CurrentState);
        }
    }
    if (Failed(hr)) {
        m_pInput->ReportError("SDXKeyboard::Update", hr);
        return false;
    }
    return true;
}

bool SDXKeyboard::Acquire() {
    if (m_pDevice == nullptr) {
        return false;
    }
    const HRESULT hr = m_pDevice->Acquire();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXKeyboard::Acquire", hr);
        return false;
    }
    m_bAcquired = 1;
    return true;
}

bool SDXKeyboard::Unacquire() {
    if (m_pDevice == nullptr) {
        return false;
    }
    const HRESULT hr = m_pDevice->Unacquire();
    if (Failed(hr)) {
        m_pInput->ReportError("SDXKeyboard::Unacquire", hr);
        return false;
    }
    m_bAcquired = 0;
    return true;
}

void SDXKeyboard::Enable(bool enable) {
    m_bEnabled = enable ? 1 : 0;
    if (!enable) {
        Unacquire();
    }
}

void SDXKeyboard::Release() {
    if (m_pDevice != nullptr) {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    m_bAcquired = 0;
}
