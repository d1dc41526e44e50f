#pragma once

#include <cstdint>

#include "sys/raster/rasterizer.h"

// Wide versions of the rasterizer's plain Gouraud span and of its textured span in the common
// states: eight or sixteen pixels at a time (and small triangles' short rows packed into shared
// groups), on the processor path chosen at run time (ActiveIsa); the build assumes nothing past
// the x86-64 baseline. The sixteen-lane loops are one source for AVX-512 and for AVX2, where
// each of their steps takes two eight-lane registers; with them the per-vertex lighting and
// projection and the per-triangle plane setup and row coverage go wide too. They compute exactly what the
// one-lane code computes, in the same order, so images do not change with the processor; the
// one exception is the sixteen-pixel textured loop with a linear filter and no alpha test,
// which trades exactness for speed and stays within one step per channel of the one-pixel
// loop's colours (z values and the pixels written still match). Used by the rasterizer only.
namespace sys::raster::simd {

// The processor paths of the wide loops, narrowest first: none (one pixel at a time), AVX2
// with FMA (eight lanes, and the sixteen-lane loops as pairs of eight), AVX-512.
enum class Isa { Scalar, Avx2, Avx512 };

// The widest path this processor has.
Isa BestIsa();
// The path the loops take: the one TARVEX_RASTER_ISA names ("avx512", "avx2" or "scalar")
// when the processor has it, else the best it has (a name it lacks or does not know is
// reported on standard error once).
Isa ActiveIsa();
// Makes the loops take `isa`, or the widest below it that the processor has, so tests and
// benchmarks can reach every path; returns the one taken.
Isa UseIsa(Isa isa);
// The path a TARVEX_RASTER_ISA value `name` (null when unset) chooses on a processor whose
// best is `best`: the one it names, or `best` when unset, unknown or past `best` (those two
// said on standard error).
Isa ChooseIsa(const char* name, Isa best);
// "avx512", "avx2" or "scalar".
const char* IsaName(Isa isa);

// Whether the wide loops run: on any path but the scalar one.
bool Available();

// Fills a plain Gouraud row from `first` in groups of eight, as the one-pixel loop would with
// offsets counted from `first`; a last, partial group runs with its spare lanes masked when
// its eight pixels lie inside the drawing rectangle. Returns how many pixels it went over; the
// caller finishes the rest. `written` grows by the pixels stored.
int64_t GouraudSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                    const float* rowStart, const float* stepX, float constantQ, bool rgb565, bool perspective,
                    uint64_t& written);

// Whether the sixteen-pixel loops can run here (on AVX-512, or as pairs of eight lanes on AVX2);
// only when Available() too.
bool Available16();
// Switches the sixteen-pixel loops off or back on, so tests can reach the eight-pixel ones on
// processors that have both.
void Enable16(bool on);
// GouraudSpan sixteen pixels at a time; it goes over the whole row, a short last group
// included (its spare lanes masked).
int64_t GouraudSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                      const float* rowStart, const float* stepX, float constantQ, bool rgb565, bool perspective,
                      uint64_t& written);

// TexturedSpan sixteen pixels at a time, with the same early stop, for draws whose level
// table (PixelPipeline::levels) is usable.
int64_t TexturedSpan16(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                       const float* rowStart, const float* stepX, const float* stepY, float constantQ, bool rgb565,
                       bool perspective, uint64_t& written, uint64_t& shaded);

// The columns of a row of at most sixteen samples inside all three edges of a triangle: bit k
// set when value[e] + ramp[e][k] >= threshold[e] for every edge e, for k below `columns`.
uint32_t CoveredColumns16(const int64_t* value, const int64_t (*ramp)[16], const int64_t* threshold, int columns);

// The same for `rows` consecutive rows at once: mask[r] has bit k set when
// value[e] + r * rowStep[e] + k * step[e] >= threshold[e] for every edge e, for k below
// `columns` (at most sixteen). value is only read, one by one: the caller has just stored it
// so, and a wide load would wait for those stores to land.
void CoveredRows16(const int64_t* value, const int64_t* rowStep, const int64_t* step, const int64_t* threshold,
                   int columns, int rows, uint16_t* mask);

// A triangle's three edges over a block of samples, whose values less the thresholds the
// caller has shown to fit 32 bits at every sample up to sixteen columns and three rows past
// the block: the value less the threshold at the block's top left, and its change from one
// row to the next and from one column to the next.
struct NearEdges {
    int32_t start[3];
    int32_t rowStep[3];
    int32_t step[3];
};
// CoveredRows16 for such edges: mask[r] has bit k set when
// start[e] + r * rowStep[e] + k * step[e] >= 0 for every edge e, for k below `columns`.
void CoveredRowsNear16(const NearEdges& edges, int columns, int rows, uint16_t* mask);

// Rasterizer::Light for `count` vertices sixteen at a time (LightVertex's float arithmetic,
// lane for lane): each vertex's normal at byte `normalOffset` of `vertices` (stride apart)
// turned by `world`, its diffuse colour the one in its clip vertex's attributes when
// `ownDiffuse`, else `material`; the lit colour replaces the clip vertex's diffuse. Returns how
// many it did; the caller does the rest.
uint32_t LightVertices16(const uint8_t* vertices, uint32_t stride, uint32_t normalOffset, uint32_t count,
                         const float (*world)[4], const PreparedLighting& lighting, bool ownDiffuse,
                         const ColorF& material, ClipVertex* clip);

