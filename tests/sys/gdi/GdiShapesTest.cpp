// The GDI seam's shapes: filled and framed rectangles, outlined rectangles, the merge-pen mix
// mode (the highlight the interface draws over selected text and rows) and lines, checked
// pixel by pixel on surfaces whose pitch is wider than their rows.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "sys/gdi/gdi.h"

namespace {

// A 32-bit surface with three spare pixels at the end of each row, and its context.
struct Canvas {
    Canvas(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>((w + 3) * h), fill) {
        dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels.data(), w, h, (w + 3) * 4, 32));
    }
    ~Canvas() { sys::gdi::DeleteDC(dc); }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * (width + 3) + x)]; }

    // The picture as rows of characters: '#' for `ink`, '.' for anything else.
    std::vector<std::string> Art(uint32_t ink) const {
        std::vector<std::string> rows;
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x)
                row += At(x, y) == ink ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }
    bool SparePixelsUntouched(uint32_t fill) const {
        for (int y = 0; y < height; ++y) {
            for (int x = width; x < width + 3; ++x) {
                if (pixels[static_cast<size_t>(y * (width + 3) + x)] != fill)
                    return false;
            }
        }
        return true;
    }

    int width;
    int height;
    std::vector<uint32_t> pixels;
    sys::HDC dc = nullptr;
};

// A brush that deletes itself.
struct Brush {
    explicit Brush(sys::COLORREF colour) : handle(sys::gdi::CreateSolidBrush(colour)) {}
    ~Brush() { sys::gdi::DeleteObject(handle); }
    sys::HBRUSH handle;
};

constexpr uint32_t kRedPixel = 0x00FF0000;
constexpr uint32_t kBluePixel = 0x000000FF;

}  // namespace

TEST(GdiShapes, FillRectCoversLeftAndTopButNotRightAndBottom) {
    Canvas canvas(6, 4, 0);
    Brush red(sys::RGB(255, 0, 0));
    ASSERT_TRUE(sys::gdi::FillRect(canvas.dc, {1, 1, 4, 3}, red.handle));
    EXPECT_EQ(canvas.Art(kRedPixel), (std::vector<std::string>{"......", ".###..", ".###..", "......"}));
    // A colour reaches the pixel as 0x00RRGGBB whatever order COLORREF keeps.
    Brush blue(sys::RGB(0, 0, 255));
    ASSERT_TRUE(sys::gdi::FillRect(canvas.dc, {0, 0, 1, 1}, blue.handle));
    EXPECT_EQ(canvas.At(0, 0), kBluePixel);
}

TEST(GdiShapes, FillRectIsCutToTheSurface) {
    Canvas canvas(4, 3, 0);
    Brush red(sys::RGB(255, 0, 0));
    ASSERT_TRUE(sys::gdi::FillRect(canvas.dc, {-5, -5, 2, 2}, red.handle));
    EXPECT_EQ(canvas.Art(kRedPixel), (std::vector<std::string>{"##..", "##..", "...."}));
    ASSERT_TRUE(sys::gdi::FillRect(canvas.dc, {INT_MIN, 2, INT_MAX, INT_MAX}, red.handle));
    EXPECT_EQ(canvas.Art(kRedPixel), (std::vector<std::string>{"##..", "##..", "####"}));
    EXPECT_TRUE(canvas.SparePixelsUntouched(0));
    // An empty or inverted rectangle draws nothing; no brush is a failure.
    ASSERT_TRUE(sys::gdi::FillRect(canvas.dc, {3, 0, 2, 1}, red.handle));
    EXPECT_EQ(canvas.At(2, 0), 0u);
    EXPECT_FALSE(sys::gdi::FillRect(canvas.dc, {0, 0, 1, 1}, nullptr));
}

TEST(GdiShapes, FrameRectDrawsOnePixelInsideTheRectangle) {
    Canvas canvas(7, 6, 0);
    Brush blue(sys::RGB(0, 0, 255));
    ASSERT_TRUE(sys::gdi::FrameRect(canvas.dc, {1, 1, 6, 5}, blue.handle));
    EXPECT_EQ(canvas.Art(kBluePixel),
              (std::vector<std::string>{".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."}));

    Canvas narrow(3, 3, 0);
    ASSERT_TRUE(sys::gdi::FrameRect(narrow.dc, {1, 0, 2, 3}, blue.handle));  // one column wide
    EXPECT_EQ(narrow.Art(kBluePixel), (std::vector<std::string>{".#.", ".#.", ".#."}));
    ASSERT_TRUE(sys::gdi::FrameRect(narrow.dc, {0, 0, 0, 3}, blue.handle));  // empty: nothing
    EXPECT_EQ(narrow.At(0, 0), 0u);
}

