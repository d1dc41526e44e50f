#include "ui/layout/SLayoutItem.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dx/display/SDXSurface.h"
#include "sys/time/time.h"
#include "ui/SDC.h"
#include "ui/SFont.h"
#include "ui/layout/SLayout.h"

IMPLEMENT_DYNAMIC(SLayoutItem, CObject)
IMPLEMENT_DYNAMIC(SLayoutGroup, SLayoutItem)

// ---- items ----------------------------------------------------------------------------------

int32_t SLayoutItem::Render(SDC* pDC) {
    if (!m_byEvaluated)
        Evaluate(pDC);
    return 0;
}

void SLayoutItem::Evaluate(SDC*) {}

void SLayoutItem::Refresh() { m_byEvaluated = 0; }

void SLayoutItem::Hide() {}

int32_t SLayoutItem::ArgValue(int nIndex, SDC* pDC) const {
    if (m_pLayout == nullptr || nIndex < 0 || nIndex >= m_Args.GetSize())
        return 0;
    return m_pLayout->GetValue(m_Args[nIndex], pDC, m_pGroup);
}

float SLayoutItem::ArgFloat(int nIndex, SDC* pDC) const {
    if (m_pLayout == nullptr || nIndex < 0 || nIndex >= m_Args.GetSize())
        return 0.0f;
    return m_pLayout->GetFloatValue(m_Args[nIndex], pDC, m_pGroup);
}

CString SLayoutItem::ArgText(int nIndex, SDC* pDC) const {
    if (m_pLayout == nullptr || nIndex < 0 || nIndex >= m_Args.GetSize())
        return CString();
    return m_pLayout->GetText(m_Args[nIndex], pDC);
}

sys::COLORREF SLayoutItem::ArgColour(int nFirst, SDC* pDC) const {
    const auto channel = [&](int n) { return static_cast<uint8_t>(ArgValue(nFirst + n, pDC) & 0xFF); };
    return sys::RGB(channel(0), channel(1), channel(2));
}

sys::RECT SLayoutItem::BlockRect(SDC* pDC) const {
    sys::RECT rect;
    if (m_pGroup != nullptr)
        m_pGroup->GetRect(pDC, rect);
    else if (m_pLayout != nullptr)
        rect = m_pLayout->GetWindowRect();
    return rect;
}

sys::RECT SLayoutItem::PlaceInBlock(const sys::RECT& rcRelative, const sys::RECT& rcBlock) const {
    int64_t dx = rcBlock.left;
    int64_t dy = rcBlock.top;
    if (m_pGroup != nullptr) {
        dx += m_pGroup->GetOffsetX();
        dy += m_pGroup->GetOffsetY();
    }
    return Moved(rcRelative, dx, dy);
}

int32_t SLayoutItem::Saturate(int64_t nValue) {
    return sys::SaturateCoordinate(nValue);
}

sys::RECT SLayoutItem::Moved(const sys::RECT& rect, int64_t dx, int64_t dy) {
    return sys::RECT{Saturate(rect.left + dx), Saturate(rect.top + dy), Saturate(rect.right + dx),
                     Saturate(rect.bottom + dy)};
}

bool SLayoutItem::IsInside(const sys::RECT& rcInner, const sys::RECT& rcOuter) {
    return rcInner.left >= rcOuter.left && rcInner.top >= rcOuter.top && rcInner.right <= rcOuter.right &&
           rcInner.bottom <= rcOuter.bottom;
}

// ---- blocks ---------------------------------------------------------------------------------

// The order is part of the script format: an if block stores the index.
const char* const SLayoutGroup::s_aOperators[kOperatorCount] = {"<", ">", "==", "!=", ">=", "<=", "&&", "||", "&", "|"};

SLayoutGroup::SLayoutGroup(int32_t nKind) : m_iKind(nKind) {}

SLayoutGroup::~SLayoutGroup() { DeleteItems(); }

void SLayoutGroup::DeleteItems() {
    while (!m_Items.IsEmpty())
        delete m_Items.RemoveHead();
}

int32_t SLayoutGroup::FindOperator(const char* pszText) {
    for (int i = 0; i < kOperatorCount; ++i)
        if (std::strcmp(pszText, s_aOperators[i]) == 0)
            return i;
    return kNoOperator;
}

bool SLayoutGroup::TestOperator(int32_t nOperator, int32_t a, int32_t b) {
    switch (nOperator) {
    case 0: return a < b;
    case 1: return a > b;
    case 2: return a == b;
    case 3: return a != b;
    case 4: return a >= b;
    case 5: return a <= b;
    case 6: return a != 0 && b != 0;
    case 7: return a != 0 || b != 0;
    case 8: return (a & b) != 0;
    case 9: return (a | b) != 0;
    default: return false;
    }
}

void SLayoutGroup::Evaluate(SDC* pDC) {
    m_crKey = 0xFF00FF;
    m_iOffsetX = 0;
    m_iOffsetY = 0;
    const int count = GetArgCount();
    switch (m_iKind) {
    case kGroup:
        if (count >= 4)
            m_rcRect = sys::RECT{ArgValue(0, pDC), ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC)};
        break;
    case kIf:
        if (count >= 2)
            m_iOperator = FindOperator(ArgText(1, pDC));
        break;
    case kCache:
        if (count >= 1)
            m_sName = ArgText(0, pDC);
        if (count >= 4)
            m_crKey = ArgColour(1, pDC);
        break;
    case kFont:
        if (count >= 1) {
            m_sName = ArgText(0, pDC);
            m_pFont = m_pLayout != nullptr ? m_pLayout->LoadResourceAlt(m_sName.GetString(), nullptr) : nullptr;
        }
        if (count >= 2)
            m_iSpacing = ArgValue(1, pDC);
        break;
    default:
        break;
    }
}

