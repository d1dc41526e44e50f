#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What PlaySound did, for tests: each call that named a sound, with its flags, whether it
// played, and the clock before and after the call (a waiting call returns later by the
// sound's length). Kept on every backend; at most the last 64 calls.
namespace sys::audio::headless {

struct PlaySoundCall {
    std::string name;
    uint32_t flags = 0;
    bool played = false;
    uint32_t startTick = 0;
    uint32_t endTick = 0;
};

std::vector<PlaySoundCall> PlaySoundCalls();
// Whether the sound PlaySound started is still playing.
bool PlaySoundPlaying();
// Stops the sound without recording and forgets the calls.
void ResetPlaySound();

}  // namespace sys::audio::headless
