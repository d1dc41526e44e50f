#include <cmath>

#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "sys/thread.h"

namespace {

// One lock for the updates of all actors: the game-logic library may update actors from its
// own threads while the main thread draws them.
CCriticalSection g_ActorLock;
constexpr uint32_t kActorLockWaitMs = 200;
constexpr float kPi = 3.14159265f;

float Radians(float degrees) { return degrees * SVector::kDegreesToRadians; }

// Into [0, 360) by adding or taking off 360 once.
float WrapOnce(float angle) {
    if (angle < 0.0f) {
        return angle + 360.0f;
    }
    if (angle >= 360.0f) {
        return angle - 360.0f;
    }
    return angle;
}

float YawGap(float a, float b) {
    const SVector da = SVector::ToDirection(SVector(0.0f, a, 0.0f));
    const SVector db = SVector::ToDirection(SVector(0.0f, b, 0.0f));
    const SVector d = da - db;
    return d.Dot(d);
}

}  // namespace

ActorDesc* SActor::Update() {
    CSingleLock lock(&g_ActorLock);
    if (!lock.Lock(kActorLockWaitMs)) {
        return nullptr;
    }
    SVector offsetPosition = m_vOffsetPosition;
    SVector offsetAngles = m_vOffsetAngles;
    if (!HasFlagA(kDescribeOffsets)) {
        offsetPosition = SVector();
        offsetAngles = SVector();
    }
    SVector drawn = m_vPosition;
    SActor* focus = m_pWorld != nullptr ? m_pWorld->GetFocusActor() : nullptr;
    if (HasFlagA(kDrawTowardFocus) && focus != nullptr && focus != this) {
        SVector eye;
        SVector angles;
        focus->GetViewpoint(eye, angles);
        drawn = drawn + (eye - drawn) * 0.03f;
    }
    m_Desc.m_vPosition = (drawn + offsetPosition) * SActorWorld::kToScene;

    float pitch = 0.0f;
    if (!HasFlagA(kNoPitch)) {
        const float speed2 = m_vVelocity.x * m_vVelocity.x + m_vVelocity.z * m_vVelocity.z;
        if (HasFlagB(kOnGround) && HasFlagA(kPitchToSlope)) {
            pitch = SlopeAngle(0.0f) + offsetAngles.x;
        } else if (HasFlagA(kPitchFromVelocity) && speed2 > 0.001f) {
            pitch = m_vVelocity.ToAngles().x;
        } else {
            pitch = m_vOrientation.x + offsetAngles.x;
        }
    }
    const float yaw = m_vOrientation.y + offsetAngles.y;
    float roll = m_vOrientation.z + offsetAngles.z;
    if (HasFlagB(kOnGround) && HasFlagA(kRollToSlope)) {
        roll = SlopeAngle(90.0f) + offsetAngles.z;
    }
    m_Desc.m_vAngles = SVector(Radians(pitch), Radians(yaw), Radians(roll));

    if (m_pModel != nullptr) {
        m_Desc.m_pModel = m_pModel;
        m_Desc.m_fScale = m_fDrawScale;
        m_Desc.m_dwFlags |= 1;
        bool hidden = !HasFlagA(kVisible);
        if (m_pWorld != nullptr && focus == this) {
            const SVector& offset = m_pWorld->m_vCameraOffset;
            hidden = hidden || offset.Dot(offset) < 0.001f;
        }
        if (hidden) {
            m_Desc.m_dwFlags &= ~1u;
        }
        m_Desc.m_nKind = 0;
        m_Desc.m_nSubKind = 0;
    } else if (m_nTextureId >= 0) {
        m_Desc.m_pModel = nullptr;
        m_Desc.m_nModelIndex = m_nTextureId;
        m_Desc.m_fScale = m_fDrawScale;
        if (HasFlagA(kPitchToSlope)) {
            m_Desc.m_vAngles = SVector(kPi / 2.0f, 0.0f, 0.0f);
        }
        m_Desc.m_dwFlags |= 1;
    }
    if (HasFlagA(kRenderFlag8)) {
        m_Desc.m_dwFlags |= 8;
    } else {
        m_Desc.m_dwFlags &= ~8u;
    }
    if ((m_Desc.m_dwFlags & 1) != 0) {
        UpdateChildren();
        m_Desc.m_nChildCount = static_cast<int16_t>(m_pChildren != nullptr ? m_pChildren->GetCount() : 0);
        m_Desc.m_ppChildren = m_ppChildDescs;
    }
    return &m_Desc;
}

