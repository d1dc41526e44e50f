// The DirectInput wrappers: the device table and its enumerations, error names, the keyboard's
// enable switch and lost input, the mouse's button stepping and smoothing, joystick creation
// and its failures, and the force-feedback presets.

#include <gtest/gtest.h>

#include <cstring>

#include "InputTestSupport.h"
#include "dx/input/SDXEffect.h"
#include "dx/input/SDXInput.h"
#include "dx/input/SDXJoystick.h"
#include "dx/input/SDXKeyboard.h"
#include "dx/input/SDXMouse.h"

using namespace sys::input;

namespace {

class InputDevicesTest : public tarvex::test::InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        ASSERT_TRUE(input.Create(nullptr, window));
    }
    void TearDown() override {
        input.Release();
        InputTest::TearDown();
    }

    SDXInput input;
};

TEST_F(InputDevicesTest, ErrorNamesComeFromTheTable) {
    EXPECT_STREQ(SDXInput::ErrorName(DIERR_INPUTLOST), "DIERR_INPUTLOST");
    EXPECT_STREQ(SDXInput::ErrorName(MakeResult(0x80070005u)), "DIERR_HANDLEEXISTS");
    EXPECT_STREQ(SDXInput::ErrorName(MakeResult(0x8007000Cu)), "DIERR_NOTACQUIRED");
    EXPECT_STREQ(SDXInput::ErrorName(1), "S_FALSE");
    EXPECT_STREQ(SDXInput::ErrorName(0), "DI_OK");
    EXPECT_STREQ(SDXInput::ErrorName(MakeResult(0x8000000Au)), "E_PENDING");
    EXPECT_STREQ(SDXInput::ErrorName(MakeResult(0x80040209u)), "Undefine Error");
    EXPECT_STREQ(SDXInput::ErrorName(-1), "Undefine Error");
    input.ReportError("SDXMouse::Update", DIERR_NOTBUFFERED);
    EXPECT_EQ(input.GetLastResult(), DIERR_NOTBUFFERED);
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_NOTBUFFERED");
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXMouse::Update");
}

TEST_F(InputDevicesTest, EnumerationsAppendAndKeepTheFoundFlags) {
    EXPECT_EQ(input.GetLastIndex(), -1);
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    EXPECT_EQ(input.GetLastIndex(), -1);
    EXPECT_FALSE(input.JoystickFound());
    ASSERT_TRUE(input.EnumAttachedDevices());  // keyboard and mouse
    EXPECT_EQ(input.GetLastIndex(), 1);
    EXPECT_EQ(input.GetDevice(0).guidInstance, GUID_SysKeyboard);
    EXPECT_EQ(input.GetDevice(1).guidInstance, GUID_SysMouse);
    EXPECT_EQ(input.GetDevice(0).dwSize, 580u);

    headless::Joystick plain;
    plain.name = "Pad";
    headless::AttachJoystick(plain);
    ASSERT_TRUE(input.EnumAttachedFFJoysticks());
    EXPECT_FALSE(input.FFJoystickFound());
    ASSERT_TRUE(input.EnumDevices());
    EXPECT_EQ(input.GetLastIndex(), 4);
    EXPECT_TRUE(input.JoystickFound());
    EXPECT_STREQ(input.GetDevice(4).tszInstanceName, "Pad");
    EXPECT_EQ(input.GetDevice(4).guidProduct, GUID_Joystick);
}

TEST_F(InputDevicesTest, TheTableKeepsTheFirstSixteenDevices) {
    for (int i = 0; i < 20; ++i) {
        headless::AttachJoystick({});
    }
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    EXPECT_EQ(input.GetLastIndex(), 15);
    // The 17th stopped the enumeration; later enumerations add nothing.
    ASSERT_TRUE(input.EnumDevices());
    EXPECT_EQ(input.GetLastIndex(), 15);
    EXPECT_EQ(input.GetDevice(15).guidInstance.Data1, 0x7A560100u + 15);
    // Released devices leave the table: made anew, the input finds them again from the start.
    for (int round = 0; round < 3; ++round) {
        input.Release();
        EXPECT_EQ(input.GetLastIndex(), -1);
        EXPECT_FALSE(input.JoystickFound());
        ASSERT_TRUE(input.Create(nullptr, window));
        ASSERT_TRUE(input.EnumAttachedJoysticks());
        EXPECT_EQ(input.GetLastIndex(), 15);
        EXPECT_EQ(input.GetDevice(0).guidInstance.Data1, 0x7A560100u);
    }
}

