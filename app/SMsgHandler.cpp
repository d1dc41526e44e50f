#include "app/SMsgHandler.h"

#include "app/CMainFrame.h"
#include "app/SCommandDialog.h"
#include "app/SFrontEndHooks.h"
#include "app/SGameObjects.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "sys/gdi/gdi.h"
#include "sys/signals.h"
#include "sys/window/window_dc.h"
#include "ui/SGraphicsHost.h"
#include "ui/SSurfaceDC.h"

namespace {

constexpr sys::WPARAM kTabKey = 9;
constexpr sys::WPARAM kAltKey = 18;
// The system cursor stays hidden a little beyond the client area, so it does not flicker on
// at the edge while the software cursor is drawn there.
constexpr int kCursorMargin = 2;
constexpr sys::COLORREF kConsoleFrameColor = 0x00467888;
constexpr const char* kConsoleBackground = "Interface:font background";
constexpr const char* kConsoleMeasureText = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

}  // namespace

SMsgHandler::SMsgHandler(SGameObjects* hub) : m_pHub(hub) {}

SMsgHandler::~SMsgHandler() { delete m_pConsole; }

bool SMsgHandler::PumpMessages(bool& didWork) {
    didWork = false;
    if (sys::signals::TakeCloseRequest()) {
        // Closing the window is what a user does, so shut-down follows the ordinary road.
        const sys::HWND window = sys::window::GetMainWindow();
        if (window != nullptr)
            sys::window::PostMessage(window, sys::WM_CLOSE, 0, 0);
        else
            sys::window::PostQuitMessage(0);
    }
    sys::MSG msg;
    if (!sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_NOREMOVE))
        return true;
    do {
        didWork = true;
        sys::window::GetMessage(msg, nullptr, 0, 0);
        if (msg.message == sys::WM_QUIT) {
            if (m_Quit)
                m_Quit();
            return false;
        }
        // No accelerator of the frame applies to a window without edit controls, so every
        // message goes the ordinary way.
        sys::window::TranslateMessage(msg);
        sys::window::DispatchMessage(msg);
        SFrontEndHooks::Installed().HandleInput(m_pHub, msg.message, msg.wParam, msg.lParam);
        // A paint comes only once the queue is otherwise empty, so the pass is done: a desktop
        // that exposes the window again after each one must not hold the loop, where a
        // termination request would never be read.
        if (msg.message == sys::WM_PAINT)
            return true;
    } while (sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_NOREMOVE));
    return true;
}

sys::HWND SMsgHandler::FrameWindow() const { return m_pFrame != nullptr ? m_pFrame->GetSafeHwnd() : nullptr; }

sys::LRESULT SMsgHandler::PassOn(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam) {
    if (m_pFrame != nullptr)
        return m_pFrame->DefWindowProc(message, wParam, lParam);
    return sys::window::DefWindowProc(sys::window::GetMainWindow(), message, wParam, lParam);
}

bool SMsgHandler::SurfacesExist() const {
    return m_pHub != nullptr && m_pHub->m_pGraphics != nullptr && m_pHub->m_pGraphics->GetPrimary() != nullptr;
}

bool SMsgHandler::Windowed() const {
    return m_pHub == nullptr || m_pHub->m_pGraphics == nullptr || m_pHub->m_pGraphics->IsFullScreen() == 0;
}

void SMsgHandler::RedrawAndRender() {
    if (m_pHub == nullptr || m_pHub->m_pGraphics == nullptr)
        return;
    SFrontEndHooks::Installed().RedrawScreen(m_pHub);
    m_pHub->m_pGraphics->RenderFrame();
}

void SMsgHandler::FillClientBlack() {
    const sys::HWND window = FrameWindow() != nullptr ? FrameWindow() : sys::window::GetMainWindow();
    sys::RECT client;
    if (window == nullptr || !sys::window::GetClientRect(window, client))
        return;
    const sys::HDC dc = sys::window::GetDC(window);
    if (dc == nullptr)
        return;
    const sys::HBRUSH black = sys::gdi::CreateSolidBrush(0);
    sys::gdi::FillRect(dc, client, black);
    sys::gdi::DeleteObject(black);
    sys::window::ReleaseDC(window, dc);
}

bool SMsgHandler::CursorOverClient() const {
    const sys::HWND window = FrameWindow() != nullptr ? FrameWindow() : sys::window::GetMainWindow();
    sys::POINT point;
    sys::RECT client;
    if (window == nullptr || !sys::window::GetCursorPos(point) || !sys::window::ScreenToClient(window, point) ||
        !sys::window::GetClientRect(window, client))
        return false;
    return point.x >= client.left - kCursorMargin && point.x < client.right + kCursorMargin &&
           point.y >= client.top - kCursorMargin && point.y < client.bottom + kCursorMargin;
}

