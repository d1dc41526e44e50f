// Message routing through the window tree: every message kind with and without a capture
// window, bubbling of clicks through the ancestors, overlapping children, the mouse-over role,
// and the roles a destroyed window hands to its parent.

#include <memory>

#include "tests/ui/WindowTestSupport.h"

using namespace windowtest;
using Log = std::vector<std::string>;

namespace {

// Root R (0,0)-(640,480); A (10,10)-(110,110) with grandchild G at (30,30)-(50,50); B overlaps
// A at (60,60)-(160,160) and lies above it (later in the list).
class RoutingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        root = std::make_unique<LogWindow>(&log, "R");
        root->Create(nullptr, "R", 0, {0, 0, 640, 480}, nullptr, 0, nullptr);
        a = Child(root.get(), "A", {10, 10, 110, 110}, 11);
        g = Child(a, "G", {20, 20, 40, 40}, 12);
        b = Child(root.get(), "B", {60, 60, 160, 160}, 13);
    }
    Log Send(uint32_t msg, uintptr_t w, intptr_t l) {
        log.clear();
        root->SendMessage(msg, w, l);
        return log;
    }

    std::unique_ptr<LogWindow> root;
    LogWindow* a = nullptr;
    LogWindow* g = nullptr;
    LogWindow* b = nullptr;
};

TEST_F(RoutingTest, EveryMessageKindWithoutCapture) {
    EXPECT_EQ(Send(sys::WM_LBUTTONDOWN, 1, At(70, 70)), (Log{"B:ldown", "R:ldown"}));
    EXPECT_EQ(SWindow::GetFocus(), b);
    EXPECT_EQ(SWindow::GetLastMousePosition(), (sys::POINT{70, 70}));
    // A click on G reaches every ancestor; each ancestor hears of it from its own child.
    EXPECT_EQ(Send(sys::WM_LBUTTONUP, 0, At(35, 35)),
              (Log{"G:lup", "A:lup", "R:lup", "R:notify11/-2", "A:notify12/-2", "R:notify12/-2"}));
    EXPECT_EQ(SWindow::GetFocus(), b);
    EXPECT_EQ(Send(sys::WM_RBUTTONDOWN, 0, At(35, 36)), (Log{"G:rdown", "A:rdown", "R:rdown"}));
    EXPECT_EQ(SWindow::GetFocus(), b);
    EXPECT_EQ(SWindow::GetLastMousePosition(), (sys::POINT{35, 36}));
    EXPECT_EQ(Send(sys::WM_RBUTTONUP, 0, At(35, 35)), (Log{"G:rup", "A:rup", "R:rup"}));
    EXPECT_EQ(Send(sys::WM_LBUTTONDBLCLK, 0, At(35, 35)), (Log{"G:ldbl", "A:ldbl", "R:ldbl"}));
    EXPECT_EQ(SWindow::GetFocus(), g);
    EXPECT_EQ(Send(sys::WM_KEYDOWN, 65, sys::MAKELPARAM(3, 0x1C)),
              (Log{"G:key65/3/28", "A:key65/3/28", "R:key65/3/28"}));
    EXPECT_EQ(Send(sys::WM_CHAR, 97, sys::MAKELPARAM(1, 0)), (Log{"G:char97", "A:char97", "R:char97"}));
    EXPECT_EQ(Send(sys::WM_TIMER, 7, 0), (Log{"R:timer7"}));
    EXPECT_EQ(Send(sys::WM_MOUSEWHEEL, sys::MAKEWPARAM(4, -120), At(35, 35)), (Log{"R:wheel4/-120"}));
    EXPECT_EQ(Send(sys::WM_NCMOUSEMOVE, 0, At(35, 35)), (Log{"R:ncmove"}));
    EXPECT_EQ(Send(sys::WM_ACTIVATE, sys::MAKEWPARAM(1, 1), 0), (Log{"R:activate1/1"}));
    EXPECT_EQ(Send(sys::WM_NEXTDLGCTL, 1, 0), (Log{"R:nextF-"}));
    EXPECT_EQ(Send(sys::WM_NEXTDLGCTL, reinterpret_cast<uintptr_t>(a), 1), (Log{"R:nextBT"}));
    EXPECT_EQ(Send(sys::WM_NOTIFY, 5, -7), (Log{"R:notify5/-7"}));
    EXPECT_EQ(Send(sys::WM_KEYUP, 65, 0), Log{});
    EXPECT_EQ(Send(sys::WM_MBUTTONDOWN, 0, At(35, 35)), Log{});
}

