#include "sys/audio/headless/headless_audio.h"

#include <algorithm>
#include <deque>

#include "sys/audio/audio_core.h"

namespace sys::audio::headless {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

constexpr size_t kKeptSeconds = 30;

struct CaptureStore {
    std::deque<int16_t> samples;
    uint32_t rate = 0;
};

CaptureStore& Store() {
    // Outlives every sound manager, like the mixer's own state.
    static auto* store = new CaptureStore;
    return *store;
}

}  // namespace

void Reset() {
    Guard guard(AudioLock());
    Drivers() = DriverSettings{};
    Store().samples.clear();
}

void SetNoDriver(bool noDriver) {
    Guard guard(AudioLock());
    Drivers().noDriver = noDriver;
}

void SetSecondDriver(bool present) {
    Guard guard(AudioLock());
    Drivers().secondDriver = present;
}

void SetHardware3DBuffers(uint32_t count) {
    Guard guard(AudioLock());
    Drivers().maxHw3DBuffers = count;
}

void SetPrimaryFormatFixed(bool fixed) {
    Guard guard(AudioLock());
    Drivers().primaryFormatFixed = fixed;
}

void SetRestoreRefused(bool refused) {
    Guard guard(AudioLock());
    Drivers().restoreRefused = refused;
}

void LoseAllBuffers() {
    Guard guard(AudioLock());
    for (DeviceState* device : LiveDevices()) {
        CatchUp(*device);
        for (VoiceState* voice : device->voices) {
            voice->lost = true;
            voice->playing = false;
            // The memory of a lost buffer is gone; whoever restores it must fill it again.
            if (voice->data) {
                std::fill(voice->data->bytes.begin(), voice->data->bytes.end(),
                          voice->format.wBitsPerSample == 8 ? 0x80 : 0x00);
            }
        }
    }
}

void MixToNow() {
    Guard guard(AudioLock());
    for (DeviceState* device : LiveDevices()) {
        CatchUp(*device);
    }
}

std::vector<int16_t> TakeMixed() {
    Guard guard(AudioLock());
    for (DeviceState* device : LiveDevices()) {
        CatchUp(*device);
    }
    CaptureStore& store = Store();
    std::vector<int16_t> out(store.samples.begin(), store.samples.end());
    store.samples.clear();
    return out;
}

uint32_t MixRate() {
    Guard guard(AudioLock());
    const auto& devices = LiveDevices();
    for (auto it = devices.rbegin(); it != devices.rend(); ++it) {
        if ((*it)->outputOpen) {
            return (*it)->mixRate;
        }
    }
    return 0;
}

void Capture(const int16_t* samples, size_t count, uint32_t rate) {
    CaptureStore& store = Store();
    store.rate = rate;
    store.samples.insert(store.samples.end(), samples, samples + count);
    const size_t keep = kKeptSeconds * 2 * static_cast<size_t>(rate);
    if (store.samples.size() > keep) {
        store.samples.erase(store.samples.begin(), store.samples.begin() + static_cast<std::ptrdiff_t>(store.samples.size() - keep));
    }
}

}  // namespace sys::audio::headless
