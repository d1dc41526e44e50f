// The demo outdoor world drawn headless from fixed cameras and compared with reference images
// (regenerated with --update-references, e.g. when the demo catalog grows), and one frame's
// pass order and state calls on a recording device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <algorithm>
#include <vector>

#include "render/SD3D6Parser.h"
#include "sys/d3d/d3d.h"
#include "sys/video/video.h"
#include "render/pipeline/SRaster.h"
#include "tests/render/DemoOutdoorSession.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using sys::d3d::IDirect3DDevice3;
const std::string kHome = std::string(TARVEX_TEST_BINARY_DIR) + "/../Home";

tarvex::test::Image Capture(sys::video::IDirectDrawSurface4* surface) {
    sys::video::DDSURFACEDESC2 desc;
    surface->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr);
    tarvex::test::Image image = tarvex::test::ImageFromRGB565(desc.lpSurface, static_cast<int>(desc.dwWidth),
                                                              static_cast<int>(desc.dwHeight), desc.lPitch);
    surface->Unlock(nullptr);
    return image;
}

class OutdoorFrameTest : public tarvex::test::RenderDisplayTest {
protected:
    void Open(bool fog) {
        ASSERT_EQ(demo.Open(kHome, fog), 1);
        demo.parser.SetProjection(60.0f, 60.0f, 1.0f, static_cast<float>(demo.parser.m_LevelInfo.Field(5)));
    }
    void TearDown() override {
        SD3D6Parser::s_dwSceneRenderSwitches = 0x5F;
        SD3D6Parser::s_bRedFlash = SD3D6Parser::s_bCentredOverlay = SD3D6Parser::s_bNightVision = false;
        RenderDisplayTest::TearDown();
    }
    tarvex::demo::DemoOutdoor demo;
};

TEST_F(OutdoorFrameTest, DemoMapFromFixedCameras) {
    Open(false);
    struct Camera {
        const char* name;
        float x, y, z, pitch, yaw;
        bool overlays;
    };
    const float pi = 3.14159265f;
    const Camera cameras[] = {
        {"sky", 30000.0f, 400.0f, 30000.0f, 0.3f, pi / 2, false},
        {"land", 22000.0f, 300.0f, 22000.0f, -0.25f, pi / 4, false},
        {"water", 38400.0f, 300.0f, 33500.0f, -0.3f, 0.0f, false},
        {"overlays", 22000.0f, 300.0f, 22000.0f, -0.25f, pi / 4, true},
    };
    for (const Camera& c : cameras) {
        SD3D6Parser::s_bRedFlash = c.overlays;
        demo.Frame(c.x, c.y, c.z, c.pitch, c.yaw);
        const std::string name = std::string("render/outdoor_") + c.name + ".png";
        EXPECT_TRUE(tarvex::test::MatchesReference(Capture(demo.Target()), name, 6, 3000)) << c.name;
    }
    EXPECT_GT(SD3D6Parser::s_FrameStats.iOpaqueTriangles, 0);
}

}  // namespace

namespace {

TEST_F(OutdoorFrameTest, FogFrameAndItsPassOrder) {
    Open(true);
    ASSERT_EQ(demo.parser.m_LevelInfo.Field(19), 1);
    const float pi = 3.14159265f;
    demo.Frame(22000.0f, 300.0f, 22000.0f, -0.25f, pi / 4);
    EXPECT_TRUE(tarvex::test::MatchesReference(Capture(demo.Target()), "render/outdoor_fog.png", 6, 3000));

    // Over the pond: background with the fog off, the sky faces and the horizon band, the
    // terrain and water batches (no view-model clear without a view-model host); fog off and on
    // again around the overlays.
    IDirect3DDevice3* device = demo.parser.GetRaster()->GetDevice(0);
    device->SetRecording(true);
    device->ClearRecording();
    demo.Frame(38400.0f, 300.0f, 33500.0f, -0.3f, 0.0f);
    device->SetRecording(false);
    std::vector<std::string> passes;
    for (const std::string& line : device->Recording()) {
        const bool keep = line.rfind("Draw", 0) == 0 || line.rfind("Clear", 0) == 0 ||
                          line.rfind("SetRenderState 28 ", 0) == 0 || line == "BeginScene" || line == "EndScene";
        if (keep) {
            passes.push_back(line.rfind("DrawIndexedPrimitive 4", 0) == 0 ? "DrawIndexedPrimitive 4" : line);
        }
    }
    passes.erase(std::unique(passes.begin(), passes.end()), passes.end());
    const std::vector<std::string> expected = {
        "BeginScene",
        "Clear 1 0x2",
        "SetRenderState 28 0",
        "DrawPrimitive 5 0x152 4 0x18",
        "DrawPrimitive 5 0x142 4 0x18",
        "SetRenderState 28 1",
        "Clear 1 0x2",
        "DrawIndexedPrimitive 4",
        "SetRenderState 28 0",
        "SetRenderState 28 1",
        "EndScene",
    };
    EXPECT_EQ(passes, expected);
    EXPECT_GT(SD3D6Parser::s_FrameStats.iTranslucentTriangles, 0);
    EXPECT_GT(SD3D6Parser::s_FrameStats.iOpaqueTriangles, 0);
}

}  // namespace
