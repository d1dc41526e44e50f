#pragma once

#include <cstdint>

// The SDL backend of the display seam: shows each presented frame in the main window, scaled
// with its aspect kept into whatever size the window has (in full screen the window covers the
// display and the frame has the mode's size), black where it does not fill. Frames are shown
// at most once per display refresh (60 Hz where the display cannot tell), so a loop that
// presents as fast as it can does not keep a processor busy; a frame the window already shows
// is not drawn again.
namespace sys::video::sdl {

// How many frames reached the window since the start (for diagnostics and smoke tests).
uint64_t PresentedFrames();

}  // namespace sys::video::sdl
