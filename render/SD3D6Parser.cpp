#include "render/SD3D6Parser.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "core/SLog.h"
#include "sys/d3d/d3d.h"
#include "render/map/CMapCache.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/outdoor/SRendererCatalog.h"
#include "sys/gdi/gdi.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/texture/SD3D6Lock.h"

using namespace sys::d3d;

IMPLEMENT_DYNAMIC(SD3D6Parser, SParser)

int32_t SD3D6Parser::s_iViewHeightOffset = 0;
uint32_t SD3D6Parser::s_dwSceneRenderSwitches = 0x5F;
int32_t SD3D6Parser::s_bGenModelBSP = 0;
int32_t SD3D6Parser::s_bSecondModelMark = 0;
int32_t SD3D6Parser::s_bGenModelExtData = 1;
float SD3D6Parser::s_fConTriNormOffs = 0.0f;

namespace {

// Maps read by outdoor sessions, kept until the program ends.
CMapCache s_MapCache;

constexpr uint32_t kAnisotropyCap = 0x20000;       // triangle raster caps: anisotropic filtering
constexpr uint32_t kLinearMipNearestCap = 0x10;    // triangle filter caps: linear-mip-nearest
constexpr uint32_t kTextureFormatMatched = 0x400;  // marker in the copy of the requested format

struct FormatSearch {
    sys::video::DDPIXELFORMAT request;
};

HRESULT OfferTextureFormat(sys::video::DDPIXELFORMAT* offered, void* context) {
    auto& request = static_cast<FormatSearch*>(context)->request;
    const uint32_t flags = request.dwFlags & ~kTextureFormatMatched;
    bool match = (offered->dwFlags & flags) == flags;
    if (match && (flags & sys::video::DDPF_RGB) != 0) {
        match = offered->dwRGBBitCount == request.dwRGBBitCount && offered->dwRBitMask == request.dwRBitMask &&
                offered->dwGBitMask == request.dwGBitMask && offered->dwBBitMask == request.dwBBitMask;
    }
    if (match && (flags & sys::video::DDPF_ALPHAPIXELS) != 0) {
        match = offered->dwRGBAlphaBitMask == request.dwRGBAlphaBitMask;
    }
    if (match) {
        request.dwFlags |= kTextureFormatMatched;
        return D3DENUMRET_CANCEL;
    }
    request.dwFlags &= ~kTextureFormatMatched;
    return D3DENUMRET_OK;
}

}  // namespace

SD3D6Parser::SD3D6Parser() {
    m_strLastError = "No Error";
    ClearStateCaches();
}

SD3D6Parser::~SD3D6Parser() {
    ReleaseRaster();
    ReleaseMap();
    EndSession(0);
    // Models and textures can be loaded with no session running (a view model the screen asks
    // for); they are the renderer's all the same.
    FreeSessionItems();
    delete m_pWorld;
    for (int i = 0; i < m_Tags.GetSize(); ++i) {
        delete m_Tags[i];
    }
    m_Tags.RemoveAll();
}

void SD3D6Parser::Log(const char* text) const {
    if (m_bLogging != 0) {
        WriteLog(text, false, "Debug.log");
    }
}

void SD3D6Parser::ClearStateCaches() {
    std::memset(m_iRenderStateCache, 0xFF, sizeof(m_iRenderStateCache));
    std::memset(m_iTextureCache, 0xFF, sizeof(m_iTextureCache));
    std::memset(m_iStageStateCache, 0xFF, sizeof(m_iStageStateCache));
    m_Queues.m_Cache.Reset();
}

int SD3D6Parser::Create(SParserCreateInfo* info) {
    m_pCreateInfo = info;
    return 1;
}

int SD3D6Parser::ReleaseMap() {
    m_pMap = nullptr;
    return 1;
}

