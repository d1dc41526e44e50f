#pragma once

#include <cstdint>

#include "sys/window/window.h"

// The sound seam: a DirectSound-like device with primary and secondary buffers, 3D listener and
// 3D buffers, mixed by our own software mixer. The sound wrappers of the engine talk to these
// objects in the vocabulary they were written in (result codes with their DSERR_ names, buffer
// flags, volumes in hundredths of a decibel, pan from -10000 to 10000) and never see which
// backend runs:
// - Sdl: the device opens an SDL audio output when its primary buffer is made and the SDL
//   callback pulls the mix. Without an audio device the sound runs silent on the real clock:
//   buffers play, positions move and finish as they would, nothing fails.
// - Headless: the mix is made on demand from the fake clock; every call that looks at a buffer
//   first mixes the time that has passed, so tests advance the clock and read positions and the
//   mixed samples (headless/headless_audio.h).
//
// Objects are reference counted like the interfaces they stand for: the creator holds one
// reference and gives it back with Release. Duplicated buffers share their sample memory, which
// lives as long as any of them. A buffer that outlives its device stays valid but falls silent.
// All objects may be used from any thread; one lock guards the mixer state.
namespace sys::audio {

using HRESULT = int32_t;

constexpr HRESULT MakeResult(uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_ALLOCATED = MakeResult(0x8878000Au);
constexpr HRESULT DSERR_CONTROLUNAVAIL = MakeResult(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDPARAM = MakeResult(0x80070057u);
constexpr HRESULT DSERR_INVALIDCALL = MakeResult(0x88780032u);
constexpr HRESULT DSERR_GENERIC = MakeResult(0x80004005u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = MakeResult(0x88780046u);
constexpr HRESULT DSERR_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT DSERR_BADFORMAT = MakeResult(0x88780064u);
constexpr HRESULT DSERR_UNSUPPORTED = MakeResult(0x80004001u);
constexpr HRESULT DSERR_NODRIVER = MakeResult(0x88780078u);
constexpr HRESULT DSERR_ALREADYINITIALIZED = MakeResult(0x88780082u);
constexpr HRESULT DSERR_NOAGGREGATION = MakeResult(0x80040110u);
constexpr HRESULT DSERR_BUFFERLOST = MakeResult(0x88780096u);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = MakeResult(0x887800A0u);
constexpr HRESULT DSERR_UNINITIALIZED = MakeResult(0x887800AAu);
constexpr HRESULT DSERR_NOINTERFACE = MakeResult(0x80004002u);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// Cooperative levels.
constexpr uint32_t DSSCL_NORMAL = 1;
constexpr uint32_t DSSCL_PRIORITY = 2;
constexpr uint32_t DSSCL_EXCLUSIVE = 3;
constexpr uint32_t DSSCL_WRITEPRIMARY = 4;

// Buffer creation flags.
constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr uint32_t DSBCAPS_STATIC = 0x00000002;
constexpr uint32_t DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr uint32_t DSBCAPS_CTRL3D = 0x00000010;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr uint32_t DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr uint32_t DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000;

// Buffer status bits.
constexpr uint32_t DSBSTATUS_PLAYING = 0x1;
constexpr uint32_t DSBSTATUS_BUFFERLOST = 0x2;
constexpr uint32_t DSBSTATUS_LOOPING = 0x4;

constexpr uint32_t DSBPLAY_LOOPING = 0x1;
constexpr uint32_t DSBLOCK_FROMWRITECURSOR = 0x1;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x2;

constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;
constexpr int32_t DSBPAN_RIGHT = 10000;
constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 100000;
constexpr uint32_t DSBSIZE_MIN = 4;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

// Device capability flags.
constexpr uint32_t DSCAPS_PRIMARYMONO = 0x1;
constexpr uint32_t DSCAPS_PRIMARYSTEREO = 0x2;
constexpr uint32_t DSCAPS_PRIMARY8BIT = 0x4;
constexpr uint32_t DSCAPS_PRIMARY16BIT = 0x8;
constexpr uint32_t DSCAPS_CONTINUOUSRATE = 0x10;
constexpr uint32_t DSCAPS_EMULDRIVER = 0x20;
constexpr uint32_t DSCAPS_CERTIFIED = 0x40;
constexpr uint32_t DSCAPS_SECONDARYMONO = 0x100;
constexpr uint32_t DSCAPS_SECONDARYSTEREO = 0x200;
constexpr uint32_t DSCAPS_SECONDARY8BIT = 0x400;
constexpr uint32_t DSCAPS_SECONDARY16BIT = 0x800;

// 3D: when a setting takes effect, and how a buffer is placed.
constexpr uint32_t DS3D_IMMEDIATE = 0;
constexpr uint32_t DS3D_DEFERRED = 1;
constexpr uint32_t DS3DMODE_NORMAL = 0;
constexpr uint32_t DS3DMODE_HEADRELATIVE = 1;
constexpr uint32_t DS3DMODE_DISABLE = 2;
constexpr float DS3D_DEFAULTMINDISTANCE = 1.0f;
constexpr float DS3D_DEFAULTMAXDISTANCE = 1.0e9f;
constexpr uint32_t DS3D_DEFAULTCONEANGLE = 360;

constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct GUID {
    uint8_t bytes[16] = {};
    bool IsNull() const;
    friend bool operator==(const GUID&, const GUID&) = default;
};

#pragma pack(push, 2)
// The format record of the data's platform, 18 bytes as stored in files.
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "the format record is 18 bytes in files");

struct DSBUFFERDESC {
    uint32_t dwSize = 36;
    uint32_t dwFlags = 0;
    uint32_t dwBufferBytes = 0;
    uint32_t dwReserved = 0;
    const WAVEFORMATEX* lpwfxFormat = nullptr;
    GUID guid3DAlgorithm;
};

struct DSCAPS {
    uint32_t dwSize = 96;
    uint32_t dwFlags = 0;
    uint32_t dwMinSecondarySampleRate = 0;
    uint32_t dwMaxSecondarySampleRate = 0;
    uint32_t dwPrimaryBuffers = 0;
    uint32_t dwMaxHwMixingAllBuffers = 0;
    uint32_t dwMaxHwMixingStaticBuffers = 0;
    uint32_t dwMaxHwMixingStreamingBuffers = 0;
    uint32_t dwFreeHwMixingAllBuffers = 0;
    uint32_t dwFreeHwMixingStaticBuffers = 0;
    uint32_t dwFreeHwMixingStreamingBuffers = 0;
    uint32_t dwMaxHw3DAllBuffers = 0;
    uint32_t dwMaxHw3DStaticBuffers = 0;
    uint32_t dwMaxHw3DStreamingBuffers = 0;
    uint32_t dwFreeHw3DAllBuffers = 0;
    uint32_t dwFreeHw3DStaticBuffers = 0;
    uint32_t dwFreeHw3DStreamingBuffers = 0;
    uint32_t dwTotalHwMemBytes = 0;
    uint32_t dwFreeHwMemBytes = 0;
    uint32_t dwMaxContigFreeHwMemBytes = 0;
    uint32_t dwUnlockTransferRateHwBuffers = 0;
    uint32_t dwPlayCpuOverheadSwBuffers = 0;
    uint32_t dwReserved1 = 0;
    uint32_t dwReserved2 = 0;
};
static_assert(sizeof(DSCAPS) == 96, "the capability record is 96 bytes");

struct DSBCAPS {
    uint32_t dwSize = 20;
    uint32_t dwFlags = 0;
    uint32_t dwBufferBytes = 0;
    uint32_t dwUnlockTransferRate = 0;
    uint32_t dwPlayCpuOverhead = 0;
};

struct D3DVECTOR {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    friend bool operator==(const D3DVECTOR&, const D3DVECTOR&) = default;
};

struct DS3DLISTENER {
    uint32_t dwSize = 0;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    D3DVECTOR vOrientFront{0.0f, 0.0f, 1.0f};
    D3DVECTOR vOrientTop{0.0f, 1.0f, 0.0f};
    float flDistanceFactor = 1.0f;
    float flRolloffFactor = 1.0f;
    float flDopplerFactor = 1.0f;
};

struct DS3DBUFFER {
    uint32_t dwSize = 0;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    uint32_t dwInsideConeAngle = DS3D_DEFAULTCONEANGLE;
    uint32_t dwOutsideConeAngle = DS3D_DEFAULTCONEANGLE;
    D3DVECTOR vConeOrientation{0.0f, 0.0f, 1.0f};
    int32_t lConeOutsideVolume = 0;
    float flMinDistance = DS3D_DEFAULTMINDISTANCE;
    float flMaxDistance = DS3D_DEFAULTMAXDISTANCE;
    uint32_t dwMode = DS3DMODE_NORMAL;
};

// What every interface object shares: a reference count. Whoever created or AddRef'd an object
// holds a reference and gives it back with Release.
class RefCounted {
public:
    uint32_t AddRef();
    // Gives back one reference; the object is destroyed with the last one. Answers the count left.
    uint32_t Release();

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

private:
    uint32_t m_refs = 1;
};

class IDirectSound3DListener;
class IDirectSound3DBuffer;
struct VoiceState;
struct DeviceState;

// A primary or secondary sound buffer, made by its device. The primary buffer stands for the
// device's output; secondary ones hold sample memory that the mixer plays.
class IDirectSoundBuffer : public RefCounted {
public:
    HRESULT GetCaps(DSBCAPS* caps);
    // Play and write cursors in bytes; either pointer may be null.
    HRESULT GetCurrentPosition(uint32_t* play, uint32_t* write);
    // Copies at most `allocated` bytes of the format; `written` (may be null) gets how many.
    HRESULT GetFormat(WAVEFORMATEX* format, uint32_t allocated, uint32_t* written);
    HRESULT GetVolume(int32_t* volume);
    HRESULT GetPan(int32_t* pan);
    HRESULT GetFrequency(uint32_t* frequency);
    HRESULT GetStatus(uint32_t* status);
    // The region [offset, offset + bytes) of the buffer, wrapped at its end into a second part.
    HRESULT Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                 uint32_t* bytes2, uint32_t flags);
    HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags);
    HRESULT SetCurrentPosition(uint32_t position);
    // Primary buffer only, and only at the priority level or above.
    HRESULT SetFormat(const WAVEFORMATEX* format);
    HRESULT SetVolume(int32_t volume);
    HRESULT SetPan(int32_t pan);
    HRESULT SetFrequency(uint32_t frequency);
    HRESULT Stop();
    HRESULT Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
    // Gives a lost buffer its memory back; the caller refills it.
    HRESULT Restore();

    // The 3D interfaces: the listener of a primary buffer made with DSBCAPS_CTRL3D, the 3D
    // control of a secondary one made with it. DSERR_NOINTERFACE otherwise.
    HRESULT QueryListener(IDirectSound3DListener** listener);
    HRESULT Query3DBuffer(IDirectSound3DBuffer** buffer);

    VoiceState* State() const { return m_state; }

protected:
    ~IDirectSoundBuffer() override;

private:
    friend class IDirectSound;
    explicit IDirectSoundBuffer(VoiceState* state) : m_state(state) {}
    VoiceState* m_state;  // owned by the mixer's shared state
};

// The listener of a device's primary buffer: where the player hears from. It keeps the primary
// buffer's state alive while held.
class IDirectSound3DListener : public RefCounted {
public:
    HRESULT GetAllParameters(DS3DLISTENER* params);
    HRESULT SetAllParameters(const DS3DLISTENER* params, uint32_t apply);
    HRESULT GetDistanceFactor(float* value);
    HRESULT SetDistanceFactor(float value, uint32_t apply);
    HRESULT GetDopplerFactor(float* value);
    HRESULT SetDopplerFactor(float value, uint32_t apply);
    HRESULT GetRolloffFactor(float* value);
    HRESULT SetRolloffFactor(float value, uint32_t apply);
    HRESULT GetOrientation(D3DVECTOR* front, D3DVECTOR* top);
    HRESULT SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY, float topZ,
                           uint32_t apply);
    HRESULT GetPosition(D3DVECTOR* position);
    HRESULT SetPosition(float x, float y, float z, uint32_t apply);
    HRESULT GetVelocity(D3DVECTOR* velocity);
    HRESULT SetVelocity(float x, float y, float z, uint32_t apply);
    // Every deferred setting of the listener and of the device's 3D buffers takes effect at once.
    HRESULT CommitDeferredSettings();
    // Another reference to this same listener (the interface asked for itself).
    HRESULT Requery(IDirectSound3DListener** listener);

protected:
    ~IDirectSound3DListener() override;

private:
    friend class IDirectSoundBuffer;
    explicit IDirectSound3DListener(VoiceState* primary) : m_primary(primary) {}
    VoiceState* m_primary;
};

