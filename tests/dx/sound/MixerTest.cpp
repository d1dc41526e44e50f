// The software mixer behind the sound seam, heard through the headless backend: levels, pan,
// resampling, looping, clipping, cursors, and the checks every buffer call makes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "sys/audio/audio.h"
#include "sys/backend.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/time/time.h"

using namespace sys::audio;

namespace {

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::SelectBackend(sys::Backend::Headless);
        headless::Reset();
        sys::time::SetFakeTicks(5000);
        ASSERT_EQ(DirectSoundCreate(nullptr, &device), DS_OK);
        ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
        DSBUFFERDESC desc;
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
        ASSERT_EQ(device->CreateSoundBuffer(&desc, &primary), DS_OK);
        WAVEFORMATEX format = Format(2, 16, 22050);
        ASSERT_EQ(primary->SetFormat(&format), DS_OK);
    }

    void TearDown() override {
        for (IDirectSoundBuffer* buffer : buffers) {
            buffer->Release();
        }
        if (primary != nullptr) {
            primary->Release();
        }
        if (device != nullptr) {
            device->Release();
        }
        headless::Reset();
    }

    static WAVEFORMATEX Format(uint16_t channels, uint16_t bits, uint32_t rate) {
        WAVEFORMATEX format;
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = channels;
        format.wBitsPerSample = bits;
        format.nSamplesPerSec = rate;
        format.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
        format.nAvgBytesPerSec = format.nBlockAlign * rate;
        return format;
    }

    IDirectSoundBuffer* Make(const void* bytes, uint32_t size, uint32_t flags, WAVEFORMATEX format) {
        DSBUFFERDESC desc;
        desc.dwFlags = flags;
        desc.dwBufferBytes = size;
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(&desc, &buffer), DS_OK);
        if (buffer == nullptr) {
            return nullptr;
        }
        void* part = nullptr;
        uint32_t partBytes = 0;
        EXPECT_EQ(buffer->Lock(0, size, &part, &partBytes, nullptr, nullptr, 0), DS_OK);
        std::memcpy(part, bytes, partBytes);
        EXPECT_EQ(buffer->Unlock(part, partBytes, nullptr, 0), DS_OK);
        buffers.push_back(buffer);
        return buffer;
    }

    IDirectSoundBuffer* Mono16(const std::vector<int16_t>& samples, uint32_t flags = 0xE2) {
        return Make(samples.data(), static_cast<uint32_t>(samples.size() * 2), flags, Format(1, 16, 22050));
    }

    // Mixes `ms` of fake time after dropping what was mixed before; left, right, left, ...
    static std::vector<int16_t> Listen(uint32_t ms) {
        headless::TakeMixed();
        sys::time::AdvanceFake(ms);
        return headless::TakeMixed();
    }

    IDirectSound* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

const std::vector<int16_t> kTone = {1000, -2000, 3000, 500};

TEST_F(MixerTest, ToneAtFullVolumeReachesBothSidesUnchanged) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    headless::TakeMixed();
    ASSERT_EQ(tone->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const std::vector<int16_t> out = Listen(100);
    ASSERT_EQ(out.size(), 2205u * 2);  // 100 ms at 22050 Hz, stereo
    for (size_t frame = 0; frame < 2205; ++frame) {
        ASSERT_EQ(out[2 * frame], kTone[frame % 4]) << frame;
        ASSERT_EQ(out[2 * frame + 1], kTone[frame % 4]) << frame;
    }
}

TEST_F(MixerTest, VolumeScalesByHundredthsOfADecibel) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    ASSERT_EQ(tone->SetVolume(-600), DS_OK);  // -6 dB: amplitude 10^(-0.3) = 0.5012
    tone->Play(0, 0, DSBPLAY_LOOPING);
    const std::vector<int16_t> out = Listen(10);
    const int expected[4] = {501, -1002, 1504, 251};
    for (size_t frame = 0; frame < 8; ++frame) {
        EXPECT_NEAR(out[2 * frame], expected[frame % 4], 1);
        EXPECT_NEAR(out[2 * frame + 1], expected[frame % 4], 1);
    }
    tone->SetVolume(DSBVOLUME_MIN);
    const std::vector<int16_t> silent = Listen(10);
    for (int16_t s : silent) {
        ASSERT_EQ(s, 0);
    }
}

