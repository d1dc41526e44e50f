#include "ui/layout/SLayoutDrawItems.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/SVector.h"
#include "dx/display/SDXSurface.h"
#include "sys/time/time.h"
#include "ui/SDC.h"
#include "ui/SFont.h"
#include "ui/SFrame.h"
#include "ui/layout/SLayout.h"
#include "ui/SSprite.h"

IMPLEMENT_DYNAMIC(SLayoutItemDraw, SLayoutItem)
IMPLEMENT_DYNAMIC(SLayoutItemImage, SLayoutItem)
IMPLEMENT_DYNAMIC(SLayoutItemSprite, SLayoutItem)

namespace {

constexpr int64_t kLastDrawable = 32767;

// The first of the steps from `start` that is not left of or above every drawable coordinate.
int64_t FirstDrawableStep(int64_t start, int64_t step) {
    if (start >= -kLastDrawable)
        return start;
    return start + (-kLastDrawable - start + step - 1) / step * step;
}

sys::RECT Intersect(const sys::RECT& a, const sys::RECT& b) {
    return sys::RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const sys::RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

// The arguments every kind needs before it draws anything.
int NeededArgs(int32_t nKind) {
    switch (nKind) {
    case SLayoutItemDraw::kBString:
    case SLayoutItemDraw::kBStringTick: return 5;
    case SLayoutItemDraw::kRect:
    case SLayoutItemDraw::kFrameRect:
    case SLayoutItemDraw::kGrid:
    case SLayoutItemDraw::kLine: return 4;
    default: return 3;
    }
}

// Truncated toward zero; values beyond the 32-bit range (script values can be anything) stop
// at its ends, and a value that is not a number counts as the largest.
int TruncateToInt(double dValue) {
    if (!(dValue < 2147483647.0))
        return INT32_MAX;
    if (dValue < -2147483648.0)
        return INT32_MIN;
    return static_cast<int>(dValue);
}

// Whole milliseconds times a per-second rate, truncated toward zero.
int ElapsedCount(uint32_t dwElapsed, double dRate) { return TruncateToInt(dwElapsed * 0.001 * dRate); }

}  // namespace

// ---- text and shapes ------------------------------------------------------------------------

void SLayoutItemDraw::Evaluate(SDC* pDC) {
    m_strText.Empty();
    m_rcRect = sys::RECT{};
    m_pFont = nullptr;
    m_iSpacing = 0;
    m_iRate = 5;
    m_byLoop = 1;
    m_iShown = 0;
    m_iStepX = m_iStepY = 10;
    m_dwStartTime = sys::time::TickCount();
    m_crColour = 0;
    m_byReady = GetArgCount() >= NeededArgs(m_iKind) ? 1 : 0;
    if (m_byReady) {
        if (IsText())
            EvaluateText(pDC);
        else
            EvaluateShape(pDC);
    }
    m_byEvaluated = 1;
}

void SLayoutItemDraw::EvaluateText(SDC* pDC) {
    const int count = GetArgCount();
    m_strText = ArgText(0, pDC);
    int fontArg = 3;
    if (m_iKind == kBString || m_iKind == kBStringTick) {
        m_rcRect = sys::RECT{ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC), ArgValue(4, pDC)};
        fontArg = 5;
        if (m_iKind == kBStringTick) {
            if (count >= 6)
                m_iRate = ArgValue(5, pDC);
            if (count >= 7)
                m_byLoop = ArgValue(6, pDC) != 0 ? 1 : 0;
            fontArg = 7;
        }
    } else {
        m_rcRect = sys::RECT{ArgValue(1, pDC), ArgValue(2, pDC), 0, 0};
    }
    if (count > fontArg) {
        m_pFont = m_pLayout->LoadResourceAlt(ArgText(fontArg, pDC), nullptr);
    } else if (pDC != nullptr && pDC->GetFont() != nullptr) {
        m_iSpacing = pDC->GetFont()->GetCharSpacing();
    }
    if (count > fontArg + 1)
        m_iSpacing = ArgValue(fontArg + 1, pDC);
}

