#pragma once

// The Sdl backend of sys::input, as far as anything else needs it: the key mapping, which the
// tests check without a display.
namespace sys::input::sdl {

// The DirectInput key code of an SDL scancode (SDL's own numbering); 0 for a key the program
// has no code for.
int DikFromSdlScancode(int sdlScancode);

}  // namespace sys::input::sdl
