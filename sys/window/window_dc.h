#pragma once

#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

// Drawing into the bare main window, before any display exists (a splash picture). The window
// keeps a picture of its own, the size of the client area in 32-bit pixels; a context of the
// window draws into it, and giving the context back shows the picture in the window (Sdl) or
// keeps it for tests (headless). Once a display presents frames, they cover it.
namespace sys::window {

// A device context over the window's picture, black where nothing was drawn yet; the picture
// follows the client size. Null for a window that does not exist or an empty client area.
// Give it back with ReleaseDC; one at a time.
sys::HDC GetDC(HWND hwnd);
// Deletes the context and shows what was drawn. 1 for a context GetDC gave, else 0.
int ReleaseDC(HWND hwnd, sys::HDC dc);

}  // namespace sys::window
