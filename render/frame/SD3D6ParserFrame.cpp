// One frame of the outdoor world: background, queued terrain, objects, trees and water, the view
// models and the overlays; the fog and ambient setters, render-to-texture and the object query.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "ui/SSurfaceDC.h"
#include "sys/time/time.h"

using namespace sys::d3d;

namespace {

constexpr uint32_t kDrawFlags = D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT;
constexpr uint32_t kSkyFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x152
constexpr uint32_t kBandFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;                 // 0x142

struct SkyVertex {
    float x, y, z;
    float nx, ny, nz;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(SkyVertex) == 36);

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

}  // namespace

SRenderFrameStats SD3D6Parser::s_FrameStats;

const SD3D6Lock* SD3D6Parser::TextureRecord(int16_t index) const {
    if (index < 0 || index >= m_TextureItems.GetSize() || m_TextureItems[index] == nullptr) {
        return nullptr;
    }
    return m_TextureItems[index]->m_pTexture;
}

void SD3D6Parser::SetTextureState(const SD3D6Lock* record) {
    m_Queues.SetTextureState(m_pRaster != nullptr ? m_pRaster->GetDevice(0) : nullptr, record);
}

void SD3D6Parser::DrawOpaqueQueue() {
    if (m_pRaster == nullptr) {
        return;
    }
    m_Queues.m_pStats = &s_FrameStats;
    m_Queues.m_Ground = SGroundSource{m_pWorld, m_fCornerCoords, m_fLightNormal};
    m_Queues.m_pLightNormal = m_fLightNormal;
    std::memcpy(m_Queues.m_fCameraAngles, m_fViewAngles, sizeof(m_fViewAngles));
    m_Queues.DrawOpaque(m_pRaster->GetDevice(0), [this](int16_t index) { return TextureRecord(index); });
}

void SD3D6Parser::DrawTranslucentQueue() {
    if (m_pRaster == nullptr) {
        return;
    }
    m_Queues.m_pStats = &s_FrameStats;
    m_Queues.m_fFarDistance = static_cast<float>(m_LevelInfo.Field(5));
    m_Queues.m_pLightNormal = m_fLightNormal;
    std::memcpy(m_Queues.m_fCameraAngles, m_fViewAngles, sizeof(m_fViewAngles));
    m_Queues.DrawTranslucent(m_pRaster->GetDevice(0), [this](int16_t index) { return TextureRecord(index); });
}

void SD3D6Parser::SetFogEnable(bool on) {
    if (m_LevelInfo.Field(19) == 1 && m_pRaster != nullptr && m_pRaster->GetDevice(0) != nullptr) {
        m_pRaster->GetDevice(0)->SetRenderState(D3DRENDERSTATE_FOGENABLE, on ? 1 : 0);
    }
}

void SD3D6Parser::RestoreRasterCamera() {
    // The stored height carries the outdoor lift; the raster was handed the height without it.
    m_pRaster->SetPosition(m_fViewPosition[0], m_fViewPosition[1] - static_cast<float>(s_iViewHeightOffset),
                           m_fViewPosition[2]);
    m_pRaster->SetAngles(m_fViewAngles[0], m_fViewAngles[1], m_fViewAngles[2]);
    m_pRaster->UpdateTransforms();
}

int SD3D6Parser::Hunt_BeginFrame() {
    UpdateVisibleCells();
    if (m_pRaster != nullptr && m_pRaster->GetDevice(0) != nullptr) {
        m_pRaster->GetDevice(0)->BeginScene();
    }
    return 1;
}

int SD3D6Parser::Hunt_EndFrame() {
    if (m_pRaster != nullptr && m_pRaster->GetDevice(0) != nullptr) {
        m_pRaster->GetDevice(0)->EndScene();
    }
    return 1;
}

