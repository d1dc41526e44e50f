// Surfaces of the display layer: creation in each pixel format with a padded pitch, the fall-back
// from video to system memory, locks, device contexts over the pixels, the flipping primary and
// its back buffer, mip chains, transparent colours, and surfaces outliving their DirectDraw object.

#include <gtest/gtest.h>

#include "VideoTestSupport.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"
#include "sys/gdi/gdi.h"

namespace {

using namespace sys::video;
using tarvex::test::Format555;
using tarvex::test::Format565;
using tarvex::test::Format8;
using tarvex::test::Format888;
using tarvex::test::OffscreenDesc;
using tarvex::test::PixelAt;
using tarvex::test::SetPixelAt;

class VideoSurfaceTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(draw, 0);
    }
    SDXDraw draw;
};

TEST_F(VideoSurfaceTest, OffscreenRowsAreWiderThanTheirPixels) {
    for (const DDPIXELFORMAT& pf : {Format8(), Format565(), Format888()}) {
        DDSURFACEDESC2 desc = OffscreenDesc(30, 10, pf);
        SDXSurface surface;
        ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1) << surface.GetErrorText();
        const int32_t row = 30 * static_cast<int32_t>(pf.dwRGBBitCount / 8);
        EXPECT_GT(surface.GetPitch(), row) << pf.dwRGBBitCount;
        EXPECT_EQ(surface.GetWidth(), 30);
        EXPECT_EQ(surface.GetHeight(), 10);
    }
}

TEST_F(VideoSurfaceTest, PixelsWrittenThroughTheLockLandAtPitchOffsets) {
    DDSURFACEDESC2 desc = OffscreenDesc(5, 3, Format565());
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1);
    DDSURFACEDESC2 locked;
    ASSERT_EQ(surface.Lock(&locked), 1);
    EXPECT_EQ(locked.lpSurface, surface.GetLocked());
    auto* bits = static_cast<uint8_t*>(locked.lpSurface);
    // Row 2, column 4, written by pitch: read back through a second, independent lock.
    reinterpret_cast<uint16_t*>(bits + 2 * locked.lPitch)[4] = 0x1234;
    DDSURFACEDESC2 again;
    EXPECT_EQ(surface.GetSurface()->Lock(nullptr, &again, 0, nullptr), DDERR_SURFACEBUSY);
    ASSERT_EQ(surface.Unlock(), 1);
    EXPECT_EQ(surface.GetLocked(), nullptr);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 4, 2), 0x1234u);
    EXPECT_EQ(surface.GetSurface()->Unlock(nullptr), DDERR_NOTLOCKED);
}

