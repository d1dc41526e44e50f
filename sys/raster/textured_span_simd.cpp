#include <algorithm>
#include <cstddef>

#include "sys/raster/raster_spans_simd.h"
#include "sys/raster/shading.h"
#include "sys/raster/simd_lanes.h"
#include "sys/raster/texture_texels.h"

// The wide textured span: eight pixels through the common colour path at once, each step the
// one-pixel loop's (FillSpanShaded and SampleTexture) on lanes.
namespace sys::raster::simd {

#if defined(__x86_64__)

#pragma GCC push_options
#if defined(__clang__)
// Clang takes the target per function, lambdas included.
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#endif
#pragma GCC target("avx2")

using namespace lanes;

namespace {

struct Colour8 {
    __m256 r, g, b, a;
};

// The addresses of eight texels, four lanes a register; or, for lanes on one level, their
// byte offsets from its base (in `low`).
struct Addresses {
    __m256i low, high;
};

// Samples level `level` (per lane) at (u, v) for eight lanes; false when some lane needs the
// one-texel sampler (a coordinate too far out, or a read that would pass the level's end).
template <TextureFormat F>
__attribute__((target("avx2"), always_inline)) inline bool SampleLevel8(const Texture& t, const SamplerState& s, __m256i level, __m256 u,
                                                  __m256 v, Colour8& out) {
    // Neighbouring pixels nearly always share a level: then its sizes are plain values and the
    // texels come eight to a gather from one base; otherwise each lane looks its level up.
    const int first = _mm256_cvtsi256_si32(level);
    const bool uniform = _mm256_movemask_epi8(_mm256_cmpeq_epi32(level, _mm256_set1_epi32(first))) == -1;
    __m256i width, height, pitch, pointerLow = _mm256_setzero_si256(), pointerHigh = _mm256_setzero_si256();
    const uint8_t* pixels = t.levels[first].pixels;
    if (uniform) {
        const TextureLevel& l = t.levels[first];
        width = _mm256_set1_epi32(l.width);
        height = _mm256_set1_epi32(l.height);
        pitch = _mm256_set1_epi32(l.pitch);
    } else {
        constexpr int kStride = sizeof(TextureLevel);
        const __m256i levelOffset = _mm256_mullo_epi32(level, _mm256_set1_epi32(kStride));
        const auto* base = reinterpret_cast<const uint8_t*>(&t.levels[0]);
        width = _mm256_i32gather_epi32(reinterpret_cast<const int*>(base + offsetof(TextureLevel, width)),
                                       levelOffset, 1);
        height = _mm256_i32gather_epi32(reinterpret_cast<const int*>(base + offsetof(TextureLevel, height)),
                                        levelOffset, 1);
        pitch = _mm256_i32gather_epi32(reinterpret_cast<const int*>(base + offsetof(TextureLevel, pitch)),
                                       levelOffset, 1);
        pointerLow = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(base + offsetof(TextureLevel, pixels)),
                                            _mm256_castsi256_si128(levelOffset), 1);
        pointerHigh = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(base + offsetof(TextureLevel, pixels)),
                                             _mm256_extracti128_si256(levelOffset, 1), 1);
    }
    const __m256 limit = _mm256_set1_ps(65536.0f);  // as the one-texel sampler's limit
    // Each coordinate compared on its own: a maximum would drop a coordinate that is not a
    // number, which the one-texel sampler reads as 0.
    const __m256 near = _mm256_and_ps(
        _mm256_cmp_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), u), limit, _CMP_LT_OQ),
        _mm256_cmp_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), v), limit, _CMP_LT_OQ));
    if (_mm256_movemask_ps(near) != 0xFF) {
        return false;
    }
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i widthMask = _mm256_sub_epi32(width, one), heightMask = _mm256_sub_epi32(height, one);
    const bool wrapU = s.addressU == D3DTADDRESS_WRAP, wrapV = s.addressV == D3DTADDRESS_WRAP;
    auto addressU = [&](__m256i i) {
        return wrapU ? _mm256_and_si256(i, widthMask) : _mm256_min_epi32(_mm256_max_epi32(i, zero), widthMask);
    };
    auto addressV = [&](__m256i j) {
        return wrapV ? _mm256_and_si256(j, heightMask) : _mm256_min_epi32(_mm256_max_epi32(j, zero), heightMask);
    };
    const __m256i size = _mm256_mullo_epi32(pitch, height);
    bool safe = true;
    auto fetch = [&](__m256i i, __m256i j) {
        const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(j, pitch), _mm256_add_epi32(i, i));
        // A four-byte read must stay inside the level.
        safe = safe && _mm256_testz_si256(_mm256_cmpgt_epi32(_mm256_add_epi32(offset, _mm256_set1_epi32(4)), size),
                                          _mm256_set1_epi32(-1));
        if (uniform) {
            return Addresses{offset, offset};
        }
        const __m256i low = _mm256_add_epi64(pointerLow, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(offset)));
        const __m256i high = _mm256_add_epi64(pointerHigh, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(offset, 1)));
        return Addresses{low, high};
    };
    auto gather = [&](const Addresses& addresses) {
        if (uniform) {
            return _mm256_and_si256(
                _mm256_i32gather_epi32(reinterpret_cast<const int*>(pixels), addresses.low, 1),
                _mm256_set1_epi32(0xFFFF));
        }
        const __m128i low = _mm256_i64gather_epi32(static_cast<const int*>(nullptr), addresses.low, 1);
        const __m128i high = _mm256_i64gather_epi32(static_cast<const int*>(nullptr), addresses.high, 1);
        return _mm256_and_si256(_mm256_set_m128i(high, low), _mm256_set1_epi32(0xFFFF));
    };
    auto channels = [](__m256i raw, __m256i* c) {
        if constexpr (F == TextureFormat::RGB565) {
            c[0] = _mm256_srli_epi32(raw, 11);
            c[1] = _mm256_and_si256(_mm256_srli_epi32(raw, 5), _mm256_set1_epi32(63));
            c[2] = _mm256_and_si256(raw, _mm256_set1_epi32(31));
            c[3] = _mm256_set1_epi32(1);
        } else if constexpr (F == TextureFormat::ARGB1555 || F == TextureFormat::RGB555) {
            c[0] = _mm256_and_si256(_mm256_srli_epi32(raw, 10), _mm256_set1_epi32(31));
            c[1] = _mm256_and_si256(_mm256_srli_epi32(raw, 5), _mm256_set1_epi32(31));
            c[2] = _mm256_and_si256(raw, _mm256_set1_epi32(31));
            c[3] = F == TextureFormat::RGB555 ? _mm256_set1_epi32(1) : _mm256_srli_epi32(raw, 15);
        } else {
            c[0] = _mm256_and_si256(_mm256_srli_epi32(raw, 8), _mm256_set1_epi32(15));
            c[1] = _mm256_and_si256(_mm256_srli_epi32(raw, 4), _mm256_set1_epi32(15));
            c[2] = _mm256_and_si256(raw, _mm256_set1_epi32(15));
            c[3] = _mm256_srli_epi32(raw, 12);
        }
    };
    const __m256 x = _mm256_mul_ps(u, _mm256_cvtepi32_ps(width));
    const __m256 y = _mm256_mul_ps(v, _mm256_cvtepi32_ps(height));
    if (!s.linearMin) {
        const __m256i i = addressU(_mm256_cvttps_epi32(_mm256_floor_ps(x)));
        const __m256i j = addressV(_mm256_cvttps_epi32(_mm256_floor_ps(y)));
        const auto addresses = fetch(i, j);
        if (!safe) {
            return false;
        }
        __m256i c[4];
        channels(gather(addresses), c);
        // As Decode: each channel times one over its largest value.
        constexpr float k5 = 1.0f / 31.0f, k6 = 1.0f / 63.0f, k4 = 1.0f / 15.0f;
        constexpr bool k565 = F == TextureFormat::RGB565;
        constexpr float scaleR = F == TextureFormat::ARGB4444 ? k4 : k5;
        constexpr float scaleG = F == TextureFormat::ARGB4444 ? k4 : (k565 ? k6 : k5);
        out.r = _mm256_mul_ps(_mm256_cvtepi32_ps(c[0]), _mm256_set1_ps(scaleR));
        out.g = _mm256_mul_ps(_mm256_cvtepi32_ps(c[1]), _mm256_set1_ps(scaleG));
        out.b = _mm256_mul_ps(_mm256_cvtepi32_ps(c[2]), _mm256_set1_ps(scaleR));
        if constexpr (F == TextureFormat::ARGB4444) {
            out.a = _mm256_mul_ps(_mm256_cvtepi32_ps(c[3]), _mm256_set1_ps(k4));
        } else if constexpr (F == TextureFormat::ARGB1555) {
            out.a = _mm256_cvtepi32_ps(c[3]);
        } else {
            out.a = _mm256_set1_ps(1.0f);
        }
        return true;
    }
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 fx = _mm256_sub_ps(x, half), fy = _mm256_sub_ps(y, half);
    const __m256 floorX = _mm256_floor_ps(fx), floorY = _mm256_floor_ps(fy);
    const __m256i i0 = _mm256_cvttps_epi32(floorX), j0 = _mm256_cvttps_epi32(floorY);
    const __m256 ax = _mm256_sub_ps(fx, _mm256_cvtepi32_ps(i0)), ay = _mm256_sub_ps(fy, _mm256_cvtepi32_ps(j0));
    const __m256 k256 = _mm256_set1_ps(256.0f);
    const __m256i wx = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(ax, k256), half));
    const __m256i wy = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(ay, k256), half));
    // Weights and weighted sums in floats: every product and partial sum is a whole number
    // below 2^24, so they are exactly the one-texel sampler's whole-number sums.
    const __m256 full = _mm256_set1_ps(256.0f);
    const __m256 fx1 = _mm256_cvtepi32_ps(wx), fy1 = _mm256_cvtepi32_ps(wy);
    const __m256 fx0 = _mm256_sub_ps(full, fx1), fy0 = _mm256_sub_ps(full, fy1);
    const __m256 weight[4] = {_mm256_mul_ps(fx0, fy0), _mm256_mul_ps(fx1, fy0), _mm256_mul_ps(fx0, fy1),
                              _mm256_mul_ps(fx1, fy1)};
    const __m256i iA = addressU(i0), iB = addressU(_mm256_add_epi32(i0, one));
    const __m256i jA = addressV(j0), jB = addressV(_mm256_add_epi32(j0, one));
    __m256i texel[4];
    const bool neighbours =
        uniform && _mm256_movemask_epi8(_mm256_cmpeq_epi32(iB, _mm256_add_epi32(iA, one))) == -1;
    if (neighbours) {
        // The two texels of a row lie side by side: one four-byte read per row takes both.
        const Addresses top = fetch(iA, jA), bottom = fetch(iA, jB);
        if (!safe) {
            return false;
        }
        const __m256i upper = _mm256_i32gather_epi32(reinterpret_cast<const int*>(pixels), top.low, 1);
        const __m256i lower = _mm256_i32gather_epi32(reinterpret_cast<const int*>(pixels), bottom.low, 1);
        const __m256i low16 = _mm256_set1_epi32(0xFFFF);
        texel[0] = _mm256_and_si256(upper, low16);
        texel[1] = _mm256_srli_epi32(upper, 16);
        texel[2] = _mm256_and_si256(lower, low16);
        texel[3] = _mm256_srli_epi32(lower, 16);
    } else {
        const Addresses addresses[4] = {fetch(iA, jA), fetch(iB, jA), fetch(iA, jB), fetch(iB, jB)};
        if (!safe) {
            return false;
        }
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            texel[k] = gather(addresses[k]);
        }
    }
    // Layouts without alpha sum to exactly one.
    constexpr bool kOpaque = F == TextureFormat::RGB565 || F == TextureFormat::RGB555;
    constexpr int kChannels = kOpaque ? 3 : 4;
    __m256 sum[4] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
        __m256i c[4];
        channels(texel[k], c);
