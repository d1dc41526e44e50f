// The GDI seam's objects and drawing state: what a new context holds, selecting and deleting
// brushes, pens, fonts and palettes, the state setters' answers, palettes and their nearest
// index, and 8-bit surfaces that follow their palette.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sys/gdi/gdi.h"

namespace {

struct Canvas {
    Canvas(int w, int h, uint32_t fill = 0) : pixels(static_cast<size_t>(w * h), fill) {
        dc = sys::gdi::CreateSurfaceDC(sys::gdi::DescribeSurface(pixels.data(), w, h, w * 4, 32));
    }
    ~Canvas() { sys::gdi::DeleteDC(dc); }
    std::vector<uint32_t> pixels;
    sys::HDC dc = nullptr;
};

sys::LOGPALETTE Palette(std::initializer_list<sys::PALETTEENTRY> entries) {
    sys::LOGPALETTE palette{};
    for (const sys::PALETTEENTRY& entry : entries)
        palette.palPalEntry[palette.palNumEntries++] = entry;
    return palette;
}

}  // namespace

TEST(GdiObjects, SelectingAnObjectAnswersTheOneOfItsKindItReplaces) {
    Canvas canvas(3, 3, 0x00808080);
    sys::HBRUSH red = sys::gdi::CreateSolidBrush(sys::RGB(255, 0, 0));
    sys::HBRUSH blue = sys::gdi::CreateSolidBrush(sys::RGB(0, 0, 255));
    sys::HPEN green = sys::gdi::CreatePen(sys::PS_SOLID, 1, sys::RGB(0, 255, 0));
    ASSERT_NE(red, nullptr);
    ASSERT_NE(green, nullptr);

    const sys::HGDIOBJ firstBrush = sys::gdi::SelectObject(canvas.dc, red);
    const sys::HGDIOBJ firstPen = sys::gdi::SelectObject(canvas.dc, green);
    ASSERT_NE(firstBrush, nullptr);
    ASSERT_NE(firstPen, nullptr);
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, blue), red);
    sys::gdi::Rectangle(canvas.dc, 0, 0, 3, 3);
    EXPECT_EQ(canvas.pixels[4], 0x000000FFu);  // inside: blue brush
    EXPECT_EQ(canvas.pixels[0], 0x0000FF00u);  // outline: green pen

    // The objects a new context started with draw as before once selected back.
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, firstBrush), blue);
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, firstPen), green);
    sys::gdi::Rectangle(canvas.dc, 0, 0, 3, 3);
    EXPECT_EQ(canvas.pixels[4], 0x00FFFFFFu);
    EXPECT_EQ(canvas.pixels[0], 0x00000000u);

    EXPECT_TRUE(sys::gdi::DeleteObject(red));
    EXPECT_TRUE(sys::gdi::DeleteObject(blue));
    EXPECT_TRUE(sys::gdi::DeleteObject(green));
}

TEST(GdiObjects, SelectedObjectsCannotBeDeletedUntilFreed) {
    sys::HBRUSH brush = sys::gdi::CreateSolidBrush(sys::RGB(1, 2, 3));
    {
        Canvas canvas(1, 1);
        sys::gdi::SelectObject(canvas.dc, brush);
        EXPECT_FALSE(sys::gdi::DeleteObject(brush));
    }  // deleting the context frees what it held
    EXPECT_TRUE(sys::gdi::DeleteObject(brush));
    EXPECT_FALSE(sys::gdi::DeleteObject(brush));  // stale now

    Canvas canvas(1, 1);
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, brush), nullptr);
    EXPECT_FALSE(sys::gdi::FillRect(canvas.dc, {0, 0, 1, 1}, brush));
    // A handle of another kind is no brush.
    sys::HPEN pen = sys::gdi::CreatePen(sys::PS_SOLID, 1, 0);
    EXPECT_FALSE(sys::gdi::FillRect(canvas.dc, {0, 0, 1, 1}, reinterpret_cast<sys::HBRUSH>(pen)));
    EXPECT_TRUE(sys::gdi::DeleteObject(pen));
}

