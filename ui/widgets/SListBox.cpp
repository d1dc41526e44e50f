#include "ui/widgets/SListBox.h"

#include "core/SResourceFactory.h"
#include <algorithm>

#include "sys/classlib/CArchive.h"
#include "ui/SDC.h"
#include "ui/SFont.h"

IMPLEMENT_SERIAL(SListBox, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterListBoxResourceKind() { SResourceFactory::RegisterKind<SListBox>(kKindListBox); }

SListBox::SListBox() = default;

SListBox::~SListBox() = default;

void SListBox::Serialize(CArchive& ar) {
    SWindow::Serialize(ar);
    m_Items.Serialize(ar);
    if (ar.IsLoading()) {
        m_iSel = -1;
        m_iTop = 0;
    }
}

int32_t SListBox::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitListBox(this) : 0; }

bool SListBox::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    return LoadTakingFonts(pSearchFolders, dwFlags);
}

bool SListBox::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) { return LoadTakingFonts(strFolder, dwFlags); }

bool SListBox::CreateList(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID) {
    return Create(nullptr, nullptr, dwStyle, rcWindow, pParent, nID, nullptr);
}

// ---- items --------------------------------------------------------------------------------

int SListBox::SetTopIndex(int nIndex) {
    if (nIndex >= 0 && nIndex < m_Items.GetSize())
        m_iTop = nIndex;
    return m_iTop;
}

int SListBox::InsertString(int nIndex, const char* pszText) {
    nIndex = std::clamp(nIndex, 0, static_cast<int>(m_Items.GetSize()));
    m_Items.InsertAt(nIndex, CString(pszText));
    return 1;
}

int SListBox::SetCurSel(int nIndex) {
    if (nIndex < -1 || nIndex >= m_Items.GetSize())
        return -1;
    const int nOld = m_iSel;
    m_iSel = nIndex;
    return nOld;
}

void SListBox::ResetContent() {
    m_Items.RemoveAll();
    m_iSel = -1;
    m_iTop = 0;
}

CString SListBox::GetItemText(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_Items.GetSize())
        return CString();
    return m_Items.GetAt(nIndex);
}

int SListBox::ItemFromPoint(int x, int y) const {
    if (m_iRowHeight <= 0 || x < m_rcWindow.left || x >= m_rcWindow.right || y < m_rcWindow.top)
        return -1;
    const int nIndex = m_iTop + (y - m_rcWindow.top) / m_iRowHeight;
    return nIndex < m_Items.GetSize() ? nIndex : -1;
}

int SListBox::MeasureRowHeight(SDC* pDC) {
    sys::SIZE size;
    pDC->GetTextExtent(kMeasureText, size);
    m_iRowHeight = size.cy;
    return m_iRowHeight;
}

// A window exactly three rows high counts two rows: the count stops where the row after the
// last counted one reaches the bottom. A row height of 0 (no surface to measure on) fits none.
int SListBox::GetVisibleCount(SDC* pDC, int& rnRemainder) {
    const int h = pDC != nullptr ? MeasureRowHeight(pDC) : m_iRowHeight;
    const int nTop = m_rcWindow.top;
    const int nBottom = m_rcWindow.bottom;
    if (h <= 0 || nTop + h >= nBottom) {
        rnRemainder = nTop + h - nBottom;
        return 0;
    }
    int n = 1;
    while (nTop + (n + 1) * h < nBottom)
        ++n;
    rnRemainder = nTop + (n + 1) * h - nBottom;
    return n;
}

// ---- input and drawing --------------------------------------------------------------------

void SListBox::OnLButtonDown(uint32_t nFlags, int x, int y) {
    if (m_pParent != nullptr)
        m_pParent->OnLButtonDown(nFlags, x, y);
    m_iSel = ItemFromPoint(x, y);
}

void SListBox::DrawBackground(SDC* pDC) {
    if (m_pResArray->GetSize() > 0)
        DrawResourceImage(pDC, m_rcWindow, 0);
    else
        SWindow::DrawBackground(pDC);
}

int SListBox::Draw(SDC* pDC) {
    if (!m_bVisible)
        return 0;
    if (!m_bNoBackground)
        DrawBackground(pDC);
    if (pDC == nullptr)
        return 0;
    SFont* pPrevious = m_pFont != nullptr ? pDC->SelectFont(m_pFont) : nullptr;
    MeasureRowHeight(pDC);
    sys::RECT rc{m_rcWindow.left + m_iInset + 1, m_rcWindow.top, m_rcWindow.right - m_iInset - 1, m_rcWindow.top};
    for (int i = std::max(m_iTop, 0); i < m_Items.GetSize(); ++i) {
        sys::SIZE size;
        pDC->GetTextExtent(m_Items.GetAt(i), size);
        if (rc.top + size.cy > m_rcWindow.bottom)
            break;
        rc.bottom = rc.top + size.cy;
        pDC->TextOut(rc.left, rc.top, m_Items.GetAt(i), -1);
        if (i == m_iSel)
            pDC->HighlightRect(sys::RECT{m_rcWindow.left, rc.top, m_rcWindow.right, rc.bottom});
        rc.top = rc.bottom;
    }
    if (pPrevious != nullptr)
        pDC->SelectFont(pPrevious);
    return 0;
}
