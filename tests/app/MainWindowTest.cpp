// The main frame and the message handler's window rules, driven by synthetic messages on the
// headless window: the frame's style and size, the keys and commands the game swallows, the
// system cursor over the client area, focus and the mouse, and closing through the pump.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/CMainFrame.h"
#include "app/SFrontEndHooks.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "dx/input/SInputObj.h"
#include "sys/window/headless/headless_paint.h"
#include "sys/window/headless/headless_window.h"
#include "sys/signals.h"
#include "sys/window/window.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace win = sys::window;

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        win::headless::Reset();
        const std::string folder = tarvex::test::MakeScratchFolder("MainWindow");
        sys::profile::SetFile(folder + "/profile.ini");
        std::filesystem::current_path(folder);
        m_hub = std::make_unique<SGameObjects>();
        m_handler = std::make_unique<SMsgHandler>(m_hub.get());
        m_handler->SetQuitHandler([this] { ++m_quits; });
        m_hub->m_pMsgHandler = m_handler.get();
        m_frame = std::make_unique<CMainFrame>(m_hub.get());
        m_handler->SetFrame(m_frame.get());
        ASSERT_TRUE(m_frame->Create("Tarvex"));
        m_hwnd = m_frame->GetSafeHwnd();
    }
    void TearDown() override {
        m_frame.reset();
        m_hub->m_pMsgHandler = nullptr;
        m_handler.reset();
        m_hub.reset();
        win::headless::Reset();
    }
    sys::LRESULT Send(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam = 0) {
        return win::SendMessage(m_hwnd, message, wParam, lParam);
    }
    // Pumps until the queue is empty or the quit message came; false for the quit message.
    bool Pump() {
        bool didWork = false;
        return m_handler->PumpMessages(didWork);
    }

    tarvex::test::TestEnvironmentGuard m_guard;
    std::unique_ptr<SGameObjects> m_hub;
    std::unique_ptr<SMsgHandler> m_handler;
    std::unique_ptr<CMainFrame> m_frame;
    sys::HWND m_hwnd = nullptr;
    int m_quits = 0;
};

TEST_F(MainWindowTest, TheFrameHasItsOwnStyleAndA640By480ClientCentredOnTheDesktop) {
    EXPECT_EQ(win::GetWindowLong(m_hwnd, sys::GWL_STYLE) & ~sys::WS_VISIBLE, CMainFrame::kFrameStyle);
    sys::RECT client;
    ASSERT_TRUE(win::GetClientRect(m_hwnd, client));
    EXPECT_EQ(client, (sys::RECT{0, 0, 640, 480}));
    // The desktop frames it outside: the window is the client, centred on 1024 x 768.
    sys::RECT outer;
    ASSERT_TRUE(win::GetWindowRect(m_hwnd, outer));
    EXPECT_EQ(outer, (sys::RECT{192, 144, 832, 624}));
}

TEST_F(MainWindowTest, FullScreenTwiceChangesTheStyleOnce) {
    ASSERT_TRUE(m_frame->SetFullScreen(true));
    EXPECT_EQ(win::GetWindowLong(m_hwnd, sys::GWL_STYLE) & ~sys::WS_VISIBLE, 0x00000120u);
    win::SetWindowLong(m_hwnd, sys::GWL_STYLE, 0x00C00000);
    ASSERT_TRUE(m_frame->SetFullScreen(true));
    EXPECT_EQ(win::GetWindowLong(m_hwnd, sys::GWL_STYLE), 0x00C00000u);
    // Back in a window: caption, system menu and minimise box again, client 640 x 480.
    ASSERT_TRUE(m_frame->SetFullScreen(false));
    EXPECT_EQ(win::GetWindowLong(m_hwnd, sys::GWL_STYLE) & 0x00CA0001u, 0x00CA0001u);
    sys::RECT client;
    win::GetClientRect(m_hwnd, client);
    EXPECT_EQ(client, (sys::RECT{0, 0, 640, 480}));
}

TEST_F(MainWindowTest, AltTabAndTheKeyMenuDoNothing) {
    EXPECT_EQ(Send(sys::WM_SYSKEYDOWN, sys::VK_MENU), 0);
    EXPECT_EQ(Send(sys::WM_SYSKEYUP, sys::VK_TAB), 0);
    EXPECT_EQ(Send(sys::WM_SYSCOMMAND, sys::SC_KEYMENU), 0);
    EXPECT_TRUE(win::IsWindow(m_hwnd));
    EXPECT_EQ(Send(sys::WM_PALETTECHANGED, 0), 1);
    // Other system commands reach the platform: closing ends the program through the pump.
    Send(sys::WM_SYSCOMMAND, sys::SC_CLOSE);
    EXPECT_FALSE(win::IsWindow(m_hwnd));
    EXPECT_EQ(m_handler->GetFrame(), nullptr);
    EXPECT_FALSE(Pump());
    EXPECT_EQ(m_quits, 1);
}

