#include "sys/raster/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "sys/raster/pixel_packing.h"
#include "sys/raster/raster_spans_simd.h"

namespace sys::raster {

namespace {

constexpr int32_t kMaxTargetSize = 16384;
constexpr uint32_t kMaxViewportEdge = 32768;
constexpr double kSubPixel = 256.0;

void Multiply(const double a[4][4], const double b[4][4], double out[4][4]) {
    double result[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c] +
                           a[r][3] * b[3][c];
        }
    }
    std::memcpy(out, result, sizeof result);
}

#if defined(__x86_64__)
// A vertex's colour field as four 0..1 floats in attribute order (red, green, blue, alpha),
// vertex_fields::ReadColour's values.
inline __m128 ColourLanes(const uint8_t* at) {
    int32_t argb;
    std::memcpy(&argb, at, sizeof argb);
    const __m128i zero = _mm_setzero_si128();
    // Blue, green, red, alpha: the field's bytes in memory order.
    const __m128i channels = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(argb), zero), zero);
    return _mm_mul_ps(_mm_cvtepi32_ps(_mm_shuffle_epi32(channels, _MM_SHUFFLE(3, 0, 1, 2))),
                      _mm_set1_ps(1.0f / 255.0f));
}
#endif

void Widen(const Matrix4& m, double out[4][4]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out[r][c] = m.m[r][c];
        }
    }
}

// Nearest 1/256 pixel, halves upwards: floor(v * 256 + 0.5) without a library call.
int64_t Snap(double v) {
    const double scaled = v * kSubPixel + 0.5;
    const int64_t truncated = static_cast<int64_t>(scaled);
    return truncated - (static_cast<double>(truncated) > scaled ? 1 : 0);
}

bool IsFinitePositive(float v) { return std::isfinite(v) && v != 0.0f; }

// Twice the signed area of a polygon in 1/256-pixel units; positive when its corners run
// clockwise on screen (y grows downwards).
int64_t TwiceArea(const Rasterizer::ScreenVertex* v, int count) {
    int64_t sum = 0;
    for (int i = 0; i < count; ++i) {
        const Rasterizer::ScreenVertex& p = v[i];
        const Rasterizer::ScreenVertex& n = v[(i + 1) % count];
        sum += p.fx * n.fy - n.fx * p.fy;
    }
    return sum;
}

uint32_t DefaultStageState(uint32_t stage, uint32_t state) {
    switch (state) {
    case D3DTSS_COLOROP: return stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    case D3DTSS_ALPHAOP: return stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1: return D3DTA_TEXTURE;
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2: return D3DTA_CURRENT;
    case D3DTSS_TEXCOORDINDEX: return stage;
    case D3DTSS_ADDRESS:
    case D3DTSS_ADDRESSU:
    case D3DTSS_ADDRESSV: return D3DTADDRESS_WRAP;
    case D3DTSS_MAGFILTER: return D3DTFG_POINT;
    case D3DTSS_MINFILTER: return D3DTFN_POINT;
    case D3DTSS_MIPFILTER: return D3DTFP_NONE;
    case D3DTSS_MAXANISOTROPY: return 1;
    default: return 0;
    }
}

float FloatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint32_t BitsFromFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

ColorF ColourFromState(uint32_t argb) { return UnpackARGB(argb); }

void AddCounters(RasterCounters& total, const RasterCounters& part) {
    total.triangles += part.triangles;
    total.lines += part.lines;
    total.pixels += part.pixels;
    total.shaded += part.shaded;
}

// Fills n 16-bit values four at a time (or bytewise when both bytes agree, as for a far z).
void Fill16(uint16_t* out, int32_t n, uint16_t value) {
    if ((value >> 8) == (value & 0xFF)) {
        std::memset(out, value & 0xFF, static_cast<size_t>(n) * 2);
        return;
    }
    const uint64_t pattern = value * 0x0001000100010001ull;
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        std::memcpy(out + k, &pattern, sizeof pattern);
    }
    for (; k < n; ++k) {
        out[k] = value;
    }
}

// Whether a stage without texture hands its current colour on unchanged, so a draw through
// it is plain Gouraud.
bool PassesColourOn(const StageState& s) {
    if (s.texture != nullptr) {
        return false;
    }
    auto current = [](uint32_t arg) { return arg == D3DTA_DIFFUSE || arg == D3DTA_CURRENT; };
    switch (s.colourOp) {
    case D3DTOP_SELECTARG1: return current(s.colourArg1);
    case D3DTOP_SELECTARG2: return current(s.colourArg2);
    case D3DTOP_MODULATE:
        return (s.colourArg1 == D3DTA_TEXTURE && current(s.colourArg2)) ||
               (s.colourArg2 == D3DTA_TEXTURE && current(s.colourArg1));
    default: return false;
    }
}

}  // namespace