TEST_F(InputDevicesTest, EnumerationFailuresAreReported) {
    headless::FailNext(headless::Call::EnumDevices, DIERR_GENERIC);
    EXPECT_FALSE(input.EnumAttachedFFJoysticks());
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXInput::EnumAttachedFFJoysticks");
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_GENERIC");
}

TEST_F(InputDevicesTest, KeyboardReadsKeysAndKeepsLastFrame) {
    SDXKeyboard keyboard;
    ASSERT_TRUE(keyboard.Create(&input));
    EXPECT_EQ(input.GetKeyboard(), &keyboard);
    headless::SetKey(DIK_SPACE, true);
    EXPECT_TRUE(keyboard.Update());  // not yet acquired: acquires and reads again
    EXPECT_TRUE(keyboard.IsAcquired());
    EXPECT_TRUE(keyboard.IsKeyDown(DIK_SPACE));
    EXPECT_FALSE(keyboard.WasKeyDown(DIK_SPACE));
    headless::SetKey(DIK_SPACE, false);
    EXPECT_TRUE(keyboard.Update());
    EXPECT_FALSE(keyboard.IsKeyDown(DIK_SPACE));
    EXPECT_TRUE(keyboard.WasKeyDown(DIK_SPACE));
    EXPECT_FALSE(keyboard.IsKeyDown(256));
    EXPECT_FALSE(keyboard.IsKeyDown(-1));
}

TEST_F(InputDevicesTest, ADisabledKeyboardReportsNoChanges) {
    SDXKeyboard keyboard;
    ASSERT_TRUE(keyboard.Create(&input));
    headless::SetKey(DIK_A, true);
    ASSERT_TRUE(keyboard.Update());
    keyboard.Enable(false);
    EXPECT_FALSE(keyboard.IsAcquired());
    headless::SetKey(DIK_A, false);
    headless::SetKey(DIK_B, true);
    EXPECT_FALSE(keyboard.Update());
    EXPECT_EQ(std::memcmp(keyboard.GetState(), keyboard.GetPrevState(), 256), 0);
    EXPECT_TRUE(keyboard.IsKeyDown(DIK_A));
    keyboard.Enable(true);
    EXPECT_TRUE(keyboard.Update());
    EXPECT_TRUE(keyboard.IsKeyDown(DIK_B));
}

TEST_F(InputDevicesTest, AKeyboardWithoutTheFocusFailsAndKeepsItsState) {
    SDXKeyboard keyboard;
    ASSERT_TRUE(keyboard.Create(&input));
    headless::SetKey(DIK_W, true);
    ASSERT_TRUE(keyboard.Update());
    sys::window::headless::InjectFocus(false);
    headless::SetKey(DIK_W, false);
    EXPECT_FALSE(keyboard.Update());
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXKeyboard::Update");
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_INPUTLOST");
    EXPECT_TRUE(keyboard.IsKeyDown(DIK_W));
    sys::window::headless::InjectFocus(true);
    EXPECT_TRUE(keyboard.Update());
    EXPECT_FALSE(keyboard.IsKeyDown(DIK_W));
}

class MouseTest : public InputDevicesTest {
protected:
    void SetUp() override {
        InputDevicesTest::SetUp();
        ASSERT_TRUE(mouse.Create(&input));
        ASSERT_TRUE(mouse.Acquire());
    }
    SDXMouse mouse;
};

TEST_F(MouseTest, CreationHoldsThePointerOnlyWhileAcquired) {
    EXPECT_EQ(input.GetMouse(), &mouse);
    EXPECT_TRUE(headless::MouseExclusive());
    EXPECT_TRUE(mouse.Unacquire());
    EXPECT_FALSE(headless::MouseExclusive());
    EXPECT_FALSE(mouse.IsAcquired());
}