TEST_F(MixerTest, PanLowersTheOtherSide) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    ASSERT_EQ(tone->SetPan(DSBPAN_RIGHT), DS_OK);
    std::vector<int16_t> out = Listen(10);
    for (size_t frame = 0; frame < 8; ++frame) {
        EXPECT_EQ(out[2 * frame], 0);
        EXPECT_EQ(out[2 * frame + 1], kTone[frame % 4]);
    }
    ASSERT_EQ(tone->SetPan(-2000), DS_OK);  // right side 20 dB down: a tenth
    out = Listen(10);
    const int right[4] = {100, -200, 300, 50};
    for (size_t frame = 0; frame < 8; ++frame) {
        EXPECT_EQ(out[2 * frame], kTone[frame % 4]);
        EXPECT_NEAR(out[2 * frame + 1], right[frame % 4], 1);
    }
}

TEST_F(MixerTest, OneShotStopsAtItsEndWithTheCursorBackAtTheStart) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    tone->Play(0, 0, 0);
    const std::vector<int16_t> out = Listen(10);
    for (size_t frame = 0; frame < 4; ++frame) {
        EXPECT_EQ(out[2 * frame], kTone[frame]);
    }
    for (size_t i = 8; i < out.size(); ++i) {
        ASSERT_EQ(out[i], 0);
    }
    uint32_t status = 0xFF;
    uint32_t play = 99;
    EXPECT_EQ(tone->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(tone->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u);
}

TEST_F(MixerTest, HalfTheFrequencyInterpolatesBetweenSamples) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    ASSERT_EQ(tone->SetFrequency(11025), DS_OK);
    uint32_t frequency = 0;
    EXPECT_EQ(tone->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 11025u);
    tone->Play(0, 0, 0);
    const std::vector<int16_t> out = Listen(10);
    const int expected[9] = {1000, -500, -2000, 500, 3000, 1750, 500, 500, 0};
    for (size_t frame = 0; frame < 9; ++frame) {
        EXPECT_EQ(out[2 * frame], expected[frame]) << frame;
    }
    ASSERT_EQ(tone->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(tone->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 22050u);
}

TEST_F(MixerTest, SumsAreClippedToSixteenBits) {
    IDirectSoundBuffer* a = Mono16({30000, -30000});
    IDirectSoundBuffer* b = Mono16({30000, -30000});
    a->Play(0, 0, DSBPLAY_LOOPING);
    b->Play(0, 0, DSBPLAY_LOOPING);
    const std::vector<int16_t> out = Listen(1);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[2], -32768);
}

TEST_F(MixerTest, EightBitAndStereoSourcesAreConverted) {
    const uint8_t eight[4] = {0xFF, 0x00, 0x80, 0x81};
    IDirectSoundBuffer* a = Make(eight, 4, 0xE2, Format(1, 8, 22050));
    a->Play(0, 0, 0);
    std::vector<int16_t> out = Listen(1);
    EXPECT_EQ(out[0], 32512);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[6], 256);

    const int16_t stereo[4] = {1000, -1000, 2000, -2000};
    IDirectSoundBuffer* b = Make(stereo, 8, 0xE2, Format(2, 16, 22050));
    b->Play(0, 0, 0);
    out = Listen(1);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[1], -1000);
    EXPECT_EQ(out[2], 2000);
    EXPECT_EQ(out[3], -2000);
}

TEST_F(MixerTest, CursorsFollowTheFakeClock) {
    std::vector<int16_t> samples(1000, 100);
    IDirectSoundBuffer* tone = Mono16(samples);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    sys::time::AdvanceFake(10);  // 220 whole frames of 220.5
    uint32_t play = 0;
    uint32_t write = 0;
    ASSERT_EQ(tone->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 440u);
    EXPECT_EQ(write, 440u + 330u * 2);  // 15 ms ahead
    tone->Stop();
    ASSERT_EQ(tone->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(write, play);
    ASSERT_EQ(tone->SetCurrentPosition(1999), DS_OK);  // rounded down to a whole frame
    ASSERT_EQ(tone->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 1998u);
    EXPECT_EQ(tone->SetCurrentPosition(2000), DSERR_INVALIDPARAM);
}

TEST_F(MixerTest, AnHourAheadMovesTheCursorExactlyAndKeepsThirtySeconds) {
    std::vector<int16_t> samples(997, 7);
    IDirectSoundBuffer* tone = Mono16(samples);
    headless::TakeMixed();
    tone->Play(0, 0, DSBPLAY_LOOPING);
    sys::time::AdvanceFake(3600 * 1000);
    uint32_t play = 0;
    tone->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, (79380000u % 997u) * 2);
    const std::vector<int16_t> out = headless::TakeMixed();
    EXPECT_EQ(out.size(), 30u * 22050u * 2u);
    EXPECT_EQ(out.back(), 7);
}

