#include "frontend/dialogs/STransparantDialog.h"

#include <algorithm>
#include <cmath>

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SButtonSlide1.h"
#include "frontend/screens/SScreenManager.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "sys/time/time.h"
#include "ui/widgets/SButton.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"
#include "ui/widgets/SSlider.h"

IMPLEMENT_DYNAMIC(STransparantDialog, SDialog)

namespace {

// The dialog-side state of the joystick acting as the mouse, shared by every modal loop.
double s_dJoyX = 0.0;
double s_dJoyY = 0.0;
int s_aiJoyDown[3] = {0, 0, 0};

// Reaches the done flag of another dialog (the layout), which the modal loop resets.
struct DialogAccess : SDialog {
    static void ClearDone(SDialog* pDialog) { pDialog->*(&DialogAccess::m_bDone) = 0; }
};

const char* const kSoundNames[STransparantDialog::kSoundCount] = {
    "interface_click", "interface_button", "mouse_over", "interface_open", "interface_close", "cube_turn"};

}  // namespace

STransparantDialog::STransparantDialog(const char* pszGroup, const char* pszName, SGameObjects* pHub) : m_pHub(pHub) {
    if (SCatalog* pCatalog = SWindow::GetResourceCatalog()) {
        const auto dwDisplay = reinterpret_cast<uintptr_t>(static_cast<SDXDraw*>(GetHub()->m_pGraphics));
        SResource* pResource = pCatalog->GetResource(kDialogsKind, CString(pszGroup != nullptr ? pszGroup : ""),
                                                     CString(pszName != nullptr ? pszName : ""), dwDisplay);
        m_pLayout = dynamic_cast<SDialog*>(pResource);
        if (m_pLayout == nullptr && pResource != nullptr)
            pCatalog->ReleaseResource(pResource);
    }
    if (m_pLayout != nullptr)
        m_pLayout->SetParent(this);
    LoadInterfaceSounds();
    m_pSlide = new SButtonSlide1;
}

STransparantDialog::~STransparantDialog() {
    if (m_pSlide != nullptr)
        m_pSlide->Settle();
    if (m_pLayout != nullptr) {
        m_pLayout->SetParent(nullptr);
        if (m_pBackgroundDC != nullptr && m_pLayout->GetBackdropDC() == m_pBackgroundDC)
            m_pLayout->DrawBackgroundInto(nullptr);
        // The catalog keeps the layout for its next user; it must not keep our context.
        if (m_pOwnContext != nullptr && m_pLayout->GetOwnDC() == m_pOwnContext)
            m_pLayout->SetDC(nullptr);
        if (SCatalog* pCatalog = SWindow::GetResourceCatalog())
            pCatalog->ReleaseResource(m_pLayout);
        m_pLayout = nullptr;
    }
    delete m_pBackgroundDC;
    m_pBackgroundDC = nullptr;
    delete m_pOwnContext;
    m_pOwnContext = nullptr;
    m_pOwnDC = nullptr;
    m_pBackdropDC = nullptr;
    delete m_pSlide;
    m_pSlide = nullptr;
}

SGameObjects* STransparantDialog::GetHub() const { return m_pHub != nullptr ? m_pHub : SGameObjects::Instance(); }

void STransparantDialog::ForgetSounds() {
    for (int& id : s_aiSounds)
        id = -1;
}

void STransparantDialog::LoadInterfaceSounds() {
    SGameItems* pItems = GetHub()->m_pGameItems;
    SSound* pSound = pItems != nullptr ? pItems->m_pSound : nullptr;
    if (pSound == nullptr)
        return;
    if (s_aiSounds[kClick] == -1)
        for (int i = 0; i < kSoundCount; ++i) {
            s_aiSounds[i] = pSound->LoadSoundByKey(kSoundGroup, kSoundNames[i]);
            if (s_aiSounds[i] != -1)
                pSound->EnsureSoundLoaded(s_aiSounds[i]);
        }
    if (m_pLayout != nullptr)
        m_pLayout->SetInterfaceSounds(pSound->FindSound(s_aiSounds[kClick]), pSound->FindSound(s_aiSounds[kButton]),
                                      pSound->FindSound(s_aiSounds[kOpen]), pSound->FindSound(s_aiSounds[kClose]),
                                      pSound->FindSound(s_aiSounds[kCubeTurn]),
                                      pSound->FindSound(s_aiSounds[kMouseOver]));
}

// --- Per-frame --------------------------------------------------------------------------------

void STransparantDialog::Activate() {
    if (m_pLayout != nullptr)
        m_pLayout->PlayOpenSound();
}

void STransparantDialog::Update() {
    if (m_pSlide == nullptr)
        return;
    if (m_bySlideLatched) {
        OnSlideDone();
        return;
    }
    if (m_pSlide->Step())
        m_bySlideFinished = 1;
}

