// The input seam on the headless backend: acquisition and the window focus, buffered mouse
// items, keys tapped between reads, joystick ranges and unplugging, refused arguments, and the SDL key mapping.

#include <gtest/gtest.h>

#include "sys/backend.h"
#include "sys/input/headless/headless_input.h"
#include "sys/window/headless/headless_window.h"
#include "sys/input/input.h"
#include "sys/input/sdl/sdl_input.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

using namespace sys::input;

namespace {

class InputSeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::SelectBackend(sys::Backend::Headless);
        sys::window::headless::Reset();
        headless::Reset();
        window = sys::window::CreateWindow("Tarvex", 0, nullptr,
                                           [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                               return sys::window::DefWindowProc(h, m, w, l);
                                           });
        sys::window::ShowWindow(window, sys::SW_SHOW);
        ASSERT_EQ(DirectInputCreate(nullptr, DIRECTINPUT_VERSION, &di, nullptr), DI_OK);
    }
    void TearDown() override {
        if (di) {
            di->Release();
        }
        headless::Reset();
        sys::window::headless::Reset();
    }

    Device* Mouse(uint32_t buffer) {
        Device* device = nullptr;
        EXPECT_EQ(di->CreateDevice(GUID_SysMouse, &device, nullptr), DI_OK);
        EXPECT_EQ(device->SetDataFormat(&c_dfDIMouse), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
        DIPROPDWORD size;
        size.dwData = buffer;
        EXPECT_EQ(device->SetProperty(Property::BufferSize, &size.diph), DI_OK);
        return device;
    }

    sys::HWND window = nullptr;
    DirectInput* di = nullptr;
};

TEST_F(InputSeamTest, CreationChecksItsArguments) {
    DirectInput* other = nullptr;
    EXPECT_EQ(DirectInputCreate(nullptr, 0x0800, &other, nullptr), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInputCreate(nullptr, DIRECTINPUT_VERSION, &other, di), DIERR_NOAGGREGATION);
    headless::SetUnavailable(true);
    EXPECT_TRUE(Failed(DirectInputCreate(nullptr, DIRECTINPUT_VERSION, &other, nullptr)));
    EXPECT_EQ(other, nullptr);
    Device* device = nullptr;
    EXPECT_EQ(di->CreateDevice(GUID_Joystick, &device, nullptr), DIERR_DEVICENOTREG);
}

TEST_F(InputSeamTest, AcquiringFollowsTheFocus) {
    // The pointer's show count, read without changing it.
    const auto shown = [] {
        sys::window::ShowCursor(false);
        return sys::window::ShowCursor(true);
    };
    const int before = shown();
    Device* mouse = Mouse(16);
    EXPECT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_EQ(mouse->Acquire(), S_FALSE);
    EXPECT_EQ(shown(), before - 1) << "an exclusive mouse hides the pointer while it is held";
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DIERR_ACQUIRED);
    sys::window::headless::InjectFocus(false);
    DIDEVICEOBJECTDATA item;
    uint32_t count = 1;
    EXPECT_EQ(mouse->GetDeviceData(sizeof(item), &item, &count, 0), DIERR_INPUTLOST);
    count = 1;
    EXPECT_EQ(mouse->GetDeviceData(sizeof(item), &item, &count, 0), DIERR_NOTACQUIRED);
    EXPECT_EQ(mouse->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_FALSE(headless::MouseExclusive());
    sys::window::headless::InjectFocus(true);
    EXPECT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_EQ(mouse->Unacquire(), DI_OK);
    EXPECT_EQ(mouse->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(shown(), before);
    mouse->Release();
}

TEST_F(InputSeamTest, BackgroundDevicesDoNotNeedTheFocus) {
    Device* keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    sys::window::headless::InjectFocus(false);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    headless::SetKey(DIK_ESCAPE, true);
    uint8_t keys[256] = {};
    EXPECT_EQ(keyboard->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_ESCAPE], 0x80);
    EXPECT_EQ(keys[DIK_1], 0);
    keyboard->Release();
}

TEST_F(InputSeamTest, AKeyTappedBetweenTwoReadsShowsDownOnceWhileAcquiredWithTheFocus) {
    Device* keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    const auto escapeOnRead = [&] {
        uint8_t keys[256] = {};
        EXPECT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
        return keys[DIK_ESCAPE];
    };
    const auto tap = [] {
        headless::SetKey(DIK_ESCAPE, true);
        headless::SetKey(DIK_ESCAPE, false);
    };
    tap();  // before the keyboard is held: not its press
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(escapeOnRead(), 0);
    tap();
    EXPECT_EQ(escapeOnRead(), 0x80);
    EXPECT_EQ(escapeOnRead(), 0) << "the tap's release shows on the next read";
    sys::window::headless::InjectFocus(false);  // another window's key
    tap();
    sys::window::headless::InjectFocus(true);
    EXPECT_EQ(escapeOnRead(), 0);
    keyboard->Release();
}

