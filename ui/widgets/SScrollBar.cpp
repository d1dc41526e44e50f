#include "ui/widgets/SScrollBar.h"

#include "core/SResourceFactory.h"
#include <algorithm>

#include "sys/classlib/CArchive.h"
#include "sys/muldiv.h"
#include "ui/SDC.h"

IMPLEMENT_SERIAL(SScrollBar, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterScrollBarResourceKind() { SResourceFactory::RegisterKind<SScrollBar>(kKindScrollBar); }

namespace {

constexpr int kDefaultArrowSpan = 12;
constexpr int kDefaultThumbHalf = 6;

bool Contains(const sys::RECT& rc, int x, int y) {
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

}  // namespace

SScrollBar::SScrollBar() = default;

SScrollBar::~SScrollBar() = default;

void SScrollBar::Serialize(CArchive& ar) {
    SWindow::Serialize(ar);
    if (ar.IsStoring())
        ar << m_iMax << m_iMin;
    else
        ar >> m_iMax >> m_iMin;
}

int32_t SScrollBar::Accept(SResourceVisitor* pVisitor) {
    return pVisitor != nullptr ? pVisitor->VisitScrollBar(this) : 0;
}

bool SScrollBar::CreateScrollBar(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID) {
    return Create(nullptr, nullptr, dwStyle, rcWindow, pParent, nID, nullptr);
}

void SScrollBar::GetRange(int& nMin, int& nMax) const {
    nMin = m_iMin;
    nMax = m_iMax;
}

void SScrollBar::SetRange(int nMin, int nMax, int) {
    m_iMin = nMin;
    m_iMax = nMax;
}

void SScrollBar::SetPos(int nPosition, int) { m_iPos = nPosition; }

// ---- geometry -----------------------------------------------------------------------------

int SScrollBar::ImageSpan(int nIndex, int nDefault) const {
    if (nIndex >= m_pResArray->GetSize() || m_pResArray->GetAt(nIndex) == nullptr)
        return nDefault;
    SResource* pImage = m_pResArray->GetAt(nIndex);
    return IsVertical() ? pImage->GetHeight() : pImage->GetWidth();
}

// Worked out along the bar's axis on (low, high) and put back into the rectangle's other sides.
// The position is taken relative to the minimum, so a range that does not start at 0 fills the
// whole track too.
void SScrollBar::GetPartRect(int nPart, sys::RECT& rcPart) const {
    rcPart = m_rcWindow;
    const bool bVertical = IsVertical();
    const int nLow = bVertical ? m_rcWindow.top : m_rcWindow.left;
    const int nHigh = bVertical ? m_rcWindow.bottom : m_rcWindow.right;
    const int a = ImageSpan(3, kDefaultArrowSpan);
    const int b = ImageSpan(2, kDefaultArrowSpan);
    int h = kDefaultThumbHalf;
    if (m_pResArray->GetSize() > 1 && m_pResArray->GetAt(1) != nullptr)
        h = ImageSpan(1, 0) / 2;
    const int nOffset = sys::MulDiv(nHigh - nLow - b - a, m_iPos - m_iMin, m_iMax - m_iMin);
    const int c = nLow + b + nOffset + 1;
    int nFrom = nLow;
    int nTo = nHigh;
    switch (nPart) {
    case kPartLowerArrow:
        nFrom = nHigh - a;
        break;
    case kPartUpperArrow:
        nTo = nLow + b;
        break;
    case kPartPageAfter:
        nFrom = c + h + 1;
        nTo = nHigh - a;
        break;
    case kPartPageBefore:
        nFrom = nLow + b;
        nTo = c - h - 1;
        break;
    case kPartThumb:
        nFrom = c - h;
        nTo = c + h;
        break;
    default:
        return;
    }
    if (bVertical) {
        rcPart.top = nFrom;
        rcPart.bottom = nTo;
    } else {
        rcPart.left = nFrom;
        rcPart.right = nTo;
    }
}

int SScrollBar::HitTest(int x, int y) const {
    for (int nPart : {kPartUpperArrow, kPartPageBefore, kPartThumb, kPartPageAfter, kPartLowerArrow}) {
        sys::RECT rc;
        GetPartRect(nPart, rc);
        if (Contains(rc, x, y))
            return nPart;
    }
    return -1;
}

// ---- input --------------------------------------------------------------------------------

void SScrollBar::MoveBy(int nStep) {
    m_iPos = std::clamp(m_iPos + nStep, std::min(m_iMin, m_iMax), std::max(m_iMin, m_iMax));
    if (m_pfnChange != nullptr)
        m_pfnChange(m_iPos);
}

void SScrollBar::OnLButtonDown(uint32_t, int x, int y) {
    m_iHitPart = HitTest(x, y);
    m_ptPress = sys::POINT{x, y};
    m_iPosAtPress = m_iPos;
    s_pCapture = this;
    if (m_iHitPart < 0)
        return;
    const int nRange = m_iMax - m_iMin;
    int nStep = 0;
    switch (m_iHitPart) {
    case kPartLowerArrow:
        nStep = std::max(nRange / 100, 1);
        m_bLowerPressed = 1;
        break;
    case kPartUpperArrow:
        nStep = std::min(-(nRange / 100), -1);
        m_bUpperPressed = 1;
        break;
    case kPartPageAfter:
        nStep = std::max(nRange / 10, 1);
        break;
    case kPartPageBefore:
        nStep = std::min(-(nRange / 10), -1);
        break;
    default:
        break;
    }
    MoveBy(nStep);
    if (m_pParent != nullptr)
        m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, m_iHitPart);
}

void SScrollBar::OnLButtonDblClk(uint32_t nFlags, int x, int y) { OnLButtonDown(nFlags, x, y); }

void SScrollBar::OnMouseMove(uint32_t, int x, int y) {
    if (m_iHitPart != kPartThumb)
        return;
    // The routed coordinates are 16-bit halves; a captured pointer above or left of the
    // window arrives as a large value and is read back signed.
    x = static_cast<int16_t>(x);
    y = static_cast<int16_t>(y);
    const int nPos = IsVertical() ? sys::MulDiv(y - m_rcWindow.top, m_iMax - m_iMin, m_rcWindow.bottom - m_rcWindow.top)
                                  : sys::MulDiv(x - m_rcWindow.left, m_iMax - m_iMin, m_rcWindow.right - m_rcWindow.left);
    m_iPos = m_iMin + nPos;
    MoveBy(0);
}

void SScrollBar::OnLButtonUp(uint32_t, int, int) {
    if (s_pCapture == this)
        s_pCapture = nullptr;
    m_bLowerPressed = 0;
    m_bUpperPressed = 0;
    m_iHitPart = -1;
}

// ---- drawing ------------------------------------------------------------------------------

void SScrollBar::DrawBackground(SDC* pDC) {
    if (m_pResArray->GetSize() > 0)
        DrawResourceImage(pDC, m_rcWindow, 0);
    else
        SWindow::DrawBackground(pDC);
}

int SScrollBar::Draw(SDC* pDC) {
    if (!m_bVisible || pDC == nullptr)
        return 0;
    DrawBackground(pDC);
    sys::RECT rc;
    if (m_bLowerPressed) {
        GetPartRect(kPartLowerArrow, rc);
        DrawResourceImage(pDC, rc, 2);
    }
    if (m_bUpperPressed) {
        GetPartRect(kPartUpperArrow, rc);
        DrawResourceImage(pDC, rc, 3);
    }
    GetPartRect(kPartThumb, rc);
    DrawResourceImage(pDC, rc, 1);
    return 0;
}
