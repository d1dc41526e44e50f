// The sound manager's set-up, listener, statistics and application sounds.
#include "dx/sound/SSound.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SDataCollection.h"
#include "core/SResource.h"
#include "dx/sound/SDXSound3DBuffer.h"
#include "dx/sound/SDXSound3DListener.h"
#include "dx/sound/SDXSoundBuffer.h"
#include "sys/fs/fs.h"
#include "sys/time/time.h"

using namespace sys::audio;

IMPLEMENT_DYNAMIC(SSound, SDXSound)

namespace {

bool FileExists(const CString& path) {
    if (path.IsEmpty()) {
        return false;
    }
    const uint32_t attributes = sys::fs::GetAttributes(path.GetString());
    return attributes != sys::fs::kInvalidAttributes && (attributes & sys::fs::kAttributeDirectory) == 0;
}

bool InIds(int id, const int* ids, int count) {
    for (int i = 0; i < count; ++i) {
        if (ids[i] == id) {
            return true;
        }
    }
    return false;
}

}  // namespace

SSound::SSound() = default;

SSound::~SSound() {
    for (SDXSoundBuffer* buffer : m_AppSounds) {
        buffer->Cleanup();
        delete buffer;
    }
    m_AppSounds.clear();
    ReleaseGameSounds();
    delete m_pListener;
    m_pListener = nullptr;
}

