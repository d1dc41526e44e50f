// Sprites on headless surfaces, pixel for pixel: frames packed one below the other, shared
// frames, hot spots, colour keys, clipping, doubled frames, frame list edits, 8-bit sprites and
// surfaces restored after the display was lost.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "sys/video/headless/headless_video.h"
#include "ui/SSprite.h"

namespace {

using tarvex::test::kBlack;
using tarvex::test::kWhite;
using Row = std::vector<uint32_t>;
constexpr uint32_t K = kBlack;  // what shows through a keyed-out pixel
constexpr uint32_t W = kWhite;
constexpr uint32_t R = 0xFF0000;
constexpr uint32_t G = 0x00FF00;
constexpr uint32_t B = 0x0000FF;

class SpriteTest : public tarvex::test::UiDisplayTest {
protected:
    void SetUp() override {
        UiDisplayTest::SetUp();
        folder = tarvex::test::MakeScratchFolder("ui");
        // Indexes: 0 magenta (transparent), 1 white, 2 red, 3 green, 4 blue.
        tarvex::test::WriteIndexedBmp(folder + "/a.bmp", 4, 3, {1, 2, 0, 3, 2, 2, 2, 2, 4, 0, 0, 4});
        tarvex::test::WriteIndexedBmp(folder + "/b.bmp", 2, 2, {3, 3, 3, 4});
        tarvex::test::WriteIndexedBmp(folder + "/c_lo.bmp", 2, 2, {1, 2, 3, 4});
        MakeSurface(dest, 8, 6);
    }

    SFrame* NewFrame(const char* file, int width, int height, int hotX = 0, int hotY = 0) {
        auto* frame = new SFrame;
        frame->SetFileName(file);
        frame->SetFrameRect(sys::RECT{0, 0, width, height});
        frame->SetHotSpot(hotX, hotY);
        return frame;
    }

    // Frames a (4 x 3, hot spot 1, 1), b (2 x 2) and a again, loaded from the scratch folder.
    void MakeThreeFrames() {
        ASSERT_EQ(sprite.InsertFrame(NewFrame("a.bmp", 4, 3, 1, 1), -1), 1);
        ASSERT_EQ(sprite.InsertFrame(NewFrame("b.bmp", 2, 2), -1), 1);
        ASSERT_EQ(sprite.InsertFrame(NewFrame("a.bmp", 4, 3), -1), 1);
        ASSERT_TRUE(sprite.LoadFromFile(folder.c_str(), reinterpret_cast<uintptr_t>(&draw)));
    }

    std::string folder;
    SDXSurface dest;
    SSprite sprite;
};

TEST_F(SpriteTest, FramesArePackedOneBelowTheOtherAndSharedOnce) {
    MakeThreeFrames();
    EXPECT_EQ(sprite.GetWidthSum(), 4u);
    EXPECT_EQ(sprite.GetHeightSum(), 8u);
    ASSERT_NE(sprite.GetSurface(), nullptr);
    EXPECT_EQ(sprite.GetSurface()->GetWidth(), 4);
    EXPECT_EQ(sprite.GetSurface()->GetHeight(), 5);
    EXPECT_EQ(sprite.GetFrame(1)->GetFrameRect(), (sys::RECT{0, 3, 2, 5}));
    // The shared frame takes over everything of the first one, its hot spot included.
    EXPECT_EQ(sprite.GetFrame(2)->GetFrameRect(), (sys::RECT{0, 0, 4, 3}));
    EXPECT_EQ(sprite.GetFrame(2)->GetHotSpot(), (sys::POINT{1, 1}));
    EXPECT_EQ(ReadRow(*sprite.GetSurface(), 3, 0, 2), (Row{G, G}));
    EXPECT_EQ(ReadRow(*sprite.GetSurface(), 4, 0, 2), (Row{G, B}));
}

// The catalog's first search folder is the empty working directory: the picture beside the
// catalog must be found there, not at the root of the disk.
TEST_F(SpriteTest, AnEmptySearchFolderIsTheWorkingDirectory) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    ASSERT_EQ(sprite.InsertFrame(NewFrame("b.bmp", 2, 2), -1), 1);
    CStringArray folders;
    folders.Add(CString(""));
    const bool loaded = sprite.LoadFromMemory(&folders, reinterpret_cast<uintptr_t>(&draw));
    std::filesystem::current_path(before);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(ReadRow(*sprite.GetSurface(), 1, 0, 2), (Row{G, B}));
}

