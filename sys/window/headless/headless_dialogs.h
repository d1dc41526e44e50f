#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The headless message boxes: every box is recorded, and answered with the next answer of a
// script the test sets, or with the box's default button when the script is empty. Used by
// the tests of every subsystem that shows a message.
namespace sys::dialogs::headless {

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    uint32_t type = 0;
    std::vector<int> buttons;  // answers of the buttons shown, left to right
    int answer = 0;            // what the box answered
};

// Forgets the records and the script.
void Reset();
// Appends an answer to the script; boxes take them in order.
void ScriptAnswer(int answer);
// Answers still unused.
size_t ScriptedAnswersLeft();
// The boxes shown since the reset, oldest first.
std::vector<MessageBoxRecord> Shown();

// The backend itself, called by sys::dialogs::MessageBox.
int Answer(const std::string& text, const std::string& caption, uint32_t type);

}  // namespace sys::dialogs::headless
