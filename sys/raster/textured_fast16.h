#pragma once

// The sixteen-lane textured path for bilinear sampling without the alpha test, cheaper than
// the exact lane-for-lane path and within one step per channel of the one-pixel loop's
// colours. Z values and which pixels are written stay exactly those of the one-pixel loop,
// and so do texel addresses, filter weights and each level's texel sums, but for the usual
// scene's copy, which takes texel positions in fixed point (a weight may differ by a 256th,
// a texel pair with a whole weight on one texel may shift by one). What changes too: the
// level of detail comes without divisions (for point mip selection the exact one is taken
// where a lane lies near a rounding boundary, so the level never differs), fog multiplies by
// the reciprocal of its range, colour products and sums fuse, and a level's filter runs down
// the texel column before across it in 16-bit lanes. The usual scene's states (wrapped,
// modulated, fogged and blended onto a 565 target, with linear or nearest mip selection) have
// a copy of their own for each, which broadcasts a level's sizes where all lanes share it and
// folds fog and blending together; with nearest selection it finds the level from the
// footprint's exponent, and checks the groups' footprints against one level's range at once;
// so does the copy of the other states with nearest selection and perspective, where the lanes
// of small triangles nearly always share their level.
//
// Only spans16_body.h includes this (in each processor path's target region and anonymous
// namespace), after RowLanes and PacketLanes, whose methods it reads the lanes through.

// What a row's (or a packet's) groups share: the draw's part (worked out once a draw) and the
// triangle's steps.
struct FastTextured : Rasterizer::PixelPipeline::FastDraw {
    const Rasterizer::PixelPipeline* p;
    const float* stepX;
    const float* stepY;
    bool rgb565, perspective;
    bool common;  // the usual scene's states, which FastShadeGroups16 has a copy of its own for
    float constantQ;
    __m512 flatLod;  // the level of detail without perspective: the same at every pixel
};

// Sets up the fast path for a row's or a packet's groups; false when it does not cover the
// draw (PixelPipeline::FastDraw::usable).
inline bool MakeFastTextured(const Rasterizer::PixelPipeline& p, const float* stepX, const float* stepY,
                             float constantQ, bool rgb565, bool perspective, FastTextured& f) {
    if (!p.fast.usable) {
        return false;
    }
    static_cast<Rasterizer::PixelPipeline::FastDraw&>(f) = p.fast;
    f.p = &p;
    f.stepX = stepX;
    f.stepY = stepY;
    f.rgb565 = rgb565;
    f.perspective = perspective;
    f.common = perspective && rgb565 && f.commonStates;
    f.constantQ = constantQ;
    f.flatLod = _mm512_setzero_ps();
    if (!perspective) {
        const float w = p.textureSize[0][0], h = p.textureSize[0][1];
        f.flatLod = _mm512_set1_ps(
            LevelOfDetail(stepX[f.su] * w, stepX[f.sv] * h, stepY[f.su] * w, stepY[f.sv] * h));
    }
    return true;
}

