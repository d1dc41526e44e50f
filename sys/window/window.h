#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The main window and its message queue, in the vocabulary the program is written in: message
// numbers, wParam/lParam packing, virtual-key codes, rectangles and points as the Windows
// platform has them, with pointer-sized parameters. One top-level window exists at a time; the
// program draws everything inside it itself.
//
// Order in which PeekMessage/GetMessage hand out messages (the platform's order):
//   1. posted messages (PostMessage, and WM_CHAR from TranslateMessage, which goes first),
//   2. WM_QUIT, once PostQuitMessage was called and no posted message is left,
//   3. input: keys, characters and mouse messages, in the order they happened (pointer moves
//      not yet taken merge into the latest, as the platform keeps only the newest position),
//   4. WM_PAINT while the window is invalid (handed out once per invalidation),
//   5. WM_TIMER of the timers that are due, the one due longest first.
// Window-state notifications (WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS, WM_MOVE,
// WM_SIZE, WM_CLOSE from the system, WM_SETCURSOR, WM_CREATE, WM_DESTROY) are sent straight to
// the window procedure, never queued, as the platform sends them.
//
// Everything here belongs to the main thread.

namespace sys {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A window handle; null is "no window". Only compared and passed back, never dereferenced.
struct WindowHandle;
using HWND = WindowHandle*;

// A system pointer shape; null hides the system pointer (SetCursor).
struct CursorHandle;
using HCURSOR = const CursorHandle*;

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

// Left and top inclusive, right and bottom exclusive.
struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};

// A coordinate summed wide, kept at the ends of the 32-bit range rather than wrapping round to
// the other side of the screen.
inline int32_t SaturateCoordinate(int64_t value) {
    return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
}

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    uint32_t time = 0;  // tick count when the message was queued
    POINT pt;           // cursor position (screen) when the message was queued
};

// Parameter packing. Coordinates in lParam are two 16-bit halves; GET_X_LPARAM and
// GET_Y_LPARAM read them sign-extended (a captured mouse left of the client area is negative).
constexpr uint16_t LOWORD(uint64_t value) { return static_cast<uint16_t>(value & 0xFFFFu); }
constexpr uint16_t HIWORD(uint64_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFFu); }
constexpr LPARAM MAKELPARAM(int low, int high) {
    return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
constexpr WPARAM MAKEWPARAM(int low, int high) {
    return static_cast<WPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM lParam) { return static_cast<int16_t>(LOWORD(static_cast<uint64_t>(lParam))); }
constexpr int GET_Y_LPARAM(LPARAM lParam) { return static_cast<int16_t>(HIWORD(static_cast<uint64_t>(lParam))); }
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wParam) { return static_cast<int16_t>(HIWORD(wParam)); }
constexpr UINT GET_KEYSTATE_WPARAM(WPARAM wParam) { return LOWORD(wParam); }

// Message numbers.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;  // lParam: client origin in screen coordinates
constexpr UINT WM_SIZE = 0x0005;  // wParam SIZE_RESTORED; lParam: client width, height
constexpr UINT WM_ACTIVATE = 0x0006;  // LOWORD(wParam): WA_INACTIVE or WA_ACTIVE
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;  // wParam: the exit code given to PostQuitMessage
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_ACTIVATEAPP = 0x001C;  // wParam: 1 activated, 0 deactivated
constexpr UINT WM_SETCURSOR = 0x0020;  // wParam: window; LOWORD(lParam) hit code, HIWORD the mouse message
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_KEYFIRST = 0x0100;
constexpr UINT WM_KEYDOWN = 0x0100;  // wParam: virtual key; lParam: key data (below)
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;  // wParam: character code; lParam: the key's data
constexpr UINT WM_SYSKEYDOWN = 0x0104;  // keys pressed while Alt is held, and F10
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_KEYLAST = 0x0109;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;  // wParam: timer id
constexpr UINT WM_MOUSEFIRST = 0x0200;
constexpr UINT WM_MOUSEMOVE = 0x0200;  // wParam: MK_ flags; lParam: client x, y
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;  // wParam: MK_ flags, delta (120 a notch); lParam: screen x, y
constexpr UINT WM_MOUSELAST = 0x020A;
constexpr UINT WM_PALETTECHANGED = 0x0311;
constexpr UINT WM_USER = 0x0400;

