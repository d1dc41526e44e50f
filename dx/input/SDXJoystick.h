#pragma once

#include <cstdint>

#include "sys/input/input.h"

class SDXInput;

// Full-scale value of an aiming axis: 0.45 x 12700, truncated. The input object clamps its
// pitch and yaw to it and steps them by it.
constexpr int JOYSTICK_AXIS_FULLSCALE = 5715;

// A joystick found by enumeration, X and Y in -1000..1000, with 32 buttons and optional force
// feedback (exclusive access). Owned by the input object when joystick input or the light gun
// is configured; the light gun derives from it and remaps axes and buttons, so every
// operation the input object uses is virtual.
class SDXJoystick {
public:
    SDXJoystick();
    virtual ~SDXJoystick();
    SDXJoystick(const SDXJoystick&) = delete;
    SDXJoystick& operator=(const SDXJoystick&) = delete;

    virtual bool CreateOfSubType(SDXInput* input, int subtype);
    virtual bool Create(SDXInput* input);
    virtual bool CreateFF(SDXInput* input);
    virtual void ReleaseDevice();
    virtual bool SetProperties();
    virtual bool SetFFProperties();
    virtual bool SetAutoCenter(bool on);
    virtual bool IsAvailable() { return true; }
    virtual bool Acquire();
    virtual bool Unacquire();
    virtual bool Update();
    virtual int32_t GetX() { return m_State.lX; }
    virtual int32_t GetY() { return m_State.lY; }
    virtual int32_t GetZ() { return m_State.lZ; }
    virtual int32_t GetRx() { return m_State.lRx; }
    virtual int32_t GetRy() { return m_State.lRy; }
    virtual int32_t GetRz() { return m_State.lRz; }
    // 0x80 while button n (0..31) is down, else 0.
    virtual int IsButtonDown(int n);
    virtual int IsButton0Down() { return IsButtonDown(0); }
    virtual int IsButton1Down() { return IsButtonDown(1); }
    virtual int WasButtonDown(int n);
    virtual int WasButton0Down() { return WasButtonDown(0); }
    virtual int WasButton1Down() { return WasButtonDown(1); }

    sys::input::Device* GetDevice() const { return m_pDevice; }
    SDXInput* GetInput() const { return m_pInput; }
    bool IsForceFeedback() const { return m_bFF != 0; }
    bool IsAcquired() const { return m_bAcquired != 0; }
    const sys::input::DIJOYSTATE& GetState() const { return m_State; }
    const sys::input::DIJOYSTATE& GetPrevState() const { return m_PrevState; }

    // A joystick that is never created: the console's point command reads it when the input
    // object has no device of its own.
    static SDXJoystick& Unused();

protected:
    // Creates the device of table entry `entry` and takes its second interface.
    bool CreateFromEntry(int entry, const char* operation);
    // Reports, lets go of the device and answers false.
    bool FailProperties(const char* operation, sys::input::HRESULT hr);
    bool SetAxisRanges(const char* operation);

    SDXInput* m_pInput = nullptr;
    sys::input::Device* m_pDevice = nullptr;
    uint8_t m_bFF = 0;
    sys::input::DIJOYSTATE m_State;
    sys::input::DIJOYSTATE m_PrevState;
    int32_t m_bAcquired = 0;
};
