#include "sys/d3d/d3d.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "sys/d3d/d3d_core.h"

// The Direct3D object's creation operations, and the small objects of the seam: lights,
// materials, texture interfaces and viewports. The device itself is in d3d_device.cpp.
namespace sys::d3d {

using sys::video::CLASS_E_NOAGGREGATION;
using sys::video::DDERR_INVALIDCAPS;
using sys::video::DDERR_INVALIDOBJECT;
using sys::video::DDERR_INVALIDPARAMS;
using sys::video::DDERR_INVALIDPIXELFORMAT;
using sys::video::DDERR_SURFACELOST;
using sys::video::E_NOINTERFACE;
using sys::video::Failed;
using namespace sys::video::detail;

namespace {

constexpr uint32_t kMaxViewportEdge = 32768;

sys::raster::Viewport FromRecord(const D3DVIEWPORT2& r) {
    sys::raster::Viewport v;
    v.dwX = r.dwX;
    v.dwY = r.dwY;
    v.dwWidth = r.dwWidth;
    v.dwHeight = r.dwHeight;
    v.dvClipX = r.dvClipX;
    v.dvClipY = r.dvClipY;
    v.dvClipWidth = r.dvClipWidth;
    v.dvClipHeight = r.dvClipHeight;
    v.dvMinZ = r.dvMinZ;
    v.dvMaxZ = r.dvMaxZ;
    return v;
}

// Whether `guid` names a device the Direct3D object lists now, with its two descriptions.
struct DeviceSearch {
    GUID wanted;
    bool found = false;
    D3DDEVICEDESC hardware;
    D3DDEVICEDESC software;
};

HRESULT FindDevice(GUID* guid, const char* /*description*/, const char* /*name*/, D3DDEVICEDESC* hardware,
                   D3DDEVICEDESC* software, void* context) {
    auto& search = *static_cast<DeviceSearch*>(context);
    if (guid != nullptr && *guid == search.wanted) {
        search.found = true;
        search.hardware = *hardware;
        search.software = *software;
        return D3DENUMRET_CANCEL;
    }
    return D3DENUMRET_OK;
}

}  // namespace

bool ValidViewport(const sys::raster::Viewport& v) {
    auto nonZero = [](float f) { return std::isfinite(f) && f != 0.0f; };
    return v.dwWidth != 0 && v.dwHeight != 0 && v.dwX <= kMaxViewportEdge && v.dwY <= kMaxViewportEdge &&
           v.dwWidth <= kMaxViewportEdge - v.dwX && v.dwHeight <= kMaxViewportEdge - v.dwY &&
           nonZero(v.dvClipWidth) && nonZero(v.dvClipHeight) && std::isfinite(v.dvClipX) &&
           std::isfinite(v.dvClipY) && std::isfinite(v.dvMinZ) && std::isfinite(v.dvMaxZ) && v.dvMinZ != v.dvMaxZ;
}

HRESULT CheckRenderTarget(IDirectDrawSurface4* surface, const DeviceState* owner) {
    if (surface == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    const SurfaceState& s = *surface->State();
    if (s.device == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    if (s.device != owner) {
        return DDERR_INVALIDPARAMS;
    }
    if ((s.caps & sys::video::DDSCAPS_3DDEVICE) == 0) {
        return DDERR_INVALIDCAPS;
    }
    if (!(s.format == FormatRgb565()) && !(s.format == FormatXrgb8888())) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    if (IsLostNow(s)) {
        return DDERR_SURFACELOST;
    }
    return D3D_OK;
}

IDirectDrawSurface4* AttachedDepth(IDirectDrawSurface4* target) {
    for (IDirectDrawSurface4* added : target->State()->added) {
        const Format& f = added->State()->format;
        if (f.depth && f.bits == 16) {
            return added;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Lights and materials

namespace {

// Lights and materials keep their records as handed over; a record must say its own size.
template <typename Record>
HRESULT StoreRecord(Record& kept, const Record* given) {
    if (given == nullptr || given->dwSize != sizeof(Record)) {
        return DDERR_INVALIDPARAMS;
    }
    kept = *given;
    return D3D_OK;
}

template <typename Record>
HRESULT CopyRecord(const Record& kept, Record* out) {
    if (out == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *out = kept;
    return D3D_OK;
}

}  // namespace

HRESULT IDirect3DLight::SetLight(const D3DLIGHT2* light) { return StoreRecord(m_light, light); }

HRESULT IDirect3DLight::GetLight(D3DLIGHT2* light) { return CopyRecord(m_light, light); }

HRESULT IDirect3DMaterial3::SetMaterial(const D3DMATERIAL* material) { return StoreRecord(m_material, material); }

HRESULT IDirect3DMaterial3::GetMaterial(D3DMATERIAL* material) { return CopyRecord(m_material, material); }

namespace {

// Handles name materials across devices; a material leaves the table when it goes.
std::unordered_map<D3DMATERIALHANDLE, IDirect3DMaterial3*>& Materials() {
    static std::unordered_map<D3DMATERIALHANDLE, IDirect3DMaterial3*> table;
    return table;
}

}  // namespace

IDirect3DMaterial3::~IDirect3DMaterial3() {
    if (m_handle != 0) {
        Materials().erase(m_handle);
    }
}

HRESULT IDirect3DMaterial3::GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle) {
    if (device == nullptr || handle == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    static D3DMATERIALHANDLE next = 0;
    if (m_handle == 0) {
        m_handle = ++next;
        Materials()[m_handle] = this;
    }
    *handle = m_handle;
    return D3D_OK;
}

IDirect3DMaterial3* MaterialFromHandle(D3DMATERIALHANDLE handle) {
    if (handle == 0) {
        return nullptr;
    }
    const auto found = Materials().find(handle);
    return found != Materials().end() ? found->second : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Texture interfaces

IDirect3DTexture2::~IDirect3DTexture2() { m_surface->Release(); }

HRESULT QueryTexture(IDirectDrawSurface4* surface, IDirect3DTexture2** texture) {
    if (surface == nullptr || texture == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *texture = nullptr;
    const SurfaceState& s = *surface->State();
    if (s.device == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    if ((s.caps & sys::video::DDSCAPS_TEXTURE) == 0) {
        return E_NOINTERFACE;
    }
    surface->AddRef();
    *texture = new IDirect3DTexture2(surface);
    return D3D_OK;
}

bool DescribeTexture(IDirectDrawSurface4* surface, sys::raster::Texture& texture) {
    using sys::raster::TextureFormat;
    const SurfaceState& top = *surface->State();
    const Format& f = top.format;
    struct Layout {
        uint32_t bits, alpha, red, green, blue;
        TextureFormat format;
    };
    static constexpr Layout kLayouts[] = {
        {16, 0, 0xF800, 0x07E0, 0x001F, TextureFormat::RGB565},
        {16, 0x8000, 0x7C00, 0x03E0, 0x001F, TextureFormat::ARGB1555},
        {16, 0xF000, 0x0F00, 0x00F0, 0x000F, TextureFormat::ARGB4444},
        {16, 0, 0x7C00, 0x03E0, 0x001F, TextureFormat::RGB555},
        {32, 0, 0xFF0000, 0x00FF00, 0x0000FF, TextureFormat::XRGB8888},
        {32, 0xFF000000, 0xFF0000, 0x00FF00, 0x0000FF, TextureFormat::ARGB8888},
    };
    const Layout* layout = nullptr;
    for (const Layout& l : kLayouts) {
        if (!f.palettised && !f.depth && f.bits == l.bits && f.alpha == l.alpha && f.red == l.red &&
            f.green == l.green && f.blue == l.blue) {
            layout = &l;
        }
    }
    if (layout == nullptr || top.width == 0 || top.height == 0) {
        return false;
    }
    texture.format = layout->format;
    texture.hasColourKey = top.hasSourceKey;
    texture.colourKey = top.sourceKey.dwColorSpaceLowValue;
    texture.levelCount = 0;
    auto add = [&texture](const SurfaceState& s) {
        sys::raster::TextureLevel& level = texture.levels[texture.levelCount++];
        level.pixels = s.pixels.data();
        level.pitch = s.pitch;
        level.width = static_cast<int32_t>(s.width);
        level.height = static_cast<int32_t>(s.height);
    };
    add(top);
    // Mip levels hang off the chain's root in order; a level of another size ends the chain.
    const SurfaceState& root = top.root != nullptr ? *top.root : top;
    if (&root == &top && (top.caps & sys::video::DDSCAPS_MIPMAP) != 0) {
        uint32_t w = top.width, h = top.height;
        for (IDirectDrawSurface4* attached : top.attached) {
            const SurfaceState& s = *attached->State();
            w = std::max<uint32_t>(w / 2, 1);
            h = std::max<uint32_t>(h / 2, 1);
            if (texture.levelCount == sys::raster::kMaxTextureLevels || s.width != w || s.height != h ||
                !(s.format == f) || s.pixels.empty()) {
                break;
            }
            add(s);
        }
    }
    return !top.pixels.empty();
}

// ---------------------------------------------------------------------------------------------
// Viewports

IDirect3DViewport3::~IDirect3DViewport3() {
    for (IDirect3DLight* light : m_lights) {
        light->m_viewport = nullptr;
        light->Release();
    }
}

HRESULT IDirect3DViewport3::SetViewport2(const D3DVIEWPORT2* viewport) {
    if (m_device != nullptr && m_device->IsRecording() && viewport != nullptr) {
        m_device->Record("SetViewport2 %u %u %u %u %g %g %g %g %g %g", viewport->dwX, viewport->dwY,
                         viewport->dwWidth, viewport->dwHeight, static_cast<double>(viewport->dvClipX),
                         static_cast<double>(viewport->dvClipY), static_cast<double>(viewport->dvClipWidth),
                         static_cast<double>(viewport->dvClipHeight), static_cast<double>(viewport->dvMinZ),
                         static_cast<double>(viewport->dvMaxZ));
    }
    if (viewport == nullptr || viewport->dwSize != sizeof(D3DVIEWPORT2)) {
        return DDERR_INVALIDPARAMS;
    }
    const sys::raster::Viewport v = FromRecord(*viewport);
    if (!ValidViewport(v)) {
        return DDERR_INVALIDPARAMS;
    }
    m_data = v;
    m_hasData = true;
    return D3D_OK;
}

HRESULT IDirect3DViewport3::GetViewport2(D3DVIEWPORT2* viewport) {
    if (viewport == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (!m_hasData) {
        return D3DERR_VIEWPORTDATANOTSET;
    }
    viewport->dwSize = sizeof(D3DVIEWPORT2);
    viewport->dwX = m_data.dwX;
    viewport->dwY = m_data.dwY;
    viewport->dwWidth = m_data.dwWidth;
    viewport->dwHeight = m_data.dwHeight;
    viewport->dvClipX = m_data.dvClipX;
    viewport->dvClipY = m_data.dvClipY;
    viewport->dvClipWidth = m_data.dvClipWidth;
    viewport->dvClipHeight = m_data.dvClipHeight;
    viewport->dvMinZ = m_data.dvMinZ;
    viewport->dvMaxZ = m_data.dvMaxZ;
    return D3D_OK;
}

HRESULT IDirect3DViewport3::GetViewport(D3DVIEWPORT* viewport) {
    if (viewport == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (!m_hasData) {
        return D3DERR_VIEWPORTDATANOTSET;
    }
    viewport->dwSize = sizeof(D3DVIEWPORT);
    viewport->dwX = m_data.dwX;
    viewport->dwY = m_data.dwY;
    viewport->dwWidth = m_data.dwWidth;
    viewport->dwHeight = m_data.dwHeight;
    viewport->dvScaleX = static_cast<float>(m_data.dwWidth) / m_data.dvClipWidth;
    viewport->dvScaleY = static_cast<float>(m_data.dwHeight) / m_data.dvClipHeight;
    viewport->dvMaxX = m_data.dvClipWidth / 2.0f;
    viewport->dvMaxY = m_data.dvClipHeight / 2.0f;
    viewport->dvMinZ = m_data.dvMinZ;
    viewport->dvMaxZ = m_data.dvMaxZ;
    return D3D_OK;
}

HRESULT IDirect3DViewport3::Clear2(uint32_t count, const D3DRECT* rects, uint32_t flags, D3DCOLOR colour,
                                   D3DVALUE z, uint32_t /*stencil*/) {
    if (m_device == nullptr) {
        return D3DERR_VIEWPORTHASNODEVICE;
    }
    m_device->Record("Clear2 %u 0x%X 0x%08X %g", count, flags, colour, static_cast<double>(z));
    return m_device->ClearRects(*this, count, rects, flags, colour, z);
}

HRESULT IDirect3DViewport3::Clear(uint32_t count, const D3DRECT* rects, uint32_t flags) {
    if (m_device == nullptr) {
        return D3DERR_VIEWPORTHASNODEVICE;
    }
    m_device->Record("Clear %u 0x%X", count, flags);
    return m_device->ClearRects(*this, count, rects, flags, 0, 1.0f);
}

HRESULT IDirect3DViewport3::AddLight(IDirect3DLight* light) {
    if (light == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (light->m_viewport != nullptr) {
        return D3DERR_LIGHTHASVIEWPORT;
    }
    light->AddRef();
    light->m_viewport = this;
    m_lights.push_back(light);
    return D3D_OK;
}

HRESULT IDirect3DViewport3::DeleteLight(IDirect3DLight* light) {
    const auto found = std::find(m_lights.begin(), m_lights.end(), light);
    if (light == nullptr || found == m_lights.end()) {
        return D3DERR_LIGHTNOTINTHISVIEWPORT;
    }
    m_lights.erase(found);
    light->m_viewport = nullptr;
    light->Release();
    return D3D_OK;
}

}  // namespace sys::d3d

// ---------------------------------------------------------------------------------------------
// The Direct3D object's creation operations (declared in video.h)

namespace sys::video {

using namespace sys::d3d;

HRESULT IDirect3D3::CreateDevice(const GUID& device, IDirectDrawSurface4* target, IDirect3DDevice3** made,
                                 void* outer) {
    if (made == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *made = nullptr;
    if (m_owner == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    // Only the devices that draw: the software and the hardware device, when listed.
    DeviceSearch search;
    search.wanted = device;
    EnumDevices(FindDevice, &search);
    if (!search.found || device == IID_IDirect3DNullDevice) {
        return DDERR_INVALIDPARAMS;
    }
    const HRESULT usable = CheckRenderTarget(target, m_owner->State());
    if (Failed(usable)) {
        return usable;
    }
    for (IDirectDrawSurface4* added : target->State()->added) {
        if (added->State()->format.depth && added->State()->format.bits != 16) {
            return DDERR_INVALIDPIXELFORMAT;  // the rasterizer's z-buffer is 16 bits
        }
    }
    auto* d = new IDirect3DDevice3;
    IDirect3DDevice3::Impl& impl = *d->m_impl;
    AddRef();
    impl.direct3D = this;
    impl.owner = m_owner->State();
    target->AddRef();
    impl.target = target;
    impl.hardware = search.hardware;
    impl.software = search.software;
    if (AttachedDepth(target) != nullptr) {
        impl.raster.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    }
    *made = d;
    return D3D_OK;
}

template <typename Object>
HRESULT IDirect3D3::CreatePlain(Object** made, void* outer) {
    if (made == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *made = nullptr;
    if (m_owner == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    *made = new Object;
    return D3D_OK;
}

HRESULT IDirect3D3::CreateViewport(IDirect3DViewport3** viewport, void* outer) { return CreatePlain(viewport, outer); }

HRESULT IDirect3D3::CreateLight(IDirect3DLight** light, void* outer) { return CreatePlain(light, outer); }

HRESULT IDirect3D3::CreateMaterial(IDirect3DMaterial3** material, void* outer) { return CreatePlain(material, outer); }

// Managed textures stay in the memory the rasterizer reads them from: there is nothing to evict.
HRESULT IDirect3D3::EvictManagedTextures() { return m_owner == nullptr ? DDERR_INVALIDOBJECT : D3D_OK; }

}  // namespace sys::video
