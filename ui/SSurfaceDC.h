#pragma once

#include <cstdint>

#include "sys/gdi/gdi.h"
#include "sys/video/video.h"
#include "sys/window/window.h"
#include "ui/SDC.h"

class SDXDraw;
class SDXSurface;
class SSurfaceDC;

// The display manager's side of the surface drawing contexts: the DirectDraw object their
// surfaces are made through, and the list of contexts made by CreateCompatibleDC, whose
// surfaces it drops before a display change and rebuilds after it. The display manager
// installs one with SSurfaceDC::SetRegistry at start-up and removes it before it goes; without
// one, contexts cannot make surfaces of their own.
class SSurfaceDCRegistry {
public:
    virtual ~SSurfaceDCRegistry() = default;
    virtual SDXDraw* GetDisplay() = 0;
    virtual void AddSurfaceDC(SSurfaceDC* pDC) = 0;
    virtual void RemoveSurfaceDC(SSurfaceDC* pDC) = 0;
};

// The drawing context on a DirectDraw surface: shapes and GDI text through the surface's device
// context, images through blits, engine-font text through the font's glyph cache. The display
// manager keeps one on its back buffer, one on each interface surface and one per modal dialog;
// CreateCompatibleDC makes off-screen ones, owned by the caller and registered with the display
// manager until deleted. Without a surface (or when the device context cannot be had) every
// operation draws nothing and answers its failure value.
class SSurfaceDC : public SDC {
public:
    SSurfaceDC() = default;
    SSurfaceDC(SDXSurface* pSurface, bool bOwnsSurface);

    SDC* CreateCompatibleDC(int nWidth, int nHeight) override;
    int BlitSurface(SDXSurface* pSource, int x, int y) override;
    int DrawImageFrom(const sys::RECT& rcDest, SResource* pImage, SDC* pSource, uint32_t dwFlags) override;
    // Needs the surface object; makes its DirectDraw surface anew (system memory, magenta key).
    int CreateSurface(int nWidth, int nHeight) override;
    ~SSurfaceDC() override;
    void FillRect(const sys::RECT& rect, sys::HBRUSH hBrush, sys::COLORREF crText, sys::COLORREF crBack) override;
    void FillRgn(const sys::video::RGNDATA* pRegion, sys::HBRUSH hBrush, sys::COLORREF crText,
                 sys::COLORREF crBack) override;
    void FrameRect(const sys::RECT& rect, sys::HBRUSH hBrush) override;
    void Rectangle(const sys::RECT& rect, sys::HPEN hPen, sys::HBRUSH hBrush) override;
    int Line(int x1, int y1, int x2, int y2, sys::HPEN hPen) override;
    // The context's pen outlines the rectangle (a black pen ORs nothing in) and the inside gets
    // the highlight colour ORed in.
    void HighlightRect(const sys::RECT& rect) override;
    void TextOut(int x, int y, const char* pszText, int nCount) override;
    void DrawText(const char* pszText, sys::RECT& rect, uint32_t dwFormat) override;
    // 0 without a surface.
    int GetTextExtent(const char* pszText, sys::SIZE& size) override;
    // Only device-independent bitmaps (SDIB) draw; anything else answers 0.
    int DrawImage(const sys::RECT& rect, SResource* pImage, int32_t nValue1, int32_t nValue2) override;
    SDXSurface* GetSurface() override;
    // Ownership stays as it was.
    SDXSurface* SetSurface(SDXSurface* pSurface) override;

    // Before a display change: remembers the surface's size and lets the surface object go
    // (deleted when the context owns it).
    void DropSurface();
    // After it: a new surface object when there is none, and a new, empty surface of the
    // remembered size made through the given display (the registry's when null).
    int RebuildSurface(SDXDraw* pDisplay);

    int GetWidth() const { return m_iWidth; }
    int GetHeight() const { return m_iHeight; }
    bool OwnsSurface() const { return m_bOwnsSurface != 0; }

    static void SetRegistry(SSurfaceDCRegistry* pRegistry);
    static SSurfaceDCRegistry* GetRegistry();

    // The highlight colour: red 0x7F, green 0x7F, blue 0x3F.
    static constexpr sys::COLORREF kHighlightColour = 0x3F7F7F;
    // Transparent colour of the surfaces the context makes.
    static constexpr sys::COLORREF kColourKey = 0xFF00FF;

private:
    int CreateSurfaceOn(SDXDraw* pDisplay, int nWidth, int nHeight);

    int m_iWidth = 0;
    int m_iHeight = 0;
    SDXSurface* m_pSurface = nullptr;
    int m_bOwnsSurface = 0;
};

// A GDI font for plain labels: the renderer prints its green statistics with it. Owns its
// handle.
class SGdiFont {
public:
    SGdiFont() = default;
    SGdiFont(int nHeight, const char* pszFaceName);
    ~SGdiFont();
    SGdiFont(const SGdiFont&) = delete;
    SGdiFont& operator=(const SGdiFont&) = delete;

    // A normal-weight, variable-pitch font of that height; any held font is deleted first.
    bool Create(int nHeight, const char* pszFaceName);
    void Delete();
    // Green text centred on x, its top at y; the context's state is put back afterwards.
    void DrawTextCentered(sys::HDC hDC, int x, int y, const char* pszText, int nCount, uint32_t dwFormat);

    sys::HFONT GetHandle() const { return m_hFont; }

private:
    sys::HFONT m_hFont = nullptr;
};
