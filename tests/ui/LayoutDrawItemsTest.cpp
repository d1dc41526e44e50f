// The drawing items of layout scripts: placement in groups and nested blocks, text and shapes
// cut at the block edge, colours from exact argument counts, "bstringtick" on the fake clock,
// dial and animation frames, images (centred, on a circle, clipped, tiled, looked up again
// after the display changed), and depth and font blocks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sys/time/time.h"
#include "tests/ui/LayoutTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/SFrame.h"
#include "ui/layout/SLayoutDrawItems.h"

namespace {

using tarvex::test::kBlack;
using tarvex::test::kWhite;
using tarvex::test::RecordingDC;
using tarvex::test::TestLayout;
using Strings = std::vector<std::string>;

constexpr uint32_t kRed = 0xFF0000;

class LayoutDrawItemsTest : public tarvex::test::UiDisplayTest {
protected:
    void SetUp() override {
        UiDisplayTest::SetUp();
        sys::time::SetFakeTicks(1000);
        layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    }

    Strings Draw(const char* script) {
        layout.SetScript(script);
        return Frame();
    }
    Strings Frame() {
        dc.calls.clear();
        layout.Draw(&dc);
        return dc.calls;
    }
    SLayoutItem* Item(int index) { return TestLayout::ItemAt(layout.Root(), index); }
    // A sprite of `count` frames of 4 x 4 pixels.
    static void AddFrames(SSprite& sprite, int count) {
        for (int i = 0; i < count; ++i) {
            auto* frame = new SFrame;
            frame->SetFrameRect(sys::RECT{0, 4 * i, 4, 4 * i + 4});
            sprite.InsertFrame(frame, -1);
        }
    }

