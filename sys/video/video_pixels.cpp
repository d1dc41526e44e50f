#include <algorithm>
#include <bit>
#include <cstring>

#include "sys/video/video_core.h"
#include "sys/backend.h"

// Pixel layouts, pixel access, fills, stretching blits and the frame handed to presentation.
namespace sys::video::detail {

namespace {

bool ContiguousMask(uint32_t mask, uint32_t bits) {
    if (mask == 0) {
        return true;
    }
    if (bits < 32 && (mask >> bits) != 0) {
        return false;
    }
    const uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

// A channel of `mask` widened to 8 bits by repeating its top bits (0x1F becomes 0xFF).
uint32_t Channel(uint32_t value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int width = std::popcount(mask);
    uint32_t c = (value & mask) >> shift;
    if (width >= 8) {
        return c >> (width - 8);
    }
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << width) | c;
        filled += width;
    }
    return out >> (filled - 8);
}

}  // namespace

Format FormatRgb565() { return Format{16, false, false, 0xF800, 0x07E0, 0x001F, 0}; }
Format FormatXrgb8888() { return Format{32, false, false, 0xFF0000, 0x00FF00, 0x0000FF, 0}; }
Format FormatPalettised8() { return Format{8, true, false, 0, 0, 0, 0}; }

bool FormatForDepth(uint32_t bits, Format& format) {
    switch (bits) {
    case 8: format = FormatPalettised8(); return true;
    case 16: format = FormatRgb565(); return true;
    case 24: format = Format{24, false, false, 0xFF0000, 0x00FF00, 0x0000FF, 0}; return true;
    case 32: format = FormatXrgb8888(); return true;
    default: return false;
    }
}

bool FormatFromPixelFormat(const DDPIXELFORMAT& pf, Format& format) {
    if (pf.dwSize != 32) {
        return false;
    }
    if ((pf.dwFlags & DDPF_ZBUFFER) != 0) {
        const uint32_t bits = pf.dwZBufferBitDepth;
        if (bits != 16 && bits != 24 && bits != 32) {
            return false;
        }
        format = Format{bits, false, true, 0, 0, 0, 0};
        return true;
    }
    if ((pf.dwFlags & DDPF_PALETTEINDEXED8) != 0) {
        format = FormatPalettised8();
        return pf.dwRGBBitCount == 8;
    }
    if ((pf.dwFlags & DDPF_RGB) == 0) {
        return false;
    }
    const uint32_t bits = pf.dwRGBBitCount;
    if (bits != 16 && bits != 24 && bits != 32) {
        return false;
    }
    const uint32_t alpha = (pf.dwFlags & DDPF_ALPHAPIXELS) != 0 ? pf.dwRGBAlphaBitMask : 0;
    const uint32_t masks[] = {pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask, alpha};
    uint32_t seen = 0;
    for (uint32_t m : masks) {
        if (!ContiguousMask(m, bits) || (seen & m) != 0) {
            return false;
        }
        seen |= m;
    }
    if (pf.dwRBitMask == 0 || pf.dwGBitMask == 0 || pf.dwBBitMask == 0) {
        return false;
    }
    format = Format{bits, false, false, pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask, alpha};
    return true;
}

DDPIXELFORMAT PixelFormatOf(const Format& format) {
    DDPIXELFORMAT pf;
    if (format.depth) {
        pf.dwFlags = DDPF_ZBUFFER;
        pf.dwZBufferBitDepth = format.bits;
        pf.dwZBitMask = format.bits >= 32 ? 0xFFFFFFFFu : ((1u << format.bits) - 1u);
        return pf;
    }
    if (format.palettised) {
        pf.dwFlags = DDPF_PALETTEINDEXED8 | DDPF_RGB;
        pf.dwRGBBitCount = 8;
        return pf;
    }
    pf.dwFlags = DDPF_RGB | (format.alpha != 0 ? DDPF_ALPHAPIXELS : 0);
    pf.dwRGBBitCount = format.bits;
    pf.dwRBitMask = format.red;
    pf.dwGBitMask = format.green;
    pf.dwBBitMask = format.blue;
    pf.dwRGBAlphaBitMask = format.alpha;
    return pf;
}

