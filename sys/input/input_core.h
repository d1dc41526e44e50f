#pragma once

#include <cstdint>
#include <string>

#include "sys/input/input.h"

// The state behind sys::input and the contract between it and its two backends. The core
// implements the objects, acquisition, focus loss, buffering, ranges and effects; a backend
// only reports the hardware (key table, joysticks and their raw state, haptics) and feeds
// mouse events to the On... entry points. Nothing outside sys/ includes this.
namespace sys::input::detail {

// The calls a test can make fail on the headless backend, and whose uses it can count.
enum class Call {
    Create,
    EnumDevices,
    CreateDevice,
    SetDataFormat,
    SetCooperativeLevel,
    SetProperty,
    Acquire,
    GetDeviceState,
    GetDeviceData,
    Poll,
    CreateEffect,
    Count
};

struct JoystickInfo {
    std::string name;
    GUID instance;
    GUID product = GUID_Joystick;
    // The whole device-type word of its record; the low byte must be DIDEVTYPE_JOYSTICK.
    uint32_t devType = 0x00010000u | (2u << 8) | DIDEVTYPE_JOYSTICK;
    int axes = 2;     // 0..8: X, Y, Z, Rx, Ry, Rz, slider 0, slider 1
    int buttons = 4;  // 0..32
    int hats = 1;     // 0..4
    bool forceFeedback = false;
    // The size field of its device record; 0 for the record's true size. Only a test sets it,
    // to stand for a driver that fills the field wrongly.
    uint32_t recordSize = 0;
};

// Hardware state of a joystick: axes as signed 16-bit values (full deflection -32768..32767),
// point-of-view words as the record carries them (hundredths of a degree, 0xFFFFFFFF centred),
// buttons with bit 7 set while down.
struct JoystickRaw {
    int16_t axes[8] = {};
    uint32_t pov[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    uint8_t buttons[32] = {};
};

// One force-feedback effect to play.
struct EffectPlay {
    enum class Kind { Constant, Sine, Custom } kind = Kind::Constant;
    int magnitude = 0;            // 0..10000
    uint32_t durationUs = 0;      // INFINITE_DURATION: until stopped
    uint32_t periodUs = 0;        // sine only
    uint32_t iterations = 1;
};

class InputBackend {
public:
    virtual ~InputBackend() = default;

    // Prepares the hardware; false when there is no input system at all.
    virtual bool Start() = 0;
    // DI_OK, or the failure a test scripted for the next such call.
    virtual HRESULT InjectedFailure(Call call) = 0;
    // The keyboard as DirectInput key codes, bit 7 set while down.
    virtual void ReadKeyboard(uint8_t keys[256]) = 0;

    virtual int JoystickCount() = 0;
    virtual JoystickInfo Joystick(int index) = 0;
    virtual bool OpenJoystick(int index) = 0;
    virtual void CloseJoystick(int index) = 0;
    // False when the joystick is gone.
    virtual bool ReadJoystick(int index, JoystickRaw& raw) = 0;
    // Brings joystick state up to date (the poll of a polled device).
    virtual void PollJoysticks() = 0;

    // An exclusive mouse holds the pointer: relative motion, no system pointer.
    virtual void SetMouseExclusive(bool on) = 0;

    virtual bool SetAutoCenter(int index, bool on) = 0;
    // A handle for StopEffect, or -1 when the effect cannot be played.
    virtual int PlayEffect(int index, const EffectPlay& play) = 0;
    virtual void StopEffect(int index, int handle) = 0;
};

InputBackend& HeadlessBackend();
InputBackend& SdlBackend();
// The backend of sys::CurrentBackend(), asked at every call.
InputBackend& ActiveBackend();

// Mouse events from the system (relative motion in mickeys; button 0 left, 1 right, 2 middle;
// wheel in the platform's units). They reach every acquired mouse device.
void OnMouseMotion(int dx, int dy);
void OnMouseButton(int button, bool down);
void OnMouseWheel(int delta);

// A key event from the system (DirectInput key code). A key that goes down is kept for the
// next state read of every acquired keyboard, so a tap between two reads is not lost.
void OnKey(int dik, bool down);

// How often each call was made since the last reset of the counts (headless tests).
int CallCount(Call call);
void ResetCallCounts();
// Forgets the exclusive holders and the mouse devices' registrations (headless reset).
void ResetCore();

}  // namespace sys::input::detail
