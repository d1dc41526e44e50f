#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/raster/raster_types.h"
#include "sys/raster/texture.h"
#include "sys/video/video.h"

// The Direct3D 6 seam: the device, viewports, lights, materials and texture interfaces that the
// renderer draws with, over our software rasterizer. The Direct3D object itself is the display
// seam's IDirect3D3 (video.h); its creation operations are defined with this seam (d3d.cpp).
//
// The device draws at the call: a draw locks the render target (and the 16-bit z-buffer
// attached to it), rasterizes and unlocks, so a lost surface makes the draw answer
// DDERR_SURFACELOST and a caller's timing of a draw means what it says. Scene brackets are
// counted but never required. Each draw hands the rasterizer the stage textures (their mip
// levels and source colour keys, read in place) and the lighting: the directional lights of the
// current viewport, the ambient light state and the material the material light state names.
//
// Objects are reference counted like the interfaces they stand for; everything belongs to the
// main thread.
namespace sys::d3d {

// The rasterizer's Direct3D numbers (primitive types, vertex-format bits, draw flags, transform
// kinds, render states and their values, clear flags) are the device's numbers too.
using namespace sys::raster;

using sys::video::DDPIXELFORMAT;
using sys::video::D3DDEVICEDESC;
using sys::video::GUID;
using sys::video::HRESULT;
using sys::video::IDirect3D3;
using sys::video::IDirectDrawSurface4;
using sys::video::RefCounted;

using D3DVALUE = float;
using D3DCOLOR = uint32_t;  // 0xAARRGGBB
using D3DMATERIALHANDLE = uint32_t;
using D3DMATRIX = sys::raster::Matrix4;

// Result codes.
constexpr HRESULT D3D_OK = sys::video::DD_OK;
constexpr HRESULT D3DENUMRET_CANCEL = 0;
constexpr HRESULT D3DENUMRET_OK = 1;
constexpr HRESULT D3DERR_INVALIDCURRENTVIEWPORT = sys::video::MakeDDResult(735);
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = sys::video::MakeDDResult(736);
constexpr HRESULT D3DERR_LIGHTHASVIEWPORT = sys::video::MakeDDResult(751);
constexpr HRESULT D3DERR_LIGHTNOTINTHISVIEWPORT = sys::video::MakeDDResult(752);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = sys::video::MakeDDResult(761);
constexpr HRESULT D3DERR_VIEWPORTDATANOTSET = sys::video::MakeDDResult(773);
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = sys::video::MakeDDResult(774);
constexpr HRESULT D3DERR_NOCURRENTVIEWPORT = sys::video::MakeDDResult(775);
constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = sys::video::MakeDDResult(2048);
constexpr HRESULT D3DERR_ZBUFFER_NOTPRESENT = sys::video::MakeDDResult(2070);
constexpr HRESULT D3DERR_STENCILBUFFER_NOTPRESENT = sys::video::MakeDDResult(2071);
constexpr HRESULT D3DERR_TOOMANYVERTICES = sys::video::MakeDDResult(2085);

constexpr uint32_t D3DCLEAR_STENCIL = 4;

// Render states, texture-stage states and their values are the rasterizer's (raster_types.h,
// texture.h), which acts on them.

// Light states.
constexpr uint32_t D3DLIGHTSTATE_MATERIAL = 1;
constexpr uint32_t D3DLIGHTSTATE_AMBIENT = 2;
constexpr uint32_t D3DLIGHTSTATE_COLORMODEL = 3;
constexpr uint32_t D3DLIGHTSTATE_FOGMODE = 4;
constexpr uint32_t D3DLIGHTSTATE_FOGSTART = 5;
constexpr uint32_t D3DLIGHTSTATE_FOGEND = 6;
constexpr uint32_t D3DLIGHTSTATE_FOGDENSITY = 7;
constexpr uint32_t D3DLIGHTSTATE_COLORVERTEX = 8;

// Light kinds and flags.
constexpr uint32_t D3DLIGHT_POINT = 1;
constexpr uint32_t D3DLIGHT_SPOT = 2;
constexpr uint32_t D3DLIGHT_DIRECTIONAL = 3;
constexpr uint32_t D3DLIGHT_ACTIVE = 1;
constexpr uint32_t D3DLIGHT_NO_SPECULAR = 2;

struct D3DCOLORVALUE {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

struct D3DVECTOR {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A rectangle to clear: x1, y1 inclusive, x2, y2 exclusive.
struct D3DRECT {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
};

// The DirectX 6 viewport record (dwSize 44): the pixel rectangle and the clip window mapped
// onto it (see sys::raster::Viewport for the mapping).
struct D3DVIEWPORT2 {
    uint32_t dwSize = 44;
    uint32_t dwX = 0;
    uint32_t dwY = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    D3DVALUE dvClipX = 0.0f;
    D3DVALUE dvClipY = 0.0f;
    D3DVALUE dvClipWidth = 0.0f;
    D3DVALUE dvClipHeight = 0.0f;
    D3DVALUE dvMinZ = 0.0f;
    D3DVALUE dvMaxZ = 0.0f;
};
static_assert(sizeof(D3DVIEWPORT2) == 44);

// The older viewport record (dwSize 44), as GetViewport reports the same viewport: the pixel
// rectangle, the scale from the clip window to pixels and the clip window's half extents.
struct D3DVIEWPORT {
    uint32_t dwSize = 44;
    uint32_t dwX = 0;
    uint32_t dwY = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    D3DVALUE dvScaleX = 0.0f;
    D3DVALUE dvScaleY = 0.0f;
    D3DVALUE dvMaxX = 0.0f;
    D3DVALUE dvMaxY = 0.0f;
    D3DVALUE dvMinZ = 0.0f;
    D3DVALUE dvMaxZ = 0.0f;
};
static_assert(sizeof(D3DVIEWPORT) == 44);

// A light's description (dwSize 80).
struct D3DLIGHT2 {
    uint32_t dwSize = 80;
    uint32_t dltType = 0;
    D3DCOLORVALUE dcvColor;
    D3DVECTOR dvPosition;
    D3DVECTOR dvDirection;
    D3DVALUE dvRange = 0.0f;
    D3DVALUE dvFalloff = 0.0f;
    D3DVALUE dvAttenuation0 = 0.0f;
    D3DVALUE dvAttenuation1 = 0.0f;
    D3DVALUE dvAttenuation2 = 0.0f;
    D3DVALUE dvTheta = 0.0f;
    D3DVALUE dvPhi = 0.0f;
    uint32_t dwFlags = 0;
};
static_assert(sizeof(D3DLIGHT2) == 80);

// A material's description (dwSize 80).
struct D3DMATERIAL {
    uint32_t dwSize = 80;
    D3DCOLORVALUE diffuse;
    D3DCOLORVALUE ambient;
    D3DCOLORVALUE specular;
    D3DCOLORVALUE emissive;
    D3DVALUE power = 0.0f;
    uint32_t hTexture = 0;
    uint32_t dwRampSize = 0;
};
static_assert(sizeof(D3DMATERIAL) == 80);

class IDirect3DDevice3;
class IDirect3DViewport3;

// A light: its description, and the viewport it has been added to (one at a time).
// Made by IDirect3D3::CreateLight; a viewport holds a reference while the light is in it.
class IDirect3DLight : public RefCounted {
public:
    // DDERR_INVALIDPARAMS for a null record or one whose dwSize is not 80.
    HRESULT SetLight(const D3DLIGHT2* light);
    HRESULT GetLight(D3DLIGHT2* light);