TEST_F(VideoSurfaceTest, EachPixelFormatIsKeptAsAsked) {
    struct Case {
        DDPIXELFORMAT pf;
        uint32_t bits, red, green, blue;
    };
    const Case cases[] = {{Format565(), 16, 0xF800, 0x07E0, 0x001F},
                          {Format555(), 16, 0x7C00, 0x03E0, 0x001F},
                          {Format888(), 32, 0xFF0000, 0x00FF00, 0x0000FF}};
    for (const Case& c : cases) {
        DDSURFACEDESC2 desc = OffscreenDesc(4, 4, c.pf);
        IDirectDrawSurface4* surface = nullptr;
        ASSERT_EQ(draw.GetDirectDraw()->CreateSurface(&desc, &surface, nullptr), DD_OK);
        DDPIXELFORMAT got;
        ASSERT_EQ(surface->GetPixelFormat(&got), DD_OK);
        EXPECT_EQ(got.dwRGBBitCount, c.bits);
        EXPECT_EQ(got.dwRBitMask, c.red);
        EXPECT_EQ(got.dwGBitMask, c.green);
        EXPECT_EQ(got.dwBBitMask, c.blue);
        surface->Release();
    }
    DDSURFACEDESC2 bad = OffscreenDesc(4, 4, tarvex::test::RgbFormat(16, 0xF0F0, 0x0F00, 0x000F));
    IDirectDrawSurface4* surface = nullptr;
    EXPECT_EQ(draw.GetDirectDraw()->CreateSurface(&bad, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(surface, nullptr);
}

TEST_F(VideoSurfaceTest, AWindowedDisplayTakesTheDesktopsSizeAndFormat) {
    SDXSurface primary(CString("Primary"));
    ASSERT_EQ(primary.CreatePrimarySurface(&draw, 1, DDSCAPS_3DDEVICE), 1) << primary.GetErrorText();
    EXPECT_EQ(primary.IsPrimary(), 1);
    EXPECT_EQ(primary.GetWidth(), 1024);
    EXPECT_EQ(primary.GetHeight(), 768);
    EXPECT_EQ(primary.GetPitch(), 1024 * 4);  // the visible surface has no padding
    // No flipping chain in a window.
    SDXSurface second;
    EXPECT_EQ(second.CreatePrimarySurface(&draw, 1, 0), 0);
    EXPECT_EQ(second.GetLastResult(), DDERR_PRIMARYSURFACEALREADYEXISTS);
}

TEST_F(VideoSurfaceTest, APrimaryCountOtherThanOneOrTwoFailsAtOnce) {
    SDXSurface primary;
    EXPECT_EQ(primary.CreatePrimarySurface(&draw, 0, 0), 0);
    EXPECT_EQ(primary.CreatePrimarySurface(&draw, 3, 0), 0);
    EXPECT_EQ(primary.GetLastResult(), 0);
    EXPECT_EQ(primary.GetSurface(), nullptr);
}

TEST_F(VideoSurfaceTest, AVideoMemorySurfaceThatDoesNotFitComesBackInSystemMemory) {
    sys::video::headless::SetVideoMemory(1000);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 100, 50, DDSCAPS_VIDEOMEMORY, nullptr, 0), 1);
    DDSURFACEDESC2 desc;
    ASSERT_EQ(surface.GetSurface()->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY, 0u);
    EXPECT_EQ(desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    EXPECT_EQ(desc.dwWidth, 100u);
    EXPECT_EQ(desc.dwHeight, 50u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);  // the desktop's format, as asked
}

TEST_F(VideoSurfaceTest, VideoMemoryIsCountedWhileSurfacesHoldIt) {
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_TEXTURE;
    uint32_t total = 0;
    uint32_t freeBefore = 0;
    ASSERT_EQ(draw.GetDirectDraw()->GetAvailableVidMem(&caps, &total, &freeBefore), DD_OK);
    EXPECT_EQ(total, freeBefore);
    {
        SDXSurface surface;
        ASSERT_EQ(surface.CreateSurface(&draw, 64, 64, DDSCAPS_VIDEOMEMORY, nullptr, 0), 1);
        uint32_t freeNow = 0;
        draw.GetDirectDraw()->GetAvailableVidMem(&caps, nullptr, &freeNow);
        EXPECT_EQ(freeBefore - freeNow, static_cast<uint32_t>(surface.GetPitch()) * 64u);
    }
    uint32_t freeAfter = 0;
    draw.GetDirectDraw()->GetAvailableVidMem(&caps, nullptr, &freeAfter);
    EXPECT_EQ(freeAfter, freeBefore);
}

TEST_F(VideoSurfaceTest, ADeviceContextDrawsIntoTheSurfacesOwnPixels) {
    SDXSurface surface;
    DDSURFACEDESC2 desc = OffscreenDesc(8, 4, Format565());
    ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1);
    sys::HDC dc = nullptr;
    ASSERT_EQ(surface.GetDC(&dc), 1);
    DDSURFACEDESC2 locked;
    EXPECT_EQ(surface.GetSurface()->Lock(nullptr, &locked, 0, nullptr), DDERR_SURFACEBUSY);
    sys::HBRUSH red = sys::gdi::CreateSolidBrush(0x0000FF);
    ASSERT_TRUE(sys::gdi::FillRect(dc, sys::RECT{2, 1, 5, 3}, red));
    sys::gdi::DeleteObject(red);
    ASSERT_EQ(surface.ReleaseDC(dc), 1);
    EXPECT_EQ(surface.ReleaseDC(dc), 0);
    EXPECT_EQ(surface.GetLastResult(), DDERR_NODC);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 2, 1), 0xF800u);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 4, 2), 0xF800u);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 5, 2), 0u);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 2, 3), 0u);
}