void SLayoutItemDraw::EvaluateShape(SDC* pDC) {
    const int count = GetArgCount();
    m_rcRect = sys::RECT{ArgValue(0, pDC), ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC)};
    if (m_iKind == kGrid) {
        if (count >= 6) {
            m_iStepX = ArgValue(4, pDC);
            m_iStepY = ArgValue(5, pDC);
        }
        if (count >= 9)
            m_crColour = ArgColour(6, pDC);
    } else if (count == 7) {
        m_crColour = ArgColour(4, pDC);
    }
}

int32_t SLayoutItemDraw::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated || m_byRefresh)
        Evaluate(pDC);
    if (m_byReady && pDC != nullptr && m_pLayout != nullptr) {
        const sys::RECT block = BlockRect(pDC);
        if (IsText())
            RenderText(pDC, block);
        else
            RenderShape(pDC, block);
    }
    m_dwTime = sys::time::TickCount() - start;
    if (m_pLayout != nullptr)
        m_pLayout->AddTime(SLayout::kTimeText, m_dwTime);
    return 0;
}

int SLayoutItemDraw::RevealCount() {
    const int length = m_strText.GetLength();
    const uint32_t now = sys::time::TickCount();
    m_iShown = std::clamp(ElapsedCount(now - m_dwStartTime, m_iRate), 1, length);
    const int shown = m_iShown;
    if (shown == length) {
        if (m_byLoop) {
            m_iShown = 0;
            m_dwStartTime = now;
        } else {
            m_iRate = 0;
        }
    }
    return shown;
}

void SLayoutItemDraw::RenderText(SDC* pDC, const sys::RECT& rcBlock) {
    if (GetArgCount() >= 1)
        m_strText = ArgText(0, pDC);
    if (m_pFont == nullptr)
        m_pFont = pDC->GetFont();
    SFont* pPrevious = nullptr;
    int previousSpacing = 0;
    if (m_pFont != nullptr) {
        pPrevious = pDC->SelectFont(m_pFont);
        previousSpacing = m_pFont->GetCharSpacing();
        m_pFont->SetCharSpacing(m_iSpacing);
    }

    CString text = m_strText;
    if (m_iKind == kBStringTick && m_iRate != 0 && !m_strText.IsEmpty())
        text = m_strText.Left(RevealCount());

    if (m_iKind == kBString || m_iKind == kBStringTick) {
        sys::RECT box = PlaceInBlock(m_rcRect, rcBlock);
        if (IsInside(box, rcBlock))
            pDC->DrawText(text, box, sys::DT_WORDBREAK);
    } else {
        sys::SIZE size;
        pDC->GetTextExtent(text, size);
        const sys::RECT at = PlaceInBlock(m_rcRect, rcBlock);
        int64_t x = at.left;
        int64_t y = at.top;
        if (m_iKind == kCString || m_iKind == kIString)
            x -= size.cx / 2;
        else if (m_iKind == kRString)
            x -= size.cx;
        if (m_iKind == kIString)
            y -= size.cy / 2;
        if (IsInside(sys::RECT{Saturate(x), Saturate(y), Saturate(x + size.cx), Saturate(y + size.cy)}, rcBlock))
            pDC->TextOut(Saturate(x), Saturate(y), text, text.GetLength());
    }

    if (m_pFont != nullptr) {
        m_pFont->SetCharSpacing(previousSpacing);
        pDC->SelectFont(pPrevious);
    }
}