Rasterizer::Rasterizer() {
    for (uint32_t stage = 0; stage < kTextureStageCount; ++stage) {
        for (uint32_t state = 1; state < kTextureStageStateCount; ++state) {
            m_stageStates[stage][state] = DefaultStageState(stage, state);
        }
    }
    m_states[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = 1;
    m_states[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    m_states[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    m_states[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    m_states[D3DRENDERSTATE_FOGTABLEEND] = BitsFromFloat(1.0f);
    m_states[D3DRENDERSTATE_FOGTABLEDENSITY] = BitsFromFloat(1.0f);
    m_states[D3DRENDERSTATE_ZENABLE] = D3DZB_FALSE;
    m_states[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    m_states[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    m_states[D3DRENDERSTATE_ZWRITEENABLE] = 1;
    m_states[D3DRENDERSTATE_LASTPIXEL] = 1;
    m_states[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    m_states[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    m_states[D3DRENDERSTATE_DITHERENABLE] = 0;
    m_states[D3DRENDERSTATE_ZBIAS] = 0;
    UpdateCombinedMatrix();
}

Rasterizer::~Rasterizer() = default;

void Rasterizer::SetThreadCount(int threads) { m_threadCount = std::clamp(threads, 0, kMaxBandThreads); }

int Rasterizer::ThreadCount() const { return m_threadCount != 0 ? m_threadCount : DefaultBandThreads(); }

void Rasterizer::Record(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    m_log.emplace_back(line);
}

bool Rasterizer::SetRenderTarget(const RenderTarget& target) {
    if (m_recording) {
        Record("SetRenderTarget %d %d %d %s", target.width, target.height, target.pitch,
               target.format == PixelFormat::RGB565 ? "RGB565" : "XRGB8888");
    }
    const int32_t bytes = target.format == PixelFormat::RGB565 ? 2 : 4;
    if (target.pixels == nullptr || target.width < 1 || target.height < 1 ||
        target.width > kMaxTargetSize || target.height > kMaxTargetSize ||
        target.pitch < target.width * bytes) {
        return false;
    }
    m_target = target;
    return true;
}

bool Rasterizer::SetDepthBuffer(const DepthBuffer& depth) {
    if (m_recording) {
        Record("SetDepthBuffer %d %d %d", depth.width, depth.height, depth.pitch);
    }
    if (depth.values == nullptr || depth.width < 1 || depth.height < 1 ||
        depth.width > kMaxTargetSize || depth.height > kMaxTargetSize ||
        depth.pitch < depth.width * 2) {
        return false;
    }
    m_depth = depth;
    return true;
}

void Rasterizer::RemoveDepthBuffer() {
    if (m_recording) {
        Record("RemoveDepthBuffer");
    }
    m_depth = DepthBuffer{};
}

bool Rasterizer::SetTransform(uint32_t kind, const Matrix4& matrix) {
    if (m_recording) {
        std::string values;
        for (const auto& row : matrix.m) {
            for (float v : row) {
                char text[32];
                std::snprintf(text, sizeof text, " %g", static_cast<double>(v));
                values += text;
            }
        }
        Record("SetTransform %u%s", kind, values.c_str());
    }
    switch (kind) {
    case D3DTRANSFORMSTATE_WORLD: m_world = matrix; break;
    case D3DTRANSFORMSTATE_VIEW: m_view = matrix; break;
    case D3DTRANSFORMSTATE_PROJECTION: m_projection = matrix; break;
    default: return false;
    }
    UpdateCombinedMatrix();
    return true;
}

bool Rasterizer::GetTransform(uint32_t kind, Matrix4& matrix) const {
    switch (kind) {
    case D3DTRANSFORMSTATE_WORLD: matrix = m_world; return true;
    case D3DTRANSFORMSTATE_VIEW: matrix = m_view; return true;
    case D3DTRANSFORMSTATE_PROJECTION: matrix = m_projection; return true;
    default: return false;
    }
}

bool Rasterizer::SetViewport(const Viewport& v) {
    if (m_recording) {
        Record("SetViewport %u %u %u %u %g %g %g %g %g %g", v.dwX, v.dwY, v.dwWidth, v.dwHeight,
               static_cast<double>(v.dvClipX), static_cast<double>(v.dvClipY),
               static_cast<double>(v.dvClipWidth), static_cast<double>(v.dvClipHeight),
               static_cast<double>(v.dvMinZ), static_cast<double>(v.dvMaxZ));
    }
    if (v.dwWidth == 0 || v.dwHeight == 0 || v.dwX > kMaxViewportEdge ||
        v.dwY > kMaxViewportEdge || v.dwWidth > kMaxViewportEdge - v.dwX ||
        v.dwHeight > kMaxViewportEdge - v.dwY || !IsFinitePositive(v.dvClipWidth) ||
        !IsFinitePositive(v.dvClipHeight) || !std::isfinite(v.dvClipX) ||
        !std::isfinite(v.dvClipY) || !std::isfinite(v.dvMinZ) || !std::isfinite(v.dvMaxZ) ||
        v.dvMinZ == v.dvMaxZ) {
        return false;
    }
    m_viewport = v;
    m_viewportSet = true;
    UpdateCombinedMatrix();
    return true;
}

bool Rasterizer::SetRenderState(uint32_t state, uint32_t value) {
    if (m_recording) {
        Record("SetRenderState %u %u", state, value);
    }
    if (state >= kRenderStateCount) {
        return false;
    }
    m_states[state] = value;
    return true;
}

uint32_t Rasterizer::GetRenderState(uint32_t state) const {
    return state < kRenderStateCount ? m_states[state] : 0;
}

bool Rasterizer::SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) {
    if (m_recording) {
        Record("SetTextureStageState %u %u %u", stage, state, value);
    }
    if (stage >= kTextureStageCount || state == 0 || state >= kTextureStageStateCount) {
        return false;
    }
    m_stageStates[stage][state] = value;
    if (state == D3DTSS_ADDRESS) {
        m_stageStates[stage][D3DTSS_ADDRESSU] = value;
        m_stageStates[stage][D3DTSS_ADDRESSV] = value;
    }
    return true;
}

uint32_t Rasterizer::GetTextureStageState(uint32_t stage, uint32_t state) const {
    if (stage >= kTextureStageCount || state == 0 || state >= kTextureStageStateCount) {
        return 0;
    }
    return m_stageStates[stage][state];
}

bool Rasterizer::SetTexture(uint32_t stage, const Texture* texture) {
    if (m_recording) {
        Record(texture == nullptr ? "SetTexture %u null" : "SetTexture %u set", stage);
    }
    if (stage >= kTextureStageCount) {
        return false;
    }
    m_textures[stage] = texture;
    return true;
}

// Resolves the stage states, textures and colour-path render states of the coming draw.
// Plain Gouraud draws leave `shade` null and take the shorter loops.
void Rasterizer::PrepareShading() {
    ShadeState& s = m_shade;
    s.stageCount = 0;
    for (uint32_t k = 0; k < static_cast<uint32_t>(kShadedStageCount); ++k) {
        const uint32_t* st = m_stageStates[k];
        if (st[D3DTSS_COLOROP] == D3DTOP_DISABLE || st[D3DTSS_COLOROP] == 0) {
            break;
        }
        StageState& stage = s.stages[k];
        stage.colourOp = st[D3DTSS_COLOROP];
        stage.colourArg1 = st[D3DTSS_COLORARG1];
        stage.colourArg2 = st[D3DTSS_COLORARG2];
        stage.alphaOp = st[D3DTSS_ALPHAOP];
        stage.alphaArg1 = st[D3DTSS_ALPHAARG1];
        stage.alphaArg2 = st[D3DTSS_ALPHAARG2];
        stage.coordinateSet = (st[D3DTSS_TEXCOORDINDEX] & 0xFFFF) == 1 ? 1 : 0;
        const Texture* texture = m_textures[k];
        stage.texture = texture != nullptr && texture->levelCount > 0 ? texture : nullptr;
        SamplerState& sampler = stage.sampler;
        sampler.addressU = st[D3DTSS_ADDRESSU];
        sampler.addressV = st[D3DTSS_ADDRESSV];
        sampler.linearMag = st[D3DTSS_MAGFILTER] != D3DTFG_POINT;
        sampler.linearMin = st[D3DTSS_MINFILTER] != D3DTFN_POINT;
        sampler.mipFilter = st[D3DTSS_MIPFILTER];
        const float bias = FloatFromBits(st[D3DTSS_MIPMAPLODBIAS]);
        sampler.lodBias = std::isfinite(bias) ? std::clamp(bias, -16.0f, 16.0f) : 0.0f;
        sampler.maxMipLevel = st[D3DTSS_MAXMIPLEVEL];
        sampler.colourKey = m_states[D3DRENDERSTATE_COLORKEYENABLE] != 0 && stage.texture != nullptr &&
                            stage.texture->hasColourKey;
        ClassifyStage(stage);
        m_pipe.textureSize[k][0] = stage.texture != nullptr ? static_cast<float>(stage.texture->levels[0].width) : 0;
        m_pipe.textureSize[k][1] = stage.texture != nullptr ? static_cast<float>(stage.texture->levels[0].height) : 0;
        ++s.stageCount;
    }
    s.textureFactor = ColourFromState(m_states[D3DRENDERSTATE_TEXTUREFACTOR]);
    s.specular = m_states[D3DRENDERSTATE_SPECULARENABLE] != 0;
    s.fog = m_states[D3DRENDERSTATE_FOGENABLE] != 0 && m_states[D3DRENDERSTATE_FOGTABLEMODE] == D3DFOG_LINEAR;
    s.fogStart = FloatFromBits(m_states[D3DRENDERSTATE_FOGTABLESTART]);
    s.fogEnd = FloatFromBits(m_states[D3DRENDERSTATE_FOGTABLEEND]);
    if (!std::isfinite(s.fogStart) || !std::isfinite(s.fogEnd)) {
        s.fog = false;
    }
    s.fogColour = ColourFromState(m_states[D3DRENDERSTATE_FOGCOLOR]);
    s.alphaTest = m_states[D3DRENDERSTATE_ALPHATESTENABLE] != 0;
    s.alphaFunc = m_states[D3DRENDERSTATE_ALPHAFUNC];
    s.alphaRef = m_states[D3DRENDERSTATE_ALPHAREF] & 0xFF;
    s.blend = m_states[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
    s.sourceBlend = m_states[D3DRENDERSTATE_SRCBLEND];
    s.destBlend = m_states[D3DRENDERSTATE_DESTBLEND];
    if (s.blend && s.sourceBlend == D3DBLEND_ONE && s.destBlend == D3DBLEND_ZERO) {
        s.blend = false;  // replaces the target: the same as no blending
    }
    s.blendByAlpha = s.sourceBlend == D3DBLEND_SRCALPHA && s.destBlend == D3DBLEND_INVSRCALPHA;
    // The attributes the colour path reads: diffuse always, specular when added or when a
    // stage takes the general path (which may name it), each textured stage's coordinates.
    int& n = m_pipe.shadedAttributeCount;
    n = 0;
    for (int k = kDiffuseR; k <= kDiffuseA; ++k) {
        m_pipe.shadedAttributes[n++] = k;
    }
    bool needSpecular = s.specular;
    bool needSet[2] = {false, false};
    for (int k = 0; k < s.stageCount; ++k) {
        const StageState& stage = s.stages[k];
        needSpecular = needSpecular || stage.colourForm == StageState::Form::General ||
                       stage.alphaForm == StageState::Form::General;
        needSet[stage.coordinateSet] = needSet[stage.coordinateSet] || stage.texture != nullptr;
    }
    if (needSpecular) {
        for (int k = kSpecularR; k <= kSpecularA; ++k) {
            m_pipe.shadedAttributes[n++] = k;
        }
    }
    for (int set = 0; set < 2; ++set) {
        if (needSet[set]) {
            m_pipe.shadedAttributes[n++] = kTexture0U + 2 * set;
            m_pipe.shadedAttributes[n++] = kTexture0V + 2 * set;
        }
    }
    bool plain = !s.specular && !s.fog && !s.alphaTest && !s.blend;
    for (int k = 0; k < s.stageCount && plain; ++k) {
        plain = PassesColourOn(s.stages[k]);
    }
    m_pipe.shade = plain ? nullptr : &m_shade;
    m_pipe.wideTextured = !plain && m_stage == nullptr && simd::Available() && simd::CoversTexturedPath(s);
    PixelPipeline::LevelTable& table = m_pipe.levels;
    table.usable = m_pipe.wideTextured;
    if (table.usable) {
        const Texture& t = *s.stages[0].texture;
        constexpr int64_t kReach = int64_t{1} << 30;
        for (int l = 0; l < kMaxTextureLevels; ++l) {
            const TextureLevel& level = t.levels[std::min(l, t.levelCount - 1)];
            // Levels are separate blocks: their distance is taken between addresses.
            const int64_t offset = static_cast<int64_t>(reinterpret_cast<uintptr_t>(level.pixels) -
                                                        reinterpret_cast<uintptr_t>(t.levels[0].pixels));
            const int64_t size = static_cast<int64_t>(level.pitch) * level.height;
            table.usable = table.usable && offset > -kReach && offset < kReach && size < kReach;
            table.width[l] = level.width;
            table.height[l] = level.height;
            table.pitch[l] = level.pitch;
            table.lastRead[l] = static_cast<int32_t>(std::min(size, kReach)) - 4;
            table.offset[l] = static_cast<int32_t>(std::clamp(offset, -kReach, kReach));
            table.pitchPair[l] = static_cast<int32_t>(2u | static_cast<uint32_t>(level.pitch) << 16);
        }
    }
}

// World, view and projection, then the fold that turns the viewport's clip window into the
// fixed volume -w..w (x, y), 0..w (z) the clipper works in:
//   x' = 2 (x - cx w) / cw - w,  y' = 2 (y - (cy - ch) w) / ch - w,  z' = (z - zmin w) / dz.
void Rasterizer::UpdateCombinedMatrix() {
    double world[4][4], view[4][4], projection[4][4];
    Widen(m_world, world);
    Widen(m_view, view);
    Widen(m_projection, projection);
    const Viewport& v = m_viewport;
    const double cw = v.dvClipWidth, ch = v.dvClipHeight;
    const double dz = static_cast<double>(v.dvMaxZ) - v.dvMinZ;
    double fold[4][4] = {};
    fold[0][0] = 2.0 / cw;
    fold[3][0] = -(2.0 * v.dvClipX / cw + 1.0);
    fold[1][1] = 2.0 / ch;
    fold[3][1] = -(2.0 * (static_cast<double>(v.dvClipY) - ch) / ch + 1.0);
    fold[2][2] = 1.0 / dz;
    fold[3][2] = -v.dvMinZ / dz;
    fold[3][3] = 1.0;
    Multiply(world, view, m_combined);
    Multiply(m_combined, projection, m_combined);
    Multiply(m_combined, fold, m_combined);
}

bool Rasterizer::PrepareDraw(uint32_t fvf, const void* vertices, uint32_t count, uint32_t flags,
                             VertexLayout& layout) {
    if (!DescribeVertexFormat(fvf, layout) || (vertices == nullptr && count > 0) ||
        count > D3DMAXNUMVERTICES || m_target.pixels == nullptr || !m_viewportSet) {
        return false;
    }
    PixelPipeline& p = m_pipe;
    p.pixels = static_cast<uint8_t*>(m_target.pixels);
    p.pitch = m_target.pitch;
    p.format = m_target.format;
    p.dither = m_states[D3DRENDERSTATE_DITHERENABLE] != 0 && p.format == PixelFormat::RGB565;
    p.lastPixel = m_states[D3DRENDERSTATE_LASTPIXEL] != 0;
    const bool depthOn = m_states[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE && HasDepthBuffer();
    p.depth = depthOn ? m_depth.values : nullptr;
    p.depthPitch = m_depth.pitch;
    p.depthTest = depthOn;
    p.depthWrite = depthOn && m_states[D3DRENDERSTATE_ZWRITEENABLE] != 0;
    const uint32_t func = m_states[D3DRENDERSTATE_ZFUNC];
    p.passLess = DepthCompare(func, 0, 1);
    p.passEqual = DepthCompare(func, 1, 1);
    p.passGreater = DepthCompare(func, 1, 0);
    p.depthBias = static_cast<int32_t>(std::min<uint32_t>(m_states[D3DRENDERSTATE_ZBIAS], 65535));
    p.left = static_cast<int32_t>(m_viewport.dwX);
    p.top = static_cast<int32_t>(m_viewport.dwY);
    p.right = std::min<int32_t>(p.left + static_cast<int32_t>(m_viewport.dwWidth), m_target.width);
    p.bottom =
        std::min<int32_t>(p.top + static_cast<int32_t>(m_viewport.dwHeight), m_target.height);
    if (depthOn) {
        p.right = std::min(p.right, m_depth.width);
        p.bottom = std::min(p.bottom, m_depth.height);
    }
    p.stage = m_stage;
    PrepareShading();
    if (m_stage != nullptr) {
        p.shade = nullptr;
    }
    simd::PrepareFastTextured(p);
    p.attributeCount = m_stage != nullptr || p.shade != nullptr ? kAttributeCount : 3;
    m_planes[0] = 0;
    m_planes[1] = 1;
    m_planeCount = 2;
    if (p.shade != nullptr && p.stage == nullptr) {
        for (int n = 0; n < p.shadedAttributeCount; ++n) {
            m_planes[m_planeCount++] = 2 + p.shadedAttributes[n];
        }
    } else {
        for (int k = 0; k < p.attributeCount; ++k) {
            m_planes[m_planeCount++] = 2 + k;
        }
    }
    m_planeMask = 0;
    for (int n = 0; n < m_planeCount; ++n) {
        m_planeMask |= 1u << m_planes[n];
    }
    m_wide16 = simd::Available16();
    m_packRows = m_wide16 && p.shade != nullptr && p.stage == nullptr && p.wideTextured && p.levels.usable;
    m_packetShader = m_packRows ? simd::ChoosePacketShader(p) : nullptr;
    m_packRows = m_packRows && m_packetShader != nullptr;
    const bool lit = m_lighting != nullptr && layout.normal >= 0 && (flags & D3DDP_DONOTLIGHT) == 0;
    if (lit) {
        PrepareLighting(*m_lighting, m_preparedLighting);
    }
    TransformVertices(layout, static_cast<const uint8_t*>(vertices), count, lit);
    return true;
}

void Rasterizer::TransformVertices(const VertexLayout& layout, const uint8_t* vertices,
                                   uint32_t count, bool lit) {
    m_clip.resize(count);
    m_codes.resize(count);
    m_screen.resize(count);
    float m[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m[r][c] = static_cast<float>(m_combined[r][c]);
        }
    }
#if defined(__x86_64__)
    // Four lanes of SSE2, which every x86-64 processor has: each run of four floats of a clip
    // vertex in one register, ReadVertex's values, and the same products and sums in the same
    // order as one coordinate at a time.
    static_assert(offsetof(ClipVertex, attributes) == 4 * sizeof(float) && kSpecularR == kDiffuseR + 4 &&
                      kTexture0U == kDiffuseR + 8 && kAttributeCount == 12,
                  "a clip vertex is four runs of four floats");
    const __m128 row0 = _mm_loadu_ps(m[0]), row1 = _mm_loadu_ps(m[1]), row2 = _mm_loadu_ps(m[2]);
    const __m128 row3 = _mm_loadu_ps(m[3]);
    const __m128 white = _mm_set1_ps(1.0f), black = _mm_setzero_ps();
    // The layout in locals: the stores below could otherwise be taken to change it.
    const size_t stride = layout.stride;
    const int32_t diffuse = layout.diffuse, specular = layout.specular;
    const int32_t texture0 = layout.texture[0], texture1 = layout.texture[1];
    ClipVertex* clip = m_clip.data();
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* vertex = vertices + i * stride;
        float* out = &clip[i].x;
        const __m128 x = _mm_set1_ps(vertex_fields::ReadFloat(vertex));
        const __m128 y = _mm_set1_ps(vertex_fields::ReadFloat(vertex + 4));
        const __m128 z = _mm_set1_ps(vertex_fields::ReadFloat(vertex + 8));
        _mm_storeu_ps(out, _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, row0), _mm_mul_ps(y, row1)),
                                                 _mm_mul_ps(z, row2)),
                                      row3));
        _mm_storeu_ps(out + 4 + kDiffuseR, diffuse >= 0 ? ColourLanes(vertex + diffuse) : white);
        _mm_storeu_ps(out + 4 + kSpecularR, specular >= 0 ? ColourLanes(vertex + specular) : black);
        const __m128i zero = _mm_setzero_si128();
        const __m128i set0 =
            texture0 >= 0 ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(vertex + texture0)) : zero;
        const __m128i set1 =
            texture1 >= 0 ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(vertex + texture1)) : zero;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 + kTexture0U), _mm_unpacklo_epi64(set0, set1));
    }
