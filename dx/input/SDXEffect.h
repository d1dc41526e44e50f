#pragma once

#include <cstdint>

#include "sys/input/input.h"

class SDXJoystick;

// One force-feedback effect description with its own storage (axes, directions, envelope,
// type-specific parameters), filled by one of four presets and created on a force-feedback
// joystick. Contained in the input object; the description points into this object, so it
// is neither copied nor moved.
class SDXEffect {
public:
    SDXEffect();
    virtual ~SDXEffect();
    SDXEffect(const SDXEffect&) = delete;
    SDXEffect& operator=(const SDXEffect&) = delete;

    void SetSineOnTrigger();
    void SetConstantForce();
    void SetConstantJolt();
    void SetSineJolt();
    bool CreateEffect(SDXJoystick* joystick);

    const sys::input::DIEFFECT& GetDescription() const { return m_Effect; }
    const sys::input::GUID& GetEffectGuid() const { return m_Guid; }
    const sys::input::DIENVELOPE& GetEnvelope() const { return m_Envelope; }
    const sys::input::DIPERIODIC& GetPeriodic() const { return m_Periodic; }
    const sys::input::DICONSTANTFORCE& GetConstantForce() const { return m_Constant; }
    sys::input::Effect* GetEffect() const { return m_pEffect; }

private:
    // The fields every preset shares.
    void SetCommon(const sys::input::GUID& guid, uint32_t duration, uint32_t triggerButton);
    void UsePeriodic(uint32_t magnitude, uint32_t period);
    void UseConstant(int32_t magnitude);
    void UseEnvelope(uint32_t attackTime, uint32_t fadeTime);

    SDXJoystick* m_pJoystick = nullptr;
    sys::input::Effect* m_pEffect = nullptr;
    sys::input::DIEFFECT m_Effect;
    uint32_t m_Axes[2] = {sys::input::DIJOFS_X, sys::input::DIJOFS_Y};
    int32_t m_Direction[2] = {0, 0};
    sys::input::DIENVELOPE m_Envelope;
    sys::input::DIPERIODIC m_Periodic;
    sys::input::DICONSTANTFORCE m_Constant;
    sys::input::GUID m_Guid = sys::input::GUID_CustomForce;
};
