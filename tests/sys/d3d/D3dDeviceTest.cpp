// The Direct3D device on a headless back buffer: creation with an attached z-buffer, the
// viewport record's mapping, clears kept to the viewport rectangle, the state stores, draws
// reaching the pixels through the z-buffer, lost surfaces and the recording.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sys/d3d/d3d.h"
#include "sys/video/headless/headless_video.h"
#include "sys/video/video.h"

namespace {

using namespace sys::video;
using namespace sys::d3d;
using sys::d3d::D3D_OK;

// The vertex of format 0x142: position, diffuse, one coordinate pair.
struct LineVertex {
    float x, y, z;
    uint32_t diffuse;
    float u, v;
};

class D3dDeviceTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        ASSERT_EQ(CreateDirectDraw(&m_dd), DD_OK);
        ASSERT_EQ(m_dd->Initialize(nullptr), DD_OK);
        ASSERT_EQ(m_dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
        ASSERT_EQ(m_dd->QueryDirect3D(&m_d3d), DD_OK);
    }
    void TearDown() override {
        for (RefCounted* object : m_owned) {
            object->Release();
        }
        m_d3d->Release();
        if (m_dd != nullptr) {
            m_dd->Release();
        }
        headless::Reset();
    }

    IDirectDrawSurface4* Surface(uint32_t width, uint32_t height, uint32_t caps, const DDPIXELFORMAT& format) {
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddpfPixelFormat = format;
        desc.ddsCaps.dwCaps = caps | DDSCAPS_SYSTEMMEMORY;
        IDirectDrawSurface4* surface = nullptr;
        EXPECT_EQ(m_dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        m_owned.push_back(surface);
        return surface;
    }
    static DDPIXELFORMAT Rgb(uint32_t bits, uint32_t r, uint32_t g, uint32_t b) {
        DDPIXELFORMAT pf;
        pf.dwFlags = DDPF_RGB;
        pf.dwRGBBitCount = bits;
        pf.dwRBitMask = r;
        pf.dwGBitMask = g;
        pf.dwBBitMask = b;
        return pf;
    }
    static DDPIXELFORMAT Depth16() {
        DDPIXELFORMAT pf;
        pf.dwFlags = DDPF_ZBUFFER;
        pf.dwZBufferBitDepth = 16;
        pf.dwZBitMask = 0xFFFF;
        return pf;
    }

    // A 32-bit (or 16-bit) back buffer with a z-buffer, its device and a current viewport over
    // the whole target with the clip window the renderer uses (clip y = h / w).
    void MakeDevice(uint32_t width, uint32_t height, bool rgb565 = false, bool withDepth = true) {
        m_target = Surface(width, height, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE,
                           rgb565 ? Rgb(16, 0xF800, 0x07E0, 0x001F) : Rgb(32, 0xFF0000, 0xFF00, 0xFF));
        if (withDepth) {
            m_depth = Surface(width, height, DDSCAPS_ZBUFFER, Depth16());
            ASSERT_EQ(m_target->AddAttachedSurface(m_depth), DD_OK);
        }
        ASSERT_EQ(m_d3d->CreateDevice(IID_IDirect3DHALDevice, m_target, &m_device, nullptr), D3D_OK);
        m_owned.push_back(m_device);
        ASSERT_EQ(m_d3d->CreateViewport(&m_viewport, nullptr), D3D_OK);
        m_owned.push_back(m_viewport);
        ASSERT_EQ(m_device->AddViewport(m_viewport), D3D_OK);
        const float aspect = static_cast<float>(height) / static_cast<float>(width);
        SetViewport(0, 0, width, height, -1.0f, aspect, 2.0f, 2.0f * aspect);
        ASSERT_EQ(m_device->SetCurrentViewport(m_viewport), D3D_OK);
        ASSERT_EQ(m_device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), D3D_OK);
        m_width = static_cast<float>(width);
        m_aspect = aspect;
        if (withDepth) {
            const D3DRECT all{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
            ASSERT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        }
    }
    void SetViewport(uint32_t x, uint32_t y, uint32_t w, uint32_t h, float cx, float cy, float cw, float ch) {
        D3DVIEWPORT2 vp;
        vp.dwX = x;
        vp.dwY = y;
        vp.dwWidth = w;
        vp.dwHeight = h;
        vp.dvClipX = cx;
        vp.dvClipY = cy;
        vp.dvClipWidth = cw;
        vp.dvClipHeight = ch;
        vp.dvMinZ = 0.0f;
        vp.dvMaxZ = 1.0f;
        ASSERT_EQ(m_viewport->SetViewport2(&vp), D3D_OK);
    }

    uint32_t Pixel(IDirectDrawSurface4* surface, int x, int y) {
        DDSURFACEDESC2 desc;
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        const uint32_t bytes = desc.ddpfPixelFormat.dwFlags & DDPF_ZBUFFER ? 2 : desc.ddpfPixelFormat.dwRGBBitCount / 8;
        uint32_t value = 0;
        std::memcpy(&value, static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes, bytes);
        surface->Unlock(nullptr);
        return value;
    }

    // With identity transforms and the renderer's clip window on a target w pixels wide, one
    // pixel is 2 / w in x and y; this gives the point for screen position (sx, sy).
    LineVertex At(float sx, float sy, float z, uint32_t colour) const {
        const float unit = 2.0f / static_cast<float>(m_width);
        return LineVertex{-1.0f + sx * unit, m_aspect - sy * unit, z, colour, 0.0f, 0.0f};
    }
    HRESULT Triangle(float x0, float y0, float x1, float y1, float x2, float y2, float z, uint32_t colour) {
        const LineVertex v[3] = {At(x0, y0, z, colour), At(x1, y1, z, colour), At(x2, y2, z, colour)};
        return m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v, 3, D3DDP_DONOTUPDATEEXTENTS);
    }

