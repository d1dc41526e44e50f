// The sixteen-lane loops' one source: the plain Gouraud span and the common textured span
// sixteen pixels at a time, with masked loads and stores, so a short last group needs no room
// past the span. Textured rows shade several groups step by step together, and a small
// triangle's short rows are packed into shared groups (RowPacket); coverage of such rows is
// found a row to a register, or two or four rows when they are short. Vertices are lit and
// projected, and triangles' planes set up, in the same lanes.
//
// Written in the AVX-512 operations; spans_avx512.cpp compiles it for processors that have
// them, spans_avx2.cpp for those with AVX2 and FMA, where lanes16_avx2.h supplies each
// sixteen-lane operation as a pair of eight-lane ones. Each includes it inside its own
// namespace and target region, after StoreWithin16 (a masked store of sixteen 16-bit values
// that may lean on all sixteen lying inside the span). Comparisons' results are held as `auto`,
// so the AVX2 copy can hand them on as lanes. A copy that defines GOURAUD_SPAN16_ELSEWHERE
// brings its own plain Gouraud span, one that defines PACKET_GROUPS8_ELSEWHERE its own steps
// for a small triangle's packet, and one that defines COMMON_POINT_ROW_ELSEWHERE its own row
// of the usual textured states with nearest mip selection (the AVX2 ones, spans_avx2.cpp).
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

// The 4x4 dither thresholds by cell, (y & 3) * 4 + (x & 3), for a packet's lanes to pick from.
inline const float* DitherCells16() {
    struct Matrix {
        alignas(64) float cells[16];
        Matrix() {
            for (int k = 0; k < 16; ++k) {
                cells[k] = DitherThreshold(k & 3, k >> 2);
            }
        }
    };
    static const Matrix matrix;
    return matrix.cells;
}

inline __m512 Saturate16(__m512 v) {
    // max returns its second operand for NaN: NaN becomes 0, as in Saturate.
    return _mm512_min_ps(_mm512_max_ps(v, _mm512_setzero_ps()), _mm512_set1_ps(1.0f));
}

// Channels (clamped to 0..1 here) as 565 pixels in 32-bit lanes, each step raised by its
// dither threshold before the truncation.
inline __m512i Pack565x16(__m512 r, __m512 g, __m512 b, __m512 thresholds) {
    const __m512 levels5 = _mm512_set1_ps(31.0f), levels6 = _mm512_set1_ps(63.0f);
    const __m512i ri = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(r), levels5), thresholds));
    const __m512i gi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(g), levels6), thresholds));
    const __m512i bi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(b), levels5), thresholds));
    return _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(ri, 11), _mm512_slli_epi32(gi, 5)), bi);
}

// Channels (clamped to 0..1 here) as 8888 pixels, rounded to the nearest step, alpha zero.
inline __m512i Pack8888x16(__m512 r, __m512 g, __m512 b) {
    const __m512 levels8 = _mm512_set1_ps(255.0f), half = _mm512_set1_ps(0.5f);
    const __m512i ri = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(r), levels8), half));
    const __m512i gi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(g), levels8), half));
    const __m512i bi = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(b), levels8), half));
    return _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(ri, 16), _mm512_slli_epi32(gi, 8)), bi);
}

// The z function as the orderings that pass, three bits: less 4, equal 2, greater 1.
inline int DepthFunction(const Rasterizer::PixelPipeline& p) {
    return (p.passLess ? 4 : 0) | (p.passEqual ? 2 : 0) | (p.passGreater ? 1 : 0);
}

// The lanes whose 16-bit z value passes the function against the stored one, in one comparison.
inline __mmask16 DepthPasses16(int function, __m256i incoming, __m256i stored) {
    switch (function) {
    case 4: return _mm256_cmplt_epu16_mask(incoming, stored);
    case 2: return _mm256_cmpeq_epu16_mask(incoming, stored);
    case 6: return _mm256_cmple_epu16_mask(incoming, stored);
    case 1: return _mm256_cmpgt_epu16_mask(incoming, stored);
    case 5: return _mm256_cmpneq_epu16_mask(incoming, stored);
    case 3: return _mm256_cmpge_epu16_mask(incoming, stored);
    case 7: return 0xFFFF;
    default: return 0;
    }
}

}  // namespace

#if !defined(GOURAUD_SPAN16_ELSEWHERE)
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
    const int zFunction = DepthFunction(p);
    const __m512 half = _mm512_set1_ps(0.5f), depthScale = _mm512_set1_ps(65535.0f);
    // Offsets from the row's first pixel are whole numbers, exact in floats as they step.
    const __m512 sixteen = _mm512_set1_ps(16.0f);
    __m512 offset = lanes;
    for (int64_t i = first; i <= last; i += 16, offset = _mm512_add_ps(offset, sixteen)) {
        const int64_t left = last - i + 1;
        const __mmask16 inside = left >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << left) - 1);
        const __m512 z = _mm512_add_ps(z0, _mm512_mul_ps(dz, offset));
        // Below 65536 once clamped, so sixteen bits hold it.
        const __m256i depthValue = _mm512_cvtepi32_epi16(_mm512_max_epi32(
            _mm512_sub_epi32(_mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(z), depthScale), half)), bias),
            zero));
        __mmask16 pass = inside;
        if (p.depthTest) {
            pass = inside & DepthPasses16(zFunction, depthValue, _mm256_maskz_loadu_epi16(inside, depthRow + i));
            if (pass == 0) {
                continue;
            }
        }
        __m512 w = constantW;
        if (perspective) {
            const __m512 q = _mm512_add_ps(q0, _mm512_mul_ps(dq, offset));
            const auto positive = _mm512_cmp_ps_mask(q, _mm512_setzero_ps(), _CMP_GT_OQ);
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
            StoreWithin16(depthRow + i, inside, pass, depthValue);
        }
        if (rgb565) {
            const __m512i pixel = Pack565x16(r, g, b, _mm512_loadu_ps(thresholds + (i & 3)));
            StoreWithin16(reinterpret_cast<uint16_t*>(row) + i, inside, pass, _mm512_cvtepi32_epi16(pixel));
        } else {
            _mm512_mask_storeu_epi32(reinterpret_cast<uint32_t*>(row) + i, pass, Pack8888x16(r, g, b));
        }
        written += static_cast<uint64_t>(__builtin_popcount(pass));
    }
    return last + 1 - first;
}
#endif


namespace {

struct Colour16 {
    __m512 r, g, b, a;
};

template <TextureFormat F>
inline void Channels16(__m512i raw, __m512i* c) {
    if constexpr (F == TextureFormat::RGB565) {
        c[0] = _mm512_srli_epi32(raw, 11);
        c[1] = _mm512_and_si512(_mm512_srli_epi32(raw, 5), _mm512_set1_epi32(63));
        c[2] = _mm512_and_si512(raw, _mm512_set1_epi32(31));
        c[3] = _mm512_set1_epi32(1);
    } else if constexpr (F == TextureFormat::ARGB1555 || F == TextureFormat::RGB555) {
        c[0] = _mm512_and_si512(_mm512_srli_epi32(raw, 10), _mm512_set1_epi32(31));
        c[1] = _mm512_and_si512(_mm512_srli_epi32(raw, 5), _mm512_set1_epi32(31));
        c[2] = _mm512_and_si512(raw, _mm512_set1_epi32(31));
        c[3] = F == TextureFormat::RGB555 ? _mm512_set1_epi32(1) : _mm512_srli_epi32(raw, 15);
    } else {
        c[0] = _mm512_and_si512(_mm512_srli_epi32(raw, 8), _mm512_set1_epi32(15));
        c[1] = _mm512_and_si512(_mm512_srli_epi32(raw, 4), _mm512_set1_epi32(15));
        c[2] = _mm512_and_si512(raw, _mm512_set1_epi32(15));
        c[3] = _mm512_srli_epi32(raw, 12);
    }
}

// The channels of two 16-bit texels held in one 32-bit lane, each left in its own half.
template <TextureFormat F>
inline void ChannelPairs16(__m512i pair, __m512i* c) {
    if constexpr (F == TextureFormat::RGB565) {
        c[0] = _mm512_srli_epi16(pair, 11);
        c[1] = _mm512_and_si512(_mm512_srli_epi16(pair, 5), _mm512_set1_epi16(63));
        c[2] = _mm512_and_si512(pair, _mm512_set1_epi16(31));
    } else if constexpr (F == TextureFormat::ARGB1555 || F == TextureFormat::RGB555) {
        c[0] = _mm512_and_si512(_mm512_srli_epi16(pair, 10), _mm512_set1_epi16(31));
        c[1] = _mm512_and_si512(_mm512_srli_epi16(pair, 5), _mm512_set1_epi16(31));
        c[2] = _mm512_and_si512(pair, _mm512_set1_epi16(31));
        c[3] = _mm512_srli_epi16(pair, 15);
    } else {
        c[0] = _mm512_and_si512(_mm512_srli_epi16(pair, 8), _mm512_set1_epi16(15));
        c[1] = _mm512_and_si512(_mm512_srli_epi16(pair, 4), _mm512_set1_epi16(15));
        c[2] = _mm512_and_si512(pair, _mm512_set1_epi16(15));
        c[3] = _mm512_srli_epi16(pair, 12);
    }
}

// texels::DetailLog2 on sixteen lanes, step for step.
inline __m512 Log2x16(__m512 x) {
    const __m512i bits = _mm512_castps_si512(x);
    __m512i e = _mm512_sub_epi32(_mm512_and_si512(_mm512_srli_epi32(bits, 23), _mm512_set1_epi32(0xFF)),
                                 _mm512_set1_epi32(127));
    __m512 m = _mm512_castsi512_ps(
        _mm512_or_si512(_mm512_and_si512(bits, _mm512_set1_epi32(0x7FFFFF)), _mm512_set1_epi32(0x3F800000)));
    const auto big = _mm512_cmp_ps_mask(m, _mm512_set1_ps(texels::kSqrt2), _CMP_GT_OQ);
    m = _mm512_mask_mul_ps(m, big, m, _mm512_set1_ps(0.5f));
    e = _mm512_mask_add_epi32(e, big, e, _mm512_set1_epi32(1));
    const __m512 one = _mm512_set1_ps(1.0f);
    const __m512 t = _mm512_div_ps(_mm512_sub_ps(m, one), _mm512_add_ps(m, one));
    const __m512 t2 = _mm512_mul_ps(t, t);
    __m512 p = _mm512_add_ps(_mm512_mul_ps(t2, _mm512_set1_ps(1.0f / 9.0f)), _mm512_set1_ps(1.0f / 7.0f));
    p = _mm512_add_ps(_mm512_mul_ps(p, t2), _mm512_set1_ps(0.2f));
    p = _mm512_add_ps(_mm512_mul_ps(p, t2), _mm512_set1_ps(1.0f / 3.0f));
    p = _mm512_add_ps(_mm512_mul_ps(p, t2), one);
    return _mm512_add_ps(_mm512_cvtepi32_ps(e),
                         _mm512_mul_ps(_mm512_mul_ps(t, p), _mm512_set1_ps(texels::kTwoOverLn2)));
}

// LevelOfDetail on sixteen lanes, from a footprint's coordinate steps across and down one
// pixel (0..1 across the texture) and the full-size level's width and height.
inline __m512 LevelOfDetail16(__m512 dudx, __m512 dvdx, __m512 dudy, __m512 dvdy, float width, float height) {
    const __m512 textureWidth = _mm512_set1_ps(width);
    const __m512 textureHeight = _mm512_set1_ps(height);
    dudx = _mm512_mul_ps(dudx, textureWidth);
    dvdx = _mm512_mul_ps(dvdx, textureHeight);
    dudy = _mm512_mul_ps(dudy, textureWidth);
    dvdy = _mm512_mul_ps(dvdy, textureHeight);
    const __m512 across = _mm512_add_ps(_mm512_mul_ps(dudx, dudx), _mm512_mul_ps(dvdx, dvdx));
    const __m512 down = _mm512_add_ps(_mm512_mul_ps(dudy, dudy), _mm512_mul_ps(dvdy, dvdy));
    const __m512 rho2 = _mm512_max_ps(down, across);
    return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(rho2, _mm512_setzero_ps(), _CMP_GT_OQ), _mm512_set1_ps(-64.0f),
                                _mm512_mul_ps(_mm512_set1_ps(0.5f), Log2x16(rho2)));
}