TEST_F(RoutingTest, CaptureTakesTheLeftButtonMovesAndWheelButNotTheRightButton) {
    SWindow::SetFocusWindow(b);
    SWindow::SetCapture(a);
    EXPECT_EQ(Send(sys::WM_MOUSEMOVE, 0, At(600, 400)), (Log{"A:move"}));
    EXPECT_EQ(Send(sys::WM_LBUTTONDOWN, 0, At(600, 400)), (Log{"A:ldown", "R:ldown"}));
    EXPECT_EQ(SWindow::GetFocus(), b);  // the capture path changes no focus
    EXPECT_EQ(SWindow::GetLastMousePosition(), (sys::POINT{600, 400}));
    EXPECT_EQ(Send(sys::WM_LBUTTONUP, 0, At(600, 400)), (Log{"A:lup", "R:lup", "R:notify11/-2"}));
    EXPECT_EQ(Send(sys::WM_LBUTTONDBLCLK, 0, At(600, 400)), (Log{"A:ldbl", "R:ldbl"}));
    EXPECT_EQ(Send(sys::WM_MOUSEWHEEL, sys::MAKEWPARAM(0, 120), At(600, 400)), (Log{"A:wheel0/120", "R:wheel0/120"}));
    EXPECT_EQ(Send(sys::WM_NCMOUSEMOVE, 0, 0), (Log{"A:ncmove"}));
    EXPECT_EQ(Send(sys::WM_RBUTTONDOWN, 0, At(150, 150)), (Log{"B:rdown", "R:rdown"}));
    EXPECT_EQ(Send(sys::WM_RBUTTONUP, 0, At(150, 150)), (Log{"B:rup", "R:rup"}));
    EXPECT_EQ(Send(sys::WM_KEYDOWN, 13, 0), (Log{"B:key13/0/0", "R:key13/0/0"}));
}

TEST_F(RoutingTest, DescendantsAreFoundAtAnyDepthChildrenOnlyAmongChildren) {
    EXPECT_EQ(root->FindChild(12), nullptr);
    EXPECT_EQ(root->FindDescendant(12), g);
    EXPECT_EQ(root->FindDescendant(13), b);
    EXPECT_EQ(root->FindDescendant(99), nullptr);
}

TEST_F(RoutingTest, ACapturedPointerLeftOfTheWindowKeepsItsNegativePosition) {
    SWindow::SetCapture(a);
    Send(sys::WM_LBUTTONDOWN, 0, sys::MAKELPARAM(static_cast<uint16_t>(-5), static_cast<uint16_t>(-7)));
    EXPECT_EQ(SWindow::GetLastMousePosition(), (sys::POINT{-5, -7}));
}

TEST_F(RoutingTest, InvisibleRootsAndFocusWindowsReceiveNothing) {
    EXPECT_EQ(Send(sys::WM_KEYDOWN, 13, 0), Log{});  // no focus window
    SWindow::SetFocusWindow(b);
    b->SetVisible(false);
    EXPECT_EQ(Send(sys::WM_CHAR, 13, 0), Log{});
    // An invisible window is neither hit nor drawn: the press goes to what lies below it.
    EXPECT_EQ(Send(sys::WM_LBUTTONDOWN, 0, At(150, 150)), (Log{"R:ldown"}));
    EXPECT_EQ(SWindow::GetFocus(), root.get());  // an empty spot focuses the root itself
    root->SetVisible(false);
    EXPECT_EQ(Send(sys::WM_TIMER, 1, 0), Log{});
    EXPECT_EQ(Send(sys::WM_LBUTTONDOWN, 0, At(70, 70)), Log{});
}

