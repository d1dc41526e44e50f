#pragma once

#include <cstdint>

#include "sys/window/window.h"

// The GDI seam: device contexts over pixel surfaces, in the vocabulary the program is written
// in. A device context (HDC) draws into one surface: either memory someone else owns (a
// display surface, a test's buffer: CreateSurfaceDC) or, for a memory context, the bitmap
// selected into it. Surfaces hold 8-bit palettised, 16-bit RGB565 or RGB555, 24-bit (blue,
// green, red bytes) or 32-bit XRGB8888 pixels, rows top to bottom with a pitch in bytes.
//
// A context carries the drawing state of the platform: a solid brush (white), a solid pen
// (black, one pixel), a font (the built-in one), a text colour (black), a background colour
// (white), a background mode (OPAQUE), a mix mode (R2_COPYPEN) and a current position (0, 0);
// the values in brackets are those of a new context. Every drawing is cut to the surface;
// there are no clip regions.
//
// There is one font: a fixed-pitch bitmap font whose cells are kFontCellWidth x
// kFontCellHeight pixels (see the constants below). Every font handle draws with it, so text
// metrics are the same on every machine.
//
// Colours are COLORREF values (0x00BBGGRR). On an 8-bit surface a colour becomes the nearest
// entry of the surface's palette; the mix mode R2_MERGEPEN ORs pixel values as stored (palette
// indexes on 8-bit surfaces).
//
// Handles are checked against the live objects, so a stale or foreign handle is refused with
// the failure answer rather than touched. Objects may be used from any thread, one call at a
// time (calls are serialised); a context and what it draws into belong to its maker.

namespace sys {

using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) | (static_cast<COLORREF>(blue) << 16);
}
constexpr uint8_t GetRValue(COLORREF colour) { return static_cast<uint8_t>(colour); }
constexpr uint8_t GetGValue(COLORREF colour) { return static_cast<uint8_t>(colour >> 8); }
constexpr uint8_t GetBValue(COLORREF colour) { return static_cast<uint8_t>(colour >> 16); }

// The failure answer of the colour setters and of GetNearestPaletteIndex.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct SIZE {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const SIZE&, const SIZE&) = default;
};

struct DeviceContext;
using HDC = DeviceContext*;

struct BitmapObject;
using HBITMAP = BitmapObject*;
struct BrushObject;
using HBRUSH = BrushObject*;
struct PenObject;
using HPEN = PenObject*;
struct FontObject;
using HFONT = FontObject*;
struct PaletteObject;
using HPALETTE = PaletteObject*;

// Any GDI object (bitmap, brush, pen, font, palette); typed handles convert to it.
using HGDIOBJ = void*;

// Raster operation of BitBlt, StretchBlt and StretchDIBits: the source copied unchanged.
constexpr uint32_t SRCCOPY = 0x00CC0020;

// Mix modes (SetROP2): the pen's colour replaces the pixel, or is ORed into it.
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPEN = 15;

// Background modes (SetBkMode): whether text cells are filled with the background colour.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Pen style: solid is the only one.
constexpr int PS_SOLID = 0;

// DrawText format bits. DT_VCENTER only acts together with DT_SINGLELINE, as on the platform.
constexpr uint32_t DT_TOP = 0x0000;
constexpr uint32_t DT_LEFT = 0x0000;
constexpr uint32_t DT_CENTER = 0x0001;
constexpr uint32_t DT_RIGHT = 0x0002;
constexpr uint32_t DT_VCENTER = 0x0004;
constexpr uint32_t DT_WORDBREAK = 0x0010;
constexpr uint32_t DT_SINGLELINE = 0x0020;
constexpr uint32_t DT_NOCLIP = 0x0100;
constexpr uint32_t DT_CALCRECT = 0x0400;
constexpr uint32_t DT_NOPREFIX = 0x0800;

// Compression values of a bitmap header.
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;

// The colour table of a bitmap holds colours, not palette indexes.
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

