// The drawing contexts on headless surfaces, pixel by pixel: the bare interface's defaults, the
// surface context's shapes, highlight, images, blits with the colour key, GDI text, the
// off-screen contexts with their registry, and dropping and rebuilding around a display change.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/SResource.h"
#include "dx/display/SDXSurface.h"
#include "sys/gdi/gdi.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "ui/SDC.h"
#include "ui/SDIB.h"
#include "ui/SFont.h"
#include "ui/SSurfaceDC.h"

namespace {

using tarvex::test::PixelAt;
using tarvex::test::SetPixelAt;

constexpr uint32_t kMagenta = 0xFF00FF;

// Stands in for the display manager: hands out the test's display and keeps the list.
class TestRegistry : public SSurfaceDCRegistry {
public:
    explicit TestRegistry(SDXDraw* display) : m_display(display) {}
    SDXDraw* GetDisplay() override { return m_display; }
    void AddSurfaceDC(SSurfaceDC* dc) override { contexts.push_back(dc); }
    void RemoveSurfaceDC(SSurfaceDC* dc) override { std::erase(contexts, dc); }
    std::vector<SSurfaceDC*> contexts;

private:
    SDXDraw* m_display;
};

class SurfaceDCTest : public tarvex::test::VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(draw, 0);  // windowed on the 32-bit desktop: pixels read as 0x00RRGGBB
        SSurfaceDC::SetRegistry(&registry);
        ASSERT_EQ(surface.CreateSurface(&draw, 8, 6, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
        Fill(surface, 8, 6, 0);
        dc.SetSurface(&surface);
    }
    void TearDown() override {
        SSurfaceDC::SetRegistry(nullptr);
        VideoTest::TearDown();
    }

    static void Fill(SDXSurface& s, int w, int h, uint32_t value) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetPixelAt(s.GetSurface(), x, y, value);
    }
    uint32_t At(int x, int y) { return PixelAt(surface.GetSurface(), x, y) & 0xFFFFFF; }
    // One row of the test surface as a string: '.' for 0, '#' for `ink`, '?' for anything else.
    std::string Row(int y, uint32_t ink) {
        std::string row;
        for (int x = 0; x < 8; ++x) {
            const uint32_t v = At(x, y);
            row += v == 0 ? '.' : v == ink ? '#' : '?';
        }
        return row;
    }

    SDXDraw draw;
    TestRegistry registry{&draw};
    SDXSurface surface;
    SSurfaceDC dc;
};

TEST(SDCTest, BareContextAcceptsEveryCall) {
    SDC bare;
    sys::SIZE size{5, 5};
    sys::RECT rect{0, 0, 4, 4};
    EXPECT_EQ(bare.CreateCompatibleDC(10, 10), nullptr);
    EXPECT_EQ(bare.BlitSurface(nullptr, 0, 0), 1);
    EXPECT_EQ(bare.DrawImageFrom(rect, nullptr, nullptr, 0), 1);
    EXPECT_EQ(bare.CreateSurface(4, 4), 1);
    EXPECT_EQ(bare.Line(0, 0, 3, 3, nullptr), 0);
    EXPECT_EQ(bare.GetTextExtent("abc", size), 1);
    EXPECT_EQ(size, (sys::SIZE{0, 0}));
    EXPECT_EQ(bare.QueryValue(7), 0);
    EXPECT_EQ(bare.DrawImage(rect, nullptr, 0, 0), 1);
    EXPECT_EQ(bare.GetSurface(), nullptr);
    bare.DrawText("x", rect, 0);
    bare.HighlightRect(rect);
}

