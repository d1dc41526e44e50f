#include "sys/window/window_dc.h"

#include "sys/backend.h"
#include "sys/time/time.h"
#include "sys/window/paint_core.h"
#include "sys/window/wait_cursor.h"
#include "sys/window/window_core.h"

// The window's own picture and what shows it, and the wait cursor, which changes the pointer
// shape the same way on both backends.
namespace sys::window {

namespace detail {

namespace {

HCURSOR WaitShape() {
    static const char wait = 0;
    return reinterpret_cast<HCURSOR>(&wait);
}

}  // namespace

PaintState& Paint() {
    static PaintState state;
    return state;
}

void ResetPaintState() {
    PaintState& state = Paint();
    if (state.dc != nullptr) {
        sys::gdi::DeleteDC(state.dc);
    }
    state = PaintState{};
}

bool FitPicture() {
    RECT client;
    if (!GetClientRect(GetMainWindow(), client) || client.right <= 0 || client.bottom <= 0) {
        return false;
    }
    PaintState& state = Paint();
    if (state.width != client.right || state.height != client.bottom) {
        state.width = client.right;
        state.height = client.bottom;
        state.picture.assign(static_cast<size_t>(state.width) * static_cast<size_t>(state.height), 0u);
    }
    return true;
}

sys::HDC PictureDC() {
    PaintState& state = Paint();
    return sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(state.picture.data(), state.width, state.height,
                                                               state.width * 4, sys::gdi::PixelFormat::Xrgb8888));
}

void ShowPicture() {
    PaintState& state = Paint();
    if (state.picture.empty()) {
        return;
    }
    if (CurrentBackend() == Backend::Sdl) {
        SdlShowPicture(state.picture.data(), state.width, state.height);
        return;
    }
    state.shown.push_back(headless::PictureShown{sys::time::TickCount(), state.width, state.height});
    state.shownPicture = state.picture;
}

void OnPointerShape(HCURSOR shape) {
    if (CurrentBackend() == Backend::Sdl) {
        if (shape != nullptr) {
            SdlSetPointerShape(shape == WaitShape());
        }
        return;
    }
    Paint().shapes.push_back(shape);
}

}  // namespace detail

using namespace detail;

sys::HDC GetDC(HWND hwnd) {
    PaintState& state = Paint();
    if (Find(hwnd) == nullptr || state.dc != nullptr || !FitPicture()) {
        return nullptr;
    }
    state.dc = PictureDC();
    return state.dc;
}

int ReleaseDC(HWND /*hwnd*/, sys::HDC dc) {
    PaintState& state = Paint();
    if (dc == nullptr || dc != state.dc) {
        return 0;
    }
    sys::gdi::DeleteDC(dc);
    state.dc = nullptr;
    ShowPicture();
    return 1;
}

HCURSOR WaitCursor() { return WaitShape(); }

void BeginWaitCursor() {
    PaintState& state = Paint();
    const HCURSOR previous = SetCursor(WaitShape());
    if (++state.waitDepth == 1) {
        state.waitRestore = previous;
    }
}

void EndWaitCursor() {
    PaintState& state = Paint();
    if (state.waitDepth == 0) {
        return;
    }
    if (--state.waitDepth == 0) {
        SetCursor(state.waitRestore);
    }
}

int WaitCursorDepth() { return Paint().waitDepth; }

}  // namespace sys::window
