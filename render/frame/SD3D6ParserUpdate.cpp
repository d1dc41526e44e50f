// The outdoor world's per-frame sweep: which cells the camera can see, and the ground, water and
// tree entries the frame draws from them.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/texture/SD3D6Lock.h"

namespace {

constexpr float kDegrees = 3.14159f / 180.0f;

struct Point {
    float x, z;
};

float Length(Point a, Point b) { return std::hypot(b.x - a.x, b.z - a.z); }

}  // namespace

uint8_t SD3D6Parser::s_byDrawAllObjects = 0;

float SD3D6Parser::DepthKey(float x, float height, float z) const {
    const float p = m_fViewAngles[0], y = m_fViewAngles[1];
    const float a = (m_fViewPosition[0] - x) * std::sin(y);
    const float b = (m_fViewPosition[1] - height) * std::sin(p) * std::cos(y);
    const float c = (m_fViewPosition[2] - z) * std::cos(p) * std::cos(y);
    return a + b + c;
}

void SD3D6Parser::AppendCell(SOutdoorBuffers::Buffer list, int cell) {
    int32_t& count = m_Buffers.Count(list);
    // The lists are sized for the view area, but every cell listed is drawn: a sweep that finds
    // more (the draw-all switch lists every occupied cell of the map) grows the list. A sweep
    // lists each cell once, so no list outgrows the map's cells.
    const size_t capacity = m_Buffers.Capacity(list, 2);
    if (static_cast<size_t>(count) >= capacity) {
        m_Buffers.Grow(list, 2 * std::clamp<size_t>(2 * capacity, 1024, 65536));
        if (static_cast<size_t>(count) >= m_Buffers.Capacity(list, 2)) {
            return;
        }
    }
    reinterpret_cast<uint16_t*>(m_Buffers.Data(list))[count++] = static_cast<uint16_t>(cell);
}

void SD3D6Parser::VisitSample(float sx, float sz) {
    const int cx = static_cast<int>(std::lround(sx / 256.0f));
    const int cz = static_cast<int>(std::lround(sz / 256.0f));
    if (cx < 0 || cx > 254 || cz < 0 || cz > 254) {
        return;
    }
    const int cell = cx + 256 * cz;
    if (m_Visited[cell] != 0) {
        return;
    }
    const SHuntCell& record = m_pWorld->Cell(cell);
    if (record.byWater != 1) {
        AppendCell(SOutdoorBuffers::kGroundCells, cell);
    }
    if (record.byWater != 0) {
        AppendCell(SOutdoorBuffers::kWaterCells, cell);
    }
    if (s_byDrawAllObjects == 0 && m_pWorld->m_pLists != nullptr && m_pWorld->m_pLists[cell] != nullptr) {
        AppendCell(SOutdoorBuffers::kObjectCells, cell);
    }
    m_Visited[cell] = 1;
}

void SD3D6Parser::UpdateVisibleCells() {
    m_Visited.assign(65536, 0);
    m_Buffers.Count(SOutdoorBuffers::kGroundCells) = 0;
    m_Buffers.Count(SOutdoorBuffers::kWaterCells) = 0;
    m_Buffers.Count(SOutdoorBuffers::kObjectCells) = 0;
    if (m_pWorld == nullptr || m_pWorld->m_pCells == nullptr) {
        return;
    }
    const float x = std::clamp(m_fViewPosition[0], 8.0f, 65271.0f);
    const float z = std::clamp(m_fViewPosition[2], 8.0f, 65271.0f);
    const float yaw = m_fViewAngles[1];
    const float a1 = (m_fProjection[0] + 28.0f) / 2.0f * kDegrees;
    const float a2 = (m_fProjection[0] + 28.0f) / 4.0f * kDegrees;
    const float radius = static_cast<float>(m_LevelInfo.Field(1)) * 128.0f;
    const Point back{x - 512.0f * std::sin(yaw), z - 512.0f * std::cos(yaw)};
    auto far = [&](float d) { return Point{x + radius * std::sin(yaw + d), z + radius * std::cos(yaw + d)}; };

    if (s_byDrawAllObjects != 0 && m_pWorld->m_pLists != nullptr) {
        for (int cell = 0; cell < 65536; ++cell) {
            if (m_pWorld->m_pLists[cell] != nullptr) {
                AppendCell(SOutdoorBuffers::kObjectCells, cell);
            }
        }
    }

    // Each band lies between a left and a right edge, both walked from their first point.
    auto band = [&](Point l0, Point l1, Point r0, Point r1) {
        const int n = static_cast<int>(std::max(Length(l0, l1), Length(r0, r1)) / 128.0f + 2.0f);
        for (int t = 0; t < n; ++t) {
            const float f = static_cast<float>(t) / static_cast<float>(n);
            const Point p{l0.x + (l1.x - l0.x) * f, l0.z + (l1.z - l0.z) * f};
            const Point q{r0.x + (r1.x - r0.x) * f, r0.z + (r1.z - r0.z) * f};
            const float span = std::max(std::fabs(q.x - p.x), std::fabs(q.z - p.z));
            const int m = static_cast<int>(std::lround(span / 192.0f + 0.5f));
            for (int s = 0; s <= m; ++s) {
                const float g = m > 0 ? static_cast<float>(s) / static_cast<float>(m) : 0.0f;
                VisitSample(p.x + (q.x - p.x) * g, p.z + (q.z - p.z) * g);
            }
        }
    };
    band(far(0.0f), far(-a2), far(0.0f), far(a2));
    band(far(-a2), far(-a1), far(a2), far(a1));
    band(far(-a1), back, far(a1), back);
}

