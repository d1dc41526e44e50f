#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/map/SHuntWorld.h"
#include "render/queues/SPolygonRecord.h"
#include "sys/d3d/d3d.h"

class SD3D6Lock;
class SSMObject;

// The main vertex of the queues: position, normal, diffuse 0xAARRGGBB and two (u, v) pairs.
using SQueueVertex = STileVertex;

// The line vertex: position, diffuse and one (u, v) pair.
struct SLineVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    uint32_t dwColour = 0;
    float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(SLineVertex) == 24);

// A tree or point sprite: bottom-left and top-right points, sway and the two colours.
struct SSpriteRecord {
    float fBottom[3] = {};
    float fTop[3] = {};
    float fSway[2] = {};
    uint32_t dwBottomColour = 0xFFFFFF;
    uint32_t dwTopColour = 0xFFFFFF;
};
static_assert(sizeof(SSpriteRecord) == 40);

// One drawn opaque model instance: the model and the instance's transformed vertices (position
// then normal, six floats per model vertex).
struct SMeshInstance {
    const SSMObject* pModel = nullptr;
    const float* pTransformed = nullptr;
};

struct SOpaqueEntry {
    int16_t iTexture = -1;
    int16_t iKind = 0;
    union {
        uint32_t dwValue;
        struct {
            int16_t iFirst;
            int16_t iSecond;
        } pair;
        const void* pPointer;
    };
};

struct SDepthEntry {
    float fKey = 0.0f;
    int16_t iTexture = -1;
    int16_t iKind = 0;
    const void* pPointer = nullptr;
    int16_t iCount = 0;
};

// What the queues keep of the device states, so a texture that repeats another's states
// changes nothing on the device. -1 means unknown: the next application sets the state.
struct SD3D6StateCache {
    static constexpr int kRenderStates = 12;
    static constexpr int kStages = 4;
    static constexpr int kStageStates = 13;
    uint32_t dwRender[kRenderStates];
    uint32_t dwStage[kStages][kStageStates];
    float fScaleU[kStages];
    float fScaleV[kStages];
    int32_t iWire = -1;
    bool bMultiTexture = false;
    bool bLighting = false;
    bool bSecond = false;
    int16_t iTexGen[2] = {};

    SD3D6StateCache() { Reset(); }
    void Reset();
};

// Frame statistics the display manager's overlay reads: triangles drawn by the two queues,
// the time of the frame and the part of it spent applying texture states.
struct SRenderFrameStats {
    int32_t iOpaqueTriangles = 0;
    int32_t iTranslucentTriangles = 0;
    double dFrameTime = 0.0;
    double dTextureTime = 0.0;
};

// Where ground-cell entries take their geometry from.
struct SGroundSource {
    SHuntWorld* pWorld = nullptr;
    const float* pCornerCoords = nullptr;  // 256 entries, i x 256
    const float* pLightNormal = nullptr;   // three floats
};

// The two render queues of a frame, their per-frame pools, the batched drawing that turns
// them into one indexed draw per texture, and texture-state application through a cache.
// Every queue and pool has a fixed capacity: appends beyond it are dropped and counted; a
// batch whose storage would overflow (or pass the reach of 16-bit indices) is drawn early.
class SRenderQueues {
public:
    static constexpr size_t kDefaultEntries = 32768;
    static constexpr size_t kDefaultVertices = 32768;
    static constexpr size_t kDefaultIndices = 65536;
    static constexpr size_t kMaxBatchVertices = 65535;

    SRenderQueues();
    // Capacities of the queues, of the vertex pool and sprite pool, and of a batch.
    void Size(size_t entries, size_t poolVertices, size_t sprites, size_t batchVertices, size_t batchIndices);

    void Reset();
    // Appends; false (and counted as dropped) when the queue or pool is full.
    bool AddOpaque(const SOpaqueEntry& entry);
    bool AddDepth(const SDepthEntry& entry);
    // Room for `count` vertices in the pool, or null (counted as dropped).
    SQueueVertex* AllocVertices(size_t count);
    SSpriteRecord* AllocSprite();
    int32_t AddInstance(const SMeshInstance& instance);
    // Room for the transformed vertices of a model instance (six floats each), or null.
    float* AllocTransformed(size_t vertices);

