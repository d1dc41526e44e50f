#include "dx/sound/SDXSound3DListener.h"

#include "dx/sound/SDXSound.h"

using namespace sys::audio;

IMPLEMENT_DYNAMIC(SDXSound3DListener, SDXSoundBuffer)

namespace {

SVector ToVector(const D3DVECTOR& v) { return SVector(v.x, v.y, v.z); }

}  // namespace

SDXSound3DListener::SDXSound3DListener() = default;

SDXSound3DListener::SDXSound3DListener(SDXSound* device) { Create(device); }

SDXSound3DListener::~SDXSound3DListener() {
    if (m_pListener3D != nullptr) {
        m_pListener3D->Release();
        m_pListener3D = nullptr;
    }
}

int SDXSound3DListener::Result3D(HRESULT hr) {
    m_hr3D = hr;
    return hr == DS_OK ? 1 : 0;
}

int SDXSound3DListener::Create(SDXSound* device) {
    if (device == nullptr || device->GetDirectSound() == nullptr || device->GetPrimaryBuffer() == nullptr) {
        SDXSound::Trace("[SDXSound3DListener::Create] : Failed to create 3D-Listener!\n");
        return 0;
    }
    if (m_pListener3D != nullptr) {
        m_pListener3D->Release();
        m_pListener3D = nullptr;
    }
    if (Result3D(device->GetPrimaryBuffer()->QueryListener(&m_pListener3D)) == 0) {
        m_pListener3D = nullptr;
        SDXSound::Trace("[SDXSound3DListener::Create] : Interface IID_IDirectSound3DListener not found!\n");
        SDXSound::Trace("[SDXSound3DListener::Create] : Failed to create 3D-Listener!\n");
        return 0;
    }
    SDXSound::Trace("[SDXSound3DListener::Create] : 3D-Listener Created\n");
    return 1;
}

int SDXSound3DListener::Requery() {
    if (m_pListener3D == nullptr) {
        return 1;
    }
    IDirectSound3DListener* same = nullptr;
    if (Result3D(m_pListener3D->Requery(&same)) == 0) {
        m_pListener3D = nullptr;
        return 0;
    }
    same->Release();
    return 1;
}

int SDXSound3DListener::GetAllParameters(DS3DLISTENER* params) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->GetAllParameters(params)) : 0;
}

int SDXSound3DListener::SetAllParameters(const DS3DLISTENER* params, uint32_t apply) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->SetAllParameters(params, apply)) : 0;
}

int SDXSound3DListener::GetDistanceFactor(float* value) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->GetDistanceFactor(value)) : 0;
}

int SDXSound3DListener::SetDistanceFactor(float value, uint32_t apply) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->SetDistanceFactor(value, apply)) : 0;
}

int SDXSound3DListener::GetDopplerFactor(float* value) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->GetDopplerFactor(value)) : 0;
}

int SDXSound3DListener::SetDopplerFactor(float value, uint32_t apply) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->SetDopplerFactor(value, apply)) : 0;
}

int SDXSound3DListener::GetRolloffFactor(float* value) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->GetRolloffFactor(value)) : 0;
}

int SDXSound3DListener::SetRolloffFactor(float value, uint32_t apply) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->SetRolloffFactor(value, apply)) : 0;
}

int SDXSound3DListener::GetOrientation(SVector& front, SVector& top) {
    if (m_pListener3D == nullptr) {
        return 0;
    }
    D3DVECTOR f;
    D3DVECTOR t;
    const int ok = Result3D(m_pListener3D->GetOrientation(&f, &t));
    if (ok != 0) {
        front = ToVector(f);
        top = ToVector(t);
    }
    return ok;
}

int SDXSound3DListener::SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY, float topZ,
                                       uint32_t apply) {
    if (m_pListener3D == nullptr) {
        return 0;
    }
    return Result3D(m_pListener3D->SetOrientation(frontX, frontY, frontZ, topX, topY, topZ, apply));
}

int SDXSound3DListener::GetPosition(SVector& position) {
    position = m_vPosition;
    if (m_pListener3D == nullptr) {
        return 0;
    }
    D3DVECTOR p;
    const int ok = Result3D(m_pListener3D->GetPosition(&p));
    if (ok != 0) {
        position = ToVector(p);
    }
    return ok;
}

int SDXSound3DListener::SetPosition(float x, float y, float z, uint32_t apply) {
    m_vPosition = SVector(x, y, z);
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->SetPosition(x, y, z, apply)) : 0;
}

int SDXSound3DListener::GetVelocity(SVector& velocity) {
    if (m_pListener3D == nullptr) {
        return 0;
    }
    D3DVECTOR v;
    const int ok = Result3D(m_pListener3D->GetVelocity(&v));
    if (ok != 0) {
        velocity = ToVector(v);
    }
    return ok;
}

int SDXSound3DListener::SetVelocity(float x, float y, float z, uint32_t apply) {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->SetVelocity(x, y, z, apply)) : 0;
}

int SDXSound3DListener::CommitDeferredSettings() {
    return m_pListener3D != nullptr ? Result3D(m_pListener3D->CommitDeferredSettings()) : 0;
}

void SDXSound3DListener::ReportError(char* buffer, int size) { SoundReportError(m_hr3D, m_pLogWnd3D, buffer, size); }
