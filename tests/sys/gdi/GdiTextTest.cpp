// The GDI seam's text: the built-in font's metrics, TextOut in both background modes, and
// DrawText's layout (alignment, word breaks, line ends, "&" prefixes, clipping, measuring).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sys/gdi/gdi.h"

namespace {

using sys::gdi::kFontCellHeight;
using sys::gdi::kFontCellWidth;

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kBlue = 0x000000FF;

// A 32-bit surface with spare pixels at the end of each row, and its context.
struct Canvas {
    Canvas(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>((w + 2) * h), fill) {
        dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels.data(), w, h, (w + 2) * 4, 32));
    }
    ~Canvas() { sys::gdi::DeleteDC(dc); }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * (width + 2) + x)]; }
    std::string Row(int y, uint32_t ink) const {
        std::string row;
        for (int x = 0; x < width; ++x)
            row += At(x, y) == ink ? '#' : '.';
        return row;
    }
    std::vector<std::string> Art(uint32_t ink) const {
        std::vector<std::string> rows;
        for (int y = 0; y < height; ++y)
            rows.push_back(Row(y, ink));
        return rows;
    }
    // Whether any pixel of the rectangle has the colour.
    bool Any(const sys::RECT& r, uint32_t colour) const {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (At(x, y) == colour)
                    return true;
            }
        }
        return false;
    }

    int width;
    int height;
    std::vector<uint32_t> pixels;
    sys::HDC dc = nullptr;
};

// White ink on a transparent background.
void WhiteInk(sys::HDC dc) {
    sys::gdi::SetTextColor(dc, sys::RGB(255, 255, 255));
    sys::gdi::SetBkMode(dc, sys::TRANSPARENT);
}

sys::RECT Measure(sys::HDC dc, const char* text, sys::RECT rect, uint32_t format, int* height = nullptr) {
    const int answer = sys::gdi::DrawText(dc, text, -1, &rect, format | sys::DT_CALCRECT);
    if (height != nullptr)
        *height = answer;
    return rect;
}

}  // namespace

TEST(GdiText, ExtentsAreSixPixelsACharacterAndTenHigh) {
    Canvas canvas(4, 4, 0);
    sys::SIZE size;
    ASSERT_TRUE(sys::gdi::GetTextExtentPoint32(canvas.dc, "Hello", 5, &size));
    EXPECT_EQ(size, (sys::SIZE{30, 10}));
    ASSERT_TRUE(sys::gdi::GetTextExtentPoint32(canvas.dc, "Hello", 2, &size));
    EXPECT_EQ(size, (sys::SIZE{12, 10}));
    ASSERT_TRUE(sys::gdi::GetTextExtentPoint32(canvas.dc, "Hello world", -1, &size));
    EXPECT_EQ(size, (sys::SIZE{66, 10}));
    // An empty text is one line high; characters without a glyph still take a cell.
    ASSERT_TRUE(sys::gdi::GetTextExtentPoint32(canvas.dc, "", -1, &size));
    EXPECT_EQ(size, (sys::SIZE{0, 10}));
    ASSERT_TRUE(sys::gdi::GetTextExtentPoint32(canvas.dc, "\t\xE9", -1, &size));
    EXPECT_EQ(size, (sys::SIZE{12, 10}));
    EXPECT_EQ(kFontCellWidth, 6);
    EXPECT_EQ(kFontCellHeight, 10);

    // A font selected into the context changes nothing: there is one font.
    sys::HFONT font = sys::gdi::CreateFont(-27, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 2, "Times New Roman");
    ASSERT_NE(font, nullptr);
    const sys::HGDIOBJ old = sys::gdi::SelectObject(canvas.dc, font);
    ASSERT_NE(old, nullptr);
    ASSERT_TRUE(sys::gdi::GetTextExtentPoint32(canvas.dc, "abc", 3, &size));
    EXPECT_EQ(size, (sys::SIZE{18, 10}));
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, old), font);
    EXPECT_TRUE(sys::gdi::DeleteObject(font));

    EXPECT_FALSE(sys::gdi::GetTextExtentPoint32(canvas.dc, "abc", 3, nullptr));
    EXPECT_FALSE(sys::gdi::GetTextExtentPoint32(nullptr, "abc", 3, &size));
}

