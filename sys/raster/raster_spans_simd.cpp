#include "sys/raster/raster_spans_simd.h"

// The choice of processor path and the sixteen-lane loops' dispatch to its copy, the wide
// plain Gouraud span, and the test that decides whether a draw's colour path suits the wide
// textured span (textured_span_simd.cpp).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sys/raster/shading.h"
#include "sys/raster/simd_lanes.h"

namespace sys::raster::simd {

#if defined(__x86_64__)

// The sixteen-lane loops of spans16_body.h, compiled once for each processor path.
#define SIXTEEN_LANE_LOOPS                                                                                           \
    int64_t GouraudSpan16(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*,   \
                          float, bool, bool, uint64_t&);                                                               \
    int64_t TexturedSpan16(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*,  \
                           const float*, float, bool, bool, uint64_t&, uint64_t&);                                     \
    uint32_t CoveredColumns16(const int64_t*, const int64_t (*)[16], const int64_t*, int);                             \
    void CoveredRows16(const int64_t*, const int64_t*, const int64_t*, const int64_t*, int, int, uint16_t*);           \
    void CoveredRowsNear16(const NearEdges&, int, int, uint16_t*);                                                     \
    uint32_t LightVertices16(const uint8_t*, uint32_t, uint32_t, uint32_t, const float (*)[4],                         \
                             const PreparedLighting&, bool, const ColorF&, ClipVertex*);                               \
    uint32_t ProjectVertices16(const ClipVertex*, uint32_t, double, double, double, double, uint32_t*,                 \
                               Rasterizer::ScreenVertex*);                                                             \
    void SetUpPlanes16(const Rasterizer::ScreenVertex&, const Rasterizer::ScreenVertex&,                               \
                       const Rasterizer::ScreenVertex&, uint32_t, bool, double, double, double, double, double,        \
                       TrianglePlanes&);                                                                               \
    PacketShader ChoosePacketShader16(TextureFormat);
namespace avx512 {
SIXTEEN_LANE_LOOPS
}  // namespace avx512
namespace avx2 {
SIXTEEN_LANE_LOOPS
}  // namespace avx2
#undef SIXTEEN_LANE_LOOPS

namespace {

bool g_enabled16 = true;
bool g_chosen = false;
Isa g_isa = Isa::Scalar;

inline Isa Chosen() {
    if (!g_chosen) {
        g_isa = ChooseIsa(std::getenv("TARVEX_RASTER_ISA"), BestIsa());
        g_chosen = true;
    }
    return g_isa;
}

}  // namespace

Isa BestIsa() {
    static const Isa best = [] {
        if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma") || !__builtin_cpu_supports("popcnt")) {
            return Isa::Scalar;
        }
        const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
        return avx512 ? Isa::Avx512 : Isa::Avx2;
    }();
    return best;
}

Isa ActiveIsa() { return Chosen(); }

Isa UseIsa(Isa isa) {
    g_isa = std::min(isa, BestIsa());
    g_chosen = true;
    return g_isa;
}

bool Available() { return Chosen() != Isa::Scalar; }

bool Available16() { return g_enabled16 && Available(); }

void Enable16(bool on) { g_enabled16 = on; }

// Each sixteen-lane loop runs in the active path's copy.
#define SIXTEEN_LANES(call) (g_isa == Isa::Avx512 ? avx512::call : avx2::call)

int64_t GouraudSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                      const float* rowStart, const float* stepX, float constantQ, bool rgb565, bool perspective,
                      uint64_t& written) {
    return SIXTEEN_LANES(GouraudSpan16(p, first, last, y, rowStart, stepX, constantQ, rgb565, perspective, written));
}

int64_t TexturedSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                       const float* rowStart, const float* stepX, const float* stepY, float constantQ, bool rgb565,
                       bool perspective, uint64_t& written, uint64_t& shaded) {
    return SIXTEEN_LANES(TexturedSpan16(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565, perspective,
                                        written, shaded));
}

