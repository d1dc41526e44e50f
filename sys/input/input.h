#pragma once

#include <cstdint>

#include "sys/window/window.h"

// Keyboard, mouse and joysticks in the vocabulary of the input layer the program was written
// against (interface version 0x0700): a DirectInput object that enumerates attached devices
// into device-instance records, devices with a data format, a cooperative level, acquisition,
// immediate state and buffered items, properties (ranges, buffer size, auto-centre,
// calibration mode) and force-feedback effects. Result codes carry the values and names the
// callers translate. Only what the input wrappers call is here.
//
// Acquisition follows the window focus of the sys::window seam: a foreground device cannot be
// acquired while its window lacks the focus, and a device acquired in the foreground that
// loses the focus answers its next read with DIERR_INPUTLOST and is no longer acquired.
//
// Records fixed in bytes by the original interface keep their sizes where they hold no
// pointers (device instance 580 bytes, joystick state 80, buffered item 16); the effect
// description holds pointers, so its size field keeps the original value 56 as a version tag.
// Everything here belongs to the main thread.
namespace sys::input {

using HRESULT = int32_t;
using HINSTANCE = void*;

constexpr HRESULT MakeResult(uint32_t code) { return static_cast<HRESULT>(code); }
constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// Result codes.
constexpr HRESULT DI_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT DI_NOEFFECT = 1;
constexpr HRESULT DI_BUFFEROVERFLOW = 1;
constexpr HRESULT DI_POLLEDDEVICE = 2;
constexpr HRESULT DI_DOWNLOADSKIPPED = 3;
constexpr HRESULT DI_EFFECTRESTARTED = 4;
constexpr HRESULT DI_TRUNCATED = 8;
constexpr HRESULT DI_TRUNCATEDANDRESTARTED = 0xC;
constexpr HRESULT E_PENDING = MakeResult(0x8000000Au);
constexpr HRESULT DIERR_UNSUPPORTED = MakeResult(0x80004001u);
constexpr HRESULT DIERR_NOINTERFACE = MakeResult(0x80004002u);
constexpr HRESULT DIERR_GENERIC = MakeResult(0x80004005u);
constexpr HRESULT DIERR_NOAGGREGATION = MakeResult(0x80040110u);
constexpr HRESULT DIERR_DEVICENOTREG = MakeResult(0x80040154u);
constexpr HRESULT DIERR_DEVICEFULL = MakeResult(0x80040201u);
constexpr HRESULT DIERR_MOREDATA = MakeResult(0x80040202u);
constexpr HRESULT DIERR_NOTDOWNLOADED = MakeResult(0x80040203u);
constexpr HRESULT DIERR_HASEFFECTS = MakeResult(0x80040204u);
constexpr HRESULT DIERR_NOTEXCLUSIVEACQUIRED = MakeResult(0x80040205u);
constexpr HRESULT DIERR_INCOMPLETEEFFECT = MakeResult(0x80040206u);
constexpr HRESULT DIERR_NOTBUFFERED = MakeResult(0x80040207u);
constexpr HRESULT DIERR_EFFECTPLAYING = MakeResult(0x80040208u);
constexpr HRESULT DIERR_NOTFOUND = MakeResult(0x80070002u);
constexpr HRESULT DIERR_OBJECTNOTFOUND = DIERR_NOTFOUND;
constexpr HRESULT DIERR_HANDLEEXISTS = MakeResult(0x80070005u);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = DIERR_HANDLEEXISTS;
constexpr HRESULT DIERR_NOTACQUIRED = MakeResult(0x8007000Cu);
constexpr HRESULT DIERR_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT DIERR_NOTINITIALIZED = MakeResult(0x80070015u);
constexpr HRESULT DIERR_INPUTLOST = MakeResult(0x8007001Eu);
constexpr HRESULT DIERR_INVALIDPARAM = MakeResult(0x80070057u);
constexpr HRESULT DIERR_BADDRIVERVER = MakeResult(0x80070077u);
constexpr HRESULT DIERR_ACQUIRED = MakeResult(0x800700AAu);
constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = MakeResult(0x8007047Eu);
constexpr HRESULT DIERR_BETADIRECTINPUTVERSION = MakeResult(0x80070481u);
constexpr HRESULT DIERR_ALREADYINITIALIZED = MakeResult(0x800704DFu);

constexpr uint32_t DIRECTINPUT_VERSION = 0x0700;

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
    friend bool operator==(const GUID&, const GUID&) = default;
};

