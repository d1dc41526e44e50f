#include <gtest/gtest.h>

#include <vector>

#include "sys/window/headless/headless_window.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

// The queue's order (posted, quit, input, paint, timers), filters, removal, and the
// dispatch to the window procedure.
namespace {

using namespace sys;
using namespace sys::window;

class MessageQueueTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        time::SetFakeTicks(1000);
    }
    void TearDown() override { headless::Reset(); }

    HWND MakeShownWindow() {
        HWND hwnd = CreateWindow("Queue", WS_CAPTION, nullptr, [this](HWND h, UINT m, WPARAM w, LPARAM l) {
            handled.push_back(m);
            return m == WM_USER + 9 ? LRESULT(77) : DefWindowProc(h, m, w, l);
        });
        ShowWindow(hwnd, SW_SHOW);
        handled.clear();
        return hwnd;
    }

    // Every message still to come, removed, in order.
    std::vector<UINT> Drain(HWND filter = nullptr) {
        std::vector<UINT> order;
        MSG msg;
        while (PeekMessage(msg, filter, 0, 0, PM_REMOVE)) {
            order.push_back(msg.message);
        }
        return order;
    }

    std::vector<UINT> handled;
};

TEST_F(MessageQueueTest, PostedMessagesComeOutInPostingOrder) {
    PostMessage(nullptr, WM_USER + 1, 10, 20);
    PostMessage(nullptr, WM_USER + 2, 0, 0);
    PostMessage(nullptr, WM_USER + 3, 0, 0);

    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(msg.wParam, 10u);
    EXPECT_EQ(msg.lParam, 20);
    EXPECT_EQ(msg.time, 1000u);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER + 2, WM_USER + 3}));
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, PeekWithoutRemovalLeavesTheMessageFirst) {
    PostMessage(nullptr, WM_USER, 0, 0);
    PostMessage(nullptr, WM_USER + 1, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER, WM_USER + 1}));
}

TEST_F(MessageQueueTest, FilterTakesTheFirstMatchAndKeepsTheOthersInOrder) {
    PostMessage(nullptr, WM_USER, 0, 0);
    PostMessage(nullptr, WM_KEYDOWN, VK_F2, 0);
    PostMessage(nullptr, WM_USER + 1, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_FALSE(PeekMessage(msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER, WM_USER + 1}));
}

TEST_F(MessageQueueTest, WindowFilterSkipsMessagesOfTheThread) {
    HWND hwnd = MakeShownWindow();
    Drain();
    PostMessage(nullptr, WM_USER, 0, 0);
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    EXPECT_EQ(Drain(hwnd), (std::vector<UINT>{WM_USER + 1}));
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER}));
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessagesAndBeforeInput) {
    HWND hwnd = MakeShownWindow();
    Drain();
    headless::InjectKey('A', 0x1E, true);
    PostQuitMessage(7);
    PostMessage(hwnd, WM_USER, 0, 0);

    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(static_cast<int>(msg.wParam), 7);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_KEYDOWN}));
}

