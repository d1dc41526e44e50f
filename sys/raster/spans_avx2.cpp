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

// The sixteen-lane loops (spans16_body.h) for processors with AVX2 and FMA but no AVX-512,
// each sixteen-lane step as two eight-lane ones (lanes16_avx2.h).
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
using lanes16::PackPlanes16;
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

#include "sys/raster/spans16_body.h"

}  // namespace sys::raster::simd::avx2

#pragma GCC diagnostic pop
#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

#endif
