// The wide span loops give the same pixels and z values as the one-pixel loops over a scene of
// overlapping shaded triangles in every state they cover, on every processor path this machine
// has (each forced in turn): bit for bit, except the sixteen-pixel textured loop with a linear
// filter, whose colours may be one step away in a channel.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sys/raster/raster_spans_simd.h"
#include "tests/sys/raster/RasterTestCanvas.h"

namespace {

using namespace tarvex::test;
using sys::raster::simd::Isa;

struct Result {
    std::vector<uint8_t> pixels;
    std::vector<uint16_t> depth;
    uint64_t written;
};

// The textured states the wide loop covers.
struct Texturing {
    TextureFormat format;
    uint32_t filter;  // D3DTFG_ / D3DTFN_ point or linear, for both
    uint32_t mip;
    uint32_t address;
    bool fog, alphaTest, blend;
    uint32_t colourOp, alphaOp;
    float lodBias = 0.0f;
    int width = 32;      // of the full-size level; 16 texels high
    float shift = 0.0f;  // added to every vertex's u and v
    bool sharedPitch = false;  // z rows as long as a 565 target's
    uint32_t zFunc = D3DCMP_LESSEQUAL, zBias = 0;
};

// The path the wide draws take; the one-pixel loops are the reference.
Isa g_path = Isa::Avx2;

Result Draw(bool wide, PixelFormat format, bool dither, bool perspective, uint32_t zFunc, uint32_t zWrite,
            uint32_t bias, const Texturing* texturing = nullptr, bool small = false, float reach = 3.0f,
            bool sixteen = true, int width = 61) {
    const Isa active = sys::raster::simd::ActiveIsa();
    sys::raster::simd::UseIsa(wide ? g_path : Isa::Scalar);
    sys::raster::simd::Enable16(sixteen);
    RasterCanvas canvas(width, 47, format, true, texturing != nullptr && texturing->sharedPitch ? 12 : 6);
    Rasterizer& r = canvas.raster;
    SetUpUnitPerspective(r, width, 47, dither);
    if (!perspective) {
        r.SetTransform(D3DTRANSFORMSTATE_PROJECTION, Matrix4{});
    }
    r.SetRenderState(D3DRENDERSTATE_ZFUNC, zFunc);
    r.SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, zWrite);
    r.SetRenderState(D3DRENDERSTATE_ZBIAS, bias);
    r.Clear(sys::RECT{0, 0, width, 47}, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00405060, 0.6f);
    // 32 x 16 texels over five levels of noise, alpha included where the layout has it.
    std::mt19937 texels(3);
    TestTexture texture(texturing != nullptr ? texturing->format : TextureFormat::RGB565,
                        texturing != nullptr ? texturing->width : 32, 16, 5,
                        [&](int, int, int) { return static_cast<uint32_t>(texels()) & 0xFFFF; });
    if (texturing != nullptr) {
        const Texturing& t = *texturing;
        r.SetTexture(0, &texture.texture);
        r.SetTextureStageState(0, D3DTSS_MAGFILTER, t.filter);
        r.SetTextureStageState(0, D3DTSS_MINFILTER, t.filter);
        r.SetTextureStageState(0, D3DTSS_MIPFILTER, t.mip);
        uint32_t biasBits;
        std::memcpy(&biasBits, &t.lodBias, 4);
        r.SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, biasBits);
        r.SetTextureStageState(0, D3DTSS_ADDRESS, t.address);
        r.SetTextureStageState(0, D3DTSS_COLOROP, t.colourOp);
        r.SetTextureStageState(0, D3DTSS_ALPHAOP, t.alphaOp);
        r.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        r.SetRenderState(D3DRENDERSTATE_FOGENABLE, t.fog);
        r.SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
        r.SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00C08040);
        const float start = 0.9f, end = 2.5f;
        uint32_t bits;
        std::memcpy(&bits, &start, 4);
        r.SetRenderState(D3DRENDERSTATE_FOGTABLESTART, bits);
        std::memcpy(&bits, &end, 4);
        r.SetRenderState(D3DRENDERSTATE_FOGTABLEEND, bits);
        r.SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, t.alphaTest);
        r.SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
        r.SetRenderState(D3DRENDERSTATE_ALPHAREF, 0x60);
        r.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, t.blend);
        r.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        r.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<float> xy(-1.3f, 1.3f), depth(1.2f, 3.0f);
    // Small triangles: a few pixels each, around points spread over the target.
    std::uniform_real_distribution<float> nearby(-0.25f, 0.25f);
    std::vector<LineVertex> list;
    for (int k = 0; k < (small ? 400 : 60); ++k) {
        const float z = perspective ? depth(random) : depth(random) / 3.0f;
        const float cx = small ? xy(random) : 0.0f, cy = small ? xy(random) : 0.0f;
        for (int c = 0; c < 3; ++c) {
            const float s = perspective ? z : 1.0f;
            const float x = small ? cx + nearby(random) : xy(random), y = small ? cy + nearby(random) : xy(random);
            const float lean = small ? 0.02f : 0.3f;
            LineVertex vertex = V(x * s, y * s, static_cast<uint32_t>(random()), z + lean * static_cast<float>(c));
            // A reach that is not a number leaves v near, so u alone is out of range.
            const float shift = texturing != nullptr ? texturing->shift : 0.0f;
            vertex.u = xy(random) * reach + shift;
            vertex.v = xy(random) * (std::isnan(reach) ? 3.0f : reach) + shift;
            list.push_back(vertex);
        }
    }
    canvas.Triangles(list);
    sys::raster::simd::UseIsa(active);
    sys::raster::simd::Enable16(true);
    return Result{canvas.pixels, canvas.depth, r.Counters().pixels};
}