#pragma GCC unroll 4
        for (int n = 0; n < kChannels; ++n) {
            sum[n] = _mm256_add_ps(sum[n], _mm256_mul_ps(_mm256_cvtepi32_ps(c[n]), weight[k]));
        }
    }
    constexpr texels::ChannelScale kScale = texels::Scale<F>();
    out.r = _mm256_mul_ps(sum[0], _mm256_set1_ps(kScale.r));
    out.g = _mm256_mul_ps(sum[1], _mm256_set1_ps(kScale.g));
    out.b = _mm256_mul_ps(sum[2], _mm256_set1_ps(kScale.b));
    out.a = kOpaque ? _mm256_set1_ps(1.0f) : _mm256_mul_ps(sum[3], _mm256_set1_ps(kScale.a));
    return true;
}

// SampleTexture's level choice and mip blend for eight lanes.
template <TextureFormat F>
__attribute__((target("avx2"))) bool Sample8(const Texture& t, const SamplerState& s, __m256 u, __m256 v, __m256 lod,
                                             Colour8& out) {
    const int last = t.levelCount - 1;
    const int base = static_cast<int>(std::min<uint32_t>(s.maxMipLevel, static_cast<uint32_t>(last)));
    lod = _mm256_add_ps(lod, _mm256_set1_ps(s.lodBias));
    const __m256 magnified = _mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_NGT_UQ);  // !(lod > 0)
    const __m256i baseLevel = _mm256_set1_epi32(base), lastLevel = _mm256_set1_epi32(last);
    __m256i level0 = baseLevel;
    __m256 f = _mm256_setzero_ps();
    if (s.mipFilter == D3DTFP_POINT) {
        const __m256 rounded = _mm256_add_ps(_mm256_min_ps(lod, _mm256_set1_ps(64.0f)), _mm256_set1_ps(0.5f));
        level0 = _mm256_min_epi32(_mm256_max_epi32(_mm256_cvttps_epi32(rounded), baseLevel), lastLevel);
    } else if (s.mipFilter == D3DTFP_LINEAR) {
        const __m256 d = _mm256_min_ps(_mm256_max_ps(lod, _mm256_set1_ps(static_cast<float>(base))),
                                       _mm256_set1_ps(static_cast<float>(last)));
        level0 = _mm256_cvttps_epi32(d);
        f = _mm256_sub_ps(d, _mm256_cvtepi32_ps(level0));
    }
    level0 = _mm256_castps_si256(
        _mm256_blendv_ps(_mm256_castsi256_ps(level0), _mm256_castsi256_ps(baseLevel), magnified));
    f = _mm256_blendv_ps(f, _mm256_setzero_ps(), magnified);
    if (!SampleLevel8<F>(t, s, level0, u, v, out)) {
        return false;
    }
    if (_mm256_movemask_ps(_mm256_cmp_ps(f, _mm256_setzero_ps(), _CMP_NEQ_UQ)) == 0) {
        return true;
    }
    Colour8 next;
    const __m256i level1 = _mm256_min_epi32(_mm256_add_epi32(level0, _mm256_set1_epi32(1)), lastLevel);
    if (!SampleLevel8<F>(t, s, level1, u, v, next)) {
        return false;
    }
    out.r = _mm256_add_ps(out.r, _mm256_mul_ps(_mm256_sub_ps(next.r, out.r), f));
    out.g = _mm256_add_ps(out.g, _mm256_mul_ps(_mm256_sub_ps(next.g, out.g), f));
    out.b = _mm256_add_ps(out.b, _mm256_mul_ps(_mm256_sub_ps(next.b, out.b), f));
    out.a = _mm256_add_ps(out.a, _mm256_mul_ps(_mm256_sub_ps(next.a, out.a), f));
    return true;
}

