#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/actors/SActorWorld.h"
#include "assets/textures/STexLock.h"
#include "assets/textures/STexRegion.h"
#include "render/parser/SParser.h"
#include "sys/time/time.h"

namespace {

SVector ViewpointOf(SActor* actor) {
    SVector position;
    SVector angles;
    if (actor != nullptr) {
        actor->GetViewpoint(position, angles);
    }
    return position;
}

// What the renderer's nearby-object query may hand back at most.
constexpr int kNearbyCapacity = 1024;

}  // namespace

int SActorWorld::LineTest(SActor* tester, const SVector& start, const SVector& end, float a, float b,
                          uint32_t mode) {
    bool testerFlag4 = false;
    bool targetFlag2 = false;
    SActor* target = tester != nullptr ? tester->m_pTarget : nullptr;
    if (tester != nullptr) {
        testerFlag4 = (tester->m_Desc.m_dwFlags & 4) != 0;
        tester->m_Desc.m_dwFlags &= ~4u;
        if (target != nullptr) {
            targetFlag2 = (target->m_Desc.m_dwFlags & 2) != 0;
            target->m_Desc.m_dwFlags |= 2;
        }
    }
    const uint32_t before = sys::time::TickCount();
    int result = 1;
    if (m_pScene != nullptr) {
        const SVector from = start * kToScene;
        const SVector to = end * kToScene;
        result = m_pScene->HitTest(&from, &to, a * kToScene, b * kToScene, mode);
    }
    m_dwLineTestMs += sys::time::TickCount() - before;
    ++m_dwLineTestCount;
    if (tester != nullptr) {
        tester->m_Desc.m_dwFlags = testerFlag4 ? (tester->m_Desc.m_dwFlags | 4) : (tester->m_Desc.m_dwFlags & ~4u);
        if (target != nullptr) {
            target->m_Desc.m_dwFlags =
                targetFlag2 ? (target->m_Desc.m_dwFlags | 2) : (target->m_Desc.m_dwFlags & ~2u);
        }
    }
    return result;
}

SHitRecord* SActorWorld::GetLastLineTestResult() {
    return m_pScene != nullptr ? m_pScene->GetHitRecord() : nullptr;
}

bool SActorWorld::IsPositionClear(const SVector& position, float radius) {
    const float r2 = radius * radius;
    const int xq = QuadX(position);
    const int zq = QuadZ(position);
    const int n = static_cast<int>(radius * 0.03125f + 1.0f);
    if (m_pScene == nullptr) {
        return true;
    }
    auto within = [&](float x, float z, float y) {
        const SVector offset = SVector(x, y, z) * kFromScene - position;
        return offset.Dot(offset) <= r2;
    };
    void* nearby[kNearbyCapacity] = {};
    const int found = m_pScene->CollectObjectsNear(xq, zq, n, nearby, 0);
    for (int i = 0; i < found && i < kNearbyCapacity; ++i) {
        const ActorDesc* desc = static_cast<const ActorDesc*>(nearby[i]);
        if (desc == nullptr) {
            continue;
        }
        const bool counts = desc->m_dwOwner != 0 || (desc->m_nKind == 1 && desc->m_pModel != nullptr);
        if (counts && within(desc->m_vPosition.x, desc->m_vPosition.z, desc->m_vPosition.y)) {
            return false;
        }
    }
    // Quads left of or above the map edge do not exist; the walk starts at the edge instead of
    // giving up on the whole row or column.
    for (int i = std::max(xq - n, 0); i <= 255 && i < xq + n; ++i) {
        for (int j = std::max(zq - n, 0); j <= 255 && j < zq + n; ++j) {
            const int cell = QuadKey(i, j);
            const int entries = m_pScene->GetCellObjectCount(cell);
            for (int e = 0; e < entries; ++e) {
                float x = 0.0f;
                float z = 0.0f;
                m_pScene->GetCellObjectPosition(cell, e, &x, &z);
                const SVector offset = SVector(x * kFromScene, position.y, z * kFromScene) - position;
                if (offset.Dot(offset) <= r2) {
                    return false;
                }
            }
        }
    }
    return true;
}

int SActorWorld::CopyTag(const char* value, char* out, int size) {
    if (out == nullptr || size <= 0) {
        return 0;
    }
    std::strncpy(out, value != nullptr ? value : "", static_cast<size_t>(size));
    out[size - 1] = '\0';
    return static_cast<int>(std::strlen(out));
}

