#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/window/headless/headless_window.h"
#include "sys/window/sdl/sdl_keymap.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

// Keys as messages: their key data, which of them are system keys, and the characters the
// translate step makes of them under Shift, Caps Lock and Ctrl.
namespace {

using namespace sys;
using namespace sys::window;

// Set-1 scan codes of the keys used here.
constexpr UINT kScanA = 0x1E;
constexpr UINT kScanC = 0x2E;
constexpr UINT kScanLeftShift = 0x2A;
constexpr UINT kScanRightShift = 0x36;
constexpr UINT kScanCtrl = 0x1D;
constexpr UINT kScanAlt = 0x38;

class CharTranslationTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        time::SetFakeTicks(0);
        hwnd = CreateWindow("Keys", WS_CAPTION, nullptr, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        Pump();
    }
    void TearDown() override { headless::Reset(); }

    void Tap(UINT key, UINT scan, bool extended = false) {
        headless::InjectKey(key, scan, true, extended);
        headless::InjectKey(key, scan, false, extended);
    }

    // Takes every message as a message loop does, translating each; answers what came out.
    std::vector<MSG> Pump() {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
            taken.push_back(msg);
            TranslateMessage(msg);
        }
        return taken;
    }

    std::string Typed() {
        std::string text;
        for (const MSG& msg : Pump()) {
            if (msg.message == WM_CHAR) {
                text.push_back(static_cast<char>(msg.wParam));
            }
        }
        return text;
    }

    HWND hwnd = nullptr;
};

TEST_F(CharTranslationTest, LettersAreSmallWithoutShiftAndCapitalWithIt) {
    Tap('A', kScanA);
    EXPECT_EQ(Typed(), "a");
    headless::InjectKey(VK_SHIFT, kScanLeftShift, true);
    Tap('A', kScanA);
    headless::InjectKey(VK_SHIFT, kScanLeftShift, false);
    Tap('A', kScanA);
    EXPECT_EQ(Typed(), "Aa");
    headless::InjectKey(VK_SHIFT, kScanRightShift, true);
    Tap('Z', 0x2C);
    headless::InjectKey(VK_SHIFT, kScanRightShift, false);
    EXPECT_EQ(Typed(), "Z");
}

TEST_F(CharTranslationTest, CapsLockTurnsLettersOnly) {
    Tap(VK_CAPITAL, 0x3A);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    Tap('A', kScanA);
    Tap('1', 0x02);
    headless::InjectKey(VK_SHIFT, kScanLeftShift, true);
    Tap('A', kScanA);
    headless::InjectKey(VK_SHIFT, kScanLeftShift, false);
    EXPECT_EQ(Typed(), "A1a");
    Tap(VK_CAPITAL, 0x3A);
    Tap('A', kScanA);
    EXPECT_EQ(Typed(), "a");
}

TEST_F(CharTranslationTest, ShiftedDigitsAndPunctuationFollowTheUsLayout) {
    const struct {
        UINT key;
        char plain;
        char shifted;
    } cases[] = {{'1', '1', '!'},        {'2', '2', '@'},          {'0', '0', ')'},        {VK_OEM_MINUS, '-', '_'},
                 {VK_OEM_PLUS, '=', '+'}, {VK_OEM_2, '/', '?'},    {VK_OEM_7, '\'', '"'},  {VK_OEM_1, ';', ':'},
                 {VK_OEM_4, '[', '{'},    {VK_OEM_5, '\\', '|'},   {VK_OEM_3, '`', '~'},   {VK_OEM_PERIOD, '.', '>'}};
    for (const auto& each : cases) {
        Tap(each.key, 0x10);
        headless::InjectKey(VK_SHIFT, kScanLeftShift, true);
        Tap(each.key, 0x10);
        headless::InjectKey(VK_SHIFT, kScanLeftShift, false);
        EXPECT_EQ(Typed(), std::string({each.plain, each.shifted})) << "key " << each.key;
    }
}

