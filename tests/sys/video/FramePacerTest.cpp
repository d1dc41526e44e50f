// Presentation pacing: frames at most one refresh apart on the Sdl display, and the headless
// display never waiting.

#include <gtest/gtest.h>

#include <cstdint>

#include "sys/time/time.h"
#include "sys/video/frame_pacer.h"
#include "sys/video/headless/headless_video.h"
#include "sys/video/video.h"
#include "sys/window/headless/headless_window.h"
#include "sys/window/window.h"

namespace {

using sys::video::FramePacer;

TEST(FramePacerTest, FramesWaitForTheNextRefreshAndLateOnesStartAgain) {
    const struct {
        int hertz;
        double period;
    } rates[] = {{60, 1.0 / 60}, {75, 1.0 / 75}, {0, 1.0 / 60}, {-1, 1.0 / 60}, {100000, 1.0 / 60}};
    for (const auto& r : rates) {
        FramePacer pacer;
        pacer.SetRefreshRate(r.hertz);
        EXPECT_DOUBLE_EQ(pacer.Period(), r.period) << r.hertz;
    }

    FramePacer pacer;
    pacer.SetRefreshRate(50);  // 20 ms
    EXPECT_DOUBLE_EQ(pacer.WaitBefore(5.0), 0.0);  // the first frame goes at once
    pacer.Presented(5.0);
    const struct {
        double now;
        double wait;
    } steps[] = {{5.0, 0.020}, {5.005, 0.015}, {5.020, 0.0}, {5.5, 0.0}};
    for (const auto& s : steps) {
        EXPECT_NEAR(pacer.WaitBefore(s.now), s.wait, 1e-9) << s.now;
    }
    // Shown late, at 5.5: the next one is due a period after that, not at once to catch up.
    pacer.Presented(5.5);
    EXPECT_NEAR(pacer.WaitBefore(5.51), 0.010, 1e-9);
}

TEST(FramePacerTest, TheHeadlessDisplayNeverWaits) {
    using namespace sys::video;
    sys::window::headless::Reset();
    headless::Reset();
    const sys::HWND window = sys::window::CreateWindow(
        "Tarvex", sys::WS_OVERLAPPED | sys::WS_CAPTION | sys::WS_VISIBLE, nullptr,
        [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) { return sys::window::DefWindowProc(h, m, w, l); });
    ASSERT_NE(window, nullptr);
    IDirectDraw4* dd = nullptr;
    ASSERT_EQ(CreateDirectDraw(&dd), DD_OK);
    ASSERT_EQ(dd->Initialize(nullptr), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface4* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDBLTFX fx;
    fx.dwFillColor = 0x00204080;
    // Paced at 60 Hz, every frame after the first would have to wait at least 16 ms. Waiting
    // here means sleeping, and a headless sleep moves the fake clock: it must not move.
    const uint32_t before = sys::time::TickCount();
    const double secondsBefore = sys::time::Seconds();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    }
    EXPECT_EQ(sys::time::TickCount(), before);
    EXPECT_EQ(sys::time::Seconds(), secondsBefore);
    EXPECT_EQ(headless::PresentCount(), 20u);
    primary->Release();
    dd->Release();
    sys::window::DestroyWindow(window);
    sys::window::headless::Reset();
}

}  // namespace
