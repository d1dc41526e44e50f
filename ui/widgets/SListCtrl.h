#pragma once

#include <cstdint>

#include "sys/classlib/CDWordArray.h"
#include "sys/classlib/CObArray.h"
#include "sys/classlib/CStringArray.h"
#include "sys/classlib/CTypedPtrArray.h"
#include "ui/SWindow.h"

// One column of a list control: its title, width, text format and one cell per row. Owned by
// the list control's column array.
class SColumn : public CObject {
    DECLARE_SERIAL(SColumn)

public:
    SColumn() = default;
    // Title, width (16 bits) and cells; the format is not stored.
    void Serialize(CArchive& ar) override;

    CString m_strTitle;
    uint16_t m_wWidth = 50;
    CStringArray m_Cells;
    uint32_t m_dwFormat = 1;  // a DrawText format: centred
};

class SColumnArray : public CTypedPtrArray<CObArray, SColumn*> {};

// A multi-column table (resource kind 25) with a header row, per-column widths and formats,
// margins and one selected row: the officer lists and score histories of the front end. It owns
// its columns; its parent owns it.
class SListCtrl : public SWindow {
    DECLARE_SERIAL(SListCtrl)

public:
    static constexpr int32_t kNotifySelChange = 1;
    static constexpr int32_t kNotifyRightClick = -5;

    SListCtrl();
    ~SListCtrl() override;

    // The window part, then the column array.
    void Serialize(CArchive& ar) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnRButtonDown(uint32_t nFlags, int x, int y) override;
    void DrawBackground(SDC* pDC) override;

    bool CreateListCtrl(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);

    void SetColumnCount(int nCount);
    int GetColumnCount() const { return m_pColumns->GetSize(); }
    void SetColumnWidth(int nColumn, uint16_t wWidth);
    uint16_t GetColumnWidth(int nColumn) const;
    void SetColumnTitle(int nColumn, const char* pszTitle);
    CString GetColumnTitle(int nColumn) const;
    void SetColumnFormat(int nColumn, uint32_t dwFormat);

    int GetItemCount() const;
    void SetItemCount(int nCount);
    // Raises the class library's user exception when there is no column; answers the new row.
    int AddItem(const CStringArray& strings);
    void SetItem(int nRow, const CStringArray& strings);
    void SetItemText(int nRow, int nColumn, const char* pszText);
    // Empty for a row or column out of range.
    CString GetItemText(int nRow, int nColumn) const;
    void SetItemData(int nRow, uint32_t dwData);
    uint32_t GetItemData(int nRow) const;

    void SetColumnSpacing(int nSpacing) { m_iColumnSpacing = nSpacing; }
    int GetColumnSpacing() const { return m_iColumnSpacing; }
    void SetLeftMargin(int n) { m_iMarginLeft = n; }
    void SetTopMargin(int n) { m_iMarginTop = n; }
    void SetRightMargin(int n) { m_iMarginRight = n; }
    void SetBottomMargin(int n) { m_iMarginBottom = n; }
    void SetRowHeight(int n) { m_iRowHeight = n; }
    void SetTopRow(int n) { m_iTopRow = n; }
    void ShowHeader(bool bShow) { m_byHeader = bShow ? 1 : 0; }
    SFont* SetHeaderFont(SFont* pFont);
    void SetHighlight(bool bOn) { m_byHighlight = bOn ? 1 : 0; }

    int GetCurSel() const { return m_iSel; }
    int RowFromPoint(int x, int y) const;

protected:
    // The window font, else the first font among its resources; null for none.
    SFont* OwnFont() const;
    SColumn* Column(int nColumn) const;
    // The first row's top: below the header when it is shown.
    int FirstRowTop() const;
    void Press(int x, int y, int32_t nCode);
    void DeleteColumns();

    SColumnArray* m_pColumns;  // owned, with its columns
    CDWordArray m_ItemData;
    int32_t m_iColumnSpacing = 0;
    int32_t m_iRowSpacing = 1;
    int32_t m_iMarginLeft = 0;
    int32_t m_iMarginTop = 0;
    int32_t m_iMarginRight = 0;
    int32_t m_iMarginBottom = 0;
    int32_t m_iRowHeight = 20;
    int32_t m_iTopRow = 0;
    int32_t m_iSel = -1;
    uint8_t m_byHeader = 1;
    SFont* m_pHeaderFont = nullptr;  // not owned
    uint8_t m_byHighlight = 1;
};

// Lets the resource factory make SListCtrl objects (kKindListCtrl). Called once at start-up.
void RegisterListCtrlResourceKind();
