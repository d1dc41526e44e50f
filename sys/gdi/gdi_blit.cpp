#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "sys/gdi/gdi_core.h"
#include "sys/gdi/gdi.h"

// Copies between contexts, device-independent bitmaps drawn into a context, and contexts read
// back as device-independent bitmaps.

namespace sys::gdi {

using namespace detail;

namespace {

bool SameLayout(const PixelSurface& a, const PixelSurface& b) {
    if (a.bitsPerPixel != b.bitsPerPixel)
        return false;
    return a.bitsPerPixel == 8 || SurfaceMasks(a) == SurfaceMasks(b);
}

// One axis of a scaled copy: destination pixels [destStart, destStart + destCount) take the
// source pixel whose centre is nearest to theirs, counted from srcStart (from the far end when
// mirrored).
struct Axis {
    int64_t destStart = 0;
    int64_t destCount = 0;
    int64_t srcStart = 0;
    int64_t srcCount = 0;
    bool mirror = false;

    int64_t Source(int64_t i) const {
        // Both counts may approach 2^32, so the product needs more than 64 bits.
        auto k = static_cast<int64_t>((static_cast<__int128>(2 * i + 1) * srcCount) / (2 * destCount));
        if (mirror)
            k = srcCount - 1 - k;
        return srcStart + k;
    }
};

// A rectangle given by a corner and signed extents covers [corner + extent, corner) when the
// extent is negative; opposite signs on the two sides mirror the picture.
bool MakeAxis(int dest, int destExtent, int src, int srcExtent, Axis& axis) {
    if (destExtent == 0 || srcExtent == 0)
        return false;
    axis.destStart = destExtent > 0 ? dest : static_cast<int64_t>(dest) + destExtent;
    axis.destCount = std::abs(static_cast<int64_t>(destExtent));
    axis.srcStart = srcExtent > 0 ? src : static_cast<int64_t>(src) + srcExtent;
    axis.srcCount = std::abs(static_cast<int64_t>(srcExtent));
    axis.mirror = (destExtent < 0) != (srcExtent < 0);
    return true;
}

// The destination indexes [first, last) of an axis that land inside [0, limit).
void DestRange(const Axis& axis, int64_t limit, int64_t& first, int64_t& last) {
    first = std::max<int64_t>(0, -axis.destStart);
    last = std::min<int64_t>(axis.destCount, limit - axis.destStart);
}

// The pixels of one axis that land inside both [0, destLimit) and [0, srcLimit): destination
// coordinate and source coordinate, worked out once for every row of a copy.
struct Taps {
    std::vector<int32_t> dest;
    std::vector<int32_t> src;
};

Taps MakeTaps(const Axis& axis, int64_t destLimit, int64_t srcLimit) {
    Taps taps;
    int64_t first = 0;
    int64_t last = 0;
    DestRange(axis, destLimit, first, last);
    for (int64_t i = first; i < last; ++i) {
        const int64_t s = axis.Source(i);
        if (s < 0 || s >= srcLimit)
            continue;
        taps.dest.push_back(static_cast<int32_t>(axis.destStart + i));
        taps.src.push_back(static_cast<int32_t>(s));
    }
    return taps;
}

// Copies pixels between two surfaces along two axes; source pixels outside the source are left
// out, as are destination pixels outside the destination.
void ScaledCopy(const PixelSurface& dst, const PixelSurface& src, const Axis& ax, const Axis& ay) {
    const bool raw = SameLayout(dst, src);
    ColourMapper mapper(dst);
    const Taps columns = MakeTaps(ax, dst.width, src.width);
    const Taps rows = MakeTaps(ay, dst.height, src.height);
    for (size_t j = 0; j < rows.dest.size(); ++j) {
        for (size_t i = 0; i < columns.dest.size(); ++i) {
            const uint32_t value = raw ? ReadRaw(src, columns.src[i], rows.src[j])
                                       : mapper.Map(ReadRgb(src, columns.src[i], rows.src[j]));
            WriteRaw(dst, columns.dest[i], rows.dest[j], value);
        }
    }
}

// --- Device-independent bitmaps as sources ---------------------------------------------------

// Bytes of one row, padded to whole 32-bit words.
uint64_t DibStride(int64_t width, int bitCount) { return static_cast<uint64_t>(((width * bitCount + 31) / 32) * 4); }

uint32_t ColourWord(const RGBQUAD& entry) {
    return static_cast<uint32_t>(entry.rgbBlue) | (static_cast<uint32_t>(entry.rgbGreen) << 8) |
           (static_cast<uint32_t>(entry.rgbRed) << 16) | (static_cast<uint32_t>(entry.rgbReserved) << 24);
}

void SetColourWord(RGBQUAD& entry, uint32_t word) {
    entry.rgbBlue = static_cast<uint8_t>(word);
    entry.rgbGreen = static_cast<uint8_t>(word >> 8);
    entry.rgbRed = static_cast<uint8_t>(word >> 16);
    entry.rgbReserved = static_cast<uint8_t>(word >> 24);
}

// A checked device-independent bitmap, ready to be read pixel by pixel (rows in storage order).
struct DibSource {
    const uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;  // rows
    bool bottomUp = true;
    int bitCount = 0;
    size_t stride = 0;
    Masks masks;  // 16 and 32 bits
    uint32_t tableSize = 0;
    std::array<Rgb, 256> table{};