TEST(GdiObjects, TheLayersOwnObjectsSurviveDeletion) {
    Canvas canvas(3, 3, 0x00123456);
    sys::HBRUSH brush = sys::gdi::CreateSolidBrush(0);
    const sys::HGDIOBJ white = sys::gdi::SelectObject(canvas.dc, brush);
    EXPECT_TRUE(sys::gdi::DeleteObject(white));
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, white), brush);
    sys::gdi::Rectangle(canvas.dc, 0, 0, 3, 3);
    EXPECT_EQ(canvas.pixels[4], 0x00FFFFFFu);
    EXPECT_TRUE(sys::gdi::DeleteObject(brush));
}

TEST(GdiObjects, OnlyOnePixelSolidPensExist) {
    EXPECT_EQ(sys::gdi::CreatePen(sys::PS_SOLID, 2, 0), nullptr);
    EXPECT_EQ(sys::gdi::CreatePen(sys::PS_SOLID, -1, 0), nullptr);
    EXPECT_EQ(sys::gdi::CreatePen(1, 1, 0), nullptr);  // dashed
    sys::HPEN thin = sys::gdi::CreatePen(sys::PS_SOLID, 0, 0);
    EXPECT_NE(thin, nullptr);
    EXPECT_TRUE(sys::gdi::DeleteObject(thin));
}

TEST(GdiObjects, StateSettersAnswerThePreviousValue) {
    Canvas canvas(1, 1);
    EXPECT_EQ(sys::gdi::SetTextColor(canvas.dc, 0x00ABCDEF), 0u);
    EXPECT_EQ(sys::gdi::SetTextColor(canvas.dc, 0), 0x00ABCDEFu);
    EXPECT_EQ(sys::gdi::SetBkColor(canvas.dc, 0x10), 0x00FFFFFFu);
    EXPECT_EQ(sys::gdi::SetBkMode(canvas.dc, sys::TRANSPARENT), sys::OPAQUE);
    EXPECT_EQ(sys::gdi::SetBkMode(canvas.dc, 3), 0);
    EXPECT_EQ(sys::gdi::SetBkMode(canvas.dc, sys::OPAQUE), sys::TRANSPARENT);
    EXPECT_EQ(sys::gdi::SetROP2(canvas.dc, sys::R2_MERGEPEN), sys::R2_COPYPEN);
    EXPECT_EQ(sys::gdi::SetROP2(canvas.dc, 7), 0);  // only copy and merge are known
    EXPECT_EQ(sys::gdi::SetROP2(canvas.dc, sys::R2_COPYPEN), sys::R2_MERGEPEN);

    EXPECT_EQ(sys::gdi::SetTextColor(nullptr, 0), sys::CLR_INVALID);
    EXPECT_EQ(sys::gdi::SetBkColor(nullptr, 0), sys::CLR_INVALID);
    EXPECT_EQ(sys::gdi::SetBkMode(nullptr, sys::OPAQUE), 0);
    EXPECT_EQ(sys::gdi::SetROP2(nullptr, sys::R2_COPYPEN), 0);
    EXPECT_FALSE(sys::gdi::Rectangle(nullptr, 0, 0, 1, 1));
    EXPECT_FALSE(sys::gdi::LineTo(nullptr, 1, 1));
    EXPECT_FALSE(sys::gdi::MoveToEx(nullptr, 1, 1, nullptr));
}

