#include "frontend/hud/SAppLayoutItems.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "core/SVector.h"
#include "dx/display/SDXSurface.h"
#include "frontend/hud/SAppLayout.h"
#include "render/SD3D6Parser.h"
#include "render/map/SMapKR5.h"
#include "ui/SDC.h"
#include "ui/SFont.h"

IMPLEMENT_DYNAMIC(SAppLayoutItemRender, SLayoutItem)
IMPLEMENT_DYNAMIC(SAppLayoutItemMapIcon, SLayoutItem)
IMPLEMENT_DYNAMIC(SAppLayoutItemMapTerrain, SLayoutItem)

namespace {

bool SameRect(const sys::RECT& a, const sys::RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

CString Upper(const CString& text) {
    CString result = text;
    result.MakeUpper();
    return result;
}

}  // namespace

// --- renderframe ---------------------------------------------------------------------------------

void SAppLayoutItemRender::Evaluate(SDC* pDC) {
    if (GetArgCount() >= 6)
        m_byRestore = ArgValue(5, pDC) != 0 ? 1 : 0;
    m_byEvaluated = 1;
}

int32_t SAppLayoutItemRender::Render(SDC* pDC) {
    if (!m_byEvaluated)
        Evaluate(pDC);
    auto* layout = static_cast<SAppLayout*>(m_pLayout);
    const sys::RECT clip = BlockRect(pDC);
    SD3D6Parser* renderer = layout != nullptr ? layout->GetRenderer() : nullptr;
    if (renderer == nullptr || renderer->GetRaster() == nullptr)
        return 0;
    sys::RECT target = clip;
    float fov = 60.0f;
    if (GetArgCount() >= 4) {
        const sys::RECT relative{ArgValue(0, pDC), ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC)};
        target = PlaceInBlock(relative, clip);
        if (GetArgCount() >= 5)
            fov = ArgFloat(4, pDC);
        if (fov < 1.0f)
            fov = 1.0f;
    }
    if (!IsInside(target, clip))
        return 0;
    float oldFov = 0.0f, baseFov = 0.0f, nearZ = 0.0f, farZ = 0.0f;
    renderer->GetProjection(&oldFov, &baseFov, &nearZ, &farZ);
    sys::RECT oldFirst{}, oldSecond{};
    renderer->GetViewRects(&oldFirst, &oldSecond);
    bool changed = false;
    if (!SameRect(oldFirst, target) || oldFov != fov) {
        renderer->SetViewRects(target.left, target.top, target.right, target.bottom, target.left, target.top,
                               target.right, target.bottom);
        renderer->SetProjection(fov, baseFov, nearZ, farZ);
        renderer->UpdateFrustum();
        changed = true;
    }
    SAppLayout::SetLastRenderRect(target);
    renderer->RenderFrame();
    renderer->ClearTileFlags();
    if (changed && m_byRestore != 0) {
        renderer->SetViewRects(oldFirst.left, oldFirst.top, oldFirst.right, oldFirst.bottom, oldSecond.left,
                               oldSecond.top, oldSecond.right, oldSecond.bottom);
        renderer->SetProjection(oldFov, baseFov, nearZ, farZ);
        renderer->UpdateFrustum();
    }
    return 0;
}

// --- Map icons -----------------------------------------------------------------------------------

void SAppLayoutItemMapIcon::Refresh() {
    SLayoutItem::Refresh();
    m_byMatchedBuilt = 0;
}