    IDirectDraw4* m_dd = nullptr;
    IDirect3D3* m_d3d = nullptr;
    IDirectDrawSurface4* m_target = nullptr;
    IDirectDrawSurface4* m_depth = nullptr;
    IDirect3DDevice3* m_device = nullptr;
    IDirect3DViewport3* m_viewport = nullptr;
    std::vector<RefCounted*> m_owned;
    float m_width = 64.0f;
    float m_aspect = 0.75f;
};

TEST_F(D3dDeviceTest, CreationOnABackBufferWithAZBuffer) {
    MakeDevice(64, 48);
    uint32_t value = 0;
    ASSERT_EQ(m_device->GetRenderState(D3DRENDERSTATE_ZENABLE, &value), D3D_OK);
    EXPECT_EQ(value, D3DZB_TRUE);
    D3DDEVICEDESC hardware;
    D3DDEVICEDESC software;
    ASSERT_EQ(m_device->GetCaps(&hardware, &software), D3D_OK);
    EXPECT_EQ(hardware.dwDeviceRenderBitDepth, DDBD_16 | DDBD_32);
    EXPECT_EQ(hardware.wMaxTextureBlendStages, 2);
    EXPECT_EQ(software.dwDeviceRenderBitDepth, 0u);
    IDirectDrawSurface4* target = nullptr;
    ASSERT_EQ(m_device->GetRenderTarget(&target), D3D_OK);
    EXPECT_EQ(target, m_target);
    target->Release();
    EXPECT_EQ(m_device->SetRenderTarget(nullptr, 0), DDERR_INVALIDPARAMS);

    std::vector<DDPIXELFORMAT> formats;
    m_device->EnumTextureFormats(
        [](DDPIXELFORMAT* f, void* c) {
            static_cast<std::vector<DDPIXELFORMAT>*>(c)->push_back(*f);
            return D3DENUMRET_OK;
        },
        &formats);
    const uint32_t expected[6][5] = {{16, 0, 0xF800, 0x07E0, 0x001F},     {16, 0x8000, 0x7C00, 0x03E0, 0x001F},
                                     {16, 0xF000, 0x0F00, 0x00F0, 0x000F}, {16, 0, 0x7C00, 0x03E0, 0x001F},
                                     {32, 0, 0xFF0000, 0xFF00, 0xFF},      {32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF}};
    ASSERT_EQ(formats.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(formats[i].dwRGBBitCount, expected[i][0]) << i;
        EXPECT_EQ(formats[i].dwRGBAlphaBitMask, expected[i][1]) << i;
        EXPECT_EQ((formats[i].dwFlags & DDPF_ALPHAPIXELS) != 0, expected[i][1] != 0) << i;
        EXPECT_EQ(formats[i].dwRBitMask, expected[i][2]) << i;
        EXPECT_EQ(formats[i].dwGBitMask, expected[i][3]) << i;
        EXPECT_EQ(formats[i].dwBBitMask, expected[i][4]) << i;
    }

    // Targets the rasterizer cannot draw on, and devices that do not draw, are refused.
    IDirect3DDevice3* other = nullptr;
    IDirectDrawSurface4* plain = Surface(8, 8, DDSCAPS_OFFSCREENPLAIN, Rgb(32, 0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(m_d3d->CreateDevice(IID_IDirect3DHALDevice, plain, &other, nullptr), DDERR_INVALIDCAPS);
    IDirectDrawSurface4* rgb555 = Surface(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, Rgb(16, 0x7C00, 0x3E0, 0x1F));
    EXPECT_EQ(m_d3d->CreateDevice(IID_IDirect3DHALDevice, rgb555, &other, nullptr), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(m_d3d->CreateDevice(IID_IDirect3DNullDevice, m_target, &other, nullptr), DDERR_INVALIDPARAMS);
    headless::SetHardwareDevice(false);
    EXPECT_EQ(m_d3d->CreateDevice(IID_IDirect3DHALDevice, m_target, &other, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(other, nullptr);

    // Without a z-buffer the device starts with z off.
    IDirectDrawSurface4* bare = Surface(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, Rgb(16, 0xF800, 0x7E0, 0x1F));
    ASSERT_EQ(m_d3d->CreateDevice(IID_IDirect3DRGBDevice, bare, &other, nullptr), D3D_OK);
    ASSERT_EQ(other->GetRenderState(D3DRENDERSTATE_ZENABLE, &value), D3D_OK);
    EXPECT_EQ(value, D3DZB_FALSE);
    other->Release();
}

TEST_F(D3dDeviceTest, ViewportRecordMapsTheClipWindowOntoItsRectangle) {
    MakeDevice(64, 48);
    // Screen corners (44, 8), (56, 8), (44, 20): pixel (45, 9) is inside, (43, 9) left of it,
    // (55, 19) beyond the long edge.
    ASSERT_EQ(Triangle(44, 8, 56, 8, 44, 20, 0.5f, 0xFFFF0000), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 45, 9), 0x00FF0000u);
    EXPECT_EQ(Pixel(m_target, 43, 9), 0u);
    EXPECT_EQ(Pixel(m_target, 55, 19), 0u);

    // The record reads back as set; the older record gives the same rectangle.
    D3DVIEWPORT old;
    ASSERT_EQ(m_viewport->GetViewport(&old), D3D_OK);
    EXPECT_EQ(old.dwWidth, 64u);
    EXPECT_EQ(old.dwHeight, 48u);
    EXPECT_FLOAT_EQ(old.dvScaleX, 32.0f);

    // Part (8, 4)-(24, 20) of the window: the clip window shrinks so the same object point maps
    // to the same screen point, and nothing reaches past the part.
    // Worked by hand: 32 pixels a unit, so the 16-pixel part spans 0.5 units starting 8 pixels
    // (0.25) right of -1 and 4 pixels (0.125) below 0.75.
    SetViewport(8, 4, 16, 16, -0.75f, 0.625f, 0.5f, 0.5f);
    D3DVIEWPORT2 back;
    ASSERT_EQ(m_viewport->GetViewport2(&back), D3D_OK);
    EXPECT_FLOAT_EQ(back.dvClipX, -0.75f);
    EXPECT_EQ(Triangle(0, 0, 64, 0, 0, 64, 0.5f, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 8, 4), 0x0000FF00u);
    EXPECT_EQ(Pixel(m_target, 23, 19), 0x0000FF00u);
    EXPECT_EQ(Pixel(m_target, 7, 4), 0u);
    EXPECT_EQ(Pixel(m_target, 8, 3), 0u);
    EXPECT_EQ(Pixel(m_target, 24, 10), 0u);

    D3DVIEWPORT2 bad;
    bad.dwWidth = 0;
    bad.dwHeight = 10;
    bad.dvClipWidth = 2.0f;
    bad.dvClipHeight = 2.0f;
    bad.dvMaxZ = 1.0f;
    EXPECT_EQ(m_viewport->SetViewport2(&bad), DDERR_INVALIDPARAMS);
}

TEST_F(D3dDeviceTest, ClearsStayInsideTheViewportRectangle) {
    MakeDevice(32, 16);
    SetViewport(8, 4, 16, 8, -1.0f, 0.5f, 2.0f, 1.0f);
    const D3DRECT all{0, 0, 32, 16};
    ASSERT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF123456, 0.5f, 0), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 8, 4), 0x00123456u);
    EXPECT_EQ(Pixel(m_target, 23, 11), 0x00123456u);
    EXPECT_EQ(Pixel(m_target, 7, 4), 0u);
    EXPECT_EQ(Pixel(m_target, 24, 11), 0u);
    EXPECT_EQ(Pixel(m_target, 8, 12), 0u);
    EXPECT_EQ(Pixel(m_depth, 8, 4), 32768u);  // round(0.5 * 65535)
    EXPECT_EQ(Pixel(m_depth, 7, 4), 0xFFFFu);

    // A rectangle partly inside is cut; the older clear only touches z here.
    const D3DRECT corner{20, 10, 40, 40};
    ASSERT_EQ(m_viewport->Clear2(1, &corner, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 23, 11), 0x00FFFFFFu);
    EXPECT_EQ(Pixel(m_target, 19, 11), 0x00123456u);
    ASSERT_EQ(m_viewport->Clear(1, &all, D3DCLEAR_ZBUFFER), D3D_OK);
    EXPECT_EQ(Pixel(m_depth, 8, 4), 0xFFFFu);
    EXPECT_EQ(Pixel(m_target, 8, 4), 0x00123456u);

    // Buffers that are not there, and a viewport on no device.
    EXPECT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_STENCILBUFFER_NOTPRESENT);
    ASSERT_EQ(m_target->DeleteAttachedSurface(0, m_depth), DD_OK);
    EXPECT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_ZBUFFER_NOTPRESENT);
    IDirect3DViewport3* loose = nullptr;
    ASSERT_EQ(m_d3d->CreateViewport(&loose, nullptr), D3D_OK);
    EXPECT_EQ(loose->Clear2(1, &all, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_VIEWPORTHASNODEVICE);
    loose->Release();
}