inline __m512 Select16(StageState::Form form, __m512 texture, __m512 current) {
    switch (form) {
    case StageState::Form::TextureTimesCurrent: return _mm512_mul_ps(texture, current);
    case StageState::Form::Texture: return texture;
    default: return current;
    }
}

// The lanes where `incoming` passes the comparison function against `reference`.
inline __mmask16 Compare16(uint32_t func, __m512i incoming, __m512i reference) {
    const __mmask16 less = _mm512_cmplt_epi32_mask(incoming, reference);
    const __mmask16 equal = _mm512_cmpeq_epi32_mask(incoming, reference);
    const __mmask16 greater = _mm512_cmpgt_epi32_mask(incoming, reference);
    return static_cast<__mmask16>((DepthCompare(func, 0, 1) ? less : 0) | (DepthCompare(func, 1, 1) ? equal : 0) |
                                  (DepthCompare(func, 1, 0) ? greater : 0));
}

// The target's channels as 0..1, for blending.
template <class Lanes>
inline void ReadTarget16(bool rgb565, const Lanes& lanes, __m512& r, __m512& g, __m512& b) {
    if (rgb565) {
        const __m512i d = _mm512_cvtepu16_epi32(lanes.LoadTarget16());
        r = _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_srli_epi32(d, 11)), _mm512_set1_ps(1.0f / 31.0f));
        g = _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(d, 5), _mm512_set1_epi32(63))),
                          _mm512_set1_ps(1.0f / 63.0f));
        b = _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_and_si512(d, _mm512_set1_epi32(31))), _mm512_set1_ps(1.0f / 31.0f));
        return;
    }
    const __m512i d = lanes.LoadTarget32();
    const __m512i byte = _mm512_set1_epi32(255);
    const __m512 scale = _mm512_set1_ps(1.0f / 255.0f);
    r = _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(d, 16), byte)), scale);
    g = _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(d, 8), byte)), scale);
    b = _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_and_si512(d, byte)), scale);
}

// The lanes of one group on a single row: pixels i .. i + 15 from the row's first pixel.
struct RowLanes {
    int64_t i, first;
    __mmask16 inside;
    uint8_t* row;
    uint16_t* depthRow;
    const float* rowStart;
    const float* thresholds;

    __m512 Offset() const {
        return _mm512_add_ps(_mm512_set1_ps(static_cast<float>(i - first)),
                             _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    }
    __m512 Start(int plane) const { return _mm512_set1_ps(rowStart[plane]); }
    __m512 ScaledStart(int plane, float scale) const { return _mm512_set1_ps(rowStart[plane] * scale); }
    __m512 Thresholds() const { return _mm512_loadu_ps(thresholds + (i & 3)); }
    __m256i LoadDepth() const { return _mm256_maskz_loadu_epi16(inside, depthRow + i); }
    void StoreDepth(__mmask16 m, __m256i v) const { StoreWithin16(depthRow + i, inside, m, v); }
    __m256i LoadTarget16() const { return _mm256_maskz_loadu_epi16(inside, reinterpret_cast<uint16_t*>(row) + i); }
    void StoreTarget16(__mmask16 m, __m256i v) const {
        StoreWithin16(reinterpret_cast<uint16_t*>(row) + i, inside, m, v);
    }
    __m512i LoadTarget32() const { return _mm512_maskz_loadu_epi32(inside, reinterpret_cast<uint32_t*>(row) + i); }
    void StoreTarget32(__mmask16 m, __m512i v) const {
        _mm512_mask_storeu_epi32(reinterpret_cast<uint32_t*>(row) + i, m, v);
    }
};

// Sixteen 16-bit lanes of several rows, each row's lanes under its own mask from its own
// address. The rows' lanes do not overlap, so their loads are independent and simply or-ed.
// (The AVX2 layer gives its own, which puts the lanes in place once for all rows.)
#if !defined(LANES16_ROWS16)
inline __m256i LoadRows16(int rows, const __mmask16* mask, const uintptr_t* at) {
    __m256i v = _mm256_setzero_si256();
    for (int r = 0; r < rows; ++r) {
        v = _mm256_or_si256(v, _mm256_maskz_loadu_epi16(mask[r], reinterpret_cast<const void*>(at[r])));
    }
    return v;
}
inline void StoreRows16(int rows, const __mmask16* mask, const uintptr_t* at, __mmask16 m, __m256i v) {
    for (int r = 0; r < rows; ++r) {
        _mm256_mask_storeu_epi16(reinterpret_cast<void*>(at[r]), static_cast<__mmask16>(m & mask[r]), v);
    }
}
#endif

// The lanes of one group over several short rows of a triangle, each row's pixels on
// consecutive lanes. Reads and writes go row by row under each row's lane mask, through
// addresses shifted so a lane index finds its pixel.
struct PacketLanes {
    int rows;
    __mmask16 inside;
    __mmask16 rowMask[RowPacket::kLanes];
    uintptr_t target[RowPacket::kLanes];  // byte address of lane 0's pixel on the row's terms
    uintptr_t depth[RowPacket::kLanes];
    __m512i rowOfLane;
    __m512 offset;
    __m512 thresholds;
    const __m512* starts;  // by plane, each row's value on the lane rowOfLane names
#if defined(LANES16_ROWS16)
    bool lowRows;  // every row's value on lanes 0 to 7 of starts
#endif

