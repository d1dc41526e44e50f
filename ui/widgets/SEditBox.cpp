#include "ui/widgets/SEditBox.h"

#include "core/SResourceFactory.h"
#include <algorithm>
#include <cctype>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/gdi/gdi.h"
#include "sys/time/time.h"
#include "ui/SDC.h"
#include "ui/SFont.h"

IMPLEMENT_SERIAL(SEditBox, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterEditBoxResourceKind() { SResourceFactory::RegisterKind<SEditBox>(kKindEditBox); }

namespace {

constexpr int kRowHeight = 14;
constexpr int kColumnWidth = 6;
constexpr int kLeftDeadZone = 5;
constexpr int kCaretWidth = 8;
constexpr int kMaxLineLength = 200;
// The characters the translated keys give for Ctrl+letter (the letter's place in the alphabet).
constexpr uint32_t kCtrlC = 'C' - 'A' + 1;
constexpr uint32_t kCtrlV = 'V' - 'A' + 1;
constexpr uint32_t kCtrlX = 'X' - 'A' + 1;
constexpr uint32_t kCalcWrap = sys::DT_CALCRECT | sys::DT_WORDBREAK;

// A box placed at the edge of the 32-bit coordinate range keeps its positions and sizes in it.
int Offset(int base, int64_t delta) { return sys::SaturateCoordinate(int64_t{base} + delta); }
int Span(int from, int to) { return sys::SaturateCoordinate(int64_t{to} - from); }

sys::RECT Intersect(const sys::RECT& a, const sys::RECT& b) {
    sys::RECT rc{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;
    return rc;
}

}  // namespace

SEditBox::SEditBox() {
    m_dwSchema = kSchemaWord;
    m_pFont = nullptr;
    m_bSound = 1;
    m_Caret.m_dwBlinkTime = sys::time::TickCount();
}

SEditBox::~SEditBox() { ReleaseBorrowed(); }

bool SEditBox::CreateEdit(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID) {
    return Create(nullptr, nullptr, dwStyle, rcWindow, pParent, nID, nullptr);
}

int32_t SEditBox::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitEditBox(this) : 0; }

// ---- archive and loading ------------------------------------------------------------------

void SEditBox::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        m_dwSchema = kSchemaWord;
        SResource::Serialize(ar);
        ar << m_rcWindow.left << m_rcWindow.top << m_rcWindow.right << m_rcWindow.bottom;
        ar << m_dwStyle << m_strText << m_nID << static_cast<uint32_t>(m_byOwnPacking != 0 ? 1 : 0);
        m_pChildren->Serialize(ar);
        m_ResourceNames.Serialize(ar);
        ar << m_iMarginX << m_iMarginY << m_strPrefix;
    } else {
        SResource::Serialize(ar);
        const uint32_t dwSchema = m_dwSchema;
        ar >> m_rcWindow.left >> m_rcWindow.top >> m_rcWindow.right >> m_rcWindow.bottom;
        ar >> m_dwStyle >> m_strText >> m_nID;
        if (dwSchema >= 4) {
            uint32_t dwOwnPacking = 0;
            ar >> dwOwnPacking;
            m_byOwnPacking = dwOwnPacking != 0 ? 1 : 0;
        }
        m_bCreated = 1;
        m_pChildren->SerializeOwned(ar);
        // The children joined the list through the archive; SetParent makes each one know us.
        std::vector<SWindow*> children;
        while (!m_pChildren->IsEmpty())
            children.push_back(m_pChildren->RemoveHead());
        for (SWindow* pChild : children) {
            if (pChild != nullptr)
                pChild->SetParent(this);
        }
        m_ResourceNames.Serialize(ar);
        if (dwSchema >= 2)
            ar >> m_iMarginX >> m_iMarginY;
        if (dwSchema >= 3)
            ar >> m_strPrefix;
    }
    m_dwSchema = kSchemaWord;
}

void SEditBox::AfterLoad(uint8_t byLoadedBefore) {
    m_byLoaded = byLoadedBefore;
    if (m_pFont == nullptr && m_pResArray->GetSize() > 0) {
        if (SFont* pFont = dynamic_cast<SFont*>(m_pResArray->GetAt(0)))
            m_pFont = pFont;
    }
    if (m_pResArray->GetSize() > 1)
        m_iBorrowed = 1;
}