// Where `wide` and `narrow` differ by more than one step in some channel of the target's
// layout: "" when every pixel is within one step, else the first such pixel.
std::string BeyondOneStep(const Result& wide, const Result& narrow, PixelFormat format) {
    const bool rgb565 = format == PixelFormat::RGB565;
    const int bytes = rgb565 ? 2 : 4;
    struct Field {
        int shift, bits;
    };
    const std::vector<Field> fields = rgb565 ? std::vector<Field>{{11, 5}, {5, 6}, {0, 5}}
                                             : std::vector<Field>{{16, 8}, {8, 8}, {0, 8}};
    for (size_t at = 0; at + bytes <= wide.pixels.size(); at += bytes) {
        uint32_t a = 0, b = 0;
        std::memcpy(&a, &wide.pixels[at], bytes);
        std::memcpy(&b, &narrow.pixels[at], bytes);
        for (const Field& f : fields) {
            const int ca = static_cast<int>((a >> f.shift) & ((1u << f.bits) - 1));
            const int cb = static_cast<int>((b >> f.shift) & ((1u << f.bits) - 1));
            if (std::abs(ca - cb) > 1) {
                std::ostringstream out;
                out << "byte " << at << ": " << std::hex << a << " against " << b;
                return out.str();
            }
        }
    }
    return wide.pixels.size() == narrow.pixels.size() ? "" : "sizes differ";
}

class RasterWideSpans : public ::testing::TestWithParam<Isa> {
protected:
    void SetUp() override {
        if (sys::raster::simd::BestIsa() < GetParam()) {
            GTEST_SKIP() << "this processor has no " << sys::raster::simd::IsaName(GetParam()) << " path";
        }
        g_path = GetParam();
    }
};

TEST_P(RasterWideSpans, MatchTheOnePixelLoopsBitForBit) {
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
        {PixelFormat::RGB565, true, false, D3DCMP_GREATEREQUAL, 1, 0},
        {PixelFormat::RGB565, true, true, D3DCMP_NEVER, 1, 0},
    };
    for (const Case& c : cases) {
        const Result wide = Draw(true, c.format, c.dither, c.perspective, c.zFunc, c.zWrite, c.bias);
        const Result narrow = Draw(false, c.format, c.dither, c.perspective, c.zFunc, c.zWrite, c.bias);
        EXPECT_EQ(wide.pixels, narrow.pixels) << "z function " << c.zFunc;
        EXPECT_EQ(wide.depth, narrow.depth) << "z function " << c.zFunc;
        EXPECT_EQ(wide.written, narrow.written) << "z function " << c.zFunc;
        if (c.zFunc != D3DCMP_EQUAL && c.zFunc != D3DCMP_NEVER) {
            EXPECT_GT(narrow.written, 500u);
        }
    }
}

