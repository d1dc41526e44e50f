#include "render/pipeline/SD3DRaster.h"

#include <cmath>
#include <cstring>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"

using namespace sys::d3d;
using sys::RECT;
using sys::video::DDPIXELFORMAT;
using sys::video::DDSURFACEDESC2;

namespace {

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            out.m[i][j] = sum;
        }
    }
    return out;
}

struct ZFormatSearch {
    DDPIXELFORMAT held;
    bool only16 = false;
};

HRESULT OfferZBufferFormat(DDPIXELFORMAT* format, void* context) {
    auto* search = static_cast<ZFormatSearch*>(context);
    SD3D6Raster::AcceptZBufferFormat(*format, search->held, search->only16);
    return D3DENUMRET_OK;
}

void SetPlane(SRasterFrustum::Plane& plane, const float n[3], const float point[3]) {
    for (int i = 0; i < 3; ++i) {
        plane.fNormal[i] = n[i];
    }
    plane.fDistance = n[0] * point[0] + n[1] * point[1] + n[2] * point[2];
    plane.byType = 3;
    for (uint8_t i = 0; i < 3; ++i) {
        if (n[i] == 1.0f) {
            plane.byType = i;
        }
    }
}

// The six planes of the view volume from the camera's right, up and forward directions: near
// and far across the forward axis, the four sides through the apex e.
void SetupFrustum(SRasterFrustum& frustum, float fov, float aspect, const float right[3], const float up[3],
                  const float forward[3], const float position[3], const float e[3], float nearZ, float farZ) {
    frustum.dwMask = 0;
    const float h = fov * 0.5f;
    const float v = std::atan(std::tan(h) / aspect);
    const float sh = std::sin(h), ch = std::cos(h), sv = std::sin(v), cv = std::cos(v);
    float n[3], p[3];
    for (int i = 0; i < 3; ++i) n[i] = sh * forward[i] + ch * right[i];
    SetPlane(frustum.planes[0], n, e);
    for (int i = 0; i < 3; ++i) n[i] = sh * forward[i] - ch * right[i];
    SetPlane(frustum.planes[1], n, e);
    for (int i = 0; i < 3; ++i) n[i] = sv * forward[i] + cv * up[i];
    SetPlane(frustum.planes[2], n, e);
    for (int i = 0; i < 3; ++i) n[i] = sv * forward[i] - cv * up[i];
    SetPlane(frustum.planes[3], n, e);
    for (int i = 0; i < 3; ++i) p[i] = position[i] + nearZ * forward[i];
    SetPlane(frustum.planes[4], forward, p);
    for (int i = 0; i < 3; ++i) {
        n[i] = -forward[i];
        p[i] = position[i] + farZ * forward[i];
    }
    SetPlane(frustum.planes[5], n, p);
    frustum.dwMask = 0x3F;
}

}  // namespace

SD3D6Raster::SD3D6Raster() = default;

SD3D6Raster::~SD3D6Raster() { Release(); }

bool SD3D6Raster::AcceptZBufferFormat(const DDPIXELFORMAT& offered, DDPIXELFORMAT& held, bool only16) {
    const uint32_t depth = offered.dwZBufferBitDepth;
    if (depth < held.dwZBufferBitDepth || depth >= 32 || offered.dwStencilBitDepth != 0 ||
        (only16 && depth != 16)) {
        return false;
    }
    held.dwFlags |= sys::video::DDPF_ZBUFFER;
    held.dwZBufferBitDepth = depth;
    held.dwZBitMask = offered.dwZBitMask;
    held.dwStencilBitMask = offered.dwStencilBitMask;
    held.dwStencilBitDepth = offered.dwStencilBitDepth;
    return true;
}

