#include "ui/widgets/SComboBox.h"

#include "core/SResourceFactory.h"
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/window/dialogs.h"
#include "sys/gdi/gdi.h"
#include "ui/SDC.h"
#include "ui/widgets/SEditBox.h"
#include "ui/SFont.h"
#include "ui/widgets/SListBox.h"

IMPLEMENT_SERIAL(SComboBox, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterComboBoxResourceKind() { SResourceFactory::RegisterKind<SComboBox>(kKindComboBox); }

namespace {

constexpr const char* kCaption = "Tarvex";
constexpr sys::COLORREF kButtonFrameColour = 0x00FF00;
// The list ends this far short of the combo's right edge when the combo is moved.
constexpr int kListRightGap = 38;

bool Contains(const sys::RECT& rc, int x, int y) {
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

}  // namespace

SComboBox::SComboBox() : m_pList(new SListBox), m_pEdit(new SEditBox) {}

SComboBox::~SComboBox() {
    // Parts in the child list go with the window base; parts outside it are ours to delete.
    if (m_pList != nullptr && !IsChild(m_pList))
        delete m_pList;
    if (m_pEdit != nullptr && !IsChild(m_pEdit))
        delete m_pEdit;
    m_pList = nullptr;
    m_pEdit = nullptr;
}

bool SComboBox::IsChild(const SWindow* pWindow) const {
    return m_pChildren->Find(const_cast<SWindow*>(pWindow)) != nullptr;
}

int32_t SComboBox::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitComboBox(this) : 0; }

// ---- archive and loading ------------------------------------------------------------------

void SComboBox::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        // The stored children carry the parts; the ones made by the constructor step aside.
        for (SWindow* pPart : {static_cast<SWindow*>(m_pList), static_cast<SWindow*>(m_pEdit)}) {
            if (pPart != nullptr) {
                pPart->SetParent(nullptr);
                delete pPart;
            }
        }
        m_pList = nullptr;
        m_pEdit = nullptr;
    }
    SWindow::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_rcButton.left << m_rcButton.top << m_rcButton.right << m_rcButton.bottom << m_bDropped;
        return;
    }
    ar >> m_rcButton.left >> m_rcButton.top >> m_rcButton.right >> m_rcButton.bottom >> m_bDropped;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        SWindow* pChild = m_pChildren->GetNext(pos);
        if (m_pEdit == nullptr)
            if (auto* pEdit = dynamic_cast<SEditBox*>(pChild)) {
                m_pEdit = pEdit;
                continue;
            }
        if (m_pList == nullptr)
            if (auto* pList = dynamic_cast<SListBox*>(pChild))
                m_pList = pList;
    }
    // A stored combo without its parts still works: fresh ones stand in, outside the tree.
    if (m_pList == nullptr)
        m_pList = new SListBox;
    if (m_pEdit == nullptr)
        m_pEdit = new SEditBox;
}

bool SComboBox::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    return LoadTakingFonts(pSearchFolders, dwFlags);
}

bool SComboBox::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) { return LoadTakingFonts(strFolder, dwFlags); }

// ---- creation and parts -------------------------------------------------------------------

bool SComboBox::CreateCombo(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID) {
    bool bResult = Create(nullptr, nullptr, dwStyle, rcWindow, pParent, nID, nullptr);
    m_bDropped = 0;
    const int nWidth = rcWindow.right - rcWindow.left;
    const int nHeight = rcWindow.bottom - rcWindow.top;
    // The parts' rectangles are relative to the combo, as for every child.
    const uint32_t dwEditStyle = IsDropList() ? dwStyle | SEditBox::kStyleReadOnly : dwStyle;
    bResult = m_pEdit->CreateEdit(dwEditStyle, sys::RECT{0, 0, nWidth - kButtonWidth, nHeight}, this, 0) && bResult;
    m_rcButton = sys::RECT{m_rcWindow.right - kButtonWidth, m_rcWindow.top, m_rcWindow.right, m_rcWindow.bottom};
    bResult = m_pList->CreateList(dwStyle, sys::RECT{0, nHeight, nWidth, 2 * nHeight}, this, 0) && bResult;
    return bResult;
}

int SComboBox::AddString(const char* pszText) {
    const int nIndex = m_pList->GetCount();
    m_pList->InsertString(nIndex, pszText);
    return nIndex;
}