TEST_F(MouseTest, AClickWithinOneFrameShowsOnThreeFrames) {
    for (int button = 0; button < 3; ++button) {
        headless::MouseButton(button, true);
        headless::MouseButton(button, false);
        ASSERT_TRUE(mouse.Update());
        EXPECT_EQ(mouse.GetButtonState(button), SDXMouse::kPressed) << button;
        EXPECT_EQ(mouse.GetPrevButtonState(button), SDXMouse::kUp) << button;
        ASSERT_TRUE(mouse.Update());
        EXPECT_EQ(mouse.GetButtonState(button), SDXMouse::kHeld) << button;
        ASSERT_TRUE(mouse.Update());
        EXPECT_EQ(mouse.GetButtonState(button), SDXMouse::kReleased) << button;
        ASSERT_TRUE(mouse.Update());
        EXPECT_EQ(mouse.GetButtonState(button), SDXMouse::kUp) << button;
        EXPECT_EQ(mouse.GetPrevButtonState(button), SDXMouse::kReleased) << button;
    }
}

TEST_F(MouseTest, AHeldButtonStaysHeldAndReleasesAFrameAfterItsItem) {
    headless::MouseButton(2, true);
    mouse.Update();
    EXPECT_EQ(mouse.GetButtonState(2), SDXMouse::kPressed);
    EXPECT_EQ(mouse.GetButtonState(0), SDXMouse::kUp);
    mouse.Update();
    mouse.Update();
    EXPECT_EQ(mouse.GetButtonState(2), SDXMouse::kHeld);
    headless::MouseButton(2, false);
    mouse.Update();
    EXPECT_EQ(mouse.GetButtonState(2), SDXMouse::kHeld);
    mouse.Update();
    EXPECT_EQ(mouse.GetButtonState(2), SDXMouse::kReleased);
    // Pressed again during the released frame: pressed at once.
    headless::MouseButton(2, true);
    mouse.Update();
    EXPECT_EQ(mouse.GetButtonState(2), SDXMouse::kPressed);
}

TEST_F(MouseTest, WithoutSmoothingTheLastItemOfAFrameWins) {
    headless::MoveMouse(4, -3);
    headless::MoveMouse(8, 0);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 8);
    EXPECT_EQ(mouse.GetY(), -3);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 0);
    EXPECT_EQ(mouse.GetY(), 0);
}

TEST_F(MouseTest, SmoothingAveragesAndDecays) {
    mouse.SetSmoothing(true);
    headless::MoveMouse(4, 0);
    headless::MoveMouse(8, 0);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 5);  // (4 + 0) / 2 = 2, then (8 + 2) / 2 = 5
    EXPECT_EQ(mouse.GetY(), 0);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 1);  // 5 x 0.33333334 = 1.67
    headless::MoveMouse(-7, 30);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), -3);  // (-7 + 1) / 2
    EXPECT_EQ(mouse.GetY(), 15);
    headless::MoveMouse(1, 0);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 1);  // a step of one is taken as it is
    EXPECT_EQ(mouse.GetY(), 5);
    headless::MoveMouse(0, -1);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 0);  // 1 x 0.33333334
    EXPECT_EQ(mouse.GetY(), -1);
}

TEST_F(MouseTest, LostInputIsAcquiredAgainOnce) {
    headless::MouseButton(0, true);
    sys::window::headless::InjectFocus(false);
    EXPECT_FALSE(mouse.Update());
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXMouse::Update");
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_NOTACQUIRED");
    sys::window::headless::InjectFocus(true);
    ASSERT_TRUE(mouse.Acquire());
    headless::MoveMouse(6, 0);
    ASSERT_TRUE(mouse.Update());
    EXPECT_EQ(mouse.GetX(), 6);
    EXPECT_EQ(mouse.GetButtonState(0), SDXMouse::kUp);
}

TEST_F(MouseTest, AFailedReadIsReported) {
    headless::FailNext(headless::Call::GetDeviceData, DIERR_GENERIC);
    EXPECT_FALSE(mouse.Update());
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_GENERIC");
    headless::FailNext(headless::Call::GetDeviceData, DIERR_INPUTLOST, 2);
    EXPECT_FALSE(mouse.Update());
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_INPUTLOST");
}

