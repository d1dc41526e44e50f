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

inline ColorF Argument(uint32_t arg, const Inputs& in) {
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
inline float Operate(uint32_t op, float a1, float a2, float alpha1, const Inputs& in) {
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

void ClassifyStage(StageState& stage) {
    using Form = StageState::Form;
    auto current = [](uint32_t arg) { return arg == D3DTA_DIFFUSE || arg == D3DTA_CURRENT; };
    auto form = [&](uint32_t op, uint32_t a1, uint32_t a2) {
        if (op == D3DTOP_MODULATE &&
            ((a1 == D3DTA_TEXTURE && current(a2)) || (a2 == D3DTA_TEXTURE && current(a1)))) {
            return Form::TextureTimesCurrent;
        }
        const uint32_t selected = op == D3DTOP_SELECTARG1 ? a1 : (op == D3DTOP_SELECTARG2 ? a2 : 0xFFFFFFFFu);
        if (selected == D3DTA_TEXTURE) {
            return Form::Texture;
        }
        return current(selected) ? Form::Current : Form::General;
    };
    stage.colourForm = form(stage.colourOp, stage.colourArg1, stage.colourArg2);
    // A disabled alpha operation hands the current alpha on.
    stage.alphaForm = stage.alphaOp == D3DTOP_DISABLE ? Form::Current
                                                      : form(stage.alphaOp, stage.alphaArg1, stage.alphaArg2);
}

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
        using Form = StageState::Form;
        ColorF result;
        switch (stage.colourForm) {
        case Form::TextureTimesCurrent:
            result.r = in.texture.r * in.current.r;
            result.g = in.texture.g * in.current.g;
            result.b = in.texture.b * in.current.b;
            break;
        case Form::Texture:
            result.r = in.texture.r;
            result.g = in.texture.g;
            result.b = in.texture.b;
            break;
        case Form::Current:
            result.r = in.current.r;
            result.g = in.current.g;
            result.b = in.current.b;
            break;
        default: {
            const ColorF c1 = Argument(stage.colourArg1, in), c2 = Argument(stage.colourArg2, in);
            result.r = Saturate(Operate(stage.colourOp, c1.r, c2.r, c1.a, in));
            result.g = Saturate(Operate(stage.colourOp, c1.g, c2.g, c1.a, in));
            result.b = Saturate(Operate(stage.colourOp, c1.b, c2.b, c1.a, in));
            break;
        }
        }
        switch (stage.alphaForm) {
        case Form::TextureTimesCurrent: result.a = in.texture.a * in.current.a; break;
        case Form::Texture: result.a = in.texture.a; break;
        case Form::Current: result.a = in.current.a; break;
        default: {
            const ColorF x1 = Argument(stage.alphaArg1, in), x2 = Argument(stage.alphaArg2, in);
            result.a = Saturate(Operate(stage.alphaOp, x1.a, x2.a, x1.a, in));
            break;
        }
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
    if (s.blendByAlpha) {
        const float a = src.a, b = 1.0f - src.a;
        return ColorF{Saturate(src.r * a + dst.r * b), Saturate(src.g * a + dst.g * b),
                      Saturate(src.b * a + dst.b * b), src.a};
    }
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
