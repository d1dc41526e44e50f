#pragma once

#include <cstdint>

class SDialog;
class SFont;
class SLayout;
class SSprite;
class SWindow;

// What the interface toolkit asks of the display manager: the frame step of modal loops, a
// frame without the cursor, the screen drawn every frame, and the registries of surface owners
// that are told when the display is lost and rebuilt. The display manager sits above the
// toolkit it draws, so it implements this and installs itself with SetInstance at start-up
// (and removes itself before it goes); the toolkit never owns it. Without one, the calls below
// are simply not made.
class SDisplayHost {
public:
    virtual ~SDisplayHost() = default;

    // The idle step of modal dialogs: presents the frame, lets the game and the first actor
    // world advance one step and gives the current screen the default font. Answers 0.
    virtual int DialogIdle() = 0;
    // Draws and presents one frame with the cursor left out. Answers 1.
    virtual int RenderFrameWithoutCursor() = 0;
    // The screen drawn and updated each frame; null when none.
    virtual SWindow* GetCurrentScreen() = 0;
    virtual void SetCurrentScreen(SWindow* pScreen) = 0;
    // Owners of surfaces, told to release them before a display change and to rebuild them
    // after it. Adding null does nothing.
    virtual void AddSprite(SSprite* pSprite) = 0;
    virtual void RemoveSprite(SSprite* pSprite) = 0;
    virtual void AddFont(SFont* pFont) = 0;
    virtual void RemoveFont(SFont* pFont) = 0;
    virtual void AddLayout(SLayout* pLayout) = 0;
    virtual void RemoveLayout(SLayout* pLayout) = 0;

    static void SetInstance(SDisplayHost* pHost) { s_pInstance = pHost; }
    static SDisplayHost* GetInstance() { return s_pInstance; }

    // Shaped as a modal dialog's idle callback: runs the installed host's DialogIdle.
    static int DialogIdleStep(SDialog* pDialog, uint32_t nValue);

private:
    static inline SDisplayHost* s_pInstance = nullptr;
};
