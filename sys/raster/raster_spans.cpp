#include <algorithm>
#include <cmath>
#include <cstddef>

#include "sys/raster/pixel_packing.h"
#include "sys/raster/rasterizer.h"
#include "sys/raster/raster_spans_simd.h"
#include "sys/raster/shading.h"

// The pixel loops of the rasterizer: triangle spans found exactly from the edge functions,
// line stepping, and the per-pixel tail (z test, shading, z write, blending, colour write).
namespace sys::raster {

namespace {

constexpr int64_t kOne = 256;  // one pixel in the snapped coordinates

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
    int64_t q = a / b;
    if ((a % b) != 0 && a < 0) {
        --q;
    }
    return q;
}

int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// FloorDiv and CeilDiv by one pixel: shifts, where the division's sign fix-up weighs on small
// triangles.
constexpr int64_t FloorPixel(int64_t a) { return a >> 8; }
constexpr int64_t CeilPixel(int64_t a) { return -(-a >> 8); }
static_assert(kOne == 256 && FloorPixel(-257) == -2 && CeilPixel(-255) == 0 && CeilPixel(257) == 2,
              "whole pixels by shifts");

// An edge from p to q. For a clockwise triangle its function dx (sy - py) - dy (sx - px) is
// positive inside; a sample exactly on it counts when the edge is a top or left one.
struct Edge {
    int64_t dx, dy, px, py, threshold;
    Edge(const Rasterizer::ScreenVertex& p, const Rasterizer::ScreenVertex& q)
        : dx(q.fx - p.fx), dy(q.fy - p.fy), px(p.fx), py(p.fy),
          threshold((dy < 0 || (dy == 0 && dx > 0)) ? 0 : 1) {}
};

// What a triangle's planes are set up from: its first corner, the offsets to the other two, in
// pixels, and the inverse of their cross product.
struct PlaneFrame {
    double x0, y0, d1x, d1y, d2x, d2y, inverseArea;
    PlaneFrame(const Rasterizer::ScreenVertex& a, const Rasterizer::ScreenVertex& b, const Rasterizer::ScreenVertex& c)
        : x0(static_cast<double>(a.fx) / kOne), y0(static_cast<double>(a.fy) / kOne),
          d1x(static_cast<double>(b.fx - a.fx) / kOne), d1y(static_cast<double>(b.fy - a.fy) / kOne),
          d2x(static_cast<double>(c.fx - a.fx) / kOne), d2y(static_cast<double>(c.fy - a.fy) / kOne),
          inverseArea(1.0 / (d1x * d2y - d1y * d2x)) {}
};

uint16_t Biased(float z, int32_t bias) {
    return static_cast<uint16_t>(std::max<int32_t>(static_cast<int32_t>(DepthValue(z)) - bias, 0));
}

// One row of a triangle, specialised per target format, pixel stage and perspective so the
// loop carries no per-pixel decisions besides the z test. Returns the pixels written.
template <bool kRGB565, bool kStage, bool kPerspective>
uint64_t FillSpan(const Rasterizer::PixelPipeline& p, int64_t origin, int64_t from, int64_t last, int32_t y,
                  const float* rowStart, const float* stepX, float constantQ) {
    const int64_t first = origin;
    uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    uint16_t* depthRow =
        p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                         static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                           : nullptr;
    float attributes[kAttributeCount] = {};
    uint64_t written = 0;
    for (int64_t i = from; i <= last; ++i) {
        const float offset = static_cast<float>(i - first);
        const float z = rowStart[0] + stepX[0] * offset;
        const uint16_t depthValue = Biased(z, p.depthBias);
        if (p.depthTest) {
            const uint16_t stored = depthRow[i];
            if (!(depthValue < stored ? p.passLess
                                      : (depthValue == stored ? p.passEqual : p.passGreater))) {
                continue;
            }
        }
        float w = 1.0f / constantQ;
        float scale = 1.0f;
        if constexpr (kPerspective) {
            const float q = rowStart[1] + stepX[1] * offset;
            w = 1.0f / (q > 0.0f ? q : constantQ);
            scale = w;
        }
        ColorF colour;
        if constexpr (kStage) {
            for (int k = 0; k < kAttributeCount; ++k) {
                attributes[k] = (rowStart[2 + k] + stepX[2 + k] * offset) * scale;
            }
            const Fragment fragment{static_cast<int32_t>(i), y, z, w, attributes};
            if (!p.stage->Shade(fragment, colour)) {
                continue;
            }
        } else {
            colour.r = (rowStart[2] + stepX[2] * offset) * scale;
            colour.g = (rowStart[3] + stepX[3] * offset) * scale;
            colour.b = (rowStart[4] + stepX[4] * offset) * scale;
        }
        if (p.depthWrite) {
            depthRow[i] = depthValue;
        }
        if constexpr (kRGB565) {
            const float t = p.dither ? DitherThreshold(static_cast<int32_t>(i), y) : 0.5f;
            reinterpret_cast<uint16_t*>(row)[i] = PackRGB565(colour, t);
        } else {
            reinterpret_cast<uint32_t*>(row)[i] = PackXRGB8888(colour);
        }
        ++written;
    }
    return written;
}

// The target's pixel as 0..1 channels, for blending.
inline ColorF ReadTarget(bool rgb565, const uint8_t* row, int64_t i) {
    if (rgb565) {
        const uint32_t v = reinterpret_cast<const uint16_t*>(row)[i];
        return ColorF{static_cast<float>(v >> 11) * (1.0f / 31.0f), static_cast<float>((v >> 5) & 63) * (1.0f / 63.0f),
                      static_cast<float>(v & 31) * (1.0f / 31.0f), 1.0f};
    }
    const uint32_t v = reinterpret_cast<const uint32_t*>(row)[i];
    return ColorF{static_cast<float>((v >> 16) & 255) * (1.0f / 255.0f),
                  static_cast<float>((v >> 8) & 255) * (1.0f / 255.0f), static_cast<float>(v & 255) * (1.0f / 255.0f),
                  1.0f};
}

// Blends when asked, then stores with the target's packing.
template <bool kRGB565>
inline void StoreShaded(const Rasterizer::PixelPipeline& p, uint8_t* row, int64_t i, int32_t y, ColorF colour) {
    if (p.shade->blend) {
        colour = BlendPixel(*p.shade, colour, ReadTarget(kRGB565, row, i));
    }
    if constexpr (kRGB565) {
        const float t = p.dither ? DitherThreshold(static_cast<int32_t>(i), y) : 0.5f;
        reinterpret_cast<uint16_t*>(row)[i] = PackRGB565(colour, t);
    } else {
        reinterpret_cast<uint32_t*>(row)[i] = PackXRGB8888(colour);
    }
}

// One row through the whole colour path: every attribute, each stage's level of detail from
// the screen-space derivatives of its coordinates, then shading, z write, blending.
template <bool kRGB565, bool kPerspective>
uint64_t FillSpanShaded(const Rasterizer::PixelPipeline& p, int64_t first, int64_t from, int64_t last, int32_t y,
                        const float* rowStart, const float* stepX, const float* stepY, float constantQ,
                        uint64_t& shaded) {
    uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    uint16_t* depthRow =
        p.depth != nullptr ? reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                         static_cast<std::ptrdiff_t>(y) * p.depthPitch)
                           : nullptr;
    const ShadeState& shade = *p.shade;
    float attributes[kAttributeCount] = {};
    const int* used = p.shadedAttributes;
    const int usedCount = p.shadedAttributeCount;
    float lod[kShadedStageCount] = {};
    uint64_t written = 0;
    for (int64_t i = from; i <= last; ++i) {
        const float offset = static_cast<float>(i - first);
        const float z = rowStart[0] + stepX[0] * offset;
        const uint16_t depthValue = Biased(z, p.depthBias);
        if (p.depthTest) {
            const uint16_t stored = depthRow[i];
            if (!(depthValue < stored ? p.passLess : (depthValue == stored ? p.passEqual : p.passGreater))) {
                continue;
            }
        }
        float w = 1.0f / constantQ;
        float scale = 1.0f;
        if constexpr (kPerspective) {
            const float q = rowStart[1] + stepX[1] * offset;
            w = 1.0f / (q > 0.0f ? q : constantQ);
            scale = w;
        }
        for (int n = 0; n < usedCount; ++n) {
            const int k = used[n];
            attributes[k] = (rowStart[2 + k] + stepX[2 + k] * offset) * scale;
        }
        for (int k = 0; k < shade.stageCount; ++k) {
            if (shade.stages[k].texture == nullptr) {
                continue;
            }
            const int u = 2 + kTexture0U + 2 * shade.stages[k].coordinateSet, v = u + 1;
            float dudx = stepX[u], dvdx = stepX[v], dudy = stepY[u], dvdy = stepY[v];
            if constexpr (kPerspective) {
                dudx = (dudx - attributes[u - 2] * stepX[1]) * w;
                dvdx = (dvdx - attributes[v - 2] * stepX[1]) * w;
                dudy = (dudy - attributes[u - 2] * stepY[1]) * w;
                dvdy = (dvdy - attributes[v - 2] * stepY[1]) * w;
            }
            const float tw = p.textureSize[k][0], th = p.textureSize[k][1];
            lod[k] = LevelOfDetail(dudx * tw, dvdx * th, dudy * tw, dvdy * th);
        }
        ++shaded;
        ColorF colour;
        if (!ShadePixel(shade, attributes, lod, w, colour)) {
            continue;
        }
        if (p.depthWrite) {
            depthRow[i] = depthValue;
        }
        StoreShaded<kRGB565>(p, row, i, y, colour);
        ++written;
    }
    return written;
}