void SSound::Initialize(SCatalog* catalog, SSoundSettings* settings, SDataCollection* soundNames) {
    if (settings != nullptr) {
        m_dwNextListenerUpdate = sys::time::TickCount();
        m_i3DResolution = settings->m_i3DResolution;
        m_b3D = settings->m_b3DEnabled;
        m_bHardware3D = settings->m_b3DSoftware == 0 ? 1 : 0;
        m_iMaxSameBuffers = settings->m_iMaxSameBuffers;
        m_dwPurgeMs = static_cast<uint32_t>(settings->m_iIdleRemoveTime) * 1000u;
    }
    if (catalog == nullptr || soundNames == nullptr) {
        return;
    }
    m_pCatalog = catalog;
    m_pSoundNames = soundNames;
    if (!EnumerateDrivers()) {
        return;
    }
    if (settings != nullptr && settings->m_bEnabled == 0) {
        return;
    }
    GUID guid;
    if (settings != nullptr) {
        guid = GetDriverGuidByModule(SString(settings->m_sDriver.GetString()));
        if (guid.IsNull() && GetDriverCount() > 0) {
            settings->m_sDriver = GetDriverModule(0).GetString();
            guid = GetDriverGuidByModule(SString(settings->m_sDriver.GetString()));
        }
    }
    const bool created = settings != nullptr && settings->m_b8BitQuality != 0
                             ? Create(guid, DSSCL_NORMAL, true) != 0
                             : CreateWithFormat(guid, true, 22050, 16, true);
    if (!created) {
        return;
    }
    if (m_b3D != 0) {
        CreateListener();
        if (m_pListener != nullptr && m_pListener->Has3DInterface()) {
            m_pListener->SetOrientation(0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, DS3D_IMMEDIATE);
            m_pListener->SetPosition(0.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
        }
    }
    m_iMax3DBuffers = m_bHardware3D != 0 ? static_cast<int32_t>(GetCapsValue(6)) : 8;
}

int SSound::Restart(SSoundSettings* settings) {
    Initialize(m_pCatalog, settings, m_pSoundNames);
    return 1;
}

int SSound::Update() {
    UpdateListener(false);
    PurgeIdleBuffers();
    return 1;
}

void SSound::UpdateListener(bool force) {
    if (m_pListener == nullptr) {
        return;
    }
    const uint32_t now = sys::time::TickCount();
    // The unsigned difference read as signed: correct across the tick count's wrap.
    if (!force && static_cast<int32_t>(now - m_dwNextListenerUpdate) < 0) {
        return;
    }
    m_dwNextListenerUpdate = now + static_cast<uint32_t>(500 - 5 * m_i3DResolution);
    m_pListener->CommitDeferredSettings();
}

int SSound::CreateListener() {
    if (m_pDS == nullptr || m_b3D == 0) {
        return 0;
    }
    delete m_pListener;
    m_pListener = new SDXSound3DListener(this);
    return 1;
}

int SSound::SetListenerPosition(const SVector& position) {
    m_vListenerPos = position;
    if (m_pListener == nullptr) {
        return 1;
    }
    return m_pListener->SetPosition(position.x, position.y, position.z, DS3D_DEFERRED);
}

int SSound::SetListenerVelocity(const SVector& velocity) {
    if (m_pListener == nullptr) {
        return 1;
    }
    return m_pListener->SetVelocity(velocity.x, velocity.y, velocity.z, DS3D_DEFERRED);
}

int SSound::SetListenerOrientation(const SVector& angles) {
    const SVector front = SVector::ToDirection(angles);
    SVector top = front;
    top.TurnBy(SVector(90.0f, 0.0f, 0.0f));
    m_vListenerFront = front;
    if (m_pListener == nullptr) {
        return 1;
    }
    return m_pListener->SetOrientation(front.x, front.y, front.z, top.x, top.y, top.z, DS3D_DEFERRED);
}

float SSound::GetListenerDistance(SDXSound3DBuffer* buffer) {
    SVector listener = m_vListenerPos;
    if (m_pListener != nullptr) {
        m_pListener->GetPosition(listener);
    }
    SVector position;
    if (buffer != nullptr) {
        buffer->GetPosition(position);
    }
    return (position - listener).Length();
}

void SSound::GetStatistics(char* out, int size) {
    if (out == nullptr || size <= 0) {
        return;
    }
    uint32_t appBytes = 0;
    uint32_t appNotLoaded = 0;
    for (SDXSoundBuffer* buffer : m_AppSounds) {
        (buffer->IsCreated() ? appBytes : appNotLoaded) += buffer->GetDataSize();
    }
    uint32_t gameBytes = 0;
    uint32_t bytes3D = 0;
    std::string lines;
    for (SDXSoundBuffer* buffer : m_GameSounds) {
        std::string key = buffer->GetKey().GetString();
        key = key.substr(0, key.find('/'));
        key = key.substr(0, key.find('\\'));
        std::reverse(key.begin(), key.end());
        lines += "  " + key;
        if (buffer->IsDuplicate()) {
            lines += " [Dup]";
        } else {
            lines += " [" + std::to_string(buffer->GetDataSize() / 1024) + " k]";
            if (buffer->GetKind() == 3) {
                lines += " (3D)";
            }
            if (buffer->IsCreated()) {
                gameBytes += buffer->GetDataSize();
                if (buffer->GetKind() == 3) {
                    bytes3D += buffer->GetDataSize();
                }
            }
        }
        lines += buffer->IsPlaying() ? " [X]" : " [  ]";
        if (buffer->GetPriority() == 0) {
            lines += " *";
        }
        lines += "\n";
    }
    SString head;
    head.Format("Total Buffers: %d [%d k]  App Buffers: %d [%d k] (not loaded [%d k])\nGame Buffers: %d [%d k]  ( 3D: "
                "%d [%d k] )\n",
                static_cast<int>(m_AppSounds.size() + m_GameSounds.size()), static_cast<int>((gameBytes + appBytes) / 1024),
                static_cast<int>(m_AppSounds.size()), static_cast<int>(appBytes / 1024),
                static_cast<int>(appNotLoaded / 1024), static_cast<int>(m_GameSounds.size()),
                static_cast<int>(gameBytes / 1024), static_cast<int>(m_3DSounds.size()), static_cast<int>(bytes3D / 1024));
    const std::string text = std::string(head.GetString()) + lines;
    // Cut to fit, and always terminated within the caller's buffer.
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void SSound::ResolveSoundPath(const char* name, CString& out) {
    out.Empty();
    const CString text = name != nullptr ? name : "";
    SCatalogItem* item = nullptr;
    const int colon = text.Find(':');
    if (colon > 1) {
        if (m_pCatalog != nullptr) {
            item = m_pCatalog->FindItem(text.Left(colon), text.Mid(colon + 1), kKindSound);
        }
    } else if (text.Left(3) == "id;") {
        if (m_pCatalog != nullptr) {
            item = m_pCatalog->FindItem(text.Mid(3), CString(), kKindSound);
        }
    } else {
        out = text;
        if (text.Left(5) != "--2-0" || m_pCatalog == nullptr) {
            return;
        }
        item = m_pCatalog->FindItemByKey(text);
    }
    if (item != nullptr && item->GetKind() == static_cast<uint32_t>(kKindSound)) {
        out = item->GetFullPath(true, true, true);
    }
}

// --- Application sounds --------------------------------------------------------------------

int SSound::LoadSound(const char* name) {
    CString path;
    ResolveSoundPath(name, path);
    const int found = FindAppSoundByKey(path);
    if (found != -1) {
        return found;
    }
    if (!FileExists(path)) {
        return -1;
    }
    // Numbered after the count, as long as that number is free: once a sound has been removed
    // the count no longer says which numbers are taken.
    int id = static_cast<int>(m_AppSounds.size()) + 1;
    while (FindSound(id) != nullptr) {
        ++id;
    }
    if (AddAppSound(path, id, false, path) == 0) {
        return -1;
    }
    return id;
}

int SSound::LoadSoundByKey(const char* group, const char* item) {
    CString name;
    name.Format("%s:%s", group != nullptr ? group : "", item != nullptr ? item : "");
    return LoadSound(name);
}

int SSound::AddAppSound(const char* path, int id, bool createNow, const char* key) {
    auto* buffer = new SDXSoundBuffer(this, path, createNow, SDXSoundBuffer::kDefaultFlags);
    buffer->SetID(id);
    buffer->SetKey(SString(key));
    InsertAppSound(buffer);
    return 1;
}

int SSound::InsertAppSound(SDXSoundBuffer* buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    const auto at = std::find_if(m_AppSounds.begin(), m_AppSounds.end(), [buffer](const SDXSoundBuffer* entry) {
        return entry->GetPriority() > buffer->GetPriority();
    });
    m_AppSounds.insert(at, buffer);
    return 1;
}

SDXSoundBuffer* SSound::CreateAppBuffer(const char* path, uint32_t flags) {
    if (m_pDS == nullptr) {
        return nullptr;
    }
    auto* buffer = new SDXSoundBuffer(this, path, true, flags);
    if (!buffer->IsCreated()) {
        delete buffer;
        return nullptr;
    }
    buffer->SetID(NextFreeId());
    m_AppSounds.push_back(buffer);
    return buffer;
}

int SSound::RemoveAppBuffer(SDXSoundBuffer*& buffer) {
    const auto it = std::find(m_AppSounds.begin(), m_AppSounds.end(), buffer);
    if (m_AppSounds.empty() || it == m_AppSounds.end()) {
        return 0;
    }
    m_AppSounds.erase(it);
    delete buffer;
    buffer = nullptr;
    return 1;
}

int SSound::NextFreeId() const {
    if (m_AppSounds.empty()) {
        return 1;
    }
    int counter = 1;
    for (const SDXSoundBuffer* buffer : m_AppSounds) {
        if (counter >= 1000) {
            return 0;
        }
        if (buffer->GetID() != counter) {
            return counter;
        }
        ++counter;
    }
    return counter >= 1000 ? 0 : counter;
}

SDXSoundBuffer* SSound::FindSound(int id) const {
    if (m_AppSounds.empty() || id < 0) {
        return nullptr;
    }
    for (SDXSoundBuffer* buffer : m_AppSounds) {
        if (buffer->GetID() == id) {
            return buffer;
        }
    }
    return nullptr;
}

int SSound::FindAppSoundByKey(const char* path) const {
    for (const SDXSoundBuffer* buffer : m_AppSounds) {
        if (CompareTextNoCase(buffer->GetKey().GetString(), path != nullptr ? path : "") == 0) {
            return buffer->GetID();
        }
    }
    return -1;
}

int SSound::EnsureSoundLoaded(int id) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr && buffer->CreateBuffer() != 0 ? id : 0;
}

int SSound::EnsureSoundsLoaded(const int* ids, int count) {
    bool all = true;
    for (int i = 0; ids != nullptr && i < count && ids[i] != 0; ++i) {
        SDXSoundBuffer* buffer = FindSound(ids[i]);
        if (buffer == nullptr || buffer->CreateBuffer() == 0) {
            all = false;
        }
    }
    return all ? 1 : 0;
}

int SSound::ReleaseSound(int id) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr ? buffer->Cleanup() : 0;
}

