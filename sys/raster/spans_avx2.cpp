#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "sys/raster/pixel_packing.h"
#include "sys/raster/raster_spans_simd.h"
#include "sys/raster/shading.h"
#include "sys/raster/simd_lanes.h"
#include "sys/raster/texture_texels.h"

// The sixteen-lane loops (spans16_body.h) for processors with AVX2 and FMA but no AVX-512,
// each sixteen-lane step as two eight-lane ones (lanes16_avx2.h), but for the plain Gouraud
// span, the shading of a small triangle's packet in the usual lit states
// (packet_shading_avx2.h) and the usual scene's textured row (textured_row8_avx2.h), written
// for these registers.
#if defined(__x86_64__)

#pragma GCC push_options
#if defined(__clang__)
// Clang takes the target per function, lambdas included.
#pragma clang attribute push(__attribute__((target("avx2,fma,popcnt"))), apply_to = function)
#pragma clang fp contract(off)
#endif
#pragma GCC target("avx2,fma,popcnt")
// Products and sums stay separate roundings, as in the one-pixel loop, but where the loops fuse
// them on purpose.
// The loops build at the highest optimisation level in every build type: measured faster.
#pragma GCC optimize("fp-contract=off", "O3")
// The loops set some registers only on the branches that read them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

#include "sys/raster/lanes16_avx2.h"

namespace sys::raster::simd::avx2 {

namespace {

using lanes16::LoadRows16;
using lanes16::StoreRows16;

// Sixteen 16-bit values stored under a mask: where all sixteen lie inside the span, the
// values around those the mask names are read and written back as they were, in one store;
// elsewhere lane by lane.
inline void StoreWithin16(void* at, __mmask16 inside, __mmask16 m, __m256i v) {
    if (m == 0xFFFF) {
        _mm256_storeu_si256(static_cast<__m256i*>(at), v);
    } else if (inside == 0xFFFF) {
        const __m256i old = _mm256_loadu_si256(static_cast<const __m256i*>(at));
        _mm256_storeu_si256(static_cast<__m256i*>(at), _mm256_blendv_epi8(old, v, lanes16::Lanes16(m)));
    } else {
        _mm256_mask_storeu_epi16(at, m, v);
    }
}

}  // namespace

// The plain Gouraud span has a loop of its own, below, and so have a small triangle's
// packet and the usual scene's textured row with nearest mip selection.
#define GOURAUD_SPAN16_ELSEWHERE
#define PACKET_GROUPS8_ELSEWHERE
#define COMMON_POINT_ROW_ELSEWHERE
#include "sys/raster/spans16_body.h"
#undef COMMON_POINT_ROW_ELSEWHERE
#undef PACKET_GROUPS8_ELSEWHERE
#undef GOURAUD_SPAN16_ELSEWHERE
#include "sys/raster/packet_shading_avx2.h"

#include "sys/raster/textured_row8_avx2.h"

// The plain Gouraud + z span, in the registers' own width rather than through the sixteen-lane
// operation layer: each value a pair of eight-lane registers, the z values, the test and the
// stored pixels sixteen 16-bit lanes of one. Lane for lane it computes what the body's loop
// computes on AVX-512, in the same order, so both draw what the one-pixel loop draws.
namespace {

using lanes::Saturate8;

// Which z comparison a loop copy makes: less-or-equal and less, the usual ones, each in two
// instructions; any other (or none) from the pipeline's flags.
enum class DepthTest { LessEqual, Less, General };

// How a group finds the w its colours are multiplied by: not at all (no perspective), as 1 / q
// on a row where q is positive throughout, or as 1 / q where q is positive and 1 / constantQ
// elsewhere.
enum class Perspective { Off, PositiveQ, AnyQ };

// The row's constants and one group of sixteen pixels. A pair of registers holds a group's
// pixels 0-3 and 8-11 (`lo`) and 4-7 and 12-15 (`hi`): packing the two to 16-bit lanes then
// gives the sixteen in order, with no shuffle after, and as the dither thresholds repeat every
// four pixels both take the same ones.
template <bool kRGB565, Perspective kPerspective, DepthTest kTest>
struct GouraudRow {
    const Rasterizer::PixelPipeline& p;
    uint8_t* row;
    uint16_t* depthRow;
    __m256 z0, dz, q0, dq, r0, dr, g0, dg, b0, db, cq, constantW;
    __m256i bias;
    __m256i passLess, passEqual, passGreater;
    uint64_t written;