int SActorWorld::TextureTag(int16_t textureId, const char* tag, char* out, int size) {
    CopyTag("", out, size);
    if (m_pScene == nullptr || tag == nullptr || out == nullptr || size <= 0) {
        return 0;
    }
    STexLock* lock = static_cast<STexLock*>(m_pScene->GetTexture(textureId));
    if (lock == nullptr) {
        return 0;
    }
    for (int16_t i = 0; i < lock->GetNumRegions(); ++i) {
        const STexRegion* region = lock->GetRegion(i);
        const CString value = region != nullptr ? region->GetTagString(tag, "") : CString();
        if (!value.IsEmpty()) {
            return CopyTag(value.GetString(), out, size);
        }
    }
    return 0;
}

int SActorWorld::TextureTagAtPoint(int16_t textureId, double u, double v, const char* tag, char* out, int size) {
    CopyTag("", out, size);
    if (m_pScene == nullptr || tag == nullptr || out == nullptr || size <= 0) {
        return 0;
    }
    STexLock* lock = static_cast<STexLock*>(m_pScene->GetTexture(textureId));
    if (lock == nullptr) {
        return 0;
    }
    lock->HitTestRegions(static_cast<float>(u), static_cast<float>(v));
    for (int16_t i = 0; i < lock->GetNumRegions(); ++i) {
        const STexRegion* region = lock->GetRegion(i);
        if (region == nullptr || region->IsHit() == 0) {
            continue;
        }
        const CString value = region->GetTagString(tag, "");
        if (!value.IsEmpty()) {
            return CopyTag(value.GetString(), out, size);
        }
    }
    return 0;
}

int SActorWorld::TerrainTag(float x, float z, const char* tag, char* out, int size) {
    if (m_pScene == nullptr || m_pScene->m_iSessionMode != 2) {
        CopyTag("", out, size);
        return 0;
    }
    double u = 0.0;
    double v = 0.0;
    m_pScene->GetTerrainTexCoord(static_cast<double>(x) * kToScene, static_cast<double>(z) * kToScene, &u, &v);
    const int16_t textureId = m_pScene->GetCellTextureIndex(QuadKeyAt(SVector(x, 0.0f, z)));
    return TextureTagAtPoint(textureId, u, v, tag, out, size);
}

int SActorWorld::TerrainTagAt(const SVector& position, const char* tag, char* out, int size) {
    return TerrainTag(position.x, position.z, tag, out, size);
}

int SActorWorld::TerrainTagUnder(SActor* actor, const char* tag, char* out, int size) {
    if (actor == nullptr) {
        CopyTag("", out, size);
        return 0;
    }
    return TerrainTagAt(ViewpointOf(actor), tag, out, size);
}

int SActorWorld::FindNearestByName(int index, const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return -1;
    }
    SString upper(name);
    upper.MakeUpper();
    const SVector reference = ViewpointOf(GetActor(index));
    float best = 134217728.0f;
    int bestIndex = -1;
    for (int i = 0; i <= m_iHighest; ++i) {
        SActor* actor = GetActor(i);
        if (!NameMatches(actor, upper.GetString())) {
            continue;
        }
        const SVector offset = ViewpointOf(actor) - reference;
        const float d2 = offset.Dot(offset);
        if (d2 < best) {
            best = d2;
            bestIndex = i;
        }
    }
    return bestIndex;
}

SActor* SActorWorld::FindNearestActor(SActor* from, float range, int needSight, const char* name) {
    // A sight test needs eyes to look from.
    if (needSight != 0 && from == nullptr) {
        return nullptr;
    }
    SVector eye;
    SVector angles;
    if (from != nullptr) {
        from->GetViewpoint(eye, angles);
    }
    SString upper(name != nullptr ? name : "");
    upper.MakeUpper();
    float best = 99999.0f;
    SActor* bestActor = nullptr;
    for (int i = 0; i <= m_iHighest; ++i) {
        SActor* actor = GetActor(i);
        if (actor == nullptr || actor == from) {
            continue;
        }
        if (name != nullptr && !NameMatches(actor, upper.GetString())) {
            continue;
        }
        const float dx = actor->m_vPosition.x - eye.x;
        const float dz = actor->m_vPosition.z - eye.z;
        const float d = std::sqrt(dx * dx + dz * dz);
        if (needSight != 0) {
            if (!(d <= range) ||
                from->CanSeeActorFrom(eye, angles, actor, static_cast<int>(range), 0) == 0) {
                continue;
            }
        }
        if (d < best) {
            best = d;
            bestActor = actor;
        }
    }
    return bestActor;
}