#else
    for (uint32_t i = 0; i < count; ++i) {
        float p[3];
        ClipVertex& out = m_clip[i];
        const uint8_t* vertex = vertices + static_cast<size_t>(i) * layout.stride;
        ReadVertex(layout, vertex, p, out.attributes);
        out.x = p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0];
        out.y = p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1];
        out.z = p[0] * m[0][2] + p[1] * m[1][2] + p[2] * m[2][2] + m[3][2];
        out.w = p[0] * m[0][3] + p[1] * m[1][3] + p[2] * m[2][3] + m[3][3];
    }
#endif
    if (lit) {
        const bool ownDiffuse = m_lighting->colourVertex && layout.diffuse >= 0;
        const uint32_t lightsDone =
            m_wide16 ? simd::LightVertices16(vertices, layout.stride, static_cast<uint32_t>(layout.normal), count,
                                             m_world.m, m_preparedLighting, ownDiffuse, m_lighting->materialDiffuse,
                                             m_clip.data())
                     : 0;
        for (uint32_t i = lightsDone; i < count; ++i) {
            Light(layout, vertices + static_cast<size_t>(i) * layout.stride, m_clip[i].attributes);
        }
    }
    const uint32_t done = m_wide16 ? simd::ProjectVertices16(m_clip.data(), count, m_viewport.dwX, m_viewport.dwY,
                                                             m_viewport.dwWidth * 0.5, m_viewport.dwHeight * 0.5,
                                                             m_codes.data(), m_screen.data())
                                   : 0;
    for (uint32_t i = done; i < count; ++i) {
        m_codes[i] = ClipCode(m_clip[i]);
        if (m_codes[i] == 0 && !Project(m_clip[i], m_screen[i])) {
            m_codes[i] = kClipInvalid;
        }
    }
}