TEST_F(MixerTest, DuplicatesShareTheMemoryThatOutlivesTheOriginal) {
    IDirectSoundBuffer* original = Mono16(kTone);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(original, &copy), DS_OK);
    buffers.erase(buffers.begin());
    original->Release();
    buffers.push_back(copy);
    copy->Play(0, 0, 0);
    const std::vector<int16_t> out = Listen(1);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[6], 500);
    IDirectSoundBuffer* none = nullptr;
    EXPECT_EQ(device->DuplicateSoundBuffer(primary, &none), DSERR_INVALIDCALL);
}

TEST_F(MixerTest, ControlFlagsAndRangesAreEnforced) {
    IDirectSoundBuffer* plain = Mono16(kTone, DSBCAPS_STATIC);
    int32_t value = 0;
    EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->GetPan(&value), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
    IDirectSound3DBuffer* no3D = nullptr;
    EXPECT_EQ(plain->Query3DBuffer(&no3D), DSERR_NOINTERFACE);

    IDirectSoundBuffer* full = Mono16(kTone, 0xE2);
    EXPECT_EQ(full->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetFrequency(100001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetFormat(nullptr), DSERR_INVALIDPARAM);

    DSBUFFERDESC desc;
    WAVEFORMATEX stereo = Format(2, 16, 22050);
    desc.lpwfxFormat = &stereo;
    desc.dwBufferBytes = 64;
    desc.dwFlags = DSBCAPS_CTRL3D;
    IDirectSoundBuffer* refused = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &refused), DSERR_INVALIDPARAM);  // 3D must be mono
    WAVEFORMATEX mono = Format(1, 16, 22050);
    desc.lpwfxFormat = &mono;
    desc.dwFlags = DSBCAPS_CTRL3D | DSBCAPS_CTRLPAN;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &refused), DSERR_INVALIDPARAM);
    desc.dwFlags = DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &refused), DSERR_INVALIDPARAM);
    desc.dwFlags = 0;
    desc.dwBufferBytes = 2;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &refused), DSERR_INVALIDPARAM);
    WAVEFORMATEX odd = Format(1, 12, 22050);
    desc.lpwfxFormat = &odd;
    desc.dwBufferBytes = 64;
    EXPECT_EQ(device->CreateSoundBuffer(&desc, &refused), DSERR_BADFORMAT);
    EXPECT_EQ(refused, nullptr);
}

