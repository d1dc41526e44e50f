#include "sys/window/sdl/sdl_clipboard.h"

#include <SDL.h>

#include "sys/window/sdl/sdl_text.h"
#include "sys/window/sdl/sdl_window.h"

namespace sys::clipboard::sdl {

bool SetText(const std::string& text) {
    if (!sys::window::sdl::EnsureVideo()) {
        return false;
    }
    return SDL_SetClipboardText(sys::sdl::Latin1ToUtf8(text).c_str()) == 0;
}

bool GetText(std::string& text) {
    if (!sys::window::sdl::EnsureVideo() || !SDL_HasClipboardText()) {
        return false;
    }
    char* utf8 = SDL_GetClipboardText();
    if (!utf8) {
        return false;
    }
    const bool found = utf8[0] != '\0';
    if (found) {
        text = sys::sdl::Utf8ToLatin1(utf8);
    }
    SDL_free(utf8);
    return found;
}

}  // namespace sys::clipboard::sdl
