// Mixing cost of the software mixer: 32 playing buffers (different rates, volumes and pans,
// a quarter of them placed in 3D) mixed into one second of 22050 Hz stereo. The "realtime"
// counter is how many seconds of sound are mixed per second of work: above 1 the mixer keeps up.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "sys/audio/audio_core.h"
#include "sys/audio/audio.h"
#include "sys/backend.h"
#include "sys/audio/headless/headless_audio.h"

using namespace sys::audio;

namespace {

void MixOneSecondOf32Buffers(benchmark::State& state) {
    sys::SelectBackend(sys::Backend::Headless);
    headless::Reset();
    IDirectSound* device = nullptr;
    DirectSoundCreate(nullptr, &device);
    device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    DSBUFFERDESC primaryDesc;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    IDirectSoundBuffer* primary = nullptr;
    device->CreateSoundBuffer(&primaryDesc, &primary);
    WAVEFORMATEX output;
    output.wFormatTag = WAVE_FORMAT_PCM;
    output.nChannels = 2;
    output.wBitsPerSample = 16;
    output.nSamplesPerSec = 22050;
    primary->SetFormat(&output);

    std::vector<int16_t> samples(22050);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>((i * 37) % 20000 - 10000);
    }
    std::vector<IDirectSoundBuffer*> buffers;
    for (int i = 0; i < 32; ++i) {
        WAVEFORMATEX format;
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.wBitsPerSample = 16;
        format.nSamplesPerSec = 22050;
        DSBUFFERDESC desc;
        const bool placed = i % 4 == 0;
        desc.dwFlags = placed ? 0x200BAu : 0xE2u;
        desc.dwBufferBytes = static_cast<uint32_t>(samples.size() * 2);
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        device->CreateSoundBuffer(&desc, &buffer);
        void* part = nullptr;
        uint32_t bytes = 0;
        buffer->Lock(0, desc.dwBufferBytes, &part, &bytes, nullptr, nullptr, 0);
        std::memcpy(part, samples.data(), bytes);
        buffer->Unlock(part, bytes, nullptr, 0);
        buffer->SetFrequency(11025 + static_cast<uint32_t>(i) * 1000);
        buffer->SetVolume(-100 * i);
        if (placed) {
            IDirectSound3DBuffer* buffer3D = nullptr;
            buffer->Query3DBuffer(&buffer3D);
            buffer3D->SetPosition(static_cast<float>(i), 0.0f, 5.0f, DS3D_IMMEDIATE);
            buffer3D->Release();
        } else {
            buffer->SetPan(-5000 + 300 * i);
        }
        buffer->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(buffer);
    }

    std::vector<int16_t> out(22050 * 2);
    for (auto _ : state) {
        std::lock_guard<std::recursive_timed_mutex> lock(AudioLock());
        for (uint32_t done = 0; done < 22050; done += 1024) {
            const uint32_t n = std::min<uint32_t>(1024, 22050 - done);
            MixFrames(*device->State(), out.data() + done * 2, n);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["realtime"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);

    for (IDirectSoundBuffer* buffer : buffers) {
        buffer->Release();
    }
    primary->Release();
    device->Release();
}

}  // namespace

BENCHMARK(MixOneSecondOf32Buffers)->Unit(benchmark::kMillisecond);
