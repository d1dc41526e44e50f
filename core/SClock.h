#pragma once

// The engine clock that times every frame: seconds since its first call. It reads the
// high-resolution counter and cross-checks it against the millisecond tick count, so a counter
// that leaps forward (as some machines' counters do under load or after a power-state change)
// costs one frame of tick-count resolution instead of seconds of game time. The state is
// file-static and belongs to the main thread.
double SecondsSinceStart();
