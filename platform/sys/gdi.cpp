#include "platform/sys/gdi.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace sys {

// Every object behind a GDI handle; the kind tells what a plain HGDIOBJ stands for.
struct GdiObject {
    enum class Kind { Bitmap };
    explicit GdiObject(Kind k) : kind(k) {}
    virtual ~GdiObject() = default;
    Kind kind;
};

struct BitmapObject final : GdiObject {
    BitmapObject() : GdiObject(Kind::Bitmap) {}
    std::vector<uint8_t> pixels;
    gdi::PixelSurface surface;
    DeviceContext* selectedInto = nullptr;
    bool stock = false;  // a memory context's own 1 x 1 bitmap: never deleted by callers
};

struct DeviceContext {
    bool memory = false;
    gdi::PixelSurface external;                // surface contexts: memory owned by the caller
    BitmapObject* selected = nullptr;           // memory contexts: the bitmap drawn into
    std::unique_ptr<BitmapObject> stockBitmap;  // memory contexts: selected when nothing else is

    const gdi::PixelSurface& Surface() const { return memory ? selected->surface : external; }
};

}  // namespace sys

namespace sys::gdi {

namespace {

// Live handles. Contexts and bitmaps are found here before use, so a stale handle is refused.
struct Registry {
    std::mutex lock;
    std::unordered_map<const void*, std::unique_ptr<DeviceContext>> contexts;
    std::unordered_map<const void*, std::unique_ptr<GdiObject>> objects;
};

Registry& Objects() {
    static Registry registry;
    return registry;
}

DeviceContext* FindContext(Registry& registry, HDC dc) {
    const auto it = registry.contexts.find(dc);
    return it == registry.contexts.end() ? nullptr : it->second.get();
}

BitmapObject* FindBitmap(Registry& registry, const void* handle) {
    const auto it = registry.objects.find(handle);
    if (it == registry.objects.end() || it->second->kind != GdiObject::Kind::Bitmap)
        return nullptr;
    return static_cast<BitmapObject*>(it->second.get());
}

// --- Pixels --------------------------------------------------------------------------------

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// A channel of `width` bits widened to 8 by repeating its bits from the top, so full scale
// stays full scale.
uint8_t Widen(uint32_t value, int width) {
    if (width <= 0)
        return 0;
    if (width >= 8)
        return static_cast<uint8_t>(value >> (width - 8));
    uint32_t result = 0;
    int filled = 0;
    while (filled < 8) {
        result = (result << width) | value;
        filled += width;
    }
    return static_cast<uint8_t>(result >> (filled - 8));
}

uint8_t Extract(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    return Widen((pixel & mask) >> std::countr_zero(mask), std::popcount(mask));
}

uint32_t Insert(uint8_t value, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int width = std::popcount(mask);
    const uint32_t narrowed = width >= 8 ? static_cast<uint32_t>(value) << (width - 8) : value >> (8 - width);
    return (narrowed << std::countr_zero(mask)) & mask;
}

uint32_t LoadPixel(const uint8_t* at, int bytes) {
    uint32_t pixel = 0;
    for (int i = 0; i < bytes; ++i)
        pixel |= static_cast<uint32_t>(at[i]) << (8 * i);
    return pixel;
}

void StorePixel(uint8_t* at, int bytes, uint32_t pixel) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(pixel >> (8 * i));
}

struct Masks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    friend bool operator==(const Masks&, const Masks&) = default;
};

Masks SurfaceMasks(const PixelSurface& surface) { return {surface.redMask, surface.greenMask, surface.blueMask}; }

Rgb ReadRgb(const PixelSurface& surface, int x, int y) {
    const int bytes = surface.bitsPerPixel / 8;
    const auto* row = static_cast<const uint8_t*>(surface.bits) + static_cast<ptrdiff_t>(y) * surface.pitch;
    const uint32_t pixel = LoadPixel(row + x * bytes, bytes);
    return {Extract(pixel, surface.redMask), Extract(pixel, surface.greenMask), Extract(pixel, surface.blueMask)};
}

uint32_t Pack(const Rgb& colour, const Masks& masks) {
    return Insert(colour.r, masks.red) | Insert(colour.g, masks.green) | Insert(colour.b, masks.blue);
}