    const D3DLIGHT2& Description() const { return m_light; }
    IDirect3DViewport3* Viewport() const { return m_viewport; }

private:
    friend class sys::video::IDirect3D3;
    friend class IDirect3DViewport3;
    IDirect3DLight() = default;
    D3DLIGHT2 m_light;
    IDirect3DViewport3* m_viewport = nullptr;  // not a reference: the viewport holds this light
};

// A material: its description and the handle a device's material light state names it by.
// Made by IDirect3D3::CreateMaterial.
class IDirect3DMaterial3 : public RefCounted {
public:
    HRESULT SetMaterial(const D3DMATERIAL* material);
    HRESULT GetMaterial(D3DMATERIAL* material);
    // The material's handle: non-zero, the same for every call and every device.
    HRESULT GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle);

    const D3DMATERIAL& Description() const { return m_material; }

protected:
    ~IDirect3DMaterial3() override;

private:
    friend class sys::video::IDirect3D3;
    IDirect3DMaterial3() = default;
    D3DMATERIAL m_material;
    D3DMATERIALHANDLE m_handle = 0;
};

// The texture interface of a texture surface: holds one reference on the surface. Stands for
// asking a DirectDraw texture surface for its Direct3D texture interface (see QueryTexture).
class IDirect3DTexture2 : public RefCounted {
public:
    IDirectDrawSurface4* Surface() const { return m_surface; }

protected:
    ~IDirect3DTexture2() override;

private:
    friend HRESULT QueryTexture(IDirectDrawSurface4*, IDirect3DTexture2**);
    explicit IDirect3DTexture2(IDirectDrawSurface4* surface) : m_surface(surface) {}
    IDirectDrawSurface4* m_surface;
};

// The texture interface of `surface`: E_NOINTERFACE when it is not a texture surface
// (DDSCAPS_TEXTURE), DDERR_INVALIDOBJECT when its DirectDraw object is gone.
HRESULT QueryTexture(IDirectDrawSurface4* surface, IDirect3DTexture2** texture);

// A viewport: the DirectX 6 viewport record, the lights added to it (one reference held on
// each, in the order added), and the device it has been added to. Made by
// IDirect3D3::CreateViewport; the device holds a reference while the viewport is added.
class IDirect3DViewport3 : public RefCounted {
public:
    // Refused with DDERR_INVALIDPARAMS: a null record, dwSize not 44, an empty rectangle, one
    // reaching past 32768 pixels, a clip window of zero or non-finite size, equal z limits.
    HRESULT SetViewport2(const D3DVIEWPORT2* viewport);
    // D3DERR_VIEWPORTDATANOTSET until a record is set.
    HRESULT GetViewport2(D3DVIEWPORT2* viewport);
    HRESULT GetViewport(D3DVIEWPORT* viewport);

