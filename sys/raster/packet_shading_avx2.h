#pragma once

// A small triangle's packet shaded in the eight-lane registers of AVX2, for the lit world's
// usual states: bilinear sampling at a nearest-selected level with perspective, the texture
// alone, times or instead of the diffuse colour, onto a 565 target without fog or blending.
// The sixteen lanes of a group go as two halves of eight, each value in one register and each
// mask a register of lanes, and a half without a lane of the rows is skipped; the rows' z
// values and pixels are read and written sixteen at a time from each row's window. Lane for
// lane it computes what the fast path's general copy (textured_fast16.h) computes: the same z,
// test, w, coordinates, level, texel addresses, weights, sums and colours. A half whose lanes
// leave one level's range or reach far out, and the other states, go to that copy.
//
// Only spans_avx2.cpp includes this, after spans16_body.h, in its namespace and target region.

namespace {

// The loops' constants, each a whole register in memory that the instructions read as an
// operand. Written as set1 calls, each cost one to three instructions where it is used (an
// integer one goes through a general register), or was built once a group and kept on the
// stack across the halves.
struct alignas(32) Constants8 {
    float one[8], half[8], k256[8], k65535[8], depthTop[8], units[3][8], scales[3][8];
    int32_t magnitude[8], beforeLimit[8], oneI[8], k256I[8], above[8];
    int16_t channelMasks[3][16];  // a texel's channels after their shifts, by format
    int8_t lowPair[32];           // a byte shuffle copying each lane's low 16 bits to its high ones
};
template <TextureFormat F>
constexpr Constants8 MakeConstants8() {
    constexpr texels::ChannelScale kScale = texels::Scale<F>();
    constexpr bool kFourBits = F == TextureFormat::ARGB4444;
    constexpr bool kFiveBits = F == TextureFormat::ARGB1555 || F == TextureFormat::RGB555;
    Constants8 k{};
    for (int n = 0; n < 8; ++n) {
        k.one[n] = 1.0f;
        k.half[n] = 0.5f;
        k.k256[n] = 256.0f;
        k.k65535[n] = 65535.0f;
        k.depthTop[n] = 65535.5f;
        k.units[0][n] = 31.0f;
        k.units[1][n] = 63.0f;
        k.units[2][n] = 31.0f;
        k.scales[0][n] = kScale.r;
        k.scales[1][n] = kScale.g;
        k.scales[2][n] = kScale.b;
        k.magnitude[n] = 0x7FFFFFFF;
        k.beforeLimit[n] = 0x47800000 - 1;  // the bits of 65536.0f, less one
        k.oneI[n] = 1;
        k.k256I[n] = 256;
        k.above[n] = 256 * 0x10001;
    }
    for (int n = 0; n < 32; ++n) {
        k.lowPair[n] = static_cast<int8_t>((n & ~3 & 15) | (n & 1));
    }
    for (int n = 0; n < 16; ++n) {
        k.channelMasks[0][n] = kFourBits ? 15 : 31;
        k.channelMasks[1][n] = kFourBits ? 15 : kFiveBits ? 31 : 63;
        k.channelMasks[2][n] = kFourBits ? 15 : 31;
    }
    return k;
}
template <TextureFormat F>
alignas(32) inline constexpr Constants8 kConstants8 = MakeConstants8<F>();
// The table through a pointer the optimiser cannot see through, so it reads the values from
// memory rather than building them in registers.
template <TextureFormat F>
inline const Constants8& Constants() {
    const Constants8* k = &kConstants8<F>;
    asm("" : "+r"(k));
    return *k;
}
inline __m256 Load8(const float* v) { return _mm256_load_ps(v); }
template <typename Integer>
inline __m256i Load8(const Integer* v) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(v));
}

// The channels of two 16-bit texels held in one 32-bit lane, each left in its own half
// (ChannelPairs16 on eight lanes); the eight-lane textured row reads it too.
template <TextureFormat F>
inline void ChannelPairs8(__m256i pair, __m256i* c) {
    const int16_t(&mask)[3][16] = Constants<F>().channelMasks;
    if constexpr (F == TextureFormat::RGB565) {
        c[0] = _mm256_srli_epi16(pair, 11);
        c[1] = _mm256_and_si256(_mm256_srli_epi16(pair, 5), Load8(mask[1]));
        c[2] = _mm256_and_si256(pair, Load8(mask[2]));
    } else if constexpr (F == TextureFormat::ARGB1555 || F == TextureFormat::RGB555) {
        c[0] = _mm256_and_si256(_mm256_srli_epi16(pair, 10), Load8(mask[0]));
        c[1] = _mm256_and_si256(_mm256_srli_epi16(pair, 5), Load8(mask[1]));
        c[2] = _mm256_and_si256(pair, Load8(mask[2]));
        c[3] = _mm256_srli_epi16(pair, 15);
    } else {
        c[0] = _mm256_and_si256(_mm256_srli_epi16(pair, 8), Load8(mask[0]));
        c[1] = _mm256_and_si256(_mm256_srli_epi16(pair, 4), Load8(mask[1]));
        c[2] = _mm256_and_si256(pair, Load8(mask[2]));
        c[3] = _mm256_srli_epi16(pair, 12);
    }
}

