#include "sys/video/video.h"

#include <algorithm>
#include <cstring>

#include "sys/video/video_core.h"

// The DirectDraw-like objects: devices, surfaces with their memory and chains, clippers,
// palettes, the Direct3D device list, lost surfaces and the modes they were made in.
namespace sys::video {

using namespace detail;

namespace {

// Display modes are told apart by stamps: every desktop change and every full-screen mode set
// takes a new one. A surface remembers the stamp of the display it was made for and is lost for
// good (Restore answers the wrong-mode code) once its device shows another.
uint64_t g_stampCounter = 1;
uint64_t g_desktopStamp = 1;

}  // namespace

uint64_t detail::DisplayStamp(const DeviceState& device) {
    if (device.Exclusive() && device.modeSet) {
        return device.modeStamp;
    }
    return g_desktopStamp;
}

namespace detail {

Globals& G() {
    // Never destroyed: objects that outlive static destruction still find it.
    static Globals* globals = new Globals;
    return *globals;
}

const std::vector<Mode>& Modes() {
    static const std::vector<Mode> modes = [] {
        std::vector<Mode> list;
        const Mode sizes[] = {{640, 480, 0},   {800, 600, 0},   {1024, 768, 0},
                              {1152, 864, 0},  {1280, 1024, 0}, {1600, 1200, 0}};
        for (const Mode& size : sizes) {
            for (uint32_t bits : {8u, 16u, 32u}) {
                list.push_back(Mode{size.width, size.height, bits});
            }
        }
        return list;
    }();
    return modes;
}

void PrimaryGeometry(const DeviceState& device, uint32_t& width, uint32_t& height, Format& format) {
    if (device.Exclusive() && device.modeSet) {
        width = device.modeWidth;
        height = device.modeHeight;
        FormatForDepth(device.modeBits, format);
        return;
    }
    width = static_cast<uint32_t>(std::max(1, sys::window::GetSystemMetrics(SM_CXSCREEN)));
    height = static_cast<uint32_t>(std::max(1, sys::window::GetSystemMetrics(SM_CYSCREEN)));
    if (!FormatForDepth(G().desktopBits, format)) {
        format = FormatXrgb8888();
    }
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Memory and the helpers surfaces share

namespace {

int32_t PitchFor(uint32_t width, const Format& format, bool visible) {
    const uint32_t row = width * format.Bytes();
    if (visible) {
        return static_cast<int32_t>(row);
    }
    // Off-screen rows are padded past what they need, as display memory often is.
    return static_cast<int32_t>(((row + 15u) & ~15u) + 16u);
}

uint32_t VideoFree(const DeviceState& device) {
    const uint32_t total = G().faults.videoMemory;
    return device.videoUsed >= total ? 0 : total - device.videoUsed;
}

void FreeMemory(SurfaceState& s) {
    if (s.device != nullptr) {
        s.device->videoUsed -= std::min(s.device->videoUsed, s.videoBytes);
    }
    s.videoBytes = 0;
    s.pixels.clear();
    s.pixels.shrink_to_fit();
}

}  // namespace

namespace detail {

bool WrongMode(const SurfaceState& s) { return s.device != nullptr && s.madeFor != DisplayStamp(*s.device); }

bool IsLostNow(const SurfaceState& s) {
    const SurfaceState& root = s.root != nullptr ? *s.root : s;
    return s.lost || root.lost || WrongMode(root);
}

// Takes everything the device gave a surface: its memory, its place in the device's list and
// its device context. The object itself lives on and answers DDERR_INVALIDOBJECT.
void Detach(SurfaceState& s) {
    if (s.dc != nullptr) {
        sys::gdi::DeleteDC(s.dc);
        s.dc = nullptr;
    }
    s.locks = 0;
    if (s.device != nullptr) {
        FreeMemory(s);
        auto& list = s.device->surfaces;
        list.erase(std::remove(list.begin(), list.end(), &s), list.end());
    }
    s.device = nullptr;
}

void ClearPixels(SurfaceState& s) { std::fill(s.pixels.begin(), s.pixels.end(), uint8_t{0}); }

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Reference counting and GUIDs

uint32_t RefCounted::AddRef() { return ++m_refs; }

uint32_t RefCounted::Release() {
    if (m_refs == 0) {
        return 0;
    }
    const uint32_t left = --m_refs;
    if (left == 0) {
        delete this;
    }
    return left;
}

bool GUID::IsNull() const { return *this == GUID{}; }

uint32_t DesktopBitsPerPixel() { return G().desktopBits; }

// ---------------------------------------------------------------------------------------------
// The Direct3D object

namespace {

// What the hardware device reports: the capabilities our own rasterizer gives (the renderer
// reads render depths, blend stages, the fog table, modulate 2x and the mip filters).
D3DDEVICEDESC HalDescription() {
    D3DDEVICEDESC d;
    d.dwFlags = 0x7FF;  // every field up to the vertex count is valid
    d.dcmColorModel = D3DCOLOR_RGB;
    // Floating-point transformed vertices and draws of them, execute and vertex buffers in
    // system memory, textures in video memory, rendering after a flip, rasterized by the device.
    d.dwDevCaps = 0x1 | 0x10 | 0x40 | 0x200 | 0x400 | 0x800 | 0x80000;
    d.dtcTransformCaps.dwCaps = 0x1;  // clips
    d.bClipping = 1;
    d.dlcLightingCaps.dwCaps = 0x1 | 0x4;  // point and directional lights
    d.dlcLightingCaps.dwLightingModel = 0x1;  // RGB
    d.dlcLightingCaps.dwNumLights = 8;
    for (D3DPRIMCAPS* caps : {&d.dpcLineCaps, &d.dpcTriCaps}) {
        caps->dwMiscCaps = 0x2 | 0x10 | 0x20 | 0x40;  // z mask; cull none, clockwise, counter-clockwise
        caps->dwRasterCaps = 0x1 | 0x10 | 0x100 | 0x4000;  // dither, z test, fog table, z bias
        caps->dwZCmpCaps = 0xFF;  // all eight comparisons
        caps->dwSrcBlendCaps = 0x1FFF;  // every blend factor
        caps->dwDestBlendCaps = 0x1FFF;
        caps->dwAlphaCmpCaps = 0xFF;
        caps->dwShadeCaps = 0x8 | 0x200 | 0x4000 | 0x80000;  // Gouraud colour, specular, alpha, fog
        caps->dwTextureCaps = 0x1 | 0x4 | 0x8;  // perspective, alpha, colour-key transparency
        // Point and linear, the four mip modes (linear-mip-nearest among them), and the
        // separate minification, mip and magnification filters.
        caps->dwTextureFilterCaps = 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x100 | 0x200 | 0x10000 | 0x20000 |
                                    0x1000000 | 0x2000000;
        caps->dwTextureBlendCaps = 0xFF;
        caps->dwTextureAddressCaps = 0x1 | 0x2 | 0x4;  // wrap, mirror, clamp
    }
    d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
    d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24;
    d.dwMaxVertexCount = 65535;
    d.dwMinTextureWidth = 1;
    d.dwMinTextureHeight = 1;
    d.dwMaxTextureWidth = 2048;
    d.dwMaxTextureHeight = 2048;
    d.dwMaxTextureRepeat = 2048;
    d.dwMaxTextureAspectRatio = 2048;
    d.dwMaxAnisotropy = 1;
    d.dvGuardBandLeft = -4096.0f;
    d.dvGuardBandTop = -4096.0f;
    d.dvGuardBandRight = 4096.0f;
    d.dvGuardBandBottom = 4096.0f;
    d.dwFVFCaps = 2;  // two texture-coordinate sets
    d.dwTextureOpCaps = 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20;  // disable .. modulate 2x / 4x
    d.wMaxTextureBlendStages = 2;
    d.wMaxSimultaneousTextures = 2;
    return d;
}

// The Direct3D objects of each device, so they let go of it when it goes.
std::vector<std::pair<IDirect3D3*, DeviceState*>>& Direct3DObjects() {
    static auto* objects = new std::vector<std::pair<IDirect3D3*, DeviceState*>>;
    return *objects;
}

}  // namespace

IDirect3D3::~IDirect3D3() {
    auto& list = Direct3DObjects();
    list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& e) { return e.first == this; }),
               list.end());
}

HRESULT IDirect3D3::EnumDevices(EnumDevicesCallback callback, void* context) {
    if (m_owner == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    if (callback == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    // The null device and the software device are listed first, as the platform lists them;
    // neither has a hardware description.
    {
        GUID guid = IID_IDirect3DNullDevice;
        D3DDEVICEDESC hardware;
        D3DDEVICEDESC software;
        if (callback(&guid, "Null device", "Null device", &hardware, &software, context) == DDENUMRET_CANCEL) {
            return DD_OK;
        }
    }
    {
        GUID guid = IID_IDirect3DRGBDevice;
        D3DDEVICEDESC hardware;
        D3DDEVICEDESC software = HalDescription();
        if (callback(&guid, "RGB Emulation", "RGB Emulation", &hardware, &software, context) == DDENUMRET_CANCEL) {
            return DD_OK;
        }
    }
    if (G().faults.hardwareDevice) {
        GUID guid = IID_IDirect3DHALDevice;
        D3DDEVICEDESC hardware = HalDescription();
        D3DDEVICEDESC software;
        callback(&guid, kHalDeviceName, kHalDeviceName, &hardware, &software, context);
    }
    return DD_OK;
}

HRESULT IDirect3D3::EnumZBufferFormats(const GUID& device, EnumZBufferFormatsCallback callback, void* context) {
    if (m_owner == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    const bool listed =
        device == IID_IDirect3DRGBDevice || (device == IID_IDirect3DHALDevice && G().faults.hardwareDevice);
    if (callback == nullptr || !listed) {
        return DDERR_INVALIDPARAMS;
    }
    DDPIXELFORMAT format;
    format.dwFlags = DDPF_ZBUFFER;
    format.dwZBufferBitDepth = 16;
    format.dwZBitMask = 0xFFFF;
    callback(&format, context);
    return DD_OK;
}

// ---------------------------------------------------------------------------------------------
// The DirectDraw object

HRESULT CreateDirectDraw(IDirectDraw4** object) {
    if (object == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *object = nullptr;
    if (G().faults.createFails) {
        return REGDB_E_CLASSNOTREG;
    }
    auto* state = new DeviceState;
    state->createdUnder = g_desktopStamp;
    auto* device = new IDirectDraw4(state);
    state->object = device;
    G().devices.push_back(state);
    *object = device;
    return DD_OK;
}

HRESULT DirectDrawEnumerate(EnumDriversCallback callback, void* context) {
    if (callback == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    callback(nullptr, kDisplayDriverDescription, kDisplayDriverName, context);
    return DD_OK;
}

IDirectDraw4::~IDirectDraw4() {
    DeviceState& d = *m_state;
    const bool wasFullScreen = d.Exclusive();
    // Surfaces keep their objects for their holders, without memory; they answer errors.
    const std::vector<SurfaceState*> surfaces = d.surfaces;
    for (SurfaceState* s : surfaces) {
        Detach(*s);
    }
    for (auto& [d3d, owner] : Direct3DObjects()) {
        if (owner == m_state) {
            d3d->m_owner = nullptr;
            owner = nullptr;
        }
    }
    auto& devices = G().devices;
    devices.erase(std::remove(devices.begin(), devices.end(), m_state), devices.end());
    if (wasFullScreen) {
        FullScreenChanged(d, false);
    }
    delete m_state;
}

#define VIDEO_NEED_INIT()                  \
    do {                                   \
        if (!m_state->initialized) {       \
            return DDERR_NOTINITIALIZED;   \
        }                                  \
    } while (false)

HRESULT IDirectDraw4::Initialize(const GUID* driver) {
    if (m_state->initialized) {
        return DDERR_ALREADYINITIALIZED;
    }
    if (driver != nullptr && !driver->IsNull()) {
        return DDERR_INVALIDDIRECTDRAWGUID;
    }
    m_state->initialized = true;
    return G().faults.noHardware ? DDERR_NODIRECTDRAWHW : DD_OK;
}

HRESULT IDirectDraw4::SetCooperativeLevel(HWND window, uint32_t flags) {
    VIDEO_NEED_INIT();
    DeviceState& d = *m_state;
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    const bool fullScreen = (flags & DDSCL_FULLSCREEN) != 0;
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    if (normal == (exclusive || fullScreen) || exclusive != fullScreen) {
        return DDERR_INVALIDPARAMS;
    }
    if (window != nullptr && !sys::window::IsWindow(window)) {
        return DDERR_INVALIDPARAMS;
    }
    if (G().faults.cooperativeFailures > 0) {
        --G().faults.cooperativeFailures;
        return DDERR_GENERIC;
    }
    if (exclusive) {
        if (window == nullptr) {
            return DDERR_NOHWND;
        }
        if (G().faults.otherProgramExclusive) {
            return DDERR_EXCLUSIVEMODEALREADYSET;
        }
        for (const DeviceState* other : G().devices) {
            if (other != &d && other->Exclusive()) {
                return DDERR_EXCLUSIVEMODEALREADYSET;
            }
        }
    }
    const bool wasExclusive = d.Exclusive();
    d.cooperative = flags;
    d.window = window;
    d.exclusiveLost = false;
    if (wasExclusive && !exclusive) {
        d.modeSet = false;
        FullScreenChanged(d, false);
    }
    return DD_OK;
}

HRESULT IDirectDraw4::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                     uint32_t /*refreshRate*/, uint32_t /*flags*/) {
    VIDEO_NEED_INIT();
    DeviceState& d = *m_state;
    if (!d.Exclusive()) {
        return DDERR_NOEXCLUSIVEMODE;
    }
    const auto& refused = G().faults.refusedDepths;
    if (std::find(refused.begin(), refused.end(), bitsPerPixel) != refused.end()) {
        return DDERR_UNSUPPORTEDMODE;
    }
    const auto& modes = Modes();
    const bool listed = std::any_of(modes.begin(), modes.end(), [&](const Mode& m) {
        return m.width == width && m.height == height && m.bits == bitsPerPixel;
    });
    if (!listed) {
        return DDERR_INVALIDMODE;
    }
    // Surfaces made for the previous mode are lost for good; Restore answers the wrong-mode code.
    d.modeSet = true;
    d.modeWidth = width;
    d.modeHeight = height;
    d.modeBits = bitsPerPixel;
    d.modeStamp = ++g_stampCounter;
    FullScreenChanged(d, true);
    return DD_OK;
}

HRESULT IDirectDraw4::RestoreDisplayMode() {
    VIDEO_NEED_INIT();
    DeviceState& d = *m_state;
    const bool wasSet = d.modeSet && d.Exclusive();
    d.modeSet = false;
    if (wasSet) {
        FullScreenChanged(d, false);
    }
    return DD_OK;
}

HRESULT IDirectDraw4::GetDisplayMode(DDSURFACEDESC2* desc) {
    VIDEO_NEED_INIT();
    if (desc == nullptr || desc->dwSize != 124) {
        return DDERR_INVALIDPARAMS;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    Format format;
    PrimaryGeometry(*m_state, width, height, format);
    *desc = DDSURFACEDESC2{};
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc->dwWidth = width;
    desc->dwHeight = height;
    desc->lPitch = static_cast<int32_t>(width * format.Bytes());
    desc->ddpfPixelFormat = PixelFormatOf(format);
    return DD_OK;
}

HRESULT IDirectDraw4::EnumDisplayModes(uint32_t /*flags*/, const DDSURFACEDESC2* filter, void* context,
                                       EnumModesCallback callback) {
    VIDEO_NEED_INIT();
    if (callback == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    for (const Mode& m : Modes()) {
        if (filter != nullptr) {
            if ((filter->dwFlags & DDSD_WIDTH) != 0 && filter->dwWidth != m.width) {
                continue;
            }
            if ((filter->dwFlags & DDSD_HEIGHT) != 0 && filter->dwHeight != m.height) {
                continue;
            }
            if ((filter->dwFlags & DDSD_PIXELFORMAT) != 0 && filter->ddpfPixelFormat.dwRGBBitCount != m.bits) {
                continue;
            }
        }
        Format format;
        FormatForDepth(m.bits, format);
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
        desc.dwWidth = m.width;
        desc.dwHeight = m.height;
        desc.lPitch = static_cast<int32_t>(m.width * format.Bytes());
        desc.ddpfPixelFormat = PixelFormatOf(format);
        if (callback(&desc, context) == DDENUMRET_CANCEL) {
            break;
        }
    }
    return DD_OK;
}

namespace {

// Gives a new surface its memory: video memory when asked for (or when nothing was said and it
// fits), else system memory.
HRESULT PlaceSurface(DeviceState& d, SurfaceState& s, uint32_t caps) {
    const size_t bytes = static_cast<size_t>(s.pitch) * s.height;
    const bool wantVideo = (caps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_NONLOCALVIDMEM)) != 0;
    const bool wantSystem = (caps & DDSCAPS_SYSTEMMEMORY) != 0;
    const bool managed = (s.caps2 & DDSCAPS2_TEXTUREMANAGE) != 0;
    bool video = false;
    if (wantVideo) {
        if (bytes > VideoFree(d)) {
            return DDERR_OUTOFVIDEOMEMORY;
        }
        video = true;
    } else if (!wantSystem && !managed && bytes <= VideoFree(d)) {
        video = true;
    }
    s.caps &= ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_NONLOCALVIDMEM);
    if (video) {
        s.caps |= DDSCAPS_VIDEOMEMORY |
                  ((caps & DDSCAPS_NONLOCALVIDMEM) != 0 ? DDSCAPS_NONLOCALVIDMEM : DDSCAPS_LOCALVIDMEM);
        s.videoBytes = static_cast<uint32_t>(bytes);
        d.videoUsed += s.videoBytes;
    } else {
        s.caps |= DDSCAPS_SYSTEMMEMORY;
    }
    s.pixels.assign(bytes, 0);
    return DD_OK;
}

SurfaceState* NewSurface(DeviceState& d, uint32_t width, uint32_t height, const Format& format, uint32_t caps,
                         uint32_t caps2, bool visible) {
    auto* s = new SurfaceState;
    s->device = &d;
    s->width = width;
    s->height = height;
    s->format = format;
    s->pitch = PitchFor(width, format, visible);
    s->caps = caps;
    s->caps2 = caps2;
    s->madeFor = DisplayStamp(d);
    return s;
}

}  // namespace

HRESULT IDirectDraw4::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface, void* outer) {
    VIDEO_NEED_INIT();
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (desc == nullptr || surface == nullptr || desc->dwSize != 124) {
        return DDERR_INVALIDPARAMS;
    }
    *surface = nullptr;
    DeviceState& d = *m_state;
    const uint32_t caps = (desc->dwFlags & DDSD_CAPS) != 0 ? desc->ddsCaps.dwCaps : DDSCAPS_OFFSCREENPLAIN;
    const uint32_t caps2 = (desc->dwFlags & DDSD_CAPS) != 0 ? desc->ddsCaps.dwCaps2 : 0;
    if ((caps & DDSCAPS_VIDEOMEMORY) != 0 && (caps & DDSCAPS_SYSTEMMEMORY) != 0) {
        return DDERR_INVALIDCAPS;
    }

    std::vector<SurfaceState*> made;
    auto fail = [&made](HRESULT hr) {
        for (SurfaceState* s : made) {
            Detach(*s);
            delete s;
        }
        return hr;
    };

    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0) {
        if (d.cooperative == 0) {
            return DDERR_NOCOOPERATIVELEVELSET;
        }
        for (const SurfaceState* s : d.surfaces) {
            if (s->IsPrimary() && s->root == nullptr) {
                return DDERR_PRIMARYSURFACEALREADYEXISTS;
            }
        }
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) != 0) {
            return DDERR_INVALIDPARAMS;
        }
        const bool flipping = (caps & DDSCAPS_FLIP) != 0;
        const uint32_t backs = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) != 0 ? desc->dwBackBufferCount : 0;
        if (flipping && !d.Exclusive()) {
            return DDERR_NOEXCLUSIVEMODE;
        }
        if (flipping != (backs > 0) || (flipping && (caps & DDSCAPS_COMPLEX) == 0) || backs > 3) {
            return DDERR_INVALIDCAPS;
        }
        // A display we cannot draw on would leave the game running unseen.
        if (!CanPresent()) {
            return DDERR_UNSUPPORTEDMODE;
        }
        uint32_t width = 0;
        uint32_t height = 0;
        Format format;
        PrimaryGeometry(d, width, height, format);
        const uint32_t roles = flipping ? (DDSCAPS_FLIP | DDSCAPS_COMPLEX) : 0;
        const uint32_t kept = caps & DDSCAPS_3DDEVICE;
        SurfaceState* front =
            NewSurface(d, width, height, format, kept | roles | DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE |
                                                     (flipping ? DDSCAPS_FRONTBUFFER : 0), 0, true);
        made.push_back(front);
        for (uint32_t i = 0; i < backs; ++i) {
            made.push_back(NewSurface(d, width, height, format,
                                      kept | roles | (i == 0 ? DDSCAPS_BACKBUFFER : 0), 0, true));
        }
        for (SurfaceState* s : made) {
            if (!d.Exclusive()) {
                // A window's primary is the desktop, whose memory the desktop already holds:
                // whatever its size, it takes nothing from the program's video memory.
                s->caps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
                s->pixels.assign(static_cast<size_t>(s->pitch) * s->height, 0);
                continue;
            }
            const HRESULT hr = PlaceSurface(d, *s, DDSCAPS_VIDEOMEMORY);
            if (Failed(hr)) {
                return fail(hr);
            }
        }
    } else {
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || desc->dwWidth == 0 ||
            desc->dwHeight == 0) {
            return DDERR_INVALIDPARAMS;
        }
        if (desc->dwWidth > kMaxSurfaceSide || desc->dwHeight > kMaxSurfaceSide) {
            return DDERR_TOOBIGSIZE;
        }
        Format format;
        if ((desc->dwFlags & DDSD_PIXELFORMAT) != 0) {
            if (!FormatFromPixelFormat(desc->ddpfPixelFormat, format)) {
                return DDERR_INVALIDPIXELFORMAT;
            }
        } else {
            uint32_t w = 0;
            uint32_t h = 0;
            PrimaryGeometry(d, w, h, format);
        }
        if (((caps & DDSCAPS_ZBUFFER) != 0) != format.depth) {
            return DDERR_INVALIDPIXELFORMAT;
        }
        uint32_t levels = 1;
        if ((caps & DDSCAPS_MIPMAP) != 0 && (caps & DDSCAPS_COMPLEX) != 0) {
            if ((caps & DDSCAPS_TEXTURE) == 0) {
                return DDERR_INVALIDCAPS;
            }
            uint32_t full = 1;
            for (uint32_t side = std::max(desc->dwWidth, desc->dwHeight); side > 1; side /= 2) {
                ++full;
            }
            levels = (desc->dwFlags & DDSD_MIPMAPCOUNT) != 0 ? desc->dwMipMapCount : full;
            if (levels == 0 || levels > full) {
                return DDERR_INVALIDPARAMS;
            }
        }
        uint32_t width = desc->dwWidth;
        uint32_t height = desc->dwHeight;
        for (uint32_t i = 0; i < levels; ++i) {
            SurfaceState* s = NewSurface(d, width, height, format, caps, caps2, false);
            made.push_back(s);
            const HRESULT hr = PlaceSurface(d, *s, caps);
            if (Failed(hr)) {
                return fail(hr);
            }
            width = std::max(1u, width / 2);
            height = std::max(1u, height / 2);
        }
        if ((desc->dwFlags & DDSD_CKSRCBLT) != 0) {
            made.front()->hasSourceKey = true;
            made.front()->sourceKey = desc->ddckCKSrcBlt;
        }
    }

    SurfaceState* root = made.front();
    for (SurfaceState* s : made) {
        s->object = new IDirectDrawSurface4(s);
        d.surfaces.push_back(s);
        if (s != root) {
            s->root = root;
            root->attached.push_back(s->object);
        }
    }
    *surface = root->object;
    return DD_OK;
}

