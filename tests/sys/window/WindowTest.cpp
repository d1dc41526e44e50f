#include <gtest/gtest.h>

#include <vector>

#include "sys/window/headless/headless_window.h"
#include "sys/time/time.h"
#include "sys/window/window.h"

// The main window: placement and frame, focus and the notifications sent for it, closing,
// the pointer (position, clip, show count, shape), synthetic mouse input and the desktop.
namespace {

using namespace sys;
using namespace sys::window;

// The main frame's style: caption, system menu, minimise box (drawn by the desktop outside the
// window).
constexpr uint32_t kFrameStyle = 0x00CA0121;

struct Sent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        time::SetFakeTicks(5000);
    }
    void TearDown() override { headless::Reset(); }

    HWND Create(uint32_t style = kFrameStyle) {
        return CreateWindow("Tarvex", style, nullptr, [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            log.push_back(Sent{m, w, l});
            if (m == WM_CREATE) {
                return createAnswer;
            }
            if (m == WM_SETCURSOR && hidePointer) {
                SetCursor(nullptr);
                return 1;
            }
            if (m == WM_CLOSE && keepOpen) {
                return 0;
            }
            return DefWindowProc(h, m, w, l);
        });
    }

    HWND CreateShown() {
        HWND hwnd = Create();
        ShowWindow(hwnd, SW_SHOW);
        Drain();
        log.clear();
        return hwnd;
    }

    std::vector<MSG> Drain() {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
            taken.push_back(msg);
            DispatchMessage(msg);
        }
        return taken;
    }

    std::vector<UINT> LoggedMessages() const {
        std::vector<UINT> messages;
        for (const Sent& sent : log) {
            messages.push_back(sent.message);
        }
        return messages;
    }

    std::vector<Sent> log;
    LRESULT createAnswer = 0;
    bool hidePointer = false;
    bool keepOpen = false;
};

TEST_F(WindowTest, ByDefaultA640x480ClientIsCentredInTheWorkArea) {
    HWND hwnd = Create();
    RECT client;
    RECT outer;
    ASSERT_TRUE(GetClientRect(hwnd, client));
    ASSERT_TRUE(GetWindowRect(hwnd, outer));
    EXPECT_EQ(client, (RECT{0, 0, 640, 480}));
    // No frame of our own: the window is its 640 x 480 client, centred on 1024 x 768.
    EXPECT_EQ(outer, (RECT{192, 144, 832, 624}));
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(hwnd, origin));
    EXPECT_EQ(origin, (POINT{192, 144}));
    POINT back{300, 200};
    ASSERT_TRUE(ScreenToClient(hwnd, back));
    EXPECT_EQ(back, (POINT{108, 56}));
}

TEST_F(WindowTest, DefaultPlacementKeepsOutOfReservedAreas) {
    headless::SetWorkArea(RECT{0, 40, 1024, 768});
    HWND hwnd = Create();
    RECT outer;
    GetWindowRect(hwnd, outer);
    EXPECT_EQ(outer.top, 164);  // 40 + (728 - 480) / 2
}

TEST_F(WindowTest, AdjustWindowRectKeepsTheClientRectangleForEveryStyle) {
    // The desktop draws the frame outside the window, so no style adds to it.
    for (const uint32_t style : {WS_POPUP, WS_CAPTION, WS_CAPTION | WS_THICKFRAME, WS_BORDER}) {
        for (const bool menu : {false, true}) {
            RECT rect{100, 100, 740, 580};
            AdjustWindowRect(rect, style, menu);
            EXPECT_EQ(rect, (RECT{100, 100, 740, 580})) << style;
        }
    }
}

TEST_F(WindowTest, CreateSendsWmCreateAndARefusalDestroysTheWindow) {
    createAnswer = -1;
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    EXPECT_EQ(GetMainWindow(), nullptr);
    createAnswer = 0;
    EXPECT_NE(Create(), nullptr);
}

TEST_F(WindowTest, OnlyOneWindowAtATime) {
    HWND first = Create();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(GetMainWindow(), first);
}