namespace packet8 {

using lanes16::Bits16;
using lanes16::Lanes32;
using lanes16::Pick32;

// How a group's shading ended: drawn, needing the one-texel sampler (nothing written), or
// left to the sixteen-lane copy (nothing written).
enum class Outcome { Drawn, OneTexel, Declined };

inline __m256 Saturate8(__m256 v, __m256 one) {
    // max returns its second operand for NaN: NaN becomes 0, as in Saturate.
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), one);
}

// A level's sizes as its sums read them, set once for the halves that share the level.
struct Level8 {
    __m256 width, height;
    __m256i widthMask, heightMask, pitchPair, lastRead;
    const int* texels;

    Level8() = default;
    Level8(const FastTextured& f, int level) {
        const auto& table = f.p->levels;
        width = _mm256_set1_ps(static_cast<float>(table.width[level]));
        height = _mm256_set1_ps(static_cast<float>(table.height[level]));
        widthMask = _mm256_set1_epi32(table.width[level] - 1);
        heightMask = _mm256_set1_epi32(table.height[level] - 1);
        pitchPair = _mm256_set1_epi32(table.pitchPair[level]);
        lastRead = _mm256_set1_epi32(table.lastRead[level]);
        texels = reinterpret_cast<const int*>(reinterpret_cast<uintptr_t>(f.texels) +
                                              static_cast<intptr_t>(table.offset[level]));
    }
};

// The bytes of b where the mask byte's top bit is set, else those of a. Written out: where one
// mask served two blends, the compiler built it again with a comparison.
inline __m256i BlendBytes(__m256i a, __m256i b, __m256i mask) {
    __m256i blended;
    asm("vpblendvb %3, %2, %1, %0" : "=x"(blended) : "x"(a), "xm"(b), "x"(mask));
    return blended;
}

// One level's bilinear sums of red, green and blue for the active lanes, as BilinearSumsG
// takes them at a level every lane shares; false when a read would pass the level's end.
template <TextureFormat F, bool Wraps>
inline bool LevelSums8(const FastTextured& f, const Constants8& k, __m256i active, const Level8& at, __m256 u,
                       __m256 v, __m256i* sum) {
    const bool wrapU = Wraps || f.wrapU, wrapV = Wraps || f.wrapV;
    const __m256i one = Load8(k.oneI), zero = _mm256_setzero_si256();
    const __m256 half = Load8(k.half), k256 = Load8(k.k256);
    const __m256i pitchPair = at.pitchPair;
    constexpr int kFloor = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
    const __m256 fx = _mm256_sub_ps(_mm256_mul_ps(u, at.width), half);
    const __m256 fy = _mm256_sub_ps(_mm256_mul_ps(v, at.height), half);
    const __m256 floorX = _mm256_round_ps(fx, kFloor), floorY = _mm256_round_ps(fy, kFloor);
    const __m256i i0 = _mm256_cvttps_epi32(floorX), j0 = _mm256_cvttps_epi32(floorY);
    // A fraction times 256 is exact, so the fused add rounds as the separate one does.
    const __m256i wx = _mm256_cvttps_epi32(_mm256_fmadd_ps(_mm256_sub_ps(fx, floorX), k256, half));
    const __m256i wy = _mm256_cvttps_epi32(_mm256_fmadd_ps(_mm256_sub_ps(fy, floorY), k256, half));
    const __m256i widthMask = at.widthMask, heightMask = at.heightMask;
    const __m256i i1 = _mm256_add_epi32(i0, one), j1 = _mm256_add_epi32(j0, one);
    // The lanes whose second texel is not the one after the first (it wraps or clamps): those
    // at the last column where the texture wraps, else those where the two are not neighbours.
    __m256i iA, iB, jA, jB, mark;
    bool anyApart;
    if (wrapU) {
        iA = _mm256_and_si256(i0, widthMask);
        iB = _mm256_and_si256(i1, widthMask);
        mark = _mm256_cmpeq_epi32(iA, widthMask);
        anyApart = _mm256_testz_si256(mark, active) == 0;
    } else {
        iA = _mm256_min_epi32(_mm256_max_epi32(i0, zero), widthMask);
        iB = _mm256_min_epi32(_mm256_max_epi32(i1, zero), widthMask);
        mark = _mm256_cmpeq_epi32(iB, _mm256_add_epi32(iA, one));
        anyApart = _mm256_testc_si256(mark, active) == 0;
    }
    if (wrapV) {
        jA = _mm256_slli_epi32(_mm256_and_si256(j0, heightMask), 16);
        jB = _mm256_slli_epi32(_mm256_and_si256(j1, heightMask), 16);
    } else {
        jA = _mm256_slli_epi32(_mm256_min_epi32(_mm256_max_epi32(j0, zero), heightMask), 16);
        jB = _mm256_slli_epi32(_mm256_min_epi32(_mm256_max_epi32(j1, zero), heightMask), 16);
    }
    // Offsets from the level's first texel.
    const __m256i top = _mm256_madd_epi16(_mm256_or_si256(iA, jA), pitchPair);
    const __m256i bottom = _mm256_madd_epi16(_mm256_or_si256(iA, jB), pitchPair);
    const int* texels = at.texels;
    __m256i upper, lower;
    if (anyApart) {
        const __m256i apart = wrapU ? _mm256_and_si256(mark, active) : _mm256_andnot_si256(mark, active);
        // Only those lanes read past their first texel, and their second one lies before it on
        // its row: a read passes the level's end only at the last texel of the last row.
        const __m256i past = _mm256_cmpgt_epi32(_mm256_max_epi32(top, bottom), at.lastRead);
        if (_mm256_testz_si256(past, apart) == 0) {
            return false;
        }
        const __m256i topRight = _mm256_madd_epi16(_mm256_or_si256(iB, jA), pitchPair);
        const __m256i bottomRight = _mm256_madd_epi16(_mm256_or_si256(iB, jB), pitchPair);
        upper = _mm256_mask_i32gather_epi32(zero, texels, top, active, 1);
        lower = _mm256_mask_i32gather_epi32(zero, texels, bottom, active, 1);
        const __m256i upperRight = _mm256_mask_i32gather_epi32(zero, texels, topRight, apart, 1);
        const __m256i lowerRight = _mm256_mask_i32gather_epi32(zero, texels, bottomRight, apart, 1);
        // Those lanes take the second texel into the pair's high half.
        upper = BlendBytes(upper, _mm256_blend_epi16(upper, _mm256_slli_epi32(upperRight, 16), 0xAA), apart);
        lower = BlendBytes(lower, _mm256_blend_epi16(lower, _mm256_slli_epi32(lowerRight, 16), 0xAA), apart);
    } else {
        upper = _mm256_mask_i32gather_epi32(zero, texels, top, active, 1);
        lower = _mm256_mask_i32gather_epi32(zero, texels, bottom, active, 1);
    }
    // Down each column first (both texels of a row pair in their 16-bit halves), then across
    // with one multiply-add.
    const __m256i below = _mm256_shuffle_epi8(wy, Load8(k.lowPair));
    const __m256i across = _mm256_sub_epi32(_mm256_add_epi32(Load8(k.k256I), _mm256_slli_epi32(wx, 16)), wx);
    const __m256i above = _mm256_sub_epi32(Load8(k.above), below);
    __m256i up[4], down[4];
    ChannelPairs8<F>(upper, up);
    ChannelPairs8<F>(lower, down);
#pragma GCC unroll 3
    for (int n = 0; n < 3; ++n) {
        const __m256i column =
            _mm256_add_epi16(_mm256_mullo_epi16(up[n], above), _mm256_mullo_epi16(down[n], below));
        sum[n] = _mm256_madd_epi16(column, across);
    }
    return true;
}

