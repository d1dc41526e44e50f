#include "dx/sound/SDXSound3DBuffer.h"

#include "dx/sound/SDXSound.h"

using namespace sys::audio;

IMPLEMENT_DYNAMIC(SDXSound3DBuffer, SDXSoundBuffer)

namespace {

SVector ToVector(const D3DVECTOR& v) { return SVector(v.x, v.y, v.z); }

}  // namespace

SDXSound3DBuffer::SDXSound3DBuffer() = default;

SDXSound3DBuffer::SDXSound3DBuffer(SDXSound* owner, const char* fileName, bool createNow, uint32_t flags)
    : SDXSoundBuffer(owner, fileName, createNow, flags) {}

SDXSound3DBuffer::~SDXSound3DBuffer() { Release3D(); }

int SDXSound3DBuffer::Result3D(HRESULT hr) {
    m_hr3D = hr;
    return hr == DS_OK ? 1 : 0;
}

int SDXSound3DBuffer::Get3DInterface() {
    if (m_pBuffer == nullptr) {
        return 1;
    }
    // A buffer made again after Cleanup asks anew; the interface of its old device buffer goes.
    if (m_pBuffer3D != nullptr) {
        m_pBuffer3D->Release();
        m_pBuffer3D = nullptr;
    }
    if (Result3D(m_pBuffer->Query3DBuffer(&m_pBuffer3D)) == 0) {
        m_pBuffer3D = nullptr;
        return 0;
    }
    return 1;
}

int SDXSound3DBuffer::Release3D() {
    if (m_pBuffer3D != nullptr) {
        m_pBuffer3D->Release();
        m_pBuffer3D = nullptr;
    }
    return Cleanup();
}

bool SDXSound3DBuffer::Duplicate(SDXSoundBuffer* target) {
    if (m_bDuplicate != 0 && m_pBuffer3D == nullptr) {
        return false;
    }
    return SDXSoundBuffer::Duplicate(target) != 0;
}

int SDXSound3DBuffer::GetAllParameters(DS3DBUFFER* params) {
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetAllParameters(params)) : 0;
}

int SDXSound3DBuffer::SetAllParameters(const DS3DBUFFER* params, uint32_t apply) {
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetAllParameters(params, apply)) : 0;
}

int SDXSound3DBuffer::GetConeInsideAngle(uint32_t* angle) {
    if (angle != nullptr) {
        *angle = m_dwInsideConeAngle;
    }
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetConeAngles(angle, nullptr)) : 0;
}

int SDXSound3DBuffer::GetConeOutsideAngle(uint32_t* angle) {
    if (angle != nullptr) {
        *angle = m_dwOutsideConeAngle;
    }
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetConeAngles(nullptr, angle)) : 0;
}

int SDXSound3DBuffer::SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply) {
    m_dwInsideConeAngle = inside;
    m_dwOutsideConeAngle = outside;
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetConeAngles(inside, outside, apply)) : 0;
}

int SDXSound3DBuffer::GetConeOrientation(SVector& orientation) {
    if (m_pBuffer3D == nullptr) {
        return 0;
    }
    D3DVECTOR v;
    const int ok = Result3D(m_pBuffer3D->GetConeOrientation(&v));
    if (ok != 0) {
        orientation = ToVector(v);
    }
    return ok;
}

int SDXSound3DBuffer::SetConeOrientation(float x, float y, float z, uint32_t apply) {
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetConeOrientation(x, y, z, apply)) : 0;
}

int SDXSound3DBuffer::GetConeOutsideVolume(int32_t* volume) {
    if (volume != nullptr) {
        *volume = m_lConeOutsideVolume;
    }
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetConeOutsideVolume(volume)) : 0;
}

int SDXSound3DBuffer::SetConeOutsideVolume(int32_t volume, uint32_t apply) {
    m_lConeOutsideVolume = volume;
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetConeOutsideVolume(volume, apply)) : 0;
}

int SDXSound3DBuffer::GetMaxDistance(float* distance) {
    if (distance != nullptr) {
        *distance = m_fMaxDistance;
    }
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetMaxDistance(distance)) : 0;
}

int SDXSound3DBuffer::SetMaxDistance(float distance, uint32_t apply) {
    m_fMaxDistance = distance;
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetMaxDistance(distance, apply)) : 0;
}

int SDXSound3DBuffer::GetMinDistance(float* distance) {
    if (distance != nullptr) {
        *distance = m_fMinDistance;
    }
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetMinDistance(distance)) : 0;
}

int SDXSound3DBuffer::SetMinDistance(float distance, uint32_t apply) {
    m_fMinDistance = distance;
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetMinDistance(distance, apply)) : 0;
}

int SDXSound3DBuffer::GetMode(uint32_t* mode) {
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->GetMode(mode)) : 0;
}

int SDXSound3DBuffer::SetMode(uint32_t mode, uint32_t apply) {
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetMode(mode, apply)) : 0;
}

int SDXSound3DBuffer::GetPosition(SVector& position) {
    position = m_vPosition;
    if (m_pBuffer3D == nullptr) {
        return 0;
    }
    D3DVECTOR v;
    const int ok = Result3D(m_pBuffer3D->GetPosition(&v));
    if (ok != 0) {
        position = ToVector(v);
    }
    return ok;
}

int SDXSound3DBuffer::SetPosition(float x, float y, float z, uint32_t apply) {
    m_vPosition = SVector(x, y, z);
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetPosition(x, y, z, apply)) : 0;
}

int SDXSound3DBuffer::GetVelocity(SVector& velocity) {
    if (m_pBuffer3D == nullptr) {
        return 0;
    }
    D3DVECTOR v;
    const int ok = Result3D(m_pBuffer3D->GetVelocity(&v));
    if (ok != 0) {
        velocity = ToVector(v);
    }
    return ok;
}

int SDXSound3DBuffer::SetVelocity(float x, float y, float z, uint32_t apply) {
    return m_pBuffer3D != nullptr ? Result3D(m_pBuffer3D->SetVelocity(x, y, z, apply)) : 0;
}

void SDXSound3DBuffer::ReportError(char* buffer, int size) { SoundReportError(m_hr3D, m_pLogWnd3D, buffer, size); }
