// The buffers of the sound seam: every call checked as the sound code expects (control flags,
// ranges, lost memory, lock regions), and the device brought up to the present before a buffer
// is looked at or changed.
#include <algorithm>
#include <cstring>

#include "sys/audio/audio_core.h"
#include "sys/audio/audio.h"

namespace sys::audio {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

// How far ahead of the play cursor the write cursor runs while a buffer plays.
constexpr uint32_t kWriteLeadMs = 15;

uint32_t BufferBytes(const VoiceState& voice) {
    return voice.data ? static_cast<uint32_t>(voice.data->bytes.size()) : 0;
}

}  // namespace

// --- Buffer --------------------------------------------------------------------------------------

IDirectSoundBuffer::~IDirectSoundBuffer() { DropHolder(m_state); }

HRESULT IDirectSoundBuffer::GetCaps(DSBCAPS* caps) {
    if (caps == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    Guard guard(AudioLock());
    caps->dwFlags = m_state->flags;
    if (!m_state->primary && (m_state->flags & (DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE)) == 0) {
        caps->dwFlags |= DSBCAPS_LOCSOFTWARE;
    }
    caps->dwBufferBytes = BufferBytes(*m_state);
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) {
    Guard guard(AudioLock());
    Touch(m_state);
    uint32_t playAt = 0;
    uint32_t writeAt = 0;
    if (!m_state->primary && !m_state->lost) {
        playAt = PlayCursorBytes(*m_state);
        writeAt = playAt;
        const uint32_t size = BufferBytes(*m_state);
        if (m_state->playing && size > 0) {
            const uint32_t rate = m_state->frequency != 0 ? m_state->frequency : m_state->format.nSamplesPerSec;
            const uint32_t lead = rate * kWriteLeadMs / 1000 * m_state->format.nBlockAlign;
            writeAt = static_cast<uint32_t>((static_cast<uint64_t>(playAt) + lead) % size);
        }
    }
    if (play != nullptr) {
        *play = playAt;
    }
    if (write != nullptr) {
        *write = writeAt;
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFormat(WAVEFORMATEX* format, uint32_t allocated, uint32_t* written) {
    Guard guard(AudioLock());
    const WAVEFORMATEX current =
        m_state->primary && m_state->device != nullptr ? m_state->device->primaryFormat : m_state->format;
    if (format == nullptr) {
        if (written == nullptr) {
            return DSERR_INVALIDPARAM;
        }
        *written = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    const uint32_t n = std::min<uint32_t>(allocated, sizeof(WAVEFORMATEX));
    std::memcpy(format, &current, n);
    if (written != nullptr) {
        *written = n;
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(int32_t* volume) {
    Guard guard(AudioLock());
    if (volume == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    if ((m_state->flags & DSBCAPS_CTRLVOLUME) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    *volume = m_state->volume;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetPan(int32_t* pan) {
    Guard guard(AudioLock());
    if (pan == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    if ((m_state->flags & DSBCAPS_CTRLPAN) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    *pan = m_state->pan;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(uint32_t* frequency) {
    Guard guard(AudioLock());
    if (frequency == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    if (m_state->primary || (m_state->flags & DSBCAPS_CTRLFREQUENCY) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    *frequency = m_state->frequency != 0 ? m_state->frequency : m_state->format.nSamplesPerSec;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(uint32_t* status) {
    if (status == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    Guard guard(AudioLock());
    DeviceState* device = Touch(m_state);
    uint32_t bits = 0;
    if (m_state->primary) {
        if (device != nullptr && AnyVoicePlaying(*device)) {
            bits |= DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
        }
    } else {
        if (m_state->playing) {
            bits |= DSBSTATUS_PLAYING;
            if (m_state->looping) {
                bits |= DSBSTATUS_LOOPING;
            }
        }
        if (m_state->lost) {
            bits |= DSBSTATUS_BUFFERLOST;
        }
    }
    *status = bits;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                                 uint32_t* bytes2, uint32_t flags) {
    if (part1 == nullptr || bytes1 == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    Guard guard(AudioLock());
    Touch(m_state);
    if (m_state->primary) {
        return DSERR_PRIOLEVELNEEDED;
    }
    if (m_state->lost) {
        return DSERR_BUFFERLOST;
    }
    const uint32_t size = BufferBytes(*m_state);
    if ((flags & DSBLOCK_ENTIREBUFFER) != 0) {
        offset = 0;
        bytes = size;
    } else if ((flags & DSBLOCK_FROMWRITECURSOR) != 0) {
        GetCurrentPosition(nullptr, &offset);
    }
    if (bytes == 0 || bytes > size || offset >= size) {
        return DSERR_INVALIDPARAM;
    }
    uint8_t* base = m_state->data->bytes.data();
    const uint32_t first = std::min(bytes, size - offset);
    m_state->lockedPart1 = base + offset;
    m_state->lockedBytes1 = first;
    m_state->lockedPart2 = bytes > first ? base : nullptr;
    m_state->lockedBytes2 = bytes - first;
    *part1 = m_state->lockedPart1;
    *bytes1 = first;
    if (part2 != nullptr) {
        *part2 = m_state->lockedPart2;
    }
    if (bytes2 != nullptr) {
        *bytes2 = m_state->lockedBytes2;
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) {
    Guard guard(AudioLock());
    if (m_state->lockedPart1 == nullptr || part1 != m_state->lockedPart1 || bytes1 > m_state->lockedBytes1) {
        return DSERR_INVALIDPARAM;
    }
    if (part2 != nullptr && (part2 != m_state->lockedPart2 || bytes2 > m_state->lockedBytes2)) {
        return DSERR_INVALIDPARAM;
    }
    m_state->lockedPart1 = m_state->lockedPart2 = nullptr;
    m_state->lockedBytes1 = m_state->lockedBytes2 = 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(uint32_t, uint32_t, uint32_t flags) {
    Guard guard(AudioLock());
    DeviceState* device = Touch(m_state);
    if (m_state->lost) {
        return DSERR_BUFFERLOST;
    }
    if (m_state->primary) {
        return DS_OK;
    }
    if (device == nullptr) {
        return DSERR_UNINITIALIZED;
    }
    m_state->playing = true;
    m_state->looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
    Guard guard(AudioLock());
    Touch(m_state);
    m_state->playing = false;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(uint32_t position) {
    Guard guard(AudioLock());
    Touch(m_state);
    if (m_state->primary) {
        return DSERR_INVALIDCALL;
    }
    if (m_state->lost) {
        return DSERR_BUFFERLOST;
    }
    if (position >= BufferBytes(*m_state)) {
        return DSERR_INVALIDPARAM;
    }
    m_state->position = static_cast<uint64_t>(position / m_state->format.nBlockAlign) << 32;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format) {
    if (format == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    Guard guard(AudioLock());
    DeviceState* device = Touch(m_state);
    if (!m_state->primary) {
        return DSERR_INVALIDCALL;
    }
    if (device == nullptr) {
        return DSERR_UNINITIALIZED;
    }
    if (device->cooperativeLevel < DSSCL_PRIORITY) {
        return DSERR_PRIOLEVELNEEDED;
    }
    WAVEFORMATEX wanted = *format;
    if (!NormalizePcmFormat(wanted)) {
        return DSERR_BADFORMAT;
    }
    if (Drivers().primaryFormatFixed) {
        return DS_OK;
    }
    const bool rateChanged = wanted.nSamplesPerSec != device->primaryFormat.nSamplesPerSec;
    device->primaryFormat = wanted;
    m_state->format = wanted;
    if (rateChanged) {
        RestartOutput(*device);
    }
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(int32_t volume) {
    Guard guard(AudioLock());
    Touch(m_state);
    if ((m_state->flags & DSBCAPS_CTRLVOLUME) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) {
        return DSERR_INVALIDPARAM;
    }
    m_state->volume = volume;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(int32_t pan) {
    Guard guard(AudioLock());
    Touch(m_state);
    if ((m_state->flags & DSBCAPS_CTRLPAN) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) {
        return DSERR_INVALIDPARAM;
    }
    m_state->pan = pan;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(uint32_t frequency) {
    Guard guard(AudioLock());
    Touch(m_state);
    if (m_state->primary || (m_state->flags & DSBCAPS_CTRLFREQUENCY) == 0) {
        return DSERR_CONTROLUNAVAIL;
    }
    if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX)) {
        return DSERR_INVALIDPARAM;
    }
    m_state->frequency = frequency;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Restore() {
    Guard guard(AudioLock());
    Touch(m_state);
    if (!m_state->lost) {
        return DS_OK;
    }
    if (Drivers().restoreRefused) {
        return DSERR_BUFFERLOST;
    }
    m_state->lost = false;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::QueryListener(IDirectSound3DListener** listener) {
    if (listener == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *listener = nullptr;
    Guard guard(AudioLock());
    if (!m_state->primary || (m_state->flags & DSBCAPS_CTRL3D) == 0) {
        return DSERR_NOINTERFACE;
    }
    m_state->holders++;
    *listener = new IDirectSound3DListener(m_state);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Query3DBuffer(IDirectSound3DBuffer** buffer) {
    if (buffer == nullptr) {
        return DSERR_INVALIDPARAM;
    }
    *buffer = nullptr;
    Guard guard(AudioLock());
    if (m_state->primary || (m_state->flags & DSBCAPS_CTRL3D) == 0) {
        return DSERR_NOINTERFACE;
    }
    m_state->holders++;
    *buffer = new IDirectSound3DBuffer(m_state);
    return DS_OK;
}

}  // namespace sys::audio