TEST_F(WindowTest, TheFirstShowActivatesAndFocuses) {
    HWND hwnd = Create();
    log.clear();
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].message, WM_ACTIVATEAPP);
    EXPECT_EQ(log[0].wParam, 1u);
    EXPECT_EQ(log[1].message, WM_ACTIVATE);
    EXPECT_EQ(log[1].wParam, WA_ACTIVE);
    EXPECT_EQ(log[2].message, WM_SETFOCUS);
    EXPECT_EQ(GetFocus(), hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetWindowLong(hwnd, GWL_STYLE) & WS_VISIBLE, 0u);
    log.clear();
    EXPECT_TRUE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(log.empty());
}

TEST_F(WindowTest, CreatingVisibleShowsAtOnce) {
    HWND hwnd = Create(kFrameStyle | WS_VISIBLE);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetFocus(), hwnd);
}

TEST_F(WindowTest, MovingAndSizingSendTheClientChanges) {
    HWND hwnd = CreateShown();
    ASSERT_TRUE(SetWindowPos(hwnd, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, WM_MOVE);
    EXPECT_EQ(log[0].lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(Drain().size(), 1u);  // WM_PAINT
    log.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOREDRAW));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, WM_SIZE);
    EXPECT_EQ(log[0].wParam, SIZE_RESTORED);
    EXPECT_EQ(log[0].lParam, MAKELPARAM(800, 600));
    EXPECT_TRUE(Drain().empty());  // no repaint asked
    RECT outer;
    GetWindowRect(hwnd, outer);
    EXPECT_EQ(outer, (RECT{10, 20, 810, 620}));
}

TEST_F(WindowTest, AStyleChangeReachesTheFrameWithFrameChanged) {
    HWND hwnd = Create();
    EXPECT_EQ(SetWindowLong(hwnd, GWL_STYLE, WS_POPUP), kFrameStyle);
    EXPECT_EQ(GetWindowLong(hwnd, GWL_STYLE), WS_POPUP);
    RECT client;
    GetClientRect(hwnd, client);
    EXPECT_EQ(client, (RECT{0, 0, 640, 480}));
    log.clear();
    SetWindowPos(hwnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    // The frame the desktop draws changes; the client area, and so the window, stay.
    GetClientRect(hwnd, client);
    EXPECT_EQ(client, (RECT{0, 0, 640, 480}));
    RECT outer;
    GetWindowRect(hwnd, outer);
    EXPECT_EQ(outer, (RECT{192, 144, 832, 624}));
    EXPECT_TRUE(log.empty());
}

TEST_F(WindowTest, FocusChangesAreSentInThePlatformsOrder) {
    HWND hwnd = CreateShown();
    headless::InjectFocus(false);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].message, WM_ACTIVATE);
    EXPECT_EQ(log[0].wParam, WA_INACTIVE);
    EXPECT_EQ(log[1].message, WM_ACTIVATEAPP);
    EXPECT_EQ(log[1].wParam, 0u);
    EXPECT_EQ(log[2].message, WM_KILLFOCUS);
    EXPECT_EQ(GetFocus(), nullptr);
    log.clear();
    headless::InjectFocus(true);
    headless::InjectFocus(true);
    EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_EQ(GetFocus(), hwnd);
}

TEST_F(WindowTest, DestroyingDeactivatesThenDestroys) {
    HWND hwnd = CreateShown();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_FALSE(DestroyWindow(hwnd));
}

TEST_F(WindowTest, ClosingDestroysUnlessTheProcedureKeepsTheWindow) {
    HWND hwnd = CreateShown();
    keepOpen = true;
    headless::InjectClose();
    EXPECT_TRUE(IsWindow(hwnd));
    keepOpen = false;
    log.clear();
    headless::InjectClose();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(LoggedMessages().front(), WM_CLOSE);
    EXPECT_EQ(LoggedMessages().back(), WM_DESTROY);
}

