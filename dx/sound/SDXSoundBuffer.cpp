#include "dx/sound/SDXSoundBuffer.h"

#include <algorithm>
#include <cstring>

#include "dx/sound/SDXSound.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"

using namespace sys::audio;

IMPLEMENT_SERIAL(SDXSoundBuffer, SWave, 1)

int32_t SDXSoundBuffer::s_nBufferCount = 0;
uint32_t SDXSoundBuffer::s_nBufferBytes = 0;

SDXSoundBuffer::SDXSoundBuffer() = default;

SDXSoundBuffer::SDXSoundBuffer(SDXSound* owner, const char* fileName, bool createNow, uint32_t flags)
    : m_pSound(owner), m_dwFlags(flags) {
    OpenFromFile(fileName, createNow);
    if (createNow) {
        CreateBuffer();
    }
}

SDXSoundBuffer::SDXSoundBuffer(SDXSound* owner, CFile* file, bool createNow, uint32_t flags)
    : SDXSoundBuffer(owner, file != nullptr ? file->GetFilePath().GetString() : "", createNow, flags) {}

SDXSoundBuffer::SDXSoundBuffer(SDXSound* owner, uint32_t resourceId, bool createNow, uint32_t flags,
                               sys::mmio::HMODULE module)
    : m_pSound(owner), m_dwFlags(flags) {
    OpenFromResource(resourceId, module, createNow);
    if (createNow) {
        CreateBuffer();
    }
}

SDXSoundBuffer::~SDXSoundBuffer() { Cleanup(); }

void SDXSoundBuffer::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        OpenFromFile(ar.GetFileName(), false);
    }
}

int SDXSoundBuffer::Result(HRESULT hr) {
    m_hrLast = hr;
    return hr == DS_OK ? 1 : 0;
}

int SDXSoundBuffer::CreateBuffer(SDXSound* owner, uint32_t flags) {
    m_pSound = owner;
    m_dwFlags = flags;
    return CreateBuffer();
}

int SDXSoundBuffer::CreateBuffer() {
    if (m_bCreated != 0) {
        return 1;
    }
    if (m_pSound == nullptr) {
        return 0;
    }
    if (m_pBuffer != nullptr) {
        Cleanup();
    }
    if (m_pData == nullptr && (m_bFromResource != 0 || !m_sFileName.IsEmpty())) {
        ReloadData();
    }
    if (m_pFormat == nullptr) {
        return 0;
    }
    DSBUFFERDESC desc;
    desc.dwFlags = m_dwFlags;
    if (m_iLocation != 2) {
        desc.dwFlags = (desc.dwFlags & ~DSBCAPS_LOCHARDWARE) | DSBCAPS_LOCSOFTWARE;
    }
    desc.dwBufferBytes = m_dwDataSize;
    desc.lpwfxFormat = m_pFormat;
    IDirectSound* device = m_pSound->GetDirectSound();
    if (device == nullptr) {
        return 0;
    }
    m_hrLast = device->CreateSoundBuffer(&desc, &m_pBuffer);
    if (Failed(m_hrLast)) {
        SString error;
        SDXSound::DSErrorText(m_hrLast, error);
        SDXSound::Trace(error.GetString());
        m_pBuffer = nullptr;
        return 0;
    }
    void* part1 = nullptr;
    uint32_t bytes1 = 0;
    m_hrLast = m_pBuffer->Lock(0, m_dwDataSize, &part1, &bytes1, nullptr, nullptr, 0);
    bool filled = Succeeded(m_hrLast);
    if (filled) {
        // A wave whose data cannot be read again must not pass for a created buffer.
        const uint32_t written = GetData(part1, bytes1);
        m_hrLast = m_pBuffer->Unlock(part1, written, nullptr, 0);
        filled = written != 0 && Succeeded(m_hrLast);
    }
    if (!filled) {
        m_pBuffer->Release();
        m_pBuffer = nullptr;
        if (Succeeded(m_hrLast)) {
            m_hrLast = DSERR_GENERIC;
        }
        return 0;
    }
    m_bCreated = 1;
    s_nBufferCount++;
    s_nBufferBytes += m_dwDataSize;
    SetVolume(m_lVolume);
    return 1;
}

