#pragma once

#include <cstdint>
#include <vector>

#include "sys/video/video.h"

// The state behind sys::video, shared by the object code (video.cpp), the pixel work
// (video_pixels.cpp) and the two presentation backends. Nothing outside sys/ includes it.
namespace sys::video::detail {

// A pixel layout as the surfaces keep it. Masks select the channels of a pixel read as a
// little-endian number of `bits` bits; a palettised layout has none.
struct Format {
    uint32_t bits = 0;
    bool palettised = false;
    bool depth = false;  // a z-buffer: memory only, no colour
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    uint32_t alpha = 0;

    uint32_t Bytes() const { return (bits + 7) / 8; }
    friend bool operator==(const Format&, const Format&) = default;
};

Format FormatRgb565();
Format FormatXrgb8888();
Format FormatPalettised8();
// The layout a description's pixel format asks for; false when it is none we can keep.
bool FormatFromPixelFormat(const DDPIXELFORMAT& pf, Format& format);
DDPIXELFORMAT PixelFormatOf(const Format& format);
// The layout of a display mode of this depth (8 palettised, 16 RGB565, 24 RGB, 32 XRGB8888).
bool FormatForDepth(uint32_t bits, Format& format);

struct DeviceState;

struct SurfaceState {
    IDirectDrawSurface4* object = nullptr;
    DeviceState* device = nullptr;  // null once the DirectDraw object is gone
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t pitch = 0;
    Format format;
    uint32_t caps = 0;   // the capabilities it really has (memory kind included)
    uint32_t caps2 = 0;
    std::vector<uint8_t> pixels;
    uint32_t videoBytes = 0;  // video memory it takes, 0 in system memory

    bool lost = false;
    uint64_t madeFor = 0;  // the stamp of the display mode it was made for
    int locks = 0;
    HDC dc = nullptr;
    PALETTEENTRY dcPalette[256] = {};  // what an 8-bit surface's device context draws with

    bool hasSourceKey = false;
    DDCOLORKEY sourceKey;
    IDirectDrawPalette* palette = nullptr;  // one reference held
    IDirectDrawClipper* clipper = nullptr;  // one reference held

    // Complex surfaces: the root holds one reference to each surface made with it, in order
    // (back buffer, or mip levels 1..n-1); an attached surface knows its root.
    SurfaceState* root = nullptr;
    std::vector<IDirectDrawSurface4*> attached;
    // Surfaces attached by hand (a z-buffer), one reference held on each.
    std::vector<IDirectDrawSurface4*> added;

    bool IsPrimary() const { return (caps & DDSCAPS_PRIMARYSURFACE) != 0; }
    uint8_t* Row(uint32_t y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch); }
    const uint8_t* Row(uint32_t y) const {
        return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch);
    }
};

struct ClipperState {
    HWND window = nullptr;
    std::vector<RECT> rects;
    bool hasList = false;
};

struct DeviceState {
    IDirectDraw4* object = nullptr;
    bool initialized = false;
    GUID driver;
    uint32_t cooperative = 0;  // DDSCL_ flags last set, 0 before
    HWND window = nullptr;
    bool modeSet = false;
    uint32_t modeWidth = 0;
    uint32_t modeHeight = 0;
    uint32_t modeBits = 0;
    uint64_t createdUnder = 0;  // the desktop mode it was created under
    uint64_t modeStamp = 0;     // the full-screen mode it set last
    bool exclusiveLost = false;
    uint32_t videoUsed = 0;
    std::vector<SurfaceState*> surfaces;

    bool Exclusive() const { return (cooperative & DDSCL_EXCLUSIVE) != 0; }
};

// What the headless backend can make go wrong.
struct Faults {
    bool createFails = false;
    bool noHardware = false;
    bool hardwareDevice = true;
    std::vector<uint32_t> refusedDepths;
    uint32_t videoMemory = kVideoMemoryBytes;
    bool otherProgramExclusive = false;
    int cooperativeFailures = 0;  // SetCooperativeLevel calls still to refuse
};

struct Globals {
    std::vector<DeviceState*> devices;
    uint32_t desktopBits = 32;
    uint64_t desktopGeneration = 1;
    Faults faults;
};

Globals& G();

// One display mode of the list every driver reports.
struct Mode {
    uint32_t width;
    uint32_t height;
    uint32_t bits;
};
const std::vector<Mode>& Modes();

// The size and layout the primary surface of this device has now.
void PrimaryGeometry(const DeviceState& device, uint32_t& width, uint32_t& height, Format& format);

// Pixel work (video_pixels.cpp).
uint32_t ReadPixel(const SurfaceState& s, uint32_t x, uint32_t y);
void WritePixel(SurfaceState& s, uint32_t x, uint32_t y, uint32_t value);
// The pixel as 0x00RRGGBB; palettised pixels through the surface's palette (grey without one).
uint32_t ToXrgb(const SurfaceState& s, uint32_t value);
void FillRect(SurfaceState& s, const RECT& r, uint32_t value);
// Copies src rectangle `sr` onto `dr` of dst (stretching by nearest pixel), only inside `clip`
// (dst coordinates), skipping source pixels inside the key range when `key` is given.
void StretchCopy(SurfaceState& dst, const RECT& dr, const SurfaceState& src, const RECT& sr, const RECT& clip,
                 const DDCOLORKEY* key, bool mirrorX, bool mirrorY);

// Presentation: the visible part of a primary front buffer as 0x00RRGGBB rows.
void Present(SurfaceState& front);
// False when the display cannot show what a primary surface would present at all.
bool CanPresent();
// The device leaves the full-screen display, or set a full-screen display mode.
void FullScreenChanged(DeviceState& device, bool fullScreen);

// Backends.
void HeadlessPresent(const uint32_t* pixels, int width, int height);
// A full-screen mode of this size was set, or (0, 0) left.
void HeadlessFullScreenChanged(int width, int height);
void SdlPresent(const uint32_t* pixels, int width, int height, bool fullScreen);
bool SdlCanPresent();
// A full-screen display mode was set: the window covers the display and the desktop the
// program sees is the mode's size.
void SdlEnterFullScreen(int width, int height);
void SdlLeaveFullScreen();

// Which display mode a surface of this device is drawn for: the one the device set in full
// screen, else the desktop's.
uint64_t DisplayStamp(const DeviceState& device);
// Made under another display mode than its device shows now: lost for good.
bool WrongMode(const SurfaceState& s);
// Lost (itself or through the surface it belongs to) or made for another mode.
bool IsLostNow(const SurfaceState& s);
// Takes the memory, the device's bookkeeping and the device context away from a surface.
void Detach(SurfaceState& s);
void ClearPixels(SurfaceState& s);

// What the headless failure switches do to the live objects (video.cpp).
void LoseAll();
void LoseExclusive();
void RegainExclusive();
void DesktopChanged(uint32_t bits);

// Intersection; false when empty.
bool Intersect(const RECT& a, const RECT& b, RECT& out);

}  // namespace sys::video::detail
