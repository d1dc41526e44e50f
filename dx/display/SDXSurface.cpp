#include "dx/display/SDXSurface.h"

#include <bit>
#include <cstdio>
#include <memory>

#include "core/SResource.h"
#include "dx/display/SDXClipper.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"

using namespace sys::video;

IMPLEMENT_DYNAMIC(SDXSurface, CObject)

namespace {

// The part of a colour that a channel mask keeps: the top bits of the 8-bit channel, moved to
// where the mask lies.
uint32_t PlaceChannel(uint32_t channel, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int bits = std::popcount(mask);
    const int right = bits < 8 ? 8 - bits : 0;
    const int left = std::countr_zero(mask);
    return (channel >> right) << left;
}

}  // namespace

SDXSurface::SDXSurface() = default;

SDXSurface::SDXSurface(const CString& name) : m_sName(name) {}

SDXSurface::~SDXSurface() { Release(); }

void SDXSurface::ReadSize() {
    m_iWidth = GetWidth();
    m_iHeight = GetHeight();
}

int SDXSurface::CreateSurfaceDesc(DDSURFACEDESC2* desc, SDXDraw* owner, uint32_t outer) {
    if (desc == nullptr || owner == nullptr || owner->GetDirectDraw() == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "CreateSurface (DESC)");
    Release();
    IDirectDrawSurface4* made = nullptr;
    m_hrLast = owner->GetDirectDraw()->CreateSurface(desc, &made, reinterpret_cast<void*>(uintptr_t{outer}));
    if (Failed(m_hrLast) || made == nullptr) {
        ReportError();
        return 0;
    }
    m_pSurface = made;
    m_Desc = *desc;
    m_pOwner = owner;
    ReadSize();
    return 1;
}

int SDXSurface::CreateSurface(SDXDraw* owner, int width, int height, uint32_t caps, SDXPalette* palette,
                              int nonLocal) {
    if (owner == nullptr) {
        return 0;
    }
    Release();
    sdx::OpName op(m_szOp, "CreateSurface");
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwHeight = static_cast<uint32_t>(height);
    desc.dwWidth = static_cast<uint32_t>(width);
    desc.ddsCaps.dwCaps = caps | DDSCAPS_OFFSCREENPLAIN;
    if (palette != nullptr) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwFlags = DDPF_PALETTEINDEXED8 | DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 8;
    }
    if (nonLocal != 0) {
        desc.ddsCaps.dwCaps = ((caps | DDSCAPS_OFFSCREENPLAIN) & ~DDSCAPS_SYSTEMMEMORY) | DDSCAPS_VIDEOMEMORY |
                              DDSCAPS_NONLOCALVIDMEM;
    }
    if ((desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0) {
        if (!CreateSurfaceDesc(&desc, owner, 0)) {
            // Video memory is short: the same surface in system memory.
            desc.ddsCaps.dwCaps &= ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_NONLOCALVIDMEM);
            desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
            if (!CreateSurfaceDesc(&desc, owner, 0)) {
                return 0;
            }
        }
    } else if (!CreateSurfaceDesc(&desc, owner, 0)) {
        return 0;
    }
    if (palette != nullptr && !SetPalette(palette)) {
        return 0;
    }
    ReadSize();
    return 1;
}

int SDXSurface::CreateSurfaceResource(SResource* source, SDXDraw* owner, int palettised, uint32_t /*reserved*/,
                                      int nonLocal) {
    if (source == nullptr || owner == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "CreateSurface (RESOURCE)");
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = nonLocal != 0 ? 0x20004040u : (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
    desc.dwWidth = static_cast<uint32_t>(source->GetWidth());
    desc.dwHeight = static_cast<uint32_t>(source->GetHeight());
    if (palettised != 0) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwFlags = DDPF_PALETTEINDEXED8 | DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 8;
    }
    if (!CreateSurfaceDesc(&desc, owner, 0)) {
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        if (!CreateSurfaceDesc(&desc, owner, 0)) {
            return 0;
        }
    }
    if (palettised != 0) {
        // The surface keeps its own reference to the DirectDraw palette; the wrapper can go.
        auto palette = std::make_unique<SDXPalette>();
        if (palette->CreatePalette(source, owner, 0)) {
            SetPalette(palette.get());
        }
    }
    m_pSource = source;
    ReadSize();
    return source->BlitTo(this) != 0 ? 1 : 0;
}

int SDXSurface::GetBackBuffer(SDXSurface* back) {
    if (m_pSurface == nullptr || back == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "GetBackBuffer");
    back->Release();
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface4* attached = nullptr;
    m_hrLast = m_pSurface->GetAttachedSurface(&caps, &attached);
    if (Failed(m_hrLast) || attached == nullptr) {
        back->m_pSurface = nullptr;
        ReportError();
        return 0;
    }
    back->m_pSurface = attached;
    back->m_pAttachedTo = m_pSurface;
    back->m_pOwner = m_pOwner;
    back->m_iWidth = m_iWidth;
    back->m_iHeight = m_iHeight;
    return 1;
}

