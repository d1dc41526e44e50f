#include "sys/gdi/gdi.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "sys/gdi/gdi_core.h"

// Surfaces, contexts, objects and drawing state; the pixel helpers every drawing file shares.

namespace sys::gdi::detail {

namespace {

template <typename T>
T* AddStock(Registry& registry, std::unique_ptr<T> object) {
    object->stock = true;
    T* raw = object.get();
    registry.objects.emplace(static_cast<const void*>(raw), std::move(object));
    return raw;
}

}  // namespace

// Never destroyed, so a context deleted while the program shuts down still finds it.
Registry& Objects() {
    static Registry* registry = [] {
        auto* made = new Registry;
        made->whiteBrush = AddStock(*made, std::make_unique<BrushObject>(RGB(255, 255, 255)));
        made->blackPen = AddStock(*made, std::make_unique<PenObject>(RGB(0, 0, 0)));
        made->systemFont = AddStock(*made, std::make_unique<FontObject>());
        return made;
    }();
    return *registry;
}

DeviceContext* FindContext(Registry& registry, HDC dc) {
    const auto it = registry.contexts.find(dc);
    return it == registry.contexts.end() ? nullptr : it->second.get();
}

GdiObject* FindObject(Registry& registry, const void* handle, GdiObject::Kind kind) {
    const auto it = registry.objects.find(handle);
    if (it == registry.objects.end() || it->second->kind != kind)
        return nullptr;
    return it->second.get();
}

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

namespace {

uint32_t Insert(uint8_t value, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int width = std::popcount(mask);
    const uint32_t narrowed = width >= 8 ? static_cast<uint32_t>(value) << (width - 8) : value >> (8 - width);
    return (narrowed << std::countr_zero(mask)) & mask;
}

}  // namespace

uint32_t Pack(const Rgb& colour, const Masks& masks) {
    return Insert(colour.r, masks.red) | Insert(colour.g, masks.green) | Insert(colour.b, masks.blue);
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

Masks SurfaceMasks(const PixelSurface& surface) { return {surface.redMask, surface.greenMask, surface.blueMask}; }

bool MaskFits(uint32_t mask, uint16_t bitsPerPixel) {
    if (mask == 0)
        return false;
    return bitsPerPixel >= 32 || (mask >> bitsPerPixel) == 0;
}

Rgb CubeColour(int index) {
    return {Widen(static_cast<uint32_t>(index >> 5) & 7u, 3), Widen(static_cast<uint32_t>(index >> 2) & 7u, 3),
            Widen(static_cast<uint32_t>(index) & 3u, 2)};
}

uint8_t CubeIndex(const Rgb& colour) {
    return static_cast<uint8_t>((colour.r & 0xE0) | ((colour.g >> 3) & 0x1C) | (colour.b >> 6));
}

Rgb PaletteColour(const PixelSurface& surface, uint32_t index) {
    index &= 0xFF;
    if (surface.palette == nullptr)
        return CubeColour(static_cast<int>(index));
    const PALETTEENTRY& entry = surface.palette[index];
    return {entry.peRed, entry.peGreen, entry.peBlue};
}

namespace {

// Nearest by the sum of squared channel differences; the lowest index wins a tie.
template <typename ColourAt>
uint32_t Nearest(const Rgb& colour, uint32_t count, ColourAt colourAt) {
    uint32_t best = 0;
    int32_t bestDistance = std::numeric_limits<int32_t>::max();
    for (uint32_t i = 0; i < count; ++i) {
        const Rgb c = colourAt(i);
        const int32_t dr = static_cast<int32_t>(c.r) - colour.r;
        const int32_t dg = static_cast<int32_t>(c.g) - colour.g;
        const int32_t db = static_cast<int32_t>(c.b) - colour.b;
        const int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0)
                break;
        }
    }
    return best;
}

}  // namespace

uint8_t NearestIndex(const PixelSurface& surface, const Rgb& colour) {
    if (surface.palette == nullptr)
        return CubeIndex(colour);
    return static_cast<uint8_t>(Nearest(colour, 256, [&](uint32_t i) { return PaletteColour(surface, i); }));
}

Rgb ReadRgb(const PixelSurface& surface, int x, int y) {
    const uint32_t pixel = ReadRaw(surface, x, y);
    if (surface.bitsPerPixel == 8)
        return PaletteColour(surface, pixel);
    return {Extract(pixel, surface.redMask), Extract(pixel, surface.greenMask), Extract(pixel, surface.blueMask)};
}

uint32_t ColourMapper::Map(const Rgb& colour) {
    if (m_surface.bitsPerPixel != 8)
        return Pack(colour, m_masks);
    const uint32_t key = static_cast<uint32_t>(colour.r) | (static_cast<uint32_t>(colour.g) << 8) |
                         (static_cast<uint32_t>(colour.b) << 16);
    const auto it = m_nearest.find(key);
    if (it != m_nearest.end())
        return it->second;
    const uint8_t index = NearestIndex(m_surface, colour);
    m_nearest.emplace(key, index);
    return index;
}