int32_t SLayoutGroup::Test(SDC* pDC) {
    // Conditions are read without a block: they are not positions.
    const auto condition = [&](int n) { return m_pLayout->GetValue(m_Args[n], pDC, nullptr); };
    if (m_pLayout == nullptr)
        return 1;
    if (m_iKind == kDepth) {
        const int32_t need = GetArgCount() >= 1 ? condition(0) : 0;
        return m_pLayout->GetDepth() >= need ? 1 : 2;
    }
    if (m_iKind == kIf) {
        if (GetArgCount() == 1)
            return condition(0) != 0 ? 1 : 0;
        if (GetArgCount() == 3)
            return TestOperator(m_iOperator, condition(0), condition(2)) ? 1 : 0;
    }
    return 1;
}

void SLayoutGroup::GetRect(SDC* pDC, sys::RECT& rect) {
    if (m_byCaching) {
        rect = sys::RECT{0, 0, Saturate(int64_t{m_rcCache.right} - m_rcCache.left),
                         Saturate(int64_t{m_rcCache.bottom} - m_rcCache.top)};
        return;
    }
    if (m_byDrawing) {
        rect = m_rcDrawing;
        return;
    }
    if (m_pGroup == nullptr) {
        rect = m_pLayout != nullptr ? m_pLayout->GetWindowRect() : sys::RECT{};
        return;
    }
    m_pGroup->GetRect(pDC, rect);
    // A group that names no rectangle of its own stands for its enclosing block's.
    if (m_iKind == kGroup && GetArgCount() >= 4)
        rect = Moved(m_rcRect, rect.left, rect.top);
}

int32_t SLayoutGroup::RenderItems(SDC* pDC) {
    int32_t result = 0;
    for (POSITION pos = m_Items.GetHeadPosition(); pos != nullptr;)
        result |= m_Items.GetNext(pos)->Render(pDC);
    return result;
}

void SLayoutGroup::RenderCache(SDC* pDC, int32_t& rResult) {
    GetRect(pDC, m_rcCache);
    bool created = false;
    SDXSurface* pSurface =
        m_pLayout->GetCacheSurface(m_sName.GetString(), Saturate(int64_t{m_rcCache.right} - m_rcCache.left),
                                   Saturate(int64_t{m_rcCache.bottom} - m_rcCache.top), &created);
    if (pSurface == nullptr)
        return;
    if (created) {
        pSurface->SetTransparentColor(m_crKey);
        pSurface->Clear(nullptr, 0);
        SDXSurface* pPrevious = pDC->SetSurface(pSurface);
        m_byCaching = 1;
        rResult |= RenderItems(pDC);
        m_byCaching = 0;
        pDC->SetSurface(pPrevious);
    }
    if (SDXSurface* pTarget = pDC->GetSurface())
        pTarget->Blt(pSurface, &m_rcCache, nullptr, 1, 0, 0);
}

int32_t SLayoutGroup::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated)
        Evaluate(pDC);
    if (m_iKind == kGroup && GetArgCount() >= 5) {
        m_iOffsetX = ArgValue(4, pDC);
        if (GetArgCount() >= 6)
            m_iOffsetY = ArgValue(5, pDC);
    }
    const int32_t test = Test(pDC);
    // Fixed for this draw from here on: the block's own rectangle was just read, and the
    // enclosing blocks are drawing too.
    GetRect(pDC, m_rcDrawing);
    m_byDrawing = 1;
    struct DrawingEnds {
        uint8_t& flag;
        ~DrawingEnds() { flag = 0; }
    } drawingEnds{m_byDrawing};

    SFont* pPreviousFont = nullptr;
    int previousSpacing = 0;
    const bool withFont = m_iKind == kFont && m_pFont != nullptr && pDC != nullptr;
    if (withFont) {
        previousSpacing = m_pFont->GetCharSpacing();
        m_pFont->SetCharSpacing(m_iSpacing);
        pPreviousFont = pDC->SelectFont(m_pFont);
    }

    int32_t result = 0;
    if (test == 1) {
        if (m_iKind == kCache && m_pLayout != nullptr && pDC != nullptr)
            RenderCache(pDC, result);
        else
            result = RenderItems(pDC);
    } else if (test == 0) {
        Hide();
    }

    if (withFont) {
        m_pFont->SetCharSpacing(previousSpacing);
        pDC->SelectFont(pPreviousFont);
    }
    m_dwTime = sys::time::TickCount() - start;
    if (m_pLayout != nullptr)
        m_pLayout->AddTime(SLayout::kTimeGroup, m_dwTime);
    return result;
}

void SLayoutGroup::Refresh() {
    for (POSITION pos = m_Items.GetHeadPosition(); pos != nullptr;)
        m_Items.GetNext(pos)->Refresh();
    m_byEvaluated = 0;
}

void SLayoutGroup::Hide() {
    for (POSITION pos = m_Items.GetHeadPosition(); pos != nullptr;)
        m_Items.GetNext(pos)->Hide();
}
