// The colour path piece by piece against hand-worked values: texel layouts, addressing,
// filters and mip selection, the stage operations and arguments, the alpha test, every blend
// factor, table fog and vertex lighting.

#include <gtest/gtest.h>

#include <cmath>

#include "sys/raster/lighting.h"
#include "sys/raster/shading.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;

void ExpectColour(const ColorF& c, float r, float g, float b, float a, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_NEAR(c.r, r, 1e-4f);
    EXPECT_NEAR(c.g, g, 1e-4f);
    EXPECT_NEAR(c.b, b, 1e-4f);
    EXPECT_NEAR(c.a, a, 1e-4f);
}

TEST(RasterTexels, EachLayoutDecodes) {
    struct Case {
        TextureFormat format;
        uint32_t raw;
        float r, g, b, a;
    } cases[] = {
        {TextureFormat::RGB565, 0xF81F, 1, 0, 1, 1},
        {TextureFormat::RGB565, 0x0400, 0, 32.0f / 63, 0, 1},
        {TextureFormat::ARGB1555, 0x7C00, 1, 0, 0, 0},
        {TextureFormat::ARGB1555, 0x801F, 0, 0, 1, 1},
        {TextureFormat::ARGB4444, 0x5A0F, 10.0f / 15, 0, 1, 5.0f / 15},
        {TextureFormat::RGB555, 0x83E0, 0, 1, 0, 1},  // the top bit is no alpha
        {TextureFormat::XRGB8888, 0x00336699, 0.2f, 0.4f, 0.6f, 1},
        {TextureFormat::ARGB8888, 0x80FF0000, 1, 0, 0, 128.0f / 255},
    };
    for (const Case& c : cases) {
        ExpectColour(DecodeTexel(c.format, c.raw), c.r, c.g, c.b, c.a, "texel");
    }
}

// A 4 x 1 texture whose texels are 0, 1, 2, 3 in red (as 8-bit values), for reading back which
// texel a sample took.
int SampledTexel(uint32_t address, float u, bool linear = false) {
    TestTexture t(TextureFormat::XRGB8888, 4, 1, 1, [](int, int x, int) { return static_cast<uint32_t>(x) << 16; });
    SamplerState s;
    s.addressU = address;
    s.linearMag = linear;
    ColorF c;
    EXPECT_TRUE(SampleTexture(t.texture, s, u, 0.5f, -1.0f, c));
    return static_cast<int>(std::lround(c.r * 255.0f * (linear ? 10.0f : 1.0f)));
}

TEST(RasterTexels, AddressModesAndPointAndLinearFilters) {
    struct Case {
        uint32_t address;
        float u;
        int texel;
    } point[] = {
        {D3DTADDRESS_WRAP, 0.1f, 0},   {D3DTADDRESS_WRAP, 0.99f, 3},   {D3DTADDRESS_WRAP, 1.1f, 0},
        {D3DTADDRESS_WRAP, -0.1f, 3},  {D3DTADDRESS_MIRROR, 1.1f, 3},  {D3DTADDRESS_MIRROR, 1.9f, 0},
        {D3DTADDRESS_MIRROR, -0.1f, 0}, {D3DTADDRESS_MIRROR, 2.1f, 0}, {D3DTADDRESS_CLAMP, 1.7f, 3},
        {D3DTADDRESS_CLAMP, -3.0f, 0},
        // Far out and non-finite coordinates stay on the texture.
        {D3DTADDRESS_WRAP, 1e9f, 0},   {D3DTADDRESS_WRAP, -1e9f + 0.3f, 0},
        {D3DTADDRESS_WRAP, INFINITY, 0}, {D3DTADDRESS_CLAMP, NAN, 0},
    };
    for (const Case& c : point) {
        EXPECT_EQ(SampledTexel(c.address, c.u), c.texel) << "address " << c.address << " u " << c.u;
    }
    // Linear: texel centres at (i + 0.5) / 4. Halfway between texels 1 and 2 gives 1.5; at the
    // left border wrap mixes texels 3 and 0 equally, clamp stays on 0. (Read as tenths.)
    struct Linear {
        uint32_t address;
        float u;
        int tenths;
    } linear[] = {
        {D3DTADDRESS_WRAP, 0.5f, 15}, {D3DTADDRESS_WRAP, 0.375f, 10}, {D3DTADDRESS_WRAP, 0.0f, 15},
        {D3DTADDRESS_CLAMP, 0.0f, 0}, {D3DTADDRESS_CLAMP, 0.25f, 5},
    };
    for (const Linear& c : linear) {
        EXPECT_EQ(SampledTexel(c.address, c.u, true), c.tenths) << "address " << c.address << " u " << c.u;
    }
}