void SActor::GetEyePosition(SVector& position) {
    position = m_vPosition + m_vOffsetPosition;
    position.y += m_fHeight;
}

void SActor::GetViewAngles(SVector& angles) {
    angles = m_vOrientation + m_vOffsetAngles;
    if (HasFlagB(kExtraAngles)) {
        angles += m_vExtraAngles;
    }
}

void SActor::GetViewpoint(SVector& position, SVector& angles) {
    if (m_iCachedStamp == m_iUpdateStamp) {
        position = m_vCachedPosition;
        angles = m_vCachedAngles;
        return;
    }
    GetEyePosition(position);
    GetViewAngles(angles);
    if (m_pWorld != nullptr && m_pParent != nullptr) {
        SMatrix matrix;
        m_pWorld->GetActorMatrix(this, &matrix);
        m_pWorld->ActorPointToWorld(this, position, &matrix);
        m_pWorld->ActorAxisToAngles(this, angles, &matrix);
    }
    m_vCachedPosition = position;
    m_vCachedAngles = angles;
    m_iCachedStamp = m_iUpdateStamp;
}

int SActor::CanSeePoint(const SVector& point, int range, uint32_t mode) {
    SVector eye;
    SVector angles;
    GetViewpoint(eye, angles);
    return CanSeePointFrom(eye, angles, point, range, mode);
}

int SActor::CanSeeActor(SActor* target, int range, uint32_t mode) {
    SVector eye;
    SVector angles;
    GetViewpoint(eye, angles);
    return CanSeeActorFrom(eye, angles, target, range, mode);
}

int SActor::CanSeeActorFrom(const SVector& eye, const SVector& angles, SActor* target, int range, uint32_t mode) {
    if (target == nullptr || m_pWorld == nullptr) {
        return 0;
    }
    SVector flat = target->m_vPosition - eye;
    flat.y = 0.0f;
    const float limit = static_cast<float>(range);
    if (!(flat.Dot(flat) < limit * limit)) {
        return 0;
    }
    SVector direction = target->m_vPosition - eye;
    const float yaw = RelativeYaw(direction, &angles);
    if (!(yaw > -30.0f && yaw < 30.0f)) {
        return 0;
    }
    SVector top = target->m_vPosition;
    top.y += target->m_fHeight;
    if (m_pWorld->LineTest(this, top, eye, 0.0f, 0.0f, mode) != 0) {
        return 1;
    }
    m_pWorld->GetLastLineTestResult();
    return 0;
}

int SActor::CanSeePointFrom(const SVector& eye, const SVector& angles, const SVector& point, int range,
                            uint32_t mode) {
    if (m_pWorld == nullptr) {
        return 0;
    }
    const SVector offset = point - eye;
    const float limit = static_cast<float>(range);
    if (!(offset.Dot(offset) < limit * limit)) {
        return 0;
    }
    SVector direction = offset;
    const float yaw = RelativeYaw(direction, &angles);
    if (!(yaw > -30.0f && yaw < 30.0f)) {
        return 0;
    }
    SVector raised = point;
    raised.y += 1.0f;
    return m_pWorld->LineTest(this, raised, eye, 0.0f, 0.0f, mode) != 0 ? 1 : 0;
}

float SActor::RelativeYaw(SVector& direction, const SVector* angles) {
    const float yaw = angles != nullptr ? angles->y : m_vOrientation.y;
    direction.Normalize();
    direction.RotateByAngles(SVector(0.0f, -yaw, 0.0f));
    float relative = direction.ToAngles().y;
    if (relative > 180.0f) {
        relative -= 360.0f;
    }
    return relative;
}