struct SpanArguments {
    const float* rowStart;
    const float* stepX;
    const float* stepY;
    float constantQ;
};

using SpanFiller = uint64_t (*)(const Rasterizer::PixelPipeline&, int64_t, int64_t, int32_t, const SpanArguments&,
                                uint64_t& shaded);

template <bool kRGB565, bool kStage, bool kPerspective>
uint64_t PlainSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y, const SpanArguments& a,
                   uint64_t& shaded) {
    uint64_t written = 0;
    int64_t from = first;
    if constexpr (!kStage) {
        // Rows go sixteen or eight pixels at a time where the processor can; what the wide loop
        // leaves, one at a time.
        if (last - first >= 15 && simd::Available16()) {
            from += simd::GouraudSpan16(p, first, last, y, a.rowStart, a.stepX, a.constantQ, kRGB565, kPerspective,
                                        written);
        } else if (simd::Available()) {
            from += simd::GouraudSpan(p, first, last, y, a.rowStart, a.stepX, a.constantQ, kRGB565, kPerspective,
                                      written);
        }
    }
    written += FillSpan<kRGB565, kStage, kPerspective>(p, first, from, last, y, a.rowStart, a.stepX, a.constantQ);
    shaded += written;
    return written;
}

template <bool kRGB565, bool kPerspective>
uint64_t ShadedSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y, const SpanArguments& a,
                    uint64_t& shaded) {
    uint64_t written = 0;
    int64_t from = first;
    if (p.wideTextured && p.levels.usable && last - first >= 15 && simd::Available16()) {
        from += simd::TexturedSpan16(p, first, last, y, a.rowStart, a.stepX, a.stepY, a.constantQ, kRGB565,
                                     kPerspective, written, shaded);
    } else if (p.wideTextured) {
        from += simd::TexturedSpan(p, first, last, y, a.rowStart, a.stepX, a.stepY, a.constantQ, kRGB565,
                                   kPerspective, written, shaded);
    }
    return written + FillSpanShaded<kRGB565, kPerspective>(p, first, from, last, y, a.rowStart, a.stepX, a.stepY,
                                                           a.constantQ, shaded);
}

