#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/window/window.h"

class SAppScreen;
class SDC;
class SGraphics;
class SWindow;

// Owns every full-screen page of the front end (ids 0 to 13), makes each on first use, keeps
// one of them current, routes the main loop's window messages into it, paints it into the
// interface drawing context and tells every page before and after a display-mode change. One
// instance, made by start-up and held by the hub until the end; the pages belong to it until
// DeleteAllScreens. The slots are the elements of the resource array, index = screen id.
class SScreenManager : public SResourceArray {
public:
    static constexpr int kScreenCount = 14;
    // The one id of the range that names no page.
    static constexpr int kNoScreenId = 10;
    static constexpr int kInterfaceWidth = 640;
    static constexpr int kInterfaceHeight = 960;
    static constexpr int kPageWidth = 640;
    static constexpr int kPageHeight = 480;
    // Screens made by PreloadScreens before the in-game screen, in this order.
    static constexpr int kPreloadOrder[] = {0, 1, 2, 4, 13, 9, 12, 5};
    static constexpr int kGameScreenId = 11;

    // Makes the page of one id. The page classes register themselves here, so the manager
    // needs to know none of them.
    using ScreenFactory = SAppScreen* (*)();

    SScreenManager();
    ~SScreenManager() override;
    SScreenManager(const SScreenManager&) = delete;
    SScreenManager& operator=(const SScreenManager&) = delete;

    // The hub's manager, or null before start-up has made it.
    static SScreenManager* GetInstance();

    // Null removes the class; ids outside the table are ignored.
    void SetScreenFactory(int nId, ScreenFactory pfnFactory);
    // Makes, initialises and creates the page of the id and stores it. An id that names no
    // page shows "Unrecognized screen encountered!"; an id whose class is missing answers 0.
    // Either way nothing is stored.
    int CreateScreen(int nId, SWindow* pParent);
    // Null for ids outside 0..13 and for pages that cannot be made.
    SAppScreen* GetScreen(int nId);
    SAppScreen* GetCurrentScreen();
    int GetCurrentId() const { return m_iCurrent; }
    // Leaves the current page, enters the new one and paints. An id whose page cannot be had
    // changes nothing and answers 0.
    int SwitchTo(int nId);
    int SetCurrent(int nId);
    int ActivateCurrent(SDC* pContext, SDC* pBackground);
    int Paint();
    // True while the display is released (its interface contexts with it).
    static bool DisplayGone();
    // The display manager's interface contexts, each time it has built the display.
    int SetSurfaces(SDC* pContext, SDC* pBackground);
    intptr_t HandleInput(uint32_t nMessage, uintptr_t wParam, intptr_t lParam);
    int PreloadScreens(SWindow* pParent, bool bSkip);
    void DeleteAllScreens();
    void ReleaseDeviceObjects();
    void RestoreDeviceObjects(SGraphics* pDisplay);
    // Returns once no page is being made on another thread.
    void WaitForScreenLoad();

    SDC* GetInterfaceContext() const { return m_pInterfaceDC; }
    SDC* GetBackgroundContext() const { return m_pBackgroundDC; }
    SWindow* GetCreationParent() const { return m_pCreationParent; }
    int GetInterfaceWidth() const { return m_iInterfaceWidth; }
    int GetInterfaceHeight() const { return m_iInterfaceHeight; }

private:
    static bool IsInRange(int nId) { return nId >= 0 && nId < kScreenCount; }
    SAppScreen* Slot(int nId) const;
    sys::RECT CurrentRect();
    // The display manager's idea of the current page; null when none.
    static void TellDisplay(SWindow* pScreen);
    bool DeviceBroadcastsAllowed() const;

    int32_t m_iCurrent = -1;
    int32_t m_iInterfaceWidth = kInterfaceWidth;
    int32_t m_iInterfaceHeight = kInterfaceHeight;
    SDC* m_pInterfaceDC = nullptr;    // not owned
    SDC* m_pBackgroundDC = nullptr;   // not owned
    SWindow* m_pCreationParent = nullptr;  // not owned
    ScreenFactory m_aFactories[kScreenCount] = {};
};
