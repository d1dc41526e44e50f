#pragma once

#include <cstdint>
#include <vector>

#include "sys/classlib/CDWordArray.h"
#include "sys/classlib/CObject.h"

class SWindow;

// Brings the buttons of a page in from the sides of the screen when the page is shown and
// sends them out again before the page is left: each frame moves the direct children of one
// window (the page's layout) for the time gone since the start, 250 ms in all. Owned by the
// page (SAppScreen); the window it moves is not owned.
//
// A child that is under way keeps its home and target left edges here, with a flag of its own,
// so that a child whose home edge is 0 slides like any other.
class SButtonSlide : public CObject {
public:
    static constexpr uint32_t kDefaultDuration = 250;
    // Children closer than this to their target are put on it and stop.
    static constexpr int kSnapDistance = 10;
    // How far beyond its own edge a child is sent, so that it leaves the screen entirely.
    static constexpr int kSideMargin = 168;

    SButtonSlide() = default;
    ~SButtonSlide() override = default;

    void SetWindow(SWindow* pWindow) { m_pWindow = pWindow; }
    SWindow* GetWindow() const { return m_pWindow; }
    // 1 slides in, 0 slides out.
    virtual void Start(int nDirection);
    // Non-zero once every child has reached its target (and at once without a window).
    virtual int Step();
    int GetDirection() const { return m_iDirection; }
    bool HasStepped() const { return m_bStepped != 0; }
    int GetDistance() const { return m_iDistance; }

    void AddExcludedId(uint32_t nID);
    void RemoveExcludedId(uint32_t nID);
    int FindExcludedId(uint32_t nID) const;
    bool IsExcluded(uint32_t nID) const { return FindExcludedId(nID) >= 0; }
    void SetDuration(uint32_t dwMilliseconds) { m_dwDuration = dwMilliseconds; }
    uint32_t GetDuration() const { return m_dwDuration; }

    // Whether the window is under way in this slide.
    bool IsSliding(const SWindow* pWindow) const { return Find(pWindow) != nullptr; }

protected:
    struct Motion {
        const SWindow* pWindow;  // only compared; the window may be gone
        int32_t iHome;
        int32_t iTarget;
    };

    // How far the children have gone: the distance scaled by the time gone, all of it once the
    // duration has passed.
    int32_t Progress(int32_t nDistance, uint32_t dwElapsed) const;
    uint32_t Elapsed() const;
    Motion* Find(const SWindow* pWindow);
    const Motion* Find(const SWindow* pWindow) const;
    void Begin(const SWindow* pWindow, int32_t iHome, int32_t iTarget);
    void Finish(const SWindow* pWindow);
    // Motions of windows that are no longer children of the window are dropped, so that a new
    // window at a freed address never inherits one.
    void ForgetLostChildren();
    // Keeps width, top and bottom.
    static void MoveLeftEdge(SWindow* pWindow, int32_t nLeft);

    int32_t m_bStepped = 0;
    int32_t m_iDirection = 0;
    uint32_t m_dwStart = 0;
    uint32_t m_dwDuration = kDefaultDuration;
    CDWordArray m_ExcludedIds;
    SWindow* m_pWindow = nullptr;  // not owned
    int32_t m_iDistance = 0;       // 0: worked out at the next start
    std::vector<Motion> m_Motions;
};