// Each textured case drawn by the wide loops and by the one-pixel loops: the eight-pixel loops
// match bit for bit; the sixteen-pixel ones within one step per channel, with the same z values
// and pixels written.
void ExpectTexturedMatch(const Texturing& t, PixelFormat format, bool perspective, bool small, uint64_t least) {
    const int layout = static_cast<int>(t.format);
    const Result narrow = Draw(false, format, true, perspective, t.zFunc, 1, t.zBias, &t, small);
    for (const bool sixteen : {false, true}) {
        const Result wide = Draw(true, format, true, perspective, t.zFunc, 1, t.zBias, &t, small, 3.0f, sixteen);
        const auto where = ::testing::Message() << "texture layout " << layout << " filter " << t.filter << " mip "
                                                << t.mip << " perspective " << perspective << " sixteen " << sixteen;
        if (sixteen) {
            EXPECT_EQ(BeyondOneStep(wide, narrow, format), "") << where;
        } else {
            EXPECT_EQ(wide.pixels, narrow.pixels) << where;
        }
        EXPECT_EQ(wide.depth, narrow.depth) << where;
        EXPECT_EQ(wide.written, narrow.written) << where;
    }
    EXPECT_GT(narrow.written, least) << "texture layout " << layout;
}

TEST_P(RasterWideSpans, TexturedSpansMatchTheOnePixelLoops) {
    constexpr uint32_t kPoint = D3DTFG_POINT, kLinear = D3DTFG_LINEAR;
    const Texturing cases[] = {
        {TextureFormat::RGB565, kLinear, D3DTFP_LINEAR, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::RGB565, kLinear, D3DTFP_POINT, D3DTADDRESS_CLAMP, false, false, false, D3DTOP_SELECTARG1,
         D3DTOP_SELECTARG1},
        {TextureFormat::ARGB1555, kPoint, D3DTFP_NONE, D3DTADDRESS_WRAP, true, true, false, D3DTOP_MODULATE,
         D3DTOP_SELECTARG1},
        {TextureFormat::ARGB4444, kLinear, D3DTFP_LINEAR, D3DTADDRESS_CLAMP, false, true, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::RGB555, kPoint, D3DTFP_LINEAR, D3DTADDRESS_WRAP, true, false, false, D3DTOP_SELECTARG2,
         D3DTOP_SELECTARG2},
        {TextureFormat::ARGB1555, kLinear, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        // The linear filter without the alpha test: fog, blending and mip selection on and off,
        // every 16-bit layout.
        {TextureFormat::ARGB4444, kLinear, D3DTFP_LINEAR, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::RGB555, kLinear, D3DTFP_NONE, D3DTADDRESS_CLAMP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_SELECTARG2},
        {TextureFormat::ARGB1555, kLinear, D3DTFP_LINEAR, D3DTADDRESS_CLAMP, false, false, true, D3DTOP_SELECTARG1,
         D3DTOP_MODULATE},
        {TextureFormat::RGB565, kLinear, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, false, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::ARGB4444, kLinear, D3DTFP_NONE, D3DTADDRESS_WRAP, false, false, false, D3DTOP_SELECTARG1,
         D3DTOP_SELECTARG1},
        // The usual scene's states with point mip selection, the level biased either way.
        {TextureFormat::RGB565, kLinear, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::RGB565, kLinear, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE, 0.7f},
        {TextureFormat::ARGB4444, kLinear, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE, -1.3f},
    };
    for (const PixelFormat format : {PixelFormat::RGB565, PixelFormat::XRGB8888}) {
        for (const Texturing& t : cases) {
            for (const bool perspective : {true, false}) {
                ExpectTexturedMatch(t, format, perspective, false, 50);
            }
        }
    }
}

// Small triangles gather their short rows into shared groups where the processor allows.
TEST_P(RasterWideSpans, SmallTexturedTrianglesMatchTheOnePixelLoops) {
    const Texturing cases[] = {
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, false, D3DTOP_MODULATE,
         D3DTOP_SELECTARG1},
        {TextureFormat::ARGB4444, D3DTFG_LINEAR, D3DTFP_LINEAR, D3DTADDRESS_CLAMP, true, false, true,
         D3DTOP_MODULATE, D3DTOP_MODULATE},
        {TextureFormat::ARGB1555, D3DTFG_POINT, D3DTFP_LINEAR, D3DTADDRESS_WRAP, true, true, true,
         D3DTOP_SELECTARG1, D3DTOP_SELECTARG1},
        {TextureFormat::RGB555, D3DTFG_LINEAR, D3DTFP_LINEAR, D3DTADDRESS_CLAMP, false, false, false,
         D3DTOP_SELECTARG1, D3DTOP_SELECTARG1},
        // The usual scene's states: wrapped, trilinear, modulated, fogged and blended.
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_LINEAR, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE, 0.4f},
        // The lit scene's states, neither fogged nor blended, the level biased: most groups
        // share a level, some straddle two; then with z rows as long as the target's.
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, false, D3DTOP_MODULATE,
         D3DTOP_MODULATE, -0.6f},
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, false, D3DTOP_MODULATE,
         D3DTOP_MODULATE, -0.6f, 32, 0.0f, true},
        // The lit scene's states but one: clamped, the texture or the diffuse colour alone, z
        // tested otherwise and biased.
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_CLAMP, false, false, false,
         D3DTOP_MODULATE, D3DTOP_MODULATE, -0.6f},
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, false,
         D3DTOP_SELECTARG1, D3DTOP_MODULATE, -0.6f},
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, false,
         D3DTOP_SELECTARG2, D3DTOP_MODULATE, -0.6f},
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false, false, D3DTOP_MODULATE,
         D3DTOP_MODULATE, -0.6f, 32, 0.0f, false, D3DCMP_LESS, 3},
    };
    for (const PixelFormat format : {PixelFormat::RGB565, PixelFormat::XRGB8888}) {
        for (const Texturing& t : cases) {
            for (const bool perspective : {true, false}) {
                ExpectTexturedMatch(t, format, perspective, true, t.alphaTest ? 30 : 400);
            }
        }
    }
}