// One level's bilinear sample for the active lanes of G groups, step by step together, as
// whole-number sums of channel times weight (the weights add up to 65536): red, green, blue,
// then alpha for layouts with one. `safe` turns false when a read would pass a level's end.
// With `Shared`, every active lane of every group takes the level `shared`, whose sizes are
// broadcast once instead of looked up lane by lane.
// Always inline: its callers' sums and masks then stay in registers rather than pass through
// memory, which measured a little faster.
template <TextureFormat F, int G, bool Shared, bool Wrap>
__attribute__((always_inline)) inline void BilinearSumsG(const FastTextured& f, const __mmask16* active, const __m512i* level, int shared,
                          const __m512* u, const __m512* v, __m512i (*sum)[4], bool& safe) {
    constexpr int kFloor = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
    const __m512i one = _mm512_set1_epi32(1), zero = _mm512_setzero_si512();
    const __m512 half = _mm512_set1_ps(0.5f), k256 = _mm512_set1_ps(256.0f);
    __m512i pitchPair[G], base[G], lastRead[G], iA[G], iB[G], jA[G], jB[G], wx[G], wy[G];
    __m512i sharedWidth = zero, sharedHeight = zero, sharedPitchPair = zero, sharedBase = zero, sharedLast = zero;
    if (Shared) {
        const auto& table = f.p->levels;
        sharedWidth = _mm512_set1_epi32(table.width[shared]);
        sharedHeight = _mm512_set1_epi32(table.height[shared]);
        sharedPitchPair = _mm512_set1_epi32(table.pitchPair[shared]);
        sharedBase = _mm512_set1_epi32(table.offset[shared]);
        sharedLast = _mm512_set1_epi32(table.lastRead[shared]);
    }
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        __m512i width = sharedWidth, height = sharedHeight;
        pitchPair[g] = sharedPitchPair;
        base[g] = sharedBase;
        lastRead[g] = sharedLast;
        if (!Shared) {
            const auto& table = f.p->levels;
            width = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.width));
            height = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.height));
            pitchPair[g] = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.pitchPair));
            base[g] = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.offset));
            lastRead[g] = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.lastRead));
        }
        __m512i i0, j0, y = zero;
        if constexpr (Wrap) {
            // The usual copy takes the texel position in fixed point, eight bits of fraction, from
            // one fused product: the whole part picks the texels, the fraction is the weight.
            // A weight of 256 on the first texel comes out as 0 on the next, the same sum; a
            // weight may differ from the one-pixel loop's by a 256th. The copy's coordinate
            // limit keeps the product inside 32 bits.
            constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
            const __m512 minusHalf = _mm512_set1_ps(-128.0f);
            const __m512i x = _mm512_cvt_roundps_epi32(
                _mm512_fmadd_ps(u[g], _mm512_cvtepi32_ps(_mm512_slli_epi32(width, 8)), minusHalf), kNearest);
            y = _mm512_cvt_roundps_epi32(
                _mm512_fmadd_ps(v[g], _mm512_cvtepi32_ps(_mm512_slli_epi32(height, 8)), minusHalf), kNearest);
            const __m512i fraction = _mm512_set1_epi32(255);
            i0 = _mm512_srai_epi32(x, 8);
            j0 = _mm512_srai_epi32(y, 8);
            wx[g] = _mm512_and_si512(x, fraction);
            wy[g] = _mm512_and_si512(y, fraction);
        } else {
            const __m512 fx = _mm512_sub_ps(_mm512_mul_ps(u[g], _mm512_cvtepi32_ps(width)), half);
            const __m512 fy = _mm512_sub_ps(_mm512_mul_ps(v[g], _mm512_cvtepi32_ps(height)), half);
            const __m512 floorX = _mm512_roundscale_ps(fx, kFloor), floorY = _mm512_roundscale_ps(fy, kFloor);
            i0 = _mm512_cvttps_epi32(floorX);
            j0 = _mm512_cvttps_epi32(floorY);
            // A fraction times 256 is exact, so the fused add rounds as the separate one does.
            wx[g] = _mm512_cvttps_epi32(_mm512_fmadd_ps(_mm512_sub_ps(fx, floorX), k256, half));
            wy[g] = _mm512_cvttps_epi32(_mm512_fmadd_ps(_mm512_sub_ps(fy, floorY), k256, half));
        }
        const __m512i widthMask = _mm512_sub_epi32(width, one), heightMask = _mm512_sub_epi32(height, one);
        const __m512i i1 = _mm512_add_epi32(i0, one), j1 = _mm512_add_epi32(j0, one);
        if (Wrap || f.wrapU) {
            iA[g] = _mm512_and_si512(i0, widthMask);
            iB[g] = _mm512_and_si512(i1, widthMask);
        } else {
            iA[g] = _mm512_min_epi32(_mm512_max_epi32(i0, zero), widthMask);
            iB[g] = _mm512_min_epi32(_mm512_max_epi32(i1, zero), widthMask);
        }
        // The rows go into the upper halves of their lanes, where the offsets' multiply-add
        // takes them. In fixed point, the whole part shifted there and wrapped by one mask.
        if constexpr (Wrap) {
            const __m512i rows = _mm512_slli_epi32(heightMask, 16);
            jA[g] = _mm512_and_si512(_mm512_slli_epi32(y, 8), rows);
            jB[g] = _mm512_and_si512(_mm512_add_epi32(jA[g], _mm512_set1_epi32(0x10000)), rows);
        } else if (f.wrapV) {
            jA[g] = _mm512_slli_epi32(_mm512_and_si512(j0, heightMask), 16);
            jB[g] = _mm512_slli_epi32(_mm512_and_si512(j1, heightMask), 16);
        } else {
            jA[g] = _mm512_slli_epi32(_mm512_min_epi32(_mm512_max_epi32(j0, zero), heightMask), 16);
            jB[g] = _mm512_slli_epi32(_mm512_min_epi32(_mm512_max_epi32(j1, zero), heightMask), 16);
        }
    }
    // A read of four bytes from a texel before a row's last stays inside the level (rows are
    // at least two bytes a texel apart), so only lanes whose second texel wraps or clamps can
    // read past its end: at the last texel of the last row.
    auto offsetOf = [&](int g, __mmask16 checked, __m512i i, __m512i j) {
        const __m512i offset = _mm512_madd_epi16(_mm512_or_si512(i, j), pitchPair[g]);
        if (checked != 0) {
            safe = safe && _mm512_mask_cmpgt_epi32_mask(checked, offset, lastRead[g]) == 0;
        }
        return Shared ? offset : _mm512_add_epi32(offset, base[g]);
    };
    // A shared level's reads are made from its own first texel (levels may lie in separate
    // blocks, so the address is worked out as a number).
    const void* texels =
        Shared ? reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(f.texels) +
                                               static_cast<intptr_t>(f.p->levels.offset[shared]))
               : static_cast<const void*>(f.texels);
    // Each lane reads its two texels of a row whole where they lie side by side; lanes where
    // the second wraps or clamps fetch it on its own.
    __m512i upper[G], lower[G], top[G], bottom[G], topRight[G], bottomRight[G];
    __mmask16 apart[G];
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        // Wrapped at a shared level, the second texel is apart only after a row's last.
        apart[g] = Wrap && Shared
                       ? _mm512_mask_cmpeq_epi32_mask(active[g], iA[g], _mm512_sub_epi32(sharedWidth, one))
                       : _mm512_mask_cmpneq_epi32_mask(active[g], iB[g], _mm512_add_epi32(iA[g], one));
        top[g] = offsetOf(g, apart[g], iA[g], jA[g]);
        bottom[g] = offsetOf(g, apart[g], iA[g], jB[g]);
        if (apart[g] != 0) {
            topRight[g] = offsetOf(g, apart[g], iB[g], jA[g]);
            bottomRight[g] = offsetOf(g, apart[g], iB[g], jB[g]);
        }
    }
    if (!safe) {
        return;
    }
    const __m512i low16 = _mm512_set1_epi32(0xFFFF);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        upper[g] = _mm512_mask_i32gather_epi32(zero, active[g], top[g], texels, 1);
        lower[g] = _mm512_mask_i32gather_epi32(zero, active[g], bottom[g], texels, 1);
        if (apart[g] != 0) {
            const __m512i upperRight = _mm512_mask_i32gather_epi32(zero, apart[g], topRight[g], texels, 1);
            const __m512i lowerRight = _mm512_mask_i32gather_epi32(zero, apart[g], bottomRight[g], texels, 1);
            upper[g] =
                _mm512_mask_ternarylogic_epi32(upper[g], apart[g], low16, _mm512_slli_epi32(upperRight, 16), 0xEA);
            lower[g] =
                _mm512_mask_ternarylogic_epi32(lower[g], apart[g], low16, _mm512_slli_epi32(lowerRight, 16), 0xEA);
        }
    }
    // Down each column first (both texels of a row pair in their 16-bit halves, at most
    // 63 * 256), then across with one multiply-add: the same whole-number sum.
    constexpr int kChannels = F == TextureFormat::RGB565 || F == TextureFormat::RGB555 ? 3 : 4;
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        __m512i below, across;
        if constexpr (Wrap) {
            // Fixed-point weights are under 256: one byte, copied into both halves of its lane.
            const __m512i twice = _mm512_broadcast_i32x4(_mm_setr_epi32(
                static_cast<int>(0x80008000u), static_cast<int>(0x80048004u), static_cast<int>(0x80088008u),
                static_cast<int>(0x800C800Cu)));
            below = _mm512_shuffle_epi8(wy[g], twice);
            const __m512i x = _mm512_shuffle_epi8(wx[g], twice);
            across = _mm512_mask_sub_epi16(x, 0x55555555, _mm512_set1_epi32(256), x);
        } else {
            below = _mm512_or_si512(wy[g], _mm512_slli_epi32(wy[g], 16));
            across = _mm512_sub_epi32(_mm512_add_epi32(_mm512_set1_epi32(256), _mm512_slli_epi32(wx[g], 16)), wx[g]);
        }
        const __m512i above = _mm512_sub_epi32(_mm512_set1_epi32(256 * 0x10001), below);
        __m512i up[4], down[4];
        ChannelPairs16<F>(upper[g], up);
        ChannelPairs16<F>(lower[g], down);