void SLayoutItemDraw::RenderShape(SDC* pDC, const sys::RECT& rcBlock) {
    const sys::RECT rect = PlaceInBlock(m_rcRect, rcBlock);
    // Steps below one pixel would never reach the far edge.
    if (m_iKind == kGrid && (m_iStepX < 1 || m_iStepY < 1))
        return;
    sys::HBRUSH hBrush = sys::gdi::CreateSolidBrush(m_crColour);
    sys::HPEN hPen = sys::gdi::CreatePen(sys::PS_SOLID, 1, m_crColour);
    const bool inside = IsInside(rect, rcBlock);
    switch (m_iKind) {
    case kRect:
        if (inside)
            pDC->Rectangle(rect, hPen, hBrush);
        break;
    case kFrameRect:
        if (inside)
            pDC->FrameRect(rect, hBrush);
        break;
    case kGrid:
        if (inside) {
            pDC->FrameRect(rect, hBrush);
            // Wide counters: a step past the largest coordinate must end the loop, not wrap. No
            // surface reaches past 16-bit coordinates, so only the lines within them are drawn:
            // a script's huge grid would otherwise hold the frame for billions of lines.
            for (int64_t x = FirstDrawableStep(rect.left, m_iStepX); x <= std::min<int64_t>(rect.right, kLastDrawable);
                 x += m_iStepX)
                pDC->Line(static_cast<int>(x), rect.top, static_cast<int>(x), rect.bottom, hPen);
            for (int64_t y = FirstDrawableStep(rect.top, m_iStepY); y <= std::min<int64_t>(rect.bottom, kLastDrawable);
                 y += m_iStepY)
                pDC->Line(rect.left, static_cast<int>(y), rect.right, static_cast<int>(y), hPen);
        }
        break;
    case kLine:
        pDC->Line(rect.left, rect.top, rect.right, rect.bottom, hPen);
        break;
    default:
        break;
    }
    sys::gdi::DeleteObject(hPen);
    sys::gdi::DeleteObject(hBrush);
}

// ---- images ---------------------------------------------------------------------------------

void SLayoutItemImage::LookUpSurface() {
    m_pSurface = m_pLayout->LoadImageSurface(m_strName, nullptr);
    m_dwSurfaceGeneration = m_pLayout->GetSurfaceGeneration();
    if (m_pSurface != nullptr)
        m_pSurface->SetTransparentColor(m_crKey);
}

void SLayoutItemImage::Evaluate(SDC* pDC) {
    m_crKey = 0xFF00FF;
    m_iCentred = 0;
    m_pSurface = nullptr;
    const int count = GetArgCount();
    m_byReady = count >= (m_iKind == kImg ? 3 : 5) && m_pLayout != nullptr ? 1 : 0;
    if (m_byReady) {
        m_strName = ArgText(0, pDC);
        m_iX = ArgValue(1, pDC);
        m_iY = ArgValue(2, pDC);
        if (m_iKind == kImg) {
            if (count >= 4)
                m_iCentred = ArgValue(3, pDC);
            if (count == 7)
                m_crKey = ArgColour(4, pDC);
        } else if (m_iKind == kImgTile) {
            m_iRight = ArgValue(3, pDC);
            m_iBottom = ArgValue(4, pDC);
        } else {
            m_iRadius = ArgValue(3, pDC);
            m_fAngle = ArgFloat(4, pDC);
            if (count >= 6)
                m_iCentred = ArgValue(5, pDC);
            if (count == 9)
                m_crKey = ArgColour(6, pDC);
        }
        LookUpSurface();
    }
    m_byEvaluated = 1;
}

int32_t SLayoutItemImage::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated || m_byRefresh)
        Evaluate(pDC);
    if (m_byReady && pDC != nullptr) {
        // The layout's surfaces were given up (a display change): never draw from the old one.
        if (m_dwSurfaceGeneration != m_pLayout->GetSurfaceGeneration())
            LookUpSurface();
        const sys::RECT block = BlockRect(pDC);
        if (m_iKind == kImgTile) {
            RenderTiles(pDC, PlaceInBlock(sys::RECT{m_iX, m_iY, m_iRight, m_iBottom}, block));
        } else {
            int x = m_iX;
            int y = m_iY;
            if (m_iKind == kImgDial) {
                m_fAngle = ArgFloat(4, pDC);
                SVector offset(0.0f, 0.0f, static_cast<float>(m_iRadius));
                offset.RotateByAngles(SVector(0.0f, m_fAngle, 0.0f));
                x = TruncateToInt(static_cast<double>(x) + TruncateToInt(offset.x));
                y = TruncateToInt(static_cast<double>(y) - TruncateToInt(offset.z));
            }
            const sys::RECT at = PlaceInBlock(sys::RECT{x, y, x, y}, block);
            RenderImage(pDC, block, at.left, at.top);
        }
    }
    m_dwTime = sys::time::TickCount() - start;
    if (m_pLayout != nullptr)
        m_pLayout->AddTime(SLayout::kTimeImage, m_dwTime);
    return 0;
}