    // trunc(Saturate(v) * levels + t) for the sixteen lanes of lo and hi (levels at most 65535,
    // t in 0..1), as sixteen 16-bit lanes in order. Only the upper bound is applied before the
    // conversion: below 0 (and NaN, which the minimum keeps) the sum truncates to 0 or less, or
    // to the conversion's out-of-range value, all of which packing with unsigned saturation
    // takes to 0, as the saturated value's would be.
    static __m256i Quantise(__m256 lo, __m256 hi, __m256 levels, __m256 t) {
        const __m256 one = _mm256_set1_ps(1.0f);
        // min returns its second operand for NaN: NaN stays NaN.
        return _mm256_packus_epi32(
            _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(_mm256_min_ps(one, lo), levels), t)),
            _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(_mm256_min_ps(one, hi), levels), t)));
    }

    // The lanes (16-bit, all ones or zero) whose incoming z passes against the stored one.
    __m256i Passes(__m256i incoming, __m256i stored) const {
        if constexpr (kTest == DepthTest::LessEqual) {
            return _mm256_cmpeq_epi16(_mm256_min_epu16(incoming, stored), incoming);
        } else if constexpr (kTest == DepthTest::Less) {
            return _mm256_andnot_si256(_mm256_cmpeq_epi16(_mm256_max_epu16(incoming, stored), incoming),
                                       _mm256_set1_epi32(-1));
        } else {
            const __m256i atMost = _mm256_cmpeq_epi16(_mm256_min_epu16(incoming, stored), incoming);
            const __m256i atLeast = _mm256_cmpeq_epi16(_mm256_max_epu16(incoming, stored), incoming);
            const __m256i less = _mm256_andnot_si256(atLeast, passLess);
            const __m256i greater = _mm256_andnot_si256(atMost, passGreater);
            const __m256i equal = _mm256_and_si256(_mm256_and_si256(atMost, atLeast), passEqual);
            return _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(less, atMost), _mm256_and_si256(greater, atLeast)),
                                   equal);
        }
    }

    // The group of sixteen from pixel i, at offsets `lo`, `hi` from the row's first pixel, with
    // thresholds t; kWhole when all sixteen lie on the span, else `inside` names those that do.
    template <bool kWhole>
    __attribute__((always_inline)) inline void Group(int64_t i, __m256 lo, __m256 hi, __m256 t, __m256i inside) {
        const bool test = kTest != DepthTest::General || p.depthTest;
        __m256i depth = _mm256_setzero_si256();
        __m256i stored = _mm256_setzero_si256();
        __m256i pass = inside;
        if (test || p.depthWrite) {
            const __m256 scale = _mm256_set1_ps(65535.0f), half = _mm256_set1_ps(0.5f);
            const __m256 zLo = _mm256_add_ps(z0, _mm256_mul_ps(dz, lo));
            const __m256 zHi = _mm256_add_ps(z0, _mm256_mul_ps(dz, hi));
            if (p.depthBias == 0) {
                depth = Quantise(zLo, zHi, scale, half);
            } else {
                const __m256i dLo = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(zLo), scale), half));
                const __m256i dHi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(zHi), scale), half));
                // Both 0..65535 (the bias is at most that), so packing them is exact.
                depth = _mm256_packus_epi32(_mm256_max_epi32(_mm256_sub_epi32(dLo, bias), _mm256_setzero_si256()),
                                            _mm256_max_epi32(_mm256_sub_epi32(dHi, bias), _mm256_setzero_si256()));
            }
            if (test || !kWhole) {
                stored = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depthRow + i));
            }
        }
        if (test) {
            pass = kWhole ? Passes(depth, stored) : _mm256_and_si256(inside, Passes(depth, stored));
            if (_mm256_testz_si256(pass, pass)) {
                return;
            }
        }
        __m256 rLo = _mm256_add_ps(r0, _mm256_mul_ps(dr, lo)), rHi = _mm256_add_ps(r0, _mm256_mul_ps(dr, hi));
        __m256 gLo = _mm256_add_ps(g0, _mm256_mul_ps(dg, lo)), gHi = _mm256_add_ps(g0, _mm256_mul_ps(dg, hi));
        __m256 bLo = _mm256_add_ps(b0, _mm256_mul_ps(db, lo)), bHi = _mm256_add_ps(b0, _mm256_mul_ps(db, hi));
        if constexpr (kPerspective != Perspective::Off) {
            const __m256 one = _mm256_set1_ps(1.0f);
            __m256 qLo = _mm256_add_ps(q0, _mm256_mul_ps(dq, lo));
            __m256 qHi = _mm256_add_ps(q0, _mm256_mul_ps(dq, hi));
            if constexpr (kPerspective == Perspective::AnyQ) {
                qLo = _mm256_blendv_ps(cq, qLo, _mm256_cmp_ps(qLo, _mm256_setzero_ps(), _CMP_GT_OQ));
                qHi = _mm256_blendv_ps(cq, qHi, _mm256_cmp_ps(qHi, _mm256_setzero_ps(), _CMP_GT_OQ));
            }
            const __m256 wLo = _mm256_div_ps(one, qLo);
            const __m256 wHi = _mm256_div_ps(one, qHi);
            rLo = _mm256_mul_ps(rLo, wLo);
            rHi = _mm256_mul_ps(rHi, wHi);
            gLo = _mm256_mul_ps(gLo, wLo);
            gHi = _mm256_mul_ps(gHi, wHi);
            bLo = _mm256_mul_ps(bLo, wLo);
            bHi = _mm256_mul_ps(bHi, wHi);
        }
        const uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(pass));
        const bool all = bits == 0xFFFFFFFFu;
        if (p.depthWrite) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(depthRow + i),
                                all ? depth : _mm256_blendv_epi8(stored, depth, pass));
        }
        if constexpr (kRGB565) {
            const __m256i red = Quantise(rLo, rHi, _mm256_set1_ps(31.0f), t);
            const __m256i green = Quantise(gLo, gHi, _mm256_set1_ps(63.0f), t);
            const __m256i blue = Quantise(bLo, bHi, _mm256_set1_ps(31.0f), t);
            const __m256i pixels =
                _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(red, 11), _mm256_slli_epi16(green, 5)), blue);
            __m256i* target = reinterpret_cast<__m256i*>(reinterpret_cast<uint16_t*>(row) + i);
            _mm256_storeu_si256(target, all ? pixels : _mm256_blendv_epi8(_mm256_loadu_si256(target), pixels, pass));
        } else {
            const __m256 levels8 = _mm256_set1_ps(255.0f), half = _mm256_set1_ps(0.5f);
            const auto channel = [&](__m256 v) {
                return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(v), levels8), half));
            };
            const __m256i pixelLo = _mm256_or_si256(
                _mm256_or_si256(_mm256_slli_epi32(channel(rLo), 16), _mm256_slli_epi32(channel(gLo), 8)), channel(bLo));
            const __m256i pixelHi = _mm256_or_si256(
                _mm256_or_si256(_mm256_slli_epi32(channel(rHi), 16), _mm256_slli_epi32(channel(gHi), 8)), channel(bHi));
            // Pixels 0-7 and 8-15 in order.
            const __m256i first8 = _mm256_permute2x128_si256(pixelLo, pixelHi, 0x20);
            const __m256i last8 = _mm256_permute2x128_si256(pixelLo, pixelHi, 0x31);
            uint32_t* target = reinterpret_cast<uint32_t*>(row) + i;
            if (all) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), first8);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + 8), last8);
            } else {
                _mm256_maskstore_epi32(reinterpret_cast<int*>(target),
                                       _mm256_cvtepi16_epi32(_mm256_castsi256_si128(pass)), first8);
                _mm256_maskstore_epi32(reinterpret_cast<int*>(target + 8),
                                       _mm256_cvtepi16_epi32(_mm256_extracti128_si256(pass, 1)), last8);
            }
        }
        written += static_cast<uint64_t>(__builtin_popcount(bits)) / 2;
    }
};

