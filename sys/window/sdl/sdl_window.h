#pragma once

struct SDL_Window;

// The Sdl backend of the main window, as far as other Sdl backends need it: the display seam
// presents into the window, the clipboard needs SDL's video subsystem.
namespace sys::window::sdl {

// Starts SDL's video and event subsystems once (a failure is reported on stderr once and
// remembered); true when they run.
bool EnsureVideo();
// The SDL window of the main window; null without one or on the headless backend.
SDL_Window* NativeWindow();

}  // namespace sys::window::sdl
