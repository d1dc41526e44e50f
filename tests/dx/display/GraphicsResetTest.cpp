// Display resets: the release and restore broadcasts in their fixed order, windowed and full
// screen displays built again on every switch, the 32-bit fall-back, and the failures that
// leave no display behind.

#include <gtest/gtest.h>

#include <algorithm>

#include "GraphicsTestSupport.h"
#include "dx/display/SDXClipper.h"

namespace {

using namespace tarvex::test;
using sys::video::DDSURFACEDESC2;

class GraphicsResetTest : public GraphicsTest {};

TEST_F(GraphicsResetTest, OwnersAreToldBeforeAndAfterInTheFixedOrder) {
    RecordingOwner sprite1(log, "sprite1"), sprite2(log, "sprite2"), font(log, "font"), layout(log, "layout"),
        context(log, "context");
    sprite1.restoreAnswer = 0;  // cannot be restored: made anew
    RecordingCursor cursor(log);
    graphics.AddSprite(&sprite1);
    graphics.AddSprite(&sprite2);
    graphics.AddFont(&font);
    graphics.AddLayout(&layout);
    graphics.AddSurfaceDC(&context);
    graphics.AddSprite(nullptr);
    graphics.SetCursorObject(&cursor);
    shell.withConsole = true;
    shell.library = true;

    ASSERT_EQ(Reset(0), 1);
    const CallLog first{"sprite1 release", "sprite2 release", "font release", "layout release", "context release",
                        "screens release", "console release", "cursor lost", "frame full screen 0", "client 640x480",
                        "screens surfaces", "renderer new", "renderer create 16", "renderer raster 44",
                        "sprite1 restore", "sprite1 rebuild", "sprite2 restore", "font restore", "layout restore",
                        "context restore", "screens restore", "renderer evict", "console restore", "cursor rebuilt",
                        "game state"};
    EXPECT_EQ(log, first);

    // A second reset also deletes the renderer the first one made, before anything is built.
    log.clear();
    graphics.RemoveSprite(&sprite1);
    graphics.RemoveFont(&font);
    ASSERT_EQ(Reset(1), 1);
    const CallLog second{"sprite2 release", "layout release", "context release", "screens release",
                         "console release", "renderer delete", "cursor lost", "frame full screen 1", "client 640x480",
                         "screens surfaces", "renderer new", "renderer create 16", "renderer raster 44",
                         "sprite2 restore", "layout restore", "context restore", "screens restore", "renderer evict",
                         "console restore", "cursor rebuilt", "game state"};
    EXPECT_EQ(log, second);
}

TEST_F(GraphicsResetTest, EachSwitchBuildsTheWholeDisplayAgain) {
    ASSERT_EQ(Reset(0), 1);
    EXPECT_EQ(graphics.IsReady(), 1);
    EXPECT_EQ(graphics.GetDisplayKind(), 1);
    ASSERT_NE(graphics.GetPrimary(), nullptr);
    ASSERT_NE(graphics.GetBack(), nullptr);
    EXPECT_NE(graphics.GetClipper(), nullptr);
    EXPECT_NE(graphics.GetBackClipper(), nullptr);
    EXPECT_NE(graphics.GetInterfaceSource(), nullptr);
    EXPECT_NE(graphics.GetInterfaceBackground(), nullptr);
    // The display lies over the client area: the test window is centred on the 1024 x 768 desktop.
    sys::POINT origin;
    ASSERT_TRUE(sys::window::ClientToScreen(window, origin));
    EXPECT_EQ(graphics.GetDestRect(), (sys::RECT{origin.x, origin.y, origin.x + 640, origin.y + 480}));
    EXPECT_EQ(shell.renderer.lastRecord.pDisplay, &graphics);
    EXPECT_EQ(shell.renderer.lastRecord.pPrimary, graphics.GetPrimary()->GetSurface());
    EXPECT_EQ(shell.renderer.lastRecord.pBack, graphics.GetBack()->GetSurface());
    ASSERT_NE(shell.renderer.lastRecord.pDevice, nullptr);
    EXPECT_EQ(*shell.renderer.lastRecord.pDevice, sys::video::IID_IDirect3DHALDevice);

    ASSERT_EQ(Reset(1), 1);
    EXPECT_EQ(graphics.GetDisplayKind(), 16);
    EXPECT_EQ(graphics.GetClipper(), nullptr);  // no window clipper in full screen
    EXPECT_NE(graphics.GetBackClipper(), nullptr);
    EXPECT_EQ(shell.renderer.lastRecord.pBack, graphics.GetBack()->GetSurface());
    DDSURFACEDESC2 mode;
    ASSERT_EQ(graphics.GetDirectDraw()->GetDisplayMode(&mode), sys::video::DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    EXPECT_EQ(mode.dwHeight, 480u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);

    ASSERT_EQ(Reset(0), 1);
    EXPECT_EQ(graphics.GetDisplayKind(), 1);
    EXPECT_NE(graphics.GetClipper(), nullptr);
    EXPECT_EQ(shell.renderersMade, 3);
}

TEST_F(GraphicsResetTest, ARefused32BitDepthRunsAt16AndOtherRefusalsFail) {
    sys::video::headless::RefuseDepth(32);
    shell.depth = 32;
    ASSERT_EQ(Reset(1), 1);
    DDSURFACEDESC2 mode;
    ASSERT_EQ(graphics.GetDirectDraw()->GetDisplayMode(&mode), sys::video::DD_OK);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);

    sys::video::headless::RefuseDepth(24);
    shell.depth = 24;
    EXPECT_EQ(Reset(1), 0);
    EXPECT_EQ(graphics.IsReady(), 0);
    EXPECT_EQ(graphics.GetPrimary(), nullptr);
}

TEST_F(GraphicsResetTest, WithoutAccelerationTheDisplayRunsOnTheDeviceAndOnlyNoDeviceIsFatal) {
    // Rendering without acceleration still gets the display and its renderer, in a window and
    // in full screen, without a message.
    for (const int fullScreen : {0, 1}) {
        graphics.SetDisplayOptions(0, fullScreen);
        EXPECT_EQ(graphics.ResetDisplayMode(), 1) << fullScreen;
        EXPECT_EQ(graphics.IsReady(), 1);
        EXPECT_NE(graphics.GetPrimary(), nullptr);
        EXPECT_NE(graphics.GetBack(), nullptr);
        EXPECT_TRUE(shell.hasRenderer);
    }
    EXPECT_TRUE(sys::dialogs::headless::Shown().empty());

    // A platform that reports no device at all: the display is released with its message.
    SGraphics unlisted;
    unlisted.SetShell(&shell);
    EXPECT_EQ(unlisted.ResetDisplayMode(), 0);
    EXPECT_EQ(unlisted.IsReady(), 0);
    EXPECT_EQ(unlisted.GetPrimary(), nullptr);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "?? There is not valid Direct3D drivers");
}