TEST(GdiText, TextOutDrawsTheGlyphInItsCell) {
    Canvas canvas(8, 11, 0);
    WhiteInk(canvas.dc);
    ASSERT_TRUE(sys::gdi::TextOut(canvas.dc, 1, 0, "I", 1));
    // The capital I: a bar on the cell's second and eighth rows, a stem between them.
    EXPECT_EQ(canvas.Art(kWhite), (std::vector<std::string>{"........", "..###...", "...#....", "...#....",
                                                            "...#....", "...#....", "...#....", "..###...",
                                                            "........", "........", "........"}));
}

TEST(GdiText, OpaqueTextFillsItsCellsWithTheBackgroundColour) {
    Canvas canvas(14, 11, 0);
    sys::gdi::SetTextColor(canvas.dc, sys::RGB(255, 255, 255));
    EXPECT_EQ(sys::gdi::SetBkColor(canvas.dc, sys::RGB(0, 0, 255)), sys::RGB(255, 255, 255));
    // Opaque is the mode of a new context.
    ASSERT_TRUE(sys::gdi::TextOut(canvas.dc, 1, 0, "I\x01", 2));
    EXPECT_EQ(canvas.Row(0, kBlue), ".############.");
    EXPECT_EQ(canvas.Row(1, kBlue), ".#...########.");
    EXPECT_EQ(canvas.Row(2, kBlue), ".##.#########.");
    EXPECT_EQ(canvas.Row(9, kBlue), ".############.");
    EXPECT_EQ(canvas.Row(10, kBlue), "..............");
    EXPECT_FALSE(canvas.Any({7, 0, 13, 10}, kWhite));  // no glyph: a blank cell

    EXPECT_EQ(sys::gdi::SetBkMode(canvas.dc, sys::TRANSPARENT), sys::OPAQUE);
    Canvas clear(8, 10, 0);
    sys::gdi::SetTextColor(clear.dc, sys::RGB(255, 255, 255));
    sys::gdi::SetBkColor(clear.dc, sys::RGB(0, 0, 255));
    sys::gdi::SetBkMode(clear.dc, sys::TRANSPARENT);
    ASSERT_TRUE(sys::gdi::TextOut(clear.dc, 0, 0, "I", -1));
    EXPECT_FALSE(clear.Any({0, 0, 8, 10}, kBlue));
}

TEST(GdiText, TextIsCutToTheSurface) {
    Canvas canvas(4, 4, 0);
    WhiteInk(canvas.dc);
    ASSERT_TRUE(sys::gdi::TextOut(canvas.dc, -2, -1, "I", 1));
    // The glyph's top bar lands on row 0 from x -1 to 1.
    EXPECT_EQ(canvas.Row(0, kWhite), "##..");
    EXPECT_EQ(canvas.Row(1, kWhite), "#...");
    EXPECT_TRUE(sys::gdi::TextOut(canvas.dc, 100000, -100000, "Far away", -1));
    EXPECT_FALSE(sys::gdi::TextOut(nullptr, 0, 0, "I", 1));
}

