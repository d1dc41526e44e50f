#pragma once

#include <cstdint>

// The SDL backend of the display seam: shows each presented frame in the main window. In a window
// the frame fills the client area; in full screen the window covers the display and the frame,
// at the mode's size, is scaled to it with its aspect kept (black bars where it does not fill).
namespace sys::video::sdl {

// How many frames reached the window since the start (for diagnostics and smoke tests).
uint64_t PresentedFrames();

}  // namespace sys::video::sdl
