// Screen-space overlays laid over the outdoor view: night-vision noise, a centred overlay and a
// red flash, each a quad at the near plane in front of a camera at the origin.

#include <cmath>

#include "render/SD3D6Parser.h"
#include "render/pipeline/SD3DRaster.h"
#include "sys/time/time.h"

using namespace sys::d3d;

bool SD3D6Parser::s_bNightVision = false;
bool SD3D6Parser::s_bCentredOverlay = false;
bool SD3D6Parser::s_bRedFlash = false;
bool SD3D6Parser::s_bViewModelsAfterOverlays = false;
int32_t SD3D6Parser::s_iCentredIndex = 0;
float SD3D6Parser::s_fCentredScale = 0.05f;
uint32_t SD3D6Parser::s_dwNightVisionPeriod = 300;
uint32_t SD3D6Parser::s_dwNightVisionCounter = 0;

void SD3D6Parser::Hunt_DrawOverlays(uint32_t bits) {
    if (m_pRaster == nullptr || m_pRaster->GetDevice(0) == nullptr) {
        return;
    }
    BeginOverlays();
    if ((bits & 0x80) != 0) {
        DrawNightVisionOverlay();
    }
    if ((bits & 0x100) != 0) {
        DrawCentredOverlay();
    }
    if ((bits & 0x200) != 0) {
        DrawRedFlashOverlay();
    }
    EndOverlays();
}

void SD3D6Parser::BeginOverlays() {
    SetFogEnable(false);
    m_pRaster->SetPosition(0.0f, 0.0f, 0.0f);
    m_pRaster->SetAngles(0.0f, 0.0f, 0.0f);
    m_pRaster->UpdateTransforms();
}

void SD3D6Parser::EndOverlays() {
    RestoreRasterCamera();
    SetFogEnable(true);
}

void SD3D6Parser::DrawOverlayQuad(const SD3D6Lock* record, float half) {
    SetTextureState(record);
    const float z = m_fProjection[2];
    const SLineVertex quad[4] = {
        {-half, half, z, 0xFFFFFFFF, 0.0f, 0.0f},
        {-half, -half, z, 0xFFFFFFFF, 0.0f, 1.0f},
        {half, half, z, 0xFFFFFFFF, 1.0f, 0.0f},
        {half, -half, z, 0xFFFFFFFF, 1.0f, 1.0f},
    };
    m_pRaster->GetDevice(0)->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, quad, 4,
                                           D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT);
}

static float ViewHalfWidth(float fov) { return std::tan(fov * 3.1415927f / 360.0f); }

void SD3D6Parser::DrawNightVisionOverlay() {
    // Without noise textures there is nothing to cycle through.
    if (m_iNightVisionCount <= 0) {
        return;
    }
    const uint32_t now = sys::time::TickCount();
    if (now > m_dwNightVisionDue) {
        m_dwNightVisionDue = now + s_dwNightVisionPeriod;
        m_pNightVisionShown = m_pNightVision[s_dwNightVisionCounter % static_cast<uint32_t>(m_iNightVisionCount)];
        ++s_dwNightVisionCounter;
    }
    DrawOverlayQuad(m_pNightVisionShown, ViewHalfWidth(m_fProjection[0]));
}

void SD3D6Parser::DrawCentredOverlay() {
    if (s_iCentredIndex < 0 || s_iCentredIndex >= m_iSecondSetCount) {
        return;
    }
    DrawOverlayQuad(m_pSecondSet[s_iCentredIndex], s_fCentredScale * ViewHalfWidth(m_fProjection[0]));
}

void SD3D6Parser::DrawRedFlashOverlay() { DrawOverlayQuad(m_pFlash, ViewHalfWidth(m_fProjection[0])); }
