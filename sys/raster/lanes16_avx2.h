#pragma once

// The sixteen-lane operations the loops of spans16_body.h use, for processors with AVX2 and
// FMA but no AVX-512: a register of sixteen floats or 32-bit integers (or eight doubles or
// 64-bit integers) is a pair of eight-lane ones, and a lane mask stays a number with a bit a
// lane, as the loops take it. Each operation gives the AVX-512 one's result lane for lane, so
// the loops draw the same pixels on either processor. The AVX-512 names are mapped onto these
// by the macros at the end; only spans_avx2.cpp includes this, inside its AVX2 target region,
// before the loops.

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sys::raster::simd::lanes16 {

#define LANES16_INLINE __attribute__((always_inline)) inline

// Copies go register by register: the compiler's plain copy of a 64-byte value moves it in
// 16-byte pieces, and a half read back whole then waits on two narrow stores.
#define LANES16_PAIR(T, V)                                                                                             \
    struct T {                                                                                                         \
        V lo, hi;                                                                                                      \
        T() = default;                                                                                                 \
        T(V l, V h) : lo(l), hi(h) {}                                                                                  \
        T(const T& o) : lo(o.lo), hi(o.hi) {}                                                                          \
        T& operator=(const T& o) {                                                                                     \
            lo = o.lo;                                                                                                 \
            hi = o.hi;                                                                                                 \
            return *this;                                                                                              \
        }                                                                                                              \
    };
LANES16_PAIR(F16, __m256)
LANES16_PAIR(I16, __m256i)
LANES16_PAIR(D8, __m256d)
#undef LANES16_PAIR

// Bit k of `bits` as the all-ones or zero lane k of a register of `Lanes` integers, from a
// table: a load, where working it out would take the shuffle port the loops need most.
template <typename T, int Lanes>
struct LaneTable {
    T lanes[1 << Lanes][Lanes];
};
template <typename T, int Lanes>
constexpr LaneTable<T, Lanes> MakeLaneTable() {
    LaneTable<T, Lanes> t{};
    for (int bits = 0; bits < (1 << Lanes); ++bits) {
        for (int k = 0; k < Lanes; ++k) {
            t.lanes[bits][k] = (bits >> k) & 1 ? -1 : 0;
        }
    }
    return t;
}
alignas(32) inline constexpr LaneTable<int32_t, 8> kLaneTable32 = MakeLaneTable<int32_t, 8>();
alignas(32) inline constexpr LaneTable<int64_t, 4> kLaneTable64 = MakeLaneTable<int64_t, 4>();
// Eight 32-bit lanes from bits below 256, and four 64-bit lanes from bits below 16.
LANES16_INLINE __m256i Lanes32(unsigned bits) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(kLaneTable32.lanes[bits & 0xFF]));
}
LANES16_INLINE __m256i Lanes64(unsigned bits) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(kLaneTable64.lanes[bits & 0xF]));
}
LANES16_INLINE unsigned Bits(__m256 lo, __m256 hi) {
    return static_cast<unsigned>(_mm256_movemask_ps(lo)) | static_cast<unsigned>(_mm256_movemask_ps(hi)) << 8;
}
LANES16_INLINE unsigned Bits(__m256i lo, __m256i hi) { return Bits(_mm256_castsi256_ps(lo), _mm256_castsi256_ps(hi)); }
LANES16_INLINE unsigned Bits64(__m256i lo, __m256i hi) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(lo))) |
           static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(hi))) << 4;
}

// A comparison's lanes, kept as lanes for the masked operations that take them and turned
// into a mask number where the loops need one (the AVX-512 copy's type is that number).
struct Cmp16 {
    __m256 lo, hi;
    operator unsigned() const { return Bits(lo, hi); }
};
// The lanes a masked operation takes: from a mask number or straight from a comparison.
struct Mask16 {
    __m256i lo, hi;
    Mask16(unsigned m) : lo(Lanes32(m & 0xFF)), hi(Lanes32((m >> 8) & 0xFF)) {}
    Mask16(Cmp16 c) : lo(_mm256_castps_si256(c.lo)), hi(_mm256_castps_si256(c.hi)) {}
};

// Floats.
LANES16_INLINE F16 set1_ps(float x) { return {_mm256_set1_ps(x), _mm256_set1_ps(x)}; }
LANES16_INLINE F16 setzero_ps() { return {_mm256_setzero_ps(), _mm256_setzero_ps()}; }
LANES16_INLINE F16 setr_ps(float a, float b, float c, float d, float e, float f, float g, float h, float i, float j,
                           float k, float l, float m, float n, float o, float p) {
    return {_mm256_setr_ps(a, b, c, d, e, f, g, h), _mm256_setr_ps(i, j, k, l, m, n, o, p)};
}
LANES16_INLINE F16 loadu_ps(const void* p) {
    const float* f = static_cast<const float*>(p);
    return {_mm256_loadu_ps(f), _mm256_loadu_ps(f + 8)};
}
#define LANES16_BINARY(name, op, T)                                                                                    \
    LANES16_INLINE T name(T a, T b) { return {op(a.lo, b.lo), op(a.hi, b.hi)}; }