void Painter::Point(int x, int y) const {
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom)
        return;
    WriteRaw(surface, x, y, merge ? (ReadRaw(surface, x, y) | value) : value);
}

void Painter::Span(int x0, int x1, int y) const {
    if (y < clip.top || y >= clip.bottom)
        return;
    x0 = std::max(x0, static_cast<int>(clip.left));
    x1 = std::min(x1, static_cast<int>(clip.right));
    if (x0 >= x1)
        return;
    const int bytes = surface.bitsPerPixel / 8;
    uint8_t* at = PixelAt(surface, x0, y);
    if (!merge && bytes == 1) {
        std::memset(at, static_cast<int>(value & 0xFF), static_cast<size_t>(x1 - x0));
        return;
    }
    if (!merge && (bytes == 2 || bytes == 4)) {
        // Pages fill their whole background on every frame: one pixel (little-endian, so the
        // value's low bytes), then the filled part copied onto the rest, doubling each time.
        const size_t total = static_cast<size_t>(x1 - x0) * static_cast<size_t>(bytes);
        std::memcpy(at, &value, static_cast<size_t>(bytes));
        for (size_t done = static_cast<size_t>(bytes); done < total;) {
            const size_t step = std::min(done, total - done);
            std::memcpy(at + done, at, step);
            done += step;
        }
        return;
    }
    for (int x = x0; x < x1; ++x, at += bytes)
        StorePixel(at, bytes, merge ? (LoadPixel(at, bytes) | value) : value);
}

void Painter::Fill(const RECT& rect) const {
    const int top = std::max(rect.top, clip.top);
    const int bottom = std::min(rect.bottom, clip.bottom);
    for (int y = top; y < bottom; ++y)
        Span(rect.left, rect.right, y);
}

RECT SurfaceRect(const PixelSurface& surface) { return {0, 0, surface.width, surface.height}; }

