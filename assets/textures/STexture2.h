#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "assets/textures/STexFormat.h"
#include "assets/textures/STexRegion.h"
#include "assets/textures/STexTag.h"
#include "sys/classlib/CString.h"

class CFile;

// The engine's texture container, read from and written to "STEX" files: one named texture
// of one size with its MIP levels in one or more formats, texture-wide tags and hit regions.
// The pixels of a loaded file may stay on disk until a format is asked for, so the container
// remembers the full path it was loaded from. It owns its formats, tags and regions.
class STexture2 : public STexTagList, public STexRegionList {
public:
    STexture2();
    ~STexture2();
    STexture2(const STexture2&) = delete;
    STexture2& operator=(const STexture2&) = delete;

    // Deletes every format, tag and region; size, depth, name and path stay.
    void Clear();

    // 1 on success. With loadPixels 0 the pixels stay on disk until LoadFormat. A file that
    // is not a texture of this version leaves the container as it was; a damaged one leaves
    // it cleared and unsized.
    int Load(const char* path, int loadPixels);
    int LoadFromStream(CFile* file, int loadPixels);
    // Writes the complete formats to a temporary file beside the target and renames it over
    // the target, so a failed save never destroys the file that was there.
    int Save(const char* path);
    int SaveToStream(CFile* file);
    // Reads a format's pixels from the given file, or from the recorded path when none.
    int LoadFormat(int16_t index, CFile* file);
    int UnloadFormat(int16_t index);
    // Unloads and deletes every format but the one at `keep`, which becomes format 0; 0 (and
    // nothing deleted) for an index outside the table.
    int KeepOnlyFormat(int16_t keep);

    int16_t GetNumFormats() const { return static_cast<int16_t>(m_formats.size()); }
    STexFormat* GetFormat(int16_t index) const;
    int FindFormat(const STexFormat* format);
    // Appends a format of the container's size with empty layers and takes ownership; on
    // failure the format stays with the caller.
    int AddFormat(STexFormat* format);
    // Makes a fresh container from a BMP or TGA file in the given format. On success, and on
    // a failure after the container was cleared, the container owns the format (it is then
    // GetFormat(0)); otherwise it stays with the caller.
    int ImportImage(const char* path, STexFormat* format);
    // Scales every format to a new size, reusing existing levels where they fit. Neither side
    // may become smaller than kMinResampleSide.
    int ResampleFormat(int newWidth, int newHeight);
    static constexpr int kMinResampleSide = 4;
    // The most pixel bytes the levels of all formats of one file may name. A texture holds any
    // number of formats (one per layout), so what bounds the writer is the file's 32-bit
    // offsets: it makes no file past 2 GiB, and its formats never share bytes. A file whose
    // formats name more than this, or more than the file holds, is refused as a damaged one
    // is, before any pixels are read: no reader's pixels take more than its file.
    static constexpr uint64_t kMaxPixelBytes = 0x7FFFFFFF;

    int RemoveTag(int16_t index) { return RemoveTagAt(index); }

    CString GetName() const { return m_strName; }
    CString GetFilePath() const { return m_strFilePath; }
    CString GetLastError() const { return m_iRecordErrors == 1 ? m_strLastError : CString(); }
    int16_t GetWidth() const { return m_iWidth; }
    int16_t GetHeight() const { return m_iHeight; }
    int16_t GetMIPDepth() const { return m_iMIPDepth; }

    int32_t AddRef() { return ++m_iRefCount; }
    int32_t Release() { return --m_iRefCount; }
    int32_t GetRefCount() const { return m_iRefCount; }

    // 1 = failing operations store their message (read back with GetLastError).
    int32_t m_iRecordErrors = 0;

private:
    void Record(const char* message);
    int ReadContents(CFile& file, int loadPixels);
    int ReadFormatPixels(STexFormat& format, CFile& file);
    // The file's bytes and each written layer's (RGB, alpha) offsets; false without a
    // complete format.
    bool SerializeTo(std::vector<uint8_t>& bytes, std::vector<std::pair<int32_t, int32_t>>& offsets);
    void ApplyOffsets(const std::vector<std::pair<int32_t, int32_t>>& offsets);
    int16_t ImportDepth(int width, int height) const;

    CString m_strLastError;
    CString m_strName;
    CString m_strFilePath;
    int32_t m_iRefCount = 0;
    std::vector<STexFormat*> m_formats;
    int16_t m_iWidth = -1;
    int16_t m_iHeight = -1;
    int16_t m_iMIPDepth = 0;
};
