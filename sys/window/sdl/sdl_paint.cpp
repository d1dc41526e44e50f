#include <SDL.h>

#include "sys/window/letterbox.h"
#include "sys/window/paint_core.h"
#include "sys/window/sdl/sdl_window.h"

// The window's own picture on SDL: copied through the window's renderer, which the display
// seam later takes over for its frames, and the desktop's own pointer shapes.
namespace sys::window::detail {

void SdlShowPicture(const uint32_t* pixels, int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    SDL_Renderer* renderer = sdl::WindowRenderer();
    if (renderer == nullptr) {
        return;
    }
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STATIC, width, height);
    if (texture == nullptr) {
        return;
    }
    SDL_UpdateTexture(texture, nullptr, pixels, width * 4);
    // Fitted as the display's frames are, so the picture does not jump when they take over.
    int outputWidth = 0;
    int outputHeight = 0;
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    const RECT fitted = sys::window::FitPicture(width, height, outputWidth, outputHeight);
    const SDL_Rect target{fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top};
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, target.w > 0 && target.h > 0 ? &target : nullptr);
    SDL_RenderPresent(renderer);
    SDL_DestroyTexture(texture);
}

void SdlSetPointerShape(bool wait) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return;
    }
    // Made once and kept: SDL_SetCursor keeps using the one it was given.
    static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    static SDL_Cursor* busy = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    SDL_Cursor* shape = wait ? busy : arrow;
    if (shape != nullptr) {
        SDL_SetCursor(shape);
    }
}

}  // namespace sys::window::detail
