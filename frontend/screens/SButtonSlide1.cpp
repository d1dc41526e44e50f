#include "frontend/screens/SButtonSlide1.h"

#include <algorithm>
#include <cstdlib>

#include "sys/muldiv.h"
#include "sys/time/time.h"
#include "ui/SWindow.h"

namespace {

template <class F>
void ForEachChild(SWindow* pWindow, F f) {
    SWindowList* pChildren = pWindow->GetChildren();
    for (POSITION pos = pChildren->GetHeadPosition(); pos != nullptr;)
        f(pChildren->GetNext(pos));
}

}  // namespace

void SButtonSlide1::Start(int nDirection) {
    m_iDirection = nDirection;
    if (m_pWindow == nullptr) {
        m_dwStart = sys::time::TickCount();
        return;
    }
    ForgetLostChildren();
    const sys::RECT rcWindow = m_pWindow->GetWindowRect();
    m_iWindowOrigin = rcWindow.left;
    if (m_iDistance == 0) {
        int32_t nDistance = 0;
        ForEachChild(m_pWindow, [&](SWindow* pChild) {
            if (!IsSliding(pChild) && !IsExcluded(pChild->GetID()))
                nDistance = std::max(nDistance, rcWindow.right - pChild->GetWindowRect().right);
        });
        m_iDistance = nDistance;
    }
    ForEachChild(m_pWindow, [&](SWindow* pChild) {
        if (IsExcluded(pChild->GetID()))
            return;
        pChild->SetVisible(true);
        if (IsSliding(pChild))
            return;
        const int32_t nLeft = pChild->GetWindowRect().left;
        Begin(pChild, nLeft, nLeft);
        MoveLeftEdge(pChild, nLeft + m_iDistance);
    });
    m_pWindow->SetVisible(false);
    if (!IsSliding(m_pWindow)) {
        // A layout drawn at the very left is brought to the right edge of the screen first, so
        // that it comes to rest against it.
        if (m_pWindow->GetWindowRect().left == 0)
            MoveLeftEdge(m_pWindow, (kScreenWidth - 1) - m_pWindow->GetWindowRect().right);
        const int32_t nHome = m_pWindow->GetWindowRect().left;
        Begin(m_pWindow, nHome, nHome);
        MoveLeftEdge(m_pWindow, nHome + kScreenWidth);
    }
    m_dwStart = sys::time::TickCount();
}

int SButtonSlide1::Step() {
    if (m_pWindow == nullptr)
        return 1;
    m_bStepped = 1;
    const uint32_t dwElapsed = Elapsed();
    const int32_t p = Progress(m_iDistance, dwElapsed);
    // The children's places were taken with the window where it stood at the start; they keep
    // them relative to the window, wherever the window lies.
    const int32_t nWindowShift = m_pWindow->GetWindowRect().left - m_iWindowOrigin;
    ForEachChild(m_pWindow, [&](SWindow* pChild) {
        const Motion* pMotion = Find(pChild);
        if (pMotion == nullptr || IsExcluded(pChild->GetID()))
            return;
        const int32_t t = pMotion->iTarget + nWindowShift;
        const int32_t x = pMotion->iHome - p + nWindowShift + m_iDistance;
        MoveLeftEdge(pChild, x);
        if (std::abs(x - t) <= kSnapDistance) {
            MoveLeftEdge(pChild, t);
            Finish(pChild);
        }
    });
    const int32_t q = Progress(kScreenWidth, dwElapsed);
    m_pWindow->SetVisible(true);
    if (const Motion* pMotion = Find(m_pWindow)) {
        const int32_t t = pMotion->iTarget;
        const int32_t x = pMotion->iHome - q + kScreenWidth;
        MoveLeftEdge(m_pWindow, x);
        if (std::abs(x - t) > kSnapDistance)
            return 0;
        MoveLeftEdge(m_pWindow, t);
        Finish(m_pWindow);
    }
    m_iDistance = 0;
    return 1;
}

void SButtonSlide1::Settle() {
    if (m_pWindow == nullptr)
        return;
    // The window first: moving it carries the children along.
    if (const Motion* pMotion = Find(m_pWindow)) {
        MoveLeftEdge(m_pWindow, pMotion->iTarget);
        Finish(m_pWindow);
    }
    m_pWindow->SetVisible(true);
    const int32_t nWindowShift = m_pWindow->GetWindowRect().left - m_iWindowOrigin;
    ForEachChild(m_pWindow, [&](SWindow* pChild) {
        if (const Motion* pMotion = Find(pChild)) {
            MoveLeftEdge(pChild, pMotion->iTarget + nWindowShift);
            Finish(pChild);
        }
    });
    m_iDistance = 0;
}
