// The sound seam's devices: driver enumeration, creation, capabilities, buffer creation and
// duplication, and the bookkeeping that keeps clock-driven devices mixed up to the present.
#include "sys/audio/audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sys/audio/audio_core.h"
#include "sys/backend.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/audio/sdl/sdl_audio.h"
#include "sys/time/time.h"

namespace sys::audio {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

// Frames mixed per step while catching up, and the most time mixed for real in one catch-up:
// older time only moves the cursors, so a test that jumps an hour ahead stays fast.
constexpr uint32_t kMixBlockFrames = 4096;
constexpr uint64_t kMaxMixedSeconds = 30;

uint64_t NowMs() { return static_cast<uint64_t>(std::llround(sys::time::Seconds() * 1000.0)); }

bool IsKnownDriver(const GUID* driver) {
    if (driver == nullptr || driver->IsNull()) {
        return true;
    }
    return Drivers().secondDriver && *driver == SecondDriverGuid();
}

HRESULT CheckDriver(const GUID* driver) {
    if (Drivers().noDriver || !IsKnownDriver(driver)) {
        return DSERR_NODRIVER;
    }
    return DS_OK;
}

void DetachVoice(VoiceState* voice) {
    DeviceState* device = voice->device;
    if (device == nullptr) {
        return;
    }
    if (device->primaryVoice == voice) {
        device->primaryVoice = nullptr;
    }
    auto& voices = device->voices;
    voices.erase(std::remove(voices.begin(), voices.end(), voice), voices.end());
    if (voice->hardware) {
        device->hardwareBuffers--;
        if ((voice->flags & DSBCAPS_CTRL3D) != 0) {
            device->hardware3DBuffers--;
        }
    }
    voice->device = nullptr;
}

}  // namespace

DeviceState* Touch(VoiceState* voice) {
    if (voice->device != nullptr) {
        CatchUp(*voice->device);
    }
    return voice->device;
}

void DropHolder(VoiceState* voice) {
    Guard guard(AudioLock());
    if (--voice->holders > 0) {
        return;
    }
    if (voice->device != nullptr) {
        CatchUp(*voice->device);
    }
    DetachVoice(voice);
    delete voice;
}

// The mixer's shared state is never destroyed: a sound manager held by a static object (the
// program's hub) releases its buffers after the other statics of the program are gone.
std::recursive_timed_mutex& AudioLock() {
    static auto* lock = new std::recursive_timed_mutex;
    return *lock;
}

std::vector<DeviceState*>& LiveDevices() {
    static auto* devices = new std::vector<DeviceState*>;
    return *devices;
}

DriverSettings& Drivers() {
    static auto* settings = new DriverSettings;
    return *settings;
}

GUID SecondDriverGuid() {
    GUID guid;
    const uint8_t bytes[16] = {0x54, 0x56, 0x58, 0x53, 0x4E, 0x44, 0x00, 0x02, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02};
    std::memcpy(guid.bytes, bytes, sizeof bytes);
    return guid;
}

bool GUID::IsNull() const {
    return std::all_of(std::begin(bytes), std::end(bytes), [](uint8_t b) { return b == 0; });
}

WAVEFORMATEX DefaultPrimaryFormat() {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 22050;
    format.wBitsPerSample = 8;
    NormalizePcmFormat(format);
    return format;
}

bool NormalizePcmFormat(WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM || (format.nChannels != 1 && format.nChannels != 2) ||
        (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) ||
        format.nSamplesPerSec < DSBFREQUENCY_MIN || format.nSamplesPerSec > DSBFREQUENCY_MAX) {
        return false;
    }
    const uint16_t blockAlign = static_cast<uint16_t>(format.nChannels * format.wBitsPerSample / 8);
    if (format.nBlockAlign != 0 && format.nBlockAlign != blockAlign) {
        return false;
    }
    format.nBlockAlign = blockAlign;
    format.nAvgBytesPerSec = blockAlign * format.nSamplesPerSec;
    format.cbSize = 0;
    return true;
}

// --- Output ----------------------------------------------------------------------------------

void OpenOutput(DeviceState& device) {
    if (device.outputOpen) {
        return;
    }
    device.mixRate = device.primaryFormat.nSamplesPerSec;
    device.pulledByCallback = CurrentBackend() == Backend::Sdl && sdl::Open(device);
    device.clockBaseMs = NowMs();
    device.framesMixed = 0;
    device.outputOpen = true;
}

void CloseOutput(DeviceState& device) {
    if (!device.outputOpen) {
        return;
    }
    if (device.pulledByCallback) {
        sdl::Close(device);
    }
    device.pulledByCallback = false;
    device.outputOpen = false;
}

void RestartOutput(DeviceState& device) {
    if (!device.outputOpen) {
        return;
    }
    CatchUp(device);
    if (device.pulledByCallback) {
        // The callback may be waiting for the lock this thread holds; closing waits for the
        // callback, which gives up on the lock after a short time and returns silence.
        sdl::Close(device);
        device.pulledByCallback = false;
    }
    device.outputOpen = false;
    OpenOutput(device);
}

