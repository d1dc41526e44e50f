// Dialogs: how the modal loop ends (OK, Cancel, Enter, Escape, the quit message, the idle
// step), which messages it routes, the state it leaves behind (focus, modal-parent byte,
// source context), the idle step through the display host across the tick count's wrap, and
// drawing with an offset and a backdrop.

#include <algorithm>
#include <memory>

#include "core/SResourceFactory.h"
#include "sys/signals.h"
#include "tests/ui/WindowTestSupport.h"
#include "tests/ui/QuietDisplayHost.h"
#include "ui/SDialog.h"
#include "ui/SDisplayHost.h"

using namespace windowtest;
using Log = std::vector<std::string>;

namespace {

// The display manager's side as a recorder: each idle step moves the clock on and, at the
// step given, ends the dialog it was handed.
class FakeDisplayHost : public tarvex::test::QuietDisplayHost {
public:
    int DialogIdle() override {
        ++m_nIdle;
        m_ticks.push_back(sys::time::TickCount());
        m_modalParentSeen = m_pDialog->GetParent()->GetModalParent();
        sys::time::AdvanceFake(m_nStep);
        if (m_nIdle == m_nNestAt)
            m_nNested = m_pDialog->DoModal(nullptr);
        if (m_nIdle == m_nEndAt)
            m_pDialog->EndDialog(m_nEndWith);
        return 0;
    }

    SDialog* m_pDialog = nullptr;
    int m_nIdle = 0;
    int m_nEndAt = 3;
    int m_nEndWith = 7;
    int m_nNestAt = 0;  // the idle step that runs the dialog again inside itself
    int m_nNested = 0;
    uint32_t m_nStep = 16;
    uint8_t m_modalParentSeen = 0;
    std::vector<uint32_t> m_ticks;
};

// Parent screen P (0,0)-(640,480) with a dialog D (100,100)-(300,200) holding OK (id 1),
// Cancel (id 2) and another control (id 5), 50 x 20 each, side by side.
class DialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        parent = std::make_unique<LogWindow>(&log, "P");
        parent->Create(nullptr, "P", 0, {0, 0, 640, 480}, nullptr, 0, nullptr);
        dialog = new SDialog;
        dialog->Create(nullptr, "D", 0, {100, 100, 300, 200}, parent.get(), 0, nullptr);
        for (uint32_t id : {1u, 2u, 5u})
            Child(dialog, "C", {static_cast<int>(id) * 10, 10, static_cast<int>(id) * 10 + 9, 30}, id);
        host.m_pDialog = dialog;
        SDisplayHost::SetInstance(&host);
        dialog->SetIdleCallback(&SDisplayHost::DialogIdleStep);
        SDialog::SetLastIdleTick(0);
    }
    void TearDown() override {
        SDisplayHost::SetInstance(nullptr);
        parent.reset();
        WindowTest::TearDown();
    }
    static void Post(uint32_t msg, uintptr_t w, intptr_t l) { sys::window::PostMessage(nullptr, msg, w, l); }
    static void Click(int x, int y) {
        Post(sys::WM_LBUTTONDOWN, 0, At(x, y));
        Post(sys::WM_LBUTTONUP, 0, At(x, y));
    }

    std::unique_ptr<LogWindow> parent;
    SDialog* dialog = nullptr;
    FakeDisplayHost host;
    RecordingDC screenDC;
};

TEST_F(DialogTest, OkAndCancelControlsEndTheDialogWithTheirIds) {
    Click(115, 115);
    EXPECT_EQ(dialog->DoModal(&screenDC), 1);
    Click(125, 115);
    EXPECT_EQ(dialog->DoModal(&screenDC), 2);
    // A click elsewhere keeps it open until the idle step ends it.
    Click(155, 115);
    EXPECT_EQ(dialog->DoModal(&screenDC), 7);
    EXPECT_EQ(host.m_nIdle, 3);
}

TEST_F(DialogTest, EnterAndEscapeEndItWithoutGoingFurther) {
    dialog->FindChild(5)->SetFocus();
    Post(sys::WM_KEYDOWN, sys::VK_RETURN, 1);
    EXPECT_EQ(dialog->DoModal(&screenDC), 1);
    dialog->SetFocus();
    Post(sys::WM_KEYDOWN, sys::VK_ESCAPE, 1);
    EXPECT_EQ(dialog->DoModal(&screenDC), 2);
    for (const std::string& entry : log)
        EXPECT_NE(entry.rfind("P:key", 0), 0u) << entry;  // keys never reach the parent
}