    __m512 Offset() const { return offset; }
    __m512 Start(int plane) const {
#if defined(LANES16_ROWS16)
        // Eight-lane registers: rows on lanes 0 to 7 take one table half, one permute a half.
        if (lowRows) {
            return LANES16(PermuteLowEight)(rowOfLane, starts[plane]);
        }
#endif
        return _mm512_permutexvar_ps(rowOfLane, starts[plane]);
    }
    __m512 ScaledStart(int plane, float scale) const { return _mm512_mul_ps(Start(plane), _mm512_set1_ps(scale)); }
    // Read as a whole register: a copy of the member went (on AVX2) through 16-byte pieces on
    // the stack, which the whole register's read then waited for.
    __m512 Thresholds() const { return _mm512_loadu_ps(&thresholds); }
    __m256i LoadDepth() const { return LoadRows16(rows, rowMask, depth); }
    void StoreDepth(__mmask16 m, __m256i v) const { StoreRows16(rows, rowMask, depth, m, v); }
    __m256i LoadTarget16() const { return LoadRows16(rows, rowMask, target); }
    void StoreTarget16(__mmask16 m, __m256i v) const { StoreRows16(rows, rowMask, target, m, v); }
    __m512i LoadTarget32() const {
        __m512i v = _mm512_setzero_si512();
        for (int r = 0; r < rows; ++r) {
            v = _mm512_or_si512(v, _mm512_maskz_loadu_epi32(rowMask[r], reinterpret_cast<const void*>(target[r])));
        }
        return v;
    }
    void StoreTarget32(__mmask16 m, __m512i v) const {
        for (int r = 0; r < rows; ++r) {
            _mm512_mask_storeu_epi32(reinterpret_cast<void*>(target[r]), static_cast<__mmask16>(m & rowMask[r]), v);
        }
    }
};

// The sixteen-lane sampler and colour path, for G groups at once: each step is taken for
// every group before the next, so the groups' long chains of dependent steps overlap. The
// one-pixel loop's arithmetic (FillSpanShaded, SampleTexture) lane for lane.
//
// SampleLanesG samples at (u, v) for the active lanes, each from the level it names, through
// the level table; lanes not active keep their colour. False when a read would pass a level's
// end (the one-texel sampler's case).
template <TextureFormat F, int G>
bool SampleLanesG(const Rasterizer::PixelPipeline::LevelTable& table, const uint8_t* pixels, const SamplerState& s,
                  const __mmask16* active, const __m512i* level, const __m512* u, const __m512* v, Colour16* out) {
    const __m512i one = _mm512_set1_epi32(1), zero = _mm512_setzero_si512();
    const bool wrapU = s.addressU == D3DTADDRESS_WRAP, wrapV = s.addressV == D3DTADDRESS_WRAP;
    __m512i widthMask[G], heightMask[G], pitch[G], lastRead[G], base[G];
    __m512 x[G], y[G];
    for (int g = 0; g < G; ++g) {
        // Where every active lane takes one level, as on most rows, its sizes are broadcast
        // instead of looked up lane by lane.
        const int shared = active[g] != 0 ? _mm_cvtsi128_si32(_mm512_castsi512_si128(_mm512_permutexvar_epi32(
                                                _mm512_set1_epi32(__builtin_ctz(active[g])), level[g])))
                                          : 0;
        __m512i width, height;
        if (_mm512_mask_cmpneq_epi32_mask(active[g], level[g], _mm512_set1_epi32(shared)) == 0) {
            width = _mm512_set1_epi32(table.width[shared]);
            height = _mm512_set1_epi32(table.height[shared]);
            pitch[g] = _mm512_set1_epi32(table.pitch[shared]);
            lastRead[g] = _mm512_set1_epi32(table.lastRead[shared]);
            base[g] = _mm512_set1_epi32(table.offset[shared]);
        } else {
            width = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.width));
            height = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.height));
            pitch[g] = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.pitch));
            lastRead[g] = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.lastRead));
            base[g] = _mm512_permutexvar_epi32(level[g], _mm512_loadu_si512(table.offset));
        }
        widthMask[g] = _mm512_sub_epi32(width, one);
        heightMask[g] = _mm512_sub_epi32(height, one);
        x[g] = _mm512_mul_ps(u[g], _mm512_cvtepi32_ps(width));
        y[g] = _mm512_mul_ps(v[g], _mm512_cvtepi32_ps(height));
    }
    auto addressU = [&](int g, __m512i i) {
        return wrapU ? _mm512_and_si512(i, widthMask[g]) : _mm512_min_epi32(_mm512_max_epi32(i, zero), widthMask[g]);
    };
    auto addressV = [&](int g, __m512i j) {
        return wrapV ? _mm512_and_si512(j, heightMask[g])
                     : _mm512_min_epi32(_mm512_max_epi32(j, zero), heightMask[g]);
    };
    bool safe = true;
    auto offsetOf = [&](int g, __m512i i, __m512i j) {
        const __m512i offset = _mm512_add_epi32(_mm512_mullo_epi32(j, pitch[g]), _mm512_add_epi32(i, i));
        safe = safe && _mm512_mask_cmpgt_epi32_mask(active[g], offset, lastRead[g]) == 0;
        return _mm512_add_epi32(offset, base[g]);
    };
    const int* texels = reinterpret_cast<const int*>(pixels);
    auto gather = [&](int g, __m512i offset) {
        return _mm512_mask_i32gather_epi32(zero, active[g], offset, texels, 1);
    };
    const __m512i low16 = _mm512_set1_epi32(0xFFFF);
    constexpr int kFloor = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
    if (!s.linearMin) {
        __m512i offset[G];
        for (int g = 0; g < G; ++g) {
            const __m512i i = addressU(g, _mm512_cvttps_epi32(_mm512_roundscale_ps(x[g], kFloor)));
            const __m512i j = addressV(g, _mm512_cvttps_epi32(_mm512_roundscale_ps(y[g], kFloor)));
            offset[g] = offsetOf(g, i, j);
        }
        if (!safe) {
            return false;
        }
        constexpr float k5 = 1.0f / 31.0f, k6 = 1.0f / 63.0f, k4 = 1.0f / 15.0f;
        constexpr bool k565 = F == TextureFormat::RGB565;
        constexpr float scaleR = F == TextureFormat::ARGB4444 ? k4 : k5;
        constexpr float scaleG = F == TextureFormat::ARGB4444 ? k4 : (k565 ? k6 : k5);
        for (int g = 0; g < G; ++g) {
            __m512i c[4];
            Channels16<F>(_mm512_and_si512(gather(g, offset[g]), low16), c);
            const __mmask16 a = active[g];
            out[g].r = _mm512_mask_mul_ps(out[g].r, a, _mm512_cvtepi32_ps(c[0]), _mm512_set1_ps(scaleR));
            out[g].g = _mm512_mask_mul_ps(out[g].g, a, _mm512_cvtepi32_ps(c[1]), _mm512_set1_ps(scaleG));
            out[g].b = _mm512_mask_mul_ps(out[g].b, a, _mm512_cvtepi32_ps(c[2]), _mm512_set1_ps(scaleR));
            if constexpr (F == TextureFormat::ARGB4444) {
                out[g].a = _mm512_mask_mul_ps(out[g].a, a, _mm512_cvtepi32_ps(c[3]), _mm512_set1_ps(k4));
            } else if constexpr (F == TextureFormat::ARGB1555) {
                out[g].a = _mm512_mask_mov_ps(out[g].a, a, _mm512_cvtepi32_ps(c[3]));
            } else {
                out[g].a = _mm512_mask_mov_ps(out[g].a, a, _mm512_set1_ps(1.0f));
            }
        }
        return true;
    }
    const __m512 half = _mm512_set1_ps(0.5f), k256 = _mm512_set1_ps(256.0f);
    const __m512i whole = _mm512_set1_epi32(256);
    __m512i wxPair[G], wyPair[G], iA[G], iB[G], jA[G], jB[G];
    bool neighbours[G];
    for (int g = 0; g < G; ++g) {
        const __m512 fx = _mm512_sub_ps(x[g], half), fy = _mm512_sub_ps(y[g], half);
        const __m512i i0 = _mm512_cvttps_epi32(_mm512_roundscale_ps(fx, kFloor));
        const __m512i j0 = _mm512_cvttps_epi32(_mm512_roundscale_ps(fy, kFloor));
        const __m512 ax = _mm512_sub_ps(fx, _mm512_cvtepi32_ps(i0)), ay = _mm512_sub_ps(fy, _mm512_cvtepi32_ps(j0));
        const __m512i wx = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(ax, k256), half));
        const __m512i wy = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(ay, k256), half));
        wxPair[g] = _mm512_or_si512(_mm512_sub_epi32(whole, wx), _mm512_slli_epi32(wx, 16));
        wyPair[g] = _mm512_or_si512(_mm512_sub_epi32(whole, wy), _mm512_slli_epi32(wy, 16));
        iA[g] = addressU(g, i0);
        iB[g] = addressU(g, _mm512_add_epi32(i0, one));
        jA[g] = addressV(g, j0);
        jB[g] = addressV(g, _mm512_add_epi32(j0, one));
        neighbours[g] = _mm512_mask_cmpneq_epi32_mask(active[g], iB[g], _mm512_add_epi32(iA[g], one)) == 0;
    }
    // Each group reads its rows' texel pairs whole where they lie side by side, or texel by
    // texel where some lane wraps or clamps at an edge.
    __m512i top[G], bottom[G];
    __m512i offsets[G][4];
    for (int g = 0; g < G; ++g) {
        if (neighbours[g]) {
            offsets[g][0] = offsetOf(g, iA[g], jA[g]);
            offsets[g][2] = offsetOf(g, iA[g], jB[g]);
        } else {
            offsets[g][0] = offsetOf(g, iA[g], jA[g]);
            offsets[g][1] = offsetOf(g, iB[g], jA[g]);
            offsets[g][2] = offsetOf(g, iA[g], jB[g]);
            offsets[g][3] = offsetOf(g, iB[g], jB[g]);
        }
    }
    if (!safe) {
        return false;
    }
    for (int g = 0; g < G; ++g) {
        if (neighbours[g]) {
            top[g] = gather(g, offsets[g][0]);
            bottom[g] = gather(g, offsets[g][2]);
        } else {
            top[g] = _mm512_or_si512(_mm512_and_si512(gather(g, offsets[g][0]), low16),
                                     _mm512_slli_epi32(gather(g, offsets[g][1]), 16));
            bottom[g] = _mm512_or_si512(_mm512_and_si512(gather(g, offsets[g][2]), low16),
                                        _mm512_slli_epi32(gather(g, offsets[g][3]), 16));
        }
    }
    constexpr bool kOpaque = F == TextureFormat::RGB565 || F == TextureFormat::RGB555;
    constexpr texels::ChannelScale kScale = texels::Scale<F>();
    for (int g = 0; g < G; ++g) {
        __m512i upper[4], lower[4];
        ChannelPairs16<F>(top[g], upper);
        ChannelPairs16<F>(bottom[g], lower);
        auto sum = [&](int n) {
            const __m512i rowTop = _mm512_madd_epi16(upper[n], wxPair[g]);
            const __m512i rowBottom = _mm512_madd_epi16(lower[n], wxPair[g]);
            return _mm512_cvtepi32_ps(
                _mm512_madd_epi16(_mm512_or_si512(rowTop, _mm512_slli_epi32(rowBottom, 16)), wyPair[g]));
        };
        const __mmask16 a = active[g];
        out[g].r = _mm512_mask_mul_ps(out[g].r, a, sum(0), _mm512_set1_ps(kScale.r));
        out[g].g = _mm512_mask_mul_ps(out[g].g, a, sum(1), _mm512_set1_ps(kScale.g));
        out[g].b = _mm512_mask_mul_ps(out[g].b, a, sum(2), _mm512_set1_ps(kScale.b));
        if constexpr (kOpaque) {
            out[g].a = _mm512_mask_mov_ps(out[g].a, a, _mm512_set1_ps(1.0f));
        } else {
            out[g].a = _mm512_mask_mul_ps(out[g].a, a, sum(3), _mm512_set1_ps(kScale.a));
        }
    }
    return true;
}

// SampleTexture's level choice and mip blend for the active lanes; false when some active lane
// needs the one-texel sampler (a coordinate too far out, or a read past a level's end).
template <TextureFormat F, int G>
bool SampleG(const Texture& t, const Rasterizer::PixelPipeline::LevelTable& table, const SamplerState& s,
             const __mmask16* active, const __m512* u, const __m512* v, const __m512* lodIn, Colour16* out) {
    const __m512 limit = _mm512_set1_ps(65536.0f);  // as the one-texel sampler's limit
    for (int g = 0; g < G; ++g) {
        // Each coordinate on its own, so one that is not a number goes to the one-texel sampler.
        const __mmask16 near = _mm512_mask_cmp_ps_mask(active[g], _mm512_abs_ps(u[g]), limit, _CMP_LT_OQ) &
                               _mm512_mask_cmp_ps_mask(active[g], _mm512_abs_ps(v[g]), limit, _CMP_LT_OQ);
        if (near != active[g]) {
            return false;
        }
    }
    const int last = t.levelCount - 1;
    const int first = static_cast<int>(std::min<uint32_t>(s.maxMipLevel, static_cast<uint32_t>(last)));
    const __m512i baseLevel = _mm512_set1_epi32(first), lastLevel = _mm512_set1_epi32(last);
    __m512i level0[G];
    __m512 f[G];
    for (int g = 0; g < G; ++g) {
        const __m512 lod = _mm512_add_ps(lodIn[g], _mm512_set1_ps(s.lodBias));
        const auto magnified = _mm512_cmp_ps_mask(lod, _mm512_setzero_ps(), _CMP_NGT_UQ);  // !(lod > 0)
        level0[g] = baseLevel;
        f[g] = _mm512_setzero_ps();
        if (s.mipFilter == D3DTFP_POINT) {
            const __m512 rounded = _mm512_add_ps(_mm512_min_ps(lod, _mm512_set1_ps(64.0f)), _mm512_set1_ps(0.5f));
            level0[g] = _mm512_min_epi32(_mm512_max_epi32(_mm512_cvttps_epi32(rounded), baseLevel), lastLevel);
        } else if (s.mipFilter == D3DTFP_LINEAR) {
            const __m512 d = _mm512_min_ps(_mm512_max_ps(lod, _mm512_set1_ps(static_cast<float>(first))),
                                           _mm512_set1_ps(static_cast<float>(last)));
            level0[g] = _mm512_cvttps_epi32(d);
            f[g] = _mm512_sub_ps(d, _mm512_cvtepi32_ps(level0[g]));
        }
        level0[g] = _mm512_mask_blend_epi32(magnified, level0[g], baseLevel);
        f[g] = _mm512_mask_blend_ps(magnified, f[g], _mm512_setzero_ps());
    }
    if (!SampleLanesG<F, G>(table, t.levels[0].pixels, s, active, level0, u, v, out)) {
        return false;
    }
    // Lanes whose fraction is zero keep the first level's colour exactly.
    __mmask16 between[G];
    bool any = false;
    __m512i level1[G];
    Colour16 next[G];
    for (int g = 0; g < G; ++g) {
        between[g] = _mm512_mask_cmp_ps_mask(active[g], f[g], _mm512_setzero_ps(), _CMP_NEQ_UQ);
        any = any || between[g] != 0;
        level1[g] = _mm512_min_epi32(_mm512_add_epi32(level0[g], _mm512_set1_epi32(1)), lastLevel);
        next[g] = out[g];
    }
    if (!any) {
        return true;
    }
    if (!SampleLanesG<F, G>(table, t.levels[0].pixels, s, between, level1, u, v, next)) {
        return false;
    }
    for (int g = 0; g < G; ++g) {
        const __mmask16 m = between[g];
        out[g].r = _mm512_mask_add_ps(out[g].r, m, out[g].r, _mm512_mul_ps(_mm512_sub_ps(next[g].r, out[g].r), f[g]));
        out[g].g = _mm512_mask_add_ps(out[g].g, m, out[g].g, _mm512_mul_ps(_mm512_sub_ps(next[g].g, out[g].g), f[g]));
        out[g].b = _mm512_mask_add_ps(out[g].b, m, out[g].b, _mm512_mul_ps(_mm512_sub_ps(next[g].b, out[g].b), f[g]));
        out[g].a = _mm512_mask_add_ps(out[g].a, m, out[g].a, _mm512_mul_ps(_mm512_sub_ps(next[g].a, out[g].a), f[g]));
    }
    return true;
}