LANES16_BINARY(add_ps, _mm256_add_ps, F16)
LANES16_BINARY(sub_ps, _mm256_sub_ps, F16)
LANES16_BINARY(mul_ps, _mm256_mul_ps, F16)
LANES16_BINARY(div_ps, _mm256_div_ps, F16)
LANES16_BINARY(min_ps, _mm256_min_ps, F16)
LANES16_BINARY(max_ps, _mm256_max_ps, F16)
LANES16_BINARY(xor_ps, _mm256_xor_ps, F16)
LANES16_INLINE F16 fmadd_ps(F16 a, F16 b, F16 c) {
    return {_mm256_fmadd_ps(a.lo, b.lo, c.lo), _mm256_fmadd_ps(a.hi, b.hi, c.hi)};
}
LANES16_INLINE F16 fnmadd_ps(F16 a, F16 b, F16 c) {
    return {_mm256_fnmadd_ps(a.lo, b.lo, c.lo), _mm256_fnmadd_ps(a.hi, b.hi, c.hi)};
}
LANES16_INLINE F16 abs_ps(F16 a) {
    const __m256 sign = _mm256_set1_ps(-0.0f);
    return {_mm256_andnot_ps(sign, a.lo), _mm256_andnot_ps(sign, a.hi)};
}
LANES16_INLINE F16 cvtepi32_ps(I16 a) { return {_mm256_cvtepi32_ps(a.lo), _mm256_cvtepi32_ps(a.hi)}; }
LANES16_INLINE I16 cvttps_epi32(F16 a) { return {_mm256_cvttps_epi32(a.lo), _mm256_cvttps_epi32(a.hi)}; }
template <int R>
LANES16_INLINE F16 Round(F16 a) {
    return {_mm256_round_ps(a.lo, R), _mm256_round_ps(a.hi, R)};
}
template <int R>
LANES16_INLINE I16 RoundToInt(F16 a) {
    const F16 r = Round<R>(a);
    return {_mm256_cvtps_epi32(r.lo), _mm256_cvtps_epi32(r.hi)};
}
LANES16_INLINE I16 castps_si512(F16 a) { return {_mm256_castps_si256(a.lo), _mm256_castps_si256(a.hi)}; }
LANES16_INLINE F16 castsi512_ps(I16 a) { return {_mm256_castsi256_ps(a.lo), _mm256_castsi256_ps(a.hi)}; }
LANES16_INLINE D8 castps_pd(F16 a) { return {_mm256_castps_pd(a.lo), _mm256_castps_pd(a.hi)}; }
LANES16_INLINE __m256 castps512_ps256(F16 a) { return a.lo; }
LANES16_INLINE F16 castps256_ps512(__m256 a) { return {a, _mm256_setzero_ps()}; }
LANES16_INLINE F16 insertf32x8(F16 a, __m256 b, int) { return {a.lo, b}; }
LANES16_INLINE __m256d extractf64x4_pd(D8 a, int) { return a.hi; }
LANES16_INLINE float cvtss_f32(F16 a) { return _mm256_cvtss_f32(a.lo); }
LANES16_INLINE F16 Blend(Mask16 m, F16 a, F16 b) {
    return {_mm256_blendv_ps(a.lo, b.lo, _mm256_castsi256_ps(m.lo)),
            _mm256_blendv_ps(a.hi, b.hi, _mm256_castsi256_ps(m.hi))};
}
LANES16_INLINE F16 mask_blend_ps(Mask16 m, F16 a, F16 b) { return Blend(m, a, b); }
LANES16_INLINE F16 mask_mov_ps(F16 src, Mask16 m, F16 a) { return Blend(m, src, a); }
LANES16_INLINE F16 maskz_mov_ps(Mask16 m, F16 a) { return Blend(m, setzero_ps(), a); }
LANES16_INLINE F16 mask_mul_ps(F16 src, Mask16 m, F16 a, F16 b) { return Blend(m, src, mul_ps(a, b)); }
LANES16_INLINE F16 mask_add_ps(F16 src, Mask16 m, F16 a, F16 b) { return Blend(m, src, add_ps(a, b)); }
LANES16_INLINE F16 maskz_min_ps(Mask16 m, F16 a, F16 b) { return Blend(m, setzero_ps(), min_ps(a, b)); }
LANES16_INLINE F16 mask3_fmadd_ps(F16 a, F16 b, F16 c, Mask16 m) { return Blend(m, c, fmadd_ps(a, b, c)); }
LANES16_INLINE F16 maskz_loadu_ps(unsigned m, const void* p) {
    const float* f = static_cast<const float*>(p);
    return {_mm256_maskload_ps(f, Lanes32(m & 0xFF)), _mm256_maskload_ps(f + 8, Lanes32((m >> 8) & 0xFF))};
}
template <int C>
LANES16_INLINE Cmp16 CmpPs(F16 a, F16 b) {
    return {_mm256_cmp_ps(a.lo, b.lo, C), _mm256_cmp_ps(a.hi, b.hi, C)};
}
// Sixteen lanes picked from a table of sixteen by each index's low four bits.
LANES16_INLINE __m256i Pick32(__m256i index, __m256i tableLo, __m256i tableHi) {
    const __m256 low = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(tableLo, index));
    const __m256 high = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(tableHi, index));
    return _mm256_castps_si256(_mm256_blendv_ps(low, high, _mm256_castsi256_ps(_mm256_slli_epi32(index, 28))));
}
LANES16_INLINE I16 permutexvar_epi32(I16 index, I16 table) {
    return {Pick32(index.lo, table.lo, table.hi), Pick32(index.hi, table.lo, table.hi)};
}
LANES16_INLINE F16 permutexvar_ps(I16 index, F16 table) {
    return castsi512_ps(permutexvar_epi32(index, castps_si512(table)));
}
// The exponent and mantissa of each lane as getexp and getmant take them (subnormal numbers
// normalised, infinities and non-numbers as they are), for the mantissa intervals [1, 2) and
// [0.75, 1.5) with the sign dropped.
LANES16_INLINE void Split(__m256 x, __m256& exponent, __m256& mantissa) {
    const __m256i magnitude = _mm256_and_si256(_mm256_castps_si256(x), _mm256_set1_epi32(0x7FFFFFFF));
    // Where every lane is a normal number, as almost always, the fields as they stand.
    const __m256i normalSpan = _mm256_set1_epi32(0x7F000000 - 1);
    const __m256i aboveSmallest = _mm256_sub_epi32(magnitude, _mm256_set1_epi32(0x00800000));
    if (_mm256_movemask_ps(_mm256_castsi256_ps(
            _mm256_cmpeq_epi32(_mm256_max_epu32(aboveSmallest, normalSpan), normalSpan))) == 0xFF) {
        exponent = _mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_srli_epi32(magnitude, 23), _mm256_set1_epi32(127)));
        mantissa = _mm256_castsi256_ps(_mm256_or_si256(_mm256_and_si256(magnitude, _mm256_set1_epi32(0x007FFFFF)),
                                                       _mm256_set1_epi32(0x3F800000)));
        return;
    }
    // Subnormal numbers are scaled by 2^32 first, which leaves their exponent 32 lower.
    const __m256i subnormal = _mm256_cmpgt_epi32(_mm256_set1_epi32(0x00800000), magnitude);
    const __m256i scaled = _mm256_and_si256(
        _mm256_castps_si256(_mm256_mul_ps(_mm256_castsi256_ps(magnitude), _mm256_set1_ps(4294967296.0f))),
        _mm256_set1_epi32(0x7FFFFFFF));
    const __m256i bits = _mm256_blendv_epi8(magnitude, scaled, subnormal);
    const __m256i e = _mm256_sub_epi32(
        _mm256_sub_epi32(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(127)),
        _mm256_and_si256(subnormal, _mm256_set1_epi32(32)));
    const __m256 m =
        _mm256_castsi256_ps(_mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi32(0x007FFFFF)),
                                            _mm256_set1_epi32(0x3F800000)));
    __m256 ef = _mm256_cvtepi32_ps(e);
    const __m256 absolute = _mm256_castsi256_ps(magnitude);
    // Zero has exponent minus infinity; infinity and non-numbers keep their value.
    const __m256 zero = _mm256_cmp_ps(absolute, _mm256_setzero_ps(), _CMP_EQ_OQ);
    ef = _mm256_blendv_ps(ef, _mm256_set1_ps(-__builtin_inff()), zero);
    const __m256 special = _mm256_castsi256_ps(_mm256_cmpgt_epi32(magnitude, _mm256_set1_epi32(0x7F7FFFFF)));
    exponent = _mm256_blendv_ps(ef, absolute, special);
    mantissa = _mm256_blendv_ps(m, _mm256_set1_ps(1.0f), zero);
}
LANES16_INLINE F16 getexp_ps(F16 x) {
    F16 e, m;
    Split(x.lo, e.lo, m.lo);
    Split(x.hi, e.hi, m.hi);
    return e;
}
template <int Interval>
LANES16_INLINE __m256 Mantissa(__m256 x) {
    __m256 e, m;
    Split(x, e, m);
    if constexpr (Interval == _MM_MANT_NORM_p75_1p5) {
        m = _mm256_blendv_ps(m, _mm256_mul_ps(m, _mm256_set1_ps(0.5f)),
                             _mm256_cmp_ps(m, _mm256_set1_ps(1.5f), _CMP_GE_OQ));
    }
    return m;
}
template <int Interval>
LANES16_INLINE F16 GetMant(F16 x) {
    static_assert(Interval == _MM_MANT_NORM_1_2 || Interval == _MM_MANT_NORM_p75_1p5, "mantissa interval");
    return {Mantissa<Interval>(x.lo), Mantissa<Interval>(x.hi)};
}