TEST_F(MainWindowTest, TheSystemCursorHidesOverTheClientAndTwoPixelsAround) {
    sys::POINT origin{0, 0};
    win::ClientToScreen(m_hwnd, origin);
    const auto over = [&](int x, int y) {
        win::SetCursorPos(origin.x + x, origin.y + y);
        return Send(sys::WM_SETCURSOR, reinterpret_cast<sys::WPARAM>(m_hwnd), sys::HTCLIENT);
    };
    EXPECT_EQ(over(320, 240), 1);
    EXPECT_FALSE(win::headless::SystemPointerVisible());
    EXPECT_EQ(over(-2, 100), 1);
    EXPECT_EQ(over(641, 479), 1);
    EXPECT_FALSE(win::headless::SystemPointerVisible());
    // Beyond the margin the platform shows its arrow.
    over(-3, 100);
    EXPECT_TRUE(win::headless::SystemPointerVisible());
    over(320, 240);
    over(100, 482);
    EXPECT_TRUE(win::headless::SystemPointerVisible());
}

TEST_F(MainWindowTest, FocusLossRemembersWhetherTheMouseWasActive) {
    SInputObj& input = *m_hub->m_pInput;
    input.EnableMouse(true);
    Send(sys::WM_KILLFOCUS, 0);
    EXPECT_FALSE(input.IsMouseInput());
    EXPECT_FALSE(input.IsFocused());
    Send(sys::WM_SETFOCUS, 0);
    EXPECT_TRUE(input.IsMouseInput());
    EXPECT_TRUE(input.IsFocused());
    input.DisableMouse();
    Send(sys::WM_KILLFOCUS, 0);
    Send(sys::WM_SETFOCUS, 0);
    EXPECT_FALSE(input.IsMouseInput());
}

TEST_F(MainWindowTest, PaintingBeforeADisplayExistsShowsTheClientBlack) {
    Send(sys::WM_PAINT, 0);
    const auto shown = win::headless::PicturesShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].width, 640);
    EXPECT_EQ(shown[0].height, 480);
    const auto picture = win::headless::ShownPicture();
    ASSERT_EQ(picture.size(), 640u * 480u);
    EXPECT_TRUE(std::all_of(picture.begin(), picture.end(), [](uint32_t pixel) { return pixel == 0; }));
}

TEST_F(MainWindowTest, TheLeftButtonCapturesTheMouseUntilItIsReleased) {
    Send(sys::WM_LBUTTONDOWN, sys::MK_LBUTTON, sys::MAKELPARAM(10, 10));
    EXPECT_EQ(win::GetCapture(), m_hwnd);
    Send(sys::WM_LBUTTONUP, 0, sys::MAKELPARAM(10, 10));
    EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(MainWindowTest, ATerminationSignalClosesTheWindowAsAUserWould) {
    EXPECT_TRUE(Pump());
    sys::signals::RequestClose();
    EXPECT_FALSE(Pump());
    EXPECT_EQ(m_quits, 1);
    EXPECT_FALSE(win::IsWindow(m_hwnd));
    // The request is taken once.
    EXPECT_FALSE(sys::signals::TakeCloseRequest());
}

// The desktop exposes the window again after every paint, as a display the game cannot draw
// on does: each pass paints once, so a termination signal still closes the game.
class ReexposingHooks : public SFrontEndHooks {
public:
    void HandleInput(SGameObjects*, uint32_t message, uintptr_t, intptr_t) override {
        if (message != sys::WM_PAINT || ++m_paints > 50)
            return;
        win::headless::InjectExpose();
        if (m_paints == 1)
            sys::signals::RequestClose();
    }
    int m_paints = 0;
};

TEST_F(MainWindowTest, APaintThatExposesTheWindowAgainDoesNotHoldTheQuit) {
    ReexposingHooks hooks;
    SFrontEndHooks::Install(&hooks);
    win::ShowWindow(m_hwnd, sys::SW_SHOW);
    win::headless::InjectExpose();
    EXPECT_TRUE(Pump());
    EXPECT_EQ(hooks.m_paints, 1);
    EXPECT_FALSE(Pump());
    SFrontEndHooks::Install(nullptr);
    EXPECT_EQ(m_quits, 1);
    EXPECT_FALSE(win::IsWindow(m_hwnd));
}

TEST_F(MainWindowTest, AnEmptyQueueCostsOnePeekAndReportsNoWork) {
    bool didWork = true;
    EXPECT_TRUE(m_handler->PumpMessages(didWork));
    EXPECT_FALSE(didWork);
    win::PostMessage(m_hwnd, sys::WM_USER, 0, 0);
    EXPECT_TRUE(m_handler->PumpMessages(didWork));
    EXPECT_TRUE(didWork);
}

}  // namespace
