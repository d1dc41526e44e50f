#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "sys/gdi/gdi.h"

// The state behind sys::gdi: the objects behind the handles, the registry that vouches for
// them, and the pixel helpers the drawing files share. The public functions take the registry
// lock and then work on these records. Nothing outside sys/ includes this.

namespace sys {

// Every object behind a GDI handle; the kind tells what a plain HGDIOBJ stands for.
struct GdiObject {
    enum class Kind { Bitmap, Brush, Pen, Font, Palette };
    explicit GdiObject(Kind k) : kind(k) {}
    virtual ~GdiObject() = default;
    Kind kind;
    bool stock = false;  // made by the layer itself: never deleted by callers
    int selections = 0;  // contexts holding it (brushes, pens, fonts)
};

// A bitmap made by CreateCompatibleBitmap (or a memory context's own 1 x 1 one): its pixels in
// the layout of the context it was made for. Owned by the registry, or by its memory context.
struct BitmapObject final : GdiObject {
    BitmapObject() : GdiObject(Kind::Bitmap) {}
    std::vector<uint8_t> pixels;
    std::array<PALETTEENTRY, 256> palette{};  // 8-bit bitmaps: their own copy
    gdi::PixelSurface surface;
    DeviceContext* selectedInto = nullptr;
};

// A solid brush, pen or font handle's object; owned by the registry until DeleteObject.
struct BrushObject final : GdiObject {
    explicit BrushObject(COLORREF c) : GdiObject(Kind::Brush), colour(c) {}
    COLORREF colour;
};

struct PenObject final : GdiObject {
    explicit PenObject(COLORREF c) : GdiObject(Kind::Pen), colour(c) {}
    COLORREF colour;
};

struct FontObject final : GdiObject {
    FontObject() : GdiObject(Kind::Font) {}
};

// A logical palette (CreatePalette): only looked up, never selected. Owned by the registry.
struct PaletteObject final : GdiObject {
    PaletteObject() : GdiObject(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// A device context: where it draws and its drawing state. Owned by the registry until DeleteDC;
// it holds its brush, pen and font (counted in their `selections`) but never owns them.
struct DeviceContext {
    bool memory = false;
    gdi::PixelSurface external;                // surface contexts: memory owned by the caller
    BitmapObject* selected = nullptr;           // memory contexts: the bitmap drawn into
    std::unique_ptr<BitmapObject> stockBitmap;  // memory contexts: selected when nothing else is

    BrushObject* brush = nullptr;
    PenObject* pen = nullptr;
    FontObject* font = nullptr;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    int backMode = OPAQUE;
    int mixMode = R2_COPYPEN;
    POINT position;

    const gdi::PixelSurface& Surface() const { return memory ? selected->surface : external; }
};

}  // namespace sys

namespace sys::gdi::detail {

// Live handles. Contexts and objects are found here before use, so a stale handle is refused.
struct Registry {
    std::mutex lock;
    std::unordered_map<const void*, std::unique_ptr<DeviceContext>> contexts;
    std::unordered_map<const void*, std::unique_ptr<GdiObject>> objects;
    // The objects of a new context: white brush, black pen, the built-in font.
    BrushObject* whiteBrush = nullptr;
    PenObject* blackPen = nullptr;
    FontObject* systemFont = nullptr;
};

// The registry, with its stock objects made on first use.
Registry& Objects();

DeviceContext* FindContext(Registry& registry, HDC dc);
GdiObject* FindObject(Registry& registry, const void* handle, GdiObject::Kind kind);

// --- Pixels --------------------------------------------------------------------------------

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Masks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    friend bool operator==(const Masks&, const Masks&) = default;
};

inline Rgb ColourRgb(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

// A channel of `width` bits widened to 8 by repeating its bits from the top.
uint8_t Widen(uint32_t value, int width);
uint8_t Extract(uint32_t pixel, uint32_t mask);
uint32_t Pack(const Rgb& colour, const Masks& masks);
uint32_t LoadPixel(const uint8_t* at, int bytes);
void StorePixel(uint8_t* at, int bytes, uint32_t pixel);
Masks SurfaceMasks(const PixelSurface& surface);
bool MaskFits(uint32_t mask, uint16_t bitsPerPixel);

// The colour-cube entry an 8-bit surface without palette shows, and the cube index of a colour.
Rgb CubeColour(int index);
uint8_t CubeIndex(const Rgb& colour);

// The colour of palette index `index` on an 8-bit surface.
Rgb PaletteColour(const PixelSurface& surface, uint32_t index);
// The nearest palette index of a colour on an 8-bit surface.
uint8_t NearestIndex(const PixelSurface& surface, const Rgb& colour);

inline uint8_t* PixelAt(const PixelSurface& surface, int x, int y) {
    return static_cast<uint8_t*>(surface.bits) + static_cast<ptrdiff_t>(y) * surface.pitch +
           static_cast<ptrdiff_t>(x) * (surface.bitsPerPixel / 8);
}

inline uint32_t ReadRaw(const PixelSurface& surface, int x, int y) {
    return LoadPixel(PixelAt(surface, x, y), surface.bitsPerPixel / 8);
}

inline void WriteRaw(const PixelSurface& surface, int x, int y, uint32_t value) {
    StorePixel(PixelAt(surface, x, y), surface.bitsPerPixel / 8, value);
}

Rgb ReadRgb(const PixelSurface& surface, int x, int y);

// Turns colours into the pixel values of one surface; on 8-bit surfaces the nearest-index
// search is remembered per colour, as a picture repeats few colours many times.
class ColourMapper {
public:
    explicit ColourMapper(const PixelSurface& surface) : m_surface(surface), m_masks(SurfaceMasks(surface)) {}
    uint32_t Map(const Rgb& colour);
    uint32_t Map(COLORREF colour) { return Map(ColourRgb(colour)); }

private:
    const PixelSurface& m_surface;
    Masks m_masks;
    std::unordered_map<uint32_t, uint8_t> m_nearest;
};

// Writes pixel values into a surface inside a clip rectangle (already cut to the surface),
// copying them or ORing them in (R2_MERGEPEN).
struct Painter {
    const PixelSurface& surface;
    RECT clip;
    uint32_t value = 0;
    bool merge = false;

    void Point(int x, int y) const;
    // Pixels [x0, x1) of row y.
    void Span(int x0, int x1, int y) const;
    void Fill(const RECT& rect) const;
};

// The whole surface as a rectangle.
RECT SurfaceRect(const PixelSurface& surface);
RECT Intersect(const RECT& a, const RECT& b);
inline bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace sys::gdi::detail
