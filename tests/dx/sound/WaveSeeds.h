#pragma once

// The seed corpus of the WAVE reader's fuzz target, made by our own writer: sound files of each
// form the reader meets, and damaged ones. WaveSeedCorpusTest keeps the stored seeds equal to
// these (and rewrites them when asked).

#include <string>
#include <utility>
#include <vector>

#include "tests/dx/sound/WaveWriter.h"

namespace tarvex::test {

inline std::vector<std::pair<std::string, std::vector<uint8_t>>> WaveSeeds() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
    seeds.emplace_back("pcm16_mono_fmt16.wav", MakeWave(RampWave(64)));

    WaveSpec eight = RampWave(0);
    eight.bits = 8;
    eight.channels = 2;
    eight.formatChunkSize = 18;
    eight.data = {0x80, 0x80, 0xFF, 0x00, 0x10, 0xF0, 0x7F, 0x81};
    seeds.emplace_back("pcm8_stereo_fmt18.wav", MakeWave(eight));

    WaveSpec odd = RampWave(3);
    odd.chunksBeforeFormat.push_back({"junk", {1, 2, 3}});
    odd.chunksBeforeData.push_back({"LIST", {'I', 'N', 'F', 'O', 'x'}});
    odd.data.push_back(7);  // odd data size
    seeds.emplace_back("odd_chunks.wav", MakeWave(odd));

    WaveSpec noData = RampWave(4);
    noData.withData = false;
    seeds.emplace_back("no_data.wav", MakeWave(noData));

    WaveSpec mono3D = RampWave(32, 11025);
    mono3D.formatTag = 3;  // not PCM: read, refused by the device
    seeds.emplace_back("float_tag.wav", MakeWave(mono3D));

    std::vector<uint8_t> cut = MakeWave(RampWave(16));
    cut.erase(cut.end() - 10, cut.end());
    seeds.emplace_back("truncated.wav", cut);

    std::vector<uint8_t> huge = MakeWave(RampWave(4));
    huge[huge.size() - 12] = 0xFF;
    huge[huge.size() - 11] = 0xFF;
    huge[huge.size() - 10] = 0xFF;
    huge[huge.size() - 9] = 0xFF;
    seeds.emplace_back("huge_data_size.wav", huge);
    return seeds;
}

}  // namespace tarvex::test