// G groups (of one row, or of a packet's rows) through the common textured colour path, step
// by step together. False when a sample needs the one-texel sampler; nothing is written then.
template <TextureFormat F, int G, class Lanes>
bool ShadeRowGroups16(const Rasterizer::PixelPipeline& p, const Lanes* lanes, const float* stepX,
                      const float* stepY, float constantQ, bool rgb565, bool perspective, uint64_t& written,
                      uint64_t& shaded) {
    const ShadeState& shade = *p.shade;
    const StageState& stage = shade.stages[0];
    const int su = 2 + kTexture0U + 2 * stage.coordinateSet, sv = su + 1;
    const __m512 one = _mm512_set1_ps(1.0f), zerof = _mm512_setzero_ps(), half = _mm512_set1_ps(0.5f);
    const __m512i zero = _mm512_setzero_si512();
    const __m512 levels8 = _mm512_set1_ps(255.0f);
    __m512 offset[G];
    __m256i depthValue[G];
    __mmask16 pass[G];
    bool anyPass = false;
    for (int g = 0; g < G; ++g) {
        offset[g] = lanes[g].Offset();
        const __m512 z = _mm512_add_ps(lanes[g].Start(0), _mm512_mul_ps(_mm512_set1_ps(stepX[0]), offset[g]));
        depthValue[g] = _mm512_cvtepi32_epi16(_mm512_max_epi32(
            _mm512_sub_epi32(
                _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(z), _mm512_set1_ps(65535.0f)), half)),
                _mm512_set1_epi32(p.depthBias)),
            zero));
        pass[g] = lanes[g].inside;
        if (p.depthTest) {
            pass[g] &= DepthPasses16(DepthFunction(p), depthValue[g], lanes[g].LoadDepth());
        }
        anyPass = anyPass || pass[g] != 0;
    }
    if (!anyPass) {
        return true;
    }
    __m512 w[G], u[G], v[G], lod[G];
    for (int g = 0; g < G; ++g) {
        w[g] = _mm512_set1_ps(1.0f / constantQ);
        if (perspective) {
            const __m512 q = _mm512_add_ps(lanes[g].Start(1), _mm512_mul_ps(_mm512_set1_ps(stepX[1]), offset[g]));
            const auto positive = _mm512_cmp_ps_mask(q, zerof, _CMP_GT_OQ);
            w[g] = _mm512_div_ps(one, _mm512_mask_blend_ps(positive, _mm512_set1_ps(constantQ), q));
        }
    }
    auto attribute = [&](int g, int k) {
        const __m512 value =
            _mm512_add_ps(lanes[g].Start(2 + k), _mm512_mul_ps(_mm512_set1_ps(stepX[2 + k]), offset[g]));
        return perspective ? _mm512_mul_ps(value, w[g]) : value;
    };
    for (int g = 0; g < G; ++g) {
        u[g] = attribute(g, su - 2);
        v[g] = attribute(g, sv - 2);
        __m512 dudx = _mm512_set1_ps(stepX[su]), dvdx = _mm512_set1_ps(stepX[sv]);
        __m512 dudy = _mm512_set1_ps(stepY[su]), dvdy = _mm512_set1_ps(stepY[sv]);
        if (perspective) {
            dudx = _mm512_mul_ps(_mm512_sub_ps(dudx, _mm512_mul_ps(u[g], _mm512_set1_ps(stepX[1]))), w[g]);
            dvdx = _mm512_mul_ps(_mm512_sub_ps(dvdx, _mm512_mul_ps(v[g], _mm512_set1_ps(stepX[1]))), w[g]);
            dudy = _mm512_mul_ps(_mm512_sub_ps(dudy, _mm512_mul_ps(u[g], _mm512_set1_ps(stepY[1]))), w[g]);
            dvdy = _mm512_mul_ps(_mm512_sub_ps(dvdy, _mm512_mul_ps(v[g], _mm512_set1_ps(stepY[1]))), w[g]);
        }
        lod[g] = LevelOfDetail16(dudx, dvdx, dudy, dvdy, p.textureSize[0][0], p.textureSize[0][1]);
    }
    Colour16 texel[G];
    for (int g = 0; g < G; ++g) {
        texel[g] = Colour16{zerof, zerof, zerof, zerof};
    }
    if (!SampleG<F, G>(*stage.texture, p.levels, stage.sampler, pass, u, v, lod, texel)) {
        return false;
    }
    for (int g = 0; g < G; ++g) {
        const Lanes& group = lanes[g];
        shaded += static_cast<uint64_t>(__builtin_popcount(pass[g]));
        __m512 r = Select16(stage.colourForm, texel[g].r, attribute(g, kDiffuseR));
        __m512 gr = Select16(stage.colourForm, texel[g].g, attribute(g, kDiffuseG));
        __m512 b = Select16(stage.colourForm, texel[g].b, attribute(g, kDiffuseB));
        const __m512 a = Select16(stage.alphaForm, texel[g].a, attribute(g, kDiffuseA));
        if (shade.alphaTest) {
            const __m512i alpha = _mm512_cvttps_epi32(_mm512_add_ps(_mm512_mul_ps(Saturate16(a), levels8), half));
            pass[g] &= Compare16(shade.alphaFunc, alpha, _mm512_set1_epi32(static_cast<int>(shade.alphaRef)));
        }
        if (shade.fog) {
            const __m512 fogEnd = _mm512_set1_ps(shade.fogEnd);
            __m512 f;
            if (!(shade.fogEnd > shade.fogStart)) {
                f = _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(w[g], fogEnd, _CMP_LT_OQ), one);
            } else {
                f = Saturate16(
                    _mm512_div_ps(_mm512_sub_ps(fogEnd, w[g]), _mm512_set1_ps(shade.fogEnd - shade.fogStart)));
            }
            const __m512 g1 = _mm512_sub_ps(one, f);
            r = _mm512_add_ps(_mm512_mul_ps(r, f), _mm512_mul_ps(_mm512_set1_ps(shade.fogColour.r), g1));
            gr = _mm512_add_ps(_mm512_mul_ps(gr, f), _mm512_mul_ps(_mm512_set1_ps(shade.fogColour.g), g1));
            b = _mm512_add_ps(_mm512_mul_ps(b, f), _mm512_mul_ps(_mm512_set1_ps(shade.fogColour.b), g1));
        }
        if (p.depthWrite) {
            group.StoreDepth(pass[g], depthValue[g]);
        }
        if (shade.blend) {
            __m512 tr, tg, tb;
            ReadTarget16(rgb565, group, tr, tg, tb);
            const __m512 inverse = _mm512_sub_ps(one, a);
            r = Saturate16(_mm512_add_ps(_mm512_mul_ps(r, a), _mm512_mul_ps(tr, inverse)));
            gr = Saturate16(_mm512_add_ps(_mm512_mul_ps(gr, a), _mm512_mul_ps(tg, inverse)));
            b = Saturate16(_mm512_add_ps(_mm512_mul_ps(b, a), _mm512_mul_ps(tb, inverse)));
        }
        if (rgb565) {
            group.StoreTarget16(pass[g], _mm512_cvtepi32_epi16(Pack565x16(r, gr, b, group.Thresholds())));
        } else {
            group.StoreTarget32(pass[g], Pack8888x16(r, gr, b));
        }
        written += static_cast<uint64_t>(__builtin_popcount(pass[g]));
    }
    return true;
}

#include "sys/raster/textured_fast16.h"

#if defined(COMMON_POINT_ROW_ELSEWHERE)
// The row loop this copy brings for the usual states with nearest mip selection: the pixels
// drawn from lanes.first before a piece that needs the one-texel sampler.
template <TextureFormat F>
int64_t CommonPointRow8(const FastTextured& f, const RowLanes& lanes, int64_t last, uint64_t& written,
                        uint64_t& shaded);
#endif

template <TextureFormat F>
int64_t TexturedSpan16T(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                        const float* rowStart, const float* stepX, const float* stepY, float constantQ, bool rgb565,
                        bool perspective, uint64_t& written, uint64_t& shaded) {
    RowLanes lanes;
    lanes.first = first;
    lanes.row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    lanes.depthRow = p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                                      static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                                        : nullptr;
    lanes.rowStart = rowStart;
    lanes.thresholds = Thresholds16(p.dither, y);
    auto groupAt = [&](int64_t at) {
        RowLanes group = lanes;
        const int64_t left = last - at + 1;
        group.i = at;
        group.inside = left >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << left) - 1);
        return group;
    };
    int64_t i = first;
    FastTextured fast;
    if (MakeFastTextured(p, stepX, stepY, constantQ, rgb565, perspective, fast)) {
#if defined(COMMON_POINT_ROW_ELSEWHERE)
        if (fast.common && fast.mip == D3DTFP_POINT) {
            return CommonPointRow8<F>(fast, lanes, last, written, shaded);
        }
#endif
        for (; last - i + 1 > 48; i += 64) {
            const RowLanes four[4] = {groupAt(i), groupAt(i + 16), groupAt(i + 32), groupAt(i + 48)};
            if (!FastShadeGroups16<F, 4>(fast, four, written, shaded)) {
                return i - first;
            }
        }
        // The row's end in one call: three groups, two or one.
        if (last - i + 1 > 32) {
            const RowLanes three[3] = {groupAt(i), groupAt(i + 16), groupAt(i + 32)};
            if (!FastShadeGroups16<F, 3>(fast, three, written, shaded)) {
                return i - first;
            }
            return last + 1 - first;
        }
        if (last - i + 1 > 16) {
            const RowLanes pair[2] = {groupAt(i), groupAt(i + 16)};
            if (!FastShadeGroups16<F, 2>(fast, pair, written, shaded)) {
                return i - first;
            }
            return last + 1 - first;
        }
        for (; i <= last; i += 16) {
            const RowLanes group = groupAt(i);
            if (!FastShadeGroups16<F, 1>(fast, &group, written, shaded)) {
                return i - first;
            }
        }
        return last + 1 - first;
    }
    // Four groups at a time while the row has more than three left, then two, then one.
    for (; last - i + 1 > 48; i += 64) {
        const RowLanes four[4] = {groupAt(i), groupAt(i + 16), groupAt(i + 32), groupAt(i + 48)};
        if (!ShadeRowGroups16<F, 4>(p, four, stepX, stepY, constantQ, rgb565, perspective, written, shaded)) {
            return i - first;
        }
    }
    for (; last - i + 1 > 16; i += 32) {
        const RowLanes pair[2] = {groupAt(i), groupAt(i + 16)};
        if (!ShadeRowGroups16<F, 2>(p, pair, stepX, stepY, constantQ, rgb565, perspective, written, shaded)) {
            return i - first;
        }
    }
    for (; i <= last; i += 16) {
        const RowLanes group = groupAt(i);
        if (!ShadeRowGroups16<F, 1>(p, &group, stepX, stepY, constantQ, rgb565, perspective, written, shaded)) {
            break;
        }
    }
    return std::min(i, last + 1) - first;
}

