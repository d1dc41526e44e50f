#include "assets/textures/STexImage.h"

#include <algorithm>
#include <cstring>

#include "assets/textures/STextureFilter.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"

namespace {

uint16_t Word(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int32_t Long(const uint8_t* p) {
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

// The whole file in memory; pictures are small enough and this keeps every read bounded.
bool ReadAll(CFile& file, std::vector<uint8_t>& bytes) {
    const uint64_t length = file.GetLength();
    if (length > STexImage::kMaxFileBytes)
        return false;
    bytes.resize(length);
    file.SeekToBegin();
    size_t done = 0;
    while (done < bytes.size()) {
        const unsigned got = file.Read(bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

bool SizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= STexImage::kMaxSide && height <= STexImage::kMaxSide &&
           width * height <= STexImage::kMaxPixels;
}

void FlipRows(STexImage& image, int bytesPerPixel) {
    const size_t row = static_cast<size_t>(image.width) * bytesPerPixel;
    for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(image.pixels.begin() + top * row, image.pixels.begin() + (top + 1) * row,
                         image.pixels.begin() + bottom * row);
}

std::unique_ptr<STexImage> DecodeBMP(const std::vector<uint8_t>& file, bool& notBMP) {
    notBMP = false;
    const uint8_t* info = file.data() + 14;
    const int bits = Word(info + 14);
    if (bits != 8 && bits != 24 && bits != 32) {
        notBMP = true;
        return nullptr;
    }
    const int64_t width = Long(info + 4);
    const int64_t height = Long(info + 8);
    if (!SizeAllowed(width, height))
        return nullptr;
    auto image = std::make_unique<STexImage>();
    image->width = static_cast<int32_t>(width);
    image->height = static_cast<int32_t>(height);
    const uint32_t pixelOffset = static_cast<uint32_t>(Long(file.data() + 10));
    const int bytes = bits / 8;

    if (bits == 8) {
        uint32_t colours = static_cast<uint32_t>(Long(info + 32));
        if (colours == 0)
            colours = 256;
        if (colours > 256)
            return nullptr;
        const uint64_t paletteAt = 14 + static_cast<uint64_t>(static_cast<uint32_t>(Long(info)));
        for (uint32_t i = 0; i < colours && paletteAt + 4 * (i + 1) <= file.size(); ++i)
            std::memcpy(image->palette[i], &file[paletteAt + 4 * i], 4);
        image->paletted = 1;
    }
    // Stored rows are padded to whole 32-bit words and run bottom-up; missing bytes read as 0.
    const size_t rowBytes = static_cast<size_t>(image->width) * bytes;
    const size_t storedRow = (rowBytes + 3) & ~size_t(3);
    const size_t outBytes = bits == 8 ? 1 : 4;
    image->pixels.assign(static_cast<size_t>(image->width) * image->height * outBytes, 0);
    for (int y = 0; y < image->height; ++y) {
        const uint64_t rowAt = pixelOffset + static_cast<uint64_t>(image->height - 1 - y) * storedRow;
        uint8_t* out = &image->pixels[static_cast<size_t>(y) * image->width * outBytes];
        for (int x = 0; x < image->width; ++x, out += outBytes) {
            const uint64_t at = rowAt + static_cast<uint64_t>(x) * bytes;
            if (at + bytes > file.size())
                break;
            if (bits == 8) {
                out[0] = file[at];
            } else {
                out[0] = file[at];
                out[1] = file[at + 1];
                out[2] = file[at + 2];
                out[3] = bits == 32 ? file[at + 3] : 255;
            }
        }
    }
    return image;
}

void ConvertTGAPixel(const uint8_t* in, int depth, uint8_t* out) {
    if (depth == 16) {
        const unsigned v = Word(in);
        out[0] = static_cast<uint8_t>((v & 0x1F) << 3);
        out[1] = static_cast<uint8_t>(((v >> 5) & 0x1F) << 3);
        out[2] = static_cast<uint8_t>(((v >> 10) & 0x1F) << 3);
        out[3] = 255;
        return;
    }
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    out[3] = depth == 32 ? in[3] : 255;
}

std::unique_ptr<STexImage> DecodeTGA(const std::vector<uint8_t>& file) {
    if (file.size() < 18)
        return nullptr;
    const int idLength = file[0];
    const int mapType = file[1];
    const int type = file[2];
    const int mapLength = Word(&file[5]);
    const int mapEntryBits = file[7];
    const int width = Word(&file[12]);
    const int height = Word(&file[14]);
    const int depth = file[16];
    const int descriptor = file[17];
    if ((type != 2 && type != 10) || (depth != 16 && depth != 24 && depth != 32))
        return nullptr;
    if (!SizeAllowed(width, height))
        return nullptr;
    uint64_t at = 18 + static_cast<uint64_t>(idLength);
    if (mapType != 0)
        at += static_cast<uint64_t>(mapEntryBits / 8) * mapLength;

    auto image = std::make_unique<STexImage>();
    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    const size_t total = static_cast<size_t>(width) * height;
    const int bytes = depth / 8;
    auto pixelAt = [&](uint64_t offset) { return offset + bytes <= file.size() ? &file[offset] : nullptr; };

    size_t done = 0;
    if (type == 2) {
        for (; done < total; ++done, at += bytes) {
            const uint8_t* in = pixelAt(at);
            if (!in)
                break;
            ConvertTGAPixel(in, depth, &image->pixels[done * 4]);
        }
    } else {
        // Packets that would run past the last pixel are cut at it.
        while (done < total && at < file.size()) {
            const int header = file[at++];
            const size_t count = std::min<size_t>((header & 0x7F) + 1, total - done);
            if (header & 0x80) {
                const uint8_t* in = pixelAt(at);
                if (!in)
                    break;
                at += bytes;
                uint8_t pixel[4];
                ConvertTGAPixel(in, depth, pixel);
                for (size_t i = 0; i < count; ++i)
                    std::memcpy(&image->pixels[(done + i) * 4], pixel, 4);
                done += count;
            } else {
                for (size_t i = 0; i < count; ++i, at += bytes) {
                    const uint8_t* in = pixelAt(at);
                    if (!in)
                        break;
                    ConvertTGAPixel(in, depth, &image->pixels[(done + i) * 4]);
                }
                done += count;
                if (at > file.size())
                    break;
            }
        }
    }
    if (!(descriptor & 0x20))
        FlipRows(*image, 4);
    return image;
}

}  // namespace

void STexImage::ExpandPalette() {
    if (!paletted)
        return;
    std::vector<uint8_t> expanded(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        std::memcpy(&expanded[i * 4], palette[pixels[i]], 4);
    pixels.swap(expanded);
    paletted = 0;
}

int STexImage::Resample(int newWidth, int newHeight, const char* xFilter, const char* yFilter,
                        int firstIndex, int lastIndex) {
    if (newWidth < 1 || newHeight < 1 || width < 1 || height < 1)
        return 0;
    if (static_cast<int64_t>(newWidth) * newHeight > kMaxPixels)
        return 0;
    const bool wasPaletted = paletted != 0;
    ExpandPalette();
    std::vector<uint8_t> out(static_cast<size_t>(newWidth) * newHeight * 4);
    ResamplePixels(pixels.data(), width, height, out.data(), newWidth, newHeight, xFilter, yFilter, 4);
    width = newWidth;
    height = newHeight;
    if (wasPaletted) {
        const size_t count = static_cast<size_t>(newWidth) * newHeight;
        pixels.assign(count, 0);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = &out[i * 4];
            pixels[i] = NearestPaletteIndex(palette, firstIndex & 0xFF, lastIndex & 0xFF,
                                            p[0] | (p[1] << 8) | (p[2] << 16));
        }
        paletted = 1;
    } else {
        pixels.swap(out);
    }
    return 1;
}

std::unique_ptr<STexImage> ReadImageFile(CFile& file) {
    std::vector<uint8_t> bytes;
    try {
        if (!ReadAll(file, bytes))
            return nullptr;
    } catch (CException&) {
        return nullptr;
    }
    if (bytes.size() >= 14 + 40 && bytes[0] == 'B' && bytes[1] == 'M') {
        bool notBMP = false;
        std::unique_ptr<STexImage> image = DecodeBMP(bytes, notBMP);
        if (!notBMP)
            return image;
    }
    return DecodeTGA(bytes);
}

std::unique_ptr<STexImage> ReadImageFile(const char* path) {
    if (!path)
        return nullptr;
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary))
        return nullptr;
    return ReadImageFile(file);
}
