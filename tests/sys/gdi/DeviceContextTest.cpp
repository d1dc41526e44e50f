// The GDI seam's device contexts: copies between 16, 24 and 32-bit surfaces, clipping,
// device-independent reads in the formats callers ask for, and handle bookkeeping.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "sys/gdi/gdi.h"

namespace {

using sys::gdi::DescribeSurface;

sys::HDC SurfaceDC(std::vector<uint16_t>& pixels, int width, int height) {
    return sys::gdi::CreateSurfaceDC(DescribeSurface(pixels.data(), width, height, width * 2, 16));
}

sys::HDC SurfaceDC(std::vector<uint32_t>& pixels, int width, int height) {
    return sys::gdi::CreateSurfaceDC(DescribeSurface(pixels.data(), width, height, width * 4, 32));
}

uint32_t Mask(const sys::BITMAPINFO& info, int index) {
    const sys::RGBQUAD& q = info.bmiColors[index];
    return q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16) | (static_cast<uint32_t>(q.rgbReserved) << 24);
}

// A memory context holding a bitmap filled from `source` by a copy, as a capture makes one.
struct Snapshot {
    Snapshot(sys::HDC source, int width, int height) {
        memory = sys::gdi::CreateCompatibleDC(source);
        bitmap = sys::gdi::CreateCompatibleBitmap(source, width, height);
        previous = sys::gdi::SelectObject(memory, bitmap);
        sys::gdi::BitBlt(memory, 0, 0, width, height, source, 0, 0, sys::SRCCOPY);
        sys::gdi::SelectObject(memory, previous);
    }
    ~Snapshot() {
        sys::gdi::DeleteDC(memory);
        sys::gdi::DeleteObject(bitmap);
    }
    sys::HDC memory = nullptr;
    sys::HBITMAP bitmap = nullptr;
    sys::HGDIOBJ previous = nullptr;
};

}  // namespace

TEST(GdiDeviceContext, CopiesConvertBetweenPixelFormats) {
    std::vector<uint32_t> wide = {0x00FF8040, 0x00FFFFFF, 0x00000000};
    std::vector<uint16_t> narrow(3, 0);
    sys::HDC from = SurfaceDC(wide, 3, 1);
    sys::HDC to = SurfaceDC(narrow, 3, 1);
    ASSERT_TRUE(sys::gdi::BitBlt(to, 0, 0, 3, 1, from, 0, 0, sys::SRCCOPY));
    // 0xFF, 0x80, 0x40 keep their top 5, 6 and 5 bits.
    EXPECT_EQ(narrow, (std::vector<uint16_t>{0xFC08, 0xFFFF, 0x0000}));

    narrow = {0xF800, 0x07E0, 0x8410};
    ASSERT_TRUE(sys::gdi::BitBlt(from, 0, 0, 3, 1, to, 0, 0, sys::SRCCOPY));
    // Widening repeats the top bits, so full scale stays full scale.
    EXPECT_EQ(wide, (std::vector<uint32_t>{0x00FF0000, 0x0000FF00, 0x00848284}));
    sys::gdi::DeleteDC(from);
    sys::gdi::DeleteDC(to);
}

