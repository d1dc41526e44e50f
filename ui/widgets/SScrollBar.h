#pragma once

#include <cstdint>

#include "ui/SWindow.h"

// A vertical or horizontal bar with two arrows, two page areas and a draggable thumb (resource
// kind 27); it scrolls text controls and list controls. Every change goes to the callback its
// owner installs, and each press tells the parent which part was hit. Owned by its parent.
class SScrollBar : public SWindow {
    DECLARE_SERIAL(SScrollBar)

public:
    using ChangeProc = void (*)(int nPosition);
    static constexpr uint32_t kStyleVertical = 0x1;
    // Parts, numbered as they are reported to the parent.
    static constexpr int kPartLowerArrow = 0;
    static constexpr int kPartUpperArrow = 1;
    static constexpr int kPartPageAfter = 2;
    static constexpr int kPartPageBefore = 3;
    static constexpr int kPartThumb = 4;

    SScrollBar();
    ~SScrollBar() override;

    // The window part, then maximum and minimum.
    void Serialize(CArchive& ar) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;
    void OnMouseMove(uint32_t nFlags, int x, int y) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonDblClk(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void DrawBackground(SDC* pDC) override;

    bool CreateScrollBar(uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent, uint32_t nID);
    // Any other part number leaves rcPart the window rectangle.
    void GetPartRect(int nPart, sys::RECT& rcPart) const;
    // The part under the point, or -1.
    int HitTest(int x, int y) const;
    void GetRange(int& nMin, int& nMax) const;
    void SetRange(int nMin, int nMax, int bRedraw = 0);
    int GetPos() const { return m_iPos; }
    // Stored as given: no clamping and no callback, so an owner can park the bar anywhere.
    void SetPos(int nPosition, int bRedraw = 0);
    void SetChangeCallback(ChangeProc pfnChange) { m_pfnChange = pfnChange; }
    int GetHitPart() const { return m_iHitPart; }
    bool IsLowerArrowPressed() const { return m_bLowerPressed != 0; }
    bool IsUpperArrowPressed() const { return m_bUpperPressed != 0; }

protected:
    bool IsVertical() const { return (m_dwStyle & kStyleVertical) != 0; }
    // Height (vertical) or width (horizontal) of an image, or the fallback without it.
    int ImageSpan(int nIndex, int nDefault) const;
    void MoveBy(int nStep);

    int32_t m_iPos = 0;
    int32_t m_iMin = 0;
    int32_t m_iMax = 0;
    int32_t m_iHitPart = -1;
    sys::POINT m_ptPress;
    int32_t m_bLowerPressed = 0;
    int32_t m_bUpperPressed = 0;
    ChangeProc m_pfnChange = nullptr;
    int32_t m_iPosAtPress = 0;
};

// Lets the resource factory make SScrollBar objects (kKindScrollBar). Called once at start-up.
void RegisterScrollBarResourceKind();
