#include "ui/SSurfaceDC.h"

#include <cstring>

#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "ui/SDIB.h"
#include "ui/SFont.h"

namespace {

SSurfaceDCRegistry* g_pRegistry = nullptr;

// The surface's device context for the length of one drawing call.
class SurfaceDC {
public:
    explicit SurfaceDC(SDXSurface* pSurface) : m_pSurface(pSurface) {
        if (m_pSurface != nullptr && m_pSurface->GetDC(&m_hDC) == 0)
            m_hDC = nullptr;
    }
    ~SurfaceDC() { Release(); }
    SurfaceDC(const SurfaceDC&) = delete;
    SurfaceDC& operator=(const SurfaceDC&) = delete;

    sys::HDC Get() const { return m_hDC; }
    // The answer of giving the context back; 0 when there was none.
    int Release() {
        if (m_hDC == nullptr)
            return 0;
        const int nResult = m_pSurface->ReleaseDC(m_hDC);
        m_hDC = nullptr;
        return nResult;
    }

private:
    SDXSurface* m_pSurface;
    sys::HDC m_hDC = nullptr;
};

}  // namespace

void SSurfaceDC::SetRegistry(SSurfaceDCRegistry* pRegistry) { g_pRegistry = pRegistry; }

SSurfaceDCRegistry* SSurfaceDC::GetRegistry() { return g_pRegistry; }

SSurfaceDC::SSurfaceDC(SDXSurface* pSurface, bool bOwnsSurface)
    : m_pSurface(pSurface), m_bOwnsSurface(bOwnsSurface ? 1 : 0) {}

SSurfaceDC::~SSurfaceDC() {
    if (m_bOwnsSurface != 0)
        delete m_pSurface;
    if (g_pRegistry != nullptr)
        g_pRegistry->RemoveSurfaceDC(this);
}

int SSurfaceDC::CreateSurfaceOn(SDXDraw* pDisplay, int nWidth, int nHeight) {
    if (m_pSurface == nullptr || pDisplay == nullptr)
        return 0;
    sys::video::DDSURFACEDESC2 desc;
    desc.dwFlags = sys::video::DDSD_CAPS | sys::video::DDSD_HEIGHT | sys::video::DDSD_WIDTH;
    desc.ddsCaps.dwCaps = sys::video::DDSCAPS_OFFSCREENPLAIN | sys::video::DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = static_cast<uint32_t>(nWidth);
    desc.dwHeight = static_cast<uint32_t>(nHeight);
    ForgetPacked();
    if (m_pSurface->CreateSurfaceDesc(&desc, pDisplay, 0) == 0)
        return 0;
    m_pSurface->SetTransparentColor(kColourKey);
    m_iWidth = nWidth;
    m_iHeight = nHeight;
    return 1;
}

SDC* SSurfaceDC::CreateCompatibleDC(int nWidth, int nHeight) {
    if (m_pSurface == nullptr || g_pRegistry == nullptr)
        return nullptr;
    auto* pDC = new SSurfaceDC(new SDXSurface, true);
    if (pDC->CreateSurfaceOn(g_pRegistry->GetDisplay(), nWidth, nHeight) == 0) {
        delete pDC;
        return nullptr;
    }
    g_pRegistry->AddSurfaceDC(pDC);
    return pDC;
}

int SSurfaceDC::BlitSurface(SDXSurface* pSource, int x, int y) {
    if (m_pSurface != nullptr && pSource != nullptr) {
        const sys::RECT rcDest{x, y, x + pSource->GetWidth(), y + pSource->GetHeight()};
        m_pSurface->Blt(pSource, &rcDest, nullptr, 1, 0, 0);
    }
    return 1;
}

int SSurfaceDC::DrawImageFrom(const sys::RECT& rcDest, SResource* pImage, SDC* pSource, uint32_t) {
    if (m_pSurface == nullptr || pImage == nullptr || pSource == nullptr || pSource->GetSurface() == nullptr)
        return 0;
    sys::RECT rcSource;
    pImage->GetRect(&rcSource);
    if (rcSource.left == rcSource.right) {
        DrawImage(rcDest, pImage, 0, 0);
        return 1;
    }
    return m_pSurface->Blt(pSource->GetSurface(), &rcDest, &rcSource, 1, 0, 0);
}

int SSurfaceDC::CreateSurface(int nWidth, int nHeight) {
    return CreateSurfaceOn(g_pRegistry != nullptr ? g_pRegistry->GetDisplay() : nullptr, nWidth, nHeight);
}