TEST_F(RoutingTest, NoParentNotifyStopsButtonsAndKeysButNotTimersWheelsAndNotifications) {
    b->SetNotifyParent(false);
    EXPECT_EQ(Send(sys::WM_LBUTTONUP, 0, At(150, 150)), (Log{"B:lup"}));
    SWindow::SetFocusWindow(b);
    EXPECT_EQ(Send(sys::WM_KEYDOWN, 9, 0), (Log{"B:key9/0/0"}));
    log.clear();
    b->OnTimer(3);
    b->OnMouseWheel(0, 120, 0, 0);
    b->OnNotify(99, 1);
    EXPECT_EQ(log, (Log{"B:timer3", "R:timer3", "B:wheel0/120", "R:wheel0/120", "B:notify99/1", "R:notify99/1"}));
    b->SetNotifyParent(true);
    EXPECT_EQ(b->GetStyle() & SWindow::kStyleNoParentNotify, 0u);
}

TEST_F(RoutingTest, OverlappingChildrenAreHitAndDrawnInListOrder) {
    EXPECT_EQ(root->ChildFromPoint(70, 70, 0), b);
    SDC dc;
    log.clear();
    root->Draw(&dc);
    EXPECT_EQ(log, (Log{"R:draw", "A:draw", "G:draw", "B:draw"}));
    a->BringToTop();
    EXPECT_EQ(root->ChildFromPoint(70, 70, 0), a);
    log.clear();
    root->Draw(&dc);
    EXPECT_EQ(log, (Log{"R:draw", "B:draw", "A:draw", "G:draw"}));
    a->SendToBack();
    EXPECT_EQ(root->ChildFromPoint(70, 70, 0), b);
    // A child outside its parent can still be hit; outside everything nothing is.
    g->MoveWindow({300, 300, 320, 320});
    EXPECT_EQ(root->ChildFromPoint(305, 305, 0), g);
    EXPECT_EQ(root->ChildFromPoint(700, 10, 0), nullptr);
}

TEST_F(RoutingTest, MouseOverStaysWithTheLastWindowWhenThePointerLeavesEverything) {
    EXPECT_EQ(Send(sys::WM_MOUSEMOVE, 0, At(150, 150)), (Log{"R:move", "B:move"}));
    EXPECT_EQ(SWindow::GetMouseOver(), b);
    EXPECT_EQ(Send(sys::WM_MOUSEMOVE, 0, At(900, 900)), (Log{"R:move", "B:move"}));
    EXPECT_EQ(SWindow::GetMouseOver(), b);
    EXPECT_EQ(Send(sys::WM_MOUSEMOVE, 0, At(35, 35)), (Log{"R:move", "G:move"}));
}

TEST_F(RoutingTest, MovingASubtreeAndSortingByHeight) {
    a->MoveWindow({110, 60, 210, 160});
    EXPECT_EQ(g->GetWindowRect(), (sys::RECT{130, 80, 150, 100}));
    auto* c = Child(root.get(), "C", {0, 0, 10, 100}, 14);  // as tall as A and B
    auto* d = Child(root.get(), "D", {0, 0, 10, 200}, 15);
    root->SortChildrenByHeight();
    std::vector<SWindow*> order;
    for (POSITION pos = root->GetChildren()->GetHeadPosition(); pos != nullptr;)
        order.push_back(root->GetChildren()->GetNext(pos));
    EXPECT_EQ(order, (std::vector<SWindow*>{d, a, b, c}));
}

TEST_F(RoutingTest, DestroyedWindowsHandTheirRolesToTheirParent) {
    SWindow::SetFocusWindow(g);
    SWindow::SetCapture(g);
    root->SendMessage(sys::WM_MOUSEMOVE, 0, At(35, 35));
    ASSERT_EQ(SWindow::GetMouseOver(), g);
    EXPECT_TRUE(a->HasFocus(false));
    EXPECT_FALSE(a->HasFocus(true));
    delete g;
    EXPECT_EQ(SWindow::GetFocus(), a);
    EXPECT_EQ(SWindow::GetCapture(), a);
    EXPECT_EQ(SWindow::GetMouseOver(), a);
    EXPECT_EQ(a->GetChildren()->GetCount(), 0);
    // A child deleted by its parent is detached first: its roles end with it.
    SWindow::SetFocusWindow(b);
    root.reset();
    EXPECT_EQ(SWindow::GetFocus(), nullptr);
}

}  // namespace