int SD3D6Parser::CreateRaster(SRasterDeviceRecord* record) {
    m_pDeviceRecord = record;
    ReleaseRaster();
    // A raster whose device cannot be made has released all it made by the time it answers;
    // deleting it leaves nothing behind.
    auto* raster = new SD3D6Raster();
    if (raster->CreateDevice(record) == 0) {
        delete raster;
        return 0;
    }
    m_pRaster = raster;
    m_pD3DRaster = raster;

    m_dwFilters[0][0] = m_dwFilters[1][0] = 2;
    m_dwFilters[0][1] = m_dwFilters[1][1] = 1;
    m_dwFilters[0][2] = m_dwFilters[1][2] = 1;
    m_HWDesc = sys::video::D3DDEVICEDESC{};
    m_HELDesc = sys::video::D3DDEVICEDESC{};
    IDirect3DDevice3* device = raster->GetDevice(0);
    device->GetCaps(&m_HWDesc, &m_HELDesc);

    // The level asked for comes down to what the hardware can filter.
    uint32_t level = m_pCreateInfo != nullptr ? m_pCreateInfo->dwFilterLevel : 0;
    if (level == 4 && (m_HWDesc.dpcTriCaps.dwRasterCaps & kAnisotropyCap) == 0) {
        level = 3;
    }
    if (level == 3 && (m_HWDesc.dpcTriCaps.dwTextureFilterCaps & kLinearMipNearestCap) == 0) {
        level = 2;
    }
    if (m_pCreateInfo != nullptr) {
        m_pCreateInfo->dwFilterLevel = level;
    }
    device->SetTextureStageState(0, D3DTSS_MAXANISOTROPY, 1);
    static const uint32_t kStage0[5][3] = {{2, 1, 1}, {3, 1, 1}, {2, 2, 2}, {3, 2, 2}, {3, 3, 5}};
    static const uint32_t kStage1[5][3] = {{2, 1, 1}, {3, 1, 1}, {3, 1, 1}, {3, 1, 1}, {3, 1, 1}};
    if (level <= 4) {
        for (int i = 0; i < 3; ++i) {
            m_dwFilters[0][i] = kStage0[level][i];
            m_dwFilters[1][i] = kStage1[level][i];
        }
    }
    if (level == 4) {
        device->SetTextureStageState(0, D3DTSS_MAXANISOTROPY, 2);
    }
    for (SD3D6TextureStates& block : m_ClassStates) {
        block.dwMipFilter = m_dwFilters[0][0];
        block.dwMinFilter = m_dwFilters[0][1];
        block.dwMagFilter = m_dwFilters[0][2];
    }
    return 1;
}

int SD3D6Parser::ReleaseRaster() {
    delete m_pRaster;
    m_pRaster = nullptr;
    m_pD3DRaster = nullptr;
    return 1;
}

SRaster* SD3D6Parser::GetRaster() { return m_pRaster; }

void SD3D6Parser::ResetDeviceStates() {
    ClearStateCaches();
    if (m_pD3DRaster == nullptr || m_pD3DRaster->GetDevice(0) == nullptr) {
        return;
    }
    IDirect3DDevice3* device = m_pD3DRaster->GetDevice(0);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, 1);
    device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRENDERSTATE_MONOENABLE, 0);
    device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, 0);
    device->SetRenderState(D3DRENDERSTATE_SUBPIXEL, 1);
}

