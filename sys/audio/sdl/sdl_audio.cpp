#include "sys/audio/sdl/sdl_audio.h"

#include <SDL.h>

#include <chrono>
#include <cstring>

#include "sys/audio/audio_core.h"

namespace sys::audio::sdl {

namespace {

struct Output {
    SDL_AudioDeviceID id = 0;
};

void Pull(void* userdata, Uint8* stream, int length) {
    auto* device = static_cast<DeviceState*>(userdata);
    const uint32_t frames = static_cast<uint32_t>(length) / 4;
    std::unique_lock<std::recursive_timed_mutex> lock(AudioLock(), std::defer_lock);
    // A caller closing this output holds the lock while SDL waits for us: give up and play
    // silence for this block rather than wait for each other.
    if (!lock.try_lock_for(std::chrono::milliseconds(5))) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    MixFrames(*device, reinterpret_cast<int16_t*>(stream), frames);
}

}  // namespace

bool Open(DeviceState& device) {
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = static_cast<int>(device.mixRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = Pull;
    want.userdata = &device;
    SDL_AudioSpec have;
    // SDL converts to whatever the card plays, so the mixer always works at the primary rate.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        return false;
    }
    auto* output = new Output;
    output->id = id;
    device.backendHandle = output;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void Close(DeviceState& device) {
    auto* output = static_cast<Output*>(device.backendHandle);
    if (output == nullptr) {
        return;
    }
    SDL_CloseAudioDevice(output->id);
    delete output;
    device.backendHandle = nullptr;
}

}  // namespace sys::audio::sdl
