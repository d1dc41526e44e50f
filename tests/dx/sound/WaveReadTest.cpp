// Reading WAVE files and resources into SWave: chunk forms, odd sizes, damaged files, and data
// read again after the wave handed its copy away.

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "dx/sound/SWave.h"
#include "sys/audio/mmio.h"
#include "tests/dx/sound/SoundTestSupport.h"

using namespace tarvex::test;
using sys::audio::WAVEFORMATEX;

namespace {

class WaveReadTest : public SoundTest {};

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST_F(WaveReadTest, SixteenByteFormatChunkStillGivesEighteenBytes) {
    WaveSpec spec = RampWave(10);
    spec.formatChunkSize = 16;
    SWave wave;
    ASSERT_EQ(wave.OpenFromFile(Write("a.wav", spec).c_str(), true), 1);
    WAVEFORMATEX* format = nullptr;
    wave.GetFormat(&format);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->wFormatTag, 1);
    EXPECT_EQ(format->nChannels, 1);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(format->nAvgBytesPerSec, 44100u);
    EXPECT_EQ(format->nBlockAlign, 2);
    EXPECT_EQ(format->wBitsPerSample, 16);
    // The two bytes after the 16-byte chunk are the "da" of the data chunk's id.
    EXPECT_EQ(format->cbSize, 'd' | ('a' << 8));
    EXPECT_EQ(wave.GetDataSize(), 20u);
}

TEST_F(WaveReadTest, EighteenByteFormatChunkReadsItsOwnExtraSize) {
    WaveSpec spec = RampWave(4);
    spec.formatChunkSize = 18;
    SWave wave;
    ASSERT_EQ(wave.OpenFromFile(Write("a.wav", spec).c_str(), false), 1);
    WAVEFORMATEX* format = nullptr;
    wave.GetFormat(&format);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->cbSize, 0);
    EXPECT_EQ(wave.GetDataSize(), 8u);
    EXPECT_FALSE(wave.HasData());
}

TEST_F(WaveReadTest, OddSizedChunksAreSkippedWithTheirPadByte) {
    WaveSpec spec;
    spec.chunksBeforeFormat.push_back({"junk", Bytes({1, 2, 3})});
    spec.chunksBeforeData.push_back({"LIST", Bytes({'I', 'N', 'F', 'O', 9, 9, 9})});
    spec.data = Bytes({1, 2, 3, 4, 5});  // odd data size, padded in the file
    SWave wave;
    ASSERT_EQ(wave.OpenFromFile(Write("odd.wav", spec).c_str(), true), 1);
    EXPECT_EQ(wave.GetDataSize(), 5u);
    uint8_t out[5] = {};
    EXPECT_EQ(wave.GetData(out, 5), 5u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 5), Bytes({1, 2, 3, 4, 5}));
}

TEST_F(WaveReadTest, FileNamesResolveWithBackslashesAndAnyCase) {
    std::filesystem::create_directories(folder + "/Sounds");
    WriteWave(folder + "/Sounds/Shot.WAV", RampWave(2));
    SWave wave;
    EXPECT_EQ(wave.OpenFromFile((folder + "\\sounds\\shot.wav").c_str(), false), 1);
}

TEST_F(WaveReadTest, MissingDataChunkFailsAndLeavesTheWaveEmpty) {
    WaveSpec spec = RampWave(4);
    spec.withData = false;
    SWave wave;
    EXPECT_EQ(wave.OpenFromFile(Write("nodata.wav", spec).c_str(), true), 0);
    WAVEFORMATEX* format = reinterpret_cast<WAVEFORMATEX*>(1);
    wave.GetFormat(&format);
    EXPECT_EQ(format, nullptr);
    EXPECT_EQ(wave.GetDataSize(), 0u);
    EXPECT_FALSE(wave.HasData());
}

TEST_F(WaveReadTest, MissingFormatChunkOrFormFails) {
    WaveSpec noFormat = RampWave(4);
    noFormat.withFormat = false;
    SWave wave;
    EXPECT_EQ(wave.OpenFromFile(Write("nofmt.wav", noFormat).c_str(), false), 0);

    std::vector<uint8_t> notWave = MakeWave(RampWave(4));
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    WriteBytes(folder + "/avi.wav", notWave);
    EXPECT_EQ(wave.OpenFromFile((folder + "/avi.wav").c_str(), false), 0);

    EXPECT_EQ(wave.OpenFromFile((folder + "/absent.wav").c_str(), false), 0);
    EXPECT_EQ(wave.OpenFromFile(folder.c_str(), false), 0);
}