#pragma GCC unroll 4
        for (int n = 0; n < kChannels; ++n) {
            const __m512i column =
                _mm512_add_epi16(_mm512_mullo_epi16(up[n], above), _mm512_mullo_epi16(down[n], below));
            sum[g][n] = _mm512_madd_epi16(column, across);
        }
    }
}

// log2 of positive x to about 2.5e-6, from its exponent and a polynomial in its mantissa; 0
// gives minus infinity.
inline __m512 FastLog2x16(__m512 x) {
    const __m512 e = _mm512_getexp_ps(x);
    const __m512 m = _mm512_sub_ps(_mm512_getmant_ps(x, _MM_MANT_NORM_1_2, _MM_MANT_SIGN_zero), _mm512_set1_ps(1.0f));
    __m512 p = _mm512_set1_ps(-0.0245685347f);
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(0.117613084f));
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(-0.272697565f));
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(0.454508492f));
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(-0.71731278f));
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(1.44245353f));
    return _mm512_add_ps(e, _mm512_fmadd_ps(p, m, _mm512_set1_ps(2.44343872e-6f)));
}

// log2 of positive x to about 1.3e-4, for the fraction between two levels, where that is
// far inside a step: a shorter polynomial over mantissas in [0.75, 1.5).
inline __m512 CoarseLog2x16(__m512 x) {
    const __m512 e = _mm512_getexp_ps(_mm512_mul_ps(x, _mm512_set1_ps(4.0f / 3.0f)));
    const __m512 m = _mm512_sub_ps(_mm512_getmant_ps(x, _MM_MANT_NORM_p75_1p5, _MM_MANT_SIGN_zero), _mm512_set1_ps(1.0f));
    __m512 p = _mm512_set1_ps(-0.256685423f);
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(0.493906266f));
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(-0.728560843f));
    p = _mm512_fmadd_ps(p, m, _mm512_set1_ps(1.44262388f));
    return _mm512_fmadd_ps(p, m, e);
}

// The exact path's level of detail (the one-pixel loop's) at the lanes' coordinates.
inline __m512 ExactLod16(const FastTextured& f, __m512 u, __m512 v, __m512 w) {
    const float* stepX = f.stepX;
    const float* stepY = f.stepY;
    auto side = [&](float plane, __m512 c, float q) {
        return _mm512_mul_ps(_mm512_sub_ps(_mm512_set1_ps(plane), _mm512_mul_ps(c, _mm512_set1_ps(q))), w);
    };
    __m512 dudx = side(stepX[f.su], u, stepX[1]);
    __m512 dvdx = side(stepX[f.sv], v, stepX[1]);
    __m512 dudy = side(stepY[f.su], u, stepY[1]);
    __m512 dvdy = side(stepY[f.sv], v, stepY[1]);
    return LevelOfDetail16(dudx, dvdx, dudy, dvdy, f.p->textureSize[0][0], f.p->textureSize[0][1]);
}

