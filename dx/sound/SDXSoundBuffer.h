#pragma once

#include <cstdint>

#include "core/SString.h"
#include "dx/sound/SWave.h"
#include "sys/audio/audio.h"
#include "sys/window/window.h"

class SDXSound;

// A wave turned into a secondary buffer of the sound device: created from the wave's data (or
// duplicated from another buffer, sharing its memory), restored when lost, played, stopped,
// positioned, and given volume, pan and frequency. The sound manager owns every buffer and keeps
// its bookkeeping (id, kind, priority, key, last use) here; screens play their interface sounds
// through the buffers directly. The 3D listener and 3D buffers derive from it.
class SDXSoundBuffer : public SWave {
    DECLARE_SERIAL(SDXSoundBuffer)

public:
    static constexpr uint32_t kDefaultFlags = 0xE2;  // static, frequency, pan and volume control

    SDXSoundBuffer();
    SDXSoundBuffer(SDXSound* owner, const char* fileName, bool createNow, uint32_t flags);
    SDXSoundBuffer(SDXSound* owner, CFile* file, bool createNow, uint32_t flags);
    SDXSoundBuffer(SDXSound* owner, uint32_t resourceId, bool createNow, uint32_t flags, sys::mmio::HMODULE module);
    ~SDXSoundBuffer() override;

    // Loading opens the archive's file (format and size only); storing writes nothing.
    void Serialize(CArchive& ar) override;

    int CreateBuffer(SDXSound* owner, uint32_t flags);
    // Makes the device buffer from the wave. 1 at once when it exists already; 0 without an
    // owner, format or device, or when the data cannot be read into it.
    virtual int CreateBuffer();
    // Releases the device buffer; the object stays and can be created again. Always 1.
    int Cleanup();
    // Makes `target` a second buffer playing this buffer's memory.
    int Duplicate(SDXSoundBuffer* target);
    // Gives `target` its own copy of this buffer's format and data.
    int CopyWaveData(SDXSoundBuffer* target);

    int Restore();
    // Restores a lost buffer first.
    int Play(uint32_t flags);
    int Stop();
    int SetCurrentPosition(uint32_t position);
    int GetPlayPosition(uint32_t* position);
    int GetWritePosition(uint32_t* position);
    int GetCaps(sys::audio::DSBCAPS* caps);
    int GetBufferFormat(sys::audio::WAVEFORMATEX* format);
    int SetBufferFormat(const sys::audio::WAVEFORMATEX* format);
    int GetFrequency(uint32_t* frequency);
    int SetFrequency(uint32_t frequency);
    int GetPan(int32_t* pan);
    int SetPan(int32_t pan);
    // Keeps the requested volume; the device gets it plus the master offset, within -10000..0.
    int SetVolume(int32_t volume);
    // The requested volume as last set, without asking the device.
    int GetVolume(int32_t* volume);
    // Refuses while the last result is a failure.
    int GetStatus(uint32_t* status);
    bool IsPlaying();
    uint32_t GetDurationMs();
    // The name of the last result, cut to fit and always terminated.
    void ReportError(char* buffer, int size);

    sys::audio::IDirectSoundBuffer* GetBuffer() const { return m_pBuffer; }
    SDXSound* GetOwner() const { return m_pSound; }
    sys::audio::HRESULT GetLastResult() const { return m_hrLast; }
    bool IsCreated() const { return m_bCreated != 0; }
    bool IsDuplicate() const { return m_bDuplicate != 0; }
    void SetDuplicate(bool duplicate) { m_bDuplicate = duplicate ? 1 : 0; }
    uint32_t GetFlags() const { return m_dwFlags; }
    int GetID() const { return m_iID; }
    void SetID(int id) { m_iID = id; }
    int GetPriority() const { return m_iPriority; }
    void SetPriority(int priority) { m_iPriority = priority; }
    int GetKind() const { return m_iKind; }
    void SetKind(int kind) { m_iKind = kind; }
    int GetLocation() const { return m_iLocation; }
    void SetLocation(int location) { m_iLocation = location; }
    uint32_t GetLastUsed() const { return m_dwLastUsed; }
    void SetLastUsed(uint32_t ticks) { m_dwLastUsed = ticks; }
    const SString& GetKey() const { return m_sKey; }
    void SetKey(const SString& key) { m_sKey = key; }
    uint8_t GetHash() const { return m_byHash; }
    void SetHash(uint8_t hash) { m_byHash = hash; }
    void SetLogWindow(sys::HWND window) { m_pLogWnd = window; }

    // Live device buffers, and bytes of wave data held by buffers that are not duplicates.
    static int32_t s_nBufferCount;
    static uint32_t s_nBufferBytes;

protected:
    // Keeps the result; 1 for success.
    int Result(sys::audio::HRESULT hr);

    int32_t m_bDuplicate = 0;
    SDXSound* m_pSound = nullptr;
    sys::audio::IDirectSoundBuffer* m_pBuffer = nullptr;
    int32_t m_bCreated = 0;
    uint32_t m_dwFlags = kDefaultFlags;
    int32_t m_iID = 0;
    int32_t m_iPriority = 20;
    int32_t m_iKind = 0;
    int32_t m_iLocation = 0;
    uint32_t m_dwLastUsed = 0;
    sys::audio::HRESULT m_hrLast = 0;
    sys::HWND m_pLogWnd = nullptr;
    SString m_sKey;
    uint8_t m_byHash = 0;
    int32_t m_lVolume = 0;
};
