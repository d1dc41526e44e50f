#include "sys/video/sdl/sdl_video.h"

#include <SDL.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "sys/video/frame_pacer.h"
#include "sys/video/video_core.h"
#include "sys/window/letterbox.h"
#include "sys/window/sdl/sdl_window.h"

namespace sys::video::sdl {

namespace {

// The texture frames are copied into. It belongs to the window's renderer, which SDL destroys
// with the window, so it is only used while the window it was made for still exists.
struct Presenter {
    uint32_t windowId = 0;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    uint64_t frames = 0;
    FramePacer pacer;
    // What the window shows now, so that an unchanged frame (an idle menu) costs no upload
    // and no drawing; shown again at least once a second all the same.
    std::vector<uint32_t> shown;
    int outputWidth = 0;
    int outputHeight = 0;
    double shownAt = 0.0;
};

Presenter& P() {
    static Presenter presenter;
    return presenter;
}

double Seconds() {
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

SDL_Renderer* RendererFor(SDL_Window* window) {
    Presenter& p = P();
    const uint32_t id = SDL_GetWindowID(window);
    SDL_Renderer* renderer = sys::window::sdl::WindowRenderer();
    if (id != p.windowId || renderer != p.renderer) {
        // Another window or renderer: what was made for the old one went with it.
        p.windowId = id;
        p.texture = nullptr;
        p.width = 0;
        p.height = 0;
        SDL_DisplayMode mode;
        const int display = SDL_GetWindowDisplayIndex(window);
        p.pacer.SetRefreshRate(SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 ? mode.refresh_rate
                                                                                                 : 0);
    }
    p.renderer = renderer;
    return renderer;
}

// Frames are shown at most once per refresh, also where presenting does not wait for one.
void WaitForRefresh(FramePacer& pacer) {
    const double wait = pacer.WaitBefore(Seconds());
    if (wait > 0.0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
}

}  // namespace

uint64_t PresentedFrames() { return P().frames; }

}  // namespace sys::video::sdl

namespace sys::video::detail {

void SdlPresent(const uint32_t* pixels, int width, int height, bool /*fullScreen*/) {
    using sys::video::sdl::P;
    SDL_Window* window = sys::window::sdl::NativeWindow();
    if (window == nullptr || width <= 0 || height <= 0) {
        return;
    }
    SDL_Renderer* renderer = sys::video::sdl::RendererFor(window);
    if (renderer == nullptr) {
        return;
    }
    auto& p = P();
    int outputWidth = 0;
    int outputHeight = 0;
    if (SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight) != 0) {
        SDL_GetWindowSize(window, &outputWidth, &outputHeight);
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const bool exposed = sys::window::sdl::TakeExposed();
    const bool unchanged = p.texture != nullptr && p.width == width && p.height == height &&
                           p.outputWidth == outputWidth && p.outputHeight == outputHeight && !exposed &&
                           p.shown.size() == count && sys::video::sdl::Seconds() - p.shownAt < 1.0 &&
                           std::memcmp(p.shown.data(), pixels, count * sizeof(uint32_t)) == 0;
    if (unchanged) {
        sys::video::sdl::WaitForRefresh(p.pacer);
        p.pacer.Presented(sys::video::sdl::Seconds());
        ++p.frames;
        return;
    }
    if (p.texture == nullptr || p.width != width || p.height != height) {
        if (p.texture != nullptr) {
            SDL_DestroyTexture(p.texture);
        }
        p.texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
        p.width = width;
        p.height = height;
        if (p.texture == nullptr) {
            return;
        }
    }
    SDL_UpdateTexture(p.texture, nullptr, pixels, width * 4);
    p.shown.assign(pixels, pixels + count);
    p.outputWidth = outputWidth;
    p.outputHeight = outputHeight;
    // Whatever size the window or the display has, the frame keeps its aspect, black around
    // it; the window backend maps the pointer back through the same rectangle.
    const sys::RECT fitted = sys::window::FitPicture(width, height, outputWidth, outputHeight);
    const SDL_Rect target{fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top};
    SDL_RenderSetViewport(renderer, nullptr);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, p.texture, nullptr, target.w > 0 && target.h > 0 ? &target : nullptr);
    sys::video::sdl::WaitForRefresh(p.pacer);
    SDL_RenderPresent(renderer);
    p.shownAt = sys::video::sdl::Seconds();
    p.pacer.Presented(p.shownAt);
    ++p.frames;
}

bool SdlCanPresent() {
    // SDL converts our frames to whatever the desktop shows, except on a display it cannot
    // draw on at all (one of 256 colours): there no renderer can be made for the window.
    return sys::window::sdl::NativeWindow() == nullptr || sys::window::sdl::WindowRenderer() != nullptr;
}

void SdlEnterFullScreen(int width, int height) { sys::window::sdl::SetDisplayMode(width, height); }

void SdlLeaveFullScreen() { sys::window::sdl::SetDisplayMode(0, 0); }

}  // namespace sys::video::detail