TEST_F(D3dDeviceTest, StatesAreStoredAndReadBack) {
    MakeDevice(16, 16);
    uint32_t value = 0;
    ASSERT_EQ(m_device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00112233), D3D_OK);
    ASSERT_EQ(m_device->GetRenderState(D3DRENDERSTATE_FOGCOLOR, &value), D3D_OK);
    EXPECT_EQ(value, 0x00112233u);
    EXPECT_EQ(m_device->SetRenderState(kRenderStateCount, 1), DDERR_INVALIDPARAMS);

    // Stage defaults: stage 0 modulates, the others are off; each stage reads its own set.
    ASSERT_EQ(m_device->GetTextureStageState(0, D3DTSS_COLOROP, &value), D3D_OK);
    EXPECT_EQ(value, D3DTOP_MODULATE);
    ASSERT_EQ(m_device->GetTextureStageState(1, D3DTSS_COLOROP, &value), D3D_OK);
    EXPECT_EQ(value, D3DTOP_DISABLE);
    ASSERT_EQ(m_device->GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &value), D3D_OK);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(m_device->SetTextureStageState(1, D3DTSS_MIPFILTER, D3DTFP_LINEAR), D3D_OK);
    ASSERT_EQ(m_device->GetTextureStageState(1, D3DTSS_MIPFILTER, &value), D3D_OK);
    EXPECT_EQ(value, D3DTFP_LINEAR);
    ASSERT_EQ(m_device->GetTextureStageState(0, D3DTSS_MIPFILTER, &value), D3D_OK);
    EXPECT_EQ(value, D3DTFP_NONE);
    EXPECT_EQ(m_device->SetTextureStageState(8, D3DTSS_COLOROP, 1), DDERR_INVALIDPARAMS);

    ASSERT_EQ(m_device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(m_device->GetLightState(D3DLIGHTSTATE_AMBIENT, &value), D3D_OK);
    EXPECT_EQ(value, 0xFFFFFFFFu);

    D3DMATRIX view;
    view.m[3][0] = -5.0f;
    ASSERT_EQ(m_device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view), D3D_OK);
    D3DMATRIX read;
    ASSERT_EQ(m_device->GetTransform(D3DTRANSFORMSTATE_VIEW, &read), D3D_OK);
    EXPECT_EQ(read, view);
    EXPECT_EQ(m_device->SetTransform(9, &view), DDERR_INVALIDPARAMS);

    // A texture set in a stage is held by the device until it is replaced.
    IDirectDrawSurface4* surface = Surface(8, 8, DDSCAPS_TEXTURE, Rgb(16, 0xF800, 0x7E0, 0x1F));
    IDirect3DTexture2* texture = nullptr;
    EXPECT_EQ(QueryTexture(m_target, &texture), E_NOINTERFACE);
    ASSERT_EQ(QueryTexture(surface, &texture), D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(texture->Release(), 1u);
    IDirect3DTexture2* held = nullptr;
    ASSERT_EQ(m_device->GetTexture(0, &held), D3D_OK);
    EXPECT_EQ(held, texture);
    held->Release();
    ASSERT_EQ(m_device->SetTexture(0, nullptr), D3D_OK);
    ASSERT_EQ(m_device->GetTexture(0, &held), D3D_OK);
    EXPECT_EQ(held, nullptr);

    // Lights belong to one viewport at a time; materials keep their record and handle.
    IDirect3DLight* light = nullptr;
    ASSERT_EQ(m_d3d->CreateLight(&light, nullptr), D3D_OK);
    D3DLIGHT2 record;
    record.dltType = D3DLIGHT_DIRECTIONAL;
    record.dvDirection = D3DVECTOR{0.0f, -1.0f, 0.0f};
    record.dwFlags = D3DLIGHT_ACTIVE | D3DLIGHT_NO_SPECULAR;
    ASSERT_EQ(light->SetLight(&record), D3D_OK);
    D3DLIGHT2 got;
    ASSERT_EQ(light->GetLight(&got), D3D_OK);
    EXPECT_EQ(got.dvDirection.y, -1.0f);
    EXPECT_EQ(got.dwFlags, 3u);
    ASSERT_EQ(m_viewport->AddLight(light), D3D_OK);
    EXPECT_EQ(m_viewport->AddLight(light), D3DERR_LIGHTHASVIEWPORT);
    ASSERT_EQ(m_viewport->DeleteLight(light), D3D_OK);
    EXPECT_EQ(m_viewport->DeleteLight(light), D3DERR_LIGHTNOTINTHISVIEWPORT);
    ASSERT_EQ(m_viewport->AddLight(light), D3D_OK);
    light->Release();  // the viewport keeps it
    EXPECT_EQ(m_viewport->Lights().size(), 1u);

    IDirect3DMaterial3* material = nullptr;
    ASSERT_EQ(m_d3d->CreateMaterial(&material, nullptr), D3D_OK);
    D3DMATERIALHANDLE first = 0;
    D3DMATERIALHANDLE second = 0;
    ASSERT_EQ(material->GetHandle(m_device, &first), D3D_OK);
    ASSERT_EQ(material->GetHandle(m_device, &second), D3D_OK);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(first, second);
    material->Release();
}

