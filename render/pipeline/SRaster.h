#pragma once

#include <cstdint>

#include "sys/window/window.h"

namespace sys::video {
class IDirectDrawSurface4;
}
namespace sys::d3d {
class IDirect3DDevice3;
}
class SDXDraw;

// What the display manager hands the renderer's CreateRaster after every display-mode change:
// the display object and the two surfaces the 3D device draws with. dwSize keeps its meaning
// (the record's size on the data's platform, 44) with native pointer widths.
struct SRasterDeviceRecord {
    uint32_t dwSize = 44;
    uint32_t dwReserved1 = 0;
    SDXDraw* pDisplay = nullptr;                             // required; must hold DirectDraw
    sys::video::IDirectDrawSurface4* pPrimary = nullptr;       // required, kept only
    sys::video::IDirectDrawSurface4* pRenderTarget = nullptr;  // the back buffer; required
    uintptr_t dwDriver = 0;                                  // the selected driver; non-zero
    uint32_t dwReserved2 = 0;
    uint32_t dwDepthHint = 16;
    uint32_t dwReserved3 = 0;
    uint32_t dwReserved4 = 0;
    uint32_t b16BitZOnly = 0;  // 1: only a 16-bit z-buffer will do
};

// The abstract drawing back end the scene renderer holds while a display mode is set. Its
// operation order is an interface: the game-logic library can reach the raster through the
// renderer's GetRaster, so the slots stay in place, reserved ones included. Failures are 0
// results; a raster writes no log and shows nothing. SD3D6Raster is the only implementation;
// the renderer owns it.
class SRaster {
public:
    virtual ~SRaster();

    virtual int CreateZBuffer(uint32_t depthHint) = 0;
    virtual int ClearZBuffer() = 0;
    virtual int ReleaseZBuffer() = 0;
    virtual int Clear(uint32_t colour) = 0;
    virtual uint32_t SetValuePair(uint32_t a, uint32_t b) = 0;
    virtual int ReservedSlot6(uint32_t a, uint32_t b) = 0;
    // One triangle list of lit vertices (three per triangle); only inside a scene.
    virtual int DrawTriangles(const void* vertices, uint32_t triangles) = 0;
    virtual int ReservedSlot8(uint32_t a, uint32_t b) = 0;
    virtual int ReservedSlot9(uint32_t a, uint32_t b) = 0;
    // The camera setters only store; UpdateTransforms hands everything to the device at once.
    virtual void SetPosition(float x, float y, float z) = 0;
    virtual void SetAngles(float x, float y, float z) = 0;
    virtual void SetProjection(float fov, float nearZ, float farZ) = 0;
    virtual void SetScale(float x, float y, float z) = 0;
    virtual int UpdateTransforms() = 0;
    virtual sys::d3d::IDirect3DDevice3* GetDevice(uint32_t unused) = 0;
    // Draws the part `viewport` of a view laid out over `window`.
    virtual int SetViewportWindow(sys::RECT viewport, sys::RECT window) = 0;
    virtual int SetViewportRect(sys::RECT rect) = 0;
    virtual sys::video::IDirectDrawSurface4* SetRenderTarget(sys::video::IDirectDrawSurface4* target) = 0;
    virtual int CreateDevice(const SRasterDeviceRecord* record) = 0;
    virtual int Release() = 0;

protected:
    SRaster() = default;
    SRaster(const SRaster&) = delete;
    SRaster& operator=(const SRaster&) = delete;
};
