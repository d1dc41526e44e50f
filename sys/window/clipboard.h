#pragma once

#include <string>

// The system clipboard's plain text (8-bit text, as the program keeps it). The Sdl backend
// uses SDL's clipboard, which needs SDL's video subsystem; the headless one keeps the text in
// memory (see headless/headless_clipboard.h).
namespace sys::clipboard {

// Replaces the clipboard's content with the text; false when the clipboard cannot take it.
bool SetText(const std::string& text);
// The clipboard's text; false, leaving text untouched, when it holds none or cannot be read.
// SDL cannot tell an empty text from no text: on the Sdl backend an empty text reads as none.
bool GetText(std::string& text);

}  // namespace sys::clipboard