TEST_F(SpriteTest, DrawingSubtractsTheHotSpotKeysOutMagentaAndClips) {
    MakeThreeFrames();
    ASSERT_EQ(sprite.DrawAt(&dest, 3, 2), 1);
    EXPECT_EQ(ReadRow(dest, 1, 1, 7), (Row{K, W, R, K, G, K}));
    EXPECT_EQ(ReadRow(dest, 3, 1, 7), (Row{K, B, K, K, B, K}));

    SDXSurface clipped;
    MakeSurface(clipped, 8, 6);
    ASSERT_EQ(sprite.DrawAt(&clipped, 0, 0), 1);  // top-left corner cut off by one pixel
    EXPECT_EQ(ReadRow(clipped, 0, 0, 4), (Row{R, R, R, K}));
    EXPECT_EQ(ReadRow(clipped, 1, 0, 4), (Row{K, K, B, K}));
    EXPECT_EQ(sprite.DrawAt(&clipped, 100, 100), 0);
    EXPECT_EQ(sprite.DrawAt(&clipped, -3, 0), 0);

    SDXSurface inView;
    MakeSurface(inView, 8, 6);
    sprite.SetPosition(3, 2);
    const sys::RECT view{0, 0, 4, 8};
    ASSERT_EQ(sprite.DrawClipped(&inView, &view), 1);
    EXPECT_EQ(ReadRow(inView, 1, 1, 7), (Row{K, W, R, K, K, K}));
}

TEST_F(SpriteTest, PartsAndRectanglesStretchToTheDestination) {
    MakeThreeFrames();
    sprite.SetCurrentFrame(1);
    sys::RECT part{0, 0, 2, 1};
    ASSERT_EQ(sprite.DrawPart(&dest, sys::RECT{0, 0, 4, 2}, &part), 1);
    EXPECT_EQ(part, (sys::RECT{0, 3, 2, 4}));  // moved onto the frame's place in the surface
    EXPECT_EQ(ReadRow(dest, 1, 0, 5), (Row{G, G, G, G, K}));
    ASSERT_EQ(sprite.DrawInRect(&dest, sys::RECT{4, 2, 8, 6}), 1);
    EXPECT_EQ(ReadRow(dest, 5, 3, 8), (Row{K, G, G, B, B}));
}

TEST_F(SpriteTest, DoubledFramesReserveHalfAndDrawTwiceTheSize) {
    sprite.SetDoubleSize(1);
    SFrame* frame = NewFrame("C.BMP", 4, 4);
    frame->SetSuffix("_lo");
    sprite.InsertFrame(frame, -1);
    ASSERT_TRUE(sprite.LoadFromFile(folder.c_str(), reinterpret_cast<uintptr_t>(&draw)));
    EXPECT_EQ(frame->GetFrameRect(), (sys::RECT{0, 0, 2, 2}));
    EXPECT_EQ(frame->GetWidth(), 4);
    EXPECT_EQ(sprite.GetSurface()->GetWidth(), 2);

    ASSERT_EQ(sprite.DrawAt(&dest, 0, 0), 1);
    EXPECT_EQ(ReadRow(dest, 0, 0, 5), (Row{W, W, R, R, K}));
    EXPECT_EQ(ReadRow(dest, 3, 0, 5), (Row{G, G, B, B, K}));
    // Two destination pixels cut off move the source by one.
    SDXSurface clipped;
    MakeSurface(clipped, 8, 6);
    ASSERT_EQ(sprite.DrawAt(&clipped, -2, 0), 1);
    EXPECT_EQ(ReadRow(clipped, 0, 0, 3), (Row{R, R, K}));

    // A redraw after the display came back keeps the layout.
    ASSERT_EQ(sprite.RebuildSurface(&draw), 1);
    EXPECT_EQ(frame->GetFrameRect(), (sys::RECT{0, 0, 2, 2}));
}

TEST_F(SpriteTest, ClippingReadsTheDoubleSizeWordAsAFlag) {
    // Four destination pixels cut off on the left move the source by four, or by two when doubled.
    const struct {
        int32_t word;
        int moved;
    } cases[] = {{0, 4}, {1, 2}, {2, 2}, {-1, 2}, {0x40000000, 2}};
    for (const auto& c : cases) {
        sprite.SetDoubleSize(c.word);
        sys::RECT dest{-4, 0, 4, 2};
        sys::RECT source{0, 0, 8, 2};
        const sys::RECT clip{0, 0, 10, 10};
        ASSERT_EQ(sprite.ClipRects(&dest, &source, &clip), 1);
        EXPECT_EQ(source.left, c.moved) << c.word;
        EXPECT_EQ(dest.left, 0);
    }
}

