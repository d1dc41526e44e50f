#pragma once

#include <cstdint>

#include "app/actors/SActor.h"
#include "core/SVector.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CObject.h"
#include "sys/classlib/CTypedPtrList.h"

class SParser;
class SViewModel;

// A point in a view model's animation at which the game logic wants to be told: when the
// animation passes its trigger frame. Made by the game logic, owned by the view model's list.
class SVMTrigger : public CObject {
public:
    SVMTrigger() = default;
    SVMTrigger(int32_t animation, int32_t frame) : m_iAnimation(animation), m_iFrame(frame) {}

    int32_t m_iAnimation = 0;
    int32_t m_iFrame = 0;
    int32_t m_iLastFrame = -1;  // -1: the animation has not been seen yet
    int32_t m_iLastAnimation = -1;
};

// A model drawn in first person relative to the camera (the officer's weapon and what hangs on
// it): each update places it by the camera's view angles and an owner actor, a pitch kick
// decays with the events it is given, and triggers fire as its animation passes their frames.
// An actor to the game-logic library, which drives it through the actor's virtual operations
// and the two added at the end; their order is an interface. Owned by the in-game screen or by
// the third actor world.
class SViewModel : public SActor {
    DECLARE_SERIAL(SViewModel)

public:
    using TriggerCallback = int (*)(SViewModel* model, SActor* owner, SVMTrigger* trigger);

    static constexpr int kSyncYaw = 0;
    static constexpr int kSyncPitchAndYaw = 1;
    static constexpr int kLockOwnerYaw = 2;

    SViewModel();
    ~SViewModel() override;

    void Describe(CStringList* lines) override;
    // Places the model by the camera and the owner; takes no actor lock.
    ActorDesc* Update() override;
    // Lets the pitch kick decay by `amount` and fires the triggers the animation has passed.
    // Answers what the last fired trigger's callback answered, 0 when none fired.
    int OnEvent(int amount) override;
    virtual void DeleteTriggers();
    // Back to a fresh view model with the next process-wide number in its class name.
    virtual void Init();

    // Switching between "Sync Yaw" and "Sync Pitch and Yaw" turns the difference in pitch into
    // a kick that decays over the current animation, so the model does not jump.
    void SetRotateType(int type);
    // Whether the trigger's frame was passed since it was last asked; remembers what it saw.
    bool TriggerFired(SVMTrigger* trigger);
    static const char* RotateTypeName(int type);

    // --- Fields after the actor's, in the order the library knows them ------------------------
    SVector m_vViewOffset;          // metres
    SActor* m_pOwner = nullptr;
    SParser* m_pRenderer = nullptr;  // asked for the view angles when there is no world
    SVector m_vPitchKick;           // radians; only x is used
    float m_fKickDecay = 0.0f;      // radians per unit of the event amount
    float m_fScale = 1.0f;          // of the owner's turned offset
    uint8_t m_bHidden = 0;          // left out of the first-person pass while set
    int32_t m_iRotateType = kSyncPitchAndYaw;
    int32_t m_iReserved = -1;
    CTypedPtrList<CObList, SVMTrigger*> m_Triggers;
    TriggerCallback m_pfnTrigger = nullptr;

private:
    // Pitch, yaw and roll of the camera in radians: the world's, else the renderer's, else 0.
    SVector CameraAngles();
};
