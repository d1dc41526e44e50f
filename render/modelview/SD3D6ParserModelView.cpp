// The model-view session of the Direct3D renderer: a few models shown without a map, with its
// own texture formats, frame buffers, frame and render-to-texture.
#include <algorithm>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/d3d/d3d.h"

using namespace sys::d3d;

int SD3D6Parser::SSMV_Init() {
    namespace f = model_view_fields;
    Log("[SD3D6Parser::SSMV_Init] Starting...");
    // A second texture stage needs modulation and two stages the device can use at once.
    if ((m_HWDesc.dwTextureOpCaps & 0x10) == 0 || m_HWDesc.wMaxTextureBlendStages < 2 ||
        m_HWDesc.wMaxSimultaneousTextures < 2) {
        m_ModelView.Field(f::kMultiTexture) = 0;
    }
    SetLightCount(1);
    const auto supports = [this](const sys::video::DDPIXELFORMAT& format) { return SupportsTextureFormat(&format) != 0; };
    m_ModelView.Field(f::kTextureQuality) = std::clamp(m_ModelView.Field(f::kTextureQuality), 0, 2);
    m_ModelView.Field(f::kSecondSwitch) = std::clamp(m_ModelView.Field(f::kSecondSwitch), 0, 1);
    ChooseModelViewFormats(supports, m_ModelView.Field(f::kTextureQuality), m_ModelView.Field(f::kColourKeying),
                           m_ModelView.Field(f::kSoftSprites), m_SSMVFormats);
    if (m_pD3DRaster != nullptr && m_pD3DRaster->GetRenderTarget() != nullptr) {
        m_pD3DRaster->GetRenderTarget()->GetPixelFormat(&m_SSMVFormats.screen);
    }
    for (int i = 0; i < 3; ++i) {
        m_ClassStates[i].dwColorKeyEnable = m_SSMVFormats.dwClassKeys[i];
    }
    m_SSMVBuffers.Allocate();
    m_ModelView.Field(2) = (m_ModelView.Field(f::kDistance) - 2) * 128;
    Log("[SD3D6Parser::SSMV_Init] Finished");
    return 1;
}

void SD3D6Parser::SSMV_ClearBackground() {
    if (m_ModelView.Field(model_view_fields::kBackgroundClear) != 0 && m_pRaster != nullptr) {
        m_pRaster->Clear(static_cast<uint32_t>(m_ModelView.Field(model_view_fields::kBackgroundColour)));
    }
}

void SD3D6Parser::SSMV_QueueModels() {
    for (int i = 0; i < m_SSMVRecords.GetSize(); ++i) {
        SParseSSMV* entry = m_SSMVRecords[i];
        for (SCellNode* node = entry != nullptr ? &entry->m_Node : nullptr; node != nullptr; node = node->m_pNext) {
            ActorDesc* object = nullptr;
            if ((node->m_byKind & 1) != 0) {
                object = m_pfnCallback1 != nullptr ? m_pfnCallback1(node->m_pValue, node->m_byKind) : nullptr;
            } else {
                object = static_cast<ActorDesc*>(node->m_pValue);
            }
            if (object == nullptr || (object->m_dwFlags & 1) == 0) {
                continue;
            }
            SObjectFrameRecord record = MakeFrameRecord(object, 1.0f);
            record.iInterpolate = m_ModelView.Field(model_view_fields::kFrameInterpolation);
            RenderModelHierarchy(record);
        }
    }
}

int SD3D6Parser::SSMV_BeginFrame() { return 1; }

int SD3D6Parser::SSMV_RenderFrame() {
    Log("[SD3D6Parser::SSMV_RenderFrame] Starting...");
    IDirect3DDevice3* device = m_pD3DRaster != nullptr ? m_pD3DRaster->GetDevice(0) : nullptr;
    if (device != nullptr) {
        device->BeginScene();
    }
    SSMV_ClearBackground();
    if (m_pRaster != nullptr) {
        m_pRaster->ClearZBuffer();
    }
    ResetRenderQueues();
    SSMV_QueueModels();
    SortOpaqueQueue();
    SortTranslucentQueue();
    DrawOpaqueQueue();
    DrawTranslucentQueue();
    if (device != nullptr) {
        device->EndScene();
    }
    Log("[SD3D6Parser::SSMV_RenderFrame] Finished");
    return 1;
}

int SD3D6Parser::SSMV_EndFrame() { return 1; }

int SD3D6Parser::SSMV_RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect) {
    return RenderViewToTexture(textureIndex, fov, baseFov, rect, &SD3D6Parser::SSMV_RenderFrame);
}
