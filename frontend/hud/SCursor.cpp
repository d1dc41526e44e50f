#include "frontend/hud/SCursor.h"

#include <algorithm>

#include "app/SGameObjects.h"
#include "dx/display/SDXDraw.h"
#include "dx/display/SDXSurface.h"
#include "dx/display/SGraphics.h"
#include "dx/input/SInputObj.h"
#include "sys/time/time.h"
#include "ui/SFrame.h"

IMPLEMENT_DYNAMIC(SCursor, SSprite)

namespace {

// Where the frame's picture lands for a cursor at (x, y): its hot spot on the point, then
// moved by the offset of the client area on the target.
sys::RECT FrameArea(SFrame* pFrame, int x, int y, const sys::POINT* pOffset) {
    const sys::POINT hot = pFrame->GetHotSpot();
    const int left = x - hot.x + (pOffset != nullptr ? pOffset->x : 0);
    const int top = y - hot.y + (pOffset != nullptr ? pOffset->y : 0);
    return sys::RECT{left, top, left + pFrame->GetWidth(), top + pFrame->GetHeight()};
}

}  // namespace

SCursor::SCursor() { Init(); }

SCursor::SCursor(int iFollowInput, SDXDraw* pOwner) : m_iFollowInput(iFollowInput), m_pOwner(pOwner) { Init(); }

SCursor::~SCursor() { ReleaseSaveSurface(); }

void SCursor::ReleaseSaveSurface() {
    delete m_pSaveSurface;
    m_pSaveSurface = nullptr;
}

// --- SSprite ----------------------------------------------------------------------------------

void SCursor::Init() {
    SSprite::Init();
    m_iLastX = 0;
    m_iLastY = 0;
    // Initialising never leaves a surface behind unreleased.
    ReleaseSaveSurface();
    m_pLastFrame = nullptr;
    m_dwLastUpdate = 0;
    m_dwLastAnimate = 0;
    m_bSaveUnder = 1;
    m_dwCaps = kCursorCaps;
}

void SCursor::Clear() {
    SSprite::Clear();
    // The frames are gone: the last one drawn must not be read again.
    m_pLastFrame = nullptr;
    ReleaseSaveSurface();
}

int SCursor::RestoreSurfaces(SDXDraw* draw) {
    SSprite::RestoreSurfaces(draw);
    if (m_pSaveSurface == nullptr)
        return 0;
    return m_pSaveSurface->Restore(draw);
}

// --- SDisplayCursor ---------------------------------------------------------------------------

uint8_t SCursor::SetDrawMode(uint8_t onPrimary) {
    // The back buffer is drawn whole again before every cursor update (by the screen in the
    // main loop, by the page and the dialog in a modal loop), so pixels saved from it belong to
    // a frame that no longer exists: putting them back would paint an old frame into the new
    // one. Only the primary keeps its pixels between updates, so only there is the old image
    // taken off by restoring what was saved under it.
    const uint8_t previous = m_bSaveUnder;
    m_bSaveUnder = onPrimary != 0 ? 1 : 0;
    return previous;
}

int SCursor::DrawOnto(SDXSurface* dest, const sys::RECT* rect) {
    if (rect == nullptr) {
        Update(dest, nullptr);
        return 1;
    }
    const sys::POINT offset{rect->left, rect->top};
    Update(dest, &offset);
    return 1;
}

void SCursor::SurfacesLost() {
    // What was saved belongs to a frame that will not be presented again. The image surface is
    // kept: it is restored (or made again from its frames) once the display is back.
    ReleaseSaveSurface();
    m_pLastFrame = nullptr;
}

int SCursor::SurfacesRebuilt(SGraphics* display) {
    if (display != nullptr)
        m_pOwner = display;
    if (m_pSurface != nullptr)
        SSprite::RestoreSurfaces(m_pOwner);
    else
        SSprite::RebuildSurface(m_pOwner);
    return CreateSaveSurface();
}

int SCursor::RestoreSurfaces(SGraphics* display) { return RestoreSurfaces(static_cast<SDXDraw*>(display)); }

// --- Surfaces ---------------------------------------------------------------------------------

