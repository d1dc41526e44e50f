#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sys/raster/band_workers.h"
#include "sys/raster/clipper.h"
#include "sys/raster/lighting.h"
#include "sys/raster/raster_types.h"
#include "sys/raster/shading.h"
#include "sys/raster/texture.h"
#include "sys/raster/vertex_format.h"
#include "sys/window/window.h"

// The software rasterizer under our Direct3D device: it takes untransformed vertices in the
// flexible vertex formats, runs them through world, view and projection, clips them against
// the view volume, maps them through the DirectX 6 viewport record and fills triangles and
// lines into a 16- or 32-bit render target with Gouraud colour, a 16-bit z-buffer, ordered
// dithering, two texture stages, specular, table fog, alpha test, alpha blending and vertex
// lighting. It draws at the call, so a caller's timing of a draw means what it says.
//
// Rasterization rules, fixed so that reference images and hand-worked pixels agree:
// - Pixel (i, j) is sampled at the point (i, j) of the screen space the viewport maps to; the
//   viewport's left edge is x = dwX, so a viewport of width 64 covers samples 0..63.
// - Corners are snapped to 1/256 pixel. A sample on an edge belongs to the triangle only when
//   the edge is a top edge (horizontal, triangle below it) or a left edge, so triangles that
//   share an edge never both cover, nor both miss, a pixel on it.
// - Lines step along their longer axis and cover the samples from the first end to the last,
//   rounding the other axis to the nearest pixel (halves go down/right). With
//   D3DRENDERSTATE_LASTPIXEL off the sample at the last end is left out, so joined lines
//   touch each pixel once.
// - Colour, specular and texture coordinates are interpolated perspective-correct; z is
//   interpolated in screen space and stored as round(z * 65535) minus the z bias (one unit
//   of D3DRENDERSTATE_ZBIAS is one z-buffer step nearer).
// - 16-bit targets: each channel becomes floor(c * (2^bits - 1) + t) with t from a 4x4
//   ordered-dither matrix when dithering is on, t = 0.5 (nearest) when it is off. 32-bit
//   targets round each channel to 8 bits. Clears never dither.
// - Texture coordinates and the level of detail are computed per pixel from the perspective-
//   correct coordinates and their screen-space derivatives; lines sample the largest level.
// - Alpha blending reads the target's pixel as it is stored (a 16-bit pixel widened by
//   c / (2^bits - 1)); the target has no alpha, so its alpha counts as 1.
//
// Large triangle draws are shared among band threads: the screen is cut into strips of
// kBandRows rows dealt out in turn, and each thread draws, in the draw's order, the rows of
// every triangle that fall in its strips. A pixel is thus written by one thread in the same
// order as on one, and the picture, z-buffer and counters do not depend on the thread count.
//
// Owned by the Direct3D device (one per device); called from one thread at a time.
namespace sys::raster {

namespace simd {
struct RowPacket;
}

class Rasterizer {
public:
    // Rows per strip. Every strip edge cuts a small triangle's row groups in two, on one thread
    // too, so that the picture is the same on any number: taller strips cost one thread less,
    // shorter ones share uneven scenes more evenly.
    static constexpr int kBandRows = 48;

    Rasterizer();
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // Threads for large triangle draws, 1..kMaxBandThreads; 0 (the start) means
    // DefaultBandThreads(). The threads start at the first draw that uses them.
    void SetThreadCount(int threads);
    int ThreadCount() const;

    // Targets. A description with no memory, a size outside 1..16384 or a pitch too small for
    // its rows is refused and leaves the old one in place.
    bool SetRenderTarget(const RenderTarget& target);
    const RenderTarget& GetRenderTarget() const { return m_target; }
    bool SetDepthBuffer(const DepthBuffer& depth);
    void RemoveDepthBuffer();
    bool HasDepthBuffer() const { return m_depth.values != nullptr; }

    // Transforms by D3DTRANSFORMSTATE_ kind; false for another kind.
    bool SetTransform(uint32_t kind, const Matrix4& matrix);
    bool GetTransform(uint32_t kind, Matrix4& matrix) const;