TEST(GdiShapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
    Canvas canvas(6, 5, 0x00808080);
    // A new context draws with a black pen and a white brush.
    ASSERT_TRUE(sys::gdi::Rectangle(canvas.dc, 0, 0, 5, 4));
    EXPECT_EQ(canvas.Art(0x00000000), (std::vector<std::string>{"#####.", "#...#.", "#...#.", "#####.", "......"}));
    EXPECT_EQ(canvas.Art(0x00FFFFFF), (std::vector<std::string>{"......", ".###..", ".###..", "......", "......"}));

    // Selected objects are used; corners given the wrong way round are put in order.
    Brush red(sys::RGB(255, 0, 0));
    sys::HPEN pen = sys::gdi::CreatePen(sys::PS_SOLID, 1, sys::RGB(0, 0, 255));
    const sys::HGDIOBJ oldBrush = sys::gdi::SelectObject(canvas.dc, red.handle);
    const sys::HGDIOBJ oldPen = sys::gdi::SelectObject(canvas.dc, pen);
    ASSERT_TRUE(sys::gdi::Rectangle(canvas.dc, 6, 5, 3, 2));
    EXPECT_EQ(canvas.Art(kBluePixel), (std::vector<std::string>{"......", "......", "...###", "...#.#", "...###"}));
    EXPECT_EQ(canvas.At(4, 3), kRedPixel);
    sys::gdi::SelectObject(canvas.dc, oldBrush);
    sys::gdi::SelectObject(canvas.dc, oldPen);
    EXPECT_TRUE(sys::gdi::DeleteObject(pen));
}

TEST(GdiShapes, MergePenOrsTheBrushIntoSixteenBitPixels) {
    // The highlight: brush 0x3F7F7F (red 0x7F, green 0x7F, blue 0x3F) with R2_MERGEPEN.
    const int width = 5;
    const int pitchPixels = 8;
    std::vector<uint16_t> pixels(static_cast<size_t>(pitchPixels * 4), 0x8410);
    sys::HDC dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels.data(), width, 4, pitchPixels * 2,
                                                                       sys::gdi::PixelFormat::Rgb565));
    ASSERT_NE(dc, nullptr);
    Brush highlight(0x3F7F7F);
    sys::gdi::SelectObject(dc, highlight.handle);
    EXPECT_EQ(sys::gdi::SetROP2(dc, sys::R2_MERGEPEN), sys::R2_COPYPEN);
    ASSERT_TRUE(sys::gdi::Rectangle(dc, 0, 0, 5, 4));
    // 0x7F, 0x7F, 0x3F in 565 keep 0x0F, 0x1F, 0x07: 0x7BE7; ORed into 0x8410 gives 0xFFF7. The
    // black pen ORs nothing, so the border keeps its pixels.
    EXPECT_EQ(pixels[1 * pitchPixels + 1], 0xFFF7);
    EXPECT_EQ(pixels[2 * pitchPixels + 3], 0xFFF7);
    EXPECT_EQ(pixels[0], 0x8410);
    EXPECT_EQ(pixels[3 * pitchPixels + 4], 0x8410);
    EXPECT_EQ(pixels[5], 0x8410);  // past the row's width
    sys::gdi::DeleteDC(dc);
}

TEST(GdiShapes, MergePenOrsPaletteIndexesOnEightBitSurfaces) {
    std::vector<sys::PALETTEENTRY> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = {static_cast<uint8_t>(i), 0, 0, 0};
    palette[0x21] = {0x7F, 0x7F, 0x3F, 0};
    std::vector<uint8_t> pixels(4 * 8, 0x12);
    sys::HDC dc = sys::gdi::CreateSurfaceDC(
        sys::gdi::DescribeSurface(pixels.data(), 4, 4, 8, sys::gdi::PixelFormat::Indexed8, palette.data()));
    ASSERT_NE(dc, nullptr);
    Brush highlight(0x3F7F7F);
    sys::gdi::SelectObject(dc, highlight.handle);
    sys::gdi::SetROP2(dc, sys::R2_MERGEPEN);
    ASSERT_TRUE(sys::gdi::Rectangle(dc, 0, 0, 4, 4));
    EXPECT_EQ(pixels[1 * 8 + 1], 0x33);  // 0x12 | 0x21
    EXPECT_EQ(pixels[0], 0x12);          // black pen: index 0 ORs nothing
    // Back to copying: the brush's index replaces the pixel.
    sys::gdi::SetROP2(dc, sys::R2_COPYPEN);
    ASSERT_TRUE(sys::gdi::Rectangle(dc, 0, 0, 4, 4));
    EXPECT_EQ(pixels[1 * 8 + 2], 0x21);
    EXPECT_EQ(pixels[0], 0x00);
    sys::gdi::DeleteDC(dc);
}