SpanFiller ChooseSpanFiller(bool rgb565, bool stage, bool shaded, bool perspective) {
    if (shaded && !stage) {
        static constexpr SpanFiller kShaded[4] = {ShadedSpan<false, false>, ShadedSpan<false, true>,
                                                  ShadedSpan<true, false>, ShadedSpan<true, true>};
        return kShaded[(rgb565 ? 2 : 0) + (perspective ? 1 : 0)];
    }
    static constexpr SpanFiller kFillers[8] = {
        PlainSpan<false, false, false>, PlainSpan<false, false, true>, PlainSpan<false, true, false>,
        PlainSpan<false, true, true>,   PlainSpan<true, false, false>, PlainSpan<true, false, true>,
        PlainSpan<true, true, false>,   PlainSpan<true, true, true>};
    return kFillers[(rgb565 ? 4 : 0) + (stage ? 2 : 0) + (perspective ? 1 : 0)];
}

// What a packet's rows are shaded with: the draw's packet shading, the triangle's steps, its q where
// that is constant, and the target and perspective choices.
struct PacketShading {
    simd::PacketShader shader;
    const float* stepX;
    const float* stepY;
    float constantQ;
    bool rgb565;
    bool perspective;
};

// Draws a packet of `rows` rows in `groups` groups, the first groups' row counts in
// `groupRows` and the last group's from row `lastStart` on: the wide path, then one by one the
// rows it left. Out of line, so the row loop that fills packets keeps its counts in registers.
__attribute__((noinline)) void FlushPacket(const Rasterizer::PixelPipeline& p, simd::RowPacket& packet, int rows,
                                           int groups, const int* groupRows, int lastStart,
                                           const PacketShading& s, RasterCounters& counters) {
    packet.rows = rows;
    packet.groups = groups;
    for (int g = 0; g + 1 < groups; ++g) {
        packet.groupRows[g] = groupRows[g];
    }
    packet.groupRows[groups - 1] = rows - lastStart;
    const int drawn =
        s.shader(p, packet, s.stepX, s.stepY, s.constantQ, s.rgb565, s.perspective, counters.pixels, counters.shaded);
    if (drawn < rows) {
        const SpanFiller fill = ChooseSpanFiller(s.rgb565, false, true, s.perspective);
        float rowStart[simd::TrianglePlanes::kValues] = {};
        const SpanArguments rowArguments{rowStart, s.stepX, s.stepY, s.constantQ};
        for (int r = drawn; r < rows; ++r) {
            packet.Starts(r, rowStart);
            counters.pixels += fill(p, packet.first[r], packet.last[r], packet.y[r], rowArguments, counters.shaded);
        }
    }
}

}  // namespace

