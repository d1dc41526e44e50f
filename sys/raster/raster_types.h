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

// Draw flags (the first three are accepted and recorded; the last keeps a draw unlit).
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

// Render states the rasterizer acts on (those marked "kept" are stored only). Every other
// state number below kRenderStateCount is stored and reported back.
constexpr uint32_t D3DRENDERSTATE_ZENABLE = 7;
constexpr uint32_t D3DRENDERSTATE_FILLMODE = 8;
constexpr uint32_t D3DRENDERSTATE_SHADEMODE = 9;
constexpr uint32_t D3DRENDERSTATE_ZWRITEENABLE = 14;
constexpr uint32_t D3DRENDERSTATE_LASTPIXEL = 16;
constexpr uint32_t D3DRENDERSTATE_CULLMODE = 22;
constexpr uint32_t D3DRENDERSTATE_ZFUNC = 23;
constexpr uint32_t D3DRENDERSTATE_DITHERENABLE = 26;
constexpr uint32_t D3DRENDERSTATE_ZBIAS = 47;
constexpr uint32_t D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4;  // kept: texturing is always perspective-correct
constexpr uint32_t D3DRENDERSTATE_MONOENABLE = 11;          // kept
constexpr uint32_t D3DRENDERSTATE_ALPHATESTENABLE = 15;
constexpr uint32_t D3DRENDERSTATE_SRCBLEND = 19;
constexpr uint32_t D3DRENDERSTATE_DESTBLEND = 20;
constexpr uint32_t D3DRENDERSTATE_ALPHAREF = 24;
constexpr uint32_t D3DRENDERSTATE_ALPHAFUNC = 25;
constexpr uint32_t D3DRENDERSTATE_ALPHABLENDENABLE = 27;
constexpr uint32_t D3DRENDERSTATE_FOGENABLE = 28;
constexpr uint32_t D3DRENDERSTATE_SPECULARENABLE = 29;
constexpr uint32_t D3DRENDERSTATE_SUBPIXEL = 31;  // kept: corners are always sub-pixel exact
constexpr uint32_t D3DRENDERSTATE_FOGCOLOR = 34;
constexpr uint32_t D3DRENDERSTATE_FOGTABLEMODE = 35;
constexpr uint32_t D3DRENDERSTATE_FOGTABLESTART = 36;  // float bits
constexpr uint32_t D3DRENDERSTATE_FOGTABLEEND = 37;    // float bits
constexpr uint32_t D3DRENDERSTATE_FOGTABLEDENSITY = 38;  // kept
constexpr uint32_t D3DRENDERSTATE_COLORKEYENABLE = 41;
constexpr uint32_t D3DRENDERSTATE_TEXTUREFACTOR = 60;
constexpr uint32_t kRenderStateCount = 256;

constexpr uint32_t D3DFOG_NONE = 0;
constexpr uint32_t D3DFOG_EXP = 1;
constexpr uint32_t D3DFOG_EXP2 = 2;
constexpr uint32_t D3DFOG_LINEAR = 3;

// Blend factors.
constexpr uint32_t D3DBLEND_ZERO = 1;
constexpr uint32_t D3DBLEND_ONE = 2;
constexpr uint32_t D3DBLEND_SRCCOLOR = 3;
constexpr uint32_t D3DBLEND_INVSRCCOLOR = 4;
constexpr uint32_t D3DBLEND_SRCALPHA = 5;
constexpr uint32_t D3DBLEND_INVSRCALPHA = 6;
constexpr uint32_t D3DBLEND_DESTALPHA = 7;
constexpr uint32_t D3DBLEND_INVDESTALPHA = 8;
constexpr uint32_t D3DBLEND_DESTCOLOR = 9;
constexpr uint32_t D3DBLEND_INVDESTCOLOR = 10;
constexpr uint32_t D3DBLEND_SRCALPHASAT = 11;
constexpr uint32_t D3DBLEND_BOTHSRCALPHA = 12;
constexpr uint32_t D3DBLEND_BOTHINVSRCALPHA = 13;