int SD3D6Parser::InitSession(int mode, void* record, int step) {
    if (mode == 1) {
        m_iSessionMode = 1;
        if (step != 0) {
            return 1;
        }
        if (record == nullptr) {
            return 0;
        }
        const auto& info = *static_cast<const SModelViewInfo*>(record);
        Log("[SD3D6Parser::InitSession] SSMVLevel 0 Start");
        m_bSessionReady = 0;
        for (int field : {0, 1, 3, 4, 5, 7, 8, 9, 10, 11, 14, 15, 16, 19}) {
            m_ModelView.Field(field) = info.Field(field);
        }
        if (m_pCreateInfo != nullptr) {
            m_pCreateInfo->dwSessionValue = static_cast<uint32_t>(info.Field(15));
        }
        m_ModelView.Field(2) = (m_ModelView.Field(0) - 2) * 128;
        SetProjection(60.0f, 60.0f, 1.0f, static_cast<float>(m_ModelView.Field(2)));
        SSMV_Init();
        ResetDeviceStates();
        m_bSessionReady = 1;
        Log("[SD3D6Parser::InitSession] SSMVLevel 0 End");
        return 1;
    }
    if (mode != 2) {
        return 1;
    }
    m_iSessionMode = 2;
    switch (step) {
    case 0: {
        if (record == nullptr) {
            return 0;
        }
        // A session started over another one replaces it, as ending it first would.
        FreeSessionItems();
        const auto& level = *static_cast<const SLevelInfo*>(record);
        m_bSessionReady = 0;
        m_LevelInfo.m_sMapPath = level.m_sMapPath;
        for (int field : {1, 2, 3, 4, 6, 7, 9, 10, 11, 12, 13, 14, 18, 20, 21, 23, 25}) {
            m_LevelInfo.Field(field) = level.Field(field);
        }
        if (m_pCreateInfo != nullptr) {
            m_pCreateInfo->dwSessionValue = static_cast<uint32_t>(level.Field(21));
        }
        m_LevelInfo.Field(19) = 0;
        m_iDayValue = level.Field(21);
        Hunt_SizeBuffers();
        SetProjection(60.0f, 60.0f, m_fProjection[2], static_cast<float>(m_LevelInfo.Field(5)));
        return Hunt_Init();
    }
    case 1:
        BuildHuntMap();
        return 1;
    case 2:
        PlaceSSMObjects();
        LoadBackground();
        ResetRenderStates();
        return 1;
    case 3:
        ReleaseHuntMap();
        return 1;
    case 4:
        EvictManagedTextures();
        m_bSessionReady = 1;
        return 1;
    default:
        return 1;
    }
}

int SD3D6Parser::SetSessionParams(void* record) {
    if (record == nullptr) {
        return 0;
    }
    if (m_iSessionMode == 1) {
        const auto& info = *static_cast<const SModelViewInfo*>(record);
        for (int field : {3, 5, 4, 14}) {
            m_ModelView.Field(field) = info.Field(field);
        }
    } else if (m_iSessionMode == 2) {
        m_LevelInfo.Field(20) = static_cast<const SLevelInfo*>(record)->Field(20);
    }
    return 1;
}

int SD3D6Parser::GetSessionStepCount(int mode) { return mode == 2 ? 5 : 1; }

int SD3D6Parser::GetEndSessionStepCount(int) { return 1; }

void SD3D6Parser::FreeSessionItems() {
    for (int i = 0; i < m_ActorDescs.GetSize(); ++i) {
        delete m_ActorDescs[i];
    }
    m_ActorDescs.RemoveAll();
    FreeDecalPolygons();
    delete[] m_pDecalRing;
    m_pDecalRing = nullptr;
    m_iDecalRingSize = 0;
    m_iDecalNext = 0;
    m_iDecalCount = 0;
    ClearModelOutputs();
    // Model resources were taken from the catalog one use each; the session gives them back.
    SRendererCatalog* catalog = GetCatalog();
    for (int i = 0; i < m_ModelItems.GetSize(); ++i) {
        if (catalog != nullptr && m_ModelItems[i] != nullptr && m_ModelItems[i]->m_pResource != nullptr) {
            catalog->ReleaseResource(m_ModelItems[i]->m_pResource);
        }
        delete m_ModelItems[i];
    }
    m_ModelItems.RemoveAll();
    FreeTextureItems();
    for (int i = 0; i < m_SSMItems.GetSize(); ++i) {
        delete m_SSMItems[i];
    }
    m_SSMItems.RemoveAll();
    m_Buffers.FreeAll();
    if (m_SavedViewRange.bSaved) {
        s_iViewHeightOffset = 0;  // the lift was this session's
    }
    m_SavedViewRange = SavedViewRange{};
    m_nWaterTexture = -1;
    m_pWaterTexture = nullptr;
    std::fill(std::begin(m_pSkyFaces), std::end(m_pSkyFaces), nullptr);
    std::fill(std::begin(m_pNightVision), std::end(m_pNightVision), nullptr);
    std::fill(std::begin(m_pSecondSet), std::end(m_pSecondSet), nullptr);
    m_iNightVisionCount = m_iSecondSetCount = 0;
    m_pFlash = m_pJetBlack = nullptr;
    for (int i = 0; i < m_SSMVRecords.GetSize(); ++i) {
        delete m_SSMVRecords[i];
    }
    m_SSMVRecords.RemoveAll();
    for (int i = 0; i < m_Zones.GetSize(); ++i) {
        delete m_Zones[i];
    }
    m_Zones.RemoveAll();
    delete m_pWorld;
    m_pWorld = nullptr;
    m_SSMVBuffers.Free();
}

