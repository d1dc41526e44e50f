#pragma once

#include <cstdint>

#include "sys/d3d/d3d.h"
#include "sys/video/video.h"
#include "sys/window/window.h"
#include "render/pipeline/SRaster.h"

class SDXDraw;
class SDXSurface;

// One directional light of the raster, created and filled by the renderer's light operations;
// the raster owns the entries, their descriptions and their lights.
struct SD3D6Light {
    uint32_t dwKind = 1;
    float fDirection[3] = {0.0f, -1.0f, 0.0f};  // straight down
    float fRange = 0.0f;
    float fColour[3] = {1.0f, 1.0f, 1.0f};
    sys::d3d::D3DLIGHT2* pDesc = nullptr;     // owned
    sys::d3d::IDirect3DLight* pLight = nullptr;  // owned reference
};

// The view volume the model pass culls against: six planes (normal, distance; a point p is
// inside a plane when normal . p >= distance) in the order left, right, down, up, near, far.
struct SRasterFrustum {
    struct Plane {
        float fNormal[3] = {};
        float fDistance = 0.0f;
        uint8_t byType = 255;  // 0, 1, 2: normal along x, y, z; 3 otherwise; 255 before a set-up
    };
    Plane planes[6];
    uint32_t dwMask = 0;  // bit i: plane i is set up
};

// The raster on our Direct3D device: the Direct3D object, the hardware device on the display's
// back buffer, one viewport, the "3D ZBuffer" surface attached to the back buffer, the camera
// transforms and frustum, and the renderer's directional lights. Built by the renderer's
// CreateRaster for one display mode and deleted by it; never reused across modes.
class SD3D6Raster : public SRaster {
public:
    SD3D6Raster();
    ~SD3D6Raster() override;

    int CreateZBuffer(uint32_t depthHint) override;
    int ClearZBuffer() override;
    int ReleaseZBuffer() override;
    int Clear(uint32_t colour) override;
    uint32_t SetValuePair(uint32_t a, uint32_t b) override;
    int ReservedSlot6(uint32_t a, uint32_t b) override;
    int DrawTriangles(const void* vertices, uint32_t triangles) override;
    int ReservedSlot8(uint32_t a, uint32_t b) override;
    int ReservedSlot9(uint32_t a, uint32_t b) override;
    void SetPosition(float x, float y, float z) override;
    void SetAngles(float x, float y, float z) override;
    void SetProjection(float fov, float nearZ, float farZ) override;
    void SetScale(float x, float y, float z) override;
    int UpdateTransforms() override;
    sys::d3d::IDirect3DDevice3* GetDevice(uint32_t unused) override;
    int SetViewportWindow(sys::RECT viewport, sys::RECT window) override;
    int SetViewportRect(sys::RECT rect) override;
    sys::video::IDirectDrawSurface4* SetRenderTarget(sys::video::IDirectDrawSurface4* target) override;
    int CreateDevice(const SRasterDeviceRecord* record) override;
    int Release() override;

    // The renderer's lights: added to and removed from the viewport (when there is one), and
    // handed their descriptions.
    void AddLightsToViewport();
    void RemoveLightsFromViewport();
    void ApplyLights();
    // Takes the entries (an array from new[]) and their count; the previous ones must have
    // been freed with FreeLights.
    void SetLights(SD3D6Light* lights, int count);
    void FreeLights();
    SD3D6Light* GetLights() const { return m_pLights; }
    int GetLightCount() const { return m_iLightCount; }

    sys::video::IDirect3D3* GetDirect3D() const { return m_pD3D; }
    sys::video::IDirectDraw4* GetDirectDraw() const { return m_pDD; }
    sys::video::IDirectDrawSurface4* GetRenderTarget() const { return m_pRenderTarget; }
    sys::d3d::IDirect3DViewport3* GetViewport() const { return m_pViewport; }
    SDXSurface* GetZBuffer() const { return m_pZBuffer; }
    const sys::video::DDPIXELFORMAT& GetZBufferFormat() const { return m_pfZBuffer; }
    const sys::video::DDPIXELFORMAT& GetRenderTargetFormat() const { return m_pfRenderTarget; }
    const sys::RECT& GetViewportRect() const { return m_rcViewport; }
    const sys::RECT& GetWindowRect() const { return m_rcWindow; }
    const sys::d3d::D3DMATRIX& GetViewMatrix() const { return m_matView; }
    const sys::d3d::D3DMATRIX& GetProjectionMatrix() const { return m_matProjection; }
    const SRasterFrustum& GetFrustum() const { return m_Frustum; }

    // One step of the z-buffer format search: takes `offered` into `held` when it is at least
    // as deep as what is held, below 32 bits and without stencil (16 bits only, when asked).
    static bool AcceptZBufferFormat(const sys::video::DDPIXELFORMAT& offered, sys::video::DDPIXELFORMAT& held,
                                    bool only16);
    // The viewport record for drawing the part v of a view laid out over w (see the source).
    static sys::d3d::D3DVIEWPORT2 ViewportRecord(const sys::RECT& v, const sys::RECT& w);

private:
    int CreateViewport();
    int ReleaseViewport();
    // Creates, adds, fills and makes current a viewport for the record; 0 at the first failure.
    int InstallViewport(const sys::d3d::D3DVIEWPORT2& record);

    float m_fPosition[3] = {};
    float m_fAngles[3] = {};
    float m_fFov = 0.0f;
    float m_fNear = 1.0f;
    float m_fFar = 3000.0f;
    float m_fScale[3] = {1.0f, 1.0f, 1.0f};
    sys::video::IDirect3D3* m_pD3D = nullptr;
    sys::d3d::IDirect3DDevice3* m_pDevice = nullptr;
    sys::d3d::IDirect3DViewport3* m_pViewport = nullptr;
    SDXSurface* m_pZBuffer = nullptr;
    sys::RECT m_rcViewport = {};
    sys::RECT m_rcWindow = {};
    sys::video::IDirectDraw4* m_pDD = nullptr;
    SDXDraw* m_pDisplay = nullptr;
    sys::video::IDirectDrawSurface4* m_pPrimary = nullptr;
    sys::video::IDirectDrawSurface4* m_pRenderTarget = nullptr;
    sys::video::GUID m_guidDevice;
    const sys::video::GUID* m_pDeviceGuid = nullptr;
    sys::video::DDPIXELFORMAT m_pfRenderTarget;
    sys::video::DDPIXELFORMAT m_pfZBuffer;
    uint32_t m_dwValues[2] = {};
    SRasterDeviceRecord m_Record;
    SD3D6Light* m_pLights = nullptr;
    int m_iLightCount = 0;
    sys::d3d::D3DMATRIX m_matWorld;
    sys::d3d::D3DMATRIX m_matView;
    sys::d3d::D3DMATRIX m_matProjection;
    SRasterFrustum m_Frustum;
};
