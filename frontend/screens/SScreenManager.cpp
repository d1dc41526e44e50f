#include "frontend/screens/SScreenManager.h"

#include "app/CTarvexApp.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SLog.h"
#include "frontend/screens/SAppScreen.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "sys/window/dialogs.h"
#include "sys/gdi/gdi.h"
#include "sys/thread.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"

namespace {

// Held while a page is made, so that a thread of the game-logic library can wait until no
// page is half built.
CCriticalSection s_ScreenLock;

constexpr const char* kUnknownScreen = "Unrecognized screen encountered!";
constexpr sys::COLORREF kFillColour = 0x00FF00;
constexpr sys::COLORREF kMagenta = 0xFF00FF;

class ScreenLockHold {
public:
    ScreenLockHold() { s_ScreenLock.Lock(); }
    ~ScreenLockHold() { s_ScreenLock.Unlock(); }
    ScreenLockHold(const ScreenLockHold&) = delete;
    ScreenLockHold& operator=(const ScreenLockHold&) = delete;
};

}  // namespace

SScreenManager::SScreenManager() {
    SetSize(kScreenCount);
    for (int i = 0; i < kScreenCount; ++i)
        SetAt(i, nullptr);
}

SScreenManager::~SScreenManager() {
    ScreenLockHold hold;
    DeleteAllScreens();
}

SScreenManager* SScreenManager::GetInstance() { return SGameObjects::Instance()->m_pScreenManager; }

void SScreenManager::SetScreenFactory(int nId, ScreenFactory pfnFactory) {
    if (IsInRange(nId))
        m_aFactories[nId] = pfnFactory;
}

SAppScreen* SScreenManager::Slot(int nId) const {
    return IsInRange(nId) && nId < GetSize() ? static_cast<SAppScreen*>(GetAt(nId)) : nullptr;
}

int SScreenManager::CreateScreen(int nId, SWindow* pParent) {
    if (!IsInRange(nId) || nId == kNoScreenId) {
        sys::dialogs::MessageBox(kUnknownScreen, CTarvexApp::kTitle, sys::MB_OK);
        return 0;
    }
    ScreenLockHold hold;
    SAppScreen* pScreen = m_aFactories[nId] != nullptr ? m_aFactories[nId]() : nullptr;
    if (pScreen == nullptr)
        return 0;
    pScreen->Initialise();
    const bool bCreated = pScreen->CreateScreen(nullptr, nullptr, 0, sys::RECT{0, 0, kPageWidth, kPageHeight},
                                                pParent, 0, nullptr);
    // A page made twice replaces nothing: the first one stays and may be current.
    if (Slot(nId) != nullptr) {
        delete pScreen;
        return bCreated ? 1 : 0;
    }
    if (GetSize() < kScreenCount)
        SetSize(kScreenCount);
    SetAt(nId, pScreen);
    return bCreated ? 1 : 0;
}

SAppScreen* SScreenManager::GetScreen(int nId) {
    if (!IsInRange(nId))
        return nullptr;
    if (Slot(nId) == nullptr)
        CreateScreen(nId, m_pCreationParent);
    return Slot(nId);
}

SAppScreen* SScreenManager::GetCurrentScreen() { return m_iCurrent == -1 ? nullptr : GetScreen(m_iCurrent); }

int SScreenManager::SwitchTo(int nId) {
    SAppScreen* pScreen = GetScreen(nId);
    if (pScreen == nullptr)
        return 0;
    if (SAppScreen* pCurrent = GetCurrentScreen())
        pCurrent->Deactivate();
    m_iCurrent = nId;
    return ActivateCurrent(nullptr, nullptr);
}

int SScreenManager::SetCurrent(int nId) {
    SAppScreen* pCurrent = GetCurrentScreen();
    if (pCurrent != nullptr)
        pCurrent->Deactivate();
    m_iCurrent = nId;
    return pCurrent == nullptr ? -1 : nId;
}

sys::RECT SScreenManager::CurrentRect() {
    SAppScreen* pScreen = GetCurrentScreen();
    return pScreen != nullptr ? pScreen->GetWindowRect() : sys::RECT{0, 0, kPageWidth, kPageHeight};
}

void SScreenManager::TellDisplay(SWindow* pScreen) {
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->SetCurrentScreen(pScreen);
}

bool SScreenManager::DisplayGone() {
    // A display that exists but is not ready has taken its interface surfaces, and the
    // contexts over them, away; the ones kept here must not be used until it hands new ones.
    const SGraphics* display = SGameObjects::Instance()->m_pGraphics;
    return display != nullptr && display->IsReady() == 0;
}

int SScreenManager::ActivateCurrent(SDC* pContext, SDC* pBackground) {
    if (DisplayGone())
        return 0;
    if (pContext != nullptr)
        m_pInterfaceDC = pContext;
    else if (m_pInterfaceDC == nullptr)
        return 0;
    const sys::RECT rc = CurrentRect();
    if (pBackground != nullptr)
        m_pBackgroundDC = pBackground;
    if (m_pBackgroundDC != nullptr) {
        if (SGraphics* display = SGameObjects::Instance()->m_pGraphics)
            m_pBackgroundDC->SetSurface(display->CreateUIBackground());
        if (m_pBackgroundDC->CreateSurface(rc.right - rc.left, rc.bottom - rc.top) == 0)
            return 0;
    }
    SAppScreen* pScreen = GetCurrentScreen();
    TellDisplay(pScreen);
    if (pScreen != nullptr) {
        // Placed first: a page that enters play sizes itself for the game resolution while it
        // activates, and keeps that size.
        pScreen->MoveWindow(rc);
        pScreen->Activate();
    }
    Paint();
    return 1;
}

