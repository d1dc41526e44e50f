// Filtered resampling of a 512 x 512 layer in working form (32-bit pixels) to 256 x 256, once
// per filter: the cost a texture pays when the renderer scales it down at build time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "assets/textures/STextureFilter.h"

namespace {

void BM_Resample512To256(benchmark::State& state) {
    const int filter = static_cast<int>(state.range(0));
    std::vector<uint8_t> source(512 * 512 * 4);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
    std::vector<uint8_t> target(256 * 256 * 4);
    for (auto _ : state) {
        STexResampler(filter, filter, 512, 512, 256, 256).ResampleImage(source.data(), target.data());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetLabel(g_TextureFilters[filter].name);
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}

BENCHMARK(BM_Resample512To256)->DenseRange(0, kNumTextureFilters - 1)->Unit(benchmark::kMillisecond);

}  // namespace
