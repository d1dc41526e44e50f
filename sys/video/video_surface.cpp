#include <algorithm>

#include "sys/video/video_core.h"
#include "sys/video/video.h"

// Surfaces, palettes and clippers: locking, blits, flips, attached surfaces, colour keys,
// device contexts, lost surfaces and restoring them.
namespace sys::video {

using namespace detail;

namespace {

RECT WholeRect(const SurfaceState& s) {
    return RECT{0, 0, static_cast<int32_t>(s.width), static_cast<int32_t>(s.height)};
}

bool Inside(const RECT& r, const SurfaceState& s) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           r.right <= static_cast<int32_t>(s.width) && r.bottom <= static_cast<int32_t>(s.height);
}

// Where a blit onto this surface may draw: its clipper's rectangles (or the window's client area
// on the screen), each kept inside the surface.
std::vector<RECT> ClipRects(const SurfaceState& s) {
    const RECT whole = WholeRect(s);
    std::vector<RECT> result;
    const ClipperState* clip = s.clipper != nullptr ? s.clipper->State() : nullptr;
    if (clip == nullptr) {
        result.push_back(whole);
        return result;
    }
    if (clip->window != nullptr) {
        RECT client;
        POINT origin;
        RECT inside;
        if (sys::window::GetClientRect(clip->window, client) && sys::window::ClientToScreen(clip->window, origin) &&
            Intersect(whole, RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom}, inside)) {
            result.push_back(inside);
        }
        return result;
    }
    if (!clip->hasList) {
        result.push_back(whole);
        return result;
    }
    for (const RECT& r : clip->rects) {
        RECT inside;
        if (Intersect(whole, r, inside)) {
            result.push_back(inside);
        }
    }
    return result;
}

void FillDesc(const SurfaceState& s, DDSURFACEDESC2& desc) {
    desc = DDSURFACEDESC2{};
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwWidth = s.width;
    desc.dwHeight = s.height;
    desc.lPitch = s.pitch;
    desc.ddpfPixelFormat = PixelFormatOf(s.format);
    desc.ddsCaps.dwCaps = s.caps;
    desc.ddsCaps.dwCaps2 = s.caps2;
    if (s.hasSourceKey) {
        desc.dwFlags |= DDSD_CKSRCBLT;
        desc.ddckCKSrcBlt = s.sourceKey;
    }
    if (s.IsPrimary() && !s.attached.empty()) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = static_cast<uint32_t>(s.attached.size());
    }
    if ((s.caps & DDSCAPS_MIPMAP) != 0 && s.root == nullptr) {
        desc.dwFlags |= DDSD_MIPMAPCOUNT;
        desc.dwMipMapCount = static_cast<uint32_t>(s.attached.size() + 1);
    }
}

bool Busy(const SurfaceState& s) { return s.locks > 0 || s.dc != nullptr; }

