#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CFile;

// A decoded BMP or TGA picture, rows top-down and packed: palette indices with their palette,
// or 32-bit pixels (blue, green, red, alpha). Owned by whoever decoded it.
struct STexImage {
    // Larger pictures than this are refused rather than allocated.
    static constexpr int kMaxSide = 0x7FFF;
    static constexpr int64_t kMaxPixels = int64_t(1) << 24;
    // The most a file of the largest picture takes: a run-length packet for every 32-bit pixel,
    // and room for the headers and colour tables in front. A longer file is refused unread.
    static constexpr uint64_t kMaxFileBytes = 5 * uint64_t{kMaxPixels} + (uint64_t{1} << 20);

    int32_t width = -1;
    int32_t height = -1;
    std::vector<uint8_t> pixels;
    int32_t paletted = 0;
    uint8_t palette[256][4] = {};

    // Turns palette indices into 32-bit pixels (the fourth palette byte becomes the alpha).
    void ExpandPalette();
    // Scales the picture with the named filters (horizontal, vertical); a paletted picture is
    // filtered in colour and mapped back to the palette entries first .. last. 0 for a new
    // size below 1.
    int Resample(int newWidth, int newHeight, const char* xFilter, const char* yFilter,
                 int firstIndex, int lastIndex);
};

// Decodes a BMP (8, 24 or 32 bits) or TGA (types 2 and 10; 16, 24 or 32 bits) file; null when
// it cannot be opened or is not such a picture.
std::unique_ptr<STexImage> ReadImageFile(const char* path);
std::unique_ptr<STexImage> ReadImageFile(CFile& file);