inline bool Rasterizer::DepthPasses(int32_t x, int32_t y, uint16_t depthValue) const {
    const PixelPipeline& p = m_pipe;
    if (!p.depthTest) {
        return true;
    }
    const uint16_t stored = reinterpret_cast<const uint16_t*>(
        reinterpret_cast<const uint8_t*>(p.depth) + static_cast<std::ptrdiff_t>(y) * p.depthPitch)[x];
    return depthValue < stored ? p.passLess : (depthValue == stored ? p.passEqual : p.passGreater);
}

inline void Rasterizer::WriteFragment(RasterCounters& counters, int32_t x, int32_t y, uint16_t depthValue, float z,
                                      float w, const float* attributes) {
    const PixelPipeline& p = m_pipe;
    ColorF colour;
    ++counters.shaded;
    if (p.shade != nullptr) {
        // A line has no footprint across: it samples the largest level.
        static constexpr float kLargestLevel[kShadedStageCount] = {-64.0f, -64.0f};
        if (!ShadePixel(*p.shade, attributes, kLargestLevel, w, colour)) {
            return;
        }
        if (p.depthWrite) {
            uint16_t* row = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                        static_cast<std::ptrdiff_t>(y) * p.depthPitch);
            row[x] = depthValue;
        }
        uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
        if (p.format == PixelFormat::RGB565) {
            StoreShaded<true>(p, row, x, y, colour);
        } else {
            StoreShaded<false>(p, row, x, y, colour);
        }
        ++counters.pixels;
        return;
    }
    if (p.stage != nullptr) {
        Fragment fragment{x, y, z, w, attributes};
        if (!p.stage->Shade(fragment, colour)) {
            return;
        }
    } else {
        colour = ColorF{attributes[kDiffuseR], attributes[kDiffuseG], attributes[kDiffuseB], 1.0f};
    }
    if (p.depthWrite) {
        uint16_t* row = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(p.depth) +
                                                    static_cast<std::ptrdiff_t>(y) * p.depthPitch);
        row[x] = depthValue;
    }
    uint8_t* row = p.pixels + static_cast<std::ptrdiff_t>(y) * p.pitch;
    if (p.format == PixelFormat::RGB565) {
        const float t = p.dither ? DitherThreshold(x, y) : 0.5f;
        reinterpret_cast<uint16_t*>(row)[x] = PackRGB565(colour, t);
    } else {
        reinterpret_cast<uint32_t*>(row)[x] = PackXRGB8888(colour);
    }
    ++counters.pixels;
}

