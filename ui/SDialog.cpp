#include "ui/SDialog.h"

#include "core/SResourceFactory.h"
#include "sys/signals.h"
#include "sys/time/time.h"
#include "sys/window/window.h"
#include "ui/SDC.h"
#include "ui/SDisplayHost.h"

// The class record names the window as the base class, as stored catalogs expect.
IMPLEMENT_SERIAL(SDialog, SWindow, VERSIONABLE_SCHEMA | 1)

uint32_t SDialog::s_dwLastIdleTick = 0;

namespace {

constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

}  // namespace

void RegisterDialogResourceKind() { SResourceFactory::RegisterKind<SDialog>(kKindDialog); }

int SDisplayHost::DialogIdleStep(SDialog*, uint32_t) {
    return s_pInstance != nullptr ? s_pInstance->DialogIdle() : 0;
}

SDialog::SDialog() = default;

SDialog::~SDialog() {
    // A dialog that never started has nothing to give back; restoring null would leave the
    // running screen without its packed images.
    if (m_pSavedDC != nullptr)
        SetSourceDC(m_pSavedDC);
}

void SDialog::Unload() {
    m_pOwnDC = nullptr;
    m_pSavedDC = nullptr;
    m_pBackdropDC = nullptr;
    SScreen::Unload();
}

SResource* SDialog::Clone(SResource* pTarget) {
    SDialog* pDialog = pTarget == nullptr ? new SDialog : dynamic_cast<SDialog*>(pTarget);
    if (pDialog == nullptr)
        return nullptr;
    return SWindow::Clone(pDialog);
}

int32_t SDialog::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitDialog(this) : 0; }

SDC* SDialog::SetDC(SDC* pDC) {
    m_pOwnDC = pDC;
    return m_pOwnDC;
}

void SDialog::EndDialog(int nResult) {
    if (m_bDone)
        return;
    m_bDone = 1;
    m_iResult = nResult;
}

bool SDialog::IsRoutedMessage(uint32_t nMessage) {
    switch (nMessage) {
    case sys::WM_CHAR:
    case sys::WM_KEYDOWN:
    case sys::WM_MOUSEMOVE:
    case sys::WM_LBUTTONDOWN:
    case sys::WM_LBUTTONUP:
    case sys::WM_NOTIFY:
    case sys::WM_TIMER:
        return true;
    default:
        return false;
    }
}

bool SDialog::Holds(const SWindow* pWindow) const {
    for (const SWindow* p = pWindow; p != nullptr; p = p->GetParent())
        if (p == this)
            return true;
    return false;
}

void SDialog::BeginRun(SWindow* pFocus) {
    m_bRunning = 1;
    if (!Holds(GetCapture()))
        SetCapture(nullptr);
    if (!Holds(GetFocus()))
        SetFocusWindow(pFocus);
}

bool SDialog::PrepareModal() {
    sys::POINT ptCursor;
    const bool bPacked = PackImages(m_pOwnDC, kPackWidth, kPackHeight, ptCursor);
    m_pSavedDC = GetSourceDC();
    return bPacked;
}

bool SDialog::DrawBackgroundInto(SDC* pDC) {
    m_pBackdropDC = pDC;
    if (m_pResArray->GetSize() == 0)
        return true;
    if (pDC == nullptr)
        return false;
    const sys::RECT rcOrigin{0, 0, m_rcWindow.right - m_rcWindow.left, m_rcWindow.bottom - m_rcWindow.top};
    return pDC->DrawImage(rcOrigin, m_pResArray->GetAt(0), 0, 0) != 0;
}

// ---- the modal loop -----------------------------------------------------------------------

bool SDialog::PumpMessages() {
    // A termination signal closes the main window even while a dialog holds the loop; the
    // quit that follows ends the dialog below.
    if (sys::signals::TakeCloseRequest() && sys::window::GetMainWindow() != nullptr)
        sys::window::PostMessage(sys::window::GetMainWindow(), sys::WM_CLOSE, 0, 0);
    sys::MSG msg;
    if (HasAnswer() || !sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_NOREMOVE))
        return true;
    do {
        const int nGot = sys::window::GetMessage(msg, nullptr, 0, 0);
        if (nGot == 0) {
            // Closing the program must not be lost inside a dialog: end it as cancelled and
            // leave the quit message for the main loop. Taking more here would take it again.
            EndDialog(kResultCancel);
            sys::window::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (nGot < 0)
            continue;
        sys::window::TranslateMessage(msg);
        if (IsRoutedMessage(msg.message))
            SendMessage(msg.message, msg.wParam, msg.lParam);
        else
            sys::window::DispatchMessage(msg);
        // What follows the answer is left for whoever runs next: a second click must not
        // answer again.
    } while (!HasAnswer() && sys::window::PeekMessage(msg, nullptr, 0, 0, sys::PM_NOREMOVE));
    return true;
}

