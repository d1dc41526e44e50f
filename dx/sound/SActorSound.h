#pragma once

#include <cstdint>

#include "core/SString.h"
#include "core/SVector.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CTypedPtrList.h"

class SActor;
class SDXSoundBuffer;
class SSound;

// What an actor sound needs to know about actors, which live above the sound layer: the
// world viewpoint (eye position and view angles), the velocity, and whether two actors hang in
// one chain of parents and children. The actor module installs one at start-up.
class SActorSoundHost {
public:
    virtual ~SActorSoundHost() = default;
    virtual void GetViewpoint(SActor* actor, SVector& position, SVector& angles) = 0;
    virtual SVector GetVelocity(SActor* actor) = 0;
    // True when other is the actor itself, one of its ancestors or one of its descendants.
    virtual bool IsRelated(SActor* actor, SActor* other) = 0;
};

// A named game sound that an actor emits once, in a loop, or again and again after random
// pauses, heard by a listener actor. The actor owns it (in its SActorSoundList); the buffer it
// plays belongs to the sound manager, which may take it back at any time: the manager's release
// hook (OnBufferReleased) makes every sound that still holds such a buffer forget it.
class SActorSound : public CObject {
    DECLARE_DYNCREATE(SActorSound)

public:
    using FetchFunction = SDXSoundBuffer* (*)(const char* name, uint8_t b3D);

    SActorSound();
    SActorSound(SSound* sound, SActor* actor);
    ~SActorSound() override;
    SActorSound(const SActorSound&) = delete;
    SActorSound& operator=(const SActorSound&) = delete;

    // After the root object's three operations, in this order.
    // Advances the sound's clock by the frame time and starts, refreshes or stops its playing
    // for the listener; false without a listener or actor, or while waiting for the start time.
    virtual bool Update(SActor* listener, float frameTime);
    virtual int32_t ComputePan(const SVector& listenerPos, const SVector& listenerAngles, int32_t volume);
    virtual int32_t ComputeVolume(float distance);
    virtual void Reset();
    virtual void ScheduleNext();
    virtual void Start(const SVector& listenerPos, const SVector& listenerAngles, float distance);
    virtual void Refresh(const SVector& listenerPos, const SVector& listenerAngles, float distance,
                         uint32_t attach);
    virtual FetchFunction SetFetchFunction(FetchFunction fetch);
    virtual void StopAndReset();
    virtual bool IsPlaying();
    virtual const SString& GetName();
    virtual SDXSoundBuffer* GetBuffer();
    virtual void ForgetBuffer();

    // The emitting actor is going away while the sound stays (its world is cleared).
    void DetachActor() { m_pActor = nullptr; }

    static void SetHost(SActorSoundHost* host);
    static SActorSoundHost* GetHost();
    // The sound manager's release hook: the buffer is deleted or handed to a new request.
    static void OnBufferReleased(SDXSoundBuffer* buffer);

    SSound* m_pSound = nullptr;
    SActor* m_pActor = nullptr;
    SDXSoundBuffer* m_pBuffer = nullptr;
    uint8_t m_bFinished = 0;
    uint8_t m_bDue = 0;
    int32_t m_iClock = 0;
    int32_t m_iNextStart = 0;
    int32_t m_iStartTime = -1;
    FetchFunction m_pfnFetch = nullptr;
    SString m_sName;
    uint8_t m_b3D = 0;
    float m_fMinDistance = 1.0f;
    float m_fMaxDistance = 100.0f;
    float m_fRepeatMin = -1.0f;
    float m_fRepeatMax = -1.0f;
    SVector m_vListenerPos;
    SVector m_vListenerAngles;
    SVector m_vListenerVelocity;
    SVector m_vPosition;
    SVector m_vAngles;
    SVector m_vVelocity;

private:
    // Milliseconds of frame time not yet added to the clock, so short frames add up exactly.
    float m_fClockCarry = 0.0f;
};

// An actor's sounds. It does not delete them by itself; the actor does.
class SActorSoundList : public CTypedPtrList<CObList, SActorSound*> {
public:
    // Every member lets go of its buffer without touching it (the manager's buffers are going).
    virtual void ForgetBuffers();
};
