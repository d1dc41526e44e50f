#pragma once

struct SDL_Renderer;
struct SDL_Window;

// The Sdl backend of the main window, as far as other Sdl backends need it: the display seam
// presents into the window, the clipboard needs SDL's video subsystem.
namespace sys::window::sdl {

// Starts SDL's video and event subsystems once (a failure is reported on stderr once and
// remembered); true when they run.
bool EnsureVideo();
// The SDL window of the main window; null without one or on the headless backend.
SDL_Window* NativeWindow();

// A full-screen display mode of this size is set (0 x 0: none): the window covers the whole
// display, and the desktop the program sees, its pointer and its clip rectangle are in the
// mode's pixels, scaled onto the display. Leaving puts the window back where the program
// placed it.
void SetDisplayMode(int width, int height);
// The main window's renderer, made on first use for whoever draws first (the splash before
// the display exists, the display's frames after): presenting waits for the display's refresh,
// and the window is placed again, as making a renderer may move it. Null without a window, and
// for a window SDL cannot draw in (a display of 256 colours), which is tried only once.
SDL_Renderer* WindowRenderer();
// Places the window again as the program last placed it (over the display in full screen):
// making a renderer may rebuild SDL's window where it was first created.
void RestorePlacement();
// True once after the desktop showed part of the window again, whose pixels it may not have
// kept.
bool TakeExposed();

}  // namespace sys::window::sdl