// Whether the packet loop has a copy for the draw's states (FastTextured already holds the
// linear filter and no alpha test); the usual scene's states have fog and blending, so they are
// never the lit ones.
inline bool Covers(const FastTextured& f) { return f.litStates && f.perspective; }

// The lanes (16-bit, all ones or zero) whose z value passes the function against the stored one.
inline __m256i DepthPasses(int function, __m256i incoming, __m256i stored) {
    const __m256i atMost = _mm256_cmpeq_epi16(_mm256_min_epu16(incoming, stored), incoming);
    if (function == 6) {
        return atMost;
    }
    const __m256i all = _mm256_set1_epi32(-1);
    const __m256i atLeast = _mm256_cmpeq_epi16(_mm256_max_epu16(incoming, stored), incoming);
    const __m256i none = _mm256_setzero_si256();
    return _mm256_or_si256(
        _mm256_or_si256((function & 4) != 0 ? _mm256_xor_si256(atLeast, all) : none,
                        (function & 2) != 0 ? _mm256_and_si256(atMost, atLeast) : none),
        (function & 1) != 0 ? _mm256_xor_si256(atMost, all) : none);
}

// Where every row's sixteen pixels from its lane 0's (the row's addresses) lie on the target
// and z rows, a group reads them whole and writes them back whole, its own lanes changed:
// rows belong to one band each, so no other thread touches the pixels around. The lanes of
// each row (16-bit, all ones or zero) come from its mask as the z values are read.
inline __m256i LoadWindows16(const PacketLanes& lanes, bool read, __m256i* run) {
    const __m256i bit = _mm256_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384,
                                          static_cast<short>(0x8000));
    __m256i v = _mm256_setzero_si256();
    for (int r = 0; r < lanes.rows; ++r) {
        const __m256i mask = _mm256_set1_epi16(static_cast<short>(lanes.rowMask[r]));
        run[r] = _mm256_cmpeq_epi16(_mm256_and_si256(mask, bit), bit);
        if (read) {
            const __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.depth[r]));
            v = r == 0 ? _mm256_and_si256(window, run[0]) : _mm256_blendv_epi8(v, window, run[r]);
        }
    }
    return v;
}
inline void StoreWindows16(const PacketLanes& lanes, bool writeDepth, const __m256i* run, __m256i pass,
                           __m256i depth, __m256i pixels) {
    for (int r = 0; r < lanes.rows; ++r) {
        const __m256i lanesOfRow = _mm256_and_si256(run[r], pass);
        if (writeDepth) {
            __m256i* window = reinterpret_cast<__m256i*>(lanes.depth[r]);
            _mm256_storeu_si256(window, BlendBytes(_mm256_loadu_si256(window), depth, lanesOfRow));
        }
        __m256i* window = reinterpret_cast<__m256i*>(lanes.target[r]);
        _mm256_storeu_si256(window, BlendBytes(_mm256_loadu_si256(window), pixels, lanesOfRow));
    }
}