TEST(GdiDeviceContext, CopiesAreClippedToBothSurfaces) {
    std::vector<uint32_t> source = {1, 2, 3, 4};  // 2 x 2
    std::vector<uint32_t> target(9, 0);          // 3 x 3
    sys::HDC from = SurfaceDC(source, 2, 2);
    sys::HDC to = SurfaceDC(target, 3, 3);
    // The block's first column lies left of the source and its other columns right of the
    // target: nothing is left to copy.
    ASSERT_TRUE(sys::gdi::BitBlt(to, 2, 1, 3, 3, from, -1, 0, sys::SRCCOPY));
    EXPECT_EQ(target, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // One column left after trimming both sides: source column 0 lands in target column 2.
    ASSERT_TRUE(sys::gdi::BitBlt(to, 1, 1, 3, 3, from, -1, 0, sys::SRCCOPY));
    EXPECT_EQ(target, (std::vector<uint32_t>{0, 0, 0, 0, 0, 1, 0, 0, 3}));
    ASSERT_TRUE(sys::gdi::BitBlt(to, -1, -1, 2, 2, from, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(target[0], 4u);

    // Another raster operation is unknown here and changes nothing.
    EXPECT_FALSE(sys::gdi::BitBlt(to, 0, 0, 2, 2, from, 0, 0, 0x00EE0086));
    EXPECT_EQ(target[1], 0u);
    sys::gdi::DeleteDC(from);
    sys::gdi::DeleteDC(to);
}

TEST(GdiDeviceContext, OverlappingCopyWithinOneSurface) {
    std::vector<uint16_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // 3 x 3
    sys::HDC dc = SurfaceDC(pixels, 3, 3);
    ASSERT_TRUE(sys::gdi::BitBlt(dc, 1, 1, 2, 2, dc, 0, 0, sys::SRCCOPY));
    EXPECT_EQ(pixels, (std::vector<uint16_t>{1, 2, 3, 4, 1, 2, 7, 4, 5}));
    sys::gdi::DeleteDC(dc);
}

TEST(GdiDeviceContext, HeaderQueryDescribesTheBitmap) {
    std::vector<uint16_t> pixels(3 * 2, 0);
    sys::HDC dc = SurfaceDC(pixels, 3, 2);
    Snapshot shot(dc, 3, 2);
    sys::BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    ASSERT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 0, 2, nullptr, &info, sys::DIB_RGB_COLORS), 1);
    EXPECT_EQ(info.bmiHeader.biWidth, 3);
    EXPECT_EQ(info.bmiHeader.biHeight, 2);
    EXPECT_EQ(info.bmiHeader.biPlanes, 1);
    EXPECT_EQ(info.bmiHeader.biBitCount, 16);
    EXPECT_EQ(info.bmiHeader.biCompression, sys::BI_BITFIELDS);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 16u);  // rows of 6 bytes padded to 8
    EXPECT_EQ(Mask(info, 0), 0xF800u);
    EXPECT_EQ(Mask(info, 1), 0x07E0u);
    EXPECT_EQ(Mask(info, 2), 0x001Fu);

    info.bmiHeader.biSize = 12;  // an old-style header is not this one
    EXPECT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 0, 2, nullptr, &info, sys::DIB_RGB_COLORS), 0);
    sys::gdi::DeleteDC(dc);
}

TEST(GdiDeviceContext, RowsReadInTheAskedFormat) {
    // 3 x 2 XRGB: top row red, white, blue; bottom row green, black, grey.
    std::vector<uint32_t> pixels = {0xFF0000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0x000000, 0x808080};
    sys::HDC dc = SurfaceDC(pixels, 3, 2);
    Snapshot shot(dc, 3, 2);
    sys::BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biHeight = 2;

    // 16 bits without masks: 5-5-5, rows of 6 bytes padded to 8, bottom row first.
    info.bmiHeader.biBitCount = 16;
    info.bmiHeader.biCompression = sys::BI_RGB;
    std::vector<uint16_t> rgb555(8, 0xAAAA);
    ASSERT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 0, 2, rgb555.data(), &info, sys::DIB_RGB_COLORS), 2);
    EXPECT_EQ(rgb555, (std::vector<uint16_t>{0x03E0, 0x0000, 0x4210, 0, 0x7C00, 0x7FFF, 0x001F, 0}));

    // 8 bits index a 3-3-2 colour cube whose table comes back with them.
    info.bmiHeader.biBitCount = 8;
    std::vector<uint8_t> indexes(8, 0xAA);
    ASSERT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 0, 2, indexes.data(), &info, sys::DIB_RGB_COLORS), 2);
    EXPECT_EQ(indexes, (std::vector<uint8_t>{0x1C, 0x00, 0x92, 0, 0xE0, 0xFF, 0x03, 0}));
    EXPECT_EQ(info.bmiColors[0xE0].rgbRed, 0xFF);
    EXPECT_EQ(info.bmiColors[0xE0].rgbGreen, 0x00);
    EXPECT_EQ(info.bmiColors[0x92].rgbRed, 0x92);  // 100b widened
    EXPECT_EQ(info.bmiColors[0x92].rgbBlue, 0xAA);  // 10b widened

    // 32 bits top-down, one line from row 1 on.
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biHeight = -2;
    std::vector<uint32_t> line(3, 0xAAAAAAAA);
    ASSERT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 1, 5, line.data(), &info, sys::DIB_RGB_COLORS), 1);
    EXPECT_EQ(line, (std::vector<uint32_t>{0x00FF00, 0x000000, 0x808080}));
    EXPECT_EQ(info.bmiHeader.biHeight, -2);
    EXPECT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 2, 1, line.data(), &info, sys::DIB_RGB_COLORS), 0);

    // A depth this layer does not write.
    info.bmiHeader.biBitCount = 4;
    EXPECT_EQ(sys::gdi::GetDIBits(shot.memory, shot.bitmap, 0, 2, indexes.data(), &info, sys::DIB_RGB_COLORS), 0);
    sys::gdi::DeleteDC(dc);
}