// The 565 target's channels in its own steps (0..31, 0..63, 0..31), for blending.
template <class Lanes>
inline void ReadTargetSteps16(const Lanes& lanes, __m512* c) {
    const __m512i d = _mm512_cvtepu16_epi32(lanes.LoadTarget16());
    c[0] = _mm512_cvtepi32_ps(_mm512_srli_epi32(d, 11));
    c[1] = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(d, 5), _mm512_set1_epi32(63)));
    c[2] = _mm512_cvtepi32_ps(_mm512_and_si512(d, _mm512_set1_epi32(31)));
}

// The level point selection takes at level of detail `lod` (bias included): rounded, within
// the level range; magnified lanes take the first.
inline __m512i PointLevelAt16(__m512 lod, __m512i baseLevel, __m512i lastLevel) {
    const __m512 rounded = _mm512_add_ps(_mm512_min_ps(lod, _mm512_set1_ps(64.0f)), _mm512_set1_ps(0.5f));
    const __m512i level = _mm512_min_epi32(_mm512_max_epi32(_mm512_cvttps_epi32(rounded), baseLevel), lastLevel);
    return _mm512_mask_blend_epi32(_mm512_cmp_ps_mask(lod, _mm512_setzero_ps(), _CMP_NGT_UQ), level, baseLevel);
}

// The level of detail with perspective, fused and without divisions: the footprint's sides
// are (dU - u dq) w in texels, so their squares are taken before the one factor w * w.
inline __m512 FootprintSquared16(const FastTextured& f, __m512 u, __m512 v, __m512 w) {
    const float tw = f.p->textureSize[0][0], th = f.p->textureSize[0][1];
    const float* stepX = f.stepX;
    const float* stepY = f.stepY;
    const __m512 ux = _mm512_fnmadd_ps(u, _mm512_set1_ps(stepX[1] * tw), _mm512_set1_ps(stepX[f.su] * tw));
    const __m512 vx = _mm512_fnmadd_ps(v, _mm512_set1_ps(stepX[1] * th), _mm512_set1_ps(stepX[f.sv] * th));
    const __m512 uy = _mm512_fnmadd_ps(u, _mm512_set1_ps(stepY[1] * tw), _mm512_set1_ps(stepY[f.su] * tw));
    const __m512 vy = _mm512_fnmadd_ps(v, _mm512_set1_ps(stepY[1] * th), _mm512_set1_ps(stepY[f.sv] * th));
    const __m512 across = _mm512_fmadd_ps(ux, ux, _mm512_mul_ps(vx, vx));
    const __m512 down = _mm512_fmadd_ps(uy, uy, _mm512_mul_ps(vy, vy));
    return _mm512_mul_ps(_mm512_max_ps(down, across), _mm512_mul_ps(w, w));
}

// Always inline: the AVX2 copy of the shading loop is large enough that the compiler stops
// inlining this on its own when code is added elsewhere, which cost a tenth of the lit scene.
template <bool Coarse = false>
__attribute__((always_inline)) inline __m512 FastLod16(const FastTextured& f, __m512 u, __m512 v, __m512 w) {
    const __m512 rho2 = FootprintSquared16(f, u, v, w);
    // No positive footprint (zero, or not a number) selects the full-size level, as -64 does.
    const __m512 lod = _mm512_mul_ps(_mm512_set1_ps(0.5f), Coarse ? CoarseLog2x16(rho2) : FastLog2x16(rho2));
    return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(rho2, _mm512_setzero_ps(), _CMP_GT_OQ), _mm512_set1_ps(-64.0f),
                                lod);
}

// The point-selected level (before the level range is applied) from the squared footprint, without a
// logarithm: with X the squared footprint times 2^(2 bias + 1), the level of detail rounds to
// k exactly when floor(log2 X) is 2k or 2k + 1, and the exponent gives that floor. Lanes whose
// log2 X lies within 2/1024 of an even number sit near a rounding boundary: `near` marks them,
// for the exact level of detail to decide. A footprint that is not positive takes `empty`.
// The exponent and mantissa come straight from the bits of X, which is positive where it
// counts: an infinite X takes exponent 128, past every level; a subnormal one -127, below the
// first (its mantissa then means nothing, and a lane it marks near is only looked at exactly).
inline __m512i PointLevel16(const FastTextured& f, __m512 rho2, __mmask16 active, __m512i empty, __mmask16& near) {
    const auto positive = _mm512_cmp_ps_mask(rho2, _mm512_setzero_ps(), _CMP_GT_OQ);
    const __m512i bits = _mm512_castps_si512(_mm512_mul_ps(rho2, _mm512_set1_ps(f.pointScale)));
    const __m512i exponent = _mm512_sub_epi32(_mm512_srli_epi32(bits, 23), _mm512_set1_epi32(127));
    const __m512 m = _mm512_castsi512_ps(
        _mm512_or_si512(_mm512_and_si512(bits, _mm512_set1_epi32(0x007FFFFF)), _mm512_set1_epi32(0x3F800000)));
    const __mmask16 odd = _mm512_test_epi32_mask(exponent, _mm512_set1_epi32(1));
    near = active & positive &
           ((~odd & _mm512_cmp_ps_mask(m, _mm512_set1_ps(kPointMargin), _CMP_LT_OQ)) |
            (odd & _mm512_cmp_ps_mask(m, _mm512_set1_ps(2.0f / kPointMargin), _CMP_GT_OQ)));
    return _mm512_mask_blend_epi32(positive, empty, _mm512_srai_epi32(exponent, 1));
}

