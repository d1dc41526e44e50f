// The DirectDraw object wrapper, the clipper and the palette: creation and cooperative levels,
// display modes and refused depths, releasing, and the palette's colours in each display mode.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VideoTestSupport.h"
#include "dx/display/SDXClipper.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXPalette.h"
#include "dx/display/SDXSurface.h"

namespace {

using namespace sys::video;
using tarvex::test::TestImage;

class DrawObjectTest : public tarvex::test::VideoTest {};

TEST_F(DrawObjectTest, ANewObjectHoldsNothingInExclusiveMode) {
    SDXDraw draw;
    EXPECT_EQ(draw.GetDirectDraw(), nullptr);
    EXPECT_EQ(draw.GetMode(), 1);
    EXPECT_EQ(draw.GetLastResult(), 0);
    EXPECT_STREQ(draw.GetErrorText(), "");
    EXPECT_EQ(draw.SetMode(0, nullptr), 0);
    EXPECT_EQ(draw.SetDisplayMode(640, 480, 16, 0, 0), 0);
    EXPECT_EQ(draw.GetMode(), 1);  // the early failure stored nothing
}

TEST_F(DrawObjectTest, AModeOtherThanWindowedOrFullScreenIsOnlyStored) {
    SDXDraw draw;
    ASSERT_EQ(draw.Create(GUID{}), 1);
    EXPECT_EQ(draw.SetMode(5, nullptr), 1);
    EXPECT_EQ(draw.GetMode(), 5);
    EXPECT_EQ(draw.GetLastResult(), 0);
}

TEST_F(DrawObjectTest, CreateFailsQuietlyWithoutDirectDraw) {
    sys::video::headless::SetDirectDrawCreateFails(true);
    SDXDraw draw;
    EXPECT_EQ(draw.Create(GUID{}), 0);
    EXPECT_EQ(draw.GetDirectDraw(), nullptr);
    EXPECT_STREQ(draw.GetErrorText(), "");
}

TEST_F(DrawObjectTest, AnUnknownDriverIsRefused) {
    SDXDraw draw;
    GUID other;
    other.Data1 = 0x12345678;
    EXPECT_EQ(draw.Create(other), 0);
    EXPECT_EQ(draw.GetLastResult(), DDERR_INVALIDDIRECTDRAWGUID);
    EXPECT_EQ(draw.GetDriverGuid(), other);
}

TEST_F(DrawObjectTest, ASecondCreateReleasesTheFirstObject) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    SDXSurface surface;
    ASSERT_EQ(surface.CreateSurface(&draw, 4, 4, 0, nullptr, 0), 1);
    ASSERT_EQ(draw.Create(GUID{}), 1);
    EXPECT_EQ(surface.Clear(nullptr, 1), 0);
    EXPECT_EQ(surface.GetLastResult(), DDERR_INVALIDOBJECT);
    EXPECT_EQ(draw.GetMode(), 1);  // reset with the new object
}

TEST_F(DrawObjectTest, FullScreenModesNeedTheExclusiveLevel) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    EXPECT_EQ(draw.SetDisplayMode(640, 480, 16, 0, 0), 0);
    EXPECT_EQ(draw.GetLastResult(), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(draw.SetMode(1, sys::window::GetMainWindow()), 1);
    EXPECT_EQ(draw.SetDisplayMode(640, 480, 16, 0, 0), 1);
    EXPECT_EQ(draw.SetDisplayMode(1024, 768, 32, 0, 0), 1);
    EXPECT_EQ(draw.SetDisplayMode(720, 480, 16, 0, 0), 0);
    EXPECT_EQ(draw.GetLastResult(), DDERR_INVALIDMODE);
}

