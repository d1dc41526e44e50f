#include "render/texture/SD3D6Lock.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstddef>
#include <cstring>
#include <vector>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"

using namespace sys::video;
using sys::d3d::D3DMATERIAL;

float SD3D6Lock::s_fAmbientFactors[4] = {1.0f, 1.0f, 1.0f, 1.0f};

namespace {

constexpr uint32_t kDDSD_TEXTURESTAGE = 0x100000;

int TargetWidth(uint32_t mask) { return std::popcount(mask); }

// How one byte of a channel lands in a surface pixel: right by the bits the mask lacks, left to
// the mask's lowest bit.
struct ChannelShift {
    int right = 8;
    int left = 0;
    uint32_t Place(uint32_t byte) const { return right >= 8 ? 0 : (byte >> right) << left; }
};

ChannelShift ShiftFor(uint32_t mask) {
    ChannelShift shift;
    if (mask != 0) {
        shift.right = 8 - std::min(8, std::popcount(mask));
        shift.left = std::countr_zero(mask);
    }
    return shift;
}

void StorePixel(uint8_t* at, int bytes, uint32_t value) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Format widths red, green, blue, alpha against the target's.
float Score(const STexFormat& format, const int target[4]) {
    float score = 0.0f;
    for (int c = 0; c < 4; ++c) {
        const float d = static_cast<float>(format.m_Widths[c] - target[c]);
        score += d * d;
    }
    return score;
}

}  // namespace

SD3D6Lock::SD3D6Lock() {
    m_Material.diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    m_Material.dwRampSize = 16;
}

SD3D6Lock::~SD3D6Lock() { Clear(); }

int SD3D6Lock::ChooseFormat(const STexture2& texture, const DDPIXELFORMAT& target, bool colourKey) {
    const int count = texture.GetNumFormats();
    if (target.dwRGBBitCount == 8) {
        for (int i = 0; i < count; ++i) {
            if (texture.GetFormat(static_cast<int16_t>(i))->m_iColorBits == 8) {
                return i;
            }
        }
        return -1;
    }
    const int want[4] = {TargetWidth(target.dwRBitMask), TargetWidth(target.dwGBitMask), TargetWidth(target.dwBBitMask),
                         (target.dwFlags & DDPF_ALPHAPIXELS) != 0 ? TargetWidth(target.dwRGBAlphaBitMask) : 0};
    // Each pass keeps the closest format it admits; a later pass runs only when the earlier
    // ones admitted none.
    auto keyed = [&](const STexFormat& f) {
        return f.m_iColorBits > 8 && f.m_Widths[3] == 1 && f.m_Widths[0] >= want[0] && f.m_Widths[1] >= want[1] &&
               f.m_Widths[2] >= want[2] && f.m_Widths[3] >= want[3];
    };
    auto wide = [&](const STexFormat& f) {
        return f.m_iColorBits > 8 && f.m_Widths[0] >= want[0] && f.m_Widths[1] >= want[1] &&
               f.m_Widths[2] >= want[2] && f.m_Widths[3] >= want[3];
    };
    auto deep = [](const STexFormat& f) { return f.m_iColorBits > 8; };
    float best = FLT_MAX;
    int chosen = -1;
    auto pass = [&](auto admits) {
        for (int i = 0; i < count; ++i) {
            const STexFormat& format = *texture.GetFormat(static_cast<int16_t>(i));
            if (!admits(format)) {
                continue;
            }
            const float score = Score(format, want);
            if (score < best) {
                best = score;
                chosen = i;
            }
        }
    };
    if (colourKey) {
        pass(keyed);
    }
    if (chosen < 0) {
        pass(wide);
    }
    if (chosen < 0) {
        pass(deep);
    }
    if (chosen < 0) {
        for (int i = 0; i < count; ++i) {
            if (texture.GetFormat(static_cast<int16_t>(i))->m_iColorBits <= 8) {
                chosen = i;
            }
        }
    }
    return chosen;
}