    // Clears the rectangles, each cut to the viewport's pixel rectangle, on the render target
    // (D3DCLEAR_TARGET, to `colour`) and/or its z-buffer (D3DCLEAR_ZBUFFER, to `z` in 0..1).
    // D3DERR_VIEWPORTHASNODEVICE when not added to a device, D3DERR_VIEWPORTDATANOTSET without
    // a record, D3DERR_ZBUFFER_NOTPRESENT / D3DERR_STENCILBUFFER_NOTPRESENT for a buffer the
    // render target has not got, DDERR_SURFACELOST when it or its z-buffer is lost.
    HRESULT Clear2(uint32_t count, const D3DRECT* rects, uint32_t flags, D3DCOLOR colour, D3DVALUE z,
                   uint32_t stencil);
    // The same, clearing the target to black (there is no background material) and z to 1.0.
    HRESULT Clear(uint32_t count, const D3DRECT* rects, uint32_t flags);

    // D3DERR_LIGHTHASVIEWPORT when the light is already in a viewport;
    // D3DERR_LIGHTNOTINTHISVIEWPORT when deleting a light that is not in this one.
    HRESULT AddLight(IDirect3DLight* light);
    HRESULT DeleteLight(IDirect3DLight* light);

    const std::vector<IDirect3DLight*>& Lights() const { return m_lights; }
    IDirect3DDevice3* Device() const { return m_device; }
    bool HasData() const { return m_hasData; }
    const sys::raster::Viewport& Data() const { return m_data; }

protected:
    ~IDirect3DViewport3() override;

private:
    friend class sys::video::IDirect3D3;
    friend class IDirect3DDevice3;
    IDirect3DViewport3() = default;
    sys::raster::Viewport m_data;
    bool m_hasData = false;
    std::vector<IDirect3DLight*> m_lights;
    IDirect3DDevice3* m_device = nullptr;  // not a reference: the device holds this viewport
};

using EnumTextureFormatsCallback = HRESULT (*)(DDPIXELFORMAT* format, void* context);

// The Direct3D device on one render target, drawing with its own rasterizer. Made by
// IDirect3D3::CreateDevice; holds a reference on its render target, on the viewports added to
// it and on the textures set in its stages.
class IDirect3DDevice3 : public RefCounted {
public:
    // The device's descriptions as the Direct3D object lists them (hardware, then software);
    // either pointer may be null. Each record must carry dwSize 252.
    HRESULT GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software);
    // RGB565, ARGB1555, ARGB4444, RGB555, XRGB8888, ARGB8888, in that order, until the callback
    // answers D3DENUMRET_CANCEL.
    HRESULT EnumTextureFormats(EnumTextureFormatsCallback callback, void* context);
    // The Direct3D object that made the device, with a reference for the caller.
    HRESULT GetDirect3D(IDirect3D3** d3d);

