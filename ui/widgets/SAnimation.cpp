#include "ui/widgets/SAnimation.h"

#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/time/time.h"
#include "ui/SDC.h"

IMPLEMENT_SERIAL(SAnimation, SWindow, VERSIONABLE_SCHEMA | 1)

void RegisterAnimationResourceKind() { SResourceFactory::RegisterKind<SAnimation>(kKindAnimation); }

SAnimation::SAnimation() = default;

SAnimation::~SAnimation() = default;

int32_t SAnimation::Accept(SResourceVisitor* pVisitor) { return pVisitor != nullptr ? pVisitor->VisitAnimation(this) : 0; }

void SAnimation::Reset() { m_iFrame = m_pResArray->GetSize() > 0 ? 0 : -1; }

bool SAnimation::CreateAnimation(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID) {
    m_dwLastStep = sys::time::TickCount();
    Reset();
    return Create(nullptr, "", dwStyle, rcWindow, pParent, nID, nullptr);
}

void SAnimation::Serialize(CArchive& ar) {
    SWindow::Serialize(ar);
    if (ar.IsStoring())
        ar << m_bLoop;
    else
        ar >> m_bLoop;
    Reset();
}

int SAnimation::Draw(SDC* pDC) {
    if (!m_bVisible)
        return 0;
    const uint32_t dwNow = sys::time::TickCount();
    if (m_iFrame >= 0 && dwNow - m_dwLastStep > m_dwInterval) {
        m_dwLastStep = dwNow;
        ++m_iFrame;
        if (m_iFrame >= m_pResArray->GetSize() && m_bLoop)
            m_iFrame = 0;
    }
    // Past the last image (no loop) the index is out of range and nothing is drawn.
    if (m_iFrame >= 0)
        DrawResourceImage(pDC, m_rcWindow, m_iFrame);
    return 0;
}
