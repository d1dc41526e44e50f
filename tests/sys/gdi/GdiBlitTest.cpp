// The GDI seam's copies: scaled and mirrored copies between contexts, device-independent
// bitmaps of 1, 4, 8, 16 and 24 bits drawn into contexts, copies to and from 8-bit palettised
// surfaces, and 8-bit bitmaps read back.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "sys/gdi/gdi.h"

namespace {

// A 32-bit surface with one spare pixel at the end of each row, and its context.
struct Canvas {
    Canvas(int w, int h, uint32_t fill = 0) : width(w), pixels(static_cast<size_t>((w + 1) * h), fill) {
        dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels.data(), w, h, (w + 1) * 4, 32));
    }
    ~Canvas() { sys::gdi::DeleteDC(dc); }
    uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y * (width + 1) + x)]; }
    std::vector<uint32_t> Row(int y) {
        std::vector<uint32_t> row;
        for (int x = 0; x < width; ++x)
            row.push_back(At(x, y));
        return row;
    }

    int width;
    std::vector<uint32_t> pixels;
    sys::HDC dc = nullptr;
};

// An 8-bit surface with its own palette and context.
struct Indexed {
    Indexed(int w, int h, uint8_t fill = 0) : width(w), pixels(static_cast<size_t>((w + 3) * h), fill), palette(256) {}
    void Open() {
        dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels.data(), width,
                                                                 static_cast<int>(pixels.size()) / (width + 3),
                                                                 width + 3, sys::gdi::PixelFormat::Indexed8,
                                                                 palette.data()));
    }
    ~Indexed() { sys::gdi::DeleteDC(dc); }
    uint8_t& At(int x, int y) { return pixels[static_cast<size_t>(y * (width + 3) + x)]; }

    int width;
    std::vector<uint8_t> pixels;
    std::vector<sys::PALETTEENTRY> palette;
    sys::HDC dc = nullptr;
};

sys::BITMAPINFO Header(int width, int height, uint16_t bitCount) {
    sys::BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = bitCount;
    return info;
}

using Pixels = std::vector<uint32_t>;

}  // namespace

TEST(GdiBlit, StretchBltTakesTheNearestSourcePixel) {
    Canvas source(2, 2);
    source.At(0, 0) = 0x11;
    source.At(1, 0) = 0x22;
    source.At(0, 1) = 0x33;
    source.At(1, 1) = 0x44;
    Canvas big(4, 4);
    ASSERT_TRUE(sys::gdi::StretchBlt(big.dc, 0, 0, 4, 4, source.dc, 0, 0, 2, 2, sys::SRCCOPY));
    EXPECT_EQ(big.Row(0), (Pixels{0x11, 0x11, 0x22, 0x22}));
    EXPECT_EQ(big.Row(1), (Pixels{0x11, 0x11, 0x22, 0x22}));
    EXPECT_EQ(big.Row(3), (Pixels{0x33, 0x33, 0x44, 0x44}));

    // Six pixels into two: the centres 1.5 and 4.5 fall on source pixels 1 and 4.
    Canvas line(6, 1);
    for (int x = 0; x < 6; ++x)
        line.At(x, 0) = static_cast<uint32_t>(x + 1);
    Canvas small(2, 1);
    ASSERT_TRUE(sys::gdi::StretchBlt(small.dc, 0, 0, 2, 1, line.dc, 0, 0, 6, 1, sys::SRCCOPY));
    EXPECT_EQ(small.Row(0), (Pixels{2, 5}));
    EXPECT_EQ(small.At(2, 0), 0u);  // the spare pixel past the row
}

TEST(GdiBlit, StretchBltMirrorsWhenOneSideIsNegative) {
    Canvas source(3, 1);
    source.At(0, 0) = 1;
    source.At(1, 0) = 2;
    source.At(2, 0) = 3;
    Canvas target(3, 1);
    // The destination (3, 0) with width -3 covers columns 0 to 2, right to left.
    ASSERT_TRUE(sys::gdi::StretchBlt(target.dc, 3, 0, -3, 1, source.dc, 0, 0, 3, 1, sys::SRCCOPY));
    EXPECT_EQ(target.Row(0), (Pixels{3, 2, 1}));
    ASSERT_TRUE(sys::gdi::StretchBlt(target.dc, 0, 0, 3, 1, source.dc, 3, 0, -3, 1, sys::SRCCOPY));
    EXPECT_EQ(target.Row(0), (Pixels{3, 2, 1}));
    // Both sides negative: no mirror.
    ASSERT_TRUE(sys::gdi::StretchBlt(target.dc, 3, 0, -3, 1, source.dc, 3, 0, -3, 1, sys::SRCCOPY));
    EXPECT_EQ(target.Row(0), (Pixels{1, 2, 3}));
}

