#pragma once

#include <cstdint>

// The GDI seam: device contexts over pixel surfaces, in the vocabulary the program is written
// in. A device context (HDC) draws into one surface: either memory someone else owns (a
// display surface, a test's buffer: CreateSurfaceDC) or, for a memory context, the bitmap
// selected into it. Surfaces hold 16-bit RGB565, 24-bit (blue, green, red bytes) or 32-bit
// XRGB8888 pixels, rows top to bottom with a pitch in bytes.
//
// Handles are checked against the live objects, so a stale or foreign handle is refused with
// the failure answer rather than touched. Everything here belongs to the thread that made it.

namespace sys {

struct DeviceContext;
using HDC = DeviceContext*;

struct BitmapObject;
using HBITMAP = BitmapObject*;

// Any GDI object (today: bitmaps); typed handles convert to it.
using HGDIOBJ = void*;

// Raster operation of BitBlt: the source copied unchanged.
constexpr uint32_t SRCCOPY = 0x00CC0020;

// Compression values of a bitmap header.
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;

// GetDIBits: the colour table holds colours, not palette indexes.
constexpr uint32_t DIB_RGB_COLORS = 0;

// The 40-byte header of a device-independent bitmap, as BMP files store it.
struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive: rows bottom to top; negative: top to bottom
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = BI_RGB;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
};

// A header with room for the largest colour table (256 entries), so no call writes past it.
// With BI_BITFIELDS the first three entries hold the red, green and blue masks as 32-bit words.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};

}  // namespace sys

namespace sys::gdi {

// Pixel memory a device context can draw into. Masks select each channel inside a pixel read
// as a little-endian number of bitsPerPixel bits.
struct PixelSurface {
    void* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // bytes from one row to the next
    uint16_t bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
};

// The surface record of the usual layout for 16 (RGB565), 24 or 32 (XRGB8888) bits per pixel.
PixelSurface DescribeSurface(void* bits, int32_t width, int32_t height, int32_t pitch, uint16_t bitsPerPixel);

// A device context drawing into memory the caller keeps alive until DeleteDC. Null when the
// record is unusable (no memory, a size below 1, a pitch too small, a depth other than 16, 24
// or 32, a mask of none or out of range).
HDC CreateSurfaceDC(const PixelSurface& surface);

// A memory context in the pixel format of `reference` (32-bit XRGB8888 when null), holding a
// 1 x 1 stock bitmap until another bitmap is selected into it.
HDC CreateCompatibleDC(HDC reference);

// Deletes a context made by either function above. A bitmap still selected into a memory
// context becomes free again (selectable, deletable). False for an unknown handle.
bool DeleteDC(HDC dc);

// A bitmap of width x height pixels in the pixel format of the context's current surface,
// cleared to black. Null for an unknown context or a size below 1.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

// Selects a bitmap into a memory context and returns the bitmap it replaces (to be selected
// back before the context or the bitmap is deleted). Null when the context is no memory
// context, the object is unknown, or the bitmap is selected into another context already.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// Frees a bitmap. False for an unknown handle or a bitmap still selected into a context.
bool DeleteObject(HGDIOBJ object);

// Copies a cx x cy block from (x1, y1) of the source context to (x, y) of the destination,
// converting between pixel formats. Parts outside either surface are left out. Only SRCCOPY is
// known; another operation or an unknown context gives false.
bool BitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, uint32_t rop);

// Reads a bitmap as a device-independent bitmap.
// - bits null: fills the header. When biBitCount is 0 the bitmap's own format is described
//   (16-bit: BI_BITFIELDS with the masks in bmiColors; 24 and 32-bit: BI_RGB); otherwise the
//   format asked for is kept. Width, height (positive), planes and biSizeImage are filled in.
//   Answers 1, or 0 for an unknown bitmap or a header whose biSize is below 40.
// - bits given: writes `lines` rows from row `start` on, in the format the header asks for:
//   8 bits (indexes into a fixed 3-3-2 colour cube, whose 256 entries are written to the
//   colour table), 16 bits (BI_RGB: 5-5-5; BI_BITFIELDS: the masks in bmiColors), 24 bits, or
//   32 bits (BI_RGB: XRGB8888; BI_BITFIELDS: the masks). Rows are padded to a multiple of four
//   bytes; a positive height counts rows from the bottom of the picture (row `start` = 0 is the
//   bottom line), a negative one from the top. The header's width and height become the
//   bitmap's (keeping the sign asked for) and biSizeImage is filled in. Answers the number of
//   rows written, 0 on failure (unknown bitmap, unsupported format).
// Channels narrower than 8 bits widen by repeating their top bits (0x1F becomes 0xFF).
int GetDIBits(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, void* bits, BITMAPINFO* info,
              uint32_t usage);

}  // namespace sys::gdi
