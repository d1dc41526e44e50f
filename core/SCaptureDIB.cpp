#include "core/SCaptureDIB.h"

#include <cstdint>
#include <new>
#include <vector>

#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutDword(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutQuad(std::vector<uint8_t>& out, const sys::RGBQUAD& entry) {
    out.push_back(entry.rgbBlue);
    out.push_back(entry.rgbGreen);
    out.push_back(entry.rgbRed);
    out.push_back(entry.rgbReserved);
}

void PutInfoHeader(std::vector<uint8_t>& out, const sys::BITMAPINFOHEADER& header) {
    PutDword(out, kInfoHeaderSize);
    PutDword(out, static_cast<uint32_t>(header.biWidth));
    PutDword(out, static_cast<uint32_t>(header.biHeight));
    PutWord(out, header.biPlanes);
    PutWord(out, header.biBitCount);
    PutDword(out, header.biCompression);
    PutDword(out, header.biSizeImage);
    PutDword(out, static_cast<uint32_t>(header.biXPelsPerMeter));
    PutDword(out, static_cast<uint32_t>(header.biYPelsPerMeter));
    PutDword(out, header.biClrUsed);
    PutDword(out, header.biClrImportant);
}

bool HasMasks(const sys::BITMAPINFOHEADER& header) {
    return (header.biBitCount == 16 || header.biBitCount == 32) && header.biCompression == sys::BI_BITFIELDS;
}

// The header, the colour masks and the colour table, as they follow the file header.
uint32_t HeaderBlockSize(const sys::BITMAPINFOHEADER& header) {
    uint32_t size = kInfoHeaderSize;
    if (HasMasks(header))
        size += 12;
    if (header.biBitCount <= 8)
        size += 4u << header.biBitCount;
    return size;
}

// Owns the GDI objects of one capture, so every way out releases them.
struct CaptureObjects {
    sys::HDC memory = nullptr;
    sys::HBITMAP bitmap = nullptr;
    ~CaptureObjects() {
        if (memory != nullptr)
            sys::gdi::DeleteDC(memory);
        if (bitmap != nullptr)
            sys::gdi::DeleteObject(bitmap);
    }
};

}  // namespace

bool CaptureDCToDIB(CFile& file, sys::HDC dc, const sys::RECT& rect) {
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX)
        return false;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);

    CaptureObjects objects;
    objects.memory = sys::gdi::CreateCompatibleDC(dc);
    objects.bitmap = sys::gdi::CreateCompatibleBitmap(dc, w, h);
    if (objects.memory == nullptr || objects.bitmap == nullptr)
        return false;
    const sys::HGDIOBJ previous = sys::gdi::SelectObject(objects.memory, objects.bitmap);
    if (previous == nullptr)
        return false;
    sys::gdi::BitBlt(objects.memory, 0, 0, w, h, dc, rect.left, rect.top, sys::SRCCOPY);
    sys::gdi::SelectObject(objects.memory, previous);

    sys::BITMAPINFO info{};
    sys::BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = kInfoHeaderSize;
    header.biBitCount = 0;
    if (sys::gdi::GetDIBits(objects.memory, objects.bitmap, 0, static_cast<uint32_t>(h), nullptr, &info,
                            sys::DIB_RGB_COLORS) == 0)
        return false;
    if (header.biBitCount > 8 && header.biBitCount != 24) {
        header.biBitCount = 24;
        header.biCompression = sys::BI_RGB;
    }

    // Rows are padded to whole 32-bit words, whatever the depth.
    const uint64_t stride = (static_cast<uint64_t>(w) * header.biBitCount + 31) / 32 * 4;
    const uint64_t imageSize = stride * static_cast<uint64_t>(h);
    const uint32_t headerBlock = HeaderBlockSize(header);
    if (imageSize + headerBlock + kFileHeaderSize > UINT32_MAX)
        return false;

    std::vector<uint8_t> image;
    try {
        image.resize(static_cast<size_t>(imageSize));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int lines = sys::gdi::GetDIBits(objects.memory, objects.bitmap, 0, static_cast<uint32_t>(h), image.data(),
                                          &info, sys::DIB_RGB_COLORS);
    if (lines != h)
        return false;
    header.biSizeImage = static_cast<uint32_t>(imageSize);

    std::vector<uint8_t> head;
    head.reserve(kFileHeaderSize + headerBlock);
    head.push_back('B');
    head.push_back('M');
    PutDword(head, static_cast<uint32_t>(imageSize) + headerBlock + kFileHeaderSize);
    PutWord(head, 0);
    PutWord(head, 0);
    PutDword(head, headerBlock + kFileHeaderSize);
    PutInfoHeader(head, header);
    if (HasMasks(header)) {
        for (int i = 0; i < 3; ++i)
            PutQuad(head, info.bmiColors[i]);
    }
    if (header.biBitCount <= 8) {
        for (uint32_t i = 0; i < (1u << header.biBitCount); ++i)
            PutQuad(head, info.bmiColors[i]);
    }

    try {
        file.Write(head.data(), static_cast<unsigned>(head.size()));
        file.Write(image.data(), static_cast<unsigned>(image.size()));
    } catch (CFileException&) {
        // A screen shot that cannot be stored is no reason to stop the game.
        return false;
    }
    return true;
}
