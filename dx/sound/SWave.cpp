#include "dx/sound/SWave.h"

#include <algorithm>
#include <cstring>

#include "core/SResourceFactory.h"
#include "dx/sound/SSoundEmitter.h"
#include "sys/audio/playsound.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"

using namespace sys::audio;
using namespace sys::mmio;

IMPLEMENT_SERIAL(SWave, SResource, 1)

namespace {

constexpr FOURCC kWave = MakeFourCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = MakeFourCC('f', 'm', 't', ' ');
constexpr FOURCC kData = MakeFourCC('d', 'a', 't', 'a');

// Descends from the start of the source into "RIFF"/"WAVE" and then into the chunk `id`.
bool FindChunk(HMMIO file, FOURCC id, MMCKINFO& chunk) {
    if (Seek(file, 0, SEEK_FROM_START) != 0) {
        return false;
    }
    MMCKINFO riff;
    riff.fccType = kWave;
    if (Descend(file, riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
        return false;
    }
    chunk = MMCKINFO{};
    chunk.ckid = id;
    return Descend(file, chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
}

// The whole "data" chunk in a new block. The chunk lies within the source (the descent checks
// it) and within the bound of one sound, so the size asked for is never more than the source
// holds.
bool ReadDataChunk(HMMIO file, uint32_t expectedSize, bool checkSize, uint8_t*& data, uint32_t& size) {
    MMCKINFO chunk;
    if (!FindChunk(file, kData, chunk) || !SoundDataWithinBound(file, chunk) ||
        (checkSize && chunk.cksize != expectedSize)) {
        return false;
    }
    auto* block = new uint8_t[chunk.cksize == 0 ? 1 : chunk.cksize]();
    if (Read(file, block, static_cast<int32_t>(chunk.cksize)) != static_cast<int32_t>(chunk.cksize)) {
        delete[] block;
        return false;
    }
    data = block;
    size = chunk.cksize;
    return true;
}

HMMIO OpenResource(uint32_t resourceId, HMODULE module) {
    const void* bytes = nullptr;
    uint32_t size = 0;
    if (!FindResource(module, "WAVE", static_cast<uint16_t>(resourceId & 0xFFFF), &bytes, &size)) {
        return nullptr;
    }
    return OpenMemory(bytes, size);
}

}  // namespace

void RegisterSoundResourceKinds() {
    SResourceFactory::RegisterKind<SWave>(kKindSound);
    SResourceFactory::RegisterKind<SSoundEmitter>(kKindSoundEmitter);
}

SWave::SWave() = default;

SWave::SWave(const char* fileName, bool loadData) { OpenFromFile(fileName, loadData); }

SWave::SWave(CFile* file, bool loadData) {
    if (file != nullptr) {
        OpenFromFile(file->GetFilePath(), loadData);
    }
}

SWave::SWave(uint32_t resourceId, HMODULE module, bool loadData) { OpenFromResource(resourceId, module, loadData); }

SWave::~SWave() { ResetWave(); }

void SWave::ResetWave() {
    delete[] m_pData;
    m_pData = nullptr;
    delete m_pFormat;
    m_pFormat = nullptr;
    m_dwFormatSize = 0;
    m_dwDataSize = 0;
}

void SWave::Serialize(CArchive& ar) {
    SResource::Serialize(ar);
    m_sFileName = ar.GetFileName();
}

bool SWave::LoadFromCFile(CFile* file) {
    if (file != nullptr) {
        m_sFileName = file->GetFilePath();
    }
    return true;
}

int32_t SWave::Accept(SResourceVisitor* visitor) { return visitor != nullptr ? visitor->VisitWave(this) : 0; }

namespace {

// Reads format, data size and (when asked) data of an open source into the given fields;
// false on any failure, with nothing allocated left behind.
bool ReadWave(HMMIO file, bool loadData, WAVEFORMATEX*& format, uint32_t& dataSize, uint8_t*& data) {
    MMCKINFO chunk;
    if (!FindChunk(file, kFmt, chunk)) {
        return false;
    }
    // The format is always read as 18 bytes, whatever the chunk says: a 16-byte chunk gets the
    // two bytes after it as its extra size, as the files were always read.
    auto* readFormat = new WAVEFORMATEX;
    if (Read(file, readFormat, sizeof(WAVEFORMATEX)) != static_cast<int32_t>(sizeof(WAVEFORMATEX))) {
        delete readFormat;
        return false;
    }
    Ascend(file, chunk);
    if (!FindChunk(file, kData, chunk) || !SoundDataWithinBound(file, chunk)) {
        delete readFormat;
        return false;
    }
    const uint32_t size = chunk.cksize;
    uint8_t* readData = nullptr;
    if (loadData) {
        uint32_t got = 0;
        if (!ReadDataChunk(file, size, true, readData, got)) {
            delete readFormat;
            return false;
        }
    }
    format = readFormat;
    dataSize = size;
    data = readData;
    return true;
}

}  // namespace

int SWave::OpenFromFile(const char* fileName, bool loadData) {
    ResetWave();
    m_sFileName = fileName;
    m_bFromResource = 0;
    HMMIO file = sys::mmio::OpenFile(m_sFileName.GetString());
    if (file == nullptr) {
        return 0;
    }
    const bool ok = ReadWave(file, loadData, m_pFormat, m_dwDataSize, m_pData);
    Close(file);
    if (!ok) {
        ResetWave();
        return 0;
    }
    m_dwFormatSize = sizeof(WAVEFORMATEX);
    return 1;
}

int SWave::OpenFromResource(uint32_t resourceId, HMODULE module, bool loadData) {
    ResetWave();
    m_nResourceID = resourceId;
    m_hModule = module;
    m_bFromResource = 1;
    HMMIO file = OpenResource(resourceId, module);
    if (file == nullptr) {
        return 0;
    }
    const bool ok = ReadWave(file, loadData, m_pFormat, m_dwDataSize, m_pData);
    Close(file);
    if (!ok) {
        ResetWave();
        return 0;
    }
    m_dwFormatSize = sizeof(WAVEFORMATEX);
    return 1;
}

void SWave::GetFormat(WAVEFORMATEX** format) const {
    if (format != nullptr) {
        *format = m_pFormat;
    }
}

bool SWave::ReloadData() {
    if (m_bFromResource != 0) {
        return OpenFromResource(m_nResourceID, m_hModule, true) != 0;
    }
    if (!m_sFileName.IsEmpty()) {
        const CString name = m_sFileName;
        return OpenFromFile(name, true) != 0;
    }
    return false;
}

bool SWave::ReadSourceData(uint8_t*& data, uint32_t& size) const {
    HMMIO file = nullptr;
    if (m_bFromResource != 0) {
        file = OpenResource(m_nResourceID, m_hModule);
    } else if (!m_sFileName.IsEmpty()) {
        file = sys::mmio::OpenFile(m_sFileName.GetString());
    }
    if (file == nullptr) {
        return false;
    }
    const bool ok = ReadDataChunk(file, 0, false, data, size);
    Close(file);
    return ok;
}

uint32_t SWave::GetData(void* destination, uint32_t size) {
    uint8_t* data = m_pData;
    uint32_t held = m_dwDataSize;
    if (data == nullptr) {
        // Read again without touching the wave's own fields: the device buffer was made for
        // the size the wave had, whatever the file holds now.
        if (!ReadSourceData(data, held)) {
            return 0;
        }
    }
    if (destination != nullptr && size > 0) {
        const uint32_t copied = std::min(size, held);
        std::memcpy(destination, data, copied);
        const int silence = m_pFormat != nullptr && m_pFormat->wBitsPerSample == 8 ? 0x80 : 0x00;
        std::memset(static_cast<uint8_t*>(destination) + copied, silence, size - copied);
    }
    delete[] data;
    m_pData = nullptr;
    return destination != nullptr ? size : 0;
}

bool SWave::PlayPreview() {
    return sys::audio::PlaySound(m_sFileName.GetString(), nullptr,
                                 sys::audio::SND_FILENAME | sys::audio::SND_NOWAIT | sys::audio::SND_ASYNC);
}
