#pragma once

// The usual scene's textured row with nearest mip selection (FastTextured::common, point mip)
// for processors with AVX2 but no AVX-512, in the registers' own width: eight lanes a register
// rather than the sixteen-lane layer's pairs, whose four groups at once outgrow the sixteen
// registers and spend a third of their time on copies to and from the stack. A row goes in
// the sixteen-lane loop's pieces (sixteen-lane groups, four at a time, the row's end in one
// piece), each in three passes over its eight-lane halves, with what a later pass needs kept
// in a small table: z, the test, w and the coordinates first, the whole piece's checks (the
// coordinates' reach, the shared level), then the texel addresses and the reads' check, then
// the reads, filter, colour and stores. Lane for lane it computes what ShadeFastGroups16's
// copy for these states computes, in the same order, so it draws what the AVX-512 path draws,
// and hands a piece back whole where that copy would.
//
// Only spans_avx2.cpp includes this, after spans16_body.h and packet_shading_avx2.h, inside
// its target region and namespace: it reads the body's FastTextured, RowLanes and level
// helpers, and the packet loop's texel channel split.

namespace {

// The lanes of one half of a group (eight 32-bit lanes, all ones or zero) as a mask of eight
// 16-bit lanes.
inline __m128i Halves16(__m256i lanes) {
    return _mm_packs_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
}

// The first `count` of eight 16-bit values at `at`, zero past them; nothing is read past them.
// Short runs go through the operation layer's masked moves, which need no call (a call would
// spill every register the loop holds).
inline __m128i LoadPart16(const uint16_t* at, int count) {
    if (count >= 8) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }
    return _mm256_castsi256_si128(lanes16::maskz_loadu_epi16((1u << count) - 1, at));
}

// Eight 16-bit values stored at `at` where `bits` (one a lane, `lanes` as 16-bit lanes all
// ones or zero) are set, all of them among the first `count`; nothing else is touched.
inline void StorePart16(uint16_t* at, int count, unsigned bits, __m128i lanes, __m128i v) {
    if (count >= 8) {
        if (bits != 0xFF) {
            v = _mm_blendv_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), v, lanes);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
        return;
    }
    lanes16::mask_storeu_epi16(at, bits, _mm256_zextsi128_si256(v));
}

inline __m256 Saturate8x(__m256 v) {
    // max returns its second operand for NaN: NaN becomes 0, as in Saturate.
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
}

// A row's values that every piece reads, worked out once.
struct CommonPointRow {
    const FastTextured& f;
    const RowLanes& row;
    int64_t last;
    // Scalars of the row's planes; the loops broadcast them from here.
    float z0, dz, q0, dq, u0, du, v0, dv, a0, da;
    float diffuseStart[3], diffuseStep[3];
    float uxStep, uxAt, vxStep, vxAt, uyStep, uyAt, vyStep, vyAt;  // the footprint's sides
    float fogSlope, fogAtZero, fogColour[3];

    CommonPointRow(const FastTextured& fast, const RowLanes& lanes, int64_t rowLast, const float* diffuseScale)
        : f(fast), row(lanes), last(rowLast) {
        const float* stepX = f.stepX;
        const float* start = lanes.rowStart;
        z0 = start[0];
        dz = stepX[0];
        q0 = start[1];
        dq = stepX[1];
        u0 = start[f.su];
        du = stepX[f.su];
        v0 = start[f.sv];
        dv = stepX[f.sv];
        a0 = start[2 + kDiffuseA];
        da = stepX[2 + kDiffuseA];
        const int planes[3] = {2 + kDiffuseR, 2 + kDiffuseG, 2 + kDiffuseB};
        for (int n = 0; n < 3; ++n) {
            diffuseStart[n] = start[planes[n]] * diffuseScale[n];
            diffuseStep[n] = stepX[planes[n]] * diffuseScale[n];
        }
        const float tw = f.p->textureSize[0][0], th = f.p->textureSize[0][1];
        uxStep = stepX[1] * tw;
        uxAt = stepX[f.su] * tw;
        vxStep = stepX[1] * th;
        vxAt = stepX[f.sv] * th;
        uyStep = f.stepY[1] * tw;
        uyAt = f.stepY[f.su] * tw;
        vyStep = f.stepY[1] * th;
        vyAt = f.stepY[f.sv] * th;
        const ShadeState& shade = *f.shade;
        const float fogScale = 1.0f / (shade.fogEnd - shade.fogStart);
        fogSlope = -fogScale;
        fogAtZero = shade.fogEnd * fogScale;
        fogColour[0] = shade.fogColour.r * 31.0f;
        fogColour[1] = shade.fogColour.g * 63.0f;
        fogColour[2] = shade.fogColour.b * 31.0f;
    }
};