int STransparantDialog::Draw(SDC* pDC) {
    const int nResult = SDialog::Draw(pDC);
    // Seen at a step, acted on after the frame that shows the end of the slide.
    if (m_bySlideFinished)
        m_bySlideLatched = 1;
    return nResult;
}

void STransparantDialog::OnSlideDone() {
    if (m_bySlideDoneHandled)
        return;
    m_bySlideDoneHandled = 1;
    if (m_pLayout != nullptr)
        m_pLayout->PlayCloseSound();
}

void STransparantDialog::StartSlide(int nDirection) {
    if (m_pSlide == nullptr)
        return;
    m_pSlide->SetWindow(m_pLayout);
    m_pSlide->Start(nDirection);
    m_bySlideFinished = 0;
    m_bySlideLatched = 0;
}

void STransparantDialog::Save() {}

int STransparantDialog::GetAnswer() { return 0; }

SWindow* STransparantDialog::FindControl(uint32_t nID) {
    return m_pLayout != nullptr ? m_pLayout->FindChild(nID) : nullptr;
}

// --- Placement --------------------------------------------------------------------------------

SDC* STransparantDialog::NewKeyedContext(int nWidth, int nHeight) {
    SDC* pCurrent = SWindow::GetSourceDC();
    SDC* pContext = pCurrent != nullptr ? pCurrent->CreateCompatibleDC(nWidth, nHeight) : nullptr;
    if (pContext != nullptr && pContext->GetSurface() != nullptr)
        pContext->GetSurface()->SetTransparentColor(kColourKey);
    return pContext;
}

void STransparantDialog::Prepare(int) {
    SetVisible(false);
    if (m_pLayout != nullptr) {
        const sys::RECT rcLayout = m_pLayout->GetWindowRect();
        const int w = rcLayout.right - rcLayout.left;
        const int h = rcLayout.bottom - rcLayout.top;
        if (m_byExplicitPos == 0) {
            // Dialogs are drawn into the display's picture, which a window only shows scaled:
            // the picture, not the window's client, is what the layout is centred in.
            SGraphics* pGraphics = GetHub()->m_pGraphics;
            sys::RECT area{0, 0, 640, 480};
            if (pGraphics != nullptr && pGraphics->GetWidth() > 0 && pGraphics->GetHeight() > 0)
                area = sys::RECT{0, 0, pGraphics->GetWidth(), pGraphics->GetHeight()};
            else if (sys::window::GetMainWindow() != nullptr)
                sys::window::GetClientRect(sys::window::GetMainWindow(), area);
            // A box larger than the picture keeps its top-left corner, and so its text, in view.
            const int left = std::max(0, (area.right - area.left) / 2 - w / 2);
            const int top = std::max(0, (area.bottom - area.top) / 2 - h / 2);
            m_pLayout->MoveWindow(sys::RECT{left, top, left + w, top + h});
        } else {
            m_pLayout->MoveWindow(m_rcExplicit);
        }
        if (SResource* pImage = m_pLayout->GetBackgroundImage()) {
            const int iw = pImage->GetWidth();
            const int ih = pImage->GetHeight();
            if (SDC* pBackground = NewKeyedContext(iw, ih)) {
                delete m_pBackgroundDC;
                m_pBackgroundDC = pBackground;
                DrawBackgroundInto(m_pBackgroundDC);
                // A box grown to its text stretches its picture over its whole size.
                if (w != iw || h != ih)
                    m_pLayout->DrawBackgroundInto(m_pBackgroundDC);
            }
            if (SDC* pOwn = NewKeyedContext(iw, ih)) {
                SetDC(pOwn);
                m_pLayout->SetDC(pOwn);
                delete m_pOwnContext;
                m_pOwnContext = pOwn;
            }
        }
    }
    SetVisible(true);
}

// --- The modal loop ---------------------------------------------------------------------------

void STransparantDialog::JoystickAsMouse() {
    SInputObj* pInput = GetHub()->m_pInput;
    // Only the input object's device is ever made; without one there is nothing to read.
    SDXJoystick* pDevice = pInput != nullptr ? pInput->GetJoystick() : nullptr;
    if (pDevice == nullptr)
        return;
    pDevice->Update();
    const SInputObjSettings& settings = pInput->GetSettings();
    if (settings.m_iJoystick) {
        s_dJoyX += pDevice->GetX() * static_cast<double>(settings.m_nJSensitivity) * 0.001;
        s_dJoyY += pDevice->GetY() * static_cast<double>(settings.m_nJSensitivity) * 0.001;
        sys::window::mouse_event(sys::MOUSEEVENTF_MOVE, static_cast<int>(s_dJoyX), static_cast<int>(s_dJoyY), 0);
        if (std::fabs(s_dJoyX) > 1.0)
            s_dJoyX = 0.0;
        if (std::fabs(s_dJoyY) > 1.0)
            s_dJoyY = 0.0;
    }
    for (int button = 0; button < 3; ++button) {
        const int down = pDevice->IsButtonDown(button) != 0 ? 1 : 0;
        if (down == s_aiJoyDown[button])
            continue;
        s_aiJoyDown[button] = down;
        sys::window::mouse_event(down ? sys::MOUSEEVENTF_LEFTDOWN : sys::MOUSEEVENTF_LEFTUP, pInput->GetLastMouseX(),
                                 pInput->GetLastMouseY(), 0);
    }
}

