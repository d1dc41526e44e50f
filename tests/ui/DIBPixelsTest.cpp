// Pixel and colour access of bitmaps: addresses and rectangle copies refuse what lies outside,
// colour-table ranges and palette matching.

#include <gtest/gtest.h>

#include "sys/gdi/gdi.h"
#include "ui/SDIB.h"

namespace {

// A w x h 8-bit bitmap whose pixel at (x, y) from the top is base + y * w + x.
void Fill(SDIB& dib, int w, int h, int base) {
    ASSERT_TRUE(dib.Create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            *dib.PixelAddress(x, y) = static_cast<uint8_t>(base + y * w + x);
}

TEST(DIBPixelsTest, PixelAddressCountsRowsFromTheTopAndRefusesOutside) {
    SDIB dib;
    ASSERT_TRUE(dib.Create(5, 3));
    // Bottom-up rows padded to 8 bytes: row 0 from the top is the last one in memory.
    EXPECT_EQ(dib.PixelAddress(0, 0), dib.GetBits() + 16);
    EXPECT_EQ(dib.PixelAddress(4, 2), dib.GetBits() + 4);
    EXPECT_EQ(dib.PixelAddress(5, 0), nullptr);
    EXPECT_EQ(dib.PixelAddress(0, 3), nullptr);
    EXPECT_EQ(dib.PixelAddress(-1, 0), nullptr);
    EXPECT_EQ(dib.PixelAddress(0, -1), nullptr);
}

TEST(DIBPixelsTest, CopyKeepsDestinationUnderTransparentIndex) {
    SDIB source;
    Fill(source, 2, 2, 0);
    *source.PixelAddress(1, 0) = 249;
    SDIB dest;
    Fill(dest, 4, 3, 100);
    source.CopyRectTo(&dest, 1, 1, 2, 2, 0, 0, 249);
    EXPECT_EQ(*dest.PixelAddress(1, 1), 0);
    EXPECT_EQ(*dest.PixelAddress(2, 1), 100 + 1 * 4 + 2);  // under 249: unchanged
    EXPECT_EQ(*dest.PixelAddress(1, 2), 2);
    EXPECT_EQ(*dest.PixelAddress(2, 2), 3);
    EXPECT_EQ(*dest.PixelAddress(0, 0), 100);
    source.CopyRectTo(&dest, 1, 1, 2, 2, 0, 0, -1);
    EXPECT_EQ(*dest.PixelAddress(2, 1), 249);
}

TEST(DIBPixelsTest, CopyOutsideEitherBitmapCopiesNothing) {
    SDIB source;
    Fill(source, 2, 2, 0);
    SDIB dest;
    Fill(dest, 3, 3, 50);
    source.CopyRectTo(&dest, -1, 0, 2, 2, 0, 0, -1);
    source.CopyRectTo(&dest, 2, 0, 2, 2, 0, 0, -1);
    source.CopyRectTo(&dest, 0, 2, 2, 2, 0, 0, -1);
    source.CopyRectTo(&dest, 0, 0, 2, 2, 1, 0, -1);
    source.CopyRectTo(&dest, 0, 0, 2, 2, 0, -1, -1);
    source.CopyRectTo(&dest, 0, 0, -2, 2, 0, 0, -1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(*dest.PixelAddress(x, y), 50 + y * 3 + x);
}

TEST(DIBPixelsTest, ColourRangesPastTheTableAreRefused) {
    SDIB dib;
    sys::PALETTEENTRY entries[4] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
    EXPECT_FALSE(dib.GetPaletteEntries(0, 0, entries));
    EXPECT_EQ(entries[0], (sys::PALETTEENTRY{1, 1, 1, 1}));
    EXPECT_FALSE(dib.GetPaletteEntries(-1, 2, entries));
    EXPECT_FALSE(dib.GetPaletteEntries(254, 3, entries));
    EXPECT_FALSE(dib.GetPaletteEntries(0, 1, nullptr));
    ASSERT_TRUE(dib.GetPaletteEntries(253, 3, entries));
    EXPECT_EQ(entries[2], (sys::PALETTEENTRY{255, 255, 255, 0}));
    sys::RGBQUAD quads[2];
    EXPECT_FALSE(dib.GetColorTable(255, 2, quads));
    EXPECT_TRUE(dib.GetColorTable(255, 1, quads));
}

TEST(DIBPixelsTest, MatchPaletteMapsEightBitPixelsOnly) {
    sys::LOGPALETTE log;
    log.palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        log.palPalEntry[i] = sys::PALETTEENTRY{static_cast<uint8_t>(255 - i), 0, 0, 0};
    sys::HPALETTE palette = sys::gdi::CreatePalette(&log);
    ASSERT_NE(palette, nullptr);
    SDIB dib;
    ASSERT_TRUE(dib.Create(1, 1));
    *dib.PixelAddress(0, 0) = 200;  // grey 200: nearest red-only entry is red 200 at index 55
    ASSERT_TRUE(dib.MatchPalette(palette));
    EXPECT_EQ(*dib.PixelAddress(0, 0), 55);
    EXPECT_EQ(dib.GetPixel(0, 0), 0xC80000u);
    EXPECT_EQ(dib.GetInfo()->bmiHeader.biClrUsed, 256u);
    EXPECT_FALSE(dib.MatchPalette(nullptr));

    sys::BITMAPINFO info;
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biBitCount = 24;
    const uint8_t bits[4] = {1, 2, 3, 0};
    SDIB deep;
    ASSERT_TRUE(deep.Attach(&info, bits));
    EXPECT_FALSE(deep.MatchPalette(palette));
    EXPECT_EQ(deep.GetPixel(0, 0), 0x010203u);
    sys::gdi::DeleteObject(palette);
}

}  // namespace