int SDXSoundBuffer::Cleanup() {
    if (m_bCreated == 0) {
        return 1;
    }
    if (m_pBuffer != nullptr) {
        SDXSound::Trace("[SDXSoundBuffer::Cleanup] : Releasing Sound Buffer.\n");
        m_pBuffer->Release();
    }
    s_nBufferCount--;
    if (m_bDuplicate == 0) {
        s_nBufferBytes -= m_dwDataSize;
    }
    m_pBuffer = nullptr;
    m_bCreated = 0;
    return 1;
}

int SDXSoundBuffer::Duplicate(SDXSoundBuffer* target) {
    if (m_pBuffer == nullptr || m_pSound == nullptr || target == nullptr || m_pSound->GetDirectSound() == nullptr) {
        return 0;
    }
    target->m_pSound = m_pSound;
    target->m_bCreated = m_bCreated;
    target->m_iID = m_iID;
    target->m_pLogWnd = m_pLogWnd;
    target->m_dwFlags = m_dwFlags;
    target->m_iPriority = m_iPriority;
    target->m_iKind = m_iKind;
    target->m_iLocation = m_iLocation;
    target->m_sKey = m_sKey;
    target->m_byHash = m_byHash;
    target->m_dwDataSize = m_dwDataSize;
    target->m_sFileName = m_sFileName;
    target->m_lVolume = m_lVolume;
    target->m_dwLastUsed = 0;
    m_hrLast = m_pSound->GetDirectSound()->DuplicateSoundBuffer(m_pBuffer, &target->m_pBuffer);
    if (Failed(m_hrLast)) {
        target->m_pBuffer = nullptr;
        target->m_bCreated = 0;
        return 0;
    }
    target->m_bDuplicate = 1;
    s_nBufferCount++;
    target->SetVolume(m_lVolume);
    return 1;
}

int SDXSoundBuffer::CopyWaveData(SDXSoundBuffer* target) {
    if (m_pBuffer == nullptr || m_pSound == nullptr || target == nullptr) {
        return 0;
    }
    target->ResetWave();
    target->m_dwDataSize = m_dwDataSize;
    target->m_dwFormatSize = m_dwFormatSize;
    if (m_pFormat != nullptr) {
        target->m_pFormat = new WAVEFORMATEX(*m_pFormat);
    } else {
        auto* format = new WAVEFORMATEX;
        m_pBuffer->GetFormat(format, sizeof(WAVEFORMATEX), nullptr);
        target->m_pFormat = format;
        target->m_dwFormatSize = sizeof(WAVEFORMATEX);
    }
    target->m_pData = new uint8_t[m_dwDataSize == 0 ? 1 : m_dwDataSize]();
    if (m_pData != nullptr) {
        std::memcpy(target->m_pData, m_pData, m_dwDataSize);
        return 1;
    }
    void* part1 = nullptr;
    uint32_t bytes1 = 0;
    m_hrLast = m_pBuffer->Lock(0, m_dwDataSize, &part1, &bytes1, nullptr, nullptr, 0);
    if (Failed(m_hrLast)) {
        return 0;
    }
    std::memcpy(target->m_pData, part1, std::min(bytes1, m_dwDataSize));
    return Result(m_pBuffer->Unlock(part1, bytes1, nullptr, 0));
}

int SDXSoundBuffer::Restore() {
    if (m_pBuffer == nullptr) {
        return 0;
    }
    if (Result(m_pBuffer->Restore()) == 0) {
        return 0;
    }
    void* part1 = nullptr;
    uint32_t bytes1 = 0;
    if (Result(m_pBuffer->Lock(0, m_dwDataSize, &part1, &bytes1, nullptr, nullptr, 0)) == 0) {
        return 0;
    }
    const uint32_t written = GetData(part1, bytes1);
    if (Result(m_pBuffer->Unlock(part1, written, nullptr, 0)) == 0) {
        return 0;
    }
    return written != 0 ? 1 : 0;
}