// A piece's half (eight lanes): what the later passes read of it.
struct CommonPointHalf {
    __m256 w, u, v, rho2;
    __m256i pass;  // 32-bit lanes, all ones where the pixel is inside and passes z
    __m256i top, bottom, topRight, bottomRight, x, y;
    __m128i depth;  // the z values to store
    unsigned passBits, apartBits;
};

// A level's sizes as the address step takes them, for the lanes of one half.
struct CommonPointSizes {
    __m256 widthScale, heightScale;  // in 256ths of a texel
    __m256i widthMask, rows, pitchPair, base, lastRead;
};

inline CommonPointSizes SizesOf(__m256i width, __m256i height, __m256i pitchPair, __m256i base, __m256i lastRead) {
    const __m256i one = _mm256_set1_epi32(1);
    return {_mm256_cvtepi32_ps(_mm256_slli_epi32(width, 8)), _mm256_cvtepi32_ps(_mm256_slli_epi32(height, 8)),
            _mm256_sub_epi32(width, one), _mm256_slli_epi32(_mm256_sub_epi32(height, one), 16), pitchPair, base,
            lastRead};
}

// One piece from pixel i: up to four sixteen-lane groups, all of them whole with `Whole`.
template <TextureFormat F, bool Whole>
bool CommonPointPiece(const CommonPointRow& r, int64_t i, uint64_t& written, uint64_t& shaded) {
    const FastTextured& f = r.f;
    const Rasterizer::PixelPipeline& p = *f.p;
    const int64_t count = r.last - i + 1;  // the pixels left on the row, at least one
    // Whole sixteen-lane groups of halves, as the sixteen-lane loop takes them.
    const int groups = Whole ? 4 : static_cast<int>(std::min<int64_t>((count + 15) / 16, 4));
    const int halves = 2 * groups;
    CommonPointHalf half[8];
    const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps(), halfOne = _mm256_set1_ps(0.5f);
    const __m256i magnitude = _mm256_set1_epi32(0x7FFFFFFF);
    // Offsets from the row's first pixel are whole numbers, exact in floats as they step.
    const __m256 firstOffset = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(i - r.row.first)),
                                             _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256 eight = _mm256_set1_ps(8.0f);
    // z, the test, w, the coordinates and their footprint, half by half.
    __m256i farthest = _mm256_setzero_si256();
    __m256i smallest = _mm256_set1_epi32(-1), largest = _mm256_setzero_si256();
    unsigned anyPass = 0;
    __m256 offset = firstOffset;
    for (int h = 0; h < halves; ++h, offset = _mm256_add_ps(offset, eight)) {
        CommonPointHalf& s = half[h];
        const int64_t at = i + 8 * h;
        const int64_t inside = Whole ? 8 : std::min<int64_t>(r.last - at + 1, 8);
        if (inside <= 0) {
            // Past the row: no lane passes, and the level steps see harmless zeros.
            s.pass = _mm256_setzero_si256();
            s.passBits = 0;
            s.w = s.u = s.v = s.rho2 = zero;
            continue;
        }
        const __m256 z = _mm256_add_ps(_mm256_set1_ps(r.z0), _mm256_mul_ps(_mm256_set1_ps(r.dz), offset));
        __m256i depth = _mm256_cvttps_epi32(
            _mm256_add_ps(_mm256_mul_ps(Saturate8x(z), _mm256_set1_ps(65535.0f)), halfOne));
        if (p.depthBias != 0) {
            depth = _mm256_max_epi32(_mm256_sub_epi32(depth, _mm256_set1_epi32(p.depthBias)), _mm256_setzero_si256());
        }
        // Every value lies in 0..65535, so packing them is exact.
        s.depth = _mm_packus_epi32(_mm256_castsi256_si128(depth), _mm256_extracti128_si256(depth, 1));
        __m128i pass16;
        if (Whole) {
            // Less or equal: the smaller of the two is the incoming value.
            const __m128i stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.row.depthRow + at));
            pass16 = _mm_cmpeq_epi16(_mm_min_epu16(s.depth, stored), s.depth);
        } else {
            const __m128i stored = LoadPart16(r.row.depthRow + at, static_cast<int>(inside));
            pass16 = _mm_and_si128(_mm_cmpeq_epi16(_mm_min_epu16(s.depth, stored), s.depth),
                                   _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<int16_t>(inside)),
                                                   _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7)));
        }
        s.pass = _mm256_cvtepi16_epi32(pass16);
        s.passBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(s.pass)));
        anyPass |= s.passBits;
        const __m256 q = _mm256_add_ps(_mm256_set1_ps(r.q0), _mm256_mul_ps(_mm256_set1_ps(r.dq), offset));
        s.w = _mm256_div_ps(one, _mm256_blendv_ps(_mm256_set1_ps(f.constantQ), q, _mm256_cmp_ps(q, zero, _CMP_GT_OQ)));
        s.u = _mm256_mul_ps(_mm256_add_ps(_mm256_set1_ps(r.u0), _mm256_mul_ps(_mm256_set1_ps(r.du), offset)), s.w);
        s.v = _mm256_mul_ps(_mm256_add_ps(_mm256_set1_ps(r.v0), _mm256_mul_ps(_mm256_set1_ps(r.dv), offset)), s.w);
        const __m256i reach = _mm256_max_epu32(_mm256_and_si256(_mm256_castps_si256(s.u), magnitude),
                                               _mm256_and_si256(_mm256_castps_si256(s.v), magnitude));
        farthest = _mm256_max_epu32(farthest, _mm256_and_si256(reach, s.pass));
        const __m256 ux = _mm256_fnmadd_ps(s.u, _mm256_set1_ps(r.uxStep), _mm256_set1_ps(r.uxAt));
        const __m256 vx = _mm256_fnmadd_ps(s.v, _mm256_set1_ps(r.vxStep), _mm256_set1_ps(r.vxAt));
        const __m256 uy = _mm256_fnmadd_ps(s.u, _mm256_set1_ps(r.uyStep), _mm256_set1_ps(r.uyAt));
        const __m256 vy = _mm256_fnmadd_ps(s.v, _mm256_set1_ps(r.vyStep), _mm256_set1_ps(r.vyAt));
        const __m256 across = _mm256_fmadd_ps(ux, ux, _mm256_mul_ps(vx, vx));
        const __m256 down = _mm256_fmadd_ps(uy, uy, _mm256_mul_ps(vy, vy));
        s.rho2 = _mm256_mul_ps(_mm256_max_ps(down, across), _mm256_mul_ps(s.w, s.w));
        // Lanes that do not pass take the largest number into the smallest and 0 into the largest.
        const __m256i bits = _mm256_castps_si256(s.rho2);
        smallest = _mm256_min_epu32(smallest, _mm256_or_si256(bits, _mm256_cmpeq_epi32(s.pass, _mm256_setzero_si256())));
        largest = _mm256_max_epu32(largest, _mm256_and_si256(bits, s.pass));
    }
    if (anyPass == 0) {
        return true;
    }
    // Coordinates that are not numbers or too far go to the one-texel sampler.
    const __m256i limit = _mm256_castps_si256(_mm256_set1_ps(f.commonLimit));
    if (_mm256_movemask_ps(_mm256_castsi256_ps(
            _mm256_cmpeq_epi32(_mm256_max_epu32(farthest, limit), farthest))) != 0) {
        return false;
    }
    // The level: one for the whole piece where every passing lane's footprint keeps to the
    // first passing lane's, else each lane's own.
    int first = 0;
    while (half[first].passBits == 0) {
        ++first;
    }
    alignas(32) float rho2[8];
    _mm256_store_ps(rho2, half[first].rho2);
    int shared = 0;
    float low, high;
    bool uniform = false;
    if (PointLevelRange(f, rho2[__builtin_ctz(half[first].passBits)], shared, low, high)) {
        // Every passing footprint at or above low (the bits of floats order as the floats do) and
        // none at or above high.
        const __m256i atLeastLow =
            _mm256_cmpeq_epi32(_mm256_max_epu32(smallest, _mm256_castps_si256(_mm256_set1_ps(low))), smallest);
        const __m256i atLeastHigh =
            _mm256_cmpeq_epi32(_mm256_max_epu32(largest, _mm256_castps_si256(_mm256_set1_ps(high))), largest);
        uniform = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_andnot_si256(atLeastHigh, atLeastLow))) == 0xFF;
    }
    // The texel addresses (in fixed point, eight bits of fraction) and whether every read stays
    // inside its level.
    bool safe = true;
    auto addresses = [&](CommonPointHalf& s, const CommonPointSizes& sizes, bool withBase) {
        // The whole part picks the texels, the fraction is the weight.
        constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
        const __m256 minusHalf = _mm256_set1_ps(-128.0f);
        s.x = _mm256_cvtps_epi32(_mm256_round_ps(_mm256_fmadd_ps(s.u, sizes.widthScale, minusHalf), kNearest));
        s.y = _mm256_cvtps_epi32(_mm256_round_ps(_mm256_fmadd_ps(s.v, sizes.heightScale, minusHalf), kNearest));
        const __m256i i0 = _mm256_srai_epi32(s.x, 8);
        const __m256i iA = _mm256_and_si256(i0, sizes.widthMask);
        const __m256i jA = _mm256_and_si256(_mm256_slli_epi32(s.y, 8), sizes.rows);
        const __m256i jB = _mm256_and_si256(_mm256_add_epi32(jA, _mm256_set1_epi32(0x10000)), sizes.rows);
        const __m256i top = _mm256_madd_epi16(_mm256_or_si256(iA, jA), sizes.pitchPair);
        const __m256i bottom = _mm256_madd_epi16(_mm256_or_si256(iA, jB), sizes.pitchPair);
        s.top = withBase ? _mm256_add_epi32(top, sizes.base) : top;
        s.bottom = withBase ? _mm256_add_epi32(bottom, sizes.base) : bottom;
        // Wrapped, the second texel of a row is apart from the first only after the row's last;
        // only reads there can pass the level's end.
        const __m256i apart = _mm256_and_si256(s.pass, _mm256_cmpeq_epi32(iA, sizes.widthMask));
        s.apartBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(apart)));
        if (s.apartBits != 0) {
            const __m256i iB = _mm256_and_si256(_mm256_add_epi32(i0, _mm256_set1_epi32(1)), sizes.widthMask);
            const __m256i topRight = _mm256_madd_epi16(_mm256_or_si256(iB, jA), sizes.pitchPair);
            const __m256i bottomRight = _mm256_madd_epi16(_mm256_or_si256(iB, jB), sizes.pitchPair);
            const __m256i last = sizes.lastRead;
            const __m256i beyond =
                _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(top, last), _mm256_cmpgt_epi32(bottom, last)),
                                _mm256_or_si256(_mm256_cmpgt_epi32(topRight, last), _mm256_cmpgt_epi32(bottomRight, last)));
            safe = safe && _mm256_testz_si256(beyond, apart);
            s.topRight = withBase ? _mm256_add_epi32(topRight, sizes.base) : topRight;
            s.bottomRight = withBase ? _mm256_add_epi32(bottomRight, sizes.base) : bottomRight;
        }
    };
    const auto& table = p.levels;
    const uint8_t* texels = reinterpret_cast<const uint8_t*>(f.texels);
    if (uniform) {
        // A shared level's reads are made from its own first texel.
        texels += static_cast<intptr_t>(table.offset[shared]);
        const CommonPointSizes sizes = SizesOf(
            _mm256_set1_epi32(table.width[shared]), _mm256_set1_epi32(table.height[shared]),
            _mm256_set1_epi32(table.pitchPair[shared]), _mm256_setzero_si256(),
            _mm256_set1_epi32(table.lastRead[shared]));
        for (int h = 0; h < halves; ++h) {
            if (half[h].passBits != 0) {
                addresses(half[h], sizes, false);
            }
        }
    } else {
        // Each sixteen-lane group's levels through the sixteen-lane steps, so the exact level of
        // detail decides for the same groups as in the sixteen-lane loop.
        const __m512i baseLevel = _mm512_set1_epi32(f.firstLevel), lastLevel = _mm512_set1_epi32(f.lastLevel);
        for (int g = 0; g < groups; ++g) {
            CommonPointHalf& a = half[2 * g];
            CommonPointHalf& b = half[2 * g + 1];
            const __mmask16 pass = static_cast<__mmask16>(a.passBits | b.passBits << 8);
            if (pass == 0) {
                continue;
            }
            __mmask16 nearBoundary = 0;
            __m512i level =
                PointLevel16(f, __m512(a.rho2, b.rho2), pass, _mm512_set1_epi32(f.emptyLevel), nearBoundary);
            if (nearBoundary != 0) {
                const __m512 lod = _mm512_add_ps(ExactLod16(f, __m512(a.u, b.u), __m512(a.v, b.v), __m512(a.w, b.w)),
                                                 _mm512_set1_ps(f.lodBias));
                level = PointLevelAt16(lod, baseLevel, lastLevel);
            } else {
                level = _mm512_min_epi32(_mm512_max_epi32(level, baseLevel), lastLevel);
            }
            for (CommonPointHalf* s : {&a, &b}) {
                if (s->passBits == 0) {
                    continue;
                }
                const __m256i l = s == &a ? level.lo : level.hi;
                auto pick = [&l](const int32_t* values) {
                    const __m512i all = _mm512_loadu_si512(values);
                    return lanes16::Pick32(l, all.lo, all.hi);
                };
                addresses(*s,
                          SizesOf(pick(table.width), pick(table.height), pick(table.pitchPair), pick(table.offset),
                                  pick(table.lastRead)),
                          true);
            }
        }
    }
    if (!safe) {
        return false;
    }
    // The reads, the filter, the colour and the stores, half by half.
    const float* thresholdRow = r.row.thresholds + (i & 3);
    const __m256i zeroI = _mm256_setzero_si256(), low16 = _mm256_set1_epi32(0xFFFF);
    // Fixed-point weights are under 256: one byte, copied into both halves of its lane.
    const __m256i twice = _mm256_broadcastsi128_si256(_mm_setr_epi32(
        static_cast<int>(0x80008000u), static_cast<int>(0x80048004u), static_cast<int>(0x80088008u),
        static_cast<int>(0x800C800Cu)));
    constexpr int kChannels = F == TextureFormat::RGB565 || F == TextureFormat::RGB555 ? 3 : 4;
    constexpr texels::ChannelScale kScale = texels::Scale<F>();
    const float units[3] = {31.0f, 63.0f, 31.0f};
    uint64_t drawn = 0;
    for (int h = 0; h < halves; ++h) {
        const CommonPointHalf& s = half[h];
        if (s.passBits == 0) {
            continue;
        }
        const int64_t at = i + 8 * h;
        const int inside = Whole ? 8 : static_cast<int>(std::min<int64_t>(r.last - at + 1, 8));
        const int* base = reinterpret_cast<const int*>(texels);
        __m256i upper = _mm256_mask_i32gather_epi32(zeroI, base, s.top, s.pass, 1);
        __m256i lower = _mm256_mask_i32gather_epi32(zeroI, base, s.bottom, s.pass, 1);
        if (s.apartBits != 0) {
            const __m256i apart = lanes16::Lanes32(s.apartBits);
            const __m256i upperRight = _mm256_mask_i32gather_epi32(zeroI, base, s.topRight, apart, 1);
            const __m256i lowerRight = _mm256_mask_i32gather_epi32(zeroI, base, s.bottomRight, apart, 1);
            upper = _mm256_blendv_epi8(
                upper, _mm256_or_si256(_mm256_and_si256(upper, low16), _mm256_slli_epi32(upperRight, 16)), apart);
            lower = _mm256_blendv_epi8(
                lower, _mm256_or_si256(_mm256_and_si256(lower, low16), _mm256_slli_epi32(lowerRight, 16)), apart);
        }
        // Down each column first (both texels of a row pair in their 16-bit halves), then across
        // with one multiply-add.
        // The shuffle takes each lane's lowest byte, the weight.
        const __m256i below = _mm256_shuffle_epi8(s.y, twice);
        const __m256i xx = _mm256_shuffle_epi8(s.x, twice);
        const __m256i across = _mm256_blend_epi16(xx, _mm256_sub_epi16(_mm256_set1_epi16(256), xx), 0x55);
        const __m256i above = _mm256_sub_epi32(_mm256_set1_epi32(256 * 0x10001), below);
        __m256i up[4], down[4];
        ChannelPairs8<F>(upper, up);
        ChannelPairs8<F>(lower, down);
        __m256 texel[4];
        for (int n = 0; n < kChannels; ++n) {
            const __m256i column =
                _mm256_add_epi16(_mm256_mullo_epi16(up[n], above), _mm256_mullo_epi16(down[n], below));
            texel[n] = _mm256_cvtepi32_ps(_mm256_madd_epi16(column, across));
        }
        // Fog and blending fold into one weight for the stage's colour (alpha times the fog
        // factor), one for the fog colour and one for the target, in the target's own steps.
        const __m256 offset = _mm256_add_ps(firstOffset, _mm256_set1_ps(static_cast<float>(8 * h)));
        __m256 alpha = _mm256_mul_ps(_mm256_fmadd_ps(_mm256_set1_ps(r.da), offset, _mm256_set1_ps(r.a0)), s.w);
        if constexpr (kChannels == 4) {
            alpha = _mm256_mul_ps(texel[3], _mm256_mul_ps(alpha, _mm256_set1_ps(kScale.a)));
        }
        const __m256 factor = Saturate8x(_mm256_fmadd_ps(s.w, _mm256_set1_ps(r.fogSlope), _mm256_set1_ps(r.fogAtZero)));
        const __m256 stageWeight = _mm256_mul_ps(alpha, factor);
        const __m256 fogWeight = _mm256_sub_ps(alpha, stageWeight), keep = _mm256_sub_ps(one, alpha);
        const __m256 perspectiveWeight = _mm256_mul_ps(stageWeight, s.w);
        uint16_t* targetAt = reinterpret_cast<uint16_t*>(r.row.row) + at;
        const __m256i d = _mm256_cvtepu16_epi32(LoadPart16(targetAt, inside));
        const __m256 target[3] = {
            _mm256_cvtepi32_ps(_mm256_srli_epi32(d, 11)),
            _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(d, 5), _mm256_set1_epi32(63))),
            _mm256_cvtepi32_ps(_mm256_and_si256(d, _mm256_set1_epi32(31)))};
        const __m256 thresholds = _mm256_loadu_ps(thresholdRow + 8 * (h & 1));
        __m256i channel[3];
        for (int n = 0; n < 3; ++n) {
            // The dither threshold joins the sum before the clamp.
            const __m256 rest = _mm256_fmadd_ps(
                target[n], keep, _mm256_fmadd_ps(fogWeight, _mm256_set1_ps(r.fogColour[n]), thresholds));
            const __m256 diffuse =
                _mm256_fmadd_ps(_mm256_set1_ps(r.diffuseStep[n]), offset, _mm256_set1_ps(r.diffuseStart[n]));
            __m256 colour = _mm256_fmadd_ps(texel[n], _mm256_mul_ps(diffuse, perspectiveWeight), rest);
            colour = _mm256_min_ps(_mm256_max_ps(colour, zero), _mm256_set1_ps(units[n] + 0.999f));
            channel[n] = _mm256_cvttps_epi32(colour);
        }
        const __m256i pixel = _mm256_or_si256(
            _mm256_or_si256(_mm256_slli_epi32(channel[0], 11), _mm256_slli_epi32(channel[1], 5)), channel[2]);
        const __m128i lanes = Halves16(s.pass);
        StorePart16(r.row.depthRow + at, inside, s.passBits, lanes, s.depth);
        StorePart16(targetAt, inside, s.passBits, lanes,
                    _mm_packus_epi32(_mm256_castsi256_si128(pixel), _mm256_extracti128_si256(pixel, 1)));
        drawn += static_cast<uint64_t>(__builtin_popcount(s.passBits));
    }
    written += drawn;
    shaded += drawn;
    return true;
}

// The row from `lanes.first` to `last` in the sixteen-lane loop's pieces: the pixels drawn
// before a piece that needs the one-texel sampler.
// Kept out of the caller, whose code for every other textured row it would otherwise enlarge.
template <TextureFormat F>
__attribute__((noinline)) int64_t CommonPointRow8(const FastTextured& f, const RowLanes& lanes, int64_t last,
                                                  uint64_t& written, uint64_t& shaded) {
    // The diffuse colour comes already scaled to the texel sums' and target's steps.
    constexpr texels::ChannelScale kScale = texels::Scale<F>();
    const float diffuseScale[3] = {kScale.r * 31.0f, kScale.g * 63.0f, kScale.b * 31.0f};
    const CommonPointRow r(f, lanes, last, diffuseScale);
    for (int64_t i = lanes.first; i <= last; i += 64) {
        const bool drawn = last - i >= 63 ? CommonPointPiece<F, true>(r, i, written, shaded)
                                          : CommonPointPiece<F, false>(r, i, written, shaded);
        if (!drawn) {
            return i - lanes.first;
        }
    }
    return last + 1 - lanes.first;
}

}  // namespace