TEST_F(WaveReadTest, DataChunkClaimingMoreThanTheFileHoldsIsRefused) {
    std::vector<uint8_t> bytes = MakeWave(RampWave(8));
    // The data size field is the last four bytes before the 16 data bytes.
    const size_t sizeField = bytes.size() - 16 - 4;
    bytes[sizeField + 0] = 0xFF;
    bytes[sizeField + 1] = 0xFF;
    bytes[sizeField + 2] = 0xFF;
    bytes[sizeField + 3] = 0x7F;
    WriteBytes(folder + "/huge.wav", bytes);
    SWave wave;
    EXPECT_EQ(wave.OpenFromFile((folder + "/huge.wav").c_str(), false), 0);
    EXPECT_EQ(wave.GetDataSize(), 0u);
}

// Files of any size cost what their header says a real sound needs, or are refused at once.
TEST_F(WaveReadTest, FilesPastTheBoundsOfASoundAreRefusedQuickly) {
    const uint32_t bound = sys::mmio::kMaxSoundDataBytes;
    WaveSpec cd = RampWave(0, 44100);
    cd.channels = 2;
    std::vector<uint8_t> noData = MakeWave(RampWave(4));
    noData.resize(noData.size() - 8 - 8);  // the data chunk goes; zeros follow, empty chunks
    const struct {
        const char* what;
        std::vector<uint8_t> head;
        uint64_t fileSize;
        uint32_t dataSize;  // of the last chunk, "data", when not 0
        int opened;
    } cases[] = {
        {"zeros, nothing but empty chunk headers", {}, uint64_t{256} << 20, 0, 0},
        {"RIFF of empty chunks after its format", noData, uint64_t{256} << 20, 0, 0},
        {"data past the bound", MakeWave(RampWave(0)), 0, bound + 2, 0},
        {"data at the bound", MakeWave(RampWave(0)), 0, bound, 1},
        {"a music loop of ten minutes at CD quality", MakeWave(cd), 0, 600 * 44100 * 4, 1},
    };
    // A sound is named once for each file whatever its reads, so each run gets files of its own.
    static int runs = 0;
    ++runs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder + "/grown" + std::to_string(runs) + ".wav";
        WriteGrownWave(path, c.head, c.fileSize, c.dataSize);
        testing::internal::CaptureStderr();
        for (bool loadData : {false, true}) {
            // Counted in the processor's time: walking the empty chunks one by one takes seconds
            // of it. Loading a sound's data costs what its size asks, which a busy machine
            // stretches past any bound on its own, so only a header read or a refusal is timed.
            const std::clock_t start = std::clock();
            SWave wave;
            EXPECT_EQ(wave.OpenFromFile(path.c_str(), loadData), c.opened) << loadData;
            EXPECT_EQ(wave.GetDataSize(), c.opened != 0 ? c.dataSize : 0u);
            if (!loadData || c.opened == 0) {
                EXPECT_LT(std::clock() - start, 2 * CLOCKS_PER_SEC) << loadData;
            }
        }
        // Only a sound refused for its size is named, with why, and once.
        const std::string said = testing::internal::GetCapturedStderr();
        const size_t named = said.find(path + " is not played: its " + std::to_string(c.dataSize / 1000000) + ",");
        EXPECT_EQ(named != std::string::npos, c.dataSize > bound) << said;
        EXPECT_EQ(said.find(path, named + 1), std::string::npos) << said;
    }
}

TEST_F(WaveReadTest, TruncatedFilesFail) {
    const std::vector<uint8_t> whole = MakeWave(RampWave(8));
    for (size_t cut : {size_t{0}, size_t{4}, size_t{11}, size_t{20}, size_t{30}, whole.size() - 1}) {
        WriteBytes(folder + "/cut.wav", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)));
        SWave wave;
        EXPECT_EQ(wave.OpenFromFile((folder + "/cut.wav").c_str(), true), 0) << "cut at " << cut;
    }
}

