// The outdoor world's buffers, texture formats and view range: what a session sizes and
// chooses before its map is built, and what a view-range change sizes again.
#include <algorithm>
#include <cstring>

#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/d3d/d3d.h"

using namespace sys::d3d;
using sys::video::DDPIXELFORMAT;

namespace {

// "gfx_landpop" is a slider position; "gfx_overlaypersistence" a count of decals kept. Both
// size buffers, so values from a hand-edited configuration are held to what makes sense.
constexpr int kMaxLandPop = 255;
constexpr int kMaxOverlays = 10000;

DDPIXELFORMAT MakeFormat(uint32_t bits, uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue) {
    DDPIXELFORMAT format;
    format.dwFlags = sys::video::DDPF_RGB | (alpha != 0 ? sys::video::DDPF_ALPHAPIXELS : 0);
    format.dwRGBBitCount = bits;
    format.dwRBitMask = red;
    format.dwGBitMask = green;
    format.dwBBitMask = blue;
    format.dwRGBAlphaBitMask = alpha;
    return format;
}

int FarDistanceFor(int radius) { return static_cast<int>(static_cast<float>((radius - 2) * 128) * 0.9f); }

}  // namespace

void SD3D6Parser::Hunt_SizeBuffers() {
    Log("[SD3D6Parser::Hunt_SizeBuffers] Starting...");
    m_LevelInfo.Field(4) = std::clamp(m_LevelInfo.Field(4), 0, kMaxOverlays);
    FreeDecalPolygons();
    delete[] m_pDecalRing;
    m_iDecalRingSize = m_LevelInfo.Field(4) + 32;
    m_pDecalRing = new ActorDesc[static_cast<size_t>(m_iDecalRingSize)];
    m_iDecalNext = 0;
    m_iDecalCount = 0;

    const int landPop = std::clamp(m_LevelInfo.Field(1), 0, kMaxLandPop);
    const int radius = landPop * 30 / 255 + 20;
    m_LevelInfo.Field(1) = radius;
    m_LevelInfo.Field(5) = FarDistanceFor(radius);
    m_Buffers.SizeForSession();
    Log("[SD3D6Parser::Hunt_SizeBuffers] Finished");
}

void SD3D6Parser::ReleaseHuntMap() { m_pMap = nullptr; }

void SD3D6Parser::ChooseTextureFormats() {
    // Detail textures are a second stage modulated twice over the ground.
    const auto& caps = m_HWDesc;
    if ((caps.dwTextureOpCaps & 0x10) == 0 || caps.wMaxTextureBlendStages < 2 || caps.wMaxSimultaneousTextures < 2) {
        m_LevelInfo.Field(23) = 0;
    }

    const DDPIXELFORMAT argb8888 = MakeFormat(32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF);
    const DDPIXELFORMAT rgb888 = MakeFormat(32, 0, 0xFF0000, 0xFF00, 0xFF);
    const DDPIXELFORMAT rgb565 = MakeFormat(16, 0, 0xF800, 0x7E0, 0x1F);
    const DDPIXELFORMAT argb1555 = MakeFormat(16, 0x8000, 0x7C00, 0x3E0, 0x1F);
    const DDPIXELFORMAT rgb555 = MakeFormat(16, 0, 0x7C00, 0x3E0, 0x1F);
    const DDPIXELFORMAT argb4444 = MakeFormat(16, 0xF000, 0xF00, 0xF0, 0xF);
    const bool has8888 = SupportsTextureFormat(&argb8888) != 0;
    const bool has888 = SupportsTextureFormat(&rgb888) != 0;
    const bool has565 = SupportsTextureFormat(&rgb565) != 0;
    const bool has1555 = SupportsTextureFormat(&argb1555) != 0;
    const bool has555 = SupportsTextureFormat(&rgb555) != 0;
    const bool has4444 = SupportsTextureFormat(&argb4444) != 0;

    const int quality = m_LevelInfo.Field(2) = std::clamp(m_LevelInfo.Field(2), 0, 2);
    const int softSprites = m_LevelInfo.Field(13) = std::clamp(m_LevelInfo.Field(13), 0, 1);
    if (quality == 2 && has888) {
        m_SSMVFormats.opaque = rgb888;
    } else if (has565) {
        m_SSMVFormats.opaque = rgb565;
    } else if (has555) {
        m_SSMVFormats.opaque = rgb555;
    }
    if (quality == 2 && has8888) {
        m_SSMVFormats.alpha = argb8888;
    } else if (has1555) {
        m_SSMVFormats.alpha = argb1555;
    } else if (has4444) {
        m_SSMVFormats.alpha = argb4444;
    }
    if (m_pD3DRaster != nullptr && m_pD3DRaster->GetRenderTarget() != nullptr) {
        m_pD3DRaster->GetRenderTarget()->GetPixelFormat(&m_SSMVFormats.screen);
    }

    SD3D6TextureStates& opaque = m_ClassStates[SD3D6Lock::kOpaqueClass];
    SD3D6TextureStates& alpha = m_ClassStates[SD3D6Lock::kAlphaClass];
    SD3D6TextureStates& sprite = m_ClassStates[SD3D6Lock::kTreeClass];
    if (m_LevelInfo.Field(10) == 1) {
        m_SSMVFormats.transparent = m_SSMVFormats.opaque;
        m_SSMVFormats.alpha = m_SSMVFormats.opaque;
        opaque.dwColorKeyEnable = 0;
        alpha.dwColorKeyEnable = 1;
        sprite.dwColorKeyEnable = 1;
    } else {
        opaque.dwColorKeyEnable = 0;
        alpha.dwColorKeyEnable = 0;
        if (softSprites != 0) {
            m_SSMVFormats.transparent = m_SSMVFormats.alpha;
            sprite.dwColorKeyEnable = 0;
        } else {
            m_SSMVFormats.transparent = m_SSMVFormats.opaque;
            sprite.dwColorKeyEnable = 1;
        }
    }
}