// One palette colour, 4 bytes: red, green, blue, flags.
struct PALETTEENTRY {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};
static_assert(sizeof(PALETTEENTRY) == 4);

// Flags of a palette entry: the entry names a system palette index (its red byte); the entry
// gets a palette slot of its own even when its colour is already there.
constexpr uint8_t PC_EXPLICIT = 0x02;
constexpr uint8_t PC_NOCOLLAPSE = 0x04;

// A logical palette with room for 256 entries; palNumEntries says how many are used.
struct LOGPALETTE {
    uint16_t palVersion = 0x300;
    uint16_t palNumEntries = 0;
    PALETTEENTRY palPalEntry[256];
};

}  // namespace sys

namespace sys::gdi {

// Metrics of the built-in font: every character is kFontCellWidth pixels wide (the advance)
// and kFontCellHeight pixels high, kFontAscent of them above the baseline.
constexpr int kFontCellWidth = 6;
constexpr int kFontCellHeight = 10;
constexpr int kFontAscent = 8;

// --- Surfaces and contexts -----------------------------------------------------------------

// Pixel memory a device context can draw into. Masks select each channel inside a pixel read
// as a little-endian number of bitsPerPixel bits (16, 24 and 32 bits), so layouts beyond the
// usual ones (texture formats with alpha) are described by their masks; drawing writes 0 into
// bits outside the three masks (copies between surfaces of one layout keep them). An 8-bit
// surface has no masks: its pixels are indexes into
// `palette`.
struct PixelSurface {
    void* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // bytes from one row to the next
    uint16_t bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    // 8-bit surfaces (required there): 256 entries owned by the caller, read at each drawing
    // call, so a changed palette takes effect at once. Kept alive until DeleteDC.
    const PALETTEENTRY* palette = nullptr;
};

// The pixel layouts a display surface can have.
enum class PixelFormat {
    Indexed8,  // palette indexes
    Rgb565,
    Rgb555,    // the top bit unused
    Rgb888,    // 3 bytes: blue, green, red
    Xrgb8888,  // blue in the low byte, the top byte unused
};

// The surface record of a pixel buffer: pointer, size, pitch in bytes and layout; `palette`
// only for Indexed8 (see PixelSurface). This is the entry point for display surfaces: the
// surface's GetDC makes CreateSurfaceDC(DescribeSurface(...)) and its ReleaseDC DeleteDC.
PixelSurface DescribeSurface(void* bits, int32_t width, int32_t height, int32_t pitch, PixelFormat format,
                             const PALETTEENTRY* palette = nullptr);

// The surface record of the usual layout for 8 (palettised: set `palette` before use), 16
// (RGB565), 24 or 32 (XRGB8888) bits per pixel.
PixelSurface DescribeSurface(void* bits, int32_t width, int32_t height, int32_t pitch, uint16_t bitsPerPixel);

// A device context drawing into memory the caller keeps alive until DeleteDC. Null when the
// record is unusable (no memory, a size below 1, a pitch too small, a depth other than 8, 16,
// 24 or 32, a mask of none or out of range, an 8-bit surface without palette).
HDC CreateSurfaceDC(const PixelSurface& surface);

// A memory context in the pixel format of `reference` (32-bit XRGB8888 when null), holding a
// 1 x 1 stock bitmap until another bitmap is selected into it.
HDC CreateCompatibleDC(HDC reference);

// Deletes a context made by either function above. The objects selected into it become free
// again (selectable, deletable). False for an unknown handle.
bool DeleteDC(HDC dc);

// --- Objects -------------------------------------------------------------------------------

// A bitmap of width x height pixels in the pixel format of the context's current surface
// (8-bit bitmaps keep a copy of the context's palette), cleared to zero. Null for an unknown
// context or a size below 1.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

HBRUSH CreateSolidBrush(COLORREF colour);

// A solid pen. Only PS_SOLID pens of width 0 or 1 (both one pixel) exist; anything else is
// refused with null.
HPEN CreatePen(int style, int width, COLORREF colour);

// A font handle. All arguments are accepted and kept out of the picture: every font draws with
// the built-in font. Null only when memory runs out.
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, uint32_t italic,
                 uint32_t underline, uint32_t strikeOut, uint32_t charSet, uint32_t outPrecision,
                 uint32_t clipPrecision, uint32_t quality, uint32_t pitchAndFamily, const char* faceName);

