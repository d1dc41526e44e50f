#pragma once

#include "core/SVector.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/audio/audio.h"

class SDXSound;

// A sound buffer placed in the 3D world: its device buffer has 3D control, and this wrapper
// keeps the 3D interface with the values last asked for (cone, distances, position). The sound
// manager creates one for each 3D game sound and owns it; actor sounds position it each frame.
// The stored values change even when the device refuses or there is no interface, so the
// getters answer the last requested values.
class SDXSound3DBuffer : public SDXSoundBuffer {
    DECLARE_DYNAMIC(SDXSound3DBuffer)

public:
    SDXSound3DBuffer();
    SDXSound3DBuffer(SDXSound* owner, const char* fileName, bool createNow, uint32_t flags);
    ~SDXSound3DBuffer() override;

    // 1 when there is no device buffer; else fetches the 3D interface (0 when refused).
    int Get3DInterface();
    bool Has3DInterface() const { return m_pBuffer3D != nullptr; }
    // Drops the 3D interface, then the device buffer.
    int Release3D();
    // False for a duplicate that lost its 3D interface; else the buffer's own Duplicate.
    bool Duplicate(SDXSoundBuffer* target);

    int GetAllParameters(sys::audio::DS3DBUFFER* params);
    int SetAllParameters(const sys::audio::DS3DBUFFER* params, uint32_t apply);
    int GetConeInsideAngle(uint32_t* angle);
    int GetConeOutsideAngle(uint32_t* angle);
    int SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply);
    int GetConeOrientation(SVector& orientation);
    int SetConeOrientation(float x, float y, float z, uint32_t apply);
    int GetConeOutsideVolume(int32_t* volume);
    int SetConeOutsideVolume(int32_t volume, uint32_t apply);
    int GetMaxDistance(float* distance);
    int SetMaxDistance(float distance, uint32_t apply);
    int GetMinDistance(float* distance);
    int SetMinDistance(float distance, uint32_t apply);
    int GetMode(uint32_t* mode);
    int SetMode(uint32_t mode, uint32_t apply);
    int GetPosition(SVector& position);
    int SetPosition(float x, float y, float z, uint32_t apply);
    int GetVelocity(SVector& velocity);
    int SetVelocity(float x, float y, float z, uint32_t apply);
    void ReportError(char* buffer, int size);

    sys::audio::HRESULT GetLast3DResult() const { return m_hr3D; }

private:
    int Result3D(sys::audio::HRESULT hr);

    sys::audio::IDirectSound3DBuffer* m_pBuffer3D = nullptr;
    sys::audio::HRESULT m_hr3D = 0;
    sys::HWND m_pLogWnd3D = nullptr;
    uint32_t m_dwInsideConeAngle = sys::audio::DS3D_DEFAULTCONEANGLE;
    uint32_t m_dwOutsideConeAngle = sys::audio::DS3D_DEFAULTCONEANGLE;
    int32_t m_lConeOutsideVolume = 0;
    float m_fMaxDistance = sys::audio::DS3D_DEFAULTMAXDISTANCE;
    float m_fMinDistance = sys::audio::DS3D_DEFAULTMINDISTANCE;
    SVector m_vPosition;
};
