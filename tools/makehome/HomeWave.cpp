#include "tools/makehome/HomeWave.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

void Append(std::vector<uint8_t>& bytes, const char* tag) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(tag[i]));
}

void AppendU16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& bytes, uint32_t value) {
    AppendU16(bytes, value & 0xFFFF);
    AppendU16(bytes, value >> 16);
}

}  // namespace

std::vector<int16_t> SynthesiseTone(const HomeTone& tone) {
    const int nCount = std::max(tone.milliseconds, 1) * kHomeSampleRate / 1000;
    const int nAttack = std::max(nCount / 20, 8);
    const int nRelease = std::max(nCount / 10, 16);
    std::vector<int16_t> samples(static_cast<size_t>(nCount));
    double phase = 0.0;
    for (int i = 0; i < nCount; ++i) {
        const double t = static_cast<double>(i) / nCount;
        const double hz = tone.startHz + (tone.endHz - tone.startHz) * t;
        phase += 2.0 * std::numbers::pi * hz / kHomeSampleRate;
        double envelope = std::exp(-tone.decay * t);
        if (i < nAttack)
            envelope *= static_cast<double>(i) / nAttack;
        if (i >= nCount - nRelease)
            envelope *= static_cast<double>(nCount - 1 - i) / nRelease;
        const double value = (std::sin(phase) + tone.overtone * std::sin(2.0 * phase)) / (1.0 + tone.overtone);
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(value * envelope * tone.level * 32767.0));
    }
    return samples;
}

std::vector<uint8_t> MakeWaveFile(const std::vector<int16_t>& samples) {
    const auto nData = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + nData);
    Append(bytes, "RIFF");
    AppendU32(bytes, 36 + nData);
    Append(bytes, "WAVE");
    Append(bytes, "fmt ");
    AppendU32(bytes, 16);
    AppendU16(bytes, 1);  // PCM
    AppendU16(bytes, 1);  // mono
    AppendU32(bytes, kHomeSampleRate);
    AppendU32(bytes, kHomeSampleRate * 2);  // bytes a second
    AppendU16(bytes, 2);                    // bytes a sample frame
    AppendU16(bytes, 16);
    Append(bytes, "data");
    AppendU32(bytes, nData);
    for (int16_t sample : samples)
        AppendU16(bytes, static_cast<uint16_t>(sample));
    return bytes;
}
