#include "ui/SEditDialog.h"

#include <algorithm>
#include <string>

#include "core/SCatalog.h"
#include "dx/display/SDXSurface.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"
#include "ui/SDisplayHost.h"
#include "ui/widgets/SEditBox.h"
#include "ui/widgets/SListBox.h"
#include "ui/SSurfaceDC.h"

namespace {

// Ids 1 and 2 are a dialog's OK and Cancel: a click on a part must never end the dialog.
constexpr uint32_t kEditID = 10;
constexpr uint32_t kListID = 11;
constexpr int kImageKind = 1;

// The input line in the console's green.
class SPromptEditBox : public SEditBox {
public:
    SPromptEditBox() { m_crFore = SEditDialog::kEditColor; }
};

// The output list; the wrap width needs its text inset.
class SOutputListBox : public SListBox {
public:
    int GetInset() const { return m_iInset; }
};

CString Trimmed(const CString& text) {
    std::string s = static_cast<const char*>(text);
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return CString("");
    const size_t last = s.find_last_not_of(" \t");
    return CString(s.substr(first, last - first + 1).c_str());
}

}  // namespace

SEditDialog::SEditDialog() : m_pCompanion(new SDialog), m_pEdit(new SPromptEditBox), m_pList(new SOutputListBox) {
    m_pEdit->SetPrefix(kPrefix);
    m_pEdit->CreateEdit(0, sys::RECT{}, this, kEditID);
    m_pList->SetNoBackground(true);
    m_pList->CreateList(0, sys::RECT{}, this, kListID);
}

SEditDialog::~SEditDialog() {
    // The edit box and the list box are children: the window tree deletes them with the dialog.
    delete m_pCompanion;
    DeleteBackground();
}

void SEditDialog::PrepareInput(SDC* pDC) {
    if (pDC != nullptr) {
        m_pLastDC = pDC;
        sys::SIZE size{};
        pDC->GetTextExtent(SListBox::kMeasureText, size);
        m_iLineHeight = size.cy;
    }
    m_pEdit->SetFocus();
    m_pEdit->SetText("");
}

sys::COLORREF SEditDialog::SetFillColor(sys::COLORREF color) { return m_crFill = color; }
sys::COLORREF SEditDialog::SetFrameColor(sys::COLORREF color) { return m_crFrame = color; }
uint8_t SEditDialog::SetSeparator(uint8_t separator) { return m_bySeparator = separator; }
int32_t SEditDialog::SetHistoryLimit(int32_t limit) { return m_iHistoryLimit = limit; }
int32_t SEditDialog::SetOutputLimit(int32_t limit) { return m_iOutputLimit = limit; }
uint8_t SEditDialog::SetAutoSize(uint8_t autoSize) { return m_byAutoSize = autoSize; }

void SEditDialog::SetBackground(const char* pszName) {
    DeleteBackground();
    m_sBackgroundName = pszName != nullptr ? pszName : "";
    SCatalog* catalog = GetResourceCatalog();
    SSurfaceDCRegistry* registry = SSurfaceDC::GetRegistry();
    if (m_sBackgroundName.IsEmpty() || catalog == nullptr || registry == nullptr || registry->GetDisplay() == nullptr)
        return;
    const std::string name = m_sBackgroundName.GetString();
    const size_t colon = name.find(':');
    const std::string file = colon == std::string::npos ? std::string() : name.substr(0, colon);
    const std::string item = colon == std::string::npos ? name : name.substr(colon + 1);
    SResource* image = catalog->GetResource(kImageKind, CString(item.c_str()), CString(file.c_str()), 0);
    if (image == nullptr)
        return;
    auto* surface = new SDXSurface(CString("Edit Dialog Background"));
    if (surface->CreateSurfaceResource(image, registry->GetDisplay(), 0, 0, 0) != 0)
        m_pBackground = surface;
    else
        delete surface;
    catalog->ReleaseResource(image);
}

void SEditDialog::DeleteBackground() {
    delete m_pBackground;
    m_pBackground = nullptr;
}

void SEditDialog::ReloadBackground() {
    const SString name = m_sBackgroundName;
    SetBackground(name.GetString());
}

CString SEditDialog::GetHistoryItem(int nIndex) const {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_History.size()))
        return CString("");
    return m_History[static_cast<size_t>(nIndex)];
}

void SEditDialog::QueueOutput(const char* pszText) {
    m_Pending.emplace_back(pszText != nullptr ? pszText : "");
    while (static_cast<int>(m_Pending.size()) > std::max(m_iPendingLimit, 0))
        m_Pending.pop_front();
}

void SEditDialog::OnSubmit(const char* pszText) { (void)pszText; }

