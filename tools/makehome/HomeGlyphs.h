#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tools/makehome/HomeCanvas.h"

// The 96 printable characters (32 to 127) as small ink masks, taken from the platform GDI's
// built-in bitmap font by drawing each character into a memory surface. Both the font sheets
// and the texts baked into buttons and titles are drawn from it, so every text of the demo set
// has one face. Made once by the Home generator and handed to the art builders.
class HomeGlyphs {
public:
    static constexpr int kFirst = 32;
    static constexpr int kCount = 96;
    static constexpr int kCellWidth = 6;
    static constexpr int kCellHeight = 10;

    // Renders the glyphs; character 127 has no picture in the font and stays blank.
    HomeGlyphs();

    bool Ink(char c, int x, int y) const;
    // Columns from the left edge of the cell to the last inked one (0 for a blank glyph).
    int InkWidth(char c) const;
    // Pen advance of a character at scale 1: its ink and one free column; spaces take three.
    int Advance(char c) const;
    int TextWidth(const std::string& text, int nScale) const;

private:
    static int Slot(char c);

    // One row mask per cell row, bit x set for ink in column x.
    std::array<std::array<uint8_t, kCellHeight>, kCount> m_Rows{};
};

// Draws a glyph sheet the engine's font resource reads: 16 columns and 6 rows of equal cells
// on the colour key, each glyph at nScale from one pixel inside the cell's left edge, with its
// shadow; the cell's last row stays empty. The sheet is stored with eight bits per pixel.
struct HomeFontStyle {
    int scale = 2;
    uint8_t inkR = 255, inkG = 255, inkB = 255;
    uint8_t shadowR = 0, shadowG = 0, shadowB = 0;
};
constexpr int kHomeFontColumns = 16;
int HomeFontCellWidth(int nScale);
int HomeFontCellHeight(int nScale);
// Shadow offset of text drawn at a scale: one pixel, two from scale 3 on.
int HomeShadowOffset(int nScale);
HomeCanvas MakeFontSheet(const HomeGlyphs& glyphs, const HomeFontStyle& style);
