#pragma once

// Shared set-up of the font and sprite tests: a windowed headless display (32-bit desktop, so
// surface pixels read as 0x00RRGGBB), 8-bit BMP files written with the bitmap's own writer, and
// a generated glyph sheet whose ink widths the tests know.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "sys/classlib/CFile.h"
#include "sys/gdi/gdi.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "ui/SDIB.h"

namespace tarvex::test {

constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

// Colour table of every test picture: 0 magenta (the key), 1 white, 2 red, 3 green, 4 blue.
inline std::vector<sys::RGBQUAD> TestColours() {
    return {{255, 0, 255, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
}
constexpr uint32_t kColourOf[] = {kMagenta, kWhite, 0xFF0000, 0x00FF00, 0x0000FF};

// Writes an 8-bit BMP of palette indexes given row by row from the top.
inline void WriteIndexedBmp(const std::string& path, int width, int height, const std::vector<uint8_t>& topDown) {
    const std::vector<sys::RGBQUAD> colours = TestColours();
    sys::BITMAPINFO info;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = 8;
    info.bmiHeader.biClrUsed = static_cast<uint32_t>(colours.size());
    for (size_t i = 0; i < colours.size(); ++i)
        info.bmiColors[i] = colours[i];
    const int stride = (width + 3) / 4 * 4;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits[static_cast<size_t>((height - 1 - y) * stride + x)] = topDown[static_cast<size_t>(y * width + x)];
    SDIB dib;
    ASSERT_TRUE(dib.Attach(&info, bits.data()));
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    ASSERT_TRUE(dib.WriteBMP(&file));
    file.Close();
}

// A glyph sheet of `columns` cells per row, each cell w x h, magenta ground. Glyph g gets white
// ink in the top row of its first ink(g) columns, so its blank width is w - ink(g).
inline void WriteGlyphSheet(const std::string& path, int columns, int cellWidth, int cellHeight,
                            const std::function<int(int)>& ink, int sheetHeight = -1) {
    const int rows = 96 / columns;
    const int width = columns * cellWidth;
    const int height = sheetHeight > 0 ? sheetHeight : rows * cellHeight;
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height), 0);
    for (int glyph = 1; glyph < 96; ++glyph) {
        const int left = (glyph % columns) * cellWidth;
        const int top = (glyph / columns) * cellHeight;
        for (int x = 0; x < ink(glyph) && top < height; ++x)
            pixels[static_cast<size_t>(top * width + left + x)] = 1;
    }
    WriteIndexedBmp(path, width, height, pixels);
}

// A windowed display and system-memory surfaces on it.
class UiDisplayTest : public VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        OpenDisplay(draw, 0);
    }

    // A w x h surface in the display's format, filled with one colour.
    void MakeSurface(SDXSurface& surface, int width, int height, uint32_t fill = kBlack) {
        ASSERT_EQ(surface.CreateSurface(&draw, width, height, sys::video::DDSCAPS_SYSTEMMEMORY, nullptr, 0), 1);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                SetPixelAt(surface.GetSurface(), x, y, fill);
    }

    std::vector<uint32_t> ReadRow(SDXSurface& surface, int y, int x0, int x1) {
        std::vector<uint32_t> row;
        for (int x = x0; x < x1; ++x)
            row.push_back(PixelAt(surface.GetSurface(), x, y) & 0xFFFFFF);
        return row;
    }

    SDXDraw draw;
};

}  // namespace tarvex::test
