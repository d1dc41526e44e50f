#include "app/CMainFrame.h"

#include <algorithm>

#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "dx/display/SGraphics.h"

CMainFrame::~CMainFrame() {
    if (m_hWnd != nullptr && sys::window::IsWindow(m_hWnd))
        sys::window::DestroyWindow(m_hWnd);
}

bool CMainFrame::Create(const char* title) {
    // The frame ignores the rectangle and style its callers pass: SetClientSize decides both.
    const sys::RECT empty{};
    m_hWnd = sys::window::CreateWindow(title != nullptr ? title : "", kFrameStyle, &empty,
                                       [this](sys::HWND hwnd, sys::UINT message, sys::WPARAM wParam,
                                              sys::LPARAM lParam) { return WindowProc(hwnd, message, wParam, lParam); });
    if (m_hWnd == nullptr)
        return false;
    SetClientSize(kClientWidth, kClientHeight);
    return true;
}

bool CMainFrame::SetFullScreen(bool fullScreen) {
    const int32_t wanted = fullScreen ? 1 : 0;
    if (wanted == m_bFullScreen || m_hWnd == nullptr)
        return true;
    m_bFullScreen = wanted;
    uint32_t style = sys::window::GetWindowLong(m_hWnd, sys::GWL_STYLE);
    if (fullScreen) {
        sys::window::SetWindowLong(m_hWnd, sys::GWL_STYLE, style & ~kFullScreenRemove);
        return true;
    }
    style = (style & ~kWindowedRemove) | kWindowedAdd;
    sys::window::SetWindowLong(m_hWnd, sys::GWL_STYLE, style);
    sys::window::SetWindowPos(m_hWnd, 0, 0, 0, 0,
                              sys::SWP_NOMOVE | sys::SWP_NOSIZE | sys::SWP_NOZORDER | sys::SWP_FRAMECHANGED);
    const SGraphics* graphics = m_pHub != nullptr ? m_pHub->m_pGraphics : nullptr;
    if (graphics != nullptr)
        SetClientSize(graphics->GetWidth(), graphics->GetHeight());
    else
        SetClientSize(kClientWidth, kClientHeight);
    return true;
}

bool CMainFrame::SetClientSize(int width, int height) {
    if (m_hWnd == nullptr)
        return true;
    const SGraphics* graphics = m_pHub != nullptr ? m_pHub->m_pGraphics : nullptr;
    sys::RECT wanted{};
    if (graphics != nullptr && graphics->IsFullScreen() != 0) {
        wanted = {0, 0, sys::window::GetSystemMetrics(sys::SM_CXSCREEN),
                  sys::window::GetSystemMetrics(sys::SM_CYSCREEN)};
    } else {
        sys::RECT outer{0, 0, width, height};
        sys::window::AdjustWindowRect(outer, sys::window::GetWindowLong(m_hWnd, sys::GWL_STYLE), false);
        sys::RECT area{};
        sys::window::GetWorkArea(area);
        const int outerWidth = outer.right - outer.left;
        const int outerHeight = outer.bottom - outer.top;
        wanted.left = area.left + (area.right - area.left - outerWidth) / 2;
        wanted.top = area.top + (area.bottom - area.top - outerHeight) / 2;
        wanted.right = wanted.left + outerWidth;
        wanted.bottom = wanted.top + outerHeight;
        // A desktop smaller than the window keeps the frame on it rather than off its edges.
        wanted.left = std::max(wanted.left, area.left);
        wanted.top = std::max(wanted.top, area.top);
        wanted.right = std::min(wanted.right, area.right);
        wanted.bottom = std::min(wanted.bottom, area.bottom);
    }
    sys::RECT current{};
    sys::window::GetWindowRect(m_hWnd, current);
    if (current == wanted)
        return true;
    sys::window::SetWindowPos(m_hWnd, wanted.left, wanted.top, wanted.right - wanted.left, wanted.bottom - wanted.top,
                              sys::SWP_NOZORDER | sys::SWP_NOREDRAW);
    sys::window::InvalidateRect(m_hWnd);
    sys::window::UpdateWindow(m_hWnd);
    return true;
}

sys::LRESULT CMainFrame::DefWindowProc(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam) {
    const sys::HWND hwnd = m_hWnd;
    const sys::LRESULT result = sys::window::DefWindowProc(hwnd, message, wParam, lParam);
    if (message == sys::WM_DESTROY && hwnd != nullptr) {
        // The main window going away is the end of the program's message loop.
        m_hWnd = nullptr;
        sys::window::PostQuitMessage(0);
    }
    return result;
}

sys::LRESULT CMainFrame::WindowProc(sys::HWND hwnd, sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam) {
    // WM_CREATE arrives before CreateWindow answers, so the handle is taken from the message.
    if (m_hWnd == nullptr && message != sys::WM_DESTROY)
        m_hWnd = hwnd;
    SMsgHandler* handler = m_pHub != nullptr ? m_pHub->m_pMsgHandler : nullptr;
    if (handler != nullptr)
        return handler->OnMessage(message, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}
