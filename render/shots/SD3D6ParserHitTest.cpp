// The scene line test: which object, border, water surface or piece of terrain a shot through
// the outdoor world meets first, seen from its origin.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/shots/SHitPrimitives.h"
#include "render/shots/SHitTests.h"

uint8_t SD3D6Parser::s_bHitTestAllCells = 0;

namespace {

constexpr float kBorderLow = 2560.0f;
constexpr float kBorderHigh = 62976.0f;
constexpr float kInsideLow = 2560.5f;
constexpr float kInsideHigh = 62975.5f;
// Below this the map's last corner row and column; shots are walked only inside.
constexpr float kMapEnd = 65535.99f;

bool Finite(const SVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float Length2(const SVector& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

// Cuts the ground segment p-q to the map square; false when it misses it.
bool ClipToMap(float* px, float* pz, float* qx, float* qz) {
    float t0 = 0.0f, t1 = 1.0f;
    const float dx = *qx - *px, dz = *qz - *pz;
    auto side = [&](float p, float q) {
        // p * t <= q must hold.
        if (p == 0.0f) {
            return q >= 0.0f;
        }
        const float r = q / p;
        if (p < 0.0f) {
            t0 = std::max(t0, r);
        } else {
            t1 = std::min(t1, r);
        }
        return t0 <= t1;
    };
    if (!side(-dx, *px) || !side(dx, kMapEnd - *px) || !side(-dz, *pz) || !side(dz, kMapEnd - *pz)) {
        return false;
    }
    const float x0 = *px + dx * t0, z0 = *pz + dz * t0;
    *qx = std::clamp(*px + dx * t1, 0.0f, kMapEnd), *qz = std::clamp(*pz + dz * t1, 0.0f, kMapEnd);
    *px = std::clamp(x0, 0.0f, kMapEnd), *pz = std::clamp(z0, 0.0f, kMapEnd);
    return true;
}

}  // namespace

int SD3D6Parser::ClearTileFlags() {
    std::fill(m_pTileFlags.get(), m_pTileFlags.get() + 65536, uint8_t{0});
    return 0;
}

void SD3D6Parser::ListHitCells(const SVector& a, const SVector& b) {
    m_HitCells.clear();
    float bx = b.x, bz = b.z, ax = a.x, az = a.z;
    if (!ClipToMap(&bx, &bz, &ax, &az)) {
        return;
    }
    int fromX = static_cast<int>(bx * 0.00390625f), fromZ = static_cast<int>(bz * 0.00390625f);
    int toX = static_cast<int>(ax * 0.00390625f), toZ = static_cast<int>(az * 0.00390625f);
    if (toZ < fromZ) {
        std::swap(fromX, toX);
        std::swap(fromZ, toZ);
    }
    uint8_t* flags = m_pTileFlags.get();
    auto visit = [this, flags](int cx, int cz) {
        const int c = cz * 256 + cx;
        if (c <= 0x100 || c >= 0xFEFF) {
            return;
        }
        for (int offset : {-257, -256, -255, -1, 0, 1, 257, 256, 255}) {
            const int n = c + offset;
            if (flags[n] == 0) {
                flags[n] = 1;
                m_HitCells.push_back(static_cast<uint16_t>(n));
            }
        }
    };
    const int dx = toX - fromX, dz = toZ - fromZ;
    const int s = dx < 0 ? -1 : 1;
    const int adx = dx < 0 ? -dx : dx;
    int cx = fromX, cz = fromZ;
    visit(cx, cz);
    if (dz == 0 || dx == 0 || adx == dz) {
        const int steps = std::max(adx, dz);
        for (int i = 0; i < steps; ++i) {
            cx += dx == 0 ? 0 : s;
            cz += dz == 0 ? 0 : 1;
            visit(cx, cz);
        }
        return;
    }
    // Bresenham-like walk with a 16-bit fraction: a wrap of the accumulator steps the minor axis.
    const bool alongX = adx > dz;
    const int major = alongX ? adx : dz;
    const auto increment = static_cast<uint16_t>((static_cast<uint32_t>(alongX ? dz : adx) * 65536u) /
                                                 static_cast<uint32_t>(major));
    uint16_t fraction = 0;
    for (int i = 0; i < major - 1; ++i) {
        const auto next = static_cast<uint16_t>(fraction + increment);
        const bool wrapped = next < fraction;
        fraction = next;
        if (alongX) {
            cx += s;
            cz += wrapped ? 1 : 0;
        } else {
            cz += 1;
            cx += wrapped ? s : 0;
        }
        visit(cx, cz);
    }
    visit(toX, toZ);
}

int SD3D6Parser::HitTest(const SVector* a, const SVector* b, float low, float high, uint32_t flags) {
    SHitRecord& hit = m_HitRecord;
    hit.m_pModel = nullptr;
    hit.m_byCleared = 0;
    hit.m_dwKind = 0;
    if (a == nullptr || b == nullptr) {
        return 1;
    }
    const SVector A = *a, B = *b;
    hit.m_vPoint = A;
    hit.m_fDistance = Length2(A - B);
    if (!Finite(A) || !Finite(B) || !std::isfinite(low) || !std::isfinite(high) || m_pWorld == nullptr) {
        return 1;  // nothing to walk
    }
    SHuntWorld& world = *m_pWorld;
    const SVector d = A - B;

    ListHitCells(A, B);

    SHitTraversal record;
    const float heading = std::atan2(A.x - B.x, A.z - B.z);
    record.fHeading[0] = std::cos(heading);
    record.fHeading[1] = -std::sin(heading);
    record.vB = B;
    record.vA = A;
    record.vDelta = d;
    record.fLow = low;
    record.fHigh = high;
    record.dwFlags = flags;
    record.pHit = &hit;
    record.pParser = this;

    auto testList = [this, &record](SCellNode* node) {
        for (; node != nullptr; node = node->m_pNext) {
            ActorDesc* object = (node->m_byKind & 1) != 0
                                    ? (m_pfnCallback1 != nullptr ? m_pfnCallback1(node->m_pValue, node->m_byKind) : nullptr)
                                    : static_cast<ActorDesc*>(node->m_pValue);
            if (object == nullptr || (object->m_dwFlags & 4) == 0 || (object->m_dwFlags & 2) != 0) {
                continue;
            }
            record.pObject = object;
            record.bMapObject = 0;
            record.iCell = 0;
            record.byNodeFlags = node->m_byKind;
            record.dwObjectValue = reinterpret_cast<uintptr_t>(node->m_pValue);
            record.localToWorld.Identity();
            record.worldToLocal.Identity();
            record.fLocalToWorldScale = record.fWorldToLocalScale = 1.0f;
            HitTestHierarchy(record);
        }
    };
    if (s_bHitTestAllCells == 0) {
        ActorDesc entry;
        for (uint16_t cell : m_HitCells) {
            const SHuntCell& c = world.m_pCells[cell];
            if ((flags & hit::kMapObjects) != 0 && c.byWater == 0) {
                const int count = std::min<int>(c.byObjectCount, SHuntCell::kSlots);
                for (int k = 0; k < count; ++k) {
                    if (c.nObjects[k] < 0) {
                        continue;
                    }
                    entry.m_nModelIndex = c.nObjects[k];
                    entry.m_vPosition = SVector(static_cast<float>(c.byObjectPositions[k][0] + (cell & 255) * 256),
                                                c.fObjectBases[k],
                                                static_cast<float>(c.byObjectPositions[k][1] + (cell >> 8) * 256));
                    entry.m_fScale = c.fObjectScales[k];
                    record.pObject = &entry;
                    record.bMapObject = 1;
                    record.iCell = cell;
                    record.iEntry = k;
                    HitTestHierarchy(record);
                }
            }
            testList(world.m_pLists[cell]);
        }
    } else {
        for (int cell = 0; cell < SHuntWorld::kCells; ++cell) {
            testList(world.m_pLists[cell]);
        }
    }

    // The borders of the playable square, only along the ground: a vertical shot meets none.
    const float sides[4][4] = {{kBorderLow, kBorderLow, kBorderHigh, kBorderLow},
                               {kBorderLow, kBorderHigh, kBorderHigh, kBorderHigh},
                               {kBorderLow, kBorderLow, kBorderLow, kBorderHigh},
                               {kBorderHigh, kBorderLow, kBorderHigh, kBorderHigh}};
    const float inward[4][2] = {{0.0f, 0.5f}, {0.0f, -0.5f}, {0.5f, 0.0f}, {-0.5f, 0.0f}};
    for (int i = 0; i < 4; ++i) {
        float x[4] = {B.x, A.x, sides[i][2], sides[i][0]};
        float z[4] = {B.z, A.z, sides[i][3], sides[i][1]};
        if (!SegmentSegment2D(x, z)) {
            continue;
        }
        const float dist = (x[0] - B.x) * (x[0] - B.x) + (z[0] - B.z) * (z[0] - B.z);
        if (!(dist < hit.m_fDistance)) {
            continue;
        }
        const float y = std::fabs(d.z) <= std::fabs(d.x) ? B.y + (x[0] - B.x) * d.y / d.x
                                                         : B.y + (z[0] - B.z) * d.y / d.z;
        hit.m_dwKind = hit::kKindBorder;
        hit.m_vPoint = SVector(x[0] + inward[i][0], y, z[0] + inward[i][1]);
        hit.m_fDistance = dist;
        hit.m_cSide = 0;
    }

    // The water surface: the highest level among the listed water cells.
    if ((flags & hit::kWaterLevels) != 0 && (flags & hit::kWater) != 0 && B.y != A.y) {
        bool found = false;
        float level = 0.0f;
        for (uint16_t cell : m_HitCells) {
            if (world.m_pCells[cell].byWater != 0) {
                level = found ? std::max(level, world.m_pWaterLevels[cell]) : world.m_pWaterLevels[cell];
                found = true;
            }
        }
        const float t = found ? (B.y - level) / (B.y - A.y) : 0.0f;
        if (t > 0.0f) {
            const SVector p(B.x + t * d.x, level, B.z + t * d.z);
            const float dist = Length2(p - B);
            if (dist < hit.m_fDistance) {
                hit.m_dwKind = hit::kKindWater;
                hit.m_vPoint = p;
                hit.m_fDistance = dist;
                hit.m_cSide = 0;
            }
        }
    }

    // The terrain, up to what was hit so far.
    const SVector reach = hit.m_vPoint - B;
    const float reachLength = std::sqrt(Length2(reach));
    if ((flags & hit::kTerrain) != 0 && reachLength > 0.0f) {
        const SVector dir = reach / reachLength;
        const float topY = hit.m_vPoint.y;
        float best = -1.0f;
        const float* heights = world.m_pHeights;
        for (uint16_t cell : m_HitCells) {
            const int x = cell & 255, z = cell >> 8;
            if (x == 255 || z == 255) {
                continue;  // no far corner on the grid
            }
            const float h00 = heights[z * 256 + x], h10 = heights[z * 256 + x + 1];
            const float h01 = heights[(z + 1) * 256 + x], h11 = heights[(z + 1) * 256 + x + 1];
            const float lowest = std::min({h00, h10, h01, h11});
            if (lowest > B.y && lowest > topY) {
                continue;
            }
            // Ground wholly below the shot can only be met past its far end.
            if (std::max({h00, h10, h01, h11}) < std::min(B.y, topY)) {
                continue;
            }
            const float x0 = static_cast<float>(x * 256), x1 = x0 + 256.0f;
            const float z0 = static_cast<float>(z * 256), z1 = z0 + 256.0f;
            const float c10[3] = {x1, h10, z0}, c00[3] = {x0, h00, z0}, c01[3] = {x0, h01, z1};
            const float c11[3] = {x1, h11, z1};
            float t = 0, u = 0, v = 0;
            if (IntersectSegmentTriangle(&B.x, &dir.x, c10, c00, c01, &t, &u, &v) && t > 0.0f &&
                (best < 0.0f || t < best)) {
                best = t;
            }
            if (IntersectSegmentTriangle(&B.x, &dir.x, c10, c11, c01, &t, &u, &v) && t > 0.0f &&
                (best < 0.0f || t < best)) {
                best = t;
            }
        }
        if (best > 0.0f && best * best < hit.m_fDistance) {
            hit.m_dwKind = hit::kKindTerrain;
            hit.m_vPoint = B + dir * best;
            hit.m_fDistance = best * best;
            hit.m_cSide = 0;
        }
    }

    for (uint16_t cell : m_HitCells) {
        m_pTileFlags[cell] = 0;
    }
    if (hit.m_dwKind == 0) {
        return 1;
    }
    if (hit.m_cSide != 0) {
        const SVector& p = hit.m_Object.m_vPosition;
        hit.m_cSide = d.x * (p.z - B.z) - d.z * (p.x - B.x) < 0.0f ? 1 : -1;
    }
    hit.m_vPoint.x = std::clamp(hit.m_vPoint.x, kInsideLow, kInsideHigh);
    hit.m_vPoint.z = std::clamp(hit.m_vPoint.z, kInsideLow, kInsideHigh);
    return 0;
}
