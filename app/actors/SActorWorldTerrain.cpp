#include <algorithm>

#include "app/actors/SActorWorld.h"
#include "assets/models/SSMHandle.h"
#include "render/parser/SParser.h"

namespace {

SVector ViewpointOf(SActor* actor) {
    SVector position;
    SVector angles;
    actor->GetViewpoint(position, angles);
    return position;
}

}  // namespace

bool SActorWorld::InOutdoorMap(float x, float z) const {
    return m_pScene != nullptr && m_pScene->m_iSessionMode == 2 && x >= 0.0f && x <= kMapExtent && z >= 0.0f &&
           z <= kMapExtent;
}

double SActorWorld::GroundHeight(float x, float z) {
    if (!InOutdoorMap(x, z)) {
        return 0.0;
    }
    return m_pScene->GetTerrainHeight(static_cast<double>(x) * kToScene, static_cast<double>(z) * kToScene) *
           kFromScene;
}

double SActorWorld::GroundHeightAt(const SVector& position) { return GroundHeight(position.x, position.z); }

double SActorWorld::GroundHeightUnder(SActor* actor) {
    return actor != nullptr ? GroundHeightAt(ViewpointOf(actor)) : 0.0;
}

double SActorWorld::WaterHeight(float x, float z) {
    if (!InOutdoorMap(x, z)) {
        return 0.0;
    }
    return m_pScene->GetSurfaceHeight(static_cast<double>(x) * kToScene, static_cast<double>(z) * kToScene) *
           kFromScene;
}

double SActorWorld::WaterHeightAt(const SVector& position) { return WaterHeight(position.x, position.z); }

double SActorWorld::WaterHeightUnder(SActor* actor) {
    return actor != nullptr ? WaterHeightAt(ViewpointOf(actor)) : 0.0;
}

void SActorWorld::CellInfo(float x, float z, SCellInfo* info) {
    if (info == nullptr) {
        return;
    }
    *info = SCellInfo();
    if (!InOutdoorMap(x, z)) {
        return;
    }
    double heights[2] = {};
    m_pScene->GetHeights(static_cast<double>(x) * kToScene, static_cast<double>(z) * kToScene, heights);
    info->m_dGround = heights[0] * kFromScene;
    info->m_dWater = heights[1] * kFromScene;
}

void SActorWorld::CellInfoAt(const SVector& position, SCellInfo* info) { CellInfo(position.x, position.z, info); }

void SActorWorld::CellInfoUnder(SActor* actor, SCellInfo* info) {
    if (actor == nullptr || actor->m_pParent != nullptr) {
        if (info != nullptr) {
            *info = SCellInfo();
        }
        return;
    }
    CellInfoAt(ViewpointOf(actor), info);
}

int SActorWorld::QuadX(const SVector& position) {
    return static_cast<int>(position.x * 8.0f * 0.00390625f) & 0xFF;
}

int SActorWorld::QuadXOf(SActor* actor) { return actor != nullptr ? QuadX(ViewpointOf(actor)) : 0; }

int SActorWorld::QuadZ(const SVector& position) {
    return static_cast<int>(position.z * 8.0f * 0.00390625f) & 0xFF;
}

int SActorWorld::QuadZOf(SActor* actor) { return actor != nullptr ? QuadZ(ViewpointOf(actor)) : 0; }

int SActorWorld::QuadKey(int xQuad, int zQuad) { return (zQuad * 256 + xQuad) & 0xFFFF; }

int SActorWorld::QuadKeyAt(const SVector& position) { return QuadKey(QuadX(position), QuadZ(position)); }

int SActorWorld::QuadKeyOf(SActor* actor) { return actor != nullptr ? QuadKeyAt(ViewpointOf(actor)) : 0; }

bool SActorWorld::IsWaterNear(const SVector& position, float radius) {
    const int n = static_cast<int>(radius * 0.03125f);
    const int xq = QuadX(position);
    const int zq = QuadZ(position);
    if (m_pScene == nullptr) {
        return false;
    }
    for (int i = xq - n; i <= xq + n; ++i) {
        for (int j = zq - n; j <= zq + n; ++j) {
            // The middle of quad (i, j): quads start at multiples of 32 m.
            SCellInfo info;
            CellInfo(static_cast<float>(i * 32 + 16), static_cast<float>(j * 32 + 16), &info);
            if (info.m_dWater - info.m_dGround >= 0.0001) {
                return true;
            }
        }
    }
    return false;
}

