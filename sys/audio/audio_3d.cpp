// The 3D interfaces of the sound seam: the listener of a device and the 3D control of its
// buffers. Every setting goes to the pending values and, when immediate, to the ones in effect;
// the listener's commit makes all pending values of its device take effect at once.
#include <cmath>

#include "sys/audio/audio_core.h"
#include "sys/audio/audio.h"

namespace sys::audio {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

void ApplyPending(DeviceState& device) {
    device.listener = device.pendingListener;
    for (VoiceState* voice : device.voices) {
        voice->params3D = voice->pending3D;
    }
}

}  // namespace

// --- Listener ------------------------------------------------------------------------------------

IDirectSound3DListener::~IDirectSound3DListener() { DropHolder(m_primary); }

namespace {

// Runs a setter on the pending listener settings, and on the ones in effect when immediate.
template <class Setter>
HRESULT SetListener(VoiceState* primary, uint32_t apply, Setter set) {
    Guard guard(AudioLock());
    DeviceState* device = Touch(primary);
    if (device == nullptr) {
        return DSERR_UNINITIALIZED;
    }
    if (apply != DS3D_IMMEDIATE && apply != DS3D_DEFERRED) {
        return DSERR_INVALIDPARAM;
    }
    set(device->pendingListener);
    if (apply == DS3D_IMMEDIATE) {
        set(device->listener);
    }
    return DS_OK;
}

template <class Getter>
HRESULT GetListener(VoiceState* primary, Getter get) {
    Guard guard(AudioLock());
    if (primary->device == nullptr) {
        return DSERR_UNINITIALIZED;
    }
    get(primary->device->pendingListener);
    return DS_OK;
}

bool ValidFactor(float value) { return std::isfinite(value) && value >= 0.0f; }

}  // namespace

HRESULT IDirectSound3DListener::GetAllParameters(DS3DLISTENER* params) {
    if (params == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [params](const ListenerParams& l) {
        params->vPosition = l.position;
        params->vVelocity = l.velocity;
        params->vOrientFront = l.front;
        params->vOrientTop = l.top;
        params->flDistanceFactor = l.distanceFactor;
        params->flRolloffFactor = l.rolloffFactor;
        params->flDopplerFactor = l.dopplerFactor;
    });
}

HRESULT IDirectSound3DListener::SetAllParameters(const DS3DLISTENER* params, uint32_t apply) {
    if (params == nullptr || !ValidFactor(params->flDistanceFactor) || !ValidFactor(params->flRolloffFactor) ||
        !ValidFactor(params->flDopplerFactor)) {
        return DSERR_INVALIDPARAM;
    }
    return SetListener(m_primary, apply, [params](ListenerParams& l) {
        l.position = params->vPosition;
        l.velocity = params->vVelocity;
        l.front = params->vOrientFront;
        l.top = params->vOrientTop;
        l.distanceFactor = params->flDistanceFactor;
        l.rolloffFactor = params->flRolloffFactor;
        l.dopplerFactor = params->flDopplerFactor;
    });
}

HRESULT IDirectSound3DListener::GetDistanceFactor(float* value) {
    if (value == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [value](const ListenerParams& l) { *value = l.distanceFactor; });
}

HRESULT IDirectSound3DListener::SetDistanceFactor(float value, uint32_t apply) {
    if (!ValidFactor(value)) {
        return DSERR_INVALIDPARAM;
    }
    return SetListener(m_primary, apply, [value](ListenerParams& l) { l.distanceFactor = value; });
}

HRESULT IDirectSound3DListener::GetDopplerFactor(float* value) {
    if (value == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [value](const ListenerParams& l) { *value = l.dopplerFactor; });
}

HRESULT IDirectSound3DListener::SetDopplerFactor(float value, uint32_t apply) {
    if (!ValidFactor(value)) {
        return DSERR_INVALIDPARAM;
    }
    return SetListener(m_primary, apply, [value](ListenerParams& l) { l.dopplerFactor = value; });
}

HRESULT IDirectSound3DListener::GetRolloffFactor(float* value) {
    if (value == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [value](const ListenerParams& l) { *value = l.rolloffFactor; });
}

HRESULT IDirectSound3DListener::SetRolloffFactor(float value, uint32_t apply) {
    if (!ValidFactor(value)) {
        return DSERR_INVALIDPARAM;
    }
    return SetListener(m_primary, apply, [value](ListenerParams& l) { l.rolloffFactor = value; });
}