TEST_F(MixerTest, LockChecksItsRegionAndUnlockItsPointers) {
    IDirectSoundBuffer* tone = Mono16(std::vector<int16_t>(8, 0));
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    ASSERT_EQ(tone->Lock(12, 8, &p1, &n1, &p2, &n2, 0), DS_OK);  // wraps after 4 bytes
    EXPECT_EQ(n1, 4u);
    EXPECT_EQ(n2, 4u);
    EXPECT_NE(p2, nullptr);
    int dummy = 0;
    EXPECT_EQ(tone->Unlock(&dummy, 4, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(tone->Unlock(p1, n1, p2, n2), DS_OK);
    EXPECT_EQ(tone->Lock(16, 4, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(tone->Lock(0, 17, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(tone->Lock(0, 0, &p1, &n1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 16u);
}

TEST_F(MixerTest, LostBuffersRefuseUntilRestored) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    headless::LoseAllBuffers();
    uint32_t status = 0;
    tone->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    EXPECT_EQ(tone->Play(0, 0, 0), DSERR_BUFFERLOST);
    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(tone->Lock(0, 8, &p, &n, nullptr, nullptr, 0), DSERR_BUFFERLOST);
    headless::SetRestoreRefused(true);
    EXPECT_EQ(tone->Restore(), DSERR_BUFFERLOST);
    headless::SetRestoreRefused(false);
    EXPECT_EQ(tone->Restore(), DS_OK);
    // The memory came back empty: whoever restores refills it.
    tone->Play(0, 0, 0);
    const std::vector<int16_t> out = Listen(1);
    EXPECT_EQ(out[0], 0);
}

TEST_F(MixerTest, CooperativeLevelComesFirstAndThePrimaryFormatNeedsPriority) {
    IDirectSound* other = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &other), DS_OK);
    DSBUFFERDESC desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* otherPrimary = nullptr;
    EXPECT_EQ(other->CreateSoundBuffer(&desc, &otherPrimary), DSERR_PRIOLEVELNEEDED);
    ASSERT_EQ(other->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
    ASSERT_EQ(other->CreateSoundBuffer(&desc, &otherPrimary), DS_OK);
    WAVEFORMATEX format = Format(2, 16, 44100);
    EXPECT_EQ(otherPrimary->SetFormat(&format), DSERR_PRIOLEVELNEEDED);
    WAVEFORMATEX actual;
    ASSERT_EQ(otherPrimary->GetFormat(&actual, sizeof actual, nullptr), DS_OK);
    EXPECT_EQ(actual.nSamplesPerSec, 22050u);  // the default primary format: 22050 Hz, 8 bits, stereo
    EXPECT_EQ(actual.wBitsPerSample, 8);
    EXPECT_EQ(actual.nChannels, 2);
    otherPrimary->Release();
    other->Release();
}

TEST_F(MixerTest, DriversCanBeAddedOrTakenAway) {
    struct Seen {
        int count = 0;
        bool firstHasGuid = true;
        std::string secondModule;
    } seen;
    auto collect = [](const GUID* guid, const char*, const char* module, void* context) {
        auto* s = static_cast<Seen*>(context);
        if (s->count == 0) {
            s->firstHasGuid = guid != nullptr;
        } else {
            s->secondModule = module;
        }
        s->count++;
        return true;
    };
    ASSERT_EQ(DirectSoundEnumerate(collect, &seen), DS_OK);
    EXPECT_EQ(seen.count, 1);
    EXPECT_FALSE(seen.firstHasGuid);

    headless::SetSecondDriver(true);
    seen = Seen{};
    DirectSoundEnumerate(collect, &seen);
    EXPECT_EQ(seen.count, 2);
    EXPECT_EQ(seen.secondModule, "tvsound.drv");

    headless::SetNoDriver(true);
    seen = Seen{};
    DirectSoundEnumerate(collect, &seen);
    EXPECT_EQ(seen.count, 0);
    IDirectSound* none = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &none), DSERR_NODRIVER);
    EXPECT_EQ(none, nullptr);
}

TEST_F(MixerTest, CapabilitiesReportHardware3DBuffersByDefault) {
    DSCAPS caps;
    ASSERT_EQ(device->GetCaps(&caps), DS_OK);
    EXPECT_GT(caps.dwMaxHw3DAllBuffers, 0u);
    EXPECT_GT(caps.dwMaxHw3DStaticBuffers, 0u);
    EXPECT_EQ(caps.dwMinSecondarySampleRate, 100u);
    EXPECT_EQ(caps.dwMaxSecondarySampleRate, 100000u);
}

TEST_F(MixerTest, ABufferOutlivingItsDeviceFallsSilentSafely) {
    IDirectSoundBuffer* tone = Mono16(kTone);
    tone->Play(0, 0, DSBPLAY_LOOPING);
    primary->Release();
    primary = nullptr;
    device->Release();
    device = nullptr;
    sys::time::AdvanceFake(10);
    uint32_t status = 0;
    EXPECT_EQ(tone->GetStatus(&status), DS_OK);
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    EXPECT_EQ(tone->SetVolume(-100), DS_OK);
}

}  // namespace

namespace {

// On the SDL backend a sound plays out in real time, whether an audio device pulls the mix or,
// without one, the clock drives it silently.
TEST(SdlMixerTest, AOneShotFinishesInRealTime) {
    sys::SelectBackend(sys::Backend::Sdl);
    headless::Reset();
    IDirectSound* device = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &device), DS_OK);
    ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC primaryDesc;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&primaryDesc, &primary), DS_OK);
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.wBitsPerSample = 16;
    format.nSamplesPerSec = 22050;
    DSBUFFERDESC desc;
    desc.dwFlags = 0xE2;
    desc.dwBufferBytes = 882;  // 20 ms
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&desc, &buffer), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    uint32_t status = DSBSTATUS_PLAYING;
    for (int i = 0; i < 300 && (status & DSBSTATUS_PLAYING) != 0; ++i) {
        sys::time::Sleep(10);
        buffer->GetStatus(&status);
    }
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    buffer->Release();
    primary->Release();
    device->Release();
    sys::SelectBackend(sys::Backend::Headless);
}

}  // namespace