TEST_F(DrawObjectTest, ARefusedDepthFailsAndAnotherStillWorks) {
    sys::video::headless::RefuseDepth(32);
    SDXDraw draw;
    OpenDisplay(draw, 0);
    ASSERT_EQ(draw.SetMode(1, sys::window::GetMainWindow()), 1);
    EXPECT_EQ(draw.SetDisplayMode(640, 480, 32, 0, 0), 0);
    EXPECT_EQ(draw.GetLastResult(), DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(draw.SetDisplayMode(640, 480, 16, 0, 0), 1);
    DDSURFACEDESC2 mode;
    ASSERT_EQ(draw.GetDirectDraw()->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
}

TEST_F(DrawObjectTest, OnlyOneObjectHoldsTheExclusiveDisplay) {
    SDXDraw first;
    OpenDisplay(first, 1);
    SDXDraw second;
    ASSERT_EQ(second.Create(GUID{}), 1);
    EXPECT_EQ(second.SetMode(1, sys::window::GetMainWindow()), 0);
    EXPECT_EQ(second.GetLastResult(), DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(second.GetDirectDraw()->TestCooperativeLevel(), DDERR_EXCLUSIVEMODEALREADYSET);
    first.Release();
    EXPECT_EQ(second.SetMode(1, sys::window::GetMainWindow()), 1);
}

TEST_F(DrawObjectTest, ReleaseEndsTheObjectWhateverOthersHold) {
    SDXDraw draw;
    ASSERT_EQ(draw.Create(GUID{}), 1);
    IDirect3D3* d3d = nullptr;
    ASSERT_EQ(draw.GetDirectDraw()->QueryDirect3D(&d3d), DD_OK);
    draw.GetDirectDraw()->AddRef();
    EXPECT_EQ(draw.Release(), 1);
    EXPECT_EQ(draw.GetDirectDraw(), nullptr);
    // The Direct3D object outlives it and answers an error instead of listing devices.
    EXPECT_EQ(d3d->EnumDevices([](GUID*, const char*, const char*, D3DDEVICEDESC*, D3DDEVICEDESC*, void*) {
        return DDENUMRET_OK;
    }, nullptr), DDERR_INVALIDOBJECT);
    d3d->Release();
}

TEST_F(DrawObjectTest, TheDirect3DObjectListsNullSoftwareAndHardwareDevicesInTurn) {
    SDXDraw draw;
    ASSERT_EQ(draw.Create(GUID{}), 1);
    IDirect3D3* d3d = nullptr;
    ASSERT_EQ(draw.GetDirectDraw()->QueryDirect3D(&d3d), DD_OK);
    struct Seen {
        GUID guid;
        std::string name;
        D3DDEVICEDESC hardware;
        uint32_t softwareFlags;
    };
    std::vector<Seen> seen;
    ASSERT_EQ(d3d->EnumDevices(
                  [](GUID* guid, const char*, const char* name, D3DDEVICEDESC* hw, D3DDEVICEDESC* sw, void* ctx) {
                      static_cast<std::vector<Seen>*>(ctx)->push_back(Seen{*guid, name, *hw, sw->dwFlags});
                      return DDENUMRET_OK;
                  },
                  &seen),
              DD_OK);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].guid, IID_IDirect3DNullDevice);
    EXPECT_EQ(seen[1].guid, IID_IDirect3DRGBDevice);
    EXPECT_EQ(seen[1].hardware.dwFlags, 0u);  // a software device
    EXPECT_NE(seen[1].softwareFlags, 0u);
    EXPECT_EQ(seen[2].guid, IID_IDirect3DHALDevice);
    EXPECT_EQ(seen[2].name, "Direct3D HAL");
    const D3DDEVICEDESC& hal = seen[2].hardware;
    EXPECT_EQ(hal.dwDeviceRenderBitDepth, DDBD_16 | DDBD_32);
    EXPECT_EQ(hal.wMaxTextureBlendStages, 2);
    EXPECT_EQ(hal.wMaxSimultaneousTextures, 2);
    EXPECT_NE(hal.dpcTriCaps.dwRasterCaps & 0x100u, 0u);          // fog table
    EXPECT_NE(hal.dwTextureOpCaps & 0x10u, 0u);                   // modulate 2x
    EXPECT_NE(hal.dpcTriCaps.dwTextureFilterCaps & 0x10u, 0u);    // linear mip nearest

    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(d3d->EnumZBufferFormats(IID_IDirect3DHALDevice,
                                      [](DDPIXELFORMAT* pf, void* ctx) {
                                          static_cast<std::vector<DDPIXELFORMAT>*>(ctx)->push_back(*pf);
                                          return DDENUMRET_OK;
                                      },
                                      &formats),
              DD_OK);
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0].dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(formats[0].dwZBufferBitDepth, 16u);
    EXPECT_EQ(formats[0].dwStencilBitDepth, 0u);
    EXPECT_EQ(d3d->EnumZBufferFormats(IID_IDirect3DNullDevice, [](DDPIXELFORMAT*, void*) { return DDENUMRET_OK; },
                                      nullptr),
              DDERR_INVALIDPARAMS);
    d3d->Release();
}

TEST_F(DrawObjectTest, TheClipperNeedsItsObjects) {
    SDXClipper clipper;
    SDXDraw draw;
    EXPECT_EQ(clipper.CreateClipper(nullptr), 0);
    EXPECT_EQ(clipper.CreateClipper(&draw), 0);  // no DirectDraw object yet
    EXPECT_EQ(clipper.SetHwnd(nullptr), 0);
    ASSERT_EQ(draw.Create(GUID{}), 1);
    ASSERT_EQ(clipper.CreateClipper(&draw), 1);
    EXPECT_EQ(clipper.SetClipList(nullptr, nullptr), 0);
    EXPECT_EQ(clipper.SetClipListRects(&draw, nullptr, 1), 0);
    EXPECT_EQ(clipper.GetLastResult(), 0);
}

