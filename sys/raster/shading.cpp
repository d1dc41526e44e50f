#include "sys/raster/shading.h"

#include <algorithm>

#include "sys/raster/pixel_packing.h"

namespace sys::raster {

namespace {

struct Inputs {
    ColorF diffuse;
    ColorF current;
    ColorF texture;
    ColorF specular;
    ColorF factor;
};

ColorF Argument(uint32_t arg, const Inputs& in) {
    ColorF c;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_CURRENT: c = in.current; break;
    case D3DTA_TEXTURE: c = in.texture; break;
    case D3DTA_TFACTOR: c = in.factor; break;
    case D3DTA_SPECULAR: c = in.specular; break;
    default: c = in.diffuse; break;
    }
    if ((arg & D3DTA_COMPLEMENT) != 0) {
        c = ColorF{1.0f - c.r, 1.0f - c.g, 1.0f - c.b, 1.0f - c.a};
    }
    if ((arg & D3DTA_ALPHAREPLICATE) != 0) {
        c.r = c.g = c.b = c.a;
    }
    return c;
}

// One channel of an operation. `alpha1` is the first argument's alpha, which the
// modulate-and-add operations read for their colour.
float Operate(uint32_t op, float a1, float a2, float alpha1, const Inputs& in) {
    switch (op) {
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 * a2;
    case D3DTOP_MODULATE2X: return 2.0f * a1 * a2;
    case D3DTOP_MODULATE4X: return 4.0f * a1 * a2;
    case D3DTOP_ADD: return a1 + a2;
    case D3DTOP_ADDSIGNED: return a1 + a2 - 0.5f;
    case D3DTOP_ADDSIGNED2X: return 2.0f * (a1 + a2 - 0.5f);
    case D3DTOP_SUBTRACT: return a1 - a2;
    case D3DTOP_ADDSMOOTH: return a1 + a2 - a1 * a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return a1 * in.diffuse.a + a2 * (1.0f - in.diffuse.a);
    case D3DTOP_BLENDTEXTUREALPHA: return a1 * in.texture.a + a2 * (1.0f - in.texture.a);
    case D3DTOP_BLENDFACTORALPHA: return a1 * in.factor.a + a2 * (1.0f - in.factor.a);
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + a2 * (1.0f - in.texture.a);
    case D3DTOP_BLENDCURRENTALPHA: return a1 * in.current.a + a2 * (1.0f - in.current.a);
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return a1 + alpha1 * a2;
    case D3DTOP_MODULATECOLOR_ADDALPHA: return a1 * a2 + alpha1;
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return (1.0f - alpha1) * a2 + a1;
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return (1.0f - a1) * a2 + alpha1;
    // Select the first argument; premodulation (which needs the next stage's texture) draws
    // this stage's first argument as well.
    default: return a1;
    }
}

bool AlphaPasses(uint32_t func, uint32_t alpha, uint32_t reference) {
    return DepthCompare(func, alpha, reference);
}

float Factor(uint32_t blend, float source, float sourceAlpha, float dest, bool forSource) {
    constexpr float kDestAlpha = 1.0f;
    switch (blend) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_SRCCOLOR: return source;
    case D3DBLEND_INVSRCCOLOR: return 1.0f - source;
    case D3DBLEND_SRCALPHA: return sourceAlpha;
    case D3DBLEND_INVSRCALPHA: return 1.0f - sourceAlpha;
    case D3DBLEND_DESTALPHA: return kDestAlpha;
    case D3DBLEND_INVDESTALPHA: return 1.0f - kDestAlpha;
    case D3DBLEND_DESTCOLOR: return dest;
    case D3DBLEND_INVDESTCOLOR: return 1.0f - dest;
    case D3DBLEND_SRCALPHASAT: return std::min(sourceAlpha, 1.0f - kDestAlpha);
    case D3DBLEND_BOTHSRCALPHA: return forSource ? sourceAlpha : 1.0f - sourceAlpha;
    case D3DBLEND_BOTHINVSRCALPHA: return forSource ? 1.0f - sourceAlpha : sourceAlpha;
    default: return 1.0f;  // one, and numbers Direct3D 6 does not define
    }
}

}  // namespace

float FogFactor(const ShadeState& s, float w) {
    if (!(s.fogEnd > s.fogStart)) {
        return w < s.fogEnd ? 1.0f : 0.0f;
    }
    return Saturate((s.fogEnd - w) / (s.fogEnd - s.fogStart));
}

bool ShadePixel(const ShadeState& s, const float* attributes, const float* lod, float w, ColorF& out) {
    Inputs in;
    in.diffuse = ColorF{attributes[kDiffuseR], attributes[kDiffuseG], attributes[kDiffuseB], attributes[kDiffuseA]};
    in.specular =
        ColorF{attributes[kSpecularR], attributes[kSpecularG], attributes[kSpecularB], attributes[kSpecularA]};
    in.factor = s.textureFactor;
    in.current = in.diffuse;
    for (int k = 0; k < s.stageCount; ++k) {
        const StageState& stage = s.stages[k];
        in.texture = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
        if (stage.texture != nullptr) {
            const float* uv = attributes + kTexture0U + 2 * stage.coordinateSet;
            if (!SampleTexture(*stage.texture, stage.sampler, uv[0], uv[1], lod[k], in.texture)) {
                return false;
            }
        }
        const ColorF c1 = Argument(stage.colourArg1, in), c2 = Argument(stage.colourArg2, in);
        ColorF result;
        result.r = Saturate(Operate(stage.colourOp, c1.r, c2.r, c1.a, in));
        result.g = Saturate(Operate(stage.colourOp, c1.g, c2.g, c1.a, in));
        result.b = Saturate(Operate(stage.colourOp, c1.b, c2.b, c1.a, in));
        if (stage.alphaOp == D3DTOP_DISABLE) {
            result.a = in.current.a;
        } else {
            const ColorF x1 = Argument(stage.alphaArg1, in), x2 = Argument(stage.alphaArg2, in);
            result.a = Saturate(Operate(stage.alphaOp, x1.a, x2.a, x1.a, in));
        }
        in.current = result;
    }
    ColorF c = in.current;
    if (s.specular) {
        c.r = Saturate(c.r + in.specular.r);
        c.g = Saturate(c.g + in.specular.g);
        c.b = Saturate(c.b + in.specular.b);
    }
    if (s.alphaTest && !AlphaPasses(s.alphaFunc, Quantise(c.a, 255.0f, 0.5f), s.alphaRef)) {
        return false;
    }
    if (s.fog) {
        const float f = FogFactor(s, w);
        c.r = c.r * f + s.fogColour.r * (1.0f - f);
        c.g = c.g * f + s.fogColour.g * (1.0f - f);
        c.b = c.b * f + s.fogColour.b * (1.0f - f);
    }
    out = c;
    return true;
}

ColorF BlendPixel(const ShadeState& s, const ColorF& src, const ColorF& dst) {
    const uint32_t destBlend = (s.sourceBlend == D3DBLEND_BOTHSRCALPHA || s.sourceBlend == D3DBLEND_BOTHINVSRCALPHA)
                                   ? s.sourceBlend
                                   : s.destBlend;
    auto channel = [&](float source, float dest) {
        return Saturate(source * Factor(s.sourceBlend, source, src.a, dest, true) +
                        dest * Factor(destBlend, source, src.a, dest, false));
    };
    return ColorF{channel(src.r, dst.r), channel(src.g, dst.g), channel(src.b, dst.b), src.a};
}

}  // namespace sys::raster