TEST_F(D3dDeviceTest, DrawsReachThePixelsThroughTheZBuffer) {
    MakeDevice(64, 48, true);
    const D3DRECT all{0, 0, 64, 48};
    ASSERT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    // Near red first, then a farther green one over it: less-or-equal keeps red.
    ASSERT_EQ(Triangle(0, 0, 32, 0, 0, 32, 0.25f, 0xFFFF0000), D3D_OK);
    ASSERT_EQ(Triangle(0, 0, 32, 0, 0, 32, 0.75f, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 4, 4), 0xF800u);
    EXPECT_EQ(Pixel(m_depth, 4, 4), 16384u);  // round(0.25 * 65535)

    // An indexed quad of two triangles fills the square between its corners.
    const LineVertex quad[4] = {At(40, 30, 0.5f, 0xFF0000FF), At(50, 30, 0.5f, 0xFF0000FF),
                                At(40, 40, 0.5f, 0xFF0000FF), At(50, 40, 0.5f, 0xFF0000FF)};
    const uint16_t indices[6] = {0, 1, 2, 1, 3, 2};
    ASSERT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0x142, quad, 4, indices, 6, 0x18), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 40, 30), 0x001Fu);
    EXPECT_EQ(Pixel(m_target, 49, 39), 0x001Fu);
    EXPECT_EQ(Pixel(m_target, 50, 39), 0u);
    EXPECT_EQ(m_device->Counters().triangles, 4u);
    // The wire-frame batches: an indexed line list.
    const uint16_t line[2] = {0, 1};
    const LineVertex ends[2] = {At(2, 44, 0.5f, 0xFFFFFFFF), At(20, 44, 0.5f, 0xFFFFFFFF)};
    ASSERT_EQ(m_device->DrawIndexedPrimitive(D3DPT_LINELIST, 0x142, ends, 2, line, 2, 0x18), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 10, 44), 0xFFFFu);
    EXPECT_EQ(Pixel(m_target, 10, 45), 0u);
    EXPECT_EQ(m_device->Counters().lines, 1u);

    // A second target without a z-buffer: draws go there, with z on but nothing to test against.
    IDirectDrawSurface4* second = Surface(64, 48, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, Rgb(16, 0xF800, 0x7E0, 0x1F));
    ASSERT_EQ(m_device->SetRenderTarget(second, 0), D3D_OK);
    ASSERT_EQ(Triangle(0, 0, 32, 0, 0, 32, 0.75f, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(Pixel(second, 4, 4), 0x07E0u);
    EXPECT_EQ(Pixel(m_target, 4, 4), 0xF800u);

    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0x142, quad, 4, 0), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x1C4, quad, 3, 0), D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, nullptr, 3, 0), DDERR_INVALIDPARAMS);
    ASSERT_EQ(m_device->DeleteViewport(m_viewport), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, quad, 3, 0), D3DERR_NOCURRENTVIEWPORT);
}