float SActor::SurfaceHeightAt(const SVector& point) {
    SCellInfo info;
    m_pWorld->CellInfoAt(point, &info);
    if (HasFlagA(kClipToWater) && info.m_dWater > info.m_dGround) {
        return static_cast<float>(info.m_dWater);
    }
    return static_cast<float>(info.m_dGround);
}

float SActor::SlopeAngle(float yawOffset) {
    // Without a world there is no ground to measure; the slope is level.
    if (m_pParent != nullptr || m_pWorld == nullptr) {
        return 0.0f;
    }
    const SVector d = SVector::ToDirection(SVector(0.0f, m_vOrientation.y + yawOffset, 0.0f)) * 0.5f;
    SVector front = m_vPosition + d;
    SVector rear = m_vPosition - d;
    front.y = SurfaceHeightAt(front);
    rear.y = SurfaceHeightAt(rear);
    return (front - rear).ToAngles().x;
}

float SActor::AimDistance() {
    if (m_pWorld == nullptr) {
        return -1.0f;
    }
    const bool parentCollides = m_pParent != nullptr && m_pParent->HasFlagA(kCollide);
    if (parentCollides) {
        m_pParent->m_dwFlagsA &= ~kCollide;
    }
    SVector eye;
    SVector angles;
    GetViewpoint(eye, angles);
    const SVector end = eye + SVector::ToDirection(angles) * 2048.0f;
    const int clear = m_pWorld->LineTest(this, eye, end, 0.0f, 0.0f, 0x73b);
    if (parentCollides) {
        m_pParent->m_dwFlagsA |= kCollide;
    }
    const SHitRecord* record = m_pWorld->GetLastLineTestResult();
    if (clear == 0 && record != nullptr && (record->m_dwKind & 0x1000) == 0) {
        const SVector offset = record->m_vPoint * SActorWorld::kFromScene - eye;
        return offset.Length();
    }
    return -1.0f;
}

bool SActor::ClampAngle(float centre, float give, float& angle) {
    const float lo = WrapOnce(centre - give);
    const float hi = WrapOnce(centre + give);
    const bool inside = lo <= hi ? (angle >= lo && angle <= hi) : (angle >= lo || angle <= hi);
    if (inside) {
        return false;
    }
    angle = YawGap(lo, angle) <= YawGap(hi, angle) ? lo : hi;
    return true;
}

void SActor::ApplyAngleLimits() { ApplyAngleLimitsTo(m_vOrientation); }

void SActor::ApplyAngleLimitsTo(SVector& angles) {
    ClampAngle(m_vLockedAngles.x, m_vLockedGive.x, angles.x);
    ClampAngle(m_vLockedAngles.y, m_vLockedGive.y, angles.y);
}

void SActor::RebuildChildArray() {
    delete[] m_ppChildDescs;
    m_ppChildDescs = nullptr;
    const int count = m_pChildren != nullptr ? m_pChildren->GetCount() : 0;
    if (count > 0) {
        m_ppChildDescs = new ActorDesc*[count]();
    }
    m_Desc.m_ppChildren = m_ppChildDescs;
    m_Desc.m_nChildCount = static_cast<int16_t>(count);
}

void SActor::AttachChild(SActor* child) {
    // An actor hanging below itself would make every walk up or down its chain endless.
    if (child == nullptr || IsRelated(child, true, false)) {
        return;
    }
    if (m_pChildren == nullptr) {
        m_pChildren = new SActorList();
    }
    if (m_pChildren->Find(child) != nullptr) {
        return;
    }
    m_pChildren->AddTail(child);
    child->m_pParent = this;
    child->m_dwFlagsA &= ~(kCollide | kClipToGround | kClipToWorld | kPitchToSlope);
    child->m_dwFlagsA |= kIsChild;
    child->m_dwFlagsB |= kFlying;
    if (child->m_bPlaced != 0 && child->m_pWorld != nullptr) {
        child->m_pWorld->UnplaceActor(child);
    }
    RebuildChildArray();
    Update();
}

