#pragma once

#include <cstdint>

#include "core/SString.h"
#include "core/SVector.h"
#include "dx/sound/SActorSound.h"
#include "render/parser/SParser.h"
#include "sys/classlib/CArray.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CTypedPtrList.h"

class CStringList;
class SActorWorld;
class SDataCollection;
class SSMHandle;

class SActorList;
// Pending parent links: low 15 bits an actor index of the world, top bit set for a detach.
using SAttachmentInfoList = CArray<uint16_t, uint16_t>;

// One moving object of a 3D scene (an animal, a target, a camera, a weapon model): kinematic
// state in metres, seconds and degrees, behaviour and state flags, an optional model instance,
// parent and children, a target, sounds and the render description the renderer draws from.
// Its world owns it. The game-logic library drives actors through the virtual operations
// below, so their order is an interface and must not change, empty ones included.
class SActor : public CObject {
    DECLARE_SERIAL(SActor)

public:
    // Behaviour flags (flags A).
    static constexpr uint32_t kVisible = 0x1;
    static constexpr uint32_t kDestroyMe = 0x8;
    static constexpr uint32_t kCollide = 0x10;
    static constexpr uint32_t kClipToGround = 0x20;
    static constexpr uint32_t kClipToWater = 0x40;
    static constexpr uint32_t kClipToWorld = 0x80;
    static constexpr uint32_t kPitchToSlope = 0x800;
    static constexpr uint32_t kPitchFromVelocity = 0x1000;
    static constexpr uint32_t kNoPitch = 0x2000;
    static constexpr uint32_t kRollToSlope = 0x4000;
    static constexpr uint32_t kIsChild = 0x100000;
    static constexpr uint32_t kDescribeOffsets = 0x200000;
    static constexpr uint32_t kDrawTowardFocus = 0x8000000;
    static constexpr uint32_t kRenderFlag8 = 0x40000000;
    static constexpr uint32_t kDefaultFlagsA = 0x2008b1;
    // State flags (flags B).
    static constexpr uint32_t kFlying = 0x1;
    static constexpr uint32_t kRunning = 0x2;
    static constexpr uint32_t kOnGround = 0x10;
    static constexpr uint32_t kRunningToo = 0x10000;
    static constexpr uint32_t kExtraAngles = 0x400000;
    // Parent chains longer than this are not followed.
    static constexpr int kMaxChainDepth = 32;

    SActor();
    ~SActor() override;
    SActor(const SActor&) = delete;
    SActor& operator=(const SActor&) = delete;

    void Serialize(CArchive& ar) override;
    virtual void Describe(CStringList* lines);
    virtual void SetModelInstance(SSMHandle* instance);
    virtual void SetModel(const char* path);
    // Takes the sound (deleted at once, and the pointer cleared, when one of its name is there).
    virtual void AddSound(SActorSound*& sound);
    virtual void RemoveSound(const char* name);
    virtual int HandleMessage(int a, int b, int c);
    virtual void UpdateSounds(SActor* listener, float frameTime);
    // The render description brought up to date under the actor lock; null when the lock
    // stayed taken for 200 ms.
    virtual ActorDesc* Update();
    virtual int CanSeePoint(const SVector& point, int range, uint32_t mode);
    virtual int CanSeeActor(SActor* target, int range, uint32_t mode);
    virtual int CanSeeActorFrom(const SVector& eye, const SVector& angles, SActor* target, int range, uint32_t mode);
    virtual int CanSeePointFrom(const SVector& eye, const SVector& angles, const SVector& point, int range,
                                uint32_t mode);
    virtual float SlopeAngle(float yawOffset);
    virtual void GetEyePosition(SVector& position);
    virtual void GetViewAngles(SVector& angles);
    virtual void GetViewpoint(SVector& position, SVector& angles);
    virtual bool ClampAngle(float centre, float give, float& angle);
    virtual void ApplyAngleLimits();
    virtual void ApplyAngleLimitsTo(SVector& angles);
    virtual void AttachChild(SActor* child);
    virtual void DetachChild(SActor* child);
    virtual void ReleaseChildren();
    virtual void UpdateChildren();
    virtual SActorList* GetChildren();
    virtual int AskParent(int value);
    virtual int Broadcast(int value, int up, int down);
    virtual void OnActorRemoved(SActor* actor);
    virtual int OnEvent(int value);
    virtual void Hook0();
    virtual void Hook1(int value);
    virtual void Hook2(int a, int b);
    virtual int OnSceneChanged(SParser* scene);
    virtual int Hook3(int value);
    virtual float AimDistance();
    virtual void MeasureFocusDistance();
    virtual void MeasureFocusBearing();
    virtual float GetWorldValue();
    virtual void Reset();
    virtual float RelativeYaw(SVector& direction, const SVector* angles);

