#pragma once

// Shared set-up of the display tests: the headless display and window backends reset around
// every test, a main window to bind displays to, pixel access to surfaces through their locks,
// and a small image resource that draws a fixed picture into a surface and counts its draws.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/SResource.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

namespace tarvex::test {

inline sys::video::DDPIXELFORMAT RgbFormat(uint32_t bits, uint32_t red, uint32_t green, uint32_t blue) {
    sys::video::DDPIXELFORMAT pf;
    pf.dwFlags = sys::video::DDPF_RGB;
    pf.dwRGBBitCount = bits;
    pf.dwRBitMask = red;
    pf.dwGBitMask = green;
    pf.dwBBitMask = blue;
    return pf;
}

inline sys::video::DDPIXELFORMAT Format565() { return RgbFormat(16, 0xF800, 0x07E0, 0x001F); }
inline sys::video::DDPIXELFORMAT Format555() { return RgbFormat(16, 0x7C00, 0x03E0, 0x001F); }
inline sys::video::DDPIXELFORMAT Format888() { return RgbFormat(32, 0xFF0000, 0x00FF00, 0x0000FF); }
inline sys::video::DDPIXELFORMAT Format8() {
    sys::video::DDPIXELFORMAT pf;
    pf.dwFlags = sys::video::DDPF_PALETTEINDEXED8 | sys::video::DDPF_RGB;
    pf.dwRGBBitCount = 8;
    return pf;
}

// An off-screen system-memory surface description in a given pixel format.
inline sys::video::DDSURFACEDESC2 OffscreenDesc(int width, int height, const sys::video::DDPIXELFORMAT& pf) {
    sys::video::DDSURFACEDESC2 desc;
    desc.dwFlags = sys::video::DDSD_CAPS | sys::video::DDSD_WIDTH | sys::video::DDSD_HEIGHT |
                   sys::video::DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<uint32_t>(width);
    desc.dwHeight = static_cast<uint32_t>(height);
    desc.ddpfPixelFormat = pf;
    desc.ddsCaps.dwCaps = sys::video::DDSCAPS_OFFSCREENPLAIN | sys::video::DDSCAPS_SYSTEMMEMORY;
    return desc;
}

// Reads and writes single pixels through the surface's lock, honouring its pitch.
inline uint32_t PixelAt(sys::video::IDirectDrawSurface4* surface, int x, int y) {
    sys::video::DDSURFACEDESC2 desc;
    if (surface->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr) != sys::video::DD_OK) {
        ADD_FAILURE() << "lock failed";
        return 0xDEADBEEF;
    }
    const uint32_t bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    const auto* p = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch +
                    static_cast<ptrdiff_t>(x) * bytes;
    uint32_t value = 0;
    std::memcpy(&value, p, bytes);
    surface->Unlock(nullptr);
    return value;
}

inline void SetPixelAt(sys::video::IDirectDrawSurface4* surface, int x, int y, uint32_t value) {
    sys::video::DDSURFACEDESC2 desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr), sys::video::DD_OK);
    const uint32_t bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    auto* p = static_cast<uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch +
              static_cast<ptrdiff_t>(x) * bytes;
    std::memcpy(p, &value, bytes);
    surface->Unlock(nullptr);
}

// Writes a row-major picture (width values per row) into the top-left of a surface.
inline void WritePicture(sys::video::IDirectDrawSurface4* surface, int width, const std::vector<uint32_t>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        SetPixelAt(surface, static_cast<int>(i % static_cast<size_t>(width)),
                   static_cast<int>(i / static_cast<size_t>(width)), values[i]);
    }
}

inline std::vector<uint32_t> ReadPicture(sys::video::IDirectDrawSurface4* surface, int width, int height) {
    std::vector<uint32_t> values;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            values.push_back(PixelAt(surface, x, y));
        }
    }
    return values;
}

// An image resource: fills the surface it is drawn into with one pixel value, counts its draws,
// and hands out a palette whose entry i is (i, 255 - i, 7, 0).
class TestImage : public SResource {
public:
    TestImage(int width, int height, uint32_t value) : m_width(width), m_height(height), m_value(value) {}

    int BlitTo(SDXSurface* target) override {
        ++draws;
        if (!answer || target == nullptr || target->GetSurface() == nullptr) {
            return 0;
        }
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                SetPixelAt(target->GetSurface(), x, y, m_value);
            }
        }
        return 1;
    }
    int GetPaletteEntries(int first, int count, sys::PALETTEENTRY* entries) override {
        for (int i = 0; i < count; ++i) {
            const int index = first + i;
            entries[i] = sys::PALETTEENTRY{static_cast<uint8_t>(index), static_cast<uint8_t>(255 - index), 7, 0};
        }
        return 1;
    }
    int32_t GetWidth() override { return m_width; }
    int32_t GetHeight() override { return m_height; }

    int draws = 0;
    bool answer = true;

private:
    int m_width;
    int m_height;
    uint32_t m_value;
};

// Resets the headless display and window around each test and offers the main window.
class VideoTest : public testing::Test {
protected:
    void SetUp() override {
        sys::video::headless::Reset();
        sys::window::headless::Reset();
    }
    void TearDown() override {
        sys::video::headless::Reset();
        sys::window::headless::Reset();
    }

    // A visible main window with a 640 x 480 client area centred on the 1024 x 768 desktop.
    sys::HWND MakeWindow() {
        const uint32_t style = sys::WS_OVERLAPPED | sys::WS_CAPTION | sys::WS_SYSMENU | sys::WS_VISIBLE;
        sys::HWND window = sys::window::CreateWindow("Tarvex", style, nullptr,
                                                     [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                                         return sys::window::DefWindowProc(h, m, w, l);
                                                     });
        EXPECT_NE(window, nullptr);
        return window;
    }

    // A DirectDraw object with the cooperative level of `mode` (0 windowed, 1 full screen) on a
    // new main window; in full screen also the display mode.
    void OpenDisplay(SDXDraw& draw, int mode, uint32_t bits = 16) {
        sys::HWND window = MakeWindow();
        ASSERT_EQ(draw.Create(sys::video::GUID{}), 1);
        ASSERT_EQ(draw.SetMode(mode, window), 1) << draw.GetErrorText();
        if (mode == 1) {
            ASSERT_EQ(draw.SetDisplayMode(640, 480, bits, 0, 0), 1) << draw.GetErrorText();
        }
    }
};

}  // namespace tarvex::test