HRESULT IDirectSound3DListener::GetOrientation(D3DVECTOR* front, D3DVECTOR* top) {
    if (front == nullptr || top == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [front, top](const ListenerParams& l) {
        *front = l.front;
        *top = l.top;
    });
}

HRESULT IDirectSound3DListener::SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY,
                                               float topZ, uint32_t apply) {
    return SetListener(m_primary, apply, [=](ListenerParams& l) {
        l.front = D3DVECTOR{frontX, frontY, frontZ};
        l.top = D3DVECTOR{topX, topY, topZ};
    });
}

HRESULT IDirectSound3DListener::GetPosition(D3DVECTOR* position) {
    if (position == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [position](const ListenerParams& l) { *position = l.position; });
}

HRESULT IDirectSound3DListener::SetPosition(float x, float y, float z, uint32_t apply) {
    return SetListener(m_primary, apply, [=](ListenerParams& l) { l.position = D3DVECTOR{x, y, z}; });
}

HRESULT IDirectSound3DListener::GetVelocity(D3DVECTOR* velocity) {
    if (velocity == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetListener(m_primary, [velocity](const ListenerParams& l) { *velocity = l.velocity; });
}

HRESULT IDirectSound3DListener::SetVelocity(float x, float y, float z, uint32_t apply) {
    return SetListener(m_primary, apply, [=](ListenerParams& l) { l.velocity = D3DVECTOR{x, y, z}; });
}

HRESULT IDirectSound3DListener::CommitDeferredSettings() {
    Guard guard(AudioLock());
    DeviceState* device = Touch(m_primary);
    if (device == nullptr) {
        return DSERR_UNINITIALIZED;
    }
    ApplyPending(*device);
    return DS_OK;
}

HRESULT IDirectSound3DListener::Requery(IDirectSound3DListener** listener) {
    if (listener == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    AddRef();
    *listener = this;
    return DS_OK;
}

// --- 3D buffer -----------------------------------------------------------------------------------

IDirectSound3DBuffer::~IDirectSound3DBuffer() { DropHolder(m_voice); }

namespace {

template <class Setter>
HRESULT SetBuffer3D(VoiceState* voice, uint32_t apply, Setter set) {
    Guard guard(AudioLock());
    Touch(voice);
    if (apply != DS3D_IMMEDIATE && apply != DS3D_DEFERRED) {
        return DSERR_INVALIDPARAM;
    }
    set(voice->pending3D);
    if (apply == DS3D_IMMEDIATE) {
        set(voice->params3D);
    }
    return DS_OK;
}

template <class Getter>
HRESULT GetBuffer3D(VoiceState* voice, Getter get) {
    Guard guard(AudioLock());
    get(voice->pending3D);
    return DS_OK;
}

bool ValidDistance(float value) { return std::isfinite(value) && value > 0.0f; }

}  // namespace

HRESULT IDirectSound3DBuffer::GetAllParameters(DS3DBUFFER* params) {
    if (params == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [params](const Buffer3DParams& p) {
        params->vPosition = p.position;
        params->vVelocity = p.velocity;
        params->dwInsideConeAngle = p.insideCone;
        params->dwOutsideConeAngle = p.outsideCone;
        params->vConeOrientation = p.coneOrientation;
        params->lConeOutsideVolume = p.coneOutsideVolume;
        params->flMinDistance = p.minDistance;
        params->flMaxDistance = p.maxDistance;
        params->dwMode = p.mode;
    });
}

HRESULT IDirectSound3DBuffer::SetAllParameters(const DS3DBUFFER* params, uint32_t apply) {
    if (params == nullptr || !ValidDistance(params->flMinDistance) || !ValidDistance(params->flMaxDistance) ||
        params->dwMode > DS3DMODE_DISABLE || params->dwInsideConeAngle > 360 || params->dwOutsideConeAngle > 360 ||
        params->lConeOutsideVolume < DSBVOLUME_MIN || params->lConeOutsideVolume > DSBVOLUME_MAX) {
        return DSERR_INVALIDPARAM;
    }
    return SetBuffer3D(m_voice, apply, [params](Buffer3DParams& p) {
        p.position = params->vPosition;
        p.velocity = params->vVelocity;
        p.insideCone = params->dwInsideConeAngle;
        p.outsideCone = params->dwOutsideConeAngle;
        p.coneOrientation = params->vConeOrientation;
        p.coneOutsideVolume = params->lConeOutsideVolume;
        p.minDistance = params->flMinDistance;
        p.maxDistance = params->flMaxDistance;
        p.mode = params->dwMode;
    });
}

HRESULT IDirectSound3DBuffer::GetConeAngles(uint32_t* inside, uint32_t* outside) {
    return GetBuffer3D(m_voice, [inside, outside](const Buffer3DParams& p) {
        if (inside != nullptr) {
            *inside = p.insideCone;
        }
        if (outside != nullptr) {
            *outside = p.outsideCone;
        }
    });
}

HRESULT IDirectSound3DBuffer::SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply) {
    if (inside > 360 || outside > 360) {
        return DSERR_INVALIDPARAM;
    }
    return SetBuffer3D(m_voice, apply, [=](Buffer3DParams& p) {
        p.insideCone = inside;
        p.outsideCone = outside;
    });
}

HRESULT IDirectSound3DBuffer::GetConeOrientation(D3DVECTOR* orientation) {
    if (orientation == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [orientation](const Buffer3DParams& p) { *orientation = p.coneOrientation; });
}

HRESULT IDirectSound3DBuffer::SetConeOrientation(float x, float y, float z, uint32_t apply) {
    return SetBuffer3D(m_voice, apply, [=](Buffer3DParams& p) { p.coneOrientation = D3DVECTOR{x, y, z}; });
}

HRESULT IDirectSound3DBuffer::GetConeOutsideVolume(int32_t* volume) {
    if (volume == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [volume](const Buffer3DParams& p) { *volume = p.coneOutsideVolume; });
}

HRESULT IDirectSound3DBuffer::SetConeOutsideVolume(int32_t volume, uint32_t apply) {
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) {
        return DSERR_INVALIDPARAM;
    }
    return SetBuffer3D(m_voice, apply, [volume](Buffer3DParams& p) { p.coneOutsideVolume = volume; });
}

