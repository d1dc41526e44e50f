// The renderer object on a headless display: its raster made in a window and full screen,
// released and made again after the display mode is lost, failures that leave nothing behind,
// filter levels, the view setters and the session bookkeeping.

#include <gtest/gtest.h>

#include <memory>

#include "sys/d3d/d3d.h"
#include "sys/video/headless/headless_video.h"
#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "tests/render/RenderTestSupport.h"

namespace {

class RendererLifecycleTest : public tarvex::test::RenderDisplayTest {
protected:
    void TearDown() override {
        SD3D6Parser::s_iViewHeightOffset = 0;
        RenderDisplayTest::TearDown();
    }
};

TEST_F(RendererLifecycleTest, RasterIsMadeInAWindowAndFullScreen) {
    for (int mode : {0, 1}) {
        OpenSurfaces(mode);
        SParserCreateInfo info;
        auto parser = std::make_unique<SD3D6Parser>();
        EXPECT_EQ(parser->Create(&info), 1);
        ASSERT_EQ(parser->CreateRaster(&record), 1) << "mode " << mode;
        ASSERT_NE(parser->GetRaster(), nullptr);
        EXPECT_NE(parser->GetRaster()->GetDevice(0), nullptr);
        EXPECT_TRUE(BackBufferHasZBuffer());
        EXPECT_STREQ(parser->GetTitle(), "KR5 D3D6 Parser");
        EXPECT_EQ(parser->ReleaseRaster(), 1);
        EXPECT_EQ(parser->ReleaseRaster(), 1);
        EXPECT_EQ(parser->GetRaster(), nullptr);
        EXPECT_FALSE(BackBufferHasZBuffer());
        parser.reset();
        CloseSurfaces();
    }
}

TEST_F(RendererLifecycleTest, MadeAgainAfterTheDisplayModeIsLost) {
    // Full screen: the exclusive display is lost and regained; the display manager deletes
    // the old renderer and builds everything anew.
    OpenSurfaces(1);
    auto parser = std::make_unique<SD3D6Parser>();
    ASSERT_EQ(parser->CreateRaster(&record), 1);
    sys::video::headless::LoseExclusiveMode();
    sys::video::headless::RegainExclusiveMode();
    parser.reset();
    CloseSurfaces();
    OpenSurfaces(1);
    parser = std::make_unique<SD3D6Parser>();
    ASSERT_EQ(parser->CreateRaster(&record), 1);
    EXPECT_TRUE(BackBufferHasZBuffer());
    EXPECT_EQ(parser->GetRaster()->Clear(0xFF102030), 1);
    parser.reset();
    CloseSurfaces();

    // In a window the desktop changes under the renderer: its raster is released and made
    // again on the new surfaces.
    OpenSurfaces(0, 64, 48);
    parser = std::make_unique<SD3D6Parser>();
    ASSERT_EQ(parser->CreateRaster(&record), 1);
    sys::video::headless::ChangeDesktopMode(800, 600, 16);
    EXPECT_EQ(parser->ReleaseRaster(), 1);
    CloseSurfaces();
    OpenSurfaces(0, 64, 48);
    ASSERT_EQ(parser->CreateRaster(&record), 1);
    EXPECT_TRUE(BackBufferHasZBuffer());
    EXPECT_EQ(parser->GetRaster()->Clear(0xFF102030), 1);
    EXPECT_EQ(parser->GetRaster()->ClearZBuffer(), 1);
}

TEST_F(RendererLifecycleTest, FailedCreateRasterLeavesNothingBehind) {
    // A back buffer not made for 3D drawing takes the z-buffer but refuses the device: the
    // z-buffer must be gone again.
    OpenSurfaces(0, 64, 48, 0);
    SD3D6Parser parser;
    EXPECT_EQ(parser.CreateRaster(&record), 0);
    EXPECT_EQ(parser.GetRaster(), nullptr);
    EXPECT_FALSE(BackBufferHasZBuffer());
    record.pRenderTarget = nullptr;
    EXPECT_EQ(parser.CreateRaster(&record), 0);
    EXPECT_EQ(parser.GetRaster(), nullptr);
}

TEST_F(RendererLifecycleTest, FilterLevelComesDownToWhatTheDeviceFilters) {
    OpenSurfaces(1);
    SD3D6Parser parser;
    SParserCreateInfo info;
    info.dwFilterLevel = 4;
    parser.Create(&info);
    ASSERT_EQ(parser.CreateRaster(&record), 1);
    // Our device filters linear-mip-nearest but not anisotropically: level 4 becomes 3, whose
    // stage-0 triple is (3, 2, 2) and second stage (3, 1, 1).
    EXPECT_EQ(info.dwFilterLevel, 3u);
    EXPECT_EQ(parser.m_dwFilters[0][0], 3u);
    EXPECT_EQ(parser.m_dwFilters[0][1], 2u);
    EXPECT_EQ(parser.m_dwFilters[0][2], 2u);
    EXPECT_EQ(parser.m_dwFilters[1][0], 3u);
    EXPECT_EQ(parser.m_ClassStates[2].dwMinFilter, 2u);
    // The device lists RGB565 textures and no palettised ones.
    sys::video::DDPIXELFORMAT rgb565 = tarvex::test::Format565();
    EXPECT_EQ(parser.SupportsTextureFormat(&rgb565), 1);
    sys::video::DDPIXELFORMAT palettised = tarvex::test::Format8();
    EXPECT_EQ(parser.SupportsTextureFormat(&palettised), 0);
    uint32_t anisotropy = 0;
    parser.GetRaster()->GetDevice(0)->GetTextureStageState(0, sys::d3d::D3DTSS_MAXANISOTROPY, &anisotropy);
    EXPECT_EQ(anisotropy, 1u);
}

TEST_F(RendererLifecycleTest, ViewSettersStoreAndForward) {
    OpenSurfaces(1);
    SD3D6Parser parser;
    ASSERT_EQ(parser.CreateRaster(&record), 1);
    auto* raster = static_cast<SD3D6Raster*>(parser.GetRaster());
    SD3D6Parser::s_iViewHeightOffset = 5;
    parser.SetViewPosition(1, 2, 3);
    float x, y, z;
    parser.GetViewPosition(&x, &y, &z);
    EXPECT_EQ(y, 7.0f);
    // The scale reaches the raster's scale, not its position: with scale 2 the view matrix
    // doubles and then moves by -2 x (1, 2, 3).
    parser.SetViewScale(2, 2, 2);
    parser.UpdateFrustum();
    const auto& v = raster->GetViewMatrix();
    EXPECT_FLOAT_EQ(v.m[0][0], 2.0f);
    EXPECT_FLOAT_EQ(v.m[3][0], -2.0f);
    EXPECT_FLOAT_EQ(v.m[3][1], -4.0f);
    EXPECT_FLOAT_EQ(v.m[3][2], -6.0f);
    parser.GetViewScale(&x, &y, &z);
    EXPECT_EQ(z, 2.0f);

    EXPECT_EQ(parser.SetViewRects(0, 0, 320, 240, 0, 0, 640, 480), 1);
    EXPECT_EQ(raster->GetViewportRect(), (sys::RECT{0, 0, 320, 240}));
    EXPECT_EQ(parser.SetViewRects(600, 0, 700, 100, 0, 0, 640, 480), 0);
    parser.SetViewRect(10, 10, 110, 110);
    sys::RECT first, second;
    parser.GetViewRects(&first, &second);
    EXPECT_EQ(first, (sys::RECT{10, 10, 110, 110}));
    EXPECT_EQ(second, (sys::RECT{0, 0, 640, 480}));
}

TEST(RendererSession, StepCountsAndFramesInertUntilReady) {
    SD3D6Parser parser;
    EXPECT_EQ(parser.GetSessionStepCount(2), 5);
    EXPECT_EQ(parser.GetSessionStepCount(7), 1);
    EXPECT_EQ(parser.GetEndSessionStepCount(2), 1);
    EXPECT_EQ(parser.BeginFrame(), 0);
    EXPECT_EQ(parser.EndFrame(), 0);

    SModelViewInfo view;
    EXPECT_EQ(parser.InitSession(1, &view, 1), 1);
    EXPECT_EQ(parser.m_iSessionMode, 1);
    EXPECT_EQ(parser.m_bSessionReady, 0);
    EXPECT_EQ(parser.BeginFrame(), 0);

    SParserCreateInfo info;
    parser.Create(&info);
    view.Field(0) = 2;
    view.Field(15) = 9;
    ASSERT_EQ(parser.InitSession(1, &view, 0), 1);
    EXPECT_EQ(parser.m_bSessionReady, 1);
    EXPECT_EQ(parser.m_ModelView.Field(2), 0);  // far distance (2 - 2) x 128
    EXPECT_EQ(info.dwSessionValue, 9u);
    float fov, base, nearZ, farZ;
    parser.GetProjection(&fov, &base, &nearZ, &farZ);
    EXPECT_EQ(fov, 60.0f);
    EXPECT_EQ(farZ, 0.0f);
    EXPECT_EQ(parser.BeginFrame(), 1);

    EXPECT_EQ(parser.EndSession(0), 1);
    EXPECT_EQ(parser.m_iSessionMode, 0);
    EXPECT_EQ(parser.BeginFrame(), 0);
    EXPECT_EQ(parser.InitSession(9, &view, 0), 1);
    EXPECT_EQ(parser.m_iSessionMode, 0);
}

}  // namespace