TEST(GdiText, TextColoursBecomeTheNearestPaletteEntry) {
    std::vector<sys::PALETTEENTRY> palette(256, sys::PALETTEENTRY{0, 0, 0, 0});
    palette[7] = {250, 10, 10, 0};
    palette[9] = {200, 200, 200, 0};
    std::vector<uint8_t> pixels(8 * 10, 0);
    sys::HDC dc = sys::gdi::CreateSurfaceDC(
        sys::gdi::DescribeSurface(pixels.data(), 8, 10, 8, sys::gdi::PixelFormat::Indexed8, palette.data()));
    ASSERT_NE(dc, nullptr);
    sys::gdi::SetTextColor(dc, sys::RGB(255, 0, 0));
    sys::gdi::SetBkColor(dc, sys::RGB(255, 255, 255));
    ASSERT_TRUE(sys::gdi::TextOut(dc, 0, 0, "I", 1));
    EXPECT_EQ(pixels[1 * 8 + 1], 7);  // ink: red is nearest to entry 7
    EXPECT_EQ(pixels[0], 9);          // background: white is nearest to entry 9
    sys::gdi::DeleteDC(dc);
}

TEST(GdiText, DrawTextAlignsEachLine) {
    Canvas canvas(20, 30, 0);
    WhiteInk(canvas.dc);
    sys::RECT rect{0, 0, 20, 12};
    EXPECT_EQ(sys::gdi::DrawText(canvas.dc, "I", -1, &rect, sys::DT_CENTER), 10);
    // Centred: the cell starts at (20 - 6) / 2 = 7, its bar at 8 to 10.
    EXPECT_EQ(canvas.Row(1, kWhite), "........###.........");

    Canvas right(20, 12, 0);
    WhiteInk(right.dc);
    sys::gdi::DrawText(right.dc, "I", -1, &rect, sys::DT_RIGHT);
    EXPECT_EQ(right.Row(1, kWhite), "...............###..");

    // Each line of a centred block is centred on its own.
    Canvas block(20, 20, 0);
    WhiteInk(block.dc);
    sys::RECT tall{0, 0, 20, 20};
    EXPECT_EQ(sys::gdi::DrawText(block.dc, "III\nI", -1, &tall, sys::DT_CENTER), 20);
    EXPECT_EQ(block.Row(1, kWhite), "..###...###...###...");
    EXPECT_EQ(block.Row(11, kWhite), "........###.........");
}

TEST(GdiText, VerticalCentringNeedsASingleLine) {
    Canvas canvas(20, 30, 0);
    WhiteInk(canvas.dc);
    sys::RECT rect{0, 0, 20, 30};
    // (30 - 10) / 2 = 10: the line's top; the answer is the text's bottom below the top.
    EXPECT_EQ(sys::gdi::DrawText(canvas.dc, "I", -1, &rect, sys::DT_VCENTER | sys::DT_SINGLELINE), 20);
    EXPECT_EQ(canvas.Row(11, kWhite), ".###................");
    EXPECT_EQ(canvas.Row(1, kWhite), "....................");

    Canvas top(20, 30, 0);
    WhiteInk(top.dc);
    EXPECT_EQ(sys::gdi::DrawText(top.dc, "I", -1, &rect, sys::DT_VCENTER), 10);
    EXPECT_EQ(top.Row(1, kWhite), ".###................");
}

TEST(GdiText, WordBreaksKeepLinesInsideTheRectangle) {
    Canvas canvas(4, 4, 0);
    int height = 0;
    // 30 pixels hold five characters: "one two" (7) does not fit, "three" (5) just does.
    EXPECT_EQ(Measure(canvas.dc, "one two three", {0, 0, 30, 100}, sys::DT_WORDBREAK, &height),
              (sys::RECT{0, 0, 30, 30}));
    EXPECT_EQ(height, 30);
    // A word wider than the rectangle stays whole on a line of its own.
    EXPECT_EQ(Measure(canvas.dc, "ab abcdefgh", {10, 20, 34, 20}, sys::DT_WORDBREAK), (sys::RECT{10, 20, 58, 40}));
    // Blanks at a break are dropped; two words that fit share a line.
    EXPECT_EQ(Measure(canvas.dc, "ab cd   ef", {0, 0, 30, 0}, sys::DT_WORDBREAK), (sys::RECT{0, 0, 30, 20}));
    // Without word breaks a line is as long as its text.
    EXPECT_EQ(Measure(canvas.dc, "one two three", {0, 0, 30, 0}, 0), (sys::RECT{0, 0, 78, 10}));
}