// The draw's steps of the footprint (the texture's size times the planes' steps across and
// down), which every half of a packet's groups reads, and the level range the last half found,
// which the next keeps where its lanes keep to it.
struct PacketShading {
    __m256 qx, ux, qxv, vx, qy, uy, qyv, vy;
    // The planes' steps across, for z, q, u, v and the diffuse colour, and q where it is not
    // above zero.
    __m256 stepZ, stepQ, stepU, stepV, stepDiffuse[3], constantQ;
    int level = -1;
    int depthFunction;
    // The level's range of footprints as the bits of floats less one (footprints are not
    // negative, so their bits order as signed numbers), and its sizes. Before a level is found
    // the range holds no footprint.
    __m256i beforeLow = _mm256_set1_epi32(0x7FFFFFFF), beforeHigh = _mm256_set1_epi32(0x7FFFFFFF);
    Level8 sizes;

    void SetLevel(const FastTextured& f, float low, float high) {
        int32_t lowBits, highBits;
        std::memcpy(&lowBits, &low, 4);
        std::memcpy(&highBits, &high, 4);
        beforeLow = _mm256_set1_epi32(lowBits - 1);
        beforeHigh = _mm256_set1_epi32(highBits - 1);
        sizes = Level8(f, level);
    }

    explicit PacketShading(const FastTextured& f) {
        const float tw = f.p->textureSize[0][0], th = f.p->textureSize[0][1];
        const float* stepX = f.stepX;
        const float* stepY = f.stepY;
        qx = _mm256_set1_ps(stepX[1] * tw);
        ux = _mm256_set1_ps(stepX[f.su] * tw);
        qxv = _mm256_set1_ps(stepX[1] * th);
        vx = _mm256_set1_ps(stepX[f.sv] * th);
        qy = _mm256_set1_ps(stepY[1] * tw);
        uy = _mm256_set1_ps(stepY[f.su] * tw);
        qyv = _mm256_set1_ps(stepY[1] * th);
        vy = _mm256_set1_ps(stepY[f.sv] * th);
        stepZ = _mm256_set1_ps(stepX[0]);
        stepQ = _mm256_set1_ps(stepX[1]);
        stepU = _mm256_set1_ps(stepX[f.su]);
        stepV = _mm256_set1_ps(stepX[f.sv]);
        stepDiffuse[0] = _mm256_set1_ps(stepX[2 + kDiffuseR]);
        stepDiffuse[1] = _mm256_set1_ps(stepX[2 + kDiffuseG]);
        stepDiffuse[2] = _mm256_set1_ps(stepX[2 + kDiffuseB]);
        constantQ = _mm256_set1_ps(f.constantQ);
        depthFunction = DepthFunction(*f.p);
    }
};

// One packet group through the eight-lane loop; LowRows when every row's starting values lie
// on the table's low eight lanes, Usual for the usual states (FastDraw::litUsual), which it
// then need not test for at every half.
template <TextureFormat F, bool LowRows, bool Usual>
__attribute__((always_inline)) inline Outcome ShadeGroup8T(const FastTextured& f, PacketShading& shading,
                                                           const PacketLanes& lanes, bool windows, uint64_t& written,
                                                           uint64_t& shaded) {
    const Rasterizer::PixelPipeline& p = *f.p;
    const bool depthTest = Usual || p.depthTest, depthWrite = Usual || p.depthWrite;
    const int depthBias = Usual ? 0 : p.depthBias;
    const Constants8& k = Constants<F>();
    const __m256 one = Load8(k.one), zerof = _mm256_setzero_ps(), half = Load8(k.half);
    const __m256 offset[2] = {lanes.offset.lo, lanes.offset.hi};
    const __m256i rowOfLane[2] = {lanes.rowOfLane.lo, lanes.rowOfLane.hi};
    // A plane's value at each lane of half h: the lane's row's start.
    auto start = [&](int plane, int h) {
        const auto& table = lanes.starts[plane];
        if constexpr (LowRows) {
            return _mm256_permutevar8x32_ps(table.lo, rowOfLane[h]);
        } else {
            return _mm256_castsi256_ps(
                Pick32(rowOfLane[h], _mm256_castps_si256(table.lo), _mm256_castps_si256(table.hi)));
        }
    };
    // z exactly as the one-pixel loop finds it, both halves as sixteen 16-bit lanes.
    __m256i depth32[2];
#pragma GCC unroll 2
    for (int h = 0; h < 2; ++h) {
        const __m256 z = _mm256_add_ps(start(0, h), _mm256_mul_ps(shading.stepZ, offset[h]));
        if constexpr (Usual) {
            // Without a bias the packing below saturates what lies under 0 (a number or not),
            // and products keep the order of z, so only the top needs its limit here. min
            // returns its second operand for NaN: the NaN, which converts to the lowest integer
            // and packs to 0, as the saturation takes it.
            depth32[h] = _mm256_cvttps_epi32(
                _mm256_min_ps(Load8(k.depthTop), _mm256_add_ps(_mm256_mul_ps(z, Load8(k.k65535)), half)));
            continue;
        }
        depth32[h] = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(Saturate8(z, one), Load8(k.k65535)), half));
        if (depthBias != 0) {
            depth32[h] = _mm256_max_epi32(_mm256_sub_epi32(depth32[h], _mm256_set1_epi32(depthBias)),
                                          _mm256_setzero_si256());
        }
    }
    // Both at most 65535, so packing them keeps them (and takes any below 0 to 0).
    const __m256i depth = _mm256_permute4x64_epi64(_mm256_packus_epi32(depth32[0], depth32[1]), 0xD8);
    __m256i run[RowPacket::kLanes];
    __m256i stored = _mm256_setzero_si256();
    if (windows) {
        stored = LoadWindows16(lanes, depthTest, run);
    } else if (depthTest) {
        stored = lanes.LoadDepth();
    }
    __m256i passing = _mm256_setzero_si256();
    unsigned pass = lanes.inside;
    if (depthTest) {
        passing = DepthPasses(Usual ? 6 : shading.depthFunction, depth, stored);
        pass &= Bits16(passing);
    } else if (windows) {
        passing = _mm256_set1_epi32(-1);
    }
    if (pass == 0) {
        return Outcome::Drawn;
    }
    const StageState::Form form = Usual ? StageState::Form::TextureTimesCurrent : f.stage->colourForm;
    const int planes[3] = {2 + kDiffuseR, 2 + kDiffuseG, 2 + kDiffuseB};
    __m256i pixel[2] = {_mm256_setzero_si256(), _mm256_setzero_si256()};
    int& level = shading.level;
    // Every lane of the rows is shaded, not only those that pass: the work then need not wait
    // for the stored z values, which a neighbouring triangle has often only just written. A lane
    // that would take the sixteen-lane copy's rarer ways sends the group there, which decides
    // by the passing lanes.