// The point-selected level, within the level range, of a lane with squared footprint `r`, and
// the squared footprints [low, high) that take that level well away from its rounding
// boundaries (as PointLevel16 would mark none of them near). False where `r` is not a positive
// normal number: such lanes take their own look.
inline bool PointLevelRange(const FastTextured& f, float r, int& level, float& low, float& high) {
    const float x = r * f.pointScale;
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    // Positive normal numbers are those whose bits lie from 0x00800000 to 0x7F7FFFFF.
    if (bits - 0x00800000u >= 0x7F000000u) {
        return false;
    }
    const int exponent = static_cast<int>(bits >> 23) - 127;
    level = std::clamp(exponent >> 1, f.firstLevel, f.lastLevel);
    // 4 to the power k, built from its exponent (k is a level number, far inside the range).
    auto powerOfFour = [](int k) {
        const uint32_t b = static_cast<uint32_t>(127 + 2 * k) << 23;
        float v;
        std::memcpy(&v, &b, 4);
        return v;
    };
    // Every footprint below the first level's range takes the first level, every one above the
    // last level's takes the last.
    low = level == f.firstLevel ? std::numeric_limits<float>::min() : powerOfFour(level) * f.lowFactor;
    high = level == f.lastLevel ? std::numeric_limits<float>::infinity() : powerOfFour(level) * f.highFactor;
    return true;
}

// G groups (of one row, or of a packet's rows) through the fast path, step by step
// together so their long chains of dependent steps overlap. False when a lane needs the
// one-texel sampler; nothing is written then. A `CommonMip` other than 0 (the mip filter,
// nearest or linear) fixes the usual scene's states (FastTextured::common) with that mip
// filter, so their copy carries no code for the others: the whole of it is
// large enough that its size shows in its speed. The other states keep the general code, which
// measured faster on the small triangles they mostly come with.
template <TextureFormat F, int G, uint32_t CommonMip, class Lanes>
inline bool ShadeFastGroups16(const FastTextured& f, const Lanes* lanes, uint64_t& written, uint64_t& shaded) {
    constexpr bool Common = CommonMip != 0;
    const Rasterizer::PixelPipeline& p = *f.p;
    const ShadeState& shade = *f.shade;
    const StageState& stage = *f.stage;
    using Form = StageState::Form;
    const bool rgb565 = Common || f.rgb565, perspective = Common || f.perspective;
    const uint32_t mip = Common ? CommonMip : f.mip;
    const __m512 one = _mm512_set1_ps(1.0f), zerof = _mm512_setzero_ps(), half = _mm512_set1_ps(0.5f);
    __m512 offset[G];
    __m256i depthValue[G];
    __mmask16 pass[G];
    bool anyPass = false;
    // z exactly as the one-pixel loop finds it.
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        offset[g] = lanes[g].Offset();
        const __m512 z = _mm512_add_ps(lanes[g].Start(0), _mm512_mul_ps(_mm512_set1_ps(f.stepX[0]), offset[g]));
        __m512i depth =
            _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(z), _mm512_set1_ps(65535.0f)), half));
        // Without a bias the value is never negative: the clamp is skipped then.
        if (p.depthBias != 0) {
            depth = _mm512_max_epi32(_mm512_sub_epi32(depth, _mm512_set1_epi32(p.depthBias)), _mm512_setzero_si512());
        }
        depthValue[g] = _mm512_cvtepi32_epi16(depth);
        pass[g] = lanes[g].inside;
        if (Common || p.depthTest) {
            pass[g] &= DepthPasses16(Common ? 6 : DepthFunction(p), depthValue[g], lanes[g].LoadDepth());
        }
        anyPass = anyPass || pass[g] != 0;
    }
    if (!anyPass) {
        return true;
    }
    // w and the coordinates exactly, so texel addresses and weights are the one-pixel loop's.
    __m512 w[G], u[G], v[G];
    auto exact = [&](int g, int plane) {
        const __m512 value =
            _mm512_add_ps(lanes[g].Start(plane), _mm512_mul_ps(_mm512_set1_ps(f.stepX[plane]), offset[g]));
        return perspective ? _mm512_mul_ps(value, w[g]) : value;
    };
    auto fused = [&](int g, int plane) {
        const __m512 value = _mm512_fmadd_ps(_mm512_set1_ps(f.stepX[plane]), offset[g], lanes[g].Start(plane));
        return perspective ? _mm512_mul_ps(value, w[g]) : value;
    };
    // The largest |u| or |v| of a passing lane, compared as the bits of a float, on which a
    // number orders above every finite value and infinity: one comparison for all groups.
    const __m512i magnitude = _mm512_set1_epi32(0x7FFFFFFF);
    __m512i farthest = _mm512_setzero_si512();
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        w[g] = _mm512_set1_ps(1.0f / f.constantQ);
        if (perspective) {
            const __m512 q = _mm512_add_ps(lanes[g].Start(1), _mm512_mul_ps(_mm512_set1_ps(f.stepX[1]), offset[g]));
            const auto positive = _mm512_cmp_ps_mask(q, zerof, _CMP_GT_OQ);
            w[g] = _mm512_div_ps(one, _mm512_mask_blend_ps(positive, _mm512_set1_ps(f.constantQ), q));
        }
        u[g] = exact(g, f.su);
        v[g] = exact(g, f.sv);
        const __m512i reach = _mm512_max_epu32(_mm512_and_si512(_mm512_castps_si512(u[g]), magnitude),
                                               _mm512_and_si512(_mm512_castps_si512(v[g]), magnitude));
        farthest = _mm512_mask_max_epu32(farthest, pass[g], farthest, reach);
    }
    // Coordinates that are not numbers or too far go to the one-texel sampler.
    const float limit = Common ? f.commonLimit : 65536.0f;
    if (_mm512_cmpge_epu32_mask(farthest, _mm512_castps_si512(_mm512_set1_ps(limit))) != 0) {
        return false;
    }
    // The level (and for linear mip selection the fraction towards the next one).
    const __m512i baseLevel = _mm512_set1_epi32(f.firstLevel), lastLevel = _mm512_set1_epi32(f.lastLevel);
    __m512i level0[G], level1[G];
    __m512 fraction[G];
    __mmask16 between[G];
    bool anyBetween = false;
    // The groups of a large triangle, and nearly all those of a small one, take one level at
    // every lane: its sizes are then broadcast rather than looked up lane by lane.
    int shared0 = -1;
    bool uniform = false;
    // Point selection with perspective finds the levels from the footprints, in any copy.
    const bool footprints = CommonMip == D3DTFP_POINT || (!Common && perspective && mip == D3DTFP_POINT);
    if (footprints) {
        // The first passing lane's level, and whether every passing lane's footprint keeps to
        // it; groups that leave it take a level per lane.
        __m512 rho2[G];
        int first = G;
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            rho2[g] = FootprintSquared16(f, u[g], v[g], w[g]);
            first = first == G && pass[g] != 0 ? g : first;
        }
        const float r = _mm512_cvtss_f32(
            _mm512_permutexvar_ps(_mm512_set1_epi32(__builtin_ctz(pass[first])), rho2[first]));
        float low, high;
        if (PointLevelRange(f, r, shared0, low, high)) {
            // The smallest and largest footprint of a passing lane, as the bits of floats, which
            // order as the footprints do (they are not negative) with a number above them all.
            __m512i smallest = _mm512_set1_epi32(-1), largest = _mm512_setzero_si512();
#pragma GCC unroll 4
            for (int g = 0; g < G; ++g) {
                const __m512i bits = _mm512_castps_si512(rho2[g]);
                smallest = _mm512_mask_min_epu32(smallest, pass[g], smallest, bits);
                largest = _mm512_mask_max_epu32(largest, pass[g], largest, bits);
            }
            uniform = (_mm512_cmplt_epu32_mask(smallest, _mm512_castps_si512(_mm512_set1_ps(low))) |
                       _mm512_cmpge_epu32_mask(largest, _mm512_castps_si512(_mm512_set1_ps(high)))) == 0;
        }
        if (!uniform) {
#pragma GCC unroll 4
            for (int g = 0; g < G; ++g) {
                __mmask16 nearBoundary = 0;
                level0[g] = PointLevel16(f, rho2[g], pass[g], _mm512_set1_epi32(f.emptyLevel), nearBoundary);
                if (nearBoundary != 0) {
                    // There the exact level of detail decides.
                    const __m512 lod = _mm512_add_ps(ExactLod16(f, u[g], v[g], w[g]), _mm512_set1_ps(f.lodBias));
                    level0[g] = PointLevelAt16(lod, baseLevel, lastLevel);
                } else {
                    level0[g] = _mm512_min_epi32(_mm512_max_epi32(level0[g], baseLevel), lastLevel);
                }
            }
        }
    }
