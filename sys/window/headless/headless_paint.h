#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/window/window.h"

// What was drawn into the bare main window, the progress dialogs and the pointer shapes, as
// the headless window backend records them for tests. headless::Reset() forgets all of it.
namespace sys::window::headless {

// Each time the window's own picture was shown (a window context given back, a progress
// dialog drawn or taken away), with the clock at that moment.
struct PictureShown {
    uint32_t tick = 0;
    int width = 0;
    int height = 0;
};
std::vector<PictureShown> PicturesShown();
// The window's picture as last shown, 0x00RRGGBB rows top to bottom; empty before the first.
std::vector<uint32_t> ShownPicture();

// Every progress dialog since the reset, in order of creation.
struct ProgressDialogShown {
    std::string title;
    std::string text;
    int low = 0;
    int high = 0;
    std::vector<int> positions;  // each position set, in order
    bool open = false;
};
std::vector<ProgressDialogShown> ProgressDialogs();

// Every pointer shape SetCursor changed to, in order.
std::vector<HCURSOR> PointerShapes();

}  // namespace sys::window::headless