TEST_F(D3dDeviceTest, LostSurfacesMakeDrawsAndClearsFail) {
    MakeDevice(32, 32);
    const D3DRECT all{0, 0, 32, 32};
    headless::LoseAllSurfaces();
    EXPECT_EQ(Triangle(0, 0, 16, 0, 0, 16, 0.5f, 0xFFFFFFFF), DDERR_SURFACELOST);
    EXPECT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_TARGET, 0, 1.0f, 0), DDERR_SURFACELOST);
    ASSERT_EQ(m_target->Restore(), DD_OK);
    // The z-buffer is still lost: a draw that needs it fails, a colour clear does not.
    EXPECT_EQ(Triangle(0, 0, 16, 0, 0, 16, 0.5f, 0xFFFFFFFF), DDERR_SURFACELOST);
    EXPECT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_depth->Restore(), DD_OK);
    ASSERT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Triangle(0, 0, 16, 0, 0, 16, 0.5f, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 2, 2), 0x00FFFFFFu);

    // Once the DirectDraw object is gone its surfaces have no memory to draw on.
    m_dd->Release();
    m_dd = nullptr;
    EXPECT_EQ(Triangle(0, 0, 16, 0, 0, 16, 0.5f, 0xFFFFFFFF), DDERR_INVALIDOBJECT);
    EXPECT_EQ(m_viewport->Clear2(1, &all, D3DCLEAR_TARGET, 0, 1.0f, 0), DDERR_INVALIDOBJECT);
    EXPECT_EQ(m_d3d->EvictManagedTextures(), DDERR_INVALIDOBJECT);
}