TEST(GdiText, LinesEndAtNewlinesUnlessSingleLine) {
    Canvas canvas(4, 4, 0);
    EXPECT_EQ(Measure(canvas.dc, "a\r\nbc", {0, 0, 0, 0}, 0), (sys::RECT{0, 0, 12, 20}));
    EXPECT_EQ(Measure(canvas.dc, "a\n\nbcd", {0, 0, 0, 0}, sys::DT_WORDBREAK), (sys::RECT{0, 0, 18, 30}));
    EXPECT_EQ(Measure(canvas.dc, "a\nb", {0, 0, 0, 0}, sys::DT_SINGLELINE), (sys::RECT{0, 0, 18, 10}));
    EXPECT_EQ(Measure(canvas.dc, "", {5, 5, 50, 50}, 0), (sys::RECT{5, 5, 5, 15}));
}

TEST(GdiText, AmpersandsUnderlineTheNextCharacter) {
    Canvas canvas(20, 10, 0);
    WhiteInk(canvas.dc);
    EXPECT_EQ(Measure(canvas.dc, "&&", {0, 0, 0, 0}, 0), (sys::RECT{0, 0, 6, 10}));
    EXPECT_EQ(Measure(canvas.dc, "&Ab", {0, 0, 0, 0}, 0), (sys::RECT{0, 0, 12, 10}));
    EXPECT_EQ(Measure(canvas.dc, "&Ab", {0, 0, 0, 0}, sys::DT_NOPREFIX), (sys::RECT{0, 0, 18, 10}));

    sys::RECT rect{0, 0, 20, 10};
    sys::gdi::DrawText(canvas.dc, "&Ab", -1, &rect, 0);
    // The underline runs along the row under the baseline, the whole cell of "A" only.
    EXPECT_EQ(canvas.Row(8, kWhite), "######..............");
}

TEST(GdiText, DrawTextIsCutToItsRectangleUnlessNoClip) {
    Canvas canvas(12, 10, 0);
    WhiteInk(canvas.dc);
    sys::RECT rect{0, 0, 4, 10};
    sys::gdi::DrawText(canvas.dc, "II", -1, &rect, 0);
    EXPECT_EQ(canvas.Row(1, kWhite), ".###........");

    Canvas free(12, 10, 0);
    WhiteInk(free.dc);
    sys::gdi::DrawText(free.dc, "II", -1, &rect, sys::DT_NOCLIP);
    EXPECT_EQ(free.Row(1, kWhite), ".###...###..");

    // Measuring draws nothing.
    Canvas measured(12, 10, 0);
    WhiteInk(measured.dc);
    sys::RECT calc{0, 0, 12, 10};
    EXPECT_EQ(sys::gdi::DrawText(measured.dc, "II", 2, &calc, sys::DT_CALCRECT), 10);
    EXPECT_FALSE(measured.Any({0, 0, 12, 10}, kWhite));

    EXPECT_EQ(sys::gdi::DrawText(canvas.dc, "II", -1, nullptr, 0), 0);
    EXPECT_EQ(sys::gdi::DrawText(nullptr, "II", -1, &rect, 0), 0);
}

TEST(GdiText, PunctuationAndLowerCaseHaveTheirOwnGlyphs) {
    Canvas canvas(12, 10, 0);
    WhiteInk(canvas.dc);
    // "-": a bar across the cell's fifth row; "g" hangs below the baseline.
    sys::gdi::TextOut(canvas.dc, 0, 0, "-g", 2);
    EXPECT_EQ(canvas.Row(4, kWhite), "#####.#...#.");
    EXPECT_EQ(canvas.Row(9, kWhite), ".......###..");
}
