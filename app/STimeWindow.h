#pragma once

#include <cstdint>

#include "sys/classlib/CTime.h"

class SMultiImage;
class SSlider;
class SWindow;

// A time-of-day chooser made of three widgets of a layout: a slider stepping in six-minute
// steps from a start time, a text item showing the time on a 12-hour clock and a two-image
// item showing morning or afternoon. It owns none of the widgets; the layout does.
class STimeWindow {
public:
    static constexpr int32_t kDefaultStartMinutes = 7 * 60;

    STimeWindow() = default;
    virtual ~STimeWindow();
    STimeWindow(const STimeWindow&) = delete;
    STimeWindow& operator=(const STimeWindow&) = delete;

    // Stores the widgets (any may be null), takes over the slider's change callback and makes
    // this object the one that callback serves. Answers the text item.
    SWindow* Attach(SSlider* pSlider, SWindow* pText, SMultiImage* pAmPm);
    // The chosen time on 1 January 1971.
    CTime GetTime() const;
    // Moves the slider to the time (clamped by the slider) and shows it.
    void SetTime(const CTime& time);
    // Starts the slider at the day's sunrise and ends it at its sunset, then shows the time.
    void SetDay(const CTime& time);
    // The slider's callback; it serves the chooser attached last.
    static void OnSliderChanged(int nPosition);

    SSlider* m_pSlider = nullptr;
    SWindow* m_pText = nullptr;
    SMultiImage* m_pAmPm = nullptr;
    int32_t m_iStartMinutes = kDefaultStartMinutes;

private:
    int StartHour() const { return m_iStartMinutes / 60; }
    int PositionFor(const CTime& time) const;
    void Refresh(int nPosition);
};
