// The AVX2 stand-ins for sixteen-lane operations whose AVX2 form takes a different route from
// the plain definition (tables, pairs of 16-bit lanes) give that definition's result for every
// mask, and masked 16-bit stores leave every value outside their lanes as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

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

// Eight doubles truncated to 64-bit integers, those integers back to doubles, and their
// products with `factor`.
void Convert64(const double* in, long long* truncated, double* back, const long long* factor, long long* product) {
    lanes::store_si512(truncated, lanes::cvttpd_epi64(lanes::load_pd(in)));
    lanes::storeu_pd(back, lanes::cvtepi64_pd(lanes::loadu_si512(truncated)));
    lanes::store_si512(product, lanes::mullo_epi64(lanes::loadu_si512(truncated), lanes::loadu_si512(factor)));
}

// The exponent and mantissa of eight floats.
void SplitFloats(const float* in, float* exponent, float* mantissa) {
    __m256 e, m;
    lanes::Split(_mm256_loadu_ps(in), e, m);
    _mm256_storeu_ps(exponent, e);
    _mm256_storeu_ps(mantissa, m);
}

void Load16(unsigned mask, const uint16_t* in, uint16_t* out) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), lanes::maskz_loadu_epi16(mask, in));
}

void Store16(unsigned mask, const uint16_t* in, uint16_t* out) {
    lanes::mask_storeu_epi16(out, mask, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
}

void LoadRows(int rows, const uint16_t* masks, const uintptr_t* at, uint16_t* out) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), lanes::LoadRows16(rows, masks, at));
}

