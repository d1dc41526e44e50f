#include "ui/widgets/SSlider.h"

#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/gdi/gdi.h"
#include "sys/muldiv.h"
#include "ui/SDC.h"

IMPLEMENT_SERIAL(SSlider, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterSliderResourceKind() { SResourceFactory::RegisterKind<SSlider>(kKindSlider); }

namespace {

constexpr int kDefaultThumbWidth = 10;
constexpr sys::COLORREF kTrackColour = 0xFF0000;
constexpr sys::COLORREF kThumbColour = 0x0000FF;

}  // namespace

SSlider::SSlider() = default;

SSlider::~SSlider() = default;

void SSlider::Serialize(CArchive& ar) {
    SWindow::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_iMax << m_iExtra << int32_t{0} << m_iMin << uint32_t{0} << uint32_t{0};
    } else {
        int32_t nUnused = 0;
        uint32_t dwPad = 0;
        ar >> m_iMax >> m_iExtra >> nUnused >> m_iMin >> dwPad >> dwPad;
    }
}

SResource* SSlider::Clone(SResource* pTarget) {
    SSlider* pSlider = pTarget == nullptr ? new SSlider : dynamic_cast<SSlider*>(pTarget);
    if (pSlider == nullptr)
        return nullptr;
    SWindow::Clone(pSlider);
    pSlider->m_dwState = m_dwState;
    pSlider->m_iExtra = m_iExtra;
    pSlider->m_iMin = m_iMin;
    pSlider->m_iMax = m_iMax;
    pSlider->m_iPos = m_iPos;
    return pSlider;
}

int32_t SSlider::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitSlider(this) : 0; }

bool SSlider::CreateSlider(const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent,
                           uint32_t nID) {
    return Create(nullptr, pszText, dwStyle, rcWindow, pParent, nID, nullptr);
}

void SSlider::SliderHook(uint32_t, uint32_t, uint32_t, uint32_t) {}

void SSlider::SetPressed(int32_t bPressed) {
    if (bPressed)
        m_dwState |= kStatePressed;
    else
        m_dwState &= ~kStatePressed;
}

void SSlider::SetPos(int nPosition) {
    if (nPosition > m_iMax)
        nPosition = m_iMax;
    if (nPosition < m_iMin)
        nPosition = m_iMin;
    m_iPos = nPosition;
    if (m_pfnChange != nullptr)
        m_pfnChange(m_iPos);
}

void SSlider::SetMin(int nMin) {
    m_iMin = nMin;
    SetPos(m_iPos);
}

void SSlider::SetMax(int nMax) {
    m_iMax = nMax;
    SetPos(m_iPos);
}

// ---- geometry -----------------------------------------------------------------------------

int SSlider::ThumbWidth() const {
    if (m_pResArray->GetSize() >= 2 && m_pResArray->GetAt(1) != nullptr)
        return m_pResArray->GetAt(1)->GetWidth();
    return kDefaultThumbWidth;
}

// The position is taken relative to the minimum, so a range that does not start at 0 maps onto
// the whole track too.
sys::RECT SSlider::GetThumbRect() const {
    const int nCentre =
        m_rcWindow.left + sys::MulDiv(m_rcWindow.right - m_rcWindow.left, m_iPos - m_iMin, m_iMax - m_iMin);
    const int nHalf = ThumbWidth() / 2;
    sys::RECT rc{nCentre - nHalf, m_rcWindow.top, nCentre + nHalf, m_rcWindow.bottom};
    if (rc.left < m_rcWindow.left) {
        rc.right += m_rcWindow.left - rc.left;
        rc.left = m_rcWindow.left;
    } else if (rc.right > m_rcWindow.right) {
        rc.left -= rc.right - m_rcWindow.right;
        rc.right = m_rcWindow.right;
    }
    return rc;
}

// ---- input --------------------------------------------------------------------------------

void SSlider::OnLButtonDown(uint32_t, int x, int y) {
    s_pCapture = this;
    if (m_dwState & kStatePressed) {
        m_dwState &= ~kStatePressed;
    } else {
        m_dwState |= kStatePressed;
        if (m_pParent != nullptr)
            m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, kNotifyGrabbed);
    }
    m_ptPress = sys::POINT{x, y};
}

void SSlider::OnMouseMove(uint32_t, int x, int) {
    if ((m_dwState & kStatePressed) == 0)
        return;
    int nX = static_cast<int16_t>(x);
    if (nX < 1)
        nX = 0;
    int nPos = sys::MulDiv(nX - m_rcWindow.left, m_iMax - m_iMin, m_rcWindow.right - m_rcWindow.left);
    if (nPos < 0)
        nPos = 0;
    SetPos(nPos + m_iMin);
}

void SSlider::OnLButtonUp(uint32_t nFlags, int x, int y) {
    if (s_pCapture == this)
        s_pCapture = nullptr;
    OnMouseMove(nFlags, x, y);
    m_dwState &= ~kStatePressed;
    if (m_pParent != nullptr)
        m_pParent->SendMessage(sys::WM_NOTIFY, m_nID, kNotifyReleased);
    SWindow::OnLButtonUp(nFlags, x, y);
}

// ---- drawing ------------------------------------------------------------------------------

int SSlider::Draw(SDC* pDC) {
    if (!m_bVisible)
        return 0;
    if (s_pMouseOver != this)
        m_dwState &= ~kStatePressed;
    const int nImages = m_pResArray->GetSize();
    if (pDC != nullptr && nImages == 0) {
        sys::HBRUSH hTrack = sys::gdi::CreateSolidBrush(kTrackColour);
        sys::HBRUSH hThumb = sys::gdi::CreateSolidBrush(kThumbColour);
        pDC->Rectangle(m_rcWindow, nullptr, hTrack);
        pDC->Rectangle(GetThumbRect(), nullptr, hThumb);
        sys::gdi::DeleteObject(hTrack);
        sys::gdi::DeleteObject(hThumb);
    } else if (pDC != nullptr) {
        if (m_byPaintBackground)
            DrawResourceImage(pDC, m_rcWindow, 0);
        if (nImages >= 2)
            DrawResourceImage(pDC, GetThumbRect(), 1);
    }
    for (POSITION pos = m_pChildren->GetHeadPosition(); pos != nullptr;)
        m_pChildren->GetNext(pos)->Draw(pDC);
    return 0;
}

void SSlider::Paint(SDC*) {}
