#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Message boxes: a text, a caption and a row of buttons, answered with the button the user
// chose. The Sdl backend shows SDL's message box over the main window (or, when there is no
// display, answers the default button); the headless backend
// records every box and answers from a script the test sets (see headless/headless_dialogs.h),
// so no test ever waits for a user.
namespace sys {

// Buttons (the low four bits of the type).
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_YESNO = 0x4;
// Icons.
constexpr uint32_t MB_ICONHAND = 0x10;
constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr uint32_t MB_ICONASTERISK = 0x40;
constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
// Which button Enter chooses (the first unless one of these).
constexpr uint32_t MB_DEFBUTTON1 = 0x000;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

}  // namespace sys

namespace sys::dialogs {

// Shows the box and answers the button chosen. Button sets other than the four above are
// shown as MB_OK. On the Sdl backend the caption and text also go to stderr, so that a player
// who started the program from a terminal sees why it stopped.
int MessageBox(const std::string& text, const std::string& caption, uint32_t type);

// The text as a box or a terminal shows it: tabs become blanks up to the next column that is
// a multiple of eight.
std::string ExpandTabs(const std::string& text);

// The answers of the type's buttons, left to right.
std::vector<int> ButtonsOf(uint32_t type);
// The answer of the default button (Enter, and a box that cannot be shown).
int DefaultAnswer(uint32_t type);
// The answer when the box is closed without a button (Escape): Cancel when there is one, OK
// for a box with only OK, else the default button.
int EscapeAnswer(uint32_t type);

}  // namespace sys::dialogs