uint32_t ReadPixel(const SurfaceState& s, uint32_t x, uint32_t y) {
    const uint8_t* p = s.Row(y) + static_cast<size_t>(x) * s.format.Bytes();
    switch (s.format.Bytes()) {
    case 1: return p[0];
    case 2: return static_cast<uint32_t>(p[0] | (p[1] << 8));
    case 3: return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    default: return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                    (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
}

void WritePixel(SurfaceState& s, uint32_t x, uint32_t y, uint32_t value) {
    uint8_t* p = s.Row(y) + static_cast<size_t>(x) * s.format.Bytes();
    const uint32_t bytes = s.format.Bytes();
    for (uint32_t i = 0; i < bytes; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t ToXrgb(const SurfaceState& s, uint32_t value) {
    if (s.format.palettised) {
        const uint32_t index = value & 0xFF;
        if (s.palette == nullptr) {
            return index * 0x010101u;
        }
        const PALETTEENTRY& e = s.palette->Entries()[index];
        return (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
    }
    if (s.format.depth) {
        return 0;
    }
    return (Channel(value, s.format.red) << 16) | (Channel(value, s.format.green) << 8) |
           Channel(value, s.format.blue);
}

bool Intersect(const RECT& a, const RECT& b, RECT& out) {
    out.left = std::max(a.left, b.left);
    out.top = std::max(a.top, b.top);
    out.right = std::min(a.right, b.right);
    out.bottom = std::min(a.bottom, b.bottom);
    return out.left < out.right && out.top < out.bottom;
}

void FillRect(SurfaceState& s, const RECT& r, uint32_t value) {
    const uint32_t bits = s.format.bits;
    if (bits < 32) {
        value &= (1u << bits) - 1u;
    }
    const uint32_t bytes = s.format.Bytes();
    for (int32_t y = r.top; y < r.bottom; ++y) {
        if (bytes == 2 || bytes == 4) {
            uint8_t* row = s.Row(static_cast<uint32_t>(y)) + static_cast<size_t>(r.left) * bytes;
            for (int32_t x = r.left; x < r.right; ++x, row += bytes) {
                std::memcpy(row, &value, bytes);  // little-endian: the low bytes are the pixel
            }
            continue;
        }
        for (int32_t x = r.left; x < r.right; ++x) {
            WritePixel(s, static_cast<uint32_t>(x), static_cast<uint32_t>(y), value);
        }
    }
}

namespace {

template <typename Pixel>
void CopyRow(SurfaceState& dst, int32_t y, const RECT& area, const SurfaceState& src, uint32_t sy,
             const std::vector<uint32_t>& columns, bool keyed, uint32_t low, uint32_t high) {
    const uint8_t* from = src.Row(sy);
    uint8_t* to = dst.Row(static_cast<uint32_t>(y)) + static_cast<size_t>(area.left) * sizeof(Pixel);
    const size_t count = static_cast<size_t>(area.right - area.left);
    if (count > 0 && columns[count - 1] == columns[0] + count - 1) {
        // Not stretched or mirrored: the source pixels follow each other.
        const uint8_t* run = from + static_cast<size_t>(columns[0]) * sizeof(Pixel);
        for (size_t i = 0; i < count; ++i) {
            Pixel v;
            std::memcpy(&v, run + i * sizeof(Pixel), sizeof(Pixel));
            if (!keyed || v < low || v > high) {
                std::memcpy(to + i * sizeof(Pixel), &v, sizeof(Pixel));
            }
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        Pixel v;
        std::memcpy(&v, from + static_cast<size_t>(columns[i]) * sizeof(Pixel), sizeof(Pixel));
        if (keyed && v >= low && v <= high) {
            continue;
        }
        std::memcpy(to + i * sizeof(Pixel), &v, sizeof(Pixel));
    }
}

}  // namespace

void StretchCopy(SurfaceState& dst, const RECT& dr, const SurfaceState& src, const RECT& sr, const RECT& clip,
                 const DDCOLORKEY* key, bool mirrorX, bool mirrorY) {
    RECT area;
    if (!Intersect(dr, clip, area)) {
        return;
    }
    const int64_t dw = dr.right - dr.left;
    const int64_t dh = dr.bottom - dr.top;
    const int64_t sw = sr.right - sr.left;
    const int64_t sh = sr.bottom - sr.top;
    if (dw == sw && dh == sh && key == nullptr && !mirrorX && !mirrorY) {
        // A plain copy, as every frame's present is: whole rows at a time.
        const size_t bytes = src.format.Bytes();
        const size_t rowBytes = static_cast<size_t>(area.right - area.left) * bytes;
        for (int32_t y = area.top; y < area.bottom; ++y) {
            const uint32_t sy = static_cast<uint32_t>(sr.top + (y - dr.top));
            const size_t sx = static_cast<size_t>(sr.left + (area.left - dr.left));
            std::memcpy(dst.Row(static_cast<uint32_t>(y)) + static_cast<size_t>(area.left) * bytes,
                        src.Row(sy) + sx * bytes, rowBytes);
        }
        return;
    }
    // Destination pixel i takes source pixel i * source size / destination size, counted over
    // the whole destination rectangle, so a clipped blit shows the same pixels as an unclipped one.
    std::vector<uint32_t> columns(static_cast<size_t>(area.right - area.left));
    for (int32_t x = area.left; x < area.right; ++x) {
        int64_t i = x - dr.left;
        if (mirrorX) {
            i = dw - 1 - i;
        }
        columns[static_cast<size_t>(x - area.left)] = static_cast<uint32_t>(sr.left + i * sw / dw);
    }
    uint32_t low = 0;
    uint32_t high = 0;
    if (key != nullptr) {
        const uint32_t mask = src.format.bits >= 32 ? 0xFFFFFFFFu : ((1u << src.format.bits) - 1u);
        low = key->dwColorSpaceLowValue & mask;
        high = std::max(low, key->dwColorSpaceHighValue & mask);
    }
    const uint32_t bytes = src.format.Bytes();
    const bool direct = bytes == dst.format.Bytes() && (bytes == 2 || bytes == 4);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        int64_t j = y - dr.top;
        if (mirrorY) {
            j = dh - 1 - j;
        }
        const uint32_t sy = static_cast<uint32_t>(sr.top + j * sh / dh);
        // The menus copy every picture through a colour key on every frame: the common pixel
        // sizes go straight through memory.
        if (direct && bytes == 2) {
            CopyRow<uint16_t>(dst, y, area, src, sy, columns, key != nullptr, low, high);
            continue;
        }
        if (direct) {
            CopyRow<uint32_t>(dst, y, area, src, sy, columns, key != nullptr, low, high);
            continue;
        }
        for (int32_t x = area.left; x < area.right; ++x) {
            const uint32_t v = ReadPixel(src, columns[static_cast<size_t>(x - area.left)], sy);
            if (key != nullptr && v >= low && v <= high) {
                continue;
            }
            WritePixel(dst, static_cast<uint32_t>(x), static_cast<uint32_t>(y), v);
        }
    }
}

void Present(SurfaceState& front) {
    if (front.device == nullptr || front.lost || front.pixels.empty()) {
        return;
    }
    const bool fullScreen = front.device->Exclusive();
    RECT area{0, 0, static_cast<int32_t>(front.width), static_cast<int32_t>(front.height)};
    if (!fullScreen) {
        // A window shows only the part of the screen under its client area.
        HWND window = sys::window::GetMainWindow();
        RECT client;
        POINT origin;
        if (window != nullptr && sys::window::GetClientRect(window, client) &&
            sys::window::ClientToScreen(window, origin)) {
            RECT onScreen{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
            RECT inside;
            if (!Intersect(area, onScreen, inside)) {
                return;
            }
            area = inside;
        }
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<uint32_t> frame(static_cast<size_t>(width) * static_cast<size_t>(height));
    const bool xrgb = front.format == FormatXrgb8888();
    const std::vector<uint32_t>* wide16 = nullptr;
    if (front.format.bits == 16 && !front.format.palettised && !front.format.depth) {
        // A 16-bit screen is widened on every frame: through a table made once per layout.
        static Format s_tableFormat;
        static std::vector<uint32_t> s_table;
        if (s_table.empty() || !(s_tableFormat == front.format)) {
            s_table.resize(0x10000);
            for (uint32_t v = 0; v < 0x10000; ++v) {
                s_table[v] = ToXrgb(front, v);
            }
            s_tableFormat = front.format;
        }
        wide16 = &s_table;
    }
    for (int y = 0; y < height; ++y) {
        uint32_t* out = frame.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        const auto row = static_cast<uint32_t>(area.top + y);
        if (xrgb) {
            // The frame's own layout: only the unused top byte is cleared.
            std::memcpy(out, front.Row(row) + static_cast<size_t>(area.left) * 4, static_cast<size_t>(width) * 4);
            for (int x = 0; x < width; ++x) {
                out[x] &= 0x00FFFFFFu;
            }
            continue;
        }
        if (wide16 != nullptr) {
            const uint8_t* in = front.Row(row) + static_cast<size_t>(area.left) * 2;
            for (int x = 0; x < width; ++x, in += 2) {
                out[x] = (*wide16)[static_cast<size_t>(in[0] | (in[1] << 8))];
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            out[x] = ToXrgb(front, ReadPixel(front, static_cast<uint32_t>(area.left + x), row));
        }
    }
    if (sys::CurrentBackend() == sys::Backend::Sdl) {
        SdlPresent(frame.data(), width, height, fullScreen);
    } else {
        HeadlessPresent(frame.data(), width, height);
    }
}

bool CanPresent() { return sys::CurrentBackend() != sys::Backend::Sdl || SdlCanPresent(); }

void FullScreenChanged(DeviceState& device, bool fullScreen) {
    if (sys::CurrentBackend() != sys::Backend::Sdl) {
        HeadlessFullScreenChanged(fullScreen ? static_cast<int>(device.modeWidth) : 0,
                                  fullScreen ? static_cast<int>(device.modeHeight) : 0);
        return;
    }
    if (fullScreen) {
        SdlEnterFullScreen(static_cast<int>(device.modeWidth), static_cast<int>(device.modeHeight));
    } else {
        SdlLeaveFullScreen();
    }
}

}  // namespace sys::video::detail
