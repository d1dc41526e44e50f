// Blits between surfaces against pixels worked out by hand: whole copies, stretching both ways,
// source colour keys in 565, 555 and 888, mirroring, clipping by a clip list, overlapping copies
// within one surface, and the refusals.

#include <gtest/gtest.h>

#include <vector>

#include "VideoTestSupport.h"
#include "dx/display/SDXClipper.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"

namespace {

using namespace sys::video;
using tarvex::test::Format555;
using tarvex::test::Format565;
using tarvex::test::Format888;
using tarvex::test::OffscreenDesc;
using tarvex::test::ReadPicture;
using tarvex::test::WritePicture;
using Picture = std::vector<uint32_t>;

constexpr uint32_t A = 0x1111;
constexpr uint32_t B = 0x2222;
constexpr uint32_t C = 0x3333;
constexpr uint32_t D = 0x4444;
constexpr uint32_t K = 0xF81F;  // magenta in 565
constexpr uint32_t Z = 0x0000;

class BlitTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(draw, 0);
    }

    // A 16-bit 565 surface holding a picture.
    void Make(SDXSurface& surface, int width, int height, const Picture& picture = {},
              const DDPIXELFORMAT& pf = Format565()) {
        DDSURFACEDESC2 desc = OffscreenDesc(width, height, pf);
        ASSERT_EQ(surface.CreateSurfaceDesc(&desc, &draw, 0), 1) << surface.GetErrorText();
        if (!picture.empty()) {
            WritePicture(surface.GetSurface(), width, picture);
        }
    }

    SDXDraw draw;
};

TEST_F(BlitTest, NullRectanglesCopyTheWholeSourceToTheOrigin) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2, {A, B, C, D});
    Make(dest, 2, 2);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 1) << dest.GetErrorText();
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 2), (Picture{A, B, C, D}));
}

TEST_F(BlitTest, NullRectanglesStretchToTheWholeDestination) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2, {A, B, C, D});
    Make(dest, 4, 4);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 4, 4), (Picture{A, A, B, B,  //
                                                             A, A, B, B,  //
                                                             C, C, D, D,  //
                                                             C, C, D, D}));
}

TEST_F(BlitTest, ShrinkingTakesEveryOtherPixelFromTheLeft) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 4, 1, {A, B, C, D});
    Make(dest, 2, 1);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 1), (Picture{A, C}));
}

TEST_F(BlitTest, RectanglesPickThePartAndThePlace) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 3, 2, {A, B, C,  //
                        D, A, B});
    Make(dest, 3, 3);
    const sys::RECT from{1, 0, 3, 2};
    const sys::RECT to{1, 1, 3, 3};
    ASSERT_EQ(dest.Blt(&source, &to, &from, 0, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 3, 3), (Picture{Z, Z, Z,  //
                                                             Z, B, C,  //
                                                             Z, A, B}));
}

TEST_F(BlitTest, TheSourceColourKeyLeavesTheDestinationShowingThrough) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2, {K, A, B, K});
    Make(dest, 2, 2, {C, C, C, C});
    ASSERT_EQ(source.SetTransparentColor(0x00FF00FF), 1);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 1, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 2), (Picture{C, A, B, C}));
    // Without the key flag the magenta pixels are copied like any other.
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 2), (Picture{K, A, B, K}));
}

TEST_F(BlitTest, KeyedStretchLeavesOutEveryCopyOfAKeyedPixel) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 1, {K, A});
    Make(dest, 4, 2, {D, D, D, D, D, D, D, D});
    ASSERT_EQ(source.SetTransparentColor(0x00FF00FF), 1);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 1, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 4, 2), (Picture{D, D, A, A, D, D, A, A}));
}

TEST_F(BlitTest, KeysWorkIn555And888Too) {
    {
        SDXSurface source;
        SDXSurface dest;
        Make(source, 2, 1, {0x7C1F, 0x03E0}, Format555());
        Make(dest, 2, 1, {0x001F, 0x001F}, Format555());
        ASSERT_EQ(source.SetTransparentColor(0x00FF00FF), 1);
        ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 1, 0, 0), 1);
        EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 1), (Picture{0x001F, 0x03E0}));
    }
    {
        SDXSurface source;
        SDXSurface dest;
        Make(source, 2, 1, {0xFF00FF, 0x123456}, Format888());
        Make(dest, 2, 1, {0x000001, 0x000001}, Format888());
        ASSERT_EQ(source.SetTransparentColor(0x00FF00FF), 1);
        ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 1, 0, 0), 1);
        EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 1), (Picture{0x000001, 0x123456}));
    }
}

