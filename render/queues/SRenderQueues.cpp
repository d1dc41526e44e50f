#include "render/queues/SRenderQueues.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/models/SSMObject.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/time/time.h"

using namespace sys::d3d;

namespace {

constexpr uint32_t kUnknown = 0xFFFFFFFFu;
constexpr uint32_t kMainFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2;  // 0x252
constexpr uint32_t kLineFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;                   // 0x142
constexpr uint32_t kNoLight = D3DDP_DONOTUPDATEEXTENTS | D3DDP_DONOTLIGHT;

const uint32_t kRenderStateIds[SD3D6StateCache::kRenderStates] = {27, 25, 24, 15, 41, 22, 20, 19, 7, 23, 14, 47};
const uint32_t kStageStateIds[SD3D6StateCache::kStageStates] = {1, 2, 3, 4, 5, 6, 12, 16, 17, 18, 19, 20, 11};

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

uint32_t RenderValue(const SD3D6TextureStates& s, int slot) {
    const uint32_t values[SD3D6StateCache::kRenderStates] = {
        s.dwAlphaBlendEnable, s.dwAlphaFunc, s.dwAlphaRef, s.dwAlphaTestEnable, s.dwColorKeyEnable, s.dwCullMode,
        s.dwDestBlend,        s.dwSrcBlend,  s.dwZEnable,  s.dwZFunc,          s.dwZWriteEnable,   s.dwZBias};
    return values[slot];
}

uint32_t StageValue(const SD3D6TextureStates& s, int slot) {
    const uint32_t values[SD3D6StateCache::kStageStates - 1] = {
        s.dwColorOp, s.dwColorArg1, s.dwColorArg2, s.dwAlphaOp, s.dwAlphaArg1, s.dwAlphaArg2,
        s.dwAddress, s.dwMagFilter, s.dwMinFilter, s.dwMipFilter, FloatBits(static_cast<float>(static_cast<int32_t>(s.dwMipBias))),
        s.dwMipLevels};
    return values[slot];
}

}  // namespace

void SD3D6StateCache::Reset() {
    std::memset(dwRender, 0xFF, sizeof(dwRender));
    std::memset(dwStage, 0xFF, sizeof(dwStage));
    for (int i = 0; i < kStages; ++i) {
        fScaleU[i] = 1.0f;
        fScaleV[i] = 1.0f;
    }
    iWire = -1;
    bMultiTexture = bLighting = bSecond = false;
    iTexGen[0] = iTexGen[1] = 0;
}

SRenderQueues::SRenderQueues() { Size(kDefaultEntries, kDefaultVertices, 16384, kDefaultVertices, kDefaultIndices); }

void SRenderQueues::Size(size_t entries, size_t poolVertices, size_t sprites, size_t batchVertices,
                         size_t batchIndices) {
    m_EntryCapacity = entries;
    m_Opaque.clear();
    m_Opaque.reserve(entries);
    m_Depth.clear();
    m_Depth.reserve(entries);
    m_Pool.assign(poolVertices, SQueueVertex{});
    m_Sprites.assign(sprites, SSpriteRecord{});
    m_Instances.assign(entries, SMeshInstance{});
    m_Transformed.assign(poolVertices * 6, 0.0f);
    m_BatchVertices.assign(std::min(batchVertices, kMaxBatchVertices), SQueueVertex{});
    m_BatchLines.assign(m_BatchVertices.size(), SLineVertex{});
    m_BatchIndices.assign(batchIndices, 0);
    Reset();
}

void SRenderQueues::Reset() {
    m_Opaque.clear();
    m_Depth.clear();
    m_PoolUsed = 0;
    m_SpritesUsed = 0;
    m_InstancesUsed = 0;
    m_TransformedUsed = 0;
    m_dwDropped = 0;
    m_VertexCount = 0;
    m_IndexCount = 0;
}

bool SRenderQueues::AddOpaque(const SOpaqueEntry& entry) {
    if (m_Opaque.size() >= m_EntryCapacity) {
        ++m_dwDropped;
        return false;
    }
    m_Opaque.push_back(entry);
    return true;
}

