// 3D sound: rolloff between the minimum and maximum distance, muting beyond the maximum,
// direction turned into pan, immediate and deferred settings, and the 3D wrappers' stored values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/SCatalog.h"
#include "core/SDataCollection.h"
#include "dx/sound/SDXSound3DBuffer.h"
#include "dx/sound/SDXSound3DListener.h"
#include "dx/sound/SSound.h"
#include "sys/audio/audio.h"
#include "sys/backend.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/time/time.h"
#include "tests/dx/sound/SoundTestSupport.h"

using namespace sys::audio;
using namespace tarvex::test;

namespace {

constexpr int16_t kLevel = 10000;

// A device whose primary buffer has a listener, and one constant-level mono 3D buffer.
class Sound3DSeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::SelectBackend(sys::Backend::Headless);
        headless::Reset();
        sys::time::SetFakeTicks(1000);
        ASSERT_EQ(DirectSoundCreate(nullptr, &device), DS_OK);
        ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
        DSBUFFERDESC desc;
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
        ASSERT_EQ(device->CreateSoundBuffer(&desc, &primary), DS_OK);
        WAVEFORMATEX format;
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.wBitsPerSample = 16;
        format.nSamplesPerSec = 22050;
        ASSERT_EQ(primary->SetFormat(&format), DS_OK);
        ASSERT_EQ(primary->QueryListener(&listener), DS_OK);
        buffer = MakeSource(DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME | DSBCAPS_STATIC);
        ASSERT_EQ(buffer->Query3DBuffer(&buffer3D), DS_OK);
        buffer->Play(0, 0, DSBPLAY_LOOPING);
    }

    void TearDown() override {
        buffer3D->Release();
        buffer->Release();
        listener->Release();
        primary->Release();
        device->Release();
        headless::Reset();
    }

    IDirectSoundBuffer* MakeSource(uint32_t flags) {
        WAVEFORMATEX mono;
        mono.wFormatTag = WAVE_FORMAT_PCM;
        mono.nChannels = 1;
        mono.wBitsPerSample = 16;
        mono.nSamplesPerSec = 22050;
        DSBUFFERDESC desc;
        desc.dwFlags = flags;
        desc.dwBufferBytes = 64;
        desc.lpwfxFormat = &mono;
        IDirectSoundBuffer* made = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(&desc, &made), DS_OK);
        void* p = nullptr;
        uint32_t n = 0;
        made->Lock(0, 64, &p, &n, nullptr, nullptr, 0);
        std::vector<int16_t> samples(32, kLevel);
        std::memcpy(p, samples.data(), n);
        made->Unlock(p, n, nullptr, 0);
        return made;
    }

    // The left and right levels heard now.
    static std::pair<int, int> Heard() {
        headless::TakeMixed();
        sys::time::AdvanceFake(1);
        const std::vector<int16_t> out = headless::TakeMixed();
        return {out.at(0), out.at(1)};
    }

    IDirectSound* device = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    IDirectSound3DListener* listener = nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    IDirectSound3DBuffer* buffer3D = nullptr;
};

TEST_F(Sound3DSeamTest, WithinTheMinimumDistanceTheSoundIsFull) {
    buffer3D->SetPosition(0.0f, 0.0f, 0.5f, DS3D_IMMEDIATE);
    EXPECT_EQ(Heard(), std::make_pair(10000, 10000));
}

TEST_F(Sound3DSeamTest, TwiceTheMinimumDistanceHalvesTheLevel) {
    buffer3D->SetPosition(0.0f, 0.0f, 2.0f, DS3D_IMMEDIATE);  // straight ahead
    const auto [left, right] = Heard();
    EXPECT_NEAR(left, 5000, 1);
    EXPECT_NEAR(right, 5000, 1);

    listener->SetRolloffFactor(2.0f, DS3D_IMMEDIATE);  // 1 / (1 + 2 * (2 - 1)) = 1/3
    EXPECT_NEAR(Heard().first, 3333, 1);
}