int SD3D6Parser::Hunt_RenderFrame() {
    if (m_pRaster == nullptr || m_pRaster->GetDevice(0) == nullptr) {
        return 0;
    }
    Log("[SD3D6Parser::Hunt_RenderFrame] Starting...");
    s_FrameStats = SRenderFrameStats{};
    const double start = sys::time::Seconds();
    const uint32_t flags = s_dwSceneRenderSwitches;
    if ((flags & 0x01) != 0) {
        // Sky textures may test depth: without this clear the sky would be cut by whatever the
        // last frame left in the z-buffer (all of it on the first frame).
        m_pRaster->ClearZBuffer();
        Hunt_RenderBackground();
    }
    m_pRaster->ClearZBuffer();
    ResetRenderQueues();
    if ((flags & 0x02) != 0) {
        QueueGroundCells();
    }
    if ((flags & 0x04) != 0) {
        Hunt_QueueMapObjects();
    }
    if ((flags & 0x08) != 0) {
        BuildTreeSprites();
    }
    if ((flags & 0x10) != 0) {
        BuildWaterTriangles();
    }
    SortOpaqueQueue();
    SortTranslucentQueue();
    DrawOpaqueQueue();
    DrawTranslucentQueue();
    // Without the host's view-model callback there are no view models, nor a depth to clear.
    const bool viewModels = (flags & 0x40) != 0 && m_pfnCallback3 != nullptr;
    if (viewModels && !s_bViewModelsAfterOverlays) {
        m_pRaster->ClearZBuffer();
        Hunt_RenderViewModels();
    }
    uint32_t bits = flags;
    bits |= s_bNightVision ? 0x80 : 0;
    bits |= s_bCentredOverlay ? 0x100 : 0;
    bits |= s_bRedFlash ? 0x200 : 0;
    Hunt_DrawOverlays(bits);
    if (viewModels && s_bViewModelsAfterOverlays) {
        m_pRaster->ClearZBuffer();
        Hunt_RenderViewModels();
    }
    s_FrameStats.dFrameTime = start == 0.0 ? 0.0 : sys::time::Seconds() - start;
    Log("[SD3D6Parser::Hunt_RenderFrame] Finished");
    return 1;
}

void SD3D6Parser::Hunt_RenderBackground() {
    IDirect3DDevice3* device = m_pRaster->GetDevice(0);
    if (m_LevelInfo.Field(6) <= 0) {
        m_pRaster->Clear(m_dwBackgroundColour);
        return;
    }
    const uint32_t sky = 0xFF000000u | static_cast<uint32_t>(m_fColourFactors[0] * 255.0f) << 16 |
                         static_cast<uint32_t>(m_fColourFactors[1] * 255.0f) << 8 |
                         static_cast<uint32_t>(m_fColourFactors[2] * 255.0f);
    SetFogEnable(false);
    const float s = m_fProjection[3] * 0.5f;
    m_pRaster->SetPosition(0.0f, 0.0f, 0.0f);
    m_pRaster->UpdateTransforms();
    constexpr float e = 0.999f;
    // Faces in drawing order: top, front, right, back, left; the records are kept front, left,
    // back, right, top.
    const float faces[5][4][5] = {
        {{-s, s, s, 0, e}, {s, s, s, e, e}, {-s, s, -s, 0, 0}, {s, s, -s, e, 0}},
        {{-s, s, s, 0, 0}, {-s, -s, s, 0, e}, {s, s, s, e, 0}, {s, -s, s, e, e}},
        {{s, s, s, 0, 0}, {s, -s, s, 0, e}, {s, s, -s, e, 0}, {s, -s, -s, e, e}},
        {{s, s, -s, 0, 0}, {s, -s, -s, 0, e}, {-s, s, -s, e, 0}, {-s, -s, -s, e, e}},
        {{-s, s, -s, 0, 0}, {-s, -s, -s, 0, e}, {-s, s, s, e, 0}, {-s, -s, s, e, e}},
    };
    const int records[5] = {4, 0, 3, 2, 1};
    for (int f = 0; f < 5; ++f) {
        SetTextureState(m_pSkyFaces[records[f]]);
        SkyVertex v[4];
        for (int k = 0; k < 4; ++k) {
            v[k] = SkyVertex{faces[f][k][0], faces[f][k][1], faces[f][k][2], 0.0f, 1.0f, 0.0f, sky,
                             faces[f][k][3], faces[f][k][4]};
        }
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kSkyFormat, v, 4, kDrawFlags);
    }
    const int32_t waterCells = m_Buffers.Count(SOutdoorBuffers::kWaterCells);
    if (waterCells > 0 && m_pWorld != nullptr && m_pWorld->m_pWaterLevels != nullptr) {
        const uint16_t first = reinterpret_cast<const uint16_t*>(m_Buffers.Data(SOutdoorBuffers::kWaterCells))[0];
        const uint32_t colour = m_LevelInfo.Field(19) == 1 ? m_dwFogColour : 0xFF404040u;
        const float D = m_fViewPosition[1] - (m_pWorld->m_pWaterLevels[first] - 1.0f);
        const float R = static_cast<float>(m_LevelInfo.Field(5)) * 0.8f;
        m_pRaster->SetPosition(0.0f, 0.0f, 0.0f);
        m_pRaster->SetAngles(m_fViewAngles[0], 0.0f, m_fViewAngles[2]);
        m_pRaster->UpdateTransforms();
        SetTextureState(m_pJetBlack);
        const SLineVertex band[4] = {
            {s, -D, R, colour, 0.0f, 0.0f},
            {s, -s, R, colour, 0.0f, e},
            {-s, -D, R, colour, e, 0.0f},
            {-s, -s, R, colour, e, e},
        };
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kBandFormat, band, 4, kDrawFlags);
    }
    RestoreRasterCamera();
    SetFogEnable(true);
}