// A palette of palNumEntries (1 to 256) entries. Null for a null record or a bad count.
HPALETTE CreatePalette(const LOGPALETTE* logPalette);

// Index of the palette entry nearest to the colour (smallest sum of squared channel
// differences; the lowest index among equals). CLR_INVALID for an unknown palette.
uint32_t GetNearestPaletteIndex(HPALETTE palette, COLORREF colour);

// Copies count entries from `start` on into `entries` (at most to the end of the palette);
// answers the number copied, 0 for an unknown palette or a null array.
uint32_t GetPaletteEntries(HPALETTE palette, uint32_t start, uint32_t count, PALETTEENTRY* entries);

// Selects a bitmap (memory contexts only), brush, pen or font into a context and returns the
// object of that kind it replaces (to be selected back before the context or the object is
// deleted). Null when the context or the object is unknown, a bitmap goes to a context that is
// no memory context, a bitmap is selected into another context already, or the object is a
// palette.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// Frees an object. False for an unknown handle or an object still selected into a context.
// The layer's own objects (the ones a new context starts with) are kept; the answer is true.
bool DeleteObject(HGDIOBJ object);

// --- Drawing state -------------------------------------------------------------------------

// Each answers the previous value; CLR_INVALID (colours) or 0 (modes) for an unknown context
// or a mode other than those listed above.
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
int SetBkMode(HDC dc, int mode);
int SetROP2(HDC dc, int mode);

// --- Shapes --------------------------------------------------------------------------------
// Rectangles are left/top inclusive, right/bottom exclusive. FillRect and FrameRect copy the
// brush's colour whatever the mix mode; Rectangle and LineTo use the mix mode.

// Fills the rectangle with the brush. False for an unknown context or brush.
bool FillRect(HDC dc, const RECT& rect, HBRUSH brush);

// Draws a one-pixel border just inside the rectangle with the brush; nothing for an empty
// rectangle. False for an unknown context or brush.
bool FrameRect(HDC dc, const RECT& rect, HBRUSH brush);

// Outlines the rectangle with the current pen (its outermost pixels) and fills the inside with
// the current brush. Swapped corners are put in order. False for an unknown context.
bool Rectangle(HDC dc, int left, int top, int right, int bottom);

// Sets the current position, returning the old one in `previous` when given.
bool MoveToEx(HDC dc, int x, int y, POINT* previous);

// Draws a line with the current pen from the current position to (x, y), that end point left
// out, and makes (x, y) the current position.
bool LineTo(HDC dc, int x, int y);

// --- Text ----------------------------------------------------------------------------------
// `count` -1 means the text runs to its terminating zero. Characters outside 32 to 126 draw as
// blanks of the normal width. Text is drawn in the text colour; in OPAQUE mode the cells
// behind it are filled with the background colour first.

// Draws the text with the top-left corner of its first cell at (x, y).
bool TextOut(HDC dc, int x, int y, const char* text, int count);

// The width (count x kFontCellWidth) and height (kFontCellHeight) of the text in the
// context's font; an empty text is 0 wide and one cell high.
bool GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size);

