#pragma once

namespace sys::audio {
struct DeviceState;
}

// The SDL sound backend: an SDL audio output per device, whose callback pulls the mix. When no
// audio device can be opened the device stays clock-driven and silent; nothing fails.
namespace sys::audio::sdl {

// Opens an output at the device's mix rate, stereo 16-bit, and starts it. False when SDL has
// no audio device; the caller then drives the device from the clock.
bool Open(DeviceState& device);
// Stops and closes the output. Must be called without the audio lock held: closing waits for a
// running callback, which takes that lock.
void Close(DeviceState& device);

}  // namespace sys::audio::sdl
