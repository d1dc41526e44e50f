#include "dx/sound/SActorSound.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "dx/sound/SDXSound3DBuffer.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "dx/sound/SSound.h"
#include "sys/audio/audio.h"
#include "sys/rand.h"

IMPLEMENT_DYNCREATE(SActorSound, CObject)

namespace {

SActorSoundHost* g_pHost = nullptr;

// Every live sound, so that a buffer the manager takes back can be forgotten by its holder.
// Never destroyed: sounds held by the hub's actors are deleted by exit handlers that run after
// the destructors of function-local statics made later than the hub.
std::vector<SActorSound*>& LiveSounds() {
    static auto* sounds = new std::vector<SActorSound*>;
    return *sounds;
}

SDXSound3DBuffer* As3D(SDXSoundBuffer* buffer) {
    if (buffer == nullptr || buffer->GetKind() != 3 || !buffer->IsKindOf(RUNTIME_CLASS(SDXSound3DBuffer))) {
        return nullptr;
    }
    return static_cast<SDXSound3DBuffer*>(buffer);
}

}  // namespace

SActorSound::SActorSound() : SActorSound(nullptr, nullptr) {}

SActorSound::SActorSound(SSound* sound, SActor* actor) : m_pSound(sound), m_pActor(actor) {
    LiveSounds().push_back(this);
}

SActorSound::~SActorSound() {
    StopAndReset();
    std::vector<SActorSound*>& sounds = LiveSounds();
    sounds.erase(std::remove(sounds.begin(), sounds.end(), this), sounds.end());
}

void SActorSound::SetHost(SActorSoundHost* host) { g_pHost = host; }

SActorSoundHost* SActorSound::GetHost() { return g_pHost; }

void SActorSound::OnBufferReleased(SDXSoundBuffer* buffer) {
    for (SActorSound* sound : LiveSounds()) {
        if (sound->m_pBuffer == buffer) {
            sound->ForgetBuffer();
        }
    }
}

bool SActorSound::Update(SActor* listener, float frameTime) {
    if (listener == nullptr || m_pActor == nullptr || g_pHost == nullptr) {
        return false;
    }
    // Whole milliseconds go to the clock; the fraction waits for the next frame, so a steady
    // 60 frames a second adds up to a second of clock instead of 0.96 of one.
    const double total = static_cast<double>(frameTime) * 1000.0 + m_fClockCarry;
    const int32_t step = static_cast<int32_t>(total);
    m_fClockCarry = static_cast<float>(total - step);
    m_iClock += step;
    if (m_iClock < m_iStartTime) {
        m_iClock += step;
        return false;
    }
    if (m_iNextStart == 0) {
        ScheduleNext();
    }
    if ((m_fRepeatMin == 0.0f && m_fRepeatMax == 0.0f) || m_iNextStart <= m_iClock) {
        m_bDue = 1;
    }
    if (m_bDue == 0) {
        return true;
    }

    g_pHost->GetViewpoint(listener, m_vListenerPos, m_vListenerAngles);
    m_vListenerVelocity = g_pHost->GetVelocity(listener);
    uint32_t attach = 0;
    if (g_pHost->IsRelated(m_pActor, listener)) {
        m_vPosition = m_vListenerPos;
        m_vAngles = m_vListenerAngles;
        m_vVelocity = m_vListenerVelocity;
        attach = 0x80000000u;
    } else {
        g_pHost->GetViewpoint(m_pActor, m_vPosition, m_vAngles);
        m_vVelocity = g_pHost->GetVelocity(m_pActor);
    }

    const SVector offset = m_vPosition - m_vListenerPos;
    const float d2 = offset.Dot(offset);
    if (d2 > m_fMaxDistance * m_fMaxDistance) {
        StopAndReset();
        return true;
    }
    const float distance = std::sqrt(d2);
    if (m_pBuffer == nullptr) {
        Start(m_vListenerPos, m_vListenerAngles, distance);
    } else if (!m_pBuffer->IsPlaying()) {
        Reset();
    } else {
        Refresh(m_vListenerPos, m_vListenerAngles, distance, attach);
    }
    return true;
}

int32_t SActorSound::ComputeVolume(float distance) {
    if (distance > m_fMaxDistance) {
        return -10000;
    }
    if (distance <= m_fMinDistance) {
        return 0;
    }
    const float fraction = (distance - m_fMinDistance) / (m_fMaxDistance - m_fMinDistance);
    return static_cast<int32_t>((1.0f - fraction) * 10000.0f - 10000.0f);
}

int32_t SActorSound::ComputePan(const SVector& listenerPos, const SVector& listenerAngles, int32_t volume) {
    SVector dir = m_vPosition - listenerPos;
    const float length = dir.Length();
    if (length > 0.0f) {
        dir /= length;
    }
    dir.TurnBy(-listenerAngles);
    float s = 0.5f * dir.x * dir.x;
    if (dir.x < 0.0f) {
        s = -s;
    }
    // Below -8000 hundredths of a decibel the span would turn negative and move a sound on the
    // right to the left; such a quiet sound is simply centred.
    const int32_t k = std::max(volume + 8000, 0);
    return static_cast<int32_t>((s + 1.0f) * static_cast<float>(k)) - k;
}