void SD3D6Parser::QueueGroundCells() {
    if (m_pWorld == nullptr) {
        return;
    }
    for (SOutdoorBuffers::Buffer list : {SOutdoorBuffers::kGroundCells, SOutdoorBuffers::kWaterCells}) {
        const uint16_t* cells = reinterpret_cast<const uint16_t*>(m_Buffers.Data(list));
        const int32_t count = m_Buffers.Count(list);
        for (int32_t i = 0; i < count; ++i) {
            SOpaqueEntry entry;
            entry.iTexture = m_pWorld->Cell(cells[i]).nGroundTexture;
            entry.iKind = 5;
            entry.dwValue = cells[i];
            m_Queues.AddOpaque(entry);
        }
    }
}

void SD3D6Parser::BuildWaterTriangles() {
    const int32_t count = m_Buffers.Count(SOutdoorBuffers::kWaterCells);
    if (count == 0 || m_pWaterTexture == nullptr || m_pWorld == nullptr) {
        return;
    }
    const size_t work =
        std::min<size_t>(static_cast<size_t>(count), m_Buffers.Capacity(SOutdoorBuffers::kWorkList1, 2));
    std::memcpy(m_Buffers.Data(SOutdoorBuffers::kWorkList1), m_Buffers.Data(SOutdoorBuffers::kWaterCells), work * 2);
    m_Buffers.Count(SOutdoorBuffers::kWorkList1) = static_cast<int32_t>(work);
    if (m_LevelInfo.Field(20) == 1) {
        return;
    }
    const uint32_t colour = static_cast<uint32_t>(m_fColourFactors[0] * 255.0f) << 16 |
                            static_cast<uint32_t>(m_fColourFactors[1] * 255.0f) << 8 |
                            static_cast<uint32_t>(m_fColourFactors[2] * 255.0f);
    const uint16_t* cells = reinterpret_cast<const uint16_t*>(m_Buffers.Data(SOutdoorBuffers::kWaterCells));
    for (int32_t i = 0; i < count; ++i) {
        const int c = cells[i];
        const float X = 256.0f * static_cast<float>(c & 255), Z = 256.0f * static_cast<float>(c >> 8);
        const float w = m_pWorld->m_pWaterLevels != nullptr ? m_pWorld->m_pWaterLevels[c] : 0.0f;
        const float offsets[4][2] = {{0.0f, 0.0f}, {256.0f, 0.0f}, {0.0f, 256.0f}, {256.0f, 256.0f}};
        const int tableStep[4] = {0, 1, 256, 257};
        SQueueVertex corners[4];
        for (int k = 0; k < 4; ++k) {
            SQueueVertex& v = corners[k];
            v.x = X + offsets[k][0];
            v.y = w;
            v.z = Z + offsets[k][1];
            const float dx = v.x - m_fViewPosition[0], dy = w - m_fViewPosition[1], dz = v.z - m_fViewPosition[2];
            const float d2 = dx * dx + dy * dy + dz * dz;
            uint32_t alpha = 255;
            if (d2 < 1327104.0f) {
                alpha = static_cast<uint32_t>(std::clamp(static_cast<int>(std::sqrt(d2) * 0.33203125f), 112, 255));
            }
            v.fNormal[0] = 0.0f, v.fNormal[1] = 1.0f, v.fNormal[2] = 0.0f;
            v.dwColour = alpha << 24 | colour;
            const TableEntry& entry = m_Table[(c + tableStep[k]) % 5];
            float tv;
            std::memcpy(&tv, &entry.dwA, 4);
            float u = entry.fValue + ((k & 1) != 0 ? 1.0f : 0.0f);
            float vv = tv + ((k & 2) != 0 ? 1.0f : 0.0f);
            v.fTexCoord[0] = v.fTexCoord[2] = u;
            v.fTexCoord[1] = v.fTexCoord[3] = vv;
        }
        const int triangles[2][3] = {{0, 1, 2}, {1, 3, 2}};
        const float keyOffsets[2] = {86.0f, 171.0f};
        for (int t = 0; t < 2; ++t) {
            SQueueVertex* out = m_Queues.AllocVertices(3);
            if (out == nullptr) {
                return;
            }
            for (int k = 0; k < 3; ++k) {
                out[k] = corners[triangles[t][k]];
            }
            SDepthEntry entry;
            entry.fKey = DepthKey(X + keyOffsets[t], w, Z + keyOffsets[t]);
            entry.iTexture = m_nWaterTexture;
            entry.iKind = 1;
            entry.pPointer = out;
            m_Queues.AddDepth(entry);
        }
    }
}