int SSound::ReleaseSounds(const int* ids, int count) {
    bool all = true;
    for (int i = 0; ids != nullptr && i < count && ids[i] != 0; ++i) {
        SDXSoundBuffer* buffer = FindSound(ids[i]);
        if (buffer == nullptr || buffer->Cleanup() == 0) {
            all = false;
        }
    }
    return all ? 1 : 0;
}

int SSound::ReleaseAllExcept(const int* ids, int count) {
    for (SDXSoundBuffer* buffer : m_AppSounds) {
        if (count < 1 || ids == nullptr || !InIds(buffer->GetID(), ids, count)) {
            buffer->Cleanup();
        }
    }
    return 1;
}

int SSound::PlaySound(int id, uint32_t flags, bool rewind, int32_t volume, int32_t pan) {
    SDXSoundBuffer* buffer = FindSound(id);
    if (buffer == nullptr) {
        return 0;
    }
    if (volume != 0) {
        buffer->SetVolume(volume);
    }
    if (pan != 0) {
        buffer->SetPan(pan);
    }
    return PlayBuffer(buffer, flags, rewind);
}

int SSound::PlayBuffer(SDXSoundBuffer* buffer, uint32_t flags, bool rewind) {
    if (m_pDS == nullptr || buffer == nullptr ||
        std::find(m_AppSounds.begin(), m_AppSounds.end(), buffer) == m_AppSounds.end()) {
        return 0;
    }
    if (rewind) {
        buffer->Stop();
        buffer->SetCurrentPosition(0);
    }
    return buffer->Play(flags);
}

