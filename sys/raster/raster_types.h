#pragma once

#include <cstdint>

// The value types of the software rasterizer: what it draws into, the transforms and viewport
// record it maps vertices with, and the Direct3D 6 numbers of the primitive types, vertex-format
// bits, render states and their values, so the device above can pass its callers' numbers
// straight through. Owned by the rasterizer; the Direct3D device wraps it.
namespace sys::raster {

// Pixel layouts a render target can have.
enum class PixelFormat : uint8_t {
    RGB565,    // 16 bits: red 0xF800, green 0x07E0, blue 0x001F
    XRGB8888,  // 32 bits: 0x00RRGGBB, the top byte left as zero
};

// Memory the rasterizer draws into. Borrowed: the caller keeps it alive (and locked) while the
// rasterizer holds it. The pitch may be wider than a row needs.
struct RenderTarget {
    void* pixels = nullptr;
    int32_t pitch = 0;  // bytes from one row to the next
    int32_t width = 0;
    int32_t height = 0;
    PixelFormat format = PixelFormat::RGB565;
};

// A 16-bit z-buffer: 0 is nearest, 0xFFFF farthest. Borrowed like the render target.
struct DepthBuffer {
    uint16_t* values = nullptr;
    int32_t pitch = 0;  // bytes from one row to the next
    int32_t width = 0;
    int32_t height = 0;
};

// A 4x4 matrix laid out as D3DMATRIX: m[0][0] is _11, m[3][2] is _43. Points are row vectors
// multiplied from the left (p' = p * M), so the translation sits in the fourth row.
struct Matrix4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// The DirectX 6 viewport record in meaning: the screen rectangle (dwX, dwY, dwWidth, dwHeight)
// and the clip window in projected coordinates that maps onto it. A projected point is inside
// when dvClipX <= x/w <= dvClipX + dvClipWidth, dvClipY - dvClipHeight <= y/w <= dvClipY and
// dvMinZ <= z/w <= dvMaxZ; x/w = dvClipX lands on the rectangle's left edge, y/w = dvClipY on
// its top edge, and z/w is rescaled from [dvMinZ, dvMaxZ] to the z-buffer's [0, 1].
struct Viewport {
    uint32_t dwX = 0;
    uint32_t dwY = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    float dvClipX = -1.0f;
    float dvClipY = 1.0f;
    float dvClipWidth = 2.0f;
    float dvClipHeight = 2.0f;
    float dvMinZ = 0.0f;
    float dvMaxZ = 1.0f;
    friend bool operator==(const Viewport&, const Viewport&) = default;
};

// Primitive types.
constexpr uint32_t D3DPT_POINTLIST = 1;
constexpr uint32_t D3DPT_LINELIST = 2;
constexpr uint32_t D3DPT_LINESTRIP = 3;
constexpr uint32_t D3DPT_TRIANGLELIST = 4;
constexpr uint32_t D3DPT_TRIANGLESTRIP = 5;
constexpr uint32_t D3DPT_TRIANGLEFAN = 6;

// Flexible vertex-format bits. Fields lie in memory in this order: position, normal, the
// reserved word, diffuse, specular, texture-coordinate pairs.
constexpr uint32_t D3DFVF_POSITION_MASK = 0x00E;
constexpr uint32_t D3DFVF_XYZ = 0x002;
constexpr uint32_t D3DFVF_NORMAL = 0x010;
constexpr uint32_t D3DFVF_RESERVED1 = 0x020;
constexpr uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr uint32_t D3DFVF_SPECULAR = 0x080;
constexpr uint32_t D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr uint32_t D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr uint32_t D3DFVF_TEX1 = 0x100;
constexpr uint32_t D3DFVF_TEX2 = 0x200;
constexpr uint32_t D3DFVF_LVERTEX = 0x1E2;

// Draw flags (accepted and recorded; lighting will read the second).
constexpr uint32_t D3DDP_WAIT = 0x01;
constexpr uint32_t D3DDP_DONOTCLIP = 0x04;
constexpr uint32_t D3DDP_DONOTUPDATEEXTENTS = 0x08;
constexpr uint32_t D3DDP_DONOTLIGHT = 0x10;

// The largest vertex or index count one draw call takes.
constexpr uint32_t D3DMAXNUMVERTICES = 0xFFFF;

// Transform kinds.
constexpr uint32_t D3DTRANSFORMSTATE_WORLD = 1;
constexpr uint32_t D3DTRANSFORMSTATE_VIEW = 2;
constexpr uint32_t D3DTRANSFORMSTATE_PROJECTION = 3;

// Render states the rasterizer acts on. Every other state number below kRenderStateCount is
// stored and reported back, so the stages that come later find their values already kept.
constexpr uint32_t D3DRENDERSTATE_ZENABLE = 7;
constexpr uint32_t D3DRENDERSTATE_FILLMODE = 8;
constexpr uint32_t D3DRENDERSTATE_SHADEMODE = 9;
constexpr uint32_t D3DRENDERSTATE_ZWRITEENABLE = 14;
constexpr uint32_t D3DRENDERSTATE_LASTPIXEL = 16;
constexpr uint32_t D3DRENDERSTATE_CULLMODE = 22;
constexpr uint32_t D3DRENDERSTATE_ZFUNC = 23;
constexpr uint32_t D3DRENDERSTATE_DITHERENABLE = 26;
constexpr uint32_t D3DRENDERSTATE_ZBIAS = 47;
constexpr uint32_t kRenderStateCount = 256;

constexpr uint32_t D3DZB_FALSE = 0;
constexpr uint32_t D3DZB_TRUE = 1;

constexpr uint32_t D3DFILL_POINT = 1;
constexpr uint32_t D3DFILL_WIREFRAME = 2;
constexpr uint32_t D3DFILL_SOLID = 3;

constexpr uint32_t D3DSHADE_FLAT = 1;
constexpr uint32_t D3DSHADE_GOURAUD = 2;
constexpr uint32_t D3DSHADE_PHONG = 3;

constexpr uint32_t D3DCULL_NONE = 1;
constexpr uint32_t D3DCULL_CW = 2;   // removes triangles whose corners run clockwise on screen
constexpr uint32_t D3DCULL_CCW = 3;  // removes those running counter-clockwise (the default)

constexpr uint32_t D3DCMP_NEVER = 1;
constexpr uint32_t D3DCMP_LESS = 2;
constexpr uint32_t D3DCMP_EQUAL = 3;
constexpr uint32_t D3DCMP_LESSEQUAL = 4;
constexpr uint32_t D3DCMP_GREATER = 5;
constexpr uint32_t D3DCMP_NOTEQUAL = 6;
constexpr uint32_t D3DCMP_GREATEREQUAL = 7;
constexpr uint32_t D3DCMP_ALWAYS = 8;

// Clear flags.
constexpr uint32_t D3DCLEAR_TARGET = 1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 2;

// Work done since the counters were last reset, for benchmarks and statistics.
struct RasterCounters {
    uint64_t triangles = 0;  // triangles that reached the rasterizer (after culling and clipping)
    uint64_t lines = 0;      // line segments that reached the rasterizer
    uint64_t pixels = 0;     // pixels whose colour was written
};

// Per-vertex attributes carried through clipping and interpolated perspective-correct, in
// this order. Colours are 0..1 per channel.
enum AttributeSlot : int {
    kDiffuseR = 0,
    kDiffuseG,
    kDiffuseB,
    kDiffuseA,
    kSpecularR,
    kSpecularG,
    kSpecularB,
    kSpecularA,
    kTexture0U,
    kTexture0V,
    kTexture1U,
    kTexture1V,
    kAttributeCount
};

struct ColorF {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// One pixel that passed the z test, with its interpolated attributes.
struct Fragment {
    int32_t x = 0;
    int32_t y = 0;
    float z = 0.0f;  // 0..1 as it goes to the z-buffer
    float w = 0.0f;  // eye depth, for stages such as table fog
    const float* attributes = nullptr;  // kAttributeCount values
};

// The per-pixel hook: texturing, colour keying, alpha test and fog plug in here. It turns a
// fragment into a colour, or answers false to discard the pixel (nothing is written, not even
// z). Owned by whoever installs it.
class PixelStage {
public:
    virtual ~PixelStage() = default;
    virtual bool Shade(const Fragment& fragment, ColorF& colour) = 0;
};

}  // namespace sys::raster
