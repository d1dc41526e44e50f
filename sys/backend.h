#pragma once

// Which machine the platform seams talk to. The game selects SDL once at start-up,
// before any seam is used; everything else, the tests above all, keeps the headless
// backend: in memory, deterministic, driven by the fake clock and scripted input.
namespace sys {

enum class Backend { Headless, Sdl };

void SelectBackend(Backend backend);
Backend CurrentBackend();

}  // namespace sys