// Lanes 8 to 15 of v.
inline __m256 UpperEight(__m512 v) { return _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(v), 1)); }

// The starting values of the packet's rows from `from`, `rows` of them (at most sixteen), for
// every plane it lists: row from + k on lane k. The one-row sums' roundings (double products
// and sums, then one rounding to float), eight rows a register. The rows' pixels come in by
// masked loads that leave the lanes past the rows zero, and widen exactly (below 2^24).
inline void PacketStarts(const RowPacket& packet, int from, int rows, __m512* starts) {
    const __mmask16 present = static_cast<__mmask16>(rows >= 16 ? 0xFFFFu : (1u << rows) - 1);
    const __m512 firstX = _mm512_cvtepi32_ps(_mm512_maskz_loadu_epi32(present, packet.first + from));
    const __m512 rowY = _mm512_cvtepi32_ps(_mm512_maskz_loadu_epi32(present, packet.y + from));
    const __m512d x0 = _mm512_set1_pd(packet.x0), y0 = _mm512_set1_pd(packet.y0);
    const __m512d rxLow = _mm512_sub_pd(_mm512_cvtps_pd(_mm512_castps512_ps256(firstX)), x0);
    const __m512d ryLow = _mm512_sub_pd(_mm512_cvtps_pd(_mm512_castps512_ps256(rowY)), y0);
    const __m512d rxHigh = rows > 8 ? _mm512_sub_pd(_mm512_cvtps_pd(UpperEight(firstX)), x0) : rxLow;
    const __m512d ryHigh = rows > 8 ? _mm512_sub_pd(_mm512_cvtps_pd(UpperEight(rowY)), y0) : ryLow;
    for (int n = 0; n < packet.planeCount; ++n) {
        const int plane = packet.planes[n];
        const __m512d base = _mm512_set1_pd(packet.base[plane]);
        const __m512d dx = _mm512_set1_pd(packet.dx[plane]), dy = _mm512_set1_pd(packet.dy[plane]);
        const __m256 low = _mm512_cvtpd_ps(_mm512_add_pd(_mm512_add_pd(base, _mm512_mul_pd(dx, rxLow)),
                                                          _mm512_mul_pd(dy, ryLow)));
        __m512 values = _mm512_castps256_ps512(low);
        if (rows > 8) {
            const __m256 high = _mm512_cvtpd_ps(_mm512_add_pd(_mm512_add_pd(base, _mm512_mul_pd(dx, rxHigh)),
                                                               _mm512_mul_pd(dy, ryHigh)));
            values = _mm512_insertf32x8(values, high, 1);
        }
        starts[plane] = values;
    }
}

// The lanes of the packet's rows from `start`, `rows` of them (one group), reading starting
// values from `starts`, where row start + r sits on lane rowBase + r.
inline void BuildPacketLanes(const Rasterizer::PixelPipeline& p, const RowPacket& packet, int start, int rows,
                             int rowBase, const __m512* starts, bool rgb565, PacketLanes& lanes) {
    lanes.rows = rows;
#if defined(LANES16_ROWS16)
    lanes.lowRows = rowBase + rows <= 8;
#endif
    lanes.starts = starts;
    // Each lane's row, where its row starts and the row's dither cell, packed in one word
    // (row << 16 | first lane << 8 | (y & 3) << 2 | (first - first lane) & 3), set row by row
    // under the row's lane mask; offsets and dither cells follow from it for all lanes at once.
    const __m512i laneIndex = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m512i info = _mm512_setzero_si512();
    const int bytes = rgb565 ? 2 : 4;
    const uintptr_t pixels = reinterpret_cast<uintptr_t>(p.pixels);
    const uintptr_t depth = reinterpret_cast<uintptr_t>(p.depth);
    const uintptr_t pitch = static_cast<uintptr_t>(static_cast<intptr_t>(p.pitch));
    const uintptr_t depthPitch = static_cast<uintptr_t>(static_cast<intptr_t>(p.depthPitch));
    int lane = 0;
    for (int r = 0; r < rows; ++r) {
        const int64_t first = packet.first[start + r], last = packet.last[start + r];
        const int32_t y = packet.y[start + r];
        const int count = static_cast<int>(last - first + 1);
        const __mmask16 mask = static_cast<__mmask16>(((1u << count) - 1) << lane);
        lanes.rowMask[r] = mask;
        const uintptr_t shift = static_cast<uintptr_t>(first - lane);
        lanes.target[r] = pixels + static_cast<uintptr_t>(y) * pitch + shift * bytes;
        lanes.depth[r] = depth != 0 ? depth + static_cast<uintptr_t>(y) * depthPitch + shift * 2 : 0;
        const int32_t word = ((rowBase + r) << 16) | (lane << 8) | ((y & 3) << 2) | static_cast<int32_t>(shift & 3);
        info = _mm512_mask_mov_epi32(info, mask, _mm512_set1_epi32(word));
        lane += count;
    }
    // Lanes past the rows stay zero throughout.
    const __mmask16 inside = static_cast<__mmask16>(lane >= 16 ? 0xFFFF : (1u << lane) - 1);
    const __m512i offset =
        _mm512_maskz_sub_epi32(inside, laneIndex, _mm512_and_si512(_mm512_srli_epi32(info, 8), _mm512_set1_epi32(0xFF)));
    if (p.dither) {
        // The 4x4 dither cell: (y & 3) * 4 + (x & 3), x = first + offset.
        const __m512i cell = _mm512_maskz_or_epi32(
            inside, _mm512_and_si512(_mm512_add_epi32(laneIndex, info), _mm512_set1_epi32(3)),
            _mm512_and_si512(info, _mm512_set1_epi32(12)));
        lanes.thresholds = _mm512_permutexvar_ps(cell, _mm512_load_ps(DitherCells16()));
    } else {
        lanes.thresholds = _mm512_set1_ps(0.5f);
    }
    lanes.inside = inside;
    lanes.offset = _mm512_cvtepi32_ps(offset);
    lanes.rowOfLane = _mm512_srli_epi32(info, 16);
}

#if defined(PACKET_GROUPS8_ELSEWHERE)
// The copy's own packet steps, in eight-lane registers (packet_shading_avx2.h): the lanes of a
// group onto a 565 target, true where its rows' windows lie on the target, the rows' starting
// values, and the shading of the groups.
inline bool BuildPacketLanes8(const Rasterizer::PixelPipeline& p, const RowPacket& packet, int start, int rows,
                              int rowBase, const __m512* starts, PacketLanes& lanes);
inline void PacketStarts8(const RowPacket& packet, int from, int rows, __m512* starts);
template <TextureFormat F>
int ShadePacketGroups8(const FastTextured& fast, const RowPacket& packet, const PacketLanes* lanes,
                       const bool* windows, uint64_t& written, uint64_t& shaded);
#endif

template <TextureFormat F>
int TexturedPacket16T(const Rasterizer::PixelPipeline& p, const RowPacket& packet, const float* stepX,
                      const float* stepY, float constantQ, bool rgb565, bool perspective, uint64_t& written,
                      uint64_t& shaded) {
    PacketLanes lanes[RowPacket::kGroups];
    // The groups share one set of starting values when all the rows fit one register.
    __m512 starts[RowPacket::kGroups][2 + kAttributeCount];
    const bool shared = packet.rows <= RowPacket::kLanes;
    // The lanes first, so that the rows' pixels, stored just before, have landed when the
    // starting values load them.
    int start = 0;
#if defined(PACKET_GROUPS8_ELSEWHERE)
    bool windows[RowPacket::kGroups] = {};
#endif
    for (int g = 0; g < packet.groups; ++g) {
        const int rows = packet.groupRows[g];
#if defined(PACKET_GROUPS8_ELSEWHERE)
        if (rgb565) {
            windows[g] = BuildPacketLanes8(p, packet, start, rows, shared ? start : 0, starts[shared ? 0 : g],
                                           lanes[g]);
            start += rows;
            continue;
        }
#endif
        BuildPacketLanes(p, packet, start, rows, shared ? start : 0, starts[shared ? 0 : g], rgb565, lanes[g]);
        start += rows;
    }
    auto startsOf = [&](int from, int rows, __m512* to) {
#if defined(PACKET_GROUPS8_ELSEWHERE)
        PacketStarts8(packet, from, rows, to);
#else
        PacketStarts(packet, from, rows, to);
#endif
    };
    if (shared) {
        startsOf(0, packet.rows, starts[0]);
    } else {
        for (int g = 0, from = 0; g < packet.groups; from += packet.groupRows[g], ++g) {
            startsOf(from, packet.groupRows[g], starts[g]);
        }
    }
    FastTextured fast;
    const bool fastPath = MakeFastTextured(p, stepX, stepY, constantQ, rgb565, perspective, fast);
#if defined(PACKET_GROUPS8_ELSEWHERE)
    if (fastPath) {
        return ShadePacketGroups8<F>(fast, packet, lanes, windows, written, shaded);
    }
#endif
    // Two groups at a time; a pair that needs the one-texel sampler draws nothing, so the rows
    // before it count as drawn.
    int drawn = 0;
    for (int g = 0; g < packet.groups; g += 2) {
        const bool pair = g + 1 < packet.groups;
        bool done;
        if (fastPath) {
            done = pair ? FastShadeGroups16<F, 2>(fast, lanes + g, written, shaded)
                        : FastShadeGroups16<F, 1>(fast, lanes + g, written, shaded);
        } else {
            done = pair ? ShadeRowGroups16<F, 2>(p, lanes + g, stepX, stepY, constantQ, rgb565, perspective, written,
                                                 shaded)
                        : ShadeRowGroups16<F, 1>(p, lanes + g, stepX, stepY, constantQ, rgb565, perspective, written,
                                                 shaded);
        }
        if (!done) {
            break;
        }
        drawn += packet.groupRows[g] + (pair ? packet.groupRows[g + 1] : 0);
    }
    return drawn;
}

}  // namespace