TEST(GdiObjects, NearestPaletteIndexTakesTheLowestOfEqualDistances) {
    const sys::LOGPALETTE logical =
        Palette({{0, 0, 0, 0}, {100, 100, 100, 0}, {100, 100, 100, 0}, {200, 0, 0, 0}});
    sys::HPALETTE palette = sys::gdi::CreatePalette(&logical);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(sys::gdi::GetNearestPaletteIndex(palette, sys::RGB(90, 90, 90)), 1u);
    EXPECT_EQ(sys::gdi::GetNearestPaletteIndex(palette, sys::RGB(200, 0, 0)), 3u);
    // (160, 0, 0): 40 x 40 = 1600 from entry 3, 25600 from black, 3600 + 2 x 10000 from grey.
    EXPECT_EQ(sys::gdi::GetNearestPaletteIndex(palette, sys::RGB(160, 0, 0)), 3u);
    EXPECT_EQ(sys::gdi::GetNearestPaletteIndex(palette, sys::RGB(60, 0, 0)), 0u);

    sys::PALETTEENTRY out[4] = {};
    EXPECT_EQ(sys::gdi::GetPaletteEntries(palette, 2, 10, out), 2u);
    EXPECT_EQ(out[1].peRed, 200);
    EXPECT_EQ(sys::gdi::GetPaletteEntries(palette, 4, 1, out), 0u);
    EXPECT_EQ(sys::gdi::GetPaletteEntries(palette, 0, 1, nullptr), 0u);

    // A palette is no drawing object.
    Canvas canvas(1, 1);
    EXPECT_EQ(sys::gdi::SelectObject(canvas.dc, palette), nullptr);
    EXPECT_TRUE(sys::gdi::DeleteObject(palette));
    EXPECT_EQ(sys::gdi::GetNearestPaletteIndex(palette, 0), sys::CLR_INVALID);
    EXPECT_EQ(sys::gdi::GetPaletteEntries(palette, 0, 1, out), 0u);
}

TEST(GdiObjects, PalettesHoldOneTo256Entries) {
    sys::LOGPALETTE logical{};
    EXPECT_EQ(sys::gdi::CreatePalette(&logical), nullptr);
    logical.palNumEntries = 257;
    EXPECT_EQ(sys::gdi::CreatePalette(&logical), nullptr);
    EXPECT_EQ(sys::gdi::CreatePalette(nullptr), nullptr);
    logical.palNumEntries = 256;
    logical.palPalEntry[255] = {9, 8, 7, sys::PC_NOCOLLAPSE};
    sys::HPALETTE palette = sys::gdi::CreatePalette(&logical);
    ASSERT_NE(palette, nullptr);
    sys::PALETTEENTRY last;
    EXPECT_EQ(sys::gdi::GetPaletteEntries(palette, 255, 1, &last), 1u);
    EXPECT_EQ(last, (sys::PALETTEENTRY{9, 8, 7, sys::PC_NOCOLLAPSE}));
    EXPECT_TRUE(sys::gdi::DeleteObject(palette));
}

TEST(GdiObjects, EightBitSurfacesNeedAndFollowTheirPalette) {
    std::vector<uint8_t> pixels(4, 0);
    EXPECT_EQ(sys::gdi::CreateSurfaceDC(
                  sys::gdi::DescribeSurface(pixels.data(), 4, 1, 4, sys::gdi::PixelFormat::Indexed8, nullptr)),
              nullptr);

    std::vector<sys::PALETTEENTRY> palette(256);
    palette[1] = {255, 0, 0, 0};
    sys::HDC dc = sys::gdi::CreateSurfaceDC(
        sys::gdi::DescribeSurface(pixels.data(), 4, 1, 4, sys::gdi::PixelFormat::Indexed8, palette.data()));
    ASSERT_NE(dc, nullptr);
    sys::HBRUSH red = sys::gdi::CreateSolidBrush(sys::RGB(255, 0, 0));
    sys::gdi::FillRect(dc, {0, 0, 1, 1}, red);
    EXPECT_EQ(pixels[0], 1);
    // The palette is read at each call: red has moved to entry 2.
    palette[1] = {0, 0, 0, 0};
    palette[2] = {255, 0, 0, 0};
    sys::gdi::FillRect(dc, {1, 0, 2, 1}, red);
    EXPECT_EQ(pixels[1], 2);
    sys::gdi::DeleteDC(dc);
    sys::gdi::DeleteObject(red);
}