// 32-bit integers.
LANES16_INLINE I16 set1_epi32(int x) { return {_mm256_set1_epi32(x), _mm256_set1_epi32(x)}; }
LANES16_INLINE I16 set1_epi16(short x) { return {_mm256_set1_epi16(x), _mm256_set1_epi16(x)}; }
LANES16_INLINE I16 set1_epi64(long long x) { return {_mm256_set1_epi64x(x), _mm256_set1_epi64x(x)}; }
LANES16_INLINE I16 setzero_si512() { return {_mm256_setzero_si256(), _mm256_setzero_si256()}; }
LANES16_INLINE I16 setr_epi32(int a, int b, int c, int d, int e, int f, int g, int h, int i, int j, int k, int l,
                              int m, int n, int o, int p) {
    return {_mm256_setr_epi32(a, b, c, d, e, f, g, h), _mm256_setr_epi32(i, j, k, l, m, n, o, p)};
}
LANES16_INLINE I16 setr_epi64(long long a, long long b, long long c, long long d, long long e, long long f,
                              long long g, long long h) {
    return {_mm256_setr_epi64x(a, b, c, d), _mm256_setr_epi64x(e, f, g, h)};
}
LANES16_INLINE I16 loadu_si512(const void* p) {
    const __m256i* v = static_cast<const __m256i*>(p);
    return {_mm256_loadu_si256(v), _mm256_loadu_si256(v + 1)};
}
LANES16_INLINE void store_si512(void* p, I16 a) {
    __m256i* v = static_cast<__m256i*>(p);
    _mm256_storeu_si256(v, a.lo);
    _mm256_storeu_si256(v + 1, a.hi);
}
LANES16_BINARY(add_epi32, _mm256_add_epi32, I16)
LANES16_BINARY(sub_epi32, _mm256_sub_epi32, I16)
LANES16_BINARY(add_epi16, _mm256_add_epi16, I16)
LANES16_BINARY(add_epi64, _mm256_add_epi64, I16)
LANES16_BINARY(and_si512, _mm256_and_si256, I16)
LANES16_BINARY(or_si512, _mm256_or_si256, I16)
LANES16_BINARY(max_epi32, _mm256_max_epi32, I16)
LANES16_BINARY(min_epi32, _mm256_min_epi32, I16)
LANES16_BINARY(max_epu32, _mm256_max_epu32, I16)
LANES16_BINARY(min_epu32, _mm256_min_epu32, I16)
LANES16_BINARY(mullo_epi32, _mm256_mullo_epi32, I16)
LANES16_BINARY(mullo_epi16, _mm256_mullo_epi16, I16)
LANES16_BINARY(madd_epi16, _mm256_madd_epi16, I16)
LANES16_BINARY(shuffle_epi8, _mm256_shuffle_epi8, I16)
LANES16_INLINE I16 slli_epi32(I16 a, int n) { return {_mm256_slli_epi32(a.lo, n), _mm256_slli_epi32(a.hi, n)}; }
LANES16_INLINE I16 srli_epi32(I16 a, int n) { return {_mm256_srli_epi32(a.lo, n), _mm256_srli_epi32(a.hi, n)}; }
LANES16_INLINE I16 srai_epi32(I16 a, int n) { return {_mm256_srai_epi32(a.lo, n), _mm256_srai_epi32(a.hi, n)}; }
LANES16_INLINE I16 srli_epi16(I16 a, int n) { return {_mm256_srli_epi16(a.lo, n), _mm256_srli_epi16(a.hi, n)}; }
LANES16_INLINE I16 broadcast_i32x4(__m128i a) {
    const __m256i v = _mm256_broadcastsi128_si256(a);
    return {v, v};
}
LANES16_INLINE __m128i castsi512_si128(I16 a) { return _mm256_castsi256_si128(a.lo); }
// The three-input logic functions the loops use: a | b | c, and c | (a & b).
template <int F>
LANES16_INLINE I16 TernaryLogic(I16 a, I16 b, I16 c) {
    static_assert(F == 0xFE || F == 0xEA, "a logic function the loops use");
    if constexpr (F == 0xFE) {
        return or_si512(or_si512(a, b), c);
    } else {
        return or_si512(and_si512(a, b), c);
    }
}
LANES16_INLINE I16 BlendI(Mask16 m, I16 a, I16 b) {
    return {_mm256_blendv_epi8(a.lo, b.lo, m.lo), _mm256_blendv_epi8(a.hi, b.hi, m.hi)};
}
LANES16_INLINE I16 mask_blend_epi32(Mask16 m, I16 a, I16 b) { return BlendI(m, a, b); }
LANES16_INLINE I16 mask_mov_epi32(I16 src, Mask16 m, I16 a) { return BlendI(m, src, a); }
LANES16_INLINE I16 maskz_sub_epi32(Mask16 m, I16 a, I16 b) { return BlendI(m, setzero_si512(), sub_epi32(a, b)); }
LANES16_INLINE I16 maskz_or_epi32(Mask16 m, I16 a, I16 b) { return BlendI(m, setzero_si512(), or_si512(a, b)); }
LANES16_INLINE I16 mask_add_epi32(I16 src, Mask16 m, I16 a, I16 b) { return BlendI(m, src, add_epi32(a, b)); }
LANES16_INLINE I16 mask_max_epu32(I16 src, Mask16 m, I16 a, I16 b) { return BlendI(m, src, max_epu32(a, b)); }
LANES16_INLINE I16 mask_min_epu32(I16 src, Mask16 m, I16 a, I16 b) { return BlendI(m, src, min_epu32(a, b)); }
template <int F>
LANES16_INLINE I16 MaskTernaryLogic(I16 a, Mask16 m, I16 b, I16 c) {
    return BlendI(m, a, TernaryLogic<F>(a, b, c));
}
// Bit k of `bits` as the all-ones or zero lane k of sixteen 16-bit lanes.
LANES16_INLINE __m256i Lanes16(unsigned bits) {
    const __m256i bit = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384,
                                          static_cast<short>(0x8000));
    return _mm256_cmpeq_epi16(_mm256_and_si256(_mm256_set1_epi16(static_cast<short>(bits)), bit), bit);
}
// 16-bit lanes: bit k of the 32-bit mask for lane k.
LANES16_INLINE I16 mask_sub_epi16(I16 src, unsigned m, I16 a, I16 b) {
    return {_mm256_blendv_epi8(src.lo, _mm256_sub_epi16(a.lo, b.lo), Lanes16(m & 0xFFFF)),
            _mm256_blendv_epi8(src.hi, _mm256_sub_epi16(a.hi, b.hi), Lanes16(m >> 16))};
}
LANES16_INLINE I16 maskz_loadu_epi32(unsigned m, const void* p) {
    const int* v = static_cast<const int*>(p);
    return {_mm256_maskload_epi32(v, Lanes32(m & 0xFF)), _mm256_maskload_epi32(v + 8, Lanes32((m >> 8) & 0xFF))};
}
LANES16_INLINE void mask_storeu_epi32(void* p, unsigned m, I16 a) {
    int* v = static_cast<int*>(p);
    _mm256_maskstore_epi32(v, Lanes32(m & 0xFF), a.lo);
    _mm256_maskstore_epi32(v + 8, Lanes32((m >> 8) & 0xFF), a.hi);
}
template <int Scale>
LANES16_INLINE I16 MaskGather32(I16 src, Mask16 m, I16 index, const void* base) {
    const int* b = static_cast<const int*>(base);
    return {_mm256_mask_i32gather_epi32(src.lo, b, index.lo, m.lo, Scale),
            _mm256_mask_i32gather_epi32(src.hi, b, index.hi, m.hi, Scale)};
}
template <int Scale>
LANES16_INLINE F16 GatherPs(I16 index, const void* base) {
    const float* b = static_cast<const float*>(base);
    return {_mm256_i32gather_ps(b, index.lo, Scale), _mm256_i32gather_ps(b, index.hi, Scale)};
}
template <int Scale>
LANES16_INLINE void ScatterPs(void* base, I16 index, F16 a) {
    alignas(32) int at[16];
    alignas(32) float value[16];
    store_si512(at, index);
    _mm256_store_ps(value, a.lo);
    _mm256_store_ps(value + 8, a.hi);
    for (int k = 0; k < 16; ++k) {
        std::memcpy(static_cast<char*>(base) + static_cast<std::ptrdiff_t>(at[k]) * Scale, &value[k], 4);
    }
}
LANES16_INLINE __m256i Unsigned(__m256i a) { return _mm256_xor_si256(a, _mm256_set1_epi32(INT32_MIN)); }
LANES16_INLINE unsigned cmpgt_epi32_mask(I16 a, I16 b) {
    return Bits(_mm256_cmpgt_epi32(a.lo, b.lo), _mm256_cmpgt_epi32(a.hi, b.hi));
}
LANES16_INLINE unsigned cmplt_epi32_mask(I16 a, I16 b) { return cmpgt_epi32_mask(b, a); }
// The lanes' sign bits.
LANES16_INLINE unsigned movepi32_mask(I16 a) { return Bits(a.lo, a.hi); }
LANES16_INLINE unsigned cmpeq_epi32_mask(I16 a, I16 b) {
    return Bits(_mm256_cmpeq_epi32(a.lo, b.lo), _mm256_cmpeq_epi32(a.hi, b.hi));
}
LANES16_INLINE unsigned cmpge_epi32_mask(I16 a, I16 b) { return ~cmplt_epi32_mask(a, b) & 0xFFFF; }
LANES16_INLINE unsigned cmpgt_epu32_mask(I16 a, I16 b) {
    return Bits(_mm256_cmpgt_epi32(Unsigned(a.lo), Unsigned(b.lo)), _mm256_cmpgt_epi32(Unsigned(a.hi), Unsigned(b.hi)));
}
LANES16_INLINE unsigned cmplt_epu32_mask(I16 a, I16 b) { return cmpgt_epu32_mask(b, a); }
LANES16_INLINE unsigned cmple_epu32_mask(I16 a, I16 b) { return ~cmpgt_epu32_mask(a, b) & 0xFFFF; }
LANES16_INLINE unsigned cmpge_epu32_mask(I16 a, I16 b) { return ~cmpgt_epu32_mask(b, a) & 0xFFFF; }
LANES16_INLINE unsigned mask_cmpgt_epi32_mask(unsigned m, I16 a, I16 b) { return m & cmpgt_epi32_mask(a, b); }
LANES16_INLINE unsigned mask_cmpeq_epi32_mask(unsigned m, I16 a, I16 b) { return m & cmpeq_epi32_mask(a, b); }
LANES16_INLINE unsigned mask_cmpneq_epi32_mask(unsigned m, I16 a, I16 b) { return m & ~cmpeq_epi32_mask(a, b); }
LANES16_INLINE unsigned test_epi32_mask(I16 a, I16 b) {
    const __m256i zero = _mm256_setzero_si256();
    return ~Bits(_mm256_cmpeq_epi32(_mm256_and_si256(a.lo, b.lo), zero),
                 _mm256_cmpeq_epi32(_mm256_and_si256(a.hi, b.hi), zero)) &
           0xFFFF;
}
// Sixteen 32-bit lanes cut to their low 16 bits, in order.
LANES16_INLINE __m256i cvtepi32_epi16(I16 a) {
    const __m256i low = _mm256_set1_epi32(0xFFFF);
    const __m256i packed = _mm256_packus_epi32(_mm256_and_si256(a.lo, low), _mm256_and_si256(a.hi, low));
    return _mm256_permute4x64_epi64(packed, 0xD8);
}
LANES16_INLINE I16 cvtepu16_epi32(__m256i a) {
    return {_mm256_cvtepu16_epi32(_mm256_castsi256_si128(a)), _mm256_cvtepu16_epi32(_mm256_extracti128_si256(a, 1))};
}

