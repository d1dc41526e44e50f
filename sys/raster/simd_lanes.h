#pragma once

// Lane helpers shared by the wide span loops: clamping, narrowing 32-bit lanes to 16, the
// lanes of a span's last group and the dither thresholds of a row. Included only by the
// files that hold the wide loops, for x86-64 builds; every function here needs AVX2 and runs
// only once simd::Available() said yes.

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstdint>

#include "sys/raster/pixel_packing.h"

#pragma GCC push_options
#if defined(__clang__)
// Clang takes the target per function, lambdas included.
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#endif
#pragma GCC target("avx2")

namespace sys::raster::simd::lanes {

// Multiplies and adds stay separate instructions (no fused form is enabled), as in the
// one-pixel loop, so every lane rounds as it does.
__attribute__((target("avx2"))) inline __m256 Saturate8(__m256 v) {
    // max returns its second operand for NaN: NaN becomes 0, as in Saturate.
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
}

// Eight 32-bit lanes (each below 65536) as eight 16-bit values, in order.
__attribute__((target("avx2"))) inline __m128i Narrow(__m256i v) {
    const __m256i packed = _mm256_packus_epi32(v, v);
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08));
}

// Eight all-ones or all-zero 32-bit lanes as 16-bit lanes.
__attribute__((target("avx2"))) inline __m128i NarrowMask(__m256i m) {
    const __m256i packed = _mm256_packs_epi32(m, m);
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08));
}

// The dither thresholds of row y three times over (or twelve halves without dithering), so
// eight in a row can start at any column: one table for all rows, made once.
inline const float* RowThresholds(bool dither, int32_t y) {
    struct Table {
        float rows[5][12];
        Table() {
            for (int row = 0; row < 4; ++row) {
                for (int k = 0; k < 12; ++k) {
                    rows[row][k] = DitherThreshold(k, row);
                }
            }
            for (float& t : rows[4]) {
                t = 0.5f;
            }
        }
    };
    static const Table table;
    return table.rows[dither ? (y & 3) : 4];
}

// The lanes of the group at i that lie on the span (i .. last): all eight for a whole group;
// for a last, partial one those up to `last`, or none when the group would reach past
// `right` (the drawing rectangle's end).
inline __m256i GroupMask(int64_t i, int64_t last, int32_t right) {
    if (i + 7 <= last) {
        return _mm256_set1_epi32(-1);
    }
    if (i + 8 > right) {
        return _mm256_setzero_si256();
    }
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int32_t>(last - i + 1)), lanes);
}


}  // namespace sys::raster::simd::lanes

#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

#endif