TEST_F(InputSeamTest, MouseItemsAreBufferedOnlyWhileAcquired) {
    Device* mouse = Mouse(3);
    headless::MoveMouse(5, 0);  // not acquired: lost
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    headless::MoveMouse(5, -2);
    headless::MouseButton(1, true);
    headless::MouseButton(1, false);  // the fourth item overflows the buffer of three
    DIDEVICEOBJECTDATA items[8];
    uint32_t count = 8;
    EXPECT_EQ(mouse->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), items, &count, 0), DI_BUFFEROVERFLOW);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(items[0].dwOfs, DIMOFS_X);
    EXPECT_EQ(items[0].dwData, 5u);
    EXPECT_EQ(items[1].dwOfs, DIMOFS_Y);
    EXPECT_EQ(static_cast<int32_t>(items[1].dwData), -2);
    EXPECT_EQ(items[2].dwOfs, DIMOFS_BUTTON1);
    EXPECT_EQ(items[2].dwData, 0x80u);
    EXPECT_LT(items[0].dwSequence, items[1].dwSequence);
    count = 8;
    EXPECT_EQ(mouse->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), items, &count, 0), DI_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(mouse->GetDeviceData(12, items, &count, 0), DIERR_INVALIDPARAM);
    DIMOUSESTATE state;
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 5);
    EXPECT_EQ(state.lY, -2);
    // The immediate state follows the buttons whether the buffer has room or not.
    EXPECT_EQ(state.rgbButtons[1], 0);
    mouse->Release();
}

TEST_F(InputSeamTest, AnUnbufferedMouseHasNoItems) {
    Device* mouse = Mouse(0);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    DIDEVICEOBJECTDATA item;
    uint32_t count = 1;
    EXPECT_EQ(mouse->GetDeviceData(sizeof(item), &item, &count, 0), DIERR_NOTBUFFERED);
    mouse->Release();
}

TEST_F(InputSeamTest, JoystickAxesFollowTheirRanges) {
    headless::Joystick stick;
    stick.axes = 8;
    stick.hats = 2;
    headless::AttachJoystick(stick);
    DIDEVICEINSTANCE found{};
    ASSERT_EQ(di->EnumDevices(
                  DIDEVTYPE_JOYSTICK,
                  [](const DIDEVICEINSTANCE* instance, void* ref) {
                      *static_cast<DIDEVICEINSTANCE*>(ref) = *instance;
                      return DIENUM_STOP;
                  },
                  &found, DIEDFL_ATTACHEDONLY),
              DI_OK);
    Device* joystick = nullptr;
    ASSERT_EQ(di->CreateDevice(found.guidInstance, &joystick, nullptr), DI_OK);
    ASSERT_EQ(joystick->SetDataFormat(&c_dfDIJoystick), DI_OK);
    DIPROPRANGE range;
    range.diph.dwHow = DIPH_DEVICE;
    range.lMin = -100;
    range.lMax = 100;
    ASSERT_EQ(joystick->SetProperty(Property::Range, &range.diph), DI_OK);
    range.diph.dwHow = DIPH_BYOFFSET;
    range.diph.dwObj = DIJOFS_SLIDER(1);
    range.lMin = 0;
    range.lMax = 10;
    ASSERT_EQ(joystick->SetProperty(Property::Range, &range.diph), DI_OK);
    range.diph.dwObj = DIJOFS_POV(0);
    EXPECT_EQ(joystick->SetProperty(Property::Range, &range.diph), DIERR_OBJECTNOTFOUND);

    DIJOYSTATE state;
    EXPECT_EQ(joystick->GetDeviceState(sizeof(state), &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(joystick->Poll(), DIERR_NOTACQUIRED);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    EXPECT_EQ(joystick->Poll(), DI_OK);
    headless::SetJoystickAxis(0, 0, -32768);
    headless::SetJoystickAxis(0, 3, 16384);   // 3/4 of the way: 50
    headless::SetJoystickAxis(0, 7, 32767);
    headless::SetJoystickPov(0, 1, 9000);
    ASSERT_EQ(joystick->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, -100);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lRx, 50);
    EXPECT_EQ(state.rglSlider[1], 10);
    EXPECT_EQ(state.rgdwPOV[0], 0xFFFFFFFFu);
    EXPECT_EQ(state.rgdwPOV[1], 9000u);
    EXPECT_EQ(state.rgdwPOV[2], 0xFFFFFFFFu);
    range.diph.dwObj = DIJOFS_RX;
    ASSERT_EQ(joystick->GetProperty(Property::Range, &range.diph), DI_OK);
    EXPECT_EQ(range.lMin, -100);
    EXPECT_EQ(range.lMax, 100);
    headless::UnplugJoystick(0);
    EXPECT_EQ(joystick->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
    EXPECT_EQ(joystick->GetDeviceState(sizeof(state), &state), DIERR_NOTACQUIRED);
    joystick->Release();
    EXPECT_EQ(headless::OpenCount(0), 0);
}

TEST_F(InputSeamTest, ScriptedFailuresAnswerOnceEach) {
    headless::FailNext(headless::Call::CreateDevice, DIERR_OUTOFMEMORY, 2);
    Device* device = nullptr;
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DIERR_OUTOFMEMORY);
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DIERR_OUTOFMEMORY);
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
    EXPECT_EQ(headless::CallCount(headless::Call::CreateDevice), 3);
    device->Release();
}

