#pragma once

// Which machine the platform seams talk to. The game selects SDL once at start-up,
// before any seam is used; everything else, the tests above all, keeps the headless
// backend: in memory, deterministic, driven by the fake clock and scripted input.
namespace sys {

enum class Backend { Headless, Sdl };

void SelectBackend(Backend backend);
Backend CurrentBackend();

// A dedicated server shows nothing: the SDL backend then opens its window on SDL's dummy video
// driver, which needs no display. A driver the user named in SDL_VIDEODRIVER wins. Call it
// before any seam is used.
void RunWithoutDisplay();

}  // namespace sys