int SDXSurface::CreatePrimarySurface(SDXDraw* owner, int count, uint32_t caps) {
    if ((count != 1 && count != 2) || owner == nullptr || owner->GetDirectDraw() == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "CreatePrimarySurface");
    Release();
    DDSURFACEDESC2 desc;
    if (count == 2) {
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = caps | DDSCAPS_PRIMARYSURFACE | DDSCAPS_COMPLEX;
        if (owner->GetMode() == 1) {
            desc.ddsCaps.dwCaps |= DDSCAPS_FLIP;
        }
    } else {
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = caps | DDSCAPS_PRIMARYSURFACE;
    }
    IDirectDrawSurface4* made = nullptr;
    m_hrLast = owner->GetDirectDraw()->CreateSurface(&desc, &made, nullptr);
    if (Failed(m_hrLast) || made == nullptr) {
        ReportError();
        return 0;
    }
    m_pSurface = made;
    m_Desc = desc;
    m_pOwner = owner;
    m_bPrimary = 1;
    ReadSize();
    return 1;
}

int SDXSurface::Clear(const sys::RECT* rect, int32_t colour) {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "Clear");
    DDBLTFX fx;
    fx.dwFillColor = colour <= 0 ? m_dwColourKey : static_cast<uint32_t>(colour);
    m_hrLast = m_pSurface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::Flip() {
    if (m_pSurface == nullptr || !m_bPrimary) {
        return 0;
    }
    sdx::OpName op(m_szOp, "Flip");
    m_hrLast = m_pSurface->Flip(nullptr, DDFLIP_WAIT);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::SetPalette(SDXPalette* palette) {
    if (m_pSurface == nullptr || palette == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetPalette");
    m_hrLast = m_pSurface->SetPalette(palette->GetPalette());
    if (m_hrLast == DDERR_SURFACELOST) {
        Restore(m_pOwner);
        m_hrLast = m_pSurface != nullptr ? m_pSurface->SetPalette(palette->GetPalette()) : DDERR_SURFACELOST;
    }
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::SetClipper(SDXClipper* clipper) {
    if (m_pSurface == nullptr || clipper == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetClipper");
    m_hrLast = m_pSurface->SetClipper(clipper->GetClipper());
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::RemoveClipper() {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "RemoveClipper");
    m_hrLast = m_pSurface->SetClipper(nullptr);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::Blt(SDXSurface* source, const sys::RECT* destRect, const sys::RECT* sourceRect, int useKey,
                    int mirrorLeftRight, int mirrorUpDown) {
    if (m_pSurface == nullptr || source == nullptr || source->m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "Blt");
    const sys::RECT whole{0, 0, source->m_iWidth, source->m_iHeight};
    const sys::RECT* from = sourceRect != nullptr ? sourceRect : &whole;
    uint32_t flags = DDBLT_WAIT;
    if (useKey != 0 && source->m_bColourKey != 0) {
        flags |= DDBLT_KEYSRC;
    }
    DDBLTFX fx;
    if (mirrorLeftRight != 0) {
        fx.dwDDFX |= DDBLTFX_MIRRORLEFTRIGHT;
    }
    if (mirrorUpDown != 0) {
        fx.dwDDFX |= DDBLTFX_MIRRORUPDOWN;
    }
    // Sprites pass their own mirror settings and expect to see them: the effects are asked for
    // whenever a mirror flag is set.
    if (fx.dwDDFX != 0) {
        flags |= DDBLT_DDFX;
    }
    m_hrLast = m_pSurface->Blt(destRect, source->m_pSurface, from, flags, &fx);
    if (m_hrLast == DDERR_SURFACELOST) {
        Restore(m_pOwner);
        source->Restore(m_pOwner);
        if (m_pSurface != nullptr && source->m_pSurface != nullptr) {
            m_hrLast = m_pSurface->Blt(destRect, source->m_pSurface, from, flags, &fx);
        }
    }
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::SetTransparentColor(sys::COLORREF colour) {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "SetTransparentColor");
    DDSURFACEDESC2 desc;
    if (Failed(m_pSurface->GetSurfaceDesc(&desc))) {
        return 0;
    }
    const uint32_t red = colour & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t blue = (colour >> 16) & 0xFF;
    const DDPIXELFORMAT& pf = desc.ddpfPixelFormat;
    uint32_t pixel = 0;
    if ((pf.dwFlags & DDPF_PALETTEINDEXED8) != 0) {
        // A palettised surface has no channel masks to place the colour with: the key is the
        // first palette entry of that colour, or entry 0 when none has it.
        IDirectDrawPalette* palette = nullptr;
        if (Succeeded(m_pSurface->GetPalette(&palette)) && palette != nullptr) {
            const sys::PALETTEENTRY* entries = palette->Entries();
            for (uint32_t i = 0; i < 256; ++i) {
                if (entries[i].peRed == red && entries[i].peGreen == green && entries[i].peBlue == blue) {
                    pixel = i;
                    break;
                }
            }
            palette->Release();
        }
    } else {
        pixel = PlaceChannel(red, pf.dwRBitMask) + PlaceChannel(green, pf.dwGBitMask) +
                PlaceChannel(blue, pf.dwBBitMask);
    }
    m_dwColourKey = pixel;
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = pixel;
    key.dwColorSpaceHighValue = pixel;
    m_hrLast = m_pSurface->SetColorKey(DDCKEY_SRCBLT, &key);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    m_bColourKey = 1;
    return 1;
}

int SDXSurface::ResetTransparentColor() {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "ResetTransparentColor");
    m_hrLast = m_pSurface->SetColorKey(0, nullptr);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    m_bColourKey = 0;
    m_dwColourKey = 0;
    return 1;
}

int SDXSurface::Restore(SDXDraw* owner) {
    if (m_pAttachedTo != nullptr) {
        return 1;
    }
    if (m_pSurface == nullptr) {
        return 0;
    }
    m_bRestoring = 1;
    sdx::OpName op(m_szOp, "Restore");
    m_hrLast = m_pSurface->Restore();
    if (m_hrLast == DDERR_WRONGMODE && owner != nullptr) {
        // Made for another display mode: the same surface again, from its description.
        DDSURFACEDESC2 desc = m_Desc;
        const int primary = m_bPrimary;
        if (CreateSurfaceDesc(&desc, owner, 0)) {
            m_bPrimary = primary;
            m_hrLast = DD_OK;
            // The new surface keeps the transparent colour the old one had, so blits that ask
            // for the key still leave its pixels out.
            if (m_bColourKey != 0) {
                DDCOLORKEY key;
                key.dwColorSpaceLowValue = m_dwColourKey;
                key.dwColorSpaceHighValue = m_dwColourKey;
                m_pSurface->SetColorKey(DDCKEY_SRCBLT, &key);
            }
        }
    }
    int result = 1;
    if (Failed(m_hrLast)) {
        ReportError();
        result = 0;
    } else if (m_pSource != nullptr && m_pSource->BlitTo(this) == 0) {
        result = 0;
    }
    m_bRestoring = 0;
    return result;
}

int SDXSurface::GetDC(sys::HDC* dc) {
    if (m_pSurface == nullptr || dc == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "GetDC");
    m_hrLast = m_pSurface->GetDC(dc);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::ReleaseDC(sys::HDC dc) {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "ReleaseDC");
    m_hrLast = m_pSurface->ReleaseDC(dc);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int SDXSurface::Lock(DDSURFACEDESC2* desc) {
    if (m_pSurface == nullptr || desc == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "Lock");
    desc->dwSize = 124;
    const sys::RECT whole{0, 0, m_iWidth, m_iHeight};
    m_hrLast = m_pSurface->Lock(&whole, desc, DDLOCK_WAIT, nullptr);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    m_pLocked = desc->lpSurface;
    return 1;
}

int SDXSurface::Unlock() {
    if (m_pSurface == nullptr || m_pLocked == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "Unlock");
    m_hrLast = m_pSurface->Unlock(nullptr);
    m_pLocked = nullptr;
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return 1;
}

int32_t SDXSurface::GetWidth() {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "GetWidth");
    DDSURFACEDESC2 desc;
    m_hrLast = m_pSurface->GetSurfaceDesc(&desc);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return static_cast<int32_t>(desc.dwWidth);
}

int32_t SDXSurface::GetHeight() {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "GetHeight");
    DDSURFACEDESC2 desc;
    m_hrLast = m_pSurface->GetSurfaceDesc(&desc);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return static_cast<int32_t>(desc.dwHeight);
}

int32_t SDXSurface::GetPitch() {
    if (m_pSurface == nullptr) {
        return 0;
    }
    sdx::OpName op(m_szOp, "GetPitch");
    DDSURFACEDESC2 desc;
    m_hrLast = m_pSurface->GetSurfaceDesc(&desc);
    if (Failed(m_hrLast)) {
        ReportError();
        return 0;
    }
    return desc.lPitch;
}

int SDXSurface::TextOut(int x, int y, const char* text, int length) {
    sys::HDC dc = nullptr;
    if (text == nullptr || !GetDC(&dc)) {
        return 0;
    }
    const bool drawn = sys::gdi::TextOut(dc, x, y, text, length);
    ReleaseDC(dc);
    return drawn ? 1 : 0;
}

const char* SDXSurface::ReportError() {
    // However long the surface's name, the text stays inside its 128 characters.
    std::snprintf(m_szError, sizeof(m_szError), "[SDXSurface ( %d x %d )::%s] { %s }:", m_iWidth, m_iHeight, m_szOp,
                  m_sName.GetString());
    DDErrorText(m_hrLast, m_szError);
    return m_szError;
}

void SDXSurface::Release() {
    if (m_pSurface != nullptr) {
        // A back buffer belongs to its primary's chain: giving back the reference that
        // GetBackBuffer took leaves the buffer itself to the primary.
        m_pSurface->Release();
        m_pSurface = nullptr;
    }
    m_pAttachedTo = nullptr;
    m_pLocked = nullptr;
}