void CatchUp(DeviceState& device) {
    if (!device.outputOpen || device.pulledByCallback) {
        return;
    }
    const uint64_t now = NowMs();
    if (now < device.clockBaseMs) {
        return;
    }
    const uint64_t due = (now - device.clockBaseMs) * device.mixRate / 1000;
    if (due <= device.framesMixed) {
        return;
    }
    uint64_t frames = due - device.framesMixed;
    device.framesMixed = due;
    const bool capture = CurrentBackend() == Backend::Headless;
    const uint64_t keep = capture ? kMaxMixedSeconds * device.mixRate : 0;
    if (frames > keep) {
        AdvanceFrames(device, frames - keep);
        frames = keep;
    }
    int16_t block[kMixBlockFrames * 2];
    while (frames > 0) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames, kMixBlockFrames));
        MixFrames(device, block, n);
        headless::Capture(block, static_cast<size_t>(n) * 2, device.mixRate);
        frames -= n;
    }
}

// --- Reference counting --------------------------------------------------------------------------

uint32_t RefCounted::AddRef() {
    Guard guard(AudioLock());
    return ++m_refs;
}

uint32_t RefCounted::Release() {
    {
        Guard guard(AudioLock());
        if (m_refs > 1) {
            return --m_refs;
        }
        m_refs = 0;
    }
    // Destroyed outside the lock: a device closes its output, which waits for the callback.
    delete this;
    return 0;
}

// --- Enumeration and creation --------------------------------------------------------------------