void SD3D6Parser::Hunt_QueueMapObjects() {
    if (m_pWorld == nullptr || m_pWorld->m_pLists == nullptr) {
        return;
    }
    const uint16_t* cells = reinterpret_cast<const uint16_t*>(m_Buffers.Data(SOutdoorBuffers::kObjectCells));
    const int32_t count = m_Buffers.Count(SOutdoorBuffers::kObjectCells);
    for (int32_t i = 0; i < count; ++i) {
        const int cell = cells[i];
        const bool water = m_pWorld->Cell(cell).byWater != 0;
        const float level = water && m_pWorld->m_pWaterLevels != nullptr ? m_pWorld->m_pWaterLevels[cell] : 0.0f;
        for (SCellNode* node = m_pWorld->m_pLists[cell]; node != nullptr; node = node->m_pNext) {
            ActorDesc* object = nullptr;
            if ((node->m_byKind & 1) != 0) {
                // A handle only the host can resolve; without its callback the object is skipped.
                object = m_pfnCallback1 != nullptr ? m_pfnCallback1(node->m_pValue, node->m_byKind) : nullptr;
            } else {
                object = static_cast<ActorDesc*>(node->m_pValue);
            }
            if (object == nullptr || (object->m_dwFlags & 1) == 0) {
                continue;
            }
            SObjectFrameRecord record = MakeFrameRecord(object, 1.0f);
            record.iWater = water ? 1 : 0;
            record.fWaterHeight = level;
            RenderModelHierarchy(record);
        }
    }
}

SObjectFrameRecord SD3D6Parser::MakeFrameRecord(ActorDesc* object, float sizeFactor) const {
    SObjectFrameRecord record;
    record.pObject = object;
    record.fSize = sizeFactor;
    const float p = m_fViewAngles[0], y = m_fViewAngles[1];
    record.fDirection[0] = std::sin(y);
    record.fDirection[1] = std::sin(p) * std::cos(y);
    record.fDirection[2] = std::cos(p) * std::cos(y);
    std::memcpy(record.fCamera, m_fViewPosition, sizeof(record.fCamera));
    record.iInterpolate = m_LevelInfo.Field(7);
    return record;
}

void SD3D6Parser::Hunt_RenderViewModels() {
    ResetRenderQueues();
    // Without the host's view-model callback there is nothing to ask for.
    if (m_pfnCallback3 == nullptr) {
        return;
    }
    SetFogEnable(false);
    float saved[4];
    std::memcpy(saved, m_fProjection, sizeof(saved));
    SetProjection(saved[1], saved[1], saved[2], saved[3]);
    m_pRaster->SetPosition(0.0f, 0.0f, 0.0f);
    m_pRaster->SetAngles(0.0f, 0.0f, 0.0f);
    m_pRaster->UpdateTransforms();
    int32_t cookie = 0;
    // A host that never ends its list is cut off after a bounded number of objects.
    for (int asked = 0; cookie != -1 && asked < kMaxViewModels; ++asked) {
        auto* object = static_cast<ActorDesc*>(m_pfnCallback3(&cookie));
        if (object == nullptr || object->m_pModel == nullptr) {
            continue;
        }
        QueueViewModel(object);
    }
    SortOpaqueQueue();
    SortTranslucentQueue();
    DrawOpaqueQueue();
    DrawTranslucentQueue();
    SetProjection(saved[0], saved[1], saved[2], saved[3]);
    RestoreRasterCamera();
    SetFogEnable(true);
}