    // Flags by name (without regard to case); unknown and null names read 0 and change nothing.
    void SetFlag(const char* name, bool on);
    int GetFlag(const char* name) const;
    bool HasFlagA(uint32_t value) const { return (m_dwFlagsA & value) != 0; }
    bool HasFlagB(uint32_t value) const { return (m_dwFlagsB & value) != 0; }
    SDataCollection* GetProperties();
    void AddPoint(const SVector& point);
    void ClearPoints();
    void AddPendingLink(uint16_t word);
    void ResolveLinks();
    // True when other is this actor, or (up) one of its ancestors, or (down) a descendant.
    bool IsRelated(const SActor* other, bool up, bool down) const;
    void InvalidateViewpoint() { m_iCachedStamp = -1; }
    // Drops parent and children without placing or updating anyone: the world is deleting
    // every actor at once.
    void ForgetFamily();

    // --- Fields, in the order the library knows them ------------------------------------------
    SString m_sName;
    int32_t m_iValue1 = 0;
    SVector m_vExtraAngles;
    CArray<SVector, const SVector&> m_Points;
    SString m_sClassName;
    SVector m_vPosition;
    SVector m_vLastPlaced;
    SVector m_vVectorA;
    SVector m_vOrientation;
    SVector m_vVelocity;
    SVector m_vVectorB;
    SVector m_vAcceleration;
    SVector m_vBoundsMin;
    SVector m_vBoundsMax;
    SVector m_vOffsetAngles;
    SVector m_vOffsetPosition;
    SVector m_vLockedAngles;
    SVector m_vLockedGive;
    SVector m_vVectorC;
    SVector m_vVectorD;
    float m_fFactor1 = 2.0f;
    float m_fFactor2 = 2.0f;
    float m_fHeight = 1.875f;
    float m_fWadingDepth = 0.2f;
    float m_fFactor3 = 0.5f;
    float m_fRange = 1600.0f;
    float m_fEnergy = 100.0f;
    float m_fDrawScale = 1.0f;
    float m_fSpeed = 1.0f;
    float m_fFocusDistance = 0.0f;
    float m_fFocusBearing = 0.0f;
    float m_fLimit1 = -1.0f;
    float m_fLimit2 = 360.0f;
    float m_fFactor4 = 1.0f;
    float m_fFactor5 = 1.0f;
    int16_t m_nCounter1 = 25;
    int16_t m_nCounter2 = 0;
    ActorDesc m_Desc;
    SActor* m_pParent = nullptr;
    SActorList* m_pChildren = nullptr;
    ActorDesc** m_ppChildDescs = nullptr;
    SActor* m_pTarget = nullptr;
    int32_t m_iTargetIndex = -1;
    uint32_t m_dwFlagsA = kDefaultFlagsA;
    uint32_t m_dwFlagsB = 0;
    SSMHandle* m_pModel = nullptr;
    SString m_sModelPath;
    int16_t m_nTextureId = -1;
    uint8_t m_bPlaced = 0;
    uint8_t m_bNotOwned = 0;
    int32_t m_iUpdateStamp = 0;
    int32_t m_iCachedStamp = -1;
    SVector m_vCachedPosition;
    SVector m_vCachedAngles;
    SActorSoundList m_Sounds;
    SActorWorld* m_pWorld = nullptr;
    SDataCollection* m_pProperties = nullptr;
    SAttachmentInfoList* m_pPendingLinks = nullptr;

private:
    void RebuildChildArray();
    float SurfaceHeightAt(const SVector& point);
};

// An actor's children; it does not own them.
class SActorList : public CTypedPtrList<CObList, SActor*> {};