TEST_F(WaveReadTest, RiffSizeOverstatingTheFileIsReadAsFarAsTheDataGoes) {
    std::vector<uint8_t> bytes = MakeWave(RampWave(8));
    bytes[4] = 0xF0;
    bytes[5] = 0xFF;
    SWave wave;
    WriteBytes(folder + "/riff.wav", bytes);
    EXPECT_EQ(wave.OpenFromFile((folder + "/riff.wav").c_str(), true), 1);
    EXPECT_EQ(wave.GetDataSize(), 16u);
}

TEST_F(WaveReadTest, WaveResourcesAreReadFromMemory) {
    static const std::vector<uint8_t> bytes = MakeWave(RampWave(6));
    static int module = 0;
    sys::mmio::RegisterResource(&module, "WAVE", 101, bytes.data(), static_cast<uint32_t>(bytes.size()));
    SWave wave(0x10065u, &module, true);  // only the low 16 bits name the resource
    EXPECT_TRUE(wave.IsFromResource());
    EXPECT_EQ(wave.GetDataSize(), 12u);
    ASSERT_TRUE(wave.HasData());
    int16_t out[6] = {};
    EXPECT_EQ(wave.GetData(out, 12), 12u);
    EXPECT_EQ(out[0], -5000);
    EXPECT_EQ(out[5], -4500);
    // Read again from the resource once the copy is gone.
    EXPECT_FALSE(wave.HasData());
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(wave.GetData(out, 12), 12u);
    EXPECT_EQ(out[1], -4900);

    SWave missing(102u, &module, true);
    EXPECT_EQ(missing.GetDataSize(), 0u);
}

TEST_F(WaveReadTest, GetDataCopiesOnlyWhatTheFileHoldsNowAndSilencesTheRest) {
    const std::string path = Write("grow.wav", RampWave(8));
    SWave wave;
    ASSERT_EQ(wave.OpenFromFile(path.c_str(), false), 1);
    ASSERT_EQ(wave.GetDataSize(), 16u);
    WriteWave(path, RampWave(3));  // the file shrinks to 6 bytes of data
    std::vector<uint8_t> out(16, 0xAA);
    EXPECT_EQ(wave.GetData(out.data(), 16), 16u);
    const std::vector<uint8_t> expected = Samples16({-5000, -4900, -4800, 0, 0, 0, 0, 0});
    EXPECT_EQ(out, expected);
    EXPECT_EQ(wave.GetDataSize(), 16u);
}

TEST_F(WaveReadTest, GetDataOfAnUnreadableSourceAnswersZeroAndLeavesTheDestination) {
    const std::string path = Write("gone.wav", RampWave(4));
    SWave wave;
    ASSERT_EQ(wave.OpenFromFile(path.c_str(), false), 1);
    std::filesystem::remove(path);
    std::vector<uint8_t> out(8, 0xAA);
    EXPECT_EQ(wave.GetData(out.data(), 8), 0u);
    EXPECT_EQ(out, std::vector<uint8_t>(8, 0xAA));
}

TEST_F(WaveReadTest, DescendStaysWithinTheParentChunk) {
    WaveSpec spec = RampWave(2);
    const std::vector<uint8_t> bytes = MakeWave(spec);
    using namespace sys::mmio;
    HMMIO file = OpenMemory(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_NE(file, nullptr);
    MMCKINFO riff;
    riff.fccType = MakeFourCC('W', 'A', 'V', 'E');
    ASSERT_EQ(Descend(file, riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_EQ(riff.cksize, bytes.size() - 8);
    MMCKINFO chunk;
    chunk.ckid = MakeFourCC('f', 'm', 't', ' ');
    ASSERT_EQ(Descend(file, chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 16u);
    EXPECT_EQ(chunk.dwDataOffset, 20u);
    ASSERT_EQ(Ascend(file, chunk), MMSYSERR_NOERROR);
    MMCKINFO missing;
    missing.ckid = MakeFourCC('c', 'u', 'e', ' ');
    EXPECT_EQ(Descend(file, missing, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    Close(file);
    EXPECT_EQ(OpenMemory(nullptr, 4), nullptr);
}

}  // namespace
