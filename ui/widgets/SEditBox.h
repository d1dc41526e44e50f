#pragma once

#include <cstdint>
#include <vector>

#include "core/SClipboard.h"
#include "ui/SWindow.h"

// The text-entry widget of the window tree (resource kind 12): one line, or several wrapped
// lines, of text after an optional fixed prefix, with a blinking block caret, a selection made
// with the mouse, a length limit, a fit-to-box limit and the clipboard keys. Layouts, the
// text-entry dialog and the officer screens create it; its parent owns it and hears of every
// change.
class SEditBox : public SWindow {
    DECLARE_SERIAL(SEditBox)

public:
    static constexpr uint32_t kStyleMultiLine = 0x4;
    static constexpr uint32_t kStyleReadOnly = 0x800;
    static constexpr int32_t kNotifyPressed = 256;
    static constexpr int32_t kNotifyKey = 1024;
    static constexpr uint32_t kSchemaWord = 4;
    static constexpr int32_t kNoLimit = 0x7FFFFFFF;

    // Caret position (1 = before the first character, length + 1 = after the last), whether it
    // is shown in the present blink phase, and the tick count of the last phase change.
    struct Caret {
        int32_t m_iPos = 1;
        int32_t m_bShown = 1;
        uint32_t m_dwBlinkTime = 0;
    };

    SEditBox();
    ~SEditBox() override;

    // The whole window record, written by the box itself, then the margins and the prefix.
    void Serialize(CArchive& ar) override;
    void Unload() override;
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;
    CString& GetText(CString& strText) override;
    void SetText(const char* pszText) override;
    void OnMouseMove(uint32_t nFlags, int x, int y) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    void OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    // The box draws no background.
    void DrawBackground(SDC* pDC) override;

    bool CreateEdit(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);
    void SetCaretPos(int nPos);
    int GetCaretPos() const { return m_Caret.m_iPos; }
    void SetLimitText(int nCount) { m_iLimit = nCount; }
    int GetLimitText() const { return m_iLimit; }
    void SetMultiLine(bool bMultiLine);
    bool IsMultiLine() const { return (m_dwStyle & kStyleMultiLine) != 0; }
    int GetLineCount();
    CString& GetLine(int nLine, CString& strLine);
    int LineIndex(int nLine, int nOffset);
    int LineFromChar(int nIndex);
    // Index of the character under a point, counted in 14-pixel rows and 6-pixel columns.
    int CharFromPoint(int x, int y);
    sys::POINT GetCaretPoint(int nCaret);

    // The selection in caret positions, normalised so that start <= end.
    void GetSel(int& nStart, int& nEnd) const;
    void SetSel(int nStart, int nEnd);
    void SetMargins(int x, int y) {
        m_iMarginX = x;
        m_iMarginY = y;
    }
    void SetPrefix(const char* pszPrefix) { m_strPrefix = pszPrefix; }
    const CString& GetPrefix() const { return m_strPrefix; }
    bool IsCaretShown() const { return m_Caret.m_bShown != 0; }
    int GetBorrowedEntry() const { return m_iBorrowed; }
    int GetMarginX() const { return m_iMarginX; }
    int GetMarginY() const { return m_iMarginY; }

protected:
    bool IgnoresInput() const { return (m_dwStyle & (kStyleReadOnly | kStyleNoParentNotify)) != 0; }
    void RestartBlink();
    void Notify(int32_t nCode);
    // Backspace and Delete share this: the selection when there is one, else one character.
    void DeleteKey(bool bBackward);
    // Whether the text, laid out as drawn, fits the box with the engine font (the box's own,
    // else the context's); a single line leaves room for the caret after it.
    bool TextFits();
    SFont* EngineFont();
    int TextWidth(const CString& strText);
    // Start of every wrapped line, found by laying out growing prefixes (no engine font).
    std::vector<int> LineStartsByGrowth();
    void AfterLoad(uint8_t byLoadedBefore);
    void ReleaseBorrowed();

    int32_t m_iLimit = kNoLimit;
    Caret m_Caret;
    int32_t m_iSelStart = 0;
    int32_t m_iSelEnd = 0;
    int32_t m_iMarginX = 0;
    int32_t m_iMarginY = 0;
    CString m_strPrefix;
    int32_t m_iBorrowed = -1;
    SClipboard m_Clipboard;
};

// Lets the resource factory make SEditBox objects (kKindEditBox). Called once at start-up.
void RegisterEditBoxResourceKind();
