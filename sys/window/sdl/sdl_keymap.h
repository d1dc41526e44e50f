#pragma once

#include "sys/window/window.h"

// How the Sdl window backend names a key: SDL's scancode and keycode (plain integers, as SDL
// numbers them) to the platform's virtual key, set-1 scan code and extended flag.
namespace sys::window::sdl {

struct KeyMapping {
    UINT virtualKey = 0;  // 0: a key the program has no code for
    UINT scanCode = 0;
    bool extended = false;
};

// Letters and digits follow the keyboard layout through the keycode, so they type what their
// caps show; other keys go by position. With Num Lock off the keypad digits are the navigation
// keys they double as.
KeyMapping MapSdlKey(int sdlScancode, int sdlKeycode, bool numLock);

}  // namespace sys::window::sdl
