// The glyphs taken from the GDI's built-in font and the font sheets built from them, read
// back through the engine's font resource.

#include <gtest/gtest.h>

#include <filesystem>

#include "sys/classlib/CFile.h"
#include "tests/support/ScratchFolder.h"
#include "tools/makehome/HomeGlyphs.h"
#include "ui/SDIB.h"
#include "ui/SFont.h"

namespace {

TEST(HomeGlyphsTest, GlyphsFollowTheBuiltInFont) {
    const HomeGlyphs glyphs;
    // "I" in the built-in font: a bar of three on rows 1 and 7, the stem in column 2 between.
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(glyphs.Ink('I', x, 1), x >= 1 && x <= 3) << x;
        EXPECT_EQ(glyphs.Ink('I', x, 4), x == 2) << x;
    }
    EXPECT_FALSE(glyphs.Ink('I', 2, 0));
    EXPECT_EQ(glyphs.InkWidth('I'), 4);
    EXPECT_EQ(glyphs.Advance('I'), 5);
    EXPECT_EQ(glyphs.InkWidth('W'), 5);
    EXPECT_EQ(glyphs.InkWidth(' '), 0);
    EXPECT_EQ(glyphs.Advance(' '), 3);
    EXPECT_EQ(glyphs.InkWidth('\x7F'), 0);
    // "II" at scale 2: two advances of 10, less the last free column (2), plus the shadow (1).
    EXPECT_EQ(glyphs.TextWidth("II", 2), 19);
}

TEST(HomeGlyphsTest, TheEngineFontMeasuresTheSheetAsDrawn) {
    const HomeGlyphs glyphs;
    const HomeCanvas sheet = MakeFontSheet(glyphs, HomeFontStyle{});
    // 16 cells of 20 x 22 across, 6 rows.
    EXPECT_EQ(sheet.Width(), 16 * 20);
    EXPECT_EQ(sheet.Height(), 6 * 22);
    EXPECT_EQ(sheet.ColourAt(0, 0), HomeCanvas::kKey);

    const std::string folder = tarvex::test::MakeScratchFolder("Tools");
    SDIB dib;
    sheet.ToDIB(dib, true);
    {
        CFile file((folder + "/sheet.bmp").c_str(), CFile::modeCreate | CFile::modeWrite);
        ASSERT_TRUE(dib.WriteBMP(&file));
        file.Close();
    }
    SFont font;
    font.SetSheetName("sheet.bmp");
    font.SetColumns(kHomeFontColumns);
    ASSERT_TRUE(font.Locate(folder.c_str(), nullptr));
    EXPECT_EQ(font.GetCellWidth(), 20);
    EXPECT_EQ(font.GetLineHeight(), 22);
    // "I": ink in scaled columns 3 to 8 of its cell, shadow in 9; four key columns remain.
    EXPECT_EQ(font.GetTextExtent("I", 1).cx, 10);
    // "W" is five columns wide: ink 1 to 10, shadow 11, two key columns.
    EXPECT_EQ(font.GetTextExtent("W", 1).cx, 12);
    // A space counts 0.7 of the cell (14 of 20 columns) as blank: six columns, as wide as the
    // space of the baked texts at scale 2.
    EXPECT_EQ(font.GetTextExtent(" ", 1).cx, 6);
    EXPECT_EQ(font.GetTextExtent(" ", 1).cx, glyphs.Advance(' ') * 2);
}

}  // namespace
