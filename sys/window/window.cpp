#include "sys/window/window.h"

#include <algorithm>

#include "sys/window/window_core.h"
#include "sys/window/paint_core.h"
#include "sys/backend.h"

// The window record, its placement, focus, capture, the system pointer and the desktop. The
// queues live in window_messages.cpp, the input entry points in window_input.cpp.
namespace sys::window {

namespace detail {

namespace {

struct FrameInsets {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Our window has no frame of its own: the desktop's window manager draws its decorations
// outside the client area. So the window rectangle is the client rectangle on the screen
// whatever the style, and a picture taken of "the window" is the picture the player sees.
FrameInsets InsetsOf(uint32_t /*style*/, bool /*hasMenu*/) { return FrameInsets{}; }

HCURSOR ArrowShape() {
    static const char arrow = 0;
    return reinterpret_cast<HCURSOR>(&arrow);
}

}  // namespace

WindowState& State() {
    static WindowState state = [] {
        WindowState initial;
        initial.shape = ArrowShape();
        return initial;
    }();
    return state;
}

void ResetState() {
    WindowState& state = State();
    if (state.window) {
        ActiveBackend().DestroySystemWindow();
    }
    const uint32_t nextSerial = state.nextSerial;
    state = WindowState{};
    ResetPaintState();
    // Handles of windows from before the reset must stay invalid.
    state.nextSerial = nextSerial;
    state.shape = ArrowShape();
}

WindowBackend& ActiveBackend() {
    return CurrentBackend() == Backend::Sdl ? SdlBackend() : HeadlessBackend();
}

WindowRecord* Find(HWND hwnd) {
    WindowState& state = State();
    if (hwnd == nullptr || !state.window || HandleOf(*state.window) != hwnd) {
        return nullptr;
    }
    return &*state.window;
}

HWND HandleOf(const WindowRecord& record) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(record.serial));
}

RECT ClientOnScreen(const WindowRecord& record) {
    const FrameInsets insets = InsetsOf(record.frameStyle, false);
    RECT client{record.rect.left + insets.left, record.rect.top + insets.top, record.rect.right - insets.right,
                record.rect.bottom - insets.bottom};
    client.right = std::max(client.left, client.right);
    client.bottom = std::max(client.top, client.bottom);
    return client;
}

bool PointInRect(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

void ApplyPointerVisibility() {
    WindowState& state = State();
    const bool shown = state.showCount >= 0 && state.shape != nullptr;
    if (state.pointerShownApplied != shown) {
        state.pointerShownApplied = shown;
        ActiveBackend().ShowSystemPointer(shown);
    }
}

}  // namespace detail

using namespace detail;

namespace {

// Sends the client-area changes between two placements, as the platform does after a move.
void NotifyPlacement(HWND hwnd, const RECT& before, const RECT& after) {
    if (before.left != after.left || before.top != after.top) {
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(after.left, after.top));
    }
    const int width = after.right - after.left;
    const int height = after.bottom - after.top;
    if (before.right - before.left != width || before.bottom - before.top != height) {
        SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }
}

RECT DefaultPlacement(uint32_t style) {
    RECT rect{0, 0, 640, 480};
    AdjustWindowRect(rect, style, false);
    RECT area;
    GetWorkArea(area);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    return RECT{left, top, left + width, top + height};
}

}  // namespace

