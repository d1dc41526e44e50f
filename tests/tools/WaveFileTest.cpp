// The wave writer and the interface tones of the Home generator.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "dx/sound/SWave.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeMusic.h"
#include "tools/makehome/HomeWave.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(WaveFileTest, HeaderDescribesMonoSixteenBitPcm) {
    const std::vector<int16_t> samples = {0, 1000, -1000, 0};
    const std::vector<uint8_t> bytes = MakeWaveFile(samples);
    ASSERT_EQ(bytes.size(), 44u + 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(U32(bytes, 4), 36u + 8u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(bytes, 16), 16u);
    EXPECT_EQ(U32(bytes, 20), 1u | 1u << 16);  // PCM, one channel
    EXPECT_EQ(U32(bytes, 24), 22050u);
    EXPECT_EQ(U32(bytes, 28), 44100u);
    EXPECT_EQ(U32(bytes, 32), 2u | 16u << 16);  // block align 2, 16 bits
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(U32(bytes, 40), 8u);
    // 1000 = 0x03E8 and -1000 = 0xFC18, low byte first.
    EXPECT_EQ(bytes[46], 0xE8);
    EXPECT_EQ(bytes[47], 0x03);
    EXPECT_EQ(bytes[48], 0x18);
    EXPECT_EQ(bytes[49], 0xFC);
}

TEST(WaveFileTest, ToneIsSoftAndStartsAndEndsSilent) {
    const HomeTone tone{40, 1000.0, 1000.0, 0.15, 0.0, 4.0};
    const std::vector<int16_t> samples = SynthesiseTone(tone);
    ASSERT_EQ(samples.size(), 882u);  // 40 ms at 22,050 a second
    EXPECT_EQ(samples.front(), 0);
    EXPECT_EQ(samples.back(), 0);
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LE(peak, static_cast<int>(0.15 * 32767) + 1);
    EXPECT_GT(peak, 1000);
}

TEST(WaveFileTest, TheEngineReadsTheFile) {
    const std::string folder = tarvex::test::MakeScratchFolder("Tools");
    const std::vector<uint8_t> bytes = MakeWaveFile(SynthesiseTone(HomeTone{}));
    const std::string path = folder + "/tone.wav";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    SWave wave(path.c_str(), true);
    sys::audio::WAVEFORMATEX* format = nullptr;
    wave.GetFormat(&format);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->nChannels, 1);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(format->wBitsPerSample, 16);
    EXPECT_EQ(wave.GetDataSize(), bytes.size() - 44);
}

}  // namespace

namespace {

// The longer demo sounds: how long each may be, all soft, and each starting and ending at
// silence (the loop's end joins its start without a click).
TEST(WaveFileTest, LongerSoundsKeepTheirLengthsAndEndSilent) {
    struct Case {
        const char* name;
        std::vector<int16_t> samples;
        double minSeconds;
        double maxSeconds;
    };
    const Case cases[] = {
        {"splash chime", home_music::SplashChime(), 0.5, 1.0},
        {"menu loop", home_music::MenuLoop(), 8.0, 8.0},
        {"voice-over 0", home_music::VoiceOver(0), 0.5, 1.5},
        {"voice-over 2", home_music::VoiceOver(2), 0.5, 1.5},
    };
    for (const Case& c : cases) {
        const double seconds = static_cast<double>(c.samples.size()) / 22050.0;
        EXPECT_GE(seconds, c.minSeconds) << c.name;
        EXPECT_LE(seconds, c.maxSeconds) << c.name;
        int peak = 0;
        for (int16_t s : c.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 1000) << c.name;
        EXPECT_LE(peak, static_cast<int>(0.3 * 32767) + 1) << c.name;
        EXPECT_LE(std::abs(static_cast<int>(c.samples.front())), 300) << c.name;
        EXPECT_LE(std::abs(static_cast<int>(c.samples.back())), 300) << c.name;
    }
}

}  // namespace