void SLayoutItemImage::RenderImage(SDC* pDC, const sys::RECT& rcBlock, int x, int y) {
    if (m_pSurface == nullptr) {
        pDC->TextOut(x, y, m_strName, m_strName.GetLength());
        return;
    }
    const int width = m_pSurface->GetWidth();
    const int height = m_pSurface->GetHeight();
    const int64_t left = m_iCentred != 0 ? int64_t{x} - width / 2 : x;
    const int64_t top = m_iCentred != 0 ? int64_t{y} - height / 2 : y;
    x = Saturate(left);
    y = Saturate(top);
    const sys::RECT dest{x, y, Saturate(left + width), Saturate(top + height)};
    if (IsInside(dest, rcBlock)) {
        pDC->BlitSurface(m_pSurface, x, y);
        return;
    }
    const sys::RECT part = Intersect(dest, rcBlock);
    SDXSurface* pTarget = pDC->GetSurface();
    if (IsEmpty(part) || pTarget == nullptr)
        return;
    sys::RECT source{part.left - dest.left, part.top - dest.top, width - (dest.right - part.right),
                     height - (dest.bottom - part.bottom)};
    pTarget->Blt(m_pSurface, &part, &source, 1, 0, 0);
}

void SLayoutItemImage::RenderTiles(SDC* pDC, const sys::RECT& rcArea) {
    SDXSurface* pTarget = pDC->GetSurface();
    if (m_pSurface == nullptr) {
        pDC->TextOut(rcArea.left, rcArea.top, m_strName, m_strName.GetLength());
        return;
    }
    const int width = m_pSurface->GetWidth();
    const int height = m_pSurface->GetHeight();
    if (pTarget == nullptr || width <= 0 || height <= 0)
        return;
    // Tiles hang from the area's bottom-left corner; the top row and the right column are cut.
    // Rows and columns wholly off the target are skipped (they would draw nothing), so a huge
    // area costs no more than the target holds.
    const int64_t targetWidth = pTarget->GetWidth();
    const int64_t targetHeight = pTarget->GetHeight();
    int64_t firstBottom = rcArea.bottom;
    if (firstBottom > targetHeight + height)
        firstBottom -= (firstBottom - targetHeight) / height * height;
    int64_t firstLeft = rcArea.left;
    if (firstLeft < -width)
        firstLeft += (-firstLeft) / width * width - width;
    for (int64_t rowBottom = firstBottom; rowBottom >= 0 && rowBottom > rcArea.top; rowBottom -= height) {
        for (int64_t left = firstLeft; left < int64_t{rcArea.right} - 1 && left < targetWidth; left += width) {
            const sys::RECT tile{static_cast<int32_t>(left), static_cast<int32_t>(rowBottom - height),
                                 static_cast<int32_t>(std::min<int64_t>(left + width, INT32_MAX)),
                                 static_cast<int32_t>(rowBottom)};
            const sys::RECT piece = Intersect(tile, rcArea);
            if (IsEmpty(piece))
                continue;
            sys::RECT source{0, height - (piece.bottom - piece.top), piece.right - piece.left, height};
            pTarget->Blt(m_pSurface, &piece, &source, 1, 0, 0);
        }
    }
}

// ---- sprites --------------------------------------------------------------------------------

