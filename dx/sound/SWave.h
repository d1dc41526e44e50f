#pragma once

#include <cstdint>

#include "core/SResource.h"
#include "sys/audio/audio.h"
#include "sys/classlib/CString.h"
#include "sys/audio/mmio.h"

class CArchive;
class CFile;

// A sound as the catalog knows it (resource kind 2, "Sounds"): the format and PCM data of a
// RIFF WAVE file or of a "WAVE" resource compiled into the program. The sound buffers derive
// from it and hand its data to the device, after which the wave drops its own copy and reads it
// again from its source when needed. Owned by its catalog item or by the sound manager.
class SWave : public SResource {
    DECLARE_SERIAL(SWave)

public:
    SWave();
    SWave(const char* fileName, bool loadData);
    SWave(CFile* file, bool loadData);
    SWave(uint32_t resourceId, sys::mmio::HMODULE module, bool loadData);
    ~SWave() override;
    SWave(const SWave&) = delete;
    SWave& operator=(const SWave&) = delete;

    // The resource part, then the archive file's path as the wave's file name, both ways.
    void Serialize(CArchive& ar) override;
    // The factory opened the wave's file: remember its path. Always 1.
    bool LoadFromCFile(CFile* file) override;
    int32_t Accept(SResourceVisitor* visitor) override;
    // Reads the format (always 18 bytes) and the size of the data, and the data itself when
    // asked. 0 for a file that cannot be opened or lacks "WAVE", "fmt " or "data"; the wave is
    // then empty.
    virtual int OpenFromFile(const char* fileName, bool loadData);
    virtual int OpenFromResource(uint32_t resourceId, sys::mmio::HMODULE module, bool loadData);

    void GetFormat(sys::audio::WAVEFORMATEX** format) const;
    // Fills `size` bytes at the destination with the wave's data (read again from its source
    // when the wave holds none), then drops the wave's own copy. Data that is shorter than
    // `size` now (the file changed) is followed by silence. Answers the bytes filled, or 0 when
    // the data cannot be read; the destination is then untouched.
    uint32_t GetData(void* destination, uint32_t size);
    // Plays the wave's file with the one-call player and returns at once; false when it cannot.
    bool PlayPreview();

    uint32_t GetDataSize() const { return m_dwDataSize; }
    const CString& GetFileName() const { return m_sFileName; }
    void SetFileName(const CString& fileName) { m_sFileName = fileName; }
    bool HasData() const { return m_pData != nullptr; }
    bool IsFromResource() const { return m_bFromResource != 0; }

protected:
    // Frees data and format and empties every field but the source.
    void ResetWave();
    // Reloads the data from the wave's source; false when there is none or it cannot be read.
    bool ReloadData();
    // Reads the data of the wave's source into a new block, leaving the wave's fields alone.
    bool ReadSourceData(uint8_t*& data, uint32_t& size) const;

    uint32_t m_dwFormatSize = 0;
    sys::audio::WAVEFORMATEX* m_pFormat = nullptr;  // owned
    uint32_t m_dwDataSize = 0;
    uint8_t* m_pData = nullptr;  // owned
    sys::mmio::HMODULE m_hModule = nullptr;
    CString m_sFileName;
    uint32_t m_nResourceID = 0;
    int32_t m_bFromResource = 0;
};

// Registers the sound resource kinds (2 = SWave, 20 = SSoundEmitter) with the resource
// factory. Start-up calls it once before the catalog is read.
void RegisterSoundResourceKinds();
