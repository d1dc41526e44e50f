#pragma once

#include <cstdint>

#include "assets/textures/STexRegion.h"
#include "assets/textures/STexTag.h"
#include "sys/classlib/CString.h"

class STexture2;

// The renderer-independent base of a texture as a renderer holds it: a copy of the texture's
// tags (its drawing options) and hit regions, the built size, a colour key and a palette. A
// concrete renderer derives from it and builds and releases its device objects; the record
// owns its tags and regions.
class STexLock : public STexTagList, public STexRegionList {
public:
    STexLock();
    STexLock(const STexLock&) = delete;
    STexLock& operator=(const STexLock&) = delete;
    virtual ~STexLock();

    // Frees every tag and region; harmless when already empty.
    virtual void Clear();
    // Builds the renderer's objects from a texture container; 1 on success, 0 on failure.
    virtual int Build(STexture2* texture) = 0;
    // Releases the renderer's objects.
    virtual void Release() = 0;
    // Ambient colour hooks of the derived record (four floats; a selector for the getter).
    virtual void SetAmbient(float* ambient);
    virtual void GetAmbient(float* ambient, int selector);

    void SetRecordErrors(uint32_t flag) { m_iRecordErrors = static_cast<int32_t>(flag); }
    CString GetLastError() const { return m_iRecordErrors == 1 ? m_strLastError : CString(); }

    CString GetFirstText() const { return m_strFirstText; }
    CString GetSecondText() const { return m_strSecondText; }

    uint32_t GetUseCount() const { return m_iUseCount; }
    uint32_t AddUse() { return ++m_iUseCount; }
    uint32_t DropUse() { return --m_iUseCount; }

protected:
    CString m_strLastError;
    int32_t m_iRecordErrors = 0;
    CString m_strFirstText;
    CString m_strSecondText;
    uint32_t m_iUseCount = 0;

    int16_t m_iWidth = -1;
    int16_t m_iHeight = -1;
    int16_t m_iMIPDepth = 0;
    int16_t m_iFormatData[3] = {0, 0, 0};
    uint8_t m_FormatBytes[12] = {};
    uint32_t m_dwColorKey = 0xFFFFFFFF;
    uint8_t m_Palette[256][4] = {};
    int16_t m_iPaletteFirst = 0;
    int16_t m_iPaletteLast = 255;
};
