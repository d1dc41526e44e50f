// The sound manager's game sounds: a buffer per request out of a few copies of each sound, 3D
// buffers from a bounded pool, and the purge of buffers that stay silent.
#include <algorithm>
#include <cctype>

#include "core/SDataCollection.h"
#include "dx/sound/SDXSound3DBuffer.h"
#include "dx/sound/SDXSound3DListener.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "dx/sound/SSound.h"
#include "sys/fs/fs.h"
#include "sys/time/time.h"

using namespace sys::audio;

namespace {

constexpr uint32_t kHardware3DFlags = 0x200B6;  // mute at max distance, volume, frequency, 3D, hardware, static
constexpr uint32_t kSoftware3DFlags = 0x200BA;  // the same in software

bool FileExists(const CString& path) {
    if (path.IsEmpty()) {
        return false;
    }
    const uint32_t attributes = sys::fs::GetAttributes(path.GetString());
    return attributes != sys::fs::kInvalidAttributes && (attributes & sys::fs::kAttributeDirectory) == 0;
}

bool SameSound(const SDXSoundBuffer* buffer, const SString& key, uint8_t hash) {
    return buffer->GetHash() == hash && buffer->GetKey().Compare(key.GetString()) == 0;
}

SDXSound3DBuffer* As3D(SDXSoundBuffer* buffer) {
    return buffer != nullptr && buffer->IsKindOf(RUNTIME_CLASS(SDXSound3DBuffer)) ? static_cast<SDXSound3DBuffer*>(buffer)
                                                                                 : nullptr;
}

}  // namespace

SString SSound::MakeSoundKey(const char* path) {
    const SString text(path != nullptr ? path : "");
    // A path too short to carry an extension gives no key at all, rather than a cut before
    // its start.
    if (text.GetLength() < 4) {
        return SString();
    }
    SString key = text.Left(text.GetLength() - 4);
    key.MakeReverse();
    key.MakeLower();
    return key;
}

uint8_t SSound::HashSoundKey(const SString& key) {
    uint8_t hash = 0;
    const char* text = key.GetString();
    for (int i = 0; text[i] != '\0'; ++i) {
        const int lower = std::tolower(static_cast<unsigned char>(text[i]));
        uint8_t t = static_cast<uint8_t>(lower - 64);
        t = static_cast<uint8_t>(t << (i % 6));
        hash ^= t;
    }
    return hash;
}

void SSound::NotifyRelease(SDXSoundBuffer* buffer) {
    if (m_pfnOnRelease != nullptr && buffer != nullptr) {
        m_pfnOnRelease(buffer);
    }
}

void SSound::Unlink(SDXSoundBuffer* buffer) {
    m_GameSounds.erase(std::remove(m_GameSounds.begin(), m_GameSounds.end(), buffer), m_GameSounds.end());
    m_3DSounds.erase(std::remove(m_3DSounds.begin(), m_3DSounds.end(), static_cast<SDXSound3DBuffer*>(As3D(buffer))),
                     m_3DSounds.end());
}

SDXSoundBuffer* SSound::GetGameSound(const char* name, bool b3D) {
    int kind = b3D ? 3 : 2;
    CString path;
    ResolveSoundPath(name, path);
    if (!FileExists(path)) {
        return nullptr;
    }
    if (m_b3D == 0) {
        kind = 2;
    }
    const SString key = MakeSoundKey(path);
    const uint8_t hash = HashSoundKey(key);
    const uint32_t now = sys::time::TickCount();

    SDXSoundBuffer* source = nullptr;
    SDXSoundBuffer* candidate = nullptr;
    uint32_t candidatePosition = 0;
    int count = 0;
    for (SDXSoundBuffer* buffer : m_GameSounds) {
        if (!SameSound(buffer, key, hash)) {
            continue;
        }
        uint32_t status = 0;
        uint32_t position = 0;
        buffer->GetStatus(&status);
        buffer->GetPlayPosition(&position);
        if (!buffer->IsDuplicate()) {
            source = buffer;
        }
        if (buffer->GetKind() != kind) {
            continue;
        }
        ++count;
        if ((status & DSBSTATUS_PLAYING) == 0) {
            // Handed out again: used now, so the idle purge cannot take it from its new
            // holder, and its earlier holder lets go of it.
            buffer->SetLastUsed(now);
            NotifyRelease(buffer);
            return buffer;
        }
        if (buffer->GetKind() == 3 || (status & DSBSTATUS_LOOPING) != 0) {
            continue;
        }
        if (candidate == nullptr || position >= candidatePosition) {
            candidate = buffer;
            candidatePosition = position;
        }
    }

    if (count < m_iMaxSameBuffers) {
        bool created = false;
        SDXSoundBuffer* buffer = CreateGameBuffer(source, path, kind, created);
        if (buffer != nullptr) {
            buffer->SetKind(kind);
            buffer->SetPriority(20);
            buffer->SetLocation(0);
            buffer->SetKey(key);
            buffer->SetHash(hash);
            buffer->SetLastUsed(now);
            if (created) {
                m_GameSounds.push_back(buffer);
                if (kind == 3) {
                    if (SDXSound3DBuffer* buffer3D = As3D(buffer)) {
                        m_3DSounds.push_back(buffer3D);
                    }
                }
            }
        }
        return buffer;
    }
    if (candidate == nullptr) {
        return nullptr;
    }
    candidate->SetCurrentPosition(0);
    candidate->SetLastUsed(now);
    NotifyRelease(candidate);
    return candidate;
}

SDXSoundBuffer* SSound::GetGameSoundByIndex(int n, bool b3D) {
    if (m_pSoundNames == nullptr || n < 1 || n > m_pSoundNames->GetCount()) {
        return nullptr;
    }
    return GetGameSound(m_pSoundNames->GetValue(n - 1).GetString(), b3D);
}