void SD3D6Parser::SpriteHalfSize(int16_t index, float* w, float* h) const {
    *w = 0.0f;
    *h = 0.0f;
    if (index < 0 || index >= m_TextureItems.GetSize() || m_TextureItems[index] == nullptr ||
        m_TextureItems[index]->m_pTexture == nullptr) {
        return;
    }
    const SD3D6Lock* lock = m_TextureItems[index]->m_pTexture;
    const float width = std::max<float>(1.0f, lock->GetWidth());
    *w = kSpriteHalfWidth;
    *h = kSpriteHalfWidth * static_cast<float>(std::max<int16_t>(lock->GetHeight(), 1)) / width;
}

void SD3D6Parser::BuildTreeSprites() {
    if (m_pWorld == nullptr) {
        return;
    }
    const uint16_t* cells = reinterpret_cast<const uint16_t*>(m_Buffers.Data(SOutdoorBuffers::kGroundCells));
    const float yaw = m_fViewAngles[1];
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    for (int32_t i = m_Buffers.Count(SOutdoorBuffers::kGroundCells) - 1; i >= 0; --i) {
        const int c = cells[i];
        const SHuntCell& cell = m_pWorld->Cell(c);
        const int slots = std::min<int>(cell.byObjectCount, SHuntCell::kSlots);
        for (int k = 0; k < slots; ++k) {
            const int16_t index = cell.nObjects[k];
            if (index < 0 || index >= m_TextureItems.GetSize() || m_TextureItems[index] == nullptr) {
                continue;
            }
            const SD3D6TextureItem& item = *m_TextureItems[index];
            const float x = 256.0f * static_cast<float>(c & 255) + cell.byObjectPositions[k][0];
            const float z = 256.0f * static_cast<float>(c >> 8) + cell.byObjectPositions[k][1];
            const float b = cell.fObjectBases[k];
            const float s = cell.fObjectScales[k];
            float w, h;
            SpriteHalfSize(index, &w, &h);
            SSpriteRecord* sprite = m_Queues.AllocSprite();
            if (sprite == nullptr) {
                return;
            }
            const float top = b + 2.0f * std::fabs(h * s);
            *sprite = SSpriteRecord{{x + w * s * cy, b, z - w * s * sy}, {x - w * s * cy, top, z + w * s * sy}, {},
                                    0xFFFFFF, 0xFFFFFF};
            const int o1 = item.m_byOscillator1 % 10, o2 = item.m_byOscillator2 % 10;
            const float f = static_cast<float>((k + c) % 5) * 0.2f;
            sprite->fSway[0] = (m_fOscillators[o1][0] - m_fOscillators[o2][0]) * f + m_fOscillators[o2][0];
            sprite->fSway[1] = (m_fOscillators[o1][1] - m_fOscillators[o2][1]) * f + m_fOscillators[o2][1];
            const SD3D6Lock* lock = item.m_pTexture;
            if (lock != nullptr && lock->m_dwSortType == 1) {
                SDepthEntry entry;
                entry.fKey = DepthKey(x, b + std::fabs(h * s), z);
                const float level = m_pWorld->m_pWaterLevels != nullptr ? m_pWorld->m_pWaterLevels[c] : 0.0f;
                if (cell.byWater == 2 && b < level) {
                    entry.fKey -= 1000.0f;
                    auto shade = [](float d) {
                        return d < 28.0f ? static_cast<uint32_t>((28.0f - d) / 28.0f * 255.0f) * 0x010101u : 0u;
                    };
                    sprite->dwBottomColour = shade(level - b);
                    if (level - top >= 0.0f) {
                        sprite->dwTopColour = shade(level - top);
                    }
                }
                entry.iTexture = index;
                entry.iKind = 0;
                entry.pPointer = sprite;
                m_Queues.AddDepth(entry);
            } else {
                SOpaqueEntry entry;
                entry.iTexture = index;
                entry.iKind = 1;
                entry.dwValue = static_cast<uint32_t>(sprite - m_Queues.Sprites());
                m_Queues.AddOpaque(entry);
            }
        }
    }
}
