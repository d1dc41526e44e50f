// What reaches the screen: the back buffer blitted into the window's client area, flips of a
// full-screen chain in 16 and 8 bits converted to the frame's colours, and the headless frame
// and present count that tests read.

#include <gtest/gtest.h>

#include "VideoTestSupport.h"
#include "dx/display/SDXClipper.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"

namespace {

using namespace sys::video;
using sys::video::headless::LastFrame;
using sys::video::headless::PresentCount;

class PresentationTest : public tarvex::test::VideoTest {};

TEST_F(PresentationTest, NothingIsPresentedBeforeTheFirstFrame) {
    EXPECT_EQ(PresentCount(), 0u);
    EXPECT_EQ(LastFrame().width, 0);
    EXPECT_TRUE(LastFrame().pixels.empty());
}

TEST_F(PresentationTest, AWindowShowsTheBackBufferBlittedIntoItsClientArea) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    sys::HWND window = sys::window::GetMainWindow();
    SDXSurface primary;
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 1, DDSCAPS_3DDEVICE), 1);
    SDXClipper clipper;
    ASSERT_EQ(clipper.CreateClipper(&draw), 1);
    ASSERT_EQ(clipper.SetHwnd(window), 1);
    ASSERT_EQ(primary.SetClipper(&clipper), 1);
    SDXSurface back;
    ASSERT_EQ(back.CreateSurface(&draw, 640, 480, DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE, nullptr, 0), 1);
    ASSERT_EQ(back.Clear(nullptr, 0x336699), 1);
    const sys::RECT corner{0, 0, 1, 1};
    ASSERT_EQ(back.Clear(&corner, 0xFF0000), 1);
    const sys::RECT last{639, 479, 640, 480};
    ASSERT_EQ(back.Clear(&last, 0x00FF00), 1);

    sys::POINT origin;
    ASSERT_TRUE(sys::window::ClientToScreen(window, origin));
    const sys::RECT dest{origin.x, origin.y, origin.x + 640, origin.y + 480};
    const uint64_t before = PresentCount();
    ASSERT_EQ(primary.Blt(&back, &dest, nullptr, 1, 0, 0), 1) << primary.GetErrorText();
    EXPECT_EQ(PresentCount(), before + 1);
    ASSERT_EQ(LastFrame().width, 640);
    ASSERT_EQ(LastFrame().height, 480);
    EXPECT_EQ(LastFrame().At(0, 0), 0xFF0000u);
    EXPECT_EQ(LastFrame().At(1, 0), 0x336699u);
    EXPECT_EQ(LastFrame().At(639, 479), 0x00FF00u);
}