bool SActorWorld::IsWaterNearActor(SActor* actor, float radius) {
    return actor != nullptr && IsWaterNear(ViewpointOf(actor), radius);
}

void SActorWorld::ClipPosition(SVector& position, int flying, int clipToGround, int clipToWater) {
    SCellInfo info;
    CellInfo(position.x, position.z, &info);
    const float ground = static_cast<float>(info.m_dGround);
    const float water = static_cast<float>(info.m_dWater);
    if (flying == 0 && clipToWater != 0) {
        position.y = water;
    } else if (position.y < water && clipToWater != 0) {
        position.y = water;
    } else if (flying == 0 && clipToGround != 0) {
        position.y = ground;
    } else if (position.y < ground && clipToGround != 0) {
        position.y = ground;
    }
}

void SActorWorld::ClipActor(SActor* actor) {
    if (actor == nullptr || actor->m_pParent != nullptr) {
        return;
    }
    ClipPosition(actor->m_vPosition, actor->GetFlag("Flying"), actor->GetFlag("ClipToGround"),
                 actor->GetFlag("ClipToWater"));
}

void SActorWorld::PlaceActor(SActor* actor, const SVector* position) {
    if (actor == nullptr || actor->m_bPlaced != 0) {
        return;
    }
    if (position != nullptr) {
        actor->m_vPosition = *position;
    }
    if (m_pScene != nullptr && m_bUseCellLists != 0) {
        m_pScene->AddObject(actor, 3, static_cast<double>(actor->m_vPosition.x) * kToScene,
                            static_cast<double>(actor->m_vPosition.z) * kToScene);
    }
    actor->m_vLastPlaced = actor->m_vPosition;
    actor->m_bPlaced = 1;
}

void SActorWorld::ForgetScene(const SParser* scene) {
    if (scene == nullptr || m_pScene != scene)
        return;
    for (int i = 0; i <= m_iHighest; ++i) {
        if (SActor* actor = GetActor(i))
            actor->m_bPlaced = 0;
    }
    m_pScene = nullptr;
}

bool SActorWorld::UnplaceActor(SActor* actor) {
    if (actor == nullptr) {
        return true;
    }
    if (actor->m_bPlaced == 0) {
        return m_pScene == nullptr;
    }
    if (m_pScene == nullptr || m_bUseCellLists == 0) {
        actor->m_bPlaced = 0;
        return true;
    }
    const SVector& described = actor->m_Desc.m_vPosition;
    const double tries[3][2] = {
        {static_cast<double>(actor->m_vPosition.x) * kToScene, static_cast<double>(actor->m_vPosition.z) * kToScene},
        {static_cast<double>(described.x * kFromScene) * kToScene, static_cast<double>(described.z * kFromScene) * kToScene},
        {static_cast<double>(actor->m_vLastPlaced.x) * kToScene, static_cast<double>(actor->m_vLastPlaced.z) * kToScene},
    };
    bool removed = false;
    for (const auto& at : tries) {
        if (m_pScene->RemoveObject(actor, at[0], at[1]) != 0) {
            removed = true;
            break;
        }
    }
    actor->m_bPlaced = 0;
    return removed;
}

void SActorWorld::MoveActor(SActor* actor, const SVector& newPosition) {
    if (m_pScene == nullptr || actor == nullptr) {
        return;
    }
    const SVector old = actor->m_vLastPlaced;
    const SVector moved = newPosition - old;
    if (moved.Dot(moved) <= 0.001f) {
        return;
    }
    const SVector fromMarker = old - SVector(8.0f, 0.0f, 8.0f);
    if (m_pfnMove != nullptr && !(old.Dot(old) <= 0.1f) && !(fromMarker.Dot(fromMarker) <= 0.1f)) {
        m_pfnMove(actor, &newPosition, &old);
    }
    if (actor->m_bPlaced != 0 && m_bUseCellLists != 0) {
        m_pScene->MoveObject(actor, static_cast<double>(old.x) * kToScene, static_cast<double>(old.z) * kToScene,
                             static_cast<double>(newPosition.x) * kToScene,
                             static_cast<double>(newPosition.z) * kToScene);
    }
    actor->m_vLastPlaced = newPosition;
}

