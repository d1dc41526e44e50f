#pragma once

#include <vector>

#include "sys/window/window.h"

// Test controls of the headless window backend: the desktop it pretends to have, and the input
// a user would give. Input goes through the same path as real system input, so keys reach
// only a focused window and pointer messages only a window under the pointer (or holding the
// capture). Sent notifications (focus, close) run the window procedure before the call
// returns. Used by tests of every subsystem; the game never calls these.
namespace sys::window::headless {

// Back to the start: no window (destroyed without messages), empty queues, no timers, keys
// up, pointer at (0, 0) shown with the arrow, no clip or capture, desktop 1024 x 768 with the
// whole desktop as the work area.
void Reset();

// The desktop size; the work area becomes the whole desktop.
void SetDesktop(int width, int height);
void SetWorkArea(const RECT& area);
// Called by the headless display backend, not by tests: while a full-screen display mode is
// set (width and height above 0) the screen the program sees is that mode, as on a real
// display; (0, 0) gives the desktop back.
void SetFullScreenMode(int width, int height);

// A key going down or up. virtualKey may be generic (VK_SHIFT, with the scan code 0x36 for
// the right one) or side-specific (VK_LSHIFT ..); messages carry the generic key. Pressing a
// key that is already down is an auto-repeat. Caps Lock toggles on its press.
void InjectKey(UINT virtualKey, UINT scanCode, bool down, bool extended = false);
// A character as a system input method would deliver it (WM_CHAR with repeat count 1).
void InjectChar(unsigned char character);
// The pointer moves to a client position of the window (screen position without a window);
// it stays on the desktop and inside the clip rectangle.
void InjectMouseMove(int clientX, int clientY);
// button 0 left, 1 right, 2 middle, at the pointer's position.
void InjectMouseButton(int button, bool down);
// Wheel turn in the platform's units (120 a notch, positive away from the user).
void InjectMouseWheel(int delta);
// The system gives or takes the focus (WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS/WM_KILLFOCUS).
void InjectFocus(bool gained);
// The user closes the window (WM_CLOSE sent).
void InjectClose();
// The system uncovered the window: WM_PAINT follows.
void InjectExpose();

// The queued posted and input messages in the order they would be handed out (not the quit,
// paint or timer messages, which are made when asked for).
std::vector<MSG> PendingMessages();
// How often SetForegroundWindow was asked since the reset.
int ForegroundRequests();
// Whether the system pointer is now visible (show count and shape).
bool SystemPointerVisible();

}  // namespace sys::window::headless
