#pragma once

#include <cstdint>
#include <string>
#include <vector>

class SDIB;

// Colours of the demo set, as red, green and blue bytes.
struct HomeRgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const HomeRgb& other) const = default;
};

// A rectangle of the demo pictures: left/top inclusive, right/bottom exclusive.
struct HomeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class HomeGlyphs;

// An indexed picture the Home generator draws the interface art into: pixels are indexes into
// a colour table that grows as colours are first used. It ends up as an SDIB, stored with four
// bits per pixel when sixteen colours suffice (the pictures stay small) and eight otherwise.
// Pictures whose transparent parts must sit at palette index 249 reserve that entry for the
// colour key. Made and owned by the art builders for one picture at a time.
class HomeCanvas {
public:
    static constexpr int kKeyIndex = 249;
    static constexpr HomeRgb kKey{255, 0, 255};

    // The picture starts filled with `fill`. With bKeyAt249 the colour key owns entry 249 and
    // the picture is always stored with eight bits per pixel.
    HomeCanvas(int nWidth, int nHeight, HomeRgb fill, bool bKeyAt249 = false);

    int Width() const { return m_iWidth; }
    int Height() const { return m_iHeight; }
    // The index of the colour, added to the table on first use. Throws std::length_error when
    // the table is full.
    uint8_t Index(HomeRgb colour);
    HomeRgb ColourAt(int x, int y) const;
    uint8_t IndexAt(int x, int y) const { return m_Pixels[static_cast<size_t>(y) * m_iWidth + x]; }
    int ColourCount() const { return static_cast<int>(m_Table.size()); }

    // Points outside the picture are left alone by every drawing operation.
    void Plot(int x, int y, HomeRgb colour);
    void Fill(const HomeRect& rect, HomeRgb colour);
    // A one-pixel frame just inside the rectangle.
    void Frame(const HomeRect& rect, HomeRgb colour);
    // Top to bottom from `top` to `bottom` in nLevels even steps, ordered-dithered between
    // neighbouring steps so that few colours still read as a smooth ramp.
    void Gradient(const HomeRect& rect, HomeRgb top, HomeRgb bottom, int nLevels);

    // Text in the glyphs' pixels, each pixel nScale x nScale, with a one-pixel (two from scale 3
    // on) shadow below and to the right. The pen starts at (x, y), the top of the glyph cells.
    void Text(const HomeGlyphs& glyphs, int x, int y, const std::string& text, int nScale, HomeRgb ink,
              HomeRgb shadow);
    // The same, centred in the rectangle.
    void TextCentred(const HomeGlyphs& glyphs, const HomeRect& rect, const std::string& text, int nScale, HomeRgb ink,
                     HomeRgb shadow);

    // The picture as a bitmap: 4 bits per pixel when the table holds at most 16 colours and no
    // key index is reserved, else 8. bForce8 keeps eight bits (font sheets are measured pixel by
    // pixel, which only 8-bit bitmaps allow).
    void ToDIB(SDIB& dib, bool bForce8 = false) const;

private:
    int m_iWidth;
    int m_iHeight;
    bool m_bKeyAt249;
    std::vector<HomeRgb> m_Table;
    std::vector<uint8_t> m_Pixels;
};