#pragma GCC unroll 2
    for (int h = 0; h < 2; ++h) {
        const unsigned bits = (lanes.inside >> (8 * h)) & 0xFF;
        if (bits == 0) {
            continue;
        }
        const __m256i active = Lanes32(bits);
        // w and the coordinates exactly, so texel addresses and weights are the one-pixel loop's.
        const __m256 q = _mm256_add_ps(start(1, h), _mm256_mul_ps(shading.stepQ, offset[h]));
        const __m256 w =
            _mm256_div_ps(one, _mm256_blendv_ps(shading.constantQ, q, _mm256_cmp_ps(q, zerof, _CMP_GT_OQ)));
        const __m256 u = _mm256_mul_ps(_mm256_add_ps(start(f.su, h), _mm256_mul_ps(shading.stepU, offset[h])), w);
        const __m256 v = _mm256_mul_ps(_mm256_add_ps(start(f.sv, h), _mm256_mul_ps(shading.stepV, offset[h])), w);
        // Coordinates that are not numbers or too far (for the one-texel sampler): their bits
        // without the sign at or above those of 65536.
        const __m256i magnitude = Load8(k.magnitude);
        const __m256i reach = _mm256_max_epu32(_mm256_and_si256(_mm256_castps_si256(u), magnitude),
                                               _mm256_and_si256(_mm256_castps_si256(v), magnitude));
        if (_mm256_testz_si256(_mm256_cmpgt_epi32(reach, Load8(k.beforeLimit)), active) == 0) {
            return Outcome::Declined;
        }
        // The level from the footprint: the first lane's, where every lane's footprint keeps
        // well inside its range.
        const __m256 ux = _mm256_fnmadd_ps(u, shading.qx, shading.ux);
        const __m256 vx = _mm256_fnmadd_ps(v, shading.qxv, shading.vx);
        const __m256 uy = _mm256_fnmadd_ps(u, shading.qy, shading.uy);
        const __m256 vy = _mm256_fnmadd_ps(v, shading.qyv, shading.vy);
        const __m256 across = _mm256_fmadd_ps(ux, ux, _mm256_mul_ps(vx, vx));
        const __m256 down = _mm256_fmadd_ps(uy, uy, _mm256_mul_ps(vy, vy));
        const __m256 rho2 = _mm256_mul_ps(_mm256_max_ps(down, across), _mm256_mul_ps(w, w));
        // A level range found before serves where the half's lanes keep to it too.
        const __m256i footprint = _mm256_castps_si256(rho2);
        auto leave = [&] {
            const __m256i inRange = _mm256_andnot_si256(_mm256_cmpgt_epi32(footprint, shading.beforeHigh),
                                                        _mm256_cmpgt_epi32(footprint, shading.beforeLow));
            return _mm256_testc_si256(inRange, active) == 0;
        };
        if (leave()) {
            const float r = _mm256_cvtss_f32(
                _mm256_permutevar8x32_ps(rho2, _mm256_set1_epi32(static_cast<int>(__builtin_ctz(bits)))));
            float low, high;
            if (!PointLevelRange(f, r, level, low, high)) {
                return Outcome::Declined;
            }
            shading.SetLevel(f, low, high);
            if (leave()) {
                return Outcome::Declined;
            }
        }
        __m256i sum[3];
        if (!LevelSums8<F, Usual>(f, k, active, shading.sizes, u, v, sum)) {
            return Outcome::Declined;
        }
        const __m256 thresholds = h == 0 ? lanes.thresholds.lo : lanes.thresholds.hi;
        __m256i channel[3];
#pragma GCC unroll 3
        for (int n = 0; n < 3; ++n) {
            const __m256 texel = _mm256_cvtepi32_ps(sum[n]);
            __m256 colour;
            if (form == StageState::Form::Texture) {
                colour = _mm256_mul_ps(texel, Load8(k.scales[n]));
            } else {
                const __m256 diffuse =
                    _mm256_mul_ps(_mm256_fmadd_ps(shading.stepDiffuse[n], offset[h], start(planes[n], h)), w);
                colour = form == StageState::Form::TextureTimesCurrent
                             ? _mm256_mul_ps(texel, _mm256_mul_ps(diffuse, Load8(k.scales[n])))
                             : diffuse;
            }
            channel[n] = _mm256_cvttps_epi32(_mm256_fmadd_ps(Saturate8(colour, one), Load8(k.units[n]), thresholds));
        }
        pixel[h] = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(channel[0], 11), _mm256_slli_epi32(channel[1], 5)),
                                   channel[2]);
    }
    // Each channel below its next step, so the pixels pack to 16 bits exactly.
    const __m256i pixels = _mm256_permute4x64_epi64(_mm256_packus_epi32(pixel[0], pixel[1]), 0xD8);
    if (windows) {
        StoreWindows16(lanes, depthWrite, run, passing, depth, pixels);
    } else {
        if (depthWrite) {
            lanes.StoreDepth(static_cast<__mmask16>(pass), depth);
        }
        lanes.StoreTarget16(static_cast<__mmask16>(pass), pixels);
    }
    const uint64_t count = static_cast<uint64_t>(__builtin_popcount(pass));
    shaded += count;
    written += count;
    return Outcome::Drawn;
}

