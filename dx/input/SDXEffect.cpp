#include "dx/input/SDXEffect.h"

#include "dx/input/SDXInput.h"
#include "dx/input/SDXJoystick.h"

using namespace sys::input;

// A new effect is a custom force with every parameter zero until a preset fills it.
SDXEffect::SDXEffect() {
    m_Effect.dwTriggerButton = 0;
    m_Effect.rgdwAxes = m_Axes;
    m_Effect.rglDirection = m_Direction;
    m_Axes[0] = m_Axes[1] = 0;
}

SDXEffect::~SDXEffect() {
    if (m_pEffect != nullptr) {
        m_pEffect->Release();
    }
}

void SDXEffect::SetCommon(const GUID& guid, uint32_t duration, uint32_t triggerButton) {
    m_Guid = guid;
    m_Effect = DIEFFECT{};
    m_Effect.dwSize = DIEFFECT_SIZE;
    m_Effect.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_POLAR;
    m_Effect.dwDuration = duration;
    m_Effect.dwSamplePeriod = 0;
    m_Effect.dwGain = DI_FFNOMINALMAX;
    m_Effect.dwTriggerButton = triggerButton;
    m_Effect.dwTriggerRepeatInterval = 0;
    m_Effect.cAxes = 2;
    m_Axes[0] = DIJOFS_X;
    m_Axes[1] = DIJOFS_Y;
    m_Direction[0] = m_Direction[1] = 0;
    m_Effect.rgdwAxes = m_Axes;
    m_Effect.rglDirection = m_Direction;
    m_Effect.lpEnvelope = nullptr;
}

void SDXEffect::UsePeriodic(uint32_t magnitude, uint32_t period) {
    m_Periodic = DIPERIODIC{magnitude, 0, 0, period};
    m_Effect.cbTypeSpecificParams = sizeof(DIPERIODIC);
    m_Effect.lpvTypeSpecificParams = &m_Periodic;
}

void SDXEffect::UseConstant(int32_t magnitude) {
    m_Constant.lMagnitude = magnitude;
    m_Effect.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    m_Effect.lpvTypeSpecificParams = &m_Constant;
}

void SDXEffect::UseEnvelope(uint32_t attackTime, uint32_t fadeTime) {
    m_Envelope = DIENVELOPE{};
    m_Envelope.dwAttackLevel = 0;
    m_Envelope.dwAttackTime = attackTime;
    m_Envelope.dwFadeLevel = 0;
    m_Envelope.dwFadeTime = fadeTime;
    m_Effect.lpEnvelope = &m_Envelope;
}

void SDXEffect::SetSineOnTrigger() {
    SetCommon(GUID_Sine, 2000000, DIJOFS_BUTTON(0));
    UsePeriodic(10000, 50000);
    UseEnvelope(500000, 1000000);
}

void SDXEffect::SetConstantForce() {
    SetCommon(GUID_ConstantForce, INFINITE_DURATION, DIEB_NOTRIGGER);
    UseConstant(10000);
}

void SDXEffect::SetConstantJolt() {
    SetCommon(GUID_ConstantForce, 250000, DIEB_NOTRIGGER);
    UseConstant(10000);
    UseEnvelope(0, 250000);
}

void SDXEffect::SetSineJolt() {
    SetCommon(GUID_Sine, 160000, DIEB_NOTRIGGER);
    UsePeriodic(9000, 39000);
    UseEnvelope(19000, 139000);
}

bool SDXEffect::CreateEffect(SDXJoystick* joystick) {
    m_pJoystick = joystick;
    if (joystick == nullptr || joystick->GetDevice() == nullptr) {
        if (joystick && joystick->GetInput()) {
            joystick->GetInput()->ReportError("SDXEffect::CreateEffect", DIERR_NOTINITIALIZED);
        }
        return false;
    }
    if (m_pEffect != nullptr) {
        m_pEffect->Release();
        m_pEffect = nullptr;
    }
    const HRESULT hr = joystick->GetDevice()->CreateEffect(m_Guid, &m_Effect, &m_pEffect, nullptr);
    if (Failed(hr)) {
        m_pEffect = nullptr;
        joystick->GetInput()->ReportError("SDXEffect::CreateEffect", hr);
        return false;
    }
    return true;
}
