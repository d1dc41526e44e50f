#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sys/window/window.h"

// The state behind sys::window and the contract between it and its two backends. The core
// keeps the window record, the queues, the timers, the key and pointer state; a backend only
// mirrors that state onto a system window (SDL) or onto nothing (headless) and feeds system
// events back through the On... entry points below. Nothing outside sys/ includes this.
namespace sys::window::detail {

// What a backend does for the core. The core calls these after it has updated its own state.
class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // Hands the system's pending events to the On... entry points.
    virtual void PumpEvents() = 0;
    // Sleeps until a system event arrives or timeoutMs passes (kWaitForever: no limit). False
    // when the backend has nothing to wait for (headless), so the caller must not loop on it.
    virtual bool WaitForEvents(uint32_t timeoutMs) = 0;

    virtual bool CreateSystemWindow(const std::string& title, const RECT& clientOnScreen, uint32_t style) = 0;
    virtual void DestroySystemWindow() = 0;
    virtual void PlaceSystemWindow(const RECT& clientOnScreen) = 0;
    virtual void ApplyFrameStyle(uint32_t style) = 0;
    virtual void ShowSystemWindow(bool visible) = 0;
    virtual void RaiseSystemWindow() = 0;

    virtual void WarpPointer(POINT screen) = 0;
    virtual void ShowSystemPointer(bool visible) = 0;
    // Screen rectangle, or null to free the pointer.
    virtual void ConfinePointer(const RECT* screenRect) = 0;
    virtual void CapturePointer(bool captured) = 0;

    virtual RECT DesktopRect() = 0;
    virtual RECT WorkArea() = 0;
};

constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

WindowBackend& HeadlessBackend();
WindowBackend& SdlBackend();
// The backend of sys::CurrentBackend(), asked at every call.
WindowBackend& ActiveBackend();

struct WindowRecord {
    uint32_t serial = 0;
    std::string title;
    uint32_t style = 0;       // as GetWindowLong answers it
    uint32_t frameStyle = 0;  // the style the frame was last laid out with
    RECT rect;                // outer rectangle, screen coordinates
    bool visible = false;
    bool shownOnce = false;
    bool invalid = false;
    bool destroying = false;
    WNDPROC proc;
};

struct Timer {
    HWND hwnd = nullptr;
    uintptr_t id = 0;
    uint32_t interval = 0;
    uint32_t start = 0;  // tick from which the current interval runs
    uint64_t order = 0;  // creation order, breaks ties between timers due together
};

// Key table entries: bit 7 down, bit 0 toggled.
using KeyTable = std::array<uint8_t, 256>;

struct WindowState {
    std::optional<WindowRecord> window;
    uint32_t nextSerial = 1;

    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quitPending = false;
    int quitCode = 0;

    std::vector<Timer> timers;
    uint64_t nextTimerOrder = 0;

    KeyTable asyncKeys{};  // keys as they are now
    KeyTable queueKeys{};  // keys as the messages taken so far say

    POINT cursor;
    int showCount = 0;
    HCURSOR shape = nullptr;
    std::optional<RECT> clip;
    bool captured = false;
    bool focused = false;
    std::optional<bool> pointerShownApplied;

    // The last button press, for double clicks.
    int lastPressButton = -1;
    uint32_t lastPressTick = 0;
    POINT lastPressAt;

    int foregroundRequests = 0;
};

WindowState& State();
// Forgets everything, without messages: no window, empty queues, no timers, keys up, pointer
// at (0, 0) and shown, no clip, capture or focus.
void ResetState();

WindowRecord* Find(HWND hwnd);
HWND HandleOf(const WindowRecord& record);
// The client area of the window in screen coordinates.
RECT ClientOnScreen(const WindowRecord& record);
bool PointInRect(const RECT& rect, POINT point);
// Makes the system pointer's visibility follow the show count and the shape.
void ApplyPointerVisibility();
// Queues an input message with the current time and pointer.
void QueueInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// MK_ flags of the buttons and modifier keys held now.
WPARAM MouseKeyFlags();
// Marks a key down or up in a key table; a side-specific modifier (VK_LSHIFT ..) and its
// generic key (VK_SHIFT ..) are kept together. A generic modifier takes its side from the
// scan code (right Shift 0x36) or the extended flag (right Ctrl and Alt).
void UpdateKeyTable(KeyTable& table, UINT virtualKey, UINT scanCode, bool extended, bool down);

// Entry points for system events (the Sdl backend while pumping, the headless test hooks).
void OnKey(UINT virtualKey, UINT scanCode, bool extended, bool down);
void OnToggle(UINT virtualKey, bool on);
// Moves the pointer to a screen position; confine keeps it on the desktop and in the clip.
void OnPointerMoved(POINT screen, bool confine);
// button 0 left, 1 right, 2 middle.
void OnButton(int button, bool down);
void OnWheel(int delta);
void OnFocus(bool gained);
void OnCloseRequest();
void OnExposed();
// The system moved or sized the client area (screen coordinates).
void OnSystemPlacement(const RECT& clientOnScreen);

}  // namespace sys::window::detail
