#pragma once

// The seed corpus of the BMP reader's fuzz target: small bitmaps at every depth the reader
// takes, written by the bitmap's own writer, and one of them cut short.

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "sys/classlib/CMemFile.h"
#include "sys/gdi/gdi.h"
#include "ui/SDIB.h"

namespace tarvex::test {

inline std::vector<uint8_t> WrittenBmp(int width, int height, uint16_t bits) {
    sys::BITMAPINFO info;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = bits;
    for (int i = 0; i < 256; ++i)
        info.bmiColors[i] = sys::RGBQUAD{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                         static_cast<uint8_t>(i * 3), 0};
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    std::vector<uint8_t> pixels(stride * static_cast<size_t>(height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 29 + 3);
    SDIB dib;
    dib.Attach(&info, pixels.data());
    CMemFile file(1024);
    dib.WriteBMP(&file);
    const auto length = static_cast<size_t>(file.GetLength());
    uint8_t* raw = file.Detach();
    std::vector<uint8_t> bytes(raw, raw + length);
    std::free(raw);
    return bytes;
}

inline std::vector<std::pair<std::string, std::vector<uint8_t>>> BmpSeeds() {
    std::vector<uint8_t> cut = WrittenBmp(5, 3, 8);
    cut.resize(cut.size() - 3);
    return {
        {"mono_9x3.bmp", WrittenBmp(9, 3, 1)},
        {"nibble_5x3.bmp", WrittenBmp(5, 3, 4)},
        {"indexed_5x3.bmp", WrittenBmp(5, 3, 8)},
        {"rgb_3x3.bmp", WrittenBmp(3, 3, 24)},
        {"indexed_truncated.bmp", cut},
    };
}

}  // namespace tarvex::test