    // Viewports: added once each (DDERR_INVALIDPARAMS for a second device or a second add);
    // the current one must be added. Deleting the current viewport leaves none current.
    HRESULT AddViewport(IDirect3DViewport3* viewport);
    HRESULT DeleteViewport(IDirect3DViewport3* viewport);
    HRESULT SetCurrentViewport(IDirect3DViewport3* viewport);
    // With a reference for the caller; D3DERR_NOCURRENTVIEWPORT when none is current.
    HRESULT GetCurrentViewport(IDirect3DViewport3** viewport);

    // A surface made for 3D drawing (DDSCAPS_3DDEVICE) in RGB565 or XRGB8888, of this device's
    // DirectDraw object. The z-buffer used is the one attached to the current render target at
    // each draw or clear.
    HRESULT SetRenderTarget(IDirectDrawSurface4* target, uint32_t flags);
    // With a reference for the caller.
    HRESULT GetRenderTarget(IDirectDrawSurface4** target);

    // Scenes nest; draws and clears are carried out inside a scene or not. EndScene with no
    // scene open answers D3DERR_SCENE_NOT_IN_SCENE and changes nothing.
    HRESULT BeginScene();
    HRESULT EndScene();

    // D3DTRANSFORMSTATE_WORLD, _VIEW, _PROJECTION; DDERR_INVALIDPARAMS otherwise.
    HRESULT SetTransform(uint32_t kind, const D3DMATRIX* matrix);
    HRESULT GetTransform(uint32_t kind, D3DMATRIX* matrix);

    // Render states below kRenderStateCount (DDERR_INVALIDPARAMS otherwise). A device made on
    // a target with a z-buffer attached starts with z on.
    HRESULT SetRenderState(uint32_t state, uint32_t value);
    HRESULT GetRenderState(uint32_t state, uint32_t* value);
    // Light states D3DLIGHTSTATE_MATERIAL .. D3DLIGHTSTATE_COLORVERTEX. The material, ambient
    // and colour-vertex states light the draws; the fog light states are kept only (fog is
    // the table fog of the render states).
    HRESULT SetLightState(uint32_t state, uint32_t value);
    HRESULT GetLightState(uint32_t state, uint32_t* value);
    // Stages 0..7, states 1..23, as the rasterizer takes them (D3DTSS_ADDRESS sets ADDRESSU and
    // ADDRESSV too). Defaults: stage 0 modulates texture and current colour and selects texture
    // alpha; the others are disabled; coordinate set = stage; wrap addressing; point filters,
    // no mip filter; anisotropy 1.
    HRESULT SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value);
    HRESULT GetTextureStageState(uint32_t stage, uint32_t state, uint32_t* value);
    // The stage's texture (null: none), kept with a reference.
    HRESULT SetTexture(uint32_t stage, IDirect3DTexture2* texture);
    // With a reference for the caller (null when none is set).
    HRESULT GetTexture(uint32_t stage, IDirect3DTexture2** texture);

