#include "sys/backend.h"

#include <SDL.h>

namespace sys {

namespace {
Backend g_backend = Backend::Headless;
}

void SelectBackend(Backend backend) { g_backend = backend; }

Backend CurrentBackend() { return g_backend; }

void RunWithoutDisplay() {
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked == nullptr || *asked == '\0')
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
}

}  // namespace sys
