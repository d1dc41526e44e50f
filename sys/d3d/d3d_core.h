#pragma once

#include <cstdint>

#include "sys/video/video_core.h"
#include "sys/d3d/d3d.h"
#include "sys/raster/rasterizer.h"

// The state behind a Direct3D device, shared by the object code (d3d.cpp) and the device
// (d3d_device.cpp). Nothing outside sys/ includes it.
namespace sys::d3d {

constexpr uint32_t kLightStateCount = 9;  // numbers 1..8

struct IDirect3DDevice3::Impl {
    sys::raster::Rasterizer raster;
    IDirect3D3* direct3D = nullptr;                      // one reference held
    sys::video::detail::DeviceState* owner = nullptr;    // the DirectDraw object's state
    IDirectDrawSurface4* target = nullptr;               // one reference held
    std::vector<IDirect3DViewport3*> viewports;          // one reference held on each
    IDirect3DViewport3* current = nullptr;               // one of `viewports`
    D3DDEVICEDESC hardware;
    D3DDEVICEDESC software;
    IDirect3DTexture2* textures[kTextureStageCount] = {};  // one reference held on each
    uint32_t lightStates[kLightStateCount] = {};
    // What the rasterizer reads while a draw runs: the stage textures' levels and the lighting.
    sys::raster::Texture textureViews[kTextureStageCount];
    sys::raster::LightingState lighting;
};

// The material a handle names, or null (a material never asked for its handle, or gone).
IDirect3DMaterial3* MaterialFromHandle(D3DMATERIALHANDLE handle);

// Describes the texture surface `surface` and its mip levels for the rasterizer; false for a
// surface whose layout the rasterizer cannot sample (nothing is described then).
bool DescribeTexture(IDirectDrawSurface4* surface, sys::raster::Texture& texture);

// Why `surface` cannot be drawn on by a device of `owner` (D3D_OK when it can): another
// DirectDraw object's surface, not made for 3D, a pixel layout the rasterizer has not got, lost.
HRESULT CheckRenderTarget(IDirectDrawSurface4* surface, const sys::video::detail::DeviceState* owner);

// The 16-bit z-buffer attached to `target`, or null.
IDirectDrawSurface4* AttachedDepth(IDirectDrawSurface4* target);

// The viewport record checks the rasterizer applies, answered up front.
bool ValidViewport(const sys::raster::Viewport& v);

}  // namespace sys::d3d
