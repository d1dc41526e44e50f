#include "sys/video/frame_pacer.h"

namespace sys::video {

namespace {
constexpr int kDefaultHertz = 60;
constexpr int kHighestHertz = 1000;
}  // namespace

void FramePacer::SetRefreshRate(int hertz) {
    if (hertz <= 0 || hertz > kHighestHertz) {
        hertz = kDefaultHertz;
    }
    m_dPeriod = 1.0 / static_cast<double>(hertz);
}

double FramePacer::WaitBefore(double now) const {
    if (!m_bAny) {
        return 0.0;
    }
    const double due = m_dLast + m_dPeriod;
    return now < due ? due - now : 0.0;
}

void FramePacer::Presented(double now) {
    m_dLast = now;
    m_bAny = true;
}

}  // namespace sys::video