TEST_F(VideoSurfaceTest, APalettisedSurfacesDeviceContextDrawsPaletteIndexes) {
    SDXPalette palette;
    tarvex::test::TestImage image(4, 4, 0);  // entry i is (i, 255 - i, 7)
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 0), 1);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 6, 2, DDSCAPS_SYSTEMMEMORY, &palette, 0), 1);
    sys::HDC dc = nullptr;
    ASSERT_EQ(surface.GetDC(&dc), 1) << surface.GetErrorText();
    sys::HBRUSH brush = sys::gdi::CreateSolidBrush(0x0007D728);  // (40, 215, 7): entry 40
    ASSERT_TRUE(sys::gdi::FillRect(dc, sys::RECT{1, 0, 3, 2}, brush));
    sys::gdi::DeleteObject(brush);
    ASSERT_EQ(surface.ReleaseDC(dc), 1);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 1, 0), 40u);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 2, 1), 40u);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 3, 1), 0u);
}

TEST_F(VideoSurfaceTest, TransparentMagentaIsPlacedByEachFormatsMasks) {
    struct Case {
        DDPIXELFORMAT pf;
        uint32_t key;
    };
    // Magenta 0x00FF00FF: red and blue full, green none.
    const Case cases[] = {{Format565(), 0xF81F}, {Format555(), 0x7C1F}, {Format888(), 0xFF00FF}};
    for (const Case& c : cases) {
        DDSURFACEDESC2 desc = OffscreenDesc(4, 4, c.pf);
        SDXSurface surface;
        ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1);
        ASSERT_EQ(surface.SetTransparentColor(0x00FF00FF), 1);
        EXPECT_EQ(surface.GetColourKey(), c.key);
        EXPECT_EQ(surface.HasColourKey(), 1);
        DDCOLORKEY key;
        ASSERT_EQ(surface.GetSurface()->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        EXPECT_EQ(key.dwColorSpaceLowValue, c.key);
    }
}

TEST_F(VideoSurfaceTest, OtherColoursKeepTheirTopBitsInEachChannel) {
    DDSURFACEDESC2 desc = OffscreenDesc(4, 4, Format565());
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1);
    // red 0x84 -> 10000, green 0x42 -> 010000, blue 0x21 -> 00100.
    ASSERT_EQ(surface.SetTransparentColor(0x00214284), 1);
    EXPECT_EQ(surface.GetColourKey(), (0x10u << 11) | (0x10u << 5) | 0x04u);
    ASSERT_EQ(surface.ResetTransparentColor(), 1);
    EXPECT_EQ(surface.HasColourKey(), 0);
    EXPECT_EQ(surface.GetColourKey(), 0u);
    DDCOLORKEY key;
    EXPECT_EQ(surface.GetSurface()->GetColorKey(DDCKEY_SRCBLT, &key), DDERR_NOCOLORKEY);
}

TEST_F(VideoSurfaceTest, APalettisedSurfaceKeysTheFirstPaletteEntryOfTheColourElseEntryZero) {
    SDXPalette palette;
    tarvex::test::TestImage image(4, 4, 0);  // entry i is (i, 255 - i, 7)
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 0), 1);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 8, 8, DDSCAPS_SYSTEMMEMORY, &palette, 0), 1);
    // The windowed display lends entries 0-9 and 246-255 to the system; entry 40 is (40, 215, 7).
    ASSERT_EQ(surface.SetTransparentColor(0x0007D728), 1);
    EXPECT_EQ(surface.GetColourKey(), 40u);
    ASSERT_EQ(surface.SetTransparentColor(0x00FF00FF), 1);
    EXPECT_EQ(surface.GetColourKey(), 0u);
}

TEST_F(VideoSurfaceTest, ClearWithColourZeroFillsWithTheTransparentColour) {
    DDSURFACEDESC2 desc = OffscreenDesc(3, 2, Format565());
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1);
    ASSERT_EQ(surface.SetTransparentColor(0x00FF00FF), 1);
    ASSERT_EQ(surface.Clear(nullptr, 0), 1);
    EXPECT_EQ(tarvex::test::ReadPicture(surface.GetSurface(), 3, 2), std::vector<uint32_t>(6, 0xF81F));
    const sys::RECT one{1, 0, 2, 1};
    ASSERT_EQ(surface.Clear(&one, 0x07E0), 1);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 1, 0), 0x07E0u);
    EXPECT_EQ(PixelAt(surface.GetSurface(), 2, 0), 0xF81Fu);
}