TEST_F(SpriteTest, FrameListEditsReportIndexesThatNameNoFrame) {
    MakeThreeFrames();
    SFrame* first = sprite.GetFrame(0);
    SFrame* second = sprite.GetFrame(1);
    EXPECT_EQ(sprite.RemoveFrame(-1), 0);
    EXPECT_EQ(sprite.RemoveFrame(3), 0);
    EXPECT_EQ(sprite.GetFrameCount(), 3);
    // A refused frame stays its caller's.
    const std::unique_ptr<SFrame> stray(NewFrame("x.bmp", 1, 1));
    EXPECT_EQ(sprite.InsertFrame(stray.get(), 7), 0);
    EXPECT_EQ(sprite.RemoveFrame(2), 1);
    EXPECT_EQ(sprite.GetHeightSum(), 5u);
    // A move to an index that names no frame leaves the frame where it was.
    EXPECT_EQ(sprite.MoveFrame(0, 5), 0);
    EXPECT_EQ(sprite.GetFrame(0), first);
    EXPECT_EQ(sprite.GetFrameCount(), 2);
    EXPECT_EQ(sprite.MoveFrame(1, 0), 1);
    EXPECT_EQ(sprite.GetFrame(0), second);
    EXPECT_EQ(sprite.GetFrame(1), first);
}

TEST_F(SpriteTest, EmptySpritesHaveEmptyRectanglesAndNoSurface) {
    EXPECT_EQ(sprite.GetDrawRect(), sys::RECT{});
    EXPECT_EQ(sprite.GetFrameRect(), sys::RECT{});
    EXPECT_EQ(sprite.CreateSurface(&draw), 0);
    EXPECT_EQ(sprite.IsLoaded(), 0);
    EXPECT_EQ(sprite.DrawAt(&dest, 0, 0), 0);

    MakeThreeFrames();
    sprite.SetPosition(3, 2);
    EXPECT_EQ(sprite.GetFrameRect(), sys::RECT{});
    sprite.GetFrame(0)->SetRegionRect(sys::RECT{1, 1, 3, 2});
    EXPECT_EQ(sprite.GetDrawRect(), (sys::RECT{2, 1, 6, 4}));
    EXPECT_EQ(sprite.GetFrameRect(), (sys::RECT{3, 2, 5, 3}));
}

TEST_F(SpriteTest, LostSurfacesAreRestoredAndRedrawn) {
    MakeThreeFrames();
    sys::video::headless::LoseAllSurfaces();
    ASSERT_EQ(sprite.RestoreSurfaces(&draw), 1);
    EXPECT_EQ(ReadRow(*sprite.GetSurface(), 4, 0, 2), (Row{G, B}));
    EXPECT_EQ(sprite.DropSurface(), 1);
    EXPECT_EQ(sprite.GetSurface(), nullptr);
    EXPECT_EQ(sprite.RestoreSurfaces(&draw), 0);
    ASSERT_EQ(sprite.RebuildSurface(&draw), 1);
    EXPECT_EQ(ReadRow(*sprite.GetSurface(), 0, 0, 4), (Row{W, R, tarvex::test::kMagenta, G}));
}

TEST_F(SpriteTest, EightBitSpritesTakeThePaletteOfTheirLastFrame) {
    sprite.Set8Bit(true);
    sprite.SetDirectory(folder.c_str());
    sprite.InsertFrame(NewFrame("a.bmp", 4, 3), -1);
    sprite.InsertFrame(NewFrame("b.bmp", 2, 2), -1);
    ASSERT_EQ(sprite.CreateSurface(&draw), 1);
    sys::video::DDPIXELFORMAT format;
    ASSERT_EQ(sprite.GetSurface()->GetSurface()->GetPixelFormat(&format), sys::video::DD_OK);
    EXPECT_EQ(format.dwRGBBitCount, 8u);
    sys::video::IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(sprite.GetSurface()->GetSurface()->GetPalette(&palette), sys::video::DD_OK);
    palette->Release();

    sprite.SetDirectory((folder + "/missing").c_str());
    EXPECT_EQ(sprite.CreateSurface(&draw), 0);
    EXPECT_EQ(sprite.GetSurface(), nullptr);
}

}  // namespace