bool SEditBox::LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) {
    const uint8_t byLoaded = m_byLoaded;
    m_byLoaded = 0;
    const bool bResult = SWindow::LoadFromMemory(pSearchFolders, dwFlags);
    AfterLoad(byLoaded);
    return bResult;
}

bool SEditBox::LoadFromFile(const CString& strFolder, uintptr_t dwFlags) {
    const uint8_t byLoaded = m_byLoaded;
    m_byLoaded = 0;
    const bool bResult = SWindow::LoadFromFile(strFolder, dwFlags);
    AfterLoad(byLoaded);
    return bResult;
}

// The borrowed entry belongs to someone else: it leaves the array without being released.
void SEditBox::ReleaseBorrowed() {
    if (m_iBorrowed >= 0 && m_iBorrowed < m_pResArray->GetSize())
        m_pResArray->SetAt(m_iBorrowed, nullptr);
    m_iBorrowed = -1;
}

void SEditBox::Unload() {
    ReleaseBorrowed();
    SWindow::Unload();
}

// ---- text and caret -----------------------------------------------------------------------

CString& SEditBox::GetText(CString& strText) {
    strText = m_strText;
    return strText;
}

void SEditBox::SetText(const char* pszText) {
    m_strText = pszText;
    if (m_strText.IsEmpty()) {
        m_Caret.m_iPos = 1;
        m_Caret.m_bShown = 1;
    } else {
        if (m_Caret.m_iPos > m_strText.GetLength())
            m_Caret.m_iPos = m_strText.GetLength() + 1;
        m_Caret.m_bShown = 0;
    }
    m_Caret.m_dwBlinkTime = sys::time::TickCount();
}

void SEditBox::SetCaretPos(int nPos) {
    const int nLength = m_strText.GetLength();
    if (nPos < 1)
        nPos = 1;
    if (nPos > nLength + 1)
        nPos = nLength + 1;
    m_Caret.m_iPos = nPos;
}

void SEditBox::SetMultiLine(bool bMultiLine) {
    if (bMultiLine)
        m_dwStyle |= kStyleMultiLine;
    else
        m_dwStyle &= ~kStyleMultiLine;
}

void SEditBox::GetSel(int& nStart, int& nEnd) const {
    nStart = std::min(m_iSelStart, m_iSelEnd);
    nEnd = std::max(m_iSelStart, m_iSelEnd);
}

void SEditBox::SetSel(int nStart, int nEnd) {
    m_iSelStart = nStart;
    m_iSelEnd = nEnd;
}

void SEditBox::RestartBlink() {
    m_Caret.m_bShown = 1;
    m_Caret.m_dwBlinkTime = sys::time::TickCount();
}

void SEditBox::Notify(int32_t nCode) {
    if (m_pParent != nullptr)
        m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, nCode);
}

// ---- keys ---------------------------------------------------------------------------------

// Selection ends are caret positions, so the selected characters are the ones between them:
// indices [start - 1, end - 1) of the text, whichever way the mouse was dragged.
void SEditBox::DeleteKey(bool bBackward) {
    const int nLength = m_strText.GetLength();
    if (m_iSelStart != m_iSelEnd) {
        int nStart = 0;
        int nEnd = 0;
        GetSel(nStart, nEnd);
        const int nFrom = std::clamp(nStart - 1, 0, nLength);
        const int nTo = std::clamp(nEnd - 1, 0, nLength);
        m_strText = m_strText.Left(nFrom) + m_strText.Mid(nTo);
        m_Caret.m_iPos = m_iSelStart = m_iSelEnd = nFrom + 1;
        return;
    }
    const int nCaret = std::clamp(m_Caret.m_iPos, 1, nLength + 1);
    if (bBackward) {
        if (nCaret <= 1)
            return;
        m_strText = m_strText.Left(nCaret - 2) + m_strText.Mid(nCaret - 1);
        m_Caret.m_iPos = nCaret - 1;
    } else {
        if (nCaret > nLength)
            return;
        m_strText = m_strText.Left(nCaret - 1) + m_strText.Mid(nCaret);
        m_Caret.m_iPos = nCaret;
    }
}