bool STransparantDialog::HasAnswer() const { return m_bDone != 0 || (m_pLayout != nullptr && m_pLayout->IsDone()); }

int STransparantDialog::DoModal(SDC* pDC) {
    if (IsRunning())
        return -1;
    Prepare(0);
    m_iResult = -1;
    m_bDone = 0;
    if (m_pLayout != nullptr)
        DialogAccess::ClearDone(m_pLayout);
    SWindow* pParent = m_pParent;
    SetParent(pParent);
    if (m_pLayout != nullptr)
        if (SResource* pImage = m_pLayout->GetBackgroundImage()) {
            sys::POINT ptCursor{0, 0};
            PackImages(m_pOwnDC, pImage->GetWidth(), pImage->GetHeight(), ptCursor);
        }
    m_pSavedDC = SWindow::GetSourceDC();
    // Keys go to the focus window only; without one inside the dialog, the layout takes Return
    // and Escape.
    BeginRun(m_pLayout != nullptr ? static_cast<SWindow*>(m_pLayout) : this);

    const uint8_t byParentModal = pParent != nullptr ? pParent->GetModalParent() : 0;
    if (pParent != nullptr)
        pParent->SetModalParent(1);
    bool bQuit = false;
    while (!m_bDone) {
        // The quit message ends the dialog as cancelled and is posted again for the main loop.
        if (!PumpMessages())
            bQuit = true;
        if (m_pLayout != nullptr && m_pLayout->IsDone())
            m_bDone = 1;
        JoystickAsMouse();

        SetSourceDC(m_pSavedDC);
        if (m_pOwnerPage != nullptr) {
            m_pOwnerPage->Draw(pDC);
            m_pOwnerPage->Update();
        }
        if (m_bDrawParent && m_pParent != nullptr)
            m_pParent->Draw(pDC);
        if (m_bUpdateParent && m_pParent != nullptr)
            m_pParent->Update(reinterpret_cast<uintptr_t>(pDC));
        SetSourceDC(m_pOwnDC);
        Draw(pDC);
        SDialog::Update(reinterpret_cast<uintptr_t>(pDC));
        Update();

        if (m_pfnIdle != nullptr) {
            const uint32_t dwNow = sys::time::TickCount();
            if (dwNow - s_dwLastIdleTick > 1) {
                m_pfnIdle(this, 0);
                s_dwLastIdleTick = dwNow;
            }
        }
    }

    m_pLastDC = nullptr;
    SetSourceDC(m_pSavedDC);
    SetFocusWindow(nullptr);
    if (pParent != nullptr)
        pParent->SetModalParent(byParentModal);
    EndRun();
    SetParent(nullptr);
    // The page behind is drawn whole again, without the dialog.
    if (SScreenManager* pManager = GetHub()->m_pScreenManager)
        pManager->Paint();
    if (bQuit)
        return kCancel;
    // The button that ended the layout; a key the dialog itself took (Escape, Return) leaves
    // the layout running and the answer in the dialog.
    return m_pLayout != nullptr && m_pLayout->IsDone() ? m_pLayout->GetResult() : m_iResult;
}

// --- For derived dialogs ----------------------------------------------------------------------

void STransparantDialog::SetCheck(uint32_t nID, int nCheck) {
    if (auto* pButton = dynamic_cast<SButton*>(FindControl(nID)))
        pButton->SetCheck(nCheck);
}

void STransparantDialog::SetSliderPos(uint32_t nID, int nPos) {
    if (auto* pSlider = dynamic_cast<SSlider*>(FindControl(nID)))
        pSlider->SetPos(nPos);
}

CConfigData* STransparantDialog::GetConfig() const { return GetHub()->m_pConfig; }

void STransparantDialog::ShowRestartWarning() {
    if (m_byRestartWarning) {
        if (auto* pHost = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance()))
            pHost->MessageDialog(kRestartText, 0, m_pOwnerPage, 0);
    }
    m_byRestartWarning = 0;
}

// --- Generic dialogs --------------------------------------------------------------------------

SDialog* STransparantDialogFactory::CreateDialog(const char* group, const char* layout) {
    auto* pDialog = new STransparantDialog(group, layout, m_pHub);
    if (pDialog->GetLayout() == nullptr) {
        delete pDialog;
        return nullptr;
    }
    return pDialog;
}

void STransparantDialogFactory::SetDialogValue(SDialog*, uint32_t) {}