// Lights one vertex: its normal turned by the world matrix (lights live in world space), and
// its diffuse colour, or the material's when the vertex has none or colour vertex is off.
void Rasterizer::Light(const VertexLayout& layout, const uint8_t* vertex, float* attributes) const {
    float n[3];
    std::memcpy(n, vertex + layout.normal, sizeof n);
    const float (*m)[4] = m_world.m;
    const float normal[3] = {n[0] * m[0][0] + n[1] * m[1][0] + n[2] * m[2][0],
                             n[0] * m[0][1] + n[1] * m[1][1] + n[2] * m[2][1],
                             n[0] * m[0][2] + n[1] * m[1][2] + n[2] * m[2][2]};
    const LightingState& s = *m_lighting;
    const ColorF diffuse = s.colourVertex && layout.diffuse >= 0
                               ? ColorF{attributes[kDiffuseR], attributes[kDiffuseG], attributes[kDiffuseB],
                                        attributes[kDiffuseA]}
                               : s.materialDiffuse;
    const ColorF lit = LightVertex(m_preparedLighting, normal, diffuse);
    attributes[kDiffuseR] = lit.r;
    attributes[kDiffuseG] = lit.g;
    attributes[kDiffuseB] = lit.b;
    attributes[kDiffuseA] = lit.a;
}