// Key data in lParam of key and character messages: bits 0-15 repeat count (1), bits 16-23
// scan code, and in the high word the key flags: extended key, Alt held (system keys), key
// was already down, key is being released.
constexpr UINT KF_EXTENDED = 0x0100;
constexpr UINT KF_ALTDOWN = 0x2000;
constexpr UINT KF_REPEAT = 0x4000;
constexpr UINT KF_UP = 0x8000;

// wParam of WM_ACTIVATE, WM_SIZE, WM_SYSCOMMAND; hit codes of WM_SETCURSOR.
constexpr UINT WA_INACTIVE = 0;
constexpr UINT WA_ACTIVE = 1;
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_KEYMENU = 0xF100;
constexpr UINT HTNOWHERE = 0;
constexpr UINT HTCLIENT = 1;

// Mouse key flags in wParam of mouse messages.
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;
constexpr UINT MK_MBUTTON = 0x0010;

// PeekMessage removal.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Virtual-key codes ('0'..'9' and 'A'..'Z' are their own characters).
constexpr UINT VK_LBUTTON = 0x01;
constexpr UINT VK_RBUTTON = 0x02;
constexpr UINT VK_MBUTTON = 0x04;
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_PAUSE = 0x13;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_SNAPSHOT = 0x2C;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_LWIN = 0x5B;
constexpr UINT VK_RWIN = 0x5C;
constexpr UINT VK_APPS = 0x5D;
constexpr UINT VK_NUMPAD0 = 0x60;  // .. VK_NUMPAD9 = 0x69
constexpr UINT VK_NUMPAD9 = 0x69;
constexpr UINT VK_MULTIPLY = 0x6A;
constexpr UINT VK_ADD = 0x6B;
constexpr UINT VK_SUBTRACT = 0x6D;
constexpr UINT VK_DECIMAL = 0x6E;
constexpr UINT VK_DIVIDE = 0x6F;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F2 = 0x71;
constexpr UINT VK_F3 = 0x72;
constexpr UINT VK_F4 = 0x73;
constexpr UINT VK_F5 = 0x74;
constexpr UINT VK_F6 = 0x75;
constexpr UINT VK_F7 = 0x76;
constexpr UINT VK_F8 = 0x77;
constexpr UINT VK_F9 = 0x78;
constexpr UINT VK_F10 = 0x79;
constexpr UINT VK_F11 = 0x7A;
constexpr UINT VK_F12 = 0x7B;
constexpr UINT VK_NUMLOCK = 0x90;
constexpr UINT VK_SCROLL = 0x91;
constexpr UINT VK_LSHIFT = 0xA0;
constexpr UINT VK_RSHIFT = 0xA1;
constexpr UINT VK_LCONTROL = 0xA2;
constexpr UINT VK_RCONTROL = 0xA3;
constexpr UINT VK_LMENU = 0xA4;
constexpr UINT VK_RMENU = 0xA5;
constexpr UINT VK_OEM_1 = 0xBA;       // ;:
constexpr UINT VK_OEM_PLUS = 0xBB;    // =+
constexpr UINT VK_OEM_COMMA = 0xBC;   // ,<
constexpr UINT VK_OEM_MINUS = 0xBD;   // -_
constexpr UINT VK_OEM_PERIOD = 0xBE;  // .>
constexpr UINT VK_OEM_2 = 0xBF;       // /?
constexpr UINT VK_OEM_3 = 0xC0;       // `~
constexpr UINT VK_OEM_4 = 0xDB;       // [{
constexpr UINT VK_OEM_5 = 0xDC;       // \|
constexpr UINT VK_OEM_6 = 0xDD;       // ]}
constexpr UINT VK_OEM_7 = 0xDE;       // '"

