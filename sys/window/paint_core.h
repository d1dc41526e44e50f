#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sys/gdi/gdi.h"
#include "sys/window/headless/headless_paint.h"
#include "sys/window/window.h"

// The state behind the window's own picture, the wait cursor and the progress dialog, and what
// the two backends do with it. Nothing outside sys/ includes this.
namespace sys::window::detail {

struct OpenProgressDialog {
    uint32_t serial = 0;
    std::string title;
    std::string text;
    int low = 0;
    int high = 100;
    int position = 0;
    RECT rect;                    // client coordinates; empty when nothing is drawn
    std::vector<uint32_t> under;  // the picture under the dialog, put back when it goes
    size_t record = 0;            // its entry in the headless records
};

struct PaintState {
    std::vector<uint32_t> picture;  // 0x00RRGGBB, rows top to bottom
    int width = 0;
    int height = 0;
    sys::HDC dc = nullptr;  // the context GetDC gave out

    int waitDepth = 0;
    HCURSOR waitRestore = nullptr;

    std::optional<OpenProgressDialog> dialog;
    uint32_t nextDialogSerial = 1;

    // Headless records.
    std::vector<headless::PictureShown> shown;
    std::vector<uint32_t> shownPicture;
    std::vector<headless::ProgressDialogShown> dialogs;
    std::vector<HCURSOR> shapes;
};

PaintState& Paint();
// Forgets the picture, the wait cursor, the dialog and the records (the window state's reset).
void ResetPaintState();
// Sizes the picture to the main window's client area, keeping it when the size is unchanged
// and clearing it to black otherwise. False without a window or with an empty client area.
bool FitPicture();
// A context over the picture, or null; the caller deletes it.
sys::HDC PictureDC();
// Shows the picture in the window (Sdl) or records it (headless).
void ShowPicture();
// SetCursor changed the pointer shape.
void OnPointerShape(HCURSOR shape);

// The Sdl backend's part (sdl/sdl_paint.cpp).
void SdlShowPicture(const uint32_t* pixels, int width, int height);
void SdlSetPointerShape(bool wait);

}  // namespace sys::window::detail
