#pragma once

#include <cstdint>

#include "sys/window/window.h"

class SGameObjects;

// The program's one top-level window. The whole display lives on it; everything inside is
// drawn by the program, so the frame only fixes its own style and size and hands every
// message to the hub's message handler. Made by start-up and owned by the application object;
// the hub and the message handler only point at it.
class CMainFrame {
public:
    // Caption, system menu and minimise box: the style the frame always has in a window.
    static constexpr uint32_t kFrameStyle = 0x00CA0121;
    static constexpr uint32_t kFullScreenRemove = 0x00CF0001;
    static constexpr uint32_t kWindowedRemove = 0x00050000;
    static constexpr uint32_t kWindowedAdd = 0x00CA0001;
    static constexpr int kClientWidth = 640;
    static constexpr int kClientHeight = 480;

    explicit CMainFrame(SGameObjects* hub) : m_pHub(hub) {}
    ~CMainFrame();
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Makes the window with the title, whatever style a caller has in mind: the frame's own
    // style and a 640 x 480 client area centred on the desktop. False when the window cannot
    // be made.
    bool Create(const char* title);
    // Acts only when the state changes; always true.
    bool SetFullScreen(bool fullScreen);
    // A window around a w x h client area centred in the work area, or the whole screen while
    // the display is full screen; moved only when that differs from where it is. Always true.
    bool SetClientSize(int width, int height);
    // The platform's own handling; the main window's destruction also ends the message loop.
    sys::LRESULT DefWindowProc(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam);

    sys::HWND GetSafeHwnd() const { return m_hWnd; }
    bool IsFullScreen() const { return m_bFullScreen != 0; }

private:
    sys::LRESULT WindowProc(sys::HWND hwnd, sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam);

    SGameObjects* m_pHub;
    sys::HWND m_hWnd = nullptr;
    int32_t m_bFullScreen = 0;
};