TEST_F(CharTranslationTest, CtrlWithALetterGivesItsControlCode) {
    headless::InjectKey(VK_CONTROL, kScanCtrl, true);
    Tap('A', kScanA);
    Tap('C', kScanC);
    Tap('V', 0x2F);
    Tap('X', 0x2D);
    Tap('Z', 0x2C);
    Tap('1', 0x02);  // no character
    headless::InjectKey(VK_CONTROL, kScanCtrl, false);
    EXPECT_EQ(Typed(), std::string({1, 3, 22, 24, 26}));
}

TEST_F(CharTranslationTest, EditingKeysGiveTheirCodes) {
    Tap(VK_BACK, 0x0E);
    Tap(VK_TAB, 0x0F);
    Tap(VK_RETURN, 0x1C);
    Tap(VK_ESCAPE, 0x01);
    Tap(VK_SPACE, 0x39);
    Tap(VK_NUMPAD0 + 7, 0x47);
    Tap(VK_ADD, 0x4E);
    EXPECT_EQ(Typed(), std::string({8, 9, 13, 27, ' ', '7', '+'}));
}

TEST_F(CharTranslationTest, KeysThatTypeNothing) {
    Tap(VK_DELETE, 0x53, true);
    Tap(VK_LEFT, 0x4B, true);
    Tap(VK_F1, 0x3B);
    Tap(VK_SHIFT, kScanLeftShift);
    Tap(VK_CONTROL, kScanCtrl);
    EXPECT_EQ(Typed(), "");
}

TEST_F(CharTranslationTest, OnlyKeyDownIsTranslated) {
    MSG up{hwnd, WM_KEYUP, 'A', 0, 0, {}};
    MSG system{hwnd, WM_SYSKEYDOWN, 'A', 0, 0, {}};
    EXPECT_FALSE(TranslateMessage(up));
    EXPECT_FALSE(TranslateMessage(system));
    EXPECT_TRUE(headless::PendingMessages().empty());
}

TEST_F(CharTranslationTest, KeyDataCarriesScanCodeRepeatAndTransition) {
    headless::InjectKey('A', kScanA, true);
    headless::InjectKey('A', kScanA, true);  // held: auto-repeat
    headless::InjectKey('A', kScanA, false);
    headless::InjectKey(VK_DELETE, 0x53, true, true);
    const std::vector<MSG> messages = Pump();
    ASSERT_EQ(messages.size(), 6u);  // two characters follow the two presses of A
    EXPECT_EQ(messages[0].message, WM_KEYDOWN);
    EXPECT_EQ(messages[0].lParam, 0x001E0001);
    EXPECT_EQ(messages[1].message, WM_CHAR);
    EXPECT_EQ(messages[1].lParam, 0x001E0001);
    EXPECT_EQ(messages[2].lParam, 0x401E0001);
    EXPECT_EQ(messages[3].message, WM_CHAR);
    EXPECT_EQ(messages[4].message, WM_KEYUP);
    EXPECT_EQ(messages[4].lParam, LPARAM(0xC01E0001));
    EXPECT_EQ(messages[5].wParam, VK_DELETE);
    EXPECT_EQ(messages[5].lParam, 0x01530001);
}

TEST_F(CharTranslationTest, KeysWithAltAreSystemKeysWithoutCharacters) {
    headless::InjectKey(VK_MENU, kScanAlt, true);
    headless::InjectKey('A', kScanA, true);
    headless::InjectKey('A', kScanA, false);
    headless::InjectKey(VK_MENU, kScanAlt, false);
    headless::InjectKey(VK_F10, 0x44, true);
    const std::vector<MSG> messages = Pump();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].message, WM_SYSKEYDOWN);
    EXPECT_EQ(messages[0].wParam, VK_MENU);
    EXPECT_EQ(messages[1].message, WM_SYSKEYDOWN);
    EXPECT_EQ(messages[1].lParam, 0x201E0001);  // Alt held
    EXPECT_EQ(messages[2].message, WM_SYSKEYUP);
    EXPECT_EQ(messages[3].message, WM_SYSKEYUP);
    EXPECT_EQ(messages[3].wParam, VK_MENU);
    EXPECT_EQ(messages[4].message, WM_SYSKEYDOWN);  // F10 without Alt
    EXPECT_EQ(messages[4].lParam, 0x00440001);
}

