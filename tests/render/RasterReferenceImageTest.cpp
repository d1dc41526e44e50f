// One reference image drawn through the Direct3D raster on a headless back buffer: two
// Gouraud-shaded triangles that cut through each other under the z-test, one of them clipped by
// the near plane and the right edge. Pixels whose answer follows from the geometry are checked
// by hand before the image is compared.

#include <gtest/gtest.h>

#include <cstdint>

#include "sys/d3d/d3d.h"
#include "render/pipeline/SD3DRaster.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using namespace tarvex::test;

constexpr uint32_t kBackground = 0xFF202040;

// The lit-vertex layout DrawTriangles takes.
struct LVertex {
    float x, y, z;
    uint32_t reserved;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};

LVertex V(float x, float y, float z, uint32_t colour) { return LVertex{x, y, z, 0, colour, 0, 0, 0}; }

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

class RasterReferenceImageTest : public RenderDisplayTest {};

TEST_F(RasterReferenceImageTest, ShadedZTestedClippedPair) {
    OpenSurfaces(0, 96, 72);
    SD3D6Raster raster;
    ASSERT_EQ(raster.CreateDevice(&record), 1);
    // 96 x 72 with clip y 0.75 and a 90-degree view from the origin along +z, near 1, far 7.5:
    // screen x = 48 + 48 x / z, y = 36 - 48 y / z.
    raster.SetProjection(90.0f, 1.0f, 7.5f);
    raster.UpdateTransforms();
    sys::d3d::IDirect3DDevice3* device = raster.GetDevice(0);
    device->SetRenderState(sys::d3d::D3DRENDERSTATE_CULLMODE, sys::d3d::D3DCULL_NONE);
    device->SetRenderState(sys::d3d::D3DRENDERSTATE_ZENABLE, sys::d3d::D3DZB_TRUE);
    ASSERT_EQ(raster.Clear(kBackground), 1);
    ASSERT_EQ(raster.ClearZBuffer(), 1);

    // Red-to-yellow in the plane z = 4 + x; green-to-cyan in z = 4 - x, whose cyan corner lies
    // behind the eye, so the near plane and the right edge cut it.
    const LVertex pair[6] = {V(-2, -1, 2, 0xFFFF0000), V(2, -1, 6, 0xFFFFFF00), V(0, 1.5f, 4, 0xFFFF8000),
                             V(-2, 1, 6, 0xFF00FF00), V(5, 1, -1, 0xFF00FFFF), V(0, -1.5f, 4, 0xFF00FF80)};
    ASSERT_EQ(device->BeginScene(), sys::d3d::D3D_OK);
    EXPECT_EQ(raster.DrawTriangles(pair, 2), 1);
    ASSERT_EQ(device->EndScene(), sys::d3d::D3D_OK);

    sys::video::DDSURFACEDESC2 desc;
    ASSERT_EQ(back->GetSurface()->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr), sys::video::DD_OK);
    const Image image = desc.ddpfPixelFormat.dwRGBBitCount == 16
                            ? ImageFromRGB565(desc.lpSurface, 96, 72, desc.lPitch)
                            : ImageFromXRGB8888(desc.lpSurface, 96, 72, desc.lPitch);
    back->GetSurface()->Unlock(nullptr);

    // (44, 36): the red triangle at z = 48/13 lies before the green one at 48/11.
    EXPECT_EQ(Channel(image.At(44, 36), 16), 255u);
    EXPECT_EQ(Channel(image.At(44, 36), 8) < 255u, true);
    // (52, 36) mirrors it: green in front.
    EXPECT_EQ(Channel(image.At(52, 36), 16), 0u);
    EXPECT_EQ(Channel(image.At(52, 36), 8), 255u);
    // (95, 36): the near-clipped green triangle reaches the right edge (z = 96/47 there).
    EXPECT_EQ(Channel(image.At(95, 36), 8), 255u);
    // Outside both: the clear colour.
    EXPECT_EQ(image.At(2, 2), kBackground & 0x00FFFFFFu);
    EXPECT_EQ(image.At(95, 71), kBackground & 0x00FFFFFFu);
    // Tolerance: 2 per channel on 1% of the pixels, for rounding at shading boundaries.
    EXPECT_TRUE(MatchesReference(image, "render/raster_pair.bmp", 2, 69));
}

}  // namespace