TEST_F(VideoSurfaceTest, AMipChainHandsOutEachSmallerLevelInTurn) {
    DDSURFACEDESC2 desc = OffscreenDesc(64, 32, Format565());
    desc.dwFlags |= DDSD_MIPMAPCOUNT;
    desc.dwMipMapCount = 3;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface4* top = nullptr;
    ASSERT_EQ(draw.GetDirectDraw()->CreateSurface(&desc, &top, nullptr), DD_OK);
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
    IDirectDrawSurface4* level1 = nullptr;
    ASSERT_EQ(top->GetAttachedSurface(&caps, &level1), DD_OK);
    IDirectDrawSurface4* level2 = nullptr;
    ASSERT_EQ(level1->GetAttachedSurface(&caps, &level2), DD_OK);
    IDirectDrawSurface4* level3 = nullptr;
    EXPECT_EQ(level2->GetAttachedSurface(&caps, &level3), DDERR_NOTFOUND);
    DDSURFACEDESC2 got;
    level1->GetSurfaceDesc(&got);
    EXPECT_EQ(got.dwWidth, 32u);
    EXPECT_EQ(got.dwHeight, 16u);
    level2->GetSurfaceDesc(&got);
    EXPECT_EQ(got.dwWidth, 16u);
    EXPECT_EQ(got.dwHeight, 8u);
    level2->Release();
    level1->Release();
    top->Release();
}

TEST_F(VideoSurfaceTest, AZBufferOfTheSameSizeCanBeAttachedAndDetached) {
    SDXSurface target;
    ASSERT_EQ(target.CreateSurface(&draw, 64, 32, DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE, nullptr, 0), 1);
    auto zDesc = [](int width, int height) {
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = static_cast<uint32_t>(width);
        desc.dwHeight = static_cast<uint32_t>(height);
        desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
        desc.ddpfPixelFormat.dwZBufferBitDepth = 16;
        desc.ddpfPixelFormat.dwZBitMask = 0xFFFF;
        desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY;
        return desc;
    };
    SDXSurface zbuffer(CString("3D ZBuffer"));
    DDSURFACEDESC2 desc = zDesc(64, 32);
    ASSERT_EQ(zbuffer.CreateSurfaceDesc(&desc, &draw, 0), 1) << zbuffer.GetErrorText();
    IDirectDrawSurface4* t = target.GetSurface();
    ASSERT_EQ(t->AddAttachedSurface(zbuffer.GetSurface()), DD_OK);
    EXPECT_EQ(t->AddAttachedSurface(zbuffer.GetSurface()), DDERR_SURFACEALREADYATTACHED);
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_ZBUFFER;
    IDirectDrawSurface4* found = nullptr;
    ASSERT_EQ(t->GetAttachedSurface(&caps, &found), DD_OK);
    EXPECT_EQ(found, zbuffer.GetSurface());
    found->Release();
    ASSERT_EQ(t->DeleteAttachedSurface(0, zbuffer.GetSurface()), DD_OK);
    EXPECT_EQ(t->DeleteAttachedSurface(0, zbuffer.GetSurface()), DDERR_SURFACENOTATTACHED);
    EXPECT_EQ(t->GetAttachedSurface(&caps, &found), DDERR_NOTFOUND);

    SDXSurface smaller;
    desc = zDesc(32, 32);
    ASSERT_EQ(smaller.CreateSurfaceDesc(&desc, &draw, 0), 1);
    EXPECT_EQ(t->AddAttachedSurface(smaller.GetSurface()), DDERR_CANNOTATTACHSURFACE);
    SDXSurface plain;
    ASSERT_EQ(plain.CreateSurface(&draw, 64, 32, 0, nullptr, 0), 1);
    EXPECT_EQ(t->AddAttachedSurface(plain.GetSurface()), DDERR_CANNOTATTACHSURFACE);
    // A z-buffer still attached when its target goes is given back with it.
    ASSERT_EQ(t->AddAttachedSurface(zbuffer.GetSurface()), DD_OK);
}

class FullScreenSurfaceTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(draw, 1, 16);
        ASSERT_EQ(primary.CreatePrimarySurface(&draw, 2, DDSCAPS_3DDEVICE), 1) << primary.GetErrorText();
        ASSERT_EQ(primary.GetBackBuffer(&back), 1) << primary.GetErrorText();
    }
    SDXDraw draw;
    SDXSurface primary{CString("Primary")};
    SDXSurface back{CString("Back")};
};

TEST_F(FullScreenSurfaceTest, TheBackBufferIsAttachedAtTheModesSize) {
    EXPECT_EQ(back.GetAttachedTo(), primary.GetSurface());
    EXPECT_EQ(back.GetOwner(), &draw);
    EXPECT_EQ(back.GetCachedWidth(), 640);
    EXPECT_EQ(back.GetCachedHeight(), 480);
    EXPECT_EQ(primary.GetPitch(), 1280);
    EXPECT_EQ(back.Restore(&draw), 1);  // restored with its primary
}

TEST_F(FullScreenSurfaceTest, FlipShowsWhatTheBackBufferHeld) {
    ASSERT_EQ(back.Clear(nullptr, 0xF800), 1);
    const uint64_t before = sys::video::headless::PresentCount();
    ASSERT_EQ(primary.Flip(), 1);
    EXPECT_EQ(sys::video::headless::PresentCount(), before + 1);
    EXPECT_EQ(PixelAt(primary.GetSurface(), 10, 10), 0xF800u);
    EXPECT_EQ(PixelAt(back.GetSurface(), 10, 10), 0u);  // the old front
    EXPECT_EQ(back.Flip(), 0);  // only the primary flips, and nothing was asked of DirectDraw
    EXPECT_EQ(back.GetLastResult(), 0);
}

TEST_F(FullScreenSurfaceTest, ReleasingTheBackBufferLeavesTheChainWhole) {
    back.Release();
    EXPECT_EQ(back.GetSurface(), nullptr);
    SDXSurface again;
    ASSERT_EQ(primary.GetBackBuffer(&again), 1);
    ASSERT_EQ(again.Clear(nullptr, 0x001F), 1);
    ASSERT_EQ(primary.Flip(), 1);
    EXPECT_EQ(PixelAt(primary.GetSurface(), 0, 0), 0x001Fu);
}

TEST_F(FullScreenSurfaceTest, ReleasingThePrimaryTakesTheBackBufferWithIt) {
    primary.Release();
    EXPECT_EQ(back.Clear(nullptr, 0x001F), 0);
    EXPECT_EQ(back.GetLastResult(), DDERR_INVALIDOBJECT);
}

TEST_F(FullScreenSurfaceTest, ReleasingTheDrawObjectLeavesSurfacesAnsweringErrors) {
    IDirectDraw4* dd = draw.GetDirectDraw();
    dd->AddRef();
    dd->AddRef();
    EXPECT_EQ(draw.Release(), 1);
    EXPECT_EQ(draw.GetDirectDraw(), nullptr);
    EXPECT_EQ(primary.Flip(), 0);
    EXPECT_EQ(primary.GetLastResult(), DDERR_INVALIDOBJECT);
    EXPECT_EQ(back.GetWidth(), 0);
    EXPECT_EQ(back.GetLastResult(), DDERR_INVALIDOBJECT);
    DDSURFACEDESC2 desc;
    EXPECT_EQ(primary.GetSurface()->Lock(nullptr, &desc, 0, nullptr), DDERR_INVALIDOBJECT);
    // Both wrappers still give their objects back without harm when they go.
}

TEST_F(FullScreenSurfaceTest, APrimaryChainNeedsExclusiveMode) {
    SDXDraw windowed;
    ASSERT_EQ(windowed.Create(GUID{}), 1);
    ASSERT_EQ(windowed.SetMode(0, nullptr), 1);
    SDXSurface chain;
    // Without exclusive mode the count of 2 asks for no flipping, which a primary cannot be.
    EXPECT_EQ(chain.CreatePrimarySurface(&windowed, 2, 0), 0);
}

}  // namespace
