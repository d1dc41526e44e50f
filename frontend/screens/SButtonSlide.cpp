#include "frontend/screens/SButtonSlide.h"

#include <algorithm>
#include <cstdlib>

#include "sys/muldiv.h"
#include "sys/time/time.h"
#include "ui/SWindow.h"

namespace {

// Calls f for every direct child of the window, in drawing order.
template <class F>
void ForEachChild(SWindow* pWindow, F f) {
    SWindowList* pChildren = pWindow->GetChildren();
    for (POSITION pos = pChildren->GetHeadPosition(); pos != nullptr;)
        f(pChildren->GetNext(pos));
}

}  // namespace

void SButtonSlide::AddExcludedId(uint32_t nID) { m_ExcludedIds.Add(nID); }

void SButtonSlide::RemoveExcludedId(uint32_t nID) {
    const int nIndex = FindExcludedId(nID);
    if (nIndex >= 0)
        m_ExcludedIds.RemoveAt(nIndex);
}

int SButtonSlide::FindExcludedId(uint32_t nID) const {
    for (int i = 0; i < m_ExcludedIds.GetSize(); ++i) {
        if (m_ExcludedIds.GetAt(i) == nID)
            return i;
    }
    return -1;
}

int32_t SButtonSlide::Progress(int32_t nDistance, uint32_t dwElapsed) const {
    if (dwElapsed > m_dwDuration)
        return nDistance;
    return sys::MulDiv(nDistance, static_cast<int32_t>(dwElapsed), static_cast<int32_t>(m_dwDuration));
}

uint32_t SButtonSlide::Elapsed() const { return sys::time::TickCount() - m_dwStart; }

SButtonSlide::Motion* SButtonSlide::Find(const SWindow* pWindow) {
    for (Motion& motion : m_Motions) {
        if (motion.pWindow == pWindow)
            return &motion;
    }
    return nullptr;
}

const SButtonSlide::Motion* SButtonSlide::Find(const SWindow* pWindow) const {
    for (const Motion& motion : m_Motions) {
        if (motion.pWindow == pWindow)
            return &motion;
    }
    return nullptr;
}

void SButtonSlide::Begin(const SWindow* pWindow, int32_t iHome, int32_t iTarget) {
    m_Motions.push_back(Motion{pWindow, iHome, iTarget});
}

void SButtonSlide::Finish(const SWindow* pWindow) {
    std::erase_if(m_Motions, [pWindow](const Motion& motion) { return motion.pWindow == pWindow; });
}

void SButtonSlide::ForgetLostChildren() {
    if (m_pWindow == nullptr) {
        m_Motions.clear();
        return;
    }
    std::vector<Motion> kept;
    ForEachChild(m_pWindow, [&](SWindow* pChild) {
        if (const Motion* pMotion = Find(pChild))
            kept.push_back(*pMotion);
    });
    // The window itself slides in a dialog slide.
    if (const Motion* pMotion = Find(m_pWindow))
        kept.push_back(*pMotion);
    m_Motions.swap(kept);
}

void SButtonSlide::MoveLeftEdge(SWindow* pWindow, int32_t nLeft) {
    const sys::RECT& rc = pWindow->GetWindowRect();
    pWindow->MoveWindow(sys::RECT{nLeft, rc.top, nLeft + (rc.right - rc.left), rc.bottom});
}

void SButtonSlide::Start(int nDirection) {
    m_iDirection = nDirection;
    if (m_pWindow == nullptr) {
        m_dwStart = sys::time::TickCount();
        return;
    }
    ForgetLostChildren();
    const sys::RECT rcWindow = m_pWindow->GetWindowRect();
    // A child nearer the left edge than the right leaves to the left.
    auto onLeftSide = [&rcWindow](const sys::RECT& rc) {
        return rc.left - rcWindow.left < (rcWindow.right - rc.right) - kSideMargin;
    };
    if (m_iDistance == 0) {
        int32_t nDistance = 0;
        ForEachChild(m_pWindow, [&](SWindow* pChild) {
            if (IsSliding(pChild) || IsExcluded(pChild->GetID()))
                return;
            const sys::RECT& rc = pChild->GetWindowRect();
            const int32_t nCandidate =
                onLeftSide(rc) ? rc.right + kSideMargin : (rcWindow.right - rc.right) + kSideMargin;
            nDistance = std::max(nDistance, nCandidate);
        });
        m_iDistance = nDistance;
    }
    ForEachChild(m_pWindow, [&](SWindow* pChild) {
        if (IsExcluded(pChild->GetID()))
            return;
        pChild->SetVisible(true);
        if (IsSliding(pChild))
            return;
        const sys::RECT& rc = pChild->GetWindowRect();
        const bool bLeft = onLeftSide(rc);
        int32_t nLeft = rc.left;
        if (nDirection != 0) {
            Begin(pChild, rc.left, rc.left);
            nLeft = bLeft ? rc.left - m_iDistance : rc.left + m_iDistance;
        } else {
            Begin(pChild, rc.left, bLeft ? rc.left - m_iDistance : rc.left + m_iDistance);
        }
        MoveLeftEdge(pChild, nLeft);
    });
    m_dwStart = sys::time::TickCount();
}

int SButtonSlide::Step() {
    if (m_pWindow == nullptr)
        return 1;
    m_bStepped = 1;
    int done = 1;
    const int32_t p = Progress(m_iDistance, Elapsed());
    ForEachChild(m_pWindow, [&](SWindow* pChild) {
        const Motion* pMotion = Find(pChild);
        if (pMotion == nullptr || IsExcluded(pChild->GetID()))
            return;
        const int32_t h = pMotion->iHome;
        const int32_t t = pMotion->iTarget;
        const int32_t c = pChild->GetWindowRect().left;
        int32_t x;
        if (m_iDirection != 0)
            x = t > c ? h - m_iDistance + p : h + m_iDistance - p;
        else
            x = t > c ? h + p : h - p;
        MoveLeftEdge(pChild, x);
        if (std::abs(x - t) > kSnapDistance) {
            done = 0;
            return;
        }
        if (m_iDirection != 0) {
            MoveLeftEdge(pChild, t);
        } else {
            // Gone from the screen: back home, but hidden until the page slides in again.
            MoveLeftEdge(pChild, h);
            pChild->SetVisible(false);
        }
        Finish(pChild);
    });
    if (done != 0)
        m_iDistance = 0;
    return done;
}