void SAppLayoutItemMapIcon::Evaluate(SDC* pDC) {
    m_fScale = 1.0f;
    m_iFlagMask = 0;
    const int count = GetArgCount();
    if (count >= 6) {
        m_strImage = ArgText(0, pDC);
        m_strMatch = Upper(ArgText(1, pDC));
        m_rcScreen = sys::RECT{ArgValue(2, pDC), ArgValue(3, pDC), ArgValue(4, pDC), ArgValue(5, pDC)};
    }
    if (m_iKind == 3 && count >= 2)
        m_iFlagMask = ArgValue(1, pDC);
    if (count >= 7)
        m_fScale = ArgFloat(6, pDC);
    if (count >= 10)
        m_crTransparent = ArgColour(7, pDC);
    if (count >= 11 && m_pLayout != nullptr)
        m_pFont = m_pLayout->LoadResourceAlt(ArgText(10, pDC), nullptr);
    if (count >= 12)
        m_iActorFilter = ArgValue(11, pDC);
    m_pImage = m_pLayout != nullptr ? m_pLayout->LoadImageSurface(m_strImage, nullptr) : nullptr;
    if (m_pImage != nullptr)
        m_pImage->SetTransparentColor(m_crTransparent);
    m_byMatchedBuilt = 0;
    m_byEvaluated = 1;
}

sys::RECT SAppLayoutItemMapIcon::ComputeMapRect(float fScale, float fCentreX, float fCentreZ) {
    const int side = static_cast<int>(fScale * static_cast<float>(kMapSize));
    const int cx = static_cast<int>(fCentreX);
    const int cy = kMapSize - static_cast<int>(fCentreZ);
    sys::RECT rect{cx - side / 2, cy - side / 2, cx - side / 2 + side, cy - side / 2 + side};
    auto shift = [](sys::RECT& r, int dx, int dy) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    };
    if (rect.left < 0)
        shift(rect, -rect.left, 0);
    else if (rect.right > kMapSize)
        shift(rect, kMapSize - rect.right, 0);
    if (rect.top < 0)
        shift(rect, 0, -rect.top);
    else if (rect.bottom > kMapSize)
        shift(rect, 0, kMapSize - rect.bottom);
    return rect;
}

int32_t SAppLayoutItemMapIcon::Render(SDC* pDC) {
    if (!m_byEvaluated)
        Evaluate(pDC);
    auto* layout = static_cast<SAppLayout*>(m_pLayout);
    if (layout == nullptr)
        return 0;
    float centreX = 4096.0f, centreZ = 4096.0f;
    if (layout->HasViewActor()) {
        centreX = layout->GetViewPosition()[0];
        centreZ = layout->GetViewPosition()[2];
    }
    if (GetArgCount() >= 7)
        m_fScale = ArgFloat(6, pDC);
    const sys::RECT clip = BlockRect(pDC);
    if (m_pImage == nullptr)
        return 0;
    const sys::RECT map = ComputeMapRect(m_fScale, centreX, centreZ);
    SGameObjects* hub = layout->GetHub();
    SGameItems* items = hub != nullptr ? hub->m_pGameItems : nullptr;
    if (m_iKind <= 1) {
        SActorWorld* world = items != nullptr ? items->m_pWorld[m_iKind] : nullptr;
        if (world == nullptr)
            return 0;
        for (int i = 0; i <= world->GetHighestIndex(); ++i) {
            SActor* actor = world->GetActor(i);
            if (actor == nullptr)
                continue;
            const CString name = Upper(CString(actor->m_sName.GetString()));
            if (name.Find(m_strMatch) < 0 || (m_iActorFilter != -1 && m_iActorFilter != i))
                continue;
            SVector position, angles;
            actor->GetViewpoint(position, angles);
            DrawAt(pDC, position.x, position.z, name, map, clip);
        }
        return 0;
    }
    SD3D6Parser* renderer = layout->GetRenderer();
    if (renderer == nullptr)
        return 0;
    const int outputs = renderer->GetModelOutputCount();
    if (m_byMatchedBuilt == 0) {
        m_Matched.clear();
        for (int i = 0; i < outputs; ++i) {
            const SMapKR5Model_Output* output = renderer->GetModelOutput(static_cast<int16_t>(i));
            if (output == nullptr)
                continue;
            const bool match = m_iKind == 2
                                   ? Upper(CString(output->m_sName.GetString())).Find(m_strMatch) >= 0
                                   : (output->m_byValue7 & (m_iFlagMask & 0xFF)) != 0;
            if (match)
                m_Matched.push_back(static_cast<int16_t>(i));
        }
        m_byMatchedBuilt = 1;
    }
    for (int16_t index : m_Matched) {
        if (index >= outputs)
            continue;
        if (const SMapKR5Model_Output* output = renderer->GetModelOutput(index))
            DrawAt(pDC, output->m_fX * 0.125f, output->m_fY * 0.125f, "", map, clip);
    }
    return 0;
}