#pragma GCC unroll 4
    for (int g = 0; g < G && !footprints; ++g) {
        level0[g] = baseLevel;
        fraction[g] = zerof;
        if (mip == D3DTFP_POINT || mip == D3DTFP_LINEAR) {
            const __m512 bias = _mm512_set1_ps(f.lodBias);
            __m512 lod = _mm512_add_ps(perspective ? FastLod16<CommonMip == D3DTFP_LINEAR>(f, u[g], v[g], w[g]) : f.flatLod, bias);
            if (mip == D3DTFP_POINT) {
                // Where a lane is near a rounding boundary, the exact level of detail decides.
                const __m512 distance = _mm512_abs_ps(_mm512_sub_ps(
                    _mm512_sub_ps(lod, _mm512_roundscale_ps(lod, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC)), half));
                if (perspective &&
                    _mm512_mask_cmp_ps_mask(pass[g], distance, _mm512_set1_ps(1.0f / 1024.0f), _CMP_LT_OQ) != 0) {
                    lod = _mm512_add_ps(ExactLod16(f, u[g], v[g], w[g]), bias);
                }
                level0[g] = PointLevelAt16(lod, baseLevel, lastLevel);
            } else {
                const __m512 d = _mm512_min_ps(_mm512_max_ps(lod, _mm512_set1_ps(static_cast<float>(f.firstLevel))),
                                               _mm512_set1_ps(static_cast<float>(f.lastLevel)));
                level0[g] = _mm512_cvttps_epi32(d);
                fraction[g] = _mm512_sub_ps(d, _mm512_cvtepi32_ps(level0[g]));
            }
            const auto magnified = _mm512_cmp_ps_mask(lod, zerof, _CMP_NGT_UQ);
            level0[g] = _mm512_mask_blend_epi32(magnified, level0[g], baseLevel);
            fraction[g] = _mm512_mask_blend_ps(magnified, fraction[g], zerof);
        }
        between[g] = 0;
        if (mip == D3DTFP_LINEAR) {
            between[g] = _mm512_mask_cmp_ps_mask(pass[g], fraction[g], zerof, _CMP_NEQ_UQ);
            anyBetween = anyBetween || between[g] != 0;
        }
        level1[g] = _mm512_min_epi32(_mm512_add_epi32(level0[g], _mm512_set1_epi32(1)), lastLevel);
    }
    if (!footprints) {
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            if (shared0 < 0 && pass[g] != 0) {
                shared0 = _mm_cvtsi128_si32(_mm512_castsi512_si128(
                    _mm512_permutexvar_epi32(_mm512_set1_epi32(__builtin_ctz(pass[g])), level0[g])));
            }
        }
        uniform = true;
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            uniform = uniform && _mm512_mask_cmpneq_epi32_mask(pass[g], level0[g], _mm512_set1_epi32(shared0)) == 0;
        }
    }
    constexpr int kChannels = F == TextureFormat::RGB565 || F == TextureFormat::RGB555 ? 3 : 4;
    __m512i sum0[G][4], sum1[G][4];
    bool safe = true;
    if (uniform) {
        BilinearSumsG<F, G, true, Common>(f, pass, level0, shared0, u, v, sum0, safe);
        if (anyBetween && safe) {
            BilinearSumsG<F, G, true, Common>(f, between, level1, std::min(shared0 + 1, f.lastLevel), u, v, sum1, safe);
        }
    } else {
        BilinearSumsG<F, G, false, Common>(f, pass, level0, 0, u, v, sum0, safe);
        if (anyBetween && safe) {
            BilinearSumsG<F, G, false, Common>(f, between, level1, 0, u, v, sum1, safe);
        }
    }
    if (!safe) {
        return false;
    }
    constexpr texels::ChannelScale kScale = texels::Scale<F>();
    const float scales[4] = {kScale.r, kScale.g, kScale.b, kScale.a};
    __m512i pixel[G];
    if constexpr (Common) {
        // Colours are worked in the 565 target's own steps (31, 63, 31): the target's channels
        // enter as read, and fog and blending fold into one weight for the stage's colour
        // (alpha times the fog factor), one for the fog colour and one for the target.
        const float units[3] = {31.0f, 63.0f, 31.0f};
        const float fogColour[3] = {shade.fogColour.r * units[0], shade.fogColour.g * units[1],
                                    shade.fogColour.b * units[2]};
        const float fogScale = 1.0f / (shade.fogEnd - shade.fogStart);
        const __m512 fogSlope = _mm512_set1_ps(-fogScale), fogAtZero = _mm512_set1_ps(shade.fogEnd * fogScale);
        const int planes[3] = {2 + kDiffuseR, 2 + kDiffuseG, 2 + kDiffuseB};
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            __m512 texel[4];
#pragma GCC unroll 4
            for (int n = 0; n < kChannels; ++n) {
                texel[n] = _mm512_cvtepi32_ps(sum0[g][n]);
                if (anyBetween) {
                    texel[n] = _mm512_mask3_fmadd_ps(_mm512_sub_ps(_mm512_cvtepi32_ps(sum1[g][n]), texel[n]),
                                                     fraction[g], texel[n], between[g]);
                }
            }
            __m512 alpha = fused(g, 2 + kDiffuseA);
            if constexpr (kChannels == 4) {
                alpha = _mm512_mul_ps(texel[3], _mm512_mul_ps(alpha, _mm512_set1_ps(scales[3])));
            }
            const __m512 factor = Saturate16(_mm512_fmadd_ps(w[g], fogSlope, fogAtZero));
            const __m512 stageWeight = _mm512_mul_ps(alpha, factor);
            const __m512 fogWeight = _mm512_sub_ps(alpha, stageWeight), keep = _mm512_sub_ps(one, alpha);
            // The perspective factor of the diffuse colour joins the weight too.
            const __m512 perspectiveWeight = _mm512_mul_ps(stageWeight, w[g]);
            __m512 target[3];
            ReadTargetSteps16(lanes[g], target);
            const __m512 thresholds = lanes[g].Thresholds();
            __m512i channel[3];
#pragma GCC unroll 3
            for (int n = 0; n < 3; ++n) {
                // The dither threshold joins the sum before the clamp: with the clamp's top under
                // the next step, the whole part is the same as that of the clamped sum plus it.
                const __m512 rest = _mm512_fmadd_ps(
                    target[n], keep, _mm512_fmadd_ps(fogWeight, _mm512_set1_ps(fogColour[n]), thresholds));
                // The diffuse colour comes already scaled to the texel sums' and target's steps.
                const float scale = scales[n] * units[n];
                const __m512 diffuse = _mm512_fmadd_ps(_mm512_set1_ps(f.stepX[planes[n]] * scale), offset[g],
                                                       lanes[g].ScaledStart(planes[n], scale));
                __m512 colour = _mm512_fmadd_ps(texel[n], _mm512_mul_ps(diffuse, perspectiveWeight), rest);
                // max returns its second operand for NaN: NaN becomes 0, as in Saturate.
                colour = _mm512_min_ps(_mm512_max_ps(colour, zerof), _mm512_set1_ps(units[n] + 0.999f));
                channel[n] = _mm512_cvttps_epi32(colour);
            }
            pixel[g] = _mm512_ternarylogic_epi32(_mm512_slli_epi32(channel[0], 11), _mm512_slli_epi32(channel[1], 5),
                                                 channel[2], 0xFE);
        }
    } else {
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            const Lanes& group = lanes[g];
            __m512 texel[4];
#pragma GCC unroll 4
            for (int n = 0; n < kChannels; ++n) {
                texel[n] = _mm512_cvtepi32_ps(sum0[g][n]);
                if (anyBetween) {
                    texel[n] = _mm512_mask3_fmadd_ps(_mm512_sub_ps(_mm512_cvtepi32_ps(sum1[g][n]), texel[n]), fraction[g],
                                                     texel[n], between[g]);
                }
            }
            auto combine = [&](Form form, int n, int plane) {
                switch (form) {
                case Form::TextureTimesCurrent:
                    return _mm512_mul_ps(texel[n], _mm512_mul_ps(fused(g, plane), _mm512_set1_ps(scales[n])));
                case Form::Texture: return _mm512_mul_ps(texel[n], _mm512_set1_ps(scales[n]));
                default: return fused(g, plane);
                }
            };
            __m512 colour[3] = {combine(stage.colourForm, 0, 2 + kDiffuseR), combine(stage.colourForm, 1, 2 + kDiffuseG),
                                combine(stage.colourForm, 2, 2 + kDiffuseB)};
            __m512 alpha = one;
            if (shade.blend) {
                if constexpr (kChannels == 4) {
                    alpha = combine(stage.alphaForm, 3, 2 + kDiffuseA);
                } else {
                    alpha = stage.alphaForm == Form::Texture ? one : fused(g, 2 + kDiffuseA);
                }
            }
            if (shade.fog) {
                const __m512 fogEnd = _mm512_set1_ps(shade.fogEnd);
                __m512 factor;
                if (f.fogStep) {
                    factor = _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(w[g], fogEnd, _CMP_LT_OQ), one);
                } else {
                    factor = Saturate16(_mm512_mul_ps(_mm512_sub_ps(fogEnd, w[g]),
                                                      _mm512_set1_ps(1.0f / (shade.fogEnd - shade.fogStart))));
                }
                const float fogColour[3] = {shade.fogColour.r, shade.fogColour.g, shade.fogColour.b};
#pragma GCC unroll 3
                for (int n = 0; n < 3; ++n) {
                    const __m512 fc = _mm512_set1_ps(fogColour[n]);
                    colour[n] = _mm512_fmadd_ps(_mm512_sub_ps(colour[n], fc), factor, fc);
                }
            }
            if (shade.blend) {
                __m512 target[3];
                ReadTarget16(f.rgb565, group, target[0], target[1], target[2]);
                const __m512 inverse = _mm512_sub_ps(one, alpha);
#pragma GCC unroll 3
                for (int n = 0; n < 3; ++n) {
                    colour[n] = _mm512_fmadd_ps(colour[n], alpha, _mm512_mul_ps(target[n], inverse));
                }
            }
            if (f.rgb565) {
                const __m512 t = group.Thresholds();
                const __m512i ri = _mm512_cvttps_epi32(_mm512_fmadd_ps(Saturate16(colour[0]), _mm512_set1_ps(31.0f), t));
                const __m512i gi = _mm512_cvttps_epi32(_mm512_fmadd_ps(Saturate16(colour[1]), _mm512_set1_ps(63.0f), t));
                const __m512i bi = _mm512_cvttps_epi32(_mm512_fmadd_ps(Saturate16(colour[2]), _mm512_set1_ps(31.0f), t));
                pixel[g] = _mm512_ternarylogic_epi32(_mm512_slli_epi32(ri, 11), _mm512_slli_epi32(gi, 5), bi, 0xFE);
            } else {
                const __m512 levels8 = _mm512_set1_ps(255.0f);
                const __m512i ri = _mm512_cvttps_epi32(_mm512_fmadd_ps(Saturate16(colour[0]), levels8, half));
                const __m512i gi = _mm512_cvttps_epi32(_mm512_fmadd_ps(Saturate16(colour[1]), levels8, half));
                const __m512i bi = _mm512_cvttps_epi32(_mm512_fmadd_ps(Saturate16(colour[2]), levels8, half));
                pixel[g] = _mm512_ternarylogic_epi32(_mm512_slli_epi32(ri, 16), _mm512_slli_epi32(gi, 8), bi, 0xFE);
            }
        }
    }
    // Stores last: a store may alias anything, and the states read above need not be read
    // again after it.
    const bool depthWrite = Common || p.depthWrite;
    uint64_t count = 0;
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        if (depthWrite) {
            lanes[g].StoreDepth(pass[g], depthValue[g]);
        }
        if (rgb565) {
            lanes[g].StoreTarget16(pass[g], _mm512_cvtepi32_epi16(pixel[g]));
        } else {
            lanes[g].StoreTarget32(pass[g], pixel[g]);
        }
        count += static_cast<uint64_t>(__builtin_popcount(pass[g]));
    }
    shaded += count;
    written += count;
    return true;
}

template <TextureFormat F, int G, class Lanes>
inline bool FastShadeGroups16(const FastTextured& f, const Lanes* lanes, uint64_t& written, uint64_t& shaded) {
    if (!f.common) {
        return ShadeFastGroups16<F, G, 0>(f, lanes, written, shaded);
    }
    return f.mip == D3DTFP_POINT ? ShadeFastGroups16<F, G, D3DTFP_POINT>(f, lanes, written, shaded)
                                 : ShadeFastGroups16<F, G, D3DTFP_LINEAR>(f, lanes, written, shaded);
}
