#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "sys/raster/pixel_packing.h"
#include "sys/raster/raster_spans_simd.h"

// The plain Gouraud span sixteen pixels at a time, for processors with AVX-512: the same
// steps as the eight-pixel loop on twice the lanes, and masked loads and stores, so a short
// last group needs no room past the span.
namespace sys::raster::simd {

#if defined(__x86_64__)

bool Available16() {
    static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
    return available && Available();
}

#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512bw,avx512vl,avx512dq")
// These processors have fused multiply-add; products and sums stay separate roundings here, as
// in the one-pixel loop.
#pragma GCC optimize("fp-contract=off")
// GCC's AVX-512 headers start some results from a deliberately undefined register.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace {

// The dither thresholds of each row five times over (the last row: halves, for no dither), so
// sixteen in a row can start at any column.
const float* Thresholds16(bool dither, int32_t y) {
    struct Table {
        float rows[5][20];
        Table() {
            for (int row = 0; row < 5; ++row) {
                for (int k = 0; k < 20; ++k) {
                    rows[row][k] = row < 4 ? DitherThreshold(k, row) : 0.5f;
                }
            }
        }
    };
    static const Table table;
    return table.rows[dither ? (y & 3) : 4];
}

inline __m512 Saturate16(__m512 v) {
    // max returns its second operand for NaN: NaN becomes 0, as in Saturate.
    return _mm512_min_ps(_mm512_max_ps(v, _mm512_setzero_ps()), _mm512_set1_ps(1.0f));
}

}  // namespace

int64_t GouraudSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                      const float* rowStart, const float* stepX, float constantQ, bool rgb565, bool perspective,
                      uint64_t& written) {
    uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    uint16_t* depthRow = p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                                          static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                                            : nullptr;
    const float* thresholds = Thresholds16(p.dither, y);
    const __m512 lanes = _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512 z0 = _mm512_set1_ps(rowStart[0]), dz = _mm512_set1_ps(stepX[0]);
    const __m512 q0 = _mm512_set1_ps(rowStart[1]), dq = _mm512_set1_ps(stepX[1]);
    const __m512 r0 = _mm512_set1_ps(rowStart[2]), dr = _mm512_set1_ps(stepX[2]);
    const __m512 g0 = _mm512_set1_ps(rowStart[3]), dg = _mm512_set1_ps(stepX[3]);
    const __m512 b0 = _mm512_set1_ps(rowStart[4]), db = _mm512_set1_ps(stepX[4]);
    const __m512 cq = _mm512_set1_ps(constantQ);
    const __m512 one = _mm512_set1_ps(1.0f);
    const __m512 constantW = _mm512_set1_ps(1.0f / constantQ);
    const __m512i bias = _mm512_set1_epi32(p.depthBias);
    const __m512i zero = _mm512_setzero_si512();
    const __mmask16 passLess = p.passLess ? 0xFFFF : 0, passEqual = p.passEqual ? 0xFFFF : 0;
    const __mmask16 passGreater = p.passGreater ? 0xFFFF : 0;
    const __m512 levels5 = _mm512_set1_ps(31.0f), levels6 = _mm512_set1_ps(63.0f), levels8 = _mm512_set1_ps(255.0f);
    const __m512 half = _mm512_set1_ps(0.5f), depthScale = _mm512_set1_ps(65535.0f);
    for (int64_t i = first; i <= last; i += 16) {
        const int64_t left = last - i + 1;
        const __mmask16 inside = left >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << left) - 1);
        const __m512 offset = _mm512_add_ps(_mm512_set1_ps(static_cast<float>(i - first)), lanes);
        const __m512 z = _mm512_add_ps(z0, _mm512_mul_ps(dz, offset));
        const __m512i depthValue = _mm512_max_epi32(
            _mm512_sub_epi32(_mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(z), depthScale), half)), bias),
            zero);
        __mmask16 pass = inside;
        if (p.depthTest) {
            const __m512i stored =
                _mm512_cvtepu16_epi32(_mm256_maskz_loadu_epi16(inside, depthRow + i));
            const __mmask16 less = _mm512_cmplt_epi32_mask(depthValue, stored);
            const __mmask16 equal = _mm512_cmpeq_epi32_mask(depthValue, stored);
            const __mmask16 greater = _mm512_cmpgt_epi32_mask(depthValue, stored);
            pass = inside & ((less & passLess) | (equal & passEqual) | (greater & passGreater));
            if (pass == 0) {
                continue;
            }
        }
        __m512 w = constantW;
        if (perspective) {
            const __m512 q = _mm512_add_ps(q0, _mm512_mul_ps(dq, offset));
            const __mmask16 positive = _mm512_cmp_ps_mask(q, _mm512_setzero_ps(), _CMP_GT_OQ);
            w = _mm512_div_ps(one, _mm512_mask_blend_ps(positive, cq, q));
        }
        __m512 r = _mm512_add_ps(r0, _mm512_mul_ps(dr, offset));
        __m512 g = _mm512_add_ps(g0, _mm512_mul_ps(dg, offset));
        __m512 b = _mm512_add_ps(b0, _mm512_mul_ps(db, offset));
        if (perspective) {
            r = _mm512_mul_ps(r, w);
            g = _mm512_mul_ps(g, w);
            b = _mm512_mul_ps(b, w);
        }
        if (p.depthWrite) {
            _mm256_mask_storeu_epi16(depthRow + i, pass, _mm512_cvtepi32_epi16(depthValue));
        }
        if (rgb565) {
            const __m512 t = _mm512_loadu_ps(thresholds + (i & 3));
            const __m512i ri = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(r), levels5), t));
            const __m512i gi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(g), levels6), t));
            const __m512i bi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(b), levels5), t));
            const __m512i pixel =
                _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(ri, 11), _mm512_slli_epi32(gi, 5)), bi);
            _mm256_mask_storeu_epi16(reinterpret_cast<uint16_t*>(row) + i, pass, _mm512_cvtepi32_epi16(pixel));
        } else {
            const __m512i ri = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(r), levels8), half));
            const __m512i gi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(g), levels8), half));
            const __m512i bi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(b), levels8), half));
            const __m512i pixel =
                _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(ri, 16), _mm512_slli_epi32(gi, 8)), bi);
            _mm512_mask_storeu_epi32(reinterpret_cast<uint32_t*>(row) + i, pass, pixel);
        }
        written += static_cast<uint64_t>(__builtin_popcount(pass));
    }
    return last + 1 - first;
}

#pragma GCC diagnostic pop
#pragma GCC pop_options

#else

bool Available16() { return false; }

int64_t GouraudSpan16(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const float*, const float*, float,
                      bool, bool, uint64_t&) {
    return 0;
}

#endif

}  // namespace sys::raster::simd
