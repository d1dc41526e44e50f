#pragma once

#include <cstdint>

#include "sys/classlib/CStringArray.h"
#include "ui/SWindow.h"

// A single-column list of strings with one selected row (resource kind 13); also the drop-down
// part of the combo box. Owned by its parent window (or by the combo box it belongs to).
class SListBox : public SWindow {
    DECLARE_SERIAL(SListBox)

public:
    // Its extent height in the current font is the height of a row.
    static constexpr const char* kMeasureText =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890{}[]!@#$%^&*()-_=+";

    SListBox();
    ~SListBox() override;

    // The window part, then the items.
    void Serialize(CArchive& ar) override;
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void DrawBackground(SDC* pDC) override;

    bool CreateList(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);
    // Taken only for 0 .. count - 1; answers the top index.
    int SetTopIndex(int nIndex);
    int GetTopIndex() const { return m_iTop; }
    // Inserted before the index (an index outside 0 .. count is taken to the nearer end); 1.
    int InsertString(int nIndex, const char* pszText);
    // -1 .. count - 1; answers the old selection, or -1 (and changes nothing) for other values.
    int SetCurSel(int nIndex);
    int GetCurSel() const { return m_iSel; }
    void ResetContent();
    int ItemFromPoint(int x, int y) const;
    // Whole rows that fit; rnRemainder gets how far the next row would pass the bottom.
    int GetVisibleCount(SDC* pDC, int& rnRemainder);
    int GetCount() const { return m_Items.GetSize(); }
    // The item's text; empty for an index out of range.
    CString GetItemText(int nIndex) const;
    int GetRowHeight() const { return m_iRowHeight; }
    void SetRowHeight(int nHeight) { m_iRowHeight = nHeight; }
    void SetNoBackground(bool bNone) { m_bNoBackground = bNone ? 1 : 0; }
    void SetTextInset(int nInset) { m_iInset = nInset; }

protected:
    int MeasureRowHeight(SDC* pDC);

    CStringArray m_Items;
    int32_t m_iSel = -1;
    int32_t m_iTop = 0;
    int32_t m_bNoBackground = 0;
    int32_t m_iInset = 0;
    int32_t m_iRowHeight = 16;
};

// Lets the resource factory make SListBox objects (kKindListBox). Called once at start-up.
void RegisterListBoxResourceKind();
