// Actor sounds: volume and pan by distance and direction, the clock and repeat pauses on the
// fake clock, playing, stopping and restarting with distance, and buffers the manager takes back.

#include <gtest/gtest.h>

#include <map>

#include "dx/sound/SActorSound.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/rand.h"
#include "tests/dx/sound/SoundTestSupport.h"

using namespace tarvex::test;

namespace {

// Actors as the sounds see them: opaque keys with a position each.
struct FakeActors : SActorSoundHost {
    std::map<SActor*, SVector> positions;
    void GetViewpoint(SActor* actor, SVector& position, SVector& angles) override {
        position = positions[actor];
        angles = SVector();
    }
    SVector GetVelocity(SActor*) override { return SVector(); }
    bool IsRelated(SActor* actor, SActor* other) override { return actor == other; }
};

SActor* Key(int n) { return reinterpret_cast<SActor*>(static_cast<uintptr_t>(0x1000 * n)); }

SDXSoundBuffer* g_buffer = nullptr;
SDXSoundBuffer* Fetch(const char*, uint8_t) { return g_buffer; }

class ActorSoundTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        previous = SActorSound::GetHost();
        SActorSound::SetHost(&actors);
        actors.positions[Key(1)] = SVector();
    }
    void TearDown() override {
        SActorSound::SetHost(previous);
        g_buffer = nullptr;
        SoundTest::TearDown();
    }
    FakeActors actors;
    SActorSoundHost* previous = nullptr;
};

TEST_F(ActorSoundTest, VolumeFallsWithDistanceAndPanFollowsTheSide) {
    SActorSound sound(nullptr, Key(2));
    const struct {
        float distance;
        int32_t volume;
    } volumes[] = {{0.5f, 0}, {1.0f, 0}, {50.5f, -5000}, {100.0f, -10000}, {100.1f, -10000}};
    for (const auto& row : volumes) {
        EXPECT_EQ(sound.ComputeVolume(row.distance), row.volume) << row.distance;
    }
    const struct {
        SVector at;
        int32_t volume, pan;
    } pans[] = {
        {SVector(10, 0, 0), 0, 4000},        {SVector(-10, 0, 0), 0, -4000}, {SVector(0, 0, 10), 0, 0},
        {SVector(10, 0, 0), -4000, 2000},    {SVector(10, 0, 0), -9000, 0},  // never flips side
        {SVector(-10, 0, 0), -9500, 0},
    };
    for (const auto& row : pans) {
        sound.m_vPosition = row.at;
        EXPECT_EQ(sound.ComputePan(SVector(), SVector(), row.volume), row.pan) << row.at.x << " " << row.volume;
    }
}

TEST_F(ActorSoundTest, TheClockKeepsFractionsAndRepeatsPauseWithinTheirSpan) {
    SActorSound sound(nullptr, Key(2));
    sound.m_fRepeatMin = 0.0f;
    sound.m_fRepeatMax = 0.0f;
    for (int frame = 0; frame < 60; ++frame) {
        sound.Update(Key(1), 1.0f / 60.0f);
    }
    EXPECT_EQ(sound.m_iClock, 1000);

    SActorSound repeating(nullptr, Key(2));
    repeating.m_fRepeatMin = 2.0f;
    repeating.m_fRepeatMax = 5.0f;
    sys::Srand(7);
    for (int i = 0; i < 50; ++i) {
        repeating.m_iClock = 100 * i;
        repeating.ScheduleNext();
        const int pause = repeating.m_iNextStart - repeating.m_iClock;
        EXPECT_GE(pause, 2000);
        EXPECT_LE(pause, 5000);
    }
    SActorSound fixed(nullptr, Key(2));
    fixed.m_fRepeatMin = 1.5f;
    fixed.m_fRepeatMax = 1.5f;
    fixed.m_iClock = 40;
    fixed.ScheduleNext();
    EXPECT_EQ(fixed.m_iNextStart, 1540);
}

TEST_F(ActorSoundTest, ALoopStopsBeyondItsRangeAndStartsAgainWithinIt) {
    SDXSound device;
    ASSERT_TRUE(device.CreateWithFormat(sys::audio::GUID{}, true, 22050, 16, true));
    WaveSpec spec;
    spec.data.assign(4410, 0);
    SDXSoundBuffer buffer(&device, Write("loop.wav", spec).c_str(), true, SDXSoundBuffer::kDefaultFlags);
    g_buffer = &buffer;
    SActorSound sound(nullptr, Key(2));
    sound.SetFetchFunction(Fetch);
    sound.m_fRepeatMin = sound.m_fRepeatMax = 0.0f;

    actors.positions[Key(2)] = SVector(50.5f, 0, 0);
    EXPECT_TRUE(sound.Update(Key(1), 0.016f));
    ASSERT_EQ(sound.GetBuffer(), &buffer);
    EXPECT_TRUE(sound.IsPlaying());
    int32_t volume = 0, pan = 0;
    buffer.GetVolume(&volume);
    buffer.GetPan(&pan);
    EXPECT_EQ(volume, -5000);
    EXPECT_EQ(pan, 1500);  // (0.5 + 1) x 3000 - 3000

    actors.positions[Key(2)] = SVector(150.0f, 0, 0);
    sound.Update(Key(1), 0.016f);
    EXPECT_EQ(sound.GetBuffer(), nullptr);
    EXPECT_FALSE(buffer.IsPlaying());
    EXPECT_EQ(sound.m_bFinished, 0);

    actors.positions[Key(2)] = SVector(0, 0, 1.0f);
    sound.Update(Key(1), 0.016f);
    EXPECT_TRUE(sound.IsPlaying());
    buffer.GetVolume(&volume);
    EXPECT_EQ(volume, 0);

    // The manager hands the buffer to someone else: this sound lets go of it.
    SActorSound::OnBufferReleased(&buffer);
    EXPECT_EQ(sound.GetBuffer(), nullptr);
    buffer.Stop();
}

TEST_F(ActorSoundTest, ASoundWithoutABufferOrListenerEndsOrWaits) {
    SActorSound once(nullptr, Key(2));
    EXPECT_FALSE(once.Update(nullptr, 0.1f));
    EXPECT_TRUE(once.Update(Key(1), 0.1f));
    EXPECT_EQ(once.m_bFinished, 1);  // no fetch function: nothing to play

    SActorSoundList list;
    SActorSound held(nullptr, Key(2));
    SDXSoundBuffer stand;
    held.m_pBuffer = &stand;
    list.AddTail(&held);
    list.ForgetBuffers();
    EXPECT_EQ(held.GetBuffer(), nullptr);
    list.RemoveAll();
}

}  // namespace
