#include "tools/makehome/HomeGlyphs.h"

#include <algorithm>
#include <vector>

#include "sys/gdi/gdi.h"

HomeGlyphs::HomeGlyphs() {
    // One strip holding every character side by side, drawn white on black by the GDI's own
    // TextOut; whatever is not black is ink.
    constexpr int kStripWidth = kCount * kCellWidth;
    std::vector<uint32_t> pixels(static_cast<size_t>(kStripWidth) * kCellHeight, 0);
    const sys::gdi::PixelSurface surface =
        sys::gdi::DescribeSurface(pixels.data(), kStripWidth, kCellHeight, kStripWidth * 4, 32);
    sys::HDC dc = sys::gdi::CreateSurfaceDC(surface);
    if (dc == nullptr)
        return;
    sys::gdi::SetBkMode(dc, sys::TRANSPARENT);
    sys::gdi::SetTextColor(dc, 0x00FFFFFF);
    for (int i = 0; i < kCount - 1; ++i) {
        const char c = static_cast<char>(kFirst + i);
        sys::gdi::TextOut(dc, i * kCellWidth, 0, &c, 1);
    }
    sys::gdi::DeleteDC(dc);
    for (int i = 0; i < kCount; ++i) {
        for (int y = 0; y < kCellHeight; ++y) {
            uint8_t mask = 0;
            for (int x = 0; x < kCellWidth; ++x) {
                if ((pixels[static_cast<size_t>(y) * kStripWidth + i * kCellWidth + x] & 0x00FFFFFF) != 0)
                    mask = static_cast<uint8_t>(mask | (1u << x));
            }
            m_Rows[i][y] = mask;
        }
    }
}

int HomeGlyphs::Slot(char c) {
    const int code = static_cast<unsigned char>(c);
    return code >= kFirst && code < kFirst + kCount ? code - kFirst : 0;
}

bool HomeGlyphs::Ink(char c, int x, int y) const {
    if (x < 0 || x >= kCellWidth || y < 0 || y >= kCellHeight)
        return false;
    return (m_Rows[Slot(c)][y] >> x & 1u) != 0;
}

int HomeGlyphs::InkWidth(char c) const {
    int width = 0;
    for (uint8_t row : m_Rows[Slot(c)]) {
        for (int x = kCellWidth - 1; x >= 0; --x) {
            if ((row >> x & 1u) != 0) {
                width = std::max(width, x + 1);
                break;
            }
        }
    }
    return width;
}

int HomeGlyphs::Advance(char c) const {
    const int width = InkWidth(c);
    return width == 0 ? 3 : width + 1;
}

int HomeGlyphs::TextWidth(const std::string& text, int nScale) const {
    int width = 0;
    for (char c : text)
        width += Advance(c) * nScale;
    // The last character's free column is not part of the text.
    return text.empty() ? 0 : width - nScale + HomeShadowOffset(nScale);
}

int HomeShadowOffset(int nScale) { return nScale >= 3 ? 2 : 1; }

int HomeFontCellWidth(int nScale) {
    // The font resource makes a space 0.3 of a cell wide. Ten columns a scale step give it the
    // three the baked texts use; the glyph with its shadow alone would leave it barely visible.
    const int nGlyph = 1 + (HomeGlyphs::kCellWidth - 1) * nScale + HomeShadowOffset(nScale) + 2;
    return std::max(nGlyph, 10 * nScale);
}

int HomeFontCellHeight(int nScale) { return HomeGlyphs::kCellHeight * nScale + HomeShadowOffset(nScale) + 1; }

HomeCanvas MakeFontSheet(const HomeGlyphs& glyphs, const HomeFontStyle& style) {
    const int nCellWidth = HomeFontCellWidth(style.scale);
    const int nCellHeight = HomeFontCellHeight(style.scale);
    const int nRows = HomeGlyphs::kCount / kHomeFontColumns;
    // The key is the sheet's first colour, so the top-left pixel (the engine's background
    // sample) is the key.
    HomeCanvas sheet(nCellWidth * kHomeFontColumns, nCellHeight * nRows, HomeCanvas::kKey);
    const HomeRgb ink{style.inkR, style.inkG, style.inkB};
    const HomeRgb shadow{style.shadowR, style.shadowG, style.shadowB};
    for (int i = 0; i < HomeGlyphs::kCount; ++i) {
        const char c = static_cast<char>(HomeGlyphs::kFirst + i);
        const int left = (i % kHomeFontColumns) * nCellWidth + 1;
        const int top = (i / kHomeFontColumns) * nCellHeight;
        sheet.Text(glyphs, left, top, std::string(1, c), style.scale, ink, shadow);
    }
    return sheet;
}