TEST(GdiBlit, StretchBltLeavesOutWhatLiesOutsideEitherSurface) {
    Canvas source(2, 1);
    source.At(0, 0) = 7;
    source.At(1, 0) = 8;
    Canvas target(4, 1, 9);
    // Source columns -1 to 2: only 0 and 1 exist; destination column -1 does not.
    ASSERT_TRUE(sys::gdi::StretchBlt(target.dc, -1, 0, 4, 1, source.dc, -1, 0, 4, 1, sys::SRCCOPY));
    EXPECT_EQ(target.Row(0), (Pixels{7, 8, 9, 9}));
    EXPECT_FALSE(sys::gdi::StretchBlt(target.dc, 0, 0, 1, 1, source.dc, 0, 0, 1, 1, 0x00EE0086));
    EXPECT_FALSE(sys::gdi::StretchBlt(target.dc, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, sys::SRCCOPY));
}

TEST(GdiBlit, StretchDIBitsDrawsOneBitBitmapsUpright) {
    // 10 x 2, bottom row first, rows of 4 bytes, most significant bit leftmost.
    sys::BITMAPINFO info = Header(10, 2, 1);
    info.bmiColors[1] = {255, 255, 255, 0};
    const uint8_t bits[8] = {0xC0, 0x40, 0, 0, 0xAA, 0x80, 0, 0};
    Canvas canvas(10, 2, 0x123456);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 10, 2, 0, 0, 10, 2, bits, &info, sys::DIB_RGB_COLORS,
                                      sys::SRCCOPY),
              2);
    const uint32_t w = 0xFFFFFF;
    EXPECT_EQ(canvas.Row(0), (Pixels{w, 0, w, 0, w, 0, w, 0, w, 0}));
    EXPECT_EQ(canvas.Row(1), (Pixels{w, w, 0, 0, 0, 0, 0, 0, 0, w}));
}

TEST(GdiBlit, StretchDIBitsReadsFourBitPixelsHighNibbleFirst) {
    sys::BITMAPINFO info = Header(3, -1, 4);  // top-down
    info.bmiColors[1] = {0, 0, 255, 0};       // red
    info.bmiColors[2] = {0, 255, 0, 0};       // green
    info.bmiColors[15] = {255, 0, 0, 0};      // blue
    const uint8_t bits[4] = {0x12, 0xF0, 0, 0};
    Canvas canvas(3, 1);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 3, 1, 0, 0, 3, 1, bits, &info, sys::DIB_RGB_COLORS,
                                      sys::SRCCOPY),
              1);
    EXPECT_EQ(canvas.Row(0), (Pixels{0xFF0000, 0x00FF00, 0x0000FF}));
}

TEST(GdiBlit, StretchDIBitsMapsEightBitColoursToTheNearestPaletteEntry) {
    Indexed surface(3, 1);
    for (auto& entry : surface.palette)
        entry = {0, 255, 0, 0};
    surface.palette[3] = {0, 0, 0, 0};
    surface.palette[5] = {255, 0, 0, 0};
    surface.Open();
    ASSERT_NE(surface.dc, nullptr);

    sys::BITMAPINFO info = Header(3, 1, 8);
    info.bmiHeader.biClrUsed = 2;
    info.bmiColors[0] = {10, 10, 10, 0};
    info.bmiColors[1] = {0, 0, 250, 0};
    info.bmiColors[7] = {0, 0, 255, 0};  // past biClrUsed: not part of the table
    const uint8_t bits[4] = {1, 0, 7, 0};
    EXPECT_EQ(sys::gdi::StretchDIBits(surface.dc, 0, 0, 3, 1, 0, 0, 3, 1, bits, &info, sys::DIB_RGB_COLORS,
                                      sys::SRCCOPY),
              1);
    // (250, 0, 0) is nearest to entry 5, the dark grey to black (3); an index past the table is
    // black.
    EXPECT_EQ(surface.At(0, 0), 5);
    EXPECT_EQ(surface.At(1, 0), 3);
    EXPECT_EQ(surface.At(2, 0), 3);
    EXPECT_EQ(surface.At(3, 0), 0);  // spare byte
}