int SD3D6Parser::Hunt_RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect) {
    return RenderViewToTexture(textureIndex, fov, baseFov, rect, &SD3D6Parser::Hunt_RenderFrame);
}

int SD3D6Parser::RenderViewToTexture(int textureIndex, float fov, float baseFov, const float* rect,
                                     int (SD3D6Parser::*renderFrame)()) {
    const SD3D6Lock* record = TextureRecord(static_cast<int16_t>(textureIndex));
    if (record == nullptr || record->m_pTexture == nullptr || rect == nullptr || m_pD3DRaster == nullptr) {
        return 0;
    }
    sys::video::IDirectDrawSurface4* texture = record->GetSurface();
    sys::video::IDirectDrawSurface4* target = m_pD3DRaster->GetRenderTarget();
    if (texture == nullptr || target == nullptr) {
        return 0;
    }
    float saved[4];
    std::memcpy(saved, m_fProjection, sizeof(saved));
    sys::RECT view, window;
    GetViewRects(&view, &window);
    float fraction[4];
    for (int i = 0; i < 4; ++i) {
        fraction[i] = std::clamp(rect[i], 0.0f, 1.0f);
    }
    sys::video::DDSURFACEDESC2 textureDesc, targetDesc;
    texture->GetSurfaceDesc(&textureDesc);
    target->GetSurfaceDesc(&targetDesc);
    const int width = static_cast<int>(textureDesc.dwWidth), height = static_cast<int>(textureDesc.dwHeight);
    const int left = std::min(static_cast<int>(static_cast<float>(width) * fraction[0]), width - 1);
    const int top = std::min(static_cast<int>(static_cast<float>(height) * fraction[1]), height - 1);
    const int right = static_cast<int>(static_cast<float>(width) * fraction[2]);
    const int bottom = static_cast<int>(static_cast<float>(height) * fraction[3]);
    // The rectangle stays inside the texture as well as inside the render target.
    const int sizeX = std::min({right - left + 1, static_cast<int>(targetDesc.dwWidth), width - left});
    const int sizeY = std::min({bottom - top + 1, static_cast<int>(targetDesc.dwHeight), height - top});
    if (sizeX <= 0 || sizeY <= 0) {
        return 0;
    }
    int result = 1;
    int originX = 0, originY = 0;
    if (sizeX <= view.right - view.left && sizeY <= view.bottom - view.top) {
        originX = left + view.left;
        originY = top + view.top;
        result = 0;
    }
    SetProjection(fov, baseFov, saved[2], saved[3]);
    SetViewRect(originX, originY, originX + sizeX, originY + sizeY);
    (this->*renderFrame)();
    SetProjection(saved[0], saved[1], saved[2], saved[3]);
    SetViewRect(view.left, view.top, view.right, view.bottom);
    const sys::RECT source{originX, originY, originX + sizeX, originY + sizeY};
    const sys::RECT dest{left, top, left + sizeX, top + sizeY};
    // A same-size copy with waiting, as a fast blit would make it.
    texture->Blt(&dest, target, &source, sys::video::DDBLT_WAIT, nullptr);
    return result;
}

