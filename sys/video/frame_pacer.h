#pragma once

// Keeps presented frames at most one display refresh apart, for a display that gives no
// refresh signal to wait on (a virtual X server, a driver without vertical sync): without it
// a menu that redraws as fast as it can keeps a processor core busy. Times are seconds on any
// steady clock; the caller sleeps. Used by the Sdl display backend only: the headless one and
// the benchmarks never wait.
namespace sys::video {

class FramePacer {
public:
    // Refresh rates the display cannot tell (0) or that make no sense are taken as 60 Hz.
    void SetRefreshRate(int hertz);
    double Period() const { return m_dPeriod; }

    // How long to wait at `now` before the next frame may be shown.
    double WaitBefore(double now) const;
    // A frame was shown at `now`. A frame that came late starts the count again from itself,
    // so a slow stretch is never made up for with a burst.
    void Presented(double now);

private:
    double m_dPeriod = 1.0 / 60.0;
    double m_dLast = 0.0;
    bool m_bAny = false;
};

}  // namespace sys::video
