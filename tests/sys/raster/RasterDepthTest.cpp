// The 16-bit z-buffer: the eight comparison functions, z enable and z write enable, z bias,
// the stored values, and clears of colour and z.

#include <gtest/gtest.h>

#include <vector>

#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

// A quad over the whole 8 x 8 canvas at depth z.
bool Quad(RasterCanvas& canvas, float z, uint32_t colour) {
    return canvas.Triangles({V(0, 0, colour, z), V(8, 0, colour, z), V(0, 8, colour, z),
                             V(8, 0, colour, z), V(8, 8, colour, z), V(0, 8, colour, z)});
}

TEST(RasterDepth, StoresRoundedSixteenBitValues) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
    ASSERT_TRUE(Quad(canvas, 0.25f, 0x00FFFFFF));
    EXPECT_EQ(canvas.Depth(3, 3), 16384);  // 0.25 * 65535 = 16383.75
    ASSERT_TRUE(Quad(canvas, 0.75f, 0x00FFFFFF));
    EXPECT_EQ(canvas.Depth(3, 3), 49151);  // 49151.25
    ASSERT_TRUE(Quad(canvas, 1.0f, 0x00FFFFFF));
    EXPECT_EQ(canvas.Depth(7, 7), 65535);
    ASSERT_TRUE(Quad(canvas, 0.0f, 0x00FFFFFF));
    EXPECT_EQ(canvas.Depth(0, 0), 0);
}

TEST(RasterDepth, EachComparisonFunction) {
    // Stored 32768 (a clear to 0.5); incoming 16384 (nearer), 32768 (equal), 49151 (farther).
    struct Case {
        uint32_t func;
        bool nearer, equal, farther;
    };
    const Case cases[] = {
        {D3DCMP_NEVER, false, false, false},       {D3DCMP_LESS, true, false, false},
        {D3DCMP_EQUAL, false, true, false},        {D3DCMP_LESSEQUAL, true, true, false},
        {D3DCMP_GREATER, false, false, true},      {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, false, true, true},  {D3DCMP_ALWAYS, true, true, true},
    };
    const float depths[3] = {0.25f, 0.5f, 0.75f};
    for (const Case& c : cases) {
        const bool expected[3] = {c.nearer, c.equal, c.farther};
        for (int d = 0; d < 3; ++d) {
            RasterCanvas canvas(8, 8);
            canvas.UsePixelSpace();
            ASSERT_TRUE(canvas.raster.Clear(sys::RECT{0, 0, 8, 8}, D3DCLEAR_ZBUFFER, 0, 0.5f));
            ASSERT_EQ(canvas.Depth(0, 0), 32768);
            canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
            canvas.raster.SetRenderState(D3DRENDERSTATE_ZFUNC, c.func);
            ASSERT_TRUE(Quad(canvas, depths[d], 0x00FFFFFF));
            EXPECT_EQ(canvas.Pixel(4, 4) != 0, expected[d]) << "func " << c.func << " depth " << depths[d];
            EXPECT_EQ(canvas.raster.Counters().pixels, expected[d] ? 64u : 0u);
            const uint16_t stored = canvas.Depth(4, 4);
            EXPECT_EQ(stored, expected[d] ? (d == 0 ? 16384 : d == 1 ? 32768 : 49151) : 32768);
        }
    }
}

TEST(RasterDepth, NearerTriangleWinsWhicheverIsDrawnFirst) {
    for (int order = 0; order < 2; ++order) {
        RasterCanvas canvas(8, 8);
        canvas.UsePixelSpace();
        canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
        canvas.raster.SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
        if (order == 0) {
            Quad(canvas, 0.2f, 0x00FF0000);
            Quad(canvas, 0.6f, 0x0000FF00);
        } else {
            Quad(canvas, 0.6f, 0x0000FF00);
            Quad(canvas, 0.2f, 0x00FF0000);
        }
        EXPECT_EQ(canvas.Pixel(5, 2), 0x00FF0000u) << order;
    }
}

TEST(RasterDepth, IntersectingTrianglesSplitAlongTheirCrossing) {
    RasterCanvas canvas(16, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    // Red rises in depth from left to right (z = x / 16), green falls (z = 1 - x / 16); they
    // cross at x = 8. LESSEQUAL lets the second drawn (green) win at the tie.
    const uint32_t r = 0x00FF0000, g = 0x0000FF00;
    ASSERT_TRUE(canvas.Triangles({V(0, 0, r, 0), V(16, 0, r, 1), V(0, 8, r, 0), V(16, 0, r, 1), V(16, 8, r, 1), V(0, 8, r, 0)}));
    ASSERT_TRUE(canvas.Triangles({V(0, 0, g, 1), V(16, 0, g, 0), V(0, 8, g, 1), V(16, 0, g, 0), V(16, 8, g, 0), V(0, 8, g, 1)}));
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(canvas.Pixel(x, 3), x < 8 ? r : g) << x;
    }
}