int64_t TexturedSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                       const float* rowStart, const float* stepX, const float* stepY, float constantQ, bool rgb565,
                       bool perspective, uint64_t& written, uint64_t& shaded) {
    switch (p.shade->stages[0].texture->format) {
    case TextureFormat::RGB565:
        return TexturedSpan16T<TextureFormat::RGB565>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                      perspective, written, shaded);
    case TextureFormat::ARGB1555:
        return TexturedSpan16T<TextureFormat::ARGB1555>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                        perspective, written, shaded);
    case TextureFormat::ARGB4444:
        return TexturedSpan16T<TextureFormat::ARGB4444>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                        perspective, written, shaded);
    case TextureFormat::RGB555:
        return TexturedSpan16T<TextureFormat::RGB555>(p, first, last, y, rowStart, stepX, stepY, constantQ, rgb565,
                                                      perspective, written, shaded);
    default: return 0;
    }
}

namespace {

#if defined(LANES16)
// Eight-lane registers: a row of at most eight columns takes one register, a wider one two,
// and the row's bits are the register's sign bits, with no rows to pull apart.
inline void CoveredRowsNear(const NearEdges& edges, int columns, int rows, uint16_t* mask) {
    const uint32_t columnsMask = columns >= 16 ? 0xFFFFu : (1u << columns) - 1;
    const __m256i across = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i low[3], down[3];
#pragma GCC unroll 3
    for (int e = 0; e < 3; ++e) {
        low[e] = _mm256_add_epi32(_mm256_set1_epi32(edges.start[e]),
                                  _mm256_mullo_epi32(across, _mm256_set1_epi32(edges.step[e])));
        down[e] = _mm256_set1_epi32(edges.rowStep[e]);
    }
    // Inside all three edges: no value negative, so their sign bits or-ed clear.
    auto outside = [](const __m256i* e) {
        return static_cast<uint32_t>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_or_si256(_mm256_or_si256(e[0], e[1]), e[2]))));
    };
    if (columns <= 8) {
        for (int r = 0; r < rows; ++r) {
            mask[r] = static_cast<uint16_t>(~outside(low) & columnsMask);
#pragma GCC unroll 3
            for (int e = 0; e < 3; ++e) {
                low[e] = _mm256_add_epi32(low[e], down[e]);
            }
        }
        return;
    }
    __m256i high[3];
#pragma GCC unroll 3
    for (int e = 0; e < 3; ++e) {
        high[e] = _mm256_add_epi32(low[e], _mm256_set1_epi32(edges.step[e] * 8));
    }
    for (int r = 0; r < rows; ++r) {
        mask[r] = static_cast<uint16_t>(~(outside(low) | outside(high) << 8) & columnsMask);
#pragma GCC unroll 3
        for (int e = 0; e < 3; ++e) {
            low[e] = _mm256_add_epi32(low[e], down[e]);
            high[e] = _mm256_add_epi32(high[e], down[e]);
        }
    }
}
#else
// The rows of a triangle's samples whose edge values less the thresholds fit 32 bits, kShared
// rows a register: start + k * step + r * rowStep >= 0, that is its sign bit clear.
// Lanes of rows past `rows` may wrap; they are never stored.
template <int kShared>
inline void CoveredRowsShared(const NearEdges& edges, uint32_t columnsMask, int rows, uint16_t* mask) {
    constexpr int kWidth = 16 / kShared;
    const __m512i column = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i across = kShared == 1 ? column : _mm512_and_si512(column, _mm512_set1_epi32(kWidth - 1));
    const __m512i down = _mm512_srli_epi32(column, kShared == 4 ? 2 : 3);
    auto lanes = [&](int e) {
        __m512i v = _mm512_add_epi32(_mm512_set1_epi32(edges.start[e]),
                                     _mm512_mullo_epi32(across, _mm512_set1_epi32(edges.step[e])));
        if constexpr (kShared > 1) {
            v = _mm512_add_epi32(v, _mm512_mullo_epi32(down, _mm512_set1_epi32(edges.rowStep[e])));
        }
        return v;
    };
    __m512i e0 = lanes(0), e1 = lanes(1), e2 = lanes(2);
    const __m512i down0 = _mm512_set1_epi32(edges.rowStep[0] * kShared);
    const __m512i down1 = _mm512_set1_epi32(edges.rowStep[1] * kShared);
    const __m512i down2 = _mm512_set1_epi32(edges.rowStep[2] * kShared);
    // The columns on every row of a register.
    const uint32_t columns = columnsMask * (kShared == 1 ? 1u : kShared == 2 ? 0x101u : 0x1111u);
    for (int r = 0; r < rows; r += kShared) {
        // Inside all three edges: no value negative, so their sign bits or-ed clear.
        const uint32_t in =
            ~static_cast<uint32_t>(_mm512_movepi32_mask(_mm512_ternarylogic_epi32(e0, e1, e2, 0xFE))) & columns;
        if constexpr (kShared == 1) {
            mask[r] = static_cast<uint16_t>(in);
        } else {
            // Each row's bits in a sixteen-bit value of their own, the rows stored at once.
            const uint64_t wide = in;
            const uint64_t word = kShared == 2 ? (wide & 0xFF) | (wide & 0xFF00) << 8
                                               : (wide & 0xF) | (wide & 0xF0) << 12 | (wide & 0xF00) << 24 |
                                                     (wide & 0xF000) << 36;
            if (r + kShared <= rows) {
                std::memcpy(mask + r, &word, kShared * sizeof(uint16_t));
            } else {
                for (int t = 0; t < rows - r; ++t) {
                    mask[r + t] = static_cast<uint16_t>(word >> (16 * t));
                }
            }
        }
        e0 = _mm512_add_epi32(e0, down0);
        e1 = _mm512_add_epi32(e1, down1);
        e2 = _mm512_add_epi32(e2, down2);
    }
}

// A row of at most eight (or four) columns leaves lanes idle: two (or four) rows then share a
// register, row r + t on lanes t * width to t * width + width - 1.
inline void CoveredRowsNear(const NearEdges& edges, int columns, int rows, uint16_t* mask) {
    const uint32_t columnsMask = columns >= 16 ? 0xFFFFu : (1u << columns) - 1;
    if (columns <= 4) {
        CoveredRowsShared<4>(edges, columnsMask, rows, mask);
    } else if (columns <= 8) {
        CoveredRowsShared<2>(edges, columnsMask, rows, mask);
    } else {
        CoveredRowsShared<1>(edges, columnsMask, rows, mask);
    }
}
#endif

}  // namespace

void CoveredRowsNear16(const NearEdges& edges, int columns, int rows, uint16_t* mask) {
    CoveredRowsNear(edges, columns, rows, mask);
}

uint32_t CoveredColumns16(const int64_t* value, const int64_t (*ramp)[16], const int64_t* threshold, int columns) {
    __mmask8 inLow = 0xFF, inHigh = 0xFF;
    for (int e = 0; e < 3; ++e) {
        const __m512i base = _mm512_set1_epi64(value[e]), limit = _mm512_set1_epi64(threshold[e]);
        inLow &= _mm512_cmpge_epi64_mask(_mm512_add_epi64(base, _mm512_loadu_si512(ramp[e])), limit);
        inHigh &= _mm512_cmpge_epi64_mask(_mm512_add_epi64(base, _mm512_loadu_si512(ramp[e] + 8)), limit);
    }
    const uint32_t columnsMask = columns >= 16 ? 0xFFFFu : (1u << columns) - 1;
    return (static_cast<uint32_t>(inLow) | (static_cast<uint32_t>(inHigh) << 8)) & columnsMask;
}

void CoveredRows16(const int64_t* value, const int64_t* rowStep, const int64_t* step, const int64_t* threshold,
                   int columns, int rows, uint16_t* mask) {
    const uint32_t columnsMask = columns >= 16 ? 0xFFFFu : (1u << columns) - 1;
    // Every sample's value less the threshold fits 32 bits when the value at the top left and
    // the changes to the far corner are small enough: then a row goes in one register, and
    // the sums are exact.
    constexpr int64_t kReach = int64_t{1} << 29;  // three terms below this stay below 2^31
    bool fits = true;
    for (int e = 0; e < 3; ++e) {
        const int64_t start = value[e] - threshold[e];
        // The rows' change by a product, not a division (checked small first, so it cannot overflow).
        const int64_t down = rowStep[e] < 0 ? -rowStep[e] : rowStep[e];
        fits = fits && start > -kReach && start < kReach && down < kReach && down * (rows + 1) < kReach &&
               step[e] > -kReach / 16 && step[e] < kReach / 16;
    }
    if (fits) {
        NearEdges near;
        for (int e = 0; e < 3; ++e) {
            near.start[e] = static_cast<int32_t>(value[e] - threshold[e]);
            near.rowStep[e] = static_cast<int32_t>(rowStep[e]);
            near.step[e] = static_cast<int32_t>(step[e]);
        }
        CoveredRowsNear(near, columns, rows, mask);
    } else {
        // k * step for k = 0..7, and eight steps further for 8..15 (exact in 64 bits like the
        // one-row sums).
        const __m512i ramp = _mm512_setr_epi64(0, 1, 2, 3, 4, 5, 6, 7);
        auto lanes = [&](int e) {
            return _mm512_add_epi64(_mm512_set1_epi64(value[e]), _mm512_mullo_epi64(ramp, _mm512_set1_epi64(step[e])));
        };
        __m512i low0 = lanes(0), low1 = lanes(1), low2 = lanes(2);
        __m512i high0 = _mm512_add_epi64(low0, _mm512_set1_epi64(step[0] * 8));
        __m512i high1 = _mm512_add_epi64(low1, _mm512_set1_epi64(step[1] * 8));
        __m512i high2 = _mm512_add_epi64(low2, _mm512_set1_epi64(step[2] * 8));
        const __m512i down0 = _mm512_set1_epi64(rowStep[0]), down1 = _mm512_set1_epi64(rowStep[1]);
        const __m512i down2 = _mm512_set1_epi64(rowStep[2]);
        const __m512i limit0 = _mm512_set1_epi64(threshold[0]), limit1 = _mm512_set1_epi64(threshold[1]);
        const __m512i limit2 = _mm512_set1_epi64(threshold[2]);
        for (int r = 0; r < rows; ++r) {
            const __mmask8 inLow = _mm512_mask_cmpge_epi64_mask(
                _mm512_mask_cmpge_epi64_mask(_mm512_cmpge_epi64_mask(low0, limit0), low1, limit1), low2, limit2);
            const __mmask8 inHigh = _mm512_mask_cmpge_epi64_mask(
                _mm512_mask_cmpge_epi64_mask(_mm512_cmpge_epi64_mask(high0, limit0), high1, limit1), high2, limit2);
            mask[r] = static_cast<uint16_t>((static_cast<uint32_t>(inLow) | (static_cast<uint32_t>(inHigh) << 8)) &
                                            columnsMask);
            low0 = _mm512_add_epi64(low0, down0);
            low1 = _mm512_add_epi64(low1, down1);
            low2 = _mm512_add_epi64(low2, down2);
            high0 = _mm512_add_epi64(high0, down0);
            high1 = _mm512_add_epi64(high1, down1);
            high2 = _mm512_add_epi64(high2, down2);
        }
    }
}