int SD3D6Lock::Build(STexture2* texture) {
    using namespace texture_keys;
    if (m_pClassStates[0] == nullptr || m_pClassStates[1] == nullptr || m_pClassStates[2] == nullptr ||
        m_pDevice == nullptr || m_pD3D == nullptr || m_pDD == nullptr || texture == nullptr ||
        texture->GetNumFormats() < 1 || texture->GetMIPDepth() < 1) {
        return 0;
    }
    bool colourKey = ReadFlag(*texture, "TXT-RSColorKey", "No");
    m_States.dwColorKeyEnable = colourKey ? 1 : 0;

    bool hasAlpha = false;
    for (int16_t i = 0; i < texture->GetNumFormats(); ++i) {
        const STexFormat* format = texture->GetFormat(i);
        if (format->HasAlpha() != 0 || (format->m_iColorBits == 8 && format->m_iColorKey != -1)) {
            hasAlpha = true;
        }
    }

    SD3D6TextureStates* classBlock = nullptr;
    if (ReadFlag(*texture, "TXT-IsTree", "No")) {
        m_pfTarget = m_pfTree;
        classBlock = m_pClassStates[kTreeClass];
    } else if (hasAlpha) {
        m_pfTarget = !colourKey && m_pClassStates[kAlphaClass]->dwColorKeyEnable == 0 ? m_pfAlpha : m_pfPlain;
        classBlock = m_pClassStates[kAlphaClass];
    } else {
        m_pfTarget = m_pfPlain;
        classBlock = m_pClassStates[kOpaqueClass];
    }
    if (ReadFlag(*texture, "TXT-UseBackPF", "No")) {
        m_pfTarget = m_pfBackBuffer;
    }
    if (classBlock->dwColorKeyEnable == 1) {
        colourKey = true;
        m_States.dwColorKeyEnable = 1;
    }
    if (colourKey) {
        // Keyed texels have no edges to filter: the whole class draws with point filters.
        classBlock->dwMagFilter = 1;
        classBlock->dwMinFilter = 1;
        classBlock->dwMipFilter = 2;
    }

    const int chosen = ChooseFormat(*texture, m_pfTarget, colourKey);
    if (chosen < 0) {
        return 0;
    }
    texture->KeepOnlyFormat(static_cast<int16_t>(chosen));
    STexFormat* format = texture->GetFormat(0);

    const int formatWidth = format->m_iWidth;
    const int formatHeight = format->m_iHeight;
    int width = std::min(std::max(formatWidth, m_iMinWidth), m_iMaxWidth);
    int height = std::min(std::max(formatHeight, m_iMinHeight), m_iMaxHeight);
    if (m_bReduce != 0 && !ReadFlag(*texture, "TXT-FreezeSize", "No")) {
        // A device may take smaller sides than the resampler can make; halving stops at both.
        if (width / 2 >= std::max(m_iMinWidth, STexture2::kMinResampleSide)) {
            width /= 2;
        }
        if (height / 2 >= std::max(m_iMinHeight, STexture2::kMinResampleSide)) {
            height /= 2;
        }
    }
    if (m_bSquare != 0) {
        width = height = std::max(width, height);
    }

    // Pixels that could not be read, or not brought to the built size, would upload as
    // nothing or run past the level buffers: such a texture is not built.
    if (texture->LoadFormat(0, nullptr) == 0 || width <= 0 || height <= 0) {
        return 0;
    }
    if ((width != formatWidth || height != formatHeight) && texture->ResampleFormat(width, height) == 0) {
        // A size the resampler cannot make: the texture is built as stored rather than lost.
        width = formatWidth;
        height = formatHeight;
    }
    // A texture built larger than it is stored still maps one to one.
    m_fScaleU = static_cast<float>(std::max(1, formatWidth / width));
    m_fScaleV = static_cast<float>(std::max(1, formatHeight / height));
    if (texture->GetNumFormats() < 1 || m_pfTarget.dwRGBBitCount == 8) {
        return 0;
    }
    format = texture->GetFormat(0);

    const bool noManage = ReadNoManage(*texture);
    m_States.dwStageIndex = static_cast<uint32_t>(texture->GetTagInt("TXT-TSIndex", 0));
    m_States.dwMipLevels = ReadMipLevels(*texture, format->m_iMIPDepth);
    const uint32_t hint = ReadSurfaceHint(*texture);

    m_iWidth = format->m_iWidth;
    m_iHeight = format->m_iHeight;
    IDirectDrawSurface4* surface = nullptr;
    if (CreateSurface(m_States.dwMipLevels, hint, noManage, &surface) == 0) {
        return 0;
    }
    if (sys::d3d::QueryTexture(surface, &m_pTexture) != DD_OK) {
        m_pTexture = nullptr;
        surface->Release();
        return 0;
    }
    Upload(surface, *format, m_States.dwMipLevels, colourKey);
    CreateMaterial(*texture);

    m_iMIPDepth = format->m_iMIPDepth;
    m_fLogicalWidth = static_cast<float>(m_iWidth) * m_fScaleU;
    m_fLogicalHeight = static_cast<float>(m_iHeight) * m_fScaleV;
    CopyTagsAndRegions(*texture, *format);
    m_dwSortType = ReadStateKeys(*this, m_States, *classBlock, colourKey);
    return 1;
}

