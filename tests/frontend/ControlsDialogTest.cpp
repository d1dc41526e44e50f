// The controls dialog: one list row per binding of each command, a second click on a row that
// waits for the key or mouse button to bind (taking it from the command that had it), a right
// click that unbinds, the reset to the default bindings, and the options it saves.

#include <gtest/gtest.h>

#include <string>

#include "app/CSystemData.h"
#include "frontend/dialogs/SControlsDialog.h"
#include "sys/window/window.h"
#include "tests/frontend/OptionDialogsTestSupport.h"

namespace {

using optiontest::Control;
using optiontest::Kind;

constexpr int kW = 0x11;  // DirectInput key codes
constexpr int kS = 0x1F;
constexpr int kA = 0x1E;

class ControlsDialogTest : public optiontest::OptionDialogsTest {
protected:
    void SetUp() override {
        OptionDialogsTest::SetUp();
        AddLayout("OMC", {{200, Kind::List},          {250, Kind::Bar},          {3600, Kind::Push},
                          {3601, Kind::Push},         {3300, Kind::Check},       {3530, Kind::Check},
                          {3540, Kind::Check},        {3560, Kind::Check},       {3570, Kind::Check},
                          {3580, Kind::Check},        {3590, Kind::Check},       {3700, Kind::Text},
                          {3710, Kind::Slider, 255},  {3709, Kind::Push},        {3711, Kind::Push},
                          {3720, Kind::Slider, 255},  {3719, Kind::Push},        {3721, Kind::Push},
                          {3750, Kind::Push}});
        SInputObjSettings& settings = m_pHub->m_pInput->GetSettings();
        settings.AddCommand("+forward", "Forward", 1, kW, -1, -1);
        settings.AddCommand("+fire", "Fire", 1, -1, 0, 2);
        settings.AddCommand("+use", "", 1, -1, -1, -1);
        settings.AddCommand("+zoom", "Zoom", 1, kS, 1, -1);
        settings.AddCommand("+last", "Last", 1, kA, -1, -1);
        m_pHub->m_pInput->Create(settings);
    }

    SListCtrl* List(SControlsDialog& dialog) { return dynamic_cast<SListCtrl*>(dialog.FindControl(200)); }
    std::string Row(SControlsDialog& dialog, int row) {
        SListCtrl* list = List(dialog);
        return std::string(list->GetItemText(row, 0).GetString()) + " / " + list->GetItemText(row, 1).GetString();
    }
    // A press of the button over a row of the list, as the window under the mouse takes it.
    void PressRow(SControlsDialog& dialog, int row, bool right = false) {
        SListCtrl* list = List(dialog);
        const sys::RECT rc = list->GetWindowRect();
        for (int y = rc.top; y < rc.bottom; ++y)
            if (list->RowFromPoint(rc.left + 5, y) == row) {
                if (right)
                    list->OnRButtonDown(0, rc.left + 5, y);
                else
                    list->OnLButtonDown(0, rc.left + 5, y);
                return;
            }
        ADD_FAILURE() << "no row " << row;
    }
    SInputObjCommand& Command(int index) { return *m_pHub->m_pInput->GetSettings().GetCommand(index); }
};

TEST_F(ControlsDialogTest, EveryBindingHasItsRowAndAnUnboundCommandOneRow) {
    SControlsDialog dialog;
    dialog.Activate();
    const std::vector<std::string> expected = {"Forward / W",     "Fire / Left Mouse", "???? / (None)",
                                               "Zoom / S",        "Zoom / Right Mouse", "Last / A"};
    ASSERT_EQ(List(dialog)->GetItemCount(), 6);
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(Row(dialog, row), expected[static_cast<size_t>(row)]) << row;
    const int commands[] = {0, 1, 2, 3, 3, 4};
    const int kinds[] = {1, 2, -1, 1, 2, 1};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(SControlsDialog::GetRowCommand(row), commands[row]) << row;
        EXPECT_EQ(SControlsDialog::GetRowKind(row), kinds[row]) << row;
    }
    EXPECT_STREQ(Command(2).m_sDisplayName.GetString(), "????");
    // Five commands fit without scrolling.
    int low = -1;
    int high = -1;
    dynamic_cast<SScrollBar*>(dialog.FindControl(250))->GetRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
    EXPECT_FALSE(dialog.FindControl(3700)->IsVisible());

