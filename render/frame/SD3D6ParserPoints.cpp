// Point nodes of the hierarchy walk: quads turned by their angles or toward the camera,
// sprites, coloured lines and ready-made meshes such as ground decals, queued as opaque runs or
// one translucent entry per shape.

#include <cmath>
#include <cstring>

#include "render/SD3D6Parser.h"
#include "render/queues/SPolygonRecord.h"
#include "render/texture/SD3D6Lock.h"

namespace {

constexpr float kLow = 0.005f;
constexpr float kHigh = 0.995f;

void Carry(const float* m, const float* p, float* out) {
    for (int i = 0; i < 3; ++i) {
        out[i] = p[0] * m[i] + p[1] * m[4 + i] + p[2] * m[8 + i] + m[12 + i];
    }
}

// What every shape of one node shares while it is queued.
struct PointContext {
    const SObjectFrameRecord& record;
    const ActorDesc& node;
    const float* lightNormal;
    float bias;  // sends shapes under the water behind it
    bool cameraFacing;

    // The node's point carried into the world.
    void Place(const float* p, float* out) const {
        const float offset[3] = {p[0] + node.m_vPosition.x, p[1] + node.m_vPosition.y, p[2] + node.m_vPosition.z};
        Carry(record.fWorld, offset, out);
    }
    float Key(const float* at) const {
        float key = 0.0f;
        for (int i = 0; i < 3; ++i) {
            key += (record.fCamera[i] - at[i]) * record.fDirection[i];
        }
        return key + bias;
    }
    // The four corners of a quad of `size` about the world point `at`, turned by a, b, c.
    void Quad(const float* at, float size, float a, float b, float c, SQueueVertex* out) const {
        static const float kCorners[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
        static const float kCoords[4][2] = {{kLow, kLow}, {kLow, kHigh}, {kHigh, kLow}, {kHigh, kHigh}};
        const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        const float cc = std::cos(c), sc = std::sin(c);
        for (int i = 0; i < 4; ++i) {
            const float x0 = kCorners[i][0], y0 = kCorners[i][1];
            const float x1 = x0 * cc - y0 * sc;
            const float y1 = x0 * sc + y0 * cc;
            const float y2 = y1 * ca, z2 = -y1 * sa;
            const float x3 = x1 * cb + z2 * sb, z3 = z2 * cb - x1 * sb;
            float corner[3] = {x3, y2, z3};
            if (!cameraFacing) {
                const float turned[3] = {x3, y2, z3};
                Carry(record.fRotation, turned, corner);
            }
            SQueueVertex& v = out[i];
            v = SQueueVertex{};
            v.x = at[0] + corner[0] * size;
            v.y = at[1] + corner[1] * size;
            v.z = at[2] + corner[2] * size;
            std::memcpy(v.fNormal, lightNormal, 12);
            v.dwColour = node.m_dwDiffuse;
            v.fTexCoord[0] = v.fTexCoord[2] = kCoords[i][0];
            v.fTexCoord[1] = v.fTexCoord[3] = kCoords[i][1];
        }
    }
};

}  // namespace

void SD3D6Parser::QueuePointNode(const SObjectFrameRecord& record, const ActorDesc& node) {
    const int16_t texture = node.m_nModelIndex;
    const SD3D6Lock* lock = TextureRecord(texture);
    const bool translucent = lock != nullptr && lock->m_dwSortType == 1;
    const bool underWater = record.iWater == 1 && node.m_vPosition.y < record.fWaterHeight;
    const PointContext ctx{record, node, m_fLightNormal, underWater ? -1000.0f : 0.0f, node.m_nSubKind == 1};
    const int count = node.m_nPointCount;
    const float scale = record.fSize;

    // Opaque shapes of one node share an entry over consecutive pool vertices.
    auto opaqueRun = [&](int16_t kind, int perPoint) -> SQueueVertex* {
        SQueueVertex* out = m_Queues.AllocVertices(static_cast<size_t>(count) * static_cast<size_t>(perPoint));
        if (out != nullptr) {
            SOpaqueEntry entry;
            entry.iTexture = texture;
            entry.iKind = kind;
            entry.pair.iFirst = static_cast<int16_t>(out - m_Queues.PoolVertices());
            entry.pair.iSecond = static_cast<int16_t>(count);
            m_Queues.AddOpaque(entry);
        }
        return out;
    };
    auto depth = [&](int16_t kind, const void* pointer, float key) {
        SDepthEntry entry;
        entry.fKey = key;
        entry.iTexture = texture;
        entry.iKind = kind;
        entry.pPointer = pointer;
        m_Queues.AddDepth(entry);
    };
    // Quads of sub-kinds 0, 1 and 5: angles from the node, the camera or each record.
    auto quads = [&](auto angleOf, auto pointOf) {
        SQueueVertex* run = translucent ? nullptr : opaqueRun(2, 4);
        if (!translucent && run == nullptr) {
            return;
        }
        for (int i = 0; i < count; ++i) {
            float at[3], size, a, b, c;
            pointOf(i, at, size);
            angleOf(i, a, b, c);
            SQueueVertex* out = translucent ? m_Queues.AllocVertices(4) : run + i * 4;
            if (out == nullptr) {
                continue;
            }
            ctx.Quad(at, size * scale, a, b, c, out);
            if (translucent) {
                depth(2, out, ctx.Key(at));
            }
        }
    };
    const auto* points = static_cast<const SScenePoint*>(node.m_pPoints);
    auto plainPoint = [&](int i, float* at, float& size) {
        const float p[3] = {points[i].x, points[i].y, points[i].z};
        ctx.Place(p, at);
        size = points[i].size;
    };

    switch (node.m_nSubKind) {
        case 0:
            quads(
                [&](int, float& a, float& b, float& c) {
                    a = node.m_vAngles.x, b = node.m_vAngles.y, c = node.m_vAngles.z;
                },
                plainPoint);
            return;
        case 1:
            quads(
                [&](int, float& a, float& b, float& c) {
                    a = m_fViewAngles[0], b = m_fViewAngles[1], c = -m_fViewAngles[2];
                },
                plainPoint);
            return;
        case 5: {
            const auto* records = static_cast<const SSceneQuad*>(node.m_pPoints);
            quads(
                [&](int i, float& a, float& b, float& c) {
                    a = records[i].angles[0], b = records[i].angles[1], c = records[i].angles[2];
                },
                [&](int i, float* at, float& size) {
                    ctx.Place(records[i].position, at);
                    size = records[i].size;
                });
            return;
        }
        case 2: {
            if (!translucent) {
                return;  // sprites are drawn only with the translucent shapes
            }
            const float yaw = m_fViewAngles[1];
            const float cy = std::cos(yaw), sy = std::sin(yaw);
            for (int i = 0; i < count; ++i) {
                float at[3], size;
                plainPoint(i, at, size);
                const float s = size * scale;
                SSpriteRecord* sprite = m_Queues.AllocSprite();
                if (sprite == nullptr) {
                    return;
                }
                *sprite = SSpriteRecord{{at[0] + s * cy, at[1], at[2] - s * sy},
                                        {at[0] - s * cy, at[1] + 2 * s, at[2] + s * sy}};
                const float middle[3] = {at[0], at[1] + s, at[2]};
                depth(0, sprite, ctx.Key(middle));
            }
            return;
        }
        case 3: {
            const auto* lines = static_cast<const SSceneLine*>(node.m_pPoints);
            SQueueVertex* run = translucent ? nullptr : opaqueRun(3, 2);
            if (!translucent && run == nullptr) {
                return;
            }
            for (int i = 0; i < count; ++i) {
                SQueueVertex* out = translucent ? m_Queues.AllocVertices(2) : run + i * 2;
                if (out == nullptr) {
                    continue;
                }
                const float* ends[2] = {lines[i].start, lines[i].end};
                const uint32_t colours[2] = {lines[i].dwStartColour, lines[i].dwEndColour};
                const float coords[2] = {kLow, kHigh};
                for (int k = 0; k < 2; ++k) {
                    out[k] = SQueueVertex{};
                    ctx.Place(ends[k], &out[k].x);
                    std::memcpy(out[k].fNormal, m_fLightNormal, 12);
                    out[k].dwColour = colours[k];
                    for (float& t : out[k].fTexCoord) {
                        t = coords[k];
                    }
                }
                if (translucent) {
                    const float middle[3] = {(out[0].x + out[1].x) * 0.5f, (out[0].y + out[1].y) * 0.5f,
                                             (out[0].z + out[1].z) * 0.5f};
                    depth(3, out, ctx.Key(middle));
                }
            }
            return;
        }
        case 4: {
            // A ready-made mesh in world space, such as a decal laid on the ground.
            const auto* polygon = static_cast<const SPolygonRecord*>(node.m_pPoints);
            if (!translucent) {
                SOpaqueEntry entry;
                entry.iTexture = texture;
                entry.iKind = 4;
                entry.pPointer = polygon;
                m_Queues.AddOpaque(entry);
                return;
            }
            if (polygon->m_pVertices == nullptr || polygon->m_pIndices == nullptr) {
                return;
            }
            for (int t = 0; t < polygon->m_nTriangleCount; ++t) {
                SQueueVertex* out = m_Queues.AllocVertices(3);
                if (out == nullptr) {
                    return;
                }
                float centre[3] = {};
                for (int k = 0; k < 3; ++k) {
                    out[k] = polygon->m_pVertices[polygon->m_pIndices[t * 3 + k]];
                    centre[0] += out[k].x, centre[1] += out[k].y, centre[2] += out[k].z;
                }
                for (float& c : centre) {
                    c *= 0.333f;
                }
                depth(1, out, ctx.Key(centre));
            }
            return;
        }
        default:
            return;  // an unknown shape queues nothing
    }
}