void SD3D6Parser::SetViewRange(int radius, float lift, uint32_t fogNear, uint32_t fogFar) {
    if (m_iSessionMode != 2) {
        return;
    }
    const bool restore = radius <= 0;
    if (!restore) {
        if (!m_SavedViewRange.bSaved) {
            m_SavedViewRange = SavedViewRange{true, m_LevelInfo.Field(1), m_LevelInfo.Field(5), m_fFogStart, m_fFogEnd};
        }
        s_iViewHeightOffset = static_cast<int32_t>(lift);
        m_LevelInfo.Field(1) = radius;
        m_LevelInfo.Field(5) = FarDistanceFor(radius);
    } else {
        // Nothing was overridden: there is nothing to go back to, and a radius of 0 would
        // leave the world without a view.
        if (!m_SavedViewRange.bSaved) {
            return;
        }
        m_LevelInfo.Field(1) = m_SavedViewRange.iRadius;
        m_LevelInfo.Field(5) = m_SavedViewRange.iFarDistance;
        m_fFogStart = m_SavedViewRange.fFogNear;
        m_fFogEnd = m_SavedViewRange.fFogFar;
        m_SavedViewRange = SavedViewRange{};
        s_iViewHeightOffset = 0;
    }
    m_Buffers.SizeForRadius(m_LevelInfo.Field(1), restore);

    if (m_LevelInfo.Field(19) == 1) {
        if (!restore) {
            m_fFogStart = static_cast<float>(fogNear);
            m_fFogEnd = static_cast<float>(fogFar);
        }
        if (m_pD3DRaster != nullptr && m_pD3DRaster->GetDevice(0) != nullptr) {
            const float start = m_fFogStartScale * m_fFogStart;
            uint32_t startBits, endBits;
            std::memcpy(&startBits, &start, sizeof(startBits));
            std::memcpy(&endBits, &m_fFogEnd, sizeof(endBits));
            m_pD3DRaster->GetDevice(0)->SetRenderState(D3DRENDERSTATE_FOGTABLESTART, startBits);
            m_pD3DRaster->GetDevice(0)->SetRenderState(D3DRENDERSTATE_FOGTABLEEND, endBits);
        }
    }
    SetProjection(m_fProjection[0], m_fProjection[1], m_fProjection[2], static_cast<float>(m_LevelInfo.Field(5)));
}