// The 3D control of a secondary buffer made with DSBCAPS_CTRL3D; it keeps the buffer's state
// alive while held. The getters answer the settings as last set, deferred ones included.
class IDirectSound3DBuffer : public RefCounted {
public:
    HRESULT GetAllParameters(DS3DBUFFER* params);
    HRESULT SetAllParameters(const DS3DBUFFER* params, uint32_t apply);
    HRESULT GetConeAngles(uint32_t* inside, uint32_t* outside);
    HRESULT SetConeAngles(uint32_t inside, uint32_t outside, uint32_t apply);
    HRESULT GetConeOrientation(D3DVECTOR* orientation);
    HRESULT SetConeOrientation(float x, float y, float z, uint32_t apply);
    HRESULT GetConeOutsideVolume(int32_t* volume);
    HRESULT SetConeOutsideVolume(int32_t volume, uint32_t apply);
    HRESULT GetMaxDistance(float* distance);
    HRESULT SetMaxDistance(float distance, uint32_t apply);
    HRESULT GetMinDistance(float* distance);
    HRESULT SetMinDistance(float distance, uint32_t apply);
    HRESULT GetMode(uint32_t* mode);
    HRESULT SetMode(uint32_t mode, uint32_t apply);
    HRESULT GetPosition(D3DVECTOR* position);
    HRESULT SetPosition(float x, float y, float z, uint32_t apply);
    HRESULT GetVelocity(D3DVECTOR* velocity);
    HRESULT SetVelocity(float x, float y, float z, uint32_t apply);

protected:
    ~IDirectSound3DBuffer() override;

private:
    friend class IDirectSoundBuffer;
    explicit IDirectSound3DBuffer(VoiceState* voice) : m_voice(voice) {}
    VoiceState* m_voice;
};

