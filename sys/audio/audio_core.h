#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sys/audio/audio.h"

// The mixer state behind the sound seam, shared by the interface objects (audio.cpp), the mixer
// (audio_mixer.cpp) and the two backends. Nothing outside sys/ includes it.
//
// One recursive lock guards all of it: interface calls take it, and so does the SDL audio
// callback while it mixes. A device's state goes with its device object and a voice's with the
// last object holding it (the buffer or a 3D interface); each side forgets the other when it
// goes, so a buffer released after its device (or a device released while buffers live) never
// leaves a dangling pointer: a voice whose device is gone is simply never mixed.
namespace sys::audio {

// Timed, so the audio callback can give up instead of waiting on a caller that is closing it.
std::recursive_timed_mutex& AudioLock();

// 3D settings of a buffer, as DirectSound defines their defaults.
struct Buffer3DParams {
    D3DVECTOR position;
    D3DVECTOR velocity;
    uint32_t insideCone = DS3D_DEFAULTCONEANGLE;
    uint32_t outsideCone = DS3D_DEFAULTCONEANGLE;
    D3DVECTOR coneOrientation{0.0f, 0.0f, 1.0f};
    int32_t coneOutsideVolume = 0;
    float minDistance = DS3D_DEFAULTMINDISTANCE;
    float maxDistance = DS3D_DEFAULTMAXDISTANCE;
    uint32_t mode = DS3DMODE_NORMAL;
};

struct ListenerParams {
    D3DVECTOR position;
    D3DVECTOR velocity;
    D3DVECTOR front{0.0f, 0.0f, 1.0f};
    D3DVECTOR top{0.0f, 1.0f, 0.0f};
    float distanceFactor = 1.0f;
    float rolloffFactor = 1.0f;
    float dopplerFactor = 1.0f;
};

// Sample memory, shared by a buffer and its duplicates.
struct SampleData {
    std::vector<uint8_t> bytes;
};

// One buffer: the primary buffer of a device, or a secondary buffer the mixer plays.
struct VoiceState {
    DeviceState* device = nullptr;  // null once the device is gone
    bool primary = false;
    uint32_t flags = 0;
    WAVEFORMATEX format;
    std::shared_ptr<SampleData> data;  // secondary buffers only
    uint32_t frames = 0;               // whole sample frames in the data

    bool playing = false;
    bool looping = false;
    bool lost = false;
    uint64_t position = 0;  // 32.32 fixed point, in frames
    int32_t volume = 0;
    int32_t pan = 0;
    uint32_t frequency = 0;  // 0: the format's own rate

    // The region handed out by the last Lock, for Unlock to check.
    uint8_t* lockedPart1 = nullptr;
    uint32_t lockedBytes1 = 0;
    uint8_t* lockedPart2 = nullptr;
    uint32_t lockedBytes2 = 0;

    Buffer3DParams params3D;   // in effect
    Buffer3DParams pending3D;  // as last set, deferred ones included
    bool hardware = false;     // counted against the device's hardware buffers
    int holders = 0;           // the buffer object and its 3D interfaces; freed at 0
};

struct DeviceState {
    bool initialized = false;
    uint32_t cooperativeLevel = 0;
    GUID driver;
    VoiceState* primaryVoice = nullptr;
    std::vector<VoiceState*> voices;  // every secondary voice of this device (owned by their holders)
    WAVEFORMATEX primaryFormat;
    ListenerParams listener;         // in effect
    ListenerParams pendingListener;  // as last set
    uint32_t hardwareBuffers = 0;
    uint32_t hardware3DBuffers = 0;

    // Output: who pulls the mix, and the clock-driven bookkeeping when nobody does.
    bool outputOpen = false;
    bool pulledByCallback = false;  // an SDL device mixes in its callback
    uint32_t mixRate = 22050;
    uint64_t clockBaseMs = 0;       // clock time at which frame 0 of this rate was due
    uint64_t framesMixed = 0;       // frames mixed since clockBaseMs
    void* backendHandle = nullptr;  // backend's own output record
    // The mixer's accumulator, kept with the device rather than per thread: a sound manager
    // held by a static object mixes its last frames after the thread's own objects are gone.
    std::vector<float> mixScratch;
};

// The primary format a new device starts with: 22050 Hz, 8 bits, stereo.
WAVEFORMATEX DefaultPrimaryFormat();
// Fills the derived fields of a PCM format and checks it: 1 or 2 channels, 8 or 16 bits, a
// rate within DSBFREQUENCY_MIN..MAX.
bool NormalizePcmFormat(WAVEFORMATEX& format);

// --- Mixer (audio_mixer.cpp) ---------------------------------------------------------------------
// Mixes `frames` stereo 16-bit frames of the device's voices into `out` (null: positions move,
// nothing is written) and moves every playing voice on. Caller holds the lock.
void MixFrames(DeviceState& device, int16_t* out, uint32_t frames);
// Moves the voices on by `frames` without producing samples, exactly as mixing would.
void AdvanceFrames(DeviceState& device, uint64_t frames);
// True while any voice of the device plays.
bool AnyVoicePlaying(const DeviceState& device);
// The left and right gains a voice is mixed with now (volume, pan and 3D placement together).
void VoiceGains(const DeviceState& device, const VoiceState& voice, float& left, float& right);
// Byte offset of a voice's play cursor.
uint32_t PlayCursorBytes(const VoiceState& voice);

// --- Output (audio.cpp, with the backend behind it) -----------------------------------------------
// Brings a clock-driven device up to the present: mixes the time that passed since the last
// call. Called under the lock before every call that reads or changes a voice.
void CatchUp(DeviceState& device);
// Opens the device's output at the primary format's rate (idempotent).
void OpenOutput(DeviceState& device);
void CloseOutput(DeviceState& device);
// The primary rate changed: reopen at the new rate.
void RestartOutput(DeviceState& device);

// Takes a voice's device up to the present; answers the device (null once it is gone). Caller
// holds the lock.
DeviceState* Touch(VoiceState* voice);
// Drops one holder of a voice (a buffer object or a 3D interface); the last one frees it.
void DropHolder(VoiceState* voice);

// Every live device, for the fault injection of the headless backend.
std::vector<DeviceState*>& LiveDevices();

// Driver list and fault switches (the headless backend sets them; the Sdl backend keeps the
// defaults: one primary driver, default capabilities).
struct DriverSettings {
    bool noDriver = false;
    bool secondDriver = false;
    uint32_t maxHwMixingBuffers = 32;
    uint32_t maxHw3DBuffers = 16;
    bool primaryFormatFixed = false;  // the primary keeps its format whatever is asked
    bool restoreRefused = false;      // Restore answers DSERR_BUFFERLOST
};
DriverSettings& Drivers();

// The second driver tests may add.
constexpr const char* kSecondDriverDescription = "Tarvex Test Sound Device";
constexpr const char* kSecondDriverModule = "tvsound.drv";
GUID SecondDriverGuid();

}  // namespace sys::audio