TEST_F(GraphicsResetTest, ARendererThatCannotBeBuiltTakesTheDisplayWithIt) {
    shell.renderer.createAnswer = 0;
    EXPECT_EQ(Reset(0), 0);
    EXPECT_FALSE(shell.hasRenderer);
    // Nobody is asked to rebuild on a display that is gone.
    EXPECT_EQ(std::count(log.begin(), log.end(), "screens restore"), 0);
    EXPECT_EQ(graphics.IsReady(), 0);
    EXPECT_EQ(graphics.GetBack(), nullptr);

    shell.renderer.createAnswer = 1;
    shell.renderer.rasterAnswer = 0;
    EXPECT_EQ(Reset(0), 0);
    EXPECT_FALSE(shell.hasRenderer);
    EXPECT_EQ(graphics.IsReady(), 0);
}

TEST_F(GraphicsResetTest, AMachineWithoutDirectDrawIsToldSo) {
    EXPECT_EQ(SGraphics::IsDirectDrawInstalled(), 1);
    sys::video::headless::SetDirectDrawCreateFails(true);
    EXPECT_EQ(SGraphics::IsDirectDrawInstalled(), 0);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "DirectDraw isn't installed\nPlease Re-install the game\nPress OK to Terminate this application.");
}

TEST_F(GraphicsResetTest, NothingHappensWithoutAMainWindow) {
    sys::window::DestroyWindow(window);
    EXPECT_EQ(Reset(0), 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(GraphicsResetTest, ADriverThatCannotBeMadeFallsBackToTheDisplay) {
    const sys::video::GUID unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    graphics.SetDriverGuid(&unknown);
    EXPECT_EQ(Reset(0), 1);
    EXPECT_EQ(graphics.IsReady(), 1);
}

}  // namespace