TEST_F(InputDevicesTest, MouseCreationFailuresNameTheirStep) {
    SDXMouse mouse;
    headless::FailNext(headless::Call::SetProperty, DIERR_INVALIDPARAM);
    EXPECT_FALSE(mouse.Create(&input));
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXMouse::SetBufferedInput");
    SDXMouse second;
    headless::FailNext(headless::Call::SetCooperativeLevel, DIERR_INVALIDPARAM);
    EXPECT_FALSE(second.Create(&input));
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXMouse::Create");
}

TEST_F(InputDevicesTest, AJoystickNeedsATableEntry) {
    SDXJoystick joystick;
    headless::AttachJoystick({});
    EXPECT_FALSE(joystick.Create(&input));
    EXPECT_EQ(headless::CallCount(headless::Call::CreateDevice), 0);
    ASSERT_TRUE(input.EnumAttachedDevices());
    headless::Reset();  // the joystick is gone, the table keeps keyboard, mouse and its entry
    ASSERT_TRUE(input.EnumAttachedDevices());
    SDXJoystick second;
    EXPECT_FALSE(second.Create(&input));
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXJoystick::Create");
}

TEST_F(InputDevicesTest, ATableWithoutJoysticksGivesNoJoystick) {
    ASSERT_TRUE(input.EnumAttachedDevices());
    SDXJoystick joystick;
    EXPECT_FALSE(joystick.Create(&input));
    EXPECT_EQ(headless::CallCount(headless::Call::CreateDevice), 0);
}

TEST_F(InputDevicesTest, AJoystickReadsItsAxesInThousands) {
    headless::Joystick pad;
    pad.axes = 3;
    pad.buttons = 12;
    headless::AttachJoystick(pad);
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.Create(&input));
    headless::SetJoystickAxis(0, 0, -32768);
    headless::SetJoystickAxis(0, 1, 32767);
    headless::SetJoystickAxis(0, 2, 32767);
    headless::SetJoystickButton(0, 11, true);
    headless::SetJoystickButton(0, 12, true);  // the pad has no 13th button
    ASSERT_TRUE(joystick.Update());
    EXPECT_EQ(joystick.GetX(), -1000);
    EXPECT_EQ(joystick.GetY(), 1000);
    EXPECT_EQ(joystick.GetZ(), 65535);  // Z keeps the whole default range
    EXPECT_EQ(joystick.GetRx(), 0);     // an axis the pad does not have
    EXPECT_EQ(joystick.IsButtonDown(11), 0x80);
    EXPECT_EQ(joystick.IsButtonDown(12), 0);
    EXPECT_EQ(joystick.IsButtonDown(32), 0);
    EXPECT_EQ(joystick.IsButtonDown(-1), 0);
    EXPECT_EQ(joystick.WasButtonDown(11), 0);
    headless::SetJoystickButton(0, 11, false);
    ASSERT_TRUE(joystick.Update());
    EXPECT_EQ(joystick.WasButtonDown(11), 0x80);
    EXPECT_EQ(joystick.IsButtonDown(11), 0);
}

TEST_F(InputDevicesTest, AJoystickWithOneAxisIsGivenUp) {
    headless::Joystick paddle;
    paddle.axes = 1;
    headless::AttachJoystick(paddle);
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXJoystick joystick;
    EXPECT_FALSE(joystick.Create(&input));
    EXPECT_EQ(joystick.GetDevice(), nullptr);
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXJoystick::SetProperties");
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_NOTFOUND");
    EXPECT_EQ(headless::OpenCount(0), 0);
}