PacketShader ChoosePacketShader(const Rasterizer::PixelPipeline& p) {
    return SIXTEEN_LANES(ChoosePacketShader16(p.shade->stages[0].texture->format));
}

uint32_t CoveredColumns16(const int64_t* value, const int64_t (*ramp)[16], const int64_t* threshold, int columns) {
    return SIXTEEN_LANES(CoveredColumns16(value, ramp, threshold, columns));
}

void CoveredRows16(const int64_t* value, const int64_t* rowStep, const int64_t* step, const int64_t* threshold,
                   int columns, int rows, uint16_t* mask) {
    SIXTEEN_LANES(CoveredRows16(value, rowStep, step, threshold, columns, rows, mask));
}

void CoveredRowsNear16(const NearEdges& edges, int columns, int rows, uint16_t* mask) {
    SIXTEEN_LANES(CoveredRowsNear16(edges, columns, rows, mask));
}

uint32_t LightVertices16(const uint8_t* vertices, uint32_t stride, uint32_t normalOffset, uint32_t count,
                         const float (*world)[4], const PreparedLighting& lighting, bool ownDiffuse,
                         const ColorF& material, ClipVertex* clip) {
    return SIXTEEN_LANES(
        LightVertices16(vertices, stride, normalOffset, count, world, lighting, ownDiffuse, material, clip));
}

uint32_t ProjectVertices16(const ClipVertex* clip, uint32_t count, double left, double top, double halfWidth,
                           double halfHeight, uint32_t* codes, Rasterizer::ScreenVertex* screen) {
    return SIXTEEN_LANES(ProjectVertices16(clip, count, left, top, halfWidth, halfHeight, codes, screen));
}

void SetUpPlanes16(const Rasterizer::ScreenVertex& a, const Rasterizer::ScreenVertex& b,
                   const Rasterizer::ScreenVertex& c, uint32_t planeMask, bool perspective, double d1x, double d1y,
                   double d2x, double d2y, double inverseArea, TrianglePlanes& out) {
    SIXTEEN_LANES(SetUpPlanes16(a, b, c, planeMask, perspective, d1x, d1y, d2x, d2y, inverseArea, out));
}

#undef SIXTEEN_LANES

// Everything below runs only once Available() said yes.
#pragma GCC push_options
#if defined(__clang__)
// Clang takes the target per function, lambdas included.
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#endif
#pragma GCC target("avx2")

using namespace lanes;