TEST(GdiBlit, StretchDIBitsFlipsWithANegativeDestinationHeight) {
    // 24 bits, 1 x 2, bottom row first: blue at the bottom, red on top; rows padded to 4 bytes.
    sys::BITMAPINFO info = Header(1, 2, 24);
    const uint8_t bits[8] = {0xFF, 0x00, 0x00, 0, 0x00, 0x00, 0xFF, 0};
    Canvas canvas(1, 2);
    sys::gdi::StretchDIBits(canvas.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, &info, sys::DIB_RGB_COLORS, sys::SRCCOPY);
    EXPECT_EQ(canvas.At(0, 0), 0xFF0000u);
    EXPECT_EQ(canvas.At(0, 1), 0x0000FFu);
    // Height -2 at y 2 covers rows 0 and 1 the other way up.
    sys::gdi::StretchDIBits(canvas.dc, 0, 2, 1, -2, 0, 0, 1, 2, bits, &info, sys::DIB_RGB_COLORS, sys::SRCCOPY);
    EXPECT_EQ(canvas.At(0, 0), 0x0000FFu);
    EXPECT_EQ(canvas.At(0, 1), 0xFF0000u);
    // One pixel stretched over three by two.
    Canvas wide(3, 2);
    sys::gdi::StretchDIBits(wide.dc, 0, 0, 3, 2, 0, 1, 1, 1, bits, &info, sys::DIB_RGB_COLORS, sys::SRCCOPY);
    EXPECT_EQ(wide.Row(0), (Pixels{0xFF0000, 0xFF0000, 0xFF0000}));
    EXPECT_EQ(wide.Row(1), (Pixels{0xFF0000, 0xFF0000, 0xFF0000}));
}

TEST(GdiBlit, StretchDIBitsSourceRowsCountFromTheFirstRowStored) {
    // A bottom-up bitmap's source origin is its bottom-left corner, a top-down one's its top-left.
    sys::BITMAPINFO info = Header(1, 4, 8);
    for (int i = 0; i < 4; ++i)
        info.bmiColors[i] = {static_cast<uint8_t>(i + 1), 0, 0, 0};
    const uint8_t bits[16] = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    Canvas canvas(1, 2);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, &info, sys::DIB_RGB_COLORS,
                                      sys::SRCCOPY),
              2);
    EXPECT_EQ(canvas.At(0, 0), 2u);  // stored row 1 (index 1, blue 2) above stored row 0
    EXPECT_EQ(canvas.At(0, 1), 1u);
    info.bmiHeader.biHeight = -4;
    sys::gdi::StretchDIBits(canvas.dc, 0, 0, 1, 2, 0, 0, 1, 2, bits, &info, sys::DIB_RGB_COLORS, sys::SRCCOPY);
    EXPECT_EQ(canvas.At(0, 0), 1u);
    EXPECT_EQ(canvas.At(0, 1), 2u);
}

TEST(GdiBlit, StretchDIBitsReadsSixteenBitLayouts) {
    sys::BITMAPINFO info = Header(2, 1, 16);
    const uint16_t plain[2] = {0x7C00, 0x001F};  // 5-5-5: red, blue
    Canvas canvas(2, 1);
    sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 1, 0, 0, 2, 1, plain, &info, sys::DIB_RGB_COLORS, sys::SRCCOPY);
    EXPECT_EQ(canvas.Row(0), (Pixels{0xFF0000, 0x0000FF}));

    info.bmiHeader.biCompression = sys::BI_BITFIELDS;
    std::memcpy(&info.bmiColors[0], "\x00\xF8\x00\x00", 4);
    std::memcpy(&info.bmiColors[1], "\xE0\x07\x00\x00", 4);
    std::memcpy(&info.bmiColors[2], "\x1F\x00\x00\x00", 4);
    const uint16_t masked[2] = {0x07E0, 0xF800};  // 5-6-5: green, red
    sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 1, 0, 0, 2, 1, masked, &info, sys::DIB_RGB_COLORS, sys::SRCCOPY);
    EXPECT_EQ(canvas.Row(0), (Pixels{0x00FF00, 0xFF0000}));
}

TEST(GdiBlit, StretchDIBitsRefusesWhatItCannotReadSafely) {
    Canvas canvas(2, 2, 5);
    const uint8_t bits[16] = {};
    sys::BITMAPINFO info = Header(2, 2, 8);
    // The stated image size must cover the rows: two rows of 4 bytes.
    info.bmiHeader.biSizeImage = 7;
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    info.bmiHeader.biSizeImage = 8;
    info.bmiHeader.biCompression = 1;  // run-length encoded
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    // A width whose rows alone pass any stated size, as a damaged file may claim.
    info = Header(INT32_MAX, 1, 32);
    info.bmiHeader.biSizeImage = 16;
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    info = Header(2, INT32_MIN, 8);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    info = Header(2, 2, 2);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    info = Header(0, 2, 8);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    info = Header(2, 2, 8);
    info.bmiHeader.biSize = 12;
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    info = Header(2, 2, 8);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, &info, 0, sys::SRCCOPY), 0);
    EXPECT_EQ(sys::gdi::StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, 0x00EE0086), 0);
    EXPECT_EQ(sys::gdi::StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, 0, sys::SRCCOPY), 0);
    EXPECT_EQ(canvas.Row(0), (Pixels{5, 5}));
    EXPECT_EQ(canvas.Row(1), (Pixels{5, 5}));
}

