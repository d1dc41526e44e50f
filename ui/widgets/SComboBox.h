#pragma once

#include <cstdint>

#include "ui/SWindow.h"

class SEditBox;
class SListBox;

// An edit box, a drop-down list box and a drop button joined into one control (resource kind
// 10), drawn from images attached to it in a fixed order. The combo makes its edit and list
// itself; once created they are its children and go with it. Its parent owns the combo.
class SComboBox : public SWindow {
    DECLARE_SERIAL(SComboBox)

public:
    static constexpr uint32_t kStyleDropList = 0x1 | 0x2;
    static constexpr int32_t kNotifySelChange = 1;
    static constexpr int kButtonWidth = 20;
    static constexpr int kHoverRowHeight = 14;

    SComboBox();
    ~SComboBox() override;

    // The window part (edit and list among the children), the button rectangle and the
    // dropped flag.
    void Serialize(CArchive& ar) override;
    bool LoadFromMemory(CStringArray* pSearchFolders, uintptr_t dwFlags) override;
    bool LoadFromFile(const CString& strFolder, uintptr_t dwFlags) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    SFont* SetFont(SFont* pFont) override;
    int Draw(SDC* pDC) override;
    void MoveWindow(const sys::RECT& rcWindow) override;
    CString& GetText(CString& strText) override;
    void SetText(const char* pszText) override;
    // The edit and the list are never answered: their presses reach the combo first.
    SWindow* ChildFromPoint(int x, int y, uint32_t nValue) override;
    void OnMouseMove(uint32_t nFlags, int x, int y) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void OnKeyDown(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    void OnChar(uint32_t nChar, uint32_t nRepCnt, uint32_t nFlags) override;
    void DrawBackground(SDC* pDC) override;

    bool CreateCombo(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);
    // Appended to the list; answers its index.
    int AddString(const char* pszText);
    int GetCurSel() const;
    // An index out of range gives an empty text.
    void GetLBText(int nIndex, CString& strText) const;
    // The list selects the row and the edit shows its text.
    void SelectItem(int nIndex);
    void SetListHeight(int nHeight);
    void ShowDropDown(bool bShow);
    bool IsDropped() const { return m_bDropped != 0; }
    // Images first (list background, drop button, combo face, then more), fonts after them.
    void AttachResource(const char* pszName, SResource* pResource);
    void AttachListImage(SResource* pImage, const char* pszName);

    SEditBox* GetEdit() const { return m_pEdit; }
    SListBox* GetList() const { return m_pList; }
    const sys::RECT& GetButtonRect() const { return m_rcButton; }

protected:
    bool IsDropList() const { return (m_dwStyle & kStyleDropList) != 0; }
    bool IsChild(const SWindow* pWindow) const;

    SListBox* m_pList;
    SEditBox* m_pEdit;
    sys::RECT m_rcButton;
    int32_t m_bDropped = 0;
    int32_t m_bPressing = 0;
    int32_t m_bForwardingKey = 0;  // set while a key is on its way through the edit
};

// Lets the resource factory make SComboBox objects (kKindComboBox). Called once at start-up.
void RegisterComboBoxResourceKind();
