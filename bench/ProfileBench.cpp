// The profile lookup the game screen makes at every frame ("AdjWeaponPos"), with a profile file
// of about 3.8 MB: answered from memory while the file is unchanged, against a baseline that
// reads the file and walks its lines at every frame. The counter "reread_per_cached" is the
// baseline's time per frame divided by the profile's, each the fastest of its runs, so a busy
// machine disturbs it less. "BM_ProfileFrameAfterAChange" is a frame whose file changed since
// the last one: what the profile pays when it must read the file again; "BM_ProfileFrameUnreadable"
// one whose file cannot be read, which is tried again at every frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "sys/profile.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using sys::profile::Kind;

constexpr const char* kCompany = "Quellon Interactive";
constexpr const char* kSection = "Application/Quellon Interactive/Settings";

// Many sections of many keys, as years of a user's (or a tool's) additions leave it, with the
// game's own section last.
const std::string& ProfileFile() {
    static const std::string path = [] {
        const fs::path folder = fs::temp_directory_path() / "tarvex-profile-bench";
        fs::create_directories(folder);
        const std::string file = (folder / "Tarvex.ini").string();
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        size_t bytes = 0;
        for (int section = 0; bytes < 3800 * 1000; ++section) {
            std::string block = "[Application/Tool" + std::to_string(section) + "]\n";
            for (int key = 0; key < 40; ++key)
                block += "Setting" + std::to_string(key) + "=value of setting " + std::to_string(key * 31) + "\n";
            bytes += block.size();
            out << block;
        }
        out << "[" << kSection << "]\nAdjWeaponPos=0\nBasePath=.\n";
        return file;
    }();
    return path;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The baseline: the whole file read and walked for the one value.
int ReadEveryTime(const std::string& file, std::string_view section, std::string_view key) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool inSection = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inSection = EqualNoCase(line.substr(1, line.find(']') - 1), section);
        } else if (const size_t equals = line.find('='); inSection && equals != std::string_view::npos &&
                                                          EqualNoCase(line.substr(0, equals), key)) {
            return std::atoi(std::string(line.substr(equals + 1)).c_str());
        }
    }
    return 0;
}

int Frame() { return sys::profile::GetInt(Kind::Application, "Settings", "AdjWeaponPos", 0); }

void UseBenchFile() {
    sys::profile::SetFile(ProfileFile());
    sys::profile::SetRegistryKey(kCompany);
}

void BM_ProfileFrameCached(benchmark::State& state) {
    UseBenchFile();
    benchmark::DoNotOptimize(Frame());  // the first frame reads the file
    constexpr int kFrames = 1000;
    double cachedSeconds = 1e9;
    double baselineSeconds = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < kFrames; ++i)
            benchmark::DoNotOptimize(Frame());
        cachedSeconds = std::min(cachedSeconds, std::chrono::duration<double>(Clock::now() - start).count() / kFrames);
        state.PauseTiming();
        const auto before = Clock::now();
        benchmark::DoNotOptimize(ReadEveryTime(ProfileFile(), kSection, "AdjWeaponPos"));
        baselineSeconds = std::min(baselineSeconds, std::chrono::duration<double>(Clock::now() - before).count());
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["reread_per_cached"] = cachedSeconds > 0 ? baselineSeconds / cachedSeconds : 0;
    sys::profile::SetFile("");
}
BENCHMARK(BM_ProfileFrameCached)->Unit(benchmark::kMillisecond);

void BM_ProfileFrameBaseline(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadEveryTime(ProfileFile(), kSection, "AdjWeaponPos"));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProfileFrameBaseline)->Unit(benchmark::kMillisecond);

void BM_ProfileFrameAfterAChange(benchmark::State& state) {
    UseBenchFile();
    auto stamp = fs::last_write_time(ProfileFile());
    for (auto _ : state) {
        state.PauseTiming();
        stamp += std::chrono::nanoseconds(1);
        fs::last_write_time(ProfileFile(), stamp);
        state.ResumeTiming();
        benchmark::DoNotOptimize(Frame());
    }
    state.SetItemsProcessed(state.iterations());
    sys::profile::SetFile("");
}
BENCHMARK(BM_ProfileFrameAfterAChange)->Unit(benchmark::kMillisecond);

// A frame whose profile cannot be read (here: far larger than any profile), which the profile
// tries again at every question so that the file is seen as soon as it can be read.
void BM_ProfileFrameUnreadable(benchmark::State& state) {
    const fs::path file = fs::temp_directory_path() / "tarvex-profile-bench" / "Oversized.ini";
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc).close();
    fs::resize_file(file, std::uintmax_t(1) << 30);
    sys::profile::SetFile(file.string());
    for (auto _ : state)
        benchmark::DoNotOptimize(Frame());
    state.SetItemsProcessed(state.iterations());
    sys::profile::SetFile("");
    fs::remove(file);
}
BENCHMARK(BM_ProfileFrameUnreadable)->Unit(benchmark::kMicrosecond);

}  // namespace