void PresentIfVisible(SurfaceState& s) {
    if (s.IsPrimary() && s.root == nullptr) {
        Present(s);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Palettes and clippers

HRESULT IDirectDrawPalette::GetEntries(uint32_t /*flags*/, uint32_t first, uint32_t count, PALETTEENTRY* entries) {
    if (entries == nullptr || first > 256 || count > 256 - first) {
        return DDERR_INVALIDPARAMS;
    }
    std::copy(m_entries + first, m_entries + first + count, entries);
    return DD_OK;
}

HRESULT IDirectDrawPalette::SetEntries(uint32_t /*flags*/, uint32_t first, uint32_t count,
                                       const PALETTEENTRY* entries) {
    if (entries == nullptr || first > 256 || count > 256 - first) {
        return DDERR_INVALIDPARAMS;
    }
    std::copy(entries, entries + count, m_entries + first);
    return DD_OK;
}

HRESULT IDirectDrawPalette::GetCaps(uint32_t* caps) {
    if (caps == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *caps = m_caps;
    return DD_OK;
}

IDirectDrawClipper::IDirectDrawClipper() : m_state(new ClipperState) {}

IDirectDrawClipper::~IDirectDrawClipper() { delete m_state; }

HRESULT IDirectDrawClipper::SetHWnd(uint32_t /*flags*/, HWND window) {
    if (window != nullptr && !sys::window::IsWindow(window)) {
        return DDERR_INVALIDPARAMS;
    }
    m_state->window = window;
    m_state->rects.clear();
    m_state->hasList = false;
    return DD_OK;
}

HRESULT IDirectDrawClipper::GetHWnd(HWND* window) {
    if (window == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *window = m_state->window;
    return DD_OK;
}

HRESULT IDirectDrawClipper::SetClipList(const RGNDATA* region, uint32_t /*flags*/) {
    if (m_state->window != nullptr) {
        return DDERR_CLIPPERISUSINGHWND;
    }
    if (region == nullptr) {
        m_state->rects.clear();
        m_state->hasList = false;
        return DD_OK;
    }
    // The count comes from the caller's record: a list far beyond any screen is refused rather
    // than read.
    constexpr uint32_t kMaxRects = 4096;
    if (region->rdh.dwSize != sizeof(RGNDATAHEADER) || region->rdh.iType != RDH_RECTANGLES ||
        region->rdh.nCount > kMaxRects) {
        return DDERR_INVALIDCLIPLIST;
    }
    // The rectangles follow the header, as many as it counts.
    const auto* rects =
        reinterpret_cast<const RECT*>(reinterpret_cast<const unsigned char*>(region) + sizeof(RGNDATAHEADER));
    m_state->rects.assign(rects, rects + region->rdh.nCount);
    m_state->hasList = true;
    return DD_OK;
}

// ---------------------------------------------------------------------------------------------
// Surfaces

IDirectDrawSurface4::~IDirectDrawSurface4() {
    SurfaceState& s = *m_state;
    Detach(s);
    if (s.palette != nullptr) {
        s.palette->Release();
    }
    if (s.clipper != nullptr) {
        s.clipper->Release();
    }
    for (IDirectDrawSurface4* other : s.added) {
        other->Release();
    }
    // Surfaces made with this one go with it; a holder that kept one finds it without memory.
    for (IDirectDrawSurface4* child : s.attached) {
        child->m_state->root = nullptr;
        Detach(*child->m_state);
        child->Release();
    }
    delete m_state;
}

#define VIDEO_NEED_DEVICE(s)              \
    do {                                  \
        if ((s).device == nullptr) {      \
            return DDERR_INVALIDOBJECT;   \
        }                                 \
    } while (false)

HRESULT IDirectDrawSurface4::Lock(const RECT* rect, DDSURFACEDESC2* desc, uint32_t /*flags*/, void* /*event*/) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (desc == nullptr || desc->dwSize != 124) {
        return DDERR_INVALIDPARAMS;
    }
    if (IsLostNow(s)) {
        return DDERR_SURFACELOST;
    }
    if (Busy(s)) {
        return DDERR_SURFACEBUSY;
    }
    const RECT area = rect != nullptr ? *rect : WholeRect(s);
    if (!Inside(area, s)) {
        return DDERR_INVALIDRECT;
    }
    FillDesc(s, *desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = s.Row(static_cast<uint32_t>(area.top)) + static_cast<size_t>(area.left) * s.format.Bytes();
    s.locks = 1;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Unlock(const RECT* /*rect*/) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (s.locks == 0) {
        return DDERR_NOTLOCKED;
    }
    s.locks = 0;
    PresentIfVisible(s);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Blt(const RECT* destRect, IDirectDrawSurface4* source, const RECT* sourceRect,
                                 uint32_t flags, const DDBLTFX* fx) {
    SurfaceState& d = *m_state;
    VIDEO_NEED_DEVICE(d);
    if (IsLostNow(d)) {
        return DDERR_SURFACELOST;
    }
    if (Busy(d)) {
        return DDERR_SURFACEBUSY;
    }
    const RECT dr = destRect != nullptr ? *destRect : WholeRect(d);
    if (dr.left >= dr.right || dr.top >= dr.bottom) {
        return DDERR_INVALIDRECT;
    }
    if (d.clipper == nullptr && !Inside(dr, d)) {
        return DDERR_INVALIDRECT;
    }
    const std::vector<RECT> clips = ClipRects(d);

    if ((flags & DDBLT_COLORFILL) != 0) {
        if (fx == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        for (const RECT& clip : clips) {
            RECT area;
            if (Intersect(dr, clip, area)) {
                FillRect(d, area, fx->dwFillColor);
            }
        }
        PresentIfVisible(d);
        return DD_OK;
    }

    if (source == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    SurfaceState& s = *source->m_state;
    VIDEO_NEED_DEVICE(s);
    if (IsLostNow(s)) {
        return DDERR_SURFACELOST;
    }
    if (Busy(s)) {
        return DDERR_SURFACEBUSY;
    }
    if (!(s.format == d.format)) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    const RECT sr = sourceRect != nullptr ? *sourceRect : WholeRect(s);
    if (!Inside(sr, s)) {
        return DDERR_INVALIDRECT;
    }
    if ((flags & (DDBLT_DDFX | DDBLT_KEYSRCOVERRIDE)) != 0 && fx == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    const DDCOLORKEY* key = nullptr;
    if ((flags & DDBLT_KEYSRCOVERRIDE) != 0) {
        key = &fx->ddckSrcColorkey;
    } else if ((flags & DDBLT_KEYSRC) != 0 && s.hasSourceKey) {
        key = &s.sourceKey;
    }
    const bool mirrorX = (flags & DDBLT_DDFX) != 0 && (fx->dwDDFX & DDBLTFX_MIRRORLEFTRIGHT) != 0;
    const bool mirrorY = (flags & DDBLT_DDFX) != 0 && (fx->dwDDFX & DDBLTFX_MIRRORUPDOWN) != 0;

    // A blit within one surface reads a copy, so overlapping rectangles come out right.
    SurfaceState copy;
    const SurfaceState* from = &s;
    if (&s == &d) {
        copy.width = s.width;
        copy.height = s.height;
        copy.pitch = s.pitch;
        copy.format = s.format;
        copy.pixels = s.pixels;
        from = &copy;
    }
    for (const RECT& clip : clips) {
        StretchCopy(d, dr, *from, sr, clip, key, mirrorX, mirrorY);
    }
    PresentIfVisible(d);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Flip(IDirectDrawSurface4* /*target*/, uint32_t /*flags*/) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (!s.IsPrimary() || s.root != nullptr || s.attached.empty() || (s.caps & DDSCAPS_FLIP) == 0) {
        return DDERR_NOTFLIPPABLE;
    }
    if (IsLostNow(s)) {
        return DDERR_SURFACELOST;
    }
    if (Busy(s)) {
        return DDERR_SURFACEBUSY;
    }
    for (IDirectDrawSurface4* back : s.attached) {
        if (Busy(*back->m_state)) {
            return DDERR_SURFACEBUSY;
        }
    }
    // The front shows what the first back buffer held; each buffer takes the next one's memory
    // and the last one takes the old front's.
    std::vector<uint8_t> old = std::move(s.pixels);
    s.pixels = std::move(s.attached.front()->m_state->pixels);
    for (size_t i = 0; i + 1 < s.attached.size(); ++i) {
        s.attached[i]->m_state->pixels = std::move(s.attached[i + 1]->m_state->pixels);
    }
    s.attached.back()->m_state->pixels = std::move(old);
    Present(s);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface4** attached) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (caps == nullptr || attached == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *attached = nullptr;
    const std::vector<IDirectDrawSurface4*>& list = s.root != nullptr ? s.root->attached : s.attached;
    size_t start = 0;
    if (s.root != nullptr) {
        const auto self = std::find(list.begin(), list.end(), this);
        start = self == list.end() ? list.size() : static_cast<size_t>(self - list.begin()) + 1;
    }
    for (size_t i = start; i < list.size(); ++i) {
        if ((list[i]->m_state->caps & caps->dwCaps) == caps->dwCaps) {
            list[i]->AddRef();
            *attached = list[i];
            return DD_OK;
        }
    }
    for (IDirectDrawSurface4* other : s.added) {
        if ((other->m_state->caps & caps->dwCaps) == caps->dwCaps) {
            other->AddRef();
            *attached = other;
            return DD_OK;
        }
    }
    return DDERR_NOTFOUND;
}

HRESULT IDirectDrawSurface4::AddAttachedSurface(IDirectDrawSurface4* zbuffer) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (zbuffer == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    SurfaceState& z = *zbuffer->m_state;
    VIDEO_NEED_DEVICE(z);
    if (std::find(s.added.begin(), s.added.end(), zbuffer) != s.added.end()) {
        return DDERR_SURFACEALREADYATTACHED;
    }
    if (zbuffer == this || !z.format.depth || s.format.depth || z.width != s.width || z.height != s.height) {
        return DDERR_CANNOTATTACHSURFACE;
    }
    zbuffer->AddRef();
    s.added.push_back(zbuffer);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::DeleteAttachedSurface(uint32_t /*flags*/, IDirectDrawSurface4* attached) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (attached == nullptr) {
        const std::vector<IDirectDrawSurface4*> all = std::move(s.added);
        s.added.clear();
        for (IDirectDrawSurface4* other : all) {
            other->Release();
        }
        return DD_OK;
    }
    const auto found = std::find(s.added.begin(), s.added.end(), attached);
    if (found == s.added.end()) {
        return DDERR_SURFACENOTATTACHED;
    }
    s.added.erase(found);
    attached->Release();
    return DD_OK;
}

HRESULT IDirectDrawSurface4::SetColorKey(uint32_t flags, const DDCOLORKEY* key) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    // Surfaces keep only a source key, so asking for no key removes it whatever kind is named.
    if (key == nullptr) {
        s.hasSourceKey = false;
        s.sourceKey = DDCOLORKEY{};
        return DD_OK;
    }
    if ((flags & DDCKEY_SRCBLT) == 0) {
        return DDERR_NOCOLORKEYHW;
    }
    const uint32_t mask = s.format.bits >= 32 ? 0xFFFFFFFFu : ((1u << s.format.bits) - 1u);
    s.sourceKey.dwColorSpaceLowValue = key->dwColorSpaceLowValue & mask;
    s.sourceKey.dwColorSpaceHighValue = key->dwColorSpaceHighValue & mask;
    s.hasSourceKey = true;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetColorKey(uint32_t flags, DDCOLORKEY* key) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (key == nullptr || (flags & DDCKEY_SRCBLT) == 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (!s.hasSourceKey) {
        return DDERR_NOCOLORKEY;
    }
    *key = s.sourceKey;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::SetPalette(IDirectDrawPalette* palette) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (IsLostNow(s)) {
        return DDERR_SURFACELOST;
    }
    if (palette != nullptr && !s.format.palettised) {
        return DDERR_NOTPALETTIZED;
    }
    if (palette != nullptr) {
        palette->AddRef();
    }
    if (s.palette != nullptr) {
        s.palette->Release();
    }
    s.palette = palette;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetPalette(IDirectDrawPalette** palette) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (palette == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *palette = s.palette;
    if (s.palette == nullptr) {
        return DDERR_NOPALETTEATTACHED;
    }
    s.palette->AddRef();
    return DD_OK;
}

HRESULT IDirectDrawSurface4::SetClipper(IDirectDrawClipper* clipper) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (clipper != nullptr) {
        clipper->AddRef();
    }
    if (s.clipper != nullptr) {
        s.clipper->Release();
    }
    s.clipper = clipper;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetClipper(IDirectDrawClipper** clipper) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (clipper == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *clipper = s.clipper;
    if (s.clipper == nullptr) {
        return DDERR_NOCLIPPERATTACHED;
    }
    s.clipper->AddRef();
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetSurfaceDesc(DDSURFACEDESC2* desc) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (desc == nullptr || desc->dwSize != 124) {
        return DDERR_INVALIDPARAMS;
    }
    FillDesc(s, *desc);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetPixelFormat(DDPIXELFORMAT* format) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (format == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *format = PixelFormatOf(s.format);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::GetDC(HDC* dc) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (dc == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *dc = nullptr;
    if (IsLostNow(s)) {
        return DDERR_SURFACELOST;
    }
    if (s.dc != nullptr) {
        return DDERR_DCALREADYCREATED;
    }
    if (s.locks > 0) {
        return DDERR_SURFACEBUSY;
    }
    if (s.format.depth) {
        return DDERR_CANTCREATEDC;
    }
    sys::gdi::PixelSurface px;
    px.bits = s.pixels.data();
    px.width = static_cast<int32_t>(s.width);
    px.height = static_cast<int32_t>(s.height);
    px.pitch = s.pitch;
    px.bitsPerPixel = static_cast<uint16_t>(s.format.bits);
    px.redMask = s.format.red;
    px.greenMask = s.format.green;
    px.blueMask = s.format.blue;
    if (s.format.palettised) {
        // The context reads its own copy, so a palette changed or detached meanwhile cannot
        // leave it pointing at freed entries.
        if (s.palette != nullptr) {
            std::copy(s.palette->Entries(), s.palette->Entries() + 256, s.dcPalette);
        } else {
            for (int i = 0; i < 256; ++i) {
                const auto v = static_cast<uint8_t>(i);
                s.dcPalette[i] = PALETTEENTRY{v, v, v, 0};
            }
        }
        px.palette = s.dcPalette;
    }
    HDC made = sys::gdi::CreateSurfaceDC(px);
    if (made == nullptr) {
        return DDERR_CANTCREATEDC;
    }
    s.dc = made;
    *dc = made;
    return DD_OK;
}

HRESULT IDirectDrawSurface4::ReleaseDC(HDC dc) {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (s.dc == nullptr) {
        return DDERR_NODC;
    }
    if (dc != s.dc) {
        return DDERR_INVALIDPARAMS;
    }
    sys::gdi::DeleteDC(s.dc);
    s.dc = nullptr;
    PresentIfVisible(s);
    return DD_OK;
}

HRESULT IDirectDrawSurface4::Restore() {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    if (s.root != nullptr) {
        return DDERR_IMPLICITLYCREATED;
    }
    DeviceState& device = *s.device;
    if (device.Exclusive() && device.exclusiveLost) {
        return DDERR_NOEXCLUSIVEMODE;
    }
    if (!device.Exclusive() && G().faults.otherProgramExclusive && s.videoBytes > 0) {
        return DDERR_EXCLUSIVEMODEALREADYSET;
    }
    if (WrongMode(s)) {
        return DDERR_WRONGMODE;
    }
    if (s.lost) {
        s.lost = false;
        ClearPixels(s);
        for (IDirectDrawSurface4* child : s.attached) {
            child->m_state->lost = false;
            ClearPixels(*child->m_state);
        }
    }
    return DD_OK;
}

HRESULT IDirectDrawSurface4::IsLost() {
    SurfaceState& s = *m_state;
    VIDEO_NEED_DEVICE(s);
    return IsLostNow(s) ? DDERR_SURFACELOST : DD_OK;
}

}  // namespace sys::video