TEST(GdiShapes, FillAndFrameIgnoreTheMixMode) {
    Canvas canvas(3, 3, 0x00800000);
    Brush blue(sys::RGB(0, 0, 255));
    sys::gdi::SetROP2(canvas.dc, sys::R2_MERGEPEN);
    sys::gdi::FillRect(canvas.dc, {0, 0, 1, 1}, blue.handle);
    sys::gdi::FrameRect(canvas.dc, {2, 2, 3, 3}, blue.handle);
    EXPECT_EQ(canvas.At(0, 0), kBluePixel);
    EXPECT_EQ(canvas.At(2, 2), kBluePixel);
}

TEST(GdiShapes, LinesLeaveTheirEndPointOut) {
    Canvas canvas(6, 6, 0);
    sys::HPEN pen = sys::gdi::CreatePen(sys::PS_SOLID, 1, sys::RGB(255, 0, 0));
    const sys::HGDIOBJ old = sys::gdi::SelectObject(canvas.dc, pen);
    sys::POINT previous{9, 9};
    ASSERT_TRUE(sys::gdi::MoveToEx(canvas.dc, 1, 0, &previous));
    EXPECT_EQ(previous, (sys::POINT{0, 0}));
    ASSERT_TRUE(sys::gdi::LineTo(canvas.dc, 5, 0));  // across: (1,0) .. (4,0)
    ASSERT_TRUE(sys::gdi::LineTo(canvas.dc, 5, 3));  // continues from (5,0) down to (5,2)
    ASSERT_TRUE(sys::gdi::MoveToEx(canvas.dc, 0, 5, nullptr));
    ASSERT_TRUE(sys::gdi::LineTo(canvas.dc, 3, 2));  // up-right diagonal: (0,5) (1,4) (2,3)
    EXPECT_EQ(canvas.Art(kRedPixel),
              (std::vector<std::string>{".#####", ".....#", ".....#", "..#...", ".#....", "#....."}));
    sys::gdi::SelectObject(canvas.dc, old);
    sys::gdi::DeleteObject(pen);
}

TEST(GdiShapes, ShallowLinesStepHalfwayUp) {
    Canvas canvas(5, 3, 0x00FFFFFF);
    // From (0,0) to (4,2) the exact heights are 0, 0.5, 1, 1.5; halves go to the next row.
    sys::gdi::MoveToEx(canvas.dc, 0, 0, nullptr);
    ASSERT_TRUE(sys::gdi::LineTo(canvas.dc, 4, 2));
    EXPECT_EQ(canvas.Art(0), (std::vector<std::string>{"#....", ".##..", "...#."}));
}

TEST(GdiShapes, LinesFarOutsideTheSurfaceAreCutQuickly) {
    Canvas canvas(4, 4, 0x00FFFFFF);
    sys::gdi::MoveToEx(canvas.dc, INT_MIN, 1, nullptr);
    ASSERT_TRUE(sys::gdi::LineTo(canvas.dc, INT_MAX, 1));
    sys::gdi::MoveToEx(canvas.dc, 2, INT_MAX, nullptr);
    ASSERT_TRUE(sys::gdi::LineTo(canvas.dc, 2, INT_MIN));
    EXPECT_EQ(canvas.Art(0), (std::vector<std::string>{"..#.", "####", "..#.", "..#."}));
    EXPECT_TRUE(canvas.SparePixelsUntouched(0x00FFFFFF));
}

TEST(GdiShapes, LinesUseTheMixMode) {
    Canvas canvas(3, 1, 0x00000F00);
    sys::HPEN pen = sys::gdi::CreatePen(sys::PS_SOLID, 0, sys::RGB(0x10, 0, 0x01));
    const sys::HGDIOBJ old = sys::gdi::SelectObject(canvas.dc, pen);
    sys::gdi::SetROP2(canvas.dc, sys::R2_MERGEPEN);
    sys::gdi::MoveToEx(canvas.dc, 0, 0, nullptr);
    sys::gdi::LineTo(canvas.dc, 2, 0);
    EXPECT_EQ(canvas.At(0, 0), 0x00100F01u);
    EXPECT_EQ(canvas.At(2, 0), 0x00000F00u);
    sys::gdi::SelectObject(canvas.dc, old);
    sys::gdi::DeleteObject(pen);
}
