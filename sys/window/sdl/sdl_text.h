#pragma once

#include <string>
#include <string_view>

// The program's texts are 8-bit (Latin-1); SDL's are UTF-8. Used by the Sdl backends of the
// window title, message boxes and clipboard.
namespace sys::sdl {

std::string Latin1ToUtf8(std::string_view text);
// Characters beyond Latin-1 and malformed sequences become '?'.
std::string Utf8ToLatin1(std::string_view text);

}  // namespace sys::sdl