    TestLayout layout;
    RecordingDC dc;
};

TEST_F(LayoutDrawItemsTest, ItemsArePlacedInTheirEnclosingBlocks) {
    // Offsets belong to the group itself: an if block inside it has none, so "d" is not shifted.
    EXPECT_EQ(Draw("group(100,50,300,250,5,7) string(\"b\",0,0)"
                   "  group(10,10,100,100) string(\"a\",1,1) endgroup"
                   "  group(3) string(\"c\",0,0) endgroup"
                   "  if(1) string(\"d\",0,0) endif "
                   "endgroup string(\"e\",2,3)"),
              (Strings{"text 105,57 b", "text 111,61 a", "text 100,50 c", "text 100,50 d", "text 2,3 e"}));
}

TEST_F(LayoutDrawItemsTest, TextIsDrawnOnlyWhollyInsideItsBlock) {
    EXPECT_EQ(Draw("group(0,0,100,100) string(\"abcde\",70,0) string(\"abcde\",71,0) string(\"a\",0,90)"
                   " string(\"a\",0,91) bstring(\"wrap me\",10,10,60,40) bstring(\"no\",10,10,60,101) endgroup"),
              (Strings{"text 70,0 abcde", "text 0,90 a", "box 10,10,60,40 wrap me wrap"}));
    dc.charWidth = 11;
    EXPECT_EQ(Draw("cstring(\"a\",100,0) rstring(\"a\",100,0) istring(\"a\",100,20) string(\"a\",1,2,nofont,3)"),
              (Strings{"text 95,0 a", "text 89,0 a", "text 95,15 a", "text 1,2 a"}));
    // Too few arguments: nothing at all.
    EXPECT_EQ(Draw("string(\"a\",1) bstring(\"a\",1,2,3)"), Strings{});
}

TEST_F(LayoutDrawItemsTest, ShapesTakeAColourOnlyFromTheExactArgumentCount) {
    Draw("rect(1,2,3,4,255,0) rect(1,2,3,4,255,0,0) rect(1,2,3,4,255,0,0,9) framerect(0,0,9,9,257,2,3)");
    EXPECT_EQ(static_cast<SLayoutItemDraw*>(Item(0))->GetColour(), 0u);
    EXPECT_EQ(static_cast<SLayoutItemDraw*>(Item(1))->GetColour(), 0x0000FFu);
    EXPECT_EQ(static_cast<SLayoutItemDraw*>(Item(2))->GetColour(), 0u);
    EXPECT_EQ(static_cast<SLayoutItemDraw*>(Item(3))->GetColour(), 0x030201u);
    EXPECT_EQ(dc.calls, (Strings{"rect 1,2,3,4", "rect 1,2,3,4", "rect 1,2,3,4", "frame 0,0,9,9"}));
}

TEST_F(LayoutDrawItemsTest, GridsAndLines) {
    EXPECT_EQ(Draw("grid(0,0,20,10,10,5)"), (Strings{"frame 0,0,20,10", "line 0,0-0,10", "line 10,0-10,10",
                                                     "line 20,0-20,10", "line 0,0-20,0", "line 0,5-20,5",
                                                     "line 0,10-20,10"}));
    // A step below one pixel draws nothing (it would never reach the far edge).
    EXPECT_EQ(Draw("grid(0,0,20,10,0,5) grid(0,0,20,10,5,-1)"), Strings{});
    // A grid far past any surface draws only its lines within 16-bit coordinates.
    const Strings huge = Draw("group(-2000000000,-2000000000,2000000000,2000000000)"
                              " grid(0,0,2100000000,2100000000,1000,1000000000) endgroup");
    ASSERT_EQ(huge.size(), 1u + 65 + 1);
    EXPECT_EQ(huge[1], "line -32000,-2000000000--32000,100000000");
    EXPECT_EQ(huge[65], "line 32000,-2000000000-32000,100000000");
    EXPECT_EQ(huge[66], "line -2000000000,0-100000000,0");
    // Lines are drawn without the inside test; other shapes are not drawn when partly out.
    EXPECT_EQ(Draw("group(10,10,20,20) line(-5,-5,50,50) rect(0,0,11,5) framerect(0,0,10,10) endgroup"),
              (Strings{"line 5,5-60,60", "frame 10,10,20,20"}));
}

TEST_F(LayoutDrawItemsTest, BStringTickRevealsFiveCharactersASecond) {
    const auto shown = [&]() {
        const Strings calls = Frame();
        return calls.empty() ? std::string("-") : calls[0].substr(std::string("box 0,0,200,100 ").size());
    };
    Draw("bstringtick(\"abcdefghij\",0,0,200,100,5,0)");
    EXPECT_EQ(dc.calls, (Strings{"box 0,0,200,100 a wrap"}));
    sys::time::AdvanceFake(399);
    EXPECT_EQ(shown(), "a wrap");
    sys::time::AdvanceFake(1);
    EXPECT_EQ(shown(), "ab wrap");
    sys::time::AdvanceFake(1599);  // 1999 ms
    EXPECT_EQ(shown(), "abcdefghi wrap");
    sys::time::AdvanceFake(1);
    EXPECT_EQ(shown(), "abcdefghij wrap");
    sys::time::AdvanceFake(5000);  // without loop the whole text stays
    EXPECT_EQ(shown(), "abcdefghij wrap");

    Draw("bstringtick(\"abc\",0,0,200,100,5,1)");
    sys::time::AdvanceFake(600);
    EXPECT_EQ(shown(), "abc wrap");
    EXPECT_EQ(shown(), "a wrap");  // looped: starts again
    // With a trailing "r" it evaluates every frame and so stays on its first character.
    Draw("bstringtickr(\"abc\",0,0,200,100,5,1)");
    sys::time::AdvanceFake(600);
    EXPECT_EQ(shown(), "a wrap");
}

TEST_F(LayoutDrawItemsTest, DialFramesFollowTheAngle) {
    EXPECT_EQ(SLayoutItemSprite::DialFrame(14, 36, 0), 1);   // 14 / 10 = 1, remainder 4 <= 5
    EXPECT_EQ(SLayoutItemSprite::DialFrame(16, 36, 0), 2);   // remainder 6 > 5
    EXPECT_EQ(SLayoutItemSprite::DialFrame(-10, 36, 0), 35);  // 350 degrees
    EXPECT_EQ(SLayoutItemSprite::DialFrame(716, 36, 0), 0);  // 356: 35 + 1 wraps to 0
    EXPECT_EQ(SLayoutItemSprite::DialFrame(350, 36, 2), 1);  // 35 + 2 = 37, lowered by 36
    EXPECT_EQ(SLayoutItemSprite::DialFrame(90, 0, 0), -1);
    EXPECT_EQ(SLayoutItemSprite::DialFrame(90, 361, 0), -1);  // a step of 0 degrees

    SSprite sprite;
    AddFrames(sprite, 36);
    layout.sprites["needle"] = &sprite;
    layout.variables["heading"] = 14;
    Draw("dial(needle,10,10,heading)");
    EXPECT_EQ(sprite.GetCurrentFrame(), 1);
    layout.variables["heading"] = 16;  // the angle is read every frame
    Frame();
    EXPECT_EQ(sprite.GetCurrentFrame(), 2);
    // Partly outside its block: not drawn, the frame stays.
    layout.variables["heading"] = 100;
    Draw("group(0,0,20,20) dial(needle,17,17,heading) endgroup");
    EXPECT_EQ(sprite.GetCurrentFrame(), 2);
}

TEST_F(LayoutDrawItemsTest, AnimationFramesFollowTheClock) {
    EXPECT_EQ(SLayoutItemSprite::AnimFrame(250, 10.0f, 5, false), 2);
    EXPECT_EQ(SLayoutItemSprite::AnimFrame(500, 10.0f, 5, false), 4);
    EXPECT_EQ(SLayoutItemSprite::AnimFrame(500, 10.0f, 5, true), 0);
    EXPECT_EQ(SLayoutItemSprite::AnimFrame(500, 10.0f, 0, true), -1);
    EXPECT_EQ(SLayoutItemSprite::AnimFrame(500, 10.0f, 0, false), -1);

    SSprite sprite;
    AddFrames(sprite, 5);
    layout.sprites["blink"] = &sprite;
    Draw("animr(blink,10,10,10,0)");
    EXPECT_EQ(sprite.GetCurrentFrame(), 0);
    sys::time::AdvanceFake(300);
    Frame();  // the trailing "r" does not restart it
    EXPECT_EQ(sprite.GetCurrentFrame(), 3);
    sys::time::AdvanceFake(200);
    Frame();
    EXPECT_EQ(sprite.GetCurrentFrame(), 4);
    sys::time::AdvanceFake(5000);
    Frame();
    EXPECT_EQ(sprite.GetCurrentFrame(), 4);
    layout.ShowAllGroups();  // Refresh restarts it
    Frame();
    EXPECT_EQ(sprite.GetCurrentFrame(), 0);
}

TEST_F(LayoutDrawItemsTest, ImagesArePlacedCentredAndOnACircle) {
    SDXSurface picture;
    MakeSurface(picture, 8, 6, kWhite);
    layout.images["pic"] = &picture;
    EXPECT_EQ(Draw("img(pic,10,20) img(pic,10,20,1) imgdial(pic,100,100,50,90) imgdial(pic,100,100,50,0)"
                   " img(lost,3,4)"),
              (Strings{"blit 10,20", "blit 6,17", "blit 150,100", "blit 100,50", "text 3,4 lost"}));
    EXPECT_EQ(picture.GetColourKey(), 0xFF00FFu);  // magenta unless exactly 7 arguments
    Draw("img(pic,0,0,0,1,2,3)");
    EXPECT_EQ(picture.GetColourKey(), 0x010203u);  // red 1, green 2, blue 3 as a 32-bit pixel
    Draw("img(pic,0,0,0,1,2,3,4)");
    EXPECT_EQ(picture.GetColourKey(), 0xFF00FFu);
}

TEST_F(LayoutDrawItemsTest, ImagesPartlyOutsideTheirBlockAreClipped) {
    SDXSurface picture;
    SDXSurface target;
    MakeSurface(picture, 8, 6, kWhite);
    MakeSurface(target, 20, 20, kBlack);
    layout.images["pic"] = &picture;
    dc.target = &target;
    EXPECT_EQ(Draw("group(0,0,12,10) img(pic,8,6) endgroup"), Strings{});  // no whole blit
    EXPECT_EQ(ReadRow(target, 6, 7, 13), (std::vector<uint32_t>{kBlack, kWhite, kWhite, kWhite, kWhite, kBlack}));
    EXPECT_EQ(ReadRow(target, 9, 8, 9), (std::vector<uint32_t>{kWhite}));
    EXPECT_EQ(ReadRow(target, 10, 8, 9), (std::vector<uint32_t>{kBlack}));
}

TEST_F(LayoutDrawItemsTest, TilesHangFromTheBottomLeftCorner) {
    SDXSurface tile;
    SDXSurface target;
    MakeSurface(tile, 4, 4, kWhite);
    for (int x = 0; x < 4; ++x)
        tarvex::test::SetPixelAt(tile.GetSurface(), x, 0, kRed);
    MakeSurface(target, 16, 16, kBlack);
    layout.images["tile"] = &tile;
    dc.target = &target;
    Draw("imgtile(tile,0,0,10,10)");
    // Rows end at y = 10, 6 and 2: the top rows of whole tiles are red at y = 6 and 2, and the
    // cut row above shows only the tile's lower part.
    std::vector<uint32_t> redRow(10, kRed);
    redRow.push_back(kBlack);
    EXPECT_EQ(ReadRow(target, 6, 0, 11), redRow);
    EXPECT_EQ(ReadRow(target, 2, 0, 1), (std::vector<uint32_t>{kRed}));
    EXPECT_EQ(ReadRow(target, 0, 0, 1), (std::vector<uint32_t>{kWhite}));
    EXPECT_EQ(ReadRow(target, 9, 9, 11), (std::vector<uint32_t>{kWhite, kBlack}));
    EXPECT_EQ(ReadRow(target, 10, 0, 1), (std::vector<uint32_t>{kBlack}));
}

TEST_F(LayoutDrawItemsTest, ImagesLookTheirSurfaceUpAgainAfterTheSurfacesWent) {
    SDXSurface before;
    SDXSurface after;
    MakeSurface(before, 8, 6, kWhite);
    MakeSurface(after, 8, 6, kWhite);
    layout.images["pic"] = &before;
    Draw("img(pic,1,1)");
    Frame();
    EXPECT_EQ(layout.imageLookups, 1);
    EXPECT_EQ(dc.blitSources.back(), &before);
    // A display change: the old surface is gone and the list holds a new one.
    layout.images["pic"] = &after;
    EXPECT_EQ(layout.ReleaseSurfaces(), 1);
    Frame();
    EXPECT_EQ(layout.imageLookups, 2);
    EXPECT_EQ(dc.blitSources.back(), &after);
}

TEST_F(LayoutDrawItemsTest, DepthAndFontBlocks) {
    layout.appWords = {"probe"};
    layout.SetDepth(3);
    Draw("depth(5) probe(0) enddepth depth(3) probe(0) enddepth");
    ASSERT_EQ(layout.appItems.size(), 2u);
    EXPECT_EQ(layout.appItems[0]->renders + layout.appItems[0]->hides, 0);  // left as it was
    EXPECT_EQ(layout.appItems[1]->renders, 1);

    SFont font;
    font.SetCharSpacing(2);
    layout.fonts["big"] = &font;
    dc.textFonts.clear();
    Draw("font(big,4) string(\"a\",0,0) endfont string(\"b\",0,0)");
    ASSERT_EQ(dc.textFonts.size(), 2u);
    EXPECT_EQ(dc.textFonts[0], &font);
    EXPECT_EQ(dc.textFonts[1], nullptr);
    EXPECT_EQ(font.GetCharSpacing(), 2);  // put back after the block
    EXPECT_EQ(dc.GetFont(), nullptr);
}

// An item of the application's own that moves the layout's window while it is drawn.
class WindowMover : public SLayoutItem {
public:
    int32_t Render(SDC*) override {
        m_pLayout->MoveWindow(sys::RECT{100, 0, 740, 480});
        return 0;
    }
};

// Each block works its rectangle out once as its draw starts and every item and inner block in it
// takes that one: 64 levels place the text 64 pixels in, and a window moved while blocks draw
// moves nothing before the next frame.
TEST_F(LayoutDrawItemsTest, ABlockWorksItsRectangleOutOnceADraw) {
    std::string script;
    for (int i = 0; i < SLayout::kMaxNesting; ++i)
        script += "group(1,1,600,400) ";
    EXPECT_EQ(Draw((script + "string(\"deep\",0,0)").c_str()), (Strings{"text 64,64 deep"}));

    struct MovingLayout : TestLayout {
        SLayoutItem* CreateAppItem(const char* pszWord) override {
            return std::string(pszWord) == "mover" ? new WindowMover : nullptr;
        }
    } moving;
    moving.MoveWindow(sys::RECT{0, 0, 640, 480});
    moving.SetScript("group(10,10,200,200) group(5,5,100,100) mover(0) string(\"b\",0,0) endgroup string(\"c\",0,0)");
    dc.calls.clear();
    moving.Draw(&dc);
    EXPECT_EQ(dc.calls, (Strings{"text 15,15 b", "text 10,10 c"}));
}

}  // namespace
