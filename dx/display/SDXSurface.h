#pragma once

#include <cstdint>

#include "core/SString.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CString.h"
#include "sys/gdi/gdi.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

class SDXDraw;
class SDXPalette;
class SDXClipper;
class SResource;

// One DirectDraw surface: the primary surface and its back buffer, the display manager's
// interface surfaces, and the drawing surfaces of sprites, fonts, bitmaps and layouts. Creates
// surfaces with a fall-back from video to system memory, blits with colour keys, fills, flips,
// hands out GDI device contexts and restores lost surfaces, redrawing the image of the resource
// that supplied it. Owned by whoever made it (the display manager, a sprite, a context). Shows
// and logs nothing.
class SDXSurface : public CObject {
    DECLARE_DYNAMIC(SDXSurface)

public:
    SDXSurface();
    explicit SDXSurface(const CString& name);
    ~SDXSurface() override;
    SDXSurface(const SDXSurface&) = delete;
    SDXSurface& operator=(const SDXSurface&) = delete;

    // An off-screen surface (caps get DDSCAPS_OFFSCREENPLAIN) of the display's format, or 8-bit
    // palettised with the palette attached; a video-memory request that fails is made again in
    // system memory. nonLocal asks for non-local video memory.
    int CreateSurface(SDXDraw* owner, int width, int height, uint32_t caps, SDXPalette* palette, int nonLocal);
    // A surface from a filled description (outer is handed on and must be 0).
    int CreateSurfaceDesc(sys::video::DDSURFACEDESC2* desc, SDXDraw* owner, uint32_t outer);
    // A system-memory surface of the resource's size holding its image (8-bit with its palette
    // when palettised); the resource redraws it after every restore.
    int CreateSurfaceResource(SResource* source, SDXDraw* owner, int palettised, uint32_t reserved, int nonLocal);
    // Makes `back` the back buffer of this primary surface.
    int GetBackBuffer(SDXSurface* back);
    // The primary surface: count 1 (a window) or 2 (a flipping chain with one back buffer, in
    // full screen).
    int CreatePrimarySurface(SDXDraw* owner, int count, uint32_t caps);

    // Fills the rectangle (null: all) with a pixel value; 0 or below fills with the colour key.
    int Clear(const sys::RECT* rect, int32_t colour);
    // Primary surfaces only.
    int Flip();
    int SetPalette(SDXPalette* palette);
    int SetClipper(SDXClipper* clipper);
    int RemoveClipper();
    // Copies (stretching to the destination rectangle) the source's rectangle; null rectangles
    // mean the whole surface. With useKey the source's colour key is transparent. A lost surface
    // is restored and the blit made once more.
    int Blt(SDXSurface* source, const sys::RECT* destRect, const sys::RECT* sourceRect, int useKey, int mirrorLeftRight,
            int mirrorUpDown);
    // The colour (0x00BBGGRR) in the surface's pixel format becomes its source colour key.
    int SetTransparentColor(sys::COLORREF colour);
    int ResetTransparentColor();
    // Gives a lost surface its memory back (made again from its description when the display
    // mode changed and an owner is given), then has its resource draw it again.
    int Restore(SDXDraw* owner);
    int GetDC(sys::HDC* dc);
    int ReleaseDC(sys::HDC dc);
    int Lock(sys::video::DDSURFACEDESC2* desc);
    int Unlock();
    int32_t GetWidth();
    int32_t GetHeight();
    int32_t GetPitch();
    int TextOut(int x, int y, const char* text, int length);
    // "[SDXSurface ( w x h )::<operation>] { <name> }:<result name>\n", cut to the text's room.
    const char* ReportError();
    // Gives back the surface (an attached back buffer only gives back this object's reference;
    // its primary keeps it).
    void Release();

    sys::video::IDirectDrawSurface4* GetSurface() const { return m_pSurface; }
    sys::video::IDirectDrawSurface4* GetAttachedTo() const { return m_pAttachedTo; }
    SDXDraw* GetOwner() const { return m_pOwner; }
    const sys::video::DDSURFACEDESC2& GetDesc() const { return m_Desc; }
    int IsPrimary() const { return m_bPrimary; }
    SResource* GetSource() const { return m_pSource; }
    int GetCachedWidth() const { return m_iWidth; }
    int GetCachedHeight() const { return m_iHeight; }
    uint32_t GetColourKey() const { return m_dwColourKey; }
    int HasColourKey() const { return m_bColourKey; }
    void* GetLocked() const { return m_pLocked; }
    int IsRestoring() const { return m_bRestoring; }
    const SString& GetName() const { return m_sName; }
    sys::video::HRESULT GetLastResult() const { return m_hrLast; }
    const char* GetErrorText() const { return m_szError; }

private:
    void ReadSize();

    sys::video::IDirectDrawSurface4* m_pSurface = nullptr;
    sys::video::IDirectDrawSurface4* m_pAttachedTo = nullptr;
    SDXDraw* m_pOwner = nullptr;
    sys::video::DDSURFACEDESC2 m_Desc;
    int m_bPrimary = 0;
    SResource* m_pSource = nullptr;
    int m_iWidth = 0;
    int m_iHeight = 0;
    uint32_t m_dwColourKey = 0;
    int m_bColourKey = 0;
    void* m_pLocked = nullptr;
    int m_bRestoring = 0;
    SString m_sName;
    sys::video::HRESULT m_hrLast = 0;
    char m_szError[128] = {};
    char m_szOp[32] = {};
};