TEST_F(DrawObjectTest, SystemColoursFillTheFirstAndLastTenEntries) {
    SDXPalette palette;
    palette.GetEntries()[3].peFlags = 9;
    palette.SetSystemColours();
    const sys::PALETTEENTRY* e = palette.GetEntries();
    EXPECT_EQ(e[0], (sys::PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(e[3], (sys::PALETTEENTRY{128, 128, 0, 9}));  // flags left as they were
    EXPECT_EQ(e[8], (sys::PALETTEENTRY{192, 220, 192, 0}));
    EXPECT_EQ(e[9], (sys::PALETTEENTRY{166, 202, 240, 0}));
    EXPECT_EQ(e[10], (sys::PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(e[246], (sys::PALETTEENTRY{255, 251, 240, 0}));
    EXPECT_EQ(e[247], (sys::PALETTEENTRY{160, 160, 164, 0}));
    EXPECT_EQ(e[253], (sys::PALETTEENTRY{255, 0, 255, 0}));
    EXPECT_EQ(e[255], (sys::PALETTEENTRY{255, 255, 255, 0}));
}

TEST_F(DrawObjectTest, AFullScreenPaletteTakesSystemColoursOnlyWhenAsked) {
    SDXDraw draw;
    OpenDisplay(draw, 1, 8);
    TestImage image(1, 1, 0);  // entry i is (i, 255 - i, 7)
    SDXPalette plain;
    ASSERT_EQ(plain.CreatePalette(&image, &draw, 0), 1);
    EXPECT_EQ(plain.GetEntries()[0], (sys::PALETTEENTRY{0, 255, 7, 0}));
    SDXPalette system;
    ASSERT_EQ(system.CreatePalette(&image, &draw, 1), 1);
    EXPECT_EQ(system.GetEntries()[1], (sys::PALETTEENTRY{128, 0, 0, 0}));
    EXPECT_EQ(system.GetEntries()[10], (sys::PALETTEENTRY{10, 245, 7, 0}));
    ASSERT_NE(system.GetPalette(), nullptr);
    EXPECT_EQ(system.GetPalette()->Entries()[1], (sys::PALETTEENTRY{128, 0, 0, 0}));
}

TEST_F(DrawObjectTest, AWindowedPaletteLeavesTheSystemItsTwentyEntries) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    TestImage image(1, 1, 0);
    SDXPalette palette;
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 1), 1);
    const sys::PALETTEENTRY* e = palette.GetEntries();
    EXPECT_EQ(e[0], (sys::PALETTEENTRY{0, 0, 0, sys::PC_EXPLICIT}));
    EXPECT_EQ(e[9], (sys::PALETTEENTRY{9, 0, 0, sys::PC_EXPLICIT}));
    EXPECT_EQ(e[10], (sys::PALETTEENTRY{10, 245, 7, sys::PC_NOCOLLAPSE}));
    EXPECT_EQ(e[245], (sys::PALETTEENTRY{245, 10, 7, sys::PC_NOCOLLAPSE}));
    EXPECT_EQ(e[246], (sys::PALETTEENTRY{246, 0, 0, sys::PC_EXPLICIT}));
    EXPECT_EQ(e[255], (sys::PALETTEENTRY{255, 0, 0, sys::PC_EXPLICIT}));
}

TEST_F(DrawObjectTest, ThePaletteGridPaintsSixteenBySixteenBlocks) {
    SDXDraw draw;
    OpenDisplay(draw, 0);
    TestImage image(1, 1, 0);
    SDXPalette palette;
    ASSERT_EQ(palette.CreatePalette(&image, &draw, 0), 1);
    SDXSurface big;
    ASSERT_EQ(big.CreateSurface(&draw, 256, 256, DDSCAPS_SYSTEMMEMORY, &palette, 0), 1);
    ASSERT_EQ(palette.Draw(&big), 1);
    EXPECT_EQ(tarvex::test::PixelAt(big.GetSurface(), 17, 35), 33u);  // row 2, column 1
    EXPECT_EQ(tarvex::test::PixelAt(big.GetSurface(), 255, 255), 255u);
    EXPECT_EQ(tarvex::test::PixelAt(big.GetSurface(), 15, 15), 0u);
    SDXSurface small;
    ASSERT_EQ(small.CreateSurface(&draw, 16, 16, DDSCAPS_SYSTEMMEMORY, &palette, 0), 1);
    ASSERT_EQ(small.Clear(nullptr, 77), 1);
    EXPECT_EQ(palette.Draw(&small), 1);
    EXPECT_EQ(tarvex::test::PixelAt(small.GetSurface(), 15, 15), 77u);
    EXPECT_EQ(palette.Draw(nullptr), 0);
}

}  // namespace
