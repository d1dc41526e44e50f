#include "ui/widgets/STextCtrl.h"

#include "core/SResourceFactory.h"
#include "sys/gdi/gdi.h"
#include "ui/SDC.h"
#include "ui/SFont.h"

IMPLEMENT_SERIAL(STextCtrl, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterTextCtrlResourceKind() { SResourceFactory::RegisterKind<STextCtrl>(kKindTextCtrl); }

STextCtrl::STextCtrl() = default;

STextCtrl::~STextCtrl() = default;

void STextCtrl::Serialize(CArchive& ar) { SWindow::Serialize(ar); }

int32_t STextCtrl::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitTextCtrl(this) : 0; }

bool STextCtrl::CreateText(const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent,
                           uint32_t nID) {
    return Create(nullptr, pszText, dwStyle, rcWindow, pParent, nID, nullptr);
}

void STextCtrl::TakeFontFromResources(uint8_t byLoadedBefore) {
    m_byLoaded = byLoadedBefore;
    if (m_pFont == nullptr && m_pResArray->GetSize() > 0) {
        if (SFont* pFont = dynamic_cast<SFont*>(m_pResArray->GetAt(0)))
            m_pFont = pFont;
    }
}

bool STextCtrl::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    const uint8_t byLoaded = m_byLoaded;
    m_byLoaded = 0;
    const bool bResult = SWindow::LoadFromMemory(pSearchFolders, dwFlags);
    if (bResult)
        TakeFontFromResources(byLoaded);
    else
        m_byLoaded = byLoaded;
    return bResult;
}

bool STextCtrl::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    const uint8_t byLoaded = m_byLoaded;
    m_byLoaded = 0;
    const bool bResult = SWindow::LoadFromFile(strFolder, dwFlags);
    if (bResult)
        TakeFontFromResources(byLoaded);
    else
        m_byLoaded = byLoaded;
    return bResult;
}

uint32_t STextCtrl::GetTextFormat() const {
    uint32_t dwFormat = sys::DT_LEFT;
    if (m_dwStyle & kStyleCentre)
        dwFormat = sys::DT_CENTER;
    if (m_dwStyle & kStyleRight)
        dwFormat = sys::DT_RIGHT;
    if ((m_dwStyle & (kStyleNoWrapA | kStyleNoWrapB)) == 0)
        dwFormat |= sys::DT_WORDBREAK;
    if (m_dwStyle & kStyleVCentre)
        dwFormat |= sys::DT_VCENTER;
    return dwFormat;
}

int STextCtrl::Draw(SDC* pDC) {
    if (!m_bVisible || pDC == nullptr)
        return 0;
    SFont* pPrevious = m_pFont != nullptr ? pDC->SelectFont(m_pFont) : nullptr;
    DrawBackground(pDC);
    const uint32_t dwFormat = GetTextFormat();
    int nOffset = 0;
    if (SFont* pFont = pDC->GetFont()) {
        nOffset = pFont->CharFromLine(m_strText, m_rcWindow, m_iTopLine, 0, dwFormat);
        if (nOffset < 0 || nOffset > m_strText.GetLength())
            nOffset = 0;
    }
    sys::RECT rc = m_rcWindow;
    pDC->DrawText(m_strText.GetString() + nOffset, rc, dwFormat);
    if (m_pFont != nullptr)
        pDC->SelectFont(pPrevious);
    return 0;
}
