#pragma once

#include <string>

#include "sys/window/window.h"

// A small modeless dialog that shows how far a long task has come: a title, a line of text
// (wrapped when long) and a progress bar. It takes no input and needs no messages of its own:
// it is drawn, centred, into the main window's picture (see window_dc.h) each time it changes.
// Meant for the time before a display exists. One at a time.
namespace sys::window {

struct ProgressDialogRecord;
using HPROGRESSDLG = ProgressDialogRecord*;

// Messages of the progress bar, with the platform's numbers.
// PBM_SETRANGE: LOWORD(lParam) the low end, HIWORD(lParam) the high end (0..100 at first);
// answers the previous range packed the same way. A high end not above the low one is kept
// one above it.
constexpr UINT PBM_SETRANGE = WM_USER + 1;
// PBM_SETPOS: wParam the position, kept inside the range; answers the previous position.
constexpr UINT PBM_SETPOS = WM_USER + 2;

// Null when a progress dialog is open already. The owner may be null (nothing is drawn then).
HPROGRESSDLG CreateProgressDialog(HWND owner, const std::string& title, const std::string& text);
// 0 for a dialog that is not open or a message not listed above.
LRESULT SendProgressMessage(HPROGRESSDLG dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the dialog away and shows what was under it again. False for a dialog that is not open.
bool DestroyProgressDialog(HPROGRESSDLG dialog);

}  // namespace sys::window