TEST(RasterTexels, MipSelectionBiasMaximumLevelAndColourKey) {
    // Level l of an 8 x 8 chain holds red = 10 l (8-bit).
    TestTexture t(TextureFormat::XRGB8888, 8, 8, 4,
                  [](int level, int, int) { return static_cast<uint32_t>(level * 10) << 16; });
    EXPECT_FLOAT_EQ(LevelOfDetail(2, 0, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(LevelOfDetail(0, 0, 0, 4), 2.0f);
    EXPECT_FLOAT_EQ(LevelOfDetail(3, 4, 0, 0), std::log2(5.0f));
    struct Case {
        uint32_t mip;
        float lod, bias;
        uint32_t maxLevel;
        float red;  // in 8-bit steps
    } cases[] = {
        {D3DTFP_NONE, 2.0f, 0, 0, 0},     {D3DTFP_POINT, 0.4f, 0, 0, 0},   {D3DTFP_POINT, 1.6f, 0, 0, 20},
        {D3DTFP_POINT, 9.0f, 0, 0, 30},   {D3DTFP_LINEAR, 1.25f, 0, 0, 12.5f}, {D3DTFP_LINEAR, 1.0f, 0.5f, 0, 15},
        {D3DTFP_POINT, 0.5f, -1.0f, 0, 0}, {D3DTFP_POINT, 0.6f, 0, 2, 20}, {D3DTFP_NONE, -1.0f, 0, 3, 30},
    };
    for (const Case& c : cases) {
        SamplerState s;
        s.mipFilter = c.mip;
        s.lodBias = c.bias;
        s.maxMipLevel = c.maxLevel;
        ColorF out;
        ASSERT_TRUE(SampleTexture(t.texture, s, 0.3f, 0.3f, c.lod, out));
        EXPECT_NEAR(out.r * 255.0f, c.red, 1e-3f) << "mip " << c.mip << " lod " << c.lod;
    }
    // Colour keying drops exactly the texels equal to the key, and only when asked.
    TestTexture keyed(TextureFormat::RGB565, 2, 1, 1, [](int, int x, int) { return x == 0 ? 0xF81Fu : 0x07E0u; });
    keyed.texture.hasColourKey = true;
    keyed.texture.colourKey = 0xF81F;
    SamplerState s;
    ColorF out;
    EXPECT_TRUE(SampleTexture(keyed.texture, s, 0.25f, 0.5f, 0, out));
    s.colourKey = true;
    EXPECT_FALSE(SampleTexture(keyed.texture, s, 0.25f, 0.5f, 0, out));
    EXPECT_TRUE(SampleTexture(keyed.texture, s, 0.75f, 0.5f, 0, out));
}

// One stage over a 1 x 1 texture of (0.8, 0.4, 0.2, 0.5) and diffuse (0.5, 0.5, 1, 0.25).
ColorF OneStage(uint32_t op, uint32_t arg1, uint32_t arg2, uint32_t alphaOp = D3DTOP_SELECTARG1) {
    static TestTexture texel(TextureFormat::ARGB8888, 1, 1, 1, [](int, int, int) { return 0x80CC6633u; });
    ShadeState s;
    s.stageCount = 1;
    s.stages[0].colourOp = op;
    s.stages[0].colourArg1 = arg1;
    s.stages[0].colourArg2 = arg2;
    s.stages[0].alphaOp = alphaOp;
    s.stages[0].alphaArg1 = D3DTA_TEXTURE;
    s.stages[0].alphaArg2 = D3DTA_DIFFUSE;
    s.stages[0].texture = &texel.texture;
    ClassifyStage(s.stages[0]);
    s.textureFactor = ColorF{0.1f, 0.2f, 0.3f, 0.75f};
    float attributes[kAttributeCount] = {0.5f, 0.5f, 1.0f, 0.25f};
    const float lod[2] = {0, 0};
    ColorF out;
    EXPECT_TRUE(ShadePixel(s, attributes, lod, 1.0f, out));
    return out;
}

TEST(RasterStages, OperationsAndArguments) {
    constexpr uint32_t T = D3DTA_TEXTURE, D = D3DTA_DIFFUSE, C = D3DTA_CURRENT;
    const float ta = 128.0f / 255;  // the texel's alpha
    struct Case {
        uint32_t op, a1, a2;
        float r, g, b;
        const char* what;
    } cases[] = {
        {D3DTOP_SELECTARG1, T, D, 0.8f, 0.4f, 0.2f, "select texture"},
        {D3DTOP_SELECTARG2, T, C, 0.5f, 0.5f, 1.0f, "select current (diffuse at stage 0)"},
        {D3DTOP_MODULATE, T, D, 0.4f, 0.2f, 0.2f, "modulate"},
        {D3DTOP_MODULATE2X, T, D, 0.8f, 0.4f, 0.4f, "modulate 2x"},
        {D3DTOP_MODULATE4X, T, D, 1.0f, 0.8f, 0.8f, "modulate 4x saturates"},
        {D3DTOP_ADD, T, D, 1.0f, 0.9f, 1.0f, "add"},
        {D3DTOP_ADDSIGNED, T, D, 0.8f, 0.4f, 0.7f, "add signed"},
        {D3DTOP_ADDSIGNED2X, T, D, 1.0f, 0.8f, 1.0f, "add signed 2x"},
        {D3DTOP_SUBTRACT, T, D, 0.3f, 0.0f, 0.0f, "subtract"},
        {D3DTOP_ADDSMOOTH, T, D, 0.9f, 0.7f, 1.0f, "add smooth"},
        {D3DTOP_BLENDDIFFUSEALPHA, T, D, 0.575f, 0.475f, 0.8f, "blend by diffuse alpha 0.25"},
        {D3DTOP_BLENDTEXTUREALPHA, T, D, 0.5f + 0.3f * ta, 0.5f - 0.1f * ta, 1.0f - 0.8f * ta, "blend by texture alpha"},
        {D3DTOP_BLENDFACTORALPHA, T, D, 0.725f, 0.425f, 0.4f, "blend by factor alpha 0.75"},
        {D3DTOP_BLENDTEXTUREALPHAPM, T, D, 0.8f + 0.5f * (1 - ta), 0.4f + 0.5f * (1 - ta), 0.2f + (1 - ta),
         "premultiplied blend"},
        {D3DTOP_BLENDCURRENTALPHA, T, D, 0.575f, 0.475f, 0.8f, "blend by current alpha"},
        {D3DTOP_MODULATEALPHA_ADDCOLOR, T, D, 0.8f + 0.5f * ta, 0.4f + 0.5f * ta, 0.2f + ta, "alpha times arg 2 added"},
        {D3DTOP_MODULATECOLOR_ADDALPHA, T, D, 0.4f + ta, 0.2f + ta, 0.2f + ta, "colour product plus alpha"},
        {D3DTOP_MODULATEINVALPHA_ADDCOLOR, T, D, 0.8f + 0.5f * (1 - ta), 0.4f + 0.5f * (1 - ta), 0.2f + (1 - ta),
         "inverse alpha times arg 2 added"},
        {D3DTOP_MODULATEINVCOLOR_ADDALPHA, T, D, 0.1f + ta, 0.3f + ta, 0.8f + ta, "inverse colour product plus alpha"},
        {D3DTOP_SELECTARG1, T | D3DTA_COMPLEMENT, D, 0.2f, 0.6f, 0.8f, "complement"},
        {D3DTOP_SELECTARG1, T | D3DTA_ALPHAREPLICATE, D, ta, ta, ta, "alpha replicate"},
        {D3DTOP_SELECTARG1, T | D3DTA_ALPHAREPLICATE | D3DTA_COMPLEMENT, D, 1 - ta, 1 - ta, 1 - ta, "both"},
        {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D, 0.1f, 0.2f, 0.3f, "texture factor"},
    };
    for (const Case& c : cases) {
        const ColorF out = OneStage(c.op, c.a1, c.a2);
        const auto clamp = [](float v) { return std::fmin(std::fmax(v, 0.0f), 1.0f); };
        ExpectColour(out, clamp(c.r), clamp(c.g), clamp(c.b), ta, c.what);
    }
    // Alpha has its own operation; disabled, it hands the current (diffuse) alpha on.
    EXPECT_NEAR(OneStage(D3DTOP_MODULATE, T, D, D3DTOP_MODULATE).a, 0.25f * ta, 1e-5f);
    EXPECT_NEAR(OneStage(D3DTOP_MODULATE, T, D, D3DTOP_DISABLE).a, 0.25f, 1e-5f);
}

TEST(RasterStages, AlphaTestFunctionsAgainstTheReference) {
    // Alpha 0x80 against references below, equal to and above it.
    struct Case {
        uint32_t func;
        bool below, equal, above;
    } cases[] = {
        {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, false, false, true},
        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, false, true, true},
        {D3DCMP_GREATER, true, false, false},     {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, true, true, false}, {D3DCMP_ALWAYS, true, true, true},
    };
    for (const Case& c : cases) {
        const bool expected[3] = {c.below, c.equal, c.above};
        const uint32_t references[3] = {0x7F, 0x80, 0x81};
        for (int k = 0; k < 3; ++k) {
            ShadeState s;
            s.alphaTest = true;
            s.alphaFunc = c.func;
            s.alphaRef = references[k];
            float attributes[kAttributeCount] = {1, 1, 1, 128.0f / 255};
            const float lod[2] = {0, 0};
            ColorF out;
            EXPECT_EQ(ShadePixel(s, attributes, lod, 1.0f, out), expected[k])
                << "function " << c.func << " reference " << references[k];
        }
    }
}

TEST(RasterStages, EveryBlendFactor) {
    // Source (0.8, 0.4, 0.2) at alpha 0.25 over destination (0.5, 0.5, 0.5); the target has no
    // alpha, so destination alpha is 1. Each factor as the source's with destination zero, and
    // as the destination's with source zero.
    const ColorF src{0.8f, 0.4f, 0.2f, 0.25f}, dst{0.5f, 0.5f, 0.5f, 1.0f};
    struct Case {
        uint32_t blend;
        float asSource[3];
        float asDest[3];
    } cases[] = {
        {D3DBLEND_ZERO, {0, 0, 0}, {0, 0, 0}},
        {D3DBLEND_ONE, {0.8f, 0.4f, 0.2f}, {0.5f, 0.5f, 0.5f}},
        {D3DBLEND_SRCCOLOR, {0.64f, 0.16f, 0.04f}, {0.4f, 0.2f, 0.1f}},
        {D3DBLEND_INVSRCCOLOR, {0.16f, 0.24f, 0.16f}, {0.1f, 0.3f, 0.4f}},
        {D3DBLEND_SRCALPHA, {0.2f, 0.1f, 0.05f}, {0.125f, 0.125f, 0.125f}},
        {D3DBLEND_INVSRCALPHA, {0.6f, 0.3f, 0.15f}, {0.375f, 0.375f, 0.375f}},
        {D3DBLEND_DESTALPHA, {0.8f, 0.4f, 0.2f}, {0.5f, 0.5f, 0.5f}},
        {D3DBLEND_INVDESTALPHA, {0, 0, 0}, {0, 0, 0}},
        {D3DBLEND_DESTCOLOR, {0.4f, 0.2f, 0.1f}, {0.25f, 0.25f, 0.25f}},
        {D3DBLEND_INVDESTCOLOR, {0.4f, 0.2f, 0.1f}, {0.25f, 0.25f, 0.25f}},
        {D3DBLEND_SRCALPHASAT, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        ShadeState s;
        s.blend = true;
        s.sourceBlend = c.blend;
        s.destBlend = D3DBLEND_ZERO;
        ExpectColour(BlendPixel(s, src, dst), c.asSource[0], c.asSource[1], c.asSource[2], 0.25f, "as source");
        s.sourceBlend = D3DBLEND_ZERO;
        s.destBlend = c.blend;
        ExpectColour(BlendPixel(s, src, dst), c.asDest[0], c.asDest[1], c.asDest[2], 0.25f, "as destination");
    }
    // The two "both" factors set the destination's too, whatever it says.
    ShadeState s;
    s.blend = true;
    s.destBlend = D3DBLEND_ONE;
    s.sourceBlend = D3DBLEND_BOTHSRCALPHA;
    ExpectColour(BlendPixel(s, src, dst), 0.575f, 0.475f, 0.425f, 0.25f, "both source alpha");
    s.sourceBlend = D3DBLEND_BOTHINVSRCALPHA;
    ExpectColour(BlendPixel(s, src, dst), 0.725f, 0.425f, 0.275f, 0.25f, "both inverse source alpha");
    // Sums saturate.
    s.sourceBlend = D3DBLEND_ONE;
    s.destBlend = D3DBLEND_ONE;
    ExpectColour(BlendPixel(s, src, dst), 1.0f, 0.9f, 0.7f, 0.25f, "one plus one");
}

TEST(RasterStages, LinearTableFogOnEyeDepth) {
    ShadeState s;
    s.fog = true;
    s.fogStart = 10.0f;
    s.fogEnd = 30.0f;
    s.fogColour = ColorF{0.0f, 0.0f, 1.0f, 0.0f};
    struct Case {
        float w, factor;
    } cases[] = {{5, 1}, {10, 1}, {15, 0.75f}, {20, 0.5f}, {30, 0}, {100, 0}};
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(FogFactor(s, c.w), c.factor) << "w " << c.w;
        float attributes[kAttributeCount] = {1, 1, 0, 1};
        const float lod[2] = {0, 0};
        ColorF out;
        ASSERT_TRUE(ShadePixel(s, attributes, lod, c.w, out));
        ExpectColour(out, c.factor, c.factor, 1.0f - c.factor, 1.0f, "fogged yellow");
    }
    // An end at or before the start is a step at the end.
    s.fogEnd = 10.0f;
    EXPECT_EQ(FogFactor(s, 9.9f), 1.0f);
    EXPECT_EQ(FogFactor(s, 10.0f), 0.0f);
}

TEST(RasterLighting, DirectionalLightsAmbientAndMaterial) {
    LightingState s;
    s.ambient = ColorF{0.2f, 0.2f, 0.2f, 1};
    s.materialAmbient = ColorF{1.0f, 0.5f, 0.0f, 1};
    DirectionalLight down;  // straight down, white
    down.colour = ColorF{1, 1, 1, 0};
    DirectionalLight slanted;  // from (1, 1, 0) towards the origin, red only, not normalised
    slanted.direction[0] = -2.0f;
    slanted.direction[1] = -2.0f;
    slanted.direction[2] = 0.0f;
    slanted.colour = ColorF{1, 0, 0, 0};
    s.lights = {down, slanted};
    const ColorF diffuse{0.5f, 0.5f, 0.5f, 0.75f};
    const float cos45 = std::sqrt(0.5f);
    struct Case {
        float normal[3];
        float r, g, b;
        const char* what;
    } cases[] = {
        {{0, 1, 0}, 0.2f + 0.5f + 0.5f * cos45, 0.1f + 0.5f, 0.5f, "facing up: both lights"},
        {{1, 0, 0}, 0.2f + 0.5f * cos45, 0.1f, 0.0f, "facing +x: only the slanted one at 45 degrees"},
        {{0, -1, 0}, 0.2f, 0.1f, 0.0f, "facing down: ambient only"},
        {{-cos45, cos45, 0}, 0.2f + 0.5f * cos45, 0.1f + 0.5f * cos45, 0.5f * cos45, "at right angles to the red"},
    };
    for (const Case& c : cases) {
        ExpectColour(LightVertex(s, c.normal, diffuse), std::fmin(c.r, 1.0f), c.g, c.b, 0.75f, c.what);
    }
}

}  // namespace