TEST_F(WindowTest, AltF4ClosesThroughTheDefaultHandling) {
    HWND hwnd = CreateShown();
    headless::InjectKey(VK_MENU, 0x38, true);
    headless::InjectKey(VK_F4, 0x3E, true);
    Drain();
    EXPECT_FALSE(IsWindow(hwnd));
    bool closeCommand = false;
    for (const Sent& sent : log) {
        closeCommand = closeCommand || (sent.message == WM_SYSCOMMAND && sent.wParam == SC_CLOSE);
    }
    EXPECT_TRUE(closeCommand);
}

TEST_F(WindowTest, PointerMovesOverTheClientAreaComeInClientCoordinates) {
    HWND hwnd = CreateShown();
    headless::InjectMouseMove(100, 50);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].hwnd, hwnd);
    EXPECT_EQ(taken[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(taken[0].wParam, 0u);
    EXPECT_EQ(taken[0].lParam, MAKELPARAM(100, 50));
    EXPECT_EQ(taken[0].pt, (POINT{292, 194}));
    POINT cursor;
    GetCursorPos(cursor);
    EXPECT_EQ(cursor, (POINT{292, 194}));
}

TEST_F(WindowTest, MovesNotTakenYetMergeIntoTheLatest) {
    CreateShown();
    headless::InjectMouseMove(1, 1);
    headless::InjectMouseMove(2, 3);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].lParam, MAKELPARAM(2, 3));
}

TEST_F(WindowTest, OutsideTheClientAreaOnlyTheCaptureGetsPointerMessages) {
    HWND hwnd = CreateShown();
    SetCursorPos(10, 10);
    headless::InjectMouseButton(0, true);
    EXPECT_TRUE(Drain().empty());
    EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
    headless::InjectMouseButton(0, false);

    EXPECT_EQ(SetCapture(hwnd), nullptr);
    EXPECT_EQ(GetCapture(), hwnd);
    SetCursorPos(182, 134);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(taken[0].lParam), -10);
    EXPECT_EQ(GET_Y_LPARAM(taken[0].lParam), -10);
    EXPECT_EQ(SetCapture(hwnd), hwnd);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, SyntheticMouseInputBecomesMessagesAtThePointer) {
    CreateShown();
    SetCursorPos(300, 200);
    Drain();
    mouse_event(MOUSEEVENTF_MOVE, 5, -3, 0);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(taken[0].lParam, MAKELPARAM(113, 53));
    EXPECT_EQ(taken[1].message, WM_LBUTTONDOWN);
    EXPECT_EQ(taken[1].wParam, MK_LBUTTON);
    EXPECT_EQ(taken[1].lParam, MAKELPARAM(113, 53));
    EXPECT_EQ(taken[2].message, WM_LBUTTONUP);
    EXPECT_EQ(taken[2].wParam, 0u);
}

TEST_F(WindowTest, ASecondQuickPressOnTheSameSpotIsADoubleClick) {
    CreateShown();
    SetCursorPos(300, 200);
    Drain();
    auto click = [this] {
        mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP, 0, 0, 0);
        return Drain().at(0).message;
    };
    EXPECT_EQ(click(), WM_LBUTTONDOWN);
    time::AdvanceFake(500);
    EXPECT_EQ(click(), WM_LBUTTONDBLCLK);
    time::AdvanceFake(100);
    EXPECT_EQ(click(), WM_LBUTTONDOWN);  // a third press starts over
    time::AdvanceFake(501);
    EXPECT_EQ(click(), WM_LBUTTONDOWN);  // too late
    time::AdvanceFake(10);
    mouse_event(MOUSEEVENTF_MOVE, 3, 0, 0);
    Drain();
    EXPECT_EQ(click(), WM_LBUTTONDOWN);  // too far
    time::AdvanceFake(10);
    mouse_event(MOUSEEVENTF_MOVE, -2, 2, 0);
    Drain();
    EXPECT_EQ(click(), WM_LBUTTONDBLCLK);
}