    // With joystick input on, joystick buttons are listed too.
    m_pHub->m_pInput->GetSettings().m_iJoystick = 1;
    dialog.RefreshList();
    EXPECT_EQ(List(dialog)->GetItemCount(), 7);
    EXPECT_EQ(SControlsDialog::GetRowCommand(2), 1);
    EXPECT_EQ(SControlsDialog::GetRowKind(2), 3);
}

TEST_F(ControlsDialogTest, ASecondClickOnARowBindsTheNextKeyAndTakesItFromItsCommand) {
    SControlsDialog dialog;
    dialog.Activate();
    sys::input::headless::SetKey(kW, true);
    sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, 'W', 0);

    PressRow(dialog, 3);  // Zoom / S: the first click only selects
    EXPECT_EQ(dialog.GetLastRow(), 3);
    EXPECT_EQ(Command(3).m_iKeyCode, kS);
    PressRow(dialog, 3);
    EXPECT_EQ(Command(3).m_iKeyCode, kW);
    EXPECT_EQ(Command(0).m_iKeyCode, -1);
    EXPECT_TRUE(dialog.IsChanged());
    EXPECT_EQ(Row(dialog, 0), "Forward / (None)");
    EXPECT_FALSE(dialog.FindControl(3700)->IsVisible());
    EXPECT_EQ(dialog.GetBlinkDeadline(), 0u);
    sys::input::headless::SetKey(kW, false);

    // A mouse button moves the same way, from Fire to Zoom.
    sys::window::PostMessage(nullptr, sys::WM_LBUTTONDOWN, 0, 0);
    PressRow(dialog, 4);
    PressRow(dialog, 4);
    EXPECT_EQ(Command(3).m_iMouseCode, 0);
    EXPECT_EQ(Command(1).m_iMouseCode, -1);

    // The last command of the table is never rebound: no wait begins.
    const int lastRow = List(dialog)->GetItemCount() - 1;
    PressRow(dialog, lastRow);
    PressRow(dialog, lastRow);
    EXPECT_EQ(Command(4).m_iKeyCode, kA);
}

TEST_F(ControlsDialogTest, ATappedKeyIsTakenAndReplacesTheRowOfAnotherKind) {
    SControlsDialog dialog;
    dialog.Activate();
    // The main loop's frame holds the keyboard; the key is already up when the dialog reads it.
    SDXKeyboard& keyboard = m_pHub->m_pInput->GetKeyboard();
    const auto tap = [&](int code, sys::WPARAM virtualKey) {
        keyboard.Update();
        sys::input::headless::SetKey(code, true);
        sys::input::headless::SetKey(code, false);
        sys::window::PostMessage(nullptr, sys::WM_KEYDOWN, virtualKey, sys::MAKELPARAM(1, code & 0x7F));
    };
    tap(kW, 'W');
    PressRow(dialog, 4);  // Zoom / Right Mouse
    PressRow(dialog, 4);
    EXPECT_EQ(Command(3).m_iKeyCode, kW);
    EXPECT_EQ(Command(3).m_iMouseCode, -1);
    EXPECT_EQ(Command(0).m_iKeyCode, -1);
    EXPECT_EQ(Row(dialog, 3), "Zoom / W");
    EXPECT_EQ(List(dialog)->GetItemCount(), 5);

    // An extended key (the up arrow) on a command that had nothing.
    tap(0xC8, 0x26);
    PressRow(dialog, 0);
    PressRow(dialog, 0);
    EXPECT_EQ(Command(0).m_iKeyCode, 0xC8);
    EXPECT_EQ(Command(0).m_iMouseCode, -1);
}