int SSound::StopSound(int id) { return StopBuffer(FindSound(id)); }

int SSound::StopBuffer(SDXSoundBuffer* buffer) {
    if (m_pDS == nullptr || buffer == nullptr ||
        std::find(m_AppSounds.begin(), m_AppSounds.end(), buffer) == m_AppSounds.end()) {
        return 0;
    }
    return buffer->Stop();
}

int SSound::SetSoundVolume(int id, int32_t volume) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr ? buffer->SetVolume(volume) : 0;
}

int SSound::SetSoundPan(int id, int32_t pan) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr ? buffer->SetPan(pan) : 0;
}

int SSound::SetSoundFrequency(int id, uint32_t frequency) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr ? buffer->SetFrequency(frequency) : 0;
}

int SSound::SetBufferVolume(SDXSoundBuffer* buffer, int32_t volume) {
    return m_pDS != nullptr && buffer != nullptr ? buffer->SetVolume(volume) : 0;
}

int SSound::SetBufferPan(SDXSoundBuffer* buffer, int32_t pan) {
    return m_pDS != nullptr && buffer != nullptr ? buffer->SetPan(pan) : 0;
}

int SSound::SetBufferFrequency(SDXSoundBuffer* buffer, uint32_t frequency) {
    return m_pDS != nullptr && buffer != nullptr ? buffer->SetFrequency(frequency) : 0;
}

uint32_t SSound::GetSoundDurationMs(int id) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr ? buffer->GetDurationMs() : 0;
}

bool SSound::IsSoundPlaying(int id) {
    SDXSoundBuffer* buffer = FindSound(id);
    return buffer != nullptr && buffer->IsPlaying();
}