    // The viewport record. Refused (false, old viewport kept): an empty rectangle, one
    // reaching past 32768 pixels, a clip window of zero or non-finite size, equal z limits.
    bool SetViewport(const Viewport& viewport);
    const Viewport& GetViewport() const { return m_viewport; }

    // Render states by D3DRENDERSTATE_ number (below kRenderStateCount; false otherwise). The
    // defaults are Direct3D's for a device without a z-buffer: z off, z write on, z function
    // less-or-equal, counter-clockwise culling, Gouraud, solid, dithering off, z bias 0, last
    // pixel of lines drawn. Any non-zero z enable (w-buffering included) means the z-buffer;
    // z on without a z-buffer draws as z off. Fill modes other than wireframe fill; shade
    // modes other than flat are Gouraud; an unknown z function passes always. Blending is off
    // (source one, destination zero), the alpha test off (function always), specular off,
    // fog off (linear table fog from 0 to 1 when on; other table modes draw no fog), colour
    // keying off.
    bool SetRenderState(uint32_t state, uint32_t value);
    uint32_t GetRenderState(uint32_t state) const;

    // The per-pixel hook (borrowed; null restores the texture stages). While one is set it
    // replaces texturing, specular, fog, alpha test and blending.
    void SetPixelStage(PixelStage* stage) { m_stage = stage; }

    // Texture-stage states by stage (below kTextureStageCount) and D3DTSS_ number (1..23);
    // false otherwise. D3DTSS_ADDRESS sets ADDRESSU and ADDRESSV too. The defaults are
    // Direct3D's: stage 0 modulates texture and current colour and selects texture alpha, the
    // others are disabled; coordinate set = stage; wrap addressing; point filters, no mip
    // filter; anisotropy 1. Stages past the first disabled colour operation, and all past the
    // second, are not drawn.
    bool SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value);
    uint32_t GetTextureStageState(uint32_t stage, uint32_t state) const;
    // The stage's texture (borrowed until replaced; null: none, the texture reads opaque white).
    // A description without levels counts as none.
    bool SetTexture(uint32_t stage, const Texture* texture);
    // Vertex lighting (borrowed; null: no lighting, the vertex colours are drawn as given).
    // With lighting set, vertices whose format has a normal are lit unless the draw carries
    // D3DDP_DONOTLIGHT.
    void SetLighting(const LightingState* lighting) { m_lighting = lighting; }