TEST_F(InputDevicesTest, SubtypesAreTakenFromBitsFourToSeven) {
    headless::Joystick first;
    first.devType = 0x14;
    headless::Joystick second;
    second.devType = 0x34;
    headless::AttachJoystick(first);
    headless::AttachJoystick(second);
    // Their type bytes are not the joystick type, so only the enumeration of all devices lists them.
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    EXPECT_EQ(input.GetLastIndex(), -1);
    ASSERT_TRUE(input.EnumAttachedDevices());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.CreateOfSubType(&input, 3));
    EXPECT_EQ(headless::OpenCount(1), 1);
    EXPECT_EQ(headless::OpenCount(0), 0);
    SDXJoystick none;
    EXPECT_FALSE(none.CreateOfSubType(&input, 5));
}

TEST_F(InputDevicesTest, AnUnpluggedJoystickFailsItsUpdate) {
    headless::AttachJoystick({});
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.Create(&input));
    ASSERT_TRUE(joystick.Update());
    headless::UnplugJoystick(0);
    EXPECT_FALSE(joystick.Update());
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXJoystick::Update");
}

TEST_F(InputDevicesTest, AJoystickWithoutTheFocusDoesNotUpdate) {
    headless::AttachJoystick({});
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.Create(&input));
    sys::window::headless::InjectFocus(false);
    EXPECT_FALSE(joystick.Update());
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXJoystick::Acquire");
}

TEST_F(InputDevicesTest, ForceFeedbackTakesTheJoystickExclusively) {
    headless::Joystick wheel;
    wheel.forceFeedback = true;
    headless::AttachJoystick(wheel);
    ASSERT_TRUE(input.EnumAttachedFFJoysticks());
    EXPECT_TRUE(input.FFJoystickFound());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.CreateFF(&input));
    EXPECT_TRUE(joystick.IsForceFeedback());
    ASSERT_TRUE(joystick.Acquire());
    // A second exclusive user of the same wheel is turned away.
    SDXJoystick other;
    ASSERT_TRUE(other.CreateFF(&input));
    EXPECT_FALSE(other.Acquire());
    EXPECT_TRUE(joystick.SetAutoCenter(false));
    EXPECT_FALSE(headless::AutoCenter(0));
}

TEST_F(InputDevicesTest, APlainJoystickHasNoAutoCentre) {
    headless::AttachJoystick({});
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.Create(&input));
    EXPECT_FALSE(joystick.SetAutoCenter(true));
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXJoystick::SetAutoCenter");
    EXPECT_STREQ(input.GetErrorName().GetString(), "DIERR_UNSUPPORTED");
}

TEST_F(InputDevicesTest, EffectPresets) {
    SDXEffect effect;
    EXPECT_EQ(effect.GetEffectGuid(), GUID_CustomForce);
    EXPECT_EQ(effect.GetDescription().dwDuration, 0u);

    effect.SetSineOnTrigger();
    const DIEFFECT& sine = effect.GetDescription();
    EXPECT_EQ(effect.GetEffectGuid(), GUID_Sine);
    EXPECT_EQ(sine.dwSize, 56u);
    EXPECT_EQ(sine.dwFlags, 0x22u);
    EXPECT_EQ(sine.dwGain, 10000u);
    EXPECT_EQ(sine.dwDuration, 2000000u);
    EXPECT_EQ(sine.dwTriggerButton, 48u);
    EXPECT_EQ(sine.cAxes, 2u);
    EXPECT_EQ(sine.rgdwAxes[0], DIJOFS_X);
    EXPECT_EQ(sine.rgdwAxes[1], DIJOFS_Y);
    EXPECT_EQ(sine.rglDirection[0], 0);
    EXPECT_EQ(effect.GetPeriodic().dwMagnitude, 10000u);
    EXPECT_EQ(effect.GetPeriodic().dwPeriod, 50000u);
    ASSERT_NE(sine.lpEnvelope, nullptr);
    EXPECT_EQ(sine.lpEnvelope->dwAttackTime, 500000u);
    EXPECT_EQ(sine.lpEnvelope->dwFadeTime, 1000000u);

    effect.SetConstantForce();
    EXPECT_EQ(effect.GetEffectGuid(), GUID_ConstantForce);
    EXPECT_EQ(effect.GetDescription().dwDuration, INFINITE_DURATION);
    EXPECT_EQ(effect.GetDescription().dwTriggerButton, DIEB_NOTRIGGER);
    EXPECT_EQ(effect.GetDescription().lpEnvelope, nullptr);
    EXPECT_EQ(effect.GetConstantForce().lMagnitude, 10000);

    effect.SetConstantJolt();
    EXPECT_EQ(effect.GetDescription().dwDuration, 250000u);
    EXPECT_EQ(effect.GetDescription().lpEnvelope->dwAttackTime, 0u);
    EXPECT_EQ(effect.GetDescription().lpEnvelope->dwFadeTime, 250000u);

    effect.SetSineJolt();
    EXPECT_EQ(effect.GetDescription().dwDuration, 160000u);
    EXPECT_EQ(effect.GetPeriodic().dwMagnitude, 9000u);
    EXPECT_EQ(effect.GetPeriodic().dwPeriod, 39000u);
    EXPECT_EQ(effect.GetDescription().lpEnvelope->dwAttackTime, 19000u);
    EXPECT_EQ(effect.GetDescription().lpEnvelope->dwFadeTime, 139000u);
}

