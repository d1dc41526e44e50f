// The Direct3D raster's viewport, projection and z-buffer choices, worked out by hand, and the
// device calls a viewport change makes (seen through the device's recording).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/d3d/d3d.h"
#include "render/pipeline/SD3DRaster.h"
#include "tests/render/RenderTestSupport.h"

namespace {

using sys::RECT;
using sys::video::DDPIXELFORMAT;

DDPIXELFORMAT ZFormat(uint32_t depth, uint32_t stencil) {
    DDPIXELFORMAT pf;
    pf.dwFlags = sys::video::DDPF_ZBUFFER;
    pf.dwZBufferBitDepth = depth;
    pf.dwStencilBitDepth = stencil;
    pf.dwZBitMask = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1u;
    return pf;
}

// The depth the search ends on for formats offered in this order; 0 when none was taken.
uint32_t ChosenDepth(const std::vector<DDPIXELFORMAT>& offered, bool only16) {
    DDPIXELFORMAT held;
    held.dwZBufferBitDepth = 16;
    for (const auto& f : offered) {
        SD3D6Raster::AcceptZBufferFormat(f, held, only16);
    }
    return (held.dwFlags & sys::video::DDPF_ZBUFFER) != 0 ? held.dwZBufferBitDepth : 0;
}

TEST(RasterZFormat, DeepestWithoutStencilBelow32Bits) {
    EXPECT_EQ(ChosenDepth({ZFormat(24, 8), ZFormat(16, 0)}, false), 16u);
    EXPECT_EQ(ChosenDepth({ZFormat(16, 0), ZFormat(24, 0)}, false), 24u);
    EXPECT_EQ(ChosenDepth({ZFormat(24, 0), ZFormat(16, 0)}, false), 24u);
    EXPECT_EQ(ChosenDepth({ZFormat(32, 0)}, false), 0u);
    EXPECT_EQ(ChosenDepth({ZFormat(8, 0)}, false), 0u);
    EXPECT_EQ(ChosenDepth({ZFormat(16, 0), ZFormat(24, 0)}, true), 16u);
    EXPECT_EQ(ChosenDepth({ZFormat(24, 0)}, true), 0u);
}

TEST(RasterViewportRecord, FullWindowCarriesTheAspectInTheClipHeight) {
    const auto r = SD3D6Raster::ViewportRecord(RECT{0, 0, 640, 480}, RECT{0, 0, 640, 480});
    EXPECT_EQ(r.dwWidth, 640u);
    EXPECT_EQ(r.dwHeight, 480u);
    EXPECT_FLOAT_EQ(r.dvClipX, -1.0f);
    EXPECT_FLOAT_EQ(r.dvClipY, 0.75f);
    EXPECT_FLOAT_EQ(r.dvClipWidth, 2.0f);
    EXPECT_FLOAT_EQ(r.dvClipHeight, 1.5f);
    EXPECT_FLOAT_EQ(r.dvMaxZ, 1.0f);
}

TEST(RasterViewportRecord, PartOfAWindowShowsExactlyItsShareOfTheView) {
    // The whole 640 x 480 view spans x -1..1 and y 0.75..-0.75. Its top-right quarter
    // (320..640, 0..240) shows x 0..1 and y 0.75..0.
    auto r = SD3D6Raster::ViewportRecord(RECT{320, 0, 640, 240}, RECT{0, 0, 640, 480});
    EXPECT_EQ(r.dwX, 320u);
    EXPECT_EQ(r.dwY, 0u);
    EXPECT_FLOAT_EQ(r.dvClipX, 0.0f);
    EXPECT_FLOAT_EQ(r.dvClipWidth, 1.0f);
    EXPECT_FLOAT_EQ(r.dvClipY, 0.75f);
    EXPECT_FLOAT_EQ(r.dvClipHeight, 0.75f);
    // A 100 x 50 part at (110, 120) of a window at (10, 20) sized 400 x 300: x from
    // -1 + 2 * 100 / 400 = -0.5 over 0.5, y from 0.75 - 2 * 100 / 400 = 0.25 down 0.25.
    r = SD3D6Raster::ViewportRecord(RECT{110, 120, 210, 170}, RECT{10, 20, 410, 320});
    EXPECT_FLOAT_EQ(r.dvClipX, -0.5f);
    EXPECT_FLOAT_EQ(r.dvClipWidth, 0.5f);
    EXPECT_FLOAT_EQ(r.dvClipY, 0.25f);
    EXPECT_FLOAT_EQ(r.dvClipHeight, 0.25f);
}

class RasterDeviceTest : public tarvex::test::RenderDisplayTest {};

TEST_F(RasterDeviceTest, MissingRecordPartsCreateNothing) {
    OpenSurfaces(1);
    for (int missing = 0; missing < 3; ++missing) {
        SRasterDeviceRecord r = record;
        if (missing == 0) r.pRenderTarget = nullptr;
        if (missing == 1) r.pPrimary = nullptr;
        if (missing == 2) r.dwDriver = 0;
        SD3D6Raster raster;
        EXPECT_EQ(raster.CreateDevice(&r), 0);
        EXPECT_EQ(raster.GetDevice(0), nullptr);
        EXPECT_EQ(raster.GetDirect3D(), nullptr);
        EXPECT_FALSE(BackBufferHasZBuffer());
    }
    SD3D6Raster raster;
    EXPECT_EQ(raster.CreateDevice(nullptr), 0);
}

TEST_F(RasterDeviceTest, LiveRasterHasFullTargetViewportProjectionAndZBuffer) {
    OpenSurfaces(1);
    SD3D6Raster raster;
    ASSERT_EQ(raster.CreateDevice(&record), 1);
    EXPECT_TRUE(BackBufferHasZBuffer());
    EXPECT_EQ(raster.GetZBufferFormat().dwZBufferBitDepth, 16u);
    sys::d3d::D3DVIEWPORT2 vp;
    ASSERT_EQ(raster.GetViewport()->GetViewport2(&vp), sys::d3d::D3D_OK);
    EXPECT_EQ(vp.dwWidth, 640u);
    EXPECT_FLOAT_EQ(vp.dvClipY, 0.75f);
    EXPECT_FLOAT_EQ(vp.dvClipHeight, 1.5f);

    raster.SetProjection(60.0f, 1.0f, 3000.0f);
    raster.UpdateTransforms();
    const auto& p = raster.GetProjectionMatrix();
    EXPECT_NEAR(p.m[0][0], 1.7320508f, 1e-5f);
    EXPECT_NEAR(p.m[1][1], 1.7320508f, 1e-5f);
    EXPECT_NEAR(p.m[2][2], 1.0003334f, 1e-6f);
    EXPECT_NEAR(p.m[3][2], -1.0003334f, 1e-6f);
    EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(p.m[3][3], 0.0f);
    // The frustum's near plane faces forward (+z) one unit ahead of the eye.
    const auto& nearPlane = raster.GetFrustum().planes[4];
    EXPECT_FLOAT_EQ(nearPlane.fNormal[2], 1.0f);
    EXPECT_FLOAT_EQ(nearPlane.fDistance, 1.0f);
}

TEST_F(RasterDeviceTest, RepeatedViewportMakesNoDeviceCalls) {
    OpenSurfaces(1);
    SD3D6Raster raster;
    ASSERT_EQ(raster.CreateDevice(&record), 1);
    sys::d3d::IDirect3DDevice3* device = raster.GetDevice(0);
    device->SetRecording(true);
    EXPECT_EQ(raster.SetViewportRect(RECT{0, 0, 640, 480}), 1);
    EXPECT_TRUE(device->Recording().empty());

    EXPECT_EQ(raster.SetViewportRect(RECT{0, 0, 320, 240}), 1);
    EXPECT_FALSE(device->Recording().empty());
    device->ClearRecording();
    EXPECT_EQ(raster.SetViewportWindow(RECT{0, 0, 320, 240}, RECT{0, 0, 320, 240}), 1);
    EXPECT_TRUE(device->Recording().empty());

    EXPECT_EQ(raster.SetViewportWindow(RECT{0, 0, 320, 240}, RECT{0, 0, 640, 480}), 1);
    device->ClearRecording();
    EXPECT_EQ(raster.SetViewportWindow(RECT{0, 0, 320, 240}, RECT{0, 0, 640, 480}), 1);
    EXPECT_TRUE(device->Recording().empty());
    // The same rectangle as a whole view is a different viewport: its clip window changes.
    EXPECT_EQ(raster.SetViewportRect(RECT{0, 0, 320, 240}), 1);
    EXPECT_FALSE(device->Recording().empty());
}

TEST_F(RasterDeviceTest, RefusedViewportsAndTargetsLeaveTheOldOnes) {
    OpenSurfaces(1);
    SD3D6Raster raster;
    ASSERT_EQ(raster.CreateDevice(&record), 1);
    EXPECT_EQ(raster.SetViewportWindow(RECT{600, 0, 700, 100}, RECT{0, 0, 640, 480}), 0);
    EXPECT_EQ(raster.SetViewportWindow(RECT{0, 0, 0, 100}, RECT{0, 0, 640, 480}), 0);
    EXPECT_EQ(raster.GetViewportRect(), (RECT{0, 0, 640, 480}));
    EXPECT_EQ(raster.SetRenderTarget(nullptr), nullptr);
    EXPECT_EQ(raster.GetRenderTarget(), back->GetSurface());
}

TEST_F(RasterDeviceTest, ReleasingTwiceIsHarmless) {
    OpenSurfaces(0, 64, 48);
    SD3D6Raster raster;
    ASSERT_EQ(raster.CreateDevice(&record), 1);
    EXPECT_EQ(raster.Release(), 1);
    EXPECT_EQ(raster.Release(), 1);
    EXPECT_EQ(raster.GetLightCount(), 0);
    EXPECT_EQ(raster.GetDevice(0), nullptr);
    EXPECT_FALSE(BackBufferHasZBuffer());
    EXPECT_EQ(raster.Clear(0), 0);
    EXPECT_EQ(raster.ClearZBuffer(), 0);
}

}  // namespace