HWND CreateWindow(const std::string& title, uint32_t style, const RECT* windowRect, WNDPROC proc) {
    WindowState& state = State();
    if (state.window) {
        return nullptr;
    }
    WindowRecord record;
    record.serial = state.nextSerial++;
    record.title = title;
    record.style = style & ~WS_VISIBLE;
    record.frameStyle = record.style;
    record.rect = windowRect ? *windowRect : DefaultPlacement(style);
    record.proc = std::move(proc);
    if (!ActiveBackend().CreateSystemWindow(title, ClientOnScreen(record), record.style)) {
        return nullptr;
    }
    state.window = std::move(record);
    HWND hwnd = HandleOf(*state.window);
    ApplyPointerVisibility();
    if (SendMessage(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if ((style & WS_VISIBLE) && IsWindow(hwnd)) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

bool DestroyWindow(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record || record->destroying) {
        return false;
    }
    record->destroying = true;
    WindowState& state = State();
    if (state.focused) {
        OnFocus(false);
    }
    if (state.captured) {
        ReleaseCapture();
    }
    SendMessage(hwnd, WM_DESTROY, 0, 0);

    auto ofWindow = [hwnd](const MSG& msg) { return msg.hwnd == hwnd; };
    std::erase_if(state.posted, ofWindow);
    std::erase_if(state.input, ofWindow);
    std::erase_if(state.timers, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
    ActiveBackend().DestroySystemWindow();
    state.window.reset();
    state.focused = false;
    return true;
}

bool IsWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

HWND GetMainWindow() {
    WindowState& state = State();
    return state.window ? HandleOf(*state.window) : nullptr;
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0u) == SC_CLOSE) {
            SendMessage(hwnd, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (HIWORD(static_cast<uint64_t>(lParam)) & KF_ALTDOWN)) {
            SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(static_cast<uint64_t>(lParam)) == HTCLIENT) {
            SetCursor(ArrowCursor());
            return 1;
        }
        return 0;
    case WM_PAINT:
        if (WindowRecord* record = Find(hwnd)) {
            record->invalid = false;
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return 0;
    }
}

bool GetClientRect(HWND hwnd, RECT& rect) {
    const WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    const RECT client = ClientOnScreen(*record);
    rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return true;
}

bool GetWindowRect(HWND hwnd, RECT& rect) {
    const WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    rect = record->rect;
    return true;
}

bool ClientToScreen(HWND hwnd, POINT& point) {
    const WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    const RECT client = ClientOnScreen(*record);
    point.x += client.left;
    point.y += client.top;
    return true;
}

bool ScreenToClient(HWND hwnd, POINT& point) {
    const WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    const RECT client = ClientOnScreen(*record);
    point.x -= client.left;
    point.y -= client.top;
    return true;
}

bool AdjustWindowRect(RECT& rect, uint32_t style, bool hasMenu) {
    const FrameInsets insets = InsetsOf(style, hasMenu);
    rect.left -= insets.left;
    rect.top -= insets.top;
    rect.right += insets.right;
    rect.bottom += insets.bottom;
    return true;
}

bool SetWindowPos(HWND hwnd, int x, int y, int width, int height, UINT flags) {
    WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    const RECT clientBefore = ClientOnScreen(*record);
    const bool frameChanged = (flags & SWP_FRAMECHANGED) != 0 && record->frameStyle != record->style;
    if (flags & SWP_FRAMECHANGED) {
        record->frameStyle = record->style;
        ActiveBackend().ApplyFrameStyle(record->style);
    }
    RECT rect = record->rect;
    if (!(flags & SWP_NOMOVE)) {
        rect = RECT{x, y, x + (rect.right - rect.left), y + (rect.bottom - rect.top)};
    }
    if (!(flags & SWP_NOSIZE)) {
        rect.right = rect.left + std::max(0, width);
        rect.bottom = rect.top + std::max(0, height);
    }
    record->rect = rect;
    const RECT clientAfter = ClientOnScreen(*record);
    const bool changed = frameChanged || !(clientAfter == clientBefore);
    if (changed) {
        ActiveBackend().PlaceSystemWindow(clientAfter);
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, SW_SHOW);
    } else if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hwnd, SW_HIDE);
    }
    NotifyPlacement(hwnd, clientBefore, clientAfter);
    if (changed && !(flags & SWP_NOREDRAW)) {
        InvalidateRect(hwnd);
    }
    return true;
}

bool ShowWindow(HWND hwnd, int command) {
    WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    const bool wasVisible = record->visible;
    const bool show = command != SW_HIDE;
    if (show == wasVisible) {
        return wasVisible;
    }
    record->visible = show;
    record->style = show ? (record->style | WS_VISIBLE) : (record->style & ~WS_VISIBLE);
    ActiveBackend().ShowSystemWindow(show);
    if (show) {
        record->invalid = true;
        const bool first = !record->shownOnce;
        record->shownOnce = true;
        // A window shown for the first time becomes the active one, as the platform makes it;
        // the system's own focus report later changes nothing when it agrees.
        if (first) {
            OnFocus(true);
        }
    } else if (State().focused) {
        OnFocus(false);
    }
    return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
    const WindowRecord* record = Find(hwnd);
    return record && record->visible;
}

uint32_t GetWindowLong(HWND hwnd, int index) {
    const WindowRecord* record = Find(hwnd);
    return record && index == GWL_STYLE ? record->style : 0;
}

uint32_t SetWindowLong(HWND hwnd, int index, uint32_t value) {
    WindowRecord* record = Find(hwnd);
    if (!record || index != GWL_STYLE) {
        return 0;
    }
    const uint32_t previous = record->style;
    // Visibility is ShowWindow's; the bit only reports it.
    record->style = (value & ~WS_VISIBLE) | (previous & WS_VISIBLE);
    return previous;
}

bool InvalidateRect(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    record->invalid = true;
    return true;
}

bool UpdateWindow(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record) {
        return false;
    }
    if (record->invalid && record->visible) {
        record->invalid = false;
        SendMessage(hwnd, WM_PAINT, 0, 0);
    }
    return true;
}

