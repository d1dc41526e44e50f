#pragma once

#include <cstdint>

#include "ui/SWindow.h"

// A horizontal track with a thumb the user drags (resource kind 26): volumes and similar
// settings in the option dialogs and the layouts. Every change of position goes to a callback
// the owner installs; the parent hears of presses and releases. Owned by its parent window.
class SSlider : public SWindow {
    DECLARE_SERIAL(SSlider)

public:
    using ChangeProc = void (*)(int nPosition);
    static constexpr uint32_t kStatePressed = 0x4;
    static constexpr int32_t kNotifyGrabbed = -7;
    static constexpr int32_t kNotifyReleased = 4;

    SSlider();
    ~SSlider() override;

    // The window part, then maximum, extra value, a zero word, minimum and 8 zero bytes.
    void Serialize(CArchive& ar) override;
    SResource* Clone(SResource* pTarget) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;
    void OnMouseMove(uint32_t nFlags, int x, int y) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    void Paint(SDC* pDC) override;

    virtual bool CreateSlider(const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent,
                              uint32_t nID);
    // Kept so the later slots stay in place.
    virtual void SliderHook(uint32_t dwValue1, uint32_t dwValue2, uint32_t dwValue3, uint32_t dwValue4);
    virtual void SetPressed(int32_t bPressed);

    // Clamped to [minimum, maximum]; the callback hears the stored value.
    void SetPos(int nPosition);
    int GetPos() const { return m_iPos; }
    void SetMin(int nMin);
    void SetMax(int nMax);
    int GetMin() const { return m_iMin; }
    int GetMax() const { return m_iMax; }
    // Stored with the slider and copied with it; the slider itself does not read it.
    void SetExtra(int nExtra) { m_iExtra = nExtra; }
    int GetExtra() const { return m_iExtra; }
    void SetChangeCallback(ChangeProc pfnChange) { m_pfnChange = pfnChange; }
    bool IsPressed() const { return (m_dwState & kStatePressed) != 0; }
    // The thumb's rectangle for the present position and thumb width.
    sys::RECT GetThumbRect() const;

protected:
    int ThumbWidth() const;

    uint32_t m_dwState = 0;
    int32_t m_iExtra = 30;
    int32_t m_iMin = 0;
    int32_t m_iMax = 255;
    int32_t m_iPos = 0;
    ChangeProc m_pfnChange = nullptr;
    sys::POINT m_ptPress;
};

// Lets the resource factory make SSlider objects (kKindSlider). Called once at start-up.
void RegisterSliderResourceKind();
