#include "ui/widgets/SListCtrl.h"

#include "core/SResourceFactory.h"
#include <algorithm>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/Exceptions.h"
#include "ui/SDC.h"
#include "ui/SFont.h"

IMPLEMENT_SERIAL(SColumn, CObject, 1)
IMPLEMENT_SERIAL(SListCtrl, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterListCtrlResourceKind() { SResourceFactory::RegisterKind<SListCtrl>(kKindListCtrl); }

void SColumn::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_strTitle << m_wWidth;
    else
        ar >> m_strTitle >> m_wWidth;
    m_Cells.Serialize(ar);
}

SListCtrl::SListCtrl() : m_pColumns(new SColumnArray) {}

SListCtrl::~SListCtrl() {
    DeleteColumns();
    delete m_pColumns;
}

void SListCtrl::DeleteColumns() {
    for (int i = 0; i < m_pColumns->GetSize(); ++i)
        delete m_pColumns->GetAt(i);
    m_pColumns->RemoveAll();
}

void SListCtrl::Serialize(CArchive& ar) {
    SWindow::Serialize(ar);
    if (ar.IsLoading()) {
        DeleteColumns();
        m_iSel = -1;
        m_iTopRow = 0;
    }
    m_pColumns->SerializeOwned(ar);
    if (ar.IsLoading()) {
        // Every column must hold one cell per row; a file whose columns disagree is made even
        // with empty cells so no row reads past a shorter column.
        int nRows = 0;
        for (int i = 0; i < m_pColumns->GetSize(); ++i) {
            if (m_pColumns->GetAt(i) == nullptr)
                m_pColumns->SetAt(i, new SColumn);
            nRows = std::max(nRows, static_cast<int>(m_pColumns->GetAt(i)->m_Cells.GetSize()));
        }
        SetItemCount(nRows);
    }
}

int32_t SListCtrl::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitListCtrl(this) : 0; }

bool SListCtrl::CreateListCtrl(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID) {
    return Create(nullptr, nullptr, dwStyle, rcWindow, pParent, nID, nullptr);
}

// ---- columns ------------------------------------------------------------------------------

SColumn* SListCtrl::Column(int nColumn) const {
    return nColumn >= 0 && nColumn < m_pColumns->GetSize() ? m_pColumns->GetAt(nColumn) : nullptr;
}

void SListCtrl::SetColumnCount(int nCount) {
    if (nCount < 0)
        nCount = 0;
    const int nRows = GetItemCount();
    while (m_pColumns->GetSize() > nCount) {
        const int nLast = m_pColumns->GetSize() - 1;
        delete m_pColumns->GetAt(nLast);
        m_pColumns->RemoveAt(nLast);
    }
    while (m_pColumns->GetSize() < nCount) {
        auto* pColumn = new SColumn;
        pColumn->m_Cells.SetSize(nRows);
        m_pColumns->Add(pColumn);
    }
}

void SListCtrl::SetColumnWidth(int nColumn, uint16_t wWidth) {
    if (SColumn* pColumn = Column(nColumn))
        pColumn->m_wWidth = wWidth;
}

uint16_t SListCtrl::GetColumnWidth(int nColumn) const {
    const SColumn* pColumn = Column(nColumn);
    return pColumn != nullptr ? pColumn->m_wWidth : 0;
}

void SListCtrl::SetColumnTitle(int nColumn, const char* pszTitle) {
    if (SColumn* pColumn = Column(nColumn))
        pColumn->m_strTitle = pszTitle;
}

CString SListCtrl::GetColumnTitle(int nColumn) const {
    const SColumn* pColumn = Column(nColumn);
    return pColumn != nullptr ? pColumn->m_strTitle : CString();
}

void SListCtrl::SetColumnFormat(int nColumn, uint32_t dwFormat) {
    if (SColumn* pColumn = Column(nColumn))
        pColumn->m_dwFormat = dwFormat;
}

// ---- rows ---------------------------------------------------------------------------------

int SListCtrl::GetItemCount() const { return m_pColumns->GetSize() > 0 ? m_pColumns->GetAt(0)->m_Cells.GetSize() : 0; }

void SListCtrl::SetItemCount(int nCount) {
    if (nCount < 0)
        nCount = 0;
    for (int i = 0; i < m_pColumns->GetSize(); ++i)
        m_pColumns->GetAt(i)->m_Cells.SetSize(nCount);
}

int SListCtrl::AddItem(const CStringArray& strings) {
    if (m_pColumns->GetSize() == 0)
        ThrowUserException();
    const int nRow = GetItemCount();
    SetItem(nRow, strings);
    return nRow;
}

// Every column grows to hold the row, so the columns keep one cell count between them.
void SListCtrl::SetItem(int nRow, const CStringArray& strings) {
    if (nRow < 0 || m_pColumns->GetSize() == 0)
        return;
    if (nRow >= GetItemCount())
        SetItemCount(nRow + 1);
    for (int i = 0; i < m_pColumns->GetSize() && i < strings.GetSize(); ++i)
        m_pColumns->GetAt(i)->m_Cells.SetAt(nRow, strings.GetAt(i));
}

