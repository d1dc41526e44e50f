// The display manager with the application's own adapters: every switch between a window and
// full screen builds a real renderer with its raster on the new back buffer and hands it to
// the game items, the main window follows with its style and client size, and the same switch
// reaches a real SDL window (dummy video driver) when one can be made.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/SGameItems.h"
#include "app/SGraphicsShell.h"
#include "app/SRendererFactory.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "sys/backend.h"
#include "sys/video/sdl/sdl_video.h"
#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "tests/dx/display/VideoTestSupport.h"

namespace {

class GraphicsRendererTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        shell.Install(&graphics);
        ASSERT_EQ(graphics.GetDrivers().Enumerate(), 1);
    }
    void TearDown() override {
        graphics.ReleaseSurfaces();
        VideoTest::TearDown();
    }
    int Reset(int fullScreen) {
        graphics.SetDisplayOptions(1, fullScreen);
        return graphics.ResetDisplayMode();
    }
    // The renderer the game items hold draws into the display manager's back buffer.
    void ExpectRendererOnBackBuffer() {
        SD3D6Parser* parser = items.m_pParser;
        ASSERT_NE(parser, nullptr);
        ASSERT_NE(parser->GetD3DRaster(), nullptr);
        EXPECT_EQ(parser->GetD3DRaster()->GetRenderTarget(), graphics.GetBack()->GetSurface());
        ASSERT_NE(parser->m_pCreateInfo, nullptr);
        EXPECT_EQ(parser->m_pCreateInfo->dwWord0, 16u);
    }

    SGameItems items;
    SRendererFactory factory{&items};
    SGraphicsShell shell{nullptr, &factory};
    SGraphics graphics;
};

TEST_F(GraphicsRendererTest, EverySwitchBuildsARendererOnTheNewBackBuffer) {
    sys::HWND window = MakeWindow();
    ASSERT_EQ(Reset(0), 1);
    ExpectRendererOnBackBuffer();
    EXPECT_NE(sys::window::GetWindowLong(window, sys::GWL_STYLE) & sys::WS_CAPTION, 0u);

    ASSERT_EQ(Reset(1), 1);
    ExpectRendererOnBackBuffer();
    EXPECT_EQ(sys::window::GetWindowLong(window, sys::GWL_STYLE) & sys::WS_CAPTION, 0u);
    EXPECT_EQ(graphics.RenderFrame(), 1);

    ASSERT_EQ(Reset(0), 1);
    ExpectRendererOnBackBuffer();
    sys::RECT client;
    ASSERT_TRUE(sys::window::GetClientRect(window, client));
    EXPECT_EQ(client, (sys::RECT{0, 0, 640, 480}));
    EXPECT_EQ(graphics.SetViewRect(0, 0, 320, 240), 1);
    sys::RECT first, second;
    items.m_pParser->GetViewRects(&first, &second);
    EXPECT_EQ(first, (sys::RECT{0, 0, 320, 240}));
    EXPECT_EQ(second, (sys::RECT{0, 0, 320, 240}));

    graphics.ReleaseSurfaces();
    EXPECT_EQ(items.m_pParser, nullptr);
}

TEST_F(GraphicsRendererTest, TheSwitchReachesAnSdlWindow) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    sys::SelectBackend(sys::Backend::Sdl);
    sys::HWND window = sys::window::CreateWindow(
        "Tarvex", sys::WS_OVERLAPPED | sys::WS_CAPTION | sys::WS_VISIBLE, nullptr,
        [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) { return sys::window::DefWindowProc(h, m, w, l); });
    if (window == nullptr) {
        sys::SelectBackend(sys::Backend::Headless);
        GTEST_SKIP() << "SDL cannot make a window here";
    }
    const uint64_t before = sys::video::sdl::PresentedFrames();
    EXPECT_EQ(Reset(1), 1);
    graphics.RenderFrame();
    EXPECT_EQ(Reset(0), 1);
    graphics.RenderFrame();
    EXPECT_GE(sys::video::sdl::PresentedFrames(), before + 2);
    graphics.ReleaseSurfaces();
    sys::window::DestroyWindow(window);
    sys::SelectBackend(sys::Backend::Headless);
}

}  // namespace