TEST_F(Sound3DSeamTest, BeyondTheMaximumTheLevelStopsFallingOrIsMuted) {
    buffer3D->SetMaxDistance(4.0f, DS3D_IMMEDIATE);
    buffer3D->SetPosition(0.0f, 0.0f, 10.0f, DS3D_IMMEDIATE);
    EXPECT_NEAR(Heard().first, 2500, 1);  // held at the level of 4 m

    IDirectSoundBuffer* muting = MakeSource(DSBCAPS_CTRL3D | DSBCAPS_MUTE3DATMAXDISTANCE);
    IDirectSound3DBuffer* muting3D = nullptr;
    ASSERT_EQ(muting->Query3DBuffer(&muting3D), DS_OK);
    muting3D->SetMaxDistance(4.0f, DS3D_IMMEDIATE);
    muting3D->SetPosition(0.0f, 0.0f, 10.0f, DS3D_IMMEDIATE);
    buffer->Stop();
    muting->Play(0, 0, DSBPLAY_LOOPING);
    EXPECT_EQ(Heard(), std::make_pair(0, 0));
    muting3D->SetPosition(0.0f, 0.0f, 3.0f, DS3D_IMMEDIATE);
    EXPECT_NEAR(Heard().first, 3333, 1);
    muting3D->Release();
    muting->Release();
}

