// The software mixer of the sound seam: every playing secondary buffer of a device is resampled
// to the output rate by linear interpolation, scaled by its volume, pan and 3D placement, summed
// and clipped to 16 bits. Positions are kept in 32.32 fixed point so that skipping time without
// producing samples lands exactly where mixing would have.
#include <algorithm>
#include <cmath>
#include <vector>

#include "sys/audio/audio_core.h"

namespace sys::audio {

namespace {

// How far, in hundredths of a decibel, a sound straight to one side is lowered in the other
// ear. Enough to place a sound clearly without losing it from either side.
constexpr float kSidePanRange = 2000.0f;

float DecibelsToGain(float hundredths) {
    if (hundredths <= static_cast<float>(DSBVOLUME_MIN)) {
        return 0.0f;
    }
    return std::pow(10.0f, hundredths / 2000.0f);
}

D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return D3DVECTOR{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

float Length(const D3DVECTOR& v) { return std::sqrt(Dot(v, v)); }

// Distance attenuation (hundredths of a decibel, <= 0) and side pan of a 3D voice; false when
// the voice is muted beyond its maximum distance.
bool Placement3D(const DeviceState& device, const VoiceState& voice, float& attenuation, float& pan) {
    attenuation = 0.0f;
    pan = 0.0f;
    const Buffer3DParams& p = voice.params3D;
    if (p.mode == DS3DMODE_DISABLE) {
        return true;
    }
    const ListenerParams& listener = device.listener;
    D3DVECTOR rel = p.position;
    if (p.mode == DS3DMODE_NORMAL) {
        rel = D3DVECTOR{rel.x - listener.position.x, rel.y - listener.position.y, rel.z - listener.position.z};
    }
    float distance = Length(rel);
    if (distance > p.maxDistance) {
        if ((voice.flags & DSBCAPS_MUTE3DATMAXDISTANCE) != 0) {
            return false;
        }
        distance = p.maxDistance;
    }
    const float minDistance = std::max(p.minDistance, 0.0f);
    if (distance > minDistance && minDistance > 0.0f) {
        const float gain = minDistance / (minDistance + listener.rolloffFactor * (distance - minDistance));
        attenuation = std::max(2000.0f * std::log10(std::max(gain, 1.0e-6f)), static_cast<float>(DSBVOLUME_MIN));
    } else if (distance > minDistance) {
        attenuation = static_cast<float>(DSBVOLUME_MIN);
    }
    const float length = Length(rel);
    if (length > 0.0f) {
        float lateral = 0.0f;
        if (p.mode == DS3DMODE_HEADRELATIVE) {
            lateral = rel.x / length;
        } else {
            D3DVECTOR right = Cross(listener.top, listener.front);
            const float rightLength = Length(right);
            if (rightLength > 0.0f) {
                lateral = Dot(rel, right) / (rightLength * length);
            }
        }
        pan = std::clamp(lateral, -1.0f, 1.0f) * kSidePanRange;
    }
    return true;
}

int32_t SampleAt(const VoiceState& voice, const uint8_t* bytes, uint32_t frame, int channel) {
    const uint8_t* at = bytes + static_cast<size_t>(frame) * voice.format.nBlockAlign;
    if (voice.format.wBitsPerSample == 8) {
        return (static_cast<int32_t>(at[channel]) - 128) * 256;
    }
    const uint8_t* s = at + channel * 2;
    return static_cast<int16_t>(static_cast<uint16_t>(s[0] | (s[1] << 8)));
}

uint64_t StepFor(const DeviceState& device, const VoiceState& voice) {
    const uint32_t frequency = voice.frequency != 0 ? voice.frequency : voice.format.nSamplesPerSec;
    return (static_cast<uint64_t>(frequency) << 32) / std::max<uint32_t>(device.mixRate, 1);
}

bool Mixable(const VoiceState& voice) {
    return voice.playing && !voice.lost && voice.frames > 0 && voice.data;
}

void MixVoice(const DeviceState& device, VoiceState& voice, float* acc, uint32_t frames) {
    float left = 0.0f;
    float right = 0.0f;
    VoiceGains(device, voice, left, right);
    const uint64_t step = StepFor(device, voice);
    const uint64_t end = static_cast<uint64_t>(voice.frames) << 32;
    const uint8_t* bytes = voice.data->bytes.data();
    const bool stereo = voice.format.nChannels == 2;
    const bool silent = left == 0.0f && right == 0.0f;
    for (uint32_t i = 0; i < frames; ++i) {
        if (!silent) {
            const uint32_t frame = static_cast<uint32_t>(voice.position >> 32);
            const float frac = static_cast<float>(voice.position & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
            uint32_t next = frame + 1;
            if (next >= voice.frames) {
                next = voice.looping ? 0 : frame;
            }
            const float l0 = static_cast<float>(SampleAt(voice, bytes, frame, 0));
            const float l1 = static_cast<float>(SampleAt(voice, bytes, next, 0));
            const float l = l0 + (l1 - l0) * frac;
            float r = l;
            if (stereo) {
                const float r0 = static_cast<float>(SampleAt(voice, bytes, frame, 1));
                const float r1 = static_cast<float>(SampleAt(voice, bytes, next, 1));
                r = r0 + (r1 - r0) * frac;
            }
            acc[2 * i] += l * left;
            acc[2 * i + 1] += r * right;
        }
        voice.position += step;
        if (voice.position >= end) {
            if (voice.looping) {
                voice.position %= end;
            } else {
                // A buffer that played to its end stops with its cursor back at the start, so
                // playing it again plays it whole.
                voice.playing = false;
                voice.position = 0;
                return;
            }
        }
    }
}

}  // namespace

void VoiceGains(const DeviceState& device, const VoiceState& voice, float& left, float& right) {
    float volume = static_cast<float>(voice.volume);
    float pan = static_cast<float>(voice.pan);
    if ((voice.flags & DSBCAPS_CTRL3D) != 0) {
        float attenuation = 0.0f;
        float pan3D = 0.0f;
        if (!Placement3D(device, voice, attenuation, pan3D)) {
            left = right = 0.0f;
            return;
        }
        volume += attenuation;
        pan += pan3D;
    }
    pan = std::clamp(pan, static_cast<float>(DSBPAN_LEFT), static_cast<float>(DSBPAN_RIGHT));
    const float gain = DecibelsToGain(volume);
    left = gain * (pan > 0.0f ? DecibelsToGain(-pan) : 1.0f);
    right = gain * (pan < 0.0f ? DecibelsToGain(pan) : 1.0f);
}

void MixFrames(DeviceState& device, int16_t* out, uint32_t frames) {
    if (frames == 0) {
        return;
    }
    if (out == nullptr) {
        AdvanceFrames(device, frames);
        return;
    }
    std::vector<float>& acc = device.mixScratch;
    acc.assign(static_cast<size_t>(frames) * 2, 0.0f);
    for (VoiceState* voice : device.voices) {
        if (Mixable(*voice)) {
            MixVoice(device, *voice, acc.data(), frames);
        }
    }
    for (size_t i = 0; i < acc.size(); ++i) {
        const float v = std::nearbyint(acc[i]);
        out[i] = static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
    }
}

void AdvanceFrames(DeviceState& device, uint64_t frames) {
    for (VoiceState* voice : device.voices) {
        if (!Mixable(*voice)) {
            continue;
        }
        const unsigned __int128 end = static_cast<unsigned __int128>(voice->frames) << 32;
        const unsigned __int128 moved =
            static_cast<unsigned __int128>(voice->position) + static_cast<unsigned __int128>(StepFor(device, *voice)) * frames;
        if (moved < end) {
            voice->position = static_cast<uint64_t>(moved);
        } else if (voice->looping) {
            voice->position = static_cast<uint64_t>(moved % end);
        } else {
            voice->playing = false;
            voice->position = 0;
        }
    }
}

bool AnyVoicePlaying(const DeviceState& device) {
    return std::any_of(device.voices.begin(), device.voices.end(), [](const VoiceState* v) { return Mixable(*v); });
}

uint32_t PlayCursorBytes(const VoiceState& voice) {
    return static_cast<uint32_t>(voice.position >> 32) * voice.format.nBlockAlign;
}

}  // namespace sys::audio
