#pragma once

#include <cstdint>

#include "sys/raster/raster_types.h"

// Textures as the rasterizer reads them: a borrowed chain of mip levels in one of the texture
// pixel layouts the device offers, with the source colour key of the top level, and the
// sampling rules of a texture stage (addressing, point and linear filters, mip selection).
// The Direct3D device describes its stage textures with these at each draw.
namespace sys::raster {

enum class TextureFormat : uint8_t {
    RGB565,    // 16 bits
    ARGB1555,  // 16 bits, one alpha bit
    ARGB4444,  // 16 bits
    RGB555,    // 16 bits, the top bit unused
    XRGB8888,  // 32 bits, the top byte unused
    ARGB8888,  // 32 bits
};

constexpr int kMaxTextureLevels = 16;

// One level: borrowed pixels, rows `pitch` bytes apart.
struct TextureLevel {
    const uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// A texture and its mip levels, largest first, each half the size of the one before.
struct Texture {
    TextureFormat format = TextureFormat::RGB565;
    int levelCount = 0;
    TextureLevel levels[kMaxTextureLevels];
    bool hasColourKey = false;
    uint32_t colourKey = 0;  // a raw pixel value of the texture's layout
};

// Texture-address modes and filters, by their Direct3D 6 numbers.
constexpr uint32_t D3DTADDRESS_WRAP = 1;
constexpr uint32_t D3DTADDRESS_MIRROR = 2;
constexpr uint32_t D3DTADDRESS_CLAMP = 3;
constexpr uint32_t D3DTADDRESS_BORDER = 4;
constexpr uint32_t D3DTFG_POINT = 1;
constexpr uint32_t D3DTFG_LINEAR = 2;
constexpr uint32_t D3DTFG_FLATCUBIC = 3;
constexpr uint32_t D3DTFG_GAUSSIANCUBIC = 4;
constexpr uint32_t D3DTFG_ANISOTROPIC = 5;
constexpr uint32_t D3DTFN_POINT = 1;
constexpr uint32_t D3DTFN_LINEAR = 2;
constexpr uint32_t D3DTFN_ANISOTROPIC = 3;
constexpr uint32_t D3DTFP_NONE = 1;
constexpr uint32_t D3DTFP_POINT = 2;
constexpr uint32_t D3DTFP_LINEAR = 3;

// How one stage samples its texture, resolved from its stage states.
struct SamplerState {
    uint32_t addressU = D3DTADDRESS_WRAP;
    uint32_t addressV = D3DTADDRESS_WRAP;
    bool linearMag = false;   // anything but a point filter filters linearly
    bool linearMin = false;
    uint32_t mipFilter = D3DTFP_NONE;
    float lodBias = 0.0f;
    uint32_t maxMipLevel = 0;  // the largest level used: 0 is the full-size one
    bool colourKey = false;    // discard texels equal to the texture's colour key
};

// A texel as 0..1 channels; layouts without alpha give 1.
ColorF DecodeTexel(TextureFormat format, uint32_t raw);

// The level of detail of a footprint whose coordinates move by (dudx, dvdx) across one pixel
// and (dudy, dvdy) down one, in texels of the full-size level: log2 of the longer side (to
// about 1e-7).
float LevelOfDetail(float dudx, float dvdx, float dudy, float dvdy);

// Samples at (u, v) (0..1 across the texture) with level of detail `lod` (0: one texel per
// pixel; larger: smaller levels). Texel i of a level of width n spans u from i / n to
// (i + 1) / n. False when colour keying discards the sample: the texel nearest the sample on
// the level it is taken from equals the key.
bool SampleTexture(const Texture& texture, const SamplerState& sampler, float u, float v, float lod,
                   ColorF& out);

}  // namespace sys::raster
