#include "app/STimeWindow.h"

#include <cstdio>

#include "core/SDateUtil.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/widgets/SSlider.h"

namespace {

// The slider callback carries no object, so it serves the chooser attached last.
STimeWindow* g_pCurrentTimeWindow = nullptr;

}  // namespace

STimeWindow::~STimeWindow() {
    if (g_pCurrentTimeWindow == this)
        g_pCurrentTimeWindow = nullptr;
}

SWindow* STimeWindow::Attach(SSlider* pSlider, SWindow* pText, SMultiImage* pAmPm) {
    m_pSlider = pSlider;
    m_pText = pText;
    m_pAmPm = pAmPm;
    if (pSlider != nullptr)
        pSlider->SetChangeCallback(&STimeWindow::OnSliderChanged);
    g_pCurrentTimeWindow = this;
    return pText;
}

CTime STimeWindow::GetTime() const {
    const int position = m_pSlider != nullptr ? m_pSlider->GetPos() : 0;
    return CTime(1971, 1, 1, StartHour() + position / 10, (position % 10) * 6, 0, 0);
}

int STimeWindow::PositionFor(const CTime& time) const {
    return (time.GetHour() - StartHour()) * 10 + time.GetMinute() / 6;
}

void STimeWindow::SetTime(const CTime& time) {
    if (m_pSlider == nullptr)
        return;
    m_pSlider->SetPos(PositionFor(time));
    Refresh(m_pSlider->GetPos());
}

void STimeWindow::SetDay(const CTime& time) {
    int sunrise = 0;
    int sunset = 0;
    GetSunriseSunset(time, sunrise, sunset);
    m_iStartMinutes = sunrise;
    if (m_pSlider != nullptr) {
        m_pSlider->SetMin(0);
        m_pSlider->SetMax((sunset - sunrise) / 6);
    }
    SetTime(time);
}

void STimeWindow::OnSliderChanged(int nPosition) {
    if (g_pCurrentTimeWindow != nullptr)
        g_pCurrentTimeWindow->Refresh(nPosition);
}

void STimeWindow::Refresh(int nPosition) {
    const int hour = StartHour() + nPosition / 10;
    char text[32];
    std::snprintf(text, sizeof(text), "%02d:%02d", hour >= 13 ? hour - 12 : hour, (nPosition % 10) * 6);
    if (m_pText != nullptr)
        m_pText->SetText(text);
    if (m_pAmPm != nullptr)
        m_pAmPm->SetCurImage(hour >= 12 ? 1 : 0);
}