TEST_F(MessageQueueTest, QuitPassesEveryFilterAndComesOnce) {
    PostQuitMessage(0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_TRUE(PeekMessage(msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, GetMessageAnswersZeroOnlyForQuit) {
    PostMessage(nullptr, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG msg;
    EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(static_cast<int>(msg.wParam), 3);
}

TEST_F(MessageQueueTest, HeadlessGetMessageWithNothingToWaitForAnswersQuit) {
    MSG msg;
    EXPECT_EQ(GetMessage(msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
    // Made up for this wait only: no quit stays pending.
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(time::TickCount(), 1000u);
}

TEST_F(MessageQueueTest, MissingWindowsAreRefused) {
    HWND hwnd = MakeShownWindow();
    DestroyWindow(hwnd);
    MSG msg;
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetMessage(msg, hwnd, 0, 0), -1);
    EXPECT_FALSE(PeekMessage(msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 9, 0, 0), 0);
}

TEST_F(MessageQueueTest, DispatchHandsTheMessageToItsWindowProcedure) {
    HWND hwnd = MakeShownWindow();
    Drain();
    PostMessage(hwnd, WM_USER + 9, 0, 0);
    PostMessage(nullptr, WM_USER + 9, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessage(msg), 77);
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessage(msg), 0);  // a message of the thread has no procedure
    EXPECT_EQ(handled, (std::vector<UINT>{WM_USER + 9}));
}

TEST_F(MessageQueueTest, SendMessageRunsTheProcedureAtOnceWithoutQueueing) {
    HWND hwnd = MakeShownWindow();
    Drain();
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 9, 0, 0), 77);
    EXPECT_EQ(handled, (std::vector<UINT>{WM_USER + 9}));
    EXPECT_TRUE(Drain().empty());
}

TEST_F(MessageQueueTest, PostedComeBeforeInputThenPaintThenTimers) {
    HWND hwnd = MakeShownWindow();  // shown: needs painting
    SetTimer(hwnd, 1, 10);
    time::AdvanceFake(10);
    headless::InjectKey(VK_SPACE, 0x39, true);
    PostMessage(hwnd, WM_USER, 0, 0);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
}

TEST_F(MessageQueueTest, PaintIsHandedOutOncePerInvalidation) {
    HWND hwnd = MakeShownWindow();
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_FALSE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    InvalidateRect(hwnd);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_PAINT}));
}

TEST_F(MessageQueueTest, TranslatedCharacterIsTheNextMessage) {
    MakeShownWindow();
    Drain();
    headless::InjectKey('Q', 0x10, true);
    MSG key;
    ASSERT_TRUE(PeekMessage(key, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(key.message, WM_KEYDOWN);
    PostMessage(nullptr, WM_USER, 0, 0);
    EXPECT_TRUE(TranslateMessage(key));
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CHAR);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('q'));
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER}));
}

TEST_F(MessageQueueTest, DestroyingTheWindowDropsItsMessagesOnly) {
    HWND hwnd = MakeShownWindow();
    Drain();
    PostMessage(hwnd, WM_USER, 0, 0);
    PostMessage(nullptr, WM_USER + 1, 0, 0);
    headless::InjectKey('A', 0x1E, true);
    DestroyWindow(hwnd);
    EXPECT_EQ(Drain(), (std::vector<UINT>{WM_USER + 1}));
}

TEST_F(MessageQueueTest, PendingMessagesShowWhatWasQueuedWithoutTakingIt) {
    HWND hwnd = MakeShownWindow();
    Drain();
    headless::InjectMouseMove(5, 6);
    PostMessage(hwnd, WM_USER, 1, 2);
    const std::vector<MSG> pending = headless::PendingMessages();
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].message, WM_USER);
    EXPECT_EQ(pending[1].message, WM_MOUSEMOVE);
    EXPECT_EQ(pending[1].lParam, MAKELPARAM(5, 6));
    EXPECT_EQ(Drain().size(), 2u);
}

TEST_F(MessageQueueTest, HeadlessWaitMessageReturnsAtOnce) {
    EXPECT_TRUE(WaitMessage());
    EXPECT_EQ(time::TickCount(), 1000u);
}

TEST(MessagePackingTest, CoordinatesAreSignedSixteenBitHalves) {
    const LPARAM packed = MAKELPARAM(-10, 300);
    EXPECT_EQ(packed, 0x012CFFF6);
    EXPECT_EQ(LOWORD(static_cast<uint64_t>(packed)), 0xFFF6);
    EXPECT_EQ(HIWORD(static_cast<uint64_t>(packed)), 300);
    EXPECT_EQ(GET_X_LPARAM(packed), -10);
    EXPECT_EQ(GET_Y_LPARAM(packed), 300);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(MK_LBUTTON, -120)), -120);
    EXPECT_EQ(GET_KEYSTATE_WPARAM(MAKEWPARAM(MK_LBUTTON, -120)), MK_LBUTTON);
}

}  // namespace
