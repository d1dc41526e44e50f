#include "tools/makehome/HomeMusic.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SResource.h"
#include "tools/makehome/HomeWave.h"

namespace home_music {

namespace {

constexpr double kRate = kHomeSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A mix in doubles, turned into samples once at the end.
using Mix = std::vector<double>;

int Samples(double seconds) { return static_cast<int>(std::lround(seconds * kRate)); }

double NoteHz(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

// A struck bell or plucked string: a few partials, each fading on its own, with a soft attack.
void AddBell(Mix& mix, double at, double hz, double seconds, double level, double decay) {
    static const double kPartials[][2] = {{1.0, 1.0}, {2.0, 0.35}, {3.01, 0.12}};
    const int start = Samples(at);
    const int count = std::min(Samples(seconds), static_cast<int>(mix.size()) - start);
    const int attack = Samples(0.004);
    for (int i = 0; i < count; ++i) {
        const double t = i / kRate;
        double value = 0.0;
        for (const auto& partial : kPartials)
            value += partial[1] * std::exp(-decay * partial[0] * t) * std::sin(kTwoPi * hz * partial[0] * t);
        const double envelope = i < attack ? static_cast<double>(i) / attack : 1.0;
        const double release = std::min(1.0, static_cast<double>(count - 1 - i) / Samples(0.02));
        mix[static_cast<size_t>(start + i)] += value * envelope * release * level;
    }
}

// A soft pad chord: detuned pairs of sines that swell in and fade out within their span.
void AddPad(Mix& mix, double at, const std::vector<int>& notes, double seconds, double level) {
    const int start = Samples(at);
    const int count = std::min(Samples(seconds), static_cast<int>(mix.size()) - start);
    for (int i = 0; i < count; ++i) {
        const double t = i / kRate;
        const double shape = std::sin(std::numbers::pi * i / count);  // zero at both ends
        double value = 0.0;
        for (int note : notes) {
            const double hz = NoteHz(note);
            value += std::sin(kTwoPi * hz * t) + std::sin(kTwoPi * hz * 1.003 * t);
        }
        mix[static_cast<size_t>(start + i)] += value / (2.0 * notes.size()) * shape * shape * level;
    }
}

std::vector<int16_t> ToSamples(const Mix& mix, double peak) {
    double highest = 1e-9;
    for (double value : mix)
        highest = std::max(highest, std::abs(value));
    std::vector<int16_t> samples(mix.size());
    for (size_t i = 0; i < mix.size(); ++i)
        samples[i] = static_cast<int16_t>(std::lround(mix[i] / highest * peak * 32767.0));
    return samples;
}

}  // namespace

std::vector<int16_t> SplashChime() {
    Mix mix(static_cast<size_t>(Samples(0.9)), 0.0);
    // C6, E6, G6, and the octave above C together with the last.
    AddBell(mix, 0.00, NoteHz(15), 0.75, 1.0, 5.0);
    AddBell(mix, 0.12, NoteHz(19), 0.63, 0.9, 5.0);
    AddBell(mix, 0.24, NoteHz(22), 0.63, 0.9, 5.5);
    AddBell(mix, 0.24, NoteHz(27), 0.63, 0.4, 6.0);
    return ToSamples(mix, 0.28);
}

std::vector<int16_t> MenuLoop() {
    constexpr double kBar = 2.0;
    Mix mix(static_cast<size_t>(Samples(4 * kBar)), 0.0);
    // A minor, F major, C major, G major; semitones from A4.
    const std::vector<std::vector<int>> chords = {{-12, -9, -5}, {-16, -12, -9}, {-9, -5, -2}, {-14, -10, -7}};
    const int bass[] = {-24, -28, -33, -26};
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const double at = bar * kBar;
        AddPad(mix, at, chords[bar], kBar, 0.55);
        AddBell(mix, at, NoteHz(bass[bar]), 0.9, 0.7, 3.0);
        AddBell(mix, at + 1.0, NoteHz(bass[bar]), 0.9, 0.5, 3.0);
        // Eighth notes up and down the chord, an octave up, quietly.
        for (int step = 0; step < 8; ++step) {
            static const int kOrder[] = {0, 1, 2, 1, 0, 1, 2, 1};
            AddBell(mix, at + step * kBar / 8, NoteHz(chords[bar][static_cast<size_t>(kOrder[step])] + 12), 0.24,
                    0.25, 9.0);
        }
    }
    return ToSamples(mix, 0.2);
}

std::vector<int16_t> VoiceOver(int seed) {
    // Syllables of a rough vowel (a buzz shaped by two fixed resonances), with the pitch
    // falling over the phrase as a sentence does.
    static const double kVowels[][2] = {{730, 1090}, {530, 1840}, {300, 870}, {570, 840}, {440, 1020}};
    const int syllables = 4 + seed % 3;
    const double syllable = 0.16;
    Mix mix(static_cast<size_t>(Samples(syllables * syllable + 0.15)), 0.0);
    double phase = 0.0;
    for (int s = 0; s < syllables; ++s) {
        const auto& vowel = kVowels[static_cast<size_t>((seed * 3 + s * 2) % 5)];
        const int start = Samples(s * syllable);
        const int count = Samples(syllable * (s % 2 == 0 ? 0.9 : 0.7));
        for (int i = 0; i < count; ++i) {
            const double progress = static_cast<double>(start + i) / mix.size();
            const double pitch = 135.0 - 35.0 * progress + 8.0 * std::sin(kTwoPi * (s + seed) * 0.37);
            phase += kTwoPi * pitch / kRate;
            double value = 0.0;
            for (int h = 1; h * pitch < 3500.0; ++h) {
                const double f = h * pitch;
                const double weight = 1.0 / (1.0 + std::pow((f - vowel[0]) / 90.0, 2)) +
                                      0.6 / (1.0 + std::pow((f - vowel[1]) / 120.0, 2));
                value += weight * std::sin(h * phase) / h;
            }
            const double shape = std::sin(std::numbers::pi * i / count);
            mix[static_cast<size_t>(start + i)] += value * shape;
        }
    }
    return ToSamples(mix, 0.3);
}

void AddStartupAndMenuSounds(std::vector<HomeSet::File>& files, SCatalog& catalog) {
    files.push_back(HomeSet::File{"splash.wav", MakeWaveFile(SplashChime())});
    files.push_back(HomeSet::File{"cop_training.wav", MakeWaveFile(MenuLoop())});
    catalog.AddItem(new SCatalogItem(kKindSound, "Interface", "cop_training", ""));
    const char* const voices[] = {"vo-m1-start-welcomea", "vo-m1-start-computera", "vo-m1-start-huntinga"};
    int seed = 0;
    for (const char* name : voices) {
        files.push_back(HomeSet::File{std::string(name) + ".wav", MakeWaveFile(VoiceOver(seed++))});
        catalog.AddItem(new SCatalogItem(kKindSound, "VoiceMale", name, ""));
    }
}

}  // namespace home_music
