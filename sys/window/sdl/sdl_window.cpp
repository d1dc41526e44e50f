#include "sys/window/sdl/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "sys/window/letterbox.h"
#include "sys/window/window_core.h"
#include "sys/window/sdl/sdl_keymap.h"
#include "sys/window/sdl/sdl_text.h"

// The Sdl window backend: one SDL window carrying the client area (the frame around it is the
// desktop's), SDL events turned into the core's input, focus, placement and close events. The
// client area keeps the size the program gave it: when the desktop makes the window another
// size (or a full-screen mode covers the display), the picture is scaled into it and pointer
// positions are mapped back into the client area's pixels.
// SDL's own text input stays off: characters come from the translate step, so each one
// arrives once.
namespace sys::window {

namespace {

using detail::WindowState;

bool Bordered(uint32_t style) { return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0; }

RECT CurrentClient() {
    const detail::WindowRecord* record = detail::Find(GetMainWindow());
    return record ? detail::ClientOnScreen(*record) : RECT{};
}

class SdlWindowBackend final : public detail::WindowBackend {
public:
    SDL_Window* Window() const { return m_window; }

    void PumpEvents() override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            return;
        }
        // Taken out first: a handler may run a modal loop that pumps again.
        std::vector<SDL_Event> events;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            events.push_back(event);
        }
        for (const SDL_Event& each : events) {
            Handle(each);
        }
    }

    bool WaitForEvents(uint32_t timeoutMs) override {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            SDL_Delay(std::min<uint32_t>(timeoutMs, 10));
            return true;
        }
        if (timeoutMs == detail::kWaitForever) {
            SDL_WaitEvent(nullptr);
        } else {
            SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX)));
        }
        return true;
    }

    bool CreateSystemWindow(const std::string& title, const RECT& client, uint32_t style) override {
        if (!sdl::EnsureVideo()) {
            return false;
        }
        Uint32 flags = SDL_WINDOW_HIDDEN;
        flags |= Bordered(style) ? 0 : SDL_WINDOW_BORDERLESS;
        flags |= (style & WS_THICKFRAME) ? SDL_WINDOW_RESIZABLE : 0;
        m_window = SDL_CreateWindow(sys::sdl::Latin1ToUtf8(title).c_str(), client.left, client.top,
                                    std::max(1, client.right - client.left), std::max(1, client.bottom - client.top),
                                    flags);
        if (!m_window) {
            std::fprintf(stderr, "Cannot create the window: %s\n", SDL_GetError());
            return false;
        }
        SDL_StopTextInput();
        int x = 0;
        int y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        detail::State().cursor = POINT{x, y};
        return true;
    }

    void DestroySystemWindow() override {
        if (m_window) {
            SDL_DestroyWindow(m_window);
            m_window = nullptr;
        }
    }

    void PlaceSystemWindow(const RECT& client) override {
        // A full-screen window covers the display whatever the program asks.
        if (!m_window || FullScreen()) {
            return;
        }
        const SDL_Rect now = WindowRect();
        if (now.x != client.left || now.y != client.top) {
            SDL_SetWindowPosition(m_window, client.left, client.top);
        }
        const int wantedWidth = std::max(1, client.right - client.left);
        const int wantedHeight = std::max(1, client.bottom - client.top);
        if (now.w != wantedWidth || now.h != wantedHeight) {
            SDL_SetWindowSize(m_window, wantedWidth, wantedHeight);
        }
    }

    void ApplyFrameStyle(uint32_t style) override {
        if (m_window && !FullScreen()) {
            SDL_SetWindowBordered(m_window, Bordered(style) ? SDL_TRUE : SDL_FALSE);
            SDL_SetWindowResizable(m_window, (style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
        }
    }

    void ShowSystemWindow(bool visible) override {
        if (m_window) {
            visible ? SDL_ShowWindow(m_window) : SDL_HideWindow(m_window);
        }
    }

    void RaiseSystemWindow() override {
        if (m_window) {
            SDL_RaiseWindow(m_window);
        }
    }

    void WarpPointer(POINT screen) override {
        if (m_window) {
            const RECT client = CurrentClient();
            const POINT area = ToArea(POINT{screen.x - client.left, screen.y - client.top});
            SDL_WarpMouseInWindow(m_window, area.x, area.y);
        } else if (SDL_WasInit(SDL_INIT_VIDEO)) {
            SDL_WarpMouseGlobal(screen.x, screen.y);
        }
    }

    void ShowSystemPointer(bool visible) override {
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
        }
    }

    void ConfinePointer(const RECT* screenRect) override {
        if (!m_window) {
            return;
        }
        if (!screenRect) {
            SDL_SetWindowMouseRect(m_window, nullptr);
            return;
        }
        // SDL confines within the window only; the part of the rectangle over the client
        // area is what can be kept.
        const RECT client = CurrentClient();
        const int left = std::max(screenRect->left, client.left);
        const int top = std::max(screenRect->top, client.top);
        const int right = std::min(screenRect->right, client.right);
        const int bottom = std::min(screenRect->bottom, client.bottom);
        if (right <= left || bottom <= top) {
            SDL_SetWindowMouseRect(m_window, nullptr);
            return;
        }
        const POINT first = ToArea(POINT{left - client.left, top - client.top});
        const POINT last = ToArea(POINT{right - 1 - client.left, bottom - 1 - client.top});
        const SDL_Rect area{first.x, first.y, std::max(1, last.x - first.x + 1), std::max(1, last.y - first.y + 1)};
        SDL_SetWindowMouseRect(m_window, &area);
    }

    void CapturePointer(bool captured) override {
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
        }
    }

    RECT DesktopRect() override {
        if (FullScreen()) {
            return RECT{0, 0, m_modeWidth, m_modeHeight};
        }
        SDL_Rect bounds{0, 0, 640, 480};
        if (sdl::EnsureVideo()) {
            SDL_GetDisplayBounds(DisplayIndex(), &bounds);
        }
        return RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    }

    RECT WorkArea() override {
        if (FullScreen()) {
            return DesktopRect();
        }
        SDL_Rect bounds;
        if (sdl::EnsureVideo() && SDL_GetDisplayUsableBounds(DisplayIndex(), &bounds) == 0) {
            return RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
        }
        return DesktopRect();
    }

    void SetDisplayMode(int width, int height) {
        const bool wasFullScreen = FullScreen();
        m_modeWidth = std::max(0, width);
        m_modeHeight = std::max(0, height);
        if (!m_window) {
            return;
        }
        if (FullScreen()) {
            CoverDisplay();
        } else if (wasFullScreen) {
            const detail::WindowRecord* record = detail::Find(GetMainWindow());
            ApplyFrameStyle(record != nullptr ? record->frameStyle : 0);
            PlaceSystemWindow(CurrentClient());
        }
    }

    bool TakeExposed() {
        const bool exposed = m_exposed;
        m_exposed = false;
        return exposed;
    }

    void RestorePlacement() {
        if (!m_window) {
            return;
        }
        if (FullScreen()) {
            CoverDisplay();
        } else {
            PlaceSystemWindow(CurrentClient());
        }
    }

