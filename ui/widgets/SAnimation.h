#pragma once

#include <cstdint>

#include "ui/SWindow.h"

// Shows the images of its resource array one after another at a fixed interval (resource kind
// 8), once or in a loop. Owned by its parent window.
class SAnimation : public SWindow {
    DECLARE_SERIAL(SAnimation)

public:
    static constexpr uint32_t kDefaultInterval = 100;

    SAnimation();
    ~SAnimation() override;

    // The window part, then the loop flag; the animation starts over either way.
    void Serialize(CArchive& ar) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    // Steps at most one frame per call, then draws the current frame.
    int Draw(SDC* pDC) override;
    virtual bool CreateAnimation(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);

    // Frame 0 when there is an image, else -1 (nothing to show).
    void Reset();
    int GetFrame() const { return m_iFrame; }
    void SetLoop(bool bLoop) { m_bLoop = bLoop ? 1 : 0; }
    bool GetLoop() const { return m_bLoop != 0; }
    void SetLastStepTime(uint32_t dwTick) { m_dwLastStep = dwTick; }

protected:
    uint32_t m_dwLastStep = 0;
    int32_t m_iFrame = -1;
    int32_t m_bLoop = 0;
    uint32_t m_dwInterval = kDefaultInterval;
};

// Lets the resource factory make SAnimation objects (kKindAnimation). Called once at start-up.
void RegisterAnimationResourceKind();
