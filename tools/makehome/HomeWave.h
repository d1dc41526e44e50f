#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One short interface tone of the demo set: a sine sweep with an optional second partial,
// shaped by a quick attack and an exponential decay. Values are chosen by the sound table.
struct HomeTone {
    int milliseconds = 40;
    double startHz = 880.0;
    double endHz = 880.0;
    // Peak level as a fraction of full scale; the set stays soft (well below 0.3).
    double level = 0.15;
    // Level of the partial an octave above, relative to the fundamental.
    double overtone = 0.0;
    // How many times the level falls by e over the tone's length.
    double decay = 4.0;
};

// The PCM format of the demo sounds: mono, 16 bits, 22,050 samples a second.
constexpr int kHomeSampleRate = 22050;

// Samples of a tone; always starts and ends at silence so no click is heard.
std::vector<int16_t> SynthesiseTone(const HomeTone& tone);

// A RIFF WAVE file (format chunk of 16 bytes, PCM, mono, 16-bit) holding the samples.
std::vector<uint8_t> MakeWaveFile(const std::vector<int16_t>& samples);