// The other states out of line, so the usual ones' code stays compact.
template <TextureFormat F, bool LowRows>
__attribute__((noinline)) Outcome ShadeGroup8Other(const FastTextured& f, PacketShading& shading,
                                                   const PacketLanes& lanes, bool windows, uint64_t& written,
                                                   uint64_t& shaded) {
    return ShadeGroup8T<F, LowRows, false>(f, shading, lanes, windows, written, shaded);
}
template <TextureFormat F, bool LowRows>
inline Outcome ShadeGroup8(const FastTextured& f, PacketShading& shading, const PacketLanes& lanes, bool windows,
                           uint64_t& written, uint64_t& shaded) {
    return f.litUsual ? ShadeGroup8T<F, LowRows, true>(f, shading, lanes, windows, written, shaded)
                         : ShadeGroup8Other<F, LowRows>(f, shading, lanes, windows, written, shaded);
}

// For each byte b of bits that mark where rows start, lane by lane k = 0..7: how many rows
// start at or before k, and how far k lies past the last of them (255 where none does).
struct RowStarts {
    uint8_t count[256][8];
    uint8_t offset[256][8];
};
constexpr RowStarts MakeRowStarts() {
    RowStarts t{};
    for (int b = 0; b < 256; ++b) {
        int n = 0, at = -1;
        for (int k = 0; k < 8; ++k) {
            if ((b >> k) & 1) {
                ++n;
                at = k;
            }
            t.count[b][k] = static_cast<uint8_t>(n);
            t.offset[b][k] = static_cast<uint8_t>(at < 0 ? 255 : k - at);
        }
    }
    return t;
}
alignas(64) inline constexpr RowStarts kRowStarts = MakeRowStarts();

inline __m256i Widen8(const uint8_t* bytes) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)));
}

// What the loop over a group's rows leaves besides the rows' masks and addresses.
struct RowsRead {
    unsigned laneBit;  // 1 << the lanes the rows take
    unsigned firsts;   // a bit at each row's first lane
    int32_t outside;   // negative where some row's window leaves the target
    uint64_t words;    // each row's dither word ((y & 3) << 2 | (first - first lane) & 3), four bits a row
};

