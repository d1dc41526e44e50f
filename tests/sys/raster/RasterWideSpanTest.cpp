// The eight-pixel-wide span loops give the same pixels and z values as the one-pixel loops,
// bit for bit, over a scene of overlapping shaded triangles in every state they cover.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "sys/raster/raster_spans_simd.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

struct Result {
    std::vector<uint8_t> pixels;
    std::vector<uint16_t> depth;
    uint64_t written;
};

Result Draw(bool wide, PixelFormat format, bool dither, bool perspective, uint32_t zFunc, uint32_t zWrite,
            uint32_t bias) {
    sys::raster::simd::Enable(wide);
    RasterCanvas canvas(61, 47, format);
    Rasterizer& r = canvas.raster;
    Viewport v;
    v.dwWidth = 61;
    v.dwHeight = 47;
    r.SetViewport(v);
    if (perspective) {
        Matrix4 p;
        p.m[2][2] = 1.0f;
        p.m[2][3] = 1.0f;
        p.m[3][2] = -1.0f;
        p.m[3][3] = 0.0f;
        r.SetTransform(D3DTRANSFORMSTATE_PROJECTION, p);
    }
    r.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    r.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    r.SetRenderState(D3DRENDERSTATE_DITHERENABLE, dither);
    r.SetRenderState(D3DRENDERSTATE_ZFUNC, zFunc);
    r.SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, zWrite);
    r.SetRenderState(D3DRENDERSTATE_ZBIAS, bias);
    r.Clear(sys::RECT{0, 0, 61, 47}, D3DCLEAR_ZBUFFER, 0, 0.6f);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> xy(-1.3f, 1.3f), depth(1.2f, 3.0f);
    std::vector<LineVertex> list;
    for (int k = 0; k < 60; ++k) {
        const float z = perspective ? depth(random) : depth(random) / 3.0f;
        for (int c = 0; c < 3; ++c) {
            const float s = perspective ? z : 1.0f;
            list.push_back(V(xy(random) * s, xy(random) * s, static_cast<uint32_t>(random()) & 0x00FFFFFF,
                             z + 0.3f * static_cast<float>(c)));
        }
    }
    canvas.Triangles(list);
    sys::raster::simd::Enable(true);
    return Result{canvas.pixels, canvas.depth, r.Counters().pixels};
}

TEST(RasterWideSpans, MatchTheOnePixelLoopsBitForBit) {
    struct Case {
        PixelFormat format;
        bool dither, perspective;
        uint32_t zFunc, zWrite, bias;
    } cases[] = {
        {PixelFormat::RGB565, true, true, D3DCMP_LESSEQUAL, 1, 0},
        {PixelFormat::RGB565, false, false, D3DCMP_GREATER, 1, 0},
        {PixelFormat::RGB565, true, true, D3DCMP_NOTEQUAL, 0, 3},
        {PixelFormat::XRGB8888, false, true, D3DCMP_LESS, 1, 0},
        {PixelFormat::XRGB8888, false, false, D3DCMP_ALWAYS, 1, 100},
        {PixelFormat::XRGB8888, false, true, D3DCMP_EQUAL, 1, 0},
    };
    for (const Case& c : cases) {
        const Result wide = Draw(true, c.format, c.dither, c.perspective, c.zFunc, c.zWrite, c.bias);
        const Result narrow = Draw(false, c.format, c.dither, c.perspective, c.zFunc, c.zWrite, c.bias);
        EXPECT_EQ(wide.pixels, narrow.pixels) << "z function " << c.zFunc;
        EXPECT_EQ(wide.depth, narrow.depth) << "z function " << c.zFunc;
        EXPECT_EQ(wide.written, narrow.written) << "z function " << c.zFunc;
        if (c.zFunc != D3DCMP_EQUAL) {
            EXPECT_GT(narrow.written, 500u);
        }
    }
}

}  // namespace