// Lays the text out in the rectangle and draws it, cut to the rectangle unless DT_NOCLIP.
// - Lines end at "\n" (a "\r" before it is dropped) unless DT_SINGLELINE, where they are
//   blanks. With DT_WORDBREAK a line also ends before a word that would pass the right edge
//   (a word wider than the rectangle stays whole on a line of its own); the blanks at the
//   break are dropped.
// - Each line starts at the left, is centred (DT_CENTER: left + (width - line width) / 2) or
//   right-aligned (DT_RIGHT). Lines follow each other from the top; with DT_SINGLELINE and
//   DT_VCENTER the line's top is top + (height - line height) / 2.
// - Unless DT_NOPREFIX an "&" is not drawn and underlines the next character; "&&" is an "&".
// - DT_CALCRECT draws nothing and sets the rectangle's right to left + the widest line and its
//   bottom to top + the height of all lines.
// Other format bits are ignored. An empty text is one line of width 0. Answers the height of the text (with DT_VCENTER: the
// offset of its bottom from the rectangle's top); 0 for an unknown context or a null rectangle.
int DrawText(HDC dc, const char* text, int count, RECT* rect, uint32_t format);

// --- Copies --------------------------------------------------------------------------------
// The raster operation must be SRCCOPY. Pixels convert between formats by colour; between two
// 8-bit surfaces the indexes are copied unchanged. Parts outside either surface are left out.

// Copies a cx x cy block from (x1, y1) of the source context to (x, y) of the destination.
// False for an unknown context or another operation.
bool BitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, uint32_t rop);

// Copies the source rectangle (x1, y1, cx1 x cy1) into the destination rectangle (x, y,
// cx x cy), scaling by taking the nearest source pixel; a negative width or height on one side
// only mirrors the picture along that axis. False for an unknown context or another operation.
bool StretchBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int x1, int y1, int cx1, int cy1,
                uint32_t rop);

// Draws a rectangle of a device-independent bitmap (the source rectangle xSrc, ySrc, wSrc x
// hSrc, its origin at the top-left of the picture) into the destination rectangle, scaled as
// in StretchBlt (a negative destination height turns the picture upside down). The bitmap is
// 1, 4, 8 or 24 bits per pixel (BI_RGB), or 16 or 32 bits (BI_RGB or BI_BITFIELDS); its colour
// table (1, 4, 8 bits) holds biClrUsed entries, or 2^bits when that is 0, and an index past
// the table reads as black. `bits` holds |biHeight| rows padded to four bytes, bottom row first
// unless biHeight is negative; when biSizeImage is given it must cover them. Answers the number
// of source rows drawn (hSrc, or the rows of it inside the bitmap), 0 for an unknown context,
// a bad header or format, null bits, or another operation.
int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, uint32_t usage, uint32_t rop);

// Reads a bitmap as a device-independent bitmap.
// - bits null: fills the header. When biBitCount is 0 the bitmap's own format is described
//   (8-bit: BI_RGB with its palette as the colour table; 16-bit: BI_BITFIELDS with the masks in
//   bmiColors; 24 and 32-bit: BI_RGB); otherwise the format asked for is kept. Width, height
//   (positive), planes and biSizeImage are filled in. Answers 1, or 0 for an unknown bitmap or
//   a header whose biSize is below 40.
// - bits given: writes `lines` rows from row `start` on, in the format the header asks for:
//   8 bits (an 8-bit bitmap: its indexes, its palette as the colour table; others: indexes
//   into the fixed 3-3-2 colour cube, whose 256 entries are written to the colour table), 16
//   bits (BI_RGB: 5-5-5; BI_BITFIELDS: the masks in bmiColors), 24 bits, or 32 bits (BI_RGB:
//   XRGB8888; BI_BITFIELDS: the masks). Rows are padded to a multiple of four bytes; a
//   positive height counts rows from the bottom of the picture (row `start` = 0 is the bottom
//   line), a negative one from the top. The header's width and height become the bitmap's
//   (keeping the sign asked for) and biSizeImage is filled in. Answers the number of rows
//   written, 0 on failure (unknown bitmap, unsupported format).
// Channels narrower than 8 bits widen by repeating their top bits (0x1F becomes 0xFF).
int GetDIBits(HDC dc, HBITMAP bitmap, uint32_t start, uint32_t lines, void* bits, BITMAPINFO* info,
              uint32_t usage);

}  // namespace sys::gdi