int SD3D6Raster::CreateZBuffer(uint32_t) {
    if (m_pD3D == nullptr || m_pRenderTarget == nullptr) {
        return 0;
    }
    // The deepest format below 32 bits without stencil wins; among equal depths the last one
    // offered. The search starts at 16 bits, so nothing shallower is ever taken.
    ZFormatSearch search;
    search.held.dwZBufferBitDepth = 16;
    search.only16 = m_Record.b16BitZOnly == 1;
    m_pD3D->EnumZBufferFormats(m_guidDevice, &OfferZBufferFormat, &search);
    if ((search.held.dwFlags & sys::video::DDPF_ZBUFFER) == 0) {
        return 0;
    }
    m_pfZBuffer = search.held;

    DDSURFACEDESC2 target;
    if (m_pRenderTarget->GetSurfaceDesc(&target) != D3D_OK) {
        return 0;
    }
    DDSURFACEDESC2 desc;
    desc.dwFlags = sys::video::DDSD_CAPS | sys::video::DDSD_WIDTH | sys::video::DDSD_HEIGHT |
                   sys::video::DDSD_PIXELFORMAT;
    desc.dwWidth = target.dwWidth;
    desc.dwHeight = target.dwHeight;
    desc.ddpfPixelFormat.dwFlags = sys::video::DDPF_ZBUFFER;
    desc.ddpfPixelFormat.dwZBufferBitDepth = m_pfZBuffer.dwZBufferBitDepth;
    desc.ddpfPixelFormat.dwStencilBitDepth = m_pfZBuffer.dwStencilBitDepth;
    desc.ddpfPixelFormat.dwZBitMask = m_pfZBuffer.dwZBitMask;
    desc.ddpfPixelFormat.dwStencilBitMask = m_pfZBuffer.dwStencilBitMask;
    const bool hal = m_guidDevice == sys::video::IID_IDirect3DHALDevice;
    desc.ddsCaps.dwCaps = sys::video::DDSCAPS_ZBUFFER | sys::video::DDSCAPS_3DDEVICE |
                          (hal ? sys::video::DDSCAPS_VIDEOMEMORY : sys::video::DDSCAPS_SYSTEMMEMORY);

    // A z-buffer made before is detached first, so the new one can take its place.
    ReleaseZBuffer();
    m_pZBuffer = new SDXSurface(CString("3D ZBuffer"));
    if (m_pZBuffer->CreateSurfaceDesc(&desc, m_pDisplay, 0) == 0 ||
        m_pRenderTarget->AddAttachedSurface(m_pZBuffer->GetSurface()) != D3D_OK) {
        delete m_pZBuffer;
        m_pZBuffer = nullptr;
        return 0;
    }
    return 1;
}

int SD3D6Raster::ClearZBuffer() {
    if (m_pViewport == nullptr) {
        return 0;
    }
    D3DVIEWPORT data;
    if (m_pViewport->GetViewport(&data) != D3D_OK) {
        return 0;
    }
    D3DRECT rect{static_cast<int32_t>(data.dwX), static_cast<int32_t>(data.dwY),
                 static_cast<int32_t>(data.dwX + data.dwWidth), static_cast<int32_t>(data.dwY + data.dwHeight)};
    return m_pViewport->Clear(1, &rect, D3DCLEAR_ZBUFFER) == D3D_OK ? 1 : 0;
}

int SD3D6Raster::ReleaseZBuffer() {
    if (m_pZBuffer == nullptr || m_pZBuffer->GetSurface() == nullptr) {
        return 1;
    }
    if (m_pRenderTarget == nullptr) {
        return 0;
    }
    m_pRenderTarget->DeleteAttachedSurface(0, m_pZBuffer->GetSurface());
    delete m_pZBuffer;
    m_pZBuffer = nullptr;
    return 1;
}

int SD3D6Raster::Clear(uint32_t colour) {
    if (m_pViewport == nullptr) {
        return 0;
    }
    D3DVIEWPORT data;
    if (m_pViewport->GetViewport(&data) != D3D_OK) {
        return 0;
    }
    D3DRECT rect{static_cast<int32_t>(data.dwX), static_cast<int32_t>(data.dwY),
                 static_cast<int32_t>(data.dwX + data.dwWidth), static_cast<int32_t>(data.dwY + data.dwHeight)};
    return m_pViewport->Clear2(1, &rect, D3DCLEAR_TARGET, colour, 1.0f, 0) == D3D_OK ? 1 : 0;
}

uint32_t SD3D6Raster::SetValuePair(uint32_t a, uint32_t b) {
    m_dwValues[0] = a;
    m_dwValues[1] = b;
    return a;
}

int SD3D6Raster::ReservedSlot6(uint32_t, uint32_t) { return 1; }

int SD3D6Raster::DrawTriangles(const void* vertices, uint32_t triangles) {
    // Three vertices a triangle must still fit the count the device is given.
    if (m_pDevice == nullptr || triangles > UINT32_MAX / 3) {
        return 0;
    }
    return m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, vertices, triangles * 3,
                                    D3DDP_DONOTUPDATEEXTENTS) == D3D_OK
               ? 1
               : 0;
}

