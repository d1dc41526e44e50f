#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#include "sys/d3d/d3d_core.h"
#include "sys/d3d/d3d.h"
#include "sys/raster/pixel_packing.h"

// The Direct3D device: its stores of states, transforms, viewports and textures, and the draws
// and clears it hands to its rasterizer on the locked pixels of its render target and z-buffer.
namespace sys::d3d {

using sys::video::DDERR_INVALIDOBJECT;
using sys::video::DDERR_INVALIDPARAMS;
using sys::video::DDSURFACEDESC2;
using sys::video::Failed;

namespace {

// What an indexed draw without indices points the rasterizer at.
constexpr uint16_t kNoIndex[1] = {0};

// A surface locked for the length of one draw or clear, unlocked when it goes.
class ScopedLock {
public:
    explicit ScopedLock(IDirectDrawSurface4* surface) : m_surface(surface) {
        m_result = surface->Lock(nullptr, &m_desc, sys::video::DDLOCK_WAIT, nullptr);
    }
    ~ScopedLock() {
        if (!Failed(m_result)) {
            m_surface->Unlock(nullptr);
        }
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;
    HRESULT Result() const { return m_result; }
    const DDSURFACEDESC2& Desc() const { return m_desc; }

private:
    IDirectDrawSurface4* m_surface;
    DDSURFACEDESC2 m_desc;
    HRESULT m_result;
};

}  // namespace

IDirect3DDevice3::IDirect3DDevice3() : m_impl(new Impl) {
    Impl& d = *m_impl;
    d.lightStates[D3DLIGHTSTATE_COLORMODEL] = sys::video::D3DCOLOR_RGB;
    d.lightStates[D3DLIGHTSTATE_COLORVERTEX] = 1;
}

IDirect3DDevice3::~IDirect3DDevice3() {
    Impl& d = *m_impl;
    for (IDirect3DTexture2*& texture : d.textures) {
        if (texture != nullptr) {
            texture->Release();
        }
    }
    for (IDirect3DViewport3* viewport : d.viewports) {
        viewport->m_device = nullptr;
        viewport->Release();
    }
    d.target->Release();
    d.direct3D->Release();
    delete m_impl;
}

void IDirect3DDevice3::Record(const char* format, ...) {
    if (!m_recording) {
        return;
    }
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    m_log.emplace_back(line);
}

HRESULT IDirect3DDevice3::GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) {
    if ((hardware == nullptr && software == nullptr) || (hardware != nullptr && hardware->dwSize != 252) ||
        (software != nullptr && software->dwSize != 252)) {
        return DDERR_INVALIDPARAMS;
    }
    if (hardware != nullptr) {
        *hardware = m_impl->hardware;
    }
    if (software != nullptr) {
        *software = m_impl->software;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice3::EnumTextureFormats(EnumTextureFormatsCallback callback, void* context) {
    if (callback == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    struct Layout {
        uint32_t bits, alpha, red, green, blue;
    };
    static constexpr Layout kFormats[] = {
        {16, 0, 0xF800, 0x07E0, 0x001F},           // RGB565
        {16, 0x8000, 0x7C00, 0x03E0, 0x001F},      // ARGB1555
        {16, 0xF000, 0x0F00, 0x00F0, 0x000F},      // ARGB4444
        {16, 0, 0x7C00, 0x03E0, 0x001F},           // RGB555
        {32, 0, 0xFF0000, 0x00FF00, 0x0000FF},     // XRGB8888
        {32, 0xFF000000, 0xFF0000, 0x00FF00, 0x0000FF},  // ARGB8888
    };
    for (const Layout& f : kFormats) {
        DDPIXELFORMAT pf;
        pf.dwFlags = sys::video::DDPF_RGB | (f.alpha != 0 ? sys::video::DDPF_ALPHAPIXELS : 0);
        pf.dwRGBBitCount = f.bits;
        pf.dwRBitMask = f.red;
        pf.dwGBitMask = f.green;
        pf.dwBBitMask = f.blue;
        pf.dwRGBAlphaBitMask = f.alpha;
        if (callback(&pf, context) == D3DENUMRET_CANCEL) {
            break;
        }
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetDirect3D(IDirect3D3** d3d) {
    if (d3d == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    m_impl->direct3D->AddRef();
    *d3d = m_impl->direct3D;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Viewports and render target

HRESULT IDirect3DDevice3::AddViewport(IDirect3DViewport3* viewport) {
    Record("AddViewport");
    if (viewport == nullptr || viewport->m_device != nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    viewport->AddRef();
    viewport->m_device = this;
    m_impl->viewports.push_back(viewport);
    return D3D_OK;
}

HRESULT IDirect3DDevice3::DeleteViewport(IDirect3DViewport3* viewport) {
    Record("DeleteViewport");
    auto& list = m_impl->viewports;
    const auto found = std::find(list.begin(), list.end(), viewport);
    if (viewport == nullptr || found == list.end()) {
        return DDERR_INVALIDPARAMS;
    }
    list.erase(found);
    if (m_impl->current == viewport) {
        m_impl->current = nullptr;
    }
    viewport->m_device = nullptr;
    viewport->Release();
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetCurrentViewport(IDirect3DViewport3* viewport) {
    Record("SetCurrentViewport");
    if (viewport == nullptr || viewport->m_device != this) {
        return DDERR_INVALIDPARAMS;
    }
    m_impl->current = viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetCurrentViewport(IDirect3DViewport3** viewport) {
    if (viewport == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *viewport = m_impl->current;
    if (*viewport == nullptr) {
        return D3DERR_NOCURRENTVIEWPORT;
    }
    (*viewport)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetRenderTarget(IDirectDrawSurface4* target, uint32_t /*flags*/) {
    Record("SetRenderTarget");
    // Once the DirectDraw object is gone its state is too: nothing can be compared with it.
    if (m_impl->target->State()->device == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    const HRESULT usable = CheckRenderTarget(target, m_impl->owner);
    if (Failed(usable)) {
        return usable;
    }
    target->AddRef();
    m_impl->target->Release();
    m_impl->target = target;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetRenderTarget(IDirectDrawSurface4** target) {
    if (target == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    m_impl->target->AddRef();
    *target = m_impl->target;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Scenes and stores

HRESULT IDirect3DDevice3::BeginScene() {
    Record("BeginScene");
    ++m_sceneDepth;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::EndScene() {
    Record("EndScene");
    if (m_sceneDepth == 0) {
        return D3DERR_SCENE_NOT_IN_SCENE;
    }
    --m_sceneDepth;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetTransform(uint32_t kind, const D3DMATRIX* matrix) {
    Record("SetTransform %u", kind);
    if (matrix == nullptr || !m_impl->raster.SetTransform(kind, *matrix)) {
        return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetTransform(uint32_t kind, D3DMATRIX* matrix) {
    if (matrix == nullptr || !m_impl->raster.GetTransform(kind, *matrix)) {
        return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetRenderState(uint32_t state, uint32_t value) {
    Record("SetRenderState %u %u", state, value);
    return m_impl->raster.SetRenderState(state, value) ? D3D_OK : DDERR_INVALIDPARAMS;
}

HRESULT IDirect3DDevice3::GetRenderState(uint32_t state, uint32_t* value) {
    if (value == nullptr || state >= kRenderStateCount) {
        return DDERR_INVALIDPARAMS;
    }
    *value = m_impl->raster.GetRenderState(state);
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetLightState(uint32_t state, uint32_t value) {
    Record("SetLightState %u 0x%X", state, value);
    if (state == 0 || state >= kLightStateCount) {
        return DDERR_INVALIDPARAMS;
    }
    m_impl->lightStates[state] = value;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetLightState(uint32_t state, uint32_t* value) {
    if (value == nullptr || state == 0 || state >= kLightStateCount) {
        return DDERR_INVALIDPARAMS;
    }
    *value = m_impl->lightStates[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value) {
    Record("SetTextureStageState %u %u %u", stage, state, value);
    return m_impl->raster.SetTextureStageState(stage, state, value) ? D3D_OK : DDERR_INVALIDPARAMS;
}

HRESULT IDirect3DDevice3::GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value) {
    if (value == nullptr || stage >= kTextureStageCount || state == 0 || state >= kTextureStageStateCount) {
        return DDERR_INVALIDPARAMS;
    }
    *value = m_impl->raster.GetTextureStageState(stage, state);
    return D3D_OK;
}

HRESULT IDirect3DDevice3::SetTexture(uint32_t stage, IDirect3DTexture2* texture) {
    Record(texture == nullptr ? "SetTexture %u null" : "SetTexture %u set", stage);
    if (stage >= kTextureStageCount) {
        return DDERR_INVALIDPARAMS;
    }
    if (texture != nullptr) {
        texture->AddRef();
    }
    if (m_impl->textures[stage] != nullptr) {
        m_impl->textures[stage]->Release();
    }
    m_impl->textures[stage] = texture;
    return D3D_OK;
}

HRESULT IDirect3DDevice3::GetTexture(uint32_t stage, IDirect3DTexture2** texture) {
    if (texture == nullptr || stage >= kTextureStageCount) {
        return DDERR_INVALIDPARAMS;
    }
    *texture = m_impl->textures[stage];
    if (*texture != nullptr) {
        (*texture)->AddRef();
    }
    return D3D_OK;
}

const RasterCounters& IDirect3DDevice3::Counters() const { return m_impl->raster.Counters(); }

void IDirect3DDevice3::ResetCounters() { m_impl->raster.ResetCounters(); }

void IDirect3DDevice3::SetRasterThreads(int threads) { m_impl->raster.SetThreadCount(threads); }

int IDirect3DDevice3::RasterThreads() const { return m_impl->raster.ThreadCount(); }

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

// Points the rasterizer at the locked pixels of the target and, when given, the z-buffer.
void Bind(sys::raster::Rasterizer& raster, const DDSURFACEDESC2& target, const DDSURFACEDESC2* depth) {
    RenderTarget rt;
    rt.pixels = target.lpSurface;
    rt.pitch = target.lPitch;
    rt.width = static_cast<int32_t>(target.dwWidth);
    rt.height = static_cast<int32_t>(target.dwHeight);
    rt.format = target.ddpfPixelFormat.dwRGBBitCount == 16 ? PixelFormat::RGB565 : PixelFormat::XRGB8888;
    raster.SetRenderTarget(rt);
    if (depth == nullptr) {
        raster.RemoveDepthBuffer();
        return;
    }
    DepthBuffer db;
    db.values = static_cast<uint16_t*>(depth->lpSurface);
    db.pitch = depth->lPitch;
    db.width = static_cast<int32_t>(depth->dwWidth);
    db.height = static_cast<int32_t>(depth->dwHeight);
    raster.SetDepthBuffer(db);
}

}  // namespace

HRESULT IDirect3DDevice3::ClearRects(IDirect3DViewport3& viewport, uint32_t count, const D3DRECT* rects,
                                     uint32_t flags, D3DCOLOR colour, D3DVALUE z) {
    if (count == 0 || rects == nullptr || (flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (!viewport.m_hasData) {
        return D3DERR_VIEWPORTDATANOTSET;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0) {
        return D3DERR_STENCILBUFFER_NOTPRESENT;
    }
    if (m_impl->target->State()->device == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    IDirectDrawSurface4* depthSurface = AttachedDepth(m_impl->target);
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && depthSurface == nullptr) {
        return D3DERR_ZBUFFER_NOTPRESENT;
    }
    ScopedLock target(m_impl->target);
    if (Failed(target.Result())) {
        return target.Result();
    }
    // The z-buffer is locked only when it is cleared, so a colour clear never depends on it.
    std::optional<ScopedLock> depth;
    if ((flags & D3DCLEAR_ZBUFFER) != 0) {
        depth.emplace(depthSurface);
        if (Failed(depth->Result())) {
            return depth->Result();
        }
    }
    Bind(m_impl->raster, target.Desc(), depth ? &depth->Desc() : nullptr);
    const sys::raster::Viewport& v = viewport.m_data;
    const int32_t left = static_cast<int32_t>(v.dwX);
    const int32_t top = static_cast<int32_t>(v.dwY);
    const int32_t right = left + static_cast<int32_t>(v.dwWidth);
    const int32_t bottom = top + static_cast<int32_t>(v.dwHeight);
    const uint32_t what = flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    for (uint32_t i = 0; i < count; ++i) {
        const sys::RECT cut{std::max(rects[i].x1, left), std::max(rects[i].y1, top), std::min(rects[i].x2, right),
                            std::min(rects[i].y2, bottom)};
        if (cut.left < cut.right && cut.top < cut.bottom) {
            m_impl->raster.Clear(cut, what, colour, z);
        }
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice3::DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t count,
                                        uint32_t flags) {
    Record("DrawPrimitive %u 0x%X %u 0x%X", type, fvf, count, flags);
    return Draw(type, fvf, vertices, count, nullptr, 0, flags);
}

HRESULT IDirect3DDevice3::DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices,
                                               uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                                               uint32_t flags) {
    Record("DrawIndexedPrimitive %u 0x%X %u %u 0x%X", type, fvf, vertexCount, indexCount, flags);
    if (indices == nullptr && indexCount > 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (indexCount > D3DMAXNUMVERTICES) {
        return D3DERR_TOOMANYVERTICES;
    }
    return Draw(type, fvf, vertices, vertexCount, indices != nullptr ? indices : kNoIndex, indexCount, flags);
}

// Texture surfaces are read in place for the length of the draw (they are memory the
// DirectDraw layer keeps, managed or not); lights and the material are read afresh each draw.
void IDirect3DDevice3::PrepareTexturesAndLights() {
    Impl& d = *m_impl;
    for (uint32_t stage = 0; stage < kTextureStageCount; ++stage) {
        sys::raster::Texture& view = d.textureViews[stage];
        const bool described = d.textures[stage] != nullptr && DescribeTexture(d.textures[stage]->Surface(), view);
        d.raster.SetTexture(stage, described ? &view : nullptr);
    }
    sys::raster::LightingState& l = d.lighting;
    l.ambient = sys::raster::UnpackARGB(d.lightStates[D3DLIGHTSTATE_AMBIENT]);
    l.colourVertex = d.lightStates[D3DLIGHTSTATE_COLORVERTEX] != 0;
    l.materialDiffuse = l.materialAmbient = l.materialEmissive = sys::raster::ColorF{};
    if (const IDirect3DMaterial3* material = MaterialFromHandle(d.lightStates[D3DLIGHTSTATE_MATERIAL])) {
        auto colour = [](const D3DCOLORVALUE& c) { return sys::raster::ColorF{c.r, c.g, c.b, c.a}; };
        l.materialDiffuse = colour(material->Description().diffuse);
        l.materialAmbient = colour(material->Description().ambient);
        l.materialEmissive = colour(material->Description().emissive);
    }
    l.lights.clear();
    for (const IDirect3DLight* light : d.current->Lights()) {
        const D3DLIGHT2& desc = light->Description();
        // Only directional lights shine here; point and spot lights are never made.
        if ((desc.dwFlags & D3DLIGHT_ACTIVE) == 0 || desc.dltType != D3DLIGHT_DIRECTIONAL) {
            continue;
        }
        sys::raster::DirectionalLight out;
        out.direction[0] = desc.dvDirection.x;
        out.direction[1] = desc.dvDirection.y;
        out.direction[2] = desc.dvDirection.z;
        out.colour = sys::raster::ColorF{desc.dcvColor.r, desc.dcvColor.g, desc.dcvColor.b, desc.dcvColor.a};
        l.lights.push_back(out);
    }
    d.raster.SetLighting(&l);
}

HRESULT IDirect3DDevice3::Draw(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount,
                               const uint16_t* indices, uint32_t indexCount, uint32_t flags) {
    if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_LINELIST) {
        return D3DERR_INVALIDPRIMITIVETYPE;
    }
    VertexLayout layout;
    if (!DescribeVertexFormat(fvf, layout)) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }
    if (vertexCount > D3DMAXNUMVERTICES) {
        return D3DERR_TOOMANYVERTICES;
    }
    if (vertices == nullptr && vertexCount > 0) {
        return DDERR_INVALIDPARAMS;
    }
    const IDirect3DViewport3* viewport = m_impl->current;
    if (viewport == nullptr) {
        return D3DERR_NOCURRENTVIEWPORT;
    }
    if (!viewport->m_hasData) {
        return D3DERR_VIEWPORTDATANOTSET;
    }
    if (m_impl->target->State()->device == nullptr) {
        return DDERR_INVALIDOBJECT;
    }
    ScopedLock target(m_impl->target);
    if (Failed(target.Result())) {
        return target.Result();
    }
    std::optional<ScopedLock> depth;
    if (IDirectDrawSurface4* depthSurface = AttachedDepth(m_impl->target); depthSurface != nullptr) {
        depth.emplace(depthSurface);
        if (Failed(depth->Result())) {
            return depth->Result();
        }
    }
    sys::raster::Rasterizer& raster = m_impl->raster;
    Bind(raster, target.Desc(), depth ? &depth->Desc() : nullptr);
    PrepareTexturesAndLights();
    if (!(raster.GetViewport() == viewport->m_data)) {
        raster.SetViewport(viewport->m_data);
    }
    const bool drawn = indices == nullptr
                           ? raster.DrawPrimitive(type, fvf, vertices, vertexCount, flags)
                           : raster.DrawIndexedPrimitive(type, fvf, vertices, vertexCount, indices, indexCount, flags);
    return drawn ? D3D_OK : DDERR_INVALIDPARAMS;
}

}  // namespace sys::d3d