template <bool kRGB565, Perspective kPerspective, DepthTest kTest>
int64_t Span(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y, const float* rowStart,
             const float* stepX, float constantQ, uint64_t& written) {
    const __m256i all = _mm256_set1_epi32(-1);
    GouraudRow<kRGB565, kPerspective, kTest> r{
        p,
        p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch,
        p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                         static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                           : nullptr,
        _mm256_set1_ps(rowStart[0]),
        _mm256_set1_ps(stepX[0]),
        _mm256_set1_ps(rowStart[1]),
        _mm256_set1_ps(stepX[1]),
        _mm256_set1_ps(rowStart[2]),
        _mm256_set1_ps(stepX[2]),
        _mm256_set1_ps(rowStart[3]),
        _mm256_set1_ps(stepX[3]),
        _mm256_set1_ps(rowStart[4]),
        _mm256_set1_ps(stepX[4]),
        _mm256_set1_ps(constantQ),
        _mm256_set1_ps(1.0f / constantQ),
        _mm256_set1_epi32(p.depthBias),
        p.passLess ? all : _mm256_setzero_si256(),
        p.passEqual ? all : _mm256_setzero_si256(),
        p.passGreater ? all : _mm256_setzero_si256(),
        0};
    const float* thresholds = lanes::RowThresholds(p.dither, y);
    const __m256 lanesLo = _mm256_setr_ps(0, 1, 2, 3, 8, 9, 10, 11);
    const __m256 lanesHi = _mm256_setr_ps(4, 5, 6, 7, 12, 13, 14, 15);
    // Offsets from the row's first pixel are whole numbers, exact in floats as they step.
    const __m256 sixteen = _mm256_set1_ps(16.0f);
    const __m256 t = _mm256_loadu_ps(thresholds + (first & 3));
    __m256 lo = lanesLo, hi = lanesHi;
    int64_t i = first;
    for (; i + 15 <= last; i += 16, lo = _mm256_add_ps(lo, sixteen), hi = _mm256_add_ps(hi, sixteen)) {
        r.template Group<true>(i, lo, hi, t, all);
    }
    if (i <= last) {
        // The last, short group is the span's last sixteen pixels, those already drawn masked
        // off: nothing is read or written past the span.
        const int64_t from = last - 15;
        const __m256 offset = _mm256_set1_ps(static_cast<float>(from - first));
        const __m256i inside = _mm256_cmpgt_epi16(_mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                                  _mm256_set1_epi16(static_cast<int16_t>(i - from - 1)));
        r.template Group<false>(from, _mm256_add_ps(offset, lanesLo), _mm256_add_ps(offset, lanesHi),
                                _mm256_loadu_ps(thresholds + (from & 3)), inside);
    }
    written += r.written;
    return last + 1 - first;
}