int SDXSoundBuffer::Play(uint32_t flags) {
    if (m_pBuffer == nullptr) {
        return 0;
    }
    uint32_t status = 0;
    m_hrLast = m_pBuffer->GetStatus(&status);
    if ((status & DSBSTATUS_BUFFERLOST) != 0) {
        Restore();
    }
    return Result(m_pBuffer->Play(0, 0, flags));
}

int SDXSoundBuffer::Stop() { return m_pBuffer != nullptr ? Result(m_pBuffer->Stop()) : 0; }

int SDXSoundBuffer::SetCurrentPosition(uint32_t position) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->SetCurrentPosition(position)) : 0;
}

int SDXSoundBuffer::GetPlayPosition(uint32_t* position) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->GetCurrentPosition(position, nullptr)) : 0;
}

int SDXSoundBuffer::GetWritePosition(uint32_t* position) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->GetCurrentPosition(nullptr, position)) : 0;
}

int SDXSoundBuffer::GetCaps(DSBCAPS* caps) { return m_pBuffer != nullptr ? Result(m_pBuffer->GetCaps(caps)) : 0; }

int SDXSoundBuffer::GetBufferFormat(WAVEFORMATEX* format) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->GetFormat(format, sizeof(WAVEFORMATEX), nullptr)) : 0;
}

int SDXSoundBuffer::SetBufferFormat(const WAVEFORMATEX* format) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->SetFormat(format)) : 0;
}

int SDXSoundBuffer::GetFrequency(uint32_t* frequency) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->GetFrequency(frequency)) : 0;
}

int SDXSoundBuffer::SetFrequency(uint32_t frequency) {
    return m_pBuffer != nullptr ? Result(m_pBuffer->SetFrequency(frequency)) : 0;
}

int SDXSoundBuffer::GetPan(int32_t* pan) { return m_pBuffer != nullptr ? Result(m_pBuffer->GetPan(pan)) : 0; }

int SDXSoundBuffer::SetPan(int32_t pan) { return m_pBuffer != nullptr ? Result(m_pBuffer->SetPan(pan)) : 0; }

int SDXSoundBuffer::SetVolume(int32_t volume) {
    if (m_pBuffer == nullptr) {
        return 0;
    }
    m_lVolume = volume;
    const int64_t sum = static_cast<int64_t>(volume) + SDXSound::s_lMasterVolume;
    const int32_t clamped = static_cast<int32_t>(std::clamp<int64_t>(sum, DSBVOLUME_MIN, DSBVOLUME_MAX));
    return Result(m_pBuffer->SetVolume(clamped));
}

int SDXSoundBuffer::GetVolume(int32_t* volume) {
    if (m_pBuffer == nullptr) {
        return 0;
    }
    if (volume != nullptr) {
        *volume = m_lVolume;
    }
    return 1;
}

int SDXSoundBuffer::GetStatus(uint32_t* status) {
    if (m_pBuffer == nullptr || Failed(m_hrLast)) {
        return 0;
    }
    return Result(m_pBuffer->GetStatus(status));
}

bool SDXSoundBuffer::IsPlaying() {
    uint32_t status = 0;
    return GetStatus(&status) != 0 && (status & DSBSTATUS_PLAYING) != 0;
}

uint32_t SDXSoundBuffer::GetDurationMs() {
    WAVEFORMATEX format;
    if (m_pBuffer == nullptr || Result(m_pBuffer->GetFormat(&format, sizeof(format), nullptr)) == 0 ||
        format.nAvgBytesPerSec == 0) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<double>(m_dwDataSize) / format.nAvgBytesPerSec * 1000.0);
}

void SDXSoundBuffer::ReportError(char* buffer, int size) { SoundReportError(m_hrLast, m_pLogWnd, buffer, size); }