void SActor::DetachChild(SActor* child) {
    if (child == nullptr || m_pChildren == nullptr) {
        return;
    }
    const POSITION position = m_pChildren->Find(child);
    if (position == nullptr) {
        return;
    }
    m_pChildren->RemoveAt(position);
    child->m_pParent = nullptr;
    child->m_dwFlagsA &= ~kIsChild;
    if (child->m_bPlaced == 0 && child->m_pWorld != nullptr) {
        child->m_pWorld->PlaceActor(child, nullptr);
    }
    RebuildChildArray();
    Update();
}

void SActor::ReleaseChildren() {
    if (m_pChildren == nullptr) {
        return;
    }
    POSITION position = m_pChildren->GetHeadPosition();
    while (position != nullptr) {
        SActor* child = m_pChildren->GetNext(position);
        if (child == nullptr) {
            continue;
        }
        child->m_pParent = nullptr;
        child->m_dwFlagsA &= ~kIsChild;
        if (child->m_bPlaced == 0 && child->m_pWorld != nullptr) {
            child->m_pWorld->PlaceActor(child, nullptr);
            child->m_vLastPlaced = child->m_vPosition;
        }
    }
    delete m_pChildren;
    m_pChildren = nullptr;
    RebuildChildArray();
    Update();
}

void SActor::UpdateChildren() {
    if (m_pChildren == nullptr) {
        return;
    }
    int entry = 0;
    POSITION position = m_pChildren->GetHeadPosition();
    while (position != nullptr) {
        const POSITION current = position;
        SActor* child = m_pChildren->GetNext(position);
        if (child == this) {
            m_pChildren->RemoveAt(current);
            continue;
        }
        ActorDesc* desc = child != nullptr ? child->Update() : nullptr;
        if (m_ppChildDescs != nullptr && entry < m_Desc.m_nChildCount) {
            m_ppChildDescs[entry] = desc;
        }
        ++entry;
    }
}

void SActor::ResolveLinks() {
    if (m_pPendingLinks != nullptr && m_pWorld != nullptr) {
        for (int i = m_pPendingLinks->GetSize() - 1; i >= 0; --i) {
            const uint16_t word = m_pPendingLinks->GetAt(i);
            SActor* actor = m_pWorld->GetActor(word & 0x7FFF);
            if ((word & 0x8000) != 0) {
                DetachChild(actor);
            } else {
                AttachChild(actor);
            }
            m_pPendingLinks->RemoveAt(i);
        }
    }
    if (m_pPendingLinks != nullptr && m_pPendingLinks->GetSize() == 0) {
        delete m_pPendingLinks;
        m_pPendingLinks = nullptr;
    }
    if (m_pWorld == nullptr) {
        return;
    }
    if (m_iTargetIndex >= 0) {
        if (SActor* target = m_pWorld->GetActor(m_iTargetIndex)) {
            m_pTarget = target;
            m_iTargetIndex = -1;
        }
    } else if (m_pTarget != nullptr && m_pWorld->FindActor(m_pTarget) < 0) {
        m_pTarget = nullptr;
    }
}

int SActor::AskParent(int value) { return m_pParent != nullptr ? m_pParent->AskParent(value) : 0; }

int SActor::Broadcast(int value, int up, int down) {
    int answer = 0;
    if (up != 0 && m_pParent != nullptr) {
        answer = m_pParent->Broadcast(value, 1, 0);
    }
    if (down != 0 && answer == 0 && m_pChildren != nullptr) {
        POSITION position = m_pChildren->GetHeadPosition();
        while (position != nullptr) {
            SActor* child = m_pChildren->GetNext(position);
            if (child != nullptr && child != this) {
                answer = child->Broadcast(value, 0, 1);
            }
        }
    }
    return answer;
}

void SActor::OnActorRemoved(SActor* actor) {
    if (actor == nullptr) {
        return;
    }
    if (m_pParent == actor) {
        m_pParent = nullptr;
    }
    if (m_pTarget == actor) {
        m_pTarget = nullptr;
    }
    if (m_pChildren != nullptr) {
        const POSITION position = m_pChildren->Find(actor);
        if (position != nullptr) {
            m_pChildren->RemoveAt(position);
            RebuildChildArray();
        }
    }
}

void SActor::ForgetFamily() {
    m_pParent = nullptr;
    delete m_pChildren;
    m_pChildren = nullptr;
    RebuildChildArray();
}
