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
#include "render/texture/SD3D6Lock.h"
#include "sys/d3d/d3d.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/video/video.h"
#include "render/pipeline/SRaster.h"
#include "tests/render/DemoOutdoorSession.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using sys::d3d::IDirect3DDevice3;
const std::string kHome = std::string(TARVEX_TEST_BINARY_DIR) + "/../Home";

class OutdoorFrameTest : public tarvex::test::RenderDisplayTest {
protected:
    // The demo map as its level asks for it, with its table fog.
    void Open() { OpenDemo(demo, true); }
    static void OpenDemo(tarvex::demo::DemoOutdoor& outdoor, bool fog) {
        ASSERT_EQ(outdoor.Open(kHome, fog), 1);
        outdoor.parser.SetProjection(60.0f, 60.0f, 1.0f, static_cast<float>(outdoor.parser.m_LevelInfo.Field(5)));
    }
    void TearDown() override {
        SD3D6Parser::s_dwSceneRenderSwitches = 0x5F;
        SD3D6Parser::s_bRedFlash = SD3D6Parser::s_bCentredOverlay = SD3D6Parser::s_bNightVision = false;
        RenderDisplayTest::TearDown();
    }
    tarvex::demo::DemoOutdoor demo;
};

TEST_F(OutdoorFrameTest, DemoMapFromFixedCameras) {
    Open();
    struct Camera {
        const char* name;
        float x, y, z, pitch, yaw;
    };
    const float pi = 3.14159265f;
    const Camera cameras[] = {
        {"sky", 30000.0f, 400.0f, 30000.0f, 0.3f, pi / 2},
        {"land", 22000.0f, 300.0f, 22000.0f, -0.25f, pi / 4},
        {"water", 38400.0f, 300.0f, 33500.0f, -0.3f, 0.0f},
    };
    for (const Camera& c : cameras) {
        demo.Frame(c.x, c.y, c.z, c.pitch, c.yaw);
        const std::string name = std::string("render/outdoor_") + c.name + ".png";
        EXPECT_TRUE(tarvex::test::MatchesReference(Capture(demo.Target()), name, 6, 3000)) << c.name;
    }
    EXPECT_GT(SD3D6Parser::s_FrameStats.iOpaqueTriangles, 0);
}

// Each overlay the game switches on is laid over the land view as its reference shows, and the
// view is the plain one again once it is switched off.
TEST_F(OutdoorFrameTest, OverlaysDrawnWhileSwitchedOn) {
    Open();
    const float pi = 3.14159265f;
    const auto land = [&] {
        demo.Frame(22000.0f, 300.0f, 22000.0f, -0.25f, pi / 4);
        return Capture(demo.Target());
    };
    const tarvex::test::Image plain = land();
    const struct {
        const char* name;
        bool* on;
    } overlays[] = {{"night_vision", &SD3D6Parser::s_bNightVision},
                    {"centred", &SD3D6Parser::s_bCentredOverlay},
                    {"red_flash", &SD3D6Parser::s_bRedFlash}};
    SD3D6Parser::s_iCentredIndex = 0;
    SD3D6Parser::s_fCentredScale = 0.5f;
    for (const auto& overlay : overlays) {
        // The first noise frame, due now and held for the rest of the test.
        sys::time::headless::Advance(1000);
        SD3D6Parser::s_dwNightVisionCounter = 0;
        demo.parser.m_dwNightVisionDue = 0;
        SD3D6Parser::s_dwNightVisionPeriod = 3600000;
        *overlay.on = true;
        const tarvex::test::Image shown = land();
        *overlay.on = false;
        const std::string name = std::string("render/overlay_") + overlay.name + ".png";
        EXPECT_TRUE(tarvex::test::MatchesReference(shown, name, 6, 3000)) << overlay.name;
        EXPECT_FALSE(tarvex::test::ImagesMatch(shown, plain, 4, 3000)) << overlay.name;
        EXPECT_TRUE(tarvex::test::ImagesMatch(land(), plain, 0, 0)) << overlay.name;
    }
    SD3D6Parser::s_dwNightVisionPeriod = 300;
    SD3D6Parser::s_fCentredScale = 0.05f;
}

}  // namespace

namespace {

TEST_F(OutdoorFrameTest, FogFrameAndItsPassOrder) {
    // A long view over the land: the ground and the trees fade into the fog toward the horizon,
    // under the fog's own sky. Without fog the same view is another picture.
    const float pi = 3.14159265f;
    const auto view = [&](tarvex::demo::DemoOutdoor& outdoor) {
        outdoor.Frame(22000.0f, 500.0f, 22000.0f, -0.1f, pi / 4);
        return Capture(outdoor.Target());
    };
    tarvex::test::Image clear;
    {
        tarvex::demo::DemoOutdoor outdoor;
        OpenDemo(outdoor, false);
        ASSERT_EQ(outdoor.parser.m_LevelInfo.Field(19), 0);
        clear = view(outdoor);
        outdoor.parser.EndSession(0);
    }
    Open();
    ASSERT_EQ(demo.parser.m_LevelInfo.Field(19), 1);
    const tarvex::test::Image fogged = view(demo);
    EXPECT_TRUE(tarvex::test::MatchesReference(fogged, "render/outdoor_fog.png", 6, 3000));
    EXPECT_FALSE(tarvex::test::ImagesMatch(clear, fogged, 6, 3000));

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

TEST_F(OutdoorFrameTest, PaintingIntoATextureStaysInsideIt) {
    Open();
    const int16_t water = demo.parser.m_nWaterTexture;
    ASSERT_GE(water, 0);
    const SD3D6Lock* record = demo.parser.TextureRecord(water);
    ASSERT_NE(record, nullptr);
    sys::video::IDirectDrawSurface4* source = demo.Target();
    struct Case {
        float u, v;
        int width, height;
        uint8_t centre;
        int result;
    };
    // A rectangle hanging over an edge is cut to the texture; one wholly outside fails.
    const Case cases[] = {{0.0f, 1.0f, 8, 8, 0, 1}, {0.99f, 0.01f, 64, 64, 0, 1}, {0.0f, 1.0f, 16, 16, 1, 1},
                          {2.0f, 0.5f, 8, 8, 0, 0},   {0.5f, -1.5f, 8, 8, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(demo.parser.BlitToTexture(water, c.u, c.v, source, c.width, c.height, 0, 0, c.centre), c.result)
            << c.u << " " << c.v;
    }
    EXPECT_EQ(demo.parser.BlitToTexture(-1, 0.0f, 0.0f, source, 8, 8, 0, 0, 0), 0);

    // Render-to-texture: fractions past the texture are pulled in; a texture that fits the view
    // is drawn in place (0); a bad texture answers 0 too and draws nothing.
    const float whole[4] = {-0.5f, 0.0f, 3.0f, 1.0f};
    demo.parser.SetViewRects(0, 0, 640, 480, 0, 0, 640, 480);
    EXPECT_EQ(demo.parser.RenderToTexture(water, 60.0f, 60.0f, whole), 0);
    float view[4];
    demo.parser.GetProjection(&view[0], &view[1], &view[2], &view[3]);
    EXPECT_EQ(view[0], 60.0f);
    EXPECT_EQ(demo.parser.RenderToTexture(-1, 60.0f, 60.0f, whole), 0);
}

}  // namespace