TEST_F(ControlsDialogTest, ClosingTheProgramWhileARowWaitsEndsTheWaitAndKeepsTheQuit) {
    SControlsDialog dialog;
    dialog.Activate();
    sys::window::PostQuitMessage(5);
    PressRow(dialog, 0);
    PressRow(dialog, 0);
    EXPECT_EQ(Command(0).m_iKeyCode, kW);
    sys::MSG msg;
    ASSERT_TRUE(sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_REMOVE));
    EXPECT_EQ(msg.message, sys::WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(ControlsDialogTest, ARightClickUnbindsOnlyTheRowClickedLast) {
    SControlsDialog dialog;
    dialog.Activate();
    PressRow(dialog, 3, true);  // not clicked before: only selects
    EXPECT_EQ(Command(3).m_iKeyCode, kS);
    PressRow(dialog, 4, true);  // another row
    EXPECT_EQ(Command(3).m_iMouseCode, 1);
    PressRow(dialog, 4, true);
    EXPECT_EQ(Command(3).m_iMouseCode, -1);
    EXPECT_EQ(Command(3).m_iKeyCode, kS);
    EXPECT_EQ(Row(dialog, 4), "Last / A");
}

TEST_F(ControlsDialogTest, ResetRunsTheDefaultScriptAndSaysWhetherItRan) {
    SControlsDialog dialog;
    dialog.Activate();
    Click(dialog, 3750);
    ASSERT_EQ(m_script.shown.size(), 1u);
    EXPECT_EQ(m_script.shown[0], "OK: The default key config could not be read: defcmds.cfg not found");

    tarvex::test::WriteWholeFile("defcmds.cfg", "bind s \"+forward\" \"Forward\"\n");
    Click(dialog, 3750);
    ASSERT_EQ(m_script.shown.size(), 2u);
    EXPECT_EQ(m_script.shown[1], "OK: reset key config to default values");
    EXPECT_EQ(Command(0).m_iKeyCode, kS);
    EXPECT_EQ(Command(3).m_iKeyCode, -1);
    EXPECT_EQ(Row(dialog, 0), "Forward / S");
}

TEST_F(ControlsDialogTest, OptionsAreSavedOnlyWhenTheUserAgrees) {
    SInputObjSettings& settings = m_pHub->m_pInput->GetSettings();
    settings.m_iInvertX = 1;
    settings.m_iInvertY = 0;
    settings.m_nMSensitivity = 127;
    {
        SControlsDialog dialog;
        dialog.Activate();
        EXPECT_EQ(Check(dialog, 3530), 1);
        EXPECT_EQ(Slider(dialog, 3710)->GetPos(), 127);
        Toggle(dialog, 3590);  // joystick on: both inversions off
        EXPECT_EQ(Check(dialog, 3530), 0);
        EXPECT_EQ(Check(dialog, 3540), 0);
        Toggle(dialog, 3590);  // off again: invert Y on
        EXPECT_EQ(Check(dialog, 3540), 1);
        Click(dialog, 3711);
        Toggle(dialog, 3580);
        m_script.answer = 2;
        dialog.Deactivate();
    }
    EXPECT_EQ(m_script.shown, std::vector<std::string>{"YesNo: Save changed settings?"});
    EXPECT_EQ(settings.m_nMSensitivity, 127);
    EXPECT_EQ(m_pHub->m_pConfig->m_pSystem->m_bAutoRun, 0);

    m_script.answer = 1;
    SControlsDialog dialog;
    dialog.Activate();
    Click(dialog, 3711);
    Click(dialog, 3711);
    Toggle(dialog, 3580);
    Toggle(dialog, 3590);
    Toggle(dialog, 3590);
    dialog.Deactivate();
    EXPECT_EQ(settings.m_nMSensitivity, 137);
    EXPECT_EQ(m_pHub->m_pConfig->m_pSystem->m_bAutoRun, 1);
    EXPECT_EQ(settings.m_iInvertX, 0);
    EXPECT_EQ(settings.m_iInvertY, 1);
    EXPECT_EQ(settings.m_iJoystick, 0);
}

}  // namespace
