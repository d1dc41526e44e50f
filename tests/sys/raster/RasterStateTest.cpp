// The rasterizer's inputs: the viewport record's mapping, transform order, culling, shade and
// fill modes, dithering, vertex formats, draw-call checks, counters and the recording.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/sys/raster/RasterTestCanvas.h"
#include "sys/raster/vertex_format.h"

namespace {

using namespace tarvex::test;

TEST(RasterViewport, FullScreenRecordWithAspectInTheClipWindow) {
    RasterCanvas canvas(640, 480, PixelFormat::RGB565, false);
    // The record a 640 x 480 target gets: clip y 0.75, clip height 1.5, so one unit of x or y
    // is 320 pixels and (0, 0) is the centre (320, 240).
    Viewport v;
    v.dwWidth = 640;
    v.dwHeight = 480;
    v.dvClipX = -1.0f;
    v.dvClipY = 0.75f;
    v.dvClipWidth = 2.0f;
    v.dvClipHeight = 1.5f;
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    // Screen (100, 100), (104, 100), (100, 104): x = sx / 320 - 1, y = (240 - sy) / 320.
    ASSERT_TRUE(canvas.Triangles({V(-0.6875f, 0.4375f), V(-0.675f, 0.4375f), V(-0.6875f, 0.425f)}));
    EXPECT_EQ(canvas.raster.Counters().pixels, 10u);
    EXPECT_NE(canvas.Pixel(100, 100), 0u);
    EXPECT_NE(canvas.Pixel(103, 100), 0u);
    EXPECT_NE(canvas.Pixel(100, 103), 0u);
    EXPECT_EQ(canvas.Pixel(104, 100), 0u);
    EXPECT_EQ(canvas.Pixel(99, 100), 0u);
    // y = 0.75 is the top row, x = 1 the right edge (not covered: the right edge is out).
    canvas.raster.ResetCounters();
    ASSERT_TRUE(canvas.Triangles({V(0.9f, 0.75f), V(1.0f, 0.75f), V(0.9f, 0.7f)}));
    // x = 0.9 maps to 608 and y = 0.7 to row 16: row 0 spans 608..639.
    EXPECT_NE(canvas.Pixel(608, 0), 0u);
    EXPECT_NE(canvas.Pixel(639, 0), 0u);
    EXPECT_EQ(canvas.Pixel(607, 0), 0u);
    EXPECT_EQ(canvas.raster.Counters().pixels, 32u + 30u + 28u + 26u + 24u + 22u + 20u + 18u +
                                                   16u + 14u + 12u + 10u + 8u + 6u + 4u + 2u);
}

TEST(RasterViewport, ClipWindowPartMapsOntoTheRectangle) {
    RasterCanvas canvas(32, 32, PixelFormat::XRGB8888, false);
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    // Only x/w in [0, 1] and y/w in [0, 1] show, stretched over the 32 x 32 rectangle: a quad
    // from (-1, -1) to (0.5, 0.5) covers x and y samples below 16 from the top-left corner.
    Viewport v;
    v.dwWidth = 32;
    v.dwHeight = 32;
    v.dvClipX = 0.0f;
    v.dvClipY = 1.0f;
    v.dvClipWidth = 1.0f;
    v.dvClipHeight = 1.0f;
    ASSERT_TRUE(canvas.raster.SetViewport(v));
    ASSERT_TRUE(canvas.Triangles({V(-1, -1), V(0.5f, -1), V(-1, 0.5f), V(0.5f, -1), V(0.5f, 0.5f), V(-1, 0.5f)}));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            // x/w = 0.5 is sx = 16; y/w = 0.5 is sy = 16; the quad lies left of and below.
            EXPECT_EQ(canvas.Pixel(x, y) != 0, x < 16 && y >= 16) << x << "," << y;
        }
    }
}

