#pragma once

#include <cstdint>
#include <string>

// The Sdl message box, called by sys::dialogs::MessageBox.
namespace sys::dialogs::sdl {

// Writes the caption and text to stderr, then shows SDL's message box over the main window and
// answers the button chosen; when SDL cannot show one, the default button is the answer. A
// termination request (pending, or arriving while the box is shown) ends the box as Escape
// does and stays pending for the message pump.
int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type);

}  // namespace sys::dialogs::sdl