int SD3D6Parser::EndSession(int) {
    if (m_iSessionMode == 0) {
        return 1;
    }
    FreeSessionItems();
    ClearStateCaches();
    m_iSessionMode = 0;
    m_bSessionReady = 0;
    return 1;
}

const char* SD3D6Parser::GetTitle() { return "KR5 D3D6 Parser"; }

int SD3D6Parser::NoOpQuery() { return 0; }

int SD3D6Parser::NoOpCheck(int) { return 1; }

int SD3D6Parser::BeginFrame() {
    if (m_bSessionReady == 0) {
        return 0;
    }
    return m_iSessionMode == 1 ? SSMV_BeginFrame() : m_iSessionMode == 2 ? Hunt_BeginFrame() : 0;
}

int SD3D6Parser::RenderToTexture(int textureIndex, float fov, float baseFov, const float* rect) {
    if (m_bSessionReady == 0) {
        return 0;
    }
    if (m_iSessionMode == 1) {
        return SSMV_RenderToTexture(textureIndex, fov, baseFov, rect);
    }
    return m_iSessionMode == 2 ? Hunt_RenderToTexture(textureIndex, fov, baseFov, rect) : 0;
}

int SD3D6Parser::RenderFrame() {
    if (m_bSessionReady == 0) {
        return 0;
    }
    return m_iSessionMode == 1 ? SSMV_RenderFrame() : m_iSessionMode == 2 ? Hunt_RenderFrame() : 0;
}

int SD3D6Parser::EndFrame() {
    if (m_bSessionReady == 0) {
        return 0;
    }
    return m_iSessionMode == 1 ? SSMV_EndFrame() : m_iSessionMode == 2 ? Hunt_EndFrame() : 0;
}

int32_t SD3D6Parser::EvictManagedTextures() {
    if (m_pD3DRaster == nullptr || m_pD3DRaster->GetDirect3D() == nullptr) {
        return D3D_OK;  // nothing is managed without a device
    }
    return m_pD3DRaster->GetDirect3D()->EvictManagedTextures();
}

void SD3D6Parser::FreeTextureItems() {
    for (int i = 0; i < m_TextureLists.GetSize(); ++i) {
        if (SD3D6TextureList* list = m_TextureLists[i]) {
            delete[] list->m_pEntries;
            delete list;
        }
    }
    m_TextureLists.RemoveAll();
    for (int i = 0; i < m_TextureItems.GetSize(); ++i) {
        if (SD3D6TextureItem* item = m_TextureItems[i]) {
            if (item->m_pTexture != nullptr) {
                item->m_pTexture->Release();
                delete item->m_pTexture;
            }
            delete item;
        }
    }
    m_TextureItems.RemoveAll();
    m_UnreadableTextures.clear();
    m_UnreadableNames.clear();
}

int SD3D6Parser::TextureContext(int16_t textureIndex, sys::video::IDirectDrawSurface4** surface, sys::HDC* dc) {
    *surface = nullptr;
    *dc = nullptr;
    SD3D6Lock* texture = static_cast<SD3D6Lock*>(GetTexture(textureIndex));
    sys::video::IDirectDrawSurface4* top = texture != nullptr ? texture->GetSurface() : nullptr;
    if (top == nullptr) {
        return 0;
    }
    top->AddRef();
    if (top->GetDC(dc) != sys::video::DD_OK) {
        top->Release();
        *dc = nullptr;
        return 0;
    }
    *surface = top;
    return 1;
}