void SAppLayoutItemMapIcon::DrawAt(SDC* pDC, float x, float z, const char* pszLabel, const sys::RECT& rcMap,
                                   const sys::RECT& rcClip) {
    const int mapX = static_cast<int>(x);
    const int mapY = kMapSize - static_cast<int>(z);
    if (mapX < rcMap.left || mapX >= rcMap.right || mapY < rcMap.top || mapY >= rcMap.bottom)
        return;
    const float mapWidth = static_cast<float>(rcMap.right - rcMap.left);
    const float mapHeight = static_cast<float>(rcMap.bottom - rcMap.top);
    if (mapWidth <= 0.0f || mapHeight <= 0.0f)
        return;
    const int sx = static_cast<int>(static_cast<float>(m_rcScreen.right - m_rcScreen.left) / mapWidth *
                                    static_cast<float>(mapX - rcMap.left));
    const int sy = static_cast<int>(static_cast<float>(m_rcScreen.bottom - m_rcScreen.top) / mapHeight *
                                    static_cast<float>(mapY - rcMap.top));
    const sys::RECT placed = PlaceInBlock(sys::RECT{m_rcScreen.left + sx, m_rcScreen.top + sy, 0, 0}, rcClip);
    const int width = m_pImage->GetWidth();
    const int height = m_pImage->GetHeight();
    const sys::RECT image{placed.left - width / 2, placed.top - height / 2, placed.left - width / 2 + width,
                          placed.top - height / 2 + height};
    if (!IsInside(image, rcClip))
        return;
    pDC->BlitSurface(m_pImage, image.left, image.top);
    if (m_pFont == nullptr || pszLabel == nullptr || *pszLabel == '\0')
        return;
    SFont* previous = pDC->SelectFont(m_pFont);
    sys::SIZE size{0, 0};
    pDC->GetTextExtent(pszLabel, size);
    int tx = (image.left + image.right) / 2 - size.cx / 2;
    int ty = image.top - 2 - size.cy;
    if (SDXSurface* target = pDC->GetSurface()) {
        tx = std::clamp(tx, 0, std::max(0, target->GetWidth() - size.cx));
        ty = std::clamp(ty, 0, std::max(0, target->GetHeight() - size.cy));
    }
    pDC->TextOut(tx, ty, pszLabel, static_cast<int>(std::strlen(pszLabel)));
    pDC->SelectFont(previous);
}

// --- mapterrain ----------------------------------------------------------------------------------

void SAppLayoutItemMapTerrain::Evaluate(SDC* pDC) {
    char name[32];
    std::snprintf(name, sizeof(name), ";MAPTERRAIN%d", s_iCounter++);
    m_strImage = name;
    if (GetArgCount() >= 4)
        m_rcImage = sys::RECT{ArgValue(0, pDC), ArgValue(1, pDC), ArgValue(2, pDC), ArgValue(3, pDC)};
    m_byEvaluated = 1;
}

sys::COLORREF SAppLayoutItemMapTerrain::LevelColour(int nLevel) {
    static const sys::COLORREF kColours[9] = {0x004B19, 0x196432, 0x00644B, 0x006464, 0x004B64,
                                              0x00324B, 0x001932, 0x4B4B4B, 0x001932};
    return nLevel >= 0 && nLevel <= 8 ? kColours[nLevel] : 0;
}