int SCursor::CreateSaveSurface() {
    ReleaseSaveSurface();
    int width = 0;
    int height = 0;
    for (POSITION pos = m_Frames.GetHeadPosition(); pos != nullptr;) {
        SFrame* frame = m_Frames.GetNext(pos);
        width = std::max(width, static_cast<int>(frame->GetWidth()));
        height = std::max(height, static_cast<int>(frame->GetHeight()));
    }
    if (m_pOwner == nullptr || width <= 0 || height <= 0)
        return 0;
    m_pSaveSurface = new SDXSurface(CString("Cursor Save Surface"));
    if (!m_pSaveSurface->CreateSurface(m_pOwner, width, height, m_dwCaps, nullptr, 0)) {
        ReleaseSaveSurface();
        return 0;
    }
    if (m_pSurface != nullptr)
        m_pSurface->SetTransparentColor(kTransparent);
    return 1;
}

void SCursor::ReleaseSurfaces() {
    SSprite::ReleaseSurface();
    ReleaseSaveSurface();
}

int SCursor::CreateCursor(SDXDraw* pOwner) {
    if (pOwner != nullptr)
        m_pOwner = pOwner;
    if (!SSprite::CreateSurface(m_pOwner))
        return 0;
    if (!SSprite::DrawFrames(nullptr))
        return 0;
    return CreateSaveSurface();
}

uint8_t SCursor::SetSaveUnder(uint8_t bEnable) {
    const uint8_t previous = m_bSaveUnder;
    m_bSaveUnder = bEnable;
    return previous;
}

// --- Drawing ----------------------------------------------------------------------------------

bool SCursor::CutToSurface(sys::RECT& dest, sys::RECT& source, int width, int height) {
    if (dest.left < 0) {
        source.left -= dest.left;
        dest.left = 0;
    }
    if (dest.top < 0) {
        source.top -= dest.top;
        dest.top = 0;
    }
    if (dest.left > width || dest.top > height) {
        dest = source = sys::RECT{0, 0, 0, 0};
        return false;
    }
    if (dest.bottom > height) {
        source.bottom -= dest.bottom - height;
        dest.bottom = height;
    }
    if (dest.right > width) {
        source.right -= dest.right - width;
        dest.right = width;
    }
    return dest.right > dest.left && dest.bottom > dest.top;
}

void SCursor::Erase(SDXSurface* pTarget, const sys::POINT* pOffset) {
    RestoreBackground(pTarget, GetCurrent(), pOffset);
}

void SCursor::RestoreBackground(SDXSurface* pTarget, SFrame*, const sys::POINT* pOffset) {
    if (!m_bSaveUnder || m_pSaveSurface == nullptr || pTarget == nullptr || m_pLastFrame == nullptr)
        return;
    // Cut the same way as when it was saved, so exactly the saved pixels go back.
    sys::RECT dest = FrameArea(m_pLastFrame, m_iLastX, m_iLastY, pOffset);
    sys::RECT source{0, 0, dest.right - dest.left, dest.bottom - dest.top};
    if (CutToSurface(dest, source, pTarget->GetWidth(), pTarget->GetHeight()))
        pTarget->Blt(m_pSaveSurface, &dest, &source, 0, 0, 0);
}

void SCursor::SaveBackground(SDXSurface* pTarget, SFrame* pFrame, const sys::POINT* pOffset) {
    if (m_pSaveSurface != nullptr && pTarget != nullptr && pFrame != nullptr) {
        const int width = pTarget->GetWidth();
        const int height = pTarget->GetHeight();
        sys::RECT area = FrameArea(pFrame, m_iX, m_iY, pOffset);
        sys::RECT saved{0, 0, area.right - area.left, area.bottom - area.top};
        bool bCut = CutToSurface(area, saved, width, height);
        if (!bCut) {
            area = FrameArea(pFrame, m_iLastX, m_iLastY, pOffset);
            saved = sys::RECT{0, 0, area.right - area.left, area.bottom - area.top};
            bCut = CutToSurface(area, saved, width, height);
        }
        if (bCut)
            m_pSaveSurface->Blt(pTarget, &saved, &area, 0, 0, 0);
    }
    m_iLastX = m_iX;
    m_iLastY = m_iY;
    m_pLastFrame = pFrame;
}

