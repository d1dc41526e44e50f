#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "ui/SWindow.h"

// The push button, check box and radio button of the window tree (resource kind 9): drawn from
// the images of its resource array, with a checked state, a hover state and a mouse-over sound.
// Screens, dialogs and layouts create buttons; the parent owns them as children.
class SButton : public SWindow {
    DECLARE_SERIAL(SButton)

public:
    static constexpr uint32_t kStyleToggle = 0x2;
    static constexpr uint32_t kStyleGroup = 0x4;
    static constexpr uint32_t kStyleBlended = 0x10;
    static constexpr uint32_t kStateChecked = 0x4;
    static constexpr int32_t kNotifyChecked = -7;

    SButton();
    ~SButton() override;

    // The window part, then the group id.
    void Serialize(CArchive& ar) override;
    // Into pTarget when it is a button (null when it is something else), else into a new one.
    SResource* Clone(SResource* pTarget) override;
    int32_t Accept(SResourceVisitor* pVisitor) override;
    int Draw(SDC* pDC) override;
    void OnLButtonDown(uint32_t nFlags, int x, int y) override;
    void OnLButtonUp(uint32_t nFlags, int x, int y) override;
    // Plays the mouse-over sound once per entry, then becomes the mouse-over window.
    void SetMouseOver() override;
    void Paint(SDC* pDC) override;

    virtual bool CreateButton(const char* pszText, uint32_t dwStyle, const sys::RECT& rcWindow, SWindow* pParent,
                              uint32_t nID);
    // Kept so the later slots stay in place; answers 0.
    virtual int32_t ButtonHook();
    // No notification either way.
    virtual void SetCheck(int32_t bCheck);
    virtual void SetGroup(uint32_t dwGroup);
    virtual uint32_t GetGroup();

    int GetCheck() const { return (m_dwState & kStateChecked) != 0 ? 1 : 0; }
    // Unchecks every other button of the parent with the same group id.
    void SwitchOffGroup();
    bool GetHoverFlag() const { return m_bHover != 0; }

protected:
    // The copy shares the source's resources; state and hover start clear.
    SButton(const SButton& other);

    // The plain (not blended) look: images by state, else the background and the text.
    void DrawPlain(SDC* pDC);

    uint32_t m_dwState = 0;
    uint32_t m_dwGroup = 0;
    int32_t m_iNormalImage = 0;
    int32_t m_iCheckedImage = 1;
    int32_t m_iHoverImage = 2;
    int32_t m_bHover = 0;
};

// Switches off the buttons of one radio group when offered to them.
class SButtonOff : public SResourceVisitor {
public:
    explicit SButtonOff(uint32_t dwGroup) : m_dwGroup(dwGroup) {}
    int32_t VisitButton(SButton* pButton) override;

    uint32_t m_dwGroup;
};

// Plays the mouse-over sound of the screen or dialog it is offered to; answers 1 there.
class Sounder : public SResourceVisitor {
public:
    int32_t VisitScreen(SScreen* pScreen) override;
    int32_t VisitDialog(SDialog* pDialog) override;
};

// Lets the resource factory make SButton objects (kKindButton). Called once at start-up.
void RegisterButtonResourceKind();