int SD3D6Parser::CopySurfaceToTexture(int16_t textureIndex, sys::video::IDirectDrawSurface4* surface,
                                      const sys::RECT* sourceRect, const sys::POINT* destPoint) {
    SD3D6Lock* texture = static_cast<SD3D6Lock*>(GetTexture(textureIndex));
    if (texture == nullptr || texture->GetSurface() == nullptr || surface == nullptr) {
        return 0;
    }
    sys::HDC source = nullptr;
    if (surface->GetDC(&source) != sys::video::DD_OK) {
        return 0;
    }
    sys::video::IDirectDrawSurface4* target = nullptr;
    sys::HDC dest = nullptr;
    if (TextureContext(textureIndex, &target, &dest) == 0) {
        surface->ReleaseDC(source);
        return 0;
    }
    const int x = destPoint != nullptr ? destPoint->x : 0;
    const int y = destPoint != nullptr ? destPoint->y : 0;
    const int left = sourceRect != nullptr ? sourceRect->left : 0;
    const int top = sourceRect != nullptr ? sourceRect->top : 0;
    const int width = sourceRect != nullptr ? sourceRect->right - sourceRect->left : texture->GetWidth();
    const int height = sourceRect != nullptr ? sourceRect->bottom - sourceRect->top : texture->GetHeight();
    sys::gdi::BitBlt(dest, x, y, width, height, source, left, top, sys::SRCCOPY);
    target->ReleaseDC(dest);
    surface->ReleaseDC(source);
    target->Release();
    return 1;
}

int SD3D6Parser::CopyTextureToSurface(int16_t textureIndex, sys::video::IDirectDrawSurface4* surface) {
    SD3D6Lock* texture = static_cast<SD3D6Lock*>(GetTexture(textureIndex));
    if (texture == nullptr || texture->GetSurface() == nullptr || surface == nullptr) {
        return 0;
    }
    sys::HDC dest = nullptr;
    if (surface->GetDC(&dest) != sys::video::DD_OK) {
        return 0;
    }
    sys::video::IDirectDrawSurface4* source = nullptr;
    sys::HDC sourceDC = nullptr;
    if (TextureContext(textureIndex, &source, &sourceDC) == 0) {
        surface->ReleaseDC(dest);
        return 0;
    }
    const int result = sys::gdi::BitBlt(dest, 0, 0, texture->GetWidth(), texture->GetHeight(), sourceDC, 0, 0,
                                        sys::SRCCOPY)
                           ? 1
                           : 0;
    source->ReleaseDC(sourceDC);
    surface->ReleaseDC(dest);
    source->Release();
    return result;
}

// --- View -----------------------------------------------------------------------------------------

void SD3D6Parser::SetViewPosition(float x, float y, float z) {
    m_fViewPosition[0] = x;
    m_fViewPosition[1] = y + static_cast<float>(s_iViewHeightOffset);
    m_fViewPosition[2] = z;
    if (m_pRaster != nullptr) {
        m_pRaster->SetPosition(x, y, z);
    }
}

void SD3D6Parser::SetViewAngles(float x, float y, float z) {
    m_fViewAngles[0] = x;
    m_fViewAngles[1] = y;
    m_fViewAngles[2] = z;
    if (m_pRaster != nullptr) {
        m_pRaster->SetAngles(x, y, z);
    }
}

void SD3D6Parser::SetProjection(float fov, float baseFov, float nearZ, float farZ) {
    m_fProjection[0] = fov;
    m_fProjection[1] = baseFov;
    m_fProjection[2] = nearZ;
    m_fProjection[3] = farZ;
    if (m_pRaster != nullptr) {
        m_pRaster->SetProjection(fov, nearZ, farZ);
    }
}