HRESULT IDirectSound3DBuffer::GetMaxDistance(float* distance) {
    if (distance == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [distance](const Buffer3DParams& p) { *distance = p.maxDistance; });
}

HRESULT IDirectSound3DBuffer::SetMaxDistance(float distance, uint32_t apply) {
    if (!ValidDistance(distance)) {
        return DSERR_INVALIDPARAM;
    }
    return SetBuffer3D(m_voice, apply, [distance](Buffer3DParams& p) { p.maxDistance = distance; });
}

HRESULT IDirectSound3DBuffer::GetMinDistance(float* distance) {
    if (distance == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [distance](const Buffer3DParams& p) { *distance = p.minDistance; });
}

HRESULT IDirectSound3DBuffer::SetMinDistance(float distance, uint32_t apply) {
    if (!ValidDistance(distance)) {
        return DSERR_INVALIDPARAM;
    }
    return SetBuffer3D(m_voice, apply, [distance](Buffer3DParams& p) { p.minDistance = distance; });
}

HRESULT IDirectSound3DBuffer::GetMode(uint32_t* mode) {
    if (mode == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [mode](const Buffer3DParams& p) { *mode = p.mode; });
}

HRESULT IDirectSound3DBuffer::SetMode(uint32_t mode, uint32_t apply) {
    if (mode > DS3DMODE_DISABLE) {
        return DSERR_INVALIDPARAM;
    }
    return SetBuffer3D(m_voice, apply, [mode](Buffer3DParams& p) { p.mode = mode; });
}

HRESULT IDirectSound3DBuffer::GetPosition(D3DVECTOR* position) {
    if (position == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [position](const Buffer3DParams& p) { *position = p.position; });
}

HRESULT IDirectSound3DBuffer::SetPosition(float x, float y, float z, uint32_t apply) {
    return SetBuffer3D(m_voice, apply, [=](Buffer3DParams& p) { p.position = D3DVECTOR{x, y, z}; });
}

HRESULT IDirectSound3DBuffer::GetVelocity(D3DVECTOR* velocity) {
    if (velocity == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    return GetBuffer3D(m_voice, [velocity](const Buffer3DParams& p) { *velocity = p.velocity; });
}

HRESULT IDirectSound3DBuffer::SetVelocity(float x, float y, float z, uint32_t apply) {
    return SetBuffer3D(m_voice, apply, [=](Buffer3DParams& p) { p.velocity = D3DVECTOR{x, y, z}; });
}

}  // namespace sys::audio
