// The AVX2 stand-ins for sixteen-lane operations whose AVX2 form takes a different route from
// the plain definition (tables, runs of lanes) give that definition's result for every mask.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "sys/raster/raster_spans_simd.h"

#if defined(__x86_64__)

#pragma GCC push_options
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma,popcnt"))), apply_to = function)
#endif
#pragma GCC target("avx2,fma,popcnt")
#include "sys/raster/lanes16_avx2.h"

namespace {

namespace lanes = sys::raster::simd::lanes16;

void Compress(unsigned mask, const double* in, double* out) {
    lanes::storeu_pd(out, lanes::maskz_compress_pd(mask, lanes::load_pd(in)));
}

}  // namespace

#if defined(__clang__)
#pragma clang attribute pop
#endif
#pragma GCC pop_options

namespace {

using sys::raster::simd::Isa;

class RasterLanes16 : public ::testing::Test {
protected:
    void SetUp() override {
        if (sys::raster::simd::BestIsa() < Isa::Avx2) {
            GTEST_SKIP() << "this processor has no avx2 path";
        }
    }
};

TEST_F(RasterLanes16, CompressMovesTheNamedDoublesDownInOrderWithZerosAfter) {
    const double in[8] = {1.5, -2.0, 3.25, -0.0, 5e300, -6e-300, __builtin_inf(), 8.0};
    for (unsigned mask = 0; mask < 256; ++mask) {
        double expected[8] = {}, out[8];
        int n = 0;
        for (int k = 0; k < 8; ++k) {
            if ((mask >> k) & 1) {
                expected[n++] = in[k];
            }
        }
        Compress(mask, in, out);
        EXPECT_EQ(std::memcmp(expected, out, sizeof out), 0) << "mask " << mask;
    }
}

}  // namespace

#endif