Masks DefaultMasks(uint16_t bitsPerPixel) {
    if (bitsPerPixel == 16)
        return {0xF800, 0x07E0, 0x001F};
    return {0xFF0000, 0x00FF00, 0x0000FF};
}

bool MaskFits(uint32_t mask, uint16_t bitsPerPixel) {
    if (mask == 0)
        return false;
    return bitsPerPixel >= 32 || (mask >> bitsPerPixel) == 0;
}

bool SurfaceUsable(const PixelSurface& surface) {
    if (surface.bits == nullptr || surface.width < 1 || surface.height < 1)
        return false;
    if (surface.bitsPerPixel != 16 && surface.bitsPerPixel != 24 && surface.bitsPerPixel != 32)
        return false;
    if (static_cast<int64_t>(surface.pitch) < static_cast<int64_t>(surface.width) * (surface.bitsPerPixel / 8))
        return false;
    return MaskFits(surface.redMask, surface.bitsPerPixel) && MaskFits(surface.greenMask, surface.bitsPerPixel) &&
           MaskFits(surface.blueMask, surface.bitsPerPixel);
}

// A bitmap owning its pixels in the layout of `format`; null when memory runs out.
std::unique_ptr<BitmapObject> MakeBitmap(const PixelSurface& format, int width, int height) {
    auto bitmap = std::make_unique<BitmapObject>();
    const int32_t pitch = ((width * (format.bitsPerPixel / 8)) + 3) & ~3;
    try {
        bitmap->pixels.assign(static_cast<size_t>(pitch) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    bitmap->surface = format;
    bitmap->surface.bits = bitmap->pixels.data();
    bitmap->surface.width = width;
    bitmap->surface.height = height;
    bitmap->surface.pitch = pitch;
    return bitmap;
}

PixelSurface DefaultFormat() { return DescribeSurface(nullptr, 0, 0, 0, 32); }

// --- Device-independent rows -----------------------------------------------------------------

uint32_t DibStride(int width, int bitCount) {
    return static_cast<uint32_t>(((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4);
}

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

// The fixed colour cube 8-bit reads map to: 3 bits of red, 3 of green, 2 of blue.
RGBQUAD CubeEntry(int index) {
    RGBQUAD entry;
    entry.rgbRed = Widen(static_cast<uint32_t>(index >> 5) & 7u, 3);
    entry.rgbGreen = Widen(static_cast<uint32_t>(index >> 2) & 7u, 3);
    entry.rgbBlue = Widen(static_cast<uint32_t>(index) & 3u, 2);
    return entry;
}

uint8_t CubeIndex(const Rgb& colour) {
    return static_cast<uint8_t>((colour.r & 0xE0) | ((colour.g >> 3) & 0x1C) | (colour.b >> 6));
}

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
    for (int x = 0; x < width; ++x) {
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

void DescribeBitmap(const BitmapObject& bitmap, BITMAPINFO& info) {
    BITMAPINFOHEADER& header = info.bmiHeader;
    const PixelSurface& surface = bitmap.surface;
    header.biBitCount = surface.bitsPerPixel;
    const Masks masks = SurfaceMasks(surface);
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

PixelSurface DescribeSurface(void* bits, int32_t width, int32_t height, int32_t pitch, uint16_t bitsPerPixel) {
    const Masks masks = DefaultMasks(bitsPerPixel);
    PixelSurface surface;
    surface.bits = bits;
    surface.width = width;
    surface.height = height;
    surface.pitch = pitch;
    surface.bitsPerPixel = bitsPerPixel;
    surface.redMask = masks.red;
    surface.greenMask = masks.green;
    surface.blueMask = masks.blue;
    return surface;
}

HDC CreateSurfaceDC(const PixelSurface& surface) {
    if (!SurfaceUsable(surface))
        return nullptr;
    auto context = std::make_unique<DeviceContext>();
    context->external = surface;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    HDC handle = context.get();
    registry.contexts.emplace(handle, std::move(context));
    return handle;
}

HDC CreateCompatibleDC(HDC reference) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    PixelSurface format = DefaultFormat();
    if (reference != nullptr) {
        const DeviceContext* source = FindContext(registry, reference);
        if (source == nullptr)
            return nullptr;
        format = source->Surface();
    }
    auto context = std::make_unique<DeviceContext>();
    context->memory = true;
    context->stockBitmap = MakeBitmap(format, 1, 1);
    if (!context->stockBitmap)
        return nullptr;
    context->stockBitmap->stock = true;
    context->stockBitmap->selectedInto = context.get();
    context->selected = context->stockBitmap.get();
    HDC handle = context.get();
    registry.contexts.emplace(handle, std::move(context));
    return handle;
}

bool DeleteDC(HDC dc) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return false;
    if (context->memory && context->selected != nullptr)
        context->selected->selectedInto = nullptr;
    registry.contexts.erase(dc);
    return true;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (width < 1 || height < 1)
        return nullptr;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return nullptr;
    std::unique_ptr<BitmapObject> bitmap = MakeBitmap(context->Surface(), width, height);
    if (!bitmap)
        return nullptr;
    HBITMAP handle = bitmap.get();
    registry.objects.emplace(static_cast<const void*>(handle), std::move(bitmap));
    return handle;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr || !context->memory)
        return nullptr;
    BitmapObject* bitmap = object == context->stockBitmap.get() ? context->stockBitmap.get() : FindBitmap(registry, object);
    if (bitmap == nullptr)
        return nullptr;
    if (bitmap->selectedInto != nullptr && bitmap->selectedInto != context)
        return nullptr;
    BitmapObject* previous = context->selected;
    previous->selectedInto = nullptr;
    bitmap->selectedInto = context;
    context->selected = bitmap;
    return previous;
}

bool DeleteObject(HGDIOBJ object) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const BitmapObject* bitmap = FindBitmap(registry, object);
    if (bitmap == nullptr || bitmap->selectedInto != nullptr)
        return false;
    registry.objects.erase(object);
    return true;
}

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

    const bool sameFormat = dst.bitsPerPixel == src.bitsPerPixel && SurfaceMasks(dst) == SurfaceMasks(src);
    // Within one surface the rows are walked away from the overlap; memmove handles the columns.
    const bool upwards = dst.bits == src.bits && dy > sy;
    for (int i = 0; i < height; ++i) {
        const int row = upwards ? height - 1 - i : i;
        auto* out = static_cast<uint8_t*>(dst.bits) + static_cast<ptrdiff_t>(dy + row) * dst.pitch;
        const auto* in = static_cast<const uint8_t*>(src.bits) + static_cast<ptrdiff_t>(sy + row) * src.pitch;
        if (sameFormat) {
            const int bytes = dst.bitsPerPixel / 8;
            std::memmove(out + dx * bytes, in + sx * bytes, static_cast<size_t>(width) * bytes);
            continue;
        }
        const int outBytes = dst.bitsPerPixel / 8;
        const Masks masks = SurfaceMasks(dst);
        for (int col = 0; col < width; ++col)
            StorePixel(out + (dx + col) * outBytes, outBytes, Pack(ReadRgb(src, sx + col, sy + row), masks));
    }
    return true;
}

int GetDIBits(HDC dc, HBITMAP bitmapHandle, uint32_t start, uint32_t lines, void* bits, BITMAPINFO* info,
              uint32_t usage) {
    (void)dc;  // only palettes would need it, and no surface here has one
    if (info == nullptr || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS)
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const BitmapObject* bitmap = FindBitmap(registry, bitmapHandle);
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
        header.biSizeImage = DibStride(surface.width, header.biBitCount) * static_cast<uint32_t>(surface.height);
        return 1;
    }

    DibFormat format;
    if (!ChooseDibFormat(*info, format))
        return 0;
    const bool topDown = header.biHeight < 0;
    header.biWidth = surface.width;
    header.biHeight = topDown ? -surface.height : surface.height;
    header.biPlanes = 1;
    const uint32_t stride = DibStride(surface.width, format.bitCount);
    header.biSizeImage = stride * static_cast<uint32_t>(surface.height);
    if (format.bitCount == 8) {
        for (int i = 0; i < 256; ++i)
            info->bmiColors[i] = CubeEntry(i);
    }

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