TEST(RasterViewport, InvalidRecordsAreRefused) {
    RasterCanvas canvas(8, 8);
    Viewport good;
    good.dwWidth = 8;
    good.dwHeight = 8;
    ASSERT_TRUE(canvas.raster.SetViewport(good));
    Viewport v = good;
    v.dwWidth = 0;
    EXPECT_FALSE(canvas.raster.SetViewport(v));
    v = good;
    v.dvClipWidth = 0.0f;
    EXPECT_FALSE(canvas.raster.SetViewport(v));
    v = good;
    v.dvMinZ = v.dvMaxZ = 1.0f;
    EXPECT_FALSE(canvas.raster.SetViewport(v));
    v = good;
    v.dwX = 0xFFFFFFF0u;
    EXPECT_FALSE(canvas.raster.SetViewport(v));
    EXPECT_EQ(canvas.raster.GetViewport(), good);
}

TEST(RasterViewport, DrawWithoutViewportOrTargetFails) {
    Rasterizer raster;
    std::vector<LineVertex> v = {V(0, 0), V(1, 0), V(0, 1)};
    EXPECT_FALSE(raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 3, 0));
    RasterCanvas canvas(8, 8);
    EXPECT_FALSE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 3, 0));
}

TEST(RasterTransforms, WorldThenViewThenProjection) {
    RasterCanvas canvas(32, 32);
    canvas.UsePixelSpace();
    Matrix4 world;  // scale by 2
    world.m[0][0] = world.m[1][1] = 2.0f;
    Matrix4 view;  // then move right by 8
    view.m[3][0] = 8.0f;
    ASSERT_TRUE(canvas.raster.SetTransform(D3DTRANSFORMSTATE_WORLD, world));
    ASSERT_TRUE(canvas.raster.SetTransform(D3DTRANSFORMSTATE_VIEW, view));
    // (0,0),(2,0),(0,2) -> (8,0),(12,0),(8,4); the other order would give (16,0),(20,0),(16,4).
    ASSERT_TRUE(canvas.Triangles({V(0, 0), V(2, 0), V(0, 2)}));
    EXPECT_NE(canvas.Pixel(8, 0), 0u);
    EXPECT_NE(canvas.Pixel(11, 0), 0u);
    EXPECT_EQ(canvas.Pixel(12, 0), 0u);
    EXPECT_EQ(canvas.Pixel(16, 0), 0u);
    EXPECT_EQ(canvas.raster.Counters().pixels, 10u);
    Matrix4 back;
    ASSERT_TRUE(canvas.raster.GetTransform(D3DTRANSFORMSTATE_VIEW, back));
    EXPECT_EQ(back, view);
    EXPECT_FALSE(canvas.raster.SetTransform(4, view));
}

TEST(RasterCulling, ModesRemoveTheNamedWinding) {
    const std::vector<LineVertex> clockwise = {V(0, 0), V(4, 0), V(0, 4)};
    const std::vector<LineVertex> counter = {V(0, 0), V(0, 4), V(4, 0)};
    struct Case {
        uint32_t mode;
        bool drawsClockwise, drawsCounter;
    };
    for (const Case& c : {Case{D3DCULL_NONE, true, true}, Case{D3DCULL_CW, false, true},
                          Case{D3DCULL_CCW, true, false}}) {
        RasterCanvas canvas(8, 8);
        canvas.UsePixelSpace();
        canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, c.mode);
        canvas.Triangles(clockwise);
        EXPECT_EQ(canvas.raster.Counters().triangles, c.drawsClockwise ? 1u : 0u) << c.mode;
        canvas.raster.ResetCounters();
        canvas.Triangles(counter);
        EXPECT_EQ(canvas.raster.Counters().triangles, c.drawsCounter ? 1u : 0u) << c.mode;
        // Both windings cover the same ten pixels.
        EXPECT_EQ(canvas.raster.Counters().pixels, c.drawsCounter ? 10u : 0u);
    }
}

TEST(RasterCulling, StripTrianglesKeepTheWindingOfTheFirst) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();  // counter-clockwise culling stays on
    // (1,1) (5,1) (1,4) (5,4): the first triangle runs clockwise, and so does the second once
    // turned round as (1), (3), (2).
    ASSERT_TRUE(canvas.Triangles({V(1, 1), V(5, 1), V(1, 4), V(5, 4)}, D3DPT_TRIANGLESTRIP));
    EXPECT_EQ(canvas.raster.Counters().triangles, 2u);
    EXPECT_EQ(canvas.raster.Counters().pixels, 12u);
    const uint16_t indices[] = {0, 1, 2, 3};
    std::vector<LineVertex> v = {V(1, 1), V(5, 1), V(1, 4), V(5, 4)};
    canvas.raster.ResetCounters();
    ASSERT_TRUE(canvas.raster.DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0x142, v.data(), 4, indices, 4, 0));
    EXPECT_EQ(canvas.raster.Counters().triangles, 2u);
}