    // Draws D3DPT_TRIANGLELIST, D3DPT_TRIANGLESTRIP or D3DPT_LINELIST from `count` vertices of
    // format `fvf` (see vertex_format.h). A list's incomplete last primitive is ignored. False
    // for another primitive type, an unknown format, a null pointer with a non-zero count,
    // more than D3DMAXNUMVERTICES vertices, no render target or no viewport yet. Flags are
    // recorded; everything is always clipped.
    bool DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t count,
                       uint32_t flags);
    // The same with 16-bit indices into `vertexCount` vertices. A primitive that names a
    // vertex past the end is skipped; the others are drawn.
    bool DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices,
                              uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                              uint32_t flags);

    // Fills `rect` (cut to the target) with `colour` (0xAARRGGBB) and/or the z-buffer with `z`
    // (0..1), by D3DCLEAR_ flags. False when a flag names a buffer that is not there.
    bool Clear(const sys::RECT& rect, uint32_t flags, uint32_t colour, float z);

    const RasterCounters& Counters() const { return m_counters; }
    void ResetCounters() { m_counters = RasterCounters{}; }

    // Recording: while on, every call above that changes state or draws is logged as one line
    // ("SetRenderState 22 1", "DrawPrimitive 4 0x142 3 0x8", ...) in call order. Calls are
    // carried out as usual.
    void SetRecording(bool on) { m_recording = on; }
    bool IsRecording() const { return m_recording; }
    const std::vector<std::string>& Recording() const { return m_log; }
    void ClearRecording() { m_log.clear(); }

    // A corner after projection: screen position snapped to 1/256 pixel, z for the z-buffer,
    // q = 1/w, and the attributes (plain, not divided by w).
    struct ScreenVertex {
        int64_t fx;
        int64_t fy;
        float z;
        float q;
        float attributes[kAttributeCount];
    };

    // Everything the pixel loops read, gathered once per draw.
    struct PixelPipeline {
        uint8_t* pixels = nullptr;
        int32_t pitch = 0;
        PixelFormat format = PixelFormat::RGB565;
        bool dither = false;
        bool lastPixel = true;
        uint16_t* depth = nullptr;
        int32_t depthPitch = 0;
        bool depthTest = false;
        bool depthWrite = false;
        bool passLess = true;  // the z function as the outcome of each ordering
        bool passEqual = true;
        bool passGreater = false;
        int32_t depthBias = 0;
        int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
        PixelStage* stage = nullptr;
        const ShadeState* shade = nullptr;  // the texture stages and the rest of the colour path
        float textureSize[kShadedStageCount][2] = {};  // each stage's full-size level, in texels
        int shadedAttributes[kAttributeCount] = {};     // the attributes the colour path reads
        int shadedAttributeCount = 0;
        bool wideTextured = false;  // the colour path suits the eight-pixel textured loop
        // The wide loops' table of the first stage's texture levels: sizes, the last four-byte
        // read inside each, and each level's byte offset from the first level's pixels.
        // Usable when the texture suits the wide loop and every offset fits 32 bits.
        struct LevelTable {
            bool usable = false;
            int32_t width[kMaxTextureLevels] = {};
            int32_t height[kMaxTextureLevels] = {};
            int32_t pitch[kMaxTextureLevels] = {};
            int32_t lastRead[kMaxTextureLevels] = {};
            int32_t offset[kMaxTextureLevels] = {};
            int32_t pitchPair[kMaxTextureLevels] = {};  // 2 | pitch << 16: a texel's bytes across and down
        } levels;
        // What the sixteen-lane fast textured loops take from the draw rather than from the
        // triangle, worked out once with the level table (simd::PrepareFastTextured) and the
        // same for every triangle, row and packet, on every processor path.
        struct FastDraw {
            bool usable = false;  // a linear filter, no alpha test, and levels whose sizes suit the loops
            bool wrapU = false, wrapV = false;
            bool fogStep = false;       // fog ends where it starts
            bool commonStates = false;  // the usual scene's states, perspective aside
            // The lit world's states, perspective aside: nearest mip selection onto a 565 target
            // without fog or blending, the texture, the diffuse colour or their product; and of
            // those the usual ones: both coordinates wrap, their product, z tested (less or
            // equal) and written without a bias.
            bool litStates = false, litUsual = false;
            uint32_t mip = 0;           // the mip filter
            int su = 0, sv = 0;         // the stage's coordinates' planes
            int firstLevel = 0, lastLevel = 0;
            float lodBias = 0.0f;
            // For point selection: 2^(2 lodBias + 1), which the squared footprint is scaled by;
            // the level where the footprint is not positive; a level's squared footprints, 4^k
            // to 4^(k + 1), a margin in from each end: 4^k times lowFactor to 4^k times highFactor.
            float pointScale = 0.0f;
            int emptyLevel = 0;
            float lowFactor = 0.0f, highFactor = 0.0f;
            // The usual states' (only) limit on |u| and |v|, under which either times the
            // full-size width or height in 256ths of a texel fits 32 bits.
            float commonLimit = 0.0f;
            const int* texels = nullptr;  // the first level's
            const ShadeState* shade = nullptr;
            const StageState* stage = nullptr;
        } fast;
        int attributeCount = 3;
    };

