// Reference images of a textured, fogged, blended perspective scene: a mipmapped floor with
// linear filters running through the near and far planes into table fog, a colour-keyed
// window, an alpha-tested strip, an alpha-blended triangle cut by the right side and a quad
// textured from two stages. Pixels whose answer follows by hand are checked before the images
// are compared.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/ReferenceImage.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

constexpr uint32_t kBackground = 0x00202040;
constexpr uint32_t kFog = 0x00808080;

// The 44-byte vertex with a normal and two coordinate pairs (format 0x252).
struct MainVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse;
    float u0, v0, u1, v1;
};

uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

LineVertex T(float x, float y, float z, float u, float v, uint32_t colour = 0xFFFFFFFF) {
    return LineVertex{x, y, z, colour, u, v};
}

struct Scene {
    // Floor: a red and white checker at full size, then flat green, blue, yellow, magenta.
    TestTexture floor{TextureFormat::RGB565, 16, 16, 5, [](int level, int x, int y) -> uint32_t {
                          static constexpr uint32_t kFlat[] = {0, 0x07E0, 0x001F, 0xFFE0, 0xF81F};
                          return level == 0 ? (((x / 2 + y / 2) & 1) ? 0xF800u : 0xFFFFu) : kFlat[level];
                      }};
    // Window: orange with its middle 2 x 2 texels keyed out.
    TestTexture window{TextureFormat::XRGB8888, 4, 4, 1, [](int, int x, int y) -> uint32_t {
                           return (x == 1 || x == 2) && (y == 1 || y == 2) ? 0x00FF00FFu : 0x00FF8000u;
                       }};
    // Strip: cyan with alpha 0, 5, 10, 15 sixteenths across.
    TestTexture strip{TextureFormat::ARGB4444, 4, 1, 1,
                      [](int, int x, int) -> uint32_t { return static_cast<uint32_t>(x * 5) << 12 | 0x0FF; }};
    // Two stages: a grey ramp across, then a vertical ramp of blue modulated twice over.
    TestTexture ramp{TextureFormat::ARGB8888, 4, 1, 1,
                     [](int, int x, int) -> uint32_t { return 0xFF000000u | 0x404040u * static_cast<uint32_t>(x); }};
    TestTexture blue{TextureFormat::RGB555, 1, 4, 1,
                     [](int, int, int y) -> uint32_t { return 0x03E0u | static_cast<uint32_t>(y * 10); }};
};

// 96 x 72, clip y 0.75 and height 1.5, a 90-degree projection with near 1 and far 20:
// screen x = 48 + 48 x/z, y = 36 - 48 y/z.
void DrawScene(RasterCanvas& canvas, Scene& scene) {
    Rasterizer& r = canvas.raster;
    ASSERT_TRUE(SetUpReferenceView(r, 20.0f));
    ASSERT_TRUE(r.Clear(sys::RECT{0, 0, 96, 72}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f));

    // The floor y = -1, from z = 0.5 (before the near plane) to 30 (past the far one), one
    // checker repeat per unit, fogged from 6 to 16.
    r.SetTexture(0, &scene.floor.texture);
    r.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    r.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    r.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    r.SetRenderState(D3DRENDERSTATE_FOGENABLE, 1);
    r.SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
    r.SetRenderState(D3DRENDERSTATE_FOGCOLOR, kFog);
    r.SetRenderState(D3DRENDERSTATE_FOGTABLESTART, Bits(6.0f));
    r.SetRenderState(D3DRENDERSTATE_FOGTABLEEND, Bits(16.0f));
    ASSERT_TRUE(canvas.Triangles({T(-6, -1, 0.5f, 0, 0.5f), T(6, -1, 0.5f, 12, 0.5f), T(-6, -1, 30, 0, 30),
                                  T(6, -1, 0.5f, 12, 0.5f), T(6, -1, 30, 12, 30), T(-6, -1, 30, 0, 30)}));
    r.SetRenderState(D3DRENDERSTATE_FOGENABLE, 0);

    // The window at z = 3: point-sampled, clamped, colour-keyed.
    r.SetTexture(0, &scene.window.texture);
    r.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    r.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
    r.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_NONE);
    r.SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    r.SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 1);
    scene.window.texture.hasColourKey = true;
    scene.window.texture.colourKey = 0x00FF00FF;
    const float wl = -2.0f, wr = -0.5f, wt = 0.1f, wb = -0.9f;
    ASSERT_TRUE(canvas.Triangles({T(wl, wt, 3, 0, 0), T(wr, wt, 3, 1, 0), T(wl, wb, 3, 0, 1), T(wr, wt, 3, 1, 0),
                                  T(wr, wb, 3, 1, 1), T(wl, wb, 3, 0, 1)}));
    r.SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 0);

    // The strip at z = 4: alpha at least 128 passes.
    r.SetTexture(0, &scene.strip.texture);
    r.SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, 1);
    r.SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    r.SetRenderState(D3DRENDERSTATE_ALPHAREF, 128);
    ASSERT_TRUE(canvas.Triangles({T(-2.5f, 1.5f, 4, 0, 0), T(-0.5f, 1.5f, 4, 1, 0), T(-2.5f, 0.5f, 4, 0, 1),
                                  T(-0.5f, 1.5f, 4, 1, 0), T(-0.5f, 0.5f, 4, 1, 1), T(-2.5f, 0.5f, 4, 0, 1)}));
    r.SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, 0);

    // Half-transparent red at z = 2.5 reaching past the right edge: diffuse colour and alpha.
    r.SetTexture(0, nullptr);
    r.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    r.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    r.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    r.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    ASSERT_TRUE(canvas.Triangles({T(0.5f, 1.2f, 2.5f, 0, 0, 0x80FF0000), T(4, 1.2f, 2.5f, 0, 0, 0x80FF0000),
                                  T(0.5f, 0.2f, 2.5f, 0, 0, 0x80FF0000)}));
    r.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    r.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);

    // Two stages at z = 5: the ramp selected, then blue modulated twice over from the second
    // coordinate pair.
    r.SetTexture(0, &scene.ramp.texture);
    r.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    r.SetTexture(1, &scene.blue.texture);
    r.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
    r.SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    r.SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    auto m = [](float x, float y, float u, float v) { return MainVertex{x, y, 5, 0, 0, -1, 0xFFFFFFFF, u, 0, 0, v}; };
    const std::vector<MainVertex> quad = {m(-0.4f, 1.6f, 0, 0), m(0.4f, 1.6f, 1, 0), m(-0.4f, 0.8f, 0, 1),
                                          m(0.4f, 1.6f, 1, 0),  m(0.4f, 0.8f, 1, 1), m(-0.4f, 0.8f, 0, 1)};
    ASSERT_TRUE(r.DrawPrimitive(D3DPT_TRIANGLELIST, 0x252, quad.data(), 6, 0));
    r.SetTexture(0, nullptr);
    r.SetTexture(1, nullptr);
}

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