void SSurfaceDC::FillRect(const sys::RECT& rect, sys::HBRUSH hBrush, sys::COLORREF crText, sys::COLORREF crBack) {
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return;
    sys::gdi::SetTextColor(dc.Get(), crText);
    sys::gdi::SetBkColor(dc.Get(), crBack);
    sys::gdi::FillRect(dc.Get(), rect, hBrush);
}

void SSurfaceDC::FillRgn(const sys::video::RGNDATA* pRegion, sys::HBRUSH hBrush, sys::COLORREF crText,
                         sys::COLORREF crBack) {
    if (pRegion == nullptr || hBrush == nullptr)
        return;
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return;
    sys::gdi::SetTextColor(dc.Get(), crText);
    sys::gdi::SetBkColor(dc.Get(), crBack);
    // A region is the rectangles that follow its header.
    const sys::RECT* pRects = pRegion->Buffer;
    for (uint32_t i = 0; i < pRegion->rdh.nCount; ++i)
        sys::gdi::FillRect(dc.Get(), pRects[i], hBrush);
}

void SSurfaceDC::FrameRect(const sys::RECT& rect, sys::HBRUSH hBrush) {
    if (hBrush == nullptr)
        return;
    SurfaceDC dc(m_pSurface);
    if (dc.Get() != nullptr)
        sys::gdi::FrameRect(dc.Get(), rect, hBrush);
}

void SSurfaceDC::Rectangle(const sys::RECT& rect, sys::HPEN hPen, sys::HBRUSH hBrush) {
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return;
    sys::HGDIOBJ hOldPen = hPen != nullptr ? sys::gdi::SelectObject(dc.Get(), hPen) : nullptr;
    sys::HGDIOBJ hOldBrush = hBrush != nullptr ? sys::gdi::SelectObject(dc.Get(), hBrush) : nullptr;
    sys::gdi::Rectangle(dc.Get(), rect.left, rect.top, rect.right, rect.bottom);
    if (hOldBrush != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldBrush);
    if (hOldPen != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldPen);
}

int SSurfaceDC::Line(int x1, int y1, int x2, int y2, sys::HPEN hPen) {
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return 0;
    sys::HGDIOBJ hOldPen = hPen != nullptr ? sys::gdi::SelectObject(dc.Get(), hPen) : nullptr;
    const bool bMoved = sys::gdi::MoveToEx(dc.Get(), x1, y1, nullptr);
    const bool bDrawn = bMoved && sys::gdi::LineTo(dc.Get(), x2, y2);
    if (hOldPen != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldPen);
    return bDrawn ? 1 : 0;
}

void SSurfaceDC::HighlightRect(const sys::RECT& rect) {
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return;
    sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(kHighlightColour);
    if (hBrush == nullptr)
        return;
    // The brush and the mix mode are the context's own state: both are put back, and the
    // brush is deselected before it is deleted, so nothing drawn later is merged by mistake.
    sys::HGDIOBJ hOldBrush = sys::gdi::SelectObject(dc.Get(), hBrush);
    const int nOldMode = sys::gdi::SetROP2(dc.Get(), sys::R2_MERGEPEN);
    sys::gdi::Rectangle(dc.Get(), rect.left, rect.top, rect.right, rect.bottom);
    if (nOldMode != 0)
        sys::gdi::SetROP2(dc.Get(), nOldMode);
    if (hOldBrush != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldBrush);
    sys::gdi::DeleteObject(hBrush);
}

void SSurfaceDC::TextOut(int x, int y, const char* pszText, int nCount) {
    if (pszText == nullptr)
        return;
    if (m_pFont != nullptr) {
        m_pFont->TextOut(x, y, pszText, nCount, m_pSurface, false);
        return;
    }
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return;
    sys::gdi::SetBkMode(dc.Get(), sys::TRANSPARENT);
    sys::HGDIOBJ hOldFont = m_hGdiFont != nullptr ? sys::gdi::SelectObject(dc.Get(), m_hGdiFont) : nullptr;
    sys::gdi::TextOut(dc.Get(), x, y, pszText, nCount);
    if (hOldFont != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldFont);
}

void SSurfaceDC::DrawText(const char* pszText, sys::RECT& rect, uint32_t dwFormat) {
    if (pszText == nullptr)
        return;
    if (m_pFont != nullptr) {
        m_pFont->DrawText(pszText, &rect, dwFormat, m_pSurface);
        return;
    }
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return;
    sys::gdi::SetBkMode(dc.Get(), sys::TRANSPARENT);
    sys::HGDIOBJ hOldFont = m_hGdiFont != nullptr ? sys::gdi::SelectObject(dc.Get(), m_hGdiFont) : nullptr;
    sys::gdi::DrawText(dc.Get(), pszText, -1, &rect, dwFormat);
    if (hOldFont != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldFont);
}