TEST_F(CharTranslationTest, CtrlTakesAltOutOfTheSystemKeys) {
    headless::InjectKey(VK_CONTROL, kScanCtrl, true);
    headless::InjectKey(VK_MENU, kScanAlt, true);
    headless::InjectKey('A', kScanA, true);
    const std::vector<MSG> messages = Pump();
    ASSERT_EQ(messages.size(), 3u);  // and no character for Ctrl+Alt+A
    EXPECT_EQ(messages[1].message, WM_KEYDOWN);
    EXPECT_EQ(messages[2].message, WM_KEYDOWN);
}

TEST_F(CharTranslationTest, TranslationUsesTheShiftStateOfTheQueueNotOfNow) {
    // All of it happens before the program reads a message.
    headless::InjectKey(VK_SHIFT, kScanLeftShift, true);
    Tap('A', kScanA);
    headless::InjectKey(VK_SHIFT, kScanLeftShift, false);
    Tap('A', kScanA);
    EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
    EXPECT_EQ(Typed(), "Aa");
}

TEST_F(CharTranslationTest, KeyStateFollowsTakenMessagesAsyncStateFollowsInput) {
    headless::InjectKey(VK_CONTROL, kScanCtrl, true, true);  // the right one
    EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_LT(GetAsyncKeyState(VK_RCONTROL), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LCONTROL), 0);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, VK_CONTROL);
    EXPECT_EQ(msg.lParam, 0x011D0001);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_LT(GetKeyState(VK_RCONTROL), 0);
}

TEST_F(CharTranslationTest, WithoutFocusKeysMakeNoMessagesButStillCount) {
    headless::InjectFocus(false);
    Pump();
    headless::InjectKey('A', kScanA, true);
    EXPECT_TRUE(headless::PendingMessages().empty());
    EXPECT_LT(GetAsyncKeyState('A'), 0);
}

TEST_F(CharTranslationTest, LosingTheFocusReleasesHeldKeys) {
    headless::InjectKey(VK_CONTROL, kScanCtrl, true);
    Pump();
    headless::InjectFocus(false);
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
}

TEST(SdlKeymapTest, LettersAndDigitsFollowTheLayoutOtherKeysThePosition) {
    using sys::window::sdl::MapSdlKey;
    // SDL scancodes are USB usage ids: A = 4, Q = 20, 1 = 30, 0 = 39, Up = 82, Delete = 76,
    // keypad 8 = 96, keypad period = 99, right Ctrl = 228, right Shift = 229, F13 = 104.
    auto check = [](sys::window::sdl::KeyMapping got, UINT key, UINT scan, bool extended) {
        EXPECT_EQ(got.virtualKey, key);
        EXPECT_EQ(got.scanCode, scan);
        EXPECT_EQ(got.extended, extended);
    };
    check(MapSdlKey(4, 'a', false), 'A', 0x1E, false);
    check(MapSdlKey(20, 'a', false), 'A', 0x10, false);  // the A of a French keyboard
    check(MapSdlKey(30, '&', false), '1', 0x02, false);  // a digit key typing '&'
    check(MapSdlKey(39, '0', false), '0', 0x0B, false);
    check(MapSdlKey(82, 0, false), VK_UP, 0x48, true);
    check(MapSdlKey(76, 0, false), VK_DELETE, 0x53, true);
    check(MapSdlKey(96, 0, true), VK_NUMPAD0 + 8, 0x48, false);
    check(MapSdlKey(96, 0, false), VK_UP, 0x48, false);
    check(MapSdlKey(99, 0, true), VK_DECIMAL, 0x53, false);
    check(MapSdlKey(228, 0, false), VK_CONTROL, 0x1D, true);
    check(MapSdlKey(229, 0, false), VK_SHIFT, 0x36, false);
    EXPECT_EQ(MapSdlKey(104, 0, false).virtualKey, 0u);
}

}  // namespace
