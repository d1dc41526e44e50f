#pragma once

#include <cstdint>

#include "sys/classlib/CString.h"
#include "sys/gdi/gdi.h"
#include "sys/window/window.h"
#include "ui/layout/SLayoutItem.h"

class SDC;
class SDXSurface;
class SFont;

// The text and shape items of a layout script ("string", "cstring", "rstring", "istring",
// "bstring", "bstringtick", "rect", "framerect", "grid", "line"). Made by the layout's parse and
// owned by their block; the font they draw with belongs to the layout's font list or to the
// drawing context.
class SLayoutItemDraw : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemDraw)

public:
    enum Kind : int32_t {
        kString = 0, kCString = 1, kRString = 2, kIString = 3, kBString = 4, kBStringTick = 5,
        kRect = 6, kFrameRect = 7, kGrid = 8, kLine = 9
    };

    explicit SLayoutItemDraw(int32_t nKind) : m_iKind(nKind) {}

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;

    int32_t GetKind() const { return m_iKind; }
    const CString& GetText() const { return m_strText; }
    int32_t GetShown() const { return m_iShown; }
    int32_t GetRate() const { return m_iRate; }
    sys::COLORREF GetColour() const { return m_crColour; }

private:
    bool IsText() const { return m_iKind <= kBStringTick; }
    void EvaluateText(SDC* pDC);
    void EvaluateShape(SDC* pDC);
    void RenderText(SDC* pDC, const sys::RECT& rcBlock);
    void RenderShape(SDC* pDC, const sys::RECT& rcBlock);
    // How much of a "bstringtick" text shows now (at least 1, at most all of it).
    int RevealCount();

    CString m_strText;
    int32_t m_iKind;
    sys::RECT m_rcRect;
    SFont* m_pFont = nullptr;  // not owned
    int32_t m_iSpacing = 0;
    int32_t m_iRate = 5;
    uint8_t m_byLoop = 1;
    int32_t m_iShown = 0;
    int32_t m_iStepX = 10;
    int32_t m_iStepY = 10;
    uint32_t m_dwStartTime = 0;
    sys::COLORREF m_crColour = 0;
    uint8_t m_byReady = 0;  // the argument list was long enough for the kind
};

// The image items ("img", "imgtile", "imgdial"): a bitmap surface from the layout's surface
// list drawn at a point, tiled over an area, or placed on a circle. The surface belongs to the
// layout; the item only points at it and looks it up again after the layout's surfaces went.
class SLayoutItemImage : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemImage)

public:
    enum Kind : int32_t { kImg = 0, kImgTile = 1, kImgDial = 2 };

    explicit SLayoutItemImage(int32_t nKind) : m_iKind(nKind) {}

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;

    SDXSurface* GetSurface() const { return m_pSurface; }

private:
    void LookUpSurface();
    void RenderImage(SDC* pDC, const sys::RECT& rcBlock, int x, int y);
    void RenderTiles(SDC* pDC, const sys::RECT& rcArea);

    int32_t m_iKind;
    CString m_strName;
    int32_t m_iX = 0;
    int32_t m_iY = 0;
    int32_t m_iRight = 0;
    int32_t m_iBottom = 0;
    sys::COLORREF m_crKey = 0xFF00FF;
    int32_t m_iRadius = 0;
    float m_fAngle = 0.0f;
    int32_t m_iCentred = 0;
    SDXSurface* m_pSurface = nullptr;  // owned by the layout's surface list
    uint32_t m_dwSurfaceGeneration = 0;
    uint8_t m_byReady = 0;
};

// The sprite items ("anim", "dial"): a frame of a sprite from the layout's sprite list, chosen
// by time or by an angle. The sprite belongs to the layout and is looked up on every frame.
class SLayoutItemSprite : public SLayoutItem {
    DECLARE_DYNAMIC(SLayoutItemSprite)

public:
    enum Kind : int32_t { kAnim = 0, kDial = 1 };

    explicit SLayoutItemSprite(int32_t nKind) : m_iKind(nKind) {}

    int32_t Render(SDC* pDC) override;
    void Evaluate(SDC* pDC) override;

    // The frame shown for an angle (degrees) on a dial of nFrames frames starting at nFirst;
    // -1 when the dial cannot show one (no frames, or more than 360).
    static int DialFrame(int32_t nAngle, int nFrames, int32_t nFirst);
    // The frame of an animation after dwElapsed milliseconds; -1 when it has nothing to show.
    static int AnimFrame(uint32_t dwElapsed, float fFramesPerSecond, int nFrames, bool bLoop);

private:
    int32_t m_iKind;
    CString m_strName;
    int32_t m_iX = 0;
    int32_t m_iY = 0;
    sys::COLORREF m_crKey = 0xFF00FF;
    int32_t m_iFirstFrame = 0;
    float m_fFramesPerSecond = 0.0f;
    uint8_t m_byLoop = 1;
    uint32_t m_dwStartTime = 0;
};
