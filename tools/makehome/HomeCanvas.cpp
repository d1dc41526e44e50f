#include "tools/makehome/HomeCanvas.h"

#include <algorithm>
#include <stdexcept>

#include "sys/classlib/CMemFile.h"
#include "tools/makehome/HomeGlyphs.h"
#include "ui/SDIB.h"

namespace {

// The 4 x 4 ordered-dither thresholds, in sixteenths.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

void PutU16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    PutU16(bytes, at, value & 0xFFFF);
    PutU16(bytes, at + 2, value >> 16);
}

uint8_t Mix(uint8_t a, uint8_t b, int step, int steps) {
    return static_cast<uint8_t>(a + (static_cast<int>(b) - a) * step / steps);
}

}  // namespace

HomeCanvas::HomeCanvas(int nWidth, int nHeight, HomeRgb fill, bool bKeyAt249)
    : m_iWidth(nWidth), m_iHeight(nHeight), m_bKeyAt249(bKeyAt249) {
    // With the key reserved, Index() places it at 249 when the table reaches that entry;
    // ToDIB writes it there in any case.
    m_Pixels.assign(static_cast<size_t>(nWidth) * nHeight, Index(fill));
}

uint8_t HomeCanvas::Index(HomeRgb colour) {
    if (m_bKeyAt249 && colour == kKey)
        return kKeyIndex;
    for (size_t i = 0; i < m_Table.size(); ++i) {
        if (m_Table[i] == colour && !(m_bKeyAt249 && i == kKeyIndex))
            return static_cast<uint8_t>(i);
    }
    if (m_bKeyAt249 && m_Table.size() == kKeyIndex)
        m_Table.push_back(kKey);
    if (m_Table.size() >= 256)
        throw std::length_error("picture uses more than 256 colours");
    m_Table.push_back(colour);
    return static_cast<uint8_t>(m_Table.size() - 1);
}

HomeRgb HomeCanvas::ColourAt(int x, int y) const {
    const uint8_t index = IndexAt(x, y);
    if (m_bKeyAt249 && index == kKeyIndex)
        return kKey;
    return m_Table[index];
}

void HomeCanvas::Plot(int x, int y, HomeRgb colour) {
    if (x < 0 || y < 0 || x >= m_iWidth || y >= m_iHeight)
        return;
    m_Pixels[static_cast<size_t>(y) * m_iWidth + x] = Index(colour);
}

void HomeCanvas::Fill(const HomeRect& rect, HomeRgb colour) {
    const uint8_t index = Index(colour);
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, m_iHeight); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, m_iWidth); ++x)
            m_Pixels[static_cast<size_t>(y) * m_iWidth + x] = index;
    }
}

