#pragma once

// Writers of the 8-bit texture sources for the tests and fuzz seeds: "SKNM" skin files and
// 8-bit bitmaps with a chosen picture and palette.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "assets/textures/STexture.h"
#include "tests/assets/textures/TextureTestSupport.h"

namespace tarvex::test {

using PixelFn = std::function<uint8_t(int x, int y)>;

// A skin of w x h with every level STexture::CountMipLevels gives (top row first); the header
// says `levels`, `version`. Palette triple i is (i, 255 - i, i / 2).
inline Bytes MakeSkin(int w, int h, int levels, const PixelFn& pixel, uint32_t version = 1) {
    Bytes b = {'S', 'K', 'N', 'M'};
    Put32(b, version);
    Put16(b, static_cast<uint32_t>(w));
    Put16(b, static_cast<uint32_t>(h));
    Put16(b, static_cast<uint32_t>(levels));
    for (int i = 0; i < 256; ++i) {
        b.push_back(static_cast<uint8_t>(i));
        b.push_back(static_cast<uint8_t>(255 - i));
        b.push_back(static_cast<uint8_t>(i / 2));
    }
    for (int k = 0, lw = w, lh = h; k < STexture::CountMipLevels(w, h); ++k, lw /= 2, lh /= 2) {
        for (int y = 0; y < lh; ++y) {
            for (int x = 0; x < lw; ++x)
                b.push_back(pixel(x, y));
        }
    }
    return b;
}

// An 8-bit bottom-up bitmap of w x h with `colours` palette entries (blue, green, red, 0) given
// by `entry`, rows padded to four bytes.
inline Bytes MakeBitmap8(int w, int h, int colours, const PixelFn& pixel,
                         const std::function<uint32_t(int)>& entry) {
    const uint32_t row = (static_cast<uint32_t>(w) + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(colours);
    Bytes b = {'B', 'M'};
    Put32(b, offset + row * h);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, 8);
    for (int i = 0; i < 4; ++i)
        Put32(b, 0);
    Put32(b, colours == 256 ? 0 : static_cast<uint32_t>(colours));
    Put32(b, 0);
    for (int i = 0; i < colours; ++i)
        Put32(b, entry(i));
    for (int y = h - 1; y >= 0; --y) {
        for (uint32_t x = 0; x < row; ++x)
            b.push_back(x < static_cast<uint32_t>(w) ? pixel(static_cast<int>(x), y) : 0xEE);
    }
    return b;
}

inline void SaveBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tarvex::test
