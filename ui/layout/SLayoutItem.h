#pragma once

#include <cstdint>

#include "core/SString.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/CStringArray.h"
#include "sys/classlib/CTypedPtrList.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"

class SDC;
class SFont;
class SLayout;
class SLayoutGroup;

// One element of a layout script: a keyword's argument texts and the block it sits in. Items
// are made by the layout's parse, owned by their enclosing block (top-level blocks by the
// layout) and walked every frame. An item owns only its strings; surfaces, sprites, fonts and
// windows it uses belong to the layout's record lists.
//
// Arguments are read once (the evaluated flag), or every frame when the keyword carried a
// trailing "r" (the refresh flag); what a text means is the layout's business (GetValue,
// GetText, GetFloatValue).
class SLayoutItem : public CObject {
    DECLARE_DYNAMIC(SLayoutItem)

public:
    SLayoutItem() = default;
    ~SLayoutItem() override = default;
    SLayoutItem(const SLayoutItem&) = delete;
    SLayoutItem& operator=(const SLayoutItem&) = delete;

    // Evaluates when the arguments have not been read yet; answers 0.
    virtual int32_t Render(SDC* pDC);
    // Reads the arguments; nothing here.
    virtual void Evaluate(SDC* pDC);
    virtual void Refresh();
    // The control items hide their window; nothing here.
    virtual void Hide();

    CStringArray& GetArgs() { return m_Args; }
    const CStringArray& GetArgs() const { return m_Args; }
    int GetArgCount() const { return m_Args.GetSize(); }
    SLayoutGroup* GetGroup() const { return m_pGroup; }
    void SetGroup(SLayoutGroup* pGroup) { m_pGroup = pGroup; }
    SLayout* GetLayout() const { return m_pLayout; }
    void SetLayout(SLayout* pLayout) { m_pLayout = pLayout; }
    bool GetRefreshFlag() const { return m_byRefresh != 0; }
    void SetRefreshFlag(bool bRefresh) { m_byRefresh = bRefresh ? 1 : 0; }
    bool IsEvaluated() const { return m_byEvaluated != 0; }
    uint32_t GetTime() const { return m_dwTime; }

    // Argument n (from 0) read through the layout, with the enclosing block. Out of range
    // answers 0 / an empty text.
    int32_t ArgValue(int nIndex, SDC* pDC) const;
    float ArgFloat(int nIndex, SDC* pDC) const;
    CString ArgText(int nIndex, SDC* pDC) const;
    // Three arguments from nFirst as red, green and blue, each cut to its low byte.
    sys::COLORREF ArgColour(int nFirst, SDC* pDC) const;

    // The enclosing block's rectangle, and a rectangle or point written relative to the block
    // moved onto it (the block's top-left corner plus its offsets). An item without a block
    // keeps the layout's window rectangle as its block.
    sys::RECT BlockRect(SDC* pDC) const;
    sys::RECT PlaceInBlock(const sys::RECT& rcRelative, const sys::RECT& rcBlock) const;

    static bool IsInside(const sys::RECT& rcInner, const sys::RECT& rcOuter);
    // Script values can be anything: coordinates are summed wide and kept at the ends of the
    // 32-bit range rather than wrapping round to the other side of the screen.
    static int32_t Saturate(int64_t nValue);
    static sys::RECT Moved(const sys::RECT& rect, int64_t dx, int64_t dy);

protected:
    CStringArray m_Args;
    SLayoutGroup* m_pGroup = nullptr;  // the enclosing block; null for a top-level block
    SLayout* m_pLayout = nullptr;      // the owning layout, never owned
    uint8_t m_byRefresh = 0;
    uint8_t m_byEvaluated = 0;
    uint32_t m_dwTime = 0;
    uint32_t m_dwReserved = 0;
};

using SLayoutItemList = CTypedPtrList<CObList, SLayoutItem*>;

// A block of a layout script: "group" (a rectangle for its items), "if" (drawn while a
// condition holds), "depth" (drawn while the layout is deep enough), "cache" (drawn once into
// a surface, then blitted) and "font" (its text in one font), and the root block every parse
// starts with. Owns its items and inner blocks; a cache block's surface and a font block's font
// belong to the layout's record lists.
class SLayoutGroup : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutGroup)

public:
    enum Kind : int32_t { kGroup = 0, kIf = 1, kDepth = 2, kCache = 3, kFont = 4 };
    // Index given to an if block whose operator text is not in the table.
    static constexpr int32_t kNoOperator = 10;
    static constexpr int kOperatorCount = 10;
    // The if operators, in the order their indexes are known by.
    static const char* const s_aOperators[kOperatorCount];

    explicit SLayoutGroup(int32_t nKind = kGroup);
    ~SLayoutGroup() override;

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;
    void Refresh() override;
    void Hide() override;

    // 1 draw the items, 0 hide them, 2 leave them as they are.
    virtual int32_t Test(SDC* pDC);
    virtual void DeleteItems();
    virtual void GetRect(SDC* pDC, sys::RECT& rect);

    // Appends an item; the block owns it from then on.
    void AddItem(SLayoutItem* pItem) { m_Items.AddTail(pItem); }
    SLayoutItemList& GetItems() { return m_Items; }
    int32_t GetKind() const { return m_iKind; }
    int32_t GetOperator() const { return m_iOperator; }
    int32_t GetOffsetX() const { return m_iOffsetX; }
    int32_t GetOffsetY() const { return m_iOffsetY; }
    const sys::RECT& GetOwnRect() const { return m_rcRect; }
    const SString& GetName() const { return m_sName; }
    sys::COLORREF GetColourKey() const { return m_crKey; }
    bool IsCaching() const { return m_byCaching != 0; }
    SFont* GetBlockFont() const { return m_pFont; }

    // The if test of operator index nOperator on a and b; false for "no operator".
    static bool TestOperator(int32_t nOperator, int32_t a, int32_t b);
    // The index of the text in the operator table (exact, with case), kNoOperator when absent.
    static int32_t FindOperator(const char* pszText);

private:
    void RenderCache(SDC* pDC, int32_t& rResult);
    int32_t RenderItems(SDC* pDC);

    sys::RECT m_rcRect;
    sys::RECT m_rcCache;
    uint8_t m_byCaching = 0;
    // While the block draws, its rectangle as worked out once at the start of its Render: every
    // item and inner block asks for it, and asking the enclosing blocks again each time would
    // cost the whole chain of them at every level.
    uint8_t m_byDrawing = 0;
    sys::RECT m_rcDrawing;
    int32_t m_iOffsetX = 0;
    int32_t m_iOffsetY = 0;
    int32_t m_iKind = kGroup;
    SLayoutItemList m_Items;
    int32_t m_iOperator = kNoOperator;
    SString m_sName;
    sys::COLORREF m_crKey = 0xFF00FF;
    SFont* m_pFont = nullptr;  // owned by the font record list
    int32_t m_iSpacing = 0;
};
