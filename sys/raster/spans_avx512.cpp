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
#include "sys/raster/texture_texels.h"

// The sixteen-lane loops (spans16_body.h) for processors with AVX-512, in its own registers
// and masks.
#if defined(__x86_64__)

#pragma GCC push_options
#if defined(__clang__)
// Clang takes the target per function, lambdas included.
#pragma clang attribute push(__attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512dq"))), apply_to = function)
#pragma clang fp contract(off)
#endif
#pragma GCC target("avx2,avx512f,avx512bw,avx512vl,avx512dq")
// These processors have fused multiply-add; products and sums stay separate roundings here, as
// in the one-pixel loop.
// The loops build at the highest optimisation level in every build type: measured faster.
#pragma GCC optimize("fp-contract=off", "O3")
// GCC's AVX-512 headers start some results from a deliberately undefined register.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

namespace sys::raster::simd::avx512 {

namespace {

// A masked store needs nothing of the lanes around it here.
inline void StoreWithin16(void* at, __mmask16, __mmask16 m, __m256i v) { _mm256_mask_storeu_epi16(at, m, v); }

}  // namespace

#include "sys/raster/spans16_body.h"

}  // namespace sys::raster::simd::avx512

#pragma GCC diagnostic pop
#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

#endif