bool Rasterizer::Project(const ClipVertex& clip, ScreenVertex& screen) const {
    if (!(clip.w > 0.0f)) {
        return false;
    }
    const double inverse = 1.0 / static_cast<double>(clip.w);
    const double halfWidth = m_viewport.dwWidth * 0.5;
    const double halfHeight = m_viewport.dwHeight * 0.5;
    const double sx = m_viewport.dwX + (clip.x * inverse + 1.0) * halfWidth;
    const double sy = m_viewport.dwY + (1.0 - clip.y * inverse) * halfHeight;
    if (!std::isfinite(sx) || !std::isfinite(sy)) {
        return false;
    }
    // After clipping the corners lie on the viewport, up to rounding; the bound only keeps
    // the fixed-point edge arithmetic far from overflow.
    constexpr double kLimit = 65536.0;
    screen.fx = Snap(std::clamp(sx, -kLimit, kLimit));
    screen.fy = Snap(std::clamp(sy, -kLimit, kLimit));
    screen.z = static_cast<float>(clip.z * inverse);
    screen.q = static_cast<float>(inverse);
    std::memcpy(screen.attributes, clip.attributes, sizeof screen.attributes);
    return true;
}

void Rasterizer::DrawTriangle(Band& band, uint32_t i0, uint32_t i1, uint32_t i2) {
    const uint32_t c0 = m_codes[i0], c1 = m_codes[i1], c2 = m_codes[i2];
    if ((c0 | c1 | c2) == 0 && m_states[D3DRENDERSTATE_SHADEMODE] != D3DSHADE_FLAT) {
        FillTriangle(band, m_screen[i0], m_screen[i1], m_screen[i2]);
        return;
    }
    DrawShapedTriangle(band, i0, i1, i2);
}