void SCursor::DrawFrame(SDXSurface* pTarget, SFrame* pFrame, const sys::POINT* pOffset) {
    if (pTarget == nullptr || pFrame == nullptr || m_pSurface == nullptr)
        return;
    // Hiding and showing once reads the display count and leaves it as it was.
    const int count = sys::window::ShowCursor(false) + 1;
    sys::window::ShowCursor(true);
    if (count < 0)
        return;
    sys::RECT dest = FrameArea(pFrame, m_iX, m_iY, pOffset);
    sys::RECT source = pFrame->GetFrameRect();
    // A doubled frame is stretched; the cut must move the source in its own scale.
    if (dest.right - dest.left != source.right - source.left || dest.bottom - dest.top != source.bottom - source.top) {
        const sys::RECT bounds{0, 0, pTarget->GetWidth(), pTarget->GetHeight()};
        if (ClipRects(&dest, &source, &bounds))
            pTarget->Blt(m_pSurface, &dest, &source, 1, 0, 0);
        return;
    }
    if (CutToSurface(dest, source, pTarget->GetWidth(), pTarget->GetHeight()))
        pTarget->Blt(m_pSurface, &dest, &source, 1, 0, 0);
}

void SCursor::Animate() {
    const uint32_t now = sys::time::TickCount();
    if (now - m_dwLastAnimate <= kFramePeriod)
        return;
    const int count = GetFrameCount();
    if (count > 0)
        m_iCurrentFrame = (m_iCurrentFrame + 1) % count;
    m_dwLastAnimate = now;
}

void SCursor::Update(SDXSurface* pTarget, const sys::POINT* pOffset) {
    if (m_iFollowInput != 0) {
        SInputObj* pInput = m_pInput != nullptr ? m_pInput : SGameObjects::Instance()->m_pInput;
        sys::POINT point{0, 0};
        if (pInput != nullptr && pInput->GetCursorPosition(point))
            SetPosition(point.x, point.y);
    }
    SFrame* pFrame = GetCurrent();
    const bool bChanged = !(m_iX == m_iLastX && m_iY == m_iLastY && pFrame == m_pLastFrame);

    if (m_pSurface != nullptr) {
        if (bChanged && m_bSaveUnder)
            RestoreBackground(pTarget, pFrame, pOffset);
        sys::POINT pointer{0, 0};
        sys::window::GetCursorPos(pointer);
        bool bInside = true;
        if (const sys::HWND hwnd = sys::window::GetMainWindow()) {
            sys::window::ScreenToClient(hwnd, pointer);
            sys::RECT client{0, 0, 0, 0};
            sys::window::GetClientRect(hwnd, client);
            bInside = pointer.x >= client.left - kClientMargin && pointer.x < client.right + kClientMargin &&
                      pointer.y >= client.top - kClientMargin && pointer.y < client.bottom + kClientMargin;
        }
        if (bInside) {
            if (!(m_bSaveUnder && !bChanged))
                SaveBackground(pTarget, pFrame, pOffset);
            DrawFrame(pTarget, pFrame, pOffset);
        }
    }
    Animate();
    m_dwLastUpdate = sys::time::TickCount();
}

// --- Copy -------------------------------------------------------------------------------------

void SCursor::CopyFrom(SSprite* pDefinition) {
    Clear();
    Init();
    if (pDefinition == nullptr)
        return;
    // Position, current frame, sizes, names, values and a copy of every frame.
    pDefinition->Clone(this);
    if (SDXSurface* pSource = pDefinition->GetSurface()) {
        m_dwWidthSum = static_cast<uint32_t>(pSource->GetWidth());
        m_dwHeightSum = static_cast<uint32_t>(pSource->GetHeight());
    }
    m_dwCaps = kCursorCaps;
    CreateCursor(m_pOwner);
    SDXSurface* pSource = pDefinition->GetSurface();
    if (pSource != nullptr && m_pSurface != nullptr) {
        pSource->Restore(m_pOwner);
        m_pSurface->Blt(pSource, nullptr, nullptr, 0, 0, 0);
        m_pSurface->SetTransparentColor(kTransparent);
        CreateSaveSurface();
    }
}
