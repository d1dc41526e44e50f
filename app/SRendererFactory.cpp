#include "app/SRendererFactory.h"

#include "app/SGameItems.h"
#include "dx/display/SGraphics.h"
#include "render/SD3D6Parser.h"

SD3D6Parser* SRendererFactory::GetParser() const {
    return m_pItems != nullptr ? m_pItems->m_pParser : nullptr;
}

SDisplayRenderer* SRendererFactory::CreateRenderer() {
    if (m_pItems == nullptr) {
        return nullptr;
    }
    ReleaseRenderer();
    m_pItems->m_pParser = new SD3D6Parser();
    return this;
}

SDisplayRenderer* SRendererFactory::GetRenderer() { return GetParser() != nullptr ? this : nullptr; }

void SRendererFactory::ReleaseRenderer() {
    // The game items release the raster and the map and delete the renderer, so that every
    // display change does not leave the previous renderer behind.
    if (m_pItems != nullptr) {
        m_pItems->ReleaseParser();
    }
}

int SRendererFactory::Create(const SDisplayCreateRecord& record) {
    SD3D6Parser* parser = GetParser();
    if (parser == nullptr) {
        return 0;
    }
    m_CreateInfo = SParserCreateInfo{};
    m_CreateInfo.dwWord0 = record.dwSize;
    m_CreateInfo.dwWord1 = record.dwWords[0];
    m_CreateInfo.dwFilterLevel = record.dwWords[1];
    m_CreateInfo.dwSessionValue = record.dwWords[2];
    return parser->Create(&m_CreateInfo);
}

int SRendererFactory::CreateRaster(const SDisplayDeviceRecord& record) {
    SD3D6Parser* parser = GetParser();
    if (parser == nullptr) {
        return 0;
    }
    m_DeviceRecord = SRasterDeviceRecord{};
    m_DeviceRecord.dwSize = record.dwSize;
    m_DeviceRecord.pDisplay = static_cast<SDXDraw*>(record.pDisplay);
    m_DeviceRecord.pPrimary = record.pPrimary;
    m_DeviceRecord.pRenderTarget = record.pBack;
    m_DeviceRecord.dwDriver = reinterpret_cast<uintptr_t>(record.pDevice);
    return parser->CreateRaster(&m_DeviceRecord);
}

int SRendererFactory::BeginFrame() {
    SD3D6Parser* parser = GetParser();
    return parser != nullptr ? parser->BeginFrame() : 0;
}

int SRendererFactory::RenderFrame() {
    SD3D6Parser* parser = GetParser();
    return parser != nullptr ? parser->RenderFrame() : 0;
}

int SRendererFactory::EndFrame() {
    SD3D6Parser* parser = GetParser();
    return parser != nullptr ? parser->EndFrame() : 0;
}

int SRendererFactory::EvictManagedTextures() {
    SD3D6Parser* parser = GetParser();
    return parser != nullptr ? parser->EvictManagedTextures() : 0;
}

int SRendererFactory::SetViewRects(int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2) {
    SD3D6Parser* parser = GetParser();
    return parser != nullptr ? parser->SetViewRects(l1, t1, r1, b1, l2, t2, r2, b2) : 0;
}

int SRendererFactory::IsReady() {
    SD3D6Parser* parser = GetParser();
    return parser != nullptr ? parser->m_bSessionReady : 0;
}

void SRendererFactory::GetFrameStats(SDisplayFrameStats& stats) {
    const SRenderFrameStats& frame = SD3D6Parser::s_FrameStats;
    stats.dRenderTime = frame.dFrameTime;
    stats.dTextureTime = frame.dTextureTime;
    stats.iOpaqueTriangles = frame.iOpaqueTriangles;
    stats.iTranslucentTriangles = frame.iTranslucentTriangles;
}
