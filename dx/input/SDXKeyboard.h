#pragma once

#include <cstdint>

#include "sys/input/input.h"

class SDXInput;

// The system keyboard: 256 key states in DirectInput key codes (bit 7 set = down), this
// frame's and last frame's. Contained in the input object, which reads it once per frame;
// the layout switches game keys off while a text field has the keyboard (Enable).
class SDXKeyboard {
public:
    SDXKeyboard();
    virtual ~SDXKeyboard();
    SDXKeyboard(const SDXKeyboard&) = delete;
    SDXKeyboard& operator=(const SDXKeyboard&) = delete;

    bool Create(SDXInput* input);
    bool Update();
    bool Acquire();
    bool Unacquire();
    void Enable(bool enable);
    void Release();

    // Bit 7 of the key's state; false for codes outside 0..255.
    bool IsKeyDown(int code) const { return code >= 0 && code < 256 && (m_CurrentState[code] & 0x80) != 0; }
    bool WasKeyDown(int code) const { return code >= 0 && code < 256 && (m_PrevState[code] & 0x80) != 0; }
    const uint8_t* GetState() const { return m_CurrentState; }
    const uint8_t* GetPrevState() const { return m_PrevState; }
    bool IsAcquired() const { return m_bAcquired != 0; }
    bool IsEnabled() const { return m_bEnabled != 0; }
    sys::input::Device* GetDevice() const { return m_pDevice; }

private:
    uint8_t m_PrevState[256] = {};
    uint8_t m_CurrentState[256] = {};
    SDXInput* m_pInput = nullptr;
    sys::input::Device* m_pDevice = nullptr;
    uint8_t m_bAcquired = 0;
    uint8_t m_bEnabled = 1;
};