bool SRenderQueues::AddDepth(const SDepthEntry& entry) {
    if (m_Depth.size() >= m_EntryCapacity) {
        ++m_dwDropped;
        return false;
    }
    m_Depth.push_back(entry);
    return true;
}

float* SRenderQueues::AllocTransformed(size_t vertices) {
    if (vertices * 6 > m_Transformed.size() - m_TransformedUsed) {
        ++m_dwDropped;
        return nullptr;
    }
    float* out = m_Transformed.data() + m_TransformedUsed;
    m_TransformedUsed += vertices * 6;
    return out;
}

SQueueVertex* SRenderQueues::AllocVertices(size_t count) {
    if (count > m_Pool.size() - m_PoolUsed) {
        ++m_dwDropped;
        return nullptr;
    }
    SQueueVertex* out = m_Pool.data() + m_PoolUsed;
    m_PoolUsed += count;
    return out;
}

SSpriteRecord* SRenderQueues::AllocSprite() {
    if (m_SpritesUsed >= m_Sprites.size()) {
        ++m_dwDropped;
        return nullptr;
    }
    return &m_Sprites[m_SpritesUsed++];
}

int32_t SRenderQueues::AddInstance(const SMeshInstance& instance) {
    if (m_InstancesUsed >= m_Instances.size()) {
        ++m_dwDropped;
        return -1;
    }
    m_Instances[m_InstancesUsed] = instance;
    return static_cast<int32_t>(m_InstancesUsed++);
}

int SRenderQueues::CompareTextureKeys(const SOpaqueEntry& a, const SOpaqueEntry& b) {
    return a.iTexture == b.iTexture ? 0 : a.iTexture > b.iTexture ? 1 : -1;
}

int SRenderQueues::CompareDrawKeys(const SDepthEntry& a, const SDepthEntry& b) { return a.fKey > b.fKey ? 1 : -1; }

// The comparisons keep their answers for their callers; the sorts need a strict weak ordering,
// which "less than" on the same keys gives (equal depth keys would otherwise compare less
// both ways).
void SRenderQueues::SortOpaque() {
    std::sort(m_Opaque.begin(), m_Opaque.end(),
              [](const SOpaqueEntry& a, const SOpaqueEntry& b) { return CompareTextureKeys(a, b) < 0; });
}

void SRenderQueues::SortTranslucent() {
    std::sort(m_Depth.begin(), m_Depth.end(),
              [](const SDepthEntry& a, const SDepthEntry& b) { return CompareDrawKeys(b, a) > 0; });
}

// --- Texture state ---------------------------------------------------------------------------

void SRenderQueues::SetRender(IDirect3DDevice3* device, int slot, uint32_t state, uint32_t value) {
    if (m_Cache.dwRender[slot] != value || value == kUnknown) {
        device->SetRenderState(state, value);
        m_Cache.dwRender[slot] = value;
    }
}

void SRenderQueues::SetStage(IDirect3DDevice3* device, int stage, int slot, uint32_t state, uint32_t value) {
    if (m_Cache.dwStage[stage][slot] != value || value == kUnknown) {
        device->SetTextureStageState(static_cast<uint32_t>(stage), state, value);
        m_Cache.dwStage[stage][slot] = value;
    }
}