// DrawTriangle for a triangle that is flat-shaded or reaches past the volume. Out of line, so
// that the usual triangle's way through DrawTriangle saves no registers.
__attribute__((noinline)) void Rasterizer::DrawShapedTriangle(Band& band, uint32_t i0, uint32_t i1, uint32_t i2) {
    const uint32_t c0 = m_codes[i0], c1 = m_codes[i1], c2 = m_codes[i2];
    if (((c0 | c1 | c2) & kClipInvalid) || (c0 & c1 & c2)) {
        return;
    }
    const bool flat = m_states[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT;
    // Flat shading takes both colours of the triangle's first corner.
    constexpr size_t kColourBytes = sizeof(float) * kTexture0U;
    if ((c0 | c1 | c2) == 0) {
        if (!flat) {
            FillTriangle(band, m_screen[i0], m_screen[i1], m_screen[i2]);
            return;
        }
        ScreenVertex screen[3] = {m_screen[i0], m_screen[i1], m_screen[i2]};
        std::memcpy(screen[1].attributes, screen[0].attributes, kColourBytes);
        std::memcpy(screen[2].attributes, screen[0].attributes, kColourBytes);
        FillTriangle(band, screen[0], screen[1], screen[2]);
        return;
    }
    ClipPolygon polygon;
    polygon.count = 3;
    polygon.v[0] = m_clip[i0];
    polygon.v[1] = m_clip[i1];
    polygon.v[2] = m_clip[i2];
    polygon.edge[0] = polygon.edge[1] = polygon.edge[2] = true;
    if (flat) {
        std::memcpy(polygon.v[1].attributes, polygon.v[0].attributes, kColourBytes);
        std::memcpy(polygon.v[2].attributes, polygon.v[0].attributes, kColourBytes);
    }
    if (!ClipPolygonToVolume(polygon, c0 | c1 | c2)) {
        return;
    }
    ScreenVertex screen[ClipPolygon::kCapacity];
    for (int k = 0; k < polygon.count; ++k) {
        if (!Project(polygon.v[k], screen[k])) {
            return;
        }
    }
    FillPolygon(band, screen, polygon.count, polygon.edge);
}

// Whether the cull mode drops a polygon of this signed twice area; degenerate ones always go.
inline bool Rasterizer::Culled(int64_t area) const {
    const uint32_t cull = m_states[D3DRENDERSTATE_CULLMODE];
    return area == 0 || (cull == D3DCULL_CW && area > 0) || (cull == D3DCULL_CCW && area < 0);
}

// Culls a projected convex polygon by its winding, then fills it as a fan or draws its
// original edges.
void Rasterizer::FillPolygon(Band& band, ScreenVertex* screen, int count, const bool* edges) {
    const int64_t area = TwiceArea(screen, count);
    if (Culled(area)) {
        return;
    }
    band.counters.triangles += band.countPrimitives ? 1 : 0;
    if (m_states[D3DRENDERSTATE_FILLMODE] == D3DFILL_WIREFRAME) {
        for (int k = 0; k < count; ++k) {
            if (edges[k]) {
                RasterizeSegment(band, screen[k], screen[(k + 1) % count]);
            }
        }
        return;
    }
    for (int k = 1; k + 1 < count; ++k) {
        const ScreenVertex& a = screen[0];
        const ScreenVertex& b = screen[k];
        const ScreenVertex& c = screen[k + 1];
        const int64_t part = (b.fx - a.fx) * (c.fy - a.fy) - (b.fy - a.fy) * (c.fx - a.fx);
        // A fan piece whose winding differs from the polygon's is a rounding sliver.
        if (part == 0 || (part > 0) != (area > 0)) {
            continue;
        }
        if (part > 0) {
            RasterizeTriangle(band, a, b, c);
        } else {
            RasterizeTriangle(band, a, c, b);
        }
    }
}

// FillPolygon for a triangle inside the volume, read in place: its twice area is the fan's
// one cross product, so the fan's sliver test never drops it.
inline void Rasterizer::FillTriangle(Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    const int64_t area = (b.fx - a.fx) * (c.fy - a.fy) - (b.fy - a.fy) * (c.fx - a.fx);
    if (Culled(area)) {
        return;
    }
    band.counters.triangles += band.countPrimitives ? 1 : 0;
    if (m_states[D3DRENDERSTATE_FILLMODE] == D3DFILL_WIREFRAME) {
        RasterizeSegment(band, a, b);
        RasterizeSegment(band, b, c);
        RasterizeSegment(band, c, a);
        return;
    }
    // Clockwise on screen: one call, its corners' order chosen by pointer.
    const bool clockwise = area > 0;
    RasterizeTriangle(band, a, clockwise ? b : c, clockwise ? c : b);
}

void Rasterizer::DrawLine(Band& band, uint32_t i0, uint32_t i1) {
    const uint32_t c0 = m_codes[i0], c1 = m_codes[i1];
    if (((c0 | c1) & kClipInvalid) || (c0 & c1)) {
        return;
    }
    // Flat shading takes both colours of the line's first end.
    const bool flat = m_states[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT;
    constexpr size_t kColourBytes = sizeof(float) * kTexture0U;
    if ((c0 | c1) == 0) {
        ++band.counters.lines;
        if (flat) {
            ScreenVertex end = m_screen[i1];
            std::memcpy(end.attributes, m_screen[i0].attributes, kColourBytes);
            RasterizeSegment(band, m_screen[i0], end);
        } else {
            RasterizeSegment(band, m_screen[i0], m_screen[i1]);
        }
        return;
    }
    ClipVertex a = m_clip[i0];
    ClipVertex b = m_clip[i1];
    if (flat) {
        std::memcpy(b.attributes, a.attributes, kColourBytes);
    }
    if (!ClipSegmentToVolume(a, b, c0 | c1)) {
        return;
    }
    ScreenVertex sa, sb;
    if (!Project(a, sa) || !Project(b, sb)) {
        return;
    }
    ++band.counters.lines;
    RasterizeSegment(band, sa, sb);
}

// Every triangle of a walk in order; a strip turns every other triangle round so all keep the
// strip's winding.
void Rasterizer::WalkTriangles(Band& band, const TriangleWalk& walk) {
    const uint32_t step = walk.type == D3DPT_TRIANGLELIST ? 3 : 1;
    const bool strip = walk.type == D3DPT_TRIANGLESTRIP;
    for (uint32_t i = 0; i + 3 <= walk.count; i += step) {
        uint32_t a = i, b = i + 1, c = i + 2;
        if (walk.indices != nullptr) {
            a = walk.indices[i];
            b = walk.indices[i + 1];
            c = walk.indices[i + 2];
            if (a >= walk.vertexCount || b >= walk.vertexCount || c >= walk.vertexCount) {
                continue;
            }
        }
        if (strip && i % 2 == 1) {
            std::swap(b, c);
        }
        DrawTriangle(band, a, b, c);
    }
}

// Whether a triangle draw covers enough of the screen to repay waking the band threads: its
// triangles' bounding boxes, halved, add up to kBandedPixels or more. A triangle that needs
// clipping counts as large. Stops as soon as the answer is known.
bool Rasterizer::WorthBanding(const TriangleWalk& walk) const {
    constexpr int64_t kBandedPixels = 8192;
    constexpr int64_t kSubPixelArea = 256 * 256 * 2;
    if (walk.vertexCount == 0) {
        return false;
    }
    const uint32_t step = walk.type == D3DPT_TRIANGLELIST ? 3 : 1;
    int64_t area = 0;
    for (uint32_t i = 0; i + 3 <= walk.count; i += step) {
        uint32_t v[3] = {i, i + 1, i + 2};
        if (walk.indices != nullptr) {
            for (uint32_t& index : v) {
                index = std::min<uint32_t>(walk.indices[index], walk.vertexCount - 1);
            }
        }
        const uint32_t c0 = m_codes[v[0]], c1 = m_codes[v[1]], c2 = m_codes[v[2]];
        if (((c0 | c1 | c2) & kClipInvalid) || (c0 & c1 & c2)) {
            continue;
        }
        if ((c0 | c1 | c2) != 0) {
            return true;
        }
        const ScreenVertex& a = m_screen[v[0]];
        const ScreenVertex& b = m_screen[v[1]];
        const ScreenVertex& c = m_screen[v[2]];
        const int64_t w = std::max({a.fx, b.fx, c.fx}) - std::min({a.fx, b.fx, c.fx});
        const int64_t h = std::max({a.fy, b.fy, c.fy}) - std::min({a.fy, b.fy, c.fy});
        area += w * h / kSubPixelArea;
        if (area >= kBandedPixels) {
            return true;
        }
    }
    return false;
}

// Draws a triangle draw on the calling thread or over the band threads. The per-vertex work is
// done by now; the passes share it read-only and keep their own counters. A pixel stage is the
// caller's object and may keep state, and wireframe is few pixels, so those stay on one thread.
void Rasterizer::DrawTriangles(const TriangleWalk& walk) {
    const int threads = ThreadCount();
    const bool banded = threads > 1 && m_pipe.stage == nullptr &&
                        m_states[D3DRENDERSTATE_FILLMODE] != D3DFILL_WIREFRAME && WorthBanding(walk);
    if (!banded) {
        Band band;
        WalkTriangles(band, walk);
        AddCounters(m_counters, band.counters);
        return;
    }
    if (m_workers == nullptr || m_workers->Bands() != threads) {
        m_workers.reset();
        m_workers = std::make_unique<BandWorkers>(threads);
    }
    struct Pass {
        Rasterizer* raster;
        const TriangleWalk* walk;
        Band bands[kMaxBandThreads];
    } pass{this, &walk, {}};
    for (int k = 0; k < threads; ++k) {
        pass.bands[k].index = k;
        pass.bands[k].count = threads;
        pass.bands[k].countPrimitives = k == 0;
    }
    m_workers->Run(
        [](void* context, int band) {
            Pass& p = *static_cast<Pass*>(context);
            p.raster->WalkTriangles(p.bands[band], *p.walk);
        },
        &pass);
    for (int k = 0; k < threads; ++k) {
        AddCounters(m_counters, pass.bands[k].counters);
    }
}

bool Rasterizer::DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices,
                               uint32_t count, uint32_t flags) {
    if (m_recording) {
        Record("DrawPrimitive %u 0x%X %u 0x%X", type, fvf, count, flags);
    }
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_LINELIST) {
        return false;
    }
    VertexLayout layout;
    if (!PrepareDraw(fvf, vertices, count, flags, layout)) {
        return false;
    }
    if (type == D3DPT_LINELIST) {
        Band band;
        for (uint32_t i = 0; i + 2 <= count; i += 2) {
            DrawLine(band, i, i + 1);
        }
        AddCounters(m_counters, band.counters);
        return true;
    }
    DrawTriangles(TriangleWalk{type, nullptr, count, count});
    return true;
}