TEST_F(InputDevicesTest, EffectsAreCreatedOnForceFeedbackJoysticksOnly) {
    headless::Joystick wheel;
    wheel.forceFeedback = true;
    headless::AttachJoystick(wheel);
    headless::AttachJoystick({});
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.CreateFF(&input));
    SDXEffect effect;
    effect.SetSineJolt();
    EXPECT_TRUE(effect.CreateEffect(&joystick));
    ASSERT_NE(effect.GetEffect(), nullptr);
    // Played only with exclusive access.
    EXPECT_EQ(effect.GetEffect()->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
    ASSERT_TRUE(joystick.Acquire());
    EXPECT_EQ(effect.GetEffect()->Start(1, 0), DI_OK);
    const auto played = headless::Effects();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].kind, 1);
    EXPECT_EQ(played[0].magnitude, 9000);
    EXPECT_EQ(played[0].durationUs, 160000u);
    EXPECT_EQ(played[0].periodUs, 39000u);
    EXPECT_EQ(effect.GetEffect()->Stop(), DI_OK);
    EXPECT_FALSE(headless::Effects()[0].playing);

    SDXEffect fresh;  // a custom force without parameters is refused
    EXPECT_FALSE(fresh.CreateEffect(&joystick));
    EXPECT_STREQ(input.GetErrorOperation().GetString(), "SDXEffect::CreateEffect");
}

TEST_F(InputDevicesTest, RecordsAreCopiedUpToTheSmallerOfTheTwoSizes) {
    // A driver whose records claim more than a record holds, one whose records claim less,
    // and a well-formed one.
    headless::Joystick oversized;
    oversized.name = "Oversized";
    oversized.recordSize = 2000;
    headless::Joystick short8;
    short8.name = "Short";
    short8.recordSize = 8;
    headless::Joystick plain;
    plain.name = "Plain";
    headless::AttachJoystick(oversized);
    headless::AttachJoystick(short8);
    headless::AttachJoystick(plain);
    ASSERT_TRUE(input.EnumAttachedJoysticks());
    ASSERT_EQ(input.GetLastIndex(), 2);
    EXPECT_EQ(input.GetDevice(0).dwSize, 2000u);
    EXPECT_STREQ(input.GetDevice(0).tszProductName, "Oversized");
    // Only the size and the first word of the instance GUID.
    EXPECT_EQ(input.GetDevice(1).dwSize, 8u);
    EXPECT_EQ(input.GetDevice(1).guidInstance.Data1, 0x7A560101u);
    EXPECT_EQ(input.GetDevice(1).guidInstance.Data2, 0);
    EXPECT_EQ(input.GetDevice(1).dwDevType, 0u);
    EXPECT_STREQ(input.GetDevice(1).tszInstanceName, "");
    EXPECT_STREQ(input.GetDevice(2).tszInstanceName, "Plain");
    EXPECT_EQ(input.GetDevice(3).dwSize, 0u);
    // The short record is no joystick to the table, so the first joystick is the oversized one.
    SDXJoystick joystick;
    ASSERT_TRUE(joystick.Create(&input));
    EXPECT_EQ(headless::OpenCount(0), 1);
}

}  // namespace
