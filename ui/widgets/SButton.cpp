#include "ui/widgets/SButton.h"

#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "ui/SDC.h"
#include "ui/SDialog.h"
#include "ui/layout/SLayout.h"
#include "ui/SScreen.h"

IMPLEMENT_SERIAL(SButton, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterButtonResourceKind() { SResourceFactory::RegisterKind<SButton>(kKindButton); }

SButton::SButton() { m_bSound = 1; }

SButton::SButton(const SButton& other)
    : SWindow(other),
      m_dwGroup(other.m_dwGroup),
      m_iNormalImage(other.m_iNormalImage),
      m_iCheckedImage(other.m_iCheckedImage),
      m_iHoverImage(other.m_iHoverImage) {}

SButton::~SButton() = default;

void SButton::Serialize(CArchive& ar) {
    SWindow::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dwGroup;
    else
        ar >> m_dwGroup;
}

SResource* SButton::Clone(SResource* pTarget) {
    SButton* pButton = pTarget == nullptr ? new SButton : dynamic_cast<SButton*>(pTarget);
    if (pButton == nullptr)
        return nullptr;
    SWindow::Clone(pButton);
    pButton->m_dwState = m_dwState;
    pButton->m_dwGroup = m_dwGroup;
    pButton->m_iNormalImage = m_iNormalImage;
    pButton->m_iCheckedImage = m_iCheckedImage;
    pButton->m_iHoverImage = m_iHoverImage;
    pButton->m_bHover = m_bHover;
    return pButton;
}

int32_t SButton::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitButton(this) : 0; }

bool SButton::CreateButton(const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent,
                           uint32_t nID) {
    return Create(nullptr, pszText, dwStyle, rcWindow, pParent, nID, nullptr);
}

int32_t SButton::ButtonHook() { return 0; }

void SButton::SetCheck(int32_t bCheck) {
    if (bCheck != 0) {
        m_dwState |= kStateChecked;
        if (m_dwStyle & kStyleGroup)
            SwitchOffGroup();
    } else {
        m_dwState &= ~kStateChecked;
    }
}

void SButton::SetGroup(uint32_t dwGroup) { m_dwGroup = dwGroup; }

uint32_t SButton::GetGroup() { return m_dwGroup; }

void SButton::SwitchOffGroup() {
    if (m_pParent == nullptr)
        return;
    SButtonOff visitor(m_dwGroup);
    for (POSITION pos = m_pParent->GetChildren()->GetHeadPosition(); pos != nullptr;) {
        SWindow* pSibling = m_pParent->GetChildren()->GetNext(pos);
        if (pSibling != this)
            pSibling->Accept(&visitor);
    }
}

// ---- input --------------------------------------------------------------------------------

void SButton::OnLButtonDown(uint32_t nFlags, int x, int y) {
    SWindow::OnLButtonDown(nFlags, x, y);
    if (m_dwStyle & kStyleNoParentNotify)
        return;
    if ((m_dwStyle & kStyleToggle) && (m_dwState & kStateChecked)) {
        m_dwState &= ~kStateChecked;
    } else {
        m_dwState |= kStateChecked;
        if (m_pParent != nullptr)
            m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, kNotifyChecked);
    }
    if (m_dwStyle & kStyleGroup)
        SwitchOffGroup();
    s_ptLastMouse = sys::POINT{x - m_rcWindow.left, y - m_rcWindow.top};
}

void SButton::OnLButtonUp(uint32_t nFlags, int x, int y) {
    if ((m_dwStyle & (kStyleToggle | kStyleGroup)) == 0)
        m_dwState &= ~kStateChecked;
    SWindow::OnLButtonUp(nFlags, x, y);
}

void SButton::SetMouseOver() {
    if (!m_bHover && (m_dwStyle & kStyleNoParentNotify) == 0) {
        if (m_pParent != nullptr) {
            Sounder sounder;
            // Screens and dialogs take the visitor; a layout has a sound of its own.
            if (m_pParent->Accept(&sounder) == 0) {
                if (auto* pLayout = dynamic_cast<SLayout*>(m_pParent))
                    pLayout->PlayMouseOverSound();
            }
        }
        m_bHover = 1;
    }
    SWindow::SetMouseOver();
}

// ---- drawing ------------------------------------------------------------------------------

int SButton::Draw(SDC* pDC) {
    if (!m_bVisible)
        return 0;
    const int nImages = m_pResArray->GetSize();
    if ((m_dwStyle & kStyleBlended) == 0 || nImages == 0) {
        DrawPlain(pDC);
        return 0;
    }
    int nIndex = 0;
    if (m_dwStyle & kStyleNoParentNotify) {
        nIndex = 2;
    } else if (s_pMouseOver != this) {
        m_bHover = 0;
        m_dwState &= ~kStateChecked;
    } else {
        nIndex = nImages >= 4 ? 1 : 0;
    }
    if (nIndex >= nImages)
        nIndex = 0;
    if (pDC == nullptr)
        return 0;
    DrawPackedImage(pDC, m_rcWindow, m_pResArray->GetAt(nIndex), s_pCurrentSourceDC);
    return 0;
}

void SButton::DrawPlain(SDC* pDC) {
    const bool bOver = s_pMouseOver == this;
    if (!bOver) {
        m_bHover = 0;
        // A pressed push button pops up when the mouse leaves it.
        if (m_dwStyle == 0)
            m_dwState &= ~kStateChecked;
    }
    const int nImages = m_pResArray->GetSize();
    int nIndex = m_iNormalImage;
    if (m_dwState & kStateChecked)
        nIndex = m_iCheckedImage;
    else if (bOver && nImages > m_iHoverImage)
        nIndex = m_iHoverImage;
    if ((m_dwStyle & kStyleNoParentNotify) && nImages >= 4)
        nIndex = 3;
    if (pDC != nullptr) {
        if (nIndex >= 0 && nIndex < nImages) {
            DrawResourceImage(pDC, m_rcWindow, nIndex);
        } else {
            DrawBackground(pDC);
            pDC->TextOut(m_rcWindow.left + 3, m_rcWindow.top + 3, m_strText, -1);
        }
    }
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->Draw(pDC);
}

void SButton::Paint(SDC*) {}

// ---- visitors -----------------------------------------------------------------------------

int32_t SButtonOff::VisitButton(SButton* pButton) {
    if (pButton->GetGroup() == m_dwGroup)
        pButton->SetCheck(0);
    return 0;
}

int32_t Sounder::VisitScreen(SScreen* pScreen) {
    pScreen->PlayMouseOverSound();
    return 1;
}

int32_t Sounder::VisitDialog(SDialog* pDialog) {
    pDialog->PlayMouseOverSound();
    return 1;
}