bool Rasterizer::DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices,
                                      uint32_t vertexCount, const uint16_t* indices,
                                      uint32_t indexCount, uint32_t flags) {
    if (m_recording) {
        Record("DrawIndexedPrimitive %u 0x%X %u %u 0x%X", type, fvf, vertexCount, indexCount,
               flags);
    }
    if ((type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_LINELIST) ||
        (indices == nullptr && indexCount > 0) || indexCount > D3DMAXNUMVERTICES) {
        return false;
    }
    VertexLayout layout;
    if (!PrepareDraw(fvf, vertices, vertexCount, flags, layout)) {
        return false;
    }
    if (type == D3DPT_LINELIST) {
        Band band;
        for (uint32_t i = 0; i + 2 <= indexCount; i += 2) {
            if (indices[i] < vertexCount && indices[i + 1] < vertexCount) {
                DrawLine(band, indices[i], indices[i + 1]);
            }
        }
        AddCounters(m_counters, band.counters);
        return true;
    }
    DrawTriangles(TriangleWalk{type, indices, indexCount, vertexCount});
    return true;
}

bool Rasterizer::Clear(const sys::RECT& rect, uint32_t flags, uint32_t colour, float z) {
    if (m_recording) {
        Record("Clear %d %d %d %d 0x%X 0x%08X %g", rect.left, rect.top, rect.right, rect.bottom,
               flags, colour, static_cast<double>(z));
    }
    const bool target = (flags & D3DCLEAR_TARGET) != 0;
    const bool depth = (flags & D3DCLEAR_ZBUFFER) != 0;
    if ((target && m_target.pixels == nullptr) || (depth && !HasDepthBuffer())) {
        return false;
    }
    if (target) {
        const int32_t left = std::max(rect.left, 0), top = std::max(rect.top, 0);
        const int32_t right = std::min(rect.right, m_target.width);
        const int32_t bottom = std::min(rect.bottom, m_target.height);
        const ColorF c = UnpackARGB(colour);
        const uint16_t narrow = PackRGB565(c, 0.5f);
        const uint32_t wide = PackXRGB8888(c);
        for (int32_t y = top; y < bottom && left < right; ++y) {
            uint8_t* row = static_cast<uint8_t*>(m_target.pixels) +
                           static_cast<std::ptrdiff_t>(y) * m_target.pitch;
            if (m_target.format == PixelFormat::RGB565) {
                Fill16(reinterpret_cast<uint16_t*>(row) + left, right - left, narrow);
            } else {
                std::fill_n(reinterpret_cast<uint32_t*>(row) + left, right - left, wide);
            }
        }
    }
    if (depth) {
        const int32_t left = std::max(rect.left, 0), top = std::max(rect.top, 0);
        const int32_t right = std::min(rect.right, m_depth.width);
        const int32_t bottom = std::min(rect.bottom, m_depth.height);
        const uint16_t value = static_cast<uint16_t>(DepthValue(std::isfinite(z) ? z : 1.0f));
        for (int32_t y = top; y < bottom && left < right; ++y) {
            uint16_t* row = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(m_depth.values) +
                                                        static_cast<std::ptrdiff_t>(y) * m_depth.pitch);
            Fill16(row + left, right - left, value);
        }
    }
    return true;
}

}  // namespace sys::raster