// Rows long enough for whole pieces of four sixteen-lane groups, in the usual scene's states
// with nearest mip selection: within one step of the one-pixel loops, and where this machine
// has both processor paths, the AVX2 path's pixels are the AVX-512 path's.
TEST_P(RasterWideSpans, LongUsualRowsMatchTheOnePixelLoopsAndEitherPath) {
    const Texturing cases[] = {
        {TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE},
        {TextureFormat::ARGB4444, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, true, false, true, D3DTOP_MODULATE,
         D3DTOP_MODULATE, -0.8f},
    };
    constexpr int kWidth = 203;
    for (const Texturing& t : cases) {
        const auto where = ::testing::Message() << "texture layout " << static_cast<int>(t.format);
        const Result narrow =
            Draw(false, PixelFormat::RGB565, true, true, D3DCMP_LESSEQUAL, 1, 0, &t, false, 3.0f, true, kWidth);
        const Result wide =
            Draw(true, PixelFormat::RGB565, true, true, D3DCMP_LESSEQUAL, 1, 0, &t, false, 3.0f, true, kWidth);
        EXPECT_EQ(BeyondOneStep(wide, narrow, PixelFormat::RGB565), "") << where;
        EXPECT_EQ(wide.depth, narrow.depth) << where;
        EXPECT_EQ(wide.written, narrow.written) << where;
        EXPECT_GT(narrow.written, 2000u) << where;
        if (g_path == Isa::Avx2 && sys::raster::simd::BestIsa() >= Isa::Avx512) {
            g_path = Isa::Avx512;
            const Result other =
                Draw(true, PixelFormat::RGB565, true, true, D3DCMP_LESSEQUAL, 1, 0, &t, false, 3.0f, true, kWidth);
            g_path = Isa::Avx2;
            EXPECT_EQ(wide.pixels, other.pixels) << where;
            EXPECT_EQ(wide.depth, other.depth) << where;
        }
    }
}