void HomeCanvas::Frame(const HomeRect& rect, HomeRgb colour) {
    Fill(HomeRect{rect.left, rect.top, rect.right, rect.top + 1}, colour);
    Fill(HomeRect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
    Fill(HomeRect{rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
    Fill(HomeRect{rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
}

void HomeCanvas::Gradient(const HomeRect& rect, HomeRgb top, HomeRgb bottom, int nLevels) {
    if (nLevels < 2 || rect.Height() <= 0)
        return;
    std::vector<uint8_t> levels;
    for (int i = 0; i < nLevels; ++i) {
        levels.push_back(Index(HomeRgb{Mix(top.r, bottom.r, i, nLevels - 1), Mix(top.g, bottom.g, i, nLevels - 1),
                                       Mix(top.b, bottom.b, i, nLevels - 1)}));
    }
    const int nSpan = std::max(rect.Height() - 1, 1);
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, m_iHeight); ++y) {
        // Position along the ramp in sixteenths of a level.
        const int nPos = (y - rect.top) * (nLevels - 1) * 16 / nSpan;
        const int nLevel = nPos / 16;
        const int nFraction = nPos % 16;
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, m_iWidth); ++x) {
            const int nPick = nFraction > kBayer[y & 3][x & 3] && nLevel + 1 < nLevels ? nLevel + 1 : nLevel;
            m_Pixels[static_cast<size_t>(y) * m_iWidth + x] = levels[nPick];
        }
    }
}

void HomeCanvas::Text(const HomeGlyphs& glyphs, int x, int y, const std::string& text, int nScale, HomeRgb ink,
                      HomeRgb shadow) {
    const int nShadow = HomeShadowOffset(nScale);
    // Shadows first, so no shadow lands on a neighbouring character's ink.
    for (int pass = 0; pass < 2; ++pass) {
        const HomeRgb colour = pass == 0 ? shadow : ink;
        const int nOffset = pass == 0 ? nShadow : 0;
        int penX = x;
        for (char c : text) {
            for (int gy = 0; gy < HomeGlyphs::kCellHeight; ++gy) {
                for (int gx = 0; gx < HomeGlyphs::kCellWidth; ++gx) {
                    if (!glyphs.Ink(c, gx, gy))
                        continue;
                    const int px = penX + gx * nScale + nOffset;
                    const int py = y + gy * nScale + nOffset;
                    Fill(HomeRect{px, py, px + nScale, py + nScale}, colour);
                }
            }
            penX += glyphs.Advance(c) * nScale;
        }
    }
}

void HomeCanvas::TextCentred(const HomeGlyphs& glyphs, const HomeRect& rect, const std::string& text, int nScale,
                             HomeRgb ink, HomeRgb shadow) {
    const int nWidth = glyphs.TextWidth(text, nScale);
    // Capitals stand on cell rows 1 to 7: centre those, not the whole cell.
    const int nHeight = 7 * nScale + HomeShadowOffset(nScale);
    const int x = rect.left + (rect.Width() - nWidth) / 2;
    const int y = rect.top + (rect.Height() - nHeight) / 2 - nScale;
    Text(glyphs, x, y, text, nScale, ink, shadow);
}

void HomeCanvas::ToDIB(SDIB& dib, bool bForce8) const {
    const bool b4 = !bForce8 && !m_bKeyAt249 && m_Table.size() <= 16;
    const int nBits = b4 ? 4 : 8;
    const int nColours = b4 ? 16 : 256;
    const size_t nStride = (static_cast<size_t>(m_iWidth) * nBits + 31) / 32 * 4;
    const size_t nHeader = 14 + 40 + 4 * static_cast<size_t>(nColours);
    std::vector<uint8_t> bytes(nHeader + nStride * m_iHeight, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    PutU32(bytes, 10, static_cast<uint32_t>(nHeader));
    PutU32(bytes, 14, 40);
    PutU32(bytes, 18, static_cast<uint32_t>(m_iWidth));
    PutU32(bytes, 22, static_cast<uint32_t>(m_iHeight));
    PutU16(bytes, 26, 1);
    PutU16(bytes, 28, static_cast<uint32_t>(nBits));
    PutU32(bytes, 34, static_cast<uint32_t>(nStride * m_iHeight));
    PutU32(bytes, 46, static_cast<uint32_t>(nColours));
    for (int i = 0; i < nColours; ++i) {
        HomeRgb colour;
        if (m_bKeyAt249 && i == kKeyIndex)
            colour = kKey;
        else if (i < static_cast<int>(m_Table.size()))
            colour = m_Table[i];
        const size_t at = 54 + 4 * static_cast<size_t>(i);
        bytes[at] = colour.b;
        bytes[at + 1] = colour.g;
        bytes[at + 2] = colour.r;
    }
    // Rows bottom first, as BMP files keep them.
    for (int y = 0; y < m_iHeight; ++y) {
        uint8_t* row = bytes.data() + nHeader + nStride * static_cast<size_t>(m_iHeight - 1 - y);
        for (int x = 0; x < m_iWidth; ++x) {
            const uint8_t index = IndexAt(x, y);
            if (b4)
                row[x / 2] = static_cast<uint8_t>(row[x / 2] | (x % 2 == 0 ? index << 4 : index));
            else
                row[x] = index;
        }
    }
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
    if (!dib.LoadFromCFile(&file))
        throw std::runtime_error("the bitmap reader refused a generated picture");
}