int SD3D6Raster::ReservedSlot8(uint32_t, uint32_t) { return 1; }

int SD3D6Raster::ReservedSlot9(uint32_t, uint32_t) { return 1; }

void SD3D6Raster::SetPosition(float x, float y, float z) {
    m_fPosition[0] = x;
    m_fPosition[1] = y;
    m_fPosition[2] = z;
}

void SD3D6Raster::SetAngles(float x, float y, float z) {
    m_fAngles[0] = x;
    m_fAngles[1] = y;
    m_fAngles[2] = z;
}

void SD3D6Raster::SetProjection(float fov, float nearZ, float farZ) {
    m_fFov = fov;
    m_fNear = nearZ;
    m_fFar = farZ;
}

void SD3D6Raster::SetScale(float x, float y, float z) {
    m_fScale[0] = x;
    m_fScale[1] = y;
    m_fScale[2] = z;
}

int SD3D6Raster::UpdateTransforms() {
    if (m_pDevice == nullptr) {
        return 0;
    }
    m_matWorld = D3DMATRIX{};
    if (m_pDevice->SetTransform(D3DTRANSFORMSTATE_WORLD, &m_matWorld) != D3D_OK) {
        return 0;
    }

    // The view: translate by -position, then scale, turn about y, then x, then z.
    D3DMATRIX rz, rx, ry, s, t;
    const float cz = std::cos(m_fAngles[2]), sz = std::sin(m_fAngles[2]);
    rz.m[0][0] = rz.m[1][1] = cz;
    rz.m[0][1] = sz;
    rz.m[1][0] = -sz;
    const float cx = std::cos(m_fAngles[0]), sx = std::sin(m_fAngles[0]);
    rx.m[1][1] = rx.m[2][2] = cx;
    rx.m[1][2] = sx;
    rx.m[2][1] = -sx;
    const float cy = std::cos(m_fAngles[1]), sy = std::sin(m_fAngles[1]);
    ry.m[0][0] = ry.m[2][2] = cy;
    ry.m[0][2] = sy;
    ry.m[2][0] = -sy;
    for (int i = 0; i < 3; ++i) {
        s.m[i][i] = m_fScale[i];
        t.m[3][i] = -m_fPosition[i];
    }
    const D3DMATRIX f = Multiply(Multiply(Multiply(s, ry), rx), rz);
    m_matView = Multiply(t, f);
    if (m_pDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &m_matView) != D3D_OK) {
        return 0;
    }

    // The aspect ratio is not here: the viewport's clip height (h / w) supplies it.
    const float tangent = std::tan(m_fFov * 3.14159265f / 360.0f);
    const float q = m_fFar / (m_fFar - m_fNear);
    m_matProjection = D3DMATRIX{};
    m_matProjection.m[0][0] = m_matProjection.m[1][1] = 1.0f / tangent;
    m_matProjection.m[2][2] = q;
    m_matProjection.m[2][3] = 1.0f;
    m_matProjection.m[3][2] = -q * m_fNear;
    m_matProjection.m[3][3] = 0.0f;
    if (m_pDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &m_matProjection) != D3D_OK) {
        return 0;
    }

    // The frustum's near plane sits one unit ahead whatever the projection's near value; its
    // apex is one unit behind the eye.
    float right[3], up[3], forward[3], e[3];
    for (int i = 0; i < 3; ++i) {
        right[i] = f.m[i][0];
        up[i] = f.m[i][1];
        forward[i] = f.m[i][2];
    }
    for (int i = 0; i < 3; ++i) {
        e[i] = m_fPosition[i] - forward[i];
    }
    SetupFrustum(m_Frustum, m_fFov * 0.017453292f, 1.3333334f, right, up, forward, m_fPosition, e, 1.0f, m_fFar);
    return 1;
}

IDirect3DDevice3* SD3D6Raster::GetDevice(uint32_t) { return m_pDevice; }