// 64-bit integers, eight lanes.
// The low 64 bits of each product, from 32-bit halves: lo * lo + ((hi * lo + lo * hi) << 32).
LANES16_INLINE __m256i MulLo64(__m256i a, __m256i b) {
    const __m256i cross = _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(a, 32), b),
                                           _mm256_mul_epu32(a, _mm256_srli_epi64(b, 32)));
    return _mm256_add_epi64(_mm256_mul_epu32(a, b), _mm256_slli_epi64(cross, 32));
}
LANES16_INLINE I16 mullo_epi64(I16 a, I16 b) { return {MulLo64(a.lo, b.lo), MulLo64(a.hi, b.hi)}; }
LANES16_INLINE unsigned cmpge_epi64_mask(I16 a, I16 b) {
    return ~Bits64(_mm256_cmpgt_epi64(b.lo, a.lo), _mm256_cmpgt_epi64(b.hi, a.hi)) & 0xFF;
}
LANES16_INLINE unsigned mask_cmpge_epi64_mask(unsigned m, I16 a, I16 b) { return m & cmpge_epi64_mask(a, b); }
LANES16_INLINE I16 Mask64(unsigned m) { return {Lanes64(m & 0xF), Lanes64((m >> 4) & 0xF)}; }
LANES16_INLINE I16 mask_sub_epi64(I16 src, unsigned m, I16 a, I16 b) {
    const I16 lanes = Mask64(m);
    return {_mm256_blendv_epi8(src.lo, _mm256_sub_epi64(a.lo, b.lo), lanes.lo),
            _mm256_blendv_epi8(src.hi, _mm256_sub_epi64(a.hi, b.hi), lanes.hi)};
}