void SEditBox::OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    if (IgnoresInput())
        return;
    RestartBlink();
    const int nLength = m_strText.GetLength();
    switch (nChar) {
    case sys::VK_BACK:
        DeleteKey(true);
        break;
    case sys::VK_DELETE:
        DeleteKey(false);
        break;
    case sys::VK_TAB:
        if ((m_dwStyle & kStyleTabStop) && m_pParent != nullptr)
            m_pParent->SendMessage(sys::WM_NEXTDLGCTL, 0, 0);
        break;
    case sys::VK_END:
        m_Caret.m_iPos = nLength + 1;
        break;
    case sys::VK_HOME:
        m_Caret.m_iPos = 1;
        break;
    case sys::VK_LEFT:
        m_Caret.m_iPos = std::max(m_Caret.m_iPos - 1, 1);
        break;
    case sys::VK_RIGHT:
        m_Caret.m_iPos = std::min(m_Caret.m_iPos + 1, nLength + 1);
        break;
    default:
        break;
    }
    if (m_pParent != nullptr)
        m_pParent->OnKeyDown(nChar, nRepCnt, nFlags);
    Notify(kNotifyKey);
}

void SEditBox::OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t) {
    if (IgnoresInput())
        return;
    const CString strSaved = m_strText;
    const int nSavedCaret = m_Caret.m_iPos;
    const int nLength = m_strText.GetLength();
    if (nChar < 0x100 && std::isprint(static_cast<unsigned char>(nChar))) {
        if (nLength < m_iLimit) {
            const int nAt = std::clamp(m_Caret.m_iPos - 1, 0, nLength);
            m_strText = m_strText.Left(nAt) + static_cast<char>(nChar) + m_strText.Mid(nAt);
            m_Caret.m_iPos = nAt + 2;
        }
    } else if (sys::window::GetAsyncKeyState(sys::VK_CONTROL) < 0 && nRepCnt == 1) {
        if (nChar == kCtrlC) {
            m_Clipboard.SetText(m_strText);
        } else if (nChar == kCtrlX) {
            m_Clipboard.SetText(m_strText);
            SetText("");
        } else if (nChar == kCtrlV) {
            CString strPasted;
            if (m_Clipboard.GetText(strPasted)) {
                // Typing may never pass the limit, and neither may a paste.
                m_strText = strPasted.Left(std::max(m_iLimit, 0));
                m_Caret.m_iPos = m_strText.GetLength() + 1;
            }
        }
    }
    if (!TextFits()) {
        m_strText = strSaved;
        m_Caret.m_iPos = nSavedCaret;
    }
    Notify(kNotifyKey);
}

SFont* SEditBox::EngineFont() {
    if (m_pFont != nullptr)
        return m_pFont;
    return m_pLastDC != nullptr ? m_pLastDC->GetFont() : nullptr;
}

bool SEditBox::TextFits() {
    SFont* pFont = EngineFont();
    if (pFont == nullptr)
        return true;
    // Measured as Draw lays it out: after the prefix, on one line unless the box wraps.
    const int nPrefixWidth = m_strPrefix.IsEmpty() ? 0 : pFont->GetTextExtent(m_strPrefix, -1).cx;
    const int nBoxWidth = Span(m_rcWindow.left, m_rcWindow.right);
    if (!IsMultiLine()) {
        // A wider line would wrap out of sight below the box, and the caret after its last
        // character must show too.
        const int64_t nRoom = int64_t{nBoxWidth} - nPrefixWidth - std::max<int64_t>(1, int64_t{m_iMarginX} + kCaretWidth);
        return pFont->GetTextExtent(m_strText, -1).cx <= nRoom;
    }
    const int nWidth = Offset(nBoxWidth, -int64_t{nPrefixWidth} - 1);
    const int nHeight = Span(m_rcWindow.top, m_rcWindow.bottom);
    sys::RECT rc{0, 0, nWidth, nHeight};
    pFont->DrawText(m_strText, &rc, kCalcWrap, nullptr);
    return Span(rc.left, rc.right) <= nWidth && Span(rc.top, rc.bottom) <= int64_t{nHeight} + 1;
}

// ---- mouse --------------------------------------------------------------------------------

void SEditBox::OnLButtonDown(uint32_t, int x, int y) {
    if (IgnoresInput() || !m_bVisible)
        return;
    s_pCapture = this;
    const int nPos = CharFromPoint(x, y) + 1;
    m_Caret.m_iPos = m_iSelStart = m_iSelEnd = nPos;
    Notify(kNotifyPressed);
}

// While dragging the end is kept in caret positions as on press and release, so the selection
// always names the characters between two caret places.
void SEditBox::OnMouseMove(uint32_t nFlags, int x, int y) {
    if (s_pCapture != this)
        return;
    SWindow::OnMouseMove(nFlags, x, y);
    m_Caret.m_iPos = m_iSelEnd = CharFromPoint(x, y) + 1;
}