void SActorWorld::FindDryPosition(SActor* actor, SVector* position, float maximumDistance) {
    if (actor == nullptr) {
        return;
    }
    SVector* out = position != nullptr ? position : &actor->m_vPosition;
    const SVector target = *out;
    const double wetDepth = 2.0 * actor->m_fWadingDepth;
    auto wet = [&](const SVector& p) {
        SCellInfo info;
        CellInfo(p.x, p.z, &info);
        return info.m_dWater - info.m_dGround > wetDepth;
    };
    SVector direction(0.0f, 0.0f, 32.0f);
    const SVector turn(0.0f, 22.0f, 0.0f);
    for (int attempts = 16; attempts > 0;) {
        direction.RotateByAngles(turn);
        SVector probe = target;
        --attempts;
        while (wet(probe)) {
            if (direction.Dot(direction) >= 16777216.0f) {
                break;
            }
            if (direction.ToAngles().y < 22.0f) {
                const float length = direction.Length();
                direction.Normalize();
                direction *= length + 32.0f;
            }
            probe = target + direction;
            direction.RotateByAngles(turn);
        }
        SVector q = probe;
        SVector step;
        for (SVector gap = q - target; gap.Dot(gap) > 1.0f; gap = q - target) {
            q += step;
            step = (target - q) * 0.5f;
            if (!wet(q + step)) {
                probe = q;
            }
        }
        if (attempts == 0) {
            return;
        }
        const SVector away = probe - target;
        if (maximumDistance > 0.0f && away.Dot(away) > maximumDistance * maximumDistance) {
            continue;
        }
        if (IsPositionClear(probe, 5.0f)) {
            *out = probe;
            return;
        }
    }
}

void SActorWorld::GetActorMatrix(SActor* actor, SMatrix* matrix) {
    if (matrix == nullptr) {
        return;
    }
    matrix->Identity();
    if (m_pScene == nullptr || actor == nullptr) {
        return;
    }
    SActor* chain[SActor::kMaxChainDepth];
    int count = 0;
    for (SActor* link = actor; link != nullptr && count < SActor::kMaxChainDepth; link = link->m_pParent) {
        chain[count++] = link;
    }
    SActor* top = chain[count - 1];
    top->Update();
    if (count < 2) {
        return;
    }
    m_pScene->BuildObjectMatrix(nullptr, &top->m_Desc, matrix, 0);
    for (int i = count - 2; i >= 0; --i) {
        ActorDesc& desc = chain[i]->m_Desc;
        const SVector position = desc.m_vPosition;
        const SVector angles = desc.m_vAngles;
        desc.m_vPosition = SVector();
        desc.m_vAngles = SVector();
        m_pScene->BuildObjectMatrix(&chain[i + 1]->m_Desc, &desc, matrix, 0);
        desc.m_vPosition = position;
        desc.m_vAngles = angles;
    }
}

void SActorWorld::ActorPointToWorld(SActor* actor, SVector& point, SMatrix* matrix) {
    if (actor == nullptr || m_pScene == nullptr || actor->m_pModel == nullptr) {
        return;
    }
    SMatrix own;
    if (matrix == nullptr) {
        GetActorMatrix(actor, &own);
        matrix = &own;
    }
    // One description for every such query, as the point is handed over at once.
    static ActorDesc s_PointDesc;
    s_PointDesc.m_nKind = 2;
    s_PointDesc.m_nTagIndex = actor->m_pModel->GetCurrentGroup();
    s_PointDesc.m_vPosition = point * kToScene;
    SMatrix combined = *matrix;
    m_pScene->BuildObjectMatrix(&actor->m_Desc, &s_PointDesc, &combined, 0);
    SVector origin;
    const SVector* world = m_pScene->TransformPoint(&origin, combined);
    if (world != nullptr) {
        point = *world * kFromScene;
    }
}

void SActorWorld::ActorAxisToAngles(SActor* actor, SVector& angles, SMatrix* matrix) {
    if (actor == nullptr || m_pScene == nullptr || actor->m_pModel == nullptr ||
        actor->m_pModel->GetCurrentGroup() < 0) {
        return;
    }
    SMatrix own;
    if (matrix == nullptr) {
        GetActorMatrix(actor, &own);
        matrix = &own;
    }
    SVector base;
    SVector tip(0.0f, 0.0f, kToScene);
    const SVector* a = m_pScene->TransformPoint(&base, *matrix);
    const SVector from = a != nullptr ? *a : SVector();
    const SVector* b = m_pScene->TransformPoint(&tip, *matrix);
    SVector direction = (b != nullptr ? *b : SVector()) - from;
    direction.Normalize();
    angles += direction.ToAngles();
}
