#pragma once

#include <cstdint>

#include "sys/classlib/CString.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"
#include "ui/layout/SLayoutItem.h"

class SButton;
class SDC;
class SEditBox;
class SFont;
class SSlider;

// The "button" item: places a button window from the layout's button list at a point of its
// block every frame and gives the window's record its command and tip texts. The window belongs
// to the layout's list and outlives the item; a missing window shows the button's name.
class SLayoutItemButton : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemButton)

public:
    SLayoutItemButton() = default;

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;
    void Hide() override;

    SButton* GetWindow() const { return m_pWindow; }

private:
    SButton* m_pWindow = nullptr;  // owned by the layout's button list
    int32_t m_iX = 0;
    int32_t m_iY = 0;
    CString m_strName;
    CString m_strCommand;
    CString m_strTip;
    uint8_t m_byQuiet = 0;
};

// The "slider" item: a slider window from the layout's slider list laid over a rectangle of its
// block, its range the rectangle's width in pixels; a click sends the record's command text
// with the position. Without a window a white placeholder with the slider's name is drawn.
class SLayoutItemSlider : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemSlider)

public:
    static constexpr int kNeededArgs = 10;

    SLayoutItemSlider() = default;

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;
    void Hide() override;

    SSlider* GetWindow() const { return m_pWindow; }

private:
    SSlider* m_pWindow = nullptr;  // owned by the layout's slider list
    sys::RECT m_rcRect;
    CString m_strName;
    CString m_strCommand;
    int32_t m_iMin = 0;
    int32_t m_iMax = 0;
    int32_t m_iExtra = 0;
    int32_t m_iPos = 0;
};

// The "edit" item: an edit box shown over a rectangle of its block while its trigger value is
// non-zero; a line ended with Enter is sent by the layout as the command text and the line.
// Each item names its own record, so the boxes of one layout never mix.
class SLayoutItemEdit : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemEdit)

public:
    static constexpr int kNeededArgs = 5;

    SLayoutItemEdit();

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;
    void Hide() override;

    SEditBox* GetWindow() const { return m_pWindow; }
    const CString& GetRecordName() const { return m_strName; }
    bool GetHideAfterEntry() const { return m_byHideAfterEntry != 0; }

private:
    SEditBox* m_pWindow = nullptr;  // owned by the layout's edit list
    sys::RECT m_rcRect;
    CString m_strName;
    CString m_strCommand;
    CString m_strPrefix;
    SFont* m_pFont = nullptr;  // owned by the layout's font list
    int32_t m_iSpacing = 0;
    uint8_t m_byHideAfterEntry = 1;

    // Shared by every edit item, so that the record names stay distinct.
    static int s_iCounter;
};

// The builder items "makebutton", "makefont" and "makesprite": build a button window, a font or
// a sprite from files once, on the item's first frame, and leave it in the layout's lists under
// a name for later items to find. "makeslider" is accepted and builds nothing.
class SLayoutItemMake : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemMake)

public:
    enum Kind : int32_t { kMakeButton = 0, kMakeFont = 1, kMakeSprite = 2, kMakeSlider = 3 };

    explicit SLayoutItemMake(int32_t nKind) : m_iKind(nKind) {}

    void Evaluate(SDC* pDC) override;

    virtual void MakeButton(SDC* pDC);
    virtual void MakeFont(SDC* pDC);
    virtual void MakeSprite(SDC* pDC);
    // Does nothing; kept so the next slot stays in place.
    virtual void MakeHook(SDC* pDC);
    // "name:file" names a catalog entry and gives its full file path (empty when there is no
    // such entry); any other text is a path already and comes back unchanged.
    virtual CString ResolvePath(const char* pszText);

    int32_t GetKind() const { return m_iKind; }
    const CString& GetName() const { return m_strName; }

private:
    int32_t m_iKind;
    CString m_strName;
};

// The engine's control and builder items by keyword ("button", "slider", "edit", "makebutton",
// "makefont", "makesprite", "makeslider", without regard to case); null for any other word.
// The layout's item factory falls back on it.
SLayoutItem* CreateLayoutControlItem(const char* pszWord);
