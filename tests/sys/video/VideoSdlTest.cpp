// The SDL display backend on a machine without a display: with SDL's dummy video driver the
// main window exists, frames presented by a blit onto the primary surface and by a full-screen
// flip reach it, and leaving full screen gives the window back.

#include <gtest/gtest.h>

#include <cstdlib>

#include "sys/backend.h"
#include "sys/video/headless/headless_video.h"
#include "sys/video/sdl/sdl_video.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

namespace {

using namespace sys::video;

class VideoSdlTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        sys::SelectBackend(sys::Backend::Sdl);
        m_window = sys::window::CreateWindow("Tarvex", sys::WS_OVERLAPPED | sys::WS_CAPTION | sys::WS_VISIBLE, nullptr,
                                             [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
                                                 return sys::window::DefWindowProc(h, m, w, l);
                                             });
    }
    void TearDown() override {
        if (m_window != nullptr) {
            sys::window::DestroyWindow(m_window);
        }
        sys::SelectBackend(sys::Backend::Headless);
        sys::video::headless::Reset();
    }
    sys::HWND m_window = nullptr;
};

TEST_F(VideoSdlTest, FramesReachTheWindowInAWindowAndInFullScreen) {
    if (m_window == nullptr) {
        GTEST_SKIP() << "SDL cannot make a window here";
    }
    IDirectDraw4* dd = nullptr;
    ASSERT_EQ(CreateDirectDraw(&dd), DD_OK);
    ASSERT_EQ(dd->Initialize(nullptr), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(m_window, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface4* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    const uint64_t before = sys::video::sdl::PresentedFrames();
    // Earlier tests may have left frames in the headless capture.
    const auto headlessBefore = sys::video::headless::PresentCount();
    DDBLTFX fx;
    fx.dwFillColor = 0x00FF0000;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(sys::video::sdl::PresentedFrames(), before + 1);
    primary->Release();

    ASSERT_EQ(dd->SetCooperativeLevel(m_window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    desc = DDSURFACEDESC2{};
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(sys::video::sdl::PresentedFrames(), before + 2);
    primary->Release();
    ASSERT_EQ(dd->SetCooperativeLevel(m_window, DDSCL_NORMAL), DD_OK);
    dd->Release();
    // Nothing of this reached the headless capture.
    EXPECT_EQ(sys::video::headless::PresentCount(), headlessBefore);
}

}  // namespace