int SSurfaceDC::GetTextExtent(const char* pszText, sys::SIZE& size) {
    if (m_pSurface == nullptr || pszText == nullptr)
        return 0;
    if (m_pFont != nullptr) {
        const sys::SIZE extent = m_pFont->GetTextExtent(pszText, -1);
        size.cx = extent.cx;
        size.cy = extent.cy;
        return 1;
    }
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return 0;
    sys::HGDIOBJ hOldFont = m_hGdiFont != nullptr ? sys::gdi::SelectObject(dc.Get(), m_hGdiFont) : nullptr;
    const bool bMeasured =
        sys::gdi::GetTextExtentPoint32(dc.Get(), pszText, static_cast<int>(std::strlen(pszText)), &size);
    if (hOldFont != nullptr)
        sys::gdi::SelectObject(dc.Get(), hOldFont);
    return bMeasured ? 1 : 0;
}

int SSurfaceDC::DrawImage(const sys::RECT& rect, SResource* pImage, int32_t, int32_t) {
    if (m_pSurface == nullptr || pImage == nullptr || !pImage->IsKindOf(RUNTIME_CLASS(SDIB)))
        return 0;
    SurfaceDC dc(m_pSurface);
    if (dc.Get() == nullptr)
        return 0;
    static_cast<SDIB*>(pImage)->DrawToDC(dc.Get(), rect.left, rect.top, sys::SRCCOPY);
    return dc.Release();
}

SDXSurface* SSurfaceDC::GetSurface() { return m_pSurface; }

SDXSurface* SSurfaceDC::SetSurface(SDXSurface* pSurface) {
    m_pSurface = pSurface;
    return m_pSurface;
}

void SSurfaceDC::DropSurface() {
    if (m_pSurface == nullptr)
        return;
    m_iWidth = m_pSurface->GetWidth();
    m_iHeight = m_pSurface->GetHeight();
    if (m_bOwnsSurface != 0)
        delete m_pSurface;
    m_pSurface = nullptr;
}

int SSurfaceDC::RebuildSurface(SDXDraw* pDisplay) {
    if (m_pSurface == nullptr) {
        // The context made this surface object, so it is the context's to delete again.
        m_pSurface = new SDXSurface(CString("SurfaceDCRebuilt"));
        m_bOwnsSurface = 1;
    }
    if (pDisplay == nullptr && g_pRegistry != nullptr)
        pDisplay = g_pRegistry->GetDisplay();
    return CreateSurfaceOn(pDisplay, m_iWidth, m_iHeight);
}

// ---- SGdiFont -------------------------------------------------------------------------------

SGdiFont::SGdiFont(int nHeight, const char* pszFaceName) { Create(nHeight, pszFaceName); }

SGdiFont::~SGdiFont() { Delete(); }

bool SGdiFont::Create(int nHeight, const char* pszFaceName) {
    Delete();
    m_hFont = sys::gdi::CreateFont(nHeight, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 2, pszFaceName);
    return m_hFont != nullptr;
}

void SGdiFont::Delete() {
    if (m_hFont != nullptr)
        sys::gdi::DeleteObject(m_hFont);
    m_hFont = nullptr;
}

void SGdiFont::DrawTextCentered(sys::HDC hDC, int x, int y, const char* pszText, int nCount, uint32_t dwFormat) {
    if (hDC == nullptr || pszText == nullptr)
        return;
    sys::HGDIOBJ hOldFont = m_hFont != nullptr ? sys::gdi::SelectObject(hDC, m_hFont) : nullptr;
    sys::SIZE size;
    sys::gdi::GetTextExtentPoint32(hDC, pszText, nCount, &size);
    const int nHalf = size.cx / 2;
    sys::RECT rect{x - nHalf, y, x + nHalf, y + size.cy};
    const sys::COLORREF crOldBack = sys::gdi::SetBkColor(hDC, 0);
    const sys::COLORREF crOldText = sys::gdi::SetTextColor(hDC, 0x00FF00);
    const int nOldMode = sys::gdi::SetBkMode(hDC, sys::TRANSPARENT);
    sys::gdi::DrawText(hDC, pszText, nCount, &rect, dwFormat);
    if (hOldFont != nullptr)
        sys::gdi::SelectObject(hDC, hOldFont);
    sys::gdi::SetBkColor(hDC, crOldBack);
    sys::gdi::SetTextColor(hDC, crOldText);
    if (nOldMode != 0)
        sys::gdi::SetBkMode(hDC, nOldMode);
}
