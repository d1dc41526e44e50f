#include "sys/window/headless/headless_window.h"

#include "sys/window/window_core.h"

// The headless window backend: no system window, a desktop of a size the tests choose, input
// only from the test controls. Nothing can arrive while a caller waits.
namespace sys::window {

namespace {

struct HeadlessDesktop {
    RECT desktop{0, 0, 1024, 768};
    RECT workArea{0, 0, 1024, 768};
    // The full-screen display mode in force, empty without one.
    RECT mode{};
};


HeadlessDesktop& Desktop() {
    static HeadlessDesktop desktop;
    return desktop;
}

// A full-screen mode is the whole screen the program sees, as on the SDL backend.
bool InFullScreenMode() { return Desktop().mode.right > 0 && Desktop().mode.bottom > 0; }

class HeadlessWindowBackend final : public detail::WindowBackend {
public:
    void PumpEvents() override {}
    bool WaitForEvents(uint32_t /*timeoutMs*/) override { return false; }

    bool CreateSystemWindow(const std::string& /*title*/, const RECT& /*client*/, uint32_t /*style*/) override {
        return true;
    }
    void DestroySystemWindow() override {}
    void PlaceSystemWindow(const RECT& /*client*/) override {}
    void ApplyFrameStyle(uint32_t /*style*/) override {}
    void ShowSystemWindow(bool /*visible*/) override {}
    void RaiseSystemWindow() override {}

    void WarpPointer(POINT /*screen*/) override {}
    void ShowSystemPointer(bool /*visible*/) override {}
    void ConfinePointer(const RECT* /*screenRect*/) override {}
    void CapturePointer(bool /*captured*/) override {}

    RECT DesktopRect() override { return InFullScreenMode() ? Desktop().mode : Desktop().desktop; }
    RECT WorkArea() override { return InFullScreenMode() ? Desktop().mode : Desktop().workArea; }
};

}  // namespace

detail::WindowBackend& detail::HeadlessBackend() {
    static HeadlessWindowBackend backend;
    return backend;
}

namespace headless {

void Reset() {
    detail::ResetState();
    Desktop() = HeadlessDesktop{};
}

void SetDesktop(int width, int height) {
    Desktop().desktop = RECT{0, 0, width, height};
    Desktop().workArea = Desktop().desktop;
}

void SetWorkArea(const RECT& area) { Desktop().workArea = area; }

void SetFullScreenMode(int width, int height) {
    Desktop().mode = width > 0 && height > 0 ? RECT{0, 0, width, height} : RECT{};
}

void InjectKey(UINT virtualKey, UINT scanCode, bool down, bool extended) {
    detail::OnKey(virtualKey, scanCode, extended, down);
}

void InjectChar(unsigned char character) {
    if (const HWND focus = GetFocus()) {
        detail::QueueInput(focus, WM_CHAR, character, 1);
    }
}

void InjectMouseMove(int clientX, int clientY) {
    POINT screen{clientX, clientY};
    if (const HWND main = GetMainWindow()) {
        ClientToScreen(main, screen);
    }
    detail::OnPointerMoved(screen, true);
}

void InjectMouseButton(int button, bool down) { detail::OnButton(button, down); }

void InjectMouseWheel(int delta) { detail::OnWheel(delta); }

void InjectFocus(bool gained) { detail::OnFocus(gained); }

void InjectClose() { detail::OnCloseRequest(); }

void InjectExpose() { detail::OnExposed(); }

std::vector<MSG> PendingMessages() {
    const detail::WindowState& state = detail::State();
    std::vector<MSG> pending(state.posted.begin(), state.posted.end());
    pending.insert(pending.end(), state.input.begin(), state.input.end());
    return pending;
}

int ForegroundRequests() { return detail::State().foregroundRequests; }

bool SystemPointerVisible() {
    const detail::WindowState& state = detail::State();
    return state.showCount >= 0 && state.shape != nullptr;
}

}  // namespace headless

}  // namespace sys::window