constexpr GUID GUID_NULL{};
constexpr GUID GUID_SysMouse{0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID GUID_SysKeyboard{0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// The product of the standard joystick driver.
constexpr GUID GUID_Joystick{0x6F1D2B70, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID GUID_ConstantForce{0x13541C20, 0x8E33, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};
constexpr GUID GUID_Sine{0x13541C23, 0x8E33, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};
constexpr GUID GUID_CustomForce{0x13541C2B, 0x8E33, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};

// Device types (low byte of dwDevType) and the enumeration flags.
constexpr uint32_t DIDEVTYPE_DEVICE = 1;
constexpr uint32_t DIDEVTYPE_MOUSE = 2;
constexpr uint32_t DIDEVTYPE_KEYBOARD = 3;
constexpr uint32_t DIDEVTYPE_JOYSTICK = 4;
constexpr uint32_t DIEDFL_ALLDEVICES = 0x000;
constexpr uint32_t DIEDFL_ATTACHEDONLY = 0x001;
constexpr uint32_t DIEDFL_FORCEFEEDBACK = 0x100;
constexpr int DIENUM_STOP = 0;
constexpr int DIENUM_CONTINUE = 1;

// One enumerated device, 580 bytes.
struct DIDEVICEINSTANCE {
    uint32_t dwSize = 0;
    GUID guidInstance;
    GUID guidProduct;
    uint32_t dwDevType = 0;
    char tszInstanceName[260] = {};
    char tszProductName[260] = {};
    GUID guidFFDriver;
    uint16_t wUsagePage = 0;
    uint16_t wUsage = 0;
};
static_assert(sizeof(DIDEVICEINSTANCE) == 580);

// The enumeration callback: DIENUM_CONTINUE or DIENUM_STOP.
using LPDIENUMDEVICESCALLBACK = int (*)(const DIDEVICEINSTANCE* instance, void* ref);

// The state records of the three standard data formats.
struct DIMOUSESTATE {
    int32_t lX = 0;
    int32_t lY = 0;
    int32_t lZ = 0;
    uint8_t rgbButtons[4] = {};
};
static_assert(sizeof(DIMOUSESTATE) == 16);

struct DIJOYSTATE {
    int32_t lX = 0;
    int32_t lY = 0;
    int32_t lZ = 0;
    int32_t lRx = 0;
    int32_t lRy = 0;
    int32_t lRz = 0;
    int32_t rglSlider[2] = {};
    uint32_t rgdwPOV[4] = {};
    uint8_t rgbButtons[32] = {};
};
static_assert(sizeof(DIJOYSTATE) == 80);

// One buffered item: the object offset within the data format, the data (axes: relative
// movement; buttons: 0x80 down, 0 up), the tick count and a sequence number.
struct DIDEVICEOBJECTDATA {
    uint32_t dwOfs = 0;
    uint32_t dwData = 0;
    uint32_t dwTimeStamp = 0;
    uint32_t dwSequence = 0;
};
static_assert(sizeof(DIDEVICEOBJECTDATA) == 16);

// Object offsets.
constexpr uint32_t DIMOFS_X = 0;
constexpr uint32_t DIMOFS_Y = 4;
constexpr uint32_t DIMOFS_Z = 8;
constexpr uint32_t DIMOFS_BUTTON0 = 12;
constexpr uint32_t DIMOFS_BUTTON1 = 13;
constexpr uint32_t DIMOFS_BUTTON2 = 14;
constexpr uint32_t DIMOFS_BUTTON3 = 15;
constexpr uint32_t DIJOFS_X = 0;
constexpr uint32_t DIJOFS_Y = 4;
constexpr uint32_t DIJOFS_Z = 8;
constexpr uint32_t DIJOFS_RX = 12;
constexpr uint32_t DIJOFS_RY = 16;
constexpr uint32_t DIJOFS_RZ = 20;
constexpr uint32_t DIJOFS_SLIDER(int n) { return 24 + 4 * static_cast<uint32_t>(n); }
constexpr uint32_t DIJOFS_POV(int n) { return 32 + 4 * static_cast<uint32_t>(n); }
constexpr uint32_t DIJOFS_BUTTON(int n) { return 48 + static_cast<uint32_t>(n); }

// The standard data formats; only their identity matters to the devices.
struct DIDATAFORMAT {
    uint32_t dwDataSize;  // bytes of the state record
    int kind;             // 1 keyboard, 2 mouse, 3 joystick
};
extern const DIDATAFORMAT c_dfDIKeyboard;
extern const DIDATAFORMAT c_dfDIMouse;
extern const DIDATAFORMAT c_dfDIJoystick;

// Cooperative levels.
constexpr uint32_t DISCL_EXCLUSIVE = 0x1;
constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
constexpr uint32_t DISCL_FOREGROUND = 0x4;
constexpr uint32_t DISCL_BACKGROUND = 0x8;

// Properties: a header naming the object (DIPH_DEVICE: the whole device, dwObj 0;
// DIPH_BYOFFSET: the object at offset dwObj), followed by the value.
enum class Property : uint32_t {
    BufferSize = 1,       // DIPROPDWORD: items kept for GetDeviceData
    Range = 4,            // DIPROPRANGE: axis range
    AutoCenter = 9,       // DIPROPDWORD: 0 off, 1 on (force-feedback devices)
    CalibrationMode = 10  // DIPROPDWORD: 0 cooked, 1 raw
};
constexpr uint32_t DIPH_DEVICE = 0;
constexpr uint32_t DIPH_BYOFFSET = 1;
constexpr uint32_t DIPROPAUTOCENTER_OFF = 0;
constexpr uint32_t DIPROPAUTOCENTER_ON = 1;
constexpr uint32_t DIPROPCALIBRATIONMODE_COOKED = 0;
constexpr uint32_t DIPROPCALIBRATIONMODE_RAW = 1;

struct DIPROPHEADER {
    uint32_t dwSize = 0;
    uint32_t dwHeaderSize = sizeof(DIPROPHEADER);
    uint32_t dwObj = 0;
    uint32_t dwHow = DIPH_DEVICE;
};
struct DIPROPDWORD {
    DIPROPHEADER diph{sizeof(DIPROPDWORD)};
    uint32_t dwData = 0;
};
struct DIPROPRANGE {
    DIPROPHEADER diph{sizeof(DIPROPRANGE)};
    int32_t lMin = 0;
    int32_t lMax = 0;
};

// Force-feedback effects.
constexpr uint32_t INFINITE_DURATION = 0xFFFFFFFFu;  // INFINITE
constexpr uint32_t DIEB_NOTRIGGER = 0xFFFFFFFFu;
constexpr uint32_t DIEFF_OBJECTIDS = 0x01;
constexpr uint32_t DIEFF_OBJECTOFFSETS = 0x02;
constexpr uint32_t DIEFF_CARTESIAN = 0x10;
constexpr uint32_t DIEFF_POLAR = 0x20;
constexpr uint32_t DIEFF_SPHERICAL = 0x40;
constexpr uint32_t DI_FFNOMINALMAX = 10000;
constexpr uint32_t DIEFFECT_SIZE = 56;  // the size tag of the description below

struct DIENVELOPE {
    uint32_t dwSize = sizeof(DIENVELOPE);
    uint32_t dwAttackLevel = 0;
    uint32_t dwAttackTime = 0;  // microseconds
    uint32_t dwFadeLevel = 0;
    uint32_t dwFadeTime = 0;    // microseconds
};
struct DIPERIODIC {
    uint32_t dwMagnitude = 0;
    int32_t lOffset = 0;
    uint32_t dwPhase = 0;
    uint32_t dwPeriod = 0;  // microseconds
};
static_assert(sizeof(DIPERIODIC) == 16);
struct DICONSTANTFORCE {
    int32_t lMagnitude = 0;
};
struct DIEFFECT {
    uint32_t dwSize = DIEFFECT_SIZE;
    uint32_t dwFlags = 0;
    uint32_t dwDuration = 0;  // microseconds, INFINITE_DURATION for no end
    uint32_t dwSamplePeriod = 0;
    uint32_t dwGain = 0;
    uint32_t dwTriggerButton = DIEB_NOTRIGGER;
    uint32_t dwTriggerRepeatInterval = 0;
    uint32_t cAxes = 0;
    uint32_t* rgdwAxes = nullptr;
    int32_t* rglDirection = nullptr;
    DIENVELOPE* lpEnvelope = nullptr;
    uint32_t cbTypeSpecificParams = 0;
    void* lpvTypeSpecificParams = nullptr;
    uint32_t dwStartDelay = 0;
};

// An auto-reset event a device signals when buffered data arrives. Nothing in the program
// waits on it; it only has to exist and be handed over.
struct NotificationEvent {
    bool signalled = false;
};
NotificationEvent* CreateNotificationEvent();
void CloseNotificationEvent(NotificationEvent* event);

// A created force-feedback effect.
class Effect {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // Plays the effect (iterations; INFINITE_DURATION repeats it until stopped). The device
    // must be acquired with exclusive access.
    virtual HRESULT Start(uint32_t iterations, uint32_t flags) = 0;
    virtual HRESULT Stop() = 0;

protected:
    virtual ~Effect() = default;
};

// One input device (the second version of the device interface, which adds Poll and
// effects). Reference-counted: Release at zero destroys it (and unacquires it).
class Device {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // The same device under the interface version that adds Poll and effects; counts a reference.
    virtual HRESULT QueryDevice2(Device** out) = 0;

    virtual HRESULT SetDataFormat(const DIDATAFORMAT* format) = 0;
    // One of exclusive / non-exclusive and one of foreground / background; a window that
    // exists.
    virtual HRESULT SetCooperativeLevel(HWND window, uint32_t flags) = 0;
    virtual HRESULT SetProperty(Property property, const DIPROPHEADER* header) = 0;
    virtual HRESULT GetProperty(Property property, DIPROPHEADER* header) = 0;
    virtual HRESULT SetEventNotification(NotificationEvent* event) = 0;

    // DI_OK when acquired now, S_FALSE when already acquired; DIERR_OTHERAPPHASPRIO in the
    // foreground without the focus.
    virtual HRESULT Acquire() = 0;
    // DI_NOEFFECT when it was not acquired.
    virtual HRESULT Unacquire() = 0;

    // The state record of the data format (size must match it). The keyboard's record also
    // shows down a key that went down since the last read and is up again, so a tap between
    // two reads counts once.
    virtual HRESULT GetDeviceState(uint32_t size, void* data) = 0;
    // Up to *inOut buffered items, oldest first, removed from the buffer; *inOut becomes the
    // number handed out. DI_BUFFEROVERFLOW when items were dropped since the last read.
    virtual HRESULT GetDeviceData(uint32_t itemSize, DIDEVICEOBJECTDATA* items, uint32_t* inOut,
                                  uint32_t flags) = 0;
    // Reads the hardware of a polled device; DI_NOEFFECT for devices that need no polling.
    virtual HRESULT Poll() = 0;
    virtual HRESULT CreateEffect(const GUID& effect, const DIEFFECT* description, Effect** out,
                                 void* outer) = 0;

protected:
    virtual ~Device() = default;
};

// The DirectInput object.
class DirectInput {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // devType 0 (all) or a device type; flags DIEDFL_*. The callback sees each record once.
    virtual HRESULT EnumDevices(uint32_t devType, LPDIENUMDEVICESCALLBACK callback, void* ref,
                                uint32_t flags) = 0;
    // The device with that instance GUID (GUID_SysKeyboard, GUID_SysMouse, or an instance
    // from the enumeration); DIERR_DEVICENOTREG for an unknown one.
    virtual HRESULT CreateDevice(const GUID& instance, Device** out, void* outer) = 0;

protected:
    virtual ~DirectInput() = default;
};

// DIRECTINPUT_VERSION is the only version offered; an outer object (aggregation) is refused.
HRESULT DirectInputCreate(HINSTANCE instance, uint32_t version, DirectInput** out, void* outer);

// DirectInput key codes: byte n of the keyboard state is key n.
constexpr int DIK_ESCAPE = 0x01;
constexpr int DIK_1 = 0x02;
constexpr int DIK_2 = 0x03;
constexpr int DIK_3 = 0x04;
constexpr int DIK_4 = 0x05;
constexpr int DIK_5 = 0x06;
constexpr int DIK_6 = 0x07;
constexpr int DIK_7 = 0x08;
constexpr int DIK_8 = 0x09;
constexpr int DIK_9 = 0x0A;
constexpr int DIK_0 = 0x0B;
constexpr int DIK_MINUS = 0x0C;
constexpr int DIK_EQUALS = 0x0D;
constexpr int DIK_BACK = 0x0E;
constexpr int DIK_TAB = 0x0F;
constexpr int DIK_Q = 0x10;
constexpr int DIK_W = 0x11;
constexpr int DIK_E = 0x12;
constexpr int DIK_R = 0x13;
constexpr int DIK_T = 0x14;
constexpr int DIK_Y = 0x15;
constexpr int DIK_U = 0x16;
constexpr int DIK_I = 0x17;
constexpr int DIK_O = 0x18;
constexpr int DIK_P = 0x19;
constexpr int DIK_LBRACKET = 0x1A;
constexpr int DIK_RBRACKET = 0x1B;
constexpr int DIK_RETURN = 0x1C;
constexpr int DIK_LCONTROL = 0x1D;
constexpr int DIK_A = 0x1E;
constexpr int DIK_S = 0x1F;
constexpr int DIK_D = 0x20;
constexpr int DIK_F = 0x21;
constexpr int DIK_G = 0x22;
constexpr int DIK_H = 0x23;
constexpr int DIK_J = 0x24;
constexpr int DIK_K = 0x25;
constexpr int DIK_L = 0x26;
constexpr int DIK_SEMICOLON = 0x27;
constexpr int DIK_APOSTROPHE = 0x28;
constexpr int DIK_GRAVE = 0x29;
constexpr int DIK_LSHIFT = 0x2A;
constexpr int DIK_BACKSLASH = 0x2B;
constexpr int DIK_Z = 0x2C;
constexpr int DIK_X = 0x2D;
constexpr int DIK_C = 0x2E;
constexpr int DIK_V = 0x2F;
constexpr int DIK_B = 0x30;
constexpr int DIK_N = 0x31;
constexpr int DIK_M = 0x32;
constexpr int DIK_COMMA = 0x33;
constexpr int DIK_PERIOD = 0x34;
constexpr int DIK_SLASH = 0x35;
constexpr int DIK_RSHIFT = 0x36;
constexpr int DIK_MULTIPLY = 0x37;
constexpr int DIK_LMENU = 0x38;
constexpr int DIK_SPACE = 0x39;
constexpr int DIK_CAPITAL = 0x3A;
constexpr int DIK_F1 = 0x3B;
constexpr int DIK_F2 = 0x3C;
constexpr int DIK_F3 = 0x3D;
constexpr int DIK_F4 = 0x3E;
constexpr int DIK_F5 = 0x3F;
constexpr int DIK_F6 = 0x40;
constexpr int DIK_F7 = 0x41;
constexpr int DIK_F8 = 0x42;
constexpr int DIK_F9 = 0x43;
constexpr int DIK_F10 = 0x44;
constexpr int DIK_NUMLOCK = 0x45;
constexpr int DIK_SCROLL = 0x46;
constexpr int DIK_NUMPAD7 = 0x47;
constexpr int DIK_NUMPAD8 = 0x48;
constexpr int DIK_NUMPAD9 = 0x49;
constexpr int DIK_SUBTRACT = 0x4A;
constexpr int DIK_NUMPAD4 = 0x4B;
constexpr int DIK_NUMPAD5 = 0x4C;
constexpr int DIK_NUMPAD6 = 0x4D;
constexpr int DIK_ADD = 0x4E;
constexpr int DIK_NUMPAD1 = 0x4F;
constexpr int DIK_NUMPAD2 = 0x50;
constexpr int DIK_NUMPAD3 = 0x51;
constexpr int DIK_NUMPAD0 = 0x52;
constexpr int DIK_DECIMAL = 0x53;
constexpr int DIK_OEM_102 = 0x56;
constexpr int DIK_F11 = 0x57;
constexpr int DIK_F12 = 0x58;
constexpr int DIK_F13 = 0x64;
constexpr int DIK_F14 = 0x65;
constexpr int DIK_F15 = 0x66;
constexpr int DIK_KANA = 0x70;
constexpr int DIK_CONVERT = 0x79;
constexpr int DIK_NOCONVERT = 0x7B;
constexpr int DIK_YEN = 0x7D;
constexpr int DIK_NUMPADEQUALS = 0x8D;
constexpr int DIK_CIRCUMFLEX = 0x90;
constexpr int DIK_AT = 0x91;
constexpr int DIK_COLON = 0x92;
constexpr int DIK_UNDERLINE = 0x93;
constexpr int DIK_KANJI = 0x94;
constexpr int DIK_STOP = 0x95;
constexpr int DIK_AX = 0x96;
constexpr int DIK_UNLABELED = 0x97;
constexpr int DIK_NUMPADENTER = 0x9C;
constexpr int DIK_RCONTROL = 0x9D;
constexpr int DIK_NUMPADCOMMA = 0xB3;
constexpr int DIK_DIVIDE = 0xB5;
constexpr int DIK_SYSRQ = 0xB7;
constexpr int DIK_RMENU = 0xB8;
constexpr int DIK_PAUSE = 0xC5;
constexpr int DIK_HOME = 0xC7;
constexpr int DIK_UP = 0xC8;
constexpr int DIK_PRIOR = 0xC9;
constexpr int DIK_LEFT = 0xCB;
constexpr int DIK_RIGHT = 0xCD;
constexpr int DIK_END = 0xCF;
constexpr int DIK_DOWN = 0xD0;
constexpr int DIK_NEXT = 0xD1;
constexpr int DIK_INSERT = 0xD2;
constexpr int DIK_DELETE = 0xD3;
constexpr int DIK_LWIN = 0xDB;
constexpr int DIK_RWIN = 0xDC;
constexpr int DIK_APPS = 0xDD;

}  // namespace sys::input