// Coordinates past 65536 repeats, or not numbers, need the one-texel sampler: the wide loops
// hand such groups back and the pixels stay the same.
TEST_P(RasterWideSpans, FarTextureCoordinatesMatchTheOnePixelLoops) {
    const Texturing trilinear{TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_LINEAR, D3DTADDRESS_WRAP, true, false,
                              true, D3DTOP_MODULATE, D3DTOP_MODULATE};
    // A wide texture, sampled at its full size far from the origin: the usual states take
    // fixed-point texel positions, whose reach the texture's size lowers.
    // The lit world's states, which the AVX2 processors shade in a packet loop of their own.
    const Texturing lit{TextureFormat::RGB565, D3DTFG_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP, false, false,
                        false, D3DTOP_MODULATE, D3DTOP_MODULATE};
    Texturing wideTexture = trilinear;
    wideTexture.mip = D3DTFP_POINT;
    wideTexture.width = 1024;
    wideTexture.shift = 9000.0f;
    const struct {
        const Texturing* t;
        float reach;
        bool small;
        uint64_t least;
    } cases[] = {{&trilinear, 60000.0f, false, 400},
                 {&trilinear, 60000.0f, true, 400},
                 {&trilinear, std::numeric_limits<float>::quiet_NaN(), false, 200},
                 {&lit, 60000.0f, true, 400},
                 {&wideTexture, 0.05f, false, 400}};
    for (const auto& c : cases) {
        const Texturing& t = *c.t;
        const Result narrow = Draw(false, PixelFormat::RGB565, true, true, D3DCMP_LESSEQUAL, 1, 0, &t, c.small, c.reach);
        for (const bool sixteen : {false, true}) {
            const Result wide =
                Draw(true, PixelFormat::RGB565, true, true, D3DCMP_LESSEQUAL, 1, 0, &t, c.small, c.reach, sixteen);
            const auto where = ::testing::Message() << "reach " << c.reach << " small " << c.small << " sixteen "
                                                    << sixteen;
            if (sixteen) {
                EXPECT_EQ(BeyondOneStep(wide, narrow, PixelFormat::RGB565), "") << where;
            } else {
                EXPECT_EQ(wide.pixels, narrow.pixels) << where;
            }
            EXPECT_EQ(wide.depth, narrow.depth) << where;
            EXPECT_EQ(wide.written, narrow.written) << where;
        }
        EXPECT_GT(narrow.written, c.least) << "reach " << c.reach;
    }
}

// Rows whose q is not positive throughout take w from the draw's constant q at those pixels (a
// loop may leave the check out only on rows positive at both ends): the sixteen-pixel Gouraud
// span gives what the eight-pixel one gives, span ends and partial z passes included.
TEST_P(RasterWideSpans, GouraudRowsWithQAtOrBelowZeroMatchTheEightPixelLoop) {
    const struct {
        float q0, dq;
        int length;
        PixelFormat format;
    } cases[] = {
        {0.30f, -0.02f, 40, PixelFormat::RGB565},  // q reaches zero at pixel 15
        {-0.10f, 0.01f, 23, PixelFormat::RGB565},  // and from below zero
        {0.50f, 0.01f, 16, PixelFormat::RGB565},   // positive throughout
        {0.30f, -0.02f, 37, PixelFormat::XRGB8888},
        {-0.10f, 0.01f, 32, PixelFormat::XRGB8888},
    };
    const Isa active = sys::raster::simd::ActiveIsa();
    for (const auto& c : cases) {
        const int first = 3, last = first + c.length - 1;
        const float rowStart[5] = {0.3f, c.q0, 0.2f, 0.9f, 0.5f}, stepX[5] = {0.01f, c.dq, 0.03f, -0.02f, 0.01f};
        Result results[2];
        for (const bool sixteen : {false, true}) {
            RasterCanvas canvas(64, 1, c.format);
            // z passes less-or-equal against 0x8000 up to about pixel 20.
            std::fill(canvas.depth.begin(), canvas.depth.end(), 0x8000);
            Rasterizer::PixelPipeline p;
            p.pixels = canvas.pixels.data();
            p.pitch = canvas.pitch;
            p.format = c.format;
            p.dither = true;
            p.depth = canvas.depth.data();
            p.depthPitch = canvas.depthPitch;
            p.depthTest = p.depthWrite = true;
            p.right = 64;
            p.bottom = 1;
            uint64_t written = 0;
            sys::raster::simd::UseIsa(g_path);
            const int64_t covered =
                sixteen ? sys::raster::simd::GouraudSpan16(p, first, last, 0, rowStart, stepX, 0.7f,
                                                           c.format == PixelFormat::RGB565, true, written)
                        : sys::raster::simd::GouraudSpan(p, first, last, 0, rowStart, stepX, 0.7f,
                                                         c.format == PixelFormat::RGB565, true, written);
            EXPECT_EQ(covered, c.length);
            results[sixteen] = Result{canvas.pixels, canvas.depth, written};
        }
        EXPECT_EQ(results[1].pixels, results[0].pixels) << "q0 " << c.q0 << " length " << c.length;
        EXPECT_EQ(results[1].depth, results[0].depth) << "q0 " << c.q0 << " length " << c.length;
        EXPECT_EQ(results[1].written, results[0].written) << "q0 " << c.q0 << " length " << c.length;
        EXPECT_GT(results[0].written, 10u);
    }
    sys::raster::simd::UseIsa(active);
}

