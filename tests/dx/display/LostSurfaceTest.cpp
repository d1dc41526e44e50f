// Lost surfaces and their repair: blits and palettes that restore and retry on their own, image
// resources drawn again after a restore, surfaces made for a display mode that changed, and the
// loss and return of the exclusive display.

#include <gtest/gtest.h>

#include "VideoTestSupport.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"

namespace {

using namespace sys::video;
using tarvex::test::Format565;
using tarvex::test::OffscreenDesc;
using tarvex::test::PixelAt;
using tarvex::test::SetPixelAt;
using tarvex::test::TestImage;

class LostSurfaceTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(draw, 0);
    }
    void Make(SDXSurface& surface, int width, int height) {
        DDSURFACEDESC2 desc = OffscreenDesc(width, height, Format565());
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1) << surface.GetErrorText();
    }
    SDXDraw draw;
};

TEST_F(LostSurfaceTest, ALostSurfaceRefusesDrawingUntilRestoredAndComesBackEmpty) {
    SDXSurface surface;
    Make(surface, 4, 4);
    SetPixelAt(surface.GetSurface(), 1, 1, 0x1234);
    sys::video::headless::LoseAllSurfaces();
    EXPECT_EQ(surface.GetSurface()->IsLost(), DDERR_SURFACELOST);
    DDSURFACEDESC2 desc;
    EXPECT_EQ(surface.GetSurface()->Lock(nullptr, &desc, 0, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(surface.Clear(nullptr, 0x07E0), 0);
    EXPECT_EQ(surface.GetLastResult(), DDERR_SURFACELOST);
    ASSERT_EQ(surface.Restore(&draw), 1);
    EXPECT_EQ(surface.GetSurface()->IsLost(), DD_OK);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 1, 1), 0u);
}

TEST_F(LostSurfaceTest, ABlitMeetingALostSurfaceRestoresBothAndTriesAgain) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2);
    Make(dest, 2, 2);
    sys::video::headless::LoseAllSurfaces();
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 1) << dest.GetErrorText();
    EXPECT_EQ(source.GetSurface()->IsLost(), DD_OK);
    EXPECT_EQ(dest.GetSurface()->IsLost(), DD_OK);
}

TEST_F(LostSurfaceTest, TheImageResourceDrawsItsPictureAgainAfterARestore) {
    TestImage image(3, 2, 0x07E0);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurfaceResource(&image, &draw, 0, 0, 0), 1) << surface.GetErrorText();
    EXPECT_EQ(image.draws, 1);
    EXPECT_EQ(surface.GetSource(), &image);
    EXPECT_EQ(surface.GetCachedWidth(), 3);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 2, 1), 0x07E0u);

    sys::video::headless::LoseAllSurfaces();
    SDXSurface dest;  // in the display's format, as the resource's surface is
    ASSERT_EQ(dest.CreateSurface(&draw, 3, 2, DDSCAPS_VIDEOMEMORY, nullptr, 0), 1);
    ASSERT_EQ(dest.Blt(&surface, nullptr, nullptr, 0, 0, 0), 1) << dest.GetErrorText();
    EXPECT_EQ(image.draws, 2);
    EXPECT_EQ(PixelAt(dest.GetSurface(), 2, 1), 0x07E0u);

    image.answer = false;
    sys::video::headless::LoseAllSurfaces();
    EXPECT_EQ(surface.Restore(&draw), 0);
    EXPECT_EQ(surface.IsRestoring(), 0);
}

TEST_F(LostSurfaceTest, APalettisedResourceSurfaceGetsThePictureAndThePalette) {
    TestImage image(2, 2, 42);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurfaceResource(&image, &draw, 1, 0, 0), 1) << surface.GetErrorText();
    EXPECT_EQ(PixelAt(surface.GetSurface(), 1, 1), 42u);
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(surface.GetSurface()->GetPalette(&palette), DD_OK);
    // In a window the middle entries keep the resource's colours: entry 42 is (42, 213, 7).
    EXPECT_EQ(palette->Entries()[42], (sys::PALETTEENTRY{42, 213, 7, sys::PC_NOCOLLAPSE}));
    palette->Release();
}

TEST_F(LostSurfaceTest, SetPaletteOnALostSurfaceRestoresItFirst) {
    SDXPalette palette;
    TestImage image(1, 1, 0);
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 0), 1);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 4, 4, DDSCAPS_VIDEOMEMORY, &palette, 0), 1);
    sys::video::headless::LoseAllSurfaces();
    ASSERT_EQ(surface.SetPalette(&palette), 1) << surface.GetErrorText();
    EXPECT_EQ(surface.GetSurface()->IsLost(), DD_OK);
}