TEST(RasterShading, FlatTakesTheFirstCornersColour) {
    RasterCanvas canvas(16, 16);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    ASSERT_TRUE(canvas.Triangles({V(0, 0, 0x00123456), V(16, 0, 0x00FFFFFF), V(0, 16, 0x00000000)}));
    EXPECT_EQ(canvas.Pixel(0, 0), 0x00123456u);
    EXPECT_EQ(canvas.Pixel(10, 2), 0x00123456u);
    EXPECT_EQ(canvas.Pixel(2, 12), 0x00123456u);
}

TEST(RasterShading, FlatLinesTakeTheFirstEndsColour) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    std::vector<LineVertex> v = {V(0, 1, 0x00123456), V(8, 1, 0x00FFFFFF), V(-4, 3, 0x00ABCDEF), V(12, 3, 0)};
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_LINELIST, 0x142, v.data(), 4, 0));
    EXPECT_EQ(canvas.Pixel(6, 1), 0x00123456u);
    EXPECT_EQ(canvas.Pixel(7, 3), 0x00ABCDEFu);  // clipped at both ends, still the first colour
}

TEST(RasterShading, WireframeDrawsTheEdgesWithTheLineRule) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
    ASSERT_TRUE(canvas.Triangles({V(0, 0), V(4, 0), V(0, 4)}));
    // (0,0)->(4,0): x 0..4; (4,0)->(0,4): (4,0) (3,1) (2,2) (1,3) (0,4); (0,4)->(0,0): y 4..0.
    // Each corner is drawn by both of its edges.
    std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {3, 1},
                                                 {2, 2}, {1, 3}, {0, 4}, {0, 3}, {0, 2}, {0, 1}};
    for (const auto& [x, y] : expected) {
        EXPECT_NE(canvas.Pixel(x, y), 0u) << x << "," << y;
    }
    EXPECT_EQ(canvas.Pixel(1, 1), 0u);
    EXPECT_EQ(canvas.CountNonZero(), 12);
    EXPECT_EQ(canvas.raster.Counters().pixels, 15u);
}

TEST(RasterShading, DitherSpreadsAHalfStepOverTheCell) {
    // Red 128: 128 * 31 / 255 = 15.56. Thresholds (b + 0.5) / 16 of at least 0.44 (b >= 7)
    // round up: 9 of each 16 pixels are 16, 7 are 15, averaging 15.5625.
    RasterCanvas canvas(8, 8, PixelFormat::RGB565, false);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    const uint32_t c = 0x00800000;
    ASSERT_TRUE(canvas.Triangles({V(0, 0, c), V(8, 0, c), V(0, 8, c), V(8, 0, c), V(8, 8, c), V(0, 8, c)}));
    int sixteens = 0, fifteens = 0;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const uint32_t red = canvas.Pixel(x, y) >> 11;
            sixteens += red == 16;
            fifteens += red == 15;
        }
    }
    EXPECT_EQ(sixteens, 9);
    EXPECT_EQ(fifteens, 7);
    EXPECT_EQ(canvas.Pixel(0, 0) >> 11, 15u);  // Bayer 0 -> threshold 1/32
    EXPECT_EQ(canvas.Pixel(0, 3) >> 11, 16u);  // Bayer 15
    // Off: nearest, 16 everywhere; full white stays full white either way.
    canvas.raster.SetRenderState(D3DRENDERSTATE_DITHERENABLE, 0);
    ASSERT_TRUE(canvas.Triangles({V(0, 0, c), V(8, 0, c), V(0, 8, c), V(8, 0, c), V(8, 8, c), V(0, 8, c)}));
    EXPECT_EQ(canvas.Pixel(0, 0), 16u << 11);
    canvas.raster.SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    ASSERT_TRUE(canvas.Triangles({V(0, 0), V(8, 0), V(0, 8)}));
    EXPECT_EQ(canvas.Pixel(1, 1), 0xFFFFu);
}