void SActorSound::Reset() {
    m_pBuffer = nullptr;
    if (m_fRepeatMin < 0.0f || m_fRepeatMax < 0.0f) {
        m_bFinished = 1;
    }
    m_bDue = 0;
    ScheduleNext();
}

void SActorSound::ScheduleNext() {
    const float span = m_fRepeatMax - m_fRepeatMin;
    if (span > 0.0f) {
        const float pause = m_fRepeatMin + span * static_cast<float>(sys::Rand()) / 32767.0f;
        m_iNextStart = m_iClock + static_cast<int32_t>(pause * 1000.0f);
    } else if (m_fRepeatMin > -1.0f) {
        m_iNextStart = m_iClock + static_cast<int32_t>(m_fRepeatMin * 1000.0f);
    }
}

void SActorSound::Start(const SVector& listenerPos, const SVector& listenerAngles, float distance) {
    SDXSoundBuffer* buffer = m_pfnFetch != nullptr ? m_pfnFetch(m_sName.GetString(), m_b3D) : nullptr;
    if (buffer == nullptr) {
        m_bFinished = 1;
        return;
    }
    m_pBuffer = buffer;
    if (SDXSound3DBuffer* buffer3D = As3D(buffer)) {
        buffer3D->SetMaxDistance(m_fMaxDistance, sys::audio::DS3D_IMMEDIATE);
        buffer3D->SetMinDistance(m_fMinDistance, sys::audio::DS3D_IMMEDIATE);
        buffer3D->SetPosition(m_vPosition.x, m_vPosition.y, m_vPosition.z, sys::audio::DS3D_IMMEDIATE);
        buffer3D->SetVelocity(m_vVelocity.x, 0.0f, m_vVelocity.z, sys::audio::DS3D_IMMEDIATE);
        buffer->SetVolume(0);
    } else {
        const int32_t volume = ComputeVolume(distance);
        const int32_t pan = ComputePan(listenerPos, listenerAngles, volume);
        buffer->SetVolume(volume);
        buffer->SetPan(pan);
    }
    if (m_pSound != nullptr) {
        m_pSound->UpdateListener(true);
    }
    const bool loop = m_fRepeatMin == 0.0f && m_fRepeatMax == 0.0f;
    buffer->Play(loop ? sys::audio::DSBPLAY_LOOPING : 0);
}

void SActorSound::Refresh(const SVector& listenerPos, const SVector& listenerAngles, float distance,
                          uint32_t attach) {
    if (m_pBuffer == nullptr) {
        return;
    }
    if (SDXSound3DBuffer* buffer3D = As3D(m_pBuffer)) {
        buffer3D->SetVelocity(m_vVelocity.x, 0.0f, m_vVelocity.z, sys::audio::DS3D_IMMEDIATE);
        buffer3D->SetPosition(m_vPosition.x, m_vPosition.y, m_vPosition.z, sys::audio::DS3D_IMMEDIATE);
        m_pBuffer->SetVolume(0);
        if ((attach & 0x80000000u) != 0 && m_pSound != nullptr) {
            m_pSound->UpdateListener(true);
        }
        return;
    }
    const int32_t volume = ComputeVolume(distance);
    const int32_t pan = ComputePan(listenerPos, listenerAngles, volume);
    int32_t currentPan = 0;
    int32_t currentVolume = 0;
    m_pBuffer->GetPan(&currentPan);
    m_pBuffer->GetVolume(&currentVolume);
    if (currentPan != pan) {
        m_pBuffer->SetPan(pan);
    }
    if (currentVolume != volume) {
        m_pBuffer->SetVolume(volume);
    }
}

SActorSound::FetchFunction SActorSound::SetFetchFunction(FetchFunction fetch) {
    m_pfnFetch = fetch;
    return fetch;
}

void SActorSound::StopAndReset() {
    if (m_pBuffer != nullptr) {
        m_pBuffer->Stop();
        m_pBuffer->SetCurrentPosition(0);
    }
    Reset();
}

bool SActorSound::IsPlaying() { return m_pBuffer != nullptr && m_pBuffer->IsPlaying(); }

const SString& SActorSound::GetName() { return m_sName; }

SDXSoundBuffer* SActorSound::GetBuffer() { return m_pBuffer; }

void SActorSound::ForgetBuffer() { m_pBuffer = nullptr; }

void SActorSoundList::ForgetBuffers() {
    POSITION position = GetHeadPosition();
    while (position != nullptr) {
        SActorSound* sound = GetNext(position);
        if (sound != nullptr) {
            sound->ForgetBuffer();
        }
    }
}