    // The colour-table index (1, 4, 8 bits) or the packed value (16, 24, 32 bits) of a pixel.
    uint32_t Raw(int64_t x, int64_t row) const {
        const uint8_t* line = bits + static_cast<size_t>(row) * stride;
        switch (bitCount) {
        case 1:
            return (line[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4:
            return (line[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0xFu;
        case 8:
            return line[x];
        default:
            return LoadPixel(line + x * (bitCount / 8), bitCount / 8);
        }
    }

    Rgb Colour(uint32_t raw) const {
        if (bitCount <= 8)
            return raw < tableSize ? table[raw] : Rgb{};
        if (bitCount == 24)
            return {static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw)};
        return {Extract(raw, masks.red), Extract(raw, masks.green), Extract(raw, masks.blue)};
    }
};

bool ReadDibHeader(const BITMAPINFO& info, const void* bits, DibSource& dib) {
    const BITMAPINFOHEADER& header = info.bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth < 1 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<int32_t>::min())
        return false;
    dib.bits = static_cast<const uint8_t*>(bits);
    dib.width = header.biWidth;
    dib.height = std::abs(header.biHeight);
    dib.bottomUp = header.biHeight > 0;
    dib.bitCount = header.biBitCount;
    switch (header.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (header.biCompression != BI_RGB)
            return false;
        break;
    case 16:
    case 32:
        if (header.biCompression == BI_RGB) {
            dib.masks = header.biBitCount == 16 ? Masks{0x7C00, 0x03E0, 0x001F} : Masks{0xFF0000, 0x00FF00, 0x0000FF};
        } else if (header.biCompression == BI_BITFIELDS) {
            dib.masks = {ColourWord(info.bmiColors[0]), ColourWord(info.bmiColors[1]), ColourWord(info.bmiColors[2])};
            if (!MaskFits(dib.masks.red, header.biBitCount) || !MaskFits(dib.masks.green, header.biBitCount) ||
                !MaskFits(dib.masks.blue, header.biBitCount))
                return false;
        } else {
            return false;
        }
        break;
    default:
        return false;
    }
    const uint64_t stride = DibStride(dib.width, dib.bitCount);
    const uint64_t rows = static_cast<uint64_t>(dib.height);
    if (rows > std::numeric_limits<size_t>::max() / stride)
        return false;
    dib.stride = static_cast<size_t>(stride);
    if (header.biSizeImage != 0 && header.biSizeImage < rows * dib.stride)
        return false;
    if (dib.bitCount <= 8) {
        const uint32_t full = 1u << dib.bitCount;
        dib.tableSize = header.biClrUsed == 0 ? full : std::min(header.biClrUsed, full);
        for (uint32_t i = 0; i < dib.tableSize; ++i) {
            const RGBQUAD& q = info.bmiColors[i];
            dib.table[i] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
        }
    }
    return true;
}

// --- Device-independent bitmaps as results -----------------------------------------------------

// How one DIB pixel is written; false for a format GetDIBits does not produce.
struct DibFormat {
    int bitCount = 0;
    Masks masks;  // 16 and 32 bits
};

bool ChooseDibFormat(const BITMAPINFO& info, DibFormat& format) {
    const BITMAPINFOHEADER& header = info.bmiHeader;
    format.bitCount = header.biBitCount;
    switch (header.biBitCount) {
    case 8:
    case 24:
        return header.biCompression == BI_RGB;
    case 16:
    case 32:
        if (header.biCompression == BI_RGB) {
            format.masks = header.biBitCount == 16 ? Masks{0x7C00, 0x03E0, 0x001F} : Masks{0xFF0000, 0x00FF00, 0x0000FF};
            return true;
        }
        if (header.biCompression == BI_BITFIELDS) {
            format.masks = {ColourWord(info.bmiColors[0]), ColourWord(info.bmiColors[1]), ColourWord(info.bmiColors[2])};
            const auto bits = static_cast<uint16_t>(header.biBitCount);
            return MaskFits(format.masks.red, bits) && MaskFits(format.masks.green, bits) &&
                   MaskFits(format.masks.blue, bits);
        }
        return false;
    default:
        return false;
    }
}

void WriteDibRow(const PixelSurface& surface, int y, const DibFormat& format, uint8_t* out) {
    const int width = surface.width;
    const bool indexes = surface.bitsPerPixel == 8;
    for (int x = 0; x < width; ++x) {
        if (format.bitCount == 8 && indexes) {
            out[x] = static_cast<uint8_t>(ReadRaw(surface, x, y));
            continue;
        }
        const Rgb colour = ReadRgb(surface, x, y);
        switch (format.bitCount) {
        case 8:
            out[x] = CubeIndex(colour);
            break;
        case 24:
            out[3 * x] = colour.b;
            out[3 * x + 1] = colour.g;
            out[3 * x + 2] = colour.r;
            break;
        default:
            StorePixel(out + x * (format.bitCount / 8), format.bitCount / 8, Pack(colour, format.masks));
            break;
        }
    }
}

// The colour table of an 8-bit result: the bitmap's palette, or the colour cube.
void WriteColourTable(const PixelSurface& surface, BITMAPINFO& info) {
    for (int i = 0; i < 256; ++i) {
        const Rgb c = surface.bitsPerPixel == 8 ? PaletteColour(surface, static_cast<uint32_t>(i)) : CubeColour(i);
        info.bmiColors[i] = {c.b, c.g, c.r, 0};
    }
}

void DescribeBitmap(const BitmapObject& bitmap, BITMAPINFO& info) {
    BITMAPINFOHEADER& header = info.bmiHeader;
    const PixelSurface& surface = bitmap.surface;
    header.biBitCount = surface.bitsPerPixel;
    const Masks masks = SurfaceMasks(surface);
    if (surface.bitsPerPixel == 8) {
        header.biCompression = BI_RGB;
        header.biClrUsed = 0;
        WriteColourTable(surface, info);
        return;
    }
    const bool plainRgb = (surface.bitsPerPixel == 24 || surface.bitsPerPixel == 32) &&
                          masks == Masks{0xFF0000, 0x00FF00, 0x0000FF};
    if (plainRgb) {
        header.biCompression = BI_RGB;
    } else {
        header.biCompression = BI_BITFIELDS;
        SetColourWord(info.bmiColors[0], masks.red);
        SetColourWord(info.bmiColors[1], masks.green);
        SetColourWord(info.bmiColors[2], masks.blue);
    }
}

}  // namespace

bool BitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, uint32_t rop) {
    if (rop != SRCCOPY)
        return false;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* to = FindContext(registry, destination);
    const DeviceContext* from = FindContext(registry, source);
    if (to == nullptr || from == nullptr)
        return false;
    const PixelSurface& dst = to->Surface();
    const PixelSurface& src = from->Surface();

    // Trim the block to both surfaces, moving both corners together.
    int64_t left = std::max<int64_t>({0, -static_cast<int64_t>(x), -static_cast<int64_t>(x1)});
    int64_t top = std::max<int64_t>({0, -static_cast<int64_t>(y), -static_cast<int64_t>(y1)});
    int64_t right = std::min<int64_t>({cx, static_cast<int64_t>(dst.width) - x, static_cast<int64_t>(src.width) - x1});
    int64_t bottom = std::min<int64_t>({cy, static_cast<int64_t>(dst.height) - y, static_cast<int64_t>(src.height) - y1});
    if (right <= left || bottom <= top)
        return true;

    const int width = static_cast<int>(right - left);
    const int height = static_cast<int>(bottom - top);
    const int dx = static_cast<int>(x + left);
    const int dy = static_cast<int>(y + top);
    const int sx = static_cast<int>(x1 + left);
    const int sy = static_cast<int>(y1 + top);

    const bool sameFormat = SameLayout(dst, src);
    ColourMapper mapper(dst);
    // Within one surface the rows are walked away from the overlap; memmove handles the columns.
    const bool upwards = dst.bits == src.bits && dy > sy;
    for (int i = 0; i < height; ++i) {
        const int row = upwards ? height - 1 - i : i;
        if (sameFormat) {
            const int bytes = dst.bitsPerPixel / 8;
            std::memmove(PixelAt(dst, dx, dy + row), PixelAt(src, sx, sy + row), static_cast<size_t>(width) * bytes);
            continue;
        }
        for (int col = 0; col < width; ++col)
            WriteRaw(dst, dx + col, dy + row, mapper.Map(ReadRgb(src, sx + col, sy + row)));
    }
    return true;
}

bool StretchBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, int cx1, int cy1,
                uint32_t rop) {
    if (rop != SRCCOPY)
        return false;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* to = FindContext(registry, destination);
    const DeviceContext* from = FindContext(registry, source);
    if (to == nullptr || from == nullptr)
        return false;
    Axis ax;
    Axis ay;
    if (!MakeAxis(x, cx, x1, cx1, ax) || !MakeAxis(y, cy, y1, cy1, ay))
        return true;
    ScaledCopy(to->Surface(), from->Surface(), ax, ay);
    return true;
}

int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, uint32_t usage, uint32_t rop) {
    if (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS || rop != SRCCOPY)
        return 0;
    DibSource dib;
    if (!ReadDibHeader(*info, bits, dib))
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return 0;
    const PixelSurface& dst = context->Surface();

    Axis ax;
    Axis ay;
    if (!MakeAxis(xDest, wDest, xSrc, wSrc, ax) || !MakeAxis(yDest, hDest, ySrc, hSrc, ay))
        return 0;
    // Source rows count from the first row stored; a bottom-up picture stores its bottom row
    // first, so its source rectangle is walked upwards to come out upright.
    if (dib.bottomUp)
        ay.mirror = !ay.mirror;

    ColourMapper mapper(dst);
    std::array<uint32_t, 256> tableValues{};
    if (dib.bitCount <= 8) {
        for (uint32_t i = 0; i < 256; ++i)
            tableValues[i] = mapper.Map(dib.Colour(i));
    }
    const Taps columns = MakeTaps(ax, dst.width, dib.width);
    const Taps rows = MakeTaps(ay, dst.height, dib.height);
    for (size_t j = 0; j < rows.dest.size(); ++j) {
        for (size_t i = 0; i < columns.dest.size(); ++i) {
            const uint32_t raw = dib.Raw(columns.src[i], rows.src[j]);
            const uint32_t value = dib.bitCount <= 8 ? tableValues[raw] : mapper.Map(dib.Colour(raw));
            WriteRaw(dst, columns.dest[i], rows.dest[j], value);
        }
    }
    const int64_t firstRow = std::max<int64_t>(0, ay.srcStart);
    const int64_t lastRow = std::min<int64_t>(dib.height, ay.srcStart + ay.srcCount);
    return static_cast<int>(std::max<int64_t>(0, lastRow - firstRow));
}