private:
    bool FullScreen() const { return m_modeWidth > 0 && m_modeHeight > 0; }

    // Full screen is a borderless window over the whole display, placed by us: without a
    // window manager nobody else would size it, and with one the picture is scaled into
    // whatever it grants.
    void CoverDisplay() {
        SDL_SetWindowBordered(m_window, SDL_FALSE);
        SDL_SetWindowResizable(m_window, SDL_FALSE);
        PlaceOverDisplay();
        SDL_RaiseWindow(m_window);
        m_coverTries = kCoverTries;
    }

    void PlaceOverDisplay() {
        SDL_Rect bounds{0, 0, 640, 480};
        SDL_GetDisplayBounds(DisplayIndex(), &bounds);
        SDL_SetWindowPosition(m_window, bounds.x, bounds.y);
        SDL_SetWindowSize(m_window, bounds.w, bounds.h);
    }

    bool OverDisplay() const {
        SDL_Rect bounds{0, 0, 640, 480};
        SDL_GetDisplayBounds(DisplayIndex(), &bounds);
        const SDL_Rect now = WindowRect();
        return now.x == bounds.x && now.y == bounds.y && now.w == bounds.w && now.h == bounds.h;
    }

    SDL_Rect WindowRect() const {
        SDL_Rect rect{0, 0, 0, 0};
        SDL_GetWindowPosition(m_window, &rect.x, &rect.y);
        SDL_GetWindowSize(m_window, &rect.w, &rect.h);
        return rect;
    }

    int DisplayIndex() const {
        const int index = m_window ? SDL_GetWindowDisplayIndex(m_window) : 0;
        return index < 0 ? 0 : index;
    }

    bool Ours(Uint32 windowId) const {
        return m_window && (windowId == 0 || windowId == SDL_GetWindowID(m_window));
    }

    // Where the client area's picture lies in the SDL window now.
    RECT Fitted(int& clientWidth, int& clientHeight) const {
        const RECT client = CurrentClient();
        clientWidth = client.right - client.left;
        clientHeight = client.bottom - client.top;
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(m_window, &width, &height);
        return FitPicture(clientWidth, clientHeight, width, height);
    }

    POINT ToArea(POINT clientPoint) const {
        int width = 0;
        int height = 0;
        const RECT fitted = Fitted(width, height);
        if (fitted.right <= fitted.left) {
            return clientPoint;
        }
        return PictureToArea(clientPoint, fitted, width, height);
    }

    POINT ToScreen(int windowX, int windowY) const {
        const RECT client = CurrentClient();
        int width = 0;
        int height = 0;
        const RECT fitted = Fitted(width, height);
        if (fitted.right <= fitted.left) {
            return POINT{client.left + windowX, client.top + windowY};
        }
        const POINT picture = AreaToPicture(POINT{windowX, windowY}, fitted, width, height);
        return POINT{client.left + picture.x, client.top + picture.y};
    }

    void Handle(const SDL_Event& event) {
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (Ours(event.key.windowID)) {
                HandleKey(event.key);
            }
            break;
        case SDL_MOUSEMOTION:
            if (Ours(event.motion.windowID)) {
                detail::OnPointerMoved(ToScreen(event.motion.x, event.motion.y), false);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (Ours(event.button.windowID)) {
                detail::OnPointerMoved(ToScreen(event.button.x, event.button.y), false);
                const int button = event.button.button == SDL_BUTTON_LEFT    ? 0
                                   : event.button.button == SDL_BUTTON_RIGHT ? 1
                                   : event.button.button == SDL_BUTTON_MIDDLE ? 2
                                                                             : -1;
                detail::OnButton(button, event.type == SDL_MOUSEBUTTONDOWN);
            }
            break;
        case SDL_MOUSEWHEEL:
            if (Ours(event.wheel.windowID) && event.wheel.y != 0) {
                const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
                detail::OnWheel(notches * 120);
            }
            break;
        case SDL_WINDOWEVENT:
            if (Ours(event.window.windowID)) {
                HandleWindowEvent(event.window);
            }
            break;
        case SDL_QUIT:
            // Only a signal gets here (closing the window is a window event): ask the window
            // to close as the user would, or end at once without one.
            if (GetMainWindow()) {
                detail::OnCloseRequest();
            } else {
                PostQuitMessage(0);
            }
            break;
        default:
            break;
        }
    }

    void HandleKey(const SDL_KeyboardEvent& key) {
        const bool numLock = (key.keysym.mod & KMOD_NUM) != 0;
        const sdl::KeyMapping mapping = sdl::MapSdlKey(key.keysym.scancode, key.keysym.sym, numLock);
        if (mapping.virtualKey != 0) {
            detail::OnKey(mapping.virtualKey, mapping.scanCode, mapping.extended, key.type == SDL_KEYDOWN);
        }
        // SDL knows the lock states also when they changed while we were not listening.
        detail::OnToggle(VK_CAPITAL, (key.keysym.mod & KMOD_CAPS) != 0);
        detail::OnToggle(VK_NUMLOCK, numLock);
    }

    void HandleWindowEvent(const SDL_WindowEvent& window) {
        switch (window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            detail::OnCloseRequest();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            detail::OnFocus(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            detail::OnFocus(false);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            m_exposed = true;
            detail::OnExposed();
            break;
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            // The program keeps the client size it asked for; another size only scales the
            // picture. A full-screen window's place is the mode's origin.
            if (FullScreen()) {
                // A window manager still taking the frame away when the window was placed
                // leaves it off the display by the frame's size: placed again, a few times at
                // most, so that a manager that insists on its own place is not fought forever.
                if (m_coverTries > 0 && !OverDisplay()) {
                    --m_coverTries;
                    PlaceOverDisplay();
                }
                break;
            }
            int x = 0;
            int y = 0;
            SDL_GetWindowPosition(m_window, &x, &y);
            const RECT client = CurrentClient();
            detail::OnSystemPlacement(
                RECT{x, y, x + (client.right - client.left), y + (client.bottom - client.top)});
            break;
        }
        default:
            break;
        }
    }

    SDL_Window* m_window = nullptr;
    bool m_exposed = false;
    int m_modeWidth = 0;
    int m_modeHeight = 0;
    static constexpr int kCoverTries = 3;
    int m_coverTries = 0;
};

