// Fill rate of the software rasterizer: Gouraud-shaded, z-tested (less-or-equal, writing z),
// dithered triangles on a 640 x 480 RGB565 target through a perspective projection, in the
// 44-byte main vertex format, for small (about 10-pixel) and large (about 10,000-pixel)
// triangles. Every vertex has its own depth, so the perspective-correct path runs. Counters:
// triangles per second (items) and pixels written per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "sys/raster/rasterizer.h"

using namespace sys::raster;

namespace {

struct MainVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse;
    float u0, v0, u1, v1;
};

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A vertex that lands on screen pixel (sx, sy) at eye depth z: with the 90-degree projection
// and the aspect record below, sx = 320 + 320 x/z and sy = 240 - 320 y/z.
MainVertex At(float sx, float sy, float z, uint32_t colour) {
    const float x = (sx - 320.0f) / 320.0f * z;
    const float y = (240.0f - sy) / 320.0f * z;
    return MainVertex{x, y, z, 0, 1, 0, colour, 0, 0, 0, 0};
}

// Right triangles with legs `a` and `b` pixels (area a * b / 2), tiled over the screen.
std::vector<MainVertex> Tiles(float a, float b, int count) {
    std::vector<MainVertex> list;
    const int across = static_cast<int>((kWidth - 2) / (a + 1.0f));
    const int down = static_cast<int>((kHeight - 2) / (b + 1.0f));
    for (int i = 0; i < count; ++i) {
        const int cell = i % (across * down);
        const float x = 0.5f + static_cast<float>(cell % across) * (a + 1.0f) + 0.37f;
        const float y = 0.5f + static_cast<float>(cell / across) * (b + 1.0f) + 0.21f;
        const float z = 2.0f + static_cast<float>(i % 7) * 0.5f;
        list.push_back(At(x, y, z, 0x00FF2010));
        list.push_back(At(x + a, y, z + 0.4f, 0x0010FF20));
        list.push_back(At(x, y + b, z + 0.8f, 0x002010FF));
    }
    return list;
}

void DrawTriangles(benchmark::State& state, float a, float b, int perCall) {
    std::vector<uint16_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    std::vector<uint16_t> depth(static_cast<size_t>(kWidth) * kHeight);
    Rasterizer raster;
    raster.SetRenderTarget(RenderTarget{pixels.data(), kWidth * 2, kWidth, kHeight, PixelFormat::RGB565});
    raster.SetDepthBuffer(DepthBuffer{depth.data(), kWidth * 2, kWidth, kHeight});
    Viewport v;
    v.dwWidth = kWidth;
    v.dwHeight = kHeight;
    v.dvClipY = 0.75f;
    v.dvClipHeight = 1.5f;
    raster.SetViewport(v);
    Matrix4 p;
    const float q = 3000.0f / (3000.0f - 1.0f);
    p.m[2][2] = q;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -q;
    p.m[3][3] = 0.0f;
    raster.SetTransform(D3DTRANSFORMSTATE_PROJECTION, p);
    raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    raster.SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
    raster.SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    raster.Clear(sys::RECT{0, 0, kWidth, kHeight}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f);
    const std::vector<MainVertex> list = Tiles(a, b, perCall);
    raster.ResetCounters();
    for (auto _ : state) {
        // Redrawing at equal depth passes less-or-equal, so every pixel runs the whole path.
        raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x252, list.data(), static_cast<uint32_t>(list.size()),
                             D3DDP_DONOTUPDATEEXTENTS);
        benchmark::ClobberMemory();
    }
    const RasterCounters& c = raster.Counters();
    state.SetItemsProcessed(static_cast<int64_t>(c.triangles));
    state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(c.pixels), benchmark::Counter::kIsRate);
    state.counters["pixels/tri"] =
        benchmark::Counter(c.triangles ? static_cast<double>(c.pixels) / static_cast<double>(c.triangles) : 0.0);
}

void SmallTriangles(benchmark::State& state) { DrawTriangles(state, 4.0f, 4.5f, 2000); }
void LargeTriangles(benchmark::State& state) { DrawTriangles(state, 141.0f, 142.0f, 12); }

BENCHMARK(SmallTriangles)->Unit(benchmark::kMicrosecond);
BENCHMARK(LargeTriangles)->Unit(benchmark::kMicrosecond);

}  // namespace