void SRenderQueues::DisableStage(IDirect3DDevice3* device, int stage) {
    // Stages past the cache's reach are left alone: the device has no use for them here.
    if (stage < 0 || stage >= SD3D6StateCache::kStages) {
        return;
    }
    device->SetTexture(static_cast<uint32_t>(stage), nullptr);
    SetStage(device, stage, 0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetStage(device, stage, 3, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void SRenderQueues::SetTextureState(IDirect3DDevice3* device, const SD3D6Lock* record) {
    if (device == nullptr) {
        return;
    }
    if (record == nullptr) {
        device->SetTexture(0, nullptr);
        device->SetTexture(1, nullptr);
        return;
    }
    ApplyStage(device, record, static_cast<int>(record->m_States.dwStageIndex));
}

void SRenderQueues::ApplyStage(IDirect3DDevice3* device, const SD3D6Lock* record, int stage) {
    const SD3D6TextureStates& s = record->m_States;
    // A record with a stage number past the cache's four stages touches nothing.
    if (stage < 0 || stage >= SD3D6StateCache::kStages) {
        return;
    }
    if (stage > 1) {
        DisableStage(device, stage);
        return;
    }
    const SD3D6Lock* next = record->m_pDetail;
    const bool nextFollows = next != nullptr && static_cast<int>(next->m_States.dwStageIndex) == stage + 1;
    if (stage == 0) {
        for (int i = 0; i < SD3D6StateCache::kRenderStates; ++i) {
            SetRender(device, i, kRenderStateIds[i], RenderValue(s, i));
        }
        m_Cache.bMultiTexture = nextFollows;
        m_Cache.bLighting = s.iLighting == 1;
        m_Cache.bSecond = s.iTint == 1;
        m_Cache.iTexGen[0] = s.iTexGen1;
        m_Cache.iTexGen[1] = s.iTexGen2;
        const int32_t wire = s.iWireFrame != 0 ? 1 : 0;
        if (wire != m_Cache.iWire) {
            device->SetRenderState(D3DRENDERSTATE_FILLMODE, wire ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
            m_Cache.iWire = wire;
        }
    }
    for (int i = 0; i < SD3D6StateCache::kStageStates - 1; ++i) {
        SetStage(device, stage, i, kStageStateIds[i], StageValue(s, i));
    }
    SetStage(device, stage, SD3D6StateCache::kStageStates - 1, D3DTSS_TEXCOORDINDEX, static_cast<uint32_t>(stage));
    m_Cache.fScaleU[stage] = s.fRepeatU;
    m_Cache.fScaleV[stage] = s.fRepeatV;
    device->SetTexture(static_cast<uint32_t>(stage), record->m_pTexture);
    if (stage == 0) {
        device->SetLightState(D3DLIGHTSTATE_MATERIAL, record->m_hMaterial);
    }
    if (nextFollows) {
        ApplyStage(device, next, stage + 1);
    } else {
        DisableStage(device, stage + 1);
    }
}

// --- Batches ---------------------------------------------------------------------------------

void SRenderQueues::Flush(IDirect3DDevice3* device, bool opaque) {
    if (m_VertexCount == 0 || m_IndexCount == 0) {
        m_VertexCount = 0;
        m_IndexCount = 0;
        return;
    }
    const uint32_t vertices = static_cast<uint32_t>(m_VertexCount);
    const uint32_t indices = static_cast<uint32_t>(m_IndexCount);
    if (m_Cache.iWire == 1) {
        device->DrawIndexedPrimitive(D3DPT_LINELIST, kLineFormat, m_BatchLines.data(), vertices,
                                     m_BatchIndices.data(), indices, kNoLight);
    } else {
        for (int set = 0; set < 2; ++set) {
            const int16_t mode = m_Cache.iTexGen[set];
            if (mode == 0) {
                continue;
            }
            const float p = -m_fCameraAngles[0], y = m_fCameraAngles[1], r = m_fCameraAngles[2];
            const float cp = std::cos(p), sp = std::sin(p), cy = std::cos(y), sy = std::sin(y);
            const float cr = std::cos(r), sr = std::sin(r);
            for (size_t i = 0; i < m_VertexCount; ++i) {
                SQueueVertex& v = m_BatchVertices[i];
                float nx = v.fNormal[0], ny = v.fNormal[1];
                if (mode != 1) {
                    // About X by -pitch, then Y by yaw, then Z by roll, as row vectors.
                    const float x0 = v.fNormal[0];
                    const float y0 = v.fNormal[1] * cp + v.fNormal[2] * sp;
                    const float z0 = -v.fNormal[1] * sp + v.fNormal[2] * cp;
                    const float x1 = x0 * cy - z0 * sy;
                    nx = x1 * cr - y0 * sr;
                    ny = x1 * sr + y0 * cr;
                }
                v.fTexCoord[set * 2] = 0.5f + 0.5f * nx;
                v.fTexCoord[set * 2 + 1] = 0.5f + 0.5f * ny;
            }
        }
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kMainFormat, m_BatchVertices.data(), vertices,
                                     m_BatchIndices.data(), indices,
                                     m_Cache.bLighting ? D3DDP_DONOTUPDATEEXTENTS : kNoLight);
    }
    if (m_pStats != nullptr) {
        (opaque ? m_pStats->iOpaqueTriangles : m_pStats->iTranslucentTriangles) += static_cast<int32_t>(vertices / 3);
    }
    m_VertexCount = 0;
    m_IndexCount = 0;
}

bool SRenderQueues::Reserve(IDirect3DDevice3* device, bool opaque, size_t vertices, size_t indices) {
    if (vertices > m_BatchVertices.size() || indices > m_BatchIndices.size()) {
        ++m_dwDropped;
        return false;
    }
    if (m_VertexCount + vertices > m_BatchVertices.size() || m_IndexCount + indices > m_BatchIndices.size()) {
        Flush(device, opaque);
    }
    return true;
}

void SRenderQueues::AddQuadIndices(uint16_t n) {
    const uint16_t quad[6] = {n, static_cast<uint16_t>(n + 1), static_cast<uint16_t>(n + 2),
                              static_cast<uint16_t>(n + 1), static_cast<uint16_t>(n + 3),
                              static_cast<uint16_t>(n + 2)};
    std::memcpy(&m_BatchIndices[m_IndexCount], quad, sizeof(quad));
    m_IndexCount += 6;
}

void SRenderQueues::AppendSprite(IDirect3DDevice3* device, bool opaque, const SSpriteRecord& sprite,
                                 uint32_t alpha) {
    if (!Reserve(device, opaque, 4, 6)) {
        return;
    }
    const float su = m_Cache.fScaleU[1], sv = m_Cache.fScaleV[1];
    const float* b = sprite.fBottom;
    const float* t = sprite.fTop;
    const float positions[4][3] = {{b[0] + sprite.fSway[0], t[1], b[2] + sprite.fSway[1]},
                                   {t[0] + sprite.fSway[0], t[1], t[2] + sprite.fSway[1]},
                                   {b[0], b[1], b[2]},
                                   {t[0], b[1], t[2]}};
    const float set0[4][2] = {{0.995f, 0.005f}, {0.005f, 0.005f}, {0.995f, 0.995f}, {0.005f, 0.995f}};
    const float set1[4][2] = {{su, 0.0f}, {0.0f, 0.0f}, {su, sv}, {0.0f, sv}};
    const uint16_t n = static_cast<uint16_t>(m_VertexCount);
    for (int i = 0; i < 4; ++i) {
        SQueueVertex& v = m_BatchVertices[m_VertexCount + i];
        std::memcpy(&v.x, positions[i], 12);
        if (m_pLightNormal != nullptr) {
            std::memcpy(v.fNormal, m_pLightNormal, 12);
        } else {
            v.fNormal[0] = 0.0f, v.fNormal[1] = 1.0f, v.fNormal[2] = 0.0f;
        }
        if (opaque) {
            v.dwColour = 0xFFFFFFFF;
        } else {
            v.dwColour = (i < 2 ? sprite.dwTopColour : sprite.dwBottomColour) & 0xFFFFFF;
            v.dwColour |= alpha << 24;
        }
        v.fTexCoord[0] = set0[i][0];
        v.fTexCoord[1] = set0[i][1];
        v.fTexCoord[2] = set1[i][0];
        v.fTexCoord[3] = set1[i][1];
    }
    m_VertexCount += 4;
    AddQuadIndices(n);
}

void SRenderQueues::AppendLines(IDirect3DDevice3* device, bool opaque, const SQueueVertex* from, int lines) {
    for (int l = 0; l < lines; ++l) {
        if (!Reserve(device, opaque, 2, 2)) {
            return;
        }
        for (int k = 0; k < 2; ++k) {
            const SQueueVertex& src = from[l * 2 + k];
            SLineVertex& dst = m_BatchLines[m_VertexCount];
            dst.x = src.x, dst.y = src.y, dst.z = src.z;
            dst.dwColour = src.dwColour;
            dst.u = src.fTexCoord[0];
            dst.v = src.fTexCoord[1];
            m_BatchIndices[m_IndexCount++] = static_cast<uint16_t>(m_VertexCount++);
        }
    }
}

// Copies `count` vertices in primitives of `perPrimitive` (3 triangles, 4 quads).
void SRenderQueues::AppendCopies(IDirect3DDevice3* device, bool opaque, const SQueueVertex* from, int count,
                                 int perPrimitive) {
    for (int i = 0; i + perPrimitive <= count; i += perPrimitive) {
        const size_t indices = perPrimitive == 4 ? 6 : 3;
        if (!Reserve(device, opaque, static_cast<size_t>(perPrimitive), indices)) {
            return;
        }
        const uint16_t n = static_cast<uint16_t>(m_VertexCount);
        std::memcpy(&m_BatchVertices[m_VertexCount], from + i, sizeof(SQueueVertex) * perPrimitive);
        m_VertexCount += static_cast<size_t>(perPrimitive);
        if (perPrimitive == 4) {
            AddQuadIndices(n);
        } else {
            for (int k = 0; k < 3; ++k) {
                m_BatchIndices[m_IndexCount++] = static_cast<uint16_t>(n + k);
            }
        }
    }
}

void SRenderQueues::AppendGround(IDirect3DDevice3* device, int cell, float fu, float fv) {
    SHuntWorld* world = m_Ground.pWorld;
    if (world == nullptr || world->m_pCells == nullptr || cell < 0 || cell > 0xFFFF) {
        return;
    }
    SHuntCell& record = world->Cell(cell);
    if (record.byWater == 1 && world->m_pTileVertices != nullptr) {
        // Strips cut at the water level: the second of each pair only after a non-empty first.
        for (int piece = 0; piece < 4; ++piece) {
            if ((piece == 1 || piece == 3) && record.byPieceCounts[piece - 1] == 0) {
                continue;
            }
            const int k = record.byPieceCounts[piece];
            const int first = record.iPieceFirst[piece];
            if (k < 3 || first < 0 || first + k > world->m_iTileVertexCount) {
                continue;
            }
            const size_t triangles = static_cast<size_t>(k - 2);
            if (!Reserve(device, true, static_cast<size_t>(k), triangles * 3)) {
                continue;
            }
            const uint16_t n = static_cast<uint16_t>(m_VertexCount);
            for (int i = 0; i < k; ++i) {
                SQueueVertex& v = m_BatchVertices[m_VertexCount + i];
                v = world->m_pTileVertices[first + i];
                v.fTexCoord[2] *= fu;
                v.fTexCoord[3] *= fv;
            }
            m_VertexCount += static_cast<size_t>(k);
            for (int i = 0; i + 2 < k; i += 2) {
                const uint16_t tri[3] = {static_cast<uint16_t>(n + i), static_cast<uint16_t>(n + i + 2),
                                         static_cast<uint16_t>(n + i + 1)};
                std::memcpy(&m_BatchIndices[m_IndexCount], tri, sizeof(tri));
                m_IndexCount += 3;
                if (i + 3 < k) {
                    const uint16_t tri2[3] = {static_cast<uint16_t>(n + i + 2), static_cast<uint16_t>(n + i + 3),
                                              static_cast<uint16_t>(n + i + 1)};
                    std::memcpy(&m_BatchIndices[m_IndexCount], tri2, sizeof(tri2));
                    m_IndexCount += 3;
                }
            }
        }
        return;
    }
    if (!Reserve(device, true, 4, 6) || world->m_pHeights == nullptr) {
        return;
    }
    const int x = cell & 255, y = cell >> 8;
    const float X = m_Ground.pCornerCoords != nullptr ? m_Ground.pCornerCoords[x] : static_cast<float>(x) * 256.0f;
    const float Z = m_Ground.pCornerCoords != nullptr ? m_Ground.pCornerCoords[y] : static_cast<float>(y) * 256.0f;
    const int corners[4] = {cell, (cell + 1) & 0xFFFF, (cell + 256) & 0xFFFF, (cell + 257) & 0xFFFF};
    const float offsets[4][2] = {{0.0f, 0.0f}, {256.0f, 0.0f}, {0.0f, 256.0f}, {256.0f, 256.0f}};
    const int orientation[4] = {3, 2, 0, 1};
    const float set1[4][2] = {{0.0f, 0.0f}, {fu, 0.0f}, {0.0f, fv}, {fu, fv}};
    const uint16_t n = static_cast<uint16_t>(m_VertexCount);
    for (int i = 0; i < 4; ++i) {
        SQueueVertex& v = m_BatchVertices[m_VertexCount + i];
        const SHuntCell& c = world->Cell(corners[i]);
        v.x = X + offsets[i][0];
        v.y = world->m_pHeights[corners[i]];
        v.z = Z + offsets[i][1];
        std::memcpy(v.fNormal, c.fNormal, 12);
        v.dwColour = c.dwColour;
        const float* p = world->m_fTexCoordSets[record.byOrientation][orientation[i]];
        v.fTexCoord[0] = p[0];
        v.fTexCoord[1] = p[1];
        v.fTexCoord[2] = set1[i][0];
        v.fTexCoord[3] = set1[i][1];
    }
    m_VertexCount += 4;
    AddQuadIndices(n);
}

void SRenderQueues::AppendOpaque(IDirect3DDevice3* device, const SOpaqueEntry& entry, float fu, float fv) {
    switch (entry.iKind) {
        case 0: {
            const int instance = entry.pair.iFirst, group = entry.pair.iSecond;
            if (instance < 0 || static_cast<size_t>(instance) >= m_InstancesUsed) {
                return;
            }
            const SMeshInstance& mesh = m_Instances[static_cast<size_t>(instance)];
            const SSMObject* model = mesh.pModel;
            if (model == nullptr || mesh.pTransformed == nullptr || group < 0 ||
                static_cast<size_t>(group) >= model->m_groups.size()) {
                return;
            }
            const float su = m_Cache.fScaleU[1], sv = m_Cache.fScaleV[1];
            for (int16_t t : model->m_groups[static_cast<size_t>(group)]->triangles) {
                if (t < 0 || static_cast<size_t>(t) >= model->m_triangles.size() || !Reserve(device, true, 3, 3)) {
                    continue;
                }
                const SSMTriangle& triangle = model->m_triangles[static_cast<size_t>(t)];
                const uint16_t n = static_cast<uint16_t>(m_VertexCount);
                for (int k = 0; k < 3; ++k) {
                    SQueueVertex& v = m_BatchVertices[m_VertexCount + k];
                    const int vertex = triangle.vertex[k];
                    if (vertex < 0 || vertex >= model->m_nVertices) {
                        v = SQueueVertex{};
                    } else {
                        std::memcpy(&v.x, mesh.pTransformed + vertex * 6, 24);
                    }
                    v.dwColour = 0xFFFFFFFF;
                    v.fTexCoord[0] = triangle.uv[k].u;
                    v.fTexCoord[1] = triangle.uv[k].v;
                    v.fTexCoord[2] = triangle.uv[k].u * su;
                    v.fTexCoord[3] = triangle.uv[k].v * sv;
                }
                m_VertexCount += 3;
                // Drawn with the second and third corners swapped.
                m_BatchIndices[m_IndexCount++] = n;
                m_BatchIndices[m_IndexCount++] = static_cast<uint16_t>(n + 2);
                m_BatchIndices[m_IndexCount++] = static_cast<uint16_t>(n + 1);
            }
            return;
        }
        case 1: {
            const uint32_t index = entry.dwValue;
            if (index < m_SpritesUsed) {
                AppendSprite(device, true, m_Sprites[index], 0xFF);
            }
            return;
        }
        case 2:
        case 3:
        case 10: {
            const int first = entry.pair.iFirst;
            const int count = entry.pair.iSecond;
            const int perItem = entry.iKind == 2 ? 4 : entry.iKind == 3 ? 2 : 1;
            const size_t end = static_cast<size_t>(first) + static_cast<size_t>(count) * static_cast<size_t>(perItem);
            if (first < 0 || count < 0 || end > m_PoolUsed) {
                return;
            }
            const SQueueVertex* from = m_Pool.data() + first;
            if (entry.iKind == 2) {
                AppendCopies(device, true, from, count * 4, 4);
            } else if (entry.iKind == 3) {
                AppendLines(device, true, from, count);
            } else {
                AppendCopies(device, true, from, count, 3);
            }
            return;
        }
        case 4: {
            const auto* record = static_cast<const SPolygonRecord*>(entry.pPointer);
            if (record == nullptr || record->m_pVertices == nullptr || record->m_pIndices == nullptr) {
                return;
            }
            for (int t = 0; t < record->m_nTriangleCount; ++t) {
                if (!Reserve(device, true, 3, 3)) {
                    return;
                }
                for (int k = 0; k < 3; ++k) {
                    m_BatchVertices[m_VertexCount] = record->m_pVertices[record->m_pIndices[t * 3 + k]];
                    m_BatchIndices[m_IndexCount++] = static_cast<uint16_t>(m_VertexCount++);
                }
            }
            return;
        }
        case 5:
            AppendGround(device, static_cast<int>(entry.dwValue), fu, fv);
            return;
        default:
            return;
    }
}

void SRenderQueues::AppendDepth(IDirect3DDevice3* device, const SDepthEntry& entry) {
    if (entry.pPointer == nullptr) {
        return;
    }
    switch (entry.iKind) {
        case 0: {
            float fade = 0.0f;
            if (m_fFarDistance > 0.0f) {
                const float f = -entry.fKey / m_fFarDistance;
                fade = std::clamp((f - 0.8f) * 5.0f, 0.0f, 1.0f);
            }
            const uint32_t alpha = static_cast<uint32_t>((1.0f - fade) * 255.0f);
            AppendSprite(device, false, *static_cast<const SSpriteRecord*>(entry.pPointer), alpha);
            return;
        }
        case 1:
            AppendCopies(device, false, static_cast<const SQueueVertex*>(entry.pPointer), 3, 3);
            return;
        case 2:
            AppendCopies(device, false, static_cast<const SQueueVertex*>(entry.pPointer), 4, 4);
            return;
        case 3:
            AppendLines(device, false, static_cast<const SQueueVertex*>(entry.pPointer), 1);
            return;
        case 4: {
            const int count = entry.iCount;
            if (count <= 0 || static_cast<size_t>(count) > m_BatchVertices.size()) {
                return;
            }
            if (!Reserve(device, false, static_cast<size_t>(count), static_cast<size_t>(count))) {
                return;
            }
            std::memcpy(&m_BatchVertices[m_VertexCount], entry.pPointer, sizeof(SQueueVertex) * count);
            for (int i = 0; i < count; ++i) {
                m_BatchIndices[m_IndexCount++] = static_cast<uint16_t>(m_VertexCount++);
            }
            return;
        }
        default:
            return;
    }
}

void SRenderQueues::Draw(IDirect3DDevice3* device, bool opaque, const TextureLookup& textures) {
    if (device == nullptr) {
        return;
    }
    m_VertexCount = 0;
    m_IndexCount = 0;
    const size_t count = opaque ? m_Opaque.size() : m_Depth.size();
    int32_t current = 0x10000;  // no texture-item index equals it: the first entry starts a batch
    float fu = 1.0f, fv = 1.0f;
    for (size_t i = 0; i < count; ++i) {
        const int16_t texture = opaque ? m_Opaque[i].iTexture : m_Depth[i].iTexture;
        if (texture != current) {
            Flush(device, opaque);
            current = texture;
            const SD3D6Lock* record = textures ? textures(texture) : nullptr;
            const double start = sys::time::Seconds();
            SetTextureState(device, record);
            if (m_pStats != nullptr) {
                m_pStats->dTextureTime += sys::time::Seconds() - start;
            }
            fu = fv = 1.0f;
            if (opaque && record != nullptr && record->m_pDetail != nullptr) {
                fu = record->m_pDetail->m_States.fRepeatU;
                fv = record->m_pDetail->m_States.fRepeatV;
            }
        }
        if (opaque) {
            AppendOpaque(device, m_Opaque[i], fu, fv);
        } else {
            AppendDepth(device, m_Depth[i]);
        }
    }
    Flush(device, opaque);
}