// texels::DetailLog2 on eight lanes, step for step.
inline __m256 Log2x8(__m256 x) {
    const __m256i bits = _mm256_castps_si256(x);
    __m256i e = _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(0xFF)),
                                 _mm256_set1_epi32(127));
    __m256 m = _mm256_castsi256_ps(
        _mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi32(0x7FFFFF)), _mm256_set1_epi32(0x3F800000)));
    const __m256 big = _mm256_cmp_ps(m, _mm256_set1_ps(texels::kSqrt2), _CMP_GT_OQ);
    m = _mm256_blendv_ps(m, _mm256_mul_ps(m, _mm256_set1_ps(0.5f)), big);
    e = _mm256_sub_epi32(e, _mm256_castps_si256(big));
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 t = _mm256_div_ps(_mm256_sub_ps(m, one), _mm256_add_ps(m, one));
    const __m256 t2 = _mm256_mul_ps(t, t);
    __m256 p = _mm256_add_ps(_mm256_mul_ps(t2, _mm256_set1_ps(1.0f / 9.0f)), _mm256_set1_ps(1.0f / 7.0f));
    p = _mm256_add_ps(_mm256_mul_ps(p, t2), _mm256_set1_ps(0.2f));
    p = _mm256_add_ps(_mm256_mul_ps(p, t2), _mm256_set1_ps(1.0f / 3.0f));
    p = _mm256_add_ps(_mm256_mul_ps(p, t2), one);
    return _mm256_add_ps(_mm256_cvtepi32_ps(e), _mm256_mul_ps(_mm256_mul_ps(t, p), _mm256_set1_ps(texels::kTwoOverLn2)));
}

