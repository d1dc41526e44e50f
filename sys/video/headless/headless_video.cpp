#include "sys/video/headless/headless_video.h"

#include "sys/video/video_core.h"
#include "sys/window/headless/headless_window.h"

namespace sys::video::headless {

namespace {

struct Captured {
    Frame frame;
    uint64_t presents = 0;
};

Captured& Capture() {
    static Captured captured;
    return captured;
}

}  // namespace

void Reset() {
    detail::G().faults = detail::Faults{};
    detail::G().desktopBits = 32;
    Capture() = Captured{};
}

const Frame& LastFrame() { return Capture().frame; }

uint64_t PresentCount() { return Capture().presents; }

void SetDirectDrawCreateFails(bool fails) { detail::G().faults.createFails = fails; }

void SetNoHardware(bool noHardware) { detail::G().faults.noHardware = noHardware; }

void SetHardwareDevice(bool present) { detail::G().faults.hardwareDevice = present; }

void FailCooperativeLevels(int count) { detail::G().faults.cooperativeFailures = count; }

void RefuseDepth(uint32_t bitsPerPixel) { detail::G().faults.refusedDepths.push_back(bitsPerPixel); }

void SetVideoMemory(uint32_t bytes) { detail::G().faults.videoMemory = bytes; }

void LoseAllSurfaces() { detail::LoseAll(); }

void LoseExclusiveMode() { detail::LoseExclusive(); }

void RegainExclusiveMode() { detail::RegainExclusive(); }

void SetOtherProgramExclusive(bool holds) {
    const bool ended = detail::G().faults.otherProgramExclusive && !holds;
    detail::G().faults.otherProgramExclusive = holds;
    if (ended) {
        // What the other program drew over is gone; the surfaces must be restored and redrawn.
        detail::LoseAll();
    }
}

void ChangeDesktopMode(int width, int height, uint32_t bitsPerPixel) {
    sys::window::headless::SetDesktop(width, height);
    detail::DesktopChanged(bitsPerPixel);
}

}  // namespace sys::video::headless

namespace sys::video::detail {

void HeadlessPresent(const uint32_t* pixels, int width, int height) {
    auto& captured = sys::video::headless::Capture();
    captured.frame.width = width;
    captured.frame.height = height;
    captured.frame.pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    ++captured.presents;
}

void HeadlessFullScreenChanged(int width, int height) { sys::window::headless::SetFullScreenMode(width, height); }

}  // namespace sys::video::detail