void SEditBox::OnLButtonUp(uint32_t, int x, int y) {
    if (s_pCapture != this)
        return;
    s_pCapture = nullptr;
    m_Caret.m_iPos = m_iSelEnd = CharFromPoint(x, y) + 1;
}

// ---- lines --------------------------------------------------------------------------------

int SEditBox::TextWidth(const CString& strText) {
    if (m_pLastDC == nullptr || strText.IsEmpty())
        return 0;
    sys::SIZE size;
    m_pLastDC->GetTextExtent(strText, size);
    return size.cx;
}

int SEditBox::CharFromPoint(int x, int y) {
    const int dx = Span(m_rcWindow.left, x);
    const int dy = Span(m_rcWindow.top, y);
    if (dx < kLeftDeadZone)
        return 0;
    int nLine = std::max(dy / kRowHeight, 0);
    nLine = std::min(nLine, GetLineCount());
    CString strLine;
    GetLine(nLine, strLine);
    int nCount = 0;
    while (nCount < strLine.GetLength() && (nCount + 1) * kColumnWidth <= dx)
        ++nCount;
    // The lines above the pointer's line come before it in the text.
    for (int i = 0; i < nLine && IsMultiLine(); ++i) {
        CString strAbove;
        nCount += GetLine(i, strAbove).GetLength();
    }
    return nCount;
}

// A context without a surface measures every text as 0 high; that counts as one line.
int SEditBox::GetLineCount() {
    if (!IsMultiLine() || m_strText.IsEmpty() || m_pLastDC == nullptr)
        return 1;
    sys::RECT rc{0, 0, Span(m_rcWindow.left, m_rcWindow.right), Span(m_rcWindow.top, m_rcWindow.bottom)};
    m_pLastDC->DrawText(m_strText, rc, kCalcWrap);
    sys::SIZE size;
    m_pLastDC->GetTextExtent(m_strText.Left(1), size);
    if (size.cy <= 0)
        return 1;
    return std::max(Span(rc.top, rc.bottom) / size.cy, 1);
}

std::vector<int> SEditBox::LineStartsByGrowth() {
    std::vector<int> starts{0};
    if (m_pLastDC == nullptr)
        return starts;
    const int nWidth = Span(m_rcWindow.left, m_rcWindow.right);
    const int nHeight = Span(m_rcWindow.top, m_rcWindow.bottom);
    int nPrevious = -1;
    for (int k = 1; k <= m_strText.GetLength(); ++k) {
        sys::RECT rc{0, 0, nWidth, nHeight};
        m_pLastDC->DrawText(m_strText.Left(k), rc, kCalcWrap);
        const int nGot = Span(rc.top, rc.bottom);
        if (nPrevious >= 0 && nGot > nPrevious)
            starts.push_back(k - 1);
        nPrevious = nGot;
    }
    return starts;
}

CString& SEditBox::GetLine(int nLine, CString& strLine) {
    strLine = m_strText;
    if (!IsMultiLine() || m_strText.IsEmpty())
        return strLine;
    if (SFont* pFont = EngineFont()) {
        char buffer[kMaxLineLength + 1] = {};
        pFont->GetLine(m_strText, m_rcWindow, nLine, sys::DT_WORDBREAK, buffer, sizeof buffer);
        strLine = buffer;
        return strLine;
    }
    const std::vector<int> starts = LineStartsByGrowth();
    if (nLine >= 1 && nLine < static_cast<int>(starts.size())) {
        const int nEnd = nLine + 1 < static_cast<int>(starts.size()) ? starts[nLine + 1] : m_strText.GetLength();
        strLine = m_strText.Mid(starts[nLine], nEnd - starts[nLine]);
    }
    return strLine;
}

int SEditBox::LineIndex(int nLine, int nOffset) {
    if (!IsMultiLine())
        return nOffset;
    if (m_strText.IsEmpty())
        return 0;
    if (SFont* pFont = EngineFont()) {
        const int nStart = pFont->CharFromLine(m_strText, m_rcWindow, nLine, 0, sys::DT_WORDBREAK);
        return nStart < 0 ? -1 : nStart + nOffset;
    }
    const std::vector<int> starts = LineStartsByGrowth();
    int nResult = 0;
    for (int nStart : starts) {
        if (nStart <= nOffset)
            nResult = nStart;
    }
    return nResult;
}