void SD3D6Parser::SetViewScale(float x, float y, float z) {
    m_fViewScale[0] = x;
    m_fViewScale[1] = y;
    m_fViewScale[2] = z;
    // The scale goes to the raster's scale setter; handing it to the position setter would
    // move the camera to (scale x, scale y, scale z).
    if (m_pRaster != nullptr) {
        m_pRaster->SetScale(x, y, z);
    }
}

int SD3D6Parser::SetViewRects(int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2) {
    m_rcView[0] = sys::RECT{l1, t1, r1, b1};
    m_rcView[1] = sys::RECT{l2, t2, r2, b2};
    if (m_pRaster == nullptr) {
        return 1;
    }
    return m_pRaster->SetViewportWindow(m_rcView[0], m_rcView[1]) != 0 ? 1 : 0;
}

void SD3D6Parser::GetViewPosition(float* x, float* y, float* z) {
    *x = m_fViewPosition[0];
    *y = m_fViewPosition[1];
    *z = m_fViewPosition[2];
}

void SD3D6Parser::GetViewAngles(float* x, float* y, float* z) {
    *x = m_fViewAngles[0];
    *y = m_fViewAngles[1];
    *z = m_fViewAngles[2];
}

void SD3D6Parser::GetProjection(float* fov, float* baseFov, float* nearZ, float* farZ) {
    *fov = m_fProjection[0];
    *baseFov = m_fProjection[1];
    *nearZ = m_fProjection[2];
    *farZ = m_fProjection[3];
}

void SD3D6Parser::GetViewScale(float* x, float* y, float* z) {
    *x = m_fViewScale[0];
    *y = m_fViewScale[1];
    *z = m_fViewScale[2];
}

void SD3D6Parser::GetViewRects(sys::RECT* first, sys::RECT* second) {
    if (first != nullptr) {
        *first = m_rcView[0];
    }
    if (second != nullptr) {
        *second = m_rcView[1];
    }
}

void SD3D6Parser::SetViewRect(int left, int top, int right, int bottom) {
    const sys::RECT window = m_rcView[1];
    SetViewRects(left, top, right, bottom, window.left, window.top, window.right, window.bottom);
    UpdateFrustum();
}

void SD3D6Parser::UpdateFrustum() {
    if (m_pRaster != nullptr) {
        m_pRaster->UpdateTransforms();
    }
}

// --- Texture and model items ----------------------------------------------------------------------

void* SD3D6Parser::GetTexture(int16_t textureIndex) {
    if (textureIndex < 0 || textureIndex >= m_TextureItems.GetSize() || m_TextureItems[textureIndex] == nullptr) {
        return nullptr;
    }
    return m_TextureItems[textureIndex]->m_pTexture;
}

int SD3D6Parser::GetTextureName(int16_t textureIndex, char* buffer, int16_t size) {
    if (textureIndex < 0 || textureIndex >= m_TextureItems.GetSize() || m_TextureItems[textureIndex] == nullptr ||
        buffer == nullptr) {
        return 0;
    }
    // Names are kept reversed for hashing; reversing again gives the name as looked up.
    CString name(m_TextureItems[textureIndex]->m_sName.GetString());
    name.MakeReverse();
    std::strncpy(buffer, name.GetString(), size > 0 ? static_cast<size_t>(size) : 0);
    return 1;
}

// Walks the texture items for a state report that nothing reads.
int SD3D6Parser::LogTextureState() { return 1; }

int SD3D6Parser::IsModelItemLoaded(int16_t index) {
    return index >= 0 && index < m_ModelItems.GetSize() && m_ModelItems[index] != nullptr &&
                   m_ModelItems[index]->m_pResource != nullptr
               ? 1
               : 0;
}

int16_t SD3D6Parser::FindModelItem(const char* name) {
    const char* wanted = name != nullptr ? name : "";
    for (int i = 0; i < m_ModelItems.GetSize(); ++i) {
        const SParseModelItem* item = m_ModelItems[i];
        if (item != nullptr && item->m_pResource != nullptr && std::strcmp(item->m_sName.GetString(), wanted) == 0) {
            return static_cast<int16_t>(i);
        }
    }
    return -1;
}