// The rows' loop, in scalar steps, each row read as it was just stored. Where the z rows have
// the target's pitch (as usual), a row's z address is its target address moved by the
// distance between the two.
template <bool SharedPitch, bool Dither>
inline RowsRead ReadRows(const Rasterizer::PixelPipeline& p, const RowPacket& packet, int start, int rows,
                         PacketLanes& lanes) {
    const uintptr_t pixels = reinterpret_cast<uintptr_t>(p.pixels);
    const uintptr_t depth = reinterpret_cast<uintptr_t>(p.depth);
    const uintptr_t depthKept = depth != 0 ? ~uintptr_t{0} : 0;
    const uintptr_t pitch = static_cast<uintptr_t>(static_cast<intptr_t>(p.pitch));
    const uintptr_t depthPitch = static_cast<uintptr_t>(static_cast<intptr_t>(p.depthPitch));
    const uintptr_t apart = depth - pixels;
    const int32_t lastShift = p.right - RowPacket::kLanes;
    const int32_t* firstOf = packet.first + start;
    const int32_t* lastOf = packet.last + start;
    const int32_t* yOf = packet.y + start;
    int lane = 0;
    RowsRead read{1, 0, 0, 0};
    for (int r = 0; r < rows; ++r) {
        const int32_t first = firstOf[r], y = yOf[r];
        const int32_t shift = first - lane;
        read.outside |= shift | (lastShift - shift);
        const int next = lane + (lastOf[r] - first + 1);
        const unsigned nextBit = 1u << next;
        lanes.rowMask[r] = static_cast<__mmask16>(nextBit - read.laneBit);
        read.firsts |= read.laneBit;
        const uintptr_t bytes = static_cast<uintptr_t>(static_cast<intptr_t>(shift)) * 2;
        const uintptr_t row = static_cast<uintptr_t>(static_cast<intptr_t>(y));
        const uintptr_t target = pixels + row * pitch + bytes;
        lanes.target[r] = target;
        if constexpr (SharedPitch) {
            lanes.depth[r] = target + apart;
        } else {
            lanes.depth[r] = (depth + row * depthPitch + bytes) & depthKept;
        }
        if constexpr (Dither) {
            read.words |= static_cast<uint64_t>(((y & 3) << 2) | (shift & 3)) << (4 * r);
        }
        lane = next;
        read.laneBit = nextBit;
    }
    return read;
}

}  // namespace packet8

// The lanes of the packet's rows from `start`, `rows` of them (one group), as BuildPacketLanes
// finds them. The rows' loop marks where each row starts on one bit of sixteen; each lane's
// row and offset then come from those bits through a table, with no table of lanes stored and
// read back. True when every row's sixteen pixels from its lane 0's lie on the target's rows
// (for LoadWindows16).
// Inlined in its caller, which it would otherwise outgrow the inlining limit of.
__attribute__((always_inline)) inline bool BuildPacketLanes8(const Rasterizer::PixelPipeline& p,
                                                             const RowPacket& packet, int start, int rows,
                                                             int rowBase, const __m512* starts, PacketLanes& lanes) {
    lanes.rows = rows;
    lanes.lowRows = rowBase + rows <= 8;
    lanes.starts = starts;
    const bool dither = p.dither;
    const bool sharedPitch = p.depth != nullptr && p.depthPitch == p.pitch;
    const packet8::RowsRead read =
        sharedPitch ? (dither ? packet8::ReadRows<true, true>(p, packet, start, rows, lanes)
                              : packet8::ReadRows<true, false>(p, packet, start, rows, lanes))
                    : (dither ? packet8::ReadRows<false, true>(p, packet, start, rows, lanes)
                              : packet8::ReadRows<false, false>(p, packet, start, rows, lanes));
    const unsigned laneBit = read.laneBit, firsts = read.firsts;
    const uint64_t words = read.words;
    const unsigned inside = laneBit - 1;
    lanes.inside = static_cast<__mmask16>(inside);
    const unsigned low = firsts & 0xFF, high = firsts >> 8;
    const __m256i in[2] = {packet8::Lanes32(inside), packet8::Lanes32(inside >> 8)};
    const __m256i laneIndex[2] = {_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                  _mm256_setr_epi32(8, 9, 10, 11, 12, 13, 14, 15)};
    // Row 0 starts at lane 0: every low lane has a row; a high lane before the first row that
    // starts there belongs to the last row of the low half.
    const __m256i row[2] = {
        _mm256_add_epi32(packet8::Widen8(packet8::kRowStarts.count[low]), _mm256_set1_epi32(-1)),
        _mm256_add_epi32(packet8::Widen8(packet8::kRowStarts.count[high]),
                         _mm256_set1_epi32(__builtin_popcount(low) - 1))};
    const __m256i offset[2] = {
        packet8::Widen8(packet8::kRowStarts.offset[low]),
        _mm256_min_epi32(packet8::Widen8(packet8::kRowStarts.offset[high]),
                         _mm256_sub_epi32(laneIndex[1], _mm256_set1_epi32(31 - __builtin_clz(low))))};
    __m256 thresholds[2];
    if (dither) {
        // The rows' words, one a byte, then one a lane: rows 0 to 7 and rows 8 to 15.
        const __m128i packed = _mm_cvtsi64_si128(static_cast<int64_t>(words));
        const __m128i nibble = _mm_set1_epi8(15);
        const __m128i bytes =
            _mm_unpacklo_epi8(_mm_and_si128(packed, nibble), _mm_and_si128(_mm_srli_epi16(packed, 4), nibble));
        const __m256i rowWords[2] = {_mm256_cvtepu8_epi32(bytes), _mm256_cvtepu8_epi32(_mm_srli_si128(bytes, 8))};
#pragma GCC unroll 2
        for (int h = 0; h < 2; ++h) {
            // The 4x4 dither cell: (y & 3) * 4 + (x & 3), x = first + offset.
            const __m256i word = rows > 8 ? packet8::Pick32(row[h], rowWords[0], rowWords[1])
                                          : _mm256_permutevar8x32_epi32(rowWords[0], row[h]);
            const __m256i cell = _mm256_and_si256(
                _mm256_or_si256(_mm256_and_si256(_mm256_add_epi32(laneIndex[h], word), _mm256_set1_epi32(3)),
                                _mm256_and_si256(word, _mm256_set1_epi32(12))),
                in[h]);
            const __m256i* cells = reinterpret_cast<const __m256i*>(DitherCells16());
            thresholds[h] = _mm256_castsi256_ps(
                packet8::Pick32(cell, _mm256_load_si256(cells), _mm256_load_si256(cells + 1)));
        }
    } else {
        thresholds[0] = thresholds[1] = _mm256_set1_ps(0.5f);
    }
    // Lanes past the rows stay zero throughout.
    lanes.offset = __m512(_mm256_cvtepi32_ps(_mm256_and_si256(offset[0], in[0])),
                          _mm256_cvtepi32_ps(_mm256_and_si256(offset[1], in[1])));
    const __m256i base = _mm256_set1_epi32(rowBase);
    lanes.rowOfLane = __m512i(_mm256_and_si256(_mm256_add_epi32(row[0], base), in[0]),
                              _mm256_and_si256(_mm256_add_epi32(row[1], base), in[1]));
    lanes.thresholds = __m512(thresholds[0], thresholds[1]);
    return read.outside >= 0;
}