TEST_F(Sound3DSeamTest, DirectionBecomesPan) {
    buffer3D->SetPosition(2.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);  // to the right: left side 20 dB down
    auto [left, right] = Heard();
    EXPECT_NEAR(left, 500, 1);
    EXPECT_NEAR(right, 5000, 1);

    buffer3D->SetPosition(-2.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    std::tie(left, right) = Heard();
    EXPECT_NEAR(left, 5000, 1);
    EXPECT_NEAR(right, 500, 1);

    // Facing +x, a sound at +x is ahead and one at -z is on the right.
    listener->SetOrientation(1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, DS3D_IMMEDIATE);
    buffer3D->SetPosition(2.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    std::tie(left, right) = Heard();
    EXPECT_NEAR(left, 5000, 1);
    EXPECT_NEAR(right, 5000, 1);
    buffer3D->SetPosition(0.0f, 0.0f, -2.0f, DS3D_IMMEDIATE);
    std::tie(left, right) = Heard();
    EXPECT_NEAR(left, 500, 1);
    EXPECT_NEAR(right, 5000, 1);
}

TEST_F(Sound3DSeamTest, DeferredSettingsWaitForTheCommit) {
    buffer3D->SetPosition(2.0f, 0.0f, 0.0f, DS3D_DEFERRED);
    listener->SetPosition(0.0f, 0.0f, -2.0f, DS3D_DEFERRED);
    D3DVECTOR asked;
    buffer3D->GetPosition(&asked);
    EXPECT_EQ(asked, (D3DVECTOR{2.0f, 0.0f, 0.0f}));
    EXPECT_EQ(Heard(), std::make_pair(10000, 10000));
    ASSERT_EQ(listener->CommitDeferredSettings(), DS_OK);
    // Now 2 m right and 2 m ahead: sqrt(8) m away, half of the way to the side.
    const auto [left, right] = Heard();
    const double gain = 1.0 / std::sqrt(8.0);
    const double side = std::pow(10.0, -(std::sqrt(0.5) * 2000.0) / 2000.0);
    EXPECT_NEAR(left, 10000 * gain * side, 1);
    EXPECT_NEAR(right, 10000 * gain, 1);
}

TEST_F(Sound3DSeamTest, HeadRelativeSoundsMoveWithTheListener) {
    listener->SetPosition(100.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    buffer3D->SetMode(DS3DMODE_HEADRELATIVE, DS3D_IMMEDIATE);
    buffer3D->SetPosition(0.0f, 0.0f, 2.0f, DS3D_IMMEDIATE);
    EXPECT_NEAR(Heard().first, 5000, 1);
    buffer3D->SetMode(DS3DMODE_DISABLE, DS3D_IMMEDIATE);
    EXPECT_EQ(Heard(), std::make_pair(10000, 10000));
}

TEST_F(Sound3DSeamTest, RefusedValuesLeaveTheSettings) {
    EXPECT_EQ(buffer3D->SetMinDistance(0.0f, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer3D->SetConeAngles(400, 10, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer3D->SetMode(7, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer3D->SetPosition(1, 2, 3, 5), DSERR_INVALIDPARAM);
    float distance = 0.0f;
    buffer3D->GetMinDistance(&distance);
    EXPECT_EQ(distance, 1.0f);
    buffer3D->GetMaxDistance(&distance);
    EXPECT_EQ(distance, 1.0e9f);
}

// --- The 3D wrappers ------------------------------------------------------------------------

class Sound3DWrapperTest : public SoundTest {};

TEST_F(Sound3DWrapperTest, ANewBufferAnswersItsStoredValuesWithoutADeviceBuffer) {
    SDXSound3DBuffer buffer;
    float distance = 0.0f;
    EXPECT_EQ(buffer.GetMinDistance(&distance), 0);
    EXPECT_EQ(distance, 1.0f);
    EXPECT_EQ(buffer.GetMaxDistance(&distance), 0);
    EXPECT_EQ(distance, 1.0e9f);
    EXPECT_EQ(buffer.SetMaxDistance(50.0f, DS3D_IMMEDIATE), 0);
    EXPECT_EQ(buffer.GetMaxDistance(&distance), 0);
    EXPECT_EQ(distance, 50.0f);
    uint32_t angle = 0;
    EXPECT_EQ(buffer.GetConeInsideAngle(&angle), 0);
    EXPECT_EQ(angle, 360u);
    buffer.SetPosition(1.0f, 2.0f, 3.0f, DS3D_DEFERRED);
    SVector position;
    EXPECT_EQ(buffer.GetPosition(position), 0);
    EXPECT_EQ(position, SVector(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(buffer.Get3DInterface(), 1);  // nothing to ask without a device buffer
}

TEST_F(Sound3DWrapperTest, AListenerWithoutA3DPrimaryHasNoInterface) {
    SDXSound plainDevice;
    ASSERT_EQ(plainDevice.Create(sys::audio::GUID{}, DSSCL_PRIORITY, false), 1);
    SDXSound3DListener listener(&plainDevice);
    EXPECT_FALSE(listener.Has3DInterface());
    EXPECT_EQ(listener.GetLast3DResult(), DSERR_NOINTERFACE);
    EXPECT_EQ(listener.SetPosition(1.0f, 2.0f, 3.0f, DS3D_IMMEDIATE), 0);
    EXPECT_EQ(listener.CommitDeferredSettings(), 0);
    float factor = 0.0f;
    EXPECT_EQ(listener.GetRolloffFactor(&factor), 0);
    SVector position;
    EXPECT_EQ(listener.GetPosition(position), 0);
    EXPECT_EQ(position, SVector(1.0f, 2.0f, 3.0f));

    SDXSound noDevice;
    SDXSound3DListener orphan(&noDevice);
    EXPECT_FALSE(orphan.Has3DInterface());
    EXPECT_EQ(orphan.Requery(), 1);
}

TEST_F(Sound3DWrapperTest, ManagerCommitMovesADeferredSound) {
    SCatalog catalog;
    SDataCollection names;
    SSoundSettings settings;
    settings.m_b3DEnabled = 1;
    settings.m_i3DResolution = 0;
    SSound sound;
    sound.Initialize(&catalog, &settings, &names);
    WaveSpec spec;
    spec.data = Samples16(std::vector<int16_t>(64, kLevel));
    const std::string path = Write("hum.wav", spec);
    SDXSoundBuffer* buffer = sound.GetGameSound(path.c_str(), true);
    ASSERT_NE(buffer, nullptr);
    auto* buffer3D = dynamic_cast<SDXSound3DBuffer*>(buffer);
    ASSERT_NE(buffer3D, nullptr);
    EXPECT_EQ(buffer->GetKind(), 3);
    buffer->Play(DSBPLAY_LOOPING);
    ASSERT_EQ(buffer3D->SetPosition(2.0f, 0.0f, 0.0f, DS3D_DEFERRED), 1);
    headless::TakeMixed();
    sys::time::AdvanceFake(1);
    std::vector<int16_t> out = headless::TakeMixed();
    EXPECT_EQ(out.at(0), kLevel);
    EXPECT_EQ(out.at(1), kLevel);
    sound.UpdateListener(true);
    sys::time::AdvanceFake(1);
    out = headless::TakeMixed();
    EXPECT_NEAR(out.at(0), 500, 1);
    EXPECT_NEAR(out.at(1), 5000, 1);
    EXPECT_NEAR(sound.GetListenerDistance(buffer3D), 2.0f, 1e-6f);
}

}  // namespace