// A small textured triangle's short rows share sixteen-lane groups instead of each taking one
// of its own; the rows left over by the wide path are drawn one by one. On its own, so the
// general row loop's values do not crowd its registers. Taken into RasterizeTriangle, its only
// caller, so that its bounds need not go by the stack.
__attribute__((always_inline)) inline void Rasterizer::PackTriangleRows(Band& band, const ScreenVertex& a,
                                                                        const ScreenVertex& b, const ScreenVertex& c,
                                                                        int64_t left, int64_t right, int64_t top,
                                                                        int64_t bottom, int64_t firstStrip,
                                                                        int64_t lastStrip, bool near) {
    const PixelPipeline& p = m_pipe;
    RasterCounters& counters = band.counters;
    const PlaneFrame f(a, b, c);
    const bool perspective = !(a.q == b.q && b.q == c.q);
    simd::TrianglePlanes plane;
    simd::SetUpPlanes16(a, b, c, m_planeMask, perspective, f.d1x, f.d1y, f.d2x, f.d2y, f.inverseArea, plane);
    const bool rgb565 = p.format == PixelFormat::RGB565;
    auto stripTop = [&top](int64_t strip) { return std::max(top, strip * kBandRows); };
    auto stripBottom = [&bottom](int64_t strip) { return std::min(bottom, strip * kBandRows + kBandRows - 1); };
    simd::RowPacket packet;
    packet.planeCount = m_planeCount;
    packet.planes = m_planes;
    packet.base = plane.base;
    packet.dx = plane.dx;
    packet.dy = plane.dy;
    packet.x0 = f.x0;
    packet.y0 = f.y0;
    const PacketShading shading{m_packetShader, plane.stepX, plane.stepY, a.q, rgb565, perspective};
    // The packet's counts live in registers while rows are added and are handed over at each
    // flush, so adding a row does not wait on the last row's stores, nor the flush on a wide
    // load of narrow stores: the rows so far, the lanes used in the last group, the groups
    // begun, each earlier group's rows and the last group's first row. A row that does not fit
    // the last group's lanes begins a new group, or a new packet after the last group. Up to
    // four groups a packet, so that most small triangles take one packet and its set-up.
    constexpr int kLanes = simd::RowPacket::kLanes;
    constexpr int kGroups = simd::RowPacket::kGroups;
    int rowCount = 0, lanes = 0, groups = 1, lastStart = 0;
    int groupRows[kGroups] = {};
    // A strip's rows go to the coverage step at once.
    uint16_t covered[kBandRows];
    const int columns = static_cast<int>(right - left + 1);
    const int32_t column0 = static_cast<int32_t>(left);
    // When `near`, every edge value less its threshold at a sample in the bounding box fits 32
    // bits (RasterizeTriangle): then the values are worked out in 32 bits, exactly, and the
    // coverage needs no range checks (its lanes outside the box may wrap; they are masked or
    // never stored).
    const ScreenVertex* from[3] = {&a, &b, &c};
    const ScreenVertex* to[3] = {&b, &c, &a};
    simd::NearEdges nearEdges;
    // Each edge's value less its threshold at the left column of row 0: a strip's start is
    // this plus rowStep times its top row (exact in 64 bits, and the sum fits 32).
    int64_t nearRow0[3];
    if (near) {
        for (int e = 0; e < 3; ++e) {
            const Edge edge(*from[e], *to[e]);
            nearEdges.rowStep[e] = static_cast<int32_t>(edge.dx * kOne);
            nearEdges.step[e] = static_cast<int32_t>(-edge.dy * kOne);
            nearRow0[e] = -edge.dx * edge.py - edge.dy * (left * kOne - edge.px) - edge.threshold;
        }
    }
    for (int64_t strip = firstStrip; strip <= lastStrip; strip += band.count) {
        const int64_t rowTop = stripTop(strip), rowBottom = stripBottom(strip);
        const int rows = static_cast<int>(rowBottom - rowTop + 1);
        if (near) {
            for (int e = 0; e < 3; ++e) {
                nearEdges.start[e] = static_cast<int32_t>(nearRow0[e] + nearEdges.rowStep[e] * rowTop);
            }
            simd::CoveredRowsNear16(nearEdges, columns, rows, covered);
        } else {
            // Each edge's value at the left column of the strip's top row, its change from one
            // row to the next and from one column to the next (whole numbers, so adding them up
            // gives exactly the products).
            int64_t value[3], rowStep[3], step[3], threshold[3];
            for (int e = 0; e < 3; ++e) {
                const Edge edge(*from[e], *to[e]);
                step[e] = -edge.dy * kOne;
                value[e] = edge.dx * (rowTop * kOne - edge.py) + edge.dy * edge.px + step[e] * left;
                rowStep[e] = edge.dx * kOne;
                threshold[e] = edge.threshold;
            }
            simd::CoveredRows16(value, rowStep, step, threshold, columns, rows, covered);
        }
        const int32_t row0 = static_cast<int32_t>(rowTop);
        for (int r = 0; r < rows; ++r) {
            const uint32_t mask = covered[r];
            if (mask == 0) {
                continue;
            }
            // The lowest and highest covered columns (31 - clz as an exclusive or, one bit scan).
            const int32_t first = __builtin_ctz(mask), last = __builtin_clz(mask) ^ 31;
            const int width = last - first + 1;
            if (lanes + width > kLanes) {
                if (groups == kGroups) {
                    FlushPacket(p, packet, rowCount, groups, groupRows, lastStart, shading, counters);
                    rowCount = 0;
                    groups = 1;
                } else {
                    groupRows[groups - 1] = rowCount - lastStart;
                    ++groups;
                }
                lastStart = rowCount;
                lanes = 0;
            }
            packet.y[rowCount] = row0 + r;
            packet.first[rowCount] = column0 + first;
            packet.last[rowCount] = column0 + last;
            ++rowCount;
            lanes += width;
        }
        // A band that takes every strip goes on filling the packet into the next strip.
        if (rowCount != 0 && (band.count != 1 || strip == lastStrip)) {
            FlushPacket(p, packet, rowCount, groups, groupRows, lastStart, shading, counters);
            rowCount = 0;
            lanes = 0;
            groups = 1;
            lastStart = 0;
        }
    }
}

