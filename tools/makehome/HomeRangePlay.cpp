// What the target range shows and sounds like in play: the heads-up display and results
// layouts the stand-in library shows over the view, and its shot, hit and ambient sounds. The
// layouts read the values the library keeps in the client state's value table: entry 10 the
// rounds left, 11 the time left, 12 the score, 13 the weapon's name, 20 to 27 the results.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "tools/makehome/HomeSet.h"
#include "tools/makehome/HomeWave.h"

namespace {

// A green cross with a gap at the centre of the view, and the panel along the bottom.
constexpr const char* kHudLayout =
    "group(0,0,xr,yb)\n"
    "renderframe(0,0,xr,yb,60)\n"
    "line(xc -14,yc,xc -4,yc,80,255,80)\n"
    "line(xc 4,yc,xc 14,yc,80,255,80)\n"
    "line(xc,yc -14,xc,yc -4,80,255,80)\n"
    "line(xc,yc 4,xc,yc 14,80,255,80)\n"
    "string(\"ROUNDS\",16,yb -44,Outline)\n"
    "stringr(client 10,16,yb -24,Outline)\n"
    "string(\"TIME\",xc -40,yb -44,Outline)\n"
    "stringr(client 11,xc -40,yb -24,Outline)\n"
    "string(\"SCORE\",xr -120,yb -44,Outline)\n"
    "stringr(client 12,xr -120,yb -24,Outline)\n"
    "stringr(client 13,16,12,Outline)\n"
    "endgroup\n";

// The session's report in a dark panel at the middle of the display.
constexpr const char* kResultsLayout =
    "group(xc -240,yc -150,xc 240,yc 150)\n"
    "rect(0,0,480,300,20,24,32)\n"
    "framerect(0,0,480,300,200,200,200)\n"
    "string(\"SESSION RESULTS\",24,16,Outline)\n"
    "stringr(client 20,24,56,Outline)\n"
    "stringr(client 21,24,82,Outline)\n"
    "stringr(client 22,24,108,Outline)\n"
    "stringr(client 23,24,134,Outline)\n"
    "stringr(client 24,24,160,Outline)\n"
    "stringr(client 26,24,212,Red)\n"
    "stringr(client 27,24,264,Outline)\n"
    "endgroup\n";

// A fixed sequence of noise, so the files are the same bytes on every run.
class Noise {
public:
    double Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<double>((m_state >> 16) & 0x7FFF) / 16383.5 - 1.0;
    }

private:
    uint32_t m_state = 47;
};

int16_t ToSample(double value) {
    return static_cast<int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0));
}

// A crack of noise over a falling thump, dying away within a fifth of a second.
std::vector<int16_t> Shot() {
    const int count = kHomeSampleRate / 5;
    std::vector<int16_t> samples(static_cast<size_t>(count));
    Noise noise;
    double phase = 0.0;
    double smooth = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / count;
        phase += 2.0 * std::numbers::pi * (140.0 - 90.0 * t) / kHomeSampleRate;
        smooth += 0.35 * (noise.Next() - smooth);
        const double envelope = std::exp(-9.0 * t) * std::min(1.0, i / 40.0) * (1.0 - t);
        samples[static_cast<size_t>(i)] = ToSample(0.28 * envelope * (0.7 * smooth + 0.5 * std::sin(phase)));
    }
    return samples;
}

// Two seconds of a low wind-like hum: every partial fits a whole number of cycles in the
// loop, so its end leads into its start without a seam.
std::vector<int16_t> Ambient() {
    const int count = kHomeSampleRate * 2;
    std::vector<int16_t> samples(static_cast<size_t>(count));
    constexpr double kPartials[][2] = {{55.0, 0.5}, {82.5, 0.3}, {110.5, 0.2}};
    for (int i = 0; i < count; ++i) {
        const double seconds = static_cast<double>(i) / kHomeSampleRate;
        double value = 0.0;
        for (const auto& partial : kPartials)
            value += partial[1] * std::sin(2.0 * std::numbers::pi * partial[0] * seconds);
        const double swell = 0.75 + 0.25 * std::sin(2.0 * std::numbers::pi * 0.5 * seconds);
        samples[static_cast<size_t>(i)] = ToSample(0.05 * swell * value);
    }
    return samples;
}

}  // namespace

void HomeSet::AddRangePlay() {
    AddFile("Layouts/hud.lay", kHudLayout);
    AddFile("Layouts/results.lay", kResultsLayout);
    // The knock of a round in a card board.
    const HomeTone hit{90, 1400.0, 900.0, 0.2, 0.3, 7.0};
    m_Files.push_back(File{"Sounds/Range/shot.wav", MakeWaveFile(Shot())});
    m_Files.push_back(File{"Sounds/Range/hit.wav", MakeWaveFile(SynthesiseTone(hit))});
    m_Files.push_back(File{"Sounds/Range/ambient.wav", MakeWaveFile(Ambient())});
}