void SListCtrl::SetItemText(int nRow, int nColumn, const char* pszText) {
    SColumn* pColumn = Column(nColumn);
    if (pColumn != nullptr && nRow >= 0 && nRow < pColumn->m_Cells.GetSize())
        pColumn->m_Cells.SetAt(nRow, CString(pszText));
}

CString SListCtrl::GetItemText(int nRow, int nColumn) const {
    const SColumn* pColumn = Column(nColumn);
    if (pColumn == nullptr || nRow < 0 || nRow >= pColumn->m_Cells.GetSize())
        return CString();
    return pColumn->m_Cells.GetAt(nRow);
}

void SListCtrl::SetItemData(int nRow, uint32_t dwData) {
    if (nRow >= 0)
        m_ItemData.SetAtGrow(nRow, dwData);
}

uint32_t SListCtrl::GetItemData(int nRow) const {
    return nRow >= 0 && nRow < m_ItemData.GetSize() ? m_ItemData.GetAt(nRow) : 0;
}

SFont* SListCtrl::SetHeaderFont(SFont* pFont) {
    SFont* pOld = m_pHeaderFont;
    m_pHeaderFont = pFont;
    return pOld;
}

// ---- layout, input and drawing ------------------------------------------------------------

int SListCtrl::FirstRowTop() const {
    const int y0 = m_rcWindow.top + m_iMarginTop;
    return m_byHeader ? y0 + m_iRowHeight + m_iRowSpacing : y0;
}

int SListCtrl::RowFromPoint(int, int y) const {
    const int nLimit = m_rcWindow.bottom - m_iMarginBottom;
    int nTop = FirstRowTop();
    for (int nRow = std::max(m_iTopRow, 0); nRow < GetItemCount(); ++nRow) {
        const int nBottom = nTop + m_iRowHeight;
        if (nTop < y && y < nBottom)
            return nRow;
        if (nBottom > nLimit)
            break;
        nTop = nBottom + m_iRowSpacing;
    }
    return -1;
}

void SListCtrl::Press(int x, int y, int32_t nCode) {
    const int nRow = RowFromPoint(x, y);
    const bool bChanged = nRow != m_iSel;
    m_iSel = nRow;
    if (m_pParent != nullptr) {
        if (bChanged)
            m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, kNotifySelChange);
        m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, nCode);
    }
}

void SListCtrl::OnLButtonDown(uint32_t nFlags, int x, int y) {
    Press(x, y, kNotifyClick);
    SWindow::OnLButtonDown(nFlags, x, y);
}

void SListCtrl::OnRButtonDown(uint32_t nFlags, int x, int y) {
    Press(x, y, kNotifyRightClick);
    SWindow::OnRButtonDown(nFlags, x, y);
}

void SListCtrl::DrawBackground(SDC* pDC) { DrawResourceImage(pDC, m_rcWindow, 0); }

int SListCtrl::Draw(SDC* pDC) {
    if (!m_bVisible || pDC == nullptr)
        return 0;
    DrawBackground(pDC);
    // The list writes in a font of its own when it was given one; else in the one in use.
    SFont* pOwn = OwnFont();
    SFont* pBefore = pOwn != nullptr ? pDC->SelectFont(pOwn) : nullptr;
    int x = m_rcWindow.left + m_iMarginLeft;
    const int y0 = m_rcWindow.top + m_iMarginTop;
    const int nLimit = m_rcWindow.bottom - m_iMarginBottom;
    for (int c = 0; c < m_pColumns->GetSize(); ++c) {
        SColumn* pColumn = m_pColumns->GetAt(c);
        const int nWidth = pColumn->m_wWidth;
        int nTop = y0;
        if (m_byHeader) {
            SFont* pPrevious = m_pHeaderFont != nullptr ? pDC->SelectFont(m_pHeaderFont) : nullptr;
            sys::RECT rcTitle{x, y0, x + nWidth, y0 + m_iRowHeight};
            pDC->DrawText(pColumn->m_strTitle, rcTitle, sys::DT_CENTER);
            if (m_pHeaderFont != nullptr)
                pDC->SelectFont(pPrevious);
            nTop = y0 + m_iRowHeight + m_iRowSpacing;
        }
        for (int nRow = std::max(m_iTopRow, 0); nRow < pColumn->m_Cells.GetSize(); ++nRow) {
            const int nBottom = nTop + m_iRowHeight;
            if (nBottom > nLimit)
                break;
            sys::RECT rcCell{x, nTop, x + nWidth, nBottom};
            pDC->DrawText(pColumn->m_Cells.GetAt(nRow), rcCell, pColumn->m_dwFormat);
            if (nRow == m_iSel && m_byHighlight)
                pDC->HighlightRect(sys::RECT{x, nTop, x + nWidth, nBottom});
            nTop = nBottom + m_iRowSpacing;
        }
        x += nWidth + m_iColumnSpacing;
    }
    if (pOwn != nullptr)
        pDC->SelectFont(pBefore);
    return 0;
}

SFont* SListCtrl::OwnFont() const {
    if (m_pFont != nullptr)
        return m_pFont;
    for (int i = 0; i < m_pResArray->GetSize(); ++i) {
        if (auto* pFont = dynamic_cast<SFont*>(m_pResArray->GetAt(i)))
            return pFont;
    }
    return nullptr;
}