// Doubles, eight lanes.
LANES16_INLINE D8 set1_pd(double x) { return {_mm256_set1_pd(x), _mm256_set1_pd(x)}; }
LANES16_INLINE D8 setzero_pd() { return {_mm256_setzero_pd(), _mm256_setzero_pd()}; }
LANES16_INLINE D8 load_pd(const double* p) { return {_mm256_loadu_pd(p), _mm256_loadu_pd(p + 4)}; }
LANES16_INLINE void storeu_pd(double* p, D8 a) {
    _mm256_storeu_pd(p, a.lo);
    _mm256_storeu_pd(p + 4, a.hi);
}
LANES16_BINARY(add_pd, _mm256_add_pd, D8)
LANES16_BINARY(sub_pd, _mm256_sub_pd, D8)
LANES16_BINARY(mul_pd, _mm256_mul_pd, D8)
LANES16_BINARY(div_pd, _mm256_div_pd, D8)
LANES16_BINARY(min_pd, _mm256_min_pd, D8)
LANES16_BINARY(max_pd, _mm256_max_pd, D8)
LANES16_BINARY(andnot_pd, _mm256_andnot_pd, D8)
LANES16_INLINE D8 cvtps_pd(__m256 a) {
    return {_mm256_cvtps_pd(_mm256_castps256_ps128(a)), _mm256_cvtps_pd(_mm256_extractf128_ps(a, 1))};
}
LANES16_INLINE __m256 cvtpd_ps(D8 a) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(a.lo)), _mm256_cvtpd_ps(a.hi), 1);
}
// Integers of magnitude below 2^51 as doubles and back through the bits of a sum with
// 1.5 * 2^52, whose unit in the last place is one; other values one by one.
LANES16_INLINE __m256d Magic64() { return _mm256_set1_pd(6755399441055744.0); }
LANES16_INLINE bool Below51(__m256d a) {
    const __m256d limit = _mm256_set1_pd(2251799813685248.0);
    return _mm256_movemask_pd(_mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), a), limit, _CMP_LT_OQ)) == 0xF;
}
LANES16_INLINE bool Below51(__m256i a) {
    const __m256i shifted = _mm256_srli_epi64(_mm256_add_epi64(a, _mm256_set1_epi64x(1LL << 51)), 52);
    return _mm256_testz_si256(shifted, shifted) != 0;
}
LANES16_INLINE __m256i Truncate64(__m256d a) {
    const __m256d whole = _mm256_round_pd(a, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm256_sub_epi64(_mm256_castpd_si256(_mm256_add_pd(whole, Magic64())), _mm256_castpd_si256(Magic64()));
}
LANES16_INLINE __m256d Double64(__m256i a) {
    return _mm256_sub_pd(_mm256_castsi256_pd(_mm256_add_epi64(a, _mm256_castpd_si256(Magic64()))), Magic64());
}
LANES16_INLINE I16 cvttpd_epi64(D8 a) {
    if (Below51(a.lo) && Below51(a.hi)) {
        return {Truncate64(a.lo), Truncate64(a.hi)};
    }
    alignas(32) double x[8];
    alignas(32) long long out[8];
    storeu_pd(x, a);
    for (int k = 0; k < 8; ++k) {
        // Out of range and not a number give the "indefinite" value, as the instruction does.
        out[k] = x[k] > -9223372036854775808.0 && x[k] < 9223372036854775808.0 ? static_cast<long long>(x[k])
                                                                                 : INT64_MIN;
    }
    return loadu_si512(out);
}
LANES16_INLINE D8 cvtepi64_pd(I16 a) {
    if (Below51(a.lo) && Below51(a.hi)) {
        return {Double64(a.lo), Double64(a.hi)};
    }
    alignas(32) long long x[8];
    alignas(32) double out[8];
    store_si512(x, a);
    for (int k = 0; k < 8; ++k) {
        out[k] = static_cast<double>(x[k]);
    }
    return load_pd(out);
}
template <int C>
LANES16_INLINE unsigned CmpPd(D8 a, D8 b) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a.lo, b.lo, C))) |
           static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a.hi, b.hi, C))) << 4;
}
LANES16_INLINE D8 BlendD(unsigned m, D8 a, D8 b) {
    const I16 lanes = Mask64(m);
    return {_mm256_blendv_pd(a.lo, b.lo, _mm256_castsi256_pd(lanes.lo)),
            _mm256_blendv_pd(a.hi, b.hi, _mm256_castsi256_pd(lanes.hi))};
}
LANES16_INLINE D8 mask_mul_pd(D8 src, unsigned m, D8 a, D8 b) { return BlendD(m, src, mul_pd(a, b)); }
LANES16_INLINE D8 maskz_mul_pd(unsigned m, D8 a, D8 b) { return BlendD(m, setzero_pd(), mul_pd(a, b)); }
LANES16_INLINE D8 mask_mov_pd(D8 src, unsigned m, D8 a) { return BlendD(m, src, a); }
LANES16_INLINE D8 maskz_mov_pd(unsigned m, D8 a) { return BlendD(m, setzero_pd(), a); }