TEST_F(D3dDeviceTest, RecordingKeepsCallsInOrderAndScenesNest) {
    MakeDevice(16, 16);
    m_device->SetRecording(true);
    const D3DRECT all{0, 0, 16, 16};
    EXPECT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->BeginScene(), D3D_OK);
    m_device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
    m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_device->SetTexture(1, nullptr);
    m_device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0xFFFFFFFF);
    SetViewport(0, 0, 16, 16, -1.0f, 1.0f, 2.0f, 2.0f);
    m_viewport->Clear2(1, &all, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Triangle(0, 0, 8, 0, 0, 8, 0.5f, 0xFFFFFFFF);
    EXPECT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(m_device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
    const std::vector<std::string> expected = {
        "BeginScene",
        "BeginScene",
        "SetRenderState 22 2",
        "SetTextureStageState 1 1 1",
        "SetTexture 1 null",
        "SetLightState 2 0xFFFFFFFF",
        "SetViewport2 0 0 16 16 -1 1 2 2 0 1",
        "Clear2 1 0x1 0xFF000000 1",
        "DrawPrimitive 4 0x142 3 0x8",
        "EndScene",
        "EndScene",
        "EndScene",
    };
    EXPECT_EQ(m_device->Recording(), expected);
    EXPECT_EQ(m_device->SceneDepth(), 0);

    // Draws outside a scene are carried out.
    m_device->SetRecording(false);
    m_device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(Triangle(0, 0, 8, 0, 0, 8, 0.5f, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 1, 1), 0x00FFFFFFu);
    EXPECT_EQ(m_device->Recording().size(), expected.size());
}

// An 8 x 8 RGB565 texture with four mip levels, each one flat colour: red, green, blue, white.
IDirectDrawSurface4* MakeMipTexture(IDirectDraw4* dd) {
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_MIPMAPCOUNT;
    desc.dwWidth = 8;
    desc.dwHeight = 8;
    desc.dwMipMapCount = 4;
    desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc.ddpfPixelFormat.dwRGBBitCount = 16;
    desc.ddpfPixelFormat.dwRBitMask = 0xF800;
    desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
    desc.ddpfPixelFormat.dwBBitMask = 0x001F;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface4* top = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &top, nullptr), DD_OK);
    static constexpr uint16_t kColours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    IDirectDrawSurface4* level = top;
    level->AddRef();
    for (uint16_t colour : kColours) {
        DDSURFACEDESC2 locked;
        EXPECT_EQ(level->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
        for (uint32_t y = 0; y < locked.dwHeight; ++y) {
            auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.lpSurface) + y * locked.lPitch);
            std::fill_n(row, locked.dwWidth, colour);
        }
        level->Unlock(nullptr);
        DDSCAPS2 caps;
        caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
        IDirectDrawSurface4* next = nullptr;
        const HRESULT found = level->GetAttachedSurface(&caps, &next);
        level->Release();
        level = next;
        if (Failed(found)) {
            break;
        }
    }
    if (level != nullptr) {
        level->Release();
    }
    return top;
}