D3DVIEWPORT2 SD3D6Raster::ViewportRecord(const RECT& v, const RECT& w) {
    // The whole window would span clip x -1 .. 1 and clip y wh/ww .. -wh/ww (the full-window
    // record below); v shows exactly its own part of that, so the picture in v is the one
    // drawing all of w would have put there. With v equal to w this is the full-window record.
    const double vw = v.right - v.left, vh = v.bottom - v.top;
    const double ww = w.right - w.left, wh = w.bottom - w.top;
    D3DVIEWPORT2 record;
    record.dwX = static_cast<uint32_t>(v.left);
    record.dwY = static_cast<uint32_t>(v.top);
    record.dwWidth = static_cast<uint32_t>(v.right - v.left);
    record.dwHeight = static_cast<uint32_t>(v.bottom - v.top);
    record.dvClipX = static_cast<float>(2.0 * (v.left - w.left) / ww - 1.0);
    record.dvClipY = static_cast<float>(wh / ww - 2.0 * (v.top - w.top) / ww);
    record.dvClipWidth = static_cast<float>(2.0 * vw / ww);
    record.dvClipHeight = static_cast<float>(2.0 * vh / ww);
    record.dvMinZ = 0.0f;
    record.dvMaxZ = 1.0f;
    return record;
}

int SD3D6Raster::InstallViewport(const D3DVIEWPORT2& record) {
    if (m_pD3D == nullptr || m_pDevice == nullptr) {
        return 0;
    }
    if (m_pD3D->CreateViewport(&m_pViewport, nullptr) != D3D_OK) {
        m_pViewport = nullptr;
        return 0;
    }
    bool added = false;
    if (m_pDevice->AddViewport(m_pViewport) == D3D_OK) {
        added = true;
        if (m_pViewport->SetViewport2(&record) == D3D_OK && m_pDevice->SetCurrentViewport(m_pViewport) == D3D_OK) {
            return 1;
        }
    }
    // A half-made viewport is taken apart at once, so no later call finds it.
    if (added) {
        m_pDevice->DeleteViewport(m_pViewport);
    }
    m_pViewport->Release();
    m_pViewport = nullptr;
    return 0;
}

int SD3D6Raster::CreateViewport() {
    if (ReleaseViewport() == 0) {
        return 0;
    }
    DDSURFACEDESC2 target;
    if (m_pRenderTarget == nullptr || m_pRenderTarget->GetSurfaceDesc(&target) != D3D_OK) {
        return 0;
    }
    const RECT full{0, 0, static_cast<int32_t>(target.dwWidth), static_cast<int32_t>(target.dwHeight)};
    m_rcViewport = full;
    m_rcWindow = full;
    return InstallViewport(ViewportRecord(full, full));
}

int SD3D6Raster::ReleaseViewport() {
    if (m_pViewport == nullptr) {
        return 1;
    }
    if (m_pDevice == nullptr) {
        return 0;
    }
    RemoveLightsFromViewport();
    m_pDevice->DeleteViewport(m_pViewport);
    m_pViewport->Release();
    m_pViewport = nullptr;
    return 1;
}

int SD3D6Raster::SetViewportRect(RECT rect) {
    // Each change destroys and re-creates the Direct3D viewport and re-adds every light, so a
    // rectangle already in use changes nothing. A rectangle in use as part of a larger window
    // is not in use as a whole view: its clip window differs.
    if (rect == m_rcViewport && rect == m_rcWindow) {
        return 1;
    }
    m_rcViewport = rect;
    m_rcWindow = rect;
    if (ReleaseViewport() == 0 || InstallViewport(ViewportRecord(rect, rect)) == 0) {
        return 0;
    }
    AddLightsToViewport();
    UpdateTransforms();
    return 1;
}

int SD3D6Raster::SetViewportWindow(RECT viewport, RECT window) {
    if (IsEmpty(viewport) || IsEmpty(window) || viewport.left < window.left || viewport.top < window.top ||
        viewport.right > window.right || viewport.bottom > window.bottom) {
        return 0;
    }
    if (viewport == window) {
        return SetViewportRect(viewport);
    }
    if (viewport == m_rcViewport && window == m_rcWindow) {
        return 1;
    }
    m_rcViewport = viewport;
    m_rcWindow = window;
    if (ReleaseViewport() == 0 || InstallViewport(ViewportRecord(viewport, window)) == 0) {
        return 0;
    }
    AddLightsToViewport();
    UpdateTransforms();
    return 1;
}

