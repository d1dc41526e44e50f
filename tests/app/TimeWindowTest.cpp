// The time-of-day chooser over a real slider, text window and two-image item.

#include "app/STimeWindow.h"

#include <gtest/gtest.h>

#include "ui/SWindow.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/widgets/SSlider.h"

namespace {

class TimeWindowTest : public testing::Test {
protected:
    void SetUp() override { EXPECT_EQ(m_chooser.Attach(&m_slider, &m_text, &m_ampm), &m_text); }
    std::string Text() {
        CString text;
        return std::string(m_text.GetText(text));
    }

    SSlider m_slider;
    SWindow m_text;
    SMultiImage m_ampm;
    STimeWindow m_chooser;
};

TEST_F(TimeWindowTest, SliderPositionsShowTwelveHourTimesAndMorningOrAfternoon) {
    struct Case {
        int position;
        const char* text;
        int image;
    };
    const Case cases[] = {{0, "07:00", 0}, {49, "11:54", 0}, {50, "12:00", 1}, {55, "12:30", 1}, {65, "01:30", 1}};
    for (const Case& c : cases) {
        m_slider.SetPos(c.position);
        EXPECT_EQ(Text(), c.text) << c.position;
        EXPECT_EQ(m_ampm.GetCurImage(), c.image) << c.position;
    }
}

TEST_F(TimeWindowTest, SetTimeAndGetTimeMeetOnTheSixMinuteGrid) {
    m_chooser.SetTime(CTime(2001, 6, 3, 9, 42, 0, 0));
    EXPECT_EQ(m_slider.GetPos(), 27);
    EXPECT_EQ(Text(), "09:42");
    const CTime chosen = m_chooser.GetTime();
    EXPECT_EQ(chosen, CTime(1971, 1, 1, 9, 42, 0, 0));

    // Minutes between steps round down; a time before the start clamps to position 0.
    m_chooser.SetTime(CTime(2001, 6, 3, 14, 17, 0, 0));
    EXPECT_EQ(m_slider.GetPos(), 72);
    EXPECT_EQ(Text(), "02:12");
    m_chooser.SetTime(CTime(2001, 6, 3, 5, 0, 0, 0));
    EXPECT_EQ(m_slider.GetPos(), 0);
    EXPECT_EQ(Text(), "07:00");
}

TEST_F(TimeWindowTest, SetDayRunsTheSliderFromSunriseToSunset) {
    // On day 180 (29 June) the sun rises at 05:00 and sets at 20:00: 150 steps.
    m_chooser.SetDay(CTime(2001, 6, 29, 10, 30, 0, 0));
    EXPECT_EQ(m_chooser.m_iStartMinutes, 300);
    EXPECT_EQ(m_slider.GetMin(), 0);
    EXPECT_EQ(m_slider.GetMax(), 150);
    EXPECT_EQ(m_slider.GetPos(), 55);
    EXPECT_EQ(Text(), "10:30");
    EXPECT_EQ(m_chooser.GetTime(), CTime(1971, 1, 1, 10, 30, 0, 0));
}

}  // namespace