TEST_F(WindowTest, ThePointerStaysOnTheDesktopAndInsideTheClip) {
    RECT clip{0, 0, 640, 480};
    ClipCursor(&clip);
    SetCursorPos(700, 500);
    POINT cursor;
    GetCursorPos(cursor);
    EXPECT_EQ(cursor, (POINT{639, 479}));
    RECT got;
    GetClipCursor(got);
    EXPECT_EQ(got, clip);
    ClipCursor(nullptr);
    GetClipCursor(got);
    EXPECT_EQ(got, (RECT{0, 0, 1024, 768}));
    SetCursorPos(2000, -5);
    GetCursorPos(cursor);
    EXPECT_EQ(cursor, (POINT{1023, 0}));
    clip = RECT{100, 100, 200, 200};
    ClipCursor(&clip);  // pulls the pointer in at once
    GetCursorPos(cursor);
    EXPECT_EQ(cursor, (POINT{199, 100}));
}

TEST_F(WindowTest, ShowCursorKeepsACount) {
    EXPECT_TRUE(headless::SystemPointerVisible());
    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_FALSE(headless::SystemPointerVisible());
    EXPECT_EQ(ShowCursor(false), -2);
    EXPECT_EQ(ShowCursor(true), -1);
    EXPECT_FALSE(headless::SystemPointerVisible());
    EXPECT_EQ(ShowCursor(true), 0);
    EXPECT_TRUE(headless::SystemPointerVisible());
    EXPECT_EQ(ShowCursor(true), 1);
}

TEST_F(WindowTest, TheWindowSetsThePointerShapeBeforeEachPointerMessage) {
    HWND hwnd = CreateShown();
    hidePointer = true;
    headless::InjectMouseMove(10, 10);
    MSG msg;
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(log.empty());
    ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, WM_SETCURSOR);
    EXPECT_EQ(log[0].wParam, reinterpret_cast<WPARAM>(hwnd));
    EXPECT_EQ(log[0].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_FALSE(headless::SystemPointerVisible());

    hidePointer = false;  // the default handling shows the arrow again
    headless::InjectMouseMove(20, 10);
    Drain();
    EXPECT_TRUE(headless::SystemPointerVisible());

    log.clear();
    SetCapture(hwnd);
    headless::InjectMouseMove(30, 10);
    Drain();
    EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_MOUSEMOVE}));
}

TEST_F(WindowTest, TheWheelGoesToTheFocusWithScreenCoordinates) {
    CreateShown();
    headless::InjectMouseMove(100, 50);
    headless::InjectMouseWheel(-120);
    const std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[1].message, WM_MOUSEWHEEL);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(taken[1].wParam), -120);
    EXPECT_EQ(taken[1].lParam, MAKELPARAM(292, 194));
}

TEST_F(WindowTest, AnUncoveredWindowIsPaintedAndUpdateWindowPaintsAtOnce) {
    HWND hwnd = CreateShown();
    headless::InjectExpose();
    std::vector<MSG> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_PAINT);
    headless::InjectExpose();
    log.clear();
    UpdateWindow(hwnd);
    EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_PAINT}));
    EXPECT_TRUE(Drain().empty());
}

TEST_F(WindowTest, TheDesktopIsWhatTheTestSays) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    headless::SetDesktop(800, 600);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    EXPECT_EQ(GetSystemMetrics(2), 0);
    RECT area;
    GetWorkArea(area);
    EXPECT_EQ(area, (RECT{0, 0, 800, 600}));
    headless::SetWorkArea(RECT{0, 0, 800, 570});
    GetWorkArea(area);
    EXPECT_EQ(area, (RECT{0, 0, 800, 570}));
}

TEST_F(WindowTest, ForegroundRequestsDoNotTakeTheFocusThemselves) {
    HWND hwnd = CreateShown();
    headless::InjectFocus(false);
    EXPECT_TRUE(SetForegroundWindow(hwnd));
    EXPECT_EQ(headless::ForegroundRequests(), 1);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, HidingTheFocusedWindowDeactivatesIt) {
    HWND hwnd = CreateShown();
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}));
}

}  // namespace