TEST_F(D3dDeviceTest, TexturedDrawsReadTheMipChainAndItsColourKey) {
    MakeDevice(32, 32);
    IDirectDrawSurface4* surface = MakeMipTexture(m_dd);
    m_owned.push_back(surface);
    IDirect3DTexture2* texture = nullptr;
    ASSERT_EQ(QueryTexture(surface, &texture), D3D_OK);
    m_owned.push_back(texture);
    ASSERT_EQ(m_device->SetTexture(0, texture), D3D_OK);
    ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE), D3D_OK);
    // Addressing set for both directions at once reads back on each.
    ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP), D3D_OK);
    uint32_t value = 0;
    ASSERT_EQ(m_device->GetTextureStageState(0, D3DTSS_ADDRESSV, &value), D3D_OK);
    EXPECT_EQ(value, D3DTADDRESS_CLAMP);
    ASSERT_EQ(m_device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_WRAP), D3D_OK);

    // A 16 x 16 pixel square with `repeats` texture repeats across: the footprint is
    // 8 * repeats / 16 texels a pixel, so 2 repeats magnify, 4 take level 1, 8 level 2 and 16
    // level 3.
    auto square = [&](float repeats) {
        LineVertex v[4] = {At(0, 0, 0.5f, 0xFFFFFFFF), At(16, 0, 0.5f, 0xFFFFFFFF), At(0, 16, 0.5f, 0xFFFFFFFF),
                           At(16, 16, 0.5f, 0xFFFFFFFF)};
        v[1].u = v[3].u = repeats;
        v[2].v = v[3].v = repeats;
        return m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0x142, v, 4, 0x8);
    };
    const struct {
        float repeats;
        uint32_t pixel;
    } levels[] = {{2, 0x00FF0000}, {4, 0x0000FF00}, {8, 0x000000FF}, {16, 0x00FFFFFF}};
    for (const auto& level : levels) {
        ASSERT_EQ(square(level.repeats), D3D_OK);
        EXPECT_EQ(Pixel(m_target, 5, 7), level.pixel) << level.repeats << " repeats";
    }
    // Keyed on the top level's red: with colour keying on, the magnified square leaves the
    // white of the last draw in place.
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = 0xF800;
    ASSERT_EQ(surface->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(square(2), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 5, 7), 0x00FF0000u);
    ASSERT_EQ(square(16), D3D_OK);
    ASSERT_EQ(m_device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 1), D3D_OK);
    m_device->ResetCounters();
    ASSERT_EQ(square(2), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 5, 7), 0x00FFFFFFu);
    EXPECT_EQ(m_device->Counters().pixels, 0u);
    EXPECT_EQ(m_device->Counters().shaded, 256u);
    // Without a texture the stage reads white: the square takes its vertex colour.
    ASSERT_EQ(m_device->SetTexture(0, nullptr), D3D_OK);
    ASSERT_EQ(Triangle(0, 0, 16, 0, 0, 16, 0.5f, 0xFF123456), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 2, 2), 0x00123456u);
}

// The main vertex with a normal (format 0x252).
struct MainVertex {
    float x, y, z, nx, ny, nz;
    uint32_t diffuse;
    float u0, v0, u1, v1;
};