void Rasterizer::RasterizeTriangle(Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    const PixelPipeline& p = m_pipe;
    const int64_t minX = std::min({a.fx, b.fx, c.fx}), maxX = std::max({a.fx, b.fx, c.fx});
    const int64_t minY = std::min({a.fy, b.fy, c.fy}), maxY = std::max({a.fy, b.fy, c.fy});
    const int64_t left = std::max<int64_t>(CeilPixel(minX), p.left);
    const int64_t right = std::min<int64_t>(FloorPixel(maxX), p.right - 1);
    const int64_t top = std::max<int64_t>(CeilPixel(minY), p.top);
    const int64_t bottom = std::min<int64_t>(FloorPixel(maxY), p.bottom - 1);
    if (left > right || top > bottom) {
        return;
    }
    // The first of this pass's strips that the rows reach; past the last, nothing to set up.
    const int64_t lastStrip = bottom / kBandRows;
    int64_t firstStrip = top / kBandRows;
    if (band.count > 1) {  // one pass takes every strip, and the divisions weigh on small triangles
        firstStrip += ((band.index - firstStrip % band.count) % band.count + band.count) % band.count;
    }
    if (firstStrip > lastStrip) {
        return;
    }
    const bool narrow = right - left < 16;
    if (narrow && m_packRows) {
        // Under kNear snapped steps each way, every edge value less its threshold at a sample
        // in the bounding box fits 32 bits: the edge's dx and dy and the sample's offsets from
        // the edge's start are each below kNear in size (the box's corners lie within the
        // corners' extent), so |dx * oy - dy * ox - threshold| <= 2 * (kNear - 1)^2 + 1 < 2^29.
        constexpr int64_t kNear = int64_t{1} << 14;
        const bool near = maxX - minX < kNear && maxY - minY < kNear;
        PackTriangleRows(band, a, b, c, left, right, top, bottom, firstStrip, lastStrip, near);
        return;
    }
    RasterizeRows(band, a, b, c, left, right, top, bottom, firstStrip, lastStrip);
}