// The outcodes (ClipCode) of clip-space vertices and, for those inside the volume, their
// screen corners (Rasterizer::Project's double arithmetic, lane for lane) for a viewport at
// (left, top) of half size (halfWidth, halfHeight); a vertex inside that does not project gets
// kClipInvalid, and only projected vertices' corners are written. Goes eight at a time and
// returns how many it did; the caller does the rest.
uint32_t ProjectVertices16(const ClipVertex* clip, uint32_t count, double left, double top, double halfWidth,
                           double halfHeight, uint32_t* codes, Rasterizer::ScreenVertex* screen);

// A triangle's planes of z, q and the attributes over its corners a, b, c, by value index
// (z, q, then the attributes; those not in `planeMask` are zero): each corner's value (an
// attribute times q when `perspective`), the value at a, and its change per pixel across and
// down, from the corners' offsets d1 = b - a, d2 = c - a and the inverse of their cross
// product. Worked out in doubles with the one-value setup's roundings, lane for lane; the
// steps are also rounded to float.
struct TrianglePlanes {
    static constexpr int kValues = 16;
    alignas(64) double base[kValues];
    alignas(64) double dx[kValues];
    alignas(64) double dy[kValues];
    alignas(64) float stepX[kValues];
    alignas(64) float stepY[kValues];
};
void SetUpPlanes16(const Rasterizer::ScreenVertex& a, const Rasterizer::ScreenVertex& b,
                   const Rasterizer::ScreenVertex& c, uint32_t planeMask, bool perspective, double d1x, double d1y,
                   double d2x, double d2y, double inverseArea, TrianglePlanes& out);

// Short rows of one triangle gathered for up to four sixteen-lane groups: each group's rows'
// pixels first..last on consecutive lanes. A row's starting values (z, q, then the attributes,
// as the span loops take them) are the triangle's planes at the row's first pixel: for the
// value k = planes[n], float(base[k] + dx[k] * rx + dy[k] * ry), with (rx, ry) the pixel less the
// plane origin (x0, y0), in doubles (exact: whole pixels less a corner's 1/256 steps).
struct RowPacket {
    static constexpr int kLanes = 16;
    static constexpr int kGroups = 4;
    static constexpr int kRows = kLanes * kGroups;
    int rows = 0;
    int groups = 1;
    int groupRows[kGroups] = {};
    int32_t y[kRows];
    int32_t first[kRows];
    int32_t last[kRows];
    double x0 = 0.0;
    double y0 = 0.0;
    int planeCount = 0;
    const int* planes = nullptr;
    const double* base = nullptr;
    const double* dx = nullptr;
    const double* dy = nullptr;

    // Row r's starting values into start (indexed by plane).
    void Starts(int r, float* start) const {
        for (int n = 0; n < planeCount; ++n) {
            const int k = planes[n];
            const double rx = static_cast<double>(first[r]) - x0, ry = static_cast<double>(y[r]) - y0;
            start[k] = static_cast<float>(base[k] + dx[k] * rx + dy[k] * ry);
        }
    }
};

// The common textured colour path over a packet's pixels, its groups together, for draws
// whose level table is usable. Returns how many of its rows it drew: all, or those of the groups
// before one with a pixel that needs the one-texel sampler (the caller then draws the rest itself).
using PacketShader = int (*)(const Rasterizer::PixelPipeline& p, const RowPacket& packet, const float* stepX,
                             const float* stepY, float constantQ, bool rgb565, bool perspective, uint64_t& written,
                             uint64_t& shaded);
// The packet shading for the draw's texture format on the active path, chosen once a draw so
// that a packet goes straight to it; null for a format it does not take.
PacketShader ChoosePacketShader(const Rasterizer::PixelPipeline& p);

// Whether a draw's colour path is one the wide textured loop covers: one textured stage in a
// common form (StageState::Form), a 16-bit texture whose levels are powers of two, wrap or
// clamp addressing, the same filter for magnification and minification, no colour key, no
// specular, and no blending or the usual alpha blend. Fog and the alpha test may be on.
bool CoversTexturedPath(const ShadeState& shade);

// How far (as a factor) a squared footprint scaled for point selection must lie from a power
// of four, a rounding boundary, for the fast textured loops' estimate of the level to be the
// exact one: 2/1024 in its log2, 1/1024 of a level.
constexpr float kPointMargin = 1.00136f;

// Works out the draw's part of the fast textured loops (PixelPipeline::fast) from the rest of
// the pipeline, once it is set up with its level table; not usable where the table is not.
void PrepareFastTextured(Rasterizer::PixelPipeline& p);

// The same as GouraudSpan for such a colour path (FillSpanShaded's work). `shaded` grows by
// the pixels that passed the z test. It may stop before the end of the row (a sample that
// would need the one-texel sampler's care); the caller finishes from where it stopped.
int64_t TexturedSpan(const Rasterizer::PixelPipeline& p, int64_t first, int64_t last, int32_t y,
                     const float* rowStart, const float* stepX, const float* stepY, float constantQ, bool rgb565,
                     bool perspective, uint64_t& written, uint64_t& shaded);

}  // namespace sys::raster::simd
