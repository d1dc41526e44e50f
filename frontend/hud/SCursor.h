#pragma once

#include <cstdint>

#include "dx/display/SDisplayHooks.h"
#include "sys/window/window.h"
#include "ui/SSprite.h"

class SDXDraw;
class SDXSurface;
class SFrame;
class SGraphics;
class SInputObj;

// The game's own mouse pointer: a sprite drawn at the mouse position on every presented frame,
// optionally keeping what lies under it (save-under) so it can be taken off again without
// redrawing the scene, and stepping through its frames. Start-up makes the one cursor from the
// catalog's "Cursor":"HuntHand" definition and hands it to the display manager, which draws it
// at the end of every frame; the application deletes it at exit.
class SCursor : public SSprite, public SDisplayCursor {
    DECLARE_DYNAMIC(SCursor)

public:
    // What the cursor's surfaces are made with.
    static constexpr uint32_t kCursorCaps = 16384;
    static constexpr uint32_t kFramePeriod = 100;  // milliseconds between animation steps
    static constexpr int kClientMargin = 2;        // pixels outside the client area still drawn

    SCursor();
    SCursor(int iFollowInput, SDXDraw* pOwner);
    ~SCursor() override;
    SCursor(const SCursor&) = delete;
    SCursor& operator=(const SCursor&) = delete;

    // --- SSprite ------------------------------------------------------------------------------
    void Init() override;
    void Clear() override;
    // The sprite's surface, then the save surface; 0 when there is no save surface.
    int RestoreSurfaces(SDXDraw* draw) override;

    // --- SDisplayCursor: how the display manager drives it ------------------------------------
    // Straight onto the primary the cursor saves under itself and erases its old image; in the
    // back buffer, which is redrawn for every frame, it only draws. Same switch as SetSaveUnder.
    uint8_t SetDrawMode(uint8_t onPrimary) override;
    // The rectangle's top-left is where the client area lies on the target.
    int DrawOnto(SDXSurface* dest, const sys::RECT* rect) override;
    void SurfacesLost() override;
    int SurfacesRebuilt(SGraphics* display) override;
    int RestoreSurfaces(SGraphics* display) override;

    // --- Its own ------------------------------------------------------------------------------
    // A save surface as wide as the widest and as tall as the tallest frame.
    virtual int CreateSaveSurface();
    // The per-frame step: erase the old image, save under the new one, draw, animate.
    virtual void Update(SDXSurface* pTarget, const sys::POINT* pOffset);
    virtual uint8_t SetSaveUnder(uint8_t bEnable);
    virtual SDXSurface* GetSaveSurface() const { return m_pSaveSurface; }
    virtual void ReleaseSurfaces();
    // 1 when the image surface, its frames and the save surface were made.
    virtual int CreateCursor(SDXDraw* pOwner);
    virtual void Erase(SDXSurface* pTarget, const sys::POINT* pOffset);
    virtual void RestoreBackground(SDXSurface* pTarget, SFrame* pFrame, const sys::POINT* pOffset);
    virtual void SaveBackground(SDXSurface* pTarget, SFrame* pFrame, const sys::POINT* pOffset);
    virtual void DrawFrame(SDXSurface* pTarget, SFrame* pFrame, const sys::POINT* pOffset);
    virtual void Animate();
    // Becomes a copy of the definition (frames, names, image), with surfaces of its own.
    virtual void CopyFrom(SSprite* pDefinition);

    // Cuts a destination rectangle to a surface of the size, moving the source along; false
    // when nothing is left.
    static bool CutToSurface(sys::RECT& dest, sys::RECT& source, int width, int height);

    // Where a following cursor reads the pointer; without one, the hub's input object.
    void SetInput(SInputObj* pInput) { m_pInput = pInput; }
    int GetFollowInput() const { return m_iFollowInput; }
    void SetFollowInput(int iFollow) { m_iFollowInput = iFollow; }
    SDXDraw* GetOwner() const { return m_pOwner; }
    uint8_t GetSaveUnder() const { return m_bSaveUnder; }
    SFrame* GetLastFrame() const { return m_pLastFrame; }
    sys::POINT GetLastPosition() const { return sys::POINT{m_iLastX, m_iLastY}; }

private:
    void ReleaseSaveSurface();

    int32_t m_iFollowInput = 0;
    SDXDraw* m_pOwner = nullptr;
    SDXSurface* m_pSaveSurface = nullptr;
    SFrame* m_pLastFrame = nullptr;
    uint8_t m_bSaveUnder = 1;
    int32_t m_iLastX = 0;
    int32_t m_iLastY = 0;
    uint32_t m_dwLastUpdate = 0;
    uint32_t m_dwLastAnimate = 0;
    SInputObj* m_pInput = nullptr;
};