// Eight-lane operations with masks, and 16-bit lanes in one register.
template <int C>
LANES16_INLINE unsigned CmpPs8(__m256 a, __m256 b) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, C)));
}
LANES16_INLINE unsigned cmpeq_epi32_mask8(__m256i a, __m256i b) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(a, b))));
}
LANES16_INLINE __m256i mask_or_epi32_8(__m256i src, unsigned m, __m256i a, __m256i b) {
    return _mm256_blendv_epi8(src, _mm256_or_si256(a, b), Lanes32(m));
}
LANES16_INLINE __m256i mask_mov_epi32_8(__m256i src, unsigned m, __m256i a) {
    return _mm256_blendv_epi8(src, a, Lanes32(m));
}
// Sixteen lanes of all-ones or zero 16-bit values as a mask.
LANES16_INLINE unsigned Bits16(__m256i v) {
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_packs_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1))));
}
LANES16_INLINE unsigned cmpeq_epu16_mask(__m256i a, __m256i b) { return Bits16(_mm256_cmpeq_epi16(a, b)); }
LANES16_INLINE unsigned cmpneq_epu16_mask(__m256i a, __m256i b) { return ~cmpeq_epu16_mask(a, b) & 0xFFFF; }
LANES16_INLINE unsigned cmpge_epu16_mask(__m256i a, __m256i b) { return cmpeq_epu16_mask(_mm256_max_epu16(a, b), a); }
LANES16_INLINE unsigned cmple_epu16_mask(__m256i a, __m256i b) { return cmpeq_epu16_mask(_mm256_min_epu16(a, b), a); }
LANES16_INLINE unsigned cmplt_epu16_mask(__m256i a, __m256i b) { return ~cmpge_epu16_mask(a, b) & 0xFFFF; }
LANES16_INLINE unsigned cmpgt_epu16_mask(__m256i a, __m256i b) { return ~cmple_epu16_mask(a, b) & 0xFFFF; }
// Masked 16-bit loads and stores touch only the lanes named, as the AVX-512 ones do, without
// a branch on where a row starts or ends: two lanes side by side go as one 32-bit lane of a
// masked move, from the row's address for lanes 2j and 2j + 1 and from two bytes further on
// for lanes 2j + 1 and 2j + 2 (a lane covered twice gets the same value twice); that leaves
// lanes with neither neighbour named, which go on their own: always the first lane named,
// rarely one further on.
struct Pairs16 {
    __m256i even, odd;  // the 32-bit lanes of the moves from the address and from two bytes on
    unsigned alone;     // lanes past the first that neither move covers
};
LANES16_INLINE Pairs16 PairsOf(unsigned m) {
    // Bit k: lanes k and k + 1 both named, so bit 2j names the move of lanes 2j and 2j + 1,
    // bit 2j + 1 that of lanes 2j + 1 and 2j + 2.
    const unsigned pairs = m & (m >> 1);
    const __m256i bits = _mm256_set1_epi32(static_cast<int>(pairs));
    const __m256i evenBit = _mm256_setr_epi32(1, 4, 16, 64, 256, 1024, 4096, 16384);
    const __m256i oddBit = _mm256_setr_epi32(2, 8, 32, 128, 512, 2048, 8192, 32768);
    return {_mm256_cmpeq_epi32(_mm256_and_si256(bits, evenBit), evenBit),
            _mm256_cmpeq_epi32(_mm256_and_si256(bits, oddBit), oddBit), m & ~(pairs | pairs << 1) & (m - 1)};
}
// Lane k of sixteen 16-bit lanes all ones, the rest zero.
struct OneLaneTable {
    uint16_t lanes[16][16];
};
constexpr OneLaneTable MakeOneLaneTable() {
    OneLaneTable t{};
    for (int k = 0; k < 16; ++k) {
        t.lanes[k][k] = 0xFFFF;
    }
    return t;
}
alignas(32) inline constexpr OneLaneTable kOneLane16 = MakeOneLaneTable();
// Lane k of the result is lane k - 1 of v (lane 0 zero), and lane k + 1 (lane 15 zero).
LANES16_INLINE __m256i Up16(__m256i v) { return _mm256_alignr_epi8(v, _mm256_permute2x128_si256(v, v, 0x08), 14); }
LANES16_INLINE __m256i Down16(__m256i v) { return _mm256_alignr_epi8(_mm256_permute2x128_si256(v, v, 0x81), v, 2); }
LANES16_INLINE __m256i OneLoaded16(const void* p, int k) {
    uint16_t value;
    std::memcpy(&value, static_cast<const uint16_t*>(p) + k, 2);
    return _mm256_and_si256(_mm256_set1_epi16(static_cast<short>(value)),
                            _mm256_load_si256(reinterpret_cast<const __m256i*>(kOneLane16.lanes[k])));
}
// A row's lanes m read from p: its whole pairs or-ed into `even`, its pairs from lane 2j + 1
// into `odd` (as they lie at p + 2), its single lanes into `single`. A run of lanes has no
// single lane but its first, so Run skips looking for others.
struct Loads16 {
    __m256i even, odd, single;
    LANES16_INLINE Loads16() : even(_mm256_setzero_si256()), odd(even), single(even) {}
    template <bool Run>
    LANES16_INLINE void Add(unsigned m, const void* p) {
        if (m == 0) {
            return;
        }
        const Pairs16 pairs = PairsOf(m);
        even = _mm256_or_si256(even, _mm256_maskload_epi32(static_cast<const int*>(p), pairs.even));
        odd = _mm256_or_si256(odd, _mm256_maskload_epi32(reinterpret_cast<const int*>(static_cast<const char*>(p) + 2),
                                                         pairs.odd));
        single = _mm256_or_si256(single, OneLoaded16(p, __builtin_ctz(m)));
        for (unsigned bits = Run ? 0 : pairs.alone; bits != 0; bits &= bits - 1) {
            single = _mm256_or_si256(single, OneLoaded16(p, __builtin_ctz(bits)));
        }
    }
    LANES16_INLINE __m256i Lanes() const { return _mm256_or_si256(_mm256_or_si256(even, single), Up16(odd)); }
};
// Sixteen values stored under the masks of one or more rows.
struct Stores16 {
    __m256i v, down;
    alignas(32) uint16_t value[16];
    LANES16_INLINE explicit Stores16(__m256i a) : v(a), down(Down16(a)) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(value), a);
    }
    LANES16_INLINE void Store(unsigned m, void* p) const {
        if (m == 0) {
            return;
        }
        const Pairs16 pairs = PairsOf(m);
        _mm256_maskstore_epi32(static_cast<int*>(p), pairs.even, v);
        _mm256_maskstore_epi32(reinterpret_cast<int*>(static_cast<char*>(p) + 2), pairs.odd, down);
        const int first = __builtin_ctz(m);
        std::memcpy(static_cast<uint16_t*>(p) + first, &value[first], 2);
        for (unsigned bits = pairs.alone; bits != 0; bits &= bits - 1) {
            const int k = __builtin_ctz(bits);
            std::memcpy(static_cast<uint16_t*>(p) + k, &value[k], 2);
        }
    }
};
LANES16_INLINE __m256i maskz_loadu_epi16(unsigned m, const void* p) {
    m &= 0xFFFF;
    if (m == 0xFFFF) {
        return _mm256_loadu_si256(static_cast<const __m256i*>(p));
    }
    Loads16 loads;
    loads.Add<false>(m, p);
    return loads.Lanes();
}
LANES16_INLINE void mask_storeu_epi16(void* p, unsigned m, __m256i a) {
    m &= 0xFFFF;
    if (m == 0xFFFF) {
        _mm256_storeu_si256(static_cast<__m256i*>(p), a);
        return;
    }
    Stores16(a).Store(m, p);
}
// Several rows' lanes (which do not overlap), each row from its own address: one row at a
// time as above, the lanes put in place once for all rows. Each row's lanes are a run, as in
// a packet, when read; any of them may be stored.
LANES16_INLINE __m256i LoadRows16(int rows, const uint16_t* mask, const uintptr_t* at) {
    Loads16 loads;
    for (int r = 0; r < rows; ++r) {
        loads.Add<true>(mask[r], reinterpret_cast<const void*>(at[r]));
    }
    return loads.Lanes();
}
LANES16_INLINE void StoreRows16(int rows, const uint16_t* mask, const uintptr_t* at, unsigned m, __m256i v) {
    const Stores16 stores(v);
    for (int r = 0; r < rows; ++r) {
        stores.Store(m & mask[r], reinterpret_cast<void*>(at[r]));
    }
}
// Sixteen lanes picked by indices below eight, from the table's low eight alone.
LANES16_INLINE F16 PermuteLowEight(I16 index, F16 table) {
    return {_mm256_permutevar8x32_ps(table.lo, index.lo), _mm256_permutevar8x32_ps(table.lo, index.hi)};
}

