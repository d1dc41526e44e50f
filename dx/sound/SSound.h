#pragma once

#include <cstdint>
#include <vector>

#include "core/SString.h"
#include "core/SVector.h"
#include "dx/sound/SDXSound.h"
#include "sys/classlib/CString.h"

class SCatalog;
class SDataCollection;
class SDXSoundBuffer;
class SDXSound3DBuffer;
class SDXSound3DListener;

// The sound settings the manager reads: the fields of the configuration's sound section, with
// their defaults. The configuration's CSoundData derives from it, so the manager takes either.
struct SSoundSettings {
    int32_t m_bEnabled = 1;         // "snd_enabled"
    int32_t m_b3DEnabled = 0;       // "snd_3denabled"
    int32_t m_bMusic = 1;           // "snd_music"
    int32_t m_bVoice = 1;           // "snd_voice"
    CString m_sDriver;              // "snd_driver": the driver's module name
    int32_t m_b3DSoftware = 1;      // "snd_3dsoftware"
    int32_t m_b8BitQuality = 0;     // "snd_8bitquality"
    int32_t m_i3DResolution = 100;  // "snd_3dresolution", 0..100
    int32_t m_iMaxSameBuffers = 4;  // "snd_maxsamebuffers", 1..16
    int32_t m_iIdleRemoveTime = 0;  // "snd_idleremovetime", seconds; 0 = never
};

// Told about a game buffer that leaves whoever holds it: just before the manager deletes it,
// and just before it hands it to a new request (so an earlier holder stops using it).
using SoundReleaseHook = void (*)(SDXSoundBuffer* buffer);

// The program's one sound manager, and the sound device itself. It owns every sound buffer:
// application sounds (interface clicks, music, voice-overs) loaded once and played by a small
// id, and game sounds asked for by name during play, plain or in 3D, handed out per request
// from a few copies of each sound and deleted when they stay silent too long. It owns the 3D
// listener, commits deferred 3D settings at the configured rate and writes the buffer
// statistics. The game items own the manager; everything runs on the main thread.
class SSound : public SDXSound {
    DECLARE_DYNAMIC(SSound)

public:
    SSound();
    ~SSound() override;

    // Takes over the settings; with a catalog and a name list it also creates the device (on
    // the configured driver), the listener when 3D sound is on, and sizes the 3D buffer pool.
    void Initialize(SCatalog* catalog, SSoundSettings* settings, SDataCollection* soundNames);
    int Restart(SSoundSettings* settings);
    // The catalog is about to go: sound names no longer resolve through it.
    void ForgetCatalog(const SCatalog* catalog) {
        if (m_pCatalog == catalog)
            m_pCatalog = nullptr;
    }
    // Once per frame: listener commit when due, then the idle purge.
    int Update();
    // Commits deferred 3D settings when forced or when the listener's time has come.
    void UpdateListener(bool force);
    int CreateListener();
    int SetListenerPosition(const SVector& position);
    int SetListenerVelocity(const SVector& velocity);
    // Angles in degrees (pitch, yaw, roll).
    int SetListenerOrientation(const SVector& angles);
    float GetListenerDistance(SDXSound3DBuffer* buffer);
    // The statistics text of all buffers, cut to fit and always terminated within `size`.
    void GetStatistics(char* out, int size);
    // A sound name ("Group:Item", "id;Name", a catalog key, a file path) as a file path; empty
    // when a catalog form names no sound.
    void ResolveSoundPath(const char* name, CString& out);

