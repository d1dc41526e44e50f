#pragma once

#include <cstdint>

// The multimedia library's one-call sound player: plays a wave file through our own mixer on
// a device of its own, so it needs no sound manager. One sound at a time; a new one replaces
// the one playing. Main thread only.
namespace sys::audio {

// Flags of PlaySound, with the platform's values.
constexpr uint32_t SND_SYNC = 0x00000000;       // return when the sound has finished
constexpr uint32_t SND_ASYNC = 0x00000001;      // return at once; the sound goes on
constexpr uint32_t SND_NODEFAULT = 0x00000002;  // no default sound when the file is missing
constexpr uint32_t SND_NOWAIT = 0x00002000;     // do not wait for a busy device
constexpr uint32_t SND_PURGE = 0x00000040;      // stop the sound instead of playing it
constexpr uint32_t SND_FILENAME = 0x00020000;   // the name is a file name

// - sound null, or SND_PURGE: stops what plays (with a name, only when it is that file);
//   answers true.
// - otherwise: stops what plays, reads the PCM wave file (8 or 16 bits, mono or stereo) and
//   plays it. Without SND_ASYNC the call returns when the sound has finished: on the real clock,
//   or on the headless backend's fake clock, which the wait moves on. False when the file is
//   missing or no wave, or no sound device can play it; this platform has no default sound to
//   play instead, so SND_NODEFAULT changes nothing, and our mixer is never busy, so neither
//   does SND_NOWAIT.
// `module` is the module of a resource name; only file names are played, so it is unused.
bool PlaySound(const char* sound, const void* module, uint32_t flags);

}  // namespace sys::audio