HRESULT IDirectDraw4::CreateClipper(uint32_t /*flags*/, IDirectDrawClipper** clipper, void* outer) {
    VIDEO_NEED_INIT();
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (clipper == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *clipper = new IDirectDrawClipper;
    return DD_OK;
}

HRESULT IDirectDraw4::CreatePalette(uint32_t flags, const PALETTEENTRY* entries, IDirectDrawPalette** palette,
                                    void* outer) {
    VIDEO_NEED_INIT();
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (palette == nullptr || entries == nullptr || (flags & DDPCAPS_8BIT) == 0) {
        return DDERR_INVALIDPARAMS;
    }
    auto* made = new IDirectDrawPalette;
    made->m_caps = flags;
    std::copy(entries, entries + 256, made->m_entries);
    *palette = made;
    return DD_OK;
}

HRESULT IDirectDraw4::GetCaps(DDCAPS* hardware, DDCAPS* emulation) {
    VIDEO_NEED_INIT();
    if ((hardware == nullptr && emulation == nullptr) || (hardware != nullptr && hardware->dwSize != 380) ||
        (emulation != nullptr && emulation->dwSize != 380)) {
        return DDERR_INVALIDPARAMS;
    }
    const uint32_t blitCaps = DDCAPS_BLT | DDCAPS_BLTSTRETCH | DDCAPS_BLTCOLORFILL | DDCAPS_COLORKEY |
                              DDCAPS_PALETTE | DDCAPS_GDI;
    if (hardware != nullptr) {
        *hardware = DDCAPS{};
        if (!G().faults.noHardware) {
            hardware->dwCaps = blitCaps | DDCAPS_3D;
            hardware->dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
            hardware->dwCKeyCaps = DDCKEYCAPS_SRCBLT;
            hardware->dwFXCaps = DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN;
            hardware->dwPalCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256;
            hardware->dwVidMemTotal = G().faults.videoMemory;
            hardware->dwVidMemFree = VideoFree(*m_state);
            hardware->ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_FLIP |
                                       DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY |
                                       DDSCAPS_ZBUFFER | DDSCAPS_MIPMAP;
        }
    }
    if (emulation != nullptr) {
        *emulation = DDCAPS{};
        emulation->dwCaps = blitCaps;
        emulation->dwCKeyCaps = DDCKEYCAPS_SRCBLT;
        emulation->dwFXCaps = DDFXCAPS_BLTMIRRORLEFTRIGHT | DDFXCAPS_BLTMIRRORUPDOWN;
        emulation->dwPalCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256;
        emulation->ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    }
    return DD_OK;
}

HRESULT IDirectDraw4::GetAvailableVidMem(const DDSCAPS2* caps, uint32_t* total, uint32_t* free) {
    VIDEO_NEED_INIT();
    if (caps == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if ((caps->dwCaps & DDSCAPS_SYSTEMMEMORY) != 0) {
        return DDERR_INVALIDCAPS;
    }
    if (total != nullptr) {
        *total = G().faults.videoMemory;
    }
    if (free != nullptr) {
        *free = VideoFree(*m_state);
    }
    return DD_OK;
}

HRESULT IDirectDraw4::TestCooperativeLevel() {
    VIDEO_NEED_INIT();
    const DeviceState& d = *m_state;
    if (d.Exclusive()) {
        return d.exclusiveLost ? DDERR_NOEXCLUSIVEMODE : DD_OK;
    }
    if (G().faults.otherProgramExclusive) {
        return DDERR_EXCLUSIVEMODEALREADYSET;
    }
    for (const DeviceState* other : G().devices) {
        if (other != &d && other->Exclusive()) {
            return DDERR_EXCLUSIVEMODEALREADYSET;
        }
    }
    return d.createdUnder != g_desktopStamp ? DDERR_WRONGMODE : DD_OK;
}

HRESULT IDirectDraw4::RestoreAllSurfaces() {
    VIDEO_NEED_INIT();
    HRESULT result = DD_OK;
    const std::vector<SurfaceState*> surfaces = m_state->surfaces;
    for (SurfaceState* s : surfaces) {
        if (s->root == nullptr) {
            const HRESULT hr = s->object->Restore();
            if (Failed(hr)) {
                result = hr;
            }
        }
    }
    return result;
}

HRESULT IDirectDraw4::QueryDirect3D(IDirect3D3** d3d) {
    VIDEO_NEED_INIT();
    if (d3d == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    auto* made = new IDirect3D3(this);
    Direct3DObjects().emplace_back(made, m_state);
    *d3d = made;
    return DD_OK;
}

// ---------------------------------------------------------------------------------------------
// What the headless backend's failure switches do to the live objects (headless_video.h).

namespace detail {

void LoseAll() {
    for (DeviceState* d : G().devices) {
        for (SurfaceState* s : d->surfaces) {
            s->lost = true;
            ClearPixels(*s);
        }
    }
}

void LoseExclusive() {
    for (DeviceState* d : G().devices) {
        if (d->Exclusive() && !d->exclusiveLost) {
            d->exclusiveLost = true;
            for (SurfaceState* s : d->surfaces) {
                s->lost = true;
            }
        }
    }
}

void RegainExclusive() {
    for (DeviceState* d : G().devices) {
        d->exclusiveLost = false;
    }
}

void DesktopChanged(uint32_t bits) {
    G().desktopBits = bits;
    g_desktopStamp = ++g_stampCounter;
}

}  // namespace detail

}  // namespace sys::video
