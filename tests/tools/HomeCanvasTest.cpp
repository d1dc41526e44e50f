// The indexed pictures of the Home generator: colour tables, storing depth, the key at 249,
// dithered ramps and the way pictures reach the engine's bitmap.

#include <gtest/gtest.h>

#include "tools/makehome/HomeCanvas.h"
#include "ui/SDIB.h"

namespace {

constexpr HomeRgb kRed{200, 0, 0};
constexpr HomeRgb kBlue{0, 0, 200};

TEST(HomeCanvasTest, FewColoursAreStoredWithFourBitsAndReadBackPixelForPixel) {
    HomeCanvas canvas(5, 3, kBlue);
    canvas.Fill(HomeRect{1, 0, 3, 2}, kRed);
    canvas.Plot(4, 2, kRed);
    canvas.Plot(9, 9, kRed);  // outside: ignored
    EXPECT_EQ(canvas.ColourCount(), 2);

    SDIB dib;
    canvas.ToDIB(dib);
    EXPECT_EQ(dib.GetBitCount(), 4);
    EXPECT_EQ(dib.GetWidth(), 5);
    EXPECT_EQ(dib.GetHeight(), 3);
    // Colour-table entries 0 and 1 are blue and red, blue in the low byte of an RGBQUAD.
    sys::RGBQUAD table[2];
    ASSERT_EQ(dib.GetColorTable(0, 2, table), 1);
    EXPECT_EQ(table[0].rgbBlue, 200);
    EXPECT_EQ(table[1].rgbRed, 200);
    // Row 0 from the top (the last row in the file) holds blue, red, red, blue, blue: the
    // packed bytes 0x01, 0x10, 0x0? for indexes 0 1 1 0 0.
    const uint8_t* top = dib.GetBits() + 2 * dib.GetStride();
    EXPECT_EQ(top[0], 0x01);
    EXPECT_EQ(top[1], 0x10);
    EXPECT_EQ(top[2] & 0xF0, 0x00);
    // Row 2 from the top ends in the red point.
    EXPECT_EQ(dib.GetBits()[2] & 0xF0, 0x10);
}

TEST(HomeCanvasTest, ManyColoursOrTheForcedDepthUseEightBits) {
    HomeCanvas canvas(20, 1, kBlue);
    for (int x = 0; x < 20; ++x)
        canvas.Plot(x, 0, HomeRgb{static_cast<uint8_t>(x * 10), 0, 0});
    EXPECT_EQ(canvas.ColourCount(), 21);
    SDIB dib;
    canvas.ToDIB(dib);
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(dib.GetPixel(3, 0), 30u << 16);

    HomeCanvas small(2, 2, kBlue);
    SDIB forced;
    small.ToDIB(forced, true);
    EXPECT_EQ(forced.GetBitCount(), 8);
}

TEST(HomeCanvasTest, TheReservedKeyLandsAtIndex249WhateverIsDrawnFirst) {
    HomeCanvas canvas(300, 1, HomeCanvas::kKey, true);
    // More than 249 other colours: the table must step over the key's entry.
    for (int x = 0; x < 252; ++x)
        canvas.Plot(x, 0, HomeRgb{static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), 7});
    EXPECT_EQ(canvas.IndexAt(299, 0), HomeCanvas::kKeyIndex);
    EXPECT_NE(canvas.IndexAt(249, 0), HomeCanvas::kKeyIndex);
    EXPECT_EQ(canvas.ColourAt(249, 0), (HomeRgb{249, 0, 7}));

    SDIB dib;
    canvas.ToDIB(dib);
    EXPECT_EQ(dib.GetBitCount(), 8);
    dib.SetTransparentIndex(249);
    EXPECT_EQ(dib.GetTransparentColor(), 0xFF00FFu);
}

TEST(HomeCanvasTest, TheKeyReachesIndex249AlsoInASmallTable) {
    HomeCanvas canvas(4, 1, kBlue, true);
    canvas.Plot(0, 0, HomeCanvas::kKey);
    EXPECT_EQ(canvas.IndexAt(0, 0), 249);
    SDIB dib;
    canvas.ToDIB(dib);
    EXPECT_EQ(dib.GetPixel(0, 0), 0xFF00FFu);
}

TEST(HomeCanvasTest, ARampStartsAndEndsAtItsColoursAndUsesOnlyItsLevels) {
    HomeCanvas canvas(8, 31, kRed);
    canvas.Gradient(HomeRect{0, 0, 8, 31}, HomeRgb{0, 0, 0}, HomeRgb{0, 0, 240}, 4);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(canvas.ColourAt(x, 0), (HomeRgb{0, 0, 0}));
        EXPECT_EQ(canvas.ColourAt(x, 30), (HomeRgb{0, 0, 240}));
    }
    // Red, then the four levels 0, 80, 160, 240.
    EXPECT_EQ(canvas.ColourCount(), 5);
    // Halfway between two levels, the dither mixes both in one 4 x 4 tile.
    int nHigher = 0;
    for (int y = 12; y < 16; ++y)
        for (int x = 0; x < 4; ++x)
            nHigher += canvas.ColourAt(x, y).b > 80 ? 1 : 0;
    EXPECT_GT(nHigher, 0);
    EXPECT_LT(nHigher, 16);
}

TEST(HomeCanvasTest, TooManyColoursAreRefused) {
    HomeCanvas canvas(1, 1, kBlue);
    for (int i = 0; i < 255; ++i)
        canvas.Index(HomeRgb{static_cast<uint8_t>(i), 1, 1});
    EXPECT_THROW(canvas.Index(HomeRgb{1, 2, 3}), std::length_error);
}

}  // namespace