    void SortOpaque();
    void SortTranslucent();
    // `textures` leads a texture-item index to its record (null for none or a bad index).
    using TextureLookup = std::function<const SD3D6Lock*(int16_t)>;
    void DrawOpaque(sys::d3d::IDirect3DDevice3* device, const TextureLookup& textures) {
        Draw(device, true, textures);
    }
    void DrawTranslucent(sys::d3d::IDirect3DDevice3* device, const TextureLookup& textures) {
        Draw(device, false, textures);
    }

    // Applies a texture record (null: no texture) to the device through the cache.
    void SetTextureState(sys::d3d::IDirect3DDevice3* device, const SD3D6Lock* record);

    size_t OpaqueCount() const { return m_Opaque.size(); }
    size_t DepthCount() const { return m_Depth.size(); }
    const SOpaqueEntry& Opaque(size_t i) const { return m_Opaque[i]; }
    const SDepthEntry& Depth(size_t i) const { return m_Depth[i]; }
    size_t PoolVertexCount() const { return m_PoolUsed; }
    size_t SpriteCount() const { return m_SpritesUsed; }
    uint32_t Dropped() const { return m_dwDropped; }
    const SSpriteRecord* Sprites() const { return m_Sprites.data(); }
    const SQueueVertex* PoolVertices() const { return m_Pool.data(); }
    const SMeshInstance& Instance(size_t i) const { return m_Instances[i]; }

    // Sort orders of the queues: the texture comparison answers 0 for equal indices; the depth
    // comparison answers 1 only for a strictly greater key and -1 otherwise.
    static int CompareTextureKeys(const SOpaqueEntry& a, const SOpaqueEntry& b);
    static int CompareDrawKeys(const SDepthEntry& a, const SDepthEntry& b);

    SD3D6StateCache m_Cache;
    SRenderFrameStats* m_pStats = nullptr;
    SGroundSource m_Ground;
    float m_fFarDistance = 0.0f;     // sprites fade out over the last fifth of it
    float m_fCameraAngles[3] = {};   // pitch, yaw, roll for texture-coordinate generation
    const float* m_pLightNormal = nullptr;

private:
    void Draw(sys::d3d::IDirect3DDevice3* device, bool opaque, const TextureLookup& textures);
    void ApplyStage(sys::d3d::IDirect3DDevice3* device, const SD3D6Lock* record, int stage);
    void DisableStage(sys::d3d::IDirect3DDevice3* device, int stage);
    void SetRender(sys::d3d::IDirect3DDevice3* device, int slot, uint32_t state, uint32_t value);
    void SetStage(sys::d3d::IDirect3DDevice3* device, int stage, int slot, uint32_t state, uint32_t value);
    void Flush(sys::d3d::IDirect3DDevice3* device, bool opaque);
    // Makes room for a primitive group of `vertices` and `indices`, drawing the batch first when
    // it would not fit; false when it can never fit.
    bool Reserve(sys::d3d::IDirect3DDevice3* device, bool opaque, size_t vertices, size_t indices);
    void AddQuadIndices(uint16_t n);
    void AppendOpaque(sys::d3d::IDirect3DDevice3* device, const SOpaqueEntry& entry, float fu, float fv);
    void AppendDepth(sys::d3d::IDirect3DDevice3* device, const SDepthEntry& entry);
    void AppendSprite(sys::d3d::IDirect3DDevice3* device, bool opaque, const SSpriteRecord& sprite, uint32_t alpha);
    void AppendGround(sys::d3d::IDirect3DDevice3* device, int cell, float fu, float fv);
    void AppendLines(sys::d3d::IDirect3DDevice3* device, bool opaque, const SQueueVertex* from, int lines);
    void AppendCopies(sys::d3d::IDirect3DDevice3* device, bool opaque, const SQueueVertex* from, int count,
                      int perPrimitive);

    std::vector<SOpaqueEntry> m_Opaque;
    std::vector<SDepthEntry> m_Depth;
    size_t m_EntryCapacity = kDefaultEntries;
    std::vector<SQueueVertex> m_Pool;
    size_t m_PoolUsed = 0;
    std::vector<SSpriteRecord> m_Sprites;
    size_t m_SpritesUsed = 0;
    std::vector<SMeshInstance> m_Instances;
    size_t m_InstancesUsed = 0;
    std::vector<float> m_Transformed;
    size_t m_TransformedUsed = 0;
    uint32_t m_dwDropped = 0;

    // The batch being collected.
    std::vector<SQueueVertex> m_BatchVertices;
    std::vector<SLineVertex> m_BatchLines;
    std::vector<uint16_t> m_BatchIndices;
    size_t m_VertexCount = 0;
    size_t m_IndexCount = 0;
};
