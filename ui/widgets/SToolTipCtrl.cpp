#include "ui/widgets/SToolTipCtrl.h"

#include <unordered_set>

#include "dx/display/SDXSurface.h"
#include "sys/time/time.h"
#include "ui/SDC.h"

namespace {

void CollectTree(SWindow* pWindow, std::unordered_set<const SWindow*>& windows) {
    windows.insert(pWindow);
    SWindowList* pChildren = pWindow->GetChildren();
    for (POSITION pos = pChildren->GetHeadPosition(); pos != nullptr;)
        CollectTree(pChildren->GetNext(pos), windows);
}

}  // namespace

SToolTipCtrl::SToolTipCtrl() : SToolTipCtrl(kDefaultBackground) {}

SToolTipCtrl::SToolTipCtrl(sys::COLORREF crBackground) : m_pTips(new STipList) {
    m_byPaintBackground = 0;
    m_hBackground = sys::gdi::CreateSolidBrush(crBackground);
}

SToolTipCtrl::~SToolTipCtrl() {
    while (!m_pTips->IsEmpty())
        delete m_pTips->RemoveHead();
    delete m_pTips;
    if (m_hBackground != nullptr)
        sys::gdi::DeleteObject(m_hBackground);
}

bool SToolTipCtrl::CreateToolTip(SWindow* pParent, uint32_t dwStyle) {
    return Create(nullptr, nullptr, dwStyle, sys::RECT{}, pParent, 0, nullptr);
}

// ---- tips ---------------------------------------------------------------------------------

Tip* SToolTipCtrl::FindTip(const SWindow* pWindow) const {
    for (POSITION pos = m_pTips->GetHeadPosition(); pos != nullptr;) {
        Tip* pTip = m_pTips->GetNext(pos);
        if (pTip->m_pWindow == pWindow)
            return pTip;
    }
    return nullptr;
}

int SToolTipCtrl::AddTip(SWindow* pWindow, const char* pszText, uint32_t, uint32_t) {
    RemoveTip(pWindow);
    m_pTips->AddTail(new Tip(pWindow, pszText));
    return 1;
}

void SToolTipCtrl::SetTipText(SWindow* pWindow, const char* pszText) {
    if (Tip* pTip = FindTip(pWindow))
        pTip->m_strText = pszText;
    else
        AddTip(pWindow, pszText);
}

int SToolTipCtrl::RemoveTip(SWindow* pWindow) {
    for (POSITION pos = m_pTips->GetHeadPosition(); pos != nullptr;) {
        const POSITION posTip = pos;
        Tip* pTip = m_pTips->GetNext(pos);
        if (pTip->m_pWindow == pWindow) {
            m_pTips->RemoveAt(posTip);
            delete pTip;
            if (m_pCurrent == pWindow)
                m_pCurrent = nullptr;
            return 1;
        }
    }
    return 0;
}

void SToolTipCtrl::SetBackgroundColor(sys::COLORREF crBackground) {
    SetBackgroundBrush(sys::gdi::CreateSolidBrush(crBackground));
}

void SToolTipCtrl::SetBackgroundBrush(sys::HBRUSH hBrush) {
    if (m_hBackground != nullptr && m_hBackground != hBrush)
        sys::gdi::DeleteObject(m_hBackground);
    m_hBackground = hBrush;
}

// Windows are only compared here, never dereferenced: a deleted one has left the tree.
void SToolTipCtrl::RemoveTipsOfDeadWindows() {
    SWindow* pRoot = m_pParent;
    if (pRoot == nullptr)
        return;
    while (pRoot->GetParent() != nullptr)
        pRoot = pRoot->GetParent();
    std::unordered_set<const SWindow*> live;
    CollectTree(pRoot, live);
    for (POSITION pos = m_pTips->GetHeadPosition(); pos != nullptr;) {
        const POSITION posTip = pos;
        Tip* pTip = m_pTips->GetNext(pos);
        if (live.count(pTip->m_pWindow) == 0) {
            if (m_pCurrent == pTip->m_pWindow)
                m_pCurrent = nullptr;
            m_pTips->RemoveAt(posTip);
            delete pTip;
        }
    }
}

// ---- the frame's step ---------------------------------------------------------------------

int SToolTipCtrl::Update(uintptr_t nValue) {
    SDC* pDC = reinterpret_cast<SDC*>(nValue);
    m_rcTip = sys::RECT{};
    RemoveTipsOfDeadWindows();
    Tip* pTip = s_pMouseOver != nullptr ? FindTip(s_pMouseOver) : nullptr;
    if (pTip == nullptr) {
        m_pCurrent = nullptr;
        return 0;
    }
    const uint32_t dwNow = sys::time::TickCount();
    if (pTip->m_pWindow != m_pCurrent) {
        m_dwHoverStart = dwNow;
        m_pCurrent = pTip->m_pWindow;
    }
    if (pTip->m_strText.IsEmpty() || dwNow - m_dwHoverStart <= kHoverDelay || pDC == nullptr)
        return 0;

    sys::SIZE size;
    pDC->GetTextExtent(pTip->m_strText, size);
    const sys::RECT& rcWindow = m_pCurrent->GetWindowRect();
    sys::RECT rcBox{rcWindow.left, rcWindow.top - size.cy - 6, rcWindow.left + size.cx + 4, rcWindow.top - 2};
    if (SDXSurface* pSurface = pDC->GetSurface()) {
        const int nWidth = pSurface->GetWidth();
        const int nHeight = pSurface->GetHeight();
        int dx = 0;
        int dy = 0;
        if (rcWindow.bottom >= nHeight)
            dy = -(rcWindow.bottom - nHeight);
        else if (rcWindow.right >= nWidth)
            dx = -(rcWindow.right - nWidth);
        else if (rcBox.left < 0)
            dx = -rcBox.left;
        else if (rcBox.top < 0)
            dy = -rcBox.top;
        rcBox = sys::RECT{rcBox.left + dx, rcBox.top + dy, rcBox.right + dx, rcBox.bottom + dy};
    }
    if (m_hBackground != nullptr)
        pDC->Rectangle(rcBox, nullptr, m_hBackground);
    pDC->TextOut(rcBox.left + 2, rcBox.top + 2, pTip->m_strText, -1);
    m_rcTip = rcBox;
    return 0;
}
