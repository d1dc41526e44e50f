#pragma once

#include <cstdint>
#include <functional>

#include "sys/window/window.h"

class CMainFrame;
class SCommandDialog;
class SGameObjects;

// The rules that keep the game window well-behaved over a display the program draws itself
// (no system cursor over the client area, no Alt or Tab menu, no erasing or frame painting
// while the display owns the window, input devices let go when the focus goes), the
// non-blocking message pump of the main loop, and the console window. Owned with the hub's
// other long-lived objects; the main frame hands it every message.
class SMsgHandler {
public:
    // Called when the pump meets the quit message (the application's Quit).
    using QuitHandler = std::function<void()>;

    explicit SMsgHandler(SGameObjects* hub);
    virtual ~SMsgHandler();
    SMsgHandler(const SMsgHandler&) = delete;
    SMsgHandler& operator=(const SMsgHandler&) = delete;

    // Takes every waiting message without ever blocking: false as soon as the quit message is
    // taken (after the quit handler ran), true when the queue is empty or a paint was handled
    // (at most one a pass). didWork tells whether any message was handled. A termination
    // request from outside becomes WM_CLOSE here.
    bool PumpMessages(bool& didWork);
    // The main frame's window procedure: the input object sees every message first.
    sys::LRESULT OnMessage(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam);
    // Replaces the console window with a new one set up in the console's colours.
    void CreateConsole();
    void DeleteConsole();
    // F2: runs the console over the current screen while the display has its interface font.
    void OpenConsole();

    void SetFrame(CMainFrame* frame) { m_pFrame = frame; }
    CMainFrame* GetFrame() const { return m_pFrame; }
    void SetQuitHandler(QuitHandler quit) { m_Quit = std::move(quit); }
    SCommandDialog* GetConsole() const { return m_pConsole; }
    bool GetMouseWasActive() const { return m_bMouseWasActive != 0; }

private:
    sys::LRESULT PassOn(sys::UINT message, sys::WPARAM wParam, sys::LPARAM lParam);
    sys::HWND FrameWindow() const;
    bool SurfacesExist() const;
    bool Windowed() const;
    // The current screen drawn again and shown at once.
    void RedrawAndRender();
    // Before a display exists the window shows black, not what was under it.
    void FillClientBlack();
    bool CursorOverClient() const;
    // The upper half of the frame, ending on a multiple of the console's text height.
    sys::RECT ConsoleRect(int textHeight) const;

    SGameObjects* m_pHub;
    int32_t m_bMouseWasActive = 0;
    SCommandDialog* m_pConsole = nullptr;
    CMainFrame* m_pFrame = nullptr;
    QuitHandler m_Quit;
};