int SD3D6Lock::CreateSurface(uint32_t mipLevels, uint32_t hint, bool noManage, IDirectDrawSurface4** surface) {
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_MIPMAPCOUNT | kDDSD_TEXTURESTAGE;
    desc.dwWidth = static_cast<uint32_t>(m_iWidth);
    desc.dwHeight = static_cast<uint32_t>(m_iHeight);
    desc.dwMipMapCount = mipLevels;
    desc.dwTextureStage = m_States.dwStageIndex;
    desc.ddpfPixelFormat = m_pfTarget;
    *surface = nullptr;
    if (m_bUnmanagedAllowed != 0 && noManage) {
        m_bManaged = 0;
        m_pD3D->EvictManagedTextures();
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
        desc.ddsCaps.dwCaps2 = hint;
        if (m_pDD->CreateSurface(&desc, surface, nullptr) != DD_OK) {
            *surface = nullptr;
            return 0;
        }
        // A surface the display cannot hand a drawing context for is given up for a managed one.
        sys::HDC dc = nullptr;
        if ((*surface)->GetDC(&dc) == DD_OK) {
            (*surface)->ReleaseDC(dc);
            return 1;
        }
        (*surface)->Release();
        *surface = nullptr;
    }
    m_bManaged = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    desc.ddsCaps.dwCaps2 = hint | DDSCAPS2_TEXTUREMANAGE;
    if (m_pDD->CreateSurface(&desc, surface, nullptr) != DD_OK) {
        *surface = nullptr;
        return 0;
    }
    return 1;
}