TEST_F(DialogTest, InputGoesIntoTheRunningDialogOnlyAndNoFurther) {
    // A control of the page behind holds the focus and the capture as the dialog starts.
    LogWindow* behind = Child(parent.get(), "B", {400, 400, 420, 420}, 9);
    SWindow::SetFocusWindow(behind);
    SWindow::SetCapture(behind);
    Click(250, 180);  // the dialog's empty part
    Click(155, 115);  // a control that ends nothing
    Post(sys::WM_CHAR, 'a', 1);
    EXPECT_EQ(dialog->DoModal(&screenDC), 7);
    for (const std::string& entry : log)
        EXPECT_TRUE(entry == "P:draw" || entry == "B:draw" || entry.rfind("C:", 0) == 0) << entry;
    EXPECT_EQ(SWindow::GetCapture(), nullptr);
    // Without a focus of its own inside, the dialog takes the keys itself.
    SWindow::SetFocusWindow(behind);
    host.m_nIdle = 0;
    Post(sys::WM_KEYDOWN, sys::VK_RETURN, 1);
    EXPECT_EQ(dialog->DoModal(&screenDC), 1);
}

TEST_F(DialogTest, TheFirstAnswerStandsAndTheDialogNeverRunsInsideItself) {
    Click(115, 115);
    Click(125, 115);
    EXPECT_EQ(dialog->DoModal(&screenDC), 1);
    // The second click waits for whoever runs next.
    EXPECT_EQ(sys::window::headless::PendingMessages().size(), 2u);
    EXPECT_EQ(dialog->DoModal(&screenDC), 2);

    host.m_nIdle = 0;
    host.m_nNestAt = 1;
    EXPECT_EQ(dialog->DoModal(&screenDC), 7);
    EXPECT_EQ(host.m_nNested, -1);
    EXPECT_EQ(host.m_nIdle, 3);
}

TEST_F(DialogTest, TheQuitMessageEndsTheDialogAsCancelledAndIsPostedAgain) {
    Click(155, 115);
    sys::window::PostQuitMessage(3);
    host.m_nEndAt = 0;  // only the quit can end it
    EXPECT_EQ(dialog->DoModal(&screenDC), 2);
    sys::MSG msg;
    ASSERT_TRUE(sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_REMOVE));
    EXPECT_EQ(msg.message, sys::WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(DialogTest, ATerminationSignalClosesTheMainWindowAndEndsTheDialog) {
    // The main window does what the program's does on WM_CLOSE: it goes, and the loop quits.
    sys::HWND hwnd = sys::window::CreateWindow("t", 0, nullptr, [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
        if (m == sys::WM_CLOSE)
            sys::window::PostQuitMessage(0);
        return sys::window::DefWindowProc(h, m, w, l);
    });
    ASSERT_NE(hwnd, nullptr);
    host.m_nEndAt = 0;
    sys::signals::RequestClose();
    EXPECT_EQ(dialog->DoModal(&screenDC), 2);
    sys::MSG msg;
    ASSERT_TRUE(sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_REMOVE));
    EXPECT_EQ(msg.message, sys::WM_QUIT);
    sys::window::DestroyWindow(hwnd);
}

TEST_F(DialogTest, OnlySevenMessagesAreRoutedTheRestGoToTheWindowProcedure) {
    Log dispatched;
    sys::HWND hwnd = sys::window::CreateWindow("t", 0, nullptr, [&](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) {
        if (m >= sys::WM_MOUSEFIRST && m <= sys::WM_MOUSELAST)
            dispatched.push_back(std::to_string(m));
        return sys::window::DefWindowProc(h, m, w, l);
    });
    ASSERT_NE(hwnd, nullptr);
    for (uint32_t msg : {sys::WM_RBUTTONDOWN, sys::WM_LBUTTONDBLCLK, sys::WM_MOUSEWHEEL, sys::WM_MOUSEMOVE})
        sys::window::PostMessage(hwnd, msg, 0, At(155, 115));
    log.clear();
    EXPECT_EQ(dialog->DoModal(&screenDC), 7);
    EXPECT_EQ(dispatched, (Log{"516", "515", "522"}));
    EXPECT_NE(std::find(log.begin(), log.end(), "C:move"), log.end());
    int routed = 0;
    for (uint32_t msg = 0; msg < 0x400; ++msg)
        routed += SDialog::IsRoutedMessage(msg) ? 1 : 0;
    EXPECT_EQ(routed, 7);
    sys::window::DestroyWindow(hwnd);
}

TEST_F(DialogTest, AfterTheLoopNoWindowHasTheFocusAndTheParentAndSourceAreRestored) {
    RecordingDC own, saved;
    dialog->SetDC(&own);
    SWindow::SetSourceDC(&saved);
    parent->SetModalParent(0);
    Click(155, 115);  // focuses control 5
    log.clear();
    EXPECT_EQ(dialog->DoModal(&screenDC), 7);
    EXPECT_EQ(host.m_modalParentSeen, 1);
    EXPECT_EQ(parent->GetModalParent(), 0);
    EXPECT_EQ(SWindow::GetFocus(), nullptr);
    EXPECT_EQ(SWindow::GetSourceDC(), &saved);
    EXPECT_EQ(dialog->GetDC(), nullptr);
    // Each of the three passes draws the parent (with the dialog among its children), then
    // the dialog on its own over it.
    EXPECT_EQ(std::count(log.begin(), log.end(), "P:draw"), 3);
    EXPECT_EQ(std::count(log.begin(), log.end(), "C:draw"), 3 * 3 * 2);
    // Once started, a dialog gives the saved context back when it is destroyed too.
    SWindow::SetSourceDC(&own);
    delete dialog;
    EXPECT_EQ(SWindow::GetSourceDC(), &saved);
    { SDialog unstarted; }
    EXPECT_EQ(SWindow::GetSourceDC(), &saved);
}