sys::video::IDirectDrawSurface4* SD3D6Raster::SetRenderTarget(sys::video::IDirectDrawSurface4* target) {
    if (target == nullptr || m_pDevice == nullptr || m_pDevice->SetRenderTarget(target, 0) != D3D_OK) {
        return nullptr;
    }
    sys::video::IDirectDrawSurface4* previous = m_pRenderTarget;
    m_pRenderTarget = target;
    return previous;
}

int SD3D6Raster::CreateDevice(const SRasterDeviceRecord* record) {
    // A raster that is already live gives its objects back before it takes new ones.
    if (m_pD3D != nullptr || m_pDevice != nullptr) {
        Release();
    }
    if (record != nullptr) {
        m_Record = *record;
    }
    m_pDD = nullptr;
    m_pPrimary = nullptr;
    m_pRenderTarget = nullptr;
    m_pDisplay = nullptr;
    if (record == nullptr || record->pDisplay == nullptr || record->pDisplay->GetDirectDraw() == nullptr ||
        record->pPrimary == nullptr || record->pRenderTarget == nullptr || record->dwDriver == 0) {
        return 0;
    }
    m_pDisplay = record->pDisplay;
    m_pDD = record->pDisplay->GetDirectDraw();
    m_pPrimary = record->pPrimary;
    m_pRenderTarget = record->pRenderTarget;
    m_guidDevice = sys::video::IID_IDirect3DHALDevice;
    m_pDeviceGuid = &m_guidDevice;

    if (m_pDD->QueryDirect3D(&m_pD3D) != D3D_OK) {
        m_pD3D = nullptr;
        Release();
        return 0;
    }
    if (CreateZBuffer(record->dwDepthHint) == 0) {
        Release();
        return 0;
    }
    if (m_pD3D->CreateDevice(m_guidDevice, m_pRenderTarget, &m_pDevice, nullptr) != D3D_OK) {
        m_pDevice = nullptr;
        Release();
        return 0;
    }
    if (CreateViewport() == 0) {
        Release();
        return 0;
    }
    m_pfRenderTarget = DDPIXELFORMAT{};
    m_pfRenderTarget.dwFlags = sys::video::DDPF_RGB;
    m_pfRenderTarget.dwRGBBitCount = 16;
    m_pfRenderTarget.dwRBitMask = 0xF800;
    m_pfRenderTarget.dwGBitMask = 0x07E0;
    m_pfRenderTarget.dwBBitMask = 0x001F;
    m_pDevice->SetLightState(D3DLIGHTSTATE_AMBIENT, 0xFFFFFFFFu);
    return 1;
}

int SD3D6Raster::Release() {
    ReleaseViewport();
    FreeLights();
    ReleaseZBuffer();
    if (m_pDevice != nullptr) {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    if (m_pD3D != nullptr) {
        m_pD3D->Release();
        m_pD3D = nullptr;
    }
    m_pDD = nullptr;
    m_pPrimary = nullptr;
    m_pRenderTarget = nullptr;
    m_pDeviceGuid = nullptr;
    return 1;
}

void SD3D6Raster::AddLightsToViewport() {
    if (m_pViewport == nullptr) {
        return;
    }
    for (int i = 0; i < m_iLightCount; ++i) {
        if (m_pLights[i].pLight != nullptr) {
            m_pViewport->AddLight(m_pLights[i].pLight);
        }
    }
}

void SD3D6Raster::RemoveLightsFromViewport() {
    if (m_pViewport == nullptr) {
        return;
    }
    for (int i = 0; i < m_iLightCount; ++i) {
        if (m_pLights[i].pLight != nullptr) {
            m_pViewport->DeleteLight(m_pLights[i].pLight);
        }
    }
}

void SD3D6Raster::ApplyLights() {
    for (int i = 0; i < m_iLightCount; ++i) {
        if (m_pLights[i].pLight != nullptr && m_pLights[i].pDesc != nullptr) {
            m_pLights[i].pLight->SetLight(m_pLights[i].pDesc);
        }
    }
}

void SD3D6Raster::SetLights(SD3D6Light* lights, int count) {
    m_pLights = lights;
    m_iLightCount = lights != nullptr ? count : 0;
}

void SD3D6Raster::FreeLights() {
    for (int i = 0; i < m_iLightCount; ++i) {
        delete m_pLights[i].pDesc;
        if (m_pLights[i].pLight != nullptr) {
            m_pLights[i].pLight->Release();
        }
    }
    delete[] m_pLights;
    m_pLights = nullptr;
    m_iLightCount = 0;
}