int SSound::StopGameSound(const char* name) {
    CString path;
    ResolveSoundPath(name, path);
    const SString key = MakeSoundKey(path);
    const uint8_t hash = HashSoundKey(key);
    for (SDXSoundBuffer* buffer : m_GameSounds) {
        if (SameSound(buffer, key, hash)) {
            buffer->Stop();
            buffer->SetCurrentPosition(0);
            break;
        }
    }
    return 1;
}

SDXSoundBuffer* SSound::CreateGameBuffer(SDXSoundBuffer* source, const char* path, int& kind, bool& created) {
    created = false;
    if (!FileExists(path)) {
        return nullptr;
    }
    if (kind == 3 && m_b3D != 0 && m_pListener != nullptr && m_pListener->Has3DInterface()) {
        if (static_cast<int>(m_3DSounds.size()) >= m_iMax3DBuffers) {
            const auto idle = std::find_if(m_3DSounds.begin(), m_3DSounds.end(),
                                           [](SDXSound3DBuffer* b) { return !b->IsPlaying(); });
            if (idle != m_3DSounds.end()) {
                SDXSoundBuffer* reused = *idle;
                // It becomes another sound: whoever held it for the old one lets go.
                NotifyRelease(reused);
                reused->Cleanup();
                reused->SetFileName(path);
                MakeGameBuffer(reused);
                if (reused != nullptr) {
                    return reused;
                }
            }
        } else {
            SDXSoundBuffer* buffer = new SDXSound3DBuffer(this, path, false, SDXSoundBuffer::kDefaultFlags);
            if (source != nullptr) {
                source->CopyWaveData(buffer);
            }
            MakeGameBuffer(buffer);
            if (buffer != nullptr) {
                created = true;
                return buffer;
            }
        }
    }
    kind = 2;
    SDXSoundBuffer* buffer = nullptr;
    if (source != nullptr) {
        buffer = new SDXSoundBuffer;
        if (As3D(source) != nullptr) {
            source->CopyWaveData(buffer);
            buffer->CreateBuffer(this, SDXSoundBuffer::kDefaultFlags);
        } else {
            source->Duplicate(buffer);
        }
    } else {
        buffer = new SDXSoundBuffer(this, path, false, SDXSoundBuffer::kDefaultFlags);
        buffer->CreateBuffer();
    }
    created = true;
    if (!buffer->IsCreated()) {
        delete buffer;
        created = false;
        return nullptr;
    }
    return buffer;
}

void SSound::MakeGameBuffer(SDXSoundBuffer*& buffer) {
    if (buffer == nullptr) {
        return;
    }
    int ok = 0;
    if (m_b3D != 0) {
        if (m_bHardware3D != 0) {
            ok = buffer->CreateBuffer(this, kHardware3DFlags);
            if (ok == 0) {
                ok = buffer->CreateBuffer(this, kSoftware3DFlags);
                if (ok != 0) {
                    m_bHardware3D = 0;
                }
            }
        } else {
            ok = buffer->CreateBuffer(this, kSoftware3DFlags);
        }
        if (ok != 0) {
            if (SDXSound3DBuffer* buffer3D = As3D(buffer)) {
                buffer3D->Get3DInterface();
            }
        }
    } else {
        ok = buffer->CreateBuffer(this, SDXSoundBuffer::kDefaultFlags);
    }
    if (ok == 0) {
        RemoveGameBuffer(buffer);
    }
}

void SSound::RemoveGameBuffer(SDXSoundBuffer*& buffer) {
    if (buffer == nullptr) {
        return;
    }
    Unlink(buffer);
    NotifyRelease(buffer);
    delete buffer;
    buffer = nullptr;
}

int SSound::Release3DBuffer(SDXSound3DBuffer* buffer) {
    if (m_3DSounds.empty() || std::find(m_3DSounds.begin(), m_3DSounds.end(), buffer) == m_3DSounds.end()) {
        return 0;
    }
    return buffer->Release3D();
}

void SSound::ReleaseGameSounds() {
    std::vector<SDXSoundBuffer*> buffers;
    buffers.swap(m_GameSounds);
    m_3DSounds.clear();
    // Holders let go of these before (a cleared world forgets its actors' buffers first), and
    // the manager's own destruction runs this when those holders may be gone already.
    for (SDXSoundBuffer* buffer : buffers) {
        buffer->Cleanup();
        delete buffer;
    }
}

void SSound::PurgeIdleBuffers() {
    if (m_dwPurgeMs == 0) {
        return;
    }
    const uint32_t now = sys::time::TickCount();
    std::vector<SDXSoundBuffer*> doomed;
    for (SDXSoundBuffer* buffer : m_GameSounds) {
        if (buffer->IsPlaying() || buffer->GetPriority() == 0) {
            buffer->SetLastUsed(now);
        } else if (now - buffer->GetLastUsed() > m_dwPurgeMs) {
            doomed.push_back(buffer);
        }
    }
    for (SDXSoundBuffer* buffer : doomed) {
        if (!buffer->IsDuplicate() && buffer->GetKind() != 3) {
            for (SDXSoundBuffer* other : m_GameSounds) {
                if (other != buffer && other->IsDuplicate() && other->GetKind() == buffer->GetKind() &&
                    SameSound(other, buffer->GetKey(), buffer->GetHash())) {
                    // The memory stays alive with the duplicate, which now answers for it.
                    other->SetDuplicate(false);
                    if (other->IsCreated()) {
                        SDXSoundBuffer::s_nBufferBytes += other->GetDataSize();
                    }
                    break;
                }
            }
        }
        Unlink(buffer);
        NotifyRelease(buffer);
        delete buffer;
    }
}