TEST_F(DialogTest, TheIdleStepKeepsRunningAcrossTheTickCountWrap) {
    sys::time::SetFakeTicks(0xFFFFFFF0u);
    SDialog::SetLastIdleTick(0xFFFFFFE0u);
    host.m_nEndAt = 4;
    EXPECT_EQ(dialog->DoModal(&screenDC), 7);
    EXPECT_EQ(host.m_ticks, (std::vector<uint32_t>{0xFFFFFFF0u, 0u, 16u, 32u}));
    // No call while the tick count has moved by 1 ms or less since the last one.
    host.m_nIdle = 0;
    SDialog::SetLastIdleTick(sys::time::TickCount() - 1);
    Click(115, 115);
    EXPECT_EQ(dialog->DoModal(&screenDC), 1);
    EXPECT_EQ(host.m_nIdle, 0);
}

TEST_F(DialogTest, DrawingWithAnOffsetAndABackdrop) {
    struct Spy : SWindow {
        int Draw(SDC* pDC) override {
            lefts.push_back(GetWindowRect().left);
            sources.push_back(GetSourceDC());
            return SWindow::Draw(pDC);
        }
        std::vector<int> lefts;
        std::vector<SDC*> sources;
    };
    auto* spy = new Spy;
    spy->Create(nullptr, "", 0, {100, 50, 110, 60}, dialog, 9, nullptr);
    RecordingDC dc, own;
    dialog->SetDC(&own);
    dialog->SetDrawOffset(100, 0);
    SWindow::SetSourceDC(nullptr);
    dialog->Draw(&dc);
    EXPECT_EQ(spy->lefts, (std::vector<int>{300}));
    EXPECT_EQ(spy->sources, (std::vector<SDC*>{&own}));
    EXPECT_EQ(spy->GetWindowRect(), (sys::RECT{200, 150, 210, 160}));
    EXPECT_EQ(dialog->GetWindowRect(), (sys::RECT{100, 100, 300, 200}));
    EXPECT_EQ(SWindow::GetSourceDC(), nullptr);
    EXPECT_TRUE(dc.m_calls.empty());  // no resources, no background

    TestImage picture(200, 100);
    dialog->AddResource(&picture, false);
    dialog->SetDrawOffset(0, 0);
    RecordingDC backdrop;
    EXPECT_TRUE(dialog->DrawBackgroundInto(&backdrop));
    ASSERT_EQ(backdrop.m_calls.size(), 1u);
    EXPECT_EQ(backdrop.m_calls[0].rect, (sys::RECT{0, 0, 200, 100}));
    dialog->DrawBackground(&dc);
    ASSERT_EQ(dc.m_calls.size(), 1u);
    EXPECT_EQ(dc.m_calls[0].what, "from");
    EXPECT_EQ(dc.m_calls[0].pSource, &backdrop);
    EXPECT_EQ(dc.m_calls[0].rect, (sys::RECT{100, 100, 300, 200}));
    sys::RECT source;
    picture.GetRect(&source);
    EXPECT_EQ(source, (sys::RECT{0, 0, 200, 100}));
    dialog->GetResourceArray()->RemoveAll();
}

TEST_F(DialogTest, FactoryKindsAndClasses) {
    RegisterScreenResourceKind();
    RegisterDialogResourceKind();
    SResourceFactory factory;
    std::unique_ptr<SResource> screen(factory.CreateResource(kKindScreen));
    std::unique_ptr<SResource> made(factory.CreateResource(kKindDialog));
    EXPECT_STREQ(screen->GetRuntimeClass()->m_lpszClassName, "SScreen");
    EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "SDialog");
    EXPECT_EQ(made->GetRuntimeClass()->m_pBaseClass, RUNTIME_CLASS(SWindow));
    std::unique_ptr<SResource> clone(dialog->Clone(nullptr));
    EXPECT_NE(dynamic_cast<SDialog*>(clone.get()), nullptr);
    SScreen notADialog;
    EXPECT_EQ(dialog->Clone(&notADialog), nullptr);
    SResourceFactory::RegisterKind(kKindScreen, nullptr);
    SResourceFactory::RegisterKind(kKindDialog, nullptr);
}

}  // namespace