__attribute__((target("avx2"))) int64_t GouraudSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last,
                                                    int32_t y, const float* rowStart, const float* stepX,
                                                    float constantQ, bool rgb565, bool perspective,
                                                    uint64_t& written) {
    uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    uint16_t* depthRow = p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                                          static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                                            : nullptr;
    const float* thresholds = RowThresholds(p.dither, y);
    const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 z0 = _mm256_set1_ps(rowStart[0]), dz = _mm256_set1_ps(stepX[0]);
    const __m256 q0 = _mm256_set1_ps(rowStart[1]), dq = _mm256_set1_ps(stepX[1]);
    const __m256 r0 = _mm256_set1_ps(rowStart[2]), dr = _mm256_set1_ps(stepX[2]);
    const __m256 g0 = _mm256_set1_ps(rowStart[3]), dg = _mm256_set1_ps(stepX[3]);
    const __m256 b0 = _mm256_set1_ps(rowStart[4]), db = _mm256_set1_ps(stepX[4]);
    const __m256 cq = _mm256_set1_ps(constantQ);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 constantW = _mm256_set1_ps(1.0f / constantQ);
    const __m256i bias = _mm256_set1_epi32(p.depthBias);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i all = _mm256_set1_epi32(-1);
    const __m256i passLess = p.passLess ? all : zero;
    const __m256i passEqual = p.passEqual ? all : zero;
    const __m256i passGreater = p.passGreater ? all : zero;
    const __m256 levels5 = _mm256_set1_ps(31.0f), levels6 = _mm256_set1_ps(63.0f), levels8 = _mm256_set1_ps(255.0f);
    const __m256 half = _mm256_set1_ps(0.5f);
    int64_t i = first;
    for (; i <= last; i += 8) {
        // A last, partial group runs with its spare lanes masked off, when its eight pixels lie
        // inside the drawing rectangle (so every read and write stays in the row).
        const __m256i inside = GroupMask(i, last, p.right);
        if (_mm256_testz_si256(inside, inside)) {
            break;
        }
        const __m256 offset = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(i - first)), lanes);
        const __m256 z = _mm256_add_ps(z0, _mm256_mul_ps(dz, offset));
        const __m256i depthValue = _mm256_max_epi32(
            _mm256_sub_epi32(
                _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(z), _mm256_set1_ps(65535.0f)), half)),
                bias),
            zero);
        __m256i pass = inside;
        __m128i storedDepth = _mm_setzero_si128();
        if (p.depthTest) {
            storedDepth = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depthRow + i));
            const __m256i stored = _mm256_cvtepu16_epi32(storedDepth);
            const __m256i less = _mm256_cmpgt_epi32(stored, depthValue);
            const __m256i greater = _mm256_cmpgt_epi32(depthValue, stored);
            const __m256i equal = _mm256_cmpeq_epi32(depthValue, stored);
            pass = _mm256_and_si256(
                inside, _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(less, passLess), _mm256_and_si256(equal, passEqual)),
                                        _mm256_and_si256(greater, passGreater)));
            if (_mm256_testz_si256(pass, pass)) {
                continue;
            }
        }
        __m256 w = constantW;
        if (perspective) {
            const __m256 q = _mm256_add_ps(q0, _mm256_mul_ps(dq, offset));
            const __m256 positive = _mm256_cmp_ps(q, _mm256_setzero_ps(), _CMP_GT_OQ);
            w = _mm256_div_ps(one, _mm256_blendv_ps(cq, q, positive));
        }
        __m256 r = _mm256_add_ps(r0, _mm256_mul_ps(dr, offset));
        __m256 g = _mm256_add_ps(g0, _mm256_mul_ps(dg, offset));
        __m256 b = _mm256_add_ps(b0, _mm256_mul_ps(db, offset));
        if (perspective) {
            r = _mm256_mul_ps(r, w);
            g = _mm256_mul_ps(g, w);
            b = _mm256_mul_ps(b, w);
        }
        // A group whose eight pixels all pass is stored whole, without merging.
        const int passBits = _mm256_movemask_ps(_mm256_castsi256_ps(pass));
        const __m128i pass16 = NarrowMask(pass);
        if (p.depthWrite) {
            const __m128i merged =
                passBits == 0xFF ? Narrow(depthValue) : _mm_blendv_epi8(storedDepth, Narrow(depthValue), pass16);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(depthRow + i), merged);
        }
        if (rgb565) {
            const __m256 t = _mm256_loadu_ps(thresholds + (i & 3));
            const __m256i ri = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(r), levels5), t));
            const __m256i gi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(g), levels6), t));
            const __m256i bi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(b), levels5), t));
            const __m256i pixel =
                _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(ri, 11), _mm256_slli_epi32(gi, 5)), bi);
            uint16_t* target = reinterpret_cast<uint16_t*>(row) + i;
            if (passBits == 0xFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(target), Narrow(pixel));
            } else {
                const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_blendv_epi8(old, Narrow(pixel), pass16));
            }
        } else {
            const __m256i ri = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(r), levels8), half));
            const __m256i gi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(g), levels8), half));
            const __m256i bi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(b), levels8), half));
            const __m256i pixel =
                _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(ri, 16), _mm256_slli_epi32(gi, 8)), bi);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(reinterpret_cast<uint32_t*>(row) + i), pass, pixel);
        }
        written += static_cast<uint64_t>(__builtin_popcount(static_cast<unsigned>(passBits)));
    }
    return std::min(i, last + 1) - first;
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