int SDialog::DoModal(SDC* pDC) {
    if (m_bRunning)
        return -1;
    m_iResult = -1;
    m_bDone = 0;
    BeginRun(this);
    PrepareModal();
    SWindow* pParent = m_pParent;
    const uint8_t byParentModal = pParent != nullptr ? pParent->GetModalParent() : 0;
    if (pParent != nullptr)
        pParent->SetModalParent(1);
    while (!m_bDone) {
        PumpMessages();
        SetSourceDC(m_pSavedDC);
        if (m_bDrawParent && m_pParent != nullptr)
            m_pParent->Draw(pDC);
        if (m_bUpdateParent && m_pParent != nullptr)
            m_pParent->Update(reinterpret_cast<uintptr_t>(pDC));
        SetSourceDC(m_pOwnDC);
        Draw(pDC);
        Update(reinterpret_cast<uintptr_t>(pDC));
        if (m_pfnIdle != nullptr) {
            const uint32_t dwNow = sys::time::TickCount();
            // Unsigned difference, so the idle step keeps running across the tick count's wrap.
            if (dwNow - s_dwLastIdleTick > 1) {
                m_pfnIdle(this, 0);
                s_dwLastIdleTick = dwNow;
            }
        }
    }
    SetSourceDC(m_pSavedDC);
    m_pLastDC = nullptr;
    SetFocusWindow(nullptr);
    if (pParent != nullptr)
        pParent->SetModalParent(byParentModal);
    EndRun();
    return m_iResult;
}

// ---- drawing and input --------------------------------------------------------------------

int SDialog::Draw(SDC* pDC) {
    SDC* pSaved = GetSourceDC();
    if (m_pOwnDC != nullptr)
        SetSourceDC(m_pOwnDC);
    const sys::RECT rcHome = m_rcWindow;
    MoveWindow(sys::RECT{rcHome.left + m_iDrawOffsetX, rcHome.top + m_iDrawOffsetY, rcHome.right + m_iDrawOffsetX,
                         rcHome.bottom + m_iDrawOffsetY});
    const int nResult = SWindow::Draw(pDC);
    MoveWindow(rcHome);
    SetSourceDC(pSaved);
    return nResult;
}

void SDialog::DrawBackground(SDC* pDC) {
    if (pDC == nullptr || m_pResArray->GetSize() == 0)
        return;
    SResource* pImage = m_pResArray->GetAt(0);
    if (pImage == nullptr)
        return;
    if (m_pBackdropDC != nullptr) {
        pImage->SetRect(sys::RECT{0, 0, pImage->GetWidth(), pImage->GetHeight()});
        pDC->DrawImageFrom(m_rcWindow, pImage, m_pBackdropDC, 0);
    } else {
        pDC->DrawImage(m_rcWindow, pImage, 0, 0);
    }
}

void SDialog::Paint(SDC*) {}

bool SDialog::PackImages(SDC* pDC, int nWidth, int nHeight, sys::POINT& rptCursor) {
    if (m_pOwnDC != nullptr && pDC != m_pOwnDC)
        return true;
    return SScreen::PackImages(pDC, nWidth, nHeight, rptCursor);
}

void SDialog::OnKeyDown(uint32_t nChar, uint32_t, uint32_t) {
    if (nChar == sys::VK_RETURN)
        EndDialog(kResultOk);
    else if (nChar == sys::VK_ESCAPE)
        EndDialog(kResultCancel);
}

void SDialog::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode == kNotifyClick && (nID == kResultOk || nID == kResultCancel))
        EndDialog(static_cast<int>(nID));
    if (m_bRunning)
        PlayNotifySound(nID, nCode);
    else
        SScreen::OnNotify(nID, nCode);
}

void SDialog::OnLButtonDown(uint32_t nFlags, int x, int y) {
    if (!m_bRunning)
        SScreen::OnLButtonDown(nFlags, x, y);
}

void SDialog::OnLButtonDblClk(uint32_t nFlags, int x, int y) {
    if (!m_bRunning)
        SScreen::OnLButtonDblClk(nFlags, x, y);
}

void SDialog::OnRButtonDown(uint32_t nFlags, int x, int y) {
    if (!m_bRunning)
        SScreen::OnRButtonDown(nFlags, x, y);
}

void SDialog::OnLButtonUp(uint32_t nFlags, int x, int y) {
    if (!m_bRunning)
        SScreen::OnLButtonUp(nFlags, x, y);
}

void SDialog::OnRButtonUp(uint32_t nFlags, int x, int y) {
    if (!m_bRunning)
        SScreen::OnRButtonUp(nFlags, x, y);
}

void SDialog::OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    if (!m_bRunning)
        SScreen::OnChar(nChar, nRepCnt, nFlags);
}

void SDialog::OnMouseWheel(uint32_t nFlags, int16_t zDelta, int x, int y) {
    if (!m_bRunning)
        SScreen::OnMouseWheel(nFlags, zDelta, x, y);
}