TEST(SDCTest, FontSelectionAnswersThePreviousFont) {
    SDC bare;
    auto* font = reinterpret_cast<SFont*>(0x10);
    auto* gdiFont = reinterpret_cast<sys::HFONT>(0x20);
    EXPECT_EQ(bare.SelectFont(font), nullptr);
    EXPECT_EQ(bare.GetFont(), font);
    EXPECT_EQ(bare.SelectFont(nullptr), font);
    EXPECT_EQ(bare.SelectGdiFont(gdiFont), nullptr);
    EXPECT_EQ(bare.SelectGdiFont(nullptr), gdiFont);
}

TEST_F(SurfaceDCTest, ContextWithoutSurfaceDrawsNothing) {
    SSurfaceDC empty;
    sys::SIZE size{5, 5};
    sys::RECT rect{0, 0, 4, 4};
    EXPECT_EQ(empty.BlitSurface(&surface, 0, 0), 1);
    EXPECT_EQ(empty.GetTextExtent("abc", size), 0);
    EXPECT_EQ(empty.Line(0, 0, 3, 3, nullptr), 0);
    EXPECT_EQ(empty.CreateCompatibleDC(4, 4), nullptr);
    EXPECT_EQ(empty.CreateSurface(4, 4), 0);
    EXPECT_EQ(empty.DrawImageFrom(rect, nullptr, &dc, 0), 0);
    empty.HighlightRect(rect);
}

TEST_F(SurfaceDCTest, ShapesLandOnTheirPixels) {
    sys::HBRUSH red = sys::gdi::CreateSolidBrush(sys::RGB(255, 0, 0));
    sys::HPEN green = sys::gdi::CreatePen(sys::PS_SOLID, 1, sys::RGB(0, 255, 0));
    dc.FillRect({1, 0, 3, 1}, red, 0, 0);
    dc.FrameRect({4, 0, 8, 3}, red);
    EXPECT_EQ(Row(0, 0xFF0000), ".##.####");
    EXPECT_EQ(Row(1, 0xFF0000), "....#..#");
    EXPECT_EQ(Row(2, 0xFF0000), "....####");
    EXPECT_EQ(dc.Line(0, 5, 4, 5, green), 1);  // the end point is left out
    EXPECT_EQ(Row(5, 0x00FF00), "####....");
    dc.Rectangle({0, 2, 3, 5}, green, red);
    EXPECT_EQ(Row(3, 0x00FF00), "#?#.....");
    EXPECT_EQ(At(1, 3), 0xFF0000u);
    sys::video::RGNDATA region;
    region.rdh.nCount = 1;
    region.Buffer[0] = {6, 4, 8, 6};
    dc.FillRgn(&region, red, 0, 0);
    EXPECT_EQ(At(5, 4), 0u);
    EXPECT_EQ(At(6, 4), 0xFF0000u);
    EXPECT_EQ(At(7, 5), 0xFF0000u);
    sys::gdi::DeleteObject(red);
    sys::gdi::DeleteObject(green);
}

TEST_F(SurfaceDCTest, HighlightOrsItsColourInsideTheOutline) {
    Fill(surface, 8, 6, 0x800000);
    dc.HighlightRect({0, 0, 4, 4});
    // The context's own pen is black: ORing it leaves the outline as it was.
    EXPECT_EQ(At(0, 0), 0x800000u);
    EXPECT_EQ(At(3, 3), 0x800000u);
    // Inside: 0x800000 | 0x7F7F3F (red 0x7F, green 0x7F, blue 0x3F).
    EXPECT_EQ(At(1, 1), 0xFF7F3Fu);
    EXPECT_EQ(At(2, 2), 0xFF7F3Fu);
    EXPECT_EQ(At(4, 1), 0x800000u);
    // A plain fill after it copies again rather than merging.
    sys::HBRUSH blue = sys::gdi::CreateSolidBrush(sys::RGB(0, 0, 255));
    dc.Rectangle({4, 0, 7, 3}, nullptr, blue);
    EXPECT_EQ(At(5, 1), 0x0000FFu);
    sys::gdi::DeleteObject(blue);
}