private:
    // What one pass over a draw's primitives draws into and counts: the rows of strips
    // index, index + count, index + 2 count, ... and its own counters, added up after the
    // passes. Only the pass with countPrimitives counts triangles and lines. A cache line
    // each, so that passes on different threads never share one.
    struct alignas(64) Band {
        int index = 0;
        int count = 1;
        bool countPrimitives = true;
        RasterCounters counters;
    };
    // A draw's triangles: vertices in order, or 16-bit indices checked against vertexCount.
    struct TriangleWalk {
        uint32_t type = D3DPT_TRIANGLELIST;
        const uint16_t* indices = nullptr;
        uint32_t count = 0;  // indices, or vertices when there are none
        uint32_t vertexCount = 0;
    };

    void Record(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void UpdateCombinedMatrix();
    bool PrepareDraw(uint32_t fvf, const void* vertices, uint32_t count, uint32_t flags, VertexLayout& layout);
    void PrepareShading();
    void TransformVertices(const VertexLayout& layout, const uint8_t* vertices, uint32_t count, bool lit);
    void DrawTriangles(const TriangleWalk& walk);
    bool WorthBanding(const TriangleWalk& walk) const;
    void WalkTriangles(Band& band, const TriangleWalk& walk);
    void DrawTriangle(Band& band, uint32_t i0, uint32_t i1, uint32_t i2);
    void DrawShapedTriangle(Band& band, uint32_t i0, uint32_t i1, uint32_t i2);
    bool Culled(int64_t area) const;
    void FillPolygon(Band& band, ScreenVertex* screen, int count, const bool* edges);
    void FillTriangle(Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
    void DrawLine(Band& band, uint32_t i0, uint32_t i1);
    bool Project(const ClipVertex& clip, ScreenVertex& screen) const;
    void Light(const VertexLayout& layout, const uint8_t* vertex, float* attributes) const;

    void RasterizeTriangle(Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
    void RasterizeRows(Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int64_t left,
                       int64_t right, int64_t top, int64_t bottom, int64_t firstStrip, int64_t lastStrip);
    void PackTriangleRows(Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                          int64_t left, int64_t right, int64_t top, int64_t bottom, int64_t firstStrip,
                          int64_t lastStrip, bool near);
    void RasterizeSegment(Band& band, const ScreenVertex& a, const ScreenVertex& b);
    bool DepthPasses(int32_t x, int32_t y, uint16_t depthValue) const;
    void WriteFragment(RasterCounters& counters, int32_t x, int32_t y, uint16_t depthValue, float z, float w,
                       const float* attributes);

    RenderTarget m_target;
    DepthBuffer m_depth;
    Viewport m_viewport;
    bool m_viewportSet = false;
    Matrix4 m_world;
    Matrix4 m_view;
    Matrix4 m_projection;
    double m_combined[4][4] = {};  // world * view * projection * clip-window fold
    uint32_t m_states[kRenderStateCount] = {};
    PixelStage* m_stage = nullptr;
    uint32_t m_stageStates[kTextureStageCount][kTextureStageStateCount] = {};
    const Texture* m_textures[kTextureStageCount] = {};
    const LightingState* m_lighting = nullptr;
    PreparedLighting m_preparedLighting;  // the lit draw's per-draw terms

    PixelPipeline m_pipe;
    ShadeState m_shade;
    // The draw's values to set up per triangle, by index into z, q, attributes: z, q, then
    // those the span reads (the colour path names its own; the others read the first
    // attributeCount). Also as a bit mask.
    int m_planes[2 + kAttributeCount] = {};
    int m_planeCount = 0;
    uint32_t m_planeMask = 0;
    bool m_wide16 = false;  // the sixteen-lane loops can run for this draw
    bool m_packRows = false;  // and small triangles' short rows can share their textured groups
    // The packets' shading for the draw's texture on the active processor path, chosen with
    // m_packRows (simd::PacketShader).
    int (*m_packetShader)(const PixelPipeline&, const simd::RowPacket&, const float*, const float*, float, bool, bool,
                          uint64_t&, uint64_t&) = nullptr;
    std::vector<ClipVertex> m_clip;
    std::vector<uint32_t> m_codes;
    std::vector<ScreenVertex> m_screen;  // projected once for vertices inside the volume

    RasterCounters m_counters;
    int m_threadCount = 0;
    std::unique_ptr<BandWorkers> m_workers;
    bool m_recording = false;
    std::vector<std::string> m_log;
};

}  // namespace sys::raster