TEST_F(LostSurfaceTest, AChangedDesktopAnswersTheWrongModeCode) {
    SDXSurface surface(CString("UIBackground"));
    Make(surface, 8, 4);
    sys::video::headless::ChangeDesktopMode(800, 600, 16);
    EXPECT_EQ(draw.GetDirectDraw()->TestCooperativeLevel(), DDERR_WRONGMODE);
    EXPECT_EQ(surface.GetSurface()->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(surface.GetSurface()->Restore(), DDERR_WRONGMODE);
    // Without an owner the surface stays as it is.
    EXPECT_EQ(surface.Restore(nullptr), 0);
    EXPECT_STREQ(surface.GetErrorText(), "[SDXSurface ( 8 x 4 )::Restore] { UIBackground }:DDERR_WRONGMODE\n");
}

TEST_F(LostSurfaceTest, AWrongModeSurfaceIsMadeAgainFromItsDescriptionKeepingItsKey) {
    SDXSurface surface;
    Make(surface, 8, 4);
    ASSERT_EQ(surface.SetTransparentColor(0x00FF00FF), 1);
    IDirectDrawSurface4* before = surface.GetSurface();
    sys::video::headless::ChangeDesktopMode(800, 600, 32);
    // The display manager starts again from a new DirectDraw object after such a change.
    SDXDraw fresh;
    ASSERT_EQ(fresh.Create(GUID{}), 1);
    ASSERT_EQ(fresh.SetMode(0, sys::window::GetMainWindow()), 1);
    EXPECT_EQ(fresh.GetDirectDraw()->TestCooperativeLevel(), DD_OK);
    ASSERT_EQ(surface.Restore(&fresh), 1) << surface.GetErrorText();
    EXPECT_NE(surface.GetSurface(), before);
    EXPECT_EQ(surface.GetOwner(), &fresh);
    EXPECT_EQ(surface.GetWidth(), 8);
    EXPECT_EQ(surface.GetHeight(), 4);
    DDPIXELFORMAT pf;
    surface.GetSurface()->GetPixelFormat(&pf);
    EXPECT_EQ(pf.dwRGBBitCount, 16u);  // the description asked for 565, not the desktop's depth
    DDCOLORKEY key;
    ASSERT_EQ(surface.GetSurface()->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0xF81Fu);
}

TEST_F(LostSurfaceTest, AnotherProgramHoldingTheDisplayStopsWindowedFrames) {
    sys::video::headless::SetOtherProgramExclusive(true);
    EXPECT_EQ(draw.GetDirectDraw()->TestCooperativeLevel(), DDERR_EXCLUSIVEMODEALREADYSET);
    SDXDraw other;
    ASSERT_EQ(other.Create(GUID{}), 1);
    EXPECT_EQ(other.SetMode(1, sys::window::GetMainWindow()), 0);
    EXPECT_EQ(other.GetLastResult(), DDERR_EXCLUSIVEMODEALREADYSET);
    SDXSurface surface;
    Make(surface, 2, 2);
    sys::video::headless::SetOtherProgramExclusive(false);
    EXPECT_EQ(draw.GetDirectDraw()->TestCooperativeLevel(), DD_OK);
    // What it drew over is gone.
    EXPECT_EQ(surface.GetSurface()->IsLost(), DDERR_SURFACELOST);
}

class ExclusiveLossTest : public tarvex::test::VideoTest {};

TEST_F(ExclusiveLossTest, LosingTheExclusiveDisplayBlocksRestoreUntilItReturns) {
    SDXDraw draw;
    OpenDisplay(draw, 1);
    SDXSurface primary;
    SDXSurface back;
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 2, DDSCAPS_3DDEVICE), 1);
    ASSERT_EQ(primary.GetBackBuffer(&back), 1);
    sys::video::headless::LoseExclusiveMode();
    IDirectDraw4* dd = draw.GetDirectDraw();
    EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(primary.Flip(), 0);
    EXPECT_EQ(primary.GetLastResult(), DDERR_SURFACELOST);
    EXPECT_EQ(dd->RestoreAllSurfaces(), DDERR_NOEXCLUSIVEMODE);
    sys::video::headless::RegainExclusiveMode();
    EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);
    EXPECT_EQ(primary.Flip(), 0);  // still lost until restored
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(primary.Flip(), 1);
}

TEST_F(ExclusiveLossTest, ANewFullScreenModeLosesSurfacesMadeForTheOldOne) {
    SDXDraw draw;
    OpenDisplay(draw, 1, 16);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 4, 4, DDSCAPS_VIDEOMEMORY, nullptr, 0), 1);
    ASSERT_EQ(draw.SetDisplayMode(800, 600, 32, 0, 0), 1);
    EXPECT_EQ(surface.GetSurface()->Restore(), DDERR_WRONGMODE);
    ASSERT_EQ(surface.Restore(&draw), 1);
    DDPIXELFORMAT pf;
    surface.GetSurface()->GetPixelFormat(&pf);
    EXPECT_EQ(pf.dwRGBBitCount, 32u);  // made again in the display's new format
}

}  // namespace