TEST(RasterVertexFormats, LayoutsOfTheFormatsInUse) {
    VertexLayout layout;
    ASSERT_TRUE(DescribeVertexFormat(0x142, layout));
    EXPECT_EQ(layout.stride, 24u);
    EXPECT_EQ(layout.diffuse, 12);
    EXPECT_EQ(layout.texture[0], 16);
    ASSERT_TRUE(DescribeVertexFormat(0x152, layout));
    EXPECT_EQ(layout.stride, 36u);
    EXPECT_EQ(layout.normal, 12);
    EXPECT_EQ(layout.diffuse, 24);
    ASSERT_TRUE(DescribeVertexFormat(0x252, layout));
    EXPECT_EQ(layout.stride, 44u);
    EXPECT_EQ(layout.diffuse, 24);
    EXPECT_EQ(layout.texture[0], 28);
    EXPECT_EQ(layout.texture[1], 36);
    ASSERT_TRUE(DescribeVertexFormat(D3DFVF_LVERTEX, layout));
    EXPECT_EQ(layout.stride, 32u);
    EXPECT_EQ(layout.diffuse, 16);
    EXPECT_EQ(layout.specular, 20);
    EXPECT_EQ(layout.texture[0], 24);
    EXPECT_FALSE(DescribeVertexFormat(0x144, layout));  // transformed positions: not here
    EXPECT_FALSE(DescribeVertexFormat(0x143, layout));
    EXPECT_FALSE(DescribeVertexFormat(0x140, layout));
}

TEST(RasterVertexFormats, DiffuseIsReadFromEachFormat) {
    struct Main {
        float x, y, z, nx, ny, nz;
        uint32_t diffuse;
        float u0, v0, u1, v1;
    };
    struct Lit {
        float x, y, z;
        uint32_t reserved, diffuse, specular;
        float u, v;
    };
    static_assert(sizeof(Main) == 44 && sizeof(Lit) == 32);
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    const Main m[3] = {{0, 0, 0.5f, 0, 1, 0, 0x00102030, 0, 0, 0, 0},
                       {4, 0, 0.5f, 0, 1, 0, 0x00102030, 0, 0, 0, 0},
                       {0, 4, 0.5f, 0, 1, 0, 0x00102030, 0, 0, 0, 0}};
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x252, m, 3, D3DDP_DONOTUPDATEEXTENTS));
    EXPECT_EQ(canvas.Pixel(1, 1), 0x00102030u);
    const Lit l[3] = {{0, 0, 0.5f, 0xFFFFFFFF, 0x00405060, 0x00FFFFFF, 0, 0},
                      {4, 0, 0.5f, 0xFFFFFFFF, 0x00405060, 0x00FFFFFF, 0, 0},
                      {0, 4, 0.5f, 0xFFFFFFFF, 0x00405060, 0x00FFFFFF, 0, 0}};
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, l, 3, 0));
    EXPECT_EQ(canvas.Pixel(1, 1), 0x00405060u);
    // A format without a diffuse colour draws opaque white.
    const float bare[3][3] = {{0, 0, 0.5f}, {4, 0, 0.5f}, {0, 4, 0.5f}};
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ, bare, 3, 0));
    EXPECT_EQ(canvas.Pixel(1, 1), 0x00FFFFFFu);
}

TEST(RasterDrawCalls, ChecksAndIncompletePrimitives) {
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    std::vector<LineVertex> v = {V(0, 0), V(4, 0), V(0, 4), V(5, 5), V(6, 5)};
    EXPECT_FALSE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLEFAN, 0x142, v.data(), 3, 0));
    EXPECT_FALSE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x144, v.data(), 3, 0));
    EXPECT_FALSE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, nullptr, 3, 0));
    EXPECT_FALSE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 0x10000, 0));
    EXPECT_TRUE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, nullptr, 0, 0));
    EXPECT_EQ(canvas.raster.Counters().pixels, 0u);
    // Five vertices: one triangle, two left over.
    ASSERT_TRUE(canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 5, 0));
    EXPECT_EQ(canvas.raster.Counters().triangles, 1u);
    // An index past the vertex count skips its triangle only.
    const uint16_t indices[] = {0, 1, 7, 0, 1, 2, 0, 1};
    canvas.raster.ResetCounters();
    ASSERT_TRUE(canvas.raster.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 3, indices, 8, 0));
    EXPECT_EQ(canvas.raster.Counters().triangles, 1u);
    EXPECT_FALSE(canvas.raster.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 3, nullptr, 3, 0));
}

