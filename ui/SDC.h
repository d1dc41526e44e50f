#pragma once

#include <cstdint>

#include "sys/gdi/gdi.h"
#include "sys/video/video.h"
#include "sys/window/window.h"

class SDXSurface;
class SFont;
class SResource;

// The drawing context every window, widget and font of the interface draws through. It is an
// interface with harmless defaults: a context that cannot do something simply does nothing, so
// a window may draw into any context it is handed. SSurfaceDC is the one full implementation.
// The context does not own the fonts selected into it; whoever makes a context deletes it.
//
// The virtual operations keep one fixed order (the destructor included), which every
// implementation shares. Rectangles are left/top inclusive, right/bottom exclusive; colours are
// COLORREF values. Brushes, pens and fonts are the GDI layer's handles (null allowed where
// noted); a region is the platform's rectangle-list region record.
class SDC {
public:
    SDC() = default;
    SDC(const SDC&) = delete;
    SDC& operator=(const SDC&) = delete;

    // A new context, owned by the caller, on a new off-screen surface of that size (system
    // memory, colour key magenta). Null here.
    virtual SDC* CreateCompatibleDC(int nWidth, int nHeight);
    // Copies the whole source surface with its top-left corner at (x, y), with the source's
    // colour key. 1, also when nothing was drawn.
    virtual int BlitSurface(SDXSurface* pSource, int x, int y);
    // Draws an image that was packed onto the source context's surface: its source rectangle
    // there is blitted into the destination; an image with no source rectangle draws itself
    // through DrawImage instead. dwFlags is not used. 1 here.
    virtual int DrawImageFrom(const sys::RECT& rcDest, SResource* pImage, SDC* pSource, uint32_t dwFlags);
    // Gives this context an off-screen surface of its own of that size. 1 here.
    virtual int CreateSurface(int nWidth, int nHeight);
    // Sits here in the table on purpose: implementations rely on the slot order.
    virtual ~SDC();
    virtual void FillRect(const sys::RECT& rect, sys::HBRUSH hBrush, sys::COLORREF crText, sys::COLORREF crBack);
    virtual void FillRgn(const sys::video::RGNDATA* pRegion, sys::HBRUSH hBrush, sys::COLORREF crText,
                         sys::COLORREF crBack);
    // A one-pixel frame just inside the rectangle.
    virtual void FrameRect(const sys::RECT& rect, sys::HBRUSH hBrush);
    // Outline with the pen and inside with the brush; a null one keeps the context's own.
    virtual void Rectangle(const sys::RECT& rect, sys::HPEN hPen, sys::HBRUSH hBrush);
    // 1 when the line was drawn; 0 here.
    virtual int Line(int x1, int y1, int x2, int y2, sys::HPEN hPen);
    // ORs a light colour into the rectangle: the mark of a highlighted item.
    virtual void HighlightRect(const sys::RECT& rect);
    // nCount -1: the text runs to its terminating zero.
    virtual void TextOut(int x, int y, const char* pszText, int nCount);
    // Every context answers 0; the slot is kept so the later ones stay in place.
    virtual int32_t QueryValue(int32_t nValue);
    // dwFormat takes the DT_ bits; with DT_CALCRECT the rectangle is measured, not drawn.
    virtual void DrawText(const char* pszText, sys::RECT& rect, uint32_t dwFormat);
    // Size of the whole text. Here 0 x 0 and 1.
    virtual int GetTextExtent(const char* pszText, sys::SIZE& size);
    // The image (a device-independent bitmap) at its own size at the rectangle's top-left.
    // The two values are passed as 0. 1 here.
    virtual int DrawImage(const sys::RECT& rect, SResource* pImage, int32_t nValue1, int32_t nValue2);
    // The three font operations are real in every context: each answers the previous font so a
    // caller can put it back; null is allowed.
    virtual sys::HFONT SelectGdiFont(sys::HFONT hFont);
    virtual SFont* SelectFont(SFont* pFont);
    virtual SFont* GetFont();
    // Null here.
    virtual SDXSurface* GetSurface();
    // Answers the surface; nothing here.
    virtual SDXSurface* SetSurface(SDXSurface* pSurface);

    sys::HFONT GetGdiFont() const { return m_hGdiFont; }

    // An image has one source rectangle, but pages and dialogs that share it pack it into
    // different contexts: its place holds its picture only on the context it was packed into
    // last. A null context records that it lies on none; an image that is destroyed takes its
    // note with it.
    static void NotePacked(const SResource* pImage, const SDC* pDC);
    bool HoldsPacked(const SResource* pImage) const;
    // The images packed here are gone: a new packing begins or the surface is made anew.
    void ForgetPacked() const;

protected:
    sys::HFONT m_hGdiFont = nullptr;  // used by text when no engine font is selected
    SFont* m_pFont = nullptr;         // when set, text goes through the font's glyph cache
};