// Texture-stage states (numbers 1..23) and their values.
constexpr uint32_t kTextureStageCount = 8;
constexpr uint32_t D3DTSS_COLOROP = 1;
constexpr uint32_t D3DTSS_COLORARG1 = 2;
constexpr uint32_t D3DTSS_COLORARG2 = 3;
constexpr uint32_t D3DTSS_ALPHAOP = 4;
constexpr uint32_t D3DTSS_ALPHAARG1 = 5;
constexpr uint32_t D3DTSS_ALPHAARG2 = 6;
constexpr uint32_t D3DTSS_TEXCOORDINDEX = 11;
constexpr uint32_t D3DTSS_ADDRESS = 12;  // sets ADDRESSU and ADDRESSV together
constexpr uint32_t D3DTSS_ADDRESSU = 13;
constexpr uint32_t D3DTSS_ADDRESSV = 14;
constexpr uint32_t D3DTSS_BORDERCOLOR = 15;
constexpr uint32_t D3DTSS_MAGFILTER = 16;
constexpr uint32_t D3DTSS_MINFILTER = 17;
constexpr uint32_t D3DTSS_MIPFILTER = 18;
constexpr uint32_t D3DTSS_MIPMAPLODBIAS = 19;  // float bits
constexpr uint32_t D3DTSS_MAXMIPLEVEL = 20;
constexpr uint32_t D3DTSS_MAXANISOTROPY = 21;
constexpr uint32_t kTextureStageStateCount = 24;

constexpr uint32_t D3DTOP_DISABLE = 1;
constexpr uint32_t D3DTOP_SELECTARG1 = 2;
constexpr uint32_t D3DTOP_SELECTARG2 = 3;
constexpr uint32_t D3DTOP_MODULATE = 4;
constexpr uint32_t D3DTOP_MODULATE2X = 5;
constexpr uint32_t D3DTOP_MODULATE4X = 6;
constexpr uint32_t D3DTOP_ADD = 7;
constexpr uint32_t D3DTOP_ADDSIGNED = 8;
constexpr uint32_t D3DTOP_ADDSIGNED2X = 9;
constexpr uint32_t D3DTOP_SUBTRACT = 10;
constexpr uint32_t D3DTOP_ADDSMOOTH = 11;
constexpr uint32_t D3DTOP_BLENDDIFFUSEALPHA = 12;
constexpr uint32_t D3DTOP_BLENDTEXTUREALPHA = 13;
constexpr uint32_t D3DTOP_BLENDFACTORALPHA = 14;
constexpr uint32_t D3DTOP_BLENDTEXTUREALPHAPM = 15;
constexpr uint32_t D3DTOP_BLENDCURRENTALPHA = 16;
constexpr uint32_t D3DTOP_PREMODULATE = 17;
constexpr uint32_t D3DTOP_MODULATEALPHA_ADDCOLOR = 18;
constexpr uint32_t D3DTOP_MODULATECOLOR_ADDALPHA = 19;
constexpr uint32_t D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20;
constexpr uint32_t D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21;

constexpr uint32_t D3DTA_SELECTMASK = 0x0F;
constexpr uint32_t D3DTA_DIFFUSE = 0;
constexpr uint32_t D3DTA_CURRENT = 1;
constexpr uint32_t D3DTA_TEXTURE = 2;
constexpr uint32_t D3DTA_TFACTOR = 3;
constexpr uint32_t D3DTA_SPECULAR = 4;
constexpr uint32_t D3DTA_COMPLEMENT = 0x10;
constexpr uint32_t D3DTA_ALPHAREPLICATE = 0x20;

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
    uint64_t shaded = 0;     // pixels that passed the z test and were shaded (written or discarded)
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

// A per-pixel hook that replaces the built-in colour path (texture stages, fog, alpha test,
// blending). It turns a fragment into a colour, or answers false to discard the pixel (nothing
// is written, not even z). Owned by whoever installs it.
class PixelStage {
public:
    virtual ~PixelStage() = default;
    virtual bool Shade(const Fragment& fragment, ColorF& colour) = 0;
};

}  // namespace sys::raster