// Processors with AVX2 alone shade small triangles' packets in the lit world's states in a loop
// of their own, eight lanes a register, which draws what the AVX-512 loop draws, bit for bit:
// groups that share a level and groups that straddle two (the biases), every texel layout and
// colour form, z functions that pass, fail or write nothing, and rows at the target's edges.
TEST(RasterWidePaths, SmallLitTrianglesDrawTheSameOnBothWidePaths) {
    if (sys::raster::simd::BestIsa() < Isa::Avx512) {
        GTEST_SKIP() << "this processor has no avx512 path to compare with";
    }
    constexpr uint32_t kLinear = D3DTFG_LINEAR, kPoint = D3DTFP_POINT;
    const struct {
        Texturing t;
        uint32_t zFunc, zWrite;
    } cases[] = {
        {{TextureFormat::RGB565, kLinear, kPoint, D3DTADDRESS_WRAP, false, false, false, D3DTOP_MODULATE,
          D3DTOP_MODULATE, -0.6f},
         D3DCMP_LESSEQUAL, 1},
        {{TextureFormat::RGB565, kLinear, kPoint, D3DTADDRESS_WRAP, false, false, false, D3DTOP_MODULATE,
          D3DTOP_MODULATE},
         D3DCMP_LESS, 1},
        {{TextureFormat::ARGB4444, kLinear, kPoint, D3DTADDRESS_CLAMP, false, false, false, D3DTOP_SELECTARG1,
          D3DTOP_SELECTARG1, 1.2f},
         D3DCMP_GREATER, 0},
        {{TextureFormat::ARGB1555, kLinear, kPoint, D3DTADDRESS_WRAP, false, false, false, D3DTOP_SELECTARG2,
          D3DTOP_SELECTARG2, -1.7f},
         D3DCMP_NOTEQUAL, 1},
        {{TextureFormat::RGB555, kLinear, kPoint, D3DTADDRESS_CLAMP, false, false, false, D3DTOP_MODULATE,
          D3DTOP_MODULATE, 0.3f},
         D3DCMP_ALWAYS, 1},
    };
    const Isa saved = g_path;
    for (const auto& c : cases) {
        Result results[2];
        for (const Isa path : {Isa::Avx2, Isa::Avx512}) {
            g_path = path;
            results[path == Isa::Avx512] =
                Draw(true, PixelFormat::RGB565, true, true, c.zFunc, c.zWrite, 0, &c.t, true);
        }
        const auto where = ::testing::Message() << "texture layout " << static_cast<int>(c.t.format) << " z function "
                                                << c.zFunc;
        EXPECT_EQ(results[0].pixels, results[1].pixels) << where;
        EXPECT_EQ(results[0].depth, results[1].depth) << where;
        EXPECT_EQ(results[0].written, results[1].written) << where;
        EXPECT_GT(results[0].written, 100u) << where;
    }
    g_path = saved;
}

INSTANTIATE_TEST_SUITE_P(Paths, RasterWideSpans, ::testing::Values(Isa::Avx2, Isa::Avx512),
                         [](const ::testing::TestParamInfo<Isa>& info) {
                             return std::string(sys::raster::simd::IsaName(info.param));
                         });

// A TARVEX_RASTER_ISA value picks its path where the processor has it; otherwise, and when
// unset or unknown, the best the processor has.
TEST(RasterIsaChoice, FollowsTheNamedPathWithinWhatTheProcessorHas) {
    using sys::raster::simd::ChooseIsa;
    const struct {
        const char* name;
        Isa best, expected;
    } cases[] = {
        {nullptr, Isa::Avx512, Isa::Avx512}, {"", Isa::Avx2, Isa::Avx2},
        {"avx2", Isa::Avx512, Isa::Avx2},    {"scalar", Isa::Avx512, Isa::Scalar},
        {"avx512", Isa::Avx512, Isa::Avx512}, {"avx512", Isa::Avx2, Isa::Avx2},
        {"avx2", Isa::Scalar, Isa::Scalar},  {"AVX2", Isa::Avx512, Isa::Avx512},
        {"sse9", Isa::Avx2, Isa::Avx2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseIsa(c.name, c.best), c.expected) << (c.name != nullptr ? c.name : "(unset)");
    }
}

}  // namespace