int GetDIBits(HDC dc, HBITMAP bitmapHandle, uint32_t start, uint32_t lines, void* bits, BITMAPINFO* info,
              uint32_t usage) {
    (void)dc;  // a bitmap carries its own palette, so the context adds nothing
    if (info == nullptr || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS)
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const auto* bitmap = static_cast<BitmapObject*>(FindObject(registry, bitmapHandle, GdiObject::Kind::Bitmap));
    if (bitmap == nullptr)
        return 0;
    const PixelSurface& surface = bitmap->surface;
    BITMAPINFOHEADER& header = info->bmiHeader;

    if (bits == nullptr) {
        if (header.biBitCount == 0)
            DescribeBitmap(*bitmap, *info);
        header.biWidth = surface.width;
        header.biHeight = surface.height;
        header.biPlanes = 1;
        header.biSizeImage =
            static_cast<uint32_t>(DibStride(surface.width, header.biBitCount) * static_cast<uint64_t>(surface.height));
        return 1;
    }

    DibFormat format;
    if (!ChooseDibFormat(*info, format))
        return 0;
    const bool topDown = header.biHeight < 0;
    header.biWidth = surface.width;
    header.biHeight = topDown ? -surface.height : surface.height;
    header.biPlanes = 1;
    const auto stride = static_cast<size_t>(DibStride(surface.width, format.bitCount));
    header.biSizeImage = static_cast<uint32_t>(stride * static_cast<size_t>(surface.height));
    if (format.bitCount == 8)
        WriteColourTable(surface, *info);

    const auto height = static_cast<uint32_t>(surface.height);
    if (start >= height)
        return 0;
    const uint32_t count = std::min(lines, height - start);
    auto* out = static_cast<uint8_t*>(bits);
    for (uint32_t scan = 0; scan < count; ++scan) {
        const uint32_t line = start + scan;
        const int row = static_cast<int>(topDown ? line : height - 1 - line);
        uint8_t* target = out + static_cast<size_t>(scan) * stride;
        std::memset(target, 0, stride);
        WriteDibRow(surface, row, format, target);
    }
    return static_cast<int>(count);
}

}  // namespace sys::gdi