TEST_F(InputSeamTest, EffectsNeedAForceFeedbackDevice) {
    headless::Joystick wheel;
    wheel.forceFeedback = true;
    headless::AttachJoystick(wheel);
    int found = 0;
    ASSERT_EQ(di->EnumDevices(
                  0, [](const DIDEVICEINSTANCE*, void* ref) { return ++*static_cast<int*>(ref), DIENUM_CONTINUE; },
                  &found, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK),
              DI_OK);
    EXPECT_EQ(found, 1);
    Device* keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    DICONSTANTFORCE force{5000};
    DIEFFECT effect;
    effect.dwGain = 5000;
    effect.cbTypeSpecificParams = sizeof(force);
    effect.lpvTypeSpecificParams = &force;
    Effect* created = nullptr;
    EXPECT_EQ(keyboard->CreateEffect(GUID_ConstantForce, &effect, &created, nullptr), DIERR_UNSUPPORTED);
    keyboard->Release();
}

// The SDL backend needs no display or joystick to start: the keyboard and the mouse are
// always there.
TEST(SdlInputTest, StartsOnAMachineWithoutDevices) {
    sys::SelectBackend(sys::Backend::Sdl);
    DirectInput* di = nullptr;
    ASSERT_EQ(DirectInputCreate(nullptr, DIRECTINPUT_VERSION, &di, nullptr), DI_OK);
    int systemDevices = 0;
    EXPECT_EQ(di->EnumDevices(
                  0,
                  [](const DIDEVICEINSTANCE* instance, void* ref) {
                      const bool system = instance->guidInstance == GUID_SysKeyboard ||
                                          instance->guidInstance == GUID_SysMouse;
                      *static_cast<int*>(ref) += system ? 1 : 0;
                      return DIENUM_CONTINUE;
                  },
                  &systemDevices, DIEDFL_ATTACHEDONLY),
              DI_OK);
    EXPECT_EQ(systemDevices, 2);
    Device* keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    keyboard->Release();
    di->Release();
    sys::SelectBackend(sys::Backend::Headless);
}

TEST(InputKeyMapTest, SdlScancodesMapToKeyCodes) {
    // SDL numbers its scancodes after the USB usage table: A = 4, 1 = 30, Return = 40,
    // Escape = 41, Space = 44, F1 = 58, Right = 79, Left = 80, keypad Enter = 88, left
    // Ctrl = 224, right Alt = 230.
    EXPECT_EQ(sdl::DikFromSdlScancode(4), DIK_A);
    EXPECT_EQ(sdl::DikFromSdlScancode(30), DIK_1);
    EXPECT_EQ(sdl::DikFromSdlScancode(40), DIK_RETURN);
    EXPECT_EQ(sdl::DikFromSdlScancode(41), DIK_ESCAPE);
    EXPECT_EQ(sdl::DikFromSdlScancode(44), DIK_SPACE);
    EXPECT_EQ(sdl::DikFromSdlScancode(58), DIK_F1);
    EXPECT_EQ(sdl::DikFromSdlScancode(79), DIK_RIGHT);
    EXPECT_EQ(sdl::DikFromSdlScancode(80), DIK_LEFT);
    EXPECT_EQ(sdl::DikFromSdlScancode(88), DIK_NUMPADENTER);
    EXPECT_EQ(sdl::DikFromSdlScancode(224), DIK_LCONTROL);
    EXPECT_EQ(sdl::DikFromSdlScancode(230), DIK_RMENU);
    EXPECT_EQ(sdl::DikFromSdlScancode(0), 0);
    EXPECT_EQ(sdl::DikFromSdlScancode(1000), 0);
}

}  // namespace