int SEditDialog::Draw(SDC* pDC) {
    m_pEdit->SetFocus();
    // Lines wrapped for a list of another size (the console over a larger game display) are
    // wrapped again for this one, so none runs past its edge and the newest show at the bottom.
    if (m_pList != nullptr && !m_Output.empty() && LayoutOf(pDC) != m_Laid)
        WrapOutputAgain(pDC);
    while (!m_Pending.empty()) {
        const CString text = m_Pending.front();
        m_Pending.pop_front();
        AppendOutput(text, pDC);
    }
    return SDialog::Draw(pDC);
}

SEditDialog::ListLayout SEditDialog::LayoutOf(SDC* pDC) const {
    int remainder = 0;
    const sys::RECT& rect = m_pList->GetWindowRect();
    return ListLayout{rect.right - rect.left, m_pList->GetVisibleCount(pDC, remainder)};
}

void SEditDialog::WrapOutputAgain(SDC* pDC) {
    m_pList->ResetContent();
    m_pList->SetTopIndex(0);
    for (const CString& text : m_Output)
        AppendLines(text, pDC);
}

void SEditDialog::AppendOutput(const char* pszText, SDC* pDC) {
    if (pszText == nullptr || *pszText == '\0' || m_pList == nullptr)
        return;
    // Every text is kept as it came, as many as the list keeps lines, to be wrapped again.
    m_Output.emplace_back(pszText);
    while (static_cast<int>(m_Output.size()) > std::max(m_iOutputLimit, 1))
        m_Output.pop_front();
    AppendLines(pszText, pDC);
}

void SEditDialog::AppendLines(const char* pszText, SDC* pDC) {
    m_Laid = LayoutOf(pDC);
    m_pList->SetCurSel(-1);
    int remainder = 0;
    const int visible = m_pList->GetVisibleCount(pDC, remainder);
    // Text starts on the bottom row, as on a terminal.
    while (m_pList->GetCount() < visible)
        m_pList->InsertString(0, "");
    int added = 0;
    const std::string text = pszText;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        std::vector<CString> lines;
        WrapText(text.substr(start, end == std::string::npos ? std::string::npos : end - start).c_str(), lines, pDC);
        for (const CString& line : lines) {
            m_pList->InsertString(m_pList->GetCount(), line);
            ++added;
            if (m_pList->GetCount() > m_iOutputLimit) {
                // The list box has no removal of its own: rebuild it without its first row.
                std::vector<CString> rows;
                for (int i = 1; i < m_pList->GetCount(); ++i)
                    rows.push_back(m_pList->GetItemText(i));
                const int top = m_pList->GetTopIndex();
                m_pList->ResetContent();
                for (const CString& row : rows)
                    m_pList->InsertString(m_pList->GetCount(), row);
                m_pList->SetTopIndex(std::max(top - 1, 0));
            }
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    const int count = m_pList->GetCount();
    const int top = m_pList->GetTopIndex();
    // Follow the end only when the view showed it before these lines came.
    if (top > count - added - visible - 2)
        m_pList->SetTopIndex(std::max(count - visible - 1, top - 1));
}

void SEditDialog::WrapText(const char* pszText, std::vector<CString>& lines, SDC* pDC) {
    const std::string text = pszText != nullptr ? pszText : "";
    if (pDC == nullptr || m_pList == nullptr) {
        lines.emplace_back(text.c_str());
        return;
    }
    const sys::RECT& rect = m_pList->GetWindowRect();
    // Matches the list's own text inset on both sides.
    const int width = (rect.right - rect.left) - (2 * static_cast<SOutputListBox*>(m_pList)->GetInset() + 2);
    std::string line;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(' ', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(pos, end - pos);
        pos = end + 1;
        if (word.empty())
            continue;
        const std::string candidate = line + word + " ";
        sys::SIZE size{};
        pDC->GetTextExtent(candidate.c_str(), size);
        if (size.cx > width && !line.empty()) {
            lines.emplace_back(line.c_str());
            line = word + " ";
        } else {
            line = candidate;
        }
    }
    lines.emplace_back(line.c_str());
}

void SEditDialog::MoveWindow(const sys::RECT& rcWindow) {
    SDialog::MoveWindow(rcWindow);
    if (m_pParent == nullptr || m_pCompanion == nullptr || m_pEdit == nullptr || m_pList == nullptr)
        return;
    m_pCompanion->MoveWindow(rcWindow);
    const sys::RECT edit{rcWindow.left + 5, rcWindow.bottom - m_iLineHeight - 4, rcWindow.right - 2,
                         rcWindow.bottom - 4};
    m_pEdit->MoveWindow(edit);
    m_pList->MoveWindow(sys::RECT{rcWindow.left + 4, rcWindow.top + 4, rcWindow.right - 4, edit.top - 1});
    if (m_byAutoSize != 0 && m_pLastDC != nullptr) {
        int remainder = 0;
        m_pList->GetVisibleCount(m_pLastDC, remainder);
        if (remainder > 0) {
            sys::RECT grown = rcWindow;
            grown.bottom += remainder;
            MoveWindow(grown);
        }
    }
}

void SEditDialog::ShowHistoryEntry(int nIndex) {
    const CString text = GetHistoryItem(nIndex);
    m_pEdit->SetText(text);
    m_pEdit->SetCaretPos(text.GetLength() + 1);
}

void SEditDialog::OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) {
    (void)nRepCnt;
    (void)nFlags;
    CString raw;
    const CString text = Trimmed(m_pEdit->GetText(raw));
    if (nChar != sys::VK_UP && nChar != sys::VK_DOWN)
        m_iHistoryIndex = -1;
    switch (nChar) {
    case sys::VK_RETURN:
        OnSubmit(text);
        if (!text.IsEmpty()) {
            m_History.push_front(text);
            while (static_cast<int>(m_History.size()) > std::max(m_iHistoryLimit, 0))
                m_History.pop_back();
        }
        m_pEdit->SetText("");
        break;
    case sys::VK_UP: {
        const int size = static_cast<int>(m_History.size());
        m_iHistoryIndex = m_iHistoryIndex + 1 < size ? m_iHistoryIndex + 1 : size;
        ShowHistoryEntry(m_iHistoryIndex);
        break;
    }
    case sys::VK_DOWN:
        m_iHistoryIndex = std::max(m_iHistoryIndex - 1, -1);
        ShowHistoryEntry(m_iHistoryIndex);
        break;
    case sys::VK_F3:
        ShowHistoryEntry(0);
        m_iHistoryIndex = 0;
        break;
    default:
        break;
    }
}

