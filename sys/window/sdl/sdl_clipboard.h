#pragma once

#include <string>

// SDL's clipboard, called by sys::clipboard. Texts are converted between the program's Latin-1
// and SDL's UTF-8.
namespace sys::clipboard::sdl {

bool SetText(const std::string& text);
bool GetText(std::string& text);

}  // namespace sys::clipboard::sdl