// Window styles: whether the desktop frames the window, whether it can be resized, visibility.
constexpr uint32_t WS_OVERLAPPED = 0x00000000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;  // WS_BORDER | WS_DLGFRAME
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_DLGFRAME = 0x00400000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr int GWL_STYLE = -16;

// SetWindowPos flags and ShowWindow commands.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// GetSystemMetrics indices.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// mouse_event flags.
constexpr uint32_t MOUSEEVENTF_MOVE = 0x0001;
constexpr uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
constexpr uint32_t MOUSEEVENTF_LEFTUP = 0x0004;

}  // namespace sys

namespace sys::window {

// The window procedure: every message dispatched or sent to the window. Pass what it does not
// handle to DefWindowProc.
using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// --- The window ---------------------------------------------------------------------------

// Creates the top-level window, hidden unless the style has WS_VISIBLE. windowRect is the
// outer rectangle in screen coordinates; null places a 640 x 480 client area centred in the
// work area. WM_CREATE is sent before this returns (a result of -1 refuses the window).
// Null when a window already exists, when WM_CREATE refuses, or when the system window cannot
// be made. The Sdl backend initialises SDL's video and events here.
HWND CreateWindow(const std::string& title, uint32_t style, const RECT* windowRect, WNDPROC proc);
// Sends the deactivation messages when the window has the focus, then WM_DESTROY; kills its
// timers, drops its queued messages, ends its capture. Posting the quit message is the
// owner's decision (the main frame does it on WM_DESTROY).
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
// The main window, or null.
HWND GetMainWindow();
// Default handling: WM_CLOSE destroys the window; WM_SYSCOMMAND SC_CLOSE and Alt+F4 send
// WM_CLOSE; WM_SETCURSOR over the client area shows the arrow; WM_PAINT validates;
// WM_ERASEBKGND answers 1; everything else answers 0.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// --- Messages -----------------------------------------------------------------------------

// Queues a message; a null window makes it a message of the thread. False for a window that
// does not exist.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once and returns its answer; 0 for a window that does not exist.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT with this exit code is handed out once no posted message is left.
void PostQuitMessage(int exitCode);
// Looks for a message of the window (null: any) whose number lies in [filterMin, filterMax]
// (both 0: any); WM_QUIT matches every filter. Never waits. With PM_REMOVE the message leaves
// the queue; removing a mouse message first sends WM_SETCURSOR when the pointer is over the
// client area and nothing holds the capture.
bool PeekMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for and removes a message: 0 for WM_QUIT, -1 for a window that does not exist, else 1.
// Sdl: sleeps in the system's event wait until a message or a due timer. Headless, where
// nothing can arrive while the caller waits: when a timer is armed the fake clock is moved on
// to its due tick and its WM_TIMER is answered; when none is armed the answer is WM_QUIT
// (wParam 0, result 0), so that a loop can never hang a test.
int GetMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax);
// For WM_KEYDOWN of a key that types a character, queues WM_CHAR (same window and lParam)
// to be the next message: the character of the US layout under the Shift and Caps Lock state
// of the queue, Backspace 8, Tab 9, Enter 13, Escape 27, Ctrl+letter 1..26. True when a
// WM_CHAR was queued.
bool TranslateMessage(const MSG& msg);
// Hands the message to its window's procedure; 0 when it has no window.
LRESULT DispatchMessage(const MSG& msg);
// Returns when a message is available (Sdl: waits for one; headless: at once).
bool WaitMessage();

// Key state: bit 15 (negative) while down, bit 0 toggled (Caps Lock, Num Lock). GetKeyState
// follows the messages already taken from the queue; GetAsyncKeyState the keys as they are
// now. VK_SHIFT, VK_CONTROL and VK_MENU cover both sides; VK_LBUTTON..VK_MBUTTON the mouse.
int16_t GetKeyState(int virtualKey);
int16_t GetAsyncKeyState(int virtualKey);

// --- Timers -------------------------------------------------------------------------------

// Arms (or re-arms) timer id of the window with an interval in milliseconds (below 10 counts
// as 10). WM_TIMER (wParam = id) becomes due each time the interval has passed on
// sys::time::TickCount (unsigned differences); a due timer yields one message however many
// intervals passed. With a null window an unused id is chosen. Answers the id; 0 when the
// window does not exist.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT intervalMs);
bool KillTimer(HWND hwnd, uintptr_t id);

