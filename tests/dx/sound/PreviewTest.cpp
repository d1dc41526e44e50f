// A wave's preview plays through the one-call player without waiting, and making the sound
// device stops whatever that player still plays.

#include <gtest/gtest.h>

#include <vector>

#include "dx/sound/SDXSound.h"
#include "dx/sound/SWave.h"
#include "sys/audio/headless/headless_playsound.h"
#include "tests/dx/sound/SoundTestSupport.h"

namespace {

using namespace tarvex::test;
namespace player = sys::audio::headless;

class PreviewTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        player::ResetPlaySound();
    }
    void TearDown() override {
        player::ResetPlaySound();
        SoundTest::TearDown();
    }
};

TEST_F(PreviewTest, APreviewPlaysWithoutWaitingAndTheNewDevicePurgesIt) {
    WaveSpec spec;
    spec.data = Samples16(std::vector<int16_t>(22050, 4000));  // one second
    SWave wave(Write("preview.wav", spec).c_str(), false);
    ASSERT_TRUE(wave.PlayPreview());
    EXPECT_EQ(sys::time::TickCount(), 1000u);
    EXPECT_TRUE(player::PlaySoundPlaying());
    const auto calls = player::PlaySoundCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].flags, 0x00022001u);

    SDXSound device;
    ASSERT_EQ(device.Create(sys::audio::GUID{}, sys::audio::DSSCL_PRIORITY, false), 1);
    EXPECT_FALSE(player::PlaySoundPlaying());

    SWave missing((folder + "/missing.wav").c_str(), false);
    EXPECT_FALSE(missing.PlayPreview());
}

}  // namespace