HWND GetFocus() {
    WindowState& state = State();
    return state.focused && state.window ? HandleOf(*state.window) : nullptr;
}

bool SetForegroundWindow(HWND hwnd) {
    if (!Find(hwnd)) {
        return false;
    }
    ++State().foregroundRequests;
    ActiveBackend().RaiseSystemWindow();
    return true;
}

HWND SetCapture(HWND hwnd) {
    WindowState& state = State();
    HWND previous = state.captured ? GetMainWindow() : nullptr;
    if (!Find(hwnd)) {
        return previous;
    }
    if (!state.captured) {
        state.captured = true;
        ActiveBackend().CapturePointer(true);
    }
    return previous;
}

bool ReleaseCapture() {
    WindowState& state = State();
    if (state.captured) {
        state.captured = false;
        ActiveBackend().CapturePointer(false);
    }
    return true;
}

HWND GetCapture() { return State().captured ? GetMainWindow() : nullptr; }

int ShowCursor(bool show) {
    WindowState& state = State();
    state.showCount += show ? 1 : -1;
    ApplyPointerVisibility();
    return state.showCount;
}

HCURSOR SetCursor(HCURSOR cursor) {
    WindowState& state = State();
    HCURSOR previous = state.shape;
    state.shape = cursor;
    ApplyPointerVisibility();
    if (cursor != previous) {
        OnPointerShape(cursor);
    }
    return previous;
}

HCURSOR ArrowCursor() { return detail::ArrowShape(); }

bool GetCursorPos(POINT& point) {
    point = State().cursor;
    return true;
}

bool SetCursorPos(int x, int y) {
    OnPointerMoved(POINT{x, y}, true);
    ActiveBackend().WarpPointer(State().cursor);
    return true;
}

bool ClipCursor(const RECT* rect) {
    WindowState& state = State();
    if (!rect) {
        state.clip.reset();
        ActiveBackend().ConfinePointer(nullptr);
        return true;
    }
    // The platform keeps the clip on the screen.
    const RECT desktop = ActiveBackend().DesktopRect();
    RECT clip{std::max(rect->left, desktop.left), std::max(rect->top, desktop.top),
              std::min(rect->right, desktop.right), std::min(rect->bottom, desktop.bottom)};
    state.clip = clip;
    ActiveBackend().ConfinePointer(&clip);
    const POINT before = state.cursor;
    OnPointerMoved(before, true);
    if (!(state.cursor == before)) {
        ActiveBackend().WarpPointer(state.cursor);
    }
    return true;
}

bool GetClipCursor(RECT& rect) {
    WindowState& state = State();
    rect = state.clip ? *state.clip : ActiveBackend().DesktopRect();
    return true;
}

void mouse_event(uint32_t flags, int dx, int dy, uint32_t /*data*/) {
    if (flags & MOUSEEVENTF_MOVE) {
        const POINT cursor = State().cursor;
        SetCursorPos(cursor.x + dx, cursor.y + dy);
    }
    if (flags & MOUSEEVENTF_LEFTDOWN) {
        OnButton(0, true);
    }
    if (flags & MOUSEEVENTF_LEFTUP) {
        OnButton(0, false);
    }
}

int GetSystemMetrics(int index) {
    const RECT desktop = ActiveBackend().DesktopRect();
    switch (index) {
    case SM_CXSCREEN:
        return desktop.right - desktop.left;
    case SM_CYSCREEN:
        return desktop.bottom - desktop.top;
    default:
        return 0;
    }
}

bool GetWorkArea(RECT& rect) {
    rect = ActiveBackend().WorkArea();
    return true;
}

UINT GetCaretBlinkTime() { return 530; }

UINT GetDoubleClickTime() { return 500; }

}  // namespace sys::window

namespace sys::window::detail {

void OnSystemPlacement(const RECT& clientOnScreen) {
    WindowRecord* record = Find(GetMainWindow());
    if (!record) {
        return;
    }
    const RECT before = ClientOnScreen(*record);
    if (before == clientOnScreen) {
        return;
    }
    RECT outer = clientOnScreen;
    AdjustWindowRect(outer, record->frameStyle, false);
    record->rect = outer;
    const HWND hwnd = HandleOf(*record);
    const RECT after = ClientOnScreen(*record);
    NotifyPlacement(hwnd, before, after);
    if (before.right - before.left != after.right - after.left ||
        before.bottom - before.top != after.bottom - after.top) {
        InvalidateRect(hwnd);
    }
}

void OnCloseRequest() {
    if (HWND hwnd = GetMainWindow()) {
        SendMessage(hwnd, WM_CLOSE, 0, 0);
    }
}

void OnExposed() {
    if (HWND hwnd = GetMainWindow()) {
        InvalidateRect(hwnd);
    }
}

}  // namespace sys::window::detail