TEST_F(PresentationTest, TheWindowClipperKeepsBlitsInsideTheClientArea) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    sys::HWND window = sys::window::GetMainWindow();
    SDXSurface primary;
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 1, 0), 1);
    SDXClipper clipper;
    ASSERT_EQ(clipper.CreateClipper(&draw), 1);
    ASSERT_EQ(clipper.SetHwnd(window), 1);
    ASSERT_EQ(primary.SetClipper(&clipper), 1);
    SDXSurface back;
    ASSERT_EQ(back.CreateSurface(&draw, 640, 480, DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    ASSERT_EQ(back.Clear(nullptr, 0x0000FF), 1);
    sys::POINT origin;
    ASSERT_TRUE(sys::window::ClientToScreen(window, origin));
    // Moved 100 pixels right of the client area: only its left part lands in the window.
    const sys::RECT dest{origin.x + 100, origin.y, origin.x + 740, origin.y + 480};
    ASSERT_EQ(primary.Blt(&back, &dest, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(LastFrame().At(99, 0), 0u);
    EXPECT_EQ(LastFrame().At(100, 0), 0x0000FFu);
    EXPECT_EQ(LastFrame().At(639, 479), 0x0000FFu);
    // Outside the window the desktop's primary is untouched.
    EXPECT_EQ(tarvex::test::PixelAt(primary.GetSurface(), origin.x + 640, origin.y), 0u);
}

TEST_F(PresentationTest, AFullScreenFlipShows16BitPixelsWidenedToEightBitsAChannel) {
    SDXDraw draw;
    OpenDisplay(draw, 1, 16);
    SDXSurface primary;
    SDXSurface back;
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 2, DDSCAPS_3DDEVICE), 1);
    ASSERT_EQ(primary.GetBackBuffer(&back), 1);
    const uint32_t colours[] = {0xF800, 0x07E0, 0x001F, 0x8410};
    for (int i = 0; i < 4; ++i) {
        const sys::RECT r{i, 0, i + 1, 1};
        ASSERT_EQ(back.Clear(&r, static_cast<int32_t>(colours[i])), 1);
    }
    ASSERT_EQ(primary.Flip(), 1);
    ASSERT_EQ(LastFrame().width, 640);
    ASSERT_EQ(LastFrame().height, 480);
    EXPECT_EQ(LastFrame().At(0, 0), 0xFF0000u);
    EXPECT_EQ(LastFrame().At(1, 0), 0x00FF00u);
    EXPECT_EQ(LastFrame().At(2, 0), 0x0000FFu);
    // 10000 -> 10000100, 100000 -> 10000010.
    EXPECT_EQ(LastFrame().At(3, 0), 0x848284u);
    EXPECT_EQ(LastFrame().At(4, 0), 0u);
}

TEST_F(PresentationTest, An8BitModeShowsThePrimarysPaletteColours) {
    SDXDraw draw;
    OpenDisplay(draw, 1, 8);
    SDXSurface primary;
    SDXSurface back;
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 2, 0), 1);
    ASSERT_EQ(primary.GetBackBuffer(&back), 1);
    SDXPalette palette;
    tarvex::test::TestImage image(1, 1, 0);  // entry i is (i, 255 - i, 7)
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 1), 1);
    ASSERT_EQ(primary.SetPalette(&palette), 1) << primary.GetErrorText();
    const sys::RECT a{0, 0, 1, 1};
    const sys::RECT b{1, 0, 2, 1};
    ASSERT_EQ(back.Clear(&a, 3), 1);
    ASSERT_EQ(back.Clear(&b, 100), 1);
    ASSERT_EQ(primary.Flip(), 1);
    EXPECT_EQ(LastFrame().At(0, 0), 0x808000u);  // system colour 3: (128, 128, 0)
    EXPECT_EQ(LastFrame().At(1, 0), 0x649B07u);  // (100, 155, 7)
}

TEST_F(PresentationTest, LocksAndDeviceContextsOnThePrimaryPresentWhenGivenBack) {
    SDXDraw draw;
    OpenDisplay(draw, 1, 32);
    SDXSurface primary;
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 1, 0), 1);
    const uint64_t before = PresentCount();
    DDSURFACEDESC2 desc;
    ASSERT_EQ(primary.Lock(&desc), 1);
    static_cast<uint32_t*>(desc.lpSurface)[2] = 0x00ABCDEF;
    EXPECT_EQ(PresentCount(), before);
    ASSERT_EQ(primary.Unlock(), 1);
    EXPECT_EQ(PresentCount(), before + 1);
    EXPECT_EQ(LastFrame().At(2, 0), 0xABCDEFu);
    sys::HDC dc = nullptr;
    ASSERT_EQ(primary.GetDC(&dc), 1);
    ASSERT_EQ(primary.ReleaseDC(dc), 1);
    EXPECT_EQ(PresentCount(), before + 2);
}

TEST_F(PresentationTest, OffscreenDrawingPresentsNothing) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 8, 8, 0, nullptr, 0), 1);
    ASSERT_EQ(surface.Clear(nullptr, 0x123456), 1);
    EXPECT_EQ(PresentCount(), 0u);
}

}  // namespace