void SLayoutItemSprite::Evaluate(SDC* pDC) {
    m_iX = m_iY = 0;
    m_crKey = 0xFF00FF;
    m_iFirstFrame = 0;
    m_fFramesPerSecond = 0.0f;
    m_byLoop = 1;
    if (!m_byEvaluated)
        m_dwStartTime = sys::time::TickCount();
    const int count = GetArgCount();
    if (count >= 3) {
        m_strName = ArgText(0, pDC);
        m_iX = ArgValue(1, pDC);
        m_iY = ArgValue(2, pDC);
        if (m_iKind == kAnim) {
            if (count >= 4)
                m_fFramesPerSecond = ArgFloat(3, pDC);
            if (count >= 5)
                m_byLoop = ArgValue(4, pDC) != 0 ? 1 : 0;
        } else if (count >= 5) {
            m_iFirstFrame = ArgValue(4, pDC);
        }
        if (count >= 8)
            m_crKey = ArgColour(5, pDC);
    }
    m_byEvaluated = 1;
}

int SLayoutItemSprite::DialFrame(int32_t nAngle, int nFrames, int32_t nFirst) {
    if (nFrames <= 0)
        return -1;
    const int step = 360 / nFrames;
    if (step == 0)
        return -1;
    int64_t angle = nAngle % 360;
    if (angle < 0)
        angle += 360;
    int64_t index = angle / step + nFirst;
    if (angle % step > step / 2)
        ++index;
    if (index > nFrames - 1)
        index -= nFrames;
    else if (index < 0)
        index += nFrames;
    return index >= 0 && index < nFrames ? static_cast<int>(index) : -1;
}

int SLayoutItemSprite::AnimFrame(uint32_t dwElapsed, float fFramesPerSecond, int nFrames, bool bLoop) {
    if (nFrames <= 0)
        return -1;
    const int index = ElapsedCount(dwElapsed, fFramesPerSecond);
    if (index < 0)
        return -1;
    if (index > nFrames - 1)
        return bLoop ? index % nFrames : nFrames - 1;
    return index;
}

int32_t SLayoutItemSprite::Render(SDC* pDC) {
    const uint32_t start = sys::time::TickCount();
    if (!m_byEvaluated || m_byRefresh)
        Evaluate(pDC);
    SSprite* pSprite = nullptr;
    if (GetArgCount() >= 3 && m_pLayout != nullptr && pDC != nullptr)
        pSprite = m_pLayout->LoadResource(m_strName, nullptr);
    if (pSprite != nullptr) {
        const int frames = pSprite->GetFrameCount();
        int index = -1;
        if (m_iKind == kDial)
            index = DialFrame(GetArgCount() >= 4 ? ArgValue(3, pDC) : 0, frames, m_iFirstFrame);
        else
            index = AnimFrame(start - m_dwStartTime, m_fFramesPerSecond, frames, m_byLoop != 0);
        SFrame* pFrame = index >= 0 ? pSprite->GetFrame(index) : nullptr;
        if (pFrame != nullptr) {
            const sys::RECT block = BlockRect(pDC);
            const sys::RECT at = PlaceInBlock(sys::RECT{m_iX, m_iY, m_iX, m_iY}, block);
            const sys::POINT hot = pFrame->GetHotSpot();
            const int64_t left = int64_t{at.left} - hot.x;
            const int64_t top = int64_t{at.top} - hot.y;
            const sys::RECT drawn{Saturate(left), Saturate(top), Saturate(left + pFrame->GetWidth()),
                                  Saturate(top + pFrame->GetHeight())};
            if (IsInside(drawn, block)) {
                pSprite->SetCurrentFrame(index);
                if (SDXSurface* pSurface = pSprite->GetSurface())
                    pSurface->SetTransparentColor(m_crKey);
                pSprite->Draw(pDC->GetSurface(), at.left, at.top);
            }
        }
    }
    m_dwTime = sys::time::TickCount() - start;
    if (m_pLayout != nullptr)
        m_pLayout->AddTime(SLayout::kTimeSprite, m_dwTime);
    return 0;
}