// The starting values of the packet's rows from `from`, `rows` of them (at most sixteen), as
// PacketStarts finds them (double products and sums, one rounding to float), four rows a
// register of doubles and only as many registers as the rows fill: lanes past the rows are
// left as they were, and where the rows fit lanes 0 to 7 nothing reads lanes 8 to 15.
template <int Quarters>
inline void PacketStartsQ(const RowPacket& packet, int from, int rows, __m512* starts) {
    const __m256d x0 = _mm256_set1_pd(packet.x0), y0 = _mm256_set1_pd(packet.y0);
    __m256d rx[Quarters], ry[Quarters];
#pragma GCC unroll 4
    for (int k = 0; k < Quarters; ++k) {
        const __m128i in = _mm256_castsi256_si128(packet8::Lanes32((1u << std::min(rows - 4 * k, 4)) - 1));
        rx[k] = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm_maskload_epi32(packet.first + from + 4 * k, in)), x0);
        ry[k] = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm_maskload_epi32(packet.y + from + 4 * k, in)), y0);
    }
    for (int n = 0; n < packet.planeCount; ++n) {
        const int plane = packet.planes[n];
        const __m256d base = _mm256_set1_pd(packet.base[plane]);
        const __m256d dx = _mm256_set1_pd(packet.dx[plane]), dy = _mm256_set1_pd(packet.dy[plane]);
        float* values = reinterpret_cast<float*>(&starts[plane]);
#pragma GCC unroll 4
        for (int k = 0; k < Quarters; ++k) {
            _mm_store_ps(values + 4 * k, _mm256_cvtpd_ps(_mm256_add_pd(_mm256_add_pd(base, _mm256_mul_pd(dx, rx[k])),
                                                                        _mm256_mul_pd(dy, ry[k]))));
        }
    }
}
inline void PacketStarts8(const RowPacket& packet, int from, int rows, __m512* starts) {
    switch ((rows + 3) / 4) {
    case 1: PacketStartsQ<1>(packet, from, rows, starts); break;
    case 2: PacketStartsQ<2>(packet, from, rows, starts); break;
    case 3: PacketStartsQ<3>(packet, from, rows, starts); break;
    default: PacketStartsQ<4>(packet, from, rows, starts); break;
    }
}

// A group through the sixteen-lane copy, out of line: the eight-lane loop's callers rarely
// take it, and their code stays compact without it.
template <TextureFormat F>
__attribute__((noinline)) bool ShadeGroup16(const FastTextured& fast, const PacketLanes* lanes, uint64_t& written,
                                            uint64_t& shaded) {
    return FastShadeGroups16<F, 1>(fast, lanes, written, shaded);
}

// A packet's groups one at a time, each through the eight-lane loop where it has a copy for
// the states, else through the sixteen-lane one: in register pairs, two groups at once outgrow
// the sixteen registers. A group that needs the one-texel sampler draws nothing, so the rows
// before it count as drawn.
template <TextureFormat F>
int ShadePacketGroups8(const FastTextured& fast, const RowPacket& packet, const PacketLanes* lanes,
                       const bool* windows, uint64_t& written, uint64_t& shaded) {
    const bool covered = packet8::Covers(fast);
    packet8::PacketShading shading(fast);
    int drawn = 0;
    for (int g = 0; g < packet.groups; ++g) {
        packet8::Outcome outcome = packet8::Outcome::Declined;
        if (covered) {
            outcome = lanes[g].lowRows
                          ? packet8::ShadeGroup8<F, true>(fast, shading, lanes[g], windows[g], written, shaded)
                          : packet8::ShadeGroup8<F, false>(fast, shading, lanes[g], windows[g], written, shaded);
        }
        if (outcome == packet8::Outcome::Declined) {
            outcome = ShadeGroup16<F>(fast, lanes + g, written, shaded) ? packet8::Outcome::Drawn
                                                                         : packet8::Outcome::OneTexel;
        }
        if (outcome == packet8::Outcome::OneTexel) {
            return drawn;
        }
        drawn += packet.groupRows[g];
    }
    return drawn;
}

}  // namespace