HRESULT DirectSoundEnumerate(EnumerateCallback callback, void* context) {
    if (callback == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    DriverSettings settings;
    {
        Guard guard(AudioLock());
        settings = Drivers();
    }
    if (settings.noDriver) {
        return DS_OK;
    }
    if (!callback(nullptr, kPrimaryDriverDescription, kPrimaryDriverModule, context)) {
        return DS_OK;
    }
    if (settings.secondDriver) {
        const GUID guid = SecondDriverGuid();
        callback(&guid, kSecondDriverDescription, kSecondDriverModule, context);
    }
    return DS_OK;
}

HRESULT CreateUninitialized(IDirectSound** device) {
    if (device == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    Guard guard(AudioLock());
    auto* state = new DeviceState;
    state->primaryFormat = DefaultPrimaryFormat();
    LiveDevices().push_back(state);
    *device = new IDirectSound(state);
    return DS_OK;
}

HRESULT DirectSoundCreate(const GUID* driver, IDirectSound** device) {
    if (device == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *device = nullptr;
    Guard guard(AudioLock());
    const HRESULT hr = CheckDriver(driver);
    if (Failed(hr)) {
        return hr;
    }
    IDirectSound* created = nullptr;
    CreateUninitialized(&created);
    created->Initialize(driver);
    *device = created;
    return DS_OK;
}

// --- Device --------------------------------------------------------------------------------------

IDirectSound::~IDirectSound() {
    {
        Guard guard(AudioLock());
        CatchUp(*m_state);
        auto& live = LiveDevices();
        live.erase(std::remove(live.begin(), live.end(), m_state), live.end());
    }
    CloseOutput(*m_state);
    Guard guard(AudioLock());
    if (m_state->primaryVoice != nullptr) {
        m_state->primaryVoice->device = nullptr;
    }
    for (VoiceState* voice : m_state->voices) {
        voice->device = nullptr;
        voice->playing = false;
    }
    delete m_state;
}

HRESULT IDirectSound::Initialize(const GUID* driver) {
    Guard guard(AudioLock());
    if (m_state->initialized) {
        return DSERR_ALREADYINITIALIZED;
    }
    const HRESULT hr = CheckDriver(driver);
    if (Failed(hr)) {
        return hr;
    }
    m_state->driver = driver != nullptr ? *driver : GUID{};
    m_state->initialized = true;
    return DS_OK;
}

HRESULT IDirectSound::SetCooperativeLevel(HWND, uint32_t level) {
    Guard guard(AudioLock());
    if (!m_state->initialized) {
        return DSERR_UNINITIALIZED;
    }
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) {
        return DSERR_INVALIDPARAM;
    }
    m_state->cooperativeLevel = level;
    return DS_OK;
}

HRESULT IDirectSound::GetCaps(DSCAPS* caps) {
    Guard guard(AudioLock());
    if (!m_state->initialized) {
        return DSERR_UNINITIALIZED;
    }
    if (caps == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    const DriverSettings& drivers = Drivers();
    *caps = DSCAPS{};
    caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
                    DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
                    DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
    caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
    caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
    caps->dwPrimaryBuffers = 1;
    caps->dwMaxHwMixingAllBuffers = caps->dwMaxHwMixingStaticBuffers = caps->dwMaxHwMixingStreamingBuffers =
        drivers.maxHwMixingBuffers;
    const uint32_t freeMixing =
        drivers.maxHwMixingBuffers > m_state->hardwareBuffers ? drivers.maxHwMixingBuffers - m_state->hardwareBuffers : 0;
    caps->dwFreeHwMixingAllBuffers = caps->dwFreeHwMixingStaticBuffers = caps->dwFreeHwMixingStreamingBuffers = freeMixing;
    caps->dwMaxHw3DAllBuffers = caps->dwMaxHw3DStaticBuffers = caps->dwMaxHw3DStreamingBuffers = drivers.maxHw3DBuffers;
    const uint32_t free3D =
        drivers.maxHw3DBuffers > m_state->hardware3DBuffers ? drivers.maxHw3DBuffers - m_state->hardware3DBuffers : 0;
    caps->dwFreeHw3DAllBuffers = caps->dwFreeHw3DStaticBuffers = caps->dwFreeHw3DStreamingBuffers = free3D;
    return DS_OK;
}

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer) {
    if (desc == nullptr || buffer == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *buffer = nullptr;
    Guard guard(AudioLock());
    DeviceState& device = *m_state;
    if (!device.initialized) {
        return DSERR_UNINITIALIZED;
    }
    if (device.cooperativeLevel == 0) {
        return DSERR_PRIOLEVELNEEDED;
    }
    const uint32_t flags = desc->dwFlags;
    if ((flags & DSBCAPS_LOCHARDWARE) != 0 && (flags & DSBCAPS_LOCSOFTWARE) != 0) {
        return DSERR_INVALIDPARAM;
    }
    if ((flags & DSBCAPS_PRIMARYBUFFER) != 0) {
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat != nullptr) {
            return DSERR_INVALIDPARAM;
        }
        CatchUp(device);
        VoiceState* voice = device.primaryVoice;
        if (voice == nullptr) {
            voice = new VoiceState;
            voice->device = &device;
            voice->primary = true;
            device.primaryVoice = voice;
            OpenOutput(device);
        }
        // The one primary buffer takes the controls of the latest request.
        voice->flags = flags;
        voice->format = device.primaryFormat;
        voice->holders++;
        *buffer = new IDirectSoundBuffer(voice);
        return DS_OK;
    }
    if (desc->lpwfxFormat == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    WAVEFORMATEX format = *desc->lpwfxFormat;
    if (!NormalizePcmFormat(format)) {
        return DSERR_BADFORMAT;
    }
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) {
        return DSERR_INVALIDPARAM;
    }
    const bool want3D = (flags & DSBCAPS_CTRL3D) != 0;
    // A 3D buffer is placed by its position, so it must be mono and cannot be panned.
    if (want3D && (format.nChannels != 1 || (flags & DSBCAPS_CTRLPAN) != 0)) {
        return DSERR_INVALIDPARAM;
    }
    const bool hardware = (flags & DSBCAPS_LOCHARDWARE) != 0;
    if (hardware) {
        const DriverSettings& drivers = Drivers();
        if (device.hardwareBuffers >= drivers.maxHwMixingBuffers ||
            (want3D && device.hardware3DBuffers >= drivers.maxHw3DBuffers)) {
            return DSERR_ALLOCATED;
        }
    }
    CatchUp(device);
    auto* voice = new VoiceState;
    voice->device = &device;
    voice->flags = flags;
    voice->format = format;
    voice->data = std::make_shared<SampleData>();
    voice->data->bytes.assign(desc->dwBufferBytes, format.wBitsPerSample == 8 ? 0x80 : 0x00);
    voice->frames = desc->dwBufferBytes / format.nBlockAlign;
    voice->hardware = hardware;
    if (hardware) {
        device.hardwareBuffers++;
        if (want3D) {
            device.hardware3DBuffers++;
        }
    }
    voice->holders = 1;
    device.voices.push_back(voice);
    *buffer = new IDirectSoundBuffer(voice);
    return DS_OK;
}

HRESULT IDirectSound::DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** duplicate) {
    if (original == nullptr || duplicate == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *duplicate = nullptr;
    Guard guard(AudioLock());
    DeviceState& device = *m_state;
    if (!device.initialized) {
        return DSERR_UNINITIALIZED;
    }
    const VoiceState* source = original->State();
    if (source->primary || source->device != &device) {
        return DSERR_INVALIDCALL;
    }
    if (source->hardware) {
        const DriverSettings& drivers = Drivers();
        if (device.hardwareBuffers >= drivers.maxHwMixingBuffers ||
            ((source->flags & DSBCAPS_CTRL3D) != 0 && device.hardware3DBuffers >= drivers.maxHw3DBuffers)) {
            return DSERR_ALLOCATED;
        }
    }
    CatchUp(device);
    auto* voice = new VoiceState;
    voice->device = &device;
    voice->flags = source->flags;
    voice->format = source->format;
    voice->data = source->data;
    voice->frames = source->frames;
    voice->lost = source->lost;
    voice->volume = source->volume;
    voice->pan = source->pan;
    voice->frequency = source->frequency;
    voice->params3D = source->params3D;
    voice->pending3D = source->pending3D;
    voice->hardware = source->hardware;
    if (voice->hardware) {
        device.hardwareBuffers++;
        if ((voice->flags & DSBCAPS_CTRL3D) != 0) {
            device.hardware3DBuffers++;
        }
    }
    voice->holders = 1;
    device.voices.push_back(voice);
    *duplicate = new IDirectSoundBuffer(voice);
    return DS_OK;
}

}  // namespace sys::audio
