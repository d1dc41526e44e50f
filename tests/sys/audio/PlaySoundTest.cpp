#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "sys/audio/headless/headless_audio.h"
#include "sys/audio/headless/headless_playsound.h"
#include "sys/audio/mmio.h"
#include "sys/audio/playsound.h"
#include "sys/signals.h"
#include "sys/time/time.h"
#include "tests/dx/sound/WaveWriter.h"
#include "tests/support/ScratchFolder.h"

// The one-call player: waiting and not waiting, stopping, and the files and devices it cannot
// play, on the fake clock.
namespace {

using namespace sys::audio;
using sys::mmio::kMaxSoundDataBytes;
using tarvex::test::MakeWave;
using tarvex::test::WaveSpec;

constexpr uint32_t kSplashFlags = SND_FILENAME | SND_NODEFAULT | SND_NOWAIT;
constexpr uint32_t kPreviewFlags = SND_FILENAME | SND_NOWAIT | SND_ASYNC;

class PlaySoundTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        headless::ResetPlaySound();
        sys::time::SetFakeTicks(1000);
        folder = tarvex::test::MakeScratchFolder("PlaySound");
        // 250 ms of a loud square wave at 22,050 a second, mono 16-bit.
        WaveSpec spec;
        std::vector<int16_t> samples(5512);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = (i / 25) % 2 == 0 ? 8000 : -8000;
        spec.data = tarvex::test::Samples16(samples);
        tarvex::test::WriteBytes(Path("tone.wav"), MakeWave(spec));
        spec.bits = 24;
        tarvex::test::WriteBytes(Path("deep.wav"), MakeWave(spec));
        std::ofstream(Path("text.wav")) << "not a wave at all";
        // Longer than any sound the game plays; named once a run, so each run has its own.
        static int runs = 0;
        longWave = "long" + std::to_string(++runs) + ".wav";
        tarvex::test::WriteGrownWave(Path(longWave.c_str()), MakeWave(WaveSpec{}), 0, kMaxSoundDataBytes + 2);
    }
    void TearDown() override {
        headless::ResetPlaySound();
        headless::Reset();
    }
    std::string Path(const char* name) const { return folder + "/" + name; }

    std::string folder;
    std::string longWave;
};

TEST_F(PlaySoundTest, WithoutAsyncTheCallReturnsWhenTheSoundHasFinished) {
    headless::TakeMixed();
    ASSERT_TRUE(PlaySound(Path("tone.wav").c_str(), nullptr, kSplashFlags));
    const uint32_t waited = sys::time::TickCount() - 1000;
    EXPECT_GE(waited, 250u);
    EXPECT_LE(waited, 270u);
    EXPECT_FALSE(headless::PlaySoundPlaying());
    const std::vector<int16_t> mixed = headless::TakeMixed();
    EXPECT_TRUE(std::any_of(mixed.begin(), mixed.end(), [](int16_t s) { return std::abs(s) > 1000; }));
    const auto calls = headless::PlaySoundCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].flags, 0x00022002u);
    EXPECT_TRUE(calls[0].played);
    EXPECT_EQ(calls[0].startTick, 1000u);
    EXPECT_EQ(calls[0].endTick, sys::time::TickCount());

    // A termination request ends the wait: the splash sound does not hold a closing game.
    sys::signals::RequestClose();
    const uint32_t before = sys::time::TickCount();
    EXPECT_TRUE(PlaySound(Path("tone.wav").c_str(), nullptr, kSplashFlags));
    EXPECT_LT(sys::time::TickCount() - before, 250u);
    EXPECT_TRUE(sys::signals::TakeCloseRequest());
}

TEST_F(PlaySoundTest, AsyncReturnsAtOnceAndPurgeOrANullSoundStopsIt) {
    ASSERT_TRUE(PlaySound(Path("tone.wav").c_str(), nullptr, kPreviewFlags));
    EXPECT_EQ(sys::time::TickCount(), 1000u);
    EXPECT_TRUE(headless::PlaySoundPlaying());
    sys::time::AdvanceFake(300);
    EXPECT_FALSE(headless::PlaySoundPlaying());

    // Purging another file leaves the sound alone; purging it, or no sound, stops it.
    ASSERT_TRUE(PlaySound(Path("tone.wav").c_str(), nullptr, kPreviewFlags));
    EXPECT_TRUE(PlaySound(Path("other.wav").c_str(), nullptr, SND_PURGE));
    EXPECT_TRUE(headless::PlaySoundPlaying());
    EXPECT_TRUE(PlaySound(Path("tone.wav").c_str(), nullptr, SND_PURGE));
    EXPECT_FALSE(headless::PlaySoundPlaying());
    ASSERT_TRUE(PlaySound(Path("tone.wav").c_str(), nullptr, kPreviewFlags));
    EXPECT_TRUE(PlaySound(nullptr, nullptr, SND_PURGE));
    EXPECT_FALSE(headless::PlaySoundPlaying());
    EXPECT_TRUE(PlaySound(nullptr, nullptr, 0));
}

TEST_F(PlaySoundTest, WhatCannotBePlayedAnswersFalseAtOnce) {
    struct Case {
        const char* file;
        uint32_t flags;
        bool noDriver;
    };
    const Case cases[] = {
        {"missing.wav", kSplashFlags, false},
        {"missing.wav", SND_FILENAME, false},  // no default sound to fall back on
        {"missing.wav", kPreviewFlags, false},
        {"text.wav", kSplashFlags, false},
        {"deep.wav", kSplashFlags, false},  // 24-bit samples
        {longWave.c_str(), kSplashFlags, false},
        {"tone.wav", kSplashFlags, true},
    };
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        headless::SetNoDriver(c.noDriver);
        const uint32_t before = sys::time::TickCount();
        EXPECT_FALSE(PlaySound(Path(c.file).c_str(), nullptr, c.flags)) << c.file;
        EXPECT_EQ(sys::time::TickCount(), before) << c.file;
        EXPECT_FALSE(headless::PlaySoundPlaying()) << c.file;
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(Path(longWave.c_str()) + " is not played: its 134,217,730 bytes of sound are more than"),
              std::string::npos) << said;
    headless::SetNoDriver(false);
    const auto calls = headless::PlaySoundCalls();
    ASSERT_EQ(calls.size(), std::size(cases));
    EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const auto& call) { return call.played; }));
}

}  // namespace