template <bool kRGB565, Perspective kPerspective>
int64_t SpanFor(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y, const float* rowStart,
                const float* stepX, float constantQ, uint64_t& written) {
    if (p.depthTest && p.passLess && p.passEqual && !p.passGreater) {
        return Span<kRGB565, kPerspective, DepthTest::LessEqual>(p, first, last, y, rowStart, stepX, constantQ,
                                                                 written);
    }
    if (p.depthTest && p.passLess && !p.passEqual && !p.passGreater) {
        return Span<kRGB565, kPerspective, DepthTest::Less>(p, first, last, y, rowStart, stepX, constantQ, written);
    }
    return Span<kRGB565, kPerspective, DepthTest::General>(p, first, last, y, rowStart, stepX, constantQ, written);
}

template <bool kRGB565>
int64_t SpanFor(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y, const float* rowStart,
                const float* stepX, float constantQ, bool perspective, uint64_t& written) {
    if (!perspective) {
        return SpanFor<kRGB565, Perspective::Off>(p, first, last, y, rowStart, stepX, constantQ, written);
    }
    // q at each pixel is q0 + dq * offset, rounded twice; rounding keeps order, so over the row
    // it is monotonic and positive throughout when positive at both ends.
    const float lastOffset = static_cast<float>(last - first);
    if (rowStart[1] + stepX[1] * 0.0f > 0.0f && rowStart[1] + stepX[1] * lastOffset > 0.0f) {
        return SpanFor<kRGB565, Perspective::PositiveQ>(p, first, last, y, rowStart, stepX, constantQ, written);
    }
    return SpanFor<kRGB565, Perspective::AnyQ>(p, first, last, y, rowStart, stepX, constantQ, written);
}

}  // namespace

// The body's contract, for the spans its callers hand it: at least sixteen pixels. A shorter
// one is left whole to the caller.
int64_t GouraudSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                      const float* rowStart, const float* stepX, float constantQ, bool rgb565, bool perspective,
                      uint64_t& written) {
    if (last - first < 15) {
        return 0;
    }
    return rgb565 ? SpanFor<true>(p, first, last, y, rowStart, stepX, constantQ, perspective, written)
                  : SpanFor<false>(p, first, last, y, rowStart, stepX, constantQ, perspective, written);
}

}  // namespace sys::raster::simd::avx2

#pragma GCC diagnostic pop
#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

#endif