// The rows of a triangle that is not packed, strip by strip. Out of line, so that the packed
// small triangles' way through RasterizeTriangle keeps few registers to save.
__attribute__((noinline)) void Rasterizer::RasterizeRows(Band& band, const ScreenVertex& a, const ScreenVertex& b,
                                                         const ScreenVertex& c, int64_t left, int64_t right,
                                                         int64_t top, int64_t bottom, int64_t firstStrip,
                                                         int64_t lastStrip) {
    const PixelPipeline& p = m_pipe;
    const bool narrow = right - left < 16;
    RasterCounters& counters = band.counters;
    const Edge edges[3] = {Edge(a, b), Edge(b, c), Edge(c, a)};

    // Plane equations of z, q = 1/w and the attributes (times q when perspective matters)
    // over the snapped corners, so what is interpolated matches what is covered.
    const bool perspective = !(a.q == b.q && b.q == c.q);
    const int* planes = m_planes;
    const int count = m_planeCount;
    const PlaneFrame frame(a, b, c);
    const double x0 = frame.x0, y0 = frame.y0, d1x = frame.d1x, d1y = frame.d1y, d2x = frame.d2x, d2y = frame.d2y;
    const double inverseArea = frame.inverseArea;
    simd::TrianglePlanes plane;
    if (m_wide16) {
        simd::SetUpPlanes16(a, b, c, m_planeMask, perspective, d1x, d1y, d2x, d2y, inverseArea, plane);
    } else {
        std::fill_n(plane.stepX, simd::TrianglePlanes::kValues, 0.0f);
        std::fill_n(plane.stepY, simd::TrianglePlanes::kValues, 0.0f);
        const ScreenVertex* corners[3] = {&a, &b, &c};
        double value[3][2 + kAttributeCount];
        for (int v = 0; v < 3; ++v) {
            const ScreenVertex& s = *corners[v];
            value[v][0] = s.z;
            value[v][1] = s.q;
            for (int n = 2; n < count; ++n) {
                const int k = planes[n] - 2;
                value[v][2 + k] = perspective ? static_cast<double>(s.attributes[k]) * s.q
                                              : static_cast<double>(s.attributes[k]);
            }
        }
        for (int n = 0; n < count; ++n) {
            const int k = planes[n];
            const double f1 = value[1][k] - value[0][k], f2 = value[2][k] - value[0][k];
            plane.base[k] = value[0][k];
            plane.dx[k] = (f1 * d2y - f2 * d1y) * inverseArea;
            plane.dy[k] = (f2 * d1x - f1 * d2x) * inverseArea;
            plane.stepX[k] = static_cast<float>(plane.dx[k]);
            plane.stepY[k] = static_cast<float>(plane.dy[k]);
        }
    }
    const float* stepX = plane.stepX;
    const float* stepY = plane.stepY;

    // Each edge's value at the left column of the top row, its change from one row to the
    // next and from one column to the next (whole numbers, so adding them up gives exactly
    // the products).
    const int64_t thresholds[3] = {edges[0].threshold, edges[1].threshold, edges[2].threshold};
    int64_t step[3], rowValue[3], rowStep[3];
    auto startRows = [&](int64_t rowTop) {
        for (int e = 0; e < 3; ++e) {
            step[e] = -edges[e].dy * kOne;
            rowValue[e] = edges[e].dx * (rowTop * kOne - edges[e].py) + edges[e].dy * edges[e].px + step[e] * left;
            rowStep[e] = edges[e].dx * kOne;
        }
    };
    // The rows of each of the pass's strips in turn. Each strip's rows are drawn on their own
    // (a small triangle's row groups end at a strip's edge), so they come out the same
    // whichever pass draws them.
    auto stripTop = [&top](int64_t strip) { return std::max(top, strip * kBandRows); };
    auto stripBottom = [&bottom](int64_t strip) { return std::min(bottom, strip * kBandRows + kBandRows - 1); };

    const bool rgb565 = p.format == PixelFormat::RGB565;
    float rowStart[simd::TrianglePlanes::kValues] = {};
    const SpanArguments arguments{rowStart, stepX, stepY, a.q};
    const SpanFiller fill = ChooseSpanFiller(rgb565, p.stage != nullptr, p.shade != nullptr, perspective);
    const bool wideCoverage = narrow && m_wide16;
    int64_t ramp[3][simd::RowPacket::kLanes];
    if (narrow) {
        startRows(top);
        for (int e = 0; e < 3; ++e) {
            ramp[e][0] = 0;
            for (int k = 1; k < simd::RowPacket::kLanes; ++k) {
                ramp[e][k] = ramp[e][k - 1] + step[e];
            }
        }
    }
    for (int64_t strip = firstStrip; strip <= lastStrip; strip += band.count) {
        const int64_t rowTop = stripTop(strip), rowBottom = stripBottom(strip);
        if (narrow) {
            startRows(rowTop);
        }
        for (int64_t j = rowTop; j <= rowBottom; ++j) {
            const int64_t sampleY = j * kOne;
            int64_t first = left, last = right;
            if (narrow) {
                // Few samples across: walk them with the edge values instead of dividing.
                int64_t value[3];
                for (int e = 0; e < 3; ++e) {
                    value[e] = rowValue[e];
                    rowValue[e] += rowStep[e];
                }
                first = right + 1;
                last = left - 1;
                if (wideCoverage) {
                    const uint32_t covered =
                        simd::CoveredColumns16(value, ramp, thresholds, static_cast<int>(right - left + 1));
                    if (covered != 0) {
                        first = left + __builtin_ctz(covered);
                        last = left + 31 - __builtin_clz(covered);
                    }
                }
                for (int64_t i = wideCoverage ? right + 1 : left; i <= right; ++i) {
                    if (value[0] >= edges[0].threshold && value[1] >= edges[1].threshold &&
                        value[2] >= edges[2].threshold) {
                        first = std::min(first, i);
                        last = i;
                    }
                    value[0] += step[0];
                    value[1] += step[1];
                    value[2] += step[2];
                }
            } else {
                for (const Edge& e : edges) {
                    // E(i) = K - dy * 256 * i must reach the edge's threshold.
                    const int64_t k = e.dx * (sampleY - e.py) + e.dy * e.px;
                    if (e.dy == 0) {
                        if (k < e.threshold) {
                            first = last + 1;
                        }
                    } else if (e.dy < 0) {
                        first = std::max(first, CeilDiv(e.threshold - k, -e.dy * kOne));
                    } else {
                        last = std::min(last, FloorDiv(k - e.threshold, e.dy * kOne));
                    }
                }
            }
            if (first > last) {
                continue;
            }
            const double rx = static_cast<double>(first) - x0, ry = static_cast<double>(j) - y0;
            for (int n = 0; n < count; ++n) {
                const int k = planes[n];
                rowStart[k] = static_cast<float>(plane.base[k] + plane.dx[k] * rx + plane.dy[k] * ry);
            }
            counters.pixels += fill(p, first, last, static_cast<int32_t>(j), arguments, counters.shaded);
        }
    }
}