#else

Isa BestIsa() { return Isa::Scalar; }

Isa ActiveIsa() { return Isa::Scalar; }

Isa UseIsa(Isa) { return Isa::Scalar; }

bool Available() { return false; }

bool Available16() { return false; }

void Enable16(bool) {}

int64_t GouraudSpan16(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*, float,
                      bool, bool, uint64_t&) {
    return 0;
}

int64_t TexturedSpan16(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*,
                       const float*, float, bool, bool, uint64_t&, uint64_t&) {
    return 0;
}

PacketShader ChoosePacketShader(const Rasterizer::PixelPipeline&) { return nullptr; }

uint32_t CoveredColumns16(const int64_t*, const int64_t (*)[16], const int64_t*, int) { return 0; }

void CoveredRows16(const int64_t*, const int64_t*, const int64_t*, const int64_t*, int, int, uint16_t*) {}

void CoveredRowsNear16(const NearEdges&, int, int, uint16_t*) {}

uint32_t ProjectVertices16(const ClipVertex*, uint32_t, double, double, double, double, uint32_t*,
                           Rasterizer::ScreenVertex*) {
    return 0;
}

uint32_t LightVertices16(const uint8_t*, uint32_t, uint32_t, uint32_t, const float (*)[4], const PreparedLighting&,
                         bool, const ColorF&, ClipVertex*) {
    return 0;
}

void SetUpPlanes16(const Rasterizer::ScreenVertex&, const Rasterizer::ScreenVertex&, const Rasterizer::ScreenVertex&,
                   uint32_t, bool, double, double, double, double, double, TrianglePlanes&) {}

int64_t GouraudSpan(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*, float,
                    bool, bool, uint64_t&) {
    return 0;
}

#endif

const char* IsaName(Isa isa) {
    switch (isa) {
    case Isa::Avx512: return "avx512";
    case Isa::Avx2: return "avx2";
    default: return "scalar";
    }
}

Isa ChooseIsa(const char* name, Isa best) {
    if (name == nullptr || *name == '\0') {
        return best;
    }
    for (const Isa isa : {Isa::Scalar, Isa::Avx2, Isa::Avx512}) {
        if (std::strcmp(name, IsaName(isa)) == 0) {
            if (isa > best) {
                std::fprintf(stderr, "tarvex: TARVEX_RASTER_ISA=%s: this processor has no such path; drawing with %s\n",
                             name, IsaName(best));
                return best;
            }
            return isa;
        }
    }
    std::fprintf(stderr, "tarvex: TARVEX_RASTER_ISA=%s is none of avx512, avx2, scalar; drawing with %s\n", name,
                 IsaName(best));
    return best;
}

bool CoversTexturedPath(const ShadeState& s) {
    if (s.stageCount != 1 || s.specular || (s.blend && !s.blendByAlpha)) {
        return false;
    }
    const StageState& stage = s.stages[0];
    const Texture* t = stage.texture;
    const SamplerState& sampler = stage.sampler;
    using Form = StageState::Form;
    if (t == nullptr || stage.colourForm == Form::General || stage.alphaForm == Form::General ||
        sampler.colourKey || sampler.linearMag != sampler.linearMin) {
        return false;
    }
    for (uint32_t mode : {sampler.addressU, sampler.addressV}) {
        if (mode != D3DTADDRESS_WRAP && mode != D3DTADDRESS_CLAMP) {
            return false;
        }
    }
    if (t->format != TextureFormat::RGB565 && t->format != TextureFormat::ARGB1555 &&
        t->format != TextureFormat::ARGB4444 && t->format != TextureFormat::RGB555) {
        return false;
    }
    for (int l = 0; l < t->levelCount; ++l) {
        const TextureLevel& level = t->levels[l];
        if (level.width < 1 || level.height < 1 || (level.width & (level.width - 1)) != 0 ||
            (level.height & (level.height - 1)) != 0 || level.pitch < level.width * 2) {
            return false;
        }
    }
    return true;
}