TEST_F(D3dDeviceTest, LightingFromTheViewportsLightsTheAmbientStateAndTheMaterial) {
    MakeDevice(32, 32);
    // A light travelling along +z (away from the eye) onto a square facing the eye, orange;
    // a second one, inactive, that would turn everything white.
    IDirect3DLight* light = nullptr;
    IDirect3DLight* inactive = nullptr;
    ASSERT_EQ(m_d3d->CreateLight(&light, nullptr), D3D_OK);
    ASSERT_EQ(m_d3d->CreateLight(&inactive, nullptr), D3D_OK);
    m_owned.push_back(light);
    m_owned.push_back(inactive);
    D3DLIGHT2 desc;
    desc.dltType = D3DLIGHT_DIRECTIONAL;
    desc.dcvColor = D3DCOLORVALUE{1.0f, 0.5f, 0.0f, 0.0f};
    desc.dvDirection = D3DVECTOR{0.0f, 0.0f, 1.0f};
    desc.dwFlags = D3DLIGHT_ACTIVE | D3DLIGHT_NO_SPECULAR;
    ASSERT_EQ(light->SetLight(&desc), D3D_OK);
    desc.dcvColor = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    desc.dwFlags = 0;
    ASSERT_EQ(inactive->SetLight(&desc), D3D_OK);
    ASSERT_EQ(m_viewport->AddLight(light), D3D_OK);
    ASSERT_EQ(m_viewport->AddLight(inactive), D3D_OK);
    // Material ambient (0, 0, 0.5) under an ambient light of 0x40 grey.
    IDirect3DMaterial3* material = nullptr;
    ASSERT_EQ(m_d3d->CreateMaterial(&material, nullptr), D3D_OK);
    m_owned.push_back(material);
    D3DMATERIAL m;
    m.diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    m.ambient = D3DCOLORVALUE{0.0f, 0.0f, 0.5f, 0.0f};
    ASSERT_EQ(material->SetMaterial(&m), D3D_OK);
    D3DMATERIALHANDLE handle = 0;
    ASSERT_EQ(material->GetHandle(m_device, &handle), D3D_OK);
    ASSERT_EQ(m_device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle), D3D_OK);
    ASSERT_EQ(m_device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0xFF404040), D3D_OK);

    auto draw = [&](uint32_t diffuse, float nz, uint32_t flags) {
        MainVertex v[3];
        const LineVertex corners[3] = {At(0, 0, 0.5f, 0), At(16, 0, 0.5f, 0), At(0, 16, 0.5f, 0)};
        for (int k = 0; k < 3; ++k) {
            v[k] = MainVertex{corners[k].x, corners[k].y, 0.5f, 0.0f, 0.0f, nz, diffuse, 0, 0, 0, 0};
        }
        return m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x252, v, 3, flags);
    };
    struct Case {
        uint32_t diffuse;
        float nz;
        uint32_t flags;
        uint32_t pixel;
        const char* what;
    } cases[] = {
        // red 1 * 1, green 1 * 0.5 -> 127.5 -> 128, blue 0.251 * 0.5 -> 32.
        {0xFFFFFFFF, -1.0f, 0x8, 0x00FF8020, "facing the light"},
        // The vertex colour stands for the material's diffuse colour: red 0.5 -> 128.
        {0xFF808080, -1.0f, 0x8, 0x00804020, "vertex colour as diffuse"},
        {0xFFFFFFFF, 1.0f, 0x8, 0x00000020, "facing away: ambient only"},
        {0xFF123456, -1.0f, 0x18, 0x00123456, "not lit"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(draw(c.diffuse, c.nz, c.flags), D3D_OK);
        EXPECT_EQ(Pixel(m_target, 2, 2), c.pixel) << c.what;
    }
    // The material's own diffuse colour with colour vertex off.
    ASSERT_EQ(m_device->SetLightState(D3DLIGHTSTATE_COLORVERTEX, 0), D3D_OK);
    ASSERT_EQ(draw(0xFF000000, -1.0f, 0x8), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 2, 2), 0x00FF8020u);
    // Without its light the square gets the ambient part only.
    ASSERT_EQ(m_viewport->DeleteLight(light), D3D_OK);
    ASSERT_EQ(draw(0xFFFFFFFF, -1.0f, 0x8), D3D_OK);
    EXPECT_EQ(Pixel(m_target, 2, 2), 0x00000020u);
}

}  // namespace