int SComboBox::GetCurSel() const { return m_pList->GetCurSel(); }

void SComboBox::GetLBText(int nIndex, CString& strText) const { strText = m_pList->GetItemText(nIndex); }

void SComboBox::SelectItem(int nIndex) {
    if (nIndex < 0 || nIndex >= m_pList->GetCount())
        return;
    m_pList->SetCurSel(nIndex);
    m_pEdit->SetText(m_pList->GetItemText(nIndex));
}

SFont* SComboBox::SetFont(SFont* pFont) {
    m_pEdit->SetFont(pFont);
    m_pList->SetFont(pFont);
    return SWindow::SetFont(pFont);
}

CString& SComboBox::GetText(CString& strText) { return m_pEdit->GetText(strText); }

void SComboBox::SetText(const char* pszText) { m_pEdit->SetText(pszText); }

void SComboBox::SetListHeight(int nHeight) {
    const sys::RECT& rcList = m_pList->GetWindowRect();
    if (nHeight < 0)
        nHeight = rcList.bottom - rcList.top;
    const sys::RECT& rcEdit = m_pEdit->GetWindowRect();
    m_pList->MoveWindow(sys::RECT{rcEdit.left, rcEdit.bottom, rcEdit.right, rcEdit.bottom + nHeight});
}

void SComboBox::ShowDropDown(bool bShow) {
    if (bShow != (m_bDropped != 0)) {
        const sys::RECT& rcList = m_pList->GetWindowRect();
        const int nListHeight = rcList.bottom - rcList.top;
        m_rcWindow.bottom += bShow ? nListHeight : -nListHeight;
    }
    m_bDropped = bShow ? 1 : 0;
}

void SComboBox::AttachListImage(SResource* pImage, const char* pszName) {
    m_pList->AddResource(pImage, false);
    m_pList->AddResourceName(pszName);
}

void SComboBox::AttachResource(const char* pszName, SResource* pResource) {
    if (pResource == nullptr)
        return;
    int nOwnImages = 0;
    for (int i = 0; i < m_pResArray->GetSize(); ++i) {
        if (dynamic_cast<SFont*>(m_pResArray->GetAt(i)) == nullptr)
            ++nOwnImages;
    }
    if (dynamic_cast<SFont*>(pResource) != nullptr) {
        if (nOwnImages == 0) {
            sys::dialogs::MessageBox("Please attach images before fonts", kCaption, sys::MB_OK);
            return;
        }
        m_pResArray->Add(pResource);
        AddResourceName(pszName);
        return;
    }
    const int nAttached = nOwnImages + m_pList->GetResourceArray()->GetSize();
    if (nAttached == 0) {
        AttachListImage(pResource, pszName);
        SetListHeight(pResource->GetHeight());
    } else if (nOwnImages == 0) {
        m_rcButton = sys::RECT{m_rcWindow.right - pResource->GetWidth(), m_rcWindow.top, m_rcWindow.right,
                               m_rcWindow.top + pResource->GetHeight()};
        m_pResArray->Add(pResource);
    } else if (nOwnImages == 1) {
        m_rcWindow.right = m_rcWindow.left + pResource->GetWidth();
        m_rcWindow.bottom = m_rcWindow.top + pResource->GetHeight();
        m_pResArray->Add(pResource);
    } else {
        m_pResArray->Add(pResource);
    }
    AddResourceName(pszName);
}

void SComboBox::MoveWindow(const sys::RECT& rcWindow) {
    const sys::RECT rcEdit = m_pEdit->GetWindowRect();
    const sys::RECT rcList = m_pList->GetWindowRect();
    const int nEditHeight = rcEdit.bottom - rcEdit.top;
    const int nListHeight = rcList.bottom - rcList.top;
    m_rcWindow = rcWindow;
    sys::RECT rcNewEdit = rcWindow;
    if (m_bDropped)
        rcNewEdit.bottom = rcWindow.top + nEditHeight;
    m_pEdit->MoveWindow(rcNewEdit);
    m_pList->MoveWindow(
        sys::RECT{rcWindow.left, rcNewEdit.bottom, rcWindow.right - kListRightGap, rcNewEdit.bottom + nListHeight});
    const int nButtonWidth = m_rcButton.right - m_rcButton.left;
    const int nButtonHeight = m_rcButton.bottom - m_rcButton.top;
    m_rcButton = sys::RECT{rcWindow.right - nButtonWidth, rcWindow.top, rcWindow.right, rcWindow.top + nButtonHeight};
}