TEST_F(SurfaceDCTest, DrawImageDrawsBitmapsOnlyAtTheirSize) {
    SDIB dib;
    ASSERT_TRUE(dib.Create(2, 2));
    *dib.PixelAddress(0, 0) = 10;  // grey ramp: colour (10, 10, 10)
    *dib.PixelAddress(1, 1) = 200;
    EXPECT_NE(dc.DrawImage({3, 2, 100, 100}, &dib, 0, 0), 0);
    EXPECT_EQ(At(3, 2), 0x0A0A0Au);
    EXPECT_EQ(At(4, 3), 0xC8C8C8u);
    EXPECT_EQ(At(5, 2), 0u);
    // Flipped, the destination height is negated: the picture ends, upside down, at y.
    dib.SetFlip(true);
    dc.DrawImage({0, 2, 2, 4}, &dib, 0, 0);
    EXPECT_EQ(At(0, 1), 0x0A0A0Au);
    EXPECT_EQ(At(1, 0), 0xC8C8C8u);
    SResource notBitmap;
    EXPECT_EQ(dc.DrawImage({0, 0, 2, 2}, &notBitmap, 0, 0), 0);
}

TEST_F(SurfaceDCTest, ImagesComeFromTheSourceContextWithItsKey) {
    SDXSurface packed;
    ASSERT_EQ(packed.CreateSurface(&draw, 4, 1, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    ASSERT_EQ(packed.SetTransparentColor(kMagenta), 1);
    const uint32_t picture[4] = {kMagenta, 0x111111, 0x222222, kMagenta};
    for (int x = 0; x < 4; ++x)
        SetPixelAt(packed.GetSurface(), x, 0, picture[x]);
    SSurfaceDC source(&packed, false);
    SDIB image;
    ASSERT_TRUE(image.Create(1, 1));
    *image.PixelAddress(0, 0) = 50;
    image.SetRect({0, 0, 3, 1});
    Fill(surface, 8, 6, 0x999999);
    EXPECT_EQ(dc.DrawImageFrom({1, 0, 4, 1}, &image, &source, 0), 1);
    EXPECT_EQ(At(1, 0), 0x999999u);  // magenta is the key
    EXPECT_EQ(At(2, 0), 0x111111u);
    EXPECT_EQ(At(3, 0), 0x222222u);
    // No source rectangle: the image draws itself.
    image.SetRect({2, 0, 2, 1});
    EXPECT_EQ(dc.DrawImageFrom({6, 4, 7, 5}, &image, &source, 0), 1);
    EXPECT_EQ(At(6, 4), 0x323232u);
    EXPECT_EQ(dc.BlitSurface(&packed, 4, 2), 1);
    EXPECT_EQ(At(4, 2), 0x999999u);
    EXPECT_EQ(At(6, 2), 0x222222u);
    EXPECT_EQ(dc.DrawImageFrom({0, 0, 1, 1}, &image, nullptr, 0), 0);
}

TEST_F(SurfaceDCTest, GdiTextIsTransparentAndMeasuredWithTheBuiltInFont) {
    sys::SIZE size;
    ASSERT_EQ(dc.GetTextExtent("abc", size), 1);
    EXPECT_EQ(size, (sys::SIZE{3 * sys::gdi::kFontCellWidth, sys::gdi::kFontCellHeight}));
    SDXSurface wide;
    ASSERT_EQ(wide.CreateSurface(&draw, 40, 12, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    Fill(wide, 40, 12, 0x123456);
    SSurfaceDC text(&wide, false);
    text.TextOut(0, 0, "HI", -1);
    int background = 0;
    int ink = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 40; ++x) {
            const uint32_t v = PixelAt(wide.GetSurface(), x, y) & 0xFFFFFF;
            (v == 0x123456 ? background : ink) += 1;
            EXPECT_TRUE(v == 0x123456 || v == 0) << x << "," << y;  // black ink, no white cells
        }
    EXPECT_GT(ink, 0);
}

TEST_F(SurfaceDCTest, EngineFontMeasuresText) {
    // A font not built yet advances 15 pixels per glyph with no blank columns.
    SFont font;
    dc.SelectFont(&font);
    sys::SIZE size;
    ASSERT_EQ(dc.GetTextExtent("ab", size), 1);
    EXPECT_EQ(size.cx, 30);
    SSurfaceDC empty;
    empty.SelectFont(&font);
    EXPECT_EQ(empty.GetTextExtent("ab", size), 0);
    dc.SelectFont(nullptr);
}

TEST_F(SurfaceDCTest, CompatibleContextsRegisterAndRebuildEmpty) {
    SDC* made = dc.CreateCompatibleDC(5, 3);
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(registry.contexts.size(), 1u);
    auto* offscreen = registry.contexts[0];
    EXPECT_EQ(offscreen, made);
    SDXSurface* first = made->GetSurface();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetWidth(), 5);
    EXPECT_EQ(first->GetHeight(), 3);
    EXPECT_TRUE(first->HasColourKey());
    EXPECT_EQ(first->GetColourKey(), kMagenta);

    SetPixelAt(first->GetSurface(), 2, 2, 0x777777);
    // What was packed there goes with the pixels.
    SResource image;
    SDC::NotePacked(&image, made);
    ASSERT_TRUE(made->HoldsPacked(&image));
    offscreen->DropSurface();
    EXPECT_EQ(made->GetSurface(), nullptr);
    EXPECT_EQ(offscreen->RebuildSurface(&draw), 1);
    SDXSurface* rebuilt = made->GetSurface();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->GetWidth(), 5);
    EXPECT_EQ(rebuilt->GetHeight(), 3);
    EXPECT_EQ(rebuilt->GetColourKey(), kMagenta);
    EXPECT_EQ(PixelAt(rebuilt->GetSurface(), 2, 2) & 0xFFFFFF, 0u);
    EXPECT_FALSE(made->HoldsPacked(&image));
    delete made;
    EXPECT_TRUE(registry.contexts.empty());
}

TEST_F(SurfaceDCTest, CompatibleContextNeedsADisplay) {
    SSurfaceDC::SetRegistry(nullptr);
    EXPECT_EQ(dc.CreateCompatibleDC(5, 3), nullptr);
    TestRegistry noDisplay(nullptr);
    SSurfaceDC::SetRegistry(&noDisplay);
    EXPECT_EQ(dc.CreateCompatibleDC(5, 3), nullptr);
    EXPECT_TRUE(noDisplay.contexts.empty());
}

TEST_F(SurfaceDCTest, GdiFontCentresGreenTextOnX) {
    // Nine characters are 54 pixels wide: the rectangle runs from 100 - 27 to 100 + 27.
    SDXSurface wide;
    ASSERT_EQ(wide.CreateSurface(&draw, 200, 12, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
    Fill(wide, 200, 12, 0);
    sys::HDC hdc = nullptr;
    ASSERT_EQ(wide.GetDC(&hdc), 1);
    SGdiFont font(12, "Arial");
    ASSERT_NE(font.GetHandle(), nullptr);
    font.DrawTextCentered(hdc, 100, 0, "MMMMMMMMM", 9, 0);
    EXPECT_EQ(sys::gdi::SetTextColor(hdc, 0), 0u);  // the text colour went back to black
    wide.ReleaseDC(hdc);
    int left = 200;
    int right = -1;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint32_t v = PixelAt(wide.GetSurface(), x, y) & 0xFFFFFF;
            ASSERT_TRUE(v == 0 || v == 0x00FF00) << x;
            if (v != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    EXPECT_GE(left, 73);
    EXPECT_LE(right, 126);
    EXPECT_LT(left, 73 + sys::gdi::kFontCellWidth);
    EXPECT_GT(right, 126 - sys::gdi::kFontCellWidth);
}

}  // namespace