RECT Intersect(const RECT& a, const RECT& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace sys::gdi::detail

namespace sys::gdi {

using namespace detail;

namespace {

Masks DefaultMasks(uint16_t bitsPerPixel) {
    if (bitsPerPixel == 16)
        return {0xF800, 0x07E0, 0x001F};
    if (bitsPerPixel == 8)
        return {};
    return {0xFF0000, 0x00FF00, 0x0000FF};
}

bool SurfaceUsable(const PixelSurface& surface) {
    if (surface.bits == nullptr || surface.width < 1 || surface.height < 1)
        return false;
    const uint16_t bits = surface.bitsPerPixel;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (static_cast<int64_t>(surface.pitch) < static_cast<int64_t>(surface.width) * (bits / 8))
        return false;
    if (bits == 8)
        return surface.palette != nullptr;
    return MaskFits(surface.redMask, bits) && MaskFits(surface.greenMask, bits) && MaskFits(surface.blueMask, bits);
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
    if (format.bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) {
            const Rgb c = PaletteColour(format, static_cast<uint32_t>(i));
            bitmap->palette[static_cast<size_t>(i)] = {c.r, c.g, c.b, 0};
        }
        bitmap->surface.palette = bitmap->palette.data();
    } else {
        bitmap->surface.palette = nullptr;
    }
    return bitmap;
}

// A new context holding the stock objects.
std::unique_ptr<DeviceContext> NewContext(Registry& registry) {
    auto context = std::make_unique<DeviceContext>();
    context->brush = registry.whiteBrush;
    context->pen = registry.blackPen;
    context->font = registry.systemFont;
    ++context->brush->selections;
    ++context->pen->selections;
    ++context->font->selections;
    return context;
}

template <typename T>
T* Register(Registry& registry, std::unique_ptr<T> object) {
    T* raw = object.get();
    registry.objects.emplace(static_cast<const void*>(raw), std::move(object));
    return raw;
}

template <typename T>
T* Make(std::unique_ptr<T> object) {
    if (!object)
        return nullptr;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    return Register(registry, std::move(object));
}

template <typename T>
std::unique_ptr<T> TryMake(COLORREF colour) {
    try {
        return std::make_unique<T>(colour);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Swaps a brush, pen or font of a context; answers the one it replaces.
template <typename T>
HGDIOBJ Swap(T*& slot, T* object) {
    T* previous = slot;
    --previous->selections;
    ++object->selections;
    slot = object;
    return previous;
}

}  // namespace

PixelSurface DescribeSurface(void* bits, int32_t width, int32_t height, int32_t pitch, PixelFormat format,
                             const PALETTEENTRY* palette) {
    PixelSurface surface;
    switch (format) {
    case PixelFormat::Indexed8:
        surface = DescribeSurface(bits, width, height, pitch, 8);
        surface.palette = palette;
        return surface;
    case PixelFormat::Rgb565:
        return DescribeSurface(bits, width, height, pitch, 16);
    case PixelFormat::Rgb555:
        surface = DescribeSurface(bits, width, height, pitch, 16);
        surface.redMask = 0x7C00;
        surface.greenMask = 0x03E0;
        surface.blueMask = 0x001F;
        return surface;
    case PixelFormat::Rgb888:
        return DescribeSurface(bits, width, height, pitch, 24);
    case PixelFormat::Xrgb8888:
        return DescribeSurface(bits, width, height, pitch, 32);
    }
    return surface;
}

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
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    std::unique_ptr<DeviceContext> context = NewContext(registry);
    context->external = surface;
    if (surface.bitsPerPixel != 8)
        context->external.palette = nullptr;
    HDC handle = context.get();
    registry.contexts.emplace(handle, std::move(context));
    return handle;
}

HDC CreateCompatibleDC(HDC reference) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    PixelSurface format = DescribeSurface(nullptr, 0, 0, 0, 32);
    if (reference != nullptr) {
        const DeviceContext* source = FindContext(registry, reference);
        if (source == nullptr)
            return nullptr;
        format = source->Surface();
    }
    std::unique_ptr<BitmapObject> stock = MakeBitmap(format, 1, 1);
    if (!stock)
        return nullptr;
    std::unique_ptr<DeviceContext> context = NewContext(registry);
    context->memory = true;
    context->stockBitmap = std::move(stock);
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
    --context->brush->selections;
    --context->pen->selections;
    --context->font->selections;
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
    return Register(registry, std::move(bitmap));
}

HBRUSH CreateSolidBrush(COLORREF colour) { return Make(TryMake<BrushObject>(colour & 0xFFFFFF)); }

HPEN CreatePen(int style, int width, COLORREF colour) {
    if (style != PS_SOLID || width < 0 || width > 1)
        return nullptr;
    return Make(TryMake<PenObject>(colour & 0xFFFFFF));
}

HFONT CreateFont(int, int, int, int, int, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                 uint32_t, const char*) {
    try {
        return Make(std::make_unique<FontObject>());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HPALETTE CreatePalette(const LOGPALETTE* logPalette) {
    if (logPalette == nullptr || logPalette->palNumEntries < 1 || logPalette->palNumEntries > 256)
        return nullptr;
    try {
        auto palette = std::make_unique<PaletteObject>();
        palette->entries.assign(logPalette->palPalEntry, logPalette->palPalEntry + logPalette->palNumEntries);
        return Make(std::move(palette));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

uint32_t GetNearestPaletteIndex(HPALETTE paletteHandle, COLORREF colour) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const auto* palette = static_cast<PaletteObject*>(FindObject(registry, paletteHandle, GdiObject::Kind::Palette));
    if (palette == nullptr)
        return CLR_INVALID;
    const auto& entries = palette->entries;
    return Nearest(ColourRgb(colour), static_cast<uint32_t>(entries.size()), [&](uint32_t i) {
        return Rgb{entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    });
}

uint32_t GetPaletteEntries(HPALETTE paletteHandle, uint32_t start, uint32_t count, PALETTEENTRY* entries) {
    if (entries == nullptr)
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    const auto* palette = static_cast<PaletteObject*>(FindObject(registry, paletteHandle, GdiObject::Kind::Palette));
    if (palette == nullptr || start >= palette->entries.size())
        return 0;
    const uint32_t copied = std::min<uint32_t>(count, static_cast<uint32_t>(palette->entries.size()) - start);
    std::copy_n(palette->entries.begin() + start, copied, entries);
    return copied;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr || object == nullptr)
        return nullptr;
    if (auto* brush = static_cast<BrushObject*>(FindObject(registry, object, GdiObject::Kind::Brush)))
        return Swap(context->brush, brush);
    if (auto* pen = static_cast<PenObject*>(FindObject(registry, object, GdiObject::Kind::Pen)))
        return Swap(context->pen, pen);
    if (auto* font = static_cast<FontObject*>(FindObject(registry, object, GdiObject::Kind::Font)))
        return Swap(context->font, font);

    if (!context->memory)
        return nullptr;
    BitmapObject* bitmap = object == context->stockBitmap.get()
                               ? context->stockBitmap.get()
                               : static_cast<BitmapObject*>(FindObject(registry, object, GdiObject::Kind::Bitmap));
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
    const auto it = registry.objects.find(object);
    if (it == registry.objects.end())
        return false;
    const GdiObject& found = *it->second;
    if (found.stock)
        return true;
    if (found.selections > 0)
        return false;
    if (found.kind == GdiObject::Kind::Bitmap && static_cast<const BitmapObject&>(found).selectedInto != nullptr)
        return false;
    registry.objects.erase(it);
    return true;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return CLR_INVALID;
    return std::exchange(context->textColour, colour & 0xFFFFFF);
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    if (context == nullptr)
        return CLR_INVALID;
    return std::exchange(context->backColour, colour & 0xFFFFFF);
}

int SetBkMode(HDC dc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    return context == nullptr ? 0 : std::exchange(context->backMode, mode);
}

int SetROP2(HDC dc, int mode) {
    if (mode != R2_COPYPEN && mode != R2_MERGEPEN)
        return 0;
    Registry& registry = Objects();
    std::lock_guard<std::mutex> guard(registry.lock);
    DeviceContext* context = FindContext(registry, dc);
    return context == nullptr ? 0 : std::exchange(context->mixMode, mode);
}

}  // namespace sys::gdi
