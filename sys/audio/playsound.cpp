#include "sys/audio/playsound.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "sys/audio/audio.h"
#include "sys/audio/headless/headless_playsound.h"
#include "sys/audio/mmio.h"
#include "sys/signals.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

namespace sys::audio {

namespace {

constexpr size_t kKeptCalls = 64;
// A waiting call looks at its sound this often, and gives up this long after the sound's end
// should have come (a device that stopped moving must not hang the program).
constexpr uint32_t kPollMs = 10;
constexpr uint32_t kGraceMs = 1000;

struct Wave {
    WAVEFORMATEX format;
    std::vector<uint8_t> data;
};

// The device and the buffer of the sound that plays; both go when it is stopped.
struct Player {
    IDirectSound* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    std::string name;
    std::deque<headless::PlaySoundCall> calls;
};

Player& P() {
    static Player player;
    return player;
}

void Stop() {
    Player& p = P();
    if (p.buffer != nullptr) {
        p.buffer->Stop();
        p.buffer->Release();
        p.buffer = nullptr;
    }
    // The output goes too, so a sound manager opened next has the sound card to itself.
    if (p.primary != nullptr) {
        p.primary->Release();
        p.primary = nullptr;
    }
    if (p.device != nullptr) {
        p.device->Release();
        p.device = nullptr;
    }
    p.name.clear();
}

bool ReadWave(const char* path, Wave& wave) {
    using namespace sys::mmio;
    HMMIO file = OpenFile(path);
    if (file == nullptr) {
        return false;
    }
    bool ok = false;
    MMCKINFO riff;
    riff.fccType = MakeFourCC('W', 'A', 'V', 'E');
    MMCKINFO chunk;
    chunk.ckid = MakeFourCC('f', 'm', 't', ' ');
    if (Descend(file, riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
        Descend(file, chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR && chunk.cksize >= 16) {
        wave.format = WAVEFORMATEX{};
        ok = Read(file, &wave.format, 16) == 16 && Ascend(file, chunk) == MMSYSERR_NOERROR;
        chunk = MMCKINFO{};
        chunk.ckid = MakeFourCC('d', 'a', 't', 'a');
        // Descend refuses a chunk that claims more bytes than the file holds.
        ok = ok && Descend(file, chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR &&
             SoundDataWithinBound(file, chunk);
        if (ok) {
            wave.data.resize(chunk.cksize);
            ok = Read(file, wave.data.data(), static_cast<int32_t>(chunk.cksize)) ==
                 static_cast<int32_t>(chunk.cksize);
        }
    }
    Close(file);
    const WAVEFORMATEX& f = wave.format;
    return ok && f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= DSBFREQUENCY_MIN &&
           f.nSamplesPerSec <= DSBFREQUENCY_MAX && wave.data.size() >= DSBSIZE_MIN;
}

bool Start(const Wave& wave) {
    Player& p = P();
    if (Failed(DirectSoundCreate(nullptr, &p.device))) {
        p.device = nullptr;
        return false;
    }
    DSBUFFERDESC primaryDesc;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (Failed(p.device->SetCooperativeLevel(sys::window::GetMainWindow(), DSSCL_PRIORITY)) ||
        Failed(p.device->CreateSoundBuffer(&primaryDesc, &p.primary))) {
        p.primary = nullptr;
        return false;
    }
    // Mixed at the sound's own rate in 16-bit stereo, so nothing is lost on the way.
    WAVEFORMATEX output;
    output.wFormatTag = WAVE_FORMAT_PCM;
    output.nChannels = 2;
    output.nSamplesPerSec = wave.format.nSamplesPerSec;
    output.wBitsPerSample = 16;
    output.nBlockAlign = 4;
    output.nAvgBytesPerSec = 4 * output.nSamplesPerSec;
    p.primary->SetFormat(&output);

    WAVEFORMATEX format = wave.format;
    format.nBlockAlign = static_cast<uint16_t>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.cbSize = 0;
    DSBUFFERDESC desc;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS;
    const size_t whole = wave.data.size() - wave.data.size() % std::max<uint16_t>(1, format.nBlockAlign);
    desc.dwBufferBytes = static_cast<uint32_t>(std::min<size_t>(whole, DSBSIZE_MAX));
    desc.lpwfxFormat = &format;
    if (Failed(p.device->CreateSoundBuffer(&desc, &p.buffer))) {
        p.buffer = nullptr;
        return false;
    }
    void* part1 = nullptr;
    uint32_t bytes1 = 0;
    if (Failed(p.buffer->Lock(0, desc.dwBufferBytes, &part1, &bytes1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER))) {
        return false;
    }
    std::memcpy(part1, wave.data.data(), std::min<size_t>(bytes1, wave.data.size()));
    p.buffer->Unlock(part1, bytes1, nullptr, 0);
    return Succeeded(p.buffer->Play(0, 0, 0));
}

bool Playing() {
    uint32_t status = 0;
    return P().buffer != nullptr && Succeeded(P().buffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING) != 0;
}

void WaitForEnd(const Wave& wave) {
    const uint64_t lengthMs = static_cast<uint64_t>(wave.data.size()) * 1000u /
                              std::max<uint32_t>(1, wave.format.nSamplesPerSec * wave.format.nChannels *
                                                        (wave.format.wBitsPerSample / 8));
    const uint32_t start = sys::time::TickCount();
    const uint64_t limit = lengthMs + kGraceMs;
    // Whoever asked the program to stop is not kept waiting for the end of a sound.
    while (Playing() && sys::time::TickCount() - start < limit && !sys::signals::IsCloseRequested()) {
        sys::time::Sleep(kPollMs);
    }
}

void Record(const char* name, uint32_t flags, bool played, uint32_t startTick) {
    Player& p = P();
    p.calls.push_back(headless::PlaySoundCall{name, flags, played, startTick, sys::time::TickCount()});
    if (p.calls.size() > kKeptCalls) {
        p.calls.pop_front();
    }
}

}  // namespace

bool PlaySound(const char* sound, const void* /*module*/, uint32_t flags) {
    if (sound == nullptr) {
        Stop();
        return true;
    }
    const uint32_t startTick = sys::time::TickCount();
    if (flags & SND_PURGE) {
        if (P().name == sound) {
            Stop();
        }
        Record(sound, flags, false, startTick);
        return true;
    }
    Stop();
    Wave wave;
    bool played = ReadWave(sound, wave) && Start(wave);
    if (!played) {
        Stop();
    } else {
        P().name = sound;
        if (!(flags & SND_ASYNC)) {
            WaitForEnd(wave);
            Stop();
        }
    }
    Record(sound, flags, played, startTick);
    return played;
}

namespace headless {

std::vector<PlaySoundCall> PlaySoundCalls() { return {P().calls.begin(), P().calls.end()}; }

bool PlaySoundPlaying() { return Playing(); }

void ResetPlaySound() {
    Stop();
    P().calls.clear();
}

}  // namespace headless

}  // namespace sys::audio
