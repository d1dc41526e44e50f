#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/input/input.h"

// Test controls of the headless input backend: the keys, mouse, joysticks and failures a user
// or a broken machine would give. Mouse events reach only acquired mouse devices, as on real
// hardware; keys and joystick states are read when a device asks. Focus is the window seam's
// (sys::window::headless::InjectFocus), so one focus change reaches windows and devices alike.
// Used by tests of every subsystem; the game never calls these.
namespace sys::input::headless {

// Back to the start: no joysticks, keys up, no scripted failures, call counts 0, no effects.
// Devices still held stop being acquired.
void Reset();

// A key (DirectInput key code 0..255) going down or up; a press reaches acquired keyboards
// as the system's key event would.
void SetKey(int dik, bool down);
// Relative mouse motion (mickeys), a button (0 left, 1 right, 2 middle) and the wheel.
void MoveMouse(int dx, int dy);
void MouseButton(int button, bool down);
void MouseWheel(int delta);

// An attached joystick. The instance GUID is made from its position when left null.
struct Joystick {
    std::string name = "Joystick";
    GUID instance;
    GUID product = GUID_Joystick;
    uint32_t devType = 0x00010000u | (2u << 8) | DIDEVTYPE_JOYSTICK;
    int axes = 2;
    int buttons = 4;
    int hats = 1;
    bool forceFeedback = false;
    // The size field its records carry (0: the true size), as a faulty driver may fill it.
    uint32_t recordSize = 0;
};
// Attaches one more joystick; answers its position.
int AttachJoystick(const Joystick& joystick);
// Hardware state of joystick n: axes -32768..32767 (X, Y, Z, Rx, Ry, Rz, slider 0, slider 1).
void SetJoystickAxis(int joystick, int axis, int16_t value);
void SetJoystickButton(int joystick, int button, bool down);
// A point-of-view word as the state record carries it (0xFFFFFFFF centred).
void SetJoystickPov(int joystick, int pov, uint32_t value);
// The joystick is unplugged: reads of its devices report input lost.
void UnplugJoystick(int joystick);

// The next `times` calls of that kind answer `code` instead of doing their work.
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
    CreateEffect
};
void FailNext(Call call, HRESULT code, int times = 1);
// The input system is missing altogether: DirectInputCreate fails.
void SetUnavailable(bool unavailable);
// How often a call was made since the reset.
int CallCount(Call call);

// What the force-feedback hardware was told.
struct EffectRecord {
    int joystick = 0;
    int kind = 0;  // 0 constant, 1 sine, 2 custom
    int magnitude = 0;
    uint32_t durationUs = 0;
    uint32_t periodUs = 0;
    uint32_t iterations = 0;
    bool playing = false;
};
std::vector<EffectRecord> Effects();
// The auto-centre spring of a joystick as last set (true from attachment on).
bool AutoCenter(int joystick);
// Whether an exclusive mouse holds the pointer now.
bool MouseExclusive();
// How many devices hold joystick n open.
int OpenCount(int joystick);

}  // namespace sys::input::headless
