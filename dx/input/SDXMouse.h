#pragma once

#include <cstdint>

#include "sys/input/input.h"

class SDXInput;

// The system mouse, held exclusively while acquired and read from its buffered items once a
// frame: this frame's movement (optionally smoothed) and the states of buttons 0..2 (left,
// right, middle). Contained in the input object, which sets the smoothing.
class SDXMouse {
public:
    // Button states: a press shows as pressed, then held, and after the release one frame as
    // released before it is up again.
    enum ButtonState { kUp = 0, kPressed = 1, kHeld = 2, kReleased = 3 };
    static constexpr uint32_t kBufferItems = 128;

    SDXMouse();
    virtual ~SDXMouse();
    SDXMouse(const SDXMouse&) = delete;
    SDXMouse& operator=(const SDXMouse&) = delete;

    bool Create(SDXInput* input);
    bool SetEventNotification();
    bool SetBufferedInput();
    bool Update();
    bool Acquire();
    bool Unacquire();
    void Release();

    int32_t GetX() const { return m_lX; }
    int32_t GetY() const { return m_lY; }
    // State of button 0..2 (kUp for others); the previous frame's likewise.
    int32_t GetButtonState(int button) const { return button >= 0 && button < 3 ? m_iButton[button] : kUp; }
    int32_t GetPrevButtonState(int button) const { return button >= 0 && button < 3 ? m_iPrevButton[button] : kUp; }
    bool IsAcquired() const { return m_bAcquired != 0; }
    void SetSmoothing(bool on) { m_bSmoothing = on ? 1 : 0; }
    bool IsSmoothing() const { return m_bSmoothing != 0; }
    sys::input::Device* GetDevice() const { return m_pDevice; }

private:
    void ResetStates();
    int32_t Smoothed(int32_t value, int32_t movement) const;

    SDXInput* m_pInput = nullptr;
    sys::input::Device* m_pDevice = nullptr;
    sys::input::NotificationEvent* m_hEvent = nullptr;
    int32_t m_lX = 0;
    int32_t m_lY = 0;
    int32_t m_iPrevButton[3] = {};
    int32_t m_iButton[3] = {};
    uint8_t m_bRawDown[3] = {};
    uint8_t m_bAcquired = 0;
    uint8_t m_bSmoothing = 0;
};