sys::LRESULT SMsgHandler::OnMessage(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam) {
    SInputObj* input = m_pHub != nullptr ? m_pHub->m_pInput : nullptr;
    SGraphics* graphics = m_pHub != nullptr ? m_pHub->m_pGraphics : nullptr;
    if (input != nullptr)
        input->OnWindowMessage(message, wParam, lParam);

    switch (message) {
    case sys::WM_MOVE:
        if (SurfacesExist() && Windowed()) {
            graphics->SetScreenOrigin(sys::GET_X_LPARAM(lParam), sys::GET_Y_LPARAM(lParam));
            if (FrameWindow() != nullptr)
                sys::window::InvalidateRect(FrameWindow());
        }
        return PassOn(message, wParam, lParam);
    case sys::WM_SETFOCUS:
        if (input != nullptr)
            input->SetFocused(true);
        if (input != nullptr && m_bMouseWasActive != 0)
            input->EnableMouse();
        return PassOn(message, wParam, lParam);
    case sys::WM_KILLFOCUS:
        if (input != nullptr) {
            m_bMouseWasActive = input->IsMouseInput() ? 1 : 0;
            input->DisableMouse();
            input->SetFocused(false);
        }
        sys::window::ReleaseCapture();
        return PassOn(message, wParam, lParam);
    case sys::WM_PAINT:
        if (SurfacesExist() && Windowed())
            RedrawAndRender();
        else if (graphics == nullptr || !SurfacesExist())
            FillClientBlack();
        return PassOn(message, wParam, lParam);
    case sys::WM_CLOSE: {
        const sys::LRESULT result = PassOn(message, wParam, lParam);
        m_pFrame = nullptr;
        return result;
    }
    case sys::WM_ERASEBKGND:
        if (SurfacesExist())
            return 1;
        return PassOn(message, wParam, lParam);
    case sys::WM_ACTIVATEAPP:
        if (wParam != 0 && Windowed()) {
            RedrawAndRender();
        } else if (wParam == 0 && !Windowed()) {
            // A full-screen game that loses the foreground takes it straight back.
            if (FrameWindow() != nullptr)
                sys::window::SetForegroundWindow(FrameWindow());
            return 0;
        }
        return PassOn(message, wParam, lParam);
    case sys::WM_SETCURSOR:
        if (CursorOverClient()) {
            sys::window::SetCursor(nullptr);
            return 1;
        }
        return PassOn(message, wParam, lParam);
    case sys::WM_NCPAINT:
        if (SurfacesExist() && !Windowed())
            return 0;
        return PassOn(message, wParam, lParam);
    case sys::WM_KEYDOWN:
        if (wParam == sys::VK_F12 && graphics != nullptr)
            graphics->SaveScreenShot();
        else if (wParam == sys::VK_F2)
            OpenConsole();
        return PassOn(message, wParam, lParam);
    case sys::WM_SYSKEYDOWN:
    case sys::WM_SYSKEYUP:
        if (wParam == kTabKey || wParam == kAltKey)
            return 0;
        return PassOn(message, wParam, lParam);
    case sys::WM_SYSCOMMAND:
        if (wParam == sys::SC_KEYMENU)
            return 0;
        return PassOn(message, wParam, lParam);
    case sys::WM_PALETTECHANGED:
        if (wParam == reinterpret_cast<sys::WPARAM>(FrameWindow()))
            return PassOn(message, wParam, lParam);
        return 1;
    case sys::WM_LBUTTONDOWN:
        if (FrameWindow() != nullptr)
            sys::window::SetCapture(FrameWindow());
        return PassOn(message, wParam, lParam);
    case sys::WM_LBUTTONUP:
        if (FrameWindow() != nullptr && sys::window::GetCapture() == FrameWindow())
            sys::window::ReleaseCapture();
        return PassOn(message, wParam, lParam);
    default:
        return PassOn(message, wParam, lParam);
    }
}

void SMsgHandler::CreateConsole() {
    DeleteConsole();
    m_pConsole = new SCommandDialog(m_pHub);
    m_pConsole->SetFillColor(0);
    m_pConsole->SetFrameColor(kConsoleFrameColor);
    m_pConsole->SetSeparator(0);
    m_pConsole->SetAutoSize(1);
    m_pConsole->SetBackground(kConsoleBackground);
}

void SMsgHandler::DeleteConsole() {
    delete m_pConsole;
    m_pConsole = nullptr;
}

sys::RECT SMsgHandler::ConsoleRect(int textHeight) const {
    const sys::HWND window = FrameWindow();
    sys::RECT rect{};
    if (window != nullptr) {
        if (m_pFrame->IsFullScreen())
            sys::window::GetWindowRect(window, rect);
        else
            sys::window::GetClientRect(window, rect);
    }
    const int height = rect.bottom - rect.top;
    rect.bottom = (height / 2 + textHeight) & ~textHeight;
    return rect;
}

void SMsgHandler::OpenConsole() {
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    SGraphics* graphics = m_pHub != nullptr ? m_pHub->m_pGraphics : nullptr;
    if (m_pConsole == nullptr || host == nullptr || host->GetDefaultFont() == nullptr || graphics == nullptr)
        return;
    // A console needs a screen to sit over; none exists before the front end is made.
    SWindow* screen = host->GetCurrentScreen();
    if (screen == nullptr)
        return;
    SSurfaceDC context(graphics->GetBack(), false);
    SFont* previous = context.SelectFont(host->GetDefaultFont());
    sys::SIZE extent{};
    context.GetTextExtent(kConsoleMeasureText, extent);
    m_pConsole->SetParent(screen);
    m_pConsole->MoveWindow(ConsoleRect(extent.cy));
    // What is typed into the console's line or clicked in its window is not the game's: a click
    // on an output line fires no round once the console closes.
    SInputObj* input = m_pHub->m_pInput;
    if (input != nullptr)
        input->BeginTextInput();
    m_pConsole->DoModal(&context);
    if (input != nullptr)
        input->EndTextInput();
    m_pConsole->SetParent(nullptr);
    context.SelectFont(previous);
    // What the console covered is drawn again at once.
    RedrawAndRender();
}