TEST(GdiBlit, EightBitSurfacesCopyIndexesAmongThemselvesAndColoursOtherwise) {
    Indexed first(2, 1);
    first.palette[1] = {255, 0, 0, 0};
    first.palette[2] = {0, 0, 255, 0};
    first.At(0, 0) = 1;
    first.At(1, 0) = 2;
    first.Open();
    Indexed second(2, 1);  // an all-black palette: indexes still copy unchanged
    second.Open();
    ASSERT_TRUE(sys::gdi::BitBlt(second.dc, 0, 0, 2, 1, first.dc, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(second.At(0, 0), 1);
    EXPECT_EQ(second.At(1, 0), 2);

    Canvas canvas(2, 1);
    ASSERT_TRUE(sys::gdi::BitBlt(canvas.dc, 0, 0, 2, 1, first.dc, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(canvas.Row(0), (Pixels{0xFF0000, 0x0000FF}));

    canvas.At(0, 0) = 0x0000F0;  // nearest to blue (2)
    canvas.At(1, 0) = 0x101010;  // nearest to black (0)
    ASSERT_TRUE(sys::gdi::BitBlt(first.dc, 0, 0, 2, 1, canvas.dc, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(first.At(0, 0), 2);
    EXPECT_EQ(first.At(1, 0), 0);
}

TEST(GdiBlit, EightBitBitmapsReadBackWithTheirPalette) {
    Indexed screen(3, 2);
    screen.palette[4] = {10, 20, 30, 0};
    screen.palette[200] = {40, 50, 60, 0};
    screen.At(0, 0) = 4;
    screen.At(2, 1) = 200;
    screen.Open();

    sys::HDC memory = sys::gdi::CreateCompatibleDC(screen.dc);
    sys::HBITMAP bitmap = sys::gdi::CreateCompatibleBitmap(screen.dc, 3, 2);
    const sys::HGDIOBJ previous = sys::gdi::SelectObject(memory, bitmap);
    ASSERT_TRUE(sys::gdi::BitBlt(memory, 0, 0, 3, 2, screen.dc, 0, 0, sys::SRCCOPY));
    sys::gdi::SelectObject(memory, previous);
    // The bitmap keeps the palette it was made with.
    screen.palette[4] = {99, 99, 99, 0};

    sys::BITMAPINFO info{};
    ASSERT_EQ(sys::gdi::GetDIBits(memory, bitmap, 0, 2, nullptr, &info, sys::DIB_RGB_COLORS), 1);
    EXPECT_EQ(info.bmiHeader.biBitCount, 8);
    EXPECT_EQ(info.bmiHeader.biCompression, sys::BI_RGB);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 8u);  // two rows of 4 bytes
    EXPECT_EQ(info.bmiColors[4].rgbRed, 10);
    EXPECT_EQ(info.bmiColors[4].rgbBlue, 30);

    uint8_t rows[8] = {};
    ASSERT_EQ(sys::gdi::GetDIBits(memory, bitmap, 0, 2, rows, &info, sys::DIB_RGB_COLORS), 2);
    // Bottom row first.
    EXPECT_EQ(rows[2], 200);
    EXPECT_EQ(rows[4], 4);
    EXPECT_EQ(info.bmiColors[200].rgbGreen, 50);
    EXPECT_EQ(info.bmiColors[4].rgbGreen, 20);

    sys::gdi::DeleteDC(memory);
    EXPECT_TRUE(sys::gdi::DeleteObject(bitmap));
}

TEST(GdiBlit, FifteenBitSurfacesKeepTheirOwnMasks) {
    std::vector<uint16_t> pixels = {0x7C00, 0x03E0, 0, 0};
    sys::HDC dc = sys::gdi::CreateSurfaceDC(
        sys::gdi::DescribeSurface(pixels.data(), 2, 1, 8, sys::gdi::PixelFormat::Rgb555));
    ASSERT_NE(dc, nullptr);
    Canvas canvas(2, 1);
    ASSERT_TRUE(sys::gdi::BitBlt(canvas.dc, 0, 0, 2, 1, dc, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(canvas.Row(0), (Pixels{0xFF0000, 0x00FF00}));
    canvas.At(0, 0) = 0x0000FF;
    ASSERT_TRUE(sys::gdi::BitBlt(dc, 0, 0, 1, 1, canvas.dc, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(pixels[0], 0x001F);
    sys::gdi::DeleteDC(dc);
}
