#pragma once

#include <cstdint>

#include "sys/raster/raster_types.h"
#include "sys/raster/texture.h"

// The per-pixel colour path after the z test, as Direct3D 6 defines it: the texture stages'
// colour and alpha operations on their arguments, the specular sum, linear table fog on eye
// depth, the alpha test and alpha blending with the target. The rasterizer resolves these
// states once per draw into a ShadeState; its span loops call the functions below.
namespace sys::raster {

// One texture stage, resolved from its stage states and texture.
struct StageState {
    uint32_t colourOp = D3DTOP_DISABLE;
    uint32_t colourArg1 = D3DTA_TEXTURE;
    uint32_t colourArg2 = D3DTA_CURRENT;
    uint32_t alphaOp = D3DTOP_DISABLE;
    uint32_t alphaArg1 = D3DTA_TEXTURE;
    uint32_t alphaArg2 = D3DTA_CURRENT;
    int coordinateSet = 0;  // 0 or 1: the vertex's texture-coordinate pair
    SamplerState sampler;
    const Texture* texture = nullptr;  // null: the texture argument reads opaque white
    // The common forms, found once per draw so the pixel loop can skip the general case.
    enum class Form : uint8_t { General, TextureTimesCurrent, Texture, Current };
    Form colourForm = Form::General;
    Form alphaForm = Form::General;
};

// Finds the common forms of a stage's colour and alpha operations (see StageState::Form).
void ClassifyStage(StageState& stage);

constexpr int kShadedStageCount = 2;  // the device offers two blend stages

struct ShadeState {
    int stageCount = 0;  // stages up to the first whose colour operation is disable
    StageState stages[kShadedStageCount];
    ColorF textureFactor;
    bool specular = false;
    bool fog = false;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    ColorF fogColour;
    bool alphaTest = false;
    uint32_t alphaFunc = D3DCMP_ALWAYS;
    uint32_t alphaRef = 0;  // 0..255
    bool blend = false;
    uint32_t sourceBlend = D3DBLEND_ONE;
    uint32_t destBlend = D3DBLEND_ZERO;
    bool blendByAlpha = false;  // source alpha over inverse source alpha: the usual blend
};

// The pixel's colour from its interpolated attributes (AttributeSlot order), the level of
// detail of each stage's coordinates and its eye depth w: stages, specular, fog and the alpha
// test. False when the pixel is discarded (colour key or alpha test).
bool ShadePixel(const ShadeState& state, const float* attributes, const float* lod, float w, ColorF& out);

// The fog factor at eye depth w: 1 before the start, 0 past the end, linear between.
float FogFactor(const ShadeState& state, float w);

// Alpha blending of `source` over the target's `dest` (whose alpha is 1: targets have none).
ColorF BlendPixel(const ShadeState& state, const ColorF& source, const ColorF& dest);

}  // namespace sys::raster