bool SAppLayoutItemMapTerrain::ContourLevels(const float* pHeights, std::vector<uint8_t>& levels) {
    if (pHeights == nullptr)
        return false;
    int low = static_cast<int>(pHeights[0]);
    int high = low;
    for (int i = 0; i < kCells * kCells; ++i) {
        const int h = static_cast<int>(pHeights[i]);
        low = std::min(low, h);
        high = std::max(high, h);
    }
    const int range = high - low;
    if (range < 8)
        return false;
    levels.assign(static_cast<size_t>(kCells * kCells), 0);
    for (int i = 0; i < kCells * kCells; ++i)
        levels[static_cast<size_t>(i)] = static_cast<uint8_t>((static_cast<int>(pHeights[i]) - low) / (range / 8));
    return true;
}

void SAppLayoutItemMapTerrain::Paint(SDXSurface* pSurface) {
    auto* layout = static_cast<SAppLayout*>(m_pLayout);
    SD3D6Parser* renderer = layout != nullptr ? layout->GetRenderer() : nullptr;
    if (renderer == nullptr)
        return;
    pSurface->SetTransparentColor(0xFF00FF);
    pSurface->Clear(nullptr, 0);
    sys::HDC dc = nullptr;
    if (pSurface->GetDC(&dc) == 0 || dc == nullptr)
        return;
    auto plot = [&](int x, int y, sys::COLORREF colour) {
        sys::HBRUSH brush = sys::gdi::CreateSolidBrush(colour);
        sys::gdi::FillRect(dc, sys::RECT{x, y, x + 1, y + 1}, brush);
        sys::gdi::DeleteObject(brush);
    };
    std::vector<uint8_t> levels;
    if (ContourLevels(renderer->GetMapHeightGrid(), levels)) {
        for (int row = 2; row <= 253; ++row) {
            for (int column = 2; column <= 253; ++column) {
                const int cellRow = 255 - row;
                const int level = levels[static_cast<size_t>(cellRow * kCells + column)];
                const int lower = levels[static_cast<size_t>((cellRow - 1) * kCells + column - 1)];
                if (level != lower)
                    plot(column, row, LevelColour(level));
            }
        }
    }
    for (int j = 0; j < kCells; ++j) {
        for (int i = 0; i < kCells; ++i) {
            double heights[2] = {0.0, 0.0};
            renderer->GetHeights(i * 256.0, j * 256.0, heights);
            if (heights[1] > heights[0])
                plot(i, 255 - j, 0xC80032);
        }
    }
    pSurface->ReleaseDC(dc);
}

int32_t SAppLayoutItemMapTerrain::Render(SDC* pDC) {
    if (!m_byEvaluated)
        Evaluate(pDC);
    if (m_pLayout == nullptr || pDC == nullptr)
        return 0;
    const sys::RECT clip = BlockRect(pDC);
    const int width = m_rcImage.right - m_rcImage.left;
    const int height = m_rcImage.bottom - m_rcImage.top;
    if (width <= 0 || height <= 0)
        return 0;
    bool created = false;
    m_pSurface = m_pLayout->GetCacheSurface(m_strImage, width, height, &created);
    if (m_pSurface == nullptr)
        return 0;
    if (created)
        Paint(m_pSurface);
    const sys::RECT placed = PlaceInBlock(m_rcImage, clip);
    sys::RECT dest{std::max(placed.left, clip.left), std::max(placed.top, clip.top),
                   std::min(placed.right, clip.right), std::min(placed.bottom, clip.bottom)};
    if (dest.right <= dest.left || dest.bottom <= dest.top)
        return 0;
    const sys::RECT source{dest.left - placed.left, dest.top - placed.top, dest.right - placed.left,
                           dest.bottom - placed.top};
    if (SDXSurface* target = pDC->GetSurface())
        target->Blt(m_pSurface, &dest, &source, 1, 0, 0);
    return 0;
}