void StoreRows(int rows, const uint16_t* masks, const uintptr_t* at, unsigned mask, const uint16_t* in) {
    lanes::StoreRows16(rows, masks, at, mask, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
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

// Each row of eight takes the short route where all its values allow it, else the long one.
TEST_F(RasterLanes16, SixtyFourBitConversionsAndProductsMatchTheOneValueDefinitions) {
    const double big = 2251799813685248.0;  // 2^51
    const double rows[][8] = {
        {0.0, -0.0, 0.7, -0.7, 1.5, -2.5, 65536.49, -65536.51},
        {big - 1.0, -(big - 1.0), big - 0.5, -(big - 0.5), 123456789.9, -987654321.1, 1e-300, -3.0},
        {-big, 0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0},
        {big, 0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0},
        {1.0, -big * 2.0, 1e19, -1e19, __builtin_nan(""), __builtin_inf(), -__builtin_inf(), 9.0},
    };
    const long long factor[8] = {3, -7, 1LL << 40, -(1LL << 33), 0x123456789LL, -1, 0x7FFFFFFFFFFFLL, 5};
    for (const auto& in : rows) {
        alignas(32) long long truncated[8], product[8];
        alignas(32) double back[8];
        Convert64(in, truncated, back, factor, product);
        for (int k = 0; k < 8; ++k) {
            const long long expected = in[k] > -9223372036854775808.0 && in[k] < 9223372036854775808.0
                                           ? static_cast<long long>(in[k])
                                           : INT64_MIN;
            EXPECT_EQ(truncated[k], expected) << in[k];
            EXPECT_EQ(back[k], static_cast<double>(expected)) << in[k];
            EXPECT_EQ(product[k], static_cast<long long>(static_cast<unsigned long long>(expected) *
                                                         static_cast<unsigned long long>(factor[k])))
                << in[k];
        }
    }
}

// A row of normal numbers takes the short route; one zero, subnormal, infinity or non-number
// among them sends the row the long way, with the same exponents and mantissas for the rest.
TEST_F(RasterLanes16, ExponentAndMantissaMatchTheirDefinitionsOnEitherRoute) {
    const float values[] = {1.0f, -1.0f, 1.5f, 3.0e38f, -1.17549435e-38f, 0.3f, 7.0e-30f, 1234.5f, -65536.0f};
    const float odd[] = {0.0f, -0.0f, 1.0e-40f, -3.0e-45f, __builtin_inff(), __builtin_nanf("")};
    for (const float v : values) {
        for (int route = 0; route <= 6; ++route) {
            float in[8], exponent[8], mantissa[8];
            std::fill(in, in + 8, v);
            if (route > 0) {
                in[7] = odd[route - 1];
            }
            SplitFloats(in, exponent, mantissa);
            for (int k = 0; k < 8; ++k) {
                const float x = in[k];
                if (std::isnan(x)) {
                    EXPECT_TRUE(std::isnan(exponent[k]));
                    continue;
                }
                const float e = x == 0.0f ? -__builtin_inff() : std::isinf(x) ? __builtin_inff() : std::logb(x);
                const float m = x == 0.0f || std::isinf(x) ? 1.0f : std::fabs(x) / std::exp2(e);
                EXPECT_EQ(exponent[k], e) << x << " beside " << in[7];
                EXPECT_EQ(mantissa[k], m) << x << " beside " << in[7];
            }
        }
    }
}

TEST_F(RasterLanes16, MaskedSixteenBitMovesTouchOnlyTheNamedLanes) {
    uint16_t values[16];
    for (int k = 0; k < 16; ++k) {
        values[k] = static_cast<uint16_t>(0x1111 * (k + 1) + k);
    }
    for (unsigned mask = 0; mask < 0x10000; ++mask) {
        uint16_t loaded[16], memory[48], stored[48];
        for (int k = 0; k < 48; ++k) {
            memory[k] = stored[k] = static_cast<uint16_t>(0xA000 + k);
        }
        Load16(mask, memory + 16, loaded);
        Store16(mask, values, stored + 16);
        for (int k = 0; k < 16; ++k) {
            const bool named = (mask >> k) & 1;
            ASSERT_EQ(loaded[k], named ? memory[16 + k] : 0) << "mask " << mask << " lane " << k;
            ASSERT_EQ(stored[16 + k], named ? values[k] : memory[16 + k]) << "mask " << mask << " lane " << k;
        }
        ASSERT_EQ(std::memcmp(stored, memory, 32), 0) << "mask " << mask;
        ASSERT_EQ(std::memcmp(stored + 32, memory + 32, 32), 0) << "mask " << mask;
    }
}

// Rows of a packet: each row's lanes follow the last row's, and each row lies alone in a
// buffer of its own pixels, so a move past them would reach another row's.
TEST_F(RasterLanes16, PacketRowsMoveEachRowsPixelsFromItsOwnAddress) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 2000; ++trial) {
        uint16_t masks[16];
        int rows = 0;
        for (int lane = 0; lane < 16; ++rows) {
            const int count = std::min<int>(16 - lane, 1 + static_cast<int>(random() % (trial % 3 == 0 ? 3 : 9)));
            masks[rows] = static_cast<uint16_t>(((1u << count) - 1) << lane);
            lane += count;
        }
        // Row r's pixels start 32 values into the buffer per row; the last ends at its end.
        std::vector<uint16_t> pixels(32 * (rows - 1) + 16 - __builtin_ctz(masks[rows - 1]));
        uintptr_t at[16];
        for (int r = 0; r < rows; ++r) {
            at[r] = reinterpret_cast<uintptr_t>(pixels.data()) + 64 * r - 2 * __builtin_ctz(masks[r]);
        }
        for (uint16_t& p : pixels) {
            p = static_cast<uint16_t>(random());
        }
        const std::vector<uint16_t> before = pixels;
        uint16_t loaded[16], values[16], expected[16] = {};
        LoadRows(rows, masks, at, loaded);
        const unsigned store = static_cast<unsigned>(random()) & 0xFFFF;
        for (int k = 0; k < 16; ++k) {
            values[k] = static_cast<uint16_t>(random());
        }
        StoreRows(rows, masks, at, store, values);
        std::vector<uint16_t> after = before;
        for (int r = 0; r < rows; ++r) {
            for (int k = 0; k < 16; ++k) {
                if ((masks[r] >> k) & 1) {
                    const size_t index = (at[r] - reinterpret_cast<uintptr_t>(pixels.data())) / 2 + k;
                    expected[k] = before[index];
                    if ((store >> k) & 1) {
                        after[index] = values[k];
                    }
                }
            }
        }
        ASSERT_EQ(std::memcmp(loaded, expected, sizeof expected), 0) << "trial " << trial;
        ASSERT_TRUE(pixels == after) << "trial " << trial;
    }
}

}  // namespace

#endif