// --- Placement ----------------------------------------------------------------------------

// Client rectangle (0, 0, width, height) and window rectangle in screen coordinates. The
// window has no frame of its own (the desktop draws one outside it), so the window rectangle
// is the client area on the screen.
bool GetClientRect(HWND hwnd, RECT& rect);
bool GetWindowRect(HWND hwnd, RECT& rect);
bool ClientToScreen(HWND hwnd, POINT& point);
bool ScreenToClient(HWND hwnd, POINT& point);
// The window rectangle of a client rectangle: the same rectangle, for every style, since the
// frame lies outside the window.
bool AdjustWindowRect(RECT& rect, uint32_t style, bool hasMenu);
// Moves and sizes the window (outer rectangle); sends WM_MOVE / WM_SIZE when the client
// origin / size change; SWP_FRAMECHANGED applies the current style to the frame; unless
// SWP_NOREDRAW the window is invalidated. Z order and activation flags have no effect.
bool SetWindowPos(HWND hwnd, int x, int y, int width, int height, UINT flags);
// Shows or hides; answers whether it was visible. The first time the window is shown it is
// activated and takes the focus.
bool ShowWindow(HWND hwnd, int command);
bool IsWindowVisible(HWND hwnd);
// GWL_STYLE only; SetWindowLong answers the previous style. The frame follows a style change
// at the next SetWindowPos with SWP_FRAMECHANGED.
uint32_t GetWindowLong(HWND hwnd, int index);
uint32_t SetWindowLong(HWND hwnd, int index, uint32_t value);
// The whole client area needs painting: WM_PAINT comes when the queue has nothing else.
bool InvalidateRect(HWND hwnd);
// Sends WM_PAINT at once when the window is invalid.
bool UpdateWindow(HWND hwnd);

// --- Focus, capture and cursor ------------------------------------------------------------

// The window when it has the keyboard focus, else null.
HWND GetFocus();
// Asks the system to bring the window to the front; the focus changes only when the system
// gives it (the system's answer arrives as WM_ACTIVATEAPP and WM_SETFOCUS).
bool SetForegroundWindow(HWND hwnd);
// While a window holds the capture every mouse message goes to it, also when the pointer is
// outside its client area. SetCapture answers the previous holder.
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();

// The system pointer is visible while the display count is 0 or more and a shape is set.
// ShowCursor answers the new count (starting at 0).
int ShowCursor(bool show);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR ArrowCursor();
// Cursor position in screen coordinates, kept on the desktop and inside the clip rectangle.
bool GetCursorPos(POINT& point);
// Moves the pointer; a move that changes the position queues WM_MOUSEMOVE when the pointer is
// then over the client area (or captured).
bool SetCursorPos(int x, int y);
// Confines the pointer to a screen rectangle (right and bottom exclusive); null frees it.
bool ClipCursor(const RECT* rect);
bool GetClipCursor(RECT& rect);
// Synthetic mouse input: MOUSEEVENTF_MOVE moves the pointer by (dx, dy) (no acceleration);
// MOUSEEVENTF_LEFTDOWN / LEFTUP press and release the left button. They queue WM_MOUSEMOVE,
// WM_LBUTTONDOWN (WM_LBUTTONDBLCLK for a second press within the double-click time and
// 2 pixels) and WM_LBUTTONUP at the pointer's client position, like real input.
void mouse_event(uint32_t flags, int dx, int dy, uint32_t data);

// --- Desktop ------------------------------------------------------------------------------

// SM_CXSCREEN / SM_CYSCREEN: the desktop size; 0 for other indices.
int GetSystemMetrics(int index);
// The desktop less the areas the system reserves (task bars, panels), screen coordinates.
bool GetWorkArea(RECT& rect);
// Milliseconds between caret blinks (530) and the double-click time (500).
UINT GetCaretBlinkTime();
UINT GetDoubleClickTime();

}  // namespace sys::window