void PrepareFastTextured(Rasterizer::PixelPipeline& p) {
    Rasterizer::PixelPipeline::FastDraw& f = p.fast;
    f = {};
    const auto& table = p.levels;
    if (!table.usable || p.shade == nullptr) {
        return;
    }
    const ShadeState& shade = *p.shade;
    const StageState& stage = shade.stages[0];
    const SamplerState& s = stage.sampler;
    const Texture& t = *stage.texture;
    if (shade.alphaTest || !s.linearMin || t.levelCount < 1) {
        return;
    }
    // Texel indices and pitches fit the 16-bit products the addresses are made with, and a
    // level's rows do not overlap.
    for (int l = 0; l < kMaxTextureLevels; ++l) {
        const uint32_t width = static_cast<uint32_t>(table.width[l]), height = static_cast<uint32_t>(table.height[l]);
        const uint32_t pitch = static_cast<uint32_t>(table.pitch[l]);
        if (!(pitch - 1 < 32767u && height <= 32768u && width <= 16384u &&
              table.pitch[l] >= static_cast<int32_t>(width + width))) {
            return;
        }
    }
    f.usable = true;
    f.shade = &shade;
    f.stage = &stage;
    f.texels = reinterpret_cast<const int*>(t.levels[0].pixels);
    f.su = 2 + kTexture0U + 2 * stage.coordinateSet;
    f.sv = f.su + 1;
    f.wrapU = s.addressU == D3DTADDRESS_WRAP;
    f.wrapV = s.addressV == D3DTADDRESS_WRAP;
    f.fogStep = !(shade.fogEnd > shade.fogStart);
    f.mip = s.mipFilter;
    f.lastLevel = t.levelCount - 1;
    f.firstLevel = static_cast<int>(std::min<uint32_t>(s.maxMipLevel, static_cast<uint32_t>(f.lastLevel)));
    f.lodBias = s.lodBias;
    f.commonStates = p.format == PixelFormat::RGB565 && shade.blend && shade.fog && !f.fogStep &&
                     (f.mip == D3DTFP_LINEAR || f.mip == D3DTFP_POINT) &&
                     stage.colourForm == StageState::Form::TextureTimesCurrent &&
                     stage.alphaForm == StageState::Form::TextureTimesCurrent && f.wrapU && f.wrapV &&
                     p.depthTest && p.depthWrite && p.passLess && p.passEqual && !p.passGreater;
    const StageState::Form form = stage.colourForm;
    f.litStates = p.format == PixelFormat::RGB565 && !shade.fog && !shade.blend && f.mip == D3DTFP_POINT &&
                  (form == StageState::Form::TextureTimesCurrent || form == StageState::Form::Texture ||
                   form == StageState::Form::Current);
    f.litUsual = f.litStates && f.wrapU && f.wrapV && form == StageState::Form::TextureTimesCurrent &&
                 p.depthTest && p.depthWrite && p.depthBias == 0 && p.passLess && p.passEqual && !p.passGreater;
    f.commonLimit =
        std::min(65536.0f, 4194304.0f / static_cast<float>(std::max(table.width[0], table.height[0])));
    if (f.mip == D3DTFP_POINT) {
        f.pointScale = s.lodBias == 0.0f ? 2.0f : std::exp2(2.0f * s.lodBias + 1.0f);
        f.emptyLevel = static_cast<int>(std::min(-64.0f + s.lodBias, 64.0f) + 0.5f);
        f.lowFactor = kPointMargin / f.pointScale;
        f.highFactor = 4.0f / (kPointMargin * f.pointScale);
    }
}

}  // namespace sys::raster::simd