int SEditBox::LineFromChar(int nIndex) {
    // Bounded by the line count so a font that never answers -1 cannot keep the walk going.
    const int nLines = GetLineCount();
    for (int i = 0; i <= nLines; ++i) {
        const int nStart = LineIndex(i, 0);
        const int nNext = LineIndex(i + 1, 0);
        if (nStart < nIndex && (nNext > nIndex || nNext == -1))
            return i;
    }
    return 0;
}

sys::POINT SEditBox::GetCaretPoint(int nCaret) {
    const int nChars = std::clamp(nCaret - 1, 0, m_strText.GetLength());
    int nLineStart = 0;
    if (IsMultiLine())
        nLineStart = std::max(LineIndex(LineFromChar(nChars), 0), 0);
    nLineStart = std::min(nLineStart, nChars);
    sys::POINT pt;
    pt.x = Offset(m_rcWindow.left, int64_t{m_iMarginX} + TextWidth(m_strPrefix) +
                                       TextWidth(m_strText.Mid(nLineStart, nChars - nLineStart)));
    if (!IsMultiLine() || m_pLastDC == nullptr) {
        pt.y = Offset(m_rcWindow.top, int64_t{m_iMarginY} + 1);
    } else {
        sys::RECT rc{0, 0, Span(m_rcWindow.left, m_rcWindow.right), Span(m_rcWindow.top, m_rcWindow.bottom)};
        m_pLastDC->DrawText(m_strText.Left(nChars), rc, kCalcWrap);
        pt.y = Offset(m_rcWindow.top, int64_t{m_iMarginY} + std::max(Span(rc.top, rc.bottom) - int64_t{kRowHeight}, int64_t{0}));
    }
    return pt;
}

// ---- drawing ------------------------------------------------------------------------------

void SEditBox::DrawBackground(SDC*) {}

int SEditBox::Draw(SDC* pDC) {
    if (!m_bVisible || pDC == nullptr)
        return 0;
    m_pLastDC = pDC;
    SFont* pPrevious = m_pFont != nullptr ? pDC->SelectFont(m_pFont) : nullptr;

    const int nPrefixWidth = TextWidth(m_strPrefix);
    if (!m_strPrefix.IsEmpty())
        pDC->TextOut(Offset(m_rcWindow.left, m_iMarginX), Offset(m_rcWindow.top, m_iMarginY), m_strPrefix, -1);
    sys::RECT rcText = m_rcWindow;
    rcText.left = Offset(rcText.left, int64_t{nPrefixWidth} + 1);
    uint32_t dwFormat = m_dwStyle & ~kStyleMultiLine;
    if (IsMultiLine())
        dwFormat |= sys::DT_WORDBREAK;
    pDC->DrawText(m_strText, rcText, dwFormat);

    if (!IgnoresInput()) {
        const uint32_t dwNow = sys::time::TickCount();
        if (dwNow - m_Caret.m_dwBlinkTime > sys::window::GetCaretBlinkTime()) {
            m_Caret.m_bShown = !m_Caret.m_bShown;
            m_Caret.m_dwBlinkTime = dwNow;
        }
        if (m_Caret.m_bShown && s_pFocus == this) {
            sys::SIZE size;
            pDC->GetTextExtent("", size);
            const sys::POINT pt = GetCaretPoint(m_Caret.m_iPos);
            // A box at the edge of the coordinate range keeps its caret inside it.
            const sys::RECT rcCaret = Intersect(sys::RECT{pt.x, pt.y, Offset(pt.x, kCaretWidth), Offset(pt.y, size.cy)},
                                                m_rcWindow);
            sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(GetForeColor());
            pDC->FillRect(rcCaret, hBrush, GetForeColor(), GetForeColor());
            sys::gdi::DeleteObject(hBrush);
        }
    }

    int nStart = 0;
    int nEnd = 0;
    GetSel(nStart, nEnd);
    if (nStart != nEnd) {
        const int nFrom = TextWidth(m_strText.Left(nStart - 1));
        const int nTo = TextWidth(m_strText.Left(nEnd - 1));
        if (nTo != nFrom) {
            const sys::RECT rcBand{Offset(m_rcWindow.left, nFrom), Offset(m_rcWindow.top, m_iMarginY),
                                   Offset(m_rcWindow.left, nTo), Offset(m_rcWindow.bottom, -int64_t{m_iMarginY})};
            pDC->HighlightRect(Intersect(rcBand, m_rcWindow));
        }
    }
    if (pPrevious != nullptr)
        pDC->SelectFont(pPrevious);
    return 0;
}