    // D3DPT_TRIANGLELIST, D3DPT_TRIANGLESTRIP or D3DPT_LINELIST of untransformed vertices in
    // flexible vertex format `fvf`, drawn at once into the render target through the current
    // viewport. Failures: D3DERR_INVALIDPRIMITIVETYPE, D3DERR_INVALIDVERTEXFORMAT,
    // D3DERR_TOOMANYVERTICES (over D3DMAXNUMVERTICES), DDERR_INVALIDPARAMS (null data with a
    // count), D3DERR_NOCURRENTVIEWPORT, D3DERR_VIEWPORTDATANOTSET, DDERR_SURFACELOST (render
    // target or z-buffer lost), DDERR_SURFACEBUSY (locked by someone else).
    HRESULT DrawPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t count, uint32_t flags);
    // The same with 16-bit indices into `vertexCount` vertices; a primitive naming a vertex
    // past the end is skipped.
    HRESULT DrawIndexedPrimitive(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount,
                                 const uint16_t* indices, uint32_t indexCount, uint32_t flags);

    // Work done since the last reset (triangles, lines, pixels shaded and pixels that reached
    // the target).
    const RasterCounters& Counters() const;
    void ResetCounters();
    // Threads that share large triangle draws (see Rasterizer::SetThreadCount; 0: the default).
    // The picture does not depend on it; benchmarks of one core's speed set 1.
    void SetRasterThreads(int threads);
    int RasterThreads() const;

    // Recording for tests: while on, every call above that changes state, draws or clears
    // (viewport clears and viewport records of viewports added to this device included) is
    // logged as one line, in call order, and carried out as usual:
    //   "SetRenderState 22 1", "SetTextureStageState 0 1 4", "SetTexture 1 null",
    //   "SetLightState 2 0xFFFFFFFF", "SetTransform 3", "BeginScene", "EndScene",
    //   "AddViewport", "DeleteViewport", "SetCurrentViewport", "SetRenderTarget",
    //   "SetViewport2 0 0 640 480 -1 0.75 2 1.5 0 1", "Clear2 1 0x1 0xFF000000 1",
    //   "DrawPrimitive 4 0x142 3 0x8", "DrawIndexedPrimitive 2 0x142 4 6 0x18".
    // Numbers are decimal, flags, formats and colours hexadecimal, floats as printf's %g.
    void SetRecording(bool on) { m_recording = on; }
    bool IsRecording() const { return m_recording; }
    const std::vector<std::string>& Recording() const { return m_log; }
    void ClearRecording() { m_log.clear(); }

    int SceneDepth() const { return m_sceneDepth; }

protected:
    ~IDirect3DDevice3() override;

private:
    friend class sys::video::IDirect3D3;
    friend class IDirect3DViewport3;
    struct Impl;
    IDirect3DDevice3();
    void Record(const char* format, ...) __attribute__((format(printf, 2, 3)));
    HRESULT ClearRects(IDirect3DViewport3& viewport, uint32_t count, const D3DRECT* rects, uint32_t flags,
                       D3DCOLOR colour, D3DVALUE z);
    void PrepareTexturesAndLights();
    HRESULT Draw(uint32_t type, uint32_t fvf, const void* vertices, uint32_t vertexCount, const uint16_t* indices,
                 uint32_t indexCount, uint32_t flags);

    Impl* m_impl;
    int m_sceneDepth = 0;
    bool m_recording = false;
    std::vector<std::string> m_log;
};

}  // namespace sys::d3d
