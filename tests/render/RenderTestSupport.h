#pragma once

// A headless display for the renderer tests: a DirectDraw object on a main window, a primary
// surface and a back buffer made for 3D drawing (a flipping pair in full screen, an off-screen
// buffer of the desktop's format in a window), and the device record the display manager
// would fill for them.

#include <gtest/gtest.h>

#include <memory>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "sys/video/video.h"
#include "render/pipeline/SRaster.h"
#include "tests/dx/display/VideoTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace tarvex::test {

class RenderDisplayTest : public VideoTest {
protected:
    // The picture on a 16-bit surface, for comparing with a reference.
    static Image Capture(sys::video::IDirectDrawSurface4* surface) {
        sys::video::DDSURFACEDESC2 desc;
        surface->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr);
        Image image = ImageFromRGB565(desc.lpSurface, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                                      desc.lPitch);
        surface->Unlock(nullptr);
        return image;
    }
    // mode 0: a window with a back buffer of width x height; mode 1: 640 x 480 x 16 full screen.
    void OpenSurfaces(int mode, int width = 640, int height = 480,
                      uint32_t backCaps = sys::video::DDSCAPS_3DDEVICE) {
        draw = std::make_unique<SDXDraw>();
        // A display made again after a mode change binds to the main window made before.
        sys::HWND window = sys::window::GetMainWindow();
        if (window == nullptr) {
            window = MakeWindow();
        }
        ASSERT_EQ(draw->Create(sys::video::GUID{}), 1);
        ASSERT_EQ(draw->SetMode(mode, window), 1) << draw->GetErrorText();
        if (mode == 1) {
            ASSERT_EQ(draw->SetDisplayMode(640, 480, 16, 0, 0), 1) << draw->GetErrorText();
        }
        primary = std::make_unique<SDXSurface>();
        back = std::make_unique<SDXSurface>();
        if (mode == 1) {
            ASSERT_EQ(primary->CreatePrimarySurface(draw.get(), 2, backCaps), 1) << primary->GetErrorText();
            ASSERT_EQ(primary->GetBackBuffer(back.get()), 1) << primary->GetErrorText();
        } else {
            ASSERT_EQ(primary->CreatePrimarySurface(draw.get(), 1, 0), 1) << primary->GetErrorText();
            ASSERT_EQ(back->CreateSurface(draw.get(), width, height, backCaps, nullptr, 0), 1)
                << back->GetErrorText();
        }
        record = SRasterDeviceRecord{};
        record.pDisplay = draw.get();
        record.pPrimary = primary->GetSurface();
        record.pRenderTarget = back->GetSurface();
        record.dwDriver = 1;
    }

    void CloseSurfaces() {
        back.reset();
        primary.reset();
        draw.reset();
    }

    // Whether a z-buffer is still attached to the back buffer.
    bool BackBufferHasZBuffer() {
        sys::video::DDSCAPS2 caps;
        caps.dwCaps = sys::video::DDSCAPS_ZBUFFER;
        sys::video::IDirectDrawSurface4* z = nullptr;
        if (back->GetSurface()->GetAttachedSurface(&caps, &z) != sys::video::DD_OK || z == nullptr) {
            return false;
        }
        z->Release();
        return true;
    }

    std::unique_ptr<SDXDraw> draw;
    std::unique_ptr<SDXSurface> primary;
    std::unique_ptr<SDXSurface> back;
    SRasterDeviceRecord record;
};

}  // namespace tarvex::test
