#include <gtest/gtest.h>

#include <vector>

#include "sys/window/headless/headless_window.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

// WM_TIMER from SetTimer on the fake clock: when it becomes due, how often, in which order
// against the other messages, across the tick count's wrap.
namespace {

using namespace sys;
using namespace sys::window;

class TimerTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        time::SetFakeTicks(1000);
        hwnd = CreateWindow("Timers", WS_POPUP, nullptr, nullptr);
    }
    void TearDown() override { headless::Reset(); }

    // The ids of the WM_TIMER messages now due, taken in order.
    std::vector<uintptr_t> DueTimers() {
        std::vector<uintptr_t> ids;
        MSG msg;
        while (PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            ids.push_back(msg.wParam);
        }
        return ids;
    }

    HWND hwnd = nullptr;
};

TEST_F(TimerTest, FiresOnceTheIntervalHasPassed) {
    EXPECT_EQ(SetTimer(hwnd, 5, 100), 5u);
    time::AdvanceFake(99);
    EXPECT_TRUE(DueTimers().empty());
    time::AdvanceFake(1);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(msg.time, 1100u);
}

TEST_F(TimerTest, ComesAgainOnlyAfterTheNextInterval) {
    SetTimer(hwnd, 1, 100);
    time::AdvanceFake(100);
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
    time::AdvanceFake(99);
    EXPECT_TRUE(DueTimers().empty());
    time::AdvanceFake(1);
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
}

TEST_F(TimerTest, PeekWithoutRemovalKeepsItDue) {
    SetTimer(hwnd, 1, 100);
    time::AdvanceFake(100);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
}

TEST_F(TimerTest, MissedIntervalsGiveOneMessageAndKeepTheRhythm) {
    SetTimer(hwnd, 1, 100);
    time::AdvanceFake(350);  // due at 1100, 1200 and 1300
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
    time::AdvanceFake(49);  // 1399
    EXPECT_TRUE(DueTimers().empty());
    time::AdvanceFake(1);  // 1400
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
}

TEST_F(TimerTest, PostedMessagesAndInputComeFirst) {
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    PeekMessage(msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
    SetTimer(hwnd, 1, 100);
    time::AdvanceFake(100);
    headless::InjectKey('A', 0x1E, true);
    PostMessage(hwnd, WM_USER, 0, 0);
    std::vector<UINT> order;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_TIMER}));
}

TEST_F(TimerTest, KillTimerStopsIt) {
    SetTimer(hwnd, 1, 100);
    EXPECT_TRUE(KillTimer(hwnd, 1));
    time::AdvanceFake(1000);
    EXPECT_TRUE(DueTimers().empty());
    EXPECT_FALSE(KillTimer(hwnd, 1));
    EXPECT_FALSE(KillTimer(hwnd, 2));
}

TEST_F(TimerTest, SettingAgainRestartsTheInterval) {
    SetTimer(hwnd, 1, 100);
    time::AdvanceFake(50);
    SetTimer(hwnd, 1, 100);  // now due at 1150
    time::AdvanceFake(50);
    EXPECT_TRUE(DueTimers().empty());
    time::AdvanceFake(50);
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
}

TEST_F(TimerTest, DueAcrossTheWrapOfTheTickCount) {
    time::SetFakeTicks(0xFFFFFFF0u);
    SetTimer(hwnd, 1, 100);  // due at 0x54 after the wrap
    time::AdvanceFake(99);
    EXPECT_EQ(time::TickCount(), 0x53u);
    EXPECT_TRUE(DueTimers().empty());
    time::AdvanceFake(1);
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
}

TEST_F(TimerTest, AnIntervalBelowTenCountsAsTen) {
    SetTimer(hwnd, 1, 0);
    EXPECT_TRUE(DueTimers().empty());  // an idle loop cannot spin on it
    time::AdvanceFake(9);
    EXPECT_TRUE(DueTimers().empty());
    time::AdvanceFake(1);
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{1}));
}

TEST_F(TimerTest, TheTimerDueLongestComesFirstAndTiesGoByCreation) {
    SetTimer(hwnd, 1, 100);
    SetTimer(hwnd, 2, 50);
    time::AdvanceFake(100);  // 1 due since 1100, 2 since 1050
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{2, 1}));
    SetTimer(hwnd, 3, 100);
    SetTimer(hwnd, 4, 100);
    time::AdvanceFake(100);  // 2 due since 1150; 1, 3 and 4 due together at 1200
    EXPECT_EQ(DueTimers(), (std::vector<uintptr_t>{2, 1, 3, 4}));
}

TEST_F(TimerTest, ThreadTimersGetIdsOfTheirOwn) {
    const uintptr_t first = SetTimer(nullptr, 0, 100);
    const uintptr_t second = SetTimer(nullptr, 0, 100);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    time::AdvanceFake(100);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, first);
    EXPECT_TRUE(KillTimer(nullptr, second));
}

TEST_F(TimerTest, WindowsThatDoNotExistGetNoTimer) {
    DestroyWindow(hwnd);
    EXPECT_EQ(SetTimer(hwnd, 1, 100), 0u);
}

TEST_F(TimerTest, DestroyingTheWindowKillsItsTimers) {
    SetTimer(hwnd, 1, 100);
    SetTimer(nullptr, 0, 300);
    DestroyWindow(hwnd);
    time::AdvanceFake(300);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, FiltersLeaveTimersOut) {
    SetTimer(hwnd, 1, 100);
    time::AdvanceFake(100);
    MSG msg;
    EXPECT_FALSE(PeekMessage(msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_TRUE(PeekMessage(msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(TimerTest, HeadlessGetMessageMovesTheClockToTheNextTimer) {
    SetTimer(hwnd, 12, 500);
    time::AdvanceFake(100);
    SetTimer(hwnd, 13, 250);  // due at 1350, before 12 at 1500
    MSG msg;
    EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 13u);
    EXPECT_EQ(time::TickCount(), 1350u);
    EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 12u);
    EXPECT_EQ(time::TickCount(), 1500u);
}

}  // namespace