namespace {

inline __m256 Magnitude(__m256 v) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v); }
inline __m512d Magnitude(__m512d v) { return _mm512_andnot_pd(_mm512_set1_pd(-0.0), v); }

// Four consecutive floats of eight records `stride` bytes apart, a register each (lane k from
// record k): four-float loads turned about, where gathers cost a load and more a lane.
inline void LoadFours8(const uint8_t* at, size_t stride, __m256* out) {
    // Record k on the low half, record k + 4 on the high one.
    auto pair = [at, stride](int k) {
        const __m128 low = _mm_loadu_ps(reinterpret_cast<const float*>(at + k * stride));
        const __m128 high = _mm_loadu_ps(reinterpret_cast<const float*>(at + (k + 4) * stride));
        return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
    };
    const __m256 v0 = pair(0), v1 = pair(1), v2 = pair(2), v3 = pair(3);
    const __m256d low01 = _mm256_castps_pd(_mm256_unpacklo_ps(v0, v1));
    const __m256d high01 = _mm256_castps_pd(_mm256_unpackhi_ps(v0, v1));
    const __m256d low23 = _mm256_castps_pd(_mm256_unpacklo_ps(v2, v3));
    const __m256d high23 = _mm256_castps_pd(_mm256_unpackhi_ps(v2, v3));
    out[0] = _mm256_castpd_ps(_mm256_unpacklo_pd(low01, low23));
    out[1] = _mm256_castpd_ps(_mm256_unpackhi_pd(low01, low23));
    out[2] = _mm256_castpd_ps(_mm256_unpacklo_pd(high01, high23));
    out[3] = _mm256_castpd_ps(_mm256_unpackhi_pd(high01, high23));
}

// The other way: lane k of the four registers to the four floats of record k.
inline void StoreFours8(uint8_t* at, size_t stride, const __m256* in) {
    const __m256d low01 = _mm256_castps_pd(_mm256_unpacklo_ps(in[0], in[1]));
    const __m256d high01 = _mm256_castps_pd(_mm256_unpackhi_ps(in[0], in[1]));
    const __m256d low23 = _mm256_castps_pd(_mm256_unpacklo_ps(in[2], in[3]));
    const __m256d high23 = _mm256_castps_pd(_mm256_unpackhi_ps(in[2], in[3]));
    const __m256 v[4] = {_mm256_castpd_ps(_mm256_unpacklo_pd(low01, low23)),
                         _mm256_castpd_ps(_mm256_unpackhi_pd(low01, low23)),
                         _mm256_castpd_ps(_mm256_unpacklo_pd(high01, high23)),
                         _mm256_castpd_ps(_mm256_unpackhi_pd(high01, high23))};
    for (int k = 0; k < 4; ++k) {
        _mm_storeu_ps(reinterpret_cast<float*>(at + k * stride), _mm256_castps256_ps128(v[k]));
        _mm_storeu_ps(reinterpret_cast<float*>(at + (k + 4) * stride), _mm256_extractf128_ps(v[k], 1));
    }
}

// LoadFours8 for sixteen records.
inline void LoadFours16(const uint8_t* at, size_t stride, __m512* out) {
    __m256 low[4], high[4];
    LoadFours8(at, stride, low);
    LoadFours8(at + 8 * stride, stride, high);
    for (int c = 0; c < 4; ++c) {
        out[c] = _mm512_insertf32x8(_mm512_castps256_ps512(low[c]), high[c], 1);
    }
}

}  // namespace

uint32_t LightVertices16(const uint8_t* vertices, uint32_t stride, uint32_t normalOffset, uint32_t count,
                         const float (*world)[4], const PreparedLighting& lighting, bool ownDiffuse,
                         const ColorF& material, ClipVertex* clip) {
    // Offsets stay within 32 bits: at most D3DMAXNUMVERTICES vertices of a few dozen bytes.
    const __m512i ramp = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i vertexAt = _mm512_mullo_epi32(ramp, _mm512_set1_epi32(static_cast<int>(stride)));
    static_assert(kDiffuseA == kDiffuseR + 3, "a vertex's diffuse values lie together");
    // A normal read as four floats stays inside its vertex when another field follows it.
    const bool wholeNormals = normalOffset + 4 * sizeof(float) <= stride;
    const __m512 zero = _mm512_setzero_ps(), one = _mm512_set1_ps(1.0f);
    auto saturate = [&](__m512 v) {
        return _mm512_maskz_min_ps(_mm512_cmp_ps_mask(v, zero, _CMP_GT_OQ), v, one);
    };
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const uint8_t* at = vertices + static_cast<size_t>(i) * stride + normalOffset;
        __m512 normal[4];
        if (wholeNormals) {
            LoadFours16(at, stride, normal);
        } else {
            const float* n = reinterpret_cast<const float*>(at);
            normal[0] = _mm512_i32gather_ps(vertexAt, n, 1);
            normal[1] = _mm512_i32gather_ps(vertexAt, n + 1, 1);
            normal[2] = _mm512_i32gather_ps(vertexAt, n + 2, 1);
        }
        const __m512 n0 = normal[0], n1 = normal[1], n2 = normal[2];
        __m512 turned[3];
        for (int c = 0; c < 3; ++c) {
            turned[c] = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(n0, _mm512_set1_ps(world[0][c])),
                                                    _mm512_mul_ps(n1, _mm512_set1_ps(world[1][c]))),
                                      _mm512_mul_ps(n2, _mm512_set1_ps(world[2][c])));
        }
        // Each clip vertex's four diffuse values, read and written whole.
        uint8_t* colours = reinterpret_cast<uint8_t*>(clip[i].attributes + kDiffuseR);
        __m512 diffuse[4];
        if (ownDiffuse) {
            LoadFours16(colours, sizeof(ClipVertex), diffuse);
        } else {
            for (int c = 0; c < 4; ++c) {
                diffuse[c] = _mm512_set1_ps((&material.r)[c]);
            }
        }
        __m512 lit[3];
        for (int c = 0; c < 3; ++c) {
            lit[c] = _mm512_set1_ps(lighting.base[c]);
        }
        for (const PreparedLighting::Light& light : lighting.lights) {
            const __m512 dot = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(turned[0], _mm512_set1_ps(light.direction[0])),
                                                           _mm512_mul_ps(turned[1], _mm512_set1_ps(light.direction[1]))),
                                             _mm512_mul_ps(turned[2], _mm512_set1_ps(light.direction[2])));
            const __m512 cosine =
                _mm512_div_ps(_mm512_xor_ps(dot, _mm512_set1_ps(-0.0f)), _mm512_set1_ps(light.length));
            const auto facing = _mm512_cmp_ps_mask(cosine, zero, _CMP_GT_OQ);
            for (int c = 0; c < 3; ++c) {
                const __m512 term =
                    _mm512_mul_ps(_mm512_mul_ps(diffuse[c], _mm512_set1_ps((&light.colour.r)[c])), cosine);
                lit[c] = _mm512_mask_add_ps(lit[c], facing, lit[c], term);
            }
        }
        const __m512 out[4] = {saturate(lit[0]), saturate(lit[1]), saturate(lit[2]), diffuse[3]};
        for (int half = 0; half < 2; ++half) {
            const __m256 eight[4] = {half == 0 ? _mm512_castps512_ps256(out[0]) : UpperEight(out[0]),
                                     half == 0 ? _mm512_castps512_ps256(out[1]) : UpperEight(out[1]),
                                     half == 0 ? _mm512_castps512_ps256(out[2]) : UpperEight(out[2]),
                                     half == 0 ? _mm512_castps512_ps256(out[3]) : UpperEight(out[3])};
            StoreFours8(colours + half * 8 * sizeof(ClipVertex), sizeof(ClipVertex), eight);
        }
    }
    return i;
}