#undef LANES16_BINARY
#undef LANES16_INLINE

}  // namespace sys::raster::simd::lanes16

// The loops' AVX-512 names for the operations above (some are macros of the compiler's own).
#define __m512 ::sys::raster::simd::lanes16::F16
#define __m512i ::sys::raster::simd::lanes16::I16
#define __m512d ::sys::raster::simd::lanes16::D8
#define LANES16(name) ::sys::raster::simd::lanes16::name
#define _mm512_set1_ps LANES16(set1_ps)
#define _mm512_setzero_ps LANES16(setzero_ps)
#undef _mm512_setr_ps
#define _mm512_setr_ps LANES16(setr_ps)
#define _mm512_loadu_ps LANES16(loadu_ps)
#define _mm512_load_ps LANES16(loadu_ps)
#define _mm512_add_ps LANES16(add_ps)
#define _mm512_sub_ps LANES16(sub_ps)
#define _mm512_mul_ps LANES16(mul_ps)
#define _mm512_div_ps LANES16(div_ps)
#define _mm512_min_ps LANES16(min_ps)
#define _mm512_max_ps LANES16(max_ps)
#define _mm512_xor_ps LANES16(xor_ps)
#define _mm512_fmadd_ps LANES16(fmadd_ps)
#define _mm512_fnmadd_ps LANES16(fnmadd_ps)
#define _mm512_abs_ps LANES16(abs_ps)
#define _mm512_cvtepi32_ps LANES16(cvtepi32_ps)
#define _mm512_cvttps_epi32 LANES16(cvttps_epi32)
#define _mm512_roundscale_ps(a, r) LANES16(Round<(r)>)(a)
#define _mm512_cvt_roundps_epi32(a, r) LANES16(RoundToInt<(r)>)(a)
#define _mm512_castps_si512 LANES16(castps_si512)
#define _mm512_castsi512_ps LANES16(castsi512_ps)
#define _mm512_castps_pd LANES16(castps_pd)
#define _mm512_castps512_ps256 LANES16(castps512_ps256)
#define _mm512_castps256_ps512 LANES16(castps256_ps512)
#define _mm512_insertf32x8 LANES16(insertf32x8)
#define _mm512_extractf64x4_pd LANES16(extractf64x4_pd)
#define _mm512_cvtss_f32 LANES16(cvtss_f32)
#define _mm512_mask_blend_ps LANES16(mask_blend_ps)
#define _mm512_mask_mov_ps LANES16(mask_mov_ps)
#define _mm512_maskz_mov_ps LANES16(maskz_mov_ps)
#define _mm512_mask_mul_ps LANES16(mask_mul_ps)
#define _mm512_mask_add_ps LANES16(mask_add_ps)
#define _mm512_maskz_min_ps LANES16(maskz_min_ps)
#define _mm512_mask3_fmadd_ps LANES16(mask3_fmadd_ps)
#define _mm512_maskz_loadu_ps LANES16(maskz_loadu_ps)
#define _mm512_cmp_ps_mask(a, b, c) LANES16(CmpPs<(c)>)(a, b)
#define _mm512_mask_cmp_ps_mask(m, a, b, c) ((m) & static_cast<unsigned>(LANES16(CmpPs<(c)>)(a, b)))
#define _mm512_permutexvar_epi32 LANES16(permutexvar_epi32)
#define _mm512_permutexvar_ps LANES16(permutexvar_ps)
#define _mm512_getexp_ps LANES16(getexp_ps)
#define _mm512_getmant_ps(a, interval, sign) LANES16(GetMant<(interval)>)(a)
#define _mm512_set1_epi32 LANES16(set1_epi32)
#define _mm512_set1_epi16 LANES16(set1_epi16)
#define _mm512_set1_epi64 LANES16(set1_epi64)
#define _mm512_setzero_si512 LANES16(setzero_si512)
#undef _mm512_setr_epi32
#define _mm512_setr_epi32 LANES16(setr_epi32)
#undef _mm512_setr_epi64
#define _mm512_setr_epi64 LANES16(setr_epi64)
#define _mm512_loadu_si512 LANES16(loadu_si512)
#define _mm512_store_si512 LANES16(store_si512)
#define _mm512_add_epi32 LANES16(add_epi32)
#define _mm512_sub_epi32 LANES16(sub_epi32)
#define _mm512_add_epi16 LANES16(add_epi16)
#define _mm512_add_epi64 LANES16(add_epi64)
#define _mm512_and_si512 LANES16(and_si512)
#define _mm512_or_si512 LANES16(or_si512)
#define _mm512_max_epi32 LANES16(max_epi32)
#define _mm512_min_epi32 LANES16(min_epi32)
#define _mm512_max_epu32 LANES16(max_epu32)
#define _mm512_mullo_epi32 LANES16(mullo_epi32)
#define _mm512_mullo_epi16 LANES16(mullo_epi16)
#define _mm512_mullo_epi64 LANES16(mullo_epi64)
#define _mm512_madd_epi16 LANES16(madd_epi16)
#define _mm512_shuffle_epi8 LANES16(shuffle_epi8)
#define _mm512_slli_epi32 LANES16(slli_epi32)
#define _mm512_srli_epi32 LANES16(srli_epi32)
#define _mm512_srai_epi32 LANES16(srai_epi32)
#define _mm512_srli_epi16 LANES16(srli_epi16)
#define _mm512_broadcast_i32x4 LANES16(broadcast_i32x4)
#define _mm512_castsi512_si128 LANES16(castsi512_si128)
#define _mm512_ternarylogic_epi32(a, b, c, f) LANES16(TernaryLogic<(f)>)(a, b, c)
#define _mm512_mask_ternarylogic_epi32(a, m, b, c, f) LANES16(MaskTernaryLogic<(f)>)(a, m, b, c)
#define _mm512_mask_blend_epi32 LANES16(mask_blend_epi32)
#define _mm512_mask_mov_epi32 LANES16(mask_mov_epi32)
#define _mm512_maskz_sub_epi32 LANES16(maskz_sub_epi32)
#define _mm512_maskz_or_epi32 LANES16(maskz_or_epi32)
#define _mm512_mask_add_epi32 LANES16(mask_add_epi32)
#define _mm512_mask_max_epu32 LANES16(mask_max_epu32)
#define _mm512_mask_min_epu32 LANES16(mask_min_epu32)
#define _mm512_mask_sub_epi16 LANES16(mask_sub_epi16)
#define _mm512_maskz_loadu_epi32 LANES16(maskz_loadu_epi32)
#define _mm512_mask_storeu_epi32 LANES16(mask_storeu_epi32)
#define _mm512_mask_i32gather_epi32(src, m, index, base, scale) LANES16(MaskGather32<(scale)>)(src, m, index, base)
#define _mm512_i32gather_ps(index, base, scale) LANES16(GatherPs<(scale)>)(index, base)
#define _mm512_i32scatter_ps(base, index, a, scale) LANES16(ScatterPs<(scale)>)(base, index, a)
#define _mm512_cmpgt_epi32_mask LANES16(cmpgt_epi32_mask)
#define _mm512_movepi32_mask LANES16(movepi32_mask)
#define _mm512_cmplt_epi32_mask LANES16(cmplt_epi32_mask)
#define _mm512_cmpeq_epi32_mask LANES16(cmpeq_epi32_mask)
#define _mm512_cmpge_epi32_mask LANES16(cmpge_epi32_mask)
#define _mm512_cmplt_epu32_mask LANES16(cmplt_epu32_mask)
#define _mm512_cmple_epu32_mask LANES16(cmple_epu32_mask)
#define _mm512_cmpge_epu32_mask LANES16(cmpge_epu32_mask)
#define _mm512_mask_cmpgt_epi32_mask LANES16(mask_cmpgt_epi32_mask)
#define _mm512_mask_cmpeq_epi32_mask LANES16(mask_cmpeq_epi32_mask)
#define _mm512_mask_cmpneq_epi32_mask LANES16(mask_cmpneq_epi32_mask)
#define _mm512_test_epi32_mask LANES16(test_epi32_mask)
#define _mm512_cvtepi32_epi16 LANES16(cvtepi32_epi16)
#define _mm512_cvtepu16_epi32 LANES16(cvtepu16_epi32)
#define _mm512_cmpge_epi64_mask LANES16(cmpge_epi64_mask)
#define _mm512_mask_cmpge_epi64_mask LANES16(mask_cmpge_epi64_mask)
#define _mm512_mask_sub_epi64 LANES16(mask_sub_epi64)
#define _mm512_set1_pd LANES16(set1_pd)
#define _mm512_setzero_pd LANES16(setzero_pd)
#define _mm512_load_pd LANES16(load_pd)
#define _mm512_store_pd LANES16(storeu_pd)
#define _mm512_storeu_pd LANES16(storeu_pd)
#define _mm512_add_pd LANES16(add_pd)
#define _mm512_sub_pd LANES16(sub_pd)
#define _mm512_mul_pd LANES16(mul_pd)
#define _mm512_div_pd LANES16(div_pd)
#define _mm512_min_pd LANES16(min_pd)
#define _mm512_max_pd LANES16(max_pd)
#define _mm512_andnot_pd LANES16(andnot_pd)
#define _mm512_cvtps_pd LANES16(cvtps_pd)
#define _mm512_cvtpd_ps LANES16(cvtpd_ps)
#define _mm512_cvttpd_epi64 LANES16(cvttpd_epi64)
#define _mm512_cvtepi64_pd LANES16(cvtepi64_pd)
#define _mm512_cmp_pd_mask(a, b, c) LANES16(CmpPd<(c)>)(a, b)
#define _mm512_mask_mul_pd LANES16(mask_mul_pd)
#define _mm512_maskz_mul_pd LANES16(maskz_mul_pd)
#define _mm512_mask_mov_pd LANES16(mask_mov_pd)
#define _mm512_maskz_mov_pd LANES16(maskz_mov_pd)
#define _mm256_cmp_ps_mask(a, b, c) LANES16(CmpPs8<(c)>)(a, b)
#define _mm256_cmpeq_epi32_mask LANES16(cmpeq_epi32_mask8)
#define _mm256_mask_or_epi32 LANES16(mask_or_epi32_8)
#define _mm256_mask_mov_epi32 LANES16(mask_mov_epi32_8)
#define _mm256_cmpeq_epu16_mask LANES16(cmpeq_epu16_mask)
#define _mm256_cmpneq_epu16_mask LANES16(cmpneq_epu16_mask)
#define _mm256_cmpge_epu16_mask LANES16(cmpge_epu16_mask)
#define _mm256_cmple_epu16_mask LANES16(cmple_epu16_mask)
#define _mm256_cmplt_epu16_mask LANES16(cmplt_epu16_mask)
#define _mm256_cmpgt_epu16_mask LANES16(cmpgt_epu16_mask)
#define _mm256_maskz_loadu_epi16 LANES16(maskz_loadu_epi16)
#define _mm256_mask_storeu_epi16 LANES16(mask_storeu_epi16)
#define LANES16_ROWS16

#endif
