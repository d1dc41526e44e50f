// Text drawn through a font on headless surfaces: glyph cells keyed out through the cache
// surface, character spacing, direct drawing cut at the edge, alignment in a rectangle, the
// order in which the two caches drop their items, and rebuilding after a display change.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "sys/video/headless/headless_video.h"
#include "ui/SFont.h"

namespace {

using tarvex::test::kBlack;
using tarvex::test::kMagenta;
using tarvex::test::kWhite;
using Row = std::vector<uint32_t>;
constexpr uint32_t W = kWhite;
constexpr uint32_t K = kBlack;
constexpr uint32_t M = kMagenta;

class FontCacheTest : public tarvex::test::UiDisplayTest {
protected:
    void SetUp() override {
        UiDisplayTest::SetUp();
        const std::string folder = tarvex::test::MakeScratchFolder("ui");
        // Same sheet as the metric tests: 'A' has 6 ink columns, 'B' 7, in the top row.
        tarvex::test::WriteGlyphSheet(folder + "/glyphs.bmp", 16, 8, 10, [](int g) { return 1 + g % 7; });
        font.SetSheetName("glyphs.bmp");
        font.SetColumns(16);
        ASSERT_TRUE(font.Locate(folder.c_str(), &draw));
        MakeSurface(dest, 40, 20);
    }

    std::vector<std::string> Texts(const SFontCache& cache) {
        std::vector<std::string> texts;
        for (POSITION pos = cache.GetHeadPosition(); pos != nullptr;)
            texts.emplace_back(cache.GetNext(pos)->m_sText.GetString());
        return texts;
    }

    SFont font;
    SDXSurface dest;
};

TEST_F(FontCacheTest, CachedTextKeysOutTheMagentaOfItsCells) {
    font.TextOut(10, 5, "A", -1, &dest, false);
    EXPECT_EQ(ReadRow(dest, 5, 9, 17), (Row{K, W, W, W, W, W, W, K}));
    EXPECT_EQ(ReadRow(dest, 6, 9, 17), (Row(8, K)));
}

TEST_F(FontCacheTest, SpacingFollowsEveryGlyphButTheSpace) {
    font.SetCharSpacing(2);
    font.TextOut(0, 0, "AB", 2, &dest, false);
    EXPECT_EQ(ReadRow(dest, 0, 0, 18), (Row{W, W, W, W, W, W, K, K, W, W, W, W, W, W, W, K, K, K}));
    font.TextOut(0, 2, "A A", 3, &dest, false);
    // 'A' advances 6 + 2, the space 3 without spacing: the second 'A' starts at 11.
    EXPECT_EQ(ReadRow(dest, 2, 0, 18), (Row{W, W, W, W, W, W, K, K, K, K, K, W, W, W, W, W, W, K}));
}

TEST_F(FontCacheTest, DirectTextCopiesWholeCellsCutAtTheRightEdge) {
    SDXSurface narrow;
    MakeSurface(narrow, 10, 12);
    font.TextOut(0, 0, "AA", 2, &narrow, true);
    // The first cell is copied whole (magenta included); the second starts at 6 and is cut at 10.
    EXPECT_EQ(ReadRow(narrow, 0, 0, 10), (Row{W, W, W, W, W, W, W, W, W, W}));
    EXPECT_EQ(ReadRow(narrow, 1, 0, 10), (Row(10, M)));
    EXPECT_EQ(ReadRow(narrow, 11, 0, 10), (Row(10, K)));
    EXPECT_TRUE(font.GetTextOutCache().IsEmpty());
}

TEST_F(FontCacheTest, DrawTextPlacesLinesInTheRectangle) {
    sys::RECT rect{4, 2, 24, 12};
    font.DrawText("A", &rect, sys::DT_CENTER, &dest);
    // Centred: 4 + (20 - 6) / 2 = 11.
    EXPECT_EQ(ReadRow(dest, 2, 10, 18), (Row{K, W, W, W, W, W, W, K}));
    sys::RECT right{0, 12, 40, 20};
    font.DrawText("B", &right, sys::DT_RIGHT, &dest);
    EXPECT_EQ(ReadRow(dest, 12, 32, 40), (Row{K, W, W, W, W, W, W, W}));
    EXPECT_EQ(font.GetDrawTextCache().GetCount(), 2);
}

TEST_F(FontCacheTest, TheOldestItemMadeIsTheFirstToGo) {
    for (int i = 0; i <= 100; ++i)
        font.TextOut(0, 0, ("t" + std::to_string(i)).c_str(), -1, &dest, false);
    std::vector<std::string> texts = Texts(font.GetTextOutCache());
    ASSERT_EQ(texts.size(), 100u);
    EXPECT_EQ(texts.front(), "t1");
    EXPECT_EQ(texts.back(), "t100");

    font.ClearCache();
    for (int i = 0; i < 5; ++i)
        font.TextOut(0, 0, "same", -1, &dest, false);
    font.TextOut(0, 0, "other", -1, &dest, false);
    font.TextOut(0, 0, "same", -1, &dest, false);
    EXPECT_EQ(Texts(font.GetTextOutCache()), (std::vector<std::string>{"same", "other"}));
    // New spacing: a miss, and the old item stays until it is the oldest.
    font.SetCharSpacing(1);
    font.TextOut(0, 0, "same", -1, &dest, false);
    EXPECT_EQ(Texts(font.GetTextOutCache()), (std::vector<std::string>{"same", "other", "same"}));

    sys::RECT rect{0, 0, 40, 10};
    for (int i = 0; i <= 100; ++i)
        font.DrawText(("d" + std::to_string(i)).c_str(), &rect, 0, &dest);
    texts = Texts(font.GetDrawTextCache());
    ASSERT_EQ(texts.size(), 100u);
    EXPECT_EQ(texts.front(), "d1");
}

TEST_F(FontCacheTest, ReleasedSurfacesAreRebuiltForTheNewDisplay) {
    font.TextOut(0, 0, "A", -1, &dest, false);
    ASSERT_TRUE(font.ReleaseSurface());
    EXPECT_EQ(font.GetSheetSurface(), nullptr);
    EXPECT_TRUE(font.GetTextOutCache().IsEmpty());
    font.TextOut(0, 4, "A", -1, &dest, false);  // no sheet: nothing drawn
    EXPECT_EQ(ReadRow(dest, 4, 0, 6), (Row(6, K)));

    sys::video::headless::LoseAllSurfaces();
    ASSERT_TRUE(dest.Restore(&draw));
    ASSERT_TRUE(font.Restore(&draw));
    font.TextOut(0, 4, "A", -1, &dest, false);
    EXPECT_EQ(ReadRow(dest, 4, 0, 7), (Row{W, W, W, W, W, W, K}));
}

// A font the display manager was never told of finds its sheet and cached texts lost; a text
// drawn at a point, with no text laid out in a rectangle before it, still shows.
TEST_F(FontCacheTest, TextAtAPointShowsAfterTheDisplayLostItsSurfaces) {
    font.TextOut(0, 0, "A", -1, &dest, false);
    sys::video::headless::LoseAllSurfaces();
    ASSERT_TRUE(dest.Restore(&draw));
    for (int x = 0; x < 7; ++x)
        tarvex::test::SetPixelAt(dest.GetSurface(), x, 4, K);
    font.TextOut(0, 4, "A", -1, &dest, false);
    EXPECT_EQ(ReadRow(dest, 4, 0, 7), (Row{W, W, W, W, W, W, K}));
}

}  // namespace