TEST_F(BlitTest, MirrorFlagsTurnThePictureOver) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2, {A, B, C, D});
    Make(dest, 2, 2);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 1, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 2), (Picture{B, A, D, C}));
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 1), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 2), (Picture{C, D, A, B}));
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 1, 1), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 2, 2), (Picture{D, C, B, A}));
}

TEST_F(BlitTest, WithoutAClipperTheDestinationMustLieInsideTheSurface) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2, {A, B, C, D});
    Make(dest, 3, 3);
    const sys::RECT outside{2, 2, 4, 4};
    EXPECT_EQ(dest.Blt(&source, &outside, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(dest.GetLastResult(), DDERR_INVALIDRECT);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 3, 3), Picture(9, Z));
    const sys::RECT badSource{1, 1, 3, 3};
    EXPECT_EQ(dest.Blt(&source, nullptr, &badSource, 0, 0, 0), 0);
    EXPECT_EQ(dest.GetLastResult(), DDERR_INVALIDRECT);
}

TEST_F(BlitTest, TheBackBufferClipperCutsWhatFallsOffTheSurface) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 2, {A, B, C, D});
    Make(dest, 3, 3);
    SDXClipper clipper;
    ASSERT_EQ(clipper.CreateClipper(&draw), 1);
    ASSERT_EQ(clipper.SetClipList(&dest, nullptr), 1);
    ASSERT_EQ(dest.SetClipper(&clipper), 1);
    const sys::RECT hanging{2, 2, 4, 4};
    ASSERT_EQ(dest.Blt(&source, &hanging, nullptr, 0, 0, 0), 1) << dest.GetErrorText();
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 3, 3), (Picture{Z, Z, Z, Z, Z, Z, Z, Z, A}));
    // Hanging off the top left, the part shown is the source's bottom right.
    const sys::RECT before{-1, -1, 1, 1};
    ASSERT_EQ(dest.Blt(&source, &before, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(tarvex::test::PixelAt(dest.GetSurface(), 0, 0), D);
    ASSERT_EQ(dest.RemoveClipper(), 1);
    EXPECT_EQ(dest.Blt(&source, &hanging, nullptr, 0, 0, 0), 0);
}

TEST_F(BlitTest, AClipListLetsOnlyItsRectanglesBeDrawn) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 4, 1, {A, A, A, A});
    Make(dest, 4, 1);
    SDXClipper clipper;
    ASSERT_EQ(clipper.CreateClipper(&draw), 1);
    const sys::RECT rects[] = {{0, 0, 1, 1}, {2, 0, 3, 1}};
    EXPECT_EQ(clipper.SetClipListRects(nullptr, rects, 2), 0);
    ASSERT_EQ(clipper.SetClipListRects(&dest, rects, 2), 1);
    ASSERT_EQ(dest.SetClipper(&clipper), 1);
    ASSERT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 1);
    EXPECT_EQ(ReadPicture(dest.GetSurface(), 4, 1), (Picture{A, Z, A, Z}));
}

TEST_F(BlitTest, AnOverlappingCopyWithinOneSurfaceReadsTheOldPixels) {
    SDXSurface surface;
    Make(surface, 4, 1, {A, B, C, D});
    const sys::RECT from{0, 0, 3, 1};
    const sys::RECT to{1, 0, 4, 1};
    ASSERT_EQ(surface.Blt(&surface, &to, &from, 0, 0, 0), 1);
    EXPECT_EQ(ReadPicture(surface.GetSurface(), 4, 1), (Picture{A, A, B, C}));
}

TEST_F(BlitTest, SurfacesOfDifferentFormatsAreNotMixed) {
    SDXSurface source;
    SDXSurface dest;
    Make(source, 2, 1, {A, B});
    Make(dest, 2, 1, {}, Format888());
    EXPECT_EQ(dest.Blt(&source, nullptr, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(dest.GetLastResult(), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(BlitTest, ABlitNeedsBothSurfaces) {
    SDXSurface dest;
    SDXSurface empty;
    Make(dest, 2, 1);
    EXPECT_EQ(dest.Blt(nullptr, nullptr, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(dest.Blt(&empty, nullptr, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(empty.Blt(&dest, nullptr, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(dest.GetLastResult(), 0);  // nothing was asked of DirectDraw
}

}  // namespace
