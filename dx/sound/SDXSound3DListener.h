#pragma once

#include "core/SVector.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/audio/audio.h"

class SDXSound;

// The 3D listener of the sound device's primary buffer: where the player hears from, which way
// they face and how fast they move. The sound manager owns the one listener and moves it with
// the player's view; deferred changes of the listener and of every 3D buffer take effect at the
// manager's commit. Its wave and buffer part stays empty.
class SDXSound3DListener : public SDXSoundBuffer {
    DECLARE_DYNAMIC(SDXSound3DListener)

public:
    SDXSound3DListener();
    explicit SDXSound3DListener(SDXSound* device);
    ~SDXSound3DListener() override;

    // Needs the device's primary buffer made with 3D control.
    int Create(SDXSound* device);
    // 1 without an interface; else asks the interface for itself and drops it when refused.
    int Requery();
    bool Has3DInterface() const { return m_pListener3D != nullptr; }

    int GetAllParameters(sys::audio::DS3DLISTENER* params);
    int SetAllParameters(const sys::audio::DS3DLISTENER* params, uint32_t apply);
    int GetDistanceFactor(float* value);
    int SetDistanceFactor(float value, uint32_t apply);
    int GetDopplerFactor(float* value);
    int SetDopplerFactor(float value, uint32_t apply);
    int GetRolloffFactor(float* value);
    int SetRolloffFactor(float value, uint32_t apply);
    int GetOrientation(SVector& front, SVector& top);
    int SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY, float topZ, uint32_t apply);
    // The stored position first, so without an interface the last position set is the answer.
    int GetPosition(SVector& position);
    int SetPosition(float x, float y, float z, uint32_t apply);
    int GetVelocity(SVector& velocity);
    int SetVelocity(float x, float y, float z, uint32_t apply);
    int CommitDeferredSettings();
    void ReportError(char* buffer, int size);

    sys::audio::HRESULT GetLast3DResult() const { return m_hr3D; }

private:
    int Result3D(sys::audio::HRESULT hr);

    sys::audio::IDirectSound3DListener* m_pListener3D = nullptr;
    SVector m_vPosition;
    sys::audio::HRESULT m_hr3D = 0;
    sys::HWND m_pLogWnd3D = nullptr;
};