__attribute__((target("avx2"))) inline __m256 Select(StageState::Form form, __m256 texture, __m256 current) {
    switch (form) {
    case StageState::Form::TextureTimesCurrent: return _mm256_mul_ps(texture, current);
    case StageState::Form::Texture: return texture;
    default: return current;
    }
}

// The comparison functions on lanes: a mask of the lanes where `incoming` passes against
// `reference`.
__attribute__((target("avx2"))) inline __m256i Compare8(uint32_t func, __m256i incoming, __m256i reference) {
    const __m256i all = _mm256_set1_epi32(-1), none = _mm256_setzero_si256();
    const __m256i less = _mm256_cmpgt_epi32(reference, incoming);
    const __m256i greater = _mm256_cmpgt_epi32(incoming, reference);
    const __m256i equal = _mm256_cmpeq_epi32(incoming, reference);
    const __m256i passLess = DepthCompare(func, 0, 1) ? all : none;
    const __m256i passEqual = DepthCompare(func, 1, 1) ? all : none;
    const __m256i passGreater = DepthCompare(func, 1, 0) ? all : none;
    return _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(less, passLess), _mm256_and_si256(equal, passEqual)),
                           _mm256_and_si256(greater, passGreater));
}

template <TextureFormat F>
__attribute__((target("avx2"))) int64_t TexturedSpanT(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last,
                                                      int32_t y, const float* rowStart, const float* stepX,
                                                      const float* stepY, float constantQ, bool rgb565,
                                                      bool perspective, uint64_t& written, uint64_t& shaded) {
    const ShadeState& shade = *p.shade;
    const StageState& stage = shade.stages[0];
    const Texture& texture = *stage.texture;
    uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    uint16_t* depthRow = p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                                          static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                                            : nullptr;
    const float* thresholds = RowThresholds(p.dither, y);
    const int su = 2 + kTexture0U + 2 * stage.coordinateSet, sv = su + 1;
    const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 one = _mm256_set1_ps(1.0f), zerof = _mm256_setzero_ps(), half = _mm256_set1_ps(0.5f);
    const __m256i zero = _mm256_setzero_si256(), all = _mm256_set1_epi32(-1);
    const __m256i passLess = p.passLess ? all : zero, passEqual = p.passEqual ? all : zero;
    const __m256i passGreater = p.passGreater ? all : zero;
    const __m256 textureWidth = _mm256_set1_ps(p.textureSize[0][0]), textureHeight = _mm256_set1_ps(p.textureSize[0][1]);
    const __m256 levels5 = _mm256_set1_ps(31.0f), levels6 = _mm256_set1_ps(63.0f), levels8 = _mm256_set1_ps(255.0f);
    int64_t i = first;
    for (; i <= last; i += 8) {
        const __m256i inside = GroupMask(i, last, p.right);
        if (_mm256_testz_si256(inside, inside)) {
            break;
        }
        const __m256 offset = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(i - first)), lanes);
        const __m256 z = _mm256_add_ps(_mm256_set1_ps(rowStart[0]), _mm256_mul_ps(_mm256_set1_ps(stepX[0]), offset));
        const __m256i depthValue = _mm256_max_epi32(
            _mm256_sub_epi32(
                _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(z), _mm256_set1_ps(65535.0f)), half)),
                _mm256_set1_epi32(p.depthBias)),
            zero);
        __m256i pass = inside;
        __m128i storedDepth = _mm_setzero_si128();
        if (p.depthTest) {
            storedDepth = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depthRow + i));
            const __m256i stored = _mm256_cvtepu16_epi32(storedDepth);
            pass = _mm256_and_si256(
                inside, _mm256_or_si256(
                            _mm256_or_si256(_mm256_and_si256(_mm256_cmpgt_epi32(stored, depthValue), passLess),
                                            _mm256_and_si256(_mm256_cmpeq_epi32(depthValue, stored), passEqual)),
                            _mm256_and_si256(_mm256_cmpgt_epi32(depthValue, stored), passGreater)));
            if (_mm256_testz_si256(pass, pass)) {
                continue;
            }
        }
        __m256 w = _mm256_set1_ps(1.0f / constantQ);
        if (perspective) {
            const __m256 q = _mm256_add_ps(_mm256_set1_ps(rowStart[1]), _mm256_mul_ps(_mm256_set1_ps(stepX[1]), offset));
            const __m256 positive = _mm256_cmp_ps(q, zerof, _CMP_GT_OQ);
            w = _mm256_div_ps(one, _mm256_blendv_ps(_mm256_set1_ps(constantQ), q, positive));
        }
        auto attribute = [&](int k) {
            const __m256 value = _mm256_add_ps(_mm256_set1_ps(rowStart[2 + k]), _mm256_mul_ps(_mm256_set1_ps(stepX[2 + k]), offset));
            return perspective ? _mm256_mul_ps(value, w) : value;
        };
        const __m256 dr = attribute(kDiffuseR), dg = attribute(kDiffuseG), db = attribute(kDiffuseB);
        const __m256 da = attribute(kDiffuseA);
        const __m256 u = attribute(su - 2), v = attribute(sv - 2);
        __m256 dudx = _mm256_set1_ps(stepX[su]), dvdx = _mm256_set1_ps(stepX[sv]);
        __m256 dudy = _mm256_set1_ps(stepY[su]), dvdy = _mm256_set1_ps(stepY[sv]);
        if (perspective) {
            dudx = _mm256_mul_ps(_mm256_sub_ps(dudx, _mm256_mul_ps(u, _mm256_set1_ps(stepX[1]))), w);
            dvdx = _mm256_mul_ps(_mm256_sub_ps(dvdx, _mm256_mul_ps(v, _mm256_set1_ps(stepX[1]))), w);
            dudy = _mm256_mul_ps(_mm256_sub_ps(dudy, _mm256_mul_ps(u, _mm256_set1_ps(stepY[1]))), w);
            dvdy = _mm256_mul_ps(_mm256_sub_ps(dvdy, _mm256_mul_ps(v, _mm256_set1_ps(stepY[1]))), w);
        }
        dudx = _mm256_mul_ps(dudx, textureWidth);
        dvdx = _mm256_mul_ps(dvdx, textureHeight);
        dudy = _mm256_mul_ps(dudy, textureWidth);
        dvdy = _mm256_mul_ps(dvdy, textureHeight);
        const __m256 across = _mm256_add_ps(_mm256_mul_ps(dudx, dudx), _mm256_mul_ps(dvdx, dvdx));
        const __m256 down = _mm256_add_ps(_mm256_mul_ps(dudy, dudy), _mm256_mul_ps(dvdy, dvdy));
        const __m256 rho2 = _mm256_max_ps(down, across);
        const __m256 lod = _mm256_blendv_ps(_mm256_set1_ps(-64.0f), _mm256_mul_ps(half, Log2x8(rho2)),
                                            _mm256_cmp_ps(rho2, zerof, _CMP_GT_OQ));
        Colour8 texel;
        if (!Sample8<F>(texture, stage.sampler, u, v, lod, texel)) {
            break;
        }
        shaded += static_cast<uint64_t>(__builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(pass)))));
        __m256 r = Select(stage.colourForm, texel.r, dr);
        __m256 g = Select(stage.colourForm, texel.g, dg);
        __m256 b = Select(stage.colourForm, texel.b, db);
        const __m256 a = Select(stage.alphaForm, texel.a, da);
        if (shade.alphaTest) {
            const __m256i alpha = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(a), levels8), half));
            pass = _mm256_and_si256(pass, Compare8(shade.alphaFunc, alpha, _mm256_set1_epi32(static_cast<int>(shade.alphaRef))));
        }
        if (shade.fog) {
            __m256 f;
            if (!(shade.fogEnd > shade.fogStart)) {
                f = _mm256_and_ps(_mm256_cmp_ps(w, _mm256_set1_ps(shade.fogEnd), _CMP_LT_OQ), one);
            } else {
                f = Saturate8(_mm256_div_ps(_mm256_sub_ps(_mm256_set1_ps(shade.fogEnd), w),
                                            _mm256_set1_ps(shade.fogEnd - shade.fogStart)));
            }
            const __m256 g1 = _mm256_sub_ps(one, f);
            r = _mm256_add_ps(_mm256_mul_ps(r, f), _mm256_mul_ps(_mm256_set1_ps(shade.fogColour.r), g1));
            g = _mm256_add_ps(_mm256_mul_ps(g, f), _mm256_mul_ps(_mm256_set1_ps(shade.fogColour.g), g1));
            b = _mm256_add_ps(_mm256_mul_ps(b, f), _mm256_mul_ps(_mm256_set1_ps(shade.fogColour.b), g1));
        }
        const __m128i pass16 = NarrowMask(pass);
        if (p.depthWrite) {
            const __m128i merged = _mm_blendv_epi8(storedDepth, Narrow(depthValue), pass16);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(depthRow + i), merged);
        }
        if (rgb565) {
            uint16_t* target = reinterpret_cast<uint16_t*>(row) + i;
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target));
            if (shade.blend) {
                const __m256i d = _mm256_cvtepu16_epi32(old);
                const __m256 tr = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(d, 11)), _mm256_set1_ps(1.0f / 31.0f));
                const __m256 tg = _mm256_mul_ps(
                    _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(d, 5), _mm256_set1_epi32(63))),
                    _mm256_set1_ps(1.0f / 63.0f));
                const __m256 tb = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(d, _mm256_set1_epi32(31))),
                                                _mm256_set1_ps(1.0f / 31.0f));
                const __m256 inverse = _mm256_sub_ps(one, a);
                r = Saturate8(_mm256_add_ps(_mm256_mul_ps(r, a), _mm256_mul_ps(tr, inverse)));
                g = Saturate8(_mm256_add_ps(_mm256_mul_ps(g, a), _mm256_mul_ps(tg, inverse)));
                b = Saturate8(_mm256_add_ps(_mm256_mul_ps(b, a), _mm256_mul_ps(tb, inverse)));
            }
            const __m256 t = _mm256_loadu_ps(thresholds + (i & 3));
            const __m256i ri = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(r), levels5), t));
            const __m256i gi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(g), levels6), t));
            const __m256i bi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(b), levels5), t));
            const __m256i pixel =
                _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(ri, 11), _mm256_slli_epi32(gi, 5)), bi);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_blendv_epi8(old, Narrow(pixel), pass16));
        } else {
            uint32_t* target = reinterpret_cast<uint32_t*>(row) + i;
            if (shade.blend) {
                const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(target));
                const __m256i byte = _mm256_set1_epi32(255);
                const __m256 scale = _mm256_set1_ps(1.0f / 255.0f);
                const __m256 tr = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(d, 16), byte)), scale);
                const __m256 tg = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(d, 8), byte)), scale);
                const __m256 tb = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(d, byte)), scale);
                const __m256 inverse = _mm256_sub_ps(one, a);
                r = Saturate8(_mm256_add_ps(_mm256_mul_ps(r, a), _mm256_mul_ps(tr, inverse)));
                g = Saturate8(_mm256_add_ps(_mm256_mul_ps(g, a), _mm256_mul_ps(tg, inverse)));
                b = Saturate8(_mm256_add_ps(_mm256_mul_ps(b, a), _mm256_mul_ps(tb, inverse)));
            }
            const __m256i ri = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(r), levels8), half));
            const __m256i gi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(g), levels8), half));
            const __m256i bi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(b), levels8), half));
            const __m256i pixel =
                _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(ri, 16), _mm256_slli_epi32(gi, 8)), bi);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(target), pass, pixel);
        }
        written += static_cast<uint64_t>(__builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(pass)))));
    }
    return std::min(i, last + 1) - first;
}

}  // namespace

int64_t TexturedSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                     const float* rowStart, const float* stepX, const float* stepY, float constantQ, bool rgb565,
                     bool perspective, uint64_t& written, uint64_t& shaded) {
    switch (p.shade->stages[0].texture->format) {
    case TextureFormat::RGB565:
        return TexturedSpanT<TextureFormat::RGB565>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                    perspective, written, shaded);
    case TextureFormat::ARGB1555:
        return TexturedSpanT<TextureFormat::ARGB1555>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                      perspective, written, shaded);
    case TextureFormat::ARGB4444:
        return TexturedSpanT<TextureFormat::ARGB4444>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                      perspective, written, shaded);
    case TextureFormat::RGB555:
        return TexturedSpanT<TextureFormat::RGB555>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                    perspective, written, shaded);
    default: return 0;
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

#else

int64_t TexturedSpan(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*,
                     const float*, float, bool, bool, uint64_t&, uint64_t&) {
    return 0;
}

#endif

}  // namespace sys::raster::simd