// ---- input --------------------------------------------------------------------------------

SWindow* SComboBox::ChildFromPoint(int x, int y, uint32_t nValue) {
    if (!m_bVisible)
        return nullptr;
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;) {
        SWindow* pChild = m_pChildren->GetNext(pos);
        if (pChild == m_pEdit || pChild == m_pList)
            continue;
        if (SWindow* pHit = pChild->ChildFromPoint(x, y, nValue))
            return pHit;
    }
    return Contains(m_rcWindow, x, y) ? this : nullptr;
}

void SComboBox::OnLButtonDown(uint32_t nFlags, int x, int y) {
    s_pCapture = this;
    SWindow::OnLButtonDown(nFlags, x, y);
    if (IsDropList() && Contains(m_rcButton, x, y)) {
        ShowDropDown(!m_bDropped);
        m_bPressing = 1;
    }
    if (m_bDropped)
        BringToTop();
    if (Contains(m_pEdit->GetWindowRect(), x, y))
        m_pEdit->OnLButtonDown(nFlags, x, y);
}

void SComboBox::OnMouseMove(uint32_t nFlags, int x, int y) {
    if (Contains(m_pEdit->GetWindowRect(), x, y)) {
        m_pEdit->OnMouseMove(nFlags, x, y);
        return;
    }
    if (!((m_bDropped && (m_dwStyle & 0x2)) || IsDropList()))
        return;
    const int dy = y - m_pList->GetWindowRect().top;
    if (dy < 0)
        return;
    // Rows past the last item hover over nothing.
    const int nRow = dy / kHoverRowHeight;
    if (nRow < m_pList->GetCount())
        SelectItem(nRow);
}

void SComboBox::OnLButtonUp(uint32_t nFlags, int x, int y) {
    if (Contains(m_pEdit->GetWindowRect(), x, y)) {
        m_pEdit->OnLButtonUp(nFlags, x, y);
    } else if (m_bDropped && Contains(m_pList->GetWindowRect(), x, y)) {
        const int nSel = m_pList->GetCurSel();
        if (nSel >= 0)
            m_pEdit->SetText(m_pList->GetItemText(nSel));
        ShowDropDown(false);
        if (m_pParent != nullptr)
            m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, kNotifySelChange);
    }
    m_bPressing = 0;
    if (s_pCapture == this)
        s_pCapture = nullptr;
}

// The edit hands every key on to its parent, which is this combo: that second arrival goes up
// the tree instead of back into the edit, which would never end.
void SComboBox::OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    if (m_bForwardingKey) {
        SWindow::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }
    m_bForwardingKey = 1;
    m_pEdit->OnKeyDown(nChar, nRepCnt, nFlags);
    m_bForwardingKey = 0;
}

void SComboBox::OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) { m_pEdit->OnChar(nChar, nRepCnt, nFlags); }

// ---- drawing ------------------------------------------------------------------------------

void SComboBox::DrawBackground(SDC* pDC) {
    if (s_pCurrentSourceDC == nullptr)
        return;
    if (m_pResArray->GetSize() > 2)
        DrawResourceImage(pDC, m_rcWindow, 2);
    else
        m_pEdit->DrawBackground(pDC);
    if (m_bDropped)
        DrawResourceImage(pDC, m_pList->GetWindowRect(), 0);
}

int SComboBox::Draw(SDC* pDC) {
    if (!m_bVisible || pDC == nullptr)
        return 0;
    DrawBackground(pDC);
    m_pEdit->SetStyle(m_pEdit->GetStyle() & ~uint32_t{0x3});
    if (s_pFocus == this) {
        // The edit shows its caret only while it holds the focus.
        s_pFocus = m_pEdit;
        m_pEdit->Draw(pDC);
        s_pFocus = this;
    } else {
        ShowDropDown(false);
        m_pEdit->Draw(pDC);
    }
    if (IsDropList()) {
        if (m_pResArray->GetSize() > 0) {
            DrawResourceImage(pDC, m_rcButton, 0);
        } else {
            sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(kButtonFrameColour);
            pDC->FrameRect(m_rcButton, hBrush);
            sys::gdi::DeleteObject(hBrush);
        }
    }
    if (m_bDropped)
        m_pList->Draw(pDC);
    return 0;
}