    // --- Application sounds, by id ------------------------------------------------------------
    int LoadSound(const char* name);
    int LoadSoundByKey(const char* group, const char* item);
    int AddAppSound(const char* path, int id, bool createNow, const char* key);
    int InsertAppSound(SDXSoundBuffer* buffer);
    SDXSoundBuffer* CreateAppBuffer(const char* path, uint32_t flags);
    int RemoveAppBuffer(SDXSoundBuffer*& buffer);
    int NextFreeId() const;
    SDXSoundBuffer* FindSound(int id) const;
    int FindAppSoundByKey(const char* path) const;
    int EnsureSoundLoaded(int id);
    int EnsureSoundsLoaded(const int* ids, int count);
    int ReleaseSound(int id);
    int ReleaseSounds(const int* ids, int count);
    int ReleaseAllExcept(const int* ids, int count);
    int PlaySound(int id, uint32_t flags, bool rewind, int32_t volume, int32_t pan);
    int PlayBuffer(SDXSoundBuffer* buffer, uint32_t flags, bool rewind);
    int StopSound(int id);
    int StopBuffer(SDXSoundBuffer* buffer);
    int SetSoundVolume(int id, int32_t volume);
    int SetSoundPan(int id, int32_t pan);
    int SetSoundFrequency(int id, uint32_t frequency);
    int SetBufferVolume(SDXSoundBuffer* buffer, int32_t volume);
    int SetBufferPan(SDXSoundBuffer* buffer, int32_t pan);
    int SetBufferFrequency(SDXSoundBuffer* buffer, uint32_t frequency);
    uint32_t GetSoundDurationMs(int id);
    bool IsSoundPlaying(int id);

    // --- Game sounds --------------------------------------------------------------------------
    SDXSoundBuffer* GetGameSound(const char* name, bool b3D);
    // n counts from 1 through the sound-name list.
    SDXSoundBuffer* GetGameSoundByIndex(int n, bool b3D);
    int StopGameSound(const char* name);
    SDXSoundBuffer* CreateGameBuffer(SDXSoundBuffer* source, const char* path, int& kind, bool& created);
    void MakeGameBuffer(SDXSoundBuffer*& buffer);
    void RemoveGameBuffer(SDXSoundBuffer*& buffer);
    int Release3DBuffer(SDXSound3DBuffer* buffer);
    void ReleaseGameSounds();
    // Deletes game buffers that stayed silent longer than the idle time.
    void PurgeIdleBuffers();

    void SetReleaseHook(SoundReleaseHook hook) { m_pfnOnRelease = hook; }

    // The lookup key of a sound file: the path without its last four characters, reversed and
    // in lower case (empty for a path shorter than four characters); and its 8-bit hash.
    static SString MakeSoundKey(const char* path);
    static uint8_t HashSoundKey(const SString& key);

    const std::vector<SDXSoundBuffer*>& GetAppSounds() const { return m_AppSounds; }
    const std::vector<SDXSoundBuffer*>& GetGameSounds() const { return m_GameSounds; }
    const std::vector<SDXSound3DBuffer*>& Get3DSounds() const { return m_3DSounds; }
    SDXSound3DListener* GetListener() const { return m_pListener; }
    int Is3D() const { return m_b3D; }
    int IsHardware3D() const { return m_bHardware3D; }
    int GetMax3DBuffers() const { return m_iMax3DBuffers; }
    int GetMaxSameBuffers() const { return m_iMaxSameBuffers; }
    uint32_t GetPurgeMs() const { return m_dwPurgeMs; }
    const SVector& GetListenerFront() const { return m_vListenerFront; }

private:
    void NotifyRelease(SDXSoundBuffer* buffer);
    void Unlink(SDXSoundBuffer* buffer);

    std::vector<SDXSoundBuffer*> m_AppSounds;    // owned; by priority, then arrival
    std::vector<SDXSoundBuffer*> m_GameSounds;   // owned; in creation order
    std::vector<SDXSound3DBuffer*> m_3DSounds;   // the 3D members of m_GameSounds
    SCatalog* m_pCatalog = nullptr;
    SoundReleaseHook m_pfnOnRelease = nullptr;
    SDXSound3DListener* m_pListener = nullptr;   // owned
    SDataCollection* m_pSoundNames = nullptr;
    SVector m_vListenerPos;
    SVector m_vListenerFront;
    int32_t m_b3D = 0;
    int32_t m_bHardware3D = 0;
    uint32_t m_dwNextListenerUpdate = 0;
    int32_t m_i3DResolution = 0;
    int32_t m_iMax3DBuffers = 8;
    int32_t m_iMaxSameBuffers = 4;
    uint32_t m_dwPurgeMs = 0;
};