uint32_t ProjectVertices16(const ClipVertex* clip, uint32_t count, double left, double top, double halfWidth,
                           double halfHeight, uint32_t* codes, Rasterizer::ScreenVertex* screen) {
    static_assert(sizeof(ClipVertex) == 16 * sizeof(float), "a clip vertex is sixteen floats");
    const __m256 infinity = _mm256_set1_ps(__builtin_inff());
    const __m256 zero = _mm256_setzero_ps();
    const __m512d one = _mm512_set1_pd(1.0), infinityD = _mm512_set1_pd(__builtin_inf());
    const __m512d limit = _mm512_set1_pd(65536.0);
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        static_assert(offsetof(ClipVertex, w) == 3 * sizeof(float), "a clip vertex starts with x, y, z, w");
        __m256 position[4];
        LoadFours8(reinterpret_cast<const uint8_t*>(clip + i), sizeof(ClipVertex), position);
        const __m256 x = position[0], y = position[1], z = position[2], w = position[3];
        const __mmask8 finite = _mm256_cmp_ps_mask(Magnitude(x), infinity, _CMP_LT_OQ) &
                                _mm256_cmp_ps_mask(Magnitude(y), infinity, _CMP_LT_OQ) &
                                _mm256_cmp_ps_mask(Magnitude(z), infinity, _CMP_LT_OQ) &
                                _mm256_cmp_ps_mask(Magnitude(w), infinity, _CMP_LT_OQ);
        // Each plane's signed distance, as ClipCode takes it.
        const __m256 distance[kClipPlaneCount] = {
            _mm256_sub_ps(w, _mm256_set1_ps(kMinimumW)), z, _mm256_sub_ps(w, z), _mm256_add_ps(w, x),
            _mm256_sub_ps(w, x), _mm256_add_ps(w, y), _mm256_sub_ps(w, y)};
        __m256i code = _mm256_setzero_si256();
        for (int plane = 0; plane < kClipPlaneCount; ++plane) {
            code = _mm256_mask_or_epi32(code, _mm256_cmp_ps_mask(distance[plane], zero, _CMP_LT_OQ), code,
                                        _mm256_set1_epi32(1 << plane));
        }
        code = _mm256_mask_mov_epi32(_mm256_set1_epi32(static_cast<int>(kClipInvalid)), finite, code);
        __mmask8 inside = _mm256_cmpeq_epi32_mask(code, _mm256_setzero_si256());
        const __m512d wd = _mm512_cvtps_pd(w);
        inside &= _mm512_cmp_pd_mask(wd, _mm512_setzero_pd(), _CMP_GT_OQ);
        const __m512d inverse = _mm512_div_pd(one, wd);
        const __m512d sx = _mm512_add_pd(_mm512_set1_pd(left),
                                         _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(x), inverse), one),
                                                       _mm512_set1_pd(halfWidth)));
        const __m512d sy = _mm512_add_pd(_mm512_set1_pd(top),
                                         _mm512_mul_pd(_mm512_sub_pd(one, _mm512_mul_pd(_mm512_cvtps_pd(y), inverse)),
                                                       _mm512_set1_pd(halfHeight)));
        const __mmask8 projected = inside & _mm512_cmp_pd_mask(Magnitude(sx), infinityD, _CMP_LT_OQ) &
                                   _mm512_cmp_pd_mask(Magnitude(sy), infinityD, _CMP_LT_OQ);
        code = _mm256_mask_mov_epi32(code, inside & ~projected, _mm256_set1_epi32(static_cast<int>(kClipInvalid)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(codes + i), code);
        if (projected == 0) {
            continue;
        }
        alignas(64) int64_t fx[8], fy[8];
        alignas(32) float sz[8], sq[8];
        const __m512d nearX = _mm512_min_pd(_mm512_max_pd(sx, _mm512_set1_pd(-65536.0)), limit);
        const __m512d nearY = _mm512_min_pd(_mm512_max_pd(sy, _mm512_set1_pd(-65536.0)), limit);
#if defined(LANES16)
        // Eight-lane AVX2 has no conversion between doubles and 64-bit integers, but inside the
        // clamp v * 256 + 0.5 lies well within 32 bits: floored as a double, it narrows to 32
        // bits and widens back exactly.
        auto snapFours = [&](__m512d v, int64_t* out) {
            const __m256d subPixel4 = _mm256_set1_pd(256.0), half4 = _mm256_set1_pd(0.5);
            const __m256d halves[2] = {v.lo, v.hi};
            for (int h = 0; h < 2; ++h) {
                const __m256d scaled = _mm256_floor_pd(_mm256_add_pd(_mm256_mul_pd(halves[h], subPixel4), half4));
                _mm256_store_si256(reinterpret_cast<__m256i*>(out + 4 * h),
                                   _mm256_cvtepi32_epi64(_mm256_cvttpd_epi32(scaled)));
            }
        };
        snapFours(nearX, fx);
        snapFours(nearY, fy);
#else
        // Nearest 1/256 pixel, halves upwards: floor(v * 256 + 0.5).
        auto snap = [&](__m512d v) {
            const __m512d scaled = _mm512_add_pd(_mm512_mul_pd(v, _mm512_set1_pd(256.0)), _mm512_set1_pd(0.5));
            const __m512i truncated = _mm512_cvttpd_epi64(scaled);
            const __mmask8 above = _mm512_cmp_pd_mask(_mm512_cvtepi64_pd(truncated), scaled, _CMP_GT_OQ);
            return _mm512_mask_sub_epi64(truncated, above, truncated, _mm512_set1_epi64(1));
        };
        _mm512_store_si512(fx, snap(nearX));
        _mm512_store_si512(fy, snap(nearY));
#endif
        _mm256_store_ps(sz, _mm512_cvtpd_ps(_mm512_mul_pd(_mm512_cvtps_pd(z), inverse)));
        _mm256_store_ps(sq, _mm512_cvtpd_ps(inverse));
        for (uint32_t bits = projected; bits != 0; bits &= bits - 1) {
            const int k = __builtin_ctz(bits);
            Rasterizer::ScreenVertex& out = screen[i + k];
            out.fx = fx[k];
            out.fy = fy[k];
            out.z = sz[k];
            out.q = sq[k];
            std::memcpy(out.attributes, clip[i + k].attributes, sizeof out.attributes);
        }
    }
    return i;
}

void SetUpPlanes16(const Rasterizer::ScreenVertex& a, const Rasterizer::ScreenVertex& b,
                   const Rasterizer::ScreenVertex& c, uint32_t planeMask, bool perspective, double d1x, double d1y,
                   double d2x, double d2y, double inverseArea, TrianglePlanes& out) {
    static_assert(offsetof(Rasterizer::ScreenVertex, q) == offsetof(Rasterizer::ScreenVertex, z) + 4 &&
                      offsetof(Rasterizer::ScreenVertex, attributes) == offsetof(Rasterizer::ScreenVertex, z) + 8,
                  "z, q and the attributes lie in one run of floats");
    constexpr __mmask16 kValueLanes = (1u << (2 + kAttributeCount)) - 1;
#if defined(LANES16)
    static_assert(2 + kAttributeCount == 14, "the last register holds two values of the corner");
    // Eight-lane registers: four values a register, and a register whose values are all
    // unused is not worked out (a draw reads half of them or fewer).
    const float* corners[3] = {&a.z, &b.z, &c.z};
    // What each corner's values are multiplied by: q for the attributes when perspective
    // matters, else one (which leaves them as they are), so that no blend picks the products.
    const __m256d unit = _mm256_set1_pd(1.0);
    __m256d scaleAll[3], scaleFirst[3];
    for (int v = 0; v < 3; ++v) {
        const double q = (v == 0 ? a : v == 1 ? b : c).q;
        scaleAll[v] = perspective ? _mm256_set1_pd(q) : unit;
        scaleFirst[v] = _mm256_blend_pd(unit, scaleAll[v], 0xC);  // z and q themselves unscaled
    }
    const __m256d inverse = _mm256_set1_pd(inverseArea);
    const __m256d v1x = _mm256_set1_pd(d1x), v1y = _mm256_set1_pd(d1y);
    const __m256d v2x = _mm256_set1_pd(d2x), v2y = _mm256_set1_pd(d2y);
#pragma GCC unroll 4
    for (int at = 0; at < TrianglePlanes::kValues; at += 4) {
        const unsigned planes = (planeMask & kValueLanes) >> at & 0xF;
        if (planes == 0) {
            _mm256_store_pd(out.base + at, _mm256_setzero_pd());
            _mm256_store_pd(out.dx + at, _mm256_setzero_pd());
            _mm256_store_pd(out.dy + at, _mm256_setzero_pd());
            _mm_store_ps(out.stepX + at, _mm_setzero_ps());
            _mm_store_ps(out.stepY + at, _mm_setzero_ps());
            continue;
        }
        const __m256d keep = _mm256_castsi256_pd(LANES16(Lanes64)(planes));
        __m256d value[3];
        for (int v = 0; v < 3; ++v) {
            const __m128 four = at < 12 ? _mm_loadu_ps(corners[v] + at)
                                        : _mm_castsi128_ps(_mm_loadl_epi64(
                                              reinterpret_cast<const __m128i*>(corners[v] + at)));
            value[v] = _mm256_mul_pd(_mm256_cvtps_pd(four), at == 0 ? scaleFirst[v] : scaleAll[v]);
        }
        const __m256d f1 = _mm256_sub_pd(value[1], value[0]), f2 = _mm256_sub_pd(value[2], value[0]);
        const __m256d ddx = _mm256_and_pd(
            keep, _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(f1, v2y), _mm256_mul_pd(f2, v1y)), inverse));
        const __m256d ddy = _mm256_and_pd(
            keep, _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(f2, v1x), _mm256_mul_pd(f1, v2x)), inverse));
        _mm256_store_pd(out.base + at, _mm256_and_pd(keep, value[0]));
        _mm256_store_pd(out.dx + at, ddx);
        _mm256_store_pd(out.dy + at, ddy);
        _mm_store_ps(out.stepX + at, _mm256_cvtpd_ps(ddx));
        _mm_store_ps(out.stepY + at, _mm256_cvtpd_ps(ddy));
    }
#else
    const __mmask8 lowPlanes = static_cast<__mmask8>(planeMask & kValueLanes);
    const __mmask8 highPlanes = static_cast<__mmask8>((planeMask & kValueLanes) >> 8);
    // The attributes (every value past z and q) are taken times q when perspective matters.
    const __mmask8 lowScaled = perspective ? static_cast<__mmask8>(0xFC) : 0, highScaled = perspective ? 0xFF : 0;
    __m512d lowValue[3], highValue[3];
    const Rasterizer::ScreenVertex* corners[3] = {&a, &b, &c};
    for (int v = 0; v < 3; ++v) {
        const __m512 raw = _mm512_maskz_loadu_ps(kValueLanes, &corners[v]->z);
        const __m512d q = _mm512_set1_pd(static_cast<double>(corners[v]->q));
        const __m512d low = _mm512_cvtps_pd(_mm512_castps512_ps256(raw));
        const __m512d high = _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(raw), 1)));
        lowValue[v] = _mm512_mask_mul_pd(low, lowScaled, low, q);
        highValue[v] = _mm512_mask_mul_pd(high, highScaled, high, q);
    }
    const __m512d inverse = _mm512_set1_pd(inverseArea);
    const __m512d v1x = _mm512_set1_pd(d1x), v1y = _mm512_set1_pd(d1y);
    const __m512d v2x = _mm512_set1_pd(d2x), v2y = _mm512_set1_pd(d2y);
    auto half = [&](const __m512d* value, __mmask8 planes, int at) {
        const __m512d f1 = _mm512_sub_pd(value[1], value[0]), f2 = _mm512_sub_pd(value[2], value[0]);
        const __m512d ddx =
            _mm512_maskz_mul_pd(planes, _mm512_sub_pd(_mm512_mul_pd(f1, v2y), _mm512_mul_pd(f2, v1y)), inverse);
        const __m512d ddy =
            _mm512_maskz_mul_pd(planes, _mm512_sub_pd(_mm512_mul_pd(f2, v1x), _mm512_mul_pd(f1, v2x)), inverse);
        const __m512d base = _mm512_maskz_mov_pd(planes, value[0]);
        _mm512_store_pd(out.base + at, base);
        _mm512_store_pd(out.dx + at, ddx);
        _mm512_store_pd(out.dy + at, ddy);
        _mm256_store_ps(out.stepX + at, _mm512_cvtpd_ps(ddx));
        _mm256_store_ps(out.stepY + at, _mm512_cvtpd_ps(ddy));
    };
    half(lowValue, lowPlanes, 0);
    half(highValue, highPlanes, 8);
#endif
}

PacketShader ChoosePacketShader16(TextureFormat format) {
    switch (format) {
    case TextureFormat::RGB565: return TexturedPacket16T<TextureFormat::RGB565>;
    case TextureFormat::ARGB1555: return TexturedPacket16T<TextureFormat::ARGB1555>;
    case TextureFormat::ARGB4444: return TexturedPacket16T<TextureFormat::ARGB4444>;
    case TextureFormat::RGB555: return TexturedPacket16T<TextureFormat::RGB555>;
    default: return nullptr;
    }
}