// The sound device: its drivers' stand-in, owner of the mixer state of its buffers. Created by
// DirectSoundCreate; the sound manager holds the program's one device.
class IDirectSound : public RefCounted {
public:
    // Binds an object made by CreateUninitialized to a driver (null or all zeros: the primary
    // driver). DSERR_ALREADYINITIALIZED the second time, DSERR_NODRIVER for an unknown driver.
    HRESULT Initialize(const GUID* driver);
    HRESULT SetCooperativeLevel(HWND window, uint32_t level);
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer);
    // A new secondary buffer playing the same memory, with its own cursor and settings.
    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate);
    HRESULT GetCaps(DSCAPS* caps);

    DeviceState* State() const { return m_state; }

protected:
    ~IDirectSound() override;

private:
    friend HRESULT DirectSoundCreate(const GUID*, IDirectSound**);
    friend HRESULT CreateUninitialized(IDirectSound**);
    explicit IDirectSound(DeviceState* state) : m_state(state) {}
    DeviceState* m_state;
};

// One sound driver as enumeration reports it. The primary driver comes first and has no GUID.
using EnumerateCallback = bool (*)(const GUID* guid, const char* description, const char* module,
                                   void* context);

// Reports each driver to the callback until it answers false.
HRESULT DirectSoundEnumerate(EnumerateCallback callback, void* context);
// A device on a driver (null or all zeros: the primary driver).
HRESULT DirectSoundCreate(const GUID* driver, IDirectSound** device);
// A device object not yet bound to a driver; every call but Initialize answers
// DSERR_UNINITIALIZED until it is.
HRESULT CreateUninitialized(IDirectSound** device);

// The description and module name of the primary driver.
constexpr const char* kPrimaryDriverDescription = "Primary Sound Driver";
constexpr const char* kPrimaryDriverModule = "";

}  // namespace sys::audio