SdlWindowBackend& Backend() {
    static SdlWindowBackend backend;
    return backend;
}

}  // namespace

detail::WindowBackend& detail::SdlBackend() { return Backend(); }

namespace sdl {

namespace {

bool NoDisplayDriver(const char* driver) {
    return SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
}

}  // namespace

bool EnsureVideo() {
    static bool failed = false;
    // The program decides what closing its window means (WM_CLOSE), and a click that brings
    // the window to the front is also a click in it, as on the platform we stand in for. Set
    // every time: another seam may have started SDL's video first.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        return true;
    }
    if (failed) {
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "Cannot open a display: %s\n", SDL_GetError());
        failed = true;
        return false;
    }
    // Without a display SDL falls back to drivers that draw nowhere; the game would then run
    // unseen. They are only taken when asked for by name (the tests and headless servers).
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && NoDisplayDriver(driver) && (asked == nullptr || *asked == '\0')) {
        std::fprintf(stderr, "Cannot open a display: there is no X or Wayland display (DISPLAY and "
                             "WAYLAND_DISPLAY are not set).\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        failed = true;
        return false;
    }
    return true;
}

SDL_Window* NativeWindow() { return Backend().Window(); }

void SetDisplayMode(int width, int height) { Backend().SetDisplayMode(width, height); }

void RestorePlacement() { Backend().RestorePlacement(); }

SDL_Renderer* WindowRenderer() {
    SDL_Window* window = NativeWindow();
    if (window == nullptr) {
        return nullptr;
    }
    SDL_Renderer* renderer = SDL_GetRenderer(window);
    if (renderer != nullptr) {
        return renderer;
    }
    // Each try may rebuild the system window (SDL does so for a renderer that needs another
    // kind of window), and the desktop then exposes it again: trying at every paint would
    // paint without end. A window that takes no renderer is tried once and reported once.
    static uint32_t s_refusedWindow = 0;
    const uint32_t id = SDL_GetWindowID(window);
    if (id == s_refusedWindow) {
        return nullptr;
    }
    // Where the display gives a refresh signal, presenting waits for it.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");
    renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer == nullptr) {
        s_refusedWindow = id;
        std::fprintf(stderr, "Cannot draw in the window on this display: %s\n", SDL_GetError());
    }
    RestorePlacement();
    return renderer;
}

bool TakeExposed() { return Backend().TakeExposed(); }

}  // namespace sdl

}  // namespace sys::window