void Rasterizer::RasterizeSegment(Band& band, const ScreenVertex& a, const ScreenVertex& b) {
    const PixelPipeline& p = m_pipe;
    const double ax = static_cast<double>(a.fx) / kOne, ay = static_cast<double>(a.fy) / kOne;
    const double bx = static_cast<double>(b.fx) / kOne, by = static_cast<double>(b.fy) / kOne;
    const bool xMajor = std::fabs(bx - ax) >= std::fabs(by - ay);
    const double major0 = xMajor ? ax : ay, major1 = xMajor ? bx : by;
    const double minor0 = xMajor ? ay : ax, minor1 = xMajor ? by : bx;
    if (major0 == major1) {
        return;
    }
    // The columns (or rows) whose sample lies in [major0, major1) in the direction of travel,
    // or in [major0, major1] when the last pixel is drawn.
    int64_t first, last, step;
    if (major1 > major0) {
        first = static_cast<int64_t>(std::ceil(major0));
        last = p.lastPixel ? static_cast<int64_t>(std::floor(major1))
                           : static_cast<int64_t>(std::ceil(major1)) - 1;
        step = 1;
    } else {
        first = static_cast<int64_t>(std::floor(major0));
        last = p.lastPixel ? static_cast<int64_t>(std::ceil(major1))
                           : static_cast<int64_t>(std::floor(major1)) + 1;
        step = -1;
    }
    const int64_t count = (last - first) * step + 1;
    float aq[kAttributeCount], bq[kAttributeCount], attributes[kAttributeCount] = {};
    for (int k = 0; k < p.attributeCount; ++k) {
        aq[k] = a.attributes[k] * a.q;
        bq[k] = b.attributes[k] * b.q;
    }
    for (int64_t n = 0; n < count; ++n) {
        const int64_t major = first + n * step;
        const double s = std::clamp((static_cast<double>(major) - major0) / (major1 - major0), 0.0, 1.0);
        const int64_t minor = static_cast<int64_t>(std::floor(minor0 + s * (minor1 - minor0) + 0.5));
        const int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < p.left || x >= p.right || y < p.top || y >= p.bottom) {
            continue;
        }
        const float t = static_cast<float>(s);
        const float z = a.z + (b.z - a.z) * t;
        const uint16_t depthValue = Biased(z, p.depthBias);
        if (!DepthPasses(static_cast<int32_t>(x), static_cast<int32_t>(y), depthValue)) {
            continue;
        }
        const float q = a.q + (b.q - a.q) * t;
        const float w = 1.0f / q;
        for (int k = 0; k < p.attributeCount; ++k) {
            attributes[k] = (aq[k] + (bq[k] - aq[k]) * t) * w;
        }
        WriteFragment(band.counters, static_cast<int32_t>(x), static_cast<int32_t>(y), depthValue, z, w, attributes);
    }
}

}  // namespace sys::raster