int SScreenManager::Paint() {
    SAppScreen* pScreen = GetCurrentScreen();
    if (pScreen == nullptr)
        return 1;
    if (DisplayGone())
        return 0;
    if (m_pInterfaceDC != nullptr) {
        sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(kFillColour);
        m_pInterfaceDC->FillRect(sys::RECT{0, 0, m_iInterfaceWidth, m_iInterfaceHeight}, hBrush, 0, 0xFFFFFF);
        sys::gdi::DeleteObject(hBrush);
    }
    sys::POINT ptCursor{0, 0};
    pScreen->PackImages(m_pInterfaceDC, m_iInterfaceWidth, m_iInterfaceHeight, ptCursor);
    SWindow::SetSourceDC(m_pInterfaceDC);
    SWindow::SetGlobalBackdrop(nullptr);
    SWindowList* pChildren = pScreen->GetChildren();
    auto* pLayout = pChildren->IsEmpty() ? nullptr : dynamic_cast<SScreen*>(pChildren->GetHead());
    if (pLayout != nullptr && pLayout->GetBackgroundImage() != nullptr && m_pBackgroundDC != nullptr)
        m_pBackgroundDC->DrawImage(pScreen->GetWindowRect(), pLayout->GetBackgroundImage(), 0, 0);
    if (m_pBackgroundDC != nullptr)
        SWindow::SetGlobalBackdrop(m_pBackgroundDC);
    // Pages narrower than the display stand against its right edge.
    const SGraphics* display = SGameObjects::Instance()->m_pGraphics;
    const int32_t nRight = display != nullptr ? display->GetWidth() : kPageWidth;
    const sys::RECT& rc = pScreen->GetWindowRect();
    const int32_t nWidth = rc.right - rc.left;
    pScreen->MoveWindow(sys::RECT{nRight - nWidth, rc.top, nRight, rc.bottom});
    return 1;
}

int SScreenManager::SetSurfaces(SDC* pContext, SDC* pBackground) {
    if (pContext != nullptr)
        m_pInterfaceDC = pContext;
    else if (m_pInterfaceDC == nullptr)
        return 0;
    const int nMade = m_pInterfaceDC->CreateSurface(m_iInterfaceWidth, m_iInterfaceHeight);
    if (nMade == 0)
        return nMade;
    if (SDXSurface* pSurface = m_pInterfaceDC->GetSurface())
        pSurface->SetTransparentColor(kMagenta);
    const sys::RECT rc = CurrentRect();
    if (pBackground != nullptr) {
        m_pBackgroundDC = pBackground;
        const int nBackground = m_pBackgroundDC->CreateSurface(rc.right - rc.left, rc.bottom - rc.top);
        if (nBackground == 0)
            return nBackground;
    }
    SWindow::SetSourceDC(m_pInterfaceDC);
    TellDisplay(GetCurrentScreen());
    if (m_pBackgroundDC != nullptr)
        SWindow::SetGlobalBackdrop(m_pBackgroundDC);
    return 1;
}

intptr_t SScreenManager::HandleInput(uint32_t nMessage, uintptr_t wParam, intptr_t lParam) {
    if (!IsInRange(m_iCurrent))
        return 0;
    SAppScreen* pScreen = GetCurrentScreen();
    return pScreen != nullptr ? pScreen->SendMessage(nMessage, wParam, lParam) : 0;
}

int SScreenManager::PreloadScreens(SWindow* pParent, bool bSkip) {
    SGameObjects* hub = SGameObjects::Instance();
    SWindow::SetResourceCatalog(hub->m_pCatalog);
    m_pCreationParent = pParent;
    WriteDebugString("1.5\n");
    if (!bSkip) {
        for (int nId : kPreloadOrder) {
            if (Slot(nId) == nullptr)
                CreateScreen(nId, pParent);
        }
    }
    return Slot(kGameScreenId) != nullptr ? 1 : CreateScreen(kGameScreenId, pParent);
}

void SScreenManager::DeleteAllScreens() {
    SDisplayHost* host = SDisplayHost::GetInstance();
    for (int i = 0; i < GetSize(); ++i) {
        SAppScreen* pScreen = static_cast<SAppScreen*>(GetAt(i));
        if (pScreen == nullptr)
            continue;
        // The display manager must not go on drawing a page that is gone.
        if (host != nullptr && host->GetCurrentScreen() == pScreen)
            host->SetCurrentScreen(nullptr);
        SetAt(i, nullptr);
        delete pScreen;
    }
    RemoveAll();
    m_iCurrent = -1;
}

bool SScreenManager::DeviceBroadcastsAllowed() const {
    SGameItems* items = SGameObjects::Instance()->m_pGameItems;
    return items != nullptr && items->m_pCatalog != nullptr;
}

void SScreenManager::ReleaseDeviceObjects() {
    if (!DeviceBroadcastsAllowed())
        return;
    for (int i = 0; i < kScreenCount; ++i) {
        if (SAppScreen* pScreen = Slot(i))
            pScreen->ReleaseDeviceObjects();
    }
}

void SScreenManager::RestoreDeviceObjects(SGraphics* pDisplay) {
    if (!DeviceBroadcastsAllowed())
        return;
    for (int i = 0; i < kScreenCount; ++i) {
        if (SAppScreen* pScreen = Slot(i))
            pScreen->RestoreDeviceObjects(pDisplay);
    }
}

void SScreenManager::WaitForScreenLoad() {
    s_ScreenLock.Lock();
    s_ScreenLock.Unlock();
}