void SD3D6Lock::Upload(IDirectDrawSurface4* top, STexFormat& format, uint32_t mipLevels, bool colourKey) {
    const DDPIXELFORMAT& pf = m_pfTarget;
    const uint32_t bits = pf.dwRGBBitCount;
    const int pixelBytes = bits <= 8 ? 1 : bits <= 16 ? 2 : bits <= 24 ? 3 : 4;
    const bool targetAlpha = (pf.dwFlags & DDPF_ALPHAPIXELS) != 0;
    const ChannelShift red = ShiftFor(pf.dwRBitMask);
    const ChannelShift green = ShiftFor(pf.dwGBitMask);
    const ChannelShift blue = ShiftFor(pf.dwBBitMask);
    const ChannelShift alpha = ShiftFor(targetAlpha ? pf.dwRGBAlphaBitMask : 0);
    const uint32_t alphaMask = targetAlpha ? pf.dwRGBAlphaBitMask : 0;
    const uint32_t fullAlpha = alpha.Place(0xFF);
    auto pack = [&](uint32_t texel) {
        return blue.Place(texel & 0xFF) + green.Place((texel >> 8) & 0xFF) + red.Place((texel >> 16) & 0xFF) +
               fullAlpha;
    };
    const uint32_t key = pack(m_dwColorKey);
    const uint32_t maskLevel = mipLevels >= 2 ? 1 : 0;

    const size_t capacity = static_cast<size_t>(m_iWidth) * static_cast<size_t>(m_iHeight);
    std::vector<uint32_t> work(capacity);
    std::vector<uint8_t> alphas(capacity);
    IDirectDrawSurface4* level = top;
    level->AddRef();
    for (uint32_t index = 0; index < mipLevels && level != nullptr; ++index) {
        const auto layerIndex = static_cast<int16_t>(index);
        const STexLayer* layer = layerIndex < static_cast<int>(format.Layers().size()) ? format.Layers()[index] : nullptr;
        const bool layerFits = layer != nullptr && layer->width > 0 && layer->height > 0 &&
                               static_cast<size_t>(layer->width) * static_cast<size_t>(layer->height) <= capacity;
        const bool haveColour =
            layerFits && format.CopyLayerRGB(layerIndex, reinterpret_cast<uint8_t*>(work.data()), 1) == 0;
        const bool levelAlpha = haveColour && format.HasAlpha() != 0 && format.CopyLayerAlpha(layerIndex, alphas.data()) == 0;

        DDSURFACEDESC2 desc;
        if (haveColour && level->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK) {
            const int w = std::min<int>(layer->width, static_cast<int>(desc.dwWidth));
            const int h = std::min<int>(layer->height, static_cast<int>(desc.dwHeight));
            auto* rows = static_cast<uint8_t*>(desc.lpSurface);
            const bool buildMask = index == maskLevel && (targetAlpha || colourKey) && levelAlpha;
            if (buildMask) {
                delete[] m_pHitMask;
                const size_t texels = static_cast<size_t>(layer->width) * static_cast<size_t>(layer->height);
                const size_t words = (texels + 32) / 32;
                m_pHitMask = new uint32_t[words]();
                m_fMaskWidth = static_cast<float>(layer->width);
                m_fMaskHeight = static_cast<float>(layer->height);
            }
            for (int y = 0; y < h; ++y) {
                uint8_t* out = rows + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
                for (int x = 0; x < w; ++x) {
                    const size_t at = static_cast<size_t>(y) * layer->width + x;
                    uint32_t value = pack(work[at]);
                    if (levelAlpha) {
                        const uint8_t a = alphas[at];
                        if (targetAlpha) {
                            value = (value & ~alphaMask) | alpha.Place(a);
                        }
                        if (buildMask && a >= 128) {
                            m_pHitMask[at / 32] |= 1u << (at % 32);
                        }
                        if (colourKey && a <= 128) {
                            value = key;
                        }
                    }
                    StorePixel(out + static_cast<std::ptrdiff_t>(x) * pixelBytes, pixelBytes, value);
                }
            }
            level->Unlock(nullptr);
            if (colourKey && levelAlpha) {
                DDCOLORKEY colour{key, key};
                level->SetColorKey(DDCKEY_SRCBLT, &colour);
            }
        }
        IDirectDrawSurface4* next = nullptr;
        if (index + 1 < mipLevels) {
            DDSCAPS2 caps;
            caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
            if (level->GetAttachedSurface(&caps, &next) != DD_OK) {
                next = nullptr;
            }
        }
        level->Release();
        level = next;
    }
    if (level != nullptr) {
        level->Release();
    }
    // The texture interface holds the surface from here on.
    top->Release();
}