TEST(GdiDeviceContext, HandlesAreCheckedBeforeUse) {
    std::vector<uint32_t> pixels(4, 0);
    EXPECT_EQ(sys::gdi::CreateSurfaceDC(DescribeSurface(pixels.data(), 2, 2, 4, 32)), nullptr);  // pitch too small
    EXPECT_EQ(sys::gdi::CreateSurfaceDC(DescribeSurface(pixels.data(), 2, 2, 8, 8)), nullptr);
    EXPECT_EQ(sys::gdi::CreateSurfaceDC(DescribeSurface(nullptr, 2, 2, 8, 32)), nullptr);

    sys::HDC screen = SurfaceDC(pixels, 2, 2);
    EXPECT_EQ(sys::gdi::CreateCompatibleBitmap(screen, 0, 5), nullptr);
    sys::HDC first = sys::gdi::CreateCompatibleDC(screen);
    sys::HDC second = sys::gdi::CreateCompatibleDC(nullptr);
    sys::HBITMAP bitmap = sys::gdi::CreateCompatibleBitmap(screen, 2, 2);
    ASSERT_NE(bitmap, nullptr);

    // Only memory contexts take bitmaps, and a bitmap lives in one context at a time.
    EXPECT_EQ(sys::gdi::SelectObject(screen, bitmap), nullptr);
    const sys::HGDIOBJ stock = sys::gdi::SelectObject(first, bitmap);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(sys::gdi::SelectObject(second, bitmap), nullptr);
    EXPECT_FALSE(sys::gdi::DeleteObject(bitmap));
    EXPECT_FALSE(sys::gdi::DeleteObject(stock));
    EXPECT_EQ(sys::gdi::SelectObject(first, stock), bitmap);
    EXPECT_TRUE(sys::gdi::DeleteObject(bitmap));

    // Stale handles are refused.
    EXPECT_FALSE(sys::gdi::DeleteObject(bitmap));
    EXPECT_EQ(sys::gdi::SelectObject(first, bitmap), nullptr);
    sys::BITMAPINFO info{};
    EXPECT_EQ(sys::gdi::GetDIBits(first, bitmap, 0, 1, nullptr, &info, sys::DIB_RGB_COLORS), 0);
    EXPECT_TRUE(sys::gdi::DeleteDC(first));
    EXPECT_FALSE(sys::gdi::DeleteDC(first));
    EXPECT_FALSE(sys::gdi::BitBlt(first, 0, 0, 1, 1, screen, 0, 0, sys::SRCCOPY));

    // Deleting a context frees the bitmap it still held.
    sys::HBITMAP held = sys::gdi::CreateCompatibleBitmap(second, 1, 1);
    EXPECT_NE(sys::gdi::SelectObject(second, held), nullptr);
    EXPECT_TRUE(sys::gdi::DeleteDC(second));
    EXPECT_TRUE(sys::gdi::DeleteObject(held));
    sys::gdi::DeleteDC(screen);
}