int16_t SD3D6Parser::GetModelOutputCount() { return static_cast<int16_t>(m_ModelOutputs.GetSize()); }

SMapKR5Model_Output* SD3D6Parser::GetModelOutput(int16_t index) {
    return index >= 0 && index < m_ModelOutputs.GetSize() ? m_ModelOutputs[index] : nullptr;
}

void SD3D6Parser::ClearModelOutputs() {
    m_ModelOutputs.RemoveAll();
    m_ModelOutputs.FreeExtra();
}

int SD3D6Parser::SupportsTextureFormat(const sys::video::DDPIXELFORMAT* format) {
    if (format == nullptr || m_pD3DRaster == nullptr || m_pD3DRaster->GetDevice(0) == nullptr) {
        return 0;
    }
    FormatSearch search{*format};
    if (m_pD3DRaster->GetDevice(0)->EnumTextureFormats(&OfferTextureFormat, &search) != D3D_OK) {
        return 0;
    }
    return (search.request.dwFlags & kTextureFormatMatched) != 0 ? 1 : 0;
}

// --- Lights ---------------------------------------------------------------------------------------

int SD3D6Parser::GetLightCount() { return m_pD3DRaster != nullptr ? m_pD3DRaster->GetLightCount() : 0; }

SD3D6Light* SD3D6Parser::GetLight(int index) {
    if (m_pD3DRaster == nullptr || index < 0 || index >= m_pD3DRaster->GetLightCount()) {
        return nullptr;
    }
    return &m_pD3DRaster->GetLights()[index];
}

// --- Session bodies -------------------------------------------------------------------------------

int SD3D6Parser::Hunt_Init() {
    for (int i = 0; i < 256; ++i) {
        m_fCornerCoords[i] = static_cast<float>(i) * 256.0f;
        m_fOffsets[i] = static_cast<float>(i);
        for (int k = 0; k < 8; ++k) {
            m_fBitTable[i][k] = (i >> k) & 1 ? 1.0f : 0.0f;
        }
    }
    std::memset(m_fOscillators, 0, sizeof(m_fOscillators));
    Log("[SD3D6Parser::Hunt_Init] Starting...");
    m_pMap = nullptr;
    const float up[3] = {0.0f, 1.0f, 0.0f};
    const float down[3] = {0.0f, -1.0f, 0.0f};
    std::memcpy(m_fSunDirection, up, sizeof(up));
    std::memcpy(m_fAtmosphereDirection, down, sizeof(down));
    m_fFogFactors[0] = m_fFogFactors[1] = m_fFogFactors[2] = 1.0f;
    delete m_pWorld;
    m_pWorld = new SHuntWorld();
    SetLightCount(1);

    const char* path = m_LevelInfo.m_sMapPath.GetString();
    auto* map = static_cast<SMapKR5*>(s_MapCache.Find(path));
    if (map == nullptr) {
        map = new SMapKR5();
        Log((std::string("[SD3D6Parser::Hunt_Init] Loading Map:") + path).c_str());
        // A map whose header was refused reads as "loaded" but holds nothing to play on.
        if (map->LoadFile(path) == 0 || !map->IsUsable() || s_MapCache.Add(map, path, nullptr) == -1) {
            delete map;
            return 0;
        }
    }
    m_pMap = map;
    m_pWorld->TakeGrids(*map);
    ClearModelOutputs();
    for (int i = 0; i < map->m_ModelOutputs.GetSize(); ++i) {
        m_ModelOutputs.Add(map->m_ModelOutputs[i]);
    }
    // The zones stay with the cached map, so every session on it gets them again.
    for (int i = 0; i < m_Zones.GetSize(); ++i) {
        delete m_Zones[i];
    }
    m_Zones.RemoveAll();
    for (int i = 0; i < map->m_Zones.GetSize(); ++i) {
        m_Zones.Add(map->m_Zones[i]->Clone());
    }
    ChooseTextureFormats();
    return 1;
}

int SD3D6Parser::AlwaysTrue() { return 1; }