void SD3D6Lock::CreateMaterial(const STexture2& texture) {
    if (m_pD3D->CreateMaterial(&m_pMaterial, nullptr) != DD_OK) {
        m_pMaterial = nullptr;
    }
    m_Material.diffuse.r = texture.GetTagFloat("MAT-DiffuseR", 1.0f);
    m_Material.diffuse.g = texture.GetTagFloat("MAT-DiffuseG", 1.0f);
    m_Material.diffuse.b = texture.GetTagFloat("MAT-DiffuseB", 1.0f);
    m_Material.diffuse.a = texture.GetTagFloat("MAT-DiffuseA", 0.0f);
    m_Material.specular = {};
    m_Material.emissive = {};
    m_Material.power = 0.0f;
    m_fBaseAmbient[0] = texture.GetTagFloat("MAT-AmbientA", 0.0f);
    m_fBaseAmbient[1] = texture.GetTagFloat("MAT-AmbientR", 0.0f);
    m_fBaseAmbient[2] = texture.GetTagFloat("MAT-AmbientG", 0.0f);
    m_fBaseAmbient[3] = texture.GetTagFloat("MAT-AmbientB", 0.0f);
    float ambient[4];
    const bool plain = texture.GetTagInt("MAT-NoAmbFactor", 0) == 1;
    for (int i = 0; i < 4; ++i) {
        ambient[i] = plain ? m_fBaseAmbient[i] : m_fBaseAmbient[i] * s_fAmbientFactors[i];
    }
    m_Material.ambient = {ambient[1], ambient[2], ambient[3], ambient[0]};
    m_Material.dwRampSize = 16;
    if (m_pMaterial != nullptr) {
        m_pMaterial->SetMaterial(&m_Material);
        m_pMaterial->GetHandle(m_pDevice, &m_hMaterial);
    }
}

void SD3D6Lock::CopyTagsAndRegions(const STexture2& texture, const STexFormat& format) {
    ClearTags();
    ClearRegions();
    for (const STexTag& tag : texture.Tags()) {
        AppendTag(tag);
    }
    for (const STexTag& tag : format.Tags()) {
        if (FindTag(tag.name) < 0) {
            SetTag(tag.name, tag.value);
        }
    }
    // Copies keep the outline and tags; the name and hit flag belong to the container's own.
    for (int16_t i = 0; i < texture.GetNumRegions(); ++i) {
        const STexRegion* source = texture.GetRegion(i);
        auto* copy = new STexRegion();
        for (const STexRegion::Point& point : source->Points()) {
            copy->AddPoint(point.x, point.y);
        }
        for (const STexTag& tag : source->Tags()) {
            copy->AppendTag(tag);
        }
        const int16_t before = GetNumRegions();
        if (AddRegion(copy) == before) {
            delete copy;  // the table is full
        }
    }
}

void SD3D6Lock::Release() {
    if (m_pTexture != nullptr) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    if (m_pMaterial != nullptr) {
        m_pMaterial->Release();
        m_pMaterial = nullptr;
    }
    delete[] m_pHitMask;
    m_pHitMask = nullptr;
    m_pDetail = nullptr;
}

void SD3D6Lock::SetAmbient(float* ambient) {
    if (ambient == nullptr || m_pMaterial == nullptr) {
        return;
    }
    m_Material.ambient = {ambient[1], ambient[2], ambient[3], ambient[0]};
    m_pMaterial->SetMaterial(&m_Material);
}

void SD3D6Lock::GetAmbient(float* ambient, int selector) {
    if (ambient == nullptr) {
        return;
    }
    if (selector == 0) {
        ambient[0] = m_Material.ambient.a;
        ambient[1] = m_Material.ambient.r;
        ambient[2] = m_Material.ambient.g;
        ambient[3] = m_Material.ambient.b;
    } else if (selector == 1) {
        std::copy(m_fBaseAmbient, m_fBaseAmbient + 4, ambient);
    }
}

bool SD3D6Lock::MaskBit(int x, int y) const {
    if (m_pHitMask == nullptr || x < 0 || y < 0 || x >= static_cast<int>(m_fMaskWidth) ||
        y >= static_cast<int>(m_fMaskHeight)) {
        return false;
    }
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(m_fMaskWidth) + static_cast<size_t>(x);
    return (m_pHitMask[at / 32] >> (at % 32) & 1u) != 0;
}