void SEditDialog::OnLButtonUp(uint32_t nFlags, int x, int y) {
    SDialog::OnLButtonUp(nFlags, x, y);
    if (m_pList == nullptr || m_pEdit == nullptr)
        return;
    const sys::RECT& rect = m_pList->GetWindowRect();
    if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom)
        return;
    const int row = m_pList->GetCurSel();
    if (row < 0 || row >= m_pList->GetCount())
        return;
    const std::string line = static_cast<const char*>(m_pList->GetItemText(row));
    if (line.empty() || line.substr(0, 1) != static_cast<const char*>(m_pEdit->GetPrefix()))
        return;
    const std::string rest = line.substr(1);
    m_pEdit->SetText(rest.c_str());
    m_pEdit->SetCaretPos(static_cast<int>(rest.size()) + 1);
}

void SEditDialog::DrawBackground(SDC* pDC) {
    if (pDC == nullptr)
        return;
    const sys::RECT outer = m_rcWindow;
    const sys::RECT inner{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
    const sys::HBRUSH frame = sys::gdi::CreateSolidBrush(m_crFrame);
    pDC->FrameRect(outer, frame);
    pDC->FrameRect(inner, frame);
    SDXSurface* target = pDC->GetSurface();
    if (m_pBackground != nullptr && target != nullptr) {
        // Tiled from the bottom-left corner, rightwards and upwards, each tile cut to the inside.
        const int tileWidth = m_pBackground->GetWidth();
        const int tileHeight = m_pBackground->GetHeight();
        for (int bottom = inner.bottom; tileHeight > 0 && bottom > inner.top; bottom -= tileHeight) {
            for (int left = inner.left; tileWidth > 0 && left < inner.right; left += tileWidth) {
                sys::RECT dest{left, std::max(bottom - tileHeight, static_cast<int>(inner.top)),
                               std::min(left + tileWidth, static_cast<int>(inner.right)), bottom};
                sys::RECT source{0, tileHeight - (dest.bottom - dest.top), dest.right - dest.left, tileHeight};
                target->Blt(m_pBackground, &dest, &source, 1, 0, 0);
            }
        }
    } else {
        const sys::HBRUSH fill = sys::gdi::CreateSolidBrush(m_crFill);
        pDC->Rectangle(inner, nullptr, fill);
        sys::gdi::DeleteObject(fill);
    }
    if (m_bySeparator != 0 && m_pEdit != nullptr) {
        const int editTop = m_pEdit->GetWindowRect().top;
        pDC->Rectangle(sys::RECT{outer.left, editTop - 1, outer.right, editTop}, nullptr, frame);
    }
    sys::gdi::DeleteObject(frame);
}

int SEditDialog::DoModal(SDC* pDC) {
    PrepareInput(pDC);
    MoveWindow(m_rcWindow);
    SetIdleCallback(&SDisplayHost::DialogIdleStep);
    if (SDisplayHost* host = SDisplayHost::GetInstance())
        host->RenderFrameWithoutCursor();
    return SDialog::DoModal(pDC);
}