int SD3D6Parser::BlitToTexture(int16_t textureIndex, float u, float v, sys::video::IDirectDrawSurface4* source,
                               int width, int height, int srcX, int srcY, uint8_t centre) {
    const SD3D6Lock* record = TextureRecord(textureIndex);
    if (record == nullptr || record->m_pTexture == nullptr || source == nullptr) {
        return 0;
    }
    sys::video::IDirectDrawSurface4* surface = record->GetSurface();
    if (surface == nullptr) {
        return 0;
    }
    const int textureWidth = record->GetWidth(), textureHeight = record->GetHeight();
    int x = static_cast<int>(static_cast<float>(textureWidth) * u);
    int y = static_cast<int>((1.0f - v) * static_cast<float>(textureHeight));
    if (centre != 0) {
        x -= width / 2;
        y -= height / 2;
    }
    // Only the part of the rectangle that lands on the texture is copied.
    sys::RECT from{srcX, srcY, srcX + width, srcY + height};
    if (x < 0) {
        from.left -= x;
        x = 0;
    }
    if (y < 0) {
        from.top -= y;
        y = 0;
    }
    from.right = std::min(from.right, from.left + (textureWidth - x));
    from.bottom = std::min(from.bottom, from.top + (textureHeight - y));
    if (from.right <= from.left || from.bottom <= from.top) {
        return 0;
    }
    const sys::RECT to{x, y, x + (from.right - from.left), y + (from.bottom - from.top)};
    surface->Blt(&to, source, &from, sys::video::DDBLT_KEYSRC | sys::video::DDBLT_WAIT, nullptr);
    return 1;
}

int SD3D6Parser::DrawTextToTexture(int16_t textureIndex, float u, float v, SString text, SGdiFont* font) {
    const SD3D6Lock* record = TextureRecord(textureIndex);
    if (record == nullptr || record->m_pTexture == nullptr || font == nullptr) {
        return 0;
    }
    sys::video::IDirectDrawSurface4* surface = record->GetSurface();
    sys::HDC dc = nullptr;
    if (surface == nullptr || surface->GetDC(&dc) != sys::video::DD_OK || dc == nullptr) {
        return 0;
    }
    const int x = static_cast<int>(static_cast<float>(record->GetWidth()) * u);
    const int y = static_cast<int>((1.0f - v) * static_cast<float>(record->GetHeight()));
    font->DrawTextCentered(dc, x, y, text.GetString(), text.GetLength(), 0x101);  // centred, not clipped
    surface->ReleaseDC(dc);
    return 1;
}

int SD3D6Parser::SetFog(uint32_t colour, float start, float end) {
    if (m_pRaster == nullptr || m_pRaster->GetDevice(0) == nullptr) {
        return 0;
    }
    IDirect3DDevice3* device = m_pRaster->GetDevice(0);
    if ((m_HWDesc.dpcTriCaps.dwRasterCaps & 0x100) != 0) {
        device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 1);
    }
    device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, colour);
    device->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRENDERSTATE_FOGTABLESTART, FloatBits(start));
    device->SetRenderState(D3DRENDERSTATE_FOGTABLEEND, FloatBits(end));
    return 1;
}

int SD3D6Parser::SetAmbientLight(uint32_t colour) {
    if (m_pRaster == nullptr || m_pRaster->GetDevice(0) == nullptr) {
        return 0;
    }
    m_pRaster->GetDevice(0)->SetLightState(D3DLIGHTSTATE_AMBIENT, colour);
    return 1;
}

int SD3D6Parser::CollectObjectsNear(int cellX, int cellY, int radius, void** out, int directOnly) {
    if (m_pWorld == nullptr || m_pWorld->m_pLists == nullptr || out == nullptr) {
        return 0;
    }
    const int x = cellX & 0xFF, y = cellY & 0xFF, r = radius & 0xFF;
    int count = 0;
    for (int cy = std::max(0, y - r); cy <= std::min(255, y + r); ++cy) {
        for (int cx = std::max(0, x - r); cx <= std::min(255, x + r); ++cx) {
            for (SCellNode* node = m_pWorld->m_pLists[cx + 256 * cy]; node != nullptr; node = node->m_pNext) {
                void* value = nullptr;
                if ((node->m_byKind & 1) != 0) {
                    if (directOnly != 0 || m_pfnCallback1 == nullptr) {
                        continue;
                    }
                    value = m_pfnCallback1(node->m_pValue, node->m_byKind);
                } else {
                    value = node->m_pValue;
                }
                if (value != nullptr) {
                    out[count++] = value;
                }
            }
        }
    }
    return count;
}