TEST(RasterPipelineImage, TexturedFoggedBlendedScene32) {
    RasterCanvas canvas(96, 72, PixelFormat::XRGB8888);
    Scene scene;
    DrawScene(canvas, scene);
    const Image image = ImageFromXRGB8888(canvas.pixels.data(), 96, 72, canvas.pitch);
    // Row 39 sees the floor at z = 16, the fog's end: fog colour only. Row 38 is at z = 24,
    // past the far plane: background.
    EXPECT_EQ(image.At(48, 39), kFog);
    EXPECT_EQ(image.At(48, 38), kBackground);
    // Red at alpha 128/255 over the background: 255 a + 32 (1 - a) = 143.9, 32 (1 - a) = 15.9,
    // 64 (1 - a) = 31.9.
    EXPECT_EQ(image.At(70, 20), 0x00901020u);
    // The window's corner texel is orange; its middle is keyed out and shows the floor behind.
    EXPECT_EQ(image.At(18, 36), 0x00FF8000u);
    EXPECT_NE(image.At(28, 42), 0x00FF8000u);
    EXPECT_NE(image.At(28, 42), kBackground);
    // The strip's first quarter (alpha 0) is dropped; its last (alpha 1) is cyan.
    EXPECT_EQ(image.At(20, 24), kBackground);
    EXPECT_EQ(image.At(39, 24), 0x0000FFFFu);
    // Two stages: the ramp's third texel (0x80 grey) times twice the blue texel of row 1
    // (green 31/31, blue 10/31): red 0, green 2 * 0.502 -> 255, blue 2 * 0.502 * 0.3226 -> 82.6.
    const uint32_t twoStage = image.At(49, 23);
    EXPECT_EQ(Channel(twoStage, 16), 0u);
    EXPECT_EQ(Channel(twoStage, 8), 255u);
    EXPECT_NEAR(static_cast<int>(Channel(twoStage, 0)), 83, 1);
    EXPECT_TRUE(MatchesReference(image, "raster/pipeline_xrgb8888.png", 1, 0));
    EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(RasterPipelineImage, TexturedFoggedBlendedScene16Dithered) {
    RasterCanvas canvas(96, 72, PixelFormat::RGB565);
    Scene scene;
    DrawScene(canvas, scene);
    const Image image = ImageFromRGB565(canvas.pixels.data(), 96, 72, canvas.pitch);
    // One step of a 5-bit channel widens to 8 or 9 (the top bits repeat), of a 6-bit one to 4
    // or 5.
    EXPECT_TRUE(MatchesReference(image, "raster/pipeline_rgb565.png", 9, 0));
    EXPECT_TRUE(canvas.PaddingIntact());
}

}  // namespace
