// Laying text out in a rectangle with a font whose widths are known: every letter 6 pixels, the
// space 3, lines 10 high. Word wrapping, words broken inside (after a separator where there is
// one), rectangles narrower than a glyph, separators, "&&", alignment and the character index of
// a laid-out column.

#include <gtest/gtest.h>

#include <string>

#include "UiTestSupport.h"
#include "ui/SFont.h"

namespace {

class FontLayoutTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string folder = tarvex::test::MakeScratchFolder("ui");
        tarvex::test::WriteGlyphSheet(folder + "/even.bmp", 16, 8, 10, [](int) { return 6; });
        font.SetSheetName("even.bmp");
        font.SetColumns(16);
        ASSERT_TRUE(font.Locate(folder.c_str(), nullptr));
    }

    std::string Line(const char* text, int width, int line) {
        char buffer[64];
        font.GetLine(text, sys::RECT{0, 0, width, 100}, line, sys::DT_WORDBREAK, buffer, sizeof buffer);
        return buffer;
    }

    sys::RECT Calc(const char* text, sys::RECT rect) {
        font.DrawText(text, &rect, sys::DT_CALCRECT | sys::DT_WORDBREAK, nullptr);
        return rect;
    }

    SFont font;
};

TEST_F(FontLayoutTest, WordsWrapAtTheRightEdge) {
    // "ab cd " is 30 wide and fits; the trailing blank is dropped from the line.
    EXPECT_EQ(Line("ab cd ef", 30, 0), "ab cd");
    EXPECT_EQ(Line("ab cd ef", 30, 1), "ef");
    EXPECT_EQ(Line("ab cd ef", 30, 2), "");
    EXPECT_EQ(Calc("ab cd ef", sys::RECT{0, 0, 30, 0}), (sys::RECT{0, 0, 27, 20}));
    // "ab cd" is 27 wide: the line breaks at the blank, which starts neither line.
    EXPECT_EQ(Line("ab cd ef", 27, 1), "ef");
    EXPECT_EQ(Line("ab-cd", 20, 0), "ab-");
    EXPECT_EQ(Line("ab\ncd", 100, 0), "ab");
    EXPECT_EQ(Line("ab\ncd", 100, 1), "cd");
    EXPECT_EQ(Line("a && b", 100, 0), "a & b");
}

TEST_F(FontLayoutTest, LongWordsAreBrokenAndNarrowRectanglesStillProgress) {
    EXPECT_EQ(Line("abcdefgh", 20, 0), "abc");
    EXPECT_EQ(Line("abcdefgh", 20, 1), "def");
    EXPECT_EQ(Line("abcdefgh", 20, 2), "gh");
    // Narrower than one glyph: one character per line, never an endless loop.
    EXPECT_EQ(Calc("abc", sys::RECT{0, 0, 2, 0}), (sys::RECT{0, 0, 6, 30}));
    EXPECT_EQ(Line("abc", -5, 2), "c");
    // The last piece of a broken word shares its line with the words after it.
    EXPECT_EQ(Line("abcdefgh ij", 33, 0), "abcde");
    EXPECT_EQ(Line("abcdefgh ij", 33, 1), "fgh ij");
    EXPECT_EQ(Line("abcdefgh ij kl", 33, 2), "kl");
    // 4,096 letters in 100 pixels: 16 letters (96 pixels) a line, 256 lines of 10.
    std::string word(4096, 'x');
    word[4095] = 'z';
    EXPECT_EQ(Calc(word.c_str(), sys::RECT{0, 0, 100, 0}), (sys::RECT{0, 0, 96, 2560}));
    EXPECT_EQ(Line(word.c_str(), 100, 255), "xxxxxxxxxxxxxxxz");
    EXPECT_EQ(Line(word.c_str(), 100, 256), "");
}

TEST_F(FontLayoutTest, APathOrAnAddressBreaksAfterASeparator) {
    // 28 letters a line: the last folder separator before the 28th wins over a later ".".
    const char* path = "maps\\Levels\\alley_High_Day.gmx";
    EXPECT_EQ(Line(path, 168, 0), "maps\\Levels\\");
    EXPECT_EQ(Line(path, 168, 1), "alley_High_Day.gmx");
    // Without one, after the last "." or ":"; a word without any is cut where it must be.
    EXPECT_EQ(Line("Server: www.example.com:8080", 60, 1), "www.");
    EXPECT_EQ(Line("Server: www.example.com:8080", 60, 2), "example.");
    EXPECT_EQ(Line("Server: www.example.com:8080", 60, 3), "com:8080");
    EXPECT_EQ(Line("abcdefgh", 20, 1), "def");
}

TEST_F(FontLayoutTest, CalcRectMeasuresWithoutDrawing) {
    EXPECT_EQ(Calc("", sys::RECT{3, 3, 40, 40}), (sys::RECT{0, 0, 0, 0}));
    // No width: 1,024 pixels are given, so the text stays on one line (8 x 6 + 3 x 3).
    EXPECT_EQ(Calc("ab cd ef gh", sys::RECT{5, 5, 5, 5}), (sys::RECT{5, 5, 5 + 57, 15}));
}

TEST_F(FontLayoutTest, LinesAreAlignedInTheirRectangle) {
    const sys::RECT rect{10, 0, 50, 30};
    auto place = [&](int n, uint32_t format) {
        CStringList words;
        font.SplitWords("ab", words);
        CString line;
        sys::SIZE size;
        int x = -1;
        int y = -1;
        EXPECT_TRUE(font.LayoutLine(n, line, words, rect, size, format, x, y));
        EXPECT_FALSE(font.LayoutLine(n + 1, line, words, rect, size, format, x, y));
        return std::pair{x, y};
    };
    EXPECT_EQ(place(0, 0), (std::pair{10, 0}));
    EXPECT_EQ(place(0, sys::DT_RIGHT), (std::pair{38, 0}));
    EXPECT_EQ(place(0, sys::DT_CENTER), (std::pair{24, 0}));
    EXPECT_EQ(place(2, 0), (std::pair{10, 20}));
    // Each line is centred on its own: (30 - (n + 1) x 10) / 2.
    EXPECT_EQ(place(0, sys::DT_VCENTER), (std::pair{10, 10}));
    EXPECT_EQ(place(1, sys::DT_VCENTER), (std::pair{10, 5}));
}

TEST_F(FontLayoutTest, SplitWordsKeepsSeparatorsAsWords) {
    CStringList words;
    font.SplitWords("ab-c d\n", words);
    std::string joined;
    for (POSITION pos = words.GetHeadPosition(); pos != nullptr;)
        joined += std::string("[") + words.GetNext(pos).GetString() + "]";
    EXPECT_EQ(joined, "[ab][-][c][ ][d][\n]");
}

TEST_F(FontLayoutTest, CharFromLineCountsFromTheStartOfTheText) {
    const sys::RECT rect{0, 0, 30, 100};
    EXPECT_EQ(font.CharFromLine("ab cd ef", rect, 0, 1, sys::DT_WORDBREAK), 1);
    EXPECT_EQ(font.CharFromLine("ab cd ef", rect, 1, 0, sys::DT_WORDBREAK), 6);
    EXPECT_EQ(font.CharFromLine("ab cd ef", rect, 1, 2, sys::DT_WORDBREAK), 8);
    EXPECT_EQ(font.CharFromLine("ab cd ef", rect, 1, 3, sys::DT_WORDBREAK), -1);
    EXPECT_EQ(font.CharFromLine("ab cd ef", rect, 2, 0, sys::DT_WORDBREAK), -1);
}

}  // namespace