TEST(RasterDepth, WriteEnableAndEnable) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 0);
    ASSERT_TRUE(Quad(canvas, 0.5f, 0x00FF0000));
    EXPECT_EQ(canvas.Pixel(1, 1), 0x00FF0000u);  // tested against 0xFFFF and passed
    EXPECT_EQ(canvas.Depth(1, 1), 0xFFFF);       // but not stored
    // With z off, neither test nor store: a farther quad still paints.
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 1);
    ASSERT_TRUE(Quad(canvas, 0.25f, 0x00FF0000));
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    ASSERT_TRUE(Quad(canvas, 0.9f, 0x000000FF));
    EXPECT_EQ(canvas.Pixel(1, 1), 0x000000FFu);
    EXPECT_EQ(canvas.Depth(1, 1), 16384);
    // Z on without a z-buffer draws as if z were off.
    canvas.raster.RemoveDepthBuffer();
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    ASSERT_TRUE(Quad(canvas, 0.95f, 0x0000FF00));
    EXPECT_EQ(canvas.Pixel(1, 1), 0x0000FF00u);
}

TEST(RasterDepth, BiasPullsCoplanarGeometryForward) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
    ASSERT_TRUE(Quad(canvas, 0.5f, 0x00FF0000));
    ASSERT_TRUE(Quad(canvas, 0.5f, 0x0000FF00));
    EXPECT_EQ(canvas.Pixel(2, 2), 0x00FF0000u);  // 32768 < 32768 fails
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZBIAS, 1);
    ASSERT_TRUE(Quad(canvas, 0.5f, 0x0000FF00));
    EXPECT_EQ(canvas.Pixel(2, 2), 0x0000FF00u);  // 32767 < 32768
    EXPECT_EQ(canvas.Depth(2, 2), 32767);
    // The bias never takes a value below 0.
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZBIAS, 16);
    ASSERT_TRUE(Quad(canvas, 0.0f, 0x000000FF));
    EXPECT_EQ(canvas.Depth(2, 2), 0);
}

TEST(RasterDepth, ClearFillsOnlyTheRectangleInsideTheTarget) {
    RasterCanvas canvas(8, 8, PixelFormat::RGB565);
    // 0xFF8040: red 31, green 128 * 63 / 255 = 31.6 -> 32, blue 64 * 31 / 255 = 7.8 -> 8.
    ASSERT_TRUE(canvas.raster.Clear(sys::RECT{2, 1, 20, 3}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF8040, 0.25f));
    EXPECT_EQ(canvas.Pixel(2, 1), 0xFC08u);
    EXPECT_EQ(canvas.Pixel(7, 2), 0xFC08u);
    EXPECT_EQ(canvas.Pixel(1, 1), 0u);
    EXPECT_EQ(canvas.Pixel(2, 3), 0u);
    EXPECT_EQ(canvas.Depth(7, 2), 16384);
    EXPECT_EQ(canvas.Depth(1, 2), 0xFFFF);
    EXPECT_TRUE(canvas.PaddingIntact());
    // Colour only leaves z alone; a clear wholly outside does nothing.
    ASSERT_TRUE(canvas.raster.Clear(sys::RECT{0, 0, 8, 8}, D3DCLEAR_TARGET, 0x00FFFFFF, 0.0f));
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFu);
    EXPECT_EQ(canvas.Depth(7, 2), 16384);
    ASSERT_TRUE(canvas.raster.Clear(sys::RECT{-9, -9, -1, -1}, D3DCLEAR_TARGET, 0, 0.0f));
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFFFFu);

    RasterCanvas wide(4, 4, PixelFormat::XRGB8888, false);
    ASSERT_TRUE(wide.raster.Clear(sys::RECT{0, 0, 4, 4}, D3DCLEAR_TARGET, 0xFF123456, 1.0f));
    EXPECT_EQ(wide.Pixel(3, 3), 0x00123456u);
    EXPECT_FALSE(wide.raster.Clear(sys::RECT{0, 0, 4, 4}, D3DCLEAR_ZBUFFER, 0, 1.0f));
}

}  // namespace
