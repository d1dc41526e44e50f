#include "sys/video/sdl/sdl_video.h"

#include <SDL.h>

#include "sys/video/video_core.h"
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
    bool fullScreen = false;
    uint64_t frames = 0;
};

Presenter& P() {
    static Presenter presenter;
    return presenter;
}

SDL_Renderer* RendererFor(SDL_Window* window) {
    Presenter& p = P();
    const uint32_t id = SDL_GetWindowID(window);
    SDL_Renderer* renderer = SDL_GetRenderer(window);
    if (id != p.windowId || renderer != p.renderer) {
        // Another window or renderer: what was made for the old one went with it.
        p.windowId = id;
        p.texture = nullptr;
        p.width = 0;
        p.height = 0;
        p.fullScreen = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    }
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, 0);
    }
    p.renderer = renderer;
    return renderer;
}

}  // namespace

uint64_t PresentedFrames() { return P().frames; }

}  // namespace sys::video::sdl

namespace sys::video::detail {

void SdlPresent(const uint32_t* pixels, int width, int height, bool fullScreen) {
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
    if (fullScreen != p.fullScreen) {
        SDL_SetWindowFullscreen(window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        p.fullScreen = fullScreen;
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
    // The logical size keeps the frame's aspect when the window or display is larger.
    SDL_RenderSetLogicalSize(renderer, width, height);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, p.texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
    ++p.frames;
}

void SdlLeaveFullScreen() {
    using sys::video::sdl::P;
    SDL_Window* window = sys::window::sdl::NativeWindow();
    if (window != nullptr && P().fullScreen) {
        SDL_SetWindowFullscreen(window, 0);
    }
    P().fullScreen = false;
}

}  // namespace sys::video::detail
