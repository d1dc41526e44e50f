#pragma once

// Small picture and texture writers for the texture tests and the fuzz seeds: BMP and TGA
// files laid out by hand (so each test controls padding, depth and row order), a picture of
// distinct colours, and a texture imported from one and saved into memory.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexture2.h"
#include "sys/classlib/CMemFile.h"

namespace tarvex::test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A colour per pixel that differs from its neighbours: 0x00RRGGBB with alpha in the top byte.
inline uint32_t PatternPixel(int x, int y) {
    return static_cast<uint32_t>(((x * 37 + y * 11) & 0xFF) | (((x * 5 + y * 53) & 0xFF) << 8) |
                                 (((x * 17 + y * 3 + 40) & 0xFF) << 16) | (((x + y * 7) * 9 & 0xFF) << 24));
}

// A bottom-up BMP with rows padded to 32-bit words. 8-bit files store `top(x, y)` & 0xFF as the
// index and a palette of `colours` entries (i, 255 - i, i * 3, 7); the colour count field is
// written as `colourField` (0 = the full table).
inline Bytes MakeBmp(int width, int height, int bits, uint32_t colourField = 0) {
    const uint32_t colours = bits == 8 ? (colourField ? colourField : 256) : 0;
    const uint32_t row = ((static_cast<uint32_t>(width) * bits / 8) + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 4 * std::min<uint32_t>(colours, 256);
    Bytes b = {'B', 'M'};
    Put32(b, offset + row * height);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(bits));
    Put32(b, 0);
    Put32(b, row * height);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, colourField);
    Put32(b, 0);
    for (uint32_t i = 0; i < std::min<uint32_t>(colours, 256); ++i) {
        b.push_back(static_cast<uint8_t>(i));
        b.push_back(static_cast<uint8_t>(255 - i));
        b.push_back(static_cast<uint8_t>(i * 3));
        b.push_back(7);
    }
    for (int y = height - 1; y >= 0; --y) {
        Bytes line;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = PatternPixel(x, y);
            if (bits == 8)
                line.push_back(static_cast<uint8_t>(p));
            for (int i = 0; i < bits / 8 && bits != 8; ++i)
                line.push_back(static_cast<uint8_t>(p >> (8 * i)));
        }
        line.resize(row, 0xEE);
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

// A TGA of the given type (2 or 10) and depth with the picture rows in stored order; `pixels`
// are already in the file's pixel encoding (depth / 8 bytes each, or packets for type 10).
inline Bytes MakeTga(int type, int width, int height, int depth, int descriptor, const Bytes& data) {
    Bytes b = {0, 0, static_cast<uint8_t>(type), 0, 0, 0, 0, 0};
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, static_cast<uint32_t>(width));
    Put16(b, static_cast<uint32_t>(height));
    b.push_back(static_cast<uint8_t>(depth));
    b.push_back(static_cast<uint8_t>(descriptor));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Format lines: every field followed by one blank.
inline const char* kRGB565 = "R5G6B5 16 0 2 5 6 5 0 11 5 0 0 31 63 31 0 ";
inline const char* kARGB4444 = "A4R4G4B4 12 4 2 4 4 4 4 8 4 0 12 15 15 15 15 ";
inline const char* kARGB8888 = "A8R8G8B8 24 8 4 8 8 8 8 16 8 0 24 255 255 255 255 ";
inline const char* kPalette8 = "P8 1 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ";

// A texture imported from a 24-bit BMP of this size in the given format line.
inline bool ImportBmp(STexture2& texture, const std::string& folder, int width, int height, const char* line,
                      int bits = 24) {
    const std::string path = folder + "/source.bmp";
    WriteFile(path, MakeBmp(width, height, bits));
    return texture.ImportImage(path.c_str(), STexFormat::Parse(line)) == 1;
}

inline Bytes SaveToMemory(STexture2& texture) {
    CMemFile file;
    if (!texture.SaveToStream(&file))
        return {};
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

}  // namespace tarvex::test