TEST(RasterRenderStates, DefaultsStoreAndRange) {
    Rasterizer raster;
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_ZENABLE), D3DZB_FALSE);
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_ZWRITEENABLE), 1u);
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_ZFUNC), D3DCMP_LESSEQUAL);
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_CULLMODE), D3DCULL_CCW);
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_SHADEMODE), D3DSHADE_GOURAUD);
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_FILLMODE), D3DFILL_SOLID);
    EXPECT_EQ(raster.GetRenderState(D3DRENDERSTATE_DITHERENABLE), 0u);
    EXPECT_TRUE(raster.SetRenderState(27, 1));  // kept for the stages to come
    EXPECT_EQ(raster.GetRenderState(27), 1u);
    EXPECT_FALSE(raster.SetRenderState(kRenderStateCount, 1));
}

TEST(RasterRecording, LogsCallsAndValuesInOrder) {
    RasterCanvas canvas(8, 8);
    canvas.raster.SetRecording(true);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    std::vector<LineVertex> v = {V(0, 0), V(4, 0), V(0, 4)};
    canvas.raster.DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v.data(), 3, D3DDP_DONOTUPDATEEXTENTS);
    const uint16_t indices[] = {0, 1};
    canvas.raster.DrawIndexedPrimitive(D3DPT_LINELIST, 0x142, v.data(), 3, indices, 2, 0x18);
    canvas.raster.Clear(sys::RECT{0, 0, 8, 8}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f);
    const std::vector<std::string> expected = {
        "SetViewport 0 0 8 8 0 0 8 8 0 1",
        "SetTransform 3 1 0 0 0 0 -1 0 0 0 0 1 0 0 0 0 1",
        "SetRenderState 22 1",
        "DrawPrimitive 4 0x142 3 0x8",
        "DrawIndexedPrimitive 2 0x142 3 2 0x18",
        "Clear 0 0 8 8 0x3 0xFF000000 1",
    };
    EXPECT_EQ(canvas.raster.Recording(), expected);
    EXPECT_EQ(canvas.raster.Counters().triangles, 1u);  // recorded calls still draw
    canvas.raster.SetRecording(false);
    canvas.raster.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(canvas.raster.Recording().size(), expected.size());
    canvas.raster.ClearRecording();
    EXPECT_TRUE(canvas.raster.Recording().empty());
}

TEST(RasterPixelStage, HookShadesAndDiscards) {
    // A stage that paints u as grey and discards the left half; z is only written for kept
    // pixels.
    struct Stage : PixelStage {
        bool Shade(const Fragment& f, ColorF& out) override {
            if (f.x < 4) {
                return false;
            }
            const float u = f.attributes[kTexture0U];
            out = ColorF{u, u, u, 1.0f};
            return true;
        }
    } stage;
    RasterCanvas canvas(8, 8);
    canvas.UsePixelSpace();
    canvas.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    canvas.raster.SetPixelStage(&stage);
    LineVertex a = V(0, 0), b = V(8, 0), c = V(0, 8), d = V(8, 8);
    a.u = c.u = 0.0f;
    b.u = d.u = 1.0f;
    ASSERT_TRUE(canvas.Triangles({a, b, c, b, d, c}));
    EXPECT_EQ(canvas.Pixel(2, 2), 0u);
    EXPECT_EQ(canvas.Depth(2, 2), 0xFFFF);
    EXPECT_EQ(canvas.Pixel(6, 2), 0x00BFBFBFu);  // u = 0.75 -> 191.25
    EXPECT_EQ(canvas.Depth(6, 2), 32768);
    EXPECT_EQ(canvas.raster.Counters().pixels, 32u);
}

}  // namespace
